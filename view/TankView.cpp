#include "view/TankView.h"

#include <typeinfo>

#include <boost/pointer_cast.hpp>

#include <stdexcept>

namespace {

bool Meets(int kind, int mask) { return (kind & mask) != 0; }

// No model object: null, the kernel's null owner, or a plain kernel object
// (what a filed design gives back for an owner that was no model object).
bool IsNullOwner(const ObjectPtr& object) {
  return !object || object.get() == g_NullOwner.get() || typeid(*object) == typeid(VekObject);
}

}  // namespace

TankView::TankView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
    : m_pViewBoard(board), m_viewSettings(settings), m_viewVolumn(volume) {}

TankView::~TankView() {
  if (!m_pViewBoard) return;
  for (const auto& [entity, owners] : m_entityOwners) m_pViewBoard->EraseEntity(entity);
}

// --- Drawing operations of the base: nothing to draw.

bool TankView::DrawObjectDetail(Tank&, ObjectPtr, double, bool, _3dPoint) { return false; }
void TankView::DrawHole(boost::shared_ptr<Hole>) {}
bool TankView::Draw(Tank&, double, const ViewSettings&, bool, _3dPoint) { return false; }
void TankView::DrawObject(Tank&, ObjectPtr) {}
void TankView::DrawDimensions(Tank&) {}
void TankView::DrawObjectRein(Tank&, ObjectPtr) {}
void TankView::DrawBoardReinAt(Tank&, const _3dPoint&, const ViewSettings&) {}
void TankView::DrawAllRein(Tank&, const ViewSettings&) {}
void TankView::DrawLabels(Tank&, int) {}
void TankView::ObjectHook1(ObjectPtr) {}
void TankView::ObjectHook2(ObjectPtr) {}
void TankView::ObjectHook3(ObjectPtr) {}
void TankView::DrawTitle(const DetailingSettings&) {}
void TankView::DrawFrame() {}

// --- Registry.

void TankView::AddEntities(EntityList entities, ObjectPtr object, std::vector<int> kinds,
                           EntityHandleList handles) {
  if (kinds.size() < entities.size())
    throw std::invalid_argument("TankView::AddEntities: one kind per entity is required");
  if (!object) object = g_NullOwner;

  if (EntityList* list = m_objectEntities.Find(object))
    list->insert(list->end(), entities.begin(), entities.end());
  else
    m_objectEntities.Insert(object, entities);

  for (std::size_t i = 0; i < entities.size(); ++i) {
    m_entityOwners.Insert(entities[i], ObjectList{object});
    m_entityKinds.Insert(entities[i], kinds[i]);
  }

  if (m_pViewBoard && entities.size() == handles.size())
    m_pViewBoard->AddEntities(std::move(entities), std::move(handles));
}

void TankView::EraseEntities(EntityList entities) {
  if (m_pViewBoard)
    for (const EntityPtr& e : entities) m_pViewBoard->EraseEntity(e);

  std::unordered_set<const void*> erased;
  erased.reserve(entities.size());
  for (const EntityPtr& e : entities) erased.insert(e.get());
  const auto isErased = [&erased](const EntityPtr& e) { return erased.count(e.get()) != 0; };

  m_objectEntities.ForEachValue([&](const ObjectPtr&, EntityList& list) {
    std::erase_if(list, isErased);
  });
  m_objectEntities.EraseIf([](const ObjectPtr&, const EntityList& list) { return list.empty(); });
  m_entityOwners.EraseIf([&](const EntityPtr& e, const ObjectList&) { return isErased(e); });
  m_entityKinds.EraseIf([&](const EntityPtr& e, int) { return isErased(e); });
}

void TankView::EraseEntitiesOfKinds(int mask, bool refresh) {
  EraseEntities(EntitiesOfKinds(mask));
  if (refresh && m_pViewBoard) m_pViewBoard->Regenerate();
}

void TankView::ShowHideEntitiesOfKinds(Tank*, int showMask, int hideMask, bool refresh) {
  EntityList show, hide;
  for (const auto& [entity, kind] : m_entityKinds) {
    if (Meets(kind, showMask)) show.push_back(entity);
    if (Meets(kind, hideMask)) hide.push_back(entity);
  }
  if (!m_pViewBoard) return;
  for (const EntityPtr& e : show) m_pViewBoard->ShowEntity(e);
  for (const EntityPtr& e : hide) m_pViewBoard->HideEntity(e);
  if (refresh) m_pViewBoard->Regenerate();
}

void TankView::HideAllEntities() {
  if (!m_pViewBoard) return;
  for (const auto& [object, list] : m_objectEntities)
    for (const EntityPtr& e : list) m_pViewBoard->HideEntity(e);
}

void TankView::ShowAllEntities() {
  if (!m_pViewBoard) return;
  for (const auto& [object, list] : m_objectEntities)
    for (const EntityPtr& e : list) m_pViewBoard->ShowEntity(e);
}

bool TankView::GetEntityOwner(const EntityPtr& entity, ObjectPtr& owner) const {
  const ObjectList* owners = m_entityOwners.Find(entity);
  if (!owners) return false;
  for (const ObjectPtr& o : *owners)
    if (!IsNullOwner(o)) {
      owner = o;
      return true;
    }
  return false;
}

bool TankView::GetEntityOwners(const EntityPtr& entity, ObjectList& owners) const {
  const ObjectList* found = m_entityOwners.Find(entity);
  if (!found) return false;
  owners = *found;
  return true;
}

