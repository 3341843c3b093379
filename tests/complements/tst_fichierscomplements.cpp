#include "CatalogueEssai.h"
#include "TestSupport.h"

#include "complements/FichiersComplements.h"
#include "complements/RegleComplements.h"
#include "session/Session.h"

#include <QDir>
#include <QtTest>

#include <memory>

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

QStringList vides(int n)
{
    return QStringList(n, QStringLiteral("||"));
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

    void ecritureOctetsExacts_data()
    {
        QTest::addColumn<QStringList>("titres");
        QTest::addColumn<QStringList>("saisie");
        QTest::addColumn<QByteArrayList>("attendus");
        const QByteArray vide = "\r\n" + QByteArray("\xA7\xA7\r\n").repeated(8);
        rangee("premier usage", QStringList{"", "", ""}, QStringList{},
               QByteArrayList{vide, vide, vide});
        rangee("titre accentué, champs, caractères interdits",
               QStringList{"Échographie & Radio", "", "Rhumato§logie"},
               QStringList{"1|1|Frottis|JKHD001A0____1|K8+MTO", "1|8|Consultation||C",
                           "3|2|Infil§tration|MZLB001A0____1=45.5|", "3|3|Deux\r\nlignes| |≥ 3"},
               QByteArrayList{"\xC9"
                              "chographie & Radio\r\n"
                              "Frottis\xA7JKHD001A0____1\xA7K8+MTO\r\n" +
                                  QByteArray("\xA7\xA7\r\n").repeated(6) +
                                  "Consultation\xA7\xA7"
                                  "C\r\n",
                              vide,
                              "Rhumatologie\r\n"
                              "\xA7\xA7\r\n"
                              "Infiltration\xA7MZLB001A0____1=45.5\xA7\r\n"
                              "Deux lignes\xA7 \xA7 3\r\n" +
                                  QByteArray("\xA7\xA7\r\n").repeated(5)});
    }
    void ecritureOctetsExacts()
    {
        QFETCH(QStringList, titres);
        QFETCH(QStringList, saisie);
        QFETCH(QByteArrayList, attendus);
        for (int k = 1; k <= 3; ++k)
            session().TitresOnglets[k] = titres[k - 1];
        remplir(saisie);
        QVERIFY(PutActeComplementaire());
        QCOMPARE(contenus(), attendus);
        QCOMPARE(listing(), (QStringList{"Complt1.txt", "Complt2.txt", "Complt3.txt"}));
        // Read back into a fresh process and written again: the same bytes.
        reinitialiserSession();
        GetActeComplementaire();
        QVERIFY(PutActeComplementaire());
        QCOMPARE(contenus(), attendus);
    }

    void lecture_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // of Complt1.txt; null = no file
        QTest::addColumn<QString>("titre");
        QTest::addColumn<QStringList>("attendus");
        rangee("absent", QByteArray(), "Ancien", vides(8));
        rangee("vide", QByteArray(""), "Ancien", vides(8));
        rangee("quatre lignes",
               QByteArray("Titre\r\nA\xA7"
                          "B\xA7"
                          "C\r\nD\xA7\xA7\r\n\xA7\xA7"
                          "F\r\n"),
               "Titre", QStringList{"A|B|C", "D||", "||F"} + vides(5));
        rangee("ligne sans §, quatre morceaux",
               QByteArray("T\r\nLibell\xE9 seul\r\nA\xA7"
                          "B\xA7"
                          "C\xA7"
                          "D\r\n"),
               "T", QStringList{"Libellé seul||", "A|B|C"} + vides(6));
        rangee("titre vide, fins LF, dernière ligne sans fin",
               QByteArray("\nA\xA7\xA7\nB\xA7"
                          "C"),
               "", QStringList{"A||", "B|C|"} + vides(6));
        rangee("plus de neuf lignes",
               QByteArray("T\r\n") + QByteArray("X\xA7Y\xA7Z\r\n").repeated(10), "T",
               QStringList(8, QStringLiteral("X|Y|Z")));
    }
    void lecture()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, titre);
        QFETCH(QStringList, attendus);
        if (!contenu.isNull())
            QVERIFY(test::writeFile(fichier(1), contenu));
        session().TitresOnglets = {QString(), QStringLiteral("Ancien"), QStringLiteral("Deux"),
                                   QString()};
        tableOnglet(1)[5][1] = QStringLiteral("d'avant");
        tableOnglet(2)[1][2] = QStringLiteral("d'avant");
        GetActeComplementaire();
        QCOMPARE(session().TitresOnglets[1], titre);
        QCOMPARE(emplacements(1), attendus);
        QCOMPARE(session().TitresOnglets[2], QStringLiteral("Deux")); // file absent
        QCOMPARE(emplacements(2), vides(8));
    }

    // A save stopped at each of its steps, as by a crash: the next reading
    // finds the three previous files or the three new ones, never a mix, and
    // nothing left over; a later save works.
    void sauvegardeInterrompue_data()
    {
        QTest::addColumn<int>("etape");
        QTest::addColumn<int>("onglet");
        QTest::addColumn<bool>("nouveau");
        for (int k = 1; k <= 3; ++k) {
            QTest::addRow("avant la copie %d", k) << int(Etape::EcritureCopie) << k << false;
            QTest::addRow("copie %d à moitié", k) << int(Etape::CopieEntamee) << k << false;
        }
        rangee("avant la marque", int(Etape::Marque), 0, false);
        for (int k = 1; k <= 3; ++k)
            QTest::addRow("avant le remplacement %d", k) << int(Etape::Remplacement) << k << true;
        rangee("avant le retrait de la marque", int(Etape::RetraitMarque), 0, true);
        rangee("sans interruption", -1, 0, true);
    }
    void sauvegardeInterrompue()
    {
        QFETCH(int, etape);
        QFETCH(int, onglet);
        QFETCH(bool, nouveau);
        QByteArrayList anciens, nouveaux, troisiemes;
        for (int k = 1; k <= 3; ++k) {
            const QString n = QString::number(k);
            anciens << test::octetsCatalogue("Ancien " + n, {"Ancien|A" + n + "|"});
            QVERIFY(test::writeFile(fichier(k), anciens.last()));
            nouveaux << test::octetsCatalogue("Nouveau " + n, {"||", "Nouveau|N" + n + "|C"});
            troisiemes << test::octetsCatalogue("Troisième " + n);
            session().TitresOnglets[k] = "Nouveau " + n;
            remplir({n + "|2|Nouveau|N" + n + "|C"});
        }
        bool atteinte = false;
        complements::interrompreSauvegarde([&](Etape e, int k) {
            atteinte = atteinte || (int(e) == etape && k == onglet);
            return atteinte;
        });
        QCOMPARE(PutActeComplementaire(), etape < 0);
        QCOMPARE(atteinte, etape >= 0);
        complements::interrompreSauvegarde({});

        reinitialiserSession();
        GetActeComplementaire();
        QCOMPARE(contenus(), nouveau ? nouveaux : anciens);
        QCOMPARE(session().TitresOnglets[3],
                 QString::fromLatin1(nouveau ? "Nouveau 3" : "Ancien 3"));
        QCOMPARE(listing(), (QStringList{"Complt1.txt", "Complt2.txt", "Complt3.txt"}));

        for (int k = 1; k <= 3; ++k) {
            session().TitresOnglets[k] = QStringLiteral("Troisième %1").arg(k);
            tableOnglet(k) = {};
        }
        QVERIFY(PutActeComplementaire());
        QCOMPARE(contenus(), troisiemes);
        QCOMPARE(listing(), (QStringList{"Complt1.txt", "Complt2.txt", "Complt3.txt"}));
    }

    void assembleComplements_data()
    {
        QTest::addColumn<QStringList>("catalogue");
        QTest::addColumn<QStringList>("coches");  // "tab|slot"
        QTest::addColumn<QStringList>("attendu"); // labels, CCAM, NGAP
        const QStringList catalogue = {"1|1|Consultation||C",
                                       "1|2|Radio|ZBQK002A0____1|",
                                       "1|3|Sans code|  | ",
                                       "2|1||X|",
                                       "2|2|B||K8",
                                       "2|3|Sans code||",
                                       "3|1|Infiltration|MZLB001|",
                                       "3|2|A| |",
                                       "3|3||Z|",
                                       "3|4|B||"};
        rangee("rien de coché", catalogue, QStringList{}, QStringList{"", "", ""});
        rangee("onglet 1 : codages blancs exclus, onglets 2 et 3 : tout compte", catalogue,
               QStringList{"1|3", "2|3"}, QStringList{"Sans code", "", ""});
        rangee("onglet 1 avant l'onglet 3", catalogue, QStringList{"3|1", "1|2", "1|1"},
               QStringList{"Consultation+Radio+Infiltration", "ZBQK002A0____1+MZLB001", "C"});
        rangee("libellé vide en premier : pas de +", catalogue, QStringList{"2|1", "2|2"},
               QStringList{"B", "X", "K8"});
        rangee("A, vide, B : deux +", catalogue, QStringList{"3|2", "3|3", "3|4"},
               QStringList{"A++B", " +Z", ""});
    }
    void assembleComplements()
    {
        QFETCH(QStringList, catalogue);
        QFETCH(QStringList, coches);
        QFETCH(QStringList, attendu);
        remplir(catalogue);
        complements::Coches c{};
        for (const QString& e : coches)
            c[e.section(QLatin1Char('|'), 0, 0).toInt() - 1]
             [e.section(QLatin1Char('|'), 1, 1).toInt() - 1] = true;
        const complements::TextesComplement t = complements::assembleComplements(c);
        QCOMPARE((QStringList{t.libelles, t.ccam, t.ngap}), attendu);
    }

    void suiteMontants_data()
    {
        QTest::addColumn<QString>("cotation");
        QTest::addColumn<QStringList>("boites");
        QTest::addColumn<QString>("attendu");
        const QString acte = QStringLiteral("QZJA002A0____1");
        rangee("total", acte, QStringList{"45.5", "", ""}, acte + "=45.5");
        rangee("dépassement et hors nomenclature", acte, QStringList{"", "12", "30"},
               acte + "&12$30");
        rangee("le total l'emporte", acte, QStringList{"100", "12", ""}, acte + "=100");
        rangee("virgule décimale", acte, QStringList{"12,50", "", " 7 .5"}, acte + "=12$7.5");
        rangee("zéro, négatif, texte", acte, QStringList{"0", "-5", "abc"}, acte);
        rangee("rouvert sans changement", acte + "=45.5", QStringList{"45.5", "", ""},
               acte + "=45.5");
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
};

QTEST_MAIN(TstFichiersComplements)
#include "tst_fichierscomplements.moc"
