#include "srt/TableCcam7.h"

#include "db/ErreursSql.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace pava {

QString libelleCcam7(const QString& fichierReference, const QString& code)
{
    static QAtomicInt compteur;
    const QString connexion =
        QStringLiteral("pavaccam-ccam7-%1").arg(compteur.fetchAndAddRelaxed(1));
    int numero = 0;
    QString message;
    if (!ouvrirBaseSqlite(connexion, fichierReference, true, 3000, numero, message))
        return {};
    QString libelle;
    {
        QSqlQuery q(QSqlDatabase::database(connexion, false));
        if (q.prepare(QStringLiteral("SELECT Libelle FROM CCAM_7 WHERE CodeActe = ?"))) {
            q.addBindValue(code.trimmed().toUpper()); // the reference writes codes in capitals
            if (q.exec() && q.next())
                libelle = q.value(0).toString();
        }
    }
    QSqlDatabase::database(connexion, false).close();
    QSqlDatabase::removeDatabase(connexion);
    return libelle;
}

} // namespace pava
