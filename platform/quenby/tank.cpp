// Structural model: the tank's containers, numbering, units, joints' haunches,
// zone lists, the object walk and the load description.
#include "platform/quenby/internal.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <typeinfo>

IMPLEMENT_VEK_SERIAL(JointLine)
IMPLEMENT_VEK_SERIAL(BoardJoint)
IMPLEMENT_VEK_SERIAL(StructureComponentUnits)
IMPLEMENT_VEK_SERIAL(TankCell)
IMPLEMENT_VEK_SERIAL(Structure)
IMPLEMENT_VEK_SERIAL(Tank)

using quenby::File;
using quenby::FileList;

namespace {

template <class T, class U>
bool Holds(const std::vector<boost::shared_ptr<T>>& list, const U* item) {
  for (const auto& p : list)
    if (p.get() == item) return true;
  return false;
}

template <class T, class U>
void Erase(std::vector<boost::shared_ptr<T>>& list, const U* item) {
  list.erase(std::remove_if(list.begin(), list.end(), [item](const auto& p) { return p.get() == item; }),
             list.end());
}

}  // namespace

// ---------------------------------------------------------------------------
// Joints and their free accessors

void JointLine::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  File(ar, m_line);
}

_3dLine BoardJoint::GetLine() const { return m_line ? m_line->GetLine() : _3dLine(); }

void BoardJoint::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  _3dLine line = GetLine();
  File(ar, line);
  if (ar.IsLoading()) m_line.reset(new JointLine(line));
}

bool GetJointEar(const BoardJointPtr& joint, EarPtr& ear) {
  ear = joint ? joint->GetEar() : EarPtr();
  return static_cast<bool>(ear);
}

bool GetJointOverhangEar(const BoardJointPtr& joint, EarPtr& ear) {
  ear = joint ? joint->GetOverhangEar() : EarPtr();
  return static_cast<bool>(ear);
}

void SetJointEar(const BoardJointPtr& joint, const EarPtr& ear) {
  if (joint) joint->SetEar(ear);
}

void SetJointOverhangEar(const BoardJointPtr& joint, const EarPtr& ear) {
  if (joint) joint->SetOverhangEar(ear);
}

bool GetJointContact(const BoardJointPtr& joint, JointContact& contact) {
  if (!joint || !joint->GetJointLine()) return false;
  contact.SetLine(joint->GetLine());
  return true;
}

_3dLine GetContactLine(const JointContact& contact) { return contact.GetLine(); }

JointLineRecord GetJointLineRecord(const BoardJointPtr& joint) {
  return JointLineRecord(joint ? joint->GetLine() : _3dLine());
}

JointLinePtr GetJointLine(const BoardJointPtr& joint) { return joint ? joint->GetJointLine() : JointLinePtr(); }

// ---------------------------------------------------------------------------
// Units and cells

int StructureComponentUnits::GetNumber() const {
  for (const StructureComponentPtr& c : m_components)
    if (const Board* b = dynamic_cast<const Board*>(c.get())) return b->GetNumber();
  return 0;
}

StructureComponentPtr StructureComponentUnits::GetComponent(int index) const {
  if (index < 0 || index >= static_cast<int>(m_components.size()))
    throw std::out_of_range("invalid vector<T> subscript");
  return m_components[static_cast<std::size_t>(index)];
}

void StructureComponentUnits::Serialize(Archive& ar) { VekObject::Serialize(ar); }

void TankCell::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  File(ar, m_waterLevel);
  File(ar, m_levelSet);
  FileList(ar, m_region, 16, [&](_2dPoint& p) { File(ar, p); });
}

// ---------------------------------------------------------------------------
// Structure: construction, copying, clearing

Structure::Structure() = default;
Structure::~Structure() = default;

Structure::Structure(const Structure& other) : VekObject(other) { CopyFrom(other); }

Structure& Structure::operator=(const Structure& other) {
  if (this != &other) {
    Structure copy(other);
    SwapContents(copy);
  }
  return *this;
}

