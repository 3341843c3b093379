// The automation class called in the same process, as a host linking the
// library would: the members, the session values they hand over, the release
// rule, and the non-blocking workspace the bus server relies on.
#include "TestSupport.h"

#include "coding/Montant.h"
#include "host/JeuDeDonnees.h"
#include "host/LectureCCAM.h"
#include "reader/ChoixActeDialog.h"
#include "reader/CtlCCAM.h"
#include "session/FinProcessus.h"
#include "session/Session.h"
#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"

#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace pava;

namespace {

// Stands for the workspace: notes the session values it finds when created,
// and closes the way a test asks, leaving in CotationRetour what it is told.
struct Fermeture
{
    bool valider = true;      // accept(), else reject()
    QString avant;            // CotationRetour set before closing
    bool ecrireApres = false; // set apres after closing, in the same handler
    QString apres;
    bool automatique = true; // close by itself once shown
};

class FenetreEssai : public QDialog
{
public:
    explicit FenetreEssai(const Fermeture& f) : m_fermeture(f)
    {
        const Session& s = session();
        vu = {s.IdentPraticien,     s.CodeSpecialitePraticien, s.CheminData4Session,
              s.CheminDico4Session, s.CheminDataRsc,           s.CotationRetour};
        if (m_fermeture.automatique)
            QTimer::singleShot(0, this, [this]() { fermer(); });
    }
    void fermer()
    {
        session().CotationRetour = m_fermeture.avant;
        if (m_fermeture.valider)
            accept();
        else
            reject();
        if (m_fermeture.ecrireApres)
            session().CotationRetour = m_fermeture.apres;
    }
    static inline QStringList vu;

private:
    Fermeture m_fermeture;
};

} // namespace

class TstLectureCCAM : public QObject
{
    Q_OBJECT

private:
    test::IsolatedEnvironment m_env;
    QString m_srt;
    int m_fins = 0;
    Fermeture m_fermeture;

    void fenetres(const Fermeture& f)
    {
        m_fermeture = f;
        LectureCCAM::setFabriqueFenetreCotation([this]() { return new FenetreEssai(m_fermeture); });
    }

