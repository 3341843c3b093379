#pragma once

#include <QString>

namespace pava {

// The per-user settings store: organisation and application "PavaCCAM",
// group "Settings". Missing keys read as the default the caller gives.
namespace reglages {
inline constexpr char Onglet[] = "Tab";
inline constexpr char Record0[] = "Record0";
inline constexpr char Record2[] = "Record2";
inline constexpr char DefautOnglet[] = "0";
inline constexpr char DefautRecord0[] = "SELECT * FROM CCAM_7";
inline constexpr char DefautRecord2[] = "Select * From PavaACTES Order By LibelleCCAM";
} // namespace reglages

QString LitReglage(const QString& cle, const QString& defaut);
// False when the store could not be written (its file refused).
bool EcritReglage(const QString& cle, const QString& valeur);

} // namespace pava
