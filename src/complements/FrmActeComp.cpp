#include "complements/FrmActeComp.h"

#include "complements/FrmOnglets.h"
#include "complements/FrmSaisieActeComp.h"
#include "practice/FichiersComplements.h"
#include "practice/RegleComplements.h"
#include "session/Session.h"
#include "ui/Dialogues.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pava {

using complements::kEmplacements;
using complements::kOnglets;
using complements::tableOnglet;

namespace {

const char* const kTitresIntegres[kOnglets] = {
    "Actes complémentaires par défaut",
    "Actes complémentaires Radiologie",
    "Actes complémentaires Rhumatologie",
};

const QString kAideCatalogue = QStringLiteral(
    "Une cotation complémentaire est une cotation répétitive qui vient s'ajouter régulièrement "
    "aux actes habituels.      \n\n"
    "Pour créer un acte complémentaire\n"
    "    1°) Créer de façon habituelle la cotation CCAM de ce complément dans la fenêtre "
    "précédente\n"
    "    2°) Cliquer sur 'modifier' en regard de la cotation à créer/modifier\n"
    "    3°) Saisir le libéllé de la cotation complémentaire\n"
    "    4°) Saisir si nécessaire la cotation CCAM de cet acte (si vous l'avez créée dans la "
    "fenêtre précédente,\n"
    "        il est possible de l'importer)\n"
    "    5°) Saisir si nécessaire la cotation NGAP de cet acte et éventuellement l'indicateur de "
    "parcours de soins\n"
    "        (Cette saisie doit être valide en regard de la réglementation)\n"
    "    6°) Cliquer sur OK\n"
    "Vous pouvez cocher plusieurs cotations complémenatires, elles s'ajouteront entre elles.\n");

const char* const kProprieteOnglet = "onglet";
const char* const kProprieteIndex = "index";

// A slot's text cut with "…" at the row's edge rather than clipped; text()
// and the tip keep it whole.
class TexteCoupe : public QLabel
{
public:
    TexteCoupe() { setTextFormat(Qt::PlainText); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRect r = contentsRect();
        style()->drawItemText(&p, r, int(alignment()), palette(), isEnabled(),
                              fontMetrics().elidedText(text(), Qt::ElideRight, r.width()),
                              foregroundRole());
    }
};

// A tab caption shows "&" as a mnemonic unless it is doubled.
QString texteOnglet(const QString& titre)
{
    return QString(titre).replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

FrmActeComp::FrmActeComp(QWidget* parent) : FenetreComplement(parent)
{
    setObjectName(QStringLiteral("FrmActeComp"));
    setWindowTitle(QStringLiteral("Saisie d'un acte CCAM et/ou NGAP complémentaire"));
    resize(800, 470);

    m_ssTab1 = new QTabWidget;
    m_ssTab1->setObjectName(QStringLiteral("SSTab1"));
    // Long titles are cut rather than scrolled, so the three tabs stay in view.
    m_ssTab1->setUsesScrollButtons(false);
    m_ssTab1->setElideMode(Qt::ElideRight);
    for (int k = 1; k <= kOnglets; ++k)
        m_ssTab1->addTab(construireOnglet(k), QString::fromUtf8(kTitresIntegres[k - 1]));

    auto* command2 = bouton(QStringLiteral("Command2"), QStringLiteral("&Ok"));
    auto* command1 = bouton(QStringLiteral("Command1"), QStringLiteral("&Annuler"));
    auto* command3 =
        bouton(QStringLiteral("Command3"), QStringLiteral("Changer l'intitulé des Onglets"));
    auto* command4 = bouton(QStringLiteral("Command4"), QStringLiteral("Aide"));
    for (QPushButton* b : {command2, command1})
        b->setMinimumWidth(100);
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(command2);
    boutons->addWidget(command1);
    boutons->addStretch(1);
    boutons->addWidget(command3);
    boutons->addWidget(command4);

    auto* principal = new QVBoxLayout(this);
    principal->addWidget(m_ssTab1, 1);
    principal->addLayout(boutons);

    setBoutonAnnulation(command1);
    connect(command1, &QPushButton::clicked, this, &FrmActeComp::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &FrmActeComp::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &FrmActeComp::Command3_Click);
    connect(command4, &QPushButton::clicked, this, &FrmActeComp::Command4_Click);
    Form_Load();
}

QWidget* FrmActeComp::construireOnglet(int onglet)
{
    auto* page = new QWidget;
    auto* rangees = new QVBoxLayout(page);
    rangees->setSpacing(4);
    rangees->setContentsMargins(6, 6, 6, 6);
    const QString k = QString::number(onglet);
    for (int i = 0; i < kEmplacements; ++i) {
        const QString suffixe = k + QLatin1Char('_') + QString::number(i);
        auto* shape = new QFrame;
        shape->setObjectName(QStringLiteral("Shape") + suffixe);
        shape->setFrameShape(QFrame::StyledPanel);
        auto* grille = new QGridLayout(shape);
        grille->setContentsMargins(6, 4, 6, 4);
        grille->setVerticalSpacing(2);

        Ligne& l = m_lignes[onglet - 1][i];
        l.check = new QCheckBox;
        l.check->setObjectName(QStringLiteral("Check") + suffixe);
        l.libelle = new TexteCoupe;
        l.ccam = new TexteCoupe;
        l.ngap = new TexteCoupe;
        l.libelle->setObjectName(QStringLiteral("lLib") + suffixe);
        l.ccam->setObjectName(QStringLiteral("CCAM") + suffixe);
        l.ngap->setObjectName(QStringLiteral("NGAP") + suffixe);
        QFont gras = l.libelle->font();
        gras.setBold(true);
        l.libelle->setFont(gras);
        for (QLabel* texte : {l.libelle, l.ccam, l.ngap}) {
            // Long texts never widen the window.
            texte->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            texte->setCursor(Qt::PointingHandCursor);
            texte->setProperty(kProprieteOnglet, onglet);
            texte->setProperty(kProprieteIndex, i);
            texte->installEventFilter(this);
        }
        auto* modif = bouton(QStringLiteral("Modif") + suffixe, QStringLiteral("Modifier"));
        connect(modif, &QPushButton::clicked, this, [this, onglet, i] { Modif_Click(onglet, i); });

        grille->addWidget(l.check, 0, 0, 2, 1);
        grille->addWidget(l.libelle, 0, 1, 1, 2);
        grille->addWidget(l.ccam, 1, 1);
        grille->addWidget(l.ngap, 1, 2);
        grille->addWidget(modif, 0, 3, 2, 1, Qt::AlignVCenter);
        grille->setColumnStretch(1, 3);
        grille->setColumnStretch(2, 2);
        rangees->addWidget(shape);
    }
    rangees->addStretch(1);
    return page;
}

void FrmActeComp::Form_Load()
{
    QString anomalie;
    GetActeComplementaire(&anomalie);
    RemplirActeComplementaire();
    if (!anomalie.isEmpty())
        ui::message(this, QMessageBox::Warning, QStringLiteral("Actes complémentaires"),
                    QStringLiteral("Des fichiers d'actes complémentaires sont refusés ; leurs "
                                   "onglets sont affichés vides :\n\n%1")
                        .arg(anomalie));
}

void FrmActeComp::RemplirActeComplementaire()
{
    const Session& s = session();
    for (int k = 1; k <= kOnglets; ++k) {
        // An empty title leaves the caption as it is: the built-in one, or
        // the one shown before the title was emptied.
        if (!s.TitresOnglets[k].isEmpty())
            m_ssTab1->setTabText(k - 1, texteOnglet(s.TitresOnglets[k]));
        const TableComplements& table = tableOnglet(k);
        for (int i = 0; i < kEmplacements; ++i) {
            const Ligne& l = m_lignes[k - 1][i];
            QLabel* const textes[3] = {l.libelle, l.ccam, l.ngap};
            for (int c = 0; c < 3; ++c) {
                textes[c]->setText(table[i + 1][c + 1]);
                textes[c]->setToolTip(table[i + 1][c + 1]);
            }
        }
    }
}

QString FrmActeComp::titreAffiche(int onglet) const
{
    return m_ssTab1->tabText(onglet - 1).replace(QLatin1String("&&"), QLatin1String("&"));
}

bool FrmActeComp::eventFilter(QObject* objet, QEvent* e)
{
    // On the press: a double-click brings one press and two releases, and
    // ticks the slot once.
    if (e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        const QVariant onglet = objet->property(kProprieteOnglet);
        const QVariant index = objet->property(kProprieteIndex);
        if (onglet.isValid() && index.isValid()) {
            lLib_Click(onglet.toInt(), index.toInt());
            return true;
        }
    }
    return FenetreComplement::eventFilter(objet, e);
}

void FrmActeComp::lLib_Click(int onglet, int index)
{
    QCheckBox* c = m_lignes[onglet - 1][index].check;
    c->setChecked(!c->isChecked());
}

void FrmActeComp::Modif_Click(int onglet, int index)
{
    Session& s = session();
    auto& emplacement = tableOnglet(onglet)[index + 1];
    s.LibelleComplement = emplacement[1];
    s.CotationCCAMComplement = emplacement[2];
    s.CotationNGAPComplement = emplacement[3];
    s.ComplementValide = false;
    FrmSaisieActeComp saisie(this);
    ui::execModal(&saisie);
    if (!s.ComplementValide)
        return;
    emplacement[1] = s.LibelleComplement;
    emplacement[2] = s.CotationCCAMComplement;
    emplacement[3] = s.CotationNGAPComplement;
    RemplirActeComplementaire();
    enregistre();
}

void FrmActeComp::Command2_Click()
{
    complements::Coches coches{};
    for (int k = 0; k < kOnglets; ++k)
        for (int i = 0; i < kEmplacements; ++i)
            coches[k][i] = m_lignes[k][i].check->isChecked();
    const complements::TextesComplement t = complements::assembleComplements(coches);
    Session& s = session();
    s.ComplementValide = true;
    s.LibelleComplement = t.libelles;
    s.CotationCCAMComplement = t.ccam;
    s.CotationNGAPComplement = t.ngap;
    accept();
}

void FrmActeComp::Command1_Click()
{
    session().ComplementValide = false;
    reject();
}

void FrmActeComp::Command3_Click()
{
    // The boxes open on the captions shown, built-in ones included, so a
    // first use saves the built-in captions as titles.
    for (int k = 1; k <= kOnglets; ++k)
        session().TitresOnglets[k] = titreAffiche(k);
    FrmOnglets titres(this);
    ui::execModal(&titres);
    RemplirActeComplementaire();
    enregistre();
}

void FrmActeComp::Command4_Click()
{
    ui::message(this, QMessageBox::Question, QStringLiteral("Aide"), kAideCatalogue);
}

void FrmActeComp::enregistre()
{
    QString erreur;
    if (PutActeComplementaire(&erreur))
        return;
    ui::message(this, QMessageBox::Warning, QStringLiteral("Actes complémentaires"),
                QStringLiteral("Les actes complémentaires n'ont pas pu être enregistrés (%1).\n\n"
                               "Les fichiers précédents sont conservés : la modification reste "
                               "affichée dans cette fenêtre mais sera perdue à sa prochaine "
                               "ouverture.")
                    .arg(erreur));
}

} // namespace pava
