// Support bars at board junctions: a wall standing on a slab (T junction), an
// L corner of two walls of different thickness and a T of three walls, with
// the bar positions worked out from the face bars' layers; junction grouping
// from the tank's meeting tables, a junction the tables cannot support
// skipped with a note; the cage corners of a section; and over a designed
// example, support zones that are straight bars along their junctions, the
// same on a second run.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "rebar/SupportReins.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using namespace support_rebar;
using fixtures::MakeWall;

// A zone of face bars of one direction (0 X, 1 Y) on one face (0 upper, 1
// lower), one bar per polyline.
ReinZonePtr BarZone(int direction, int face, const std::vector<std::vector<_3dPoint>>& bars) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetDirection(direction);
  zone->SetFace(face);
  zone->SetDiameter(12);
  zone->SetSpacing(150);
  zone->SetGrade("HRB335");
  for (const auto& points : bars) {
    auto bar = boost::make_shared<Rein>();
    bar->SetPolyline(_2dPolyline(points));
    zone->AddRein(bar);
  }
  return zone;
}

// A level slab: lx × ly from `origin` along world x and y, thickness h about
// its mid-plane at the origin's level.
BoardPtr LevelSlab(const _3dPoint& origin, double lx, double ly, double h) {
  BoardPtr slab = rebarfx::MakeBoard(1, lx, ly, h);
  slab->SetOrigin(origin);
  slab->SetXAxis(_3dVector(1, 0, 0));
  slab->SetYAxis(_3dVector(0, 1, 0));
  return slab;
}

// The bars' places in the junction's section (model coordinates axisA and
// axisB, 0 x, 1 y, 2 z), compared with the expected corners in any order;
// every bar straight, running along axisAlong from `from` to `to`.
struct BarAlong {
  double a, b;
};
void ExpectBars(const ReinZonePtr& zone, const std::vector<BarAlong>& expected, int axisA, int axisB, int axisAlong,
                double from, double to) {
  auto coord = [](const _3dPoint& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; };
  std::vector<std::pair<double, double>> got;
  for (const ReinPtr& bar : zone->GetReins()) {
    const _2dPolyline& line = bar->GetPolyline();
    ASSERT_EQ(line.VerNums(), 2);
    EXPECT_EQ(line.GetBulgeAt(0), 0.0);
    EXPECT_EQ(line.GetBulgeAt(1), 0.0);
    const _3dPoint& s = line.GetVertexAt(0);
    const _3dPoint& e = line.GetVertexAt(1);
    EXPECT_NEAR(coord(s, axisA), coord(e, axisA), 1e-6);
    EXPECT_NEAR(coord(s, axisB), coord(e, axisB), 1e-6);
    EXPECT_NEAR(std::min(coord(s, axisAlong), coord(e, axisAlong)), from, 1e-6);
    EXPECT_NEAR(std::max(coord(s, axisAlong), coord(e, axisAlong)), to, 1e-6);
    EXPECT_EQ(bar->GetDiameter(), zone->GetDiameter());
    EXPECT_EQ(bar->GetGrade(), zone->GetGrade());
    got.emplace_back(std::round(coord(s, axisA) * 1e6) / 1e6, std::round(coord(s, axisB) * 1e6) / 1e6);
  }
  std::vector<std::pair<double, double>> want;
  for (const BarAlong& c : expected) want.emplace_back(c.a, c.b);
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].first, want[i].first, 1e-6);
    EXPECT_NEAR(got[i].second, want[i].second, 1e-6);
  }
}

void ExpectSupportZone(const ReinZonePtr& zone, int diameter) {
  EXPECT_EQ(zone->GetKind(), 4096);
  EXPECT_EQ(zone->GetCategory(), 5);
  EXPECT_EQ(zone->GetSpacing(), 0);
  EXPECT_EQ(zone->GetDiameter(), diameter);
  EXPECT_EQ(zone->GetGradeCode(), 130);
  EXPECT_EQ(zone->GetGrade(), "HPB235");
}

