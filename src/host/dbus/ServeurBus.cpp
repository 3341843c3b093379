#include "host/dbus/ServeurBus.h"

#include "fabrique_adaptor.h"
#include "host/dbus/NomsBus.h"
#include "introspection_lectureccam.h"
#include "srt/ComposantSrt.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>
#include <memory>

#include <unistd.h>

namespace pava {

namespace {

bool g_fenetresPossibles = true;

const QString kInterfaceProprietes = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kInterfaceIntrospection = QStringLiteral("org.freedesktop.DBus.Introspectable");

// The members of org.pavaccam.PavaCCAM.LectureCCAM and how many strings each
// takes (every argument is a string).
const QHash<QString, int>& membres()
{
    static const QHash<QString, int> liste{{QStringLiteral("Init"), 4},
                                           {QStringLiteral("EndCCAM"), 0},
                                           {QStringLiteral("GetCCAMCode"), 0},
                                           {QStringLiteral("GetSRTModificateurs"), 0},
                                           {QStringLiteral("GetSRTCodeAssociation"), 0},
                                           {QStringLiteral("GetSRTModificateursActe"), 1},
                                           {QStringLiteral("GetSRTPrixUnitaire"), 1},
                                           {QStringLiteral("GetSRTBaseRemboursementActe"), 5},
                                           {QStringLiteral("GetCotationCCAM"), 6},
                                           {QStringLiteral("Release"), 0}};
    return liste;
}

} // namespace

void ObjetLectureCCAM::setFenetresPossibles(bool possibles)
{
    g_fenetresPossibles = possibles;
}

ObjetLectureCCAM::ObjetLectureCCAM(const QString& chemin, const QString& proprietaire,
                                   QObject* parent)
    : QDBusVirtualObject(parent), m_chemin(chemin), m_proprietaire(proprietaire)
{
    m_abandon.setSingleShot(true);
    connect(&m_abandon, &QTimer::timeout, this, &ObjetLectureCCAM::abandonEchu);
}

QString ObjetLectureCCAM::introspect(const QString&) const
{
    return QString::fromUtf8(kIntrospectionLectureCCAM);
}

QString ObjetLectureCCAM::refus(const QString& appelant, const QDBusConnection& connexion)
{
    if (m_proprietaire.isEmpty() || appelant == m_proprietaire)
        return {};
    QDBusConnectionInterface* annuaire = connexion.interface();
    // A script's next call may overtake the news of its previous
    // connection's departure: the bus itself is asked.
    if (!m_hoteParti && annuaire && !annuaire->isServiceRegistered(m_proprietaire).value())
        m_hoteParti = true;
    if (m_hoteParti && annuaire) {
        const QDBusReply<uint> uid = annuaire->serviceUid(appelant);
        if (uid.isValid() && uid.value() == ::getuid())
            return {};
    }
    return QStringLiteral("L'objet %1 appartient à un autre hôte, toujours connecté au bus : "
                          "seule la connexion qui l'a créé peut s'en servir.")
        .arg(m_chemin);
}

bool ObjetLectureCCAM::handleMessage(const QDBusMessage& message, const QDBusConnection& connexion)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString interface = message.interface();
    // Introspection stays open to all (the bus answers it from introspect()).
    if (interface == kInterfaceIntrospection)
        return false;
    if (const QString texte = refus(message.service(), connexion); !texte.isEmpty()) {
        connexion.send(message.createErrorReply(QLatin1String(bus::kErreurAutreHote), texte));
        return true;
    }
    if (interface == kInterfaceProprietes)
        propriete(message, connexion);
    else if (interface.isEmpty() || interface == QLatin1String(bus::kInterfaceLectureCCAM))
        membre(message, connexion);
    else
        connexion.send(message.createErrorReply(
            QDBusError::UnknownInterface,
            QStringLiteral("No such interface '%1' at object path '%2'").arg(interface, m_chemin)));
    return true;
}

