#pragma once

// What the bus tests share: the product's bus names, the command-line tool
// run as a host script runs it, calls on the private session bus, and a
// virtual display where keys are pressed and buttons clicked in the server's
// real windows.

#include "TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace pava::test {

inline const QString kService = QStringLiteral("org.pavaccam.PavaCCAM");
inline const QString kFabrique = QStringLiteral("/org/pavaccam/PavaCCAM");
inline const QString kIFabrique = QStringLiteral("org.pavaccam.PavaCCAM.Factory");
inline const QString kILecture = QStringLiteral("org.pavaccam.PavaCCAM.LectureCCAM");

struct Sortie
{
    int code = -1;
    QString out;
    QString err;
};

// The command-line tool, as a host script runs it (killed past the delay).
inline Sortie cli(const QStringList& arguments, int delaiMs = 30000)
{
    QProcess p;
    p.start(QStringLiteral(PAVACCAM_CLI), arguments);
    const bool fini = p.waitForFinished(delaiMs);
    if (!fini) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
            QString::fromUtf8(p.readAllStandardOutput()),
            fini ? QString::fromUtf8(p.readAllStandardError()) : QStringLiteral("délai dépassé")};
}

inline QDBusConnection bus()
{
    return QDBusConnection::sessionBus();
}

inline bool serveurPresent()
{
    return bus().interface()->isServiceRegistered(kService).value();
}

inline uint pidServeur()
{
    return bus().interface()->servicePid(kService).value();
}

inline bool processusVivant(uint pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray ligne = stat.readAll();
    const int fin = ligne.lastIndexOf(')');
    return fin > 0 && ligne.size() > fin + 2 && ligne.at(fin + 2) != 'Z';
}

inline QDBusMessage appel(const QString& chemin, const QString& interface, const QString& membre,
                          const QVariantList& arguments = {})
{
    QDBusMessage m = QDBusMessage::createMethodCall(kService, chemin, interface, membre);
    m.setArguments(arguments);
    return m;
}

// An object's property as text ("" when it cannot be read).
inline QString propriete(const QString& chemin, const QString& nom)
{
    const QDBusMessage lu = bus().call(
        appel(chemin, QStringLiteral("org.freedesktop.DBus.Properties"), "Get", {kILecture, nom}));
    return lu.arguments().value(0).value<QDBusVariant>().variant().toString();
}

inline QString creerObjet(QDBusConnection c = bus())
{
    const QDBusReply<QDBusObjectPath> r = c.call(appel(kFabrique, kIFabrique, "CreateObject"));
    return r.isValid() ? r.value().path() : QString();
}

// Ends the server if one runs, as a host would: EndCCAM.
inline void arreterServeur()
{
    if (!serveurPresent())
        return;
    const uint pid = pidServeur();
    const QString chemin = creerObjet();
    bus().call(appel(chemin, kILecture, "EndCCAM"), QDBus::Block, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!serveurPresent(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!processusVivant(pid), 5000);
}

// What gives a server the test's own world (profile, home, settings), with
// windows drawn off screen.
inline QMap<QString, QString> mondeDuTest(const IsolatedEnvironment& env)
{
    return {{QStringLiteral("PAVACCAM_SYSCONFDIR"), env.sysconf()},
            {QStringLiteral("PAVACCAM_HOME"), env.home()},
            {QStringLiteral("XDG_CONFIG_HOME"), env.settings()},
            {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}};
}

// The servers the private bus starts from now on get these variables (the
// test's own profile, home, settings...), as a desktop session gives its own.
inline bool environnementActivation(const QMap<QString, QString>& variables)
{
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const QString dbus = QStringLiteral("org.freedesktop.DBus");
    const QDBusMessage reponse =
        bus().call(QDBusMessage::createMethodCall(dbus, "/org/freedesktop/DBus", dbus,
                                                  "UpdateActivationEnvironment")
                   << QVariant::fromValue(variables));
    return reponse.type() == QDBusMessage::ReplyMessage;
}

// A server's environment when a test starts it by hand: the test's world
// (the variables given), on a virtual X display when one is named.
inline QProcessEnvironment environnementServeur(const QMap<QString, QString>& variables,
                                                const QString& affichage = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        env.insert(it.key(), it.value());
    if (!affichage.isEmpty()) {
        env.insert(QStringLiteral("DISPLAY"), affichage);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    return env;
}

// Starts a server by hand and waits for its bus name.
inline void lancerServeur(QProcess& serveur, const QString& programme,
                          const QProcessEnvironment& env)
{
    serveur.setProcessEnvironment(env);
    serveur.start(programme);
    QVERIFY(serveur.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(serveurPresent(), 10000);
}

// A virtual display with xdotool to press keys and click in it, when both
// are installed.
class EcranVirtuel
{
public:
    bool demarrer()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || m_xdotool.isEmpty())
            return false;
        m_x.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (!m_x.waitForStarted())
            return false;
        QElapsedTimer chrono;
        chrono.start();
        while (!m_x.canReadLine() && chrono.elapsed() < 10000)
            m_x.waitForReadyRead(200);
        if (!m_x.canReadLine())
            return false;
        m_affichage = QLatin1Char(':') + QString::fromLatin1(m_x.readLine()).trimmed();
        return true;
    }
    ~EcranVirtuel()
    {
        m_x.terminate();
        m_x.waitForFinished(3000);
    }
    QString affichage() const { return m_affichage; }

    // Waits for a window whose title matches to be shown, gives it the focus
    // and presses the keys (xdotool's names: "Return", "Tab", "F12", "1").
    bool touches(const QString& titre, const QStringList& noms)
    {
        const QString f = fenetre(titre);
        return !f.isEmpty() &&
               xdotool(QStringList{"windowfocus", "--sync", f, "key", "--delay", "60"} + noms);
    }
    // The same with clicks (count 2: a double-click) at a point of the
    // window's inside.
    bool clic(const QString& titre, int x, int y, int fois = 1)
    {
        const QString f = fenetre(titre);
        return !f.isEmpty() && xdotool({"mousemove", "--sync", "--window", f, QString::number(x),
                                        QString::number(y), "click", "--repeat",
                                        QString::number(fois), "--delay", "80", "1"});
    }

    // Whether a window of that title shows now (no waiting).
    bool presente(const QString& titre)
    {
        QString sortie;
        return xdotool({"search", "--onlyvisible", "--name", titre}, &sortie) &&
               !sortie.trimmed().isEmpty();
    }

private:
    QString fenetre(const QString& titre)
    {
        QString sortie;
        xdotool({"search", "--sync", "--onlyvisible", "--name", titre}, &sortie, 20000);
        return sortie.split('\n').first();
    }
    bool xdotool(const QStringList& arguments, QString* sortie = nullptr, int delaiMs = 10000)
    {
        QProcess outil;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_affichage);
        outil.setProcessEnvironment(env);
        outil.start(m_xdotool, arguments);
        const bool ok = outil.waitForFinished(delaiMs) && outil.exitCode() == 0;
        if (sortie)
            *sortie = QString::fromLatin1(outil.readAllStandardOutput());
        // Let the server's window handle what was just sent.
        QTest::qWait(300);
        return ok;
    }

    QProcess m_x;
    QString m_xdotool;
    QString m_affichage;
};

} // namespace pava::test
