#include "complements/FenetreComplement.h"

#include "coding/Cotation.h"
#include "practice/RegleComplements.h"
#include "ui/PremierPlan.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pava {

FenetreComplement::FenetreComplement(QWidget* parent) : QDialog(parent)
{
    // At the topmost level before showing: the level of a shown window is
    // changed on its native window only, but starting there costs nothing.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
}

void FenetreComplement::setBoutonAnnulation(QPushButton* bouton)
{
    m_annulation = bouton;
}

bool FenetreComplement::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QDialog::event(e);
}

void FenetreComplement::Form_Activate()
{
    MetPremierPlan(this);
}

void FenetreComplement::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        if (m_annulation && m_annulation->isEnabled())
            m_annulation->click();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

QPushButton* FenetreComplement::bouton(const QString& nom, const QString& texte)
{
    auto* b = new QPushButton(texte);
    b->setObjectName(nom);
    b->setAutoDefault(false);
    return b;
}

QLabel* FenetreComplement::etiquette(const QString& nom, const QString& texte)
{
    auto* l = new QLabel(texte);
    l->setObjectName(nom);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLineEdit* FenetreComplement::zoneTexte(const QString& nom)
{
    auto* t = new QLineEdit;
    t->setObjectName(nom);
    return t;
}

QLabel* FenetreComplement::explication()
{
    QLabel* l = etiquette(QStringLiteral("Explication"), QString());
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("QLabel { background: #fff4d6; color: #5c4400;"
                                    " border: 1px solid #e3c76b; padding: 6px; }"));
    l->hide();
    return l;
}

void FenetreComplement::protegeChamp(QLineEdit* zone, QLabel* explication, bool cotation)
{
    QObject::connect(zone, &QLineEdit::textChanged, zone, [=](const QString& t) {
        const complements::ChampNettoye n = complements::nettoieChamp(t, cotation);
        QStringList raisons;
        if (n.separateur)
            raisons << QStringLiteral("Le caractère « § » sépare les champs dans les fichiers des "
                                      "actes complémentaires : il a été retiré.");
        if (n.sautDeLigne)
            raisons << QStringLiteral("Un champ tient sur une seule ligne : le retour à la ligne "
                                      "a été remplacé par une espace.");
        if (n.virgule)
            raisons << kVirguleRefusee;
        if (n.horsCodePage)
            raisons << QStringLiteral("Un caractère que les fichiers des actes complémentaires ne "
                                      "peuvent pas contenir a été retiré.");
        if (!raisons.isEmpty()) {
            explication->setText(raisons.join(QLatin1Char(' ')));
            explication->show();
        } else if (explication->text() == kVirguleRefusee) {
            // The refused comma is gone: nothing left to say.
            explication->hide();
        }
        if (!n.modifie())
            return;
        const int curseur = static_cast<int>(
            complements::nettoieChamp(QStringView(t).left(zone->cursorPosition()), cotation)
                .texte.size());
        zone->setText(n.texte);
        zone->setCursorPosition(curseur);
    });
}

} // namespace pava
