#include "drawing/WallBarPlacement.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

_3dVector Normal(const ViewVolumn& volume) {
  _3dVector n;
  volume.GetNormal(n);
  return n;
}

_3dPoint ToView(const ViewVolumn& volume, const _3dPoint& p) {
  return g_VekGeometryComm.WorldToLocal3d(volume.m_origin, volume.m_xAxis, volume.m_yAxis, p);
}

_2dLine OrientedByPointLess(const _2dLine& line) {
  return PointLess(1e-4)(line.GetEndPoint(), line.GetStartPoint()) ? line.Reversed() : line;
}

}  // namespace

// ---------------------------------------------------------------------------
// Representative bars of the dot rows and support groups

bool IsZoneBoxOnViewPlane(const ReinZonePtr& zone, const BoardPtr& board, const _3dPoint& origin,
                          const _3dVector& xAxis, const _3dVector& yAxis) {
  if (!zone || !board) return false;
  const FramePointFunctor toBoard(board->GetOrigin(), board->GetXAxis(), board->GetYAxis());
  Extents box;
  bool any = false;
  for (const ReinPtr& bar : zone->GetReinsCopy()) {
    if (!bar) continue;
    for (const _3dPoint& v : bar->GetPolyline().GetVertices()) {
      const _3dPoint p = toBoard.Map(v);
      if (!any) {
        box.minX = box.maxX = p.x;
        box.minY = box.maxY = p.y;
        box.minZ = box.maxZ = p.z;
        any = true;
        continue;
      }
      box.minX = std::min(box.minX, p.x), box.maxX = std::max(box.maxX, p.x);
      box.minY = std::min(box.minY, p.y), box.maxY = std::max(box.maxY, p.y);
      box.minZ = std::min(box.minZ, p.z), box.maxZ = std::max(box.maxZ, p.z);
    }
  }
  if (!any) return false;
  const FrameLineFunctor toWorld(board->GetOrigin(), board->GetXAxis(), board->GetYAxis());
  const PlaneLinePredicate onPlane(origin, xAxis.CrossProduct(yAxis));
  for (const _3dLine& edge : GetBoxEdges(box))
    if (onPlane(toWorld.Map(edge))) return true;
  return false;
}

std::vector<ReinWithRecords> SelectRepresentativeReins::operator()(const ReinZoneBoards& entry) const {
  std::vector<ReinWithRecords> result;
  const ReinZonePtr& zone = entry.first;
  if (!zone) return result;
  const _3dVector normal = m_volume.m_xAxis.CrossProduct(m_volume.m_yAxis);
  bool touches = false;
  if (zone->GetCategory() == 5) {
    for (const ReinPtr& bar : zone->GetReins()) {
      if (!bar) continue;
      for (const _3dLine& s : ExplodeReinPolyline(bar->GetPolyline()))
        if (g_VekGeometryComm.IsLineOnPlane(s, m_volume.m_origin, normal)) touches = true;
    }
  } else {
    touches = !entry.second.empty() &&
              IsZoneBoxOnViewPlane(zone, entry.second.front(), m_volume.m_origin, m_volume.m_xAxis, m_volume.m_yAxis);
  }
  if (m_restrict && !touches) return result;
  try {
    Pick(entry, result);
  } catch (...) {
    // A zone too small for the run keeps the bars picked before the shortage.
  }
  return result;
}

void SelectRepresentativeReins::Pick(const ReinZoneBoards& entry, std::vector<ReinWithRecords>& out) const {
  const ReinZonePtr& zone = entry.first;
  const std::vector<ReinPtr>& bars = zone->GetReins();
  if (m_numToGet == 0 || zone->GetCategory() == 5) {
    for (std::size_t i = 0; i < bars.size(); ++i)
      out.emplace_back(bars[i], zone->GetReinSegmentRecords(static_cast<int>(i)));
    return;
  }
  _3dVector orientation;
  if (!zone->GetReinDispOrientation(orientation)) throw std::logic_error("!bGot");
  const double m = static_cast<double>(bars.size());
  const double n = static_cast<double>(m_numToGet);
  if (m < n) throw std::logic_error("reinsNum < m_numToGet");
  // The centring divides by the bar count less one: one bar has no spread.
  if (m < 2) throw std::logic_error("reinsNum < m_numToGet");
  const double s = ((m - 1) * m_ratio - (n - 1) * 0.5) / (m - 1);
  for (unsigned i = 0; i < m_numToGet; ++i) {
    const double q = ((m - 1) * s + i) / (m - 1);
    if (g_VekGeometryComm.Lessthan_Or_Equal(q, 0.0, 1e-4)) {
      throw std::logic_error("g_VekGeometryComm.Lessthan_Or_Equal(posRatioForTheReinToGet, 0.0)");
    }
    if (g_VekGeometryComm.Lessthan_Or_Equal(1.0, q, 1e-4)) {
      throw std::logic_error("g_VekGeometryComm.Lessthan_Or_Equal(1.0, posRatioForTheReinToGet)");
    }
    std::vector<ReinPtr> found;
    std::vector<std::vector<int>> records;
    GetReinAtPosRatio(1, m_tank, zone, entry.second, q, found, records);
    for (std::size_t k = 0; k < found.size(); ++k)
      out.emplace_back(found[k], k < records.size() ? records[k] : std::vector<int>());
  }
}

