#pragma once

#include "actdetail/GetCCAM.h"
#include "practice/BaseUtilisateur.h"

#include <QDialog>
#include <QSet>
#include <QString>

#include <array>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

namespace pava {

class DataControl;

// The coding workspace: the window in which the practitioner builds the
// coding of a consultation from the habitual codings, sees the coding list
// grow with its totals, keeps composed acts and a complementary act, then
// validates or cancels.
//
// The host creates one per coding (it reads the session values when it is
// built), shows it modally and, once it has closed (whatever the way),
// returns session().CotationRetour: "" after a cancel, Escape or a close
// from the window frame. The window does not delete itself.
//
// Controls carry their historical names as objectName; an element of a
// control array is named "<array>_<index>" ("lblTotal_1", "Command4_2",
// "Label11_0", "CCAMMDB_2").
//
// The handlers live in one file per concern: FormMainFenetre.cpp (the
// controls), FormMain.cpp (loading, activation, keys, sorting, closing), FormMainActes.cpp (act
// window, coding list, history), FormMainComposes.cpp (habitual codings and composed acts),
// FormMainValidation.cpp (complement, "&Valider").
class FormMain : public QDialog, public OuvreurActe
{
    Q_OBJECT
public:
    explicit FormMain(QWidget* parent = nullptr);
    ~FormMain() override;

    // The three views of "CCAM001.mdb": 0 habitual codings, 1 coding list,
    // 2 composed acts.
    DataControl* CCAMMDB(int index) const;

    // What prevents the habitual codings or the coding list from being shown
    // ("" when both could be read); also shown in the window.
    QString problemeBase() const { return m_problemeBase; }
    // This opening of the workspace, as its rows of the coding list name it.
    const base::Espace& espace() const { return m_espace; }
    // Whether the window waits for a database another workstation holds (it
    // tries again every second and says so meanwhile).
    bool attendLaBase() const;

    // Tab to bring to front from the stored "Tab" value: its leading number,
    // rounded to a 16-bit integer; 0 when the text does not start with a
    // number or the number does not fit.
    static int ongletDepuisReglage(const QString& valeur);

    // Event handlers, named after the control and the event.
    void Form_Load();
    void Form_Activate();
    // True when the key was taken by the window (F12, Escape).
    bool Form_KeyDown(int codeTouche);
    void DBGrid1_HeadClick(int colonne);
    void DBGrid3_HeadClick(int colonne);
    void DBGrid1_DblClick();
    void DBGrid3_DblClick();
    void Ajout1_Click();
    void Supprimer1_Click();
    void Supprimer2_Click();
    // Composed acts: the entry panel (Command2, CommandOK, CommandAnnule),
    // deletion through Frame1 (Command3, Command5), renaming (Command6, or
    // the right button on DBGrid3).
    void Command2_Click();
    void CommandOK_Click();
    void CommandAnnule_Click();
    void Command3_Click();
    void Command5_Click(int index);
    void Command6_Click();
    // The complementary act of the consultation, from the catalogue.
    void Command7_Click();
    void Command1_Click();
    void ButtonOk_Click();

    // The coding list: the act just validated in the act window
    // (session().ActeSaisi) appended unless the tariff component refuses its
    // association with the acts already coded; totals, coding string and
    // labels recomputed after every change.
    void NewCotation();
    void CalculeTotal();
    // The amount the host will receive, complement included, under the totals.
    void majMontantRendu();
    // Prices the complement's CCAM coding and keeps it; false, the
    // practitioner told why, when it cannot be priced.
    bool tarifierComplement(const QString& cotation);
    // What "&Valider" checks on the coding list before handing it over: the
    // complement in its box priced, the association codes confirmed.
    bool cotationConfirmee();
    // Before an act window opens: a first act coded as isolated is offered
    // for recoding. False when that has been done (the caller stops there).
    bool VerifActeIsole();

    // What the act window asks of the workspace.
    int nombreActesCodes() const override;
    void supprimerActeCourant() override;
    // Records an act record in the coding history ("Cotation.mdb" in the
    // host's resource directory). A failure is logged; the user is told once
    // per workspace and kind of failure, and the coding goes on.
    QStringList jetonsCodes() const override;
    void Ajoute_CCAM(const QString& enregistrement);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

public Q_SLOTS:
    void done(int resultat) override;

private:
    // Reads the three views, after making the coding list ready; waits
    // (without blocking) while another workstation holds the database.
    void chargerBases();
    void attendreBase(const QString& fichier, const DataControl& vue);
    void construireFenetre();
    QWidget* construireOngletCcam();
    QWidget* construireOngletComposes();
    void construirePanneaux();
    void trierListe(DataControl* vue, const QString& champ, const QString& source,
                    const char* cleReglage);
    void signalerProbleme(const QString& texte, int numero);
    void majCommand3();
    // Shows the act window on a code ("" = let the user choose one) and adds
    // what it hands back.
    void ouvrirActe(const QString& code, bool questionActeIsole);
    // The message panel with its text and either "&Oui"/"&Non" or "&Retour".
    void montrerMessage(const QString& texte, bool ouiNon);
    // After a deletion the row that took the deleted one's place is current,
    // or the one before when the last went: the user sees where the list
    // stands and a second press deletes again.
    static void resterDansLaListe(DataControl* vue);
    void Command4_Click(int index);
    // Tells the user about a problem once per workspace (the log has every one).
    void signalerUneFois(const QString& titre, const QString& texte);
    // A change refused by the database: logged, told, nothing else changes.
    // A row a colleague changed meanwhile is not touched: the user is told and
    // the list is read again.
    void signalerRefus(const QString& procedure, const QString& quoi, DataControl& vue);
    // What "&Valider" does when the result cannot be assembled.
    void echecValidation(const QString& texte);

    std::array<DataControl*, 3> m_ccammdb{};
    base::Espace m_espace;
    QTimer* m_attenteBase = nullptr;
    bool m_attenteDite = false;
    bool m_activationFaite = false;
    bool m_centree = false;
    bool m_validee = false;
    QString m_problemeBase;
    QSet<QString> m_problemesSignales;

    QTabWidget* m_ssTab1 = nullptr;
    QTableView* m_dbGrid1 = nullptr;
    QTableView* m_dbGrid2 = nullptr;
    QTableView* m_dbGrid3 = nullptr;
    std::array<QLabel*, 2> m_lblTotal{};
    QLineEdit* m_cCCAM = nullptr;
    QLineEdit* m_cNGAP = nullptr;
    QLabel* m_lCCAM = nullptr;
    QLabel* m_montantRendu = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QLabel* m_label6 = nullptr;
    QLabel* m_label3 = nullptr;
    std::array<QPushButton*, 3> m_command4{};
    QLabel* m_label5 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QLabel* m_bandeau = nullptr;
    QFrame* m_picture1 = nullptr;
    QFrame* m_picture2 = nullptr;
};

} // namespace pava
