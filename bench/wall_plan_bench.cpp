// The wall reinforcement plan of the built-in examples, drawing only: the
// walls placed, the bars, dot rows and support dots of the tallest walls
// with their labels and range dimensions, and the automatic dimensions.
// The tank is built, analysed and designed once.  The regular tanks (3 × 2
// and 6 × 6 cells of 6 m) show how the cost grows with the walls.
#include "bench/designed_example.h"
#include "designer/TankDesigner.h"
#include "bench/regular_tank.h"
#include "rebar/ReinDesigner.h"
#include "views/WallPlanView.h"

#include <benchmark/benchmark.h>

namespace {

void DrawWallPlan(benchmark::State& state, const char* example) {
  const auto designer = benchfx::DesignedExample(example, state);
  if (!designer) return;
  EntityKindPairs kinds;
  for (auto _ : state) {
    designer->DrawWallPlan(true, _3dPoint(0, 0, 0));
    for (const auto& v : designer->GetViews())
      if (auto plan = boost::dynamic_pointer_cast<TankWallReinPlanView>(v)) {
        plan->DrawAllRein(designer->GetTank(), designer->GetSettings().GetViewSettings());
        designer->AutoDimensionPlan(plan.get());
        kinds.clear();
        plan->ListEntityKinds(kinds);
      }
  }
  state.counters["entities"] = static_cast<double>(kinds.size());
}

void BM_WallPlanTwoCell(benchmark::State& state) { DrawWallPlan(state, "buried-two-cell"); }
void BM_WallPlanGrid3x2(benchmark::State& state) { DrawWallPlan(state, "grid-3x2"); }
BENCHMARK(BM_WallPlanTwoCell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WallPlanGrid3x2)->Unit(benchmark::kMillisecond);

void BM_WallPlanRegular(benchmark::State& state) {
  const int cells = static_cast<int>(state.range(0));
  const int cellsX = cells == 6 ? 3 : 6, cellsY = cells == 6 ? 2 : 6;
  Tank tank;
  ProjectSettings settings;
  if (!benchfx::AnalysedRegularTank(tank, settings, cellsX, cellsY, state)) return;
  ReinDesigner designer;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  designer.RunDesign(tank, options, nullptr);
  designer.NumberReins(tank);
  designer.FinishDesign(tank);
  const ViewSettings viewSettings = settings.GetViewSettings();
  std::size_t entities = 0;
  for (auto _ : state) {
    TankWallReinPlanView view(&g_ViewBoard, viewSettings, ViewVolumn());
    view.Draw(tank, 100, viewSettings, true, _3dPoint(0, 0, 0));
    view.DrawAllRein(tank, viewSettings);
    EntityKindPairs kinds;
    view.ListEntityKinds(kinds);
    entities = kinds.size();
  }
  state.counters["walls"] = static_cast<double>(tank.GetWalls().size());
  state.counters["entities"] = static_cast<double>(entities);
}
BENCHMARK(BM_WallPlanRegular)->Arg(6)->Arg(36)->Unit(benchmark::kMillisecond);

}  // namespace
