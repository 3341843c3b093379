#include "host/cli/CommandeDemo.h"

#include "host/JeuDeDonnees.h"
#include "host/cli/CommandeAppel.h"
#include "host/dbus/NomsBus.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace pava {

namespace {

// The bus and the server a demonstration starts end with it, however it ends:
// a Ctrl-C or a kill would otherwise leave the workspace open on a bus
// nobody speaks to.
void finirAvecLeParent(QProcess& processus)
{
    processus.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

QString serveurAProximite()
{
    const QString impose = qEnvironmentVariable("PAVACCAM_SERVER");
    if (!impose.isEmpty())
        return impose;
    const QString voisin =
        QCoreApplication::applicationDirPath() + QStringLiteral("/pavaccam-server");
    if (QFileInfo(voisin).isExecutable())
        return voisin;
    // Installed: the server is in libexec/pavaccam beside bin/.
    const QString installe = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/" PAVACCAM_SERVEUR_RELATIF));
    if (QFileInfo(installe).isExecutable())
        return installe;
    return QStandardPaths::findExecutable(QStringLiteral("pavaccam-server"));
}

// Asked of the bus itself: the bus's interface object would subscribe this
// short-lived client to every name change on the bus, delivered to an event
// loop it never runs.
bool servicePresent(QDBusConnection& bus)
{
    QDBusMessage question = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    question.setArguments({QLatin1String(bus::kService)});
    const QDBusMessage reponse = bus.call(question);
    return reponse.type() == QDBusMessage::ReplyMessage && reponse.arguments().value(0).toBool();
}

bool attendreService(QDBusConnection& bus, int delaiMs)
{
    QElapsedTimer chrono;
    chrono.start();
    while (chrono.elapsed() < delaiMs) {
        if (servicePresent(bus))
            return true;
        QThread::msleep(50);
    }
    return false;
}

// The demonstration's own session bus. Whatever runs on the user's bus (a
// server the bus started with the installation's profile, another version),
// the demonstration speaks to the server it starts, with its own profile.
class BusPrive
{
public:
    ~BusPrive()
    {
        QDBusConnection::disconnectFromBus(kNom);
        if (m_demon.state() != QProcess::NotRunning) {
            m_demon.terminate();
            m_demon.waitForFinished(3000);
        }
    }

    // "" when the bus cannot be started (dbus-daemon missing).
    QString demarrer()
    {
        m_demon.setProgram(QStringLiteral("dbus-daemon"));
        m_demon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                              QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        // Run as root, it says on every start that it cannot raise its file
        // limit: nothing the user can act on.
        m_demon.setStandardErrorFile(QProcess::nullDevice());
        finirAvecLeParent(m_demon);
        m_demon.start();
        if (!m_demon.waitForStarted(5000))
            return {};
        while (!m_demon.canReadLine() && m_demon.waitForReadyRead(5000)) {
        }
        return QString::fromUtf8(m_demon.readLine()).trimmed();
    }

    static constexpr const char* kNom = "pavaccam-demo";

private:
    QProcess m_demon;
};

// The server the demonstration starts on its bus; stopped if still running
// when the demonstration ends (on EndCCAM it has already ended by itself).
class ServeurPrive
{
public:
    ~ServeurPrive()
    {
        if (m_processus.state() == QProcess::NotRunning)
            return;
        m_processus.terminate();
        if (!m_processus.waitForFinished(3000)) {
            m_processus.kill();
            m_processus.waitForFinished(1000);
        }
    }

    bool demarrer(const QString& programme, const QProcessEnvironment& env)
    {
        m_processus.setProgram(programme);
        m_processus.setProcessEnvironment(env);
        m_processus.setStandardOutputFile(QProcess::nullDevice());
        // What the server says goes where the demonstration's own messages go.
        m_processus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        finirAvecLeParent(m_processus);
        m_processus.start();
        return m_processus.waitForStarted(5000);
    }

    bool attendreFin(int ms) { return m_processus.waitForFinished(ms); }

private:
    QProcess m_processus;
};

} // namespace

bool affichageDisponible()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
}

