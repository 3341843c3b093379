// Figures for the CCAM reference on the real edition 81:
//   - building the whole reference from the CSV edition;
//   - the act search, per query of one to three words, against a SQLite
//     LIKE '%word%' scan over the same labels;
//   - GetTarifActe calls per second once the engine is warm.
// Everything is printed; nothing here passes or fails on a duration.
#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"
#include "srt/RechercheActes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace pava;

namespace {

QString g_csv;
QString g_reference;
RechercheActes* g_recherche = nullptr;

const std::vector<QStringList> kRequetes = {
    {"suture", "electrocardiographie", "radiographie", "biopsie", "echographie", "ablation",
     "injection", "genou"},
    {"suture plaie", "radiographie thorax", "biopsie peau", "echographie abdomen", "ablation ongle",
     "fracture poignet", "infiltration epaule", "exerese kyste"},
    {"suture plaie peau", "radiographie bassin face", "exerese lesion peau",
     "echographie doppler arteres", "reduction fracture radius", "ablation corps etranger",
     "biopsie muqueuse buccale", "injection articulation genou"},
};

// Individual timings of each query, in microseconds, per number of words.
std::map<int, std::vector<double>> g_tempsRecherche;
std::map<int, std::vector<double>> g_tempsLike;

double mediane(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

double microsecondesDepuis(std::chrono::steady_clock::time_point debut)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - debut)
        .count();
}

void BM_ConstructionV81(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        OptionsImport o;
        o.fichierEdition = g_csv;
        o.repertoireSrt = dir.path();
        state.ResumeTiming();
        const BilanImport b = importerReference(o);
        if (!b.reussi)
            state.SkipWithError(b.erreur.toUtf8().constData());
        state.PauseTiming();
        dir.remove();
        state.ResumeTiming();
    }
}

void BM_Recherche(benchmark::State& state)
{
    const int mots = static_cast<int>(state.range(0));
    const QStringList& requetes = kRequetes[std::size_t(mots - 1)];
    std::vector<double>& temps = g_tempsRecherche[mots];
    std::size_t i = 0;
    std::int64_t trouves = 0;
    for (auto _ : state) {
        const auto debut = std::chrono::steady_clock::now();
        const RechercheActes::Resultat r =
            g_recherche->chercher(requetes[qsizetype(i % requetes.size())], 50);
        temps.push_back(microsecondesDepuis(debut));
        trouves += r.total;
        benchmark::DoNotOptimize(r);
        ++i;
    }
    state.counters["actes_trouves_par_requete"] =
        double(trouves) / double(std::max<std::size_t>(i, 1));
}

void BM_LikeSqlite(benchmark::State& state)
{
    const int mots = static_cast<int>(state.range(0));
    const QStringList& requetes = kRequetes[std::size_t(mots - 1)];
    std::vector<double>& temps = g_tempsLike[mots];
    const QString nom = QStringLiteral("bench-like");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(g_reference);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        QStringList conditions;
        for (int m = 0; m < mots; ++m)
            conditions.append(QStringLiteral("libelle LIKE ?"));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT code, libelle FROM acte WHERE fin IS NULL AND ") +
                  conditions.join(QStringLiteral(" AND ")) + QStringLiteral(" LIMIT 50"));
        std::size_t i = 0;
        for (auto _ : state) {
            const QStringList w = requetes[qsizetype(i % requetes.size())].split(' ');
            const auto debut = std::chrono::steady_clock::now();
            for (int m = 0; m < mots; ++m)
                q.bindValue(m, QStringLiteral("%") + w.value(m) + QStringLiteral("%"));
            q.exec();
            int n = 0;
            while (q.next())
                ++n;
            temps.push_back(microsecondesDepuis(debut));
            benchmark::DoNotOptimize(n);
            ++i;
        }
        q.finish();
    }
    QSqlDatabase::removeDatabase(nom);
}

