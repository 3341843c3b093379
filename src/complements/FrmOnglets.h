#pragma once

#include "complements/FenetreComplement.h"

#include <array>

class QLineEdit;

namespace pava {

// Edits the titles of the three complement tabs, held in
// session().TitresOnglets[1..3]: the boxes open on them, "Ok" writes the
// boxes back as typed. No cancel button: closing from the frame keeps the
// titles, and Escape does nothing. The caller saves afterwards, however the
// window closed.
class FrmOnglets : public FenetreComplement
{
    Q_OBJECT
public:
    explicit FrmOnglets(QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click(); // "Ok"

private:
    std::array<QLineEdit*, 3> m_text1{};
};

} // namespace pava
