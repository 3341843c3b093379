#include "srt/ConstructionReference.h"

#include "session/Chemins.h"

#include "srt/Lexique.h"
#include "srt/ReglesFacturation.h"
#include "srt/SchemaReference.h"
#include "srt/TableInstallation.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include <fcntl.h>
#include <unistd.h>

namespace pava {

namespace {

const QString kNomReference = QStringLiteral("CCAM.mdb");
const QString kSuffixeConstruction = QStringLiteral(".construction-");

// A rate of the edition's modifier chapter at a point of its history; an
// unknown rate is a point too (a later edition that no longer gives it).
struct TauxEdition
{
    bool connu = false;
    TauxModificateur taux;
    friend bool operator==(const TauxEdition&, const TauxEdition&) = default;
};

using CleTarif = std::tuple<QString, int, int, int>; // act, activity, phase, grid
using CleTaux = std::pair<char16_t, int>;            // modifier, grid
using Paire = std::pair<QString, QString>;           // two acts, the smaller code first

// A pair of the edition at a point of its history: forbidden or not, and by
// which sentence (none in a period imported before the sentences were kept).
struct EtatPaire
{
    bool interdite = false;
    NoteRegle note;
    friend bool operator==(const EtatPaire&, const EtatPaire&) = default;
};

struct ActeStocke
{
    QString code, libelle, chapitre, nature;
    bool rc = false, ap = false;
    int rang = 0;
    QString debut, fin;
};

struct LigneStockee
{
    int activite = 1, phase = 0;
    QString libelle;
    bool rc = false, ap = false;
    QString exoneration, regroupement;
    int rang = 0;
};

struct EditionStockee
{
    QString date;
    int version = 0;
    QString titre, source, empreinte, dateImport;
    bool demonstration = false;
};

// What the previous reference holds that the new one must keep.
struct Historique
{
    std::map<CleTarif, QList<PointDate<ValeurTarif>>> tarifs;
    std::map<QString, QList<PointDate<QString>>> listes;
    std::map<CleTaux, QList<PointDate<TauxEdition>>> tauxEdition;
    std::map<Paire, QList<PointDate<EtatPaire>>> pairesEdition;
    QHash<QString, ActeStocke> actes;
    QHash<QString, QList<LigneStockee>> lignes;
    QMap<QChar, QString> libellesEdition;
    QList<EditionStockee> editions;
    QString nomInstallation;
    QByteArray installation;
    int versionSchema = 0; // of the file read; older ones are written anew
};

QString nomConnexion(const char* usage)
{
    static std::atomic<int> compteur{0};
    return QStringLiteral("pava-reference-%1-%2").arg(QLatin1String(usage)).arg(++compteur);
}

int etatVersEntier(ValeurTarif::Etat e)
{
    switch (e) {
    case ValeurTarif::Etat::Tarif:
        return 0;
    case ValeurTarif::Etat::NonPrisEnCharge:
        return 1;
    case ValeurTarif::Etat::Supprime:
        break;
    }
    return 2;
}

ValeurTarif::Etat entierVersEtat(int e)
{
    return e == 0 ? ValeurTarif::Etat::Tarif
                  : (e == 1 ? ValeurTarif::Etat::NonPrisEnCharge : ValeurTarif::Etat::Supprime);
}

QVariant texteOuNul(const QString& t)
{
    return t.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(t);
}

// Sets the value of a history from a day on: the points already at or after
// that day are replaced (an edition imported again), and a value equal to the
// one already in force adds no point.
template <typename V>
void poserPoint(QList<PointDate<V>>& points, std::int64_t jour, const V& valeur, const V& absent)
{
    while (!points.isEmpty() && points.last().debut >= jour)
        points.removeLast();
    const V& enVigueur = points.isEmpty() ? absent : points.last().valeur;
    if (enVigueur == valeur)
        return;
    points.append({jour, valeur});
}

// A value known until a day (a rate, a pair of the edition) is read back as a
// point "unknown from the next day"; when another value starts that very day,
// only the known one is kept.
template <typename V, typename Connu> void unPointParJour(QList<PointDate<V>>& points, Connu connu)
{
    QList<PointDate<V>> nets;
    for (const auto& p : points) {
        if (!nets.isEmpty() && nets.last().debut == p.debut)
            nets.last() = connu(p.valeur) ? p : nets.last();
        else
            nets.append(p);
    }
    points = nets;
}

// --- Reading the previous reference -------------------------------------------------------

class LecturePrecedente
{
public:
    LecturePrecedente(const QString& chemin, Historique& h) : m_chemin(chemin), m_h(h) {}
    bool lire(QString& erreur);

private:
    bool requete(QSqlDatabase& db, const QString& sql, const std::function<void(QSqlQuery&)>& f,
                 QString& erreur);

    QString m_chemin;
    Historique& m_h;
};

bool LecturePrecedente::requete(QSqlDatabase& db, const QString& sql,
                                const std::function<void(QSqlQuery&)>& f, QString& erreur)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        erreur = q.lastError().text();
        return false;
    }
    while (q.next())
        f(q);
    return true;
}

