// The error log: the exact layout of an entry (Windows-1252, CRLF), standard
// texts for empty descriptions, rotation past 256 Kio, silence when it cannot
// be written, and a log the practice's staff can share.
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

    // A directory that does not exist is not created; a "directory" that is
    // a file cannot hold the log, even for root. Nothing is thrown.
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

    // In the practice's shared home, the next member of the staff must be able
    // to append to a log someone else created, whatever the creator's umask.
    void newLogSharedWithGroup_data()
    {
        QTest::addColumn<bool>("repertoireDuGroupe");
        rangee("repertoire partage du cabinet", true);
        rangee("repertoire personnel", false);
    }
    void newLogSharedWithGroup()
    {
        QFETCH(bool, repertoireDuGroupe);
        test::IsolatedEnvironment env;
        QCOMPARE(
            ::chmod(QFile::encodeName(env.home()).constData(), repertoireDuGroupe ? 0770 : 0700),
            0);
        const mode_t ancien = ::umask(022);
        consigner(5);
        ::umask(ancien);
        QCOMPARE(bool(QFile::permissions(cheminLog(env)) & QFileDevice::WriteGroup),
                 repertoireDuGroupe);
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
