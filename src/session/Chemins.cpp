#include "session/Chemins.h"

#include "coding/Windows1252.h"
#include "session/FichierSur.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <syslog.h>

namespace pava {

namespace {
const QChar kSeparateur = QLatin1Char('/');
bool g_journalSysteme = false; // warnings also go to the system log

std::function<void(const QString&)>& avertisseur()
{
    static std::function<void(const QString&)> fonction;
    return fonction;
}
} // namespace

QString CompleteChemin(const QString& chemin)
{
    return chemin.endsWith(kSeparateur) ? chemin : chemin + kSeparateur;
}

QString TermineChemin(QString& chemin)
{
    qsizetype fin = chemin.size();
    while (fin > 0 && chemin.at(fin - 1) == QLatin1Char(' '))
        --fin;
    chemin.truncate(fin);
    if (!chemin.endsWith(kSeparateur))
        chemin += kSeparateur;
    return chemin;
}

bool ExisteFichier(const QString& fichier)
{
    if (fichier.isEmpty() || fichier.contains(QChar(0)))
        return false;
    const QFileInfo info(fichier);
    return info.exists() && info.isFile();
}

QString DoubleApostrophes(QString& texte)
{
    texte.replace(QLatin1Char('\''), QLatin1String("''"));
    return texte;
}

QString raisonFichierIllisible(const QString& fichier)
{
    const QFileInfo info(fichier);
    if (!info.exists())
        return QStringLiteral("fichier introuvable");
    if (info.isDir())
        return QStringLiteral("c'est un répertoire");
    if (!info.isReadable())
        return QStringLiteral("lecture non permise");
    return QStringLiteral("erreur de lecture");
}

QString repertoireExecutable()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

bool depuisArbreConstruction()
{
    static const bool dedans = [] {
        const QString arbre = QDir(QStringLiteral(PAVACCAM_ARBRE_CONSTRUCTION)).canonicalPath();
        const QString ici = QDir(repertoireExecutable()).canonicalPath();
        return !arbre.isEmpty() && (ici == arbre || ici.startsWith(arbre + kSeparateur));
    }();
    return dedans;
}

void setAvertissementJournalSysteme(bool actif)
{
    g_journalSysteme = actif;
}

void setAvertisseur(std::function<void(const QString&)> fonction)
{
    avertisseur() = std::move(fonction);
}

void avertir(const QString& texte)
{
    if (avertisseur()) {
        avertisseur()(texte);
        return;
    }
    const QByteArray nom =
        QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', -1).toUtf8();
    const QByteArray octets = texte.toUtf8();
    std::fprintf(stderr, "%s : %s\n", nom.constData(), octets.constData());
    if (g_journalSysteme) {
        openlog(nom.constData(), LOG_PID, LOG_USER);
        syslog(LOG_WARNING, "%s", octets.constData());
        closelog();
    }
}

ChoixRepertoire choisirRepertoirePartage(const QString& partage, const QString& personnel)
{
    const QFileInfo info(partage);
    if (info.isDir() && info.isWritable())
        return {partage, {}};
    QDir().mkpath(personnel);
    const QString cause =
        info.exists() ? QStringLiteral("n'est pas accessible en écriture (l'utilisateur doit être "
                                       "membre du groupe pavaccam ; après l'y avoir ajouté, "
                                       "rouvrez sa session)")
                      : QStringLiteral("n'existe pas");
    return {personnel, QStringLiteral("le répertoire partagé %1 %2 ; les fichiers "
                                      "complémentaires seront écrits dans %3.")
                           .arg(partage, cause, personnel)};
}

QString repertoireProgramme()
{
    const QString home = qEnvironmentVariable("PAVACCAM_HOME");
    if (!home.isEmpty())
        return home;
    if (depuisArbreConstruction())
        return repertoireExecutable();
    static const QString choisi = [] {
        const ChoixRepertoire choix = choisirRepertoirePartage(
            QStringLiteral(PAVACCAM_HOME_PARTAGE),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/pavaccam"));
        if (!choix.avertissement.isEmpty())
            avertir(choix.avertissement);
        return choix.repertoire;
    }();
    return choisi;
}

QString repertoireJournal()
{
    const QString home = qEnvironmentVariable("PAVACCAM_HOME");
    if (!home.isEmpty())
        return home;
    // The state folder of the XDG base directories; a relative value is
    // invalid there and ignored.
    QString etat = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(etat))
        etat = QDir::homePath() + QStringLiteral("/.local/state");
    const QString dossier = etat + QStringLiteral("/pavaccam");
    QDir().mkpath(etat);
    // Private, as the base directories want it; an existing one is left as
    // its owner made it.
    ::mkdir(QFile::encodeName(dossier).constData(), 0700);
    return dossier;
}

QString repertoireProfil()
{
    const QString dir = qEnvironmentVariable("PAVACCAM_SYSCONFDIR");
    return dir.isEmpty() ? QStringLiteral("/etc") : dir;
}

namespace {

// Profile files come from installers of every age: UTF-8 when the bytes are
// valid UTF-8, else the Windows code page in which they were first written.
QString decodeProfil(const QByteArray& octets)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = utf8.decode(octets);
    if (!utf8.hasError())
        return texte;
    return depuisWindows1252(octets);
}

} // namespace

