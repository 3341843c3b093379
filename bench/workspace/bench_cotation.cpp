// Figures for coding an act:
//   - recording an act in the coding history (Ajoute_CCAM), on an empty
//     history and on one holding a million dated records, in the same run;
//   - the act window, from the double-click on a habitual coding to the
//     window shown with its lists filled, on the real CCAM edition 81 (read
//     from ../shared at run time; skipped when absent).
// Everything is printed; nothing here passes or fails on a duration.
#include "actdetail/GetCCAM.h"
#include "db/DataControl.h"
#include "host/JeuDeDonnees.h"
#include "practice/Historique.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "workspace/FormMain.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace pava;

namespace {

constexpr int kJetons = 1000;
QString g_vide;
QString g_million;

QString jeton(int i)
{
    return QStringLiteral("QZJA%1").arg(i % 1000, 3, 10, QLatin1Char('0')) +
           QStringLiteral("10____1");
}

bool creerHistorique(const QString& fichier, int enregistrements)
{
    const QString nom = QStringLiteral("bench-historique");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(fichier);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok &&
             q.exec(QStringLiteral("CREATE TABLE cotation_table_CCAM (cot TEXT, Desc TEXT)")) &&
             q.exec(QStringLiteral("CREATE TABLE cotation_date_CCAM (cot__date TEXT, Desc TEXT, "
                                   "date_valid DATE, cot_secu REAL, cot_reel REAL, cot_secu_e "
                                   "REAL, cot_reel_e REAL)"));
        if (ok && enregistrements > 0) {
            // Years of practice: every token known, a price record for it
            // most days, all before today.
            db.transaction();
            q.prepare(QStringLiteral("INSERT INTO cotation_table_CCAM VALUES (?, 'Acte')"));
            for (int i = 0; i < kJetons; ++i) {
                q.addBindValue(jeton(i));
                q.exec();
            }
            q.prepare(QStringLiteral("INSERT INTO cotation_date_CCAM VALUES (?, 'Acte', ?, ?, ?, "
                                     "?, ?)"));
            const QDate debut = QDate::currentDate().addDays(-enregistrements / kJetons - 1);
            for (int n = 0; n < enregistrements; ++n) {
                const double prix = 20.0 + n % 7;
                q.addBindValue(jeton(n % kJetons));
                q.addBindValue(debut.addDays(n / kJetons));
                q.addBindValue(prix * historique::kTauxFranc);
                q.addBindValue(prix * historique::kTauxFranc);
                q.addBindValue(prix);
                q.addBindValue(prix);
                q.exec();
            }
            ok = db.commit();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(nom);
    return ok;
}

// Acts validated in turn, a token among a thousand: with range(0) = 0 each
// at its known price (nothing to write), with 1 at a new price each time (a
// dated record written, so one disk synchronisation at least).
void ajouter(benchmark::State& state, const QString& fichier)
{
    int n = 0;
    for (auto _ : state) {
        const QString prix =
            state.range(0) == 0 ? QStringLiteral("20.00") : QStringLiteral("%1.00").arg(30 + n % 2);
        const QString e = jeton(state.range(0) == 0 ? 0 : n * 7) + QChar(0xA7) + prix +
                          QChar(0xA7) + prix + QChar(0xA7) + QStringLiteral("Acte");
        const historique::Bilan b = historique::ajouter(fichier, e);
        if (b.echec())
            state.SkipWithError(qPrintable(b.erreur));
        ++n;
    }
}

void BM_AjouteCCAM_Vide(benchmark::State& state)
{
    ajouter(state, g_vide);
}
void BM_AjouteCCAM_Million(benchmark::State& state)
{
    ajouter(state, g_million);
}

// ------------------------------------------------------------- act window

std::vector<double> g_ouvertures; // milliseconds, the first one cold

void mesurerOuvertures(FormMain& w, int fois)
{
    for (int i = 0; i < fois; ++i) {
        QElapsedTimer chrono;
        ui::repondreProchaine([&](ui::Demande& d) {
            auto* acte = static_cast<GetCCAM*>(d.fenetre);
            acte->show();
            const auto* associations = acte->findChild<QComboBox*>("CodeAssociationCCAM");
            while (associations->count() == 0 && acte->isVisible())
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            g_ouvertures.push_back(chrono.nsecsElapsed() / 1e6);
            return int(QDialog::Rejected);
        });
        chrono.start();
        w.DBGrid1_DblClick();
    }
}

QString editionV81()
{
    const QString env = qEnvironmentVariable("PAVACCAM_CCAM_CSV");
    const QString chemin = env.isEmpty() ? QStringLiteral(PAVACCAM_SHARED_CCAM_CSV) : env;
    return QFileInfo::exists(chemin) ? chemin : QString();
}

// What one synchronisation of the disk costs here: a recording that writes
// waits for a few of them (journal, database) and cannot go below that.
double millisecondesParSynchronisation(const QString& repertoire)
{
    QFile f(repertoire + QStringLiteral("/synchro"));
    if (!f.open(QIODevice::WriteOnly))
        return 0;
    QElapsedTimer chrono;
    chrono.start();
    for (int i = 0; i < 20; ++i) {
        f.write("0123456789abcdef");
        f.flush();
        ::fsync(f.handle());
    }
    return chrono.nsecsElapsed() / 1e6 / 20;
}

double mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("PAVACCAM_HOME", dir.path().toUtf8());
    qputenv("PAVACCAM_SYSCONFDIR", dir.path().toUtf8());

    g_vide = dir.filePath(QStringLiteral("vide.mdb"));
    g_million = dir.filePath(QStringLiteral("million.mdb"));
    std::printf("Préparation d'un historique d'un million d'enregistrements datés...\n");
    std::fflush(stdout);
    if (!creerHistorique(g_vide, 0) || !creerHistorique(g_million, 1000000)) {
        std::printf("bench_cotation : historiques d'essai impossibles à écrire.\n");
        return 1;
    }
    // The first recording on each indexes what the look-ups need.
    for (const QString& f : {g_vide, g_million})
        historique::ajouter(f, jeton(0) + QStringLiteral("§20.00§20.00§Acte"));

    for (auto* b : {benchmark::RegisterBenchmark("AjouteCCAM/vide", BM_AjouteCCAM_Vide),
                    benchmark::RegisterBenchmark("AjouteCCAM/million", BM_AjouteCCAM_Million)})
        b->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    struct Rapporteur : benchmark::ConsoleReporter
    {
        std::vector<double> us;
        void ReportRuns(const std::vector<Run>& runs) override
        {
            ConsoleReporter::ReportRuns(runs);
            for (const Run& r : runs)
                us.push_back(r.real_accumulated_time * 1e6 / double(r.iterations));
        }
    } rapporteur;
    benchmark::RunSpecifiedBenchmarks(&rapporteur);

    const QString csv = editionV81();
    if (!csv.isEmpty()) {
        OptionsJeuDeDonnees o;
        o.repertoireData = dir.filePath(QStringLiteral("data"));
        o.repertoireRsc = dir.filePath(QStringLiteral("rsc"));
        o.repertoireSrt = dir.filePath(QStringLiteral("srt"));
        o.repertoireProfil = dir.path();
        o.fichierReference = csv;
        const BilanJeuDeDonnees b = creerJeuDeDonnees(o);
        if (b.reussi) {
            Session& s = session();
            s.CodeSpecialitePraticien = QStringLiteral("1");
            s.CheminData4Session = o.repertoireData;
            s.CheminDico4Session = o.repertoireData;
            s.CheminDataRsc = o.repertoireRsc;
            FormMain w;
            w.show();
            w.CCAMMDB(0)->findFirstEqual(QStringLiteral("CodeActe"), QStringLiteral("QZJA002"));
            mesurerOuvertures(w, 21);
            w.reject();
        }
    }

    std::printf("\n=== Coder un acte : résumé ===\n");
    if (rapporteur.us.size() == 4) {
        const char* cas[] = {"prix inchangé (rien à écrire)", "nouveau prix (écriture)"};
        for (int i = 0; i < 2; ++i)
            std::printf("Ajoute_CCAM, %s : %.0f µs par appel sur un historique vide, %.0f µs sur "
                        "un million d'enregistrements (objectif < 2000 µs), rapport %.2f "
                        "(objectif ≤ 1,5)\n",
                        cas[i], rapporteur.us[i], rapporteur.us[2 + i],
                        rapporteur.us[2 + i] / rapporteur.us[i]);
        std::printf("  (une synchronisation du disque coûte ici %.1f ms ; une écriture en attend "
                    "plusieurs, journal puis base, pour ne rien perdre)\n",
                    millisecondesParSynchronisation(dir.path()));
    }
    if (g_ouvertures.empty()) {
        std::printf("Fenêtre d'acte sur la v81 : édition absente (%s), non mesurée.\n",
                    PAVACCAM_SHARED_CCAM_CSV);
    } else {
        std::printf("Fenêtre d'acte sur la v81, du double-clic aux listes remplies : %.1f ms la "
                    "première fois (référentiel ouvert), médiane %.1f ms ensuite (objectif "
                    "< 100 ms)\n",
                    g_ouvertures.front(),
                    mediane(std::vector<double>(g_ouvertures.begin() + 1, g_ouvertures.end())));
    }
    benchmark::Shutdown();
    return 0;
}
