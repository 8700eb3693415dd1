#include "view/DrawingRoutines.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <stdexcept>

_3dLine PlaneFrame::ToWorld(const _2dLine& line) const {
  const _2dPoint a = line.GetStartPoint(), b = line.GetEndPoint();
  return _3dLine(g_VekGeometryComm.LocalToWorld3d(origin, xAxis, yAxis, _3dPoint(a.x, a.y, 0.0)),
                 g_VekGeometryComm.LocalToWorld3d(origin, xAxis, yAxis, _3dPoint(b.x, b.y, 0.0)));
}

int GetReinGradeIndex(const std::string& grade) {
  if (grade == "HPB235") return 0;
  if (grade == "HRB335") return 1;
  if (grade == "HRB400") return 2;
  if (grade == "RRB400") return 3;
  return 0;
}

bool PointLess::operator()(const _2dPoint& p, const _2dPoint& q) const {
  if (p.x < q.x - tol) return true;
  return std::fabs(p.x - q.x) < tol && p.y < q.y - tol;
}

bool Point3dLess::operator()(const _3dPoint& p, const _3dPoint& q) const {
  if (q.x - tol > p.x) return true;
  return std::fabs(p.x - q.x) < tol && q.y - tol > p.y;
}

bool Point3dOrder::operator()(const _3dPoint& p, const _3dPoint& q) const {
  const VekGeometryComm& c = g_VekGeometryComm;
  if (c.Lessthan(p.x, q.x, 1e-4)) return true;
  if (!c.Equal(p.x, q.x, 1e-4)) return false;
  if (c.Lessthan(p.y, q.y, 1e-4)) return true;
  if (!c.Equal(p.y, q.y, 1e-4)) return false;
  return c.Lessthan(p.z, q.z, 1e-4);
}

_2dPoint GetEdgePlanMidPoint(const BoardEdge& edge, const Board& board) {
  const _3dPoint w = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(),
                                                      edge.GetLine().GetMidPoint());
  return _2dPoint(w.x, w.y);
}

bool EdgeMidpointLess::operator()(const BoardEdge& a, const BoardEdge& b) const {
  const _2dPoint pa = GetEdgePlanMidPoint(a, *m_board);
  const _2dPoint pb = GetEdgePlanMidPoint(b, *m_board);
  if (g_VekGeometryComm.Equal(pa.x, pb.x, 1e-4)) return pa.y < pb.y;
  return pa.x < pb.x;
}

namespace {

double FoldedAngle(const _2dVector& d, const _2dVector& reference) {
  double angle = d.GetAngleTo(reference);
  if (!g_VekGeometryComm.Lessthan_Or_Equal(angle, 0.5 * g_Pi, 1e-4)) angle = g_Pi - angle;
  return angle;
}

}  // namespace

bool LineAngleLess::operator()(const LineBarPair& a, const LineBarPair& b) const {
  const _2dVector r = m_reference.GetDirection();
  const _2dVector da = a.first->GetDirection();
  const _2dVector db = b.first->GetDirection();
  for (const _2dVector& v : {r, da, db}) {
    if (g_VekGeometryComm.Equal(v.GetLength(), 0.0, 1e-4)) throw std::logic_error("in LineAngleLess");
  }
  return FoldedAngle(da, r) < FoldedAngle(db, r);
}

bool LineNearerToMidpoint::operator()(const boost::shared_ptr<_2dLine>& a,
                                      const boost::shared_ptr<_2dLine>& b) const {
  const _2dPoint m = m_reference.GetMidPoint();
  const double da = g_VekGeometryComm.DistanceWithTolerance(a->GetMidPoint(), m);
  const double db = g_VekGeometryComm.DistanceWithTolerance(b->GetMidPoint(), m);
  return g_VekGeometryComm.Lessthan(da, db, 1e-4);
}

bool IsTextEntity::operator()(const EntityPtr& e) const { return boost::dynamic_pointer_cast<_Text>(e) != nullptr; }
bool IsPolylineEntity::operator()(const EntityPtr& e) const {
  return boost::dynamic_pointer_cast<_2dPolyline>(e) != nullptr;
}
bool IsOrdinalEntity::operator()(const EntityPtr& e) const {
  return boost::dynamic_pointer_cast<Ordinal>(e) != nullptr;
}

