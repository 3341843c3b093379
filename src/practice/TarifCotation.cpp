#include "practice/TarifCotation.h"

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

ActeQualifie acteQualifie(const JetonActe& jeton, const QString& lieu, const QString& rbt)
{
    const auto chiffre = [](const QString& c) {
        return c.size() == 1 && estChiffre(c[0]) ? c[0].unicode() - '0' : 0;
    };
    ActeQualifie a;
    a.code = jeton.code.trimmed().toUpper();
    a.activite = chiffre(jeton.activite);
    a.phase = chiffre(jeton.phase);
    for (int i = 0; i < 4; ++i)
        a.modificateurs[i] = jeton.modificateur(i);
    a.association = jeton.association.trimmed();
    a.lieu = lieu;
    a.remboursementExceptionnel = rbt;
    return a;
}

std::optional<QString> Get_Tarif(const QString& jeton, const EnregistreActe& enregistre,
                                 QString* erreur)
{
    Session& s = session();
    s.NomProcedure = QStringLiteral("Get_Tarif");
    const std::optional<JetonActe> lu = JetonActe::lire(jeton);
    if (!lu)
        return std::nullopt;
    TarificateurSRT tarificateur = tarificateurSession();
    const PrixActe prix = tarificateur.Tarifer(acteQualifie(*lu));
    if (!prix.certain()) {
        // A stored coding outlives the edition it was made with: an act the
        // reference no longer prices is refused, never counted 0.
        QString description = QStringLiteral("Tarif de %1 impossible : %2").arg(jeton, prix.erreur);
        LogErreur(erreur::Application, description, s.NomProcedure,
                  QStringLiteral("Tarif de la cotation ") + jeton);
        if (erreur)
            *erreur = description;
        return std::nullopt;
    }
    const QString texte = texteEuros(prix.centimes());
    if (enregistre)
        enregistre(EnregistrementActe{lu->texte(), texte, texte, QStringLiteral(" ")}.texte());
    return texte;
}

QString questionAssociation(const QStringList& jetons, TarificateurSRT& tarificateur)
{
    struct Acte
    {
        QString code;
        QString association;
        std::int64_t base = 0;
    };
    QList<Acte> actes;
    for (const QString& j : jetons) {
        const std::optional<JetonActe> jeton = JetonActe::lire(j);
        if (!jeton || (jeton->association != u"1" && jeton->association != u"2"))
            continue;
        ActeQualifie sansModificateurs = acteQualifie(*jeton);
        sansModificateurs.modificateurs = {};
        sansModificateurs.association.clear();
        const PrixActe p = tarificateur.Tarifer(sansModificateurs);
        // Each act was priced when it entered the list: one that no longer
        // can be is not a question of association.
        if (!p.certain())
            continue;
        actes.append({jeton->code, jeton->association, p.centimes()});
    }
    const Acte* plusCher = nullptr;
    const Acte* premier = nullptr;
    bool second = false;
    for (const Acte& a : actes) {
        if (!plusCher || a.base > plusCher->base)
            plusCher = &a;
        if (a.association == u"1" && !premier)
            premier = &a;
        second = second || a.association == u"2";
    }
    if (!second)
        return {};
    if (!premier || premier->base < plusCher->base)
        return QStringLiteral("L'acte %1, au tarif le plus élevé (%2 sans modificateurs), devrait "
                              "être coté 1 (taux plein) et les autres 2 : la liste ne le fait "
                              "pas. Garder cette cotation ?")
            .arg(plusCher->code, texteEurosFrancais(plusCher->base));
    return {};
}

TarifCotation Get_TarifCotation(const QString& cotation, const EnregistreActe& enregistre)
{
    // Every act is priced before any is handed on: a coding is taken whole
    // or not at all.
    TarifCotation t;
    Monnaie total;
    QStringList enregistrements;
    for (const QString& e : cotation.split(QLatin1Char('+'))) {
        if (!estJeton(e))
            continue;
        const std::optional<QString> montant = Get_Tarif(
            e, [&enregistrements](const QString& r) { enregistrements.append(r); }, &t.erreur);
        if (!montant)
            return t;
        total += Monnaie::depuisTexte(*montant);
    }
    if (enregistre) {
        for (const QString& r : std::as_const(enregistrements))
            enregistre(r);
    }
    t.montant = total;
    return t;
}

} // namespace pava
