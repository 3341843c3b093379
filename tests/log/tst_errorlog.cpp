#include "TestSupport.h"

#include "coding/Windows1252.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

using namespace pava;

class TestErrorLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void entryLayout_data();
    void entryLayout();
    void emptyDescriptionTakesStandardText();
    void rotation_data();
    void rotation();
    void unwritableDirectoryIsSilent();
    void newLogSharedWithGroup_data();
    void newLogSharedWithGroup();

private:
    QString logPath(const test::IsolatedEnvironment& env) const;
};

void TestErrorLog::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

QString TestErrorLog::logPath(const test::IsolatedEnvironment& env) const
{
    return env.home() + QLatin1Char('/') + journal::nomBase() + QStringLiteral(".log.txt");
}

void TestErrorLog::entryLayout_data()
{
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QByteArray>("attendu");
    QTest::newRow("sans detail")
        << ""
        << QByteArray(" : Procedure Ajoute_CCAM : Erreur n\xb0 3021 (Aucun enregistrement)\r\n");
    QTest::newRow("avec detail")
        << QStringLiteral(
               "Ajout cotation dans la base Cotation.mdb : QZJA00210____1 - Plaie - 24.69")
        << QByteArray(" : Procedure Ajoute_CCAM : Erreur n\xb0 3021 (Aucun enregistrement)\r\n"
                      "    -> Ajout cotation dans la base Cotation.mdb : QZJA00210____1 - Plaie - "
                      "24.69\r\n");
}

void TestErrorLog::entryLayout()
{
    QFETCH(QString, detail);
    QFETCH(QByteArray, attendu);
    test::IsolatedEnvironment env;
    QString desc = QStringLiteral("Aucun enregistrement");
    LogErreur(3021, desc, QStringLiteral("Ajoute_CCAM"), detail);
    const QByteArray contenu = test::readFile(logPath(env));
    // "05/12/2026 14:50:41" then the fixed layout.
    static const QRegularExpression date(QStringLiteral(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d$)"));
    QVERIFY2(date.match(QString::fromLatin1(contenu.left(19))).hasMatch(), contenu.constData());
    QCOMPARE(contenu.mid(19), attendu);
}

void TestErrorLog::emptyDescriptionTakesStandardText()
{
    test::IsolatedEnvironment env;
    QString desc;
    LogErreur(53, desc, QStringLiteral("Get_Tarif"), QString());
    QCOMPARE(desc, texteErreur(53));
    QCOMPARE(desc, QStringLiteral("Fichier introuvable"));
    const QString contenu = depuisWindows1252(test::readFile(logPath(env)));
    QVERIFY(contenu.endsWith(QStringLiteral("Erreur n° 53 (Fichier introuvable)\r\n")));
    QCOMPARE(texteErreur(987654),
             QStringLiteral("Erreur définie par l'application ou par l'objet"));
}

void TestErrorLog::rotation_data()
{
    QTest::addColumn<qint64>("tailleAvant");
    QTest::addColumn<bool>("sauvegardeAvant");
    QTest::addColumn<bool>("rotation");
    QTest::newRow("262144 ajoute") << qint64(262144) << true << false;
    QTest::newRow("262145 tourne") << qint64(262145) << true << true;
    QTest::newRow("262145 sans sauvegarde") << qint64(262145) << false << true;
    QTest::newRow("journal absent") << qint64(-1) << false << false;
}

void TestErrorLog::rotation()
{
    QFETCH(qint64, tailleAvant);
    QFETCH(bool, sauvegardeAvant);
    QFETCH(bool, rotation);
    test::IsolatedEnvironment env;
    const QString log = logPath(env);
    const QString bak = journal::cheminSauvegarde();
    QVERIFY(bak.startsWith(env.home()));
    const QByteArray ancien(tailleAvant < 0 ? 0 : tailleAvant, 'a');
    if (tailleAvant >= 0)
        QVERIFY(test::writeFile(log, ancien));
    if (sauvegardeAvant)
        QVERIFY(test::writeFile(bak, "ancienne sauvegarde"));

    QString desc = QStringLiteral("x");
    LogErreur(5, desc, QStringLiteral("P"), QString());

    const QByteArray apres = test::readFile(log);
    QVERIFY(apres.endsWith(" : Procedure P : Erreur n\xb0 5 (x)\r\n"));
    if (rotation) {
        QCOMPARE(test::readFile(bak), ancien);
        QCOMPARE(apres.count('\n'), 1); // only the new entry
    } else {
        QVERIFY(apres.startsWith(ancien));
        QCOMPARE(apres.mid(ancien.size()).count('\n'), 1);
        if (sauvegardeAvant)
            QCOMPARE(test::readFile(bak), QByteArray("ancienne sauvegarde"));
    }
}

void TestErrorLog::unwritableDirectoryIsSilent()
{
    test::IsolatedEnvironment env;
    QString desc = QStringLiteral("x");

    // A directory that does not exist: nothing is created, nothing is thrown.
    qputenv("PAVACCAM_HOME", (env.root() + QStringLiteral("/absent/encore")).toUtf8());
    LogErreur(70, desc, QStringLiteral("P"), QString());
    QVERIFY(!QDir(env.root() + QStringLiteral("/absent")).exists());

    // A "directory" that is a file cannot hold the log, even for root.
    const QString fichier = env.root() + QStringLiteral("/pas-un-repertoire");
    QVERIFY(test::writeFile(fichier, "contenu"));
    qputenv("PAVACCAM_HOME", fichier.toUtf8());
    LogErreur(70, desc, QStringLiteral("P"), QStringLiteral("d"));
    QCOMPARE(test::readFile(fichier), QByteArray("contenu"));
}

void TestErrorLog::newLogSharedWithGroup_data()
{
    QTest::addColumn<bool>("repertoireDuGroupe");
    QTest::newRow("repertoire partage du cabinet") << true;
    QTest::newRow("repertoire personnel") << false;
}

// In the practice's shared home, the next member of the staff must be able to
// append to a log someone else created, whatever the creator's umask.
void TestErrorLog::newLogSharedWithGroup()
{
    QFETCH(bool, repertoireDuGroupe);
    test::IsolatedEnvironment env;
    QFileDevice::Permissions droits =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (repertoireDuGroupe)
        droits |= QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup;
    QVERIFY(QFile::setPermissions(env.home(), droits));
    const mode_t ancien = ::umask(022);
    QString desc = QStringLiteral("x");
    LogErreur(5, desc, QStringLiteral("P"), QString());
    ::umask(ancien);
    QCOMPARE(bool(QFile::permissions(logPath(env)) & QFileDevice::WriteGroup), repertoireDuGroupe);
}

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
