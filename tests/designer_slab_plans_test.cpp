// The designer's slab plan commands: one plan of each class in the list, the
// scale of the drawing entry and the placement by its upper left corner in
// batch mode, the CAD scale and the prompt otherwise, the notice of an open
// tank, and the rebar label size redrawing the plans' labels.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/HostServices.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <memory>
#include <string>
#include <typeinfo>

namespace {

// A built-in example, analysed and designed.
std::unique_ptr<TankDesigner> Designed(const std::string& name) {
  auto designer = std::make_unique<TankDesigner>();
  tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject(name), name), name);
  if (!designer->Analyse()) return nullptr;
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  return designer;
}

template <class View>
int CountViews(const TankDesigner& designer) {
  const auto& views = designer.GetViews();
  return static_cast<int>(
      std::count_if(views.begin(), views.end(), [](const TankViewPtr& v) { return v && typeid(*v) == typeid(View); }));
}

template <class View>
TankViewPtr FirstView(const TankDesigner& designer) {
  for (const TankViewPtr& v : designer.GetViews())
    if (v && typeid(*v) == typeid(View)) return v;
  return {};
}

long CountKinds(const TankView& view, int mask) {
  EntityKindPairs kinds;
  view.ListEntityKinds(kinds);
  return std::count_if(kinds.begin(), kinds.end(), [mask](const auto& p) { return (p.second & mask) != 0; });
}

class SlabPlanCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
    g_ViewBoard.Reset();
    covered = Designed("buried-two-cell").release();
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
    GetScriptedHost().Reset();
  }
  static TankDesigner* covered;
  static TankDesigner* open;
};
TankDesigner* SlabPlanCommands::covered = nullptr;
TankDesigner* SlabPlanCommands::open = nullptr;

// Batch mode: the scale of the plan's drawing entry, the upper left corner of
// the drawing on the point, the title drawn; a second command replaces the
// first plan of its class and leaves the other class alone.
TEST_F(SlabPlanCommands, BatchPlansTakeTheirEntryScaleAndReplaceTheEarlierPlan) {
  TankDesigner& d = *covered;
  DetailingSettings& detailing = d.GetSettings().GetDetailingSettings();
  const DrawingEntry saved = detailing.GetDrawingEntry(kDrawingBottomSlabPlan);
  detailing.SetDrawingEntry(kDrawingBottomSlabPlan, {"底板配筋图", 50});
  ASSERT_TRUE(d.DrawTopSlabPlan(true, _3dPoint(0, 0, 0)));
  ASSERT_TRUE(d.DrawBottomSlabPlan(true, _3dPoint(100, -20000, 0)));
  ASSERT_TRUE(d.DrawBottomSlabPlan(true, _3dPoint(500, -30000, 0)));
  detailing.SetDrawingEntry(kDrawingBottomSlabPlan, saved);
  EXPECT_EQ(CountViews<BottomBoardReinView>(d), 1);
  EXPECT_EQ(CountViews<TopBoardReinView>(d), 1);

  const TankViewPtr bottom = FirstView<BottomBoardReinView>(d);
  EXPECT_DOUBLE_EQ(bottom->GetScale(), 50.0);
  EXPECT_DOUBLE_EQ(FirstView<TopBoardReinView>(d)->GetScale(), 100.0);
  const Extents box = bottom->GetExtent(kKindMaskPlacementExtent & ~0x2000000);
  EXPECT_NEAR(box.minX, 500.0, 1e-6);
  EXPECT_NEAR(box.maxY, -30000.0, 1e-6);
  // The title stands under the drawing.
  EXPECT_GT(CountKinds(*bottom, 0x2000000), 0);
  EXPECT_LT(bottom->GetExtent(0x2000000).maxY, box.minY);
  EXPECT_TRUE(GetScriptedHost().GetPrompts().empty());
}

