#include "PostgresEssai.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pava::test {

namespace {

QString repertoireBinaires()
{
    const QString env = qEnvironmentVariable("PAVACCAM_PG_BIN");
    return env.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : env;
}

// Runs a server program, as the postgres user when we are root (the server
// refuses to run as root); true when it exits with 0.
bool lancer(const QStringList& arguments)
{
    const passwd* pg = ::geteuid() == 0 ? ::getpwnam("postgres") : nullptr;
    QList<QByteArray> octets;
    for (const QString& a : arguments)
        octets << QFile::encodeName(a);
    std::vector<char*> argv;
    for (QByteArray& o : octets)
        argv.push_back(o.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int nul = ::open("/dev/null", O_WRONLY);
        ::dup2(nul, 1);
        ::dup2(nul, 2);
        if (pg && (::setgid(pg->pw_gid) != 0 || ::setuid(pg->pw_uid) != 0))
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int statut = 0;
    return pid > 0 && ::waitpid(pid, &statut, 0) == pid && WIFEXITED(statut) &&
           WEXITSTATUS(statut) == 0;
}

// A test that crashes or is killed runs no destructor: a guardian process,
// forked at once, waits for this process to end (its pipe's other end then
// closes), stops the server and removes its folder, however it ended.
void garder(const QString& dossier)
{
    int tube[2];
    if (::pipe2(tube, O_CLOEXEC) != 0)
        return;
    // All the guardian needs, made before the fork.
    const QByteArray pgCtl = QFile::encodeName(repertoireBinaires() + QStringLiteral("/pg_ctl"));
    const QByteArray donnees = QFile::encodeName(dossier + QStringLiteral("/donnees"));
    const QByteArray racine = QFile::encodeName(dossier);
    const passwd* pg = ::geteuid() == 0 ? ::getpwnam("postgres") : nullptr;
    const uid_t uid = pg ? pg->pw_uid : ::geteuid();
    const gid_t gid = pg ? pg->pw_gid : ::getegid();
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::close(tube[0]); // the write end stays open as long as this process lives
        return;
    }
    const int nul = ::open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2})
        ::dup2(nul, fd);
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != tube[0])
            ::close(fd);
    char c = 0;
    while (::read(tube[0], &c, 1) != 0 && errno == EINTR) {
    }
    if (::fork() == 0) {
        if (::setgid(gid) == 0 && ::setuid(uid) == 0)
            ::execl(pgCtl.constData(), "pg_ctl", "-D", donnees.constData(), "-m", "immediate", "-w",
                    "stop", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::wait(nullptr);
    if (::fork() == 0) {
        ::execl("/bin/rm", "rm", "-rf", racine.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::wait(nullptr);
    ::_exit(0);
}

struct Serveur
{
    QString dossier;
    QString raison;
    bool pret = false;
    int bases = 0;

    Serveur()
    {
        const QString bin = repertoireBinaires();
        if (!QFileInfo(bin + QStringLiteral("/initdb")).isExecutable()) {
            raison = QStringLiteral("serveur PostgreSQL absent (%1/initdb) : installez "
                                    "postgresql-15 (scripts/install-deps.sh)")
                         .arg(bin);
            return;
        }
        QByteArray modele = QByteArrayLiteral("/tmp/pavaccam-pg-XXXXXX");
        if (!::mkdtemp(modele.data())) {
            raison = QStringLiteral("dossier temporaire impossible");
            return;
        }
        dossier = QString::fromLocal8Bit(modele);
        garder(dossier);
        if (::geteuid() == 0) {
            const passwd* pg = ::getpwnam("postgres");
            if (!pg || ::chown(modele.constData(), pg->pw_uid, pg->pw_gid) != 0) {
                raison = QStringLiteral("l'utilisateur postgres manque pour lancer le serveur");
                return;
            }
        }
        const QString donnees = dossier + QStringLiteral("/donnees");
        if (!lancer({bin + QStringLiteral("/initdb"), QStringLiteral("-D"), donnees,
                     QStringLiteral("-U"), QStringLiteral("pavaccam"),
                     QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                     QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")})) {
            raison = QStringLiteral("initdb a échoué dans %1").arg(dossier);
            return;
        }
        pret = demarrer();
        if (!pret)
            raison = QStringLiteral("pg_ctl start a échoué (journal : %1/journal)").arg(dossier);
    }
    bool demarrer() const
    {
        return lancer({repertoireBinaires() + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                       dossier + QStringLiteral("/donnees"), QStringLiteral("-l"),
                       dossier + QStringLiteral("/journal"), QStringLiteral("-o"),
                       QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off").arg(dossier),
                       QStringLiteral("-w"), QStringLiteral("start")});
    }
    bool arreter(const char* mode) const
    {
        return lancer({repertoireBinaires() + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                       dossier + QStringLiteral("/donnees"), QStringLiteral("-m"),
                       QString::fromLatin1(mode), QStringLiteral("-w"), QStringLiteral("stop")});
    }

    ~Serveur()
    {
        if (dossier.isEmpty())
            return;
        if (pret)
            arreter("immediate");
        QDir(dossier).removeRecursively();
    }

    QString uri(const QString& base) const
    {
        return QStringLiteral("postgresql:///%1?host=%2&user=pavaccam").arg(base, dossier);
    }
};

Serveur& serveur()
{
    static Serveur s;
    return s;
}

} // namespace

bool surPostgres()
{
    return qEnvironmentVariable("PAVACCAM_TEST_MOTEUR") == QLatin1String("postgres");
}

QString nouvelleBasePostgres(QString* raison)
{
    Serveur& s = serveur();
    if (!s.pret) {
        if (raison)
            *raison = s.raison;
        return {};
    }
    const QString nom = QStringLiteral("essai_%1").arg(++s.bases);
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("essai-postgres"));
        db.setHostName(s.dossier);
        db.setUserName(QStringLiteral("pavaccam"));
        db.setDatabaseName(QStringLiteral("postgres"));
        ok = db.open() && QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE %1").arg(nom));
        if (!ok && raison)
            *raison = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("essai-postgres"));
    return ok ? s.uri(nom) : QString();
}

bool arreterPostgres()
{
    return serveur().pret && serveur().arreter("fast");
}

bool redemarrerPostgres()
{
    return serveur().pret && serveur().demarrer();
}

bool autrePostePostgres(QProcess& psql, const QString& uri, double secondes,
                        const QString& transaction)
{
    psql.start(repertoireBinaires() + QStringLiteral("/psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                QStringLiteral("-t"), QStringLiteral("-d"), uri});
    psql.write((QStringLiteral("BEGIN; ") + transaction +
                QStringLiteral("; SELECT 'pris'; SELECT pg_sleep(%1); COMMIT;\n").arg(secondes))
                   .toUtf8());
    psql.closeWriteChannel();
    return psql.waitForReadyRead(5000);
}

} // namespace pava::test
