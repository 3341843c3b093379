#include "reader/ChoixActeDialog.h"

#include "practice/PratiqueActes.h"
#include "srt/RechercheActes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace pava {

namespace {

// Marks the "habitual codings" entry of the chapter tree.
const QString kHabituels = QStringLiteral("*habituels*");
constexpr int kRoleCode = Qt::UserRole;

QString nombreActes(int n)
{
    return n == 1 ? QStringLiteral("1 acte") : QStringLiteral("%1 actes").arg(n);
}

// Writes a column's text whole, on as many lines as its width takes: the end
// of a label or of a chapter's title is often what tells two apart ("… du
// membre supérieur", "… du membre inférieur"). The tip keeps the text too.
class TexteEntier : public QStyledItemDelegate
{
public:
    explicit TexteEntier(QTreeView* vue) : QStyledItemDelegate(vue), m_vue(vue)
    {
        // A row's height follows its column's width: the rows shown are
        // measured again once a resizing is over (the others when shown).
        auto* attente = new QTimer(vue);
        attente->setSingleShot(true);
        attente->setInterval(0);
        QObject::connect(attente, &QTimer::timeout, vue, [vue] { vue->doItemsLayout(); });
        QObject::connect(vue->header(), &QHeaderView::sectionResized, attente,
                         [attente](int, int avant, int apres) {
                             if (avant != apres)
                                 attente->start();
                         });
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // The view asks without a width; the text wraps at its column's, less
        // the indentation of a chapter under its parents.
        int largeur = m_vue->columnWidth(index.column());
        if (index.column() == 0) {
            int niveaux = m_vue->rootIsDecorated() ? 1 : 0;
            for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
                ++niveaux;
            largeur -= niveaux * m_vue->indentation();
        }
        if (largeur <= 0) // not laid out yet
            return QStyledItemDelegate::sizeHint(option, index);
        QStyleOptionViewItem o(option);
        o.rect.setSize({largeur, 1}); // a valid rectangle: the style wraps only in one
        return QStyledItemDelegate::sizeHint(o, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::WrapText;
        option->textElideMode = Qt::ElideNone;
    }

private:
    QTreeView* m_vue;
};

} // namespace

ChoixActeDialog::ChoixActeDialog(std::shared_ptr<const SourceActes> source,
                                 QList<ActePropose> habituels, const QString& messageSource,
                                 QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_habituels(std::move(habituels))
{
    setObjectName(QStringLiteral("ChoixActeDialog"));
    setWindowTitle(QStringLiteral("Choisir un acte CCAM"));
    // The windows of a coding stay above the host's; the chooser comes above them.
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    resize(900, 560);

    auto* principal = new QVBoxLayout(this);

    m_avertissement = new QLabel(messageSource);
    m_avertissement->setObjectName(QStringLiteral("Avertissement"));
    m_avertissement->setWordWrap(true);
    m_avertissement->setStyleSheet(QStringLiteral("QLabel { background: #fff4d6; color: #5c4400;"
                                                  " border: 1px solid #e3c76b; padding: 6px; }"));
    m_avertissement->setVisible(!messageSource.isEmpty());
    principal->addWidget(m_avertissement);

    auto* ligne = new QHBoxLayout;
    auto* invite = new QLabel(QStringLiteral("&Rechercher :"));
    m_recherche = new QLineEdit;
    m_recherche->setObjectName(QStringLiteral("Recherche"));
    m_recherche->setPlaceholderText(
        QStringLiteral("Code ou mots du libellé, par exemple « qzja » ou « suture plaie »"));
    m_recherche->setClearButtonEnabled(true);
    invite->setBuddy(m_recherche);
    ligne->addWidget(invite);
    ligne->addWidget(m_recherche, 1);
    principal->addLayout(ligne);

    auto* partage = new QSplitter(Qt::Horizontal);
    m_chapitres = new QTreeWidget;
    m_chapitres->setObjectName(QStringLiteral("Chapitres"));
    m_chapitres->setHeaderLabels({QStringLiteral("Chapitres")});
    m_chapitres->setItemDelegate(new TexteEntier(m_chapitres));
    m_chapitres->setFocusPolicy(Qt::ClickFocus);
    m_chapitres->setStyleSheet(QStringLiteral("QTreeView::item { padding: 2px 0px; }"));
    auto* habituelsItem =
        new QTreeWidgetItem(m_chapitres, {QStringLiteral("Mes cotations habituelles")});
    habituelsItem->setData(0, kRoleCode, kHabituels);
    QFont gras = habituelsItem->font(0);
    gras.setBold(true);
    habituelsItem->setFont(0, gras);
    if (m_source) {
        QHash<QString, QTreeWidgetItem*> items;
        for (const ChapitrePropose& c : m_source->chapitres()) {
            QTreeWidgetItem* parentItem = items.value(c.parent);
            // A heading the edition lacks has its number alone.
            const QString texte =
                c.titre.isEmpty() ? c.code : c.code + QStringLiteral("  ") + c.titre;
            auto* item = parentItem ? new QTreeWidgetItem(parentItem, {texte})
                                    : new QTreeWidgetItem(m_chapitres, {texte});
            item->setData(0, kRoleCode, c.code);
            item->setToolTip(0, c.titre);
            items.insert(c.code, item);
        }
    }
    partage->addWidget(m_chapitres);

    m_resultats = new QTreeWidget;
    m_resultats->setObjectName(QStringLiteral("Resultats"));
    m_resultats->setHeaderLabels(
        {QStringLiteral("Code"), QStringLiteral("Libellé"), QStringLiteral("Tarif")});
    m_resultats->setRootIsDecorated(false);
    m_resultats->setAlternatingRowColors(true);
    m_resultats->setItemDelegateForColumn(1, new TexteEntier(m_resultats));
    // Room above capitals so that accents (É) are never cut.
    m_resultats->setStyleSheet(QStringLiteral("QTreeView::item { padding: 2px 0px; }"));
    m_resultats->header()->setStretchLastSection(false);
    m_resultats->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_resultats->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_resultats->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    partage->addWidget(m_resultats);
    partage->setStretchFactor(0, 2);
    partage->setStretchFactor(1, 5);
    partage->setSizes({260, 620});
    principal->addWidget(partage, 1);

    auto* bas = new QHBoxLayout;
    m_etat = new QLabel;
    m_etat->setObjectName(QStringLiteral("Etat"));
    bas->addWidget(m_etat, 1);
    m_choisir = new QPushButton(QStringLiteral("&Choisir"));
    m_choisir->setObjectName(QStringLiteral("Choisir"));
    auto* annuler = new QPushButton(QStringLiteral("&Annuler"));
    annuler->setObjectName(QStringLiteral("Annuler"));
    m_choisir->setAutoDefault(false);
    annuler->setAutoDefault(false);
    bas->addWidget(m_choisir);
    bas->addWidget(annuler);
    principal->addLayout(bas);

    connect(m_recherche, &QLineEdit::textChanged, this, &ChoixActeDialog::rechercher);
    connect(m_chapitres, &QTreeWidget::itemSelectionChanged, this,
            &ChoixActeDialog::chapitreChoisi);
    connect(m_resultats, &QTreeWidget::itemDoubleClicked, this, &ChoixActeDialog::choisir);
    connect(m_resultats, &QTreeWidget::currentItemChanged, this, &ChoixActeDialog::majBouton);
    connect(m_choisir, &QPushButton::clicked, this, &ChoixActeDialog::choisir);
    connect(annuler, &QPushButton::clicked, this, &ChoixActeDialog::reject);
    m_recherche->installEventFilter(this);
    m_resultats->installEventFilter(this);

    rechercher(QString());
    m_recherche->setFocus();
}

void ChoixActeDialog::setRecherche(const QString& texte)
{
    m_recherche->setText(texte);
}

void ChoixActeDialog::rechercher(const QString& texte)
{
    {
        const QSignalBlocker bloque(m_chapitres);
        m_chapitres->clearSelection();
    }
    const QString t = texte.trimmed();
    if (t.isEmpty()) {
        afficher(m_habituels,
                 m_habituels.isEmpty()
                     ? QStringLiteral("Tapez le code de l'acte ou des mots de son libellé.")
                     : QStringLiteral("Vos cotations habituelles : %1.")
                           .arg(nombreActes(static_cast<int>(m_habituels.size()))));
        return;
    }
    QList<ActePropose> actes;
    int total = 0;
    if (m_source) {
        const SourceActes::Reponse r = m_source->rechercher(t, kMaximum);
        actes = r.actes;
        total = r.total;
    } else {
        // Without the reference, the habitual codings are all there is to
        // search: every word typed begins the code or a word of the label,
        // words compared as the reference's search compares them.
        const QStringList demandes = RechercheActes::mots(t);
        for (const ActePropose& a : m_habituels) {
            const QStringList motsLibelle = RechercheActes::mots(a.libelle);
            const bool trouve =
                !demandes.isEmpty() &&
                std::all_of(demandes.begin(), demandes.end(), [&](const QString& m) {
                    return a.code.startsWith(m, Qt::CaseInsensitive) ||
                           std::any_of(motsLibelle.begin(), motsLibelle.end(),
                                       [&](const QString& l) { return l.startsWith(m); });
                });
            if (trouve)
                actes.append(a);
        }
        total = static_cast<int>(actes.size());
    }
    QString etat;
    if (total == 0)
        etat = QStringLiteral("Aucun acte ne correspond à « %1 ».").arg(t);
    else if (total > actes.size())
        etat = QStringLiteral("%1 trouvés ; les %2 premiers sont affichés.")
                   .arg(nombreActes(total))
                   .arg(actes.size());
    else
        etat = total == 1 ? QStringLiteral("1 acte trouvé.")
                          : QStringLiteral("%1 trouvés.").arg(nombreActes(total));
    afficher(actes, etat);
}

void ChoixActeDialog::chapitreChoisi()
{
    const QList<QTreeWidgetItem*> choix = m_chapitres->selectedItems();
    if (choix.isEmpty())
        return;
    {
        const QSignalBlocker bloque(m_recherche);
        m_recherche->clear();
    }
    const QString code = choix.first()->data(0, kRoleCode).toString();
    if (code == kHabituels || !m_source) {
        rechercher(QString());
        return;
    }
    const SourceActes::Reponse r = m_source->actesDuChapitre(code, kMaximum);
    QString etat = QStringLiteral("Chapitre %1 : %2.").arg(code, nombreActes(r.total));
    if (r.total > r.actes.size())
        etat += QStringLiteral(" Les %1 premiers sont affichés.").arg(r.actes.size());
    afficher(r.actes, etat);
}

void ChoixActeDialog::afficher(const QList<ActePropose>& actes, const QString& etat)
{
    m_resultats->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(actes.size());
    for (const ActePropose& a : actes) {
        auto* item = new QTreeWidgetItem({a.code, a.libelle, a.tarif});
        item->setToolTip(1, a.libelle);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    m_resultats->addTopLevelItems(items);
    if (!items.isEmpty())
        m_resultats->setCurrentItem(items.first());
    m_etat->setText(etat);
    majBouton();
}

void ChoixActeDialog::majBouton()
{
    m_choisir->setEnabled(m_resultats->currentItem() != nullptr);
}

void ChoixActeDialog::choisir()
{
    QTreeWidgetItem* item = m_resultats->currentItem();
    if (!item)
        return;
    m_code = item->text(0);
    accept();
}

bool ChoixActeDialog::eventFilter(QObject* objet, QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(e);
        switch (touche->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choisir();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // The list follows the arrows while the user keeps typing.
            if (objet == m_recherche) {
                QApplication::sendEvent(m_resultats, e);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(objet, e);
}

void ChoixActeDialog::actualiserSource(std::shared_ptr<const SourceActes> source)
{
    m_source = std::move(source);
    if (!m_recherche->text().trimmed().isEmpty())
        rechercher(m_recherche->text());
}

QList<ActePropose> ChoixActeDialog::lireHabituels(const QString& repertoireDonnees,
                                                  const SourceActes* source, QString* erreur)
{
    QList<ActePropose> habituels;
    for (const ActeHabituel& h : pava::lireHabituels(repertoireDonnees, erreur)) {
        ActePropose a{h.code, h.libelle, QString()};
        if (source) {
            if (const auto connu = source->acte(a.code)) {
                a.tarif = connu->tarif;
                if (a.libelle.isEmpty())
                    a.libelle = connu->libelle;
            }
        }
        habituels.append(a);
    }
    return habituels;
}

} // namespace pava
