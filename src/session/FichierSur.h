#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>

namespace pava {

// A file opened where other people can plant files: the practice's shared
// home (complement files), a folder named by PAVACCAM_HOME, the profile's
// directory. Any member of the staff may leave there a symbolic link to
// someone else's private file, a named pipe that blocks whoever opens it, or
// a second name of another file. So a file is opened without following a
// link and without waiting (O_NOFOLLOW | O_NONBLOCK), then examined on the
// opened descriptor: only a regular file with a single name is kept;
// anything else is refused before a byte is read or written, with a French
// sentence that names the path.
//
// A file this opening creates gets read and write for its owner and group,
// nothing for others (0660), whatever the umask: the next member of the staff
// must be able to rewrite it, other accounts must not read it. A file that
// was there keeps its own rights; nothing is ever copied from one file to
// another.
class FichierSur
{
public:
    enum class Acces
    {
        Lecture, // an existing file, read only
        Ajout,   // created when absent, written at its end
        Nouveau  // created, and refused when anything stands at the name
    };
    enum class Refus
    {
        Aucun,
        Systeme,       // the system refused (absent, no permission, disk...): erreur()
        Lien,          // a symbolic link stands at the name
        PasOrdinaire,  // a pipe, a device, a directory, a socket
        PlusieursNoms, // a regular file that has other names elsewhere
    };

    FichierSur() = default;
    // chemin relative to the directory descriptor dossier (AT_FDCWD: the
    // working directory, or an absolute path).
    FichierSur(const QString& chemin, Acces acces, int dossier = AT_FDCWD);
    ~FichierSur();
    FichierSur(FichierSur&& autre) noexcept;
    FichierSur& operator=(FichierSur&& autre) noexcept;
    FichierSur(const FichierSur&) = delete;
    FichierSur& operator=(const FichierSur&) = delete;

    bool ouvert() const { return m_fd >= 0; }
    int descripteur() const { return m_fd; }
    Refus refus() const { return m_refus; }
    // errno of the failure; ELOOP for a link, EINVAL for a file that is not
    // regular, EMLINK for one with several names.
    int erreur() const { return m_erreur; }
    bool cree() const { return m_cree; }
    // Size when opened (or after the last write).
    qint64 taille() const { return m_taille; }

    // Why the file was not opened, in French, naming its path:
    // "« /var/lib/pavaccam/Complt1.txt » est un lien symbolique : ...";
    // affiche names the file when it was opened relative to a directory.
    QString raison(const QString& affiche = QString()) const;

    // At most maximum bytes from the current position; empty on failure,
    // with erreur() set.
    QByteArray lire(qint64 maximum);
    // 0, or the errno of the failure.
    int ecrire(const char* octets, qint64 taille);
    int ecrire(const QByteArray& octets) { return ecrire(octets.constData(), octets.size()); }
    int synchronise();
    // 0, or the errno of the failure (a delayed write error shows here).
    int fermer();

private:
    QString m_chemin;
    int m_fd = -1;
    Refus m_refus = Refus::Aucun;
    int m_erreur = 0;
    bool m_cree = false;
    qint64 m_taille = 0;
};

// The whole of a small file read the safe way (at most maximum bytes); when
// it cannot be, empty with the refusal in *raison.
QByteArray lireFichierSur(const QString& chemin, qint64 maximum, QString* raison = nullptr,
                          FichierSur::Refus* refus = nullptr);

// French for an errno met on a file: "introuvable", "accès refusé", ...
QString texteErreurSysteme(int err);

} // namespace pava
