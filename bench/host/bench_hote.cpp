// Figures for the host interface. Printed, never asserted.
//
//   BM_AppelNu                a bare call (Ping, does nothing) to the server,
//                             from this separate client process;
//   BM_GetSRTPrixUnitaire     the unit-price look-up, same path;
//   BM_OuvertureCotation      GetCotationCCAM until the workspace is shown and
//                             painted (offscreen), on a practice database of
//                             1,000 habitual codings and 500 composed acts;
//                             measured in this process (nothing outside the
//                             server can see a window appear);
//   and, after them, the medians side by side and the server's resident
//   memory with a workspace open (VmRSS of /proc/<pid>/status).
//
// Targets: look-up <= 2 x the bare call, opening < 150 ms, memory < 80 MB.
#include "AppelsBus.h"
#include "host/JeuDeDonnees.h"
#include "host/LectureCCAM.h"
#include "host/dbus/NomsBus.h"
#include "session/Session.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

using namespace pava;
using namespace pava::banc;

namespace {

struct Banc
{
    QTemporaryDir dossier;
    OptionsJeuDeDonnees jeu;
    QProcess serveur;
    QString objet;
};
Banc* g_banc = nullptr;

// A practice that has used the program for years.
bool grossirBase(const QString& fichier)
{
    bool ok = false;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "banc");
        base.setDatabaseName(fichier);
        if (base.open()) {
            QSqlQuery q(base);
            QStringList codes;
            q.exec(QStringLiteral("SELECT CodeActe FROM CCAM_7"));
            while (q.next())
                codes << q.value(0).toString();
            base.transaction();
            q.exec(QStringLiteral("DELETE FROM CCAM_7"));
            q.prepare(QStringLiteral("INSERT INTO CCAM_7 (CodeActe, Libelle) VALUES (?, ?)"));
            for (int i = 0; i < 1000 && !codes.isEmpty(); ++i) {
                q.addBindValue(codes.at(i % codes.size()));
                q.addBindValue(QStringLiteral("Cotation habituelle n° %1").arg(i + 1));
                q.exec();
            }
            q.exec(QStringLiteral("CREATE TABLE PavaACTES (CodeActe TEXT (255), LibelleCCAM TEXT "
                                  "(255),ValeurSS TEXT (24),ValeurReel TEXT (24));"));
            q.prepare(QStringLiteral("INSERT INTO PavaACTES (CodeActe, LibelleCCAM, ValeurSS, "
                                     "ValeurReel) VALUES (?, ?, '', '')"));
            for (int i = 0; i < 500 && !codes.isEmpty(); ++i) {
                q.addBindValue(codes.at(i % codes.size()) + QStringLiteral("1000000+") +
                               codes.at((i + 7) % codes.size()) + QStringLiteral("1000020"));
                q.addBindValue(QStringLiteral("Acte composé n° %1").arg(i + 1));
                q.exec();
            }
            ok = base.commit() && codes.size() > 0;
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("banc"));
    return ok;
}

bool preparer()
{
    g_banc = new Banc;
    const QString r = g_banc->dossier.path();
    g_banc->jeu.repertoireData = r + QStringLiteral("/data");
    g_banc->jeu.repertoireRsc = r + QStringLiteral("/rsc");
    g_banc->jeu.repertoireSrt = r + QStringLiteral("/srt");
    g_banc->jeu.repertoireProfil = r + QStringLiteral("/etc");
    const BilanJeuDeDonnees bilan = creerJeuDeDonnees(g_banc->jeu);
    if (!bilan.reussi) {
        std::fprintf(stderr, "jeu de données : %s\n", qPrintable(bilan.erreur));
        return false;
    }
    if (!grossirBase(g_banc->jeu.repertoireData + QStringLiteral("/CCAM001.mdb")))
        return false;
    // This process and its server share one world, away from the user's.
    qputenv("PAVACCAM_SYSCONFDIR", g_banc->jeu.repertoireProfil.toUtf8());
    qputenv("PAVACCAM_HOME", (r + QStringLiteral("/home")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (r + QStringLiteral("/config")).toUtf8());

    g_banc->serveur.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    g_banc->serveur.start(QStringLiteral(PAVACCAM_SERVEUR));
    QElapsedTimer chrono;
    chrono.start();
    auto* bus = QDBusConnection::sessionBus().interface();
    while (!bus->isServiceRegistered(kService).value() && chrono.elapsed() < 10000)
        QThread::msleep(20);
    const QDBusReply<QDBusObjectPath> objet =
        QDBusConnection::sessionBus().call(appel(kFabrique, kIFabrique, "CreateObject"));
    if (!objet.isValid()) {
        std::fprintf(stderr, "serveur injoignable : %s\n", qPrintable(objet.error().message()));
        return false;
    }
    g_banc->objet = objet.value().path();
    return true;
}

void terminer()
{
    QDBusConnection::sessionBus().call(appel(g_banc->objet, kILecture, "EndCCAM"), QDBus::Block,
                                       2000);
    g_banc->serveur.waitForFinished(3000);
    delete g_banc;
}

QDBusMessage appelPing()
{
    return appel(kFabrique, kIFabrique, QStringLiteral("Ping"));
}
QDBusMessage appelPrix()
{
    return appel(g_banc->objet, kILecture, QStringLiteral("GetSRTPrixUnitaire"),
                 {QStringLiteral("QZJA002")});
}

void BM_AppelNu(benchmark::State& state)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage m = appelPing();
    for (auto _ : state)
        benchmark::DoNotOptimize(bus.call(m));
}
BENCHMARK(BM_AppelNu)->Unit(benchmark::kMicrosecond);

