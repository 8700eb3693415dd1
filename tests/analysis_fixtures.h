// Settings and preparation shared by the tests of the analysis.
#pragma once

#include "model/TankModeler.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"

#include <cmath>
#include <vector>

namespace fixtures {

// A tank standing above ground: no soil, the groundwater far below, board
// method, no temperature difference.
inline ProjectSettings AboveGroundSettings() {
  ProjectSettings s;
  s.GetGeologySettings().SetSoilLayers({});
  s.GetGeologySettings().SetBurialDepth(0.0);
  s.GetGeologySettings().SetGroundwaterDepth(10.0);
  s.GetLoadSettings().SetAnalysisMethod(0);
  s.GetCalcSettings().SetTemperatureConsidered(false);
  return s;
}

// Prepares a regular tank as the analysis command does (without grades,
// which the analysis takes from the settings when a board has none).
inline void PrepareForAnalysis(Tank& tank, const ProjectSettings& s, double overhang = 0.0) {
  TankModeler m;
  m.MarkOuterWallFaces(tank);
  m.ClassifyBoardEdges(tank, s.GetGeometrySettings().GetWallTopRestraint(),
                       s.GetGeometrySettings().GetTopSlabEdgeRestraint(),
                       s.GetGeometrySettings().GetBottomSlabEdgeRestraint());
  if (overhang > 0) m.MarkSlabOverhangs(tank, overhang);
}

// The wall whose base line has its midpoint at (x, y) in plan.
inline BoardPtr WallAt(const Tank& tank, double x, double y) {
  for (const BoardPtr& w : tank.GetWalls()) {
    const std::vector<_3dPoint> pts = w->GetOutlinePoints();
    if (std::fabs(0.5 * (pts[0].x + pts[1].x) - x) < 1 && std::fabs(0.5 * (pts[0].y + pts[1].y) - y) < 1) return w;
  }
  return {};
}

}  // namespace fixtures
