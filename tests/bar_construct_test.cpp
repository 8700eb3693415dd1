// The line bar construction of the slab plans (far face, near face), the
// representative bar it draws, the zones it cannot draw, and the zone
// collector that hands the plans their zones.
//
// Fixture: a 6000 × 4000 mm slab, 400 mm thick, at the origin of the plan
// drawn at 1:100 with u = 100 (drawing factor 1).  Its zones hold bars as the
// design lays them: on the bar plane of their face, 160 mm from the slab's
// mid-plane.
#include "drawing/DrawnLines.h"
#include "drawing/RepresentativeBars.h"
#include "drawing/SectionLineGeometry.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"
#include "view/BoardReinZoneCollector.h"
#include "view/LineReinConstruct.h"
#include "views/DrawingViews.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr double kTol = 1e-6;

struct ZoneSpec {
  std::string grade = "HRB335";
  int face = 0;        // 0 upper, 1 lower
  int category = 2;
  bool yBars = false;  // bars along y, spread along x
  int count = 31;
  double from = 125;   // first bar's position across the zone
  double x0 = 0, x1 = 6000;  // along the bars
  bool reversed = false;     // spread from the last position back
  bool withLine = true;      // a distribution line gives the orientation
};

ReinZonePtr MakeZone(const ZoneSpec& s) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetCategory(s.category);
  zone->SetFace(s.face);
  zone->SetDirection(s.yBars ? 1 : 0);
  zone->SetGrade(s.grade);
  zone->SetDiameter(14);
  zone->SetSpacing(125);
  zone->SetNumber(3);
  const double z = s.face == 0 ? 160.0 : -160.0;
  const auto at = [&](double along, double across) {
    return s.yBars ? _3dPoint(across, along, z) : _3dPoint(along, across, z);
  };
  for (int k = 0; k < s.count; ++k) {
    auto bar = boost::make_shared<Rein>();
    bar->SetPolyline(_2dPolyline(std::vector<_3dPoint>{at(s.x0, s.from + 125 * k), at(s.x1, s.from + 125 * k)}));
    bar->SetGrade(s.grade);
    bar->SetDiameter(14);
    zone->AddRein(bar);
  }
  if (s.withLine) {
    const _3dPoint a = at(s.x0, s.from), b = at(s.x0, s.from + 125 * (s.count - 1));
    zone->SetDistributionLine(s.reversed ? _3dLine(b, a) : _3dLine(a, b));
  }
  return zone;
}

void ExpectVertices(const _2dPolyline& line, const std::vector<_2dPoint>& expected) {
  ASSERT_EQ(line.VerNums(), static_cast<int>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(line.GetVertexAt(static_cast<int>(i)).x, expected[i].x, kTol) << "vertex " << i;
    EXPECT_NEAR(line.GetVertexAt(static_cast<int>(i)).y, expected[i].y, kTol) << "vertex " << i;
  }
}

class SlabBars : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ViewBoard.Reset();
    view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view->SetScaleValues(100, 100);
    slab = rebarfx::MakeBoard(1, 6000, 4000, 400);
  }
  void TearDown() override {
    view.reset();
    g_ViewBoard.Reset();
  }
  ConstuctLineRein Maker(int mode) {
    return ConstuctLineRein(view.get(), false, mode, &g_ViewBoard, {}, view->GetDrawingFactor(), _3dVector(0, 0, 0),
                            &tank, &segments, &mating, &drawn, &ends, {}, 0.0);
  }
  std::vector<LineReinPtr> Draw(int mode, const ReinZonePtr& zone, double ratio = 1.0 / 3.0,
                                std::vector<BoardPtr> boards = {}) {
    ReinLabelOption option{true, true, ratio};
    if (boards.empty()) boards = {slab};
    return Maker(mode)(ReinZoneBoards(zone, boards), option);
  }

  Tank tank;
  boost::shared_ptr<BottomBoardReinView> view;
  BoardPtr slab;
  std::vector<_2dLine> segments, mating, drawn, ends;
};

// The hand-worked near-face bar: HRB335 X zone 14@125 from x = 0 to 6000,
// the representative bar at a third of the 31 bars, y = 1375.
TEST_F(SlabBars, NearFaceBarByHand) {
  const auto zone = MakeZone({});
  const auto bars = Draw(1, zone);
  ASSERT_EQ(bars.size(), 1u);
  const LineReinPtr& bar = bars[0];
  EXPECT_EQ(bar->GetConstructMode(), 1);
  EXPECT_EQ(bar->GetHookType(), 2);
  EXPECT_EQ(bar->GetStartHookSide(), 1);
  ExpectVertices(*bar->GetReinLine(), {{0, 1075}, {0, 1375}, {6000, 1375}, {6000, 1075}});
  boost::shared_ptr<Ordinal> mark;
  boost::shared_ptr<_Text> text;
  bar->GetMark(mark);
  bar->GetLabelText(text);
  ASSERT_TRUE(mark && text);
  EXPECT_EQ(mark->GetNumber(), 3);
  EXPECT_NEAR(mark->GetCenter().x, 935.5, kTol);
  EXPECT_NEAR(mark->GetCenter().y, 1775, kTol);
  EXPECT_EQ(text->GetText(), "%%13114@125");
  EXPECT_NEAR(text->GetPosition().x, 1850, kTol);
  EXPECT_NEAR(text->GetPosition().y, 1775, kTol);
  EXPECT_EQ(view->GetZoneLineRein(zone), bar);
  EXPECT_TRUE(view->GetZoneFailures().empty());
}

// The far-face twins: a ribbed bar without hooks (the standard's default),
// with 45-degree tails when the standard asks for them, and a plain bar
// with semicircular hooks turning to +y.
TEST_F(SlabBars, FarFaceHooksByGrade) {
  ZoneSpec spec;
  spec.face = 1;
  const auto ribbed = Draw(0, MakeZone(spec)).at(0);
  EXPECT_EQ(ribbed->GetHookType(), 0);
  ExpectVertices(*ribbed->GetReinLine(), {{0, 1375}, {6000, 1375}});

  spec.grade = "HPB235";
  const auto plain = Draw(0, MakeZone(spec)).at(0);
  EXPECT_EQ(plain->GetHookType(), 1);
  ExpectVertices(*plain->GetReinLine(),
                 {{250, 1575}, {0, 1575}, {0, 1375}, {6000, 1375}, {6000, 1575}, {5750, 1575}});

  const DrawingStandard saved = g_ViewBoard.GetDrawingStandard();
  DrawingStandard hooks = saved;
  hooks.ribbedBarHooks = 1;
  g_ViewBoard.SetDrawingStandard(hooks);
  spec.grade = "HRB400";
  EXPECT_EQ(Draw(0, MakeZone(spec)).at(0)->GetHookType(), 3);
  g_ViewBoard.SetDrawingStandard(saved);
}

