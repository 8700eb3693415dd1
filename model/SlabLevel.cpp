// The slab level edit: a slab rebuilt on a new plane, checked against the
// slabs of the other kind, the walls that met it re-cut, the walls around
// those reworked and the gaps to neighbouring slabs closed by wall pieces.
#include "model/BoardItems.h"
#include "model/TankModeler.h"
#include "platform/HostServices.h"

#include <boost/make_shared.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace {

_3dPoint Vertical(const _3dPoint& p, double dz) { return {p.x, p.y, p.z + dz}; }

// Where the vertical line through p meets the board's plane; p itself when
// the plane is vertical.
_3dPoint OnPlane(const _3dPoint& p, const Board& board) {
  _3dPoint out = p;
  g_VekGeometryComm.IntersectLinePlane(p, Vertical(p, 1000.0), board.GetOrigin(), board.GetNormal(), out);
  return out;
}

_3dVector Cross(const _3dVector& a, const _3dVector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

bool TankModeler::CheckSlabConflict(const Tank& tank, const BoardPtr& slab, int& otherNumber) const {
  if (slab->GetKind() == 0) return true;
  const std::vector<BoardPtr> others = slab->GetKind() == 1 ? tank.GetTopSlabs() : tank.GetBottomSlabs();
  const std::vector<_2dPoint> plan = GetBoardOutline2d(slab);
  std::vector<_3dPoint> points;
  slab->GetOutline(points);
  const _3dPoint S = OnPlane(_3dPoint(0, 0, -1000), *slab);
  for (const BoardPtr& m : others) {
    const std::vector<_2dPoint> otherPlan = GetBoardOutline2d(m);
    const int relation = g_VekGeometryComm.GetPolygonRelation(plan, otherPlan);
    if (relation == 0 || relation == -1) continue;
    std::vector<_3dPoint> otherPoints;
    m->GetOutline(otherPoints);
    _3dPoint l;
    _3dVector h;
    _3dPoint P, T;
    if (g_VekGeometryComm.IntersectPolygonPlanes(points, otherPoints, l, h, g_DefaultTolerance)) {
      const _2dLine common(_2dPoint(l.x, l.y), _2dPoint(l.x + h.x, l.y + h.y));
      if (g_VekGeometryComm.IsLineCrossingPolygon(common, plan) &&
          g_VekGeometryComm.IsLineCrossingPolygon(common, otherPlan)) {
        otherNumber = m->GetNumber();
        return true;
      }
      P = slab->GetOrigin();
      T = OnPlane(_3dPoint(P.x, P.y, -1000), *m);
    } else {
      P = S;
      T = OnPlane(_3dPoint(0, 0, -1000), *m);
    }
    const bool conflict = slab->GetKind() == 1 ? (T.z < P.z || std::fabs(P.z - T.z) < 1.0)
                                               : (T.z > P.z || std::fabs(P.z - T.z) < 1.0);
    if (conflict) {
      otherNumber = m->GetNumber();
      return true;
    }
  }
  return false;
}

void TankModeler::CollectSlabJoints(const BoardPtr& slab, const Tank& tank, std::vector<BoardPtr>& walls,
                                    std::vector<Segment3d>& wallSegments, std::vector<BoardPtr>& others,
                                    std::vector<Segment3d>& otherSegments) const {
  std::vector<BoardPtr> neighbours;
  std::vector<int> own, theirs;
  tank.GetNeighbourBoards(slab, neighbours, own, theirs);
  for (std::size_t i = 0; i < neighbours.size(); ++i) {
    const BoardPtr& n = neighbours[i];
    Segment3d seg;
    if (own[i] != -1) {
      const _2dLine line = slab->GetEdge(own[i]).GetLine();
      seg.start = g_VekGeometryComm.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(),
                                                   line.GetStartPoint());
      seg.end = g_VekGeometryComm.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(),
                                                 line.GetEndPoint());
    } else if (theirs[i] != -1) {
      const _2dLine line = n->GetEdge(theirs[i]).GetLine();
      seg.start =
          g_VekGeometryComm.LocalToWorld2d(n->GetOrigin(), n->GetXAxis(), n->GetYAxis(), line.GetStartPoint());
      seg.end = g_VekGeometryComm.LocalToWorld2d(n->GetOrigin(), n->GetXAxis(), n->GetYAxis(), line.GetEndPoint());
    } else {
      _3dLine common;
      tank.GetIntersectionLine(slab, n, common);
      seg.start = common.GetStartPoint();
      seg.end = common.GetEndPoint();
    }
    if (n->GetKind() == 0) {
      walls.push_back(n);
      wallSegments.push_back(seg);
    } else {
      others.push_back(n);
      otherSegments.push_back(seg);
    }
  }
}

void TankModeler::CollectOuterWalls(const std::vector<BoardPtr>& walls, const Tank& tank,
                                    std::vector<BoardPtr>& out) const {
  for (const BoardPtr& wall : walls) {
    std::vector<BoardPtr> neighbours;
    std::vector<int> own, theirs;
    tank.GetNeighbourBoards(wall, neighbours, own, theirs);
    for (const BoardPtr& n : neighbours)
      if (n->GetKind() == 0 && std::find(walls.begin(), walls.end(), n) == walls.end() &&
          std::find(out.begin(), out.end(), n) == out.end())
        out.push_back(n);
  }
}

