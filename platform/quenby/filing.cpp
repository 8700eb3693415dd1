// Structural model: filing of the whole tank.
//
// Record of a tank:
//   string "QuenbyTank", int layout version (3; 1 and 2 are read too)
//   int n, then n class names: the objects of Tank::GetObjectList in order
//   int components, int units, int cells (the first objects of the table)
//   int joints, then per joint: first and second board (positions), its line
//     (six doubles), its haunch and overhang haunch (positions or -1)
//   the record of every object of the table, in table order; references to
//     other objects are written as positions in the table, to joints as
//     indices in the joint list
//   the support zones, the other zones and the excluded boards (positions),
//     the next opening identifier and the design water depth
//   (version 2) the analysis record: the two fingerprints, the two check
//     text lists (count-prefixed strings) and the two slab text tables
//     (count-prefixed rows of count-prefixed strings); a version-1 record
//     reads as "not analysed"
//   (version 3) the design-state record: per component of class Board, in
//     component order, the number of its bar groups (4 + 2 per edge), then
//     per group its state code and note: upper X, upper Y, lower X, lower Y,
//     then per edge its upper and lower face; an older record reads as
//     "not designed"
//   string "EndQuenbyTank"
// Reading builds a separate model and takes it over only when everything was
// read and checked: every count is checked against the archive before
// anything is allocated, every position against the table and against the
// class the reference needs, and the object list of the model read must be
// the table itself.  Any failure raises ArchiveError and leaves the tank as it
// was.
#include "platform/quenby/internal.h"

#include <typeinfo>
#include <unordered_map>

using quenby::File;

namespace {

constexpr int kLayoutVersion = 3;
// The oldest layout still read: before the analysis record was filed.
constexpr int kFirstLayoutVersion = 1;

void StoreTexts(Archive& ar, const std::vector<std::string>& texts) {
  ar.WriteInt(static_cast<int>(texts.size()));
  for (const std::string& text : texts) ar.WriteString(text);
}

void LoadTexts(Archive& ar, std::vector<std::string>& texts) {
  int count = 0;
  ar.ReadCount(count, 4);
  texts.assign(static_cast<std::size_t>(count), std::string());
  for (std::string& text : texts) ar.ReadString(text);
}

// The bar groups of a board in filing order.
std::vector<FaceValues*> BarGroups(Board& board) {
  std::vector<FaceValues*> groups;
  for (bool upper : {true, false})
    for (bool x : {true, false}) groups.push_back(&board.GetFaceValues(upper, x));
  for (BoardEdge& edge : board.GetEdges()) {
    groups.push_back(&edge.GetFaceValues(true));
    groups.push_back(&edge.GetFaceValues(false));
  }
  return groups;
}

std::vector<BoardPtr> FiledBoards(const std::vector<StructureComponentPtr>& components) {
  std::vector<BoardPtr> boards;
  for (const StructureComponentPtr& c : components)
    if (c && typeid(*c) == typeid(Board)) boards.push_back(boost::static_pointer_cast<Board>(c));
  return boards;
}

void StoreDesignStates(Archive& ar, const std::vector<StructureComponentPtr>& components) {
  for (const BoardPtr& board : FiledBoards(components)) {
    const std::vector<FaceValues*> groups = BarGroups(*board);
    ar.WriteInt(static_cast<int>(groups.size()));
    for (const FaceValues* g : groups) {
      ar.WriteInt(g->status);
      ar.WriteString(g->statusNote);
    }
  }
}

void LoadDesignStates(Archive& ar, const std::vector<StructureComponentPtr>& components) {
  for (const BoardPtr& board : FiledBoards(components)) {
    const std::vector<FaceValues*> groups = BarGroups(*board);
    int count = 0;
    ar.ReadCount(count, 8);
    if (count != static_cast<int>(groups.size()))
      ar.Fail("design states: " + std::to_string(count) + " bar groups for a board with " +
              std::to_string(groups.size()));
    for (FaceValues* g : groups) {
      int status = 0;
      ar.ReadInt(status);
      if (status < BarGroupStatus::kNotDesigned || status > BarGroupStatus::kBarsDoNotFit)
        ar.Fail("design states: unknown state " + std::to_string(status));
      g->status = status;
      ar.ReadString(g->statusNote);
    }
  }
}

void StoreAnalysisRecord(Archive& ar, const TankAnalysisRecord& record) {
  ar.WriteString(record.modelFingerprint);
  ar.WriteString(record.settingsFingerprint);
  StoreTexts(ar, record.antiFloatText);
  StoreTexts(ar, record.bearingText);
  for (const auto* table : {&record.bottomSlabText, &record.topSlabText}) {
    ar.WriteInt(static_cast<int>(table->size()));
    for (const auto& row : *table) StoreTexts(ar, row);
  }
}

void LoadAnalysisRecord(Archive& ar, TankAnalysisRecord& record) {
  ar.ReadString(record.modelFingerprint);
  ar.ReadString(record.settingsFingerprint);
  LoadTexts(ar, record.antiFloatText);
  LoadTexts(ar, record.bearingText);
  for (auto* table : {&record.bottomSlabText, &record.topSlabText}) {
    int rows = 0;
    ar.ReadCount(rows, 4);
    table->assign(static_cast<std::size_t>(rows), {});
    for (auto& row : *table) LoadTexts(ar, row);
  }
}
const char* const kHeader = "QuenbyTank";
const char* const kTrailer = "EndQuenbyTank";

using ObjectList = std::vector<boost::shared_ptr<VekObject>>;

// ---------------------------------------------------------------------------
// Storing

class Writer {
 public:
  Writer(Archive& ar, const ObjectList& objects, const std::vector<BoardJointPtr>& joints) : m_ar(ar) {
    for (std::size_t i = 0; i < objects.size(); ++i) m_positions[objects[i].get()] = static_cast<int>(i);
    for (std::size_t i = 0; i < joints.size(); ++i) m_joints[joints[i].get()] = static_cast<int>(i);
  }

