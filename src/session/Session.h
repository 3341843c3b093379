#pragma once

#include "coding/Montant.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>

namespace pava {

// Slots of one complement tab: rows 0-8 by columns 0-3; row r (1-8) is slot r,
// column 1 the label, 2 the CCAM coding, 3 the NGAP coding. Row 0 and column 0
// exist and stay unused so that indexes read as the user counts.
using TableComplements = std::array<std::array<QString, 4>, 9>;

// The process-wide state through which the host call, the workspace, the act
// window and the complement windows hand their answers to one another. One
// instance per process (session()), values in the order the windows rely on,
// all starting empty / false / zero; nothing of it is ever saved.
struct Session
{
    QString IdentPraticien;
    QString CodeSpecialitePraticien;
    QString CheminData4Session;
    QString CheminDico4Session;
    QString CheminDataRsc;
    QString CotationRetour;
    QString LibellesCotation;
    bool QuestionActeIsole = false;
    QString ActeSaisi;
    QString CheminSRT;
    QString NomProcedure;
    bool FinSurTerminaison = false;
    QPointer<QObject> FenetreCotation;
    QPointer<QObject> FenetreActe;
    bool ModeSupplementTransitoire = false;
    qint16 IndexAssociation = 0;
    TableComplements ComplementsOnglet1{};
    TableComplements ComplementsOnglet2{};
    TableComplements ComplementsOnglet3{};
    std::array<QString, 4> TitresOnglets{};
    bool ComplementValide = false;
    QString LibelleComplement;
    QString CotationCCAMComplement;
    QString CotationNGAPComplement;
    Monnaie TarifComplement{};
    double TotalCotation = 0.0;
};

Session& session();

// Puts every value back to its initial state (tests; a process never needs it).
void reinitialiserSession();

} // namespace pava
