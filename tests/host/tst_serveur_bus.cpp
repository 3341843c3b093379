// The automation server over a real session bus (a private one, started by
// dbus-run-session): activation, every member called from separate client
// processes (the command-line tool), the release rules, one workspace at a
// time, and a workspace closed by a real key press under Xvfb.
#include "BusEssai.h"
#include "TestSupport.h"

#include "host/JeuDeDonnees.h"
#include "srt/ComposantSrt.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace pava;
using namespace pava::test;

namespace {

// Whether an object is still published, seen from its parent node (looking at
// the object itself would count as using it).
bool objetPublie(const QString& chemin)
{
    const QDBusMessage r = bus().call(QDBusMessage::createMethodCall(
        kService, chemin.section(QLatin1Char('/'), 0, -2),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
    return r.arguments().value(0).toString().contains(
        QStringLiteral("<node name=\"%1\"/>").arg(chemin.section(QLatin1Char('/'), -1)));
}

} // namespace

class TstServeurBus : public QObject
{
    Q_OBJECT

    test::IsolatedEnvironment m_env;
    OptionsJeuDeDonnees m_jeu;
    QProcessEnvironment m_envServeur;

    // Starts the product's server by hand on a (virtual) X display.
    void demarrerServeurSur(QProcess& serveur, const QString& affichage)
    {
        QProcessEnvironment env = m_envServeur;
        env.insert(QStringLiteral("DISPLAY"), affichage);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        serveur.setProcessEnvironment(env);
        serveur.start(QStringLiteral(PAVACCAM_SERVEUR));
        QVERIFY(serveur.waitForStarted());
    }

    QStringList argumentsCotation() const
    {
        return {QStringLiteral("10000001"),
                QStringLiteral("13"),
                m_jeu.repertoireData,
                m_jeu.repertoireData,
                QString(),
                m_jeu.repertoireRsc};
    }
    QVariantList valeursCotation() const
    {
        QVariantList v;
        for (const QString& a : argumentsCotation())
            v << a;
        return v;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(bus().isConnected(), "ce test tourne sous dbus-run-session");
        const QString r = m_env.root();
        m_jeu.repertoireData = r + QStringLiteral("/data");
        m_jeu.repertoireRsc = r + QStringLiteral("/rsc");
        m_jeu.repertoireSrt = r + QStringLiteral("/srt");
        m_jeu.fichierReference = QStringLiteral(PAVACCAM_HOST_DONNEES "/edition-essai.csv");
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_jeu);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));

        // The servers the bus starts get this test's own world.
        const QMap<QString, QString> env{
            {QStringLiteral("PAVACCAM_SYSCONFDIR"), m_env.sysconf()},
            {QStringLiteral("PAVACCAM_HOME"), m_env.home()},
            {QStringLiteral("XDG_CONFIG_HOME"), m_env.settings()},
            {QStringLiteral("XDG_DATA_HOME"), r + QStringLiteral("/share")},
            {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
        };
        QVERIFY(environnementActivation(env));
        m_envServeur = QProcessEnvironment::systemEnvironment();
        for (auto it = env.cbegin(); it != env.cend(); ++it)
            m_envServeur.insert(it.key(), it.value());
        QVERIFY(!serveurPresent());
    }

    void cleanupTestCase() { arreterServeur(); }

    void activationStartsTheServer()
    {
        QVERIFY(!serveurPresent());
        const Sortie s = cli({"call", "GetSRTPrixUnitaire", "DEQP003"});
        QVERIFY2(s.code == 0, qPrintable(s.err));
        QCOMPARE(s.out, QStringLiteral("14.77\n"));
        QVERIFY(serveurPresent());
    }

