#pragma once

#include "srt/RechercheActes.h"

#include <QList>
#include <QString>

namespace pava {

// What a practice has already coded, which the act search ranks first: the
// practitioner's habitual codings (table CCAM_7 of "CCAM001.mdb" in the host's
// data directory) and the acts of the coding history ("Cotation.mdb" in the
// host's resource directory). Both files belong to the workspace; nothing here
// writes to them or creates them.

struct ActeHabituel
{
    QString code;
    QString libelle;
};

// The habitual codings, by label; empty (and why in *erreur) when the data
// directory has no readable "CCAM001.mdb".
QList<ActeHabituel> lireHabituels(const QString& repertoireDonnees, QString* erreur = nullptr);

// "Cotation.mdb" in the resource directory; "" when the directory is "".
QString fichierHistorique(const QString& repertoireRsc);

// The acts of the coding history, each with the julian day of its most recent
// dated record: "date_valid" as ISO text ("2026-01-15") or "15/01/2026", with
// or without a time; 0 when none of its dates can be read.
//
// A history grows by hundreds of thousands of rows: the process keeps what it
// read of a file and afterwards reads only the rows added since (a file
// replaced or rewritten is read again in full). Safe to call from any thread.
// A missing, locked or damaged file gives an empty history, and why in *erreur.
QHash<QString, std::int64_t> lireHistorique(const QString& fichier, QString* erreur = nullptr);

// True when lireHistorique() answers at once: the file was read before by this
// process, or it is small. Otherwise the first reading takes a while (about a
// second for a million rows) and a window does it in the background.
bool historiqueRapide(const QString& fichier);

// Both, as the act search takes them; what could not be read is left out, and
// the reasons are in *erreurs.
RechercheActes::Pratique lirePratique(const QString& repertoireDonnees,
                                      const QString& repertoireRsc, QStringList* erreurs = nullptr);

} // namespace pava