  void Ref(const VekObject* object) {
    if (!object) {
      m_ar.WriteInt(-1);
      return;
    }
    auto it = m_positions.find(object);
    if (it == m_positions.end())
      throw std::logic_error("a referenced model object is missing from the tank's object list");
    m_ar.WriteInt(it->second);
  }
  template <class T>
  void Refs(const std::vector<boost::shared_ptr<T>>& list) {
    m_ar.WriteInt(static_cast<int>(list.size()));
    for (const auto& p : list) Ref(p.get());
  }
  // Zones of a board, an edge, an opening or a haunch (support zones belong to
  // the tank alone).
  void Zones(const std::vector<ReinZonePtr>& list) {
    for (const ReinZonePtr& zone : list)
      if (boost::dynamic_pointer_cast<SupportRein>(zone))
        throw std::logic_error("a support zone stands in a board's, an opening's or a haunch's zone list");
    Refs(list);
  }
  // Joints of a support zone; joints that are no longer the tank's (their
  // boards stopped adjoining) are left out.
  void JointRefs(const std::vector<BoardJointPtr>& list) {
    std::vector<int> indices;
    for (const BoardJointPtr& j : list) {
      auto it = m_joints.find(j.get());
      if (it != m_joints.end()) indices.push_back(it->second);
    }
    m_ar.WriteInt(static_cast<int>(indices.size()));
    for (int index : indices) m_ar.WriteInt(index);
  }
  bool Has(const VekObject* object) const { return m_positions.count(object) != 0; }

 private:
  Archive& m_ar;
  std::unordered_map<const VekObject*, int> m_positions;
  std::unordered_map<const VekObject*, int> m_joints;
};

void StoreRecord(Archive& ar, Writer& w, VekObject& object) {
  const std::type_info& type = typeid(object);
  if (type == typeid(Board)) {
    auto& board = static_cast<Board&>(object);
    board.SerializeValues(ar);
    w.Refs(board.GetHoles());
    w.Refs(board.GetLoads());
    // Plain VekObject items carry nothing and stand in no object list.
    std::vector<boost::shared_ptr<VekObject>> items;
    for (const auto& item : board.GetItems())
      if (w.Has(item.get())) items.push_back(item);
    w.Refs(items);
    w.Zones(board.GetUpperZones());
    w.Zones(board.GetLowerZones());
    for (const BoardEdge& edge : board.GetEdges()) {
      w.Zones(edge.GetUpperZones());
      w.Zones(edge.GetLowerZones());
    }
  } else if (auto* hole = dynamic_cast<Hole*>(&object)) {
    hole->SerializeValues(ar);
    w.Zones(hole->GetZones());
  } else if (auto* load = dynamic_cast<Load*>(&object)) {
    load->SerializeValues(ar);
  } else if (auto* ear = dynamic_cast<Ear*>(&object)) {
    ear->SerializeValues(ar);
    w.Zones(ear->GetZones());
  } else if (auto* unit = dynamic_cast<StructureComponentUnits*>(&object)) {
    w.Refs(unit->GetComponents());
  } else if (auto* cell = dynamic_cast<TankCell*>(&object)) {
    cell->Serialize(ar);
    w.Refs(cell->GetUnits());
  } else if (auto* zone = dynamic_cast<ReinZone*>(&object)) {
    zone->SerializeValues(ar);
    if (auto* support = dynamic_cast<SupportRein*>(zone)) w.JointRefs(support->GetJoints());
  } else if (type == typeid(StructureComponent)) {
    // nothing of its own
  } else {
    object.Serialize(ar);  // a host's object attached to a board
  }
}

// ---------------------------------------------------------------------------
// Reading

class Reader {
 public:
  Reader(Archive& ar, const ObjectList& objects) : m_ar(ar), m_objects(objects) {}

