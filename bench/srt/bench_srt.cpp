// Figures for the CCAM reference on the real edition 81:
//   - building the whole reference from the CSV edition, billing rules and the
//     practitioners' lexicon included;
//   - the act search ranked for a practice, per query of one to three words
//     as practitioners type them, with and without a typing error (median and
//     slowest), against a SQLite LIKE '%word%' scan over the same labels;
//   - GetTarifActe calls per second once the engine is warm;
//   - reading a coding history of a million dated rows, then after an addition.
// Everything is printed; nothing here passes or fails on a duration.
#include "practice/PratiqueActes.h"
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
const RechercheActes::Priorites* g_priorites = nullptr;

// As practitioners type them: the edition's words, abbreviations and
// everyday words of the lexicon, beginnings of words; then the same with one
// typing error.
const std::vector<QStringList> kRequetes = {
    {"suture", "electrocardiographie", "radiographie", "biopsie", "ecg", "sterilet", "echo",
     "infiltration"},
    {"sutrue", "electrocardiografie", "radiografie", "biopsei", "echografie", "infiltraton",
     "ablatoin", "fracteur"},
    {"suture plaie", "echographie abdominale", "infiltration genou", "radio thorax", "echo abd",
     "radio cerv", "biopsie peau", "fracture poignet"},
    {"electrocardiografie derivations", "sutre plaie", "radiografie thorax", "biopsei peau",
     "echografie abdomen", "ablatoin ongle", "fracteur poignet", "infiltraton epaule"},
    {"suture plaie peau", "radiographie bassin face", "exerese lesion peau",
     "echo doppler carotides", "points suture visage", "injection articulation genou",
     "reduction fracture radius", "ablation corps etranger"},
    {"sutre plaie peau", "radiografie bassin face", "exerese lesoin peau", "echo dopler carotides",
     "points sutrue visage", "injection articulation genuo", "reduction fractrue radius",
     "ablation corps etrangre"},
};
const char* const kNomsRequetes[] = {"1 mot",  "1 mot avec une faute",
                                     "2 mots", "2 mots dont une faute",
                                     "3 mots", "3 mots dont une faute"};

// Individual timings of each query, in microseconds, per number of words.
std::map<int, std::vector<double>> g_tempsRecherche;
// The same per query of each series: the slowest query is the one whose own
// median is the largest (a single slow run is the machine, not the query).
std::map<int, std::map<int, std::vector<double>>> g_tempsParRequete;
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
    const int serie = static_cast<int>(state.range(0));
    const QStringList& requetes = kRequetes[std::size_t(serie)];
    std::vector<double>& temps = g_tempsRecherche[serie];
    std::size_t i = 0;
    std::int64_t trouves = 0;
    for (auto _ : state) {
        const auto debut = std::chrono::steady_clock::now();
        const RechercheActes::Resultat r =
            g_recherche->chercher(requetes[qsizetype(i % requetes.size())], 50, g_priorites);
        const double us = microsecondesDepuis(debut);
        temps.push_back(us);
        g_tempsParRequete[serie][int(i % std::size_t(requetes.size()))].push_back(us);
        trouves += r.total;
        benchmark::DoNotOptimize(r);
        ++i;
    }
    state.counters["actes_trouves_par_requete"] =
        double(trouves) / double(std::max<std::size_t>(i, 1));
}

