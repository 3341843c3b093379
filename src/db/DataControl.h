#pragma once

#include <QAbstractTableModel>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVector>

namespace pava {

// A bound data control: a database file (or the practice's server database), a record source (a
// table name or a SELECT), the rows it returned and a current row. Windows show it through a view
// (it is a table model); code moves through it, finds, adds, edits and deletes the current row the
// way the workspace and the history expect.
//
// Rows are read once per refresh() and kept in memory; writes go to the file
// at once with bound parameters, and the rows in memory follow them, so the
// position stays where the caller left it (as a dynaset does). Values never
// reach SQL as text pasted into a statement.
//
// A row is written back by its row identifier, read with the rows, and only
// while the file still holds it as it was read: a row another workstation
// changed or deleted meanwhile (and whose identifier a new row may have
// taken) is left alone, and the write fails with
// erreur::ModifieParUnAutrePoste.
//
// Every operation reports failure by its result and lastError() (a French
// message) / lastErrorNumber(); none throws or crashes. Opening never creates
// a database file: a missing file is an error.
class DataControl : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    // A SQLite file, or the URI of the practice's server database
    // (db/BasePratique.h).
    void setDatabaseName(const QString& chemin);
    QString databaseName() const { return m_chemin; }
    bool surServeur() const;
    void setReadOnly(bool lectureSeule);
    void setRecordSource(const QString& source);
    QString recordSource() const { return m_source; }
    // Keeps the control to the rows of one owner: the record source shows
    // only the rows whose field holds the value, and rows added carry it. For
    // a table several workspaces share. An empty field lifts the restriction.
    void setOwner(const QString& champ, const QVariant& valeur);
    // How long a statement waits for a database another program is writing
    // before it fails as locked (3 s unless changed). Set before opening.
    void setBusyTimeout(int millisecondes);
    int busyTimeout() const { return m_attente; }

    // Opens the database when needed and runs the record source; the current
    // row becomes the first (or BOF/EOF together when there is none).
    bool refresh();
    // Runs one statement on the database (Jet forms accepted), with optional
    // bound values for "?" placeholders.
    bool execute(const QString& instruction, const QVariantList& valeurs = {});
    void close();
    bool isOpen() const;
    // Opens the database when needed and checks that it is whole; false with
    // lastError() naming the file when SQLite finds it damaged (or locked).
    bool checkIntegrity();

    int recordCount() const { return static_cast<int>(m_lignes.size()); }
    bool bof() const { return m_position < 0 || m_lignes.isEmpty(); }
    bool eof() const { return m_position >= recordCount() || m_lignes.isEmpty(); }
    bool hasCurrent() const { return !bof() && !eof() && !m_courantSupprime; }
    int currentRow() const { return hasCurrent() ? m_position : -1; }
    // Makes a row current (from a view's selection); false if out of range.
    bool setCurrentRow(int ligne);

    bool moveFirst();
    bool moveLast();
    bool moveNext();
    bool movePrevious();

    // First row matching a criterion "Field = 'value'"; text compares without
    // regard to case, as the desktop engine did. Leaves the position unchanged
    // and noMatch() true when none matches; false also when the criterion
    // cannot be read (lastError() says why).
    bool findFirst(const QString& critere);
    // The same with the value given apart (no quoting to get wrong).
    bool findFirstEqual(const QString& champ, const QVariant& valeur);
    bool noMatch() const { return m_sansCorrespondance; }

    QStringList fieldNames() const;
    int fieldIndex(const QString& champ) const;
    // Value of a field of the current row (invalid QVariant without one).
    QVariant value(const QString& champ) const;
    QString text(const QString& champ) const { return value(champ).toString(); }
    // Value of a field of any row, without moving (a walk over the rows that
    // must not disturb the row the user is on). Invalid out of range.
    QVariant valeur(int ligne, const QString& champ) const;
    QString texte(int ligne, const QString& champ) const { return valeur(ligne, champ).toString(); }

    // Editing: addNew() or edit(), setValue(), then update() writes the row
    // (cancelUpdate() forgets it). After addNew+update the position does not
    // move; lastModified() is the bookmark of the row written.
    bool addNew();
    bool edit();
    bool setValue(const QString& champ, const QVariant& valeur);
    bool update();
    void cancelUpdate();
    // Deletes the current row; afterwards there is no current row until a
    // move (movePrevious goes to the row before it, moveNext to the row after).
    bool deleteCurrent();

    // Bookmarks: an opaque value naming a row of the current record set.
    QVariant bookmark() const;
    bool setBookmark(const QVariant& marque);
    QVariant lastModified() const { return m_dernierModifie; }

    QString lastError() const { return m_erreur; }
    int lastErrorNumber() const { return m_numeroErreur; }

    // Column headings for views: heading shown -> field. Without them every
    // field of the record source is a column under its own name.
    void setColumns(const QList<QPair<QString, QString>>& colonnes);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The current row changed (move, find, refresh, delete).
    void repositioned();

private:
    bool ouvrir();
    bool echec(int numero, const QString& message);
    bool peutEcrire(bool surLigneCourante);
    void reussite();
    void setPosition(int position);
    void trier(const QList<QPair<QString, bool>>& termes);
    int colonneChamp(int colonneVue) const;
    QVariant bookmarkOf(int ligne) const;
    // " AND field IS ?" for every field of the row as read, and its values.
    QString telleQuelle(int ligne, QVariantList& valeurs) const;
    bool changeeAilleurs();

    QString m_connexionPropre; // this control's own connection (a file)
    QString m_connexion;       // the one in use: its own, or the server's shared one
    QString m_chemin;
    QString m_source;
    QString m_champProprietaire;
    QVariant m_proprietaire;
    int m_attente = 3000;
    bool m_lectureSeule = false;
    bool m_connexionPerdue = false;      // the server dropped it: connect again
    QString m_table;                     // base table when the record source is writable
    QSqlRecord m_champs;                 // fields of the record source (without the row id)
    QVector<QVector<QVariant>> m_lignes; // values, row id last
    int m_position = -1;
    bool m_courantSupprime = false;
    bool m_sansCorrespondance = false;

    enum class Edition
    {
        Aucune,
        Ajout,
        Modification
    };
    Edition m_edition = Edition::Aucune;
    QVector<QVariant> m_tampon;
    QVector<bool> m_modifie;
    QVariant m_dernierModifie;

    QList<QPair<QString, QString>> m_colonnes;
    QString m_erreur;
    int m_numeroErreur = 0;
};

} // namespace pava
