#include "view/BoardReinZoneCollector.h"

#include "view/DrawingRoutines.h"

#include <algorithm>
#include <limits>
#include <set>
#include <tuple>
#include <unordered_map>

namespace {

void AddZone(const ReinZonePtr& zone, const BoardPtr& board, ZoneBoardMap& map) { map[zone].push_back(board); }

void Append(std::vector<ReinZonePtr>& to, const std::vector<ReinZonePtr>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

// The larger z of the two ends of the joint's line; 0 without a line.
double GetJointTopZ(const BoardJointPtr& joint) {
  const JointLinePtr line = GetJointLine(joint);
  if (!line) return 0.0;
  const _3dLine l = line->GetLine();
  return std::max(l.GetStartPoint().z, l.GetEndPoint().z);
}

}  // namespace

BoardReinZoneCollector::BoardReinZoneCollector(Tank* tank, int kinds, int mode, const ViewVolumn& volume,
                                               bool restrictToViewPlane, ZoneBoardMap* first, ZoneBoardMap* second)
    : m_tank(tank),
      m_kinds(kinds),
      m_volume(volume),
      m_restrict(restrictToViewPlane),
      m_mode(mode),
      m_first(first),
      m_second(second) {
  m_first->clear();
  m_second->clear();
}

void BoardReinZoneCollector::operator()(const BoardPtr& board) const {
  if (!board) return;
  if (m_mode == 0) CollectFacing(board);
  else if (m_mode == 1) CollectAlongView(board);
}

void BoardReinZoneCollector::CollectFacing(const BoardPtr& board) const {
  _3dVector viewNormal;
  m_volume.GetNormal(viewNormal);
  const bool facing = board->GetNormal().GetAngleTo(viewNormal) < 0.5 * g_Pi - g_DefaultTolerance;
  std::vector<ReinZonePtr> seen, other;
  if (m_kinds & 1) {
    Append(seen, facing ? board->GetUpperZones() : board->GetLowerZones());
    Append(other, facing ? board->GetLowerZones() : board->GetUpperZones());
  }
  if (m_kinds & 2) {
    for (const BoardEdge& edge : board->GetEdges()) {
      Append(seen, facing ? edge.GetUpperZones() : edge.GetLowerZones());
      Append(other, facing ? edge.GetLowerZones() : edge.GetUpperZones());
    }
  }
  for (const ReinZonePtr& z : seen) AddZone(z, board, *m_first);
  for (const ReinZonePtr& z : other) AddZone(z, board, *m_second);
}

void BoardReinZoneCollector::CollectAlongView(const BoardPtr& board) const {
  _3dVector viewNormal;
  m_volume.GetNormal(viewNormal);
  const _3dPoint& viewOrigin = m_volume.m_origin;
  std::vector<ReinZonePtr> zones;
  if (m_kinds & 1) {
    Append(zones, board->GetUpperZones());
    Append(zones, board->GetLowerZones());
  }
  if (m_kinds & 2) {
    const PlaneFrame frame{board->GetOrigin(), board->GetXAxis(), board->GetYAxis()};
    for (const BoardEdge& edge : board->GetEdges()) {
      if (m_restrict && !g_VekGeometryComm.IsLineOnPlane(frame.ToWorld(edge.GetLine()), viewOrigin, viewNormal)) {
        continue;
      }
      Append(zones, edge.GetUpperZones());
      Append(zones, edge.GetLowerZones());
    }
  }
  if ((m_kinds & 4) && m_tank) {
    const std::vector<BoardJointPtr> joints = m_tank->GetBoardJoints(board);
    std::vector<BoardJointPtr> kept;
    if (m_restrict) {
      for (const BoardJointPtr& joint : joints) {
        const JointLinePtr line = GetJointLine(joint);
        if (!line || g_VekGeometryComm.IsLineOnPlane(line->GetLine(), viewOrigin, viewNormal)) kept.push_back(joint);
      }
    } else {
      // Only the joints at the level of their group.
      if (!m_offLevelFound) {
        for (const auto& group : m_tank->GetJointGroups()) {
          if (group.empty()) continue;
          const double level = GetJointTopZ(group.front());
          for (const BoardJointPtr& joint : group)
            if (!g_VekGeometryComm.Equal(GetJointTopZ(joint), level, 1e-4)) m_offLevel.insert(joint.get());
        }
        m_offLevelFound = true;
      }
      for (const BoardJointPtr& joint : joints)
        if (!m_offLevel.count(joint.get())) kept.push_back(joint);
      std::sort(kept.begin(), kept.end());
    }
    for (const BoardJointPtr& joint : kept) {
      EarPtr ear;
      if (GetJointEar(joint, ear) && ear) Append(zones, ear->GetZones());
      EarPtr overhang;
      if (GetJointOverhangEar(joint, overhang) && overhang) Append(zones, overhang->GetZones());
    }
  }
  std::erase_if(zones, ZoneHasNoOrientation());
  const auto along = std::partition(zones.begin(), zones.end(), ZoneAlongDirection(viewNormal, 0.25 * g_Pi));
  for (auto it = zones.begin(); it != along; ++it) AddZone(*it, board, *m_first);
  const auto& upper = board->GetUpperZones();
  const auto& lower = board->GetLowerZones();
  for (auto it = along; it != zones.end(); ++it) {
    const bool own = std::find(upper.begin(), upper.end(), *it) != upper.end() ||
                     std::find(lower.begin(), lower.end(), *it) != lower.end();
    if (own) AddZone(*it, board, *m_second);
  }
  if (m_restrict) m_second->erase_if([](const auto& item) { return item.first->GetCategory() != 2; });
}

ZoneBoardEntries OrderedZoneEntries(const ZoneBoardMap& map) {
  ZoneBoardEntries entries(map.begin(), map.end());
  // The place of each zone among the zones of the boards met first.
  std::unordered_map<const Board*, std::unordered_map<const ReinZone*, std::size_t>> places;
  for (const auto& [zone, boards] : entries) {
    if (boards.empty() || !boards.front() || places.count(boards.front().get())) continue;
    auto& place = places[boards.front().get()];
    const std::vector<ReinZonePtr> all = boards.front()->GetAllZones();
    for (std::size_t i = 0; i < all.size(); ++i) place.emplace(all[i].get(), i);
  }
  const auto key = [&places](const std::pair<ReinZonePtr, std::vector<BoardPtr>>& entry) {
    const ReinZone& zone = *entry.first;
    const Board* board = entry.second.empty() ? nullptr : entry.second.front().get();
    std::size_t place = std::numeric_limits<std::size_t>::max();
    if (board) {
      const auto& zones = places[board];
      const auto it = zones.find(&zone);
      if (it != zones.end()) place = it->second;
    }
    return std::make_tuple(board ? board->GetKind() : -1, board ? board->GetNumber() : -1, place, zone.GetNumber(),
                           zone.GetCategory(), zone.GetFace(), zone.GetDirection());
  };
  std::stable_sort(entries.begin(), entries.end(),
                   [&key](const auto& a, const auto& b) { return a.first && b.first && key(a) < key(b); });
  return entries;
}
