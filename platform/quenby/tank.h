// Structural model: joints, structural units, cells, the tank, the load
// description handed to the analysis, the version record, the material lookups
// and the board predicates.  Part of platform/Quenby.h.
#pragma once

#include "platform/Morlak.h"
#include "platform/quenby/board.h"
#include "platform/quenby/zones.h"

#include <boost/shared_ptr.hpp>

#include <functional>
#include <utility>
#include <memory>
#include <string>
#include <vector>

class ProjectSettings;
class Tank;

// ---------------------------------------------------------------------------
// TankAnalysisRecord: what the last successful analysis left with the tank
// besides the moments in its boards: the fingerprints of the analysis input
// it ran on (the model's part and the settings' part; their contents are the
// analysis layer's, see platform/Tobrin.h) and the four text collections of
// the calculation book (anti-floating check, bearing check, bottom-slab and
// top-slab load texts, in the form of TankLoadModel).  Filed with the tank,
// so that a design read back keeps its analysis.  Empty fingerprints: not
// analysed.

struct TankAnalysisRecord {
  std::string modelFingerprint;
  std::string settingsFingerprint;
  std::vector<std::string> antiFloatText;
  std::vector<std::string> bearingText;
  std::vector<std::vector<std::string>> bottomSlabText;
  std::vector<std::vector<std::string>> topSlabText;

  bool operator==(const TankAnalysisRecord&) const = default;
  bool IsEmpty() const { return modelFingerprint.empty(); }
};

// ---------------------------------------------------------------------------
// Joints.  One joint object per pair of adjoining boards, found by the tank's
// topology (see Structure).  A joint holds the two boards (first = earlier in
// component order), its line and up to two haunches: the ordinary one and, on
// a bottom-slab/wall joint whose slab edge overhangs, the overhang haunch.

// The line of a joint; drawn as one 3D line in the 3D model view.  The same
// record serves as the joint's line record and as its contact.
class JointLine : public VekObject {
  DECLARE_VEK_SERIAL(JointLine)
 public:
  JointLine() = default;
  explicit JointLine(const _3dLine& line) : m_line(line) {}
  _3dLine GetLine() const { return m_line; }
  void SetLine(const _3dLine& line) { m_line = line; }
  void Serialize(Archive& ar) override;

 private:
  _3dLine m_line;
};

using JointLineRecord = JointLine;
using JointContact = JointLine;
using JointLinePtr = boost::shared_ptr<JointLine>;

class BoardJoint : public VekObject {
  DECLARE_VEK_SERIAL(BoardJoint)
 public:
  BoardJoint() = default;

  const BoardPtr& GetFirstBoard() const { return m_first; }
  const BoardPtr& GetSecondBoard() const { return m_second; }
  // The joint's line object (never empty for a joint the tank made).
  const JointLinePtr& GetJointLine() const { return m_line; }
  _3dLine GetLine() const;
  const EarPtr& GetEar() const { return m_ear; }
  void SetEar(const EarPtr& ear) { m_ear = ear; }
  const EarPtr& GetOverhangEar() const { return m_overhangEar; }
  void SetOverhangEar(const EarPtr& ear) { m_overhangEar = ear; }

  // Files the line (not the boards or haunches, which the tank files).
  void Serialize(Archive& ar) override;

 private:
  friend class StructureAccess;
  friend class Structure;
  BoardPtr m_first;
  BoardPtr m_second;
  JointLinePtr m_line;
  EarPtr m_ear;
  EarPtr m_overhangEar;
};

using BoardJointPtr = boost::shared_ptr<BoardJoint>;

// The joint's ordinary haunch; false and an empty pointer when it has none.
bool GetJointEar(const BoardJointPtr& joint, EarPtr& ear);
// The joint's overhang haunch; false and an empty pointer when it has none.
bool GetJointOverhangEar(const BoardJointPtr& joint, EarPtr& ear);
void SetJointEar(const BoardJointPtr& joint, const EarPtr& ear);
void SetJointOverhangEar(const BoardJointPtr& joint, const EarPtr& ear);
// The joint's contact; false for an empty joint.
bool GetJointContact(const BoardJointPtr& joint, JointContact& contact);
_3dLine GetContactLine(const JointContact& contact);
// The joint's line record (an empty line for an empty joint).
JointLineRecord GetJointLineRecord(const BoardJointPtr& joint);
// The joint's line object; empty for an empty joint.
JointLinePtr GetJointLine(const BoardJointPtr& joint);

