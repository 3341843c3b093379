#include "complements/FrmSaisieActeComp.h"

#include "complements/FrmAutresComplements.h"
#include "session/Session.h"
#include "ui/Dialogues.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pava {

FrmSaisieActeComp::FrmSaisieActeComp(QWidget* parent) : FenetreComplement(parent)
{
    setObjectName(QStringLiteral("FrmSaisieActeComp"));
    setWindowTitle(QStringLiteral("Saisir les données de l'acte complémentaire"));
    setMinimumWidth(520);

    auto* shape1 = new QFrame;
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setFrameShape(QFrame::StyledPanel);
    auto* cadre = new QVBoxLayout(shape1);
    m_text1 = zoneTexte(QStringLiteral("Text1"));
    m_text2 = zoneTexte(QStringLiteral("Text2"));
    m_text3 = zoneTexte(QStringLiteral("Text3"));
    auto* command3 =
        bouton(QStringLiteral("Command3"), QStringLiteral("Importer la cotation CCAM en cours"));
    command3->setStyleSheet(QStringLiteral("QPushButton { padding: 1px 8px; }"));
    cadre->addWidget(etiquette(QStringLiteral("Label1_0"),
                               QStringLiteral("Saisir le libellé de l'acte complémentaire")));
    cadre->addWidget(m_text1);
    cadre->addSpacing(6);
    cadre->addWidget(etiquette(QStringLiteral("Label1_1"),
                               QStringLiteral("Saisir la cotation CCAM de l'acte complémentaire")));
    cadre->addWidget(m_text2);
    cadre->addWidget(command3);
    cadre->addSpacing(6);
    cadre->addWidget(etiquette(QStringLiteral("Label1_2"),
                               QStringLiteral("Saisir la cotation NGAP de l'acte complémentaire")));
    cadre->addWidget(m_text3);

    QLabel* pourquoi = explication();
    protegeChamp(m_text1, pourquoi);
    protegeChamp(m_text2, pourquoi, true);
    protegeChamp(m_text3, pourquoi, true);

    auto* command1 = bouton(QStringLiteral("Command1"), QStringLiteral("&Annuler"));
    auto* command4 = bouton(QStringLiteral("Command4"), QStringLiteral("Autres compléments"));
    auto* command2 = bouton(QStringLiteral("Command2"), QStringLiteral("&Ok"));
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(command1);
    boutons->addStretch(1);
    boutons->addWidget(command4);
    boutons->addStretch(1);
    boutons->addWidget(command2);

    auto* principal = new QVBoxLayout(this);
    principal->addWidget(shape1);
    principal->addWidget(pourquoi);
    principal->addLayout(boutons);

    setBoutonAnnulation(command1);
    connect(command1, &QPushButton::clicked, this, &FrmSaisieActeComp::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &FrmSaisieActeComp::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &FrmSaisieActeComp::Command3_Click);
    connect(command4, &QPushButton::clicked, this, &FrmSaisieActeComp::Command4_Click);
    Form_Load();
}

void FrmSaisieActeComp::Form_Load()
{
    const Session& s = session();
    m_text1->setText(s.LibelleComplement);
    m_text2->setText(s.CotationCCAMComplement);
    m_text3->setText(s.CotationNGAPComplement);
}

void FrmSaisieActeComp::Command2_Click()
{
    // The explanation line says why a "," stops the validation.
    for (QLineEdit* zone : {m_text2, m_text3}) {
        if (zone->text().contains(QLatin1Char(','))) {
            QApplication::beep();
            zone->setFocus();
            return;
        }
    }
    Session& s = session();
    s.ComplementValide = true;
    s.LibelleComplement = m_text1->text();
    s.CotationCCAMComplement = m_text2->text().trimmed().toUpper();
    s.CotationNGAPComplement = m_text3->text();
    accept();
}

void FrmSaisieActeComp::Command1_Click()
{
    session().ComplementValide = false;
    reject();
}

void FrmSaisieActeComp::Command3_Click()
{
    // The coding being built in the workspace: how a complement gets a CCAM
    // coding made with the workspace's usual tools.
    m_text2->setText(session().CotationRetour);
}

void FrmSaisieActeComp::Command4_Click()
{
    FrmAutresComplements montants(m_text2, this);
    ui::execModal(&montants);
}

} // namespace pava
