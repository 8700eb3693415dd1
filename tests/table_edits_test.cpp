// Rebar edits reaching the drawn tables: an accepted edit draws the rebar
// schedule and the material table again where they stand, so that their
// rows and totals are those of the edited bars; a refused edit leaves them
// as they were.  Also through a schedule cell of a reopened design.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "tests/host_run.h"
#include "view/ReinLabel.h"
#include "views/TableViews.h"

#include <gtest/gtest.h>

#include <boost/pointer_cast.hpp>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

const _3dPoint kSchedulePoint(50000.0, -20000.0, 0.0);
const _3dPoint kMaterialPoint(50000.0, -120000.0, 0.0);

// The texts of a table with their positions, sorted.
using TableTexts = std::vector<std::tuple<std::string, long long, long long>>;

TableTexts TextsOf(const TankTableView& view) {
  EntityList own;
  view.ListOwnEntities(own);
  TableTexts texts;
  for (const EntityPtr& e : own)
    if (const auto t = boost::dynamic_pointer_cast<_Text>(e))
      texts.emplace_back(t->GetText(), std::llround(t->GetPosition().x * 1000.0),
                         std::llround(t->GetPosition().y * 1000.0));
  std::sort(texts.begin(), texts.end());
  return texts;
}

// The tables a fresh drawing of the model gives at the same points.
TableTexts FreshSchedule(TankDesigner& designer, const _3dPoint& at) {
  ReinTableView view(&g_ViewBoard, designer.GetSettings().GetViewSettings(), ViewVolumn());
  view.Draw(designer.GetTank(), 1.0, ViewSettings(), true, at);
  const TableTexts texts = TextsOf(view);
  view.Clear();
  return texts;
}
TableTexts FreshMaterial(TankDesigner& designer, const _3dPoint& at) {
  ReinAmountView view(&g_ViewBoard, designer.GetSettings().GetViewSettings(), ViewVolumn());
  view.Prepare(designer.GetSettings(), designer.GetTank());
  view.Draw(designer.GetTank(), 1.0, ViewSettings(), true, at);
  const TableTexts texts = TextsOf(view);
  view.Clear();
  return texts;
}

template <class View>
std::vector<std::pair<int, boost::shared_ptr<View>>> ViewsOf(const TankDesigner& designer) {
  std::vector<std::pair<int, boost::shared_ptr<View>>> views;
  for (std::size_t i = 0; i < designer.GetViewCount(); ++i) {
    const TankViewPtr view = designer.GetView(static_cast<int>(i));
    if (view && typeid(*view) == typeid(View))
      views.emplace_back(static_cast<int>(i), boost::static_pointer_cast<View>(view));
  }
  return views;
}

// A schedule row's cell texts by column (the sketch left out).
std::map<int, std::string> RowOf(const ReinTableView& view, const ReinZonePtr& zone) {
  std::map<int, std::string> row;
  for (const EntityExtent& cell : view.GetRowEntities(zone))
    if (const auto t = boost::dynamic_pointer_cast<_Text>(cell.m_entity))
      if (cell.m_tag != 2) row[cell.m_tag] = t->GetText();
  return row;
}

std::string LabelOf(const ReinZonePtr& z, int spacing) {
  return FormatReinText(2, GetReinGradeIndexOf(z->GetGrade()), z->GetDiameter(), spacing, 0);
}

// The bars of a mark: count and truncated total length.
std::pair<int, long long> BarsOf(const Tank& tank, const ReinZonePtr& zone) {
  int count = 0;
  double length = 0.0;
  const TankReinZones zones = tank.GetReinZones();
  for (const ReinZonePtr& z : zones.GetZones())
    if (z->GetKind() == zone->GetKind() && z->GetNumber() == zone->GetNumber())
      for (const ReinPtr& bar : z->GetReins()) {
        ++count;
        length += bar->GetLength();
      }
  return {count, static_cast<long long>(length)};
}

