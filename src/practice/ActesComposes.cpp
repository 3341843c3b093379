#include "practice/ActesComposes.h"

#include "coding/Cotation.h"
#include "db/DataControl.h"
#include "session/Chemins.h"

namespace pava::composes {

namespace {

const QString kLibelle = QStringLiteral("LibelleCCAM");

// The stored form of a name, which is also what finds it again.
QString stocke(QString nom)
{
    return DoubleApostrophes(nom);
}

} // namespace

bool ajouter(DataControl& vue, const QString& nom, const QString& cotation)
{
    const QString libelle = stocke(nom);
    if (!(vue.addNew() && vue.setValue(kLibelle, libelle) &&
          vue.setValue(QStringLiteral("CodeActe"), cotation) && vue.update())) {
        vue.cancelUpdate();
        return false;
    }
    const QVariant nouveau = vue.lastModified();
    vue.refresh();
    vue.setBookmark(nouveau);
    return true;
}

bool renommer(DataControl& vue, const QString& nom)
{
    if (!(vue.edit() && vue.setValue(kLibelle, stocke(nom)) && vue.update())) {
        vue.cancelUpdate();
        return false;
    }
    return true;
}

bool supprimer(DataControl& vue)
{
    if (!vue.deleteCurrent())
        return false;
    if (!vue.movePrevious() || vue.bof())
        vue.moveFirst();
    return true;
}

QString nomCourant(const DataControl& vue)
{
    return apostrophesSimples(vue.text(kLibelle));
}

} // namespace pava::composes
