#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QDialog;

namespace pava {

class CtlCCAM;
class UsrSrt;

// The hidden holder of the two components the automation class questions:
// Ob, the tariff component, and ctlCCAM1, the act chooser. Created by the
// first member that needs one of them and kept until the process ends, so
// every object and every call share the same two instances.
class Obj : public QObject
{
    Q_OBJECT
public:
    Obj();
    ~Obj() override;

    UsrSrt& Ob() { return *m_ob; }
    CtlCCAM* ctlCCAM1() { return m_ctlCCAM1; }

private:
    std::unique_ptr<UsrSrt> m_ob;
    CtlCCAM* m_ctlCCAM1 = nullptr;
};

// The holder, created on first use.
Obj& obj();
// Whether a member has created it yet (the process never deletes it).
bool objCree();

// The automation class the host application calls. One instance per host
// object; its two path properties belong to it, everything else lives in the
// process-wide session state.
//
// The members keep the names, argument names and order the host knows. Two of
// them show a window: GetCCAMCode and GetCotationCCAM block until it closes
// (for a caller in the same process); the bus server uses their non-blocking
// forms choisirActe() and ouvrirCotation(), which answer by signal.
class LectureCCAM : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString CheminData4 READ CheminData4 WRITE setCheminData4)
    Q_PROPERTY(QString CheminDico4 READ CheminDico4 WRITE setCheminDico4)
public:
    explicit LectureCCAM(QObject* parent = nullptr);
    ~LectureCCAM() override;

    QString CheminData4() const { return m_cheminData4; }
    void setCheminData4(const QString& chemin) { m_cheminData4 = chemin; }
    QString CheminDico4() const { return m_cheminDico4; }
    void setCheminDico4(const QString& chemin) { m_cheminDico4 = chemin; }

    // Hands the practitioner to the act chooser and keeps the two paths.
    // False (no message) when the speciality code is not a number or the
    // chooser cannot be reached; the paths are then left as they were.
    bool Init(const QString& IdentificationPraticien, const QString& CodeSpecialite,
              const QString& PathData4, const QString& PathDico4);

    // Ends the process at once: no window runs its closing steps and the call
    // never returns.
    bool EndCCAM();

    // Lets the user choose an act in the act chooser; its code, "" when the
    // user chose none.
    QString GetCCAMCode();

    // The look-ups: the tariff component answers with this object's paths.
    QString GetSRTModificateurs();
    QString GetSRTCodeAssociation();
    // The allowed modifiers of an act, one per line (CR LF between them).
    QString GetSRTModificateursActe(const QString& CodeActe);
    QString GetSRTPrixUnitaire(const QString& CodeActe);
    QString GetSRTBaseRemboursementActe(const QString& CodeActe, const QString& CodeModif1,
                                        const QString& CodeModif2, const QString& codelieu,
                                        const QString& CodeAssociation);

    // Opens the workspace on the host's values and waits until it closes;
    // the coding string, "" when the user cancelled. Cot is accepted and not
    // used; an empty PathDataRsc stands for one the host left out. A profile
    // that gives no reference refuses the coding before the window opens
    // (logged; "" answered): see anomalieProfil().
    QString GetCotationCCAM(const QString& IdentificationPraticien, const QString& CodeSpecialite,
                            const QString& PathData4, const QString& PathDico4, const QString& Cot,
                            const QString& PathDataRsc = QString());

    // The host gives the object back. After a validation whose result could
    // not be assembled the process ends at once; otherwise it keeps serving.
    void Release();

    // Non-blocking forms for the bus server.
    //
    // Opens the workspace and returns at once; cotationTerminee() carries the
    // coding string when it has closed. False, with a French message, when a
    // workspace is already open (that one is left alone), or when the profile
    // gives no reference (see anomalieProfil()).
    bool ouvrirCotation(const QString& IdentificationPraticien, const QString& CodeSpecialite,
                        const QString& PathData4, const QString& PathDico4, const QString& Cot,
                        const QString& PathDataRsc, QString* erreur);
    // Opens the act chooser and returns at once; choixActeTermine() carries
    // the chosen code. False, with a French message, while a choice is open.
    bool choisirActe(QString* erreur);

    // Why no coding can start, in French, "" when it can: each act of a
    // coding is priced through the reference the profile file names, so a
    // profile that is missing, refused or without its key, or that names a
    // directory without a reference, stops the coding before the workspace
    // opens rather than in the middle of it.
    static QString anomalieProfil();

    // The workspace of the running coding, if one is open. A workspace whose
    // window goes away without closing (destroyed or hidden by someone else)
    // counts as closed by its frame.
    static QDialog* fenetreCotationOuverte();
    static bool choixActeEnCours();

    // Seam for a test in the same process: builds the window GetCotationCCAM
    // shows (a new workspace by default). What EndCCAM and a fatal release run
    // is terminerProcessus() (session/FinProcessus.h).
    using FabriqueFenetre = std::function<QDialog*()>;
    static void setFabriqueFenetreCotation(FabriqueFenetre fabrique);

Q_SIGNALS:
    void cotationTerminee(const QString& cotation);
    void choixActeTermine(const QString& codeCCAM);

private:
    void preparerComposant(bool ordrePrix);
    // anomalieProfil(), logged when not empty.
    static QString coderSansProfil();
    QDialog* preparerCotation(const QString& IdentificationPraticien, const QString& CodeSpecialite,
                              const QString& PathData4, const QString& PathDico4,
                              const QString& PathDataRsc);

    QString m_cheminData4;
    QString m_cheminDico4;
};

// The French message a second coding request receives while one is open.
extern const char* const kMessageCotationOuverte;
extern const char* const kMessageChoixOuvert;

} // namespace pava
