// The automation class in process, as a host linking the library calls it.
#include "TestSupport.h"

#include "coding/Montant.h"
#include "host/LectureCCAM.h"
#include "session/FinProcessus.h"
#include "session/Session.h"

#include <QDialog>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace pava;
using test::rangee;

namespace {

// Stands for the workspace: notes the session values it finds, closes as
// asked; a cancel empties CotationRetour only after closing.
struct Fermeture
{
    bool valider = true;
    QString resultat;
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
        session().CotationRetour = m_fermeture.resultat;
        if (m_fermeture.valider)
            return accept();
        reject();
        session().CotationRetour.clear();
    }
    static inline QStringList vu;

private:
    Fermeture m_fermeture;
};

} // namespace

class TstLectureCCAM : public QObject
{
    Q_OBJECT

    test::IsolatedEnvironment m_env;
    Fermeture m_fermeture;

    void fenetres(const Fermeture& f)
    {
        m_fermeture = f;
        LectureCCAM::setFabriqueFenetreCotation([this]() { return new FenetreEssai(m_fermeture); });
    }

private Q_SLOTS:
    void initTestCase()
    {
        setFinProcessus([] {}); // a release never ends this test's process
        m_env.writeProfile("[API_Sesam]\r\nPath=" + m_env.root().toUtf8() + "/srt\r\n");
        QVERIFY(test::writeFile(m_env.root() + "/srt/srt/CCAM.mdb", "référence"));
    }
    void init() { reinitialiserSession(); }

    void specialityConversion_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("valeur"); // -1: refused
        rangee("blancs", " 14 ", 14);
        rangee("demi pair bas", "2.5", 2);
        rangee("demi pair haut, virgule", "3,5", 4);
        rangee("vide", "", -1);
        rangee("chiffres puis lettres", "13a", -1);
        rangee("trop grand", "2147483648", -1);
        rangee("plus grand permis", "2147483647", 2147483647);
    }
    void specialityConversion()
    {
        QFETCH(QString, texte);
        QFETCH(int, valeur);
        QCOMPARE(convertirEntier32(texte).value_or(-1), valeur);
    }

    // The host's values reach the workspace; a cancel answers "".
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
        fenetres({true, "DEQP003,14.77,ECG", true});
        LectureCCAM l;
        l.setCheminData4("propre-data");
        const QString r =
            rsc.isNull()
                ? l.GetCotationCCAM("10000001", "13", "/h/data", "/h/dico", "QZJA002")
                : l.GetCotationCCAM("10000001", "13", "/h/data", "/h/dico", "QZJA002", rsc);
        QCOMPARE(r, "DEQP003,14.77,ECG");
        QCOMPARE(FenetreEssai::vu, QStringList({"10000001", "13", "/h/data", "/h/dico", rsc, ""}));
        QCOMPARE(l.CheminData4(), "propre-data");
        fenetres({false, "DEQP003", true});
        QCOMPARE(l.GetCotationCCAM("1", "13", "d", "d", "", ""), QString());
    }

    // A second workspace is refused and leaves the open one alone.
    void openWorkspaceOneAtATime()
    {
        fenetres({false, "partiel", false});
        LectureCCAM premier, second;
        QSignalSpy fin(&premier, &LectureCCAM::cotationTerminee);
        QString erreur;
        QVERIFY(premier.ouvrirCotation("1", "13", "d1", "d1", "", "", &erreur));
        auto* ouverte = static_cast<FenetreEssai*>(LectureCCAM::fenetreCotationOuverte());
        QVERIFY(ouverte && ouverte->isVisible());
        QVERIFY(!second.ouvrirCotation("2", "14", "d2", "d2", "", "", &erreur));
        QCOMPARE(erreur, QString::fromUtf8(kMessageCotationOuverte));
        QCOMPARE(LectureCCAM::fenetreCotationOuverte(), ouverte);
        QCOMPARE(session().CheminData4Session, "d1");
        ouverte->fermer();
        QVERIFY(fin.wait(2000));
        QCOMPARE(fin.size(), 1);
        QCOMPARE(fin.first().first().toString(), QString());
        QTRY_VERIFY(!LectureCCAM::fenetreCotationOuverte());
    }

    // The window goes without closing: cancelled, "", the next one opens.
    void workspaceGoneWithoutClosing_data()
    {
        QTest::addColumn<bool>("detruite"); // else hidden
        rangee("fenêtre native détruite", true);
        rangee("fenêtre cachée", false);
    }
    void workspaceGoneWithoutClosing()
    {
        QFETCH(bool, detruite);
        fenetres({true, "DEQP003,14.77,ECG", false});
        LectureCCAM l;
        QSignalSpy fin(&l, &LectureCCAM::cotationTerminee);
        QString erreur;
        QVERIFY(l.ouvrirCotation("1", "13", "d", "d", "", "", &erreur));
        QDialog* ouverte = LectureCCAM::fenetreCotationOuverte();
        QVERIFY(QTest::qWaitForWindowExposed(ouverte));
        if (detruite)
            ouverte->windowHandle()->destroy();
        else
            ouverte->hide();
        QVERIFY(fin.wait(2000));
        QCOMPARE(fin.first().first().toString(), QString());
        QTRY_VERIFY(!LectureCCAM::fenetreCotationOuverte());
        fenetres({true, "DEQP003,14.77,ECG", true});
        QVERIFY2(l.ouvrirCotation("1", "13", "d", "d", "", "", &erreur), qPrintable(erreur));
        QVERIFY(fin.wait(2000));
        QCOMPARE(fin.last().first().toString(), "DEQP003,14.77,ECG");
    }

    // A profile not leading to the reference refuses the coding, logged.
    void profileCheckedWhenTheWorkspaceOpens_data()
    {
        QTest::addColumn<QByteArray>("profil"); // "" = no file
        QTest::addColumn<QString>("cause");
        rangee("profil absent", QByteArray(), "Pavareg.reg introuvable");
        rangee("sans la clé Path", QByteArray("[API_Sesam]\r\n"), "ne donne pas le répertoire SRT");
        rangee("base sans référentiel", QByteArray("[API_Sesam]\r\nPath=/nulle/part\r\n"),
               "/nulle/part/srt/CCAM.mdb");
    }
    void profileCheckedWhenTheWorkspaceOpens()
    {
        QFETCH(QByteArray, profil);
        QFETCH(QString, cause);
        const QString fichier = m_env.sysconf() + "/Pavareg.reg";
        const QByteArray avant = test::readFile(fichier);
        QFile::remove(fichier);
        if (!profil.isEmpty())
            m_env.writeProfile(profil);
        fenetres({true, "DEQP003,14.77,ECG", true});
        int fins = 0;
        setFinProcessus([&fins] { ++fins; });
        LectureCCAM l;
        QString erreur;
        const bool ouverte = l.ouvrirCotation("1", "13", "d", "d", "", "", &erreur);
        const QString reponse = l.GetCotationCCAM("1", "13", "d", "d", "", "");
        setFinProcessus([] {});
        m_env.writeProfile(avant);
        QVERIFY(!ouverte);
        QVERIFY(!LectureCCAM::fenetreCotationOuverte());
        QCOMPARE(reponse, QString());
        QCOMPARE(fins, 0);
        QVERIFY2(erreur.startsWith("La cotation ne peut pas commencer") && erreur.contains(cause),
                 qPrintable(erreur));
        QVERIFY2(test::journalErreurs().contains(cause), qPrintable(test::journalErreurs()));
    }
};

QTEST_MAIN(TstLectureCCAM)
#include "tst_lectureccam.moc"
