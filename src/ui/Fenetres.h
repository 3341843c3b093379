#pragma once

#include <QString>

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QPoint;
class QLineEdit;
class QPushButton;
class QWidget;

namespace pava::ui {

// What the product's windows share beyond the modal seam: their controls
// carry their historical names as objectName (an element of a control array
// is "<array>_<index>"), panels that cover a window, and the keys a window
// sees before its controls.

QPushButton* bouton(const QString& nom, const QString& texte, const QString& tip = QString());
QLabel* etiquette(const QString& nom, const QString& texte);
QLineEdit* zoneTexte(const QString& nom);
// A box where a coding or an amount is typed: a decimal comma becomes "." at
// once; any other "," stays and the returned label (to be placed under the
// box, hidden while there is nothing to say) says why the window will not be
// validated. virguleRefusee() is what the window checks before validating.
QLabel* virgulesControlees(QLineEdit* zone);
bool virguleRefusee(const QLineEdit* zone);

// The wait pointer while a window computes or reads, restored however the
// work ends.
class CurseurAttente
{
public:
    CurseurAttente();
    ~CurseurAttente();
    CurseurAttente(const CurseurAttente&) = delete;
    CurseurAttente& operator=(const CurseurAttente&) = delete;
};

// A panel covers its window's client area when shown (top 45 twips) and sits
// out of sight when hidden (top 45000 twips); a hidden panel is also disabled,
// so the keyboard never wanders into it. Showing it gives the focus to its
// first text box, if any.
void placePanneau(QWidget* panneau, bool visible);
bool panneauVisible(const QWidget* panneau);
// Keeps the panels of a window covering it when it is resized.
void suivreTaille(QWidget* panneau);

// The question panel of a window ("Picture1"): its text ("Label3", centred,
// a little larger) above three buttons "Command4_0".."Command4_2" that call
// reponse with their index. Sized and hidden like any panel.
struct PanneauQuestion
{
    QFrame* panneau = nullptr;
    QLabel* texte = nullptr;
    std::array<QPushButton*, 3> boutons{};
};
PanneauQuestion panneauQuestion(QWidget* fenetre, const QString& texte,
                                const std::array<QString, 3>& boutons,
                                std::function<void(int)> reponse);

// Lets a window see key presses before any of its own controls (F12 to
// validate, Escape to cancel): gestion receives the key code and returns true
// when it took the key. Keys pressed in another window (a message box, a
// window it opened) are left alone. Lives as long as the window.
void intercepterTouches(QWidget* fenetre, std::function<bool(int codeTouche)> gestion);

// Runs action when the right button is pressed on the widget (a grid's
// viewport), with the position pressed.
void surClicDroit(QWidget* widget, std::function<void(const QPoint&)> action);

} // namespace pava::ui
