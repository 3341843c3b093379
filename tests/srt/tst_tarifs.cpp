// UsrSrt and TarificateurSRT on two small editions and an installation table.
#include "EditionsDeTest.h"
#include "TestSupport.h"

#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace pava;
using namespace pava::test;

namespace {

// AAAA001's billing rule is gone in 2026; AAAA007's is new in 2026.
QByteArray edition1()
{
    return edition(
        1, "01/01/2025",
        {"01,,CHAPITRE,,,,,,,,", "AAAA001,,Acte simple,1,0,100.00,90.00,,,1,ADC",
         "\"[F, R, J, K, P, Y]\",,Facturation : ne peut pas être facturé avec AAAA007,,,,,,,,",
         "AAAA002,,Non couvert,1,0,Non pris en charge,Non pris en charge,,,2,ATM",
         "\"[F]\",,,,,,,,,,", "AAAA003,,Sous conditions,1,0,50.00,50.00,RC,,2,ATM",
         "\"[F]\",,,,,,,,,,", "AAAA004,,En deux phases,,,,,,,,",
         ",,Phase 1,1,1,30.00,27.00,,,1,ADC", ",,Phase 2,1,2,20.00,18.00,,,1,ADC",
         "AAAA005,,Retiré en 2026,1,0,40.00,40.00,,,1,ADC", ",,anesthésie,4,0,25.00,25.00,,,1,ADA",
         "AAAA007,,Prix impair,1,0,33.33,33.33,,,1,ADC", "\"[R]\",,,,,,,,,,"});
}

QByteArray edition2()
{
    return edition(
        2, "01/01/2026",
        {"01,,CHAPITRE,,,,,,,,", "AAAA001,,Acte simple,1,0,110.00,95.00,,,1,ADC",
         "\"[F, R, J, K, P, Y]\",,,,,,,,,,",
         "AAAA002,,Non couvert,1,0,Non pris en charge,Non pris en charge,,,2,ATM",
         "\"[F]\",,,,,,,,,,", "AAAA003,,Sous conditions,1,0,50.00,50.00,RC,,2,ATM",
         "\"[F]\",,,,,,,,,,", "AAAA004,,En deux phases,,,,,,,,",
         ",,Phase 1,1,1,30.00,27.00,,,1,ADC", ",,Phase 2,1,2,20.00,18.00,,,1,ADC",
         "AAAA006,,Nouveau en 2026,1,0,60.00,60.00,,,1,ADC",
         "AAAA007,,Prix impair,1,0,33.33,33.33,,,1,ADC",
         "\"[R]\",,Facturation : ne peut pas être facturé avec AAAA002 ou AAAA003,,,,,,,,"});
}

// K on grid 1 only, P changing on 01/07/2025, Y without any rate.
const QByteArray kInstallation = "[modificateurs]\n"
                                 "code;grille;taux;debut;fin;libelle\n"
                                 "F;*;19.06;;;Urgence le dimanche\n"
                                 "R;*;+50%;;;Plaie de la face\n"
                                 "J;*;+30%;;;Majoration de chirurgie\n"
                                 "K;1;+20%;;;Secteur 1 seulement\n"
                                 "P;*;35.00;;2025-06-30;Début de nuit\n"
                                 "P;*;40.00;2025-07-01;;Début de nuit\n"
                                 "[incompatibilites]\n"
                                 "AAAA001;AAAA003;;\n"
                                 "AAAA004;AAAA007;2026-01-01;2026-06-30\n";

QString prix(TarificateurSRT& t, const QString& code)
{
    return t.GetTarifActe(code, {}, {}, {}, {}, {}, {}, {});
}

} // namespace

class TestTarifs : public QObject
{
    Q_OBJECT

    std::unique_ptr<IsolatedEnvironment> m_env;
    QTemporaryDir m_dir;
    QString m_reference;

    template <typename T> T composant(const QString& date, int grille = 1) const
    {
        T t;
        t.setDateActe(date);
        t.setCheminReference(m_reference);
        t.setGrille(grille);
        return t;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(importer(m_dir.path(), edition1(), kInstallation).reussi);
        const BilanImport b = importer(m_dir.path(), edition2());
        QVERIFY2(b.reussi, qPrintable(b.erreur));
        m_reference = cheminReferenceSrt(m_dir.path());
    }
    void init()
    {
        m_env.reset();
        m_env = std::make_unique<IsolatedEnvironment>();
    }

