// The coding history on SQLite files and on a PostgreSQL server.
#include "Pannes.h"
#include "PostgresEssai.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "practice/Historique.h"

#include <QDate>
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
        QStringList t;
        const QStringList lignes = test::colonne(
            m_base, "SELECT date_valid || ' ' || cot_secu_e || ' ' || cot_reel_e FROM "
                    "cotation_date_CCAM ORDER BY rowid");
        for (const QString& l : lignes)
            t << l.section(' ', 0, 0) + '=' + QString::number(l.section(' ', 1, 1).toDouble()) +
                     '/' + QString::number(l.section(' ', 2, 2).toDouble());
        return t.join(' ');
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        PAVA_MOTEUR_REQUIS(*m_env);
        m_base = historique::cheminBase(m_env->root());
        QVERIFY(test::creerHistorique(m_base, {}));
        historique::setAttente(5000);
    }
    void cleanup() { m_env.reset(); }

    // A first recording, then others ("days:tariff").
    void suiteDEnregistrements_data()
    {
        QTest::addColumn<QStringList>("suite");
        QTest::addColumn<QString>("dates");
        rangee("même prix un autre jour", QStringList{"5:24.69"}, "2026-03-10=24.69/30");
        rangee("nouveau prix le même jour : remplacé", QStringList{"0:26.60"},
               "2026-03-10=26.6/30");
        rangee("nouveau prix un autre jour : ajouté", QStringList{"1:26,60"},
               "2026-03-10=24.69/30 2026-03-11=26.6/30");
        rangee("retour à un prix antérieur : ajouté", QStringList{"1:26.60", "2:24.69"},
               "2026-03-10=24.69/30 2026-03-11=26.6/30 2026-03-12=24.69/30");
    }
    void suiteDEnregistrements()
    {
        QFETCH(QStringList, suite);
        QFETCH(QString, dates);
        QCOMPARE(historique::ajouter(m_base, record("24.69"), m_jour).issue,
                 historique::Bilan::Issue::Enregistre);
        for (const QString& pas : suite)
            historique::ajouter(m_base, record(pas.section(':', 1), "30.00", "Autre"),
                                m_jour.addDays(pas.section(':', 0, 0).toInt()));
        QCOMPARE(this->dates(), dates);
        QCOMPARE(test::colonne(m_base, QStringLiteral("SELECT cot || ' ' || \"Desc\" FROM "
                                                      "cotation_table_CCAM")),
                 QStringList{kJeton + QStringLiteral(" Suture")});
    }

    void montantsEnFrancsEtLibelleCoupe()
    {
        const QString libelle(300, QLatin1Char('x'));
        historique::ajouter(m_base, record("1234,56", "1.50", libelle), m_jour);
        const QStringList ligne =
            test::ligne(m_base, QStringLiteral("SELECT cot_secu_e, cot_reel_e, cot_secu, cot_reel, "
                                               "length(\"Desc\") FROM cotation_date_CCAM"));
        QCOMPARE(ligne.value(0).toDouble(), 1234.56);
        QCOMPARE(ligne.value(1).toDouble(), 1.5);
        QCOMPARE(ligne.value(2).toDouble(), 1234.56 * historique::kTauxFranc);
        QCOMPARE(ligne.value(3).toDouble(), 1.5 * historique::kTauxFranc);
        QCOMPARE(ligne.value(4), "255");
    }

    // A failure is logged with its context, or raised before any write.
    void echecs_data()
    {
        QTest::addColumn<QStringList>("preparation"); // SQL after a first recording
        QTest::addColumn<int>("issue");
        QTest::addColumn<QString>("dansLeJournal");
        const QString refus = "CREATE TRIGGER refus_%1 BEFORE %1 ON cotation_date_CCAM BEGIN "
                              "SELECT RAISE(ABORT, 'refus'); END";
        const QStringList refusServeur{
            "CREATE FUNCTION refus() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE "
            "EXCEPTION 'refus' USING ERRCODE = '23000'; END$$",
            "CREATE TRIGGER refus BEFORE INSERT OR UPDATE ON cotation_date_ccam FOR EACH ROW "
            "EXECUTE FUNCTION refus()"};
        rangee("table des dates absente", QStringList{"DROP TABLE cotation_date_CCAM"},
               int(historique::Bilan::Issue::Remonte), "Erreur n° 3078");
        rangee("nouveau prix refusé par la base",
               test::surPostgres() ? refusServeur
                                   : QStringList{refus.arg("INSERT"), refus.arg("UPDATE")},
               int(historique::Bilan::Issue::Journalise), "Erreur n° 3022");
    }
    void echecs()
    {
        QFETCH(QStringList, preparation);
        QFETCH(int, issue);
        QFETCH(QString, dansLeJournal);
        historique::ajouter(m_base, record("24.69"), m_jour);
        for (const QString& sql : preparation)
            QVERIFY(test::executer(m_base, sql));
        const QString avant = dates();
        const QByteArray octets = test::readFile(m_base);
        const historique::Bilan bilan = historique::ajouter(m_base, record("26.60"), m_jour);
        QCOMPARE(int(bilan.issue), issue);
        QVERIFY(!bilan.erreur.isEmpty());
        QCOMPARE(dates(), avant);
        QCOMPARE(test::readFile(m_base), octets);
        const QString log = test::journalErreurs();
        QVERIFY2(log.contains(QStringLiteral("Procedure Ajoute_CCAM : ") + dansLeJournal) &&
                     log.contains("    -> Ajout cotation dans la base Cotation.mdb : " + kJeton),
                 qPrintable(log));
    }

    // Another workstation holding the history a moment: the act is not written twice.
    void autrePosteUnMoment_data()
    {
        QTest::addColumn<bool>("connu");
        QTest::addColumn<QString>("autre"); // what the other workstation writes
        QTest::addColumn<QString>("dates");
        const QString date = "INSERT INTO cotation_date_CCAM (cot__date, \"desc\", date_valid, "
                             "cot_secu_e, cot_reel_e) VALUES ('%1', 'Suture', '%2', %3, 30.0);";
        rangee("rien", false, QString(), "2026-03-10=24.69/30");
        rangee("le même acte nouveau", false,
               "INSERT INTO cotation_table_CCAM (cot, \"desc\") VALUES ('" + kJeton +
                   "', 'Suture');" + date.arg(kJeton, "2026-03-10", "24.69"),
               "2026-03-10=24.69/30");
        rangee("le même nouveau prix", true, date.arg(kJeton, "2026-03-10", "24.69"),
               "2026-03-09=20/30 2026-03-10=24.69/30");
    }
    void autrePosteUnMoment()
    {
        QFETCH(bool, connu);
        QFETCH(QString, autre);
        QFETCH(QString, dates);
        if (!test::surPostgres() && QStandardPaths::findExecutable("sqlite3").isEmpty())
            QSKIP("sqlite3 n'est pas installé");
        if (connu)
            historique::ajouter(m_base, record("20.00"), m_jour.addDays(-1));
        else if (!test::surPostgres())
            QVERIFY(test::executer(m_base, "CREATE INDEX cotation_table_cot ON "
                                           "cotation_table_CCAM (cot)") &&
                    test::executer(m_base, "CREATE INDEX cotation_date_cot ON "
                                           "cotation_date_CCAM (cot__date, date_valid)"));
        QProcess poste;
        if (test::surPostgres())
            QVERIFY(test::autrePostePostgres(poste, m_base, 0.4,
                                             "SELECT pg_advisory_xact_lock(hashtext('" + kJeton +
                                                 "')); " + autre));
        else
            QVERIFY(test::verrouiller(poste, m_base, 0.4, "BEGIN IMMEDIATE; " + autre));
        const historique::Bilan bilan = historique::ajouter(m_base, record("24.69"), m_jour);
        poste.waitForFinished(10000);
        QCOMPARE(bilan.issue, autre.isEmpty() ? historique::Bilan::Issue::Enregistre
                                              : historique::Bilan::Issue::Inchange);
        QCOMPARE(this->dates(), dates);
        QCOMPARE(test::colonne(m_base, "SELECT count(*) FROM cotation_table_CCAM"),
                 QStringList{"1"});
    }
};

QTEST_GUILESS_MAIN(TstHistorique)
#include "tst_historique.moc"
