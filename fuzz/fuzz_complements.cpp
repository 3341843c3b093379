// The complement files: what any Complt<n>.txt reads as, and what a save
// writes reads back the same. Input: the bytes of the three files separated
// by the byte 0x1F (an empty piece: no file).
#include "Fuzz.h"

#include "practice/FichiersComplements.h"
#include "practice/RegleComplements.h"
#include "session/Session.h"

#include <QDir>
#include <QFile>

using namespace pava;
using namespace pava::complements;
using pava::fuzz::montre;

namespace {

struct Catalogue
{
    std::array<QString, 4> titres;
    std::array<TableComplements, 3> tables;
    bool operator==(const Catalogue&) const = default;
};

Catalogue catalogue()
{
    return {session().TitresOnglets, {tableOnglet(1), tableOnglet(2), tableOnglet(3)}};
}

// The catalogue as a save can write it: every field as nettoieChamp leaves it.
Catalogue nettoye(Catalogue c)
{
    for (QString& t : c.titres)
        t = nettoieChamp(t).texte;
    for (auto& table : c.tables)
        for (auto& ligne : table)
            for (QString& champ : ligne)
                champ = nettoieChamp(champ).texte;
    return c;
}

QString enTexte(const Catalogue& c)
{
    QStringList l;
    for (int k = 1; k <= kOnglets; ++k) {
        l << montre(c.titres[k]);
        for (int r = 1; r <= kEmplacements; ++r)
            l << montre(c.tables[k - 1][r][1]) + montre(c.tables[k - 1][r][2]) +
                     montre(c.tables[k - 1][r][3]);
    }
    return l.join(QLatin1Char('\n'));
}

QByteArrayList fichiers()
{
    QByteArrayList contenus;
    for (int k = 1; k <= kOnglets; ++k) {
        QFile f(cheminFichier(k));
        contenus << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    return contenus;
}

QString enregistre()
{
    QString erreur;
    if (!PutActeComplementaire(&erreur))
        return erreur.isEmpty() ? QStringLiteral("échec sans message") : erreur;
    return {};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("PAVACCAM_HOME", fuzz::repertoireDeTravail().toUtf8());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    QDir dossier(fuzz::repertoireDeTravail());
    for (const QString& nom : dossier.entryList(QDir::Files))
        dossier.remove(nom);
    const QByteArrayList m = fuzz::morceaux(fuzz::octets(donnees, taille), kOnglets);
    for (int k = 1; k <= kOnglets; ++k) {
        QFile f(cheminFichier(k));
        if (!m[k - 1].isEmpty() && (!f.open(QIODevice::WriteOnly) || f.write(m[k - 1]) < 0))
            qFatal("écriture impossible : %s", qPrintable(cheminFichier(k)));
    }

    // Any files: every field is one line; a slot's fields hold no "§".
    reinitialiserSession();
    GetActeComplementaire();
    const Catalogue lu = catalogue();
    for (int k = 1; k <= kOnglets; ++k) {
        VERIFIE(!lu.titres[k].contains(QLatin1Char('\n')) &&
                    !lu.titres[k].contains(QLatin1Char('\r')),
                enTexte(lu));
        for (int r = 1; r <= kEmplacements; ++r)
            for (int c = 1; c <= 3; ++c) {
                const QString& champ = lu.tables[k - 1][r][c];
                VERIFIE(!champ.contains(QLatin1Char('\n')) && !champ.contains(QLatin1Char('\r')) &&
                            !champ.contains(QChar(0xA7)),
                        enTexte(lu));
            }
    }

    // Saved, it reads back as the save could write it, and saved again it
    // gives the same bytes: nine lines ending with CR LF per file.
    QString erreur = enregistre();
    VERIFIE(erreur.isEmpty(), erreur);
    const QByteArrayList ecrits = fichiers();
    for (const QByteArray& f : ecrits)
        VERIFIE(f.count("\r\n") == 1 + kEmplacements && f.count('\r') == f.count('\n') &&
                    f.endsWith("\r\n"),
                montre(QString::fromLatin1(f)));
    reinitialiserSession();
    GetActeComplementaire();
    VERIFIE(catalogue() == nettoye(lu),
            enTexte(nettoye(lu)) + QStringLiteral("\n--\n") + enTexte(catalogue()));
    erreur = enregistre();
    VERIFIE(erreur.isEmpty(), erreur);
    VERIFIE(fichiers() == ecrits, QString());
    VERIFIE(dossier.entryList(QDir::Files) ==
                (QStringList{nomFichier(1), nomFichier(2), nomFichier(3)}),
            dossier.entryList(QDir::Files).join(QLatin1Char(' ')));
    return 0;
}
