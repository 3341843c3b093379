#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pava::test {

// A user database "CCAM001.mdb" made for one test: the habitual codings
// (code, label) in table CCAM_7, in the given order.
using Habituels = QList<QPair<QString, QString>>;
bool creerBaseUtilisateur(const QString& fichier, const Habituels& habituels);

// Runs one statement on a database file from outside the window (as another
// program would); false on failure.
bool executer(const QString& fichier, const QString& instruction, const QVariantList& valeurs = {});
// The first column of every row of a query, as text.
QStringList colonne(const QString& fichier, const QString& requete);
// Every column of the first row of a query, as text.
QStringList ligne(const QString& fichier, const QString& requete);

} // namespace pava::test
