// Benchmark of the batch drawing (every drawing the default settings enable:
// slab and wall plans with their bars and dimensions, the automatic wall
// sections, the opening details and the rebar schedule) of a designed tank:
// the 3 × 2-cell tank (18 m × 12 m) and a 6 × 6-cell tank (36 m × 36 m).
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "tests/tank_fixtures.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_DrawAll(benchmark::State& state) {
  const int cellsX = static_cast<int>(state.range(0)), cellsY = static_cast<int>(state.range(1));
  TankDesigner designer;
  std::string error;
  if (!designer.NewTank(fixtures::RegularLayout(cellsX, cellsY, true, 6000.0 * cellsX, 6000.0 * cellsY), 0, 0,
                        &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  if (!designer.Analyse()) {
    state.SkipWithError(GetLastAnalysisError().c_str());
    return;
  }
  designer.DesignRein(nullptr);
  designer.SetReinDesigned(true);
  designer.GetSettings().GetDetailingSettings().SetDrawingOptions(kDrawingAll);
  for (auto _ : state) {
    designer.ClearViews();
    g_ViewBoard.Reset();
    designer.DrawAll(_3dPoint(0, 0, 0), nullptr);
  }
  state.counters["views"] = static_cast<double>(designer.GetViewCount());
  state.counters["entities"] = static_cast<double>(g_ViewBoard.GetDrawingSize());
  state.counters["zones"] = static_cast<double>(designer.GetTank().GetReinZones().GetZones().size());
}
BENCHMARK(BM_DrawAll)->Args({3, 2})->Args({6, 6})->Unit(benchmark::kMillisecond);

}  // namespace
