#include "rebar/ZoneCollector.h"

void AddZonesToMap(const std::vector<ReinZonePtr>& zones, const BoardPtr& board, ZoneBoardMap& map) {
  for (const ReinZonePtr& zone : zones) {
    if (!zone) continue;
    map[zone].push_back(board);
  }
}

void ZoneBoardCollector::operator()(const BoardPtr& board) {
  if (!board) return;
  AddZonesToMap(board->GetUpperZones(), board, m_faceZones);
  AddZonesToMap(board->GetLowerZones(), board, m_faceZones);
  for (const BoardEdge& edge : board->GetEdges()) {
    AddZonesToMap(edge.GetUpperZones(), board, m_edgeZones);
    AddZonesToMap(edge.GetLowerZones(), board, m_edgeZones);
  }
  for (const BoardJointPtr& joint : m_tank->GetBoardJoints(board)) {
    std::vector<ReinZonePtr> zones;
    EarPtr ear;
    if (GetJointEar(joint, ear) && ear) zones = ear->GetZones();
    EarPtr overhang;
    if (GetJointOverhangEar(joint, overhang) && overhang)
      zones.insert(zones.end(), overhang->GetZones().begin(), overhang->GetZones().end());
    AddZonesToMap(zones, board, m_haunchZones);
  }
}