    void initAnswersAndKeepsThePaths_data()
    {
        QTest::addColumn<QString>("specialite");
        QTest::addColumn<bool>("resultat");
        QTest::newRow("13") << "13" << true;
        QTest::newRow("alphabetique") << "abc" << false;
        QTest::newRow("vide") << "" << false;
    }
    void initAnswersAndKeepsThePaths()
    {
        QFETCH(QString, specialite);
        QFETCH(bool, resultat);
        const Sortie s = cli({"call", "Init", "10000001", specialite, "/h/data", "/h/dico"});
        QVERIFY2(s.code == 0, qPrintable(s.err));
        QCOMPARE(s.out, resultat ? QStringLiteral("True\n") : QStringLiteral("False\n"));

        // The same on one object, then its properties.
        const QString chemin = creerObjet();
        QVERIFY(!chemin.isEmpty());
        const QDBusReply<bool> init = bus().call(
            appel(chemin, kILecture, "Init", {"10000001", specialite, "/h/data", "/h/dico"}));
        QVERIFY(init.isValid());
        QCOMPARE(init.value(), resultat);
        for (const auto& [propriete, valeur] :
             {std::pair{"CheminData4", "/h/data"}, std::pair{"CheminDico4", "/h/dico"}}) {
            const QDBusMessage lu = bus().call(
                appel(chemin, "org.freedesktop.DBus.Properties", "Get", {kILecture, propriete}));
            QCOMPARE(lu.type(), QDBusMessage::ReplyMessage);
            QCOMPARE(lu.arguments().first().value<QDBusVariant>().variant().toString(),
                     resultat ? QString::fromLatin1(valeur) : QString());
        }
        bus().call(appel(chemin, kILecture, "Release"));
    }

    void lookUpsAnswerAsTheTariffComponent_data()
    {
        QTest::addColumn<QStringList>("appel");
        QTest::addColumn<QString>("attendu");
        UsrSrt ob; // the same reference, through the profile this test wrote
        QTest::newRow("GetSRTModificateurs")
            << QStringList{"GetSRTModificateurs"} << ob.GetModificateurs();
        QTest::newRow("GetSRTCodeAssociation")
            << QStringList{"GetSRTCodeAssociation"} << ob.GetCodesAssociation();
        QTest::newRow("GetSRTPrixUnitaire")
            << QStringList{"GetSRTPrixUnitaire", "QZJA002"} << ob.GetPrixUnitaire("QZJA002");
        QTest::newRow("GetSRTBaseRemboursementActe")
            << QStringList{"GetSRTBaseRemboursementActe", "QZJA002", "F", "", "", "1"}
            << ob.GetBaseRemboursementActe("QZJA002", "F", "", "", "1");
        QTest::newRow("GetSRTModificateursActe")
            << QStringList{"GetSRTModificateursActe", "DEQP003"}
            << ob.GetModificateursActe("DEQP003").replace('@', "\r\n");
    }
    void lookUpsAnswerAsTheTariffComponent()
    {
        QFETCH(QStringList, appel);
        QFETCH(QString, attendu);
        QVERIFY(!attendu.isEmpty());
        const Sortie s = cli(QStringList{"call"} + appel);
        QVERIFY2(s.code == 0, qPrintable(s.err));
        QCOMPARE(s.out, attendu + QLatin1Char('\n'));
    }

    void actModifiersComeOnePerLine()
    {
        const Sortie s = cli({"call", "GetSRTModificateursActe", "QZJA002"});
        QVERIFY2(s.code == 0, qPrintable(s.err));
        QVERIFY(!s.out.contains(QLatin1Char('@')));
        const QStringList lignes = s.out.chopped(1).split(QStringLiteral("\r\n"));
        QCOMPARE(lignes.size(), 7); // the act, then F, M, P, R, S, U
        QCOMPARE(lignes.first(), QStringLiteral("QZJA002"));
    }

