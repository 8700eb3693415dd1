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
#include "view/ZoneBarOrder.h"

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
// Parts of drawn bars: bar polyline (or each dot), first leaders (dot
// leaders), second leaders (dot label line), bar-mark bubbles, label texts.
constexpr int kKindReinLine = 0x80000;
constexpr int kKindReinFirstLeader = 0x100000;
constexpr int kKindReinSecondLeader = 0x200000;
constexpr int kKindReinMark = 0x400000;
constexpr int kKindReinText = 0x800000;
// Section marks and range dimensions.
constexpr int kKindRangeDimension = 0x1000000;

// A rebar zone a drawing could not draw, and why.
struct ZoneDrawFailure {
  ReinZonePtr zone;
  std::string reason;
};

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
  // The detail of one object at the drawing scale, placed at the point
  // (placeAtPoint) or where the user picks; false when nothing was drawn.
  virtual bool DrawObjectDetail(Tank& tank, ObjectPtr object, double scale, bool placeAtPoint, _3dPoint insertPoint);
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

  // --- Entities kept outside the registry (the table views); nothing here.
  // Appends every entity the view put on the drawing without registering it.
  virtual void ListOwnEntities(EntityList&) const {}
  // Files those entities, and what ties them to model objects, after the
  // view record: objects by their position in the tank's object list,
  // entities in full, appended to the design's running entity list (the
  // board's record refers to them there).  Reading checks every count and
  // position (ArchiveError).
  virtual void WriteOwnRecord(Archive&, const ObjectList&, EntityList&) const {}
  virtual void ReadOwnRecord(Archive&, const ObjectList&, EntityList&) {}

  // Whether the bars of a zone can reach the drawing at all: a view that
  // shows only a window of what its plane meets leaves out the zones lying
  // wholly beyond it before their bars are built.  Every zone by default.
  virtual bool ZoneMayShow(const ReinZonePtr&) const { return true; }

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

  // --- The title block.
  // The entities of a title block centred under the drawing whose extent is
  // given, its top 5 drawing units below it.
  EntityList PlaceTitle(const Extents& extent, const std::string& name) const;

  // --- Drawn bars.
  // Registers the member entities of drawn bars (LineReinEntity,
  // DotReinEntity; other objects are skipped) under the owner, each with the
  // kind of its part, in one batch without handles.  Bars without entities
  // register nothing, not even the owner.
  void AddLineReinEntities(ObjectPtr owner, std::vector<ObjectPtr> bars);
  // For each zone i with exactly two points in info[i]: a range dimension
  // between them and a small circle where its line crosses the zone's drawn
  // bars, registered under the null owner with kind 0x1000000 and shown.  A
  // zone that fails (no drawn line, no crossing) gets nothing; the others
  // are drawn.
  void DrawRangeDim(const std::vector<std::vector<_2dPoint>>& info, const std::vector<std::vector<LineReinPtr>>& bars);
  // The label of one group [begin, end) of zones: the lowest (leftmost)
  // zone by ZoneBarInterceptLess, its bars and the two ends of the label
  // line across the boards of the lowest and the highest zone, 5 units
  // forward (or back) of the middle of the bars.  With boxes to keep clear
  // the line may stand further out, in steps of 2.5 units while it stays in
  // the middle three quarters of the bars' run: the first place where the
  // text of the range dimension along it is clear of the boxes, else the
  // place where it overlaps them least; that text's box joins the boxes.
  // An empty group throws std::invalid_argument, bars giving fewer than two
  // end points std::logic_error.
  void GetDrawInfo(std::vector<ReinZonePtr>::const_iterator begin, std::vector<ReinZonePtr>::const_iterator end,
                   const ZoneBarMap& barMap, const ZoneBoardMap& boardMap, ReinZonePtr& zone,
                   std::vector<LineReinPtr>& bars, bool forward, std::vector<_2dPoint>& ends,
                   std::vector<Extents>* keepClear = nullptr) const;
  // Groups runs of zones of one mark whose drawn bars overlap and gives the
  // label zone, bars and label-line ends of each group (boxes to keep clear:
  // see GetDrawInfo).  Zones without a drawn line form no group.  Lets no
  // exception out.
  void MatchReinZonesToEntities(std::vector<ReinZonePtr> zones, std::vector<std::vector<LineReinPtr>> barLists,
                                const ZoneBoardMap& zoneBoards, std::vector<ReinZonePtr>& labelZones,
                                std::vector<std::vector<LineReinPtr>>& labelBars, bool forward,
                                std::vector<std::vector<_2dPoint>>& labelEnds,
                                std::vector<Extents>* keepClear = nullptr) const;

  // The bar drawn for a face zone of a slab plan (null when none); adding
  // keeps an earlier bar of the zone.
  LineReinPtr GetZoneLineRein(const ReinZonePtr& zone) const;
  void AddZoneLineRein(const ReinZonePtr& zone, const LineReinPtr& bar);
  // Zones a drawing could not draw, with the reason, in the order met.
  void RecordZoneFailure(const ReinZonePtr& zone, const std::string& reason);
  const std::vector<ZoneDrawFailure>& GetZoneFailures() const { return m_zoneFailures; }
  void ClearZoneFailures() { m_zoneFailures.clear(); }

  // --- Projection of boards into the drawing.
  // The start point of each edge line, carried from the board's frame into
  // the view's, scaled by unit / scale and moved by the placement.
  std::vector<_2dPoint> ProjectBoard(const BoardPtr& board) const;
  // The closed ring of lines through the projected points.
  std::vector<_2dLine> GetBoardOutlineLines(const BoardPtr& board) const;
  // The kernel's centre of the projected points.
  _2dPoint GetProjectedBoardCenter(const BoardPtr& board) const;
  // The segment with a break symbol (2.6 u long) in its middle, on the
  // thin-line layer.
  boost::shared_ptr<_2dPolyline> MakeBreakLine(const _2dLine& segment) const;
  // The index of the first list line with the same two ends (either order).
  static bool IsLineInList(const _2dLine& line, const std::vector<_2dLine>& list, unsigned& index);
  // Splits a slab's cut segments where the planes of the boards adjoining
  // it cross them inside a segment (each board once); a wall's, or an empty
  // list, stays.
  void SplitCutSegmentsAtJoints(const Tank& tank, const BoardPtr& board, std::vector<_3dLine>& segments) const;
  // Copies of the view's drawn lines (exactly _2dLine), by registry order:
  // those drawn for a board of the kind, and all others.
  void CollectLinesByBoardKind(int kind, std::vector<_2dLine>& same, std::vector<_2dLine>& others) const;
  // Section marks of the labelled drawn bars of the zones: the distance
  // from where a bar crosses a wall drawn in section (its face with base 1,
  // its axis otherwise) to the bar's end inside its slab, or for a zone on
  // two slabs the two lengths on either side of the wall (the second left
  // out when the merge flag is set and both show the same length).  Style 0
  // draws aligned dimensions, any other style length texts; side 1 offsets
  // them by the section-mark text height, other sides by the bubble size,
  // and a non-zero side puts them right of the bar.  Registered with kind
  // 0x1000000 under no object and shown; a zone that fails a check (bar of
  // other than 2, 4 or 6 vertices, crossings other than one or two, a wall
  // not drawn as two faces, ...) gets none, the others theirs.
  void DrawSectionMarks(const ZoneBoardMap& zones, bool mergeEqual, int style, int base, int side,
                        const std::vector<boost::shared_ptr<_2dLine>>& sectionLines);
  // Haunch lines where the components of a drawing meet (model mm in the
  // drawing plane through origin, x and y): for every pair with a joint
  // crossing the plane (not two bottom or two top slabs) the joint's haunch
  // line, and for a bottom slab and a wall with an overhang haunch the line
  // of that haunch too; both registered under their haunch with kind 4 on
  // the layer of the category, and appended to the result.  The outline
  // lines of the components that end at the corner of the two faces are
  // shortened to the haunch.  A joint without a haunch gives an unregistered
  // default line.
  void DrawBoardJunctions(int category, Tank& tank, const _3dPoint& origin, const _3dVector& xAxis,
                          const _3dVector& yAxis, const std::vector<boost::shared_ptr<StructureComponent>>& components,
                          const std::vector<std::vector<_3dPoint>>& traces, const std::vector<EntityList>& outlines,
                          std::vector<boost::shared_ptr<_2dLine>>& result);
  boost::shared_ptr<_2dLine> DrawJunctionHaunchLine(int category, const BoardPtr& a, const BoardPtr& b,
                                                    const BoardJointPtr& joint, const _3dPoint& p,
                                                    const _3dLine& traceA, const _3dLine& traceB,
                                                    const _3dLine& jointLine, const _3dPoint& origin,
                                                    const _3dVector& xAxis, const _3dVector& yAxis,
                                                    const std::vector<EntityList>& outlines);
  boost::shared_ptr<_2dLine> DrawOverhangHaunchLine(int category, const BoardPtr& a, const BoardPtr& b,
                                                    const BoardJointPtr& joint, const _3dPoint& p,
                                                    const _3dLine& traceA, const _3dLine& traceB,
                                                    const _3dLine& overhangLine, const _3dLine& jointLine,
                                                    const _3dPoint& origin, const _3dVector& xAxis,
                                                    const _3dVector& yAxis, const std::vector<EntityList>& outlines);
  // Slab overhangs beyond the walls on their edges.  The extension of an
  // overhang edge is its overhang length plus the largest face offset of
  // the walls standing on that edge (0 without a wall).
  // The piece of a slab's trace (slab-local) beyond overhang edge k, running
  // away from the slab and across a band of the extension's width square to
  // the edge; false without an overhang or when the trace does not end on
  // the edge.
  bool GetOverhangCutLine(const Tank& tank, const BoardPtr& slab, int k, const BoardEdge& edge, const _2dLine& trace,
                          _2dLine& out) const;
  // For a bottom slab cut along the segments: its overhang pieces as
  // horizontal lines of the drawing plane, each with the slab's half
  // thickness in that plane (twice), an empty owner and the tag.
  void GetSlabOverhangSectionLines(const Tank& tank, const BoardPtr& slab, int tag, const _3dPoint& origin,
                                   const _3dVector& xAxis, const _3dVector& yAxis,
                                   const std::vector<_3dLine>& cutSegments, std::vector<_2dLine>& lines,
                                   std::vector<std::pair<double, double>>& halfThicknesses, ObjectList& owners,
                                   std::vector<int>& tags) const;
  // The plan line of every overhang edge of the slab and the face offset of
  // the walls beside it; `length` receives the overhang lengths.
  void GetOverhangEdgeLines(const BoardPtr& slab, std::vector<_2dLine>& lines, std::vector<double>& offsets,
                            double& length, const Tank& tank) const;
  void CollectOverhangEdges(const BoardPtr& slab, std::vector<_2dLine>& lines, std::vector<double>& offsets,
                            double& length, const Tank& tank) const {
    GetOverhangEdgeLines(slab, lines, offsets, length, tank);
  }
  // For two boards meeting at a joint, the offset of each board's face that
  // looks toward the other.
  static void GetFacingFaceOffsets(const BoardPtr& a, const BoardPtr& b, const BoardJointPtr& joint,
                                   double& offsetA, double& offsetB, bool flip);

  // --- Slab and wall plans.
  // The face lines of the walls of a plan (mode 0 wall plan, 1 bottom slab
  // plan, 2 top slab plan: walls meeting no slab of the plan's kind are
  // left out), from their plan lines, end codes and face offsets, with the
  // haunch lines of their junctions; scaled by the factor and registered
  // with kind 0x2 under every wall sharing the line.
  void DrawBoardPlans(Tank& tank, double factor, int mode,
                      const std::vector<boost::shared_ptr<StructureComponent>>& walls);
  // The face of each slab looking at the viewer, projected onto the view
  // plane and scaled: a closed ring of construction lines of kind 0x1 filed
  // under the slab (not handed to the board).
  void DrawSlabPlans(const std::vector<boost::shared_ptr<StructureComponent>>& slabs, Tank& tank, double factor,
                     const _3dPoint* origin, const _3dVector* xAxis, const _3dVector* yAxis);
  // Files an entity directly in the registries: the object its only owner,
  // the kind given (not handed to the board).
  void FileEntityOwnerKind(const EntityPtr& entity, const ObjectPtr& owner, int kind);
  // Appends entities to the object's entity list (a new entry when none).
  void AppendObjectEntities(const ObjectPtr& object, const EntityList& entities);
  // The outer edge of the bottom slabs' overhang: rings outside the wall
  // lines, each side moved out by the overhang plus the wall face offset,
  // registered with kind 0x40000000 under a new owner (not shown).  Empty
  // without an overhang or when draw is false.
  EntityList DrawSlabOverhangOutline(std::vector<boost::shared_ptr<StructureComponent>> slabs, double factor,
                                     bool draw, Tank& tank);
  // Erases the board lines of kind 0x1 the kernel's line filter drops.
  void PruneBoardLines();
  // Number (0x1), thickness (0x2) and upper-face level (0x4) of a slab in a
  // column at its projected centre, kind 0x4000000, replacing earlier ones.
  void DrawBoardLabels(const BoardPtr& slab, int flags);
  // The reinforcement of the slabs on a slab plan: one drawn bar per zone,
  // labels, range dimensions and the section marks of the edge zones.  A
  // zone that cannot be drawn is recorded (GetZoneFailures); the others are
  // drawn.  Never throws.
  void DrawBoardRein(Tank& tank, const std::vector<boost::shared_ptr<StructureComponent>>& slabs,
                     const ViewSettings* settings);
  _2dPoint ProjectBoardRegion(const BoardPtr& board) const { return GetProjectedBoardCenter(board); }

  // --- Wall sections.
  // Cuts every board of the components (a board lying in the section plane
  // excepted) with the plane through origin spanned by the axes, and
  // registers the outline of each cut board, scaled by the factor, under the
  // board with kind 0x2; the haunch lines at the junctions of the cut boards
  // come with kind 0x4.  A board cut along an edge it shares with another
  // board gives that face once.
  void CutSection(Tank* tank, const std::vector<boost::shared_ptr<StructureComponent>>& components, double factor,
                  const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis);
  // The line along the underside of the drawn bottom slabs, from their left
  // end to their right end over the drawn lines, extended at both ends by
  // factor × the settings' cut-line extension and offset by half of it
  // below; registered with kind 0x10000 under an owner of its own.  Nothing
  // without bottom-slab lines; std::out_of_range when the lines do not
  // connect.
  void DrawSectionCut(double factor);
  // A numbered section mark drawn by the board for the cut line, looking
  // towards the side point, registered under the owner with kind 0x8000.
  EntityList AddGeometryEntities(ObjectPtr owner, const _2dLine& line, const _2dPoint& side, int number,
                                 double size1, double size2, int style);

  // --- Wall drawings (wall plan and wall sections).
  // Builds, without registering or showing anything, the drawn bars of the
  // boards' rebar zones: line bars for the zones whose bars run along the
  // view direction (out: their zones and bar lists), dot rows for the face
  // zones the drawing sees end on (zones and rows, null where none) and the
  // dots of the support bars at the junctions (zones and dot groups).  The
  // section flag is clear for the wall plan, set for a section.  `lines` are
  // the board lines the bars are drawn beside, `extraOffsetLines` those
  // beside which labels stand `extraLabelOffset` further out, `labelLines`
  // those the support labels keep clear of.  Failures reach the caller.
  void DrawWallRein(int zoneKinds, Tank* tank, const std::vector<boost::shared_ptr<StructureComponent>>& components,
                    bool section, ViewVolumn* volume, const ViewSettings* settings,
                    std::vector<boost::shared_ptr<_2dLine>> lines, std::vector<_2dLine> extraOffsetLines,
                    double extraLabelOffset, std::vector<_2dLine> labelLines, std::vector<ReinZonePtr>& lineZones,
                    std::vector<ReinZonePtr>& dotZones, std::vector<ReinZonePtr>& supportZones,
                    std::vector<std::vector<LineReinPtr>>& lineBars, std::vector<DotReinPtr>& dotRows,
                    std::vector<DotReinPtr>& supportDots);
  // Brings the two faces of every wall level along the upper face's leader:
  // the bar labels to the further position, the dot rows to the nearer.
  // A board whose faces do not carry two zones each ends the alignment.
  void AlignWallReinLabels(Tank* tank, std::vector<ReinZonePtr> lineZones, std::vector<ReinZonePtr> dotZones,
                           std::vector<std::vector<LineReinPtr>> lineBars, std::vector<DotReinPtr> dotRows);
  // One range dimension per dot row, over the extent of its zone's bars
  // along the row's line (kind 0x1000000, under the null owner, shown).
  void DrawReinRangeDims(Tank* tank, const std::vector<ReinZonePtr>& lineZones, const std::vector<ReinZonePtr>& dotZones,
                         const std::vector<std::vector<LineReinPtr>>& lineBars, const std::vector<DotReinPtr>& dotRows);
  // --- Openings on the plans (drawing/HoleAnnotation.cpp).
  // The openings of the boards of a plan (kind 0 walls, 1 bottom slabs, any
  // other top slabs), in the view's scale and placement.  Outline mode
  // registers each board's opening outlines under the board with kind
  // 0x40000; annotation mode registers the dimensions (kind 0x4000) and the
  // leader labels (kind 0x40000) under each opening and drops the outlines.
  // Notches and boards of other classes are passed over.
  void DrawHoles(Tank& tank, int kind, bool outlines);
  // A slab's rectangular and circular openings: outlines appended to `out`;
  // when annotated, the distances of the centre from the nearest wall faces
  // and a leader with the name and size.
  void DrawSlabHoles(const BoardPtr& slab, EntityList& out, Tank& tank, bool annotate);
  // A wall's openings cut in plan across its thickness: outlines appended to
  // `out`; when annotated, a chain of dimensions from the face of the wall
  // at its reference end through the opening midpoints (by distance along
  // the wall), and a leader with the name, size and centre level.
  void DrawWallHoles(const BoardPtr& wall, EntityList& out, Tank& tank, bool annotate);
  // An aligned dimension between model points, its line through linePoint,
  // scaled and placed, registered under the owner with kind 0x4000.
  EntityPtr AddHoleDimension(const _2dPoint& p1, const _2dPoint& p2, const _2dPoint& linePoint, ObjectPtr owner);
  // A leader from the model point down right by firstLeg (model mm), then a
  // level leg as long as the longer text needs, the upper text centred just
  // above it and the lower just below (2 u high); registered under the
  // owner with kind 0x40000.
  EntityList AddHoleLeader(ObjectPtr owner, const _2dPoint& anchor, double firstLeg, const std::string& upper,
                           const std::string& lower);
  // The points at the clear distance from the centre to the nearest wall
  // face on a steep and on a flat edge of the slab outline; a flag stays
  // false where no edge qualifies.
  void FindHoleDimensionTargets(const _2dPoint& centre, const BoardPtr& slab, Tank& tank, _2dPoint& steepTarget,
                                _2dPoint& flatTarget, bool* steepFound = nullptr, bool* flatFound = nullptr);

  // --- Accessors of the view filer.
  void ListObjectEntities(ObjectEntityPairs& out) const;
  void ListEntityOwners(EntityOwnerPairs& out) const;
  void ListEntityKinds(EntityKindPairs& out) const;
  // Replace a registry; a repeated key keeps its first value.
  void SetObjectEntities(const ObjectEntityPairs& pairs);
  void SetEntityOwners(const EntityOwnerPairs& pairs);
  void SetEntityKinds(const EntityKindPairs& pairs);
  void GetObjectEntityMap(ObjectEntityMap& out) const { out = m_objectEntities; }
  const ObjectEntityMap& GetObjectEntityMap() const { return m_objectEntities; }
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
  // The bar positions the drawn bars leave for the plan's dimension chains.
  const std::vector<_2dLine>& GetWallEndSegments() const { return m_wallEndSegments; }

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
  std::vector<ZoneDrawFailure> m_zoneFailures;
};
