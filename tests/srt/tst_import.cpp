// The reference importer: row kinds, broken files, history, installation's table.
#include "EditionsDeTest.h"
#include "TestSupport.h"

#include "coding/Windows1252.h"
#include "srt/ConstructionReference.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace pava;
using namespace pava::test;

namespace {

const QString kActe = QStringLiteral("QZJA002,,Suture de plaie,1,0,26.60,24.21,,,1,ADC");

bool contientAnomalie(const QList<Anomalie>& anomalies, int ligne, bool bloquante,
                      const QString& fragment)
{
    for (const Anomalie& a : anomalies) {
        if (a.ligne == ligne && a.bloquante == bloquante && a.message.contains(fragment))
            return true;
    }
    return false;
}

QString enTexte(const QList<Anomalie>& anomalies)
{
    QStringList t;
    for (const Anomalie& a : anomalies)
        t.append(
            QStringLiteral("%1%2: %3").arg(a.ligne).arg(a.bloquante ? "!" : "").arg(a.message));
    return t.join(QLatin1Char('\n'));
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString reference() const { return cheminReferenceSrt(m_dir->path()); }
    BilanImport importer81(const QStringList& lignes, const QByteArray& installation = {})
    {
        return importer(m_dir->path(), edition(81, "01/01/2026", lignes), installation);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void typesDeLignes_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("attendu");
        const QStringList chapitreModificateurs = {"19,,ADAPTATIONS,,,,,,,,",
                                                   "19.03,,MODIFICATEURS,,,,,,,,",
                                                   "F,,Urgence le dimanche,,,19.06,19.06,,,,",
                                                   ",,Variante des chirurgiens,,,40.00,40.00,,,,",
                                                   "7,,Présence de l'anesthésiste,,,+6%,+6%,,,,",
                                                   "T,,Majoration,,,\"21,5%\",\"+16,5%\",,,,",
                                                   "B,,Radiographie au bloc,,,0.49,+49%,,,,"};

        rangee("titre, en-têtes des grilles, table de la fenêtre d'acte", QStringList{kActe},
               "SELECT (SELECT version || ' ' || date_application || ' ' || demonstration FROM "
               "edition), (SELECT group_concat(libelle, '/') FROM grille), (SELECT CodeActe || "
               "' ' || Libelle FROM CCAM_7)",
               "81 2026-01-01 0,Secteur 1/Hors secteur 1,QZJA002 Suture de plaie");
        rangee("liste portant la ligne d'anesthésie",
               QStringList{kActe, "\"[A, 7, 3]\",,anesthésie,4,0,60.00,55.00,,,1,ADA"},
               "SELECT a.lettres || ':' || t.activite || '-' || t.centimes FROM "
               "modificateurs_acte a, tarif t WHERE t.activite = 4 ORDER BY t.grille",
               "A73:4-6000|A73:4-5500");
        rangee("ligne d'activité sous l'acte",
               QStringList{kActe, ",,anesthésie,4,0,30.00,30.00,,,1,ADA"},
               "SELECT activite, libelle, regroupement FROM activite ORDER BY rang",
               "1,Suture de plaie,ADC|4,anesthésie,ADA");
        rangee("actes associés", QStringList{kActe, ",,\"(ZZLP025,  YYYY189 ,ZZLP054)\",,,,,,,,"},
               "SELECT code_associe FROM acte_associe ORDER BY rang", "ZZLP025|YYYY189|ZZLP054");
        rangee("liste et actes associés sur une ligne",
               QStringList{kActe, "\"[F, U]\",,(ZZLP025),,,,,,,,"},
               "SELECT lettres || '/' || code_associe FROM modificateurs_acte, acte_associe",
               "FU/ZZLP025");
        rangee("parenthèses qui ne nomment pas d'acte",
               QStringList{kActe, ",,(Forfait sécurité),,,,,,,,"},
               "SELECT texte FROM note WHERE genre = 'acte'", "(Forfait sécurité)");
        rangee("note sur plusieurs lignes",
               QStringList{kActe, ",,\"Indication :\n- première\n- seconde\",,,,,,,,"},
               "SELECT replace(texte, char(10), '/') FROM note",
               "Indication :/- première/- seconde");
        rangee("première cellule blanche",
               QStringList{kActe, "\" \",,Facturation : une fois,,,,,,,,"},
               "SELECT texte FROM note", "Facturation : une fois");
        rangee("note de chapitre",
               QStringList{"01,,SYSTÈME,,,,,,,,", ",,À l'exclusion de : tout,,,,,,,,", kActe},
               "SELECT genre, proprietaire, texte FROM note",
               "chapitre,01,À l'exclusion de : tout");
        rangee("remboursement sous conditions et accord préalable",
               QStringList{"EQQP004,,Mesure ambulatoire,1,0,60.00,55.00,RC,AP,2,ATM"},
               "SELECT rembourse_sous_conditions, accord_prealable FROM acte", "1,1");
        rangee("supplément",
               QStringList{"19.02,,SUPPLÉMENTS,,,,,,,,",
                           "YYYY010,,Supplément,1,0,20.00,20.00,,,1,ADC"},
               "SELECT nature FROM acte", "supplément");
        rangee("taux du chapitre des modificateurs", chapitreModificateurs,
               "SELECT code, grille, points_de_base, forfait_centimes FROM modificateur_taux "
               "ORDER BY code, grille",
               "7,1,600,0|7,2,600,0|B,1,4900,0|B,2,4900,0|F,1,0,1906|F,2,0,1906|T,1,2150,0|"
               "T,2,1650,0");
        rangee("variante d'un modificateur", chapitreModificateurs,
               "SELECT code, libelle, taux_1 FROM modificateur_variante",
               "F,Variante des chirurgiens,40.00");
        rangee("chapitre absent fait de son numéro",
               QStringList{"08,,URINAIRE,,,,,,,,", "08.03,,MASCULIN,,,,,,,,",
                           "08.03.02.01,,Exérèse,,,,,,,,", kActe, "08.03.02.02,,Autres,,,,,,,,"},
               "SELECT code, parent, titre FROM chapitre ORDER BY rang",
               "08,,URINAIRE|08.03,08,MASCULIN|08.03.02,08.03,|08.03.02.01,08.03.02,Exérèse|"
               "08.03.02.02,08.03.02,Autres");
    }
    void typesDeLignes()
    {
        QFETCH(QStringList, lignes);
        QFETCH(QString, sql);
        QFETCH(QString, attendu);
        const BilanImport b = importer81(lignes);
        QVERIFY2(b.reussi, qPrintable(b.erreur + '\n' + enTexte(b.anomalies)));
        QCOMPARE(requete(reference(), sql), attendu);
    }

    void deuxFormesUnMemeReferentiel_data()
    {
        QTest::addColumn<bool>("francaise");
        QTest::addColumn<bool>("windows1252");
        rangee("tableur français en Windows-1252", true, true);
        rangee("tableur français en UTF-8", true, false);
        rangee("virgules en Windows-1252", false, true);
    }
    void deuxFormesUnMemeReferentiel()
    {
        QFETCH(bool, francaise);
        QFETCH(bool, windows1252);
        const QByteArray virgules = edition(
            81, "01/01/2026",
            {"16,,SYSTÈME TÉGUMENTAIRE,,,,,,,,", ",,\"Note ; sur deux\nlignes\",,,,,,,,",
             "16.03.01,,Réparation,,,,,,,,", kActe,
             "\"[F, R]\",,Facturation : ne peut pas être facturé avec QZNP001,,,,,,,,",
             ",,anesthésie,4,0,1234.56,1000.5,,,1,ADA", ",,Note,,,0.00,0.00,,,,",
             "QZNP001,,Verrues,1,0,Non pris en charge,Non pris en charge,,,2,ATM",
             "19.03,,MODIFICATEURS,,,,,,,,", "F,,Urgence le dimanche,,,19.06,19.06,,,,",
             ",,Variante des chirurgiens,,,40.00,40.00,,,,", "J,,Majoration,,,\"+6,50%\",+6%,,,,"});
        QTemporaryDir autre;
        const BilanImport modele = importer(autre.path(), virgules);
        QVERIFY(modele.reussi);
        const QByteArray octets = francaise ? formeFrancaise(virgules, windows1252)
                                            : versWindows1252(QString::fromUtf8(virgules));
        const BilanImport b = importer(m_dir->path(), octets);
        QVERIFY2(b.reussi, qPrintable(b.erreur + '\n' + enTexte(b.anomalies)));
        QCOMPARE(b.forme.contains("français"), francaise);
        QCOMPARE(b.forme.contains("Windows-1252"), windows1252);
        QCOMPARE(enTexte(b.anomalies), enTexte(modele.anomalies));
        QCOMPARE(contenu(reference(), false), contenu(cheminReferenceSrt(autre.path()), false));
    }

    void reglesDeFacturation_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<QString>("paires");
        QTest::addColumn<QString>("phrases");      // whose note, and its sentence the pairs quote
        QTest::addColumn<int>("ligneNonTraduite"); // 0: every rule became pairs
        QTest::addColumn<QString>("fragment");

        const auto avecNote = [](int apres, const QString& note) {
            QStringList l{"04,,CIRCULATOIRE,,,,,,,,",
                          "04.01.01.01,,ÉLECTROCARDIOGRAPHIE,,,,,,,,",
                          "DEQP003,,Électrocardiographie,1,0,14.77,13.81,,,2,ATM",
                          "DEQP005,,Électrocardiographie continue,1,0,77.01,70.00,,,2,ATM",
                          "16,,PEAU,,,,,,,,",
                          "16.03,,SUTURES,,,,,,,,",
                          kActe,
                          "QZJA017,,Sutures de plaies multiples,1,0,53.95,40.07,,,1,ADC"};
            l.insert(apres + 1, ",,\"" + note + "\",,,,,,,,");
            return l;
        };
        const QString f = "Facturation : ";
        const int acte = kPremiereLigneEdition + 7; // a note after QZJA002
        rangee("note d'un chapitre pour tous ses actes",
               avecNote(5, f + "ne peuvent pas être facturés avec DEQP005"),
               "DEQP005-QZJA002|DEQP005-QZJA017",
               "16.03 Facturation : ne peuvent pas être facturés avec DEQP005", 0, "");
        rangee("codes en liste sur plusieurs lignes",
               avecNote(6, "Indication : une fois par jour. " + f +
                               "ne peut pas être facturé avec :\n- DEQP003\n- sutures multiples "
                               "(QZJA017)"),
               "DEQP003-QZJA002|QZJA002-QZJA017",
               "QZJA002 Facturation : ne peut pas être facturé avec : DEQP003 ; sutures multiples "
               "(QZJA017)",
               0, "");
        rangee("sous-paragraphe nommé par son numéro",
               avecNote(6, f + "ne peut pas être facturé avec un acte du sous-paragraphe "
                               "04.01.01.01"),
               "DEQP003-QZJA002|DEQP005-QZJA002", "", 0, "");
        rangee("peut être facturé avec", avecNote(6, f + "peut être facturé avec DEQP003"), "", "",
               0, "");
        rangee("actes en toutes lettres, sur la seconde ligne de la note",
               avecNote(6, f + "une fois par jour ;\nne peut pas être facturé avec un geste "
                               "d'anesthésie"),
               "", "", acte + 1,
               "de l'acte QZJA002 non traduite en paires, ses actes n'étant désignés qu'en "
               "toutes lettres");
        rangee("exception qui nomme un acte",
               avecNote(5, f + "ne peuvent pas être facturés avec les actes du chapitre 4 à "
                               "l'exception de DEQP003"),
               "DEQP005-QZJA002|DEQP005-QZJA017", "", 0, "");
        rangee("condition que la cotation ne vérifie pas",
               avecNote(6, f + "ne peut pas être facturé avec DEQP003 sur le même membre"), "", "",
               acte, "condition");
        rangee("condition avant la phrase",
               avecNote(6, f + "si réalisé en urgence il ne peut pas être facturé avec DEQP003"),
               "", "", acte, "condition");
        rangee("paragraphe nommé avant la phrase, point final",
               avecNote(0, f + "les actes du paragraphe 04.01.01 ne peuvent pas être facturés "
                               "avec QZJA002."),
               "DEQP003-QZJA002|DEQP005-QZJA002",
               "04 Facturation : les actes du paragraphe 04.01.01 ne peuvent pas être facturés "
               "avec QZJA002",
               0, "");
        rangee("association de deux actes",
               avecNote(0, f + "l'association de DEQP003 avec DEQP005 ne peut pas être facturée"),
               "DEQP003-DEQP005", "", 0, "");
        rangee("numéro entre parenthèses",
               avecNote(0, f + "les sutures (chapitre 16) ne peuvent pas être facturées avec les "
                               "actes de cardiologie"),
               "", "", kPremiereLigneEdition + 1, "du chapitre 04");
        rangee("code cité absent de l'édition",
               avecNote(6, f + "ne peut pas être facturé avec ZZZZ999"), "", "", acte,
               "le code ZZZZ999 qu'elle cite n'est pas dans l'édition");
        rangee("non associable", avecNote(6, "Non associable à : DEQP003 et DEQP005"),
               "DEQP003-QZJA002|DEQP005-QZJA002", "", 0, "");
    }
    void reglesDeFacturation()
    {
        QFETCH(QStringList, lignes);
        QFETCH(QString, paires);
        QFETCH(QString, phrases);
        QFETCH(int, ligneNonTraduite);
        QFETCH(QString, fragment);
        const BilanImport b = importer81(lignes);
        QVERIFY2(b.reussi, qPrintable(b.erreur));
        QCOMPARE(requete(reference(), "SELECT acte1 || '-' || acte2 FROM incompatibilite_edition "
                                      "WHERE debut = '2026-01-01' AND fin IS NULL ORDER BY 1"),
                 paires);
        if (!phrases.isEmpty())
            QCOMPARE(requete(reference(),
                             "SELECT DISTINCT n.proprietaire || ' ' || n.phrase FROM "
                             "incompatibilite_edition JOIN note_incompatibilite n ON n.id = note"),
                     phrases);
        QCOMPARE(b.incompatibilitesEdition, paires.isEmpty() ? 0 : int(paires.count('|')) + 1);
        if (ligneNonTraduite == 0)
            QVERIFY2(b.reglesNonTraduites.isEmpty(), qPrintable(enTexte(b.reglesNonTraduites)));
        else
            QVERIFY2(contientAnomalie(b.reglesNonTraduites, ligneNonTraduite, false, fragment),
                     qPrintable(enTexte(b.reglesNonTraduites)));
    }

