// View board: the drawing's records, the registries between entities and
// handles, base maps, placement, prompts and the section marks it draws.
#include "platform/Nirvox.h"

#include "platform/HostServices.h"
#include "platform/nirvox/internal.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <unordered_set>

AcadViewBoard g_ViewBoard;

namespace {

// Handles below this are left to the fixed records of a DXF file's tables.
constexpr unsigned long long kFirstHandle = 0x100;

// Distinct non-null entities of a list, in list order.
EntityList Distinct(const EntityList& entities) {
  EntityList out;
  std::unordered_set<const Entity*> seen;
  for (const EntityPtr& e : entities) {
    if (e && seen.insert(e.get()).second) out.push_back(e);
  }
  return out;
}

// Distance in plan from a point to a box (0 inside).
double DistanceToBox(const _2dPoint& p, const Extents& box) {
  const double dx = std::max({box.minX - p.x, 0.0, p.x - box.maxX});
  const double dy = std::max({box.minY - p.y, 0.0, p.y - box.maxY});
  return std::hypot(dx, dy);
}

boost::shared_ptr<_2dPolyline> Stroke(const _2dPoint& from, const _2dPoint& to, double width) {
  auto p = boost::make_shared<_2dPolyline>(std::vector<_3dPoint>{_3dPoint(from), _3dPoint(to)});
  p->SetConstantWidth(width);
  return p;
}

}  // namespace

// ---------------------------------------------------------------------------
// HostViewBoard

HostViewBoard::HostViewBoard() : m_nextId(kFirstHandle) {}

HostViewBoard::~HostViewBoard() = default;

HostViewBoard::Record* HostViewBoard::FindRecord(const EntityHandle& handle) {
  auto it = m_records.find(handle);
  return it == m_records.end() ? nullptr : &it->second;
}

const HostViewBoard::Record* HostViewBoard::FindRecord(const EntityHandle& handle) const {
  auto it = m_records.find(handle);
  return it == m_records.end() ? nullptr : &it->second;
}

HostViewBoard::Record* HostViewBoard::FindRecord(const Entity* entity) {
  auto it = m_bySource.find(entity);
  return it == m_bySource.end() ? nullptr : FindRecord(it->second);
}

const HostViewBoard::Record* HostViewBoard::FindRecord(const Entity* entity) const {
  auto it = m_bySource.find(entity);
  return it == m_bySource.end() ? nullptr : FindRecord(it->second);
}

HostViewBoard::Record& HostViewBoard::AddRecord(const EntityHandle& handle, const EntityPtr& source,
                                                const EntityPtr& shape, bool visible) {
  const EntityHandle h = handle.IsNull() ? EntityHandle(m_nextId) : handle;
  m_nextId = std::max(m_nextId, h.Id() + 1);
  Record& r = m_records[h];
  r.handle = h;
  r.source = source;
  r.shape = shape;
  r.placement = _3dVector();
  r.visible = visible;
  r.dimension = false;
  r.seq = m_nextSeq++;
  if (source) m_bySource[source.get()] = h;
  return r;
}

HostViewBoard::Record& HostViewBoard::EnsureRecord(const EntityPtr& entity) {
  if (Record* r = FindRecord(entity.get())) return *r;
  return AddRecord(EntityHandle(), entity, entity->Clone(), true);
}

void HostViewBoard::EraseRecord(const EntityHandle& handle) {
  auto it = m_records.find(handle);
  if (it == m_records.end()) return;
  if (it->second.source) m_bySource.erase(it->second.source.get());
  m_records.erase(it);
}

std::vector<const HostViewBoard::Record*> HostViewBoard::OrderedRecords() const {
  std::vector<const Record*> out;
  out.reserve(m_records.size());
  for (const auto& [handle, record] : m_records) out.push_back(&record);
  std::sort(out.begin(), out.end(), [](const Record* a, const Record* b) { return a->seq < b->seq; });
  return out;
}