void BM_GetTarifActe(benchmark::State& state)
{
    TarificateurSRT t;
    t.setDateActe(QStringLiteral("15/01/2026 10:00:00"));
    t.setCheminReference(g_reference);
    t.setGrille(1);
    QStringList codes;
    for (const RechercheActes::Acte& a : g_recherche->actes())
        codes.append(a.code);
    const QStringList modificateurs = {QString(), QStringLiteral("F"), QStringLiteral("U"),
                                       QStringLiteral("J")};
    // Warm: every act read once.
    for (const QString& c : codes)
        benchmark::DoNotOptimize(t.GetTarifActe(c, {}, {}, {}, {}, {}, {}, {}));
    std::size_t i = 0;
    const QString vide;
    const QVariant rbt;
    for (auto _ : state) {
        const QString& code = codes[qsizetype(i % std::size_t(codes.size()))];
        const QString& m = modificateurs[qsizetype(i % 4)];
        benchmark::DoNotOptimize(t.GetTarifActe(code, m, vide, vide, vide, vide, vide, rbt));
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

// Keeps the runs for the summary while printing them as usual.
class Rapporteur : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (!r.error_occurred && r.aggregate_name.empty())
                m_runs[r.run_name.function_name] = r;
        }
    }
    const Run* run(const std::string& nom) const
    {
        const auto it = m_runs.find(nom);
        return it == m_runs.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, Run> m_runs;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString env = qEnvironmentVariable("PAVACCAM_CCAM_CSV");
    g_csv = env.isEmpty() ? QStringLiteral(PAVACCAM_SHARED_CCAM_CSV) : env;
    if (!QFileInfo::exists(g_csv)) {
        std::printf("bench_srt : édition CCAM v81 absente (%s) : rien à mesurer.\n",
                    qPrintable(g_csv));
        return 0;
    }
    QTemporaryDir dir;
    OptionsImport o;
    o.fichierEdition = g_csv;
    o.repertoireSrt = dir.path();
    const BilanImport b = importerReference(o);
    if (!b.reussi) {
        std::printf("bench_srt : import impossible : %s\n", qPrintable(b.erreur));
        return 1;
    }
    g_reference = b.cheminReference;
    RechercheActes recherche;
    QString erreur;
    if (!recherche.charger(g_reference, &erreur, kGrilleSecteur1, QDate(2026, 1, 15))) {
        std::printf("bench_srt : %s\n", qPrintable(erreur));
        return 1;
    }
    g_recherche = &recherche;

    benchmark::RegisterBenchmark("ConstructionV81", BM_ConstructionV81)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Recherche", BM_Recherche)
        ->DenseRange(1, 3)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("LikeSqlite", BM_LikeSqlite)
        ->DenseRange(1, 3)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("GetTarifActe", BM_GetTarifActe)->Unit(benchmark::kNanosecond);

    benchmark::Initialize(&argc, argv);
    Rapporteur rapporteur;
    benchmark::RunSpecifiedBenchmarks(&rapporteur);

    std::printf("\n=== Référentiel CCAM v81 : résumé ===\n");
    if (const auto* r = rapporteur.run("ConstructionV81"))
        std::printf("Construction du référentiel complet : %.2f s par import (objectif < 3 s)\n",
                    r->real_accumulated_time / double(r->iterations));
    for (int mots = 1; mots <= 3; ++mots) {
        const double rech = mediane(g_tempsRecherche[mots]);
        const double like = mediane(g_tempsLike[mots]);
        if (rech > 0 && like > 0)
            std::printf("Recherche, %d mot(s) : médiane %.1f µs par requête ; LIKE SQLite : "
                        "médiane %.1f µs ; rapport %.0f× (objectif ≥ 20×)\n",
                        mots, rech, like, like / rech);
    }
    if (const auto* r = rapporteur.run("GetTarifActe"))
        std::printf("GetTarifActe : %.0f appels par seconde une fois chaud (objectif ≥ 100 000)\n",
                    double(r->iterations) / r->real_accumulated_time);
    benchmark::Shutdown();
    return 0;
}