    void anomalies_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<int>("ligne");
        QTest::addColumn<bool>("bloquante");
        QTest::addColumn<QString>("fragment");
        const int l = kPremiereLigneEdition;
        const QString chapitre = "01,,CHAPITRE,,,,,,,,";
        using L = QStringList;
        rangee("tarif illisible", L{"QZJA002,,Suture,1,0,26.6O,24.21,,,1,ADC"}, l, true,
               "illisible");
        rangee("tarif en chiffres d'une autre écriture",
               L{"QZJA002,,Suture,1,0,۲۶.۶۰,24.21,,,1,ADC"}, l, true, "illisible");
        rangee("tarif à vingt décimales",
               L{"QZJA002,,Suture,1,0,26.64444444444444444444,24.21,,,1,ADC"}, l, true,
               "illisible");
        rangee("tarif manquant", L{"QZJA002,,Suture,1,0,,24.21,,,1,ADC"}, l, true, "manquant");
        rangee("tarif à virgule corrigé", L{"QZJA002,,Suture,1,0,\"26, 60\",24.21,,,1,ADC"}, l,
               false, "lu 26.60");
        rangee("ligne de nature inconnue", L{kActe, "XYZ,,Bizarre,,,,,,,,"}, l + 1, true,
               "nature inconnue");
        rangee("ligne tronquée", L{kActe, "QZJA017,,Suture,1,0,53."}, l + 1, true, "colonnes");
        rangee("activité sans acte", L{chapitre, ",,anesthésie,4,0,10.00,10.00,,,1,ADA"}, l + 1,
               true, "sans acte");
        rangee("activité illisible", L{"QZJA002,,Suture,X,0,26.60,24.21,,,1,ADC"}, l, true,
               "activité illisible");
        rangee("phase manquante", L{"QZJA002,,Suture,1,,26.60,24.21,,,1,ADC"}, l, true,
               "phase manquante");
        rangee("modificateur illisible", L{kActe, "\"[F, PX]\",,,,,,,,,,"}, l + 1, true,
               "modificateur illisible");
        rangee("liste de modificateurs sans acte", L{chapitre, "\"[F]\",,,,,,,,,,"}, l + 1, true,
               "sans acte");
        rangee("acte sans ligne", L{"QZJA002,,Suture,,,,,,,,"}, l, true, "sans aucune ligne");
        rangee("acte en double", L{kActe, kActe}, l + 1, true, "déjà présent");
        rangee("code illisible parmi les actes associés",
               L{kActe, ",,\"(ZZLP025, YYY603)\",,,,,,,,"}, l + 1, false, "YYY603");
        rangee("tarif sans activité", L{kActe, ",,Note,,,12.00,12.00,,,,"}, l + 1, true,
               "sans activité");
        rangee("zéros sans activité", L{kActe, ",,Note,,,0.00,0.00,,,,"}, l + 1, false, "0.00");
        rangee("ligne répétée avec d'autres tarifs",
               L{kActe, ",,anesthésie,1,0,30.00,30.00,,,1,ADA"}, l + 1, true, "autres tarifs");
        rangee("ligne répétée avec les mêmes tarifs",
               L{kActe, ",,anesthésie,1,0,26.60,24.21,,,1,ADA"}, l + 1, false, "mêmes tarifs");
        rangee("ligne physique après une cellule sur trois lignes",
               L{kActe, ",,\"Note\nsur\ntrois lignes\",,,,,,,,", "XYZ,,Bizarre,,,,,,,,"}, l + 4,
               true, "XYZ");
        rangee("chapitre absent de l'édition",
               L{"08.03,,MASCULIN,,,,,,,,", "08.03.02.01,,Exérèse,,,,,,,,"}, l + 1, false,
               "chapitre 08.03.02 absent de l'édition : créé d'après son numéro, sous 08.03");
        rangee("taux de modificateur illisible",
               L{"19.03,,MODIFICATEURS,,,,,,,,", "F,,Urgence,,,vingt euros,19.06,,,,"}, l + 1, true,
               "taux du modificateur F");
    }
    void anomalies()
    {
        QFETCH(QStringList, lignes);
        QFETCH(int, ligne);
        QFETCH(bool, bloquante);
        QFETCH(QString, fragment);
        const BilanImport b = importer81(lignes);
        QVERIFY2(contientAnomalie(b.anomalies, ligne, bloquante, fragment),
                 qPrintable(enTexte(b.anomalies)));
        QCOMPARE(b.reussi, !bloquante);
    }

    // Whatever breaks the import, the reference stays byte for byte, alone.
    void echecGardeLaReference_data()
    {
        QTest::addColumn<QByteArray>("casse");
        QTest::addColumn<QString>("fragment");
        const QString e82 = "01/04/2026";
        rangee("fichier tronqué dans une cellule", edition(82, e82, {kActe, "\"[F, P"}), "tronqué");
        rangee("tarif illisible", edition(82, e82, {"QZJA002,,Suture,1,0,abc,24.21,,,1,ADC"}),
               "pas pu être lues");
        rangee("sans titre", QByteArray("Code,,Texte\nQZJA002,,Suture,1,0,1.00,1.00,,,1,ADC\n"),
               "titre");
        rangee("fichier vide (marque d'ordre des octets)", QByteArray("\xEF\xBB\xBF\n\n"), "vide");
        rangee("tabulations",
               QByteArray("\nCNAM - CCAM version 82 applicable 01/04/2026\t\t\nQZJA002\t\tSut\n"),
               "ligne 2 : ni virgules ni points-virgules");
        rangee("une ligne à virgules dans le tableur français",
               formeFrancaise(edition(82, e82, {kActe})) + kActe.toUtf8() + "\r\n",
               QString("la première ligne %1").arg(kPremiereLigneEdition + 1));
        rangee("édition antérieure", edition(80, "01/10/2025", {kActe}), "postérieure");
        rangee("table de l'installation illisible", QByteArray(), "installation");
    }
    void echecGardeLaReference()
    {
        QFETCH(QByteArray, casse);
        QFETCH(QString, fragment);
        QVERIFY(importer81({kActe}, "[modificateurs]\nF;*;19.06;;;Urgence\n").reussi);
        const QString contenuAvant = contenu(reference());

        // The last case breaks the installation's table instead of the edition.
        const BilanImport b = casse.isEmpty()
                                  ? importer(m_dir->path(), edition(82, "01/04/2026", {kActe}),
                                             "[modificateurs]\nF;*;dix;;;Urgence\n")
                                  : importer(m_dir->path(), casse);
        QVERIFY(!b.reussi);
        QVERIFY2(b.erreur.contains(fragment), qPrintable(b.erreur));
        QCOMPARE(contenu(reference()), contenuAvant);
        QCOMPARE(QDir(m_dir->path() + "/srt").entryList(QDir::Files), QStringList{"CCAM.mdb"});
    }

    void importInterrompu()
    {
        QVERIFY(importer(m_dir->path(), edition(80, "01/10/2025", {kActe})).reussi);
        // A killed import's partial file, under a process that is gone.
        const QString abandon = reference() + ".construction-2147483647";
        QVERIFY(writeFile(abandon, "SQLite format 3 (partiel)"));
        QVERIFY(importer81({kActe}).reussi);
        QVERIFY(!QFileInfo::exists(abandon));
        QCOMPARE(requete(reference(), "SELECT version FROM edition ORDER BY 1"), QString("80|81"));
    }

    void memeEditionDeuxFois()
    {
        const QString plaies = "QZJA017,,Sutures de plaies multiples,1,0,53.95,40.07,,,1,ADC";
        const QString note = ",,Facturation : ne peut pas être facturé avec QZJA017,,,,,,,,";
        const QByteArray e80 =
            edition(80, "01/10/2025", {kActe, "\"[F, R]\",,,,,,,,,,", note, plaies});
        const QStringList e81 = {"QZJA002,,Suture,1,0,28.00,25.00,,,1,ADC",
                                 "\"[F, M, R]\",,,,,,,,,,", plaies};
        QVERIFY(importer(m_dir->path(), e80,
                         "[modificateurs]\nF;*;19.06;;;Urgence\n[incompatibilites]\n"
                         "QZJA002;QZJA017;;\n[associations]\n2;50%;Second acte à moitié\n")
                    .reussi);
        QVERIFY(importer81(e81).reussi);
        const QString une = contenu(reference());
        QCOMPARE(requete(reference(), "SELECT * FROM incompatibilite_edition"),
                 QString("QZJA002,QZJA017,2025-10-01,2025-12-31,1"));
        QCOMPARE(
            requete(reference(), "SELECT pour_mille, libelle FROM association WHERE code = '2'"),
            QString("500,Second acte à moitié"));
        QVERIFY(importer81(e81).reussi);
        QCOMPARE(contenu(reference()), une);
    }

    void tableInstallation_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<int>("ligne");
        QTest::addColumn<QString>("fragment");
        using B = QByteArray;
        rangee("grille inconnue", B("[modificateurs]\nF;*;19,06;;;U\nG;3;10.00;;;X\n"), 3,
               "grille");
        rangee("taux illisible", B("[modificateurs]\nF;*;abc;;;X\n"), 2, "taux");
        rangee("taux sous un euro", B("[modificateurs]\nF;*;0.50;;;X\n"), 2, "taux");
        rangee("date illisible", B("[modificateurs]\nF;*;10.00;2025-13-01;;X\n"), 2,
               "date illisible");
        rangee("fin avant le début", B("[modificateurs]\nF;*;10.00;2026-01-01;2025-01-01;X\n"), 2,
               "précède");
        rangee("code de modificateur", B("[modificateurs]\nFF;*;10.00;;;X\n"), 2,
               "code de modificateur");
        rangee("champs en trop", B("# titre\n[modificateurs]\nF;*;1.00;;;X;Y\n"), 3, "champs");
        rangee("section inconnue", B("[tarifs]\n"), 1, "section inconnue");
        rangee("hors section", B("F;*;10.00;;;X\n"), 1, "hors de toute section");
        rangee("acte incompatible avec lui-même",
               B("[incompatibilites]\nacte1;acte2;debut;fin\nQZJA002;QZJA002;;\n"), 3, "lui-même");
        rangee("code d'acte illisible", B("[incompatibilites]\nQZJA002;QZ;;\n"), 2, "code d'acte");
        rangee("association sans libellé", B("[associations]\n2;0,5;\n"), 2, "libellé");
        rangee("coefficient illisible", B("[associations]\n2;moitié;Second acte\n"), 2,
               "coefficient");
    }
    void tableInstallation()
    {
        QFETCH(QByteArray, table);
        QFETCH(int, ligne);
        QFETCH(QString, fragment);
        const BilanImport b = importer81({kActe}, table);
        QVERIFY(!b.reussi);
        QVERIFY2(contientAnomalie(b.anomaliesInstallation, ligne, true, fragment),
                 qPrintable(enTexte(b.anomaliesInstallation)));
        QVERIFY(!QFileInfo::exists(reference()));
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