void BM_GetSRTPrixUnitaire(benchmark::State& state)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage m = appelPrix();
    for (auto _ : state) {
        const QDBusMessage r = bus.call(m);
        if (r.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError("look-up failed");
            break;
        }
    }
}
BENCHMARK(BM_GetSRTPrixUnitaire)->Unit(benchmark::kMicrosecond);

// Watches the workspace until its first paint.
class PremierePeinture : public QObject
{
public:
    bool peint = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            peint = true;
        return false;
    }
};

void BM_OuvertureCotation(benchmark::State& state)
{
    LectureCCAM lecture;
    const QString data = g_banc->jeu.repertoireData;
    for (auto _ : state) {
        PremierePeinture peinture;
        const auto debut = std::chrono::steady_clock::now();
        QString erreur;
        if (!lecture.ouvrirCotation(QStringLiteral("10000001"), QStringLiteral("1"), data, data,
                                    QString(), g_banc->jeu.repertoireRsc, &erreur)) {
            state.SkipWithError("workspace refused");
            break;
        }
        QDialog* fenetre = LectureCCAM::fenetreCotationOuverte();
        fenetre->installEventFilter(&peinture);
        while (!peinture.peint)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const auto fin = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(fin - debut).count());

        bool ferme = false;
        QObject::connect(&lecture, &LectureCCAM::cotationTerminee, &lecture,
                         [&ferme]() { ferme = true; });
        fenetre->removeEventFilter(&peinture);
        fenetre->reject();
        while (!ferme)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QObject::disconnect(&lecture, &LectureCCAM::cotationTerminee, nullptr, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_OuvertureCotation)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

double medianeMicrosecondes(const QDBusMessage& m, int n)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    std::vector<double> durees;
    durees.reserve(n);
    for (int i = 0; i < n; ++i) {
        const auto debut = std::chrono::steady_clock::now();
        bus.call(m);
        durees.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - debut)
                .count());
    }
    std::sort(durees.begin(), durees.end());
    return durees[durees.size() / 2];
}

void resume()
{
    const double nu = medianeMicrosecondes(appelPing(), 3000);
    const double prix = medianeMicrosecondes(appelPrix(), 3000);
    std::printf("\nMédianes sur 3000 appels depuis un processus client :\n"
                "  appel nu (Ping)           %8.1f µs\n"
                "  GetSRTPrixUnitaire        %8.1f µs   soit %.2f × l'appel nu (cible <= 2)\n",
                nu, prix, prix / nu);

    QDBusConnection bus = QDBusConnection::sessionBus();
    const qint64 pid = g_banc->serveur.processId();
    const long repos = memoireResidenteKo(pid);
    QVariantList args{QStringLiteral("10000001"), QStringLiteral("1"), g_banc->jeu.repertoireData,
                      g_banc->jeu.repertoireData, QString(),           g_banc->jeu.repertoireRsc};
    QDBusPendingCall cotation =
        bus.asyncCall(appel(g_banc->objet, kILecture, "GetCotationCCAM", args), 600000);
    bus.call(appelPing()); // served in order: the workspace is open now
    QThread::msleep(500);  // let it load and paint
    const long ouverte = memoireResidenteKo(pid);
    std::printf("Mémoire résidente du serveur (VmRSS) : %.1f Mo au repos, %.1f Mo avec la "
                "fenêtre de cotation ouverte (cible < 80 Mo)\n",
                repos / 1024.0, ouverte / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    // Always on a private session bus of its own.
    if (qEnvironmentVariableIsEmpty("PAVACCAM_BANC_BUS_PRIVE")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return banc::relancerSurBusPrive(argc, argv, "PAVACCAM_BANC_BUS_PRIVE");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!preparer())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    resume();
    terminer();
    benchmark::Shutdown();
    return 0;
}
