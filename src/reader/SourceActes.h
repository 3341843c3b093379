#pragma once

#include "srt/RechercheActes.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace pava {

// One act as the act chooser lists it.
struct ActePropose
{
    QString code;
    QString libelle;
    QString tarif; // as shown: "30.99 €", "Non pris en charge", or "" when unknown
    friend bool operator==(const ActePropose&, const ActePropose&) = default;
};

// One chapter of the CCAM ("01", "01.01", ...); parent "" at the top level.
struct ChapitrePropose
{
    QString code;
    QString parent;
    QString titre;
};

// Where the act chooser finds the acts it proposes: a search by code or by
// words, the chapter tree, and the acts of a chapter. The chooser does not
// know how the search matches; it shows what the source answers, best first.
// Sources are held by shared pointers.
class SourceActes
{
public:
    virtual ~SourceActes() = default;

    struct Reponse
    {
        QList<ActePropose> actes; // at most the maximum asked, best first
        int total = 0;            // how many acts matched in all
    };
    virtual Reponse rechercher(const QString& texte, int maximum) const = 0;
    virtual QList<ChapitrePropose> chapitres() const = 0;
    // Acts placed in the chapter or in any chapter below it, in the
    // classification's order, at most the maximum asked.
    virtual Reponse actesDuChapitre(const QString& code, int maximum) const = 0;
    // The act with this code, when the source knows it.
    virtual std::optional<ActePropose> acte(const QString& code) const = 0;
    // The same acts, searched for a practice: what it has already coded
    // comes first.
    virtual std::shared_ptr<const SourceActes>
    pourPratique(const RechercheActes::Pratique& pratique) const = 0;
};

} // namespace pava
