// Several workstations on one data folder (and on PostgreSQL: tst_postes_postgres):
// each workspace codes and validates its own acts only, abandoned lists go,
// a colleague's change is never overwritten.
#include "PostgresEssai.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "db/DataControl.h"
#include "practice/BaseUtilisateur.h"
#include "practice/Historique.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "workspace/FormMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QProcess>
#include <QSysInfo>
#include <QTabWidget>
#include <QtTest>

#include <array>
#include <cstdio>
#include <map>
#include <memory>

using namespace pava;
using test::cliquer;
using test::enfant;
using test::rangee;

namespace {

// The acts both workstations code at the same moment.
const QStringList kActesCommuns{"DEQP00310____1", "QZJA00210____2", "JKHD00110____2",
                                "QZJA01710____2", "GLQP01210____2"};

// One workstation in its own process: codes kActesCommuns, records each in the
// history, prints its list as read back.
int poste(const QString& data, const QString& rsc)
{
    const base::Espace espace = base::ouvrir();
    DataControl liste;
    liste.setDatabaseName(base::cheminBase(data));
    liste.setBusyTimeout(base::kAttenteMs);
    bool pret = false;
    for (int essai = 0; essai < 20 && !pret; ++essai)
        pret = base::preparer(liste, espace);
    if (!pret)
        return 2;
    liste.setOwner(base::kChampEspace, espace.texte());
    liste.setRecordSource(base::sourceListe());
    if (!liste.refresh())
        return 2;
    for (const QString& jeton : kActesCommuns) {
        for (int essai = 0;; ++essai) {
            if (liste.addNew() && liste.setValue(QStringLiteral("CodeCCAM"), jeton) &&
                liste.setValue(QStringLiteral("ValeurSS"), QStringLiteral("1.00")) &&
                liste.update())
                break;
            liste.cancelUpdate();
            if (essai == 20) // the other workstation held the file that long
                return 3;
        }
        const QString acte =
            jeton + QChar(0xA7) + "1.00" + QChar(0xA7) + "1.00" + QChar(0xA7) + "x";
        if (historique::ajouter(historique::cheminBase(rsc), acte).echec())
            return 4;
    }
    if (!liste.refresh())
        return 5;
    for (int r = 0; r < liste.recordCount(); ++r)
        std::printf("%s\n", qPrintable(liste.texte(r, QStringLiteral("CodeCCAM"))));
    return 0;
}

} // namespace

