#pragma once

class QWidget;

namespace pava {

// Every window of a coding session stays above the host application while the
// host waits for it: a window puts itself at the topmost level when activated
// and leaves it before opening another window that must come in front.
// Both keep the window's position and size, show it and do not activate it.
void MetPremierPlan(QWidget* fenetre);
void RetirePremierPlan(QWidget* fenetre);

} // namespace pava
