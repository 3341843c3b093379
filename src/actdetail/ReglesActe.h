#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace pava {

// What the act window shows is computed here, without any window, from the
// tariff component's answers: the items of its modifier and association
// lists and the amounts of its "Tarification" frame.

// ------------------------------------------------------------------ lists
// A component element (code character followed by its wording) as a list
// item: "F" + wording -> "F : " + wording.
QString elementListe(QStringView element);

// What each of the act's four modifier lists receives after its " (Aucun)"
// item, and what the first one selects.
struct ModificateursProposes
{
    // One item per modifier the component allows (element 0 of its answer,
    // the act code, is not one). A practitioner of speciality 14 coding
    // YYYY030 gets the radiography item in front of them.
    QStringList elements;
    // Index the first list selects at the end, -1 to stay on " (Aucun)": 1
    // for the radiography item; then a "Y" modifier for specialities 13 and
    // 14, a "Z" one for 6, the last match winning. Such an index counts from
    // the first modifier of the component, so with the radiography item in
    // front it designates the item just before the matching modifier: the
    // product has always selected so, and practitioners know it.
    int selection = -1;
};
ModificateursProposes modificateursProposes(QStringView reponse, QStringView code,
                                            QStringView specialite);

// The association items after "0 : Pas d'association": every element of the
// component's answer but the last.
QStringList associationsProposees(QStringView reponse);

// The code of a list item: its first character, blanks trimmed ("" for an
// empty item or a blank first character).
QString codeElement(QStringView item);

// The urgency modifiers U and F exclude each other and are billed once per
// practitioner and consultation, whatever the number of acts: the sentence
// naming the act of the coding list that already carries one, "" when none
// does.
QString urgenceDejaFacturee(const QStringList& jetons);
inline bool estModificateurUrgence(QChar m)
{
    return m == QLatin1Char('U') || m == QLatin1Char('F');
}

// ---------------------------------------------------------------- tariff
// The "Réel" box: empty when "Sécu" is, else "Sécu" raised by 17.5 % when
// the box "+17.5%" is ticked.
QString tarifReel(QStringView tarifSecu, bool majore);

// One line saying how the price shown was reached: the tariff engine's own
// steps (unit price for the activity and phase, each modifier's share, the
// association, the flat amounts, rounding), then the surcharge when it
// applies. French number format throughout.
QString explicationTarif(const QStringList& etapesComposant, QStringView secu, bool majore,
                         QStringView reel);

} // namespace pava
