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

// The practice's files: a user database "CCAM001.mdb" with habitual codings
// (code, label), in order.
using Habituels = QList<QPair<QString, QString>>;
bool creerHabituels(const QString& fichier, const Habituels& habituels);
// Composed acts (code, label) added to that database, its table made as the
// workspace makes it when absent; labels as stored (apostrophes doubled).
bool ajouterActesComposes(const QString& fichier, const Habituels& actes);

// A coding history "Cotation.mdb": one token row per code and one dated row
// per (code, date), then as many filler rows as asked (a large history).
bool creerHistorique(const QString& fichier, const QList<QPair<QString, QString>>& datees,
                     int remplissage = 0);

} // namespace pava::test
