#pragma once

#include <QStringList>
#include <QTextStream>

namespace pava {

// "pavaccam demo [--dossier DIR]": a demonstration data set (made on first
// run), the workspace opened on it, the coding string printed when it closes.
int commandeDemo(const QStringList& arguments, QTextStream& out, QTextStream& err);

// Whether a window can be shown: a display, or Qt's offscreen platform.
bool affichageDisponible();

} // namespace pava
