// What an analysis method hands to the load-case envelope: for one load
// case, per board, the extreme bending moments of the span and along every
// board edge, in the directions the board's bars run.
//
// Frame and signs (see common.h):
//   - Loads of a board are given in the board's own local frame
//     (Board::GetOrigin, Board::GetXAxis, Board::GetYAxis; Board::WorldToLocal
//     maps world points into it), as a PlateLoadCase: pressures along the
//     board's positive normal.
//   - Moments are positive when they put the upper face (the positive side
//     of the board normal) in tension.
//   - "X" is the direction of Board::GetReinAngle measured from the board's
//     local x axis, "Y" the direction across it: the span extremes are those
//     of the moment components the X and Y bars carry.
//   - Edge i is Board::GetEdges()[i]; its extremes are those of the moment
//     the bars crossing the edge carry, taken along the edge.
#pragma once

#include "platform/tobrin/plate.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tobrin {

// Span moments leave out a band along every fixed (or monolithically
// joined) edge, this fraction of the board's width across that edge wide:
// there the moment of the edge's own sense belongs to the support, whose
// value is the edge's, and taking it as a span value would give the whole
// face the support's bars (the moment of the other sense there counts).
// A quarter of the span covers the hogging zone next to a fixed edge for
// uniform and hydrostatic loads (the contraflexure point lies 0.21 L to
// 0.25 L from it).  Both analysis methods apply it.
constexpr double kSpanBandFraction = 0.25;

inline double DistanceToSegment(double x, double y, const PlatePoint& a, const PlatePoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double l2 = dx * dx + dy * dy;
  double t = l2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / l2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

// Extent of the points measured across the line from a to b.
template <class Points>
double WidthAcross(const PlatePoint& a, const PlatePoint& b, const Points& points) {
  const double l = std::hypot(b.x - a.x, b.y - a.y);
  if (l <= 0) return 0.0;
  const double nx = -(b.y - a.y) / l, ny = (b.x - a.x) / l;
  double lo = 1e300, hi = -1e300;
  for (const auto& p : points) {
    const double d = (p.x - a.x) * nx + (p.y - a.y) * ny;
    lo = std::min(lo, d);
    hi = std::max(hi, d);
  }
  return hi > lo ? hi - lo : 0.0;
}

// Largest (>= 0 when any point has upper-face tension, else 0) and smallest
// (<= 0 when any point has lower-face tension, else 0) values.
struct MomentRange {
  double max = 0.0;
  double min = 0.0;
  void Include(double value) {
    if (value > max) max = value;
    if (value < min) min = value;
  }
};

struct BoardMoments {
  MomentRange spanX;               // over the span, bars along the rebar angle
  MomentRange spanY;               // over the span, bars across it
  std::vector<MomentRange> edges;  // one per board edge, in edge order
};

// One load case of the whole tank: one entry per analysed board, in the
// order of the board list the method was given.
using TankCaseMoments = std::vector<BoardMoments>;

// The loads of one load case: one PlateLoadCase per analysed board (same
// order as the board list), in that board's local frame.
using TankCaseLoads = std::vector<PlateLoadCase>;

}  // namespace tobrin