void HostViewBoard::DropLinkedRecords() {
  for (auto it = m_records.begin(); it != m_records.end();) {
    if (it->second.source) {
      m_bySource.erase(it->second.source.get());
      it = m_records.erase(it);
    } else {
      ++it;
    }
  }
}

void HostViewBoard::Link(const EntityPtr& entity, const EntityHandle& handle) {
  if (!entity || handle.IsNull()) return;
  if (Record* held = FindRecord(entity.get()); held && held->handle != handle) EraseRecord(held->handle);
  if (Record* r = FindRecord(handle)) {
    if (r->source && r->source != entity) m_bySource.erase(r->source.get());
    r->source = entity;
    m_bySource[entity.get()] = handle;
    m_nextId = std::max(m_nextId, handle.Id() + 1);
    return;
  }
  AddRecord(handle, entity, entity->Clone(), true);
}

EntityHandlePairs HostViewBoard::GetEntityHandles() const {
  EntityHandlePairs out;
  for (const Record* r : OrderedRecords()) {
    if (r->source) out.emplace_back(r->source, r->handle);
  }
  return out;
}

HandleEntityPairs HostViewBoard::GetHandleEntities() const {
  HandleEntityPairs out;
  for (const Record* r : OrderedRecords()) {
    if (r->source) out.emplace_back(r->handle, r->source);
  }
  return out;
}

void HostViewBoard::SetEntityHandles(const EntityHandlePairs& pairs) {
  DropLinkedRecords();
  for (const auto& [entity, handle] : pairs) Link(entity, handle);
}

void HostViewBoard::SetHandleEntities(const HandleEntityPairs& pairs) {
  for (const auto& [handle, entity] : pairs) Link(entity, handle);
}

const EntityHandleList& HostViewBoard::GetBaseMap(int number) const {
  static const EntityHandleList kNone;
  if (number < 0 || number > 2) return kNone;
  return m_baseMaps[static_cast<std::size_t>(number)];
}

void HostViewBoard::UpdateEntity(const EntityPtr& entity) {
  if (!entity) return;
  Record* r = FindRecord(entity.get());
  if (!r) return;
  r->shape = entity->Clone();
  if (!r->placement.IsZero(0.0)) r->shape->Move(r->placement);
}

void HostViewBoard::Refresh() { ++m_refreshCount; }

void HostViewBoard::ZoomWindow(const _3dPoint& corner1, const _3dPoint& corner2, bool view3d) {
  m_zoom = Extents(std::min(corner1.x, corner2.x), std::min(corner1.y, corner2.y), std::min(corner1.z, corner2.z),
                   std::max(corner1.x, corner2.x), std::max(corner1.y, corner2.y), std::max(corner1.z, corner2.z));
  m_zoom3d = view3d;
}

bool HostViewBoard::HasHandle(const EntityHandle& handle) const { return FindRecord(handle) != nullptr; }

bool HostViewBoard::HoldsEntity(const EntityPtr& entity) const { return entity && FindRecord(entity.get()); }

bool HostViewBoard::IsEntityVisible(const EntityPtr& entity) const {
  const Record* r = entity ? FindRecord(entity.get()) : nullptr;
  return r && r->visible;
}

bool HostViewBoard::IsHandleVisible(const EntityHandle& handle) const {
  const Record* r = FindRecord(handle);
  return r && r->visible;
}

EntityPtr HostViewBoard::GetDrawnShape(const EntityPtr& entity) const {
  const Record* r = entity ? FindRecord(entity.get()) : nullptr;
  return r ? r->shape : EntityPtr();
}

EntityPtr HostViewBoard::GetDrawnShape(const EntityHandle& handle) const {
  const Record* r = FindRecord(handle);
  return r ? r->shape : EntityPtr();
}

EntityHandleList HostViewBoard::GetDrawingHandles() const {
  EntityHandleList out;
  for (const Record* r : OrderedRecords()) out.push_back(r->handle);
  return out;
}

EntityHandle HostViewBoard::InsertUserEntity(const EntityPtr& shape, bool visible) {
  if (!shape) throw std::invalid_argument("InsertUserEntity: no entity");
  return AddRecord(EntityHandle(), EntityPtr(), shape, visible).handle;
}

