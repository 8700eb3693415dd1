// Benchmarks of the rebar schedule and the material table (drawn, placed
// and cleared again) of a designed tank: the 3 × 2-cell tank (18 m × 12 m)
// and a 6 × 6-cell tank (36 m × 36 m).  Rows and zones both grow with the
// tank, so the cost should grow no faster than the zones do.
#include "model/TankModeler.h"
#include "platform/Tobrin.h"
#include "rebar/ReinDesigner.h"
#include "tests/tank_fixtures.h"
#include "views/TableViews.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ScheduleAndMaterialTable(benchmark::State& state) {
  const int cellsX = static_cast<int>(state.range(0)), cellsY = static_cast<int>(state.range(1));
  Tank tank;
  ProjectSettings settings;
  fixtures::MakeRegularTank(tank, fixtures::RegularLayout(cellsX, cellsY, true, 6000.0 * cellsX, 6000.0 * cellsY));
  TankModeler m;
  m.MarkOuterWallFaces(tank);
  m.ClassifyBoardEdges(tank, 1, 1, 0);
  if (!AnalyseTank(tank, settings)) {
    state.SkipWithError(GetLastAnalysisError().c_str());
    return;
  }
  ReinDesigner designer;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  designer.RunDesign(tank, options, nullptr);
  designer.NumberReins(tank);
  designer.FinishDesign(tank);
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
