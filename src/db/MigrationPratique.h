#pragma once

#include <QList>
#include <QString>

namespace pava::pratique {

// Rows of one table of the practice's data, on both sides of a copy.
struct ComptesTable
{
    QString table;
    qint64 source = 0; // in the SQLite files (0 for a table they lack)
    qint64 avant = 0;  // in the server database before the copy
    qint64 apres = 0;  // and after it
};

struct BilanMigration
{
    bool reussi = false;
    bool injoignable = false; // the server could not be reached
    QString erreur;           // French, when not reussi
    QList<ComptesTable> tables;
};

// Copies a practice's SQLite data (its CCAM001.mdb and Cotation.mdb) into the
// server database named by uri, in one transaction: everything or nothing.
// A database that already holds practice data is refused unless fusionner,
// which adds only the rows it does not hold yet (a row is "held" when one
// with the same values is there): a copy run twice never duplicates. A
// history date that cannot be read refuses the copy, naming the row.
BilanMigration migrer(const QString& ccam001, const QString& cotation, const QString& uri,
                      bool fusionner);

// What a workstation's practice database looks like from here.
struct EtatBase
{
    bool joignable = false;
    bool injoignable = false; // the server could not be reached (else: refused)
    int version = 0;
    QString erreur;
    QList<ComptesTable> tables; // rows now ("apres")
};
EtatBase examiner(const QString& uri);

} // namespace pava::pratique
