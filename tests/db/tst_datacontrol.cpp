#include "TestSupport.h"

#include "db/DataControl.h"
#include "db/JetSql.h"
#include "log/TextesErreurs.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace pava;

namespace {

// A workspace database as the host installs it: CCAM_7 with a few codings.
QString creeBase(const QString& dir)
{
    const QString chemin = dir + QStringLiteral("/CCAM001.mdb");
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prep"));
        db.setDatabaseName(chemin);
        if (!db.open())
            return {};
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE CCAM_7 (CodeActe TEXT, Libelle TEXT)"));
        q.prepare(QStringLiteral("INSERT INTO CCAM_7 VALUES (?, ?)"));
        const QList<QPair<QString, QString>> lignes = {
            {"QZJA002", "Suture de plaie superficielle"},
            {"DEQP003", "Électrocardiographie"},
            {"HBJD001", "Détartrage de l'arcade"},
            {"YYYY030", "Supplément radiologie"},
        };
        for (const auto& [code, libelle] : lignes) {
            q.addBindValue(code);
            q.addBindValue(libelle);
            q.exec();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prep"));
    return chemin;
}

} // namespace

class TestDataControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void movesAtBothEnds();
    void emptyRecordSet();
    void findFirst_data();
    void findFirst();
    void deleteThenMovePrevious_data();
    void deleteThenMovePrevious();
    void jetStatementsAndApostrophes();
    void addEditUpdateKeepsPosition();
    void sortedSourceAndBookmarks();
    void badDatabases_data();
    void badDatabases();
    void readOnlyRefusesWrites();
    void lockedDatabaseReportsLock();
    void modelShowsHeadings();
    void frenchOrder_data();
    void frenchOrder();
    void analyseSource_data();
    void analyseSource();

private:
    std::unique_ptr<test::IsolatedEnvironment> m_env;
    QString m_base;
};

void TestDataControl::init()
{
    m_env = std::make_unique<test::IsolatedEnvironment>();
    m_base = creeBase(m_env->root());
    QVERIFY(!m_base.isEmpty());
}

void TestDataControl::movesAtBothEnds()
{
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(QStringLiteral("CCAM_7"));
    QVERIFY2(dc.refresh(), qPrintable(dc.lastError()));
    QCOMPARE(dc.recordCount(), 4);
    QVERIFY(!dc.bof() && !dc.eof());
    QCOMPARE(dc.text(QStringLiteral("CodeActe")), QStringLiteral("QZJA002"));

    QVERIFY(dc.movePrevious());
    QVERIFY(dc.bof());
    QVERIFY(!dc.hasCurrent());
    QVERIFY(!dc.value(QStringLiteral("CodeActe")).isValid());
    QVERIFY(!dc.movePrevious()); // past BOF is an error
    QCOMPARE(dc.lastErrorNumber(), erreur::AucunEnregistrement);

    QVERIFY(dc.moveLast());
    QCOMPARE(dc.text(QStringLiteral("codeacte")), QStringLiteral("YYYY030")); // any case
    QVERIFY(dc.moveNext());
    QVERIFY(dc.eof());
    QVERIFY(!dc.moveNext());
    QVERIFY(dc.movePrevious()); // back from EOF lands on the last row
    QCOMPARE(dc.text(QStringLiteral("CodeActe")), QStringLiteral("YYYY030"));
    QVERIFY(dc.moveFirst());
    QCOMPARE(dc.currentRow(), 0);
}

void TestDataControl::emptyRecordSet()
{
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(QStringLiteral("SELECT * FROM CCAM_7 WHERE CodeActe = 'ZZZZ999'"));
    QVERIFY(dc.refresh());
    QCOMPARE(dc.recordCount(), 0);
    QVERIFY(dc.bof() && dc.eof());
    QVERIFY(!dc.moveFirst());
    QVERIFY(!dc.deleteCurrent());
    QVERIFY(!dc.edit());
}

void TestDataControl::findFirst_data()
{
    QTest::addColumn<QString>("critere");
    QTest::addColumn<bool>("trouve");
    QTest::addColumn<QString>("code");
    QTest::newRow("code") << "CodeActe = 'DEQP003'" << true << "DEQP003";
    QTest::newRow("sans casse") << "Libelle = 'électrocardiographie'" << true << "DEQP003";
    QTest::newRow("apostrophe doublee")
        << "Libelle = 'Détartrage de l''arcade'" << true << "HBJD001";
    QTest::newRow("guillemets") << "Libelle = \"Détartrage de l'arcade\"" << true << "HBJD001";
    QTest::newRow("absent") << "CodeActe = 'ZZZZ999'" << false << "YYYY030";
    QTest::newRow("apostrophe non doublee")
        << "Libelle = 'Détartrage de l'arcade'" << false << "YYYY030";
    QTest::newRow("champ inconnu") << "Inconnu = 'x'" << false << "YYYY030";
    QTest::newRow("injection") << "CodeActe = 'x'; DROP TABLE CCAM_7; --'" << false << "YYYY030";
}

