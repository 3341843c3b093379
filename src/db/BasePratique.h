#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace pava::pratique {

// The practice's shared data (habitual codings, composed acts, the coding in
// progress of each workspace, the coding history and its dated prices) lives
// either in the SQLite files of the host's folders, or, for a practice that
// outgrew a shared folder, in one PostgreSQL database named by a libpq
// connection URI ("postgresql://serveur/cabinet",
// "postgresql:///cabinet?host=/run/postgresql").
//
// Everything that opens the practice's data takes a "name": a file path
// (SQLite) or such a URI (PostgreSQL). The rest of the program never needs
// to know which: the SQL for both engines lives here and in the data
// control.

// The URI the workstation is set to use: PAVACCAM_BASE in the environment,
// else Base= in section [PavaCCAM] of Pavareg.reg; "" when neither is set
// (the SQLite files). *origine says where it came from, in French.
QString adresseChoisie(QString* origine = nullptr);

// Whether a name is a server URI rather than a file path.
bool estAdresseServeur(const QString& nom);

// The schema version this program writes and reads.
inline constexpr int kVersionSchema = 1;

// The tables that live in the practice database, in the order a copy
// fills them, with their columns (as the SQLite files name them).
struct Table
{
    QString nom;
    QStringList colonnes;
};
const QList<Table>& tablesPratique();

// A URI turned into what Qt's PostgreSQL driver takes. A password in the URI
// is refused: passwords come from libpq's own places (~/.pgpass,
// PGPASSFILE, peer or GSS authentication), never from a profile file or a
// command line another account may read. False with a French reason.
bool configurer(QSqlDatabase& db, const QString& uri, QString& raison);

// Opens a connection to the practice's server database under a connection
// name, with statements waiting attenteMs at most for a row or lock another
// workstation holds, creates the schema when the database has none and
// upgrades an older one. A database written by a newer version is refused.
// On failure the connection is removed and numero / message say why.
bool ouvrirBaseServeur(const QString& connexion, const QString& uri, bool lectureSeule,
                       int attenteMs, int& numero, QString& message);

// The schema version of an open server database (0 when it has none).
int versionSchema(const QSqlDatabase& db);

// Whether a connection speaks to the server.
bool estServeur(const QSqlDatabase& db);

// A statement written for the practice's data, as the connection's engine
// takes it (jet::versSqlite first); on the server, quoted names are lower case as the schema
// creates them and "field IS ?" compares NULL with NULL as SQLite's IS does.
QString versDialecte(const QSqlDatabase& db, const QString& instruction);
QString versPostgres(const QString& instruction);

// How long a statement of this connection waits for a lock (server only;
// SQLite's wait is set when the file is opened).
bool fixerAttente(QSqlDatabase& db, int attenteMs);

// The acts of a coding history (the first seven characters of each token)
// for the rows added after the keys given, which move to the last rows read:
// from the dated records, with the day of the most recent as ISO text (""
// when none of its dates can be read: the other tools may have written
// them another way); from the token rows, without a day. Both engines: an
// open connection (SQLite), or a URI (the server, connected for the
// reading). False with a French reason (the cause for an open connection).
struct ActesHistorique
{
    qint64 ligneDates = 0;
    qint64 ligneJetons = 0;
    QList<QPair<QString, QString>> datees;
    QStringList jetons;
};
bool lireActesHistorique(const QSqlDatabase& db, ActesHistorique& lu, QString& erreur);
bool lireActesHistorique(const QString& uri, ActesHistorique& lu, QString& erreur);

// The token of a dated record, which tells later whether that row is still
// the same ("" when it is gone); nothing when it cannot be read.
std::optional<QString> jetonDate(const QSqlDatabase& db, qint64 ligne);

} // namespace pava::pratique
