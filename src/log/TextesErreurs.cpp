#include "log/TextesErreurs.h"

#include <QLocale>

#include <algorithm>
#include <iterator>

namespace pava {

namespace {

struct Texte
{
    int numero;
    const char* francais;
    const char* anglais;
};

// Sorted by number.
constexpr Texte kTextes[] = {
    {3, "Return sans GoSub", "Return without GoSub"},
    {5, "Appel de procédure ou argument incorrect", "Invalid procedure call or argument"},
    {6, "Dépassement de capacité", "Overflow"},
    {7, "Mémoire insuffisante", "Out of memory"},
    {9, "L'indice n'appartient pas à la sélection", "Subscript out of range"},
    {11, "Division par zéro", "Division by zero"},
    {13, "Type incompatible", "Type mismatch"},
    {52, "Nom ou numéro de fichier incorrect", "Bad file name or number"},
    {53, "Fichier introuvable", "File not found"},
    {54, "Mode d'accès au fichier incorrect", "Bad file mode"},
    {55, "Fichier déjà ouvert", "File already open"},
    {57, "Erreur d'entrée/sortie de périphérique", "Device I/O error"},
    {58, "Ce fichier existe déjà", "File already exists"},
    {61, "Disque plein", "Disk full"},
    {62, "L'entrée dépasse la fin de fichier", "Input past end of file"},
    {67, "Trop de fichiers", "Too many files"},
    {68, "Périphérique non disponible", "Device unavailable"},
    {70, "Permission refusée", "Permission denied"},
    {71, "Disque non prêt", "Disk not ready"},
    {75, "Erreur dans le chemin d'accès", "Path/File access error"},
    {76, "Chemin d'accès introuvable", "Path not found"},
    {91, "Variable objet ou variable de bloc With non définie",
     "Object variable or With block variable not set"},
    {94, "Utilisation incorrecte de Null", "Invalid use of Null"},
    {429, "Un composant ActiveX ne peut pas créer d'objet",
     "ActiveX component can't create object"},
    {438, "Propriété ou méthode non gérée par cet objet",
     "Object doesn't support this property or method"},
    {1004, "Erreur définie par l'application ou par l'objet",
     "Application-defined or object-defined error"},
    {3020, "Update ou CancelUpdate sans AddNew ni Edit",
     "Update or CancelUpdate without AddNew or Edit"},
    {3021, "Aucun enregistrement en cours.", "No current record."},
    {3022,
     "Les modifications apportées n'ont pas été effectuées car elles créeraient des doublons.",
     "The changes you requested were not successful because they would create duplicate values."},
    {3024, "Fichier de base de données introuvable.", "Could not find the database file."},
    {3027, "Mise à jour impossible. La base de données ou l'objet est en lecture seule.",
     "Cannot update. Database or object is read-only."},
    {3075, "Erreur de syntaxe dans l'expression.", "Syntax error in expression."},
    {3078, "Le moteur de base de données ne peut pas trouver la table ou la requête.",
     "The database engine cannot find the input table or query."},
    {3167, "L'enregistrement est supprimé.", "Record is deleted."},
    {3197, "Un autre poste a modifié ou supprimé cet enregistrement depuis sa lecture.",
     "The data has been changed by another user since it was read."},
    {3151, "Échec de la connexion au serveur de base de données.",
     "Connection to the database server failed."},
    {3260, "Mise à jour impossible : la base est verrouillée par un autre utilisateur.",
     "Couldn't update; currently locked by another user."},
    {3265, "Élément non trouvé dans cette collection.", "Item not found in this collection."},
    {3343, "Format de base de données non reconnu.", "Unrecognized database format."},
};

bool anglais()
{
    return QLocale::system().language() == QLocale::English;
}

} // namespace

QString texteErreur(int numero)
{
    const auto it = std::lower_bound(std::begin(kTextes), std::end(kTextes), numero,
                                     [](const Texte& t, int n) { return t.numero < n; });
    if (it != std::end(kTextes) && it->numero == numero)
        return QString::fromUtf8(anglais() ? it->anglais : it->francais);
    return anglais() ? QStringLiteral("Application-defined or object-defined error")
                     : QStringLiteral("Erreur définie par l'application ou par l'objet");
}

} // namespace pava
