#include "coding/Montant.h"

#include <QTest>

using namespace pava;

Q_DECLARE_METATYPE(QLocale)

class TestMontant : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valeurNumerique_data();
    void valeurNumerique();
    void monnaieDepuisTexte_data();
    void monnaieDepuisTexte();
    void formatDeuxDecimales_data();
    void formatDeuxDecimales();
    void reductionsAssociation_data();
    void reductionsAssociation();
    void nombreGeneral_data();
    void nombreGeneral();
    void montantSansSeparateur_data();
    void montantSansSeparateur();
    void saturationInsteadOfOverflow();
};

void TestMontant::valeurNumerique_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<double>("attendu");
    QTest::newRow("decimal point") << "24.69" << 24.69;
    QTest::newRow("virgule arrete") << "12,50" << 12.0;
    QTest::newRow("blancs sautes") << "  1 2.5 0" << 12.5;
    QTest::newRow("tabulation et saut") << "\t3\n4" << 34.0;
    QTest::newRow("non numerique") << "abc" << 0.0;
    QTest::newRow("vide") << "" << 0.0;
    QTest::newRow("suffixe ignore") << "2469 centimes" << 2469.0;
    QTest::newRow("negatif") << "-5" << -5.0;
    QTest::newRow("plus") << "+7.25" << 7.25;
    QTest::newRow("point seul") << "." << 0.0;
    QTest::newRow("deux points") << "1.2.3" << 1.2;
    QTest::newRow("exposant") << "1.5E2" << 150.0;
    QTest::newRow("exposant D") << "2D3" << 2000.0;
    QTest::newRow("E sans chiffres") << "3E" << 3.0;
    QTest::newRow("zeros en tete") << "007.50" << 7.5;
    QTest::newRow("montant suffixe") << "=45.5" << 0.0;
    QTest::newRow("trop grand") << QString(400, QLatin1Char('9')) << 0.0;
}

void TestMontant::valeurNumerique()
{
    QFETCH(QString, texte);
    QFETCH(double, attendu);
    QCOMPARE(pava::valeurNumerique(texte), attendu);
}

void TestMontant::monnaieDepuisTexte_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<qint64>("dixMilliemes");
    QTest::newRow("exact") << "12.345" << qint64(123450);
    QTest::newRow("cinquieme decimale arrondie") << "0.00005" << qint64(1);
    QTest::newRow("cinquieme decimale basse") << "0.00004" << qint64(0);
    QTest::newRow("negatif arrondi loin de zero") << "-0.00005" << qint64(-1);
    QTest::newRow("virgule") << "12,99" << qint64(120000);
    QTest::newRow("texte") << "n/a" << qint64(0);
    QTest::newRow("tres petit") << "1e-30" << qint64(0);
}

void TestMontant::monnaieDepuisTexte()
{
    QFETCH(QString, texte);
    QFETCH(qint64, dixMilliemes);
    QCOMPARE(Monnaie::depuisTexte(texte).dixMilliemes(), dixMilliemes);
}

void TestMontant::formatDeuxDecimales_data()
{
    QTest::addColumn<double>("valeur");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("regional");
    QTest::addColumn<QString>("voyage");
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale c = QLocale::c();
    QTest::newRow("24.69 fr") << 24.69 << fr << "24,69"
                              << "24.69";
    QTest::newRow("24.69 c") << 24.69 << c << "24.69"
                             << "24.69";
    QTest::newRow("zero") << 0.0 << fr << "0,00"
                          << "0.00";
    QTest::newRow("pas de groupement") << 1234567.5 << fr << "1234567,50"
                                       << "1234567.50";
    QTest::newRow("18.5175") << 18.5175 << c << "18.52"
                             << "18.52";
    QTest::newRow("moitie de 24.69") << 12.345 << c << "12.35"
                                     << "12.35";
    QTest::newRow("29.01") << 24.69 * 1.175 << c << "29.01"
                           << "29.01";
    QTest::newRow("negatif") << -12.345 << c << "-12.35"
                             << "-12.35";
    QTest::newRow("petit negatif") << -0.001 << c << "0.00"
                                   << "0.00";
    QTest::newRow("45.5") << 45.5 << fr << "45,50"
                          << "45.50";
    QTest::newRow("0.1+0.2") << 0.1 + 0.2 << c << "0.30"
                             << "0.30";
}

void TestMontant::formatDeuxDecimales()
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
void TestMontant::reductionsAssociation_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("facteur");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("code 3") << "24.69"
                            << "0.75"
                            << "18.52";
    QTest::newRow("code 2") << "24.69"
                            << "0.5"
                            << "12.35";
    QTest::newRow("code 2 pair") << "25.00"
                                 << "0.5"
                                 << "12.50";
    QTest::newRow("code 3 sur 25") << "25.00"
                                   << "0.75"
                                   << "18.75";
    QTest::newRow("majoration") << "24.69"
                                << "1.175"
                                << "29.01";
    QTest::newRow("facteur nul") << "24.69"
                                 << "0"
                                 << "0.00";
}

void TestMontant::reductionsAssociation()
{
    QFETCH(QString, base);
    QFETCH(QString, facteur);
    QFETCH(QString, attendu);
    QCOMPARE(montantTexte(Monnaie::depuisTexte(base).multiplie(facteur), QLocale::c()), attendu);
}

void TestMontant::nombreGeneral_data()
{
    QTest::addColumn<double>("valeur");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("45.5") << 45.5 << "45.5";
    QTest::newRow("12") << 12.0 << "12";
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("negatif") << -3.25 << "-3.25";
    QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0.3";
    QTest::newRow("grand") << 1234567.0 << "1234567";
}

void TestMontant::nombreGeneral()
{
    QFETCH(double, valeur);
    QFETCH(QString, attendu);
    const QLocale fr(QLocale::French, QLocale::France);
    QCOMPARE(pava::nombreGeneral(valeur, fr), attendu);
    QCOMPARE(pava::nombreGeneral(valeur, QLocale::c()), attendu);
    QCOMPARE(pava::nombreGeneral(Monnaie::depuisDouble(valeur), fr), attendu);
}

void TestMontant::montantSansSeparateur_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<double>("attendu");
    QTest::newRow("virgule") << "1234,56" << 1234.56;
    QTest::newRow("point") << "1234.56" << 1234.56;
    QTest::newRow("vide") << "" << 0.0;
    QTest::newRow("texte") << "abc" << 0.0;
}

void TestMontant::montantSansSeparateur()
{
    QFETCH(QString, texte);
    QFETCH(double, attendu);
    QCOMPARE(pava::montantSansSeparateur(texte), attendu);
}

void TestMontant::saturationInsteadOfOverflow()
{
    const Monnaie enorme = Monnaie::depuisTexte(QString(30, QLatin1Char('9')));
    QCOMPARE(enorme.dixMilliemes(), std::numeric_limits<std::int64_t>::max());
    QCOMPARE(enorme.multiplie(u"1000").dixMilliemes(), std::numeric_limits<std::int64_t>::max());
    QCOMPARE(Monnaie::depuisDouble(std::numeric_limits<double>::infinity()), Monnaie{});
    QCOMPARE(montantTexte(std::numeric_limits<double>::quiet_NaN(), QLocale::c()),
             QStringLiteral("0.00"));
}

QTEST_GUILESS_MAIN(TestMontant)
#include "tst_montant.moc"
