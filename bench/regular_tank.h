// A covered tank of cellsX × cellsY cells of 6 m, its outer wall faces
// marked, its edges classified and analysed with the board method, as the
// design and drawing benchmarks start from.
#pragma once

#include "model/TankModeler.h"
#include "platform/Tobrin.h"
#include "tests/tank_fixtures.h"

#include <benchmark/benchmark.h>

namespace benchfx {

// False (with the state told why) when the analysis fails.
inline bool AnalysedRegularTank(Tank& tank, ProjectSettings& settings, int cellsX, int cellsY,
                                benchmark::State& state) {
  fixtures::MakeRegularTank(tank, fixtures::RegularLayout(cellsX, cellsY, true, 6000.0 * cellsX, 6000.0 * cellsY));
  TankModeler m;
  m.MarkOuterWallFaces(tank);
  m.ClassifyBoardEdges(tank, 1, 1, 0);
  if (!AnalyseTank(tank, settings)) {
    state.SkipWithError(GetLastAnalysisError().c_str());
    return false;
  }
  return true;
}

}  // namespace benchfx
