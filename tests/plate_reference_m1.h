// Converged plate moments of a wall b × H, fixed at its base (y = 0) and at
// both sides, free at its top, under hydrostatic pressure γ·(H − y), as
// coefficients of q·H² (q = γ·H, the pressure at the base), ν = 0.2:
//   base   the largest hogging moment along the base (bars crossing it),
//   side   the hogging moment at mid-height of a side (its largest value
//          lies at the corner with the free top, where the plate solution
//          has no converged value: see the tool below),
//   spanX  the largest span moment of the horizontal bars,
//   spanY  the largest span moment of the vertical bars.
// Hogging (the loaded face in tension) is negative.  Made by
// tests/tools/plate_reference_m1.cpp: the conforming bicubic Kirchhoff plate
// on 16, 32 and 64 elements over the height, extrapolated (Richardson, with
// the observed order) to the converged values.  As the wall grows long the
// base moment tends to the cantilever's −1/6 and the side moment at
// mid-height to that of a long wall's fixed end.
#pragma once

struct PlateReferenceRow {
  double ratio;  // b / H
  double base, side, spanX, spanY;
};

// The walls of the shell check are this thin beside their height, so the
// thin (Kirchhoff) plate is the reference.
constexpr double kThicknessRatio = 80.0;  // H / t

inline constexpr PlateReferenceRow kWallFixedThreeEdgesWater[] = {
    // b/H   base      side      spanX    spanY
    {1, -0.03498, -0.02977, 0.01322, 0.01045},
    {2, -0.08602, -0.04963, 0.02761, 0.01609},
    {3, -0.12690, -0.05475, 0.02418, 0.01078},
    {4, -0.14885, -0.05576, 0.01740, 0.00709},
    {5, -0.15877, -0.05596, 0.01573, 0.00624},
    {6, -0.16311, -0.05600, 0.01537, 0.00605},
    {7, -0.16504, -0.05601, 0.01529, 0.00601},
    {8, -0.16591, -0.05601, 0.01527, 0.00600},
};
