// TankView: the base of every drawing view.  A view draws kernel entities for
// model objects (boards, holes, rebar zones, sections), hands them to the CAD
// view board and keeps the registry that ties each drawn entity to the model
// objects it was drawn for and to an int of kind bits.
//
// Registry rules:
// - The registries list their pairs in registration sequence, never by
//   pointer address, so a design saved, read back and saved again files its
//   views identically.  Keys are compared by the object they point to.
// - An entity registered a second time keeps its first owner list and its
//   first kind; the object list of the second owner lists it as well.
// - Entities registered without a model object (a null pointer) stand under
//   the kernel's null owner g_NullOwner; GetEntityOwner skips both.
// - An entity meets a mask when kind & mask is not zero; kind 0 meets none.
// - Showing and hiding in one call (ShowHideEntitiesOfKinds) shows first and
//   hides second, so an entity meeting both masks ends hidden.
// - Destroying a view erases from the board every entity it registered.
//   A view is therefore not copyable.
// - A placement by picking that the user cancels erases all of the view's
//   entities (PlaceDrawing).
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"
#include "view/FiledClasses.h"

#include <boost/shared_ptr.hpp>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

using ObjectPtr = boost::shared_ptr<VekObject>;
using ObjectList = std::vector<ObjectPtr>;

// Kind masks with a fixed meaning.
constexpr int kKindMaskAll = -1;
// The view's own geometry that TankView::TransformEntities moves.
constexpr int kKindMaskTransform = 0x58010007;
// Everything but the label texts 0x8..0x1000: the extent a drawing is placed by.
constexpr int kKindMaskPlacementExtent = static_cast<int>(0xFFFFE007u);
// Board lines the section and crossing tests work on (outline, junction).
constexpr int kKindMaskBoardLines = 0x6;
constexpr int kKindBoardOutline = 0x2;
constexpr int kKindSectionCut = 0x10000;
constexpr int kKindDimension = 0x4000;
constexpr int kKindUserGeometry = 0x8000;
// The plan lines shown after placement.
constexpr int kKindMaskPlanLines = 0x7;

// A map that keeps its pairs in insertion sequence with a hash index on the
// pointed-to object.  Inserting a present key leaves its value untouched.
template <class K, class V>
class SequenceMap {
 public:
  using value_type = std::pair<K, V>;
  using const_iterator = typename std::vector<value_type>::const_iterator;

  const_iterator begin() const { return m_items.begin(); }
  const_iterator end() const { return m_items.end(); }
  std::size_t size() const { return m_items.size(); }
  bool empty() const { return m_items.empty(); }
  void clear() {
    m_items.clear();
    m_index.clear();
  }

  const V* Find(const K& key) const {
    const auto it = m_index.find(Key(key));
    return it == m_index.end() ? nullptr : &m_items[it->second].second;
  }
  V* Find(const K& key) {
    const auto it = m_index.find(Key(key));
    return it == m_index.end() ? nullptr : &m_items[it->second].second;
  }
  // Inserts (key, value) unless the key is present; true when inserted.
  bool Insert(const K& key, V value) {
    if (!m_index.emplace(Key(key), m_items.size()).second) return false;
    m_items.emplace_back(key, std::move(value));
    return true;
  }
  // Mutable access to the values, in sequence (keys stay fixed).
  template <class F>
  void ForEachValue(F f) {
    for (auto& item : m_items) f(item.first, item.second);
  }
  // Removes every pair for which pred(key, value) holds, keeping the order.
  template <class Pred>
  void EraseIf(Pred pred) {
    std::vector<value_type> kept;
    kept.reserve(m_items.size());
    for (auto& item : m_items)
      if (!pred(item.first, item.second)) kept.push_back(std::move(item));
    m_items = std::move(kept);
    m_index.clear();
    for (std::size_t i = 0; i < m_items.size(); ++i) m_index.emplace(Key(m_items[i].first), i);
  }

 private:
  static const void* Key(const K& key) { return static_cast<const void*>(key.get()); }
  std::vector<value_type> m_items;
  std::unordered_map<const void*, std::size_t> m_index;
};

