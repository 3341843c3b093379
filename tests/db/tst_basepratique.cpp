// SQL turned into PostgreSQL's dialect; a URI into driver settings, a
// password in it refused.
#include "TestSupport.h"

#include "db/BasePratique.h"

#include <QSqlDatabase>
#include <QTest>

using namespace pava;
using test::rangee;

class TstBasePratique : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialecte_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("attendu");
        rangee("noms entre guillemets en minuscules", "UPDATE \"PavaACTES\" SET \"LibelleCCAM\"=?",
               "UPDATE \"pavaactes\" SET \"libelleccam\"=?");
        rangee("une ligne telle que lue", "DELETE FROM t WHERE rowid=? AND \"ValeurSS\" IS ?",
               "DELETE FROM t WHERE rowid=? AND \"valeurss\" IS NOT DISTINCT FROM ?");
        rangee("les littéraux restent tels quels", "SELECT 'Is ? \"Zona\"' FROM t WHERE x IS NULL",
               "SELECT 'Is ? \"Zona\"' FROM t WHERE x IS NULL");
        rangee("un nom qui finit par is", "SELECT this ?", "SELECT this ?");
        rangee("la forme du moteur de bureau", "DELETE * FROM PavaCCAM WHERE \"EspaceCCAM\" = ?",
               "DELETE FROM PavaCCAM WHERE \"espaceccam\" = ?");
    }
    void dialecte()
    {
        QFETCH(QString, sql);
        QFETCH(QString, attendu);
        QCOMPARE(pratique::versPostgres(pratique::versDialecte(QSqlDatabase(), sql)), attendu);
    }

    void adresses_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("reglages"); // host|port|base|user|options, or the refusal
        rangee("serveur et base", "postgresql://serveur.cabinet.lan/cabinet",
               "serveur.cabinet.lan|-1|cabinet||connect_timeout=2");
        rangee("socket, utilisateur et paramètres",
               "postgresql:///cabinet?host=/run/postgresql&user=alice&sslmode=require",
               "/run/postgresql|-1|cabinet|alice|sslmode=require;connect_timeout=2");
        rangee("port et délai donnés", "postgres://bob@db:5433/c?connect_timeout=9",
               "db|5433|c|bob|connect_timeout=9");
        rangee("mot de passe dans l'adresse", "postgresql://alice:secret@db/c", "mot de passe");
        rangee("mot de passe en paramètre", "postgresql://db/c?password=secret", "mot de passe");
        rangee("paramètre avec des blancs", "postgresql://db/c?options=-c%20x%3D1", "options");
        rangee("pas une adresse de serveur", "/srv/cabinet/CCAM001.mdb", "postgresql://");
    }
    void adresses()
    {
        QFETCH(QString, uri);
        QFETCH(QString, reglages);
        if (!QSqlDatabase::isDriverAvailable("QPSQL"))
            QSKIP("pilote PostgreSQL de Qt absent (libqt6sql6-psql)");
        QString raison;
        QString obtenu;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "essai-adresse");
            if (pratique::configurer(db, uri, raison))
                obtenu = QStringList{db.hostName(), QString::number(db.port()), db.databaseName(),
                                     db.userName(), db.connectOptions()}
                             .join('|');
        }
        QSqlDatabase::removeDatabase("essai-adresse");
        if (reglages.contains('|'))
            QCOMPARE(obtenu, reglages);
        else
            QVERIFY2(obtenu.isEmpty() && raison.contains(reglages), qPrintable(raison + obtenu));
    }
};

QTEST_GUILESS_MAIN(TstBasePratique)
#include "tst_basepratique.moc"
