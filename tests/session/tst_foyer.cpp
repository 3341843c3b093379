// A link, named pipe or hard link planted in the shared home: nothing read,
// written or waited on, refusal told in French; created files are 0660.
#include "TestSupport.h"

#include "log/ErrorLog.h"
#include "practice/FichiersComplements.h"
#include "session/Chemins.h"
#include "session/Session.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pava;
using complements::Etape;
using test::rangee;

namespace {

int droits(const QString& chemin)
{
    struct stat etat
    {};
    return ::lstat(QFile::encodeName(chemin).constData(), &etat) == 0 ? int(etat.st_mode & 07777)
                                                                      : -1;
}

} // namespace

class TstFoyer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void piegeRefuse_data()
    {
        QTest::addColumn<QString>("fichier"); // under the test's root; "$journal": the error log
        QTest::addColumn<QString>("piege");   // lien, physique, tube, tube-lu (a reader waits)
        QTest::addColumn<QString>("action");  // journal, lecture, sauvegarde, profil
        QTest::addColumn<QString>("message"); // what the refusal says ("" = nothing to say)
        const QString lien = QStringLiteral("est un lien symbolique");
        const QString pasOrdinaire = QStringLiteral("n'est pas un fichier ordinaire");
        rangee("journal : tube sans lecteur", "$journal", "tube", "journal", pasOrdinaire);
        rangee("journal : tube lu par un collègue", "$journal", "tube-lu", "journal", pasOrdinaire);
        rangee("journal : lien vers un fichier privé", "$journal", "lien", "journal", lien);
        rangee("journal : second nom d'un fichier", "$journal", "physique", "journal",
               QStringLiteral("lien physique"));
        rangee("catalogue : lien vers un fichier privé", "home/Complt1.txt", "lien", "lecture",
               lien);
        rangee("catalogue : tube", "home/Complt2.txt", "tube", "lecture", pasOrdinaire);
        rangee("catalogue : lien enregistré par-dessus", "home/Complt1.txt", "lien", "sauvegarde",
               "");
        rangee("nouveau catalogue : lien", "home/Complt3.txt.nouveau", "lien", "sauvegarde", "");
        rangee("marque de remplacement : lien", "home/Complt.remplacer", "lien", "sauvegarde", "");
        rangee("profil : tube", "etc/Pavareg.reg", "tube", "profil", pasOrdinaire);
        rangee("profil : lien vers un profil", "etc/Pavareg.reg", "lien", "profil", lien);
    }
    void piegeRefuse()
    {
        QFETCH(QString, fichier);
        QFETCH(QString, piege);
        QFETCH(QString, action);
        QFETCH(QString, message);
        test::IsolatedEnvironment env;
        reinitialiserSession();
        QStringList avertissements;
        setAvertisseur([&](const QString& texte) { avertissements << texte; });
        const mode_t umaskAvant = ::umask(022);

        // A colleague's private file, and what the trap points at.
        const QString secret = env.root() + QStringLiteral("/prive/secret.txt");
        const QByteArray contenuSecret = "[API_Sesam]\r\nPath=/secret\r\nsecret du collègue\r\n";
        QVERIFY(test::writeFile(secret, contenuSecret));
        QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));
        const QString chemin = fichier == u"$journal" ? journal::cheminJournal()
                                                      : env.root() + QLatin1Char('/') + fichier;
        const QByteArray nom = QFile::encodeName(chemin);
        const QByteArray cible = QFile::encodeName(secret);
        auto planter = [&] {
            if (piege == u"lien")
                return ::symlink(cible.constData(), nom.constData()) == 0;
            if (piege == u"physique")
                return ::link(cible.constData(), nom.constData()) == 0;
            return ::mkfifo(nom.constData(), 0660) == 0;
        };
        // The save's own files are planted while it runs, at the moment
        // before it creates them (a save removes what an earlier one left).
        const bool pendant = action == u"sauvegarde" && !fichier.endsWith(u".txt");
        const Etape etape = fichier.endsWith(u".nouveau") ? Etape::EcritureCopie : Etape::Marque;
        bool plante = false;
        complements::interrompreSauvegarde([&](Etape e, int) {
            if (pendant && !plante && e == etape)
                plante = planter();
            return false;
        });
        if (!pendant)
            QVERIFY(planter());
        int lecteur = -1;
        if (piege == u"tube-lu")
            QVERIFY((lecteur = ::open(nom.constData(), O_RDONLY | O_NONBLOCK)) >= 0);

        QString dit;
        if (action == u"journal") {
            QString desc = QStringLiteral("erreur d'essai");
            LogErreur(57, desc, QStringLiteral("Essai"), QString());
            dit = avertissements.join(QLatin1Char('\n'));
        } else if (action == u"lecture") {
            GetActeComplementaire(&dit);
            QVERIFY2(test::journalErreurs().contains(message), qPrintable(test::journalErreurs()));
        } else if (action == u"sauvegarde") {
            GetActeComplementaire();
            session().TitresOnglets[1] = QStringLiteral("Titre changé");
            QVERIFY(PutActeComplementaire(&dit));
            QVERIFY(plante || !pendant);
            // The catalogue is the program's own files now, made for the group.
            for (int k = 1; k <= 3; ++k)
                QCOMPARE(droits(env.home() + QStringLiteral("/Complt%1.txt").arg(k)), 0660);
            QVERIFY(!test::readFile(env.home() + "/Complt1.txt").contains("secret"));
        } else {
            QCOMPARE(LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path")), QString());
            dit = anomalieProfil();
        }
        ::umask(umaskAvant);
        setAvertisseur({});
        complements::interrompreSauvegarde({});

        if (message.isEmpty())
            QCOMPARE(dit, QString());
        else
            QVERIFY2(dit.contains(message) && dit.contains(chemin), qPrintable(dit));
        // Nothing read: no tab shows the secret.
        for (int k = 1; k <= 3; ++k)
            for (int r = 1; r <= 8; ++r)
                QVERIFY(!complements::tableOnglet(k)[r][1].contains("secret"));
        // Nothing written: the private file is as it was, and still private.
        QCOMPARE(test::readFile(secret), contenuSecret);
        QCOMPARE(droits(secret), 0600);
        if (lecteur >= 0) {
            char octet;
            QCOMPARE(::read(lecteur, &octet, 1), ssize_t(0)); // no writer ever came
            ::close(lecteur);
        }
    }
};

QTEST_GUILESS_MAIN(TstFoyer)
#include "tst_foyer.moc"