// A wall 300 thick (bar layers 30 in: x = ±120) stands at x = 0 on a slab
// 400 thick (layers 40 in: z = ±160) that runs on 3000 mm to both sides.  The
// slab's X bars cross the wall straight; the wall's vertical bars reach down
// to the slab's lower layer and turn outwards along it.  In the section the
// wall bars cut the slab's upper layer, the legs lie on its lower layer, and
// the closed cage is the rectangle x = ±120, z = ±160: four support bars
// along the whole junction, y 0 to 4000.
TEST(SupportBars, WallOnSlabGivesFourBarsInTheCornersOfTheLayers) {
  Tank tank;
  const BoardPtr slab = LevelSlab(_3dPoint(-3000, 0, 0), 6000, 4000, 400);
  const BoardPtr wall = MakeWall(0, 0, 0, 4000, 0, 3000, 300);  // normal +x: upper face at x > 0
  tank.AddBoards({slab, wall});
  std::vector<std::vector<_3dPoint>> slabUpper, slabLower, wallUpper, wallLower;
  for (double y : {75.0, 225.0, 375.0}) {
    slabUpper.push_back({{-2960, y, 160}, {2960, y, 160}});
    slabLower.push_back({{-2960, y, -160}, {2960, y, -160}});
    wallUpper.push_back({{120, y, 2970}, {120, y, -160}, {420, y, -160}});
    wallLower.push_back({{-120, y, 2970}, {-120, y, -160}, {-420, y, -160}});
  }
  // Y bars of the slab run along the junction and are not looked at.
  slab->GetUpperZones() = {BarZone(1, 0, {{{-100, 10, 160}, {-100, 3990, 160}}}), BarZone(0, 0, slabUpper)};
  slab->GetLowerZones() = {BarZone(0, 1, slabLower)};
  wall->GetUpperZones() = {BarZone(1, 0, wallUpper)};
  wall->GetLowerZones() = {BarZone(1, 1, wallLower)};

  // Bars without a diameter are not laid.
  GenerateSupportReins(tank, 0);
  EXPECT_TRUE(tank.GetSupportReins().empty());

  EXPECT_TRUE(GenerateSupportReins(tank, 14).empty());
  ASSERT_EQ(tank.GetSupportReins().size(), 1u);
  const ReinZonePtr zone = tank.GetSupportReins().front();
  ExpectSupportZone(zone, 14);
  ExpectBars(zone, {{-120, -160}, {-120, 160}, {120, -160}, {120, 160}}, 0, 2, 1, 0, 4000);
  const auto support = boost::dynamic_pointer_cast<SupportRein>(zone);
  ASSERT_TRUE(support);
  BoardJointPtr joint;
  ASSERT_TRUE(tank.FindJoint(slab, wall, joint));
  ASSERT_EQ(support->GetJoints().size(), 1u);
  EXPECT_EQ(support->GetJoints().front(), joint);
}

// A wall 300 thick stands on the edge x = 0 of a slab 400 thick.  The wall's
// outer bar reaches just past the junction; the slab's bars turn up along the
// wall's outer layer, and the leg of its lower bar closes the outer corner:
// four bars at x = ±120, z = ±160.  Where the slab edge carries an overhang,
// the slab's legs are not taken (the overhang's own bars turn there), and
// these bars close no cage.
TEST(SupportBars, SlabLegsCloseTheCornerExceptAtAnOverhangEdge) {
  for (bool overhang : {false, true}) {
    Tank tank;
    const BoardPtr slab = LevelSlab(_3dPoint(0, 0, 0), 3000, 4000, 400);  // edge 3 on x = 0
    const BoardPtr wall = MakeWall(0, 0, 0, 4000, 0, 3000, 300);          // upper face inside, x > 0
    if (overhang) slab->SetEdgeOverhang(3, true, 500);
    tank.AddBoards({slab, wall});
    const double y = 75;
    slab->GetUpperZones() = {BarZone(0, 0, {{{2960, y, 160}, {-120, y, 160}, {-120, y, -100}}})};
    slab->GetLowerZones() = {BarZone(0, 1, {{{2960, y, -160}, {-120, y, -160}, {-120, y, 200}}})};
    wall->GetUpperZones() = {BarZone(1, 0, {{{120, y, 2970}, {120, y, -160}, {420, y, -160}}})};
    wall->GetLowerZones() = {BarZone(1, 1, {{{-120, y, 2970}, {-120, y, -60}}})};

    GenerateSupportReins(tank, 12);
    ASSERT_EQ(tank.GetSupportReins().size(), overhang ? 0u : 1u) << "overhang " << overhang;
    if (!overhang)
      ExpectBars(tank.GetSupportReins().front(), {{-120, -160}, {-120, 160}, {120, -160}, {120, 160}}, 0, 2, 1, 0,
                 4000);
  }
}

