#pragma once

#include "host/LectureCCAM.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QHash>
#include <QObject>

class QDBusServiceWatcher;

namespace pava {

// One LectureCCAM object of a host on the bus. The adaptor generated from
// org.pavaccam.PavaCCAM.LectureCCAM.xml forwards every member here; the two
// members that show a window answer late, when the window has closed.
class ObjetLectureCCAM : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(QString CheminData4 READ CheminData4 WRITE setCheminData4)
    Q_PROPERTY(QString CheminDico4 READ CheminDico4 WRITE setCheminDico4)
public:
    ObjetLectureCCAM(const QString& chemin, const QString& proprietaire, QObject* parent);

    // Whether the server can show windows. A server started without any
    // display still answers the look-ups; the two members that show a window
    // then answer with an error instead of waiting for a window nobody sees.
    static void setFenetresPossibles(bool possibles);

    QString chemin() const { return m_chemin; }
    QString proprietaire() const { return m_proprietaire; }

    QString CheminData4() const { return m_lecture.CheminData4(); }
    void setCheminData4(const QString& chemin) { m_lecture.setCheminData4(chemin); }
    QString CheminDico4() const { return m_lecture.CheminDico4(); }
    void setCheminDico4(const QString& chemin) { m_lecture.setCheminDico4(chemin); }

public Q_SLOTS:
    bool Init(const QString& IdentificationPraticien, const QString& CodeSpecialite,
              const QString& PathData4, const QString& PathDico4);
    bool EndCCAM();
    QString GetCCAMCode();
    QString GetSRTModificateurs();
    QString GetSRTCodeAssociation();
    QString GetSRTModificateursActe(const QString& CodeActe);
    QString GetSRTPrixUnitaire(const QString& CodeActe);
    QString GetSRTBaseRemboursementActe(const QString& CodeActe, const QString& CodeModif1,
                                        const QString& CodeModif2, const QString& codelieu,
                                        const QString& CodeAssociation);
    QString GetCotationCCAM(const QString& IdentificationPraticien, const QString& CodeSpecialite,
                            const QString& PathData4, const QString& PathDico4, const QString& Cot,
                            const QString& PathDataRsc);
    void Release();

Q_SIGNALS:
    // The host gave the object back (Release or its connection left the bus).
    void libere(ObjetLectureCCAM* objet);

private:
    QString reponseRecherche(const QString& reponse);
    bool refuserSansAffichage();

    LectureCCAM m_lecture;
    QString m_chemin;
    QString m_proprietaire;
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
};

} // namespace pava
