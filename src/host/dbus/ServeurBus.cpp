#include "host/dbus/ServeurBus.h"

#include "fabrique_adaptor.h"
#include "host/dbus/NomsBus.h"
#include "lectureccam_adaptor.h"
#include "srt/ComposantSrt.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

#include <algorithm>
#include <memory>

#include <unistd.h>

namespace pava {

namespace {
bool g_fenetresPossibles = true;
} // namespace

void ObjetLectureCCAM::setFenetresPossibles(bool possibles)
{
    g_fenetresPossibles = possibles;
}

bool ObjetLectureCCAM::refuserSansAffichage()
{
    if (g_fenetresPossibles || !calledFromDBus())
        return false;
    sendErrorReply(QLatin1String(bus::kErreurSansAffichage),
                   QStringLiteral("Le serveur PavaCCAM a été démarré sans affichage graphique "
                                  "(DISPLAY et WAYLAND_DISPLAY vides) : il ne peut pas ouvrir "
                                  "de fenêtre."));
    return true;
}

ObjetLectureCCAM::ObjetLectureCCAM(const QString& chemin, const QString& proprietaire,
                                   QObject* parent)
    : QObject(parent), m_chemin(chemin), m_proprietaire(proprietaire)
{
    new LectureCCAMAdaptor(this);
    m_abandon.setSingleShot(true);
    connect(&m_abandon, &QTimer::timeout, this, &ObjetLectureCCAM::abandonEchu);
}

bool ObjetLectureCCAM::appelRefuse()
{
    if (!calledFromDBus() || m_proprietaire.isEmpty())
        return false;
    const QString appelant = message().service();
    if (appelant == m_proprietaire)
        return false;
    QDBusConnectionInterface* annuaire = connection().interface();
    // A script's next call may overtake the news of its previous
    // connection's departure: the bus itself is asked.
    if (!m_hoteParti && annuaire && !annuaire->isServiceRegistered(m_proprietaire).value())
        m_hoteParti = true;
    if (m_hoteParti && annuaire) {
        const QDBusReply<uint> uid = annuaire->serviceUid(appelant);
        if (uid.isValid() && uid.value() == ::getuid())
            return false;
    }
    sendErrorReply(QLatin1String(bus::kErreurAutreHote),
                   QStringLiteral("L'objet %1 appartient à un autre hôte, toujours connecté au "
                                  "bus : seule la connexion qui l'a créé peut s'en servir.")
                       .arg(m_chemin));
    return true;
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
        Release();
}

void ObjetLectureCCAM::attenteFinie()
{
    --m_reponsesEnAttente;
    if (m_reponsesEnAttente == 0 && m_liberationDifferee)
        Release();
}

bool ObjetLectureCCAM::Init(const QString& IdentificationPraticien, const QString& CodeSpecialite,
                            const QString& PathData4, const QString& PathDico4)
{
    if (appelRefuse())
        return false;
    garder();
    return m_lecture.Init(IdentificationPraticien, CodeSpecialite, PathData4, PathDico4);
}

bool ObjetLectureCCAM::EndCCAM()
{
    if (appelRefuse())
        return false;
    // The process ends inside this call: the caller gets no reply.
    return m_lecture.EndCCAM();
}

template <typename Signal, typename Ouvrir>
void ObjetLectureCCAM::repondreALaFermeture(Signal fermeture, const char* nomErreur, Ouvrir ouvrir)
{
    setDelayedReply(true);
    const QDBusMessage appel = message();
    QDBusConnection cx = connection();
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

QString ObjetLectureCCAM::GetCCAMCode()
{
    if (appelRefuse())
        return {};
    garder();
    if (!calledFromDBus())
        return m_lecture.GetCCAMCode();
    if (refuserSansAffichage())
        return {};
    // The chooser opens without blocking the server; this call answers when
    // it closes.
    repondreALaFermeture(&LectureCCAM::choixActeTermine, bus::kErreurChoixOuvert,
                         [this](QString* erreur) { return m_lecture.choisirActe(erreur); });
    return {};
}

QString ObjetLectureCCAM::reponseRecherche(const QString& reponse)
{
    // A question the tariff component could not answer (no reference) goes
    // back to the host as the error of its call, not as an empty answer.
    const QString erreur = obj().Ob().derniereErreur();
    if (!erreur.isEmpty() && calledFromDBus())
        sendErrorReply(QLatin1String(bus::kErreurReference),
                       QStringLiteral("Recherche impossible : %1.").arg(erreur));
    return reponse;
}

QString ObjetLectureCCAM::GetSRTModificateurs()
{
    if (appelRefuse())
        return {};
    garder();
    return reponseRecherche(m_lecture.GetSRTModificateurs());
}

QString ObjetLectureCCAM::GetSRTCodeAssociation()
{
    if (appelRefuse())
        return {};
    garder();
    return reponseRecherche(m_lecture.GetSRTCodeAssociation());
}

QString ObjetLectureCCAM::GetSRTModificateursActe(const QString& CodeActe)
{
    if (appelRefuse())
        return {};
    garder();
    return reponseRecherche(m_lecture.GetSRTModificateursActe(CodeActe));
}

QString ObjetLectureCCAM::GetSRTPrixUnitaire(const QString& CodeActe)
{
    if (appelRefuse())
        return {};
    garder();
    return reponseRecherche(m_lecture.GetSRTPrixUnitaire(CodeActe));
}

QString ObjetLectureCCAM::GetSRTBaseRemboursementActe(const QString& CodeActe,
                                                      const QString& CodeModif1,
                                                      const QString& CodeModif2,
                                                      const QString& codelieu,
                                                      const QString& CodeAssociation)
{
    if (appelRefuse())
        return {};
    garder();
    return reponseRecherche(m_lecture.GetSRTBaseRemboursementActe(CodeActe, CodeModif1, CodeModif2,
                                                                  codelieu, CodeAssociation));
}

QString ObjetLectureCCAM::GetCotationCCAM(const QString& IdentificationPraticien,
                                          const QString& CodeSpecialite, const QString& PathData4,
                                          const QString& PathDico4, const QString& Cot,
                                          const QString& PathDataRsc)
{
    if (appelRefuse())
        return {};
    garder();
    if (!calledFromDBus())
        return m_lecture.GetCotationCCAM(IdentificationPraticien, CodeSpecialite, PathData4,
                                         PathDico4, Cot, PathDataRsc);
    if (refuserSansAffichage())
        return {};
    // The workspace opens without blocking the server: the look-ups keep
    // answering while the user codes, and this call answers when it closes.
    repondreALaFermeture(
        &LectureCCAM::cotationTerminee, bus::kErreurCotationOuverte, [&](QString* erreur) {
            return m_lecture.ouvrirCotation(IdentificationPraticien, CodeSpecialite, PathData4,
                                            PathDico4, Cot, PathDataRsc, erreur);
        });
    return {};
}

void ObjetLectureCCAM::Release()
{
    if (appelRefuse())
        return;
    // May end the process (after a validation that failed); otherwise the
    // factory forgets the object once this call has been answered.
    m_lecture.Release();
    Q_EMIT libere(this);
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
    m_connexion.registerObject(chemin, objet, QDBusConnection::ExportAdaptors);
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
