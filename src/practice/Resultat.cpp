#include "practice/Resultat.h"

#include "coding/Cotation.h"
#include "srt/Tarifs.h"

namespace pava {

Resultat assembleResultat(const EntreesResultat& e, const EnregistreActe& enregistre)
{
    Resultat r;
    if (e.onglet == 1) {
        const QString stocke = e.acteCourant ? e.acteStocke : QString();
        const TarifCotation tarif = Get_TarifCotation(partieCCAM(stocke), enregistre);
        if (!tarif.montant) {
            r.erreur = tarif.erreur;
            return r;
        }
        r.texte = resultatCompose(stocke, nombreGeneral(*tarif.montant),
                                  e.acteCourant ? e.libelleActe : QString());
        return r;
    }
    const Monnaie total = Monnaie::depuisDouble(e.totalCotation) + e.tarifComplement;
    r.texte = resultatListe(e.ngap, e.cotation, e.complementCCAM, montantTexte(total),
                            apostrophesSimples(e.libelles), e.libelleComplement);
    return r;
}

QString texteMontantRendu(QStringView complement, Monnaie tarifComplement, Monnaie totalListe)
{
    const auto euros = [](Monnaie m) { return texteEurosFrancais(m.centimesArrondis()); };
    QString texte = QStringLiteral("Complément : %1 ; montant rendu au logiciel du cabinet : %2")
                        .arg(euros(tarifComplement), euros(totalListe + tarifComplement));
    const SuffixesMontant saisis = lireMontants(complement);
    QStringList montants;
    for (const auto& [nom, valeur] :
         {std::pair{u"total", saisis.total}, std::pair{u"dépassement", saisis.depassement},
          std::pair{u"hors nomenclature", saisis.horsNomenclature}}) {
        if (!valeur.isEmpty())
            montants << QStringLiteral("%1 %2").arg(nom, euros(Monnaie::depuisTexte(valeur)));
    }
    if (!montants.isEmpty())
        texte += QStringLiteral("\nMontants saisis dans le complément (%1) : transmis dans ses "
                                "codes, ils ne sont pas comptés ici, ni l'acte qui les porte.")
                     .arg(montants.join(QStringLiteral(", ")));
    return texte;
}

} // namespace pava
