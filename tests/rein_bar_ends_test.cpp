// Bar ends at board edges on small tanks with the end points worked out by
// hand: a free edge (one cover inside), a wall on a slab edge (the bars bend
// into the partner by the joint length), a bottom slab with an overhang, a
// wall standing inside a slab (anchorage), coplanar slabs (straight on,
// hairpin, L-shaped end) and a wall standing on the joint of two slabs.
//
// Covers of the fixture: bottom slab 40 top / 50 bottom, top slab 30 / 30,
// wall 45 outer / 35 inner.  Joint rules "30d" with 12 mm bars: L = 360 mm.
#include "platform/Zarvel.h"
#include "rebar/BarEnds.h"
#include "rebar/DetailingRules.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinTrendAdapter.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using rebarfx::MakeBoard;

struct Tk {
  ProjectSettings settings;
  ReinDesignOptions options;
  Tank tank;

  Tk() {
    options.SetSettings(&settings);
    MaterialSettings& m = settings.GetMaterialSettings();
    m.SetBottomSlabTopCover(40);
    m.SetBottomSlabBottomCover(50);
    m.SetTopSlabTopCover(30);
    m.SetTopSlabBottomCover(30);
    m.SetWallOuterCover(45);
    m.SetWallInnerCover(35);
    Rules("30d", "30d");
  }
  Tk(const Tk&) = delete;

  void Rules(const std::string& horizontal, const std::string& vertical) {
    settings.GetReinSettings().SetHorizontalJointLengthRule(horizontal);
    settings.GetReinSettings().SetVerticalJointLengthRule(vertical);
  }

  // Adds the board with 12@150 HRB335 bars on every face and direction, C30.
  BoardPtr Add(const BoardPtr& b) {
    b->SetConcreteGrade("C30");
    for (bool upper : {true, false}) {
      for (bool x : {true, false}) {
        FaceValues& v = b->GetFaceValues(upper, x);
        v.diameter = 12;
        v.spacing = 150;
        v.grade = "HRB335";
      }
      for (BoardEdge& e : b->GetEdges()) {
        e.GetFaceValues(upper).diameter = 12;
        e.GetFaceValues(upper).spacing = 150;
        e.GetFaceValues(upper).grade = "HRB335";
      }
    }
    tank.AddBoard(b);
    return b;
  }
  BoardPtr Slab(int kind, double x0, double lx, double ly, double h, double z = 0) {
    BoardPtr b = MakeBoard(kind, lx, ly, h);
    b->SetOrigin(_3dPoint(x0, 0, z));
    return Add(b);
  }
  // A wall along x at y, from x0 to x1, standing on z = 0, 3000 high, its
  // upper face (towards -y) the outer face.
  BoardPtr WallAlongX(double y, double x0, double x1, double upperOffset = 150, double lowerOffset = 150) {
    BoardPtr w = fixtures::MakeWall(x0, y, x1, y, 0, 3000);
    w->SetUpperOffset(upperOffset);
    w->SetLowerOffset(lowerOffset);
    w->SetUpperFaceOuter(true);
    return Add(w);
  }

  // The end points of a bar line of `board` from `other` to `end` (board-local
  // points) at the edge `edge`.
  std::vector<_3dPoint> End(const BoardPtr& board, int edge, _2dPoint end, _2dPoint other, bool face, bool isX) {
    const ReinTrendAdapter adapter(tank);
    std::vector<_3dPoint> out;
    TreatBarEndAtEdge(options, board, BarEndRecord{_3dPoint(end.x, end.y, 0), board, edge},
                      BarEndRecord{_3dPoint(other.x, other.y, 0), board, -1}, out, adapter, face, isX);
    return out;
  }
};

void ExpectPoints(const std::vector<_3dPoint>& got, const std::vector<_3dPoint>& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-6) << what << " point " << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-6) << what << " point " << i;
    EXPECT_NEAR(got[i].z, want[i].z, 1e-6) << what << " point " << i;
  }
}

