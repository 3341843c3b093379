#pragma once

#include "complements/FenetreComplement.h"

#include <QPointer>

#include <array>

class QLineEdit;

namespace pava {

// Attaches amounts to the CCAM coding of the entry window: the total of the
// act ("="), else the fee overrun ("&"), and an out-of-nomenclature act
// ("$"), written as suffixes at the end of that coding. It opens on the
// amounts the coding already carries; "Suite" (also Enter) rewrites the
// coding and closes; closing from the frame changes nothing. There is no
// cancel button, so Escape does nothing.
class FrmAutresComplements : public FenetreComplement
{
    Q_OBJECT
public:
    // cotation: the CCAM coding box of the entry window, read at load and
    // rewritten by "Suite".
    explicit FrmAutresComplements(QLineEdit* cotation, QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click(); // "Suite"
    void Command2_Click(); // "Aide"

    // Fills the three boxes from the suffixes of a coding, as stored ("."
    // as decimal point); a box whose suffix is absent is emptied (the boxes
    // are empty at load, the only time this runs).
    void AfficheMontants(const QString& cotation);

private:
    QPointer<QLineEdit> m_cotation;
    std::array<QLineEdit*, 3> m_text1{};
};

} // namespace pava
