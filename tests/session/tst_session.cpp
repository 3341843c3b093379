// The session's helpers: paths completed as the former program completed
// them, apostrophes doubled for its SQL, the profile file, the shared
// directory, window placement and dates.
#include "TestSupport.h"

#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "session/Placement.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace pava;
using test::rangee;

class TestSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // CompleteChemin leaves the caller's text alone; TermineChemin also drops
    // trailing blanks and stores the result back.
    void chemins_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("complete");
        QTest::addColumn<QString>("termine");
        rangee("sans separateur", "/srv/pava", "/srv/pava/", "/srv/pava/");
        rangee("blancs en fin", "/srv/pava  ", "/srv/pava  /", "/srv/pava/");
        rangee("blancs seulement", "   ", "   /", "/");
        rangee("tabulation gardee", "/opt/pava\t", "/opt/pava\t/", "/opt/pava\t/");
    }
    void chemins()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, complete);
        QFETCH(QString, termine);
        const QString avant = chemin;
        QCOMPARE(CompleteChemin(chemin), complete);
        QCOMPARE(chemin, avant);
        QCOMPARE(TermineChemin(chemin), termine);
        QCOMPARE(chemin, termine);
    }

    void existeFichier()
    {
        test::IsolatedEnvironment env;
        const QString vide = env.root() + QStringLiteral("/vide.txt");
        QVERIFY(test::writeFile(vide, {}));
        QVERIFY(ExisteFichier(vide));
        QVERIFY(!ExisteFichier(env.root() + QStringLiteral("/absent.txt")));
        QVERIFY(!ExisteFichier(env.root())); // a directory has no file length
        QVERIFY(!ExisteFichier(vide + QChar(0) + QStringLiteral("x")));
    }

    void doubleApostrophes_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("attendu");
        rangee("deux apostrophes separees", "l'acte d'urgence", "l''acte d''urgence");
        rangee("guillemets intacts", "dit \"x\"", "dit \"x\"");
    }
    void doubleApostrophes()
    {
        QFETCH(QString, texte);
        QFETCH(QString, attendu);
        QCOMPARE(DoubleApostrophes(texte), attendu);
        QCOMPARE(texte, attendu);
    }

    void litProfil_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QString>("attendu");
        const QByteArray base = "[API_Sesam]\r\nPath=C:\\SRT\\base\r\n[Autre]\r\nPath=/autre\r\n";
        const QByteArray sesam = "[API_Sesam]\n";
        rangee("backslashes ordinaires", base, "API_Sesam", "Path", "C:\\SRT\\base");
        rangee("section sans casse", base, "api_sesam", "PATH", "C:\\SRT\\base");
        rangee("section absente", base, "Absente", "Path", "");
        rangee("blancs retires", sesam + "  Path =   /srt/   \n", "API_Sesam", "Path", "/srt/");
        rangee("NUL retires", sesam + QByteArray("Path=/a\0b\n", 10), "API_Sesam", "Path", "/ab");
        rangee("commentaire ignore", sesam + ";Path=/non\nPath=/oui\n", "API_Sesam", "Path",
               "/oui");
        rangee("windows-1252", sesam + "Path=/donn\351es\n", "API_Sesam", "Path", "/données");
        rangee("utf-8", sesam + "Path=/donn\303\251es\n", "API_Sesam", "Path", "/données");
        rangee("caractere hors BMP au 99e garde",
               sesam + "Path=" + QByteArray(98, 'x') + "\xF0\x9F\x98\x80z\n", "API_Sesam", "Path",
               QString(98, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80z"));
        rangee("guillemets retires", sesam + "Path=\"/a b\"\n", "API_Sesam", "Path", "/a b");
    }
    void litProfil()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, section);
        QFETCH(QString, cle);
        QFETCH(QString, attendu);
        test::IsolatedEnvironment env;
        env.writeProfile(contenu);
        QCOMPARE(LitProfil(section, cle), attendu);
    }

    // What stops a coding is said with the profile's path: a missing file is
    // missing, not a missing key.
    void anomalieProfil_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // empty: no file
        QTest::addColumn<QString>("attendu");    // "%1": the profile's path
        rangee("absent", QByteArray(), "%1 introuvable");
        rangee("sans la clé", QByteArray("[API_Sesam]\r\nChemin=/srt\r\n"),
               "%1 ne donne pas le répertoire SRT (section [API_Sesam], clé Path)");
        rangee("complet", QByteArray("[API_Sesam]\r\nPath=/srt\r\n"), "");
    }
    void anomalieProfil()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, attendu);
        test::IsolatedEnvironment env;
        if (!contenu.isEmpty())
            env.writeProfile(contenu);
        QCOMPARE(pava::anomalieProfil(), attendu.arg(env.sysconf() + "/Pavareg.reg"));
        qunsetenv("PAVACCAM_SYSCONFDIR");
        QCOMPARE(cheminProfil(), "/etc/Pavareg.reg");
    }

    // A shared directory that cannot be used gives way to the user's own,
    // with a warning that names both and says why.
    void repertoirePartage_data()
    {
        QTest::addColumn<QString>("partage"); // in the test's root
        QTest::addColumn<QString>("cause");   // "" = the shared home is used
        rangee("accessible", "partage", "");
        rangee("absent", "absent", "n'existe pas");
        rangee("un fichier", "fichier", "n'est pas accessible en écriture");
    }
    void repertoirePartage()
    {
        QFETCH(QString, partage);
        QFETCH(QString, cause);
        test::IsolatedEnvironment env;
        QDir(env.root()).mkpath("partage");
        QVERIFY(test::writeFile(env.root() + "/fichier", "x"));
        partage = env.root() + QLatin1Char('/') + partage;
        const QString personnel = env.root() + "/utilisateur/.local/share/pavaccam";
        const ChoixRepertoire choix = choisirRepertoirePartage(partage, personnel);
        QCOMPARE(choix.repertoire, cause.isEmpty() ? partage : personnel);
        if (cause.isEmpty()) {
            QCOMPARE(choix.avertissement, QString());
        } else {
            QVERIFY(QFileInfo(personnel).isDir());
            QVERIFY2(choix.avertissement.contains(partage + QLatin1Char(' ') + cause) &&
                         choix.avertissement.contains(personnel),
                     qPrintable(choix.avertissement));
        }
    }

    // Twips to pixels (15 to one), halves to the even neighbour.
    void placement_data()
    {
        QTest::addColumn<QList<double>>("twips");
        QTest::addColumn<QList<int>>("pixels");
        using T = QList<double>;
        using P = QList<int>;
        rangee("demis au pair", T{337.5, 352.5, 7.5, 22.5}, P{22, 24, 0, 2});
        rangee("arrondis", T{7.0, 8.0, 22.0, 23.0}, P{0, 1, 1, 2});
    }
    void placement()
    {
        QFETCH(QList<double>, twips);
        QFETCH(QList<int>, pixels);
        QCOMPARE(placementEnPixels(twips[0], twips[1], twips[2], twips[3]),
                 (PlacementPixels{pixels[0], pixels[1], pixels[2], pixels[3]}));
    }

    void dateTexte_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QDateTime>("attendu");
        const QDateTime jour(QDate(2026, 3, 1), QTime(0, 0));
        rangee("forme ecrite", "01/03/2026 09:05:07", QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7)));
        rangee("date seule", "01/03/2026", jour);
        rangee("31 fevrier", "31/02/2026", QDateTime());
    }
    void dateTexte()
    {
        QFETCH(QString, texte);
        QFETCH(QDateTime, attendu);
        QCOMPARE(lireDateHeure(texte), attendu);
        if (texte.size() == 19)
            QCOMPARE(texteDateHeure(attendu), texte);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
