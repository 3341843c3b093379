#include "actdetail/GetCCAM.h"

#include "actdetail/ReglesActe.h"
#include "coding/Cotation.h"
#include "coding/Montant.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "practice/TarifCotation.h"
#include "reader/CtlCCAM.h"
#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "session/Session.h"
#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"
#include "srt/TableCcam7.h"
#include "ui/Dialogues.h"
#include "ui/Fenetres.h"
#include "ui/PremierPlan.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace pava {

namespace {

const QStringList kActivites = {
    QStringLiteral("1 : Acte Principal "), QStringLiteral("2 : 2éme geste d'un même acte"),
    QStringLiteral("3 : 3ème geste d'un même acte"), QStringLiteral("4 : Anesthésie"),
    QStringLiteral("5 : Surveillance CEC")};
const QStringList kPhases = {
    QStringLiteral("0 : Acte réalisé en un temps"), QStringLiteral("1 : 1ère phase du traitement"),
    QStringLiteral("2 : 2ème phase du traitement"), QStringLiteral("3 : 3ème phase du traitement"),
    QStringLiteral("4 : 4ème phase du traitement")};
const QStringList kLieux = {QStringLiteral("0 : au cabinet"),
                            QStringLiteral("1 : au domicile du patient"), QStringLiteral("2 :"),
                            QStringLiteral("3 :"), QStringLiteral("4 :")};
const QStringList kRemboursements = {QStringLiteral("N : Pas de remboursement exceptionnel"),
                                     QStringLiteral("O : Remboursement exceptionnel")};
const QString kAucun = QStringLiteral(" (Aucun)");
const QString kPasAssociation = QStringLiteral("0 : Pas d'association");

// Selects the first item showing exactly that text.
void revenirA(QComboBox* liste, const QString& texte)
{
    const int i = liste->findText(texte, Qt::MatchExactly);
    if (i >= 0)
        liste->setCurrentIndex(i);
}

// A list whose drop-down stays within its window: an item wider than that
// is cut at the end, and its tip holds it whole; so does the list's own tip
// for the item chosen.
class ListeBornee : public QComboBox
{
public:
    ListeBornee()
    {
        // The chosen item may be cut in the closed list too.
        connect(this, &QComboBox::currentTextChanged, this,
                [this](const QString& texte) { setToolTip(texte); });
    }

    void showPopup() override
    {
        for (int i = 0; i < count(); ++i)
            setItemData(i, itemText(i), Qt::ToolTipRole);
        QComboBox::showPopup();
        QWidget* cadre = view()->parentWidget();
        const QWidget* fenetre = window();
        if (!cadre || !fenetre)
            return;
        const QRect bornes(fenetre->mapToGlobal(QPoint(0, 0)), fenetre->size());
        QRect r = cadre->geometry();
        r.setWidth(std::max(width(), std::min(r.width(), bornes.width() - 8)));
        if (r.right() > bornes.right())
            r.moveRight(bornes.right());
        if (r.left() < bornes.left())
            r.moveLeft(bornes.left());
        cadre->setGeometry(r);
    }
};

QLabel* libelleDe(QWidget* controle, const QString& texte)
{
    auto* l = new QLabel(texte);
    l->setBuddy(controle);
    return l;
}

} // namespace

GetCCAM::GetCCAM(OuvreurActe* ouvreur, QWidget* parent)
    : QDialog(parent), m_ouvreur(ouvreur), m_usrSrt1(std::make_unique<UsrSrt>()),
      m_ccam1(new CtlCCAM(this))
{
    setObjectName(QStringLiteral("GetCCAM"));
    m_ccam1->setObjectName(QStringLiteral("CCAM1"));
    construireFenetre();
    ui::intercepterTouches(this, [this](int touche) { return Form_KeyDown(touche); });
    Form_Load();
}

GetCCAM::~GetCCAM() = default;

QComboBox* GetCCAM::liste(const QString& nom, const QStringList& elements)
{
    auto* l = new ListeBornee;
    l->setObjectName(nom);
    l->view()->setTextElideMode(Qt::ElideRight);
    l->addItems(elements);
    l->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    l->setMinimumContentsLength(24);
    return l;
}

