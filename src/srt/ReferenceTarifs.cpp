#include "srt/ReferenceTarifs.h"

#include "srt/IdentiteFichier.h"
#include "srt/SchemaReference.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace pava {

namespace {

struct EntreeCache
{
    IdentiteFichier identite; // an import puts a new file in place of the reference
    std::shared_ptr<ReferenceTarifs> reference;
};

// Kept until the application object goes (the SQL driver must still be there
// when the connections close); never freed otherwise.
QHash<QString, EntreeCache>& cache()
{
    static auto* c = [] {
        auto* h = new QHash<QString, EntreeCache>();
        if (QCoreApplication::instance())
            qAddPostRoutine([] { cache().clear(); });
        return h;
    }();
    return *c;
}

std::int64_t arrondiDivision(std::int64_t numerateur, std::int64_t denominateur)
{
    // Half away from zero; amounts here are never negative.
    return (numerateur + denominateur / 2) / denominateur;
}

QString texteMontantExact(std::int64_t numerateur, std::int64_t denominateur)
{
    // Euros with four decimals, French form: the amount before it is rounded
    // to the cent.
    const std::int64_t dixMilliemes = arrondiDivision(numerateur * 100, denominateur);
    return QStringLiteral("%1,%2 €")
        .arg(dixMilliemes / 10000)
        .arg(dixMilliemes % 10000, 4, 10, QLatin1Char('0'));
}

} // namespace

struct ReferenceTarifs::Requetes
{
    QSqlQuery acte;
    QSqlQuery tarifs;
    QSqlQuery listes;
    QSqlQuery paires;
    QSqlQuery note;
};

std::shared_ptr<ReferenceTarifs> ReferenceTarifs::partagee(const QString& chemin, QString* erreur)
{
    const auto dire = [&](const QString& cause, const QString& detail = {}) {
        if (erreur)
            *erreur = QStringLiteral("référentiel CCAM %1 : « %2 »%3")
                          .arg(cause, chemin,
                               detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail));
        return std::shared_ptr<ReferenceTarifs>();
    };
    IdentiteFichier id;
    if (!identiteFichier(chemin, id))
        return dire(QStringLiteral("introuvable"));
    auto& c = cache();
    if (const auto it = c.constFind(chemin); it != c.cend() && it->identite == id)
        return it->reference;
    c.remove(chemin);
    const QFileInfo info(chemin);
    if (!info.isFile() || !info.isReadable())
        return dire(QStringLiteral("illisible"));
    if (info.size() == 0)
        return dire(QStringLiteral("endommagé"), QStringLiteral("fichier vide"));
    std::shared_ptr<ReferenceTarifs> r(new ReferenceTarifs(chemin));
    QString e;
    if (!r->ouvrir(e))
        return dire(QStringLiteral("endommagé"), e);
    c.insert(chemin, {id, r});
    return r;
}

ReferenceTarifs::ReferenceTarifs(const QString& chemin) : m_chemin(chemin)
{
    static std::atomic<int> compteur{0};
    m_connexion = QStringLiteral("pava-tarifs-%1").arg(++compteur);
    m_taux.resize(128);
}

ReferenceTarifs::~ReferenceTarifs()
{
    m_requetes.reset();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connexion);
    }
}

