// Structural model: the whole-tank copy (the undo snapshot).  Every object is
// copied once through one identity map, so objects shared inside the tank stay
// shared inside the copy and nothing is shared with the source.
#include "platform/quenby/internal.h"

#include <algorithm>
#include <sstream>
#include <typeinfo>
#include <unordered_map>

namespace {

class CloneMap {
 public:
  template <class T>
  boost::shared_ptr<T> Get(const boost::shared_ptr<T>& source) {
    if (!source) return boost::shared_ptr<T>();
    const void* key = dynamic_cast<const void*>(source.get());
    auto it = m_copies.find(key);
    if (it == m_copies.end()) it = m_copies.emplace(key, Clone(source)).first;
    return boost::dynamic_pointer_cast<T>(it->second);
  }

  template <class T>
  void Remap(std::vector<boost::shared_ptr<T>>& list) {
    for (auto& p : list) p = Get(p);
  }

 private:
  boost::shared_ptr<VekObject> Clone(const boost::shared_ptr<VekObject>& source);
  template <class T>
  boost::shared_ptr<T> Copy(const VekObject& source) {
    return boost::shared_ptr<T>(new T(static_cast<const T&>(source)));
  }

  std::unordered_map<const void*, boost::shared_ptr<VekObject>> m_copies;
};

// A host's object whose class is registered under its own name is copied by
// filing it into memory and reading it back; any other is shared.
boost::shared_ptr<VekObject> CopyByFiling(const boost::shared_ptr<VekObject>& source) {
  const ClassRecord* record = source->GetRuntimeClass();
  if (!record || record->GetName() != GetClassName(*source) || FindClassRecord(record->GetName()) != record)
    return source;
  try {
    std::stringstream buffer;
    {
      Archive out(static_cast<std::ostream&>(buffer));
      out << *source;
      out.Close();
    }
    Archive in(static_cast<std::istream&>(buffer));
    boost::shared_ptr<VekObject> copy(record->CreateObject());
    in >> *copy;
    in.Close();
    return copy;
  } catch (const std::exception&) {
    return source;
  }
}

boost::shared_ptr<VekObject> CloneMap::Clone(const boost::shared_ptr<VekObject>& source) {
  const std::type_info& type = typeid(*source);
  if (type == typeid(Board)) {
    auto board = Copy<Board>(*source);
    Remap(StructureAccess::Holes(*board));
    Remap(StructureAccess::Loads(*board));
    Remap(StructureAccess::Items(*board));
    Remap(board->GetUpperZones());
    Remap(board->GetLowerZones());
    for (BoardEdge& edge : board->GetEdges()) {
      Remap(edge.GetUpperZones());
      Remap(edge.GetLowerZones());
    }
    return board;
  }
  if (type == typeid(CircleHole) || type == typeid(RectangleHole) || type == typeid(Notch) ||
      type == typeid(Hole)) {
    HolePtr hole;
    if (type == typeid(CircleHole)) hole = Copy<CircleHole>(*source);
    else if (type == typeid(RectangleHole)) hole = Copy<RectangleHole>(*source);
    else if (type == typeid(Notch)) hole = Copy<Notch>(*source);
    else hole = Copy<Hole>(*source);
    Remap(hole->GetZones());
    return hole;
  }
  if (type == typeid(PointLoad)) return Copy<PointLoad>(*source);
  if (type == typeid(LineLoad)) return Copy<LineLoad>(*source);
  if (type == typeid(AreaLoad)) return Copy<AreaLoad>(*source);
  if (type == typeid(Load)) return Copy<Load>(*source);
  if (type == typeid(Ear)) {
    auto ear = Copy<Ear>(*source);
    Remap(ear->GetZones());
    return ear;
  }
  if (type == typeid(ReinZone) || type == typeid(SupportRein)) {
    ReinZonePtr zone;
    if (type == typeid(SupportRein)) {
      auto support = Copy<SupportRein>(*source);
      std::vector<BoardJointPtr> joints = support->GetJoints();
      Remap(joints);
      support->SetJoints(joints);
      zone = support;
    } else {
      zone = Copy<ReinZone>(*source);
    }
    Remap(zone->GetReins());
    return zone;
  }
  if (type == typeid(Rein)) return Copy<Rein>(*source);
  if (type == typeid(StructureComponentUnits)) {
    auto unit = Copy<StructureComponentUnits>(*source);
    Remap(StructureAccess::Members(*unit));
    return unit;
  }
  if (type == typeid(TankCell)) {
    auto cell = Copy<TankCell>(*source);
    Remap(StructureAccess::CellUnits(*cell));
    return cell;
  }
  if (type == typeid(BoardJoint)) {
    auto joint = Copy<BoardJoint>(*source);
    StructureAccess::First(*joint) = Get(StructureAccess::First(*joint));
    StructureAccess::Second(*joint) = Get(StructureAccess::Second(*joint));
    StructureAccess::Line(*joint) = Get(StructureAccess::Line(*joint));
    StructureAccess::EarOf(*joint) = Get(StructureAccess::EarOf(*joint));
    StructureAccess::OverhangEarOf(*joint) = Get(StructureAccess::OverhangEarOf(*joint));
    return joint;
  }
  if (type == typeid(JointLine)) return Copy<JointLine>(*source);
  if (type == typeid(StructureComponent)) return Copy<StructureComponent>(*source);
  return CopyByFiling(source);
}

}  // namespace

void Structure::CopyFrom(const Structure& other) {
  other.EnsureTopology();
  CloneMap map;
  for (const StructureComponentPtr& c : other.m_components) m_components.push_back(map.Get(c));
  // Units as they stand, an empty one too while a board that left it
  // through UpdateBoard may come back to it: a copy (the undo history's)
  // holds the same structural units as the tank it was taken from.
  for (const UnitPtr& unit : other.m_units) {
    const bool awaited = std::any_of(other.m_leftUnits.begin(), other.m_leftUnits.end(),
                                     [&unit](const auto& left) { return left.second == unit; });
    if (unit->GetComponentCount() > 0 || awaited) m_units.push_back(map.Get(unit));
  }
  for (const auto& [board, unit] : other.m_leftUnits)
    if (std::find(other.m_units.begin(), other.m_units.end(), unit) != other.m_units.end())
      m_leftUnits.emplace_back(map.Get(board), map.Get(unit));
  for (const TankCellPtr& cell : other.m_cells) m_cells.push_back(map.Get(cell));
  for (const BoardJointPtr& joint : other.m_joints) m_joints.push_back(map.Get(joint));
  for (const ReinZonePtr& zone : other.m_supportReins) m_supportReins.push_back(map.Get(zone));
  for (const ReinZonePtr& zone : other.m_otherZones) m_otherZones.push_back(map.Get(zone));
  for (const BoardPtr& board : other.m_excluded) m_excluded.push_back(map.Get(board));
  m_nextHoleId = other.m_nextHoleId;
  m_waterDepth = other.m_waterDepth;
  m_analysis = other.m_analysis;
}
