#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace pava {

// Reads the records of a comma-separated text as a spreadsheet writes it
// (or semicolon-separated, as a French-language spreadsheet writes it):
// cells between double quotes may hold separators, doubled quotes and line
// breaks, so one record can span several physical lines. Each record knows
// the physical line (from 1) on which it starts, which is what a user sees in
// a text editor and what every message about the file quotes.
class LecteurCsv
{
public:
    explicit LecteurCsv(QStringView texte, QChar separateur = QLatin1Char(','));

    // Reads the next record into cellules. False at the end of the text, or
    // on an error (erreur() then says what and where, e.g. a quoted cell
    // still open at the end of the file).
    bool suivant(QStringList& cellules);

    // Physical line on which the last record read starts.
    int ligne() const { return m_ligneEnregistrement; }
    // Physical line reached so far, and the share of the text read (0..100).
    int ligneCourante() const { return m_ligne; }
    int pourcentage() const;
    QString erreur() const { return m_erreur; }

private:
    QStringView m_texte;
    QChar m_separateur;
    qsizetype m_position = 0;
    int m_ligne = 1;
    int m_ligneEnregistrement = 0;
    QString m_erreur;
};

} // namespace pava