bool ReferenceTarifs::ouvrir(QString& erreur)
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connexion);
    m_db.setDatabaseName(m_chemin);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!m_db.open()) {
        erreur = m_db.lastError().text();
        return false;
    }
    QSqlQuery q(m_db);
    const int version =
        q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : 0;
    if (version < 1 || version > kVersionSchema) {
        erreur = QStringLiteral("ce n'est pas un référentiel de PavaCCAM");
        return false;
    }
    m_aPairesEdition = version >= 2;
    m_aNotesPaires = version >= 3;
    m_requetes = std::make_unique<Requetes>();
    m_requetes->acte = QSqlQuery(m_db);
    m_requetes->tarifs = QSqlQuery(m_db);
    m_requetes->listes = QSqlQuery(m_db);
    m_requetes->paires = QSqlQuery(m_db);
    m_requetes->note = QSqlQuery(m_db);
    const QString colonnesPaires = m_aNotesPaires ? QStringLiteral("acte1, acte2, debut, fin, note")
                                                  : QStringLiteral("acte1, acte2, debut, fin");
    if (!m_requetes->acte.prepare(
            QStringLiteral("SELECT libelle, rembourse_sous_conditions FROM acte WHERE code = ?")) ||
        !m_requetes->tarifs.prepare(QStringLiteral(
            "SELECT activite, phase, grille, debut, etat, centimes FROM tarif WHERE code = ? "
            "ORDER BY activite, phase, grille, debut")) ||
        !m_requetes->listes.prepare(QStringLiteral(
            "SELECT debut, lettres FROM modificateurs_acte WHERE code = ? ORDER BY debut")) ||
        (m_aPairesEdition &&
         !m_requetes->paires.prepare(
             QStringLiteral("SELECT %1 FROM incompatibilite_edition WHERE acte1 = ? UNION ALL "
                            "SELECT %1 FROM incompatibilite_edition WHERE acte2 = ?")
                 .arg(colonnesPaires))) ||
        (m_aNotesPaires &&
         !m_requetes->note.prepare(QStringLiteral(
             "SELECT proprietaire, phrase FROM note_incompatibilite WHERE id = ?")))) {
        erreur = m_requetes->acte.lastError().text();
        return false;
    }
    return chargerTables(erreur);
}

bool ReferenceTarifs::chargerTables(QString& erreur)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    const auto executer = [&](const char* sql) {
        if (q.exec(QString::fromLatin1(sql)))
            return true;
        erreur = q.lastError().text();
        return false;
    };
    if (!executer("SELECT version, date_application, demonstration FROM edition ORDER BY "
                  "date_application"))
        return false;
    while (q.next()) {
        m_version = q.value(0).toInt();
        m_dateEdition = lireJour(q.value(1).toString());
        m_demonstration = q.value(2).toBool();
        if (m_premiereEdition == 0)
            m_premiereEdition = m_dateEdition;
    }
    if (!executer("SELECT code, libelle FROM grille"))
        return false;
    while (q.next()) {
        const int g = q.value(0).toInt();
        if (g >= 1 && g <= kNombreGrilles)
            m_grilles[g - 1] = q.value(1).toString();
    }
    if (!executer("SELECT code, libelle FROM modificateur ORDER BY code"))
        return false;
    while (q.next()) {
        const QString code = q.value(0).toString();
        if (code.size() == 1)
            m_modificateurs.append({code[0], q.value(1).toString()});
    }
    if (!executer("SELECT code, grille, debut, fin, points_de_base, forfait_centimes, origine "
                  "FROM modificateur_taux ORDER BY debut"))
        return false;
    while (q.next()) {
        const QString code = q.value(0).toString();
        const int g = q.value(1).toInt();
        if (code.size() != 1 || code[0].unicode() >= 128 || g < 1 || g > kNombreGrilles)
            continue;
        const QString fin = q.value(3).toString();
        m_taux[code[0].unicode()][g - 1].append(
            {lireJour(q.value(2).toString()),
             fin.isEmpty() ? 0 : lireJour(fin),
             {q.value(4).toInt(), q.value(5).toLongLong()},
             q.value(6).toString() == QLatin1String("installation")});
    }
    if (!executer("SELECT code, libelle, pour_mille FROM association ORDER BY code"))
        return false;
    while (q.next()) {
        const QString code = q.value(0).toString();
        if (code.size() == 1)
            m_associations.append({code[0], q.value(1).toString(), q.value(2).toInt()});
    }
    const auto lirePaires = [&](const char* sql, Paires& paires) {
        if (!executer(sql))
            return false;
        while (q.next()) {
            const QString a = q.value(0).toString();
            const QString b = q.value(1).toString();
            paires[a].append(periode(b, q, false));
            paires[b].append(periode(a, q, false));
        }
        return true;
    };
    // A reference of version 1 has no table of lifts.
    return lirePaires("SELECT acte1, acte2, debut, fin FROM incompatibilite", m_incompatibilites) &&
           (!m_aPairesEdition ||
            lirePaires("SELECT acte1, acte2, debut, fin FROM compatibilite", m_compatibilites));
}