void ObjetLectureCCAM::membre(const QDBusMessage& message, const QDBusConnection& connexion)
{
    const QString nom = message.member();
    const auto attendu = membres().constFind(nom);
    if (attendu == membres().cend() || message.signature() != QString(*attendu, QLatin1Char('s'))) {
        connexion.send(message.createErrorReply(
            QDBusError::UnknownMethod,
            QStringLiteral("No such method '%1' in interface '%2' at object path '%3' "
                           "(signature '%4')")
                .arg(nom, QLatin1String(bus::kInterfaceLectureCCAM), m_chemin,
                     message.signature())));
        return;
    }
    QStringList a;
    for (const QVariant& v : message.arguments())
        a << v.toString();

    if (nom == u"Release") {
        // May end the process (after a validation that failed); otherwise the
        // factory forgets the object once this call has been answered.
        m_lecture.Release();
        connexion.send(message.createReply());
        Q_EMIT libere(this);
        return;
    }
    if (nom == u"EndCCAM") {
        // The process ends inside this call: the caller gets no reply.
        connexion.send(message.createReply(m_lecture.EndCCAM()));
        return;
    }
    garder();
    if (nom == u"Init") {
        connexion.send(message.createReply(m_lecture.Init(a[0], a[1], a[2], a[3])));
    } else if (nom == u"GetCCAMCode" || nom == u"GetCotationCCAM") {
        if (!g_fenetresPossibles) {
            connexion.send(message.createErrorReply(
                QLatin1String(bus::kErreurSansAffichage),
                QStringLiteral("Le serveur PavaCCAM a été démarré sans affichage graphique "
                               "(DISPLAY et WAYLAND_DISPLAY vides) : il ne peut pas ouvrir "
                               "de fenêtre.")));
        } else if (nom == u"GetCCAMCode") {
            // The chooser opens without blocking the server; this call
            // answers when it closes.
            repondreALaFermeture(message, connexion, &LectureCCAM::choixActeTermine,
                                 bus::kErreurChoixOuvert,
                                 [this](QString* erreur) { return m_lecture.choisirActe(erreur); });
        } else {
            // The workspace opens without blocking the server: the look-ups
            // keep answering while the user codes, and this call answers when
            // it closes.
            repondreALaFermeture(message, connexion, &LectureCCAM::cotationTerminee,
                                 bus::kErreurCotationOuverte, [&](QString* erreur) {
                                     return m_lecture.ouvrirCotation(a[0], a[1], a[2], a[3], a[4],
                                                                     a[5], erreur);
                                 });
        }
    } else if (nom == u"GetSRTModificateurs") {
        connexion.send(reponseRecherche(message, m_lecture.GetSRTModificateurs()));
    } else if (nom == u"GetSRTCodeAssociation") {
        connexion.send(reponseRecherche(message, m_lecture.GetSRTCodeAssociation()));
    } else if (nom == u"GetSRTModificateursActe") {
        connexion.send(reponseRecherche(message, m_lecture.GetSRTModificateursActe(a[0])));
    } else if (nom == u"GetSRTPrixUnitaire") {
        connexion.send(reponseRecherche(message, m_lecture.GetSRTPrixUnitaire(a[0])));
    } else if (nom == u"GetSRTBaseRemboursementActe") {
        connexion.send(reponseRecherche(
            message, m_lecture.GetSRTBaseRemboursementActe(a[0], a[1], a[2], a[3], a[4])));
    }
}

