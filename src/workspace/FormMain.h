#pragma once

#include <QDialog>
#include <QString>

#include <array>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

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
class FormMain : public QDialog
{
    Q_OBJECT
public:
    explicit FormMain(QWidget* parent = nullptr);
    ~FormMain() override;

    // The three views of "CCAM001.mdb": 0 habitual codings, 1 coding list,
    // 2 composed acts. Data2 and Data3 serve the coding history.
    DataControl* CCAMMDB(int index) const;
    DataControl* Data2() const { return m_data2; }
    DataControl* Data3() const { return m_data3; }

    // What prevents the habitual codings or the coding list from being shown
    // ("" when both could be read); also shown in the window.
    QString problemeBase() const { return m_problemeBase; }

    // Full name of the user's database in a data directory.
    static QString cheminBase(const QString& repertoireDonnees);
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
    void Command1_Click();
    void ButtonOk_Click();

    // Totals, coding string and labels from the coding list.
    void CalculeTotal();

    // Panels that cover the window when shown: shown at top 45 twips,
    // hidden at top 45000 twips (out of sight, and out of the keyboard's way).
    void placePanneau(QWidget* panneau, bool visible);
    static bool panneauVisible(const QWidget* panneau);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* objet, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

public Q_SLOTS:
    void done(int resultat) override;

private:
    void construireFenetre();
    QWidget* construireOngletCcam();
    QWidget* construireOngletComposes();
    void construirePanneaux();
    void trierListe(DataControl* vue, const QString& champ, const QString& source,
                    const char* cleReglage);
    void signalerProbleme(const QString& texte);
    void majCommand3();

    std::array<DataControl*, 3> m_ccammdb{};
    DataControl* m_data2 = nullptr;
    DataControl* m_data3 = nullptr;
    bool m_activationFaite = false;
    bool m_centree = false;
    bool m_validee = false;
    QString m_problemeBase;

    QTabWidget* m_ssTab1 = nullptr;
    QTableView* m_dbGrid1 = nullptr;
    QTableView* m_dbGrid2 = nullptr;
    QTableView* m_dbGrid3 = nullptr;
    std::array<QLabel*, 2> m_lblTotal{};
    QLabel* m_label5 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QLabel* m_bandeau = nullptr;
    QFrame* m_picture1 = nullptr;
    QFrame* m_picture2 = nullptr;
};

} // namespace pava