// Two walls meet at an L corner on the z axis: wall 1 along +x, 300 thick
// (layers y = ±120), wall 2 along +y, 400 thick (layers x = ±160), both 3000
// high.  Each outer bar runs to the other wall's outer layer and turns along
// it; each inner bar runs to the other wall's outer layer straight.  The cage
// is the rectangle x = ±160, y = ±120: four vertical bars, z 0 to 3000.
// When wall 2's outer bar crosses the junction but stops short of wall 1's
// outer layer, the leg of wall 1's outer bar alone closes the outer corner:
// the same four bars.  Bars that stop
// at the junction line without reaching the other wall's layers close no
// cage: no zone.
TEST(SupportBars, LCornerOfTwoWallsTakesEachWallsOwnLayers) {
  enum Bars { kAnchored, kOneLegClosesTheCorner, kStopAtTheJunction };
  struct Case {
    Bars bars;
    std::size_t zones;
  };
  for (const Case c : {Case{kAnchored, 1}, Case{kOneLegClosesTheCorner, 1}, Case{kStopAtTheJunction, 0}}) {
    Tank tank;
    const BoardPtr wall1 = MakeWall(0, 0, 5000, 0, 0, 3000, 300);  // normal -y: upper face outside
    const BoardPtr wall2 = MakeWall(0, 0, 0, 4000, 0, 3000, 400);  // normal +x: upper face inside
    tank.AddBoards({wall1, wall2});
    std::vector<std::vector<_3dPoint>> w1Outer, w1Inner, w2Outer, w2Inner;
    for (double z : {1000.0, 1150.0}) {
      if (c.bars != kStopAtTheJunction) {
        w1Outer.push_back({{4960, -120, z}, {-160, -120, z}, {-160, 500, z}});
        w1Inner.push_back({{4960, 120, z}, {-160, 120, z}});
        if (c.bars == kAnchored)
          w2Outer.push_back({{-160, 3960, z}, {-160, -120, z}, {500, -120, z}});
        else
          w2Outer.push_back({{-160, 3960, z}, {-160, -60, z}});
        w2Inner.push_back({{160, 3960, z}, {160, -120, z}});
      } else {
        w1Outer.push_back({{4960, -120, z}, {0, -120, z}});
        w1Inner.push_back({{4960, 120, z}, {0, 120, z}});
        w2Outer.push_back({{-160, 3960, z}, {-160, 0, z}});
        w2Inner.push_back({{160, 3960, z}, {160, 0, z}});
      }
    }
    wall1->GetUpperZones() = {BarZone(0, 0, w1Outer)};
    wall1->GetLowerZones() = {BarZone(0, 1, w1Inner)};
    wall2->GetLowerZones() = {BarZone(0, 1, w2Outer)};
    wall2->GetUpperZones() = {BarZone(0, 0, w2Inner)};

    GenerateSupportReins(tank, 12);
    ASSERT_EQ(tank.GetSupportReins().size(), c.zones) << "case " << c.bars;
    if (c.zones == 0) continue;
    ExpectSupportZone(tank.GetSupportReins().front(), 12);
    ExpectBars(tank.GetSupportReins().front(), {{-160, -120}, {-160, 120}, {160, -120}, {160, 120}}, 0, 1,
               2, 0, 3000);
  }
}

