#include "ReferenceEssai.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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

bool executer(QSqlQuery& q, const QString& sql, const QVariantList& valeurs, QString* erreur)
{
    if (!q.prepare(sql)) {
        *erreur = q.lastError().text() + QStringLiteral(" : ") + sql;
        return false;
    }
    for (const QVariant& v : valeurs)
        q.addBindValue(v);
    if (!q.exec()) {
        *erreur = q.lastError().text() + QStringLiteral(" : ") + sql;
        return false;
    }
    return true;
}

template <typename F> bool avecBase(const QString& fichier, QString* erreur, F&& f)
{
    static int compteur = 0;
    const QString nom = QStringLiteral("reference-essai-%1").arg(++compteur);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(fichier);
        if (db.open()) {
            // One transaction: a test's reference is written in a blink.
            db.transaction();
            QSqlQuery q(db);
            ok = f(q);
            q = QSqlQuery();
            ok = db.commit() && ok;
        } else {
            *erreur = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return ok;
}

} // namespace

bool creerReference(const QString& fichier, QString* erreur)
{
    QFile schema(QStringLiteral(PAVACCAM_SOURCE_DATA_DIR "/reference-schema.sql"));
    if (!schema.open(QIODevice::ReadOnly)) {
        *erreur = QStringLiteral("schéma introuvable : ") + schema.fileName();
        return false;
    }
    const QString texte = QString::fromUtf8(schema.readAll());
    QDir().mkpath(QFileInfo(fichier).absolutePath());
    return avecBase(fichier, erreur, [&](QSqlQuery& q) {
        // The schema, statement by statement, comments left out.
        QString sansCommentaires;
        for (const QString& ligne : texte.split(QLatin1Char('\n')))
            if (!ligne.trimmed().startsWith(QLatin1String("--")))
                sansCommentaires += ligne + QLatin1Char('\n');
        for (const QString& instruction : sansCommentaires.split(QLatin1Char(';')))
            if (!instruction.trimmed().isEmpty() && !executer(q, instruction, {}, erreur))
                return false;
        if (!executer(q, QStringLiteral("PRAGMA user_version = 1"), {}, erreur) ||
            !executer(q,
                      QStringLiteral("INSERT INTO edition VALUES ('2020-01-01', 1, 'Essai', "
                                     "'essai', 'essai', '2020-01-01', 1)"),
                      {}, erreur) ||
            !executer(q, QStringLiteral("INSERT INTO grille VALUES (1, 'Secteur 1'), (2, 'Hors')"),
                      {}, erreur))
            return false;
        int rang = 0;
        for (const ChapitreEssai& c : chapitresEssai())
            if (!executer(
                    q, QStringLiteral("INSERT INTO chapitre VALUES (?, ?, ?, ?)"),
                    {c.code, c.parent.isEmpty() ? QVariant() : QVariant(c.parent), ++rang, c.titre},
                    erreur))
                return false;
        rang = 0;
        for (const ActeEssai& a : actesEssai()) {
            ++rang;
            if (!executer(q, QStringLiteral("INSERT INTO CCAM_7 VALUES (?, ?)"),
                          {a.code, a.libelle}, erreur) ||
                !executer(q,
                          QStringLiteral("INSERT INTO acte VALUES (?, ?, ?, 'acte', 0, 0, ?, "
                                         "'2020-01-01', NULL)"),
                          {a.code, a.libelle, a.chapitre, rang}, erreur) ||
                !executer(q,
                          QStringLiteral("INSERT INTO activite VALUES (?, 1, 0, 'Acte', 0, 0, "
                                         "'', '', 1)"),
                          {a.code}, erreur))
                return false;
            for (int grille : {1, 2})
                if (!executer(
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

bool creerHabituels(const QString& fichier, const QList<QPair<QString, QString>>& habituels)
{
    QString erreur;
    QDir().mkpath(QFileInfo(fichier).absolutePath());
    return avecBase(fichier, &erreur, [&](QSqlQuery& q) {
        if (!executer(q, QStringLiteral("CREATE TABLE CCAM_7 (CodeActe TEXT, Libelle TEXT)"), {},
                      &erreur))
            return false;
        for (const auto& [code, libelle] : habituels)
            if (!executer(q, QStringLiteral("INSERT INTO CCAM_7 VALUES (?, ?)"), {code, libelle},
                          &erreur))
                return false;
        return true;
    });
}

bool creerHistorique(const QString& fichier, const QList<QPair<QString, QString>>& datees,
                     int remplissage)
{
    QString erreur;
    QDir().mkpath(QFileInfo(fichier).absolutePath());
    return avecBase(fichier, &erreur, [&](QSqlQuery& q) {
        if (!executer(q, QStringLiteral("CREATE TABLE cotation_table_CCAM (cot TEXT, Desc TEXT)"),
                      {}, &erreur) ||
            !executer(q,
                      QStringLiteral("CREATE TABLE cotation_date_CCAM (cot__date TEXT, Desc TEXT, "
                                     "date_valid DATE, cot_secu REAL, cot_reel REAL, cot_secu_e "
                                     "REAL, cot_reel_e REAL)"),
                      {}, &erreur))
            return false;
        const QString desc(400, QLatin1Char('x'));
        QList<QPair<QString, QString>> lignes = datees;
        for (int i = 0; i < remplissage; ++i)
            lignes.append({QStringLiteral("ZZZZ%1").arg(i % 1000, 3, 10, QLatin1Char('0')),
                           QStringLiteral("2020-01-01")});
        for (const auto& [code, date] : lignes) {
            const QString jeton = code + QStringLiteral("10_____");
            if (!executer(q,
                          QStringLiteral("INSERT INTO cotation_date_CCAM VALUES (?, ?, ?, 1, "
                                         "1, 1, 1)"),
                          {jeton, desc, date}, &erreur) ||
                !executer(q, QStringLiteral("INSERT INTO cotation_table_CCAM VALUES (?, ?)"),
                          {jeton, desc}, &erreur))
                return false;
        }
        return true;
    });
}

} // namespace pava::test
