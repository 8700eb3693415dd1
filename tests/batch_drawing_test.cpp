// The batch drawing: the progress it reports for each set of enabled
// drawings, the rows it lays the drawings out in from the insertion point,
// the sections it takes from a section maker, and what a second batch
// leaves of the first.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/HostServices.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

using Reports = std::vector<std::pair<int, std::string>>;
Reports g_reports;
void Record(int percent, std::string text, int* reserved) {
  ASSERT_NE(reserved, nullptr);
  g_reports.emplace_back(percent, std::move(text));
}

constexpr double kGap = 1.3;
const _3dPoint kAt(-20000.0, 50000.0, 0.0);
const std::string kTop = "正在绘制顶板平面图，请稍候...", kBottom = "正在绘制底板平面图，请稍候...",
                  kWall = "正在绘制池壁平面图，请稍候...", kHoles = "正在绘制洞口详图，请稍候...",
                  kSchedule = "正在绘制钢筋表，请稍候...";
std::string SectionText(int n) { return "正在绘制剖面图" + std::to_string(n) + "，请稍候..."; }

// One covered cell (four walls, so four automatic sections) with a
// rectangular opening in a wall and a circular one in the top slab.
const char* const kOneCell = R"({
  "settings": { "model": { "has_top_slab": true } },
  "tank": {
    "origin_mm": [0, 0], "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1, "cells_y": 1,
    "openings": [
      { "board": "top slab 1", "shape": "circle", "center_mm": [3000, 2000], "radius_mm": 350 },
      { "board": "wall 1", "shape": "rectangle", "center_mm": [1500, 2000], "width_mm": 800, "height_mm": 600 }
    ]
  }
})";

std::unique_ptr<TankDesigner> Designed(const std::string& name) {
  auto designer = std::make_unique<TankDesigner>();
  const std::string text = name == "one-cell" ? std::string(kOneCell) : tank::app::ExampleProject(name);
  tank::app::BuildNewTank(*designer, tank::app::ReadProject(text, name), name);
  if (!designer->Analyse()) return nullptr;
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  return designer;
}

template <class View>
std::vector<TankViewPtr> ViewsOf(const TankDesigner& designer) {
  std::vector<TankViewPtr> views;
  for (const TankViewPtr& v : designer.GetViews())
    if (v && typeid(*v) == typeid(View)) views.push_back(v);
  return views;
}

Extents PlanExtent(const TankViewPtr& view) { return view->GetExtent(~0x1FF8); }

// A plan drawn as the batch draws it (placed at the point, with its bars,
// dimensions and title), alone: its extent.
template <class View>
Extents PlanAlone(TankDesigner& designer, bool (TankDesigner::*draw)(bool, _3dPoint), const _3dPoint& at) {
  EXPECT_TRUE((designer.*draw)(true, at));
  const TankViewPtr view = ViewsOf<View>(designer).front();
  designer.DrawViewRein(view.get());
  designer.AutoDimensionPlan(view.get());
  return PlanExtent(view);
}

// The drawing stands as the one drawn alone at kAt, moved to `at`.
void ExpectMovedTo(const Extents& drawn, const Extents& alone, const _3dPoint& at) {
  const double dx = at.x - kAt.x, dy = at.y - kAt.y;
  EXPECT_NEAR(drawn.minX, alone.minX + dx, 1e-6);
  EXPECT_NEAR(drawn.maxX, alone.maxX + dx, 1e-6);
  EXPECT_NEAR(drawn.minY, alone.minY + dy, 1e-6);
  EXPECT_NEAR(drawn.maxY, alone.maxY + dy, 1e-6);
}

// The extent of a row of drawings.
template <class View>
Extents RowExtent(const TankDesigner& designer) {
  Extents row;
  bool first = true;
  for (const TankViewPtr& v : ViewsOf<View>(designer)) {
    const Extents e = v->GetExtent(-1);
    if (first) row = e;
    else row.Extend(e);
    first = false;
  }
  return row;
}

class BatchDrawing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
    g_ViewBoard.Reset();
    covered = Designed("one-cell").release();
    open = Designed("open-single-cell").release();
  }
  static void TearDownTestSuite() {
    delete covered;
    delete open;
    covered = open = nullptr;
    g_ViewBoard.Reset();
  }
  void SetUp() override {
    ASSERT_TRUE(covered && open);
    for (TankDesigner* d : {covered, open}) {
      d->ClearViews();
      d->GetSettings().GetDetailingSettings().SetDrawingOptions(kDrawingAll);
    }
    g_ViewBoard.Reset();
    GetScriptedHost().Reset();
    g_reports.clear();
  }
  // Runs the batch with the options; the reports it made.
  static Reports Run(TankDesigner& designer, int options,
                     const TankDesigner::SectionMaker& sections = TankDesigner::SectionMaker()) {
    designer.GetSettings().GetDetailingSettings().SetDrawingOptions(options);
    g_reports.clear();
    _3dPoint at = kAt;
    designer.DrawAll(at, &Record, sections);
    EXPECT_EQ(at.x, kAt.x);
    EXPECT_EQ(at.y, kAt.y);
    return g_reports;
  }

  static TankDesigner* covered;
  static TankDesigner* open;
};
TankDesigner* BatchDrawing::covered = nullptr;
TankDesigner* BatchDrawing::open = nullptr;

