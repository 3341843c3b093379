// A consultation coded end to end: real windows on a virtual display, the
// result string the host receives checked byte for byte.
#include "BusEssai.h"
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "coding/Windows1252.h"
#include "host/JeuDeDonnees.h"

#include <QDBusPendingCall>

#include <functional>

using namespace pava;
using namespace pava::test;

namespace {

const QString kEspace = QStringLiteral("Sélectionner les cotations CCAM");
const QString kActe = QStringLiteral("Saisie d'un acte CCAM");
const QString kDeqp003 = QStringLiteral("Électrocardiographie sur 12 dérivations au moins");

} // namespace

class TstConsultation : public QObject
{
    Q_OBJECT

    IsolatedEnvironment m_env;
    OptionsJeuDeDonnees m_jeu;
    EcranVirtuel m_ecran;
    QProcess m_serveur;

    QString coder(const std::function<void()>& jouer)
    {
        const QString chemin = creerObjet();
        QDBusPendingCall appelCotation =
            bus().asyncCall(appel(chemin, kILecture, "GetCotationCCAM",
                                  {"10000001", "1", m_jeu.repertoireData, m_jeu.repertoireData, "",
                                   m_jeu.repertoireRsc}),
                            600000);
        jouer();
        if (!QTest::qWaitFor([&] { return appelCotation.isFinished(); }, 15000))
            return QStringLiteral("(pas de réponse)");
        const QDBusMessage reponse = appelCotation.reply();
        bus().call(appel(chemin, kILecture, "Release"));
        return reponse.arguments().value(0).toString();
    }

    // The act window on the current habitual coding, association typed, F12.
    void acteAvecAssociation(const QString& association)
    {
        QVERIFY(m_ecran.touches(kEspace, {"Return"}));
        QStringList touches(7, QStringLiteral("Tab"));
        QVERIFY(m_ecran.touches(kActe, touches << association << QStringLiteral("F12")));
    }

    void ecrireReglageOnglet(int onglet)
    {
        QVERIFY(writeFile(m_env.settings() + QStringLiteral("/PavaCCAM/PavaCCAM.conf"),
                          QStringLiteral("[Settings]\nTab=%1\n").arg(onglet).toUtf8()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(bus().isConnected(), "ce test tourne sous dbus-run-session");
        if (!m_ecran.demarrer())
            QSKIP("Xvfb ou xdotool absent");
        const QString r = m_env.root();
        m_jeu.repertoireData = r + QStringLiteral("/data");
        m_jeu.repertoireRsc = r + QStringLiteral("/rsc");
        m_jeu.repertoireSrt = r + QStringLiteral("/srt");
        m_jeu.repertoireProfil = m_env.sysconf();
        const BilanJeuDeDonnees bilan = creerJeuDeDonnees(m_jeu);
        QVERIFY2(bilan.reussi, qPrintable(bilan.erreur));

        lancerServeur(m_serveur, QStringLiteral(PAVACCAM_SERVEUR),
                      environnementServeur(mondeDuTest(m_env), m_ecran.affichage()));
    }

    void cleanupTestCase()
    {
        arreterServeur();
        m_serveur.waitForFinished(5000);
    }

    void deuxActesValidesParF12()
    {
        ecrireReglageOnglet(0);
        const QString resultat = coder([this] {
            acteAvecAssociation(QStringLiteral("1"));    // DEQP003, first row
            QVERIFY(m_ecran.touches(kEspace, {"Down"})); // JKHD001
            acteAvecAssociation(QStringLiteral("2"));
            QVERIFY(m_ecran.touches(kEspace, {"F12"}));
        });
        QCOMPARE(resultat, "DEQP00310____1+JKHD00110____2,22.00," + kDeqp003 +
                               "+Prélèvement cervicovaginal pour examen cytologique; avec "
                               "spéculum");
    }

    // A composed act with an NGAP prefix: returned as stored, CCAM part priced.
    void acteComposeDoubleClique()
    {
        const QString base = m_jeu.repertoireData + "/CCAM001.mdb";
        QVERIFY(executer(base, "CREATE TABLE IF NOT EXISTS PavaACTES (CodeActe TEXT, LibelleCCAM "
                               "TEXT, ValeurSS TEXT, ValeurReel TEXT)"));
        QVERIFY(executer(base, "INSERT INTO PavaACTES (CodeActe, LibelleCCAM) VALUES "
                               "('NGAPMTO,QZJA00210____1+DEQP00310____2=45', "
                               "'Suture et ECG, l''après-midi')"));
        ecrireReglageOnglet(1);
        const QString resultat = coder([this] { QVERIFY(m_ecran.clic(kEspace, 100, 90, 2)); });
        QCOMPARE(resultat, QStringLiteral("NGAPMTO,QZJA00210____1+DEQP00310____2=45,30,Suture et "
                                          "ECG; l'après-midi"));
    }

    void complementCoche()
    {
        QVERIFY(
            writeFile(m_env.home() + QStringLiteral("/Complt1.txt"),
                      versWindows1252(QStringLiteral("\r\nSous radio§YYYY30010____1§MTO\r\n"))));
        ecrireReglageOnglet(0);
        const QString titre = QStringLiteral("Saisie d'un acte CCAM et/ou NGAP complémentaire");
        const QString resultat = coder([&] {
            acteAvecAssociation(QStringLiteral("1"));
            QVERIFY(m_ecran.clic(kEspace, 860, 527));   // "..." of the complement
            QVERIFY(m_ecran.clic(titre, 80, 54));       // the first slot's label
            QVERIFY(m_ecran.touches(titre, {"alt+o"})); // "&Ok"
            QVERIFY(m_ecran.touches(kEspace, {"F12"}));
        });
        QCOMPARE(resultat,
                 "NGAPMTO,DEQP00310____1+YYYY30010____1,25.50," + kDeqp003 + "+Sous radio");
    }
};

QTEST_GUILESS_MAIN(TstConsultation)
#include "tst_consultation.moc"
