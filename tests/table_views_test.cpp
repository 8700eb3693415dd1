// The drawn tables: the table layout, the bar sketch of the schedule, the
// rebar schedule and the material table against the designed bars, the
// material table's figures, the filing of the tables with the design, their
// CSV files and the result-table captions.
#include "app/DesignFiles.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "app/TableCsv.h"
#include "designer/TankDesigner.h"
#include "platform/Dusmet.h"
#include "platform/Tobrin.h"
#include "tests/export_readers.h"
#include "tests/host_run.h"
#include "view/ModuleStart.h"
#include "views/TableViews.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace {

constexpr double kTol = 1e-6;

// One cell with openings of every kind: a bottom-slab rectangle near a
// corner, a top-slab circle r = 600, a wall circle r = 250, two equal wall
// openings, two openings stacked in one wall, and a notch.
const char* const kOpeningsProject = R"({
  "settings": {
    "geometry": { "bottom_slab_top_elevation_m": -4.5, "tank_top_elevation_m": -0.5,
                  "bottom_slab_thickness_mm": 400, "top_slab_thickness_mm": 250, "wall_thickness_mm": 300 },
    "model": { "has_top_slab": true }
  },
  "tank": {
    "origin_mm": [0, 0], "length_x_mm": 6000, "length_y_mm": 6000, "cells_x": 1, "cells_y": 1,
    "openings": [
      { "board": "bottom slab 1", "shape": "rectangle", "center_mm": [900, 800], "width_mm": 600, "height_mm": 400 },
      { "board": "top slab 1", "shape": "circle", "center_mm": [3000, 3000], "radius_mm": 600 },
      { "board": "wall 1", "shape": "circle", "center_mm": [1500, 2000], "radius_mm": 250 },
      { "board": "wall 2", "shape": "rectangle", "center_mm": [1500, 2000], "width_mm": 800, "height_mm": 600 },
      { "board": "wall 2", "shape": "rectangle", "center_mm": [4500, 2000], "width_mm": 800, "height_mm": 600 },
      { "board": "wall 3", "shape": "rectangle", "center_mm": [3000, 1200], "width_mm": 1000, "height_mm": 500 },
      { "board": "wall 3", "shape": "rectangle", "center_mm": [3000, 3000], "width_mm": 1000, "height_mm": 500 }
    ],
    "notches": [ { "board": "wall 4", "outline_mm": [[2000, 3000], [2600, 3000], [2600, 3400], [2000, 3400]] } ]
  }
})";

std::unique_ptr<TankDesigner> Designed(const std::string& name) {
  auto designer = std::make_unique<TankDesigner>();
  const std::string text = name == "openings" ? std::string(kOpeningsProject) : tank::app::ExampleProject(name);
  tank::app::BuildNewTank(*designer, tank::app::ReadProject(text, name), name);
  EXPECT_TRUE(designer->Analyse()) << name << ": " << GetLastAnalysisError();
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  return designer;
}

std::vector<std::string> DesignNames() {
  std::vector<std::string> names = tank::app::ExampleNames();
  names.push_back("openings");
  return names;
}

// A schedule row as drawn: its zone, its texts by column, its sketches.
struct DrawnRow {
  ReinZonePtr zone;
  std::map<int, std::vector<std::string>> texts;
  int sketches = 0;
};