void TankModeler::MakeGapWalls(const BoardPtr& slab, const Tank& /*tank*/, const std::vector<Segment3d>& slabSegments,
                               const std::vector<BoardPtr>& slabs, const std::vector<Segment3d>& wallSegments,
                               double wallThickness, std::vector<BoardPtr>& out) const {
  for (std::size_t i = 0; i < slabs.size() && i < slabSegments.size(); ++i) {
    const _3dPoint A = slabSegments[i].start, B = slabSegments[i].end;
    if (IsSegmentOnLines(A, B, wallSegments)) continue;
    const _3dPoint A1 = OnPlane(A, *slab), B1 = OnPlane(B, *slab);
    const double tol = 10 * g_LengthTolerance;
    if (std::fabs(A1.z - A.z) < tol && std::fabs(B1.z - B.z) < tol) continue;
    if ((A.z < A1.z && B.z > B1.z) || (A.z > A1.z && B.z < B1.z)) continue;
    std::vector<_3dPoint> corners = A.z < A1.z ? std::vector<_3dPoint>{A, B, B1, A1}
                                               : std::vector<_3dPoint>{A1, B1, B, A};
    auto wall = boost::make_shared<Board>();
    wall->SetKind(0);
    wall->SetUpperOffset(wallThickness * 0.5);
    wall->SetLowerOffset(wallThickness * 0.5);
    const _3dPoint origin = corners[0];
    _3dVector x(corners[1].x - origin.x, corners[1].y - origin.y, corners[1].z - origin.z);
    const _3dVector up(0, 0, 1);
    _3dVector n = Cross(x, up);
    _3dVector y = Cross(n, x);
    x.Normalize();
    y.Normalize();
    wall->SetOrigin(origin);
    wall->SetXAxis(x);
    wall->SetYAxis(y);
    wall->SetWallStartCode(0);
    wall->SetWallEndCode(0);
    std::vector<BoardEdge> edges(4);
    for (int k = 0; k < 4; ++k)
      edges[k].SetLine(_2dLine(g_VekGeometryComm.WorldToLocal2d(origin, x, y, corners[k]),
                               g_VekGeometryComm.WorldToLocal2d(origin, x, y, corners[(k + 1) % 4])));
    wall->SetEdges(edges);
    out.push_back(wall);
  }
}

bool TankModeler::ModifySlabLevel(SlabLevelEdit edit, std::string* message) const {
  if (!edit.slab || !edit.tank) return false;
  Tank& tank = *edit.tank;
  const BoardPtr old = edit.slab;
  if (old->GetKind() == 0) {
    const std::string text = fmt::format("墙{}不是楼板,不能修改板面标高!", old->GetNumber());
    AfxMessageBox(text.c_str());
    if (message) *message = text;
    return false;
  }
  auto slab = boost::make_shared<Board>();
  if (!MakeBoardFromLocalOutline(edit.origin, edit.xAxis, edit.yAxis, edit.outline, old->GetThickness(),
                                 old->GetKind(), slab.get()))
    return false;
  model_items::CarryFaces(*old, *slab);
  slab->SetNumber(old->GetNumber());
  int other = 0;
  if (CheckSlabConflict(tank, slab, other)) {
    const std::string text =
        old->GetKind() == 1
            ? fmt::format("当前修改的底板{}不能高于顶板{}或相交,当前修改失败!", old->GetNumber(), other)
            : fmt::format("当前修改的顶板{}不能低于底板{}或相交,当前修改失败!", old->GetNumber(), other);
    AfxMessageBox(text.c_str());
    if (message) *message = text;
    return false;
  }
  std::vector<BoardPtr> walls, slabs;
  std::vector<Segment3d> wallSegments, slabSegments;
  CollectSlabJoints(old, tank, walls, wallSegments, slabs, slabSegments);
  // Openings, notches and loads go with the slab, at the same place in it.
  slab->SetWallStartCode(old->GetWallStartCode());
  slab->SetWallEndCode(old->GetWallEndCode());
  model_items::CarryItems(*old, *slab, model_items::ThroughFrames(*old, *slab));
  tank.UpdateBoard(old);
  std::vector<BoardPtr> outer;
  CollectOuterWalls(walls, tank, outer);
  if (!walls.empty()) {
    CutBoard(slab, tank, wallSegments, walls);
    for (const BoardPtr& wall : walls) tank.UpdateBoard(wall);
    tank.PrepareBoards(walls);
    tank.AddBoards(walls);
  }
  ReworkBoards(outer, tank);
  if (!slabs.empty()) {
    std::vector<BoardPtr> gaps;
    MakeGapWalls(slab, tank, slabSegments, slabs, wallSegments, edit.wallThickness, gaps);
    if (!gaps.empty()) tank.AddBoards(gaps);
  }
  tank.AddBoard(slab);
  return true;
}
