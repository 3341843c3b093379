#include "srt/ComposantSrt.h"

#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "srt/ConstructionReference.h"

#include <QFileInfo>

namespace pava {

void ParametresSrt::setDateActe(const QString& texte)
{
    m_dateActe = texte;
    m_aResoudre = true;
}

void ParametresSrt::setPathDico(const QString& chemin)
{
    m_pathDico = chemin;
    m_aResoudre = true;
}

void ParametresSrt::setPathData(const QString& chemin)
{
    m_pathData = chemin;
    m_aResoudre = true;
}

void ParametresSrt::setCheminReference(const QString& fichier)
{
    m_cheminExplicite = fichier;
    m_aResoudre = true;
}

void ParametresSrt::setGrille(int grille)
{
    m_grilleExplicite = grille;
    m_aResoudre = true;
}

QString ParametresSrt::cheminReference() const
{
    if (!m_cheminExplicite.isEmpty())
        return m_cheminExplicite;
    const QString srt = LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path"));
    if (!srt.isEmpty())
        return cheminReferenceSrt(srt);
    if (!m_pathDico.trimmed().isEmpty() && m_pathDico.size() < 4096) {
        const QString dico = cheminReferenceSrt(m_pathDico.trimmed());
        if (QFileInfo(dico).isFile())
            return dico;
    }
    return {};
}

int ParametresSrt::grille() const
{
    if (m_grilleExplicite == kGrilleSecteur1 || m_grilleExplicite == kGrilleHorsSecteur1)
        return m_grilleExplicite;
    return LitProfil(QStringLiteral("PavaCCAM"), QStringLiteral("Grille")) == QLatin1String("2")
               ? kGrilleHorsSecteur1
               : kGrilleSecteur1;
}

ReferenceTarifs* ParametresSrt::reference()
{
    if (m_aResoudre) {
        // The settings are written before each question, so this runs once per
        // question from a window and once for a whole series from a tool.
        m_aResoudre = false;
        m_erreur.clear();
        m_grille = grille();
        const QDateTime d = lireDateHeure(m_dateActe);
        m_jourLu = d.isValid() ? d.date().toJulianDay() : 0;
        const QString chemin = cheminReference();
        if (chemin.isEmpty()) {
            m_reference.reset();
            // Said as it is: a missing profile is missing, not short of a key.
            m_erreur = QStringLiteral("aucun référentiel CCAM : %1").arg(anomalieProfil());
        } else {
            m_reference = ReferenceTarifs::partagee(chemin, &m_erreur);
        }
    }
    return m_reference.get();
}

// --- UsrSrt ---------------------------------------------------------------------------------

QString UsrSrt::GetCodesAssociation()
{
    ReferenceTarifs* ref = reference();
    if (!ref)
        return {};
    QString texte;
    for (const ReferenceTarifs::Association& a : ref->associations())
        texte += a.code + a.libelle + QLatin1Char('@');
    return texte;
}

QString UsrSrt::GetModificateurs()
{
    ReferenceTarifs* ref = reference();
    if (!ref)
        return {};
    QStringList elements;
    for (const ReferenceTarifs::Modificateur& m : ref->modificateurs())
        elements.append(m.code + libelleSurUneLigne(m.libelle));
    return elements.join(QLatin1Char('@'));
}

QString UsrSrt::GetModificateursActe(const QString& codeActe)
{
    ReferenceTarifs* ref = reference();
    if (!ref || !ref->acteConnu(codeActe))
        return {};
    const std::int64_t jour = jourResolu();
    QStringList elements{codeActe.trimmed().toUpper()};
    for (QChar c : ref->modificateursAutorises(codeActe, jour))
        elements.append(c + libelleSurUneLigne(ref->libelleModificateur(c)));
    return elements.join(QLatin1Char('@'));
}

QString UsrSrt::GetBaseRemboursementActe(const QString& codeActe, const QString& modif1,
                                         const QString& modif2, const QString& codeLieu,
                                         const QString& codeAssociation)
{
    ActeQualifie a;
    a.code = codeActe;
    a.modificateurs = {modif1, modif2, {}, {}};
    a.association = codeAssociation;
    a.lieu = codeLieu;
    const PrixActe p = Tarifer(a);
    return p.certain() ? texteEuros(p.centimes()) : QString();
}

QString UsrSrt::GetPrixUnitaire(const QString& codeActe)
{
    ReferenceTarifs* ref = reference();
    if (!ref || !ref->acteConnu(codeActe))
        return {};
    ValeurTarif v;
    if (!ref->prixUnitaire(codeActe, jourResolu(), grilleResolue(), v))
        return texteEuros(0);
    return texteEuros(v.etat == ValeurTarif::Etat::Tarif ? v.centimes : 0);
}

// --- TarificateurSRT ------------------------------------------------------------------------

PrixActe ParametresSrt::Tarifer(const ActeQualifie& acte, bool expliquer)
{
    PrixActe p;
    ReferenceTarifs* ref = reference();
    if (!ref) {
        p.erreur = derniereErreur();
        p.resultat.statut = ReferenceTarifs::Resultat::Statut::Endommage;
        if (expliquer)
            p.resultat.etapes.append(p.erreur);
        return p;
    }
    ReferenceTarifs::Demande d = demande(acte.code, acte.association, acte.lieu);
    d.activite = acte.activite;
    d.phase = acte.phase;
    for (std::size_t i = 0; i < acte.modificateurs.size(); ++i)
        d.modificateurs[i] = acte.modificateurs[i];
    d.remboursementExceptionnel = acte.remboursementExceptionnel;
    p.resultat = ref->calculer(d, expliquer);
    if (!p.resultat.certain())
        p.erreur = p.resultat.motif;
    return p;
}

QString TarificateurSRT::GetTarifActe(const QString& code, const QString& m1, const QString& m2,
                                      const QString& m3, const QString& m4,
                                      const QString& association, const QString& lieu,
                                      const QVariant& rbtExceptionnel)
{
    const PrixActe p =
        Tarifer({code, 0, 0, {m1, m2, m3, m4}, association, lieu, rbtExceptionnel.toString()});
    return p.certain() ? QString::number(p.centimes()) : QString();
}

TarificateurSRT::Detail TarificateurSRT::DetailTarifActe(const QString& code,
                                                         const QStringList& modificateurs,
                                                         const QString& association,
                                                         const QString& lieu,
                                                         const QString& rbtExceptionnel)
{
    ActeQualifie a{code, 0, 0, {}, association, lieu, rbtExceptionnel};
    for (int i = 0; i < 4 && i < modificateurs.size(); ++i)
        a.modificateurs[i] = modificateurs[i];
    const PrixActe p = Tarifer(a, true);
    Detail detail;
    detail.erreur = p.erreur;
    if (p.certain())
        detail.reponse = QString::number(p.centimes());
    detail.etapes = p.resultat.etapes;
    detail.etapes.append(
        QStringLiteral("Réponse de GetTarifActe : « %1 » (centimes).").arg(detail.reponse));
    return detail;
}

QString RefusAssociation::texte(qsizetype longueurNote) const
{
    QString t = QStringLiteral("L'acte %1 ne peut pas être facturé avec l'acte %2 (%3).")
                    .arg(nouveau, precedent, motif.source);
    if (motif.note.phrase.isEmpty())
        return t;
    QString note = motif.note.phrase;
    if (longueurNote >= 0 && note.size() > longueurNote) {
        // Cut between two words, never inside one.
        const qsizetype blanc = note.lastIndexOf(QLatin1Char(' '), longueurNote);
        note.truncate(blanc > longueurNote / 2 ? blanc : longueurNote);
        while (!note.isEmpty() && !note.back().isLetterOrNumber() &&
               note.back() != QLatin1Char(')'))
            note.chop(1);
        note += QStringLiteral(" …");
    }
    const QString& proprietaire = motif.note.de;
    const QString de = estCodeActe(proprietaire)
                           ? QStringLiteral("Note de l'acte %1").arg(proprietaire)
                           : QStringLiteral("Note du chapitre %1").arg(proprietaire);
    return t + QStringLiteral("\n%1 : « %2 ».").arg(de, note);
}

QString TarificateurSRT::ControleCotation(const QString& listeCodes)
{
    const std::optional<RefusAssociation> refus = RefusCotation(listeCodes);
    return refus ? refus->texte() : QString();
}

std::optional<RefusAssociation> TarificateurSRT::RefusCotation(const QString& listeCodes)
{
    ReferenceTarifs* ref = reference();
    if (!ref)
        return {};
    const QList<QStringView> codes = QStringView(listeCodes).split(QLatin1Char('@'));
    if (codes.size() < 2)
        return {};
    const QStringView nouveau = codes.last().trimmed();
    if (nouveau.isEmpty() || nouveau.size() > 16)
        return {};
    const std::int64_t jour = jourResolu();
    for (qsizetype i = 0; i + 1 < codes.size(); ++i) {
        const QStringView precedent = codes[i].trimmed();
        if (precedent.isEmpty() || precedent.size() > 16)
            continue;
        RefusAssociation refus{nouveau.toString().toUpper(), precedent.toString().toUpper(), {}};
        if (ref->incompatibles(precedent, nouveau, jour, &refus.motif))
            return refus;
    }
    return {};
}

} // namespace pava