bool LecturePrecedente::lire(QString& erreur)
{
    const QString nom = nomConnexion("precedente");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(m_chemin);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        ok = db.open();
        if (!ok)
            erreur = db.lastError().text();
        int versionSchema = 0;
        ok = ok && requete(
                       db, QStringLiteral("PRAGMA user_version"),
                       [&](QSqlQuery& q) { versionSchema = q.value(0).toInt(); }, erreur);
        m_h.versionSchema = versionSchema;
        if (ok && (versionSchema < 1 || versionSchema > kVersionSchema)) {
            erreur = QStringLiteral("ce n'est pas un référentiel de PavaCCAM (version de schéma "
                                    "%1)")
                         .arg(versionSchema);
            ok = false;
        }
        using Lecture = std::function<void(QSqlQuery&)>;
        const std::pair<const char*, Lecture> lectures[] = {
            {"SELECT date_application, version, titre, source, empreinte, date_import, "
             "demonstration FROM edition ORDER BY date_application",
             [&](QSqlQuery& q) {
                 m_h.editions.append({q.value(0).toString(), q.value(1).toInt(),
                                      q.value(2).toString(), q.value(3).toString(),
                                      q.value(4).toString(), q.value(5).toString(),
                                      q.value(6).toBool()});
             }},
            {"SELECT code, activite, phase, grille, debut, etat, centimes FROM tarif ORDER BY "
             "code, activite, phase, grille, debut",
             [&](QSqlQuery& q) {
                 const CleTarif cle{q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(),
                                    q.value(3).toInt()};
                 m_h.tarifs[cle].append(
                     {lireJour(q.value(4).toString()),
                      {entierVersEtat(q.value(5).toInt()), q.value(6).toLongLong()}});
             }},
            {"SELECT code, debut, lettres FROM modificateurs_acte ORDER BY code, debut",
             [&](QSqlQuery& q) {
                 m_h.listes[q.value(0).toString()].append(
                     {lireJour(q.value(1).toString()), q.value(2).toString()});
             }},
            {"SELECT code, grille, debut, fin, points_de_base, forfait_centimes FROM "
             "modificateur_taux WHERE origine = 'edition' ORDER BY code, grille, debut",
             [&](QSqlQuery& q) {
                 const QString code = q.value(0).toString();
                 if (code.size() != 1)
                     return;
                 auto& points = m_h.tauxEdition[{code[0].unicode(), q.value(1).toInt()}];
                 TauxEdition t{true, {q.value(4).toInt(), q.value(5).toLongLong()}};
                 points.append({lireJour(q.value(2).toString()), t});
                 // A rate that ends without a successor: unknown afterwards.
                 if (!q.value(3).isNull())
                     points.append({lireJour(q.value(3).toString()) + 1, TauxEdition{}});
             }},
            {"SELECT code, libelle, chapitre, nature, rembourse_sous_conditions, "
             "accord_prealable, rang, debut, fin FROM acte",
             [&](QSqlQuery& q) {
                 ActeStocke a{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                              q.value(3).toString(), q.value(4).toBool(),   q.value(5).toBool(),
                              q.value(6).toInt(),    q.value(7).toString(), q.value(8).toString()};
                 m_h.actes.insert(a.code, a);
             }},
            {"SELECT code, activite, phase, libelle, rembourse_sous_conditions, accord_prealable, "
             "exoneration, regroupement, rang FROM activite",
             [&](QSqlQuery& q) {
                 m_h.lignes[q.value(0).toString()].append(
                     {q.value(1).toInt(), q.value(2).toInt(), q.value(3).toString(),
                      q.value(4).toBool(), q.value(5).toBool(), q.value(6).toString(),
                      q.value(7).toString(), q.value(8).toInt()});
             }},
            {"SELECT code, libelle FROM modificateur WHERE origine = 'edition'",
             [&](QSqlQuery& q) {
                 const QString code = q.value(0).toString();
                 if (code.size() == 1)
                     m_h.libellesEdition.insert(code[0], q.value(1).toString());
             }},
            {"SELECT nom, contenu FROM installation",
             [&](QSqlQuery& q) {
                 m_h.nomInstallation = q.value(0).toString();
                 m_h.installation = q.value(1).toByteArray();
             }},
        };
        for (const auto& [sql, lecture] : lectures)
            ok = ok && requete(db, QString::fromUtf8(sql), lecture, erreur);
        if (ok && versionSchema >= 2)
            ok = requete(
                db,
                versionSchema >= 3
                    ? QStringLiteral("SELECT acte1, acte2, debut, fin, n.proprietaire, n.phrase "
                                     "FROM incompatibilite_edition LEFT JOIN "
                                     "note_incompatibilite n ON n.id = note ORDER BY acte1, "
                                     "acte2, debut")
                    : QStringLiteral("SELECT acte1, acte2, debut, fin, '', '' FROM "
                                     "incompatibilite_edition ORDER BY acte1, acte2, debut"),
                [&](QSqlQuery& q) {
                    auto& points =
                        m_h.pairesEdition[{q.value(0).toString(), q.value(1).toString()}];
                    points.append({lireJour(q.value(2).toString()),
                                   {true, {q.value(4).toString(), q.value(5).toString()}}});
                    if (!q.value(3).isNull())
                        points.append({lireJour(q.value(3).toString()) + 1, EtatPaire{}});
                },
                erreur);
        db.close();
    }
    QSqlDatabase::removeDatabase(nom);
    // Rates read back end where the next one starts; the "unknown from"
    // points added above may now sit between two known ones: keep them only
    // where no rate starts the same day.
    for (auto& [cle, points] : m_h.tauxEdition)
        unPointParJour(points, [](const TauxEdition& t) { return t.connu; });
    for (auto& [cle, points] : m_h.pairesEdition)
        unPointParJour(points, [](const EtatPaire& e) { return e.interdite; });
    return ok;
}

// --- Writing the new reference ------------------------------------------------------------

class Ecriture
{
public:
    explicit Ecriture(QSqlDatabase& db) : m_db(db) {}

    bool executer(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            return echec(q, sql);
        return true;
    }
    bool preparer(QSqlQuery& q, const QString& sql)
    {
        q = QSqlQuery(m_db);
        return q.prepare(sql) || echec(q, sql);
    }
    bool inserer(QSqlQuery& q, std::initializer_list<QVariant> valeurs)
    {
        int i = 0;
        for (const QVariant& v : valeurs) {
            // A null text would be stored as NULL: the columns that take one
            // are given an explicit NULL (texteOuNul), every other text is text.
            if (v.typeId() == QMetaType::QString && !v.isNull() && v.toString().isNull())
                q.bindValue(i++, QVariant(QString::fromLatin1("")));
            else
                q.bindValue(i++, v);
        }
        return q.exec() || echec(q, q.lastQuery());
    }
    QString erreur() const { return m_erreur; }

private:
    bool echec(const QSqlQuery& q, const QString& sql)
    {
        if (m_erreur.isEmpty())
            m_erreur = QStringLiteral("%1 (%2)").arg(q.lastError().text(), sql.left(80));
        return false;
    }
    QSqlDatabase& m_db;
    QString m_erreur;
};

