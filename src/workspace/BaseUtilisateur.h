#pragma once

#include <QString>

namespace pava {

class DataControl;

// The practitioner's database "CCAM001.mdb" in the host's data directory, as
// the workspace reads and writes it through its three data controls: the
// habitual codings (CCAM_7, the installation's), the coding list of the
// running consultation (PavaCCAM) and the composed acts (PavaACTES), the
// last two created by the product when missing.
namespace base {

// CompleteChemin(repertoire) + "CCAM001.mdb".
QString cheminBase(const QString& repertoireDonnees);

// Creates PavaACTES and PavaCCAM when missing and empties the coding list:
// a coding list never outlives its workspace. A table that exists already is
// no failure; false (base.lastError() says why) when the coding list cannot
// be emptied: the database cannot be written (read-only, locked).
bool preparer(DataControl& base);

// Record sources. The two sorted lists keep theirs in the settings store
// ("Record0", "Record2"), so these texts are part of what is stored.
QString sourceListe();
// The habitual codings sorted by label (column 0) or code (column 1); "" for
// any other column (the order stays).
QString sourceHabituels(int colonne);
// The composed acts sorted by label (column 0) or coding (column 1).
QString sourceComposes(int colonne);

} // namespace base

} // namespace pava
