#include "db/ErreursSql.h"

#include "db/BasePratique.h"
#include "log/TextesErreurs.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pava {

int codeSqlite(const QSqlError& e)
{
    bool ok = false;
    const QString texte = e.nativeErrorCode();
    const int code = texte.size() < 5 ? texte.toInt(&ok) : 0;
    return ok ? (code & 0xFF) : -1;
}

namespace {

// A server's error is named by its five-character SQLSTATE; SQLite's codes
// are numbers of at most four digits.
QString etatSql(const QSqlError& e)
{
    const QString code = e.nativeErrorCode();
    return code.size() == 5 ? code : QString();
}

// What libpq says when the server went away or cannot be reached (it gives
// no SQLSTATE for a connection it lost itself).
bool connexionPerdue(const QSqlError& e)
{
    static const char* const signes[] = {"server closed the connection",
                                         "no connection to the server",
                                         "could not connect to server",
                                         "connection to server",
                                         "terminating connection",
                                         "could not send data to server",
                                         "could not receive data from server",
                                         "SSL SYSCALL error",
                                         "connection not open"};
    const QString texte = e.databaseText() + u' ' + e.driverText();
    for (const char* s : signes)
        if (texte.contains(QLatin1String(s), Qt::CaseInsensitive))
            return true;
    return false;
}

int numeroEtatSql(const QString& etat)
{
    if (etat.startsWith(QLatin1String("08")) || etat.startsWith(QLatin1String("57P")) ||
        etat == u"53300")
        return erreur::ServeurInjoignable;
    if (etat == u"55P03" || etat == u"40001" || etat == u"40P01" || etat == u"57014")
        return erreur::BaseVerrouillee;
    if (etat == u"25006" || etat == u"42501")
        return erreur::BaseEnLectureSeule;
    if (etat == u"53100")
        return erreur::DisquePlein;
    if (etat.startsWith(QLatin1String("23")))
        return erreur::CleDejaUtilisee;
    if (etat == u"42P01")
        return erreur::TableIntrouvable;
    if (etat == u"42703")
        return erreur::ChampIntrouvable;
    if (etat.startsWith(QLatin1String("XX")))
        return erreur::BaseNonReconnue;
    return erreur::ErreurSyntaxe;
}

} // namespace

