// pavaccam: the command-line tool for installers, scripts and hosts that
// prefer a process to the bus.
#include "host/cli/CommandeAppel.h"
#include "host/cli/CommandeDemo.h"
#include "host/cli/CommandeInit.h"
#include "host/cli/CommandePratique.h"
#include "host/cli/CommandeReference.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

const char* const kAide =
    "Utilisation : pavaccam COMMANDE [ARGUMENTS...]\n"
    "\n"
    "Commandes :\n"
    "  call [--data4 REP] [--dico4 REP] [--timeout SECONDES] MEMBRE [ARGUMENTS...]\n"
    "                       appelle un membre d'un objet LectureCCAM du serveur\n"
    "                       PavaCCAM (bus de session D-Bus) et affiche la réponse ;\n"
    "                       le bus démarre le serveur au besoin. Membres :\n"
    "                         CheminData4 [VALEUR], CheminDico4 [VALEUR]\n"
    "                         Init IdentificationPraticien CodeSpecialite PathData4 PathDico4\n"
    "                         EndCCAM\n"
    "                         GetCCAMCode\n"
    "                         GetSRTModificateurs\n"
    "                         GetSRTCodeAssociation\n"
    "                         GetSRTModificateursActe CodeActe\n"
    "                         GetSRTPrixUnitaire CodeActe\n"
    "                         GetSRTBaseRemboursementActe CodeActe CodeModif1 CodeModif2\n"
    "                                                     codelieu CodeAssociation\n"
    "                         GetCotationCCAM IdentificationPraticien CodeSpecialite\n"
    "                                         PathData4 PathDico4 Cot [PathDataRsc]\n"
    "                       --data4/--dico4 fixent CheminData4/CheminDico4 avant l'appel\n"
    "                       (chemins des recherches GetSRT...). GetCCAMCode et\n"
    "                       GetCotationCCAM attendent la fermeture de leur fenêtre.\n"
    "                       Réponses : le texte tel quel, ou True/False.\n"
    "  init --data DATA --rsc RSC --srt SRT [--profil REP]\n"
    "       [--reference FICHIER.csv [--modifiers FICHIER]]\n"
    "                       crée un jeu de données complet : DATA/CCAM001.mdb,\n"
    "                       RSC/Cotation.mdb, SRT/srt/CCAM.mdb et Pavareg.reg\n"
    "                       (dans --profil, sinon $PAVACCAM_SYSCONFDIR ou /etc) ;\n"
    "                       un fichier existant n'est jamais remplacé ; sans\n"
    "                       --reference, la référence de démonstration est\n"
    "                       importée. Chaque répertoire est vérifié avant que\n"
    "                       rien ne soit créé.\n"
    "  demo [--dossier REP]\n"
    "                       ouvre la fenêtre de cotation sur un jeu de démonstration\n"
    "                       (créé au premier lancement dans\n"
    "                       ~/.local/share/pavaccam/demo) et affiche la cotation ;\n"
    "                       elle lance son propre serveur sur son propre bus\n"
    "  practice check [--to URI]\n"
    "                       dit où ce poste garde les données de la pratique\n"
    "                       (fichiers SQLite, ou base PostgreSQL de PAVACCAM_BASE ou\n"
    "                       de Base= dans [PavaCCAM] de Pavareg.reg), la joint et\n"
    "                       donne la version de son schéma\n"
    "  practice migrate --data DATA --rsc RSC --to URI [--fusionner]\n"
    "                       copie CCAM001.mdb et Cotation.mdb dans une base\n"
    "                       PostgreSQL vide, en une transaction ; --fusionner\n"
    "                       ajoute seulement les lignes absentes. Le mot de passe\n"
    "                       vient de ~/.pgpass, jamais de l'adresse\n"
    "  reference import FICHIER.csv --srt REP [--modifiers FICHIER]\n"
    "                       construit le référentiel CCAM (REP/srt/CCAM.mdb)\n"
    "  reference search MOTS... --srt REP [--data DATA] [--rsc RSC]\n"
    "                       cherche des actes (code, libellé, tarif), les cotations\n"
    "                       habituelles et l'historique du cabinet en premier\n"
    "  reference price CODE [--modifiers LETTRES] [--date AAAA-MM-JJ] --srt REP\n"
    "                       calcule le tarif d'un acte, étape par étape\n"
    "  reference check CODE CODE... --srt REP [--date AAAA-MM-JJ]\n"
    "                       dit si ces actes peuvent être facturés ensemble\n"
    "  --help               affiche cette aide\n"
    "  --version            affiche la version\n"
    "\n"
    "Codes de sortie :\n"
    "  0                    réussite\n"
    "  1                    erreur signalée par le serveur ou les données\n"
    "  2                    commande mal formée\n"
    "  3                    bus de session, serveur PavaCCAM ou serveur de base\n"
    "                       de données injoignable\n";

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
    if (args.first() == QLatin1String("--version")) {
        out << "pavaccam " PAVACCAM_VERSION "\n";
        return 0;
    }
    const QString commande = args.takeFirst();
    if (commande == QLatin1String("reference"))
        return pava::commandeReference(args, out, err);
    const auto surLeBus = [&](auto executer) {
        const int statut = executer(args, out, err);
        pava::client::finirAvecLeBus();
        return statut;
    };
    if (commande == QLatin1String("call"))
        return surLeBus(pava::commandeAppel);
    if (commande == QLatin1String("init"))
        return pava::commandeInit(args, out, err);
    if (commande == QLatin1String("practice"))
        return pava::commandePratique(args, out, err);
    if (commande == QLatin1String("demo"))
        return surLeBus(pava::commandeDemo);

    err << "pavaccam : commande inconnue « " << commande << " ».\n"
        << "Tapez « pavaccam --help » pour la liste des commandes.\n";
    return 2;
}
