// pavaccam-server: the automation server a host application reaches on the
// session bus (org.pavaccam.PavaCCAM). The bus starts it on the first call
// through its activation file; it then serves every host object until a host
// ends it (EndCCAM), a release after a failed validation ends it, or its bus
// goes away.
#include "host/dbus/NomsBus.h"
#include "host/dbus/ServeurBus.h"
#include "session/Chemins.h"
#include "session/Session.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QTextStream>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kAide =
    "Utilisation : pavaccam-server [--delai-abandon SECONDES]\n"
    "\n"
    "Serveur d'automatisation PavaCCAM sur le bus de session D-Bus (nom %s).\n"
    "Le bus le démarre lui-même au premier appel ; les hôtes l'appellent par\n"
    "« pavaccam call » ou directement par D-Bus.\n"
    "\n"
    "Options :\n"
    "  --delai-abandon SECONDES\n"
    "                       durée pendant laquelle un objet survit à la connexion\n"
    "                       de son hôte (60 par défaut ; 0 : aucune ; au plus\n"
    "                       86400, un jour)\n"
    "  --help               affiche cette aide\n"
    "  --version            affiche la version\n";

} // namespace

int main(int argc, char* argv[])
{
    // Answered before any window system is touched (manual pages are made
    // from these two at build time).
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(kAide, pava::bus::kService);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("pavaccam-server " PAVACCAM_VERSION "\n", stdout);
            return 0;
        }
    }

    // Started by a bus without any display (a headless session), the server
    // still answers the look-ups, on Qt's offscreen platform.
    const bool sansAffichage = qEnvironmentVariableIsEmpty("DISPLAY") &&
                               qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                               qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (sansAffichage)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    pava::ObjetLectureCCAM::setFenetresPossibles(!sansAffichage);
    // A session without a runtime directory (a bus started by hand, a
    // service account) gets a private one, as Qt would make after a warning
    // printed at every start.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray prive =
            QDir::tempPath().toUtf8() + "/runtime-" + QByteArray::number(::getuid());
        // One left by an earlier start is taken only when it is ours and
        // private (in a shared /tmp, someone else may have made it first).
        struct stat etat
        {};
        if (::mkdir(prive.constData(), 0700) == 0 ||
            (errno == EEXIST && ::lstat(prive.constData(), &etat) == 0 && S_ISDIR(etat.st_mode) &&
             etat.st_uid == ::getuid() && (etat.st_mode & 0777) == 0700))
            qputenv("XDG_RUNTIME_DIR", prive);
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("PavaCCAM"));
    QApplication::setApplicationName(QStringLiteral("PavaCCAM"));
    // The windows come and go; the server stays until a host ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    QTextStream err(stderr);
    std::chrono::milliseconds delaiAbandon = std::chrono::minutes(1);
    if (const qsizetype i = app.arguments().indexOf(QLatin1String("--delai-abandon")); i >= 0) {
        // Counted in 64 bits, and bounded: a delay beyond a day would not fit
        // a timer and would release the objects at once.
        constexpr qint64 maximum = pava::FabriqueLectureCCAM::kDelaiAbandonMaximum.count();
        bool ok = false;
        const qint64 secondes = app.arguments().value(i + 1).toLongLong(&ok);
        if (!ok || secondes < 0 || secondes > maximum) {
            err << "pavaccam-server : --delai-abandon attend un nombre de secondes de 0 à "
                << maximum << " (un jour).\n";
            return 2;
        }
        delaiAbandon = std::chrono::seconds(secondes);
    }

#ifdef PAVACCAM_CROCHETS_ESSAI
    // Test build only: start as if a validation had already failed, so that
    // the release rule can be checked without driving the workspace.
    if (qEnvironmentVariableIntValue("PAVACCAM_ESSAI_FIN_SUR_TERMINAISON") == 1)
        pava::session().FinSurTerminaison = true;
#endif

    // An installed server says at once, in the system log too, when the
    // practice's shared home cannot be used.
    pava::setAvertissementJournalSysteme(true);
    pava::repertoireProgramme();

    QDBusConnection bus = QDBusConnection::sessionBus();
    pava::FabriqueLectureCCAM fabrique(bus);
    fabrique.setDelaiAbandon(delaiAbandon);
    QString erreur;
    if (!fabrique.publier(&erreur)) {
        err << "pavaccam-server : " << erreur << "\n";
        return 1;
    }

    // A server never outlives its bus: nobody could reach it any more.
    QTimer veille;
    QObject::connect(&veille, &QTimer::timeout, &app, [&bus]() {
        if (!bus.isConnected())
            QCoreApplication::exit(0);
    });
    veille.start(2000);

    return app.exec();
}
