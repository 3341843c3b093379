#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace pava::ui {

// The one place through which every window of the program shows another
// window modally, shows a message box or asks for a line of text. In normal
// use each call simply runs the dialog and waits for the user. A test (or a
// scripted run) can instead queue the user's next answers: each queued
// answer is used once, in order, by the next call, and the dialog is then not
// run modally at all, so the code under test stays the real code.

// What the next modal call is about, handed to a queued answer.
struct Demande
{
    QWidget* fenetre = nullptr; // the dialog or message box (already built)
    QString titre;              // its caption
    QString texte;              // message text or prompt ("" for a window)
    QString defaut;             // default answer of a text question
};

// A queued answer: plays the user's part on the dialog in demande.fenetre
// (fill boxes, press keys...) and returns the result of the call:
//  - execModal: the dialog result code (QDialog::Accepted / Rejected);
//  - message: the QMessageBox::StandardButton pressed;
//  - saisieTexte: QDialog::Accepted or Rejected; the text typed is what
//    the answer leaves in Demande::defaut (the default answer on entry).
using Reponse = std::function<int(Demande&)>;

// Queues the user's next answer (first in, first used).
void repondreProchaine(Reponse reponse);
// Number of queued answers not used yet.
int reponsesEnAttente();
// Forgets every queued answer.
void oublierReponses();

// Shows the dialog modally (window modal above its parent) and returns its
// result code.
int execModal(QDialog* dialogue);

// A message box with the given icon, caption, text and buttons; returns the
// button pressed (the Escape button when the box is closed).
QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icone, const QString& titre,
                                    const QString& texte,
                                    QMessageBox::StandardButtons boutons = QMessageBox::Ok,
                                    QMessageBox::StandardButton parDefaut = QMessageBox::NoButton);

// An input box with a caption, a prompt and a default answer. Returns the
// text typed, or "" when the user cancelled (as an input box does).
QString saisieTexte(QWidget* parent, const QString& titre, const QString& invite,
                    const QString& defaut = QString());

// The messages shown through message() since the last call of
// viderJournal(), most recent last ("caption : text"), so that a test can
// check what the user was told.
QStringList journalMessages();
void viderJournal();

} // namespace pava::ui
