// Joint zones along common edges (straight, cranked and L-shaped bars, the bar
// carried round an inner corner, bar sets and extensions worked out by hand),
// the bar rows of a zone cut at openings, the zone collector and the segment
// layer flags of the closing pass, and over the examples: joint zones present,
// repeatable, with their bars inside the concrete.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"
#include "rebar/FaceZones.h"
#include "rebar/JointZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/SegmentLayerFlags.h"
#include "rebar/ZoneCollector.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <cstdint>
#include <set>
#include <tuple>
#include <string>
#include <vector>

namespace {

using rebarfx::MakeBoard;

using rebarfx::SetAllFaceBars;

void SetEdge(const BoardPtr& b, int edge, bool upper, int diameter, int spacing) {
  FaceValues& v = b->GetEdges()[static_cast<std::size_t>(edge)].GetFaceValues(upper);
  v.diameter = diameter;
  v.spacing = spacing;
  v.grade = "HRB335";
}

void ExpectPoint(const _3dPoint& p, double x, double y, double z) {
  EXPECT_NEAR(p.x, x, 1e-6);
  EXPECT_NEAR(p.y, y, 1e-6);
  EXPECT_NEAR(p.z, z, 1e-6);
}

// Two bottom slabs side by side, 3000 × 4000 each, meeting along x = 3000;
// face bars 10@200 everywhere.  The right slab's thickness is given.
struct TwoSlabs {
  ProjectSettings settings;
  ReinDesignOptions options;
  Tank tank;
  BoardPtr left = MakeBoard(1, 3000, 4000, 300);
  BoardPtr right;
  explicit TwoSlabs(double rightThickness = 300) : right(MakeBoard(1, 3000, 4000, rightThickness)) {
    options.SetSettings(&settings);
    right->SetOrigin(_3dPoint(3000, 0, 0));
    tank.AddBoard(left);
    tank.AddBoard(right);
    SetAllFaceBars(left, 10, 200);
    SetAllFaceBars(right, 10, 200);
  }
  // The common edge: the left slab's edge 1, the right slab's edge 3.
  std::vector<ReinZonePtr>& LeftZones(bool upper) {
    return upper ? left->GetEdges()[1].GetUpperZones() : left->GetEdges()[1].GetLowerZones();
  }
  std::vector<ReinZonePtr>& RightZones(bool upper) {
    return upper ? right->GetEdges()[3].GetUpperZones() : right->GetEdges()[3].GetLowerZones();
  }
  void Run() {
    const ReinTrendAdapter adapter(tank);
    ReinDesigner().BuildJointZones(tank, options, adapter, 0);
  }
};

// Upper support bars 12@100 (1131 mm²/m) outweigh the 10@200 face bars (393)
// on both sides; the lower 8@200 (251) do not.  The boards continue in one
// plane: a straight bar from a quarter span (3000 / 4 = 750, already a
// multiple of the 50 mm step) inside the left slab to 750 inside the right
// one, on the upper bar layer; along the edge less one cover at each free
// end, at 100.  The zone stands under both edges (one object) and gets its bars once.
TEST(JointZones, SlabsInOnePlaneGetOneStraightZoneOnTheStrongFaceOnly) {
  TwoSlabs f;
  SetEdge(f.left, 1, true, 12, 100);
  SetEdge(f.right, 3, true, 12, 100);
  SetEdge(f.left, 1, false, 8, 200);
  SetEdge(f.right, 3, false, 8, 200);
  f.Run();
  EXPECT_TRUE(f.LeftZones(false).empty());
  EXPECT_TRUE(f.RightZones(false).empty());
  ASSERT_EQ(f.LeftZones(true).size(), 1u);
  ASSERT_EQ(f.RightZones(true).size(), 1u);
  const ReinZonePtr zone = f.LeftZones(true)[0];
  EXPECT_EQ(zone, f.RightZones(true)[0]);
  const double cover = GetConcreteCover(f.options, f.left, true);
  const double z = 150 - cover;
  EXPECT_EQ(zone->GetDiameter(), 12);
  EXPECT_EQ(zone->GetSpacing(), 100);
  EXPECT_EQ(zone->GetFace(), 0);
  EXPECT_EQ(zone->GetEdgeIndex(), 1);
  EXPECT_EQ(zone->GetCategory(), ReinZone::PEDESTAL);
  EXPECT_EQ(zone->GetKind(), 16);
  EXPECT_DOUBLE_EQ(zone->GetCover(), cover);
  const _2dPolyline& t = zone->GetTemplatePolyline();
  ASSERT_EQ(t.VerNums(), 2);
  ExpectPoint(t.GetVertexAt(0), 2250, 2000, z);
  ExpectPoint(t.GetVertexAt(1), 3750, 2000, z);
  // The joint's ends lie on the slabs' free edges: the bars are laid from
  // one cover (the slabs' larger) inside them.
  const double coverMax = std::max(cover, GetConcreteCover(f.options, f.left, false));
  ExpectPoint(zone->GetDistributionLine().GetStartPoint(), 3000, coverMax, z);
  ExpectPoint(zone->GetDistributionLine().GetEndPoint(), 3000, 4000 - coverMax, z);
  ASSERT_EQ(zone->GetReins().size(), static_cast<std::size_t>((4000 - 2 * coverMax) / 100));
  for (const ReinPtr& bar : zone->GetReins()) EXPECT_NEAR(bar->GetLength(), 1500, 1e-6);
}

// A thicker right slab (400, mid-planes level): the bar is cranked from the
// left slab's bar layer (150 − c) to the right one's (200 − c) at the edge.
TEST(JointZones, ChangeOfThicknessGivesACrankedBar) {
  TwoSlabs f(400);
  SetEdge(f.left, 1, true, 12, 100);
  SetEdge(f.right, 3, true, 12, 100);
  f.Run();
  ASSERT_EQ(f.LeftZones(true).size(), 1u);
  const double c = GetConcreteCover(f.options, f.left, true);
  const _2dPolyline& t = f.LeftZones(true)[0]->GetTemplatePolyline();
  ASSERT_EQ(t.VerNums(), 4);
  ExpectPoint(t.GetVertexAt(0), 2250, 2000, 150 - c);
  ExpectPoint(t.GetVertexAt(1), 3000, 2000, 150 - c);
  ExpectPoint(t.GetVertexAt(2), 3000, 2000, 200 - c);
  ExpectPoint(t.GetVertexAt(3), 3750, 2000, 200 - c);
}

// Bar sets: the stronger of the two edges' sets, the other board's on a tie
// (10@100 and 20@400 both give 785 mm²/m).  A right edge whose bars do not
// outweigh its face bars keeps the zone out of its list.
TEST(JointZones, BarSetOfTheStrongerEdgeTiesToTheOtherBoard) {
  struct Case {
    int leftD, leftS, rightD, rightS;
    int diameter, spacing;
    bool inRightList;
  };
  const Case cases[] = {
      {10, 100, 20, 400, 20, 400, true},
      {12, 100, 14, 100, 14, 100, true},
      {16, 100, 14, 100, 16, 100, true},
      {12, 100, 8, 200, 12, 100, false},
  };
  for (const Case& c : cases) {
    TwoSlabs f;
    SetEdge(f.left, 1, true, c.leftD, c.leftS);
    SetEdge(f.right, 3, true, c.rightD, c.rightS);
    f.Run();
    ASSERT_EQ(f.LeftZones(true).size(), 1u) << c.leftD << "@" << c.leftS;
    EXPECT_EQ(f.LeftZones(true)[0]->GetDiameter(), c.diameter);
    EXPECT_EQ(f.LeftZones(true)[0]->GetSpacing(), c.spacing);
    EXPECT_EQ(f.RightZones(true).size(), c.inRightList ? 1u : 0u);
  }
}

// An edge that already holds an upper zone gets only its lower joint zone
// (the right slab's upper support bars 8@200 do not govern, so it lays none).
TEST(JointZones, AnEdgeFaceWithAZoneGetsNoSecond) {
  TwoSlabs f;
  SetEdge(f.left, 1, true, 12, 100);
  SetEdge(f.right, 3, true, 8, 200);
  SetEdge(f.left, 1, false, 12, 100);
  SetEdge(f.right, 3, false, 12, 100);
  auto earlier = boost::make_shared<ReinZone>();
  f.LeftZones(true).push_back(earlier);
  f.Run();
  ASSERT_EQ(f.LeftZones(true).size(), 1u);
  EXPECT_EQ(f.LeftZones(true)[0], earlier);
  ASSERT_EQ(f.LeftZones(false).size(), 1u);
  EXPECT_EQ(f.LeftZones(false)[0]->GetFace(), 1);
  EXPECT_EQ(f.LeftZones(false)[0]->GetTemplatePolyline().VerNums(), 2);
}

// A wall 300 thick standing under the joint of two top slabs 250 thick (its
// top edge on their mid-plane): the slabs continue in one plane, so the
// wall's bars do not run between them but turn into one slab.  The wall's
// +x face turns into the right slab's top: an L bar from 750 (a quarter of
// the 3000 mm wall height) below the slab's lower face up the wall's bar
// layer to the slab's upper bar layer and 750 (a quarter of its 3000 mm span)
// past the wall's face into the slab.
TEST(JointZones, WallUnderTwoSlabsInOnePlaneTurnsIntoOneSlab) {
  ProjectSettings settings;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  Tank tank;
  BoardPtr left = MakeBoard(2, 3000, 4000, 250);
  BoardPtr right = MakeBoard(2, 3000, 4000, 250);
  right->SetOrigin(_3dPoint(3000, 0, 0));
  BoardPtr wall = fixtures::MakeWall(3000, 0, 3000, 4000, -3000, 3000);
  for (const BoardPtr& b : {left, right, wall}) {
    tank.AddBoard(b);
    SetAllFaceBars(b, 10, 200);
    for (int e = 0; e < 4; ++e)
      for (bool upper : {true, false}) SetEdge(b, e, upper, 16, 100);
  }
  const ReinTrendAdapter adapter(tank);
  ReinDesigner().BuildJointZones(tank, options, adapter, 0);
  const BoardEdge& top = wall->GetEdges()[2];
  ASSERT_EQ(top.GetUpperZones().size(), 1u);
  ASSERT_EQ(top.GetLowerZones().size(), 1u);
  const double cw = GetConcreteCover(options, wall, true);
  const double cs = GetConcreteCover(options, right, true);
  const _2dPolyline& t = top.GetUpperZones()[0]->GetTemplatePolyline();
  ASSERT_EQ(t.VerNums(), 3);
  ExpectPoint(t.GetVertexAt(0), 3150 - cw, 2000, -125 - 750);
  ExpectPoint(t.GetVertexAt(1), 3150 - cw, 2000, 125 - cs);
  ExpectPoint(t.GetVertexAt(2), 3150 + 750, 2000, 125 - cs);
  // The slabs' own joint zone runs straight across their common edge; the
  // left slab's edge also holds the wall's other zone, whose bars its top
  // bars govern.
  const auto& slabZones = left->GetEdges()[1].GetUpperZones();
  ASSERT_EQ(slabZones.size(), 2u);
  EXPECT_EQ(slabZones[0]->GetTemplatePolyline().VerNums(), 2);
  EXPECT_EQ(slabZones[1], top.GetLowerZones()[0]);
}

// With the load settings' design switch on the step lays nothing.
TEST(JointZones, DesignSwitchLeavesTheEdgesAlone) {
  TwoSlabs f;
  SetEdge(f.left, 1, true, 12, 100);
  SetEdge(f.right, 3, true, 12, 100);
  f.settings.GetLoadSettings().SetDesignSwitch(true);
  f.Run();
  EXPECT_TRUE(f.LeftZones(true).empty());
  EXPECT_TRUE(f.RightZones(true).empty());
}

// Two walls 300 thick at an L corner: wall 1 along +x from the origin, wall 2
// along +y; both 3000 high on z = 0; every edge bar 16@100 outweighs the
// 10@200 face bars.  Wall 1's normal is −y (its upper face outside the L),
// wall 2's +x (its upper face inside).
struct Corner {
  ProjectSettings settings;
  ReinDesignOptions options;
  Tank tank;
  BoardPtr wall1 = fixtures::MakeWall(0, 0, 6000, 0, 0, 3000);
  BoardPtr wall2 = fixtures::MakeWall(0, 0, 0, 4000, 0, 3000);
  Corner() {
    options.SetSettings(&settings);
    wall1->SetUpperFaceOuter(true);
    wall2->SetLowerFaceOuter(true);
    tank.AddBoard(wall1);
    tank.AddBoard(wall2);
    for (const BoardPtr& w : {wall1, wall2}) {
      SetAllFaceBars(w, 10, 200);
      for (int e = 0; e < 4; ++e)
        for (bool upper : {true, false}) SetEdge(w, e, upper, 16, 100);
    }
    const ReinTrendAdapter adapter(tank);
    ReinDesigner().BuildJointZones(tank, options, adapter, 0);
  }
};

// The outer face turns round the corner: an L bar with its bend on both outer
// bar layers, (−(150 − co), −(150 − co)), its legs reaching a quarter span
// (6000 / 4 = 1500 along wall 1, 4000 / 4 = 1000 along wall 2) past the other
// wall's inner face.
// The inner face's bar is carried round the joint: along wall 1's inner layer,
// through wall 2 to its outer layer, round the outer corner, back along wall
// 1's outer layer to wall 2's inner layer and up into wall 2.
TEST(JointZones, LCornerOuterBarBendsAndInnerBarIsCarriedRound) {
  Corner f;
  const double co = GetConcreteCover(f.options, f.wall1, true);
  const double ci = GetConcreteCover(f.options, f.wall1, false);
  ASSERT_GT(co, 0.0);
  ASSERT_GT(ci, 0.0);
  const BoardEdge& e1 = f.wall1->GetEdges()[3];
  const BoardEdge& e2 = f.wall2->GetEdges()[3];
  ASSERT_EQ(e1.GetUpperZones().size(), 1u);
  ASSERT_EQ(e1.GetLowerZones().size(), 1u);
  // Each zone also stands under wall 2's edge, on wall 2's face of the same side.
  EXPECT_EQ(e2.GetLowerZones().size(), 1u);
  EXPECT_EQ(e2.GetUpperZones().size(), 1u);
  EXPECT_EQ(e2.GetLowerZones()[0], e1.GetUpperZones()[0]);

  const double zMid = 1500;
  const _2dPolyline& outer = e1.GetUpperZones()[0]->GetTemplatePolyline();
  ASSERT_EQ(outer.VerNums(), 3);
  ExpectPoint(outer.GetVertexAt(0), 150 + 1500, -(150 - co), zMid);
  ExpectPoint(outer.GetVertexAt(1), -(150 - co), -(150 - co), zMid);
  ExpectPoint(outer.GetVertexAt(2), -(150 - co), 150 + 1000, zMid);

  const _2dPolyline& inner = e1.GetLowerZones()[0]->GetTemplatePolyline();
  ASSERT_EQ(inner.VerNums(), 5);
  ExpectPoint(inner.GetVertexAt(0), 150 + 1500, 150 - ci, zMid);
  ExpectPoint(inner.GetVertexAt(1), -(150 - co), 150 - ci, zMid);
  ExpectPoint(inner.GetVertexAt(2), -(150 - co), -(150 - co), zMid);
  ExpectPoint(inner.GetVertexAt(3), 150 - ci, -(150 - co), zMid);
  ExpectPoint(inner.GetVertexAt(4), 150 - ci, 150 + 1000, zMid);
  // Bars along the 3000 mm corner line at 100, one cover inside the walls'
  // free top and bottom edges: 29 of each.
  ASSERT_EQ(std::max(co, ci), 35.0);
  EXPECT_EQ(e1.GetUpperZones()[0]->GetReins().size(), 29u);
  EXPECT_EQ(e1.GetLowerZones()[0]->GetReins().size(), 29u);
  for (const ReinPtr& bar : e1.GetLowerZones()[0]->GetReins()) {
    const double z = bar->GetPolyline().GetVertexAt(0).z;
    EXPECT_GE(z, 35.0);
    EXPECT_LE(z, 3000.0 - 35.0);
  }
}

// ---- Bar rows ----------------------------------------------------------------

// A lone slab 3000 × 4000 with a 1000 × 1000 opening at (1000..2000)²: the
// bar line y = 1500 from edge 3 to edge 1 crosses it and gives two bars
// between one cover inside the free edges and one cover before the opening
// (the opening's face is a free face too), the first running from the
// opening back to the start, the second on from the opening to the end; a
// line passing 20 mm from the opening (less than the cover) is cut as the
// crossing one, where it leaves the cover round the opening's corners; a
// line clear of the opening gives one bar, one cover inside at both ends.
// With a second opening at (2300..2600) × (1000..2000) the line gives three
// bars: the piece at the start, the piece at the end, then the one between.
TEST(BarRows, LineCrossingAnOpeningGivesBarsKeepingTheirCover) {
  ProjectSettings settings;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  Tank tank;
  BoardPtr slab = MakeBoard(1, 3000, 4000, 300);
  tank.AddBoard(slab);
  auto hole = boost::make_shared<RectangleHole>();
  hole->SetCorners({{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 2000}});
  slab->AddHole(hole);
  const ReinTrendAdapter adapter(tank);
  std::vector<boost::shared_ptr<Entity>> outlines;
  GetHoleOutlines(slab, outlines);
  ASSERT_EQ(outlines.size(), 1u);
  const double c = GetConcreteCover(options, slab, true);
  const double cl = GetConcreteCover(options, slab, false);
  const double z = 150 - c;
  ASSERT_GT(c, 20.0);

  auto row = [&](double y, bool upper, const std::vector<boost::shared_ptr<Entity>>& openings) {
    std::vector<ReinPtr> bars;
    LayoutBarRow(options, slab, BarEndRecord{_3dPoint(0, y, 0), slab, 3}, BarEndRecord{_3dPoint(3000, y, 0), slab, 1},
                 openings, adapter, upper, true, bars);
    return bars;
  };
  // Per line: its level and how far before the opening's side it stops.
  const double pass = 20.0;
  const std::pair<double, double> lines[] = {{1500.0, c}, {2000.0 + pass, std::sqrt(c * c - pass * pass)}};
  for (const auto& [y, stop] : lines) {
    const std::vector<ReinPtr> bars = row(y, true, outlines);
    ASSERT_EQ(bars.size(), 2u) << y;
    const _2dPolyline& first = bars[0]->GetPolyline();
    const _2dPolyline& second = bars[1]->GetPolyline();
    ASSERT_EQ(first.VerNums(), 2);
    ASSERT_EQ(second.VerNums(), 2);
    ExpectPoint(first.GetVertexAt(1), c, y, z);
    ExpectPoint(second.GetVertexAt(1), 3000 - c, y, z);
    // Where the bar leaves the opening's cover (rounding aside).
    EXPECT_NEAR(first.GetVertexAt(0).x, 1000 - stop, 1e-4) << y;
    EXPECT_NEAR(second.GetVertexAt(0).x, 2000 + stop, 1e-4) << y;
  }

  const std::vector<ReinPtr> clear = row(500, false, outlines);
  ASSERT_EQ(clear.size(), 1u);
  ASSERT_EQ(clear[0]->GetPolyline().VerNums(), 2);
  ExpectPoint(clear[0]->GetPolyline().GetVertexAt(0), cl, 500, -(150 - cl));
  ExpectPoint(clear[0]->GetPolyline().GetVertexAt(1), 3000 - cl, 500, -(150 - cl));

  auto second = boost::make_shared<RectangleHole>();
  second->SetCorners({{2300, 1000}, {2600, 1000}, {2600, 2000}, {2300, 2000}});
  slab->AddHole(second);
  outlines.clear();
  GetHoleOutlines(slab, outlines);
  const std::vector<ReinPtr> three = row(1500, true, outlines);
  ASSERT_EQ(three.size(), 3u);
  const double ends[3][2] = {{1000 - c, c}, {2600 + c, 3000 - c}, {2000 + c, 2300 - c}};
  for (int k = 0; k < 3; ++k) {
    const _2dPolyline& l = three[static_cast<std::size_t>(k)]->GetPolyline();
    ASSERT_EQ(l.VerNums(), 2) << k;
    ExpectPoint(l.GetVertexAt(0), ends[k][0], 1500, z);
    ExpectPoint(l.GetVertexAt(1), ends[k][1], 1500, z);
  }
}

// A wall 300 thick, 3000 high, standing on the edge of a bottom slab (its
// base edge on the slab's edge 3).  An extended row of 1000 mm along the
// vertical bar line x = 2000 starts at the line's start when a bottom slab
// meets that end's edge, else at the line's end: with the slab and the base
// as start it runs from the base up to 1000 mm; given the other way round it
// starts at the end, again the base.  A wall standing inside a slab (the
// slab running on beyond the wall's faces and one end) also starts at its
// foot: started at the free top, the extra bars would miss the foot, where
// the wall's moment is.  A lone wall starts at the end, the free top, one
// cover down, and reaches 2000 mm.  (How the bar is finished at the base is
// the end treatment's: only its far end is checked there.)
TEST(BarRows, ExtendedRowStartsAtTheEdgeOnABottomSlab) {
  ProjectSettings settings;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  const double c = GetConcreteCover(options, fixtures::MakeWall(0, 0, 0, 4000, 0, 3000), true);
  struct Case {
    bool withSlab, fromBase;
    double z0, z1;
  };
  const Case cases[] = {{true, true, 0, 1000}, {true, false, 0, 1000}, {false, true, 3000 - c, 2000}};
  for (const Case& k : cases) {
    Tank tank;
    BoardPtr wall = fixtures::MakeWall(0, 0, 0, 4000, 0, 3000);
    if (k.withSlab) {
      BoardPtr slab = MakeBoard(1, 3000, 4000, 400);
      tank.AddBoard(slab);
    }
    tank.AddBoard(wall);
    const ReinTrendAdapter adapter(tank);
    const BarEndRecord base{_3dPoint(2000, 0, 0), wall, 0};
    const BarEndRecord top{_3dPoint(2000, 3000, 0), wall, 2};
    std::vector<ReinPtr> bars;
    LayoutExtendedBarRow(options, wall, k.fromBase ? base : top, k.fromBase ? top : base, {}, adapter, true, false,
                         1000, bars);
    ASSERT_EQ(bars.size(), 1u);
    const _2dPolyline& l = bars[0]->GetPolyline();
    ASSERT_GE(l.VerNums(), 2);
    if (!k.withSlab) {
      ASSERT_EQ(l.VerNums(), 2);
      ExpectPoint(l.GetVertexAt(0), 150 - c, 2000, k.z0);
    }
    ExpectPoint(l.GetVertexAt(l.VerNums() - 1), 150 - c, 2000, k.z1);
  }

  // A wall 250 thick, 3000 long and high, standing inside a slab 6000 × 4000
  // (the slab runs on beyond its faces and one end): the line x = 1500 of
  // the wall's length, from the foot (edge 3) to the free top (edge 1).
  Tank tank;
  BoardPtr slab = MakeBoard(1, 6000, 4000, 300);
  slab->SetOrigin(_3dPoint(0, -2000, 0));
  BoardPtr wall = MakeBoard(0, 3000, 3000, 250);
  wall->SetXAxis(_3dVector(0, 0, 1));
  wall->SetYAxis(_3dVector(1, 0, 0));
  tank.AddBoard(slab);
  tank.AddBoard(wall);
  const ReinTrendAdapter adapter(tank);
  const double cw = GetConcreteCover(options, wall, true);
  for (bool fromFoot : {true, false}) {
    const BarEndRecord foot{_3dPoint(0, 1500, 0), wall, 3};
    const BarEndRecord top{_3dPoint(3000, 1500, 0), wall, 1};
    std::vector<ReinPtr> bars;
    LayoutExtendedBarRow(options, wall, fromFoot ? foot : top, fromFoot ? top : foot, {}, adapter, true, true, 1000,
                         bars);
    ASSERT_EQ(bars.size(), 1u);
    const _2dPolyline& l = bars[0]->GetPolyline();
    ExpectPoint(l.GetVertexAt(l.VerNums() - 1), 1500, 125 - cw, 1000);
  }
}

// All rows of a zone replace its bars; the last line alone leaves them.
TEST(BarRows, RowsWithHolesReplaceTheZoneBarsUnlessLastLineOnly) {
  ProjectSettings settings;
  Tank tank;
  BoardPtr slab = MakeBoard(1, 3000, 4000, 300);
  tank.AddBoard(slab);
  auto zone = boost::make_shared<ReinZone>();
  zone->SetGrade("HRB400");
  zone->AddRein(boost::make_shared<Rein>());
  const ReinTrendAdapter adapter(tank);
  // X bars at 150 over 4000: 26 lines.
  const std::vector<ReinPtr> all = LayoutBarRowsWithHoles(false, settings, adapter, slab, zone, true, true, 12, 150, false);
  EXPECT_EQ(all.size(), 26u);
  EXPECT_EQ(zone->GetReins(), all);
  for (const ReinPtr& bar : all) {
    EXPECT_EQ(bar->GetDiameter(), 12);
    EXPECT_EQ(bar->GetGrade(), "HRB400");
  }
  const std::vector<ReinPtr> last = LayoutBarRowsWithHoles(false, settings, adapter, slab, zone, true, true, 12, 150, true);
  EXPECT_EQ(last.size(), 1u);
  EXPECT_EQ(zone->GetReins(), all);
}

// ---- Zone collector and segment layer flags ---------------------------------------

// A face zone shared by two slabs is one entry with both slabs in collector
// order; a zone in two edge lists likewise.
TEST(ZoneCollector, SharedZonesAreOneEntryWithTheirBoardsInOrder) {
  TwoSlabs f;
  auto group = boost::make_shared<ReinZone>();
  auto own = boost::make_shared<ReinZone>();
  auto joint = boost::make_shared<ReinZone>();
  f.left->GetUpperZones().push_back(group);
  f.right->GetLowerZones().push_back(own);
  f.right->GetUpperZones().push_back(group);
  f.left->GetEdges()[1].GetUpperZones().push_back(joint);
  f.right->GetEdges()[3].GetLowerZones().push_back(joint);
  ZoneBoardCollector collector(f.tank);
  collector(f.left);
  collector(f.right);
  ASSERT_EQ(collector.GetFaceZones().size(), 2u);
  EXPECT_EQ(collector.GetFaceZones().at(group), (std::vector<BoardPtr>{f.left, f.right}));
  EXPECT_EQ(collector.GetFaceZones().at(own), (std::vector<BoardPtr>{f.right}));
  ASSERT_EQ(collector.GetEdgeZones().size(), 1u);
  EXPECT_EQ(collector.GetEdgeZones().at(joint), (std::vector<BoardPtr>{f.left, f.right}));
  EXPECT_TRUE(collector.GetHaunchZones().empty());
}

ReinPtr BarThrough(const std::vector<_3dPoint>& points) {
  _2dPolyline line;
  for (const _3dPoint& p : points) line.AppendVertex(p);
  auto bar = boost::make_shared<Rein>();
  bar->SetPolyline(line);
  return bar;
}

// A horizontal slab 3000 × 3000 at z = 0, 300 thick, whose upper face zone of
// layer 1 has bars along x and whose lower face zone of layer 0 has bars
// along y.  A bar of a zone on layer 0 comes down from above, runs along x
// on the upper bar layer and goes up again: the flags are 0, 1, 0.  The same
// bar in a haunch zone: 1, 1, 1; running along y on the lower layer: 0.  A
// support zone keeps its flags.
TEST(SegmentLayerFlags, SegmentsTakeTheFlagOfTheFaceZoneAlongThem) {
  Tank tank;
  BoardPtr slab = MakeBoard(2, 3000, 3000, 300);
  tank.AddBoard(slab);
  auto upperX = boost::make_shared<ReinZone>();
  upperX->SetLayerFlag(1);
  upperX->SetDistributionLine(_3dLine(_3dPoint(0, 0, 125), _3dPoint(0, 3000, 125)));
  auto lowerY = boost::make_shared<ReinZone>();
  lowerY->SetLayerFlag(0);
  lowerY->SetDistributionLine(_3dLine(_3dPoint(0, 0, -125), _3dPoint(3000, 0, -125)));
  slab->GetUpperZones().push_back(upperX);
  slab->GetLowerZones().push_back(lowerY);

  const ReinPtr hooked = BarThrough({{500, 500, 1000}, {500, 500, 125}, {2500, 500, 125}, {2500, 500, 1000}});
  const ReinPtr lowerAlongY = BarThrough({{800, 200, -125}, {800, 2800, -125}});
  struct Case {
    int category, layerFlag;
    ReinPtr bar;
    std::vector<int> flags;
  };
  const Case cases[] = {
      {ReinZone::PEDESTAL, 0, hooked, {0, 1, 0}},
      {4, 0, hooked, {1, 1, 1}},
      {ReinZone::PEDESTAL, 1, lowerAlongY, {0}},
  };
  const SegmentLayerFlagPass pass(tank);
  for (const Case& c : cases) {
    auto zone = boost::make_shared<ReinZone>();
    zone->SetCategory(c.category);
    zone->SetLayerFlag(c.layerFlag);
    zone->AddRein(c.bar);
    pass(zone, {slab});
    ASSERT_EQ(zone->GetSegmentLayerFlags().size(), 1u);
    EXPECT_EQ(zone->GetSegmentLayerFlags()[0], c.flags) << c.category;
  }
  auto support = boost::make_shared<ReinZone>();
  support->SetCategory(5);
  support->AddRein(hooked);
  support->SetSegmentLayerFlags({{7, 7, 7}});
  pass(support, {slab});
  EXPECT_EQ(support->GetSegmentLayerFlags(), (std::vector<std::vector<int>>{{7, 7, 7}}));
}

// A wall 300 thick under the edge of a top slab 250 thick (an L at the wall
// top), face zones laid, joint zones built and the closing pass run.  The
// slab's top bars turn down the wall's outer face: the leg in the slab runs
// along the slab's X bars (10@200, weaker than its 12@100 Y bars: layer 0),
// the leg in the wall along its vertical Y bars (layer 1), so every bar of
// the zone gets the flags 0, 1 although the zone itself lies on layer 0.
TEST(SegmentLayerFlags, ClosingPassGivesEachLegTheLayerOfItsBoard) {
  ProjectSettings settings;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  Tank tank;
  BoardPtr slab = MakeBoard(2, 3000, 4000, 250);
  BoardPtr wall = fixtures::MakeWall(0, 0, 0, 4000, -3000, 3000);
  wall->SetLowerFaceOuter(true);
  for (const BoardPtr& b : {slab, wall}) {
    tank.AddBoard(b);
    SetAllFaceBars(b, 10, 200);
    for (int e = 0; e < 4; ++e)
      for (bool upper : {true, false}) SetEdge(b, e, upper, 16, 100);
  }
  for (bool upper : {true, false}) {
    slab->GetFaceValues(upper, false).diameter = 12;
    slab->GetFaceValues(upper, false).spacing = 100;
  }
  LayoutSingleBoardZones(tank, options, slab);
  LayoutSingleBoardZones(tank, options, wall);
  const ReinTrendAdapter adapter(tank);
  const ReinDesigner designer;
  designer.BuildJointZones(tank, options, adapter, 0);
  designer.FinishDesign(tank);

  const auto& zones = slab->GetEdges()[3].GetUpperZones();
  ASSERT_EQ(zones.size(), 1u);
  const ReinZonePtr& zone = zones[0];
  ASSERT_EQ(zone->GetTemplatePolyline().VerNums(), 3);
  EXPECT_EQ(zone->GetLayerFlag(), 0);
  ASSERT_FALSE(zone->GetReins().empty());
  ASSERT_EQ(zone->GetSegmentLayerFlags().size(), zone->GetReins().size());
  for (const std::vector<int>& flags : zone->GetSegmentLayerFlags()) EXPECT_EQ(flags, (std::vector<int>{0, 1}));
  // The face zones' bars (with their end legs in the slab) keep their own
  // layer on every segment.
  for (const ReinZonePtr& face : slab->GetUpperZones())
    for (const std::vector<int>& flags : face->GetSegmentLayerFlags()) {
      EXPECT_FALSE(flags.empty());
      EXPECT_EQ(flags, std::vector<int>(flags.size(), face->GetLayerFlag()));
    }
}

// A segment whose midpoint lies on the reference plane looks among the upper
// face zones; one just below it among the lower ones.
TEST(SegmentLayerFlags, MidpointOnTheReferencePlaneCountsAsUpper) {
  BoardPtr slab = MakeBoard(2, 3000, 3000, 300);
  auto upper = boost::make_shared<ReinZone>();
  upper->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(0, 3000, 0)));
  auto lower = boost::make_shared<ReinZone>();
  lower->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(0, 3000, 0)));
  slab->GetUpperZones().push_back(upper);
  slab->GetLowerZones().push_back(lower);
  EXPECT_EQ(FindCrossingFaceZone(slab, _3dLine(_3dPoint(0, 100, 0), _3dPoint(1000, 100, 0))), upper);
  EXPECT_EQ(FindCrossingFaceZone(slab, _3dLine(_3dPoint(0, 100, -1), _3dPoint(1000, 100, -1))), lower);
  // Along the spread direction no zone's bars run.
  EXPECT_EQ(FindCrossingFaceZone(slab, _3dLine(_3dPoint(100, 0, 0), _3dPoint(100, 1000, 0))), ReinZonePtr());
}

