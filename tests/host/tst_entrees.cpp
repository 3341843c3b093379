// Hostile values on every bus member and malformed commands: no crash, a
// French answer, every database byte for byte as it was.
#include "BusEssai.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "host/JeuDeDonnees.h"

#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QRegularExpression>

using namespace pava;
using namespace pava::test;

class TstEntrees : public QObject
{
    Q_OBJECT

    IsolatedEnvironment m_env;
    OptionsJeuDeDonnees m_jeu;
    QStringList m_bases;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(bus().isConnected(), "ce test tourne sous dbus-run-session");
        const QString r = m_env.root();
        m_jeu.repertoireData = r + QStringLiteral("/data");
        m_jeu.repertoireRsc = r + QStringLiteral("/rsc");
        m_jeu.repertoireSrt = r + QStringLiteral("/srt");
        QVERIFY(creerJeuDeDonnees(m_jeu).reussi);
        const QString ccam001 = m_jeu.repertoireData + QStringLiteral("/CCAM001.mdb");
        QVERIFY(ajouterActesComposes(ccam001, {}));
        QVERIFY(executer(ccam001, "CREATE TABLE PavaCCAM (CodeCCAM, LibelleCCAM, ValeurSS, "
                                  "ValeurReel, EspaceCCAM)"));
        m_bases = {m_jeu.repertoireData + "/CCAM001.mdb", m_jeu.repertoireRsc + "/Cotation.mdb",
                   m_jeu.repertoireSrt + "/srt/CCAM.mdb"};
        QVERIFY(environnementActivation(mondeDuTest(m_env)));
    }
    void cleanupTestCase() { arreterServeur(); }

    // The value in every non-path argument, then the coding window opened
    // with it and the server ended.
    void membresAvecDesValeursHostiles_data()
    {
        QTest::addColumn<QString>("v");
        QTest::newRow("vide") << QString();
        QTest::newRow("1 Mo") << QString(1024 * 1024, QLatin1Char('x'));
        QTest::newRow("caractères de contrôle") << QStringLiteral("\x01\x02\t\r\n\x1b[2J");
        for (const char* v : {"§", "@", "'", "%", "+", ","})
            QTest::newRow(v) << QString::fromUtf8(v);
        QTest::newRow("hors du plan de base") << QStringLiteral("\U0001D11E\U0001F600");
        QTest::newRow("injection SQL") << QStringLiteral("x' OR '1'='1");
    }
    void membresAvecDesValeursHostiles()
    {
        QFETCH(QString, v);
        const QByteArray avant = empreinte(m_bases);
        const QString data = m_jeu.repertoireData;
        const QString chemin = creerObjet();
        const QList<QPair<QString, QVariantList>> appels = {
            {"Init", {v, v, data, data}},  {"GetSRTModificateurs", {}},
            {"GetSRTCodeAssociation", {}}, {"GetSRTModificateursActe", {v}},
            {"GetSRTPrixUnitaire", {v}},   {"GetSRTBaseRemboursementActe", {v, v, v, v, v}},
        };
        for (const auto& [membre, arguments] : appels) {
            const QDBusMessage r = bus().call(appel(chemin, kILecture, membre, arguments));
            QVERIFY2(r.type() == QDBusMessage::ReplyMessage,
                     qPrintable(membre + " : " + r.errorMessage()));
        }
        for (const QString nom : {"CheminData4", "CheminDico4"}) {
            bus().call(appel(chemin, "org.freedesktop.DBus.Properties", "Set",
                             {kILecture, nom, QVariant::fromValue(QDBusVariant(v))}));
            QCOMPARE(propriete(chemin, nom), v);
        }
        const uint pid = pidServeur();
        QDBusPendingCall cotation = bus().asyncCall(
            appel(chemin, kILecture, "GetCotationCCAM", {v, v, data, data, v, m_jeu.repertoireRsc}),
            60000);
        QTRY_VERIFY(bus().call(appel(kFabrique, kIFabrique, "Ping")).type() ==
                    QDBusMessage::ReplyMessage);
        QVERIFY(!cotation.isFinished());
        bus().call(appel(creerObjet(), kILecture, "EndCCAM"), QDBus::Block, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(cotation.isFinished(), 10000);
        QCOMPARE(cotation.reply().type(), QDBusMessage::ErrorMessage);
        QTRY_VERIFY_WITH_TIMEOUT(!processusVivant(pid), 5000);
        QCOMPARE(empreinte(m_bases), avant);
    }

    void commandesMalFormees_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QString>("message");
        const QString srt = m_env.root() + QStringLiteral("/srt");
        using L = QStringList;
        rangee("rien", L{}, 2, "");
        rangee("commande inconnue", L{"cotation"}, 2, "");
        rangee("call sans membre", L{"call"}, 2, "");
        rangee("call, membre inconnu", L{"call", "GetTout"}, 2, "membre inconnu");
        rangee("call, argument manquant", L{"call", "GetSRTPrixUnitaire"}, 2,
               "attend 1 argument(s) (CodeActe)");
        rangee("call, argument de trop", L{"call", "GetSRTModificateurs", "x"}, 2,
               "attend 0 argument(s)");
        rangee("init sans répertoires", L{"init"}, 2, "");
        rangee("init, option sans valeur", L{"init", "--data"}, 2, "");
        rangee("import, fichier absent", L{"reference", "import", "/nul.csv", "--srt", srt}, 1, "");
        rangee("import, injection", L{"reference", "import", "x' OR '1'='1", "--srt", srt}, 1, "");
        rangee("demo, option inconnue", L{"demo", "--vite"}, 2, "");
        // "@serveur": the server's options; an overflowing delay once freed objects.
        rangee("serveur, délai de 3000000 s", L{"@serveur", "--delai-abandon", "3000000"}, 2,
               "de 0 à 86400");
        rangee("serveur, délai d'un jour et une seconde", L{"@serveur", "--delai-abandon", "86401"},
               2, "de 0 à 86400");
        rangee("serveur, délai négatif", L{"@serveur", "--delai-abandon", "-1"}, 2, "de 0 à 86400");
    }
    void commandesMalFormees()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, statut);
        QFETCH(QString, message);
        const bool serveur = arguments.value(0) == u"@serveur";
        if (serveur)
            arguments.removeFirst();
        const QByteArray avant = empreinte(m_bases);
        const QString vide = m_env.root() + QStringLiteral("/vide");
        QDir().mkpath(vide);
        QProcess p;
        p.setWorkingDirectory(vide);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(serveur ? QStringLiteral(PAVACCAM_SERVEUR) : QStringLiteral(PAVACCAM_CLI),
                arguments);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), statut);
        const QString sortie = QString::fromUtf8(p.readAll());
        QVERIFY2(sortie.contains(message) &&
                     sortie.contains(QRegularExpression(
                         QStringLiteral("^(pavaccam|Utilisation|Échec)|\\n(pavaccam|Échec)"))) &&
                     !sortie.contains(QRegularExpression(
                         QStringLiteral("No such|denied|[Ii]nvalid|[Uu]nknown|[Ee]rror"))),
                 qPrintable(sortie));
        QCOMPARE(QDir(vide).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
        QCOMPARE(empreinte(m_bases), avant);
    }
};

QTEST_GUILESS_MAIN(TstEntrees)
#include "tst_entrees.moc"
