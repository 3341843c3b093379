-- PavaCCAM CCAM reference: the SQLite file "srt/CCAM.mdb" under the SRT base
-- directory. Written only by "pavaccam reference import"; every other reader
-- opens it read-only. Described table by table in docs/reference.md.
--
-- Conventions: dates are ISO text (YYYY-MM-DD); amounts are integer cents;
-- modifier percentages are integer basis points (6.5 % = 650); grids are
-- 1 (sector 1 / OPTAM / OPTAM-ACO) and 2 (outside sector 1 / outside OPTAM).
-- A dated row holds from its start date until the next row of the same key.
-- PRAGMA user_version = 3 (1: before the pairs of the edition's notes, 2:
-- the pairs without the sentences they come from).

-- The act window's table: code and current label of every act ever imported.
CREATE TABLE CCAM_7 (
    CodeActe TEXT PRIMARY KEY,
    Libelle  TEXT NOT NULL
);

-- Each imported edition of the CCAM, oldest first.
CREATE TABLE edition (
    date_application TEXT PRIMARY KEY,
    version          INTEGER NOT NULL,
    titre            TEXT NOT NULL,
    source           TEXT NOT NULL,
    empreinte        TEXT NOT NULL,
    date_import      TEXT NOT NULL,
    demonstration    INTEGER NOT NULL DEFAULT 0
);

-- The tariff grids named by the edition's column headers.
CREATE TABLE grille (
    code    INTEGER PRIMARY KEY,
    libelle TEXT NOT NULL
);

-- Chapter tree of the newest edition ("01", "01.01", "01.01.01", ...).
CREATE TABLE chapitre (
    code   TEXT PRIMARY KEY,
    parent TEXT,
    rang   INTEGER NOT NULL,
    titre  TEXT NOT NULL
);

-- Notes of the newest edition, in their order, attached to an act, a chapter,
-- a modifier or to the edition itself (genre 'acte', 'chapitre',
-- 'modificateur', 'edition').
CREATE TABLE note (
    genre        TEXT NOT NULL,
    proprietaire TEXT NOT NULL,
    rang         INTEGER NOT NULL,
    texte        TEXT NOT NULL,
    PRIMARY KEY (genre, proprietaire, rang)
);

-- Acts: descriptive data from the newest edition that lists them. debut is
-- the first edition that lists the act, fin the first later edition that no
-- longer does (NULL while it is current).
CREATE TABLE acte (
    code                      TEXT PRIMARY KEY,
    libelle                   TEXT NOT NULL,
    chapitre                  TEXT,
    nature                    TEXT NOT NULL,
    rembourse_sous_conditions INTEGER NOT NULL,
    accord_prealable          INTEGER NOT NULL,
    rang                      INTEGER NOT NULL,
    debut                     TEXT NOT NULL,
    fin                       TEXT
);

-- Pricing lines of each act (activity and phase) in the newest edition that
-- lists the act.
CREATE TABLE activite (
    code                      TEXT NOT NULL,
    activite                  INTEGER NOT NULL,
    phase                     INTEGER NOT NULL,
    libelle                   TEXT NOT NULL,
    rembourse_sous_conditions INTEGER NOT NULL,
    accord_prealable          INTEGER NOT NULL,
    exoneration               TEXT NOT NULL,
    regroupement              TEXT NOT NULL,
    rang                      INTEGER NOT NULL,
    PRIMARY KEY (code, activite, phase)
);

-- Unit prices with their history. etat: 0 priced (centimes), 1 not covered
-- ("Non pris en charge"), 2 the line no longer exists from this date.
CREATE TABLE tarif (
    code     TEXT NOT NULL,
    activite INTEGER NOT NULL,
    phase    INTEGER NOT NULL,
    grille   INTEGER NOT NULL,
    debut    TEXT NOT NULL,
    etat     INTEGER NOT NULL,
    centimes INTEGER,
    PRIMARY KEY (code, activite, phase, grille, debut)
);

-- Modifiers allowed for each act, with their history. The edition publishes
-- one list per act, valid for each of its activities; '' means none.
CREATE TABLE modificateurs_acte (
    code    TEXT NOT NULL,
    debut   TEXT NOT NULL,
    lettres TEXT NOT NULL,
    PRIMARY KEY (code, debut)
);

