// The act window over the demonstration reference.
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "actdetail/GetCCAM.h"
#include "actdetail/ReglesActe.h"
#include "coding/Cotation.h"
#include "practice/TarifCotation.h"
#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "session/FinProcessus.h"
#include "session/Session.h"
#include "srt/ConstructionReference.h"
#include "srt/Tarifs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTest>

#include <functional>
#include <memory>

using namespace pava;
using test::choisirDans;
using test::cliquer;
using test::enfant;
using test::rangee;

namespace {

struct Ouvreur : OuvreurActe
{
    int actes = 0;
    QStringList jetons;
    std::function<void()> supprimer;
    int nombreActesCodes() const override { return actes; }
    QStringList jetonsCodes() const override { return jetons; }
    void supprimerActeCourant() override
    {
        --actes;
        if (supprimer)
            supprimer();
    }
};

QStringList items(const QComboBox* liste)
{
    QStringList t;
    for (int i = 0; i < liste->count(); ++i)
        t << liste->itemText(i);
    return t;
}

QString texte(const GetCCAM& w, const char* nom)
{
    return enfant<QLineEdit>(&w, QLatin1String(nom))->text();
}

} // namespace

class TstActe : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    test::JeuEssai m_jeu;
    Ouvreur m_ouvreur;

    std::unique_ptr<GetCCAM> ouvrir(const QString& code)
    {
        auto w = std::make_unique<GetCCAM>(&m_ouvreur);
        w->CodeCCAMInit()->setText(code);
        w->show();
        const QComboBox* associations = enfant<QComboBox>(w.get(), "CodeAssociationCCAM");
        (void)QTest::qWaitFor([&] { return !w->isVisible() || associations->count() > 0; });
        return w;
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        reinitialiserSession();
        m_jeu = test::creerJeuEssai(*m_env);
        QVERIFY2(m_jeu.erreur.isEmpty(), qPrintable(m_jeu.erreur));
        m_ouvreur = Ouvreur{};
        ui::oublierReponses();
        ui::viderJournal();
    }
    void cleanup()
    {
        QCOMPARE(ui::reponsesEnAttente(), 0);
        setFinProcessus({});
        m_env.reset();
    }

    void modificateursProposes_data()
    {
        QTest::addColumn<QString>("specialite");
        QTest::addColumn<int>("selection");
        rangee("Y pour 13", "13", 2);
        rangee("Z pour 06", "06", 3);
        rangee("Z pour 6", "6", 3);
        rangee("ni l'un ni l'autre pour 01", "01", -1);
    }
    void modificateursProposes()
    {
        QFETCH(QString, specialite);
        QFETCH(int, selection);
        const ModificateursProposes p =
            pava::modificateursProposes(u"QZJA002@FUrgence@YRadio@ZZone", u"QZJA002", specialite);
        QCOMPARE(p.elements, (QStringList{"F : Urgence", "Y : Radio", "Z : Zone"}));
        QCOMPARE(p.selection, selection);
        // With the radiography item in front for 14 (Y first) and YYYY030,
        // the index still counts from the component's first modifier.
        QCOMPARE(
            pava::modificateursProposes(u"YYYY030@FUrgence@YRadio", u"YYYY030", u"14").selection,
            2);
    }

    // Priced as it opens, at each qualifier, by the keyboard and the mouse.
    void unActeTarifePuisUnAutre()
    {
        auto w = ouvrir("QZJA002");
        const auto* m0 = enfant<QComboBox>(w.get(), "Modificateur_0");
        QCOMPARE(m0->count(), 7);
        QCOMPARE(items(enfant<QComboBox>(w.get(), "Modificateur_3")), items(m0));
        QCOMPARE(texte(*w, "TarifCCAM"), "30.00");
        choisirDans(w.get(), "Modificateur_0", "F");
        QCOMPARE(texte(*w, "TarifCCAM"), "50.00");
        choisirDans(w.get(), "CodeAssociationCCAM", "3");
        QCOMPARE(texte(*w, "TarifCCAM"), "42.50");
        cliquer(w.get(), "Tarif");
        QCOMPARE(texte(*w, "TarifCCAMReel"), "42.50");
        const QLabel* explication = enfant<QLabel>(w.get(), "Explication");
        QVERIFY2(explication->text().contains(QStringLiteral("Prix unitaire (activité 1, phase 0) "
                                                             ": 30,00 €")),
                 qPrintable(explication->text()));
        // One number format.
        QVERIFY2(explication->text().contains(
                     QStringLiteral("30,00 € × 75 % (code association 3) + 20,00 € de forfaits "
                                    "= 42,50 €.")),
                 qPrintable(explication->text()));
        QVERIFY(!explication->text().contains(QRegularExpression("\\d\\.\\d")));

        QTest::mouseClick(enfant<QCheckBox>(w.get(), "Check1"), Qt::LeftButton);
        QCOMPARE(texte(*w, "TarifCCAMReel"), "49.94");
        QVERIFY(explication->text().endsWith(
            QStringLiteral("Majoration de 17,5 % : 42,50 € × 1,175 = 49,94 €.")));

        // Typed by hand: followed by "Réel", no explanation any more.
        auto* secu = enfant<QLineEdit>(w.get(), "TarifCCAM");
        secu->selectAll();
        QTest::keyClicks(secu, "10");
        QCOMPARE(texte(*w, "TarifCCAMReel"), "11.75");
        QVERIFY(explication->text().isEmpty());
        secu->clear();
        QCOMPARE(texte(*w, "TarifCCAMReel"), QString());
    }

    // F12 refused where the user must mend the act; Escape closes.
    void refusEtAnnulation_data()
    {
        QTest::addColumn<int>("actesCodes");
        QTest::addColumn<bool>("supplement");
        QTest::addColumn<int>("touche");
        QTest::addColumn<QString>("focus"); // "" = closed
        rangee("deuxième acte sans association", 1, false, int(Qt::Key_F12), "CodeAssociationCCAM");
        rangee("supplément attendu, autre acte", 0, true, int(Qt::Key_F12), "Command3");
        rangee("Échap", 1, false, int(Qt::Key_Escape), "");
    }
    void refusEtAnnulation()
    {
        QFETCH(int, actesCodes);
        QFETCH(bool, supplement);
        QFETCH(int, touche);
        QFETCH(QString, focus);
        m_ouvreur.actes = actesCodes;
        auto w = ouvrir("QZJA002");
        session().ModeSupplementTransitoire = supplement;
        if (supplement)
            ui::repondreProchaine([](ui::Demande&) { return QMessageBox::Ok; });
        QTest::keyClick(w.get(), Qt::Key(touche));
        QCOMPARE(w->isVisible(), !focus.isEmpty());
        if (focus.isEmpty())
            QCOMPARE(w->result(), int(QDialog::Rejected));
        else
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(session().ActeSaisi, QString());
        QCOMPARE(ui::journalMessages(),
                 supplement ? QStringList{QStringLiteral(
                                  "Erreur de saisie... : L'acte choisi ne semble pas être un "
                                  "supplément de la CCAM.\nVous aviez choisi de saisir un "
                                  "supplément à l'acte précédent.\nVeuillez vérifier.")}
                            : QStringList{});
    }

    // Hand-computed prices asked of every way the program prices an act.
    void unPrixParTousLesChemins_data()
    {
        QTest::addColumn<QString>("jeton");
        QTest::addColumn<int>("grille");
        QTest::addColumn<QString>("euros");
        rangee("acte seul", "QZJA00210____1", 1, "30.00");
        rangee("isolé", "DEQP00310____0", 1, "15.50");
        rangee("forfait après l'association", "QZJA00210F___2", 1, "35.00");
        rangee("pourcentage associé", "QZJA00210R___2", 1, "22.50");
        rangee("pourcentage et forfait, code 3", "QZJA00210RF__3", 1, "53.75");
        rangee("demi-centime arrondi au-dessus, grille 2", "QZJA00210R___2", 2, "20.63");
        rangee("quatre modificateurs, code 2", "QZJA00210RFPS2", 1, "117.50");
        rangee("code 4 à taux plein", "QZJA01710U___4", 1, "80.00");
        rangee("code 5, grille 2", "QZJA01710____5", 2, "45.00");
    }
    void unPrixParTousLesChemins()
    {
        QFETCH(QString, jeton);
        QFETCH(int, grille);
        QFETCH(QString, euros);
        const QString profil = cheminProfil();
        if (grille == 2)
            QVERIFY(test::writeFile(profil, test::readFile(profil) + "[PavaCCAM]\r\nGrille=2\r\n"));
        session().CheminDataRsc = m_jeu.rsc;
        const JetonActe j = *JetonActe::lire(jeton);
        const ActeQualifie a = acteQualifie(j);
        TarificateurSRT t = tarificateurSession();
        const QString centimes = QString(euros).remove('.').replace(QRegularExpression("^0+"), "");

        QCOMPARE(texteEuros(t.Tarifer(a).centimes()), euros);
        QCOMPARE(t.GetTarifActe(a.code, a.modificateurs[0], a.modificateurs[1], a.modificateurs[2],
                                a.modificateurs[3], a.association, "0", {}),
                 centimes);
        QCOMPARE(t.DetailTarifActe(a.code,
                                   QStringList(a.modificateurs.cbegin(), a.modificateurs.cend()),
                                   a.association)
                     .reponse,
                 centimes);
        if (a.modificateurs[2].isEmpty()) {
            UsrSrt u;
            u.setDateActe(texteDateHeureMaintenant());
            QCOMPARE(u.GetBaseRemboursementActe(a.code, a.modificateurs[0], a.modificateurs[1], "0",
                                                a.association),
                     euros);
        }
        QCOMPARE(Get_Tarif(jeton, {}), std::optional<QString>(euros));

        // The act window, qualified by hand as the practitioner would.
        m_ouvreur.actes = j.association == u"0" ? 0 : 1;
        auto w = ouvrir(a.code);
        for (int k = 0; k < 4; ++k) {
            if (!a.modificateurs[k].isEmpty())
                choisirDans(w.get(), QStringLiteral("Modificateur_%1").arg(k), a.modificateurs[k]);
        }
        choisirDans(w.get(), "CodeAssociationCCAM", j.association);
        cliquer(w.get(), "Tarif");
        QCOMPARE(texte(*w, "TarifCCAM"), euros);
        QTest::keyClick(w.get(), Qt::Key_F12);
        QCOMPARE(EnregistrementActe::lire(session().ActeSaisi)->tarifSecu, euros);
        QCOMPARE(EnregistrementActe::lire(session().ActeSaisi)->jeton, jeton);
    }

    // An act that cannot be priced is refused with the file's fault, logged.
    void acteSansTarifRefuse_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("reference"); // what replaces the file; "-" removes it
        QTest::addColumn<QString>("cause");
        rangee("référentiel absent", "QZJA002", QByteArray("-"), "introuvable");
        rangee("référentiel vide", "QZJA002", QByteArray(), "endommagé");
        rangee("pas une base", "QZJA002", QByteArray(4096, 'x'), "endommagé");
        rangee("acte inconnu", "ZZZZ999", QByteArray("="), "inconnu");
    }
    void acteSansTarifRefuse()
    {
        QFETCH(QString, code);
        QFETCH(QByteArray, reference);
        QFETCH(QString, cause);
        const QString fichier = cheminReferenceSrt(m_jeu.srt);
        if (reference == "-")
            QVERIFY(QFile::remove(fichier));
        else if (reference != "=")
            QVERIFY(test::writeFile(fichier, reference));
        auto w = ouvrir(code);
        ui::repondreProchaine([](ui::Demande&) { return QMessageBox::Ok; });
        QTest::keyClick(w.get(), Qt::Key_F12);
        QVERIFY(w->isVisible());
        QCOMPARE(session().ActeSaisi, QString());
        const QStringList messages = ui::journalMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(cause) && messages[0].contains(code),
                 qPrintable(messages[0]));
        QVERIFY(enfant<QLineEdit>(w.get(), "TarifCCAM")->text().isEmpty());
        QVERIFY(test::journalErreurs().contains(code));
    }

    // U and F once per consultation; "&Oui" recoding that act gives them back.
    void urgenceUneFoisParConsultation()
    {
        m_ouvreur.actes = 1;
        m_ouvreur.jetons = {"DEQP00310F___0"};
        session().QuestionActeIsole = true;
        auto w = ouvrir("DEQP003");
        const auto disponibles = [&w] {
            QString lettres;
            const auto* m = enfant<QComboBox>(w.get(), "Modificateur_3");
            const auto* modele = qobject_cast<const QStandardItemModel*>(m->model());
            for (int i = 1; i < m->count(); ++i)
                if (modele->item(i)->isEnabled())
                    lettres += m->itemText(i).left(1);
            return lettres;
        };
        QCOMPARE(disponibles(), "PS"); // DEQP003 allows F, P, S, U in the demonstration
        const QLabel* urgence = enfant<QLabel>(w.get(), "Urgence");
        QVERIFY(urgence->isVisibleTo(w.get()));
        QVERIFY2(urgence->text().contains("DEQP003") && urgence->text().contains(" F "),
                 qPrintable(urgence->text()));
        m_ouvreur.supprimer = [this] { m_ouvreur.jetons.clear(); };
        cliquer(w.get(), "Command4_0");
        QCOMPARE(disponibles(), "FPSU");
        QVERIFY(!urgence->isVisibleTo(w.get()));
        QCOMPARE(urgenceDejaFacturee({"QZJA00210____2", "DEQP00310_U__1"}).contains("DEQP003"),
                 true);
        QCOMPARE(urgenceDejaFacturee({"QZJA00210P___1", "DEQP00310____2"}), QString());
    }

    // Under the isolated-act question, F12 does not hand the act back twice.
    void questionActeIsoleAuClavier()
    {
        session().QuestionActeIsole = true;
        auto w = ouvrir("DEQP003");
        QVERIFY(!enfant<QWidget>(w.get(), "Formulaire")->isEnabled());
        QVERIFY(!enfant<QPushButton>(w.get(), "Command1")->isEnabled());
        QTest::keyClick(w.get(), Qt::Key_F12);
        QTest::keyClick(w.get(), Qt::Key_Down);
        QTest::keyClick(w.get(), Qt::Key_F12);
        QVERIFY(w->isVisible());
        QCOMPARE(session().ActeSaisi, QString());
        cliquer(w.get(), "Command4_0");
        QVERIFY(enfant<QPushButton>(w.get(), "Command1")->isEnabled());
    }

    // A profile that stopped naming the reference: refused, the process goes on.
    void sansRepertoireSrt_data()
    {
        QTest::addColumn<QByteArray>("profil"); // empty: no profile file at all
        QTest::addColumn<QString>("cause");
        rangee("clé Path vide", QByteArray("[API_Sesam]\r\nPath=\r\n"),
               "ne donne pas le répertoire SRT (section [API_Sesam], clé Path)");
        rangee("profil absent", QByteArray(), "Pavareg.reg introuvable");
    }
    void sansRepertoireSrt()
    {
        QFETCH(QByteArray, profil);
        QFETCH(QString, cause);
        if (profil.isEmpty())
            QVERIFY(QFile::remove(m_env->sysconf() + "/Pavareg.reg"));
        else
            m_env->writeProfile(profil);
        int fins = 0;
        setFinProcessus([&fins] { ++fins; });
        ui::repondreProchaine([](ui::Demande&) { return int(QMessageBox::Ok); });
        auto w = ouvrir("QZJA002");
        QCOMPARE(fins, 0);
        QVERIFY(!w->isVisible());
        QCOMPARE(w->result(), int(QDialog::Rejected));
        QCOMPARE(ui::journalMessages().size(), 1);
        QVERIFY2(ui::journalMessages().first().contains(cause),
                 qPrintable(ui::journalMessages().first()));
        QVERIFY2(test::journalErreurs().contains(cause), qPrintable(test::journalErreurs()));
    }
};

QTEST_MAIN(TstActe)
#include "tst_acte.moc"
