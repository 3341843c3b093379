// The prompt box of the workspace: built with its default answer, which a
// cancel discards and an empty answer keeps.
#include "TestSupport.h"

#include "ui/Dialogues.h"

#include <QInputDialog>
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
};

QTEST_MAIN(TstDialogues)
#include "tst_dialogues.moc"
