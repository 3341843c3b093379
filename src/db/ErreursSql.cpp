#include "db/ErreursSql.h"

#include "log/TextesErreurs.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace pava {

int codeSqlite(const QSqlError& e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

int numeroErreurSql(const QSqlError& e)
{
    switch (codeSqlite(e)) {
    case 5: // busy
    case 6: // locked
        return erreur::BaseVerrouillee;
    case 8: // read-only
        return erreur::BaseEnLectureSeule;
    case 13: // full
        return erreur::DisquePlein;
    case 19: // constraint
        return erreur::CleDejaUtilisee;
    case 26: // not a database
        return erreur::BaseNonReconnue;
    default:
        break;
    }
    const QString texte = e.databaseText();
    if (texte.contains(QLatin1String("no such table")))
        return erreur::TableIntrouvable;
    if (texte.contains(QLatin1String("no such column")) ||
        texte.contains(QLatin1String("has no column")))
        return erreur::ChampIntrouvable;
    return erreur::ErreurSyntaxe;
}

QString causeRefusEcriture(int numero)
{
    switch (numero) {
    case erreur::BaseVerrouillee:
        return QStringLiteral("la base est verrouillée par un autre poste");
    case erreur::DisquePlein:
        return QStringLiteral("disque plein");
    case erreur::BaseEnLectureSeule:
        return QStringLiteral("la base est en lecture seule");
    default:
        return {};
    }
}

bool ouvrirBaseSqlite(const QString& connexion, const QString& chemin, bool lectureSeule,
                      int attenteMs, int& numero, QString& message)
{
    if (chemin.isEmpty()) {
        numero = erreur::BaseIntrouvable;
        message = QStringLiteral("Aucune base de données n'est indiquée.");
        return false;
    }
    const QFileInfo info(chemin);
    if (!info.exists() || !info.isFile()) {
        numero = erreur::BaseIntrouvable;
        message = QStringLiteral("Base de données introuvable : « %1 ».").arg(chemin);
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        numero = erreur::ComposantIndisponible;
        message =
            QStringLiteral("Le pilote SQLite de Qt n'est pas installé (paquet libqt6sql6-sqlite).");
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexion);
        db.setDatabaseName(chemin);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(attenteMs);
        if (lectureSeule)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (db.open()) {
            // Opening is lazy: the first read tells whether this is a database.
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
                return true;
            const QSqlError e = q.lastError();
            db.close();
            const int code = codeSqlite(e);
            numero = (code == 5 || code == 6) ? erreur::BaseVerrouillee : erreur::BaseNonReconnue;
            message = numero == erreur::BaseVerrouillee
                          ? QStringLiteral("La base « %1 » est verrouillée par un autre programme.")
                                .arg(chemin)
                          : QStringLiteral(
                                "Le fichier « %1 » n'est pas une base de données reconnue (%2).")
                                .arg(chemin, e.databaseText());
        } else {
            numero = erreur::BaseNonReconnue;
            message = QStringLiteral("Impossible d'ouvrir la base « %1 » : %2.")
                          .arg(chemin, db.lastError().text());
        }
    }
    QSqlDatabase::removeDatabase(connexion);
    return false;
}

} // namespace pava
