// Plausible magnitudes of what a user gives the host: the plan layout of a
// tank, its boards and their loads.  A value outside its range is almost
// always a unit slip (millimetres in a metre field, metres in a millimetre
// field) or a typing error, and would analyse to nonsense; the message names
// the unit the field expects.  The settings carry their own ranges
// (platform/Zarvel.h); a design read from a file is checked by both.
#pragma once

#include "platform/Quenby.h"

#include <string>
#include <vector>

namespace tank::app {

struct PlausibleRange {
  double lo;
  double hi;
  const char* unit;
  const char* what;
  // Empty when `x` lies in [lo, hi]; otherwise the reason, naming the unit:
  // "must be at most 300000, got 1e+15 (a length in mm, from 1000 to 300000)".
  std::string Check(double x) const;
};

// Plan coordinates (origin, positions), in mm from the drawing origin.
inline constexpr PlausibleRange kPlanCoordinate{-1e7, 1e7, "mm", "a plan coordinate"};
// The tank's plan lengths between the outer wall axes.
inline constexpr PlausibleRange kTankLength{1000, 300000, "mm", "a length"};
// Member thicknesses (walls and slabs), as the settings' thickness fields.
inline constexpr PlausibleRange kThickness{100, 3000, "mm", "a thickness"};
// Opening sizes.
inline constexpr PlausibleRange kOpeningSize{1, 300000, "mm", "an opening size"};
// The narrowest clear span between the walls of a cell, mm.
inline constexpr double kMinClearSpan = 500.0;
// User loads, either sign.
inline constexpr PlausibleRange kAreaLoadValue{-500, 500, "kN/m²", "an area load"};
inline constexpr PlausibleRange kPointLoadValue{-10000, 10000, "kN", "a point load"};
inline constexpr PlausibleRange kLineLoadValue{-1000, 1000, "kN/m", "a line load"};

// Whether the world point lies on the board: in its plane's outline, or on
// the outline within `tolerance` mm.
bool IsOnBoard(const Board& board, const _3dPoint& point, double tolerance = 1.0);

// Why the outline (world points in the board's plane) makes no notch of
// the board, or empty: a notch, like an opening, is a simple polygon of
// non-zero area inside the board or touching its outline, and leaves some
// of the board.
std::string NotchProblem(const Board& board, const std::vector<_3dPoint>& outline);

// Why the board's outline is no simple polygon of non-zero area (its sides
// cross or touch, or it encloses nothing), or empty.
std::string OutlineProblem(const Board& board);

// What is implausible in a tank read from a design file: each board's
// thickness, corners and size, each load's value and position.  One line per
// problem, naming the board ("wall 2: thickness: ...").
std::vector<std::string> CheckTankModel(const Tank& tank);

}  // namespace tank::app
