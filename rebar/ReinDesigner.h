// The rebar design engine of a design.  It keeps no results of its own: the
// design steps store everything they compute in the structural model of the
// tank they are given.
//
// The steps over the whole tank walk the components of Tank::GetComponents in
// order, keeping those whose class is exactly Board.  Every bar group (the
// four mid-span groups of a board and the two faces of each edge) carries a
// design state (BarGroupStatus): a section that cannot be designed, a group
// for which no bar of the table gives the area and one whose crack width
// stays above the limit are marked so, with a note naming the board, face and
// direction.
#pragma once

#include "platform/HostServices.h"
#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <string>
#include <vector>

class ReinTrendAdapter;

class ReinDesigner {
 public:
  ReinDesigner() = default;

  // The boards the design steps visit: components of class exactly Board.
  static std::vector<BoardPtr> DesignBoards(const Tank& tank);

  // Required areas of every board: per face and direction the larger of its
  // own tension steel and the compression steel the other face needs, and the
  // same per edge face.  Sets every group's state afresh (not designed yet, or
  // not designable with the reason).
  void ComputeRequiredAreas(Tank& tank, const ReinDesignOptions& options) const;

  // Bars of every board: the four mid-span groups, then both faces of every
  // edge (full candidate table).
  void SelectAllReins(Tank& tank, const ReinDesignOptions& options) const;

  // Crack widths of the selected bars: the mid-span groups and the support
  // bars of every edge face (0 for a face without bars); a width above the
  // limit fails its group, with crack control off too (UpdateCrackWidth).
  void ComputeCrackWidths(Tank& tank, const ReinDesignOptions& options) const;

  // The bar groups of the tank that are not designed cleanly (their notes).
  static std::vector<std::string> GetFailingGroups(const Tank& tank);

  // ---- The design of the whole tank (rebar/DesignDriver.cpp) ---------------
  // Runs every design step in its fixed order, from clearing the zones of an
  // earlier design to the bars around openings, reporting 10, 20, the
  // face-zone values between 20 and 40, 40, 50, 60 and 80.  The steps store
  // everything in the tank; nothing is kept here.
  void RunDesign(Tank& tank, ReinDesignOptions& options, ProgressFn fn) const;
  // After the marks are numbered: haunch zones on layer 1, every bar segment
  // of every zone and support rein given its layer flag.
  void FinishDesign(Tank& tank) const;
  // Bar marks: top slab, bottom slab, wall, then support zones; equal zones
  // of a kind share a number, the first of each number is flagged.
  void NumberReins(Tank& tank) const;

  // Design steps (in driver order).
  void SelectEdgeReins(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter) const;
  void LayoutBoardZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter,
                        ProgressFn fn) const;
  void BuildJointZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter,
                       int supportDiameter) const;
  void BuildHaunchZones(Tank& tank, const ReinDesignOptions& options) const;
  void BuildOverhangZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter) const;
  void LayoutSupportReins(Tank& tank, int supportDiameter, const ReinDesignOptions& options) const;
  void ReinforceHoles(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter) const;
  // Kind flags and category 2 on every board face zone.
  void TagFaceZones(Tank& tank) const;
  // Kind flags, faces and category 1 on every edge zone; each zone's bars laid
  // once (a zone held by two edges too).
  void TagEdgeZones(Tank& tank) const;
  // Category 4 and wall kind on the haunch zones with bars set, bars laid.
  void FinishHaunchZones(Tank& tank) const;
  void FinishOverhangZones(Tank& tank) const;

  // The bars of an edge or haunch zone laid again along its distribution line
  // (DistributeBarsOnLine of rebar/ZoneBars.h): all bars, or one bar at a
  // position along the line.
  std::vector<ReinPtr> DistributeBarsOnLine(const ReinZonePtr& zone, int position, bool single) const;

  // ---- Opening bars (rebar/HoleReins.cpp) and the re-design of an edited
  // zone (rebar/ZoneRedesign.cpp) --------------------------------------------
  // A circular opening of radius up to 150 mm gets nothing; up to 500 mm
  // straight added bars beside it; above that its enclosing square gets side
  // bars with ties; rings in both faces when the settings ask for them.
  void ReinforceCircleHole(const BoardPtr& board, const boost::shared_ptr<CircleHole>& hole,
                           const ReinDesignOptions& options) const;
  // A rectangular opening with a side above 300 mm: per pair of sides plain
  // added bars or side bars with ties, and diagonal corner bars unless both
  // pairs take ties.
  void ReinforceRectangleHole(const BoardPtr& board, const boost::shared_ptr<RectangleHole>& hole,
                              const ReinDesignOptions& options) const;
  // After a rebar edit wrote a new grade, diameter and spacing into `zone`:
  // every face or edge bar group the zone's mark covers is checked for the
  // new bars: crack width within the limit, and As·fy(new grade) at least
  // max(required area, minimum-ratio area)·fy(grade the area was computed
  // for).  False (nothing changed, `reason` naming the group and the width
  // against the limit or the area against the requirement) when one fails,
  // when the bars have no meaning, or for a new spacing of support or
  // opening bars (laid by count); otherwise every zone of the mark takes the
  // new grade, diameter and spacing, its bars are laid again after a spacing
  // change, every bar of the mark carries the new diameter and grade, and
  // the widths are stored.
  bool RedesignZone(ProjectSettings& settings, Tank& tank, const ReinZonePtr& zone, int oldDiameter,
                    int oldSpacing, std::string* reason = nullptr) const;
};

// Empties every zone list a design fills: board faces, board edges, openings,
// the ordinary and the overhang haunch of every joint, and the tank's support
// rebar zones, so that a second design gives the same zones and no more.
void ClearReinZones(Tank& tank);
// Every bar group of every board starts a design afresh: the rebar grade the
// settings give its board kind (a board kind without one keeps its grade), no
// bars, no crack width.  So a design never reads the grades an earlier design
// selected (an upgraded plain-bar grade would be upgraded again).
void ClearBarGroups(Tank& tank, const ProjectSettings& settings);
// When the detailing settings unify wall faces: per direction the face with
// the smaller bar area takes the other face's diameter, spacing and grade
// (the lower face wins ties), and its crack width is computed again for
// them.  Slabs and excluded boards are left alone; a face without bars
// (spacing 0) counts as area 0.
void UnifyWallFaces(Tank& tank, const ReinDesignOptions& options);
