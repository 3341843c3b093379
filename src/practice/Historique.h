#pragma once

#include <QDate>
#include <QString>

namespace pava {

// The coding history "Cotation.mdb", kept in the host's resource directory
// (usually a directory the practice's workstations share): one row per act
// token ever coded (cotation_table_CCAM) and dated price records
// (cotation_date_CCAM), in euros and in francs. A token gets a new dated
// record only when its reimbursement tariff changes, and at most one a day.
//
// The file and its two tables belong to the installation: nothing here ever
// creates them. The history is opened and closed by each recording; a busy
// database (another workstation writing) is waited for half a second, no
// longer, so that the window and the server stay responsive: a recording
// that could not wait fails, is logged and told, and the recordings of the
// next two seconds in that file try once without waiting. The check that a token or
// its price is new and the write are one transaction, so that two
// workstations recording the same act at once write it once. A damaged
// history is never written to. Values always go in as bound parameters.
namespace historique {

inline constexpr double kTauxFranc = 6.55957;

// CompleteChemin(rsc) + "Cotation.mdb".
QString cheminBase(const QString& repertoireRsc);

// How long a recording waits for a database another workstation is writing
// (500 ms unless changed).
void setAttente(int millisecondes);

// What became of one act record.
struct Bilan
{
    enum class Issue
    {
        Enregistre, // a token row and/or a dated record was written
        Inchange,   // the token's last price is the same: nothing written
        Journalise, // writing the new price failed: logged, the coding goes on
        Remonte,    // the history could not be read or the token not added:
                    // logged too, and the caller tells the user
    };
    Issue issue = Issue::Inchange;
    int numeroErreur = 0;
    QString erreur; // French, what failed (for the user and the log)

    bool echec() const { return issue == Issue::Journalise || issue == Issue::Remonte; }
};

// Records one act record (token "§" real tariff "§" reimbursement tariff "§"
// label) in the history file, dated jour:
//  - a token never seen: its row and a first dated record;
//  - a known token whose last record has the same reimbursement tariff:
//    nothing;
//  - otherwise that record is overwritten when it is of the same day, else a
//    new dated record is added (the token row never changes).
// Tariffs are read whatever their decimal separator ("1234,56" = "1234.56"),
// labels are cut to 255 characters. Every failure goes to the error log
// (procedure "Ajoute_CCAM", with the token, label and amount as detail).
Bilan ajouter(const QString& fichier, const QString& enregistrement,
              const QDate& jour = QDate::currentDate());

} // namespace historique

} // namespace pava
