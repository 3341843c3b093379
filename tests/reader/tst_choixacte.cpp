// The act chooser over a small reference: keyboard, mouse, chapters, the
// practice's history, no reference, and the server's non-blocking opening.
#include "EditionsDeTest.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "practice/PratiqueActes.h"
#include "reader/ChoixActeDialog.h"
#include "reader/CtlCCAM.h"
#include "ui/Dialogues.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <memory>

using namespace pava;
using test::rangee;

namespace {

QLineEdit* boite(const QDialog* d)
{
    return d->findChild<QLineEdit*>("Recherche");
}
QStringList codes(const QDialog* d)
{
    const auto* liste = d->findChild<QTreeWidget*>("Resultats");
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

// What the chooser showed just before the last gesture.
struct Vu
{
    QStringList codes;
    QString etat;
    QString avertissement; // "" when hidden
};

// The user's part in the modal chooser, gesture by gesture: "chapitre 16"
// clicks a chapter, "double 1" double-clicks a row of the list, "Annuler" the
// button, "touche Down" presses a key where the focus is; the rest is typed.
ui::Reponse utilisateur(const QStringList& gestes, Vu* vu = nullptr)
{
    return [gestes, vu](ui::Demande& d) {
        auto* choix = qobject_cast<ChoixActeDialog*>(d.fenetre);
        choix->show();
        (void)QTest::qWaitForWindowExposed(choix);
        auto* liste = choix->findChild<QTreeWidget*>("Resultats");
        auto* arbre = choix->findChild<QTreeWidget*>("Chapitres");
        const auto* avertissement = choix->findChild<QLabel*>("Avertissement");
        for (const QString& g : gestes) {
            if (vu && &g == &gestes.last())
                *vu = {codes(choix), choix->findChild<QLabel*>("Etat")->text(),
                       avertissement->isVisible() ? avertissement->text() : QString()};
            const QString n = g.section(QLatin1Char(' '), 1);
            if (g.startsWith(u"chapitre ")) {
                QTreeWidgetItem* item =
                    arbre->findItems(n + "  ", Qt::MatchStartsWith | Qt::MatchRecursive).value(0);
                arbre->scrollToItem(item);
                QTest::mouseClick(arbre->viewport(), Qt::LeftButton, {},
                                  arbre->visualItemRect(item).center());
            } else if (g.startsWith(u"double ")) {
                const QPoint p = liste->visualItemRect(liste->topLevelItem(n.toInt())).center();
                QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, p);
                QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, p);
            } else if (g == u"Annuler") {
                QTest::mouseClick(choix->findChild<QPushButton*>(g), Qt::LeftButton);
            } else if (g.startsWith(u"touche ")) {
                QWidget* focus = QApplication::focusWidget();
                QTest::keyClick(focus ? focus : choix, QKeySequence(n)[0].key());
            } else {
                taper(boite(choix), g);
            }
        }
        return choix->isVisible() ? int(QDialog::Rejected) : choix->result();
    };
}

} // namespace

