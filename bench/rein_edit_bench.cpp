// One rebar edit on the designed 3×2 grid: a mark's spacing changed and
// checked by re-design (crack widths and strength of every bar group of the
// mark), its bars laid again and its labels on both slab plans rewritten.
// The iterations alternate between two spacings, so each one is a real edit.
#include "bench/designed_example.h"
#include "view/ReinLabel.h"
#include "views/DrawingViews.h"

#include <boost/make_shared.hpp>

namespace {

void BM_RebarEditGrid3x2(benchmark::State& state) {
  auto designer = benchfx::DesignedExample("grid-3x2", state);
  if (!designer) return;
  Tank& tank = designer->GetTank();
  ViewSettings settings;
  for (int kind : {1, 2}) {
    TankViewPtr view;
    if (kind == 1) view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
    else view = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
    view->Draw(tank, 100, settings, true, _3dPoint(0, 40000.0 * kind, 0));
    view->DrawAllRein(tank, settings);
    designer->AddView(view);
  }
  // The bottom slabs' first face mark laid at a spacing of 150 or more.
  ReinZonePtr zone;
  for (const BoardPtr& slab : tank.GetBottomSlabs())
    for (const ReinZonePtr& z : slab->GetAllZones())
      if (!zone && z->GetCategory() == 2 && z->GetNumber() > 0 && z->GetSpacing() >= 150) zone = z;
  if (!zone) {
    state.SkipWithError("no face mark at 150 mm or more");
    return;
  }
  const int number = zone->GetNumber(), d = zone->GetDiameter(), s = zone->GetSpacing();
  const int grade = GetReinGradeIndexOf(zone->GetGrade());
  bool closer = true;
  for (auto _ : state) {
    const int from = closer ? s : s - 25, to = closer ? s - 25 : s;
    const bool taken = designer->EditReinByNumber(number, false, nullptr, -1, FormatReinText(2, grade, d, from, 0),
                                                  FormatReinText(2, grade, d, to, 0));
    if (!taken) {
      state.SkipWithError(designer->GetLastEditNote().c_str());
      break;
    }
    closer = !closer;
  }
}
BENCHMARK(BM_RebarEditGrid3x2)->Unit(benchmark::kMillisecond);

}  // namespace