std::vector<DrawnRow> DrawnRows(const ReinTableView& view) {
  std::vector<DrawnRow> rows;
  for (const ReinZonePtr& zone : view.GetRowZones()) {
    DrawnRow row{zone, {}, 0};
    for (const EntityExtent& cell : view.GetRowEntities(zone)) {
      if (auto t = boost::dynamic_pointer_cast<_Text>(cell.m_entity))
        row.texts[cell.m_tag].push_back(t->GetText());
      else if (boost::dynamic_pointer_cast<_2dPolyline>(cell.m_entity))
        ++row.sketches;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string Text(const DrawnRow& row, int column) {
  const auto it = row.texts.find(column);
  return it == row.texts.end() || it->second.size() != 1 ? "<none>" : it->second.front();
}

int PartOfKind(int kind, bool combined) {
  if (combined) return kTablePartTank;
  return kind == 1 ? kTablePartTopSlab : kind == 16 ? kTablePartBottomSlab : kTablePartWalls;
}

std::vector<boost::shared_ptr<_Text>> TextsOf(const EntityList& entities) {
  std::vector<boost::shared_ptr<_Text>> texts;
  for (const EntityPtr& e : entities)
    if (auto t = boost::dynamic_pointer_cast<_Text>(e)) texts.push_back(t);
  return texts;
}

std::string Fixed0(double v) {
  char b[64];
  std::snprintf(b, sizeof b, "%.0f", v);
  return b;
}

class Tables : public HostCommandTest {};

// ---------------------------------------------------------------------------
// Table layout

TEST(TableLayout, CellCentresCountOnlyTheRowsAboveAndTheColumnsLeft) {
  struct Case {
    std::vector<double> widths, heights;
    int row, column;
    _3dPoint centre;
  };
  const Case cases[] = {
      {{7.0}, {3.0}, 0, 0, {3.5, -1.5, 0}},                        // one cell: (w/2, -h/2)
      {{20.0}, {20.0, 27.0, 15.0}, 2, 0, {10.0, -54.5, 0}},        // 15/2 - 62
      {{20.0, 70.0}, {20.0}, 0, 1, {55.0, -10.0, 0}},
  };
  for (const Case& c : cases) {
    CViewReinForm form;
    for (double w : c.widths) form.m_columns.push_back({w, 0});
    form.m_rowHeights = c.heights;
    const _3dPoint before = form.CellCenter(c.row, c.column);
    form.m_columns.push_back({500.0, 9});  // columns appended later move nothing
    form.m_rowHeights.push_back(80.0);
    const _3dPoint after = form.CellCenter(c.row, c.column);
    for (const _3dPoint& p : {before, after}) {
      EXPECT_NEAR(p.x, c.centre.x, kTol);
      EXPECT_NEAR(p.y, c.centre.y, kTol);
      EXPECT_EQ(p.z, 0.0);
    }
  }
}

// ---------------------------------------------------------------------------
// Bar sketch

_2dPolyline Bar(std::vector<_3dPoint> points, std::vector<double> bulges = {}) {
  _2dPolyline bar(points);
  if (!bulges.empty()) bar.SetBulges(bulges);
  return bar;
}

double SegmentLength(const _2dPolyline& p, int i) {
  return g_VekGeometryComm.Distance3d(p.GetVertexAt(i), p.GetVertexAt(i + 1));
}

TEST_F(Tables, SketchKeepsAnglesAndProportionsAndShowsTrueLengths) {
  const double u = GetDrawingUnit();
  // A straight bar running up and across: a horizontal sketch, one text
  // 2.3u above its middle, the bar's true length truncated.
  {
    _2dPolyline sketch;
    const _2dPolyline bar = Bar({{0, 0, 0}, {1000.9, 1000.9, 1000.9}});
    MakeBarSketch(g_ViewBoard, 60 * u, bar, sketch);
    ASSERT_EQ(sketch.VerNums(), 2);
    EXPECT_NEAR(sketch.GetVertexAt(0).y, sketch.GetVertexAt(1).y, kTol);
    EXPECT_GT(sketch.GetVertexAt(1).x, sketch.GetVertexAt(0).x);
    const auto texts = DrawSegmentLengths(sketch, bar, u);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->GetText(), "1733");  // 1000.9 × √3 = 1733.6
    EXPECT_NEAR(texts[0]->GetPosition().y - sketch.GetVertexAt(0).y, 2.3 * u, kTol);
    EXPECT_NEAR(texts[0]->GetPosition().x, (sketch.GetVertexAt(0).x + sketch.GetVertexAt(1).x) / 2, kTol);
    EXPECT_EQ(texts[0]->GetHorizontalAlign(), _Text::kCenter);
    EXPECT_EQ(texts[0]->GetVerticalAlign(), _Text::kMiddle);
    EXPECT_NEAR(texts[0]->GetHeight(), 3 * u, kTol);
  }
  // A bar bent at a right angle in a vertical plane, legs 300 and 1200: the
  // sketch keeps the right angle and the ratio of the legs, and fits 60u
  // less a text size on each side.
  {
    _2dPolyline sketch;
    const _2dPolyline bar = Bar({{0, 0, 300}, {0, 0, 0}, {0, 1200, 0}});
    MakeBarSketch(g_ViewBoard, 60 * u, bar, sketch);
    ASSERT_EQ(sketch.VerNums(), 3);
    const _3dVector a = sketch.GetVertexAt(0) - sketch.GetVertexAt(1);
    const _3dVector b = sketch.GetVertexAt(2) - sketch.GetVertexAt(1);
    EXPECT_NEAR(a.DotProduct(b), 0.0, 1e-6 * a.GetLength() * b.GetLength());
    EXPECT_NEAR(SegmentLength(sketch, 1) / SegmentLength(sketch, 0), 4.0, 1e-9);
    const double textSize = g_ViewBoard.MeasureText("8", 3);
    EXPECT_NEAR(SegmentLength(sketch, 1), 60 * u - 2 * textSize, 1e-6);
    const auto texts = DrawSegmentLengths(sketch, bar, u);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->GetText(), "300");
    EXPECT_EQ(texts[1]->GetText(), "1200");
  }
}

TEST_F(Tables, SegmentTextsReadFromLeftToRightOrUpwards) {
  const double u = GetDrawingUnit();
  struct Case {
    _3dPoint to;             // the segment runs from the origin to here
    double angle;            // text rotation
    _2dVector side;          // where the text stands from the middle
  };
  const Case cases[] = {
      {{-1000, 0, 0}, 0.0, {0, 1}},              // a = π: above
      {{0, -1000, 0}, 0.5 * g_Pi, {1, 0}},       // a = 1.5π: to the right
      {{0, 1000, 0}, 0.5 * g_Pi, {1, 0}},        // a = π/2: to the right
      {{1000, 0, 0}, 0.0, {0, 1}},               // a = 0: above
  };
  for (const Case& c : cases) {
    const _2dPolyline sketch = Bar({{0, 0, 0}, c.to});
    const auto texts = DrawSegmentLengths(sketch, sketch, u);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NEAR(texts[0]->GetRotation(), c.angle, kTol) << c.to.x << "," << c.to.y;
    const _3dPoint p = texts[0]->GetPosition();
    EXPECT_NEAR(p.x - c.to.x / 2, c.side.x * 2.3 * u, kTol);
    EXPECT_NEAR(p.y - c.to.y / 2, c.side.y * 2.3 * u, kTol);
  }
  // A bulged segment gets no length; a bar of arcs only (a ring) gets one,
  // its diameter.
  const _2dPolyline hooked = Bar({{0, 0, 0}, {1000, 0, 0}, {1000, 100, 0}}, {0.0, 1.0, 0.0});
  const auto hookTexts = DrawSegmentLengths(hooked, hooked, u);
  ASSERT_EQ(hookTexts.size(), 1u);
  EXPECT_EQ(hookTexts[0]->GetText(), "1000");
  const _2dPolyline ring = Bar({{0, 0, 0}, {624, 0, 0}, {0, 0, 0}}, {1.0, 1.0, 0.0});
  const auto ringTexts = DrawSegmentLengths(ring, ring, u);
  ASSERT_EQ(ringTexts.size(), 1u);
  EXPECT_EQ(ringTexts[0]->GetText(), "624");
  // Fewer than two vertices: no sketch and no text.
  _2dPolyline none;
  MakeBarSketch(g_ViewBoard, 60 * u, Bar({{1, 2, 3}}), none);
  EXPECT_EQ(none.VerNums(), 0);
  EXPECT_TRUE(DrawSegmentLengths(none, none, u).empty());
}

TEST_F(Tables, FarFaceSketchIsTurnedAboutItsBoxCentre) {
  _2dPolyline near = Bar({{0, 0, 0}, {100, 0, 0}, {100, 40, 0}});
  _2dPolyline far = near;
  const auto zone = boost::make_shared<ReinZone>();
  ZoneBoardMap farZones;
  const _3dPoint target(500, -300, 0);
  ReinTableView::PlaceBarSketch(farZones, zone, near, target);
  farZones[zone].push_back(BoardPtr());
  ReinTableView::PlaceBarSketch(farZones, zone, far, target);
  // Box centre (50, 20) goes to the target; the far one is turned by π.
  EXPECT_NEAR(near.GetVertexAt(2).x, 550, kTol);
  EXPECT_NEAR(near.GetVertexAt(2).y, -280, kTol);
  EXPECT_NEAR(far.GetVertexAt(2).x, 450, kTol);
  EXPECT_NEAR(far.GetVertexAt(2).y, -320, kTol);
  EXPECT_NEAR(far.GetVertexAt(0).x, 550, kTol);
}

// ---------------------------------------------------------------------------
// The schedule and the material table against the designed bars

// Bars and total length of every (kind, mark), counted here bar by bar.
std::map<std::pair<int, int>, std::pair<int, double>> CountBars(const Tank& tank) {
  std::map<std::pair<int, int>, std::pair<int, double>> bars;
  const TankReinZones zones = tank.GetReinZones();
  for (const ReinZonePtr& zone : zones.GetZones()) {
    if (zone->GetNumber() <= 0 || zone->GetReins().empty()) continue;
    auto& [count, length] = bars[{zone->GetKind(), zone->GetNumber()}];
    for (const ReinPtr& rein : zone->GetReins()) {
      ++count;
      length += rein->GetLength();
    }
  }
  return bars;
}

// Each row is its zone; every numbered zone with bars stands in exactly one
// row; the material table's steel is the schedule's, per part, grade and
// diameter, at 0.0061261005 × d² kg per metre, and each grade total is the
// sum of its weights.
void CheckTables(TankDesigner& designer, bool combined) {
  Tank& tank = designer.GetTank();
  ViewSettings vs = designer.GetSettings().GetViewSettings();
  vs.combineTables = combined ? 1 : 0;
  designer.GetSettings().SetViewSettings(vs);
  g_ViewBoard.Reset();
  ReinTableView schedule(&g_ViewBoard, vs, ViewVolumn());
  schedule.Draw(tank, 1.0, ViewSettings(), true, _3dPoint(0, 0, 0));
  const std::vector<DrawnRow> rows = DrawnRows(schedule);
  const auto bars = CountBars(tank);
  EXPECT_FALSE(rows.empty());

  std::map<std::pair<int, int>, int> rowsPerMark;
  double rowTotals = 0.0, barTotals = 0.0;
  // part → (grade, diameter) → length from the schedule's total cells
  std::map<int, std::map<std::pair<int, int>, long long>> scheduleSteel;
  for (const DrawnRow& row : rows) {
    const ReinZonePtr& z = row.zone;
    SCOPED_TRACE("mark " + std::to_string(z->GetNumber()));
    ++rowsPerMark[{z->GetKind(), z->GetNumber()}];
    const auto found = bars.find({z->GetKind(), z->GetNumber()});
    ASSERT_NE(found, bars.end());
    EXPECT_EQ(Text(row, 1), std::to_string(z->GetNumber()));
    EXPECT_EQ(Text(row, 3), std::to_string(z->GetDiameter()));
    EXPECT_EQ(Text(row, 4), z->GetSpacing() > 0 ? std::to_string(z->GetSpacing()) : "-");
    EXPECT_EQ(Text(row, 5), std::to_string(static_cast<long long>(z->GetTypicalRein()->GetLength())));
    EXPECT_EQ(Text(row, 6), std::to_string(found->second.first));
    EXPECT_EQ(Text(row, 7), std::to_string(static_cast<long long>(found->second.second)));
    EXPECT_EQ(row.sketches, 1);
    rowTotals += std::stod(Text(row, 7));
    scheduleSteel[PartOfKind(z->GetKind(), combined)][{GetReinGradeIndexOf(z->GetGrade()), z->GetDiameter()}] +=
        std::stoll(Text(row, 7));
  }
  for (const auto& [mark, counted] : bars) {
    EXPECT_EQ(rowsPerMark[mark], 1) << "kind " << mark.first << " mark " << mark.second;
    barTotals += counted.second;
  }
  EXPECT_NEAR(rowTotals, barTotals, static_cast<double>(rows.size()) + kTol);

  // The material table's figures and its drawing.
  std::vector<MaterialSteelRow> steel;
  std::vector<MaterialConcreteRow> concrete;
  ListMaterialRows(tank, designer.GetSettings(), steel, concrete);
  std::map<int, std::map<std::pair<int, int>, long long>> materialSteel;
  for (const MaterialSteelRow& r : steel) {
    const int part = r.part == "tank" ? kTablePartTank
                     : r.part == "top slab"    ? kTablePartTopSlab
                     : r.part == "bottom slab" ? kTablePartBottomSlab
                                               : kTablePartWalls;
    materialSteel[part][{GetReinGradeIndexOf(r.grade), r.diameter}] = r.lengthMm;
    EXPECT_NEAR(r.weightKg, r.lengthMm / 1000.0 * 0.0061261005 * r.diameter * r.diameter, 1e-9);
  }
  EXPECT_EQ(materialSteel, scheduleSteel);

  designer.DrawMaterialTable(true, _3dPoint(0, -1e6, 0));
  const auto* table = dynamic_cast<const ReinAmountView*>(designer.GetViews().back().get());
  ASSERT_NE(table, nullptr);
  const auto texts = TextsOf(table->GetTableEntities());
  // Per part (in drawing order) the grade totals: "共计<grade>..." texts.
  std::vector<std::string> totals;
  for (const auto& t : texts)
    if (t->GetText().rfind("共计", 0) == 0) totals.push_back(t->GetText());
  std::vector<std::string> expected;
  for (int part : TableParts(combined)) {
    std::map<int, std::pair<double, int>> perGrade;  // weight, smallest d
    for (const auto& [key, length] : materialSteel[part]) {
      auto& [weight, dmin] = perGrade[key.first];
      weight += SteelWeightKg(static_cast<double>(length), key.second);
      if (dmin == 0 || key.second < dmin) dmin = key.second;
    }
    for (const auto& [grade, wd] : perGrade)
      expected.push_back("共计" + GetReinGradeName(grade) + "级钢筋(≥%%13" + std::to_string(grade) +
                         std::to_string(wd.second) + "):" + Fixed0(wd.first) + "(kg)");
  }
  EXPECT_EQ(totals, expected);
  // Each steel row's length and weight stand in one row of the drawing.
  for (const MaterialSteelRow& r : steel) {
    const std::string length = Fixed0(r.lengthMm / 1000.0), weight = Fixed0(r.weightKg);
    bool found = false;
    for (const auto& d : texts) {
      const std::string& s = d->GetText();
      if (s != std::to_string(r.diameter) && s != "%%13" + std::to_string(GetReinGradeIndexOf(r.grade)) +
                                                      std::to_string(r.diameter))
        continue;
      std::vector<std::pair<double, std::string>> line;
      for (const auto& t : texts)
        if (std::fabs(t->GetPosition().y - d->GetPosition().y) < kTol && t->GetPosition().x > d->GetPosition().x &&
            t->GetPosition().x - d->GetPosition().x < 150 * GetDrawingUnit())
          line.emplace_back(t->GetPosition().x, t->GetText());
      std::sort(line.begin(), line.end());
      if (line.size() >= 2 && line[0].second == length && line[1].second == weight) found = true;
    }
    EXPECT_TRUE(found) << r.part << " " << r.grade << " d" << r.diameter << ": " << length << " m, " << weight << " kg";
  }
}

TEST_F(Tables, ScheduleIsTheBarsAndMaterialIsTheSchedule) {
  for (const std::string& name : DesignNames()) {
    SCOPED_TRACE(name);
    const auto designer = Designed(name);
    ASSERT_TRUE(designer);
    for (bool combined : {false, true}) {
      SCOPED_TRACE(combined ? "one table" : "three tables");
      CheckTables(*designer, combined);
    }
  }
}

// ---------------------------------------------------------------------------
// Material table figures

// A material table drawn from given steel sums, its texts by row (top row
// first), each row's texts from left to right.
std::vector<std::vector<std::string>> AmountRows(ReinAmountView& view, const std::vector<SteelSum>& sums, int parts,
                                                 std::vector<boost::shared_ptr<_Text>>* all = nullptr) {
  EntityList entities;
  view.DrawAmountTable(sums, MaterialTitle(parts), parts, entities);
  const auto texts = TextsOf(entities);
  if (all) *all = texts;
  std::map<double, std::vector<std::pair<double, std::string>>, std::greater<>> byRow;
  for (const auto& t : texts) byRow[std::round(t->GetPosition().y)].emplace_back(t->GetPosition().x, t->GetText());
  std::vector<std::vector<std::string>> rows;
  for (auto& [y, line] : byRow) {
    std::sort(line.begin(), line.end());
    std::vector<std::string> row;
    for (const auto& [x, s] : line) row.push_back(s);
    rows.push_back(row);
  }
  return rows;
}

double TopLineLength(const EntityList& entities) {
  for (const EntityPtr& e : entities)
    if (auto l = boost::dynamic_pointer_cast<_3dLine>(e))
      if (l->GetStartPoint().y == 0.0 && l->GetEndPoint().y == 0.0) return l->GetLength();
  return 0.0;
}

TEST_F(Tables, MaterialTableFigures) {
  const double u = GetDrawingUnit();
  ProjectSettings settings;
  Tank tank;
  // 100 m of d10 HPB235: "10", "100", "61"; one totals line.
  {
    ReinAmountView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.Prepare(settings, tank);
    const auto rows = AmountRows(view, {{0, 10, 100000}}, kTablePartBottomSlab);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3], (std::vector<std::string>{"10", "100", "61", "0.0"}));
    EXPECT_EQ(rows[4], (std::vector<std::string>{"共计HPB235级钢筋(≥%%13010):61(kg)"}));
  }
  // Plain bars below the substitution limit, HRB335 from it up: a grade
  // symbol on each diameter and one totals line per grade, the second 5u
  // above the centre of its row; with HRB335 bars only, one line.
  {
    settings.GetReinSettings().SetPlainBarUpgraded(true);
    settings.GetReinSettings().SetPlainBarDiameterLimit(12);
    settings.GetReinSettings().SetUpgradeGrade(0);
    ReinAmountView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.Prepare(settings, tank);
    EXPECT_EQ(view.GetSubstitutionDiameter(), 12);
    std::vector<boost::shared_ptr<_Text>> texts;
    const auto rows = AmountRows(view, {{0, 8, 50000}, {1, 12, 200000}}, kTablePartWalls, &texts);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[3][0], "%%1308");
    EXPECT_EQ(rows[4][0], "%%13112");
    EXPECT_EQ(rows[5], (std::vector<std::string>{"共计HPB235级钢筋(≥%%1308):20(kg)"}));
    EXPECT_EQ(rows[6], (std::vector<std::string>{"共计HRB335级钢筋(≥%%13112):176(kg)"}));
    // Rows 0..4 are 20u, the totals 15u: the second line at −(100 + 15 + 7.5 − 5)u.
    for (const auto& t : texts)
      if (t->GetText().rfind("共计HRB335", 0) == 0) {
        EXPECT_NEAR(t->GetPosition().y, -117.5 * u, kTol);
        EXPECT_EQ(t->GetTextStyle(), GetTextStyle(3));
      }
    const auto one = AmountRows(view, {{1, 12, 200000}}, kTablePartWalls);
    ASSERT_EQ(one.size(), 5u);
    EXPECT_EQ(one[3][0], "12");
    EXPECT_EQ(one[4], (std::vector<std::string>{"共计HRB335级钢筋(≥%%13112):176(kg)"}));
  }
  // Concrete columns: 4 grades 22u each; walls C30 with slabs C25 two
  // columns, the wall grade first, the slabs' volumes added.
  {
    ReinAmountView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    for (const char* g : {"C25", "C30", "C35", "C40"}) view.AddConcreteGrade(g);
    EntityList entities;
    view.DrawAmountTable({{1, 12, 1000}}, "材料用量", kTablePartTank, entities);
    EXPECT_NEAR(TopLineLength(entities), (30 + 45 + 45 + 88) * u, kTol);
  }
  {
    ProjectSettings mixed;
    mixed.GetMaterialSettings().SetWallConcreteGrade("C30");
    mixed.GetMaterialSettings().SetTopConcreteGrade("C25");
    mixed.GetMaterialSettings().SetBottomConcreteGrade("C25");
    const auto designer = std::make_unique<TankDesigner>();
    tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
    ReinAmountView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.Prepare(mixed, designer->GetTank());
    const auto columns = view.GetConcreteColumns(kTablePartTank);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].grade, "C30");
    EXPECT_EQ(columns[1].grade, "C25");
    EXPECT_NEAR(columns[1].volume,
                view.GetConcreteColumns(kTablePartTopSlab)[0].volume +
                    view.GetConcreteColumns(kTablePartBottomSlab)[0].volume,
                kTol);
  }
}

