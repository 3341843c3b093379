#include "ReferenceEssai.h"
#include "TestSupport.h"

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
using pava::test::Habituels;

namespace {

const Habituels kHabituels = {
    {QStringLiteral("QZJA002"), QStringLiteral("Réparation de plaie de la peau")},
    {QStringLiteral("DEQP003"), QStringLiteral("Électrocardiographie")},
    {QStringLiteral("ZZLP025"), QStringLiteral("Anesthésie générale")},
    {QStringLiteral("HBGD035"), QStringLiteral("Avulsion d'une dent")},
};

QStringList lignes(const QTableView* grille, int colonne)
{
    QStringList valeurs;
    const QAbstractItemModel* m = grille->model();
    for (int r = 0; r < m->rowCount(); ++r)
        valeurs << m->index(r, colonne).data().toString();
    return valeurs;
}

void cliquerTitre(QTableView* grille, int colonne)
{
    QHeaderView* titres = grille->horizontalHeader();
    const QPoint p(titres->sectionViewportPosition(colonne) + 4, titres->height() / 2);
    QTest::mouseClick(titres->viewport(), Qt::LeftButton, {}, p);
}

void cliquerLigne(QTableView* grille, int ligne)
{
    const QRect r = grille->visualRect(grille->model()->index(ligne, 0));
    QTest::mouseClick(grille->viewport(), Qt::LeftButton, {}, r.center());
}

QString ligneCourante(const QTableView* grille, int colonne)
{
    const QModelIndex i = grille->selectionModel()->currentIndex();
    return i.isValid() ? grille->model()->index(i.row(), colonne).data().toString() : QString();
}

template <typename T> T* controle(const QWidget& w, const char* nom)
{
    T* c = w.findChild<T*>(QLatin1String(nom));
    if (!c)
        qFatal("contrôle absent : %s", nom);
    return c;
}

} // namespace

