#include "practice/RegleComplements.h"

#include "coding/Cotation.h"
#include "coding/Montant.h"
#include "coding/Windows1252.h"
#include "practice/FichiersComplements.h"

namespace pava::complements {

namespace {

void ajoute(QString& texte, const QString& x)
{
    texte = texte.isEmpty() ? x : texte + QLatin1Char('+') + x;
}

// Blank as the catalogue has always meant it: spaces only.
bool blanc(const QString& texte)
{
    for (QChar c : texte)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

bool dansCodePage(QChar c)
{
    return depuisWindows1252(versWindows1252(QStringView(&c, 1))) == QString(c);
}

// An amount as a practitioner types it, in the form the number reader takes:
// the decimal comma is the point, and the no-break spaces a French keyboard or
// a pasted "1 250,50" puts between thousands are blanks like a space.
QString montantTape(QStringView texte)
{
    QString t = virgulesDecimales(texte);
    t.replace(QChar(0x00A0), QLatin1Char(' ')).replace(QChar(0x202F), QLatin1Char(' '));
    return t;
}

} // namespace

TextesComplement assembleComplements(const Coches& coches)
{
    TextesComplement t;
    for (int k = 1; k <= kOnglets; ++k) {
        const TableComplements& table = tableOnglet(k);
        for (int r = 1; r <= kEmplacements; ++r) {
            const auto& ligne = table[r];
            if (!coches[k - 1][r - 1])
                continue;
            if (k == 1 && blanc(ligne[2]) && blanc(ligne[3]))
                continue;
            ajoute(t.libelles, ligne[1]);
            if (!ligne[2].isEmpty())
                ajoute(t.ccam, ligne[2]);
            if (!ligne[3].isEmpty())
                ajoute(t.ngap, ligne[3]);
        }
    }
    return t;
}

ChampNettoye nettoieChamp(QStringView texte, bool cotation)
{
    ChampNettoye n;
    n.texte.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        if (c == kSepEnregistrement) {
            n.separateur = true;
        } else if (cotation && c == QLatin1Char(',')) {
            // A decimal comma is the "." of the result string; any other
            // stays where it was typed, and the window refuses it.
            if (i > 0 && i + 1 < texte.size() && texte[i - 1].isDigit() && texte[i + 1].isDigit()) {
                n.decimale = true;
                n.texte += QLatin1Char('.');
            } else {
                n.virgule = true;
                n.texte += c;
            }
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            n.sautDeLigne = true;
            n.texte += QLatin1Char(' ');
            if (c == QLatin1Char('\r') && i + 1 < texte.size() && texte[i + 1] == QLatin1Char('\n'))
                ++i;
        } else if (!dansCodePage(c)) {
            n.horsCodePage = true;
        } else {
            n.texte += c;
        }
    }
    return n;
}

QString suiteMontants(QStringView cotation, QStringView total, QStringView depassement,
                      QStringView horsNomenclature)
{
    const auto nombre = [](QStringView t) { return valeurNumerique(montantTape(t)); };
    return enleveMontants(cotation) +
           suffixesMontants(nombre(total), nombre(depassement), nombre(horsNomenclature));
}

bool montantLisible(QStringView texte)
{
    return nombreComplet(montantTape(texte));
}

} // namespace pava::complements