TEST_F(BatchDrawing, ProgressOfEachSetOfDrawings) {
  struct Case {
    const char* what;
    bool covered;
    int options;
    Reports expected;
  };
  const Case cases[] = {
      {"bottom slab plan only", true, kDrawingBottomSlabPlan, {{0, kBottom}, {100, ""}}},
      {"both slab plans", true, kDrawingTopSlabPlan | kDrawingBottomSlabPlan, {{0, kTop}, {50, kBottom}, {100, ""}}},
      // The top slab plan of an open tank: its notice, its report, no plan.
      {"both slab plans, no top slab", false, kDrawingTopSlabPlan | kDrawingBottomSlabPlan,
       {{0, kTop}, {50, kBottom}, {100, ""}}},
      {"no drawing", true, 0, {{100, ""}}},
      {"plans, details and schedule", true,
       kDrawingTopSlabPlan | kDrawingBottomSlabPlan | kDrawingWallPlan | kDrawingOpeningDetails |
           kDrawingRebarSchedule,
       {{0, kTop}, {20, kBottom}, {40, kWall}, {60, kHoles}, {80, kSchedule}, {100, ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TankDesigner& designer = c.covered ? *covered : *open;
    designer.ClearViews();
    GetScriptedHost().Reset();
    EXPECT_EQ(Run(designer, c.options), c.expected);
    const bool notice = (c.options & kDrawingTopSlabPlan) && !c.covered;
    ASSERT_EQ(GetScriptedHost().GetMessages().size(), notice ? 1u : 0u);
    if (notice) EXPECT_EQ(GetScriptedHost().GetMessages()[0].text, "没有顶板, 将略去顶板绘制过程");
    EXPECT_EQ(ViewsOf<TopBoardReinView>(designer).size(), (c.options & kDrawingTopSlabPlan) && c.covered ? 1u : 0u);
    EXPECT_EQ(ViewsOf<BottomBoardReinView>(designer).size(), c.options & kDrawingBottomSlabPlan ? 1u : 0u);
    if (c.options == 0) EXPECT_TRUE(designer.GetViews().empty());
    // Without a top slab plan the bottom slab plan stands at the point.
    if (!c.covered) {
      const Extents e = PlanExtent(ViewsOf<BottomBoardReinView>(designer).front());
      ExpectMovedTo(e, PlanAlone<BottomBoardReinView>(designer, &TankDesigner::DrawBottomSlabPlan, kAt), kAt);
    }
  }
}

// All drawings: the sections report 11 each out of their share of 44, and
// the drawings stand in rows, each 1.3 × the height of the one above lower.
TEST_F(BatchDrawing, AllDrawingsWithFourSections) {
  TankDesigner& designer = *covered;
  const Reports reports = Run(designer, kDrawingAll);
  ASSERT_EQ(designer.GetSections().size(), 4u) << "the automatic sections of one cell";
  const Reports expected = {{0, kTop},           {11, kBottom},         {22, kWall},  {33, SectionText(1)},
                            {44, SectionText(2)}, {55, SectionText(3)}, {66, SectionText(4)}, {77, kHoles},
                            {88, kSchedule},      {100, ""}};
  EXPECT_EQ(reports, expected);

  // The batch's drawings, then each drawn alone at kAt: the batch put each
  // at its running point, which drops by 1.3 × the height of each plan
  // (bars, dimensions and title included) and of each row.
  const Extents top = PlanExtent(ViewsOf<TopBoardReinView>(designer).front());
  const Extents bottom = PlanExtent(ViewsOf<BottomBoardReinView>(designer).front());
  const Extents wall = PlanExtent(ViewsOf<TankWallReinPlanView>(designer).front());
  const Extents sections = RowExtent<TankWallReinSectionView>(designer);
  const Extents details = RowExtent<HoleDetailView>(designer);
  ASSERT_EQ(ViewsOf<TankWallReinSectionView>(designer).size(), 4u);
  ASSERT_EQ(ViewsOf<HoleDetailView>(designer).size(), 2u);
  const std::vector<TankViewPtr> schedules = ViewsOf<ReinTableView>(designer);
  ASSERT_EQ(schedules.size(), 1u);
  const auto& schedule = static_cast<const ReinTableView&>(*schedules.front());
  const _3dPoint scheduleAt = schedule.GetInsertPoint();

  // (The sections alone first: they are cut on the batch's wall plan.)
  _3dPoint sectionsAt = kAt, detailsAt = kAt;
  ASSERT_TRUE(designer.DrawAllSections(sectionsAt, nullptr, 0, nullptr));
  const Extents sectionsAlone = RowExtent<TankWallReinSectionView>(designer);
  ASSERT_TRUE(designer.DrawAllHoleDetails(true, detailsAt));
  const Extents detailsAlone = RowExtent<HoleDetailView>(designer);
  _3dPoint at = kAt;
  ExpectMovedTo(top, PlanAlone<TopBoardReinView>(designer, &TankDesigner::DrawTopSlabPlan, kAt), at);
  at.y -= kGap * (top.maxY - top.minY);
  ExpectMovedTo(bottom, PlanAlone<BottomBoardReinView>(designer, &TankDesigner::DrawBottomSlabPlan, kAt), at);
  at.y -= kGap * (bottom.maxY - bottom.minY);
  ExpectMovedTo(wall, PlanAlone<TankWallReinPlanView>(designer, &TankDesigner::DrawWallPlan, kAt), at);
  at.y -= kGap * (wall.maxY - wall.minY);
  ExpectMovedTo(sections, sectionsAlone, at);
  at.y += sectionsAt.y - kAt.y;
  ExpectMovedTo(details, detailsAlone, at);
  at.y += detailsAt.y - kAt.y;
  EXPECT_NEAR(scheduleAt.x, at.x, 1e-6);
  EXPECT_NEAR(scheduleAt.y, at.y, 1e-6);
  // The schedule takes the scale of its drawing entry; its rows stand.
  EXPECT_EQ(schedule.GetScale(),
            designer.GetSettings().GetDetailingSettings().GetDrawingEntry(kDrawingRebarSchedule).scale);
  EXPECT_FALSE(schedule.GetRowZones().empty());
}

// A second batch replaces the plans, sections and details, and empties the
// earlier schedule, which stays in the list.
TEST_F(BatchDrawing, SecondBatchEmptiesTheEarlierSchedule) {
  TankDesigner& designer = *covered;
  Run(designer, kDrawingAll);
  const std::size_t sections = ViewsOf<TankWallReinSectionView>(designer).size();
  const std::size_t details = ViewsOf<HoleDetailView>(designer).size();
  Run(designer, kDrawingAll, [](TankDesigner&) {});
  for (std::size_t n : {ViewsOf<TopBoardReinView>(designer).size(), ViewsOf<BottomBoardReinView>(designer).size(),
                        ViewsOf<TankWallReinPlanView>(designer).size()})
    EXPECT_EQ(n, 1u);
  // The sections of the first batch were cut on the wall plan the second
  // one replaced: none is left to draw.
  EXPECT_EQ(sections, 4u);
  EXPECT_TRUE(ViewsOf<TankWallReinSectionView>(designer).empty());
  EXPECT_EQ(ViewsOf<HoleDetailView>(designer).size(), details);
  const std::vector<TankViewPtr> schedules = ViewsOf<ReinTableView>(designer);
  ASSERT_EQ(schedules.size(), 2u);
  EXPECT_TRUE(static_cast<const ReinTableView&>(*schedules[0]).GetRowZones().empty());
  EXPECT_TRUE(static_cast<const ReinTableView&>(*schedules[0]).GetTableEntities().empty());
  EXPECT_FALSE(static_cast<const ReinTableView&>(*schedules[1]).GetRowZones().empty());
}

// The section step alone takes the whole of 100: with a maker that defines
// no section, nothing is reported but the end, and nothing drawn; with the
// automatic sections and one defined before, each reports its part.
TEST_F(BatchDrawing, SectionStepAlone) {
  TankDesigner& designer = *covered;
  EXPECT_EQ(Run(designer, kDrawingSection, [](TankDesigner&) {}), (Reports{{100, ""}}));
  EXPECT_TRUE(ViewsOf<TankWallReinSectionView>(designer).empty());
  // With a wall plan in the list the automatic sections are cut on it and
  // added to a section defined there before; all of them share the 100.
  ASSERT_TRUE(designer.DrawWallPlan(true, kAt));
  const Extents plan = PlanExtent(ViewsOf<TankWallReinPlanView>(designer).front());
  const double x = plan.minX + 0.3 * (plan.maxX - plan.minX);
  ASSERT_TRUE(designer.DefineSection(_2dLine(_2dPoint(x, plan.maxY + 500.0), _2dPoint(x, plan.minY - 500.0)),
                                     _2dPoint(x + 500.0, 0.5 * (plan.minY + plan.maxY)), 1, {}, {}));
  const Reports reports = Run(designer, kDrawingSection);
  const std::size_t n = designer.GetSections().size();
  ASSERT_EQ(n, 5u) << "one defined, four automatic";
  ASSERT_EQ(reports.size(), n + 1);
  for (std::size_t i = 0; i < n; ++i)
    EXPECT_EQ(reports[i], std::make_pair(static_cast<int>(i * (100 / n)), SectionText(static_cast<int>(i + 1))));
  EXPECT_EQ(reports.back(), std::make_pair(100, std::string()));
  EXPECT_EQ(ViewsOf<TankWallReinSectionView>(designer).size(), n);
}

}  // namespace
