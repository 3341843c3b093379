#pragma once

namespace pava {

// Window measures are kept in twips (possibly fractional); the placement
// service wants pixels at a fixed 15 twips per pixel, whatever the screen.
// The quotient is rounded to the nearest integer, halves to even
// (337.5 twips = 22.5 -> 22, 352.5 twips = 23.5 -> 24).
int twipsEnPixels(double twips);

struct PlacementPixels
{
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    friend bool operator==(const PlacementPixels&, const PlacementPixels&) = default;
};

// Left, top, width, height in twips -> what the placement service receives.
PlacementPixels placementEnPixels(double gauche, double haut, double largeur, double hauteur);

} // namespace pava
