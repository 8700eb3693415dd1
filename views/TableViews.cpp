// The table views' common body and the rebar schedule.
#include "views/TableViews.h"

#include "platform/Dusmet.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <algorithm>
#include <cstdint>
#include <unordered_map>

// ---------------------------------------------------------------------------
// TankTableView

bool TankTableView::Draw(Tank& tank, double /*scale*/, const ViewSettings& /*settings*/, bool atPoint,
                         _3dPoint point) {
  TankReinZones zones = tank.GetReinZones();
  DrawTables(tank, zones, atPoint, point);
  return true;
}

void TankTableView::RedrawAfterReinEdit(Tank& tank) {
  EntityList standing;
  ListOwnEntities(standing);
  if (standing.empty()) return;
  const _3dPoint at = m_insertPoint;
  Clear();
  m_placed = false;
  Draw(tank, 1.0, ViewSettings(), true, at);
}

// The registry (empty for a drawn table) and the table's own entities.
void TankTableView::HideAllEntities() {
  TankView::HideAllEntities();
  EntityList all;
  ListOwnEntities(all);
  std::for_each(all.begin(), all.end(), BoardEntityOperation(m_pViewBoard, 1));
}

void TankTableView::ShowAllEntities() {
  TankView::ShowAllEntities();
  EntityList all;
  ListOwnEntities(all);
  std::for_each(all.begin(), all.end(), BoardEntityOperation(m_pViewBoard, 0));
}

Extents TankTableView::GetExtent(int /*mask*/) const {
  return m_pViewBoard ? m_pViewBoard->GetExtent(m_entities) : GetEntitiesExtent(m_entities);
}

void TankTableView::ListOwnEntities(EntityList& out) const { out.insert(out.end(), m_entities.begin(), m_entities.end()); }

void TankTableView::PlaceTable(const EntityList& entities, bool atPoint, const _3dPoint& point) {
  const _3dPoint origin(0.0, 0.0, 0.0);
  auto remember = [this](const _3dPoint& at) {
    if (!m_placed) m_insertPoint = at;
    m_placed = true;
  };
  if (atPoint || !m_pViewBoard) {
    remember(point);
    const _3dVector offset = point - origin;
    for (const EntityPtr& e : entities) e->Move(offset);
    if (m_pViewBoard)
      for (const EntityPtr& e : entities) m_pViewBoard->ShowEntity(e);
    return;
  }
  // The board moves only its drawn copies while the user drags; the table's
  // own geometry then follows, and the entities reach the drawing again
  // from it, so that the drawing and the entities agree.
  _3dPoint chosen = origin;
  const bool dragged = m_pViewBoard->DragEntities(entities, origin, chosen, "");
  remember(chosen);
  if (!dragged) return;
  const _3dVector offset = chosen - origin;
  for (const EntityPtr& e : entities) {
    m_pViewBoard->EraseEntity(e);
    e->Move(offset);
    m_pViewBoard->ShowEntity(e);
  }
}

boost::shared_ptr<_Text> TankTableView::MakeCellText(const std::string& text, const _3dPoint& at, double height,
                                                     int textKind) {
  auto t = boost::make_shared<_Text>(text, at, height, 0.0);
  t->SetWidth(0.7 * height);
  t->SetNormal(_3dVector(0.0, 0.0, 1.0));
  t->SetAlignment(_Text::kCenter, _Text::kMiddle);
  t->SetLayer(GetLayerName(8));
  const int style = GetTextStyle(textKind);
  t->SetTextStyle(style);
  t->SetStyleName(GetTextStyleName(style));
  return t;
}

boost::shared_ptr<_3dLine> TankTableView::MakeGridLine(double x0, double y0, double x1, double y1) {
  auto line = boost::make_shared<_3dLine>(_3dPoint(x0, y0, 0.0), _3dPoint(x1, y1, 0.0));
  line->SetLayer(GetLayerName(9));
  return line;
}

// --- Filing: the entities in full (appended to the running list), the
// positions of the table entities among them, then the rows.

namespace {

int ReadPosition(Archive& ar, std::size_t size, const char* what) {
  const std::uint64_t at = ar.Tell();
  int position = 0;
  ar.ReadInt(position);
  if (position < 0 || static_cast<std::size_t>(position) >= size)
    throw ArchiveError(std::string(what) + " position " + std::to_string(position) + " outside the " +
                           std::to_string(size) + " filed before it",
                       at);
  return position;
}

std::unordered_map<const Entity*, int> PositionsOf(const EntityList& list) {
  std::unordered_map<const Entity*, int> positions;
  for (std::size_t i = 0; i < list.size(); ++i) positions.emplace(list[i].get(), static_cast<int>(i));
  return positions;
}

}  // namespace

