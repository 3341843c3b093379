#pragma once

#include <QString>

namespace pava {

class DataControl;

// The practitioner's composed acts (table PavaACTES of "CCAM001.mdb", shown
// in the workspace's third view): ready-made codings with a name of the
// user's own. A name is stored with its apostrophes doubled and shown with
// single ones. Each function works on the view's data control and leaves it
// on the row the user expects; false (the control's lastError() says why)
// when the database refused, with the rows as they were.
namespace composes {

// Adds a composed act (its coding as acteCompose() writes it) and makes it
// the current row.
bool ajouter(DataControl& vue, const QString& nom, const QString& cotation);
// Renames the current composed act and stays on it.
bool renommer(DataControl& vue, const QString& nom);
// Deletes the current composed act; the previous one becomes current, or the
// new first one when the first was deleted.
bool supprimer(DataControl& vue);

// The current composed act's name as the user reads it ("" without one).
QString nomCourant(const DataControl& vue);

} // namespace composes

} // namespace pava
