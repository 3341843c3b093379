#pragma once

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
// chapter, unit price in one grid) and the chapter tree, and builds an index
// in memory; after that, chercher() answers without touching the database, in
// a few microseconds for a few words on the whole CCAM.
//
// How a query matches: it is cut into words, compared without regard to case,
// accents, ligatures (œ) or punctuation, in any order. Each word of the query
// is the beginning of a word of the label ("sut" finds "suture"), and the
// French plural marks are ignored on both sides ("plaies", "sutures",
// "médicaux" find "plaie", "suture", "médical"). A query word of five letters
// or more also matches a label word one typing error away (a letter missing,
// added, swapped or wrong, or "f" typed for "ph": "electrocardiografie",
// "sutrue"). A word of the form of an act code's beginning ("qzja", "QZJA0",
// "qzja002") also matches the codes that start with it. An act matches when
// every word of the query matches; small words ("de", "la", "par"...) are
// skipped unless the query has nothing else.
//
// Results come best first: what the practice has already coded (its habitual
// codings, then the acts of its coding history, the most recently recorded
// first), then by how well the act matches: its code is a query word, or
// starts with one; fewer typing errors; more query words that are whole words
// of the label; the words found nearer the start of the label; fewer other
// words in the label. Then by code.
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

    // The words of a text as the index sees them: lower case, without
    // accents, plural marks removed ("Électrocardiographies" ->
    // "electrocardiographie"). Exposed for the act chooser's highlighting.
    static QStringList mots(QStringView texte);

private:
    struct Terme;
    static QStringList motsBruts(QStringView texte);
    void construireIndex();
    void preparer(Terme& t) const;
    std::vector<std::uint32_t> motsAUneFaute(const QString& mot) const;
    void marquerCodes(const QString& mot, std::vector<std::uint64_t>& bits) const;

    QList<Acte> m_actes;
    bool m_demonstration = false;
    QHash<QString, int> m_indexActes;
    QList<Chapitre> m_chapitres;
    QHash<QString, int> m_indexChapitres;
    QHash<QString, QList<int>> m_enfants;
    QHash<QString, QList<int>> m_actesChapitre;

    std::vector<QString> m_mots;                        // sorted vocabulary
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