void Structure::SwapContents(Structure& other) noexcept {
  m_components.swap(other.m_components);
  m_units.swap(other.m_units);
  m_cells.swap(other.m_cells);
  m_joints.swap(other.m_joints);
  m_supportReins.swap(other.m_supportReins);
  m_otherZones.swap(other.m_otherZones);
  m_excluded.swap(other.m_excluded);
  m_leftUnits.swap(other.m_leftUnits);
  std::swap(m_nextHoleId, other.m_nextHoleId);
  std::swap(m_waterDepth, other.m_waterDepth);
  std::swap(m_analysis, other.m_analysis);
  m_topology.swap(other.m_topology);
}

void Structure::Clear() {
  m_components.clear();
  m_units.clear();
  m_cells.clear();
  m_joints.clear();
  m_supportReins.clear();
  m_otherZones.clear();
  m_excluded.clear();
  m_leftUnits.clear();
  m_nextHoleId = 1;
  m_analysis = TankAnalysisRecord();
  m_topology.reset();
}

// ---------------------------------------------------------------------------
// Components

std::vector<BoardPtr> Structure::GetBoards() const {
  std::vector<BoardPtr> boards;
  for (const StructureComponentPtr& c : m_components)
    if (BoardPtr b = boost::dynamic_pointer_cast<Board>(c)) boards.push_back(b);
  return boards;
}

std::vector<BoardPtr> Structure::BoardsOfKind(int kind) const {
  std::vector<BoardPtr> boards;
  for (const StructureComponentPtr& c : m_components)
    if (BoardPtr b = boost::dynamic_pointer_cast<Board>(c))
      if (b->GetKind() == kind) boards.push_back(b);
  return boards;
}

void Structure::AddBoard(const BoardPtr& board) {
  if (!board || Holds(m_components, board.get())) return;

  int highest = 0;
  bool taken = false;
  for (const BoardPtr& other : BoardsOfKind(board->GetKind())) {
    highest = std::max(highest, other->GetNumber());
    if (other->GetNumber() == board->GetNumber()) taken = true;
  }
  if (board->GetNumber() <= 0 || taken) board->SetNumber(highest + 1);
  m_components.push_back(board);

  // Back into the unit it left through UpdateBoard, or a unit of its own.
  UnitPtr unit;
  for (auto it = m_leftUnits.begin(); it != m_leftUnits.end(); ++it) {
    if (it->first == board) {
      if (Holds(m_units, it->second.get())) unit = it->second;
      m_leftUnits.erase(it);
      break;
    }
  }
  if (!unit) {
    unit.reset(new StructureComponentUnits);
    m_units.push_back(unit);
  }
  unit->m_components.push_back(board);
}

void Structure::AddBoards(const std::vector<BoardPtr>& boards) {
  for (const BoardPtr& board : boards) AddBoard(board);
}

void Structure::RemoveFromTank(const StructureComponentPtr& component, bool keepUnit) {
  if (!component || !Holds(m_components, component.get())) return;
  Erase(m_components, component.get());
  for (const UnitPtr& unit : m_units) {
    if (!Holds(unit->m_components, component.get())) continue;
    Erase(unit->m_components, component.get());
    if (keepUnit)
      if (BoardPtr board = boost::dynamic_pointer_cast<Board>(component)) m_leftUnits.emplace_back(board, unit);
    break;
  }
  // Drop empty units, except those a board that left through UpdateBoard may
  // come back to.
  m_units.erase(std::remove_if(m_units.begin(), m_units.end(),
                               [this](const UnitPtr& unit) {
                                 if (!unit->m_components.empty()) return false;
                                 for (const auto& left : m_leftUnits)
                                   if (left.second == unit) return false;
                                 return true;
                               }),
                m_units.end());
  if (!keepUnit) Erase(m_excluded, component.get());
}

void Structure::RemoveComponent(const StructureComponentPtr& component) { RemoveFromTank(component, false); }

