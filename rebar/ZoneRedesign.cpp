// Re-design of one rebar zone after a rebar edit: the edit has written a new
// diameter and spacing into the zone; the crack widths of every board face or
// edge face the zone's bar mark covers are computed for the new bars, and
// only when all of them stay within the crack limit is the change taken:
// every zone of the mark gets the new diameter and spacing, its bars are laid
// again, and the faces keep the new bars with their widths.  A rejected edit
// leaves the model as it was (the editing command restores the edited zone).
#include "rebar/ReinDesigner.h"

#include "platform/Zarvel.h"
#include "rebar/BarLines.h"
#include "rebar/FaceZones.h"
#include "rebar/GroupFaceZones.h"
#include "rebar/SectionDesign.h"
#include "rebar/ZoneBars.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

// The zones of the edited zone's mark: the zone itself and, when it has a
// mark, every zone with the same number.  (An unnumbered zone shares no mark
// with any other.)
bool SameMark(const ReinZonePtr& z, const ReinZonePtr& edited) {
  if (!z) return false;
  return z == edited || (edited->GetNumber() != 0 && z->GetNumber() == edited->GetNumber());
}

// A crack-width slot of the model to be written once the edit is taken.
struct Slot {
  FaceValues* values;
  double width;
  std::string group;  // the bar group's name, for its note
};

// The bars of a zone laid again: the edited zones are re-laid when their
// spacing changes; otherwise the bars stay where they are and take the new
// diameter.
struct ZoneWork {
  ReinZonePtr zone;
  bool relay = false;
  // The board faces a face zone stands on, its bars laid again on each.
  struct Face {
    BoardPtr board;
    bool upper = true;
    bool x = true;
  };
  std::vector<Face> faces;
};

// The group of boards a face zone spans when more than one board holds it,
// in the order the design laid it out: the boards in unit order, grouped as
// the design groups them (its first board is the group's reference, whose
// face and direction the zone's fields name).  False for a zone of one board,
// or boards that no longer form one group.
bool GroupOf(const Tank& tank, const ZoneWork& zw, BoardGroup& group) {
  std::vector<BoardPtr> holders;
  for (const UnitPtr& unit : tank.GetUnits()) {
    if (!unit) continue;
    for (const StructureComponentPtr& c : unit->GetComponents())
      for (const ZoneWork::Face& f : zw.faces)
        if (c == f.board && std::find(holders.begin(), holders.end(), f.board) == holders.end())
          holders.push_back(f.board);
  }
  if (holders.size() < 2) return false;
  std::vector<BoardGroup> groups;
  if (holders.front()->GetKind() == 0) GroupWallBoards(tank, holders, groups);
  else GroupSlabBoards(tank, holders, groups);
  if (groups.size() != 1) return false;
  group = groups.front();
  return true;
}

// Every bar segment of the zone carries the zone's layer flag again (the
// bars changed, so the per-segment list is made anew).
void RefreshSegmentFlags(const ReinZonePtr& zone) {
  if (zone->GetSegmentLayerFlags().empty()) return;
  std::vector<std::vector<int>> flags;
  for (const ReinPtr& bar : zone->GetReins()) flags.emplace_back(bar->GetPolyline().SegmentCount(), GetSegmentRecord(zone));
  zone->SetSegmentLayerFlags(flags);
}

}  // namespace