// A lone top slab 3000 x 4000, 300 thick: every edge is free and the bar
// stops one cover (30) inside, on its face's bar layer (150 - 30).  An end
// record on no edge (index -1) is a free end too.
TEST(BarEnds, FreeEdgeStopsOneCoverInside) {
  Tk t;
  const BoardPtr slab = t.Slab(2, 0, 3000, 4000, 300);
  struct Case {
    int edge;
    _2dPoint end, other;
    bool face, isX;
    _3dPoint want;
  } cases[] = {
      {1, {3000, 1000}, {0, 1000}, true, true, {2970, 1000, 120}},
      {3, {0, 1000}, {3000, 1000}, false, true, {30, 1000, -120}},
      {0, {500, 0}, {500, 4000}, true, false, {500, 30, 120}},
      {-1, {3000, 1000}, {0, 1000}, true, true, {2970, 1000, 120}},
  };
  for (const Case& c : cases)
    ExpectPoints(t.End(slab, c.edge, c.end, c.other, c.face, c.isX), {c.want}, "edge " + std::to_string(c.edge));
}

// A bottom slab 3000 x 4000, 400 thick, with a 300 wall on its edge y = 0
// (outer face towards -y).  The slab's Y bars reach the wall's far (outer)
// bar layer at y = -(150 - 45) and turn up into the wall by L = 360.  The
// wall's vertical bars reach the slab's far (lower) bar layer at
// z = -(200 - 50) and bend into the slab: by L when the wall thickness plus
// the straight part inside the slab (from its upper face down to that layer,
// 350) stays below L, else by the wall thickness.
TEST(BarEnds, WallOnSlabEdgeBendsIntoThePartner) {
  struct Case {
    const char* vertical;
    bool slabBar, face;
    std::vector<_3dPoint> want;
  } cases[] = {
      {"30d", true, true, {{1000, -105, 160}, {1000, -105, 520}}},
      {"30d", true, false, {{1000, -105, -150}, {1000, -105, 210}}},
      // 300 + 350 >= 360: bent by the wall's thickness.
      {"30d", false, true, {{1000, -105, -150}, {1000, 195, -150}}},
      {"30d", false, false, {{1000, 115, -150}, {1000, 415, -150}}},
      // 60d = 720 > 650: the full joint length.
      {"60d", false, true, {{1000, -105, -150}, {1000, 615, -150}}},
  };
  for (const Case& c : cases) {
    Tk t;
    t.Rules("30d", c.vertical);
    const BoardPtr slab = t.Slab(1, 0, 3000, 4000, 400);
    const BoardPtr wall = t.WallAlongX(0, 0, 3000);
    const std::string what = std::string(c.slabBar ? "slab " : "wall ") + (c.face ? "upper " : "lower ") + c.vertical;
    if (c.slabBar)
      ExpectPoints(t.End(slab, 0, {1000, 0}, {1000, 4000}, c.face, false), c.want, what);
    else
      ExpectPoints(t.End(wall, 0, {1000, 0}, {1000, 3000}, c.face, false), c.want, what);
  }
}

// The same slab with a 500 overhang on the wall's edge: the bars run through
// the wall (by the wall's own offset on the overhang side) and the overhang
// to one top cover (40) short of the slab end; the lower bars then turn up by
// the distance between the layers, 400 - 40 - 50 = 310.  Without an overhang
// haunch the turned-up leg ends there, although L = 360 is longer.
TEST(BarEnds, OverhangEdgeRunsToTheSlabEndAndTurnsUp) {
  struct Case {
    double upperOffset, lowerOffset;
    bool face;
    std::vector<_3dPoint> want;
  } cases[] = {
      {150, 150, true, {{1000, -610, 160}}},
      {150, 150, false, {{1000, -610, -150}, {1000, -610, 160}}},
      // An eccentric wall: 200 on the overhang side.
      {200, 100, true, {{1000, -660, 160}}},
      {200, 100, false, {{1000, -660, -150}, {1000, -660, 160}}},
  };
  for (const Case& c : cases) {
    Tk t;
    const BoardPtr slab = t.Slab(1, 0, 3000, 4000, 400);
    t.WallAlongX(0, 0, 3000, c.upperOffset, c.lowerOffset);
    slab->SetEdgeOverhang(0, true, 500);
    ExpectPoints(t.End(slab, 0, {1000, 0}, {1000, 4000}, c.face, false), c.want,
                 std::string(c.face ? "upper " : "lower ") + std::to_string(c.upperOffset));
  }
}

