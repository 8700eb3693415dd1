#include "modelview/TankModel3DView.h"

#include "platform/Dusmet.h"
#include "platform/quenby/concrete.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

constexpr int kKindModel3d = 8192;

// A closed loop of lines through the points (last back to first).
std::vector<_3dLine> Loop(const std::vector<_3dPoint>& pts) {
  std::vector<_3dLine> loop;
  for (std::size_t i = 0; i < pts.size(); ++i) loop.emplace_back(pts[i], pts[(i + 1) % pts.size()]);
  return loop;
}

// The points without consecutive repeats and without a repeated closing point.
std::vector<_3dPoint> Distinct(std::vector<_3dPoint> pts) {
  std::vector<_3dPoint> out;
  for (const _3dPoint& p : pts)
    if (out.empty() || !(out.back() == p)) out.push_back(p);
  while (out.size() > 1 && out.front() == out.back()) out.pop_back();
  return out;
}

// The shift from a board's reference plane to the plane half-way between its
// faces.
_3dVector MidPlaneShift(const Board& board) {
  const double up = board.GetUpperOffset(), lo = board.GetLowerOffset();
  if (g_VekGeometryComm.Equal(up, lo, 0.0)) return _3dVector(0, 0, 0);
  _3dVector n = board.GetNormal();
  n.Normalize(0.1);
  return n * ((up - lo) * 0.5);
}

std::string LayerOfKind(int kind, const std::string layers[3]) {
  return kind >= 0 && kind <= 2 ? layers[kind] : std::string();
}

// The solids of a slab's overhang: each region on the slab's mid-plane with
// the slab's thickness, its holes (an overhang all round the plan) cut out.
EntityList OverhangSolids(const BoardConcrete& concrete) {
  EntityList out;
  const Board& slab = *concrete.board;
  const double z = slab.GetOrigin().z + MidPlaneShift(slab).z;
  const auto ring = [z](const std::vector<_2dPoint>& pts) {
    std::vector<_3dPoint> loop;
    for (const _2dPoint& p : pts) loop.emplace_back(p.x, p.y, z);
    return Distinct(loop);
  };
  for (const OverhangConcrete& part : concrete.overhang)
    for (const PlanRegion& region : part.regions) {
      const std::vector<_3dPoint> outer = ring(region.outer);
      if (outer.size() < 3) continue;
      auto solid = boost::make_shared<_3dExtrudant>();
      solid->SetProfile(Loop(outer));
      solid->SetHeight(slab.GetThickness());
      for (const std::vector<_2dPoint>& hole : region.holes) {
        const std::vector<_3dPoint> inner = ring(hole);
        if (inner.size() < 3) continue;
        auto cutter = boost::make_shared<_3dExtrudant>();
        cutter->SetProfile(Loop(inner));
        cutter->SetHeight(3.0 * slab.GetThickness());
        solid->AddHole(cutter);
      }
      out.push_back(solid);
    }
  return out;
}

}  // namespace

TankModel3DView::TankModel3DView(AcadViewBoard* board) : TankView(board, ViewSettings(), ViewVolumn()) {}

TankModel3DView::~TankModel3DView() = default;

void TankModel3DView::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  File(ar, m_showTopSlabs);
  File(ar, m_showWalls);
  File(ar, m_showBottomSlabs);
  File(ar, m_zoomToExtent);
}

void TankModel3DView::Redraw(Tank& tank) {
  std::vector<EntityList> lists = BuildBoardSolids(tank);

  std::vector<JointLinePtr> jointLines;
  tank.GetJointLines(jointLines);
  // Where several boards meet along one line (walls at a corner or a
  // cross, a wall between two slabs) the tank lists a joint per pair of
  // boards: the line is drawn once.
  EntityList lines;
  std::vector<_3dLine> drawn;
  const auto near = [](const _3dPoint& p, const _3dPoint& q) { return (p - q).GetLength() < 1.0; };
  for (const JointLinePtr& joint : jointLines) {
    if (!joint) continue;
    const _3dLine line = joint->GetLine();
    const _3dPoint a = line.GetStartPoint(), b = line.GetEndPoint();
    const bool seen = std::any_of(drawn.begin(), drawn.end(), [&](const _3dLine& d) {
      return (near(d.GetStartPoint(), a) && near(d.GetEndPoint(), b)) ||
             (near(d.GetStartPoint(), b) && near(d.GetEndPoint(), a));
    });
    if (seen) continue;
    drawn.push_back(line);
    lines.push_back(boost::make_shared<_3dLine>(a, b));
  }
  if (!lines.empty()) {
    AddEntities(lines, ObjectPtr(), std::vector<int>(lines.size(), kKindModel3d), {});
    lists.push_back(lines);
  }

  if (!m_pViewBoard) return;
  for (const EntityList& list : lists)
    for (const EntityPtr& e : list) m_pViewBoard->AddEntity(e);
  if (!lists.empty() && m_zoomToExtent != 0) {
    m_pViewBoard->SetViewMode(true);
    const Extents E = GetExtent(kKindMaskAll);
    m_pViewBoard->ZoomWindow(_3dPoint(E.maxX, E.maxY, E.maxZ), _3dPoint(E.minX, E.minY, E.minZ), true);
  }
}

