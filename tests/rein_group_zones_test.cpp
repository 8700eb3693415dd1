// Face zones of board groups: grouping by direction, plane and contact; the
// group outline (also where boards share only part of an edge), the strongest
// bar set per layer, the bar layer of boards of unequal thickness, bar counts
// and lengths worked out by hand; the progress of the face-zone step; and the
// merged design of the examples.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"
#include "rebar/FaceZones.h"
#include "rebar/GroupFaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace {

using rebarfx::MakeBoard;

using rebarfx::SetAllFaceBars;

BoardPtr SlabAt(double x0, double lx, double ly, double h, int kind = 1, double z = 0.0) {
  BoardPtr b = MakeBoard(kind, lx, ly, h);
  b->SetOrigin(_3dPoint(x0, 0, z));
  SetAllFaceBars(b, 12, 150);
  return b;
}

// A wall along world x from (x0, y0), `height` high: local x along the base,
// local y up.
BoardPtr WallAt(double x0, double y0, double length, double height, bool alongX = true) {
  BoardPtr w = MakeBoard(0, length, height, 250);
  w->SetOrigin(_3dPoint(x0, y0, 0));
  w->SetXAxis(alongX ? _3dVector(1, 0, 0) : _3dVector(0, 1, 0));
  w->SetYAxis(_3dVector(0, 0, 1));
  return w;
}

struct Bars {
  std::size_t count = 0;
  std::multiset<long> lengths;  // rounded to 0.001 mm
};

Bars Measure(const ReinZonePtr& zone) {
  Bars out;
  for (const ReinPtr& bar : zone->GetReins()) {
    ++out.count;
    out.lengths.insert(std::lround(bar->GetLength() * 1000));
  }
  return out;
}

long Mm(double v) { return std::lround(v * 1000); }

struct GroupFixture {
  rebarfx::Design design;
  Tank tank;
  void Add(const BoardPtr& b) { tank.AddBoard(b); }
};

// Two bottom slabs side by side, A 3000 × 4000 and B 3000 × 4000 beside it:
// one outline 6000 × 4000 without the shared edge.  X bars (spacing 150 over
// 4000): 26 lines, each running through both slabs, 6000 less a cover at both
// free ends.  Y bars over 6000 = 40 whole spacings: 39 lines, 4000 less two
// covers.  B's upper X bars (14@150) are the stronger: the group's upper X
// layer takes them; every zone stands in both slabs' lists.
TEST(GroupFaceZones, TwoSlabsShareOneZonePerLayerWithTheStrongerBars) {
  GroupFixture f;
  BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 4000, 300);
  b->GetFaceValues(true, true).diameter = 14;
  f.Add(a);
  f.Add(b);
  LayoutFaceZones(f.tank, {a, b}, f.design.options);
  ASSERT_EQ(a->GetUpperZones().size(), 2u);
  ASSERT_EQ(a->GetLowerZones().size(), 2u);
  EXPECT_EQ(a->GetUpperZones(), b->GetUpperZones());
  EXPECT_EQ(a->GetLowerZones(), b->GetLowerZones());
  const double cu = GetConcreteCover(f.design.options, a, true);
  const double cl = GetConcreteCover(f.design.options, a, false);
  struct Case {
    ReinZonePtr zone;
    int face, direction, diameter, layer;
    std::size_t count;
    double length, cover, z;
  };
  const Case cases[] = {
      {a->GetUpperZones()[0], 0, 0, 14, 1, 26, 6000 - 2 * cu, cu, 150 - cu},
      {a->GetUpperZones()[1], 0, 1, 12, 0, 39, 4000 - 2 * cu, cu, 150 - cu},
      {a->GetLowerZones()[0], 1, 0, 12, 1, 26, 6000 - 2 * cl, cl, -(150 - cl)},
      {a->GetLowerZones()[1], 1, 1, 12, 0, 39, 4000 - 2 * cl, cl, -(150 - cl)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "face " << c.face << " direction " << c.direction);
    EXPECT_EQ(c.zone->GetFace(), c.face);
    EXPECT_EQ(c.zone->GetDirection(), c.direction);
    EXPECT_EQ(c.zone->GetDiameter(), c.diameter);
    EXPECT_EQ(c.zone->GetSpacing(), 150);
    EXPECT_EQ(c.zone->GetCategory(), 2);
    EXPECT_EQ(c.zone->GetLayerFlag(), c.layer);
    EXPECT_NEAR(c.zone->GetCover(), c.cover, 1e-9);
    const Bars bars = Measure(c.zone);
    EXPECT_EQ(bars.count, c.count);
    EXPECT_EQ(bars.lengths.count(Mm(c.length)), c.count);
    for (const ReinPtr& bar : c.zone->GetReins()) {
      EXPECT_EQ(bar->GetDiameter(), c.diameter);
      EXPECT_NEAR(bar->GetPolyline().GetVertexAt(0).z, c.z, 1e-6);
    }
  }
}

