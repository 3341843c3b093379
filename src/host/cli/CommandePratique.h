#pragma once

#include <QStringList>
#include <QTextStream>

namespace pava {

// "pavaccam practice check [--to URI]" and
// "pavaccam practice migrate --data DIR --rsc DIR --to URI [--fusionner]".
int commandePratique(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace pava
