#include "practice/Resultat.h"

#include "coding/Cotation.h"

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

} // namespace pava
