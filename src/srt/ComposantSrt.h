#pragma once

#include "srt/ReferenceTarifs.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <memory>
#include <optional>

namespace pava {

// An act as the practitioner qualifies it in the act window, or as a coding's
// token stores it.
struct ActeQualifie
{
    QString code;
    int activite = 0; // 0: the act's main line
    int phase = 0;
    std::array<QString, 4> modificateurs; // one character each, possibly empty
    QString association;                  // "1".."5"; "0" or empty: none
    QString lieu;
    QString remboursementExceptionnel; // "O", "N" or empty
};

// The price of a qualified act, or why there is none.
struct PrixActe
{
    ReferenceTarifs::Resultat resultat;
    // Why the act cannot be priced with certainty, in French (the reference
    // missing, unreadable or damaged, the act unknown or without a price that
    // day...): "" when the price is certain.
    QString erreur;
    bool certain() const { return erreur.isEmpty(); }
    std::int64_t centimes() const { return resultat.total; }
};

// The tariff component as the windows and the host see it: the control
// (UsrSrt) and the tariff class (TarificateurSRT), both answering from the
// CCAM reference "srt/CCAM.mdb".
//
// Where the reference is: the file set with setCheminReference() when there
// is one (tests, tools); otherwise under the SRT base directory named by the
// profile file ("Pavareg.reg", section "API_Sesam", key "Path"), as the act
// window finds its table; when the profile names none, under the dictionary
// directory given in PathDico, if a reference is there. Without a reference
// every question gets an empty answer (derniereErreur() says why).
//
// Which tariff grid: the one set with setGrille(); otherwise the profile's
// section "PavaCCAM", key "Grille": "2" for practitioners outside sector 1
// and outside OPTAM, anything else (or nothing) for sector 1 / OPTAM.
//
// DateActe is read as the system writes a date and time ("15/01/2026
// 10:30:00", with or without the time, or ISO 8601); text that cannot be
// read, or none, means today.
//
// Answers never throw and never crash: an unknown act, an empty code, text of
// any length or content give an empty or zero answer.
class ParametresSrt
{
public:
    // The price of a qualified act on DateActe in the grid, association
    // applied: the one computation behind every price of the program (the
    // act window, the look-ups, the tariff of a coding, the command line).
    PrixActe Tarifer(const ActeQualifie& acte, bool expliquer = false);

    void setDateActe(const QString& texte);
    void setPathDico(const QString& chemin);
    void setPathData(const QString& chemin);

    void setCheminReference(const QString& fichier);
    void setGrille(int grille); // 1, 2, or 0 for the installation's setting

    // The reference file and grid that the next question will use.
    QString cheminReference() const;
    int grille() const;
    QString derniereErreur() const { return m_erreur; }

protected:
    // The reference (opened or taken from the process's cache), or nullptr.
    // It also settles the grid and the day of the act for the questions that
    // follow, until a setting changes.
    ReferenceTarifs* reference();
    int grilleResolue() const { return m_grille; }
    std::int64_t jourResolu() const
    {
        return m_jourLu != 0 ? m_jourLu : QDate::currentDate().toJulianDay();
    }
    // A pricing question for the settled day and grid; the views must outlive it.
    ReferenceTarifs::Demande demande(QStringView code, QStringView association,
                                     QStringView lieu) const
    {
        ReferenceTarifs::Demande d;
        d.code = code;
        d.association = association;
        d.lieu = lieu;
        d.jour = jourResolu();
        d.grille = grilleResolue();
        return d;
    }

private:
    QString m_dateActe;
    QString m_pathDico;
    QString m_pathData;
    QString m_cheminExplicite;
    int m_grilleExplicite = 0;

    bool m_aResoudre = true;
    std::shared_ptr<ReferenceTarifs> m_reference;
    int m_grille = kGrilleSecteur1;
    std::int64_t m_jourLu = 0;
    QString m_erreur;
};

// The control form of the component: lists for the act window and look-ups
// for the host.
class UsrSrt : public ParametresSrt
{
public:
    // Association codes: "@"-separated elements, each the code followed by its
    // wording, and an empty last element (the act window ignores the last one):
    // "1Acte à taux plein (acte unique ou premier acte)@2Acte à 50 %...@".
    QString GetCodesAssociation();
    // Every modifier of the reference: "@"-separated, code followed by its
    // wording ("FActe réalisé en urgence un dimanche ou un jour férié@M...").
    QString GetModificateurs();
    // The modifiers allowed for the act on DateActe: element 0 is the act code
    // (the act window skips it), then one element per modifier, code followed
    // by its wording: "QZJA002@FActe réalisé en urgence...@M...". "" for an
    // unknown act; the act code alone when it allows none.
    QString GetModificateursActe(const QString& codeActe);
    // Reimbursement base in euros ("24.69"): the tariff of the act's main line
    // with two modifiers and the association code, as Tarifer computes it
    // (place code: no effect). "" when no price can be given.
    QString GetBaseRemboursementActe(const QString& codeActe, const QString& modif1,
                                     const QString& modif2, const QString& codeLieu,
                                     const QString& codeAssociation);
    // Unit price in euros ("26.60"), "0.00" when not covered, "" unknown.
    QString GetPrixUnitaire(const QString& codeActe);
};

// Why an act may not be billed with one already coded: both acts, whose rule
// it is and, for the edition's, the sentence of its note.
struct RefusAssociation
{
    QString nouveau;   // the act refused
    QString precedent; // the act already coded it may not go with
    ReferenceTarifs::Motif motif;

    // In French: "L'acte B ne peut pas être facturé avec l'acte A (règles de
    // facturation de l'édition CCAM 81)." then, on a line of its own, the
    // note quoted between « ». A sentence longer than longueurNote characters
    // is cut at a word, with "…"; -1 keeps it whole.
    QString texte(qsizetype longueurNote = -1) const;
};

// The tariff class of the component.
class TarificateurSRT : public ParametresSrt
{
public:
    // Tariff in cents as decimal text ("3236"): Tarifer's price of the act's
    // main line. The place code does not change the price; the
    // exceptional-reimbursement code "N" makes an act reimbursable under
    // conditions 0. "0" for an act not covered; "" when no price can be given
    // (unknown act, no price that day, no reference...: derniereErreur() or
    // Tarifer say why).
    QString GetTarifActe(const QString& code, const QString& m1, const QString& m2,
                         const QString& m3, const QString& m4, const QString& association,
                         const QString& lieu, const QVariant& rbtExceptionnel);
    // Acts of a coding joined by "@", the new act last: "" when the new act may
    // be billed with the others, else the refusal's text (RefusAssociation),
    // for the first act before it that it may not go with.
    QString ControleCotation(const QString& listeCodes);
    // The same refusal, for a window that shows the note shortened.
    std::optional<RefusAssociation> RefusCotation(const QString& listeCodes);

    // The same computation as GetTarifActe, step by step, for the command line
    // and for support: the answer GetTarifActe gives, and one French line per
    // step (unit price, grid, each modifier, rounding).
    struct Detail
    {
        QString reponse;
        QStringList etapes;
        QString erreur; // why there is no answer
    };
    Detail DetailTarifActe(const QString& code, const QStringList& modificateurs,
                           const QString& association = {}, const QString& lieu = {},
                           const QString& rbtExceptionnel = {});
};

} // namespace pava
