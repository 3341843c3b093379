// The number rules of amounts: reading a tariff as the system does, exact
// four-decimal currency, rounding half away from zero on the decimal value,
// and the texts for the screen (regional) and for the host (".").
#include "TestSupport.h"

#include "coding/Montant.h"

#include <QTest>

using namespace pava;
using test::rangee;

Q_DECLARE_METATYPE(QLocale)

class TestMontant : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valeurNumerique_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<double>("attendu");
        rangee("decimal point", "24.69", 24.69);
        rangee("virgule arrete", "12,50", 12.0);
        rangee("blancs, tabulation et saut", " \t1 2\n.5 0", 12.5);
        rangee("non numerique", "abc", 0.0);
        rangee("negatif", "-5", -5.0);
        rangee("plus", "+7.25", 7.25);
        rangee("deux points", "1.2.3", 1.2);
        rangee("exposant", "1.5E2", 150.0);
        rangee("exposant D", "2D3", 2000.0);
        rangee("trop grand", QString(400, QLatin1Char('9')), 0.0);
    }
    void valeurNumerique()
    {
        QFETCH(QString, texte);
        QFETCH(double, attendu);
        QCOMPARE(pava::valeurNumerique(texte), attendu);
    }

    // Multiplied by the factors of association codes 3 and 2 and the 17.5 % surcharge.
    void monnaie_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("facteur");
        QTest::addColumn<qint64>("dixMilliemes");
        rangee("exact", "12.345", "1", qint64(123450));
        rangee("cinquieme decimale arrondie", "0.00005", "1", qint64(1));
        rangee("cinquieme decimale basse", "0.00004", "1", qint64(0));
        rangee("negatif arrondi loin de zero", "-0.00005", "1", qint64(-1));
        rangee("code 3", "24.69", "0.75", qint64(185175));
        rangee("code 2", "24.69", "0.5", qint64(123450));
        rangee("majoration arrondie", "24.69", "1.175", qint64(290108));
    }
    void monnaie()
    {
        QFETCH(QString, texte);
        QFETCH(QString, facteur);
        QFETCH(qint64, dixMilliemes);
        QCOMPARE(Monnaie::depuisTexte(texte).multiplie(facteur).dixMilliemes(), dixMilliemes);
    }

    void formatDeuxDecimales_data()
    {
        QTest::addColumn<double>("valeur");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("regional");
        QTest::addColumn<QString>("voyage");
        const QLocale fr(QLocale::French, QLocale::France);
        const QLocale c = QLocale::c();
        rangee("24.69 fr", 24.69, fr, "24,69", "24.69");
        rangee("pas de groupement", 1234567.5, fr, "1234567,50", "1234567.50");
        rangee("18.5175", 18.5175, c, "18.52", "18.52");
        rangee("moitie de 24.69", 12.345, c, "12.35", "12.35");
        rangee("negatif", -12.345, c, "-12.35", "-12.35");
        rangee("petit negatif", -0.001, c, "0.00", "0.00");
    }
    void formatDeuxDecimales()
    {
        QFETCH(double, valeur);
        QFETCH(QLocale, locale);
        QFETCH(QString, regional);
        QFETCH(QString, voyage);
        QCOMPARE(pava::formatDeuxDecimales(valeur, locale), regional);
        QCOMPARE(montantTexte(valeur, locale), voyage);
        QCOMPARE(montantTexte(Monnaie::depuisDouble(valeur), locale), voyage);
    }

    void nombreGeneral_data()
    {
        QTest::addColumn<double>("valeur");
        QTest::addColumn<QString>("attendu");
        rangee("12", 12.0, "12");
        rangee("negatif", -3.25, "-3.25");
        rangee("0.1+0.2", 0.1 + 0.2, "0.3");
    }
    void nombreGeneral()
    {
        QFETCH(double, valeur);
        QFETCH(QString, attendu);
        const QLocale fr(QLocale::French, QLocale::France);
        QCOMPARE(pava::nombreGeneral(valeur, fr), attendu);
        QCOMPARE(pava::nombreGeneral(valeur, QLocale::c()), attendu);
        QCOMPARE(pava::nombreGeneral(Monnaie::depuisDouble(valeur), fr), attendu);
    }

    void montantSansSeparateur()
    {
        QCOMPARE(pava::montantSansSeparateur(u"1234,56"), 1234.56);
        QCOMPARE(pava::montantSansSeparateur(u"1234.56"), 1234.56);
        QCOMPARE(pava::montantSansSeparateur(u"abc"), 0.0);
    }

    void saturationInsteadOfOverflow()
    {
        const Monnaie enorme = Monnaie::depuisTexte(QString(30, QLatin1Char('9')));
        QCOMPARE(enorme.dixMilliemes(), std::numeric_limits<std::int64_t>::max());
        QCOMPARE(enorme.multiplie(u"1000").dixMilliemes(),
                 std::numeric_limits<std::int64_t>::max());
        QCOMPARE(Monnaie::depuisDouble(std::numeric_limits<double>::infinity()), Monnaie{});
        QCOMPARE(montantTexte(std::numeric_limits<double>::quiet_NaN(), QLocale::c()), "0.00");
    }
};

QTEST_GUILESS_MAIN(TestMontant)
#include "tst_montant.moc"
