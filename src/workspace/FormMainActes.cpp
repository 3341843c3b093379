// The workspace's coding list: opening the act window (habitual coding,
// "Ajouter", isolated-act check), appending the act it hands back, totals,
// deletions, and the coding history every act of the list goes to.
#include "workspace/FormMain.h"

#include "actdetail/GetCCAM.h"
#include "coding/Cotation.h"
#include "coding/Montant.h"
#include "db/DataControl.h"
#include "log/ErrorLog.h"
#include "practice/Historique.h"
#include "practice/Resultat.h"
#include "practice/TarifCotation.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "ui/Fenetres.h"
#include "ui/PremierPlan.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace pava {

namespace {

const QString kCodeCCAM = QStringLiteral("CodeCCAM");
// The edition's notes run from a line to a paragraph: the panel quotes this
// much of one, so that its buttons stay in view.
constexpr qsizetype kNoteDansLePanneau = 240;

} // namespace

// ------------------------------------------------------------- act windows

void FormMain::ouvrirActe(const QString& code, bool questionActeIsole)
{
    Session& s = session();
    s.QuestionActeIsole = questionActeIsole;
    auto fenetre = std::make_unique<GetCCAM>(this, this);
    s.FenetreActe = fenetre.get();
    fenetre->CodeCCAMInit()->setText(code);
    RetirePremierPlan(this);
    s.ActeSaisi.clear();
    ui::execModal(fenetre.get());
    fenetre.reset();
    if (!s.ActeSaisi.isEmpty())
        NewCotation();
    MetPremierPlan(this);
}

void FormMain::DBGrid1_DblClick()
{
    DataControl* habituels = m_ccammdb[0];
    if (!habituels->hasCurrent())
        return;
    const QString code = habituels->text(QStringLiteral("CodeActe"));
    // A supplement goes with the act before it: no isolated-act question.
    if (!estSupplement(code) && !VerifActeIsole())
        return;
    ouvrirActe(code, false);
    habituels->findFirstEqual(QStringLiteral("CodeActe"), code);
}

void FormMain::Ajout1_Click()
{
    if (!VerifActeIsole())
        return;
    ouvrirActe(QString(), false);
}

bool FormMain::VerifActeIsole()
{
    DataControl* liste = m_ccammdb[1];
    if (liste->recordCount() == 0)
        return true;
    liste->moveFirst();
    const QString premier = liste->text(kCodeCCAM);
    if (!premier.endsWith(QLatin1Char('0')))
        return true;
    ouvrirActe(codeNu(premier), true);
    // "&Oui" and the first act coded again: the act the practitioner chose
    // opens at once. Any other answer leaves the list as it was.
    return liste->recordCount() > 0 && liste->moveFirst() &&
           !liste->text(kCodeCCAM).endsWith(QLatin1Char('0'));
}

// ------------------------------------------------------------ coding list

void FormMain::NewCotation()
{
    Session& s = session();
    DataControl* liste = m_ccammdb[1];
    const std::optional<EnregistrementActe> acte = EnregistrementActe::lire(s.ActeSaisi);
    if (!acte)
        return;

    const QStringList jetons = jetonsCodes();
    if (!jetons.isEmpty()) {
        const std::optional<RefusAssociation> refus =
            tarificateurSession().RefusCotation(listeControleAssociation(jetons, acte->jeton));
        if (refus) {
            // Which acts, whose rule and the edition's words: what the
            // practitioner needs to mend it. A long note is whole in the tip.
            montrerMessage(QStringLiteral("\r\nCet acte ne peut être associé aux actes "
                                          "précédents.\r\n%1\r\n\r\nVeuillez recommencer votre "
                                          "saisie.")
                               .arg(refus->texte(kNoteDansLePanneau)),
                           false);
            m_label3->setToolTip(refus->motif.note.phrase.isEmpty() ? QString() : refus->texte());
            return;
        }
    }

    const bool ajoute = liste->addNew() && liste->setValue(kCodeCCAM, acte->jeton) &&
                        liste->setValue(QStringLiteral("LibelleCCAM"), acte->libelle) &&
                        liste->setValue(QStringLiteral("ValeurSS"), acte->tarifSecu) &&
                        liste->setValue(QStringLiteral("ValeurReel"), acte->tarifReel) &&
                        liste->update();
    if (!ajoute) {
        liste->cancelUpdate();
        QString erreur = liste->lastError();
        LogErreur(liste->lastErrorNumber(), erreur, QStringLiteral("NewCotation"),
                  QStringLiteral("Ajout de l'acte %1 à la liste des actes sélectionnés")
                      .arg(acte->jeton));
        ui::message(this, QMessageBox::Warning, QStringLiteral("Liste des actes sélectionnés"),
                    QStringLiteral("L'acte %1 n'a pas pu être ajouté à la liste des actes "
                                   "sélectionnés :\n%2\nLa liste reste telle qu'elle était.")
                        .arg(acte->jeton, erreur));
        return;
    }
    const QVariant nouvelle = liste->lastModified();
    liste->refresh();
    liste->setBookmark(nouvelle);
    CalculeTotal();
    // Only an act the coding list took is a practised act.
    Ajoute_CCAM(s.ActeSaisi);
}