// B is only 2100 deep beside A's 4000: the two slabs share the lower 2100 of
// A's right edge, and the outline is an L of six corners.  X lines at
// y = 50 + 150k: k = 0..13 lie below 2100 and run 6000 long, k = 14..25 stop
// at A's right edge above B (a free edge there: one cover inside).  Y lines,
// spread from the right, at x = 5925 - 150k: 20 right of 3000 run 2100 long,
// the 19 left of it 4000 long.
TEST(GroupFaceZones, PartlySharedEdgeGivesTheUnionOutline) {
  GroupFixture f;
  BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 2100, 300);
  f.Add(a);
  f.Add(b);
  LayoutFaceZones(f.tank, {a, b}, f.design.options);
  ASSERT_EQ(a->GetUpperZones().size(), 2u);
  const double c = GetConcreteCover(f.design.options, a, true);
  const Bars x = Measure(a->GetUpperZones()[0]);
  EXPECT_EQ(x.count, 26u);
  EXPECT_EQ(x.lengths.count(Mm(6000 - 2 * c)), 14u);
  EXPECT_EQ(x.lengths.count(Mm(3000 - 2 * c)), 12u);
  const Bars y = Measure(a->GetUpperZones()[1]);
  EXPECT_EQ(y.count, 39u);
  EXPECT_EQ(y.lengths.count(Mm(4000 - 2 * c)), 19u);
  EXPECT_EQ(y.lengths.count(Mm(2100 - 2 * c)), 20u);
}

// Four slabs set round an empty 3000 × 3000 square (a ring 9000 × 9000): the
// bars crossing the empty square are cut there, a cover short of its sides;
// no bar point lies in it.  X lines: 9000 = 60 whole spacings, so 59 lines at
// y = 75 + 150k; the 20 with 3000 < y < 6000 give two bars of 3000 - 2
// covers, the 39 others one bar of 9000 - 2 covers.
TEST(GroupFaceZones, SlabsRoundAnEmptySpaceLeaveItOut) {
  GroupFixture f;
  BoardPtr south = SlabAt(0, 9000, 3000, 300), north = SlabAt(0, 9000, 3000, 300);
  north->SetOrigin(_3dPoint(0, 6000, 0));
  BoardPtr west = SlabAt(0, 3000, 3000, 300), east = SlabAt(6000, 3000, 3000, 300);
  west->SetOrigin(_3dPoint(0, 3000, 0));
  east->SetOrigin(_3dPoint(6000, 3000, 0));
  for (const BoardPtr& s : {south, west, east, north}) f.Add(s);
  LayoutFaceZones(f.tank, {south, west, east, north}, f.design.options);
  ASSERT_EQ(south->GetUpperZones().size(), 2u);
  const double c = GetConcreteCover(f.design.options, south, true);
  const Bars x = Measure(south->GetUpperZones()[0]);
  EXPECT_EQ(x.count, 79u);
  EXPECT_EQ(x.lengths.count(Mm(9000 - 2 * c)), 39u);
  EXPECT_EQ(x.lengths.count(Mm(3000 - 2 * c)), 40u);
  for (const ReinZonePtr& zone : south->GetUpperZones())
    for (const ReinPtr& bar : zone->GetReins())
      for (const _3dPoint& p : bar->GetPolyline().GetVertices())
        EXPECT_FALSE(p.x > 3000 + c - 1e-6 && p.x < 6000 - c + 1e-6 && p.y > 3000 + c - 1e-6 &&
                     p.y < 6000 - c + 1e-6)
            << p.x << "," << p.y;
}

