// Layer flags of bar segments.  The two bar layers of a board face cross; a
// layer flag (0 or 1) tells on which of them a bar lies.  A bent bar (a joint
// bar turning from one board into another, a haunch bar) runs through several
// layers, so after the design every segment of every bar gets the flag of the
// face zone whose bars run along it on the board the segment lies on.
#pragma once

#include "platform/Quenby.h"

#include <vector>

// The face zone of the board whose bars run along the segment (the zone's
// spread direction makes an angle in [π/4, 3π/4) with the segment), on the
// side of the board where the segment's midpoint lies: the lower face zones
// when its local z is below 0 by more than 1e-4, else the upper ones.  The
// first such zone of the list; empty when none.
ReinZonePtr FindCrossingFaceZone(const BoardPtr& board, const _3dLine& segment);

// One layer flag per segment of a bar: the segment's board is looked up among
// the candidate boards (the board carrying it, or the board it reaches across
// a candidate's edge, as SectionBoardFinder finds it); the flag of that
// board's face zone along the segment, else the default flag.  A segment
// the finder places on no board takes the first candidate whose concrete
// holds it (both ends between the faces, its midpoint over the outline):
// bars lie on bar layers, off the boards' reference planes.  `category` is
// the category of the bar's zone (haunch bars name only boards that carry a
// segment).
class SegmentLayerMapper {
 public:
  SegmentLayerMapper(const Tank& tank, const std::vector<BoardPtr>& candidates, int defaultFlag, int category = 0)
      : m_tank(tank), m_candidates(candidates), m_defaultFlag(defaultFlag), m_category(category) {}

  std::vector<int> operator()(const ReinPtr& bar) const;

 private:
  const Tank& m_tank;
  const std::vector<BoardPtr>& m_candidates;
  int m_defaultFlag;
  int m_category;
};

// Gives every bar of a zone its segment layer flags from the boards the zone
// belongs to.  The default flag of a segment is 1 for a haunch zone and the
// zone's own flag otherwise; support rebar zones keep their flags.
class SegmentLayerFlagPass {
 public:
  explicit SegmentLayerFlagPass(const Tank& tank) : m_tank(tank) {}

  void operator()(const ReinZonePtr& zone, const std::vector<BoardPtr>& boards) const;

 private:
  const Tank& m_tank;
};
