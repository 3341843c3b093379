// The end of a coding: the complementary act of the consultation, then
// "&Valider" (F12, or a double-click on a composed act), which assembles the
// result string the host receives and closes the workspace.
#include "workspace/FormMain.h"

#include "coding/Cotation.h"
#include "complements/FrmActeComp.h"
#include "db/DataControl.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "practice/Resultat.h"
#include "practice/TarifCotation.h"
#include "session/Reglages.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "ui/Fenetres.h"
#include "ui/PremierPlan.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include <exception>

namespace pava {

void FormMain::Command7_Click()
{
    Session& s = session();
    s.TarifComplement = Monnaie{};
    m_cCCAM->clear();
    m_cNGAP->clear();
    m_lCCAM->clear();
    {
        FrmActeComp catalogue(this);
        ui::execModal(&catalogue);
    }
    if (!s.ComplementValide)
        return;
    m_cCCAM->setText(s.CotationCCAMComplement);
    m_cNGAP->setText(s.CotationNGAPComplement);
    m_lCCAM->setText(s.LibelleComplement);
    if (s.CotationCCAMComplement.isEmpty() || tarifierComplement(s.CotationCCAMComplement))
        return;
    // A complement whose price is unknown is not billed at all: its codes
    // would reach the host without their amount.
    m_cCCAM->clear();
    m_cNGAP->clear();
    m_lCCAM->clear();
}

bool FormMain::tarifierComplement(const QString& cotation)
{
    Session& s = session();
    const TarifCotation tarif = [&] {
        ui::CurseurAttente attente;
        return Get_TarifCotation(cotation, [this](const QString& e) { Ajoute_CCAM(e); });
    }();
    if (!tarif.montant) {
        ui::message(this, QMessageBox::Warning, QStringLiteral("Complément"),
                    QStringLiteral("Le complément « %1 » ne peut pas être facturé : son tarif ne "
                                   "peut pas être calculé.\n%2")
                        .arg(cotation, tarif.erreur));
        return false;
    }
    s.CotationCCAMComplement = cotation;
    s.TarifComplement = *tarif.montant;
    majMontantRendu();
    return true;
}

bool FormMain::cotationConfirmee()
{
    // A complement typed or changed by hand in its box is priced now: its
    // codes never reach the host without their amount.
    const QString complement = m_cCCAM->text().trimmed().toUpper();
    if (complement != session().CotationCCAMComplement && !tarifierComplement(complement)) {
        m_cCCAM->setFocus();
        return false;
    }
    m_cCCAM->setText(complement);
    TarificateurSRT tarificateur = tarificateurSession();
    const QString question = questionAssociation(jetonsCodes(), tarificateur);
    return question.isEmpty() ||
           ui::message(this, QMessageBox::Question, QStringLiteral("Règle d'association"), question,
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void FormMain::DBGrid3_DblClick()
{
    ButtonOk_Click();
}

void FormMain::ButtonOk_Click()
{
    Session& s = session();
    s.NomProcedure = QStringLiteral("ButtonOk_Click");
    for (QLineEdit* zone : {m_cCCAM, m_cNGAP}) {
        // The box says why beside it.
        if (ui::virguleRefusee(zone)) {
            QApplication::beep();
            zone->setFocus();
            return;
        }
    }
    if (m_ssTab1->currentIndex() == 0 && !cotationConfirmee())
        return;
    try {
        const int onglet = m_ssTab1->currentIndex();
        // The tab in front is a preference: failing to keep it stops nothing.
        if (!EcritReglage(QLatin1String(reglages::Onglet), QString::number(onglet))) {
            QString texte = QStringLiteral("Le réglage « Tab » n'a pas pu être enregistré.");
            LogErreur(erreur::PermissionRefusee, texte, s.NomProcedure, QString());
        }

        EntreesResultat e;
        e.onglet = onglet;
        const DataControl* composes = m_ccammdb[2];
        e.acteCourant = composes->hasCurrent();
        e.acteStocke = composes->text(QStringLiteral("CodeActe"));
        e.libelleActe = composes->text(QStringLiteral("LibelleCCAM"));
        e.cotation = s.CotationRetour;
        e.libelles = s.LibellesCotation;
        e.totalCotation = s.TotalCotation;
        e.ngap = m_cNGAP->text();
        e.complementCCAM = m_cCCAM->text();
        e.libelleComplement = m_lCCAM->text();
        e.tarifComplement = s.TarifComplement;
        const Resultat r = [&] {
            ui::CurseurAttente attente;
            return assembleResultat(e, [this](const QString& enr) { Ajoute_CCAM(enr); });
        }();
        if (!r.texte) {
            // Nothing is handed to the host: the practitioner chooses
            // another act or cancels.
            ui::message(this, QMessageBox::Warning, QStringLiteral("Acte composé"),
                        QStringLiteral("Cet acte composé ne peut pas être facturé : son tarif ne "
                                       "peut pas être calculé.\n%1")
                            .arg(r.erreur));
            return;
        }
        s.CotationRetour = *r.texte;
        m_validee = true;
        accept();
    } catch (const std::exception& ex) {
        echecValidation(QString::fromLocal8Bit(ex.what()));
    }
}

void FormMain::echecValidation(const QString& texte)
{
    Session& s = session();
    s.NomProcedure =
        texte + QStringLiteral("\r\n dans la procédure : ") + QStringLiteral("ButtonOk_Click");
    // The server ends when its host gives the object back: a coding that
    // could not be assembled is not served again by the same process.
    s.FinSurTerminaison = true;
    QString description = texte;
    LogErreur(erreur::Application, description, QStringLiteral("ButtonOk_Click"),
              QStringLiteral("Validation de la cotation"));
    RetirePremierPlan(this);
    repaint();
    for (int i = 0; i <= 100; ++i)
        QCoreApplication::processEvents();
    ui::message(this, QMessageBox::Critical, QStringLiteral("Erreur de sélection de la CCAM..."),
                s.NomProcedure);
    // The host receives the coding string of the moment.
    m_validee = true;
    accept();
}

} // namespace pava
