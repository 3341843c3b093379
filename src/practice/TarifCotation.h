#pragma once

#include "coding/Cotation.h"
#include "coding/Montant.h"
#include "srt/ComposantSrt.h"

#include <QString>

#include <functional>
#include <optional>

namespace pava {

// Prices codings that did not come through the act window: a stored
// composed act, a complementary CCAM coding. Every 14-character token of the
// coding string is priced by the tariff class with the session's paths, as
// the act window prices it (activity, phase, modifiers, association), and
// handed on under a label of one space. Other elements (NGAP codes, a token
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

// The qualified act a token stores; the place and exceptional-reimbursement
// codes are not in a token.
ActeQualifie acteQualifie(const JetonActe& jeton, const QString& lieu = {},
                          const QString& rbt = {});

// The total of a coding string. Fails, naming the act and the cause, when
// one of its acts cannot be priced with certainty (the reference missing or
// damaged, an act gone from a newer edition...): nothing is then handed on,
// and the error log says why.
TarifCotation Get_TarifCotation(const QString& cotation, const EnregistreActe& enregistre);

// Under the general rule of association the act whose tariff without
// modifiers is the highest is billed at full rate (code "1"), the others at
// "2". The question to put when the coding list contradicts it (an act coded
// "2" and none "1", or an act coded "2" dearer than the one coded "1"),
// naming the act that should be at full rate; "" when the list agrees. The
// derogation codes 3, 4 and 5 are the practitioner's call: not questioned.
QString questionAssociation(const QStringList& jetons, TarificateurSRT& tarificateur);

// The amount of one token as text with two decimals and "." ("25.00"), or
// nothing with *erreur when it cannot be priced.
std::optional<QString> Get_Tarif(const QString& jeton, const EnregistreActe& enregistre,
                                 QString* erreur = nullptr);

} // namespace pava
