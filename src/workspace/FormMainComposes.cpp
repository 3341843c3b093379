// The workspace's personal lists: deleting a habitual coding through the
// message panel; composed acts added from the coding list through the entry
// panel, renamed, deleted through their confirmation frame.
#include "workspace/FormMain.h"

#include "coding/Cotation.h"
#include "db/DataControl.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "practice/ActesComposes.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "ui/Fenetres.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

namespace pava {

void FormMain::signalerRefus(const QString& procedure, const QString& quoi, DataControl& vue)
{
    QString erreur = vue.lastError();
    LogErreur(vue.lastErrorNumber(), erreur, procedure, quoi);
    if (vue.lastErrorNumber() == erreur::ModifieParUnAutrePoste) {
        // The row on the screen is no longer the one in the file: the user
        // sees the list as it now is before choosing again.
        vue.refresh();
        ui::message(this, QMessageBox::Information,
                    QStringLiteral("Sélectionner les cotations CCAM"),
                    QStringLiteral("%1 : rien n'a été fait, car un collègue a modifié la liste "
                                   "depuis qu'elle est affichée.\nLa liste vient d'être relue ; "
                                   "vérifiez-la avant de recommencer.")
                        .arg(quoi));
        return;
    }
    ui::message(this, QMessageBox::Warning, QStringLiteral("Sélectionner les cotations CCAM"),
                QStringLiteral("%1 : impossible.\n%2").arg(quoi, erreur));
}

// ---------------------------------------------------------- habitual codings

void FormMain::Supprimer2_Click()
{
    DataControl* habituels = m_ccammdb[0];
    if (!habituels->hasCurrent()) {
        montrerMessage(QStringLiteral("Choisissez d'abord dans la liste la cotation habituelle à "
                                      "supprimer."),
                       false);
        return;
    }
    montrerMessage(QStringLiteral("Etes-vous sûr de vouloir supprimer de vos actes habituels "
                                  "l'acte : \r\n\r\n") +
                       habituels->text(QStringLiteral("Libelle")).trimmed(),
                   true);
}

void FormMain::Command4_Click(int index)
{
    ui::placePanneau(m_picture1, false);
    if (index != 0)
        return;
    DataControl* habituels = m_ccammdb[0];
    if (habituels->deleteCurrent())
        resterDansLaListe(habituels);
    else
        signalerRefus(QStringLiteral("Command4_Click"),
                      QStringLiteral("Suppression de la cotation habituelle"), *habituels);
}

// ------------------------------------------------------------ composed acts

void FormMain::Command2_Click()
{
    m_text1->clear();
    ui::placePanneau(m_picture2, true);
    m_text1->setFocus();
}

void FormMain::CommandOK_Click()
{
    for (QLineEdit* zone : {m_text2, m_text3}) {
        if (ui::virguleRefusee(zone)) {
            QApplication::beep();
            zone->setFocus();
            return;
        }
    }
    const QString cotation =
        acteCompose(m_text2->text(), session().CotationRetour, m_text3->text());
    if (!composes::ajouter(*m_ccammdb[2], m_text1->text(), cotation)) {
        signalerRefus(
            QStringLiteral("CommandOK_Click"),
            QStringLiteral("Enregistrement de l'acte composé « %1 »").arg(m_text1->text()),
            *m_ccammdb[2]);
        return;
    }
    m_ssTab1->setCurrentIndex(1);
    ui::placePanneau(m_picture2, false);
}

void FormMain::CommandAnnule_Click()
{
    ui::placePanneau(m_picture2, false);
    m_ssTab1->setCurrentIndex(0);
}

void FormMain::Command3_Click()
{
    m_label6->setText(composes::nomCourant(*m_ccammdb[2]));
    m_command3->setEnabled(false);
    m_frame1->show();
    m_dbGrid3->setEnabled(false);
}

void FormMain::Command5_Click(int index)
{
    // A deletion without a current row, or refused, changes nothing; the
    // question closes all the same.
    if (index == 0 && !composes::supprimer(*m_ccammdb[2]) && m_ccammdb[2]->hasCurrent())
        signalerRefus(QStringLiteral("Command5_Click"),
                      QStringLiteral("Suppression de l'acte composé"), *m_ccammdb[2]);
    m_command3->setEnabled(true);
    m_frame1->hide();
    m_dbGrid3->setEnabled(true);
    m_dbGrid3->viewport()->update();
}

void FormMain::Command6_Click()
{
    DataControl* vue = m_ccammdb[2];
    if (!vue->hasCurrent())
        return;
    const QString ancien = composes::nomCourant(*vue);
    const QString nouveau = ui::saisieTexte(
        this, QStringLiteral("Modifier le libellé d'un acte"),
        QStringLiteral("Veillez saisir le nouvel intitulé de l'acte :\r\n") + ancien, ancien);
    if (nouveau.isEmpty() || nouveau == ancien)
        return;
    if (!composes::renommer(*vue, nouveau))
        signalerRefus(QStringLiteral("Command6_Click"),
                      QStringLiteral("Nouveau libellé de l'acte composé « %1 »").arg(ancien), *vue);
}

void FormMain::majCommand3()
{
    m_command3->setVisible(m_ccammdb[2]->recordCount() >= 1);
}

} // namespace pava