// The ratio is counted from the side the zone's orientation gives: spread
// towards −y, a third of the way lies at y = 2625.
TEST_F(SlabBars, OrientationFoldsTheRatio) {
  ZoneSpec spec;
  spec.reversed = true;
  ExpectVertices(*Draw(0, MakeZone(spec)).at(0)->GetReinLine(), {{0, 2625}, {6000, 2625}});
  // Bars along y, spread along +x: one line along y from its lowest point.
  spec = ZoneSpec();
  spec.yBars = true;
  spec.count = 47;
  spec.x1 = 4000;
  ExpectVertices(*Draw(0, MakeZone(spec), 0.5).at(0)->GetReinLine(), {{3000, 0}, {3000, 4000}});
}

// Zones a slab plan cannot draw get one empty bar each and are recorded with
// the reason; the zone map keeps none of them.
TEST_F(SlabBars, UndrawableZonesGiveOneEmptyBarAndAreRecorded) {
  ZoneSpec off;
  off.x0 = 7000;
  off.x1 = 9000;
  ZoneSpec support;
  support.category = 5;
  ZoneSpec single;
  single.count = 1;
  single.withLine = false;
  for (const ZoneSpec& spec : {off, support, single}) {
    const auto zone = MakeZone(spec);
    const auto bars = Draw(1, zone);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_FALSE(bars[0]->GetReinLine());
    EXPECT_EQ(bars[0]->GetConstructMode(), -1);
    EXPECT_FALSE(view->GetZoneLineRein(zone));
    ASSERT_FALSE(view->GetZoneFailures().empty());
    EXPECT_EQ(view->GetZoneFailures().back().zone, zone);
    EXPECT_FALSE(view->GetZoneFailures().back().reason.empty());
  }
  EXPECT_EQ(view->GetZoneFailures().size(), 3u);
  // No zone, or a mode this construction does not build: nothing.
  EXPECT_TRUE(Draw(1, ReinZonePtr()).empty());
  EXPECT_TRUE(Draw(3, MakeZone({})).empty());
}

// One zone whose representative bar cannot be selected (its board carries
// items, so the bar is laid again, and the spread across its bars cannot be
// measured: its first bar's first point is not a number) among good zones:
// that zone gets an empty bar and is named, the others are drawn.
TEST_F(SlabBars, AZoneWhoseSelectionFailsLeavesTheOthersDrawn) {
  const BoardPtr other = rebarfx::MakeBoard(1, 6000, 4000, 400);
  other->AddObject(boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(100, 0)));
  ASSERT_FALSE(other->GetItems().empty());
  const auto bad = MakeZone({});
  _2dPolyline broken = bad->GetReins().front()->GetPolyline();
  broken.SetVertexAt(0, _3dPoint(std::numeric_limits<double>::quiet_NaN(), 125, 160));
  bad->GetReins().front()->SetPolyline(broken);

  const auto good1 = MakeZone({}), good2 = MakeZone({});
  std::vector<LineReinPtr> drawnBars;
  for (const auto& [zone, board] : {std::pair{good1, slab}, std::pair{bad, other}, std::pair{good2, slab}}) {
    drawnBars.push_back(Draw(1, zone, 1.0 / 3.0, {board}).at(0));
  }
  EXPECT_TRUE(drawnBars[0]->GetReinLine());
  EXPECT_FALSE(drawnBars[1]->GetReinLine());
  EXPECT_TRUE(drawnBars[2]->GetReinLine());
  ASSERT_EQ(view->GetZoneFailures().size(), 1u);
  EXPECT_EQ(view->GetZoneFailures()[0].zone, bad);
  EXPECT_EQ(view->GetZoneFailures()[0].reason, "the place of its representative bar cannot be found");
}

// An edge zone's bars take the hooks of the face bars of their face; an edge
// zone whose boards carry no face bar of its face cannot be drawn.
TEST_F(SlabBars, EdgeBarsHookLikeTheFaceBarsOfTheirFace) {
  ZoneSpec edge;
  edge.category = ReinZone::PEDESTAL;
  edge.yBars = true;
  edge.x0 = 0;
  edge.x1 = 1000;
  edge.count = 40;
  const auto edgeZone = MakeZone(edge);
  EXPECT_FALSE(Draw(1, edgeZone, 0.5).at(0)->GetReinLine());
  EXPECT_EQ(view->GetZoneFailures().back().reason,
            "its boards carry no drawn face bar of its face (reinLines.empty() in ConstuctLineRein)");

  const auto xZone = MakeZone({});
  ZoneSpec y;
  y.yBars = true;
  y.count = 47;
  y.x1 = 4000;
  const auto yZone = MakeZone(y);
  slab->GetUpperZones() = {xZone, yZone};
  for (const int mode : {1, 0}) {
    SCOPED_TRACE(mode);
    const std::string grade = mode == 0 ? "HPB235" : "HRB335";
    xZone->SetGrade(grade);
    yZone->SetGrade(grade);
    edgeZone->SetGrade(grade);
    BottomBoardReinView fresh(&g_ViewBoard, ViewSettings(), ViewVolumn());
    fresh.SetScaleValues(100, 100);
    ConstuctLineRein maker(&fresh, false, mode, &g_ViewBoard, {}, 1.0, _3dVector(0, 0, 0), &tank, &segments, &mating,
                           &drawn, &ends, {}, 0.0);
    ReinLabelOption option{true, true, 0.5};
    maker(ReinZoneBoards(xZone, {slab}), option);
    const auto faceY = maker(ReinZoneBoards(yZone, {slab}), option).at(0);
    const auto bar = maker(ReinZoneBoards(edgeZone, {slab}), option).at(0);
    ASSERT_TRUE(bar->GetReinLine());
    EXPECT_EQ(bar->GetStartHookSide(), faceY->GetStartHookSide());
    // The start tail turns the same way as the face bars running the same way.
    const auto tail = [](const LineReinPtr& b) {
      const double dx = b->GetReinLine()->GetVertexAt(0).x - GetReinMainSegment(b->GetReinLine()).GetStartPoint().x;
      return dx > 0 ? 1 : (dx < 0 ? -1 : 0);
    };
    EXPECT_EQ(tail(bar), tail(faceY));
    EXPECT_NE(tail(bar), 0);
  }
}

TEST_F(SlabBars, HoleDetailBarEntity) {
  const auto rein = MakeZone({})->GetReins().front();
  ConstuctLineRein detail(view.get(), true, 3, &g_ViewBoard, {}, 2.0, _3dVector(10, 0, 0), &tank, &segments, &mating,
                          &drawn, &ends, {}, 0.0);
  const auto bar = detail.MakeBarEntity(rein);
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->GetConstructMode(), 3);
  EXPECT_EQ(bar->GetHookType(), 0);
  ExpectVertices(*bar->GetReinLine(), {{10, 250}, {12010, 250}});
  EXPECT_FALSE(detail.MakeBarEntity(ReinPtr()));
  EXPECT_FALSE(Maker(1).MakeBarEntity(rein));
}