QStringList instructionsSchema()
{
    QString sql;
    for (const QString& ligne : QString::fromUtf8(kSchemaReference).split(QLatin1Char('\n'))) {
        const qsizetype commentaire = ligne.indexOf(QLatin1String("--"));
        sql += (commentaire < 0 ? ligne : ligne.left(commentaire)) + QLatin1Char('\n');
    }
    QStringList instructions;
    for (const QString& i : sql.split(QLatin1Char(';'))) {
        if (!i.trimmed().isEmpty())
            instructions.append(i.trimmed());
    }
    return instructions;
}

struct AssociationDefaut
{
    const char* code;
    const char* libelle;
    int pourMille;
};

// The association codes of an act line and their rate, as the CCAM's rules of
// association define them; an installation may reword or re-rate them in its
// table.
constexpr AssociationDefaut kAssociations[] = {
    {"1", "Acte à taux plein (acte unique ou premier acte)", 1000},
    {"2", "Acte à 50 % (second acte associé)", 500},
    {"3", "Acte à 75 % (dérogation aux règles d'association)", 750},
    {"4", "Acte à taux plein (dérogation aux règles d'association)", 1000},
    {"5", "Acte à taux plein (actes réalisés à des moments différents)", 1000},
};

// Files of imports that never finished (a process that was killed) are left
// beside the reference; the next import removes those whose process is gone.
void nettoyerConstructionsAbandonnees(const QString& repertoire)
{
    const QDir dir(repertoire);
    const QString motif = kNomReference + kSuffixeConstruction + QLatin1Char('*');
    for (const QString& nom : dir.entryList({motif}, QDir::Files)) {
        const QString pid = nom.mid(kNomReference.size() + kSuffixeConstruction.size());
        bool ok = false;
        pid.toLongLong(&ok);
        if (ok && !QFileInfo::exists(QStringLiteral("/proc/") + pid))
            QFile::remove(dir.filePath(nom));
    }
}

