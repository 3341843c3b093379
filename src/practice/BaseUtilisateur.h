#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace pava {

class DataControl;

// The practitioner's database "CCAM001.mdb" in the host's data directory, as
// the workspace reads and writes it through its three data controls: the
// habitual codings (CCAM_7, the installation's), the coding list of the
// running consultation (PavaCCAM) and the composed acts (PavaACTES), the
// last two created by the product when missing.
//
// The data directory is shared by the practice's workstations, so the coding
// list is shared too: each row of PavaCCAM names the workspace it belongs to
// (column EspaceCCAM), and a workspace reads, writes and deletes its own rows
// only. Other programs that read the table find its columns as they were.
namespace base {

// The column naming the workspace a row of the coding list belongs to.
inline const QString kChampEspace = QStringLiteral("EspaceCCAM");

// How long a statement of the workspace waits for a database another
// workstation holds before it gives up: short, so that a window (and the
// look-ups the same server answers) never freezes behind a colleague; the
// workspace then says that it waits, or that the change was refused.
inline constexpr int kAttenteMs = 250;

// One opening of a workspace: the machine, the user, the server process and
// the process's opening number, with the time it opened. Its text is the
// value of EspaceCCAM: "hote|utilisateur|processus|numero|ouverture (UTC)".
struct Espace
{
    QString hote;
    QString utilisateur;
    qint64 processus = 0;
    int numero = 0;
    QDateTime ouverture;

    QString texte() const;
    static std::optional<Espace> lire(const QString& texte);
};

// A new opening in this process, counted among its open workspaces until
// fermer() (the workspace window is destroyed).
Espace ouvrir();
void fermer(const Espace& espace);

// Whether the rows of a workspace may go: it no longer exists (its process
// is gone from this machine, or it is an opening of this process that has
// closed), or it opened more than a day ago, or its name cannot be read.
bool abandonne(const QString& espace, const QDateTime& maintenant);

// CompleteChemin(repertoire) + "CCAM001.mdb".
QString cheminBase(const QString& repertoireDonnees);

// Creates PavaACTES and PavaCCAM when missing (and adds EspaceCCAM to a
// coding list made before it), refuses a damaged database, then empties the
// coding list of this workspace and of the workspaces that no longer exist.
// A table that exists already is no failure; false (base.lastError() says
// why) when the database is damaged or cannot be written (read-only,
// locked).
bool preparer(DataControl& base, const Espace& espace);

// Record sources. The two sorted lists keep theirs in the settings store
// ("Record0", "Record2"), so these texts are part of what is stored.
QString sourceListe();
// The habitual codings sorted by label (column 0) or code (column 1); "" for
// any other column (the order stays).
QString sourceHabituels(int colonne);
// The composed acts sorted by label (column 0) or coding (column 1).
QString sourceComposes(int colonne);

} // namespace base

} // namespace pava
