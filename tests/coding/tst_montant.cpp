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
        rangee("blancs sautes", "  1 2.5 0", 12.5);
        rangee("tabulation et saut", "\t3\n4", 34.0);
        rangee("non numerique", "abc", 0.0);
        rangee("vide", "", 0.0);
        rangee("suffixe ignore", "2469 centimes", 2469.0);
        rangee("negatif", "-5", -5.0);
        rangee("plus", "+7.25", 7.25);
        rangee("point seul", ".", 0.0);
        rangee("deux points", "1.2.3", 1.2);
        rangee("exposant", "1.5E2", 150.0);
        rangee("exposant D", "2D3", 2000.0);
        rangee("E sans chiffres", "3E", 3.0);
        rangee("montant suffixe", "=45.5", 0.0);
        rangee("trop grand", QString(400, QLatin1Char('9')), 0.0);
    }
    void valeurNumerique()
    {
        QFETCH(QString, texte);
        QFETCH(double, attendu);
        QCOMPARE(pava::valeurNumerique(texte), attendu);
    }

    void monnaieDepuisTexte_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<qint64>("dixMilliemes");
        rangee("exact", "12.345", qint64(123450));
        rangee("cinquieme decimale arrondie", "0.00005", qint64(1));
        rangee("cinquieme decimale basse", "0.00004", qint64(0));
        rangee("negatif arrondi loin de zero", "-0.00005", qint64(-1));
        rangee("virgule", "12,99", qint64(120000));
        rangee("texte", "n/a", qint64(0));
        rangee("tres petit", "1e-30", qint64(0));
    }
    void monnaieDepuisTexte()
    {
        QFETCH(QString, texte);
        QFETCH(qint64, dixMilliemes);
        QCOMPARE(Monnaie::depuisTexte(texte).dixMilliemes(), dixMilliemes);
    }

    // Two decimals with the regional separator for the screen, with "." for
    // the host, from a double or from the currency alike.
    void formatDeuxDecimales_data()
    {
        QTest::addColumn<double>("valeur");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("regional");
        QTest::addColumn<QString>("voyage");
        const QLocale fr(QLocale::French, QLocale::France);
        const QLocale c = QLocale::c();
        rangee("24.69 fr", 24.69, fr, "24,69", "24.69");
        rangee("24.69 c", 24.69, c, "24.69", "24.69");
        rangee("zero", 0.0, fr, "0,00", "0.00");
        rangee("pas de groupement", 1234567.5, fr, "1234567,50", "1234567.50");
        rangee("18.5175", 18.5175, c, "18.52", "18.52");
        rangee("moitie de 24.69", 12.345, c, "12.35", "12.35");
        rangee("29.01", 24.69 * 1.175, c, "29.01", "29.01");
        rangee("negatif", -12.345, c, "-12.35", "-12.35");
        rangee("petit negatif", -0.001, c, "0.00", "0.00");
        rangee("0.1+0.2", 0.1 + 0.2, c, "0.30", "0.30");
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

    // The reductions of association codes 2 and 3 and the 17.5 % surcharge,
    // applied on the decimal amount.
    void reductionsAssociation_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("facteur");
        QTest::addColumn<QString>("attendu");
        rangee("code 3", "24.69", "0.75", "18.52");
        rangee("code 2", "24.69", "0.5", "12.35");
        rangee("code 3 sur 25", "25.00", "0.75", "18.75");
        rangee("majoration", "24.69", "1.175", "29.01");
        rangee("facteur nul", "24.69", "0", "0.00");
    }
    void reductionsAssociation()
    {
        QFETCH(QString, base);
        QFETCH(QString, facteur);
        QFETCH(QString, attendu);
        QCOMPARE(montantTexte(Monnaie::depuisTexte(base).multiplie(facteur), QLocale::c()),
                 attendu);
    }

    void nombreGeneral_data()
    {
        QTest::addColumn<double>("valeur");
        QTest::addColumn<QString>("attendu");
        rangee("45.5", 45.5, "45.5");
        rangee("12", 12.0, "12");
        rangee("negatif", -3.25, "-3.25");
        rangee("0.1+0.2", 0.1 + 0.2, "0.3");
        rangee("grand", 1234567.0, "1234567");
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