bool LineCrossesLine::operator()(const boost::shared_ptr<_2dLine>& other) const {
  return other && m_line && g_VekGeometryComm.LinesIntersect(*m_line, *other);
}

bool ZoneHasNoOrientation::operator()(const ReinZonePtr& zone) const {
  _3dVector o;
  return !zone->GetReinDispOrientation(o);
}

bool ZoneAlongDirection::operator()(const ReinZonePtr& zone) const {
  _3dVector o;
  if (!zone->GetReinDispOrientation(o)) return false;
  const double angle = direction.GetAngleTo(o);
  return angle < tolerance || angle > g_Pi - tolerance;
}

namespace {

double AngleInView(const ReinZone& zone, const ViewVolumn& volume) {
  _3dVector o;
  zone.GetReinDispOrientation(o);
  const _3dPoint local =
      g_VekGeometryComm.WorldToLocal3d(volume.m_origin, volume.m_xAxis, volume.m_yAxis, _3dPoint(o.x, o.y, o.z));
  return _2dVector(local.x, local.y).GetAngle();
}

}  // namespace

bool ZonesParallelInView::operator()(const ReinZonePtr& other) const {
  const double a = g_VekGeometryComm.GetIncludedAngle(AngleInView(*m_zone, *m_volume), AngleInView(*other, *m_volume));
  return a < 0.25 * g_Pi || a >= 0.75 * g_Pi;
}

bool SegmentsOverlap(const _2dLine& a, const _2dLine& b, double f) {
  const _2dVector d = a.GetDirection();
  const double la = a.GetLength(), lb = b.GetLength();
  if (!(la > 0.0)) return false;
  // Position along a, in a's own length units (d is not normalised).
  const auto along = [&](const _2dPoint& p) { return (p - a.GetStartPoint()).Dot(d) / la; };
  double a0 = along(a.GetStartPoint()), a1 = along(a.GetEndPoint());
  double b0 = along(b.GetStartPoint()), b1 = along(b.GetEndPoint());
  if (a0 > a1) std::swap(a0, a1);
  if (b0 > b1) std::swap(b0, b1);
  const double overlap = std::min(a1, b1) - std::max(a0, b0);
  return f * std::max(la, lb) < overlap;
}

_2dLine GetReinMainSegment(const boost::shared_ptr<_2dPolyline>& bar) {
  if (!bar || bar->VerNums() < 2) throw std::logic_error("bar->VerNums() < 2 in GetReinMainSegment");
  const int n = bar->VerNums();
  const int first = n < 4 ? 0 : (n == 4 ? 1 : 2);
  const _3dPoint& a = bar->GetVertexAt(first);
  const _3dPoint& b = bar->GetVertexAt(first + 1);
  return _2dLine(_2dPoint(a.x, a.y), _2dPoint(b.x, b.y));
}

double GetBoardAxisAngle(const Board& board) {
  const std::vector<BoardEdge>& edges = board.GetEdges();
  if (edges.size() != 4) return 0.0;
  const EdgeMidpointLess less(board);
  const auto smallest = std::min_element(edges.begin(), edges.end(), less);
  // The earliest of equal largest edges: max_element keeps the first maximum
  // only with a reversed comparison.
  auto largest = edges.begin();
  for (auto it = edges.begin(); it != edges.end(); ++it)
    if (less(*largest, *it)) largest = it;
  return (GetEdgePlanMidPoint(*largest, board) - GetEdgePlanMidPoint(*smallest, board)).GetAngle();
}

std::vector<int> PickOnePerMark(const std::vector<ReinZonePtr>& zones) {
  std::map<int, std::vector<int>> groups;
  for (std::size_t i = 0; i < zones.size(); ++i) groups[zones[i]->GetNumber()].push_back(static_cast<int>(i));
  std::minstd_rand random(0);
  std::vector<int> picked;
  for (const auto& [number, indices] : groups) {
    const auto r = random();
    picked.push_back(indices[r % indices.size()]);
  }
  return picked;
}

