#include "workspace/FormMain.h"

#include "coding/Montant.h"
#include "db/DataControl.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "practice/BaseUtilisateur.h"
#include "session/Reglages.h"
#include "session/Session.h"
#include "ui/Fenetres.h"
#include "ui/PremierPlan.h"

#include <QEvent>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <cmath>
#include <limits>

namespace pava {

FormMain::FormMain(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    m_espace = base::ouvrir();
    for (int i = 0; i < 3; ++i) {
        m_ccammdb[i] = new DataControl(this);
        m_ccammdb[i]->setObjectName(QStringLiteral("CCAMMDB_%1").arg(i));
        m_ccammdb[i]->setBusyTimeout(base::kAttenteMs);
    }
    // The coding list shows, takes and gives back this workspace's rows only.
    m_ccammdb[1]->setOwner(base::kChampEspace, m_espace.texte());
    m_attenteBase = new QTimer(this);
    m_attenteBase->setSingleShot(true);
    m_attenteBase->setInterval(1000);
    connect(m_attenteBase, &QTimer::timeout, this, [this] {
        m_problemeBase.clear();
        m_bandeau->hide();
        chargerBases();
        CalculeTotal();
    });

    m_ccammdb[0]->setColumns({{QStringLiteral("  Libellé"), QStringLiteral("Libelle")},
                              {QStringLiteral("Code Acte"), QStringLiteral("CodeActe")}});
    m_ccammdb[1]->setColumns({{QStringLiteral("Code CCAM"), QStringLiteral("CodeCCAM")},
                              {QStringLiteral("Libellé CCAM"), QStringLiteral("LibelleCCAM")},
                              {QStringLiteral("Valeur SS"), QStringLiteral("ValeurSS")},
                              {QStringLiteral("Valeur Réelle"), QStringLiteral("ValeurReel")}});
    m_ccammdb[2]->setColumns({{QStringLiteral("Libellé"), QStringLiteral("LibelleCCAM")},
                              {QStringLiteral("Cotation"), QStringLiteral("CodeActe")}});

    construireFenetre();
    // The window sees the F12 and Escape keys before any of its controls.
    ui::intercepterTouches(this, [this](int touche) { return Form_KeyDown(touche); });
    Form_Load();
}

FormMain::~FormMain()
{
    base::fermer(m_espace);
}

bool FormMain::attendLaBase() const
{
    return m_attenteBase->isActive();
}

DataControl* FormMain::CCAMMDB(int index) const
{
    return index >= 0 && index < 3 ? m_ccammdb[index] : nullptr;
}

int FormMain::ongletDepuisReglage(const QString& valeur)
{
    // Leading number of the text, rounded half to even like every
    // conversion of a number to a 16-bit integer in this program.
    const double n = std::nearbyint(valeurNumerique(valeur));
    if (!std::isfinite(n) || n < std::numeric_limits<qint16>::min() ||
        n > std::numeric_limits<qint16>::max())
        return 0;
    return static_cast<int>(n);
}

void FormMain::showEvent(QShowEvent* e)
{
    if (!m_centree) {
        m_centree = true;
        if (QScreen* ecran = screen()) {
            QRect r = frameGeometry();
            r.moveCenter(ecran->availableGeometry().center());
            move(r.topLeft());
        }
    }
    QDialog::showEvent(e);
}

// ------------------------------------------------------------------ loading

void FormMain::signalerProbleme(const QString& texte, int numero)
{
    // The log keeps every problem, for whoever installs or supports the
    // practice; the banner shows the first.
    QString description = texte;
    LogErreur(numero, description, QStringLiteral("Form_Load"),
              QStringLiteral("Ouverture de la fenêtre de cotation"));
    if (m_problemeBase.isEmpty())
        m_problemeBase = texte;
    m_bandeau->setText(m_problemeBase);
    m_bandeau->show();
}

void FormMain::attendreBase(const QString& fichier, const DataControl& vue)
{
    // The banner says it all along the wait; the log once, however long.
    const QString texte =
        vue.lastErrorNumber() == erreur::ServeurInjoignable
            ? QStringLiteral("Le serveur de la base de la pratique « %1 » ne répond pas : la "
                             "cotation attend qu'il revienne et réessaie chaque seconde.\n%2")
                  .arg(fichier, vue.lastError())
            : QStringLiteral("La base des cotations « %1 » est verrouillée par un autre poste : "
                             "la cotation attend qu'elle se libère et réessaie chaque "
                             "seconde.\n%2")
                  .arg(fichier, vue.lastError());
    if (!m_attenteDite) {
        m_attenteDite = true;
        QString description = texte;
        LogErreur(vue.lastErrorNumber(), description, QStringLiteral("Form_Load"),
                  QStringLiteral("Ouverture de la fenêtre de cotation"));
    }
    m_problemeBase = texte;
    m_bandeau->setText(texte);
    m_bandeau->show();
    m_attenteBase->start();
}

namespace {

// What the workspace waits out at its opening, trying again each second: a
// database another workstation holds, a server that went away.
bool attendre(int numero)
{
    return numero == erreur::BaseVerrouillee || numero == erreur::ServeurInjoignable;
}

} // namespace

void FormMain::chargerBases()
{
    // Nothing below may stop the window from opening: a view that cannot be
    // read stays empty and the banner tells the user what is wrong and where.
    const QString repertoire = session().CheminData4Session;
    const QString fichier = base::cheminBase(repertoire);

    DataControl* habituels = m_ccammdb[0];
    habituels->setDatabaseName(fichier);
    habituels->refresh();
    const bool ouverte = habituels->isOpen();
    if (!ouverte && attendre(habituels->lastErrorNumber()))
        return attendreBase(fichier, *habituels);
    if (!ouverte) {
        if (habituels->surServeur())
            signalerProbleme(QStringLiteral("La base de la pratique « %1 » ne peut être ouverte : "
                                            "les listes restent vides.\n%2\nVérifiez l'adresse "
                                            "de la base (PAVACCAM_BASE, ou Base= dans la section "
                                            "[PavaCCAM] de Pavareg.reg) avec « pavaccam practice "
                                            "check ».")
                                 .arg(fichier, habituels->lastError()),
                             habituels->lastErrorNumber());
        else if (repertoire.trimmed().isEmpty())
            signalerProbleme(
                QStringLiteral("Aucun répertoire de données n'a été indiqué par le logiciel "
                               "appelant : la base des cotations « CCAM001.mdb » ne peut être "
                               "ouverte et les listes restent vides."),
                habituels->lastErrorNumber());
        else
            signalerProbleme(QStringLiteral("La base des cotations « CCAM001.mdb » ne peut être "
                                            "ouverte : les listes restent vides.\n%1\nVérifiez "
                                            "le répertoire de données transmis par le logiciel "
                                            "appelant.")
                                 .arg(habituels->lastError()),
                             habituels->lastErrorNumber());
    }
    if (ouverte && !base::preparer(*habituels, m_espace)) {
        if (attendre(habituels->lastErrorNumber()))
            return attendreBase(fichier, *habituels);
        // A damaged file is only read: nothing the window does writes to it.
        if (habituels->lastErrorNumber() == erreur::BaseNonReconnue)
            for (DataControl* d : m_ccammdb)
                d->setReadOnly(true);
        signalerProbleme(QStringLiteral("La base des cotations « %1 » ne peut être modifiée : "
                                        "les actes ne pourront pas être ajoutés à la liste. %2")
                             .arg(fichier, habituels->lastError()),
                         habituels->lastErrorNumber());
    }

    habituels->setRecordSource(
        LitReglage(QLatin1String(reglages::Record0), QLatin1String(reglages::DefautRecord0)));
    if (!habituels->refresh() && attendre(habituels->lastErrorNumber()))
        return attendreBase(fichier, *habituels);
    if (habituels->lastErrorNumber() != 0 && ouverte)
        signalerProbleme(QStringLiteral("Les cotations habituelles ne peuvent être lues dans "
                                        "« %1 ». %2")
                             .arg(fichier, habituels->lastError()),
                         habituels->lastErrorNumber());

    DataControl* liste = m_ccammdb[1];
    liste->setDatabaseName(fichier);
    liste->setRecordSource(base::sourceListe());
    if (!liste->refresh() && attendre(liste->lastErrorNumber()))
        return attendreBase(fichier, *liste);
    if (liste->lastErrorNumber() != 0 && ouverte)
        signalerProbleme(QStringLiteral("La liste des actes sélectionnés ne peut être lue dans "
                                        "« %1 ». %2")
                             .arg(fichier, liste->lastError()),
                         liste->lastErrorNumber());

    DataControl* composes = m_ccammdb[2];
    composes->setDatabaseName(fichier);
    composes->setRecordSource(
        LitReglage(QLatin1String(reglages::Record2), QLatin1String(reglages::DefautRecord2)));
    composes->refresh();
}

void FormMain::Form_Load()
{
    m_activationFaite = false;
    ui::placePanneau(m_picture2, false);
    chargerBases();
    DataControl* composes = m_ccammdb[2];
    majCommand3();
    connect(composes, &DataControl::repositioned, this, &FormMain::majCommand3,
            Qt::UniqueConnection);

    session().IndexAssociation = 0;
    // The complement and the totals belong to this consultation only: what
    // an earlier one left in the session must not reach this one's result.
    session().TarifComplement = Monnaie{};
    CalculeTotal();
}

bool FormMain::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QDialog::event(e);
}