// ---------------------------------------------------------------------------
// StructureComponentUnits: a structural unit, the boards calculated together.
// By default each board is a unit of its own; Tank::EditObjectPair groups and
// ungroups boards.  The unit's number is the number of its first board.

class StructureComponentUnits : public VekObject {
  DECLARE_VEK_SERIAL(StructureComponentUnits)
 public:
  StructureComponentUnits() = default;

  int GetNumber() const;
  const std::vector<StructureComponentPtr>& GetComponents() const { return m_components; }
  int GetComponentCount() const { return static_cast<int>(m_components.size()); }
  // std::out_of_range for a bad index.
  StructureComponentPtr GetComponent(int index) const;

  void Serialize(Archive& ar) override;

 private:
  friend class StructureAccess;
  friend class Structure;
  std::vector<StructureComponentPtr> m_components;
};

using UnitPtr = boost::shared_ptr<StructureComponentUnits>;

// ---------------------------------------------------------------------------
// TankCell: one region of the plan enclosed by walls, holding the units of the
// slabs in it and of the walls around it.
//
// Water level: the design water depth of the cell, mm above the top face of
// its bottom slab.  It is the tank's design water depth
// (Tank::SetDesignWaterDepth, which the caller takes from the settings) when
// that is not negative; a negative depth means the default: water up to the
// underside of the cell's top slab, or, in an open cell, up to the top of its
// walls.  SetWaterLevel overrides one cell's level until the cell leaves the
// tank.

class TankCell : public VekObject {
  DECLARE_VEK_SERIAL(TankCell)
 public:
  TankCell() = default;

  const std::vector<UnitPtr>& GetUnits() const { return m_units; }
  double GetWaterLevel() const { return m_waterLevel; }
  void SetWaterLevel(double level) { m_waterLevel = level; m_levelSet = true; }
  bool IsWaterLevelSet() const { return m_levelSet; }
  // The cell's region in plan: counter-clockwise, closed by repeating its
  // first point.
  const std::vector<_2dPoint>& GetRegion() const { return m_region; }

  void Serialize(Archive& ar) override;

 private:
  friend class StructureAccess;
  friend class Structure;
  std::vector<UnitPtr> m_units;
  std::vector<_2dPoint> m_region;
  double m_waterLevel = 0.0;
  bool m_levelSet = false;
};

using TankCellPtr = boost::shared_ptr<TankCell>;

