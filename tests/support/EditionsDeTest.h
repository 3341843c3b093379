#pragma once

#include "srt/ConstructionReference.h"

#include <QString>
#include <QStringList>

namespace pava::test {

// A small edition of the CCAM in the spreadsheet's CSV layout: the title row
// (version and date), the column headings, an empty row, then the given rows.
// The headings take three physical lines (two quoted cells with a line break,
// as in the real file), so the first given row is on physical line 6.
QByteArray edition(int version, const QString& date, const QStringList& lignes);
constexpr int kPremiereLigneEdition = 6;

// The same edition as a French-language spreadsheet saves it as CSV:
// semicolons, decimal commas in the two tariff columns, Windows-1252 bytes
// (or UTF-8 when asked). Lines stay where they were.
QByteArray formeFrancaise(const QByteArray& editionUtf8, bool windows1252 = true);

// Imports an edition (and an installation table when not empty) into
// srt/CCAM.mdb under repertoireSrt; writes the files into repertoireSrt.
BilanImport importer(const QString& repertoireSrt, const QByteArray& edition,
                     const QByteArray& installation = {}, bool forcer = false);

// Rows of a query on a reference, each row's columns joined by ",", rows by
// "|": what the tests compare.
QString requete(const QString& reference, const QString& sql);

// Every table of a reference, in a stable order, as text. Without provenance,
// the edition table leaves out the file's name, fingerprint and import time.
QString contenu(const QString& reference, bool provenance = true);

} // namespace pava::test