using ObjectEntityMap = SequenceMap<ObjectPtr, EntityList>;
using EntityOwnerMap = SequenceMap<EntityPtr, ObjectList>;
using EntityKindMap = SequenceMap<EntityPtr, int>;
using ObjectEntityPairs = std::vector<std::pair<ObjectPtr, EntityList>>;
using EntityOwnerPairs = std::vector<std::pair<EntityPtr, ObjectList>>;
using EntityKindPairs = std::vector<std::pair<EntityPtr, int>>;

class TankView {
 public:
  // The board is not owned (in practice &g_ViewBoard).  The settings record
  // and the volume are copied; the placement starts at zero.
  TankView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume);
  TankView(const TankView&) = delete;
  TankView& operator=(const TankView&) = delete;
  // Erases every registered entity from the board.
  virtual ~TankView();

  // --- Drawing operations: empty (or false) here; concrete views override.
  virtual bool DrawObjectDetail(Tank& tank, ObjectPtr object, int a, int b, int c, _3dPoint insertPoint);
  virtual void DrawHole(boost::shared_ptr<Hole> hole);
  // A hook for one opening (ForEachHole of designer/Statistics.h); false here.
  virtual bool ProcessHole(boost::shared_ptr<Hole>) { return false; }
  virtual bool Draw(Tank& tank, double scale, const ViewSettings& settings, bool usePoint, _3dPoint insertPoint);
  virtual void DrawObject(Tank& tank, ObjectPtr object);
  virtual void DrawDimensions(Tank& tank);
  virtual void DrawObjectRein(Tank& tank, ObjectPtr object);
  virtual void DrawBoardReinAt(Tank& tank, const _3dPoint& point, const ViewSettings& settings);
  virtual void DrawAllRein(Tank& tank, const ViewSettings& settings);
  virtual void DrawLabels(Tank& tank, int labelFlags);
  virtual void ObjectHook1(ObjectPtr object);
  virtual void ObjectHook2(ObjectPtr object);
  virtual void ObjectHook3(ObjectPtr object);

  // --- Registry operations.
  // The tank is not read by the base and may be null.
  virtual void ShowHideEntitiesOfKinds(Tank* tank, int showMask, int hideMask, bool refresh);
  virtual void EraseEntitiesOfKinds(int mask, bool refresh);
  // Each entity of each object's list (an entity under two objects twice).
  virtual void HideAllEntities();
  virtual void ShowAllEntities();
  // The first owner other than null and g_NullOwner; false when none.
  virtual bool GetEntityOwner(const EntityPtr& entity, ObjectPtr& owner) const;
  // The owner list; false (out untouched) for an unregistered entity.
  virtual bool GetEntityOwners(const EntityPtr& entity, ObjectList& owners) const;
  // Clears the out list, then gives the object's entities; false when unknown.
  virtual bool GetObjectEntities(const ObjectPtr& object, EntityList& entities) const;
  // Box of the registered entities meeting the mask.
  virtual Extents GetExtent(int mask) const;
  virtual void DrawTitle(const DetailingSettings& settings);
  virtual void DrawFrame();
  // Moves the entities of kinds kKindMaskTransform by the placement.
  virtual void TransformEntities();

  // Registers one batch drawn for one object: one kind per entity (a shorter
  // kinds list is std::invalid_argument); `handles` is empty or holds the
  // CAD entity of each entity.  When the entity and handle counts agree
  // (also both zero) the batch goes to the board's AddEntities.
  void AddEntities(EntityList entities, ObjectPtr object, std::vector<int> kinds, EntityHandleList handles);
  // Erases the entities from the board and from the registry.
  void EraseEntities(EntityList entities);
  // Both lists are cleared; every registered entity lands in exactly one.
  void SplitEntitiesByKind(int mask, EntityList& matching, EntityList& other) const;
  // Hands the registered dimensions (kind 0x4000) to the board.
  void PassDimensionEntities();
  // The kind of an entity; 0 when not registered.
  int GetEntityKind(EntityPtr entity) const;
  // Whether the line crosses a board line (kinds meeting 6) of the view.
  bool CrossesBoardLines(const _2dLine& line) const;
  // Board lines meeting 6, copies of the section cut lines, copies of the
  // outline lines (kind 2); appended.
  void CollectBoardLines(std::vector<boost::shared_ptr<_2dLine>>& boardLines, std::vector<_2dLine>& cutLines,
                         std::vector<_2dLine>& outlines) const;
  // Has the board create entities for the user's geometry and registers them
  // under the object with kind 0x8000.
  void AddGeometryEntities(ObjectPtr object, std::vector<_2dLine> lines, std::vector<_2dPoint> sides);

  // Places a drawing built in its own coordinates.  Picking (usePoint
  // false): the lower left corner of the placement extent is dragged to the
  // user's point; a cancel erases every entity of the view and gives false.
  // Given point: the upper left corner goes to `point`.  The placement
  // becomes the point minus the corner, the view's own geometry is moved by
  // it and the plan lines (kinds 7) are shown.
  bool PlaceDrawing(bool usePoint, const _3dPoint& point, const std::string& prompt);

  // --- Projection of boards into the drawing and the title block.
  // One drawing point per edge of the board, in edge order: the start of
  // the edge's line carried from the board's frame into the world, into
  // the view's frame, then scaled by unit / scale and moved by the
  // placement.  A board whose edges run around its outline gives its
  // outline polygon (the first point not repeated).
  std::vector<_2dPoint> ProjectBoard(const boost::shared_ptr<Board>& board) const;
  // The closed ring of lines through the projected points.
  std::vector<_2dLine> GetBoardOutlineLines(const boost::shared_ptr<Board>& board) const;
  // The kernel's centre of the projected points: the anchor of the board
  // labels of the plans.
  _2dPoint GetProjectedBoardCenter(const boost::shared_ptr<Board>& board) const;
  // The entities of a title block centred under the drawing whose extent is
  // given, its top 5 drawing units below it.
  EntityList PlaceTitle(const Extents& extent, const std::string& name) const;

  // --- Accessors of the view filer.
  void ListObjectEntities(ObjectEntityPairs& out) const;
  void ListEntityOwners(EntityOwnerPairs& out) const;
  void ListEntityKinds(EntityKindPairs& out) const;
  // Replace a registry; a repeated key keeps its first value.
  void SetObjectEntities(const ObjectEntityPairs& pairs);
  void SetEntityOwners(const EntityOwnerPairs& pairs);
  void SetEntityKinds(const EntityKindPairs& pairs);
  void GetObjectEntityMap(ObjectEntityMap& out) const { out = m_objectEntities; }
  void GetViewVolumn(ViewVolumn& out) const { out = m_viewVolumn; }
  void SetViewVolumn(const ViewVolumn& volume) { m_viewVolumn = volume; }
  void GetPlacement(_3dVector& out) const { out = m_placement; }
  void SetPlacement(const _3dVector& placement) { m_placement = placement; }

  AcadViewBoard* GetViewBoard() const { return m_pViewBoard; }
  const ViewSettings& GetViewSettings() const { return m_viewSettings; }
  double GetScale() const { return m_scale; }
  // The two scale values as the design file keeps them.
  void SetScaleValues(double scale, double unit) {
    m_scale = scale;
    m_unit = unit;
  }
  double GetUnit() const { return m_unit; }
  // The size factor of everything the view draws: unit / scale.
  double GetDrawingFactor() const { return m_unit / m_scale; }

 protected:
  // Entities whose kind meets the mask, in registration sequence.
  EntityList EntitiesOfKinds(int mask) const;
  // Every registered entity once, in registration sequence.
  EntityList AllEntities() const;

  ObjectEntityMap m_objectEntities;
  EntityOwnerMap m_entityOwners;
  SequenceMap<boost::shared_ptr<ReinZone>, boost::shared_ptr<LineReinEntity>> m_zoneLineReins;
  EntityKindMap m_entityKinds;
  AcadViewBoard* m_pViewBoard;
  ViewSettings m_viewSettings;
  ViewVolumn m_viewVolumn;
  double m_scale = 100.0;
  double m_unit = 1.0;
  _3dVector m_placement{0.0, 0.0, 0.0};
  std::vector<_2dLine> m_wallEndSegments;
};