// ---------------------------------------------------------------------------
// Structure: the base part of Tank, holding the whole model.
//
// Components.  GetComponents lists the components in the order of addition.
// Board numbers: a board added to the tank keeps its number when it is set and
// no other board of its kind in the tank has it; otherwise it gets the highest
// number of its kind in the tank plus one.  So the boards of a new tank are
// numbered from 1 per kind in component order, and numbers are kept across
// edits (a board that leaves with UpdateBoard and comes back keeps its number)
// until a board leaves the tank for good.  RenumberBoards numbers afresh.
//
// Units.  A board added to the tank becomes a unit of its own (appended to the
// units), unless it left through UpdateBoard from a unit that is still in the
// tank, which it then rejoins.  A board that leaves the tank leaves its unit;
// an empty unit is dropped.  EditObjectPair(a, b) with two boards of one kind
// in different units puts b's boards into a's unit; with two boards of one
// unit it takes b out into a unit of its own.  EditComponentUnits splits a unit
// into one unit per board.  EditBoardList removes the listed boards from the
// tank (the boards stacked above a board whose height was edited).
//
// Topology.  Joints, neighbour lists, boards on an edge, intersection lines,
// outline lists and cells are derived from the boards' geometry by one routine,
// run when a query finds the set of boards or any board's frame, kind, faces
// or edge lines changed since the last run (a change made in place through
// Board::GetEdges is seen too).  Two boards adjoin when they share a segment
// longer than 1 mm within 1 mm:
//   - boards in one plane, along collinear overlapping edges (two slabs edge to
//     edge, two walls in line);
//   - other boards, where the common line of their planes lies inside or on
//     both outlines (a wall standing on a slab's mid-plane, a slab edge on a
//     wall's base line, L-, T- and X-junctions of walls).
// The joint line runs over the shared part (from the first to the last shared
// point when the boards meet in several pieces), oriented from its lower end
// (ordered by z, then y, then x).  A joint object is kept, with its haunches,
// for as long as its two boards adjoin; joints are listed in the order of their
// pairs (first board, then second board, in component order).
// Neighbours: for board b, each adjoining board is listed once per edge of b
// lying on the shared part (with that edge's index and the index of the
// neighbour's edge on the same piece, or -1), or once with -1 when b has no
// edge there.
// Joint groups: joints between walls whose lines are vertical and stand at the
// same plan point (within 1 mm), groups of two or more, ordered by the lower
// end of the line, then by joint order.
// Outline lists (rows and columns are component positions): (1) flags[i][j]
// = 1 when components i and j adjoin, (2) each component's world outline, (3)
// each component's frame as three points: origin, origin + x axis, origin +
// y axis (empty rows for components that are not boards), (4) lines[i][j] =
// the joint line of i and j (a default line where they do not adjoin).
// Cells: one per region that the walls' plan base lines enclose (found with
// g_PolygonAlgorithm.FindRegions), in the order the region search returns
// them; a cell holds the units of the slabs whose plan lies in the region,
// then the units of the walls along its sides.  A cell object is kept while its
// region stays.
//
// A joint's haunches go with it when its boards stop adjoining.
//
// Zones.  GetOtherReinZones gives the zones the tank holds itself (see
// SetOtherReinZones) followed by the zones of every joint's haunches, each
// once, so that the haunch zones are numbered too.  AddSupportReins replaces
// the support zones of an earlier design; support zones are held by the tank
// alone (a support zone in a board's, opening's or haunch's list is refused
// when the tank is filed).  A zone shared by several boards stands once in
// each board's GetAllZones: a walk over all boards meets it once per board.
//
// Object list and filing.  GetObjectList enumerates, each once: the components;
// the units; the cells; per board its openings, loads and items (items whose
// class is exactly VekObject left out); per joint its haunch and overhang
// haunch; then the rebar zones at their first occurrence: per board its upper
// and lower face zones, per edge its upper and lower zones, per opening its
// zones; per joint its haunches' zones; the support zones; the tank's other
// zones.  Serialize files the objects in exactly this order, references as
// positions in it, so the order after reading equals the order when storing
// (items whose class is exactly VekObject carry nothing and are not filed).
//
// Copying (the undo snapshot) is deep: every object above, the joints, joint
// lines and bars are copied once through one identity map, so sharing inside
// the tank is kept inside the copy.  Items of boards whose class is registered
// under its own name are copied through filing; other items are shared.
class Structure : public VekObject {
  DECLARE_VEK_SERIAL(Structure)
 public:
  Structure();
  Structure(const Structure& other);
  Structure& operator=(const Structure& other);
  ~Structure() override;

  // Empties the model: no component, unit, cell, joint or zone is left and the
  // opening identifiers start again at 1.
  void Clear();

  // Components
  std::vector<StructureComponentPtr> GetComponents() const { return m_components; }
  std::vector<BoardPtr> GetBoards() const;
  std::vector<BoardPtr> GetWalls() const { return BoardsOfKind(0); }
  std::vector<BoardPtr> GetBottomSlabs() const { return BoardsOfKind(1); }
  std::vector<BoardPtr> GetTopSlabs() const { return BoardsOfKind(2); }
  // Adds a board (an empty pointer or a board already in the tank is ignored).
  void AddBoard(const BoardPtr& board);
  void AddBoards(const std::vector<BoardPtr>& boards);
  void RemoveComponent(const StructureComponentPtr& component);
  // The board leaves the tank; it keeps its number and its unit for when it is
  // added again.
  void UpdateBoard(const BoardPtr& board);
  // Prepares boards whose outline changed before they are added again: each
  // restraint list is brought to the board's edge count (missing edges free).
  void PrepareBoards(const std::vector<BoardPtr>& boards);
  // Takes the board out of the tank so that it is added again with its new
  // geometry: removed = {board}, reworked = {board}; nothing for a board not in
  // the tank.
  void ReworkBoard(const BoardPtr& board, std::vector<BoardPtr>& removed, std::vector<BoardPtr>& reworked);
  // Cuts the board along a line in its plane into pieces (new boards with the
  // board's frame, kind, faces, grades and codes; edges lying on an old edge
  // keep its overhang mark).  True when the line cuts it into two or more
  // pieces; the tank is not changed.
  bool SplitBoard(const BoardPtr& board, const _3dLine& line, std::vector<BoardPtr>& pieces) const;
  void EditBoardList(std::vector<boost::shared_ptr<VekObject>> objects);
  void EditObjectPair(const boost::shared_ptr<VekObject>& a, const boost::shared_ptr<VekObject>& b);
  void EditComponentUnits(const UnitPtr& unit);
  // Boards left alone by the edge-bar selection and the joint-zone walk (one
  // predicate under two names).
  bool IsBoardExcluded(const BoardPtr& board) const;
  bool IsDesignExcluded(const BoardPtr& board) const { return IsBoardExcluded(board); }
  void SetBoardExcluded(const BoardPtr& board, bool excluded);
  void RenumberBoards();

