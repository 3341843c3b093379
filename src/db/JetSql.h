#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace pava::jet {

// The workspace and the history speak the SQL of the desktop database engine
// they were written for; SQLite accepts nearly all of it. This turns the rest
// into SQLite's dialect: "DELETE * FROM t" -> "DELETE FROM t".
QString versSqlite(const QString& instruction);

// A record source naming a table, or a single-table SELECT, as the data
// control needs to know it to write rows back.
struct SourceAnalysee
{
    QString table;   // base table ("" when not updatable)
    QString requete; // SELECT with the row identifier added
    // The ORDER BY terms (field, descending) when they all name plain fields:
    // the rows are then put in the order a French user expects (accents and
    // case do not separate "Électro" from "Examen"), ties in the engine's order.
    QList<QPair<QString, bool>> tri;
};
SourceAnalysee analyseSource(const QString& source, const QString& colonneId);

// A find criterion of the form  Field = 'value'  (apostrophes doubled inside
// the value), Field = "value"  or  Field = number.
struct Critere
{
    QString champ;
    QVariant valeur;
};
std::optional<Critere> lireCritere(const QString& critere);

} // namespace pava::jet
