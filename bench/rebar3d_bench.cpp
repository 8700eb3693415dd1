// The designed bars of the built-in 3×2-cell example in 3D, as
// `export --rebar3d` writes them: the bars drawn on one layer per zone
// category and the DXF file written.  The tank is built, analysed and
// designed once.
#include "bench/designed_example.h"
#include "designer/TankDesigner.h"
#include "modelview/CTankRein3DView.h"
#include "platform/Nirvox.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

void BM_Rebar3dDxfGrid3x2(benchmark::State& state) {
  const auto designer = benchfx::DesignedExample("grid-3x2", state);
  if (!designer) return;
  const std::filesystem::path path = benchfx::ScratchPath(".dxf");
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
