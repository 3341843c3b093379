#include "host/cli/CommandeReference.h"

#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "practice/PratiqueActes.h"
#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"
#include "srt/Lexique.h"
#include "srt/RechercheActes.h"

#include <QFileInfo>
#include <QHash>

namespace pava {

namespace {

constexpr int kSucces = 0;
constexpr int kEchec = 1;
constexpr int kUsage = 2;

const char* const kAideReference =
    "Utilisation :\n"
    "  pavaccam reference import FICHIER.csv --srt REP [--modifiers FICHIER] [--forcer] "
    "[--nouveau]\n"
    "  pavaccam reference search MOTS... --srt REP [--data REP] [--rsc REP] [--grille 1|2] "
    "[--max N]\n"
    "                       [--explain]\n"
    "  pavaccam reference price CODE [--modifiers LETTRES] [--date AAAA-MM-JJ] --srt REP\n"
    "                       [--grille 1|2] [--association C] [--lieu C] [--rbt O|N]\n"
    "  pavaccam reference check CODE CODE... --srt REP [--date AAAA-MM-JJ]\n";

// Arguments of one sub-command: words, options with a value, flags.
struct Arguments
{
    QStringList mots;
    QHash<QString, QString> options;
    QStringList drapeaux;
};

bool analyser(const QStringList& args, const QStringList& avecValeur, const QStringList& sansValeur,
              Arguments& a, QTextStream& err)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& x = args[i];
        if (!x.startsWith(QLatin1String("--"))) {
            a.mots.append(x);
        } else if (sansValeur.contains(x)) {
            a.drapeaux.append(x);
        } else if (avecValeur.contains(x)) {
            if (i + 1 >= args.size()) {
                err << "pavaccam reference : l'option " << x << " attend une valeur.\n";
                return false;
            }
            a.options.insert(x, args[++i]);
        } else {
            err << "pavaccam reference : option inconnue « " << x << " ».\n" << kAideReference;
            return false;
        }
    }
    if (a.options.value(QStringLiteral("--srt")).isEmpty()) {
        err << "pavaccam reference : l'option --srt REP (répertoire SRT) est obligatoire.\n";
        return false;
    }
    return true;
}

bool lireGrille(const Arguments& a, int& grille, QTextStream& err)
{
    const QString g = a.options.value(QStringLiteral("--grille"));
    if (g.isEmpty())
        return true;
    if (g != QLatin1String("1") && g != QLatin1String("2")) {
        err << "pavaccam reference : grille « " << g << " » inconnue (1 ou 2).\n";
        return false;
    }
    grille = g.toInt();
    return true;
}

// The reference under the SRT directory, or a clear message.
bool referencePresente(const QString& srt, QString& chemin, QTextStream& err)
{
    chemin = cheminReferenceSrt(srt);
    if (QFileInfo(chemin).isFile())
        return true;
    err << "pavaccam reference : aucun référentiel « " << chemin
        << " » ; construisez-le avec « pavaccam reference import FICHIER.csv --srt " << srt
        << " ».\n";
    return false;
}

void afficherAnomalies(const QString& titre, const QList<Anomalie>& anomalies, bool bloquantes,
                       QTextStream& out)
{
    QStringList lignes;
    for (const Anomalie& a : anomalies) {
        if (a.bloquante != bloquantes)
            continue;
        lignes.append(a.ligne > 0 ? QStringLiteral("  ligne %1 : %2").arg(a.ligne).arg(a.message)
                                  : QStringLiteral("  %1").arg(a.message));
    }
    if (lignes.isEmpty())
        return;
    out << titre << " (" << lignes.size() << ") :\n" << lignes.join(QLatin1Char('\n')) << '\n';
}

