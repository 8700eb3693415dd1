#include "drawing/SectionLineGeometry.h"

#include <algorithm>
#include <stdexcept>

std::vector<boost::shared_ptr<_2dLine>> GetDrawnOutlineLines(const TankView& view, const ObjectPtr& object) {
  std::vector<boost::shared_ptr<_2dLine>> lines;
  EntityList entities;
  if (!view.GetObjectEntities(object, entities)) return lines;
  for (const EntityPtr& e : entities) {
    if (view.GetEntityKind(e) != kKindBoardOutline) continue;
    if (auto line = boost::dynamic_pointer_cast<_2dLine>(e)) lines.push_back(line);
  }
  return lines;
}

namespace {

// Lines by the distance of their midpoints from a point.
struct LineNearer {
  _2dPoint m;
  bool operator()(const boost::shared_ptr<_2dLine>& a, const boost::shared_ptr<_2dLine>& b) const {
    return g_VekGeometryComm.Lessthan(g_VekGeometryComm.DistanceWithTolerance(a->GetMidPoint(), m),
                                      g_VekGeometryComm.DistanceWithTolerance(b->GetMidPoint(), m), 1e-4);
  }
};

}  // namespace

std::pair<bool, _2dLine> BarLineProjector::operator()(const _3dLine& segment, const BoardPtr& board) const {
  const VekGeometryComm& g = g_VekGeometryComm;
  const auto toDrawing = [&](const _3dPoint& p) {
    const _3dPoint v = g.WorldToLocal3d(m_volume.m_origin, m_volume.m_xAxis, m_volume.m_yAxis, p);
    return _2dPoint(v.x, v.y);
  };
  _2dLine c(toDrawing(segment.GetStartPoint()), toDrawing(segment.GetEndPoint()));
  c.Scale(m_factor);
  c.Move(m_placement);
  if (!board) return {false, c};
  const _3dPoint mid = g.WorldToLocal3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(), segment.GetMidPoint());
  const bool side = mid.z > 0.0;
  const EntityList* drawn = m_entities ? m_entities->Find(board) : nullptr;
  if (!drawn) return {false, c};
  std::vector<boost::shared_ptr<_2dLine>> lines;
  for (const EntityPtr& e : *drawn)
    if (auto l = boost::dynamic_pointer_cast<_2dLine>(e)) lines.push_back(l);
  const auto acceptedEnd = std::partition(lines.begin(), lines.end(), LineSelectPredicate(c));
  const std::size_t n = static_cast<std::size_t>(acceptedEnd - lines.begin());
  if (n == 0) return {false, c};
  std::vector<_2dPoint> points;
  for (const auto& l : lines) points.push_back(l->GetStartPoint());
  for (const auto& l : lines) points.push_back(l->GetEndPoint());
  const auto oriented = [&](_2dLine z) {
    const PointLinePredicate right(z);
    if (std::none_of(points.begin(), points.end(), [&](const _2dPoint& p) { return right(p); })) z = z.Reversed();
    return z;
  };
  if (n == 1) {
    const PointLinePredicate right(c);
    const auto k = std::count_if(points.begin(), points.end(), [&](const _2dPoint& p) { return right(p); });
    if (k == 0 || static_cast<std::size_t>(k) == points.size()) return {false, c};
    return {true, oriented(*lines.front())};
  }
  const auto groupEnd = std::partition(lines.begin(), acceptedEnd, LinePairPredicate(*lines.front()));
  if (groupEnd == acceptedEnd) return {true, oriented(*lines.front())};
  const LineNearer nearer{c.GetMidPoint()};
  const _2dLine a = **std::min_element(lines.begin(), groupEnd, nearer);
  const _2dLine b = **std::min_element(groupEnd, acceptedEnd, nearer);
  _2dVector v = a.GetDirection();
  v.Rotate(0.5 * g_Pi);
  _2dPoint foot;
  g.IntersectLines(b, _2dLine(a.GetStartPoint(), a.GetStartPoint() + v), foot, g_DefaultTolerance);
  const _2dVector d = foot - a.GetStartPoint();
  const _3dPoint o = g.WorldToLocal3d(m_volume.m_origin, m_volume.m_xAxis, m_volume.m_yAxis, _3dPoint(0, 0, 0));
  const _3dPoint tip =
      g.WorldToLocal3d(m_volume.m_origin, m_volume.m_xAxis, m_volume.m_yAxis, _3dPoint(0, 0, 0) + board->GetNormal());
  const _2dVector nv(tip.x - o.x, tip.y - o.y);
  _2dLine chosen, other;
  const double angle = nv.GetAngleTo(d);
  if (g.Equal(nv.GetLength(), 0.0, 1e-4) || g.Equal(d.GetLength(), 0.0, 1e-4) ||
      (!g.Equal(angle, 0.0, 1e-4) && !g.Equal(angle, g_Pi, 1e-4))) {
    const bool nearerA = g.Lessthan(g.DistancePointToLine(c.GetStartPoint(), a),
                                    g.DistancePointToLine(c.GetStartPoint(), b), 1e-4);
    chosen = nearerA ? a : b;
    other = nearerA ? b : a;
  } else if (g.Equal(angle, 0.0, 1e-4)) {
    chosen = side ? b : a;
    other = side ? a : b;
  } else {
    chosen = side ? a : b;
    other = side ? b : a;
  }
  if (!g.IsClockwise(chosen.GetStartPoint(), chosen.GetEndPoint(), other.GetStartPoint())) chosen = chosen.Reversed();
  return {true, chosen};
}

