// The complement files, windows aside (tst_fenetrescomplements): exact bytes,
// hand-edited files, a save stopped at each step, texts of slots and amounts.
#include "CatalogueEssai.h"
#include "TestSupport.h"

#include "practice/FichiersComplements.h"
#include "practice/RegleComplements.h"
#include "session/Session.h"

#include <QDir>
#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace pava;
using complements::Etape;
using complements::tableOnglet;
using test::rangee;

namespace {

// Puts slots into the session: each entry "tab|slot|label|CCAM|NGAP".
void remplir(const QStringList& emplacements)
{
    for (const QString& e : emplacements) {
        const QStringList p = e.split(QLatin1Char('|'));
        auto& ligne = tableOnglet(p[0].toInt())[p[1].toInt()];
        for (int c = 1; c <= 3; ++c)
            ligne[c] = p[c + 1];
    }
}

// File bytes written with "|" for the "§" (0xA7) between fields.
QByteArray octets(QByteArray b)
{
    return b.replace('|', '\xA7');
}

// The slots of a session table as "label|CCAM|NGAP".
QStringList emplacements(int onglet)
{
    QStringList l;
    for (int r = 1; r <= 8; ++r) {
        const auto& e = tableOnglet(onglet)[r];
        l << e[1] + QLatin1Char('|') + e[2] + QLatin1Char('|') + e[3];
    }
    return l;
}

} // namespace