// The buried two-cell tank (C30): top 2 × 36 × 0.25 − π·0.35²·0.25, bottom
// 2 × 36 × 0.4, walls 7 × 6 × 4.075 × 0.3 − 1.0 × 0.8 × 0.3; one table adds
// them up.
TEST_F(Tables, TwoCellConcreteVolumes) {
  const auto designer = std::make_unique<TankDesigner>();
  tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  ReinAmountView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  view.Prepare(designer->GetSettings(), designer->GetTank());
  struct Case {
    int parts;
    double volume;
    const char* text;
  };
  const Case cases[] = {{kTablePartTopSlab, 2 * 36 * 0.25 - g_Pi * 0.35 * 0.35 * 0.25, "17.9"},
                        {kTablePartBottomSlab, 2 * 36 * 0.4, "28.8"},
                        {kTablePartWalls, 7 * 6 * 4.075 * 0.3 - 0.8 * 0.3, "51.1"},
                        {kTablePartTank, 97.809, "97.8"}};
  for (const Case& c : cases) {
    const auto columns = view.GetConcreteColumns(c.parts);
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0].grade, "C30");
    EXPECT_NEAR(columns[0].volume, c.volume, 1e-3) << c.text;
    const auto rows = AmountRows(view, {{1, 12, 1000}}, c.parts);
    EXPECT_EQ(rows[2].back(), "C30(m3)");
    EXPECT_EQ(rows[3].back(), c.text);
  }
}