void HostViewBoard::SetDrawingStandard(const DrawingStandard& standard) {
  m_standard = standard;
  g_LinetypeName = standard.reinLineType;
}

void HostViewBoard::Reset() {
  m_records.clear();
  m_bySource.clear();
  m_nextSeq = 1;
  for (auto& map : m_baseMaps) map.clear();
  m_showFlags = {false, false, false};
  m_zoom = Extents();
  m_zoom3d = false;
  m_refreshCount = 0;
  SetDrawingStandard(DrawingStandard());
}

// ---------------------------------------------------------------------------
// AcadViewBoard

AcadViewBoard::~AcadViewBoard() = default;

void AcadViewBoard::Reset() {
  HostViewBoard::Reset();
  m_viewMode3d = false;
}

void AcadViewBoard::AddDimensions(EntityList dimensions) {
  for (const EntityPtr& e : dimensions) {
    if (e) EnsureRecord(e).dimension = true;
  }
}

double AcadViewBoard::MeasureTextWidth(const std::string& text, double height, double widthFactor, int) const {
  return nirvox::TextWidth(text, height, widthFactor);
}

int AcadViewBoard::MeasureText(const std::string& text, int flags) const {
  const TextKindStyle& kind = m_standard.textKinds[static_cast<std::size_t>(flags & 0x3)];
  const double height = kind.heightFactor * m_standard.drawingUnit;
  return static_cast<int>(std::lround(nirvox::TextWidth(text, height, kind.widthFactor)));
}

void AcadViewBoard::PutEntity(const EntityPtr& entity) { ShowEntity(entity); }

void AcadViewBoard::EraseEntity(const EntityPtr& entity) {
  if (!entity) return;
  if (const Record* r = FindRecord(entity.get())) EraseRecord(r->handle);
}

void AcadViewBoard::DeleteEntity(const EntityHandle& handle) { EraseRecord(handle); }

void AcadViewBoard::ShowEntity(const EntityPtr& entity) {
  if (entity) EnsureRecord(entity).visible = true;
}

void AcadViewBoard::HideEntity(const EntityPtr& entity) {
  if (!entity) return;
  if (Record* r = FindRecord(entity.get())) r->visible = false;
}

void AcadViewBoard::AddEntity(const EntityPtr& entity) {
  if (entity) EnsureRecord(entity).visible = true;
}

void AcadViewBoard::UpdateEntity(const EntityPtr& entity) { HostViewBoard::UpdateEntity(entity); }

void AcadViewBoard::CreateEntities(EntityList& out, std::vector<_2dLine> lines, std::vector<_2dPoint> sides) {
  const TextKindStyle& kind = m_standard.textKinds[1];
  const double size2 = kind.heightFactor * m_standard.drawingUnit;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const _2dLine& line = lines[i];
    _2dPoint side;
    if (i < sides.size()) {
      side = sides[i];
    } else {
      const _2dVector d = line.GetDirection();
      side = line.GetStartPoint() + _2dVector(-d.y, d.x);
    }
    const EntityList mark = CreateSectionMark(line, side, 0, 2.0 * size2, size2, 0);
    out.insert(out.end(), mark.begin(), mark.end());
  }
}

