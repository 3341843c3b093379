#pragma once

// The server's names and one call, for the programs that measure it.
#include "host/dbus/NomsBus.h"

#include <QDBusMessage>
#include <QString>
#include <QVariantList>

namespace pava::banc {

inline const QString kService = QString::fromLatin1(bus::kService);
inline const QString kFabrique = QString::fromLatin1(bus::kCheminFabrique);
inline const QString kIFabrique = QString::fromLatin1(bus::kInterfaceFabrique);
inline const QString kILecture = QString::fromLatin1(bus::kInterfaceLectureCCAM);

inline QDBusMessage appel(const QString& chemin, const QString& interface, const QString& membre,
                          const QVariantList& arguments = {})
{
    QDBusMessage m = QDBusMessage::createMethodCall(kService, chemin, interface, membre);
    m.setArguments(arguments);
    return m;
}

} // namespace pava::banc
