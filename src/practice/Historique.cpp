#include "practice/Historique.h"

#include "coding/Cotation.h"
#include "coding/Montant.h"
#include "db/BasePratique.h"
#include "db/ErreursSql.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "session/Session.h"

#include <QAtomicInt>
#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <optional>

namespace pava::historique {

namespace {

int g_attente = 500;

// The histories found locked lately, and when: the acts of one validation
// (a composed act is several) do not each wait for the same lock, so the
// server is held half a second at most, not half a second per act.
QMutex g_verrousRecents;
QHash<QString, QDeadlineTimer> g_verrous;

int attentePour(const QString& fichier)
{
    const QMutexLocker verrou(&g_verrousRecents);
    const auto i = g_verrous.constFind(fichier);
    return i != g_verrous.cend() && !i->hasExpired() ? 0 : g_attente;
}

void noterVerrou(const QString& fichier, int numero)
{
    const QMutexLocker verrou(&g_verrousRecents);
    if (numero == erreur::BaseVerrouillee)
        g_verrous.insert(fichier, QDeadlineTimer(2000));
    else
        g_verrous.remove(fichier);
}

// One connection to the history for one recording: a file is opened and
// closed by each recording; the connection to a server is kept for the
// thread (connecting costs more than recording), and dropped when the
// server went away, so that the next recording connects again.
class Connexion
{
public:
    explicit Connexion(const QString& fichier) : m_serveur(pratique::estAdresseServeur(fichier))
    {
        static QAtomicInt compteur;
        thread_local QHash<QString, QString> gardees;
        if (m_serveur) {
            m_nom = gardees.value(fichier);
            if (!m_nom.isEmpty() && QSqlDatabase::database(m_nom, false).isOpen()) {
                {
                    QSqlDatabase db = QSqlDatabase::database(m_nom, false);
                    m_ouverte = pratique::fixerAttente(db, attentePour(fichier));
                }
                if (m_ouverte)
                    return;
                oublier(); // the server went away since: connect again
            }
        }
        m_nom = QStringLiteral("pavaccam-historique-%1").arg(compteur.fetchAndAddRelaxed(1));
        m_ouverte = ouvrirBase(m_nom, fichier, false, attentePour(fichier), m_numero, m_message);
        if (m_ouverte && m_serveur)
            gardees.insert(fichier, m_nom);
    }
    ~Connexion()
    {
        if (!m_ouverte || (m_serveur && !m_perdue))
            return;
        QSqlDatabase::database(m_nom, false).close();
        QSqlDatabase::removeDatabase(m_nom);
    }
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    bool ouverte() const { return m_ouverte; }
    int numero() const { return m_numero; }
    QString message() const { return m_message; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_nom, false); }
    const QString& nom() const { return m_nom; }
    // The server went away: the connection goes when this recording ends.
    void perdue() { m_perdue = m_serveur; }

private:
    void oublier()
    {
        QSqlDatabase::database(m_nom, false).close();
        QSqlDatabase::removeDatabase(m_nom);
    }

    bool m_serveur = false;
    QString m_nom;
    bool m_ouverte = false;
    bool m_perdue = false;
    int m_numero = 0;
    QString m_message;
};

// The last dated record of a token.
struct Dernier
{
    bool existe = false;
    qint64 id = 0;
    QDate jour;
    double secu = 0.0;
};

bool memePrix(double a, double b)
{
    return std::llround(a * 100.0) == std::llround(b * 100.0);
}

QDate lireJour(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return lireDateHeure(v.toString().trimmed()).date();
}

class Ecriture
{
public:
    Ecriture(const QSqlDatabase& db, const QString& jeton) : m_db(db), m_q(db), m_jeton(jeton) {}

    const QSqlError& erreur() const { return m_erreur; }

    std::optional<bool> jetonConnu()
    {
        if (!executer(QStringLiteral("SELECT 1 FROM cotation_table_CCAM WHERE cot = ? LIMIT 1"),
                      {m_jeton}))
            return std::nullopt;
        return m_q.next();
    }