void TankTableView::WriteOwnRecord(Archive& ar, const ObjectList& modelObjects, EntityList& running) const {
  EntityList own;
  ListOwnEntities(own);
  ar.WriteInt(static_cast<int>(own.size()));
  for (const EntityPtr& e : own) {
    ar << static_cast<const VekObject*>(e.get());
    running.push_back(e);
  }
  const auto positions = PositionsOf(own);
  ar.WriteInt(static_cast<int>(m_entities.size()));
  for (const EntityPtr& e : m_entities) ar.WriteInt(positions.at(e.get()));
  ar << m_insertPoint;
  WriteRows(ar, modelObjects, own);
}

void TankTableView::ReadOwnRecord(Archive& ar, const ObjectList& modelObjects, EntityList& running) {
  int count = 0;
  ar.ReadCount(count, 4);
  EntityList own;
  own.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::uint64_t at = ar.Tell();
    boost::shared_ptr<VekObject> object;
    ar >> object;
    EntityPtr entity = boost::dynamic_pointer_cast<Entity>(object);
    if (!entity) throw ArchiveError("drawn entity expected in a table record", at);
    own.push_back(entity);
    running.push_back(entity);
  }
  ar.ReadCount(count, 4);
  m_entities.clear();
  for (int i = 0; i < count; ++i) m_entities.push_back(own[static_cast<std::size_t>(ReadPosition(ar, own.size(), "table entity"))]);
  ar >> m_insertPoint;
  m_placed = !own.empty();
  ReadRows(ar, modelObjects, own);
}

// ---------------------------------------------------------------------------
// ReinTableView

namespace {

struct ScheduleColumn {
  const char* caption;
  double width;  // × u
};
constexpr ScheduleColumn kScheduleColumns[7] = {{"编号", 20}, {"略图", 70}, {"直径", 20}, {"间距", 20},
                                                {"长度", 30}, {"根数", 20}, {"总长度", 30}};

}  // namespace

void ReinTableView::DrawTables(Tank& tank, TankReinZones& zones, bool atPoint, _3dPoint point) {
  const MarkTotals totals(zones);
  const ZoneBoardMap farZones = CollectFarZones(tank);
  const bool combined = m_viewSettings.combineTables != 0;
  std::vector<ScheduleCell> collected;
  for (int parts : TableParts(combined)) {
    std::vector<ScheduleCell> cells;
    EntityList entities;
    DrawSchedule(zones, parts, totals, farZones, cells, entities);
    EntityList place = entities;
    for (const ScheduleCell& cell : cells) place.push_back(cell.extent.m_entity);
    m_entities.insert(m_entities.end(), entities.begin(), entities.end());
    collected.insert(collected.end(), cells.begin(), cells.end());
    PlaceTable(place, atPoint, point);
    if (!combined) {
      const Extents box = GetEntitiesExtent(place);
      point.x += 1.2 * (box.maxX - box.minX);
    }
  }
  FileCells(collected);
}

void ReinTableView::DrawSchedule(Tank& tank, TankReinZones& zones, int parts, std::vector<ScheduleCell>& cells,
                                 EntityList& entities) {
  DrawSchedule(zones, parts, MarkTotals(zones), CollectFarZones(tank), cells, entities);
}