// A T of three walls: the through wall is two boards meeting at x = 0, the
// stem runs along +y from there.  All three pairs meet on the same vertical
// line, so they form one group and one zone: the through wall's bars merge
// into one line per layer, the stem's bars reach its far layer and turn along
// it, and the cage is x = ±120, y = ±120.  A stem only 2000 high meets the
// through wall along a shorter line: the through wall's own junction is a
// group of its own (two parallel layers close no cage), and the three walls'
// bars run only along the part they share, z 0 to 2000.
TEST(SupportBars, ThreeWallsOnOneLineGiveOneZoneAlongTheirCommonPart) {
  struct Case {
    double stemHeight;
    std::vector<JunctionGroup> groups;
  };
  for (const Case& c : {Case{3000, {{0, 1, 2}}}, Case{2000, {{0, 1}, {0, 1, 2}}}}) {
    Tank tank;
    const BoardPtr left = MakeWall(-3000, 0, 0, 0, 0, 3000, 300);
    const BoardPtr right = MakeWall(0, 0, 3000, 0, 0, 3000, 300);
    const BoardPtr stem = MakeWall(0, 0, 0, 4000, 0, c.stemHeight, 300);
    tank.AddBoards({left, right, stem});
    const double z = 1500;
    left->GetUpperZones() = {BarZone(0, 0, {{{-2960, -120, z}, {0, -120, z}}})};
    left->GetLowerZones() = {BarZone(0, 1, {{{-2960, 120, z}, {0, 120, z}}})};
    right->GetUpperZones() = {BarZone(0, 0, {{{0, -120, z}, {2960, -120, z}}})};
    right->GetLowerZones() = {BarZone(0, 1, {{{0, 120, z}, {2960, 120, z}}})};
    stem->GetUpperZones() = {BarZone(0, 0, {{{120, 3960, z}, {120, -120, z}, {500, -120, z}}})};
    stem->GetLowerZones() = {BarZone(0, 1, {{{-120, 3960, z}, {-120, -120, z}, {-500, -120, z}}})};

    std::vector<JunctionGroup> groups;
    std::vector<std::string> skipped;
    CollectJunctionGroups(tank, groups, skipped);
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(groups, c.groups) << "stem " << c.stemHeight;

    GenerateSupportReins(tank, 12);
    ASSERT_EQ(tank.GetSupportReins().size(), 1u) << "stem " << c.stemHeight;
    ExpectBars(tank.GetSupportReins().front(), {{-120, -120}, {-120, 120}, {120, -120}, {120, 120}}, 0, 1, 2, 0,
               c.stemHeight);
  }
}

// Which bars of a board are looked at: its X bars unless they run along the
// junction within π/4 (strictly; exactly π/4 counts as crossing), measured
// from the board's rebar angle.  Here only X zones are given, so the shape is
// found exactly when the X bars count as crossing a junction along world x.
TEST(SupportBars, XBarsCrossUnlessWithinAQuarterTurnOfTheJunction) {
  const _3dLine junction(_3dPoint(0, 0, 0), _3dPoint(4000, 0, 0));
  struct Case {
    double reinAngle;
    bool found;
  };
  for (const Case c : {Case{0.0, false}, Case{g_Pi / 4 - 0.01, false}, Case{g_Pi / 4, true},
                       Case{3 * g_Pi / 4, true}, Case{g_Pi / 2, true}, Case{g_Pi, false}}) {
    const BoardPtr slab = LevelSlab(_3dPoint(0, -2000, 0), 4000, 4000, 400);
    slab->SetReinAngle(c.reinAngle);
    slab->GetUpperZones() = {BarZone(0, 0, {{{2000, -500, 160}, {2000, 500, 160}}})};
    slab->GetLowerZones() = {BarZone(0, 1, {{{2000, -500, -160}, {2000, 500, -160}}})};
    std::vector<_2dLine> segments;
    EXPECT_EQ(GetJunctionBarShape(slab, junction.GetStartPoint(), _3dVector(0, 0, 1), _3dVector(0, 1, 0) * -1.0,
                                  junction, segments),
              c.found)
        << "rebar angle " << c.reinAngle;
  }
}

