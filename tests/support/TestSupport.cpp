#include "TestSupport.h"

#include "PostgresEssai.h"

#include "coding/Windows1252.h"
#include "db/BasePratique.h"
#include "db/MigrationPratique.h"
#include "host/JeuDeDonnees.h"
#include "log/ErrorLog.h"
#include "session/Chemins.h"
#include "session/Session.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace pava::test {

IsolatedEnvironment::IsolatedEnvironment()
{
    for (const QString& d : {home(), sysconf(), settings()})
        QDir().mkpath(d);
    qputenv("PAVACCAM_HOME", home().toUtf8());
    qputenv("PAVACCAM_SYSCONFDIR", sysconf().toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings());
    if (surPostgres()) {
        const QString uri = nouvelleBasePostgres(&m_moteurAbsent);
        if (!uri.isEmpty())
            qputenv("PAVACCAM_BASE", uri.toUtf8());
    }
}

IsolatedEnvironment::~IsolatedEnvironment()
{
    qunsetenv("PAVACCAM_BASE");
    qunsetenv("PAVACCAM_HOME");
    qunsetenv("PAVACCAM_SYSCONFDIR");
}

void IsolatedEnvironment::writeProfile(const QByteArray& content) const
{
    writeFile(sysconf() + QStringLiteral("/Pavareg.reg"), content);
}

JeuEssai creerJeuEssai(const IsolatedEnvironment& env, const QString& specialite)
{
    JeuEssai jeu{env.root() + QStringLiteral("/data"),
                 env.root() + QStringLiteral("/rsc"),
                 env.root() + QStringLiteral("/srt"),
                 {}};
    OptionsJeuDeDonnees options;
    options.repertoireData = jeu.data;
    options.repertoireRsc = jeu.rsc;
    options.repertoireSrt = jeu.srt;
    options.repertoireProfil = env.sysconf();
    const BilanJeuDeDonnees bilan = creerJeuDeDonnees(options);
    jeu.erreur = bilan.reussi ? QString() : bilan.erreur;
    // On the server, the practice switches as a real one does.
    if (const QString uri = pratique::adresseChoisie(); bilan.reussi && !uri.isEmpty()) {
        const pratique::BilanMigration copie =
            pratique::migrer(jeu.data + QStringLiteral("/CCAM001.mdb"),
                             jeu.rsc + QStringLiteral("/Cotation.mdb"), uri, false);
        jeu.erreur = copie.reussi ? QString() : copie.erreur;
    }
    Session& s = session();
    s.IdentPraticien = QStringLiteral("10000001");
    s.CodeSpecialitePraticien = specialite;
    s.CheminData4Session = jeu.data;
    s.CheminDico4Session = jeu.data;
    s.CheminDataRsc = jeu.rsc;
    return jeu;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray empreinte(const QStringList& fichiers)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const QString& f : fichiers)
        h.addData(readFile(f));
    return h.result();
}

QString journalErreurs(const QString& programme)
{
    return depuisWindows1252(readFile(
        programme.isEmpty() ? journal::cheminJournal()
                            : repertoireProgramme() + QLatin1Char('/') + programme + ".log.txt"));
}

QString sharedCcamCsv()
{
    const QString env = qEnvironmentVariable("PAVACCAM_CCAM_CSV");
    const QString path = env.isEmpty() ? QStringLiteral(PAVACCAM_SHARED_CCAM_CSV) : env;
    return QFileInfo::exists(path) ? QFileInfo(path).canonicalFilePath() : QString();
}

} // namespace pava::test
