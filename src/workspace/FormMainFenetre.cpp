// The workspace window's controls: its two tabs, their grids bound to the
// data controls, the message and entry panels. Handlers are in the other
// FormMain*.cpp files.
#include "workspace/FormMain.h"

#include "db/DataControl.h"
#include "ui/Fenetres.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

namespace pava {

namespace {

const QString kTipTri =
    QStringLiteral(" Cliquer sur le titre de la colonne pour trier le tableau ");

// Composed-act names are stored with their apostrophes doubled (so that they
// can stand in a criterion); the user always sees them with single ones.
class ApostrophesSimples : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        QVariant v = QIdentityProxyModel::data(index, role);
        if ((role == Qt::DisplayRole || role == Qt::ToolTipRole) && index.column() == 0 &&
            v.typeId() == QMetaType::QString)
            return v.toString().replace(QStringLiteral("''"), QStringLiteral("'"));
        return v;
    }
};

// Caption bar above a grid, as the grids of the desktop version had.
QLabel* titreGrille(const QString& grille, const QString& texte)
{
    auto* l = ui::etiquette(grille + QStringLiteral("_titre"), texte);
    l->setAlignment(Qt::AlignCenter);
    l->setStyleSheet(QStringLiteral("QLabel { background: palette(dark); color: palette(light);"
                                    " font-weight: bold; padding: 3px; }"));
    return l;
}

QTableView* grille(const QString& nom, const QString& tip = QString())
{
    auto* g = new QTableView;
    g->setObjectName(nom);
    // The sorting hint belongs to the column titles; a cell's tip is its own
    // text, whole.
    if (!tip.isEmpty())
        g->horizontalHeader()->setToolTip(tip);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setAlternatingRowColors(true);
    g->setWordWrap(false);
    // CCAM labels of one family share their beginning ("Parage et/ou suture
    // d'une plaie superficielle de la peau…") and differ at the end (the
    // size, the place): a label too long for its column keeps both ends.
    g->setTextElideMode(Qt::ElideMiddle);
    g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 6);
    g->verticalHeader()->setMinimumWidth(18);
    g->horizontalHeader()->setSectionsClickable(true);
    g->horizontalHeader()->setHighlightSections(false);
    g->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return g;
}

// Keeps the current row of a view and of its data control the same, both ways.
void lier(QTableView* vue, QAbstractItemModel* modele, DataControl* controle)
{
    // While rows go away the view moves its own current row about; the data
    // control decides where it stands after a deletion, not the view. These
    // connections come before the view's own so that they run first.
    auto retrait = std::make_shared<bool>(false);
    QObject::connect(modele, &QAbstractItemModel::rowsAboutToBeRemoved, vue,
                     [retrait] { *retrait = true; });
    QObject::connect(modele, &QAbstractItemModel::rowsRemoved, vue,
                     [retrait] { *retrait = false; });
    vue->setModel(modele);
    QObject::connect(vue->selectionModel(), &QItemSelectionModel::currentRowChanged, controle,
                     [controle, retrait](const QModelIndex& courant) {
                         if (!*retrait && courant.isValid() &&
                             courant.row() != controle->currentRow())
                             controle->setCurrentRow(courant.row());
                     });
    auto suivre = [vue, modele, controle] {
        const int ligne = controle->currentRow();
        QItemSelectionModel* sel = vue->selectionModel();
        if (ligne < 0) {
            // No current row, visibly: a click on any row makes one again.
            sel->clearCurrentIndex();
            sel->clearSelection();
            return;
        }
        if (sel->currentIndex().row() == ligne && sel->isRowSelected(ligne, QModelIndex()))
            return;
        const QModelIndex i = modele->index(ligne, 0);
        sel->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        vue->scrollTo(i);
    };
    QObject::connect(controle, &DataControl::repositioned, vue, suivre);
    QObject::connect(modele, &QAbstractItemModel::modelReset, vue, suivre);
}

} // namespace

