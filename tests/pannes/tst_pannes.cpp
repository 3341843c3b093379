// Saves and imports killed at random, full disk, read-only or bad databases:
// the user's data stays whole, the user is told in French, the log says why.
#include "Pannes.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "db/DataControl.h"
#include "practice/ActesComposes.h"
#include "practice/FichiersComplements.h"
#include "practice/Historique.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "workspace/FormMain.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace pava;

namespace {

constexpr int kCoupures = 50;

// The demonstration edition, under another version number.
QByteArray edition(int version)
{
    QByteArray e = test::readFile(QStringLiteral(PAVACCAM_SOURCE_DATA_DIR "/demo/ccam-demo.csv"));
    return e.replace("CCAM version 1 ", "CCAM version " + QByteArray::number(version) + ' ');
}

} // namespace

class TstPannes : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    QRandomGenerator m_alea{QRandomGenerator::securelySeeded()};

    // "pavaccam reference import" on edition version, in the test's srt: set
    // up by avant, killed after a while when microsecondes is not negative.
    int importer(int version, const std::function<void(QProcess&)>& avant = {},
                 QString* erreurs = nullptr, int microsecondes = -1)
    {
        const QString fichier = m_env->root() + QStringLiteral("/edition-%1.csv").arg(version);
        if (!QFileInfo::exists(fichier))
            test::writeFile(fichier, edition(version));
        QProcess p; // in this test's home, as its environment says
        if (avant)
            avant(p);
        p.start(QStringLiteral(PAVACCAM_CLI),
                {"reference", "import", fichier, "--srt", m_env->root() + "/srt", "--nouveau"});
        if (microsecondes >= 0 && p.waitForStarted())
            test::tuerApres(p, microsecondes);
        p.waitForFinished(30000);
        if (erreurs)
            *erreurs = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString reference() const { return m_env->root() + QStringLiteral("/srt/srt/CCAM.mdb"); }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        reinitialiserSession();
        ui::oublierReponses();
        ui::viderJournal();
    }
    void cleanup() { m_env.reset(); }

    // The catalogue saved again and again and killed at random: every read
    // afterwards finds one whole catalogue, the previous or the new one.
    void catalogueTueAuHasard()
    {
        int enCours = 0;
        for (int i = 0; i < kCoupures; ++i) {
            QProcess p;
            p.start(QStringLiteral(PAVACCAM_ESSAI_CATALOGUE));
            QVERIFY(p.waitForStarted());
            test::tuerApres(p, m_alea.bounded(2000, 60000));
            enCours +=
                QDir(m_env->home()).entryList({"*.nouveau", "*.remplacer"}).isEmpty() ? 0 : 1;

            for (int k = 1; k <= 3; ++k)
                session().TitresOnglets[k].clear();
            GetActeComplementaire();
            QSet<QString> versions;
            for (int k = 1; k <= 3; ++k) {
                versions << session().TitresOnglets[k];
                for (int r = 1; r <= 8; ++r)
                    for (int c = 1; c <= 3; ++c)
                        versions << complements::tableOnglet(k)[r][c];
            }
            QVERIFY2(versions.size() == 1, qPrintable(QStringList(versions.values()).join(' ')));
            QVERIFY(QDir(m_env->home()).entryList({"*.nouveau", "*.remplacer"}).isEmpty());
        }
        qInfo("PANNES catalogue : %d coupures, %d au milieu d'une sauvegarde, 0 mélange", kCoupures,
              enCours);
    }

    // The reference import killed at random: the reference is the previous
    // one, byte for byte, or the new one complete; the next import works.
    void importTueAuHasard()
    {
        QCOMPARE(importer(1), 0);
        const QStringList actes =
            test::colonne(reference(), QStringLiteral("SELECT count(*) FROM acte"));
        QElapsedTimer chrono;
        chrono.start();
        QCOMPARE(importer(2), 0);
        const qint64 duree = chrono.nsecsElapsed() / 1000;
        int anciennes = 0;
        for (int i = 0; i < kCoupures; ++i) {
            const int version = 1 + i % 2;
            const QByteArray avant = test::empreinte({reference()});
            importer(version, {}, nullptr, m_alea.bounded(qMax<qint64>(duree * 6 / 5, 1000)));
            if (test::empreinte({reference()}) == avant) {
                ++anciennes;
                continue;
            }
            QCOMPARE(test::colonne(reference(), "PRAGMA integrity_check"), QStringList{"ok"});
            QCOMPARE(test::ligne(reference(), "SELECT (SELECT version FROM edition), count(*) "
                                              "FROM acte"),
                     (QStringList{QString::number(version)} + actes));
        }
        QCOMPARE(importer(1), 0);
        qInfo("PANNES import : %d coupures, %d avant le remplacement, 0 mélange", kCoupures,
              anciennes);
    }

    // A disk that fills up or a read-only directory: the import stops, says
    // why in French and in the error log, and the reference stays as it was.
    void importImpossible_data()
    {
        QTest::addColumn<bool>("disquePlein");
        test::rangee("disque plein", true);
        test::rangee("répertoire en lecture seule", false);
    }
    void importImpossible()
    {
        QFETCH(bool, disquePlein);
        QCOMPARE(importer(1), 0);
        const QByteArray avant = test::empreinte({reference()});
        const QString dossier = m_env->root() + QStringLiteral("/srt/srt");
        if (!disquePlein)
            QVERIFY(QFile::setPermissions(dossier, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QString erreurs;
        const auto panne = [disquePlein](QProcess& p) {
            disquePlein ? test::limiterEnfant(p, 64 * 1024) : test::enfantSansPasseDroits(p);
        };
        const int code = importer(2, panne, &erreurs);
        QFile::setPermissions(dossier, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        QCOMPARE(code, 1);
        QVERIFY2(erreurs.contains(QStringLiteral("Échec de l'import")), qPrintable(erreurs));
        QCOMPARE(test::empreinte({reference()}), avant);
        QVERIFY(test::journalErreurs("pavaccam").contains("Procedure pavaccam reference import"));
        QCOMPARE(importer(2), 0);
    }

    // A bad practitioner's database or coding history: the workspace opens,
    // names the file and why, never writes over it, and logs the reason.
    void basesDeLEspaceDeTravail_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("etat");
        QTest::addColumn<QString>("motif");
        for (const QString base : {"CCAM001.mdb", "Cotation.mdb"})
            for (const auto& [etat, motif] : {std::pair{"absente", "introuvable"},
                                              {"abimee", "reconnue"},
                                              {"vide", "vide"},
                                              {"endommagee", "endommag"},
                                              {"verrouillee", "verrouill"},
                                              {"lecture", ""}})
                QTest::addRow("%s %s", qPrintable(base), etat) << base << etat << motif;
    }
    void basesDeLEspaceDeTravail()
    {
        QFETCH(QString, base);
        QFETCH(QString, etat);
        QFETCH(QString, motif);
        const test::JeuEssai jeu = test::creerJeuEssai(*m_env);
        QVERIFY2(jeu.erreur.isEmpty(), qPrintable(jeu.erreur));
        const bool utilisateur = base == u"CCAM001.mdb";
        const QString fichier = (utilisateur ? jeu.data : jeu.rsc) + QLatin1Char('/') + base;
        if (etat == u"absente")
            QFile::remove(fichier);
        else if (etat == u"abimee")
            QVERIFY(test::writeFile(fichier, QByteArray(8192, '\x5a')));
        else if (etat == u"vide")
            QVERIFY(test::writeFile(fichier, {}));
        else if (etat == u"endommagee") // its first page whole, its tables' pages not
            QVERIFY(test::writeFile(fichier,
                                    test::readFile(fichier).left(4096) + QByteArray(8192, '\x5a')));
        const QByteArray avant = test::readFile(fichier);

        QProcess verrou;
        std::optional<test::SansPasseDroits> sansPasseDroits;
        if (etat == u"verrouillee") {
            if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
                QSKIP("sqlite3 n'est pas installé");
            QVERIFY(test::verrouiller(verrou, fichier));
        } else if (etat == u"lecture") {
            QVERIFY(QFile::setPermissions(fichier, QFileDevice::ReadOwner));
            sansPasseDroits.emplace();
        }
        historique::setAttente(300);

        FormMain w;
        w.show();
        if (utilisateur) {
            // The banner says what is wrong and with which file; a locked
            // database is waited for, a damaged one is not written to.
            QVERIFY2(w.problemeBase().contains(motif) && w.problemeBase().contains(fichier),
                     qPrintable(w.problemeBase()));
            QCOMPARE(w.attendLaBase(), etat == u"verrouillee");
            w.CCAMMDB(2)->refresh();
            QVERIFY(!composes::ajouter(*w.CCAMMDB(2), QStringLiteral("Bras"), QStringLiteral("C")));
        } else {
            QVERIFY(w.problemeBase().isEmpty());
            ui::repondreProchaine([](ui::Demande&) { return QMessageBox::Ok; });
            w.Ajoute_CCAM(QStringLiteral("QZJA00210____1§30.00§30.00§Suture"));
            QCOMPARE(ui::reponsesEnAttente(), 0);
            QVERIFY2(ui::journalMessages().value(0).contains(motif) &&
                         ui::journalMessages().value(0).contains(fichier),
                     qPrintable(ui::journalMessages().value(0)));
        }
        QVERIFY(test::journalErreurs().contains(utilisateur ? "Procedure Form_Load"
                                                            : "Procedure Ajoute_CCAM"));
        if (utilisateur && etat == u"verrouillee") {
            QTest::qWait(2200); // two tries more, still locked: still waiting, logged once
            QVERIFY(w.attendLaBase() && w.problemeBase().contains(fichier));
        }
        QCOMPARE(test::readFile(fichier), avant);
        sansPasseDroits.reset();
        verrou.closeWriteChannel();
        verrou.waitForFinished(5000);
        if (utilisateur && etat == u"verrouillee") {
            // Once the other workstation lets go, the waiting window gets the
            // database: the banner goes, the lists fill.
            QTRY_VERIFY_WITH_TIMEOUT(!w.attendLaBase(), 5000);
            QCOMPARE(w.problemeBase(), QString());
            QVERIFY(w.CCAMMDB(0)->recordCount() > 0);
            QCOMPARE(test::journalErreurs().count("Procedure Form_Load"), 1);
        }
        w.reject();
        if (etat != u"verrouillee")
            QCOMPARE(test::readFile(fichier), avant);
        if (etat == u"absente")
            QVERIFY(!QFileInfo::exists(fichier));
    }
};

QTEST_MAIN(TstPannes)
#include "tst_pannes.moc"
