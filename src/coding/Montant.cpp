#include "coding/Montant.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pava {

namespace {

__extension__ typedef __int128 Entier128;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// A number as written: sign, its significant digits and the power of ten of
// the last digit (value = chiffres x 10^exposant).
struct Decimal
{
    bool negatif = false;
    QString chiffres; // without leading zeros, may be empty (= 0)
    long long exposant = 0;
    bool unChiffre = false;
    qsizetype finMantisse = 0; // where the reading stopped, before any exponent
};

bool estBlanc(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// Reads the leading number of a text the way the system always has: blanks
// are ignored wherever they stand, reading stops at the first character that
// cannot continue the number.
Decimal lireDecimal(QStringView texte)
{
    Decimal d;
    qsizetype i = 0;
    const qsizetype n = texte.size();
    auto sauteBlancs = [&] {
        while (i < n && estBlanc(texte[i]))
            ++i;
    };
    sauteBlancs();
    if (i < n && (texte[i] == QLatin1Char('-') || texte[i] == QLatin1Char('+'))) {
        d.negatif = texte[i] == QLatin1Char('-');
        ++i;
    }
    bool point = false;
    long long decimales = 0;
    bool& unChiffre = d.unChiffre;
    for (; i < n; ++i) {
        const QChar c = texte[i];
        if (estBlanc(c))
            continue;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            unChiffre = true;
            if (!(d.chiffres.isEmpty() && c == QLatin1Char('0')))
                d.chiffres += c;
            if (point)
                ++decimales;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
    }
    d.finMantisse = i;
    if (unChiffre && i < n &&
        (texte[i] == QLatin1Char('e') || texte[i] == QLatin1Char('E') ||
         texte[i] == QLatin1Char('d') || texte[i] == QLatin1Char('D'))) {
        qsizetype j = i + 1;
        while (j < n && estBlanc(texte[j]))
            ++j;
        bool expNeg = false;
        if (j < n && (texte[j] == QLatin1Char('-') || texte[j] == QLatin1Char('+'))) {
            expNeg = texte[j] == QLatin1Char('-');
            ++j;
        }
        long long e = 0;
        bool expChiffre = false;
        for (; j < n; ++j) {
            const QChar c = texte[j];
            if (estBlanc(c))
                continue;
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                break;
            expChiffre = true;
            if (e < 100000)
                e = e * 10 + (c.unicode() - '0');
        }
        if (expChiffre)
            d.exposant = expNeg ? -e : e;
    }
    // Leading zeros were dropped while reading; zeros between the point and
    // the first significant digit are carried by the count of decimals.
    d.exposant -= decimales;
    return d;
}

// value x 10^4, rounded half away from zero, saturated to the 64-bit range.
std::int64_t enDixMilliemes(const Decimal& d)
{
    if (d.chiffres.isEmpty())
        return 0;
    const long long k = d.exposant + 4;
    std::int64_t resultat = 0;
    bool sature = false;
    auto ajouteChiffre = [&](int chiffre) {
        if (resultat > (kMax - chiffre) / 10)
            sature = true;
        else
            resultat = resultat * 10 + chiffre;
    };
    if (k >= 0) {
        if (k > 19 || d.chiffres.size() + k > 19) {
            sature = true;
        } else {
            for (QChar c : d.chiffres)
                ajouteChiffre(c.unicode() - '0');
            for (long long z = 0; z < k && !sature; ++z)
                ajouteChiffre(0);
        }
    } else {
        const qsizetype garde = d.chiffres.size() + k; // digits kept
        if (garde > 19) {
            sature = true;
        } else {
            for (qsizetype p = 0; p < garde; ++p)
                ajouteChiffre(d.chiffres[p].unicode() - '0');
            // Only the first digit dropped decides: half away from zero.
            const bool arrondiHaut = garde >= 0 && d.chiffres[garde].unicode() - '0' >= 5;
            if (arrondiHaut && !sature) {
                if (resultat == kMax)
                    sature = true;
                else
                    ++resultat;
            }
        }
    }
    if (sature)
        return d.negatif ? -kMax : kMax;
    return d.negatif ? -resultat : resultat;
}

Decimal decimalDeDouble(double v)
{
    if (!std::isfinite(v))
        return {};
    return lireDecimal(QString::number(v, 'g', 15));
}

QString chiffresMonnaie(std::int64_t dixMilliemesArrondis, const QString& point)
{
    // dixMilliemesArrondis is a whole number of cents (x 100).
    const bool negatif = dixMilliemesArrondis < 0;
    const std::uint64_t a = negatif ? 0 - static_cast<std::uint64_t>(dixMilliemesArrondis)
                                    : static_cast<std::uint64_t>(dixMilliemesArrondis);
    const std::uint64_t centimes = a / 100;
    QString texte = QString::number(centimes / 100) + point +
                    QStringLiteral("%1").arg(centimes % 100, 2, 10, QLatin1Char('0'));
    if (negatif && centimes != 0)
        texte.prepend(QLatin1Char('-'));
    return texte;
}

} // namespace

double valeurNumerique(QStringView texte)
{
    const Decimal d = lireDecimal(texte);
    if (d.chiffres.isEmpty())
        return 0.0;
    const QString ecrit = (d.negatif ? QStringLiteral("-") : QString()) + d.chiffres +
                          QStringLiteral("e") + QString::number(d.exposant);
    bool ok = false;
    const double v = ecrit.toDouble(&ok);
    // A number too large to be represented reads 0 rather than infinity.
    return ok && std::isfinite(v) ? v : 0.0;
}

bool nombreComplet(QStringView texte)
{
    const Decimal d = lireDecimal(texte);
    if (d.finMantisse < texte.size())
        return false;
    return d.unChiffre || std::all_of(texte.begin(), texte.end(), estBlanc);
}

Monnaie Monnaie::depuisDouble(double valeur)
{
    return depuisDixMilliemes(enDixMilliemes(decimalDeDouble(valeur)));
}

Monnaie Monnaie::depuisTexte(QStringView texte)
{
    return depuisDixMilliemes(enDixMilliemes(lireDecimal(texte)));
}

Monnaie Monnaie::arrondiAuCentime() const
{
    std::int64_t q = m_dixMilliemes / 100;
    const std::int64_t r = m_dixMilliemes % 100;
    if (r >= 50)
        ++q;
    else if (r <= -50)
        --q;
    if (q > kMax / 100)
        q = kMax / 100;
    if (q < -kMax / 100)
        q = -kMax / 100;
    return depuisDixMilliemes(q * 100);
}

Monnaie Monnaie::multiplie(QStringView facteurDecimal) const
{
    const Decimal f = lireDecimal(facteurDecimal);
    if (f.chiffres.isEmpty() || m_dixMilliemes == 0)
        return {};
    // factor = M x 10^e; keep at most 18 significant digits of M.
    QString chiffres = f.chiffres;
    long long e = f.exposant;
    if (chiffres.size() > 18) {
        e += chiffres.size() - 18;
        chiffres.truncate(18);
    }
    Entier128 produit = static_cast<Entier128>(m_dixMilliemes) * chiffres.toLongLong();
    const Entier128 limite = static_cast<Entier128>(kMax);
    auto sature = [&](bool negatif) { return depuisDixMilliemes(negatif ? -kMax : kMax); };
    const bool negatif = (produit < 0) != f.negatif;
    if (produit < 0)
        produit = -produit;
    if (e >= 0) {
        for (long long i = 0; i < e; ++i) {
            if (produit > limite)
                return sature(negatif);
            produit *= 10;
        }
    } else {
        if (e < -40)
            return {};
        Entier128 diviseur = 1;
        for (long long i = 0; i < -e; ++i)
            diviseur *= 10;
        const Entier128 reste = produit % diviseur;
        produit /= diviseur;
        if (2 * reste >= diviseur)
            ++produit; // half away from zero
    }
    if (produit > limite)
        return sature(negatif);
    const auto n = static_cast<std::int64_t>(produit);
    return depuisDixMilliemes(negatif ? -n : n);
}

QString formatDeuxDecimales(Monnaie valeur, const QLocale& locale)
{
    return chiffresMonnaie(valeur.arrondiAuCentime().dixMilliemes(), locale.decimalPoint());
}

QString formatDeuxDecimales(double valeur, const QLocale& locale)
{
    if (!std::isfinite(valeur))
        return formatDeuxDecimales(Monnaie{}, locale);
    if (std::fabs(valeur) >= 1e14) // beyond the currency range: plain rounding
        return QString::number(valeur, 'f', 2).replace(QLatin1Char('.'), locale.decimalPoint());
    return formatDeuxDecimales(Monnaie::depuisDouble(valeur), locale);
}

QString montantTexte(double valeur, const QLocale& locale)
{
    return formatDeuxDecimales(valeur, locale).replace(QLatin1Char(','), QLatin1Char('.'));
}

QString montantTexte(Monnaie valeur, const QLocale& locale)
{
    return formatDeuxDecimales(valeur, locale).replace(QLatin1Char(','), QLatin1Char('.'));
}

QString nombreGeneral(double valeur, const QLocale& locale)
{
    if (!std::isfinite(valeur))
        return QStringLiteral("0");
    QString texte = QString::number(valeur, 'g', 15).toUpper();
    texte.replace(QLatin1Char('.'), locale.decimalPoint());
    return texte.replace(QLatin1Char(','), QLatin1Char('.'));
}

QString nombreGeneral(Monnaie valeur, const QLocale& locale)
{
    const std::int64_t n = valeur.dixMilliemes();
    const bool negatif = n < 0;
    const std::uint64_t a =
        negatif ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    QString texte = QString::number(a / 10000);
    QString fraction = QStringLiteral("%1").arg(a % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        texte += locale.decimalPoint() + fraction;
    if (negatif)
        texte.prepend(QLatin1Char('-'));
    return texte.replace(QLatin1Char(','), QLatin1Char('.'));
}

double montantSansSeparateur(QStringView texte)
{
    QString sans = texte.toString();
    sans.remove(QLatin1Char('.'));
    sans.remove(QLatin1Char(','));
    return valeurNumerique(sans) / 100.0;
}

std::optional<qint32> convertirEntier32(const QString& texte)
{
    QString t = texte.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qlonglong entier = t.toLongLong(&ok);
    if (ok) {
        if (entier < std::numeric_limits<qint32>::min() ||
            entier > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return static_cast<qint32>(entier);
    }
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    const double valeur = t.toDouble(&ok);
    if (!ok || !std::isfinite(valeur))
        return std::nullopt;
    // Halves go to the even neighbour, as the host's conversion rounds
    // (nearbyint under the default rounding mode).
    const double arrondi = std::nearbyint(valeur);
    if (arrondi < std::numeric_limits<qint32>::min() ||
        arrondi > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(arrondi);
}

} // namespace pava
