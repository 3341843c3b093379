#include "ui/Fenetres.h"

#include "coding/Cotation.h"
#include "session/Placement.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolTip>

namespace pava::ui {

namespace {

constexpr double kHautPanneauVisible = 45.0;
constexpr double kHautPanneauCache = 45000.0;

void ajuster(QWidget* panneau, int haut)
{
    const QWidget* fenetre = panneau->parentWidget();
    const int largeur = fenetre ? fenetre->width() : panneau->width();
    const int hauteur = fenetre ? fenetre->height() : panneau->height();
    panneau->setGeometry(0, haut, largeur, qMax(0, hauteur - twipsEnPixels(kHautPanneauVisible)));
}

class FiltreTaille : public QObject
{
public:
    explicit FiltreTaille(QWidget* panneau) : QObject(panneau), m_panneau(panneau) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize)
            ajuster(m_panneau, m_panneau->y());
        return false;
    }

private:
    QWidget* m_panneau;
};

class FiltreTouches : public QObject
{
public:
    FiltreTouches(QWidget* fenetre, std::function<bool(int)> gestion)
        : QObject(fenetre), m_fenetre(fenetre), m_gestion(std::move(gestion))
    {
        qApp->installEventFilter(this);
    }
    ~FiltreTouches() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* objet, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress && objet->isWidgetType() &&
            static_cast<QWidget*>(objet)->window() == m_fenetre && m_fenetre->isVisible())
            return m_gestion(static_cast<QKeyEvent*>(e)->key());
        return false;
    }

private:
    QWidget* m_fenetre;
    std::function<bool(int)> m_gestion;
};

class FiltreClicDroit : public QObject
{
public:
    FiltreClicDroit(QWidget* widget, std::function<void(const QPoint&)> action)
        : QObject(widget), m_action(std::move(action))
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress) {
            const auto* souris = static_cast<QMouseEvent*>(e);
            if (souris->button() == Qt::RightButton) {
                m_action(souris->position().toPoint());
                return true;
            }
        }
        return false;
    }

private:
    std::function<void(const QPoint&)> m_action;
};

} // namespace

QPushButton* bouton(const QString& nom, const QString& texte, const QString& tip)
{
    auto* b = new QPushButton(texte);
    b->setObjectName(nom);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QLabel* etiquette(const QString& nom, const QString& texte)
{
    auto* l = new QLabel(texte);
    l->setObjectName(nom);
    return l;
}

QLineEdit* zoneTexte(const QString& nom)
{
    auto* t = new QLineEdit;
    t->setObjectName(nom);
    return t;
}

QLabel* virgulesControlees(QLineEdit* zone)
{
    auto* avis = new QLabel(kVirguleRefusee);
    avis->setObjectName(zone->objectName() + QStringLiteral("_Virgule"));
    avis->setWordWrap(true);
    avis->setStyleSheet(QStringLiteral("QLabel { color: #a00000; }"));
    avis->hide();
    QObject::connect(zone, &QLineEdit::textChanged, avis, [zone, avis](const QString& texte) {
        const QString corrige = virgulesDecimales(texte);
        if (corrige != texte) {
            const int curseur = zone->cursorPosition();
            zone->setText(corrige); // same length: the cursor stays where it was
            zone->setCursorPosition(curseur);
            return;
        }
        avis->setVisible(texte.contains(QLatin1Char(',')));
    });
    return avis;
}

bool virguleRefusee(const QLineEdit* zone)
{
    return zone->text().contains(QLatin1Char(','));
}

CurseurAttente::CurseurAttente()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CurseurAttente::~CurseurAttente()
{
    QApplication::restoreOverrideCursor();
}

PanneauQuestion panneauQuestion(QWidget* fenetre, const QString& texte,
                                const std::array<QString, 3>& boutons,
                                std::function<void(int)> reponse)
{
    PanneauQuestion q;
    q.panneau = new QFrame(fenetre);
    q.panneau->setObjectName(QStringLiteral("Picture1"));
    q.panneau->setFrameShape(QFrame::StyledPanel);
    q.panneau->setAutoFillBackground(true);
    auto* l = new QVBoxLayout(q.panneau);
    l->addStretch(1);
    q.texte = etiquette(QStringLiteral("Label3"), texte);
    q.texte->setAlignment(Qt::AlignCenter);
    q.texte->setWordWrap(true);
    QFont f = q.texte->font();
    f.setPointSizeF(f.pointSizeF() * 1.2);
    q.texte->setFont(f);
    l->addWidget(q.texte);
    l->addSpacing(16);
    auto* ligne = new QHBoxLayout;
    ligne->addStretch(1);
    for (int i = 0; i < 3; ++i) {
        q.boutons[i] = bouton(QStringLiteral("Command4_%1").arg(i), boutons[i]);
        QObject::connect(q.boutons[i], &QPushButton::clicked, q.panneau,
                         [reponse, i] { reponse(i); });
        ligne->addWidget(q.boutons[i]);
    }
    ligne->addStretch(1);
    l->addLayout(ligne);
    l->addStretch(1);
    suivreTaille(q.panneau);
    placePanneau(q.panneau, false);
    return q;
}

void placePanneau(QWidget* panneau, bool visible)
{
    if (!panneau)
        return;
    ajuster(panneau, twipsEnPixels(visible ? kHautPanneauVisible : kHautPanneauCache));
    panneau->setEnabled(visible);
    if (visible) {
        panneau->raise();
        if (QWidget* w = panneau->findChild<QLineEdit*>())
            w->setFocus();
    }
}

bool panneauVisible(const QWidget* panneau)
{
    return panneau && panneau->y() == twipsEnPixels(kHautPanneauVisible);
}

void suivreTaille(QWidget* panneau)
{
    if (panneau && panneau->parentWidget())
        panneau->parentWidget()->installEventFilter(new FiltreTaille(panneau));
}

void intercepterTouches(QWidget* fenetre, std::function<bool(int)> gestion)
{
    new FiltreTouches(fenetre, std::move(gestion));
}

void surClicDroit(QWidget* widget, std::function<void(const QPoint&)> action)
{
    new FiltreClicDroit(widget, std::move(action));
}

} // namespace pava::ui