// A zone with a distribution line but no bars has nothing to show, on
// boards with and without items.
TEST(RepresentativeBars, ZoneWithoutBarsGivesNoBar) {
  const BoardPtr plain = rebarfx::MakeBoard(1, 6000, 4000, 400);
  const BoardPtr withItems = rebarfx::MakeBoard(1, 6000, 4000, 400);
  withItems->AddObject(boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(100, 0)));
  ASSERT_FALSE(withItems->GetItems().empty());
  ZoneSpec spec;
  spec.count = 0;
  auto zone = boost::make_shared<ReinZone>();
  zone->SetCategory(2);
  zone->SetDistributionLine(_3dLine(_3dPoint(0, 125, 160), _3dPoint(0, 3875, 160)));
  Tank tank;
  for (const BoardPtr& board : {plain, withItems}) {
    for (const double q : {0.0, 1.0 / 3.0, 1.0}) {
      std::vector<ReinPtr> bars;
      std::vector<std::vector<int>> records;
      GetReinAtPosRatio(1, &tank, zone, {board}, q, bars, records);
      EXPECT_TRUE(bars.empty() && records.empty()) << q;
      EXPECT_TRUE(SelectRepresentativeSlabReins(ViewVolumn(), q, &tank, false)(ReinZoneBoards(zone, {board})).empty());
    }
  }
  // A ratio outside [0, 1] is refused; the last bar at 1.
  const auto full = MakeZone({});
  EXPECT_TRUE(SelectRepresentativeSlabReins(ViewVolumn(), 1.5, &tank, true)(ReinZoneBoards(full, {plain})).empty());
  const auto last = SelectRepresentativeSlabReins(ViewVolumn(), 1.0, &tank, true)(ReinZoneBoards(full, {plain}));
  ASSERT_EQ(last.size(), 1u);
  EXPECT_NEAR(last[0].first->GetPolyline().GetVertexAt(0).y, 3875, kTol);
}

// Wall bars interrupted by an opening are stored as pieces at one place
// across the zone.  The bar a wall drawing shows at a ratio is never made up
// from two pieces: a place of pieces gives its pieces as laid; between two
// whole bars the bar is interpolated, the ratio running over the places.
TEST(RepresentativeBars, PiecesAtAnOpeningAreTakenAsLaid) {
  // Vertical bars across x at 0, 200, 400, 600; those at 200 and 400 are
  // cut by an opening between z 2000 and 2800 (a lower and an upper piece,
  // each with its leg into a slab).
  auto zone = boost::make_shared<ReinZone>();
  zone->SetCategory(2);
  zone->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(600, 0, 0)));
  const auto add = [&](std::vector<_3dPoint> points) {
    auto bar = boost::make_shared<Rein>();
    bar->SetPolyline(_2dPolyline(points));
    zone->AddRein(bar);
  };
  for (const double x : {0.0, 200.0, 400.0, 600.0}) {
    if (x == 0.0 || x == 600.0) {
      add({{x, 300, 0}, {x, 0, 0}, {x, 0, 4000}, {x, 300, 4000}});
    } else {
      add({{x, 0, 1965}, {x, 0, 0}, {x, 300, 0}});
      add({{x, 0, 2835}, {x, 0, 4000}, {x, 300, 4000}});
    }
  }
  const BoardPtr wall = rebarfx::MakeBoard(1, 600, 4000, 300);
  Tank tank;
  struct Case {
    double q;
    std::vector<double> xs;  // the places of the bars found; one per bar
    bool whole;              // one bar of 4 vertices
  };
  const Case cases[] = {
      {0.0, {0.0}, true},            // the first bar
      {0.1, {0.0}, true},            // nearer the first bar than the pieces
      {0.3, {200.0, 200.0}, false},  // both pieces at 200
      {0.5, {200.0, 200.0}, false},  // halfway between two places of pieces
      {0.6, {400.0, 400.0}, false},
      {0.95, {600.0}, true},         // between pieces and a whole bar: the nearer
      {1.0, {600.0}, true},
  };
  const auto select = [&](const ReinZonePtr& z, double q) {
    return SelectRepresentativeSlabReins(ViewVolumn(), q, &tank, true, true)(ReinZoneBoards(z, {wall}));
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.q);
    const std::vector<ReinWithRecords> bars = select(zone, c.q);
    ASSERT_EQ(bars.size(), c.xs.size());
    for (std::size_t i = 0; i < bars.size(); ++i) {
      const _2dPolyline& line = bars[i].first->GetPolyline();
      ASSERT_GT(line.VerNums(), 0);
      EXPECT_NEAR(line.GetVertexAt(0).x, c.xs[i], kTol);
      EXPECT_EQ(line.VerNums(), c.whole ? 4 : 3);
      // Every vertex is one of a designed bar's: the legs stay in the slabs.
      for (const _3dPoint& v : line.GetVertices())
        EXPECT_TRUE(v.z == 0.0 || v.z == 4000.0 || v.z == 1965.0 || v.z == 2835.0) << v.z;
    }
  }
  // Whole bars only: the interpolation by bar index holds.
  auto plain = boost::make_shared<ReinZone>();
  plain->SetCategory(2);
  plain->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(600, 0, 0)));
  for (const double x : {0.0, 200.0, 400.0, 600.0}) {
    auto bar = boost::make_shared<Rein>();
    bar->SetPolyline(_2dPolyline(std::vector<_3dPoint>{{x, 0, 0}, {x, 0, 4000}}));
    plain->AddRein(bar);
  }
  for (const auto& [q, x] : {std::pair(0.5, 300.0), std::pair(0.25, 150.0), std::pair(1.0, 600.0)}) {
    const std::vector<ReinWithRecords> bars = select(plain, q);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_NEAR(bars[0].first->GetPolyline().GetVertexAt(0).x, x, kTol) << q;
  }
  // Between two whole bars of a zone with pieces elsewhere, the ratio runs
  // over the places: halfway between the last two places (pieces at 200).
  auto mixed = boost::make_shared<ReinZone>();
  mixed->SetCategory(2);
  mixed->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(600, 0, 0)));
  for (const ReinPtr& bar : plain->GetReins()) {
    if (bar->GetPolyline().GetVertexAt(0).x == 200.0) {
      for (const std::vector<_3dPoint>& piece : {std::vector<_3dPoint>{{200, 0, 1965}, {200, 0, 0}},
                                                 std::vector<_3dPoint>{{200, 0, 2835}, {200, 0, 4000}}}) {
        auto p = boost::make_shared<Rein>();
        p->SetPolyline(_2dPolyline(piece));
        mixed->AddRein(p);
      }
    } else {
      mixed->AddRein(boost::make_shared<Rein>(*bar));
    }
  }
  const std::vector<ReinWithRecords> between = select(mixed, 5.0 / 6.0);
  ASSERT_EQ(between.size(), 1u);
  EXPECT_NEAR(between[0].first->GetPolyline().GetVertexAt(0).x, 500.0, kTol);
  // The slab plans keep the interpolation by bar index.
  const auto slab = SelectRepresentativeSlabReins(ViewVolumn(), 0.3, &tank, true)(ReinZoneBoards(zone, {wall}));
  ASSERT_EQ(slab.size(), 1u);
}

// ---------------------------------------------------------------------------
// The zone collector

ReinZonePtr Oriented(const _3dVector& d, int category = 2) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetCategory(category);
  zone->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(0, 0, 0) + d * 1000.0));
  return zone;
}