class TstFichiersComplements : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;

    QString fichier(int k) const { return m_env->home() + QStringLiteral("/Complt%1.txt").arg(k); }
    QByteArrayList contenus() const { return test::contenusCatalogue(m_env->home()); }
    QStringList listing() const { return QDir(m_env->home()).entryList(QDir::Files, QDir::Name); }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        reinitialiserSession();
    }
    void cleanup()
    {
        complements::interrompreSauvegarde({});
        reinitialiserSession();
        m_env.reset();
    }

    // Windows-1252, CR LF, "§" and line breaks taken out, an empty tab as a
    // blank title and eight empty slots; read back and written again alike.
    void ecritureOctetsExacts()
    {
        session().TitresOnglets = {QString(), "Échographie & Radio", "", "Rhumato§logie"};
        remplir({"1|1|Frottis|JKHD001A0____1|K8+MTO", "1|8|Consultation||C",
                 "3|2|Infil§tration|MZLB001A0____1=45.5|", "3|3|Deux\r\nlignes| |≥ 3"});
        const QByteArray vide = octets("||\r\n");
        const QByteArrayList attendus{
            octets("\xC9"
                   "chographie & Radio\r\nFrottis|JKHD001A0____1|K8+MTO\r\n") +
                vide.repeated(6) + octets("Consultation||C\r\n"),
            "\r\n" + vide.repeated(8),
            octets(
                "Rhumatologie\r\n||\r\nInfiltration|MZLB001A0____1=45.5|\r\nDeux lignes| | 3\r\n") +
                vide.repeated(5)};
        QVERIFY(PutActeComplementaire());
        QCOMPARE(contenus(), attendus);
        reinitialiserSession();
        GetActeComplementaire();
        QVERIFY(PutActeComplementaire());
        QCOMPARE(contenus(), attendus);
    }

    // Files edited by hand; Complt2.txt is absent: its title stays, its
    // slots are emptied.
    void lecture_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // of Complt1.txt
        QTest::addColumn<QString>("titre");
        QTest::addColumn<QStringList>("attendus");
        rangee("ligne sans §, quatre morceaux", octets("T\r\nLibell\xE9 seul\r\nA|B|C|D\r\n"), "T",
               QStringList{"Libellé seul||", "A|B|C"});
        rangee("titre vide, fins LF, dernière ligne sans fin", octets("\nA||\nB|C"), "",
               QStringList{"A||", "B|C|"});
        rangee("plus de neuf lignes", "T\r\n" + octets("X|Y|Z\r\n").repeated(10), "T",
               QStringList(8, QStringLiteral("X|Y|Z")));
    }
    void lecture()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, titre);
        QFETCH(QStringList, attendus);
        QVERIFY(test::writeFile(fichier(1), contenu));
        session().TitresOnglets = {QString(), QStringLiteral("Ancien"), QStringLiteral("Deux"),
                                   QString()};
        tableOnglet(1)[5][1] = QStringLiteral("d'avant");
        tableOnglet(2)[1][2] = QStringLiteral("d'avant");
        GetActeComplementaire();
        QCOMPARE(session().TitresOnglets[1], titre);
        QCOMPARE(emplacements(1), attendus + QStringList(8 - attendus.size(), "||"));
        QCOMPARE(session().TitresOnglets[2], QStringLiteral("Deux"));
        QCOMPARE(emplacements(2), QStringList(8, "||"));
    }

    // A save stopped at each of its steps, as by a crash: the next reading
    // finds the three previous files or the three new ones, never a mix, and
    // nothing left over; a later save works. When the saving process still
    // holds the lock (ailleurs), the reader cannot complete or discard the
    // save: it takes the new files only under their marker.
    void sauvegardeInterrompue_data()
    {
        QTest::addColumn<int>("etape");
        QTest::addColumn<int>("onglet");
        QTest::addColumn<bool>("nouveau");
        QTest::addColumn<bool>("ailleurs");
        for (int k = 1; k <= 3; ++k) {
            QTest::addRow("avant la copie %d", k)
                << int(Etape::EcritureCopie) << k << false << false;
            QTest::addRow("copie %d à moitié", k)
                << int(Etape::CopieEntamee) << k << false << false;
        }
        rangee("avant la marque", int(Etape::Marque), 0, false, false);
        rangee("avant la marque, sauvegarde en cours ailleurs", int(Etape::Marque), 0, false, true);
        for (int k = 1; k <= 3; ++k)
            QTest::addRow("avant le remplacement %d", k)
                << int(Etape::Remplacement) << k << true << false;
        rangee("avant le remplacement 2, sauvegarde en cours ailleurs", int(Etape::Remplacement), 2,
               true, true);
        rangee("avant le retrait de la marque", int(Etape::RetraitMarque), 0, true, false);
        rangee("sans interruption", -1, 0, true, false);
    }
    void sauvegardeInterrompue()
    {
        QFETCH(int, etape);
        QFETCH(int, onglet);
        QFETCH(bool, nouveau);
        QFETCH(bool, ailleurs);
        QByteArrayList anciens, nouveaux;
        for (int k = 1; k <= 3; ++k) {
            const QString n = QString::number(k);
            anciens << test::octetsCatalogue("Ancien " + n, {"Ancien|A" + n + "|"});
            nouveaux << test::octetsCatalogue("Nouveau " + n, {"||", "Nouveau|N" + n + "|C"});
            QVERIFY(test::writeFile(fichier(k), anciens.last()));
            session().TitresOnglets[k] = "Nouveau " + n;
            remplir({n + "|2|Nouveau|N" + n + "|C"});
        }
        bool atteinte = false;
        complements::interrompreSauvegarde([&](Etape e, int k) {
            return atteinte = atteinte || (int(e) == etape && k == onglet);
        });
        QCOMPARE(PutActeComplementaire(), etape < 0);
        QCOMPARE(atteinte, etape >= 0);
        complements::interrompreSauvegarde({});
        if (ailleurs) {
            const int verrou =
                ::open(QFile::encodeName(m_env->home()).constData(), O_RDONLY | O_DIRECTORY);
            QVERIFY(verrou >= 0 && ::flock(verrou, LOCK_EX) == 0);
            reinitialiserSession();
            GetActeComplementaire();
            ::close(verrou);
            for (int k = 1; k <= 3; ++k)
                QCOMPARE(session().TitresOnglets[k],
                         (nouveau ? "Nouveau " : "Ancien ") + QString::number(k));
        }
        reinitialiserSession();
        GetActeComplementaire();
        QCOMPARE(contenus(), nouveau ? nouveaux : anciens);
        QCOMPARE(session().TitresOnglets[3], nouveau ? "Nouveau 3" : "Ancien 3");
        QCOMPARE(listing(), (QStringList{"Complt1.txt", "Complt2.txt", "Complt3.txt"}));
        // The next save works: what was read is saved again, byte for byte.
        QVERIFY(PutActeComplementaire());
        QCOMPARE(contenus(), nouveau ? nouveaux : anciens);
        QCOMPARE(listing(), (QStringList{"Complt1.txt", "Complt2.txt", "Complt3.txt"}));
    }

    // Blank codings leave out a ticked slot of tab 1 only; an empty label
    // still takes its "+" after another.
    void assembleComplements()
    {
        remplir({"1|3|Sans code|  | ", "2|3|Sans code||", "3|2|A| |", "3|3||Z|", "3|4|B||"});
        const auto textes = [](const QList<QPoint>& coches) {
            complements::Coches c{};
            for (const QPoint& p : coches)
                c[p.x() - 1][p.y() - 1] = true;
            const complements::TextesComplement t = complements::assembleComplements(c);
            return QStringList{t.libelles, t.ccam, t.ngap};
        };
        QCOMPARE(textes({{1, 3}, {2, 3}}), (QStringList{"Sans code", "", ""}));
        QCOMPARE(textes({{3, 2}, {3, 3}, {3, 4}}), (QStringList{"A++B", " +Z", ""}));
    }

    void suiteMontants_data()
    {
        QTest::addColumn<QString>("cotation");
        QTest::addColumn<QStringList>("boites");
        QTest::addColumn<QString>("attendu");
        const QString acte = QStringLiteral("QZJA002A0____1");
        rangee("dépassement et hors nomenclature", acte, QStringList{"", "12", "30"},
               acte + "&12$30");
        rangee("virgule décimale", acte, QStringList{"12,50", "", " 7 .5"}, acte + "=12.5$7.5");
        rangee("zéro, négatif, texte", acte, QStringList{"0", "-5", "abc"}, acte);
        // A French keyboard or a pasted amount separates thousands with a
        // no-break space, which the box shows as a blank.
        rangee("milliers séparés", acte, QStringList{"1\u00a0250,50", "", "2\u202f000"},
               acte + "=1250.5$2000");
        rangee("plusieurs actes, anciens montants remplacés", "AAAA001A0____1+BBBB002A0____1&12$30",
               QStringList{"", "", "8"}, "AAAA001A0____1+BBBB002A0____1$8");
        rangee("boîtes vides : montants retirés", acte + "=45.5$30", QStringList{"", "", ""}, acte);
    }
    void suiteMontants()
    {
        QFETCH(QString, cotation);
        QFETCH(QStringList, boites);
        QFETCH(QString, attendu);
        QCOMPARE(complements::suiteMontants(cotation, boites[0], boites[1], boites[2]), attendu);
    }

    void montantLisible()
    {
        for (const char* lisible :
             {"", "  ", "12,50", " 1 250,5", "1\u00a0250,5", "-5", ".5", "7."})
            QVERIFY2(complements::montantLisible(QString::fromUtf8(lisible)), lisible);
        for (const char* illisible :
             {"45,5x", "abc", "1,234,5", "12.5.3", "--3", ",", "-", ".", "1e3", "12,5\u00a0€"})
            QVERIFY2(!complements::montantLisible(QString::fromUtf8(illisible)), illisible);
    }
};

QTEST_MAIN(TstFichiersComplements)
#include "tst_fichierscomplements.moc"
