#pragma once

#include <QString>
#include <QStringList>

namespace pava {

// A complete data set for the workspace: what a host installs before its
// first coding, built here for demonstrations, trials and tests.
//
//   DATA/CCAM001.mdb   the practitioner's database, table CCAM_7 holding a
//                      few habitual codings of everyday practice;
//   RSC/Cotation.mdb   the coding history, its two tables empty;
//   SRT/srt/CCAM.mdb   the CCAM reference, imported from an edition (CSV)
//                      exactly as "pavaccam reference import" does;
//   PROFIL/Pavareg.reg the profile file naming SRT as the reference base.
//
// A file that already exists is never touched: it is listed as kept, so a
// user's own database or profile survives a second run.
struct OptionsJeuDeDonnees
{
    QString repertoireData;
    QString repertoireRsc;
    QString repertoireSrt;
    QString repertoireProfil;    // "" = where the program reads it (repertoireProfil())
    QString fichierReference;    // "" = the shipped demonstration edition
    QString fichierInstallation; // its modifier rates (--modifiers); with no edition given, the
                                 // demonstration edition comes with its own
};

struct BilanJeuDeDonnees
{
    bool reussi = false;
    QString erreur;        // French, when !reussi
    QStringList crees;     // files written
    QStringList conserves; // files that existed and were left as they were
};

BilanJeuDeDonnees creerJeuDeDonnees(const OptionsJeuDeDonnees& options);

// The demonstration edition of the CCAM shipped with the program (the
// installed data directory, or the source tree for a tool of the build
// tree); "" when absent.
QString referenceDemonstration();
// Its table of modifier rates and incompatible acts, "" when absent.
QString installationDemonstration();

// The habitual codings put into a new CCAM001.mdb: code and label, everyday
// acts of general practice found in the reference of srtDir (the labels are
// the reference's). Empty when the reference cannot be read.
QList<QPair<QString, QString>> cotationsHabituelles(const QString& repertoireSrt);

} // namespace pava
