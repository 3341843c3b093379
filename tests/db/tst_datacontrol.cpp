// The bound data control on a workspace database: moving at both ends,
// finding, writing with apostrophes and hostile text, bookmarks, sources in
// French order, and bad or read-only databases. Deleting then moving back is
// checked through the composed acts (tst_validation) and the coding list
// (tst_formmain), a locked database by the fault tests (tst_pannes).
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "db/DataControl.h"
#include "log/TextesErreurs.h"

#include <QFile>
#include <QTest>

#include <memory>

using namespace pava;
using test::rangee;

class TestDataControl : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    QString m_base;

    // A control on the test's database, refreshed; the caller checks the refresh.
    std::unique_ptr<DataControl> ouvrir(const QString& source = QStringLiteral("CCAM_7"),
                                        bool* ok = nullptr)
    {
        auto dc = std::make_unique<DataControl>();
        dc->setDatabaseName(m_base);
        dc->setRecordSource(source);
        const bool lu = dc->refresh();
        if (ok)
            *ok = lu;
        return dc;
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        m_base = m_env->root() + QStringLiteral("/CCAM001.mdb");
        QVERIFY(test::creerHabituels(m_base, {{"QZJA002", "Suture de plaie superficielle"},
                                              {"DEQP003", "Électrocardiographie"},
                                              {"HBJD001", "Détartrage de l'arcade"},
                                              {"YYYY030", "Supplément radiologie"}}));
    }

    void movesAtBothEnds()
    {
        auto dc = ouvrir();
        QCOMPARE(dc->recordCount(), 4);
        QCOMPARE(dc->text("CodeActe"), "QZJA002");
        QVERIFY(dc->movePrevious() && dc->bof() && !dc->hasCurrent());
        QVERIFY(!dc->movePrevious()); // past BOF is an error
        QCOMPARE(dc->lastErrorNumber(), erreur::AucunEnregistrement);
        QVERIFY(dc->moveLast());
        QCOMPARE(dc->text("codeacte"), "YYYY030"); // any case
        QVERIFY(dc->moveNext() && dc->eof());
        QVERIFY(!dc->moveNext());
        QVERIFY(dc->movePrevious()); // back from EOF lands on the last row
        QCOMPARE(dc->text("CodeActe"), "YYYY030");
        auto vide = ouvrir("SELECT * FROM CCAM_7 WHERE CodeActe = 'ZZZZ999'");
        QCOMPARE(vide->recordCount(), 0);
        QVERIFY(vide->bof() && vide->eof());
        QVERIFY(!vide->deleteCurrent() && !vide->edit());
    }

    void findFirst_data()
    {
        QTest::addColumn<QString>("critere");
        QTest::addColumn<bool>("trouve");
        QTest::addColumn<QString>("code");
        rangee("sans casse", "Libelle = 'électrocardiographie'", true, "DEQP003");
        rangee("apostrophe doublee", "Libelle = 'Détartrage de l''arcade'", true, "HBJD001");
        rangee("absent", "CodeActe = 'ZZZZ999'", false, "YYYY030");
        rangee("apostrophe non doublee", "Libelle = 'Détartrage de l'arcade'", false, "YYYY030");
    }
    void findFirst()
    {
        QFETCH(QString, critere);
        QFETCH(bool, trouve);
        QFETCH(QString, code);
        auto dc = ouvrir();
        QVERIFY(dc->moveLast());
        QCOMPARE(dc->findFirst(critere), trouve);
        QCOMPARE(dc->noMatch(), !trouve);
        QCOMPARE(dc->text("CodeActe"), code); // unchanged when nothing matched
    }

    // Jet statements, and a source ended by ";" still written back; text with
    // quotes and SQL in it written as it is.
    void jetStatementsAndHostileText()
    {
        auto dc = ouvrir("Select * From CCAM_7;");
        const QString libelle = "Visite d''urgence \"nuit\"'); DROP TABLE CCAM_7; --";
        QVERIFY(dc->addNew());
        QVERIFY(dc->setValue("Libelle", libelle));
        QVERIFY2(dc->update(), qPrintable(dc->lastError()));
        QVERIFY(dc->refresh() && dc->findFirstEqual("Libelle", libelle));
        QCOMPARE(dc->recordCount(), 5);
        QVERIFY(!dc->execute("CREATE TABLE CCAM_7 (CodeActe TEXT (255));"));
        QVERIFY(!dc->lastError().isEmpty());
        QVERIFY(dc->execute("DELETE * FROM CCAM_7 ;"));
        QVERIFY(dc->refresh());
        QCOMPARE(dc->recordCount(), 0);
    }

    void addEditUpdateKeepsPosition()
    {
        auto dc = ouvrir();
        QVERIFY(dc->setCurrentRow(1));
        QVERIFY(dc->addNew());
        QVERIFY(dc->setValue("CodeActe", "ZZLP025"));
        QVERIFY(dc->update());
        QCOMPARE(dc->currentRow(), 1);
        QVERIFY(dc->setBookmark(dc->lastModified()));
        QCOMPARE(dc->text("CodeActe"), "ZZLP025");
        QVERIFY(!dc->setBookmark(QVariant(987654)));
        QVERIFY(dc->edit());
        QVERIFY(dc->setValue("Libelle", "Anesthésie"));
        QVERIFY(!dc->setValue("Absent", 1));
        QVERIFY(dc->update());
        QCOMPARE(dc->text("Libelle"), "Anesthésie");
        QVERIFY(!dc->update()); // no edit in progress
        QCOMPARE(dc->lastErrorNumber(), erreur::ModificationSansEdition);
        QVERIFY(dc->edit() && dc->setValue("Libelle", "oublié"));
        dc->cancelUpdate();
        QVERIFY(dc->refresh() && dc->findFirstEqual("CodeActe", "ZZLP025"));
        QCOMPARE(dc->text("Libelle"), "Anesthésie");
    }

    // Opening never creates the file, nor damages what is there.
    void badDatabases()
    {
        const QByteArray avant = test::readFile(m_base);
        bool ok = true;
        auto dc = ouvrir("SELECT * FROM Absente ORDER", &ok);
        QVERIFY(!ok);
        QCOMPARE(dc->lastErrorNumber(), erreur::TableIntrouvable);
        QCOMPARE(test::readFile(m_base), avant);
        QVERIFY(QFile::remove(m_base));
        dc = ouvrir("CCAM_7", &ok);
        QVERIFY(!ok);
        QCOMPARE(dc->lastErrorNumber(), erreur::BaseIntrouvable);
        QVERIFY(!dc->lastError().isEmpty());
        QCOMPARE(dc->recordCount(), 0);
        QVERIFY(!QFile::exists(m_base));
    }

    void readOnlyRefusesWrites()
    {
        DataControl dc;
        dc.setDatabaseName(m_base);
        dc.setReadOnly(true);
        dc.setRecordSource("CCAM_7");
        QVERIFY(dc.refresh());
        QVERIFY(!dc.deleteCurrent() && !dc.execute("DELETE * FROM CCAM_7"));
        QCOMPARE(dc.lastErrorNumber(), erreur::BaseEnLectureSeule);
        QCOMPARE(ouvrir()->recordCount(), 4);
        // A source that cannot be written back is read-only too.
        for (const char* source :
             {"SELECT count(*) AS n FROM CCAM_7 GROUP BY substr(CodeActe,1,1)",
              "SELECT a.* FROM CCAM_7 a JOIN CCAM_7 b ON a.CodeActe = b.CodeActe"}) {
            auto vue = ouvrir(source);
            QVERIFY(vue->hasCurrent() && !vue->addNew());
            QCOMPARE(vue->lastErrorNumber(), erreur::BaseEnLectureSeule);
        }
    }

    // Sorted by a column, text comes in French order (accents after their
    // letter, case ignored); an expression is left to the engine's own order.
    void frenchOrder_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("codes");
        rangee("libelle", "SELECT * FROM CCAM_7 ORDER BY Libelle",
               QStringList{"HBJD001", "DEQP003", "YYYY030", "QZJA002"});
        rangee("expression", "SELECT * FROM CCAM_7 ORDER BY lower(Libelle)",
               QStringList{"HBJD001", "YYYY030", "QZJA002", "DEQP003"});
    }
    void frenchOrder()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, codes);
        auto dc = ouvrir(source);
        QStringList lus;
        for (bool ok = dc->moveFirst(); ok && !dc->eof(); ok = dc->moveNext())
            lus << dc->text("CodeActe");
        QCOMPARE(lus, codes);
    }
};

QTEST_GUILESS_MAIN(TestDataControl)
#include "tst_datacontrol.moc"
