// The text forms of a coding: act token, act record, coding string, amount
// suffixes, stored composed act, result string, association-check list.
// Input: six texts separated by the byte 0x1F.
#include "Fuzz.h"

#include "coding/Cotation.h"
#include "coding/Montant.h"
#include "practice/RegleComplements.h"
#include "session/Chemins.h"

#include <QRegularExpression>

#include <algorithm>

using namespace pava;
using pava::fuzz::montre;

namespace {

const QChar kVirgule = QLatin1Char(',');

void jeton(const QStringList& t)
{
    // Any text: a token exactly when it has 14 characters, written back as read.
    const auto j = JetonActe::lire(t[0]);
    VERIFIE(j.has_value() == (t[0].size() == kLongueurJeton), montre(t[0]));
    if (j) {
        VERIFIE(j->texte() == t[0], montre(t[0]));
        for (int i = 0; i < 4; ++i) {
            const QString m = j->modificateur(i);
            VERIFIE(m.isEmpty() || (m.size() == 1 && m != u"_" && !m[0].isSpace()), montre(m));
        }
    }
    // Built from the act window's lists (code of 7, every list with a text):
    // 14 characters, read back the same.
    const QString code = t[1].left(kLongueurCode);
    const JetonActe fait =
        JetonActe::depuisListes(code, t[2], t[3], {t[4], t[5], t[2], t[3]}, t[4]);
    const bool complet = code.size() == kLongueurCode && !t[2].isEmpty() && !t[3].isEmpty() &&
                         !t[4].isEmpty() && !t[5].isEmpty();
    if (complet) {
        VERIFIE(fait.texte().size() == kLongueurJeton, montre(fait.texte()));
        VERIFIE(JetonActe::lire(fait.texte()) == fait, montre(fait.texte()));
        VERIFIE(!fait.texte().mid(9, 4).contains(QLatin1Char(' ')), montre(fait.texte()));
    }
}

void enregistrement(const QStringList& t)
{
    // Fewer than four fields is never half a record accepted.
    const auto lu = EnregistrementActe::lire(t[0]);
    VERIFIE(lu.has_value() == (t[0].count(kSepEnregistrement) >= 3), montre(t[0]));
    if (lu && t[0].count(kSepEnregistrement) == 3)
        VERIFIE(lu->texte() == t[0], montre(t[0]));
    // Four fields without "§" are read back as written.
    QStringList champs = t.mid(1, 4);
    for (QString& c : champs)
        c.remove(kSepEnregistrement);
    const EnregistrementActe e{champs[0], champs[1], champs[2], champs[3]};
    VERIFIE(EnregistrementActe::lire(e.texte()) == e, montre(e.texte()));
}

void chaines(const QStringList& t)
{
    // A coding string gives back its tokens, and the association-check list
    // the bare code of each.
    QStringList jetons;
    for (const QString& x : t.mid(0, 5))
        if (!x.isEmpty() && !x.contains(QLatin1Char('+')))
            jetons << x;
    const QString cotation = chaineCotation(jetons);
    if (!jetons.isEmpty())
        VERIFIE(cotation.split(QLatin1Char('+')) == jetons, montre(cotation));
    QStringList codes;
    for (const QString& x : jetons)
        if (!x.contains(QLatin1Char('@')))
            codes << x;
    if (!codes.isEmpty()) {
        const QString liste = listeControleAssociation(codes.mid(1), codes.first());
        const QStringList lus = liste.split(QLatin1Char('@'));
        VERIFIE(lus.size() == codes.size(), montre(liste));
        for (qsizetype i = 0; i < lus.size(); ++i)
            VERIFIE(lus[i] == codeNu(i + 1 < codes.size() ? codes[i + 1] : codes[0]),
                    montre(liste));
    }
    // The apostrophes doubled for a stored label come back single.
    QString double_ = t[5];
    DoubleApostrophes(double_);
    VERIFIE(apostrophesSimples(double_) == t[5], montre(t[5]));
}

bool estMarque(QChar c)
{
    return c == QLatin1Char('$') || c == QLatin1Char('&') || c == QLatin1Char('=');
}

void suffixes(const QStringList& t)
{
    // Any coding: the part before the amounts has none of their marks, and
    // is the beginning of the coding.
    const QString& c = t[0];
    const QString base = enleveMontants(c);
    const SuffixesMontant lus = lireMontants(c);
    VERIFIE(c.startsWith(base), montre(c));
    VERIFIE(std::none_of(base.begin(), base.end(), estMarque), montre(c));
    // Marks each at most once, "=" or "&" before "$": the coding is its base
    // and its amounts, written back the same.
    const qsizetype egal = c.count(QLatin1Char('=')), et = c.count(QLatin1Char('&')),
                    dollar = c.count(QLatin1Char('$'));
    static const QRegularExpression totalOuDepassement(QStringLiteral("[=&]"));
    const qsizetype premier = c.indexOf(totalOuDepassement);
    if (egal + et <= 1 && dollar <= 1 && (dollar == 0 || premier < c.indexOf(QLatin1Char('$')))) {
        QString refait = base;
        if (egal)
            refait += QLatin1Char('=') + lus.total;
        if (et)
            refait += QLatin1Char('&') + lus.depassement;
        if (dollar)
            refait += QLatin1Char('$') + lus.horsNomenclature;
        VERIFIE(refait == c, montre(c) + QStringLiteral(" -> ") + montre(refait));
    }
    // Three amounts written after a base are read back with their value.
    const double total = valeurNumerique(t[1]), depassement = valeurNumerique(t[2]),
                 hn = valeurNumerique(t[3]);
    const QString ecrite = base + suffixesMontants(total, depassement, hn);
    const SuffixesMontant relus = lireMontants(ecrite);
    VERIFIE(enleveMontants(ecrite) == base, montre(ecrite));
    const auto relu = [&](const QString& texte, double v) {
        return v > 0 ? valeurNumerique(texte) == QString::number(v, 'g', 15).toDouble()
                     : texte.isEmpty();
    };
    VERIFIE(relu(relus.total, total), montre(ecrite));
    VERIFIE(relu(relus.depassement, total > 0 ? 0.0 : depassement), montre(ecrite));
    VERIFIE(relu(relus.horsNomenclature, hn), montre(ecrite));
    // The amounts window's "Suite" applied twice changes nothing more.
    const QString suite = complements::suiteMontants(c, t[1], t[2], t[3]);
    VERIFIE(complements::suiteMontants(suite, t[1], t[2], t[3]) == suite, montre(suite));
}

void acteComposeEtResultat(const QStringList& t)
{
    const QString &ngap = t[0], &cotation = t[1], &extras = t[2], &complement = t[3],
                  &libelles = t[4], &libelleComplement = t[5];
    const QString stocke = acteCompose(ngap, cotation, extras);
    // The CCAM part of a stored composed act is the coding that was stored.
    const bool sansVirgule = !ngap.contains(kVirgule) && !cotation.contains(kVirgule) &&
                             !extras.contains(kVirgule) && !complement.contains(kVirgule);
    if (sansVirgule)
        VERIFIE(partieCCAM(stocke) == cotation + extras, montre(stocke));
    // Result string from the coding list: three sections, four with the NGAP
    // prefix, each read back; the labels hold no ",".
    const QString montant = montantTexte(valeurNumerique(extras));
    const QString r =
        resultatListe(ngap, cotation, complement, montant, libelles, libelleComplement);
    if (sansVirgule) {
        QStringList sections = r.split(kVirgule);
        const bool avecNgap = !ngap.isEmpty();
        VERIFIE(sections.size() == (avecNgap ? 4 : 3), montre(r));
        if (avecNgap)
            VERIFIE(sections.takeFirst() == QStringLiteral("NGAP") + ngap, montre(r));
        QString codes = cotation;
        if (!complement.isEmpty())
            codes += (cotation.isEmpty() ? QString() : QStringLiteral("+")) + complement;
        VERIFIE(sections[0] == codes, montre(r));
        VERIFIE(sections[1] == montant, montre(r));
        VERIFIE(QString(sections[2]).remove(QLatin1Char(';')) ==
                    QString(libelles +
                            (libelleComplement.isEmpty() ? QString() : QStringLiteral("+")) +
                            libelleComplement)
                        .remove(kVirgule)
                        .remove(QLatin1Char(';')),
                montre(r));
    }
    // Result string from a composed act: the stored text, then the amount
    // and the label, which holds no ",".
    const QString rc = resultatCompose(stocke, QStringLiteral("37.5"), libelles);
    VERIFIE(rc.startsWith(stocke + QStringLiteral(",37.5,")), montre(rc));
    VERIFIE(!rc.mid(stocke.size() + 6).contains(kVirgule), montre(rc));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QStringList t = fuzz::textes(fuzz::octets(donnees, taille), 6);
    jeton(t);
    enregistrement(t);
    chaines(t);
    suffixes(t);
    acteComposeEtResultat(t);
    return 0;
}
