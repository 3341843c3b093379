#include "host/LectureCCAM.h"

#include "coding/Montant.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "reader/CtlCCAM.h"
#include "session/Chemins.h"
#include "session/DateTexte.h"
#include "session/FinProcessus.h"
#include "session/Session.h"
#include "srt/ComposantSrt.h"
#include "srt/ConstructionReference.h"
#include "workspace/FormMain.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QPlatformSurfaceEvent>
#include <QTimer>
#include <QWindow>

namespace pava {

const char* const kMessageCotationOuverte =
    "Une cotation est déjà en cours : fermez la fenêtre de cotation ouverte avant d'en "
    "demander une autre.";
const char* const kMessageChoixOuvert =
    "Un choix d'acte est déjà en cours : terminez-le avant d'en demander un autre.";

namespace {

Obj* g_obj = nullptr;
QPointer<QDialog> g_fenetreOuverte;
bool g_choixEnCours = false;

LectureCCAM::FabriqueFenetre& fabriqueFenetre()
{
    static LectureCCAM::FabriqueFenetre fabrique;
    return fabrique;
}

QDialog* nouvelleFenetreCotation()
{
    if (fabriqueFenetre())
        return fabriqueFenetre()();
    return new FormMain();
}

// Keeps "a coding is open" true to the workspace's life. The window may go
// without closing: another X client or a failing window manager can destroy
// its native window, or hide it. Nobody can then finish the coding, so it
// ends as if the practitioner had closed the window by its frame (the host
// gets ""), and the next coding may open.
class SuiviFenetre : public QObject
{
public:
    SuiviFenetre(QDialog* fenetre, std::shared_ptr<bool> terminee)
        : QObject(fenetre), m_fenetre(fenetre), m_terminee(std::move(terminee))
    {
        fenetre->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        switch (evenement->type()) {
        case QEvent::Show:
            // The native window exists once shown: its loss is watched too.
            if (QWindow* w = m_fenetre ? m_fenetre->windowHandle() : nullptr; w && w != m_suivie) {
                m_suivie = w;
                w->installEventFilter(this);
            }
            break;
        case QEvent::Hide:
            verifierPlusTard();
            break;
        case QEvent::PlatformSurface:
            if (static_cast<QPlatformSurfaceEvent*>(evenement)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
                verifierPlusTard();
            break;
        default:
            break;
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    // A window closing the ordinary way hides first and reports its end
    // right after: the check waits for that.
    void verifierPlusTard()
    {
        QTimer::singleShot(0, this, [this]() {
            if (!m_fenetre || *m_terminee)
                return;
            QWindow* w = m_fenetre->windowHandle();
            if (!m_fenetre->isVisible() || !w || !w->handle())
                m_fenetre->reject();
        });
    }

    QPointer<QDialog> m_fenetre;
    QPointer<QWindow> m_suivie;
    std::shared_ptr<bool> m_terminee;
};

} // namespace

QString LectureCCAM::anomalieProfil()
{
    QString cause = pava::anomalieProfil();
    if (cause.isEmpty()) {
        const QString reference =
            cheminReferenceSrt(LitProfil(QStringLiteral("API_Sesam"), QStringLiteral("Path")));
        if (!QFileInfo(reference).isFile())
            cause = QStringLiteral("le référentiel CCAM %1, désigné par %2, est introuvable")
                        .arg(reference, cheminProfil());
    }
    if (cause.isEmpty())
        return {};
    return QStringLiteral("La cotation ne peut pas commencer : %1. Aucun acte ne pourrait être "
                          "tarifé ; l'installateur doit corriger le fichier de profil "
                          "(« pavaccam init » l'écrit).")
        .arg(cause);
}

Obj::Obj() : m_ob(std::make_unique<UsrSrt>()), m_ctlCCAM1(new CtlCCAM(this))
{
    setObjectName(QStringLiteral("Obj"));
    m_ctlCCAM1->setObjectName(QStringLiteral("ctlCCAM1"));
}

Obj::~Obj() = default;

Obj& obj()
{
    // Kept until the process ends: never deleted, so no closing step of the
    // components runs when the process exits.
    if (!g_obj)
        g_obj = new Obj();
    return *g_obj;
}

bool objCree()
{
    return g_obj != nullptr;
}

LectureCCAM::LectureCCAM(QObject* parent) : QObject(parent) {}

LectureCCAM::~LectureCCAM() = default;

bool LectureCCAM::Init(const QString& IdentificationPraticien, const QString& CodeSpecialite,
                       const QString& PathData4, const QString& PathDico4)
{
    CtlCCAM* lecteur = obj().ctlCCAM1();
    if (!lecteur)
        return false;
    lecteur->setIdentificationPraticien(IdentificationPraticien);
    const std::optional<qint32> specialite = convertirEntier32(CodeSpecialite);
    if (!specialite)
        return false;
    lecteur->setCodeSpecialite(*specialite);
    lecteur->setModeLecture(1);
    m_cheminData4 = PathData4;
    m_cheminDico4 = PathDico4;
    return true;
}

bool LectureCCAM::EndCCAM()
{
    terminerProcessus();
    return true;
}

QString LectureCCAM::GetCCAMCode()
{
    CtlCCAM* lecteur = obj().ctlCCAM1();
    lecteur->ChoisirActe();
    return lecteur->CodeCCAM();
}

void LectureCCAM::preparerComposant(bool ordrePrix)
{
    UsrSrt& ob = obj().Ob();
    if (ordrePrix) {
        ob.setPathDico(m_cheminDico4);
        ob.setPathData(m_cheminData4);
        ob.setDateActe(texteDateHeureMaintenant());
    } else {
        ob.setDateActe(texteDateHeureMaintenant());
        ob.setPathDico(m_cheminDico4);
        ob.setPathData(m_cheminData4);
    }
}

QString LectureCCAM::GetSRTModificateurs()
{
    preparerComposant(false);
    return obj().Ob().GetModificateurs();
}

QString LectureCCAM::GetSRTCodeAssociation()
{
    preparerComposant(false);
    return obj().Ob().GetCodesAssociation();
}

QString LectureCCAM::GetSRTModificateursActe(const QString& CodeActe)
{
    preparerComposant(false);
    QString reponse = obj().Ob().GetModificateursActe(CodeActe);
    reponse.replace(QLatin1Char('@'), QLatin1String("\r\n"));
    return reponse;
}

QString LectureCCAM::GetSRTPrixUnitaire(const QString& CodeActe)
{
    preparerComposant(true);
    return obj().Ob().GetPrixUnitaire(CodeActe);
}

QString LectureCCAM::GetSRTBaseRemboursementActe(const QString& CodeActe, const QString& CodeModif1,
                                                 const QString& CodeModif2, const QString& codelieu,
                                                 const QString& CodeAssociation)
{
    preparerComposant(false);
    return obj().Ob().GetBaseRemboursementActe(CodeActe, CodeModif1, CodeModif2, codelieu,
                                               CodeAssociation);
}

QDialog* LectureCCAM::preparerCotation(const QString& IdentificationPraticien,
                                       const QString& CodeSpecialite, const QString& PathData4,
                                       const QString& PathDico4, const QString& PathDataRsc)
{
    Session& s = session();
    s.IdentPraticien = IdentificationPraticien;
    s.CodeSpecialitePraticien = CodeSpecialite;
    s.CheminDataRsc = PathDataRsc;
    s.CheminData4Session = PathData4;
    s.CheminDico4Session = PathDico4;
    s.CotationRetour.clear();

    UsrSrt& ob = obj().Ob();
    ob.setDateActe(texteDateHeureMaintenant());
    ob.setPathDico(s.CheminDico4Session);
    ob.setPathData(s.CheminData4Session);

    // A window of its own, without owner, modal for the whole program.
    QDialog* fenetre = nouvelleFenetreCotation();
    fenetre->setWindowModality(Qt::ApplicationModal);
    s.FenetreCotation = fenetre;
    g_fenetreOuverte = fenetre;
    return fenetre;
}

QString LectureCCAM::GetCotationCCAM(const QString& IdentificationPraticien,
                                     const QString& CodeSpecialite, const QString& PathData4,
                                     const QString& PathDico4, const QString& Cot,
                                     const QString& PathDataRsc)
{
    Q_UNUSED(Cot)
    if (!coderSansProfil().isEmpty())
        return session().CotationRetour = QString();
    QPointer<QDialog> fenetre = preparerCotation(IdentificationPraticien, CodeSpecialite, PathData4,
                                                 PathDico4, PathDataRsc);
    fenetre->exec();
    // exec() comes back once the handler that closed the window has run to
    // its end, so what that handler left in CotationRetour is final.
    delete fenetre.data();
    return session().CotationRetour;
}

bool LectureCCAM::ouvrirCotation(const QString& IdentificationPraticien,
                                 const QString& CodeSpecialite, const QString& PathData4,
                                 const QString& PathDico4, const QString& Cot,
                                 const QString& PathDataRsc, QString* erreur)
{
    Q_UNUSED(Cot)
    if (g_fenetreOuverte) {
        if (erreur)
            *erreur = QString::fromUtf8(kMessageCotationOuverte);
        return false;
    }
    if (const QString refus = coderSansProfil(); !refus.isEmpty()) {
        if (erreur)
            *erreur = refus;
        return false;
    }
    QDialog* fenetre = preparerCotation(IdentificationPraticien, CodeSpecialite, PathData4,
                                        PathDico4, PathDataRsc);

    // The answer leaves once the closing handler has run to its end (a cancel
    // closes the window first and empties CotationRetour afterwards), hence
    // the queued read. The window's destruction answers too, in case it goes
    // away without finishing.
    auto repondu = std::make_shared<bool>(false);
    auto terminee = std::make_shared<bool>(false);
    new SuiviFenetre(fenetre, terminee);
    QPointer<LectureCCAM> moi(this);
    auto repondre = [repondu, moi]() {
        if (*repondu)
            return;
        *repondu = true;
        g_fenetreOuverte.clear();
        if (moi)
            Q_EMIT moi->cotationTerminee(session().CotationRetour);
    };
    connect(fenetre, &QDialog::finished, fenetre, [fenetre, repondre, terminee](int) {
        *terminee = true;
        QTimer::singleShot(0, fenetre, [fenetre, repondre]() {
            repondre();
            fenetre->deleteLater();
        });
    });
    connect(fenetre, &QObject::destroyed, QCoreApplication::instance(),
            [repondre]() { QTimer::singleShot(0, QCoreApplication::instance(), repondre); });
    fenetre->show();
    return true;
}

QString LectureCCAM::coderSansProfil()
{
    QString texte = anomalieProfil();
    if (!texte.isEmpty()) {
        QString desc = texte;
        LogErreur(erreur::CheminIntrouvable, desc, QStringLiteral("GetCotationCCAM"), QString());
    }
    return texte;
}

bool LectureCCAM::choisirActe(QString* erreur)
{
    if (g_choixEnCours) {
        if (erreur)
            *erreur = QString::fromUtf8(kMessageChoixOuvert);
        return false;
    }
    CtlCCAM* lecteur = obj().ctlCCAM1();
    g_choixEnCours = true;
    auto connexion = std::make_shared<QMetaObject::Connection>();
    QPointer<LectureCCAM> moi(this);
    *connexion = connect(lecteur, &CtlCCAM::choixTermine, lecteur, [connexion, moi, lecteur]() {
        QObject::disconnect(*connexion);
        g_choixEnCours = false;
        if (moi)
            Q_EMIT moi->choixActeTermine(lecteur->CodeCCAM());
    });
    lecteur->ouvrirChoix();
    return true;
}

QDialog* LectureCCAM::fenetreCotationOuverte()
{
    return g_fenetreOuverte.data();
}

bool LectureCCAM::choixActeEnCours()
{
    return g_choixEnCours;
}

void LectureCCAM::Release()
{
    if (session().FinSurTerminaison)
        terminerProcessus();
}

void LectureCCAM::setFabriqueFenetreCotation(FabriqueFenetre fabrique)
{
    fabriqueFenetre() = std::move(fabrique);
}

} // namespace pava