class TstChoixActe : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    std::unique_ptr<CtlCCAM> m_ctl;

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        m_ctl = std::make_unique<CtlCCAM>();
        m_ctl->setPathData(m_env->root() + QStringLiteral("/donnees"));
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
        QVERIFY(test::creerHabituels(m_ctl->pathData() + QStringLiteral("/CCAM001.mdb"),
                                     {{"QZJA002", "Suture de plaie superficielle"},
                                      {"DEQP003", "Électrocardiographie"},
                                      {"YYYY999", "Acte que la référence ne connaît pas"}}));
    }
    void cleanup()
    {
        QCOMPARE(ui::reponsesEnAttente(), 0);
        ui::oublierReponses();
        m_ctl.reset();
        m_env.reset();
    }

    // Each choice follows an earlier one (QZJA017): a cancel forgets it.
    void choisir_data()
    {
        QTest::addColumn<QStringList>("gestes");
        QTest::addColumn<QStringList>("vus");
        QTest::addColumn<QString>("etat");
        QTest::addColumn<QString>("choisi"); // "" = cancelled
        using L = QStringList;
        const L sutures{"QZJA002", "QZJA017"};
        rangee("habituels, flèche bas, Entrée", L{"touche Down", "touche Return"},
               L{"YYYY999", "DEQP003", "QZJA002"}, "Vos cotations habituelles : 3 actes.",
               "DEQP003");
        rangee("majuscules accentuées, bas, Entrée du pavé",
               L{"ÉLECTRO", "touche Down", "touche Enter"}, L{"DEQP003", "DEQP005"},
               "2 actes trouvés.", "DEQP005");
        rangee("Échap", L{"suture", "touche Down", "touche Esc"}, sutures, "2 actes trouvés.", "");
        rangee("Entrée sans résultat", L{"xyzzy", "touche Return", "touche Esc"}, L{},
               "Aucun acte ne correspond à « xyzzy ».", "");
        rangee("Annuler", L{"qzja017", "Annuler"}, L{"QZJA017"}, "1 acte trouvé.", "");
        rangee("sous-chapitre, double-clic", L{"avulsion", "chapitre 16.03", "double 1"}, sutures,
               "Chapitre 16.03 : 2 actes.", "QZJA017");
        rangee("chapitre et ses sous-chapitres", L{"chapitre 16", "double 0"},
               L{"QZGA002", "QZJA002", "QZJA017"}, "Chapitre 16 : 3 actes.", "QZGA002");
    }
    void choisir()
    {
        QFETCH(QStringList, gestes);
        QFETCH(QStringList, vus);
        QFETCH(QString, etat);
        QFETCH(QString, choisi);
        ui::repondreProchaine(utilisateur({"QZJA017", "touche Return"}));
        QCOMPARE(m_ctl->ChoisirActe(), 1);
        Vu vu;
        ui::repondreProchaine(utilisateur(gestes, &vu));
        QCOMPARE(m_ctl->ChoisirActe(), choisi.isEmpty() ? 0 : 1);
        QCOMPARE(m_ctl->CodeCCAM(), choisi);
        QCOMPARE(vu.codes, vus);
        QCOMPARE(vu.etat, etat);
        QCOMPARE(vu.avertissement, QString());
    }

    // "peau": the habitual QZJA002, then QZJA017 of the history, then the
    // rest; without a history that can be read, QZGA002 before QZJA017.
    void classementDuCabinet_data()
    {
        QTest::addColumn<QString>("historique");
        QTest::addColumn<QStringList>("ordre");
        rangee("historique lu", "lu", QStringList{"QZJA002", "QZJA017", "QZGA002"});
        rangee("grand historique lu en arrière-plan", "grand",
               QStringList{"QZJA002", "QZJA017", "QZGA002"});
        rangee("historique endommagé", "endommage", QStringList{"QZJA002", "QZGA002", "QZJA017"});
    }
    void classementDuCabinet()
    {
        QFETCH(QString, historique);
        QFETCH(QStringList, ordre);
        const QString rsc = m_env->root() + QStringLiteral("/rsc");
        const QString fichier = rsc + QStringLiteral("/Cotation.mdb");
        if (historique == QLatin1String("endommage"))
            QVERIFY(test::writeFile(fichier, QByteArray(4096, 'x')));
        else
            QVERIFY(test::creerHistorique(fichier, {{"QZJA017", "2026-01-10"}},
                                          historique == QLatin1String("grand") ? 11000 : 0));
        QCOMPARE(historiqueRapide(fichier), historique != QLatin1String("grand"));
        m_ctl->setPathDataRsc(rsc);
        m_ctl->ouvrirChoix();
        ChoixActeDialog* d = m_ctl->choixOuvert();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        taper(boite(d), "peau");
        QTRY_COMPARE(codes(d), ordre);
        d->reject();
    }

    // Without the reference the habitual codings are searched alone.
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
        m_env->writeProfile(profil);
        Vu vu;
        ui::repondreProchaine(utilisateur({"électro", "touche Return"}, &vu));
        QCOMPARE(m_ctl->ChoisirActe(), 1);
        QCOMPARE(m_ctl->CodeCCAM(), "DEQP003");
        QCOMPARE(vu.codes, QStringList{"DEQP003"});
        QVERIFY2(vu.avertissement.contains(message) &&
                     vu.avertissement.endsWith(
                         QStringLiteral(" Seules vos cotations habituelles sont proposées.")),
                 qPrintable(vu.avertissement));
    }

    // Labels and chapter titles whole where they stand, in a narrow window:
    // each row as tall as its text's lines at the column's width.
    void libellesEntiers()
    {
        m_ctl->setParamTexte("peau");
        m_ctl->ouvrirChoix();
        ChoixActeDialog* d = m_ctl->choixOuvert();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        d->resize(440, 400);
        const auto coupes = [](QTreeWidget* vue, int colonne) {
            QStringList textes;
            for (QTreeWidgetItemIterator it(vue); *it; ++it) {
                const QRect rangee = vue->visualItemRect(*it);
                const QRect texte =
                    vue->fontMetrics().boundingRect(QRect(0, 0, vue->columnWidth(colonne), 1000),
                                                    Qt::TextWordWrap, (*it)->text(colonne));
                if (!rangee.isEmpty() && rangee.height() < texte.height())
                    textes << (*it)->text(colonne);
            }
            return textes;
        };
        auto* resultats = d->findChild<QTreeWidget*>("Resultats");
        QTRY_COMPARE(coupes(resultats, 1), QStringList());
        QTRY_COMPARE(coupes(d->findChild<QTreeWidget*>("Chapitres"), 0), QStringList());
        // Narrow enough that a label takes two lines.
        QVERIFY(resultats->visualItemRect(resultats->topLevelItem(0)).height() >
                2 * resultats->fontMetrics().height());
        d->reject();
    }

    // As the server opens it: at once, searched; asked again, the same one.
    void ouvertureSansAttente()
    {
        m_ctl->setParamTexte("suture");
        QSignalSpy fin(m_ctl.get(), &CtlCCAM::choixTermine);
        m_ctl->ouvrirChoix();
        ChoixActeDialog* d = m_ctl->choixOuvert();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(boite(d)->text(), "suture");
        QCOMPARE(codes(d), (QStringList{"QZJA002", "QZJA017"}));
        QCOMPARE(d->findChild<QTreeWidget*>("Resultats")->topLevelItem(0)->text(2), "25.00 €");
        m_ctl->ouvrirChoix();
        QCOMPARE(m_ctl->choixOuvert(), d);
        QCOMPARE(fin.count(), 0);
        QTest::keyClick(boite(d), Qt::Key_Down);
        QTest::keyClick(boite(d), Qt::Key_Return);
        QTRY_COMPARE(fin.count(), 1);
        QCOMPARE(m_ctl->CodeCCAM(), "QZJA017");
        QCOMPARE(m_ctl->choixOuvert(), nullptr);
    }
};

QTEST_MAIN(TstChoixActe)
#include "tst_choixacte.moc"
