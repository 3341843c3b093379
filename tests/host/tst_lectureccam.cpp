// The automation class called in the same process, as a host linking the
// library would: the specialty it accepts, the session values it hands the
// workspace, and the non-blocking workspace the bus server relies on. The
// same members over the bus, release rules included, are tst_serveur_bus.
#include "TestSupport.h"

#include "coding/Montant.h"
#include "host/LectureCCAM.h"
#include "session/FinProcessus.h"
#include "session/Session.h"
#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"

#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace pava;
using test::rangee;

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
    Fermeture m_fermeture;

    void fenetres(const Fermeture& f)
    {
        m_fermeture = f;
        LectureCCAM::setFabriqueFenetreCotation([this]() { return new FenetreEssai(m_fermeture); });
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
        setFinProcessus([] {}); // a release never ends this test's process
    }

    void init() { reinitialiserSession(); }

    void specialityConversion_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("valide");
        QTest::addColumn<int>("valeur");
        rangee("blancs", " 14 ", true, 14);
        rangee("negatif", "-6", true, -6);
        rangee("demi pair bas", "2.5", true, 2);
        rangee("demi pair haut", "3,5", true, 4);
        rangee("decimal", "6.7", true, 7);
        rangee("vide", "", false, 0);
        rangee("blancs seuls", "   ", false, 0);
        rangee("alphabetique", "abc", false, 0);
        rangee("chiffres puis lettres", "13a", false, 0);
        rangee("trop grand", "2147483648", false, 0);
        rangee("plus grand permis", "2147483647", true, 2147483647);
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

    void actModifiersOnePerLine()
    {
        LectureCCAM l;
        const QString brut = UsrSrt().GetModificateursActe("QZJA002");
        QCOMPARE(brut.count(QLatin1Char('@')), 6); // the act, then F, M, P, R, S, U
        const QString lignes = l.GetSRTModificateursActe("QZJA002");
        QVERIFY(!lignes.contains(QLatin1Char('@')));
        QCOMPARE(lignes.split("\r\n").size(), 7);
        QCOMPARE(QString(lignes).replace("\r\n", "@"), brut);
    }

    // The host's values reach the workspace through the session; without a
    // resource path, the one of an earlier coding does not linger.
    void codingHandsTheHostValuesToTheWorkspace_data()
    {
        QTest::addColumn<QString>("rsc");
        rangee("chemin des ressources", "/h/rsc");
        rangee("sans chemin des ressources", QString());
    }
    void codingHandsTheHostValuesToTheWorkspace()
    {
        QFETCH(QString, rsc);
        session().CotationRetour = "reste d'avant";
        session().CheminDataRsc = "ancien";
        fenetres({true, "DEQP003,14.77,ECG", false, {}, true});
        LectureCCAM l;
        l.setCheminData4("propre-data");
        const QString r =
            rsc.isNull()
                ? l.GetCotationCCAM("10000001", "13", "/h/data", "/h/dico", "QZJA002")
                : l.GetCotationCCAM("10000001", "13", "/h/data", "/h/dico", "QZJA002", rsc);
        QCOMPARE(r, "DEQP003,14.77,ECG");
        QCOMPARE(FenetreEssai::vu, QStringList({"10000001", "13", "/h/data", "/h/dico", rsc, ""}));
        // The object's own paths are neither used nor changed.
        QCOMPARE(l.CheminData4(), "propre-data");
    }

    void cancelAfterACodingReturnsEmpty()
    {
        LectureCCAM l;
        fenetres({true, "DEQP003", false, {}, true});
        QCOMPARE(l.GetCotationCCAM("1", "13", "d", "d", "", ""), "DEQP003");
        // A cancel closes the window first and empties the result afterwards.
        fenetres({false, "DEQP003", true, QString(), true});
        QCOMPARE(l.GetCotationCCAM("1", "13", "d", "d", "", ""), QString());
    }

    void openWorkspaceAnswersWhenItsCloseHandlerHasFinished()
    {
        fenetres({false, "partiel", true, QString(), false});
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
        fenetres({true, "premier", false, {}, false});
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
        QCOMPARE(session().CheminData4Session, "d1");

        static_cast<FenetreEssai*>(ouverte.data())->fermer();
        QVERIFY(finPremier.wait(2000));
        QCOMPARE(finPremier.first().first().toString(), "premier");
        QTRY_VERIFY(ouverte.isNull());
        // Once closed, the next request opens normally.
        fenetres({true, "second", false, {}, true});
        QSignalSpy finSecond(&second, &LectureCCAM::cotationTerminee);
        QVERIFY(second.ouvrirCotation("2", "14", "d2", "d2", "", "", &erreur));
        QVERIFY(finSecond.wait(2000));
        QCOMPARE(finSecond.first().first().toString(), "second");
    }
};

QTEST_MAIN(TstLectureCCAM)
#include "tst_lectureccam.moc"
