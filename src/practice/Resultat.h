#pragma once

#include "coding/Montant.h"
#include "practice/TarifCotation.h"

#include <QString>

namespace pava {

// What "&Valider" hands the host, from what the workspace shows.
struct EntreesResultat
{
    // 0: the coding list with its complement; 1: the composed act in front.
    int onglet = 0;

    // Tab 1: the current composed act, as stored (none: an empty result).
    bool acteCourant = false;
    QString acteStocke;
    QString libelleActe;

    // Tab 0.
    QString cotation; // tokens of the coding list joined by "+"
    QString libelles; // their labels joined by "+"
    double totalCotation = 0.0;
    QString ngap;              // the box "NGAP" of the complement
    QString complementCCAM;    // the box "CCAM" of the complement
    QString libelleComplement; // its label
    Monnaie tarifComplement;
};

struct Resultat
{
    std::optional<QString> texte; // nothing when it could not be assembled
    QString erreur;               // French, why
};

// The result string "codes,amount,labels":
//  - tab 0: optional "NGAP"+coding+",", the coding string, "+" and the
//    complement's CCAM coding (no "+" before it when the list is empty); the
//    list's total plus the complement's tariff with two decimals and "."; the
//    labels with "''" as "'" and "," as ";", then "+" and the complement's
//    label;
//  - tab 1: the composed act exactly as stored; the tariff of its CCAM part
//    as a plain number; its label trimmed, "''" as "'", "," as ";". Without a
//    current composed act: ",0,".
// Pricing a composed act records its tokens through enregistre; it fails
// only when the CCAM reference cannot be read.
Resultat assembleResultat(const EntreesResultat& e, const EnregistreActe& enregistre);

// The line under the complement, in French number format: its tariff and the
// amount the host will receive (the list's total plus the complement). An
// amount written in the complement's coding ("=" total, "&" overrun, "$" act
// outside the nomenclature) reaches the host inside the codes, and the token
// carrying it is not priced: the line says so, rather than let "0,00 €" pass
// for the price of an act the practitioner priced by hand.
QString texteMontantRendu(QStringView complement, Monnaie tarifComplement, Monnaie totalListe);

} // namespace pava
