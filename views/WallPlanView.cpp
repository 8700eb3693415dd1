#include "views/WallPlanView.h"

#include "drawing/WallPlanBoardDrawer.h"
#include "view/LabelClearance.h"

#include <algorithm>

namespace {

double TopZ(const Board& wall) {
  std::vector<_3dPoint> outline;
  wall.GetOutline(outline);
  double z = -1e300;
  for (const _3dPoint& p : outline) z = std::max(z, p.z);
  return z;
}

}  // namespace

bool WallTopLess::operator()(const BoardPtr& a, const BoardPtr& b) const {
  return g_VekGeometryComm.Lessthan(TopZ(*a), TopZ(*b), 1e-4);
}

bool TankWallReinPlanView::Draw(Tank& tank, double scale, const ViewSettings& settings, bool usePoint,
                                _3dPoint insertPoint) {
  const Structure::TopologyFreeze frozen(tank);
  const std::vector<BoardPtr> walls = tank.GetWalls();
  m_unit = static_cast<double>(GetDrawingUnit());
  m_scale = scale;
  DrawBoardPlans(tank, GetDrawingFactor(), 0, {walls.begin(), walls.end()});
  if (!PlaceDrawing(usePoint, insertPoint, "请选择池壁平面配筋图插入点")) return false;
  DrawWalls(settings.crackWidthLimit);
  ShowHideEntitiesOfKinds(&tank, kKindMaskPlanLines, 0, false);
  return true;
}

void TankWallReinPlanView::DrawWalls(double crackWidthLimit) {
  std::vector<BoardPtr> walls;
  for (const auto& [object, entities] : m_objectEntities)
    if (const BoardPtr b = boost::dynamic_pointer_cast<Board>(object))
      if (b->GetKind() == 0) walls.push_back(b);
  const WallPlanBoardDrawer drawer(this, crackWidthLimit);
  for (const BoardPtr& wall : walls) drawer.DrawEdgeResultLabels(wall);
  for (const BoardPtr& wall : walls) drawer.DrawBoardResultLabels(wall);
}

void TankWallReinPlanView::DrawAllRein(Tank& tank, const ViewSettings& settings) {
  std::vector<BoardPtr> walls = tank.GetWalls();
  if (walls.empty()) return;
  const BoardPtr top = *std::max_element(walls.begin(), walls.end(), WallTopLess());
  const auto tallestEnd = std::partition(walls.begin(), walls.end(), [&](const BoardPtr& w) {
    return !WallTopLess()(w, top) && !WallTopLess()(top, w);
  });
  const std::vector<boost::shared_ptr<StructureComponent>> tallest(walls.begin(), tallestEnd);

  std::vector<boost::shared_ptr<_2dLine>> boardLines;
  std::vector<_2dLine> cutLines, outlines;
  CollectBoardLines(boardLines, cutLines, outlines);

  std::vector<ReinZonePtr> lineZones, dotZones, supportZones;
  std::vector<std::vector<LineReinPtr>> lineBars;
  std::vector<DotReinPtr> dotRows, supportDots;
  DrawWallRein(7, &tank, tallest, false, &m_viewVolumn, &settings, boardLines, cutLines, 0.0, outlines, lineZones,
               dotZones, supportZones, lineBars, dotRows, supportDots);
  AlignWallReinLabels(&tank, lineZones, dotZones, lineBars, dotRows);
  // The range dimensions' texts stand at the middle of the walls, on the
  // faces' sides, where the bars' labels also stand: they are drawn first,
  // and the labels keep clear of them.
  DrawReinRangeDims(&tank, lineZones, dotZones, lineBars, dotRows);
  if (m_pViewBoard) {
    EntityList drawn;
    GetObjectEntities(g_NullOwner, drawn);
    std::vector<Extents> rangeTexts;
    for (const EntityPtr& e : drawn)
      if (const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
          dim && GetEntityKind(e) == kKindRangeDimension)
        rangeTexts.push_back(DimensionTextBox(*dim, *m_pViewBoard));
    KeepWallLabelsClear(lineBars, dotRows, supportDots, *m_pViewBoard, rangeTexts);
  }

  for (std::size_t i = 0; i < lineZones.size() && i < lineBars.size(); ++i)
    AddLineReinEntities(lineZones[i], {lineBars[i].begin(), lineBars[i].end()});
  for (std::size_t i = 0; i < dotZones.size() && i < dotRows.size(); ++i)
    if (dotRows[i]) AddLineReinEntities(dotZones[i], {dotRows[i]});
  for (std::size_t i = 0; i < supportZones.size() && i < supportDots.size(); ++i)
    if (supportDots[i]) AddLineReinEntities(supportZones[i], {supportDots[i]});

  const BoardEntityOperation show(m_pViewBoard, 0);
  EntityList shown;
  for (const auto& bars : lineBars)
    for (const LineReinPtr& bar : bars)
      if (bar) bar->GetEntities(shown);
  for (const auto* rows : {&dotRows, &supportDots})
    for (const DotReinPtr& row : *rows)
      if (row) row->GetEntities(shown);
  std::for_each(shown.begin(), shown.end(), show);
}

void TankWallReinPlanView::DrawTitle(const DetailingSettings& detailing) {
  EraseEntitiesOfKinds(0x2000000, false);
  const Extents box = GetExtent(kKindMaskPlacementExtent);
  const EntityList title = PlaceTitle(box, detailing.GetDrawingEntry(4).title);
  AddEntities(title, g_NullOwner, std::vector<int>(title.size(), 0x2000000), {});
  std::for_each(title.begin(), title.end(), BoardEntityOperation(m_pViewBoard, 0));
}