void ChooseLabelledLines(const ViewSettings& settings, const std::vector<ReinZonePtr>& zones,
                         std::vector<std::pair<bool, bool>>& flags) {
  flags.clear();
  if (!settings.m_bShowMarks) {
    flags.assign(zones.size(), {false, true});
  } else if (settings.m_bMarksWithoutText) {
    flags.assign(zones.size(), {true, false});
  } else if (!settings.m_bOneTextPerMark) {
    flags.assign(zones.size(), {true, true});
  } else {
    flags.assign(zones.size(), {true, false});
    for (int i : PickOnePerMark(zones)) flags[static_cast<std::size_t>(i)].second = true;
  }
}

void MakeSegmentLengthText(boost::shared_ptr<_Text>& text, const std::vector<_2dPoint>& pts, double gap, double scale,
                           double unit) {
  const _2dPoint a = pts.at(0), b = pts.at(1);
  const double length = g_VekGeometryComm.Distance(a, b);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.0f", std::floor(length * scale / unit + 0.5));
  double h = 3.0, w = 0.7;
  GetTextSize(3, h, w);
  text = boost::make_shared<_Text>(buffer, _3dPoint(0, 0, 0), h * unit, (b - a).GetAngle());
  text->SetWidth(h * w * unit);
  text->SetLayer(GetLayerName(8));
  text->SetTextStyle(GetTextStyle(3));
  text->SetStyleName(GetTextStyleName(GetTextStyle(3)));
  text->SetNormal(_3dVector(0, 0, 1));
  text->SetAlignment(_Text::kCenter, _Text::kMiddle);
  _2dVector n = b - a;
  n.Rotate(-0.5 * g_Pi);
  n = n.GetUnitVector(g_DefaultTolerance) * ((0.5 * h + gap) * unit);
  text->SetPosition(g_VekGeometryComm.GetMidPoint(a, b) + n);
}

namespace {

_2dLine MovedRight(const _2dPoint& a, const _2dPoint& b, double d) {
  const double angle = (b - a).GetAngle() - 0.5 * g_Pi;
  const _2dVector v(d * std::cos(angle), d * std::sin(angle));
  return _2dLine(a + v, b + v);
}

// The corner points of moved segment s followed by moved segment t.
void AppendCorner(const _2dLine& s, const _2dLine& t, std::vector<_2dPoint>& out) {
  if (g_VekGeometryComm.IsParallel(s, t)) {
    if (g_VekGeometryComm.IsCollinear(s.GetStartPoint(), s.GetEndPoint(), t.GetEndPoint(), 1.0)) return;
    out.push_back(s.GetEndPoint());
    out.push_back(t.GetStartPoint());
    return;
  }
  _2dPoint x;
  if (g_VekGeometryComm.IntersectLines(s, t, x, 1.0)) out.push_back(x);
}

}  // namespace

void PolylineOffsetter::operator()(const std::vector<_2dPoint>& points) const {
  (void)points.at(0);  // an empty list is refused by the range check
  if (points.size() < 2) return;
  std::vector<_2dLine> moved;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) moved.push_back(MovedRight(points[i], points[i + 1], m_d));
  m_out->push_back(moved.front().GetStartPoint());
  for (std::size_t i = 0; i + 1 < moved.size(); ++i) AppendCorner(moved[i], moved[i + 1], *m_out);
  m_out->push_back(moved.back().GetEndPoint());
}

void PolygonOffsetter::operator()(const std::vector<_2dPoint>& given) const {
  if (given.empty()) return;
  std::vector<_2dPoint> points = given;
  // A degenerate outline (no area) is taken in the reverse order.
  if (std::fabs(g_VekGeometryComm.GetArea(points)) < g_ZeroTolerance) std::reverse(points.begin(), points.end());
  const std::size_t n = points.size();
  std::vector<_2dLine> moved;
  for (std::size_t i = 0; i < n; ++i) moved.push_back(MovedRight(points[i], points[(i + 1) % n], m_offsets.at(i)));
  for (std::size_t i = 0; i < n; ++i) AppendCorner(moved[i], moved[(i + 1) % n], *m_out);
}

