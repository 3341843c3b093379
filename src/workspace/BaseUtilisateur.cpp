#include "workspace/BaseUtilisateur.h"

#include "db/DataControl.h"
#include "session/Chemins.h"

namespace pava::base {

QString cheminBase(const QString& repertoireDonnees)
{
    return CompleteChemin(repertoireDonnees) + QStringLiteral("CCAM001.mdb");
}

bool preparer(DataControl& base)
{
    base.execute(QStringLiteral("CREATE TABLE PavaACTES (CodeActe TEXT (255), LibelleCCAM "
                                "TEXT (255),ValeurSS TEXT (24),ValeurReel TEXT (24));"));
    base.execute(QStringLiteral("CREATE TABLE PavaCCAM (CodeCCAM TEXT (24), LibelleCCAM "
                                "TEXT (255),ValeurSS TEXT (24),ValeurReel TEXT (24));"));
    // With a condition, a list already empty is not written again: a
    // database only looked at stays byte for byte as it was.
    return base.execute(QStringLiteral("DELETE * FROM PavaCCAM WHERE 1 ;"));
}

QString sourceListe()
{
    return QStringLiteral("PavaCCAM");
}

QString sourceHabituels(int colonne)
{
    switch (colonne) {
    case 0:
        return QStringLiteral("SELECT * FROM CCAM_7 ORDER BY Libelle");
    case 1:
        return QStringLiteral("SELECT * FROM CCAM_7 ORDER BY CodeActe");
    default:
        return {};
    }
}

QString sourceComposes(int colonne)
{
    switch (colonne) {
    case 0:
        return QStringLiteral("Select * From PavaACTES Order By LibelleCCAM");
    case 1:
        return QStringLiteral("Select * From PavaACTES Order By CodeActe");
    default:
        return {};
    }
}

} // namespace pava::base
