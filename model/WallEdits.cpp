// Wall edits: snapping a new wall line to the walls of the tank, walls along
// plan segments, joining two walls (merging collinear ones, extending
// crossing ones until they meet), reshaping the walls around a moved slab,
// and the thin edits handed to the structural model.
#include "model/BoardItems.h"
#include "model/TankModeler.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <typeinfo>

namespace {

BoardPtr ExactBoard(const boost::shared_ptr<VekObject>& object) {
  if (!object || typeid(*object) != typeid(Board)) return {};
  return boost::static_pointer_cast<Board>(object);
}

// A new wall in place of `old` along start-end, carrying `old`'s faces; the
// codes are given.
BoardPtr NewWall(const TankModeler& modeler, const _2dPoint& start, const _2dPoint& end, double thickness,
                 double height, double base, int startCode, int endCode) {
  WallLineRecord r;
  r.startX = start.x;
  r.startY = start.y;
  r.endX = end.x;
  r.endY = end.y;
  r.thickness = thickness;
  r.height = height;
  r.startCode = startCode;
  r.endCode = endCode;
  auto board = boost::make_shared<Board>();
  if (!modeler.MakeWallBoard(r, base, board.get())) return {};
  return board;
}

// Identity: the replacing wall lies in the plane of the old one.
_3dPoint Same(const _3dPoint& p) { return p; }

}  // namespace

bool TankModeler::SnapToExistingWalls(const Tank& tank, _2dPoint& start, _2dPoint& end, int mode) const {
  const _2dLine L(start, end);
  bool startMoved = false, endMoved = false;
  for (const BoardPtr& wall : tank.GetWalls()) {
    _2dLine B;
    if (!GetWallBaseLine(wall, B)) continue;
    if (g_VekGeometryComm.IsParallel(L, B)) continue;
    _2dPoint P;
    if (!g_VekGeometryComm.IntersectLines(L, B, P, g_ZeroTolerance)) continue;
    if (!g_VekGeometryComm.IsPointOnLine(B, P, g_ZeroTolerance)) continue;
    const double t = wall->GetThickness();
    if ((mode == 1 || mode == 3) && g_VekGeometryComm.Distance(start, P) < 0.75 * t) {
      start = P;
      startMoved = true;
    }
    if ((mode == 2 || mode == 3) && g_VekGeometryComm.Distance(end, P) < 0.75 * t) {
      end = P;
      endMoved = true;
    }
  }
  switch (mode) {
    case 1: return startMoved;
    case 2: return endMoved;
    case 3: return startMoved || endMoved;
    default: return false;
  }
}

std::size_t TankModeler::AddWallBoards(const std::vector<Segment2d>& lines, const std::vector<double>& heights,
                                       const std::vector<double>& thicknesses, double base, Tank& tank) const {
  if (heights.size() < lines.size() || thicknesses.size() < lines.size())
    throw std::out_of_range("invalid vector<T> subscript");
  std::vector<BoardPtr> boards;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // A wall needs a thickness and a height.
    if (!(thicknesses[i] > 0) || !(heights[i] > 0)) continue;
    BoardPtr wall = NewWall(*this, lines[i].start, lines[i].end, thicknesses[i], heights[i], base, 0, 0);
    if (wall) boards.push_back(wall);
  }
  tank.AddBoards(boards);
  return boards.size();
}

bool TankModeler::JoinWalls(const boost::shared_ptr<VekObject>& a, const boost::shared_ptr<VekObject>& b, Tank& tank,
                            std::string* reason) const {
  const BoardPtr wa = ExactBoard(a), wb = ExactBoard(b);
  _2dLine la, lb;
  if (!wa || !wb || !GetWallBaseLine(wa, la) || !GetWallBaseLine(wb, lb)) {
    if (reason) *reason = "both picks must be walls";
    return false;
  }
  if (wa == wb) {
    if (reason) *reason = "the two picks are the same wall";
    return false;
  }
  if (g_VekGeometryComm.IsParallel(la, lb)) return MergeCollinearWalls(wa, wb, la, lb, tank, reason);
  return ExtendWallsToMeet(wa, wb, la, lb, tank, reason);
}

