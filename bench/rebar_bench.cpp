// Benchmarks of the section design: the bar selector over the full candidate
// table, and the required areas, bar selection and crack widths of every
// board of the analysed 3 × 2-cell example (18 m × 12 m, walls 4 m high, with
// top slab, buried, groundwater, temperature).
#include "platform/Tobrin.h"
#include "model/TankModeler.h"
#include "rebar/BarSelection.h"
#include "rebar/ReinDesigner.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <benchmark/benchmark.h>

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

void BM_DesignSections3x2(benchmark::State& state) {
  Tank tank;
  ProjectSettings s;
  fixtures::MakeRegularTank(tank, fixtures::RegularLayout(3, 2, true, 18000, 12000));
  s.GetCalcSettings().SetTemperatureConsidered(true);
  TankModeler m;
  m.MarkOuterWallFaces(tank);
  m.ClassifyBoardEdges(tank, 1, 1, 0);
  m.MarkSlabOverhangs(tank, 500);
  rebarfx::AssignGrades(tank, s);
  if (!AnalyseTank(tank, s)) {
    state.SkipWithError(GetLastAnalysisError().c_str());
    return;
  }
  ReinDesignOptions options;
  options.SetSettings(&s);
  ReinDesigner designer;
  for (auto _ : state) {
    designer.ComputeRequiredAreas(tank, options);
    designer.SelectAllReins(tank, options);
    designer.ComputeCrackWidths(tank, options);
  }
  state.counters["boards"] = static_cast<double>(ReinDesigner::DesignBoards(tank).size());
  state.counters["failing"] = static_cast<double>(ReinDesigner::GetFailingGroups(tank).size());
}
BENCHMARK(BM_DesignSections3x2)->Unit(benchmark::kMillisecond);

}  // namespace