// The layer sets a second board gives: its X bars turned across the
// reference X bars compete with the Y layers; a board turned over gives its
// upper bars to the lower layers; a set without bars (spacing 0) never wins,
// and a layer no board has bars for gets no zone.
TEST(GroupFaceZones, SecondBoardsSetsMapOntoTheReferenceLayers) {
  struct Case {
    const char* name;
    double angle;     // B's rebar angle
    bool turnedOver;  // B's normal reversed
    int bx, by;       // B's upper X and Y diameters (lower: 12)
    int spacingBY;    // B's upper Y spacing
    int upperX, upperY, lowerX;
  };
  const Case cases[] = {
      {"aligned", 0.0, false, 16, 12, 150, 16, 12, 12},
      {"turned by a right angle", std::acos(-1.0) / 2, false, 16, 12, 150, 12, 16, 12},
      {"turned over", 0.0, true, 16, 12, 150, 12, 12, 16},
      {"set without spacing", 0.0, false, 12, 20, 0, 12, 12, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GroupFixture f;
    BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 4000, 300);
    if (c.turnedOver) {
      // Same outline seen from below: local y runs the other way.
      b->SetYAxis(_3dVector(0, -1, 0));
      b->SetOrigin(_3dPoint(3000, 4000, 0));
    }
    b->SetReinAngle(c.angle);
    b->GetFaceValues(true, true).diameter = c.bx;
    b->GetFaceValues(true, false).diameter = c.by;
    b->GetFaceValues(true, false).spacing = c.spacingBY;
    f.Add(a);
    f.Add(b);
    LayoutFaceZones(f.tank, {a, b}, f.design.options);
    ASSERT_EQ(a->GetUpperZones().size(), 2u);
    ASSERT_EQ(a->GetLowerZones().size(), 2u);
    EXPECT_EQ(a->GetUpperZones()[0]->GetDiameter(), c.upperX);
    EXPECT_EQ(a->GetUpperZones()[1]->GetDiameter(), c.upperY);
    EXPECT_EQ(a->GetLowerZones()[0]->GetDiameter(), c.lowerX);
    EXPECT_EQ(a->GetLowerZones()[0]->GetDirection(), 0);
  }
  // No lower Y bars on either slab: no lower Y zone.
  GroupFixture f;
  BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 4000, 300);
  a->GetFaceValues(false, false).diameter = 0;
  b->GetFaceValues(false, false).spacing = 0;
  f.Add(a);
  f.Add(b);
  LayoutFaceZones(f.tank, {a, b}, f.design.options);
  ASSERT_EQ(a->GetLowerZones().size(), 1u);
  EXPECT_EQ(a->GetLowerZones()[0]->GetDirection(), 0);
}

// Slabs of unequal thickness: the group's bars lie on the innermost bar layer
// of each face, so they stay inside the thinner slab; the zone's cover is
// measured from the reference slab's face.
TEST(GroupFaceZones, BarsLieInsideTheThinnestBoard) {
  GroupFixture f;
  BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 4000, 200);
  f.Add(a);
  f.Add(b);
  LayoutFaceZones(f.tank, {a, b}, f.design.options);
  const double cu = GetConcreteCover(f.design.options, a, true);
  const double cl = GetConcreteCover(f.design.options, a, false);
  ASSERT_EQ(a->GetUpperZones().size(), 2u);
  EXPECT_NEAR(a->GetUpperZones()[0]->GetReins().front()->GetPolyline().GetVertexAt(0).z, 100 - cu, 1e-6);
  EXPECT_NEAR(a->GetUpperZones()[0]->GetCover(), 50 + cu, 1e-9);
  EXPECT_NEAR(a->GetLowerZones()[0]->GetReins().front()->GetPolyline().GetVertexAt(0).z, -(100 - cl), 1e-6);
}

