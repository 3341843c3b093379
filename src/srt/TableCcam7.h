#pragma once

#include <QString>

namespace pava {

// The label of an act in the table CCAM_7 (CodeActe, Libelle) of a CCAM
// reference file, the table the act window shows its label from. The code
// is compared as given (not trimmed) and goes in as a bound value, so a code
// holding an apostrophe simply finds nothing. "" when the file, the table or
// the act is missing. The file is only read.
QString libelleCcam7(const QString& fichierReference, const QString& code);

} // namespace pava