// ---- Examples ------------------------------------------------------------------------

class JointZonesOfExamples : public HostCommandTest {};

struct ZoneShape {
  int diameter, spacing, face;
  std::size_t bars;
  std::vector<_3dPoint> templ;
  bool operator==(const ZoneShape&) const = default;
};

std::vector<ZoneShape> EdgeZoneShapes(const Tank& tank) {
  std::vector<ZoneShape> out;
  for (const BoardPtr& b : tank.GetBoards())
    for (const BoardEdge& e : b->GetEdges())
      for (const auto* list : {&e.GetUpperZones(), &e.GetLowerZones()})
        for (const ReinZonePtr& z : *list)
          out.push_back(ZoneShape{z->GetDiameter(), z->GetSpacing(), z->GetFace(), z->GetReins().size(),
                                  z->GetTemplatePolyline().GetVertices()});
  return out;
}

// The point lies in some board's concrete: between its faces (within 1 mm)
// and over its outline widened by the largest half thickness of the tank's
// boards (boards end at the axes of the boards they meet, so the corner
// blocks of concrete lie beyond every outline).
bool InConcrete(const Tank& tank, const _3dPoint& p) {
  double reach = 1;
  for (const BoardPtr& b : tank.GetBoards()) reach = std::max(reach, b->GetThickness() / 2 + 1);
  for (const BoardPtr& b : tank.GetBoards()) {
    _3dPoint local;
    if (!g_VekGeometryComm.WorldToLocal3d(b->GetOrigin(), b->GetXAxis(), b->GetYAxis(), p, local)) continue;
    if (local.z > b->GetUpperOffset() + 1 || local.z < -b->GetLowerOffset() - 1) continue;
    std::vector<_2dPoint> outline;
    b->GetLocalOutline(outline);
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (const _2dPoint& q : outline) {
      minX = std::min(minX, q.x), maxX = std::max(maxX, q.x), minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
    }
    if (local.x > minX - reach && local.x < maxX + reach && local.y > minY - reach && local.y < maxY + reach)
      return true;
  }
  return false;
}

