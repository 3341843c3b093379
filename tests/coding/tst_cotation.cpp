#include "coding/Cotation.h"
#include "coding/Windows1252.h"

#include <QTest>

using namespace pava;

class TestCotation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jetonDepuisListes_data();
    void jetonDepuisListes();
    void jetonLecture_data();
    void jetonLecture();
    void enregistrement_data();
    void enregistrement();
    void chaines();
    void listeControle_data();
    void listeControle();
    void montants_data();
    void montants();
    void suffixes_data();
    void suffixes();
    void acteCompose_data();
    void acteCompose();
    void resultatListe_data();
    void resultatListe();
    void resultatCompose_data();
    void resultatCompose();
    void windows1252_data();
    void windows1252();
};

void TestCotation::jetonDepuisListes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("listes"); // activity, phase, 4 modifiers, association
    QTest::addColumn<QString>("attendu");
    QTest::newRow("aucun modificateur") << "QZJA002"
                                        << QStringList{"1 : Acte Principal ",
                                                       "0 : Acte réalisé en un temps",
                                                       " (Aucun)",
                                                       " (Aucun)",
                                                       " (Aucun)",
                                                       " (Aucun)",
                                                       "1 : Premier acte"}
                                        << "QZJA00210____1";
    QTest::newRow("deux modificateurs") << "DEQP003" << QStringList{"1 : Acte Principal ",
                                                                    "0 : x",
                                                                    "F : Urgence",
                                                                    " (Aucun)",
                                                                    "U : Nuit",
                                                                    " (Aucun)",
                                                                    "0 : Pas d'association"}
                                        << "DEQP00310F_U_0";
}

void TestCotation::jetonDepuisListes()
{
    QFETCH(QString, code);
    QFETCH(QStringList, listes);
    QFETCH(QString, attendu);
    const JetonActe j = JetonActe::depuisListes(
        code, listes[0], listes[1], {listes[2], listes[3], listes[4], listes[5]}, listes[6]);
    QCOMPARE(j.texte(), attendu);
    QCOMPARE(j.texte().size(), kLongueurJeton);
    QCOMPARE(JetonActe::lire(attendu), std::optional<JetonActe>(j));
}

void TestCotation::jetonLecture_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("estUnJeton");
    QTest::addColumn<QString>("modifs"); // modifiers as the tariff class receives them
    QTest::newRow("jeton") << "QZJA00210F_U_1" << true << "F||U|";
    QTest::newRow("NUL ecrit tel quel")
        << QStringLiteral("QZJA0021") + QChar(0) + QStringLiteral("F_U_1") << true << "F||U|";
    QTest::newRow("13 caracteres") << "QZJA00210F_U_" << false << "";
    QTest::newRow("avec suffixe") << "QZJA00210____1=45.5" << false << "";
    QTest::newRow("NGAP") << "MTO" << false << "";
    QTest::newRow("vide") << "" << false << "";
}

void TestCotation::jetonLecture()
{
    QFETCH(QString, texte);
    QFETCH(bool, estUnJeton);
    QFETCH(QString, modifs);
    QCOMPARE(estJeton(texte), estUnJeton);
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

void TestCotation::enregistrement_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("lisible");
    QTest::addColumn<QString>("libelle");
    QTest::newRow("complet") << QStringLiteral("QZJA00210____1§29.01§24.69§Suture de plaie") << true
                             << "Suture de plaie";
    QTest::newRow("libelle vide") << QStringLiteral("QZJA00210____1§0.00§0.00§") << true << "";
    QTest::newRow("champ en trop") << QStringLiteral("a§b§c§d§e") << true << "d";
    QTest::newRow("trois champs") << QStringLiteral("a§b§c") << false << "";
    QTest::newRow("vide") << "" << false << "";
    QTest::newRow("plus et arobase") << QStringLiteral("a+b§1§2§l@x+y") << true << "l@x+y";
}

void TestCotation::enregistrement()
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

