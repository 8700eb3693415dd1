// The bars that represent a rebar zone on a drawing: the bar at a position
// ratio across the zone (0 at its first bar, 1 at its last), interpolated
// between two neighbouring bars or, on boards with items, laid again by the
// rebar engine; and the one bar of the slab and wall bar lines, the ratio
// counted from the side the zone's display orientation gives.
#pragma once

#include "platform/Quenby.h"
#include "view/DrawingRoutines.h"
#include "view/FiledClasses.h"

#include <utility>
#include <vector>

// A bar with one layer record per straight segment.
using ReinWithRecords = std::pair<ReinPtr, std::vector<int>>;

// Appends the bar (or bars) at ratio q across the zone and one record list
// per bar.  A zone without bars gives none.  The re-laying path (some board
// of the list has items) throws std::logic_error with an empty text when the
// zone's spread across its bars cannot be measured.
void GetReinAtPosRatio(int mode, Tank* tank, const ReinZonePtr& zone, const std::vector<BoardPtr>& boards, double q,
                       std::vector<ReinPtr>& bars, std::vector<std::vector<int>>& records);

// The one bar at the ratio for the drawn bar lines.  With `ratioAsGiven` the
// ratio is used as it is; otherwise it is folded (1 − ratio) when the zone's
// orientation, seen in the view, points outside [π/4, 5π/4).  A zone
// without orientation, a ratio outside [0, 1], or a lookup that gives no
// usable bar give an empty result; the lookup's errors pass to the caller.
//
// With `piecesAsLaid` (the wall drawings), bars interrupted by an opening,
// stored as pieces at one place across the zone, are not interpolated into
// one: the ratio runs over the places, and a place of pieces near it gives
// its pieces as laid (boards without items only).
class SelectRepresentativeSlabReins {
 public:
  SelectRepresentativeSlabReins(const ViewVolumn& volume, double ratio, Tank* tank, bool ratioAsGiven,
                                bool piecesAsLaid = false)
      : m_ratioAsGiven(ratioAsGiven), m_piecesAsLaid(piecesAsLaid), m_volume(volume), m_ratio(ratio), m_tank(tank) {}
  std::vector<ReinWithRecords> operator()(const ReinZoneBoards& entry) const;

 private:
  bool m_ratioAsGiven;
  bool m_piecesAsLaid;
  ViewVolumn m_volume;
  double m_ratio;
  Tank* m_tank;
};

// The segment runs in the board's concrete: both ends between its faces
// (within 1 mm).  Bars lie on their bar planes, a cover inside a face, not
// on the board's reference plane, where the plane test of the structural
// model (LineOnBoardTest, within 1 mm of the plane) would not see them.
struct SegmentInBoardConcrete {
  explicit SegmentInBoardConcrete(const _3dLine& s) : segment(s) {}
  bool operator()(const BoardPtr& board) const;
  _3dLine segment;
};

// A 3D segment lying in one of the boards (both ends between its faces)
// and within its outline.
class SegmentOnZoneBoards {
 public:
  explicit SegmentOnZoneBoards(std::vector<BoardPtr> boards) : m_boards(std::move(boards)) {}
  bool operator()(const _3dLine& segment) const;

 private:
  std::vector<BoardPtr> m_boards;
};