// Every example: joint zones where boards meet, every bar vertex of them in
// the concrete, segment flags for every bar segment, and a second design
// gives the same joint zones.
TEST_F(JointZonesOfExamples, ZonesPresentInsideTheConcreteAndRepeatable) {
  for (const std::string name : {"open-single-cell", "buried-two-cell", "grid-3x2"}) {
    TankDesigner designer;
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject(name), "x"), "x");
    ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
    designer.DesignRein(nullptr);
    const std::vector<ZoneShape> first = EdgeZoneShapes(designer.GetTank());
    EXPECT_FALSE(first.empty()) << name;
    for (const BoardPtr& b : designer.GetTank().GetBoards())
      for (const BoardEdge& e : b->GetEdges())
        for (const auto* list : {&e.GetUpperZones(), &e.GetLowerZones()})
          for (const ReinZonePtr& z : *list) {
            EXPECT_EQ(z->GetCategory(), ReinZone::PEDESTAL);
            ASSERT_EQ(z->GetSegmentLayerFlags().size(), z->GetReins().size());
            for (std::size_t i = 0; i < z->GetReins().size(); ++i) {
              const _2dPolyline& line = z->GetReins()[i]->GetPolyline();
              EXPECT_EQ(z->GetSegmentLayerFlags()[i].size(), static_cast<std::size_t>(line.VerNums() - 1));
              for (const _3dPoint& p : line.GetVertices())
                EXPECT_TRUE(InConcrete(designer.GetTank(), p)) << name << " " << p.x << "," << p.y << "," << p.z;
            }
          }
    designer.DesignRein(nullptr);
    EXPECT_EQ(EdgeZoneShapes(designer.GetTank()), first) << name;
  }
}

}  // namespace