TEST(BoardReinZoneCollector, FacesSeenFromThePlan) {
  Tank tank;
  const BoardPtr slab = rebarfx::MakeBoard(1, 6000, 4000, 400);
  const auto upper = Oriented({0, 1, 0}), lower = Oriented({0, 1, 0});
  const auto edgeUpper = Oriented({1, 0, 0}, 1), edgeLower = Oriented({1, 0, 0}, 1);
  slab->GetUpperZones() = {upper};
  slab->GetLowerZones() = {lower};
  slab->GetEdges()[0].GetUpperZones() = {edgeUpper};
  slab->GetEdges()[0].GetLowerZones() = {edgeLower};
  ZoneBoardMap seen, other;
  seen[upper] = {slab};  // emptied by the constructor
  BoardReinZoneCollector collect(&tank, 3, 0, ViewVolumn(), false, &seen, &other);
  EXPECT_TRUE(seen.empty());
  collect(slab);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen.count(upper) + seen.count(edgeUpper), 2u);
  EXPECT_EQ(other.count(lower) + other.count(edgeLower), 2u);
  EXPECT_EQ(seen[upper], std::vector<BoardPtr>{slab});

  // A board at exactly π/2 − tolerance to the view does not face it.
  const BoardPtr tilted = rebarfx::MakeBoard(1, 1000, 1000, 200);
  const double a = 0.5 * g_Pi - g_DefaultTolerance;
  tilted->SetYAxis(_3dVector(0, std::cos(a), -std::sin(a)));
  tilted->GetUpperZones() = {Oriented({1, 0, 0})};
  tilted->GetLowerZones() = {Oriented({1, 0, 0})};
  BoardReinZoneCollector(&tank, 1, 0, ViewVolumn(), false, &seen, &other)(tilted);
  EXPECT_EQ(seen.count(tilted->GetLowerZones()[0]), 1u);
  EXPECT_EQ(other.count(tilted->GetUpperZones()[0]), 1u);

  // Another mode gathers nothing.
  BoardReinZoneCollector(&tank, 3, 2, ViewVolumn(), false, &seen, &other)(slab);
  EXPECT_TRUE(seen.empty() && other.empty());
}

TEST(BoardReinZoneCollector, ZonesAlongTheViewDirection) {
  Tank tank;
  // A section looking along −y: its normal is x × z = (0, −1, 0).
  ViewVolumn section;
  section.m_yAxis = _3dVector(0, 0, 1);
  const BoardPtr slab = rebarfx::MakeBoard(1, 6000, 4000, 400);
  const auto along = Oriented({0, 1, 0});
  const auto across = Oriented({1, 0, 0});
  const double q = 0.25 * g_Pi;
  const auto diagonal = Oriented({std::sin(q), std::cos(q), 0});
  const auto edgeAcross = Oriented({1, 0, 0}, 1);
  slab->GetUpperZones() = {along, across};
  slab->GetLowerZones() = {diagonal};
  slab->GetEdges()[1].GetUpperZones() = {edgeAcross};
  ZoneBoardMap first, second;
  BoardReinZoneCollector(&tank, 3, 1, section, false, &first, &second)(slab);
  EXPECT_EQ(first.size(), 1u);
  EXPECT_EQ(first.count(along), 1u);
  // Exactly π/4 counts as not along; an edge zone not along is dropped.
  EXPECT_EQ(second.size(), 2u);
  EXPECT_EQ(second.count(across) + second.count(diagonal), 2u);
}

}  // namespace

namespace {

// Far-face ribbed bars are drawn without hooks (2 vertices); an edge zone
// of that face still gets its range dimension, and zones that could not be
// drawn (an edge zone whose boards carry no face bar of its face, a zone
// whose bars all run off its boards) take no part in the label groups and
// range dimensions of the plan.
TEST_F(SlabBars, HooklessAndEmptyBarsInLabelsAndRangeDimensions) {
  ZoneSpec x;
  x.face = 1;
  ZoneSpec edge = x;
  edge.category = ReinZone::PEDESTAL;
  edge.yBars = true;
  edge.x1 = 1000;
  edge.count = 40;
  const auto lonelyEdge = MakeZone(edge);
  const auto emptyEdge = Draw(0, lonelyEdge, 0.5).at(0);  // no face bar yet
  ZoneSpec off = x;
  off.x0 = 7000;
  off.x1 = 9000;
  const auto offZone = MakeZone(off);
  const auto offBar = Draw(0, offZone).at(0);

  const auto xZone = MakeZone(x);
  slab->GetLowerZones() = {xZone};
  const auto face = Draw(0, xZone).at(0);
  const auto edgeZone = MakeZone(edge);
  const auto edgeBar = Draw(0, edgeZone, 0.5).at(0);
  ASSERT_TRUE(edgeBar->GetReinLine());
  // Halfway across 40 bars: between bars 19 and 20.
  ExpectVertices(*edgeBar->GetReinLine(), {{2562.5, 0}, {2562.5, 1000}});
  EXPECT_FALSE(emptyEdge->GetReinLine());
  EXPECT_FALSE(offBar->GetReinLine());

  const std::vector<ReinZonePtr> zones = {lonelyEdge, offZone, xZone, edgeZone};
  const std::vector<std::vector<LineReinPtr>> bars = {{emptyEdge}, {offBar}, {face}, {edgeBar}};
  ZoneBoardMap boards;
  for (const auto& z : zones) boards[z] = {slab};
  std::vector<ReinZonePtr> labelZones;
  std::vector<std::vector<LineReinPtr>> labelBars;
  std::vector<std::vector<_2dPoint>> labelEnds;
  view->MatchReinZonesToEntities(zones, bars, boards, labelZones, labelBars, true, labelEnds);
  EXPECT_EQ(labelZones, (std::vector<ReinZonePtr>{xZone, edgeZone}));

  for (std::size_t i = 0; i < zones.size(); ++i) view->AddLineReinEntities(zones[i], {bars[i].begin(), bars[i].end()});
  EntityList entities;
  EXPECT_FALSE(view->GetObjectEntities(lonelyEdge, entities));
  EXPECT_FALSE(view->GetObjectEntities(offZone, entities));

  // Range dimensions of every zone: only the drawn ones get theirs.
  const std::vector<std::vector<_2dPoint>> info = {
      {{1000, 0}, {1000, 4000}}, {{1000, 0}, {1000, 4000}}, {{3000, 0}, {3000, 4000}}, {{0, 500}, {6000, 500}}};
  view->DrawRangeDim(info, bars);
  ASSERT_TRUE(view->GetObjectEntities(g_NullOwner, entities));
  ASSERT_EQ(entities.size(), 4u);
  const auto edgeCircle = boost::dynamic_pointer_cast<_3dCircle>(entities[3]);
  ASSERT_TRUE(edgeCircle);
  EXPECT_NEAR(edgeCircle->GetCenter().x, 2562.5, kTol);
  EXPECT_NEAR(edgeCircle->GetCenter().y, 500, kTol);
}

}  // namespace


