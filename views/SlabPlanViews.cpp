// The bottom and top slab reinforcement plans.
#include "views/DrawingViews.h"

#include "drawing/SlabPlanBoardDrawer.h"

#include <algorithm>

void BoardEntityOperation::operator()(const EntityPtr& entity) const {
  if (!m_board) return;
  switch (m_mode) {
    case 0: m_board->ShowEntity(entity); break;
    case 1: m_board->HideEntity(entity); break;
    case 2: m_board->RemoveEntity(entity); break;
    default: break;
  }
}

namespace {

std::vector<boost::shared_ptr<StructureComponent>> AsComponents(const std::vector<BoardPtr>& boards) {
  return {boards.begin(), boards.end()};
}

}  // namespace

std::vector<BoardPtr> SlabReinPlanView::Slabs(const Tank& tank) const {
  return m_slabKind == 1 ? tank.GetBottomSlabs() : tank.GetTopSlabs();
}

bool SlabReinPlanView::Draw(Tank& tank, double scale, const ViewSettings& settings, bool usePoint,
                            _3dPoint insertPoint) {
  // The tank does not change while the plan is drawn: its joints and
  // neighbours are found once.
  const Structure::TopologyFreeze frozen(tank);
  const std::vector<BoardPtr> slabs = Slabs(tank);
  const std::vector<BoardPtr> walls = tank.GetWalls();
  m_scale = scale;
  m_unit = static_cast<double>(GetDrawingUnit());
  const double factor = GetDrawingFactor();

  if (m_slabKind == 1)
    DrawBoardPlans(tank, factor, 1, AsComponents(tank.GetSlabWalls(slabs, walls)));
  else
    DrawBoardPlans(tank, factor, 2, AsComponents(walls));
  DrawSlabPlans(AsComponents(slabs), tank, factor, &m_viewVolumn.m_origin, &m_viewVolumn.m_xAxis,
                &m_viewVolumn.m_yAxis);
  if (m_slabKind == 1) DrawSlabOverhangOutline(AsComponents(slabs), factor, true, tank);

  const std::string prompt = m_slabKind == 1 ? "请选择底面配筋图插入点" : "请选择顶面配筋图插入点";
  if (!PlaceDrawing(usePoint, insertPoint, prompt)) return false;
  DrawBoards(settings.crackWidthLimit);
  ShowHideEntitiesOfKinds(&tank, kKindMaskPlanLines, 0, false);
  return true;
}

void SlabReinPlanView::DrawBoards(double crackWidthLimit) {
  std::vector<BoardPtr> boards;
  for (const auto& [object, entities] : m_objectEntities)
    if (const BoardPtr b = boost::dynamic_pointer_cast<Board>(object))
      if (b->GetKind() == m_slabKind) boards.push_back(b);
  std::for_each(boards.begin(), boards.end(), SlabPlanBoardDrawer::CopyOutlineLines(this));
  std::for_each(boards.begin(), boards.end(), SlabPlanBoardDrawer::DrawEdgeResultLabels(this, crackWidthLimit));
  std::for_each(boards.begin(), boards.end(), SlabPlanBoardDrawer::DrawBoardResultLabels(this, crackWidthLimit));
  EraseEntitiesOfKinds(0x1, false);
}

void SlabReinPlanView::DrawBoardReinAt(Tank& tank, const _3dPoint& point, const ViewSettings& settings) {
  const double inverse = m_scale / m_unit;
  const _2dPoint p((point.x - m_placement.x) * inverse, (point.y - m_placement.y) * inverse);
  for (const BoardPtr& slab : Slabs(tank))
    if (slab->ContainsPoint(p)) {
      DrawBoardRein(tank, {slab}, &settings);
      return;
    }
  // A point over no slab of the plan draws nothing.
}

void SlabReinPlanView::DrawAllRein(Tank& tank, const ViewSettings& settings) {
  DrawBoardRein(tank, AsComponents(Slabs(tank)), &settings);
}

void SlabReinPlanView::DrawLabels(Tank& tank, int labelFlags) {
  for (const BoardPtr& slab : Slabs(tank)) DrawBoardLabels(slab, labelFlags);
}

void SlabReinPlanView::DrawTitle(const DetailingSettings& detailing) {
  EraseEntitiesOfKinds(0x2000000, false);
  const Extents box = GetExtent(kKindMaskPlacementExtent);
  const EntityList title = PlaceTitle(box, detailing.GetDrawingEntry(m_slabKind == 1 ? 2 : 1).title);
  AddEntities(title, g_NullOwner, std::vector<int>(title.size(), 0x2000000), {});
  std::for_each(title.begin(), title.end(), BoardEntityOperation(m_pViewBoard, 0));
}