void ObjetLectureCCAM::propriete(const QDBusMessage& message, const QDBusConnection& connexion)
{
    const QString nom = message.member();
    const QVariantList a = message.arguments();
    const QString interface = a.value(0).toString();
    auto erreur = [&](QDBusError::ErrorType type, const QString& texte) {
        connexion.send(message.createErrorReply(type, texte));
    };
    if (!interface.isEmpty() && interface != QLatin1String(bus::kInterfaceLectureCCAM)) {
        erreur(
            QDBusError::UnknownInterface,
            QStringLiteral("No such interface '%1' at object path '%2'").arg(interface, m_chemin));
        return;
    }
    if (nom == u"GetAll" && message.signature() == u"s") {
        garder();
        connexion.send(message.createReply(QVariant::fromValue(
            QVariantMap{{QStringLiteral("CheminData4"), m_lecture.CheminData4()},
                        {QStringLiteral("CheminDico4"), m_lecture.CheminDico4()}})));
        return;
    }
    const bool lire = nom == u"Get" && message.signature() == u"ss";
    const bool ecrire = nom == u"Set" && message.signature() == u"ssv";
    if (!lire && !ecrire) {
        erreur(QDBusError::UnknownMethod,
               QStringLiteral("No such method '%1' in interface '%2' (signature '%3')")
                   .arg(nom, kInterfaceProprietes, message.signature()));
        return;
    }
    const QString propriete = a.value(1).toString();
    const bool data4 = propriete == u"CheminData4";
    if (!data4 && propriete != u"CheminDico4") {
        erreur(QDBusError::UnknownProperty,
               QStringLiteral("Property %1 not found in object %2").arg(propriete, m_chemin));
        return;
    }
    garder();
    if (lire) {
        const QString valeur = data4 ? m_lecture.CheminData4() : m_lecture.CheminDico4();
        connexion.send(message.createReply(QVariant::fromValue(QDBusVariant(valeur))));
        return;
    }
    const QVariant valeur = a.value(2).value<QDBusVariant>().variant();
    if (valeur.metaType() != QMetaType::fromType<QString>()) {
        erreur(QDBusError::InvalidArgs,
               QStringLiteral("Invalid arguments for writing to property %1").arg(propriete));
        return;
    }
    if (data4)
        m_lecture.setCheminData4(valeur.toString());
    else
        m_lecture.setCheminDico4(valeur.toString());
    connexion.send(message.createReply());
}

void ObjetLectureCCAM::hotePartie(std::chrono::milliseconds delai)
{
    m_hoteParti = true;
    // The delay is bounded where it is given (pavaccam-server): it fits a
    // timer's milliseconds.
    m_abandon.setInterval(std::clamp<std::chrono::milliseconds>(
        delai, std::chrono::milliseconds(0), FabriqueLectureCCAM::kDelaiAbandonMaximum));
    if (m_abandon.interval() == 0)
        abandonEchu();
    else
        m_abandon.start();
}

void ObjetLectureCCAM::garder()
{
    if (m_abandon.isActive() || m_liberationDifferee) {
        m_liberationDifferee = false;
        m_abandon.start();
    }
}

void ObjetLectureCCAM::abandonEchu()
{
    // A window of this object is still open: its answer must still reach
    // whoever waits for it; the object goes when that answer has left.
    if (m_reponsesEnAttente > 0)
        m_liberationDifferee = true;
    else
        liberer();
}

void ObjetLectureCCAM::liberer()
{
    m_lecture.Release();
    Q_EMIT libere(this);
}

void ObjetLectureCCAM::attenteFinie()
{
    --m_reponsesEnAttente;
    if (m_reponsesEnAttente == 0 && m_liberationDifferee)
        liberer();
}

template <typename Signal, typename Ouvrir>
void ObjetLectureCCAM::repondreALaFermeture(const QDBusMessage& appel, QDBusConnection cx,
                                            Signal fermeture, const char* nomErreur, Ouvrir ouvrir)
{
    attenteCommence();
    auto lien = std::make_shared<QMetaObject::Connection>();
    *lien = connect(&m_lecture, fermeture, this,
                    [this, lien, appel, cx](const QString& reponse) mutable {
                        QObject::disconnect(*lien);
                        cx.send(appel.createReply(reponse));
                        attenteFinie();
                    });
    QString erreur;
    if (!ouvrir(&erreur)) {
        QObject::disconnect(*lien);
        cx.send(appel.createErrorReply(QLatin1String(nomErreur), erreur));
        attenteFinie();
    }
}