int importer(const QStringList& args, QTextStream& out, QTextStream& err)
{
    Arguments a;
    if (!analyser(args, {QStringLiteral("--srt"), QStringLiteral("--modifiers")},
                  {QStringLiteral("--forcer"), QStringLiteral("--nouveau")}, a, err))
        return kUsage;
    if (a.mots.size() != 1) {
        err << "pavaccam reference import : donnez un seul fichier CSV de l'édition.\n"
            << kAideReference;
        return kUsage;
    }
    OptionsImport o;
    o.fichierEdition = a.mots.first();
    o.repertoireSrt = a.options.value(QStringLiteral("--srt"));
    o.fichierInstallation = a.options.value(QStringLiteral("--modifiers"));
    o.forcer = a.drapeaux.contains(QStringLiteral("--forcer"));
    o.nouveau = a.drapeaux.contains(QStringLiteral("--nouveau"));
    QString etapeAffichee;
    int dernier = -1;
    o.progression = [&](const QString& etape, int pourcentage) {
        const int palier = pourcentage / 10 * 10;
        if (etape == etapeAffichee && palier == dernier)
            return;
        etapeAffichee = etape;
        dernier = palier;
        err << etape << " : " << palier << " %\n";
        err.flush();
    };
    const BilanImport b = importerReference(o);
    afficherAnomalies(QStringLiteral("Lignes de l'édition non lues"), b.anomalies, true, out);
    afficherAnomalies(QStringLiteral("Lignes de la table de l'installation non lues"),
                      b.anomaliesInstallation, true, out);
    afficherAnomalies(QStringLiteral("Corrections et détails ignorés"), b.anomalies, false, out);
    afficherAnomalies(QStringLiteral("Règles de facturation non traduites en paires"),
                      b.reglesNonTraduites, false, out);
    if (!b.reussi) {
        out.flush();
        err << "Échec de l'import : " << b.erreur << '\n';
        QString description = b.erreur;
        LogErreur(
            erreur::Application, description, QStringLiteral("pavaccam reference import"),
            QStringLiteral("Import de « %1 » dans « %2 »").arg(o.fichierEdition, o.repertoireSrt));
        return kEchec;
    }
    out << "Référentiel construit : " << b.cheminReference << '\n'
        << "Édition : CCAM version " << b.version << " applicable le "
        << b.dateApplication.toString(QStringLiteral("dd/MM/yyyy")) << '\n'
        << "Fichier lu : " << b.forme << ".\n"
        << b.actes << " actes, " << b.lignes << " activités (lignes d'activité et de phase), "
        << b.tarifs << " tarifs, " << b.listesModificateurs << " listes de modificateurs, "
        << b.chapitres << " chapitres.\n"
        << "Lexique des praticiens : " << b.reglesLexique << " règles.\n";
    for (const QString& r : b.remarques)
        out << r << '\n';
    return kSucces;
}

