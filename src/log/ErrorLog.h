#pragma once

#include <QDateTime>
#include <QString>

namespace pava {

// The error log, personal, kept in repertoireJournal(): named after the
// executable, "<name>.log.txt" with one backup "<name>.log.bak.txt". It is
// opened the safe way (FichierSur): a link, a pipe or a second name at its
// path is refused, with a warning (avertir()) once a run, and the entry lost.
// One entry per call:
//   <date time> : Procedure <name> : Erreur n° <number> (<description>)
// optionally followed by "    -> <detail>"; CR LF line ends, Windows-1252
// bytes. Above 262144 bytes the log becomes the backup before the append.
// The routine never reports its other failures (an unwritable directory
// simply loses the entry).
//
// An empty description is replaced, in the caller's variable too, by the
// standard text of the error number.
void LogErreur(int numErreur, QString& descErreur, const QString& nomProc, const QString& detail);

namespace journal {
inline constexpr qint64 kSeuilRotation = 262144;

// Base name of the log files: the running executable's name.
QString nomBase();
QString cheminJournal();
QString cheminSauvegarde();

// The entry as text (lines joined with CR LF, final CR LF included).
QString ligneJournal(const QDateTime& moment, int numErreur, const QString& descErreur,
                     const QString& nomProc, const QString& detail);
} // namespace journal

} // namespace pava
