// Benchmark of the batch drawing (every drawing the default settings enable:
// slab and wall plans with their bars and dimensions, the automatic wall
// sections, the opening details and the rebar schedule) of a designed tank:
// the 3 × 2-cell tank (18 m × 12 m) and a 6 × 6-cell tank (36 m × 36 m); and
// one wall section of each, the first of the automatic sections, drawn again
// and again: its cost should follow the boards the section plane meets.
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "tests/tank_fixtures.h"
#include "views/WallSectionView.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

// The regular tank of the benchmark's cells, designed; false (the state told)
// when it cannot be built or analysed.
bool DesignRegular(benchmark::State& state, TankDesigner& designer) {
  const int cellsX = static_cast<int>(state.range(0)), cellsY = static_cast<int>(state.range(1));
  std::string error;
  if (!designer.NewTank(fixtures::RegularLayout(cellsX, cellsY, true, 6000.0 * cellsX, 6000.0 * cellsY), 0, 0,
                        &error)) {
    state.SkipWithError(error.c_str());
    return false;
  }
  if (!designer.Analyse()) {
    state.SkipWithError(GetLastAnalysisError().c_str());
    return false;
  }
  designer.DesignRein(nullptr);
  designer.SetReinDesigned(true);
  designer.GetSettings().GetDetailingSettings().SetDrawingOptions(kDrawingAll);
  return true;
}

void BM_DrawAll(benchmark::State& state) {
  TankDesigner designer;
  if (!DesignRegular(state, designer)) return;
  for (auto _ : state) {
    designer.ClearViews();
    g_ViewBoard.Reset();
    designer.DrawAll(_3dPoint(0, 0, 0), nullptr);
  }
  state.counters["views"] = static_cast<double>(designer.GetViewCount());
  state.counters["entities"] = static_cast<double>(g_ViewBoard.GetDrawingSize());
  state.counters["zones"] = static_cast<double>(designer.GetTank().GetReinZones().GetZones().size());
}
BENCHMARK(BM_DrawAll)->Args({3, 2})->Args({6, 6})->Unit(benchmark::kMillisecond);

void BM_DrawOneSection(benchmark::State& state) {
  TankDesigner designer;
  if (!DesignRegular(state, designer)) return;
  g_ViewBoard.Reset();
  designer.DrawAll(_3dPoint(0, 0, 0), nullptr);
  std::vector<boost::shared_ptr<Section>> sections = designer.GetSections();
  if (sections.empty()) {
    state.SkipWithError("no section");
    return;
  }
  const auto first = *std::min_element(sections.begin(), sections.end(), [](const auto& a, const auto& b) {
    return a->GetNumber() < b->GetNumber();
  });
  std::size_t entities = 0;
  for (auto _ : state) {
    designer.RemoveViewsOfClass<TankWallReinSectionView>();
    _3dPoint p(0, 0, 0);
    designer.DrawWallSection(first, true, p, nullptr);
    EntityKindPairs kinds;
    designer.GetViews().back()->ListEntityKinds(kinds);
    entities = kinds.size();
  }
  state.counters["sections"] = static_cast<double>(sections.size());
  state.counters["entities"] = static_cast<double>(entities);
}
BENCHMARK(BM_DrawOneSection)->Args({3, 2})->Args({6, 6})->Unit(benchmark::kMillisecond);

}  // namespace
