#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QTextStream>

namespace pava {

// "pavaccam call": one member of a new LectureCCAM object, through the bus.
int commandeAppel(const QStringList& arguments, QTextStream& out, QTextStream& err);

// Pieces the demonstration shares with "call".
namespace client {

// Exit statuses of the tool.
inline constexpr int kSucces = 0;
inline constexpr int kErreurServeur = 1; // the server answered with an error
inline constexpr int kUsage = 2;
inline constexpr int kInjoignable = 3; // no bus, or the server cannot be reached

// The session bus, or false with the French explanation in err.
bool connecterBus(QDBusConnection* bus, QTextStream& err);

// Creates a LectureCCAM object (the bus starts the server when needed).
// Its path, or "" after explaining in err why it failed.
QString creerObjet(QDBusConnection& bus, QTextStream& err);

// Gives the object back; true when the server is still there afterwards.
bool libererObjet(QDBusConnection& bus, const QString& chemin, QTextStream& err);

// Whether the error means the server process went away during the call
// (EndCCAM, or a release that ends it).
bool serveurParti(const QDBusMessage& reponse);

// The French text of a failed call for the user.
QString messageErreur(const QDBusMessage& reponse);

// To be called before the tool ends. An error reply (the server ending
// through EndCCAM answers none, and the bus says so) wakes the caller before
// the bus's thread has finished with it; a process ending at that moment
// pulls Qt's type registry from under that thread, which then warns of an
// "invalid type". One more round trip on the bus lets it finish.
void finirAvecLeBus();

} // namespace client

} // namespace pava