QString litProfilFichier(const QString& fichier, const QString& section, const QString& cle)
{
    if (section.isEmpty() || cle.isEmpty())
        return {};
    return litProfilOctets(lireFichierSur(fichier, 4 * 1024 * 1024), section, cle);
}

QString litProfilOctets(const QByteArray& octets, const QString& section, const QString& cle)
{
    if (section.isEmpty() || cle.isEmpty())
        return {};
    const QString texte = decodeProfil(octets);

    bool dansSection = false;
    const auto lignes = QStringView(texte).split(QLatin1Char('\n'));
    for (QStringView ligne : lignes) {
        ligne = ligne.trimmed();
        if (ligne.isEmpty() || ligne.startsWith(QLatin1Char(';')))
            continue;
        if (ligne.startsWith(QLatin1Char('['))) {
            const qsizetype fin = ligne.indexOf(QLatin1Char(']'));
            const QStringView nom = ligne.mid(1, fin < 0 ? -1 : fin - 1).trimmed();
            dansSection = nom.compare(section.trimmed(), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!dansSection)
            continue;
        const qsizetype egal = ligne.indexOf(QLatin1Char('='));
        if (egal < 0)
            continue;
        if (ligne.left(egal).trimmed().compare(cle.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        QStringView valeur = ligne.mid(egal + 1).trimmed();
        // The profile service strips one pair of surrounding quotes.
        if (valeur.size() >= 2 &&
            ((valeur.startsWith(QLatin1Char('"')) && valeur.endsWith(QLatin1Char('"'))) ||
             (valeur.startsWith(QLatin1Char('\'')) && valeur.endsWith(QLatin1Char('\'')))))
            valeur = valeur.mid(1, valeur.size() - 2);
        // A value is taken whole, whatever its length: a base directory cut
        // short would name another directory without anyone being told.
        QString copie = valeur.toString();
        copie.remove(QChar(0));
        return copie.trimmed();
    }
    return {};
}

QString cheminProfil()
{
    return CompleteChemin(repertoireProfil()) + QStringLiteral("Pavareg.reg");
}

QString LitProfil(const QString& section, const QString& cle)
{
    return litProfilFichier(cheminProfil(), section, cle);
}

QString anomalieProfil(const QString& fichier)
{
    const QString chemin = fichier.isEmpty() ? cheminProfil() : fichier;
    QString raison;
    FichierSur::Refus refus = FichierSur::Refus::Aucun;
    const QByteArray octets = lireFichierSur(chemin, 4 * 1024 * 1024, &raison, &refus);
    if (refus == FichierSur::Refus::Systeme && !QFileInfo::exists(chemin))
        return QStringLiteral("%1 introuvable").arg(chemin);
    if (!raison.isEmpty())
        return QStringLiteral("le fichier de profil %1").arg(raison);
    if (litProfilOctets(octets, QStringLiteral("API_Sesam"), QStringLiteral("Path")).isEmpty())
        return QStringLiteral("%1 ne donne pas le répertoire SRT (section [API_Sesam], clé Path)")
            .arg(chemin);
    return {};
}

} // namespace pava
