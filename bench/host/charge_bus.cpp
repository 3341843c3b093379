// The server under load: CLIENTS hosts (32 unless told) each calling the
// look-ups back to back for DURÉE seconds (60), from connections of their
// own, while a workspace is open and while one more client sends calls and
// never reads its replies. Prints the calls answered, the errors, the worst
// and 99th-percentile latencies, and the server's memory before and after
// (VmRSS). It never fails on a duration; it exits 1 only when a call went
// unanswered.
//
//   charge_bus [--clients N] [--duree SECONDES]
#include "AppelsBus.h"
#include "host/JeuDeDonnees.h"
#include "host/dbus/NomsBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace pava;
using namespace pava::banc;

namespace {

// ------------------------------------------- a client that never reads
// Speaks the bus's wire protocol on a socket of its own: it authenticates,
// says hello, then sends Ping calls at a host's pace and never reads a byte
// of what comes back. The bus keeps the replies for it; the server must not
// wait for it.
class ClientSourd
{
public:
    bool connecter()
    {
        const QByteArray adresse = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        socklen_t taille = sizeof(a);
        QByteArray chemin;
        for (const QByteArray& partie : adresse.mid(adresse.indexOf(':') + 1).split(',')) {
            if (partie.startsWith("path="))
                chemin = partie.mid(5);
            else if (partie.startsWith("abstract="))
                chemin = '\0' + partie.mid(9);
        }
        if (chemin.isEmpty() || chemin.size() >= int(sizeof(a.sun_path)))
            return false;
        std::memcpy(a.sun_path, chemin.constData(), size_t(chemin.size()));
        if (chemin.startsWith('\0'))
            taille = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(chemin.size()));
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), taille) != 0)
            return false;
        const QByteArray uid = QByteArray::number(::getuid()).toHex();
        if (!ecrire(QByteArray(1, '\0') + "AUTH EXTERNAL " + uid + "\r\n"))
            return false;
        char reponse[256] = {};
        if (::read(m_fd, reponse, sizeof(reponse) - 1) <= 0 || std::strncmp(reponse, "OK", 2))
            return false;
        return ecrire("BEGIN\r\n") &&
               ecrire(message("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "Hello"));
    }
    ~ClientSourd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ping()
    {
        ++m_envoyes;
        return ecrire(
            message(kService.toLatin1(), kFabrique.toLatin1(), kIFabrique.toLatin1(), "Ping"));
    }
    int envoyes() const { return m_envoyes; }

private:
    bool ecrire(const QByteArray& octets)
    {
        qsizetype fait = 0;
        while (fait < octets.size()) {
            const ssize_t n =
                ::write(m_fd, octets.constData() + fait, size_t(octets.size() - fait));
            if (n <= 0)
                return false;
            fait += n;
        }
        return true;
    }
    // A method call without arguments, little-endian.
    QByteArray message(const QByteArray& destination, const QByteArray& chemin,
                       const QByteArray& interface, const QByteArray& membre)
    {
        QByteArray champs;
        auto aligner = [](QByteArray& b, int n) {
            while (b.size() % n)
                b.append('\0');
        };
        auto champ = [&](char code, char type, const QByteArray& valeur) {
            aligner(champs, 8);
            champs.append(code).append('\1').append(type).append('\0');
            const quint32 longueur = quint32(valeur.size());
            champs.append(reinterpret_cast<const char*>(&longueur), 4);
            champs.append(valeur).append('\0');
        };
        champ(1, 'o', chemin);
        champ(2, 's', interface);
        champ(3, 's', membre);
        champ(6, 's', destination);
        QByteArray m("l\1\0\1", 4);
        const quint32 corps = 0;
        const quint32 serie = ++m_serie;
        const quint32 longueurChamps = quint32(champs.size());
        m.append(reinterpret_cast<const char*>(&corps), 4);
        m.append(reinterpret_cast<const char*>(&serie), 4);
        m.append(reinterpret_cast<const char*>(&longueurChamps), 4);
        m.append(champs);
        aligner(m, 8);
        return m;
    }

    int m_fd = -1;
    quint32 m_serie = 0;
    int m_envoyes = 0;
};

// ---------------------------------------------------------- the hosts

struct Mesures
{
    std::mutex verrou;
    std::vector<double> latencesMs;
    long appels = 0;
    long erreurs = 0;
    QStringList premieresErreurs;
};

void hote(int numero, qint64 fin, Mesures& mesures)
{
    const QString nom = QStringLiteral("hote-%1").arg(numero);
    std::vector<double> latences;
    long erreurs = 0;
    QString premiereErreur;
    {
        QDBusConnection c = QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom);
        const QDBusReply<QDBusObjectPath> objet =
            c.call(appel(kFabrique, kIFabrique, "CreateObject"));
        const QString chemin = objet.isValid() ? objet.value().path() : QString();
        const QList<QDBusMessage> questions = {
            appel(chemin, kILecture, "GetSRTPrixUnitaire", {QStringLiteral("QZJA002")}),
            appel(chemin, kILecture, "GetSRTModificateursActe", {QStringLiteral("DEQP003")}),
            appel(chemin, kILecture, "GetSRTBaseRemboursementActe",
                  {QStringLiteral("QZJA002"), QStringLiteral("F"), QString(), QString(),
                   QStringLiteral("2")}),
            appel(chemin, kILecture, "GetSRTCodeAssociation"),
        };
        QElapsedTimer chrono;
        for (int i = numero; QDateTime::currentMSecsSinceEpoch() < fin; ++i) {
            chrono.start();
            const QDBusMessage r = c.call(questions.at(i % questions.size()), QDBus::Block, 10000);
            latences.push_back(chrono.nsecsElapsed() / 1e6);
            if (r.type() != QDBusMessage::ReplyMessage) {
                ++erreurs;
                if (premiereErreur.isEmpty())
                    premiereErreur = r.errorMessage();
            }
        }
        c.call(appel(chemin, kILecture, "Release"));
    }
    QDBusConnection::disconnectFromBus(nom);
    std::lock_guard<std::mutex> garde(mesures.verrou);
    mesures.appels += long(latences.size());
    mesures.erreurs += erreurs;
    mesures.latencesMs.insert(mesures.latencesMs.end(), latences.begin(), latences.end());
    if (!premiereErreur.isEmpty() && mesures.premieresErreurs.size() < 3)
        mesures.premieresErreurs << premiereErreur;
}

} // namespace

