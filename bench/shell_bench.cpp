// Benchmarks of the whole-tank shell model on a 3 × 2-cell tank: cells 4 m
// × 3 m, walls 4 m high and 250 mm thick, bottom slab on springs and top
// slab 300 mm thick.  "build" meshes, assembles and factorises the model at
// an element size of 500, 250 and 166.7 mm; "case" solves one load case
// (internal water in every cell, earth pressure on the outer walls, soil
// cover on the top slab and self weight) on a model already factorised and
// recovers the moments, as the analysis does for each of its load cases.
// The whole analysis of one case is timed against CalculiX's on the same
// mesh (bench/ccx_compare.py).
#include "platform/tobrin/shell.h"

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>

#include <vector>

namespace {

using namespace tobrin;

constexpr double kCellX = 4000, kCellY = 3000, kHeight = 4000, kWall = 250, kSlab = 300;

BoardPtr MakeBoard(int kind, const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis, double lx,
                   double ly, double thickness) {
  auto board = boost::make_shared<Board>();
  board->SetKind(kind);
  board->SetUpperOffset(thickness / 2);
  board->SetLowerOffset(thickness / 2);
  board->SetOrigin(origin);
  board->SetXAxis(xAxis);
  board->SetYAxis(yAxis);
  const _2dPoint c[4] = {{0, 0}, {lx, 0}, {lx, ly}, {0, ly}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(c[i], c[(i + 1) % 4]));
  board->SetEdges(edges);
  return board;
}

// Bottom slab, top slab, three walls along x and four along y.
std::vector<BoardPtr> Tank() {
  const double lx = 3 * kCellX, ly = 2 * kCellY;
  std::vector<BoardPtr> boards;
  boards.push_back(MakeBoard(1, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, lx, ly, kSlab));
  boards.push_back(MakeBoard(2, {0, 0, kHeight}, {1, 0, 0}, {0, 1, 0}, lx, ly, kSlab));
  for (int j = 0; j <= 2; ++j)
    boards.push_back(MakeBoard(0, {0, j * kCellY, 0}, {1, 0, 0}, {0, 0, 1}, lx, kHeight, kWall));
  for (int i = 0; i <= 3; ++i)
    boards.push_back(MakeBoard(0, {i * kCellX, 0, 0}, {0, 1, 0}, {0, 0, 1}, ly, kHeight, kWall));
  return boards;
}

TankCaseLoads Loads(const std::vector<BoardPtr>& boards) {
  TankCaseLoads loads(boards.size());
  loads[1].areas.push_back(PlateAreaLoad::Uniform(-20.0));                 // soil cover and live load
  loads[0].areas.push_back(PlateAreaLoad::Uniform(40.0));                  // ground reaction
  for (std::size_t b = 2; b < boards.size(); ++b)                          // water, one side
    loads[b].areas.push_back(PlateAreaLoad::AlongY(0, 35.0, 3500.0, 0.0));
  loads[2].areas.push_back(PlateAreaLoad::AlongY(0, 30.0, kHeight, 5.0));  // earth on an outer wall
  return loads;
}

void BM_ShellBuild(benchmark::State& state) {
  const std::vector<BoardPtr> boards = Tank();
  ShellOptions options;
  options.elementSize = 1000.0 / static_cast<double>(state.range(0));
  int unknowns = 0;
  for (auto _ : state) {
    ShellTankModel model(boards, std::vector<double>(boards.size(), 30000.0), options);
    if (model.Status() != SolveStatus::Ok) state.SkipWithError(model.Reason().c_str());
    unknowns = model.Unknowns();
    benchmark::DoNotOptimize(unknowns);
  }
  state.counters["unknowns"] = unknowns;
}
BENCHMARK(BM_ShellBuild)->Arg(2)->Arg(4)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_ShellLoadCase(benchmark::State& state) {
  const std::vector<BoardPtr> boards = Tank();
  ShellOptions options;
  options.elementSize = 1000.0 / static_cast<double>(state.range(0));
  const ShellTankModel model(boards, std::vector<double>(boards.size(), 30000.0), options);
  if (model.Status() != SolveStatus::Ok) state.SkipWithError(model.Reason().c_str());
  const TankCaseLoads loads = Loads(boards);
  for (auto _ : state) {
    TankCaseMoments out;
    std::string reason;
    if (model.Solve(loads, 1.0, out, reason) != SolveStatus::Ok) state.SkipWithError(reason.c_str());
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["unknowns"] = model.Unknowns();
}
BENCHMARK(BM_ShellLoadCase)->Arg(2)->Arg(4)->Arg(6)->Unit(benchmark::kMillisecond);

// The whole shell analysis of one load case, as an independent FE program
// runs it: mesh, assemble, order and factorise, solve, recover the moments,
// with 2 to 10 elements per metre (250 mm to 100 mm; up to about 230 000
// unknowns).  bench/ccx_compare.py runs the same mesh through CalculiX
// and compares the time per unknown.
void BM_ShellWholeCase(benchmark::State& state) {
  const std::vector<BoardPtr> boards = Tank();
  ShellOptions options;
  options.elementSize = 1000.0 / static_cast<double>(state.range(0));
  const TankCaseLoads loads = Loads(boards);
  int unknowns = 0, nodes = 0, elements = 0;
  for (auto _ : state) {
    const ShellTankModel model(boards, std::vector<double>(boards.size(), 30000.0), options);
    if (model.Status() != SolveStatus::Ok) state.SkipWithError(model.Reason().c_str());
    TankCaseMoments out;
    std::string reason;
    if (model.Solve(loads, 1.0, out, reason) != SolveStatus::Ok) state.SkipWithError(reason.c_str());
    benchmark::DoNotOptimize(out.data());
    unknowns = model.Unknowns();
    nodes = model.Nodes();
    elements = model.Elements();
  }
  state.counters["unknowns"] = unknowns;
  state.counters["nodes"] = nodes;
  state.counters["elements"] = elements;
  state.counters["us_per_unknown"] =
      benchmark::Counter(unknowns * 1e-6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ShellWholeCase)->Arg(2)->Arg(4)->Arg(6)->Arg(8)->Arg(10)->Unit(benchmark::kMillisecond);

// The twelve loadings of an analysis (four cases, three combinations) on a
// model already factorised: one after another, or all in one solve.
void BM_ShellTwelveLoadings(benchmark::State& state) {
  const std::vector<BoardPtr> boards = Tank();
  ShellOptions options;
  options.elementSize = 250.0;
  const ShellTankModel model(boards, std::vector<double>(boards.size(), 30000.0), options);
  if (model.Status() != SolveStatus::Ok) state.SkipWithError(model.Reason().c_str());
  std::vector<ShellLoading> loadings(12);
  for (std::size_t i = 0; i < loadings.size(); ++i) {
    loadings[i].loads = Loads(boards);
    loadings[i].selfWeightFactor = 1.0 + 0.01 * static_cast<double>(i);
  }
  const bool together = state.range(0) != 0;
  for (auto _ : state) {
    std::string reason;
    if (together) {
      std::vector<TankCaseMoments> out;
      if (model.SolveAll(loadings, out, reason) != SolveStatus::Ok) state.SkipWithError(reason.c_str());
      benchmark::DoNotOptimize(out.data());
    } else {
      for (const ShellLoading& l : loadings) {
        TankCaseMoments out;
        if (model.Solve(l.loads, l.selfWeightFactor, out, reason) != SolveStatus::Ok)
          state.SkipWithError(reason.c_str());
        benchmark::DoNotOptimize(out.data());
      }
    }
  }
  state.counters["unknowns"] = model.Unknowns();
}
BENCHMARK(BM_ShellTwelveLoadings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Many loadings (as the cell patterns of a large tank give) on one
// factorised model: solved a block at a time, their moments kept.
void BM_ShellManyLoadings(benchmark::State& state) {
  const std::vector<BoardPtr> boards = Tank();
  ShellOptions options;
  options.elementSize = 250.0;
  const ShellTankModel model(boards, std::vector<double>(boards.size(), 30000.0), options);
  if (model.Status() != SolveStatus::Ok) state.SkipWithError(model.Reason().c_str());
  std::vector<ShellLoading> loadings(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < loadings.size(); ++i) {
    loadings[i].loads = Loads(boards);
    loadings[i].selfWeightFactor = 1.0 + 0.01 * static_cast<double>(i);
  }
  for (auto _ : state) {
    std::string reason;
    std::vector<TankCaseMoments> out;
    if (model.SolveAll(loadings, out, reason) != SolveStatus::Ok) state.SkipWithError(reason.c_str());
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["unknowns"] = model.Unknowns();
  state.counters["loadings"] = static_cast<double>(loadings.size());
}
BENCHMARK(BM_ShellManyLoadings)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

}  // namespace
