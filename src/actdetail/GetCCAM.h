#pragma once

#include "coding/Cotation.h"
#include "srt/ComposantSrt.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pava {

class CtlCCAM;

// What the act window asks of the workspace that opened it: the coding list
// it checks the association and the urgency modifiers against, and whose
// first act the isolated-act answer "&Oui" deletes. The act handed back goes
// to the coding list, then to the history, by the workspace.
class OuvreurActe
{
public:
    virtual ~OuvreurActe() = default;
    virtual int nombreActesCodes() const = 0;
    virtual QStringList jetonsCodes() const = 0;
    virtual void supprimerActeCourant() = 0;
};

// The act window: one CCAM act qualified (activity, phase, four modifiers,
// association, place, exceptional reimbursement), priced, then handed back
// to the workspace as an act record in session().ActeSaisi.
//
// The opener creates one per act (it loads at once), may put a code in
// CodeCCAMInit, empties ActeSaisi and shows it modally; the first activation
// asks the act chooser for an act when no code was given, reads the act's
// label from the reference table and fills the lists from the tariff
// component. Only "&OK" (or F12) fills ActeSaisi.
//
// Controls carry their historical names as objectName ("Modificateur_0".."_3",
// "Command4_0".."_2" for arrays). The reader control is the child "CCAM1".
class GetCCAM : public QDialog
{
    Q_OBJECT
public:
    explicit GetCCAM(OuvreurActe* ouvreur, QWidget* parent = nullptr);
    ~GetCCAM() override;

    // The code box, as the opener fills it before showing the window.
    QLineEdit* CodeCCAMInit() const { return m_code; }
    CtlCCAM* CCAM1() const { return m_ccam1; }

    // Event handlers, named after the control and the event.
    void Form_Load();
    void Form_Activate();
    bool Form_KeyDown(int codeTouche);
    void Tarif_Click();
    void TarifCCAM_Change();
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click(int index);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

public Q_SLOTS:
    void done(int resultat) override;

private:
    void construireFenetre();
    QComboBox* liste(const QString& nom, const QStringList& elements = {});
    QString enregistrementActe() const;
    // The act as the lists show it, as a token and as the tariff engine asks it.
    JetonActe jetonAffiche() const;
    ActeQualifie acteAffiche() const;
    // The last computed price, "" when the act cannot be priced.
    QString secuCalcule() const;
    void majExplication();
    void montrerQuestion(bool visible);
    // Why the modifiers chosen may not be billed with the coding list ("" when
    // they may).
    QString urgenceRefusee() const;
    void majUrgence();

    OuvreurActe* m_ouvreur = nullptr;
    std::unique_ptr<UsrSrt> m_usrSrt1;
    CtlCCAM* m_ccam1 = nullptr;
    bool m_activationFaite = false;
    bool m_activationEnCours = false;
    bool m_dechargee = false;

    QLineEdit* m_code = nullptr;
    QLineEdit* m_libelle = nullptr;
    QLabel* m_libelleComplet = nullptr;
    QComboBox* m_activite = nullptr;
    QComboBox* m_phase = nullptr;
    std::array<QComboBox*, 4> m_modificateurs{};
    QComboBox* m_association = nullptr;
    QComboBox* m_lieu = nullptr;
    QComboBox* m_rbtExcept = nullptr;
    QLineEdit* m_tarif = nullptr;
    QLineEdit* m_tarifReel = nullptr;
    QCheckBox* m_check1 = nullptr;
    QLabel* m_explication = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command4Supplement = nullptr;
    QFrame* m_picture1 = nullptr;

    QWidget* m_formulaire = nullptr;
    QLabel* m_urgence = nullptr;

    // The last computation, for the "Sécu" box and its explanation line.
    PrixActe m_prix;
};

} // namespace pava