// Picking mode: the CAD scale, the user's point; a cancelled placement
// returns false and leaves the empty plan in the list, without a title.
TEST_F(SlabPlanCommands, PickedPlansTakeTheCadScaleAndACancelLeavesAnEmptyPlan) {
  TankDesigner& d = *covered;
  GetScriptedHost().QueueAnswer(PromptAnswer::Point(_3dPoint(0, 0, 0)).Expecting("请选择底面配筋图插入点"));
  ASSERT_TRUE(d.DrawBottomSlabPlan(false, _3dPoint(1e6, 1e6, 0)));
  const TankViewPtr bottom = FirstView<BottomBoardReinView>(d);
  EXPECT_DOUBLE_EQ(bottom->GetScale(), static_cast<double>(GetCurrentScale()));
  const Extents box = bottom->GetExtent(kKindMaskPlacementExtent & ~0x2000000);
  EXPECT_NEAR(box.minX, 0.0, 1e-6);
  EXPECT_NEAR(box.minY, 0.0, 1e-6);

  GetScriptedHost().QueueAnswer(PromptAnswer::Cancel());
  EXPECT_FALSE(d.DrawBottomSlabPlan(false, _3dPoint(0, 0, 0)));
  EXPECT_EQ(CountViews<BottomBoardReinView>(d), 1);
  EXPECT_EQ(CountKinds(*FirstView<BottomBoardReinView>(d), kKindMaskAll), 0);
}

// An open tank: the top slab command gives its notice and changes nothing.
TEST_F(SlabPlanCommands, TopSlabPlanOfAnOpenTankIsANotice) {
  TankDesigner& d = *open;
  const std::size_t views = d.GetViewCount();
  EXPECT_FALSE(d.DrawTopSlabPlan(true, _3dPoint(0, 0, 0)));
  EXPECT_EQ(d.GetViewCount(), views);
  ASSERT_EQ(GetScriptedHost().GetMessages().size(), 1u);
  EXPECT_EQ(GetScriptedHost().GetMessages()[0].text, "没有顶板, 将略去顶板绘制过程");
  EXPECT_TRUE(GetScriptedHost().GetMessages()[0].framework);
  EXPECT_TRUE(d.DrawBottomSlabPlan(true, _3dPoint(0, 0, 0)));
}

// Automatic dimensions: a plan gets its chains once however often it is
// dimensioned (the earlier ones and the title replaced, the title below
// them); a table view is left alone.
TEST_F(SlabPlanCommands, AutoDimensionsReplaceTheEarlierOnesAndSkipOtherViews) {
  TankDesigner& d = *covered;
  ASSERT_TRUE(d.DrawBottomSlabPlan(true, _3dPoint(0, 0, 0)));
  const TankViewPtr bottom = FirstView<BottomBoardReinView>(d);
  d.AutoDimensionPlan(bottom.get());
  const long dimensions = CountKinds(*bottom, kKindDimension);
  const long title = CountKinds(*bottom, 0x2000000);
  EXPECT_GT(dimensions, 0);
  d.AutoDimensionPlan(bottom.get());
  EXPECT_EQ(CountKinds(*bottom, kKindDimension), dimensions);
  EXPECT_EQ(CountKinds(*bottom, 0x2000000), title);
  EXPECT_LT(bottom->GetExtent(0x2000000).maxY, bottom->GetExtent(kKindDimension).minY);

  const auto table = boost::make_shared<ReinTableView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
  d.AddView(table);
  d.AutoDimensionPlan(table.get());
  EXPECT_EQ(CountKinds(*table, kKindMaskAll), 0);
  d.RemoveViewsOfClass<ReinTableView>();
}

// The rebar label size: the plans' labels are erased and drawn again at the
// new size (as many as before, factor × u high); without a plan view the
// factor stays.
TEST_F(SlabPlanCommands, LabelSizeRedrawsThePlanLabels) {
  const double before = GetReinLabelHeight();
  {
    TankDesigner empty;
    empty.SetReinLabelHeight(7.0);
    EXPECT_DOUBLE_EQ(GetReinLabelHeight(), before);
  }
  TankDesigner& d = *covered;
  ASSERT_TRUE(d.DrawBottomSlabPlan(true, _3dPoint(0, 0, 0)));
  const TankViewPtr bottom = FirstView<BottomBoardReinView>(d);
  const long labels = CountKinds(*bottom, 0x1FF0);
  ASSERT_GT(labels, 0);
  d.SetReinLabelHeight(5.0);
  EXPECT_DOUBLE_EQ(GetReinLabelHeight(), 5.0);
  EXPECT_EQ(CountKinds(*bottom, 0x1FF0), labels);
  EntityKindPairs kinds;
  bottom->ListEntityKinds(kinds);
  int texts = 0;
  for (const auto& [entity, kind] : kinds)
    if (kind & 0x1FF0)
      if (const auto text = boost::dynamic_pointer_cast<_Text>(entity)) {
        EXPECT_NEAR(text->GetHeight(), 5.0 * GetDrawingUnit(), 1e-9);
        ++texts;
      }
  EXPECT_GT(texts, 0);
  d.SetReinLabelHeight(before);
}

}  // namespace
