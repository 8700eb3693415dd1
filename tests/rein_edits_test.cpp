// Rebar edits on the designed two-cell example: a label or schedule cell
// changed, checked by re-design, written into the model and into every view
// (labels, bubbles, schedule rows) with one mark number; refused edits leave
// the design exactly as it was and say why.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "rebar/BarSelection.h"
#include "tests/host_run.h"
#include "view/ReinLabel.h"
#include "view/ReinScheduleAccess.h"
#include "views/DrawingViews.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A small rebar schedule: one row of seven cell texts per first zone of a
// mark, registered under the zone, each text tagged with its column.
class TestSchedule : public DrawingView, public ReinScheduleAccess, public ReinTableRedraw {
 public:
  using DrawingView::DrawingView;

  void DrawRows(Tank& tank) {
    EraseEntitiesOfKinds(kKindMaskAll, false);
    m_columns.clear();
    const TankReinZones zones = tank.GetReinZones();
    double y = 0.0;
    for (const ReinZonePtr& z : zones.GetZones()) {
      if (!z || !z->IsNumberFirst() || z->GetNumber() <= 0) continue;
      const ReinPtr typical = z->GetTypicalRein();
      const std::string cells[7] = {std::to_string(z->GetNumber()),
                                    "sketch",
                                    std::to_string(z->GetDiameter()),
                                    z->GetSpacing() > 0 ? std::to_string(z->GetSpacing()) : "-",
                                    std::to_string(typical ? static_cast<int>(typical->GetLength()) : 0),
                                    std::to_string(zones.GetCount(z->GetKind(), z->GetNumber())),
                                    std::to_string(zones.GetLength(z->GetKind(), z->GetNumber()))};
      EntityList texts;
      for (int c = 0; c < 7; ++c) {
        auto text = boost::make_shared<_Text>(cells[c], _3dPoint(20.0 * c, y, 0.0), 5.0);
        m_columns[text.get()] = c + 1;
        texts.push_back(text);
      }
      AddEntities(texts, z, std::vector<int>(7, 0x1), {});
      for (const EntityPtr& t : texts) m_pViewBoard->PutEntity(t);
      y -= 10.0;
    }
    ++redraws;
  }
  bool GetScheduleColumn(const EntityPtr& entity, int* column) const override {
    const auto it = m_columns.find(entity.get());
    if (it == m_columns.end()) return false;
    *column = it->second;
    return true;
  }
  bool GetPickedScheduleColumn(const EntityHandle& picked, int* column) const override {
    EntityPtr entity;
    return m_pViewBoard->FindEntity(picked, entity) && GetScheduleColumn(entity, column);
  }
  void ListScheduleRows(ObjectEntityPairs& out) const override { ListObjectEntities(out); }
  void RedrawAfterReinEdit(Tank& tank) override { DrawRows(tank); }

  // The row of a zone: column -> text.
  std::map<int, std::string> Row(const ReinZonePtr& zone) const {
    std::map<int, std::string> row;
    EntityList texts;
    GetObjectEntities(zone, texts);
    for (const EntityPtr& e : texts) {
      int column = 0;
      if (GetScheduleColumn(e, &column)) row[column] = boost::static_pointer_cast<_Text>(e)->GetText();
    }
    return row;
  }
  // The handle of a zone's cell.
  EntityHandle Cell(const ReinZonePtr& zone, int column) const {
    EntityList texts;
    GetObjectEntities(zone, texts);
    for (const EntityPtr& e : texts) {
      int c = 0;
      EntityHandle handle;
      if (GetScheduleColumn(e, &c) && c == column && m_pViewBoard->FindEntityHandle(e, handle)) return handle;
    }
    return EntityHandle();
  }

  int redraws = 0;

 private:
  std::map<const Entity*, int> m_columns;
};

