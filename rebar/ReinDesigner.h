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

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <vector>

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

  // Crack widths of the selected mid-span bars; edge widths are 0 except
  // where the bar selection kept the real width of a group that misses the
  // crack limit.
  void ComputeCrackWidths(Tank& tank, const ReinDesignOptions& options) const;

  // The bar groups of the tank that are not designed cleanly (their notes).
  static std::vector<std::string> GetFailingGroups(const Tank& tank);
};