int commandeDemo(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QString dossier = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/pavaccam/demo");
    QStringList args = arguments;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--dossier") && !args.isEmpty()) {
            dossier = args.takeFirst();
        } else {
            err << "pavaccam demo : option inconnue ou incomplète « " << option << " ».\n";
            return client::kUsage;
        }
    }

    if (!affichageDisponible()) {
        err << "pavaccam demo : aucun affichage graphique n'est disponible (DISPLAY et "
               "WAYLAND_DISPLAY sont vides), la fenêtre de cotation ne peut donc pas "
               "s'ouvrir.\nLancez la démonstration depuis une session de bureau.\n";
        return client::kUsage;
    }

    dossier = QDir(dossier).absolutePath();
    OptionsJeuDeDonnees options;
    options.repertoireData = dossier + QStringLiteral("/data");
    options.repertoireRsc = dossier + QStringLiteral("/rsc");
    options.repertoireSrt = dossier + QStringLiteral("/srt");
    options.repertoireProfil = dossier + QStringLiteral("/etc");
    const BilanJeuDeDonnees bilan = creerJeuDeDonnees(options);
    if (!bilan.reussi) {
        err << "pavaccam demo : " << bilan.erreur << "\n";
        return client::kErreurServeur;
    }
    if (!bilan.crees.isEmpty())
        err << "Jeu de démonstration créé dans " << dossier << ".\n";
    else
        err << "Jeu de démonstration : " << dossier << ".\n";
    QDir().mkpath(dossier + QStringLiteral("/home"));

    BusPrive prive;
    const QString adresse = prive.demarrer();
    if (adresse.isEmpty()) {
        err << "pavaccam demo : le bus privé de la démonstration n'a pas pu être démarré "
               "(dbus-daemon, paquet dbus).\n";
        return client::kInjoignable;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(adresse, QLatin1String(BusPrive::kNom));
    if (!bus.isConnected()) {
        err << "pavaccam demo : le bus privé de la démonstration est injoignable ("
            << bus.lastError().message() << ").\n";
        return client::kInjoignable;
    }

    // The server reads the demonstration's profile and lives on its bus.
    const QString serveur = serveurAProximite();
    if (serveur.isEmpty()) {
        err << "pavaccam demo : le programme pavaccam-server est introuvable.\n";
        return client::kInjoignable;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PAVACCAM_SYSCONFDIR"), options.repertoireProfil);
    env.insert(QStringLiteral("PAVACCAM_HOME"), dossier + QStringLiteral("/home"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), adresse);
    ServeurPrive processus;
    if (!processus.demarrer(serveur, env) || !attendreService(bus, 15000)) {
        err << "pavaccam demo : le serveur PavaCCAM (" << serveur << ") n'a pas pu être démarré.\n";
        return client::kInjoignable;
    }

    const QString chemin = client::creerObjet(bus, err);
    if (chemin.isEmpty())
        return client::kInjoignable;
    err << "La fenêtre de cotation est ouverte : cotez puis validez (F12) ou annulez "
           "(Échap).\n";
    err.flush();
    QDBusMessage appel = QDBusMessage::createMethodCall(QLatin1String(bus::kService), chemin,
                                                        QLatin1String(bus::kInterfaceLectureCCAM),
                                                        QStringLiteral("GetCotationCCAM"));
    appel.setArguments({QStringLiteral("DEMO"), QStringLiteral("1"), options.repertoireData,
                        options.repertoireData, QString(), options.repertoireRsc});
    const QDBusMessage reponse = bus.call(appel, QDBus::Block, bus::kDelaiFenetreMs);
    int statut = client::kSucces;
    if (reponse.type() == QDBusMessage::ReplyMessage && !reponse.arguments().isEmpty()) {
        const QString cotation = reponse.arguments().first().toString();
        if (cotation.isEmpty())
            err << "Cotation annulée : le serveur a renvoyé une chaîne vide.\n";
        else
            err << "Cotation renvoyée :\n";
        out << cotation << "\n";
        out.flush();
    } else {
        err << "pavaccam demo : " << client::messageErreur(reponse) << "\n";
        statut = client::serveurParti(reponse) ? client::kInjoignable : client::kErreurServeur;
    }

    // The server this demonstration started ends with it (and with its bus).
    bus.call(QDBusMessage::createMethodCall(QLatin1String(bus::kService), chemin,
                                            QLatin1String(bus::kInterfaceLectureCCAM),
                                            QStringLiteral("EndCCAM")),
             QDBus::Block, 5000);
    // One more round trip: the bus thread is done with EndCCAM's answer
    // before the connection goes.
    bus.call(QDBusMessage::createMethodCall(
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")),
             QDBus::Block, 2000);
    processus.attendreFin(3000);
    return statut;
}

} // namespace pava