std::string LabelOf(const ReinZonePtr& z, int diameter, int spacing, int gradeIndex = -1) {
  return FormatReinText(2, gradeIndex >= 0 ? gradeIndex : GetReinGradeIndexOf(z->GetGrade()), diameter, spacing, 0);
}
std::string LabelOf(const ReinZonePtr& z) { return LabelOf(z, z->GetDiameter(), z->GetSpacing()); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ReinEdits : public HostCommandTest {
 protected:
  void SetUp() override {
    HostCommandTest::SetUp();
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
    ASSERT_TRUE(designer.Analyse());
    designer.DesignRein(nullptr);
    designer.SetReinDesigned(true);
  }
  // Both slab plans with their bars, the bottom plan twice (a zone drawn in
  // two views), and the schedule.
  void DrawViews() {
    Tank& tank = designer.GetTank();
    ViewSettings settings;
    for (int i = 0; i < 3; ++i) {
      TankViewPtr view;
      if (i == 2) view = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
      else view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
      ASSERT_TRUE(view->Draw(tank, 100, settings, true, _3dPoint(0, 30000.0 * i, 0)));
      view->DrawAllRein(tank, settings);
      designer.AddView(view);
    }
    schedule = boost::make_shared<TestSchedule>(&g_ViewBoard, settings, ViewVolumn());
    schedule->DrawRows(tank);
    designer.AddView(schedule);
    scheduleIndex = static_cast<int>(designer.GetViewCount()) - 1;
  }

  std::vector<ReinZonePtr> Zones(int number) {
    std::vector<ReinZonePtr> zones;
    designer.GetReinZonesByNumber(number, zones);
    return zones;
  }
  int FirstCount(int number) {
    int n = 0;
    for (const ReinZonePtr& z : Zones(number)) n += z->IsNumberFirst() ? 1 : 0;
    return n;
  }
  // Every mark of the tank has exactly one first zone.
  void ExpectOneFirstZonePerMark() {
    std::map<int, int> firsts;
    const TankReinZones zones = designer.GetTank().GetReinZones();
    for (const ReinZonePtr& z : zones.GetZones())
      if (z->GetNumber() > 0) firsts[z->GetNumber()] += z->IsNumberFirst() ? 1 : 0;
    for (const auto& [number, n] : firsts) EXPECT_EQ(n, 1) << "mark " << number;
  }
  // Every bar of the mark's zones carries its zone's diameter and grade.
  void ExpectBarsCarryTheirZone(int number) {
    for (const ReinZonePtr& z : Zones(number))
      for (const ReinPtr& bar : z->GetReins()) {
        EXPECT_EQ(bar->GetDiameter(), z->GetDiameter()) << "mark " << number;
        EXPECT_EQ(bar->GetGrade(), z->GetGrade()) << "mark " << number;
      }
  }
  // The label texts and bubble numbers every view drew for the zone.
  void Drawn(const ReinZonePtr& zone, std::vector<std::string>& labels, std::vector<int>& bubbles) {
    for (const TankViewPtr& view : designer.GetViews()) {
      if (AsReinSchedule(view.get())) continue;
      EntityList entities;
      if (!view->GetObjectEntities(zone, entities)) continue;
      for (const EntityPtr& e : entities) {
        if (const auto mark = boost::dynamic_pointer_cast<Ordinal>(e)) bubbles.push_back(mark->GetNumber());
        else if (const auto text = boost::dynamic_pointer_cast<_Text>(e)) labels.push_back(text->GetText());
      }
    }
  }
  // A bottom-slab face zone of a mark with at least `zones` zones, drawn in
  // a view: one with a label and bubble when there is one (a label group
  // labels one of its zones), else one with drawn bars.
  ReinZonePtr DrawnSlabZone(std::size_t zones, bool first, double minWidth = 0.0, int minSpacing = 150) {
    ReinZonePtr drawn;
    for (const BoardPtr& slab : designer.GetTank().GetBottomSlabs())
      for (const ReinZonePtr& z : slab->GetAllZones()) {
        if (z->GetCategory() != 2 || z->GetNumber() <= 0 || z->IsNumberFirst() != first) continue;
        if (Zones(z->GetNumber()).size() < zones || z->GetSpacing() < minSpacing) continue;
        if (slab->GetFaceValues(z->GetFace() == 0, !z->IsYDirection()).crackWidth < minWidth) continue;
        std::vector<std::string> labels;
        std::vector<int> bubbles;
        Drawn(z, labels, bubbles);
        if (!labels.empty() && !bubbles.empty()) return z;
        std::vector<ViewZonePair> views;
        if (!drawn && designer.GetReinZoneEntities(z, views)) drawn = z;
      }
    return drawn;
  }
  // A wall face zone of a 300 mm wall whose bars give less than 919 mm²/m:
  // as HPB235 they carry less than the minimum ratio's 643.5 mm²/m of
  // HRB335 (0.45·1.43/300 of 300 mm).
  ReinZonePtr WeakWallZone() {
    for (const BoardPtr& wall : designer.GetTank().GetWalls())
      for (const ReinZonePtr& z : wall->GetAllZones())
        if (z->GetCategory() == 2 && z->GetNumber() > 0 && wall->GetThickness() == 300.0 &&
            z->GetGrade() == "HRB335" && AreaPerMetre(z->GetDiameter(), z->GetSpacing()) < 919.0)
          return z;
    return ReinZonePtr();
  }

  TankDesigner designer;
  boost::shared_ptr<TestSchedule> schedule;
  int scheduleIndex = -1;
};

TEST_F(ReinEdits, SpacingOnlyRelaysTheBarsAndReachesEveryView) {
  DrawViews();
  const ReinZonePtr zone = DrawnSlabZone(1, true);
  ASSERT_TRUE(zone);
  const int number = zone->GetNumber(), d = zone->GetDiameter(), s = zone->GetSpacing();
  const std::string grade = zone->GetGrade();
  const TankReinZones before = designer.GetTank().GetReinZones();
  const int countBefore = before.GetCount(zone->GetKind(), number);
  const std::string oldText = LabelOf(zone), newText = LabelOf(zone, d, s - 50);

  PropertyChanges changes;
  designer.GetReinChanges(false, nullptr, -1, oldText, newText, changes);
  ASSERT_EQ(changes, (PropertyChanges{{4, std::to_string(s - 50)}}));

  const int redraws = schedule->redraws;
  ASSERT_TRUE(designer.EditReinByNumber(number, false, nullptr, -1, oldText, newText)) << designer.GetLastEditNote();
  EXPECT_TRUE(designer.IsReinDesigned());
  const int count = designer.GetTank().GetReinZones().GetCount(zone->GetKind(), number);
  EXPECT_GT(count, countBefore);
  for (const ReinZonePtr& z : Zones(number)) {
    EXPECT_EQ(z->GetSpacing(), s - 50);
    EXPECT_EQ(z->GetDiameter(), d);
    EXPECT_EQ(z->GetGrade(), grade);
    std::vector<std::string> labels;
    std::vector<int> bubbles;
    Drawn(z, labels, bubbles);
    for (const std::string& label : labels)
      if (label.find("%%1") != std::string::npos) EXPECT_TRUE(label.ends_with(newText)) << label;
    for (int b : bubbles) EXPECT_EQ(b, number);
  }
  ExpectBarsCarryTheirZone(number);
  ExpectOneFirstZonePerMark();
  // The schedule was drawn again: its row shows the new spacing and count.
  EXPECT_EQ(schedule->redraws, redraws + 1);
  const auto row = schedule->Row(zone);
  EXPECT_EQ(row.at(1), std::to_string(number));
  EXPECT_EQ(row.at(4), std::to_string(s - 50));
  EXPECT_EQ(row.at(6), std::to_string(count));
}

// The crack limit made tight (half the width of a face's designed bars):
// stronger bars still open cracks wider than it.
TEST_F(ReinEdits, CrackWidthRefusalLeavesTheSavedDesignByteIdentical) {
  DrawViews();
  const ReinZonePtr zone = DrawnSlabZone(2, true, 0.05, 0);
  ASSERT_TRUE(zone);
  BoardPtr board;
  for (const BoardPtr& slab : designer.GetTank().GetBottomSlabs())
    for (const ReinZonePtr& z : slab->GetAllZones())
      if (z == zone && !board) board = slab;
  const double width = board->GetFaceValues(zone->GetFace() == 0, !zone->IsYDirection()).crackWidth;
  designer.GetSettings().GetCalcSettings().SetCrackWidthControlled(true);
  designer.GetSettings().GetCalcSettings().SetCrackWidthLimit(0.5 * width);
  SaveDesignFile(designer, Path("before.tkd"));
  const int number = zone->GetNumber();
  // Every zone of the mark, through the schedule's diameter cell, then one
  // zone through its label (it shares its mark, so it would take a new one).
  const EntityHandle cell = schedule->Cell(zone, 3);
  EXPECT_FALSE(designer.EditReinByNumber(number, true, &cell, scheduleIndex, "",
                                         std::to_string(zone->GetDiameter() + 2)));
  EXPECT_NE(designer.GetLastEditNote().find("crack width"), std::string::npos) << designer.GetLastEditNote();
  EXPECT_NE(designer.GetLastEditNote().find(fmt::format("above the limit {:.3f} mm", 0.5 * width)), std::string::npos);
  EXPECT_FALSE(designer.EditReinZone(zone, false, nullptr, -1, LabelOf(zone),
                                     LabelOf(zone, zone->GetDiameter() + 2, zone->GetSpacing())));
  EXPECT_NE(designer.GetLastEditNote().find("crack width"), std::string::npos) << designer.GetLastEditNote();
  SaveDesignFile(designer, Path("after.tkd"));
  EXPECT_TRUE(ReadFile(Path("before.tkd")) == ReadFile(Path("after.tkd")));
  ExpectOneFirstZonePerMark();
  EXPECT_EQ(schedule->Row(zone).at(3), std::to_string(zone->GetDiameter()));
}

TEST_F(ReinEdits, ZoneLeavingASharedMarkTakesOneNewNumberEverywhere) {
  DrawViews();
  for (bool first : {false, true}) {
    SCOPED_TRACE(first ? "first zone of its mark" : "not the first zone");
    const ReinZonePtr zone = DrawnSlabZone(2, first, 0.0, 0);
    ASSERT_TRUE(zone);
    const int oldNumber = zone->GetNumber();
    const std::size_t oldZones = Zones(oldNumber).size();
    const int expected = designer.GetFreeReinNumber();
    const std::string newText = LabelOf(zone, zone->GetDiameter() + 2, zone->GetSpacing());
    ASSERT_TRUE(designer.EditReinZone(zone, false, nullptr, -1, LabelOf(zone), newText))
        << designer.GetLastEditNote();
    EXPECT_EQ(zone->GetNumber(), expected);
    EXPECT_TRUE(zone->IsNumberFirst());
    EXPECT_EQ(Zones(expected).size(), 1u);
    EXPECT_EQ(Zones(oldNumber).size(), oldZones - 1);
    // The old mark keeps one first zone (passed on when the edited zone
    // was it), the new mark has one.
    EXPECT_EQ(FirstCount(oldNumber), 1);
    EXPECT_EQ(FirstCount(expected), 1);
    ExpectOneFirstZonePerMark();
    std::vector<std::string> labels;
    std::vector<int> bubbles;
    Drawn(zone, labels, bubbles);
    for (int b : bubbles) EXPECT_EQ(b, expected);
    for (const std::string& label : labels)
      if (label.find("%%1") != std::string::npos) EXPECT_TRUE(label.ends_with(newText)) << label;
    // The other zones of the old mark keep their bars and number.
    for (const ReinZonePtr& z : Zones(oldNumber)) EXPECT_NE(z->GetDiameter(), zone->GetDiameter());
    ExpectBarsCarryTheirZone(expected);
    // The schedule shows the new mark's row.
    EXPECT_EQ(schedule->Row(zone).at(1), std::to_string(expected));
    EXPECT_EQ(schedule->Row(zone).at(3), std::to_string(zone->GetDiameter()));
  }
}

TEST_F(ReinEdits, EditsBelowTheRequiredAreaAreRefused) {
  const ReinZonePtr zone = WeakWallZone();
  ASSERT_TRUE(zone) << "no wall face bars below 919 mm²/m";
  SaveDesignFile(designer, Path("before.tkd"));
  const int number = zone->GetNumber(), d = zone->GetDiameter(), s = zone->GetSpacing();
  struct Case {
    const char* what;
    std::string text;
    const char* reason;
  };
  const Case cases[] = {
      {"grade only, to HPB235", LabelOf(zone, d, s, 0), "as "},
      {"10@200 under the minimum ratio", LabelOf(zone, 10, 200), "minimum ratio 0.21 % needs 643.5 mm²/m"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(designer.EditReinByNumber(number, false, nullptr, -1, LabelOf(zone), c.text));
    const std::string& note = designer.GetLastEditNote();
    EXPECT_NE(note.find("wall"), std::string::npos) << note;
    EXPECT_NE(note.find("below the requirement"), std::string::npos) << note;
    EXPECT_NE(note.find(c.reason), std::string::npos) << note;
  }
  SaveDesignFile(designer, Path("after.tkd"));
  EXPECT_TRUE(ReadFile(Path("before.tkd")) == ReadFile(Path("after.tkd")));
  // A stronger grade is taken: the bars carry it.
  ASSERT_TRUE(designer.EditReinByNumber(number, false, nullptr, -1, LabelOf(zone), LabelOf(zone, d, s, 2)))
      << designer.GetLastEditNote();
  for (const ReinZonePtr& z : Zones(number)) EXPECT_EQ(z->GetGrade(), "HRB400");
  ExpectBarsCarryTheirZone(number);
}

TEST_F(ReinEdits, ValuesNoBarCanTakeAreRefused) {
  ReinZonePtr support;
  const TankReinZones zones = designer.GetTank().GetReinZones();
  for (const ReinZonePtr& z : zones.GetZones())
    if (z->GetCategory() == 5 && z->GetNumber() > 0 && !z->GetReins().empty()) support = z;
  ASSERT_TRUE(support);
  const ReinZonePtr wall = WeakWallZone();
  ASSERT_TRUE(wall);
  const int n = designer.GetTank().GetReinZones().GetNumberCount();
  struct Case {
    const char* what;
    int number;
    std::string oldText, newText;
    const char* reason;
  };
  const Case cases[] = {
      {"support spacing", support->GetNumber(), LabelOf(support), LabelOf(support, support->GetDiameter(), 150),
       "laid by count"},
      {"code 180", wall->GetNumber(), LabelOf(wall), "%%180" + std::to_string(wall->GetDiameter()) + "@" +
                                                         std::to_string(wall->GetSpacing()),
       "grade code 180"},
      {"spacing 0", wall->GetNumber(), LabelOf(wall), LabelOf(wall, wall->GetDiameter(), 0), "spacing '0'"},
      {"diameter 0", wall->GetNumber(), "%%13112@150", "%%1310@150", "diameter '0'"},
      {"a mark no bars carry", n + 7, LabelOf(wall), LabelOf(wall, 16, 100), "no bars carry mark"},
  };
  SaveDesignFile(designer, Path("before.tkd"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(designer.EditReinByNumber(c.number, false, nullptr, -1, c.oldText, c.newText));
    EXPECT_NE(designer.GetLastEditNote().find(c.reason), std::string::npos) << designer.GetLastEditNote();
  }
  SaveDesignFile(designer, Path("after.tkd"));
  EXPECT_TRUE(ReadFile(Path("before.tkd")) == ReadFile(Path("after.tkd")));
  // A new diameter of the support bars is taken (no spacing is involved).
  ASSERT_TRUE(designer.EditReinByNumber(support->GetNumber(), false, nullptr, -1, LabelOf(support),
                                        LabelOf(support, support->GetDiameter() + 2, 0)))
      << designer.GetLastEditNote();
  EXPECT_EQ(support->GetSpacing(), 0);
  ExpectBarsCarryTheirZone(support->GetNumber());
}

// No view draws the mark: the old values come from the mark's first zone.
TEST_F(ReinEdits, MarkDrawnInNoViewTakesItsOldValuesFromItsZone) {
  const ReinZonePtr wall = WeakWallZone();
  ASSERT_TRUE(wall);
  const int number = wall->GetNumber(), d = wall->GetDiameter(), s = wall->GetSpacing();
  std::vector<ViewZonePair> pairs;
  EXPECT_FALSE(designer.GetReinEntitiesByNumber(number, pairs));
  ASSERT_TRUE(designer.EditReinByNumber(number, false, nullptr, -1, LabelOf(wall), LabelOf(wall, d + 2, s)))
      << designer.GetLastEditNote();
  for (const ReinZonePtr& z : Zones(number)) {
    EXPECT_EQ(z->GetDiameter(), d + 2);
    EXPECT_EQ(z->GetSpacing(), s);
  }
  ExpectBarsCarryTheirZone(number);
}

TEST_F(ReinEdits, ScheduleCells) {
  DrawViews();
  const ReinZonePtr zone = DrawnSlabZone(1, true);
  ASSERT_TRUE(zone);
  const int number = zone->GetNumber();
  const int n = designer.GetTank().GetReinZones().GetNumberCount();
  const auto rowBefore = schedule->Row(zone);

  // The picked cell gives its column as the change.
  const EntityHandle spacingCell = schedule->Cell(zone, 4);
  PropertyChanges changes;
  designer.GetReinChanges(true, &spacingCell, scheduleIndex, "", "100", changes);
  EXPECT_EQ(changes, (PropertyChanges{{4, "100"}}));

  // Length, count and total length follow the bars: nothing changes.
  for (int column : {2, 5, 6, 7}) {
    SCOPED_TRACE(column);
    const EntityHandle cell = schedule->Cell(zone, column);
    ASSERT_TRUE(designer.EditReinByNumber(number, true, &cell, scheduleIndex, "", "999"));
    EXPECT_EQ(schedule->Row(zone), rowBefore);
  }
  // Typed marks: not positive, or carried by other bars, refused.
  const EntityHandle markCell = schedule->Cell(zone, 1);
  const int other = number == 1 ? 2 : 1;
  for (const std::string& typed : {std::string("0"), std::string("-3"), std::to_string(other)}) {
    SCOPED_TRACE(typed);
    EXPECT_FALSE(designer.EditReinByNumber(number, true, &markCell, scheduleIndex, "", typed));
    EXPECT_EQ(zone->GetNumber(), number);
  }
  // A free mark: every zone, bubble and the row take it.
  const std::size_t zones = Zones(number).size();
  ASSERT_TRUE(designer.EditReinByNumber(number, true, &markCell, scheduleIndex, "", std::to_string(n + 3)))
      << designer.GetLastEditNote();
  EXPECT_EQ(Zones(n + 3).size(), zones);
  EXPECT_TRUE(Zones(number).empty());
  EXPECT_EQ(schedule->Row(zone).at(1), std::to_string(n + 3));
  std::vector<std::string> labels;
  std::vector<int> bubbles;
  Drawn(zone, labels, bubbles);
  for (int b : bubbles) EXPECT_EQ(b, n + 3);
}

TEST_F(ReinEdits, FreeNumberIsTheSmallestMarkWithoutAFirstZone) {
  const int n = designer.GetTank().GetReinZones().GetNumberCount();
  ASSERT_GT(n, 3);
  ExpectOneFirstZonePerMark();
  EXPECT_EQ(designer.GetFreeReinNumber(), n + 1);
  for (const ReinZonePtr& z : Zones(3)) z->SetNumberFirst(false);
  EXPECT_EQ(designer.GetFreeReinNumber(), 3);
  // A number outside 1..n on a first zone is ignored.
  for (const ReinZonePtr& z : Zones(2)) z->SetNumber(-2);
  EXPECT_EQ(designer.GetFreeReinNumber(), 2);
}

TEST_F(ReinEdits, LabelChangesAreReadInOrder) {
  struct Case {
    const char* oldText;
    const char* newText;
    PropertyChanges expected;
  };
  const Case cases[] = {
      {"%%13112@150", "%%13112@200", {{4, "200"}}},
      {"%%13112@150", "%%13212@150", {{8, "132"}}},
      {"%%13112@150", "%%13016@100", {{8, "130"}, {3, "16"}, {4, "100"}}},
      // A number missing from the new text is unchanged.
      {"%%13112@150", "%%13114@", {{3, "14"}}},
      {"%%13112@150", "%%13112@150", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.newText);
    PropertyChanges changes;
    designer.GetReinChanges(false, nullptr, -1, c.oldText, c.newText, changes);
    EXPECT_EQ(changes, c.expected);
  }
}

}  // namespace
