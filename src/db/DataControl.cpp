#include "db/DataControl.h"

#include "db/BasePratique.h"
#include "db/ErreursSql.h"
#include "db/JetSql.h"
#include "log/TextesErreurs.h"

#include <QAtomicInt>
#include <QCollator>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QThread>

#include <utility>

namespace pava {

namespace {

const QString kColonneId = QStringLiteral("pava_rowid__");

QString nouveauNomConnexion()
{
    static QAtomicInt compteur;
    return QStringLiteral("pavaccam-datacontrol-%1").arg(compteur.fetchAndAddRelaxed(1));
}

QString guillemets(const QString& identifiant)
{
    QString id = identifiant;
    return QLatin1Char('"') + id.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

bool memesValeurs(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    const bool aTexte = a.typeId() == QMetaType::QString;
    const bool bTexte = b.typeId() == QMetaType::QString;
    if (aTexte || bTexte) {
        if (aTexte && bTexte)
            return a.toString().compare(b.toString(), Qt::CaseInsensitive) == 0;
        bool okA = false;
        bool okB = false;
        const double da = a.toDouble(&okA);
        const double db = b.toDouble(&okB);
        if (okA && okB)
            return da == db;
        return a.toString().compare(b.toString(), Qt::CaseInsensitive) == 0;
    }
    return a == b;
}

} // namespace

DataControl::DataControl(QObject* parent)
    : QAbstractTableModel(parent), m_connexionPropre(nouveauNomConnexion()),
      m_connexion(m_connexionPropre)
{}

DataControl::~DataControl()
{
    close();
}

void DataControl::setDatabaseName(const QString& chemin)
{
    if (chemin != m_chemin)
        close();
    m_chemin = chemin;
}

bool DataControl::surServeur() const
{
    return pratique::estAdresseServeur(m_chemin);
}

void DataControl::setReadOnly(bool lectureSeule)
{
    if (lectureSeule != m_lectureSeule)
        close();
    m_lectureSeule = lectureSeule;
}

void DataControl::setRecordSource(const QString& source)
{
    m_source = source;
}

void DataControl::setOwner(const QString& champ, const QVariant& valeur)
{
    m_champProprietaire = champ;
    m_proprietaire = valeur;
}

void DataControl::setBusyTimeout(int millisecondes)
{
    if (millisecondes != m_attente)
        close();
    m_attente = millisecondes;
}

bool DataControl::isOpen() const
{
    return !m_connexionPerdue && QSqlDatabase::contains(m_connexion) &&
           QSqlDatabase::database(m_connexion, false).isOpen();
}

void DataControl::close()
{
    // A server connection shared with the thread's other controls stays for
    // them (and for the next workspace), unless the server dropped it.
    if (m_connexion != m_connexionPropre) {
        const QString partagee = std::exchange(m_connexion, m_connexionPropre);
        if (!m_connexionPerdue || !QSqlDatabase::contains(partagee))
            return;
        QSqlDatabase::database(partagee, false).close();
        QSqlDatabase::removeDatabase(partagee);
        return;
    }
    if (!QSqlDatabase::contains(m_connexion))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connexion, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connexion);
}

bool DataControl::echec(int numero, const QString& message)
{
    // A connection the server dropped stays "open" for Qt: the next
    // operation must connect again, so that a coding goes on once the
    // server is back.
    if (numero == erreur::ServeurInjoignable)
        m_connexionPerdue = true;
    m_numeroErreur = numero;
    m_erreur = message;
    return false;
}

void DataControl::reussite()
{
    m_numeroErreur = 0;
    m_erreur.clear();
}

bool DataControl::ouvrir()
{
    if (m_connexionPerdue) {
        close();
        m_connexionPerdue = false;
    }
    // On the server, one connection per way of use serves every control of
    // the main thread: a workspace's three lists do not connect three times,
    // and the next workspace finds it open. (No control holds a transaction
    // open.) A worker thread's controls keep their own, which end with them.
    const QCoreApplication* app = QCoreApplication::instance();
    if (surServeur() && app && QThread::currentThread() == app->thread())
        m_connexion = QStringLiteral("pavaccam-serveur-%1-%2-%3")
                          .arg(m_lectureSeule)
                          .arg(m_attente)
                          .arg(m_chemin);
    if (isOpen())
        return true;
    if (QSqlDatabase::contains(m_connexion))
        QSqlDatabase::removeDatabase(m_connexion);
    return ouvrirBase(m_connexion, m_chemin, m_lectureSeule, m_attente, m_numeroErreur, m_erreur);
}

bool DataControl::checkIntegrity()
{
    if (!ouvrir())
        return false;
    if (!verifierIntegrite(m_connexion, m_numeroErreur, m_erreur))
        return false;
    reussite();
    return true;
}

bool DataControl::refresh()
{
    beginResetModel();
    m_lignes.clear();
    m_champs = QSqlRecord();
    m_table.clear();
    m_position = -1;
    m_courantSupprime = false;
    m_edition = Edition::Aucune;
    bool ok = ouvrir();
    if (ok && m_source.trimmed().isEmpty()) {
        ok = echec(erreur::TableIntrouvable,
                   QStringLiteral("Aucune source d'enregistrements n'est indiquée."));
    } else if (ok) {
        const jet::SourceAnalysee source = jet::analyseSource(m_source, kColonneId);
        const QSqlDatabase db = QSqlDatabase::database(m_connexion, false);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        QString requete = source.requete;
        if (!m_champProprietaire.isEmpty())
            requete = QStringLiteral("SELECT * FROM (%1) AS source WHERE %2 = ?")
                          .arg(requete, guillemets(m_champProprietaire));
        bool lue = q.prepare(pratique::versDialecte(db, requete));
        if (lue && !m_champProprietaire.isEmpty())
            q.addBindValue(m_proprietaire);
        lue = lue && q.exec();
        if (!lue) {
            // A source that cannot be read is a missing table, unless the
            // file itself is the cause.
            const int numero = numeroErreurSql(q.lastError());
            ok = echec(numero == erreur::BaseVerrouillee || numero == erreur::BaseNonReconnue ||
                               numero == erreur::ServeurInjoignable
                           ? numero
                           : erreur::TableIntrouvable,
                       QStringLiteral("La source « %1 » ne peut être lue : %2.")
                           .arg(m_source, raisonSql(q.lastError(), m_chemin)));
        } else {
            const QSqlRecord rec = q.record();
            const int id = rec.indexOf(kColonneId);
            // On the server the key is a column of its own, which "*" lists:
            // it is the row identifier, not a field.
            const int cle = pratique::estServeur(db) ? rec.indexOf(QStringLiteral("rowid")) : -1;
            m_table = id >= 0 ? source.table : QString();
            for (int i = 0; i < rec.count(); ++i)
                if (i != id && i != cle)
                    m_champs.append(rec.field(i));
            const int n = m_champs.count();
            while (q.next()) {
                QVector<QVariant> ligne;
                ligne.reserve(n + 1);
                for (int i = 0; i < rec.count(); ++i)
                    if (i != id && i != cle)
                        ligne.append(q.value(i));
                ligne.append(id >= 0 ? q.value(id) : QVariant());
                m_lignes.append(std::move(ligne));
            }
            trier(source.tri);
            m_position = m_lignes.isEmpty() ? -1 : 0;
            reussite();
        }
    }
    endResetModel();
    Q_EMIT repositioned();
    return ok;
}

bool DataControl::execute(const QString& instruction, const QVariantList& valeurs)
{
    if (!ouvrir())
        return false;
    const QSqlDatabase db = QSqlDatabase::database(m_connexion, false);
    QSqlQuery q(db);
    // Without values the statement goes as it is: the server prepares only
    // queries and row changes, not a table's creation.
    if (valeurs.isEmpty()) {
        if (q.exec(pratique::versDialecte(db, instruction))) {
            reussite();
            return true;
        }
        return echec(
            numeroErreurSql(q.lastError()),
            QStringLiteral("Instruction refusée : %1.").arg(raisonSql(q.lastError(), m_chemin)));
    }
    if (!q.prepare(pratique::versDialecte(db, instruction)))
        return echec(
            numeroErreurSql(q.lastError()),
            QStringLiteral("Instruction refusée : %1.").arg(raisonSql(q.lastError(), m_chemin)));
    for (const QVariant& v : valeurs)
        q.addBindValue(v);
    if (!q.exec()) {
        return echec(
            numeroErreurSql(q.lastError()),
            QStringLiteral("Instruction refusée : %1.").arg(raisonSql(q.lastError(), m_chemin)));
    }
    reussite();
    return true;
}

void DataControl::trier(const QList<QPair<QString, bool>>& termes)
{
    QList<QPair<int, bool>> cles;
    for (const auto& [champ, descendant] : termes) {
        const int i = fieldIndex(champ);
        if (i < 0)
            return;
        cles.append({i, descendant});
    }
    if (cles.isEmpty())
        return;
    QCollator francais{QLocale(QLocale::French, QLocale::France)};
    francais.setCaseSensitivity(Qt::CaseInsensitive);
    francais.setNumericMode(false);
    auto compare = [&](const QVariant& a, const QVariant& b) -> int {
        if (a.isNull() || b.isNull())
            return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
        if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
            return francais.compare(a.toString(), b.toString());
        const double da = a.toDouble();
        const double db = b.toDouble();
        return da < db ? -1 : (da > db ? 1 : 0);
    };
    std::stable_sort(m_lignes.begin(), m_lignes.end(),
                     [&](const QVector<QVariant>& x, const QVector<QVariant>& y) {
                         for (const auto& [i, descendant] : cles) {
                             const int c = compare(x[i], y[i]);
                             if (c != 0)
                                 return descendant ? c > 0 : c < 0;
                         }
                         return false;
                     });
}

void DataControl::setPosition(int position)
{
    m_position = position;
    m_courantSupprime = false;
    Q_EMIT repositioned();
}

bool DataControl::setCurrentRow(int ligne)
{
    if (ligne < 0 || ligne >= recordCount())
        return echec(erreur::AucunEnregistrement, texteErreur(erreur::AucunEnregistrement));
    setPosition(ligne);
    return true;
}

bool DataControl::moveFirst()
{
    if (m_lignes.isEmpty())
        return echec(erreur::AucunEnregistrement, texteErreur(erreur::AucunEnregistrement));
    setPosition(0);
    return true;
}

bool DataControl::moveLast()
{
    if (m_lignes.isEmpty())
        return echec(erreur::AucunEnregistrement, texteErreur(erreur::AucunEnregistrement));
    setPosition(recordCount() - 1);
    return true;
}

bool DataControl::moveNext()
{
    if (m_courantSupprime) { // the row after the deleted one took its place
        setPosition(m_position);
        return true;
    }
    if (eof())
        return echec(erreur::AucunEnregistrement, texteErreur(erreur::AucunEnregistrement));
    setPosition(m_position + 1);
    return true;
}

bool DataControl::movePrevious()
{
    if (!m_courantSupprime && bof())
        return echec(erreur::AucunEnregistrement, texteErreur(erreur::AucunEnregistrement));
    setPosition(std::min(m_position, recordCount()) - 1);
    return true;
}

bool DataControl::findFirst(const QString& critere)
{
    const auto c = jet::lireCritere(critere);
    if (!c) {
        m_sansCorrespondance = true;
        return echec(erreur::ErreurSyntaxe,
                     QStringLiteral("Critère de recherche illisible : « %1 ».").arg(critere));
    }
    return findFirstEqual(c->champ, c->valeur);
}

bool DataControl::findFirstEqual(const QString& champ, const QVariant& valeur)
{
    m_sansCorrespondance = true;
    const int i = fieldIndex(champ);
    if (i < 0)
        return echec(erreur::ChampIntrouvable,
                     QStringLiteral("Champ inconnu : « %1 ».").arg(champ));
    reussite();
    for (int r = 0; r < recordCount(); ++r) {
        if (memesValeurs(m_lignes[r][i], valeur)) {
            m_sansCorrespondance = false;
            setPosition(r);
            return true;
        }
    }
    return false;
}

QStringList DataControl::fieldNames() const
{
    QStringList noms;
    for (int i = 0; i < m_champs.count(); ++i)
        noms << m_champs.fieldName(i);
    return noms;
}

int DataControl::fieldIndex(const QString& champ) const
{
    for (int i = 0; i < m_champs.count(); ++i)
        if (m_champs.fieldName(i).compare(champ, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant DataControl::value(const QString& champ) const
{
    const int i = fieldIndex(champ);
    if (i < 0)
        return {};
    if (m_edition != Edition::Aucune)
        return m_tampon.value(i);
    if (!hasCurrent())
        return {};
    return m_lignes[m_position][i];
}

QVariant DataControl::valeur(int ligne, const QString& champ) const
{
    const int i = fieldIndex(champ);
    if (i < 0 || ligne < 0 || ligne >= recordCount())
        return {};
    return m_lignes[ligne][i];
}

bool DataControl::peutEcrire(bool surLigneCourante)
{
    if (m_table.isEmpty() || m_lectureSeule)
        return echec(erreur::BaseEnLectureSeule, texteErreur(erreur::BaseEnLectureSeule));
    if (surLigneCourante && !hasCurrent())
        return echec(erreur::AucunEnregistrement, texteErreur(erreur::AucunEnregistrement));
    return true;
}

bool DataControl::addNew()
{
    if (!peutEcrire(false))
        return false;
    m_edition = Edition::Ajout;
    m_tampon = QVector<QVariant>(m_champs.count());
    m_modifie = QVector<bool>(m_champs.count(), false);
    if (const int i = fieldIndex(m_champProprietaire); i >= 0) {
        m_tampon[i] = m_proprietaire;
        m_modifie[i] = true;
    }
    reussite();
    return true;
}

bool DataControl::edit()
{
    if (!peutEcrire(true))
        return false;
    m_edition = Edition::Modification;
    m_tampon = m_lignes[m_position].mid(0, m_champs.count());
    m_modifie = QVector<bool>(m_champs.count(), false);
    reussite();
    return true;
}

bool DataControl::setValue(const QString& champ, const QVariant& valeur)
{
    if (m_edition == Edition::Aucune)
        return echec(erreur::ModificationSansEdition, texteErreur(erreur::ModificationSansEdition));
    const int i = fieldIndex(champ);
    if (i < 0)
        return echec(erreur::ChampIntrouvable,
                     QStringLiteral("Champ inconnu : « %1 ».").arg(champ));
    m_tampon[i] = valeur;
    m_modifie[i] = true;
    return true;
}

void DataControl::cancelUpdate()
{
    m_edition = Edition::Aucune;
    m_tampon.clear();
    m_modifie.clear();
}

bool DataControl::update()
{
    if (m_edition == Edition::Aucune)
        return echec(erreur::ModificationSansEdition, texteErreur(erreur::ModificationSansEdition));
    if (!ouvrir())
        return false;
    QStringList colonnes;
    QVariantList valeurs;
    for (int i = 0; i < m_champs.count(); ++i) {
        if (m_modifie[i]) {
            colonnes << guillemets(m_champs.fieldName(i));
            valeurs << m_tampon[i];
        }
    }
    const QSqlDatabase db = QSqlDatabase::database(m_connexion, false);
    QSqlQuery q(db);
    QString sql;
    if (m_edition == Edition::Ajout) {
        if (colonnes.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(guillemets(m_table));
        } else {
            QStringList marques(colonnes.size(), QStringLiteral("?"));
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(guillemets(m_table), colonnes.join(QLatin1Char(',')),
                           marques.join(QLatin1Char(',')));
        }
    } else {
        if (colonnes.isEmpty()) {
            cancelUpdate();
            return true;
        }
        QStringList affectations;
        for (const QString& c : colonnes)
            affectations << c + QStringLiteral("=?");
        valeurs << m_lignes[m_position].last();
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?%3")
                  .arg(guillemets(m_table), affectations.join(QLatin1Char(',')),
                       telleQuelle(m_position, valeurs));
    }
    bool ok = q.prepare(pratique::versDialecte(db, sql));
    if (ok) {
        for (const QVariant& v : valeurs)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok) {
        cancelUpdate();
        return echec(numeroErreurSql(q.lastError()),
                     QStringLiteral("Enregistrement refusé par la base : %1.")
                         .arg(raisonSql(q.lastError(), m_chemin)));
    }
    if (m_edition == Edition::Modification && q.numRowsAffected() == 0) {
        cancelUpdate();
        return changeeAilleurs();
    }
    if (m_edition == Edition::Ajout) {
        QVector<QVariant> ligne = m_tampon;
        ligne.append(q.lastInsertId());
        const int r = recordCount();
        beginInsertRows(QModelIndex(), r, r);
        m_lignes.append(std::move(ligne));
        endInsertRows();
        m_dernierModifie = m_lignes.last().last();
    } else {
        QVector<QVariant>& ligne = m_lignes[m_position];
        for (int i = 0; i < m_champs.count(); ++i)
            ligne[i] = m_tampon[i];
        m_dernierModifie = ligne.last();
        Q_EMIT dataChanged(index(m_position, 0), index(m_position, columnCount() - 1));
    }
    cancelUpdate();
    reussite();
    return true;
}

bool DataControl::deleteCurrent()
{
    if (!peutEcrire(true))
        return false;
    QVariantList valeurs{m_lignes[m_position].last()};
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid=?%2")
                            .arg(guillemets(m_table), telleQuelle(m_position, valeurs));
    if (!ouvrir())
        return false;
    const QSqlDatabase db = QSqlDatabase::database(m_connexion, false);
    QSqlQuery q(db);
    bool ok = q.prepare(pratique::versDialecte(db, sql));
    if (ok) {
        for (const QVariant& v : valeurs)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok)
        return echec(numeroErreurSql(q.lastError()),
                     QStringLiteral("Suppression refusée par la base : %1.")
                         .arg(raisonSql(q.lastError(), m_chemin)));
    if (q.numRowsAffected() == 0)
        return changeeAilleurs();
    reussite();
    // A view may move the current row while it hears of the removal: keep the
    // row being removed in hand.
    const int ligne = m_position;
    beginRemoveRows(QModelIndex(), ligne, ligne);
    m_lignes.remove(ligne);
    endRemoveRows();
    m_position = ligne;
    m_courantSupprime = true;
    Q_EMIT repositioned();
    return true;
}

QString DataControl::telleQuelle(int ligne, QVariantList& valeurs) const
{
    // "IS" so that an empty (NULL) field compares too; the column's type
    // decides how the value read compares with what is stored.
    QString condition;
    for (int i = 0; i < m_champs.count(); ++i) {
        condition += QStringLiteral(" AND %1 IS ?").arg(guillemets(m_champs.fieldName(i)));
        valeurs << m_lignes[ligne][i];
    }
    return condition;
}

bool DataControl::changeeAilleurs()
{
    return echec(erreur::ModifieParUnAutrePoste, texteErreur(erreur::ModifieParUnAutrePoste));
}

QVariant DataControl::bookmarkOf(int ligne) const
{
    if (ligne < 0 || ligne >= recordCount())
        return {};
    return m_table.isEmpty() ? QVariant(ligne) : m_lignes[ligne].last();
}

QVariant DataControl::bookmark() const
{
    return hasCurrent() ? bookmarkOf(m_position) : QVariant();
}

bool DataControl::setBookmark(const QVariant& marque)
{
    for (int r = 0; r < recordCount(); ++r) {
        if (bookmarkOf(r) == marque) {
            setPosition(r);
            return true;
        }
    }
    return echec(erreur::AucunEnregistrement, QStringLiteral("Signet invalide."));
}

void DataControl::setColumns(const QList<QPair<QString, QString>>& colonnes)
{
    beginResetModel();
    m_colonnes = colonnes;
    endResetModel();
}

int DataControl::colonneChamp(int colonneVue) const
{
    if (m_colonnes.isEmpty())
        return colonneVue < m_champs.count() ? colonneVue : -1;
    if (colonneVue < 0 || colonneVue >= m_colonnes.size())
        return -1;
    return fieldIndex(m_colonnes[colonneVue].second);
}

int DataControl::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : recordCount();
}

int DataControl::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_colonnes.isEmpty() ? m_champs.count() : static_cast<int>(m_colonnes.size());
}

QVariant DataControl::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    const int champ = colonneChamp(index.column());
    if (champ < 0 || index.row() >= recordCount())
        return {};
    // A grid cuts a long label: its tip shows it whole.
    if (role == Qt::ToolTipRole) {
        const QString texte = m_lignes[index.row()][champ].toString();
        return texte.trimmed().isEmpty() ? QVariant() : QVariant(texte);
    }
    return m_lignes[index.row()][champ];
}

QVariant DataControl::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (!m_colonnes.isEmpty())
        return section < m_colonnes.size() ? QVariant(m_colonnes[section].first) : QVariant();
    return section < m_champs.count() ? QVariant(m_champs.fieldName(section)) : QVariant();
}

} // namespace pava
