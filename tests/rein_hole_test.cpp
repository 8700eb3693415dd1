// Added bars around openings: the count and diameter search (the added bars
// carry at least the area the opening cuts), the checks of the opening
// settings, the classification of rectangular openings, and a wall with a
// rectangular and a circular opening whose bars are worked out by hand.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "rebar/DetailingRules.h"
#include "rebar/HoleReins.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <stdexcept>
#include <string>
#include <tuple>
#include <typeinfo>

namespace {

using rebarfx::MakeBoard;

double BarArea(double d) { return g_Pi / 4 * d * d; }

// ---------------------------------------------------------------------------
// Count and diameter of the added bars.

TEST(OpeningBars, SearchRoundsUpSoTheAddedBarsCarryTheCutArea) {
  const double cut12at200 = BarArea(12) * (1000.0 / 200 + 1);  // 678.58 mm²: 12 mm bars at 200 over 1000 mm
  struct Case {
    const char* what;
    double area;
    int count, min, max;
    int wantCount, wantDiameter;
  };
  const Case cases[] = {
      // 2 bars need 20.78 mm: the next standard size up is 22.
      {"rounded up to the next size", cut12at200, 2, 12, 22, 2, 22},
      // 2 bars of 17.5 mm exactly: 18, not 16.
      {"17.5 mm takes 18", 2 * BarArea(17.5), 2, 12, 22, 2, 18},
      // A largest size of 16: 3 bars need 16.97 (18, too large), 4 need 14.70 (16).
      {"count raised until the size fits", cut12at200, 2, 12, 16, 4, 16},
      // Below the smallest allowed size: the smallest, with the start count.
      {"smallest size", cut12at200, 2, 25, 28, 2, 25},
      {"tiny area takes the smallest size", 10.0, 3, 12, 22, 3, 12},
      // A largest size between standard sizes: 2 bars need 22.5 (25 > 23), 3 bars 18.4 (20).
      {"largest size between standard sizes", 2 * BarArea(22.5), 2, 12, 23, 3, 20},
      // An area that needs thousands of bars of the largest size ends all the same.
      {"huge area", 1.0e6, 2, 12, 22, 2631, 22},
      {"nothing cut", 0.0, 2, 12, 22, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const OpeningBarChoice got = ChooseOpeningBars(c.area, c.count, c.min, c.max);
    EXPECT_EQ(got.count, c.wantCount);
    EXPECT_EQ(got.diameter, c.wantDiameter);
    EXPECT_GE(got.count * BarArea(got.diameter), c.area - 1e-9);
    EXPECT_LE(got.diameter, c.max);
  }
}

TEST(OpeningBars, SearchRefusesSettingsWithoutAnEnd) {
  struct Case {
    int count, min, max;
  };
  const Case cases[] = {{0, 12, 22}, {-1, 12, 22}, {2, 5, 22}, {2, 4, 5}, {2, 22, 12}};
  for (const Case& c : cases)
    EXPECT_THROW(ChooseOpeningBars(500.0, c.count, c.min, c.max), std::invalid_argument)
        << c.count << " " << c.min << " " << c.max;
  EXPECT_THROW(ChooseOpeningBars(std::nan(""), 2, 12, 22), std::invalid_argument);
}

TEST(OpeningBars, SettingsCheckNamesTheWrongSetting) {
  EXPECT_NO_THROW(CheckOpeningReinSettings(OpeningReinSettings()));
  struct Case {
    void (*spoil)(OpeningReinSettings&);
    const char* name;
  };
  const Case cases[] = {
      {[](OpeningReinSettings& s) { s.SetSideBarCount(0); }, "side_bar_count"},
      {[](OpeningReinSettings& s) { s.SetRectBarCount(0); }, "added_bar_count"},
      {[](OpeningReinSettings& s) { s.SetSideBarSpacing(0); }, "side_bar_spacing_mm"},
      {[](OpeningReinSettings& s) { s.SetRectBarSpacing(-50); }, "added_bar_spacing_mm"},
      {[](OpeningReinSettings& s) { s.SetTieSpacing(0); }, "tie_spacing_mm"},
      {[](OpeningReinSettings& s) { s.SetSideBarMinDiameter(4); }, "side_bar_min_diameter_mm"},
      {[](OpeningReinSettings& s) { s.SetSideBarMaxDiameter(10); }, "side_bar_max_diameter_mm"},
      {[](OpeningReinSettings& s) { s.SetRectBarMaxDiameter(5); }, "added_bar_max_diameter_mm"},
  };
  for (const Case& c : cases) {
    OpeningReinSettings s;
    c.spoil(s);
    try {
      CheckOpeningReinSettings(s);
      ADD_FAILURE() << c.name << " accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
    }
  }
}

// ---------------------------------------------------------------------------
// A wall 8000 × 4000, 300 thick (C30, HRB335): X bars 12@150 on the upper
// face and 12@200 on the lower one, Y bars 10@200 on both.

struct WallFixture {
  rebarfx::Design design;
  Tank tank;
  BoardPtr wall = MakeBoard(0, 8000, 4000, 300);
  double cu = 0, cl = 0;
  WallFixture() {
    tank.AddBoard(wall);
    auto set = [this](bool upper, bool x, int d, int s) {
      FaceValues& v = wall->GetFaceValues(upper, x);
      v.diameter = d;
      v.spacing = s;
      v.grade = "HRB335";
    };
    set(true, true, 12, 150);
    set(false, true, 12, 200);
    set(true, false, 10, 200);
    set(false, false, 10, 200);
    cu = GetConcreteCover(design.options, wall, true);
    cl = GetConcreteCover(design.options, wall, false);
  }
  OpeningReinSettings& Settings() { return design.settings.GetOpeningReinSettings(); }
  HolePtr AddRect(double x0, double y0, double a, double b) {
    auto hole = boost::make_shared<RectangleHole>();
    hole->SetCorners({_2dPoint(x0, y0), _2dPoint(x0 + a, y0), _2dPoint(x0 + a, y0 + b), _2dPoint(x0, y0 + b)});
    wall->AddHole(hole);
    return hole;
  }
  HolePtr AddCircle(double cx, double cy, double r) {
    auto hole = boost::make_shared<CircleHole>();
    hole->SetCenter(_2dPoint(cx, cy));
    hole->SetRadius(r);
    wall->AddHole(hole);
    return hole;
  }
  void Reinforce() {
    ReinTrendAdapter adapter(tank);
    ReinDesigner().ReinforceHoles(tank, design.options, adapter);
  }
};

// Anchorage length of ribbed bars in C30: 0.14·fy·d / 1.43.
double La(double fy, double d) { return 0.14 * fy * d / 1.43; }

const _3dPoint& V(const ReinPtr& bar, int i) { return bar->GetPolyline().GetVertexAt(i); }

// Rectangular opening 1200 × 600 at (2000, 1500): one side above 1000 and the
// settings classify by side length, so the bars along the 1200 side get ties.
TEST(OpeningBars, RectangularOpeningInAWall) {
  WallFixture f;
  const HolePtr hole = f.AddRect(2000, 1500, 1200, 600);
  f.Reinforce();
  const auto& zones = hole->GetZones();
  // Side bars and ties along the long sides, added bars along the short
  // sides, corner bars.
  ASSERT_EQ(zones.size(), 4u);
  for (const ReinZonePtr& z : zones) EXPECT_EQ(z->GetCategory(), 6);

  // Along the 1200 sides the X bars govern, the upper 12@150: cut area
  // π/4·144·(1200/150 + 1) = 1017.9 mm²; 2 bars would need 25.5 mm (28, above
  // 25), so 3 bars of 22 mm (3·380.1 = 1140 mm²) per side and face, 50, 100
  // and 150 mm beyond the side, running 35·22 = 770 mm past both corners.
  const double cutLong = BarArea(12) * (1200.0 / 150 + 1);
  const auto& side = zones[0]->GetReins();
  ASSERT_EQ(side.size(), 12u);
  EXPECT_GE(3 * BarArea(22), cutLong);
  const double zSide = 150 - f.cu - 8 - 11;
  const double ys[3][2] = {{2150, 1450}, {2200, 1400}, {2250, 1350}};
  for (int k = 0; k < 3; ++k)
    for (int sigma = 0; sigma < 2; ++sigma)
      for (int face = 0; face < 2; ++face) {
        const ReinPtr& bar = side[k * 4 + sigma * 2 + face];
        EXPECT_EQ(bar->GetDiameter(), 22);
        EXPECT_EQ(bar->GetGrade(), "HRB335");
        EXPECT_NEAR(V(bar, 0).x, 2600 - 1370, 1e-6);
        EXPECT_NEAR(V(bar, 1).x, 2600 + 1370, 1e-6);
        EXPECT_NEAR(V(bar, 0).y, ys[k][sigma], 1e-6);
        EXPECT_NEAR(V(bar, 0).z, face == 0 ? zSide : -(150 - f.cl - 8 - 11), 1e-6);
      }
  // Ties: 2740 mm of bar at 200 gives 13 spacings and 70 mm at both ends, so
  // 14 positions on each side; each tie 8 mm, 2·50 + 8 + 22 = 130 wide,
  // wrapping the side bars from 35 to 165 mm beyond the side (15 mm, half a
  // bar and half a tie, outside the first and the last bar's axis).
  const auto& ties = zones[1]->GetReins();
  ASSERT_EQ(ties.size(), 28u);
  EXPECT_NEAR(V(ties[0], 0).x, 2600 + 1370 - 70, 1e-6);
  EXPECT_NEAR(V(ties[27], 0).x, 2600 - 1370 + 70, 1e-6);
  for (const ReinPtr& tie : ties) {
    EXPECT_EQ(tie->GetTieFlag(), 1);
    EXPECT_TRUE(tie->GetPolyline().IsClosed());
    EXPECT_EQ(tie->GetDiameter(), 8);
    const double height = (150 - f.cu - 4) + (150 - f.cl - 4);
    EXPECT_NEAR(tie->GetLength(), 2 * (130 + height), 1e-6);
  }
  EXPECT_NEAR(V(ties[0], 1).y, 2100 + 35, 1e-6);
  EXPECT_NEAR(V(ties[0], 0).y, 2100 + 165, 1e-6);

  // Along the 600 sides the Y bars govern (10@200 on both faces, so the
  // lower): π/4·100·(600/200 + 1) = 314.2 mm².  2 bars need 14.14 mm; 14 mm
  // bars would carry only 307.9, so 16 (402.1).  They are anchored by
  // 0.14·300·16/1.43 = 469.9 mm past both corners, in the layer of the face
  // bars.
  const auto& added = zones[2]->GetReins();
  ASSERT_EQ(added.size(), 8u);
  EXPECT_LT(2 * BarArea(14), BarArea(10) * 4);
  const double xs[2][2] = {{3250, 1950}, {3300, 1900}};
  for (int k = 0; k < 2; ++k)
    for (int sigma = 0; sigma < 2; ++sigma) {
      const ReinPtr& bar = added[k * 4 + sigma * 2];
      EXPECT_EQ(bar->GetDiameter(), 16);
      EXPECT_NEAR(V(bar, 0).x, xs[k][sigma], 1e-6);
      EXPECT_NEAR(bar->GetLength(), 600 + 2 * La(300, 16), 1e-6);
      EXPECT_NEAR(V(bar, 0).z, 150 - f.cu - 8, 1e-6);
    }

  // Corner bars: 12 mm plain bars across the diagonals, 2·la = 2·0.14·210·12
  // /1.43 long, the first row √(50² + 50²) beyond each corner, the second 50
  // further; 4 corners × 2 rows × 2 faces.
  const auto& corners = zones[3]->GetReins();
  ASSERT_EQ(corners.size(), 16u);
  const double halfDiagonal = std::hypot(600.0, 300.0);
  for (int i = 0; i < 16; ++i) {
    const ReinPtr& bar = corners[i];
    EXPECT_EQ(bar->GetGrade(), "HPB235");
    EXPECT_NEAR(bar->GetLength(), 2 * La(210, 12), 1e-6);
    const _3dPoint& a = V(bar, 0);
    const _3dPoint& b = V(bar, 1);
    const double mx = (a.x + b.x) / 2 - 2600, my = (a.y + b.y) / 2 - 1800;
    const double row = (i / 2) % 2 == 0 ? 0.0 : 50.0;
    EXPECT_NEAR(std::hypot(mx, my), halfDiagonal + std::sqrt(5000.0) + row, 1e-6);
    // Across the diagonal.
    EXPECT_NEAR((b.x - a.x) * mx + (b.y - a.y) * my, 0.0, 1e-6);
  }
}

// Circular opening of radius 400 at (6000, 2000): straight bars beside it,
// parallel to the bars it cuts, and two rings.
TEST(OpeningBars, MediumCircularOpeningInAWall) {
  WallFixture f;
  const HolePtr hole = f.AddCircle(6000, 2000, 400);
  f.Reinforce();
  const auto& zones = hole->GetZones();
  ASSERT_EQ(zones.size(), 2u);
  const auto& bars = zones[0]->GetReins();
  ASSERT_EQ(bars.size(), 16u);
  // X bars cut: the upper 12@150 over the radius plus one:
  // (400/150 + 1)·113.1 = 414.7 mm² per side; 2 bars need 16.2 mm, so 18
  // (509 mm²).  They run along X, 18/2 + 400 + 36 = 445 and 495 mm from the
  // centre, 2·(la + 400) long.
  EXPECT_GE(2 * BarArea(18), (400.0 / 150 + 1) * BarArea(12));
  const double xOffsets[] = {445, 445, -445, -445, 495, 495, -495, -495};
  for (int i = 0; i < 8; ++i) {
    const ReinPtr& bar = bars[i];
    EXPECT_EQ(bar->GetDiameter(), 18);
    EXPECT_NEAR(V(bar, 0).y, 2000 + xOffsets[i], 1e-6);
    EXPECT_NEAR(V(bar, 1).y, V(bar, 0).y, 1e-6);
    EXPECT_NEAR(bar->GetLength(), 2 * (La(300, 18) + 400), 1e-6);
    EXPECT_NEAR(V(bar, 0).z, i % 2 == 0 ? 150 - f.cu - 9 : -(150 - f.cl - 9), 1e-6);
  }
  // Y bars cut: 10@200: 3·78.5 = 235.6 mm²; 2 bars need 12.2 mm, so 14.
  // They lie at the X bars' levels (set by the 18 mm diameter).
  EXPECT_GE(2 * BarArea(14), 3 * BarArea(10));
  const double yOffsets[] = {443, 443, -443, -443, 493, 493, -493, -493};
  for (int i = 0; i < 8; ++i) {
    const ReinPtr& bar = bars[8 + i];
    EXPECT_EQ(bar->GetDiameter(), 14);
    EXPECT_NEAR(V(bar, 0).x, 6000 + yOffsets[i], 1e-6);
    EXPECT_NEAR(V(bar, 1).x, V(bar, 0).x, 1e-6);
    EXPECT_NEAR(bar->GetLength(), 2 * (La(300, 14) + 400), 1e-6);
    EXPECT_NEAR(V(bar, 0).z, i % 2 == 0 ? 150 - f.cu - 9 : -(150 - f.cl - 9), 1e-6);
  }
  // Rings of 12 mm plain bar, radius 430, closing with a lap of 1.2·la.
  const auto& rings = zones[1]->GetReins();
  ASSERT_EQ(rings.size(), 2u);
  for (const ReinPtr& ring : rings) {
    EXPECT_EQ(ring->GetDiameter(), 12);
    EXPECT_EQ(ring->GetGrade(), "HPB235");
    EXPECT_NEAR(ring->GetLength(), 2 * g_Pi * 430 + 1.2 * La(210, 12), 1e-6);
    EXPECT_NEAR(V(ring, 0).x, 6000, 1e-6);
    EXPECT_NEAR(V(ring, 0).y, 2430, 1e-6);
  }
  EXPECT_NEAR(V(rings[0], 0).z, 150 - f.cu - 6, 1e-6);
  EXPECT_NEAR(V(rings[1], 0).z, -(150 - f.cl - 6), 1e-6);
}

// Radius 600: the enclosing 1200 square takes side bars with ties along
// both pairs of sides.
TEST(OpeningBars, LargeCircularOpeningTakesTheEnclosingSquare) {
  WallFixture f;
  const HolePtr hole = f.AddCircle(6000, 2000, 600);
  f.Reinforce();
  const auto& zones = hole->GetZones();
  ASSERT_EQ(zones.size(), 3u);
  // Along X: 3 bars of 22 as for the 1200 opening above; along Y: the lower
  // 10@200 over 1200: 549.8 mm², 2 bars need 18.7 mm, so 20.
  const auto& side = zones[0]->GetReins();
  ASSERT_EQ(side.size(), 12u + 8u);
  EXPECT_EQ(side[0]->GetDiameter(), 22);
  EXPECT_EQ(side[12]->GetDiameter(), 20);
  EXPECT_NEAR(side[12]->GetLength(), 1200 + 2 * 35 * 20, 1e-6);
  // Ties: 2740 at 200 (14 positions) and 2600 at 200 (13 spacings, 14
  // positions), both sides.
  EXPECT_EQ(zones[1]->GetReins().size(), 28u + 28u);
  EXPECT_EQ(zones[2]->GetReins().size(), 2u);  // rings
}

TEST(OpeningBars, SizeThresholds) {
  struct Case {
    const char* what;
    bool circle;
    double a, b;  // radius, or the two sides
    std::size_t zones;
  };
  const Case cases[] = {
      {"radius 150: nothing", true, 150, 0, 0},
      {"radius 150.02: straight bars and rings", true, 150.02, 0, 2},
      {"radius 500: straight bars and rings", true, 500, 0, 2},
      {"radius 500.02: side bars, ties and rings", true, 500.02, 0, 3},
      {"300 x 300: nothing", false, 300, 300, 0},
      {"301 x 200: added bars both ways and corner bars", false, 301, 200, 3},
      {"1200 x 1200: side bars and ties both ways, no corner bars", false, 1200, 1200, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WallFixture f;
    const HolePtr hole = c.circle ? f.AddCircle(4000, 2000, c.a) : f.AddRect(3000, 1500, c.a, c.b);
    f.Reinforce();
    EXPECT_EQ(hole->GetZones().size(), c.zones);
  }
  // Without rings and corner bars.
  WallFixture f;
  f.Settings().SetRingBar(false);
  f.Settings().SetCornerBars(false);
  const HolePtr circle = f.AddCircle(6000, 2000, 400);
  const HolePtr rect = f.AddRect(1000, 1000, 800, 600);
  f.Reinforce();
  EXPECT_EQ(circle->GetZones().size(), 1u);
  EXPECT_EQ(rect->GetZones().size(), 2u);
}

TEST(OpeningBars, BoardWithoutBarsGetsNoAddedBars) {
  WallFixture f;
  for (bool upper : {true, false})
    for (bool x : {true, false}) f.wall->GetFaceValues(upper, x) = FaceValues();
  f.Settings().SetRingBar(false);
  f.Settings().SetCornerBars(false);
  const HolePtr hole = f.AddRect(1000, 1000, 800, 600);
  f.Reinforce();
  EXPECT_TRUE(hole->GetZones().empty());
}

TEST(OpeningBars, InvalidSettingsStopTheStepWithTheirName) {
  WallFixture f;
  f.Settings().SetRectBarCount(0);
  f.AddRect(1000, 1000, 800, 600);
  try {
    f.Reinforce();
    ADD_FAILURE() << "accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("added_bar_count"), std::string::npos);
  }
  // A small opening that needs no bars does not read the settings.
  WallFixture g;
  g.Settings().SetRectBarCount(0);
  const HolePtr small = g.AddRect(1000, 1000, 300, 300);
  EXPECT_NO_THROW(g.Reinforce());
}

// Openings near the wall's edges: bars that would run past the wall's
// outline stop one cover inside it, and ties beyond the bars are left out.
TEST(OpeningBars, BarsNearTheBoardEdgeStayInTheConcrete) {
  WallFixture f;
  const HolePtr nearLeft = f.AddRect(200, 1500, 1200, 600);
  const HolePtr nearCorner = f.AddCircle(7300, 3300, 400);
  f.Reinforce();
  ASSERT_EQ(nearLeft->GetZones().size(), 4u);
  ASSERT_EQ(nearCorner->GetZones().size(), 2u);
  // The side bars along the 1200 sides would start at 800 − 1370 < 0: they
  // start one cover inside the wall's left edge instead.
  for (const ReinPtr& bar : nearLeft->GetZones()[0]->GetReins()) {
    EXPECT_NEAR(V(bar, 0).x, f.cu, 1e-6);
    EXPECT_NEAR(V(bar, 1).x, 800 + 1370, 1e-6);
  }
  // Ties: positions 70 mm in from the bars' ends, 200 apart; those left of
  // the wall are gone (2170 − 70 − 200·j ≥ cover for j up to 10).
  EXPECT_EQ(nearLeft->GetZones()[1]->GetReins().size(), 2u * 11u);
  for (const HolePtr& hole : {nearLeft, nearCorner})
    for (const ReinZonePtr& zone : hole->GetZones())
      for (const ReinPtr& bar : zone->GetReins())
        for (const _3dPoint& p : bar->GetPolyline().GetVertices()) {
          EXPECT_GE(p.x, 0.0);
          EXPECT_LE(p.x, 8000.0);
          EXPECT_GE(p.y, 0.0);
          EXPECT_LE(p.y, 4000.0);
          EXPECT_LE(std::abs(p.z), 150.0);
        }
}

// Equal openings get equal bars, so they share a detail number; an opening
// whose bars were cut back at the wall's edge has bars of its own.
TEST(OpeningBars, EqualOpeningsShareTheirDetailNumber) {
  WallFixture f;
  const HolePtr a = f.AddRect(2000, 1500, 800, 600);
  const HolePtr b = f.AddRect(5000, 1500, 800, 600);
  const HolePtr nearEdge = f.AddRect(100, 1500, 800, 600);
  f.Reinforce();
  TankDesigner::NumberHoles(f.tank);
  EXPECT_EQ(a->GetNumber(), b->GetNumber());
  EXPECT_NE(a->GetNumber(), nearEdge->GetNumber());
}

// One side above 1000: by the longer side, or by the board's extent along
// the lines of the two sides through the opening (the shorter takes the
// ties).  On the wall 8000 wide and 4000 high, the horizontal line through a
// 1200 × 600 opening spans 8000, the vertical 4000.
TEST(OpeningBars, RectangularOpeningClassification) {
  WallFixture f;
  const std::vector<_2dPoint> wide = {_2dPoint(2000, 1500), _2dPoint(3200, 1500), _2dPoint(3200, 2100),
                                      _2dPoint(2000, 2100)};
  // The same opening outside the board: its lines do not cross the outline
  // on both sides, so the longer side decides.
  const std::vector<_2dPoint> outside = {_2dPoint(9000, 5000), _2dPoint(10200, 5000), _2dPoint(10200, 5600),
                                         _2dPoint(9000, 5600)};
  // Closed corner list (first corner repeated), both sides above 1000.
  const std::vector<_2dPoint> big = {_2dPoint(0, 0), _2dPoint(1500, 0), _2dPoint(1500, 1200), _2dPoint(0, 1200),
                                     _2dPoint(0, 0)};
  struct Case {
    const char* what;
    const std::vector<_2dPoint>* corners;
    bool bySide;
    bool large0, large1;
  };
  const Case cases[] = {
      {"by side length", &wide, true, true, false},
      {"by extent: the vertical line is shorter", &wide, false, false, true},
      {"no crossings: by side length", &outside, false, true, false},
      {"both sides above 1000", &big, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RectOpeningClass cls = ClassifyRectOpening(*f.wall, *c.corners, c.bySide);
    EXPECT_EQ(cls.large[0], c.large0);
    EXPECT_EQ(cls.large[1], c.large1);
  }
}

// An eccentric board (upper face 200, lower 100 from the reference plane) with
// unequal covers: each face's bars lie by its own offset and cover.
TEST(OpeningBars, BarLevelsFollowEachFace) {
  WallFixture f;
  f.wall->SetUpperOffset(200);
  f.wall->SetLowerOffset(100);
  f.wall->SetUpperFaceOuter(true);
  f.design.settings.GetMaterialSettings().SetWallOuterCover(50);
  const double cu = GetConcreteCover(f.design.options, f.wall, true);
  const double cl = GetConcreteCover(f.design.options, f.wall, false);
  f.Settings().SetCornerBars(false);
  const HolePtr hole = f.AddRect(1000, 1000, 800, 600);
  f.Reinforce();
  ASSERT_EQ(hole->GetZones().size(), 2u);
  for (const ReinZonePtr& zone : hole->GetZones()) {
    const auto& bars = zone->GetReins();
    ASSERT_GE(bars.size(), 2u);
    const double d = bars[0]->GetDiameter();
    EXPECT_NEAR(V(bars[0], 0).z, 200 - cu - d / 2, 1e-6);
    EXPECT_NEAR(V(bars[1], 0).z, -(100 - cl - d / 2), 1e-6);
  }
}

// The example's openings after a whole design: a 1000 × 800 opening in a
// wall (added bars both ways and corner bars) and one of radius 350 in a top
// slab (straight bars and rings); every bar within its board's thickness; a
// second run gives the same bars.
class DesignedOpenings : public HostCommandTest {};

TEST_F(DesignedOpenings, ExampleOpeningsGetTheirBarsAgainOnEveryRun) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  ASSERT_TRUE(designer.Analyse());
  auto snapshot = [&designer]() {
    std::vector<std::vector<std::vector<_3dPoint>>> bars;
    for (const BoardPtr& board : ReinDesigner::DesignBoards(designer.GetTank()))
      for (const HolePtr& hole : board->GetHoles())
        for (const ReinZonePtr& zone : hole->GetZones()) {
          bars.emplace_back();
          for (const ReinPtr& bar : zone->GetReins()) bars.back().push_back(bar->GetPolyline().GetVertices());
        }
    return bars;
  };
  designer.DesignRein(nullptr);
  int rects = 0, circles = 0;
  for (const BoardPtr& board : ReinDesigner::DesignBoards(designer.GetTank()))
    for (const HolePtr& hole : board->GetHoles()) {
      const bool circle = typeid(*hole) == typeid(CircleHole);
      (circle ? circles : rects)++;
      EXPECT_EQ(hole->GetZones().size(), circle ? 2u : 3u);
      for (const ReinZonePtr& zone : hole->GetZones()) {
        EXPECT_EQ(zone->GetCategory(), 6);
        EXPECT_FALSE(zone->GetReins().empty());
        for (const ReinPtr& bar : zone->GetReins())
          for (const _3dPoint& p : bar->GetPolyline().GetVertices()) {
            const _3dPoint o = board->GetOrigin();
            const _3dVector n = board->GetNormal();
            const double z = (p.x - o.x) * n.x + (p.y - o.y) * n.y + (p.z - o.z) * n.z;
            EXPECT_LT(z, board->GetUpperOffset());
            EXPECT_GT(z, -board->GetLowerOffset());
          }
      }
    }
  EXPECT_EQ(rects, 1);
  EXPECT_EQ(circles, 1);
  const auto first = snapshot();
  designer.DesignRein(nullptr);
  EXPECT_EQ(snapshot(), first);

  // Saved and read back: the same opening bars, ties, rings and their bulges.
  const std::vector<std::uint8_t> bytes = fixtures::StoreTank(designer.GetTank());
  Tank reopened;
  fixtures::ReadTank(reopened, bytes);
  auto bars = [](const Tank& tank) {
    std::vector<std::tuple<std::vector<_3dPoint>, std::vector<double>, bool, int, int, std::string>> all;
    for (const BoardPtr& board : ReinDesigner::DesignBoards(tank))
      for (const HolePtr& hole : board->GetHoles())
        for (const ReinZonePtr& zone : hole->GetZones())
          for (const ReinPtr& bar : zone->GetReins())
            all.emplace_back(bar->GetPolyline().GetVertices(), bar->GetPolyline().GetBulges(),
                             bar->GetPolyline().IsClosed(), bar->GetTieFlag(), bar->GetDiameter(), bar->GetGrade());
    return all;
  };
  const auto saved = bars(designer.GetTank());
  EXPECT_FALSE(saved.empty());
  EXPECT_EQ(bars(reopened), saved);
  EXPECT_EQ(fixtures::StoreTank(reopened), bytes);
}

}  // namespace