    std::optional<Dernier> dernier()
    {
        if (!executer(QStringLiteral("SELECT rowid, date_valid, cot_secu_e FROM cotation_date_CCAM "
                                     "WHERE cot__date = ? ORDER BY date_valid DESC, rowid DESC "
                                     "LIMIT 1"),
                      {m_jeton}))
            return std::nullopt;
        Dernier d;
        if (m_q.next()) {
            d.existe = true;
            d.id = m_q.value(0).toLongLong();
            d.jour = lireJour(m_q.value(1));
            d.secu = m_q.value(2).toDouble();
        }
        return d;
    }

    bool ajouterJeton(const QString& libelle)
    {
        return executer(
            QStringLiteral("INSERT INTO cotation_table_CCAM (cot, \"Desc\") VALUES (?, ?)"),
            {m_jeton, libelle});
    }

    // The seven fields of a dated record, added or written over row id.
    bool ecrireDate(const QString& libelle, const QDate& jour, double secu, double reel,
                    std::optional<qint64> id)
    {
        QVariantList valeurs{m_jeton,           libelle, jour, secu * kTauxFranc,
                             reel * kTauxFranc, secu,    reel};
        if (!id)
            return executer(QStringLiteral("INSERT INTO cotation_date_CCAM (cot__date, \"Desc\", "
                                           "date_valid, cot_secu, cot_reel, cot_secu_e, "
                                           "cot_reel_e) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                            valeurs);
        valeurs << *id;
        return executer(QStringLiteral("UPDATE cotation_date_CCAM SET cot__date = ?, \"Desc\" = ?, "
                                       "date_valid = ?, cot_secu = ?, cot_reel = ?, "
                                       "cot_secu_e = ?, cot_reel_e = ? WHERE rowid = ?"),
                        valeurs);
    }

    // A write transaction taken at once, so that two workstations recording
    // together wait for each other instead of failing half-way. On the
    // server, rows are not locked by a look: the token itself is, for the
    // transaction, so that the second workstation sees the first one's rows.
    bool debut()
    {
        if (!pratique::estServeur(m_db))
            return executer(QStringLiteral("BEGIN IMMEDIATE"), {});
        return executer(QStringLiteral("BEGIN"), {}) &&
               executer(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"), {m_jeton});
    }
    bool valider() { return executer(QStringLiteral("COMMIT"), {}); }
    void annuler() { m_q.exec(QStringLiteral("ROLLBACK")); }

private:
    bool executer(const QString& sql, const QVariantList& valeurs)
    {
        m_q.finish();
        // The server prepares only queries and row changes: a transaction's
        // own statements go as they are.
        if (valeurs.isEmpty()) {
            if (m_q.exec(pratique::versDialecte(m_db, sql)))
                return true;
            m_erreur = m_q.lastError();
            return false;
        }
        if (!m_q.prepare(pratique::versDialecte(m_db, sql))) {
            m_erreur = m_q.lastError();
            return false;
        }
        for (const QVariant& v : valeurs)
            m_q.addBindValue(v);
        if (!m_q.exec()) {
            m_erreur = m_q.lastError();
            return false;
        }
        return true;
    }

    QSqlDatabase m_db;
    QSqlQuery m_q;
    QString m_jeton;
    QSqlError m_erreur;
};

} // namespace

QString cheminBase(const QString& repertoireRsc)
{
    if (const QString adresse = pratique::adresseChoisie(); !adresse.isEmpty())
        return adresse;
    return CompleteChemin(repertoireRsc) + QStringLiteral("Cotation.mdb");
}

void setAttente(int millisecondes)
{
    g_attente = millisecondes;
    const QMutexLocker verrou(&g_verrousRecents);
    g_verrous.clear();
}

Bilan ajouter(const QString& fichier, const QString& enregistrement, const QDate& jour)
{
    session().NomProcedure = QStringLiteral("Ajoute_CCAM");
    const std::optional<EnregistrementActe> acte = EnregistrementActe::lire(enregistrement);
    const QString jeton = acte ? acte->jeton : enregistrement.section(kSepEnregistrement, 0, 0);
    const QString libelle = acte ? acte->libelle.left(255) : QString();
    const double secu = acte ? montantSansSeparateur(acte->tarifSecu) : 0.0;
    const double reel = acte ? montantSansSeparateur(acte->tarifReel) : 0.0;

    Bilan bilan;
    std::optional<Connexion> connexion;
    auto echec = [&](Bilan::Issue issue, int numero, QString message) {
        noterVerrou(fichier, numero);
        if (numero == erreur::ServeurInjoignable && connexion)
            connexion->perdue();
        bilan.issue = issue;
        bilan.numeroErreur = numero;
        bilan.erreur = message;
        LogErreur(numero, message, session().NomProcedure,
                  QStringLiteral("Ajout cotation dans la base Cotation.mdb : ") + jeton +
                      QStringLiteral(" - ") + libelle + QStringLiteral(" - ") +
                      nombreGeneral(secu));
        return bilan;
    };
    auto echecSql = [&](Bilan::Issue issue, const QSqlError& e) {
        // The cause in French, and the file named once.
        const QString raison = raisonSql(e, fichier);
        return echec(issue, numeroErreurSql(e),
                     raison.contains(fichier)
                         ? QStringLiteral("Historique des cotations : %1.").arg(raison)
                         : QStringLiteral("Historique « %1 » : %2").arg(fichier, raison));
    };

    if (!acte)
        return echec(Bilan::Issue::Remonte, erreur::IndiceHorsLimites,
                     QStringLiteral("Acte incomplet transmis à l'historique : « %1 ».")
                         .arg(enregistrement.left(100)));
    connexion.emplace(fichier);
    if (!connexion->ouverte())
        return echec(Bilan::Issue::Remonte, connexion->numero(), connexion->message());

    QSqlDatabase db = connexion->db();
    if (!pratique::estServeur(db)) {
        // What each recording looks up, so that a history of years costs what
        // an empty one does. Made once, and only in a history SQLite finds
        // whole: nothing is written into a damaged one.
        QSqlQuery index(db);
        const bool faits =
            index.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' "
                                      "AND name IN ('cotation_table_cot', 'cotation_date_cot')")) &&
            index.next() && index.value(0).toInt() == 2;
        index.finish();
        if (!faits) {
            int numero = 0;
            QString message;
            if (!verifierIntegrite(connexion->nom(), numero, message)) {
                if (numero == erreur::BaseNonReconnue)
                    return echec(Bilan::Issue::Remonte, numero, message);
            } else {
                index.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS cotation_table_cot ON "
                                          "cotation_table_CCAM (cot)"));
                index.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS cotation_date_cot ON "
                                          "cotation_date_CCAM (cot__date, date_valid)"));
            }
        }
    }

    // A look first, outside any transaction: most acts come again at the
    // price they had, and then nothing is written.
    Ecriture e(db, jeton);
    const std::optional<bool> connu = e.jetonConnu();
    if (!connu)
        return echecSql(Bilan::Issue::Remonte, e.erreur());
    if (*connu) {
        const std::optional<Dernier> d = e.dernier();
        if (!d)
            return echecSql(Bilan::Issue::Remonte, e.erreur());
        if (d->existe && memePrix(d->secu, secu))
            return bilan;
    }

    // Then the same questions again once the database is ours, and the write
    // in the same transaction: what another workstation recorded meanwhile
    // (the same act, at the same moment) counts, and is not written twice.
    // For a known token a failure from here costs only this day's record.
    const Bilan::Issue siEchec = *connu ? Bilan::Issue::Journalise : Bilan::Issue::Remonte;
    bool ok = e.debut();
    const std::optional<bool> toujours = ok ? e.jetonConnu() : std::nullopt;
    ok = ok && toujours.has_value();
    if (ok && !*toujours) {
        ok = e.ajouterJeton(libelle) && e.ecrireDate(libelle, jour, secu, reel, std::nullopt);
    } else if (ok) {
        const std::optional<Dernier> d = e.dernier();
        if (d && d->existe && memePrix(d->secu, secu)) {
            e.valider();
            return bilan;
        }
        ok = d && e.ecrireDate(libelle, jour, secu, reel,
                               d->existe && d->jour == jour ? std::optional<qint64>(d->id)
                                                            : std::nullopt);
    }
    ok = ok && e.valider();
    if (!ok) {
        const QSqlError erreurSql = e.erreur();
        e.annuler();
        return echecSql(siEchec, erreurSql);
    }
    noterVerrou(fichier, 0);
    bilan.issue = Bilan::Issue::Enregistre;
    return bilan;
}

} // namespace pava::historique