void TestDataControl::findFirst()
{
    QFETCH(QString, critere);
    QFETCH(bool, trouve);
    QFETCH(QString, code);
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(QStringLiteral("CCAM_7"));
    QVERIFY(dc.refresh());
    QVERIFY(dc.moveLast());
    QCOMPARE(dc.findFirst(critere), trouve);
    QCOMPARE(dc.noMatch(), !trouve);
    QCOMPARE(dc.text(QStringLiteral("CodeActe")), code); // unchanged when nothing matched
    QVERIFY(dc.refresh());
    QCOMPARE(dc.recordCount(), 4);
}

void TestDataControl::deleteThenMovePrevious_data()
{
    QTest::addColumn<int>("ligne");
    QTest::addColumn<QString>("apres"); // "" = BOF
    QTest::newRow("premiere") << 0 << "";
    QTest::newRow("milieu") << 2 << "DEQP003";
    QTest::newRow("derniere") << 3 << "HBJD001";
}

void TestDataControl::deleteThenMovePrevious()
{
    QFETCH(int, ligne);
    QFETCH(QString, apres);
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(QStringLiteral("CCAM_7"));
    QVERIFY(dc.refresh());
    QVERIFY(dc.setCurrentRow(ligne));
    QVERIFY(dc.deleteCurrent());
    QVERIFY(!dc.hasCurrent());
    QCOMPARE(dc.recordCount(), 3);
    QVERIFY(dc.movePrevious());
    if (apres.isEmpty()) {
        QVERIFY(dc.bof());
        QVERIFY(dc.moveFirst());
        QCOMPARE(dc.text(QStringLiteral("CodeActe")), QStringLiteral("DEQP003"));
    } else {
        QCOMPARE(dc.text(QStringLiteral("CodeActe")), apres);
    }
    DataControl relu;
    relu.setDatabaseName(m_base);
    relu.setRecordSource(QStringLiteral("CCAM_7"));
    QVERIFY(relu.refresh());
    QCOMPARE(relu.recordCount(), 3); // the deletion reached the file
}

void TestDataControl::jetStatementsAndApostrophes()
{
    DataControl dc;
    dc.setDatabaseName(m_base);
    QVERIFY2(
        dc.execute(QStringLiteral("CREATE TABLE PavaACTES (CodeActe TEXT (255), LibelleCCAM TEXT "
                                  "(255),ValeurSS TEXT (24),ValeurReel TEXT (24));")),
        qPrintable(dc.lastError()));
    QVERIFY(!dc.execute(QStringLiteral("CREATE TABLE PavaACTES (CodeActe TEXT (255));")));
    QVERIFY(!dc.lastError().isEmpty());

    dc.setRecordSource(QStringLiteral("Select * From PavaACTES Order By LibelleCCAM"));
    QVERIFY(dc.refresh());
    const QString libelle = QStringLiteral("Visite d''urgence \"nuit\"'); DROP TABLE CCAM_7; --");
    QVERIFY(dc.addNew());
    QVERIFY(dc.setValue(QStringLiteral("LibelleCCAM"), libelle));
    QVERIFY(dc.setValue(QStringLiteral("CodeActe"), QStringLiteral("QZJA00210____1")));
    QVERIFY2(dc.update(), qPrintable(dc.lastError()));
    QVERIFY(dc.refresh());
    QCOMPARE(dc.recordCount(), 1);
    QVERIFY(dc.findFirstEqual(QStringLiteral("LibelleCCAM"), libelle));
    QCOMPARE(dc.text(QStringLiteral("LibelleCCAM")), libelle);

    QVERIFY(dc.execute(QStringLiteral("DELETE * FROM PavaACTES ;")));
    QVERIFY(dc.refresh());
    QCOMPARE(dc.recordCount(), 0);
    dc.setRecordSource(QStringLiteral("CCAM_7"));
    QVERIFY(dc.refresh());
    QCOMPARE(dc.recordCount(), 4); // nothing was injected
}