bool TankModeler::MergeCollinearWalls(const BoardPtr& a, const BoardPtr& b, const _2dLine& lineA,
                                      const _2dLine& lineB, Tank& tank, std::string* reason) const {
  if (!g_VekGeometryComm.IsCollinear(lineB.GetStartPoint(), lineB.GetEndPoint(), lineA.GetStartPoint(),
                                     g_ZeroTolerance)) {
    if (reason) *reason = "the walls are parallel but not on one line";
    return false;
  }
  // The four ends with the code each carries.
  struct End {
    _2dPoint p;
    int code;
  };
  std::vector<End> ends = {{lineA.GetStartPoint(), a->GetWallStartCode()},
                           {lineA.GetEndPoint(), a->GetWallEndCode()},
                           {lineB.GetStartPoint(), b->GetWallStartCode()},
                           {lineB.GetEndPoint(), b->GetWallEndCode()}};
  std::stable_sort(ends.begin(), ends.end(), [](const End& x, const End& y) { return PointYThenXLess(x.p, y.p); });
  double ha = 0, za = 0, hb = 0, zb = 0;
  if (!GetBoardBottomAndHeight(a, ha, za) || !GetBoardBottomAndHeight(b, hb, zb)) {
    if (reason) *reason = "a wall has no outline";
    return false;
  }
  const BoardPtr thicker = b->GetThickness() > a->GetThickness() ? b : a;
  BoardPtr merged = NewWall(*this, ends.front().p, ends.back().p, thicker->GetThickness(), std::max(ha, hb),
                            std::min(za, zb), ends.front().code, ends.back().code);
  if (!merged) {
    if (reason) *reason = "the merged wall has no length";
    return false;
  }
  model_items::CarryFaces(*thicker, *merged);
  if (!model_items::OpeningsFit(*a, *merged, Same, reason) || !model_items::OpeningsFit(*b, *merged, Same, reason))
    return false;
  model_items::CarryItems(*b, *merged, Same);
  model_items::CarryItems(*a, *merged, Same);  // the first wall's grades win
  RemoveBoard(a, tank);
  RemoveBoard(b, tank);
  tank.AddBoards({merged});
  return true;
}

bool TankModeler::ExtendWallsToMeet(const BoardPtr& a, const BoardPtr& b, const _2dLine& lineA, const _2dLine& lineB,
                                    Tank& tank, std::string* reason) const {
  _2dPoint P;
  if (!g_VekGeometryComm.IntersectLines(lineA, lineB, P, 1.0)) {
    if (reason) *reason = "the base lines do not meet";
    return false;
  }
  struct Change {
    BoardPtr old;
    BoardPtr replacement;
  };
  std::vector<Change> changes;
  for (const auto& [wall, line] : {std::pair{a, lineA}, std::pair{b, lineB}}) {
    if (g_VekGeometryComm.IsPointOnLine(line, P, 1.0)) continue;  // already reaches the crossing
    const double ds = g_VekGeometryComm.Distance(line.GetStartPoint(), P);
    const double de = g_VekGeometryComm.Distance(line.GetEndPoint(), P);
    const bool fromStart = ds > de;
    const _2dPoint far = fromStart ? line.GetStartPoint() : line.GetEndPoint();
    const int farCode = fromStart ? wall->GetWallStartCode() : wall->GetWallEndCode();
    double height = 0, bottom = 0;
    if (!GetBoardBottomAndHeight(wall, height, bottom)) continue;
    BoardPtr replacement = NewWall(*this, far, P, wall->GetThickness(), height, bottom, farCode, 0);
    if (!replacement) continue;
    model_items::CarryFaces(*wall, *replacement);
    if (!model_items::OpeningsFit(*wall, *replacement, Same, reason)) return false;
    changes.push_back({wall, replacement});
  }
  if (changes.empty()) {
    if (reason) *reason = "both walls already reach the crossing of their base lines";
    return false;
  }
  for (const Change& c : changes) {
    model_items::CarryItems(*c.old, *c.replacement, Same);
    RemoveBoard(c.old, tank);
    tank.AddBoards({c.replacement});
  }
  return true;
}

