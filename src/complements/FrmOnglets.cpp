#include "complements/FrmOnglets.h"

#include "session/Session.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pava {

FrmOnglets::FrmOnglets(QWidget* parent) : FenetreComplement(parent)
{
    setObjectName(QStringLiteral("FrmOnglets"));
    setWindowTitle(QStringLiteral("Saisir l'intitulé des onglets"));
    setMinimumWidth(380);

    auto* principal = new QVBoxLayout(this);
    QLabel* pourquoi = explication();
    for (int i = 0; i < 3; ++i) {
        m_text1[i] = zoneTexte(QStringLiteral("Text1_%1").arg(i));
        protegeChamp(m_text1[i], pourquoi);
        if (i > 0)
            principal->addSpacing(6);
        principal->addWidget(
            etiquette(QStringLiteral("Label1_%1").arg(i), QStringLiteral("Onglet %1").arg(i + 1)));
        principal->addWidget(m_text1[i]);
    }
    principal->addWidget(pourquoi);

    auto* command1 = bouton(QStringLiteral("Command1"), QStringLiteral("Ok"));
    command1->setMinimumWidth(90);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(command1);
    principal->addSpacing(6);
    principal->addLayout(boutons);

    connect(command1, &QPushButton::clicked, this, &FrmOnglets::Command1_Click);
    Form_Load();
}

void FrmOnglets::Form_Load()
{
    for (int i = 0; i < 3; ++i)
        m_text1[i]->setText(session().TitresOnglets[i + 1]);
}

void FrmOnglets::Command1_Click()
{
    for (int i = 0; i < 3; ++i)
        session().TitresOnglets[i + 1] = m_text1[i]->text();
    accept();
}

} // namespace pava