  // Units and cells
  std::vector<UnitPtr> GetUnits() const { return m_units; }
  std::vector<TankCellPtr> GetCells() const;
  void SetDesignWaterDepth(double depth);
  double GetDesignWaterDepth() const { return m_waterDepth; }

  // Relations between boards
  void GetNeighbourBoards(const BoardPtr& board, std::vector<BoardPtr>& boards, std::vector<int>& ownEdges,
                          std::vector<int>& otherEdges) const;
  void GetBoardsOnEdge(const BoardPtr& board, int edgeIndex, std::vector<BoardPtr>& boards,
                       std::vector<int>& edges) const;
  bool GetIntersectionLine(const BoardPtr& a, const BoardPtr& b, _3dLine& line) const;
  std::vector<BoardPtr> GetAdjoiningBoards(const BoardPtr& board) const;
  // True when b has outline points more than 1 mm on both sides of a's plane.
  bool SpansBothSides(const BoardPtr& a, const BoardPtr& b) const;
  // The walls of the list that adjoin one of the slabs, in the walls' order.
  std::vector<BoardPtr> GetSlabWalls(const std::vector<BoardPtr>& slabs, const std::vector<BoardPtr>& walls) const;
  void GetOutlineLists(std::vector<std::vector<unsigned char>>& flags, std::vector<std::vector<_3dPoint>>& outlines,
                       std::vector<std::vector<_3dPoint>>& frames, std::vector<std::vector<_3dLine>>& lines) const;
  // The pairs of boards that touch, as the flags of GetOutlineLists give them
  // (component positions a < b, ordered by a then b) with their joint lines,
  // without the components-by-components tables.
  void GetContactLines(std::vector<std::pair<int, int>>& pairs, std::vector<_3dLine>& lines) const;
  // Both true when some bottom-slab edge carries an overhang.
  bool HasBottomSlabOverhang() const;
  bool GetPlanDrawingFlag() const { return HasBottomSlabOverhang(); }

  // Every query above and below checks that no board's geometry changed
  // since the adjoining boards were last found (a walk over all boards).
  // While a TopologyFreeze of the structure lives, that check is left out
  // (only a change in the number of components is still noticed): for a run
  // of queries over the boards that changes no board's outline, frame or
  // faces, such as placing haunches, classifying edges or drawing the plan.
  class TopologyFreeze {
   public:
    explicit TopologyFreeze(const Structure& structure);
    ~TopologyFreeze();
    TopologyFreeze(const TopologyFreeze&) = delete;
    TopologyFreeze& operator=(const TopologyFreeze&) = delete;

   private:
    const Structure& m_structure;
  };

  // Joints
  bool FindJoint(const BoardPtr& a, const BoardPtr& b, BoardJointPtr& joint) const;
  void GetJoints(std::vector<BoardPtr>& firsts, std::vector<BoardPtr>& seconds,
                 std::vector<BoardJointPtr>& joints) const;
  std::vector<BoardJointPtr> GetBoardJoints(const BoardPtr& board) const;
  std::vector<std::vector<BoardJointPtr>> GetJointGroups() const;
  void GetJointLines(std::vector<JointLinePtr>& lines) const;
  void ClearEars();

  // Openings
  int GetNextHoleId(const HolePtr& hole);
  BoardPtr GetHoleBoard(const HolePtr& hole) const;