QDBusMessage ObjetLectureCCAM::reponseRecherche(const QDBusMessage& message, const QString& reponse)
{
    // A question the tariff component could not answer (no reference) goes
    // back to the host as the error of its call, not as an empty answer.
    const QString erreur = obj().Ob().derniereErreur();
    if (!erreur.isEmpty())
        return message.createErrorReply(QLatin1String(bus::kErreurReference),
                                        QStringLiteral("Recherche impossible : %1.").arg(erreur));
    return message.createReply(reponse);
}

FabriqueLectureCCAM::FabriqueLectureCCAM(QDBusConnection connexion, QObject* parent)
    : QObject(parent), m_connexion(connexion)
{
    new FactoryAdaptor(this);
    m_surveillance = new QDBusServiceWatcher(this);
    m_surveillance->setConnection(m_connexion);
    m_surveillance->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_surveillance, &QDBusServiceWatcher::serviceUnregistered, this,
            &FabriqueLectureCCAM::proprietaireParti);
}

bool FabriqueLectureCCAM::publier(QString* erreur)
{
    if (!m_connexion.isConnected()) {
        *erreur = QStringLiteral("Le bus de session D-Bus est injoignable : %1")
                      .arg(m_connexion.lastError().message());
        return false;
    }
    if (!m_connexion.registerObject(QLatin1String(bus::kCheminFabrique), this,
                                    QDBusConnection::ExportAdaptors)) {
        *erreur = QStringLiteral("Impossible de publier l'objet %1 sur le bus de session.")
                      .arg(QLatin1String(bus::kCheminFabrique));
        return false;
    }
    if (!m_connexion.registerService(QLatin1String(bus::kService))) {
        *erreur = QStringLiteral("Le nom %1 est déjà pris sur le bus de session : un serveur "
                                 "PavaCCAM tourne déjà.")
                      .arg(QLatin1String(bus::kService));
        return false;
    }
    return true;
}

QDBusObjectPath FabriqueLectureCCAM::CreateObject()
{
    const QString proprietaire = calledFromDBus() ? message().service() : QString();
    const QString chemin = QLatin1String(bus::kPrefixeObjets) + QString::number(++m_numero);
    auto* objet = new ObjetLectureCCAM(chemin, proprietaire, this);
    connect(objet, &ObjetLectureCCAM::libere, this, &FabriqueLectureCCAM::liberer);
    m_connexion.registerVirtualObject(chemin, objet);
    m_objets.insert(chemin, objet);

    if (!proprietaire.isEmpty() && !m_surveillance->watchedServices().contains(proprietaire)) {
        m_surveillance->addWatchedService(proprietaire);
        // A host that left before the watch began would never be noticed.
        if (!m_connexion.interface()->isServiceRegistered(proprietaire).value())
            QMetaObject::invokeMethod(
                this, [this, proprietaire]() { proprietaireParti(proprietaire); },
                Qt::QueuedConnection);
    }
    return QDBusObjectPath(chemin);
}

void FabriqueLectureCCAM::liberer(ObjetLectureCCAM* objet)
{
    if (!m_objets.remove(objet->chemin()))
        return;
    m_connexion.unregisterObject(objet->chemin());
    const QString proprietaire = objet->proprietaire();
    objet->deleteLater();
    for (ObjetLectureCCAM* autre : std::as_const(m_objets))
        if (autre->proprietaire() == proprietaire)
            return;
    m_surveillance->removeWatchedService(proprietaire);
}

void FabriqueLectureCCAM::proprietaireParti(const QString& nomUnique)
{
    // The host's connection is gone: each of its objects is released as if
    // the host had let go of it (with the same rule for ending the process),
    // once nobody has used it for the abandon delay.
    const QList<ObjetLectureCCAM*> objets = m_objets.values();
    for (ObjetLectureCCAM* objet : objets)
        if (objet->proprietaire() == nomUnique)
            objet->hotePartie(m_delaiAbandon);
}

} // namespace pava
