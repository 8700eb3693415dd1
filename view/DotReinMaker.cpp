#include "view/DotReinMaker.h"

#include "drawing/SectionLineGeometry.h"
#include "drawing/WallBarPlacement.h"
#include "view/ReinLabel.h"

#include <boost/make_shared.hpp>

#include <algorithm>

DotReinMaker::DotReinMaker(TankView* view, bool fixedRatio, std::vector<boost::shared_ptr<_2dLine>> sectionLines,
                           AcadViewBoard* board, double drawFactor, const _3dVector& offset, Tank* tank,
                           std::vector<_2dLine> extraOffsetLines, double extraLabelOffset)
    : m_view(view),
      m_bFixedRatio(fixedRatio),
      m_sectionLines(std::move(sectionLines)),
      m_pBoard(board),
      m_drawFactor(drawFactor),
      m_offset(offset),
      m_pTank(tank),
      m_extraOffsetLines(std::move(extraOffsetLines)),
      m_extraLabelOffset(extraLabelOffset) {}

DotReinPtr DotReinMaker::operator()(ReinZoneBoards entry, ReinLabelOption& option) const {
  const ReinZonePtr zone = entry.first;
  if (!zone) return DotReinPtr();
  const VekGeometryComm& g = g_VekGeometryComm;
  const double u = GetDrawingUnit();
  ViewVolumn volume;
  m_view->GetViewVolumn(volume);
  const std::vector<ReinWithRecords> reps = SelectRepresentativeReins(3, volume, 0.5, m_bFixedRatio, m_pTank)(entry);
  if (reps.size() < 2) return DotReinPtr();

  std::vector<ReinViewLocation> places;
  const LocateReinInView locate(volume, m_bFixedRatio);
  for (const ReinWithRecords& rep : reps) places.push_back(locate(rep));
  if (places.size() < 2) return DotReinPtr();
  if (std::any_of(places.begin(), places.end(), [](const ReinViewLocation& l) { return !l.found; }))
    return DotReinPtr();

  std::vector<_2dPoint> points;
  for (const ReinViewLocation& l : places) {
    _2dPoint p = l.point.drawn;
    p.Scale(m_drawFactor);
    p.Move(m_offset);
    points.push_back(p);
  }
  const _2dLine chord(points.front(), points.back());
  const _3dLine chord3(places.front().world, places.back().world);

  // The face line of the wall holding the row, else the chord itself.
  _2dLine h = chord;
  const auto holder = std::find_if(entry.second.begin(), entry.second.end(), [&](const BoardPtr& b) {
    return PointOnBoardTest(chord3.GetStartPoint())(b) && PointOnBoardTest(chord3.GetEndPoint())(b);
  });
  if (holder != entry.second.end()) {
    if (!m_viewEntities) {
      auto copy = boost::make_shared<ObjectEntityMap>();
      m_view->GetObjectEntityMap(*copy);
      m_viewEntities = copy;
    }
    h = BarLineProjector(m_viewEntities, volume, m_drawFactor, m_offset)(chord3, *holder).second;
  }
  // The row lies on the left of the face line, in the concrete.
  if (g.IsClockwise(h.GetStartPoint(), h.GetEndPoint(), chord.GetMidPoint())) h = h.Reversed();

  const double gap = GetReinGap() * u;
  const double off = places.front().point.value == 1 ? GetReinDotSize() * u * 0.5 + gap
                                                      : GetReinLineWidth() * u + GetReinDotSize() * u * 0.5 + gap;
  _2dVector shift = h.GetDirection();
  shift.Rotate(0.5 * g_Pi);
  shift = shift.GetUnitVector(g_DefaultTolerance) * off;
  _2dVector along(0, 0);
  _2dPoint x;
  if (g.IntersectLinesByPoints(points.front(), points.front() + shift, h.GetStartPoint(), h.GetEndPoint(), x,
                               g_DefaultTolerance)) {
    along = x - points.front();
  }
  std::for_each(points.begin(), points.end(), TranslateFunctor(shift + along));

  // Label: from the foot of the face line's middle on the row, square
  // toward the face line, crossing it.
  _2dPoint s = points.front(), e = points.back();
  if (!PointLess(1e-4)(s, e)) std::swap(s, e);
  const _2dPoint hm = h.GetMidPoint();
  const _2dPoint foot = g.GetPerpendicularFootByDirection(hm, s, e - s);
  _2dVector t = e - s;
  t.Rotate(g.IsClockwise(s, e, hm) ? -0.5 * g_Pi : 0.5 * g_Pi);
  const bool extraLine = std::any_of(m_extraOffsetLines.begin(), m_extraOffsetLines.end(), SameLinePredicate(h));
  const double extra = extraLine ? m_extraLabelOffset * m_drawFactor : 0.0;
  const double halfMark = option.withMark ? GetReinMarkSize() * 0.5 : 0.0;
  const double d = (halfMark + 1.0) * u + g.DistancePointToLine(foot, h) + extra;

  const _2dPoint centre = foot + (e - s).GetUnitVector(g_DefaultTolerance) * (chord.GetLength() * 0.5 + 3.0 * u);
  auto row = boost::make_shared<DotReinEntity>(centre, e - s, static_cast<unsigned>(points.size()),
                                               static_cast<int>(zone->GetSpacing() * m_drawFactor));
  const ReinPtr& first = reps.front().first;
  row->AddLabel(zone->GetNumber(),
                FormatReinText(2, GetReinGradeIndex(first->GetGrade()), first->GetDiameter(), zone->GetSpacing(), 0),
                t, d, m_pBoard, option.withMark, option.withText, m_drawFactor, false, _2dVector(0, 0));
  return row;
}