// ---------------------------------------------------------------------------
// Filing, picking, clearing, export

std::size_t CountBoardTexts(const std::string& text) {
  std::size_t n = 0;
  for (const auto& item : g_ViewBoard.CollectExport(true))
    if (auto t = boost::dynamic_pointer_cast<_Text>(item.shape))
      if (t->GetText() == text) ++n;
  return n;
}

template <class View>
std::vector<boost::shared_ptr<View>> ViewsOf(const TankDesigner& designer) {
  std::vector<boost::shared_ptr<View>> out;
  for (const auto& v : designer.GetViews())
    if (v && typeid(*v) == typeid(View)) out.push_back(boost::static_pointer_cast<View>(v));
  return out;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(Tables, TablesAreFiledWithTheDesign) {
  auto designer = Designed("buried-two-cell");
  ViewSettings vs = designer->GetSettings().GetViewSettings();
  vs.combineTables = 1;
  designer->GetSettings().SetViewSettings(vs);
  GetScriptedHost().QueueAnswer(PromptAnswer::Point(_3dPoint(40000, -20000, 0)));
  designer->DrawReinTable();
  designer->DrawMaterialTable(true, _3dPoint(40000, -90000, 0));
  ASSERT_EQ(ViewsOf<ReinTableView>(*designer).size(), 1u);
  const auto schedule = ViewsOf<ReinTableView>(*designer).front();
  // The dragged table's own geometry stands where the drawing shows it.
  const auto header = TextsOf(schedule->GetTableEntities()).front();
  EXPECT_EQ(header->GetText(), "编号");
  EXPECT_NEAR(header->GetPosition().x, 40000 + 10 * GetDrawingUnit(), kTol);
  EXPECT_NEAR(boost::dynamic_pointer_cast<_Text>(g_ViewBoard.GetDrawnShape(header))->GetPosition().x,
              header->GetPosition().x, kTol);

  const std::string first = Path("a.tkd"), second = Path("b.tkd");
  SaveDesignFile(*designer, first);
  designer.reset();

  TankDesigner reopened;
  OpenDesignFile(reopened, first);
  SaveDesignFile(reopened, second);
  EXPECT_EQ(ReadBytes(first), ReadBytes(second));
  ASSERT_EQ(ViewsOf<ReinTableView>(reopened).size(), 1u);
  ASSERT_EQ(ViewsOf<ReinAmountView>(reopened).size(), 1u);
  const auto back = ViewsOf<ReinTableView>(reopened).front();
  ASSERT_FALSE(back->GetRowZones().empty());
  EXPECT_EQ(TextsOf(back->GetTableEntities()).front()->GetPosition().x, header->GetPosition().x);

  // A cell picked after reopening answers its column and zone (a zone of
  // the reopened tank).
  const ReinZonePtr zone = back->GetRowZones().front();
  EntityPtr spacingCell;
  for (const EntityExtent& cell : back->GetRowEntities(zone))
    if (cell.m_tag == 4) spacingCell = cell.m_entity;
  ASSERT_TRUE(spacingCell);
  EntityHandle handle;
  ASSERT_TRUE(g_ViewBoard.FindEntityHandle(spacingCell, handle));
  int column = 0;
  EXPECT_TRUE(back->GetPickedColumn(handle, column));
  EXPECT_EQ(column, 4);
  ObjectPtr owner;
  ASSERT_TRUE(reopened.GetObjectOfEntity(handle, &owner));
  EXPECT_EQ(owner.get(), zone.get());
  ObjectList objects;
  reopened.GetTank().GetObjectList(objects);
  EXPECT_NE(std::find(objects.begin(), objects.end(), owner), objects.end());

  // Drawing again gives one schedule and one material table on the drawing.
  const std::size_t drawing = g_ViewBoard.GetDrawingSize();
  GetScriptedHost().QueueAnswer(PromptAnswer::Point(_3dPoint(40000, -20000, 0)));
  reopened.DrawReinTable();
  reopened.DrawMaterialTable(true, _3dPoint(40000, -90000, 0));
  EXPECT_EQ(g_ViewBoard.GetDrawingSize(), drawing);
  EXPECT_EQ(CountBoardTexts("水池钢筋表"), 1u);
  EXPECT_EQ(CountBoardTexts("材料用量"), 1u);
  EXPECT_EQ(ViewsOf<ReinTableView>(reopened).size(), 1u);
  EXPECT_EQ(ViewsOf<ReinAmountView>(reopened).size(), 1u);

  // Export of one table view holds every entity of it; clearing the
  // schedules leaves the material table (a material table is no schedule).
  const auto amount = ViewsOf<ReinAmountView>(reopened).front();
  EXPECT_EQ(tank::app::ViewEntities(*amount).size(), amount->GetTableEntities().size());
  EntityList scheduleEntities;
  ViewsOf<ReinTableView>(reopened).front()->ListOwnEntities(scheduleEntities);
  EXPECT_EQ(tank::app::ViewEntities(*ViewsOf<ReinTableView>(reopened).front()).size(), scheduleEntities.size());
  reopened.ClearTableViews(true);
  EXPECT_EQ(CountBoardTexts("水池钢筋表"), 0u);
  EXPECT_EQ(CountBoardTexts("材料用量"), 1u);
  EXPECT_TRUE(ViewsOf<ReinTableView>(reopened).front()->GetRowZones().empty());
}

// `export --view N` of a table view of a saved design writes every entity
// of that table, where the drawing has it.
TEST_F(Tables, ExportOfATableViewWritesTheTable) {
  auto designer = Designed("buried-two-cell");
  designer->DrawReinTable(true, _3dPoint(50000, 0, 0));
  designer->DrawMaterialTable(true, _3dPoint(50000, -200000, 0));
  const std::string design = Path("tank.tkd");
  tank::app::SaveDesign(*designer, design);
  for (std::size_t i = designer->GetViewCount() - 2; i < designer->GetViewCount(); ++i) {
    EntityList own;
    designer->GetView(static_cast<int>(i))->ListOwnEntities(own);
    std::multiset<std::string> expected;
    for (const auto& t : TextsOf(own)) expected.insert(t->GetText());
    const std::string dxf = Path("view" + std::to_string(i) + ".dxf");
    const HostRun run = RunTool({"export", design, "--view", std::to_string(i), "--dxf", dxf});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto report = export_readers::ReadWithEzdxf(dxf);
    ASSERT_TRUE(report.is_object());
    EXPECT_TRUE(report["errors"].empty());
    std::multiset<std::string> written;
    double minX = 1e300;
    for (const auto& e : report["entities"]) {
      if (e["type"] == "TEXT") written.insert(e["text"].get<std::string>());
      if (e["type"] == "LINE") minX = std::min(minX, e["start"][0].get<double>());
    }
    EXPECT_EQ(written, expected) << i;
    EXPECT_NEAR(minX, 50000, kTol) << i;
  }
}

// A table record naming an entity or a model object outside the lists
// filed before it is a damaged file, never a pick at random.
TEST_F(Tables, DamagedTableRecordIsRefused) {
  struct Case {
    int tablePosition, zonePosition;
    const char* what;
  };
  const Case cases[] = {{3, 0, "table entity position 3"}, {0, 7, "rebar zone position 7"},
                        {0, 1, "rebar zone expected"}};
  const ObjectList objects = {boost::make_shared<ReinZone>(), boost::make_shared<Board>()};
  for (const Case& c : cases) {
    std::ostringstream out;
    {
      Archive ar(out);
      ar.WriteInt(1);
      ar << static_cast<const VekObject*>(boost::make_shared<_Text>("1", _3dPoint(0, 0, 0), 300.0).get());
      ar.WriteInt(1).WriteInt(c.tablePosition);  // the table entities
      ar << _3dPoint(0, 0, 0);                    // where the table stands
      ar.WriteInt(0);                             // no stray row entities
      ar.WriteInt(1).WriteInt(c.zonePosition).WriteInt(0);  // one row
      ar.Close();
    }
    std::istringstream in(out.str());
    Archive ar(in);
    ReinTableView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    EntityList running;
    try {
      view.ReadOwnRecord(ar, objects, running);
      ADD_FAILURE() << c.what << ": read";
    } catch (const ArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
}

TEST_F(Tables, ScheduleAnswersForItsOwnEntitiesOnly) {
  const auto designer = Designed("open-single-cell");
  ReinTableView view(&g_ViewBoard, designer->GetSettings().GetViewSettings(), ViewVolumn());
  view.Draw(designer->GetTank(), 1.0, ViewSettings(), true, _3dPoint(0, 0, 0));
  ASSERT_FALSE(view.GetRowZones().empty());
  const ReinZonePtr zone = view.GetRowZones().front();
  EntityList listed;
  EXPECT_TRUE(view.GetObjectEntities(zone, listed));
  EXPECT_EQ(listed.size(), view.GetRowEntities(zone).size());
  // A list handed in non-empty stays true even for an object without a row.
  const auto other = boost::make_shared<ReinZone>();
  EntityList none;
  EXPECT_FALSE(view.GetObjectEntities(other, none));
  EXPECT_TRUE(view.GetObjectEntities(other, listed));
  int column = 0;
  ObjectList owners;
  EXPECT_FALSE(view.GetEntityColumn(view.GetTableEntities().front(), column));  // a header text
  EXPECT_FALSE(view.GetEntityOwners(listed.front(), owners));
  EXPECT_FALSE(view.GetPickedColumn(EntityHandle(999999999), column));
  // The extent covers the header, grid and title, whatever the mask.
  const Extents all = view.GetExtent(-1), none2 = view.GetExtent(0);
  EXPECT_EQ(all.minX, none2.minX);
  EXPECT_EQ(all.maxY, none2.maxY);
  // Hiding hides every entity of the table.
  view.HideAllEntities();
  for (const EntityPtr& e : listed) EXPECT_FALSE(g_ViewBoard.IsEntityVisible(e));
  view.ShowAllEntities();
  for (const EntityPtr& e : listed) EXPECT_TRUE(g_ViewBoard.IsEntityVisible(e));
}

// A part without zones still gets its table in the three-table schedule:
// header row, grid and title, at least 210u wide; the next table starts
// 1.2 × that width to the right.
TEST_F(Tables, EmptyPartKeepsItsTable) {
  const double u = GetDrawingUnit();
  Tank tank;
  ReinTableView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  view.Draw(tank, 1.0, ViewSettings(), true, _3dPoint(1000, 0, 0));
  EXPECT_TRUE(view.GetRowZones().empty());
  std::vector<double> captionX;
  for (const auto& t : TextsOf(view.GetTableEntities()))
    if (t->GetText() == "编号") captionX.push_back(t->GetPosition().x);
  ASSERT_EQ(captionX.size(), 3u);
  EXPECT_NEAR(captionX[0], 1000 + 10 * u, kTol);
  EXPECT_GE(captionX[1] - captionX[0], 1.2 * 210 * u - kTol);
  EXPECT_NEAR(captionX[2] - captionX[1], captionX[1] - captionX[0], kTol);
}

// Without a point each of the three tables is dragged on its own; a table
// whose drag is cancelled stays on the drawing at the origin.
TEST_F(Tables, EachTableIsDraggedOnItsOwn) {
  const double u = GetDrawingUnit();
  Tank tank;
  ReinTableView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  GetScriptedHost().QueueAnswer(PromptAnswer::Point(_3dPoint(7000, 3000, 0)));
  view.Draw(tank, 1.0, ViewSettings(), false, _3dPoint(0, 0, 0));
  EXPECT_EQ(GetScriptedHost().GetPrompts().size(), 3u);
  std::vector<double> captionX;
  for (const auto& t : TextsOf(view.GetTableEntities()))
    if (t->GetText() == "编号") {
      captionX.push_back(t->GetPosition().x);
      EXPECT_TRUE(g_ViewBoard.IsEntityVisible(t));
    }
  EXPECT_EQ(captionX, (std::vector<double>{7000 + 10 * u, 10 * u, 10 * u}));
  EXPECT_NEAR(view.GetInsertPoint().x, 7000, kTol);
}

// ---------------------------------------------------------------------------
// CSV files against the drawn tables

TEST_F(Tables, CsvRowsStandAtTheirCellsInTheDxf) {
  const auto designer = Designed("buried-two-cell");
  ReinTableView view(&g_ViewBoard, designer->GetSettings().GetViewSettings(), ViewVolumn());
  view.Draw(designer->GetTank(), 1.0, ViewSettings(), true, _3dPoint(0, 0, 0));
  EntityList entities;
  view.ListOwnEntities(entities);
  const std::string dxf = Path("schedule.dxf");
  g_ViewBoard.ExportDxf(dxf, entities);
  std::ostringstream csv;
  tank::app::WriteRebarScheduleCsv(designer->GetTank(), designer->GetSettings(), csv);

  // The DXF's texts, by their alignment point.
  const auto report = export_readers::ReadWithEzdxf(dxf);
  ASSERT_TRUE(report.is_object());
  EXPECT_TRUE(report["errors"].empty());
  std::vector<std::pair<std::string, std::pair<double, double>>> dxfTexts;
  for (const auto& e : report["entities"])
    if (e["type"] == "TEXT") {
      EXPECT_EQ(e["halign"], 1);
      EXPECT_EQ(e["valign"], 2);
      dxfTexts.push_back({e["text"], {e["align_point"][0], e["align_point"][1]}});
    }
  // Every CSV row: its mark's row in the view, each cell text at its cell
  // centre in the DXF (the middle of its column, the same height as the
  // mark).
  const double u = GetDrawingUnit();
  const double columnMiddle[8] = {0, 10, 55, 100, 120, 145, 170, 195};
  std::istringstream lines(csv.str());
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "table,mark,kind,grade,diameter_mm,spacing_mm,length_mm,count,total_length_mm,weight_kg");
  int rows = 0;
  std::map<std::string, double> xOffset = {{"top slab", 0}};
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string s; std::getline(ss, s, ',');) f.push_back(s);
    ASSERT_EQ(f.size(), 10u) << line;
    ++rows;
    // The mark's text: the one in column 1 of its table (x offset of the
    // table from the mark's x).
    const DrawnRow* drawn = nullptr;
    const auto drawnRows = DrawnRows(view);
    for (const DrawnRow& r : drawnRows)
      if (Text(r, 1) == f[1]) drawn = &r;
    ASSERT_NE(drawn, nullptr) << line;
    EXPECT_EQ(Text(*drawn, 3), f[4]);
    EXPECT_EQ(Text(*drawn, 4), f[5]);
    EXPECT_EQ(Text(*drawn, 5), f[6]);
    EXPECT_EQ(Text(*drawn, 6), f[7]);
    EXPECT_EQ(Text(*drawn, 7), f[8]);
    EXPECT_EQ(drawn->zone->GetGrade(), f[3]);
    EXPECT_NEAR(std::stod(f[9]), std::stod(f[8]) / 1000 * 0.0061261005 * std::stod(f[4]) * std::stod(f[4]), 0.005);
    const std::map<int, std::string> cells = {{1, f[1]}, {3, f[4]}, {4, f[5]}, {5, f[6]}, {6, f[7]}, {7, f[8]}};
    // Position of the mark's cell in the DXF.
    double markX = 0, markY = 0;
    for (const EntityExtent& c : view.GetRowEntities(drawn->zone))
      if (c.m_tag == 1) {
        const auto t = boost::dynamic_pointer_cast<_Text>(c.m_entity);
        markX = t->GetPosition().x;
        markY = t->GetPosition().y;
      }
    for (const auto& [column, value] : cells) {
      const double x = markX + (columnMiddle[column] - columnMiddle[1]) * u;
      bool at = false;
      for (const auto& [text, p] : dxfTexts)
        if (text == value && std::fabs(p.first - x) < 1e-3 && std::fabs(p.second - markY) < 1e-3) at = true;
      EXPECT_TRUE(at) << line << " column " << column;
    }
  }
  EXPECT_EQ(rows, static_cast<int>(view.GetRowZones().size()));
}

