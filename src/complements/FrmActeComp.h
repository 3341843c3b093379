#pragma once

#include "complements/FenetreComplement.h"

#include <array>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;

namespace pava {

// The practitioner's catalogue of complementary acts: three tabs of eight
// slots. The user ticks the slots that apply to the consultation and
// confirms; the window then leaves in the session
//   ComplementValide = true, LibelleComplement, CotationCCAMComplement,
//   CotationNGAPComplement (see complements::assembleComplements);
// "&Annuler" (or Escape) leaves ComplementValide = false; closing from the
// frame sets nothing. The catalogue is read afresh from the complement files
// when the window is built, so nothing is ticked at the start. A slot edited
// through "Modifier" and the tab titles are saved at once; a failed save is
// told to the user and the previous files stay as they were.
//
//     FrmActeComp fenetre(parent);
//     ui::execModal(&fenetre);
//     if (session().ComplementValide) ... session().LibelleComplement ...
//
// Controls, for tab k = 1..3 and row index i = 0..7 (slot i + 1):
// "Check<k>_<i>", "lLib<k>_<i>", "CCAM<k>_<i>", "NGAP<k>_<i>", "Shape<k>_<i>",
// "Modif<k>_<i>"; "SSTab1", "Command1".."Command4".
class FrmActeComp : public FenetreComplement
{
    Q_OBJECT
public:
    explicit FrmActeComp(QWidget* parent = nullptr);

    void Form_Load();
    void RemplirActeComplementaire();
    // A click on the label, CCAM or NGAP text of a row toggles its box.
    void lLib_Click(int onglet, int index);
    void Modif_Click(int onglet, int index);
    void Command1_Click(); // "&Annuler"
    void Command2_Click(); // "&Ok"
    void Command3_Click(); // "Changer l'intitulé des Onglets"
    void Command4_Click(); // "Aide"

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    struct Ligne
    {
        QCheckBox* check = nullptr;
        QLabel* libelle = nullptr;
        QLabel* ccam = nullptr;
        QLabel* ngap = nullptr;
    };
    QWidget* construireOnglet(int onglet);
    QString titreAffiche(int onglet) const;
    void enregistre();

    QTabWidget* m_ssTab1 = nullptr;
    std::array<std::array<Ligne, 8>, 3> m_lignes{};
};

} // namespace pava
