// The act window: its list and tariff rules without any window, then the
// window itself over the demonstration reference, driven as a user drives it.
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "actdetail/GetCCAM.h"
#include "actdetail/ReglesActe.h"
#include "coding/Windows1252.h"
#include "log/ErrorLog.h"
#include "session/FinProcessus.h"
#include "session/Session.h"
#include "workspace/Fenetres.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace pava;
using test::choisirDans;
using test::cliquer;
using test::enfant;
using test::rangee;

namespace {

// Stands for the workspace that opened the window.
struct Ouvreur : OuvreurActe
{
    int actes = 0;
    int suppressions = 0;
    QStringList historique;
    int nombreActesCodes() const override { return actes; }
    void supprimerActeCourant() override { ++suppressions, --actes; }
    void Ajoute_CCAM(const QString& e) override { historique << e; }
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
    Ouvreur m_ouvreur;

    // The window on a code, shown, its act read.
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
        const test::JeuEssai jeu = test::creerJeuEssai(*m_env);
        QVERIFY2(jeu.erreur.isEmpty(), qPrintable(jeu.erreur));
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
        QTest::addColumn<QString>("reponse");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("specialite");
        QTest::addColumn<QStringList>("elements");
        QTest::addColumn<int>("selection");
        const QString yz = QStringLiteral("QZJA002@FUrgence@YRadio@ZZone");
        const QStringList fyz = {"F : Urgence", "Y : Radio", "Z : Zone"};
        const QString radio = QStringLiteral("Y: Radiographie realisee par pneumologue ou "
                                             "rhumatologue");
        rangee("sans @", "QZJA002", "QZJA002", "13", QStringList{}, -1);
        rangee("réponse vide", "", "X", "13", QStringList{}, -1);
        rangee("Y pour 13", yz, "QZJA002", "13", fyz, 2);
        rangee("Y pour 14", yz, "QZJA002", "14", fyz, 2);
        rangee("Z pour 06", yz, "QZJA002", "06", fyz, 3);
        rangee("Z pour 6", yz, "QZJA002", "6", fyz, 3);
        rangee("ni l'un ni l'autre pour 01", yz, "QZJA002", "01", fyz, -1);
        rangee("14 et YYYY030", "YYYY030@FUrgence", "YYYY030", "14",
               QStringList{radio, "F : Urgence"}, 1);
        // The index counts from the component's first modifier: with the
        // radiography item in front it lands one item before "Y : Radio".
        rangee("14, YYYY030 et un Y", "YYYY030@FUrgence@YRadio", "YYYY030", "14",
               QStringList{radio, "F : Urgence", "Y : Radio"}, 2);
    }
    void modificateursProposes()
    {
        QFETCH(QString, reponse);
        QFETCH(QString, code);
        QFETCH(QString, specialite);
        QFETCH(QStringList, elements);
        QFETCH(int, selection);
        const ModificateursProposes p = pava::modificateursProposes(reponse, code, specialite);
        QCOMPARE(p.elements, elements);
        QCOMPARE(p.selection, selection);
    }

    void associationsProposees()
    {
        QCOMPARE(pava::associationsProposees(u"1Plein@2Moitié@"),
                 (QStringList{"1 : Plein", "2 : Moitié"}));
        QCOMPARE(pava::associationsProposees(u"1Plein"), QStringList{});
    }

    void tarifs_data()
    {
        QTest::addColumn<QString>("reponse");
        QTest::addColumn<QString>("association");
        QTest::addColumn<bool>("majore");
        QTest::addColumn<QString>("secu");
        QTest::addColumn<QString>("reel");
        rangee("2469, association 1", "2469", "1", false, "24.69", "24.69");
        rangee("2469, +17.5%", "2469", "1", true, "24.69", "29.01");
        rangee("2469, association 2", "2469", "2", false, "12.35", "12.35");
        rangee("2469, association 3, +17.5%", "2469", "3", true, "18.52", "21.76");
        rangee("réponse vide", "", "1", true, "0.00", "0.00");
        rangee("réponse non numérique", "abc", "2", false, "0.00", "0.00");
    }
    void tarifs()
    {
        QFETCH(QString, reponse);
        QFETCH(QString, association);
        QFETCH(bool, majore);
        QFETCH(QString, secu);
        QFETCH(QString, reel);
        const QString calcule = tarifAssocie(tarifDeBase(reponse), association);
        QCOMPARE(calcule, secu);
        QCOMPARE(tarifReel(calcule, majore), reel);
        QCOMPARE(tarifReel(u"", true), QString());
    }

