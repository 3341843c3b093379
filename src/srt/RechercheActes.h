#pragma once

#include "srt/Lexique.h"
#include "srt/Tarifs.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace pava {

// Finding CCAM acts by code or by words, and browsing the chapter tree: what
// the act chooser window and "pavaccam reference search" ask.
//
// charger() reads the acts in force on a day from a reference (code, label,
// chapter, unit price in one grid), the chapter tree and the practitioners'
// lexicon the reference was built with, and builds an index in memory; after
// that, chercher() answers without touching the database, in some
// microseconds for a few words on the whole CCAM.
//
// How a query matches: it is cut into words, compared without regard to case,
// accents, ligatures (œ) or punctuation, in any order, each word by its French
// stem (Lexique.h: "abdominale" meets "abdominal", "plaies" "plaie"). A word
// also matches the label words it begins ("sut" finds "suture", "echo abd"
// "abdomen"). A query word of five letters or more also matches a label word
// one typing error away (a letter missing, added, swapped or wrong, or "f"
// typed for "ph": "electrocardiografie", "sutrue"). A word of the form of an
// act code's beginning ("qzja", "QZJA0", "qzja002") also matches the codes
// that start with it. Small words ("de", "la", "par"...) are skipped unless
// the query has nothing else.
//
// The lexicon says what practitioners' words mean in the edition's words:
// "ecg" is "électrocardiographie", "stérilet" "dispositif intra-utérin". The
// words of a query a rule names (the longest spelling first) match a label
// that holds them, or one that holds all the words of one of the rule's
// meanings. An act matches when every word or group of words of the query
// matches.
//
// Results come best first: what the practice has already coded (its habitual
// codings, then the acts of its coding history, the most recently recorded
// first); then its code is a query word, or starts with one; then the labels
// that hold every query word whole (by its stem or by a meaning of the
// lexicon), rather than by its beginning or with a typing error; fewer words
// found only through a typing error; the lexicon's meaning rather than the
// words as typed when a rule names them; fewer other words in the label;
// acts of activity 1 (the main act rather than, say, anaesthesia alone); the
// words found nearer the start of the label. Then by code.
//
// Not for concurrent use: chercher() reuses work buffers.
class RechercheActes
{
public:
    struct Acte
    {
        QString code;
        QString libelle;
        QString chapitre;
        ValeurTarif tarif; // unit price of the act's main line, on the loading day
    };

    struct Chapitre
    {
        QString code; // "01", "01.01", "01.01.01"
        QString parent;
        QString titre;
    };

    struct Resultat
    {
        QList<int> actes; // indexes into actes(), best first, at most the maximum asked
        int total = 0;    // how many acts matched in all
    };

    // What a practice has already coded: the practitioner's habitual codings,
    // and the acts of the coding history with the julian day of their most
    // recent record (0 when it could not be read: ranked after the others).
    struct Pratique
    {
        QStringList habituels;
        QHash<QString, std::int64_t> historique;
    };
    // The practice as chercher() ranks it: one value per act of actes(), the
    // larger first. Made once per practice, used for every query.
    using Priorites = std::vector<std::int64_t>;
    Priorites priorites(const Pratique& pratique) const;

    // Reads the reference; false (and *erreur in French) when it cannot be
    // read. The previous content is kept on failure.
    bool charger(const QString& cheminReference, QString* erreur = nullptr,
                 int grille = kGrilleSecteur1, QDate jour = QDate::currentDate());

    Resultat chercher(QStringView requete, int maximum = 200,
                      const Priorites* priorites = nullptr) const;

    const QList<Acte>& actes() const { return m_actes; }
    // True when the reference is a demonstration (invented prices).
    bool demonstration() const { return m_demonstration; }
    int indexActe(QStringView code) const;

    // Chapter tree in the edition's order.
    const QList<Chapitre>& chapitres() const { return m_chapitres; }
    int indexChapitre(const QString& code) const { return m_indexChapitres.value(code, -1); }
    // Chapters directly under a chapter ("" for the top level).
    QList<int> sousChapitres(const QString& parent) const { return m_enfants.value(parent); }
    // Acts placed directly in a chapter, in the edition's order.
    QList<int> actesDuChapitre(const QString& code) const { return m_actesChapitre.value(code); }

    // Why an act comes up for a query: one line per word or group of words
    // of the query, saying which word of the label it met and how (the same
    // word, the same stem, its beginning, a typing error, a rule of the
    // lexicon and its line, the code). In French, for "--explain".
    QStringList expliquer(QStringView requete, int acte) const;

    // Adds rules to the lexicon (the practice's own, after the reference's).
    void ajouterLexique(const QList<RegleLexique>& regles);
    const QList<RegleLexique>& lexique() const { return m_lexique; }
    // The rules with a meaning that no act in force holds, one French line
    // each: a lexicon must lead somewhere.
    QStringList reglesSansEffet() const;

    // The words of a text as the index sees them: their stems
    // ("Électrocardiographies" -> "electrocardiograph"). Exposed for the act
    // chooser's highlighting.
    static QStringList mots(QStringView texte);

private:
    struct Terme;
    struct Requete;
    struct Qualite;
    Requete analyser(QStringView requete) const;
    Qualite evaluer(const Requete& r, std::size_t acte, QStringList* explication) const;
    void construireIndex();
    void preparer(Terme& t) const;
    void marquerTerme(const Terme& t, std::vector<std::uint64_t>& bits) const;
    std::pair<std::size_t, std::size_t> exacts(const QString& cle) const;
    std::vector<std::uint32_t> motsAUneFaute(const QString& mot) const;
    void marquerCodes(const QString& mot, std::vector<std::uint64_t>& bits) const;

    QList<Acte> m_actes;
    bool m_demonstration = false;
    QHash<QString, int> m_indexActes;
    QList<Chapitre> m_chapitres;
    QHash<QString, int> m_indexChapitres;
    QHash<QString, QList<int>> m_enfants;
    QHash<QString, QList<int>> m_actesChapitre;

    std::vector<QString> m_mots;                           // sorted vocabulary, folded
    std::vector<std::pair<QString, std::uint32_t>> m_cles; // each word's stem, sorted
    std::vector<QString> m_cleDeMot;                       // the stem of each word
    std::vector<bool> m_activite1;                         // acts with a line of activity 1
    QList<RegleLexique> m_lexique;
    // The rules by the first stem of each of their spellings: (rule, spelling).
    QHash<QString, QList<QPair<int, int>>> m_reglesParCle;
    std::vector<bool> m_motsVides;                      // "de", "la"... in the vocabulary
    std::vector<std::vector<std::uint32_t>> m_postings; // acts of each word
    std::vector<std::vector<std::uint32_t>> m_libelles; // word ids of each label, in order
    std::vector<std::pair<QString, int>> m_codes;       // lower-case codes, sorted
    std::vector<std::uint32_t> m_rangsCodes;            // each act's rank in code order
    std::vector<std::uint8_t> m_significatifs;          // words of each label but "de", "la"...
    // Every word of four letters or more, and each of its forms with one letter
    // left out, by a hash of the form: what finds the label words one typing
    // error away from a query word.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> m_formes;

    mutable std::vector<std::uint64_t> m_candidats;
    mutable std::vector<std::uint64_t> m_bits;
};

} // namespace pava
