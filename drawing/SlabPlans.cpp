// The walls and slab outlines of the plan drawings: wall face lines from the
// wall plan lines with their haunch lines, and the ring of each slab's face
// that looks at the viewer.
#include "view/TankView.h"

#include "platform/Dusmet.h"
#include "view/DrawingRoutines.h"

#include <boost/make_shared.hpp>

#include <cmath>
#include <utility>

namespace {

bool MeetsBoardOfKind(Tank& tank, const BoardPtr& wall, int kind) {
  std::vector<BoardPtr> boards;
  std::vector<int> own, other;
  tank.GetNeighbourBoards(wall, boards, own, other);
  for (const BoardPtr& b : boards)
    if (b && b->GetKind() == kind) return true;
  return false;
}

}  // namespace

void TankView::FileEntityOwnerKind(const EntityPtr& entity, const ObjectPtr& owner, int kind) {
  m_entityOwners.Insert(entity, ObjectList{owner});
  m_entityKinds.Insert(entity, kind);
}

void TankView::AppendObjectEntities(const ObjectPtr& object, const EntityList& entities) {
  if (EntityList* list = m_objectEntities.Find(object)) {
    list->insert(list->end(), entities.begin(), entities.end());
    return;
  }
  m_objectEntities.Insert(object, entities);
}

void TankView::DrawBoardPlans(Tank& tank, double factor, int mode,
                              const std::vector<boost::shared_ptr<StructureComponent>>& walls) {
  std::vector<_2dLine> lines;
  std::vector<std::vector<std::size_t>> sharing;
  std::vector<std::pair<double, double>> offsets;
  std::vector<std::pair<int, int>> codes;
  for (std::size_t i = 0; i < walls.size(); ++i) {
    const BoardPtr board = boost::dynamic_pointer_cast<Board>(walls[i]);
    if (!board) continue;
    // A slab plan shows only the walls standing on a slab of its kind.
    if (board->GetKind() == 0 && (mode == 1 || mode == 2) && !MeetsBoardOfKind(tank, board, mode)) continue;
    _2dLine line;
    if (!GetWallPlanLine(board, line)) continue;
    unsigned at = 0;
    if (IsLineInList(line, lines, at)) {
      sharing[at].push_back(i);
      continue;
    }
    lines.push_back(line);
    sharing.push_back({i});
    offsets.emplace_back(board->GetUpperOffset(), board->GetLowerOffset());
    codes.emplace_back(board->GetWallStartCode(), board->GetWallEndCode());
  }
  if (lines.empty()) return;

  std::vector<EntityList> groups = g_GeomAlgorithm.BuildOutlineGroups(lines, codes, offsets);
  const std::string layerA = GetLayerName(11);
  const std::string layerB = GetLayerName(19);

  std::vector<boost::shared_ptr<StructureComponent>> reps;
  std::vector<std::vector<_3dPoint>> traces;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    reps.push_back(walls[sharing[i].front()]);
    const _2dPoint a = lines[i].GetStartPoint(), b = lines[i].GetEndPoint();
    traces.push_back({_3dPoint(a.x, a.y, 0.0), _3dPoint(b.x, b.y, 0.0)});
  }
  std::vector<boost::shared_ptr<_2dLine>> junctions;
  DrawBoardJunctions(mode == 0 ? 11 : 19, tank, _3dPoint(0, 0, 0), _3dVector(1, 0, 0), _3dVector(0, 1, 0), reps,
                     traces, groups, junctions);

  auto scale = [factor](_2dLine& l) {
    _2dPoint a = l.GetStartPoint(), b = l.GetEndPoint();
    a.Scale(factor);
    b.Scale(factor);
    l.SetStartPoint(a);
    l.SetEndPoint(b);
  };
  for (EntityList& group : groups)
    for (const EntityPtr& e : group)
      if (e && typeid(*e) == typeid(_2dLine)) scale(static_cast<_2dLine&>(*e));
  for (const auto& j : junctions)
    if (j) scale(*j);

  const bool flag = tank.GetPlanDrawingFlag();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const BoardPtr wall = boost::dynamic_pointer_cast<Board>(reps[i]);
    const bool upperOuter = wall->IsUpperFaceOuter(), lowerOuter = wall->IsLowerFaceOuter();
    const _3dVector n3 = wall->GetNormal();
    const _2dVector n(n3.x, n3.y);
    _2dLine axis = lines[i];
    scale(axis);
    for (const EntityPtr& e : groups[i]) {
      if (!e) continue;
      if (mode == 0) {
        e->SetLayer(layerA);
        e->SetLinetype(g_LinetypeName);
        continue;
      }
      if (mode == 1 && flag) {
        e->SetLayer(layerB);
        e->SetLinetype(g_OutlineLinetypeName);
        continue;
      }
      const auto line = boost::dynamic_pointer_cast<_2dLine>(e);
      if (!line) continue;
      const _2dPoint foot = g_VekGeometryComm.GetPerpendicularFoot(line->GetStartPoint(), axis);
      const _2dVector towards = line->GetStartPoint() - foot;
      const bool upperSide = towards.GetAngleTo(n) < g_EqualTolerance;
      const bool outer = upperSide ? upperOuter : lowerOuter;
      e->SetLayer(outer ? layerA : layerB);
      e->SetLinetype(outer ? g_LinetypeName : g_OutlineLinetypeName);
    }
  }

  for (std::size_t i = 0; i < lines.size(); ++i)
    for (std::size_t owner : sharing[i])
      AddEntities(groups[i], walls[owner], std::vector<int>(groups[i].size(), kKindBoardOutline), {});
}

