#pragma once

#include "reader/ChoixActeDialog.h"
#include "reader/SourceActes.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace pava {

// The act chooser as the act window and the automation server use it: they
// write who is coding and where the user's data lives, then ask for an act;
// afterwards CodeCCAM() holds the code chosen, or "" when the user cancelled.
//
// The acts come from the CCAM reference named by the installation (profile
// "API_Sesam"/"Path", then "srt/CCAM.mdb"); the practitioner's habitual
// codings from "CCAM001.mdb" in PathData; the practice's coding history from
// "Cotation.mdb" in PathDataRsc. A search lists first the habitual codings,
// then the acts of the history, the most recently recorded first. A large
// history is read in the background the first time: the chooser opens at once
// and ranks with it as soon as it is read. ParamTexte, when not empty, is put
// in the search box when the chooser opens. ModeLecture, the identification
// and the speciality are kept as given (the chooser reads acts only).
class CtlCCAM : public QObject
{
    Q_OBJECT
public:
    explicit CtlCCAM(QObject* parent = nullptr);
    ~CtlCCAM() override;

    void setModeLecture(int mode) { m_modeLecture = mode; }
    void setIdentificationPraticien(const QString& identification)
    {
        m_identification = identification;
    }
    void setCodeSpecialite(int code) { m_codeSpecialite = code; }
    void setPathData(const QString& chemin) { m_pathData = chemin; }
    void setPathDataRsc(const QString& chemin) { m_pathDataRsc = chemin; }
    void setParamTexte(const QString& texte) { m_paramTexte = texte; }

    int modeLecture() const { return m_modeLecture; }
    QString identificationPraticien() const { return m_identification; }
    int codeSpecialite() const { return m_codeSpecialite; }
    QString pathData() const { return m_pathData; }
    QString pathDataRsc() const { return m_pathDataRsc; }
    QString paramTexte() const { return m_paramTexte; }

    // Code of the act chosen by the last choice ("" when none was chosen).
    QString CodeCCAM() const { return m_code; }

    // Lets the user choose an act in a modal window and returns when the
    // choice is over: 1 when an act was chosen, 0 when cancelled.
    int ChoisirActe();

    // The same without waiting: opens the chooser and returns at once;
    // choixTermine() is emitted when the user has chosen or cancelled. While
    // a chooser is open, a second call only brings it to the front.
    void ouvrirChoix();
    // The chooser opened by ouvrirChoix(), while it is open.
    ChoixActeDialog* choixOuvert() const { return m_ouvert; }

    // Where the acts come from. By default the installed reference; a test
    // or another program may hand its own (a null source means "none").
    using FournisseurSource = std::function<std::shared_ptr<const SourceActes>(QString* erreur)>;
    void setFournisseurSource(FournisseurSource fournisseur);

Q_SIGNALS:
    void choixTermine();

private:
    ChoixActeDialog* creerChoix();

    int m_modeLecture = 0;
    QString m_identification;
    int m_codeSpecialite = 0;
    QString m_pathData;
    QString m_pathDataRsc;
    QString m_paramTexte;
    QString m_code;
    FournisseurSource m_fournisseur;
    QPointer<ChoixActeDialog> m_ouvert;
};

} // namespace pava
