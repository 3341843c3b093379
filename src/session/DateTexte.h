#pragma once

#include <QDateTime>
#include <QString>

namespace pava {

// The text form of a date and time that the system writes wherever it hands a
// moment over as text (the tariff component's DateActe, the error log):
// "dd/MM/yyyy HH:mm:ss", the French general date format.
QString texteDateHeure(const QDateTime& moment);
QString texteDateHeureMaintenant();

// Reads back any text form the system writes (with or without the time), and
// ISO 8601 dates ("2026-01-15", "2026-01-15T10:00:00"). Invalid when unreadable.
QDateTime lireDateHeure(const QString& texte);

} // namespace pava
