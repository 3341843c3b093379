#include "reader/CtlCCAM.h"

#include "reader/ChoixActeDialog.h"
#include "reader/SourceReference.h"
#include "ui/Dialogues.h"

#include "practice/PratiqueActes.h"

#include <QApplication>
#include <QPointer>
#include <QThreadPool>
#include <QWidget>

namespace pava {

CtlCCAM::CtlCCAM(QObject* parent)
    : QObject(parent), m_fournisseur([](QString* erreur) -> std::shared_ptr<const SourceActes> {
          return SourceReference::installee(erreur);
      })
{}

CtlCCAM::~CtlCCAM()
{
    delete m_ouvert.data();
}

void CtlCCAM::setFournisseurSource(FournisseurSource fournisseur)
{
    m_fournisseur = std::move(fournisseur);
}

ChoixActeDialog* CtlCCAM::creerChoix()
{
    QString erreurSource;
    std::shared_ptr<const SourceActes> source =
        m_fournisseur ? m_fournisseur(&erreurSource) : nullptr;
    QString erreurHabituels;
    QList<ActePropose> habituels =
        ChoixActeDialog::lireHabituels(m_pathData, source.get(), &erreurHabituels);
    // What the practice has coded ranks the search. Without its history (none,
    // locked, damaged) the chooser ranks without it and says nothing more.
    RechercheActes::Pratique pratique;
    for (const ActePropose& a : std::as_const(habituels))
        pratique.habituels.append(a.code);
    const QString historique = fichierHistorique(m_pathDataRsc);
    const bool enArrierePlan = source && !historique.isEmpty() && !historiqueRapide(historique);
    if (source && !historique.isEmpty() && !enArrierePlan)
        pratique.historique = lireHistorique(historique);
    const std::shared_ptr<const SourceActes> base = source;
    if (source)
        source = source->pourPratique(pratique);
    QString message;
    if (!source)
        message =
            (erreurSource.isEmpty() ? QStringLiteral("Le référentiel CCAM n'est pas disponible.")
                                    : erreurSource) +
            QStringLiteral(" Seules vos cotations habituelles sont proposées.");
    // Above the window that asks (the act window), so that it stays in front.
    auto* choix = new ChoixActeDialog(std::move(source), std::move(habituels), message,
                                      QApplication::activeWindow());
    if (!m_paramTexte.isEmpty())
        choix->setRecherche(m_paramTexte);
    if (enArrierePlan) {
        QThreadPool::globalInstance()->start(
            [choix = QPointer<ChoixActeDialog>(choix), base, pratique, historique]() mutable {
                pratique.historique = lireHistorique(historique);
                // Back on the windows' thread, where the search lives.
                QMetaObject::invokeMethod(
                    qApp,
                    [choix, base, pratique]() {
                        if (choix)
                            choix->actualiserSource(base->pourPratique(pratique));
                    },
                    Qt::QueuedConnection);
            });
    }
    return choix;
}

int CtlCCAM::ChoisirActe()
{
    m_code.clear();
    std::unique_ptr<ChoixActeDialog> choix(creerChoix());
    const int resultat = ui::execModal(choix.get());
    if (resultat == QDialog::Accepted)
        m_code = choix->codeChoisi();
    return m_code.isEmpty() ? 0 : 1;
}

void CtlCCAM::ouvrirChoix()
{
    if (m_ouvert) {
        m_ouvert->raise();
        m_ouvert->activateWindow();
        return;
    }
    m_code.clear();
    ChoixActeDialog* choix = creerChoix();
    m_ouvert = choix;
    connect(choix, &QDialog::finished, this, [this, choix](int resultat) {
        m_code = resultat == QDialog::Accepted ? choix->codeChoisi() : QString();
        m_ouvert = nullptr;
        choix->deleteLater();
        Q_EMIT choixTermine();
    });
    choix->setWindowModality(Qt::ApplicationModal);
    choix->show();
    choix->raise();
    choix->activateWindow();
}

} // namespace pava
