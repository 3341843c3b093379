#include "host/JeuDeDonnees.h"

#include "session/Chemins.h"
#include "srt/ConstructionReference.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <QUuid>
#include <utility>

#include <functional>

namespace pava {

namespace {

// Everyday acts of a general practice, in the order a new list shows them.
constexpr const char* kActesCourants[] = {
    "DEQP003", // électrocardiographie
    "JKHD001", // prélèvement cervicovaginal (frottis)
    "JKLD001", // pose d'un dispositif intra-utérin
    "QZJA002", // suture de plaie superficielle, hors face, moins de 3 cm
    "QZJA017", // suture de plaie superficielle, hors face, de 3 à 10 cm
    "QAJA013", // suture de plaie superficielle de la face, moins de 3 cm
    "GLQP012", // spirométrie standard
    "MZLB001", // infiltration articulaire du membre supérieur
    "QZGA002", // ablation d'implant sous-cutané
    "QZFA031", // exérèse de lésion superficielle de la peau
    "HJGD001", // ablation de fécalome
};

// Runs fill on a fresh SQLite file written beside path and moved to path
// only once complete, so a failure never leaves half a database behind and a
// file that appeared meanwhile is not replaced.
bool ecrireBase(const QString& chemin, const std::function<bool(QSqlDatabase&, QString*)>& remplir,
                QString* erreur)
{
    const QString provisoire = chemin + QStringLiteral(".nouveau");
    QFile::remove(provisoire);
    const QString nom = QStringLiteral("pava-jeu-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(provisoire);
        if (!base.open()) {
            *erreur =
                QStringLiteral("Impossible de créer %1 : %2").arg(chemin, base.lastError().text());
        } else {
            base.transaction();
            ok = remplir(base, erreur) && base.commit();
            if (!ok && erreur->isEmpty())
                *erreur = QStringLiteral("Impossible d'écrire %1 : %2")
                              .arg(chemin, base.lastError().text());
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    if (ok && !QFile::rename(provisoire, chemin)) {
        *erreur = QStringLiteral("Impossible de mettre %1 en place.").arg(chemin);
        ok = false;
    }
    if (!ok)
        QFile::remove(provisoire);
    return ok;
}

bool executer(QSqlDatabase& base, const QString& instruction, QString* erreur)
{
    QSqlQuery q(base);
    if (q.exec(instruction))
        return true;
    *erreur = QStringLiteral("Erreur SQL : %1").arg(q.lastError().text());
    return false;
}

} // namespace

namespace {

// An installed tool reads the data installed with it (share/pavaccam, found
// from bin/ so that any installation prefix works); a tool of the build tree
// reads the source tree's.
QString fichierDemonstration(const QString& nom)
{
    const QString racine =
        depuisArbreConstruction()
            ? QStringLiteral(PAVACCAM_SOURCE_DATA_DIR)
            : repertoireExecutable() + QStringLiteral("/" PAVACCAM_DONNEES_RELATIVES);
    const QString chemin = QDir::cleanPath(racine + QStringLiteral("/demo/") + nom);
    return QFileInfo::exists(chemin) ? chemin : QString();
}

} // namespace

QString referenceDemonstration()
{
    return fichierDemonstration(QStringLiteral("ccam-demo.csv"));
}

QString installationDemonstration()
{
    return fichierDemonstration(QStringLiteral("modificateurs-demo.csv"));
}

QList<QPair<QString, QString>> cotationsHabituelles(const QString& repertoireSrt)
{
    QList<QPair<QString, QString>> cotations;
    const QString chemin = cheminReferenceSrt(repertoireSrt);
    if (!QFileInfo::exists(chemin))
        return cotations;
    const QString nom = QStringLiteral("pava-habituelles-") + QUuid::createUuid().toString();
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(chemin);
        base.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (base.open()) {
            QSqlQuery q(base);
            q.prepare(QStringLiteral("SELECT Libelle FROM CCAM_7 WHERE CodeActe = ?"));
            for (const char* code : kActesCourants) {
                q.bindValue(0, QString::fromLatin1(code));
                if (q.exec() && q.next())
                    cotations.append({QString::fromLatin1(code), q.value(0).toString()});
            }
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return cotations;
}

namespace {

// Whether this account can create the folder (or write in it, when it
// exists): the nearest folder that exists on the way must be writable.
bool inscriptible(const QString& repertoire)
{
    QFileInfo f(QDir::cleanPath(QDir(repertoire).absolutePath()));
    while (!f.exists() && f.absoluteFilePath() != QDir::rootPath())
        f = QFileInfo(f.absolutePath());
    return f.isDir() && f.isWritable();
}

} // namespace

BilanJeuDeDonnees creerJeuDeDonnees(const OptionsJeuDeDonnees& options)
{
    BilanJeuDeDonnees bilan;
    const QString profil =
        options.repertoireProfil.isEmpty() ? repertoireProfil() : options.repertoireProfil;
    // Every target is checked before anything is made: a data set is made
    // whole or not at all.
    const std::pair<QString, const char*> cibles[] = {{options.repertoireData, "--data"},
                                                      {options.repertoireRsc, "--rsc"},
                                                      {options.repertoireSrt, "--srt"},
                                                      {profil, "--profil"}};
    for (const auto& [rep, option] : cibles) {
        if (!rep.isEmpty() && !inscriptible(rep)) {
            bilan.erreur = QStringLiteral("Ce compte ne peut pas écrire dans %1 : indiquez avec "
                                          "%2 un répertoire où il peut écrire, ou lancez la "
                                          "commande en administrateur. Rien n'a été créé.")
                               .arg(rep, QLatin1String(option));
            return bilan;
        }
    }
    for (const QString& rep :
         {options.repertoireData, options.repertoireRsc, options.repertoireSrt, profil}) {
        if (rep.isEmpty()) {
            bilan.erreur = QStringLiteral("Un répertoire du jeu de données n'est pas indiqué.");
            return bilan;
        }
        if (!QDir().mkpath(rep)) {
            bilan.erreur = QStringLiteral("Impossible de créer le répertoire %1.").arg(rep);
            return bilan;
        }
    }

    // The reference first: the habitual codings take their labels from it.
    const QString reference = cheminReferenceSrt(options.repertoireSrt);
    if (QFileInfo::exists(reference)) {
        bilan.conserves << reference;
    } else {
        // Without an edition of their own, the demonstration edition with its
        // demonstration table of modifier rates.
        OptionsImport import;
        import.repertoireSrt = options.repertoireSrt;
        if (options.fichierReference.isEmpty()) {
            import.fichierEdition = referenceDemonstration();
            import.fichierInstallation = installationDemonstration();
        } else {
            import.fichierEdition = options.fichierReference;
            import.fichierInstallation = options.fichierInstallation;
        }
        if (import.fichierEdition.isEmpty()) {
            bilan.erreur = QStringLiteral("La référence de démonstration (ccam-demo.csv) est "
                                          "introuvable.");
            return bilan;
        }
        const BilanImport importe = importerReference(import);
        if (!importe.reussi) {
            bilan.erreur =
                QStringLiteral("Import de la référence CCAM impossible : %1").arg(importe.erreur);
            return bilan;
        }
        bilan.crees << reference;
    }

    QString erreur;
    const QString ccam001 = QDir(options.repertoireData).filePath(QStringLiteral("CCAM001.mdb"));
    if (QFileInfo::exists(ccam001)) {
        bilan.conserves << ccam001;
    } else {
        const auto habituelles = cotationsHabituelles(options.repertoireSrt);
        const bool ok = ecrireBase(
            ccam001,
            [&habituelles](QSqlDatabase& base, QString* e) {
                if (!executer(base,
                              QStringLiteral("CREATE TABLE CCAM_7 (CodeActe TEXT, Libelle TEXT)"),
                              e))
                    return false;
                QSqlQuery q(base);
                q.prepare(QStringLiteral("INSERT INTO CCAM_7 (CodeActe, Libelle) VALUES (?, ?)"));
                for (const auto& [code, libelle] : habituelles) {
                    q.bindValue(0, code);
                    q.bindValue(1, libelle);
                    if (!q.exec()) {
                        *e = QStringLiteral("Erreur SQL : %1").arg(q.lastError().text());
                        return false;
                    }
                }
                return true;
            },
            &erreur);
        if (!ok) {
            bilan.erreur = erreur;
            return bilan;
        }
        bilan.crees << ccam001;
    }

    const QString cotation = QDir(options.repertoireRsc).filePath(QStringLiteral("Cotation.mdb"));
    if (QFileInfo::exists(cotation)) {
        bilan.conserves << cotation;
    } else {
        // The history writes text into the token and label fields, a day into
        // date_valid and double-precision amounts into the other four.
        const bool ok = ecrireBase(
            cotation,
            [](QSqlDatabase& base, QString* e) {
                return executer(base,
                                QStringLiteral("CREATE TABLE cotation_table_CCAM "
                                               "(cot TEXT, Desc TEXT)"),
                                e) &&
                       executer(base,
                                QStringLiteral("CREATE TABLE cotation_date_CCAM "
                                               "(cot__date TEXT, Desc TEXT, date_valid DATE, "
                                               "cot_secu REAL, cot_reel REAL, "
                                               "cot_secu_e REAL, cot_reel_e REAL)"),
                                e);
            },
            &erreur);
        if (!ok) {
            bilan.erreur = erreur;
            return bilan;
        }
        bilan.crees << cotation;
    }

    const QString fichierProfil = QDir(profil).filePath(QStringLiteral("Pavareg.reg"));
    if (QFileInfo::exists(fichierProfil)) {
        bilan.conserves << fichierProfil;
    } else {
        const QString base = CompleteChemin(QFileInfo(options.repertoireSrt).absoluteFilePath());
        QSaveFile f(fichierProfil);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(QStringLiteral("[API_Sesam]\r\nPath=%1\r\n").arg(base).toUtf8()) < 0 ||
            !f.commit()) {
            bilan.erreur = QStringLiteral("Impossible d'écrire %1.").arg(fichierProfil);
            return bilan;
        }
        // Read back as the server will read it: a profile that does not lead
        // to the reference would make every act of every coding unpriceable.
        const QString lu =
            litProfilFichier(fichierProfil, QStringLiteral("API_Sesam"), QStringLiteral("Path"));
        const QFileInfo atteinte(cheminReferenceSrt(lu));
        if (lu.isEmpty() || !atteinte.isFile() ||
            atteinte.canonicalFilePath() != QFileInfo(reference).canonicalFilePath()) {
            QFile::remove(fichierProfil);
            bilan.erreur = QStringLiteral("Le fichier de profil %1, relu, ne mène pas au "
                                          "référentiel %2 (il donne « %3 ») : il est retiré. "
                                          "Choisissez un répertoire SRT dont le nom tient sur "
                                          "une ligne.")
                               .arg(fichierProfil, reference, lu);
            return bilan;
        }
        bilan.crees << fichierProfil;
    }

    bilan.reussi = true;
    return bilan;
}

} // namespace pava
