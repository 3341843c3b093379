#include "TestSupport.h"

#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "session/Placement.h"
#include "session/Reglages.h"
#include "session/Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <unistd.h>

using namespace pava;

class TestSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completeChemin_data();
    void completeChemin();
    void termineChemin_data();
    void termineChemin();
    void existeFichier();
    void doubleApostrophes_data();
    void doubleApostrophes();
    void litProfil_data();
    void litProfil();
    void litProfilMissingFile();
    void repertoirePartage_data();
    void repertoirePartage();
    void placement_data();
    void placement();
    void reglagesDefaultsAndPersistence();
    void sessionStartsEmptyAndResets();
    void dateTexteRoundTrip_data();
    void dateTexteRoundTrip();
};

void TestSession::completeChemin_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("sans separateur") << "/srv/pava"
                                     << "/srv/pava/";
    QTest::newRow("avec separateur") << "/srv/pava/"
                                     << "/srv/pava/";
    QTest::newRow("vide") << ""
                          << "/";
    QTest::newRow("blancs gardes") << "/srv/pava  "
                                   << "/srv/pava  /";
}

void TestSession::completeChemin()
{
    QFETCH(QString, chemin);
    QFETCH(QString, attendu);
    const QString avant = chemin;
    QCOMPARE(CompleteChemin(chemin), attendu);
    QCOMPARE(chemin, avant); // the caller's variable is left alone
}

void TestSession::termineChemin_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("deux blancs, pas de separateur") << "/opt/pava  "
                                                    << "/opt/pava/";
    QTest::newRow("deja termine") << "/opt/pava/"
                                  << "/opt/pava/";
    QTest::newRow("vide") << ""
                          << "/";
    QTest::newRow("blancs seulement") << "   "
                                      << "/";
    QTest::newRow("tabulation gardee") << "/opt/pava\t"
                                       << "/opt/pava\t/";
}

void TestSession::termineChemin()
{
    QFETCH(QString, chemin);
    QFETCH(QString, attendu);
    QCOMPARE(TermineChemin(chemin), attendu);
    QCOMPARE(chemin, attendu); // and stored back into the caller's variable
}

void TestSession::existeFichier()
{
    test::IsolatedEnvironment env;
    const QString vide = env.root() + QStringLiteral("/vide.txt");
    QVERIFY(test::writeFile(vide, {}));
    QVERIFY(ExisteFichier(vide));
    QVERIFY(!ExisteFichier(env.root() + QStringLiteral("/absent.txt")));
    QVERIFY(!ExisteFichier(env.root())); // a directory has no file length
    QVERIFY(!ExisteFichier(QString()));
    QVERIFY(!ExisteFichier(vide + QChar(0) + QStringLiteral("x")));
}

void TestSession::doubleApostrophes_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("deux apostrophes separees") << "l'acte d'urgence"
                                               << "l''acte d''urgence";
    QTest::newRow("deux apostrophes seules") << "''"
                                             << "''''";
    QTest::newRow("sans apostrophe") << "Suture"
                                     << "Suture";
    QTest::newRow("vide") << ""
                          << "";
    QTest::newRow("en tete et en fin") << "'a'"
                                       << "''a''";
    QTest::newRow("guillemets intacts") << "dit \"x\""
                                        << "dit \"x\"";
}

void TestSession::doubleApostrophes()
{
    QFETCH(QString, texte);
    QFETCH(QString, attendu);
    QCOMPARE(DoubleApostrophes(texte), attendu);
    QCOMPARE(texte, attendu);
}

