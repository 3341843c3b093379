// "pavaccam reference ...": arguments, exit codes and what the user reads.
#include "EditionsDeTest.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "srt/CommandeReference.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

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

private:
    QString srt() const { return m_dir->path() + "/srt-base"; }
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_edition;
    QString m_table;

private slots:
    void init()
    {
        // The old environment's destructor clears the variables the new one sets.
        m_env.reset();
        m_env = std::make_unique<IsolatedEnvironment>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_edition = m_dir->path() + "/edition.csv";
        m_table = m_dir->path() + "/table.csv";
        QVERIFY(writeFile(
            m_edition,
            edition(81, "01/01/2026",
                    {"16,,PEAU,,,,,,,,",
                     "QZJA002,,Suture de plaie superficielle,1,0,26.60,24.21,,,1,ADC",
                     "\"[F, R, M]\",,Facturation : ne peut pas être facturé avec QZNP001,,,,,,,,",
                     "QZNP001,,Verrues,1,0,Non pris en charge,Non pris en charge,,,2,ATM"})));
        QVERIFY(writeFile(m_table, "[modificateurs]\nF;*;19.06;;;Dimanche\nR;*;+50%;;;Face\n"
                                   "[compatibilites]\nQZJA002;QZNP001;2026-06-01;\n"));
    }

    void erreurs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");

        rangee("sans sous-commande", QStringList{}, 2, "Utilisation");
        rangee("sous-commande inconnue", QStringList{"efface"}, 2, "inconnue");
        rangee("sans --srt", QStringList{"search", "suture"}, 2, "--srt");
        rangee("option inconnue", QStringList{"search", "x", "--srt", "d", "--vite"}, 2,
               "option inconnue");
        rangee("option sans valeur", QStringList{"price", "QZJA002", "--srt"}, 2,
               "attend une valeur");
        rangee("import sans fichier", QStringList{"import", "--srt", "d"}, 2, "un seul");
        rangee("fichier introuvable", QStringList{"import", "/nulle/part.csv", "--srt", "@SRT"}, 1,
               "impossible de lire");
        rangee("recherche sans référentiel", QStringList{"search", "suture", "--srt", "@SRT"}, 1,
               "aucun référentiel");
        rangee("recherche sans mot", QStringList{"search", "--srt", "@SRT"}, 2, "mots");
        rangee("grille inconnue", QStringList{"price", "QZJA002", "--srt", "@SRT", "--grille", "3"},
               2, "grille");
        rangee("date illisible",
               QStringList{"price", "QZJA002", "--srt", "@SRT", "--date", "demain"}, 2, "date");
        rangee("cinq modificateurs",
               QStringList{"price", "QZJA002", "--srt", "@SRT", "--modifiers", "FRMPS"}, 2,
               "quatre");
        rangee("un seul acte à vérifier", QStringList{"check", "QZJA002", "--srt", "@SRT"}, 2,
               "deux codes");
        rangee("code d'acte illisible", QStringList{"check", "QZJA002", "QZJA", "--srt", "@SRT"}, 2,
               "n'est pas un code");
        rangee("maximum illisible", QStringList{"search", "x", "--srt", "@SRT", "--max", "0"}, 2,
               "--max");
    }

    void erreurs()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        args.replaceInStrings("@SRT", srt());
        const Sortie s = lancer(args);
        QCOMPARE(s.code, code);
        QVERIFY2(s.err.contains(message), qPrintable(s.err));
    }

    void importe()
    {
        const Sortie s = lancer({"import", m_edition, "--srt", srt(), "--modifiers", m_table});
        QCOMPARE(s.code, 0);
        QVERIFY2(s.out.contains("2 actes, 2 activités (lignes d'activité et de phase), 4 tarifs, "
                                "1 listes de modificateurs, 1 chapitres."),
                 qPrintable(s.out));
        QVERIFY(s.out.contains("version 81 applicable le 01/01/2026"));
        QVERIFY(s.err.contains("Écriture du référentiel : 100 %"));
        QVERIFY(QFileInfo::exists(srt() + "/srt/CCAM.mdb"));

        // Without the installation's table the modifiers are said to add nothing.
        const Sortie sans = lancer({"import", m_edition, "--srt", srt(), "--nouveau"});
        QCOMPARE(sans.code, 0);
        QVERIFY2(sans.out.contains("n'ajoutent rien"), qPrintable(sans.out));
    }

    void importRefuse()
    {
        QVERIFY(writeFile(m_edition, edition(81, "01/01/2026",
                                             {"QZJA002,,Suture,1,0,26.60,24.21,,,1,ADC",
                                              ",,\"Note sur\ndeux lignes\",,,,,,,,",
                                              "QZJA017,,Suture,1,0,vingt,24.21,,,1,ADC"})));
        const Sortie s = lancer({"import", m_edition, "--srt", srt()});
        QCOMPARE(s.code, 1);
        const int ligne = kPremiereLigneEdition + 3; // after a note on two lines
        QVERIFY2(s.out.contains(
                     QString("ligne %1 : tarif de la grille 1 illisible : « vingt »").arg(ligne)),
                 qPrintable(s.out));
        QVERIFY(s.err.contains("--forcer"));
        QVERIFY(!QFileInfo::exists(srt() + "/srt/CCAM.mdb"));
        QCOMPARE(lancer({"import", m_edition, "--srt", srt(), "--forcer"}).code, 0);
    }

    void cherche_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<QString>("erreur"); // what standard error says, "" for nothing

        const QString suture = "QZJA002\tSuture de plaie superficielle\t26.60 €\n";
        const QString verrues = "QZNP001\tVerrues\tnon pris en charge\n";
        rangee("mots", QStringList{"plaies", "suture"}, suture + "1 acte trouvé.\n", "");
        rangee("code", QStringList{"qznp"}, verrues + "1 acte trouvé.\n", "");
        rangee("rien", QStringList{"xyzzy"}, "Aucun acte trouvé.\n", "");
        rangee("sans la pratique, le libellé le plus court", QStringList{"qz"},
               verrues + suture + "2 actes trouvés.\n", "");
        rangee("cotations habituelles en premier", QStringList{"qz", "--data", "@DONNEES"},
               suture + verrues + "2 actes trouvés.\n", "");
        rangee("historique du cabinet en premier", QStringList{"qz", "--rsc", "@RSC"},
               suture + verrues + "2 actes trouvés.\n", "");
        rangee("historique absent", QStringList{"qz", "--rsc", "@DONNEES"},
               verrues + suture + "2 actes trouvés.\n", "Historique des cotations introuvable");
    }

    void cherche()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, attendu);
        QFETCH(QString, erreur);
        QCOMPARE(lancer({"import", m_edition, "--srt", srt()}).code, 0);
        const QString donnees = m_dir->path() + "/donnees";
        const QString rsc = m_dir->path() + "/rsc";
        QVERIFY(creerHabituels(donnees + "/CCAM001.mdb", {{"QZJA002", "Suture"}}));
        QVERIFY(creerHistorique(rsc + "/Cotation.mdb", {{"QZJA002", "2026-01-10"}}));
        args.replaceInStrings("@DONNEES", donnees).replaceInStrings("@RSC", rsc);
        const Sortie s = lancer(QStringList{"search"} + args + QStringList{"--srt", srt()});
        QCOMPARE(s.code, 0);
        QCOMPARE(s.out, attendu);
        QVERIFY2(erreur.isEmpty() ? s.err.isEmpty() : s.err.contains(erreur), qPrintable(s.err));
    }

    void tarif_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("lignes");

        rangee("sans modificateur", QStringList{"QZJA002", "--date", "2026-02-01"}, 0,
               QStringList{"Prix unitaire (activité 1, phase 0) : 26.60 €.", "Tarif : 26.60 €"});
        rangee("modificateurs",
               QStringList{"QZJA002", "--modifiers", "F,R", "--date", "01/02/2026"}, 0,
               QStringList{"Modificateur F (Dimanche) : +19,06 € (table de l'installation).",
                           "Montant avant arrondi : 58.9600 € ; arrondi au centime : 58.96 €.",
                           "Tarif : 58.96 €"});
        rangee("grille 2", QStringList{"QZJA002", "--grille", "2"}, 0,
               QStringList{"grille 2", "Tarif : 24.21 €"});
        rangee("modificateur sans taux", QStringList{"QZJA002", "--modifiers", "M"}, 0,
               QStringList{"Modificateur M : taux inconnu, n'ajoute rien.", "Tarif : 26.60 €"});
        rangee("non pris en charge", QStringList{"QZNP001"}, 0,
               QStringList{"non pris en charge", "Tarif : 0.00 €"});
        rangee("acte inconnu", QStringList{"ZZZZ999"}, 1, QStringList{});
    }

    void tarif()
    {
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QStringList, lignes);
        QCOMPARE(lancer({"import", m_edition, "--srt", srt(), "--modifiers", m_table}).code, 0);
        const Sortie s = lancer(QStringList{"price"} + options + QStringList{"--srt", srt()});
        QCOMPARE(s.code, code);
        for (const QString& l : lignes)
            QVERIFY2(s.out.contains(l), qPrintable(s.out));
        if (code != 0)
            QVERIFY2(s.err.contains("inconnu"), qPrintable(s.err));
    }

    void verifie_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("sortie");
        rangee("paire de l'édition", QStringList{"QZJA002", "QZNP001", "--date", "2026-02-01"}, 1,
               "L'acte QZNP001 ne peut pas être facturé avec l'acte QZJA002.\n");
        rangee("dans l'autre ordre", QStringList{"QZNP001", "qzja002", "--date", "01/05/2026"}, 1,
               "L'acte QZJA002 ne peut pas être facturé avec l'acte QZNP001.\n");
        rangee("levée par l'installation à cette date",
               QStringList{"QZNP001", "QZJA002", "--date", "2026-07-01"}, 0, "compatible\n");
        rangee("acte inconnu", QStringList{"QZJA002", "ZZZZ999"}, 1, "");
    }

    void verifie()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, sortie);
        QCOMPARE(lancer({"import", m_edition, "--srt", srt(), "--modifiers", m_table}).code, 0);
        const Sortie s = lancer(QStringList{"check"} + args + QStringList{"--srt", srt()});
        QCOMPARE(s.code, code);
        QCOMPARE(s.out, sortie);
        QCOMPARE(s.err.isEmpty(), !sortie.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCommande)
#include "tst_commande.moc"
