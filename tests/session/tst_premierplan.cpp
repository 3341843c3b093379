#include "TestSupport.h"

#include "session/PremierPlan.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

using namespace pava;

class TestPremierPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void togglesStayOnTopKeepingGeometry();
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

void TestPremierPlan::nullWindowIsIgnored()
{
    MetPremierPlan(nullptr);
    RetirePremierPlan(nullptr);
}

QTEST_MAIN(TestPremierPlan)
#include "tst_premierplan.moc"
