// The data set "pavaccam init" and the demonstration build: every file the
// workspace opens, with tables that take what the program writes, and a
// user's existing files never replaced.
#include "TestSupport.h"

#include "host/JeuDeDonnees.h"
#include "session/Chemins.h"
#include "srt/ConstructionReference.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace pava;

namespace {

// Runs f on an SQLite file opened under a connection of its own.
template <typename F> void avecBase(const QString& fichier, F&& f)
{
    const QString nom = QStringLiteral("essai-") + fichier;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(fichier);
        QVERIFY(base.open());
        f(base);
        base.close();
    }
    QSqlDatabase::removeDatabase(nom);
}

QStringList champs(QSqlDatabase& base, const QString& table)
{
    QStringList noms;
    const QSqlRecord r = base.record(table);
    for (int i = 0; i < r.count(); ++i)
        noms << r.fieldName(i);
    return noms;
}

} // namespace

class TstJeuDeDonnees : public QObject
{
    Q_OBJECT

    test::IsolatedEnvironment* m_env = nullptr;
    OptionsJeuDeDonnees m_options;

    QString fichier(const QString& rep, const QString& nom) const
    {
        return QDir(rep).filePath(nom);
    }

private Q_SLOTS:
    void init()
    {
        m_env = new test::IsolatedEnvironment;
        const QString r = m_env->root();
        m_options.repertoireData = r + QStringLiteral("/data");
        m_options.repertoireRsc = r + QStringLiteral("/rsc");
        m_options.repertoireSrt = r + QStringLiteral("/base srt");
        m_options.repertoireProfil = QString(); // where the program reads it
        m_options.fichierReference = QStringLiteral(PAVACCAM_HOST_DONNEES "/edition-essai.csv");
    }
    void cleanup()
    {
        delete m_env;
        m_env = nullptr;
    }

    void createsEveryFileTheWorkspaceOpens()
    {
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));
        QCOMPARE(bilan.crees.size(), 4);
        QVERIFY(bilan.conserves.isEmpty());
        QVERIFY(ExisteFichier(fichier(m_options.repertoireData, "CCAM001.mdb")));
        QVERIFY(ExisteFichier(fichier(m_options.repertoireRsc, "Cotation.mdb")));
        // The profile the program reads names the base the reference is in.
        const QString base = LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path"));
        QVERIFY(base.endsWith(QLatin1Char('/')));
        QCOMPARE(cheminReferenceSrt(base), cheminReferenceSrt(m_options.repertoireSrt));
        QVERIFY(ExisteFichier(cheminReferenceSrt(base)));
    }

    void habitualCodingsAreActsOfTheReference()
    {
        QVERIFY(creerJeuDeDonnees(m_options).reussi);
        QList<QPair<QString, QString>> lignes;
        avecBase(fichier(m_options.repertoireData, "CCAM001.mdb"), [&](QSqlDatabase& b) {
            QCOMPARE(champs(b, "CCAM_7"), QStringList({"CodeActe", "Libelle"}));
            QSqlQuery q(QStringLiteral("SELECT CodeActe, Libelle FROM CCAM_7"), b);
            while (q.next())
                lignes.append({q.value(0).toString(), q.value(1).toString()});
        });
        QCOMPARE(lignes.size(), 3); // the everyday acts the test edition lists
        avecBase(cheminReferenceSrt(m_options.repertoireSrt), [&](QSqlDatabase& b) {
            QSqlQuery q(b);
            q.prepare(QStringLiteral("SELECT Libelle FROM CCAM_7 WHERE CodeActe = ?"));
            for (const auto& [code, libelle] : lignes) {
                q.bindValue(0, code);
                QVERIFY(q.exec());
                QVERIFY2(q.next(), qPrintable(code));
                QCOMPARE(libelle, q.value(0).toString());
            }
        });
    }

    void historyTablesTakeWhatTheHistoryWrites()
    {
        QVERIFY(creerJeuDeDonnees(m_options).reussi);
        avecBase(fichier(m_options.repertoireRsc, "Cotation.mdb"), [&](QSqlDatabase& b) {
            QCOMPARE(champs(b, "cotation_table_CCAM"), QStringList({"cot", "Desc"}));
            QCOMPARE(champs(b, "cotation_date_CCAM"),
                     QStringList({"cot__date", "Desc", "date_valid", "cot_secu", "cot_reel",
                                  "cot_secu_e", "cot_reel_e"}));
            QSqlQuery q(b);
            QVERIFY(
                q.prepare(QStringLiteral("INSERT INTO cotation_date_CCAM VALUES (?,?,?,?,?,?,?)")));
            const QString jeton = QStringLiteral("DEQP0031000000");
            const QDate hier = QDate::currentDate().addDays(-1);
            const double e = 1234.56;
            for (const QDate& jour : {QDate::currentDate(), hier}) {
                q.addBindValue(jeton);
                q.addBindValue(QString(300, QLatin1Char('x')).left(255));
                q.addBindValue(jour);
                q.addBindValue(e * 6.55957);
                q.addBindValue(e * 6.55957);
                q.addBindValue(e);
                q.addBindValue(e);
                QVERIFY(q.exec());
            }
            // The most recent record is the last in date order.
            QVERIFY(q.exec(QStringLiteral("SELECT date_valid, cot_secu_e, cot_secu FROM "
                                          "cotation_date_CCAM ORDER BY date_valid ASC")));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toDate(), hier);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toDate(), QDate::currentDate());
            QCOMPARE(q.value(1).toDouble(), e);
            QCOMPARE(q.value(2).toDouble(), e * 6.55957);
        });
    }

    void secondRunKeepsTheUsersFiles()
    {
        QVERIFY(creerJeuDeDonnees(m_options).reussi);
        const QString ccam001 = fichier(m_options.repertoireData, "CCAM001.mdb");
        avecBase(ccam001, [](QSqlDatabase& b) {
            QVERIFY(QSqlQuery(b).exec(
                QStringLiteral("INSERT INTO CCAM_7 VALUES ('YYYY010', 'Acte du praticien')")));
        });
        m_env->writeProfile("[API_Sesam]\r\nPath=/ailleurs/\r\n");

        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));
        QVERIFY(bilan.crees.isEmpty());
        QCOMPARE(bilan.conserves.size(), 4);
        QCOMPARE(LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path")),
                 QStringLiteral("/ailleurs/"));
        avecBase(ccam001, [](QSqlDatabase& b) {
            QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM CCAM_7 WHERE CodeActe='YYYY010'"), b);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 1);
        });
    }

    void missingEditionChangesNothing()
    {
        m_options.fichierReference = m_env->root() + QStringLiteral("/absente.csv");
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_options);
        QVERIFY(!bilan.reussi);
        QVERIFY(bilan.erreur.startsWith(QStringLiteral("Import de la référence CCAM impossible")));
        QVERIFY(bilan.crees.isEmpty());
        QVERIFY(!ExisteFichier(fichier(m_options.repertoireData, "CCAM001.mdb")));
        QVERIFY(!ExisteFichier(fichier(m_env->sysconf(), "Pavareg.reg")));
    }

    void profileGoesWhereAsked()
    {
        m_options.repertoireProfil = m_env->root() + QStringLiteral("/etc-demo");
        QVERIFY(creerJeuDeDonnees(m_options).reussi);
        QVERIFY(ExisteFichier(fichier(m_options.repertoireProfil, "Pavareg.reg")));
        QVERIFY(!ExisteFichier(fichier(m_env->sysconf(), "Pavareg.reg")));
    }
};

QTEST_GUILESS_MAIN(TstJeuDeDonnees)
#include "tst_jeudedonnees.moc"
