// The automation server over a private session bus: activation, release
// rules, object ownership, one workspace or chooser at a time, no display.
#include "BusEssai.h"
#include "TestSupport.h"

#include "host/JeuDeDonnees.h"

#include <QDBusPendingCall>
#include <QFileInfo>

using namespace pava;
using namespace pava::test;

namespace {

// Whether an object is published, seen from its parent (not using it).
bool objetPublie(const QString& chemin)
{
    const QDBusMessage r = bus().call(QDBusMessage::createMethodCall(
        kService, chemin.section(QLatin1Char('/'), 0, -2),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), "Introspect"));
    return r.arguments().value(0).toString().contains(
        QStringLiteral("<node name=\"%1\"/>").arg(chemin.section(QLatin1Char('/'), -1)));
}

QProcessEnvironment sansAffichage(QProcessEnvironment env)
{
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(variable));
    return env;
}

} // namespace

class TstServeurBus : public QObject
{
    Q_OBJECT

    test::IsolatedEnvironment m_env;
    OptionsJeuDeDonnees m_jeu;
    QMap<QString, QString> m_monde;
    QStringList m_cotation; // GetCotationCCAM's arguments
    QVariantList m_valeurs;

    void demarrer(QProcess& serveur, const QProcessEnvironment& env,
                  const QString& programme = QStringLiteral(PAVACCAM_SERVEUR))
    {
        arreterServeur();
        lancerServeur(serveur, programme, env);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(bus().isConnected(), "ce test tourne sous dbus-run-session");
        const QString r = m_env.root();
        m_jeu.repertoireData = r + "/data";
        m_jeu.repertoireRsc = r + "/rsc";
        m_jeu.repertoireSrt = r + "/srt";
        m_jeu.fichierReference = QStringLiteral(PAVACCAM_HOST_DONNEES "/edition-essai.csv");
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_jeu);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));
        m_cotation = {"10000001",           "13", m_jeu.repertoireData,
                      m_jeu.repertoireData, "",   m_jeu.repertoireRsc};
        m_valeurs = QVariantList(m_cotation.cbegin(), m_cotation.cend());

        m_monde = mondeDuTest(m_env);
        m_monde.insert("XDG_DATA_HOME", r + "/share");
        QVERIFY(environnementActivation(m_monde));
        QVERIFY(!serveurPresent());
    }

    void cleanupTestCase() { arreterServeur(); }

    // Init answers False for a non-numeric speciality, paths unchanged.
    void activationThenInit()
    {
        const Sortie s = cli({"call", "Init", "10000001", "13", "/h/data", "/h/dico"});
        QVERIFY2(s.out == "True\n", qPrintable(s.err));
        const uint pid = pidServeur();
        QCOMPARE(cli({"call", "CheminData4", "/x"}).out, "/x\n");
        QCOMPARE(pidServeur(), pid);
        const QString chemin = creerObjet();
        for (const QString specialite : {"abc", "13"}) {
            const QDBusReply<bool> init = bus().call(
                appel(chemin, kILecture, "Init", {"10000001", specialite, "/h/data", "/h/dico"}));
            QCOMPARE(init.value(), specialite == u"13");
            QCOMPARE(propriete(chemin, "CheminData4") + propriete(chemin, "CheminDico4"),
                     specialite == u"13" ? "/h/data/h/dico" : "");
        }
        bus().call(appel(chemin, kILecture, "Release"));
    }

    // One connection per call (gdbus): the object outlives its maker, then
    // goes once unused.
    void oneShotConnectionsShareAnObject()
    {
        auto unAppel = [](const QString& nom, const QDBusMessage& m) {
            QDBusConnection c = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom);
            const QDBusMessage r = c.call(m);
            QDBusConnection::disconnectFromBus(nom);
            return r;
        };
        const QDBusMessage cree = unAppel("script-1", appel(kFabrique, kIFabrique, "CreateObject"));
        const QString chemin = qvariant_cast<QDBusObjectPath>(cree.arguments().value(0)).path();
        for (int i = 2; i <= 4; ++i) {
            const QDBusMessage prix =
                unAppel(QStringLiteral("script-%1").arg(i),
                        appel(chemin, kILecture, "GetSRTPrixUnitaire", {"DEQP003"}));
            QCOMPARE(prix.type(), QDBusMessage::ReplyMessage);
            QCOMPARE(prix.arguments().value(0).toString(), "14.77");
            QTest::qWait(400); // shorter than the test server's abandon delay
        }
        QVERIFY(objetPublie(chemin));
        QTRY_VERIFY_WITH_TIMEOUT(!objetPublie(chemin), 5000);
        QVERIFY(serveurPresent());
    }

    // An object serves only its host while the host is on the bus; then
    // another connection of the user may go on with it.
    void anObjectServesOnlyItsHost()
    {
        const QString nom = QStringLiteral("hote-proprietaire");
        const QString proprietes = QStringLiteral("org.freedesktop.DBus.Properties");
        QString chemin, unique;
        auto fixer = [&](const QString& valeur) {
            return appel(chemin, proprietes, "Set",
                         {kILecture, "CheminData4", QVariant::fromValue(QDBusVariant(valeur))});
        };
        {
            QDBusConnection hote = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom);
            unique = hote.baseService();
            chemin = creerObjet(hote);
            QCOMPARE(hote.call(fixer("/a-lui")).type(), QDBusMessage::ReplyMessage);
            const uint pid = pidServeur();
            for (const QDBusMessage& intrus :
                 {fixer("/intrus"), appel(chemin, proprietes, "Get", {kILecture, "CheminData4"}),
                  appel(chemin, kILecture, "GetSRTPrixUnitaire", {"DEQP003"}),
                  appel(chemin, kILecture, "Release"), appel(chemin, kILecture, "EndCCAM")})
                QCOMPARE(bus().call(intrus).errorName(),
                         "org.pavaccam.PavaCCAM.Error.AccessDenied");
            QCOMPARE(pidServeur(), pid);
            QVERIFY(objetPublie(chemin));
            const QDBusMessage lu =
                hote.call(appel(chemin, proprietes, "Get", {kILecture, "CheminData4"}));
            QCOMPARE(lu.arguments().value(0).value<QDBusVariant>().variant().toString(), "/a-lui");
        }
        QDBusConnection::disconnectFromBus(nom);
        QTRY_VERIFY(!bus().interface()->isServiceRegistered(unique).value());
        const QDBusMessage prix =
            bus().call(appel(chemin, kILecture, "GetSRTPrixUnitaire", {"DEQP003"}));
        QCOMPARE(prix.arguments().value(0).toString(), "14.77");
        QCOMPARE(bus().call(appel(chemin, kILecture, "Release")).type(),
                 QDBusMessage::ReplyMessage);
    }

    // A second coding is refused while one is open; the object outlives its
    // host until the window answers.
    void oneCodingAtATimeOutlivingItsHost()
    {
        const QString nom = QStringLiteral("hote-fenetre-ouverte");
        QString premier;
        {
            QDBusConnection hote = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom);
            premier = creerObjet(hote);
            hote.asyncCall(appel(premier, kILecture, "GetCotationCCAM", m_valeurs), 600000);
            hote.call(appel(kFabrique, kIFabrique, "Ping"));
        }
        const Sortie s = cli(QStringList{"call", "GetCotationCCAM"} + m_cotation);
        QCOMPARE(s.code, 1);
        QVERIFY2(s.err.contains("Une cotation est déjà en cours"), qPrintable(s.err));
        const QDBusMessage refus =
            bus().call(appel(creerObjet(), kILecture, "GetCotationCCAM", m_valeurs));
        QCOMPARE(refus.errorName(), "org.pavaccam.PavaCCAM.Error.WorkspaceOpen");
        QCOMPARE(cli({"call", "GetSRTPrixUnitaire", "DEQP003"}).out, "14.77\n");

        QDBusConnection::disconnectFromBus(nom);
        QTest::qWait(2500); // well past the test server's one-second delay
        QVERIFY(objetPublie(premier));
        arreterServeur();
    }

    void releaseAfterAFailedValidationEndsTheProcess()
    {
        QProcess serveur;
        QProcessEnvironment env = environnementServeur(m_monde);
        env.insert("PAVACCAM_ESSAI_FIN_SUR_TERMINAISON", "1");
        demarrer(serveur, env, QStringLiteral(PAVACCAM_SERVEUR_ESSAI));

        const Sortie s = cli({"call", "CheminData4"});
        QCOMPARE(s.code, 0);
        QVERIFY(serveur.waitForFinished(5000));
        QCOMPARE(serveur.exitStatus(), QProcess::NormalExit);
        QVERIFY(!serveurPresent());
    }

    void serverWithoutReferenceOrDisplayAnswersWithFrenchErrors()
    {
        QProcess serveur;
        QProcessEnvironment env = sansAffichage(environnementServeur(m_monde));
        env.insert("PAVACCAM_SYSCONFDIR", m_env.root() + QStringLiteral("/vide"));
        demarrer(serveur, env);

        const Sortie prix = cli({"call", "GetSRTPrixUnitaire", "DEQP003"});
        QCOMPARE(prix.code, 1);
        QVERIFY2(prix.err.contains("Recherche impossible : aucun référentiel CCAM : " +
                                   m_env.root() + "/vide/Pavareg.reg introuvable"),
                 qPrintable(prix.err));
        const Sortie cotation = cli(QStringList{"call", "GetCotationCCAM"} + m_cotation);
        QCOMPARE(cotation.code, 1);
        QVERIFY2(cotation.err.contains("sans affichage graphique"), qPrintable(cotation.err));
        QCOMPARE(cli({"call", "GetCCAMCode"}).code, 1);
        arreterServeur();
        QVERIFY(serveur.waitForFinished(5000));
    }

    void actChoiceAnswersWhenItsWindowCloses()
    {
        EcranVirtuel ecran;
        if (!ecran.demarrer())
            QSKIP("Xvfb ou xdotool absent");
        QProcess serveur;
        demarrer(serveur, environnementServeur(m_monde, ecran.affichage()));

        const QString chemin = creerObjet();
        QDBusPendingCall choix = bus().asyncCall(appel(chemin, kILecture, "GetCCAMCode"), 600000);
        bus().call(appel(kFabrique, kIFabrique, "Ping"));
        const QDBusMessage refus = bus().call(appel(creerObjet(), kILecture, "GetCCAMCode"));
        QCOMPARE(refus.errorName(), "org.pavaccam.PavaCCAM.Error.ChooserOpen");
        QCOMPARE(cli({"call", "GetSRTPrixUnitaire", "DEQP003"}).out, "14.77\n");
        QVERIFY(!choix.isFinished());

        QVERIFY2(ecran.touches("Choisir un acte", {"Escape"}), "choix d'acte introuvable");
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
        p.setProcessEnvironment(sansAffichage(QProcessEnvironment::systemEnvironment()));
        p.start(QStringLiteral(PAVACCAM_CLI), {"demo", "--dossier", dossier});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError())
                    .contains("aucun affichage graphique n'est disponible"));
        QVERIFY(!QFileInfo::exists(dossier));
    }

    // The demonstration runs its own server on its own bus, the user's untouched.
    void demoOpensTheWorkspaceOnItsOwnDataAndPrintsTheResult()
    {
        arreterServeur();
        QCOMPARE(cli({"call", "Init", "10000001", "13", "/h/data", "/h/dico"}).out, "True\n");
        const uint autre = pidServeur();
        EcranVirtuel ecran;
        if (!ecran.demarrer())
            QSKIP("Xvfb ou xdotool absent");
        const QString dossier = m_env.root() + QStringLiteral("/demo");
        QProcess demo;
        QProcessEnvironment env = environnementServeur({}, ecran.affichage());
        env.insert("PAVACCAM_SERVER", QStringLiteral(PAVACCAM_SERVEUR));
        demo.setProcessEnvironment(env);
        demo.start(QStringLiteral(PAVACCAM_CLI), {"demo", "--dossier", dossier});
        QVERIFY(demo.waitForStarted());
        QVERIFY2(ecran.touches("cotations CCAM", {"Escape"}), "fenêtre de cotation introuvable");
        QVERIFY(demo.state() == QProcess::NotRunning || demo.waitForFinished(15000));
        const QString err = QString::fromUtf8(demo.readAllStandardError());
        QVERIFY2(demo.exitCode() == 0, qPrintable(err));
        QCOMPARE(QString::fromUtf8(demo.readAllStandardOutput()), "\n");
        QVERIFY(err.contains("Jeu de démonstration créé"));
        QVERIFY(QFileInfo::exists(dossier + QStringLiteral("/etc/Pavareg.reg")));
        QCOMPARE(pidServeur(), autre);

        // Killed (a Ctrl-C, a closed terminal), it takes its server and its
        // window along.
        demo.start(QStringLiteral(PAVACCAM_CLI), {"demo", "--dossier", dossier});
        QVERIFY2(ecran.touches("cotations CCAM", {"shift"}), "fenêtre de cotation introuvable");
        demo.terminate();
        QVERIFY(demo.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!ecran.presente("cotations CCAM"), 10000);
        QCOMPARE(pidServeur(), autre);
    }
};

QTEST_GUILESS_MAIN(TstServeurBus)
#include "tst_serveur_bus.moc"