void GetCCAM::construireFenetre()
{
    setWindowTitle(QStringLiteral("Saisie d'un acte CCAM"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setMinimumWidth(760);

    // Everything under the isolated-act question, disabled while it shows so
    // that no key reaches a control the practitioner cannot see.
    auto* externe = new QVBoxLayout(this);
    externe->setContentsMargins(0, 0, 0, 0);
    m_formulaire = new QWidget;
    m_formulaire->setObjectName(QStringLiteral("Formulaire"));
    externe->addWidget(m_formulaire);
    auto* principal = new QVBoxLayout(m_formulaire);
    auto* grille = new QGridLayout;
    grille->setHorizontalSpacing(8);
    grille->setColumnStretch(1, 1);
    grille->setColumnStretch(3, 1);

    m_code = ui::zoneTexte(QStringLiteral("CodeCCAMInit"));
    m_code->setMaxLength(64);
    m_libelle = ui::zoneTexte(QStringLiteral("LibelleCCAM"));
    // The label can be corrected with the mouse; the keyboard goes from the
    // code straight to the lists.
    m_libelle->setFocusPolicy(Qt::ClickFocus);
    grille->addWidget(libelleDe(m_code, QStringLiteral("Code CCAM :")), 0, 0);
    grille->addWidget(m_code, 0, 1);
    grille->addWidget(libelleDe(m_libelle, QStringLiteral("Libellé :")), 1, 0);
    // A label longer than its box is written whole under it.
    m_libelleComplet = ui::etiquette(QStringLiteral("LibelleComplet"), QString());
    m_libelleComplet->setWordWrap(true);
    m_libelleComplet->setTextFormat(Qt::PlainText);
    m_libelleComplet->hide();
    auto* libelles = new QVBoxLayout;
    libelles->setSpacing(2);
    libelles->addWidget(m_libelle);
    libelles->addWidget(m_libelleComplet);
    grille->addLayout(libelles, 1, 1, 1, 3);
    connect(m_libelle, &QLineEdit::textChanged, this, [this] {
        QTimer::singleShot(0, this, [this] {
            const QString t = m_libelle->text();
            const bool coupe = m_libelle->fontMetrics().horizontalAdvance(t) >
                               m_libelle->contentsRect().width() - 8;
            m_libelleComplet->setText(coupe ? t : QString());
            m_libelleComplet->setVisible(coupe);
            if (!coupe)
                return;
            // A wrapped text does not ask its window for room by itself.
            m_libelleComplet->setFixedHeight(m_libelleComplet->heightForWidth(m_libelle->width()));
            layout()->activate();
            resize(width(), std::max(height(), sizeHint().height()));
        });
    });

    m_activite = liste(QStringLiteral("CodeActiviteCCAM"), kActivites);
    m_phase = liste(QStringLiteral("CodePhaseCCAM"), kPhases);
    grille->addWidget(libelleDe(m_activite, QStringLiteral("Code Activité :")), 2, 0);
    grille->addWidget(m_activite, 2, 1);
    grille->addWidget(libelleDe(m_phase, QStringLiteral("Code Phase :")), 2, 2);
    grille->addWidget(m_phase, 2, 3);
    for (int k = 0; k < 4; ++k) {
        m_modificateurs[k] = liste(QStringLiteral("Modificateur_%1").arg(k));
        grille->addWidget(
            libelleDe(m_modificateurs[k], QStringLiteral("Modificateur %1 :").arg(k + 1)),
            3 + k / 2, (k % 2) * 2);
        grille->addWidget(m_modificateurs[k], 3 + k / 2, (k % 2) * 2 + 1);
    }
    m_association = liste(QStringLiteral("CodeAssociationCCAM"));
    m_lieu = liste(QStringLiteral("CodeLieuCCAM"), kLieux);
    grille->addWidget(libelleDe(m_association, QStringLiteral("Code Association :")), 5, 0);
    grille->addWidget(m_association, 5, 1);
    grille->addWidget(libelleDe(m_lieu, QStringLiteral("Code lieu :")), 5, 2);
    grille->addWidget(m_lieu, 5, 3);
    m_rbtExcept = liste(QStringLiteral("CodeRbstExeptCCAM"), kRemboursements);
    grille->addWidget(libelleDe(m_rbtExcept, QStringLiteral("Remboursement exceptionnel :")), 6, 0);
    grille->addWidget(m_rbtExcept, 6, 1);
    principal->addLayout(grille);

    auto* cadre = new QGroupBox(QStringLiteral("Tarification"));
    cadre->setObjectName(QStringLiteral("Frame3D1"));
    auto* tarification = new QVBoxLayout(cadre);
    auto* ligne = new QHBoxLayout;
    auto* tarif = ui::bouton(QStringLiteral("Tarif"), QStringLiteral("Obtenir le Tarif -> "));
    m_tarif = ui::zoneTexte(QStringLiteral("TarifCCAM"));
    m_tarifReel = ui::zoneTexte(QStringLiteral("TarifCCAMReel"));
    for (QLineEdit* t : {m_tarif, m_tarifReel}) {
        t->setAlignment(Qt::AlignRight);
        t->setMaximumWidth(110);
    }
    m_check1 = new QCheckBox(QStringLiteral("+17.5%"));
    m_check1->setObjectName(QStringLiteral("Check1"));
    ligne->addWidget(tarif);
    ligne->addSpacing(12);
    ligne->addWidget(libelleDe(m_tarif, QStringLiteral("Sécu")));
    ligne->addWidget(m_tarif);
    ligne->addWidget(new QLabel(QStringLiteral("€")));
    ligne->addSpacing(12);
    ligne->addWidget(m_check1);
    ligne->addSpacing(12);
    ligne->addWidget(libelleDe(m_tarifReel, QStringLiteral("Réel")));
    ligne->addWidget(m_tarifReel);
    ligne->addWidget(new QLabel(QStringLiteral("€")));
    ligne->addStretch(1);
    tarification->addLayout(ligne);
    // How the price shown was reached; it changes nothing handed back.
    m_explication = ui::etiquette(QStringLiteral("Explication"), QString());
    m_explication->setWordWrap(true);
    m_explication->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_explication->setMinimumHeight(3 * m_explication->fontMetrics().lineSpacing());
    m_explication->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tarification->addWidget(m_explication);
    principal->addWidget(cadre, 1);

    auto* boutons = new QHBoxLayout;
    m_command3 = ui::bouton(QStringLiteral("Command3"), QStringLiteral("Choisir un autre acte"));
    auto* ok = ui::bouton(QStringLiteral("Command1"), QStringLiteral("&OK"));
    auto* annuler = ui::bouton(QStringLiteral("Command2"), QStringLiteral("&Annuler"));
    ok->setMinimumWidth(100);
    annuler->setMinimumWidth(100);
    boutons->addWidget(m_command3);
    boutons->addStretch(1);
    boutons->addWidget(ok);
    boutons->addWidget(annuler);
    principal->addLayout(boutons);

    connect(tarif, &QPushButton::clicked, this, &GetCCAM::Tarif_Click);
    for (QComboBox* l :
         {m_activite, m_phase, m_modificateurs[0], m_modificateurs[1], m_modificateurs[2],
          m_modificateurs[3], m_association, m_lieu, m_rbtExcept}) {
        connect(l, &QComboBox::currentIndexChanged, this, [this] {
            // Not while the lists are being filled.
            if (m_activationFaite && !m_activationEnCours)
                Tarif_Click();
        });
    }
    connect(m_tarif, &QLineEdit::textChanged, this, &GetCCAM::TarifCCAM_Change);
    connect(m_check1, &QCheckBox::clicked, this, &GetCCAM::Check1_Click);
    connect(ok, &QPushButton::clicked, this, &GetCCAM::Command1_Click);
    connect(annuler, &QPushButton::clicked, this, &GetCCAM::Command2_Click);
    connect(m_command3, &QPushButton::clicked, this, &GetCCAM::Command3_Click);

    // The isolated-act question, covering the window when asked.
    const ui::PanneauQuestion question = ui::panneauQuestion(
        this,
        QStringLiteral(
            "Vous avez coté un premier acte comme acte isolé, voulez vous recommencer ?"),
        {QStringLiteral("&Oui"), QStringLiteral("&Non"),
         QStringLiteral("&Supplément CCAM transitoire")},
        [this](int i) { Command4_Click(i); });
    m_picture1 = question.panneau;
    m_command4Supplement = question.boutons[2];

    // The urgency modifiers already billed in this consultation.
    m_urgence = ui::etiquette(QStringLiteral("Urgence"), QString());
    m_urgence->setWordWrap(true);
    m_urgence->hide();
    grille->addWidget(m_urgence, 7, 0, 1, 4);
}

void GetCCAM::montrerQuestion(bool visible)
{
    ui::placePanneau(m_picture1, visible);
    m_formulaire->setEnabled(!visible);
}

// ------------------------------------------------------------------ loading

void GetCCAM::Form_Load()
{
    Session& s = session();
    if (s.QuestionActeIsole) {
        montrerQuestion(true);
        m_command4Supplement->setVisible(m_code->text().isEmpty());
    } else {
        montrerQuestion(false);
    }
    s.QuestionActeIsole = false;

    m_activite->setCurrentIndex(0);
    m_phase->setCurrentIndex(0);
    m_lieu->setCurrentIndex(0);
    // No exceptional-reimbursement code until the user chooses one.
    m_rbtExcept->setCurrentIndex(-1);
    m_libelle->clear();

    m_ccam1->setIdentificationPraticien(s.IdentPraticien);
    m_ccam1->setPathData(s.CheminData4Session);
    // The acts the practice has coded come first in the chooser.
    m_ccam1->setPathDataRsc(s.CheminDataRsc);
    m_ccam1->setParamTexte(QString());
    if (const std::optional<qint32> specialite = convertirEntier32(s.CodeSpecialitePraticien))
        m_ccam1->setCodeSpecialite(*specialite);
    m_ccam1->setModeLecture(1);

    m_usrSrt1->setPathData(s.CheminData4Session);
    m_usrSrt1->setPathDico(s.CheminDico4Session);
}

bool GetCCAM::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QDialog::event(e);
}

void GetCCAM::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // The activation step runs when the window manager activates the window
    // (the act chooser it may open then takes the keyboard as it should). A
    // display without a window manager never activates it: shown is then as
    // good as activated, a moment later.
    QTimer::singleShot(250, this, [this] {
        if (isVisible())
            Form_Activate();
    });
}

