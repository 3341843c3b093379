#pragma once

#include "srt/EditionCcam.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace pava {

// Building the CCAM reference "srt/CCAM.mdb" from an edition of the CCAM
// (the health insurance's spreadsheet saved as CSV) and, optionally, the
// installation's table of modifier rates and incompatible acts.
//
// The new reference is written into a file of its own next to the target and
// renamed over it only once complete: a failed or interrupted import leaves
// the previous reference as it was, and programs reading it keep working.
// The prices of the editions imported before are kept with their dates, so an
// act coded before the new edition's date is priced as it was then;
// importing the same edition again gives the same reference.

struct OptionsImport
{
    QString fichierEdition;      // the edition, CSV
    QString repertoireSrt;       // the SRT base directory: the reference is DIR/srt/CCAM.mdb
    QString fichierInstallation; // the installation's table (--modifiers), optional
    // The practitioners' lexicon; "" for the one shipped with the program
    // (lexiqueLivre()).
    QString fichierLexique;
    // Build even though some rows could not be read (they are reported and
    // left out). Without it, a blocking anomaly leaves the reference unchanged.
    bool forcer = false;
    // Start a new history: the previous reference's editions are not kept.
    bool nouveau = false;
    // Progress: the step in French and its percentage (0..100).
    std::function<void(const QString& etape, int pourcentage)> progression;
};

struct BilanImport
{
    bool reussi = false;
    QString erreur; // why nothing was changed (French), when !reussi
    QString cheminReference;

    int version = 0;
    QDate dateApplication;
    bool demonstration = false;
    QString forme; // how the edition file was written, in French

    // What the edition gave.
    int actes = 0;
    int lignes = 0; // activity and phase lines
    int tarifs = 0; // tariff cells (two grids per line)
    int listesModificateurs = 0;
    int chapitres = 0;
    int modificateursDecrits = 0; // in the edition's modifier chapter
    // What the reference now holds beyond it.
    int editions = 0;                // editions in the reference, this one included
    int actesRetires = 0;            // acts of earlier editions no longer listed
    int tauxInstallation = 0;        // rates of the installation's table applied
    int incompatibilites = 0;        // pairs of the installation's table
    int incompatibilitesEdition = 0; // pairs the edition's billing rules forbid
    int reglesLexique = 0;           // rules of the practitioners' lexicon

    QList<Anomalie> anomalies;             // of the edition
    QList<Anomalie> anomaliesInstallation; // of the installation's table
    QList<Anomalie> reglesNonTraduites;    // billing rules not turned into pairs
    QStringList remarques;                 // what the user should know (French)
};

// DIR/srt/CCAM.mdb.
QString cheminReferenceSrt(const QString& repertoireSrt);

BilanImport importerReference(const OptionsImport& options);

} // namespace pava