void TankView::DrawSlabPlans(const std::vector<boost::shared_ptr<StructureComponent>>& slabs, Tank&, double factor,
                             const _3dPoint* origin, const _3dVector* xAxis, const _3dVector* yAxis) {
  const _3dVector viewNormal = xAxis->CrossProduct(*yAxis);
  for (const auto& component : slabs) {
    const BoardPtr slab = boost::dynamic_pointer_cast<Board>(component);
    if (!slab) continue;
    const _3dVector rawNormal = slab->GetNormal();
    if (rawNormal == _3dVector(0, 0, 0)) continue;
    const _3dVector n = g_VekGeometryComm.Normalize3d(rawNormal);
    // Half the thickness in whole millimetres, truncated toward zero.
    const double off = std::trunc(slab->GetThickness() * 0.5 / n.GetLength());

    std::vector<_3dPoint> positive, negative;
    std::vector<_3dPoint> outline;
    slab->GetOutline(outline);
    for (const _3dPoint& p : outline) {
      const _3dPoint up(p.x + n.x * off, p.y + n.y * off, p.z + n.z * off);
      const _3dPoint down(p.x - n.x * off, p.y - n.y * off, p.z - n.z * off);
      if (g_VekGeometryComm.Normalize3d(up - p) == n) {
        positive.push_back(up);
        negative.push_back(down);
      } else if (g_VekGeometryComm.Normalize3d(down - p) == n) {
        positive.push_back(down);
        negative.push_back(up);
      }
    }
    const std::vector<_3dPoint>& face = viewNormal.GetAngleTo(n) < g_Pi * 0.5 ? positive : negative;

    std::vector<_2dPoint> plan;
    for (const _3dPoint& p : face) {
      _3dPoint projected;
      if (!g_VekGeometryComm.ProjectToPlane(*origin, *xAxis, *yAxis, p, projected)) continue;
      _2dPoint local;
      if (!g_VekGeometryComm.WorldToLocal2d(*origin, *xAxis, *yAxis, projected, local)) continue;
      plan.push_back(local);
    }

    EntityList ring;
    const std::string layer = GetLayerName(13);
    GetReinLineType(g_LinetypeName);
    for (std::size_t k = 0; k < plan.size(); ++k) {
      _2dPoint a = plan[k], b = plan[(k + 1) % plan.size()];
      a.Scale(factor);
      b.Scale(factor);
      auto line = boost::make_shared<_2dLine>(a, b);
      line->SetLayer(layer);
      line->SetLinetype(g_LinetypeName);
      ring.push_back(line);
    }
    m_objectEntities.Insert(slab, ring);
    for (const EntityPtr& e : ring) {
      m_entityOwners.Insert(e, ObjectList{slab});
      m_entityKinds.Insert(e, 0x1);
    }
  }
}