  // Rebar zones held by the tank
  TankReinZones GetReinZones() const;
  std::vector<ReinZonePtr> GetOtherReinZones() const;
  void SetOtherReinZones(const std::vector<ReinZonePtr>& zones) { m_otherZones = zones; }
  void AddOtherReinZone(const ReinZonePtr& zone) { m_otherZones.push_back(zone); }
  std::vector<ReinZonePtr> GetSupportReins() const { return m_supportReins; }
  bool AddSupportReins(const std::vector<boost::shared_ptr<SupportRein>>& zones);

  void GetObjectList(std::vector<boost::shared_ptr<VekObject>>& objects) const;

  // The record of the last successful analysis (see TankAnalysisRecord);
  // copied with the tank, filed with it and emptied by Clear.
  const TankAnalysisRecord& GetAnalysisRecord() const { return m_analysis; }
  void SetAnalysisRecord(const TankAnalysisRecord& record) { m_analysis = record; }
  void ClearAnalysisRecord() { m_analysis = TankAnalysisRecord(); }
  // True when the tank was analysed successfully and its analysis input has
  // not changed since (the model's part of the input; settings are checked by
  // IsTankAnalysed of platform/Tobrin.h).  Defined by the analysis layer,
  // which owns the notion of its input (platform/tobrin/fingerprint.cpp).
  bool IsAnalysed() const;

  void Serialize(Archive& ar) override;

 protected:
  // Exchanges every member with `other` (the objects keep their identity).
  void SwapContents(Structure& other) noexcept;

 private:
  friend class StructureAccess;
  struct Topology;

  std::vector<BoardPtr> BoardsOfKind(int kind) const;
  const Topology& EnsureTopology() const;
  void RemoveFromTank(const StructureComponentPtr& component, bool keepUnit);
  void CopyFrom(const Structure& other);
  void Store(Archive& ar) const;
  void Load(Archive& ar);
  static void LoadModel(Archive& ar, const std::vector<boost::shared_ptr<VekObject>>& objects, int components,
                        int units, int cells, Structure& model, int version);

  std::vector<StructureComponentPtr> m_components;
  std::vector<UnitPtr> m_units;
  mutable std::vector<TankCellPtr> m_cells;
  mutable std::vector<BoardJointPtr> m_joints;
  std::vector<ReinZonePtr> m_supportReins;
  std::vector<ReinZonePtr> m_otherZones;
  std::vector<BoardPtr> m_excluded;
  // Boards that left through UpdateBoard, with the unit they came from.
  std::vector<std::pair<BoardPtr, UnitPtr>> m_leftUnits;
  int m_nextHoleId = 1;
  double m_waterDepth = -1.0;
  TankAnalysisRecord m_analysis;
  mutable std::unique_ptr<Topology> m_topology;
  mutable int m_topologyFrozen = 0;
};

// ---------------------------------------------------------------------------
// Tank: the structural model of one tank (held by value by the project and
// copied whole into the undo and redo stacks).

class Tank : public Structure {
  DECLARE_VEK_SERIAL(Tank)
 public:
  Tank() : Structure() {}
  Tank(const Tank& other) : Structure(other), m_crackWidthLimit(other.m_crackWidthLimit) {}
  Tank& operator=(const Tank& other) {
    Structure::operator=(other);
    m_crackWidthLimit = other.m_crackWidthLimit;
    return *this;
  }
  ~Tank() override = default;

  // Exchanges the whole contents of two tanks without copying: every model
  // object keeps its identity (views and zones that point into a tank read
  // from a file stay valid when the tank is taken over).
  void Swap(Tank& other) noexcept {
    SwapContents(other);
    std::swap(m_crackWidthLimit, other.m_crackWidthLimit);
  }

  // Files the model (not m_crackWidthLimit, which every analysis sets first).
  void Serialize(Archive& ar) override;

  // Crack-width limit of the design, mm.
  double m_crackWidthLimit = 0.25;
};

// ---------------------------------------------------------------------------
// TankLoadModel: the load description handed to the analysis, with the four
// text collections the analysis library receives after a successful run.
//
// Building the description belongs to the analysis layer: it installs its
// builder once (SetBuilder); Build empties the collections and runs the
// installed builder, and without one leaves them empty.

class TankLoadModel {
 public:
  using Builder = std::function<void(TankLoadModel&, Tank&, ProjectSettings&)>;

  TankLoadModel() = default;
  virtual ~TankLoadModel() = default;

  void Build(Tank& tank, ProjectSettings& settings);

