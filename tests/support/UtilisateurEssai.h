#pragma once

// The user's part in the coding windows, queued through the modal seam: each
// function below plays on the next window of its kind that opens modally.
// Header-only, for the window tests (they link the windows library).

#include "actdetail/GetCCAM.h"
#include "reader/ChoixActeDialog.h"
#include "ui/Dialogues.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <functional>

namespace pava::test {

template <typename T> T* enfant(const QWidget* w, const QString& nom)
{
    T* c = w->findChild<T*>(nom);
    if (!c)
        qFatal("contrôle absent : %s", qPrintable(nom));
    return c;
}

inline void cliquer(const QWidget* fenetre, const QString& bouton)
{
    QTest::mouseClick(enfant<QPushButton>(fenetre, bouton), Qt::LeftButton);
}

// A column of a window's grid, as the user reads it.
inline QStringList colonneGrille(const QWidget* fenetre, const QString& grille, int colonne)
{
    const QAbstractItemModel* m = enfant<QTableView>(fenetre, grille)->model();
    QStringList t;
    for (int r = 0; r < m->rowCount(); ++r)
        t << m->index(r, colonne).data().toString();
    return t;
}

// Picks in a list the first item whose text starts with what is typed, as a
// user does with the keyboard.
inline void choisirDans(const QWidget* fenetre, const QString& liste, const QString& debut)
{
    QComboBox* l = enfant<QComboBox>(fenetre, liste);
    l->setFocus();
    QTest::keyClicks(l, debut);
}

// The act chooser: types a code in its search box and chooses the first act
// found; an empty code cancels with Escape.
inline void choisirActe(const QString& code)
{
    ui::repondreProchaine([code](ui::Demande& d) {
        auto* choix = qobject_cast<ChoixActeDialog*>(d.fenetre);
        if (!choix)
            qFatal("le sélecteur d'actes attendu n'a pas été ouvert");
        choix->show();
        QLineEdit* boite = enfant<QLineEdit>(choix, QStringLiteral("Recherche"));
        if (code.isEmpty()) {
            QTest::keyClick(boite, Qt::Key_Escape);
        } else {
            QTest::keyClicks(boite, code);
            QTest::keyClick(boite, Qt::Key_Return);
        }
        return choix->result();
    });
}

// The act window: shows it, waits until it has read its act (or closed for
// want of one), then lets jouer press what the user presses.
inline void jouerFenetreActe(std::function<void(GetCCAM&)> jouer)
{
    ui::repondreProchaine([jouer](ui::Demande& d) {
        auto* acte = qobject_cast<GetCCAM*>(d.fenetre);
        if (!acte)
            qFatal("la fenêtre d'acte attendue n'a pas été ouverte");
        acte->show();
        QComboBox* associations = enfant<QComboBox>(acte, QStringLiteral("CodeAssociationCCAM"));
        (void)QTest::qWaitFor([&] { return !acte->isVisible() || associations->count() > 0; });
        if (acte->isVisible() && jouer)
            jouer(*acte);
        return acte->result();
    });
}

} // namespace pava::test
