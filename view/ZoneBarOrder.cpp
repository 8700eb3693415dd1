#include "view/ZoneBarOrder.h"

#include "view/DrawingRoutines.h"

#include <stdexcept>

std::vector<boost::shared_ptr<_2dPolyline>> GetDrawnLines(const ZoneBarMap& bars, const ReinZonePtr& zone) {
  std::vector<boost::shared_ptr<_2dPolyline>> lines;
  const auto it = bars.find(zone);
  if (it == bars.end()) return lines;
  for (const LineReinPtr& bar : it->second) {
    if (!bar) continue;
    const auto line = bar->GetReinLine();
    if (line && line->VerNums() >= 2) lines.push_back(line);
  }
  return lines;
}

namespace {

_2dLine FirstMainSegment(const ZoneBarMap& bars, const ReinZonePtr& zone) {
  const auto lines = GetDrawnLines(bars, zone);
  if (lines.empty()) throw std::logic_error("no drawn bar line in ZoneBarInterceptLess");
  return GetReinMainSegment(lines.front());
}

}  // namespace

bool ZoneBarInterceptLess::operator()(const ReinZonePtr& a, const ReinZonePtr& b) const {
  _2dLine sa = FirstMainSegment(*m_bars, a);
  const _2dLine sb = FirstMainSegment(*m_bars, b);
  if (!PointLess(1e-4)(sa.GetStartPoint(), sa.GetEndPoint())) sa = sa.Reversed();
  const double angle = sa.GetDirection().GetAngle();
  const VekGeometryComm& g = g_VekGeometryComm;
  // Bars within 45 degrees of horizontal, also those running a hair below
  // it (an angle just under 2π), are ordered along the y axis.
  const bool flat = (g.Greaterthan_Or_Equal(angle, 0.0, 1e-4) && g.Lessthan(angle, 0.25 * g_Pi, 1e-4)) ||
                    g.Greaterthan(angle, 1.75 * g_Pi, 1e-4);
  const _2dLine axis = flat ? _2dLine(_2dPoint(0, 0), _2dPoint(0, 1)) : _2dLine(_2dPoint(0, 0), _2dPoint(1, 0));
  _2dPoint pa, pb;
  g.IntersectLines(sa, axis, pa);
  g.IntersectLines(sb, axis, pb);
  return flat ? pb.y > pa.y : pb.x > pa.x;
}

bool ZoneBarsOverlapTest::operator()(const ReinZonePtr& other) const {
  const auto mine = GetDrawnLines(*m_bars, m_zone);
  const auto theirs = GetDrawnLines(*m_bars, other);
  for (const auto& e : mine) {
    const _2dLine me = GetReinMainSegment(e);
    for (const auto& t : theirs) {
      const _2dLine mt = GetReinMainSegment(t);
      if (g_VekGeometryComm.IsParallel(me, mt) && SegmentsOverlap(me, mt, 2.0 / 3.0)) return true;
    }
  }
  return false;
}
