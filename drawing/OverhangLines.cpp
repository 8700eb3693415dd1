// Slab overhang lines: the pieces of a bottom slab that run out beyond the
// walls standing on its edges, for the junction lines, the wall sections and
// the bottom slab plan.
#include "view/TankView.h"

#include <algorithm>
#include <cmath>

namespace {

_2dPoint ToPlan(const Board& b, const _2dPoint& local) {
  const _3dPoint w = g_VekGeometryComm.LocalToWorld2d(b.GetOrigin(), b.GetXAxis(), b.GetYAxis(), local);
  return _2dPoint(w.x, w.y);
}

_2dVector PlanUnit(const _3dVector& v) {
  _2dVector p(v.x, v.y);
  p.Normalize(0.1);
  return p;
}

// The largest face offset of the walls standing on edge k of the slab, the
// face looking along the edge's inward direction or against it; 0 without
// a wall.
double FacingWallOffset(const Tank& tank, const BoardPtr& slab, int k) {
  const BoardEdge& edge = slab->GetEdges().at(static_cast<std::size_t>(k));
  const _3dPoint a = g_VekGeometryComm.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(),
                                                      edge.GetStartPoint());
  const _3dPoint b = g_VekGeometryComm.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(),
                                                      edge.GetEndPoint());
  std::vector<BoardPtr> boards;
  std::vector<int> own, other;
  tank.GetNeighbourBoards(slab, boards, own, other);
  const _2dVector edgeDir = PlanUnit(slab->GetEdgeDirection(k));
  double offset = -10000.0;
  for (std::size_t i = 0; i < boards.size() && i < own.size(); ++i) {
    const BoardPtr& n = boards[i];
    if (!n) continue;
    bool atEdge = own[i] == k;
    if (!atEdge && own[i] == -1) {
      _3dLine line;
      atEdge = tank.GetIntersectionLine(slab, n, line) &&
               g_VekGeometryComm.GetOverlapByPoints3d(a, b, line.GetStartPoint(), line.GetEndPoint());
    }
    if (!atEdge || n->GetKind() != 0) continue;
    const double face = PlanUnit(n->GetNormal()) == edgeDir ? n->GetLowerOffset() : n->GetUpperOffset();
    if (face > offset) offset = face;
  }
  return g_VekGeometryComm.Equal(offset, -10000.0, 1e-4) ? 0.0 : offset;
}

}  // namespace

bool TankView::GetOverhangCutLine(const Tank& tank, const BoardPtr& slab, int k, const BoardEdge& edge,
                                  const _2dLine& trace, _2dLine& out) const {
  double overhang = 0.0;
  if (!edge.GetOverhang(overhang)) return false;
  double length = FacingWallOffset(tank, slab, k) + overhang;
  const _2dLine& e = edge.GetLine();
  const bool startOn = g_VekGeometryComm.IsPointOnSegment(e, trace.GetStartPoint(), g_EqualTolerance);
  const bool endOn = g_VekGeometryComm.IsPointOnSegment(e, trace.GetEndPoint(), g_EqualTolerance);
  if (startOn && endOn) return false;
  if (!startOn && !endOn) return false;
  const _2dPoint a = startOn ? trace.GetStartPoint() : trace.GetEndPoint();
  const _2dVector ve = e.GetDirection(), vs = trace.GetDirection();
  if (!ve.IsPerpendicularTo(vs)) length /= std::fabs(std::sin(ve.GetAngleTo(vs)));
  const _2dVector u = vs.GetUnitVector(g_ZeroTolerance);
  const _2dPoint plus = a + u * length, minus = a - u * length;
  // Away from the slab: not back along the trace.
  out = g_VekGeometryComm.IsPointOnSegment(trace, plus, g_EqualTolerance) ? _2dLine(a, minus) : _2dLine(a, plus);
  return true;
}

void TankView::GetSlabOverhangSectionLines(const Tank& tank, const BoardPtr& slab, int tag, const _3dPoint& origin,
                                           const _3dVector& xAxis, const _3dVector& yAxis,
                                           const std::vector<_3dLine>& cutSegments, std::vector<_2dLine>& lines,
                                           std::vector<std::pair<double, double>>& halfThicknesses,
                                           ObjectList& owners, std::vector<int>& tags) const {
  if (!slab || slab->GetKind() != 1) return;
  const VekGeometryComm& g = g_VekGeometryComm;
  const _3dVector planeNormal = xAxis.CrossProduct(yAxis);
  double half = slab->GetThickness() * 0.5;
  if (!slab->GetNormal().IsParallelTo(planeNormal)) {
    const double theta = slab->GetNormal().GetAngleTo(planeNormal);
    half = slab->GetThickness() / std::fabs(std::cos(theta + g_Pi * 0.5)) * 0.5;
  }
  const auto toDrawing = [&](const _2dPoint& local) {
    const _3dPoint w = g.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), local);
    return g.WorldToLocal2d(origin, xAxis, yAxis, w);
  };
  for (const _3dLine& segment : cutSegments) {
    const _2dLine trace(g.WorldToLocal2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), segment.GetStartPoint()),
                        g.WorldToLocal2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), segment.GetEndPoint()));
    const std::vector<BoardEdge>& edges = slab->GetEdges();
    for (std::size_t k = 0; k < edges.size(); ++k) {
      _2dLine piece;
      if (!GetOverhangCutLine(tank, slab, static_cast<int>(k), edges[k], trace, piece)) continue;
      _2dPoint e = toDrawing(piece.GetStartPoint()), f = toDrawing(piece.GetEndPoint());
      const double d = g.Distance(e, f);
      if (g.IsPointOnSegment(trace, piece.GetStartPoint(), 0.1)) {
        f = _2dPoint(f.x > e.x ? e.x + d : e.x - d, e.y);
      } else {
        e = _2dPoint(f.x < e.x ? f.x + d : f.x - d, f.y);
      }
      lines.emplace_back(e, f);
      tags.push_back(tag);
      halfThicknesses.emplace_back(half, half);
      owners.push_back(ObjectPtr());
    }
  }
}

void TankView::GetOverhangEdgeLines(const BoardPtr& slab, std::vector<_2dLine>& lines, std::vector<double>& offsets,
                                    double& length, const Tank& tank) const {
  const std::vector<BoardEdge>& edges = slab->GetEdges();
  for (std::size_t k = 0; k < edges.size(); ++k) {
    if (!edges[k].GetOverhang(length)) continue;
    lines.emplace_back(ToPlan(*slab, edges[k].GetStartPoint()), ToPlan(*slab, edges[k].GetEndPoint()));
    offsets.push_back(FacingWallOffset(tank, slab, static_cast<int>(k)));
  }
}
