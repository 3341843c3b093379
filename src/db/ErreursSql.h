#pragma once

#include <QString>

class QSqlError;

namespace pava {

// The SQLite result code behind an error (its primary code), -1 when none.
int codeSqlite(const QSqlError& e);

// The error number the user is told about for a database error: locked by
// another program, read-only, disk full, duplicate key, missing table or
// field, else a statement the database refused.
int numeroErreurSql(const QSqlError& e);

// Why a write was refused, in the words a practitioner acts on
// ("verrouillée par un autre poste", "disque plein", "en lecture seule"); ""
// for any other error number.
QString causeRefusEcriture(int numero);

// Opens an existing SQLite file under a connection name. Never creates a
// file: a missing one is an error. attenteMs is how long a statement waits
// for a database another program is writing. On failure the connection is
// removed again and numero / message (French, naming the file) say why.
bool ouvrirBaseSqlite(const QString& connexion, const QString& chemin, bool lectureSeule,
                      int attenteMs, int& numero, QString& message);

} // namespace pava
