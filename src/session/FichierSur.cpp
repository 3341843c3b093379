#include "session/FichierSur.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace pava {

namespace {

constexpr int kBase = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
constexpr mode_t kDroitsCreation = 0660;

int drapeaux(FichierSur::Acces acces)
{
    switch (acces) {
    case FichierSur::Acces::Lecture:
        return kBase | O_RDONLY;
    case FichierSur::Acces::Ajout:
        return kBase | O_WRONLY | O_APPEND;
    case FichierSur::Acces::Nouveau:
        return kBase | O_WRONLY;
    }
    return kBase | O_RDONLY;
}

} // namespace

FichierSur::FichierSur(const QString& chemin, Acces acces, int dossier) : m_chemin(chemin)
{
    const QByteArray nom = QFile::encodeName(chemin);
    const int base = drapeaux(acces);
    // Creation first, exclusively, so that the file's origin is known: a file
    // made here gets the group's rights, one found here keeps its own.
    for (int essai = 0; essai < 3 && m_fd < 0; ++essai) {
        if (acces != Acces::Lecture) {
            m_fd = ::openat(dossier, nom.constData(), base | O_CREAT | O_EXCL, kDroitsCreation);
            m_cree = m_fd >= 0;
            if (m_fd >= 0 || errno != EEXIST || acces == Acces::Nouveau)
                break;
        }
        m_fd = ::openat(dossier, nom.constData(), base);
        // Removed between the two attempts: try creating it again.
        if (m_fd >= 0 || errno != ENOENT || acces == Acces::Lecture)
            break;
    }
    if (m_fd < 0) {
        m_erreur = errno;
        // A pipe opened for writing with no reader, or a device without its
        // driver, answers ENXIO instead of blocking; a directory EISDIR.
        m_refus = m_erreur == ELOOP                         ? Refus::Lien
                  : m_erreur == ENXIO || m_erreur == EISDIR ? Refus::PasOrdinaire
                                                            : Refus::Systeme;
        if (m_refus == Refus::PasOrdinaire)
            m_erreur = EINVAL;
        return;
    }
    struct stat etat
    {};
    if (::fstat(m_fd, &etat) != 0) {
        m_erreur = errno;
        m_refus = Refus::Systeme;
    } else if (!S_ISREG(etat.st_mode)) {
        m_erreur = EINVAL;
        m_refus = Refus::PasOrdinaire;
    } else if (etat.st_nlink > 1) {
        // Another name of someone's file: writing here would write there.
        m_erreur = EMLINK;
        m_refus = Refus::PlusieursNoms;
    }
    if (m_refus == Refus::Aucun && m_cree && ::fchmod(m_fd, kDroitsCreation) != 0) {
        m_erreur = errno;
        m_refus = Refus::Systeme;
    }
    if (m_refus != Refus::Aucun) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_taille = m_cree ? 0 : static_cast<qint64>(etat.st_size);
}

FichierSur::~FichierSur()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FichierSur::FichierSur(FichierSur&& autre) noexcept
    : m_chemin(std::move(autre.m_chemin)), m_fd(std::exchange(autre.m_fd, -1)),
      m_refus(autre.m_refus), m_erreur(autre.m_erreur), m_cree(autre.m_cree),
      m_taille(autre.m_taille)
{}

FichierSur& FichierSur::operator=(FichierSur&& autre) noexcept
{
    if (this != &autre) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_chemin = std::move(autre.m_chemin);
        m_fd = std::exchange(autre.m_fd, -1);
        m_refus = autre.m_refus;
        m_erreur = autre.m_erreur;
        m_cree = autre.m_cree;
        m_taille = autre.m_taille;
    }
    return *this;
}

QString FichierSur::raison(const QString& affiche) const
{
    const QString chemin = affiche.isEmpty() ? m_chemin : affiche;
    switch (m_refus) {
    case Refus::Aucun:
        return {};
    case Refus::Lien:
        return QStringLiteral("« %1 » est un lien symbolique : refusé, seul un fichier ordinaire "
                              "est ouvert à cet endroit")
            .arg(chemin);
    case Refus::PasOrdinaire:
        return QStringLiteral("« %1 » n'est pas un fichier ordinaire (tube nommé, périphérique "
                              "ou répertoire) : refusé")
            .arg(chemin);
    case Refus::PlusieursNoms:
        return QStringLiteral("« %1 » est aussi le nom d'un autre fichier (lien physique) : refusé")
            .arg(chemin);
    case Refus::Systeme:
        break;
    }
    return QStringLiteral("« %1 » : %2").arg(chemin, texteErreurSysteme(m_erreur));
}

QByteArray FichierSur::lire(qint64 maximum)
{
    QByteArray octets;
    char tampon[65536];
    while (m_fd >= 0 && octets.size() < maximum) {
        const qint64 voulu = std::min<qint64>(sizeof tampon, maximum - octets.size());
        const ssize_t n = ::read(m_fd, tampon, static_cast<size_t>(voulu));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_erreur = errno;
            return {};
        }
        if (n == 0)
            break;
        octets.append(tampon, n);
    }
    return octets;
}

int FichierSur::ecrire(const char* octets, qint64 taille)
{
    if (m_fd < 0)
        return EBADF;
    while (taille > 0) {
        const ssize_t n = ::write(m_fd, octets, static_cast<size_t>(taille));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return m_erreur = errno;
        octets += n;
        taille -= n;
        m_taille += n;
    }
    return 0;
}

int FichierSur::synchronise()
{
    if (m_fd < 0)
        return EBADF;
    return ::fsync(m_fd) == 0 ? 0 : (m_erreur = errno);
}

int FichierSur::fermer()
{
    if (m_fd < 0)
        return 0;
    const int resultat = ::close(std::exchange(m_fd, -1));
    return resultat == 0 ? 0 : (m_erreur = errno);
}

QByteArray lireFichierSur(const QString& chemin, qint64 maximum, QString* raison,
                          FichierSur::Refus* refus)
{
    FichierSur f(chemin, FichierSur::Acces::Lecture);
    QByteArray octets = f.lire(maximum);
    if (refus)
        *refus = f.refus();
    if (raison)
        *raison = f.raison();
    if (f.ouvert() && f.erreur() != 0 && raison)
        *raison = QStringLiteral("« %1 » : %2").arg(chemin, texteErreurSysteme(f.erreur()));
    return octets;
}

QString texteErreurSysteme(int err)
{
    switch (err) {
    case ENOENT:
        return QStringLiteral("introuvable");
    case ENOTDIR:
        return QStringLiteral("chemin invalide (un élément n'est pas un répertoire)");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EROFS:
        return QStringLiteral("support en lecture seule");
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("disque plein");
    case EEXIST:
        return QStringLiteral("un fichier de ce nom existe déjà");
    case EISDIR:
        return QStringLiteral("c'est un répertoire");
    default:
        return QStringLiteral("erreur d'entrée-sortie (%1)").arg(err);
    }
}

} // namespace pava
