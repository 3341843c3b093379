#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace pava {

// The single-byte code page in which the log and the complement files are
// written, so that files made on the original workstations read the same.
// Characters the code page lacks are written "?"; every byte decodes.
QByteArray versWindows1252(QStringView texte);
QString depuisWindows1252(const QByteArray& octets);

} // namespace pava