void TankModeler::CutBoard(const BoardPtr& slab, Tank& tank, std::vector<Segment3d>& segments,
                           std::vector<BoardPtr>& walls) const {
  const _3dPoint origin = slab->GetOrigin();
  const _3dVector normal = slab->GetNormal();
  for (std::size_t k = 0; k < walls.size() && k < segments.size();) {
    const BoardPtr W = walls[k];
    const _3dPoint g = segments[k].start, h = segments[k].end;
    _3dPoint v = g, w = h;
    g_VekGeometryComm.IntersectLinePlane(g, _3dPoint(g.x, g.y, g.z + 1000.0), origin, normal, v);
    g_VekGeometryComm.IntersectLinePlane(h, _3dPoint(h.x, h.y, h.z + 1000.0), origin, normal, w);
    bool crossing = false;
    _3dPoint I;
    const int e = W->FindEdge(_3dLine(g, h), 1);
    if (e != -1) {
      std::vector<BoardPtr> on;
      std::vector<int> edges;
      tank.GetBoardsOnEdge(W, e, on, edges);
      for (const BoardPtr& other : on) {
        if (other->GetKind() != slab->GetKind()) continue;
        if ((g.z < v.z && h.z > w.z) || (g.z > v.z && h.z < w.z))
          crossing = g_VekGeometryComm.IntersectLinesByPoints3d(v, w, g, h, I, g_ZeroTolerance);
        if (slab->GetKind() == 1) {
          if (g.z < v.z) v = g;
          if (h.z < w.z) w = h;
        } else {
          if (g.z > v.z) v = g;
          if (h.z > w.z) w = h;
        }
        break;
      }
    }
    std::vector<_3dPoint> P;
    W->GetOutline(P);
    if (crossing) InsertOutlinePoint(P, I);
    ReshapeOutline(P, g, h, v, w);
    double zLo = g_MaxValue, zHi = -g_MaxValue;
    for (const _3dPoint& p : P) {
      zLo = std::min(zLo, p.z);
      zHi = std::max(zHi, p.z);
    }
    if (P.empty() || g_VekGeometryComm.Equal(zHi - zLo, 0.0, 0.1)) {
      tank.RemoveComponent(W);
      walls.erase(walls.begin() + static_cast<long>(k));
      segments.erase(segments.begin() + static_cast<long>(k));
      continue;
    }
    // The openings keep their place in the wall: their local coordinates
    // follow the moved origin.
    const _3dPoint oldOrigin = W->GetOrigin();
    auto relocal = [&](const _2dPoint& p) {
      const _3dPoint world = g_VekGeometryComm.LocalToWorld2d(oldOrigin, W->GetXAxis(), W->GetYAxis(), p);
      return g_VekGeometryComm.WorldToLocal2d(P.front(), W->GetXAxis(), W->GetYAxis(), world);
    };
    for (const HolePtr& hole : W->GetHoles()) {
      if (auto c = boost::dynamic_pointer_cast<CircleHole>(hole)) c->SetCenter(relocal(c->GetCenter()));
      if (auto r = boost::dynamic_pointer_cast<RectangleHole>(hole)) {
        std::vector<_2dPoint> corners = r->GetCorners();
        for (_2dPoint& p : corners) p = relocal(p);
        r->SetCorners(corners);
      }
    }
    W->SetOrigin(P.front());
    std::vector<BoardEdge> edges;
    for (std::size_t i = 0; i < P.size(); ++i) {
      BoardEdge edge;
      edge.SetLine(_2dLine(g_VekGeometryComm.WorldToLocal2d(P.front(), W->GetXAxis(), W->GetYAxis(), P[i]),
                           g_VekGeometryComm.WorldToLocal2d(P.front(), W->GetXAxis(), W->GetYAxis(),
                                                            P[(i + 1) % P.size()])));
      edges.push_back(edge);
    }
    W->SetEdges(edges);
    ++k;
  }
}

bool TankModeler::SplitBoard(const BoardPtr& board, const _3dLine& line, Tank& tank) const {
  std::vector<BoardPtr> pieces;
  if (!board || !tank.SplitBoard(board, line, pieces)) return false;
  tank.RemoveComponent(board);
  tank.AddBoards(pieces);
  return true;
}

void TankModeler::EditBoardList(const std::vector<boost::shared_ptr<VekObject>>& objects, Tank& tank) const {
  tank.EditBoardList(std::vector<boost::shared_ptr<VekObject>>(objects));
}

void TankModeler::ReworkBoards(const std::vector<BoardPtr>& boards, Tank& tank) const {
  for (const BoardPtr& board : boards) {
    std::vector<BoardPtr> removed, reworked;
    tank.ReworkBoard(board, removed, reworked);
    tank.AddBoards(reworked);
  }
}
