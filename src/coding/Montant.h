#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>
#include <optional>

namespace pava {

// Amounts travel as text; these are the number rules used everywhere, once.
//
// Rounding rule of the product: an amount is brought to two decimals on its
// decimal value (never on the binary double), with a third-and-beyond part of
// exactly one half rounded away from zero. So 24.69 x 0.75 = 18.5175 shows
// 18.52 and half of 24.69 (12.345) shows 12.35, on every machine.
// A double is first read as the decimal it prints as with 15 significant
// digits (12.345 stays 12.345, not 12.3449999...).

// Leading number of a text, as the system reads tariffs: blanks (space, tab,
// line feed) are skipped anywhere, an optional sign, digits, "." as the only
// decimal point, an optional exponent. "12,50" reads 12, "abc" and "" read 0.
double valeurNumerique(QStringView texte);
// Whether that reading takes the whole text: a number and blanks, without an
// exponent; a blank text too (it reads 0). "45.5x", "-", "1e3" are not.
bool nombreComplet(QStringView texte);

// Fixed-point currency: a 64-bit count of ten-thousandths (four decimals).
class Monnaie
{
public:
    constexpr Monnaie() = default;
    static constexpr Monnaie depuisDixMilliemes(std::int64_t n)
    {
        Monnaie m;
        m.m_dixMilliemes = n;
        return m;
    }
    static constexpr Monnaie depuisCentimes(std::int64_t c) { return depuisDixMilliemes(c * 100); }
    // The decimal value of the double (15 significant digits), rounded to four
    // decimals half away from zero; saturates instead of overflowing.
    static Monnaie depuisDouble(double valeur);
    // Leading number of a text (same rule as valeurNumerique), exact to four
    // decimals: "12.345" is exactly 12.3450.
    static Monnaie depuisTexte(QStringView texte);

    constexpr std::int64_t dixMilliemes() const { return m_dixMilliemes; }
    double enDouble() const { return static_cast<double>(m_dixMilliemes) / 10000.0; }
    // Rounded to the cent, half away from zero.
    Monnaie arrondiAuCentime() const;
    std::int64_t centimesArrondis() const { return arrondiAuCentime().m_dixMilliemes / 100; }

    // Product by a decimal factor given as text ("0.75", "1.175", "0.5"),
    // exact, rounded to four decimals half away from zero.
    Monnaie multiplie(QStringView facteurDecimal) const;

    friend constexpr Monnaie operator+(Monnaie a, Monnaie b)
    {
        return depuisDixMilliemes(a.m_dixMilliemes + b.m_dixMilliemes);
    }
    friend constexpr Monnaie operator-(Monnaie a, Monnaie b)
    {
        return depuisDixMilliemes(a.m_dixMilliemes - b.m_dixMilliemes);
    }
    Monnaie& operator+=(Monnaie b)
    {
        m_dixMilliemes += b.m_dixMilliemes;
        return *this;
    }
    friend constexpr auto operator<=>(Monnaie, Monnaie) = default;

private:
    std::int64_t m_dixMilliemes = 0;
};

// Formats with the patterns "####0.00", "#####0.00", "######0.00" (all three
// give the same text: no grouping, at least one integer digit, exactly two
// decimals) using the decimal separator of the given regional settings.
QString formatDeuxDecimales(double valeur, const QLocale& locale = QLocale::system());
QString formatDeuxDecimales(Monnaie valeur, const QLocale& locale = QLocale::system());

// The same, then every "," replaced by "." : the form in which tariffs travel
// between windows and to the host.
QString montantTexte(double valeur, const QLocale& locale = QLocale::system());
QString montantTexte(Monnaie valeur, const QLocale& locale = QLocale::system());

// General number format (no fixed decimals, no trailing zeros, up to 15
// significant digits), then "," replaced by ".": 45.5 -> "45.5", 12 -> "12".
QString nombreGeneral(double valeur, const QLocale& locale = QLocale::system());
QString nombreGeneral(Monnaie valeur, const QLocale& locale = QLocale::system());

// Tariff of a history record or of a text with two decimals whatever its
// separator: every "." and "," deleted, leading number read, divided by 100
// ("1234,56" and "1234.56" both give 1234.56).
double montantSansSeparateur(QStringView texte);

// A speciality code read as the host's 32-bit integer conversion reads it:
// blanks around it are ignored, a decimal part is rounded half to even.
// Nothing when the text is empty, not a number or out of range.
std::optional<qint32> convertirEntier32(const QString& texte);

} // namespace pava