// Bar ends at the group outline take the treatment a single board's bars get:
// two slabs of 3000 × 4000 side by side with a wall on their far edge
// (x = 6000) are laid as one slab of 6000 × 4000 with that wall would be.
// Every X bar bends into the wall there (more than two points, reaching past
// the edge), exactly as the single slab's bar on its line does; at the free
// edge x = 0 it stops one cover inside.
TEST(GroupFaceZones, BarEndsAtTheOutlineAsOnASingleBoard) {
  GroupFixture f;
  BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 4000, 300);
  f.Add(a);
  f.Add(b);
  f.Add(WallAt(6000, 0, 4000, 3000, false));
  LayoutFaceZones(f.tank, {a, b}, f.design.options);
  GroupFixture single;
  BoardPtr whole = SlabAt(0, 6000, 4000, 300);
  single.Add(whole);
  single.Add(WallAt(6000, 0, 4000, 3000, false));
  LayoutSingleBoardZones(single.tank, single.design.options, whole);
  for (bool upper : {true, false}) {
    SCOPED_TRACE(upper ? "upper" : "lower");
    const double c = GetConcreteCover(f.design.options, a, upper);
    const auto& zones = upper ? a->GetUpperZones() : a->GetLowerZones();
    const auto& expected = upper ? whole->GetUpperZones() : whole->GetLowerZones();
    ASSERT_FALSE(zones.empty());
    ASSERT_FALSE(expected.empty());
    const auto& bars = zones[0]->GetReins();
    const auto& singleBars = expected[0]->GetReins();
    ASSERT_EQ(bars.size(), 26u);
    ASSERT_EQ(bars.size(), singleBars.size());
    for (std::size_t k = 0; k < bars.size(); ++k) {
      const std::vector<_3dPoint> got = bars[k]->GetPolyline().GetVertices();
      const std::vector<_3dPoint> want = singleBars[k]->GetPolyline().GetVertices();
      ASSERT_GT(got.size(), 2u);
      ASSERT_EQ(got.size(), want.size());
      for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(g_VekGeometryComm.Distance3d(got[i], want[i]), 0.0, 1e-6) << "bar " << k << " point " << i;
      EXPECT_NEAR(std::min(got.front().x, got.back().x), c, 1e-6);
      double far = 0.0;
      for (const _3dPoint& p : got) far = std::max(far, p.x);
      EXPECT_GT(far, 6000.0);
    }
  }
}