std::vector<EntityList> TankModel3DView::BuildBoardSolids(Tank& tank) {
  // Drawing changes no board's geometry: the neighbours are found once.
  const Structure::TopologyFreeze frozen(tank);
  const std::string layers[3] = {GetLayerName(0), GetLayerName(1), GetLayerName(2)};
  const TankConcrete concrete = BuildTankConcrete(tank);
  std::vector<EntityList> result;
  for (const StructureComponentPtr& component : tank.GetComponents()) {
    if (!component || typeid(*component) != typeid(Board)) continue;
    const BoardPtr board = boost::static_pointer_cast<Board>(component);
    const int kind = board->GetKind();
    if ((kind == 0 && !m_showWalls) || (kind == 1 && !m_showBottomSlabs) || (kind == 2 && !m_showTopSlabs)) continue;
    const BoardConcrete* cast = concrete.Find(board.get());
    const boost::shared_ptr<_3dExtrudant> solid =
        MakeBoardSolid(*board, cast ? cast->grow : ConcreteEdgeGrow(board, tank));
    if (!solid) continue;  // a board without an outline has no solid
    const std::string layer = LayerOfKind(kind, layers);
    solid->SetLayer(layer);
    EntityList list{solid};
    for (const EntityPtr& overhang : cast ? OverhangSolids(*cast) : EntityList()) {
      overhang->SetLayer(layer);
      list.push_back(overhang);
    }
    AddEntities(list, board, std::vector<int>(list.size(), kKindModel3d), {});
    result.push_back(list);
  }
  return result;
}

void TankModel3DView::CollectSelectedEntities(EntityHandleList& out) const {
  if (!m_pViewBoard) return;
  for (const auto& [entity, owners] : m_entityOwners) {
    EntityHandle handle;
    if (m_pViewBoard->FindEntityHandle(entity, handle)) out.push_back(handle);
  }
}

boost::shared_ptr<_3dExtrudant> TankModel3DView::MakeBoardSolid(const Board& board) {
  return MakeBoardSolid(board, {});
}

boost::shared_ptr<_3dExtrudant> TankModel3DView::MakeBoardSolid(const Board& board, const std::vector<double>& grow) {
  std::vector<_3dPoint> pts;
  board.GetOutline(pts);
  bool grows = false;
  for (double g : grow) grows = grows || g != 0.0;
  if (grows && grow.size() == pts.size()) {
    std::vector<_2dPoint> local;
    board.GetLocalOutline(local);
    if (local.size() == pts.size()) {
      pts.clear();
      for (const _2dPoint& q : GrowPolygonEdges(local, grow)) pts.push_back(board.LocalToWorld(q));
    }
  }
  pts = Distinct(pts);
  if (pts.size() < 3) return {};
  const _3dVector shift = MidPlaneShift(board);
  for (_3dPoint& p : pts) p = p + shift;
  auto solid = boost::make_shared<_3dExtrudant>();
  solid->SetHeight(board.GetUpperOffset() + board.GetLowerOffset());
  solid->SetProfile(Loop(pts));
  AddOpeningCutters(board, *solid);
  return solid;
}

void TankModel3DView::AddOpeningCutters(const Board& board, _3dExtrudant& solid) {
  const _3dPoint& origin = board.GetOrigin();
  const _3dVector& xAxis = board.GetXAxis();
  const _3dVector& yAxis = board.GetYAxis();
  const _3dVector normal = g_VekGeometryComm.CrossProduct(xAxis, yAxis);
  const double cutterHeight = 3.0 * board.GetThickness();
  for (const HolePtr& hole : board.GetHoles()) {
    if (!hole) continue;
    auto cutter = boost::make_shared<_3dExtrudant>();
    if (typeid(*hole) == typeid(CircleHole)) {
      const auto& circle = static_cast<const CircleHole&>(*hole);
      cutter->SetProfile(_3dCircle(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, circle.GetCenter()),
                                   circle.GetRadius(), normal));
      cutter->SetHeight(cutterHeight);
    } else if (typeid(*hole) == typeid(RectangleHole)) {
      std::vector<_3dPoint> pts;
      for (const _2dPoint& c : static_cast<const RectangleHole&>(*hole).GetCorners())
        pts.push_back(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, c));
      pts = Distinct(pts);
      if (pts.size() < 3) continue;
      cutter->SetProfile(Loop(pts));
      cutter->SetHeight(cutterHeight);
    } else if (typeid(*hole) == typeid(Notch)) {
      // The notch is cut through the board's thickness: its outline is taken
      // into the board's own plane, widened by 1 mm so that no skin is left
      // along the board edges it lies on, and extruded along the normal like
      // the openings.  (Cutting it as a vertical prism of its plan outline
      // would give a cutter without area in a wall and without height in a
      // level slab.)
      std::vector<_3dPoint> local;
      for (const _3dPoint& p : static_cast<const Notch&>(*hole).GetOutline()) {
        const _2dPoint q = g_VekGeometryComm.WorldToLocal2d(origin, xAxis, yAxis, p);
        local.emplace_back(q.x, q.y, 0.0);
      }
      std::vector<_3dPoint> grown;
      if (!g_GeomAlgorithm.MakeCutterOutline(local, grown, 1.0)) continue;
      std::vector<_3dPoint> pts;
      for (const _3dPoint& q : grown)
        pts.push_back(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, _2dPoint(q.x, q.y)));
      cutter->SetProfile(Loop(pts));
      cutter->SetHeight(cutterHeight);
    } else {
      continue;  // an opening kind the model view does not know
    }
    solid.AddHole(cutter);
  }
}

EntityList TankModel3DView::BuildOverhangSolids(const BoardPtr& board, Tank& tank) {
  const TankConcrete concrete = BuildTankConcrete(tank);
  const BoardConcrete* cast = concrete.Find(board.get());
  return cast ? OverhangSolids(*cast) : EntityList();
}