namespace {

// Face bars running through interior walls end at the walls' centre lines;
// at an outer wall they run on as laid.  Three cells of 4000 in a row,
// walls 300 thick; the vertical walls are drawn as their two faces.
class InteriorWalls : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ViewBoard.Reset();
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(3, 1, false, 12000, 6000), true));
    view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view->SetScaleValues(100, 100);
    for (const BoardPtr& wall : tank.GetWalls()) {
      _2dLine axis;
      if (!GetWallPlanLine(wall, axis) || std::fabs(axis.GetStartPoint().x - axis.GetEndPoint().x) > 1) continue;
      const double x = axis.GetStartPoint().x;
      EntityList faces;
      for (const double side : {-150.0, 150.0}) {
        auto line = boost::make_shared<_2dLine>(_2dPoint(x + side, 0), _2dPoint(x + side, 6000));
        planLines.push_back(line);
        faces.push_back(line);
      }
      view->AddEntities(faces, wall, {2, 2}, {});
    }
    slabs = tank.GetBottomSlabs();
    std::sort(slabs.begin(), slabs.end(), [](const BoardPtr& a, const BoardPtr& b) {
      return a->GetOutlinePoints().front().x + a->GetOutlinePoints()[2].x <
             b->GetOutlinePoints().front().x + b->GetOutlinePoints()[2].x;
    });
  }
  void TearDown() override {
    view.reset();
    g_ViewBoard.Reset();
  }
  // A zone of X bars on the slabs' upper bar plane from x0 to x1, with a
  // vertex at every wall axis in between.
  _2dLine DrawnMainSegment(double x0, double x1, const std::vector<BoardPtr>& boards) {
    const double z = boards.front()->GetOrigin().z + boards.front()->GetUpperOffset() - 40;
    auto zone = boost::make_shared<ReinZone>();
    zone->SetCategory(2);
    zone->SetGrade("HRB335");
    zone->SetDiameter(12);
    zone->SetSpacing(150);
    for (const double y : {1000.0, 1150.0, 1300.0}) {
      std::vector<_3dPoint> points{{x0, y, z}};
      for (const double wall : {0.0, 4000.0, 8000.0, 12000.0})
        if (wall > x0 && wall < x1) points.emplace_back(wall, y, z);
      points.emplace_back(x1, y, z);
      auto bar = boost::make_shared<Rein>();
      bar->SetPolyline(_2dPolyline(points));
      zone->AddRein(bar);
    }
    zone->SetDistributionLine(_3dLine(_3dPoint(x0, 1000, z), _3dPoint(x0, 1300, z)));
    std::vector<_2dLine> a, b, c, d;
    ConstuctLineRein maker(view.get(), false, 1, &g_ViewBoard, planLines, 1.0, _3dVector(0, 0, 0), &tank, &a, &b, &c,
                           &d, {}, 0.0);
    ReinLabelOption option{false, false, 0.5};
    const auto bar = maker(ReinZoneBoards(zone, boards), option).at(0);
    EXPECT_TRUE(view->GetZoneFailures().empty());
    return bar->GetReinLine() ? GetReinMainSegment(bar->GetReinLine()) : _2dLine();
  }

  Tank tank;
  boost::shared_ptr<BottomBoardReinView> view;
  std::vector<boost::shared_ptr<_2dLine>> planLines;
  std::vector<BoardPtr> slabs;
};

TEST_F(InteriorWalls, BarsEndAtInteriorWallCentres) {
  ASSERT_EQ(slabs.size(), 3u);
  // Through two interior walls: both ends at their centres.
  const _2dLine both = DrawnMainSegment(3800, 8200, slabs);
  EXPECT_NEAR(both.GetStartPoint().x, 4000, kTol);
  EXPECT_NEAR(both.GetEndPoint().x, 8000, kTol);
  // From the outer wall through an interior one: only the interior end moves.
  const _2dLine one = DrawnMainSegment(0, 4200, {slabs[0], slabs[1]});
  EXPECT_NEAR(one.GetStartPoint().x, 0, kTol);
  EXPECT_NEAR(one.GetEndPoint().x, 4000, kTol);
  // Through three walls: nothing moves.
  const _2dLine three = DrawnMainSegment(0, 8200, slabs);
  EXPECT_NEAR(three.GetStartPoint().x, 0, kTol);
  EXPECT_NEAR(three.GetEndPoint().x, 8200, kTol);
}

TEST_F(InteriorWalls, DrawnOutlinesAndWallOrder) {
  const BoardPtr wall = boost::dynamic_pointer_cast<Board>(
      [&] {
        ObjectList owners;
        view->GetEntityOwners(planLines[2], owners);
        return owners.at(0);
      }());
  ASSERT_TRUE(wall);
  const auto lines = GetDrawnOutlineLines(*view, wall);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], planLines[2]);
  EXPECT_TRUE(GetDrawnOutlineLines(*view, slabs.front()).empty());
  std::vector<BoardPtr> walls;
  for (std::size_t i = 0; i < planLines.size(); i += 2) {
    ObjectList owners;
    view->GetEntityOwners(planLines[i], owners);
    walls.push_back(boost::dynamic_pointer_cast<Board>(owners.at(0)));
  }
  std::reverse(walls.begin(), walls.end());
  std::sort(walls.begin(), walls.end(), WallOrderAlongLine(view.get(), _2dLine(_2dPoint(-1000, 10), _2dPoint(13000, 10))));
  double last = -1e9;
  for (const BoardPtr& w : walls) {
    const double x = GetDrawnOutlineLines(*view, w)[0]->GetStartPoint().x;
    EXPECT_GT(x, last);
    last = x;
  }
  // A board drawn with other than two outline lines cannot be ordered.
  view->AddEntities({boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(1, 1))}, walls[0], {2}, {});
  EXPECT_THROW(WallOrderAlongLine(view.get(), _2dLine(_2dPoint(0, 10), _2dPoint(1, 10)))(walls[0], walls[1]),
               std::logic_error);
  // A zone on no haunch of the boards has no haunch.
  EXPECT_FALSE(FindZoneEar(tank, boost::make_shared<ReinZone>(), slabs).first);
}

}  // namespace