  template <class T>
  boost::shared_ptr<T> Ref(const char* what, bool allowNull = false, int limit = -1) {
    int pos = 0;
    m_ar.ReadInt(pos);
    if (pos == -1 && allowNull) return boost::shared_ptr<T>();
    const int end = limit >= 0 ? limit : static_cast<int>(m_objects.size());
    if (pos < 0 || pos >= end) m_ar.Fail(std::string(what) + ": object position out of range");
    auto p = boost::dynamic_pointer_cast<T>(m_objects[static_cast<std::size_t>(pos)]);
    if (!p) m_ar.Fail(std::string(what) + ": object of the wrong class");
    return p;
  }
  template <class T>
  void Refs(std::vector<boost::shared_ptr<T>>& list, const char* what, int limit = -1) {
    int count = 0;
    m_ar.ReadCount(count, 4);
    list.clear();
    list.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) list.push_back(Ref<T>(what, false, limit));
  }
  // Zones of a board, an edge, an opening or a haunch: support zones belong to
  // the tank alone (a support zone refers to joints, and so to boards).
  void Zones(std::vector<ReinZonePtr>& list, const char* what) {
    Refs(list, what);
    for (const ReinZonePtr& zone : list)
      if (boost::dynamic_pointer_cast<SupportRein>(zone)) m_ar.Fail(std::string(what) + ": a support zone");
  }
  // Items: the host's objects, never objects of the model.
  void Items(std::vector<boost::shared_ptr<VekObject>>& list) {
    Refs(list, "board item");
    for (const auto& item : list)
      if (quenby::IsModelObject(item.get())) m_ar.Fail("board item: a model object cannot be an item");
  }
  void JointRefs(std::vector<BoardJointPtr>& list, const std::vector<BoardJointPtr>& joints) {
    int count = 0;
    m_ar.ReadCount(count, 4);
    list.clear();
    for (int i = 0; i < count; ++i) {
      int index = 0;
      m_ar.ReadInt(index);
      if (index < 0 || index >= static_cast<int>(joints.size())) m_ar.Fail("support joint index out of range");
      list.push_back(joints[static_cast<std::size_t>(index)]);
    }
  }

 private:
  Archive& m_ar;
  const ObjectList& m_objects;
};