namespace {

// The designed 3 × 2-cell tank filed and read back: the same joint zones with
// their bars and segment flags, a zone under two edges still one object, and
// filing it again gives the same bytes.
TEST_F(JointZonesOfExamples, SurviveFilingAndReadingBack) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("grid-3x2"), "x"), "x");
  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  designer.DesignRein(nullptr);
  const std::vector<std::uint8_t> bytes = fixtures::StoreTank(designer.GetTank());
  Tank read;
  fixtures::ReadTank(read, bytes);
  EXPECT_EQ(EdgeZoneShapes(read), EdgeZoneShapes(designer.GetTank()));
  auto flagsAndShared = [](const Tank& tank) {
    std::vector<std::vector<std::vector<int>>> flags;
    std::size_t listed = 0;
    std::set<const ReinZone*> distinct;
    for (const BoardPtr& b : tank.GetBoards())
      for (const BoardEdge& e : b->GetEdges())
        for (const auto* list : {&e.GetUpperZones(), &e.GetLowerZones()})
          for (const ReinZonePtr& z : *list) {
            flags.push_back(z->GetSegmentLayerFlags());
            ++listed;
            distinct.insert(z.get());
          }
    return std::make_tuple(flags, listed, distinct.size());
  };
  const auto before = flagsAndShared(designer.GetTank());
  EXPECT_GT(std::get<1>(before), std::get<2>(before));  // some zones stand under two edges
  EXPECT_EQ(flagsAndShared(read), before);
  EXPECT_EQ(fixtures::StoreTank(read), bytes);
}


