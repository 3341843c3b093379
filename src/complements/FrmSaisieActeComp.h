#pragma once

#include "complements/FenetreComplement.h"

class QLabel;
class QLineEdit;

namespace pava {

// Edits one slot of the catalogue: its label, CCAM coding and NGAP coding.
// It starts from session().LibelleComplement, CotationCCAMComplement and
// CotationNGAPComplement; "&Ok" writes the three boxes back there and sets
// ComplementValide; "&Annuler" (or Escape) sets ComplementValide to false
// and touches nothing else; closing from the frame leaves everything as the
// caller set it. It never reads or writes the complement files.
class FrmSaisieActeComp : public FenetreComplement
{
    Q_OBJECT
public:
    explicit FrmSaisieActeComp(QWidget* parent = nullptr);

    // The CCAM coding box, which the amounts window rewrites.
    QLineEdit* Text2() const { return m_text2; }

    void Form_Load();
    void Command1_Click(); // "&Annuler"
    void Command2_Click(); // "&Ok"
    void Command3_Click(); // "Importer la cotation CCAM en cours"
    void Command4_Click(); // "Autres compléments"

private:
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
};

} // namespace pava
