// Bad input at the door: every member of the bus interface called with
// hostile strings, every command of the tool with wrong or missing
// arguments, and a server ended or abandoned while its windows are open. No
// crash, a French answer, and every database byte for byte as it was.
#include "BusEssai.h"
#include "TestSupport.h"

#include "host/JeuDeDonnees.h"

#include <QCryptographicHash>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace pava;
using namespace pava::test;

namespace {

QByteArray empreinte(const QStringList& fichiers)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const QString& f : fichiers)
        h.addData(readFile(f));
    return h.result();
}

} // namespace

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
        // The tables a first coding window adds, there from the start: what
        // follows must change nothing.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "tables");
        db.setDatabaseName(m_jeu.repertoireData + QStringLiteral("/CCAM001.mdb"));
        QVERIFY(db.open());
        for (const char* t : {"PavaACTES (CodeActe, LibelleCCAM, ValeurSS, ValeurReel)",
                              "PavaCCAM (CodeCCAM, LibelleCCAM, ValeurSS, ValeurReel)"})
            QVERIFY(
                db.exec(QStringLiteral("CREATE TABLE ") + QLatin1String(t)).lastError().type() ==
                QSqlError::NoError);
        db.close();
        m_bases = {m_jeu.repertoireData + "/CCAM001.mdb", m_jeu.repertoireRsc + "/Cotation.mdb",
                   m_jeu.repertoireSrt + "/srt/CCAM.mdb"};
        QVERIFY(environnementActivation({
            {QStringLiteral("PAVACCAM_SYSCONFDIR"), m_env.sysconf()},
            {QStringLiteral("PAVACCAM_HOME"), m_env.home()},
            {QStringLiteral("XDG_CONFIG_HOME"), m_env.settings()},
            {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
        }));
    }
    void cleanupTestCase() { arreterServeur(); }

    // Each member with the value in every argument that is not a path (the
    // paths name the practice's real files, so that a value could reach
    // them), then the coding window opened with it and the server ended.
    void membresAvecDesValeursHostiles_data()
    {
        QTest::addColumn<QString>("valeur");
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
        QFETCH(QString, valeur);
        const QString& v = valeur;
        const QByteArray avant = empreinte(m_bases);
        const QString data = m_jeu.repertoireData;
        const QString chemin = creerObjet();
        QVERIFY(!chemin.isEmpty());
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
        for (const char* propriete : {"CheminData4", "CheminDico4"}) {
            const QString proprietes = QStringLiteral("org.freedesktop.DBus.Properties");
            bus().call(appel(
                chemin, proprietes, "Set",
                {kILecture, QString::fromLatin1(propriete), QVariant::fromValue(QDBusVariant(v))}));
            const QDBusMessage lu =
                bus().call(appel(chemin, proprietes, "Get", {kILecture, propriete}));
            QCOMPARE(lu.arguments().value(0).value<QDBusVariant>().variant().toString(), v);
        }
        // The coding window opens on the real files with the value as
        // practitioner, speciality and Cot; the server is then ended.
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

    // The tool with wrong or missing arguments: a French message, a usage
    // or error status, never a crash, nothing written anywhere.
    void commandesMalFormees_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("statut");
        const QString srt = m_env.root() + QStringLiteral("/srt");
        QTest::newRow("rien") << QStringList{} << 2;
        QTest::newRow("commande inconnue") << QStringList{"cotation"} << 2;
        QTest::newRow("call sans membre") << QStringList{"call"} << 2;
        QTest::newRow("call, membre inconnu") << QStringList{"call", "Supprimer"} << 2;
        QTest::newRow("call, argument manquant") << QStringList{"call", "GetSRTPrixUnitaire"} << 2;
        QTest::newRow("call, argument de trop")
            << QStringList{"call", "GetSRTModificateurs", "x"} << 2;
        QTest::newRow("init sans répertoires") << QStringList{"init"} << 2;
        QTest::newRow("init, option sans valeur") << QStringList{"init", "--data"} << 2;
        QTest::newRow("reference sans commande") << QStringList{"reference"} << 2;
        QTest::newRow("import sans fichier")
            << QStringList{"reference", "import", "--srt", srt} << 2;
        QTest::newRow("import d'un fichier absent")
            << QStringList{"reference", "import", "/nulle/part.csv", "--srt", srt} << 1;
        QTest::newRow("import d'une injection")
            << QStringList{"reference", "import", "x' OR '1'='1", "--srt", srt} << 1;
        QTest::newRow("search sans --srt") << QStringList{"reference", "search", "plaie"} << 2;
        QTest::newRow("price, date illisible")
            << QStringList{"reference", "price", "QZJA002", "--date", "hier", "--srt", srt} << 2;
        QTest::newRow("check d'un seul acte")
            << QStringList{"reference", "check", "QZJA002", "--srt", srt} << 2;
        QTest::newRow("demo, option inconnue") << QStringList{"demo", "--vite"} << 2;
    }
    void commandesMalFormees()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, statut);
        const QByteArray avant = empreinte(m_bases);
        const QString vide = m_env.root() + QStringLiteral("/vide");
        QDir().mkpath(vide);
        QProcess p;
        p.setWorkingDirectory(vide);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(PAVACCAM_CLI), arguments);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), statut);
        // Said in French, without a system message in another language.
        const QString sortie = QString::fromUtf8(p.readAll());
        QVERIFY2(sortie.contains(QRegularExpression(
                     QStringLiteral("^(pavaccam|Utilisation|Échec)|\\n(pavaccam|Échec)"))) &&
                     !sortie.contains(QRegularExpression(
                         QStringLiteral("No such|denied|[Ii]nvalid|[Uu]nknown|[Ee]rror"))),
                 qPrintable(sortie));
        QCOMPARE(QDir(vide).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
        QCOMPARE(empreinte(m_bases), avant);
    }

    // A host leaving the bus while its act chooser is open: the server goes
    // on serving the others.
    void hoteQuiPartPendantLeChoixDActe()
    {
        QDBusConnection hote =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("hote"));
        const QString chemin = creerObjet(hote);
        QDBusPendingCall choix = hote.asyncCall(appel(chemin, kILecture, "GetCCAMCode"), 60000);
        QTRY_VERIFY(bus().call(appel(kFabrique, kIFabrique, "Ping")).type() ==
                    QDBusMessage::ReplyMessage);
        const uint pid = pidServeur();
        QDBusConnection::disconnectFromBus(QStringLiteral("hote"));
        QTest::qWait(1500); // past the test server's abandon delay
        QCOMPARE(pidServeur(), pid);
        const QDBusMessage prix = bus().call(
            appel(creerObjet(), kILecture, "GetSRTPrixUnitaire", {QStringLiteral("DEQP003")}));
        QCOMPARE(prix.arguments().value(0).toString(), QStringLiteral("15.50"));
        arreterServeur();
    }
};

QTEST_GUILESS_MAIN(TstEntrees)
#include "tst_entrees.moc"
