// The dot rows of the wall drawings: the bars of a wall face zone that the
// drawing plane sees end on (the vertical bars in the wall plan, the
// horizontal bars in a wall section) as a row of filled dots beside the face
// line of their wall, with one label whose leader crosses that face line.
// Applied zone by zone with the zone's label option; it builds the row and
// never registers or shows it.
#pragma once

#include "view/DotReinEntity.h"
#include "view/DrawingRoutines.h"
#include "view/TankView.h"

#include <vector>

class DotReinMaker {
 public:
  DotReinMaker(TankView* view, bool fixedRatio, std::vector<boost::shared_ptr<_2dLine>> sectionLines,
               AcadViewBoard* board, double drawFactor, const _3dVector& offset, Tank* tank,
               std::vector<_2dLine> extraOffsetLines, double extraLabelOffset);

  // The zone's row, or null when the zone gives none (no zone, fewer than
  // two representative bars, a bar not seen in the view).
  DotReinPtr operator()(ReinZoneBoards entry, ReinLabelOption& option) const;

 private:
  TankView* m_view;
  bool m_bFixedRatio;
  std::vector<boost::shared_ptr<_2dLine>> m_sectionLines;
  AcadViewBoard* m_pBoard;
  double m_drawFactor;
  _3dVector m_offset;
  Tank* m_pTank;
  std::vector<_2dLine> m_extraOffsetLines;
  double m_extraLabelOffset;
  // The view's registry, copied once for every row of the drawing.
  mutable boost::shared_ptr<const ObjectEntityMap> m_viewEntities;
};