namespace {

// A bar segment in a wall, projected into the plan, is drawn along the face
// line of its own side, oriented with the other face on its right.
TEST_F(InteriorWalls, BarSegmentTakesTheFaceLineOfItsSide) {
  BoardPtr wall;
  for (const BoardPtr& w : tank.GetWalls()) {
    const auto lines = GetDrawnOutlineLines(*view, w);
    if (lines.size() == 2 && std::fabs(lines[0]->GetStartPoint().x - 3850) < 1e-6) wall = w;
  }
  ASSERT_TRUE(wall);
  ObjectEntityMap drawnMap;
  view->GetObjectEntityMap(drawnMap);
  const BarLineProjector project(drawnMap, ViewVolumn(), 1.0, _3dVector(0, 0, 0));
  const _3dVector n = wall->GetNormal();
  ASSERT_NEAR(std::fabs(n.x), 1.0, 1e-9);
  for (const double side : {1.0, -1.0}) {
    SCOPED_TRACE(side);
    const double x = 4000 + side * n.x * 110;  // on the bar plane of the face on that side
    const auto [found, line] = project(_3dLine(_3dPoint(x, 1000, 0), _3dPoint(x, 5000, 0)), wall);
    ASSERT_TRUE(found);
    const double faceX = 4000 + side * n.x * 150;
    EXPECT_NEAR(line.GetStartPoint().x, faceX, 1e-6);
    EXPECT_NEAR(line.GetEndPoint().x, faceX, 1e-6);
    const _2dPoint otherFace(4000 - side * n.x * 150, 3000);
    EXPECT_TRUE(g_VekGeometryComm.IsClockwise(line.GetStartPoint(), line.GetEndPoint(), otherFace));
  }
  // No board, or a board the view drew nothing for: the projected segment.
  const _3dLine s(_3dPoint(100, 200, 0), _3dPoint(300, 200, 0));
  for (const BoardPtr& board : {BoardPtr(), slabs.front()}) {
    const auto [found, line] = project(s, board);
    EXPECT_FALSE(found);
    EXPECT_EQ(line, _2dLine(_2dPoint(100, 200), _2dPoint(300, 200)));
  }
}

}  // namespace

namespace {

TEST_F(InteriorWalls, CutSegmentsSplitWhereWallsCrossThem) {
  const BoardPtr middle = slabs.at(1);
  const double z = middle->GetOrigin().z;
  const auto at = [&](double x) { return _3dPoint(x, 3000, z); };
  std::vector<_3dLine> cut = {_3dLine(at(3000), at(5000)), _3dLine(at(5000), at(7000)), _3dLine(at(7000), at(9000))};
  view->SplitCutSegmentsAtJoints(tank, middle, cut);
  std::vector<double> xs;
  for (const _3dLine& s : cut) xs.push_back(s.GetStartPoint().x);
  xs.push_back(cut.back().GetEndPoint().x);
  EXPECT_EQ(xs, (std::vector<double>{3000, 4000, 5000, 7000, 8000, 9000}));
  // A crossing at a segment end does not split; a wall's cut stays.
  std::vector<_3dLine> ends = {_3dLine(at(3000), at(4000)), _3dLine(at(4000), at(6000))};
  view->SplitCutSegmentsAtJoints(tank, middle, ends);
  EXPECT_EQ(ends.size(), 2u);
  std::vector<_3dLine> wallCut = cut;
  view->SplitCutSegmentsAtJoints(tank, tank.GetWalls().front(), wallCut);
  EXPECT_EQ(wallCut.size(), cut.size());
}

TEST_F(InteriorWalls, LinesByBoardKindAndOutlineRings) {
  view->AddEntities({boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(1, 0)),
                     boost::make_shared<_Text>("x", _3dPoint(0, 0, 0), 100.0)},
                    slabs.front(), {1, 8}, {});
  std::vector<_2dLine> walls, others;
  view->CollectLinesByBoardKind(0, walls, others);
  EXPECT_EQ(walls.size(), planLines.size());
  EXPECT_EQ(others.size(), 1u);
  walls.clear();
  others.clear();
  view->CollectLinesByBoardKind(7, walls, others);
  EXPECT_TRUE(walls.empty());
  EXPECT_EQ(others.size(), planLines.size() + 1);

  EntityList ring;
  MakeOutlineLines({{0, 0}, {100, 0}, {100, 50}, {0, 50}}, 2.0, ring);
  ASSERT_EQ(ring.size(), 4u);
  const auto closing = boost::dynamic_pointer_cast<_2dLine>(ring[3]);
  EXPECT_EQ(*closing, _2dLine(_2dPoint(0, 100), _2dPoint(0, 0)));
  EXPECT_EQ(closing->GetLayer(), GetLayerName(13));
  EXPECT_EQ(closing->GetColorIndex(), 7);
  EXPECT_EQ(closing->GetLinetype(), GetReinLineType());
  ring.clear();
  MakeOutlineLines({{5, 5}}, 1.0, ring);
  ASSERT_EQ(ring.size(), 1u);
  EXPECT_DOUBLE_EQ(boost::dynamic_pointer_cast<_2dLine>(ring[0])->GetLength(), 0.0);
  ring.clear();
  MakeOutlineLines({}, 1.0, ring);
  EXPECT_TRUE(ring.empty());
}

}  // namespace

namespace {

// The left slab of the row runs out 500 beyond the outer wall at x = 0
// (300 thick, its face 150 from the slab edge): the drawn overhang reaches
// 650 beyond the edge, measured square to it.
class SlabOverhang : public InteriorWalls {
 protected:
  void SetUp() override {
    InteriorWalls::SetUp();
    left = slabs.at(0);
    const auto& edges = left->GetEdges();
    for (std::size_t k = 0; k < edges.size(); ++k) {
      const _2dPoint a = GetEdgePlanMidPoint(edges[k], *left);
      if (std::fabs(a.x) < 1e-6) outer = static_cast<int>(k);
      if (std::fabs(a.x - 4000) < 1e-6) inner = static_cast<int>(k);
    }
    ASSERT_GE(outer, 0);
    ASSERT_GE(inner, 0);
    left->SetEdgeOverhang(outer, true, 500);
  }
  _2dLine Local(double x0, double y0, double x1, double y1) const {
    const auto local = [&](double x, double y) {
      return g_VekGeometryComm.WorldToLocal2d(left->GetOrigin(), left->GetXAxis(), left->GetYAxis(),
                                              _3dPoint(x, y, left->GetOrigin().z));
    };
    return _2dLine(local(x0, y0), local(x1, y1));
  }
  _2dPoint World(const _2dPoint& p) const {
    const _3dPoint w = g_VekGeometryComm.LocalToWorld2d(left->GetOrigin(), left->GetXAxis(), left->GetYAxis(), p);
    return _2dPoint(w.x, w.y);
  }
  BoardPtr left;
  int outer = -1, inner = -1;
};

TEST_F(SlabOverhang, PlanLinesAndCutPieces) {
  std::vector<_2dLine> lines;
  std::vector<double> offsets;
  double length = 0.0;
  view->GetOverhangEdgeLines(left, lines, offsets, length, tank);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NEAR(lines[0].GetStartPoint().x, 0, kTol);
  EXPECT_NEAR(lines[0].GetEndPoint().x, 0, kTol);
  EXPECT_EQ(offsets, std::vector<double>{150.0});
  EXPECT_DOUBLE_EQ(length, 500.0);

  const BoardEdge& edge = left->GetEdges()[static_cast<std::size_t>(outer)];
  _2dLine piece;
  // Square to the edge: 650 beyond it, away from the slab.
  ASSERT_TRUE(view->GetOverhangCutLine(tank, left, outer, edge, Local(0, 3000, 2000, 3000), piece));
  EXPECT_NEAR(World(piece.GetStartPoint()).x, 0, kTol);
  EXPECT_NEAR(World(piece.GetEndPoint()).x, -650, kTol);
  // At 30 degrees to the edge: twice as long.
  const double c = std::cos(g_Pi / 6), s = std::sin(g_Pi / 6);
  ASSERT_TRUE(view->GetOverhangCutLine(tank, left, outer, edge, Local(1000 * s, 3000 + 1000 * c, 0, 3000), piece));
  EXPECT_NEAR(piece.GetLength(), 1300, 1e-6);
  EXPECT_LT(World(piece.GetEndPoint()).x, 0);
  // Along the edge, short of it, or at an edge without overhang: none.
  EXPECT_FALSE(view->GetOverhangCutLine(tank, left, outer, edge, Local(0, 1000, 0, 3000), piece));
  EXPECT_FALSE(view->GetOverhangCutLine(tank, left, outer, edge, Local(500, 3000, 2000, 3000), piece));
  EXPECT_FALSE(view->GetOverhangCutLine(tank, left, inner, left->GetEdges()[static_cast<std::size_t>(inner)],
                                        Local(2000, 3000, 4000, 3000), piece));
}

TEST_F(SlabOverhang, SectionLinesOfTheCutSlab) {
  // A section along x at y = 3000, looking along +y.
  const _3dPoint origin(0, 3000, 0);
  const _3dVector x(1, 0, 0), y(0, 0, 1);
  const double z = left->GetOrigin().z;
  std::vector<_2dLine> lines;
  std::vector<std::pair<double, double>> halves;
  ObjectList owners;
  std::vector<int> tags;
  view->GetSlabOverhangSectionLines(tank, left, 9, origin, x, y, {_3dLine(_3dPoint(0, 3000, z), _3dPoint(4000, 3000, z))},
                                    lines, halves, owners, tags);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NEAR(lines[0].GetStartPoint().x, 0, kTol);
  EXPECT_NEAR(lines[0].GetEndPoint().x, -650, kTol);
  EXPECT_NEAR(lines[0].GetEndPoint().y, z, kTol);
  EXPECT_EQ(halves[0], std::make_pair(200.0, 200.0));
  EXPECT_FALSE(owners[0]);
  EXPECT_EQ(tags, std::vector<int>{9});
  // A wall adds nothing.
  view->GetSlabOverhangSectionLines(tank, tank.GetWalls().front(), 9, origin, x, y,
                                    {_3dLine(_3dPoint(0, 3000, z), _3dPoint(4000, 3000, z))}, lines, halves, owners,
                                    tags);
  EXPECT_EQ(lines.size(), 1u);
}

}  // namespace