class TableEdits : public HostCommandTest {
 protected:
  void Design(bool combined) {
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"),
                            "x");
    ViewSettings vs = designer.GetSettings().GetViewSettings();
    vs.combineTables = combined ? 1 : 0;
    designer.GetSettings().SetViewSettings(vs);
    ASSERT_TRUE(designer.Analyse());
    designer.DesignRein(nullptr);
    designer.SetReinDesigned(true);
    designer.DrawReinTable(true, kSchedulePoint);
    designer.DrawMaterialTable(true, kMaterialPoint);
  }
  // A face zone heading its mark, laid at a spacing of at least 150 mm.
  ReinZonePtr FaceZone() const {
    const TankReinZones zones = designer.GetProject().GetTank().GetReinZones();
    for (const ReinZonePtr& z : zones.GetZones())
      if (z->GetCategory() == 2 && z->GetNumber() > 0 && z->IsNumberFirst() && z->GetSpacing() >= 150 &&
          !z->GetReins().empty())
        return z;
    return ReinZonePtr();
  }
  // The tables of the designer agree with a fresh drawing of the model.
  void ExpectTablesOfTheModel() {
    ASSERT_EQ(ViewsOf<ReinTableView>(designer).size(), 1u);
    ASSERT_EQ(ViewsOf<ReinAmountView>(designer).size(), 1u);
    const TableTexts schedule = TextsOf(*ViewsOf<ReinTableView>(designer).front().second);
    const TableTexts material = TextsOf(*ViewsOf<ReinAmountView>(designer).front().second);
    EXPECT_EQ(schedule, FreshSchedule(designer, kSchedulePoint));
    EXPECT_EQ(material, FreshMaterial(designer, kMaterialPoint));
  }

  void SpacingEdit(bool combined);

  TankDesigner designer;
};

// The scenario "spacing only": the mark's row shows the new spacing and the
// bars' new count and total, the material totals follow, both tables stand
// where they stood (the same views), and the old table entities left the
// drawing.
void TableEdits::SpacingEdit(bool combined) {
  Design(combined);
  const ReinZonePtr zone = FaceZone();
  ASSERT_TRUE(zone);
  const auto schedule = ViewsOf<ReinTableView>(designer).front().second;
  const auto material = ViewsOf<ReinAmountView>(designer).front().second;
  const TableTexts scheduleBefore = TextsOf(*schedule), materialBefore = TextsOf(*material);
  const std::size_t drawing = g_ViewBoard.GetDrawingSize();
  const int number = zone->GetNumber(), s = zone->GetSpacing();
  const auto [countBefore, totalBefore] = BarsOf(designer.GetTank(), zone);
  EXPECT_EQ(RowOf(*schedule, zone).at(6), std::to_string(countBefore));

  ASSERT_TRUE(designer.EditReinByNumber(number, false, nullptr, -1, LabelOf(zone, s), LabelOf(zone, s - 50)))
      << designer.GetLastEditNote();

  EXPECT_EQ(g_ViewBoard.GetDrawingSize(), drawing);
  EXPECT_EQ(ViewsOf<ReinTableView>(designer).front().second, schedule);
  EXPECT_EQ(ViewsOf<ReinAmountView>(designer).front().second, material);
  const auto [count, total] = BarsOf(designer.GetTank(), zone);
  EXPECT_GT(count, countBefore);
  EXPECT_GT(total, totalBefore);
  const std::map<int, std::string> row = RowOf(*schedule, zone);
  EXPECT_EQ(row.at(1), std::to_string(number));
  EXPECT_EQ(row.at(4), std::to_string(s - 50));
  EXPECT_EQ(row.at(6), std::to_string(count));
  EXPECT_EQ(row.at(7), std::to_string(total));
  EXPECT_NE(TextsOf(*schedule), scheduleBefore);
  EXPECT_NE(TextsOf(*material), materialBefore);
  ExpectTablesOfTheModel();
}

TEST_F(TableEdits, AcceptedEditRedrawsTheCombinedTablesWhereTheyStood) { SpacingEdit(true); }
TEST_F(TableEdits, AcceptedEditRedrawsThePartTablesWhereTheyStood) { SpacingEdit(false); }

