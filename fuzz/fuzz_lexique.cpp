// The practitioners' lexicon and the words of a text, on the bytes a
// practice's lexicon file would hold: the file is the practice's, anyone of
// the staff may write anything in it.
#include "Fuzz.h"

#include "srt/Lexique.h"

#include <algorithm>

using namespace pava;
using pava::fuzz::montre;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QString texte = QString::fromUtf8(fuzz::octets(donnees, taille));

    // Words are folded letters and digits, never empty, each with its stem.
    for (const MotTexte& m : motsTexte(texte)) {
        VERIFIE(!m.plie.isEmpty() && !m.cle.isEmpty(), montre(texte));
        VERIFIE(std::all_of(m.plie.begin(), m.plie.end(),
                            [](QChar c) { return c.isLetterOrNumber() && !c.isUpper(); }),
                montre(m.plie));
    }

    // Every line is a rule or said to be none, with its number.
    QStringList anomalies;
    const QList<RegleLexique> regles = lireLexique(texte, QStringLiteral("essai"), &anomalies);
    const qsizetype lignes = texte.count(QLatin1Char('\n')) + 1;
    VERIFIE(regles.size() + anomalies.size() <= lignes, montre(texte));
    int precedente = 0;
    for (const RegleLexique& r : regles) {
        VERIFIE(!r.tapes.isEmpty() && !r.sens.isEmpty(), montre(r.texte));
        for (const QStringList& mots : r.tapes + r.sens)
            VERIFIE(!mots.isEmpty(), montre(r.texte));
        VERIFIE(r.ligne > precedente && r.ligne <= lignes, montre(r.texte));
        precedente = r.ligne;
    }
    for (const QString& a : anomalies)
        VERIFIE(a.startsWith(QStringLiteral("essai, ligne ")), montre(a));
    return 0;
}
