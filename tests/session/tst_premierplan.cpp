#include "TestSupport.h"

#include "session/PremierPlan.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

using namespace pava;

class TestPremierPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void togglesStayOnTopKeepingGeometry();
    void modalRunSurvivesLevelChanges();
    void nullWindowIsIgnored();
};

void TestPremierPlan::togglesStayOnTopKeepingGeometry()
{
    QDialog fenetre;
    fenetre.setGeometry(100, 50, 400, 300);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    const QRect avant = fenetre.geometry();

    MetPremierPlan(&fenetre);
    QVERIFY(fenetre.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(fenetre.isVisible());
    QCOMPARE(fenetre.geometry(), avant);

    RetirePremierPlan(&fenetre);
    QVERIFY(!fenetre.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(fenetre.isVisible());
    QCOMPARE(fenetre.geometry(), avant);
}

// The workspace leaves the topmost level while the act window is open and
// takes it back afterwards, all inside its own modal run.
void TestPremierPlan::modalRunSurvivesLevelChanges()
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

void TestPremierPlan::nullWindowIsIgnored()
{
    MetPremierPlan(nullptr);
    RetirePremierPlan(nullptr);
}

QTEST_MAIN(TestPremierPlan)
#include "tst_premierplan.moc"
