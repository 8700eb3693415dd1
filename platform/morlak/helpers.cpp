#include "platform/morlak/helpers.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

// Copies the drawing properties (layer, colour, line type, weight) of one
// entity onto another of a different class.
void CopyProperties(Entity& to, const Entity& from) {
  to.SetLayer(from.GetLayer());
  to.SetColorIndex(from.GetColorIndex());
  to.SetLinetype(from.GetLinetype());
  to.SetLinetypeScale(from.GetLinetypeScale());
  to.SetLineWeight(from.GetLineWeight());
}

// The index pairs of a polyline's segments, the closing one included.
std::vector<std::pair<int, int>> SegmentEnds(const _2dPolyline& polyline) {
  std::vector<std::pair<int, int>> ends;
  const int n = polyline.VerNums();
  if (n < 2) return ends;
  for (int i = 0; i + 1 < n; ++i) ends.emplace_back(i, i + 1);
  if (polyline.IsClosed()) ends.emplace_back(n - 1, 0);
  return ends;
}

bool HasLength(const _2dLine& line) { return !(line.GetStartPoint() == line.GetEndPoint()); }

}  // namespace

// ---------------------------------------------------------------------------
// Polylines into lines

std::vector<_3dLine> ExplodePolyline(const _2dPolyline& polyline) {
  std::vector<_3dLine> lines;
  const std::vector<_3dPoint>& v = polyline.GetVertices();
  for (auto [i, j] : SegmentEnds(polyline)) {
    lines.emplace_back(v[i], v[j]);
    CopyProperties(lines.back(), polyline);
  }
  return lines;
}

std::vector<_2dLine> ExplodePolylineTo2d(const _2dPolyline& polyline) {
  std::vector<_2dLine> lines;
  const std::vector<_3dPoint>& v = polyline.GetVertices();
  for (auto [i, j] : SegmentEnds(polyline)) {
    lines.emplace_back(_2dPoint(v[i]), _2dPoint(v[j]));
    CopyProperties(lines.back(), polyline);
  }
  return lines;
}

std::vector<_3dLine> ExplodeReinPolyline(const _2dPolyline& bar) {
  std::vector<_3dLine> lines = ExplodePolyline(bar);
  lines.erase(std::remove_if(lines.begin(), lines.end(),
                             [](const _3dLine& l) { return l.GetStartPoint() == l.GetEndPoint(); }),
              lines.end());
  return lines;
}

// ---------------------------------------------------------------------------
// Single lines

_2dLine OrientLine(const _2dLine& line) {
  const _2dPoint& s = line.GetStartPoint();
  const _2dPoint& e = line.GetEndPoint();
  bool vertical = std::fabs(e.x - s.x) <= kPointTolerance;
  bool reverse = vertical ? e.y < s.y : e.x < s.x;
  if (!reverse) return line;
  _2dLine oriented(line);
  oriented.SetStartPoint(e);
  oriented.SetEndPoint(s);
  return oriented;
}

_2dLine To2dLine(const _3dLine& line) {
  _2dLine plan(_2dPoint(line.GetStartPoint()), _2dPoint(line.GetEndPoint()));
  CopyProperties(plan, line);
  return plan;
}

std::vector<boost::shared_ptr<_2dLine>> FilterLines(
    const std::vector<boost::shared_ptr<_2dLine>>& lines) {
  // Longer lines first (input order among equal lengths), each kept unless a
  // line kept before covers it.
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] && HasLength(*lines[i])) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return lines[a]->GetLength() > lines[b]->GetLength();
  });
  std::vector<char> keep(lines.size(), 0);
  std::vector<std::size_t> kept;
  for (std::size_t i : order) {
    const _2dLine& l = *lines[i];
    bool covered = std::any_of(kept.begin(), kept.end(), [&](std::size_t k) {
      const _2dLine& by = *lines[k];
      return g_VekGeometryComm.IsPointOnSegment(by, l.GetStartPoint()) &&
             g_VekGeometryComm.IsPointOnSegment(by, l.GetEndPoint());
    });
    if (covered) continue;
    keep[i] = 1;
    kept.push_back(i);
  }
  std::vector<boost::shared_ptr<_2dLine>> result;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (keep[i]) result.push_back(lines[i]);
  }
  return result;
}

