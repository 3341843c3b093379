#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pava {

// What the four complement windows share. Each opens modally through
// ui::execModal, stays above the host's windows (built at the topmost level,
// and MetPremierPlan again at every activation), and takes Escape as a press
// on its cancel button when it has one; a window without a cancel button
// ignores Escape, and closing it from its frame is all that is left.
// Controls carry their historical names as objectName, an element of a
// control array being "<array>_<index>" ("Check1_0", "Text1_2").
class FenetreComplement : public QDialog
{
    Q_OBJECT
public:
    void Form_Activate();

protected:
    explicit FenetreComplement(QWidget* parent);

    void setBoutonAnnulation(QPushButton* bouton);
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

    static QPushButton* bouton(const QString& nom, const QString& texte);
    static QLabel* etiquette(const QString& nom, const QString& texte);
    static QLineEdit* zoneTexte(const QString& nom);
    // The yellow line under the boxes that says why a character was refused;
    // hidden until then.
    static QLabel* explication();
    // Keeps out of the box what a complement file cannot hold ("§", line
    // breaks, characters outside Windows-1252), whether typed, pasted or put
    // there by the program, and says so in the explication line; a coding
    // also keeps out ",".
    static void protegeChamp(QLineEdit* zone, QLabel* explication, bool cotation = false);

private:
    QPointer<QPushButton> m_annulation;
};

} // namespace pava