void ReinTableView::DrawSchedule(const TankReinZones& zones, int parts, const MarkTotals& totals,
                                 const ZoneBoardMap& farZones, std::vector<ScheduleCell>& cells,
                                 EntityList& entities) {
  const std::vector<ReinZonePtr> rowZones = SelectTableZones(zones, parts);
  const double u = static_cast<double>(GetDrawingUnit());
  const AcadViewBoard& board = m_pViewBoard ? *m_pViewBoard : g_ViewBoard;

  CViewReinForm form;
  for (int j = 0; j < 7; ++j) form.m_columns.push_back({kScheduleColumns[j].width * u, j});
  form.m_rowHeights.push_back(20.0 * u);

  // The sketches first: they give the rows their heights.
  std::vector<_2dPolyline> bars;
  std::vector<boost::shared_ptr<_2dPolyline>> sketches;
  for (const ReinZonePtr& zone : rowZones) {
    _2dPolyline bar;
    if (const ReinPtr typical = zone->GetTypicalRein()) bar = typical->GetPolyline();
    bar.SetLayer(GetLayerName(7));
    auto sketch = boost::make_shared<_2dPolyline>();
    MakeBarSketch(board, 60.0 * u, bar, *sketch);
    const _2dPolyline box = g_GeomAlgorithm.GetBoundingBox(*sketch);
    form.m_rowHeights.push_back(box.GetVertexAt(2).y - box.GetVertexAt(0).y + 7.0 * u);
    sketch->SetConstantWidth(0.3 * u);
    bars.push_back(std::move(bar));
    sketches.push_back(sketch);
  }

  for (int j = 0; j < 7; ++j) entities.push_back(MakeCellText(kScheduleColumns[j].caption, form.CellCenter(0, j), 5.0 * u));

  for (std::size_t k = 0; k < rowZones.size(); ++k) {
    const ReinZonePtr& zone = rowZones[k];
    const int r = static_cast<int>(k) + 1;
    const ScheduleRow row = MakeScheduleRow(zone, totals);
    auto add = [&](int tag, const EntityPtr& entity) { cells.push_back({EntityExtent(tag, entity), zone}); };
    auto text = [&](int tag, const std::string& value) {
      add(tag, MakeCellText(value, form.CellCenter(r, tag - 1), 3.0 * u));
    };
    text(1, std::to_string(row.mark));
    if (sketches[k]->VerNums() >= 2) {
      _3dPoint target = form.CellCenter(r, 1);
      target.y += (2.0 * u - 5.0 * u) / 2.0;
      PlaceBarSketch(farZones, zone, *sketches[k], target);
      add(2, sketches[k]);
      for (const auto& length : DrawSegmentLengths(*sketches[k], bars[k], u)) add(2, length);
    }
    text(3, std::to_string(row.diameter));
    text(4, SpacingText(row.spacing));
    text(5, std::to_string(row.length));
    text(6, std::to_string(row.count));
    text(7, std::to_string(row.totalLength));
  }

  double W = 0.0, H = 0.0;
  for (const TableColumn& c : form.m_columns) W += c.width;
  for (double h : form.m_rowHeights) H += h;
  entities.push_back(MakeGridLine(0.0, 0.0, W, 0.0));
  double y = 0.0;
  for (double h : form.m_rowHeights) {
    y -= h;
    entities.push_back(MakeGridLine(0.0, y, W, y));
  }
  entities.push_back(MakeGridLine(0.0, 0.0, 0.0, -H));
  double x = 0.0;
  for (const TableColumn& c : form.m_columns) {
    x += c.width;
    entities.push_back(MakeGridLine(x, 0.0, x, -H));
  }

  const std::string title = ScheduleTitle(parts);
  if (!title.empty()) {
    const EntityList titled = PlaceTitle(Extents(0.0, -H, 0.0, W, 0.0, 0.0), title);
    entities.insert(entities.end(), titled.begin(), titled.end());
  }
}

void ReinTableView::FileCells(const std::vector<ScheduleCell>& cells) {
  for (const ScheduleCell& cell : cells) {
    if (!m_textOwners.Insert(cell.extent.m_entity, {cell.extent.m_tag, cell.zone})) continue;
    m_rowTexts.Insert(cell.zone, {});
    m_rowTexts.Find(cell.zone)->push_back(cell.extent);
  }
}

void ReinTableView::Clear() {
  if (m_pViewBoard) {
    for (const auto& [zone, row] : m_rowTexts)
      for (const EntityExtent& cell : row) m_pViewBoard->RemoveEntity(cell.m_entity);
  }
  m_rowTexts.clear();
  m_textOwners.clear();
  if (m_pViewBoard)
    for (const EntityPtr& e : m_entities) m_pViewBoard->RemoveEntity(e);
  m_entities.clear();
}

bool ReinTableView::GetEntityColumn(const EntityPtr& entity, int& column) const {
  const auto* owner = m_textOwners.Find(entity);
  if (!owner) return false;
  column = owner->first;
  return true;
}

bool ReinTableView::GetPickedColumn(const EntityHandle& picked, int& column) const {
  EntityPtr entity;
  if (!m_pViewBoard || !m_pViewBoard->FindEntity(picked, entity)) return false;
  return GetEntityColumn(entity, column);
}

