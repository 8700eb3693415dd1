// Added bars around openings.  An opening cuts the face bars of its board;
// bars laid beside it make up for them: straight added bars along the sides
// of a small rectangular opening, side bars bound by closed ties along the
// sides of a large one, diagonal bars at the corners, and straight bars and
// rings around a circular opening.  Every bar list becomes one opening zone
// (category 6) stored with the opening.
//
// Lengths in mm.  Opening corners are board-local 2D points in order around
// the opening; bar vertices are world points on the bar layers of the faces
// (each face at its own offset from the board's reference plane, less its
// cover).
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <vector>

class OpeningReinSettings;

// The standard bar diameters, smallest first (6 to 40).
const std::vector<int>& StandardBarDiameters();

// Throws std::invalid_argument, naming the setting, unless every count of the
// opening settings is at least 1, every spacing is above 0 and each pair of
// diameters has its largest at least its smallest and the smallest at least 6.
void CheckOpeningReinSettings(const OpeningReinSettings& settings);

// Count and diameter of the added bars that carry at least `cutArea` (mm²):
// starting from `startCount` bars, the diameter is the standard size at or
// above the one that carries the area (6 at least); one below `minDiameter`
// becomes `minDiameter`; while it is above `maxDiameter` the count grows.  A
// cut area of 0 or less gives count 0.  The search is bounded; invalid
// arguments (count below 1, smallest diameter below 6, largest below
// smallest) throw std::invalid_argument.
struct OpeningBarChoice {
  int count = 0;
  int diameter = 0;
};
OpeningBarChoice ChooseOpeningBars(double cutArea, int startCount, int minDiameter, int maxDiameter);

// Anchorage length alpha·fy·d / ft of a bar of `grade` and diameter `d` in the
// board's concrete (alpha 0.14 for ribbed bars by the settings, else 0.16); 0
// when the concrete or the grade has no strength.
double OpeningAnchorage(const ReinDesignOptions& options, const Board& board, const std::string& grade, double d);

// Side bars with ties along one pair of opposite sides of a rectangle (flag
// true: the sides parallel to c1 − c0; false: parallel to c3 − c0), in both
// face layers, bound by closed ties; appended to the two lists.
void BuildOpeningReins(const BoardPtr& board, const HolePtr& hole, std::vector<_2dPoint> corners,
                       const ReinDesignOptions& options, bool flag, std::vector<ReinPtr>& sideBars,
                       std::vector<ReinPtr>& ties);

// Plain added bars along one pair of opposite sides of a rectangle, in both
// face layers, anchored by the anchorage length; appended to the list.
void BuildRectOpeningReins(const BoardPtr& board, const HolePtr& hole, std::vector<_2dPoint> corners,
                           const ReinDesignOptions& options, bool flag, std::vector<ReinPtr>& bars);

// How the two bar directions of a rectangular opening are treated: `large[0]`
// for the bars along c1 − c0, `large[1]` along c3 − c0; true takes the side
// bars with ties, false the plain added bars.  Both sides above 1000: both
// large; both at most 1000: neither.  One side above 1000: by the longer
// side, or (by the settings) by the board's extent along the lines of the two
// sides through the opening (the shorter extent takes the ties); a line that
// does not cross the outline on both sides of the opening falls back to the
// longer side.
struct RectOpeningClass {
  bool large[2] = {false, false};
};
RectOpeningClass ClassifyRectOpening(const Board& board, const std::vector<_2dPoint>& corners, bool bySideLength);