void LoadRecord(Archive& ar, Reader& r, VekObject& object, int components, const std::vector<BoardJointPtr>& joints) {
  const std::type_info& type = typeid(object);
  if (type == typeid(Board)) {
    auto& board = static_cast<Board&>(object);
    board.SerializeValues(ar);
    r.Refs(StructureAccess::Holes(board), "board opening");
    r.Refs(StructureAccess::Loads(board), "board load");
    r.Items(StructureAccess::Items(board));
    r.Zones(board.GetUpperZones(), "board face zone");
    r.Zones(board.GetLowerZones(), "board face zone");
    for (BoardEdge& edge : board.GetEdges()) {
      r.Zones(edge.GetUpperZones(), "edge zone");
      r.Zones(edge.GetLowerZones(), "edge zone");
    }
  } else if (auto* hole = dynamic_cast<Hole*>(&object)) {
    hole->SerializeValues(ar);
    r.Zones(hole->GetZones(), "opening zone");
  } else if (auto* load = dynamic_cast<Load*>(&object)) {
    load->SerializeValues(ar);
  } else if (auto* ear = dynamic_cast<Ear*>(&object)) {
    ear->SerializeValues(ar);
    r.Zones(ear->GetZones(), "haunch zone");
  } else if (auto* unit = dynamic_cast<StructureComponentUnits*>(&object)) {
    r.Refs(StructureAccess::Members(*unit), "unit component", components);
  } else if (auto* cell = dynamic_cast<TankCell*>(&object)) {
    cell->Serialize(ar);
    r.Refs(StructureAccess::CellUnits(*cell), "cell unit");
  } else if (auto* zone = dynamic_cast<ReinZone*>(&object)) {
    zone->SerializeValues(ar);
    if (auto* support = dynamic_cast<SupportRein*>(zone)) {
      std::vector<BoardJointPtr> list;
      r.JointRefs(list, joints);
      support->SetJoints(list);
    }
  } else if (type == typeid(StructureComponent)) {
    // nothing of its own
  } else if (quenby::IsModelObject(&object)) {
    ar.Fail("class '" + GetClassName(object) + "' cannot stand in a tank's object table");
  } else {
    object.Serialize(ar);
  }
}

// After a failed read: drops every reference between the objects read so far,
// so that damaged references cannot keep objects alive in a cycle.
void BreakReferences(const ObjectList& objects, const std::vector<BoardJointPtr>& joints) {
  for (const auto& object : objects) {
    if (auto* board = dynamic_cast<Board*>(object.get())) {
      StructureAccess::Holes(*board).clear();
      StructureAccess::Loads(*board).clear();
      StructureAccess::Items(*board).clear();
      board->GetUpperZones().clear();
      board->GetLowerZones().clear();
      for (BoardEdge& edge : board->GetEdges()) {
        edge.GetUpperZones().clear();
        edge.GetLowerZones().clear();
      }
    } else if (auto* hole = dynamic_cast<Hole*>(object.get())) {
      hole->GetZones().clear();
    } else if (auto* ear = dynamic_cast<Ear*>(object.get())) {
      ear->GetZones().clear();
    } else if (auto* unit = dynamic_cast<StructureComponentUnits*>(object.get())) {
      StructureAccess::Members(*unit).clear();
    } else if (auto* cell = dynamic_cast<TankCell*>(object.get())) {
      StructureAccess::CellUnits(*cell).clear();
    } else if (auto* support = dynamic_cast<SupportRein*>(object.get())) {
      support->SetJoints({});
    }
  }
  for (const BoardJointPtr& joint : joints) {
    StructureAccess::First(*joint).reset();
    StructureAccess::Second(*joint).reset();
    StructureAccess::EarOf(*joint).reset();
    StructureAccess::OverhangEarOf(*joint).reset();
  }
}

}  // namespace

void Structure::Store(Archive& ar) const {
  ObjectList objects;
  GetObjectList(objects);
  ar.WriteString(kHeader);
  ar.WriteInt(kLayoutVersion);

  ar.WriteInt(static_cast<int>(objects.size()));
  for (const auto& object : objects) {
    const ClassRecord* record = object->GetRuntimeClass();
    const std::string name = GetClassName(*object);
    if (!record || record->GetName() != name || FindClassRecord(name) != record)
      throw std::logic_error("class '" + name + "' is not registered and cannot be filed with the tank");
    ar.WriteString(name);
  }
  int units = 0;
  for (const UnitPtr& unit : m_units)
    if (unit->GetComponentCount() > 0) ++units;
  ar.WriteInt(static_cast<int>(m_components.size()));
  ar.WriteInt(units);
  ar.WriteInt(static_cast<int>(m_cells.size()));

  Writer w(ar, objects, m_joints);
  ar.WriteInt(static_cast<int>(m_joints.size()));
  for (const BoardJointPtr& joint : m_joints) {
    w.Ref(joint->m_first.get());
    w.Ref(joint->m_second.get());
    _3dLine line = joint->GetLine();
    File(ar, line);
    w.Ref(joint->m_ear.get());
    w.Ref(joint->m_overhangEar.get());
  }

  for (const auto& object : objects) StoreRecord(ar, w, *object);

  w.Refs(m_supportReins);
  w.Refs(m_otherZones);
  std::vector<BoardPtr> excluded;
  for (const BoardPtr& board : m_excluded)
    if (w.Has(board.get())) excluded.push_back(board);
  w.Refs(excluded);
  ar.WriteInt(m_nextHoleId);
  ar.WriteDouble(m_waterDepth);
  StoreAnalysisRecord(ar, m_analysis);
  StoreDesignStates(ar, m_components);
  ar.WriteString(kTrailer);
}

