#include "ui/Dialogues.h"

#include <QAbstractButton>
#include <QDialog>
#include <QInputDialog>
#include <QQueue>

namespace pava::ui {

namespace {

QQueue<Reponse>& file()
{
    static QQueue<Reponse> reponses;
    return reponses;
}

QStringList& journal()
{
    static QStringList messages;
    return messages;
}

// Takes the next queued answer, if any, and lets it play on the dialog.
bool repondre(Demande& demande, int& resultat)
{
    if (file().isEmpty())
        return false;
    Reponse reponse = file().dequeue();
    resultat = reponse ? reponse(demande) : 0;
    return true;
}

} // namespace

void repondreProchaine(Reponse reponse)
{
    file().enqueue(std::move(reponse));
}

int reponsesEnAttente()
{
    return static_cast<int>(file().size());
}

void oublierReponses()
{
    file().clear();
}

int execModal(QDialog* dialogue)
{
    if (!dialogue)
        return QDialog::Rejected;
    Demande demande{dialogue, dialogue->windowTitle(), {}, {}};
    int resultat = QDialog::Rejected;
    if (repondre(demande, resultat)) {
        if (dialogue->isVisible())
            dialogue->done(resultat);
        return resultat;
    }
    dialogue->setWindowModality(dialogue->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    return dialogue->exec();
}

QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icone, const QString& titre,
                                    const QString& texte, QMessageBox::StandardButtons boutons,
                                    QMessageBox::StandardButton parDefaut)
{
    journal().append(titre + QStringLiteral(" : ") + texte);
    QMessageBox boite(icone, titre, texte, boutons, parent);
    // The product speaks French whatever translations the machine has.
    for (const auto& [bouton, mot] :
         {std::pair{QMessageBox::Yes, "&Oui"}, std::pair{QMessageBox::No, "&Non"},
          std::pair{QMessageBox::Cancel, "&Annuler"}}) {
        if (QAbstractButton* b = boite.button(bouton))
            b->setText(QString::fromUtf8(mot));
    }
    if (parDefaut != QMessageBox::NoButton)
        boite.setDefaultButton(parDefaut);
    Demande demande{&boite, titre, texte, {}};
    int resultat = QMessageBox::NoButton;
    if (repondre(demande, resultat))
        return static_cast<QMessageBox::StandardButton>(resultat);
    return static_cast<QMessageBox::StandardButton>(boite.exec());
}

QString saisieTexte(QWidget* parent, const QString& titre, const QString& invite,
                    const QString& defaut)
{
    QInputDialog boite(parent);
    boite.setWindowTitle(titre);
    boite.setLabelText(invite);
    boite.setTextValue(defaut);
    Demande demande{&boite, titre, invite, defaut};
    int resultat = QDialog::Rejected;
    if (repondre(demande, resultat))
        return resultat == QDialog::Accepted ? demande.defaut : QString();
    if (boite.exec() != QDialog::Accepted)
        return QString();
    return boite.textValue();
}

QStringList journalMessages()
{
    return journal();
}

void viderJournal()
{
    journal().clear();
}

} // namespace pava::ui