TEST_F(TableEdits, RefusedEditLeavesTheTablesAsTheyWere) {
  Design(true);
  ReinZonePtr support;
  const TankReinZones zones = designer.GetTank().GetReinZones();
  for (const ReinZonePtr& z : zones.GetZones())
    if (z->GetCategory() == 5 && z->GetNumber() > 0 && z->IsNumberFirst() && !z->GetReins().empty()) support = z;
  ASSERT_TRUE(support);
  const auto schedule = ViewsOf<ReinTableView>(designer).front().second;
  const auto material = ViewsOf<ReinAmountView>(designer).front().second;
  const TableTexts scheduleBefore = TextsOf(*schedule), materialBefore = TextsOf(*material);
  EntityList entitiesBefore;
  schedule->ListOwnEntities(entitiesBefore);

  // A spacing for bars laid by count.
  EXPECT_FALSE(designer.EditReinByNumber(support->GetNumber(), false, nullptr, -1, LabelOf(support, 0),
                                         LabelOf(support, 150)));
  EXPECT_NE(designer.GetLastEditNote().find("laid by count"), std::string::npos) << designer.GetLastEditNote();

  EntityList entitiesAfter;
  schedule->ListOwnEntities(entitiesAfter);
  EXPECT_EQ(entitiesAfter, entitiesBefore);
  EXPECT_EQ(TextsOf(*schedule), scheduleBefore);
  EXPECT_EQ(TextsOf(*material), materialBefore);
}

// Every host edit starts from a reopened design: a schedule cell picked
// there takes the edit, and both tables are drawn again from the model (the
// material table with its concrete, prepared anew from the settings).
TEST_F(TableEdits, ScheduleCellOfAReopenedDesign) {
  Design(false);
  SaveDesignFile(designer, Path("drawn.tkd"));
  designer.ClearViews();
  g_ViewBoard.Reset();
  OpenDesignFile(designer, Path("drawn.tkd"));

  const auto [index, schedule] = ViewsOf<ReinTableView>(designer).front();
  ReinZonePtr zone;
  for (const ReinZonePtr& z : schedule->GetRowZones())
    if (z->GetCategory() == 2 && z->GetSpacing() >= 150 && !zone) zone = z;
  ASSERT_TRUE(zone);
  EntityPtr cell;
  for (const EntityExtent& c : schedule->GetRowEntities(zone))
    if (c.m_tag == 4) cell = c.m_entity;
  EntityHandle handle;
  ASSERT_TRUE(g_ViewBoard.FindEntityHandle(cell, handle));
  int column = 0;
  ASSERT_TRUE(designer.PickReinTableColumn(index, handle, &column));
  EXPECT_EQ(column, 4);
  EXPECT_FALSE(designer.IsReinTableView(ViewsOf<ReinAmountView>(designer).front().first));

  const int s = zone->GetSpacing();
  ASSERT_TRUE(designer.EditReinByNumber(zone->GetNumber(), true, &handle, index, "", std::to_string(s - 50)))
      << designer.GetLastEditNote();
  EXPECT_EQ(zone->GetSpacing(), s - 50);
  EXPECT_EQ(RowOf(*schedule, zone).at(4), std::to_string(s - 50));
  EXPECT_EQ(RowOf(*schedule, zone).at(6), std::to_string(BarsOf(designer.GetTank(), zone).first));
  ExpectTablesOfTheModel();
  // The redrawn cells answer for their zone.
  EntityPtr redrawn;
  for (const EntityExtent& c : schedule->GetRowEntities(zone))
    if (c.m_tag == 4) redrawn = c.m_entity;
  ASSERT_TRUE(g_ViewBoard.FindEntityHandle(redrawn, handle));
  ObjectPtr owner;
  ASSERT_TRUE(designer.GetObjectOfEntity(handle, &owner));
  EXPECT_EQ(owner.get(), zone.get());
}

// A schedule a later batch emptied stays in the list; an edit redraws only
// the schedule that stands on the drawing.
TEST_F(TableEdits, EmptiedScheduleStaysEmpty) {
  Design(true);
  designer.GetSettings().GetDetailingSettings().SetDrawingOptions(kDrawingRebarSchedule);
  designer.DrawAll(kSchedulePoint, nullptr);
  const auto schedules = ViewsOf<ReinTableView>(designer);
  ASSERT_EQ(schedules.size(), 2u);
  EXPECT_TRUE(TextsOf(*schedules[0].second).empty());
  const ReinZonePtr zone = FaceZone();
  ASSERT_TRUE(zone);
  const int s = zone->GetSpacing();
  ASSERT_TRUE(designer.EditReinByNumber(zone->GetNumber(), false, nullptr, -1, LabelOf(zone, s), LabelOf(zone, s - 50)))
      << designer.GetLastEditNote();
  EXPECT_TRUE(TextsOf(*schedules[0].second).empty());
  EXPECT_EQ(TextsOf(*schedules[1].second), FreshSchedule(designer, kSchedulePoint));
}

}  // namespace
