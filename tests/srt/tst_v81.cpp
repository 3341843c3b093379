// End to end on the real CCAM edition 81 when present beside the project.
#include "EditionsDeTest.h"
#include "TestSupport.h"

#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"
#include "srt/RechercheActes.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace pava;
using test::rangee;

class TestV81 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    BilanImport m_bilan;
    QString m_reference;
    RechercheActes m_recherche;

private slots:
    void initTestCase()
    {
        const QString csv = test::sharedCcamCsv();
        if (csv.isEmpty())
            QSKIP("édition CCAM v81 absente (../shared/ccam-data/ccam-v81.csv) : test sauté");
        QVERIFY(m_dir.isValid());
        OptionsImport o;
        o.fichierEdition = csv;
        o.repertoireSrt = m_dir.path();
        m_bilan = importerReference(o);
        m_reference = m_bilan.cheminReference;
        QVERIFY2(m_bilan.reussi, qPrintable(m_bilan.erreur));
        QVERIFY(m_recherche.charger(m_reference, nullptr, kGrilleSecteur1, QDate(2026, 1, 15)));
        QCOMPARE(m_recherche.actes().size(), 8257);
    }

    void importComplet()
    {
        QCOMPARE(m_bilan.version, 81);
        QCOMPARE(m_bilan.dateApplication, QDate(2026, 1, 1));
        QCOMPARE(m_bilan.actes, 8257);
        QCOMPARE(m_bilan.tarifs, 2 * m_bilan.lignes);
        for (const Anomalie& a : m_bilan.anomalies)
            QVERIFY2(!a.bloquante,
                     qPrintable(QString("ligne %1 : %2").arg(a.ligne).arg(a.message)));
    }

    void actes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("grille1");
        QTest::addColumn<QString>("grille2");
        QTest::addColumn<QString>("modificateurs");

        rangee("suture de plaie", "QZJA002", "2660", "2421", "FMPRSU");
        rangee("électrocardiographie", "DEQP003", "1477", "1381", "FPSU");
        rangee("non pris en charge", "AHQP001", "0", "0", "");
        rangee("tarif écrit avec une virgule", "ADGA724", "24815", "24815", "JKT");
    }

    void actes()
    {
        QFETCH(QString, code);
        QFETCH(QString, grille1);
        QFETCH(QString, grille2);
        QFETCH(QString, modificateurs);
        TarificateurSRT t;
        t.setCheminReference(m_reference);
        t.setDateActe("15/01/2026 10:00:00");
        t.setGrille(1);
        QCOMPARE(t.GetTarifActe(code, {}, {}, {}, {}, {}, {}, {}), grille1);
        t.setGrille(2);
        QCOMPARE(t.GetTarifActe(code, {}, {}, {}, {}, {}, {}, {}), grille2);

        UsrSrt u;
        u.setCheminReference(m_reference);
        u.setDateActe("15/01/2026");
        QString lettres;
        for (const QString& e : u.GetModificateursActe(code).split('@').mid(1))
            lettres += e.left(1);
        QCOMPARE(lettres, modificateurs);
    }

    void recherche_data()
    {
        QTest::addColumn<QString>("requete");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("historique"); // the code is in the practice's history

        rangee("plaie sutures", "plaie sutures", "QZJA002", false);
        rangee("suture plaie, déjà coté au cabinet", "suture plaie", "QZJA002", true);
    }

    void recherche()
    {
        QFETCH(QString, requete);
        QFETCH(QString, code);
        QFETCH(bool, historique);
        const RechercheActes& r = m_recherche;
        const RechercheActes::Priorites p =
            r.priorites({{}, {{code, QDate(2026, 1, 10).toJulianDay()}}});
        const QList<int> trouves = r.chercher(requete, 10000, historique ? &p : nullptr).actes;
        QStringList codes;
        for (int i : trouves)
            codes.append(r.actes()[i].code);
        QVERIFY2(historique ? codes.value(0) == code : codes.contains(code),
                 qPrintable(codes.join(' ')));
    }

    // Every rule of the shipped lexicon leads to an act of the edition.
    void lexique()
    {
        QVERIFY(m_recherche.lexique().size() >= 80);
        const QStringList sansEffet = m_recherche.reglesSansEffet();
        QVERIFY2(sansEffet.isEmpty(), qPrintable(sansEffet.join('\n')));
    }

    // Without history, 90 % of practitioners' searches, and every everyday
    // one, find a meant act among the first five. The misses are printed.
    void requetesDePraticiens()
    {
        const RechercheActes& r = m_recherche;
        const QString liste = QString::fromUtf8(
            test::readFile(QStringLiteral(PAVACCAM_TEST_DATA_DIR "/requetes-praticiens.txt")));
        const QStringList obligatoires = {"ecg",
                                          "electrocardiogramme",
                                          "sterilet",
                                          "infiltration genou",
                                          "echographie abdominale",
                                          "suture plaie"};
        int total = 0, trouvees = 0;
        QStringList manquees;
        for (const QString& ligne : liste.split('\n')) {
            const QStringList champs = ligne.split(';');
            if (ligne.startsWith('#') || champs.size() != 3)
                continue;
            const QString requete = champs[1].trimmed();
            const QStringList voulus = champs[2].split(' ', Qt::SkipEmptyParts);
            QVERIFY2(!voulus.isEmpty(), qPrintable(ligne));
            QStringList premiers;
            for (int i : r.chercher(requete, 5).actes)
                premiers.append(r.actes()[i].code);
            const bool trouvee = std::any_of(voulus.begin(), voulus.end(), [&](const QString& c) {
                return premiers.contains(c);
            });
            ++total;
            trouvees += trouvee ? 1 : 0;
            if (!trouvee)
                manquees.append(
                    QStringLiteral("%1 « %2 » : %3 attendu, %4 trouvé")
                        .arg(champs[0].trimmed(), requete, voulus.join('/'), premiers.join(' ')));
            QVERIFY2(trouvee || !obligatoires.contains(requete), qPrintable(manquees.join('\n')));
        }
        for (const QString& m : manquees)
            qInfo("%s", qPrintable(m));
        QVERIFY(total >= 40);
        QVERIFY2(trouvees * 10 >= total * 9,
                 qPrintable(QStringLiteral("%1 sur %2 : ").arg(trouvees).arg(total) +
                            manquees.join('\n')));
    }

    void deuxFormesUnMemeReferentiel()
    {
        // Windows-1252 has no ≤, ≥, − or Greek μ: both files are made without them.
        QString texte = QString::fromUtf8(test::readFile(test::sharedCcamCsv()));
        texte.replace(QStringLiteral("≤"), QStringLiteral("<="))
            .replace(QStringLiteral("≥"), QStringLiteral(">="))
            .replace(QStringLiteral("−"), QStringLiteral("-"))
            .replace(QStringLiteral("μ"), QStringLiteral("µ"));
        QTemporaryDir virgules;
        QTemporaryDir francais;
        QVERIFY(test::importer(virgules.path(), texte.toUtf8()).reussi);
        const BilanImport b = test::importer(francais.path(), test::formeFrancaise(texte.toUtf8()));
        QVERIFY2(b.reussi, qPrintable(b.erreur));
        QCOMPARE(test::contenu(b.cheminReference, false),
                 test::contenu(cheminReferenceSrt(virgules.path()), false));
    }

    void reglesDeFacturation_data()
    {
        QTest::addColumn<QString>("liste");
        QTest::addColumn<bool>("refuse");
        rangee("deux suppléments cités l'un par l'autre", "YYYY064@YYYY039", true);
        rangee("acte cité par la note de l'autre", "BGQP007@EBQF004", true);
        rangee("association de deux radiographies", "NEQK010@NAQK007", true);
        rangee("chapitre et paragraphe cités par leur numéro", "LHMH002@AENA001", true);
        rangee("paragraphe et sous-chapitre", "JGFA005@JHSB001", true);
        rangee("acte qu'une exception épargne", "YYYY010@DEQP003", false);
        rangee("exception en toutes lettres", "DEQP003@DZQM006", false);
        rangee("actes sans règle", "QZJA002@DEQP003", false);
    }

    void reglesDeFacturation()
    {
        QFETCH(QString, liste);
        QFETCH(bool, refuse);
        TarificateurSRT t;
        t.setCheminReference(m_reference);
        t.setDateActe("15/01/2026");
        QCOMPARE(!t.ControleCotation(liste).isEmpty(), refuse);
    }
};

QTEST_GUILESS_MAIN(TestV81)
#include "tst_v81.moc"