void GetCCAM::Form_Activate()
{
    unsetCursor();
    // An unloaded window is gone for good: an activation arriving after its
    // closing must not bring it back.
    if (m_activationFaite || m_activationEnCours || m_dechargee)
        return;
    // The act chooser below runs its own event loop, which may activate this
    // window again before the step is over.
    m_activationEnCours = true;
    struct Fin
    {
        bool& drapeau;
        ~Fin() { drapeau = false; }
    } fin{m_activationEnCours};

    Session& s = session();
    if (m_code->text().isEmpty()) {
        RetirePremierPlan(this);
        m_ccam1->ChoisirActe();
        m_code->setText(m_ccam1->CodeCCAM().trimmed());
        if (m_code->text().isEmpty()) {
            reject();
            return;
        }
    }
    MetPremierPlan(this);

    s.CheminSRT = LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path"));
    if (s.CheminSRT.isEmpty()) {
        // The workspace checked the profile when it opened; one changed since
        // refuses this act, never the practitioner's whole coding.
        QString texte =
            QStringLiteral("L'acte ne peut pas être tarifé : %1.").arg(anomalieProfil());
        LogErreur(erreur::CheminIntrouvable, texte, QStringLiteral("GetCCAM.Form_Activate"),
                  QStringLiteral("Acte ") + m_code->text());
        ui::message(this, QMessageBox::Warning, QStringLiteral("Saisie d'un acte CCAM"), texte);
        reject();
        return;
    }
    s.CheminSRT = CompleteChemin(s.CheminSRT);

    // The reference writes its codes in capitals; "qzja002" is QZJA002.
    m_code->setText(m_code->text().trimmed().toUpper());
    m_libelle->setText(libelleCcam7(cheminReferenceSrt(s.CheminSRT), m_code->text()));
    // Long labels show from their beginning, whole in the tip.
    m_libelle->setCursorPosition(0);
    m_libelle->setToolTip(m_libelle->text());
    m_usrSrt1->setDateActe(texteDateHeureMaintenant());
    m_code->setText(m_code->text().trimmed());
    const QString code = m_code->text();
    RetirePremierPlan(this);

    const ModificateursProposes proposes = modificateursProposes(
        m_usrSrt1->GetModificateursActe(code), code, s.CodeSpecialitePraticien);
    for (QComboBox* m : m_modificateurs) {
        m->addItem(kAucun);
        m->setCurrentIndex(m->count() - 1);
        m->addItems(proposes.elements);
    }
    if (proposes.selection >= 0 && proposes.selection < m_modificateurs[0]->count())
        m_modificateurs[0]->setCurrentIndex(proposes.selection);
    majUrgence();

    m_association->addItem(kPasAssociation);
    m_association->addItems(associationsProposees(m_usrSrt1->GetCodesAssociation()));
    // A preselection beyond the list (a component without association codes)
    // stays on the first item. When the list already holds an act at full
    // rate, the next one is proposed at "2", the general rule.
    if (s.IndexAssociation >= 0 && s.IndexAssociation < m_association->count())
        m_association->setCurrentIndex(s.IndexAssociation);
    const auto aTauxPlein = [](const QString& j) { return estJeton(j) && j.endsWith(u'1'); };
    if (m_ouvreur && std::ranges::any_of(m_ouvreur->jetonsCodes(), aTauxPlein)) {
        if (const int deux = m_association->findText(QStringLiteral("2"), Qt::MatchStartsWith);
            deux >= 0)
            m_association->setCurrentIndex(deux);
    }

    MetPremierPlan(this);
    m_activationFaite = true;
    // The price shows as soon as the act does, and follows every qualifier.
    Tarif_Click();
}

