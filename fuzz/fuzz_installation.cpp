// The installation's table given to the importer (--modifiers). Input: the
// bytes of a table file.
#include "Fuzz.h"

#include "srt/TableInstallation.h"

#include <QMap>
#include <QStringDecoder>

using namespace pava;
using pava::fuzz::montre;

namespace {

QString jour(std::int64_t j)
{
    return j == 0 ? QString() : texteIso(j);
}

QString taux(const TauxModificateur& t)
{
    return t.estForfait() ? texteEuros(t.forfaitCentimes) : textePourcentage(t.pointsDeBase);
}

// The table written back in its own format, one line per entry.
QByteArray ecris(const TableInstallation& t)
{
    QStringList l{QStringLiteral("[modificateurs]")};
    for (const TauxInstallation& x : t.taux)
        l << QStringList{QString(x.code),
                         x.grille == 0 ? QStringLiteral("*") : QString::number(x.grille),
                         taux(x.taux),
                         jour(x.debut),
                         jour(x.fin),
                         x.libelle}
                 .join(u';');
    const auto paires = [&](const QString& section, const QList<PaireInstallation>& p) {
        l << section;
        for (const PaireInstallation& x : p)
            l << QStringList{x.acte1, x.acte2, jour(x.debut), jour(x.fin)}.join(u';');
    };
    paires(QStringLiteral("[incompatibilites]"), t.incompatibilites);
    paires(QStringLiteral("[compatibilites]"), t.compatibilites);
    l << QStringLiteral("[associations]");
    for (const AssociationInstallation& x : t.associations)
        l << QStringLiteral("%1;%2.%3;%4")
                 .arg(x.code)
                 .arg(x.pourMille / 1000)
                 .arg(x.pourMille % 1000, 3, 10, QLatin1Char('0'))
                 .arg(x.libelle);
    return l.join(u'\n').toUtf8();
}

// Entries without their line numbers, to compare a table with its rewrite.
QString enTexte(const TableInstallation& t)
{
    QStringList l;
    for (const TauxInstallation& x : t.taux)
        l << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                 .arg(x.code)
                 .arg(x.grille)
                 .arg(x.taux.pointsDeBase)
                 .arg(x.taux.forfaitCentimes)
                 .arg(x.debut)
                 .arg(x.fin)
                 .arg(x.libelle);
    for (const auto* p : {&t.incompatibilites, &t.compatibilites}) {
        l << QStringLiteral("--");
        for (const PaireInstallation& x : *p)
            l << QStringLiteral("%1 %2 %3 %4").arg(x.acte1, x.acte2).arg(x.debut).arg(x.fin);
    }
    for (const AssociationInstallation& x : t.associations)
        l << QStringLiteral("%1 %2 %3").arg(x.code).arg(x.pourMille).arg(x.libelle);
    return l.join(u'\n');
}

// The lines that must give an entry or an anomaly: all but blank lines,
// comments, known section lines and a section's first line naming its
// columns. Written apart from the reader on purpose, from the table's
// documented format: a reader that skips a line it should report differs
// from it. A change of format changes both.
QList<int> lignesAttendues(const QString& texte)
{
    QList<int> attendues;
    bool premiere = false;
    const QStringList lignes = texte.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        QString l = lignes[i];
        if (i == 0 && l.startsWith(QChar(0xFEFF)))
            l.remove(0, 1);
        l = l.trimmed();
        if (l.isEmpty() || l.startsWith(QLatin1Char('#')))
            continue;
        const int numero = static_cast<int>(i + 1);
        if (l.startsWith(QLatin1Char('[')) && l.endsWith(QLatin1Char(']'))) {
            premiere = true;
            const QString nom = l.mid(1, l.size() - 2).trimmed().toLower();
            static const QStringList connues{
                QStringLiteral("modificateurs"),    QStringLiteral("incompatibilites"),
                QStringLiteral("incompatibilités"), QStringLiteral("compatibilites"),
                QStringLiteral("compatibilités"),   QStringLiteral("associations")};
            if (!connues.contains(nom))
                attendues << numero;
            continue;
        }
        const QString premier = l.section(QLatin1Char(';'), 0, 0).trimmed();
        const bool entete = premiere && (premier.compare(u"code", Qt::CaseInsensitive) == 0 ||
                                         premier.compare(u"acte1", Qt::CaseInsensitive) == 0);
        premiere = false;
        if (!entete)
            attendues << numero;
    }
    return attendues;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QByteArray octets = fuzz::octets(donnees, taille);
    TableInstallation table;
    QList<Anomalie> anomalies;
    const bool lu = lireTableInstallation(octets, table, anomalies);
    VERIFIE(lu == anomalies.isEmpty(), QString());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texte = utf8.decode(octets);
    if (utf8.hasError())
        return 0;

    // Every line is an entry or an anomaly, never both, never dropped.
    QMap<int, int> vues;
    for (const Anomalie& a : anomalies) {
        VERIFIE(a.bloquante && !a.message.isEmpty(), a.message);
        ++vues[a.ligne];
    }
    for (const TauxInstallation& x : table.taux)
        ++vues[x.ligne];
    for (const auto* p : {&table.incompatibilites, &table.compatibilites})
        for (const PaireInstallation& x : *p)
            ++vues[x.ligne];
    for (const AssociationInstallation& x : table.associations)
        ++vues[x.ligne];
    const QList<int> attendues = lignesAttendues(texte);
    QStringList detail;
    for (auto it = vues.cbegin(); it != vues.cend(); ++it)
        detail << QStringLiteral("%1x%2").arg(it.key()).arg(it.value());
    VERIFIE(vues.keys() == attendues &&
                std::all_of(vues.cbegin(), vues.cend(), [](int n) { return n == 1; }),
            detail.join(u' '));

    // What was read is well formed, and written back reads the same.
    for (const TauxInstallation& x : table.taux)
        VERIFIE(x.grille >= 0 && x.grille <= 2 && (x.fin == 0 || x.fin >= x.debut), enTexte(table));
    for (const auto* p : {&table.incompatibilites, &table.compatibilites})
        for (const PaireInstallation& x : *p)
            VERIFIE(estCodeActe(x.acte1) && estCodeActe(x.acte2) && x.acte1 != x.acte2 &&
                        (x.fin == 0 || x.fin >= x.debut),
                    enTexte(table));
    TableInstallation relue;
    QList<Anomalie> anomaliesRelues;
    const QByteArray ecrite = ecris(table);
    VERIFIE(lireTableInstallation(ecrite, relue, anomaliesRelues),
            montre(QString::fromUtf8(ecrite)) + QLatin1Char('\n') +
                (anomaliesRelues.isEmpty() ? QString() : anomaliesRelues.first().message));
    VERIFIE(enTexte(relue) == enTexte(table),
            enTexte(table) + QStringLiteral("\n--\n") + enTexte(relue));
    return 0;
}