// The lower bar at the overhang with an overhang haunch on the joint (L = 360
// exceeds the 310 leg).  A haunch that does not span the overhang (45
// degrees, 200 long, against 500 of overhang): the bar returns along the top
// by 360 - 310.  One that spans it (500 long): the bar follows the haunch's
// slope from the turned-up end, y = -610, z = 160, at 45 degrees to the
// wall's far (inner) bar layer at y = 150 - 35, which it reaches 265 higher;
// the straight part from the wall's outer face there is 265 x sqrt 2 = 374.8,
// already longer than L, so nothing more is added.
TEST(BarEnds, OverhangHaunchTakesTheLowerBar) {
  struct Case {
    double haunch;
    std::vector<_3dPoint> want;
  } cases[] = {
      {200, {{1000, -610, -150}, {1000, -610, 160}, {1000, -560, 160}}},
      {500, {{1000, -610, -150}, {1000, -610, 160}, {1000, 115, 885}}},
  };
  for (const Case& c : cases) {
    Tk t;
    const BoardPtr slab = t.Slab(1, 0, 3000, 4000, 400);
    const BoardPtr wall = t.WallAlongX(0, 0, 3000);
    slab->SetEdgeOverhang(0, true, 500);
    BoardJointPtr joint;
    ASSERT_TRUE(t.tank.FindJoint(slab, wall, joint));
    auto ear = boost::make_shared<Ear>();
    ear->SetAngle(g_Pi / 4);
    ear->SetLength(c.haunch);
    SetJointOverhangEar(joint, ear);
    ExpectPoints(t.End(slab, 0, {1000, 0}, {1000, 4000}, false, false), c.want,
                 "haunch " + std::to_string(c.haunch));
  }
}

// A wall standing inside a bottom slab (at y = 2000) rests on the slab's
// face: its vertical bars anchor in the slab.  With "15d" (180) the bar
// reaches the slab's far bar layer (z = -(h/2 - 50)) and turns by 180 along
// the wall's normal, towards the inside for the outer face.  With the
// anchorage rule and a slab thick enough the bar runs straight la past the
// slab's upper face; with a thin slab it turns for what the embedment leaves.
TEST(BarEnds, WallInsideSlabIsAnchoredInIt) {
  Tk t0;
  const BoardPtr probe = t0.WallAlongX(2000, 0, 3000);
  t0.Rules("不考虑", "不考虑");
  const double la = GetFaceBarLengthFromSetting(t0.options, probe, true, false);
  // la = 0.14 fy d / ft for ribbed bars: 0.14 x 300 x 12 / 1.43.
  ASSERT_NEAR(la, 0.14 * 300 * 12 / 1.43, 0.5);
  struct Case {
    const char* rule;
    double slabThickness;
    bool face;
    std::vector<_3dPoint> want;
  } cases[] = {
      {"15d", 400, true, {{1000, 1895, -150}, {1000, 2075, -150}}},
      {"15d", 400, false, {{1000, 2115, -150}, {1000, 1935, -150}}},
      // 800 thick: embedment from the upper face to the lower bar layer 750 > la.
      {"不考虑", 800, true, {{1000, 1895, 400 - la}}},
      // 300 thick: embedment 150 + 100 = 250 < la.
      {"不考虑", 300, true, {{1000, 1895, -100}, {1000, 1895 + la - 250, -100}}},
  };
  for (const Case& c : cases) {
    Tk t;
    t.Rules(c.rule, c.rule);
    t.Slab(1, 0, 3000, 4000, c.slabThickness);
    const BoardPtr wall = t.WallAlongX(2000, 0, 3000);
    ExpectPoints(t.End(wall, 0, {1000, 0}, {1000, 3000}, c.face, false), c.want,
                 std::string(c.rule) + (c.face ? " upper " : " lower ") + std::to_string(c.slabThickness));
  }
}