int chercher(const QStringList& args, QTextStream& out, QTextStream& err)
{
    Arguments a;
    if (!analyser(args,
                  {QStringLiteral("--srt"), QStringLiteral("--grille"), QStringLiteral("--max"),
                   QStringLiteral("--data"), QStringLiteral("--rsc")},
                  {QStringLiteral("--explain")}, a, err))
        return kUsage;
    int grille = kGrilleSecteur1;
    if (!lireGrille(a, grille, err))
        return kUsage;
    bool ok = true;
    const int maximum = a.options.value(QStringLiteral("--max"), QStringLiteral("50")).toInt(&ok);
    if (!ok || maximum < 1) {
        err << "pavaccam reference search : --max attend un nombre positif.\n";
        return kUsage;
    }
    if (a.mots.isEmpty()) {
        err << "pavaccam reference search : donnez les mots ou le début du code à chercher.\n";
        return kUsage;
    }
    QString chemin;
    if (!referencePresente(a.options.value(QStringLiteral("--srt")), chemin, err))
        return kEchec;
    RechercheActes recherche;
    QString erreur;
    if (!recherche.charger(chemin, &erreur, grille)) {
        err << "pavaccam reference : " << erreur << '\n';
        return kEchec;
    }
    // The practice's own lexicon completes the reference's; a file that
    // cannot be read or lines that are not rules are said, and the search
    // goes on without them.
    QString raison;
    const QString lexiqueCabinet = lireLexiqueCabinet(&raison);
    if (!raison.isEmpty())
        err << "pavaccam reference search : " << raison << " (lexique du cabinet ignoré).\n";
    QStringList anomalies;
    recherche.ajouterLexique(lireLexique(lexiqueCabinet, cheminLexiqueCabinet(), &anomalies));
    for (const QString& e : std::as_const(anomalies))
        err << "pavaccam reference search : ligne ignorée : " << e << '\n';
    // The practice's habitual codings and coding history come first; what
    // cannot be read is said, and the search goes on without it.
    QStringList erreurs;
    const RechercheActes::Priorites priorites =
        recherche.priorites(lirePratique(a.options.value(QStringLiteral("--data")),
                                         a.options.value(QStringLiteral("--rsc")), &erreurs));
    for (const QString& e : std::as_const(erreurs))
        err << "pavaccam reference search : " << e << " (classement sans en tenir compte).\n";
    const QString requete = a.mots.join(QLatin1Char(' '));
    const bool expliquer = a.drapeaux.contains(QStringLiteral("--explain"));
    const RechercheActes::Resultat r = recherche.chercher(requete, maximum, &priorites);
    for (int i : r.actes) {
        const RechercheActes::Acte& acte = recherche.actes()[i];
        QString tarif;
        switch (acte.tarif.etat) {
        case ValeurTarif::Etat::Tarif:
            tarif = texteEuros(acte.tarif.centimes) + QStringLiteral(" €");
            break;
        case ValeurTarif::Etat::NonPrisEnCharge:
            tarif = QStringLiteral("non pris en charge");
            break;
        case ValeurTarif::Etat::Supprime:
            tarif = QStringLiteral("sans tarif");
            break;
        }
        out << acte.code << '\t' << acte.libelle.simplified() << '\t' << tarif << '\n';
        if (expliquer) {
            for (const QString& ligne : recherche.expliquer(requete, i))
                out << "    " << ligne << '\n';
        }
    }
    if (r.total == 0)
        out << "Aucun acte trouvé.\n";
    else if (r.total > r.actes.size())
        out << r.total << " actes trouvés, les " << r.actes.size() << " premiers affichés.\n";
    else
        out << r.total << (r.total > 1 ? " actes trouvés.\n" : " acte trouvé.\n");
    if (recherche.demonstration())
        out << "Référentiel de démonstration : tarifs inventés, à ne pas utiliser pour "
               "facturer.\n";
    return kSucces;
}

// The date and the reference of a question to the tariff class: kSucces, or
// kUsage for a date that cannot be read, kEchec without a reference.
int preparer(const Arguments& a, const QString& commande, TarificateurSRT& t, QTextStream& err)
{
    const QString date = a.options.value(QStringLiteral("--date"));
    if (!date.isEmpty() && lireJour(date) == 0) {
        err << "pavaccam reference " << commande << " : date « " << date
            << " » illisible (AAAA-MM-JJ).\n";
        return kUsage;
    }
    if (!date.isEmpty())
        t.setDateActe(QDate::fromJulianDay(lireJour(date)).toString(QStringLiteral("dd/MM/yyyy")));
    QString chemin;
    if (!referencePresente(a.options.value(QStringLiteral("--srt")), chemin, err))
        return kEchec;
    t.setCheminReference(chemin);
    return kSucces;
}

