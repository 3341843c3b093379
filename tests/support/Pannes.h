#pragma once

// Faults a test inflicts on the program: a directory root could still write
// into, a disk that fills up, a database another workstation holds, a child
// process killed at a given moment. Header-only, for the tests that need them.

#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace pava::test {

// Root writes into any directory. For the life of this object the process
// gives that power up, so that a read-only directory is one for it too.
class SansPasseDroits
{
public:
    SansPasseDroits()
    {
        if (::geteuid() != 0 || ::syscall(SYS_capget, &m_entete, m_avant) != 0)
            return;
        __user_cap_data_struct apres[2] = {m_avant[0], m_avant[1]};
        apres[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_retire = ::syscall(SYS_capset, &m_entete, apres) == 0;
    }
    ~SansPasseDroits()
    {
        if (m_retire)
            ::syscall(SYS_capset, &m_entete, m_avant);
    }

private:
    __user_cap_header_struct m_entete{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_avant[2]{};
    bool m_retire = false;
};

// A disk that fills up: no file can grow beyond the given size (writes past
// it fail with "file too large" instead of killing the process).
class DisquePresquePlein
{
public:
    explicit DisquePresquePlein(rlim_t octets)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_avant);
        const rlimit limite{octets, m_avant.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~DisquePresquePlein() { ::setrlimit(RLIMIT_FSIZE, &m_avant); }

private:
    rlimit m_avant{};
};

// The same two faults for a child process, set between fork and exec.
inline void limiterEnfant(QProcess& p, rlim_t octets)
{
    p.setChildProcessModifier([octets] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limite{octets, octets};
        ::setrlimit(RLIMIT_FSIZE, &limite);
    });
}
inline void enfantSansPasseDroits(QProcess& p)
{
    // Dropped from the bounding set, the power is not given back by exec.
    p.setChildProcessModifier([] { ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0); });
}

// Kills a child once it has run for a while: QProcess does the rest.
inline void tuerApres(QProcess& p, int microsecondes)
{
    QThread::usleep(static_cast<unsigned long>(microsecondes));
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(5000);
}

// Another workstation: sqlite3 holding a write transaction on a database,
// for the given seconds (then rolled back, or committed when the transaction
// is given: its opening and its writes), else until its input is closed.
// False when sqlite3 is missing or did not get the lock.
inline bool verrouiller(QProcess& autre, const QString& fichier, double secondes = -1,
                        const QString& transaction = QString())
{
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty())
        return false;
    autre.start(sqlite3, {fichier});
    autre.write(transaction.isEmpty() ? QByteArray("BEGIN EXCLUSIVE; CREATE TABLE verrou (x);")
                                      : transaction.toUtf8());
    autre.write(" SELECT 'pris';\n");
    if (secondes >= 0) {
        autre.write(QStringLiteral(".shell sleep %1\n%2;\n")
                        .arg(secondes)
                        .arg(transaction.isEmpty() ? "ROLLBACK" : "COMMIT")
                        .toUtf8());
        autre.closeWriteChannel();
    }
    return autre.waitForReadyRead(5000);
}

} // namespace pava::test
