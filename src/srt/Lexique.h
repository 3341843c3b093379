#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace pava {

// The words of French text as the act search compares them.
//
// A text is cut into words at anything that is neither a letter nor a digit
// ("intra-utérin" is two words); each word is folded (lower case, without
// accents, œ and æ spelt out) and reduced to its stem by the Snowball French
// stemmer, so that "plaies", "plaie"; "abdominale", "abdominaux";
// "cutanée", "cutanee", "cutané" each meet. A practitioner types without
// accents, the edition writes them: the stem is taken of the word as written,
// then again of its folded form, which gives both the same stem.
struct MotTexte
{
    QString plie; // "cutanee"
    QString cle;  // "cutan"
};
QList<MotTexte> motsTexte(QStringView texte);
// The stem of one folded or written word.
QString cleMot(QStringView mot);
// Small words that select nothing on their own ("de", "la", "par"...).
bool estMotVide(QStringView plie);

// The practitioners' lexicon: what the words a practitioner types mean in the
// edition's vocabulary. A plain UTF-8 text, one rule a line:
//
//     ecg, electrocardiogramme = électrocardiographie
//     cerebrale = encéphale, crâne
//
// left of "=", the words typed (several spellings separated by commas);
// right of it, what they mean (several meanings separated by commas: any of
// them will do). "#" starts a comment. The words are compared as motsTexte()
// gives them; small words are ignored on both sides.
struct RegleLexique
{
    QList<QStringList> tapes; // stems of each spelling typed
    QList<QStringList> sens;  // stems of each meaning
    QString texte;            // the line as written, for the explanations
    QString origine;          // the file's name
    int ligne = 0;
};

// The rules of a lexicon; the lines that are not rules are told in
// *anomalies ("ligne 12 : ...") and left out.
QList<RegleLexique> lireLexique(QStringView texte, const QString& origine,
                                QStringList* anomalies = nullptr);

// The lexicon shipped with the program: data/lexique-ccam.txt of the sources
// for a program run from its build tree, share/pavaccam/lexique-ccam.txt of
// the installation otherwise; "" when it is not there.
QString lexiqueLivre();

// The practice's own lines: "lexique-cabinet.txt" in the program's home
// (repertoireProgramme(): PAVACCAM_HOME, the build tree's executable
// directory, the shared home of an installed program when it exists, else
// the user's data directory). The file is read the safe way (no link followed,
// regular files only, 1 MB at most); an absent file is no lexicon and no
// error; any other refusal gives "" and why in *raison.
QString cheminLexiqueCabinet();
QString lireLexiqueCabinet(QString* raison = nullptr);

} // namespace pava