void BM_LikeSqlite(benchmark::State& state)
{
    const int serie = static_cast<int>(state.range(0));
    const QStringList& requetes = kRequetes[std::size_t(serie)];
    const int mots = int(requetes.first().split(' ').size());
    std::vector<double>& temps = g_tempsLike[serie];
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

// One qualified act (four modifiers, association 2) priced by each caller
// of the pricing: every line must give the same amount.
void prixParAppelant()
{
    TarificateurSRT t;
    t.setDateActe(QStringLiteral("15/01/2026 10:00:00"));
    t.setCheminReference(g_reference);
    t.setGrille(1);
    UsrSrt u;
    u.setDateActe(QStringLiteral("15/01/2026 10:00:00"));
    u.setCheminReference(g_reference);
    u.setGrille(1);
    const QString code = QStringLiteral("QZJA002");
    const QStringList m{"F", "R", "P", "S"};
    const PrixActe p = t.Tarifer({code, 1, 0, {m[0], m[1], m[2], m[3]}, "2", "0", {}});
    std::printf("\nQZJA002, modificateurs F R P S, association 2 (grille 1) :\n");
    std::printf("  Tarifer (fenêtre de l'acte, cotation d'un acte composé) : %s\n",
                qPrintable(p.certain() ? texteEuros(p.centimes()) : p.erreur));
    std::printf("  GetTarifActe : %s centimes\n",
                qPrintable(t.GetTarifActe(code, m[0], m[1], m[2], m[3], "2", "0", {})));
    std::printf("  pavaccam reference price : %s centimes\n",
                qPrintable(t.DetailTarifActe(code, m, "2").reponse));
    std::printf(
        "  GetSRTBaseRemboursementActe (F et R seulement) : %s ; Tarifer de même : %s\n",
        qPrintable(u.GetBaseRemboursementActe(code, "F", "R", "0", "2")),
        qPrintable(texteEuros(t.Tarifer({code, 0, 0, {"F", "R"}, "2", "0", {}}).centimes())));
}

// A practice of some years: 40 habitual codings, 1 500 acts in its history
// with their last day.
RechercheActes::Pratique pratiqueDeCabinet(const RechercheActes& recherche)
{
    RechercheActes::Pratique p;
    const QList<RechercheActes::Acte>& actes = recherche.actes();
    for (qsizetype i = 0; i < actes.size(); i += 5) {
        if (i % 200 == 0)
            p.habituels.append(actes[i].code);
        if (p.historique.size() < 1500)
            p.historique.insert(actes[i].code, QDate(2020, 1, 1).toJulianDay() + i % 2000);
    }
    return p;
}

// A coding history of a million dated rows on 3 000 acts; then the time to
// read it the first time, and again after a few rows were added.
void mesurerHistorique()
{
    QTemporaryDir dir;
    const QString fichier = dir.filePath(QStringLiteral("Cotation.mdb"));
    const QString nom = QStringLiteral("bench-historique");
    const auto ecrire = [&](int debut, int nombre) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(fichier);
        db.open();
        QSqlQuery q(db);
        if (debut == 0) {
            q.exec(QStringLiteral("CREATE TABLE cotation_table_CCAM (cot TEXT, Desc TEXT)"));
            q.exec(QStringLiteral("CREATE TABLE cotation_date_CCAM (cot__date TEXT, Desc TEXT, "
                                  "date_valid DATE, cot_secu REAL, cot_reel REAL, cot_secu_e "
                                  "REAL, cot_reel_e REAL)"));
            // The index the workspace adds on its first recording.
            q.exec(QStringLiteral("CREATE INDEX cotation_date_cot ON cotation_date_CCAM "
                                  "(cot__date, date_valid)"));
        }
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO cotation_date_CCAM VALUES (?, 'Libellé', ?, 1, 1, "
                                 "1, 1)"));
        QVariantList jetons, dates;
        for (int i = debut; i < debut + nombre; ++i) {
            const int k = i % 3000;
            jetons.append(QStringLiteral("ZZ") + QChar(u'A' + k % 26) + QChar(u'A' + k / 26 % 26) +
                          QStringLiteral("%1").arg(k / 676, 3, 10, QLatin1Char('0')) +
                          QStringLiteral("10_____"));
            dates.append(QDate(2005, 1, 1).addDays(i % 7000).toString(Qt::ISODate));
        }
        q.addBindValue(jetons);
        q.addBindValue(dates);
        q.execBatch();
        db.commit();
        q = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(nom);
    };
    ecrire(0, 1000000);
    const auto mesurer = [&]() {
        const auto debut = std::chrono::steady_clock::now();
        QString erreur;
        const qsizetype n = lireHistorique(fichier, &erreur).size();
        const double ms = microsecondesDepuis(debut) / 1000;
        return std::make_pair(n, erreur.isEmpty() ? ms : -1.0);
    };
    const auto premiere = mesurer();
    ecrire(1000000, 10);
    const auto ajout = mesurer();
    std::printf("Historique des cotations, 1 000 000 lignes datées (%lld actes) : première "
                "lecture %.0f ms (faite en arrière-plan à l'ouverture du choix d'acte) ; après "
                "10 lignes ajoutées %.1f ms\n",
                static_cast<long long>(premiere.first), premiere.second, ajout.second);
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
    const auto debutChargement = std::chrono::steady_clock::now();
    if (!recherche.charger(g_reference, &erreur, kGrilleSecteur1, QDate(2026, 1, 15))) {
        std::printf("bench_srt : %s\n", qPrintable(erreur));
        return 1;
    }
    const double msChargement = microsecondesDepuis(debutChargement) / 1000;
    g_recherche = &recherche;
    const RechercheActes::Priorites priorites = recherche.priorites(pratiqueDeCabinet(recherche));
    g_priorites = &priorites;

    benchmark::RegisterBenchmark("ConstructionV81", BM_ConstructionV81)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Recherche", BM_Recherche)
        ->DenseRange(0, 5)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("LikeSqlite", BM_LikeSqlite)
        ->DenseRange(0, 5)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("GetTarifActe", BM_GetTarifActe)->Unit(benchmark::kNanosecond);

    benchmark::Initialize(&argc, argv);
    Rapporteur rapporteur;
    benchmark::RunSpecifiedBenchmarks(&rapporteur);

    std::printf("\n=== Référentiel CCAM v81 : résumé ===\n");
    if (const auto* r = rapporteur.run("ConstructionV81"))
        std::printf("Construction du référentiel complet, règles de facturation et lexique des "
                    "praticiens compris : %.2f s par import (objectif < 3 s)\n",
                    r->real_accumulated_time / double(r->iterations));
    std::printf("Chargement de la recherche (actes du jour, racines des mots, lexique de %lld "
                "règles) : %.0f ms, une fois par processus\n",
                static_cast<long long>(recherche.lexique().size()), msChargement);
    for (int serie = 0; serie < int(kRequetes.size()); ++serie) {
        const double rech = mediane(g_tempsRecherche[serie]);
        double pire = 0;
        QString plusLente;
        for (const auto& [i, t] : g_tempsParRequete[serie]) {
            if (const double m = mediane(t); m > pire) {
                pire = m;
                plusLente = kRequetes[std::size_t(serie)][i];
            }
        }
        const double like = mediane(g_tempsLike[serie]);
        if (rech > 0 && like > 0)
            std::printf("Recherche classée pour un cabinet, %s : médiane %.1f µs, la plus lente "
                        "« %s » %.1f µs (objectifs < 1 ms et < 5 ms) ; LIKE SQLite : médiane "
                        "%.1f µs ; rapport %.0f×\n",
                        kNomsRequetes[serie], rech, qPrintable(plusLente), pire, like, like / rech);
    }
    if (const auto* r = rapporteur.run("GetTarifActe"))
        std::printf(
            "GetTarifActe : %.0f appels par seconde une fois chaud (objectif ≥ 1 000 000)\n",
            double(r->iterations) / r->real_accumulated_time);
    prixParAppelant();
    mesurerHistorique();
    benchmark::Shutdown();
    return 0;
}