void OffsetLineBesideBar(_2dLine& out, const LayeredSegment& source, const _2dLine& reference) {
  out = source.line;
  if (g_VekGeometryComm.Equal(reference.GetLength(), 0.0, 1e-4)) return;
  const double u = GetDrawingUnit();
  const double s = u * GetReinGap() + (source.layerFlag == 1 ? u * GetReinLineWidth() * 0.5
                                                              : u * GetReinDotSize() + u * GetReinLineWidth() * 0.5);
  _2dVector v = reference.GetDirection();
  v.Rotate(0.5 * g_Pi);
  v = v.GetUnitVector() * s;
  const _2dPoint m = reference.GetMidPoint();
  _2dVector w(0, 0);
  _2dPoint x;
  if (g_VekGeometryComm.IntersectLinesByPoints(m, m + v, source.line.GetStartPoint(), source.line.GetEndPoint(), x,
                                               g_DefaultTolerance)) {
    w = m - x;
  }
  const _2dVector shift = v + w;
  out.Move(_3dVector(shift.x, shift.y, 0.0));
}

void CenterTextPair(const boost::shared_ptr<_Text>& first, const boost::shared_ptr<_Text>& second) {
  const double h = first->GetHeight();
  const double ratio = h > 0.0 ? first->GetWidth() / h : 0.7;
  const int style = first->GetTextStyle();
  AcadViewBoard& board = g_ViewBoard;
  const double w1 = board.GetTextWidth(first->GetText(), h, ratio, style);
  const double w2 = board.GetTextWidth(second->GetText(), h, ratio, style);
  const double wb = board.GetTextWidth(first->GetText() + second->GetText(), h, ratio, style);
  const _2dVector e(std::cos(first->GetRotation()), std::sin(first->GetRotation()));
  const _2dVector m1 = e * ((w1 - wb) / 2.0), m2 = e * ((wb - w2) / 2.0);
  first->Move(_3dVector(m1.x, m1.y, 0.0));
  second->Move(_3dVector(m2.x, m2.y, 0.0));
}

void ApplyTextStyle::operator()(const boost::shared_ptr<_Text>& text) const {
  if (!text) return;
  text->SetPosition(_3dPoint(position.x, position.y, 0.0));
  text->SetHeight(height);
  text->SetWidth(widthFactor * height);
  text->SetRotation(rotation);
  text->SetTextStyle(style);
}

void PushTextAside::operator()(const boost::shared_ptr<_Text>& text) const {
  if (!text) return;
  const double h = text->GetHeight();
  const double w = m_board->GetTextWidth(text->GetText(), h, h > 0.0 ? text->GetWidth() / h : 0.7,
                                         text->GetTextStyle());
  const _2dVector d = direction.GetUnitVector();
  _2dVector move = direction;
  switch (side) {
    case 0: move = _2dVector(-d.y, d.x) * (w / 2.0); break;
    case 1: move = d * (h / 2.0); break;
    case 2: move = _2dVector(d.y, -d.x) * (w / 2.0); break;
    case 3: move = d * (-h / 2.0); break;
    default: break;
  }
  text->Move(_3dVector(move.x, move.y, 0.0));
}

std::vector<_3dLine> GetBoxEdges(const Extents& box) {
  const double xs[4] = {box.minX, box.maxX, box.maxX, box.minX};
  const double ys[4] = {box.minY, box.minY, box.maxY, box.maxY};
  std::vector<_3dLine> edges;
  for (const double z : {box.minZ, box.maxZ}) {
    for (int i = 0; i < 4; ++i) {
      edges.emplace_back(_3dPoint(xs[i], ys[i], z), _3dPoint(xs[(i + 1) % 4], ys[(i + 1) % 4], z));
    }
  }
  for (int i = 0; i < 4; ++i) edges.emplace_back(_3dPoint(xs[i], ys[i], box.minZ), _3dPoint(xs[i], ys[i], box.maxZ));
  return edges;
}

void GetEdgeBoardCenter(const Board& board, _2dPoint& center) {
  std::vector<_2dPoint> starts;
  for (const BoardEdge& e : board.GetEdges()) starts.push_back(e.GetStartPoint());
  const _3dPoint w = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(),
                                                      g_VekGeometryComm.GetCenter(starts));
  center = _2dPoint(w.x, w.y);
}

bool GetWallPlanLine(const BoardPtr& wall, _2dLine& line) {
  const std::vector<_2dPoint> plan = g_VekGeometryComm.GetPlanPoints(wall->GetOutlinePoints());
  if (plan.size() < 2) return false;
  line = _2dLine(plan.front(), plan.back());
  return true;
}
