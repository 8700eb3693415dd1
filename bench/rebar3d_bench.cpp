// The designed bars of the built-in 3×2-cell example in 3D, as
// `export --rebar3d` writes them: the bars drawn on one layer per zone
// category and the DXF file written.  The tank is built, analysed and
// designed once.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "modelview/CTankRein3DView.h"
#include "platform/Nirvox.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

void BM_Rebar3dDxfGrid3x2(benchmark::State& state) {
  auto designer = std::make_unique<TankDesigner>();
  tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject("grid-3x2"), "grid-3x2"),
                          "grid-3x2");
  if (!designer->Analyse()) {
    state.SkipWithError("analysis failed");
    return;
  }
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("tankdesign-bench-" + std::to_string(::getpid()) + ".dxf");
  CTankRein3DView view(&g_ViewBoard);
  view.m_layerPerCategory = true;
  std::size_t bars = 0;
  for (auto _ : state) {
    view.Clear();
    view.RebuildObject(designer->GetTank());
    ExportPart part;
    part.entities = view.GetEntities();
    part.projection = 1;
    bars = g_ViewBoard.ExportDxf(path.string(), std::vector<ExportPart>{part}).entities;
  }
  state.counters["bars"] = static_cast<double>(bars);
  std::error_code ec;
  std::filesystem::remove(path, ec);
}
BENCHMARK(BM_Rebar3dDxfGrid3x2)->Unit(benchmark::kMillisecond);

}  // namespace
