// The design of a whole tank: the driver that runs the design steps in their
// fixed order, the clearing of an earlier design, the wall-face unification,
// the tagging of face and edge zones, the bar-mark numbering and the finishing
// pass that gives every bar segment its layer flag.
#include "rebar/ReinDesigner.h"

#include "platform/Zarvel.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/SegmentLayerFlags.h"
#include "rebar/ZoneBars.h"
#include "rebar/ZoneCollector.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <typeinfo>

namespace {

// Zone kind flag of a board kind: bottom slab 16, top slab 1, wall 256.
int ZoneKindOf(const Board& board) {
  switch (board.GetKind()) {
    case 1: return 16;
    case 2: return 1;
    default: return 256;
  }
}

void Report(ProgressFn fn, int percent) {
  int z = 0;
  if (fn) fn(percent, &z);
}

// Every joint object of the tank.
std::vector<BoardJointPtr> AllJoints(const Tank& tank) {
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  return joints;
}

// Area per metre of a bar set, 0 without bars.
double SetArea(int diameter, int spacing) {
  if (diameter <= 0 || spacing <= 0) return 0.0;
  return static_cast<double>(diameter) * diameter * g_Pi * 250.0 / spacing;
}

}  // namespace

void ClearReinZones(Tank& tank) {
  for (const BoardPtr& board : ReinDesigner::DesignBoards(tank)) {
    board->GetUpperZones().clear();
    board->GetLowerZones().clear();
    for (BoardEdge& edge : board->GetEdges()) {
      edge.GetUpperZones().clear();
      edge.GetLowerZones().clear();
    }
    for (const HolePtr& hole : board->GetHoles())
      if (hole) hole->GetZones().clear();
  }
  for (const BoardJointPtr& joint : AllJoints(tank)) {
    EarPtr ear;
    if (GetJointEar(joint, ear)) ear->GetZones().clear();
    if (GetJointOverhangEar(joint, ear)) ear->GetZones().clear();
  }
  // Support zones are made anew by every design; an earlier design's must go
  // (the tank's add operation replaces the whole list).
  tank.AddSupportReins({});
}

void UnifyWallFaces(Tank& tank, const ReinDesignOptions& options) {
  if (!options.m_pSettings || !options.m_pSettings->GetDetailingSettings().IsWallFacesUnified()) return;
  for (const BoardPtr& board : ReinDesigner::DesignBoards(tank)) {
    if (board->GetKind() != 0 || tank.IsBoardExcluded(board)) continue;
    for (bool x : {true, false}) {
      FaceValues& upper = board->GetFaceValues(true, x);
      FaceValues& lower = board->GetFaceValues(false, x);
      const double areaUpper = SetArea(upper.diameter, upper.spacing);
      const double areaLower = SetArea(lower.diameter, lower.spacing);
      FaceValues& from = areaUpper > areaLower ? upper : lower;
      FaceValues& to = areaUpper > areaLower ? lower : upper;
      to.diameter = from.diameter;
      to.spacing = from.spacing;
      to.grade = from.grade;
    }
  }
}

void ReinDesigner::RunDesign(Tank& tank, ReinDesignOptions& options, ProgressFn fn) const {
  // The design changes no board's outline, frame or faces: the adjoining
  // boards are found once for the whole run, not re-checked by every query.
  const Structure::TopologyFreeze frozen(tank);
  ClearReinZones(tank);
  // The trend map lives for this run only, also when a step throws.
  const auto adapter = std::make_unique<ReinTrendAdapter>(tank);
  Report(fn, 10);
  ComputeRequiredAreas(tank, options);
  SelectAllReins(tank, options);
  UnifyWallFaces(tank, options);
  SelectEdgeReins(tank, options, *adapter);
  ComputeCrackWidths(tank, options);
  Report(fn, 20);
  LayoutBoardZones(tank, options, *adapter, fn);
  Report(fn, 40);
  const int supportDiameter =
      options.m_pSettings ? options.m_pSettings->GetOpeningReinSettings().GetSupportBarDiameter() : 0;
  BuildJointZones(tank, options, *adapter, supportDiameter);
  Report(fn, 50);
  BuildHaunchZones(tank, options);
  BuildOverhangZones(tank, options, *adapter);
  Report(fn, 60);
  LayoutSupportReins(tank, supportDiameter, options);
  Report(fn, 80);
  ReinforceHoles(tank, options, *adapter);
}

