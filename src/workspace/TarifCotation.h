#pragma once

#include "coding/Montant.h"
#include "srt/ComposantSrt.h"

#include <QString>

#include <functional>
#include <optional>

namespace pava {

// Prices codings that did not come through the act window: a stored
// composed act, a complementary CCAM coding. Every 14-character token of the
// coding string is priced by the tariff class with the session's paths, its
// association code "2" halving and "3" taking three quarters of the amount
// (each after the previous rounding to the cent), and recorded in the coding
// history under a label of one space. Other elements (NGAP codes, a token
// carrying an amount suffix, empty elements) add nothing.

// Where each priced token goes: the workspace's Ajoute_CCAM.
using EnregistreActe = std::function<void(const QString& enregistrement)>;

struct TarifCotation
{
    std::optional<Monnaie> montant; // nothing when the coding could not be priced
    QString erreur;                 // French, why
};

// The tariff class as the coding in progress asks it: the session's
// reference paths, today's date.
TarificateurSRT tarificateurSession();

// The total of a coding string. Fails only when the CCAM reference itself
// cannot be read (no tariff could be right); an act the reference does not
// know (gone from a newer edition) counts 0, is not recorded, and goes to the
// error log.
TarifCotation Get_TarifCotation(const QString& cotation, const EnregistreActe& enregistre);

// The amount of one token as text with two decimals and "." ("25.00"), or
// nothing with *erreur when the reference cannot be read.
std::optional<QString> Get_Tarif(const QString& jeton, const EnregistreActe& enregistre,
                                 QString* erreur = nullptr);

} // namespace pava