void TestDataControl::addEditUpdateKeepsPosition()
{
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(QStringLiteral("CCAM_7"));
    QVERIFY(dc.refresh());
    QVERIFY(dc.setCurrentRow(1));
    QVERIFY(dc.addNew());
    QVERIFY(dc.setValue(QStringLiteral("CodeActe"), QStringLiteral("ZZLP025")));
    QVERIFY(dc.update());
    QCOMPARE(dc.currentRow(), 1);
    QCOMPARE(dc.recordCount(), 5);
    QVERIFY(dc.setBookmark(dc.lastModified()));
    QCOMPARE(dc.text(QStringLiteral("CodeActe")), QStringLiteral("ZZLP025"));
    QVERIFY(dc.value(QStringLiteral("Libelle")).isNull());

    QVERIFY(dc.edit());
    QVERIFY(dc.setValue(QStringLiteral("Libelle"), QStringLiteral("Anesthésie")));
    QVERIFY(!dc.setValue(QStringLiteral("Absent"), 1));
    QVERIFY(dc.update());
    QCOMPARE(dc.text(QStringLiteral("Libelle")), QStringLiteral("Anesthésie"));
    QVERIFY(!dc.update()); // no edit in progress
    QCOMPARE(dc.lastErrorNumber(), erreur::ModificationSansEdition);

    QVERIFY(dc.edit());
    QVERIFY(dc.setValue(QStringLiteral("Libelle"), QStringLiteral("oublié")));
    dc.cancelUpdate();
    QVERIFY(dc.refresh());
    QVERIFY(dc.findFirstEqual(QStringLiteral("CodeActe"), QStringLiteral("ZZLP025")));
    QCOMPARE(dc.text(QStringLiteral("Libelle")), QStringLiteral("Anesthésie"));
}

void TestDataControl::sortedSourceAndBookmarks()
{
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(QStringLiteral("SELECT * FROM CCAM_7 ORDER BY CodeActe"));
    QVERIFY(dc.refresh());
    QCOMPARE(dc.text(QStringLiteral("CodeActe")), QStringLiteral("DEQP003"));
    QVERIFY(dc.moveNext());
    const QVariant marque = dc.bookmark();
    QVERIFY(dc.moveLast());
    QVERIFY(dc.setBookmark(marque));
    QCOMPARE(dc.text(QStringLiteral("CodeActe")), QStringLiteral("HBJD001"));
    QVERIFY(!dc.setBookmark(QVariant(987654)));
    // A sorted single-table source can still be written.
    QVERIFY(dc.edit());
    QVERIFY(dc.setValue(QStringLiteral("Libelle"), QStringLiteral("Détartrage")));
    QVERIFY(dc.update());

    DataControl agrege;
    agrege.setDatabaseName(m_base);
    agrege.setRecordSource(
        QStringLiteral("SELECT count(*) AS n FROM CCAM_7 GROUP BY substr(CodeActe,1,1)"));
    QVERIFY(agrege.refresh());
    QVERIFY(!agrege.addNew()); // not writable, said so
    QCOMPARE(agrege.lastErrorNumber(), erreur::BaseEnLectureSeule);
}

void TestDataControl::badDatabases_data()
{
    QTest::addColumn<QByteArray>("contenu"); // "" with creer=false: missing
    QTest::addColumn<bool>("creer");
    QTest::addColumn<int>("numero");
    QTest::newRow("absente") << QByteArray() << false << erreur::BaseIntrouvable;
    QTest::newRow("pas une base") << QByteArray("Ceci n'est pas une base.\n").repeated(200) << true
                                  << erreur::BaseNonReconnue;
    QTest::newRow("source illisible") << QByteArray("x") << false << erreur::TableIntrouvable;
}

void TestDataControl::badDatabases()
{
    QFETCH(QByteArray, contenu);
    QFETCH(bool, creer);
    QFETCH(int, numero);
    QString chemin = m_env->root() + QStringLiteral("/autre.mdb");
    if (creer)
        QVERIFY(test::writeFile(chemin, contenu));
    if (numero == erreur::TableIntrouvable)
        chemin = m_base;
    DataControl dc;
    dc.setDatabaseName(chemin);
    dc.setRecordSource(numero == erreur::TableIntrouvable
                           ? QStringLiteral("SELECT * FROM Absente ORDER")
                           : QStringLiteral("CCAM_7"));
    QVERIFY(!dc.refresh());
    QCOMPARE(dc.lastErrorNumber(), numero);
    QVERIFY(!dc.lastError().isEmpty());
    QCOMPARE(dc.recordCount(), 0);
    QVERIFY(!dc.moveFirst());
    if (!creer && numero == erreur::BaseIntrouvable)
        QVERIFY(!QFile::exists(chemin)); // opening never creates the file
    if (creer)
        QCOMPARE(test::readFile(chemin), contenu); // nor damages what is there
}

