#include "srt/Tarifs.h"

#include <limits>

namespace pava {

namespace {

constexpr std::int64_t kMontantMaximum = std::numeric_limits<std::int64_t>::max() / 1000000;

// Digits, then optionally one separator and one or two decimals; the value is
// returned in hundredths. The caller has removed everything else.
bool lireDecimal(QStringView t, QChar separateur, std::int64_t& centiemes)
{
    if (t.isEmpty())
        return false;
    std::int64_t entier = 0;
    qsizetype i = 0;
    qsizetype chiffres = 0;
    for (; i < t.size() && estChiffre(t[i]); ++i, ++chiffres) {
        entier = entier * 10 + (t[i].unicode() - u'0');
        if (entier > kMontantMaximum)
            return false;
    }
    if (chiffres == 0)
        return false;
    std::int64_t decimales = 0;
    if (i < t.size()) {
        if (t[i] != separateur)
            return false;
        ++i;
        const qsizetype debut = i;
        while (i < t.size() && estChiffre(t[i]))
            ++i;
        const qsizetype n = i - debut;
        if (n == 0 || n > 2 || i != t.size())
            return false;
        for (qsizetype k = debut; k < i; ++k)
            decimales = decimales * 10 + (t[k].unicode() - u'0');
        if (n == 1)
            decimales *= 10;
    }
    centiemes = entier * 100 + decimales;
    return true;
}

// Hand-typed amounts: "248, 15" and "6,5 %" read as "248.15" and "6.5%".
QString sansBlancsPointDecimal(QStringView texte)
{
    QString t;
    t.reserve(texte.size());
    for (QChar c : texte) {
        if (!c.isSpace())
            t.append(c == QLatin1Char(',') ? QLatin1Char('.') : c);
    }
    return t;
}

} // namespace

bool lireMontant(QStringView texte, std::int64_t& centimes, QChar pointDecimal)
{
    return lireDecimal(texte.trimmed(), pointDecimal, centimes);
}

bool lireMontantTolerant(QStringView texte, std::int64_t& centimes)
{
    return lireDecimal(sansBlancsPointDecimal(texte), QLatin1Char('.'), centimes);
}

bool lirePourcentage(QStringView texte, std::int32_t& pointsDeBase)
{
    QString t = sansBlancsPointDecimal(texte);
    if (!t.endsWith(QLatin1Char('%')))
        return false;
    t.chop(1);
    if (t.startsWith(QLatin1Char('+')))
        t.remove(0, 1);
    std::int64_t centiemes = 0;
    if (!lireDecimal(t, QLatin1Char('.'), centiemes) || centiemes > 100000)
        return false;
    pointsDeBase = static_cast<std::int32_t>(centiemes);
    return true;
}

bool lireTauxModificateur(QStringView texte, TauxModificateur& taux, bool* fraction)
{
    if (fraction)
        *fraction = false;
    std::int32_t pdb = 0;
    if (lirePourcentage(texte, pdb)) {
        taux = {pdb, 0};
        return true;
    }
    std::int64_t centimes = 0;
    if (!lireMontantTolerant(texte, centimes))
        return false;
    if (centimes > 0 && centimes < 100) {
        if (fraction)
            *fraction = true;
        taux = {static_cast<std::int32_t>(centimes * 100), 0};
        return true;
    }
    taux = {0, centimes};
    return true;
}

QString texteEuros(std::int64_t centimes)
{
    const bool negatif = centimes < 0;
    const std::uint64_t a =
        negatif ? 0 - static_cast<std::uint64_t>(centimes) : static_cast<std::uint64_t>(centimes);
    return (negatif ? QStringLiteral("-") : QString()) + QString::number(a / 100) +
           QLatin1Char('.') + QStringLiteral("%1").arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString texteEurosFrancais(std::int64_t centimes)
{
    return texteEuros(centimes).replace(QLatin1Char('.'), QLatin1Char(',')) + QStringLiteral(" €");
}

QString textePourcentage(std::int32_t pointsDeBase)
{
    QString t = QString::number(pointsDeBase / 100);
    if (const int reste = pointsDeBase % 100; reste != 0) {
        QString dec = QStringLiteral("%1").arg(reste, 2, 10, QLatin1Char('0'));
        if (dec.endsWith(QLatin1Char('0')))
            dec.chop(1);
        t += QLatin1Char(',') + dec;
    }
    return QStringLiteral("+") + t + QStringLiteral(" %");
}

QString texteTaux(const TauxModificateur& taux)
{
    if (taux.estForfait())
        return QStringLiteral("+") + texteEurosFrancais(taux.forfaitCentimes);
    return textePourcentage(taux.pointsDeBase);
}

QString texteIso(std::int64_t jour)
{
    return QDate::fromJulianDay(jour).toString(Qt::ISODate);
}

QString texteJourFrancais(std::int64_t jour)
{
    return QDate::fromJulianDay(jour).toString(QStringLiteral("dd/MM/yyyy"));
}

std::int64_t lireJour(QStringView texte)
{
    // Exactly "AAAA-MM-JJ" or "JJ/MM/AAAA" in ASCII digits: Qt's parsers
    // would also take a signed year ("01/01/-2026").
    const QString t = texte.trimmed().toString();
    const auto forme = [&](const char* modele) {
        if (t.size() != 10)
            return false;
        for (qsizetype i = 0; i < 10; ++i)
            if (modele[i] == '0' ? !estChiffre(t[i]) : t[i] != QLatin1Char(modele[i]))
                return false;
        return true;
    };
    QDate d;
    if (forme("0000-00-00"))
        d = QDate::fromString(t, Qt::ISODate);
    else if (forme("00/00/0000"))
        d = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
    return d.isValid() ? d.toJulianDay() : 0;
}

QString libelleSurUneLigne(const QString& texte)
{
    QStringList gardees;
    for (const QString& ligne : texte.split(QLatin1Char('\n'))) {
        const QString l = ligne.trimmed();
        if (!gardees.isEmpty() &&
            (l.startsWith(QLatin1String("Facturation"), Qt::CaseInsensitive) ||
             l.startsWith(QLatin1String("Inclut"), Qt::CaseInsensitive) ||
             l.startsWith(QLatin1String("A l"), Qt::CaseInsensitive) ||
             l.startsWith(QStringLiteral("À l"), Qt::CaseInsensitive)))
            break;
        gardees.append(l);
    }
    return gardees.join(QLatin1Char(' ')).simplified();
}

bool estCodeActe(QStringView texte)
{
    if (texte.size() != 7)
        return false;
    for (qsizetype i = 0; i < 7; ++i) {
        const char16_t c = texte[i].unicode();
        const bool ok = i < 4 ? (c >= u'A' && c <= u'Z') : (c >= u'0' && c <= u'9');
        if (!ok)
            return false;
    }
    return true;
}

} // namespace pava
