// The support (corner) bars of a junction in the wall drawings: one dot per
// bar where it meets the drawing, moved into the corner of the wall bars
// drawn beside it, and one label with the bar count, grade and diameter.
// Applied zone by zone after the wall bars are built; builds the dots and
// never registers or shows them.
#pragma once

#include "view/DotReinEntity.h"
#include "view/DrawingRoutines.h"
#include "view/TankView.h"

#include <vector>

class ReinMarkLabelMaker {
 public:
  ReinMarkLabelMaker(TankView* view, bool fixedRatio, std::vector<_2dLine> labelLines,
                     std::vector<_2dLine> extraOffsetLines, double extraLabelOffset, AcadViewBoard* board,
                     double drawFactor, const _3dVector& offset, double wallThickness,
                     std::vector<_2dLine> barSegments, std::vector<_2dLine> matingLines,
                     const std::vector<_2dLine>* drawnSegments);

  // The zone's dots, or null when some bar of the zone is not seen.
  DotReinPtr operator()(ReinZoneBoards entry, const ReinLabelOption& option) const;

 private:
  TankView* m_view;
  bool m_bFixedRatio;
  std::vector<_2dLine> m_labelLines;
  std::vector<_2dLine> m_extraOffsetLines;
  double m_extraLabelOffset;
  AcadViewBoard* m_pBoard;
  double m_drawFactor;
  _3dVector m_offset;
  double m_wallThickness;
  std::vector<_2dLine> m_barSegments;
  std::vector<_2dLine> m_matingLines;
  const std::vector<_2dLine>* m_pDrawnSegments;
};
