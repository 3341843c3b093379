#pragma once

#include "srt/Tarifs.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace pava {

// Read access to a CCAM reference ("srt/CCAM.mdb") and the tariff rules.
//
// The file is opened read-only and nothing here ever writes to it. What every
// price needs (modifier rates, association codes, the installation's pairs)
// is read once when the reference is opened; the lines and prices of an act,
// and the pairs the edition forbids with it, are read the first time the act
// is asked for and kept, so that pricing the same act
// again costs no database access. One instance per file is shared by the
// whole process (partagee()); it is reopened when an import has replaced the
// file. For the user-interface thread only.
class ReferenceTarifs
{
public:
    // What to price: a qualified act.
    struct Demande
    {
        QStringView code;
        // 0: the act's main line (activity 1 phase 0, else its first line).
        // Activity 1 phase 0 asked of an act that has no such line is priced
        // on that first line too: it is what the act window proposes first.
        int activite = 0;
        int phase = 0;
        std::array<QStringView, 4> modificateurs; // one character each, possibly empty
        QStringView association;                  // "1".."5"; "0" or empty: none
        QStringView lieu;                         // place code: no effect on the price
        QStringView remboursementExceptionnel;    // "O", "N" or empty
        std::int64_t jour = 0;                    // julian day of the act
        int grille = kGrilleSecteur1;
    };

    struct Resultat
    {
        enum class Statut
        {
            Inconnu,             // no such act in the reference
            HorsVigueur,         // the act has no price line at that date
            SansLigne,           // the activity and phase asked are not the act's
            TauxInconnu,         // an allowed modifier has no rate that day
            AssociationInconnue, // an association code the reference does not know
            Endommage,           // the reference could not be read
            NonPrisEnCharge,     // listed as not covered: 0
            NonRembourse,        // reimbursable under conditions, said not met: 0
            Tarif,               // priced
        };
        Statut statut = Statut::Inconnu;
        int activite = 0;
        int phase = 0;
        std::int64_t prixUnitaire = 0; // cents
        std::int32_t pointsDeBase = 0; // percentage modifiers added up
        int pourMille = 1000;          // association rate
        std::int64_t forfaits = 0;     // flat modifiers, cents
        std::int64_t total = 0;        // cents, rounded
        QStringList etapes;            // the computation in French, when asked
        // A price the act may be billed at (0 included, for an act not
        // covered); false when the price cannot be known.
        bool certain() const
        {
            return statut == Statut::Tarif || statut == Statut::NonPrisEnCharge ||
                   statut == Statut::NonRembourse;
        }
        // Why the price cannot be known, in one French sentence; "" when it can.
        QString motif;
    };

    struct Modificateur
    {
        QChar code;
        QString libelle;
    };

    struct Association
    {
        QChar code;
        QString libelle;
        int pourMille = 1000;
    };

    struct Chapitre
    {
        QString code, parent, titre;
    };

    // The shared instance for a file, opened when needed; nullptr (and
    // *erreur in French) when the file is missing or is not a reference.
    static std::shared_ptr<ReferenceTarifs> partagee(const QString& chemin,
                                                     QString* erreur = nullptr);
    ~ReferenceTarifs();
    ReferenceTarifs(const ReferenceTarifs&) = delete;
    ReferenceTarifs& operator=(const ReferenceTarifs&) = delete;

    QString chemin() const { return m_chemin; }
    int version() const { return m_version; }
    std::int64_t dateEdition() const { return m_dateEdition; }
    bool demonstration() const { return m_demonstration; }
    QString libelleGrille(int grille) const;

    // The one pricing of a qualified act (CCAM, book III, art. III-3 B): the
    // unit price of the act's line, raised by its percentage modifiers
    // (added together), times the association code's rate; then the flat
    // modifiers, at full rate; one rounding to the cent, half up. Every
    // price the program shows, stores or hands to a host comes from here.
    Resultat calculer(const Demande& demande, bool expliquer = false);

    // "" for an unknown act.
    QString libelleActe(QStringView code);
    bool acteConnu(QStringView code);
    // The modifiers allowed for the act on that day, in the edition's order.
    QString modificateursAutorises(QStringView code, std::int64_t jour);
    // Price of the act's main line (activity 1 phase 0, else its first line)
    // on that day in that grid; false when it has none.
    bool prixUnitaire(QStringView code, std::int64_t jour, int grille, ValeurTarif& valeur);

