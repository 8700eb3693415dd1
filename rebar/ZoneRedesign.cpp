// Re-design of one rebar zone after a rebar edit: the edit has written a new
// grade, diameter and spacing into the zone; every board face or edge face
// the zone's bar mark covers is checked for the new bars (crack width within
// the limit, strength at least that of the area the face needs), and only
// when all pass is the change taken: every zone of the mark gets the new
// grade, diameter and spacing, its bars are laid again after a spacing
// change, every bar carries the new diameter and grade, and the faces keep
// the new bars with their widths.  A rejected edit leaves the model as it was
// (the editing command restores the edited zone) and says why.
#include "rebar/ReinDesigner.h"

#include "platform/Zarvel.h"
#include "rebar/BarLines.h"
#include "rebar/BarSelection.h"
#include "rebar/DetailingRules.h"
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
                                int oldSpacing, std::string* reason) const {
  auto refuse = [reason](const std::string& why) {
    if (reason) *reason = why;
    return false;
  };
  if (reason) reason->clear();
  if (!zone) return refuse("no rebar zone");
  const int d = zone->GetDiameter(), s = zone->GetSpacing();
  const std::string grade = zone->GetGrade();
  if (d <= 0) return refuse(fmt::format("a diameter of {} mm is not a bar", d));
  const bool spacingChanged = oldSpacing != s;

  // Every zone of the mark, the edited one first (a zone the model does not
  // hold stands for its mark all the same).
  std::vector<ReinZonePtr> mark{zone};
  const TankReinZones all = tank.GetReinZones();
  for (const ReinZonePtr& z : all.GetZones())
    if (z != zone && SameMark(z, zone)) mark.push_back(z);
  // Support and opening bars are laid by count, not at a spacing: a new
  // spacing would change nothing.
  for (const ReinZonePtr& z : mark) {
    const int c = z->GetCategory();
    if ((c == 5 || c == 6) && (spacingChanged || z->GetSpacing() != s))
      return refuse(fmt::format("{} bars are laid by count: their spacing cannot be changed",
                                c == 5 ? "support" : "opening"));
  }
  const bool bySpacing = std::any_of(mark.begin(), mark.end(), [](const ReinZonePtr& z) {
    const int c = z->GetCategory();
    return c == ReinZone::PEDESTAL || c == 2 || c == 4;
  });
  if (bySpacing && s <= 0) return refuse(fmt::format("a spacing of {} mm is not a spacing", s));

  const CalcSettings& calc = settings.GetCalcSettings();
  const double limit = calc.GetCrackWidthLimit();
  ReinDesignOptions options;
  options.SetSettings(&settings);

  // One bar group (a board face in one direction, or one face of an edge)
  // carrying the new bars: As·fy of the new bars at least the area the
  // group needs (the larger of the required and the minimum-ratio area)
  // times fy of the grade the area was computed for, and its crack width
  // within the limit (when the project controls crack widths; a width
  // without meaning never passes).
  auto checkGroup = [&](const BoardPtr& board, FaceValues& values, bool span, bool upper, bool x, int edge,
                        double& width) -> std::string {
    const std::string group = DescribeBarGroup(*board, edge, span, upper, x);
    const std::string groupGrade = values.grade;
    std::string designGrade = GetReinGradeOfKind(settings, board->GetKind());
    if (designGrade.empty()) designGrade = groupGrade;
    const std::string newGrade = grade.empty() ? groupGrade : grade;
    const double fyDesign = GetReinDesignStrength(designGrade), fyNew = GetReinDesignStrength(newGrade);
    const double required = span && settings.GetLoadSettings().IsSupportAreaInSpan()
                                ? GetSpanAreaWithSupports(board, upper, x)
                                : values.calcArea;
    const double ft = GetConcreteTensileStrength(board->GetConcreteGrade());
    CSelectBestRein selector(ReinSelectInput{&settings, required, designGrade, ft, fyDesign, board->GetThickness(),
                                             GetConcreteCover(options, board, true),
                                             GetConcreteCover(options, board, false)});
    const double ratio = selector.GetMinRatio();
    const double minimum = ratio * board->GetThickness() * 1000.0;
    const double needed = std::max(required, minimum);
    const double area = AreaPerMetre(d, s);
    // A grade without a design strength carries nothing.
    if (!(fyNew > 0.0) || area * fyNew < needed * fyDesign * (1.0 - 1e-9)) {
      const std::string need = minimum > required
                                   ? fmt::format("the minimum ratio {:.2f} % needs {:.1f} mm²/m", ratio * 100.0, minimum)
                                   : fmt::format("the moment needs {:.1f} mm²/m", required);
      if (newGrade == designGrade)
        return group + fmt::format(": area {:.1f} mm²/m of {}@{} below the requirement: {} of {}", area, d, s, need,
                                   designGrade);
      return group + fmt::format(": area {:.1f} mm²/m of {} {}@{} (as {:.1f} mm²/m of {}) below the requirement: {} "
                                 "of {}",
                                 area, newGrade, d, s, fyDesign > 0.0 ? area * fyNew / fyDesign : 0.0, designGrade,
                                 need, designGrade);
    }
    // The crack width of the bars in their new grade (its modulus).
    if (!grade.empty()) values.grade = grade;
    width = ComputeCrackWidthFor(settings, board, span, upper, x, edge, d, s);
    values.grade = groupGrade;
    if (!IsCrackWidthReal(width)) return group + ": the crack width of the new bars has no meaning";
    if (calc.IsCrackWidthControlled() && width > limit)
      return group + fmt::format(": crack width {:.3f} mm above the limit {:.3f} mm", width, limit);

    return std::string();
  };

  std::vector<Slot> slots;
  std::vector<ZoneWork> work;
  auto workFor = [&work](const ReinZonePtr& z) -> ZoneWork& {
    for (ZoneWork& w : work)
      if (w.zone == z) return w;
    work.push_back({z, false, {}});
    return work.back();
  };
  auto relayed = [&](const ReinZonePtr& z) { return spacingChanged || z->GetSpacing() != s; };

  // Face zones: each board face and direction they stand on.
  for (const BoardPtr& board : DesignBoards(tank))
    for (bool upper : {true, false})
      for (const ReinZonePtr& z : upper ? board->GetUpperZones() : board->GetLowerZones()) {
        if (!SameMark(z, zone)) continue;
        const bool x = !z->IsYDirection();
        FaceValues& values = board->GetFaceValues(upper, x);
        double w = 0.0;
        const std::string why = checkGroup(board, values, true, upper, x, -1, w);
        if (!why.empty()) return refuse(why);
        slots.push_back({&values, w, DescribeBarGroup(*board, -1, true, upper, x)});
        ZoneWork& zw = workFor(z);
        zw.faces.push_back({board, upper, x});
        if (relayed(z)) zw.relay = true;
      }
  // Edge zones: the face of each edge they stand under (a joint zone stands
  // under the edges of both boards of its joint, each face its own board's).
  for (const BoardPtr& board : DesignBoards(tank)) {
    auto& edges = board->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      for (bool upper : {true, false})
        for (const ReinZonePtr& z : upper ? edges[i].GetUpperZones() : edges[i].GetLowerZones()) {
          if (!SameMark(z, zone)) continue;
          FaceValues& values = edges[i].GetFaceValues(upper);
          double w = 0.0;
          const std::string why = checkGroup(board, values, false, upper, true, static_cast<int>(i), w);
          if (!why.empty()) return refuse(why);
          slots.push_back({&values, w, DescribeBarGroup(*board, static_cast<int>(i), false, upper, true)});
          ZoneWork& zw = workFor(z);
          if (relayed(z)) zw.relay = true;
        }
  }
  // Haunch zones: no bar group of their own, laid again along their line.
  {
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
          if (relayed(z)) zw.relay = true;
        }
      }
  }

  // The edit is taken: the zones and the faces' bars and widths first (the
  // re-laying reads them: a bar end's anchorage and joint lengths go with
  // the new diameter), then the zones' bars.
  for (const ReinZonePtr& z : mark) {
    z->SetDiameter(d);
    if (bySpacing) z->SetSpacing(s);
    if (!grade.empty()) z->SetGrade(grade);
  }
  for (const Slot& slot : slots) {
    slot.values->diameter = d;
    slot.values->spacing = s;
    if (!grade.empty()) slot.values->grade = grade;
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
    if (!zw.relay) continue;
    if (!zw.faces.empty()) {
      std::vector<ReinPtr> bars;
      BoardGroup group;
      if (GroupOf(tank, zw, group)) {
        bars = LayGroupFaceBars(tank, group, options, zw.zone->GetFace() == 0, !zw.zone->IsYDirection(), d, s,
                                zw.zone->GetGrade());
      } else {
        for (const ZoneWork::Face& f : zw.faces)
          for (const ReinPtr& bar : LayFaceBars(tank, options, f.board, f.upper, f.x, s)) bars.push_back(bar);
      }
      zw.zone->SetReins(bars);
    } else {
      DistributeBarsOnLine(zw.zone, 0, false);
    }
    RefreshSegmentFlags(zw.zone);
  }
  // Every bar of the mark carries the zone's diameter and grade, whether it
  // was laid again or stays where it was.
  for (const ReinZonePtr& z : mark)
    for (const ReinPtr& bar : z->GetReins())
      if (bar) {
        bar->SetDiameter(z->GetDiameter());
        if (!z->GetGrade().empty()) bar->SetGrade(z->GetGrade());
      }
  return true;
}
