#include "rebar/BarPlanes.h"

#include "platform/Dusmet.h"
#include "rebar/DetailingRules.h"

#include <algorithm>
#include <cmath>

namespace {

_3dVector UnitNormal(const Board& board) {
  _3dVector n = board.GetNormal();
  n.Normalize(0.01);
  return n;
}

// Intersections of the line with one curve; a circle is taken as its two
// half arcs.
void Crossings(const _2dLine& line, const Entity& curve, std::vector<_3dPoint>& out) {
  std::vector<_3dPoint> found;
  if (const auto* circle = dynamic_cast<const _3dCircle*>(&curve)) {
    const _2dPoint c(circle->GetCenter().x, circle->GetCenter().y);
    for (const _2dArc& half : {_2dArc(c, circle->GetRadius(), 0.0, g_Pi), _2dArc(c, circle->GetRadius(), g_Pi, 2 * g_Pi)}) {
      g_GeomAlgorithm.IntersectCurves(line, half, 0, found);
      out.insert(out.end(), found.begin(), found.end());
    }
    return;
  }
  g_GeomAlgorithm.IntersectCurves(line, curve, 0, found);
  out.insert(out.end(), found.begin(), found.end());
}

}  // namespace

std::vector<_3dPoint> GetBarCrossingPoints(const ReinDesignOptions& options, const BoardPtr& board,
                                           const _3dPoint& start, const _3dPoint& end, const bool* upper,
                                           const bool* xBars, const std::vector<boost::shared_ptr<Entity>>& curves) {
  std::vector<_3dPoint> points;
  if (!board) return points;
  const bool face = upper && *upper;
  const bool isX = xBars && *xBars;
  const double a = board->GetReinAngle();
  _3dVector h(std::cos(a), std::sin(a), 0.0);
  if (!isX) h = g_GeomAlgorithm.RotateVector(h, g_Pi / 2, _3dVector(0, 0, 1));

  const _3dPoint s(start.x, start.y, 0.0), e(end.x, end.y, 0.0);
  points.push_back(s);
  points.push_back(e);
  const _2dLine line(_2dPoint(s.x, s.y), _2dPoint(e.x, e.y));
  for (const boost::shared_ptr<Entity>& curve : curves)
    if (curve) Crossings(line, *curve, points);

  // Each point once (the first of equal points stays).
  std::vector<_3dPoint> unique;
  for (const _3dPoint& p : points)
    if (std::none_of(unique.begin(), unique.end(), [&](const _3dPoint& q) { return q == p; })) unique.push_back(p);

  bool byY;
  if (g_VekGeometryComm.Equal(std::fabs(h.x), 1.0, 1e-4))
    byY = true;
  else if (g_VekGeometryComm.Equal(std::fabs(h.y), 1.0, 1e-4))
    byY = false;
  else
    byY = isX;
  if (byY)
    std::stable_sort(unique.begin(), unique.end(), _3dPoint::LessByY());
  else
    std::stable_sort(unique.begin(), unique.end(), _3dPoint::LessByX());

  const _3dVector n = UnitNormal(*board);
  const double mid = (board->GetUpperOffset() - board->GetLowerOffset()) / 2;
  const double depth = board->GetThickness() / 2 - GetConcreteCover(options, board, face);
  const _3dVector shift = n * (mid + (face ? depth : -depth));
  std::vector<_3dPoint> out;
  out.reserve(unique.size());
  for (const _3dPoint& p : unique)
    out.push_back(g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                                   _2dPoint(p.x, p.y)) +
                  shift);
  return out;
}

void GetEdgeExtendedOutlines(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                             double extension, std::vector<_3dPoint>& lowerOutline,
                             std::vector<_3dPoint>& upperOutline) {
  if (!board) return;
  const double cu = GetConcreteCover(options, board, true);
  const double cl = GetConcreteCover(options, board, false);
  _3dPoint s, e;
  _3dVector out;
  if (edgeIndex >= 0 && edgeIndex < static_cast<int>(board->GetEdges().size())) {
    const BoardEdge& edge = board->GetEdges()[static_cast<std::size_t>(edgeIndex)];
    s = g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                         edge.GetStartPoint());
    e = g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                         edge.GetEndPoint());
    // The edge direction points into the board: pushing the edge out moves
    // its corners against it.
    out = -board->GetEdgeDirection(edgeIndex) * extension;
  }
  const _3dVector n = UnitNormal(*board);
  const _3dVector toMid = n * ((board->GetUpperOffset() - board->GetLowerOffset()) / 2);
  std::vector<_3dPoint> outline;
  board->GetOutline(outline);
  for (_3dPoint p : outline) {
    const bool atStart = p == s, atEnd = p == e;
    if (atStart) p = p + out;
    if (atEnd) p = p + out;
    p = p + toMid;
    upperOutline.push_back(p + n * (board->GetThickness() / 2 - cu));
    lowerOutline.push_back(p - n * (board->GetThickness() / 2 - cl));
  }
}