// Grouping straight from the tables: junctions join a group only when their
// lines coincide end for end and they share a board; a flagged pair the
// tables cannot support is skipped with a note naming it, and the others are
// still grouped.
TEST(SupportBars, JunctionGroupsFromTheMeetingTables) {
  std::vector<StructureComponentPtr> boards;
  for (int i = 0; i < 4; ++i) boards.push_back(rebarfx::MakeBoard(0, 1000, 1000, 200));
  const _3dLine line(_3dPoint(0, 0, 0), _3dPoint(0, 0, 3000));
  const _3dLine reversed(_3dPoint(0, 0, 3000), _3dPoint(0, 0, 0));
  const _3dLine longer(_3dPoint(0, 0, 0), _3dPoint(0, 0, 3002));
  using Pair = std::pair<int, int>;
  struct Case {
    const char* name;
    std::vector<std::pair<Pair, _3dLine>> junctions;
    std::size_t tableSize;       // rows and columns of the line table
    std::size_t componentCount;  // components the tables refer to
    std::vector<JunctionGroup> groups;
    std::size_t skipped;
  };
  const Case cases[] = {
      {"three boards on one line", {{{0, 1}, line}, {{0, 2}, reversed}, {{1, 2}, line}}, 4, 4, {{0, 1, 2}}, 0},
      {"equal lines, no common board", {{{0, 1}, line}, {{2, 3}, line}}, 4, 4, {{0, 1}, {2, 3}}, 0},
      {"collinear lines with different ends", {{{0, 1}, line}, {{0, 2}, longer}}, 4, 4, {{0, 1}, {0, 2}}, 0},
      {"flag without a line", {{{0, 1}, line}, {{2, 3}, line}}, 3, 4, {{0, 1}}, 1},
      {"line of no length", {{{0, 1}, _3dLine()}, {{2, 3}, line}}, 4, 4, {{2, 3}}, 1},
      {"position beyond the components", {{{0, 1}, line}, {{1, 3}, line}}, 4, 3, {{0, 1}}, 1},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<unsigned char>> flags(4, std::vector<unsigned char>(4, 0));
    std::vector<std::vector<_3dLine>> lines(c.tableSize, std::vector<_3dLine>(c.tableSize));
    for (const auto& [pair, l] : c.junctions) {
      flags[pair.first][pair.second] = flags[pair.second][pair.first] = 1;
      if (static_cast<std::size_t>(pair.second) < c.tableSize) lines[pair.first][pair.second] = l;
    }
    const std::vector<StructureComponentPtr> components(boards.begin(), boards.begin() + c.componentCount);
    std::vector<JunctionGroup> groups;
    std::vector<std::string> skipped;
    CollectJunctionGroups(flags, lines, components, groups, skipped);
    EXPECT_EQ(groups, c.groups) << c.name;
    EXPECT_EQ(skipped.size(), c.skipped) << c.name;
    for (const std::string& note : skipped) EXPECT_NE(note.find("skipped"), std::string::npos) << note;
  }
}

// The corners of a cage: of an L-shaped loop the five corners that turn
// inward (the re-entrant one is not a bar position); two separate loops give
// no loop at all; corners closer than the bar diameter keep the first.
TEST(SupportBars, CageCornersOfASection) {
  auto seg = [](double x0, double y0, double x1, double y1) { return _2dLine(_2dPoint(x0, y0), _2dPoint(x1, y1)); };
  std::vector<_2dLine> lShape = {seg(0, 0, 400, 0),     seg(400, 0, 400, 200), seg(400, 200, 200, 200),
                                 seg(200, 200, 200, 500), seg(200, 500, 0, 500), seg(0, 500, 0, 0),
                                 seg(0, 500, 0, 900)};  // an open tail, pruned
  PruneOpenLineEnds(lShape);
  EXPECT_EQ(lShape.size(), 6u);
  std::vector<_2dPoint> loop, corners;
  ASSERT_TRUE(GetSingleLoopPoints(lShape, loop));
  GetLoopCornerPoints(loop, corners);
  ASSERT_EQ(corners.size(), 5u);
  for (const _2dPoint& p : corners) EXPECT_FALSE(p == _2dPoint(200, 200));

  const std::vector<_2dLine> twoLoops = {seg(0, 0, 100, 0),     seg(100, 0, 100, 100), seg(100, 100, 0, 100),
                                         seg(0, 100, 0, 0),     seg(500, 0, 600, 0),   seg(600, 0, 600, 100),
                                         seg(600, 100, 500, 100), seg(500, 100, 500, 0)};
  loop.clear();
  EXPECT_FALSE(GetSingleLoopPoints(twoLoops, loop));

  std::vector<_2dPoint> positions = {{0, 0}, {11.9, 0}, {100, 0}, {100, 12}};
  RemoveClosePoints(positions, 12);
  ASSERT_EQ(positions.size(), 3u);
  EXPECT_TRUE(positions[1] == _2dPoint(100, 0));
  EXPECT_TRUE(positions[2] == _2dPoint(100, 12));
}