    // Reads every act at once (the act search does, to show prices): later
    // questions then never touch the database.
    void chargerTousLesActes();

    const QList<Modificateur>& modificateurs() const { return m_modificateurs; }
    QString libelleModificateur(QChar code) const;
    const QList<Association>& associations() const { return m_associations; }
    // Why two acts may not be billed together.
    struct Motif
    {
        QString source; // whose rule, in French
        // For a pair of the edition, the sentence that forbids it; empty for
        // the installation's pairs, and in a reference built before the
        // sentences were kept with the pairs.
        NoteRegle note;
    };
    // True when the two acts may not be billed together on that day: a pair
    // of the installation's table, or a pair of the edition in force that the
    // installation's table does not lift. *motif, when given, says why.
    bool incompatibles(QStringView a, QStringView b, std::int64_t jour, Motif* motif = nullptr);

private:
    struct LigneActe
    {
        int activite = 1;
        int phase = 0;
        std::array<QList<PointDate<ValeurTarif>>, kNombreGrilles> tarifs;
    };
    struct DonneesActe
    {
        bool existe = false;
        bool sousConditions = false;
        QString libelle;
        QList<LigneActe> lignes;
        QList<PointDate<QString>> listes;
    };
    struct LigneTaux
    {
        std::int64_t debut = 0;
        std::int64_t fin = 0; // inclusive; 0 = open
        TauxModificateur taux;
        bool installation = false;
    };
    struct Incompatibilite
    {
        QString autre;
        std::int64_t debut = 0;
        std::int64_t fin = 0;
        qint64 note = 0; // the edition's sentence (note_incompatibilite), 0: none
    };
    using Paires = QHash<QString, QList<Incompatibilite>>;
    // The other act of a pair row (acte1, acte2, debut, fin[, note]) and its
    // period.
    static Incompatibilite periode(const QString& autre, const QSqlQuery& q, bool avecNote);
    // The pair's row in force that day, nullptr when none.
    static const Incompatibilite* enVigueur(const Paires& paires, const QString& a,
                                            const QString& b, std::int64_t jour);
    const Paires& pairesEdition(const QString& code);
    struct Requetes;

    explicit ReferenceTarifs(const QString& chemin);
    bool ouvrir(QString& erreur);
    bool chargerTables(QString& erreur);
    const DonneesActe& acte(QStringView code);
    static void ajouterTarif(DonneesActe& a, const QSqlQuery& q, int premiere);
    const LigneActe* ligneRetenue(const DonneesActe& a, std::int64_t jour, int grille, int activite,
                                  int phase, const ValeurTarif** valeur) const;
    bool taux(QChar code, int grille, std::int64_t jour, TauxModificateur& t,
              bool* installation) const;

    QString m_chemin;
    QString m_connexion;
    QSqlDatabase m_db;
    std::unique_ptr<Requetes> m_requetes;
    // Day on which the edition's data is read: the reference knows nothing
    // older than its first edition, so an act coded before it is priced as
    // that edition prices it.
    std::int64_t jourEdition(std::int64_t jour) const { return std::max(jour, m_premiereEdition); }

    int m_version = 0;
    std::int64_t m_dateEdition = 0;
    std::int64_t m_premiereEdition = 0;
    bool m_demonstration = false;
    std::array<QString, kNombreGrilles> m_grilles;
    QHash<QString, DonneesActe> m_actes;
    bool m_tousCharges = false;
    QList<Modificateur> m_modificateurs;
    QList<Association> m_associations;
    // Rates by modifier code (ASCII) and grid.
    std::vector<std::array<QList<LigneTaux>, kNombreGrilles>> m_taux;
    Paires m_incompatibilites; // the installation's, both ways
    Paires m_compatibilites;   // the installation's lifts of the edition's pairs
    Paires m_pairesEdition;    // the edition's, read per act, both ways
    bool m_aPairesEdition = false;
    bool m_aNotesPaires = false;
    // Set when reading an act failed: the file was damaged after it was
    // opened. Nothing read from it is then trusted as "unknown".
    QString m_panne;
};

} // namespace pava