class TstFormMain : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::IsolatedEnvironment> m_env;
    QString m_donnees;
    QString base() const { return m_donnees + QStringLiteral("/CCAM001.mdb"); }
    QStringList fichiersDonnees() const
    {
        return QDir(m_donnees).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Fills the coding list as the act window will, then lets the window read it.
    void remplirListe(FormMain& w, const QList<QStringList>& actes)
    {
        for (const QStringList& a : actes)
            QVERIFY(test::executer(base(),
                                   QStringLiteral("INSERT INTO PavaCCAM (CodeCCAM, LibelleCCAM, "
                                                  "ValeurSS, ValeurReel) VALUES (?, ?, ?, ?)"),
                                   {a[0], a[1], a[2], a[3]}));
        QVERIFY(w.CCAMMDB(1)->refresh());
        w.CalculeTotal();
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        m_donnees = m_env->root() + QStringLiteral("/donnees");
        QVERIFY(QDir().mkpath(m_donnees));
        reinitialiserSession();
        session().CheminData4Session = m_donnees;
    }
    void cleanup()
    {
        reinitialiserSession();
        m_env.reset();
    }

    void chargementCreeSesTablesUneSeuleFois()
    {
        QVERIFY(test::creerHabituels(base(), kHabituels));
        {
            FormMain w;
            QVERIFY(w.problemeBase().isEmpty());
            QCOMPARE(controle<QTableView>(w, "DBGrid1")->model()->rowCount(), 4);
            QCOMPARE(controle<QTableView>(w, "DBGrid3")->model()->rowCount(), 0);
            QVERIFY(controle<QPushButton>(w, "Command3")->isHidden());
        }
        QVERIFY(test::executer(base(), QStringLiteral("INSERT INTO PavaACTES (CodeActe, "
                                                      "LibelleCCAM) VALUES ('QZJA002A0____1', "
                                                      "'Suture')")));
        QVERIFY(test::executer(base(), QStringLiteral("INSERT INTO PavaCCAM (CodeCCAM) VALUES "
                                                      "('QZJA002A0____1')")));
        FormMain w;
        QVERIFY(w.problemeBase().isEmpty());
        QCOMPARE(test::colonne(base(), QStringLiteral("SELECT LibelleCCAM FROM PavaACTES")),
                 QStringList{QStringLiteral("Suture")});
        QCOMPARE(test::colonne(base(), QStringLiteral("SELECT count(*) FROM PavaCCAM")),
                 QStringList{QStringLiteral("0")});
        QCOMPARE(lignes(controle<QTableView>(w, "DBGrid3"), 0),
                 QStringList{QStringLiteral("Suture")});
        QCOMPARE(controle<QTableView>(w, "DBGrid2")->model()->rowCount(), 0);
        QVERIFY(!controle<QPushButton>(w, "Command3")->isHidden());
    }

    void sansReglagesOrdreDeLaTable()
    {
        QVERIFY(test::creerHabituels(base(), kHabituels));
        QVERIFY(test::executer(base(), QStringLiteral("CREATE TABLE PavaACTES (CodeActe TEXT, "
                                                      "LibelleCCAM TEXT, ValeurSS TEXT, "
                                                      "ValeurReel TEXT)")));
        for (const char* l : {"Zona", "Angine", "Mal d''oreille"})
            QVERIFY(test::executer(base(),
                                   QStringLiteral("INSERT INTO PavaACTES (CodeActe, LibelleCCAM) "
                                                  "VALUES ('X', ?)"),
                                   {QString::fromUtf8(l)}));
        FormMain w;
        QCOMPARE(lignes(controle<QTableView>(w, "DBGrid1"), 1),
                 (QStringList{"QZJA002", "DEQP003", "ZZLP025", "HBGD035"}));
        // Stored with the apostrophe doubled, shown with a single one.
        QCOMPARE(lignes(controle<QTableView>(w, "DBGrid3"), 0),
                 (QStringList{"Angine", "Mal d'oreille", "Zona"}));
        QCOMPARE(controle<QTabWidget>(w, "SSTab1")->currentIndex(), 0);
    }

    void triDesCotationsHabituelles_data()
    {
        QTest::addColumn<int>("colonne");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("source");
        QTest::newRow("libellé") << 0 << QStringList{"ZZLP025", "HBGD035", "DEQP003", "QZJA002"}
                                 << "SELECT * FROM CCAM_7 ORDER BY Libelle";
        QTest::newRow("code") << 1 << QStringList{"DEQP003", "HBGD035", "QZJA002", "ZZLP025"}
                              << "SELECT * FROM CCAM_7 ORDER BY CodeActe";
    }
    void triDesCotationsHabituelles()
    {
        QFETCH(int, colonne);
        QFETCH(QStringList, codes);
        QFETCH(QString, source);
        QVERIFY(test::creerHabituels(base(), kHabituels));
        {
            FormMain w;
            w.show();
            auto* grille = controle<QTableView>(w, "DBGrid1");
            cliquerLigne(grille, 3); // "Avulsion d'une dent"
            cliquerTitre(grille, colonne);
            QCOMPARE(lignes(grille, 1), codes);
            // Still on the row the user was on, apostrophe and all.
            QCOMPARE(ligneCourante(grille, 0), QStringLiteral("Avulsion d'une dent"));
            QCOMPARE(w.CCAMMDB(0)->text(QStringLiteral("Libelle")),
                     QStringLiteral("Avulsion d'une dent"));
            QCOMPARE(LitReglage(QStringLiteral("Record0"), QString()), source);
            w.Command1_Click();
        }
        FormMain encore;
        QCOMPARE(lignes(controle<QTableView>(encore, "DBGrid1"), 1), codes);
    }

    void titreSansTriNeChangeRien()
    {
        QVERIFY(test::creerHabituels(base(), kHabituels));
        EcritReglage(QStringLiteral("Record0"),
                     QStringLiteral("SELECT * FROM CCAM_7 ORDER BY CodeActe"));
        FormMain w;
        w.DBGrid1_HeadClick(5);
        QCOMPARE(LitReglage(QStringLiteral("Record0"), QString()),
                 QStringLiteral("SELECT * FROM CCAM_7 ORDER BY CodeActe"));
        QCOMPARE(lignes(controle<QTableView>(w, "DBGrid1"), 1).first(), QStringLiteral("DEQP003"));
    }

    void triDesActesComposes_data()
    {
        QTest::addColumn<int>("colonne");
        QTest::addColumn<QStringList>("libelles");
        QTest::addColumn<QString>("source");
        QTest::newRow("libellé") << 0 << QStringList{"Angine", "Mal d'oreille", "Zona"}
                                 << "Select * From PavaACTES Order By LibelleCCAM";
        QTest::newRow("cotation") << 1 << QStringList{"Zona", "Mal d'oreille", "Angine"}
                                  << "Select * From PavaACTES Order By CodeActe";
    }
    void triDesActesComposes()
    {
        QFETCH(int, colonne);
        QFETCH(QStringList, libelles);
        QFETCH(QString, source);
        QVERIFY(test::creerHabituels(base(), kHabituels));
        {
            FormMain premiere;
        }
        const QList<QPair<const char*, const char*>> actes = {
            {"C1", "Zona"}, {"C2", "Mal d''oreille"}, {"C3", "Angine"}};
        for (const auto& [code, libelle] : actes)
            QVERIFY(test::executer(base(),
                                   QStringLiteral("INSERT INTO PavaACTES (CodeActe, LibelleCCAM) "
                                                  "VALUES (?, ?)"),
                                   {QString::fromUtf8(code), QString::fromUtf8(libelle)}));
        {
            FormMain w;
            w.show();
            auto* grille = controle<QTableView>(w, "DBGrid3");
            controle<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
            cliquerLigne(grille, 1); // "Mal d'oreille"
            cliquerTitre(grille, colonne);
            QCOMPARE(lignes(grille, 0), libelles);
            QCOMPARE(ligneCourante(grille, 0), QStringLiteral("Mal d'oreille"));
            QCOMPARE(LitReglage(QStringLiteral("Record2"), QString()), source);
        }
        FormMain encore;
        QCOMPARE(lignes(controle<QTableView>(encore, "DBGrid3"), 0), libelles);
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
        QVERIFY(test::creerHabituels(base(), kHabituels));
        FormMain w;
        remplirListe(w, {{"QZJA002A0____1", "Suture", "12.50", "15.00"},
                         {"DEQP003A0____1", "ECG", "7.50", "7.50"}});
        w.show();
        QWidget* cible = w.findChild<QWidget*>(focus);
        QVERIFY(cible);
        cible->setFocus();
        QTest::keyClick(cible, Qt::Key(touche));
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), resultat);
        QCOMPARE(session().CotationRetour, cotation);
    }

    void autresTouchesLaisseesAuxControles()
    {
        QVERIFY(test::creerHabituels(base(), kHabituels));
        FormMain w;
        w.show();
        auto* ngap = controle<QLineEdit>(w, "cNGAP");
        ngap->setFocus();
        QTest::keyClicks(ngap, QStringLiteral("K8+MTO"));
        QCOMPARE(ngap->text(), QStringLiteral("K8+MTO"));
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
        QTest::newRow("liste vide") << QList<QStringList>{} << -1 << "0.00"
                                    << "0.00"
                                    << ""
                                    << "" << false << 0.0;
        QTest::newRow("sans ligne courante") << trois << -1 << "20.00"
                                             << "23.33"
                                             << "AAAA001A0____1+BBBB002A0____1+CCCC003A0____1"
                                             << "Premier+Deuxième+Troisième" << true << 23.333;
        QTest::newRow("au milieu") << trois << 1 << "12.50"
                                   << "23.33"
                                   << "AAAA001A0____1+CCCC003A0____1"
                                   << "Premier+Troisième" << true << 23.333;
        QTest::newRow("le dernier acte") << QList<QStringList>{trois[0]} << 0 << "0.00"
                                         << "0.00"
                                         << ""
                                         << "" << false << 0.0;
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
        QVERIFY(test::creerHabituels(base(), kHabituels));
        FormMain w;
        remplirListe(w, actes);
        w.show();
        session().IndexAssociation = 1;
        auto* grille = controle<QTableView>(w, "DBGrid2");
        if (ligne >= 0)
            cliquerLigne(grille, ligne);
        else
            w.CCAMMDB(1)->moveLast(), w.CCAMMDB(1)->moveNext(); // past the end: no current row
        QTest::mouseClick(controle<QPushButton>(w, "Supprimer1"), Qt::LeftButton);
        QCOMPARE(controle<QLabel>(w, "lblTotal_0")->text(), totalSecu);
        QCOMPARE(controle<QLabel>(w, "lblTotal_1")->text(), totalReel);
        QCOMPARE(session().CotationRetour, cotation);
        QCOMPARE(session().LibellesCotation, libelles);
        QCOMPARE(session().TotalCotation, sommeReelle);
        QCOMPARE(controle<QPushButton>(w, "Command2")->isVisible(), composable);
        QCOMPARE(controle<QLabel>(w, "Label5")->isVisible(), composable);
        QCOMPARE(session().IndexAssociation, qint16(composable ? 1 : 0));
        QCOMPARE(test::colonne(base(), QStringLiteral("SELECT count(*) FROM PavaCCAM")).value(0),
                 QString::number(actes.size() - (ligne >= 0 ? 1 : 0)));
        QVERIFY(w.isVisible());
    }

    void fermetureParLeCadreEstUneAnnulation()
    {
        QVERIFY(test::creerHabituels(base(), kHabituels));
        FormMain w;
        remplirListe(w, {{"QZJA002A0____1", "Suture", "12.50", "15.00"}});
        QCOMPARE(session().CotationRetour, QStringLiteral("QZJA002A0____1"));
        w.show();
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(session().CotationRetour, QString());
    }

    void annulerPendantExec()
    {
        // Modal as the host shows it; the first activation (which puts the
        // window above the host's) must not end the modal run by itself.
        QVERIFY(test::creerHabituels(base(), kHabituels));
        FormMain w;
        remplirListe(w, {{"QZJA002A0____1", "Suture", "12.50", "15.00"}});
        bool encoreOuverte = false;
        QTimer::singleShot(300, &w, [&] {
            encoreOuverte = w.isVisible();
            QTest::mouseClick(controle<QPushButton>(w, "Command1"), Qt::LeftButton);
        });
        QCOMPARE(w.exec(), int(QDialog::Rejected));
        QVERIFY(encoreOuverte);
        QCOMPARE(session().CotationRetour, QString());
    }

    void baseAbsenteOuAbimee_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // "" = no file at all
        QTest::addColumn<QString>("attendu");
        QTest::newRow("absente") << QByteArray() << "introuvable";
        QTest::newRow("abîmée") << QByteArray(2048, '\x5a') << "pas une base de données reconnue";
        QTest::newRow("texte") << QByteArray("Ceci n'est pas une base.\r\n") << "reconnue";
    }
    void baseAbsenteOuAbimee()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, attendu);
        if (!contenu.isEmpty())
            QVERIFY(test::writeFile(base(), contenu));
        const QStringList avant = fichiersDonnees();
        FormMain w;
        w.show();
        QVERIFY(w.isVisible());
        for (const char* g : {"DBGrid1", "DBGrid2", "DBGrid3"})
            QCOMPARE(controle<QTableView>(w, g)->model()->rowCount(), 0);
        auto* bandeau = controle<QLabel>(w, "BandeauErreur");
        QVERIFY(bandeau->isVisible());
        QVERIFY2(bandeau->text().contains(attendu), qPrintable(bandeau->text()));
        QVERIFY2(bandeau->text().contains(base()), qPrintable(bandeau->text()));
        QCOMPARE(w.problemeBase(), bandeau->text());
        QTest::keyClick(controle<QTableView>(w, "DBGrid1"), Qt::Key_Escape);
        QCOMPARE(fichiersDonnees(), avant);
        if (!contenu.isEmpty())
            QCOMPARE(test::readFile(base()), contenu);
        QCOMPARE(session().CotationRetour, QString());
    }

    void sansRepertoireDeDonnees()
    {
        session().CheminData4Session.clear();
        FormMain w;
        QVERIFY(w.problemeBase().contains(QStringLiteral("Aucun répertoire de données")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/CCAM001.mdb")));
    }

    void baseSansCotationsHabituelles()
    {
        QVERIFY(test::executer(base(), QStringLiteral("CREATE TABLE Autre (x TEXT)")));
        FormMain w;
        QVERIFY(w.problemeBase().contains(QStringLiteral("cotations habituelles")));
        // The program's own tables are there all the same.
        QCOMPARE(test::colonne(base(), QStringLiteral("SELECT count(*) FROM PavaACTES")),
                 QStringList{"0"});
        QCOMPARE(controle<QTableView>(w, "DBGrid2")->model()->rowCount(), 0);
    }

    void ongletDepuisReglage_data()
    {
        QTest::addColumn<QString>("valeur");
        QTest::addColumn<int>("onglet");
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("lettres") << "abc" << 0;
        QTest::newRow("vide") << "" << 0;
        QTest::newRow("blancs et suite") << " 1 xyz" << 1;
        QTest::newRow("demi vers le pair bas") << "0.5" << 0;
        QTest::newRow("demi vers le pair haut") << "1.5" << 2;
        QTest::newRow("négatif") << "-1" << -1;
        QTest::newRow("trop grand") << "70000" << 0;
    }
    void ongletDepuisReglage()
    {
        QFETCH(QString, valeur);
        QFETCH(int, onglet);
        QCOMPARE(FormMain::ongletDepuisReglage(valeur), onglet);
    }

    void ongletAuPremierPlan_data()
    {
        QTest::addColumn<QString>("reglage");
        QTest::addColumn<int>("onglet");
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("abc") << "abc" << 0;
    }
    void ongletAuPremierPlan()
    {
        QFETCH(QString, reglage);
        QFETCH(int, onglet);
        QVERIFY(test::creerHabituels(base(), kHabituels));
        EcritReglage(QStringLiteral("Tab"), reglage);
        FormMain w;
        auto* onglets = controle<QTabWidget>(w, "SSTab1");
        onglets->setCurrentIndex(1 - onglet);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(onglets->currentIndex(), onglet);
        // Later activations leave the user's tab alone.
        onglets->setCurrentIndex(1 - onglet);
        w.Form_Activate();
        QCOMPARE(onglets->currentIndex(), 1 - onglet);
    }

    void panneauxHorsDeVue()
    {
        QVERIFY(test::creerHabituels(base(), kHabituels));
        FormMain w;
        w.show();
        for (const char* nom : {"Picture1", "Picture2"}) {
            auto* p = controle<QWidget>(w, nom);
            QCOMPARE(p->y(), 3000);
            QVERIFY(!ui::panneauVisible(p));
            ui::placePanneau(p, true);
            QCOMPARE(p->y(), 3);
            QCOMPARE(p->width(), w.width());
            QVERIFY(p->y() + p->height() <= w.height());
            ui::placePanneau(p, false);
            QCOMPARE(p->y(), 3000);
        }
    }
};

QTEST_MAIN(TstFormMain)
#include "tst_formmain.moc"
