// The act search on a small reference: matching, ranking, explaining, loading.
#include "EditionsDeTest.h"
#include "TestSupport.h"

#include "srt/ConstructionReference.h"
#include "srt/RechercheActes.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace pava;
using namespace pava::test;

class TestRecherche : public QObject
{
    Q_OBJECT

private:
    QStringList codes(const RechercheActes::Resultat& r) const
    {
        QStringList c;
        for (int i : r.actes)
            c.append(m_recherche.actes()[i].code);
        return c;
    }
    QTemporaryDir m_dir;
    RechercheActes m_recherche;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(
            importer(m_dir.path(),
                     edition(1, "01/01/2025", {"QZJA001,,Ancienne suture,1,0,10.00,10.00,,,1,ADC"}))
                .reussi);
        const QByteArray e = edition(
            2, "01/01/2026",
            {"DEQP003,,Électrocardiographie sur au moins 12 dérivations,1,0,14.77,13.81,,,2,ATM",
             "DEQP005,,\"Électrocardiographie continue, ambulatoire\",1,0,77.01,70.00,,,2,ATM",
             "HEQE002,,Œsophagoscopie au tube souple,1,0,Non pris en charge,Non pris en "
             "charge,,,2,ATM",
             "HMCA001,,Réparation des canaux biliaires,1,0,300.00,280.00,,,1,ADC",
             "QZJA099,,Suturectomie de la peau,1,0,1.00,1.00,,,1,ADC",
             "QZJA002,,Parage et/ou suture de plaie superficielle de la peau de moins de 3 cm,1,0,"
             "26.60,24.21,,,1,ADC",
             "QZJA017,,Sutures de plaies multiples de la peau,1,0,53.95,40.07,,,1,ADC",
             "QZJS001,,Autre acte sur la peau,1,0,5.00,5.00,,,1,ADC",
             "ADCA002,,Suture de plaie du nerf facial,1,0,356.80,356.80,,,1,ADC",
             "QZFA031,,Exérèse de lésion superficielle de la peau,1,0,45.00,40.00,,,1,ADC",
             "QZJA098,,Suturectomie du muscle peaucier,1,0,5.00,5.00,,,1,ADC",
             "AAAA001,,\"Nerf radial, anesthésie\",4,0,5.00,5.00,,,1,ADC",
             "AAAA002,,Nerf radial,4,0,5.00,5.00,,,1,ADC",
             "ADCA005,,Libération du nerf radial,1,0,5.00,5.00,,,1,ADC"});
        // Three rules, one leading nowhere here, and a line that is no rule.
        OptionsImport o;
        o.repertoireSrt = m_dir.path();
        o.fichierEdition = m_dir.filePath("edition.csv");
        o.fichierLexique = m_dir.filePath("lexique.txt");
        QVERIFY(writeFile(o.fichierEdition, e));
        QVERIFY(writeFile(o.fichierLexique, "# essai\n"
                                            "ecg, électrocardiogramme = électrocardiographie\n"
                                            "suture plaie = suture plaie peau # la peau\n"
                                            "stérilet = dispositif intra-utérin\n"
                                            "sans égal\n"));
        const BilanImport b = importerReference(o);
        QVERIFY2(b.reussi, qPrintable(b.erreur));
        QCOMPARE(b.reglesLexique, 3);
        QVERIFY2(b.remarques.join('\n').contains("lexique.txt, ligne 5"),
                 qPrintable(b.remarques.join('\n')));
        QString erreur;
        QVERIFY2(m_recherche.charger(cheminReferenceSrt(m_dir.path()), &erreur, kGrilleSecteur1,
                                     QDate(2026, 3, 1)),
                 qPrintable(erreur));
    }

    void chercher_data()
    {
        QTest::addColumn<QString>("requete");
        QTest::addColumn<QStringList>("attendus");
        const QStringList sutures{"QZJA002", "QZJA017", "ADCA002"};
        rangee("début de code", "qzja", QStringList{"QZJA099", "QZJA098", "QZJA002", "QZJA017"});
        rangee("code dont le S compte", "qzjs", QStringList{"QZJS001"});
        rangee("pluriels, ordre libre", "plaies sutures", sutures);
        rangee("accents de la requête", "ÉLECTROCARDIOGRAPHIE AMBULATOIRE", QStringList{"DEQP005"});
        rangee("singulier d'un pluriel en -aux", "canal biliaire", QStringList{"HMCA001"});
        rangee("débuts de mots", "sut pla sup", QStringList{"QZJA002"});
        rangee("mots vides ignorés", "suture de la plaie du nerf", QStringList{"ADCA002"});
        rangee("code et mot", "qzja plaies multiples", QStringList{"QZJA017"});
        rangee("lettre manquante", "suure plaie", sutures);
        rangee("lettre en trop", "sutture plaie", sutures);
        rangee("lettres inversées", "sutrue plaie", sutures);
        rangee("lettre fausse", "sutyre plaie", sutures);
        rangee("f pour ph", "electrocardiografie", QStringList{"DEQP003", "DEQP005"});
        rangee("deux fautes", "sutrie plaie", QStringList{});
        rangee("quatre lettres sans faute permise", "peay", QStringList{});
        rangee("un mot de trop", "suture plaie xyzzy", QStringList{});
        rangee("blancs et ponctuation seulement", " ,;! ", QStringList{});
        rangee("même racine", "electrocardiographies derivation", QStringList{"DEQP003"});
        rangee("adjectif et nom par la racine", "superficiel", QStringList{"QZJA002", "QZFA031"});
        rangee("dernier mot commencé", "electrocardiographie ambul", QStringList{"DEQP005"});
        rangee("abréviation du lexique", "ECG", QStringList{"DEQP003", "DEQP005"});
        rangee("lexique et début de mot", "ecg ambul", QStringList{"DEQP005"});
        rangee("autre orthographe de la règle", "électrocardiogrammes",
               QStringList{"DEQP003", "DEQP005"});
        rangee("groupe de mots du lexique", "suture plaie nerf", QStringList{"ADCA002"});
        rangee("règle sans acte ici", "sterilet", QStringList{});
        rangee("lexique du cabinet", "oeso souple", QStringList{"HEQE002"});
    }

    void chercher()
    {
        QFETCH(QString, requete);
        QFETCH(QStringList, attendus);
        RechercheActes recherche = m_recherche;
        recherche.ajouterLexique(lireLexique(u"oeso = œsophagoscopie", "cabinet"));
        QStringList trouves = codes(recherche.chercher(requete));
        trouves.sort();
        attendus.sort();
        QCOMPARE(trouves, attendus);
    }

    void classement_data()
    {
        QTest::addColumn<QString>("requete");
        QTest::addColumn<bool>("pratique");
        QTest::addColumn<QStringList>("ordre");
        rangee("code exact, puis codes qui en commencent", "qzja017 sutures", false,
               QStringList{"QZJA017"});
        rangee("mots entiers avant moins d'autres mots", "suture peau", false,
               QStringList{"QZJA017", "QZJA002", "QZJA099", "QZJA098"});
        rangee("début de mot avant faute de frappe", "suturec", false,
               QStringList{"QZJA099", "QZJA098", "ADCA002", "QZJA017", "QZJA002"});
        rangee("mots entiers avant fautes de frappe", "suturec peau", false,
               QStringList{"QZJA099", "QZJA017", "QZJA002", "QZJA098"});
        rangee("sens du lexique avant moins d'autres mots", "suture plaie", false,
               QStringList{"QZJA017", "QZJA002", "ADCA002"});
        rangee("moins d'autres mots, activité 1, puis mots près du début", "nerf radial", false,
               QStringList{"AAAA002", "ADCA005", "AAAA001"});
        rangee("mots près du début, puis code", "peau", false,
               QStringList{"QZJA099", "QZJS001", "QZFA031", "QZJA017", "QZJA002", "QZJA098"});
        // Habitual QZJA002; history: ADCA002 in 2026, QZJA017 in 2025, QZJA099
        // on a day that could not be read.
        rangee("habituels, puis historique du plus récent", "suture", true,
               QStringList{"QZJA002", "ADCA002", "QZJA017", "QZJA099", "QZJA098"});
    }

    void classement()
    {
        QFETCH(QString, requete);
        QFETCH(bool, pratique);
        QFETCH(QStringList, ordre);
        const RechercheActes::Priorites p =
            m_recherche.priorites({{"QZJA002"},
                                   {{"ADCA002", QDate(2026, 1, 10).toJulianDay()},
                                    {"QZJA017", QDate(2025, 5, 1).toJulianDay()},
                                    {"QZJA099", 0},
                                    {"ZZZZ999", QDate(2026, 2, 1).toJulianDay()}}});
        QCOMPARE(codes(m_recherche.chercher(requete, 200, pratique ? &p : nullptr)), ordre);
    }

    void maximum()
    {
        const RechercheActes::Resultat r = m_recherche.chercher(u"peau", 2);
        QCOMPARE(r.actes.size(), 2);
        QCOMPARE(r.total, 6); // "peaucier" begins with it
        QCOMPARE(m_recherche.chercher(u"peau", 0).actes.size(), 0);
        QCOMPARE(m_recherche.chercher(QString(5000, 'a')).total, 0);
    }

    void mots_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QStringList>("attendus");
        rangee("ligatures", "Œsophage, cæcum", QStringList{"oesophag", "caecum"});
        rangee("apostrophe", "d'une plaie", QStringList{"d", "une", "plai"});
        rangee("pluriels", "canaux réseaux plaies", QStringList{"canal", "reseau", "plai"});
        rangee("accents tapés ou non", "cutanée cutanee cutané", QStringList(3, "cutan"));
        rangee("chiffres", "12 dérivations", QStringList{"12", "deriv"});
        // An accent typed before any letter: the word still has a key.
        rangee("accent sans lettre", "\u0300s \u0301 plaies", QStringList{"s", "plai"});
    }

    void mots()
    {
        QFETCH(QString, texte);
        QFETCH(QStringList, attendus);
        QCOMPARE(RechercheActes::mots(texte), attendus);
    }

    void expliquer_data()
    {
        QTest::addColumn<QString>("requete");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("lignes");
        rangee("lexique et début de mot", "ecg ambul", "DEQP005",
               QStringList{"« ecg » : electrocardiographie ; par le lexique (lexique.txt, "
                           "ligne 2 : ecg, électrocardiogramme = électrocardiographie)",
                           "« ambul » : ambulatoire (début de mot)"});
        rangee("mot identique, faute de frappe", "sutrue plaies", "ADCA002",
               QStringList{"« sutrue » : suture (faute de frappe)",
                           "« plaies » : plaie (même racine)"});
        rangee("début du code", "qzja peau", "QZJA099",
               QStringList{"« qzja » : code QZJA099 (début du code)", "« peau » : peau (mot "
                                                                      "identique)"});
    }

    void expliquer()
    {
        QFETCH(QString, requete);
        QFETCH(QString, code);
        QFETCH(QStringList, lignes);
        QCOMPARE(m_recherche.expliquer(requete, m_recherche.indexActe(code)), lignes);
    }

    void reglesSansEffet()
    {
        const QStringList sansEffet = m_recherche.reglesSansEffet();
        QCOMPARE(sansEffet.size(), 1);
        QVERIFY2(sansEffet.first().contains("ligne 4"), qPrintable(sansEffet.first()));
    }

    // A loading keeps the acts of its day, on its grid; nothing of an earlier one.
    void chargement()
    {
        QCOMPARE(m_recherche.actes()[m_recherche.indexActe(u"deqp003")].tarif.centimes, 1477);
        QCOMPARE(m_recherche.actes()[m_recherche.indexActe(u"HEQE002")].tarif.etat,
                 ValeurTarif::Etat::NonPrisEnCharge);
        QCOMPARE(m_recherche.indexActe(u"QZJA001"), -1);
        RechercheActes autre;
        const QString reference = cheminReferenceSrt(m_dir.path());
        QVERIFY(autre.charger(reference, nullptr, kGrilleSecteur1, QDate(2025, 6, 1)));
        QVERIFY(autre.indexActe(u"QZJA001") >= 0);
        QCOMPARE(autre.indexActe(u"QZJA002"), -1);
        QVERIFY(autre.charger(reference, nullptr, kGrilleHorsSecteur1, QDate(2026, 3, 1)));
        QCOMPARE(autre.actes()[autre.indexActe(u"DEQP003")].tarif.centimes, 1381);
        QCOMPARE(autre.indexActe(u"QZJA001"), -1);
        QString erreur;
        QVERIFY(!autre.charger(m_dir.path() + "/rien.mdb", &erreur));
        QVERIFY(!erreur.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecherche)
#include "tst_recherche.moc"
