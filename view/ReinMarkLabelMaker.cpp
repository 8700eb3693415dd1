#include "view/ReinMarkLabelMaker.h"

#include "drawing/WallBarPlacement.h"
#include "view/ReinLabel.h"

#include <boost/make_shared.hpp>

#include <algorithm>

ReinMarkLabelMaker::ReinMarkLabelMaker(TankView* view, bool fixedRatio, std::vector<_2dLine> labelLines,
                                       std::vector<_2dLine> extraOffsetLines, double extraLabelOffset,
                                       AcadViewBoard* board, double drawFactor, const _3dVector& offset,
                                       double wallThickness, std::vector<_2dLine> barSegments,
                                       std::vector<_2dLine> matingLines, const std::vector<_2dLine>* drawnSegments)
    : m_view(view),
      m_bFixedRatio(fixedRatio),
      m_labelLines(std::move(labelLines)),
      m_extraOffsetLines(std::move(extraOffsetLines)),
      m_extraLabelOffset(extraLabelOffset),
      m_pBoard(board),
      m_drawFactor(drawFactor),
      m_offset(offset),
      m_wallThickness(wallThickness),
      m_barSegments(std::move(barSegments)),
      m_matingLines(std::move(matingLines)),
      m_pDrawnSegments(drawnSegments) {}

DotReinPtr ReinMarkLabelMaker::operator()(ReinZoneBoards entry, const ReinLabelOption& option) const {
  const ReinZonePtr zone = entry.first;
  if (!zone) return DotReinPtr();
  ViewVolumn volume;
  m_view->GetViewVolumn(volume);
  Tank empty;
  const std::vector<ReinWithRecords> reps = SelectRepresentativeReins(0, volume, 0.0, m_bFixedRatio, &empty)(entry);
  std::vector<ReinViewLocation> places;
  const LocateReinInView locate(volume, m_bFixedRatio);
  for (const ReinWithRecords& rep : reps) places.push_back(locate(rep));
  if (places.empty() ||
      std::any_of(places.begin(), places.end(), [](const ReinViewLocation& l) { return !l.found; })) {
    return DotReinPtr();
  }
  const FitCornerDot corner(m_barSegments, m_pDrawnSegments ? *m_pDrawnSegments : std::vector<_2dLine>(),
                            m_matingLines);
  std::vector<_2dPoint> points;
  for (const ReinViewLocation& l : places) {
    _2dPoint p = l.point.drawn;
    p.Scale(m_drawFactor);
    p.Move(m_offset);
    corner(p);
    points.push_back(p);
  }
  auto dots = boost::make_shared<DotReinEntity>(points);
  const _2dPoint anchor = g_VekGeometryComm.GetCenter(dots->GetDotCenters());
  _2dVector direction(1, 0), textDirection(1, 0);
  double length = 0.0;
  if (!ComputeLabelLeader(anchor, m_labelLines, m_extraOffsetLines, m_extraLabelOffset,
                          m_wallThickness * m_drawFactor, option.withMark, m_drawFactor, direction, length,
                          textDirection)) {
    return dots;  // nothing to lead the label clear of: the dots alone
  }
  const ReinPtr& first = reps.front().first;
  dots->AddLabel(zone->GetNumber(),
                 FormatReinText(1, GetReinGradeIndex(first->GetGrade()), first->GetDiameter(), zone->GetSpacing(),
                                static_cast<int>(points.size())),
                 direction, length, m_pBoard, option.withMark, option.withText, m_drawFactor, true, textDirection);
  return dots;
}
