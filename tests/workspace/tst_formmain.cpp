// The workspace window on a user database made for each test: its tables
// created once, the sorting of its lists kept in the settings, its keys, the
// coding list and its totals, and a missing or damaged database.
#include "ReferenceEssai.h"
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "db/DataControl.h"
#include "session/Reglages.h"
#include "session/Session.h"
#include "workspace/Fenetres.h"
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
using test::enfant;
using test::rangee;

namespace {

QStringList lignes(const QTableView* grille, int colonne)
{
    QStringList valeurs;
    const QAbstractItemModel* m = grille->model();
    for (int r = 0; r < m->rowCount(); ++r)
        valeurs << m->index(r, colonne).data().toString();
    return valeurs;
}

QStringList lignes(const QWidget& w, const char* grille, int colonne)
{
    return lignes(enfant<QTableView>(&w, grille), colonne);
}

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
    QStringList fichiersDonnees() const
    {
        return QDir(m_donnees).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Composed acts written as another program would, once the window made
    // their table.
    void ajouterComposes(const QStringList& libelles)
    {
        {
            FormMain premiere;
        }
        for (const QString& l : libelles)
            QVERIFY(test::executer(base(),
                                   "INSERT INTO PavaACTES (CodeActe, LibelleCCAM) VALUES (?, ?)",
                                   {"C" + QString::number(libelles.indexOf(l) + 1), l}));
    }
    // Fills the coding list as the act window will, then lets the window read it.
    void remplirListe(FormMain& w, const QList<QStringList>& actes)
    {
        for (const QStringList& a : actes)
            QVERIFY(test::executer(base(),
                                   "INSERT INTO PavaCCAM (CodeCCAM, LibelleCCAM, ValeurSS, "
                                   "ValeurReel) VALUES (?, ?, ?, ?)",
                                   {a[0], a[1], a[2], a[3]}));
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

    // The window adds its own tables at the first opening only; the coding
    // list starts empty each time, the composed acts stay.
    void chargementCreeSesTablesUneSeuleFois()
    {
        {
            FormMain w;
            QVERIFY(w.problemeBase().isEmpty());
            QCOMPARE(lignes(w, "DBGrid1", 1).size(), 4);
            QCOMPARE(lignes(w, "DBGrid3", 0).size(), 0);
            QVERIFY(enfant<QPushButton>(&w, "Command3")->isHidden());
        }
        QVERIFY(test::executer(base(), "INSERT INTO PavaACTES (CodeActe, LibelleCCAM) VALUES "
                                       "('QZJA002A0____1', 'Suture')"));
        QVERIFY(test::executer(base(), "INSERT INTO PavaCCAM (CodeCCAM) VALUES "
                                       "('QZJA002A0____1')"));
        FormMain w;
        QVERIFY(w.problemeBase().isEmpty());
        QCOMPARE(test::colonne(base(), "SELECT LibelleCCAM FROM PavaACTES"), QStringList{"Suture"});
        QCOMPARE(test::colonne(base(), "SELECT count(*) FROM PavaCCAM"), QStringList{"0"});
        QCOMPARE(lignes(w, "DBGrid3", 0), QStringList{"Suture"});
        QCOMPARE(lignes(w, "DBGrid2", 0).size(), 0);
        QVERIFY(!enfant<QPushButton>(&w, "Command3")->isHidden());
    }

    void sansReglagesOrdreDeLaTable()
    {
        ajouterComposes({"Zona", "Angine", "Mal d''oreille"});
        FormMain w;
        QCOMPARE(lignes(w, "DBGrid1", 1),
                 (QStringList{"QZJA002", "DEQP003", "ZZLP025", "HBGD035"}));
        // Stored with the apostrophe doubled, shown with a single one.
        QCOMPARE(lignes(w, "DBGrid3", 0), (QStringList{"Angine", "Mal d'oreille", "Zona"}));
        QCOMPARE(enfant<QTabWidget>(&w, "SSTab1")->currentIndex(), 0);
    }

    // A click on a column title sorts the list, keeps the user on the row
    // they were on, and is remembered for the next opening.
    void tri_data()
    {
        QTest::addColumn<QString>("grille");
        QTest::addColumn<int>("colonne");
        QTest::addColumn<QStringList>("ordre"); // of column 1 (habitual) or 0 (composed)
        QTest::addColumn<QString>("reglage");
        QTest::addColumn<QString>("source");
        rangee("habituels par libellé", "DBGrid1", 0,
               QStringList{"ZZLP025", "HBGD035", "DEQP003", "QZJA002"}, "Record0",
               "SELECT * FROM CCAM_7 ORDER BY Libelle");
        rangee("habituels par code", "DBGrid1", 1,
               QStringList{"DEQP003", "HBGD035", "QZJA002", "ZZLP025"}, "Record0",
               "SELECT * FROM CCAM_7 ORDER BY CodeActe");
        rangee("composés par libellé", "DBGrid3", 0, QStringList{"Angine", "Mal d'oreille", "Zona"},
               "Record2", "Select * From PavaACTES Order By LibelleCCAM");
        rangee("composés par cotation", "DBGrid3", 1,
               QStringList{"Zona", "Mal d'oreille", "Angine"}, "Record2",
               "Select * From PavaACTES Order By CodeActe");
    }
    void tri()
    {
        QFETCH(QString, grille);
        QFETCH(int, colonne);
        QFETCH(QStringList, ordre);
        QFETCH(QString, reglage);
        QFETCH(QString, source);
        ajouterComposes({"Zona", "Mal d''oreille", "Angine"});
        const bool habituels = grille == u"DBGrid1";
        const int lue = habituels ? 1 : 0;
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
            QCOMPARE(lignes(g, lue), ordre);
            const int r = g->selectionModel()->currentIndex().row();
            QCOMPARE(g->model()->index(r, 0).data().toString(), courante);
            if (habituels)
                QCOMPARE(w.CCAMMDB(0)->text("Libelle"), courante);
            QCOMPARE(LitReglage(reglage, QString()), source);
            w.Command1_Click();
        }
        FormMain encore;
        QCOMPARE(lignes(encore, qPrintable(grille), lue), ordre);
    }

    void titreSansTriNeChangeRien()
    {
        const QString source = "SELECT * FROM CCAM_7 ORDER BY CodeActe";
        EcritReglage("Record0", source);
        FormMain w;
        w.DBGrid1_HeadClick(5);
        QCOMPARE(LitReglage("Record0", QString()), source);
        QCOMPARE(lignes(w, "DBGrid1", 1).first(), "DEQP003");
    }

    void touchesDeLaFenetre_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("touche");
        QTest::addColumn<int>("resultat");
        QTest::addColumn<QString>("cotation");
        const QString deuxActes = QStringLiteral("QZJA002A0____1+DEQP003A0____1,22.50,Suture+ECG");
        for (const char* f : {"DBGrid1", "DBGrid2", "cCCAM", "ButtonOk"}) {
            QTest::addRow("F12 depuis %s", f)
                << f << int(Qt::Key_F12) << int(QDialog::Accepted) << deuxActes;
            QTest::addRow("Échap depuis %s", f)
                << f << int(Qt::Key_Escape) << int(QDialog::Rejected) << QString();
        }
    }
    void touchesDeLaFenetre()
    {
        QFETCH(QString, focus);
        QFETCH(int, touche);
        QFETCH(int, resultat);
        QFETCH(QString, cotation);
        FormMain w;
        remplirListe(w, {{"QZJA002A0____1", "Suture", "12.50", "15.00"},
                         {"DEQP003A0____1", "ECG", "7.50", "7.50"}});
        w.show();
        QWidget* cible = enfant<QWidget>(&w, focus);
        cible->setFocus();
        QTest::keyClick(cible, Qt::Key(touche));
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), resultat);
        QCOMPARE(session().CotationRetour, cotation);
    }

    void autresTouchesLaisseesAuxControles()
    {
        FormMain w;
        w.show();
        auto* ngap = enfant<QLineEdit>(&w, "cNGAP");
        ngap->setFocus();
        QTest::keyClicks(ngap, "K8+MTO");
        QCOMPARE(ngap->text(), "K8+MTO");
        QVERIFY(w.isVisible());
    }

    void supprimerUnActe_data()
    {
        QTest::addColumn<QList<QStringList>>("actes");
        QTest::addColumn<int>("ligne");
        QTest::addColumn<QString>("totalSecu");
        QTest::addColumn<QString>("totalReel");
        QTest::addColumn<QString>("cotation");
        QTest::addColumn<QString>("libelles");
        QTest::addColumn<bool>("composable");
        QTest::addColumn<double>("sommeReelle");
        const QList<QStringList> trois = {{"AAAA001A0____1", " Premier ", "12.50", "20.00"},
                                          {"BBBB002A0____1", "Deuxième", "7.50", ""},
                                          {"CCCC003A0____1", "Troisième", "abc", "3.333"}};
        rangee("liste vide", QList<QStringList>{}, -1, "0.00", "0.00", "", "", false, 0.0);
        rangee("sans ligne courante", trois, -1, "20.00", "23.33",
               "AAAA001A0____1+BBBB002A0____1+CCCC003A0____1", "Premier+Deuxième+Troisième", true,
               23.333);
        rangee("au milieu", trois, 1, "12.50", "23.33", "AAAA001A0____1+CCCC003A0____1",
               "Premier+Troisième", true, 23.333);
        rangee("le dernier acte", QList<QStringList>{trois[0]}, 0, "0.00", "0.00", "", "", false,
               0.0);
    }
    void supprimerUnActe()
    {
        QFETCH(QList<QStringList>, actes);
        QFETCH(int, ligne);
        QFETCH(QString, totalSecu);
        QFETCH(QString, totalReel);
        QFETCH(QString, cotation);
        QFETCH(QString, libelles);
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
        QCOMPARE(enfant<QLabel>(&w, "lblTotal_0")->text(), totalSecu);
        QCOMPARE(enfant<QLabel>(&w, "lblTotal_1")->text(), totalReel);
        QCOMPARE(session().CotationRetour, cotation);
        QCOMPARE(session().LibellesCotation, libelles);
        QCOMPARE(session().TotalCotation, sommeReelle);
        QCOMPARE(enfant<QPushButton>(&w, "Command2")->isVisible(), composable);
        QCOMPARE(enfant<QLabel>(&w, "Label5")->isVisible(), composable);
        QCOMPARE(session().IndexAssociation, qint16(composable ? 1 : 0));
        QCOMPARE(test::colonne(base(), "SELECT count(*) FROM PavaCCAM").value(0),
                 QString::number(actes.size() - (ligne >= 0 ? 1 : 0)));
        QVERIFY(w.isVisible());
    }

    // Closed by its frame, or cancelled inside the host's modal run (whose
    // first activation must not end that run by itself): nothing is coded.
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

    // The window opens all the same, empty, and says why in its banner; the
    // user's files are left exactly as they were.
    void baseAbsenteOuAbimee_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // "" = no file at all
        QTest::addColumn<QString>("attendu");
        rangee("absente", QByteArray(), "introuvable");
        rangee("abîmée", QByteArray(2048, '\x5a'), "pas une base de données reconnue");
        rangee("texte", QByteArray("Ceci n'est pas une base.\r\n"), "reconnue");
    }
    void baseAbsenteOuAbimee()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, attendu);
        QFile::remove(base());
        if (!contenu.isEmpty())
            QVERIFY(test::writeFile(base(), contenu));
        const QStringList avant = fichiersDonnees();
        FormMain w;
        w.show();
        QVERIFY(w.isVisible());
        for (const char* g : {"DBGrid1", "DBGrid2", "DBGrid3"})
            QCOMPARE(lignes(w, g, 0).size(), 0);
        auto* bandeau = enfant<QLabel>(&w, "BandeauErreur");
        QVERIFY(bandeau->isVisible());
        QVERIFY2(bandeau->text().contains(attendu), qPrintable(bandeau->text()));
        QVERIFY2(bandeau->text().contains(base()), qPrintable(bandeau->text()));
        QCOMPARE(w.problemeBase(), bandeau->text());
        QTest::keyClick(enfant<QTableView>(&w, "DBGrid1"), Qt::Key_Escape);
        QCOMPARE(fichiersDonnees(), avant);
        if (!contenu.isEmpty())
            QCOMPARE(test::readFile(base()), contenu);
        QCOMPARE(session().CotationRetour, QString());
    }

    void sansRepertoireDeDonnees()
    {
        session().CheminData4Session.clear();
        FormMain w;
        QVERIFY(w.problemeBase().contains("Aucun répertoire de données"));
        QVERIFY(!QFileInfo::exists("/CCAM001.mdb"));
    }

    void baseSansCotationsHabituelles()
    {
        QFile::remove(base());
        QVERIFY(test::executer(base(), "CREATE TABLE Autre (x TEXT)"));
        FormMain w;
        QVERIFY(w.problemeBase().contains("cotations habituelles"));
        // The program's own tables are there all the same.
        QCOMPARE(test::colonne(base(), "SELECT count(*) FROM PavaACTES"), QStringList{"0"});
        QCOMPARE(lignes(w, "DBGrid2", 0).size(), 0);
    }

    // The tab setting read as a number the way the former program read it:
    // leading digits, halves to the even neighbour, out of range as 0.
    void ongletDepuisReglage_data()
    {
        QTest::addColumn<QString>("valeur");
        QTest::addColumn<int>("onglet");
        rangee("1", "1", 1);
        rangee("lettres", "abc", 0);
        rangee("vide", "", 0);
        rangee("blancs et suite", " 1 xyz", 1);
        rangee("demi vers le pair bas", "0.5", 0);
        rangee("demi vers le pair haut", "1.5", 2);
        rangee("négatif", "-1", -1);
        rangee("trop grand", "70000", 0);
    }
    void ongletDepuisReglage()
    {
        QFETCH(QString, valeur);
        QFETCH(int, onglet);
        QCOMPARE(FormMain::ongletDepuisReglage(valeur), onglet);
    }

    // The saved tab comes to the front at the first activation only.
    void ongletAuPremierPlan_data()
    {
        QTest::addColumn<QString>("reglage");
        QTest::addColumn<int>("onglet");
        rangee("1", "1", 1);
        rangee("abc", "abc", 0);
    }
    void ongletAuPremierPlan()
    {
        QFETCH(QString, reglage);
        QFETCH(int, onglet);
        EcritReglage("Tab", reglage);
        FormMain w;
        auto* onglets = enfant<QTabWidget>(&w, "SSTab1");
        onglets->setCurrentIndex(1 - onglet);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(onglets->currentIndex(), onglet);
        onglets->setCurrentIndex(1 - onglet);
        w.Form_Activate();
        QCOMPARE(onglets->currentIndex(), 1 - onglet);
    }
};

QTEST_MAIN(TstFormMain)
#include "tst_formmain.moc"
