// The act chooser over a small reference: the habitual codings first,
// search as the user types, the practice's history in the ranking, the
// keyboard and the mouse, chapters, and no reference or no data at all.
#include "EditionsDeTest.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "reader/ChoixActeDialog.h"
#include "reader/CtlCCAM.h"
#include "reader/SourceReference.h"
#include "srt/PratiqueActes.h"
#include "workspace/Dialogues.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace pava;
using test::rangee;

namespace {

QStringList codes(const QTreeWidget* liste)
{
    QStringList resultat;
    for (int i = 0; i < liste->topLevelItemCount(); ++i)
        resultat << liste->topLevelItem(i)->text(0);
    return resultat;
}

// Types a text as the keyboard would, accented letters included.
void taper(QWidget* w, const QString& texte)
{
    for (const QChar c : texte) {
        QKeyEvent appui(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &appui);
        QKeyEvent relache(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &relache);
    }
}

QLineEdit* boite(const QDialog* d)
{
    return d->findChild<QLineEdit*>("Recherche");
}
QTreeWidget* resultats(const QDialog* d)
{
    return d->findChild<QTreeWidget*>("Resultats");
}
QString etat(const QDialog* d)
{
    return d->findChild<QLabel*>("Etat")->text();
}

// Plays the user's part in the modal chooser: types, presses keys, and lets
// the chooser close itself (or not).
ui::Reponse utilisateur(std::function<void(ChoixActeDialog*)> gestes)
{
    return [gestes](ui::Demande& d) {
        auto* choix = qobject_cast<ChoixActeDialog*>(d.fenetre);
        if (!choix)
            return int(QDialog::Rejected);
        choix->show();
        if (!QTest::qWaitForWindowExposed(choix))
            return int(QDialog::Rejected);
        gestes(choix);
        return choix->isVisible() ? int(QDialog::Rejected) : choix->result();
    };
}

} // namespace

