#include "log/ErrorLog.h"

#include "coding/Windows1252.h"
#include "log/TextesErreurs.h"
#include "session/Chemins.h"
#include "session/DateTexte.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace pava {

namespace journal {

QString nomBase()
{
    QString nom = QCoreApplication::instance()
                      ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                      : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    nom = QFileInfo(nom).fileName();
    if (nom.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        nom.chop(4);
    return nom.isEmpty() ? QStringLiteral("pavaccam") : nom;
}

static QString repertoire()
{
    QString dir = repertoireProgramme();
    return TermineChemin(dir);
}

QString cheminJournal()
{
    return repertoire() + nomBase() + QStringLiteral(".log.txt");
}

QString cheminSauvegarde()
{
    return repertoire() + nomBase() + QStringLiteral(".log.bak.txt");
}

QString ligneJournal(const QDateTime& moment, int numErreur, const QString& descErreur,
                     const QString& nomProc, const QString& detail)
{
    const QString crlf = QStringLiteral("\r\n");
    QString texte = texteDateHeure(moment) + QStringLiteral(" : Procedure ") + nomProc +
                    QStringLiteral(" : Erreur n° ") + QString::number(numErreur) +
                    QStringLiteral(" (") + descErreur + QStringLiteral(")") + crlf;
    if (!detail.isEmpty())
        texte += QStringLiteral("    -> ") + detail + crlf;
    return texte;
}

} // namespace journal

void LogErreur(int numErreur, QString& descErreur, const QString& nomProc, const QString& detail)
{
    const int numero = numErreur;
    const QString chemin = journal::cheminJournal();

    const QFileInfo info(chemin);
    if (info.exists() && info.size() > journal::kSeuilRotation) {
        const QString sauvegarde = journal::cheminSauvegarde();
        QFile::remove(sauvegarde);
        QFile::rename(chemin, sauvegarde);
    }

    if (descErreur.isEmpty())
        descErreur = texteErreur(numero);

    const QByteArray octets = versWindows1252(
        journal::ligneJournal(QDateTime::currentDateTime(), numero, descErreur, nomProc, detail));
    QFile f(chemin);
    const bool nouveau = !f.exists();
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    f.write(octets);
    f.close();
    if (nouveau)
        partagerAvecLeGroupe(chemin);
}

} // namespace pava