// Two top slabs in one plane meeting at x = 3000; the left one 300 thick.
// Equal, flush: straight on by L = 360.  A thinner partner not flush with the
// bar's face: the bar stops one cover (30) inside, turns to the other layer
// (300 - 60 = 240 < L) and runs back by the rest (120); with a joint length
// of 200 (not above 240) only the turned leg is added.  A partner of the same
// thickness, or a thicker one, set off so that the bar misses its end face:
// the same hairpin.
TEST(BarEnds, CoplanarSlabsRunOnOrTurnBack) {
  struct Case {
    const char* what;
    const char* rule;
    double upper, lower;  // the right slab's face offsets
    bool face;
    std::vector<_3dPoint> want;
  } cases[] = {
      {"equal upper", "30d", 150, 150, true, {{3360, 1000, 120}}},
      {"equal lower", "30d", 150, 150, false, {{3360, 1000, -120}}},
      {"thinner upper", "30d", 100, 100, true, {{2970, 1000, 120}, {2970, 1000, -120}, {2850, 1000, -120}}},
      {"thinner upper, short leg", "200", 100, 100, true, {{2970, 1000, 120}, {2970, 1000, -80}}},
      {"thinner flush upper", "30d", 150, 50, true, {{3360, 1000, 120}}},
      {"thinner flush lower", "30d", 150, 50, false, {{2970, 1000, -120}, {2970, 1000, 120}, {2850, 1000, 120}}},
      {"offset upper", "30d", 200, 100, true, {{3360, 1000, 120}}},
      {"offset lower", "30d", 200, 100, false, {{2970, 1000, -120}, {2970, 1000, 120}, {2850, 1000, 120}}},
      // A thicker partner (400) set off upwards, its lower face at -50: run
      // straight on at -120 the bar would lie 70 below that face, outside
      // the concrete; it turns back as at a partner of the same thickness.
      {"thicker offset lower", "30d", 350, 50, false, {{2970, 1000, -120}, {2970, 1000, 120}, {2850, 1000, 120}}},
  };
  for (const Case& c : cases) {
    Tk t;
    t.Rules(c.rule, c.rule);
    const BoardPtr left = t.Slab(2, 0, 3000, 4000, 300);
    const BoardPtr right = t.Slab(2, 3000, 3000, 4000, 300);
    right->SetUpperOffset(c.upper);
    right->SetLowerOffset(c.lower);
    ExpectPoints(t.End(left, 1, {3000, 1000}, {0, 1000}, c.face, true), c.want, c.what);
  }
}

// Two top slabs 300 thick in one plane meeting at x = 3000 over a wall 300
// thick below the joint; the right slab is set off (faces at 200 and -100),
// so neither face is flush and the left slab's bars turn at the wall's far
// bar layer (x = 3000 + 150 - 35).  The lower bar turns down into the wall
// by the slab's layer distance (240) and runs back by the rest of L = 360;
// the upper bar turns down too, towards the lower layer: turned up it would
// end 210 above the slab's upper face.
TEST(BarEnds, SlabBarsTurnAtAWallBelowTheirJointIntoTheConcrete) {
  Tk t;
  const BoardPtr left = t.Slab(2, 0, 3000, 4000, 300);
  const BoardPtr right = t.Slab(2, 3000, 3000, 4000, 300);
  right->SetUpperOffset(200);
  right->SetLowerOffset(100);
  t.Add(fixtures::MakeWall(3000, 0, 3000, 4000, -3000, 3000));
  ExpectPoints(t.End(left, 1, {3000, 1000}, {0, 1000}, true, true),
               {{3115, 1000, 120}, {3115, 1000, -120}, {2995, 1000, -120}}, "upper");
  ExpectPoints(t.End(left, 1, {3000, 1000}, {0, 1000}, false, true),
               {{3115, 1000, -120}, {3115, 1000, -360}, {2995, 1000, -360}}, "lower");
}

// A bar whose other end lies between the edge and the joint's corner line
// (the wall's inner face, 150 from the edge) reaches no further than the
// edge: no end points are added and the bar keeps its end.
TEST(BarEnds, BarShorterThanTheJointKeepsItsEnd) {
  Tk t;
  const BoardPtr slab = t.Slab(1, 0, 3000, 4000, 400);
  t.WallAlongX(0, 0, 3000);
  EXPECT_TRUE(t.End(slab, 0, {1000, 0}, {1000, 100}, true, false).empty());
  EXPECT_EQ(t.End(slab, 0, {1000, 0}, {1000, 200}, true, false).size(), 2u);
}

