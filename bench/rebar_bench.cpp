// Benchmarks of the section design: the bar selector over the full candidate
// table, and the required areas, bar selection and crack widths of every
// board of the analysed 3 × 2-cell example (examples/grid-3x2.json).
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "rebar/BarSelection.h"
#include "rebar/ReinDesigner.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// One selector over the default table (77 candidates) and a selection per
// required area, from 0 to 3000 mm²/m.
void BM_SelectBestRein(benchmark::State& state) {
  ProjectSettings s;
  int found = 0;
  for (auto _ : state) {
    for (int area = 0; area <= 3000; area += 100) {
      CSelectBestRein selector(ReinSelectInput{&s, static_cast<double>(area), "HRB335", 1.43, 300, 300});
      const ReinCandidate c = selector.Select(false);
      found += c.IsFound();
      benchmark::DoNotOptimize(selector.GetMaxSpacing(c.diameter + 2, c.spacing));
    }
  }
  state.counters["candidates"] = static_cast<double>(s.GetReinGradeTable().GetItems().size());
  state.SetItemsProcessed(state.iterations() * 31);
  benchmark::DoNotOptimize(found);
}
BENCHMARK(BM_SelectBestRein)->Unit(benchmark::kMicrosecond);

// The built-in example grid-3x2, built and analysed as the host does.
void BM_DesignSections3x2(benchmark::State& state) {
  auto designer = std::make_unique<TankDesigner>();
  try {
    tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject("grid-3x2"), "grid-3x2"),
                            "grid-3x2");
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  if (!designer->Analyse()) {
    state.SkipWithError(GetLastAnalysisError().c_str());
    return;
  }
  Tank& tank = designer->GetTank();
  ReinDesignOptions options;
  options.SetSettings(&designer->GetSettings());
  ReinDesigner engine;
  for (auto _ : state) {
    engine.ComputeRequiredAreas(tank, options);
    engine.SelectAllReins(tank, options);
    engine.ComputeCrackWidths(tank, options);
  }
  state.counters["boards"] = static_cast<double>(ReinDesigner::DesignBoards(tank).size());
  state.counters["failing"] = static_cast<double>(ReinDesigner::GetFailingGroups(tank).size());
}
BENCHMARK(BM_DesignSections3x2)->Unit(benchmark::kMillisecond);

}  // namespace