bool BoardAlongLineLess::operator()(const ObjectPtr& a, const ObjectPtr& b) const {
  const auto la = GetDrawnOutlineLines(*m_view, a);
  const auto lb = GetDrawnOutlineLines(*m_view, b);
  if (la.size() != 2 || lb.size() != 2) {
    throw std::logic_error("sectionLines1.size() != 2 || sectionLines2.size() != 2");
  }
  _2dPoint pa, pb;
  g_VekGeometryComm.IntersectLines(m_reference, *la.front(), pa, g_DefaultTolerance);
  g_VekGeometryComm.IntersectLines(m_reference, *lb.front(), pb, g_DefaultTolerance);
  const _2dPoint s = m_reference.GetStartPoint();
  return g_VekGeometryComm.Lessthan(g_VekGeometryComm.Distance(s, pa), g_VekGeometryComm.Distance(s, pb), 1e-4);
}

std::pair<bool, EarPtr> FindZoneEar(const Tank& tank, const ReinZonePtr& zone, const std::vector<BoardPtr>& boards) {
  std::vector<BoardJointPtr> joints;
  for (std::size_t i = 0; i < boards.size(); ++i) {
    for (std::size_t j = i + 1; j < boards.size(); ++j) {
      BoardJointPtr joint;
      if (tank.FindJoint(boards[i], boards[j], joint) && joint) joints.push_back(joint);
    }
  }
  for (const BoardJointPtr& joint : joints) {
    EarPtr ears[2];
    GetJointEar(joint, ears[0]);
    GetJointOverhangEar(joint, ears[1]);
    for (const EarPtr& ear : ears) {
      if (!ear) continue;
      const auto& zones = ear->GetZones();
      if (std::find(zones.begin(), zones.end(), zone) != zones.end()) return {true, ear};
    }
  }
  return {false, EarPtr()};
}

bool BoardLineFilter::operator()(const _3dLine& line) const {
  std::vector<BoardPtr> boards = m_boards;
  const auto end = std::partition(boards.begin(), boards.end(), LineOnBoardTest(line));
  if (end == boards.begin()) return false;
  return std::any_of(boards.begin(), end, LineWithinBoardTest(line));
}