int tarifer(const QStringList& args, QTextStream& out, QTextStream& err)
{
    Arguments a;
    if (!analyser(args,
                  {QStringLiteral("--srt"), QStringLiteral("--modifiers"), QStringLiteral("--date"),
                   QStringLiteral("--grille"), QStringLiteral("--association"),
                   QStringLiteral("--lieu"), QStringLiteral("--rbt")},
                  {}, a, err))
        return kUsage;
    if (a.mots.size() != 1) {
        err << "pavaccam reference price : donnez un seul code d'acte.\n" << kAideReference;
        return kUsage;
    }
    int grille = 0;
    if (!lireGrille(a, grille, err))
        return kUsage;
    QStringList modificateurs;
    for (QChar c : a.options.value(QStringLiteral("--modifiers"))) {
        if (c == QLatin1Char(',') || c.isSpace())
            continue;
        modificateurs.append(QString(c));
    }
    if (modificateurs.size() > 4) {
        err << "pavaccam reference price : quatre modificateurs au plus.\n";
        return kUsage;
    }
    TarificateurSRT t;
    if (const int code = preparer(a, QStringLiteral("price"), t, err); code != kSucces)
        return code;
    t.setGrille(grille);
    const TarificateurSRT::Detail d = t.DetailTarifActe(
        a.mots.first(), modificateurs, a.options.value(QStringLiteral("--association")),
        a.options.value(QStringLiteral("--lieu")), a.options.value(QStringLiteral("--rbt")));
    if (d.reponse.isEmpty()) {
        err << "pavaccam reference price : " << d.erreur << '\n';
        return kEchec;
    }
    for (const QString& e : d.etapes)
        out << e << '\n';
    out << "Tarif : " << texteEuros(d.reponse.toLongLong()) << " €\n";
    return kSucces;
}

// Whether acts may be billed together, as the coding asks it act after act:
// each against those before it.
int verifier(const QStringList& args, QTextStream& out, QTextStream& err)
{
    Arguments a;
    if (!analyser(args, {QStringLiteral("--srt"), QStringLiteral("--date")}, {}, a, err))
        return kUsage;
    QStringList codes;
    for (const QString& mot : std::as_const(a.mots)) {
        const QString code = mot.trimmed().toUpper();
        if (!estCodeActe(code)) {
            err << "pavaccam reference check : « " << mot.left(40)
                << " » n'est pas un code d'acte (quatre lettres et trois chiffres).\n";
            return kUsage;
        }
        codes.append(code);
    }
    if (codes.size() < 2) {
        err << "pavaccam reference check : donnez au moins deux codes d'actes.\n" << kAideReference;
        return kUsage;
    }
    TarificateurSRT t;
    if (const int code = preparer(a, QStringLiteral("check"), t, err); code != kSucces)
        return code;
    QString erreur;
    const std::shared_ptr<ReferenceTarifs> ref =
        ReferenceTarifs::partagee(t.cheminReference(), &erreur);
    if (!ref) {
        err << "pavaccam reference : " << erreur << '\n';
        return kEchec;
    }
    for (const QString& code : std::as_const(codes)) {
        if (!ref->acteConnu(code)) {
            err << "pavaccam reference check : acte " << code << " inconnu du référentiel.\n";
            return kEchec;
        }
    }
    for (qsizetype i = 1; i < codes.size(); ++i) {
        const QString refus = t.ControleCotation(codes.mid(0, i + 1).join(QLatin1Char('@')));
        if (!refus.isEmpty()) {
            out << refus << '\n';
            return kEchec;
        }
    }
    out << "compatible\n";
    return kSucces;
}

} // namespace

int commandeReference(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const QString sous = args.value(0);
    const QStringList reste = args.mid(1);
    int code = kUsage;
    if (sous == QLatin1String("import"))
        code = importer(reste, out, err);
    else if (sous == QLatin1String("search"))
        code = chercher(reste, out, err);
    else if (sous == QLatin1String("price"))
        code = tarifer(reste, out, err);
    else if (sous == QLatin1String("check"))
        code = verifier(reste, out, err);
    else if (sous == QLatin1String("--help")) {
        out << kAideReference;
        code = kSucces;
    } else if (sous.isEmpty())
        err << kAideReference;
    else
        err << "pavaccam reference : commande inconnue « " << sous << " ».\n" << kAideReference;
    out.flush();
    err.flush();
    return code;
}

} // namespace pava