void TestSession::litProfil_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("cle");
    QTest::addColumn<QString>("attendu");
    const QByteArray base = "[API_Sesam]\r\nPath=C:\\SRT\\base\r\n[Autre]\r\nPath=/autre\r\n";
    QTest::newRow("backslashes ordinaires") << base << "API_Sesam"
                                            << "Path"
                                            << "C:\\SRT\\base";
    QTest::newRow("section sans casse") << base << "api_sesam"
                                        << "PATH"
                                        << "C:\\SRT\\base";
    QTest::newRow("autre section") << base << "Autre"
                                   << "Path"
                                   << "/autre";
    QTest::newRow("section absente") << base << "Absente"
                                     << "Path"
                                     << "";
    QTest::newRow("cle absente") << base << "API_Sesam"
                                 << "Chemin"
                                 << "";
    QTest::newRow("valeur vide") << QByteArray("[API_Sesam]\nPath=\n") << "API_Sesam"
                                 << "Path"
                                 << "";
    QTest::newRow("blancs retires")
        << QByteArray("[API_Sesam]\n  Path =   /srt/   \n") << "API_Sesam"
        << "Path"
        << "/srt/";
    QTest::newRow("150 caracteres coupes a 99")
        << QByteArray("[API_Sesam]\nPath=" + QByteArray(150, 'x') + "\n") << "API_Sesam"
        << "Path" << QString(99, QLatin1Char('x'));
    QTest::newRow("NUL retires") << QByteArray("[API_Sesam]\nPath=/a\0b\n", 22) << "API_Sesam"
                                 << "Path"
                                 << "/ab";
    QTest::newRow("commentaire ignore")
        << QByteArray("[API_Sesam]\n;Path=/non\nPath=/oui\n") << "API_Sesam"
        << "Path"
        << "/oui";
    QTest::newRow("windows-1252") << QByteArray("[API_Sesam]\nPath=/donn\xe9"
                                                "es\n")
                                  << "API_Sesam"
                                  << "Path" << QStringLiteral("/données");
    QTest::newRow("utf-8") << QByteArray("[API_Sesam]\nPath=/donn\xc3\xa9"
                                         "es\n")
                           << "API_Sesam"
                           << "Path" << QStringLiteral("/données");
    QTest::newRow("caractere hors BMP a la coupure garde entier ou laisse")
        << QByteArray("[API_Sesam]\nPath=" + QByteArray(98, 'x') + "\xF0\x9F\x98\x80z\n")
        << "API_Sesam"
        << "Path" << QString(98, QLatin1Char('x'));
    QTest::newRow("guillemets retires") << QByteArray("[API_Sesam]\nPath=\"/a b\"\n") << "API_Sesam"
                                        << "Path"
                                        << "/a b";
}

void TestSession::litProfil()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QString, section);
    QFETCH(QString, cle);
    QFETCH(QString, attendu);
    test::IsolatedEnvironment env;
    env.writeProfile(contenu);
    QCOMPARE(LitProfil(section, cle), attendu);
}

