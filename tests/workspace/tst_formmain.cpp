// The workspace window on a user database made for each test.
#include "ReferenceEssai.h"
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "db/DataControl.h"
#include "session/Reglages.h"
#include "session/Session.h"
#include "ui/Fenetres.h"
#include "workspace/FormMain.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace pava;
using test::colonneGrille;
using test::enfant;
using test::rangee;

namespace {

void cliquerLigne(QTableView* grille, int ligne)
{
    const QRect r = grille->visualRect(grille->model()->index(ligne, 0));
    QTest::mouseClick(grille->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class TstFormMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    QString m_donnees;
    QString base() const { return m_donnees + QStringLiteral("/CCAM001.mdb"); }
    void remplirListe(FormMain& w, const QList<QStringList>& actes)
    {
        for (const QStringList& a : actes)
            QVERIFY(test::executer(base(),
                                   "INSERT INTO PavaCCAM (CodeCCAM, LibelleCCAM, ValeurSS, "
                                   "ValeurReel, EspaceCCAM) VALUES (?, ?, ?, ?, ?)",
                                   {a[0], a[1], a[2], a[3], w.espace().texte()}));
        QVERIFY(w.CCAMMDB(1)->refresh());
        w.CalculeTotal();
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        m_donnees = m_env->root() + QStringLiteral("/donnees");
        reinitialiserSession();
        session().CheminData4Session = m_donnees;
        QVERIFY(test::creerHabituels(base(), {{"QZJA002", "Réparation de plaie de la peau"},
                                              {"DEQP003", "Électrocardiographie"},
                                              {"ZZLP025", "Anesthésie générale"},
                                              {"HBGD035", "Avulsion d'une dent"}}));
    }
    void cleanup()
    {
        reinitialiserSession();
        m_env.reset();
    }

    // Own tables added once; list empty each time; default orders.
    void chargementEtOrdreSansReglages()
    {
        {
            FormMain w;
        }
        QVERIFY(test::ajouterActesComposes(
            base(), {{"C1", "Zona"}, {"C2", "Angine"}, {"C3", "Mal d''oreille"}}));
        QVERIFY(
            test::executer(base(), "INSERT INTO PavaCCAM (CodeCCAM) VALUES ('QZJA002A0____1')"));
        FormMain w;
        QCOMPARE(test::colonne(base(), "SELECT count(*) FROM PavaCCAM"), QStringList{"0"});
        QCOMPARE(colonneGrille(&w, "DBGrid2", 0).size(), 0);
        QCOMPARE(colonneGrille(&w, "DBGrid1", 1),
                 (QStringList{"QZJA002", "DEQP003", "ZZLP025", "HBGD035"}));
        QCOMPARE(colonneGrille(&w, "DBGrid3", 0), (QStringList{"Angine", "Mal d'oreille", "Zona"}));
    }

    // A title click sorts, keeps the row, and is remembered.
    void tri_data()
    {
        QTest::addColumn<QString>("grille");
        QTest::addColumn<QStringList>("ordre"); // of the column clicked
        QTest::addColumn<QString>("source");
        rangee("habituels par code (colonne 1)", "DBGrid1",
               QStringList{"DEQP003", "HBGD035", "QZJA002", "ZZLP025"},
               "SELECT * FROM CCAM_7 ORDER BY CodeActe");
        rangee("composés par libellé (colonne 0)", "DBGrid3",
               QStringList{"Angine", "Mal d'oreille", "Zona"},
               "Select * From PavaACTES Order By LibelleCCAM");
    }
    void tri()
    {
        QFETCH(QString, grille);
        QFETCH(QStringList, ordre);
        QFETCH(QString, source);
        QVERIFY(test::ajouterActesComposes(
            base(), {{"C1", "Zona"}, {"C2", "Mal d''oreille"}, {"C3", "Angine"}}));
        const bool habituels = grille == u"DBGrid1";
        const int colonne = habituels ? 1 : 0;
        const QString courante = habituels ? "Avulsion d'une dent" : "Mal d'oreille";
        {
            FormMain w;
            w.show();
            auto* g = enfant<QTableView>(&w, grille);
            enfant<QTabWidget>(&w, "SSTab1")->setCurrentIndex(habituels ? 0 : 1);
            cliquerLigne(g, habituels ? 3 : 1);
            QHeaderView* titres = g->horizontalHeader();
            QTest::mouseClick(titres->viewport(), Qt::LeftButton, {},
                              {titres->sectionViewportPosition(colonne) + 4, titres->height() / 2});
            QCOMPARE(colonneGrille(&w, grille, colonne), ordre);
            const int r = g->selectionModel()->currentIndex().row();
            QCOMPARE(g->model()->index(r, 0).data().toString(), courante);
            QCOMPARE(LitReglage(habituels ? "Record0" : "Record2", QString()), source);
            w.Command1_Click();
        }
        FormMain encore;
        QCOMPARE(colonneGrille(&encore, grille, colonne), ordre);
    }

    void supprimerUnActe_data()
    {
        QTest::addColumn<QList<QStringList>>("actes");
        QTest::addColumn<int>("ligne");
        QTest::addColumn<QStringList>("attendu"); // the totals, the coding and its labels
        QTest::addColumn<bool>("composable");
        QTest::addColumn<double>("sommeReelle");
        const QList<QStringList> trois = {{"AAAA001A0____1", " Premier ", "12.50", "20.00"},
                                          {"BBBB002A0____1", "Deuxième", "7.50", ""},
                                          {"CCCC003A0____1", "Troisième", "abc", "3.333"}};
        using L = QStringList;
        const L rien{"0.00", "0.00", "", ""};
        rangee("liste vide", QList<QStringList>{}, -1, rien, false, 0.0);
        rangee("sans ligne courante", trois, -1,
               L{"20.00", "23.33", "AAAA001A0____1+BBBB002A0____1+CCCC003A0____1",
                 "Premier+Deuxième+Troisième"},
               true, 23.333);
        rangee("au milieu", trois, 1,
               L{"12.50", "23.33", "AAAA001A0____1+CCCC003A0____1", "Premier+Troisième"}, true,
               23.333);
        rangee("le dernier acte", QList<QStringList>{trois[0]}, 0, rien, false, 0.0);
    }
    void supprimerUnActe()
    {
        QFETCH(QList<QStringList>, actes);
        QFETCH(int, ligne);
        QFETCH(QStringList, attendu);
        QFETCH(bool, composable);
        QFETCH(double, sommeReelle);
        FormMain w;
        remplirListe(w, actes);
        w.show();
        session().IndexAssociation = 1;
        if (ligne >= 0)
            cliquerLigne(enfant<QTableView>(&w, "DBGrid2"), ligne);
        else
            w.CCAMMDB(1)->moveLast(), w.CCAMMDB(1)->moveNext(); // past the end: no current row
        test::cliquer(&w, "Supprimer1");
        QCOMPARE(enfant<QTableView>(&w, "DBGrid2")->currentIndex().row(),
                 w.CCAMMDB(1)->currentRow());
        QCOMPARE((QStringList{enfant<QLabel>(&w, "lblTotal_0")->text(),
                              enfant<QLabel>(&w, "lblTotal_1")->text(), session().CotationRetour,
                              session().LibellesCotation}),
                 attendu);
        QCOMPARE(session().TotalCotation, sommeReelle);
        QCOMPARE(enfant<QPushButton>(&w, "Command2")->isVisible(), composable);
        QCOMPARE(enfant<QLabel>(&w, "Label5")->isVisible(), composable);
        QCOMPARE(session().IndexAssociation, qint16(composable ? 1 : 0));
        QCOMPARE(test::colonne(base(), "SELECT count(*) FROM PavaCCAM").value(0),
                 QString::number(actes.size() - (ligne >= 0 ? 1 : 0)));
    }

    // Closed by its frame or cancelled in the host's modal run: nothing coded.
    void fermeturesSansCotation()
    {
        for (const bool modale : {false, true}) {
            FormMain w;
            remplirListe(w, {{"QZJA002A0____1", "Suture", "12.50", "15.00"}});
            QCOMPARE(session().CotationRetour, "QZJA002A0____1");
            if (modale) {
                bool encoreOuverte = false;
                QTimer::singleShot(300, &w, [&] {
                    encoreOuverte = w.isVisible();
                    test::cliquer(&w, "Command1");
                });
                QCOMPARE(w.exec(), int(QDialog::Rejected));
                QVERIFY(encoreOuverte);
            } else {
                w.show();
                QVERIFY(w.close());
                QVERIFY(!w.isVisible());
                QCOMPARE(w.result(), int(QDialog::Rejected));
            }
            QCOMPARE(session().CotationRetour, QString());
        }
    }

    // The note on amounts typed in the complement is a long sentence: it
    // wraps under the totals and never takes the habitual codings' width.
    void noteDuComplementSansElargir()
    {
        FormMain w;
        w.resize(900, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QTableView* habituels = enfant<QTableView>(&w, "DBGrid1");
        const int largeur = habituels->width();
        const QString complement = QStringLiteral("QZJA002A0____1=1250.5");
        session().CotationCCAMComplement = complement;
        enfant<QLineEdit>(&w, "cCCAM")->setText(complement);
        QVERIFY(enfant<QLabel>(&w, "MontantRendu")->text().contains(u"total 1250,50"));
        QCoreApplication::processEvents();
        QCOMPARE(habituels->width(), largeur);
        QCOMPARE(w.width(), 900);
    }

    void sansRepertoireOuSansCotationsHabituelles()
    {
        session().CheminData4Session.clear();
        QVERIFY(FormMain().problemeBase().contains("Aucun répertoire de données"));
        QVERIFY(!QFileInfo::exists("/CCAM001.mdb"));
        session().CheminData4Session = m_donnees;
        QFile::remove(base());
        QVERIFY(test::executer(base(), "CREATE TABLE Autre (x TEXT)"));
        FormMain w;
        QVERIFY(w.problemeBase().contains("cotations habituelles"));
    }
};

QTEST_MAIN(TstFormMain)
#include "tst_formmain.moc"
