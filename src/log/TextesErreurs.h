#pragma once

#include <QString>

namespace pava {

// Numbers of the errors the product raises or logs, with their standard
// texts (the run-time and database messages a French workstation shows).
namespace erreur {
inline constexpr int AppelIncorrect = 5;
inline constexpr int Depassement = 6;
inline constexpr int IndiceHorsLimites = 9;
inline constexpr int TypeIncompatible = 13;
inline constexpr int FichierIntrouvable = 53;
inline constexpr int FichierDejaOuvert = 55;
inline constexpr int EntreeSortie = 57;
inline constexpr int DisquePlein = 61;
inline constexpr int PermissionRefusee = 70;
inline constexpr int CheminIntrouvable = 76;
inline constexpr int ObjetNonDefini = 91;
inline constexpr int ComposantIndisponible = 429;
inline constexpr int AucunEnregistrement = 3021;
inline constexpr int BaseIntrouvable = 3024;
inline constexpr int BaseEnLectureSeule = 3027;
inline constexpr int CleDejaUtilisee = 3022;
inline constexpr int ErreurSyntaxe = 3075;
inline constexpr int TableIntrouvable = 3078;
inline constexpr int BaseNonReconnue = 3343;
inline constexpr int BaseVerrouillee = 3260;
inline constexpr int ServeurInjoignable = 3151;
inline constexpr int EnregistrementSupprime = 3167;
inline constexpr int ModifieParUnAutrePoste = 3197;
inline constexpr int ChampIntrouvable = 3265;
inline constexpr int ModificationSansEdition = 3020;
inline constexpr int Application = 1004;
} // namespace erreur

// The standard text of an error number: French, or English when the
// workstation speaks English; a generic text for numbers not in the table.
QString texteErreur(int numero);

} // namespace pava