class TstPostes : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    test::JeuEssai m_jeu;
    QString base() const { return base::cheminBase(m_jeu.data); }

    // What the host receives as the list now stands in the file.
    static QString cotation(FormMain& w)
    {
        w.CCAMMDB(1)->refresh();
        w.CalculeTotal();
        return session().CotationRetour;
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        PAVA_MOTEUR_REQUIS(*m_env);
        reinitialiserSession();
        ui::oublierReponses();
        ui::viderJournal();
        m_jeu = test::creerJeuEssai(*m_env);
        QVERIFY2(m_jeu.erreur.isEmpty(), qPrintable(m_jeu.erreur));
    }
    void cleanup() { m_env.reset(); }

    void deuxProcessus()
    {
        std::array<QProcess, 2> postes;
        for (QProcess& p : postes)
            p.start(QCoreApplication::applicationFilePath(), {"--poste", m_jeu.data, m_jeu.rsc});
        for (QProcess& p : postes) {
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitCode(), 0);
            QStringList liste =
                QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            liste.sort();
            QStringList attendu = kActesCommuns;
            attendu.sort();
            QCOMPARE(liste, attendu);
        }
        const QString h = historique::cheminBase(m_jeu.rsc);
        QCOMPARE(test::colonne(h, "SELECT count(*) FROM cotation_table_CCAM"), QStringList{"5"});
        QCOMPARE(test::colonne(h, "SELECT count(*) FROM cotation_date_CCAM"), QStringList{"5"});
    }

    // "A" opens workspace A, "A TOKEN" codes an act in it.
    void chacunSesActes_data()
    {
        QTest::addColumn<QStringList>("etapes");
        QTest::addColumn<QString>("pourA");
        QTest::addColumn<QString>("pourB");
        rangee("B code pendant que A saisit",
               QStringList{"A", "B", "B JKHD00110____0", "A DEQP00310____0"}, "DEQP00310____0",
               "JKHD00110____0");
        rangee("B s'ouvre entre deux actes de A",
               QStringList{"A", "A DEQP00310____1", "B", "A QZJA00210____3"},
               "DEQP00310____1+QZJA00210____3", "");
        rangee("le même acte au même moment",
               QStringList{"A", "B", "A DEQP00310____0", "B DEQP00310____0"}, "DEQP00310____0",
               "DEQP00310____0");
    }
    void chacunSesActes()
    {
        QFETCH(QStringList, etapes);
        QFETCH(QString, pourA);
        QFETCH(QString, pourB);
        std::map<QString, std::unique_ptr<FormMain>> postes;
        for (const QString& etape : etapes) {
            const QString poste = etape.section(' ', 0, 0);
            const QString jeton = etape.section(' ', 1);
            if (jeton.isEmpty()) {
                postes[poste] = std::make_unique<FormMain>();
                QVERIFY2(postes[poste]->problemeBase().isEmpty(),
                         qPrintable(postes[poste]->problemeBase()));
                continue;
            }
            session().ActeSaisi = jeton + QStringLiteral("§10.00§10.00§Acte");
            postes.at(poste)->NewCotation();
        }
        QCOMPARE(cotation(*postes.at("A")), pourA);
        QCOMPARE(cotation(*postes.at("B")), pourB);
        cotation(*postes.at("A")); // validated, A hands its own acts
        postes.at("A")->ButtonOk_Click();
        QCOMPARE(session().CotationRetour.section(',', 0, 0), pourA);
        QCOMPARE(cotation(*postes.at("B")), pourB);
    }

    // An old list gains its column and loses its rows; then each opening
    // removes only the lists of workspaces that no longer exist.
    void listesAbandonnees()
    {
        if (!test::surPostgres()) {
            QVERIFY(test::executer(base(), "CREATE TABLE PavaCCAM (CodeCCAM TEXT (24), "
                                           "LibelleCCAM TEXT (255),ValeurSS TEXT (24),ValeurReel "
                                           "TEXT (24))"));
        }
        QVERIFY(test::executer(base(), "INSERT INTO PavaCCAM (CodeCCAM) VALUES ('AVANT')"));
        FormMain premier;
        if (!test::surPostgres())
            QCOMPARE(
                test::colonne(base(), "SELECT name FROM pragma_table_info('PavaCCAM')"),
                (QStringList{"CodeCCAM", "LibelleCCAM", "ValeurSS", "ValeurReel", "EspaceCCAM"}));
        QCOMPARE(test::colonne(base(), "SELECT count(*) FROM PavaCCAM"), QStringList{"0"});

        const QString ici = QSysInfo::machineHostName();
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString maintenant = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        const QString hier =
            QDateTime::currentDateTimeUtc().addSecs(-25 * 3600).toString(Qt::ISODate);
        const QList<std::pair<QVariant, bool>> espaces{
            {"poste-2|alice|4242|1|" + maintenant, true},
            {"poste-2|alice|4242|2|" + hier, false},
            {ici + "|bob|1|1|" + maintenant, true},                 // a live process
            {ici + "|bob|999999999|1|" + maintenant, false},        // a process gone
            {ici + "|bob|" + pid + "|999999|" + maintenant, false}, // closed, here
            {premier.espace().texte(), true},                       // open, here
            {QVariant(), false},
            {"illisible", false}};
        for (const auto& [espace, reste] : espaces)
            QVERIFY(test::executer(
                base(), "INSERT INTO PavaCCAM (CodeCCAM, EspaceCCAM) VALUES ('X', ?)", {espace}));
        FormMain second;
        QStringList restants;
        for (const auto& [espace, reste] : espaces)
            if (reste)
                restants << espace.toString();
        QCOMPARE(test::colonne(base(), "SELECT EspaceCCAM FROM PavaCCAM ORDER BY rowid"), restants);
    }

    // A colleague replaced the shown row under the same key: deleting or
    // renaming it touches nothing, says why and rereads the list.
    void ligneChangeeParUnCollegue_data()
    {
        QTest::addColumn<QString>("geste");
        rangee("acte composé supprimé", "Command5_0");
        rangee("acte composé renommé", "Command6");
        rangee("cotation habituelle supprimée", "Command4_0");
    }
    void ligneChangeeParUnCollegue()
    {
        QFETCH(QString, geste);
        const bool habituel = geste == u"Command4_0";
        const QString table = habituel ? "CCAM_7" : "PavaACTES";
        const QString nom = habituel ? "Libelle" : "LibelleCCAM";
        if (!habituel)
            QVERIFY(test::ajouterActesComposes(base(), {{"C", "Bras"}, {"X", "Zona"}}));
        FormMain w;
        w.show();
        DataControl* vue = w.CCAMMDB(habituel ? 0 : 2);
        const QString avant = test::colonne(base(), "SELECT max(rowid) FROM " + table).value(0);
        const QString montre =
            test::colonne(base(), "SELECT " + nom + " FROM " + table + " WHERE rowid = " + avant)
                .value(0);
        QVERIFY(vue->findFirstEqual(nom, montre));
        QVERIFY(test::executer(base(), "DELETE FROM " + table + " WHERE rowid = " + avant));
        QVERIFY(test::executer(base(), "INSERT INTO " + table + " (rowid, " + nom + ") VALUES (" +
                                           avant + ", 'Neuf')"));

        if (geste == u"Command6")
            ui::repondreProchaine([](ui::Demande& d) {
                d.defaut = "Renommé";
                return int(QDialog::Accepted);
            });
        ui::repondreProchaine([](ui::Demande&) { return int(QMessageBox::Ok); });
        if (habituel) {
            cliquer(&w, "Supprimer2");
        } else {
            enfant<QTabWidget>(&w, "SSTab1")->setCurrentIndex(1);
            if (geste == u"Command5_0")
                cliquer(&w, "Command3");
        }
        cliquer(&w, geste);
        const QString message = ui::journalMessages().value(0);
        QVERIFY2(message.contains(QStringLiteral("un collègue a modifié la liste")),
                 qPrintable(message));
        QCOMPARE(ui::reponsesEnAttente(), 0);
        QCOMPARE(
            test::colonne(base(), "SELECT " + nom + " FROM " + table + " WHERE rowid = " + avant),
            QStringList{"Neuf"});
        QVERIFY(vue->findFirstEqual(nom, "Neuf"));
        QVERIFY(!vue->findFirstEqual(nom, montre));
    }

    // The server lost mid-coding: the act is refused with the reason, the
    // list kept; back, the act is coded again, the history holds each once.
    void serveurPerdu()
    {
        if (!test::surPostgres())
            QSKIP("sur le serveur seulement (tst_postes_postgres)");
        FormMain w;
        const auto coder = [&w](const QString& jeton) {
            session().ActeSaisi = jeton + QStringLiteral("§10.00§10.00§Acte");
            w.NewCotation();
        };
        coder("DEQP00310____0");
        QVERIFY(test::arreterPostgres());
        ui::repondreProchaine([](ui::Demande&) { return int(QMessageBox::Ok); });
        coder("QZJA00210____1");
        const QString message = ui::journalMessages().value(0);
        QVERIFY2(message.contains(QStringLiteral("ne répond plus")) &&
                     message.contains(QStringLiteral("réessayez quand il sera revenu")),
                 qPrintable(message));
        QCOMPARE(session().CotationRetour, "DEQP00310____0");
        QVERIFY(test::redemarrerPostgres());
        coder("QZJA00210____1");
        QCOMPARE(cotation(w), "DEQP00310____0+QZJA00210____1");
        QCOMPARE(test::colonne(historique::cheminBase(m_jeu.rsc),
                               "SELECT cot FROM cotation_table_CCAM ORDER BY rowid"),
                 (QStringList{"DEQP00310____0", "QZJA00210____1"}));
        QCOMPARE(ui::reponsesEnAttente(), 0);

        // Opening while the server is away: says so, waits, then reads.
        QVERIFY(test::arreterPostgres());
        FormMain attente;
        QVERIFY2(attente.problemeBase().contains(QStringLiteral("ne répond pas")),
                 qPrintable(attente.problemeBase()));
        QVERIFY(attente.attendLaBase());
        QCOMPARE(attente.CCAMMDB(0)->recordCount(), 0);
        QVERIFY(test::redemarrerPostgres());
        QTRY_VERIFY_WITH_TIMEOUT(!attente.attendLaBase(), 5000);
        QVERIFY2(attente.problemeBase().isEmpty(), qPrintable(attente.problemeBase()));
        QVERIFY(attente.CCAMMDB(0)->recordCount() > 0);
    }
};

// "--poste DATA RSC": one workstation of deuxProcessus.
int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--poste") == 0) {
        QCoreApplication app(argc, argv);
        return poste(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QApplication app(argc, argv);
    TstPostes t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}
#include "tst_postes.moc"
