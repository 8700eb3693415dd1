// Benchmarks of the geometry kernel's loop searches: the regions of a grid of
// wall lines, and the outlines of many boards given with their shared sides.
#include "platform/Morlak.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

namespace {

// Wall lines of an n × n grid of 3000 mm cells, each wall drawn whole, so
// every wall crosses n - 1 others.
std::vector<_2dLine> GridWallLines(int n) {
  const double cell = 3000.0, size = cell * n;
  std::vector<_2dLine> lines;
  for (int i = 0; i <= n; ++i) {
    lines.emplace_back(_2dPoint(0, i * cell), _2dPoint(size, i * cell));
    lines.emplace_back(_2dPoint(i * cell, 0), _2dPoint(i * cell, size));
  }
  return lines;
}

// The outlines of an n × n field of boards, every board given whole (shared
// sides twice, in opposite directions), in groups of four boards that touch
// each other and are apart from the other groups.
std::vector<_2dLine> BoardOutlines(int n) {
  const double board = 2000.0, gap = 500.0;
  std::vector<_2dLine> lines;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      double x0 = i * board + (i / 2) * gap, y0 = j * board + (j / 2) * gap;
      double x1 = x0 + board, y1 = y0 + board;
      lines.emplace_back(_2dPoint(x0, y0), _2dPoint(x1, y0));
      lines.emplace_back(_2dPoint(x1, y0), _2dPoint(x1, y1));
      lines.emplace_back(_2dPoint(x1, y1), _2dPoint(x0, y1));
      lines.emplace_back(_2dPoint(x0, y1), _2dPoint(x0, y0));
    }
  }
  return lines;
}

void BM_FindRegionsGrid(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<_2dLine> lines = GridWallLines(n);
  for (auto _ : state) {
    PointLoops regions = g_PolygonAlgorithm.FindRegions(lines);
    benchmark::DoNotOptimize(regions.data());
    if (regions.size() != static_cast<std::size_t>(n) * n) state.SkipWithError("wrong region count");
  }
  state.counters["regions"] = static_cast<double>(n) * n;
  state.SetComplexityN(static_cast<long>(n) * n);
}
BENCHMARK(BM_FindRegionsGrid)->Arg(2)->Arg(8)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond)->Complexity();

void BM_BuildLoopsBoards(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<_2dLine> lines = BoardOutlines(n);
  // One outline per group of two by two boards.
  const std::size_t groups = static_cast<std::size_t>((n + 1) / 2) * ((n + 1) / 2);
  for (auto _ : state) {
    PointLoops loops = g_PolygonAlgorithm.BuildLoops(lines);
    benchmark::DoNotOptimize(loops.data());
    if (loops.size() != groups) state.SkipWithError("wrong loop count");
  }
  state.counters["lines"] = static_cast<double>(lines.size());
  state.SetComplexityN(static_cast<long>(lines.size()));
}
BENCHMARK(BM_BuildLoopsBoards)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Complexity();

void BM_FindLoopAroundPoint(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<_2dLine> lines = GridWallLines(n);
  const _2dPoint centre(1500.0 * n + 100.0, 1500.0 * n + 100.0);  // inside a cell
  for (auto _ : state) {
    PointLoop loop;
    bool found = g_PolygonAlgorithm.FindLoopAroundPoint(centre, lines, loop);
    benchmark::DoNotOptimize(found);
    if (!found) state.SkipWithError("no loop around the point");
  }
}
BENCHMARK(BM_FindLoopAroundPoint)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