// Crossing segments are cut and overlapping ones merged before the cage is
// looked for: two overlapping pieces of one layer and two crossing layers
// still close the rectangle of the T junction.
TEST(SupportBars, OverlappingAndCrossingSegmentsCloseOneCage) {
  auto seg = [](double x0, double y0, double x1, double y1) { return _2dLine(_2dPoint(x0, y0), _2dPoint(x1, y1)); };
  std::vector<_2dLine> lines = {seg(-1000, 160, 200, 160), seg(-200, 160, 1000, 160),  // one layer in two pieces
                                seg(-1000, -160, 1000, -160), seg(120, 2000, 120, -160), seg(-120, 2000, -120, -160),
                                seg(120, -160, 400, -160)};  // a leg on the lower layer
  MergeCollinearLines(lines);
  EXPECT_EQ(lines.size(), 4u);
  SplitLinesAtCrossings(lines);
  PruneOpenLineEnds(lines);
  std::vector<_2dPoint> loop, corners;
  ASSERT_TRUE(GetSingleLoopPoints(lines, loop));
  GetLoopCornerPoints(loop, corners);
  std::sort(corners.begin(), corners.end());
  const std::vector<_2dPoint> expected = {{-120, -160}, {-120, 160}, {120, -160}, {120, 160}};
  ASSERT_EQ(corners.size(), expected.size());
  for (std::size_t i = 0; i < corners.size(); ++i) EXPECT_TRUE(corners[i] == expected[i]);
}

// Over a designed example: every junction has its support zone, of straight
// bars of the settings' support diameter lying along the junction, and a
// second design gives the same support zones.
class SupportBarsDesigned : public HostCommandTest {};

TEST_F(SupportBarsDesigned, EveryJunctionHasItsZoneAlongItAndRepeats) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  designer.DesignRein(nullptr);
  const Tank& tank = designer.GetTank();
  const int diameter = designer.GetSettings().GetOpeningReinSettings().GetSupportBarDiameter();
  std::vector<_3dLine> junctions;
  for (const BoardPtr& a : tank.GetBoards())
    for (const BoardPtr& b : tank.GetBoards()) {
      _3dLine l;
      if (a != b && tank.GetIntersectionLine(a, b, l)) junctions.push_back(l);
    }
  auto describe = [](const Tank& t) {
    std::vector<std::vector<double>> out;
    for (const ReinZonePtr& zone : t.GetSupportReins())
      for (const ReinPtr& bar : zone->GetReins()) {
        std::vector<double> v;
        for (const _3dPoint& p : bar->GetPolyline().GetVertices()) v.insert(v.end(), {p.x, p.y, p.z});
        out.push_back(v);
      }
    return out;
  };
  // Every junction of this tank (two boards, or a wall over two cells'
  // slabs) closes a cage of the bar layers: one zone each, four bars in its
  // corners.
  std::vector<JunctionGroup> groups;
  std::vector<std::string> skipped;
  CollectJunctionGroups(tank, groups, skipped);
  EXPECT_TRUE(skipped.empty());
  EXPECT_FALSE(groups.empty());
  EXPECT_EQ(tank.GetSupportReins().size(), groups.size());
  for (const ReinZonePtr& zone : tank.GetSupportReins()) {
    EXPECT_EQ(zone->GetReins().size(), 4u);
    ExpectSupportZone(zone, diameter);
    EXPECT_GT(zone->GetNumber(), 0);
    for (const ReinPtr& bar : zone->GetReins()) {
      ASSERT_EQ(bar->GetPolyline().VerNums(), 2);
      const _3dPoint& s = bar->GetPolyline().GetVertexAt(0);
      const _3dPoint& e = bar->GetPolyline().GetVertexAt(1);
      // Parallel to a junction and no farther from it than a board is thick.
      const bool along = std::any_of(junctions.begin(), junctions.end(), [&](const _3dLine& j) {
        const _3dVector d = j.GetDirection().GetUnitVector();
        const _3dVector b = (e - s).GetUnitVector();
        return std::fabs(std::fabs(d.DotProduct(b)) - 1.0) < 1e-9 &&
               g_VekGeometryComm.Distance3d(s, g_VekGeometryComm.GetPerpendicularFoot3d(s, j)) < 400.0;
      });
      EXPECT_TRUE(along);
    }
  }
  const auto first = describe(tank);
  designer.DesignRein(nullptr);
  EXPECT_EQ(describe(designer.GetTank()), first);
}

}  // namespace
