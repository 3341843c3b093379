#pragma once

#include <QString>
#include <QStringView>

#include <array>

namespace pava::complements {

// What the complementary acts window hands to the workspace on "&Ok": the
// labels, CCAM codings and NGAP codings of the ticked slots, each joined
// with "+".
struct TextesComplement
{
    QString libelles;
    QString ccam;
    QString ngap;
    friend bool operator==(const TextesComplement&, const TextesComplement&) = default;
};

// coches[k - 1][r - 1]: slot r of tab k is ticked.
using Coches = std::array<std::array<bool, 8>, 3>;

// The three texts from the ticked slots of the session's catalogue, tab 1
// slots 1-8 first, then tab 2, then tab 3. On tab 1 a ticked slot counts
// only when its CCAM or NGAP coding is not blank (tab 1 holds the default
// complements, often ticked out of habit); on tabs 2 and 3 every ticked slot
// counts. A counted slot always adds its label, even empty; its codings are
// added when not "". Adding x to a text: the text becomes x when it is still
// "", else text "+" x; so an empty first label adds nothing and an empty
// label after another leaves a "+" behind, as hosts have always received.
TextesComplement assembleComplements(const Coches& coches);

// A field as it can stand in a complement file: "§" (the field separator)
// removed, each line break (CR LF, CR or LF) turned into one blank,
// characters that Windows-1252 cannot hold removed. The flags tell what was
// changed, so that the window can say it. A coding (the CCAM and NGAP
// fields) also loses its ",": the result string handed to the host separates
// its parts with ",", so a "," inside a coding would shift them all.
struct ChampNettoye
{
    QString texte;
    bool separateur = false;   // a "§" was removed
    bool sautDeLigne = false;  // a line break became a blank
    bool horsCodePage = false; // a character the file cannot hold was removed
    bool decimale = false;     // a decimal comma of a coding became "."
    bool virgule = false;      // a coding holds another ",", kept: to be removed by hand
    bool modifie() const { return separateur || sautDeLigne || horsCodePage || decimale; }
};
ChampNettoye nettoieChamp(QStringView texte, bool cotation = false);

// The CCAM coding of the amounts window's "Suite": the coding without its
// old amount suffixes, then the suffixes of the three boxes read as numbers
// (total "=", else overrun "&", then out-of-nomenclature act "$"; amounts of
// 0 or less dropped; a decimal comma is the decimal point, "12,50" is 12.5;
// a no-break space is a blank, "1 250,50" is 1250.5).
QString suiteMontants(QStringView cotation, QStringView total, QStringView depassement,
                      QStringView horsNomenclature);

// Whether a box of the amounts window reads whole as the number "Suite" puts
// in the coding: empty, or digits with one decimal point or comma, blanks
// ignored ("1 250,5"). A number read from the front of "45,5x" would drop the
// "x" in silence; the window asks for the box to be corrected instead.
bool montantLisible(QStringView texte);

} // namespace pava::complements
