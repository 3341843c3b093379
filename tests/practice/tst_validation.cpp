// What "&Valider" hands the host, without any window (French locale).
#include "ReferenceEssai.h"
#include "TestSupport.h"

#include "db/DataControl.h"
#include "practice/ActesComposes.h"
#include "practice/BaseUtilisateur.h"
#include "practice/Historique.h"
#include "practice/Resultat.h"
#include "practice/TarifCotation.h"
#include "session/Session.h"

#include <QTest>

#include <memory>

using namespace pava;
using test::rangee;

class TstValidation : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IsolatedEnvironment> m_env;
    test::JeuEssai m_jeu;
    QStringList m_historique;

    EnregistreActe enregistre()
    {
        return [this](const QString& e) { m_historique << e; };
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<test::IsolatedEnvironment>();
        reinitialiserSession();
        m_jeu = test::creerJeuEssai(*m_env);
        QVERIFY2(m_jeu.erreur.isEmpty(), qPrintable(m_jeu.erreur));
        m_historique.clear();
    }
    void cleanup() { m_env.reset(); }

    // Which list gets a question at validation, and which act it names.
    void questionAssociation_data()
    {
        QTest::addColumn<QStringList>("jetons");
        QTest::addColumn<QString>("nomme"); // "" = no question
        using L = QStringList;
        rangee("le plus cher en 1", L{"QZJA00210____1", "DEQP00310____2"}, "");
        rangee("le moins cher en 1", L{"DEQP00310____1", "QZJA00210____2"}, "QZJA002");
        rangee("un 2 sans 1", L{"QZJA00210____2"}, "QZJA002");
        rangee("dérogation : pas de question", L{"DEQP00310____1", "QZJA00210____3"}, "");
        // QZJA002 + F is 50.00, but the rule compares the acts alone: 30 < 55.
        rangee("sans les modificateurs", L{"QZJA00210F___1", "QZJA01710____2"}, "QZJA017");
        rangee("acte isolé seul", L{"QZJA00210____0"}, "");
    }
    void questionAssociation()
    {
        QFETCH(QStringList, jetons);
        QFETCH(QString, nomme);
        TarificateurSRT t = tarificateurSession();
        const QString question = pava::questionAssociation(jetons, t);
        QCOMPARE(question.isEmpty(), nomme.isEmpty());
        QVERIFY2(question.contains(nomme), qPrintable(question));
    }

    // The amount, and what the history receives for each known token.
    void tarifCotation_data()
    {
        QTest::addColumn<QString>("cotation");
        QTest::addColumn<QString>("montant");
        QTest::addColumn<QStringList>("enregistres");
        const auto e = [](const char* jeton, const QString& m) {
            return QString::fromLatin1(jeton) + QChar(0xA7) + m + QChar(0xA7) + m + QChar(0xA7) +
                   QLatin1Char(' ');
        };
        using L = QStringList;
        rangee("un jeton seul", "QZJA00210____1", "30", L{e("QZJA00210____1", "30.00")});
        rangee("association 2", "QZJA00210____2", "15", L{e("QZJA00210____2", "15.00")});
        rangee("association 3, arrondi au centime", "DEQP00310____3", "11.63",
               L{e("DEQP00310____3", "11.63")});
        rangee("modificateur du jeton", "QZJA00210_R__1", "45", L{e("QZJA00210_R__1", "45.00")});
        rangee("un élément NGAP entre deux jetons", "QZJA00210____1+MTO+DEQP00310____2", "37.75",
               L{e("QZJA00210____1", "30.00"), e("DEQP00310____2", "7.75")});
        rangee("forfait après l'association", "QZJA00210F___2", "35",
               L{e("QZJA00210F___2", "35.00")});
        rangee("acte disparu du référentiel", "QZJA00210____1+ZZZZ99910____2", "", L{});
    }
    void tarifCotation()
    {
        QFETCH(QString, cotation);
        QFETCH(QString, montant);
        QFETCH(QStringList, enregistres);
        const TarifCotation t = Get_TarifCotation(cotation, enregistre());
        QCOMPARE(t.montant.has_value(), !montant.isEmpty());
        if (t.montant)
            QCOMPARE(nombreGeneral(*t.montant), montant);
        else
            QVERIFY2(t.erreur.contains("ZZZZ999"), qPrintable(t.erreur));
        QCOMPARE(m_historique, enregistres);
        QCOMPARE(test::journalErreurs().contains("Tarif de ZZZZ99910____2 impossible"),
                 montant.isEmpty());
    }

    void sansReferenceLeTarifEchoue()
    {
        m_env->writeProfile("[API_Sesam]\r\nPath=/nulle/part\r\n");
        const TarifCotation t = Get_TarifCotation("QZJA00210____1", enregistre());
        QVERIFY(!t.montant);
        QVERIFY2(t.erreur.contains("référentiel CCAM introuvable"), qPrintable(t.erreur));
        QCOMPARE(nombreGeneral(*Get_TarifCotation("MTO", enregistre()).montant),
                 QStringLiteral("0"));
    }

    void resultat_data()
    {
        QTest::addColumn<QString>("stocke"); // "" tab 0, else tab 1's composed act, "-" none
        QTest::addColumn<QString>("libelles");
        QTest::addColumn<double>("total");
        QTest::addColumn<QString>("ngap");
        QTest::addColumn<QString>("complement");
        QTest::addColumn<QString>("libelleComplement");
        QTest::addColumn<QString>("attendu");
        const QString deux = QStringLiteral("QZJA00210____1+DEQP00310____2");
        rangee("NGAP et liste vide", "", "", 0.0, "MTO", "", "", "NGAPMTO,,0.00,");
        rangee("complément seul, sans +", "", "", 0.0, "", "QZJA00210____1", "Suture, face",
               "QZJA00210____1,30.00,+Suture; face");
        rangee("complément après la liste", "", "Suture+ECG", 45.5, "K8", "QZJA00210____1", "Plaie",
               "NGAPK8," + deux + "+QZJA00210____1,75.50,Suture+ECG+Plaie");
        rangee("virgules et apostrophes des libellés", "", "Plaie, face+Mal d''oreille", 1.0, "",
               "", "", deux + ",1.00,Plaie; face+Mal d'oreille");
        rangee("onglet 1 sans acte courant", "-", "", 0.0, "", "", "", ",0,");
        rangee("acte composé avec NGAP", "NGAPMTO," + deux + "=45", "", 0.0, "", "", "",
               "NGAPMTO," + deux + "=45,30,Mal d'oreille; suture");
    }
    void resultat()
    {
        QFETCH(QString, stocke);
        QFETCH(QString, libelles);
        QFETCH(double, total);
        QFETCH(QString, ngap);
        QFETCH(QString, complement);
        QFETCH(QString, libelleComplement);
        QFETCH(QString, attendu);
        QCOMPARE(QLocale::system().decimalPoint(), ",");
        EntreesResultat e;
        e.onglet = stocke.isEmpty() ? 0 : 1;
        e.acteCourant = stocke != u"-";
        e.acteStocke = e.acteCourant ? stocke : QString();
        e.libelleActe = QStringLiteral(" Mal d''oreille, suture ");
        e.cotation = libelles.isEmpty() ? QString() : "QZJA00210____1+DEQP00310____2";
        e.libelles = libelles;
        e.totalCotation = total;
        e.ngap = ngap;
        e.complementCCAM = complement;
        e.libelleComplement = libelleComplement;
        if (!complement.isEmpty())
            e.tarifComplement = *Get_TarifCotation(complement, enregistre()).montant;
        const Resultat r = assembleResultat(e, enregistre());
        QVERIFY2(r.texte.has_value(), qPrintable(r.erreur));
        QCOMPARE(*r.texte, attendu);
    }

    // The line under the complement says what the host receives, and that an
    // amount written in the complement's coding is not in it.
    void montantRendu_data()
    {
        QTest::addColumn<QString>("complement");
        QTest::addColumn<QString>("attendu");
        const QString rendu = QStringLiteral("Complément : 30,00 € ; montant rendu au logiciel du "
                                             "cabinet : 75,50 €");
        rangee("acte tarifé", "QZJA00210____1", rendu);
        rangee("total et hors nomenclature saisis", "QZJA00210____1+DEQP00310____1=12.5$30",
               rendu + "\nMontants saisis dans le complément (total 12,50 €, hors nomenclature "
                       "30,00 €) : transmis dans ses codes, ils ne sont pas comptés ici, ni l'acte "
                       "qui les porte.");
    }
    void montantRendu()
    {
        QFETCH(QString, complement);
        QFETCH(QString, attendu);
        const TarifCotation tarif = Get_TarifCotation(complement, enregistre());
        QVERIFY2(tarif.montant.has_value(), qPrintable(tarif.erreur));
        QCOMPARE(texteMontantRendu(complement, *tarif.montant, Monnaie::depuisTexte(u"45.5")),
                 attendu);
    }

    void actesComposes()
    {
        DataControl vue;
        vue.setDatabaseName(base::cheminBase(m_jeu.data));
        base::preparer(vue, base::ouvrir());
        vue.setRecordSource(base::sourceComposes(0));
        QVERIFY(vue.refresh());
        for (const char* nom : {"Bras", "Mal d'oreille", "Zona"})
            QVERIFY(composes::ajouter(vue, QString::fromUtf8(nom), "C"));
        QCOMPARE(composes::nomCourant(vue), "Zona");
        QVERIFY(composes::renommer(vue, "L'autre, gauche"));
        QCOMPARE(composes::nomCourant(vue), "L'autre, gauche");
        QVERIFY(vue.refresh());
        QVERIFY(vue.setCurrentRow(2));
        QVERIFY(composes::supprimer(vue));
        QCOMPARE(composes::nomCourant(vue), "L'autre, gauche");
        QCOMPARE(vue.recordCount(), 2);
    }
};

// Pinned to the French locale (decimal comma) whatever the machine's.
int main(int argc, char** argv)
{
    qputenv("LC_ALL", "fr_FR.UTF-8");
    QCoreApplication app(argc, argv);
    TstValidation t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_validation.moc"
