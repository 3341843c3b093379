#include "BaseEssai.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

namespace pava::test {

namespace {

template <typename F> auto avecBase(const QString& fichier, F&& f)
{
    static int compteur = 0;
    const QString nom = QStringLiteral("essai-%1").arg(++compteur);
    auto resultat = [&] {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(fichier);
        if (!db.open())
            return decltype(f(db))();
        return f(db);
    }();
    QSqlDatabase::removeDatabase(nom);
    return resultat;
}

} // namespace

bool creerBaseUtilisateur(const QString& fichier, const Habituels& habituels)
{
    return avecBase(fichier, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("CREATE TABLE CCAM_7 (CodeActe TEXT (7), Libelle TEXT (255), "
                                   "Remarque TEXT (50))")))
            return false;
        for (const auto& [code, libelle] : habituels) {
            q.prepare(QStringLiteral("INSERT INTO CCAM_7 (CodeActe, Libelle) VALUES (?, ?)"));
            q.addBindValue(code);
            q.addBindValue(libelle);
            if (!q.exec())
                return false;
        }
        return true;
    });
}

bool executer(const QString& fichier, const QString& instruction, const QVariantList& valeurs)
{
    return avecBase(fichier, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.prepare(instruction))
            return false;
        for (const QVariant& v : valeurs)
            q.addBindValue(v);
        return q.exec();
    });
}

QStringList colonne(const QString& fichier, const QString& requete)
{
    return avecBase(fichier, [&](QSqlDatabase& db) {
        QStringList valeurs;
        QSqlQuery q(db);
        if (q.exec(requete))
            while (q.next())
                valeurs << q.value(0).toString();
        return valeurs;
    });
}

QStringList ligne(const QString& fichier, const QString& requete)
{
    return avecBase(fichier, [&](QSqlDatabase& db) {
        QStringList valeurs;
        QSqlQuery q(db);
        if (q.exec(requete) && q.next())
            for (int i = 0; i < q.record().count(); ++i)
                valeurs << q.value(i).toString();
        return valeurs;
    });
}

} // namespace pava::test
