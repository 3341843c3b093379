#include "practice/PratiqueActes.h"

#include "db/BasePratique.h"
#include "db/DataControl.h"
#include "db/ErreursSql.h"
#include "practice/BaseUtilisateur.h"
#include "practice/Historique.h"
#include "srt/IdentiteFichier.h"
#include "srt/Tarifs.h"

#include <QHash>
#include <QMutex>
#include <QSqlDatabase>
#include <QVariant>

#include <atomic>
#include <optional>

namespace pava {

namespace {

// Below this size a history reads in a few tens of milliseconds.
constexpr qint64 kHistoriqueRapide = 8 * 1024 * 1024;

// What the process read of a history file, and up to which row.
struct Lu
{
    IdentiteFichier identite;
    qint64 ligneDates = 0;  // last rowid read of cotation_date_CCAM
    QString jetonDates;     // its token, to notice a file rewritten in place
    qint64 ligneJetons = 0; // last rowid read of cotation_table_CCAM
    QHash<QString, std::int64_t> actes;
};

QMutex& verrou()
{
    static QMutex m;
    return m;
}

QHash<QString, Lu>& memoire()
{
    static QHash<QString, Lu> m;
    return m;
}

// The act code of a token ("QZJA00210____1" -> "QZJA002"), "" when it has none.
QString codeDuJeton(const QVariant& jeton)
{
    const QString code = jeton.toString().left(7).toUpper();
    return estCodeActe(code) ? code : QString();
}

// Adds what a reading of the history found to what was known of it.
void retenir(const pratique::ActesHistorique& a, QHash<QString, std::int64_t>& actes)
{
    for (const auto& [jeton, jour] : a.datees) {
        const QString code = codeDuJeton(jeton);
        if (code.isEmpty())
            continue;
        std::int64_t& connu = actes[code];
        connu = std::max(connu, jour.isEmpty() ? std::int64_t{0} : lireJour(jour));
    }
    // A token recorded without any dated row is in the history all the same.
    for (const QString& jeton : a.jetons)
        if (const QString code = codeDuJeton(jeton); !code.isEmpty() && !actes.contains(code))
            actes.insert(code, 0);
}

// Reads the rows added since lu was read (all of them for a new Lu).
bool lireAjouts(const QSqlDatabase& db, Lu& lu, QString& erreur)
{
    pratique::ActesHistorique a;
    a.ligneDates = lu.ligneDates;
    a.ligneJetons = lu.ligneJetons;
    if (!pratique::lireActesHistorique(db, a, erreur))
        return false;
    retenir(a, lu.actes);
    if (a.ligneDates != lu.ligneDates) {
        const std::optional<QString> jeton = pratique::jetonDate(db, a.ligneDates);
        if (!jeton) {
            erreur = QStringLiteral("la dernière ligne lue ne peut être relue");
            return false;
        }
        lu.jetonDates = *jeton;
    }
    lu.ligneDates = a.ligneDates;
    lu.ligneJetons = a.ligneJetons;
    return true;
}

// True when the rows read before are still there as they were: the file only
// grew since.
bool seulementAgrandi(const QSqlDatabase& db, const Lu& lu)
{
    if (lu.ligneDates == 0)
        return true;
    const std::optional<QString> jeton = pratique::jetonDate(db, lu.ligneDates);
    return jeton && !jeton->isNull() && *jeton == lu.jetonDates;
}

} // namespace

QList<ActeHabituel> lireHabituels(const QString& repertoireDonnees, QString* erreur)
{
    QList<ActeHabituel> habituels;
    if (repertoireDonnees.trimmed().isEmpty())
        return habituels;
    DataControl table;
    table.setReadOnly(true);
    table.setDatabaseName(base::cheminBase(repertoireDonnees));
    table.setRecordSource(base::sourceHabituels(0)); // by label
    if (!table.refresh()) {
        if (erreur)
            *erreur = table.lastError();
        return habituels;
    }
    for (bool ok = table.moveFirst(); ok && !table.eof(); ok = table.moveNext()) {
        const ActeHabituel a{table.text(QStringLiteral("CodeActe")).trimmed(),
                             table.text(QStringLiteral("Libelle")).trimmed()};
        if (!a.code.isEmpty())
            habituels.append(a);
    }
    return habituels;
}

QString fichierHistorique(const QString& repertoireRsc)
{
    return repertoireRsc.trimmed().isEmpty() ? QString() : historique::cheminBase(repertoireRsc);
}

namespace {

// The history on the practice's server: what the process read of it, and the
// rows added since at each reading.
QHash<QString, std::int64_t> lireHistoriqueServeur(const QString& uri, QString* erreur)
{
    static QHash<QString, std::pair<pratique::ActesHistorique, QHash<QString, std::int64_t>>> lus;
    std::pair<pratique::ActesHistorique, QHash<QString, std::int64_t>> lu;
    {
        const QMutexLocker garde(&verrou());
        lu = lus.value(uri);
    }
    QString raison;
    if (!pratique::lireActesHistorique(uri, lu.first, raison)) {
        if (erreur)
            *erreur = raison;
        return {};
    }
    retenir(lu.first, lu.second);
    lu.first.datees.clear();
    lu.first.jetons.clear();
    const QMutexLocker garde(&verrou());
    lus.insert(uri, lu);
    return lu.second;
}

} // namespace

bool historiqueRapide(const QString& fichier)
{
    if (pratique::estAdresseServeur(fichier))
        return true;
    IdentiteFichier id;
    if (!identiteFichier(fichier, id) || id.taille < kHistoriqueRapide)
        return true;
    const QMutexLocker garde(&verrou());
    const auto it = memoire().constFind(fichier);
    return it != memoire().cend() && it->identite.memeFichier(id);
}

QHash<QString, std::int64_t> lireHistorique(const QString& fichier, QString* erreur)
{
    if (pratique::estAdresseServeur(fichier))
        return lireHistoriqueServeur(fichier, erreur);
    IdentiteFichier id;
    if (!identiteFichier(fichier, id)) {
        if (erreur)
            *erreur = QStringLiteral("Historique des cotations introuvable : « %1 ».").arg(fichier);
        return {};
    }
    Lu lu;
    {
        const QMutexLocker garde(&verrou());
        lu = memoire().value(fichier);
    }
    if (lu.identite == id)
        return lu.actes;
    // Another file in its place (replaced, restored): read it all.
    if (!lu.identite.memeFichier(id))
        lu = Lu{};

    static std::atomic<int> compteur{0};
    const QString nom = QStringLiteral("pava-historique-%1").arg(++compteur);
    int numero = 0;
    QString message;
    // Another workstation may be writing: wait a moment, not more.
    if (!ouvrirBaseSqlite(nom, fichier, true, 200, numero, message)) {
        if (erreur)
            *erreur = message;
        return {};
    }
    QString raison;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::database(nom, false);
        if (!seulementAgrandi(db, lu))
            lu = Lu{};
        ok = lireAjouts(db, lu, raison);
        db.close();
    }
    QSqlDatabase::removeDatabase(nom);
    if (!ok) {
        if (erreur)
            *erreur = QStringLiteral("Historique des cotations « %1 » illisible : %2.")
                          .arg(fichier, raison);
        return {};
    }
    lu.identite = id;
    const QMutexLocker garde(&verrou());
    memoire().insert(fichier, lu);
    return lu.actes;
}

RechercheActes::Pratique lirePratique(const QString& repertoireDonnees,
                                      const QString& repertoireRsc, QStringList* erreurs)
{
    RechercheActes::Pratique pratique;
    QString erreur;
    for (const ActeHabituel& a : lireHabituels(repertoireDonnees, &erreur))
        pratique.habituels.append(a.code);
    if (!erreur.isEmpty() && erreurs)
        erreurs->append(erreur);
    erreur.clear();
    if (const QString fichier = fichierHistorique(repertoireRsc); !fichier.isEmpty())
        pratique.historique = lireHistorique(fichier, &erreur);
    if (!erreur.isEmpty() && erreurs)
        erreurs->append(erreur);
    return pratique;
}

} // namespace pava