    void ouvertureSurUnCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("specialite");
        QTest::addColumn<QString>("libelle");
        QTest::addColumn<QStringList>("modificateurs0");
        QTest::addColumn<int>("selection0");
        const QString plaie = QStringLiteral("Parage et/ou suture d'une plaie superficielle de la "
                                             "peau, de moins de 3 cm, hors de la face");
        rangee("acte de la liste", "QZJA002", "13", plaie,
               QStringList{" (Aucun)", "F : Acte réalisé en urgence un dimanche ou un jour férié",
                           "M : Soins d'urgence faits au cabinet du médecin généraliste",
                           "P : Acte réalisé en urgence en début de nuit (20 h - minuit)",
                           "R : Acte sur une plaie de la face ou des mains",
                           "S : Acte réalisé en urgence en nuit profonde (minuit - 8 h)",
                           "U : Acte réalisé en urgence la nuit par un autre médecin"},
               0);
        rangee("blancs autour du code : libellé vide, code nettoyé", " QZJA002 ", "13", "",
               QStringList{}, 0);
        rangee("acte inconnu du référentiel, spécialité 14", "YYYY030", "14", "",
               QStringList{" (Aucun)", "Y: Radiographie realisee par pneumologue ou rhumatologue"},
               1);
        rangee("apostrophe dans le code", "QZ'A002", "13", "", QStringList{" (Aucun)"}, 0);
    }
    void ouvertureSurUnCode()
    {
        QFETCH(QString, code);
        QFETCH(QString, specialite);
        QFETCH(QString, libelle);
        QFETCH(QStringList, modificateurs0);
        QFETCH(int, selection0);
        session().CodeSpecialitePraticien = specialite;
        auto w = ouvrir(code);
        QVERIFY(w->isVisible());
        QCOMPARE(texte(*w, "CodeCCAMInit"), code.trimmed());
        QCOMPARE(texte(*w, "LibelleCCAM"), libelle);
        const auto* m0 = enfant<QComboBox>(w.get(), "Modificateur_0");
        if (!modificateurs0.isEmpty())
            QCOMPARE(items(m0), modificateurs0);
        QCOMPARE(m0->currentIndex(), selection0);
        for (int k = 1; k < 4; ++k) {
            const auto* m = enfant<QComboBox>(w.get(), QStringLiteral("Modificateur_%1").arg(k));
            QCOMPARE(items(m), items(m0));
            QCOMPARE(m->currentText(), " (Aucun)");
        }
        const auto* assoc = enfant<QComboBox>(w.get(), "CodeAssociationCCAM");
        QCOMPARE(assoc->itemText(0), "0 : Pas d'association");
        QVERIFY(assoc->count() > 2);
        QCOMPARE(assoc->currentIndex(), 0);
        QCOMPARE(enfant<QComboBox>(w.get(), "CodeRbstExeptCCAM")->currentIndex(), -1);
        // A second activation leaves the lists as they are.
        const int n = m0->count();
        w->Form_Activate();
        QCOMPARE(m0->count(), n);
    }

    // Pricing in the frame, from the keyboard and the mouse; the line under
    // the boxes says how the price was reached.
    void tarification()
    {
        auto w = ouvrir("QZJA002");
        choisirDans(w.get(), "Modificateur_0", "F");
        choisirDans(w.get(), "CodeAssociationCCAM", "2");
        cliquer(w.get(), "Tarif");
        QCOMPARE(texte(*w, "TarifCCAM"), "25.00");
        QCOMPARE(texte(*w, "TarifCCAMReel"), "25.00");
        const QLabel* explication = enfant<QLabel>(w.get(), "Explication");
        QVERIFY2(explication->text().contains(QStringLiteral("Prix unitaire (activité 1, phase 0) "
                                                             ": 30.00 €")),
                 qPrintable(explication->text()));
        QVERIFY(explication->text().contains("Modificateur F"));
        // Only what explains the price: not the raw answer nor the place.
        QVERIFY(!explication->text().contains("GetTarifActe"));
        QVERIFY(!explication->text().contains("Code lieu"));
        QVERIFY(explication->text().contains(
            QStringLiteral("Code association 2 : 50.00 € × 50 % = 25.00 €.")));

        QTest::mouseClick(enfant<QCheckBox>(w.get(), "Check1"), Qt::LeftButton);
        QCOMPARE(texte(*w, "TarifCCAMReel"), "29.38");
        QVERIFY(explication->text().endsWith(
            QStringLiteral("Majoration de 17,5 % : 25.00 € × 1,175 = 29.38 €.")));

        // Typed by hand: followed by "Réel", no explanation any more.
        auto* secu = enfant<QLineEdit>(w.get(), "TarifCCAM");
        secu->selectAll();
        QTest::keyClicks(secu, "10");
        QCOMPARE(texte(*w, "TarifCCAMReel"), "11.75");
        QVERIFY(explication->text().isEmpty());
        secu->clear();
        QCOMPARE(texte(*w, "TarifCCAMReel"), QString());
    }

    void validation_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("actesCodes");
        QTest::addColumn<QString>("association"); // typed in the list, "" = left as it is
        QTest::addColumn<bool>("supplement");
        QTest::addColumn<QString>("jeton"); // "" = refused
        QTest::addColumn<QString>("focus");
        rangee("premier acte sans association", "QZJA002", 0, "", false, "QZJA00210____0", "");
        rangee("deuxième acte sans association : refusé", "QZJA002", 1, "", false, "",
               "CodeAssociationCCAM");
        rangee("deuxième acte, association 1", "QZJA002", 1, "1", false, "QZJA00210____1", "");
        rangee("supplément sans association après un acte", "YYYY300", 1, "", false,
               "YYYY30010____0", "");
        rangee("supplément attendu, autre acte : refusé", "QZJA002", 0, "", true, "", "Command3");
    }
    void validation()
    {
        QFETCH(QString, code);
        QFETCH(int, actesCodes);
        QFETCH(QString, association);
        QFETCH(bool, supplement);
        QFETCH(QString, jeton);
        QFETCH(QString, focus);
        m_ouvreur.actes = actesCodes;
        auto w = ouvrir(code);
        session().ModeSupplementTransitoire = supplement;
        if (!association.isEmpty())
            choisirDans(w.get(), "CodeAssociationCCAM", association);
        ui::repondreProchaine([](ui::Demande&) { return QMessageBox::Ok; });
        QTest::keyClick(w.get(), Qt::Key_F12);
        if (jeton.isEmpty()) {
            QVERIFY(w->isVisible());
            QCOMPARE(session().ActeSaisi, QString());
            QVERIFY(m_ouvreur.historique.isEmpty());
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
            const QStringList messages = ui::journalMessages();
            QCOMPARE(messages.size(), supplement ? 1 : 0);
            if (supplement)
                QCOMPARE(messages.first(),
                         QStringLiteral("Erreur de saisie... : L'acte choisi ne semble pas être "
                                        "un supplément de la CCAM.\nVous aviez choisi de saisir "
                                        "un supplément à l'acte précédent.\nVeuillez vérifier."));
            else
                ui::oublierReponses();
            return;
        }
        ui::oublierReponses();
        QVERIFY(!w->isVisible());
        QCOMPARE(w->result(), int(QDialog::Accepted));
        const QStringList champs = session().ActeSaisi.split(QChar(0xA7));
        QCOMPARE(champs.size(), 4);
        QCOMPARE(champs[0], jeton);
        QVERIFY(champs[1].contains(QLatin1Char('.')) && champs[1] == champs[2]);
        QCOMPARE(m_ouvreur.historique, QStringList{session().ActeSaisi});
        QCOMPARE(session().IndexAssociation, qint16(association == u"1" ? 1 : 0));
        QVERIFY(!session().ModeSupplementTransitoire);
    }

    void annulation()
    {
        for (auto annuler : {+[](GetCCAM* w) { QTest::keyClick(w, Qt::Key_Escape); },
                             +[](GetCCAM* w) { cliquer(w, "Command2"); }}) {
            auto w = ouvrir("QZJA002");
            annuler(w.get());
            QVERIFY(!w->isVisible());
            QCOMPARE(w->result(), int(QDialog::Rejected));
            QCOMPARE(session().ActeSaisi, QString());
        }
    }

    // Without a code the chooser is asked; "Choisir un autre acte" asks it
    // again and appends the new act's entries to the lists.
    void actesChoisisDansLeLecteur()
    {
        test::choisirActe("QZJA002");
        auto w = ouvrir(QString());
        QCOMPARE(texte(*w, "CodeCCAMInit"), "QZJA002");
        const auto* m0 = enfant<QComboBox>(w.get(), "Modificateur_0");
        const int avant = m0->count();
        QCOMPARE(avant, 7);

        test::choisirActe("DEQP003");
        cliquer(w.get(), "Command3");
        QCOMPARE(texte(*w, "CodeCCAMInit"), "DEQP003");
        QVERIFY(texte(*w, "LibelleCCAM").startsWith("Électrocardiographie"));
        QCOMPARE(m0->count(), avant + 5); // " (Aucun)" and F, P, S, U
        QCOMPARE(m0->currentIndex(), avant);

        test::choisirActe(QString());
        cliquer(w.get(), "Command3");
        QVERIFY(!w->isVisible());
        QCOMPARE(session().ActeSaisi, QString());
    }

    // An installation whose profile names no reference: the server stops,
    // and the error log says why first.
    void sansRepertoireSrt()
    {
        m_env->writeProfile("[API_Sesam]\r\nPath=\r\n");
        int fins = 0;
        setFinProcessus([&fins] { ++fins; });
        auto w = ouvrir("QZJA002");
        QCOMPARE(fins, 1);
        QVERIFY(!w->isVisible());
        const QString log = depuisWindows1252(test::readFile(journal::cheminJournal()));
        QVERIFY2(log.contains("Pavareg.reg") && log.contains("API_Sesam"), qPrintable(log));
    }
};

QTEST_MAIN(TstActe)
#include "tst_acte.moc"