    void tarif_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("modificateurs");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("grille");
        QTest::addColumn<QString>("rbt");
        QTest::addColumn<QString>("attendu");
        const QString en2026 = "15/02/2026 10:30:00";
        const QString en2025 = "15/03/2025 09:00:00";
        using M = QStringList;
        rangee("veille du changement", "AAAA001", M{}, "31/12/2025 23:59:59", 1, "", "10000");
        rangee("jour du changement", "AAAA001", M{}, "01/01/2026", 1, "", "11000");
        rangee("avant la première édition", "AAAA001", M{}, "2020-05-01", 1, "", "10000");
        rangee("pourcentages ajoutés, pas multipliés, puis le forfait", "AAAA001",
               M{"F", "R", "J", "K"}, en2026, 1, "", "23906");
        rangee("K sans taux en grille 2 : pas de tarif", "AAAA001", M{"K"}, en2026, 2, "", "");
        rangee("forfait répété compté une fois", "AAAA001", M{"F", "F"}, en2026, 1, "", "12906");
        rangee("minuscules et blancs", "aaaa001 ", M{" f", "r"}, en2026, 1, "", "18406");
        rangee("taux de P avant sa fin", "AAAA001", M{"P"}, "30/06/2025", 1, "", "13500");
        rangee("taux de P après sa fin", "AAAA001", M{"P"}, "01/07/2025", 1, "", "14000");
        rangee("arrondi au centime, demi vers le haut", "AAAA007", M{"R"}, en2026, 1, "", "5000");
        rangee("sous conditions, non remplies", "AAAA003", M{}, en2026, 1, "N", "0");
        rangee("sous conditions, non dit", "AAAA003", M{}, en2026, 1, "", "5000");
        rangee("hors conditions, N sans effet", "AAAA001", M{}, en2026, 1, "N", "11000");
        rangee("acte en phases sans liste : première phase, F ignoré", "AAAA004", M{"F"}, en2026, 2,
               "", "2700");
        rangee("acte retiré, avant", "AAAA005", M{}, en2025, 1, "", "4000");
        rangee("acte retiré, après", "AAAA005", M{}, en2026, 1, "", "");
        rangee("acte nouveau, après", "AAAA006", M{}, en2026, 1, "", "6000");
        rangee("acte inconnu", "ZZZZ999", M{}, en2026, 1, "", "");
        rangee("apostrophes SQL", "AAAA001' OR '1'='1", M{}, en2026, 1, "", "");
    }
    void tarif()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, modificateurs);
        QFETCH(QString, date);
        QFETCH(int, grille);
        QFETCH(QString, rbt);
        QFETCH(QString, attendu);
        auto t = composant<TarificateurSRT>(date, grille);
        for (const QString& association : {QString(), QString("0")}) {
            for (const QString& lieu : {QString(), QString("1")}) {
                QCOMPARE(t.GetTarifActe(code, modificateurs.value(0), modificateurs.value(1),
                                        modificateurs.value(2), modificateurs.value(3), association,
                                        lieu, QVariant(rbt)),
                         attendu);
            }
        }
    }

    // The explanation tells the rounding only when it changes the amount.
    void arrondiExplique()
    {
        auto t = composant<TarificateurSRT>("15/02/2026 10:30:00", 1);
        const auto calcul = [&t](const char* code, const char* modificateur) {
            ActeQualifie a;
            a.code = QString::fromLatin1(code);
            a.modificateurs[0] = QString::fromLatin1(modificateur);
            return t.Tarifer(a, true).resultat.etapes.join(u'\n');
        };
        QVERIFY2(calcul("AAAA007", "R").contains(QStringLiteral("; arrondi au centime : 50,00 €.")),
                 qPrintable(calcul("AAAA007", "R")));
        QVERIFY2(!calcul("AAAA001", "F").contains(QStringLiteral("arrondi")),
                 qPrintable(calcul("AAAA001", "F")));
    }

    // An anaesthesia is not billed at the surgeon's price.
    void activitesEtPhases_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("activite");
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("grille");
        QTest::addColumn<qint64>("centimes"); // -1: refused
        rangee("activité 4", "AAAA005", 4, 0, 1, qint64(2500));
        rangee("ligne principale", "AAAA005", 0, 0, 1, qint64(4000));
        rangee("phase 2", "AAAA004", 1, 2, 2, qint64(1800));
        rangee("1-0 d'un acte en phases : sa première ligne", "AAAA004", 1, 0, 1, qint64(3000));
        rangee("activité absente", "AAAA001", 4, 0, 1, qint64(-1));
        rangee("phase absente", "AAAA004", 1, 3, 1, qint64(-1));
    }
    void activitesEtPhases()
    {
        QFETCH(QString, code);
        QFETCH(int, activite);
        QFETCH(int, phase);
        QFETCH(int, grille);
        QFETCH(qint64, centimes);
        auto t = composant<TarificateurSRT>("15/03/2025", grille);
        const PrixActe p = t.Tarifer({code, activite, phase, {}, {}, {}, {}});
        QCOMPARE(p.certain(), centimes >= 0);
        if (centimes >= 0)
            QCOMPARE(p.centimes(), centimes);
        else
            QVERIFY2(p.erreur.contains(QString::number(activite)), qPrintable(p.erreur));
    }

    void prixEtBase_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("grille");
        QTest::addColumn<QString>("modificateurs"); // two at most
        QTest::addColumn<QString>("association");
        QTest::addColumn<QString>("prix");
        QTest::addColumn<QString>("base");
        const QString f26 = "15/02/2026 08:00:00";
        rangee("2025 grille 2", "AAAA001", "15/02/2025", 2, "", "1", "90.00", "90.00");
        rangee("code 2 : moitié", "AAAA001", f26, 1, "", "2", "110.00", "55.00");
        rangee("code 3 : trois quarts", "AAAA001", f26, 1, "", "3", "110.00", "82.50");
        rangee("forfait hors réduction", "AAAA001", f26, 1, "F", "2", "110.00", "74.06");
        rangee("pourcentage réduit avec l'acte", "AAAA001", f26, 1, "R", "2", "110.00", "82.50");
        rangee("pas d'association (0)", "AAAA001", f26, 1, "RJ", "0", "110.00", "198.00");
        rangee("non pris en charge", "AAAA002", f26, 1, "F", "1", "0.00", "0.00");
        rangee("inconnu", "XXXX000", f26, 1, "", "1", "", "");
    }
    void prixEtBase()
    {
        QFETCH(QString, code);
        QFETCH(QString, date);
        QFETCH(int, grille);
        QFETCH(QString, modificateurs);
        QFETCH(QString, association);
        QFETCH(QString, prix);
        QFETCH(QString, base);
        auto u = composant<UsrSrt>(date, grille);
        QCOMPARE(u.GetPrixUnitaire(code), prix);
        QCOMPARE(u.GetBaseRemboursementActe(code, modificateurs.left(1), modificateurs.mid(1), "0",
                                            association),
                 base);
    }

    void modificateurs()
    {
        const auto lettres = [](const QString& liste) {
            QString l;
            for (const QString& e : liste.split('@'))
                l += e.left(1);
            return l;
        };
        auto u = composant<UsrSrt>("15/02/2026");
        QCOMPARE(lettres(u.GetModificateursActe(" aaaa001")), "AFRJKPY");
        QCOMPARE(u.GetModificateursActe("AAAA004"), "AAAA004");
        QCOMPARE(u.GetModificateursActe("ZZZZ999"), QString());
        QCOMPARE(lettres(u.GetModificateurs()), "FJKPRY");
    }

    void controleCotation_data()
    {
        QTest::addColumn<QString>("liste");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QStringList>("nommes"); // what the refusal says: acts, note
        const QString fevrier = "15/02/2026";
        const QStringList aucun;
        using L = QStringList;
        rangee("après d'autres actes", "AAAA004@AAAA002@AAAA001@aaaa003 ", fevrier,
               L{"AAAA001", "AAAA003"});
        rangee("actes compatibles", "AAAA001@AAAA004", fevrier, aucun);
        rangee("paire dans sa période", "AAAA004@AAAA007", fevrier, L{"AAAA004", "AAAA007"});
        rangee("paire, son dernier jour", "AAAA004@AAAA007", "30/06/2026", L{"AAAA004", "AAAA007"});
        rangee("paire hors de sa période", "AAAA004@AAAA007", "01/07/2026", aucun);
        rangee("paire de l'édition précédente, à sa date", "AAAA007@AAAA001", "15/06/2025",
               L{"AAAA001 ne peut pas être facturé avec l'acte AAAA007 (règles de facturation de "
                 "l'édition CCAM 2).\nNote de l'acte AAAA001 : « Facturation : ne peut pas être "
                 "facturé avec AAAA007 »."});
        rangee("paire que l'édition suivante ne donne plus", "AAAA007@AAAA001", fevrier, aucun);
        rangee("éléments vides", "@@AAAA003", fevrier, aucun);
    }
    void controleCotation()
    {
        QFETCH(QString, liste);
        QFETCH(QString, date);
        QFETCH(QStringList, nommes);
        const QString reponse = composant<TarificateurSRT>(date).ControleCotation(liste);
        QCOMPARE(reponse.isEmpty(), nommes.isEmpty());
        for (const QString& code : nommes)
            QVERIFY2(reponse.contains(code), qPrintable(reponse));
    }

    // A reference built before the sentences were kept still refuses the
    // pair, naming the rule without quoting it.
    void referenceSansLesPhrases()
    {
        const QString ancienne = m_dir.path() + "/version-2.mdb";
        QVERIFY(QFile::copy(m_reference, ancienne));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "version-2");
            db.setDatabaseName(ancienne);
            QVERIFY(db.open());
            for (const char* sql : {"ALTER TABLE incompatibilite_edition DROP COLUMN note",
                                    "DROP TABLE note_incompatibilite", "PRAGMA user_version = 2"})
                QVERIFY2(QSqlQuery(db).exec(sql), sql);
        }
        QSqlDatabase::removeDatabase("version-2");
        TarificateurSRT t;
        t.setCheminReference(ancienne);
        t.setDateActe("15/06/2025");
        QCOMPARE(t.ControleCotation("AAAA007@AAAA001"),
                 "L'acte AAAA001 ne peut pas être facturé avec l'acte AAAA007 (règles de "
                 "facturation de l'édition CCAM 2).");
    }

    // A long note is cut between two words.
    void noteAbregee()
    {
        const RefusAssociation r{
            "AAAA001",
            "AAAA007",
            {"règles", {"04.01", "Facturation : ne peut pas être facturé avec AAAA007"}}};
        QCOMPARE(r.texte(20).section('\n', 1),
                 QString("Note du chapitre 04.01 : « Facturation : ne … »."));
    }

    // Profile's base and grid, else the dictionary directory; else nothing, and why.
    void referenceDuProfil()
    {
        m_env->writeProfile(
            QString("[API_Sesam]\nPath=%1\n[PavaCCAM]\nGrille=2\n").arg(m_dir.path()).toUtf8());
        TarificateurSRT t;
        t.setDateActe("15/02/2026 10:00:00");
        QCOMPARE(t.cheminReference(), m_reference);
        QCOMPARE(prix(t, "AAAA001"), QString("9500"));
        t.setGrille(1);
        QCOMPARE(prix(t, "AAAA001"), QString("11000"));

        m_env->writeProfile("[API_Sesam]\n");
        TarificateurSRT d;
        d.setPathDico(m_dir.path());
        d.setDateActe("15/02/2026");
        QCOMPARE(prix(d, "AAAA001"), QString("11000"));
        d.setPathDico(m_env->root() + "/nulle-part");
        QCOMPARE(prix(d, "AAAA001"), QString());
        QVERIFY(!d.derniereErreur().isEmpty());
        QCOMPARE(d.ControleCotation("AAAA001@AAAA003"), QString());
        d.setCheminReference(m_dir.path() + "/edition-1.csv");
        QCOMPARE(prix(d, "AAAA001"), QString());
        QVERIFY(d.derniereErreur().contains("endommagé"));
    }

    void nouvelImportVuSansRedemarrer()
    {
        QTemporaryDir dir;
        QVERIFY(importer(dir.path(), edition1()).reussi);
        TarificateurSRT t;
        t.setCheminReference(cheminReferenceSrt(dir.path()));
        t.setDateActe("15/02/2026");
        QCOMPARE(prix(t, "AAAA001"), QString("10000"));
        QVERIFY(importer(dir.path(), edition2()).reussi);
        t.setDateActe("15/02/2026");
        QCOMPARE(prix(t, "AAAA001"), QString("11000"));
    }
};

QTEST_GUILESS_MAIN(TestTarifs)
#include "tst_tarifs.moc"