namespace {

// The design boards of the tank, slabs first and then walls, each in
// component order: a zone that a slab and a wall share is tagged by the slab
// and then by the wall, so it ends as a wall zone on the wall's face.
std::vector<BoardPtr> SlabsThenWalls(const Tank& tank) {
  std::vector<BoardPtr> boards = ReinDesigner::DesignBoards(tank);
  std::stable_partition(boards.begin(), boards.end(), [](const BoardPtr& b) { return b->GetKind() != 0; });
  return boards;
}

}  // namespace

void ReinDesigner::TagFaceZones(Tank& tank) const {
  for (const BoardPtr& board : SlabsThenWalls(tank))
    for (auto* list : {&board->GetUpperZones(), &board->GetLowerZones()})
      for (const ReinZonePtr& zone : *list) zone->SetKind(ZoneKindOf(*board));
  for (const BoardPtr& board : DesignBoards(tank))
    for (auto* list : {&board->GetUpperZones(), &board->GetLowerZones()})
      for (const ReinZonePtr& zone : *list) zone->SetCategory(2);
}

void ReinDesigner::TagEdgeZones(Tank& tank) const {
  for (const BoardPtr& board : SlabsThenWalls(tank)) {
    const int kind = ZoneKindOf(*board);
    for (BoardEdge& edge : board->GetEdges())
      for (int face : {0, 1})
        for (const ReinZonePtr& zone : face == 0 ? edge.GetUpperZones() : edge.GetLowerZones()) {
          zone->SetKind(kind);
          zone->SetFace(face);
        }
  }
  std::set<const ReinZone*> laid;
  for (const BoardPtr& board : DesignBoards(tank))
    for (BoardEdge& edge : board->GetEdges())
      for (const auto* list : {&edge.GetUpperZones(), &edge.GetLowerZones()})
        for (const ReinZonePtr& zone : *list) {
          zone->SetCategory(ReinZone::PEDESTAL);
          // A joint zone stands under both edges of its joint: its bars are
          // laid once.
          if (laid.insert(zone.get()).second) ExpandZoneBars(zone);
        }
}

void ReinDesigner::FinishHaunchZones(Tank& tank) const {
  std::set<const ReinZone*> met;
  for (const BoardJointPtr& joint : AllJoints(tank)) {
    EarPtr ear;
    if (!GetJointEar(joint, ear)) continue;
    const std::vector<ReinZonePtr> zones = ear->GetZones();
    for (const ReinZonePtr& zone : zones) {
      if (!zone || zone->GetDiameter() == 0 || !met.insert(zone.get()).second) continue;
      zone->SetCategory(4);
      zone->SetKind(256);
      ExpandZoneBars(zone);
    }
  }
}

void ReinDesigner::FinishOverhangZones(Tank& tank) const {
  std::set<const ReinZone*> met;
  for (const BoardJointPtr& joint : AllJoints(tank)) {
    EarPtr ear;
    if (!GetJointOverhangEar(joint, ear)) continue;
    const std::vector<ReinZonePtr> zones = ear->GetZones();
    for (const ReinZonePtr& zone : zones) {
      if (!zone || !met.insert(zone.get()).second) continue;
      zone->SetCategory(4);
      zone->SetKind(256);
      ExpandZoneBars(zone);
    }
  }
}

