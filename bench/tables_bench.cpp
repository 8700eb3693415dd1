// Benchmarks of the rebar schedule and the material table (drawn, placed
// and cleared again) of a designed tank: the 3 × 2-cell tank (18 m × 12 m)
// and a 6 × 6-cell tank (36 m × 36 m).  Rows and zones both grow with the
// tank, so the cost should grow no faster than the zones do.
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "tests/tank_fixtures.h"
#include "views/TableViews.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_ScheduleAndMaterialTable(benchmark::State& state) {
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
  Tank& tank = designer.GetTank();
  ProjectSettings& settings = designer.GetSettings();
  const ViewSettings vs = settings.GetViewSettings();
  std::size_t rows = 0;
  for (auto _ : state) {
    ReinTableView schedule(&g_ViewBoard, vs, ViewVolumn());
    schedule.Draw(tank, 1.0, vs, true, _3dPoint(0, 0, 0));
    ReinAmountView amount(&g_ViewBoard, vs, ViewVolumn());
    amount.Prepare(settings, tank);
    amount.Draw(tank, 1.0, vs, true, _3dPoint(0, -100000, 0));
    rows = schedule.GetRowZones().size();
    schedule.Clear();
    amount.Clear();
  }
  state.counters["zones"] = static_cast<double>(tank.GetReinZones().GetZones().size());
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ScheduleAndMaterialTable)->Args({3, 2})->Args({6, 6})->Unit(benchmark::kMillisecond);

}  // namespace
