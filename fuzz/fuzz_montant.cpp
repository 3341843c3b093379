// The number rules: the leading number of a text, the fixed-point currency,
// the formats amounts travel in, the edition's amounts, rates and dates, the
// speciality code. Input: two texts separated by the byte 0x1F (a number, a
// factor).
#include "Fuzz.h"

#include "coding/Montant.h"
#include "srt/Tarifs.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace pava;
using pava::fuzz::montre;

namespace {

constexpr std::int64_t kSature = std::numeric_limits<std::int64_t>::max();

QString detail(const QString& texte, Monnaie m)
{
    return montre(texte) + QStringLiteral(" -> ") + QString::number(m.dixMilliemes());
}

void nombres(const QString& texte)
{
    const double v = valeurNumerique(texte);
    VERIFIE(std::isfinite(v), montre(texte));
    VERIFIE(std::isfinite(montantSansSeparateur(texte)), montre(texte));

    // The currency keeps the decimal value the text reads as.
    const Monnaie m = Monnaie::depuisTexte(texte);
    const bool sature = m.dixMilliemes() == kSature || m.dixMilliemes() == -kSature;
    if (!sature)
        VERIFIE(std::fabs(m.enDouble() - v) <= 0.00005 + std::fabs(v) * 1e-15, detail(texte, m));

    // Written in general format, read back to the same ten-thousandth; with
    // two decimals, to the same cent.
    const QLocale fr(QLocale::French, QLocale::France);
    VERIFIE(Monnaie::depuisTexte(nombreGeneral(m, fr)) == m, detail(nombreGeneral(m, fr), m));
    const QString deux = montantTexte(m, fr);
    static const QRegularExpression forme(QStringLiteral("^-?[0-9]+\\.[0-9]{2}$"));
    VERIFIE(forme.match(deux).hasMatch(), montre(deux));
    VERIFIE(formatDeuxDecimales(m, fr) == QString(deux).replace(QLatin1Char('.'), QLatin1Char(',')),
            montre(deux));
    if (!sature)
        VERIFIE(Monnaie::depuisTexte(deux) == m.arrondiAuCentime(), detail(deux, m));

    // A double is shown as the currency made from it.
    if (std::fabs(v) < 1e14)
        VERIFIE(montantTexte(v, fr) == montantTexte(Monnaie::depuisDouble(v), fr),
                montre(texte) + QStringLiteral(" -> ") + montantTexte(v, fr));
}

void facteur(const QString& texte, const QString& facteurTexte)
{
    // A product of two amounts of four decimals (factors of up to 18
    // significant digits) is exact: the same whichever is the factor.
    const Monnaie a = Monnaie::depuisTexte(texte);
    const Monnaie b = Monnaie::depuisTexte(facteurTexte);
    constexpr std::int64_t k18Chiffres = 1000000000000000000;
    const auto limite = static_cast<double>(kSature) / 2;
    if (std::fabs(a.enDouble() * b.enDouble()) < limite / 10000 &&
        std::abs(a.dixMilliemes()) < k18Chiffres && std::abs(b.dixMilliemes()) < k18Chiffres) {
        const QLocale c = QLocale::c();
        VERIFIE(a.multiplie(nombreGeneral(b, c)) == b.multiplie(nombreGeneral(a, c)),
                nombreGeneral(a, c) + QStringLiteral(" x ") + nombreGeneral(b, c));
    }
    VERIFIE(a.multiplie(u"1") == a || a.dixMilliemes() == 0, detail(texte, a));
}

void tarifs(const QString& texte)
{
    // An amount of the edition, in either form, is the cents the currency
    // reads: no other digits, no other separator.
    std::int64_t centimes = 0;
    const bool blanc = std::any_of(texte.begin(), texte.end(), [](QChar c) { return c.isSpace(); });
    for (QChar point : {QLatin1Char('.'), QLatin1Char(',')}) {
        if (!lireMontant(texte, centimes, point))
            continue;
        VERIFIE(centimes >= 0, montre(texte));
        std::int64_t relu = -1;
        VERIFIE(lireMontant(texteEuros(centimes), relu) && relu == centimes, montre(texte));
        if (!blanc)
            VERIFIE(Monnaie::depuisTexte(QString(texte).replace(point, QLatin1Char('.'))) ==
                        Monnaie::depuisCentimes(centimes),
                    montre(texte) + QStringLiteral(" -> ") + texteEuros(centimes));
    }
    if (lireMontantTolerant(texte, centimes)) {
        std::int64_t relu = -1;
        VERIFIE(lireMontant(texteEuros(centimes), relu) && relu == centimes, montre(texte));
    }
    std::int32_t pdb = 0;
    if (lirePourcentage(texte, pdb)) {
        std::int32_t relu = -1;
        VERIFIE(pdb >= 0 && lirePourcentage(textePourcentage(pdb), relu) && relu == pdb,
                montre(texte) + QStringLiteral(" -> ") + textePourcentage(pdb));
    }
    TauxModificateur taux;
    bool fraction = false;
    if (lireTauxModificateur(texte, taux, &fraction))
        VERIFIE(!fraction || (taux.pointsDeBase > 0 && taux.pointsDeBase < 10000), montre(texte));

    // A date, read in either form, is written back and read again the same.
    if (const std::int64_t jour = lireJour(texte); jour != 0) {
        VERIFIE(lireJour(texteIso(jour)) == jour, montre(texte) + texteIso(jour));
        VERIFIE(lireJour(texteJourFrancais(jour)) == jour, montre(texte) + texteJourFrancais(jour));
    }

    // A speciality code read is written back and read again the same.
    if (const auto code = convertirEntier32(texte))
        VERIFIE(convertirEntier32(QString::number(*code)) == code, montre(texte));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QStringList t = fuzz::textes(fuzz::octets(donnees, taille), 2);
    nombres(t[0]);
    facteur(t[0], t[1]);
    tarifs(t[0]);
    return 0;
}
