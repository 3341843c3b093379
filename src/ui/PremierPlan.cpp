#include "ui/PremierPlan.h"

#include <QWidget>
#include <QWindow>

namespace pava {

namespace {

void placer(QWidget* fenetre, bool auDessus)
{
    if (!fenetre)
        return;
    QWidget* haut = fenetre->window();
    const bool dejaAuDessus = haut->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (dejaAuDessus != auDessus) {
        if (QWindow* natif = haut->windowHandle(); natif && haut->isVisible()) {
            // Only the native window changes level: re-creating the widget
            // would hide it, and a hidden dialog ends its modal run.
            natif->setFlag(Qt::WindowStaysOnTopHint, auDessus);
            Qt::WindowFlags drapeaux = haut->windowFlags();
            drapeaux.setFlag(Qt::WindowStaysOnTopHint, auDessus);
            haut->overrideWindowFlags(drapeaux);
        } else {
            haut->setWindowFlag(Qt::WindowStaysOnTopHint, auDessus);
        }
    }
    if (!haut->isVisible()) {
        const bool sansActivation = haut->testAttribute(Qt::WA_ShowWithoutActivating);
        haut->setAttribute(Qt::WA_ShowWithoutActivating, true);
        haut->show();
        haut->setAttribute(Qt::WA_ShowWithoutActivating, sansActivation);
    }
}

} // namespace

void MetPremierPlan(QWidget* fenetre)
{
    placer(fenetre, true);
}

void RetirePremierPlan(QWidget* fenetre)
{
    placer(fenetre, false);
}

} // namespace pava