void ReinTableView::ListObjectEntities(ObjectEntityPairs& out) const {
  for (const auto& [zone, row] : m_rowTexts) {
    EntityList entities;
    for (const EntityExtent& cell : row) entities.push_back(cell.m_entity);
    out.emplace_back(zone, std::move(entities));
  }
}

bool ReinTableView::GetEntityOwner(const EntityPtr& entity, ObjectPtr& owner) const {
  const auto* found = m_textOwners.Find(entity);
  if (!found) return false;
  owner = found->second;
  return true;
}

bool ReinTableView::GetObjectEntities(const ObjectPtr& object, EntityList& entities) const {
  if (const ReinZonePtr zone = boost::dynamic_pointer_cast<ReinZone>(object))
    if (const auto* row = m_rowTexts.Find(zone))
      for (const EntityExtent& cell : *row) entities.push_back(cell.m_entity);
  return !entities.empty();
}

std::vector<ReinZonePtr> ReinTableView::GetRowZones() const {
  std::vector<ReinZonePtr> zones;
  for (const auto& [zone, row] : m_rowTexts) zones.push_back(zone);
  return zones;
}

std::vector<EntityExtent> ReinTableView::GetRowEntities(const ReinZonePtr& zone) const {
  const auto* row = m_rowTexts.Find(zone);
  return row ? *row : std::vector<EntityExtent>();
}

void ReinTableView::ListOwnEntities(EntityList& out) const {
  for (const auto& [zone, row] : m_rowTexts)
    for (const EntityExtent& cell : row) out.push_back(cell.m_entity);
  TankTableView::ListOwnEntities(out);
}

// Rows: int R, R × { int zone position in the tank's objects, int n,
// n × { int column tag, int entity position } }.  A row whose zone is no
// longer in the tank (a design run since the schedule was drawn) is filed
// as table entities, so that clearing still removes it.
void ReinTableView::WriteRows(Archive& ar, const ObjectList& modelObjects, const EntityList& own) const {
  std::unordered_map<const VekObject*, int> objectPositions;
  for (std::size_t i = 0; i < modelObjects.size(); ++i)
    objectPositions.emplace(modelObjects[i].get(), static_cast<int>(i));
  const auto positions = PositionsOf(own);
  std::vector<std::pair<int, const std::vector<EntityExtent>*>> rows;
  std::vector<int> stray;
  for (const auto& [zone, row] : m_rowTexts) {
    const auto it = objectPositions.find(zone.get());
    if (it != objectPositions.end()) {
      rows.emplace_back(it->second, &row);
    } else {
      for (const EntityExtent& cell : row) stray.push_back(positions.at(cell.m_entity.get()));
    }
  }
  ar.WriteInt(static_cast<int>(stray.size()));
  for (int p : stray) ar.WriteInt(p);
  ar.WriteInt(static_cast<int>(rows.size()));
  for (const auto& [position, row] : rows) {
    ar.WriteInt(position);
    ar.WriteInt(static_cast<int>(row->size()));
    for (const EntityExtent& cell : *row) {
      ar.WriteInt(cell.m_tag);
      ar.WriteInt(positions.at(cell.m_entity.get()));
    }
  }
}

void ReinTableView::ReadRows(Archive& ar, const ObjectList& modelObjects, const EntityList& own) {
  m_rowTexts.clear();
  m_textOwners.clear();
  int count = 0;
  ar.ReadCount(count, 4);
  for (int i = 0; i < count; ++i) m_entities.push_back(own[static_cast<std::size_t>(ReadPosition(ar, own.size(), "table entity"))]);
  ar.ReadCount(count, 8);
  for (int i = 0; i < count; ++i) {
    const std::uint64_t at = ar.Tell();
    const int position = ReadPosition(ar, modelObjects.size(), "rebar zone");
    const ReinZonePtr zone = boost::dynamic_pointer_cast<ReinZone>(modelObjects[static_cast<std::size_t>(position)]);
    if (!zone) throw ArchiveError("rebar zone expected for a schedule row", at);
    int n = 0;
    ar.ReadCount(n, 8);
    std::vector<ScheduleCell> cells;
    for (int k = 0; k < n; ++k) {
      int tag = 0;
      ar.ReadInt(tag);
      cells.push_back({EntityExtent(tag, own[static_cast<std::size_t>(ReadPosition(ar, own.size(), "schedule entity"))]), zone});
    }
    FileCells(cells);
  }
}