void TestDataControl::readOnlyRefusesWrites()
{
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setReadOnly(true);
    dc.setRecordSource(QStringLiteral("CCAM_7"));
    QVERIFY(dc.refresh());
    QVERIFY(!dc.deleteCurrent());
    QVERIFY(!dc.execute(QStringLiteral("DELETE * FROM CCAM_7")));
    QCOMPARE(dc.lastErrorNumber(), erreur::BaseEnLectureSeule);
    QVERIFY(dc.refresh());
    QCOMPARE(dc.recordCount(), 4);
}

void TestDataControl::lockedDatabaseReportsLock()
{
    // Another program holds a write lock for longer than the busy timeout.
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("verrou"));
        db.setDatabaseName(m_base);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));

        DataControl dc;
        dc.setDatabaseName(m_base);
        dc.setRecordSource(QStringLiteral("CCAM_7"));
        QVERIFY(!dc.refresh());
        QCOMPARE(dc.lastErrorNumber(), erreur::BaseVerrouillee);
        QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
        QVERIFY(dc.refresh()); // works once the lock is gone
        QCOMPARE(dc.recordCount(), 4);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("verrou"));
}

void TestDataControl::modelShowsHeadings()
{
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(QStringLiteral("CCAM_7"));
    dc.setColumns({{QStringLiteral("  Libellé"), QStringLiteral("Libelle")},
                   {QStringLiteral("Code Acte"), QStringLiteral("CodeActe")}});
    QVERIFY(dc.refresh());
    QCOMPARE(dc.columnCount(), 2);
    QCOMPARE(dc.rowCount(), 4);
    QCOMPARE(dc.headerData(0, Qt::Horizontal).toString(), QStringLiteral("  Libellé"));
    QCOMPARE(dc.data(dc.index(1, 1)).toString(), QStringLiteral("DEQP003"));
    QCOMPARE(dc.data(dc.index(1, 0)).toString(), QStringLiteral("Électrocardiographie"));
}

void TestDataControl::frenchOrder_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("libelle") << "SELECT * FROM CCAM_7 ORDER BY Libelle"
                             << QStringList{"HBJD001", "DEQP003", "YYYY030", "QZJA002"};
    QTest::newRow("libelle desc") << "SELECT * FROM CCAM_7 ORDER BY [Libelle] DESC"
                                  << QStringList{"QZJA002", "YYYY030", "DEQP003", "HBJD001"};
    QTest::newRow("code") << "Select * From CCAM_7 Order By CodeActe"
                          << QStringList{"DEQP003", "HBJD001", "QZJA002", "YYYY030"};
    // An expression is left to the engine's own order.
    QTest::newRow("expression") << "SELECT * FROM CCAM_7 ORDER BY lower(Libelle)"
                                << QStringList{"HBJD001", "YYYY030", "QZJA002", "DEQP003"};
}

void TestDataControl::frenchOrder()
{
    QFETCH(QString, source);
    QFETCH(QStringList, codes);
    DataControl dc;
    dc.setDatabaseName(m_base);
    dc.setRecordSource(source);
    QVERIFY(dc.refresh());
    QStringList lus;
    for (bool ok = dc.moveFirst(); ok && !dc.eof(); ok = dc.moveNext())
        lus << dc.text(QStringLiteral("CodeActe"));
    QCOMPARE(lus, codes);
}

void TestDataControl::analyseSource_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("table");
    QTest::newRow("nom") << "PavaCCAM"
                         << "PavaCCAM";
    QTest::newRow("select trie") << "Select * From PavaACTES Order By LibelleCCAM"
                                 << "PavaACTES";
    QTest::newRow("where") << "select * from CCAM_7 WHERE CodeActe = 'QZJA002'"
                           << "CCAM_7";
    QTest::newRow("point virgule") << "SELECT * FROM CCAM_7;"
                                   << "CCAM_7";
    QTest::newRow("jointure") << "SELECT * FROM a JOIN b ON a.x=b.x"
                              << "";
    QTest::newRow("deux tables") << "SELECT * FROM a, b"
                                 << "";
    QTest::newRow("distinct") << "SELECT DISTINCT CodeActe FROM CCAM_7"
                              << "";
}

void TestDataControl::analyseSource()
{
    QFETCH(QString, source);
    QFETCH(QString, table);
    QCOMPARE(jet::analyseSource(source, QStringLiteral("id")).table, table);
}

QTEST_GUILESS_MAIN(TestDataControl)
#include "tst_datacontrol.moc"
