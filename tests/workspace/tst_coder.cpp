// Coding in the workspace from end to end, in process, over the
// demonstration reference: a habitual coding or a chosen act qualified in the
// act window lands in the coding list and in the coding history; refused
// associations, the isolated-act question and deletions.
#include "BaseEssai.h"
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "db/DataControl.h"
#include "session/Session.h"
#include "workspace/Fenetres.h"
#include "workspace/FormMain.h"
#include "workspace/Historique.h"

#include <QLabel>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace pava;
using test::choisirDans;
using test::cliquer;
using test::enfant;

namespace {

void doubleCliquerHabituel(FormMain& w, const QString& code)
{
    auto* grille = enfant<QTableView>(&w, QStringLiteral("DBGrid1"));
    const QAbstractItemModel* m = grille->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        if (m->index(r, 1).data().toString() != code)
            continue;
        const QPoint p = grille->visualRect(m->index(r, 0)).center();
        QTest::mouseClick(grille->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(grille->viewport(), Qt::LeftButton, {}, p);
        return;
    }
    qFatal("cotation habituelle absente : %s", qPrintable(code));
}

// The act window validated with the association typed ("" leaves it).
void valider(const QString& association = QString())
{
    test::jouerFenetreActe([association](GetCCAM& acte) {
        if (!association.isEmpty())
            choisirDans(&acte, QStringLiteral("CodeAssociationCCAM"), association);
        cliquer(&acte, QStringLiteral("Command1"));
    });
}

QStringList colonneListe(const FormMain& w, int colonne)
{
    const QAbstractItemModel* m = enfant<QTableView>(&w, QStringLiteral("DBGrid2"))->model();
    QStringList t;
    for (int r = 0; r < m->rowCount(); ++r)
        t << m->index(r, colonne).data().toString();
    return t;
}

QString total(const FormMain& w, int i)
{
    return enfant<QLabel>(&w, QStringLiteral("lblTotal_%1").arg(i))->text();
}

} // namespace

