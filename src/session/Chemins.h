#pragma once

#include <QString>

#include <functional>

namespace pava {

// Path and file helpers shared by every window. The separator the path
// routines append is the platform's "/".

// The path followed by "/" unless it already ends with one; "" gives "/".
// The argument is left unchanged.
QString CompleteChemin(const QString& chemin);

// Removes the trailing blanks of the path, appends "/" unless it already ends
// with one, stores the result back into the caller's variable and returns it.
QString TermineChemin(QString& chemin);

// True when the file's length can be read (an empty file counts as present);
// false for a missing file, a directory or any failure.
bool ExisteFichier(const QString& fichier);

// Doubles every apostrophe so the text can stand between single quotes in an
// SQL criterion; stores the result back into the caller's variable and
// returns it. Calling it twice doubles twice. Any length is accepted.
QString DoubleApostrophes(QString& texte);

// Why a file cannot be read, in French, for a message: "fichier introuvable",
// "c'est un répertoire", "lecture non permise", else "erreur de lecture".
QString raisonFichierIllisible(const QString& fichier);

// The program's own directory (complement files):
//  1. the directory named by PAVACCAM_HOME, as it is;
//  2. for a program run from its build tree, the executable's directory;
//  3. for an installed program, the practice's shared home
//     (PAVACCAM_HOME_PARTAGE, /var/lib/pavaccam), so that the whole staff
//     shares one complement catalogue; when it is missing or not writable,
//     the user's own data directory (~/.local/share/pavaccam), after a French
//     warning given once per run (see avertir()).
// An installed program makes its choice once and keeps it for the whole run.
// Files there are opened with FichierSur (session/FichierSur.h).
QString repertoireProgramme();

// The directory of the error log, which is personal: nobody else may read
// a user's errors or write into them. The directory named by PAVACCAM_HOME
// when set; else the user's state folder, $XDG_STATE_HOME/pavaccam or
// ~/.local/state/pavaccam (created, private, when needed).
QString repertoireJournal();

// Case 3 above with its inputs given: the shared home when it is a writable
// directory; else the user's directory (created when needed) and the
// warning to give.
struct ChoixRepertoire
{
    QString repertoire;
    QString avertissement; // "" when the shared home is used
};
ChoixRepertoire choisirRepertoirePartage(const QString& partage, const QString& personnel);

// Tells the person running the program about a file it refused or a place it
// could not use, in French: "<program> : <text>" on standard error, and in
// the system log when setAvertissementJournalSysteme(true) was called (the
// server, started by the bus, has no terminal).
void avertir(const QString& texte);
void setAvertissementJournalSysteme(bool actif);
// Test seam: receives the warnings instead of standard error (an empty
// function restores it).
void setAvertisseur(std::function<void(const QString&)> avertisseur);

// The directory of the running executable.
QString repertoireExecutable();

// Whether the running executable lies in the build tree it was built in
// (developers, tests), as opposed to an installed copy.
bool depuisArbreConstruction();

// Directory in which the bare profile file name "Pavareg.reg" resolves:
// PAVACCAM_SYSCONFDIR, else /etc.
QString repertoireProfil();

// Value of key in section of "Pavareg.reg", read as a plain INI file
// (backslashes are ordinary characters, section and key names compare without
// regard to case), of any length, with leading/trailing spaces and NULs
// removed. "" when the file, the section or the key is missing, or the value
// is empty. The file is read the safe way (FichierSur): a link or a pipe at
// its name is refused, never followed nor waited on.
QString LitProfil(const QString& section, const QString& cle);

// The profile file's full name: repertoireProfil() + "/Pavareg.reg".
QString cheminProfil();

// Why the profile cannot give the SRT base directory, in French, naming the
// file ("/etc/Pavareg.reg introuvable", "... est un lien symbolique ...",
// "/etc/Pavareg.reg ne donne pas le répertoire SRT (section [API_Sesam], clé
// Path)"); "" when it gives one. fichier "" = cheminProfil().
QString anomalieProfil(const QString& fichier = QString());

// The same, from an explicit file (used by LitProfil and by tests), and from
// the bytes of one (UTF-8 or Windows-1252, with or without a byte order mark).
QString litProfilFichier(const QString& fichier, const QString& section, const QString& cle);
QString litProfilOctets(const QByteArray& octets, const QString& section, const QString& cle);

} // namespace pava
