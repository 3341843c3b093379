#pragma once

#include "srt/EditionCcam.h"
#include "srt/Tarifs.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace pava {

// The installation's own table, given to the importer with --modifiers: what
// the spreadsheet edition does not carry or what the installation wants to
// set itself. A UTF-8 text file of sections, each a list of lines with fields
// separated by ";" (labels contain commas); "#" starts a comment line, blank
// lines are ignored, and a section's first line may repeat its column names:
//
//   [modificateurs]
//   code;grille;taux;debut;fin;libelle
//   F;*;19.06;2026-01-01;;Acte réalisé en urgence un dimanche ou un jour férié
//   R;1;+50%;;;Chirurgie plastique de la face ou des mains
//
//   [incompatibilites]
//   acte1;acte2;debut;fin
//   DEQP003;DEQP002;;
//
//   [compatibilites]
//   acte1;acte2;debut;fin
//   YYYY010;DEQP002;2026-01-01;
//
//   [associations]
//   code;coefficient;libelle
//   3;0,75;Acte à 75 %
//
// grille: 1, 2, or * (or empty) for both grids. taux: an amount in euros
// ("19.06" or "19,06") or a percentage ("+6%", "6,5 %"). Dates: AAAA-MM-JJ or
// JJ/MM/AAAA; an empty start means "always", an empty end "still in force";
// the end day is included. coefficient: a decimal ("0.5") or a percentage
// ("50%"). [incompatibilites] adds pairs of acts that may not be billed
// together; [compatibilites] lifts pairs that the edition's billing rules
// forbid. Docs: docs/reference.md.
struct TauxInstallation
{
    QChar code;
    int grille = 0; // 0 = both
    TauxModificateur taux;
    std::int64_t debut = 0; // julian day
    std::int64_t fin = 0;   // julian day, 0 = open
    QString libelle;
    int ligne = 0;
};

// Two acts, in either order, over a validity.
struct PaireInstallation
{
    QString acte1;
    QString acte2;
    std::int64_t debut = 0;
    std::int64_t fin = 0;
    int ligne = 0;
};

struct AssociationInstallation
{
    QChar code;
    int pourMille = 1000;
    QString libelle;
    int ligne = 0;
};

struct TableInstallation
{
    QList<TauxInstallation> taux;
    QList<PaireInstallation> incompatibilites;
    QList<PaireInstallation> compatibilites; // pairs of the edition lifted
    QList<AssociationInstallation> associations;
};

// The start day of a rate or pair whose start is left empty.
std::int64_t jourOrigine();

// Reads the table; every line that cannot be read is an anomaly (blocking)
// with its line number, and is left out. False when any anomaly was found.
bool lireTableInstallation(const QByteArray& octets, TableInstallation& table,
                           QList<Anomalie>& anomalies);

} // namespace pava