namespace {

// Section marks at the wall x = 4000 (faces 3850 and 4150) of labelled bars
// along y = 2000.
class SectionMarks : public InteriorWalls {
 protected:
  ReinZonePtr Labelled(const std::vector<_2dPoint>& points, int hookType = 2) {
    auto zone = boost::make_shared<ReinZone>();
    std::vector<_3dPoint> vertices;
    for (const _2dPoint& p : points) vertices.emplace_back(p.x, p.y, 0);
    auto bar = boost::make_shared<LineReinEntity>(hookType, 1, 0, 0, _2dPolyline(vertices));
    bar->AddSegmentLabel(1, "%%13112@150", 0, &g_ViewBoard, true, true);
    view->AddLineReinEntities(zone, {bar});
    return zone;
  }
  // The model lengths the marks show, in order.
  std::vector<std::string> Marks() {
    std::vector<std::string> shown;
    EntityList entities;
    view->GetObjectEntities(g_NullOwner, entities);
    for (const EntityPtr& e : entities) {
      if (view->GetEntityKind(e) != 0x1000000) continue;
      if (const auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e)) shown.push_back(d->GetDisplayText());
      if (const auto t = boost::dynamic_pointer_cast<_Text>(e)) shown.push_back(t->GetText());
    }
    view->EraseEntitiesOfKinds(0x1000000, false);
    return shown;
  }
  using Marked = std::vector<std::string>;
};

TEST_F(SectionMarks, OneSlabFromTheFaceOrTheAxis) {
  ZoneBoardMap zones;
  zones[Labelled({{1000, 2000}, {4300, 2000}})] = {slabs[0]};
  view->DrawSectionMarks(zones, true, 0, 1, 0, planLines);
  EXPECT_EQ(Marks(), (Marked{"2850"}));  // from the face nearer the inside end
  view->DrawSectionMarks(zones, true, 0, 0, 0, planLines);
  EXPECT_EQ(Marks(), (Marked{"3000"}));  // from the wall axis
  // As a length text; bars without hooks and with semicircles alike.
  ZoneBoardMap plain;
  plain[Labelled({{1000, 2000}, {4300, 2000}}, 0)] = {slabs[0]};
  plain[Labelled({{1500, 2500}, {4300, 2500}}, 1)] = {slabs[0]};
  view->DrawSectionMarks(plain, true, 1, 0, 0, planLines);
  const Marked texts = Marks();
  EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()), (std::set<std::string>{"3000", "2500"}));
}

TEST_F(SectionMarks, TwoSlabsAndTheMergeFlag) {
  ZoneBoardMap unequal, equal;
  unequal[Labelled({{3000, 2000}, {5500, 2000}})] = {slabs[0], slabs[1]};
  equal[Labelled({{3000, 2000}, {5000, 2000}})] = {slabs[0], slabs[1]};
  view->DrawSectionMarks(unequal, true, 0, 1, 1, planLines);
  EXPECT_EQ(Marks(), (Marked{"850", "1350"}));
  view->DrawSectionMarks(equal, true, 0, 1, 1, planLines);
  EXPECT_EQ(Marks(), (Marked{"850"}));
  view->DrawSectionMarks(equal, false, 0, 1, 1, planLines);
  EXPECT_EQ(Marks(), (Marked{"850", "850"}));
}

TEST_F(SectionMarks, ZonesFailingAChecksGetNoMark) {
  ZoneBoardMap zones;
  zones[Labelled({{0, 0}, {1000, 2000}, {2000, 2000}, {4300, 2000}, {4300, 2500}}, 0)] = {slabs[0]};  // 5 vertices
  zones[Labelled({{1000, 3000}, {3000, 3000}})] = {slabs[0]};     // crosses no wall
  zones[Labelled({{1000, 3500}, {8300, 3500}})] = {slabs[0]};     // crosses four faces
  zones[Labelled({{4300, 1000}, {7000, 1000}})] = {slabs[0]};     // neither end inside its slab
  auto unlabelled = boost::make_shared<ReinZone>();
  view->AddLineReinEntities(unlabelled, {boost::make_shared<LineReinEntity>(
                                            2, 1, 0, 0, _2dPolyline(std::vector<_3dPoint>{{1000, 1500}, {4300, 1500}}))});
  zones[unlabelled] = {slabs[0]};
  zones[Labelled({{1000, 2000}, {4300, 2000}})] = {slabs[0]};     // marked
  view->DrawSectionMarks(zones, true, 0, 1, 0, planLines);
  EXPECT_EQ(Marks(), (Marked{"2850"}));
}

}  // namespace

