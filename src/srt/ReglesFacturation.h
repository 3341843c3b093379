#pragma once

#include "srt/EditionCcam.h"

#include <QList>
#include <QString>

#include <utility>

namespace pava {

// The billing rules of an edition that forbid billing two acts together, as
// its notes state them ("Facturation : ne peut pas être facturé avec
// l'électrocardiographie (DEQP003)"). The spreadsheet has no column for them:
// they are read from the words of the notes of the acts and of the headings.
//
// A rule names acts by their code or by the number of a heading
// ("un acte du sous-paragraphe 19.01.09.02": every act below it). A note under
// an act speaks of that act, a note under a heading of every act below it,
// unless the words before "ne peut pas être facturé" name other acts. What an
// act may be billed with ("peut être facturé avec") is never a pair. A rule
// that names acts only in words, or holds under a condition the coding cannot
// check ("sur le même membre", "sauf urgence"), is not guessed: it is listed
// with its line. The reading step by step: docs/reference.md.
struct ReglesFacturation
{
    // Two acts that may not be billed together, the smaller code first, and
    // the note that says so. A pair several notes forbid keeps a note of an
    // act (it speaks of fewer acts than a heading's), the first one read.
    struct Paire
    {
        std::pair<QString, QString> codes;
        NoteRegle origine;
    };
    // Each pair once, in code order.
    QList<Paire> paires;
    int notes = 0; // notes that gave at least one pair
    // What was not turned into pairs, with its physical line (non-blocking).
    QList<Anomalie> nonTraduites;
};

ReglesFacturation lireReglesFacturation(const EditionCcam& edition);

} // namespace pava
