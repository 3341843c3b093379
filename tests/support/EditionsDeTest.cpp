#include "EditionsDeTest.h"

#include "TestSupport.h"

#include "coding/Windows1252.h"
#include "srt/LecteurCsv.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace pava::test {

QByteArray edition(int version, const QString& date, const QStringList& lignes)
{
    QString texte =
        QStringLiteral("CNAM - CCAM version %1 applicable %2,,,,,,,,,,\n").arg(version).arg(date);
    texte += QStringLiteral("Code,,Texte,Activité,Phase,\"Tarif\nSecteur 1\",\"Tarif\nHors "
                            "secteur 1\",Rembt. ss Cdtions,Accord Préalable,Exo. TM,"
                            "Regroupement\n");
    texte += QStringLiteral(",,,,,,,,,,\n");
    for (const QString& l : lignes)
        texte += l + QLatin1Char('\n');
    return texte.toUtf8();
}

QByteArray formeFrancaise(const QByteArray& editionUtf8, bool windows1252)
{
    const QString texte = QString::fromUtf8(editionUtf8);
    LecteurCsv csv(texte);
    QStringList cellules;
    QStringList lignes;
    static const QRegularExpression nombre(QStringLiteral("^\\d+\\.\\d+$"));
    while (csv.suivant(cellules)) {
        for (qsizetype i = 0; i < cellules.size(); ++i) {
            QString& c = cellules[i];
            if ((i == 5 || i == 6) && nombre.match(c).hasMatch())
                c.replace(QLatin1Char('.'), QLatin1Char(','));
            if (c.contains(QLatin1Char(';')) || c.contains(QLatin1Char('"')) ||
                c.contains(QLatin1Char('\n')))
                c = QLatin1Char('"') +
                    QString(c).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
                    QLatin1Char('"');
        }
        lignes.append(cellules.join(QLatin1Char(';')));
    }
    const QString francais = lignes.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    return windows1252 ? versWindows1252(francais) : francais.toUtf8();
}

BilanImport importer(const QString& repertoireSrt, const QByteArray& edition,
                     const QByteArray& installation, bool forcer)
{
    static int numero = 0;
    ++numero;
    OptionsImport o;
    o.fichierEdition = repertoireSrt + QStringLiteral("/edition-%1.csv").arg(numero);
    o.repertoireSrt = repertoireSrt;
    o.forcer = forcer;
    writeFile(o.fichierEdition, edition);
    if (!installation.isEmpty()) {
        o.fichierInstallation = repertoireSrt + QStringLiteral("/installation-%1.csv").arg(numero);
        writeFile(o.fichierInstallation, installation);
    }
    return importerReference(o);
}

QString requete(const QString& reference, const QString& sql)
{
    const QString nom = QStringLiteral("test-requete");
    QStringList lignes;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(reference);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql)) {
                while (q.next()) {
                    QStringList colonnes;
                    for (int i = 0; i < q.record().count(); ++i)
                        colonnes.append(q.value(i).toString());
                    lignes.append(colonnes.join(QLatin1Char(',')));
                }
            } else {
                lignes.append(QStringLiteral("ERREUR"));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(nom);
    return lignes.join(QLatin1Char('|'));
}

QString contenu(const QString& reference, bool provenance)
{
    QString texte;
    const QString tables = requete(reference, QStringLiteral("SELECT name FROM sqlite_master "
                                                             "WHERE type = 'table' ORDER BY name"));
    for (const QString& table : tables.split(QLatin1Char('|'))) {
        if (!provenance && table == QLatin1String("edition")) {
            texte += table + QStringLiteral(": ") +
                     requete(reference, QStringLiteral("SELECT date_application, version, titre, "
                                                       "demonstration FROM edition ORDER BY 1")) +
                     QLatin1Char('\n');
            continue;
        }
        const int colonnes =
            static_cast<int>(requete(reference, QStringLiteral("PRAGMA table_info(%1)").arg(table))
                                 .split(QLatin1Char('|'))
                                 .size());
        QStringList ordre;
        for (int i = 1; i <= colonnes; ++i)
            ordre.append(QString::number(i));
        texte += table + QStringLiteral(": ") +
                 requete(reference, QStringLiteral("SELECT * FROM %1 ORDER BY %2")
                                        .arg(table, ordre.join(QLatin1Char(',')))) +
                 QLatin1Char('\n');
    }
    return texte;
}

} // namespace pava::test