  void GetTextList1(std::vector<std::string>& out) const { out = m_list1; }
  void GetTextList2(std::vector<std::string>& out) const { out = m_list2; }
  void GetTextTable1(std::vector<std::vector<std::string>>& out) const { out = m_table1; }
  void GetTextTable2(std::vector<std::vector<std::string>>& out) const { out = m_table2; }

  // Storage for the builder.
  void SetTextList1(const std::vector<std::string>& texts) { m_list1 = texts; }
  void SetTextList2(const std::vector<std::string>& texts) { m_list2 = texts; }
  void SetTextTable1(const std::vector<std::vector<std::string>>& table) { m_table1 = table; }
  void SetTextTable2(const std::vector<std::vector<std::string>>& table) { m_table2 = table; }
  void Clear();

  // Installs the builder and returns the one installed before.
  static Builder SetBuilder(Builder builder);
  static bool HasBuilder();

 private:
  std::vector<std::string> m_list1, m_list2;
  std::vector<std::vector<std::string>> m_table1, m_table2;
};

// ---------------------------------------------------------------------------
// VersionNum: the host's version, set once by the host; the tank's file
// layout carries its own version and does not depend on it.

class VersionNum {
 public:
  void setVersionNum(int major, int minor) { m_major = major; m_minor = minor; }
  int GetMajor() const { return m_major; }
  int GetMinor() const { return m_minor; }

 private:
  int m_major = 0;
  int m_minor = 0;
};

extern VersionNum g_VersionNum;

// ---------------------------------------------------------------------------
// Material lookups by grade text, N/mm² (GB 50010-2002 Tables 4.1.3 and 4.1.4
// for concrete C15 to C80; bars "HPB235", "HRB335", "HRB400", "RRB400").  The
// text must match exactly; an unknown text gives 0.

double GetConcreteDesignStrength(const std::string& grade);           // fc
double GetConcreteTensileStrength(const std::string& grade);          // ft
double GetConcreteStandardTensileStrength(const std::string& grade);  // ftk
double GetReinDesignStrength(const std::string& grade);               // fy
double GetReinElasticModulus(const std::string& grade);               // Es

// ---------------------------------------------------------------------------
// Predicates and static functions on boards.

// How a face flag carries over from board a at its edge to board b: true when
// a's normal, turned about the joint line by the turn that carries a's inward
// direction onto the reverse of b's inward direction, points to b's upper side
// (for boards continuing in one plane: when their normals agree).  False for a
// bad edge index or when either inward direction is undefined (the line runs
// along a board's normal).
bool AreFaceSidesAligned(const BoardPtr& a, int edgeIndex, const BoardPtr& b);

// The line lies in the board's plane (both ends within 1 mm of it).
class LineOnBoardTest {
 public:
  explicit LineOnBoardTest(const _3dLine& line) : m_line(line) {}
  bool operator()(const BoardPtr& board) const;

 private:
  _3dLine m_line;
};

// The line lies within the board's outline (inside or on it, within 1 mm,
// along its whole length), measured in the board's plane.
class LineWithinBoardTest {
 public:
  explicit LineWithinBoardTest(const _3dLine& line) : m_line(line) {}
  bool operator()(const BoardPtr& board) const;

 private:
  _3dLine m_line;
};

using BoardLinePredicate = LineOnBoardTest;
using BoardLineMatchPredicate = LineWithinBoardTest;

// The segment lies on the board: in its plane and within its outline.
class BoardSegmentTest {
 public:
  explicit BoardSegmentTest(const _3dLine& segment) : m_segment(segment) {}
  BoardSegmentTest(const _3dPoint& start, const _3dPoint& end) : m_segment(start, end) {}
  bool operator()(const BoardPtr& board) const;

 private:
  _3dLine m_segment;
};

// The same test, under the name the dot rows use.
using LineInBoardTest = BoardSegmentTest;

// A point lies on the board: in its concrete (between its two faces, within
// 1 mm) and inside or on its outline (within 1 mm), measured in the board's
// plane.  Bars lie a cover inside a face, off the board's reference plane, so
// their end points are tested against the board's thickness, not its plane.
class PointOnBoardTest {
 public:
  explicit PointOnBoardTest(const _3dPoint& point) : m_point(point) {}
  bool operator()(const BoardPtr& board) const;

 private:
  _3dPoint m_point;
};