ReferenceTarifs::Incompatibilite ReferenceTarifs::periode(const QString& autre, const QSqlQuery& q,
                                                          bool avecNote)
{
    const QString fin = q.value(3).toString();
    return {autre, lireJour(q.value(2).toString()), fin.isEmpty() ? 0 : lireJour(fin),
            avecNote ? q.value(4).toLongLong() : 0};
}

QString ReferenceTarifs::libelleGrille(int grille) const
{
    return grille >= 1 && grille <= kNombreGrilles ? m_grilles[grille - 1] : QString();
}

const ReferenceTarifs::DonneesActe& ReferenceTarifs::acte(QStringView code)
{
    static const DonneesActe inconnu;
    const QStringView c = code.trimmed();
    if (c.size() != 7)
        return inconnu;
    const QString cle = c.toString().toUpper();
    if (!estCodeActe(cle))
        return inconnu;
    if (const auto it = m_actes.constFind(cle); it != m_actes.cend())
        return *it;
    if (m_tousCharges)
        return inconnu;

    DonneesActe a;
    bool lu = true;
    QSqlQuery& qa = m_requetes->acte;
    qa.bindValue(0, cle);
    lu = qa.exec();
    if (lu && qa.next()) {
        a.existe = true;
        a.libelle = qa.value(0).toString();
        a.sousConditions = qa.value(1).toBool();
    }
    if (!qa.lastError().isValid() && a.existe) {
        QSqlQuery& qt = m_requetes->tarifs;
        qt.bindValue(0, cle);
        lu = qt.exec();
        while (lu && qt.next())
            ajouterTarif(a, qt, 0);
        lu = lu && !qt.lastError().isValid();
        qt.finish();
        QSqlQuery& ql = m_requetes->listes;
        ql.bindValue(0, cle);
        lu = lu && ql.exec();
        while (lu && ql.next())
            a.listes.append({lireJour(ql.value(0).toString()), ql.value(1).toString()});
        lu = lu && !ql.lastError().isValid();
        ql.finish();
    }
    lu = lu && !qa.lastError().isValid();
    qa.finish();
    if (!lu) {
        // Not remembered: the act is not known to be unknown.
        m_panne = QStringLiteral("référentiel CCAM endommagé : « %1 »").arg(m_chemin);
        static const DonneesActe illisible;
        return illisible;
    }
    // Unknown codes of the right form are remembered too: asking again costs
    // nothing, and their number is bounded by what users type.
    return *m_actes.insert(cle, a);
}

// One row of the tarif table (activite, phase, grille, debut, etat, centimes
// from column premiere on), rows coming in line and date order.
void ReferenceTarifs::ajouterTarif(DonneesActe& a, const QSqlQuery& q, int premiere)
{
    const int activite = q.value(premiere).toInt();
    const int phase = q.value(premiere + 1).toInt();
    const int g = q.value(premiere + 2).toInt();
    if (g < 1 || g > kNombreGrilles)
        return;
    if (a.lignes.isEmpty() || a.lignes.last().activite != activite ||
        a.lignes.last().phase != phase)
        a.lignes.append({activite, phase, {}});
    const int etat = q.value(premiere + 4).toInt();
    const ValeurTarif v{
        etat == 0 ? ValeurTarif::Etat::Tarif
                  : (etat == 1 ? ValeurTarif::Etat::NonPrisEnCharge : ValeurTarif::Etat::Supprime),
        q.value(premiere + 5).toLongLong()};
    a.lignes.last().tarifs[g - 1].append({lireJour(q.value(premiere + 3).toString()), v});
}

