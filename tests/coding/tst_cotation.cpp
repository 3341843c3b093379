// The text forms of a coding: act tokens, act records, amount suffixes,
// stored composed acts, the association-check list and Windows-1252 bytes.
// The result string is checked where it is assembled (tst_validation).
#include "TestSupport.h"

#include "coding/Cotation.h"
#include "coding/Windows1252.h"

#include <QTest>

using namespace pava;
using test::rangee;

class TestCotation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // From the act window's lists, where " (Aucun)" leaves a modifier blank.
    void jetonDepuisListes()
    {
        const JetonActe j = JetonActe::depuisListes(
            "DEQP003", u"1 : Acte Principal ", u"0 : x",
            {u"F : Urgence", u" (Aucun)", u"U : Nuit", u" (Aucun)"}, u"0 : Pas d'association");
        QCOMPARE(j.texte(), "DEQP00310F_U_0");
        QCOMPARE(JetonActe::lire(j.texte()), std::optional<JetonActe>(j));
    }

    void jetonLecture_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("estUnJeton");
        QTest::addColumn<QString>("modifs"); // modifiers as the tariff class receives them
        rangee("jeton", "QZJA00210F_U_1", true, "F||U|");
        rangee("NUL ecrit tel quel",
               QStringLiteral("QZJA0021") + QChar(0) + QStringLiteral("F_U_1"), true, "F||U|");
        rangee("13 caracteres", "QZJA00210F_U_", false, "");
        rangee("avec suffixe", "QZJA00210____1=45.5", false, "");
        rangee("vide", "", false, "");
    }
    void jetonLecture()
    {
        QFETCH(QString, texte);
        QFETCH(bool, estUnJeton);
        QFETCH(QString, modifs);
        const auto j = JetonActe::lire(texte);
        QCOMPARE(j.has_value(), estUnJeton);
        if (j) {
            QCOMPARE(j->code, texte.left(7));
            QCOMPARE(j->association, texte.right(1));
            QStringList m;
            for (int i = 0; i < 4; ++i)
                m << j->modificateur(i);
            QCOMPARE(m.join(QLatin1Char('|')), modifs);
            QCOMPARE(j->texte(), texte);
        }
    }

    void enregistrement_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("lisible");
        QTest::addColumn<QString>("libelle");
        rangee("complet", "QZJA00210____1§29.01§24.69§Suture de plaie", true, "Suture de plaie");
        rangee("champ en trop", "a§b§c§d§e", true, "d");
        rangee("trois champs", "a§b§c", false, "");
        rangee("plus et arobase", "a+b§1§2§l@x+y", true, "l@x+y");
    }
    void enregistrement()
    {
        QFETCH(QString, texte);
        QFETCH(bool, lisible);
        QFETCH(QString, libelle);
        const auto e = EnregistrementActe::lire(texte);
        QCOMPARE(e.has_value(), lisible);
        if (e) {
            QCOMPARE(e->libelle, libelle);
            if (texte.count(kSepEnregistrement) == 3)
                QCOMPARE(e->texte(), texte);
        }
    }

    void listeControle_data()
    {
        QTest::addColumn<QStringList>("liste");
        QTest::addColumn<QString>("nouveau");
        QTest::addColumn<QString>("attendu");
        rangee("deux actes", QStringList{"QZJA00210____1", "DEQP00310____2"}, "YYYY03010____1",
               "QZJA002@DEQP003@YYYY030");
    }
    void listeControle()
    {
        QFETCH(QStringList, liste);
        QFETCH(QString, nouveau);
        QFETCH(QString, attendu);
        QCOMPARE(listeControleAssociation(liste, nouveau), attendu);
    }

    // Amounts written at the end of a coding, read back and written again.
    void suffixes_data()
    {
        QTest::addColumn<QString>("cotation");
        QTest::addColumn<QString>("sansMontants");
        QTest::addColumn<QStringList>("montants"); // total, overrun, out of nomenclature
        rangee("total", "QZJA00210____1=45.5", "QZJA00210____1", QStringList{"45.5", "", ""});
        rangee("depassement HN", "A+B&12$30", "A+B", QStringList{"", "12", "30"});
        rangee("total HN", "A=10$5", "A", QStringList{"10", "", "5"});
    }
    void suffixes()
    {
        QFETCH(QString, cotation);
        QFETCH(QString, sansMontants);
        QFETCH(QStringList, montants);
        QCOMPARE(enleveMontants(cotation), sansMontants);
        QCOMPARE(lireMontants(cotation), (SuffixesMontant{montants[0], montants[1], montants[2]}));
        QCOMPARE(sansMontants + suffixesMontants(montants[0].toDouble(), montants[1].toDouble(),
                                                 montants[2].toDouble()),
                 cotation);
    }

    // Of a total and an overrun, only the total is written.
    void totalPlutotQueDepassement() { QCOMPARE(suffixesMontants(100.0, 12.0, 0.0), "=100"); }

    void acteCompose_data()
    {
        QTest::addColumn<QString>("ngap");
        QTest::addColumn<QString>("extras");
        QTest::addColumn<QString>("stocke");
        QTest::addColumn<QString>("ccam");
        const QString deux = QStringLiteral("QZJA00210____1+DEQP00310____2");
        rangee("NGAP et total", "K8+MTO", "=60", "NGAPK8+MTO," + deux + "=60", deux + "=60");
        rangee("sans NGAP", "", "=60", deux + "=60", deux + "=60");
    }
    void acteCompose()
    {
        QFETCH(QString, ngap);
        QFETCH(QString, extras);
        QFETCH(QString, stocke);
        QFETCH(QString, ccam);
        QCOMPARE(pava::acteCompose(ngap, "QZJA00210____1+DEQP00310____2", extras), stocke);
        QCOMPARE(partieCCAM(stocke), ccam);
    }

    void windows1252_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QByteArray>("octets");
        rangee("section et accents", "a§b n° é", QByteArray("a\247b n\260 \351"));
        rangee("euro et oe", "5 € œil", QByteArray("5 \200 \234il"));
        rangee("hors page", "Ω", QByteArray("?"));
    }
    void windows1252()
    {
        QFETCH(QString, texte);
        QFETCH(QByteArray, octets);
        QCOMPARE(versWindows1252(texte), octets);
        if (!octets.contains('?'))
            QCOMPARE(depuisWindows1252(octets), texte);
    }

    // Every byte decodes to something, and back to itself.
    void windows1252TousLesOctets()
    {
        QByteArray tous;
        for (int b = 0; b < 256; ++b)
            tous += static_cast<char>(b);
        QCOMPARE(versWindows1252(depuisWindows1252(tous)), tous);
    }
};

QTEST_GUILESS_MAIN(TestCotation)
#include "tst_cotation.moc"
