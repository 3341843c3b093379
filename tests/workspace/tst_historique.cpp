// The coding history on real SQLite files: each way a recording can go, and
// what a missing, damaged or locked history does.
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "coding/Windows1252.h"
#include "log/ErrorLog.h"
#include "workspace/Historique.h"

#include <QDate>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace pava;
using test::rangee;

namespace {

const QString kJeton = QStringLiteral("QZJA00210____1");

QString record(const QString& secu, const QString& reel = QStringLiteral("30.00"),
               const QString& libelle = QStringLiteral("Suture"))
{
    return kJeton + QChar(0xA7) + reel + QChar(0xA7) + secu + QChar(0xA7) + libelle;
}

} // namespace

class TstHistorique : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    QString m_base;
    const QDate m_jour = QDate(2026, 3, 10);

    QString dates() const
    {
        return test::colonne(m_base, QStringLiteral("SELECT date_valid || '=' || cot_secu_e || "
                                                    "'/' || cot_reel_e FROM cotation_date_CCAM "
                                                    "ORDER BY rowid"))
            .join(QLatin1Char(' '));
    }
    QString journal() const { return depuisWindows1252(test::readFile(journal::cheminJournal())); }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        m_base = historique::cheminBase(m_env->root());
        QVERIFY(test::creerHistorique(m_base, {}));
        historique::setAttente(5000);
    }
    void cleanup() { m_env.reset(); }

    // A first recording, then a second one some day with some tariff.
    void suiteDeDeuxEnregistrements_data()
    {
        QTest::addColumn<int>("ecartJours");
        QTest::addColumn<QString>("secu");
        QTest::addColumn<QString>("dates");
        rangee("même prix un autre jour", 5, "24.69", "2026-03-10=24.69/30.0");
        rangee("nouveau prix le même jour : remplacé", 0, "26.60", "2026-03-10=26.6/30.0");
        rangee("nouveau prix un autre jour : ajouté", 1, "26,60",
               "2026-03-10=24.69/30.0 2026-03-11=26.6/30.0");
    }
    void suiteDeDeuxEnregistrements()
    {
        QFETCH(int, ecartJours);
        QFETCH(QString, secu);
        QFETCH(QString, dates);
        QCOMPARE(historique::ajouter(m_base, record("24.69"), m_jour).issue,
                 historique::Bilan::Issue::Enregistre);
        historique::ajouter(m_base, record(secu, "30.00", "Autre"), m_jour.addDays(ecartJours));
        QCOMPARE(this->dates(), dates);
        // The token row is written once, with the first label.
        QCOMPARE(test::colonne(m_base, QStringLiteral("SELECT cot || ' ' || Desc FROM "
                                                      "cotation_table_CCAM")),
                 QStringList{kJeton + QStringLiteral(" Suture")});
    }

    void montantsEnFrancsEtLibelleCoupe()
    {
        const QString libelle(300, QLatin1Char('x'));
        historique::ajouter(m_base, record("1234,56", "1.50", libelle), m_jour);
        const QStringList ligne =
            test::ligne(m_base, QStringLiteral("SELECT cot_secu_e, cot_reel_e, cot_secu, cot_reel, "
                                               "length(Desc) FROM cotation_date_CCAM"));
        QCOMPARE(ligne.value(0).toDouble(), 1234.56);
        QCOMPARE(ligne.value(1).toDouble(), 1.5);
        QCOMPARE(ligne.value(2).toDouble(), 1234.56 * historique::kTauxFranc);
        QCOMPARE(ligne.value(3).toDouble(), 1.5 * historique::kTauxFranc);
        QCOMPARE(ligne.value(4), "255");
        QCOMPARE(test::colonne(m_base, QStringLiteral("SELECT length(Desc) FROM "
                                                      "cotation_table_CCAM")),
                 QStringList{QStringLiteral("255")});
    }

    // Whatever cannot be recorded goes to the error log with its context; the
    // failures before any write are raised so that the window tells the user.
    void echecs_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<int>("issue");
        QTest::addColumn<QString>("dansLeJournal");
        const int remonte = int(historique::Bilan::Issue::Remonte);
        rangee("base absente", "absente", remonte, "Erreur n° 3024");
        rangee("base abîmée", "abimee", remonte, "Erreur n° 3343");
        rangee("tables absentes", "sanstables", remonte, "Erreur n° 3078");
        rangee("acte incomplet", "incomplet", remonte, "Erreur n° 9");
        rangee("nouveau prix refusé par la base", "refus",
               int(historique::Bilan::Issue::Journalise), "Erreur n° 3022");
    }
    void echecs()
    {
        QFETCH(QString, cas);
        QFETCH(int, issue);
        QFETCH(QString, dansLeJournal);
        QString enregistrement = record("24.69");
        if (cas == QLatin1String("absente")) {
            QFile::remove(m_base);
        } else if (cas == QLatin1String("abimee")) {
            QVERIFY(test::writeFile(m_base, QByteArray(4096, '\x5a')));
        } else if (cas == QLatin1String("sanstables")) {
            QFile::remove(m_base);
            QVERIFY(test::executer(m_base, "CREATE TABLE autre (x TEXT)"));
        } else if (cas == QLatin1String("incomplet")) {
            enregistrement = kJeton + QChar(0xA7) + QStringLiteral("24.69");
        } else {
            historique::ajouter(m_base, enregistrement, m_jour);
            for (const char* quoi : {"INSERT", "UPDATE"})
                QVERIFY(test::executer(m_base, QStringLiteral("CREATE TRIGGER refus_%1 BEFORE %1 "
                                                              "ON cotation_date_CCAM BEGIN SELECT "
                                                              "RAISE(ABORT, 'refus'); END")
                                                   .arg(QLatin1String(quoi))));
            enregistrement = record("26.60");
        }
        const QByteArray avant = test::readFile(m_base);
        const historique::Bilan bilan = historique::ajouter(m_base, enregistrement, m_jour);
        QCOMPARE(int(bilan.issue), issue);
        QVERIFY(!bilan.erreur.isEmpty());
        QCOMPARE(test::readFile(m_base), avant);
        const QString log = journal();
        QVERIFY2(log.contains(QStringLiteral("Procedure Ajoute_CCAM : ") + dansLeJournal),
                 qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("    -> Ajout cotation dans la base Cotation.mdb : ") +
                              kJeton),
                 qPrintable(log));
    }

    // Another workstation holding a write transaction: waited for while it
    // lasts less than the wait, reported when it lasts longer.
    void baseVerrouilleeParUnAutreProcessus_data()
    {
        QTest::addColumn<int>("verrouMs");
        QTest::addColumn<int>("attenteMs");
        QTest::addColumn<bool>("enregistre");
        rangee("attendue", 400, 5000, true);
        rangee("trop longue", 1500, 300, false);
    }
    void baseVerrouilleeParUnAutreProcessus()
    {
        QFETCH(int, verrouMs);
        QFETCH(int, attenteMs);
        QFETCH(bool, enregistre);
        const QString sqlite3 = QStandardPaths::findExecutable("sqlite3");
        if (sqlite3.isEmpty())
            QSKIP("sqlite3 n'est pas installé");
        QProcess autre;
        autre.start(sqlite3, {m_base});
        QVERIFY(autre.waitForStarted());
        autre.write(QStringLiteral("BEGIN EXCLUSIVE; INSERT INTO cotation_table_CCAM VALUES "
                                   "('X', 'x'); SELECT 'pris';\n.shell sleep %1\nCOMMIT;\n")
                        .arg(verrouMs / 1000.0)
                        .toUtf8());
        autre.closeWriteChannel();
        QVERIFY(autre.waitForReadyRead(5000));
        historique::setAttente(attenteMs);
        const historique::Bilan bilan = historique::ajouter(m_base, record("24.69"), m_jour);
        autre.waitForFinished(10000);
        QCOMPARE(bilan.issue, enregistre ? historique::Bilan::Issue::Enregistre
                                         : historique::Bilan::Issue::Remonte);
        if (!enregistre)
            QCOMPARE(bilan.numeroErreur, 3260);
        QCOMPARE(dates().isEmpty(), !enregistre);
    }
};

QTEST_GUILESS_MAIN(TstHistorique)
#include "tst_historique.moc"