void FormMain::construireFenetre()
{
    setWindowTitle(QStringLiteral("Sélectionner les cotations CCAM"));
    setSizeGripEnabled(true);
    // Above the host's windows as soon as it shows. Setting the level before
    // showing matters: changing it on a window already shown re-creates the
    // window, which would end the host's modal wait at once.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setMinimumSize(640, 420);
    resize(900, 600);

    auto* principal = new QVBoxLayout(this);
    principal->setContentsMargins(8, 8, 8, 8);

    m_bandeau = ui::etiquette(QStringLiteral("BandeauErreur"), QString());
    m_bandeau->setWordWrap(true);
    m_bandeau->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bandeau->setStyleSheet(QStringLiteral("QLabel { background: #fde2e1; color: #7a1410;"
                                            " border: 1px solid #e0a09c; padding: 6px; }"));
    m_bandeau->hide();
    principal->addWidget(m_bandeau);

    m_ssTab1 = new QTabWidget;
    m_ssTab1->setObjectName(QStringLiteral("SSTab1"));
    m_ssTab1->addTab(construireOngletCcam(), QStringLiteral("CCAM"));
    m_ssTab1->addTab(construireOngletComposes(), QStringLiteral("Actes composés"));
    principal->addWidget(m_ssTab1, 1);

    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    auto* valider = ui::bouton(QStringLiteral("ButtonOk"), QStringLiteral("&Valider"));
    auto* annuler = ui::bouton(QStringLiteral("Command1"), QStringLiteral("&Annuler"));
    valider->setMinimumWidth(110);
    annuler->setMinimumWidth(110);
    bas->addWidget(valider);
    bas->addWidget(annuler);
    principal->addLayout(bas);
    connect(valider, &QPushButton::clicked, this, &FormMain::ButtonOk_Click);
    connect(annuler, &QPushButton::clicked, this, &FormMain::Command1_Click);

    construirePanneaux();
    // The user starts in the habitual codings, arrows ready.
    m_dbGrid1->setFocus();
}