int numeroErreurSql(const QSqlError& e)
{
    if (const QString etat = etatSql(e); !etat.isEmpty())
        return numeroEtatSql(etat);
    if (connexionPerdue(e))
        return erreur::ServeurInjoignable;
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
    case 11: // damaged
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

QString raisonSql(const QSqlError& e, const QString& chemin)
{
    if (!etatSql(e).isEmpty() || connexionPerdue(e)) {
        // The server's first line; the rest repeats the statement.
        const QString texte = e.databaseText().trimmed().section(u'\n', 0, 0);
        switch (numeroErreurSql(e)) {
        case erreur::ServeurInjoignable:
            return QStringLiteral("le serveur de la base « %1 » ne répond plus (%2) ; ce qui "
                                  "était enregistré avant reste sur le serveur, réessayez quand "
                                  "il sera revenu")
                .arg(chemin, texte.isEmpty() ? e.driverText() : texte);
        case erreur::BaseVerrouillee:
            return QStringLiteral("la base « %1 » est occupée par un autre poste").arg(chemin);
        case erreur::BaseEnLectureSeule:
            return QStringLiteral("la base « %1 » refuse l'écriture à cet utilisateur (%2)")
                .arg(chemin, texte);
        case erreur::DisquePlein:
            return QStringLiteral("disque plein sur le serveur de la base « %1 »").arg(chemin);
        default:
            return texte;
        }
    }
    switch (numeroErreurSql(e)) {
    case erreur::BaseVerrouillee:
        return QStringLiteral("la base « %1 » est verrouillée par un autre poste").arg(chemin);
    case erreur::BaseEnLectureSeule:
        return QStringLiteral("la base « %1 » est en lecture seule").arg(chemin);
    case erreur::DisquePlein:
        return QStringLiteral("disque plein : la base « %1 » ne peut plus grandir").arg(chemin);
    case erreur::BaseNonReconnue:
        return QStringLiteral("la base « %1 » est endommagée (%2)").arg(chemin, e.databaseText());
    default:
        return e.databaseText();
    }
}

namespace {

// What stands at the path, looked at before SQLite is handed it: a regular
// file (a FIFO would block the opening, a device is no database) that starts
// as every SQLite database does. An empty file would otherwise be taken as a
// new, empty database and get tables written into it. A file to be written
// is not reached through a symbolic link: in a folder the practice shares, a
// link may lead to somebody else's file.
bool fichierDeBase(const QString& chemin, bool lectureSeule, QString& raison)
{
    const QByteArray nom = QFile::encodeName(chemin);
    const int fd = ::open(nom.constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | (lectureSeule ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        raison = errno == ELOOP ? QStringLiteral("« %1 » est un lien symbolique : PavaCCAM "
                                                 "n'écrit pas dans un fichier atteint par un "
                                                 "lien.")
                                      .arg(chemin)
                                : QStringLiteral("Impossible de lire « %1 » : %2.")
                                      .arg(chemin, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    QString message;
    struct stat etat = {};
    char entete[16] = {};
    const bool regulier = ::fstat(fd, &etat) == 0 && S_ISREG(etat.st_mode);
    const ssize_t lus = regulier ? ::pread(fd, entete, sizeof entete, 0) : 0;
    ::close(fd);
    if (!regulier)
        message = QStringLiteral("« %1 » n'est pas un fichier ordinaire : ce n'est pas une base "
                                 "de données.")
                      .arg(chemin);
    else if (etat.st_size == 0)
        message = QStringLiteral("Le fichier « %1 » est vide : ce n'est pas une base de données, "
                                 "PavaCCAM n'y écrit rien.")
                      .arg(chemin);
    else if (lus != sizeof entete || std::memcmp(entete, "SQLite format 3", 16) != 0)
        message = QStringLiteral("Le fichier « %1 » n'est pas une base de données reconnue : "
                                 "PavaCCAM n'y écrit rien.")
                      .arg(chemin);
    raison = message;
    return message.isEmpty();
}

} // namespace

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
    if (!fichierDeBase(chemin, lectureSeule, message)) {
        numero = erreur::BaseNonReconnue;
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

namespace pava {

bool ouvrirBase(const QString& connexion, const QString& nom, bool lectureSeule, int attenteMs,
                int& numero, QString& message)
{
    if (pratique::estAdresseServeur(nom))
        return pratique::ouvrirBaseServeur(connexion, nom, lectureSeule, attenteMs, numero,
                                           message);
    return ouvrirBaseSqlite(connexion, nom, lectureSeule, attenteMs, numero, message);
}

bool verifierIntegrite(const QString& connexion, int& numero, QString& message)
{
    QSqlDatabase db = QSqlDatabase::database(connexion, false);
    // The server keeps its own pages whole; there is nothing to check here.
    if (pratique::estServeur(db))
        return true;
    QSqlQuery q(db);
    // The quick form: every page and every record read, without comparing
    // indexes to their tables, which a file of habitual codings or a
    // history's first indexing can afford.
    if (q.exec(QStringLiteral("PRAGMA quick_check")) && q.next() &&
        q.value(0).toString() == QLatin1String("ok"))
        return true;
    const QSqlError e = q.lastError();
    const int code = codeSqlite(e);
    if (code == 5 || code == 6) {
        numero = erreur::BaseVerrouillee;
        message = QStringLiteral("La base « %1 » est verrouillée par un autre poste.")
                      .arg(db.databaseName());
        return false;
    }
    numero = erreur::BaseNonReconnue;
    message = QStringLiteral("La base « %1 » est endommagée (%2) : PavaCCAM n'y écrit rien. "
                             "Restaurez-la depuis une sauvegarde.")
                  .arg(db.databaseName(),
                       e.isValid() ? e.databaseText() : q.value(0).toString().left(200));
    return false;
}

} // namespace pava
