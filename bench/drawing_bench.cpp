// Benchmarks of the slab reinforcement plans as `tankdesign draw` makes them:
// both plans (top, then bottom, one below the other) with every bar, label,
// range dimension and section mark and the automatic dimensions, on the
// 3 × 2-cell example and on a 6 × 6-cell tank (36 m × 36 m, as the design
// benchmark builds it); and the export of both plans (DXF, SVG, PNG).  The
// cost of drawing should grow no faster than the number of zones.
#include "bench/designed_example.h"
#include "tests/tank_fixtures.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

// The 6 × 6-cell tank designed as the host designs a new tank.
std::unique_ptr<TankDesigner> DesignedGrid6x6(benchmark::State& state) {
  auto designer = std::make_unique<TankDesigner>();
  std::string why;
  if (!designer->NewTank(fixtures::RegularLayout(6, 6, true, 36000.0, 36000.0), 0, 0, &why)) {
    state.SkipWithError(why.c_str());
    return nullptr;
  }
  designer->AssignDefaultGrades();
  designer->MarkOuterWallFaces();
  designer->ApplyDefaultEdgeRestraints();
  designer->BuildEars();
  if (!designer->Analyse()) {
    state.SkipWithError("analysis failed");
    return nullptr;
  }
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  return designer;
}

// Both slab plans with their bars and automatic dimensions; the plan views
// of the designer's list afterwards.
ViewList DrawBothPlans(TankDesigner& designer) {
  _3dPoint p(0.0, 0.0, 0.0);
  ViewList plans;
  for (bool top : {true, false}) {
    const bool ok = top ? designer.DrawTopSlabPlan(true, p) : designer.DrawBottomSlabPlan(true, p);
    if (!ok) continue;
    const TankViewPtr view = TankDesigner::FilterPlanViews(designer.GetViews(), true).back();
    designer.DrawViewRein(view.get());
    designer.AutoDimensionPlan(view.get());
    const Extents e = view->GetExtent(~0x1FF8);
    p.y -= (e.maxY - e.minY) * (1.0 + g_DrawingGapRatio);
    plans.push_back(view);
  }
  return plans;
}

void CountEntities(benchmark::State& state, const ViewList& plans) {
  EntityKindPairs kinds;
  for (const TankViewPtr& view : plans) view->ListEntityKinds(kinds);
  int bars = 0;
  for (const auto& [entity, kind] : kinds)
    if (kind == kKindReinLine) ++bars;
  state.counters["entities"] = static_cast<double>(kinds.size());
  state.counters["bars"] = bars;
}

void BM_DrawSlabPlans(benchmark::State& state) {
  g_ViewBoard.Reset();
  const std::unique_ptr<TankDesigner> designer =
      state.range(0) == 6 ? benchfx::DesignedExample("grid-3x2", state) : DesignedGrid6x6(state);
  if (!designer) return;
  ViewList plans;
  for (auto _ : state) plans = DrawBothPlans(*designer);
  CountEntities(state, plans);
  state.counters["boards"] = static_cast<double>(designer->GetTank().GetBoards().size());
}
BENCHMARK(BM_DrawSlabPlans)->Arg(6)->Arg(36)->Unit(benchmark::kMillisecond);

void BM_ExportSlabPlans(benchmark::State& state) {
  g_ViewBoard.Reset();
  const std::unique_ptr<TankDesigner> designer = benchfx::DesignedExample("grid-3x2", state);
  if (!designer) return;
  const ViewList plans = DrawBothPlans(*designer);
  const std::filesystem::path dxf = benchfx::ScratchPath(".dxf"), svg = benchfx::ScratchPath(".svg"),
                              png = benchfx::ScratchPath(".png");
  PreviewOptions preview;
  preview.projection = 0;
  for (auto _ : state)
    for (const TankViewPtr& view : plans) {
      EntityKindPairs kinds;
      view->ListEntityKinds(kinds);
      EntityList entities;
      for (const auto& [entity, kind] : kinds) entities.push_back(entity);
      g_ViewBoard.ExportDxf(dxf.string(), entities);
      g_ViewBoard.ExportSvg(svg.string(), entities, preview);
      g_ViewBoard.ExportPng(png.string(), entities, preview);
    }
  for (const auto& path : {dxf, svg, png}) std::filesystem::remove(path);
  CountEntities(state, plans);
}
BENCHMARK(BM_ExportSlabPlans)->Unit(benchmark::kMillisecond);

}  // namespace