// Two walls in line on a bottom slab, vertical X bars 12@200 under the wall
// bar extension rule "1/3" (a wall 3000 high: extension 1000).  The bar lines
// lie at half the spacing: 6000 wide = 60 spacings of 100, so 59 lines.  The
// first, third, ... (30 lines) carry a bar reaching 1000 up from the slab; the
// 29 between run to one cover below the free top.  At the slab every bar is
// anchored as a single wall's bar is.  The zone keeps
// the full spacing.  The horizontal bars are not extended: 3000 high = 15
// spacings, 14 lines through both walls, a cover inside each free end.
TEST(GroupFaceZones, WallGroupUnderTheExtensionRule) {
  GroupFixture f;
  f.design.settings.GetGeometrySettings().SetWallTopRestraint(1);
  DetailingSettings& d = f.design.settings.GetDetailingSettings();
  d.SetWallBarExtensionOn(true);
  d.SetWallBarExtensionMinSpan(1000);
  d.SetWallBarExtensionRule("1/3");
  BoardPtr slab = MakeBoard(1, 6000, 4000, 300);
  slab->SetOrigin(_3dPoint(0, -2000, 0));
  BoardPtr w1 = MakeBoard(0, 3000, 3000, 250), w2 = MakeBoard(0, 3000, 3000, 250);
  for (const BoardPtr& w : {w1, w2}) {
    w->SetXAxis(_3dVector(0, 0, 1));
    w->SetYAxis(_3dVector(1, 0, 0));
    SetAllFaceBars(w, 12, 200);
  }
  w2->SetOrigin(_3dPoint(3000, 0, 0));
  f.Add(slab);
  f.Add(w1);
  f.Add(w2);
  LayoutFaceZones(f.tank, {w1, w2}, f.design.options);
  ASSERT_EQ(w1->GetUpperZones().size(), 2u);
  const double c = GetConcreteCover(f.design.options, w1, true);
  const ReinZonePtr vertical = w1->GetUpperZones()[0];
  EXPECT_EQ(vertical->GetDirection(), 0);
  EXPECT_EQ(vertical->GetSpacing(), 200);
  EXPECT_EQ(vertical->GetLayerFlag(), 0);
  EXPECT_EQ(vertical->GetReins().size(), 59u);
  // Every bar's foot, on the slab, is anchored as a single wall's bar is:
  // the points below the slab's face are those of the single wall's bars,
  // moved along the wall to the bar's line.
  GroupFixture single;
  single.design.settings = f.design.settings;
  BoardPtr alone = MakeBoard(1, 6000, 4000, 300);
  alone->SetOrigin(_3dPoint(0, -2000, 0));
  BoardPtr wall = MakeBoard(0, 3000, 3000, 250);
  wall->SetXAxis(_3dVector(0, 0, 1));
  wall->SetYAxis(_3dVector(1, 0, 0));
  SetAllFaceBars(wall, 12, 200);
  single.Add(alone);
  single.Add(wall);
  LayoutSingleBoardZones(single.tank, single.design.options, wall);
  ASSERT_FALSE(wall->GetUpperZones().empty());
  const std::vector<_3dPoint> foot = wall->GetUpperZones()[0]->GetReins().front()->GetPolyline().GetVertices();
  ASSERT_GT(foot.size(), 2u);
  ASSERT_LT(foot.front().z, 0.0);
  std::multiset<long> tops;
  for (const ReinPtr& bar : vertical->GetReins()) {
    const std::vector<_3dPoint> got = bar->GetPolyline().GetVertices();
    ASSERT_EQ(got.size(), foot.size());
    for (std::size_t i = 0; i + 1 < got.size(); ++i) {
      EXPECT_NEAR(got[i].y, foot[i].y, 1e-6);
      EXPECT_NEAR(got[i].z, foot[i].z, 1e-6);
      EXPECT_NEAR(got[i].x, got.back().x, 1e-6);
    }
    tops.insert(Mm(got.back().z));
  }
  EXPECT_EQ(tops.count(Mm(1000)), 30u);
  EXPECT_EQ(tops.count(Mm(3000 - c)), 29u);
  const ReinZonePtr horizontal = w1->GetUpperZones()[1];
  EXPECT_EQ(horizontal->GetLayerFlag(), 1);
  const Bars h = Measure(horizontal);
  EXPECT_EQ(h.count, 14u);
  EXPECT_EQ(h.lengths.count(Mm(6000 - 2 * c)), 14u);
}

// Grouping: slabs by direction, plane and contact; walls by plane and contact.
TEST(GroupFaceZones, BoardsGroupedByDirectionPlaneAndContact) {
  GroupFixture f;
  BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 4000, 300);
  BoardPtr apart = SlabAt(9000, 3000, 4000, 300);      // same direction, not touching
  BoardPtr skew = SlabAt(6000, 3000, 4000, 300);        // touches b, bars at 45°
  BoardPtr above = SlabAt(0, 3000, 4000, 300, 1, 500);  // parallel bars, another plane
  skew->SetReinAngle(std::acos(-1.0) / 4);
  for (const BoardPtr& s : {a, b, apart, skew, above}) f.Add(s);
  std::vector<BoardGroup> slabs;
  GroupSlabBoards(f.tank, {a, b, apart, skew, above}, slabs);
  ASSERT_EQ(slabs.size(), 4u);
  EXPECT_EQ(slabs[0], (BoardGroup{a, b}));
  EXPECT_EQ(slabs[1], (BoardGroup{apart}));
  EXPECT_EQ(slabs[2], (BoardGroup{skew}));
  EXPECT_EQ(slabs[3], (BoardGroup{above}));

  GroupFixture g;
  BoardPtr w1 = WallAt(0, 0, 3000, 3000), w2 = WallAt(3000, 0, 3000, 3000), w3 = WallAt(0, 0, 4000, 3000, false);
  BoardPtr parallel = WallAt(0, 4000, 6000, 3000);  // parallel to w1, another plane
  for (const BoardPtr& w : {w1, w3, w2, parallel}) g.Add(w);
  std::vector<BoardGroup> walls;
  GroupWallBoards(g.tank, {w1, w3, w2, parallel}, walls);
  ASSERT_EQ(walls.size(), 3u);
  EXPECT_EQ(walls[0], (BoardGroup{w1, w2}));
  EXPECT_EQ(walls[1], (BoardGroup{w3}));
  EXPECT_EQ(walls[2], (BoardGroup{parallel}));
}

