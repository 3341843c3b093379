#include "TestSupport.h"

#include "workspace/Dialogues.h"

#include <QDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QtTest>

using namespace pava;
using test::rangee;

class TstDialogues : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        ui::oublierReponses();
        ui::viderJournal();
    }

    void reponsesUtiliseesDansLOrdre()
    {
        QStringList vus;
        ui::repondreProchaine([&](ui::Demande& d) {
            vus << d.texte;
            return int(QMessageBox::No);
        });
        ui::repondreProchaine([&](ui::Demande& d) {
            vus << d.texte;
            return int(QMessageBox::Yes);
        });
        QCOMPARE(ui::reponsesEnAttente(), 2);
        const auto premier = ui::message(nullptr, QMessageBox::Question, QStringLiteral("PavaCCAM"),
                                         QStringLiteral("un"), QMessageBox::Yes | QMessageBox::No);
        const auto second = ui::message(nullptr, QMessageBox::Question, QStringLiteral("PavaCCAM"),
                                        QStringLiteral("deux"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(premier, QMessageBox::No);
        QCOMPARE(second, QMessageBox::Yes);
        QCOMPARE(vus, (QStringList{"un", "deux"}));
        QCOMPARE(ui::reponsesEnAttente(), 0);
        QCOMPARE(ui::journalMessages(), (QStringList{"PavaCCAM : un", "PavaCCAM : deux"}));
    }

    void saisieTexte_data()
    {
        QTest::addColumn<QString>("tape");
        QTest::addColumn<int>("resultat");
        QTest::addColumn<QString>("attendu");
        rangee("validé", "Nouveau nom", int(QDialog::Accepted), "Nouveau nom");
        rangee("annulé", "Nouveau nom", int(QDialog::Rejected), "");
        rangee("défaut gardé", "", int(QDialog::Accepted), "Ancien");
    }
    void saisieTexte()
    {
        QFETCH(QString, tape);
        QFETCH(int, resultat);
        QFETCH(QString, attendu);
        ui::repondreProchaine([&](ui::Demande& d) {
            // The real box is built with the prompt and the default answer.
            auto* boite = qobject_cast<QInputDialog*>(d.fenetre);
            if (!boite || boite->textValue() != QStringLiteral("Ancien"))
                return int(QDialog::Rejected) - 1;
            if (!tape.isEmpty())
                d.defaut = tape;
            return resultat;
        });
        QCOMPARE(ui::saisieTexte(nullptr, QStringLiteral("Titre"), QStringLiteral("Invite"),
                                 QStringLiteral("Ancien")),
                 attendu);
    }

    void fenetreModaleJoueeParLeTest()
    {
        QDialog d;
        auto* zone = new QLineEdit(&d);
        ui::repondreProchaine([](ui::Demande& demande) {
            demande.fenetre->show();
            auto* z = demande.fenetre->findChild<QLineEdit*>();
            QTest::keyClicks(z, QStringLiteral("abc"));
            return int(QDialog::Accepted);
        });
        QCOMPARE(ui::execModal(&d), int(QDialog::Accepted));
        QCOMPARE(zone->text(), QStringLiteral("abc"));
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TstDialogues)
#include "tst_dialogues.moc"
