// Benchmarks of the rebar trend map on the 3 × 2-cell example (18 m × 12 m,
// 17 walls, 6 bottom and 6 top slabs): the whole construction of the map from
// a tank whose board topology is already known (as in a design run after the
// analysis), and from a fresh copy of the tank, which first derives its
// topology; and the joint-line queries the layout asks of every edge face.
#include "rebar/ReinTrendAdapter.h"
#include "tests/tank_fixtures.h"

#include <benchmark/benchmark.h>

namespace {

void MakeExample(Tank& tank) {
  fixtures::MakeRegularTank(tank, fixtures::RegularLayout(3, 2, true, 18000, 12000), true);
}

void BM_TrendMapConstruction(benchmark::State& state) {
  Tank tank;
  MakeExample(tank);
  std::size_t entries = 0;
  for (auto _ : state) {
    const ReinTrendAdapter adapter(tank);
    entries = adapter.GetTrendMap().size();
    benchmark::DoNotOptimize(entries);
  }
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_TrendMapConstruction)->Unit(benchmark::kMillisecond);

void BM_TrendMapFromFreshTank(benchmark::State& state) {
  Tank original;
  MakeExample(original);
  for (auto _ : state) {
    state.PauseTiming();
    Tank tank(original);
    state.ResumeTiming();
    const ReinTrendAdapter adapter(tank);
    benchmark::DoNotOptimize(adapter.GetTrendMap().size());
  }
}
BENCHMARK(BM_TrendMapFromFreshTank)->Unit(benchmark::kMillisecond);

void BM_EdgeQueries(benchmark::State& state) {
  Tank tank;
  MakeExample(tank);
  const ReinTrendAdapter adapter(tank);
  const std::vector<BoardPtr> boards = tank.GetBoards();
  for (auto _ : state) {
    int count = 0;
    for (const BoardPtr& b : boards)
      for (int e = 0; e < static_cast<int>(b->GetEdges().size()); ++e)
        for (bool face : {true, false}) {
          BoardEdgeRef out;
          bool outFace = false;
          count += adapter.NeedsEdgeRein(BoardEdgeRef(b, e), face);
          count += adapter.GetTurnTarget(BoardEdgeRef(b, e), face, out, outFace);
          count += adapter.GetCornerNeighbour(BoardEdgeRef(b, e), face, out, outFace);
        }
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_EdgeQueries)->Unit(benchmark::kMicrosecond);

}  // namespace
