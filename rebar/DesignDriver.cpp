// The design of a whole tank: the driver that runs the design steps in their
// fixed order, the clearing of an earlier design, the wall-face unification,
// the tagging of face and edge zones, the bar-mark numbering and the finishing
// pass that gives every bar segment its layer flag.
#include "rebar/ReinDesigner.h"

#include "platform/Zarvel.h"
#include "rebar/BarSelection.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/SegmentLayerFlags.h"
#include "rebar/ZoneBars.h"
#include "rebar/ZoneCollector.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

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

// The bars of a zone as the mark numbering compares them (ReinZone::
// IsSameRein): grade, diameter and spacing, and the shape of the zone's
// representative bar (closed flag, vertex count, segment lengths within 1 mm,
// bulges within 1e-4), read once per zone.
struct BarShape {
  std::string grade;
  int diameter = 0;
  int spacing = 0;
  bool hasBar = false;
  bool closed = false;
  std::size_t vertices = 0;
  std::vector<double> lengths;  // segment by segment
  std::vector<double> bulges;   // vertex by vertex
  double total = 0.0;           // the sum of the segment lengths

  BarShape(const ReinZone& zone, const Rein* bar)
      : grade(zone.GetGrade()), diameter(zone.GetDiameter()), spacing(zone.GetSpacing()), hasBar(bar != nullptr) {
    if (!bar) return;
    const _2dPolyline& line = bar->GetPolyline();
    const auto& v = line.GetVertices();
    const auto& b = line.GetBulges();
    closed = line.IsClosed();
    vertices = v.size();
    for (std::size_t i = 0; i < vertices; ++i) {
      bulges.push_back(i < b.size() ? b[i] : 0.0);
      if (i + 1 < vertices || closed) {
        lengths.push_back(v[i].DistanceTo(v[(i + 1) % vertices]));
        total += lengths.back();
      }
    }
  }

  // What two shapes must share exactly to be equal at all.
  std::string Bucket() const {
    return fmt::format("{}|{}|{}|{}|{}|{}", grade, diameter, spacing, hasBar, closed, vertices);
  }
  // The shape to the last bit, for shapes met again unchanged.
  std::string Exact() const {
    std::string key = Bucket();
    key.append(reinterpret_cast<const char*>(lengths.data()), lengths.size() * sizeof(double));
    key.append(reinterpret_cast<const char*>(bulges.data()), bulges.size() * sizeof(double));
    return key;
  }
  // IsSameRein for two shapes of one bucket.
  bool Matches(const BarShape& o) const {
    for (std::size_t i = 0; i < bulges.size(); ++i)
      if (std::fabs(bulges[i] - o.bulges[i]) > 1e-4) return false;
    for (std::size_t i = 0; i < lengths.size(); ++i)
      if (std::fabs(lengths[i] - o.lengths[i]) > 1.0) return false;
    return true;
  }
};

// The zones of one kind numbered so far, looked up by their bar shapes.  The
// mark of a zone is the mark of the first numbered zone with equal bars; a
// shape met again unchanged is kept once (with its first zone's place and
// mark), and the shapes of a bucket are ordered by their total length, which
// equal shapes share to within 1 mm per segment, so a look-up compares only
// the few shapes near its own.
class MarkIndex {
 public:
  // The mark of the first zone numbered so far whose bars equal these; 0
  // when there is none.
  int Find(const BarShape& shape) const {
    const auto bucket = m_buckets.find(shape.Bucket());
    if (bucket == m_buckets.end()) return 0;
    const double reach = static_cast<double>(shape.lengths.size()) * 1.0 + 1e-6 * (1.0 + shape.total);
    const Form* first = nullptr;
    for (auto it = bucket->second.lower_bound(shape.total - reach);
         it != bucket->second.end() && it->first <= shape.total + reach; ++it) {
      const Form& form = m_forms[it->second];
      if ((!first || form.place < first->place) && form.shape.Matches(shape)) first = &form;
    }
    return first ? first->mark : 0;
  }

  void Add(const BarShape& shape, int mark) {
    const int place = m_count++;
    if (!m_exact.emplace(shape.Exact(), m_forms.size()).second) return;
    m_buckets[shape.Bucket()].emplace(shape.total, m_forms.size());
    m_forms.push_back({shape, place, mark});
  }

 private:
  struct Form {
    BarShape shape;
    int place;  // of its first zone among the zones numbered
    int mark;
  };
  std::vector<Form> m_forms;
  std::unordered_map<std::string, std::size_t> m_exact;
  std::unordered_map<std::string, std::multimap<double, std::size_t>> m_buckets;
  int m_count = 0;
};

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

void ClearBarGroups(Tank& tank, const ProjectSettings& settings) {
  for (const BoardPtr& board : ReinDesigner::DesignBoards(tank)) {
    const std::string grade = GetReinGradeOfKind(settings, board->GetKind());
    auto clear = [&grade](FaceValues& v) {
      if (!grade.empty()) v.grade = grade;
      v.diameter = 0;
      v.spacing = 0;
      v.crackWidth = 0.0;
      v.governingArea = 0.0;
      v.minimumGoverns = false;
    };
    for (bool upper : {true, false})
      for (bool x : {true, false}) clear(board->GetFaceValues(upper, x));
    for (BoardEdge& edge : board->GetEdges())
      for (bool upper : {true, false}) clear(edge.GetFaceValues(upper));
  }
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
      const bool upperGives = areaUpper > areaLower;
      FaceValues& from = upperGives ? upper : lower;
      FaceValues& to = upperGives ? lower : upper;
      if (to.diameter == from.diameter && to.spacing == from.spacing && to.grade == from.grade) continue;
      to.diameter = from.diameter;
      to.spacing = from.spacing;
      to.grade = from.grade;
      // The face's width was computed for the bars it had.
      UpdateCrackWidth(options, board, true, !upperGives, x, 0);
    }
  }
}

void ReinDesigner::RunDesign(Tank& tank, ReinDesignOptions& options, ProgressFn fn) const {
  // The design changes no board's outline, frame or faces: the adjoining
  // boards are found once for the whole run, not re-checked by every query.
  const Structure::TopologyFreeze frozen(tank);
  ClearReinZones(tank);
  if (options.m_pSettings) ClearBarGroups(tank, *options.m_pSettings);
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
    MarkIndex handled;
    for (const ReinZonePtr& zone : zones) {
      if (zone->GetKind() != kind) continue;
      const ReinPtr typical = zone->GetTypicalRein();
      if (kind == 256 && (zone->GetDiameter() == 0 || zone->GetReins().empty() || !typical)) {
        // Every design makes its zones anew: a zone without bars has no mark.
        zone->SetNumber(0);
        zone->SetNumberFirst(false);
        continue;
      }
      const BarShape shape(*zone, typical.get());
      const int same = handled.Find(shape);
      if (same > 0) {
        zone->SetNumber(same);
        zone->SetNumberFirst(false);
      } else {
        zone->SetNumber(counter++);
        zone->SetNumberFirst(true);
      }
      handled.Add(shape, zone->GetNumber());
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