void TestCotation::chaines()
{
    QCOMPARE(chaineCotation({"QZJA00210____1", "DEQP00310____2"}),
             QStringLiteral("QZJA00210____1+DEQP00310____2"));
    QCOMPARE(chaineCotation({}), QString());
    QCOMPARE(chaineLibelles({"  Suture ", "ECG"}), QStringLiteral("Suture+ECG"));
}

void TestCotation::listeControle_data()
{
    QTest::addColumn<QStringList>("liste");
    QTest::addColumn<QString>("nouveau");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("un acte") << QStringList{"QZJA00210____1"} << "DEQP00310____2"
                             << "QZJA002@DEQP003";
    QTest::newRow("deux actes") << QStringList{"QZJA00210____1", "DEQP00310____2"}
                                << "YYYY03010____1"
                                << "QZJA002@DEQP003@YYYY030";
    QTest::newRow("liste vide") << QStringList{} << "QZJA00210____1"
                                << "QZJA002";
}

void TestCotation::listeControle()
{
    QFETCH(QStringList, liste);
    QFETCH(QString, nouveau);
    QFETCH(QString, attendu);
    QCOMPARE(listeControleAssociation(liste, nouveau), attendu);
}

void TestCotation::montants_data()
{
    QTest::addColumn<double>("total");
    QTest::addColumn<double>("depassement");
    QTest::addColumn<double>("hn");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("total") << 45.5 << 0.0 << 0.0 << "=45.5";
    QTest::newRow("depassement et HN") << 0.0 << 12.0 << 30.0 << "&12$30";
    QTest::newRow("total gagne") << 100.0 << 12.0 << 0.0 << "=100";
    QTest::newRow("negatif et zero") << -5.0 << 0.0 << 0.0 << "";
    QTest::newRow("rien") << 0.0 << 0.0 << 0.0 << "";
}

void TestCotation::montants()
{
    QFETCH(double, total);
    QFETCH(double, depassement);
    QFETCH(double, hn);
    QFETCH(QString, attendu);
    QCOMPARE(suffixesMontants(total, depassement, hn), attendu);
}

void TestCotation::suffixes_data()
{
    QTest::addColumn<QString>("cotation");
    QTest::addColumn<QString>("sansMontants");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("depassement");
    QTest::addColumn<QString>("hn");
    QTest::newRow("total") << "QZJA00210____1=45.5"
                           << "QZJA00210____1"
                           << "45.5"
                           << ""
                           << "";
    QTest::newRow("depassement HN") << "A+B&12$30"
                                    << "A+B"
                                    << ""
                                    << "12"
                                    << "30";
    QTest::newRow("aucun") << "A+B"
                           << "A+B"
                           << ""
                           << ""
                           << "";
    QTest::newRow("total HN") << "A=10$5"
                              << "A"
                              << "10"
                              << ""
                              << "5";
}

void TestCotation::suffixes()
{
    QFETCH(QString, cotation);
    QFETCH(QString, sansMontants);
    QFETCH(QString, total);
    QFETCH(QString, depassement);
    QFETCH(QString, hn);
    QCOMPARE(enleveMontants(cotation), sansMontants);
    QCOMPARE(lireMontants(cotation), (SuffixesMontant{total, depassement, hn}));
    // Reading back and writing again gives the same coding.
    QCOMPARE(sansMontants +
                 suffixesMontants(total.toDouble(), depassement.toDouble(), hn.toDouble()),
             cotation);
}

void TestCotation::acteCompose_data()
{
    QTest::addColumn<QString>("ngap");
    QTest::addColumn<QString>("extras");
    QTest::addColumn<QString>("stocke");
    QTest::addColumn<QString>("ccam");
    const QString deux = QStringLiteral("QZJA00210____1+DEQP00310____2");
    QTest::newRow("NGAP et total") << "K8+MTO"
                                   << "=60"
                                   << "NGAPK8+MTO," + deux + "=60" << deux + "=60";
    QTest::newRow("sans NGAP") << ""
                               << "=60" << deux + "=60" << deux + "=60";
    QTest::newRow("nu") << ""
                        << "" << deux << deux;
}

