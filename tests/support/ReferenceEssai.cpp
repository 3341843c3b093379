#include "ReferenceEssai.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace pava::test {

QList<ActeEssai> actesEssai()
{
    return {
        {"DEQP003", "Électrocardiographie sur au moins 12 dérivations", "04.01", 0, 1426},
        {"DEQP005", "Électrocardiographie avec enregistrement de longue durée", "04.01", 0, 7034},
        {"HBGD035", "Avulsion d'une dent permanente", "07.02", 1, 0},
        {"QZJA002", "Suture de plaie superficielle de la peau de moins de 3 cm", "16.03", 0, 2500},
        {"QZJA017", "Suture de plaies profondes de la peau et des tissus mous", "16.03", 0, 6350},
        {"QZGA002", "Ablation de corps étranger de la peau", "16.01", 0, 4180},
    };
}

QList<ChapitreEssai> chapitresEssai()
{
    return {
        {"04", "", "Appareil circulatoire"},
        {"04.01", "04", "Actes diagnostiques sur l'appareil circulatoire"},
        {"07", "", "Appareil digestif"},
        {"07.02", "07", "Actes thérapeutiques sur les dents"},
        {"16", "", "Peau et tissu cellulaire sous-cutané"},
        {"16.01", "16", "Ablation de corps étranger"},
        {"16.03", "16", "Réparation de la peau"},
    };
}

namespace {

bool lancer(QSqlQuery& q, const QString& sql, const QVariantList& valeurs,
            QString* erreur = nullptr)
{
    bool ok = q.prepare(sql);
    for (const QVariant& v : valeurs)
        q.addBindValue(v);
    ok = ok && q.exec();
    if (!ok && erreur)
        *erreur = q.lastError().text() + QStringLiteral(" : ") + sql;
    return ok;
}

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

// A whole file written in one transaction: a test's base is made in a blink.
template <typename F> bool creer(const QString& fichier, F&& f)
{
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

bool creerReference(const QString& fichier, QString* erreur)
{
    QFile schema(QStringLiteral(PAVACCAM_SOURCE_DATA_DIR "/reference-schema.sql"));
    if (!schema.open(QIODevice::ReadOnly)) {
        *erreur = QStringLiteral("schéma introuvable : ") + schema.fileName();
        return false;
    }
    const QString texte = QString::fromUtf8(schema.readAll());
    return creer(fichier, [&](QSqlQuery& q) {
        // The schema, statement by statement, comments left out.
        QString sansCommentaires;
        for (const QString& ligne : texte.split(QLatin1Char('\n')))
            if (!ligne.trimmed().startsWith(QLatin1String("--")))
                sansCommentaires += ligne + QLatin1Char('\n');
        for (const QString& instruction : sansCommentaires.split(QLatin1Char(';')))
            if (!instruction.trimmed().isEmpty() && !lancer(q, instruction, {}, erreur))
                return false;
        if (!lancer(q, QStringLiteral("PRAGMA user_version = 1"), {}, erreur) ||
            !lancer(q,
                    QStringLiteral("INSERT INTO edition VALUES ('2020-01-01', 1, 'Essai', "
                                   "'essai', 'essai', '2020-01-01', 1)"),
                    {}, erreur) ||
            !lancer(q, QStringLiteral("INSERT INTO grille VALUES (1, 'Secteur 1'), (2, 'Hors')"),
                    {}, erreur))
            return false;
        int rang = 0;
        for (const ChapitreEssai& c : chapitresEssai())
            if (!lancer(
                    q, QStringLiteral("INSERT INTO chapitre VALUES (?, ?, ?, ?)"),
                    {c.code, c.parent.isEmpty() ? QVariant() : QVariant(c.parent), ++rang, c.titre},
                    erreur))
                return false;
        rang = 0;
        for (const ActeEssai& a : actesEssai()) {
            ++rang;
            if (!lancer(q, QStringLiteral("INSERT INTO CCAM_7 VALUES (?, ?)"), {a.code, a.libelle},
                        erreur) ||
                !lancer(q,
                        QStringLiteral("INSERT INTO acte VALUES (?, ?, ?, 'acte', 0, 0, ?, "
                                       "'2020-01-01', NULL)"),
                        {a.code, a.libelle, a.chapitre, rang}, erreur) ||
                !lancer(q,
                        QStringLiteral("INSERT INTO activite VALUES (?, 1, 0, 'Acte', 0, 0, "
                                       "'', '', 1)"),
                        {a.code}, erreur))
                return false;
            for (int grille : {1, 2})
                if (!lancer(
                        q,
                        QStringLiteral("INSERT INTO tarif VALUES (?, 1, 0, ?, "
                                       "'2020-01-01', ?, ?)"),
                        {a.code, grille, a.etat, a.etat == 0 ? QVariant(a.centimes) : QVariant()},
                        erreur))
                    return false;
        }
        return true;
    });
}

bool creerHabituels(const QString& fichier, const Habituels& habituels)
{
    return creer(fichier, [&](QSqlQuery& q) {
        if (!lancer(q,
                    QStringLiteral("CREATE TABLE CCAM_7 (CodeActe TEXT (7), Libelle TEXT (255), "
                                   "Remarque TEXT (50))"),
                    {}))
            return false;
        for (const auto& [code, libelle] : habituels)
            if (!lancer(q, QStringLiteral("INSERT INTO CCAM_7 (CodeActe, Libelle) VALUES (?, ?)"),
                        {code, libelle}))
                return false;
        return true;
    });
}

bool creerHistorique(const QString& fichier, const QList<QPair<QString, QString>>& datees,
                     int remplissage)
{
    return creer(fichier, [&](QSqlQuery& q) {
        if (!lancer(q, QStringLiteral("CREATE TABLE cotation_table_CCAM (cot TEXT, Desc TEXT)"),
                    {}) ||
            !lancer(q,
                    QStringLiteral("CREATE TABLE cotation_date_CCAM (cot__date TEXT, Desc TEXT, "
                                   "date_valid DATE, cot_secu REAL, cot_reel REAL, cot_secu_e "
                                   "REAL, cot_reel_e REAL)"),
                    {}))
            return false;
        const QString desc(400, QLatin1Char('x'));
        QList<QPair<QString, QString>> lignes = datees;
        for (int i = 0; i < remplissage; ++i)
            lignes.append({QStringLiteral("ZZZZ%1").arg(i % 1000, 3, 10, QLatin1Char('0')),
                           QStringLiteral("2020-01-01")});
        for (const auto& [code, date] : lignes) {
            const QString jeton = code + QStringLiteral("10_____");
            if (!lancer(q,
                        QStringLiteral("INSERT INTO cotation_date_CCAM VALUES (?, ?, ?, 1, "
                                       "1, 1, 1)"),
                        {jeton, desc, date}) ||
                !lancer(q, QStringLiteral("INSERT INTO cotation_table_CCAM VALUES (?, ?)"),
                        {jeton, desc}))
                return false;
        }
        return true;
    });
}

} // namespace pava::test
