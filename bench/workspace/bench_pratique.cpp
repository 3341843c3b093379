// Figures for the practice's shared data, on SQLite files and on a
// PostgreSQL server (started by the program in a scratch folder, over a Unix
// socket, as the tests start theirs; skipped when the server is absent):
//   - recording an act in a history of a million dated records, at a new
//     price each time (a write);
//   - opening a workspace (its three lists read);
//   - four workstations coding at once, each a process of its own: acts
//     per second and worst latency of one act (list and history).
// Everything is printed; nothing here passes or fails on a duration.
#include "PostgresEssai.h"

#include "db/BasePratique.h"
#include "db/DataControl.h"
#include "db/ErreursSql.h"
#include "db/MigrationPratique.h"
#include "host/JeuDeDonnees.h"
#include "practice/BaseUtilisateur.h"
#include "practice/Historique.h"
#include "session/Session.h"
#include "workspace/FormMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace pava;

namespace {

constexpr int kJetons = 1000;
constexpr int kEnregistrements = 1000000;
constexpr int kPostes = 4;
constexpr int kSecondesPostes = 5;

QString jeton(int i)
{
    return QStringLiteral("QZJA%1").arg(i % kJetons, 3, 10, QLatin1Char('0')) +
           QStringLiteral("10____1");
}

QString enregistrement(int i, int prix)
{
    const QString p = QStringLiteral("%1.00").arg(prix);
    return jeton(i) + QChar(0xA7) + p + QChar(0xA7) + p + QChar(0xA7) + QStringLiteral("Acte");
}

// Years of practice: every token known, a price record for it most days.
// The filling is the bench's own business, engine by engine.
bool remplirHistorique(const QString& nom)
{
    const QString connexion = QStringLiteral("bench-remplissage");
    int numero = 0;
    QString message;
    bool ok = ouvrirBase(connexion, nom, false, 60000, numero, message);
    if (ok) {
        QSqlDatabase db = QSqlDatabase::database(connexion, false);
        {
            QSqlQuery q(db);
            if (pratique::estServeur(db)) {
                ok = q.exec(QStringLiteral(
                         "INSERT INTO cotation_table_ccam (cot, \"desc\") SELECT 'QZJA' || "
                         "lpad(n::text, 3, '0') || '10____1', 'Acte' FROM generate_series(0, "
                         "999) n")) &&
                     q.exec(QStringLiteral(
                         "INSERT INTO cotation_date_ccam (cot__date, \"desc\", date_valid, "
                         "cot_secu, cot_reel, cot_secu_e, cot_reel_e) SELECT 'QZJA' || lpad((n "
                         "% 1000)::text, 3, '0') || '10____1', 'Acte', current_date - 1001 + n / "
                         "1000, (20 + n % 7) * 6.55957, (20 + n % 7) * 6.55957, 20 + n % 7, 20 + "
                         "n % 7 FROM generate_series(0, 999999) n")) &&
                     q.exec(QStringLiteral("ANALYZE"));
            } else {
                db.transaction();
                q.prepare(QStringLiteral("INSERT INTO cotation_table_CCAM VALUES (?, 'Acte')"));
                for (int i = 0; i < kJetons; ++i) {
                    q.addBindValue(jeton(i));
                    q.exec();
                }
                q.prepare(QStringLiteral(
                    "INSERT INTO cotation_date_CCAM VALUES (?, 'Acte', ?, ?, ?, ?, ?)"));
                const QDate debut = QDate::currentDate().addDays(-kEnregistrements / kJetons - 1);
                for (int n = 0; n < kEnregistrements; ++n) {
                    const double prix = 20.0 + n % 7;
                    q.addBindValue(jeton(n));
                    q.addBindValue(debut.addDays(n / kJetons));
                    for (double v :
                         {prix * historique::kTauxFranc, prix * historique::kTauxFranc, prix, prix})
                        q.addBindValue(v);
                    q.exec();
                }
                ok = db.commit();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connexion);
    if (!ok)
        std::printf("  historique d'un million d'enregistrements impossible : %s\n",
                    qPrintable(message));
    return ok;
}

struct Mesures
{
    double moyenne = 0;
    double pire = 0;
    double mediane = 0;
};

Mesures resumer(std::vector<double> ms)
{
    Mesures m;
    if (ms.empty())
        return m;
    double somme = 0;
    for (double v : ms)
        somme += v;
    std::sort(ms.begin(), ms.end());
    m.moyenne = somme / double(ms.size());
    m.pire = ms.back();
    m.mediane = ms[ms.size() / 2];
    return m;
}

// One workstation: codes acts in its own coding list, as the workspace does,
// and records each in the history, for the given seconds. Prints "acts worst
// failures" (worst in microseconds).
int poste(const QString& data, const QString& rsc, int secondes, int numero)
{
    const base::Espace espace = base::ouvrir();
    DataControl liste;
    liste.setDatabaseName(base::cheminBase(data));
    liste.setBusyTimeout(base::kAttenteMs);
    liste.setOwner(base::kChampEspace, espace.texte());
    liste.setRecordSource(base::sourceListe());
    liste.refresh();
    const QString historiqueBase = historique::cheminBase(rsc);
    QElapsedTimer total;
    total.start();
    qint64 actes = 0;
    qint64 echecs = 0;
    qint64 pire = 0;
    for (int i = 0; total.elapsed() < secondes * 1000; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        const QString e = enregistrement(numero * 250 + i, 30 + i % 2);
        const bool ajoute =
            liste.addNew() && liste.setValue(QStringLiteral("CodeCCAM"), jeton(i)) &&
            liste.setValue(QStringLiteral("ValeurSS"), QStringLiteral("30.00")) && liste.update();
        if (!ajoute)
            liste.cancelUpdate();
        const bool enregistre = !historique::ajouter(historiqueBase, e).echec();
        pire = std::max(pire, chrono.nsecsElapsed() / 1000);
        ++actes;
        echecs += (ajoute && enregistre) ? 0 : 1;
    }
    std::printf("%lld %lld %lld\n", static_cast<long long>(actes), static_cast<long long>(pire),
                static_cast<long long>(echecs));
    return 0;
}

void mesurer(const QString& moteur, const QString& uri, const QString& executable)
{
    QTemporaryDir dir;
    OptionsJeuDeDonnees o;
    o.repertoireData = dir.filePath(QStringLiteral("data"));
    o.repertoireRsc = dir.filePath(QStringLiteral("rsc"));
    o.repertoireSrt = dir.filePath(QStringLiteral("srt"));
    o.repertoireProfil = dir.path();
    qputenv("PAVACCAM_SYSCONFDIR", dir.path().toUtf8());
    if (!creerJeuDeDonnees(o).reussi) {
        std::printf("  jeu de données impossible à créer\n");
        return;
    }
    if (!uri.isEmpty()) {
        const pratique::BilanMigration b =
            pratique::migrer(o.repertoireData + QStringLiteral("/CCAM001.mdb"),
                             o.repertoireRsc + QStringLiteral("/Cotation.mdb"), uri, false);
        if (!b.reussi) {
            std::printf("  copie vers le serveur impossible : %s\n", qPrintable(b.erreur));
            return;
        }
        qputenv("PAVACCAM_BASE", uri.toUtf8());
    } else {
        qunsetenv("PAVACCAM_BASE");
    }
    const QString historiqueBase = historique::cheminBase(o.repertoireRsc);
    std::printf("Préparation d'un historique d'un million d'enregistrements datés...\n");
    std::fflush(stdout);
    if (!remplirHistorique(historiqueBase))
        return;
    historique::ajouter(historiqueBase, enregistrement(0, 20)); // the indexes, on SQLite

    std::vector<double> ms;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        historique::ajouter(historiqueBase, enregistrement(i * 7, 30 + i % 2));
        ms.push_back(chrono.nsecsElapsed() / 1e6);
    }
    const Mesures enr = resumer(ms);
    std::printf("%s, enregistrer un acte à un nouveau prix, historique d'un million "
                "d'enregistrements : moyenne %.2f ms, médiane %.2f ms, pire %.2f ms%s\n",
                qPrintable(moteur), enr.moyenne, enr.mediane, enr.pire,
                uri.isEmpty() ? "" : " (objectif < 5 ms sur un socket Unix)");

    Session& s = session();
    s.CodeSpecialitePraticien = QStringLiteral("1");
    s.CheminData4Session = o.repertoireData;
    s.CheminDico4Session = o.repertoireData;
    s.CheminDataRsc = o.repertoireRsc;
    ms.clear();
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        FormMain w;
        ms.push_back(chrono.nsecsElapsed() / 1e6);
    }
    ms.erase(ms.begin()); // the first one opens the reference too
    const Mesures ouv = resumer(ms);
    std::printf("%s, ouvrir la fenêtre de cotation (ses trois listes lues) : médiane %.1f ms, "
                "pire %.1f ms\n",
                qPrintable(moteur), ouv.mediane, ouv.pire);

    std::vector<std::unique_ptr<QProcess>> postes;
    for (int i = 0; i < kPostes; ++i) {
        postes.push_back(std::make_unique<QProcess>());
        postes.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        postes.back()->start(executable,
                             {QStringLiteral("--poste"), o.repertoireData, o.repertoireRsc,
                              QString::number(kSecondesPostes), QString::number(i)});
    }
    qint64 actes = 0;
    qint64 pire = 0;
    qint64 echecs = 0;
    for (auto& p : postes) {
        p->waitForFinished(kSecondesPostes * 1000 + 60000);
        const QStringList r = QString::fromUtf8(p->readAllStandardOutput()).split(u' ');
        actes += r.value(0).toLongLong();
        pire = std::max(pire, r.value(1).toLongLong());
        echecs += r.value(2).toLongLong();
    }
    std::printf("%s, %d postes codant en même temps pendant %d s : %.0f actes par seconde en "
                "tout, pire latence d'un acte %.1f ms, %lld actes refusés ou non inscrits\n",
                qPrintable(moteur), kPostes, kSecondesPostes, double(actes) / kSecondesPostes,
                pire / 1000.0, static_cast<long long>(echecs));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 6 && QByteArray(argv[1]) == "--poste") {
        QCoreApplication app(argc, argv);
        const QStringList a = app.arguments();
        return poste(a[2], a[3], a[4].toInt(), a[5].toInt());
    }
    QApplication app(argc, argv);
    QTemporaryDir maison;
    qputenv("PAVACCAM_HOME", maison.path().toUtf8());
    std::printf("=== Données de la pratique : SQLite ===\n");
    mesurer(QStringLiteral("SQLite"), QString(), app.applicationFilePath());
    std::printf("\n=== Données de la pratique : PostgreSQL ===\n");
    QString raison;
    const QString uri = test::nouvelleBasePostgres(&raison);
    if (uri.isEmpty())
        std::printf("PostgreSQL non mesuré : %s\n", qPrintable(raison));
    else
        mesurer(QStringLiteral("PostgreSQL"), uri, app.applicationFilePath());
    return 0;
}