TEST_F(Tables, MaterialsCsvHoldsSteelThenConcrete) {
  const auto designer = Designed("buried-two-cell");
  std::ostringstream csv;
  tank::app::WriteMaterialsCsv(designer->GetTank(), designer->GetSettings(), csv);
  std::istringstream lines(csv.str());
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "part,material,grade,diameter_mm,length_m,weight_kg,volume_m3");
  std::vector<std::string> concrete;
  int steel = 0;
  bool concreteSeen = false;
  while (std::getline(lines, line)) {
    if (line.find(",concrete,") != std::string::npos) {
      concrete.push_back(line);
      concreteSeen = true;
    } else {
      EXPECT_FALSE(concreteSeen) << line;
      EXPECT_NE(line.find(",steel,"), std::string::npos) << line;
      ++steel;
    }
  }
  EXPECT_GT(steel, 0);
  EXPECT_EQ(concrete, (std::vector<std::string>{"top slab,concrete,C30,,,,17.904", "bottom slab,concrete,C30,,,,28.800",
                                                "walls,concrete,C30,,,,51.105"}));
}

// ---------------------------------------------------------------------------
// Result-table captions

TEST(ResultCaptions, HostGetsEveryFlagWithItsCaptionTwiceAlike) {
  ModuleStartup();
  const std::vector<std::pair<int, std::string>> expected = {
      {16, "构件编号"},      {32, "板厚"},         {64, "标高"},         {128, "计算弯矩"},
      {256, "最大弯矩时的荷载组合"}, {512, "计算钢筋面积"}, {1024, "实配钢筋面积"}, {2048, "裂缝宽度"}};
  std::vector<int> flags = {1, 2};
  std::vector<std::string> captions = {"x"};
  GetResultColumns(flags, captions);
  ASSERT_EQ(flags.size(), expected.size());
  ASSERT_EQ(captions.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(flags[i], expected[i].first);
    EXPECT_EQ(captions[i], expected[i].second);
  }
  std::vector<int> again;
  std::vector<std::string> againCaptions;
  GetResultColumns(again, againCaptions);
  EXPECT_EQ(again, flags);
  EXPECT_EQ(againCaptions, captions);
  ModuleShutdown();
}

}  // namespace
