#include "session/Placement.h"

#include <cmath>
#include <limits>

namespace pava {

int twipsEnPixels(double twips)
{
    if (std::isnan(twips))
        return 0;
    // nearbyint under the default rounding mode rounds halves to even; the
    // division is exact whenever the quotient is a half.
    const double q = std::nearbyint(twips / 15.0);
    if (q >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (q <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(q);
}

PlacementPixels placementEnPixels(double gauche, double haut, double largeur, double hauteur)
{
    return {twipsEnPixels(gauche), twipsEnPixels(haut), twipsEnPixels(largeur),
            twipsEnPixels(hauteur)};
}

} // namespace pava
