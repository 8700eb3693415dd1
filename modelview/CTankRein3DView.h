// The 3D rebar view: one 3D entity per designed bar of the chosen rebar
// zones.  It keeps its own records of bars and entities (not the view
// registry) and files nothing of its own; its drawing comes with the 3D
// rebar display.
#pragma once

#include "view/TankView.h"

#include <vector>

class CTankRein3DView : public TankView {
 public:
  explicit CTankRein3DView(AcadViewBoard* board) : TankView(board, ViewSettings{}, ViewVolumn{}) {}

  // 0: all rebar zones; 1 to 5: one zone category.
  int m_viewMode = 0;
  // The model objects picked for the per-board modes.
  std::vector<ObjectPtr> m_selectedObjects;
};
