#pragma once

#include "TestSupport.h"

#include "coding/Windows1252.h"

#include <QByteArray>
#include <QStringList>

namespace pava::test {

// A complement file as the program writes it, from a title and slots given
// as "label|CCAM|NGAP" (the "|" standing for the "§" of the file); missing
// slots are empty.
inline QByteArray octetsCatalogue(const QString& titre, const QStringList& emplacements = {})
{
    QString texte = titre + QStringLiteral("\r\n");
    for (int r = 0; r < 8; ++r) {
        QString ligne = r < emplacements.size() ? emplacements[r] : QStringLiteral("||");
        texte += ligne.replace(QLatin1Char('|'), QChar(0x00A7)) + QStringLiteral("\r\n");
    }
    return versWindows1252(texte);
}

// The bytes of Complt1.txt, Complt2.txt, Complt3.txt in a directory ("" for
// an absent file).
inline QByteArrayList contenusCatalogue(const QString& dossier)
{
    QByteArrayList c;
    for (int k = 1; k <= 3; ++k)
        c << readFile(dossier + QStringLiteral("/Complt%1.txt").arg(k));
    return c;
}

} // namespace pava::test
