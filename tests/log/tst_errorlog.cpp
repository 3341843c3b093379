// The error log: the exact layout of an entry (Windows-1252, CRLF), standard
// texts for empty descriptions, rotation past 256 Kio, silence when it cannot
// be written, and a log the practice's staff can share.
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
using test::rangee;

namespace {

QString cheminLog(const test::IsolatedEnvironment& env)
{
    return env.home() + QLatin1Char('/') + journal::nomBase() + QStringLiteral(".log.txt");
}

void consigner(int numero, const QString& procedure = QStringLiteral("P"),
               const QString& detail = {})
{
    QString desc = QStringLiteral("x");
    LogErreur(numero, desc, procedure, detail);
}

} // namespace

class TestErrorLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void entryLayout_data()
    {
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QByteArray>("attendu");
        const QByteArray entree =
            " : Procedure Ajoute_CCAM : Erreur n\xb0 3021 (Aucun enregistrement)\r\n";
        rangee("sans detail", "", entree);
        rangee("avec detail", "Ajout cotation dans la base Cotation.mdb : QZJA00210____1 - Plaie",
               entree + "    -> Ajout cotation dans la base Cotation.mdb : QZJA00210____1 - "
                        "Plaie\r\n");
    }
    void entryLayout()
    {
        QFETCH(QString, detail);
        QFETCH(QByteArray, attendu);
        test::IsolatedEnvironment env;
        QString desc = QStringLiteral("Aucun enregistrement");
        LogErreur(3021, desc, QStringLiteral("Ajoute_CCAM"), detail);
        const QByteArray contenu = test::readFile(cheminLog(env));
        // "05/12/2026 14:50:41" then the fixed layout.
        static const QRegularExpression date(QStringLiteral(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d$)"));
        QVERIFY2(date.match(QString::fromLatin1(contenu.left(19))).hasMatch(), contenu.constData());
        QCOMPARE(contenu.mid(19), attendu);
    }

    void emptyDescriptionTakesStandardText()
    {
        test::IsolatedEnvironment env;
        QString desc;
        LogErreur(53, desc, QStringLiteral("Get_Tarif"), QString());
        QCOMPARE(desc, "Fichier introuvable");
        QVERIFY(depuisWindows1252(test::readFile(cheminLog(env)))
                    .endsWith("Erreur n° 53 (Fichier introuvable)\r\n"));
        QCOMPARE(texteErreur(987654), "Erreur définie par l'application ou par l'objet");
    }

    void rotation_data()
    {
        QTest::addColumn<qint64>("tailleAvant"); // -1: no log yet
        QTest::addColumn<bool>("sauvegardeAvant");
        QTest::addColumn<bool>("rotation");
        rangee("262144 ajoute", qint64(262144), true, false);
        rangee("262145 tourne", qint64(262145), true, true);
        rangee("262145 sans sauvegarde", qint64(262145), false, true);
        rangee("journal absent", qint64(-1), false, false);
    }
    void rotation()
    {
        QFETCH(qint64, tailleAvant);
        QFETCH(bool, sauvegardeAvant);
        QFETCH(bool, rotation);
        test::IsolatedEnvironment env;
        const QString log = cheminLog(env);
        const QString bak = journal::cheminSauvegarde();
        QVERIFY(bak.startsWith(env.home()));
        const QByteArray ancien(std::max<qint64>(tailleAvant, 0), 'a');
        if (tailleAvant >= 0)
            QVERIFY(test::writeFile(log, ancien));
        if (sauvegardeAvant)
            QVERIFY(test::writeFile(bak, "ancienne sauvegarde"));
        consigner(5);
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

    void unwritableDirectoryIsSilent()
    {
        test::IsolatedEnvironment env;
        // A directory that does not exist: nothing is created, nothing is thrown.
        qputenv("PAVACCAM_HOME", (env.root() + QStringLiteral("/absent/encore")).toUtf8());
        consigner(70);
        QVERIFY(!QDir(env.root() + QStringLiteral("/absent")).exists());
        // A "directory" that is a file cannot hold the log, even for root.
        const QString fichier = env.root() + QStringLiteral("/pas-un-repertoire");
        QVERIFY(test::writeFile(fichier, "contenu"));
        qputenv("PAVACCAM_HOME", fichier.toUtf8());
        consigner(70, QStringLiteral("P"), QStringLiteral("d"));
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
        QFileDevice::Permissions droits =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        if (repertoireDuGroupe)
            droits |= QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup;
        QVERIFY(QFile::setPermissions(env.home(), droits));
        const mode_t ancien = ::umask(022);
        consigner(5);
        ::umask(ancien);
        QCOMPARE(bool(QFile::permissions(cheminLog(env)) & QFileDevice::WriteGroup),
                 repertoireDuGroupe);
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
