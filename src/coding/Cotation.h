#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>

namespace pava {

// The text forms of a coding, written once here and used at every boundary:
// act window -> workspace (act record), coding list -> coding string,
// workspace -> host (result string), workspace -> tariff class (check list).

// ---------------------------------------------------------------- act token
// One fully qualified act, exactly 14 characters: act code (7), activity,
// phase, modifiers 1-4, association. A blank in a modifier position is
// written "_". Elsewhere a token is recognised by its length alone.
inline constexpr qsizetype kLongueurJeton = 14;
inline constexpr qsizetype kLongueurCode = 7;

// Each position after the code is one character, or none when the act
// window's list was empty (the token is then short, so not a token); any
// character read, U+0000 included, is written back.
struct JetonActe
{
    QString code;                           // 7 characters
    QString activite;                       // position 8
    QString phase;                          // position 9
    std::array<QString, 4> modificateurs{}; // positions 10-13, as written ("_" for none)
    QString association;                    // position 14 ("0" = coded as an isolated act)

    // Builds a token from what the act window shows: the code, then the text
    // of each list (activity, phase, the four modifiers, association). Each
    // list gives its first character; a blank modifier gives "_".
    static JetonActe depuisListes(const QString& code, QStringView activite, QStringView phase,
                                  const std::array<QStringView, 4>& modificateurs,
                                  QStringView association);
    // Parses a 14-character element; nothing for any other length.
    static std::optional<JetonActe> lire(QStringView texte);

    QString texte() const;
    // The modifier in position i as the tariff class wants it: "" for none.
    QString modificateur(int i) const;
    friend bool operator==(const JetonActe&, const JetonActe&) = default;
};

inline bool estJeton(QStringView element)
{
    return element.size() == kLongueurJeton;
}
// A CCAM supplement (code "YYYY…"): it comes with an act, never alone.
inline bool estSupplement(QStringView code)
{
    return code.startsWith(u"YYYY");
}
// The bare act code: the first 7 characters.
inline QString codeNu(QStringView jeton)
{
    return jeton.left(kLongueurCode).toString();
}
// First character of a list's text, or "" for an empty text.
QString premierCaractere(QStringView texte);

// --------------------------------------------------------------- act record
// What the act window hands back: token, real (charged) tariff,
// reimbursement tariff, label, joined by "§".
inline constexpr QChar kSepEnregistrement = QChar(0x00A7);

struct EnregistrementActe
{
    QString jeton;
    QString tarifReel;
    QString tarifSecu;
    QString libelle;

    QString texte() const;
    // Splits on "§". A text with fewer than four fields gives nothing (the
    // caller reports it); fields beyond the fourth are ignored.
    static std::optional<EnregistrementActe> lire(QStringView texte);
    friend bool operator==(const EnregistrementActe&, const EnregistrementActe&) = default;
};

// ------------------------------------------------------------ coding string
// Tokens of the coding list joined with "+"; labels trimmed and joined with "+".
QString chaineCotation(const QStringList& jetons);
QString chaineLibelles(const QStringList& libelles);

// ----------------------------------------------------------- amount suffixes
// A coding may end with "=" total, "&" fee overrun, "$" out-of-nomenclature
// act, written right after the last token ("=" and "&" exclude each other;
// "$" may follow either).
struct SuffixesMontant
{
    QString total;            // after "=", as stored
    QString depassement;      // after "&"
    QString horsNomenclature; // after "$"
    friend bool operator==(const SuffixesMontant&, const SuffixesMontant&) = default;
};
// Everything before the first "$", "&" or "=".
QString enleveMontants(QStringView cotation);
// The amounts stored at the end of a coding; absent ones stay empty.
SuffixesMontant lireMontants(QStringView cotation);
// The suffix part for three amounts read as numbers: a total above 0 wins
// over the overrun; amounts of 0 or below are dropped; general number format
// with "." as decimal point ("=45.5", "&12$30").
QString suffixesMontants(double total, double depassement, double horsNomenclature);

// ------------------------------------------------------- stored composed act
// "NGAP" + NGAP coding + "," + coding string + extras when an NGAP coding is
// given; else coding string + extras.
QString acteCompose(const QString& ngap, const QString& cotation, const QString& extras);
// The CCAM part of a stored composed act: its second ","-separated field when
// it contains ",", else the whole text.
QString partieCCAM(const QString& acteStocke);

// ------------------------------------------------------------- result string
// codes "," amount "," labels. From the coding list: optional NGAP prefix,
// coding string, "+complement" (no "+" when the coding string is empty);
// amount with two decimals and "."; labels with "," -> ";", then
// "+" complement label.
QString resultatListe(const QString& ngap, const QString& cotation, const QString& complementCCAM,
                      const QString& montant, const QString& libelles,
                      const QString& libelleComplement);
// From a composed act: stored text unchanged, plain-number amount, label with
// "''" -> "'" and "," -> ";" (trimmed).
QString resultatCompose(const QString& acteStocke, const QString& montant, const QString& libelle);
// A coding typed by the practitioner (the workspace's complement boxes, the
// composed act's NGAP coding and amounts, the complement catalogue's codings)
// holds no ",": the result string and the stored composed act separate their
// parts with it, and the host would read a code as the amount. A French
// practitioner writes a decimal comma, though ("AMI 1,5", "=4,5"): a ","
// between two digits becomes the "." of the result string. Any other "," is
// kept where it was typed, said in these words beside the box, and the
// window is not validated while it stands.
QString virgulesDecimales(QStringView texte);
inline const QString kVirguleRefusee =
    QStringLiteral("La virgule sépare les parties de la cotation rendue au logiciel du cabinet : "
                   "elle n'est admise qu'entre deux chiffres (« 1,5 » s'écrit « 1.5 »). "
                   "Retirez-la pour valider.");

// ---------------------------------------------------- association-check list
// Bare code of every act of the list, each followed by "@", then the bare
// code of the new act.
QString listeControleAssociation(const QStringList& jetonsListe, QStringView nouveauJeton);

// Apostrophes as stored in composed-act labels ("''") turned back into "'".
QString apostrophesSimples(QString texte);

} // namespace pava
