// The data set "pavaccam init" builds: every file the workspace opens, and a
// user's existing files never replaced.
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "host/JeuDeDonnees.h"
#include "session/Chemins.h"
#include "srt/ConstructionReference.h"

#include <QTest>

#include <memory>

using namespace pava;

class TstJeuDeDonnees : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    OptionsJeuDeDonnees m_options;
    QString ccam001() const { return m_options.repertoireData + QStringLiteral("/CCAM001.mdb"); }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        const QString r = m_env->root();
        m_options = {r + "/data",
                     r + "/rsc",
                     r + "/base srt",
                     QString(),
                     QStringLiteral(PAVACCAM_HOST_DONNEES "/edition-essai.csv"),
                     QString()};
    }
    void cleanup() { m_env.reset(); }

    void createsEveryFileTheWorkspaceOpens()
    {
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));
        QCOMPARE(bilan.crees.size(), 4);
        QVERIFY(bilan.conserves.isEmpty());
        QVERIFY(ExisteFichier(m_options.repertoireRsc + "/Cotation.mdb"));
        const QString base = LitProfil("API_Sesam", "Path");
        QVERIFY(base.endsWith(QLatin1Char('/')));
        QCOMPARE(cheminReferenceSrt(base), cheminReferenceSrt(m_options.repertoireSrt));

        const QStringList habituels =
            test::colonne(ccam001(), "SELECT CodeActe || ' ' || Libelle FROM CCAM_7");
        QCOMPARE(habituels.size(), 3); // the everyday acts the test edition lists
        const QStringList reference = test::colonne(
            cheminReferenceSrt(base), "SELECT CodeActe || ' ' || Libelle FROM CCAM_7");
        for (const QString& h : habituels)
            QVERIFY2(reference.contains(h), qPrintable(h));
    }

    // A base path the profile cannot carry stops the command, no profile left.
    void profileReadBackReachesTheReference_data()
    {
        QTest::addColumn<QString>("nomSrt");
        QTest::addColumn<bool>("reussi");
        test::rangee("nom de 150 caractères", QString(150, QLatin1Char('s')), true);
        test::rangee("retour à la ligne dans le nom", QStringLiteral("srt\nPath=/ailleurs"), false);
    }
    void profileReadBackReachesTheReference()
    {
        QFETCH(QString, nomSrt);
        QFETCH(bool, reussi);
        m_options.repertoireSrt = m_env->root() + QLatin1Char('/') + nomSrt;
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QCOMPARE(bilan.reussi, reussi);
        QCOMPARE(ExisteFichier(cheminProfil()), reussi);
        if (reussi)
            QCOMPARE(LitProfil("API_Sesam", "Path"), m_options.repertoireSrt + QLatin1Char('/'));
        else
            QVERIFY2(bilan.erreur.contains("ne mène pas au référentiel"), qPrintable(bilan.erreur));
    }

    void secondRunKeepsTheUsersFiles()
    {
        QVERIFY(creerJeuDeDonnees(m_options).reussi);
        QVERIFY(test::executer(ccam001(), "INSERT INTO CCAM_7 VALUES ('YYYY010', 'Du praticien')"));
        m_env->writeProfile("[API_Sesam]\r\nPath=/ailleurs/\r\n");

        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));
        QVERIFY(bilan.crees.isEmpty());
        QCOMPARE(bilan.conserves.size(), 4);
        QCOMPARE(LitProfil("API_Sesam", "Path"), "/ailleurs/");
        QCOMPARE(test::colonne(ccam001(), "SELECT count(*) FROM CCAM_7 WHERE CodeActe='YYYY010'"),
                 QStringList{"1"});
    }

    void missingEditionChangesNothing()
    {
        m_options.fichierReference = m_env->root() + "/absente.csv";
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QVERIFY(!bilan.reussi);
        QVERIFY(bilan.erreur.startsWith("Import de la référence CCAM impossible"));
        QVERIFY(bilan.crees.isEmpty());
        QVERIFY(!ExisteFichier(ccam001()));
        QVERIFY(!ExisteFichier(m_env->sysconf() + "/Pavareg.reg"));
    }

    // An unwritable profile folder (/proc/sys, even for root): nothing made.
    void unwritableTargetMakesNothing()
    {
        m_options.repertoireProfil = QStringLiteral("/proc/sys/pavaccam-essai");
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QVERIFY(!bilan.reussi);
        QVERIFY2(bilan.erreur.contains("--profil"), qPrintable(bilan.erreur));
        QVERIFY(bilan.crees.isEmpty());
        QVERIFY(!QFileInfo::exists(m_options.repertoireData));
        QVERIFY(!QFileInfo::exists(m_options.repertoireSrt));
    }

    void profileGoesWhereAsked()
    {
        m_options.repertoireProfil = m_env->root() + "/etc-demo";
        QVERIFY(creerJeuDeDonnees(m_options).reussi);
        QVERIFY(ExisteFichier(m_options.repertoireProfil + "/Pavareg.reg"));
        QVERIFY(!ExisteFichier(m_env->sysconf() + "/Pavareg.reg"));
    }
};

QTEST_GUILESS_MAIN(TstJeuDeDonnees)
#include "tst_jeudedonnees.moc"