void TestSession::litProfilMissingFile()
{
    test::IsolatedEnvironment env;
    QCOMPARE(LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path")), QString());
    qunsetenv("PAVACCAM_SYSCONFDIR");
    QCOMPARE(repertoireProfil(), QStringLiteral("/etc"));
}

void TestSession::repertoirePartage_data()
{
    QTest::addColumn<QString>("partage"); // in the test's root
    QTest::addColumn<QString>("cause");   // of the warning; "" = the shared home is used
    QTest::newRow("accessible") << "partage"
                                << "";
    QTest::newRow("absent") << "absent"
                            << "n'existe pas";
    QTest::newRow("un fichier") << "fichier"
                                << "n'est pas accessible en écriture";
    QTest::newRow("lecture seule") << "lecture-seule"
                                   << "n'est pas accessible en écriture";
}

void TestSession::repertoirePartage()
{
    QFETCH(QString, partage);
    QFETCH(QString, cause);
    test::IsolatedEnvironment env;
    QDir(env.root()).mkpath(QStringLiteral("partage"));
    QDir(env.root()).mkpath(QStringLiteral("lecture-seule"));
    QFile::setPermissions(env.root() + QStringLiteral("/lecture-seule"),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QVERIFY(test::writeFile(env.root() + QStringLiteral("/fichier"), "x"));
    if (partage == QLatin1String("lecture-seule") && ::geteuid() == 0)
        QSKIP("root écrit dans un répertoire en lecture seule");

    partage = env.root() + QLatin1Char('/') + partage;
    const QString personnel = env.root() + QStringLiteral("/utilisateur/.local/share/pavaccam");
    const ChoixRepertoire choix = choisirRepertoirePartage(partage, personnel);
    if (cause.isEmpty()) {
        QCOMPARE(choix.repertoire, partage);
        QCOMPARE(choix.avertissement, QString());
        return;
    }
    QCOMPARE(choix.repertoire, personnel);
    QVERIFY(QFileInfo(personnel).isDir());
    QVERIFY2(choix.avertissement.contains(partage + QLatin1Char(' ') + cause) &&
                 choix.avertissement.contains(personnel),
             qPrintable(choix.avertissement));
}

void TestSession::placement_data()
{
    QTest::addColumn<double>("gauche");
    QTest::addColumn<double>("haut");
    QTest::addColumn<double>("largeur");
    QTest::addColumn<double>("hauteur");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("cy");
    QTest::newRow("exact") << 1500.0 << 750.0 << 6000.0 << 4500.0 << 100 << 50 << 400 << 300;
    QTest::newRow("demis au pair") << 337.5 << 352.5 << 7.5 << 22.5 << 22 << 24 << 0 << 2;
    QTest::newRow("arrondis") << 7.0 << 8.0 << 22.0 << 23.0 << 0 << 1 << 1 << 2;
    QTest::newRow("hors champ") << 0.0 << 45000.0 << 45.0 << -45.0 << 0 << 3000 << 3 << -3;
}

void TestSession::placement()
{
    QFETCH(double, gauche);
    QFETCH(double, haut);
    QFETCH(double, largeur);
    QFETCH(double, hauteur);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, cx);
    QFETCH(int, cy);
    QCOMPARE(placementEnPixels(gauche, haut, largeur, hauteur), (PlacementPixels{x, y, cx, cy}));
}

void TestSession::reglagesDefaultsAndPersistence()
{
    test::IsolatedEnvironment env;
    QCOMPARE(LitReglage(QString::fromLatin1(reglages::Record0),
                        QString::fromLatin1(reglages::DefautRecord0)),
             QStringLiteral("SELECT * FROM CCAM_7"));
    EcritReglage(QStringLiteral("Record0"),
                 QStringLiteral("SELECT * FROM CCAM_7 ORDER BY CodeActe"));
    EcritReglage(QStringLiteral("Tab"), QStringLiteral("1"));
    QCOMPARE(LitReglage(QStringLiteral("Record0"), QString()),
             QStringLiteral("SELECT * FROM CCAM_7 ORDER BY CodeActe"));
    QCOMPARE(LitReglage(QStringLiteral("Tab"), QStringLiteral("0")), QStringLiteral("1"));
    // Stored under the product's own name, in the test's settings directory.
    QVERIFY(QFile::exists(env.settings() + QStringLiteral("/PavaCCAM/PavaCCAM.conf")));
}

void TestSession::sessionStartsEmptyAndResets()
{
    Session& s = session();
    QVERIFY(s.CotationRetour.isEmpty());
    QVERIFY(!s.FinSurTerminaison);
    QCOMPARE(s.IndexAssociation, qint16(0));
    QCOMPARE(s.TarifComplement, Monnaie{});
    s.CotationRetour = QStringLiteral("QZJA002100_____1");
    s.FinSurTerminaison = true;
    s.ComplementsOnglet2[3][1] = QStringLiteral("libellé");
    reinitialiserSession();
    QVERIFY(s.CotationRetour.isEmpty());
    QVERIFY(!s.FinSurTerminaison);
    QVERIFY(s.ComplementsOnglet2[3][1].isEmpty());
}

void TestSession::dateTexteRoundTrip_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QDateTime>("attendu");
    const QDateTime moment(QDate(2026, 3, 1), QTime(9, 5, 7));
    QTest::newRow("forme ecrite") << texteDateHeure(moment) << moment;
    QTest::newRow("date seule") << "01/03/2026" << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
    QTest::newRow("iso") << "2026-03-01" << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
    QTest::newRow("illisible") << "demain" << QDateTime();
    QTest::newRow("vide") << "" << QDateTime();
    QTest::newRow("31 fevrier") << "31/02/2026" << QDateTime();
}

void TestSession::dateTexteRoundTrip()
{
    QFETCH(QString, texte);
    QFETCH(QDateTime, attendu);
    QCOMPARE(lireDateHeure(texte), attendu);
    QCOMPARE(texteDateHeure(QDateTime(QDate(2026, 12, 5), QTime(14, 50, 41))),
             QStringLiteral("05/12/2026 14:50:41"));
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