void ReferenceTarifs::chargerTousLesActes()
{
    if (m_tousCharges)
        return;
    QHash<QString, DonneesActe> actes;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT code, libelle, rembourse_sous_conditions FROM acte")))
        return;
    while (q.next()) {
        DonneesActe& a = actes[q.value(0).toString()];
        a.existe = true;
        a.libelle = q.value(1).toString();
        a.sousConditions = q.value(2).toBool();
    }
    if (!q.exec(QStringLiteral("SELECT code, activite, phase, grille, debut, etat, centimes FROM "
                               "tarif ORDER BY code, activite, phase, grille, debut")))
        return;
    QString codeCourant;
    DonneesActe* courant = nullptr;
    while (q.next()) {
        const QString code = q.value(0).toString();
        if (code != codeCourant) {
            codeCourant = code;
            const auto it = actes.find(code);
            courant = it == actes.end() ? nullptr : &*it;
        }
        if (courant)
            ajouterTarif(*courant, q, 1);
    }
    if (!q.exec(QStringLiteral("SELECT code, debut, lettres FROM modificateurs_acte ORDER BY "
                               "code, debut")))
        return;
    while (q.next()) {
        const auto it = actes.find(q.value(0).toString());
        if (it != actes.end())
            it->listes.append({lireJour(q.value(1).toString()), q.value(2).toString()});
    }
    m_actes = std::move(actes);
    m_tousCharges = true;
}

bool ReferenceTarifs::acteConnu(QStringView code)
{
    return acte(code).existe;
}

QString ReferenceTarifs::libelleActe(QStringView code)
{
    return acte(code).libelle;
}

QString ReferenceTarifs::modificateursAutorises(QStringView code, std::int64_t jour)
{
    const PointDate<QString>* p = pointEnVigueur(acte(code).listes, jourEdition(jour));
    return p ? p->valeur : QString();
}

// The line that prices the act. Asked for its main line (activity 0): activity
// 1 phase 0, the act as a whole; an act that has no such line (one made of
// phases, or of other activities only) is priced on its first line in
// activity and phase order, and so is activity 1 phase 0 asked of it. Any
// other activity and phase: that line or none.
const ReferenceTarifs::LigneActe* ReferenceTarifs::ligneRetenue(const DonneesActe& a,
                                                                std::int64_t jour, int grille,
                                                                int activite, int phase,
                                                                const ValeurTarif** valeur) const
{
    const bool principale = activite == 0 || (activite == 1 && phase == 0);
    const LigneActe* premiere = nullptr;
    const ValeurTarif* valeurPremiere = nullptr;
    for (const LigneActe& l : a.lignes) {
        const PointDate<ValeurTarif>* p = pointEnVigueur(l.tarifs[grille - 1], jour);
        if (!p || p->valeur.etat == ValeurTarif::Etat::Supprime)
            continue;
        if ((principale && l.activite == 1 && l.phase == 0) ||
            (l.activite == activite && l.phase == phase)) {
            *valeur = &p->valeur;
            return &l;
        }
        if (principale && !premiere) {
            premiere = &l;
            valeurPremiere = &p->valeur;
        }
    }
    *valeur = valeurPremiere;
    return premiere;
}

bool ReferenceTarifs::prixUnitaire(QStringView code, std::int64_t jour, int grille,
                                   ValeurTarif& valeur)
{
    if (grille < 1 || grille > kNombreGrilles)
        return false;
    const ValeurTarif* v = nullptr;
    if (!ligneRetenue(acte(code), jourEdition(jour), grille, 0, 0, &v))
        return false;
    valeur = *v;
    return true;
}

// The rate of a modifier on a day: the installation's table prevails, on its
// own dates; then the rate the edition in force gives.
bool ReferenceTarifs::taux(QChar code, int grille, std::int64_t jour, TauxModificateur& t,
                           bool* installation) const
{
    if (code.unicode() >= 128)
        return false;
    const std::int64_t jourDonnees = jourEdition(jour);
    const LigneTaux* retenue = nullptr;
    for (const LigneTaux& l : m_taux[code.unicode()][grille - 1]) {
        const std::int64_t j = l.installation ? jour : jourDonnees;
        if (l.debut > j || (l.fin != 0 && l.fin < j))
            continue;
        if (!retenue || (l.installation && !retenue->installation) ||
            (l.installation == retenue->installation && l.debut >= retenue->debut))
            retenue = &l;
    }
    if (!retenue)
        return false;
    t = retenue->taux;
    if (installation)
        *installation = retenue->installation;
    return true;
}

