#pragma once

#include <QStringList>
#include <QTextStream>

namespace pava {

// "pavaccam init --data DIR --rsc DIR --srt DIR [--profil DIR] [--reference FICHIER.csv]"
int commandeInit(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace pava
