#pragma once

#include <QString>

class QSqlError;

namespace pava {

// The SQLite result code behind an error (its primary code), -1 when none.
int codeSqlite(const QSqlError& e);

// The error number the user is told about for a database error: locked by
// another program, read-only, disk full, duplicate key, missing table or
// field, a server lost or unreachable, else a statement the database
// refused. Both engines: a server's error carries its SQLSTATE.
int numeroErreurSql(const QSqlError& e);

// Why the database refused, in French, naming the file when the cause is
// the file itself (locked by another workstation, read-only, disk full,
// damaged); SQLite's own text otherwise.
QString raisonSql(const QSqlError& e, const QString& chemin);

// Opens an existing SQLite file under a connection name. Never creates a
// file: a missing one is an error, and so is anything but a regular file
// that starts as a SQLite database (an empty file is not taken for a new
// database); a file to be written is not reached through a symbolic link. attenteMs is how long a
// statement waits for a database another program is writing. On failure the connection is removed
// again and numero / message (French, naming the file) say why.
bool ouvrirBaseSqlite(const QString& connexion, const QString& chemin, bool lectureSeule,
                      int attenteMs, int& numero, QString& message);

// The same for any name of the practice's data: a file (SQLite) or a server
// URI (PostgreSQL, pratique::ouvrirBaseServeur).
bool ouvrirBase(const QString& connexion, const QString& nom, bool lectureSeule, int attenteMs,
                int& numero, QString& message);

// Whether the database open under a connection is whole (SQLite's quick
// check). False, with numero / message (French, naming the file), when it is
// damaged or another workstation holds it.
bool verifierIntegrite(const QString& connexion, int& numero, QString& message);

} // namespace pava