class TstCoder : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    test::JeuEssai m_jeu;

    QString historique() const { return historique::cheminBase(m_jeu.rsc); }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        reinitialiserSession();
        m_jeu = test::creerJeuEssai(*m_env);
        QVERIFY2(m_jeu.erreur.isEmpty(), qPrintable(m_jeu.erreur));
        ui::oublierReponses();
        ui::viderJournal();
    }
    void cleanup()
    {
        QCOMPARE(ui::reponsesEnAttente(), 0);
        m_env.reset();
    }

    // Two acts, the first from the habitual codings with a modifier, the
    // second chosen with "Ajouter"; with the coding history present or not.
    void coderDeuxActes_data()
    {
        QTest::addColumn<bool>("historiquePresent");
        QTest::newRow("historique présent") << true;
        QTest::newRow("historique absent : dit une fois") << false;
    }
    void coderDeuxActes()
    {
        QFETCH(bool, historiquePresent);
        if (!historiquePresent)
            QFile::remove(historique());
        FormMain w;
        w.show();
        test::jouerFenetreActe([](GetCCAM& acte) {
            choisirDans(&acte, QStringLiteral("Modificateur_1"), QStringLiteral("F"));
            choisirDans(&acte, QStringLiteral("CodeAssociationCCAM"), QStringLiteral("1"));
            QTest::keyClick(&acte, Qt::Key_F12);
        });
        if (!historiquePresent)
            ui::repondreProchaine([](ui::Demande&) { return QMessageBox::Ok; });
        doubleCliquerHabituel(w, QStringLiteral("QZJA002"));

        valider(QStringLiteral("2"));
        test::choisirActe(QStringLiteral("DEQP003"));
        cliquer(&w, QStringLiteral("Ajout1"));

        QCOMPARE(colonneListe(w, 0),
                 (QStringList{QStringLiteral("QZJA00210_F__1"), QStringLiteral("DEQP00310____2")}));
        QVERIFY(colonneListe(w, 1).first().startsWith(QStringLiteral("Parage et/ou suture")));
        QCOMPARE(colonneListe(w, 2), (QStringList{QStringLiteral("50.00"), "7.75"}));
        QCOMPARE(total(w, 0), QStringLiteral("57.75"));
        QCOMPARE(total(w, 1), QStringLiteral("57.75"));
        QCOMPARE(session().CotationRetour, QStringLiteral("QZJA00210_F__1+DEQP00310____2"));
        QVERIFY(enfant<QWidget>(&w, QStringLiteral("Command2"))->isVisible());
        // The act just added is the current row.
        QCOMPARE(w.CCAMMDB(1)->currentRow(), 1);

        if (historiquePresent) {
            QCOMPARE(test::colonne(historique(), QStringLiteral("SELECT cot__date || '=' || "
                                                                "cot_secu_e FROM "
                                                                "cotation_date_CCAM")),
                     (QStringList{QStringLiteral("QZJA00210_F__1=50.0"),
                                  QStringLiteral("DEQP00310____2=7.75")}));
            QVERIFY(ui::journalMessages().isEmpty());
        } else {
            QCOMPARE(ui::journalMessages().size(), 1);
            QVERIFY(ui::journalMessages().first().startsWith(
                QStringLiteral("Historique des cotations : L'acte n'a pas pu être inscrit")));
        }
    }

    // DEQP003 and DEQP005 may not be billed together, whichever comes first.
    void associationRefusee()
    {
        FormMain w;
        w.show();
        valider(QStringLiteral("1"));
        doubleCliquerHabituel(w, QStringLiteral("DEQP003"));
        valider(QStringLiteral("1"));
        test::choisirActe(QStringLiteral("DEQP005"));
        cliquer(&w, QStringLiteral("Ajout1"));

        QCOMPARE(colonneListe(w, 0), QStringList{QStringLiteral("DEQP00310____1")});
        QWidget* panneau = enfant<QWidget>(&w, QStringLiteral("Picture1"));
        QVERIFY(ui::panneauVisible(panneau));
        QCOMPARE(enfant<QLabel>(&w, QStringLiteral("Label3"))->text(),
                 QStringLiteral("\r\nCet acte ne peut être associé aux actes précédents.\r\n\r\n"
                                "Veuillez recommencer votre saisie."));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(enfant<QWidget>(&w, QStringLiteral("Command4_%1").arg(i))->isVisible(),
                     i == 2);
        cliquer(&w, QStringLiteral("Command4_2"));
        QVERIFY(!ui::panneauVisible(panneau));
        QCOMPARE(session().CotationRetour, QStringLiteral("DEQP00310____1"));
    }

    // A first act coded as isolated (association 0): the next "Ajouter"
    // reopens it with the question instead.
    void acteIsole_data()
    {
        QTest::addColumn<int>("reponse");
        QTest::addColumn<QStringList>("liste");
        QTest::newRow("Oui : recodé") << 0 << QStringList{"QZJA00210____1"};
        QTest::newRow("Non : rien") << 1 << QStringList{"QZJA00210____0"};
        QTest::newRow("Supplément") << 2 << QStringList{"QZJA00210____0", "YYYY30010____0"};
    }
    void acteIsole()
    {
        QFETCH(int, reponse);
        QFETCH(QStringList, liste);
        FormMain w;
        w.show();
        valider();
        doubleCliquerHabituel(w, QStringLiteral("QZJA002"));

        test::jouerFenetreActe([reponse](GetCCAM& acte) {
            QCOMPARE(acte.CodeCCAMInit()->text(), QStringLiteral("QZJA002"));
            QVERIFY(ui::panneauVisible(enfant<QWidget>(&acte, QStringLiteral("Picture1"))));
            if (reponse == 2)
                test::choisirActe(QStringLiteral("YYYY300"));
            cliquer(&acte, QStringLiteral("Command4_%1").arg(reponse));
            if (reponse == 0)
                choisirDans(&acte, QStringLiteral("CodeAssociationCCAM"), QStringLiteral("1"));
            if (acte.isVisible())
                cliquer(&acte, QStringLiteral("Command1"));
        });
        cliquer(&w, QStringLiteral("Ajout1"));
        QCOMPARE(colonneListe(w, 0), liste);
    }

    // Each press deletes the row the user sees as current; the view and the
    // list agree on it, and nothing scrolls away.
    void supprimerDeuxFois()
    {
        FormMain w;
        w.show();
        for (const char* code : {"QZJA002", "JKHD001", "GLQP012"}) {
            valider(QStringLiteral("1"));
            doubleCliquerHabituel(w, QString::fromLatin1(code));
        }
        auto* grille = enfant<QTableView>(&w, QStringLiteral("DBGrid2"));
        QTest::mouseClick(grille->viewport(), Qt::LeftButton, {},
                          grille->visualRect(grille->model()->index(1, 0)).center());
        cliquer(&w, QStringLiteral("Supprimer1"));
        QCOMPARE(grille->currentIndex().row(), w.CCAMMDB(1)->currentRow());
        QCOMPARE(w.CCAMMDB(1)->currentRow(), 1);
        cliquer(&w, QStringLiteral("Supprimer1"));
        QCOMPARE(colonneListe(w, 0), QStringList{QStringLiteral("QZJA00210____1")});
        QCOMPARE(grille->currentIndex().row(), 0);
        QCOMPARE(session().CotationRetour, QStringLiteral("QZJA00210____1"));
    }
};

QTEST_MAIN(TstCoder)
#include "tst_coder.moc"
