// "pavaccam reference ...": arguments, exit codes and what the user reads, on
// standard output and on standard error.
#include "EditionsDeTest.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "host/cli/CommandeReference.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace pava;
using namespace pava::test;

namespace {

struct Sortie
{
    int code = -1;
    QString out;
    QString err;
};

Sortie lancer(const QStringList& args)
{
    Sortie s;
    QTextStream out(&s.out);
    QTextStream err(&s.err);
    s.code = commandeReference(args, out, err);
    out.flush();
    err.flush();
    return s;
}

} // namespace

class TestCommande : public QObject
{
    Q_OBJECT

    IsolatedEnvironment m_env;
    QTemporaryDir m_dir;

    QString chemin(const char* nom) const { return m_dir.path() + QLatin1Char('/') + nom; }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(
            chemin("edition.csv"),
            edition(81, "01/01/2026",
                    {"16,,PEAU,,,,,,,,",
                     "QZJA002,,Suture de plaie superficielle,1,0,26.60,24.21,,,1,ADC",
                     "\"[F, R, M]\",,Facturation : ne peut pas être facturé avec QZNP001,,,,,,,,",
                     "QZNP001,,Verrues,1,0,Non pris en charge,Non pris en charge,,,2,ATM"})));
        QVERIFY(writeFile(chemin("table.csv"), "[modificateurs]\nF;*;19.06;;;Dimanche\n"
                                               "R;*;+50%;;;Face\n"
                                               "[compatibilites]\nQZJA002;QZNP001;2026-06-01;\n"));
        QVERIFY(writeFile(chemin("illisible.csv"),
                          edition(81, "01/01/2026",
                                  {"QZJA002,,Suture,1,0,26.60,24.21,,,1,ADC",
                                   "QZJA017,,Suture,1,0,vingt,24.21,,,1,ADC"})));
        QCOMPARE(lancer({"import", chemin("edition.csv"), "--srt", chemin("srt"), "--modifiers",
                         chemin("table.csv")})
                     .code,
                 0);
        // The practice's own lexicon, in its home.
        QVERIFY(writeFile(m_env.home() + "/lexique-cabinet.txt", "crête de coq = verrues\n"));
        QVERIFY(creerHabituels(chemin("donnees/CCAM001.mdb"), {{"QZJA002", "Suture"}}));
        QVERIFY(creerHistorique(chemin("rsc/Cotation.mdb"), {{"QZJA002", "2026-01-10"}}));
    }

    // "@x" stands for m_dir/x; "@vide" is emptied first and a failure leaves it so.
    void commande_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("sortie"); // on standard output; none: it stays empty
        QTest::addColumn<QString>("erreur");     // on standard error; "": it stays empty
        using L = QStringList;
        const QString suture = "QZJA002\tSuture de plaie superficielle\t26.60 €\n";
        const QString verrues = "QZNP001\tVerrues\tnon pris en charge\n";
        const QString deux = verrues + suture + "2 actes trouvés.\n";
        const QString deuxPratique = suture + verrues + "2 actes trouvés.\n";
        rangee("sans sous-commande", L{}, 2, L{}, "Utilisation");
        rangee("sous-commande inconnue", L{"efface"}, 2, L{}, "inconnue");
        rangee("sans --srt", L{"search", "suture"}, 2, L{}, "--srt");
        rangee("--vite", L{"search", "x", "--srt", "d", "--vite"}, 2, L{}, "option inconnue");
        rangee("option sans valeur", L{"price", "QZJA002", "--srt"}, 2, L{}, "attend une valeur");
        rangee("import sans fichier", L{"import", "--srt", "d"}, 2, L{}, "un seul");
        rangee("fichier introuvable", L{"import", "/nulle/part.csv", "--srt", "@vide"}, 1, L{},
               "impossible de lire");
        rangee("recherche sans référentiel", L{"search", "suture", "--srt", "@vide"}, 1, L{},
               "aucun référentiel");
        rangee("recherche sans mot", L{"search", "--srt", "@srt"}, 2, L{}, "mots");
        rangee("--max 0", L{"search", "x", "--srt", "@srt", "--max", "0"}, 2, L{}, "--max");
        rangee("grille inconnue", L{"price", "QZJA002", "--srt", "@srt", "--grille", "3"}, 2, L{},
               "grille");
        rangee("date illisible", L{"price", "QZJA002", "--srt", "@srt", "--date", "demain"}, 2, L{},
               "date");
        rangee("cinq modificateurs", L{"price", "QZJA002", "--srt", "@srt", "--modifiers", "FRMPS"},
               2, L{}, "quatre");
        rangee("check, un acte", L{"check", "QZJA002", "--srt", "@srt"}, 2, L{}, "deux codes");
        rangee("code d'acte illisible", L{"check", "QZJA002", "QZJA", "--srt", "@srt"}, 2, L{},
               "n'est pas un code");

        const QString progres = "Écriture du référentiel : 100 %";
        rangee("import", L{"import", "@edition.csv", "--srt", "@vide", "--modifiers", "@table.csv"},
               0,
               L{"version 81 applicable le 01/01/2026", "2 actes, 2 activités (lignes d'activité "
                                                        "et de phase), 4 tarifs, 1 listes de "
                                                        "modificateurs, 1 chapitres."},
               progres);
        // /proc takes no folder, even from root.
        rangee("import, répertoire impossible",
               L{"import", "@illisible.csv", "--srt", "/proc/pavaccam-essai"}, 1, L{},
               "impossible d'écrire dans le répertoire");
        rangee("import refusé, ligne illisible", L{"import", "@illisible.csv", "--srt", "@vide"}, 1,
               L{QString("ligne %1 : tarif de la grille 1 illisible : « vingt »")
                     .arg(kPremiereLigneEdition + 1)},
               "--forcer");
        rangee(
            "import forcé, sans la table de l'installation",
            L{"import", "@illisible.csv", "--srt", "@vide", "--forcer"}, 0,
            L{"2 actes, 2 activités (lignes d'activité et de phase), 3 tarifs", "n'ajoutent rien"},
            progres);

        rangee("recherche d'un code", L{"search", "qznp", "--srt", "@srt"}, 0,
               L{verrues + "1 acte trouvé.\n"}, "");
        rangee("aucun acte", L{"search", "xyzzy", "--srt", "@srt"}, 0, L{"Aucun acte trouvé.\n"},
               "");
        rangee("sans la pratique, le libellé le plus court", L{"search", "qz", "--srt", "@srt"}, 0,
               L{deux}, "");
        rangee("cotations habituelles en premier",
               L{"search", "qz", "--data", "@donnees", "--srt", "@srt"}, 0, L{deuxPratique}, "");
        rangee("historique du cabinet en premier",
               L{"search", "qz", "--rsc", "@rsc", "--srt", "@srt"}, 0, L{deuxPratique}, "");
        rangee("lexique du cabinet, expliqué",
               L{"search", "crete coq", "--explain", "--srt", "@srt"}, 0,
               L{verrues + "    « crete coq » : verrues ; par le lexique (",
                 "lexique-cabinet.txt, ligne 1 : crête de coq = verrues)\n1 acte trouvé.\n"},
               "");
        rangee("mot commencé, expliqué", L{"search", "sut sup", "--explain", "--srt", "@srt"}, 0,
               L{"    « sut » : suture (début de mot)\n    « sup » : superficielle (début de "
                 "mot)\n"},
               "");
        rangee("historique absent", L{"search", "qz", "--rsc", "@donnees", "--srt", "@srt"}, 0,
               L{deux}, "Historique des cotations introuvable");

        rangee("tarif avec modificateurs",
               L{"price", "QZJA002", "--modifiers", "F,R", "--date", "01/02/2026", "--srt", "@srt"},
               0,
               L{"Prix unitaire (activité 1, phase 0) : 26,60 €.",
                 "Modificateur F (Dimanche) : +19,06 € (table de l'installation).",
                 "26,60 € × (100 % + 50 %) + 19,06 € de forfaits = 58,96 €.", "Tarif : 58.96 €"},
               "");
        // The association takes the act and its percentages, never the flat F.
        rangee("association 2, forfait à taux plein",
               L{"price", "QZJA002", "--modifiers", "F", "--association", "2", "--srt", "@srt"}, 0,
               L{"26,60 € × 50 % (code association 2) + 19,06 € de forfaits", "Tarif : 32.36 €"},
               "");
        rangee("code association inconnu",
               L{"price", "QZJA002", "--association", "9", "--srt", "@srt"}, 1, L{},
               "association « 9 » est inconnu");
        rangee("tarif de la grille 2", L{"price", "QZJA002", "--grille", "2", "--srt", "@srt"}, 0,
               L{"grille 2", "Tarif : 24.21 €"}, "");
        rangee("modificateur non autorisé",
               L{"price", "QZJA002", "--modifiers", "Z", "--srt", "@srt"}, 0,
               L{"Modificateur Z : non autorisé pour cet acte, ignoré.", "Tarif : 26.60 €"}, "");
        rangee("modificateur sans taux", L{"price", "QZJA002", "--modifiers", "M", "--srt", "@srt"},
               1, L{}, "Le modificateur M n'a pas de taux");
        rangee("tarif non pris en charge", L{"price", "QZNP001", "--srt", "@srt"}, 0,
               L{"non pris en charge", "Tarif : 0.00 €"}, "");
        rangee("price, inconnu", L{"price", "ZZZZ999", "--srt", "@srt"}, 1, L{}, "inconnu");

        rangee("paire de l'édition",
               L{"check", "QZJA002", "QZNP001", "--date", "2026-02-01", "--srt", "@srt"}, 1,
               L{"L'acte QZNP001 ne peut pas être facturé avec l'acte QZJA002 (règles de "
                 "facturation de l'édition CCAM 81).\nNote de l'acte QZJA002 : « Facturation : ne "
                 "peut pas être facturé avec QZNP001 ».\n"},
               "");
        rangee("paire dans l'autre ordre",
               L{"check", "QZNP001", "qzja002", "--date", "01/05/2026", "--srt", "@srt"}, 1,
               L{"L'acte QZJA002 ne peut pas être facturé avec l'acte QZNP001 (règles de "
                 "facturation de l'édition CCAM"},
               "");
        rangee("paire levée par l'installation à cette date",
               L{"check", "QZNP001", "QZJA002", "--date", "2026-07-01", "--srt", "@srt"}, 0,
               L{"compatible\n"}, "");
        rangee("vérification d'un acte inconnu", L{"check", "QZJA002", "ZZZZ999", "--srt", "@srt"},
               1, L{}, "inconnu");
    }
    // A hostile practice lexicon is reported on stderr; the search goes on.
    void lexiqueHostile_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // empty: a link to the edition
        QTest::addColumn<QString>("erreur");
        rangee("lien symbolique", QByteArray(), "lien symbolique");
        rangee("ligne sans sens", QByteArray("crete de coq =\n"), "ligne 1");
    }

    void lexiqueHostile()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, erreur);
        const QString fichier = m_env.home() + "/lexique-cabinet.txt";
        const QByteArray avant = readFile(fichier);
        QVERIFY(QFile::remove(fichier));
        QVERIFY(contenu.isEmpty() ? QFile::link(chemin("edition.csv"), fichier)
                                  : writeFile(fichier, contenu));
        const Sortie s = lancer({"search", "verrues", "--srt", chemin("srt")});
        QVERIFY(QFile::remove(fichier));
        QVERIFY(writeFile(fichier, avant));
        QCOMPARE(s.code, 0);
        QVERIFY2(s.out.contains("QZNP001"), qPrintable(s.out));
        QVERIFY2(s.err.contains(erreur), qPrintable(s.err));
    }

    void commande()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QStringList, sortie);
        QFETCH(QString, erreur);
        QVERIFY(QDir(chemin("vide")).removeRecursively());
        for (QString& a : args)
            if (a.startsWith(QLatin1Char('@')))
                a = chemin(qPrintable(a.mid(1)));
        const Sortie s = lancer(args);
        QCOMPARE(s.code, code);
        for (const QString& l : sortie)
            QVERIFY2(s.out.contains(l), qPrintable(s.out));
        QVERIFY2(!sortie.isEmpty() || s.out.isEmpty(), qPrintable(s.out));
        QVERIFY2(erreur.isEmpty() ? s.err.isEmpty() : s.err.contains(erreur), qPrintable(s.err));
        QCOMPARE(QFileInfo::exists(chemin("vide/srt/CCAM.mdb")),
                 code == 0 && args.contains(chemin("vide")));
    }
};

QTEST_GUILESS_MAIN(TestCommande)
#include "tst_commande.moc"
