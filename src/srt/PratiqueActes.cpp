#include "srt/PratiqueActes.h"

#include "db/BasePratique.h"
#include "db/DataControl.h"
#include "db/ErreursSql.h"
#include "srt/IdentiteFichier.h"
#include "srt/Tarifs.h"
#include "workspace/BaseUtilisateur.h"
#include "workspace/Historique.h"

#include <QHash>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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

// The token of a dated row, which tells later whether that row is still the
// same; nothing when it cannot be read.
std::optional<QString> jetonDeLaLigne(QSqlQuery& q, qint64 ligne)
{
    if (!q.prepare(QStringLiteral("SELECT cot__date FROM cotation_date_CCAM WHERE rowid = ?")))
        return std::nullopt;
    q.addBindValue(ligne);
    if (!q.exec())
        return std::nullopt;
    return q.next() ? q.value(0).toString() : QString();
}

// Reads the rows added since lu was read (all of them for a new Lu).
bool lireAjouts(QSqlDatabase& db, Lu& lu, QString& erreur)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const auto echec = [&]() {
        erreur = q.lastError().text();
        return false;
    };
    // A date the other tools may have written another way is read as
    // "unknown": the act is ranked after those with a date.
    if (!q.prepare(QStringLiteral(
            "SELECT substr(cot__date, 1, 7), max(CASE "
            "WHEN date_valid GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]*' "
            "THEN substr(date_valid, 1, 10) "
            "WHEN date_valid GLOB '[0-9][0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9]*' "
            "THEN substr(date_valid, 7, 4) || '-' || substr(date_valid, 4, 2) || '-' || "
            "substr(date_valid, 1, 2) END), max(rowid) "
            "FROM cotation_date_CCAM WHERE rowid > ? GROUP BY 1")))
        return echec();
    q.addBindValue(lu.ligneDates);
    if (!q.exec())
        return echec();
    qint64 derniere = lu.ligneDates;
    while (q.next()) {
        derniere = std::max(derniere, q.value(2).toLongLong());
        const QString code = codeDuJeton(q.value(0));
        if (code.isEmpty())
            continue;
        const std::int64_t jour = q.value(1).isNull() ? 0 : lireJour(q.value(1).toString());
        std::int64_t& connu = lu.actes[code];
        connu = std::max(connu, jour);
    }
    if (derniere != lu.ligneDates) {
        const std::optional<QString> jeton = jetonDeLaLigne(q, derniere);
        if (!jeton)
            return echec();
        lu.jetonDates = *jeton;
        lu.ligneDates = derniere;
    }
    // A token recorded without any dated row is in the history all the same.
    if (!q.prepare(QStringLiteral("SELECT substr(cot, 1, 7), max(rowid) FROM cotation_table_CCAM "
                                  "WHERE rowid > ? GROUP BY 1")))
        return echec();
    q.addBindValue(lu.ligneJetons);
    if (!q.exec())
        return echec();
    while (q.next()) {
        lu.ligneJetons = std::max(lu.ligneJetons, q.value(1).toLongLong());
        if (const QString code = codeDuJeton(q.value(0));
            !code.isEmpty() && !lu.actes.contains(code))
            lu.actes.insert(code, 0);
    }
    return true;
}

// True when the rows read before are still there as they were: the file only
// grew since.
bool seulementAgrandi(QSqlDatabase& db, const Lu& lu)
{
    if (lu.ligneDates == 0)
        return true;
    QSqlQuery q(db);
    const std::optional<QString> jeton = jetonDeLaLigne(q, lu.ligneDates);
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
    table.setRecordSource(QStringLiteral("SELECT CodeActe, Libelle FROM CCAM_7 ORDER BY Libelle"));
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
    lu.first.actes.clear();
    QString raison;
    if (!pratique::lireActesHistorique(uri, lu.first, raison)) {
        if (erreur)
            *erreur = raison;
        return {};
    }
    for (const auto& [jeton, date] : lu.first.actes) {
        const QString code = codeDuJeton(jeton);
        if (code.isEmpty())
            continue;
        std::int64_t& connu = lu.second[code];
        connu = std::max<std::int64_t>(connu, date.isValid() ? date.toJulianDay() : 0);
    }
    lu.first.actes.clear();
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