// Two bottom slabs in one plane with a wall standing on their common line
// (x = 3000): the bar passes the wall's thickness and runs on by L beyond
// it; with the anchorage rule by L alone.
TEST(BarEnds, SlabsUnderAWallRunThroughIt) {
  for (const char* rule : {"30d", "不考虑"}) {
    Tk t;
    t.Rules(rule, rule);
    const BoardPtr left = t.Slab(1, 0, 3000, 4000, 400);
    t.Slab(1, 3000, 3000, 4000, 400);
    BoardPtr wall = fixtures::MakeWall(3000, 0, 3000, 4000, 0, 3000);
    t.Add(wall);
    const double l = GetFaceBarLengthFromSetting(t.options, left, true, true);
    const std::vector<_3dPoint> got = t.End(left, 1, {3000, 1000}, {0, 1000}, true, true);
    ASSERT_EQ(got.size(), 1u) << rule;
    EXPECT_NEAR(got[0].y, 1000, 1e-6);
    EXPECT_NEAR(got[0].z, 160, 1e-6);
    const double run = std::string(rule) == "30d" ? 300 + l : l;
    EXPECT_NEAR(got[0].x, 2850 + run, 1e-6) << rule;
  }
}

// One trend adapter serves every bar end of a design run and keeps what it
// works out per edge: bars at other points of the same edge, on the other
// face or in the other direction, and edges of the other boards, must get
// the ends a fresh adapter gives them.  Two slabs under a wall (several
// records on a line) and a wall on a slab edge (one record).
TEST(BarEnds, SharedAdapterGivesTheEndsOfAFreshOne) {
  Tk t;
  const BoardPtr left = t.Slab(1, 0, 3000, 4000, 400);
  const BoardPtr right = t.Slab(1, 3000, 3000, 4000, 400);
  t.Add(fixtures::MakeWall(3000, 0, 3000, 4000, 0, 3000));
  const BoardPtr outer = t.WallAlongX(0, 0, 6000);
  const ReinTrendAdapter shared(t.tank);
  int compared = 0;
  for (const BoardPtr& board : {left, right, outer})
    for (int edge = 0; edge < static_cast<int>(board->GetEdges().size()); ++edge) {
      const BoardEdge& e = board->GetEdges()[static_cast<std::size_t>(edge)];
      const _2dPoint s = e.GetStartPoint(), f = e.GetEndPoint();
      for (double at : {0.3, 0.7})
        for (bool face : {true, false})
          for (bool isX : {true, false}) {
            // A bar from the edge point across the board to its centre.
            const _2dPoint end(s.x + (f.x - s.x) * at, s.y + (f.y - s.y) * at);
            const _2dPoint c0 = board->GetEdges()[0].GetStartPoint(), c2 = board->GetEdges()[2].GetStartPoint();
            const _2dPoint centre((c0.x + c2.x) / 2, (c0.y + c2.y) / 2);
            const BarEndRecord a{_3dPoint(end.x, end.y, 0), board, edge};
            const BarEndRecord b{_3dPoint(centre.x, centre.y, 0), board, -1};
            std::vector<_3dPoint> once, fresh;
            TreatBarEndAtEdge(t.options, board, a, b, once, shared, face, isX);
            TreatBarEndAtEdge(t.options, board, a, b, fresh, ReinTrendAdapter(t.tank), face, isX);
            const std::string what = "edge " + std::to_string(edge) + (face ? " upper" : " lower") + (isX ? " x" : " y");
            ASSERT_EQ(once.size(), fresh.size()) << what;
            for (std::size_t i = 0; i < once.size(); ++i) {
              EXPECT_EQ(once[i].x, fresh[i].x) << what;
              EXPECT_EQ(once[i].y, fresh[i].y) << what;
              EXPECT_EQ(once[i].z, fresh[i].z) << what;
            }
            compared += once.size() > 1 ? 1 : 0;
          }
    }
  // The joints were reached (a free end has one point).
  EXPECT_GT(compared, 0);
}

