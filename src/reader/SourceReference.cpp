#include "reader/SourceReference.h"

#include "coding/Montant.h"
#include "session/Chemins.h"
#include "srt/ConstructionReference.h"
#include "srt/Lexique.h"

#include <QFileInfo>

namespace pava {

QString texteTarif(const ValeurTarif& tarif)
{
    switch (tarif.etat) {
    case ValeurTarif::Etat::Tarif:
        return formatDeuxDecimales(Monnaie::depuisCentimes(tarif.centimes)) + QStringLiteral(" €");
    case ValeurTarif::Etat::NonPrisEnCharge:
        return QStringLiteral("Non pris en charge");
    case ValeurTarif::Etat::Supprime:
        break;
    }
    return QString();
}

bool SourceReference::charger(const QString& cheminReference, QString* erreur)
{
    if (!m_recherche->charger(cheminReference, erreur))
        return false;
    // The practice's own lexicon completes the reference's; what cannot be
    // read of it is told once, and the chooser goes on without it.
    QString raison;
    const QString texte = lireLexiqueCabinet(&raison);
    if (!raison.isEmpty())
        avertir(QStringLiteral("%1 : lexique du cabinet ignoré.").arg(raison));
    QStringList anomalies;
    m_recherche->ajouterLexique(lireLexique(texte, cheminLexiqueCabinet(), &anomalies));
    for (const QString& a : std::as_const(anomalies))
        avertir(QStringLiteral("lexique du cabinet, ligne ignorée : %1").arg(a));
    return true;
}

QString SourceReference::cheminInstalle()
{
    const QString base = LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path"));
    if (base.isEmpty())
        return QString();
    return cheminReferenceSrt(base);
}

std::shared_ptr<const SourceReference> SourceReference::installee(QString* erreur)
{
    // Reading the whole CCAM takes a moment: done once, kept for the process.
    static std::shared_ptr<const SourceReference> memoire;
    static QString cheminMemoire;
    static QDateTime dateMemoire;
    static QDateTime dateLexique;

    const QString chemin = cheminInstalle();
    if (chemin.isEmpty()) {
        if (erreur)
            *erreur = QStringLiteral("Pas de référentiel CCAM : %1.").arg(anomalieProfil());
        return nullptr;
    }
    // Read again when the reference or the practice's lexicon has changed.
    const QDateTime date = QFileInfo(chemin).lastModified();
    const QDateTime lexique = QFileInfo(cheminLexiqueCabinet()).lastModified();
    if (memoire && chemin == cheminMemoire && date == dateMemoire && lexique == dateLexique)
        return memoire;
    auto source = std::make_shared<SourceReference>();
    QString raison;
    if (!source->charger(chemin, &raison)) {
        if (erreur)
            *erreur = QStringLiteral("Le référentiel CCAM ne peut être lu : %1.").arg(raison);
        return nullptr;
    }
    memoire = source;
    cheminMemoire = chemin;
    dateMemoire = date;
    dateLexique = lexique;
    return memoire;
}

ActePropose SourceReference::propose(int index) const
{
    const RechercheActes::Acte& a = m_recherche->actes().at(index);
    return ActePropose{a.code, a.libelle, texteTarif(a.tarif)};
}

SourceActes::Reponse SourceReference::rechercher(const QString& texte, int maximum) const
{
    const RechercheActes::Resultat r =
        m_recherche->chercher(texte, maximum, m_priorites.empty() ? nullptr : &m_priorites);
    Reponse reponse;
    reponse.total = r.total;
    for (int i : r.actes)
        reponse.actes.append(propose(i));
    return reponse;
}

QList<ChapitrePropose> SourceReference::chapitres() const
{
    QList<ChapitrePropose> liste;
    for (const RechercheActes::Chapitre& c : m_recherche->chapitres())
        liste.append({c.code, c.parent, c.titre});
    return liste;
}

void SourceReference::collecter(const QString& chapitre, int maximum, Reponse& reponse) const
{
    for (int i : m_recherche->actesDuChapitre(chapitre)) {
        ++reponse.total;
        if (reponse.actes.size() < maximum)
            reponse.actes.append(propose(i));
    }
    for (int c : m_recherche->sousChapitres(chapitre))
        collecter(m_recherche->chapitres().at(c).code, maximum, reponse);
}

SourceActes::Reponse SourceReference::actesDuChapitre(const QString& code, int maximum) const
{
    Reponse reponse;
    if (!code.isEmpty())
        collecter(code, maximum, reponse);
    return reponse;
}

std::shared_ptr<const SourceActes>
SourceReference::pourPratique(const RechercheActes::Pratique& pratique) const
{
    auto source = std::make_shared<SourceReference>(*this);
    source->m_priorites = m_recherche->priorites(pratique);
    return source;
}

std::optional<ActePropose> SourceReference::acte(const QString& code) const
{
    const int i = m_recherche->indexActe(code.trimmed().toUpper());
    if (i < 0)
        return std::nullopt;
    return propose(i);
}

} // namespace pava