EntityList AcadViewBoard::CreateSectionMark(const _2dLine& line, const _2dPoint& side, int number, double size1,
                                            double size2, int style) {
  EntityList made;
  const _2dPoint a = line.GetStartPoint();
  const _2dPoint b = line.GetEndPoint();
  _2dVector dir = b - a;
  const double length = dir.GetLength();
  if (!(length > 0.0) || !std::isfinite(length) || !std::isfinite(size1) || !std::isfinite(size2)) return made;
  dir = dir * (1.0 / length);
  const _2dVector left(-dir.y, dir.x);
  const _2dVector towards = dir.Cross(side - a) >= 0.0 ? left : -left;
  const std::string layer = m_standard.layers[9].name;
  const double width = 0.1 * std::fabs(size2);
  const double widthFactor = m_standard.textKinds[1].widthFactor;

  const auto add = [&](const EntityPtr& e) {
    e->SetLayer(layer);
    made.push_back(e);
  };
  const std::pair<_2dPoint, _2dVector> ends[2] = {{a, dir}, {b, -dir}};
  for (const auto& [end, inward] : ends) {
    add(Stroke(end, end + inward * size1, width));
    add(Stroke(end, end + towards * (0.5 * size1), width));
  }
  if (number > 0) {
    for (const auto& [end, inward] : ends) {
      auto text = boost::make_shared<_Text>(std::to_string(number),
                                            _3dPoint(end + towards * (0.5 * size1 + 0.75 * size2)), size2, 0.0);
      text->SetWidth(widthFactor * size2);
      text->SetAlignment(_Text::kCenter, _Text::kMiddle);
      text->SetTextStyle(m_standard.textKinds[1].style);
      add(text);
    }
  }
  if (style != 0 && length > 2.0 * size1) {
    auto cut = boost::make_shared<_2dLine>(a + dir * size1, b - dir * size1);
    cut->SetLinetype("CENTER");
    add(cut);
  }
  for (const EntityPtr& e : made) AddRecord(EntityHandle(), e, e->Clone(), true);
  return made;
}

bool AcadViewBoard::DragInsert(EntityList entities, const _3dPoint& base, _3dPoint& chosen, const std::string& prompt) {
  const EntityList distinct = Distinct(entities);
  for (const EntityPtr& e : distinct) EnsureRecord(e);
  _3dPoint point;
  if (!PromptInsertionPoint(prompt, base, point)) return false;
  chosen = point;
  MoveEntities(distinct, point - base);
  return true;
}

void AcadViewBoard::MoveEntities(EntityList entities, const _3dVector& offset) {
  for (const EntityPtr& e : Distinct(entities)) {
    Record& r = EnsureRecord(e);
    r.placement = r.placement + offset;
    r.shape->Move(offset);
  }
}

void AcadViewBoard::GetExtents(Extents& out, const EntityList& entities) const {
  out = Extents();
  for (const EntityPtr& e : entities) {
    if (!e) continue;
    const Record* r = FindRecord(e.get());
    const Extents box = nirvox::DrawnExtents(r ? *r->shape : *e);
    if (!box.IsEmpty()) out.Extend(box);
  }
}

Extents AcadViewBoard::GetExtent(const EntityList& entities) const {
  Extents box;
  GetExtents(box, entities);
  return box;
}

void AcadViewBoard::AddEntities(EntityList entities, EntityHandleList handles) {
  if (entities.size() != handles.size()) {
    throw std::invalid_argument("AddEntities: " + std::to_string(entities.size()) + " entities but " +
                                std::to_string(handles.size()) + " handles");
  }
  for (std::size_t i = 0; i < entities.size(); ++i) Link(entities[i], handles[i]);
}

bool AcadViewBoard::FindEntity(const EntityHandle& handle, EntityPtr& entity) const {
  const Record* r = FindRecord(handle);
  if (!r || !r->source) return false;
  entity = r->source;
  return true;
}

EntityPtr AcadViewBoard::FindEntity(const EntityHandle& handle) const {
  EntityPtr e;
  FindEntity(handle, e);
  return e;
}

EntityList AcadViewBoard::FindEntities(const EntityHandleList& handles) const {
  EntityList out;
  out.reserve(handles.size());
  for (const EntityHandle& h : handles) out.push_back(FindEntity(h));
  return out;
}

bool AcadViewBoard::FindEntityHandle(const EntityPtr& entity, EntityHandle& handle) const {
  const Record* r = entity ? FindRecord(entity.get()) : nullptr;
  if (!r) return false;
  handle = r->handle;
  return true;
}

void AcadViewBoard::findCurrentBaseMap(EntityHandleList& handles) const {
  // The base map behind the current mode is what of the user's own drawing
  // is shown now: the maps of the other modes are hidden while it shows.
  for (const Record* r : OrderedRecords()) {
    if (!r->source && r->visible) handles.push_back(r->handle);
  }
}

