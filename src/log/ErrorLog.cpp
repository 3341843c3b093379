#include "log/ErrorLog.h"

#include "coding/Windows1252.h"
#include "log/TextesErreurs.h"
#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "session/FichierSur.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstdio>

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
    QString dir = repertoireJournal();
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
    if (descErreur.isEmpty())
        descErreur = texteErreur(numero);
    const QByteArray octets = versWindows1252(
        journal::ligneJournal(QDateTime::currentDateTime(), numero, descErreur, nomProc, detail));

    // The log may stand in a folder others can write into (PAVACCAM_HOME):
    // a link there would send the entry into someone else's file, a pipe
    // would block the server at its first error.
    const QString chemin = journal::cheminJournal();
    FichierSur f(chemin, FichierSur::Acces::Ajout);
    if (f.ouvert() && f.taille() > journal::kSeuilRotation) {
        f.fermer();
        // rename() moves the name itself, whatever stands at either name.
        std::rename(QFile::encodeName(chemin).constData(),
                    QFile::encodeName(journal::cheminSauvegarde()).constData());
        f = FichierSur(chemin, FichierSur::Acces::Ajout);
    }
    if (!f.ouvert()) {
        // A missing or unwritable folder simply loses the entry, as it always
        // has; a file planted in the log's place is told about, once a run.
        static QSet<QString> signales;
        if (f.refus() != FichierSur::Refus::Systeme && !signales.contains(chemin)) {
            signales.insert(chemin);
            avertir(QStringLiteral("le journal d'erreurs %1 ; les erreurs n'y sont pas écrites.")
                        .arg(f.raison()));
        }
        return;
    }
    f.ecrire(octets);
}

} // namespace pava
