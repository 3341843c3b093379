#include "practice/FichiersComplements.h"

#include "coding/Cotation.h"
#include "coding/Windows1252.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "practice/RegleComplements.h"
#include "session/Chemins.h"
#include "session/FichierSur.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pava {

namespace complements {

namespace {

const QString kNomMarque = QStringLiteral("Complt.remplacer");
const QString kNomProcedure = QStringLiteral("PutActeComplementaire");
constexpr qint64 kTailleLue = 4 * 1024 * 1024;

// A save stopped by the test seam: nothing is tidied up, as after a crash.
constexpr int kInterrompue = -1;

Interruption& interruption()
{
    static Interruption fonction;
    return fonction;
}

bool interrompue(Etape etape, int onglet)
{
    return interruption() && interruption()(etape, onglet);
}

QString nomCopie(int onglet)
{
    return nomFichier(onglet) + QStringLiteral(".nouveau");
}

QString dossier()
{
    QString chemin = repertoireProgramme();
    return TermineChemin(chemin);
}

// The program's directory, opened once for a whole read or save: every file
// is reached relative to it, it is synchronised after the renames, and it
// carries the lock that keeps two processes of the installation from saving
// (or reading half a save) at the same time.
class Dossier
{
public:
    Dossier() : m_chemin(dossier())
    {
        m_fd = ::open(QFile::encodeName(m_chemin).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        m_erreur = m_fd < 0 ? errno : 0;
    }
    ~Dossier()
    {
        if (m_fd >= 0)
            ::close(m_fd); // also releases the lock
    }
    Dossier(const Dossier&) = delete;
    Dossier& operator=(const Dossier&) = delete;

    bool ouvert() const { return m_fd >= 0; }
    int descripteur() const { return m_fd; }
    int erreur() const { return m_erreur; }
    QString chemin(const QString& nom) const { return m_chemin + nom; }

    // Waits at most two seconds for another process of the installation.
    bool verrouille()
    {
        using namespace std::chrono_literals;
        for (int essai = 0; essai < 100; ++essai) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (errno != EWOULDBLOCK && errno != EINTR)
                return false;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    int synchronise() const { return ::fsync(m_fd) == 0 ? 0 : errno; }

    // A link is not the file it names: a marker or a new file planted as a
    // link counts as absent.
    bool existe(const QString& nom) const
    {
        struct stat st
        {};
        return ::fstatat(m_fd, QFile::encodeName(nom).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
               S_ISREG(st.st_mode);
    }
    // 0, or the errno of the failure; an absent file is no failure.
    int retire(const QString& nom) const
    {
        if (::unlinkat(m_fd, QFile::encodeName(nom).constData(), 0) == 0 || errno == ENOENT)
            return 0;
        return errno;
    }
    int renomme(const QString& de, const QString& vers) const
    {
        if (::renameat(m_fd, QFile::encodeName(de).constData(), m_fd,
                       QFile::encodeName(vers).constData()) == 0)
            return 0;
        return errno;
    }
    // Creates a file afresh, writes the bytes (in two halves, the seam
    // between them being a possible interruption point), synchronises it.
    // Whatever stood at the name goes first, and the creation is exclusive:
    // a link a colleague put there is never written through, and the new
    // file has the group's rights, not those of what stood there.
    int ecrit(const QString& nom, const QByteArray& octets, int onglet) const
    {
        if (const int err = retire(nom); err != 0)
            return err;
        FichierSur f(nom, FichierSur::Acces::Nouveau, m_fd);
        if (!f.ouvert())
            return f.erreur();
        const qsizetype moitie = octets.size() / 2;
        int err = f.ecrire(octets.constData(), moitie);
        if (err == 0 && onglet > 0 && interrompue(Etape::CopieEntamee, onglet))
            err = kInterrompue;
        if (err == 0)
            err = f.ecrire(octets.constData() + moitie, octets.size() - moitie);
        if (err == 0)
            err = f.synchronise();
        if (const int fin = f.fermer(); fin != 0 && err == 0)
            err = fin;
        return err;
    }

private:
    QString m_chemin;
    int m_fd = -1;
    int m_erreur = 0;
};

int numeroErreur(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return erreur::PermissionRefusee;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return erreur::DisquePlein;
    case ENOENT:
    case ENOTDIR:
        return erreur::CheminIntrouvable;
    case EWOULDBLOCK:
        return erreur::FichierDejaOuvert;
    default:
        return erreur::EntreeSortie;
    }
}

// Second half of a save, also run by whoever finds the marker: the new files
// take the place of the old ones, then the marker goes. A new file already
// moved is simply absent.
int termine(const Dossier& d)
{
    for (int k = 1; k <= kOnglets; ++k) {
        if (interrompue(Etape::Remplacement, k))
            return kInterrompue;
        const int err = d.renomme(nomCopie(k), nomFichier(k));
        if (err != 0 && err != ENOENT)
            return err;
    }
    if (const int err = d.synchronise(); err != 0)
        return err;
    if (interrompue(Etape::RetraitMarque, 0))
        return kInterrompue;
    if (const int err = d.retire(kNomMarque); err != 0)
        return err;
    return d.synchronise();
}

int retireCopies(const Dossier& d)
{
    int premiere = 0;
    for (int k = 1; k <= kOnglets; ++k)
        if (const int err = d.retire(nomCopie(k)); err != 0 && premiere == 0)
            premiere = err;
    return premiere;
}

// A save that a crash left half-way: completed when its marker says the new
// files are whole, else its new files are thrown away.
int reprend(const Dossier& d)
{
    if (d.existe(kNomMarque))
        return termine(d);
    return retireCopies(d);
}

QByteArray contenuFichier(const QString& titre, const TableComplements& table)
{
    const QString crlf = QStringLiteral("\r\n");
    QString texte = nettoieChamp(titre).texte + crlf;
    for (int r = 1; r <= kEmplacements; ++r)
        texte += nettoieChamp(table[r][1]).texte + kSepEnregistrement +
                 nettoieChamp(table[r][2]).texte + kSepEnregistrement +
                 nettoieChamp(table[r][3]).texte + crlf;
    return versWindows1252(texte);
}

// Lines as the files have always been read: CR LF ends a line, and so does
// a lone CR or LF (files edited by hand); the last line may lack its end.
QList<QByteArray> lignes(const QByteArray& octets, int maximum)
{
    QList<QByteArray> resultat;
    qsizetype debut = 0;
    const qsizetype n = octets.size();
    while (debut < n && resultat.size() < maximum) {
        qsizetype fin = debut;
        while (fin < n && octets[fin] != '\r' && octets[fin] != '\n')
            ++fin;
        resultat << octets.mid(debut, fin - debut);
        if (fin < n && octets[fin] == '\r' && fin + 1 < n && octets[fin + 1] == '\n')
            ++fin;
        debut = fin + 1;
    }
    return resultat;
}

void lireContenu(const QByteArray& octets, QString& titre, TableComplements& table)
{
    const QList<QByteArray> l = lignes(octets, 1 + kEmplacements);
    if (!l.isEmpty())
        titre = depuisWindows1252(l[0]);
    for (int r = 1; r < l.size(); ++r) {
        const QStringList pieces = depuisWindows1252(l[r]).split(kSepEnregistrement);
        for (int c = 1; c <= 3 && c <= pieces.size(); ++c)
            table[r][c] = pieces[c - 1];
    }
}

} // namespace

QString nomFichier(int onglet)
{
    return QStringLiteral("Complt%1.txt").arg(onglet);
}

QString cheminFichier(int onglet)
{
    return dossier() + nomFichier(onglet);
}

TableComplements& tableOnglet(int onglet)
{
    Session& s = session();
    switch (onglet) {
    case 2:
        return s.ComplementsOnglet2;
    case 3:
        return s.ComplementsOnglet3;
    default:
        return s.ComplementsOnglet1;
    }
}

void interrompreSauvegarde(Interruption fonction)
{
    interruption() = std::move(fonction);
}

} // namespace complements

using namespace complements;

void GetActeComplementaire(QString* anomalie)
{
    for (int k = 1; k <= kOnglets; ++k)
        tableOnglet(k) = TableComplements{};

    Dossier d;
    // Completing or discarding a half-made save needs the lock; when another
    // process holds it too long the files are read as they stand, the new
    // ones being taken only while their marker vouches for them.
    if (d.ouvert() && d.verrouille())
        reprend(d);
    const bool marque = d.ouvert() && d.existe(kNomMarque);
    for (int k = 1; k <= kOnglets; ++k) {
        const QString nom = marque && d.existe(nomCopie(k)) ? nomCopie(k) : nomFichier(k);
        FichierSur f = d.ouvert() ? FichierSur(nom, FichierSur::Acces::Lecture, d.descripteur())
                                  : FichierSur(d.chemin(nom), FichierSur::Acces::Lecture);
        if (!f.ouvert()) {
            // An absent file is an empty tab; anything else at its name is
            // refused out loud.
            if (f.erreur() == ENOENT)
                continue;
            QString texte = f.raison(d.chemin(nom));
            LogErreur(f.refus() == FichierSur::Refus::Systeme ? numeroErreur(f.erreur())
                                                              : erreur::PermissionRefusee,
                      texte, QStringLiteral("GetActeComplementaire"), QString());
            if (anomalie)
                *anomalie += (anomalie->isEmpty() ? QString() : QStringLiteral("\n")) + texte;
            continue;
        }
        lireContenu(f.lire(kTailleLue), session().TitresOnglets[k], tableOnglet(k));
    }
}

bool PutActeComplementaire(QString* erreur)
{
    Dossier d;
    auto journalise = [&](int err, const QString& nom) {
        const int numero = numeroErreur(err);
        QString texte =
            texteErreur(numero) + QStringLiteral(" : « ") + d.chemin(nom) + QStringLiteral(" »");
        session().NomProcedure = kNomProcedure;
        LogErreur(numero, texte, kNomProcedure, QString());
        return texte;
    };
    auto echec = [&](int err, const QString& nom) {
        if (err == kInterrompue)
            return false;
        const QString texte = journalise(err, nom);
        if (erreur)
            *erreur = texte;
        return false;
    };
    if (!d.ouvert())
        return echec(d.erreur(), QString());
    if (!d.verrouille())
        return echec(EWOULDBLOCK, QString());
    if (const int err = reprend(d); err != 0)
        return echec(err, kNomMarque);

    for (int k = 1; k <= kOnglets; ++k) {
        if (interrompue(Etape::EcritureCopie, k))
            return false;
        const QByteArray octets = contenuFichier(session().TitresOnglets[k], tableOnglet(k));
        if (const int err = d.ecrit(nomCopie(k), octets, k); err != 0) {
            if (err != kInterrompue)
                retireCopies(d);
            return echec(err, nomCopie(k));
        }
    }
    if (interrompue(Etape::Marque, 0))
        return false;
    // The new files' names must be on disk before the marker that vouches
    // for them.
    int err = d.synchronise();
    if (err == 0)
        err = d.ecrit(kNomMarque, QByteArray(), 0);
    if (err == 0)
        err = d.synchronise();
    if (err != 0) {
        d.retire(kNomMarque);
        retireCopies(d);
        return echec(err, kNomMarque);
    }
    // From here the new catalogue is the one: a failure below leaves the
    // marker, the next read or save finishes the replacement, and meanwhile
    // a read takes the new files. So the save has succeeded; the failure is
    // only logged.
    err = termine(d);
    if (err == kInterrompue)
        return false;
    if (err != 0)
        journalise(err, kNomMarque);
    return true;
}

} // namespace pava