bool ReinDesigner::RedesignZone(ProjectSettings& settings, Tank& tank, const ReinZonePtr& zone, int /*oldDiameter*/,
                                int oldSpacing) const {
  if (!zone) return false;
  const int category = zone->GetCategory();
  if (category != ReinZone::PEDESTAL && category != 2 && category != 4) return true;  // nothing depends on it
  const int d = zone->GetDiameter(), s = zone->GetSpacing();
  if (d <= 0 || s <= 0) return false;

  const CalcSettings& calc = settings.GetCalcSettings();
  const double limit = calc.GetCrackWidthLimit();
  // A width the formula cannot give (a section without meaning) is never
  // taken; one above the limit only when the project controls crack widths.
  auto acceptable = [&](double w) { return IsCrackWidthReal(w) && (!calc.IsCrackWidthControlled() || w <= limit); };

  ReinDesignOptions options;
  options.SetSettings(&settings);
  std::vector<Slot> slots;
  std::vector<ZoneWork> work;
  auto workFor = [&work](const ReinZonePtr& z) -> ZoneWork& {
    for (ZoneWork& w : work)
      if (w.zone == z) return w;
    work.push_back({z, false, {}});
    return work.back();
  };
  const bool spacingChanged = oldSpacing != s;

  if (category == 2) {
    for (const BoardPtr& board : DesignBoards(tank))
      for (bool upper : {true, false})
        for (const ReinZonePtr& z : upper ? board->GetUpperZones() : board->GetLowerZones()) {
          if (!SameMark(z, zone)) continue;
          const bool x = !z->IsYDirection();
          const double w = ComputeCrackWidthFor(settings, board, true, upper, x, -1, d, s);
          if (!acceptable(w)) return false;
          slots.push_back({&board->GetFaceValues(upper, x), w, DescribeBarGroup(*board, -1, true, upper, x)});
          ZoneWork& zw = workFor(z);
          if (spacingChanged || z->GetSpacing() != s) {
            zw.relay = true;
            zw.faces.push_back({board, upper, x});
          }
        }
  } else if (category == ReinZone::PEDESTAL) {
    for (const BoardPtr& board : DesignBoards(tank)) {
      auto& edges = board->GetEdges();
      for (std::size_t i = 0; i < edges.size(); ++i)
        for (bool upper : {true, false})
          for (const ReinZonePtr& z : upper ? edges[i].GetUpperZones() : edges[i].GetLowerZones()) {
            if (!SameMark(z, zone)) continue;
            // The edge the zone was found under: a joint zone stands under
            // the edges of both boards of its joint, and each face is its
            // own board's.
            const double w = ComputeCrackWidthFor(settings, board, false, upper, true, static_cast<int>(i), d, s);
            if (!acceptable(w)) return false;
            slots.push_back(
                {&edges[i].GetFaceValues(upper), w, DescribeBarGroup(*board, static_cast<int>(i), false, upper, true)});
            ZoneWork& zw = workFor(z);
            if (spacingChanged || z->GetSpacing() != s) zw.relay = true;
          }
    }
  } else {
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank.GetJoints(firsts, seconds, joints);
    for (bool overhang : {false, true})
      for (const BoardJointPtr& joint : joints) {
        EarPtr ear;
        if (!(overhang ? GetJointOverhangEar(joint, ear) : GetJointEar(joint, ear)) || !ear) continue;
        for (const ReinZonePtr& z : ear->GetZones()) {
          if (!SameMark(z, zone)) continue;
          ZoneWork& zw = workFor(z);
          if (spacingChanged || z->GetSpacing() != s) zw.relay = true;
        }
      }
  }

  // The edit is taken: the zones and the faces' bars and widths first (the
  // re-laying reads them: a bar end's anchorage and joint lengths go with
  // the new diameter), then the zones' bars.
  for (ZoneWork& zw : work) {
    zw.zone->SetDiameter(d);
    zw.zone->SetSpacing(s);
  }
  for (const Slot& slot : slots) {
    slot.values->diameter = d;
    slot.values->spacing = s;
    slot.values->crackWidth = slot.width;
    // The crack state follows the new width (a width above the limit is
    // taken only with crack control off, and fails the group all the same).
    if (slot.width > limit) {
      if (slot.values->status == BarGroupStatus::kDesigned || slot.values->status == BarGroupStatus::kCrackLimitNotMet) {
        slot.values->status = BarGroupStatus::kCrackLimitNotMet;
        slot.values->statusNote =
            slot.group + fmt::format(": crack limit not met (crack control off): w = {:.3f} mm > {:.3f} mm",
                                     slot.width, limit);
      }
    } else if (slot.values->status == BarGroupStatus::kCrackLimitNotMet) {
      slot.values->status = BarGroupStatus::kDesigned;
      slot.values->statusNote.clear();
    }
  }
  for (ZoneWork& zw : work) {
    if (zw.relay && category == 2) {
      std::vector<ReinPtr> bars;
      BoardGroup group;
      if (GroupOf(tank, zw, group)) {
        bars = LayGroupFaceBars(tank, group, options, zw.zone->GetFace() == 0, !zw.zone->IsYDirection(), d, s,
                                zw.zone->GetGrade());
      } else {
        for (const ZoneWork::Face& f : zw.faces)
          for (const ReinPtr& bar : LayFaceBars(tank, options, f.board, f.upper, f.x, s)) {
            bar->SetDiameter(d);
            bar->SetGrade(zw.zone->GetGrade());
            bars.push_back(bar);
          }
      }
      zw.zone->SetReins(bars);
    } else if (zw.relay) {
      DistributeBarsOnLine(zw.zone, 0, false);
    } else {
      for (const ReinPtr& bar : zw.zone->GetReins())
        if (bar) bar->SetDiameter(d);
    }
    RefreshSegmentFlags(zw.zone);
  }
  return true;
}
