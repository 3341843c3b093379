// pavaccam: the command-line tool for installers, scripts and hosts that
// prefer a process to the bus.
#include "srt/CommandeReference.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

const char* const kAide =
    "Utilisation : pavaccam COMMANDE [ARGUMENTS...]\n"
    "\n"
    "Commandes :\n"
    "  reference import FICHIER.csv --srt REP [--modifiers FICHIER]\n"
    "                       construit le référentiel CCAM (REP/srt/CCAM.mdb)\n"
    "  reference search MOTS... --srt REP\n"
    "                       cherche des actes (code, libellé, tarif)\n"
    "  reference price CODE [--modifiers LETTRES] [--date AAAA-MM-JJ] --srt REP\n"
    "                       calcule le tarif d'un acte, étape par étape\n"
    "  --help               affiche cette aide\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("PavaCCAM"));
    QCoreApplication::setApplicationName(QStringLiteral("PavaCCAM"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h") || args.first() == QLatin1String("aide")) {
        out << kAide;
        return args.isEmpty() ? 2 : 0;
    }
    const QString commande = args.takeFirst();
    if (commande == QLatin1String("reference"))
        return pava::commandeReference(args, out, err);

    err << "pavaccam : commande inconnue « " << commande << " ».\n"
        << "Tapez « pavaccam --help » pour la liste des commandes.\n";
    return 2;
}