void Structure::UpdateBoard(const BoardPtr& board) { RemoveFromTank(board, true); }

void Structure::PrepareBoards(const std::vector<BoardPtr>& boards) {
  for (const BoardPtr& board : boards) {
    if (!board) continue;
    std::vector<Restirction> restrictions = board->GetRestrictions();
    restrictions.resize(board->GetEdges().size(), Restirction(Restirction::kFree));
    board->SetRestrictions(restrictions);
  }
}

void Structure::ReworkBoard(const BoardPtr& board, std::vector<BoardPtr>& removed, std::vector<BoardPtr>& reworked) {
  removed.clear();
  reworked.clear();
  if (!board || !Holds(m_components, board.get())) return;
  UpdateBoard(board);
  removed.push_back(board);
  reworked.push_back(board);
}

void Structure::EditBoardList(std::vector<boost::shared_ptr<VekObject>> objects) {
  for (const auto& object : objects)
    if (BoardPtr board = boost::dynamic_pointer_cast<Board>(object)) RemoveComponent(board);
}

void Structure::EditObjectPair(const boost::shared_ptr<VekObject>& a, const boost::shared_ptr<VekObject>& b) {
  BoardPtr ba = boost::dynamic_pointer_cast<Board>(a);
  BoardPtr bb = boost::dynamic_pointer_cast<Board>(b);
  if (!ba || !bb || ba == bb || ba->GetKind() != bb->GetKind()) return;
  if (!Holds(m_components, ba.get()) || !Holds(m_components, bb.get())) return;
  UnitPtr ua, ub;
  for (const UnitPtr& unit : m_units) {
    if (Holds(unit->m_components, ba.get())) ua = unit;
    if (Holds(unit->m_components, bb.get())) ub = unit;
  }
  if (!ua || !ub) return;
  if (ua != ub) {
    // Group: b's boards join a's unit.
    for (const StructureComponentPtr& c : ub->m_components) ua->m_components.push_back(c);
    Erase(m_units, ub.get());
  } else {
    // Ungroup: b leaves into a unit of its own, right after a's.
    Erase(ua->m_components, bb.get());
    UnitPtr single(new StructureComponentUnits);
    single->m_components.push_back(bb);
    auto it = std::find(m_units.begin(), m_units.end(), ua);
    m_units.insert(it + 1, single);
  }
  m_topology.reset();  // the cells take the new units
}

void Structure::EditComponentUnits(const UnitPtr& unit) {
  auto it = std::find(m_units.begin(), m_units.end(), unit);
  if (!unit || it == m_units.end() || unit->m_components.size() < 2) return;
  std::vector<UnitPtr> singles;
  for (const StructureComponentPtr& c : unit->m_components) {
    UnitPtr single(new StructureComponentUnits);
    single->m_components.push_back(c);
    singles.push_back(single);
  }
  it = m_units.erase(it);
  m_units.insert(it, singles.begin(), singles.end());
  m_topology.reset();  // the cells take the new units
}

bool Structure::IsBoardExcluded(const BoardPtr& board) const { return board && Holds(m_excluded, board.get()); }

void Structure::SetBoardExcluded(const BoardPtr& board, bool excluded) {
  if (!board) return;
  if (!excluded) {
    Erase(m_excluded, board.get());
  } else if (!Holds(m_excluded, board.get()) && Holds(m_components, board.get())) {
    m_excluded.push_back(board);
  }
}

void Structure::RenumberBoards() {
  int next[3] = {1, 1, 1};
  std::vector<std::pair<int, int>> others;  // kinds outside 0..2
  for (const BoardPtr& board : GetBoards()) {
    const int kind = board->GetKind();
    if (kind >= 0 && kind <= 2) {
      board->SetNumber(next[kind]++);
      continue;
    }
    auto it = std::find_if(others.begin(), others.end(), [kind](const auto& p) { return p.first == kind; });
    if (it == others.end()) it = others.insert(others.end(), {kind, 1});
    board->SetNumber(it->second++);
  }
}

