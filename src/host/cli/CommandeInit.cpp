#include "host/cli/CommandeInit.h"

#include "host/JeuDeDonnees.h"

namespace pava {

int commandeInit(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    OptionsJeuDeDonnees options;
    QStringList args = arguments;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        QString* cible = nullptr;
        if (option == QLatin1String("--data"))
            cible = &options.repertoireData;
        else if (option == QLatin1String("--rsc"))
            cible = &options.repertoireRsc;
        else if (option == QLatin1String("--srt"))
            cible = &options.repertoireSrt;
        else if (option == QLatin1String("--profil"))
            cible = &options.repertoireProfil;
        else if (option == QLatin1String("--reference"))
            cible = &options.fichierReference;
        else if (option == QLatin1String("--modifiers"))
            cible = &options.fichierInstallation;
        if (!cible) {
            err << "pavaccam init : option inconnue « " << option << " ».\n";
            return 2;
        }
        if (args.isEmpty()) {
            err << "pavaccam init : l'option " << option << " attend une valeur.\n";
            return 2;
        }
        *cible = args.takeFirst();
    }
    if (options.repertoireData.isEmpty() || options.repertoireRsc.isEmpty() ||
        options.repertoireSrt.isEmpty()) {
        err << "pavaccam init : indiquez les trois répertoires --data, --rsc et --srt.\n";
        return 2;
    }

    const BilanJeuDeDonnees bilan = creerJeuDeDonnees(options);
    for (const QString& f : bilan.crees)
        out << "Créé : " << f << "\n";
    for (const QString& f : bilan.conserves)
        out << "Déjà présent, laissé tel quel : " << f << "\n";
    if (!bilan.reussi) {
        err << "pavaccam init : " << bilan.erreur << "\n";
        return 1;
    }
    return 0;
}

} // namespace pava
