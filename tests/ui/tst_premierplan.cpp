// The workspace's topmost level: set and taken off without moving the window,
// and inside its own modal run while the act window comes and goes.
#include "TestSupport.h"

#include "ui/PremierPlan.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

using namespace pava;

class TestPremierPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void togglesStayOnTopKeepingGeometry()
    {
        QDialog fenetre;
        fenetre.setGeometry(100, 50, 400, 300);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        const QRect avant = fenetre.geometry();
        for (const bool dessus : {true, false}) {
            dessus ? MetPremierPlan(&fenetre) : RetirePremierPlan(&fenetre);
            QCOMPARE(fenetre.windowFlags().testFlag(Qt::WindowStaysOnTopHint), dessus);
            QVERIFY(fenetre.isVisible());
            QCOMPARE(fenetre.geometry(), avant);
        }
        MetPremierPlan(nullptr); // no window: nothing happens
        RetirePremierPlan(nullptr);
    }

    void modalRunSurvivesLevelChanges()
    {
        QDialog fenetre;
        fenetre.resize(300, 200);
        bool visiblePendant = false;
        QTimer::singleShot(0, &fenetre, [&] {
            MetPremierPlan(&fenetre);
            RetirePremierPlan(&fenetre);
            MetPremierPlan(&fenetre);
            visiblePendant = fenetre.isVisible();
            fenetre.accept();
        });
        QCOMPARE(fenetre.exec(), int(QDialog::Accepted));
        QVERIFY(visiblePendant);
        QVERIFY(fenetre.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(TestPremierPlan)
#include "tst_premierplan.moc"
