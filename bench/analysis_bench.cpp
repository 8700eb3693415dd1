// Benchmarks of the tank analysis on the 3 × 2-cell example (18 m × 12 m,
// walls 4 m high, with top slab, buried, groundwater, temperature): the
// whole AnalyseTank with the board method (0) and with the shell model (1)
// (its mesh sized from the boards), the shell model on 10 × 10 cells,
// and one board's solve of the twelve loadings (four cases, three
// combinations) against the board's number of unknowns (a 4 m × 4 m wall,
// three edges fixed, free top, meshed 8 to 32 elements across).
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"
#include "model/TankModeler.h"
#include "tests/tank_fixtures.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

void MakeExample(Tank& tank, ProjectSettings& s, int method, int cellsX = 3, int cellsY = 2, double lengthX = 18000,
                 double lengthY = 12000) {
  fixtures::MakeRegularTank(tank, fixtures::RegularLayout(cellsX, cellsY, true, lengthX, lengthY));
  s.GetLoadSettings().SetAnalysisMethod(method);
  s.GetCalcSettings().SetTemperatureConsidered(true);
  TankModeler m;
  m.MarkOuterWallFaces(tank);
  m.ClassifyBoardEdges(tank, 1, 1, 0);
  m.MarkSlabOverhangs(tank, 500);
}

void BM_AnalyseTank(benchmark::State& state) {
  Tank tank;
  ProjectSettings s;
  MakeExample(tank, s, static_cast<int>(state.range(0)));
  bool ok = true;
  for (auto _ : state) ok = AnalyseTank(tank, s) && ok;
  if (!ok) state.SkipWithError(GetLastAnalysisError().c_str());
  state.counters["boards"] = static_cast<double>(tank.GetBoards().size());
}
BENCHMARK(BM_AnalyseTank)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole-tank method on a tank of 10 × 10 cells of 4 m × 4 m (walls 4 m
// high): the largest model the automatic mesh is capped for.  peak_rss_MB
// is the process's peak resident memory after the run.
void BM_AnalyseTank10x10(benchmark::State& state) {
  Tank tank;
  ProjectSettings s;
  MakeExample(tank, s, 1, 10, 10, 40000, 40000);
  bool ok = true;
  for (auto _ : state) ok = AnalyseTank(tank, s) && ok;
  if (!ok) state.SkipWithError(GetLastAnalysisError().c_str());
  state.counters["boards"] = static_cast<double>(tank.GetBoards().size());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_AnalyseTank10x10)->Iterations(1)->Unit(benchmark::kMillisecond);
// The board method (0) on square tanks of n × n cells of 6 m, walls 4 m
// high, covered and buried: boards of the same plate model and loads share
// one solution, so the time per board falls while the tank grows and then
// stays the same up to about 1,000 boards (n = 16: 1,056 boards).
void BM_AnalyseMethod0Cells(benchmark::State& state) {
  const auto n = static_cast<std::uint32_t>(state.range(0));
  Tank tank;
  ProjectSettings s;
  fixtures::MakeRegularTank(tank, fixtures::RegularLayout(n, n, true, 6000.0 * n, 6000.0 * n));
  s.GetLoadSettings().SetAnalysisMethod(0);
  TankModeler m;
  m.MarkOuterWallFaces(tank);
  m.ClassifyBoardEdges(tank, 1, 1, 0);
  m.MarkSlabOverhangs(tank, 500);
  bool ok = true;
  for (auto _ : state) ok = AnalyseTank(tank, s) && ok;
  if (!ok) state.SkipWithError(GetLastAnalysisError().c_str());
  const auto boards = static_cast<double>(tank.GetBoards().size());
  state.counters["boards"] = boards;
  state.counters["time_per_board"] =
      benchmark::Counter(boards, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetComplexityN(static_cast<benchmark::IterationCount>(boards));
}
BENCHMARK(BM_AnalyseMethod0Cells)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(12)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_BoardTwelveLoadings(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<tobrin::PlateLoadCase> loadings(12);
  for (int i = 0; i < 12; ++i) loadings[i].areas.push_back(tobrin::PlateAreaLoad::AlongY(0, 40.0 + i, 4000, 0));
  // The board method meshes 16 divisions across the short span.
  tobrin::PlateInput in = tobrin::PlateInput::Rectangle(
      4000, 4000, {tobrin::EdgeRestraint::Fixed, tobrin::EdgeRestraint::Fixed, tobrin::EdgeRestraint::Free,
                   tobrin::EdgeRestraint::Fixed},
      250, 30000, 0.2, n);
  int unknowns = 0;
  for (auto _ : state) {
    tobrin::PlateModel model(in);
    unknowns = model.Unknowns();
    for (const auto& lc : loadings) benchmark::DoNotOptimize(model.Solve(lc).Nodes().data());
  }
  state.counters["unknowns"] = unknowns;
  state.SetComplexityN(unknowns);
}
BENCHMARK(BM_BoardTwelveLoadings)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