    // The tariff component questioned directly, with the same settings.
    UsrSrt composant(const LectureCCAM& l) const
    {
        UsrSrt ob;
        ob.setPathDico(l.CheminDico4());
        ob.setPathData(l.CheminData4());
        return ob;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_srt = m_env.root() + QStringLiteral("/srt");
        OptionsImport import;
        import.fichierEdition = QStringLiteral(PAVACCAM_HOST_DONNEES "/edition-essai.csv");
        import.repertoireSrt = m_srt;
        const BilanImport bilan = importerReference(import);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));
        m_env.writeProfile("[API_Sesam]\r\nPath=" + m_srt.toUtf8() + "/\r\n");
        setFinProcessus([this]() { ++m_fins; });
    }

    void init()
    {
        reinitialiserSession();
        m_fins = 0;
    }

    void holderCreatedByFirstMemberThatNeedsIt()
    {
        QVERIFY(!objCree());
        LectureCCAM l;
        l.setCheminData4(QStringLiteral("/d"));
        QVERIFY(!objCree());
        l.GetSRTPrixUnitaire(QStringLiteral("DEQP003"));
        QVERIFY(objCree());
        QCOMPARE(obj().ctlCCAM1()->objectName(), QStringLiteral("ctlCCAM1"));
    }

    void specialityConversion_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("valide");
        QTest::addColumn<int>("valeur");
        QTest::newRow("entier") << "13" << true << 13;
        QTest::newRow("blancs") << " 14 " << true << 14;
        QTest::newRow("negatif") << "-6" << true << -6;
        QTest::newRow("demi pair bas") << "2.5" << true << 2;
        QTest::newRow("demi pair haut") << "3,5" << true << 4;
        QTest::newRow("decimal") << "6.7" << true << 7;
        QTest::newRow("vide") << "" << false << 0;
        QTest::newRow("blancs seuls") << "   " << false << 0;
        QTest::newRow("alphabetique") << "abc" << false << 0;
        QTest::newRow("chiffres puis lettres") << "13a" << false << 0;
        QTest::newRow("trop grand") << "2147483648" << false << 0;
        QTest::newRow("plus grand permis") << "2147483647" << true << 2147483647;
    }
    void specialityConversion()
    {
        QFETCH(QString, texte);
        QFETCH(bool, valide);
        QFETCH(int, valeur);
        const std::optional<qint32> lu = convertirEntier32(texte);
        QCOMPARE(lu.has_value(), valide);
        if (valide)
            QCOMPARE(*lu, valeur);
    }

    void initKeepsPathsOnlyWhenItSucceeds_data()
    {
        QTest::addColumn<QString>("specialite");
        QTest::addColumn<bool>("resultat");
        QTest::newRow("13") << "13" << true;
        QTest::newRow("alphabetique") << "abc" << false;
        QTest::newRow("vide") << "" << false;
    }
    void initKeepsPathsOnlyWhenItSucceeds()
    {
        QFETCH(QString, specialite);
        QFETCH(bool, resultat);
        LectureCCAM l;
        l.setCheminData4(QStringLiteral("avant-data"));
        l.setCheminDico4(QStringLiteral("avant-dico"));
        QCOMPARE(l.Init(QStringLiteral("10000001"), specialite, QStringLiteral("/hote/data"),
                        QStringLiteral("/hote/dico")),
                 resultat);
        QCOMPARE(l.CheminData4(),
                 resultat ? QStringLiteral("/hote/data") : QStringLiteral("avant-data"));
        QCOMPARE(l.CheminDico4(),
                 resultat ? QStringLiteral("/hote/dico") : QStringLiteral("avant-dico"));
        // Init hands nothing to the session: that is GetCotationCCAM's job.
        QVERIFY(session().CheminData4Session.isEmpty());
    }

    void lookUpsAnswerAsTheComponent_data()
    {
        QTest::addColumn<QString>("membre");
        QTest::newRow("GetSRTModificateurs") << "GetSRTModificateurs";
        QTest::newRow("GetSRTCodeAssociation") << "GetSRTCodeAssociation";
        QTest::newRow("GetSRTPrixUnitaire") << "GetSRTPrixUnitaire";
        QTest::newRow("GetSRTBaseRemboursementActe") << "GetSRTBaseRemboursementActe";
    }
    void lookUpsAnswerAsTheComponent()
    {
        QFETCH(QString, membre);
        LectureCCAM l;
        l.setCheminData4(m_env.root());
        l.setCheminDico4(m_env.root());
        UsrSrt ob = composant(l);
        const QString acte = QStringLiteral("QZJA002");
        QString obtenu;
        QString attendu;
        if (membre == QLatin1String("GetSRTModificateurs")) {
            obtenu = l.GetSRTModificateurs();
            attendu = ob.GetModificateurs();
        } else if (membre == QLatin1String("GetSRTCodeAssociation")) {
            obtenu = l.GetSRTCodeAssociation();
            attendu = ob.GetCodesAssociation();
        } else if (membre == QLatin1String("GetSRTPrixUnitaire")) {
            obtenu = l.GetSRTPrixUnitaire(acte);
            attendu = ob.GetPrixUnitaire(acte);
        } else {
            obtenu = l.GetSRTBaseRemboursementActe(acte, QStringLiteral("F"), QString(), QString(),
                                                   QStringLiteral("1"));
            attendu = ob.GetBaseRemboursementActe(acte, QStringLiteral("F"), QString(), QString(),
                                                  QStringLiteral("1"));
        }
        QVERIFY2(!attendu.isEmpty(), qPrintable(ob.derniereErreur()));
        QCOMPARE(obtenu, attendu);
    }

    void unitPriceComesFromTheReference()
    {
        LectureCCAM l;
        QCOMPARE(l.GetSRTPrixUnitaire(QStringLiteral("DEQP003")), QStringLiteral("14.77"));
        QCOMPARE(l.GetSRTPrixUnitaire(QStringLiteral("ZZZZ999")), QString());
    }

    void actModifiersOnePerLine()
    {
        LectureCCAM l;
        const QString brut = composant(l).GetModificateursActe(QStringLiteral("QZJA002"));
        QCOMPARE(brut.count(QLatin1Char('@')), 6); // the act, then F, M, P, R, S, U
        const QString lignes = l.GetSRTModificateursActe(QStringLiteral("QZJA002"));
        QVERIFY(!lignes.contains(QLatin1Char('@')));
        QCOMPARE(lignes.split(QStringLiteral("\r\n")).size(), 7);
        QCOMPARE(QString(lignes).replace(QStringLiteral("\r\n"), QStringLiteral("@")), brut);
    }

    void codingHandsTheHostValuesToTheWorkspace()
    {
        session().CotationRetour = QStringLiteral("reste d'avant");
        fenetres({true, QStringLiteral("DEQP003,14.77,ECG"), false, {}, true});
        LectureCCAM l;
        l.setCheminData4(QStringLiteral("propre-data"));
        const QString r = l.GetCotationCCAM(QStringLiteral("10000001"), QStringLiteral("13"),
                                            QStringLiteral("/h/data"), QStringLiteral("/h/dico"),
                                            QStringLiteral("QZJA002"), QStringLiteral("/h/rsc"));
        QCOMPARE(r, QStringLiteral("DEQP003,14.77,ECG"));
        QCOMPARE(FenetreEssai::vu,
                 QStringList({"10000001", "13", "/h/data", "/h/dico", "/h/rsc", ""}));
        // The object's own paths are neither used nor changed.
        QCOMPARE(l.CheminData4(), QStringLiteral("propre-data"));
    }

    void codingWithoutResourcePath()
    {
        session().CheminDataRsc = QStringLiteral("ancien");
        fenetres({true, QStringLiteral("X"), false, {}, true});
        LectureCCAM l;
        l.GetCotationCCAM(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("d"),
                          QStringLiteral("d"), QString());
        QCOMPARE(FenetreEssai::vu.at(4), QString());
    }

    void cancelAfterACodingReturnsEmpty()
    {
        LectureCCAM l;
        fenetres({true, QStringLiteral("DEQP003"), false, {}, true});
        QCOMPARE(l.GetCotationCCAM("1", "13", "d", "d", "", ""), QStringLiteral("DEQP003"));
        // A cancel closes the window first and empties the result afterwards.
        fenetres({false, QStringLiteral("DEQP003"), true, QString(), true});
        QCOMPARE(l.GetCotationCCAM("1", "13", "d", "d", "", ""), QString());
    }

    void openWorkspaceAnswersWhenItsCloseHandlerHasFinished()
    {
        fenetres({false, QStringLiteral("partiel"), true, QString(), false});
        LectureCCAM l;
        QSignalSpy fin(&l, &LectureCCAM::cotationTerminee);
        QString erreur;
        QVERIFY(l.ouvrirCotation("1", "13", "d", "d", "", "", &erreur));
        auto* fenetre = static_cast<FenetreEssai*>(LectureCCAM::fenetreCotationOuverte());
        QVERIFY(fenetre);
        QVERIFY(fenetre->isVisible());
        fenetre->fermer();
        QVERIFY(fin.wait(2000));
        QCOMPARE(fin.size(), 1);
        QCOMPARE(fin.first().first().toString(), QString());
        QTRY_VERIFY(!LectureCCAM::fenetreCotationOuverte());
    }

    void secondWorkspaceRefusedWhileOneIsOpen()
    {
        fenetres({true, QStringLiteral("premier"), false, {}, false});
        LectureCCAM premier;
        LectureCCAM second;
        QSignalSpy finPremier(&premier, &LectureCCAM::cotationTerminee);
        QString erreur;
        QVERIFY(premier.ouvrirCotation("1", "13", "d1", "d1", "", "", &erreur));
        QPointer<QDialog> ouverte = LectureCCAM::fenetreCotationOuverte();

        QVERIFY(!second.ouvrirCotation("2", "14", "d2", "d2", "", "", &erreur));
        QCOMPARE(erreur, QString::fromUtf8(kMessageCotationOuverte));
        // The open one is left alone, with its session values.
        QCOMPARE(LectureCCAM::fenetreCotationOuverte(), ouverte.data());
        QVERIFY(ouverte->isVisible());
        QCOMPARE(session().CheminData4Session, QStringLiteral("d1"));

        static_cast<FenetreEssai*>(ouverte.data())->fermer();
        QVERIFY(finPremier.wait(2000));
        QCOMPARE(finPremier.first().first().toString(), QStringLiteral("premier"));
        QTRY_VERIFY(ouverte.isNull());
        // Once closed, the next request opens normally.
        fenetres({true, QStringLiteral("second"), false, {}, true});
        QSignalSpy finSecond(&second, &LectureCCAM::cotationTerminee);
        QVERIFY(second.ouvrirCotation("2", "14", "d2", "d2", "", "", &erreur));
        QVERIFY(finSecond.wait(2000));
        QCOMPARE(finSecond.first().first().toString(), QStringLiteral("second"));
    }

    void realWorkspaceClosedFromItsFrameAnswersEmpty()
    {
        OptionsJeuDeDonnees jeu;
        jeu.repertoireData = m_env.root() + QStringLiteral("/data");
        jeu.repertoireRsc = m_env.root() + QStringLiteral("/rsc");
        jeu.repertoireSrt = m_srt;
        QVERIFY(creerJeuDeDonnees(jeu).reussi);
        LectureCCAM::setFabriqueFenetreCotation(nullptr);
        session().CotationRetour = QStringLiteral("reste d'une cotation d'avant");

        LectureCCAM l;
        QSignalSpy fin(&l, &LectureCCAM::cotationTerminee);
        QString erreur;
        QVERIFY(l.ouvrirCotation("10000001", "13", jeu.repertoireData, jeu.repertoireData, "",
                                 jeu.repertoireRsc, &erreur));
        QPointer<QDialog> fenetre = LectureCCAM::fenetreCotationOuverte();
        QVERIFY(fenetre);
        QCOMPARE(session().FenetreCotation.data(), fenetre.data());
        QTRY_VERIFY(fenetre->isVisible());
        fenetre->close();
        QVERIFY(fin.wait(5000));
        QCOMPARE(fin.first().first().toString(), QString());
        QTRY_VERIFY(fenetre.isNull());
    }

    void actChoiceOneAtATime()
    {
        LectureCCAM l;
        QSignalSpy fin(&l, &LectureCCAM::choixActeTermine);
        QString erreur;
        QVERIFY(l.choisirActe(&erreur));
        QVERIFY(LectureCCAM::choixActeEnCours());
        QVERIFY(!l.choisirActe(&erreur));
        QCOMPARE(erreur, QString::fromUtf8(kMessageChoixOuvert));
        ChoixActeDialog* choix = obj().ctlCCAM1()->choixOuvert();
        QVERIFY(choix);
        choix->reject();
        QTRY_COMPARE(fin.size(), 1);
        QCOMPARE(fin.first().first().toString(), QString());
        QVERIFY(!LectureCCAM::choixActeEnCours());
        QVERIFY(l.choisirActe(&erreur));
        obj().ctlCCAM1()->choixOuvert()->reject();
        QTRY_COMPARE(fin.size(), 2);
    }

    void releaseEndsTheProcessOnlyAfterAFailedValidation_data()
    {
        QTest::addColumn<bool>("finSurTerminaison");
        QTest::newRow("validation en echec") << true;
        QTest::newRow("sinon") << false;
    }
    void releaseEndsTheProcessOnlyAfterAFailedValidation()
    {
        QFETCH(bool, finSurTerminaison);
        session().FinSurTerminaison = finSurTerminaison;
        LectureCCAM l;
        l.Release();
        QCOMPARE(m_fins, finSurTerminaison ? 1 : 0);
    }

    void endCCAMEndsTheProcess()
    {
        LectureCCAM l;
        l.EndCCAM();
        QCOMPARE(m_fins, 1);
    }
};

QTEST_MAIN(TstLectureCCAM)
#include "tst_lectureccam.moc"
