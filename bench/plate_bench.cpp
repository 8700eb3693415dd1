// Benchmarks of one board's plate-bending solve against its number of
// unknowns: a 4 m square wall, base and sides fixed, top free, under water
// to the top, meshed 8, 16, 32 and 48 elements per side.  "solve" builds,
// factorises and solves one load case and recovers the moments; "case"
// solves one more load case on a model already factorised, as the
// analysis does for its further load cases.
#include "platform/tobrin/plate.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tobrin;

PlateInput Wall(int divisions) {
  return PlateInput::Rectangle(
      4000, 4000,
      {EdgeRestraint::Fixed, EdgeRestraint::Fixed, EdgeRestraint::Free, EdgeRestraint::Fixed}, 250,
      30000, 0.2, divisions);
}

PlateLoadCase Water() {
  PlateLoadCase lc;
  lc.areas.push_back(PlateAreaLoad::AlongY(0, 40, 4000, 0));
  return lc;
}

void BM_PlateSolve(benchmark::State& state) {
  const PlateInput input = Wall(static_cast<int>(state.range(0)));
  const PlateLoadCase loads = Water();
  int unknowns = 0;
  for (auto _ : state) {
    PlateResult r = SolvePlate(input, loads);
    unknowns = r.Unknowns();
    benchmark::DoNotOptimize(r.Nodes().data());
  }
  state.counters["unknowns"] = unknowns;
  state.SetComplexityN(unknowns);
}
BENCHMARK(BM_PlateSolve)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Arg(48)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_PlateLoadCase(benchmark::State& state) {
  const PlateModel model(Wall(static_cast<int>(state.range(0))));
  const PlateLoadCase loads = Water();
  for (auto _ : state) {
    PlateResult r = model.Solve(loads);
    benchmark::DoNotOptimize(r.Nodes().data());
  }
  state.counters["unknowns"] = model.Unknowns();
  state.SetComplexityN(model.Unknowns());
}
BENCHMARK(BM_PlateLoadCase)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Arg(48)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