void FormMain::CalculeTotal()
{
    Session& s = session();
    DataControl* liste = m_ccammdb[1];
    double totalSecu = 0.0;
    double totalReel = 0.0;
    QStringList jetons;
    QStringList libelles;
    const int n = liste->recordCount();
    // Read in place: the row the user is on stays where it is.
    for (int r = 0; r < n; ++r) {
        totalSecu += valeurNumerique(liste->texte(r, QStringLiteral("ValeurSS")));
        totalReel += valeurNumerique(liste->texte(r, QStringLiteral("ValeurReel")));
        jetons << liste->texte(r, kCodeCCAM);
        libelles << liste->texte(r, QStringLiteral("LibelleCCAM"));
    }
    if (n == 0)
        s.IndexAssociation = 0;
    m_label5->setVisible(n > 0);
    m_command2->setVisible(n > 0);
    m_lblTotal[1]->setText(formatDeuxDecimales(totalReel));
    s.TotalCotation = totalReel;
    m_lblTotal[0]->setText(formatDeuxDecimales(totalSecu));
    s.CotationRetour = chaineCotation(jetons);
    s.LibellesCotation = chaineLibelles(libelles);
    majMontantRendu();
}

void FormMain::majMontantRendu()
{
    const Session& s = session();
    const QString complement = m_cCCAM->text().trimmed().toUpper();
    m_montantRendu->setVisible(!complement.isEmpty());
    if (complement != s.CotationCCAMComplement)
        m_montantRendu->setText(QStringLiteral("Complément saisi : son tarif sera calculé à la "
                                               "validation."));
    else if (!complement.isEmpty())
        m_montantRendu->setText(texteMontantRendu(complement, s.TarifComplement,
                                                  Monnaie::depuisDouble(s.TotalCotation)));
}

void FormMain::Supprimer1_Click()
{
    // No confirmation, and nothing to say when there is no row to delete.
    DataControl* liste = m_ccammdb[1];
    if (liste->deleteCurrent())
        resterDansLaListe(liste);
    CalculeTotal();
}

void FormMain::resterDansLaListe(DataControl* vue)
{
    if (!vue->moveNext() || vue->eof())
        vue->movePrevious();
}

int FormMain::nombreActesCodes() const
{
    return m_ccammdb[1]->recordCount();
}

QStringList FormMain::jetonsCodes() const
{
    const DataControl* liste = m_ccammdb[1];
    QStringList jetons;
    for (int r = 0; r < liste->recordCount(); ++r)
        jetons << liste->texte(r, kCodeCCAM);
    return jetons;
}

void FormMain::supprimerActeCourant()
{
    Supprimer1_Click();
}

// ------------------------------------------------------------ message panel

void FormMain::montrerMessage(const QString& texte, bool ouiNon)
{
    m_label3->setText(texte);
    m_label3->setToolTip(QString());
    m_command4[0]->setVisible(ouiNon);
    m_command4[1]->setVisible(ouiNon);
    m_command4[2]->setVisible(!ouiNon);
    ui::placePanneau(m_picture1, true);
    m_command4[ouiNon ? 1 : 2]->setFocus();
}

// ---------------------------------------------------------- coding history

void FormMain::Ajoute_CCAM(const QString& enregistrement)
{
    ui::CurseurAttente attente;
    const QString rsc = session().CheminDataRsc;
    const historique::Bilan bilan =
        historique::ajouter(historique::cheminBase(rsc), enregistrement);
    if (bilan.issue != historique::Bilan::Issue::Remonte)
        return;
    const QString cause =
        rsc.trimmed().isEmpty()
            ? QStringLiteral("Le logiciel appelant n'a pas indiqué le répertoire de "
                             "l'historique des cotations (Cotation.mdb).")
            : bilan.erreur;
    signalerUneFois(QStringLiteral("Historique des cotations"),
                    QStringLiteral("L'acte n'a pas pu être inscrit dans l'historique des "
                                   "cotations.\n%1\nLa cotation continue ; l'incident est noté "
                                   "dans le journal d'erreurs.")
                        .arg(cause));
}

void FormMain::signalerUneFois(const QString& titre, const QString& texte)
{
    if (m_problemesSignales.contains(texte))
        return;
    m_problemesSignales.insert(texte);
    ui::message(this, QMessageBox::Warning, titre, texte);
}

} // namespace pava