-- Modifiers: one-character code and wording.
CREATE TABLE modificateur (
    code    TEXT PRIMARY KEY,
    libelle TEXT NOT NULL,
    origine TEXT NOT NULL
);

-- Modifier rates per grid with their validity (fin inclusive, NULL open).
-- A rate is a percentage (points_de_base, forfait_centimes 0) or a flat
-- amount (forfait_centimes, points_de_base 0). origine: 'edition' (read in
-- the edition's modifier chapter) or 'installation' (the installation's
-- table, which prevails over the edition).
CREATE TABLE modificateur_taux (
    origine          TEXT NOT NULL,
    code             TEXT NOT NULL,
    grille           INTEGER NOT NULL,
    debut            TEXT NOT NULL,
    fin              TEXT,
    points_de_base   INTEGER NOT NULL,
    forfait_centimes INTEGER NOT NULL,
    PRIMARY KEY (origine, code, grille, debut)
);

-- Variants of a modifier's amount published for some specialities (kept as
-- read, not used by the tariff engine).
CREATE TABLE modificateur_variante (
    code    TEXT NOT NULL,
    rang    INTEGER NOT NULL,
    libelle TEXT NOT NULL,
    taux_1  TEXT NOT NULL,
    taux_2  TEXT NOT NULL,
    PRIMARY KEY (code, rang)
);

-- Association codes of an act line and their coefficient in thousandths.
CREATE TABLE association (
    code       TEXT PRIMARY KEY,
    libelle    TEXT NOT NULL,
    pour_mille INTEGER NOT NULL
);

-- Pairs of acts that the installation's table says may not be billed
-- together (both orders), with their validity (fin inclusive, NULL open).
CREATE TABLE incompatibilite (
    acte1 TEXT NOT NULL,
    acte2 TEXT NOT NULL,
    debut TEXT NOT NULL,
    fin   TEXT,
    PRIMARY KEY (acte1, acte2, debut)
);

-- The sentences of the edition's notes that forbid billing acts together,
-- each once, and whose note it is (an act's code or a heading's number): a
-- refusal quotes the rule it applies.
CREATE TABLE note_incompatibilite (
    id           INTEGER PRIMARY KEY,
    proprietaire TEXT NOT NULL,
    phrase       TEXT NOT NULL
);

-- Pairs of acts that the billing rules of the edition's notes forbid to bill
-- together (both orders; acte1 < acte2), with their history: debut is the
-- first edition that forbids the pair, fin (inclusive) the day before the
-- first later edition that no longer does, NULL while it still does. note:
-- the sentence that forbids it in that edition; NULL in a period imported
-- before the sentences were kept.
CREATE TABLE incompatibilite_edition (
    acte1 TEXT NOT NULL,
    acte2 TEXT NOT NULL,
    debut TEXT NOT NULL,
    fin   TEXT,
    note  INTEGER REFERENCES note_incompatibilite (id),
    PRIMARY KEY (acte1, acte2, debut)
);
CREATE INDEX incompatibilite_edition_acte2 ON incompatibilite_edition (acte2);

-- Pairs of the edition that the installation's table allows all the same
-- (both orders), with their validity (fin inclusive, NULL open).
CREATE TABLE compatibilite (
    acte1 TEXT NOT NULL,
    acte2 TEXT NOT NULL,
    debut TEXT NOT NULL,
    fin   TEXT,
    PRIMARY KEY (acte1, acte2, debut)
);

-- Acts listed as going with an act (complementary acts, supplements), in the
-- edition's order.
CREATE TABLE acte_associe (
    code         TEXT NOT NULL,
    rang         INTEGER NOT NULL,
    code_associe TEXT NOT NULL,
    PRIMARY KEY (code, rang)
);

-- The installation's table (modifier rates, incompatible acts, association
-- coefficients) as last given to the importer, so that a later import
-- without it keeps applying it.
CREATE TABLE installation (
    nom       TEXT NOT NULL,
    empreinte TEXT NOT NULL,
    contenu   BLOB NOT NULL
);

-- The practitioners' lexicon the reference was built with (the file as it
-- is, one rule a line: docs/reference.md), which the act search reads.
CREATE TABLE lexique (
    nom     TEXT NOT NULL,
    contenu TEXT NOT NULL
);

CREATE INDEX acte_chapitre ON acte (chapitre);
