// The error log: the exact layout of an entry (Windows-1252, CRLF), standard
// texts for empty descriptions, rotation past 256 Kio, silence when it cannot
// be written, and where it goes (a planted file at its name: tst_foyer).
#include "TestSupport.h"

#include "coding/Windows1252.h"
#include "log/ErrorLog.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

using namespace pava;
using test::rangee;

namespace {

QString cheminLog(const test::IsolatedEnvironment& env)
{
    return env.home() + QLatin1Char('/') + journal::nomBase() + QStringLiteral(".log.txt");
}

void consigner(int numero)
{
    QString desc = QStringLiteral("x");
    LogErreur(numero, desc, QStringLiteral("P"), {});
}

} // namespace

class TestErrorLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void entryLayout_data()
    {
        QTest::addColumn<int>("numero");
        QTest::addColumn<QString>("description"); // empty: the number's standard text
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QByteArray>("attendu");
        const QByteArray procedure = " : Procedure Ajoute_CCAM : Erreur n\xb0 ";
        const QByteArray entree = procedure + "3021 (Aucun enregistrement)\r\n";
        rangee("sans detail", 3021, "Aucun enregistrement", "", entree);
        rangee("avec detail", 3021, "Aucun enregistrement", "Ajout : QZJA00210____1 - Plaie",
               entree + "    -> Ajout : QZJA00210____1 - Plaie\r\n");
        rangee("description vide", 53, "", "", procedure + "53 (Fichier introuvable)\r\n");
        rangee("numero sans texte", 987654, "", "",
               procedure + "987654 (Erreur d\351finie par l'application ou par l'objet)\r\n");
    }
    void entryLayout()
    {
        QFETCH(int, numero);
        QFETCH(QString, description);
        QFETCH(QString, detail);
        QFETCH(QByteArray, attendu);
        test::IsolatedEnvironment env;
        LogErreur(numero, description, QStringLiteral("Ajoute_CCAM"), detail);
        // The caller goes on to show the description the entry holds.
        QVERIFY(attendu.contains('(' + versWindows1252(description) + ")\r\n"));
        const QByteArray contenu = test::readFile(cheminLog(env));
        const QString date = QString::fromLatin1(contenu.left(19));
        QVERIFY2(QDateTime::fromString(date, "dd/MM/yyyy hh:mm:ss").isValid(), contenu.constData());
        QCOMPARE(contenu.mid(19), attendu);
    }

    void rotation_data()
    {
        QTest::addColumn<qint64>("tailleAvant");
        QTest::addColumn<bool>("rotation");
        rangee("262144 ajoute", qint64(262144), false);
        rangee("262145 tourne", qint64(262145), true);
    }
    void rotation()
    {
        QFETCH(qint64, tailleAvant);
        QFETCH(bool, rotation);
        test::IsolatedEnvironment env;
        const QByteArray ancien(tailleAvant, 'a');
        QVERIFY(test::writeFile(cheminLog(env), ancien));
        QVERIFY(test::writeFile(journal::cheminSauvegarde(), "ancienne sauvegarde"));
        consigner(5);
        const QByteArray apres = test::readFile(cheminLog(env));
        QVERIFY(apres.endsWith(" : Procedure P : Erreur n\xb0 5 (x)\r\n"));
        QCOMPARE(apres.count('\n'), 1);
        QCOMPARE(apres.startsWith(ancien), !rotation);
        QCOMPARE(test::readFile(journal::cheminSauvegarde()),
                 rotation ? ancien : QByteArray("ancienne sauvegarde"));
    }

    // A missing directory is not created, a file in its place is untouched.
    void unwritableDirectoryIsSilent()
    {
        test::IsolatedEnvironment env;
        const QString fichier = env.root() + QStringLiteral("/pas-un-repertoire");
        QVERIFY(test::writeFile(fichier, "contenu"));
        for (const QString& home : {env.root() + QStringLiteral("/absent/encore"), fichier}) {
            qputenv("PAVACCAM_HOME", home.toUtf8());
            consigner(70);
        }
        QVERIFY(!QDir(env.root() + QStringLiteral("/absent")).exists());
        QCOMPARE(test::readFile(fichier), QByteArray("contenu"));
    }

    // In the user's state folder unless PAVACCAM_HOME names one; 0660 whatever the umask.
    void whereTheLogGoes_data()
    {
        QTest::addColumn<QString>("home");    // PAVACCAM_HOME, under the test's root
        QTest::addColumn<QString>("etat");    // XDG_STATE_HOME, under the root when absolute
        QTest::addColumn<QString>("attendu"); // the log's folder, under the root
        rangee("PAVACCAM_HOME d'abord", "home", "/etat", "home");
        rangee("dossier d'état XDG", "", "/etat", "etat/pavaccam");
        rangee("sans dossier d'état", "", "", "maison/.local/state/pavaccam");
        rangee("dossier d'état relatif, ignoré", "", "relatif", "maison/.local/state/pavaccam");
    }
    void whereTheLogGoes()
    {
        QFETCH(QString, home);
        QFETCH(QString, etat);
        QFETCH(QString, attendu);
        test::IsolatedEnvironment env;
        const QByteArray maisonAvant = qgetenv("HOME");
        const QByteArray etatAvant = qgetenv("XDG_STATE_HOME");
        qputenv("HOME", (env.root() + "/maison").toUtf8());
        qputenv("XDG_STATE_HOME", (etat.startsWith('/') ? env.root() + etat : etat).toUtf8());
        qputenv("PAVACCAM_HOME",
                home.isEmpty() ? QByteArray() : (env.root() + '/' + home).toUtf8());
        const mode_t ancien = ::umask(077);
        consigner(5);
        ::umask(ancien);
        qputenv("HOME", maisonAvant);
        qputenv("XDG_STATE_HOME", etatAvant);
        const QString chemin =
            env.root() + '/' + attendu + '/' + journal::nomBase() + QStringLiteral(".log.txt");
        QVERIFY2(test::readFile(chemin).endsWith("(x)\r\n"), qPrintable(chemin));
        struct stat etatFichier
        {};
        QCOMPARE(::stat(QFile::encodeName(chemin).constData(), &etatFichier), 0);
        QCOMPARE(etatFichier.st_mode & 0777, 0660u);
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
