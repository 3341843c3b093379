#pragma once

#include "reader/SourceActes.h"
#include "srt/RechercheActes.h"

#include <QDateTime>
#include <QString>

#include <memory>

namespace pava {

// The acts of the CCAM reference "srt/CCAM.mdb" of the tariff engine, as the
// act chooser proposes them: codes, labels, chapters and the unit price of
// the day (sector 1 grid). The sources made for each practice share one index.
class SourceReference : public SourceActes
{
public:
    // Reads the reference; false and a French message when it cannot be read.
    bool charger(const QString& cheminReference, QString* erreur = nullptr);

    // The reference named by the installation ("API_Sesam"/"Path" of the
    // profile file, followed by "srt/CCAM.mdb"), read once per process and
    // read again when the file or the practice's lexicon has changed. nullptr and a French message
    // in *erreur when there is none or it cannot be read.
    static std::shared_ptr<const SourceReference> installee(QString* erreur = nullptr);
    // Where installee() looks ("" when the profile names no directory).
    static QString cheminInstalle();

    Reponse rechercher(const QString& texte, int maximum) const override;
    QList<ChapitrePropose> chapitres() const override;
    Reponse actesDuChapitre(const QString& code, int maximum) const override;
    std::optional<ActePropose> acte(const QString& code) const override;
    std::shared_ptr<const SourceActes>
    pourPratique(const RechercheActes::Pratique& pratique) const override;

private:
    ActePropose propose(int index) const;
    void collecter(const QString& chapitre, int maximum, Reponse& reponse) const;

    std::shared_ptr<RechercheActes> m_recherche = std::make_shared<RechercheActes>();
    RechercheActes::Priorites m_priorites; // empty: no practice
};

// The text under which a unit price is shown in the chooser.
QString texteTarif(const ValeurTarif& tarif);

} // namespace pava
