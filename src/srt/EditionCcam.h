#pragma once

#include "srt/Tarifs.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace pava {

// Something of the edition file that could not be read as it stands, with
// the physical line it is on. A blocking anomaly means that a piece the tariff
// engine needs (an act, a line, a tariff, a modifier list) is missing from
// what was read; the importer then refuses to replace the reference unless it
// is forced. A non-blocking one is a correction or an ignored detail that is
// still reported (nothing is dropped without a word).
struct Anomalie
{
    int ligne = 0;
    bool bloquante = true;
    QString message;
};

// One pricing line of an act: an activity and a phase with a tariff per grid.
struct LigneEdition
{
    int activite = 1;
    int phase = 0;
    QString libelle; // "anesthésie", "Phase 1 : ...", or the act's label
    std::array<ValeurTarif, kNombreGrilles> tarifs{};
    bool remboursementSousConditions = false; // "RC"
    bool accordPrealable = false;             // "AP"
    QString exoneration;                      // "Exo. TM" as written ("1", "1-7")
    QString regroupement;                     // "ADC", "ADA", ...
    int ligne = 0;
};

struct ActeEdition
{
    QString code;
    QString libelle;
    QString chapitre;
    QString nature; // "acte", "geste complémentaire", "anesthésie complémentaire", "supplément"
    bool remboursementSousConditions = false;
    bool accordPrealable = false;
    bool aListeModificateurs = false;
    QString modificateurs; // allowed modifier codes in the edition's order, "FMPRSU"
    QStringList notes;
    QList<int> lignesNotes;    // physical line on which each note's text starts
    QStringList actesAssocies; // "(ZZLP025, YYYY189)" rows
    QList<LigneEdition> lignes;
    int ligne = 0;
};

struct ChapitreEdition
{
    QString code; // "01", "01.01", "01.01.01"
    QString parent;
    QString titre; // "" for a heading the edition lacks, made from its number
    QStringList notes;
    QList<int> lignesNotes; // physical line on which each note's text starts
    int ligne = 0;
};

// A modifier described in the edition's modifier chapter: its wording and,
// when the edition gives them, its rate per grid.
struct ModificateurEdition
{
    QChar code;
    QString libelle;
    std::array<bool, kNombreGrilles> tauxConnu{};
    std::array<TauxModificateur, kNombreGrilles> taux{};
    QStringList notes;
    // Amounts published for some specialities: wording, then the two cells.
    QList<std::array<QString, 3>> variantes;
    int ligne = 0;
};

// How the edition file is written. The health insurance's CSV has commas
// between cells and decimal points ("26.60"); the same spreadsheet saved as
// CSV by a French-language spreadsheet program has semicolons and decimal
// commas ("26,60"). Either may come in UTF-8 or in Windows-1252 bytes.
struct FormeEdition
{
    bool francaise = false;      // ";" between cells, decimal commas
    bool windows1252 = false;    // the bytes are not UTF-8
    QString description() const; // for the import's report
};

// An edition of the CCAM as the health insurance publishes it in its
// spreadsheet form, saved as CSV: what the importer turns into a reference.
struct EditionCcam
{
    FormeEdition forme;
    int version = 0;
    QDate dateApplication;
    QString titre;
    bool demonstration = false;
    std::array<QString, kNombreGrilles> grilles;
    QList<ChapitreEdition> chapitres;
    QList<ActeEdition> actes;
    QList<ModificateurEdition> modificateurs;
    QStringList notes; // before the first chapter
    QList<Anomalie> anomalies;

    int nombreLignesTarif() const;
    int nombreTarifs() const;
    int nombreListesModificateurs() const;
    int nombreAnomaliesBloquantes() const;
};

// Reads an edition from the bytes of its CSV file, in either form (UTF-8, or
// the Windows code page when the bytes are not UTF-8; commas or semicolons,
// recognised from the first lines). The two forms of one edition give the same
// EditionCcam. False only when the file cannot be read at all: neither commas
// nor semicolons between its cells, no title with the version and its date,
// or a text that ends inside a quoted cell; erreur then says why, naming the
// line. Everything else is read as far as
// possible and every row that could not be read is in edition.anomalies.
// progression receives the share read (0..100) from time to time.
bool lireEditionCcam(const QByteArray& octets, EditionCcam& edition, QString& erreur,
                     const std::function<void(int)>& progression = {});

} // namespace pava
