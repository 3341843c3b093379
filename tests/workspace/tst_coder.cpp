// Coding in the workspace over the demonstration reference.
#include "ReferenceEssai.h"
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "coding/Windows1252.h"
#include "db/DataControl.h"
#include "practice/BaseUtilisateur.h"
#include "practice/Historique.h"
#include "session/Reglages.h"
#include "session/Session.h"
#include "ui/Fenetres.h"
#include "workspace/FormMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace pava;
using test::choisirDans;
using test::cliquer;
using test::colonneGrille;
using test::enfant;
using test::rangee;

namespace {

void doubleCliquerHabituel(FormMain& w, const QString& code)
{
    auto* grille = enfant<QTableView>(&w, "DBGrid1");
    const int ligne = colonneGrille(&w, "DBGrid1", 1).indexOf(code);
    QVERIFY2(ligne >= 0, qPrintable(code));
    const QPoint p = grille->visualRect(grille->model()->index(ligne, 0)).center();
    QTest::mouseClick(grille->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(grille->viewport(), Qt::LeftButton, {}, p);
}

void valider(const QString& association = QString())
{
    test::jouerFenetreActe([association](GetCCAM& acte) {
        if (!association.isEmpty())
            choisirDans(&acte, "CodeAssociationCCAM", association);
        cliquer(&acte, "Command1");
    });
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
        PAVA_MOTEUR_REQUIS(*m_env);
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

    // Two acts coded and recorded, a third refused, a composed act made.
    void coderRefuserComposer()
    {
        QVERIFY(test::writeFile(
            m_env->home() + QStringLiteral("/Complt1.txt"),
            versWindows1252(QStringLiteral("\r\nSous radio§YYYY30010____1§MTO\r\n"))));
        FormMain w;
        w.show();
        test::jouerFenetreActe([](GetCCAM& acte) {
            choisirDans(&acte, "Modificateur_1", "F");
            choisirDans(&acte, "CodeAssociationCCAM", "1");
            QTest::keyClick(&acte, Qt::Key_F12);
        });
        doubleCliquerHabituel(w, "QZJA002");
        valider("2");
        test::choisirActe("DEQP003");
        cliquer(&w, "Ajout1");
        const QStringList deux{QStringLiteral("QZJA00210_F__1"), QStringLiteral("DEQP00310____2")};
        QCOMPARE(colonneGrille(&w, "DBGrid2", 0), deux);
        QCOMPARE(colonneGrille(&w, "DBGrid2", 2), (QStringList{QStringLiteral("50.00"), "7.75"}));
        for (const char* total : {"lblTotal_0", "lblTotal_1"})
            QCOMPARE(enfant<QLabel>(&w, total)->text(), "57.75");
        QCOMPARE(test::colonne(historique(), QStringLiteral("SELECT cot__date || '=' || "
                                                            "CAST(round(cot_secu_e * 100) AS "
                                                            "INTEGER) FROM cotation_date_CCAM "
                                                            "ORDER BY rowid")),
                 (QStringList{QStringLiteral("QZJA00210_F__1=5000"),
                              QStringLiteral("DEQP00310____2=775")}));

        // DEQP003 and DEQP005 may not be billed together.
        valider("1");
        test::choisirActe("DEQP005");
        cliquer(&w, "Ajout1");
        QWidget* panneau = enfant<QWidget>(&w, "Picture1");
        QVERIFY(ui::panneauVisible(panneau));
        QCOMPARE(enfant<QLabel>(&w, "Label3")->text(),
                 QStringLiteral("\r\nCet acte ne peut être associé aux actes précédents.\r\n"
                                "L'acte DEQP005 ne peut pas être facturé avec l'acte DEQP003 "
                                "(table des actes incompatibles propre au cabinet).\r\n\r\n"
                                "Veuillez recommencer votre saisie."));
        cliquer(&w, "Command4_2");
        QVERIFY(!ui::panneauVisible(panneau));
        QCOMPARE(session().CotationRetour, deux.join('+'));
        QCOMPARE(test::colonne(historique(),
                               "SELECT count(*) FROM cotation_date_CCAM WHERE cot__date "
                               "LIKE 'DEQP005%'"),
                 QStringList{"0"});

        ui::repondreProchaine([](ui::Demande& d) {
            d.fenetre->show();
            QTest::mouseClick(enfant<QWidget>(d.fenetre, "lLib1_0"), Qt::LeftButton);
            cliquer(d.fenetre, "Command1");
            return int(QDialog::Accepted);
        });
        cliquer(&w, "Command7");
        QCOMPARE(enfant<QLineEdit>(&w, "cCCAM")->text(), QString()); // ticked, then cancelled
        // A decimal comma becomes "."; any other stops the validation.
        auto* ngap = enfant<QLineEdit>(&w, "cNGAP");
        QTest::keyClicks(ngap, "AMI 1,5");
        QCOMPARE(ngap->text(), "AMI 1.5");
        ngap->clear();
        QTest::keyClicks(ngap, "C,2");
        QCOMPARE(ngap->text(), "C,2");
        QVERIFY(enfant<QLabel>(&w, "cNGAP_Virgule")->isVisible());
        QTest::keyClick(&w, Qt::Key_F12);
        QVERIFY(w.isVisible());
        ngap->clear();
        QVERIFY(!enfant<QLabel>(&w, "cNGAP_Virgule")->isVisible());

        auto* texte1 = enfant<QLineEdit>(&w, "Text1");
        cliquer(&w, "Command2");
        QTest::keyClicks(texte1, "Mal d'oreille");
        QTest::keyClicks(enfant<QLineEdit>(&w, "Text2"), "MT,O");
        QTest::keyClicks(enfant<QLineEdit>(&w, "Text3"), "=4,5");
        cliquer(&w, "CommandOK"); // refused while "MT,O" stands
        QVERIFY(ui::panneauVisible(enfant<QWidget>(&w, "Picture2")));
        enfant<QLineEdit>(&w, "Text2")->setText("MTO");
        cliquer(&w, "CommandOK");
        QVERIFY(!ui::panneauVisible(enfant<QWidget>(&w, "Picture2")));
        QCOMPARE(
            test::colonne(base::cheminBase(m_jeu.data),
                          QStringLiteral("SELECT CodeActe || ' ' || LibelleCCAM FROM PavaACTES")),
            QStringList{"NGAPMTO," + deux.join('+') + "=4.5 Mal d''oreille"});
        QTest::keyClick(&w, Qt::Key_F12);
        QCOMPARE(LitReglage("Tab", QString()), "1");
    }

    // An isolated first act: the next "Ajouter" asks the question first.
    void acteIsole_data()
    {
        QTest::addColumn<int>("reponse");
        QTest::addColumn<QStringList>("liste");
        rangee("Oui : recodé, puis l'acte demandé", 0,
               QStringList{"QZJA00210____1", "DEQP00310____2"});
        rangee("Non : rien", 1, QStringList{"QZJA00210____0"});
        rangee("Supplément", 2, QStringList{"QZJA00210____0", "YYYY30010____0"});
    }
    void acteIsole()
    {
        QFETCH(int, reponse);
        QFETCH(QStringList, liste);
        FormMain w;
        w.show();
        valider();
        doubleCliquerHabituel(w, "QZJA002");

        test::jouerFenetreActe([reponse](GetCCAM& acte) {
            QCOMPARE(acte.CodeCCAMInit()->text(), "QZJA002");
            QVERIFY(ui::panneauVisible(enfant<QWidget>(&acte, "Picture1")));
            if (reponse == 2)
                test::choisirActe("YYYY300");
            cliquer(&acte, QStringLiteral("Command4_%1").arg(reponse));
            if (reponse == 0)
                choisirDans(&acte, "CodeAssociationCCAM", "1");
            if (acte.isVisible())
                cliquer(&acte, "Command1");
        });
        if (reponse == 0) {
            test::jouerFenetreActe([](GetCCAM& acte) {
                QCOMPARE(enfant<QComboBox>(&acte, "CodeAssociationCCAM")->currentText().left(1),
                         "2");
                cliquer(&acte, "Command1");
            });
            test::choisirActe("DEQP003");
        }
        cliquer(&w, "Ajout1");
        QCOMPARE(colonneGrille(&w, "DBGrid2", 0), liste);
    }

    void renommerEtSupprimerDesActesComposes_data()
    {
        QTest::addColumn<QString>("geste"); // how the rename box is reached
        QTest::addColumn<int>("reponse");   // QDialog::Accepted or Rejected
        QTest::addColumn<QString>("tape");
        QTest::addColumn<QString>("nom");
        rangee("clic droit", "droit", int(QDialog::Accepted), "L'otite, dos", "L''otite, dos");
        rangee("annulé", "Command6", int(QDialog::Rejected), "Autre", "Mal d''oreille");
    }
    void renommerEtSupprimerDesActesComposes()
    {
        QFETCH(QString, geste);
        QFETCH(int, reponse);
        QFETCH(QString, tape);
        QFETCH(QString, nom);
        const QString base = base::cheminBase(m_jeu.data);
        QVERIFY(test::ajouterActesComposes(base, {{"X", "Mal d''oreille"}}));
        FormMain w;
        w.show();
        enfant<QTabWidget>(&w, "SSTab1")->setCurrentIndex(1);
        QString invite;
        ui::repondreProchaine([&](ui::Demande& d) {
            invite = d.texte;
            d.defaut = tape;
            return reponse;
        });
        auto* grille = enfant<QTableView>(&w, "DBGrid3");
        if (geste == u"droit")
            QTest::mouseClick(grille->viewport(), Qt::RightButton, {},
                              grille->visualRect(grille->model()->index(0, 0)).center());
        else
            cliquer(&w, geste);
        QCOMPARE(invite, QStringLiteral("Veillez saisir le nouvel intitulé de l'acte :\r\n"
                                        "Mal d'oreille"));
        QCOMPARE(test::colonne(base, "SELECT LibelleCCAM FROM PavaACTES"), QStringList{nom});

        cliquer(&w, "Command3");
        QCOMPARE(enfant<QLabel>(&w, "Label6")->text(), QString(nom).replace("''", "'"));
        cliquer(&w, "Command5_0");
        QVERIFY(!enfant<QWidget>(&w, "Command3")->isVisible());
        QCOMPARE(test::colonne(base, "SELECT count(*) FROM PavaACTES"),
                 QStringList{QStringLiteral("0")});
    }

    void supprimerUneCotationHabituelle()
    {
        FormMain w;
        w.show();
        for (const auto& [reponse, restantes] : {std::pair{1, "11"}, {0, "10"}}) {
            cliquer(&w, "Supprimer2");
            QCOMPARE(enfant<QLabel>(&w, "Label3")->text(),
                     QStringLiteral("Etes-vous sûr de vouloir supprimer de vos actes habituels "
                                    "l'acte : \r\n\r\nÉlectrocardiographie sur 12 dérivations au "
                                    "moins"));
            cliquer(&w, QStringLiteral("Command4_%1").arg(reponse));
            QVERIFY(!ui::panneauVisible(enfant<QWidget>(&w, "Picture1")));
            QCOMPARE(test::colonne(base::cheminBase(m_jeu.data), "SELECT count(*) FROM CCAM_7"),
                     QStringList{restantes});
        }
    }

    // A hand-typed complement is priced at validation; an unknown one stops it.
    void complementSaisiALaMain()
    {
        FormMain w;
        w.show();
        auto* ccam = enfant<QLineEdit>(&w, "cCCAM");
        QTest::keyClicks(ccam, "ZZZZ99910____1");
        ui::repondreProchaine([](ui::Demande&) { return QMessageBox::Ok; });
        QTest::keyClick(&w, Qt::Key_F12);
        QVERIFY(w.isVisible());
        QVERIFY2(ui::journalMessages().value(0).contains("ZZZZ999"),
                 qPrintable(ui::journalMessages().value(0)));
        ccam->clear();
        QTest::keyClicks(ccam, "qzja00210____1");
        QTest::keyClick(&w, Qt::Key_F12);
        QVERIFY(!w.isVisible());
        QVERIFY2(session().CotationRetour.startsWith("QZJA00210____1,30.00,"),
                 qPrintable(session().CotationRetour));
    }

    // Without the reference a composed act is refused, nothing reaches the host.
    void validationImpossible()
    {
        QVERIFY(
            test::ajouterActesComposes(base::cheminBase(m_jeu.data), {{"QZJA00210____1", "S"}}));
        FormMain w;
        w.show();
        enfant<QTabWidget>(&w, "SSTab1")->setCurrentIndex(1);
        m_env->writeProfile("[API_Sesam]\r\nPath=/nulle/part\r\n");
        ui::repondreProchaine([](ui::Demande&) { return QMessageBox::Ok; });
        QTest::keyClick(&w, Qt::Key_F12);
        QVERIFY(w.isVisible());
        QCOMPARE(session().CotationRetour, QString());
        const QString message = ui::journalMessages().value(0);
        QVERIFY2(message.contains(QStringLiteral("Tarif de QZJA00210____1 impossible")) &&
                     message.contains("introuvable"),
                 qPrintable(message));
    }
};

QTEST_MAIN(TstCoder)
#include "tst_coder.moc"