class TstChoixActe : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    QString m_donnees;

    std::unique_ptr<CtlCCAM> controle()
    {
        auto c = std::make_unique<CtlCCAM>();
        c->setModeLecture(1);
        c->setIdentificationPraticien("123456789");
        c->setCodeSpecialite(1);
        c->setPathData(m_donnees);
        c->setParamTexte(QString());
        return c;
    }

    // Opens the chooser without waiting, as the server does.
    ChoixActeDialog* ouvrir(CtlCCAM& c)
    {
        c.ouvrirChoix();
        ChoixActeDialog* d = c.choixOuvert();
        return d && QTest::qWaitForWindowExposed(d) ? d : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        m_donnees = m_env->root() + QStringLiteral("/donnees");
        const QString srt = m_env->root() + QStringLiteral("/srt-base");
        const BilanImport b = test::importer(
            srt, test::edition(
                     1, "01/01/2020",
                     {"04,,Appareil circulatoire,,,,,,,,", "04.01,,Actes diagnostiques,,,,,,,,",
                      "DEQP003,,Électrocardiographie sur au moins 12 dérivations,1,0,14.26,14.26,"
                      ",,1,ADC",
                      "DEQP005,,Électrocardiographie avec enregistrement de longue durée,1,0,"
                      "70.34,70.34,,,1,ADC",
                      "07,,Appareil digestif,,,,,,,,", "07.02,,Actes sur les dents,,,,,,,,",
                      "HBGD035,,Avulsion d'une dent permanente,1,0,Non pris en charge,Non pris "
                      "en charge,,,2,ATM",
                      "16,,Peau et tissu cellulaire sous-cutané,,,,,,,,",
                      "16.01,,Ablation de corps étranger,,,,,,,,",
                      "QZGA002,,Ablation de corps étranger de la peau,1,0,41.80,41.80,,,1,ADC",
                      "16.03,,Réparation de la peau,,,,,,,,",
                      "QZJA002,,Suture de plaie superficielle de la peau de moins de 3 cm,1,0,"
                      "25.00,25.00,,,1,ADC",
                      "QZJA017,,Suture de plaies profondes de la peau et des tissus mous,1,0,"
                      "63.50,63.50,,,1,ADC"}));
        QVERIFY2(b.reussi, qPrintable(b.erreur));
        m_env->writeProfile("[API_Sesam]\r\nPath=" + srt.toUtf8() + "\r\n");
        QVERIFY(test::creerHabituels(m_donnees + QStringLiteral("/CCAM001.mdb"),
                                     {{"QZJA002", "Suture de plaie superficielle"},
                                      {"DEQP003", "Électrocardiographie"},
                                      {"YYYY999", "Acte que la référence ne connaît pas"}}));
    }
    void cleanup()
    {
        ui::oublierReponses();
        m_env.reset();
    }

    void habituelsEnPremier()
    {
        auto c = controle();
        ChoixActeDialog* d = ouvrir(*c);
        QVERIFY(d);
        QVERIFY(boite(d)->hasFocus());
        QCOMPARE(codes(resultats(d)), (QStringList{"YYYY999", "DEQP003", "QZJA002"}));
        QTreeWidget* liste = resultats(d);
        QCOMPARE(liste->topLevelItem(1)->text(2), "14.26 €");
        QCOMPARE(liste->topLevelItem(0)->text(2), QString());
        QCOMPARE(etat(d), "Vos cotations habituelles : 3 actes.");
        QVERIFY(!d->findChild<QLabel*>("Avertissement")->isVisible());
        d->reject();
    }

    void rechercheAuFilDeLaFrappe_data()
    {
        QTest::addColumn<QString>("tape");
        QTest::addColumn<QStringList>("trouves"); // in any order
        QTest::addColumn<QString>("premier");
        rangee("début de code", "qzja", QStringList{"QZJA002", "QZJA017"}, "");
        rangee("mots inversés, pluriel", "plaie sutures", QStringList{"QZJA002", "QZJA017"}, "");
        rangee("accents, majuscules, début de mot", "ÉLECTRO LONGUE", QStringList{"DEQP005"},
               "DEQP005");
        rangee("rien", "xyzzy", QStringList{}, "");
    }
    void rechercheAuFilDeLaFrappe()
    {
        QFETCH(QString, tape);
        QFETCH(QStringList, trouves);
        QFETCH(QString, premier);
        auto c = controle();
        ChoixActeDialog* d = ouvrir(*c);
        QVERIFY(d);
        taper(boite(d), tape);
        QStringList obtenus = codes(resultats(d));
        if (!premier.isEmpty())
            QCOMPARE(obtenus.value(0), premier);
        obtenus.sort();
        trouves.sort();
        QCOMPARE(obtenus, trouves);
        if (trouves.isEmpty())
            QCOMPARE(etat(d), QStringLiteral("Aucun acte ne correspond à « %1 ».").arg(tape));
        QCOMPARE(d->findChild<QPushButton*>("Choisir")->isEnabled(), !trouves.isEmpty());
        // Emptying the box brings the habitual codings back.
        boite(d)->clear();
        QCOMPARE(codes(resultats(d)).size(), 3);
        d->reject();
    }

    void classementDuCabinet_data()
    {
        QTest::addColumn<QString>("historique");
        QTest::addColumn<QStringList>("ordre");
        // "peau": the habitual QZJA002, then QZJA017 of the history, then the
        // rest in match order; without the history, QZGA002 before QZJA017.
        const QStringList avecHistorique{"QZJA002", "QZJA017", "QZGA002"};
        const QStringList sansHistorique{"QZJA002", "QZGA002", "QZJA017"};
        rangee("historique lu", "lu", avecHistorique);
        rangee("grand historique lu en arrière-plan", "grand", avecHistorique);
        rangee("pas d'historique", "absent", sansHistorique);
        rangee("historique endommagé", "endommage", sansHistorique);
        rangee("historique verrouillé par un autre poste", "verrouille", sansHistorique);
    }
    void classementDuCabinet()
    {
        QFETCH(QString, historique);
        QFETCH(QStringList, ordre);
        const QString rsc = m_env->root() + QStringLiteral("/rsc");
        const QString fichier = rsc + QStringLiteral("/Cotation.mdb");
        if (historique == QLatin1String("endommage"))
            QVERIFY(test::writeFile(fichier, QByteArray(4096, 'x')));
        else if (historique != QLatin1String("absent"))
            QVERIFY(test::creerHistorique(fichier, {{"QZJA017", "2026-01-10"}},
                                          historique == QLatin1String("grand") ? 11000 : 0));
        QCOMPARE(historiqueRapide(fichier), historique != QLatin1String("grand"));
        QSqlDatabase verrou;
        if (historique == QLatin1String("verrouille")) {
            verrou = QSqlDatabase::addDatabase("QSQLITE", "verrou");
            verrou.setDatabaseName(fichier);
            QVERIFY(verrou.open());
            QVERIFY(QSqlQuery(verrou).exec("BEGIN EXCLUSIVE"));
        }
        auto c = controle();
        c->setPathDataRsc(rsc);
        ChoixActeDialog* d = ouvrir(*c);
        QVERIFY(d);
        taper(boite(d), "peau");
        QTRY_COMPARE(codes(resultats(d)), ordre);
        d->reject();
        if (verrou.isOpen()) {
            verrou.rollback();
            verrou.close();
            verrou = QSqlDatabase();
            QSqlDatabase::removeDatabase("verrou");
        }
    }

    void clavier_data()
    {
        QTest::addColumn<QString>("tape");
        QTest::addColumn<QList<int>>("touches");
        QTest::addColumn<int>("retour");
        QTest::addColumn<int>("rangChoisi"); // in the list as shown, -1 none
        using L = QList<int>;
        rangee("Entrée", "suture", L{Qt::Key_Return}, 1, 0);
        rangee("flèche bas puis Entrée", "suture", L{Qt::Key_Down, Qt::Key_Enter}, 1, 1);
        rangee("bas, bas, haut", "peau", L{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return},
               1, 1);
        rangee("Échap", "suture", L{Qt::Key_Down, Qt::Key_Escape}, 0, -1);
        rangee("Entrée sans résultat", "xyzzy", L{Qt::Key_Return, Qt::Key_Escape}, 0, -1);
        rangee("habituels, Entrée", "", L{Qt::Key_Down, Qt::Key_Return}, 1, 1);
    }
    void clavier()
    {
        QFETCH(QString, tape);
        QFETCH(QList<int>, touches);
        QFETCH(int, retour);
        QFETCH(int, rangChoisi);
        auto c = controle();
        QStringList vus;
        ui::repondreProchaine(utilisateur([&](ChoixActeDialog* d) {
            taper(boite(d), tape);
            vus = codes(resultats(d));
            for (int t : touches)
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : d,
                                Qt::Key(t));
        }));
        QCOMPARE(c->ChoisirActe(), retour);
        QCOMPARE(c->CodeCCAM(), rangChoisi < 0 ? QString() : vus.value(rangChoisi));
        QCOMPARE(ui::reponsesEnAttente(), 0);
    }

    void doubleClicChoisit()
    {
        auto c = controle();
        QStringList vus;
        ui::repondreProchaine(utilisateur([&](ChoixActeDialog* d) {
            taper(boite(d), "electro");
            QTreeWidget* liste = resultats(d);
            vus = codes(liste);
            const QRect r = liste->visualItemRect(liste->topLevelItem(1));
            QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, r.center());
        }));
        QCOMPARE(c->ChoisirActe(), 1);
        QCOMPARE(vus.size(), 2);
        QCOMPARE(c->CodeCCAM(), vus[1]);
    }

    void annulerEffaceLeChoixPrecedent()
    {
        auto c = controle();
        ui::repondreProchaine(utilisateur([](ChoixActeDialog* d) {
            taper(boite(d), "QZJA017");
            QTest::keyClick(boite(d), Qt::Key_Return);
        }));
        QCOMPARE(c->ChoisirActe(), 1);
        QCOMPARE(c->CodeCCAM(), "QZJA017");
        ui::repondreProchaine(utilisateur([](ChoixActeDialog* d) {
            QTest::mouseClick(d->findChild<QPushButton*>("Annuler"), Qt::LeftButton);
        }));
        QCOMPARE(c->ChoisirActe(), 0);
        QCOMPARE(c->CodeCCAM(), QString());
    }

    void parChapitre_data()
    {
        QTest::addColumn<QString>("chapitre");
        QTest::addColumn<QStringList>("actes");
        rangee("sous-chapitre", "16.03", QStringList{"QZJA002", "QZJA017"});
        rangee("chapitre et ses sous-chapitres", "16",
               QStringList{"QZGA002", "QZJA002", "QZJA017"});
    }
    void parChapitre()
    {
        QFETCH(QString, chapitre);
        QFETCH(QStringList, actes);
        auto c = controle();
        ChoixActeDialog* d = ouvrir(*c);
        QVERIFY(d);
        taper(boite(d), "avulsion");
        auto* arbre = d->findChild<QTreeWidget*>("Chapitres");
        const QList<QTreeWidgetItem*> items = arbre->findItems(
            chapitre + QStringLiteral("  "), Qt::MatchStartsWith | Qt::MatchRecursive);
        QCOMPARE(items.size(), 1);
        arbre->scrollToItem(items[0]);
        QTest::mouseClick(arbre->viewport(), Qt::LeftButton, {},
                          arbre->visualItemRect(items[0]).center());
        QStringList obtenus = codes(resultats(d));
        obtenus.sort();
        QCOMPARE(obtenus, actes);
        QVERIFY(boite(d)->text().isEmpty());
        QVERIFY(etat(d).startsWith(
            QStringLiteral("Chapitre %1 : %2 actes").arg(chapitre).arg(actes.size())));
        // Choosing from the chapter's list.
        QTest::keyClick(resultats(d), Qt::Key_Return);
        QVERIFY(!d->isVisible() || d->result() == QDialog::Accepted);
        QTRY_COMPARE(c->choixOuvert(), nullptr);
        QVERIFY(actes.contains(c->CodeCCAM()));
    }

    void sansReferenceSeulementLesHabituels_data()
    {
        QTest::addColumn<QByteArray>("profil");
        QTest::addColumn<QString>("message");
        rangee("pas de profil", QByteArray(), "Pavareg.reg");
        rangee("répertoire sans référence", QByteArray("[API_Sesam]\nPath=/nulle/part\n"),
               "/nulle/part/srt/CCAM.mdb");
    }
    void sansReferenceSeulementLesHabituels()
    {
        QFETCH(QByteArray, profil);
        QFETCH(QString, message);
        QFile::remove(m_env->sysconf() + QStringLiteral("/Pavareg.reg"));
        if (!profil.isEmpty())
            m_env->writeProfile(profil);
        auto c = controle();
        ChoixActeDialog* d = ouvrir(*c);
        QVERIFY(d);
        auto* avertissement = d->findChild<QLabel*>("Avertissement");
        QVERIFY(avertissement->isVisible());
        QVERIFY2(avertissement->text().contains(message), qPrintable(avertissement->text()));
        QVERIFY(avertissement->text().contains(
            QStringLiteral("Seules vos cotations habituelles sont proposées.")));
        QCOMPARE(codes(resultats(d)).size(), 3);
        taper(boite(d), "électro");
        QCOMPARE(codes(resultats(d)), QStringList{"DEQP003"});
        QTest::keyClick(boite(d), Qt::Key_Return);
        QTRY_COMPARE(c->choixOuvert(), nullptr);
        QCOMPARE(c->CodeCCAM(), "DEQP003");
    }

    void sansDonneesRienNEstCree()
    {
        const QString absent = m_env->root() + QStringLiteral("/absent");
        auto c = controle();
        c->setPathData(absent);
        ChoixActeDialog* d = ouvrir(*c);
        QVERIFY(d);
        QCOMPARE(codes(resultats(d)).size(), 0);
        taper(boite(d), "qzja017");
        QCOMPARE(codes(resultats(d)), QStringList{"QZJA017"});
        QTest::keyClick(d, Qt::Key_Escape);
        QTRY_COMPARE(c->choixOuvert(), nullptr);
        QCOMPARE(c->CodeCCAM(), QString());
        QVERIFY(!QFileInfo::exists(absent));
    }

    void ouvertureSansAttente()
    {
        auto c = controle();
        c->setParamTexte("suture");
        QSignalSpy fin(c.get(), &CtlCCAM::choixTermine);
        ChoixActeDialog* d = ouvrir(*c);
        QVERIFY(d);
        QCOMPARE(boite(d)->text(), "suture");
        QCOMPARE(codes(resultats(d)).size(), 2);
        c->ouvrirChoix(); // already open: the same chooser comes forward
        QCOMPARE(c->choixOuvert(), d);
        QCOMPARE(fin.count(), 0);
        QTest::keyClick(boite(d), Qt::Key_Down);
        QTest::keyClick(boite(d), Qt::Key_Return);
        QTRY_COMPARE(fin.count(), 1);
        QVERIFY(!c->CodeCCAM().isEmpty());
        QVERIFY(c->CodeCCAM().startsWith("QZJA"));
        QCOMPARE(c->choixOuvert(), nullptr);
    }
};

QTEST_MAIN(TstChoixActe)
#include "tst_choixacte.moc"