// Progress inside the face-zone step: 20 + 20/U after each unit, or 20 + 20/G
// after each group, integer part.
TEST(GroupFaceZones, ProgressPerUnitOrPerGroup) {
  struct Case {
    const char* name;
    bool merged;
    int slabs;  // slabs in a row, each touching the next
    int apart;  // further slabs standing apart
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"three units", false, 3, 0, {26, 33, 40}},
      {"seven units", false, 7, 0, {22, 25, 28, 31, 34, 37, 39}},
      {"four groups", true, 2, 3, {25, 30, 35, 40}},
      {"one group of four", true, 4, 0, {40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GroupFixture f;
    f.design.settings.GetReinSettings().SetUnitMergeOn(c.merged);
    for (int i = 0; i < c.slabs; ++i) f.Add(SlabAt(3000.0 * i, 3000, 4000, 300));
    for (int i = 0; i < c.apart; ++i) f.Add(SlabAt(100000.0 + 10000.0 * i, 3000, 4000, 300));
    ReinTrendAdapter adapter(f.tank);
    std::vector<int> seen;
    static std::vector<int>* sink;
    sink = &seen;
    ReinDesigner().LayoutBoardZones(f.tank, f.design.options, adapter, [](int percent, int*) {
      sink->push_back(percent);
    });
    EXPECT_EQ(seen, c.expected);
  }
}

// Unit by unit, the boards of one unit are grouped too: two slabs put into
// one unit share their zones, while a wall of the tank keeps its own.
TEST(GroupFaceZones, UnitOfTwoSlabsLaidAsOneGroup) {
  GroupFixture f;
  BoardPtr a = SlabAt(0, 3000, 4000, 300), b = SlabAt(3000, 3000, 4000, 300);
  BoardPtr wall = WallAt(0, 0, 6000, 3000);
  SetAllFaceBars(wall, 12, 200);
  f.Add(a);
  f.Add(b);
  f.Add(wall);
  f.tank.EditObjectPair(a, b);
  ASSERT_EQ(f.tank.GetUnits().size(), 2u);
  ReinTrendAdapter adapter(f.tank);
  ReinDesigner().LayoutBoardZones(f.tank, f.design.options, adapter, nullptr);
  ASSERT_EQ(a->GetUpperZones().size(), 2u);
  EXPECT_EQ(a->GetUpperZones(), b->GetUpperZones());
  EXPECT_EQ(a->GetUpperZones()[0]->GetKind(), 16);
  ASSERT_EQ(wall->GetUpperZones().size(), 2u);
  EXPECT_EQ(wall->GetUpperZones()[0]->GetKind(), 256);
  for (const ReinZonePtr& z : wall->GetUpperZones())
    EXPECT_EQ(std::find(a->GetUpperZones().begin(), a->GetUpperZones().end(), z), a->GetUpperZones().end());
}

// Merged design of the examples: every board face has zones with bars; walls
// in one plane that meet share their zones; every bar vertex lies in the
// concrete of a board (its own or one its end legs run into), on the bar
// layers' side of its faces; a second run gives the same zones and bars; the design read back from
// its file keeps them, shared as before, and files again to the same bytes.
class MergedDesignOfExamples : public HostCommandTest {};

struct ZoneShape {
  int diameter, spacing, face, direction;
  std::vector<std::vector<long>> bars;
  bool operator==(const ZoneShape&) const = default;
};

std::vector<std::vector<ZoneShape>> Shapes(const Tank& tank) {
  std::vector<std::vector<ZoneShape>> out;
  for (const BoardPtr& b : tank.GetBoards()) {
    std::vector<ZoneShape> zones;
    for (const auto* list : {&b->GetUpperZones(), &b->GetLowerZones()})
      for (const ReinZonePtr& z : *list) {
        ZoneShape s{z->GetDiameter(), z->GetSpacing(), z->GetFace(), z->GetDirection(), {}};
        for (const ReinPtr& bar : z->GetReins()) {
          std::vector<long> v;
          for (const _3dPoint& p : bar->GetPolyline().GetVertices())
            for (double c : {p.x, p.y, p.z}) v.push_back(std::lround(c * 1000));
          s.bars.push_back(v);
        }
        zones.push_back(s);
      }
    out.push_back(zones);
  }
  return out;
}

TEST_F(MergedDesignOfExamples, ZonesSharedInsideConcreteAndRepeatable) {
  for (const char* example : {"grid-3x2", "buried-two-cell"}) {
    SCOPED_TRACE(example);
    TankDesigner designer;
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject(example), "x"), "x");
    designer.GetSettings().GetReinSettings().SetUnitMergeOn(true);
    ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
    designer.DesignRein(nullptr);
    const Tank& tank = designer.GetTank();
    // The boards' outlines run on the wall axes: the concrete reaches past
    // them by the walls' face offsets, and the bottom slab by its overhang.
    double reach = 0.0;
    for (const BoardPtr& b : tank.GetWalls()) reach = std::max({reach, b->GetUpperOffset(), b->GetLowerOffset()});
    const double overhang = designer.GetSettings().GetGeometrySettings().GetBottomSlabOverhang();
    // Which boards hold each zone.
    std::map<ReinZone*, std::vector<BoardPtr>> holders;
    bool shared = false;
    for (const BoardPtr& b : tank.GetBoards())
      for (bool upper : {true, false}) {
        const auto& zones = upper ? b->GetUpperZones() : b->GetLowerZones();
        ASSERT_FALSE(zones.empty());
        for (const ReinZonePtr& z : zones) holders[z.get()].push_back(b);
      }
    for (const auto& [zone, boards] : holders) {
      shared = shared || boards.size() > 1;
      EXPECT_EQ(zone->GetCategory(), 2);
      EXPECT_GT(zone->GetNumber(), 0);
      ASSERT_FALSE(zone->GetReins().empty());
      for (const BoardPtr& b : boards) EXPECT_EQ(b->GetKind(), boards.front()->GetKind());
      for (const ReinPtr& bar : zone->GetReins())
        for (const _3dPoint& p : bar->GetPolyline().GetVertices()) {
          // A bar's end legs may run on into the boards its own meet.
          bool inside = false;
          for (const BoardPtr& b : tank.GetBoards()) {
            std::vector<_2dPoint> outline;
            b->GetLocalOutline(outline);
            const _2dPoint q = b->WorldToLocal(p);
            double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
            for (const _2dPoint& o : outline) {
              minX = std::min(minX, o.x), maxX = std::max(maxX, o.x);
              minY = std::min(minY, o.y), maxY = std::max(maxY, o.y);
            }
            const double h = (p - b->GetOrigin()).DotProduct(b->GetNormal());
            const double m = reach + (b->GetKind() == 1 ? overhang : 0.0) + 1e-6;
            inside = inside || (q.x > minX - m && q.x < maxX + m && q.y > minY - m && q.y < maxY + m &&
                                h < b->GetUpperOffset() && h > -b->GetLowerOffset());
          }
          EXPECT_TRUE(inside) << p.x << "," << p.y << "," << p.z;
        }
    }
    EXPECT_TRUE(shared);
    const auto first = Shapes(tank);
    designer.DesignRein(nullptr);
    EXPECT_TRUE(Shapes(designer.GetTank()) == first);

    const std::vector<std::uint8_t> bytes = fixtures::StoreTank(designer.GetTank());
    Tank reopened;
    fixtures::ReadTank(reopened, bytes);
    EXPECT_TRUE(Shapes(reopened) == first);
    std::set<const ReinZone*> before, after;
    for (const BoardPtr& b : designer.GetTank().GetBoards())
      for (const ReinZonePtr& z : b->GetUpperZones()) before.insert(z.get());
    for (const BoardPtr& b : reopened.GetBoards())
      for (const ReinZonePtr& z : b->GetUpperZones()) after.insert(z.get());
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(fixtures::StoreTank(reopened), bytes);
  }
}

}  // namespace