// The face zones lay their bars with these ends: a wall on a slab edge gets
// vertical bars that bend into the slab at the base and stop one cover below
// the free top; the slab's bars along x stop one cover inside its free sides.
// The bar lines are spread over the clear part of each board: the wall's
// horizontal bars over its 2800 above the slab's upper face (18 spacings and
// 100 left over: 18 lines from 50 above the slab), the slab's bars along x
// over its 3850 beside the wall (25 spacings, 100 left: 25 lines from 150 + 50).
TEST(BarEnds, FaceZoneBarsTakeTheirEdgesTreatment) {
  Tk t;
  const BoardPtr slab = t.Slab(1, 0, 3000, 4000, 400);
  const BoardPtr wall = t.WallAlongX(0, 0, 3000);
  const ReinTrendAdapter adapter(t.tank);
  LayoutSingleBoardZones(t.tank, t.options, wall, &adapter);
  LayoutSingleBoardZones(t.tank, t.options, slab, &adapter);
  const ReinZonePtr vertical = wall->GetUpperZones().at(1);
  ASSERT_EQ(vertical->GetDirection(), 1);
  ASSERT_FALSE(vertical->GetReins().empty());
  for (const ReinPtr& bar : vertical->GetReins()) {
    const _2dPolyline& p = bar->GetPolyline();
    ASSERT_EQ(p.VerNums(), 3);
    // Bent end, bend at the slab's lower bar layer, free top.
    EXPECT_NEAR(p.GetVertexAt(0).y, 195, 1e-6);
    EXPECT_NEAR(p.GetVertexAt(0).z, -150, 1e-6);
    EXPECT_NEAR(p.GetVertexAt(1).y, -105, 1e-6);
    EXPECT_NEAR(p.GetVertexAt(1).z, -150, 1e-6);
    EXPECT_NEAR(p.GetVertexAt(2).y, -105, 1e-6);
    EXPECT_NEAR(p.GetVertexAt(2).z, 3000 - 45, 1e-6);
  }
  const ReinZonePtr horizontal = wall->GetUpperZones().at(0);
  ASSERT_EQ(horizontal->GetDirection(), 0);
  ASSERT_EQ(horizontal->GetReins().size(), 18u);
  double lowest = 1e9;
  for (const ReinPtr& bar : horizontal->GetReins()) lowest = std::min(lowest, bar->GetPolyline().GetVertexAt(0).z);
  EXPECT_NEAR(lowest, 250, 1e-6);
  const ReinZonePtr slabX = slab->GetUpperZones().at(0);
  ASSERT_EQ(slabX->GetDirection(), 0);
  ASSERT_EQ(slabX->GetReins().size(), 25u);
  EXPECT_NEAR(slabX->GetReins().front()->GetPolyline().GetVertexAt(0).y, 200, 1e-6);
  for (const ReinPtr& bar : slabX->GetReins()) {
    const _2dPolyline& p = bar->GetPolyline();
    ASSERT_EQ(p.VerNums(), 2);
    EXPECT_NEAR(p.GetVertexAt(0).x, 40, 1e-6);
    EXPECT_NEAR(p.GetVertexAt(1).x, 3000 - 40, 1e-6);
  }
}

TEST(BarEnds, JoinBarEndsReplacesTheLineEnds) {
  const std::vector<_3dPoint> line = {{0, 0, 0}, {1000, 0, 0}};
  struct Case {
    std::vector<_3dPoint> start, end, want;
  } cases[] = {
      {{}, {}, {{0, 0, 0}, {1000, 0, 0}}},
      {{{-10, 0, 0}, {-10, 0, 300}}, {{990, 0, 0}}, {{-10, 0, 300}, {-10, 0, 0}, {990, 0, 0}}},
      // A treatment that repeats the line's end gives no zero-length segment.
      {{}, {{1000, 0, 0}, {1200, 0, 0}}, {{0, 0, 0}, {1000, 0, 0}, {1200, 0, 0}}},
  };
  for (const Case& c : cases) ExpectPoints(JoinBarEnds(line, c.start, c.end), c.want, "join");
}

}  // namespace
