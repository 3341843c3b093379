#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pava::test {

// An SQLite file seen from outside the program, as another program would:
// one statement (false on failure), the first column of every row, every
// column of the first row, as text.
bool executer(const QString& fichier, const QString& instruction, const QVariantList& valeurs = {});
QStringList colonne(const QString& fichier, const QString& requete);
QStringList ligne(const QString& fichier, const QString& requete);

// A CCAM reference made for the act chooser's tests: a handful of acts in a
// few chapters, with their unit prices, in the reference's own schema; and
// the practice's files around it (habitual codings, coding history).
struct ActeEssai
{
    QString code;
    QString libelle;
    QString chapitre;
    int etat = 0; // 0 priced, 1 not covered
    qint64 centimes = 0;
};
struct ChapitreEssai
{
    QString code;
    QString parent;
    QString titre;
};

QList<ActeEssai> actesEssai();
QList<ChapitreEssai> chapitresEssai();

// Writes the reference at fichier; false (and why in *erreur) on failure.
bool creerReference(const QString& fichier, QString* erreur);

// A user database "CCAM001.mdb" with habitual codings (code, label), in order.
using Habituels = QList<QPair<QString, QString>>;
bool creerHabituels(const QString& fichier, const Habituels& habituels);

// A coding history "Cotation.mdb": one token row per code and one dated row
// per (code, date), then as many filler rows as asked (a large history).
bool creerHistorique(const QString& fichier, const QList<QPair<QString, QString>>& datees,
                     int remplissage = 0);

} // namespace pava::test