void AcadViewBoard::AddBaseMap(int number, const EntityHandleList& handles) {
  switch (number) {
    case 0: setBaseMapHandle_ModelingView(handles); break;
    case 1: setBaseMapHandle_DrawingView(handles); break;
    case 2: setBaseMapHandle_InspectionView(handles); break;
    default: break;
  }
}

void AcadViewBoard::showBaseMap(int number, bool show) {
  for (const EntityHandle& h : GetBaseMap(number)) {
    if (Record* r = FindRecord(h)) r->visible = show;
  }
}

bool AcadViewBoard::GetPoint(const std::string& prompt, _3dPoint& point) { return PromptPoint(prompt, point); }

bool AcadViewBoard::PickEntity(const std::string& prompt, EntityHandle& picked) {
  const PromptAnswer a = PromptPick(prompt);
  if (a.kind == PromptAnswer::kEntity) {
    const EntityHandle h(a.entity);
    if (!HasHandle(h)) return false;
    picked = h;
    return true;
  }
  if (a.kind == PromptAnswer::kPoint) {
    const double tolerance = m_standard.pickTolerance * m_standard.drawingUnit;
    return HitTest(_2dPoint(a.point.x, a.point.y), tolerance, picked);
  }
  return false;
}

bool AcadViewBoard::HitTest(const _2dPoint& p, double tolerance, EntityHandle& hit) const {
  const Record* best = nullptr;
  double bestDistance = 0.0, bestArea = 0.0;
  for (const Record* r : OrderedRecords()) {
    if (!r->visible) continue;
    const Extents box = nirvox::DrawnExtents(*r->shape);
    if (box.IsEmpty()) continue;
    const double d = DistanceToBox(p, box);
    if (!(d <= tolerance)) continue;
    const double area = box.GetWidth() * box.GetHeight();
    // Nearest first; among equals the smaller box, then the later drawn.
    if (!best || d < bestDistance || (d == bestDistance && area <= bestArea)) {
      best = r;
      bestDistance = d;
      bestArea = area;
    }
  }
  if (!best) return false;
  hit = best->handle;
  return true;
}

std::vector<AcadViewBoard::ExportItem> AcadViewBoard::CollectExport(bool includeHidden) const {
  std::vector<ExportItem> items;
  for (const Record* r : OrderedRecords()) {
    if (r->visible || includeHidden) items.push_back({r->shape, r->handle, r->visible});
  }
  return items;
}

std::vector<AcadViewBoard::ExportItem> AcadViewBoard::CollectExport(const std::vector<ExportPart>& parts,
                                                                    bool includeHidden) const {
  std::vector<ExportItem> items;
  int number = 0;
  std::set<const Entity*> listed;
  for (const ExportPart& part : parts) {
    if (part.rest) continue;
    for (const EntityPtr& e : part.entities) {
      listed.insert(e.get());
      if (const Record* r = FindRecord(e.get())) listed.insert(r->shape.get());
    }
  }
  for (const ExportPart& part : parts) {
    std::vector<ExportItem> mine;
    if (part.rest) {
      for (const Record* r : OrderedRecords()) {
        if (listed.count(r->shape.get()) || (r->source && listed.count(r->source.get()))) continue;
        if (r->visible || includeHidden) mine.push_back({r->shape, r->handle, r->visible});
      }
    } else {
      mine = CollectExport(part.entities, includeHidden);
    }
    for (ExportItem& item : mine) {
      item.part = number;
      items.push_back(std::move(item));
    }
    ++number;
  }
  return items;
}

std::vector<AcadViewBoard::ExportItem> AcadViewBoard::CollectExport(const EntityList& entities,
                                                                    bool includeHidden) const {
  std::vector<ExportItem> items;
  for (const EntityPtr& e : Distinct(entities)) {
    if (const Record* r = FindRecord(e.get())) {
      if (r->visible || includeHidden) items.push_back({r->shape, r->handle, r->visible});
    } else {
      items.push_back({e, EntityHandle(), true});
    }
  }
  return items;
}
