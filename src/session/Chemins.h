#pragma once

#include <QString>

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

// The program's own directory (complement files, error log): the directory
// named by PAVACCAM_HOME, else the directory of the running executable.
QString repertoireProgramme();

// Directory in which the bare profile file name "Pavareg.reg" resolves:
// PAVACCAM_SYSCONFDIR, else /etc.
QString repertoireProfil();

// Value of key in section of "Pavareg.reg", read as a plain INI file
// (backslashes are ordinary characters, section and key names compare without
// regard to case). A value is at most 99 characters (the 100-character buffer
// of the profile service), with leading/trailing spaces and NULs removed.
// "" when the file, the section or the key is missing, or the value is empty.
QString LitProfil(const QString& section, const QString& cle);

// The same, from an explicit file (used by LitProfil and by tests).
QString litProfilFichier(const QString& fichier, const QString& section, const QString& cle);

} // namespace pava
