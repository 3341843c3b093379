#include "complements/FrmAutresComplements.h"

#include "coding/Cotation.h"
#include "practice/RegleComplements.h"
#include "ui/Dialogues.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pava {

namespace {

const char* const kLibelles[3] = {
    "Définir le montant total de l'acte :",
    "Définir le montant du dépassement :",
    "Ajouter un acte Hors-Nomenclature :",
};
// The same boxes, as a message names them.
const char* const kBoites[3] = {"montant total", "dépassement", "acte hors nomenclature"};

const QString kAideMontants = QStringLiteral(
    "Ces compléments permettent de définir le montant des actes, nomenclaturés ou non et des "
    "dépassements \n\n"
    "Il est possible de : \n"
    "    1°) Définir le montant total de l'acte, y compris le dépassement d'honoraires\n"
    "    2°) Définir le montant de dépassement à ajouter au montant opposable\n"
    "    3°) Définir le montant d'un acte hors nomenclature éffectué au cours de l'acte "
    "médical\n"
    "\n"
    "Les 2 premières options s'excluent l'une l'autre, mais il est toujours possible d'ajouter "
    "un acte HN.\n");

} // namespace

FrmAutresComplements::FrmAutresComplements(QLineEdit* cotation, QWidget* parent)
    : FenetreComplement(parent), m_cotation(cotation)
{
    setObjectName(QStringLiteral("FrmAutresComplements"));
    setWindowTitle(QStringLiteral("Autres compléments..."));

    auto* grille = new QGridLayout;
    grille->setHorizontalSpacing(12);
    for (int i = 0; i < 3; ++i) {
        m_text1[i] = zoneTexte(QStringLiteral("Text1_%1").arg(i));
        m_text1[i]->setMaximumWidth(120);
        grille->addWidget(
            etiquette(QStringLiteral("Label1_%1").arg(i), QString::fromUtf8(kLibelles[i])), i, 0);
        grille->addWidget(m_text1[i], i, 1);
    }

    auto* command1 = bouton(QStringLiteral("Command1"), QStringLiteral("Suite"));
    command1->setDefault(true);
    auto* command2 = bouton(QStringLiteral("Command2"), QStringLiteral("Aide"));
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(command2);
    boutons->addStretch(1);
    boutons->addWidget(command1);

    auto* principal = new QVBoxLayout(this);
    principal->addLayout(grille);
    principal->addSpacing(8);
    principal->addLayout(boutons);

    connect(command1, &QPushButton::clicked, this, &FrmAutresComplements::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &FrmAutresComplements::Command2_Click);
    Form_Load();
}

void FrmAutresComplements::Form_Load()
{
    if (m_cotation)
        AfficheMontants(m_cotation->text());
}

void FrmAutresComplements::AfficheMontants(const QString& cotation)
{
    const SuffixesMontant s = lireMontants(cotation);
    m_text1[0]->setText(s.total);
    m_text1[1]->setText(s.depassement);
    m_text1[2]->setText(s.horsNomenclature);
}

void FrmAutresComplements::Command1_Click()
{
    for (int i = 0; i < 3; ++i) {
        if (complements::montantLisible(m_text1[i]->text()))
            continue;
        ui::message(this, QMessageBox::Warning, QStringLiteral("Autres compléments"),
                    QStringLiteral("« %1 » (%2) n'est pas un montant : corrigez-le, par exemple "
                                   "45,50 ou 45.50.")
                        .arg(m_text1[i]->text(), QString::fromUtf8(kBoites[i])));
        m_text1[i]->setFocus();
        m_text1[i]->selectAll();
        return;
    }
    if (m_cotation)
        m_cotation->setText(complements::suiteMontants(m_cotation->text(), m_text1[0]->text(),
                                                       m_text1[1]->text(), m_text1[2]->text()));
    accept();
}

void FrmAutresComplements::Command2_Click()
{
    ui::message(this, QMessageBox::Question, QStringLiteral("Aide"), kAideMontants);
}

} // namespace pava