// ---------------------------------------------------------------------------
// Units, cells and water levels

std::vector<TankCellPtr> Structure::GetCells() const {
  EnsureTopology();
  return m_cells;
}

void Structure::SetDesignWaterDepth(double depth) {
  m_waterDepth = depth;
  m_topology.reset();  // the cells take their levels afresh
}

bool Structure::HasBottomSlabOverhang() const {
  double length = 0.0;
  for (const BoardPtr& slab : GetBottomSlabs())
    for (const BoardEdge& edge : slab->GetEdges())
      if (edge.GetOverhang(length)) return true;
  return false;
}

// ---------------------------------------------------------------------------
// Joints

bool Structure::FindJoint(const BoardPtr& a, const BoardPtr& b, BoardJointPtr& joint) const {
  EnsureTopology();
  for (const BoardJointPtr& j : m_joints) {
    if ((j->m_first == a && j->m_second == b) || (j->m_first == b && j->m_second == a)) {
      joint = j;
      return true;
    }
  }
  joint.reset();
  return false;
}

void Structure::GetJoints(std::vector<BoardPtr>& firsts, std::vector<BoardPtr>& seconds,
                          std::vector<BoardJointPtr>& joints) const {
  EnsureTopology();
  firsts.clear();
  seconds.clear();
  joints.clear();
  for (const BoardJointPtr& j : m_joints) {
    firsts.push_back(j->m_first);
    seconds.push_back(j->m_second);
    joints.push_back(j);
  }
}

std::vector<BoardJointPtr> Structure::GetBoardJoints(const BoardPtr& board) const {
  EnsureTopology();
  std::vector<BoardJointPtr> result;
  for (const BoardJointPtr& j : m_joints)
    if (board && (j->m_first == board || j->m_second == board)) result.push_back(j);
  return result;
}

void Structure::GetJointLines(std::vector<JointLinePtr>& lines) const {
  EnsureTopology();
  lines.clear();
  for (const BoardJointPtr& j : m_joints)
    if (j->m_line) lines.push_back(j->m_line);
}

void Structure::ClearEars() {
  EnsureTopology();
  for (const BoardJointPtr& j : m_joints) {
    j->m_ear.reset();
    j->m_overhangEar.reset();
  }
}

// ---------------------------------------------------------------------------
// Openings

int Structure::GetNextHoleId(const HolePtr& /*hole*/) { return m_nextHoleId++; }

BoardPtr Structure::GetHoleBoard(const HolePtr& hole) const {
  if (!hole) return BoardPtr();
  for (const BoardPtr& board : GetBoards())
    if (Holds(board->GetHoles(), hole.get())) return board;
  return BoardPtr();
}

// ---------------------------------------------------------------------------
// Zones and the object walk

namespace {

// Collects objects each once, in the order met.
class ObjectWalk {
 public:
  template <class T>
  void Add(const boost::shared_ptr<T>& object) {
    if (!object) return;
    if (!m_seen.insert(static_cast<const void*>(object.get())).second) return;
    m_objects.push_back(object);
  }
  template <class T>
  void AddAll(const std::vector<boost::shared_ptr<T>>& objects) {
    for (const auto& o : objects) Add(o);
  }
  std::vector<boost::shared_ptr<VekObject>>& Objects() { return m_objects; }

 private:
  std::set<const void*> m_seen;
  std::vector<boost::shared_ptr<VekObject>> m_objects;
};

void WalkZones(const std::vector<BoardPtr>& boards, const std::vector<BoardJointPtr>& joints,
               const std::vector<ReinZonePtr>& supports, const std::vector<ReinZonePtr>& others, ObjectWalk& walk) {
  for (const BoardPtr& board : boards) {
    walk.AddAll(board->GetUpperZones());
    walk.AddAll(board->GetLowerZones());
    for (const BoardEdge& edge : board->GetEdges()) {
      walk.AddAll(edge.GetUpperZones());
      walk.AddAll(edge.GetLowerZones());
    }
    for (const HolePtr& hole : board->GetHoles())
      if (hole) walk.AddAll(hole->GetZones());
  }
  for (const BoardJointPtr& joint : joints) {
    if (joint->GetEar()) walk.AddAll(joint->GetEar()->GetZones());
    if (joint->GetOverhangEar()) walk.AddAll(joint->GetOverhangEar()->GetZones());
  }
  walk.AddAll(supports);
  walk.AddAll(others);
}

}  // namespace

