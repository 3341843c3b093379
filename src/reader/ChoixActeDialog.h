#pragma once

#include "reader/SourceActes.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pava {

// The act chooser: the user finds a CCAM act by typing its code or words of
// its label (the list answers as they type), or by browsing the chapters; the
// practitioner's habitual codings come first while the box is empty. Arrows
// move in the list, Enter or a double-click chooses, Escape cancels.
class ChoixActeDialog : public QDialog
{
    Q_OBJECT
public:
    // source may be null (the reference could not be read): the habitual
    // codings are then all that is proposed, and messageSource says why.
    ChoixActeDialog(std::shared_ptr<const SourceActes> source, QList<ActePropose> habituels,
                    const QString& messageSource = QString(), QWidget* parent = nullptr);

    // The act chosen ("" until the user chose).
    QString codeChoisi() const { return m_code; }

    // Puts a text in the search box (as if typed).
    void setRecherche(const QString& texte);

    // Another source for the same acts (the practice's coding history has
    // been read): the list shown is searched again.
    void actualiserSource(std::shared_ptr<const SourceActes> source);

    // The most acts a list shows at once.
    static constexpr int kMaximum = 300;

    // The habitual codings (CCAM_7) of the user's database in a data
    // directory, completed by what the source knows of each (tariff); an
    // empty list when there is no such database. Never creates anything.
    static QList<ActePropose> lireHabituels(const QString& repertoireDonnees,
                                            const SourceActes* source, QString* erreur = nullptr);

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    void rechercher(const QString& texte);
    void chapitreChoisi();
    void afficher(const QList<ActePropose>& actes, const QString& etat);
    void choisir();
    void majBouton();

    std::shared_ptr<const SourceActes> m_source;
    QList<ActePropose> m_habituels;
    QString m_code;

    QLineEdit* m_recherche = nullptr;
    QTreeWidget* m_chapitres = nullptr;
    QTreeWidget* m_resultats = nullptr;
    QLabel* m_etat = nullptr;
    QLabel* m_avertissement = nullptr;
    QPushButton* m_choisir = nullptr;
};

} // namespace pava
