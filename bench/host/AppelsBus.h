#pragma once

// The server's names and one call, for the programs that measure it.
#include "host/dbus/NomsBus.h"

#include <QDBusMessage>
#include <QFile>
#include <QString>
#include <QVariantList>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

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

// A process's resident memory (VmRSS) in kB, or -1 when it cannot be read.
inline long memoireResidenteKo(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& ligne : f.readAll().split('\n'))
        if (ligne.startsWith("VmRSS:"))
            return ligne.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Runs the program again inside a private session bus of its own (once: the
// marker variable says it is there), so that a server already running for
// the user is neither used nor disturbed. Returns only when exec failed.
inline int relancerSurBusPrive(int argc, char** argv, const char* marqueur)
{
    setenv(marqueur, "1", 1);
    std::vector<char*> commande{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    for (int i = 0; i < argc; ++i)
        commande.push_back(argv[i]);
    commande.push_back(nullptr);
    execvp("dbus-run-session", commande.data());
    std::perror("dbus-run-session");
    return 2;
}

} // namespace pava::banc