TankReinZones Structure::GetReinZones() const {
  EnsureTopology();
  ObjectWalk walk;
  WalkZones(GetBoards(), m_joints, m_supportReins, m_otherZones, walk);
  std::vector<ReinZonePtr> zones;
  for (const auto& o : walk.Objects()) zones.push_back(boost::static_pointer_cast<ReinZone>(o));
  return TankReinZones(std::move(zones));
}

std::vector<ReinZonePtr> Structure::GetOtherReinZones() const {
  EnsureTopology();
  ObjectWalk walk;
  walk.AddAll(m_otherZones);
  for (const BoardJointPtr& joint : m_joints) {
    if (joint->GetEar()) walk.AddAll(joint->GetEar()->GetZones());
    if (joint->GetOverhangEar()) walk.AddAll(joint->GetOverhangEar()->GetZones());
  }
  std::vector<ReinZonePtr> zones;
  for (const auto& o : walk.Objects()) zones.push_back(boost::static_pointer_cast<ReinZone>(o));
  return zones;
}

bool Structure::AddSupportReins(const std::vector<boost::shared_ptr<SupportRein>>& zones) {
  m_supportReins.clear();
  for (const auto& zone : zones)
    if (zone) m_supportReins.push_back(zone);
  return true;
}

void Structure::GetObjectList(std::vector<boost::shared_ptr<VekObject>>& objects) const {
  EnsureTopology();
  ObjectWalk walk;
  const std::vector<BoardPtr> boards = GetBoards();
  walk.AddAll(m_components);
  for (const UnitPtr& unit : m_units)
    if (!unit->m_components.empty()) walk.Add(unit);
  walk.AddAll(m_cells);
  for (const BoardPtr& board : boards) {
    walk.AddAll(board->GetHoles());
    walk.AddAll(board->GetLoads());
    for (const auto& item : board->GetItems())
      if (item && typeid(*item) != typeid(VekObject)) walk.Add(item);
  }
  for (const BoardJointPtr& joint : m_joints) {
    walk.Add(joint->GetEar());
    walk.Add(joint->GetOverhangEar());
  }
  WalkZones(boards, m_joints, m_supportReins, m_otherZones, walk);
  objects = std::move(walk.Objects());
}

// ---------------------------------------------------------------------------
// Filing entry points (the format is in filing.cpp)

void Structure::Serialize(Archive& ar) {
  if (ar.IsStoring())
    Store(ar);
  else
    Load(ar);
}

void Tank::Serialize(Archive& ar) { Structure::Serialize(ar); }

// ---------------------------------------------------------------------------
// TankLoadModel

namespace {

TankLoadModel::Builder& InstalledBuilder() {
  static TankLoadModel::Builder builder;
  return builder;
}

}  // namespace

void TankLoadModel::Build(Tank& tank, ProjectSettings& settings) {
  Clear();
  if (InstalledBuilder()) InstalledBuilder()(*this, tank, settings);
}

void TankLoadModel::Clear() {
  m_list1.clear();
  m_list2.clear();
  m_table1.clear();
  m_table2.clear();
}

TankLoadModel::Builder TankLoadModel::SetBuilder(Builder builder) {
  Builder previous = std::move(InstalledBuilder());
  InstalledBuilder() = std::move(builder);
  return previous;
}

bool TankLoadModel::HasBuilder() { return static_cast<bool>(InstalledBuilder()); }