// ---------------------------------------------------------------------------
// Placement

double WallPlanBarRatio(const ReinZonePtr& zone) {
  _3dVector o;
  if (!zone || !zone->GetReinDispOrientation(o)) return 0.5;
  return o.GetAngleTo(_3dVector(0, 0, 1)) < 0.5 * g_Pi ? 0.99 : 0.01;
}

double ReinZonePosRatio::operator()(const ReinZonePtr& zone) const {
  try {
    if (!zone) throw std::logic_error("");
    std::vector<_3dPoint> starts, ends;
    for (const ReinPtr& bar : zone->GetReinsCopy()) {
      if (!bar || bar->GetPolyline().VerNums() < 1) continue;
      const _2dPolyline& line = bar->GetPolyline();
      starts.push_back(line.GetVertexAt(0));
      ends.push_back(line.GetVertexAt(line.VerNums() - 1));
    }
    const _3dVector normal = Normal(m_volume);
    const std::vector<_3dPoint>* used = nullptr;
    _3dPoint c;
    for (const std::vector<_3dPoint>* list : {&starts, &ends}) {
      for (std::size_t i = 0; !used && i + 1 < list->size(); ++i) {
        const _3dLine s((*list)[i], (*list)[i + 1]);
        if (!g_VekGeometryComm.IsLineOnPlane(s, m_volume.m_origin, normal)) continue;
        if (!g_VekGeometryComm.IntersectLinePlane(s, m_volume.m_origin, normal, c)) continue;
        used = list;
      }
      if (used) break;
    }
    if (!used) throw std::logic_error("");
    _3dVector o;
    if (!zone->GetReinDispOrientation(o)) throw std::logic_error("");
    const _3dPoint first = used->front(), last = used->back();
    _3dPoint q1, q2;
    if (!g_VekGeometryComm.IntersectLinePlane(c, c + o, first, o, q1)) throw std::logic_error("");
    if (!g_VekGeometryComm.IntersectLinePlane(last, last + o, first, o, q2)) throw std::logic_error("");
    const double d1 = g_VekGeometryComm.Distance3d(c, q1);
    const double d2 = g_VekGeometryComm.Distance3d(last, q2);
    if (g_VekGeometryComm.Equal(d2, 0.0, 1e-4)) throw std::logic_error("");
    return d1 / d2;
  } catch (...) {
    return 0.0;
  }
}

ReinViewLocation LocateReinInView::operator()(const ReinWithRecords& bar) const {
  ReinViewLocation result;
  if (!bar.first) return result;
  const _3dVector normal = Normal(m_volume);
  const std::vector<_3dLine> segments = ExplodePolyline(bar.first->GetPolyline());
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const _3dLine& s = segments[i];
    _3dPoint world;
    if (m_onPlane) {
      if (!g_VekGeometryComm.IsLineOnPlane(s, m_volume.m_origin, normal)) continue;
      if (!g_VekGeometryComm.IntersectLinePlane(s, m_volume.m_origin, normal, world)) continue;
    } else {
      // A plan sees end on the segments running along its direction.
      if (!g_VekGeometryComm.IsParallel3d(s, normal)) continue;
      world = s.GetMidPoint();
    }
    const _3dPoint local = ToView(m_volume, world);
    result.found = true;
    result.world = world;
    result.point.model = local;
    result.point.drawn = _2dPoint(local.x, local.y);
    result.point.value = i < bar.second.size() ? bar.second[i] : 0;
    return result;
  }
  return result;
}

void FitCornerDot::operator()(_2dPoint& p) const {
  const std::size_t n = std::min({m_located.size(), m_corner.size(), m_normal.size()});
  std::vector<std::size_t> on;
  for (std::size_t i = 0; i < n; ++i) {
    if (!g_VekGeometryComm.IsPointOnLine(m_located[i], p, g_DefaultTolerance)) continue;
    const bool repeats = std::any_of(on.begin(), on.end(), [&](std::size_t j) {
      return g_VekGeometryComm.IsParallel(m_located[j], m_located[i]);
    });
    if (!repeats) on.push_back(i);
  }
  if (on.size() != 2) return;
  _2dPoint k;
  if (!g_VekGeometryComm.IntersectLines(m_corner[on[0]], m_corner[on[1]], k, g_DefaultTolerance)) return;
  // Each normal points from the bar toward its face line: the dot sits
  // between the drawn bars and the faces, as the dots of the outer layer do,
  // touching both bars.
  _2dVector normals[2];
  for (int j = 0; j < 2; ++j) {
    const _2dLine& c = m_normal[on[j]];
    _2dVector v = c.GetDirection();
    const bool right = g_VekGeometryComm.IsClockwise(c.GetStartPoint(), c.GetEndPoint(), m_located[on[j]].GetMidPoint());
    v.Rotate(right ? 0.5 * g_Pi : -0.5 * g_Pi);
    normals[j] = v.GetUnitVector(g_DefaultTolerance);
  }
  const _2dVector u = (normals[0] + normals[1]).GetUnitVector(g_DefaultTolerance);
  const double theta = normals[0].GetAngleTo(normals[1]);
  const double unit = GetDrawingUnit();
  const double dot = unit * GetReinDotSize(), width = unit * GetReinLineWidth();
  const double distance =
      g_VekGeometryComm.Lessthan(theta, g_Pi, 1e-4) ? (dot + width) * 0.5 / std::cos(theta * 0.5) : 0.0;
  p = k + u * distance;
}

