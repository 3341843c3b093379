#include "db/JetSql.h"

#include <QRegularExpression>

namespace pava::jet {

QString versSqlite(const QString& instruction)
{
    static const QRegularExpression deleteEtoile(QStringLiteral(R"(^\s*DELETE\s+\*\s+FROM\b)"),
                                                 QRegularExpression::CaseInsensitiveOption);
    QString sql = instruction;
    sql.replace(deleteEtoile, QStringLiteral("DELETE FROM"));
    return sql;
}

namespace {

QList<QPair<QString, bool>> termesTri(const QString& source)
{
    static const QRegularExpression orderBy(QStringLiteral(R"(\bORDER\s+BY\s+(.+?)\s*;?\s*$)"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression terme(
        QStringLiteral(R"(^\s*\[?([A-Za-z_][A-Za-z0-9_]*)\]?(?:\s+(ASC|DESC))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    QList<QPair<QString, bool>> termes;
    const auto m = orderBy.match(source);
    if (!m.hasMatch())
        return termes;
    for (const QString& t : m.captured(1).split(QLatin1Char(','))) {
        const auto mt = terme.match(t);
        if (!mt.hasMatch())
            return {};
        termes.append({mt.captured(1),
                       mt.captured(2).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0});
    }
    return termes;
}

} // namespace

SourceAnalysee analyseSource(const QString& source, const QString& colonneId)
{
    static const QRegularExpression nomSeul(
        QStringLiteral(R"(^\s*\[?([A-Za-z_][A-Za-z0-9_]*)\]?\s*;?\s*$)"));
    static const QRegularExpression selectSimple(
        QStringLiteral(
            R"(^\s*SELECT\s+(.+?)\s+FROM\s+\[?([A-Za-z_][A-Za-z0-9_]*)\]?(\s+(WHERE|ORDER\s+BY)\b.*)?\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    SourceAnalysee a;
    a.tri = termesTri(source);
    if (const auto m = nomSeul.match(source); m.hasMatch()) {
        a.table = m.captured(1);
        a.requete = QStringLiteral("SELECT rowid AS %1, * FROM \"%2\"").arg(colonneId, a.table);
        return a;
    }
    if (const auto m = selectSimple.match(source); m.hasMatch()) {
        const QString colonnes = m.captured(1);
        // A grouped or combined query cannot be written back (a join never
        // matches the single-table form above).
        static const QRegularExpression nonModifiable(
            QStringLiteral(R"(\b(GROUP\s+BY|UNION|DISTINCT)\b)"),
            QRegularExpression::CaseInsensitiveOption);
        if (!nonModifiable.match(m.captured(0)).hasMatch()) {
            a.table = m.captured(2);
            a.requete = QStringLiteral("SELECT rowid AS %1, %2 FROM \"%3\"%4")
                            .arg(colonneId, colonnes, a.table, m.captured(3));
            if (a.requete.trimmed().endsWith(QLatin1Char(';')))
                a.requete = a.requete.trimmed().chopped(1);
            return a;
        }
    }
    a.requete = source;
    return a;
}

std::optional<Critere> lireCritere(const QString& critere)
{
    static const QRegularExpression forme(
        QStringLiteral(
            R"re(^\s*\[?([A-Za-z_][A-Za-z0-9_]*)\]?\s*=\s*(?:'((?:[^']|'')*)'|"((?:[^"]|"")*)"|(-?[0-9]+(?:\.[0-9]+)?))\s*$)re"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto m = forme.match(critere);
    if (!m.hasMatch())
        return std::nullopt;
    Critere c;
    c.champ = m.captured(1);
    if (m.capturedStart(2) >= 0)
        c.valeur = m.captured(2).replace(QLatin1String("''"), QLatin1String("'"));
    else if (m.capturedStart(3) >= 0)
        c.valeur = m.captured(3).replace(QLatin1String("\"\""), QLatin1String("\""));
    else
        c.valeur = m.captured(4).toDouble();
    return c;
}

} // namespace pava::jet
