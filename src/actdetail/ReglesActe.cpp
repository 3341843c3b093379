#include "actdetail/ReglesActe.h"

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

QString tarifDeBase(QStringView reponseCentimes)
{
    return montantTexte(Monnaie::depuisTexte(reponseCentimes).multiplie(u"0.01"));
}

QString tarifAssocie(QStringView tarif, QStringView codeAssociation)
{
    Monnaie m = Monnaie::depuisTexte(tarif);
    if (codeAssociation == u"2")
        m = m.multiplie(u"0.5");
    else if (codeAssociation == u"3")
        m = m.multiplie(u"0.75");
    return montantTexte(m);
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

QString explicationTarif(const QStringList& etapesComposant, QStringView codeAssociation,
                         QStringView base, QStringView secu, bool majore, QStringView reel)
{
    QStringList phrases;
    for (const QString& e : etapesComposant) {
        // The act, the date, the place and the raw answer are already on the
        // window or change nothing.
        if (e.startsWith(u"Acte ") || e.startsWith(u"Date de l") || e.startsWith(u"Code lieu") ||
            e.startsWith(u"Réponse de "))
            continue;
        phrases << e;
    }
    if (codeAssociation == u"2" || codeAssociation == u"3")
        phrases << QStringLiteral("Code association %1 : %2 € × %3 = %4 €.")
                       .arg(codeAssociation.toString(), base.toString(),
                            codeAssociation == u"2" ? QStringLiteral("50 %")
                                                    : QStringLiteral("75 %"),
                            secu.toString());
    if (majore)
        phrases << QStringLiteral("Majoration de 17,5 % : %1 € × 1,175 = %2 €.")
                       .arg(secu.toString(), reel.toString());
    return phrases.join(QLatin1Char(' '));
}

} // namespace pava