void ReinDesigner::NumberReins(Tank& tank) const {
  const Structure::TopologyFreeze frozen(tank);
  std::vector<ReinZonePtr> zones;
  for (const BoardPtr& board : DesignBoards(tank))
    for (const ReinZonePtr& zone : board->GetAllZones()) zones.push_back(zone);
  for (const ReinZonePtr& zone : tank.GetOtherReinZones()) zones.push_back(zone);
  for (const ReinZonePtr& zone : tank.GetSupportReins()) zones.push_back(zone);
  // Haunch zones are wall zones of the joints; they are numbered with the walls.
  for (const BoardJointPtr& joint : AllJoints(tank)) {
    EarPtr ear;
    if (GetJointEar(joint, ear))
      for (const ReinZonePtr& zone : ear->GetZones()) zones.push_back(zone);
    if (GetJointOverhangEar(joint, ear))
      for (const ReinZonePtr& zone : ear->GetZones()) zones.push_back(zone);
  }
  // A zone listed twice (a joint zone under both edges) is numbered once.
  {
    std::set<const ReinZone*> seen;
    std::erase_if(zones, [&seen](const ReinZonePtr& z) { return !z || !seen.insert(z.get()).second; });
  }
  int counter = 1;
  for (int kind : {1, 16, 256, 4096}) {
    std::vector<ReinZonePtr> handled;
    for (const ReinZonePtr& zone : zones) {
      if (zone->GetKind() != kind) continue;
      if (kind == 256 && (zone->GetDiameter() == 0 || zone->GetReins().empty() || !zone->GetTypicalRein())) {
        // Every design makes its zones anew: a zone without bars has no mark.
        zone->SetNumber(0);
        zone->SetNumberFirst(false);
        continue;
      }
      const auto same = std::find_if(handled.begin(), handled.end(),
                                     [&zone](const ReinZonePtr& h) { return h->IsSameRein(zone); });
      if (same != handled.end()) {
        zone->SetNumber((*same)->GetNumber());
        zone->SetNumberFirst(false);
      } else {
        zone->SetNumber(counter++);
        zone->SetNumberFirst(true);
      }
      handled.push_back(zone);
    }
  }
}

void ReinDesigner::FinishDesign(Tank& tank) const {
  const Structure::TopologyFreeze frozen(tank);
  // Segment layer flags: every zone with the boards it was found on, the
  // haunch zones on layer 1, then one flag per bar segment from the face
  // zones of the boards the segments lie on.
  ZoneBoardCollector collector(tank);
  for (const StructureComponentPtr& component : tank.GetComponents())
    if (const BoardPtr board = boost::dynamic_pointer_cast<Board>(component)) collector(board);
  for (const auto& entry : collector.GetHaunchZones()) entry.first->SetLayerFlag(1);
  ZoneBoardMap joined = collector.GetFaceZones();
  joined.insert(collector.GetEdgeZones().begin(), collector.GetEdgeZones().end());
  joined.insert(collector.GetHaunchZones().begin(), collector.GetHaunchZones().end());
  const SegmentLayerFlagPass pass(tank);
  for (const auto& [zone, boards] : joined) pass(zone, boards);

  // Support reins and opening zones: every segment on the zone's own layer.
  auto ownFlag = [](const ReinZonePtr& zone) {
    if (!zone) return;
    std::vector<std::vector<int>> flags;
    for (const ReinPtr& bar : zone->GetReins()) {
      const _2dPolyline& line = bar->GetPolyline();
      const int vertices = line.VerNums();
      const int segments = line.IsClosed() ? vertices : std::max(0, vertices - 1);
      flags.emplace_back(segments, zone->GetLayerFlag());
    }
    zone->SetSegmentLayerFlags(flags);
  };
  for (const ReinZonePtr& zone : tank.GetSupportReins()) ownFlag(zone);
  for (const BoardPtr& board : DesignBoards(tank))
    for (const HolePtr& hole : board->GetHoles())
      if (hole)
        for (const ReinZonePtr& zone : hole->GetZones()) ownFlag(zone);
}
