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

#include <vector>

namespace tobrin {

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
