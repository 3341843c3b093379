// The complement windows driven as the user does: ticking, changing a slot
// (amounts, unsaveable directory) and the tab titles.
#include "CatalogueEssai.h"
#include "Pannes.h"
#include "TestSupport.h"
#include "UtilisateurEssai.h"

#include "complements/FrmActeComp.h"
#include "complements/FrmSaisieActeComp.h"
#include "log/ErrorLog.h"
#include "session/Session.h"
#include "ui/Dialogues.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>
#include <optional>

using namespace pava;
using test::enfant;
using test::rangee;

namespace {

const QString kIntegre1 = QStringLiteral("Actes complémentaires par défaut");
const QString kIntegre2 = QStringLiteral("Actes complémentaires Radiologie");
const QString kIntegre3 = QStringLiteral("Actes complémentaires Rhumatologie");

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
        QTest::addColumn<QStringList>("clics");   // "tab|row index|control[|double]"
        QTest::addColumn<QString>("fin");         // a button, Échap or cadre
        QTest::addColumn<QStringList>("attendu"); // valid, labels, CCAM, NGAP
        // A double-click on a label ticks it once, as a click does.
        rangee("à travers les onglets, par la case et d'un double-clic sur le libellé",
               QStringList{"3|0|Check", "1|1|lLib|double"}, "Command2",
               QStringList{"1", "Radio+Infiltration", "ZBQK002A0____1+MZLB001", ""});
        rangee("un clic sur la cotation décoche, libellé vide en premier",
               QStringList{"1|0|Check", "1|0|NGAP", "2|1|CCAM", "2|0|Check"}, "Command2",
               QStringList{"1", "B", "X", "K8"});
        // Escape presses "&Annuler": whatever was ticked, the texts stay as an
        // earlier confirmation left them.
        rangee("Échap", QStringList{"1|1|Check"}, "Échap", QStringList{"", "Ancien", "Ancien", ""});
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
        QTabBar* onglets = enfant<QTabWidget>(&w, "SSTab1")->tabBar();
        for (const QString& c : clics) {
            const QStringList p = c.split(QLatin1Char('|'));
            QTest::mouseClick(onglets, Qt::LeftButton, {},
                              onglets->tabRect(p[0].toInt() - 1).center());
            dernier = enfant<QWidget>(&w, p[2] + p[0] + QLatin1Char('_') + p[1]);
            QTest::mouseClick(dernier, Qt::LeftButton);
            if (p.size() > 3) {
                // What the window system sends for the second click.
                const QPointF centre = QRectF(dernier->rect()).center();
                QMouseEvent d(QEvent::MouseButtonDblClick, centre, dernier->mapToGlobal(centre),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(dernier, &d);
                QTest::mouseRelease(dernier, Qt::LeftButton);
            }
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

    // "Modifier" on slot 2 of tab 1; amounts window ignores Escape, takes Enter.
    // An unsaveable directory keeps the previous files whole and says why.
    void modifierUnEmplacement_data()
    {
        QTest::addColumn<QString>("libelle"); // typed in Text1; null = untouched
        QTest::addColumn<QString>("encours"); // the workspace's coding; null = no import
        QTest::addColumn<QString>("total");   // typed in the amounts window; null = not opened
        QTest::addColumn<QString>("fin");   // Command2 "&Ok", Command1 "&Annuler", clicked in turn
        QTest::addColumn<QString>("panne"); // why the files cannot be written, "" none
        QTest::addColumn<QStringList>("attendu"); // the slot afterwards
        const QString n;
        const QString radio = "ZBQK002A0____1";
        const QString long_(450, QLatin1Char('x')); // past the full disk, unlike the log
        using L = QStringList;
        rangee("§ refusé", "Radio§ §§poumons, face", n, n, "Command2", "",
               L{"Radio poumons, face", radio, ""});
        // A decimal comma is the result string's "."; any other "," stops
        // "&Ok" (the explanation says why) and is never removed in silence.
        rangee("virgule décimale", n, "QZJA002A0____1=4,5", n, "Command2", "",
               L{"Radio", "QZJA002A0____1=4.5", ""});
        rangee("virgule refusée, puis Annuler", n, "QZJA002A0____1,C", n, "Command2,Command1", "",
               L{"Radio", radio, ""});
        rangee("import puis Annuler", "Autre", "QZJA002A0____1", n, "Command1", "",
               L{"Radio", radio, ""});
        rangee("montants, Entrée", n, "QZJA002A0____1&12$30", "45.5", "Command2", "",
               L{"Radio", "QZJA002A0____1=45.5$30", ""});
        rangee("répertoire en lecture seule", "Radio bis", n, n, "Command2", "Permission refusée",
               L{"Radio bis", radio, ""});
        rangee("disque plein", long_, n, n, "Command2", "Disque plein", L{long_, radio, ""});
    }
    void modifierUnEmplacement()
    {
        QFETCH(QString, libelle);
        QFETCH(QString, encours);
        QFETCH(QString, total);
        QFETCH(QString, fin);
        QFETCH(QString, panne);
        QFETCH(QStringList, attendu);
        ecrireCatalogue();
        const QByteArrayList avant = contenus();
        session().CotationRetour = encours;
        FrmActeComp w;
        w.show();
        bool explication = false;
        QStringList montants;
        ui::repondreProchaine([&](ui::Demande& d) {
            auto* saisie = qobject_cast<FrmSaisieActeComp*>(d.fenetre);
            saisie->show();
            if (!libelle.isNull())
                remplacerTexte(enfant<QLineEdit>(saisie, "Text1"), libelle);
            if (!encours.isNull())
                test::cliquer(saisie, "Command3");
            if (!total.isNull()) {
                ui::repondreProchaine([&](ui::Demande& m) {
                    m.fenetre->show();
                    for (int i = 0; i < 3; ++i)
                        montants << enfant<QLineEdit>(m.fenetre, QStringLiteral("Text1_%1").arg(i))
                                        ->text();
                    auto* boite = enfant<QLineEdit>(m.fenetre, "Text1_0");
                    QTest::keyClick(boite, Qt::Key_Escape);
                    montants << (m.fenetre->isVisible() ? "ouverte" : "fermée");
                    QTest::keyClicks(boite, total);
                    QTest::keyClick(boite, Qt::Key_Return); // "Suite" is the default button
                    return qobject_cast<QDialog*>(m.fenetre)->result();
                });
                test::cliquer(saisie, "Command4");
            }
            explication = enfant<QLabel>(saisie, "Explication")->isVisible();
            for (const QString& b : fin.split(u','))
                if (saisie->isVisible())
                    test::cliquer(saisie, b);
            return saisie->result();
        });
        std::optional<test::SansPasseDroits> sansDroits;
        std::optional<test::DisquePresquePlein> plein;
        if (panne == u"Permission refusée") {
            QVERIFY(QFile::setPermissions(m_env->home(), QFile::ReadOwner | QFile::ExeOwner));
            sansDroits.emplace();
            if (QFile(m_env->home() + QStringLiteral("/essai")).open(QIODevice::WriteOnly))
                QSKIP("ce compte écrit dans un répertoire en lecture seule");
        } else if (panne == u"Disque plein") {
            plein.emplace(400);
        }
        if (!panne.isEmpty())
            ui::repondreProchaine([](ui::Demande&) { return int(QMessageBox::Ok); });
        test::cliquer(&w, "Modif1_1");
        plein.reset();
        sansDroits.reset();
        QCOMPARE(ui::reponsesEnAttente(), 0);
        QCOMPARE(explication, libelle.contains(u'§') || encours.contains(u",C")); // why
        QCOMPARE(montants,
                 (total.isNull() ? QStringList{} : QStringList{"", "12", "30", "ouverte"}));
        const bool change = fin == u"Command2";
        QCOMPARE(session().ComplementValide, change);
        QStringList affiche;
        for (const char* c : {"lLib1_1", "CCAM1_1", "NGAP1_1"})
            affiche << enfant<QLabel>(&w, QString::fromLatin1(c))->text();
        QCOMPARE(affiche, attendu);
        const QByteArray nouveau = test::octetsCatalogue(
            QString(), {"Consultation||C", attendu.join(QLatin1Char('|')), "Sans code|  |"});
        QCOMPARE(contenus(),
                 change && panne.isEmpty() ? (QByteArrayList{nouveau, avant[1], avant[2]}) : avant);
        QCOMPARE(QDir(m_env->home()).entryList({"Complt*"}, QDir::Files, QDir::Name),
                 (QStringList{"Complt1.txt", "Complt2.txt", "Complt3.txt"}));
        const QString message = ui::journalMessages().value(0);
        QVERIFY2(panne.isEmpty() ? message.isEmpty()
                                 : message.contains("n'ont pas pu être enregistrés") &&
                                       message.contains(panne) && message.contains(fichier(1)),
                 qPrintable(message));
        // A full disk still takes the error log; a read-only directory does not.
        const QString log = test::journalErreurs();
        QVERIFY2(
            panne == u"Disque plein"
                ? log.contains("Procedure PutActeComplementaire : Erreur n° 61 (Disque plein : « ")
                : log.isEmpty(),
            qPrintable(log));
    }

    // At first use the boxes show the built-in captions, which are saved as
    // titles; a title emptied leaves the caption until the window opens again
    // with the built-in one.
    void titresDesOnglets()
    {
        const auto titres = [this](const QString& saisie) {
            QStringList boites;
            ui::repondreProchaine([&](ui::Demande& d) {
                d.fenetre->show();
                for (int i = 0; i < 3; ++i)
                    boites
                        << enfant<QLineEdit>(d.fenetre, QStringLiteral("Text1_%1").arg(i))->text();
                remplacerTexte(enfant<QLineEdit>(d.fenetre, "Text1_1"), saisie);
                test::cliquer(d.fenetre, "Command1");
                return qobject_cast<QDialog*>(d.fenetre)->result();
            });
            FrmActeComp w;
            w.show();
            test::cliquer(&w, "Command3");
            QStringList lignes1;
            for (const QByteArray& c : contenus())
                lignes1 << depuisWindows1252(c.left(c.indexOf("\r\n")));
            return boites + lignes1 + QStringList{enfant<QTabWidget>(&w, "SSTab1")->tabText(1)};
        };
        const QString e = QStringLiteral("Échographie");
        QCOMPARE(titres(e),
                 (QStringList{kIntegre1, kIntegre2, kIntegre3, kIntegre1, e, kIntegre3, e}));
        QCOMPARE(titres(""), (QStringList{kIntegre1, e, kIntegre3, kIntegre1, "", kIntegre3, e}));
        FrmActeComp encore;
        QCOMPARE(enfant<QTabWidget>(&encore, "SSTab1")->tabText(1), kIntegre2);
    }
};

QTEST_MAIN(TstFenetresComplements)
#include "tst_fenetrescomplements.moc"