void Structure::Load(Archive& ar) {
  std::string header;
  ar.ReadString(header);
  if (header != kHeader) ar.Fail("tank record expected");
  int version = 0;
  ar.ReadInt(version);
  if (version < kFirstLayoutVersion || version > kLayoutVersion)
    ar.Fail("unknown tank layout version " + std::to_string(version));

  // The object table: every object created empty by its class.
  int count = 0;
  ar.ReadCount(count, 5);
  ObjectList objects;
  objects.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::string name;
    ar.ReadString(name);
    const ClassRecord* record = FindClassRecord(name);
    if (!record) ar.Fail("unknown class '" + name + "' in the tank's object table");
    objects.emplace_back(record->CreateObject());
  }
  int components = 0, units = 0, cells = 0;
  ar.ReadInt(components).ReadInt(units).ReadInt(cells);
  if (components < 0 || units < 0 || cells < 0 ||
      static_cast<long>(components) + units + cells > static_cast<long>(objects.size()))
    ar.Fail("tank part counts do not fit the object table");

  Structure model;
  try {
    LoadModel(ar, objects, components, units, cells, model, version);
  } catch (...) {
    BreakReferences(objects, model.m_joints);
    throw;
  }
  SwapContents(model);
}

void Structure::LoadModel(Archive& ar, const std::vector<boost::shared_ptr<VekObject>>& objects, int components,
                          int units, int cells, Structure& model, int version) {
  for (int i = 0; i < components + units + cells; ++i) {
    const auto& object = objects[static_cast<std::size_t>(i)];
    if (i < components) {
      auto c = boost::dynamic_pointer_cast<StructureComponent>(object);
      if (!c) ar.Fail("object " + std::to_string(i) + " is not a component");
      model.m_components.push_back(c);
    } else if (i < components + units) {
      auto u = boost::dynamic_pointer_cast<StructureComponentUnits>(object);
      if (!u) ar.Fail("object " + std::to_string(i) + " is not a unit");
      model.m_units.push_back(u);
    } else {
      auto c = boost::dynamic_pointer_cast<TankCell>(object);
      if (!c) ar.Fail("object " + std::to_string(i) + " is not a cell");
      model.m_cells.push_back(c);
    }
  }

  Reader r(ar, objects);
  int jointCount = 0;
  ar.ReadCount(jointCount, 4 * 4 + 6 * 8);
  for (int i = 0; i < jointCount; ++i) {
    BoardJointPtr joint(new BoardJoint);
    joint->m_first = r.Ref<Board>("joint board", false, components);
    joint->m_second = r.Ref<Board>("joint board", false, components);
    if (joint->m_first == joint->m_second) ar.Fail("a joint needs two different boards");
    _3dLine line;
    File(ar, line);
    joint->m_line.reset(new JointLine(line));
    joint->m_ear = r.Ref<Ear>("joint haunch", true);
    joint->m_overhangEar = r.Ref<Ear>("joint haunch", true);
    model.m_joints.push_back(joint);
  }

  for (const auto& object : objects) LoadRecord(ar, r, *object, components, model.m_joints);

  r.Refs(model.m_supportReins, "support zone");
  for (const ReinZonePtr& zone : model.m_supportReins)
    if (!boost::dynamic_pointer_cast<SupportRein>(zone)) ar.Fail("support zone: object of the wrong class");
  r.Refs(model.m_otherZones, "tank zone");
  r.Refs(model.m_excluded, "excluded board", components);
  ar.ReadInt(model.m_nextHoleId);
  ar.ReadDouble(model.m_waterDepth);
  if (version >= 2) LoadAnalysisRecord(ar, model.m_analysis);
  if (version >= 3) LoadDesignStates(ar, model.m_components);
  std::string trailer;
  ar.ReadString(trailer);
  if (trailer != kTrailer) ar.Fail("end of the tank record expected");

  // The model read must enumerate exactly the table it was read from.
  ObjectList check;
  model.GetObjectList(check);
  if (check != objects) ar.Fail("the tank's object table does not match the model it describes");
}