bool ComputeLabelLeader(const _2dPoint& p, std::vector<_2dLine> lines, const std::vector<_2dLine>& marked,
                        double extra, double reach, bool withMark, double factor, _2dVector& r, double& d,
                        _2dVector& s) {
  if (lines.empty()) return false;
  const VekGeometryComm& g = g_VekGeometryComm;
  const auto nearEnd = [&](const _2dLine& l) {
    const _2dPoint f = g.GetPerpendicularFootByDirection(p, l.GetStartPoint(), l.GetDirection());
    return g.Lessthan(g.DistancePointToLine(p, l), reach, 1e-4) &&
           (g.Lessthan(g.Distance(f, l.GetStartPoint()), reach, 1e-4) ||
            g.Lessthan(g.Distance(f, l.GetEndPoint()), reach, 1e-4));
  };
  const auto footOn = [&](const _2dLine& l) {
    return g.IsPointOnSegment(l, g.GetPerpendicularFootByDirection(p, l.GetStartPoint(), l.GetDirection()),
                              g_DefaultTolerance);
  };
  std::vector<_2dLine> candidates;
  for (const _2dLine& l : lines)
    if (nearEnd(l) && footOn(l)) candidates.push_back(l);
  const double m = withMark ? GetReinMarkSize() * 0.5 : 0.0;
  const double gap = GetDrawingUnit() * (m + 1.0);
  const auto extraOf = [&](const _2dLine& l) {
    return std::any_of(marked.begin(), marked.end(), SameLinePredicate(l)) ? extra * factor : 0.0;
  };
  // The leader runs from P square across L and ends the gap beyond it, out
  // of the concrete.
  const auto across = [&](const _2dLine& l, const _2dPoint& awayFrom) {
    const _2dPoint f = g.GetPerpendicularFoot(p, l);
    _2dVector v = f - p;
    if (g.Equal(v.GetLength(), 0.0, 1e-4)) {
      v = l.GetDirection();
      v.Rotate(g.IsClockwise(l.GetStartPoint(), l.GetEndPoint(), awayFrom) ? 0.5 * g_Pi : -0.5 * g_Pi);
    }
    return v;
  };
  if (candidates.size() == 2 && !g.IsParallel(candidates[0], candidates[1])) {
    const bool firstLess = !LessLine()(candidates[1], candidates[0]);
    const _2dLine l = OrientedByPointLess(firstLess ? candidates[0] : candidates[1]);
    const _2dLine mline = OrientedByPointLess(firstLess ? candidates[1] : candidates[0]);
    const _2dPoint farM = g.Distance(mline.GetStartPoint(), p) > g.Distance(mline.GetEndPoint(), p)
                              ? mline.GetStartPoint()
                              : mline.GetEndPoint();
    r = across(l, farM);
    d = g.DistancePointToLine(p, l) + gap + extraOf(l);
    // The label runs along L away from the corner the two lines make.
    _2dPoint k;
    s = l.GetDirection();
    if (g.IntersectLines(l, mline, k, g_DefaultTolerance)) {
      const _2dPoint farL = g.Distance(l.GetStartPoint(), k) > g.Distance(l.GetEndPoint(), k) ? l.GetStartPoint()
                                                                                               : l.GetEndPoint();
      s = farL - k;
    }
    return true;
  }
  if (candidates.size() == 2) {
    const _2dLine l = OrientedByPointLess(candidates[0]);
    r = across(l, p);
    d = g.DistancePointToLine(p, l) + gap + extraOf(l);
    s = l.GetDirection();
    return true;
  }
  // Any other number: the least candidate, or without one the nearest line.
  _2dLine l;
  if (!candidates.empty()) {
    l = *std::min_element(candidates.begin(), candidates.end(), LessLine());
  } else {
    l = *std::min_element(lines.begin(), lines.end(), [&](const _2dLine& a, const _2dLine& b) {
      return g.DistancePointToLine(p, a) < g.DistancePointToLine(p, b);
    });
  }
  l = OrientedByPointLess(l);
  r = across(l, p);
  d = g.DistancePointToLine(p, l) + gap;
  s = l.GetDirection();
  return true;
}
