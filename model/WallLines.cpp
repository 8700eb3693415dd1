// Walls from picked curves: wall line records read from lines, polylines and
// arcs, snapping of a new wall line's ends, and the wall board builder.
#include "model/TankModeler.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <string>
#include <typeinfo>

namespace {

WallLineRecord PlanRecord(double x0, double y0, double x1, double y1, bool curved) {
  WallLineRecord r;
  r.startX = x0;
  r.startY = y0;
  r.endX = x1;
  r.endY = y1;
  r.thickness = curved ? 1.0 : 0.0;
  return r;
}

}  // namespace

void TankModeler::ReadWallLines(const std::vector<boost::shared_ptr<VekObject>>& entities,
                                std::vector<WallLineRecord>& straight,
                                std::vector<WallLineRecord>& curved) const {
  for (const auto& entity : entities) {
    if (!entity) continue;
    // The class decides by name, as the CAD host's entities are told apart:
    // the first of line, polyline and arc that matches.
    const std::string name = typeid(*entity).name();
    // A class whose name matches but that is none of the three is skipped.
    if (name.find("_3dLine") != std::string::npos) {
      const auto* p = dynamic_cast<const _3dLine*>(entity.get());
      if (!p) continue;
      const auto& line = *p;
      const _3dPoint& s = line.GetStartPoint();
      const _3dPoint& e = line.GetEndPoint();
      straight.push_back(PlanRecord(s.x, s.y, e.x, e.y, false));
    } else if (name.find("_2dPolyline") != std::string::npos) {
      const auto* p = dynamic_cast<const _2dPolyline*>(entity.get());
      if (!p) continue;
      const auto& polyline = *p;
      const auto& vertices = polyline.GetVertices();
      const auto& bulges = polyline.GetBulges();
      const std::size_t n = std::min(vertices.size(), bulges.size());
      // Every segment between consecutive vertices, and for a closed polyline
      // the closing one from the last vertex back to the first, which the
      // last vertex's bulge shapes.
      const std::size_t segments = n < 2 ? 0 : (polyline.IsClosed() ? n : n - 1);
      for (std::size_t i = 0; i < segments; ++i) {
        const _3dPoint& s = vertices[i];
        const _3dPoint& e = vertices[(i + 1) % n];
        if (i + 1 == n && _2dPoint(s.x, s.y) == _2dPoint(e.x, e.y)) continue;  // closing repeat
        const bool isCurved = std::fabs(bulges[i]) >= 0.001;
        (isCurved ? curved : straight).push_back(PlanRecord(s.x, s.y, e.x, e.y, isCurved));
      }
    } else if (name.find("_2dArc") != std::string::npos) {
      const auto* p = dynamic_cast<const _2dArc*>(entity.get());
      if (!p) continue;
      const auto& arc = *p;
      const _2dPoint& c = arc.GetCenter();
      const double r = arc.GetRadius();
      const double a0 = arc.GetStartAngle(), a1 = arc.GetEndAngle();
      curved.push_back(PlanRecord(c.x + r * std::cos(a0), c.y + r * std::sin(a0),
                                  c.x + r * std::cos(a1), c.y + r * std::sin(a1), true));
    }
  }
}

bool TankModeler::SnapWallLineEnds(const std::vector<Segment2d>& lines,
                                   const std::vector<double>& widths, _2dPoint& start,
                                   _2dPoint& end, int mode) const {
  const _2dLine s(start, end);
  bool startSnapped = false, endSnapped = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const _2dLine r(lines[i].start, lines[i].end);
    if (g_VekGeometryComm.IsParallel(r, s)) continue;
    _2dPoint q;
    if (!g_VekGeometryComm.IntersectLines(s, r, q, g_ZeroTolerance)) continue;
    if (!g_VekGeometryComm.IsPointOnLine(r, q, g_ZeroTolerance)) continue;
    const double w = widths.at(i);
    if ((mode == 1 || mode == 3) && g_VekGeometryComm.Distance(start, q) < 0.75 * w) {
      start = q;
      startSnapped = true;
    }
    if ((mode == 2 || mode == 3) && g_VekGeometryComm.Distance(end, q) < 0.75 * w) {
      end = q;
      endSnapped = true;
    }
  }
  switch (mode) {
    case 1: return startSnapped;
    case 2: return endSnapped;
    case 3: return startSnapped || endSnapped;
    default: return false;
  }
}

bool TankModeler::MakeWallBoard(const WallLineRecord& line, double baseLevel, Board* board) const {
  if (board == nullptr) return false;
  board->SetKind(0);
  const double length = std::hypot(line.endX - line.startX, line.endY - line.startY);
  if (std::fabs(length) < g_LengthTolerance) return false;
  board->SetUpperOffset(line.thickness * 0.5);
  board->SetLowerOffset(line.thickness * 0.5);
  const _3dPoint origin(line.startX, line.startY, baseLevel);
  const _3dVector xAxis(line.endX - line.startX, line.endY - line.startY, 0.0);
  const _3dVector yAxis(0.0, 0.0, 1.0);
  board->SetOrigin(origin);
  board->SetXAxis(xAxis);
  board->SetYAxis(yAxis);
  board->SetWallStartCode(line.startCode);
  board->SetWallEndCode(line.endCode);
  const double top = baseLevel + line.height;
  const _3dPoint corners[4] = {{line.startX, line.startY, baseLevel},
                               {line.endX, line.endY, baseLevel},
                               {line.endX, line.endY, top},
                               {line.startX, line.startY, top}};
  _2dPoint local[4];
  for (int i = 0; i < 4; ++i)
    local[i] = g_VekGeometryComm.WorldToLocal2d(origin, xAxis, yAxis, corners[i]);
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(local[i], local[(i + 1) % 4]));
  board->SetEdges(edges);
  return true;
}

void TankModeler::AddWall(const WallLineRecord& line, double baseLevel, Tank& tank) const {
  auto board = boost::make_shared<Board>();
  if (MakeWallBoard(line, baseLevel, board.get())) tank.AddBoard(board);
}

bool TankModeler::GetWallBaseLine(const boost::shared_ptr<VekObject>& object, _2dLine& out) const {
  if (!object || typeid(*object) != typeid(Board)) return false;
  const auto& board = static_cast<const Board&>(*object);
  if (board.GetKind() != 0) return false;
  std::vector<_3dPoint> outline;
  board.GetOutline(outline);
  const std::vector<_2dPoint> plan = g_VekGeometryComm.GetPlanPoints(outline);
  if (plan.size() < 2) return false;
  out = _2dLine(plan.front(), plan.back());
  return true;
}
