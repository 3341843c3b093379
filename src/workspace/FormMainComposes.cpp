// The workspace's personal lists: deleting a habitual coding through the
// message panel.
#include "workspace/FormMain.h"

#include "db/DataControl.h"
#include "log/ErrorLog.h"
#include "workspace/Dialogues.h"
#include "workspace/Fenetres.h"

#include <QFrame>

namespace pava {

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
    if (habituels->deleteCurrent()) {
        resterDansLaListe(habituels);
        return;
    }
    QString erreur = habituels->lastError();
    LogErreur(habituels->lastErrorNumber(), erreur, QStringLiteral("Command4_Click"),
              QStringLiteral("Suppression d'une cotation habituelle"));
    ui::message(
        this, QMessageBox::Warning, QStringLiteral("Cotations habituelles"),
        QStringLiteral("La cotation habituelle n'a pas pu être supprimée :\n%1").arg(erreur));
}

} // namespace pava
