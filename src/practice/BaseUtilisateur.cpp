#include "practice/BaseUtilisateur.h"

#include "db/BasePratique.h"
#include "db/DataControl.h"
#include "session/Chemins.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSet>
#include <QSysInfo>

#include <cerrno>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace pava::base {

namespace {

QMutex g_verrou;
int g_ouvertures = 0;
QSet<QString> g_ouverts; // the texts of this process's open workspaces

QString utilisateurCourant()
{
    if (const passwd* pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::geteuid());
}

bool processusVivant(qint64 pid)
{
    if (pid <= 0 || pid > 0x7fffffff)
        return false;
    // Another user's process answers "not permitted": it exists.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The tables a CCAM001.mdb may lack: created, and the coding list given its
// workspace column.
bool preparerFichier(DataControl& base)
{
    base.execute(QStringLiteral("CREATE TABLE PavaACTES (CodeActe TEXT (255), LibelleCCAM "
                                "TEXT (255),ValeurSS TEXT (24),ValeurReel TEXT (24));"));
    base.execute(QStringLiteral("CREATE TABLE PavaCCAM (CodeCCAM TEXT (24), LibelleCCAM "
                                "TEXT (255),ValeurSS TEXT (24),ValeurReel TEXT (24),"
                                "EspaceCCAM TEXT (255));"));
    // A coding list made before workspaces were told apart gains the column
    // in place; its rows, which no workspace owns, go below.
    return base.execute(QStringLiteral("SELECT EspaceCCAM FROM PavaCCAM WHERE 1 = 0")) ||
           base.execute(QStringLiteral("ALTER TABLE PavaCCAM ADD COLUMN EspaceCCAM TEXT (255)"));
}

} // namespace

QString Espace::texte() const
{
    return QStringList{hote, utilisateur, QString::number(processus), QString::number(numero),
                       ouverture.toUTC().toString(Qt::ISODate)}
        .join(QLatin1Char('|'));
}

std::optional<Espace> Espace::lire(const QString& texte)
{
    // The user's name is the only part that could hold a "|": it is all
    // that lies between the machine and the last three parts.
    const QStringList p = texte.split(QLatin1Char('|'));
    if (p.size() < 5)
        return std::nullopt;
    Espace e;
    bool okPid = false;
    bool okNumero = false;
    e.hote = p.first();
    e.utilisateur = p.mid(1, p.size() - 4).join(QLatin1Char('|'));
    e.processus = p[p.size() - 3].toLongLong(&okPid);
    e.numero = p[p.size() - 2].toInt(&okNumero);
    e.ouverture = QDateTime::fromString(p.last(), Qt::ISODate);
    if (!okPid || !okNumero || !e.ouverture.isValid() || e.hote.isEmpty())
        return std::nullopt;
    return e;
}

Espace ouvrir()
{
    Espace e;
    e.hote = QSysInfo::machineHostName();
    e.utilisateur = utilisateurCourant();
    e.processus = QCoreApplication::applicationPid();
    // To the second, as the text keeps it.
    const QDateTime maintenant = QDateTime::currentDateTimeUtc();
    e.ouverture = maintenant.addMSecs(-maintenant.time().msec());
    const QMutexLocker verrou(&g_verrou);
    e.numero = ++g_ouvertures;
    g_ouverts.insert(e.texte());
    return e;
}

void fermer(const Espace& espace)
{
    const QMutexLocker verrou(&g_verrou);
    g_ouverts.remove(espace.texte());
}

bool abandonne(const QString& texte, const QDateTime& maintenant)
{
    const std::optional<Espace> e = Espace::lire(texte);
    if (!e || e->ouverture.secsTo(maintenant) > 24 * 3600)
        return true;
    if (e->hote != QSysInfo::machineHostName())
        return false; // another workstation's: it says itself when it is done
    if (e->processus == QCoreApplication::applicationPid()) {
        const QMutexLocker verrou(&g_verrou);
        return !g_ouverts.contains(texte);
    }
    return !processusVivant(e->processus);
}

QString cheminBase(const QString& repertoireDonnees)
{
    if (const QString adresse = pratique::adresseChoisie(); !adresse.isEmpty())
        return adresse;
    return CompleteChemin(repertoireDonnees) + QStringLiteral("CCAM001.mdb");
}

bool preparer(DataControl& base, const Espace& espace)
{
    // Nothing is written into a file SQLite finds damaged: a write could
    // spread the damage over what can still be saved.
    if (!base.checkIntegrity())
        return false;
    // The server's schema is the program's own, made when it is first
    // reached (pratique::ouvrirBaseServeur).
    if (!base.surServeur() && !preparerFichier(base))
        return false;

    // The workspaces that have rows, read through the control itself (its
    // record source is given back; the caller reads its rows afterwards).
    const QString source = base.recordSource();
    base.setRecordSource(QStringLiteral("SELECT DISTINCT EspaceCCAM FROM PavaCCAM"));
    const bool lus = base.refresh();
    const QDateTime maintenant = QDateTime::currentDateTimeUtc();
    QStringList aVider;
    bool sansEspace = false;
    for (int r = 0; r < base.recordCount(); ++r) {
        const QVariant v = base.valeur(r, kChampEspace);
        if (v.isNull())
            sansEspace = true;
        else if (v.toString() == espace.texte() || abandonne(v.toString(), maintenant))
            aVider << v.toString();
    }
    base.setRecordSource(source);
    if (!lus)
        return false;
    // Only rows that are there are deleted: a database only looked at stays
    // byte for byte as it was.
    bool ok = !sansEspace ||
              base.execute(QStringLiteral("DELETE FROM PavaCCAM WHERE EspaceCCAM IS NULL"));
    for (const QString& e : aVider)
        ok = ok && base.execute(QStringLiteral("DELETE FROM PavaCCAM WHERE EspaceCCAM = ?"), {e});
    return ok;
}

QString sourceListe()
{
    return QStringLiteral("PavaCCAM");
}

QString sourceHabituels(int colonne)
{
    switch (colonne) {
    case 0:
        return QStringLiteral("SELECT * FROM CCAM_7 ORDER BY Libelle");
    case 1:
        return QStringLiteral("SELECT * FROM CCAM_7 ORDER BY CodeActe");
    default:
        return {};
    }
}

QString sourceComposes(int colonne)
{
    switch (colonne) {
    case 0:
        return QStringLiteral("Select * From PavaACTES Order By LibelleCCAM");
    case 1:
        return QStringLiteral("Select * From PavaACTES Order By CodeActe");
    default:
        return {};
    }
}

} // namespace pava::base