QString ReferenceTarifs::libelleModificateur(QChar code) const
{
    for (const Modificateur& m : m_modificateurs) {
        if (m.code == code)
            return m.libelle;
    }
    return QStringLiteral("Modificateur %1").arg(code);
}

const ReferenceTarifs::Incompatibilite* ReferenceTarifs::enVigueur(const Paires& paires,
                                                                   const QString& a,
                                                                   const QString& b,
                                                                   std::int64_t jour)
{
    const auto it = paires.constFind(a);
    if (it == paires.cend())
        return nullptr;
    for (const Incompatibilite& i : *it) {
        if (i.autre == b && i.debut <= jour && (i.fin == 0 || jour <= i.fin))
            return &i;
    }
    return nullptr;
}

const ReferenceTarifs::Paires& ReferenceTarifs::pairesEdition(const QString& code)
{
    if (!m_aPairesEdition || m_pairesEdition.contains(code))
        return m_pairesEdition;
    // An empty list marks an act already read: it is never read twice.
    m_pairesEdition[code];
    QSqlQuery& q = m_requetes->paires;
    q.bindValue(0, code);
    q.bindValue(1, code);
    if (q.exec()) {
        while (q.next()) {
            const QString autre =
                q.value(0).toString() == code ? q.value(1).toString() : q.value(0).toString();
            m_pairesEdition[code].append(periode(autre, q, m_aNotesPaires));
        }
    }
    q.finish();
    return m_pairesEdition;
}

bool ReferenceTarifs::incompatibles(QStringView a, QStringView b, std::int64_t jour, Motif* motif)
{
    const QString x = a.trimmed().toString().toUpper();
    const QString y = b.trimmed().toString().toUpper();
    if (enVigueur(m_incompatibilites, x, y, jour)) {
        // The practice's own table: no note of the edition to quote.
        if (motif)
            *motif = {QStringLiteral("table des actes incompatibles propre au cabinet"), {}};
        return true;
    }
    // The edition's pairs on the edition then in force; the installation's
    // lifts on their own dates, as its rates.
    if (!estCodeActe(x))
        return false;
    const Incompatibilite* paire = enVigueur(pairesEdition(x), x, y, jourEdition(jour));
    if (!paire || enVigueur(m_compatibilites, x, y, jour))
        return false;
    if (!motif)
        return true;
    *motif = {QStringLiteral("règles de facturation de l'édition CCAM %1").arg(m_version), {}};
    // The sentence is read only for a refusal: most pairs are never refused.
    if (paire->note != 0) {
        QSqlQuery& q = m_requetes->note;
        q.bindValue(0, paire->note);
        if (q.exec() && q.next()) {
            motif->note = {q.value(0).toString(), q.value(1).toString()};
        }
        q.finish();
    }
    return true;
}

