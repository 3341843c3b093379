#pragma once

#include <QProcess>
#include <QString>

namespace pava::test {

// The practice-data tests run twice from the same code: on SQLite files, and
// on a real PostgreSQL server when PAVACCAM_TEST_MOTEUR=postgres (the CTest
// entries whose names say "postgres").
bool surPostgres();

// A new, empty database on this process's own PostgreSQL server, started at
// the first call (initdb into a scratch folder, pg_ctl on a Unix socket in
// that folder, as the postgres user when the tests run as root) and stopped
// when the process ends. Its URI, or "" and why in *raison (server binaries
// absent: the caller skips).
QString nouvelleBasePostgres(QString* raison);

// The server going away (a fast shutdown, as at a restart or a crash of its
// machine) and coming back, with its data.
bool arreterPostgres();
bool redemarrerPostgres();

// Another workstation on the server: psql running the statements given
// (after which it prints "pris"), waiting the given seconds, then committing.
// False when psql could not start or did not get that far.
bool autrePostePostgres(QProcess& psql, const QString& uri, double secondes,
                        const QString& transaction);

} // namespace pava::test
