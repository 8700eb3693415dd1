// Benchmarks of `tankdesign new` on square grids of N × N cells (6 m cells,
// covered, buried; the default settings): reading the project, placing the
// boards, preparing them (faces, edge restraints, haunches) and drawing the
// model plan and 3D model; and the same followed by the analysis with the
// board method (0).  The time of `new` should grow in proportion to the
// number of boards.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/HostServices.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

namespace {

std::string GridProject(int n) {
  return fmt::format(R"({{ "tank": {{ "length_x_mm": {0}, "length_y_mm": {0}, "cells_x": {1}, "cells_y": {1} }} }})",
                     6000 * n, n);
}

void BM_NewTank(benchmark::State& state) {
  ModuleStartup();
  const int n = static_cast<int>(state.range(0));
  const std::string project = GridProject(n);
  std::size_t boards = 0;
  for (auto _ : state) {
    g_ViewBoard.Reset();
    TankDesigner designer;
    tank::app::BuildNewTank(designer, tank::app::ReadProject(project, "grid"), "grid");
    boards = designer.GetTank().GetBoards().size();
  }
  g_ViewBoard.Reset();
  state.counters["boards"] = static_cast<double>(boards);
  state.SetComplexityN(static_cast<benchmark::IterationCount>(boards));
}
BENCHMARK(BM_NewTank)->Arg(4)->Arg(8)->Arg(12)->Arg(16)->Arg(20)->Unit(benchmark::kMillisecond)->Complexity();

void BM_NewAndAnalyseTank(benchmark::State& state) {
  ModuleStartup();
  const int n = static_cast<int>(state.range(0));
  const std::string project = GridProject(n);
  std::size_t boards = 0;
  bool ok = true;
  for (auto _ : state) {
    g_ViewBoard.Reset();
    TankDesigner designer;
    tank::app::BuildNewTank(designer, tank::app::ReadProject(project, "grid"), "grid");
    ok = designer.Analyse() && ok;
    boards = designer.GetTank().GetBoards().size();
  }
  g_ViewBoard.Reset();
  if (!ok) state.SkipWithError("the analysis failed");
  state.counters["boards"] = static_cast<double>(boards);
}
BENCHMARK(BM_NewAndAnalyseTank)->Arg(3)->Arg(6)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