ReferenceTarifs::Resultat ReferenceTarifs::calculer(const Demande& d, bool expliquer)
{
    Resultat r;
    QStringList& etapes = r.etapes;
    const auto refuser = [&r, &etapes, expliquer](Resultat::Statut statut, const QString& motif) {
        r.statut = statut;
        r.motif = motif;
        r.total = 0;
        if (expliquer)
            etapes.append(motif);
        return r;
    };
    const int grille = d.grille >= 1 && d.grille <= kNombreGrilles ? d.grille : kGrilleSecteur1;
    const QString code = d.code.trimmed().left(20).toString().toUpper();
    const DonneesActe& a = acte(code);
    if (!a.existe && !m_panne.isEmpty())
        return refuser(Resultat::Statut::Endommage, m_panne + QLatin1Char('.'));
    if (!a.existe)
        return refuser(Resultat::Statut::Inconnu,
                       QStringLiteral("L'acte « %1 » est inconnu du référentiel CCAM.").arg(code));
    if (expliquer) {
        if (m_demonstration)
            etapes.append(QStringLiteral("Référentiel de démonstration : tarifs inventés, à ne "
                                         "pas utiliser pour facturer."));
        etapes.append(QStringLiteral("Acte %1 : %2").arg(code, a.libelle));
        etapes.append(QStringLiteral("Date de l'acte : %1 ; grille %2 (%3).")
                          .arg(texteJourFrancais(d.jour))
                          .arg(grille)
                          .arg(libelleGrille(grille)));
    }
    const ValeurTarif* v = nullptr;
    const std::int64_t jourDonnees = jourEdition(d.jour);
    const LigneActe* ligne = ligneRetenue(a, jourDonnees, grille, d.activite, d.phase, &v);
    if (!ligne) {
        if (d.activite != 0 && ligneRetenue(a, jourDonnees, grille, 0, 0, &v))
            return refuser(Resultat::Statut::SansLigne,
                           QStringLiteral("L'acte %1 n'a pas d'activité %2 en phase %3 : "
                                          "pas de tarif.")
                               .arg(code)
                               .arg(d.activite)
                               .arg(d.phase));
        return refuser(Resultat::Statut::HorsVigueur,
                       QStringLiteral("L'acte %1 n'a pas de tarif au %2.")
                           .arg(code, texteJourFrancais(d.jour)));
    }
    r.activite = ligne->activite;
    r.phase = ligne->phase;
    if (v->etat == ValeurTarif::Etat::NonPrisEnCharge) {
        r.statut = Resultat::Statut::NonPrisEnCharge;
        if (expliquer)
            etapes.append(QStringLiteral("Activité %1, phase %2 : non pris en charge : 0 €.")
                              .arg(r.activite)
                              .arg(r.phase));
        return r;
    }
    r.prixUnitaire = v->centimes;
    if (expliquer)
        etapes.append(QStringLiteral("Prix unitaire (activité %1, phase %2) : %3.")
                          .arg(r.activite)
                          .arg(r.phase)
                          .arg(texteEurosFrancais(r.prixUnitaire)));

    // Reimbursable under conditions: the exceptional-reimbursement code says
    // whether the conditions are met. "N" says they are not: the act is not
    // reimbursed. "O", or no code given, prices it.
    const QStringView rbt = d.remboursementExceptionnel.trimmed();
    if (a.sousConditions && rbt.size() == 1 && rbt[0].toUpper() == QLatin1Char('N')) {
        r.statut = Resultat::Statut::NonRembourse;
        if (expliquer)
            etapes.append(QStringLiteral("Acte remboursable sous conditions, remboursement "
                                         "exceptionnel « N » : non remboursé, 0 €."));
        return r;
    }
    if (expliquer && a.sousConditions)
        etapes.append(QStringLiteral("Acte remboursable sous conditions : les conditions sont "
                                     "tenues pour remplies (remboursement exceptionnel « %1 »).")
                          .arg(rbt.toString()));

    // A modifier the act does not allow adds nothing (the act window offers
    // only the allowed ones; a host may ask anything). An allowed modifier
    // without a rate that day cannot be priced: refused.
    const QString* autorises = nullptr;
    if (const PointDate<QString>* p = pointEnVigueur(a.listes, jourDonnees))
        autorises = &p->valeur;
    std::int64_t pointsDeBase = 0;
    std::int64_t forfaits = 0;
    QString comptes;
    for (QStringView brut : d.modificateurs) {
        const QStringView m = brut.trimmed();
        if (m.isEmpty())
            continue;
        const QChar lettre = m[0].toUpper();
        if (comptes.contains(lettre)) {
            if (expliquer)
                etapes.append(QStringLiteral("Modificateur %1 : déjà compté.").arg(lettre));
            continue;
        }
        comptes.append(lettre);
        if (!autorises || !autorises->contains(lettre)) {
            if (expliquer)
                etapes.append(QStringLiteral("Modificateur %1 : non autorisé pour cet acte, "
                                             "ignoré.")
                                  .arg(lettre));
            continue;
        }
        TauxModificateur t;
        bool installation = false;
        if (!taux(lettre, grille, d.jour, t, &installation))
            return refuser(Resultat::Statut::TauxInconnu,
                           QStringLiteral("Le modificateur %1 n'a pas de taux en grille %2 au %3 "
                                          ": pas de tarif.")
                               .arg(lettre)
                               .arg(grille)
                               .arg(texteJourFrancais(d.jour)));
        pointsDeBase += t.pointsDeBase;
        forfaits += t.forfaitCentimes;
        if (expliquer)
            etapes.append(QStringLiteral("Modificateur %1 (%2) : %3 (%4).")
                              .arg(lettre)
                              .arg(libelleSurUneLigne(libelleModificateur(lettre)))
                              .arg(texteTaux(t), installation
                                                     ? QStringLiteral("table de l'installation")
                                                     : QStringLiteral("édition")));
    }

    // "0" or nothing: the act is not associated, full rate.
    std::int64_t pourMille = 1000;
    const QStringView assoc = d.association.trimmed();
    const bool associe = !assoc.isEmpty() && assoc != u"0";
    if (associe) {
        const Association* retenue = nullptr;
        for (const Association& x : m_associations) {
            if (assoc.size() == 1 && x.code == assoc[0])
                retenue = &x;
        }
        if (!retenue)
            return refuser(Resultat::Statut::AssociationInconnue,
                           QStringLiteral("Le code association « %1 » est inconnu du "
                                          "référentiel : pas de tarif.")
                               .arg(assoc.left(10).toString()));
        pourMille = retenue->pourMille;
    }

    // Percentages add up (1.3 and 1.5 make 1.8, not 1.3 x 1.5) and apply to
    // the unit price; the association rate applies to that; flat amounts are
    // added after it, at full rate. One rounding, to the nearest cent, half up.
    const std::int64_t numerateur = r.prixUnitaire * (10000 + pointsDeBase) * pourMille;
    const std::int64_t denominateur = 10000 * 1000;
    r.pointsDeBase = static_cast<std::int32_t>(pointsDeBase);
    r.pourMille = static_cast<int>(pourMille);
    r.forfaits = forfaits;
    r.total = arrondiDivision(numerateur, denominateur) + forfaits;
    r.statut = Resultat::Statut::Tarif;
    if (expliquer && pointsDeBase == 0 && !associe && forfaits == 0) {
        etapes.append(QStringLiteral("Tarif : %1.").arg(texteEurosFrancais(r.total)));
    } else if (expliquer) {
        QString calcul = texteEurosFrancais(r.prixUnitaire);
        if (pointsDeBase != 0)
            calcul += QStringLiteral(" × (100 % + %1)")
                          .arg(textePourcentage(static_cast<std::int32_t>(pointsDeBase)).mid(1));
        if (associe)
            calcul += QStringLiteral(" × %1 (code association %2)")
                          .arg(textePourcentage(static_cast<std::int32_t>(pourMille * 10)).mid(1),
                               assoc.toString());
        if (forfaits != 0)
            calcul += QStringLiteral(" + %1 de forfaits").arg(texteEurosFrancais(forfaits));
        // The rounding is told only when it changes something.
        if (numerateur % denominateur == 0)
            etapes.append(calcul + QStringLiteral(" = %1.").arg(texteEurosFrancais(r.total)));
        else
            etapes.append(calcul + QStringLiteral(" = %1 ; arrondi au centime : %2.")
                                       .arg(texteMontantExact(numerateur + forfaits * denominateur,
                                                              denominateur),
                                            texteEurosFrancais(r.total)));
    }
    if (expliquer && !d.lieu.trimmed().isEmpty())
        etapes.append(QStringLiteral("Code lieu « %1 » : sans effet sur le tarif.")
                          .arg(d.lieu.trimmed().left(10)));
    return r;
}

} // namespace pava
