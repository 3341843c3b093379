#include "host/cli/CommandeAppel.h"

#include "host/dbus/NomsBus.h"

#include <QDBusObjectPath>
#include <QDBusVariant>

namespace pava {

namespace {

struct Membre
{
    const char* nom;
    bool propriete;
    bool fenetre; // shows a window: the call waits for the user
    QStringList arguments;
};

const QList<Membre>& membres()
{
    static const QList<Membre> liste = {
        {"CheminData4", true, false, {}},
        {"CheminDico4", true, false, {}},
        {"Init",
         false,
         false,
         {"IdentificationPraticien", "CodeSpecialite", "PathData4", "PathDico4"}},
        {"EndCCAM", false, false, {}},
        {"GetCCAMCode", false, true, {}},
        {"GetSRTModificateurs", false, false, {}},
        {"GetSRTCodeAssociation", false, false, {}},
        {"GetSRTModificateursActe", false, false, {"CodeActe"}},
        {"GetSRTPrixUnitaire", false, false, {"CodeActe"}},
        {"GetSRTBaseRemboursementActe",
         false,
         false,
         {"CodeActe", "CodeModif1", "CodeModif2", "codelieu", "CodeAssociation"}},
        {"GetCotationCCAM",
         false,
         true,
         {"IdentificationPraticien", "CodeSpecialite", "PathData4", "PathDico4", "Cot",
          "PathDataRsc"}},
    };
    return liste;
}

const Membre* trouverMembre(const QString& nom)
{
    for (const Membre& m : membres())
        if (nom == QLatin1String(m.nom))
            return &m;
    return nullptr;
}

QDBusMessage appelObjet(const QString& chemin, const QString& interface, const QString& methode,
                        const QVariantList& arguments)
{
    QDBusMessage appel =
        QDBusMessage::createMethodCall(QLatin1String(bus::kService), chemin, interface, methode);
    appel.setArguments(arguments);
    return appel;
}

bool fixerPropriete(QDBusConnection& bus, const QString& chemin, const QString& nom,
                    const QString& valeur, QTextStream& err)
{
    const QDBusMessage reponse = bus.call(
        appelObjet(chemin, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                   {QLatin1String(bus::kInterfaceLectureCCAM), nom,
                    QVariant::fromValue(QDBusVariant(valeur))}));
    if (reponse.type() == QDBusMessage::ErrorMessage) {
        err << "pavaccam : " << client::messageErreur(reponse) << "\n";
        return false;
    }
    return true;
}

QString texteResultat(const QVariant& valeur)
{
    if (valeur.userType() == QMetaType::Bool)
        return valeur.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (valeur.canConvert<QDBusVariant>())
        return texteResultat(valeur.value<QDBusVariant>().variant());
    return valeur.toString();
}

} // namespace

namespace client {

bool connecterBus(QDBusConnection* bus, QTextStream& err)
{
    *bus = QDBusConnection::sessionBus();
    if (bus->isConnected())
        return true;
    err << "pavaccam : le bus de session D-Bus est injoignable";
    if (!bus->lastError().message().isEmpty())
        err << " (" << bus->lastError().message() << ")";
    err << ".\nLancez la commande depuis une session de bureau, ou sous "
           "« dbus-run-session -- pavaccam ... ».\n";
    return false;
}

bool serveurParti(const QDBusMessage& reponse)
{
    const QString nom = reponse.errorName();
    return nom == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
           nom == QLatin1String("org.freedesktop.DBus.Error.Disconnected") ||
           nom == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           nom == QLatin1String("org.freedesktop.DBus.Error.UnknownObject");
}

QString messageErreur(const QDBusMessage& reponse)
{
    const QString nom = reponse.errorName();
    if (nom.startsWith(QLatin1String("org.pavaccam.")))
        return reponse.errorMessage();
    if (nom == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        nom.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn")))
        return QStringLiteral("le serveur PavaCCAM n'a pas pu être démarré par le bus de "
                              "session (%1).\nVérifiez que le fichier "
                              "org.pavaccam.PavaCCAM.service est installé dans "
                              "share/dbus-1/services et que le programme qu'il désigne existe.")
            .arg(reponse.errorMessage());
    if (nom == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        nom == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
        return QStringLiteral("le serveur PavaCCAM n'a pas répondu (%1).")
            .arg(reponse.errorMessage());
    return QStringLiteral("erreur du serveur PavaCCAM : %1 (%2)").arg(reponse.errorMessage(), nom);
}

QString creerObjet(QDBusConnection& bus, QTextStream& err)
{
    const QDBusMessage reponse = bus.call(appelObjet(QLatin1String(bus::kCheminFabrique),
                                                     QLatin1String(bus::kInterfaceFabrique),
                                                     QStringLiteral("CreateObject"), {}));
    if (reponse.type() != QDBusMessage::ReplyMessage || reponse.arguments().isEmpty()) {
        err << "pavaccam : " << messageErreur(reponse) << "\n";
        return {};
    }
    return reponse.arguments().first().value<QDBusObjectPath>().path();
}

bool libererObjet(QDBusConnection& bus, const QString& chemin, QTextStream& err)
{
    const QDBusMessage reponse = bus.call(appelObjet(
        chemin, QLatin1String(bus::kInterfaceLectureCCAM), QStringLiteral("Release"), {}));
    if (reponse.type() == QDBusMessage::ErrorMessage) {
        if (serveurParti(reponse)) {
            err << "pavaccam : le serveur PavaCCAM s'est arrêté à la libération de l'objet "
                   "(la dernière validation avait échoué).\n";
            return false;
        }
        err << "pavaccam : " << messageErreur(reponse) << "\n";
        return false;
    }
    return true;
}

void finirAvecLeBus()
{
    // Every command of the tool talks through the session bus's default
    // connection (connecterBus).
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                QStringLiteral("/org/freedesktop/DBus"),
                                                QStringLiteral("org.freedesktop.DBus.Peer"),
                                                QStringLiteral("Ping")),
                 QDBus::Block, 2000);
}

} // namespace client

int commandeAppel(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList args = arguments;
    QString data4;
    QString dico4;
    bool avecData4 = false;
    bool avecDico4 = false;
    int delai = -1;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--")) {
            break;
        }
        if (args.isEmpty()) {
            err << "pavaccam call : l'option " << option << " attend une valeur.\n";
            return client::kUsage;
        }
        const QString valeur = args.takeFirst();
        if (option == QLatin1String("--data4")) {
            data4 = valeur;
            avecData4 = true;
        } else if (option == QLatin1String("--dico4")) {
            dico4 = valeur;
            avecDico4 = true;
        } else if (option == QLatin1String("--timeout")) {
            bool ok = false;
            delai = valeur.toInt(&ok);
            if (!ok || delai <= 0 || delai > 86400 * 24) {
                err << "pavaccam call : délai invalide « " << valeur << " » (en secondes).\n";
                return client::kUsage;
            }
        } else {
            err << "pavaccam call : option inconnue « " << option << " ».\n";
            return client::kUsage;
        }
    }
    if (args.isEmpty()) {
        err << "pavaccam call : indiquez le membre à appeler (par exemple "
               "« pavaccam call GetSRTPrixUnitaire DEQP003 »).\n";
        return client::kUsage;
    }
    const QString nom = args.takeFirst();
    const Membre* membre = trouverMembre(nom);
    if (!membre) {
        err << "pavaccam call : membre inconnu « " << nom << " ». Membres : ";
        QStringList noms;
        for (const Membre& m : membres())
            noms << QLatin1String(m.nom);
        err << noms.join(QStringLiteral(", ")) << ".\n";
        return client::kUsage;
    }
    // A host may leave out the last argument of GetCotationCCAM.
    if (nom == QLatin1String("GetCotationCCAM") && args.size() == 5)
        args << QString();
    const qsizetype attendus = membre->propriete ? args.size() : membre->arguments.size();
    if (membre->propriete ? args.size() > 1 : args.size() != attendus) {
        err << "pavaccam call : " << nom << " attend "
            << (membre->propriete ? QStringLiteral("au plus une valeur")
                                  : QStringLiteral("%1 argument(s) (%2)")
                                        .arg(membre->arguments.size())
                                        .arg(membre->arguments.join(QStringLiteral(", "))))
            << ", " << args.size() << " reçu(s).\n";
        return client::kUsage;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!client::connecterBus(&bus, err))
        return client::kInjoignable;
    const QString chemin = client::creerObjet(bus, err);
    if (chemin.isEmpty())
        return client::kInjoignable;

    if ((avecData4 && !fixerPropriete(bus, chemin, QStringLiteral("CheminData4"), data4, err)) ||
        (avecDico4 && !fixerPropriete(bus, chemin, QStringLiteral("CheminDico4"), dico4, err))) {
        client::libererObjet(bus, chemin, err);
        return client::kErreurServeur;
    }

    QDBusMessage appel;
    if (membre->propriete) {
        if (!args.isEmpty() && !fixerPropriete(bus, chemin, nom, args.first(), err)) {
            client::libererObjet(bus, chemin, err);
            return client::kErreurServeur;
        }
        appel = appelObjet(chemin, QStringLiteral("org.freedesktop.DBus.Properties"),
                           QStringLiteral("Get"), {QLatin1String(bus::kInterfaceLectureCCAM), nom});
    } else {
        QVariantList valeurs;
        for (const QString& a : std::as_const(args))
            valeurs << a;
        appel = appelObjet(chemin, QLatin1String(bus::kInterfaceLectureCCAM), nom, valeurs);
    }
    // A window waits for the user as long as needed.
    const int delaiMs = delai > 0 ? delai * 1000 : (membre->fenetre ? bus::kDelaiFenetreMs : -1);
    const QDBusMessage reponse = bus.call(appel, QDBus::Block, delaiMs);

    if (reponse.type() == QDBusMessage::ErrorMessage) {
        if (nom == QLatin1String("EndCCAM") && client::serveurParti(reponse)) {
            err << "pavaccam : le serveur PavaCCAM s'est arrêté.\n";
            return client::kSucces;
        }
        err << "pavaccam : " << client::messageErreur(reponse) << "\n";
        if (!client::serveurParti(reponse))
            client::libererObjet(bus, chemin, err);
        return client::serveurParti(reponse) ? client::kInjoignable : client::kErreurServeur;
    }
    out << (reponse.arguments().isEmpty() ? QString() : texteResultat(reponse.arguments().first()))
        << "\n";
    out.flush();
    client::libererObjet(bus, chemin, err);
    return client::kSucces;
}

} // namespace pava