namespace {

// A 300 × 300 haunch (45 degrees) between the left slab (400 thick, top at
// −3000) and the outer wall at x = 0 (300 thick), seen in a section along x
// at y = 3000: from the slab top 450 from the wall axis to the wall face
// 300 above the slab top; the two face lines stop at the haunch.
TEST_F(InteriorWalls, HaunchLineAtAWallAndSlabJunction) {
  BoardPtr wall;
  for (const BoardPtr& w : tank.GetWalls()) {
    _2dLine axis;
    if (GetWallPlanLine(w, axis) && std::fabs(axis.GetStartPoint().x) < 1e-6 && std::fabs(axis.GetEndPoint().x) < 1e-6)
      wall = w;
  }
  ASSERT_TRUE(wall);
  const BoardPtr slab = slabs.at(0);
  BoardJointPtr joint;
  ASSERT_TRUE(tank.FindJoint(slab, wall, joint));
  auto ear = boost::make_shared<Ear>();
  ear->SetLength(300);
  ear->SetAngle(0.25 * g_Pi);
  SetJointEar(joint, ear);

  const double z = slab->GetOrigin().z, top = z + slab->GetUpperOffset();
  const double inner = 150;  // the wall's inner face
  auto slabTop = boost::make_shared<_2dLine>(_2dPoint(inner, top), _2dPoint(4000, top));
  auto wallFace = boost::make_shared<_2dLine>(_2dPoint(inner, top), _2dPoint(inner, 800));
  const std::vector<EntityList> outlines = {{slabTop}, {wallFace}};
  const std::vector<std::vector<_3dPoint>> traces = {{_3dPoint(0, 3000, z), _3dPoint(4000, 3000, z)},
                                                     {_3dPoint(0, 3000, z), _3dPoint(0, 3000, 800)}};
  std::vector<boost::shared_ptr<_2dLine>> lines;
  view->DrawBoardJunctions(19, tank, _3dPoint(0, 3000, 0), _3dVector(1, 0, 0), _3dVector(0, 0, 1), {slab, wall},
                           traces, outlines, lines);
  ASSERT_EQ(lines.size(), 1u);
  const _2dLine& haunch = *lines[0];
  EXPECT_NEAR(haunch.GetStartPoint().x, 450, kTol);
  EXPECT_NEAR(haunch.GetStartPoint().y, top, kTol);
  EXPECT_NEAR(haunch.GetEndPoint().x, 150, kTol);
  EXPECT_NEAR(haunch.GetEndPoint().y, top + 300, kTol);
  EXPECT_NEAR(slabTop->GetStartPoint().x, 450, kTol);
  EXPECT_NEAR(wallFace->GetStartPoint().y, top + 300, kTol);
  EXPECT_EQ(lines[0]->GetLayer(), GetLayerName(19));
  EntityList registered;
  ASSERT_TRUE(view->GetObjectEntities(ear, registered));
  EXPECT_EQ(view->GetEntityKind(registered.at(0)), 4);

  // Without a haunch: one default line, nothing registered or trimmed; two
  // slabs: nothing.
  SetJointEar(joint, EarPtr());
  lines.clear();
  view->DrawBoardJunctions(19, tank, _3dPoint(0, 3000, 0), _3dVector(1, 0, 0), _3dVector(0, 0, 1), {slab, wall},
                           traces, outlines, lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(*lines[0], _2dLine());
  lines.clear();
  view->DrawBoardJunctions(19, tank, _3dPoint(0, 3000, 0), _3dVector(1, 0, 0), _3dVector(0, 0, 1),
                           {slabs[0], slabs[1]}, {traces[0], traces[0]}, {{}, {}}, lines);
  EXPECT_TRUE(lines.empty());
}

}  // namespace

namespace {

// Two walls 300 thick meeting at the corner (0, 0) of a 6000 × 4000 cell
// with a 300 × 300 haunch (45 degrees) on their joint, seen in plan: the
// haunch runs from the face of one wall to the face of the other, 450 from
// the corner along each axis, and the two inner face lines that met at the
// corner (150, 150) now stop at it.  The wall plan draws it on the wall
// layer, the slab plans on the hidden-line layer.
TEST(WallJunctions, HaunchBetweenTwoWallsTrimsTheirInnerFaces) {
  g_ViewBoard.Reset();
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 6000, 4000), true));
  BoardPtr alongY, alongX;
  for (const BoardPtr& w : tank.GetWalls()) {
    _2dLine axis;
    if (!GetWallPlanLine(w, axis)) continue;
    const _2dPoint a = axis.GetStartPoint(), b = axis.GetEndPoint();
    if (std::fabs(a.x) < 1e-6 && std::fabs(b.x) < 1e-6) alongY = w;
    if (std::fabs(a.y) < 1e-6 && std::fabs(b.y) < 1e-6) alongX = w;
  }
  ASSERT_TRUE(alongY && alongX);
  BoardJointPtr joint;
  ASSERT_TRUE(tank.FindJoint(alongX, alongY, joint));
  auto ear = boost::make_shared<Ear>();
  ear->SetLength(300);
  ear->SetAngle(0.25 * g_Pi);
  SetJointEar(joint, ear);

  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    auto view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
    const std::vector<BoardPtr> walls = tank.GetWalls();
    view->DrawBoardPlans(tank, 1.0, mode, {walls.begin(), walls.end()});
    EntityList haunch;
    ASSERT_TRUE(view->GetObjectEntities(ear, haunch));
    ASSERT_EQ(haunch.size(), 1u);
    EXPECT_EQ(view->GetEntityKind(haunch[0]), 4);
    EXPECT_EQ(haunch[0]->GetLayer(), GetLayerName(mode == 0 ? 11 : 19));
    const auto line = boost::dynamic_pointer_cast<_2dLine>(haunch[0]);
    ASSERT_TRUE(line);
    const auto [low, high] = std::minmax(line->GetStartPoint(), line->GetEndPoint(), PointLess(1e-4));
    EXPECT_NEAR(low.x, 150, kTol);
    EXPECT_NEAR(low.y, 450, kTol);
    EXPECT_NEAR(high.x, 450, kTol);
    EXPECT_NEAR(high.y, 150, kTol);
    // The face lines of both walls: none reaches the inner corner any more;
    // the inner faces end where the haunch begins.
    int trimmed = 0;
    for (const BoardPtr& w : {alongX, alongY}) {
      EntityList faces;
      ASSERT_TRUE(view->GetObjectEntities(w, faces));
      for (const EntityPtr& e : faces) {
        const auto f = boost::dynamic_pointer_cast<_2dLine>(e);
        if (!f) continue;
        for (const _2dPoint& p : {f->GetStartPoint(), f->GetEndPoint()}) {
          EXPECT_FALSE(std::fabs(p.x - 150) < kTol && std::fabs(p.y - 150) < kTol);
          if ((std::fabs(p.x - 150) < kTol && std::fabs(p.y - 450) < kTol) ||
              (std::fabs(p.x - 450) < kTol && std::fabs(p.y - 150) < kTol))
            ++trimmed;
        }
      }
    }
    EXPECT_EQ(trimmed, 2);
    view.reset();
    g_ViewBoard.Reset();
  }
}

}  // namespace
