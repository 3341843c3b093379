#include "workspace/TarifCotation.h"

#include "coding/Cotation.h"
#include "log/ErrorLog.h"
#include "log/TextesErreurs.h"
#include "session/DateTexte.h"
#include "session/Session.h"

namespace pava {

TarificateurSRT tarificateurSession()
{
    const Session& s = session();
    TarificateurSRT tarificateur;
    tarificateur.setDateActe(texteDateHeureMaintenant());
    tarificateur.setPathDico(s.CheminDico4Session);
    tarificateur.setPathData(s.CheminData4Session);
    return tarificateur;
}

std::optional<QString> Get_Tarif(const QString& jeton, const EnregistreActe& enregistre,
                                 QString* erreur)
{
    Session& s = session();
    s.NomProcedure = QStringLiteral("Get_Tarif");
    QString copie = jeton;
    copie.replace(QLatin1Char('_'), QLatin1Char(' '));
    const QString code = copie.left(kLongueurCode);
    QString modificateurs[4];
    for (int i = 0; i < 4; ++i)
        modificateurs[i] = copie.mid(9 + i, 1).trimmed();
    // The token's association code goes in the place code's position, and
    // "0" in the association's: the reductions are applied below.
    const QString association = copie.mid(13, 1).trimmed();

    TarificateurSRT tarificateur = tarificateurSession();
    const QString reponse = tarificateur.GetTarifActe(
        code, modificateurs[0], modificateurs[1], modificateurs[2], modificateurs[3],
        QStringLiteral("0"), association, QVariant(QString()));
    if (!tarificateur.derniereErreur().isEmpty()) {
        if (erreur)
            *erreur = QStringLiteral("Tarif de %1 impossible : %2.")
                          .arg(jeton, tarificateur.derniereErreur());
        return std::nullopt;
    }

    Monnaie montant = Monnaie::depuisTexte(reponse).multiplie(u"0.01").arrondiAuCentime();
    if (association == u"2")
        montant = montant.multiplie(u"0.5").arrondiAuCentime();
    if (association == u"3")
        montant = montant.multiplie(u"0.75").arrondiAuCentime();
    const QString texte = montantTexte(montant);

    if (reponse.isEmpty()) {
        // A stored coding outlives the edition it was made with.
        QString description = QStringLiteral("L'acte %1 est inconnu du référentiel CCAM : il est "
                                             "compté 0.")
                                  .arg(code);
        LogErreur(erreur::Application, description, s.NomProcedure,
                  QStringLiteral("Tarif de la cotation ") + jeton);
        return texte;
    }
    if (enregistre) {
        QString enSouligne = copie;
        enSouligne.replace(QLatin1Char(' '), QLatin1Char('_'));
        enregistre(EnregistrementActe{enSouligne, texte, texte, QStringLiteral(" ")}.texte());
    }
    return texte;
}

TarifCotation Get_TarifCotation(const QString& cotation, const EnregistreActe& enregistre)
{
    TarifCotation t;
    Monnaie total;
    for (const QString& e : cotation.split(QLatin1Char('+'))) {
        if (!estJeton(e))
            continue;
        const std::optional<QString> montant = Get_Tarif(e, enregistre, &t.erreur);
        if (!montant)
            return t;
        total += Monnaie::depuisTexte(*montant);
    }
    t.montant = total;
    return t;
}

} // namespace pava
