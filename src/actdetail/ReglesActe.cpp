#include "actdetail/ReglesActe.h"

#include "coding/Cotation.h"
#include "coding/Montant.h"

namespace pava {

namespace {

const QString kRadiographie =
    QStringLiteral("Y: Radiographie realisee par pneumologue ou rhumatologue");

} // namespace

QString elementListe(QStringView element)
{
    return element.left(1).toString() + QStringLiteral(" : ") + element.mid(1).toString();
}

ModificateursProposes modificateursProposes(QStringView reponse, QStringView code,
                                            QStringView specialite)
{
    ModificateursProposes p;
    if (specialite == u"14" && code == u"YYYY030") {
        p.elements << kRadiographie;
        p.selection = 1;
    }
    const QList<QStringView> elements = reponse.split(QLatin1Char('@'));
    for (qsizetype i = 1; i < elements.size(); ++i) {
        p.elements << elementListe(elements[i]);
        const QStringView c = elements[i].left(1);
        if ((c == u"Y" && (specialite == u"13" || specialite == u"14")) ||
            (c == u"Z" && (specialite == u"6" || specialite == u"06")))
            p.selection = static_cast<int>(i);
    }
    return p;
}

QStringList associationsProposees(QStringView reponse)
{
    const QList<QStringView> elements = reponse.split(QLatin1Char('@'));
    QStringList items;
    for (qsizetype i = 0; i + 1 < elements.size(); ++i)
        items << elementListe(elements[i]);
    return items;
}

QString codeElement(QStringView item)
{
    return item.left(1).trimmed().toString();
}

QString urgenceDejaFacturee(const QStringList& jetons)
{
    for (const QString& j : jetons) {
        const std::optional<JetonActe> jeton = JetonActe::lire(j);
        if (!jeton)
            continue;
        for (int i = 0; i < 4; ++i) {
            const QString m = jeton->modificateur(i);
            if (m.size() == 1 && estModificateurUrgence(m[0]))
                return QStringLiteral("L'acte %1 porte déjà le modificateur d'urgence %2 : U et F "
                                      "ne se facturent qu'une fois par consultation.")
                    .arg(jeton->code, m);
        }
    }
    return {};
}

QString tarifReel(QStringView tarifSecu, bool majore)
{
    if (tarifSecu.isEmpty())
        return {};
    Monnaie m = Monnaie::depuisTexte(tarifSecu);
    if (majore)
        m = m.multiplie(u"1.175");
    return montantTexte(m);
}

QString explicationTarif(const QStringList& etapesComposant, QStringView secu, bool majore,
                         QStringView reel)
{
    const auto francais = [](QStringView montant) {
        return montant.toString().replace(QLatin1Char('.'), QLatin1Char(','));
    };
    QStringList phrases;
    for (const QString& e : etapesComposant) {
        // The act, the date, the place and the raw answer are already on the
        // window or change nothing.
        if (e.startsWith(u"Acte ") || e.startsWith(u"Date de l") || e.startsWith(u"Code lieu") ||
            e.startsWith(u"Réponse de "))
            continue;
        phrases << e;
    }
    if (majore)
        phrases << QStringLiteral("Majoration de 17,5 % : %1 € × 1,175 = %2 €.")
                       .arg(francais(secu), francais(reel));
    return phrases.join(QLatin1Char(' '));
}

} // namespace pava