bool TankView::GetObjectEntities(const ObjectPtr& object, EntityList& entities) const {
  entities.clear();
  const EntityList* found = m_objectEntities.Find(object ? object : g_NullOwner);
  if (!found) return false;
  entities = *found;
  return true;
}

Extents TankView::GetExtent(int mask) const {
  EntityList taken;
  for (const auto& [object, list] : m_objectEntities)
    for (const EntityPtr& e : list)
      if (const int* kind = m_entityKinds.Find(e); kind && Meets(*kind, mask)) taken.push_back(e);
  return GetEntitiesExtents(taken);
}

void TankView::TransformEntities() {
  EntityList matching, other;
  SplitEntitiesByKind(kKindMaskTransform, matching, other);
  for (const EntityPtr& e : matching) e->Move(m_placement);
}

void TankView::SplitEntitiesByKind(int mask, EntityList& matching, EntityList& other) const {
  matching.clear();
  other.clear();
  for (const auto& [entity, kind] : m_entityKinds) (Meets(kind, mask) ? matching : other).push_back(entity);
}

void TankView::PassDimensionEntities() {
  if (m_pViewBoard) m_pViewBoard->AddDimensions(EntitiesOfKinds(kKindDimension));
}

int TankView::GetEntityKind(EntityPtr entity) const {
  const int* kind = m_entityKinds.Find(entity);
  return kind ? *kind : 0;
}

bool TankView::CrossesBoardLines(const _2dLine& line) const {
  for (const EntityPtr& e : EntitiesOfKinds(kKindMaskBoardLines))
    if (const auto* board = dynamic_cast<const _2dLine*>(e.get()))
      if (g_VekGeometryComm.LinesIntersect(*board, line)) return true;
  return false;
}

void TankView::CollectBoardLines(std::vector<boost::shared_ptr<_2dLine>>& boardLines,
                                 std::vector<_2dLine>& cutLines, std::vector<_2dLine>& outlines) const {
  for (const auto& [entity, kind] : m_entityKinds) {
    const auto line = boost::dynamic_pointer_cast<_2dLine>(entity);
    if (!line) continue;
    if (Meets(kind, kKindMaskBoardLines)) boardLines.push_back(line);
    if (Meets(kind, kKindSectionCut)) cutLines.push_back(*line);
    if (Meets(kind, kKindBoardOutline)) outlines.push_back(*line);
  }
}

void TankView::AddGeometryEntities(ObjectPtr object, std::vector<_2dLine> lines, std::vector<_2dPoint> sides) {
  if (!m_pViewBoard) return;
  EntityList created;
  m_pViewBoard->CreateEntities(created, std::move(lines), std::move(sides));
  std::vector<int> kinds(created.size(), kKindUserGeometry);
  // No handles: the board holds the created entities already.
  AddEntities(std::move(created), std::move(object), std::move(kinds), {});
}

bool TankView::PlaceDrawing(bool usePoint, const _3dPoint& point, const std::string& prompt) {
  const Extents extent = GetExtent(kKindMaskPlacementExtent);
  const EntityList entities = AllEntities();
  _3dPoint target = point;
  _3dPoint corner;
  if (!usePoint) {
    corner = _3dPoint(extent.minX, extent.minY, 0.0);
    if (!m_pViewBoard || !m_pViewBoard->DragInsert(entities, corner, target, prompt)) {
      EraseEntitiesOfKinds(kKindMaskAll, false);
      return false;
    }
    m_placement = target - corner;
  } else {
    corner = _3dPoint(extent.minX, extent.maxY, 0.0);
    m_placement = target - corner;
    if (m_pViewBoard) m_pViewBoard->MoveEntities(entities, m_placement);
  }
  TransformEntities();
  ShowHideEntitiesOfKinds(nullptr, kKindMaskPlanLines, 0, false);
  return true;
}

EntityList TankView::EntitiesOfKinds(int mask) const {
  EntityList out;
  for (const auto& [entity, kind] : m_entityKinds)
    if (Meets(kind, mask)) out.push_back(entity);
  return out;
}

EntityList TankView::AllEntities() const {
  EntityList out;
  out.reserve(m_entityKinds.size());
  for (const auto& [entity, kind] : m_entityKinds) out.push_back(entity);
  return out;
}

// --- Accessors of the view filer.

void TankView::ListObjectEntities(ObjectEntityPairs& out) const {
  out.insert(out.end(), m_objectEntities.begin(), m_objectEntities.end());
}

void TankView::ListEntityOwners(EntityOwnerPairs& out) const {
  out.insert(out.end(), m_entityOwners.begin(), m_entityOwners.end());
}

void TankView::ListEntityKinds(EntityKindPairs& out) const {
  out.insert(out.end(), m_entityKinds.begin(), m_entityKinds.end());
}

void TankView::SetObjectEntities(const ObjectEntityPairs& pairs) {
  m_objectEntities.clear();
  for (const auto& [object, list] : pairs) m_objectEntities.Insert(object, list);
}

void TankView::SetEntityOwners(const EntityOwnerPairs& pairs) {
  m_entityOwners.clear();
  for (const auto& [entity, owners] : pairs) m_entityOwners.Insert(entity, owners);
}

void TankView::SetEntityKinds(const EntityKindPairs& pairs) {
  m_entityKinds.clear();
  for (const auto& [entity, kind] : pairs) m_entityKinds.Insert(entity, kind);
}
