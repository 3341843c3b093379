#pragma once

#include "host/LectureCCAM.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <chrono>

class QDBusServiceWatcher;

namespace pava {

// One LectureCCAM object of a host on the bus, interface
// org.pavaccam.PavaCCAM.LectureCCAM (data/dbus). It receives every message
// sent to its path itself (a virtual object) rather than through an adaptor,
// so that each call, property reads and writes included, is first checked
// against the connection that created it: while that connection is on the
// bus, a call from any other is answered with the error AccessDenied and does
// nothing. Once it has left, any connection of the same user may go on with
// the object during its abandon delay (the next call of a script that makes
// one connection per call). The two members that show a window answer late,
// when the window has closed.
class ObjetLectureCCAM : public QDBusVirtualObject
{
    Q_OBJECT
public:
    ObjetLectureCCAM(const QString& chemin, const QString& proprietaire, QObject* parent);

    // Whether the server can show windows. A server started without any
    // display still answers the look-ups; the two members that show a window
    // then answer with an error instead of waiting for a window nobody sees.
    static void setFenetresPossibles(bool possibles);

    QString chemin() const { return m_chemin; }
    QString proprietaire() const { return m_proprietaire; }

    // The host's connection has left the bus. The object is released after
    // the given delay (at once when 0), unless a member is called on it
    // meanwhile: a shell script makes one connection per call (gdbus), and
    // its object must survive from one call to the next. Each call restarts
    // the delay; an object waiting for a window to close is never released.
    void hotePartie(std::chrono::milliseconds delai);

    QString introspect(const QString& chemin) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connexion) override;

Q_SIGNALS:
    // The host gave the object back (Release or its connection left the bus).
    void libere(ObjetLectureCCAM* objet);

private:
    // The refusal a call from this sender gets, "" when it may use the object.
    QString refus(const QString& appelant, const QDBusConnection& connexion);
    void membre(const QDBusMessage& message, const QDBusConnection& connexion);
    void propriete(const QDBusMessage& message, const QDBusConnection& connexion);
    // A look-up's answer, or the error of a question the tariff component
    // could not answer (no reference).
    QDBusMessage reponseRecherche(const QDBusMessage& message, const QString& reponse);
    // Every member called on an abandoned object restarts its delay.
    void garder();
    void abandonEchu();
    void liberer();
    // Delayed answers of this object still waiting for their window.
    void attenteCommence() { ++m_reponsesEnAttente; }
    void attenteFinie();
    // Answers the call when the window opened by ouvrir() closes (the
    // LectureCCAM signal fermeture carries the answer), or at once with the
    // error nomErreur when ouvrir() refuses.
    template <typename Signal, typename Ouvrir>
    void repondreALaFermeture(const QDBusMessage& appel, QDBusConnection connexion,
                              Signal fermeture, const char* nomErreur, Ouvrir ouvrir);

    LectureCCAM m_lecture;
    QString m_chemin;
    QString m_proprietaire;
    QTimer m_abandon;
    int m_reponsesEnAttente = 0;
    bool m_liberationDifferee = false;
    bool m_hoteParti = false; // learnt from the factory, or from the bus by refus()
};

// The factory /org/pavaccam/PavaCCAM: creates one object per CreateObject and
// releases the objects of a host whose connection leaves the bus.
class FabriqueLectureCCAM : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    explicit FabriqueLectureCCAM(QDBusConnection connexion, QObject* parent = nullptr);

    // Registers the factory and takes the service name; false with a French
    // message when the bus refuses either.
    bool publier(QString* erreur);

    int nombreObjets() const { return static_cast<int>(m_objets.size()); }

    // How long an object outlives its host's connection (see
    // ObjetLectureCCAM::hotePartie); one minute by default, at most
    // kDelaiAbandonMaximum.
    static constexpr std::chrono::seconds kDelaiAbandonMaximum{86400};
    void setDelaiAbandon(std::chrono::milliseconds delai) { m_delaiAbandon = delai; }

public Q_SLOTS:
    QDBusObjectPath CreateObject();
    void Ping() {}

private:
    void liberer(ObjetLectureCCAM* objet);
    void proprietaireParti(const QString& nomUnique);

    QDBusConnection m_connexion;
    QDBusServiceWatcher* m_surveillance = nullptr;
    QHash<QString, ObjetLectureCCAM*> m_objets;
    quint64 m_numero = 0;
    std::chrono::milliseconds m_delaiAbandon{std::chrono::minutes(1)};
};

} // namespace pava