// ---------------------------------------------------------------------------
// Transforms

void EntityScaleMoveFunctor::operator()(Entity& entity) const {
  entity.Scale(m_scale);
  entity.Move(m_offset);
}

_2dPoint LineScaleMoveFunctor::Map(const _2dPoint& p) const {
  double x = p.x * m_scale, y = p.y * m_scale;
  if (m_rotation != 0.0) {
    double c = std::cos(m_rotation), s = std::sin(m_rotation);
    double rx = x * c - y * s;
    double ry = x * s + y * c;
    x = rx;
    y = ry;
  }
  return {x + m_offset.x, y + m_offset.y};
}

void LineScaleMoveFunctor::operator()(_2dLine& line) const {
  line.SetStartPoint(Map(line.GetStartPoint()));
  line.SetEndPoint(Map(line.GetEndPoint()));
}

void TranslateFunctor::operator()(_2dLine& line) const {
  _2dPoint s = line.GetStartPoint(), e = line.GetEndPoint();
  (*this)(s);
  (*this)(e);
  line.SetStartPoint(s);
  line.SetEndPoint(e);
}

void TranslateFunctor::operator()(_3dLine& line) const {
  _3dPoint s = line.GetStartPoint(), e = line.GetEndPoint();
  (*this)(s);
  (*this)(e);
  line.SetStartPoint(s);
  line.SetEndPoint(e);
}

_3dPoint FramePointFunctor::Map(const _3dPoint& p) const {
  if (m_direction == FrameDirection::kWorldToLocal) {
    return g_VekGeometryComm.WorldToLocal3d(m_origin, m_x, m_y, p);
  }
  return g_VekGeometryComm.LocalToWorld3d(m_origin, m_x, m_y, p);
}

void FramePointFunctor::operator()(_2dPolyline& polyline) const {
  std::vector<_3dPoint> v = polyline.GetVertices();
  for (_3dPoint& p : v) p = Map(p);
  polyline.SetVertices(v);
}

_3dLine FrameLineFunctor::Map(const _3dLine& line) const {
  _3dLine mapped(line);
  mapped.SetStartPoint(m_points.Map(line.GetStartPoint()));
  mapped.SetEndPoint(m_points.Map(line.GetEndPoint()));
  return mapped;
}

// ---------------------------------------------------------------------------
// Predicates and orders

bool PlaneLinePredicate::operator()(const _3dLine& line) const {
  return g_VekGeometryComm.IsLineOnPlane(line, m_point, m_normal, m_tol);
}

bool LessLine::operator()(const _2dLine& a, const _2dLine& b) const {
  const _2dPoint::PointOrder less;
  auto ends = [&](const _2dLine& l) {
    const _2dPoint& s = l.GetStartPoint();
    const _2dPoint& e = l.GetEndPoint();
    return less(e, s) ? std::make_pair(e, s) : std::make_pair(s, e);
  };
  auto [a0, a1] = ends(a);
  auto [b0, b1] = ends(b);
  if (less(a0, b0)) return true;
  if (less(b0, a0)) return false;
  return less(a1, b1);
}

bool LeftOfLinePredicate::operator()(const _2dPoint& p) const {
  return g_VekGeometryComm.IsCounterClockwise(m_start, m_end, p, m_tol);
}

bool RightOfLinePredicate::operator()(const _2dPoint& p) const {
  return g_VekGeometryComm.IsClockwise(m_start, m_end, p, m_tol);
}

bool LineSelectPredicate::operator()(const _2dLine& line) const {
  return HasLength(m_line) && HasLength(line) && g_VekGeometryComm.IsParallel(m_line, line);
}

bool LinePairPredicate::operator()(const _2dLine& line) const {
  if (!HasLength(m_line) || !HasLength(line)) return false;
  const _2dPoint& s = m_line.GetStartPoint();
  const _2dPoint& e = m_line.GetEndPoint();
  return g_VekGeometryComm.IsCollinear(s, e, line.GetStartPoint()) &&
         g_VekGeometryComm.IsCollinear(s, e, line.GetEndPoint());
}
