// Benchmarks of model editing: a tank built from the wall face lines of a
// 6 × 6-cell plan drawing (84 walls), and one edit with the redraw of the
// model plan on that tank.
#include "designer/TankDesigner.h"
#include "modelview/TankModel2DView.h"
#include "platform/HostServices.h"

#include <benchmark/benchmark.h>

#include <boost/make_shared.hpp>

namespace {

// The face lines of an n × n grid of cells (4000 mm between wall axes,
// walls 300 mm thick): the outer faces and every cell's inner faces.
EntityList GridFaceLines(int n) {
  const double cell = 4000, h = 150, size = cell * n;
  EntityList lines;
  auto line = [&lines](double x0, double y0, double x1, double y1) {
    auto l = boost::make_shared<_3dLine>(_3dPoint(x0, y0, 0), _3dPoint(x1, y1, 0));
    l->SetLayer("WALL");
    lines.push_back(l);
  };
  line(-h, -h, size + h, -h);
  line(size + h, -h, size + h, size + h);
  line(size + h, size + h, -h, size + h);
  line(-h, size + h, -h, -h);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const double x0 = i * cell + h, y0 = j * cell + h, x1 = (i + 1) * cell - h, y1 = (j + 1) * cell - h;
      line(x0, y0, x1, y0);
      line(x1, y0, x1, y1);
      line(x1, y1, x0, y1);
      line(x0, y1, x0, y0);
    }
  return lines;
}

void BM_BuildTankFromFaceLines(benchmark::State& state) {
  const EntityList lines = GridFaceLines(6);
  const std::vector<boost::shared_ptr<VekObject>> picked(lines.begin(), lines.end());
  ProjectSettings settings;
  for (auto _ : state) {
    Tank tank;
    TankModeler().BuildTankFromCurves(picked, settings, tank);
    benchmark::DoNotOptimize(tank.GetWalls().size());
    if (tank.GetWalls().size() != 84) state.SkipWithError("wrong number of walls");
  }
}
BENCHMARK(BM_BuildTankFromFaceLines)->Unit(benchmark::kMillisecond);

// The designer's command: the build, the joints of the new tank and the
// redrawn model plan.
void BM_BuildTankCommandWithRedraw(benchmark::State& state) {
  const EntityList lines = GridFaceLines(6);
  for (auto _ : state) {
    g_ViewBoard.Reset();
    TankDesigner designer;
    designer.BuildTankFromCurves(lines, 0, 0);
    benchmark::DoNotOptimize(designer.GetViewCount());
  }
  g_ViewBoard.Reset();
}
BENCHMARK(BM_BuildTankCommandWithRedraw)->Unit(benchmark::kMillisecond);

// One edit with its redraw: a wall's thickness changed back and forth.
void BM_OneEditWithRedraw(benchmark::State& state) {
  g_ViewBoard.Reset();
  TankDesigner designer;
  designer.BuildTankFromCurves(GridFaceLines(6), 0, 0);
  const BoardPtr wall = designer.GetTank().GetWalls()[40];
  int thickness = 150;
  for (auto _ : state) {
    EntityList entities;
    for (const auto& v : designer.GetViews())
      if (auto* plan = dynamic_cast<TankModel2DView*>(v.get())) plan->GetObjectEntities(wall, entities);
    EntityHandle handle;
    g_ViewBoard.FindEntityHandle(entities.front(), handle);
    thickness = thickness == 150 ? 200 : 150;
    if (!designer.SetBoardThickness({handle}, thickness, thickness, 0, 0)) state.SkipWithError("edit refused");
  }
  g_ViewBoard.Reset();
}
BENCHMARK(BM_OneEditWithRedraw)->Unit(benchmark::kMillisecond);

}  // namespace
