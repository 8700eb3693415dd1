#include "view/DrawingFunctors.h"

#include <cmath>

bool IsLineInViewPlane::operator()(const _3dLine& line) const {
  _3dVector normal;
  m_volume.GetNormal(normal);
  return g_VekGeometryComm.IsLineOnPlane(line, m_volume.m_origin, normal);
}

_3dPoint OffsetPointAlongLine::operator()() const {
  const _3dPoint& s = m_line.GetStartPoint();
  const _3dPoint& e = m_line.GetEndPoint();
  _3dVector dir = e - s;
  const double toStart = g_VekGeometryComm.Distance3d(m_reference, s);
  const double toEnd = g_VekGeometryComm.Distance3d(m_reference, e);
  if (g_VekGeometryComm.Lessthan(toEnd, toStart, 1e-4)) dir = s - e;
  const double len = dir.GetLength();
  _3dPoint p = m_reference;
  if (len > 0.1) p = m_reference + dir * (m_distance / len);
  if (m_out) *m_out = p;
  return p;
}

bool EdgeHeightLess::operator()(const BoardEdge& a, const BoardEdge& b) const {
  auto z = [this](const BoardEdge& edge) {
    const _2dLine& l = edge.GetLine();
    const _2dPoint m((l.GetStartPoint().x + l.GetEndPoint().x) / 2.0, (l.GetStartPoint().y + l.GetEndPoint().y) / 2.0);
    return g_VekGeometryComm.LocalToWorld2d(m_board->GetOrigin(), m_board->GetXAxis(), m_board->GetYAxis(), m).z;
  };
  return z(a) < z(b);
}

_2dPoint GetEdgePlanMidPoint::operator()(const BoardEdge& edge, const Board& board) const {
  const _2dLine& l = edge.GetLine();
  const _2dPoint m((l.GetStartPoint().x + l.GetEndPoint().x) / 2.0, (l.GetStartPoint().y + l.GetEndPoint().y) / 2.0);
  const _3dPoint w = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(), m);
  return _2dPoint(w.x, w.y);
}

bool IsParallelToVector::operator()(const _3dLine& line) const {
  return g_VekGeometryComm.IsParallel3d(line.GetEndPoint() - line.GetStartPoint(), m_vector);
}

bool LineEndsNearPoint::operator()(const _2dLine& line) const {
  if (!g_VekGeometryComm.Lessthan(g_VekGeometryComm.DistancePointToLine(m_point, line), m_distance, 1e-4)) return false;
  const _2dPoint& s = line.GetStartPoint();
  const _2dPoint& e = line.GetEndPoint();
  const _2dPoint foot = g_VekGeometryComm.GetPerpendicularFootByDirection(m_point, s, _2dVector(e.x - s.x, e.y - s.y));
  return g_VekGeometryComm.Lessthan(g_VekGeometryComm.Distance(foot, s), m_distance, 1e-4) ||
         g_VekGeometryComm.Lessthan(g_VekGeometryComm.Distance(foot, e), m_distance, 1e-4);
}

bool FootOnSegment::operator()(const _2dLine& line) const {
  const _2dPoint foot = g_VekGeometryComm.GetPerpendicularFoot(m_point, line);
  return g_VekGeometryComm.IsPointOnSegment(line, foot, g_DefaultTolerance);
}

bool PointYXLess::operator()(const _3dPoint& p, const _3dPoint& q) const {
  if (std::fabs(p.y - q.y) < 0.1) return p.x < q.x;
  return p.y < q.y;
}

bool Point3dLess::operator()(const _3dPoint& p, const _3dPoint& q) const {
  if (q.x - m_tol > p.x) return true;
  return std::fabs(p.x - q.x) < m_tol && q.y - m_tol > p.y;
}