void TestCotation::acteCompose()
{
    QFETCH(QString, ngap);
    QFETCH(QString, extras);
    QFETCH(QString, stocke);
    QFETCH(QString, ccam);
    QCOMPARE(pava::acteCompose(ngap, QStringLiteral("QZJA00210____1+DEQP00310____2"), extras),
             stocke);
    QCOMPARE(partieCCAM(stocke), ccam);
}

void TestCotation::resultatListe_data()
{
    QTest::addColumn<QString>("ngap");
    QTest::addColumn<QString>("cotation");
    QTest::addColumn<QString>("complement");
    QTest::addColumn<QString>("libelles");
    QTest::addColumn<QString>("libelleComplement");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("deux jetons") << ""
                                 << "A+B"
                                 << ""
                                 << "Suture+ECG"
                                 << ""
                                 << "A+B,45.50,Suture+ECG";
    QTest::newRow("NGAP liste vide") << "MTO"
                                     << ""
                                     << ""
                                     << ""
                                     << ""
                                     << "NGAPMTO,,45.50,";
    QTest::newRow("complement liste vide") << ""
                                           << ""
                                           << "C"
                                           << ""
                                           << "Radio"
                                           << "C,45.50,+Radio";
    QTest::newRow("complement apres liste") << ""
                                            << "A"
                                            << "C"
                                            << "Suture"
                                            << "Radio, face"
                                            << "A+C,45.50,Suture+Radio; face";
    QTest::newRow("virgule dans libelle") << ""
                                          << "A"
                                          << ""
                                          << "Plaie, suture"
                                          << ""
                                          << "A,45.50,Plaie; suture";
}

void TestCotation::resultatListe()
{
    QFETCH(QString, ngap);
    QFETCH(QString, cotation);
    QFETCH(QString, complement);
    QFETCH(QString, libelles);
    QFETCH(QString, libelleComplement);
    QFETCH(QString, attendu);
    QCOMPARE(pava::resultatListe(ngap, cotation, complement, QStringLiteral("45.50"), libelles,
                                 libelleComplement),
             attendu);
}

void TestCotation::resultatCompose_data()
{
    QTest::addColumn<QString>("stocke");
    QTest::addColumn<QString>("montant");
    QTest::addColumn<QString>("libelle");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("NGAP garde tel quel") << "NGAPMTO,A+B=60"
                                         << "37.5"
                                         << " Visite d''urgence, nuit "
                                         << "NGAPMTO,A+B=60,37.5,Visite d'urgence; nuit";
    QTest::newRow("pas de ligne") << ""
                                  << "0"
                                  << ""
                                  << ",0,";
}

void TestCotation::resultatCompose()
{
    QFETCH(QString, stocke);
    QFETCH(QString, montant);
    QFETCH(QString, libelle);
    QFETCH(QString, attendu);
    QCOMPARE(pava::resultatCompose(stocke, montant, libelle), attendu);
}

void TestCotation::windows1252_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QByteArray>("octets");
    QTest::newRow("section") << QStringLiteral("a§b")
                             << QByteArray("a\xa7"
                                           "b");
    QTest::newRow("accents") << QStringLiteral("Erreur n° é") << QByteArray("Erreur n\xb0 \xe9");
    QTest::newRow("euro") << QStringLiteral("5 €") << QByteArray("5 \x80");
    QTest::newRow("oe") << QStringLiteral("œil")
                        << QByteArray("\x9c"
                                      "il");
    QTest::newRow("hors page") << QStringLiteral("Ω") << QByteArray("?");
}

void TestCotation::windows1252()
{
    QFETCH(QString, texte);
    QFETCH(QByteArray, octets);
    QCOMPARE(versWindows1252(texte), octets);
    if (!octets.contains('?'))
        QCOMPARE(depuisWindows1252(octets), texte);
    // Every byte decodes to something, and back to itself.
    QByteArray tous;
    for (int b = 0; b < 256; ++b)
        tous += static_cast<char>(b);
    QCOMPARE(versWindows1252(depuisWindows1252(tous)), tous);
}

QTEST_GUILESS_MAIN(TestCotation)
#include "tst_cotation.moc"