    void malformedCallsAreRefusedInFrench_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("membre inconnu") << QStringList{"call", "GetTout"} << "membre inconnu";
        QTest::newRow("argument manquant")
            << QStringList{"call", "GetSRTPrixUnitaire"} << "attend 1 argument(s) (CodeActe)";
        QTest::newRow("argument en trop")
            << QStringList{"call", "GetSRTModificateurs", "X"} << "attend 0 argument(s)";
        QTest::newRow("cotation incomplete")
            << QStringList{"call", "GetCotationCCAM", "1", "2", "3", "4"} << "attend 6 argument(s)";
    }
    void malformedCallsAreRefusedInFrench()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Sortie s = cli(arguments);
        QCOMPARE(s.code, 2);
        QVERIFY2(s.err.contains(message), qPrintable(s.err));
        QVERIFY(s.out.isEmpty());
    }

    void releaseLeavesTheServerRunning()
    {
        QVERIFY(!creerObjet().isEmpty()); // started if needed
        const uint pid = pidServeur();
        const Sortie s = cli({"call", "CheminData4", "/x"});
        QVERIFY2(s.code == 0, qPrintable(s.err));
        QCOMPARE(s.out, QStringLiteral("/x\n"));
        QVERIFY(serveurPresent());
        QCOMPARE(pidServeur(), pid);
    }

    void hostLeavingTheBusReleasesItsObjects()
    {
        const QString nom = QStringLiteral("hote-qui-part");
        QString chemin;
        {
            QDBusConnection hote = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom);
            chemin = creerObjet(hote);
            QVERIFY(!chemin.isEmpty());
        }
        auto existe = [&chemin]() {
            const QDBusMessage r = bus().call(appel(chemin, "org.freedesktop.DBus.Properties",
                                                    "Get", {kILecture, "CheminData4"}));
            return r.type() == QDBusMessage::ReplyMessage;
        };
        QVERIFY(existe());
        QDBusConnection::disconnectFromBus(nom);
        QTRY_VERIFY_WITH_TIMEOUT(!existe(), 5000);
        QVERIFY(serveurPresent());
    }

    // A shell script makes one connection per call (gdbus): its object must
    // live from one call to the next, and go once nobody uses it any more.
    void oneShotConnectionsShareAnObject()
    {
        auto unAppel = [](const QString& nom, const QDBusMessage& m) {
            QDBusConnection c = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom);
            const QDBusMessage r = c.call(m);
            QDBusConnection::disconnectFromBus(nom);
            return r;
        };
        const QDBusMessage cree =
            unAppel(QStringLiteral("script-1"), appel(kFabrique, kIFabrique, "CreateObject"));
        QCOMPARE(cree.type(), QDBusMessage::ReplyMessage);
        const QString chemin = qvariant_cast<QDBusObjectPath>(cree.arguments().value(0)).path();
        QVERIFY(!chemin.isEmpty());
        for (int i = 2; i <= 4; ++i) {
            const QDBusMessage prix =
                unAppel(QStringLiteral("script-%1").arg(i),
                        appel(chemin, kILecture, "GetSRTPrixUnitaire", {"DEQP003"}));
            QCOMPARE(prix.type(), QDBusMessage::ReplyMessage);
            QCOMPARE(prix.arguments().value(0).toString(), QStringLiteral("14.77"));
            QTest::qWait(400); // shorter than the test server's abandon delay
        }
        // Nobody calls any more: the object goes after the delay.
        QVERIFY(objetPublie(chemin));
        QTRY_VERIFY_WITH_TIMEOUT(!objetPublie(chemin), 5000);
        QVERIFY(serveurPresent());
    }

    // A host gone while its workspace is open: the object stays until the
    // window's answer has left, whatever the abandon delay.
    void objectWithAnOpenWindowOutlivesItsHost()
    {
        const QString nom = QStringLiteral("hote-fenetre-ouverte");
        QString chemin;
        {
            QDBusConnection hote = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom);
            chemin = creerObjet(hote);
            QVERIFY(!chemin.isEmpty());
            hote.asyncCall(appel(chemin, kILecture, "GetCotationCCAM", valeursCotation()), 600000);
            // Calls of one connection are served in order: the workspace is open.
            hote.call(appel(kFabrique, kIFabrique, "Ping"));
        }
        QDBusConnection::disconnectFromBus(nom);
        QTest::qWait(2500); // well past the test server's one-second delay
        QVERIFY(objetPublie(chemin));
        arreterServeur();
    }

    void secondCodingRefusedWhileOneIsOpen()
    {
        const QString premier = creerObjet();
        QDBusPendingCall enCours = bus().asyncCall(
            appel(premier, kILecture, "GetCotationCCAM", valeursCotation()), 600000);
        // Calls of one connection are served in order: once Ping is answered
        // the workspace is open.
        bus().call(appel(kFabrique, kIFabrique, "Ping"));
        QVERIFY(!enCours.isFinished());

        const Sortie s = cli(QStringList{"call", "GetCotationCCAM"} + argumentsCotation());
        QCOMPARE(s.code, 1);
        QVERIFY2(s.err.contains(QStringLiteral("Une cotation est déjà en cours")),
                 qPrintable(s.err));

        const QString second = creerObjet();
        const QDBusMessage refus =
            bus().call(appel(second, kILecture, "GetCotationCCAM", valeursCotation()));
        QCOMPARE(refus.errorName(), QStringLiteral("org.pavaccam.PavaCCAM.Error.WorkspaceOpen"));

        // The look-ups keep answering while the user codes.
        const Sortie prix = cli({"call", "GetSRTPrixUnitaire", "DEQP003"});
        QCOMPARE(prix.out, QStringLiteral("14.77\n"));
        QVERIFY(!enCours.isFinished());

        arreterServeur();
        QTRY_VERIFY(enCours.isFinished());
        QVERIFY(enCours.isError());
    }

    void endCCAMEndsTheProcess()
    {
        QVERIFY(!creerObjet().isEmpty());
        const uint pid = pidServeur();
        QVERIFY(processusVivant(pid));
        const Sortie s = cli({"call", "EndCCAM"});
        QVERIFY2(s.code == 0, qPrintable(s.err));
        QTRY_VERIFY_WITH_TIMEOUT(!serveurPresent(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!processusVivant(pid), 5000);
    }

    void releaseAfterAFailedValidationEndsTheProcess()
    {
        arreterServeur();
        QProcess serveur;
        QProcessEnvironment env = m_envServeur;
        env.insert(QStringLiteral("PAVACCAM_ESSAI_FIN_SUR_TERMINAISON"), QStringLiteral("1"));
        serveur.setProcessEnvironment(env);
        serveur.start(QStringLiteral(PAVACCAM_SERVEUR_ESSAI));
        QVERIFY(serveur.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(serveurPresent(), 10000);

        const Sortie s = cli({"call", "CheminData4"});
        QCOMPARE(s.code, 0);
        QVERIFY(serveur.waitForFinished(5000));
        QCOMPARE(serveur.exitStatus(), QProcess::NormalExit);
        QVERIFY(!serveurPresent());
    }

    void escapeClosesTheWorkspaceAndTheHostGetsEmpty()
    {
        arreterServeur();
        EcranVirtuel ecran;
        if (!ecran.demarrer())
            QSKIP("Xvfb ou xdotool absent");
        const QString affichage = ecran.affichage();

        QProcess serveur;
        demarrerServeurSur(serveur, affichage);
        QTRY_VERIFY_WITH_TIMEOUT(serveurPresent(), 10000);

        const QString chemin = creerObjet();
        QDBusPendingCall cotation =
            bus().asyncCall(appel(chemin, kILecture, "GetCotationCCAM", valeursCotation()), 600000);

        QVERIFY2(ecran.echapDans(QStringLiteral("cotations CCAM")),
                 "fenêtre de cotation introuvable");

        QTRY_VERIFY_WITH_TIMEOUT(cotation.isFinished(), 10000);
        const QDBusMessage reponse = cotation.reply();
        QCOMPARE(reponse.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(reponse.arguments().first().toString(), QString());

        // The server goes on, and the next coding is not refused.
        QVERIFY(serveurPresent());
        QDBusPendingCall suivante =
            bus().asyncCall(appel(chemin, kILecture, "GetCotationCCAM", valeursCotation()), 600000);
        bus().call(appel(kFabrique, kIFabrique, "Ping"));
        QVERIFY(!suivante.isFinished());
        arreterServeur();
        QVERIFY(serveur.waitForFinished(5000));
    }

    void serverWithoutReferenceOrDisplayAnswersWithFrenchErrors()
    {
        arreterServeur();
        QProcess serveur;
        QProcessEnvironment env = m_envServeur;
        env.insert(QStringLiteral("PAVACCAM_SYSCONFDIR"), m_env.root() + QStringLiteral("/vide"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        serveur.setProcessEnvironment(env);
        serveur.start(QStringLiteral(PAVACCAM_SERVEUR));
        QVERIFY(serveur.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(serveurPresent(), 10000);

        const Sortie prix = cli({"call", "GetSRTPrixUnitaire", "DEQP003"});
        QCOMPARE(prix.code, 1);
        QVERIFY2(prix.err.contains(QStringLiteral("Recherche impossible : aucun référentiel CCAM")),
                 qPrintable(prix.err));
        const Sortie cotation = cli(QStringList{"call", "GetCotationCCAM"} + argumentsCotation());
        QCOMPARE(cotation.code, 1);
        QVERIFY2(cotation.err.contains(QStringLiteral("sans affichage graphique")),
                 qPrintable(cotation.err));
        const Sortie choix = cli({"call", "GetCCAMCode"});
        QCOMPARE(choix.code, 1);
        arreterServeur();
        QVERIFY(serveur.waitForFinished(5000));
    }

    void actChoiceAnswersWhenItsWindowCloses()
    {
        arreterServeur();
        EcranVirtuel ecran;
        if (!ecran.demarrer())
            QSKIP("Xvfb ou xdotool absent");
        QProcess serveur;
        demarrerServeurSur(serveur, ecran.affichage());
        QTRY_VERIFY_WITH_TIMEOUT(serveurPresent(), 10000);

        const QString chemin = creerObjet();
        QDBusPendingCall choix = bus().asyncCall(appel(chemin, kILecture, "GetCCAMCode"), 600000);
        bus().call(appel(kFabrique, kIFabrique, "Ping"));
        const QDBusMessage refus = bus().call(appel(creerObjet(), kILecture, "GetCCAMCode"));
        QCOMPARE(refus.errorName(), QStringLiteral("org.pavaccam.PavaCCAM.Error.ChooserOpen"));
        QCOMPARE(cli({"call", "GetSRTPrixUnitaire", "DEQP003"}).out, QStringLiteral("14.77\n"));
        QVERIFY(!choix.isFinished());

        QVERIFY2(ecran.echapDans(QStringLiteral("Choisir un acte")), "choix d'acte introuvable");
        QTRY_VERIFY_WITH_TIMEOUT(choix.isFinished(), 10000);
        QCOMPARE(choix.reply().type(), QDBusMessage::ReplyMessage);
        QCOMPARE(choix.reply().arguments().first().toString(), QString());
        arreterServeur();
        QVERIFY(serveur.waitForFinished(5000));
    }

    void demoWithoutDisplaySaysSo()
    {
        const QString dossier = m_env.root() + QStringLiteral("/demo-sans-ecran");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PAVACCAM_CLI), {"demo", "--dossier", dossier});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError())
                    .contains(QStringLiteral("aucun affichage graphique n'est disponible")));
        QVERIFY(!QFileInfo::exists(dossier));
    }

    void demoOpensTheWorkspaceOnItsOwnDataAndPrintsTheResult()
    {
        arreterServeur();
        EcranVirtuel ecran;
        if (!ecran.demarrer())
            QSKIP("Xvfb ou xdotool absent");
        const QString dossier = m_env.root() + QStringLiteral("/demo");
        QProcess demo;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), ecran.affichage());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("PAVACCAM_SERVER"), QStringLiteral(PAVACCAM_SERVEUR));
        demo.setProcessEnvironment(env);
        demo.start(QStringLiteral(PAVACCAM_CLI), {"demo", "--dossier", dossier});
        QVERIFY(demo.waitForStarted());
        QVERIFY2(ecran.echapDans(QStringLiteral("cotations CCAM")),
                 "fenêtre de cotation introuvable");
        QVERIFY(demo.state() == QProcess::NotRunning || demo.waitForFinished(15000));
        const QString err = QString::fromUtf8(demo.readAllStandardError());
        QVERIFY2(demo.exitCode() == 0, qPrintable(err));
        QCOMPARE(QString::fromUtf8(demo.readAllStandardOutput()), QStringLiteral("\n"));
        QVERIFY(err.contains(QStringLiteral("Jeu de démonstration créé")));
        QVERIFY(QFileInfo::exists(dossier + QStringLiteral("/data/CCAM001.mdb")));
        QVERIFY(QFileInfo::exists(dossier + QStringLiteral("/etc/Pavareg.reg")));
        // The server the demonstration started ends with it.
        QTRY_VERIFY_WITH_TIMEOUT(!serveurPresent(), 5000);
    }
};

QTEST_GUILESS_MAIN(TstServeurBus)
#include "tst_serveur_bus.moc"
