#pragma once

// The fixed names under which the automation server is reached on the
// session bus. A host registered against one release keeps working with the
// next: none of these ever changes.
namespace pava::bus {

inline constexpr char kService[] = "org.pavaccam.PavaCCAM";
inline constexpr char kCheminFabrique[] = "/org/pavaccam/PavaCCAM";
inline constexpr char kInterfaceFabrique[] = "org.pavaccam.PavaCCAM.Factory";
inline constexpr char kPrefixeObjets[] = "/org/pavaccam/PavaCCAM/LectureCCAM/";
inline constexpr char kInterfaceLectureCCAM[] = "org.pavaccam.PavaCCAM.LectureCCAM";

// Errors the server answers with.
inline constexpr char kErreurCotationOuverte[] = "org.pavaccam.PavaCCAM.Error.WorkspaceOpen";
inline constexpr char kErreurChoixOuvert[] = "org.pavaccam.PavaCCAM.Error.ChooserOpen";
inline constexpr char kErreurReference[] = "org.pavaccam.PavaCCAM.Error.Reference";
inline constexpr char kErreurSansAffichage[] = "org.pavaccam.PavaCCAM.Error.NoDisplay";
inline constexpr char kErreurAutreHote[] = "org.pavaccam.PavaCCAM.Error.AccessDenied";

// A call that shows a window waits for the user: one day.
inline constexpr int kDelaiFenetreMs = 86400 * 1000;

} // namespace pava::bus