bool synchroniserSurDisque(const QString& chemin)
{
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

class Construction
{
public:
    Construction(const OptionsImport& o, BilanImport& b) : m_options(o), m_bilan(b) {}
    void executer();

private:
    void progression(const QString& etape, int pourcentage)
    {
        if (m_options.progression)
            m_options.progression(etape, pourcentage);
    }
    bool echouer(const QString& message)
    {
        m_bilan.reussi = false;
        m_bilan.erreur = message;
        return false;
    }
    bool lireFichiers();
    bool lireInstallation();
    bool lireLexique();
    bool ecrireLexique(Ecriture& e);
    bool lireHistorique();
    void fusionner();
    bool ecrire(const QString& chemin);
    bool ecrireContenu(Ecriture& e);
    bool ecrireEdition(Ecriture& e);
    bool ecrireActes(Ecriture& e);
    bool ecrireHistoriques(Ecriture& e);
    bool ecrireModificateurs(Ecriture& e);
    bool ecrireInstallation(Ecriture& e);
    void remarques();

    const OptionsImport& m_options;
    BilanImport& m_bilan;
    EditionCcam m_edition;
    ReglesFacturation m_regles;
    QByteArray m_octetsEdition;
    std::int64_t m_jour = 0;
    Historique m_h;
    bool m_historiqueRepris = false;
    bool m_memeEdition = false;
    bool m_memeFichier = false;
    TableInstallation m_table;
    QString m_nomInstallation;
    QByteArray m_installation;
    bool m_installationReprise = false;
    QString m_nomLexique;
    QString m_lexique;
    QStringList m_actesRetires;
};

bool Construction::lireFichiers()
{
    QFile f(m_options.fichierEdition);
    if (!f.open(QIODevice::ReadOnly))
        return echouer(QStringLiteral("impossible de lire « %1 » : %2")
                           .arg(m_options.fichierEdition, raisonFichierIllisible(f.fileName())));
    m_octetsEdition = f.readAll();
    progression(QStringLiteral("Lecture de l'édition"), 0);
    QString erreur;
    if (!lireEditionCcam(m_octetsEdition, m_edition, erreur,
                         [this](int p) { progression(QStringLiteral("Lecture de l'édition"), p); }))
        return echouer(QStringLiteral("« %1 » : %2").arg(m_options.fichierEdition, erreur));
    m_jour = m_edition.dateApplication.toJulianDay();
    m_bilan.version = m_edition.version;
    m_bilan.dateApplication = m_edition.dateApplication;
    m_bilan.demonstration = m_edition.demonstration;
    m_bilan.forme = m_edition.forme.description();
    m_bilan.actes = static_cast<int>(m_edition.actes.size());
    m_bilan.lignes = m_edition.nombreLignesTarif();
    m_bilan.tarifs = m_edition.nombreTarifs();
    m_bilan.listesModificateurs = m_edition.nombreListesModificateurs();
    m_bilan.chapitres = static_cast<int>(m_edition.chapitres.size());
    m_bilan.modificateursDecrits = static_cast<int>(m_edition.modificateurs.size());
    m_bilan.anomalies = m_edition.anomalies;
    m_regles = lireReglesFacturation(m_edition);
    m_bilan.incompatibilitesEdition = static_cast<int>(m_regles.paires.size());
    m_bilan.reglesNonTraduites = m_regles.nonTraduites;
    if (const int n = m_edition.nombreAnomaliesBloquantes(); n > 0 && !m_options.forcer) {
        int premiere = 0;
        for (const Anomalie& a : std::as_const(m_edition.anomalies)) {
            if (a.bloquante && (premiere == 0 || a.ligne < premiere))
                premiere = a.ligne;
        }
        return echouer(QStringLiteral("%1 ligne(s) de l'édition n'ont pas pu être lues, la "
                                      "première ligne %2 (voir ci-dessus) : le référentiel n'est "
                                      "pas modifié. Corrigez le fichier, ou utilisez --forcer "
                                      "pour construire sans elles.")
                           .arg(n)
                           .arg(premiere));
    }
    return true;
}

bool Construction::lireInstallation()
{
    if (m_options.fichierInstallation.isEmpty()) {
        if (m_h.installation.isEmpty())
            return true;
        m_installation = m_h.installation;
        m_nomInstallation = m_h.nomInstallation;
        m_installationReprise = true;
    } else {
        QFile f(m_options.fichierInstallation);
        if (!f.open(QIODevice::ReadOnly))
            return echouer(
                QStringLiteral("impossible de lire la table de l'installation « %1 » "
                               ": %2")
                    .arg(m_options.fichierInstallation, raisonFichierIllisible(f.fileName())));
        m_installation = f.readAll();
        m_nomInstallation = QFileInfo(m_options.fichierInstallation).fileName();
    }
    if (!lireTableInstallation(m_installation, m_table, m_bilan.anomaliesInstallation) &&
        !m_options.forcer)
        return echouer(QStringLiteral("%1 ligne(s) de la table de l'installation « %2 » n'ont "
                                      "pas pu être lues (voir ci-dessus) : le référentiel n'est "
                                      "pas modifié.")
                           .arg(m_bilan.anomaliesInstallation.size())
                           .arg(m_nomInstallation));
    m_bilan.tauxInstallation = static_cast<int>(m_table.taux.size());
    m_bilan.incompatibilites = static_cast<int>(m_table.incompatibilites.size());
    return true;
}

// The practitioners' lexicon goes into the reference as it is, for the act
// search to read with the acts: a lexicon and the edition it was checked
// against travel together. Lines that are not rules are reported, not fatal.
bool Construction::lireLexique()
{
    const QString chemin =
        m_options.fichierLexique.isEmpty() ? lexiqueLivre() : m_options.fichierLexique;
    if (chemin.isEmpty()) {
        m_bilan.remarques.append(QStringLiteral("Lexique des praticiens absent de "
                                                "l'installation : recherche sans lexique."));
        return true;
    }
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return echouer(QStringLiteral("impossible de lire le lexique « %1 » : %2")
                           .arg(chemin, raisonFichierIllisible(f.fileName())));
    m_lexique = QString::fromUtf8(f.readAll());
    m_nomLexique = QFileInfo(chemin).fileName();
    QStringList anomalies;
    const qsizetype regles = pava::lireLexique(m_lexique, m_nomLexique, &anomalies).size();
    m_bilan.reglesLexique = int(regles);
    for (const QString& a : std::as_const(anomalies))
        m_bilan.remarques.append(QStringLiteral("Lexique ignoré en %1.").arg(a));
    return true;
}

bool Construction::ecrireLexique(Ecriture& e)
{
    if (m_lexique.isEmpty())
        return true;
    QSqlQuery q;
    return e.preparer(q, QStringLiteral("INSERT INTO lexique VALUES (?, ?)")) &&
           e.inserer(q, {m_nomLexique, m_lexique});
}

bool Construction::lireHistorique()
{
    const QString chemin = m_bilan.cheminReference;
    if (m_options.nouveau || !QFileInfo::exists(chemin))
        return true;
    QString erreur;
    Historique h;
    if (!LecturePrecedente(chemin, h).lire(erreur))
        return echouer(QStringLiteral("le référentiel existant « %1 » n'est pas lisible (%2) : "
                                      "il n'est pas modifié. Utilisez --nouveau pour le "
                                      "remplacer sans reprendre son historique.")
                           .arg(chemin, erreur));
    const QString date = m_edition.dateApplication.toString(Qt::ISODate);
    for (const EditionStockee& e : h.editions) {
        if (e.date > date)
            return echouer(
                QStringLiteral("le référentiel contient déjà l'édition %1 applicable le %2, "
                               "postérieure à celle-ci (version %3 du %4) : importez les "
                               "éditions de la plus ancienne à la plus récente, ou utilisez "
                               "--nouveau.")
                    .arg(e.version)
                    .arg(texteJourFrancais(lireJour(e.date)))
                    .arg(m_edition.version)
                    .arg(m_edition.dateApplication.toString(QStringLiteral("dd/MM/yyyy"))));
    }
    const bool demoAvant = !h.editions.isEmpty() && h.editions.last().demonstration;
    if (!h.editions.isEmpty() && demoAvant != m_edition.demonstration) {
        m_bilan.remarques.append(
            demoAvant ? QStringLiteral("Le référentiel précédent était une démonstration : il "
                                       "est remplacé sans reprendre son historique.")
                      : QStringLiteral("Le référentiel précédent était réel et cette édition "
                                       "est une démonstration : il est remplacé sans reprendre "
                                       "son historique."));
        // The installation's table is the installation's, not the data set's.
        m_h.installation = h.installation;
        m_h.nomInstallation = h.nomInstallation;
        return true;
    }
    m_h = std::move(h);
    m_historiqueRepris = true;
    return true;
}

void Construction::fusionner()
{
    const ValeurTarif supprime{};
    std::set<CleTarif> vus;
    QSet<QString> actesEdition;
    for (const ActeEdition& a : m_edition.actes) {
        actesEdition.insert(a.code);
        for (const LigneEdition& l : a.lignes) {
            for (int g = 0; g < kNombreGrilles; ++g) {
                const CleTarif cle{a.code, l.activite, l.phase, g + 1};
                vus.insert(cle);
                poserPoint(m_h.tarifs[cle], m_jour, l.tarifs[g], supprime);
            }
        }
        poserPoint(m_h.listes[a.code], m_jour, a.modificateurs, QString());
    }
    for (auto& [cle, points] : m_h.tarifs) {
        if (vus.find(cle) == vus.end())
            poserPoint(points, m_jour, supprime, supprime);
    }
    for (auto& [code, points] : m_h.listes) {
        if (!actesEdition.contains(code))
            poserPoint(points, m_jour, QString(), QString());
    }
    std::map<CleTaux, TauxEdition> tauxDuJour;
    for (const ModificateurEdition& m : m_edition.modificateurs) {
        for (int g = 0; g < kNombreGrilles; ++g)
            tauxDuJour[{m.code.unicode(), g + 1}] = {m.tauxConnu[g], m.taux[g]};
    }
    for (const auto& [cle, taux] : tauxDuJour)
        m_h.tauxEdition[cle];
    for (auto& [cle, points] : m_h.tauxEdition) {
        const auto it = tauxDuJour.find(cle);
        poserPoint(points, m_jour, it == tauxDuJour.end() ? TauxEdition{} : it->second,
                   TauxEdition{});
    }
    for (const ModificateurEdition& m : m_edition.modificateurs)
        m_h.libellesEdition.insert(m.code, m.libelle);

    // A pair of the edition holds from the first edition that forbids it until
    // one no longer does.
    // A sentence reworded by a later edition starts a new period of the pair.
    for (auto& [paire, points] : m_h.pairesEdition)
        poserPoint(points, m_jour, EtatPaire{}, EtatPaire{});
    for (const ReglesFacturation::Paire& p : std::as_const(m_regles.paires))
        poserPoint(m_h.pairesEdition[p.codes], m_jour, EtatPaire{true, p.origine}, EtatPaire{});

    for (auto it = m_h.actes.cbegin(); it != m_h.actes.cend(); ++it) {
        if (!actesEdition.contains(it.key()))
            m_actesRetires.append(it.key());
    }
    std::sort(m_actesRetires.begin(), m_actesRetires.end());
    m_bilan.actesRetires = static_cast<int>(m_actesRetires.size());
}

bool Construction::ecrireEdition(Ecriture& e)
{
    const QString date = m_edition.dateApplication.toString(Qt::ISODate);
    const QString empreinte = QString::fromLatin1(
        QCryptographicHash::hash(m_octetsEdition, QCryptographicHash::Sha256).toHex());
    EditionStockee nouvelle{date,
                            m_edition.version,
                            m_edition.titre,
                            QFileInfo(m_options.fichierEdition).fileName(),
                            empreinte,
                            QDateTime::currentDateTime().toString(Qt::ISODate),
                            m_edition.demonstration};
    QList<EditionStockee> editions;
    for (const EditionStockee& ed : std::as_const(m_h.editions)) {
        if (ed.date != date) {
            editions.append(ed);
        } else {
            m_memeEdition = true;
            // The same file imported again changes nothing, not even this.
            if (ed.empreinte == empreinte) {
                nouvelle = ed;
                m_memeFichier = true;
            }
        }
    }
    editions.append(nouvelle);
    m_bilan.editions = static_cast<int>(editions.size());
    QSqlQuery q;
    if (!e.preparer(q, QStringLiteral("INSERT INTO edition VALUES (?, ?, ?, ?, ?, ?, ?)")))
        return false;
    for (const EditionStockee& ed : editions) {
        if (!e.inserer(q, {ed.date, ed.version, ed.titre, ed.source, ed.empreinte, ed.dateImport,
                           ed.demonstration ? 1 : 0}))
            return false;
    }
    if (!e.preparer(q, QStringLiteral("INSERT INTO grille VALUES (?, ?)")))
        return false;
    for (int g = 0; g < kNombreGrilles; ++g) {
        if (!e.inserer(q, {g + 1, m_edition.grilles[g]}))
            return false;
    }
    QSqlQuery qc, qn;
    if (!e.preparer(qc, QStringLiteral("INSERT INTO chapitre VALUES (?, ?, ?, ?)")) ||
        !e.preparer(qn, QStringLiteral("INSERT INTO note VALUES (?, ?, ?, ?)")))
        return false;
    const auto notes = [&](const QString& genre, const QString& proprietaire,
                           const QStringList& textes) {
        for (int i = 0; i < textes.size(); ++i) {
            if (!e.inserer(qn, {genre, proprietaire, i + 1, textes[i]}))
                return false;
        }
        return true;
    };
    if (!notes(QStringLiteral("edition"), QString(), m_edition.notes))
        return false;
    for (int i = 0; i < m_edition.chapitres.size(); ++i) {
        const ChapitreEdition& c = m_edition.chapitres[i];
        if (!e.inserer(qc, {c.code, texteOuNul(c.parent), i + 1, c.titre}) ||
            !notes(QStringLiteral("chapitre"), c.code, c.notes))
            return false;
    }
    for (const ModificateurEdition& m : m_edition.modificateurs) {
        if (!notes(QStringLiteral("modificateur"), QString(m.code), m.notes))
            return false;
    }
    for (const ActeEdition& a : m_edition.actes) {
        if (!notes(QStringLiteral("acte"), a.code, a.notes))
            return false;
    }
    return true;
}

bool Construction::ecrireActes(Ecriture& e)
{
    QSqlQuery q7, qa, ql, qs;
    if (!e.preparer(q7, QStringLiteral("INSERT INTO CCAM_7 VALUES (?, ?)")) ||
        !e.preparer(qa, QStringLiteral("INSERT INTO acte VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")) ||
        !e.preparer(ql,
                    QStringLiteral("INSERT INTO activite VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")) ||
        !e.preparer(qs, QStringLiteral("INSERT INTO acte_associe VALUES (?, ?, ?)")))
        return false;
    const QString date = m_edition.dateApplication.toString(Qt::ISODate);
    const int n = static_cast<int>(m_edition.actes.size());
    for (int i = 0; i < n; ++i) {
        const ActeEdition& a = m_edition.actes[i];
        const auto ancien = m_h.actes.constFind(a.code);
        const QString debut = ancien != m_h.actes.cend() ? ancien->debut : date;
        if (!e.inserer(q7, {a.code, a.libelle}) ||
            !e.inserer(qa, {a.code, a.libelle, texteOuNul(a.chapitre), a.nature,
                            a.remboursementSousConditions ? 1 : 0, a.accordPrealable ? 1 : 0, i + 1,
                            debut, texteOuNul(QString())}))
            return false;
        for (int j = 0; j < a.lignes.size(); ++j) {
            const LigneEdition& l = a.lignes[j];
            if (!e.inserer(ql, {a.code, l.activite, l.phase, l.libelle,
                                l.remboursementSousConditions ? 1 : 0, l.accordPrealable ? 1 : 0,
                                l.exoneration, l.regroupement, j + 1}))
                return false;
        }
        for (int j = 0; j < a.actesAssocies.size(); ++j) {
            if (!e.inserer(qs, {a.code, j + 1, a.actesAssocies[j]}))
                return false;
        }
        if (i % 1000 == 0)
            progression(QStringLiteral("Écriture du référentiel"), 10 + 50 * i / n);
    }
    // Acts of earlier editions that this one no longer lists stay known, with
    // the date from which they are gone, so that codings made while they were
    // in force still find their label and price.
    for (const QString& code : std::as_const(m_actesRetires)) {
        const ActeStocke& a = m_h.actes[code];
        if (!e.inserer(q7, {a.code, a.libelle}) ||
            !e.inserer(qa, {a.code, a.libelle, texteOuNul(a.chapitre), a.nature, a.rc ? 1 : 0,
                            a.ap ? 1 : 0, a.rang, a.debut, a.fin.isEmpty() ? date : a.fin}))
            return false;
        for (const LigneStockee& l : m_h.lignes.value(code)) {
            if (!e.inserer(ql, {code, l.activite, l.phase, l.libelle, l.rc ? 1 : 0, l.ap ? 1 : 0,
                                l.exoneration, l.regroupement, l.rang}))
                return false;
        }
    }
    return true;
}

bool Construction::ecrireHistoriques(Ecriture& e)
{
    QSqlQuery qt, qm, qp, qn;
    if (!e.preparer(qt, QStringLiteral("INSERT INTO tarif VALUES (?, ?, ?, ?, ?, ?, ?)")) ||
        !e.preparer(qm, QStringLiteral("INSERT INTO modificateurs_acte VALUES (?, ?, ?)")) ||
        !e.preparer(qp,
                    QStringLiteral("INSERT INTO incompatibilite_edition VALUES (?, ?, ?, ?, ?)")) ||
        !e.preparer(qn, QStringLiteral("INSERT INTO note_incompatibilite VALUES (?, ?, ?)")))
        return false;
    const QVariant nul{QMetaType(QMetaType::LongLong)};
    int compteur = 0;
    const int total = static_cast<int>(m_h.tarifs.size()) + 1;
    for (const auto& [cle, points] : m_h.tarifs) {
        for (const PointDate<ValeurTarif>& p : points) {
            const bool prix = p.valeur.etat == ValeurTarif::Etat::Tarif;
            if (!e.inserer(qt, {std::get<0>(cle), std::get<1>(cle), std::get<2>(cle),
                                std::get<3>(cle), texteIso(p.debut), etatVersEntier(p.valeur.etat),
                                prix ? QVariant(qlonglong(p.valeur.centimes)) : nul}))
                return false;
        }
        if (++compteur % 5000 == 0)
            progression(QStringLiteral("Écriture du référentiel"), 60 + 35 * compteur / total);
    }
    for (const auto& [code, points] : m_h.listes) {
        for (const PointDate<QString>& p : points) {
            if (!e.inserer(qm, {code, texteIso(p.debut), p.valeur}))
                return false;
        }
    }
    // One row per sentence, numbered in the order the pairs first cite them.
    std::map<std::pair<QString, QString>, qint64> numeros;
    for (const auto& [paire, points] : m_h.pairesEdition) {
        for (qsizetype i = 0; i < points.size(); ++i) {
            const EtatPaire& etat = points[i].valeur;
            if (!etat.interdite)
                continue;
            QVariant note{QMetaType(QMetaType::LongLong)};
            if (!etat.note.phrase.isEmpty()) {
                const auto [it, nouvelle] = numeros.try_emplace({etat.note.de, etat.note.phrase},
                                                                qint64(numeros.size()) + 1);
                if (nouvelle && !e.inserer(qn, {it->second, etat.note.de, etat.note.phrase}))
                    return false;
                note = it->second;
            }
            const QString fin =
                i + 1 < points.size() ? texteIso(points[i + 1].debut - 1) : QString();
            if (!e.inserer(qp, {paire.first, paire.second, texteIso(points[i].debut),
                                texteOuNul(fin), note}))
                return false;
        }
    }
    return true;
}

bool Construction::ecrireModificateurs(Ecriture& e)
{
    QSqlQuery qt, ql, qv;
    if (!e.preparer(qt,
                    QStringLiteral("INSERT INTO modificateur_taux VALUES (?, ?, ?, ?, ?, ?, ?)")) ||
        !e.preparer(ql, QStringLiteral("INSERT INTO modificateur VALUES (?, ?, ?)")) ||
        !e.preparer(qv, QStringLiteral("INSERT INTO modificateur_variante VALUES (?, ?, ?, ?, ?)")))
        return false;
    for (const auto& [cle, points] : m_h.tauxEdition) {
        for (int i = 0; i < points.size(); ++i) {
            if (!points[i].valeur.connu)
                continue;
            const QString fin =
                i + 1 < points.size() ? texteIso(points[i + 1].debut - 1) : QString();
            const TauxModificateur& t = points[i].valeur.taux;
            if (!e.inserer(qt, {QStringLiteral("edition"), QString(QChar(cle.first)), cle.second,
                                texteIso(points[i].debut), texteOuNul(fin), t.pointsDeBase,
                                qlonglong(t.forfaitCentimes)}))
                return false;
        }
    }
    QMap<QChar, std::pair<QString, QString>> libelles; // wording, origin
    for (auto it = m_h.libellesEdition.cbegin(); it != m_h.libellesEdition.cend(); ++it)
        libelles.insert(it.key(), {it.value(), QStringLiteral("edition")});
    for (const TauxInstallation& t : std::as_const(m_table.taux)) {
        for (int g = 1; g <= kNombreGrilles; ++g) {
            if (t.grille != 0 && t.grille != g)
                continue;
            if (!e.inserer(qt, {QStringLiteral("installation"), QString(t.code), g,
                                texteIso(t.debut), texteOuNul(t.fin ? texteIso(t.fin) : QString()),
                                t.taux.pointsDeBase, qlonglong(t.taux.forfaitCentimes)}))
                return false;
        }
        if (!t.libelle.isEmpty())
            libelles.insert(t.code, {t.libelle, QStringLiteral("installation")});
    }
    // Every modifier an act allows has a wording, even when neither the
    // edition nor the installation describes it.
    for (const ActeEdition& a : m_edition.actes) {
        for (QChar c : a.modificateurs) {
            if (!libelles.contains(c))
                libelles.insert(
                    c, {QStringLiteral("Modificateur %1").arg(c), QStringLiteral("defaut")});
        }
    }
    for (auto it = libelles.cbegin(); it != libelles.cend(); ++it) {
        if (!e.inserer(ql, {QString(it.key()), it.value().first, it.value().second}))
            return false;
    }
    for (const ModificateurEdition& m : m_edition.modificateurs) {
        for (int i = 0; i < m.variantes.size(); ++i) {
            const auto& v = m.variantes[i];
            if (!e.inserer(qv, {QString(m.code), i + 1, v[0], v[1], v[2]}))
                return false;
        }
    }
    return true;
}

bool Construction::ecrireInstallation(Ecriture& e)
{
    QSqlQuery qa, qi, qc, qb;
    if (!e.preparer(qa, QStringLiteral("INSERT OR REPLACE INTO association VALUES (?, ?, ?)")) ||
        !e.preparer(qi, QStringLiteral("INSERT OR REPLACE INTO incompatibilite VALUES (?, ?, ?, "
                                       "?)")) ||
        !e.preparer(qc,
                    QStringLiteral("INSERT OR REPLACE INTO compatibilite VALUES (?, ?, ?, ?)")) ||
        !e.preparer(qb, QStringLiteral("INSERT INTO installation VALUES (?, ?, ?)")))
        return false;
    for (const AssociationDefaut& a : kAssociations) {
        if (!e.inserer(qa, {QString::fromUtf8(a.code), QString::fromUtf8(a.libelle), a.pourMille}))
            return false;
    }
    for (const AssociationInstallation& a : std::as_const(m_table.associations)) {
        if (!e.inserer(qa, {QString(a.code), a.libelle, a.pourMille}))
            return false;
    }
    for (const auto& [requete, paires] :
         {std::pair{&qi, &m_table.incompatibilites}, std::pair{&qc, &m_table.compatibilites}}) {
        for (const PaireInstallation& p : *paires) {
            if (!e.inserer(*requete, {p.acte1, p.acte2, texteIso(p.debut),
                                      texteOuNul(p.fin ? texteIso(p.fin) : QString())}))
                return false;
        }
    }
    if (!m_installation.isEmpty()) {
        const QString empreinte = QString::fromLatin1(
            QCryptographicHash::hash(m_installation, QCryptographicHash::Sha256).toHex());
        if (!e.inserer(qb, {m_nomInstallation, empreinte, m_installation}))
            return false;
    }
    return true;
}

bool Construction::ecrireContenu(Ecriture& e)
{
    for (const QString& instruction : instructionsSchema()) {
        if (!e.executer(instruction))
            return false;
    }
    return ecrireEdition(e) && ecrireActes(e) && ecrireHistoriques(e) && ecrireModificateurs(e) &&
           ecrireInstallation(e) && ecrireLexique(e) &&
           e.executer(QStringLiteral("PRAGMA user_version = %1").arg(kVersionSchema));
}

bool Construction::ecrire(const QString& chemin)
{
    const QString nom = nomConnexion("construction");
    bool ok = false;
    QString erreur;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(chemin);
        if (!db.open()) {
            erreur = db.lastError().text();
        } else {
            Ecriture e(db);
            // A file nobody else sees yet: no journal, no waiting for the disk;
            // it is synchronised once, before it takes the reference's place.
            ok = e.executer(QStringLiteral("PRAGMA journal_mode = OFF")) &&
                 e.executer(QStringLiteral("PRAGMA synchronous = OFF")) &&
                 e.executer(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")) &&
                 e.executer(QStringLiteral("PRAGMA cache_size = -32000")) && db.transaction();
            ok = ok && ecrireContenu(e);
            ok = ok && db.commit();
            erreur = e.erreur().isEmpty() ? db.lastError().text() : e.erreur();
            if (!ok)
                db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    if (!ok)
        return echouer(
            QStringLiteral("écriture du nouveau référentiel impossible : %1").arg(erreur));
    return true;
}

void Construction::remarques()
{
    QStringList& r = m_bilan.remarques;
    int tauxEdition = 0;
    for (const ModificateurEdition& m : m_edition.modificateurs)
        tauxEdition += (m.tauxConnu[0] || m.tauxConnu[1]) ? 1 : 0;
    if (tauxEdition > 0)
        r.append(QStringLiteral("Taux des modificateurs : %1 repris du chapitre des "
                                "modificateurs de l'édition.")
                     .arg(tauxEdition));
    if (!m_table.taux.isEmpty())
        r.append(QStringLiteral("Taux des modificateurs : %1 ligne(s) de la table de "
                                "l'installation « %2 »%3, qui prévalent sur l'édition.")
                     .arg(m_table.taux.size())
                     .arg(m_nomInstallation)
                     .arg(m_installationReprise ? QStringLiteral(" (reprise du référentiel "
                                                                 "précédent)")
                                                : QString()));
    bool tauxAnciens = false;
    for (const auto& [cle, points] : m_h.tauxEdition) {
        for (const auto& p : points)
            tauxAnciens = tauxAnciens || p.valeur.connu;
    }
    if (tauxEdition == 0 && m_table.taux.isEmpty()) {
        r.append(tauxAnciens
                     ? QStringLiteral("Cette édition ne donne aucun taux de modificateur et "
                                      "l'installation non plus : les taux des éditions "
                                      "précédentes ne valent que jusqu'à cette édition ; depuis, "
                                      "les modificateurs n'ajoutent rien au tarif (voir "
                                      "--modifiers).")
                     : QStringLiteral("Aucun taux de modificateur (ni dans l'édition ni dans une "
                                      "table de l'installation) : les modificateurs sont listés "
                                      "mais n'ajoutent rien au tarif. Donnez leurs taux avec "
                                      "--modifiers FICHIER."));
    }
    r.append(QStringLiteral("Règles de facturation de l'édition : %1 paire(s) d'actes "
                            "incompatibles tirées de %2 note(s)%3.")
                 .arg(m_regles.paires.size())
                 .arg(m_regles.notes)
                 .arg(m_regles.nonTraduites.isEmpty()
                          ? QString()
                          : QStringLiteral(" ; %1 règle(s) non traduite(s) en paires (voir "
                                           "ci-dessus)")
                                .arg(m_regles.nonTraduites.size())));
    if (!m_table.incompatibilites.isEmpty())
        r.append(QStringLiteral("%1 paire(s) d'actes incompatibles de la table de "
                                "l'installation.")
                     .arg(m_table.incompatibilites.size()));
    if (!m_table.compatibilites.isEmpty()) {
        int levees = 0;
        for (const PaireInstallation& p : std::as_const(m_table.compatibilites)) {
            const Paire paire =
                p.acte1 < p.acte2 ? Paire{p.acte1, p.acte2} : Paire{p.acte2, p.acte1};
            levees += std::ranges::binary_search(m_regles.paires, paire, {},
                                                 &ReglesFacturation::Paire::codes)
                          ? 1
                          : 0;
        }
        r.append(QStringLiteral("%1 paire(s) de la table de l'installation facturables ensemble "
                                "malgré l'édition, dont %2 que cette édition interdit.")
                     .arg(m_table.compatibilites.size())
                     .arg(levees));
    }
    if (m_historiqueRepris && m_bilan.editions > 1) {
        QStringList versions;
        for (const EditionStockee& e : std::as_const(m_h.editions))
            versions.append(QString::number(e.version));
        if (!m_memeEdition)
            versions.append(QString::number(m_edition.version));
        r.append(QStringLiteral("Historique des tarifs gardé : %1 éditions (versions %2).")
                     .arg(m_bilan.editions)
                     .arg(versions.join(QStringLiteral(", "))));
    }
    if (m_memeFichier && m_h.versionSchema < kVersionSchema)
        r.append(QStringLiteral("Cette édition était déjà dans le référentiel, importée du même "
                                "fichier : le référentiel est réécrit au format de cette version "
                                "de PavaCCAM (les notes des règles de facturation y sont "
                                "ajoutées)."));
    else if (m_memeFichier)
        r.append(QStringLiteral("Cette édition était déjà dans le référentiel, importée du même "
                                "fichier : elle y reste telle quelle."));
    else if (m_memeEdition)
        r.append(QStringLiteral("Cette édition était déjà dans le référentiel : elle y est "
                                "remplacée par ce fichier."));
    if (m_bilan.actesRetires > 0)
        r.append(QStringLiteral("%1 acte(s) des éditions précédentes ne figurent plus dans "
                                "celle-ci : ils restent connus pour les dates antérieures.")
                     .arg(m_bilan.actesRetires));
    if (m_edition.demonstration)
        r.append(QStringLiteral("Référentiel de démonstration : ses libellés et tarifs sont "
                                "inventés, il ne doit pas servir à facturer."));
}

void Construction::executer()
{
    m_bilan.cheminReference = cheminReferenceSrt(m_options.repertoireSrt);
    // The folder first: reading a whole edition to learn then that it cannot
    // be written is a minute lost.
    const QString repertoire = QFileInfo(m_bilan.cheminReference).absolutePath();
    if (!QDir().mkpath(repertoire) || !QFileInfo(repertoire).isWritable()) {
        echouer(QStringLiteral("impossible d'écrire dans le répertoire « %1 » : indiquez avec "
                               "--srt un répertoire où ce compte peut écrire")
                    .arg(repertoire));
        return;
    }
    if (!lireFichiers() || !lireHistorique() || !lireInstallation() || !lireLexique())
        return;
    fusionner();

    nettoyerConstructionsAbandonnees(repertoire);
    const QString temporaire = m_bilan.cheminReference + kSuffixeConstruction +
                               QString::number(QCoreApplication::applicationPid());
    QFile::remove(temporaire);
    progression(QStringLiteral("Écriture du référentiel"), 0);
    if (!ecrire(temporaire)) {
        QFile::remove(temporaire);
        return;
    }
    // The new file takes the old one's place in one step: readers see either
    // the previous reference or the complete new one, never a part.
    synchroniserSurDisque(temporaire);
    if (std::rename(QFile::encodeName(temporaire).constData(),
                    QFile::encodeName(m_bilan.cheminReference).constData()) != 0) {
        QFile::remove(temporaire);
        echouer(QStringLiteral("impossible de remplacer « %1 » par le nouveau référentiel")
                    .arg(m_bilan.cheminReference));
        return;
    }
    synchroniserSurDisque(repertoire);
    progression(QStringLiteral("Écriture du référentiel"), 100);
    remarques();
    m_bilan.reussi = true;
}

} // namespace

QString cheminReferenceSrt(const QString& repertoireSrt)
{
    return CompleteChemin(repertoireSrt) + QStringLiteral("srt/") + kNomReference;
}

BilanImport importerReference(const OptionsImport& options)
{
    BilanImport bilan;
    Construction(options, bilan).executer();
    return bilan;
}

} // namespace pava
