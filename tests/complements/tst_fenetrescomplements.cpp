// The complement windows driven as the user drives them: ticking slots across
// the tabs, changing a slot through the entry window, the tab titles, the
// amounts window, and a slot that cannot be saved.
#include "CatalogueEssai.h"
#include "Pannes.h"
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "complements/FrmActeComp.h"
#include "complements/FrmAutresComplements.h"
#include "complements/FrmSaisieActeComp.h"
#include "log/ErrorLog.h"
#include "session/Session.h"
#include "workspace/Dialogues.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace pava;
using test::enfant;
using test::rangee;

namespace {

const QString kIntegre1 = QStringLiteral("Actes complémentaires par défaut");
const QString kIntegre2 = QStringLiteral("Actes complémentaires Radiologie");
const QString kIntegre3 = QStringLiteral("Actes complémentaires Rhumatologie");

void cliquer(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

// Brings tab k (1-3) to front as the user does, by its tab.
void cliquerOnglet(const QWidget* fenetre, int k)
{
    QTabBar* barre = enfant<QTabWidget>(fenetre, "SSTab1")->tabBar();
    QTest::mouseClick(barre, Qt::LeftButton, {}, barre->tabRect(k - 1).center());
}

void remplacerTexte(QLineEdit* zone, const QString& texte)
{
    zone->selectAll();
    QTest::keyClick(zone, Qt::Key_Delete);
    QTest::keyClicks(zone, texte);
}

} // namespace

class TstFenetresComplements : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;

