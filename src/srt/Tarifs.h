#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace pava {

// Values shared by the reference importer, the tariff engine and the act
// search. Amounts are integer cents, modifier percentages integer basis
// points (1 % = 100), dates julian day numbers: nothing is ever a double, so
// a tariff computed twice gives the same cent.

// The two tariff grids of the CCAM edition: the first tariff column (sector 1,
// OPTAM, OPTAM-ACO) and the second (outside sector 1, outside OPTAM).
inline constexpr int kGrilleSecteur1 = 1;
inline constexpr int kGrilleHorsSecteur1 = 2;
inline constexpr int kNombreGrilles = 2;

// One tariff cell of an act line at a given time.
struct ValeurTarif
{
    enum class Etat : std::uint8_t
    {
        Supprime,        // the line does not exist (any more)
        Tarif,           // priced: centimes
        NonPrisEnCharge, // "Non pris en charge": listed, never reimbursed
    };
    Etat etat = Etat::Supprime;
    std::int64_t centimes = 0;

    friend bool operator==(const ValeurTarif&, const ValeurTarif&) = default;
};

// A modifier's rate: a percentage of the unit price or a flat amount.
struct TauxModificateur
{
    std::int32_t pointsDeBase = 0;
    std::int64_t forfaitCentimes = 0;

    bool estForfait() const { return forfaitCentimes != 0; }
    friend bool operator==(const TauxModificateur&, const TauxModificateur&) = default;
};

// The sentence of the edition's notes that forbids billing two acts together,
// as the edition writes it (on one line), and whose note it is: an act's code
// or a heading's number. What a refusal quotes to the practitioner.
struct NoteRegle
{
    QString de;
    QString phrase;
    friend bool operator==(const NoteRegle&, const NoteRegle&) = default;
};

// A value in force from a date (julian day) until the next point of the same
// history.
template <typename V> struct PointDate
{
    std::int64_t debut = 0;
    V valeur{};
};

// The point in force on a day: the last one starting on or before it;
// nullptr when none does.
template <typename V>
const PointDate<V>* pointEnVigueur(const QList<PointDate<V>>& points, std::int64_t jour)
{
    const PointDate<V>* retenu = nullptr;
    for (const PointDate<V>& p : points) {
        if (p.debut > jour)
            break;
        retenu = &p;
    }
    return retenu;
}

// A digit as the edition and the installation's table write numbers: "0" to
// "9" only (QChar::isDigit also takes the digits of other scripts).
inline bool estChiffre(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "26.60", "26.6", "26" -> cents. Digits, at most one decimal point and two
// decimals; nothing else. False (centimes untouched) otherwise. A French
// spreadsheet writes its amounts with a decimal comma ("26,60"): read with
// pointDecimal ','.
bool lireMontant(QStringView texte, std::int64_t& centimes, QChar pointDecimal = QLatin1Char('.'));

// The same, accepting what a spreadsheet sometimes writes instead: a decimal
// comma and blanks inside the number ("248, 15" -> 24815). Used to read the
// edition, which then reports the correction.
bool lireMontantTolerant(QStringView texte, std::int64_t& centimes);

// A percentage as the edition writes modifier rates: "+6%", "+6,50%",
// "21,5%", "+13.00 %". False when the text is not a percentage.
bool lirePourcentage(QStringView texte, std::int32_t& pointsDeBase);

// A modifier rate as written by the edition or the installation's table: a
// percentage or an amount in euros. A plain number below one euro is a
// coefficient written as a fraction (0.49 = +49 %): the CCAM has no flat
// modifier under one euro. *fraction tells the caller it read one.
bool lireTauxModificateur(QStringView texte, TauxModificateur& taux, bool* fraction = nullptr);

// Cents as euros with two decimals and "." ("26.60", "0.00", "-1.05").
QString texteEuros(std::int64_t centimes);
// The same as a French reader writes it, for messages: "19,06 €".
QString texteEurosFrancais(std::int64_t centimes);
// Basis points as a French percentage ("+6,5 %", "+49 %").
QString textePourcentage(std::int32_t pointsDeBase);
// A rate as text for messages: "+19,06 €" or "+6,5 %".
QString texteTaux(const TauxModificateur& taux);

// ISO date text ("2026-01-01") and julian days.
QString texteIso(std::int64_t jour);
// "2026-01-01" or "01/01/2026", nothing else; 0 when unreadable.
std::int64_t lireJour(QStringView texte);
QString texteJourFrancais(std::int64_t jour); // "01/01/2026"

// The wording of a modifier or a note as one list item: its first sentence
// joined on one line, without the billing notes that follow it
// ("Facturation :", "Inclut :", "A l'exclusion de :").
QString libelleSurUneLigne(const QString& texte);

// A CCAM act code: four capital letters and three digits.
bool estCodeActe(QStringView texte);

} // namespace pava
