// The per-slab steps of a slab plan after its insertion: the lasting copy
// of each slab's outline ring, the design results along each slab edge and
// the slab's own results at its centre.
#pragma once

#include "view/TankView.h"

extern double g_ReinLabelSizeFactor;

namespace SlabPlanBoardDrawer {

// The angle of a text folded so that it never reads upside down.
double FoldTextAngle(double angle);

// Copies the slab's construction ring (kind 0x1 lines) into display lines of
// kind 0x8 appended to the slab's entry; nothing once the ring is gone.
struct CopyOutlineLines {
  explicit CopyOutlineLines(TankView* view) : m_view(view) {}
  void operator()(const BoardPtr& slab) const;
  TankView* m_view;
};

// The six result texts of every slab edge, half a label height inside the
// matching outline line, along it.  Edges beyond the ring stay unlabelled.
struct DrawEdgeResultLabels {
  DrawEdgeResultLabels(TankView* view, double crackWidthLimit) : m_view(view), m_crackWidthLimit(crackWidthLimit) {}
  void operator()(const BoardPtr& slab) const;
  TankView* m_view;
  double m_crackWidthLimit;
};

// The slab's result labels at the centre of its drawn outline.
struct DrawBoardResultLabels {
  DrawBoardResultLabels(TankView* view, double crackWidthLimit) : m_view(view), m_crackWidthLimit(crackWidthLimit) {}
  void operator()(const BoardPtr& slab) const;
  TankView* m_view;
  double m_crackWidthLimit;
};

}  // namespace SlabPlanBoardDrawer
