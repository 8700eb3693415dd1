// Benchmarks of the rebar design of a whole tank (ReinDesigner::RunDesign
// with the mark numbering and the finishing pass, as the designer's command
// runs them) on the 3 × 2-cell tank (18 m × 12 m) and on a 6 × 6-cell tank
// (36 m × 36 m), both analysed with the board method first.  The cost should
// grow no faster than the number of boards.
#include "bench/regular_tank.h"
#include "rebar/ReinDesigner.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DesignRein(benchmark::State& state) {
  const int cells = static_cast<int>(state.range(0));
  const int cellsX = cells == 6 ? 3 : 6, cellsY = cells == 6 ? 2 : 6;
  Tank tank;
  ProjectSettings settings;
  if (!benchfx::AnalysedRegularTank(tank, settings, cellsX, cellsY, state)) return;
  ReinDesigner designer;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  for (auto _ : state) {
    designer.RunDesign(tank, options, nullptr);
    designer.NumberReins(tank);
    designer.FinishDesign(tank);
  }
  state.counters["boards"] = static_cast<double>(tank.GetBoards().size());
}
BENCHMARK(BM_DesignRein)->Arg(6)->Arg(36)->Unit(benchmark::kMillisecond);

}  // namespace
