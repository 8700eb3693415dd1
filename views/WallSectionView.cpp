// The wall section drawing: cut, window, placement, dimensions and title.
#include "views/WallSectionView.h"

#include "drawing/WallSectionDimensions.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <typeinfo>

namespace {

const char* const kSectionPrompt = "请选择池壁剖面配筋图插入点";
constexpr int kKindBreakLine = 0x8000000;
constexpr int kKindTitle = 0x2000000;

BoardPtr AsBoard(const ObjectPtr& object) {
  return object && typeid(*object) == typeid(Board) ? boost::static_pointer_cast<Board>(object) : BoardPtr();
}

// A top slab rests on a wall of the drawing when the model gives the two an
// intersection line.
struct TopSlabMeetsWallPredicate {
  Tank& tank;
  BoardPtr topSlab;
  bool operator()(const BoardPtr& wall) const {
    _3dLine line;
    return tank.GetIntersectionLine(topSlab, wall, line);
  }
};

}  // namespace

bool TankWallReinSectionView::Draw(Tank& tank, double scale, const ViewSettings& settings, bool givenPoint,
                                   _3dPoint point) {
  // The tank does not change while the section is drawn: its joints and
  // neighbours are found once.
  const Structure::TopologyFreeze frozen(tank);
  const std::vector<boost::shared_ptr<StructureComponent>> components = tank.GetComponents();
  m_scale = scale;
  m_unit = static_cast<double>(GetDrawingUnit());
  const double f = GetDrawingFactor();
  m_probedBars.clear();
  m_barsProbed = false;
  m_planeBoards.clear();
  m_planeBoardsFound = false;

  CutSection(&tank, components, f, m_viewVolumn.m_origin, m_viewVolumn.m_xAxis, m_viewVolumn.m_yAxis);
  try {
    DrawSectionCut(f);
  } catch (const std::out_of_range&) {
    // The walk along the undersides of the cut slabs found no next line.
    throw std::runtime_error(
        "the cut outline of the slabs does not join up from the left end of the section to the right end");
  }

  // Each entity once, in the order of the object map.
  EntityList drawing;
  std::set<const Entity*> seen;
  for (const auto& [object, entities] : m_objectEntities)
    for (const EntityPtr& e : entities)
      if (e && seen.insert(e.get()).second) drawing.push_back(e);

  std::vector<boost::shared_ptr<_2dLine>> lines;
  CollectBoardLines(lines, m_cutExtraLines, m_cutBoardLines);
  for (const auto& line : lines) m_cutOutlineLines.push_back(boost::make_shared<_2dLine>(*line));

  FindOuterWalls(tank);
  const auto breaks = DrawCutEnds(&tank, &settings, drawing, f);
  if (!breaks.empty()) {
    const EntityList entities(breaks.begin(), breaks.end());
    AddEntities(entities, g_NullOwner, std::vector<int>(entities.size(), kKindBreakLine), {});
    drawing.insert(drawing.end(), entities.begin(), entities.end());
  }

  const Extents extent = givenPoint ? GetPlacementExtent(tank) : GetExtent(kKindMaskAll);
  _3dPoint base, target = point;
  if (givenPoint) {
    base = _3dPoint(extent.minX, extent.maxY, 0.0);
    if (m_pViewBoard) m_pViewBoard->MoveEntities(drawing, target - base);
  } else {
    base = _3dPoint(extent.minX, extent.minY, 0.0);
    if (!m_pViewBoard || !m_pViewBoard->DragEntities(drawing, base, target, kSectionPrompt)) {
      EraseEntitiesOfKinds(kKindMaskAll, false);
      return false;
    }
  }
  m_placement = target - base;
  TransformEntities();
  return true;
}

Extents TankWallReinSectionView::GetPlacementExtent(Tank& tank) const {
  EntityList kept;
  for (const auto& [object, entities] : m_objectEntities)
    for (const EntityPtr& e : entities)
      if (GetEntityKind(e) != kKindBreakLine) kept.push_back(e);
  EntityList dropped = CollectUnsupportedSlabEntities(tank);
  auto byAddress = [](const EntityPtr& a, const EntityPtr& b) { return a.get() < b.get(); };
  std::sort(kept.begin(), kept.end(), byAddress);
  std::sort(dropped.begin(), dropped.end(), byAddress);
  EntityList rest;
  std::set_difference(kept.begin(), kept.end(), dropped.begin(), dropped.end(), std::back_inserter(rest), byAddress);
  return GetEntitiesExtents(rest);
}

EntityList TankWallReinSectionView::CollectUnsupportedSlabEntities(Tank& tank) const {
  EntityList result;
  try {
    std::vector<BoardPtr> walls, topSlabs;
    for (const auto& [object, entities] : m_objectEntities) {
      const BoardPtr board = AsBoard(object);
      if (!board) continue;
      if (board->GetKind() == 0) walls.push_back(board);
      else if (board->GetKind() == 2) topSlabs.push_back(board);
    }
    std::vector<BoardPtr> unsupported;
    for (const BoardPtr& slab : topSlabs)
      if (std::none_of(walls.begin(), walls.end(), TopSlabMeetsWallPredicate{tank, slab})) unsupported.push_back(slab);
    std::vector<ObjectPtr> related;
    for (const BoardPtr& slab : unsupported) {
      if (const EntityList* list = m_objectEntities.Find(slab)) result.insert(result.end(), list->begin(), list->end());
      const auto objects = slab->GetRelatedObjects();
      related.insert(related.end(), objects.begin(), objects.end());
    }
    for (const ObjectPtr& object : related)
      if (const EntityList* list = object ? m_objectEntities.Find(object) : nullptr)
        result.insert(result.end(), list->begin(), list->end());
  } catch (...) {
    // What was gathered so far stands.
  }
  return result;
}

void TankWallReinSectionView::TransformEntities() {
  TankView::TransformEntities();
  for (const auto& line : m_cutOutlineLines)
    if (line) line->Move(m_placement);
  for (_2dLine& line : m_cutExtraLines) line.Move(m_placement);
  for (_2dLine& line : m_cutBoardLines) line.Move(m_placement);
  if (m_spLeftCut) m_spLeftCut->Move(m_placement);
  if (m_spRightCut) m_spRightCut->Move(m_placement);
  m_outerWallLeftX += m_placement.x;
  m_outerWallRightX += m_placement.x;
}

void TankWallReinSectionView::DrawDimensions(Tank&) {
  // The model height of the drawing's origin, in metres.
  const double h0 = -m_placement.y * (m_scale / m_unit) * 0.001;
  EntityList entities;
  std::vector<int> kinds;
  DimensionWallSection(*this, entities, kinds, {0.0, h0}, m_foundationLevel, true, true, true, true, true,
                       m_wallEndSegments, m_scale, m_unit);
  if (!entities.empty()) AddEntities(entities, ObjectPtr(), std::move(kinds), {});
}

void TankWallReinSectionView::DrawTitle(const DetailingSettings& detailing) {
  EraseEntitiesOfKinds(kKindTitle, false);
  const Extents extent = GetExtent(kKindMaskAll);
  const int n = m_spSection ? m_spSection->GetNumber() : 0;
  char number[32];
  std::snprintf(number, sizeof number, "%d-%d ", n, n);
  const EntityList title = PlaceTitle(extent, number + detailing.GetDrawingEntry(kDrawingSection).title);
  AddEntities(title, g_NullOwner, std::vector<int>(title.size(), kKindTitle), {});
  std::for_each(title.begin(), title.end(), BoardEntityOperation(m_pViewBoard, 0));
}