// Tagging of edge zones: a zone that a slab edge and a wall edge share is a
// wall zone on the wall's face, whichever board comes first in the tank; a
// zone of slabs alone keeps the slab's kind and face.  Each zone gets its
// bars once, however many edges hold it.
TEST(EdgeZoneTags, AZoneOfASlabAndAWallIsAWallZoneOnTheWallsFace) {
  struct Case {
    int slabKind;
    bool wallFirst;
  };
  const Case cases[] = {{1, false}, {1, true}, {2, false}, {2, true}};
  for (const Case& c : cases) {
    Tank tank;
    const BoardPtr slab = MakeBoard(c.slabKind, 3000, 4000, 300);
    const BoardPtr other = MakeBoard(c.slabKind, 3000, 4000, 300);
    const BoardPtr wall = MakeBoard(0, 3000, 3000, 250);
    const std::vector<BoardPtr> order =
        c.wallFirst ? std::vector<BoardPtr>{wall, slab, other} : std::vector<BoardPtr>{slab, other, wall};
    for (const BoardPtr& b : order) tank.AddBoard(b);
    // The joint zone under the slab's upper edge list and the wall's lower
    // one, with a bar along a line of 1000 at 200 (five bars).
    auto shared = boost::make_shared<ReinZone>();
    shared->SetSpacing(200);
    shared->SetTemplatePolyline(_2dPolyline(std::vector<_3dPoint>{_3dPoint(0, 0, 0), _3dPoint(0, 500, 0)}));
    shared->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(1000, 0, 0)));
    slab->GetEdges()[0].GetUpperZones().push_back(shared);
    wall->GetEdges()[0].GetLowerZones().push_back(shared);
    // A zone two slabs share.
    auto slabs = boost::make_shared<ReinZone>();
    slab->GetEdges()[1].GetLowerZones().push_back(slabs);
    other->GetEdges()[3].GetLowerZones().push_back(slabs);

    ReinDesigner().TagEdgeZones(tank);
    const std::string where =
        "slab kind " + std::to_string(c.slabKind) + (c.wallFirst ? ", wall first" : ", slab first");
    EXPECT_EQ(shared->GetKind(), 256) << where;
    EXPECT_EQ(shared->GetFace(), 1) << where;
    EXPECT_EQ(shared->GetCategory(), ReinZone::PEDESTAL) << where;
    EXPECT_EQ(shared->GetReins().size(), 5u) << where;
    EXPECT_EQ(slabs->GetKind(), c.slabKind == 1 ? 16 : 1) << where;
    EXPECT_EQ(slabs->GetFace(), 1) << where;
  }
}

}  // namespace
