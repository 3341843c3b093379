#include "db/MigrationPratique.h"

#include "db/BasePratique.h"
#include "db/ErreursSql.h"
#include "log/TextesErreurs.h"
#include "session/DateTexte.h"

#include <QAtomicInt>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace pava::pratique {

namespace {

QString nomConnexion()
{
    static QAtomicInt compteur;
    return QStringLiteral("pavaccam-migration-%1").arg(compteur.fetchAndAddRelaxed(1));
}

// Removes the connections when the copy ends, whatever the way out.
struct Connexions
{
    QStringList noms;
    ~Connexions()
    {
        for (const QString& n : noms) {
            QSqlDatabase::database(n, false).close();
            QSqlDatabase::removeDatabase(n);
        }
    }
};

QString typeServeur(const QString& colonne)
{
    if (colonne == u"date_valid")
        return QStringLiteral("date");
    if (colonne == u"cot_secu" || colonne == u"cot_reel" || colonne == u"cot_secu_e" ||
        colonne == u"cot_reel_e")
        return QStringLiteral("double precision");
    return QStringLiteral("text");
}

QString guillemets(const QString& nom)
{
    return u'"' + nom.toLower() + u'"';
}

qint64 compter(const QSqlDatabase& db, const QString& table, bool* ok = nullptr)
{
    QSqlQuery q(db);
    const bool lu =
        q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(guillemets(table))) && q.next();
    if (ok)
        *ok = lu;
    return lu ? q.value(0).toLongLong() : 0;
}

// The columns a SQLite table has ("" set when it has no such table).
QSet<QString> colonnesFichier(const QSqlDatabase& db, const QString& table)
{
    QSet<QString> colonnes;
    QSqlQuery q(db);
    if (q.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"))) {
        q.addBindValue(table);
        if (q.exec())
            while (q.next())
                colonnes.insert(q.value(0).toString().toLower());
    }
    return colonnes;
}

} // namespace

