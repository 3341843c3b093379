#pragma once

#include <QStringList>
#include <QTextStream>

namespace pava {

// "pavaccam reference ...": building and questioning the CCAM reference from
// the command line.
//
//   import FICHIER.csv --srt REP [--modifiers FICHIER] [--forcer] [--nouveau]
//   search MOTS... --srt REP [--data REP] [--rsc REP] [--grille 1|2] [--max N]
//          [--explain]
//   price CODE [--modifiers LETTRES] [--date AAAA-MM-JJ] --srt REP [--grille 1|2]
//         [--association C] [--lieu C] [--rbt O|N]
//   check CODE CODE... --srt REP [--date AAAA-MM-JJ]
//
// args are the arguments after "reference". Results and reports go to out,
// progress and errors to err, in French. Returns 0 on success, 1 when the
// work failed (reference missing, import refused) or the acts checked may
// not be billed together, 2 for wrong arguments.
int commandeReference(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace pava