void FormMain::Form_Activate()
{
    unsetCursor();
    if (m_activationFaite)
        return;
    m_activationFaite = true;
    m_ssTab1->setCurrentIndex(ongletDepuisReglage(
        LitReglage(QLatin1String(reglages::Onglet), QLatin1String(reglages::DefautOnglet))));
    // Above the host's windows from now on (already so since the window was
    // built with that level, so the window is not re-created here).
    MetPremierPlan(this);
}

// ------------------------------------------------------------------ keys

bool FormMain::Form_KeyDown(int codeTouche)
{
    switch (codeTouche) {
    case Qt::Key_F12:
        ButtonOk_Click();
        return true;
    case Qt::Key_Escape:
        Command1_Click();
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ sorting

void FormMain::trierListe(DataControl* vue, const QString& champ, const QString& source,
                          const char* cleReglage)
{
    const QString libelle = vue->text(champ);
    if (!source.isEmpty())
        vue->setRecordSource(source);
    vue->refresh();
    // The label goes to the search as a value, so an apostrophe in it is
    // just a character.
    if (!libelle.isEmpty())
        vue->findFirstEqual(champ, libelle);
    EcritReglage(QLatin1String(cleReglage), vue->recordSource());
}

void FormMain::DBGrid1_HeadClick(int colonne)
{
    trierListe(m_ccammdb[0], QStringLiteral("Libelle"), base::sourceHabituels(colonne),
               reglages::Record0);
}

void FormMain::DBGrid3_HeadClick(int colonne)
{
    trierListe(m_ccammdb[2], QStringLiteral("LibelleCCAM"), base::sourceComposes(colonne),
               reglages::Record2);
}

// ------------------------------------------------------------ closing

void FormMain::Command1_Click()
{
    m_validee = false;
    reject();
    session().CotationRetour.clear();
}

void FormMain::done(int resultat)
{
    // Whatever closes the window without validating (the "Annuler" button,
    // Escape, the window frame) is a cancel: a coding half made is never
    // handed to the host by accident.
    if (!m_validee)
        session().CotationRetour.clear();
    m_attenteBase->stop();
    QDialog::done(resultat);
    for (DataControl* d : m_ccammdb)
        d->close();
}

} // namespace pava