// ------------------------------------------------------------------ keys

bool GetCCAM::Form_KeyDown(int codeTouche)
{
    // While the question shows, only its buttons answer.
    if (ui::panneauVisible(m_picture1))
        return codeTouche == Qt::Key_F12;
    switch (codeTouche) {
    case Qt::Key_F12:
        Command1_Click();
        return true;
    case Qt::Key_Escape:
        Command2_Click();
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ tariff

JetonActe GetCCAM::jetonAffiche() const
{
    std::array<QString, 4> textes;
    std::array<QStringView, 4> modificateurs;
    for (int k = 0; k < 4; ++k) {
        textes[k] = m_modificateurs[k]->currentText();
        modificateurs[k] = textes[k];
    }
    return JetonActe::depuisListes(m_code->text(), m_activite->currentText(),
                                   m_phase->currentText(), modificateurs,
                                   m_association->currentText());
}

ActeQualifie GetCCAM::acteAffiche() const
{
    return acteQualifie(jetonAffiche(), codeElement(m_lieu->currentText()),
                        codeElement(m_rbtExcept->currentText()));
}

QString GetCCAM::secuCalcule() const
{
    return m_prix.certain() ? texteEuros(m_prix.centimes()) : QString();
}

void GetCCAM::Tarif_Click()
{
    ui::CurseurAttente attente;
    TarificateurSRT tarificateur = tarificateurSession();
    m_prix = tarificateur.Tarifer(acteAffiche(), true);
    m_tarif->setText(secuCalcule());
    TarifCCAM_Change();
}

void GetCCAM::TarifCCAM_Change()
{
    m_tarifReel->setText(tarifReel(m_tarif->text(), m_check1->isChecked()));
    majExplication();
}

void GetCCAM::Check1_Click()
{
    TarifCCAM_Change();
}

void GetCCAM::majExplication()
{
    // A tariff typed by hand has no explanation to give; an act that
    // cannot be priced says why.
    if (!m_prix.certain() && m_tarif->text().isEmpty()) {
        m_explication->setText(m_prix.erreur);
        return;
    }
    const QString secu = secuCalcule();
    if (secu.isEmpty() || m_tarif->text() != secu) {
        m_explication->clear();
        return;
    }
    m_explication->setText(
        explicationTarif(m_prix.resultat.etapes, secu, m_check1->isChecked(), m_tarifReel->text()));
}

// -------------------------------------------------------------- validation

QString GetCCAM::enregistrementActe() const
{
    const JetonActe jeton = jetonAffiche();
    return EnregistrementActe{jeton.texte(), m_tarifReel->text(), m_tarif->text(),
                              m_libelle->text()}
        .texte();
}

void GetCCAM::Command1_Click()
{
    Session& s = session();
    const QString code = m_code->text();
    if (s.ModeSupplementTransitoire && !estSupplement(code)) {
        ui::message(this, QMessageBox::Warning, QStringLiteral("Erreur de saisie..."),
                    QStringLiteral("L'acte choisi ne semble pas être un supplément de la CCAM.\n"
                                   "Vous aviez choisi de saisir un supplément à l'acte "
                                   "précédent.\nVeuillez vérifier."));
        m_command3->setFocus();
        return;
    }
    const double association = valeurNumerique(codeElement(m_association->currentText()));
    if (m_ouvreur && m_ouvreur->nombreActesCodes() >= 1 && association == 0 &&
        !estSupplement(code)) {
        // A second act must say how it goes with the first.
        QApplication::beep();
        m_association->setFocus();
        return;
    }
    if (association == 1)
        s.IndexAssociation = 1;
    if (const QString urgence = urgenceRefusee(); !urgence.isEmpty()) {
        ui::message(this, QMessageBox::Warning, QStringLiteral("Modificateur d'urgence"), urgence);
        return;
    }
    Tarif_Click();
    if (!m_prix.certain()) {
        // Never billed at an amount nobody computed.
        QString texte = QStringLiteral("L'acte %1 ne peut pas être ajouté : %2")
                            .arg(m_code->text(), m_prix.erreur);
        LogErreur(erreur::Application, texte, QStringLiteral("GetCCAM.Command1_Click"),
                  QStringLiteral("Acte ") + m_code->text());
        ui::message(this, QMessageBox::Warning, QStringLiteral("Tarif impossible"), texte);
        return;
    }
    RetirePremierPlan(this);
    s.ActeSaisi = enregistrementActe();
    accept();
}

void GetCCAM::majUrgence()
{
    // An urgency modifier already billed in this consultation cannot be
    // chosen again; the window says why. The list may change while the
    // window is open ("&Oui" recodes the act that carried it).
    const QString urgence = m_ouvreur ? urgenceDejaFacturee(m_ouvreur->jetonsCodes()) : QString();
    m_urgence->setText(urgence);
    m_urgence->setVisible(!urgence.isEmpty());
    for (QComboBox* m : m_modificateurs) {
        auto* modele = qobject_cast<QStandardItemModel*>(m->model());
        for (int i = 0; modele && i < m->count(); ++i) {
            const QString item = m->itemText(i);
            if (item != kAucun && !item.isEmpty() && estModificateurUrgence(item[0]))
                modele->item(i)->setEnabled(urgence.isEmpty());
        }
        const QString choisi = codeElement(m->currentText());
        if (!urgence.isEmpty() && choisi.size() == 1 && estModificateurUrgence(choisi[0]))
            revenirA(m, kAucun);
    }
}

QString GetCCAM::urgenceRefusee() const
{
    if (!m_ouvreur)
        return {};
    bool urgence = false;
    for (const QComboBox* m : m_modificateurs) {
        const QString c = codeElement(m->currentText());
        urgence = urgence || (c.size() == 1 && estModificateurUrgence(c[0]));
    }
    return urgence ? urgenceDejaFacturee(m_ouvreur->jetonsCodes()) : QString();
}

void GetCCAM::Command2_Click()
{
    reject();
}

void GetCCAM::Command3_Click()
{
    m_activationFaite = false;
    m_code->clear();
    revenirA(m_activite, kActivites.first());
    revenirA(m_phase, kPhases.first());
    for (QComboBox* m : m_modificateurs)
        revenirA(m, kAucun);
    revenirA(m_association, kPasAssociation);
    revenirA(m_lieu, kLieux.first());
    m_libelle->clear();
    Form_Activate();
}

void GetCCAM::Command4_Click(int index)
{
    switch (index) {
    case 0:
        // Recode the first act: it leaves the coding list, the user
        // qualifies it again here and validates.
        montrerQuestion(false);
        if (m_ouvreur)
            m_ouvreur->supprimerActeCourant();
        majUrgence();
        break;
    case 1:
        reject();
        break;
    case 2:
        // A transitional supplement to the first act: the chooser asks for it.
        m_code->clear();
        montrerQuestion(false);
        session().ModeSupplementTransitoire = true;
        m_activationFaite = false;
        Form_Activate();
        break;
    default:
        break;
    }
}

void GetCCAM::done(int resultat)
{
    m_dechargee = true;
    m_activationFaite = false;
    session().ModeSupplementTransitoire = false;
    QDialog::done(resultat);
}

} // namespace pava
