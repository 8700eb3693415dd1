// The per-wall label steps of the wall plan: the support results of each of
// a wall's four edges at the plan positions of those edges, and the wall's
// own results at its plan centre.  Registered under the wall, not shown: the
// result display flags choose which label kinds are visible.
#pragma once

#include "view/TankView.h"

extern double g_ReinLabelSizeFactor;

class WallPlanBoardDrawer {
 public:
  WallPlanBoardDrawer(TankView* view, double crackWidthLimit) : m_view(view), m_crackWidthLimit(crackWidthLimit) {}

  // Whether the wall's upper face comes first in its labels: its normal
  // points toward −x in plan.
  static bool UpperFirst(const Board& wall);
  // The top, bottom, start and end edge of a wall of four edges (indices);
  // false for any other wall.
  static bool FindWallEdges(const Board& wall, int& top, int& bottom, int& start, int& end);

  void DrawEdgeResultLabels(const BoardPtr& wall) const;
  void DrawBoardResultLabels(const BoardPtr& wall) const;

 private:
  TankView* m_view;
  double m_crackWidthLimit;
};
