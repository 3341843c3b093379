#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTest>

namespace pava::test {

// One row of a data table: rangee("nom", a, b) is QTest::newRow("nom") << a << b.
template <typename... T> void rangee(const char* nom, const T&... valeurs)
{
    (QTest::newRow(nom) << ... << valeurs);
}

// Gives a test its own world: a temporary directory that holds the per-user
// settings, the program's home (complement files, error log) and the system
// configuration directory (profile file). Nothing touches the developer's home.
class IsolatedEnvironment
{
public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();

    QString root() const { return m_dir.path(); }
    // PAVACCAM_HOME, PAVACCAM_SYSCONFDIR (where Pavareg.reg lives), the
    // QSettings user scope.
    QString home() const { return root() + QStringLiteral("/home"); }
    QString sysconf() const { return root() + QStringLiteral("/etc"); }
    QString settings() const { return root() + QStringLiteral("/config"); }

    // Writes Pavareg.reg in sysconf() with the given raw content.
    void writeProfile(const QByteArray& content) const;

    // On the PostgreSQL runs, the practice's data goes to a database of its
    // own (PAVACCAM_BASE names it); why it could not be made, for QSKIP.
    QString moteurAbsent() const { return m_moteurAbsent; }

private:
    QTemporaryDir m_dir;
    QString m_moteurAbsent;
};

// Skips the test when its engine is not there (PostgreSQL runs without a server).
#define PAVA_MOTEUR_REQUIS(env)                                                                    \
    do {                                                                                           \
        if (!(env).moteurAbsent().isEmpty())                                                       \
            QSKIP(qPrintable((env).moteurAbsent()));                                               \
    } while (0)

// A complete practice for window tests, under env.root(): the user database
// with its habitual codings (data), an empty coding history (rsc), the
// demonstration reference (srt) and the profile naming it; the session's host
// values point at it (practitioner "10000001", speciality given).
struct JeuEssai
{
    QString data;
    QString rsc;
    QString srt;
    QString erreur; // French, when it could not be made
};
JeuEssai creerJeuEssai(const IsolatedEnvironment& env,
                       const QString& specialite = QStringLiteral("13"));

// Writes bytes to a file, creating directories; returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// A fingerprint of files' bytes, to tell they are untouched.
QByteArray empreinte(const QStringList& fichiers);

// The error log as text: this program's, or another program's of the same
// home ("pavaccam" for the command-line tool).
QString journalErreurs(const QString& programme = QString());

// The real CCAM edition shipped beside the project, or "" when it is absent
// (tests that need it call QSKIP).
QString sharedCcamCsv();

} // namespace pava::test
