#pragma once

#include "session/Session.h"

#include <QString>

#include <functional>

namespace pava {

// The practitioner's catalogue of complementary acts: three tabs of eight
// slots (label, CCAM coding, NGAP coding) and a title per tab, kept in
// "Complt1.txt", "Complt2.txt", "Complt3.txt" in the program's own directory
// (shared by everyone who runs the installation). In memory the catalogue is
// session().ComplementsOnglet1..3 and session().TitresOnglets[1..3].
//
// A file is Windows-1252 text with CR LF line ends: line 1 the tab's title
// (empty when the user gave none), lines 2-9 the slots 1-8, each
// label "§" CCAM "§" NGAP ("§" is the byte 0xA7), an empty slot being "§§".

// Re-creates the three tables empty, then fills them and the titles from the
// files. An absent file leaves its slots empty and its title as it was; a
// file without a first line keeps the title too; a short file fills only the
// slots it has lines for; a slot line without "§" is all label; pieces
// beyond the third are ignored. A save left half-way by a crash is completed
// or discarded first. The files are opened the safe way (FichierSur): a
// link, a pipe or anything but a regular file at a file's name is refused,
// nothing read from it; a refused or unreadable file is logged and, when
// anomalie is given, described there in French (one line per file).
void GetActeComplementaire(QString* anomalie = nullptr);

// Writes the three files from the session (all three, every time). The
// previous catalogue survives any failure or crash: either the three new
// files or the three previous ones, never a mix. On failure the error is
// written to the error log and, when erreur is given, described there in
// French; returns false. A "§" or a line break left in a field is never
// written (see nettoieChamp()).
bool PutActeComplementaire(QString* erreur = nullptr);

namespace complements {

inline constexpr int kOnglets = 3;
inline constexpr int kEmplacements = 8;

// "Complt<onglet>.txt", and its full name in the program's directory.
QString nomFichier(int onglet);
QString cheminFichier(int onglet);

// The session table of tab 1, 2 or 3.
TableComplements& tableOnglet(int onglet);

// How a save proceeds, in this order, so that a test can stop it anywhere:
//  1. each tab's new file is written beside the old one ("Complt<k>.txt.nouveau")
//     (EcritureCopie), its first half, then the rest (CopieEntamee), synchronised;
//  2. a commit marker "Complt.remplacer" is created and synchronised (Marque);
//  3. each new file replaces its old one (Remplacement);
//  4. the marker goes (RetraitMarque).
// Whoever finds the marker later completes step 3 and 4; whoever finds new
// files without the marker removes them. So the marker decides, atomically,
// between the old catalogue and the new one.
enum class Etape
{
    EcritureCopie,
    CopieEntamee,
    Marque,
    Remplacement,
    RetraitMarque
};

// Test seam: called before each step with the step and its tab (0 when the
// step concerns the three files); returning true stops the save right there,
// as if the process had died (nothing tidied up). An empty function (the
// default) lets every save run to its end.
using Interruption = std::function<bool(Etape etape, int onglet)>;
void interrompreSauvegarde(Interruption interruption);

} // namespace complements

} // namespace pava
