#include "ReferenceEssai.h"

#include "db/BasePratique.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

namespace pava::test {

namespace {

// Whether the base at hand is the server's (set while avecBase runs).
bool g_serveur = false;

bool lancer(QSqlQuery& q, const QString& instruction, const QVariantList& valeurs = {})
{
    // In the engine's dialect, as the program writes it; the server prepares
    // only queries and row changes.
    const QString sql = g_serveur ? pratique::versPostgres(instruction) : instruction;
    if (valeurs.isEmpty())
        return q.exec(sql);
    if (!q.prepare(sql))
        return false;
    for (const QVariant& v : valeurs)
        q.addBindValue(v);
    return q.exec();
}

// A file, or the practice's server database (its schema made as the program
// makes it).
template <typename F> auto avecBase(const QString& fichier, F&& f)
{
    static int compteur = 0;
    const QString nom = QStringLiteral("essai-%1").arg(++compteur);
    g_serveur = pratique::estAdresseServeur(fichier);
    auto resultat = [&] {
        int numero = 0;
        QString message;
        if (g_serveur && !pratique::ouvrirBaseServeur(nom, fichier, false, 5000, numero, message))
            return decltype(f(std::declval<QSqlDatabase&>()))();
        QSqlDatabase db = g_serveur ? QSqlDatabase::database(nom, false)
                                    : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        if (!g_serveur) {
            db.setDatabaseName(fichier);
            if (!db.open())
                return decltype(f(db))();
        }
        return f(db);
    }();
    QSqlDatabase::removeDatabase(nom);
    return resultat;
}

// A whole file written in one transaction: a test's base is made in a blink.
template <typename F> bool creer(const QString& fichier, F&& f)
{
    if (!pratique::estAdresseServeur(fichier))
        QDir().mkpath(QFileInfo(fichier).absolutePath());
    return avecBase(fichier, [&](QSqlDatabase& db) {
        db.transaction();
        bool ok = false;
        {
            QSqlQuery q(db);
            ok = f(q);
        }
        return db.commit() && ok;
    });
}

} // namespace

bool executer(const QString& fichier, const QString& instruction, const QVariantList& valeurs)
{
    return avecBase(fichier, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        return lancer(q, instruction, valeurs);
    });
}

QStringList colonne(const QString& fichier, const QString& requete)
{
    return avecBase(fichier, [&](QSqlDatabase& db) {
        QStringList valeurs;
        QSqlQuery q(db);
        if (lancer(q, requete))
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
        if (lancer(q, requete) && q.next())
            for (int i = 0; i < q.record().count(); ++i)
                valeurs << q.value(i).toString();
        return valeurs;
    });
}

bool creerHabituels(const QString& fichier, const Habituels& habituels)
{
    return creer(fichier, [&](QSqlQuery& q) {
        if (!g_serveur &&
            !lancer(q, QStringLiteral("CREATE TABLE CCAM_7 (CodeActe TEXT (7), Libelle TEXT (255), "
                                      "Remarque TEXT (50))")))
            return false;
        for (const auto& [code, libelle] : habituels)
            if (!lancer(q, QStringLiteral("INSERT INTO CCAM_7 (CodeActe, Libelle) VALUES (?, ?)"),
                        {code, libelle}))
                return false;
        return true;
    });
}

bool ajouterActesComposes(const QString& fichier, const Habituels& actes)
{
    return creer(fichier, [&](QSqlQuery& q) {
        if (!g_serveur &&
            !lancer(q, QStringLiteral("CREATE TABLE IF NOT EXISTS PavaACTES (CodeActe TEXT (255), "
                                      "LibelleCCAM TEXT (255),ValeurSS TEXT (24),ValeurReel TEXT "
                                      "(24))")))
            return false;
        for (const auto& [code, libelle] : actes)
            if (!lancer(
                    q,
                    QStringLiteral("INSERT INTO PavaACTES (CodeActe, LibelleCCAM) VALUES (?, ?)"),
                    {code, libelle}))
                return false;
        return true;
    });
}

bool creerHistorique(const QString& fichier, const QList<QPair<QString, QString>>& datees,
                     int remplissage)
{
    return creer(fichier, [&](QSqlQuery& q) {
        if (!g_serveur &&
            (!lancer(q, QStringLiteral("CREATE TABLE cotation_table_CCAM (cot TEXT, Desc TEXT)")) ||
             !lancer(q,
                     QStringLiteral("CREATE TABLE cotation_date_CCAM (cot__date TEXT, Desc TEXT, "
                                    "date_valid DATE, cot_secu REAL, cot_reel REAL, cot_secu_e "
                                    "REAL, cot_reel_e REAL)"))))
            return false;
        const QString desc(400, QLatin1Char('x'));
        QList<QPair<QString, QString>> lignes = datees;
        for (int i = 0; i < remplissage; ++i)
            lignes.append({QStringLiteral("ZZZZ%1").arg(i % 1000, 3, 10, QLatin1Char('0')),
                           QStringLiteral("2020-01-01")});
        for (const auto& [code, date] : lignes) {
            const QString jeton = code + QStringLiteral("10_____");
            if (!lancer(q,
                        QStringLiteral("INSERT INTO cotation_date_CCAM (cot__date, \"Desc\", "
                                       "date_valid, cot_secu, cot_reel, cot_secu_e, cot_reel_e) "
                                       "VALUES (?, ?, ?, 1, 1, 1, 1)"),
                        {jeton, desc, date}) ||
                !lancer(
                    q,
                    QStringLiteral("INSERT INTO cotation_table_CCAM (cot, \"Desc\") VALUES (?, ?)"),
                    {jeton, desc}))
                return false;
        }
        return true;
    });
}

} // namespace pava::test