int main(int argc, char** argv)
{
    // Its own private bus, unless one was given.
    if (qEnvironmentVariableIsEmpty("PAVACCAM_CHARGE_SUR_BUS"))
        return banc::relancerSurBusPrive(argc, argv, "PAVACCAM_CHARGE_SUR_BUS");
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const char* nom, int defaut) {
        const qsizetype i = args.indexOf(QLatin1String(nom));
        return i >= 0 ? args.value(i + 1).toInt() : defaut;
    };
    const int clients = option("--clients", 32);
    const int duree = option("--duree", 60);

    QTemporaryDir dossier;
    OptionsJeuDeDonnees jeu;
    jeu.repertoireData = dossier.filePath(QStringLiteral("data"));
    jeu.repertoireRsc = dossier.filePath(QStringLiteral("rsc"));
    jeu.repertoireSrt = dossier.filePath(QStringLiteral("srt"));
    jeu.repertoireProfil = dossier.filePath(QStringLiteral("etc"));
    if (!creerJeuDeDonnees(jeu).reussi)
        return 2;
    QProcess serveur;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PAVACCAM_SYSCONFDIR"), jeu.repertoireProfil);
    env.insert(QStringLiteral("PAVACCAM_HOME"), dossier.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dossier.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    serveur.setProcessEnvironment(env);
    serveur.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    serveur.start(QStringLiteral(PAVACCAM_SERVEUR));
    QDBusConnection bus = QDBusConnection::sessionBus();
    QElapsedTimer attente;
    attente.start();
    while (!bus.interface()->isServiceRegistered(kService).value() && attente.elapsed() < 10000)
        QThread::msleep(20);

    // A workspace open all along, as at a practice where the practitioner
    // codes while the host looks tariffs up.
    const QDBusReply<QDBusObjectPath> objet =
        bus.call(appel(kFabrique, kIFabrique, "CreateObject"));
    if (!objet.isValid()) {
        std::fprintf(stderr, "charge_bus : serveur injoignable.\n");
        return 2;
    }
    QDBusPendingCall cotation = bus.asyncCall(
        appel(objet.value().path(), kILecture, "GetCotationCCAM",
              {"10000001", "1", jeu.repertoireData, jeu.repertoireData, "", jeu.repertoireRsc}),
        24 * 3600 * 1000);
    for (int i = 0; i < 200; ++i) // warm: reference opened, caches filled
        bus.call(appel(objet.value().path(), kILecture, "GetSRTPrixUnitaire", {"QZJA002"}));
    const long avant = memoireResidenteKo(serveur.processId());

    const qint64 fin = QDateTime::currentMSecsSinceEpoch() + qint64(duree) * 1000;
    ClientSourd sourd;
    const bool sourdConnecte = sourd.connecter();
    std::atomic<bool> arret{false};
    std::thread threadSourd([&] {
        while (sourdConnecte && !arret && QDateTime::currentMSecsSinceEpoch() < fin) {
            if (!sourd.ping())
                break;
            QThread::msleep(2);
        }
    });
    Mesures mesures;
    std::vector<std::thread> hotes;
    for (int i = 0; i < clients; ++i)
        hotes.emplace_back(hote, i, fin, std::ref(mesures));
    for (std::thread& t : hotes)
        t.join();
    arret = true;
    threadSourd.join();
    const long apres = memoireResidenteKo(serveur.processId());

    std::vector<double>& l = mesures.latencesMs;
    std::sort(l.begin(), l.end());
    const double pire = l.empty() ? 0 : l.back();
    const double p99 = l.empty() ? 0 : l[std::min(l.size() - 1, l.size() * 99 / 100)];
    std::printf("CHARGE clients=%d duree=%ds appels=%ld erreurs=%ld pire=%.1fms p99=%.1fms "
                "memoire_avant=%ldko memoire_apres=%ldko croissance=%ldko sourd=%d\n",
                clients, duree, mesures.appels, mesures.erreurs, pire, p99, avant, apres,
                apres - avant, sourd.envoyes());
    for (const QString& e : mesures.premieresErreurs)
        std::printf("  erreur : %s\n", qPrintable(e));
    std::printf("Charge : %d hôtes pendant %d s, une fenêtre de cotation ouverte et un client qui "
                "ne lit jamais ses réponses (%d appels envoyés) : %ld appels, %ld sans réponse ; "
                "le plus lent %.1f ms (objectif ≤ 50 ms), 99 %% sous %.1f ms ; mémoire du "
                "serveur %+.1f Mo (objectif ≤ 5 Mo).\n",
                clients, duree, sourd.envoyes(), mesures.appels, mesures.erreurs, pire, p99,
                (apres - avant) / 1024.0);

    bus.call(appel(objet.value().path(), kILecture, "EndCCAM"), QDBus::Block, 2000);
    serveur.waitForFinished(3000);
    (void)cotation;
    return mesures.erreurs == 0 ? 0 : 1;
}