    QString fichier(int k) const { return m_env->home() + QStringLiteral("/Complt%1.txt").arg(k); }
    QByteArrayList contenus() const { return test::contenusCatalogue(m_env->home()); }
    QStringList titresFichiers() const
    {
        QStringList t;
        for (const QByteArray& c : contenus())
            t << depuisWindows1252(c.left(c.indexOf("\r\n")));
        return t;
    }
    QStringList fichiersComplements() const
    {
        return QDir(m_env->home()).entryList({QStringLiteral("Complt*")}, QDir::Files, QDir::Name);
    }
    void ecrireCatalogue()
    {
        QVERIFY(test::writeFile(
            fichier(1), test::octetsCatalogue(
                            {}, {"Consultation||C", "Radio|ZBQK002A0____1|", "Sans code|  |"})));
        QVERIFY(test::writeFile(fichier(2), test::octetsCatalogue("Radio", {"|X|", "B||K8"})));
        QVERIFY(test::writeFile(
            fichier(3), test::octetsCatalogue("Gestes & ponctions", {"Infiltration|MZLB001|"})));
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        reinitialiserSession();
    }
    void cleanup()
    {
        QFile::setPermissions(m_env->home(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ui::oublierReponses();
        ui::viderJournal();
        reinitialiserSession();
        m_env.reset();
    }

    void cocherPuisFermer_data()
    {
        QTest::addColumn<QStringList>("clics");   // "tab|row index|control"
        QTest::addColumn<QString>("fin");         // a button, Échap or cadre
        QTest::addColumn<QStringList>("attendu"); // valid, labels, CCAM, NGAP
        rangee("à travers les onglets, par la case et par le libellé",
               QStringList{"3|0|Check", "1|1|lLib"}, "Command2",
               QStringList{"1", "Radio+Infiltration", "ZBQK002A0____1+MZLB001", ""});
        rangee("un clic sur la cotation décoche, libellé vide en premier",
               QStringList{"1|0|Check", "1|0|NGAP", "2|1|CCAM", "2|0|Check"}, "Command2",
               QStringList{"1", "B", "X", "K8"});
        // Whatever was ticked, the texts stay as an earlier confirmation left them.
        const QStringList avant{"", "Ancien", "Ancien", ""};
        rangee("&Annuler", QStringList{"1|1|Check"}, "Command1", avant);
        rangee("Échap", QStringList{"1|1|Check"}, "Échap", avant);
        rangee("cadre : rien n'est changé", QStringList{"1|1|Check"}, "cadre",
               QStringList{"1", "Ancien", "Ancien", ""});
    }
    void cocherPuisFermer()
    {
        QFETCH(QStringList, clics);
        QFETCH(QString, fin);
        QFETCH(QStringList, attendu);
        ecrireCatalogue();
        Session& s = session();
        s.ComplementValide = true;
        s.LibelleComplement = s.CotationCCAMComplement = QStringLiteral("Ancien");
        FrmActeComp w;
        w.show();
        QWidget* dernier = nullptr;
        for (const QString& c : clics) {
            const QStringList p = c.split(QLatin1Char('|'));
            cliquerOnglet(&w, p[0].toInt());
            dernier = enfant<QWidget>(&w, p[2] + p[0] + QLatin1Char('_') + p[1]);
            cliquer(dernier);
        }
        if (fin == QStringLiteral("Échap"))
            QTest::keyClick(dernier, Qt::Key_Escape);
        else if (fin == QStringLiteral("cadre"))
            w.close();
        else
            test::cliquer(&w, fin);
        QVERIFY(!w.isVisible());
        QCOMPARE((QStringList{s.ComplementValide ? "1" : "", s.LibelleComplement,
                              s.CotationCCAMComplement, s.CotationNGAPComplement}),
                 attendu);
    }

    // "Modifier" on slot 2 of tab 1 ("Radio", "ZBQK002A0____1", ""), the
    // entry window played as the user would.
    void modifierUnEmplacement_data()
    {
        QTest::addColumn<QString>("libelle"); // typed in Text1; null = untouched
        QTest::addColumn<QString>("encours"); // the workspace's coding; null = no import
        QTest::addColumn<QString>("total");   // typed in the amounts window; null = not opened
        QTest::addColumn<QString>("fin");     // Command2 "&Ok", Command1 "&Annuler", Échap, cadre
        QTest::addColumn<QStringList>("attendu"); // the slot afterwards; empty = unchanged
        QTest::addColumn<bool>("explique");
        const QString n;
        const QString radio = "ZBQK002A0____1";
        using L = QStringList;
        rangee("Ok", "Radio du thorax", n, n, "Command2", L{"Radio du thorax", radio, ""}, false);
        rangee("§ refusé", "Radio§ §§poumons", n, n, "Command2", L{"Radio poumons", radio, ""},
               true);
        rangee("import puis Ok", n, "QZJA002A0____1+DEQP003A0____1", n, "Command2",
               L{"Radio", "QZJA002A0____1+DEQP003A0____1", ""}, false);
        rangee("import d'une liste vide", n, "", n, "Command2", L{"Radio", "", ""}, false);
        rangee("import puis Annuler", "Autre", "QZJA002A0____1", n, "Command1", L{}, false);
        rangee("Échap", "Autre", n, n, "Échap", L{}, false);
        rangee("cadre", "Autre", n, n, "cadre", L{}, false);
        rangee("montant total", n, n, "45.5", "Command2", L{"Radio", radio + "=45.5", ""}, false);
    }
    void modifierUnEmplacement()
    {
        QFETCH(QString, libelle);
        QFETCH(QString, encours);
        QFETCH(QString, total);
        QFETCH(QString, fin);
        QFETCH(QStringList, attendu);
        QFETCH(bool, explique);
        ecrireCatalogue();
        const QByteArrayList avant = contenus();
        session().CotationRetour = encours;
        FrmActeComp w;
        w.show();
        cliquer(enfant<QCheckBox>(&w, "Check1_0"));
        bool explication = false;
        ui::repondreProchaine([&](ui::Demande& d) {
            auto* saisie = qobject_cast<FrmSaisieActeComp*>(d.fenetre);
            saisie->show();
            auto* text1 = enfant<QLineEdit>(saisie, "Text1");
            if (!libelle.isNull())
                remplacerTexte(text1, libelle);
            if (!encours.isNull())
                test::cliquer(saisie, "Command3");
            if (!total.isNull()) {
                ui::repondreProchaine([&](ui::Demande& m) {
                    m.fenetre->show();
                    auto* boite = enfant<QLineEdit>(m.fenetre, "Text1_0");
                    QTest::keyClicks(boite, total);
                    QTest::keyClick(boite, Qt::Key_Return); // "Suite" is the default button
                    return qobject_cast<QDialog*>(m.fenetre)->result();
                });
                test::cliquer(saisie, "Command4");
            }
            explication = enfant<QLabel>(saisie, "Explication")->isVisible();
            if (fin == QStringLiteral("Échap"))
                QTest::keyClick(text1, Qt::Key_Escape);
            else if (fin == QLatin1String("cadre"))
                saisie->close();
            else
                test::cliquer(saisie, fin);
            return saisie->result();
        });
        test::cliquer(&w, "Modif1_1");
        QCOMPARE(ui::reponsesEnAttente(), 0);
        QCOMPARE(explication, explique);
        QCOMPARE(session().ComplementValide, !attendu.isEmpty());
        const bool change = !attendu.isEmpty();
        if (!change)
            attendu = QStringList{"Radio", "ZBQK002A0____1", ""};
        QStringList affiche;
        for (const char* c : {"lLib1_1", "CCAM1_1", "NGAP1_1"})
            affiche << enfant<QLabel>(&w, QString::fromLatin1(c))->text();
        QCOMPARE(affiche, attendu);
        QVERIFY(enfant<QCheckBox>(&w, "Check1_0")->isChecked());
        QCOMPARE(contenus()[1], avant[1]);
        if (change)
            QCOMPARE(
                contenus()[0],
                test::octetsCatalogue(QString(), {"Consultation||C", attendu.join(QLatin1Char('|')),
                                                  "Sans code|  |"}));
        else
            QCOMPARE(contenus()[0], avant[0]);
        QCOMPARE(fichiersComplements(), (QStringList{"Complt1.txt", "Complt2.txt", "Complt3.txt"}));
    }

    void titresDesOnglets_data()
    {
        QTest::addColumn<bool>("catalogue");        // files present, else a first use
        QTest::addColumn<QString>("saisie");        // title 2 typed, then "Ok"; null = frame
        QTest::addColumn<QStringList>("ouverture"); // the boxes when the window opens
        QTest::addColumn<QStringList>("titres");    // line 1 of the three files afterwards
        QTest::addColumn<QString>("onglet2");       // caption of tab 2 afterwards
        QTest::addColumn<QString>("rouvert");       // ... when the window opens again
        const QStringList integres{kIntegre1, kIntegre2, kIntegre3};
        rangee("premier usage, Ok", false, "Échographie", integres,
               QStringList{kIntegre1, "Échographie", kIntegre3}, "Échographie", "Échographie");
        rangee("premier usage, fermée par le cadre", false, QString(), integres, integres,
               kIntegre2, kIntegre2);
        rangee("titre vidé", true, "", QStringList{kIntegre1, "Radio", "Gestes & ponctions"},
               QStringList{kIntegre1, "", "Gestes & ponctions"}, "Radio", kIntegre2);
    }
    void titresDesOnglets()
    {
        QFETCH(bool, catalogue);
        QFETCH(QString, saisie);
        QFETCH(QStringList, ouverture);
        QFETCH(QStringList, titres);
        QFETCH(QString, onglet2);
        QFETCH(QString, rouvert);
        if (catalogue)
            ecrireCatalogue();
        QStringList boites;
        ui::repondreProchaine([&](ui::Demande& d) {
            d.fenetre->show();
            for (int i = 0; i < 3; ++i)
                boites << enfant<QLineEdit>(d.fenetre, QStringLiteral("Text1_%1").arg(i))->text();
            if (saisie.isNull()) {
                d.fenetre->close();
            } else {
                remplacerTexte(enfant<QLineEdit>(d.fenetre, "Text1_1"), saisie);
                test::cliquer(d.fenetre, "Command1");
            }
            return qobject_cast<QDialog*>(d.fenetre)->result();
        });
        {
            FrmActeComp w;
            w.show();
            test::cliquer(&w, "Command3");
            QCOMPARE(boites, ouverture);
            QCOMPARE(titresFichiers(), titres);
            QCOMPARE(enfant<QTabWidget>(&w, "SSTab1")->tabText(1), onglet2);
        }
        FrmActeComp encore;
        QCOMPARE(enfant<QTabWidget>(&encore, "SSTab1")->tabText(1), rouvert);
    }

    void montants_data()
    {
        QTest::addColumn<QString>("cotation");
        QTest::addColumn<QStringList>("affiches"); // the three boxes at opening
        QTest::addColumn<QString>("total");        // typed in box 0 (after clearing it)
        QTest::addColumn<QString>("fin");          // Entrée, cadre, Échap
        QTest::addColumn<QString>("attendu");
        rangee("rouvert, le total l'emporte, Entrée", "A+B&12$30", QStringList{"", "12", "30"},
               "45.5", "Entrée", "A+B=45.5$30");
        rangee("cadre : rien ne change", "A=45.5", QStringList{"45.5", "", ""}, "99", "cadre",
               "A=45.5");
        rangee("Échap ne ferme pas", "A=45.5", QStringList{"45.5", "", ""}, "99", "Échap",
               "A=45.5");
    }
    void montants()
    {
        QFETCH(QString, cotation);
        QFETCH(QStringList, affiches);
        QFETCH(QString, total);
        QFETCH(QString, fin);
        QFETCH(QString, attendu);
        QLineEdit text2(cotation);
        FrmAutresComplements w(&text2);
        w.show();
        QStringList boites;
        for (int i = 0; i < 3; ++i)
            boites << enfant<QLineEdit>(&w, QStringLiteral("Text1_%1").arg(i))->text();
        QCOMPARE(boites, affiches);
        auto* boite = enfant<QLineEdit>(&w, "Text1_0");
        remplacerTexte(boite, total);
        if (fin == QLatin1String("cadre"))
            w.close();
        else
            QTest::keyClick(boite,
                            fin == QStringLiteral("Échap") ? Qt::Key_Escape : Qt::Key_Return);
        QCOMPARE(w.isVisible(), fin == QStringLiteral("Échap"));
        QCOMPARE(text2.text(), attendu);
    }

    // A slot changed while its directory cannot take the new files: the
    // previous files stay whole and the user is told why.
    void echecEnregistrement_data()
    {
        QTest::addColumn<bool>("lectureSeule"); // else the disk is full
        QTest::addColumn<QString>("raison");
        QTest::addColumn<QString>("journal"); // "" = the log cannot be written either
        rangee("répertoire en lecture seule", true, "Permission refusée", "");
        rangee("disque plein", false, "Disque plein",
               "Procedure PutActeComplementaire : Erreur n° 61 (Disque plein : « ");
    }
    void echecEnregistrement()
    {
        QFETCH(bool, lectureSeule);
        QFETCH(QString, raison);
        QFETCH(QString, journal);
        QStringList longs;
        for (int r = 1; r <= 8; ++r)
            longs << QStringLiteral("Acte complémentaire de longue description numéro %1|"
                                    "QZJA002A0____1+DEQP003A0____1|C")
                         .arg(r);
        QVERIFY(test::writeFile(fichier(1), test::octetsCatalogue("Titre", longs)));
        QVERIFY(test::writeFile(fichier(2), test::octetsCatalogue("Deux")));
        const QByteArrayList avant = contenus();
        FrmActeComp w;
        w.show();

        std::unique_ptr<test::SansPasseDroits> sansDroits;
        std::unique_ptr<test::DisquePresquePlein> plein;
        if (lectureSeule) {
            QVERIFY(QFile::setPermissions(m_env->home(), QFile::ReadOwner | QFile::ExeOwner));
            sansDroits = std::make_unique<test::SansPasseDroits>();
            QFile essai(m_env->home() + QStringLiteral("/essai"));
            if (essai.open(QIODevice::WriteOnly))
                QSKIP("ce compte écrit dans un répertoire en lecture seule");
        } else {
            plein = std::make_unique<test::DisquePresquePlein>(400);
        }
        ui::repondreProchaine([](ui::Demande& d) {
            auto* saisie = qobject_cast<FrmSaisieActeComp*>(d.fenetre);
            QTest::keyClicks(enfant<QLineEdit>(saisie, "Text1"), " bis");
            test::cliquer(saisie, "Command2");
            return saisie->result();
        });
        ui::repondreProchaine([](ui::Demande&) { return int(QMessageBox::Ok); });
        test::cliquer(&w, "Modif1_0");
        plein.reset();
        sansDroits.reset();

        QCOMPARE(ui::reponsesEnAttente(), 0);
        const QString message = ui::journalMessages().value(0);
        QVERIFY2(message.contains("n'ont pas pu être enregistrés") && message.contains(raison) &&
                     message.contains(fichier(1)),
                 qPrintable(message));
        QCOMPARE(contenus(), avant);
        QCOMPARE(fichiersComplements(), (QStringList{"Complt1.txt", "Complt2.txt"}));
        // The window still shows the change, for as long as it is open.
        QVERIFY(enfant<QLabel>(&w, "lLib1_0")->text().endsWith(" bis"));
        const QString log = depuisWindows1252(test::readFile(journal::cheminJournal()));
        QVERIFY2(journal.isEmpty() ? log.isEmpty() : log.contains(journal), qPrintable(log));
    }
};

QTEST_MAIN(TstFenetresComplements)
#include "tst_fenetrescomplements.moc"
