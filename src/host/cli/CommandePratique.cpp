#include "host/cli/CommandePratique.h"

#include "db/BasePratique.h"
#include "db/MigrationPratique.h"

#include <QDir>

namespace pava {

namespace {

void afficherComptes(QTextStream& out, const QList<pratique::ComptesTable>& tables, bool copie)
{
    for (const pratique::ComptesTable& t : tables) {
        out << "  " << t.table.leftJustified(22);
        if (copie)
            out << " fichiers : " << t.source << ", base avant : " << t.avant
                << ", base après : " << t.apres << "\n";
        else
            out << " " << t.apres << " lignes\n";
    }
}

int verifier(const QString& uriDonnee, QTextStream& out, QTextStream& err)
{
    QString origine;
    QString uri = uriDonnee;
    if (uri.isEmpty())
        uri = pratique::adresseChoisie(&origine);
    else
        origine = QStringLiteral("option --to");
    if (uri.isEmpty()) {
        out << "Ce poste garde les données de la pratique dans les fichiers SQLite des "
               "répertoires transmis par le logiciel appelant (CCAM001.mdb et Cotation.mdb) : "
               "ni PAVACCAM_BASE ni Base= dans la section [PavaCCAM] de Pavareg.reg.\n";
        return 0;
    }
    out << "Base de la pratique : PostgreSQL, " << uri << " (" << origine << ")\n";
    const pratique::EtatBase etat = pratique::examiner(uri);
    if (!etat.joignable) {
        err << "pavaccam practice check : " << etat.erreur << "\n";
        return etat.injoignable ? 3 : 1;
    }
    out << "Serveur joint ; version du schéma : " << etat.version
        << " (ce programme : " << pratique::kVersionSchema << ")\n";
    afficherComptes(out, etat.tables, false);
    return 0;
}

} // namespace

int commandePratique(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList args = arguments;
    const QString action = args.isEmpty() ? QString() : args.takeFirst();
    if (action != u"check" && action != u"migrate") {
        err << "pavaccam practice : indiquez check ou migrate (pavaccam --help).\n";
        return 2;
    }
    QString data;
    QString rsc;
    QString uri;
    bool fusionner = false;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option == u"--fusionner" && action == u"migrate") {
            fusionner = true;
            continue;
        }
        QString* cible = option == u"--to"                             ? &uri
                         : option == u"--data" && action == u"migrate" ? &data
                         : option == u"--rsc" && action == u"migrate"  ? &rsc
                                                                       : nullptr;
        if (!cible) {
            err << "pavaccam practice " << action << " : option inconnue « " << option << " ».\n";
            return 2;
        }
        if (args.isEmpty()) {
            err << "pavaccam practice " << action << " : l'option " << option
                << " attend une valeur.\n";
            return 2;
        }
        *cible = args.takeFirst();
    }
    if (action == u"check")
        return verifier(uri, out, err);
    if (data.isEmpty() || rsc.isEmpty() || uri.isEmpty()) {
        err << "pavaccam practice migrate : indiquez --data, --rsc et --to.\n";
        return 2;
    }
    if (!pratique::estAdresseServeur(uri)) {
        err << "pavaccam practice migrate : « " << uri
            << " » n'est pas une adresse postgresql://….\n";
        return 2;
    }
    const QString ccam001 = QDir(data).filePath(QStringLiteral("CCAM001.mdb"));
    const QString cotation = QDir(rsc).filePath(QStringLiteral("Cotation.mdb"));
    out << "Copie de " << ccam001 << " et " << cotation << " vers " << uri << "\n";
    const pratique::BilanMigration bilan = pratique::migrer(ccam001, cotation, uri, fusionner);
    if (!bilan.reussi) {
        afficherComptes(out, bilan.tables, true);
        err << "pavaccam practice migrate : " << bilan.erreur << "\n";
        return bilan.injoignable ? 3 : 1;
    }
    afficherComptes(out, bilan.tables, true);
    out << "Copie terminée. Pour que les postes l'utilisent : PAVACCAM_BASE=" << uri
        << ", ou Base=" << uri << " dans la section [PavaCCAM] de Pavareg.reg.\n";
    return 0;
}

} // namespace pava