QWidget* FormMain::construireOngletCcam()
{
    auto* onglet = new QWidget;
    auto* grille2col = new QHBoxLayout(onglet);

    // Habitual codings.
    auto* gauche = new QVBoxLayout;
    gauche->setSpacing(0);
    gauche->addWidget(
        titreGrille(QStringLiteral("DBGrid1"), QStringLiteral("Cotations habituelles")));
    m_dbGrid1 = grille(QStringLiteral("DBGrid1"), kTipTri);
    lier(m_dbGrid1, m_ccammdb[0], m_ccammdb[0]);
    m_dbGrid1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_dbGrid1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    gauche->addWidget(m_dbGrid1, 1);
    auto* boutons1 = new QHBoxLayout;
    boutons1->setContentsMargins(0, 6, 0, 0);
    auto* ajout1 = ui::bouton(QStringLiteral("Ajout1"), QStringLiteral("Ajouter"),
                              QStringLiteral("Ajouter une cotation"));
    auto* supprimer2 = ui::bouton(QStringLiteral("Supprimer2"), QStringLiteral("Supprimer"),
                                  QStringLiteral("Supprimer une cotation"));
    boutons1->addWidget(ajout1);
    boutons1->addWidget(supprimer2);
    boutons1->addStretch(1);
    gauche->addLayout(boutons1);
    grille2col->addLayout(gauche, 4);
    connect(ajout1, &QPushButton::clicked, this, &FormMain::Ajout1_Click);
    connect(supprimer2, &QPushButton::clicked, this, &FormMain::Supprimer2_Click);
    // A double-click, or Enter from the keyboard, opens the act window.
    connect(m_dbGrid1, &QTableView::activated, this, &FormMain::DBGrid1_DblClick);
    connect(m_dbGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &FormMain::DBGrid1_HeadClick);

    // Coding list, totals, composed-act shortcut and complement.
    auto* droite = new QVBoxLayout;
    droite->setSpacing(0);
    droite->addWidget(titreGrille(QStringLiteral("DBGrid2"), QStringLiteral("Actes sélectionnés")));
    m_dbGrid2 = grille(QStringLiteral("DBGrid2"), kTipTri);
    lier(m_dbGrid2, m_ccammdb[1], m_ccammdb[1]);
    // A token is always 14 characters: its column shows it whole.
    m_dbGrid2->setColumnWidth(
        0, m_dbGrid2->fontMetrics().horizontalAdvance(QStringLiteral("WWWW00010_WWW1")) + 12);
    for (int c : {2, 3})
        m_dbGrid2->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    m_dbGrid2->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    droite->addWidget(m_dbGrid2, 1);

    auto* ligneTotaux = new QHBoxLayout;
    ligneTotaux->setContentsMargins(0, 6, 0, 0);
    auto* supprimer1 = ui::bouton(QStringLiteral("Supprimer1"), QStringLiteral("Supprimer"),
                                  QStringLiteral("Supprimer une cotation"));
    ligneTotaux->addWidget(supprimer1);
    ligneTotaux->addStretch(1);
    ligneTotaux->addWidget(ui::etiquette(QStringLiteral("Label1"), QStringLiteral("Total : ")));
    for (int i = 0; i < 2; ++i) {
        m_lblTotal[i] = ui::etiquette(QStringLiteral("lblTotal_%1").arg(i), QStringLiteral("0.00"));
        m_lblTotal[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_lblTotal[i]->setMinimumWidth(90);
        m_lblTotal[i]->setFrameShape(QFrame::StyledPanel);
        m_lblTotal[i]->setFrameShadow(QFrame::Sunken);
        ligneTotaux->addWidget(m_lblTotal[i]);
    }
    droite->addLayout(ligneTotaux);
    m_montantRendu = ui::etiquette(QStringLiteral("MontantRendu"), QString());
    m_montantRendu->setAlignment(Qt::AlignRight);
    // Its note on amounts typed in the complement is a sentence: wrapped, it
    // never widens the column at the expense of the habitual codings.
    m_montantRendu->setWordWrap(true);
    m_montantRendu->hide();
    droite->addWidget(m_montantRendu);
    connect(supprimer1, &QPushButton::clicked, this, &FormMain::Supprimer1_Click);

    auto* ligneCompose = new QHBoxLayout;
    ligneCompose->setContentsMargins(0, 6, 0, 0);
    m_command2 = ui::bouton(QStringLiteral("Command2"), QStringLiteral("+"),
                            QStringLiteral("Enregistrer ces actes comme un acte composé"));
    m_command2->setFixedWidth(32);
    m_label5 = ui::etiquette(QStringLiteral("Label5"),
                             QStringLiteral("<- Enregistrer ces actes comme un acte composé"));
    m_command2->hide();
    m_label5->hide();
    connect(m_command2, &QPushButton::clicked, this, &FormMain::Command2_Click);
    ligneCompose->addWidget(m_command2);
    ligneCompose->addWidget(m_label5);
    ligneCompose->addStretch(1);
    droite->addLayout(ligneCompose);

    auto* complement = new QGridLayout;
    complement->setContentsMargins(0, 8, 0, 0);
    complement->setHorizontalSpacing(8);
    complement->addWidget(ui::etiquette(QStringLiteral("Label10"), QStringLiteral("Complément :")),
                          0, 0);
    complement->addWidget(ui::etiquette(QStringLiteral("Label11_1"), QStringLiteral("CCAM")), 0, 1);
    m_cCCAM = ui::zoneTexte(QStringLiteral("cCCAM"));
    complement->addWidget(m_cCCAM, 0, 2);
    complement->addWidget(ui::etiquette(QStringLiteral("Label11_0"), QStringLiteral("NGAP")), 0, 3);
    m_cNGAP = ui::zoneTexte(QStringLiteral("cNGAP"));
    complement->addWidget(m_cNGAP, 0, 4);
    auto* command7 = ui::bouton(
        QStringLiteral("Command7"), QStringLiteral("..."),
        QStringLiteral("Cliquer ici pour ajouter un acte CCAM et/ou NGAP complémentaire"));
    command7->setMaximumWidth(40);
    complement->addWidget(command7, 0, 5);
    connect(command7, &QPushButton::clicked, this, &FormMain::Command7_Click);
    m_lCCAM = ui::etiquette(QStringLiteral("lCCAM"), QString());
    m_lCCAM->setWordWrap(true);
    complement->addWidget(m_lCCAM, 1, 1, 1, 5);
    complement->addWidget(ui::virgulesControlees(m_cCCAM), 2, 1, 1, 5);
    connect(m_cCCAM, &QLineEdit::textChanged, this, &FormMain::majMontantRendu);
    complement->addWidget(ui::virgulesControlees(m_cNGAP), 3, 1, 1, 5);
    complement->setColumnStretch(2, 2);
    complement->setColumnStretch(4, 1);
    droite->addLayout(complement);

    grille2col->addLayout(droite, 5);
    return onglet;
}

QWidget* FormMain::construireOngletComposes()
{
    auto* onglet = new QWidget;
    auto* colonne = new QVBoxLayout(onglet);
    colonne->setSpacing(0);
    colonne->addWidget(
        titreGrille(QStringLiteral("DBGrid3"), QStringLiteral("Actes et associations")));
    m_dbGrid3 = grille(QStringLiteral("DBGrid3"), kTipTri);
    auto* affichage = new ApostrophesSimples(this);
    affichage->setSourceModel(m_ccammdb[2]);
    lier(m_dbGrid3, affichage, m_ccammdb[2]);
    m_dbGrid3->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_dbGrid3->horizontalHeader()->setStretchLastSection(true);
    m_dbGrid3->setColumnWidth(0, 380);
    colonne->addWidget(m_dbGrid3, 1);
    // Only a double-click validates: Enter on a reopened tab must not hand the
    // composed act in front to the host unasked.
    connect(m_dbGrid3, &QTableView::doubleClicked, this, &FormMain::DBGrid3_DblClick);
    // The right button renames the composed act pressed on, as "Modifier" does.
    ui::surClicDroit(m_dbGrid3->viewport(), [this](const QPoint& p) {
        if (const QModelIndex i = m_dbGrid3->indexAt(p); i.isValid())
            m_dbGrid3->setCurrentIndex(i);
        Command6_Click();
    });
    connect(m_dbGrid3->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &FormMain::DBGrid3_HeadClick);

    auto* boutons = new QHBoxLayout;
    boutons->setContentsMargins(0, 6, 0, 0);
    m_command3 = ui::bouton(QStringLiteral("Command3"), QStringLiteral("Supprimer"),
                            QStringLiteral("Supprimer un acte"));
    auto* command6 = ui::bouton(QStringLiteral("Command6"), QStringLiteral("Modifier"),
                                QStringLiteral("Modifier le libellé d'un acte"));
    boutons->addWidget(m_command3);
    boutons->addWidget(command6);
    connect(m_command3, &QPushButton::clicked, this, &FormMain::Command3_Click);
    connect(command6, &QPushButton::clicked, this, &FormMain::Command6_Click);
    boutons->addStretch(1);
    colonne->addLayout(boutons);

    m_frame1 =
        new QGroupBox(QStringLiteral("Êtes-vous sûr de vouloir supprimer l'acte suivant : "));
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    auto* f1 = new QHBoxLayout(m_frame1);
    m_label6 = ui::etiquette(QStringLiteral("Label6"), QString());
    f1->addWidget(m_label6, 1);
    for (int i = 0; i < 2; ++i) {
        auto* b = ui::bouton(QStringLiteral("Command5_%1").arg(i),
                             i == 0 ? QStringLiteral("&Oui") : QStringLiteral("&Non"));
        connect(b, &QPushButton::clicked, this, [this, i] { Command5_Click(i); });
        f1->addWidget(b);
    }
    m_frame1->hide();
    colonne->addSpacing(6);
    colonne->addWidget(m_frame1);
    return onglet;
}

void FormMain::construirePanneaux()
{
    // Message panel.
    const ui::PanneauQuestion question = ui::panneauQuestion(
        this, QString(),
        {QStringLiteral("&Oui"), QStringLiteral("&Non"), QStringLiteral("&Retour")},
        [this](int i) { Command4_Click(i); });
    m_picture1 = question.panneau;
    m_label3 = question.texte;
    m_command4 = question.boutons;

    // Entry panel for a new composed act.
    m_picture2 = new QFrame(this);
    m_picture2->setObjectName(QStringLiteral("Picture2"));
    m_picture2->setFrameShape(QFrame::StyledPanel);
    m_picture2->setAutoFillBackground(true);
    {
        auto* externe = new QHBoxLayout(m_picture2);
        auto* l = new QVBoxLayout;
        l->addStretch(1);
        l->addWidget(ui::etiquette(QStringLiteral("Label7"),
                                   QStringLiteral("Veuillez saisir le nom de l'acte :")));
        m_text1 = ui::zoneTexte(QStringLiteral("Text1"));
        l->addWidget(m_text1);
        l->addSpacing(10);
        l->addWidget(ui::etiquette(
            QStringLiteral("Label8"),
            QStringLiteral("et une éventuelle cotation NGAP complémentaire (ex MTO ou K8+MTO)")));
        auto* ngap = new QHBoxLayout;
        m_text2 = ui::zoneTexte(QStringLiteral("Text2"));
        ngap->addWidget(m_text2, 1);
        ngap->addWidget(ui::etiquette(QStringLiteral("Label9"),
                                      QStringLiteral("NB : cette cotation DOIT être valide")));
        l->addLayout(ngap);
        l->addWidget(ui::virgulesControlees(m_text2));
        l->addSpacing(10);
        // The "&&" shows one "&": the label names its box, as mnemonics do.
        m_text3 = ui::zoneTexte(QStringLiteral("Text3"));
        auto* label12 = ui::etiquette(
            QStringLiteral("Label12"),
            QStringLiteral("enfin, si nécessaire, une valeur totale (=xx), un dépassement (&&xx) "
                           "ou un acte hors nomenclature ($xx)"));
        label12->setTextFormat(Qt::PlainText);
        label12->setWordWrap(true);
        label12->setBuddy(m_text3);
        l->addWidget(label12);
        l->addWidget(m_text3);
        l->addWidget(ui::virgulesControlees(m_text3));
        l->addSpacing(16);
        auto* boutons = new QHBoxLayout;
        boutons->addStretch(1);
        auto* ok = ui::bouton(QStringLiteral("CommandOK"), QStringLiteral("&Ok"));
        auto* annule = ui::bouton(QStringLiteral("CommandAnnule"), QStringLiteral("&Annuler"));
        connect(ok, &QPushButton::clicked, this, &FormMain::CommandOK_Click);
        connect(annule, &QPushButton::clicked, this, &FormMain::CommandAnnule_Click);
        boutons->addWidget(ok);
        boutons->addWidget(annule);
        l->addLayout(boutons);
        l->addStretch(1);
        externe->addStretch(1);
        externe->addLayout(l, 4);
        externe->addStretch(1);
    }
    ui::suivreTaille(m_picture2);
    ui::placePanneau(m_picture2, false);
}

} // namespace pava