BilanMigration migrer(const QString& ccam001, const QString& cotation, const QString& uri,
                      bool fusionner)
{
    BilanMigration bilan;
    Connexions connexions;
    int numero = 0;
    const QString nomServeur = nomConnexion();
    if (!ouvrirBaseServeur(nomServeur, uri, false, 5000, numero, bilan.erreur)) {
        bilan.injoignable = numero == erreur::ServeurInjoignable;
        return bilan;
    }
    connexions.noms << nomServeur;
    QHash<QString, QString> fichierDe;
    for (const QString& fichier : {ccam001, cotation}) {
        const QString nom = nomConnexion();
        if (!ouvrirBaseSqlite(nom, fichier, true, 5000, numero, bilan.erreur))
            return bilan;
        connexions.noms << nom;
        fichierDe.insert(fichier, nom);
    }
    QSqlDatabase serveur = QSqlDatabase::database(nomServeur, false);
    QSqlQuery q(serveur);
    const auto echecServeur = [&](const QSqlError& e) {
        const QSqlError erreurSql = e;
        serveur.rollback();
        bilan.erreur = QStringLiteral("La copie vers « %1 » a échoué, rien n'a été copié : %2.")
                           .arg(uri, raisonSql(erreurSql, uri));
        bilan.injoignable = numeroErreurSql(erreurSql) == erreur::ServeurInjoignable;
        bilan.tables.clear();
        return bilan;
    };
    // One copy at a time, and no workstation writing meanwhile what the
    // counts below must see.
    if (!serveur.transaction() ||
        !q.exec(QStringLiteral("LOCK TABLE ccam_7, pavaactes, pavaccam, cotation_table_ccam, "
                               "cotation_date_ccam IN EXCLUSIVE MODE")))
        return echecServeur(q.lastError());

    QStringList dejaLa;
    for (const Table& t : tablesPratique()) {
        ComptesTable c;
        c.table = t.nom;
        bool ok = false;
        c.avant = compter(serveur, t.nom, &ok);
        if (!ok)
            return echecServeur(serveur.lastError());
        c.apres = c.avant;
        const QString fichier = t.nom.startsWith(QLatin1String("cotation_")) ? cotation : ccam001;
        const QSqlDatabase source = QSqlDatabase::database(fichierDe.value(fichier), false);
        if (!colonnesFichier(source, t.nom).isEmpty())
            c.source = compter(source, t.nom);
        if (c.avant > 0)
            dejaLa << QStringLiteral("%1 (%2 lignes)").arg(t.nom).arg(c.avant);
        bilan.tables << c;
    }
    if (!dejaLa.isEmpty() && !fusionner) {
        serveur.rollback();
        bilan.erreur = QStringLiteral("La base « %1 » contient déjà des données de la pratique "
                                      "(%2) : rien n'a été copié. L'option --fusionner ajoute "
                                      "seulement les lignes qui n'y sont pas encore.")
                           .arg(uri, dejaLa.join(QStringLiteral(", ")));
        return bilan;
    }

    for (qsizetype i = 0; i < tablesPratique().size(); ++i) {
        const Table& t = tablesPratique()[i];
        ComptesTable& c = bilan.tables[i];
        const QString fichier = t.nom.startsWith(QLatin1String("cotation_")) ? cotation : ccam001;
        const QSqlDatabase source = QSqlDatabase::database(fichierDe.value(fichier), false);
        const QSet<QString> presentes = colonnesFichier(source, t.nom);
        if (presentes.isEmpty())
            continue; // a table the file never had: nothing to copy
        QStringList lues;
        QStringList cibles;
        QStringList valeursSql;
        QStringList egalites;
        for (const QString& col : t.colonnes) {
            lues << (presentes.contains(col.toLower()) ? guillemets(col) : QStringLiteral("NULL"));
            cibles << guillemets(col);
            valeursSql << QStringLiteral("?::%1").arg(typeServeur(col.toLower()));
            egalites << QStringLiteral("%1 IS NOT DISTINCT FROM ?::%2")
                            .arg(guillemets(col), typeServeur(col.toLower()));
        }
        QString insertion = QStringLiteral("INSERT INTO %1 (%2) SELECT %3")
                                .arg(guillemets(t.nom), cibles.join(u','), valeursSql.join(u','));
        if (fusionner)
            insertion += QStringLiteral(" WHERE NOT EXISTS (SELECT 1 FROM %1 WHERE %2)")
                             .arg(guillemets(t.nom), egalites.join(QStringLiteral(" AND ")));
        if (!q.prepare(insertion))
            return echecServeur(q.lastError());
        QSqlQuery lecture(source);
        lecture.setForwardOnly(true);
        if (!lecture.exec(QStringLiteral("SELECT rowid, %1 FROM \"%2\" ORDER BY rowid")
                              .arg(lues.join(u','), t.nom))) {
            serveur.rollback();
            bilan.erreur = QStringLiteral("« %1 » ne peut être lu : %2 ; rien n'a été copié.")
                               .arg(fichier, raisonSql(lecture.lastError(), fichier));
            bilan.tables.clear();
            return bilan;
        }
        while (lecture.next()) {
            QVariantList valeurs;
            for (qsizetype k = 0; k < t.colonnes.size(); ++k) {
                QVariant v = lecture.value(static_cast<int>(k + 1));
                if (t.colonnes[k] == u"date_valid" && !v.isNull() &&
                    !v.toString().trimmed().isEmpty()) {
                    const QDate jour = lireDateHeure(v.toString().trimmed()).date();
                    if (!jour.isValid()) {
                        serveur.rollback();
                        bilan.erreur =
                            QStringLiteral("La date « %1 » de la ligne %2 de %3 (« %4 ») ne peut "
                                           "être lue : rien n'a été copié. Corrigez-la, puis "
                                           "recommencez.")
                                .arg(v.toString(), lecture.value(0).toString(), t.nom, fichier);
                        bilan.tables.clear();
                        return bilan;
                    }
                    v = jour;
                } else if (t.colonnes[k] == u"date_valid") {
                    v = QVariant(QMetaType(QMetaType::QDate));
                }
                valeurs << v;
            }
            if (fusionner)
                valeurs += QVariantList(valeurs);
            for (const QVariant& v : valeurs)
                q.addBindValue(v);
            if (!q.exec()) {
                // The row named, so that it can be put right in the file.
                const QString ligne = lecture.value(0).toString();
                echecServeur(q.lastError());
                bilan.erreur +=
                    QStringLiteral(" (ligne %1 de %2, « %3 »)").arg(ligne, t.nom, fichier);
                return bilan;
            }
        }
        bool ok = false;
        c.apres = compter(serveur, t.nom, &ok);
        if (!ok)
            return echecServeur(serveur.lastError());
    }
    if (!serveur.commit())
        return echecServeur(serveur.lastError());
    bilan.reussi = true;
    return bilan;
}

EtatBase examiner(const QString& uri)
{
    EtatBase etat;
    Connexions connexions;
    const QString nom = nomConnexion();
    int numero = 0;
    if (!ouvrirBaseServeur(nom, uri, false, 2000, numero, etat.erreur)) {
        etat.injoignable = numero == erreur::ServeurInjoignable;
        return etat;
    }
    connexions.noms << nom;
    const QSqlDatabase db = QSqlDatabase::database(nom, false);
    etat.joignable = true;
    etat.version = versionSchema(db);
    for (const Table& t : tablesPratique()) {
        ComptesTable c;
        c.table = t.nom;
        c.apres = compter(db, t.nom);
        etat.tables << c;
    }
    return etat;
}

} // namespace pava::pratique
