// The rebar trend map of a tank and its queries, on small tanks built with the
// model layer: slabs edge to edge, a bottom slab split under a wall, wall
// corners, three walls on one line, a wall on a slab that runs on, and the
// regular 3 × 2-cell tank.
#include "rebar/ReinTrendAdapter.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A horizontal slab over the plan rectangle at level z: frame along +x and
// +y, edges counter-clockwise from (x0, y0): bottom, right, top, left.
BoardPtr MakeSlab(double x0, double y0, double x1, double y1, double z, int kind = 1, double thickness = 400) {
  auto slab = boost::make_shared<Board>();
  slab->SetKind(kind);
  slab->SetUpperOffset(thickness / 2);
  slab->SetLowerOffset(thickness / 2);
  slab->SetOrigin(_3dPoint(x0, y0, z));
  slab->SetXAxis(_3dVector(1, 0, 0));
  slab->SetYAxis(_3dVector(0, 1, 0));
  const _2dPoint c[4] = {{0, 0}, {x1 - x0, 0}, {x1 - x0, y1 - y0}, {0, y1 - y0}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(c[i], c[(i + 1) % 4]));
  slab->SetEdges(edges);
  return slab;
}

using fixtures::MakeWall;

// The entry of one key as text: "B<board>.<edge>" per ref, "*" after a
// partner, in list order; boards named by their position in `names`.
std::string Describe(const ReinTrendAdapter::RefList& refs, const std::vector<BoardPtr>& names) {
  std::string out;
  for (const BoardEdgeRef& r : refs) {
    int index = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == r.board) index = static_cast<int>(i);
    if (!out.empty()) out += " ";
    out += "B" + std::to_string(index) + "." + std::to_string(r.edgeIndex) + (r.isPartner ? "*" : "");
  }
  return out;
}

std::string TrendOf(const ReinTrendAdapter& adapter, const BoardPtr& board, int edge,
                    const std::vector<BoardPtr>& names) {
  ReinTrendAdapter::RefList refs;
  adapter.GetTrendRefs(BoardEdgeRef(board, edge), refs);
  return Describe(refs, names);
}

void SetFaceBars(Board& board, bool upper, bool x, int d, int s, const std::string& grade) {
  FaceValues& v = board.GetFaceValues(upper, x);
  v.diameter = d;
  v.spacing = s;
  v.grade = grade;
}

void SetEdgeBars(Board& board, int edge, bool upper, int d, int s, const std::string& grade) {
  FaceValues& v = board.GetEdges()[static_cast<std::size_t>(edge)].GetFaceValues(upper);
  v.diameter = d;
  v.spacing = s;
  v.grade = grade;
}

}  // namespace

// ---------------------------------------------------------------------------
// The map

TEST(TrendMap, CoplanarSlabsAreEachOthersSinglePartner) {
  Tank tank;
  const BoardPtr a = MakeSlab(0, 0, 3000, 3000, 0), b = MakeSlab(3000, 0, 6000, 3000, 0);
  tank.AddBoards({a, b});
  const ReinTrendAdapter adapter(tank);
  const std::vector<BoardPtr> names{a, b};

  EXPECT_EQ(TrendOf(adapter, a, 1, names), "B1.3*");
  EXPECT_EQ(TrendOf(adapter, b, 3, names), "B0.1*");
  ReinTrendAdapter::RefList neighbours;
  adapter.GetLineNeighbours(BoardEdgeRef(a, 1), neighbours);
  EXPECT_EQ(Describe(neighbours, names), "B1.3");
  EXPECT_TRUE(adapter.GetAbutmentMap().empty());
  EXPECT_EQ(adapter.GetTrendMap().size(), 2u);
  ASSERT_EQ(adapter.GetJoints().size(), 1u);
  EXPECT_EQ(adapter.GetJoints()[0].boardA, a);

  BoardEdgeRef partner;
  EXPECT_TRUE(adapter.GetSinglePartner(BoardEdgeRef(a, 1), partner));
  EXPECT_EQ(partner.board, b);
  EXPECT_EQ(partner.edgeIndex, 3);
  EXPECT_NEAR(adapter.GetEdgeAngle(a, a->GetEdges()[1], b), kPi, 1e-9);

  // Slabs continuing in one plane: the bars of a face carry on into the same
  // face of the other slab.
  for (bool face : {true, false}) {
    BoardEdgeRef out;
    bool outFace = !face;
    ASSERT_TRUE(adapter.GetTurnTarget(BoardEdgeRef(a, 1), face, out, outFace));
    EXPECT_EQ(out.board, b);
    EXPECT_EQ(outFace, face);
    ASSERT_TRUE(adapter.GetReinTrend(BoardEdgeRef(a, 1), face, out, outFace));
    EXPECT_EQ(outFace, face);
  }
  // Edges of no joint line have no entries.
  EXPECT_EQ(adapter.CountTrendRefs(BoardEdgeRef(a, 0)), 0);
  EXPECT_FALSE(adapter.HasTrendRefs(BoardEdgeRef(a, 3)));
}

TEST(TrendMap, BottomSlabSplitUnderWallAttachesTheWallToTheStraightPair) {
  Tank tank;
  const BoardPtr wall = MakeWall(3000, 0, 3000, 3000, 0, 3000);
  const BoardPtr a = MakeSlab(0, 0, 3000, 3000, 0), b = MakeSlab(3000, 0, 6000, 3000, 0);
  tank.AddBoards({wall, a, b});
  const ReinTrendAdapter adapter(tank);
  const std::vector<BoardPtr> names{wall, a, b};

  EXPECT_EQ(TrendOf(adapter, a, 1, names), "B0.0 B2.3*");
  EXPECT_EQ(TrendOf(adapter, b, 3, names), "B0.0 B1.1*");
  EXPECT_EQ(TrendOf(adapter, wall, 0, names), "B1.1* B2.3*");

  BoardEdgeRef last;
  EXPECT_FALSE(adapter.GetSinglePartner(BoardEdgeRef(wall, 0), last)) << "two partners";
  EXPECT_EQ(last.board, b) << "the last partner stays in the out ref";
  EXPECT_TRUE(adapter.GetSinglePartner(BoardEdgeRef(a, 1), last));
  EXPECT_EQ(last.board, b);

  // The wall's bars continue into the slab on the side of each face: the
  // wall's normal points to +x, where slab b lies.
  BoardEdgeRef out;
  bool outFace = false;
  ASSERT_TRUE(adapter.GetContinuation(BoardEdgeRef(wall, 0), true, out, outFace));
  EXPECT_EQ(out.board, b);
  ASSERT_TRUE(adapter.GetContinuation(BoardEdgeRef(wall, 0), false, out, outFace));
  EXPECT_EQ(out.board, a);
  ASSERT_TRUE(adapter.GetReinTrend(BoardEdgeRef(wall, 0), true, out, outFace));
  EXPECT_EQ(out.board, b);

  // A slab face turns at the corner into the wall: the upper face directly,
  // the lower face only on the second pass (reversed normal).
  ASSERT_TRUE(adapter.GetCornerNeighbour(BoardEdgeRef(a, 1), true, out, outFace));
  EXPECT_EQ(out.board, wall);
  EXPECT_EQ(out.edgeIndex, 0);
  ASSERT_TRUE(adapter.GetCornerNeighbour(BoardEdgeRef(a, 1), false, out, outFace));
  EXPECT_EQ(out.board, wall);

  // Behind the upper face of the slab edge stands nothing at a right angle on
  // the far side; behind the lower face the wall does (its edge direction
  // points up, against the lower face's normal).
  EXPECT_FALSE(adapter.GetPartnerBehindFace(BoardEdgeRef(a, 1), true, out, outFace));
  ASSERT_TRUE(adapter.GetPartnerBehindFace(BoardEdgeRef(a, 1), false, out, outFace));
  EXPECT_EQ(out.board, wall);
}

TEST(TrendMap, WallCorners) {
  // L corner at (0, 0): the two wall ends are each other's partner.
  {
    Tank tank;
    const BoardPtr w1 = MakeWall(0, 0, 3000, 0, 0, 3000), w2 = MakeWall(0, 0, 0, 3000, 0, 3000);
    tank.AddBoards({w1, w2});
    const ReinTrendAdapter adapter(tank);
    const std::vector<BoardPtr> names{w1, w2};
    EXPECT_EQ(TrendOf(adapter, w1, 3, names), "B1.3*");
    EXPECT_EQ(TrendOf(adapter, w2, 3, names), "B0.3*");
    EXPECT_NEAR(adapter.GetEdgeAngle(w1, w1->GetEdges()[3], w2), kPi / 2, 1e-9);
  }
  // T corner at (3000, 0): two walls in line are the straight pair, the
  // branch wall is attached to both.
  {
    Tank tank;
    const BoardPtr w1 = MakeWall(0, 0, 3000, 0, 0, 3000), w2 = MakeWall(3000, 0, 6000, 0, 0, 3000),
                   w3 = MakeWall(3000, 0, 3000, 3000, 0, 3000);
    tank.AddBoards({w1, w2, w3});
    const ReinTrendAdapter adapter(tank);
    const std::vector<BoardPtr> names{w1, w2, w3};
    EXPECT_EQ(TrendOf(adapter, w1, 1, names), "B2.3 B1.3*");
    EXPECT_EQ(TrendOf(adapter, w2, 3, names), "B2.3 B0.1*");
    EXPECT_EQ(TrendOf(adapter, w3, 3, names), "B0.1* B1.3*");
    EXPECT_EQ(adapter.CountTrendRefs(BoardEdgeRef(w3, 3)), 2);
  }
  // T corner against a wall that runs on: the branch wall's end abuts it.
  {
    Tank tank;
    const BoardPtr w1 = MakeWall(0, 0, 6000, 0, 0, 3000), w3 = MakeWall(3000, 0, 3000, 3000, 0, 3000);
    tank.AddBoards({w1, w3});
    const ReinTrendAdapter adapter(tank);
    EXPECT_TRUE(adapter.GetTrendMap().empty());
    BoardEdgeRef out;
    bool side = true;
    ASSERT_TRUE(adapter.GetAbutment(BoardEdgeRef(w3, 3), out, side));
    EXPECT_EQ(out.board, w1);
    EXPECT_EQ(out.edgeIndex, -1);
    // w1's normal is -y; w3's end edge points into w3 (+y): more than π/2.
    EXPECT_TRUE(side);
  }
}

TEST(TrendMap, ThreeBoardsOnOneLineWithNoPairAboveARightAngle) {
  // Three walls fanning out from one vertical line at 0°, 45° and 90°: the
  // 90° pair is forced and the middle wall takes both as partners.
  Tank tank;
  const BoardPtr a = MakeWall(0, 0, 3000, 0, 0, 3000), b = MakeWall(0, 0, 3000, 3000, 0, 3000),
                 c = MakeWall(0, 0, 0, 3000, 0, 3000);
  tank.AddBoards({a, b, c});
  const ReinTrendAdapter adapter(tank);
  const std::vector<BoardPtr> names{a, b, c};
  EXPECT_EQ(TrendOf(adapter, a, 3, names), "B1.3 B2.3*");
  EXPECT_EQ(TrendOf(adapter, c, 3, names), "B1.3 B0.3*");
  EXPECT_EQ(TrendOf(adapter, b, 3, names), "B0.3* B2.3*");
}

TEST(TrendMap, WallOnASlabThatRunsOnAbutsIt) {
  Tank tank;
  const BoardPtr wall = MakeWall(3000, 0, 3000, 3000, 0, 3000);
  const BoardPtr slab = MakeSlab(0, 0, 6000, 3000, 0);
  tank.AddBoards({wall, slab});
  const ReinTrendAdapter adapter(tank);

  EXPECT_TRUE(adapter.GetTrendMap().empty()) << "no other edge on the line: no pairing";
  BoardEdgeRef out;
  bool side = true;
  ASSERT_TRUE(adapter.GetAbutment(BoardEdgeRef(wall, 0), out, side));
  EXPECT_EQ(out.board, slab);
  EXPECT_EQ(out.edgeIndex, -1);
  EXPECT_FALSE(side) << "the wall stands on the slab's upper side";
  EXPECT_FALSE(adapter.GetAbutment(BoardEdgeRef(wall, 2), out, side));

  // Queries that need an entry answer none and leave their outputs alone.
  BoardEdgeRef untouched(slab, 7);
  bool face = true;
  EXPECT_FALSE(adapter.GetContinuation(BoardEdgeRef(wall, 0), false, untouched, face));
  EXPECT_FALSE(adapter.GetCornerNeighbour(BoardEdgeRef(wall, 0), false, untouched, face));
  EXPECT_FALSE(adapter.GetReinTrend(BoardEdgeRef(wall, 0), false, untouched, face));
  EXPECT_FALSE(adapter.GetTurnTarget(BoardEdgeRef(wall, 0), false, untouched, face));
  EXPECT_EQ(untouched.edgeIndex, 7);
  EXPECT_TRUE(face);
}

// ---------------------------------------------------------------------------
// Bar-set comparisons

TEST(TrendQueries, StrongerReinComparesEquivalentAreas) {
  struct Case {
    const char* what;
    double reinAngle;  // of the slab's X bars
    int edgeD, edgeS;
    const char* edgeGrade;
    int xD, xS;
    const char* xGrade;
    int yD, yS;
    const char* yGrade;
    bool stronger;
  };
  const Case cases[] = {
      {"edge bars heavier than the crossing X bars", 0, 12, 150, "HRB335", 10, 200, "HRB335", 25, 100, "HRB335", true},
      {"equal area is not stronger", 0, 10, 200, "HRB335", 10, 200, "HRB335", 25, 100, "HRB335", false},
      {"HRB335 outweighs HPB235 of the same size", 0, 10, 200, "HRB335", 10, 200, "HPB235", 6, 200, "HRB335", true},
      {"HPB235 edge bars against HRB335 face bars", 0, 10, 200, "HPB235", 10, 200, "HRB335", 6, 200, "HRB335", false},
      // The right edge runs along y; with the X bars at 45° it counts as
      // along X, so the crossing bars are the Y bars.
      {"edge at 45° to the X bars: Y bars cross", kPi / 4, 12, 150, "HRB335", 6, 200, "HRB335", 16, 100, "HRB335",
       false},
      {"no edge bars selected", 0, 0, 0, "", 10, 200, "HRB335", 10, 200, "HRB335", false},
  };
  for (const Case& c : cases) {
    Tank tank;
    const BoardPtr a = MakeSlab(0, 0, 3000, 3000, 0), b = MakeSlab(3000, 0, 6000, 3000, 0);
    tank.AddBoards({a, b});
    a->SetReinAngle(c.reinAngle);
    SetEdgeBars(*a, 1, true, c.edgeD, c.edgeS, c.edgeGrade);
    SetFaceBars(*a, true, true, c.xD, c.xS, c.xGrade);
    SetFaceBars(*a, true, false, c.yD, c.yS, c.yGrade);
    const ReinTrendAdapter adapter(tank);
    EXPECT_EQ(adapter.IsStrongerRein(BoardEdgeRef(a, 1), true), c.stronger) << c.what;
  }
  EXPECT_NEAR(EquivalentArea(BarSet{10, 200, "HRB335"}), 100 * kPi * 250 / 200 * 300 / 210, 1e-9);
  EXPECT_EQ(EquivalentArea(BarSet{10, 0, "HRB335"}), 0.0) << "no spacing, no area";
}

TEST(TrendQueries, EdgeBarsOfAJointBelongToTheStrongerSide) {
  // Two slabs edge to edge: the edge of a takes its own bars when they are
  // stronger than a's crossing bars, or when b's edge bars are stronger than
  // b's crossing bars.
  struct Case {
    int aEdge, aFace, bEdge, bFace;
    bool needs;
  };
  const Case cases[] = {
      {12, 10, 0, 10, true},   // a's own edge bars govern
      {10, 10, 12, 10, true},  // b's edge bars govern, so the edge needs bars
      {10, 10, 10, 10, false}, // neither edge is stronger
  };
  for (const Case& c : cases) {
    Tank tank;
    const BoardPtr a = MakeSlab(0, 0, 3000, 3000, 0), b = MakeSlab(3000, 0, 6000, 3000, 0);
    tank.AddBoards({a, b});
    SetEdgeBars(*a, 1, true, c.aEdge, 150, "HRB335");
    SetFaceBars(*a, true, true, c.aFace, 150, "HRB335");
    SetEdgeBars(*b, 3, true, c.bEdge, 150, "HRB335");
    SetFaceBars(*b, true, true, c.bFace, 150, "HRB335");
    const ReinTrendAdapter adapter(tank);
    EXPECT_EQ(adapter.NeedsEdgeRein(BoardEdgeRef(a, 1), true), c.needs) << c.aEdge << " " << c.bEdge;
  }
}

TEST(TrendQueries, ApplyStrongestRein) {
  // L corner of two walls: the four bar sets of the upper face compete.
  Tank tank;
  const BoardPtr w1 = MakeWall(0, 0, 3000, 0, 0, 3000), w2 = MakeWall(0, 0, 0, 3000, 0, 3000);
  tank.AddBoards({w1, w2});
  SetEdgeBars(*w1, 3, true, 12, 150, "HRB335");
  SetFaceBars(*w1, true, true, 12, 150, "HRB335");  // crossing bars of the end edge (X along the wall)
  SetEdgeBars(*w2, 3, true, 12, 150, "HRB335");
  SetEdgeBars(*w2, 3, false, 12, 150, "HRB335");
  SetFaceBars(*w2, true, true, 12, 150, "HRB335");
  SetFaceBars(*w2, false, true, 12, 150, "HRB335");
  const ReinTrendAdapter adapter(tank);

  // All four tie: the edge bar set of the given edge.
  ReinZone zone;
  ASSERT_TRUE(adapter.ApplyStrongestRein(w1, 3, true, zone));
  EXPECT_EQ(zone.GetDiameter(), 12);
  EXPECT_EQ(zone.GetSpacing(), 150);
  EXPECT_EQ(zone.GetGrade(), "HRB335");

  // The partner's crossing bars are the heaviest.
  SetFaceBars(*w2, true, true, 16, 100, "HRB400");
  SetFaceBars(*w2, false, true, 16, 100, "HRB400");
  const ReinTrendAdapter heavier(tank);
  ReinZone zone2;
  ASSERT_TRUE(heavier.ApplyStrongestRein(w1, 3, true, zone2));
  EXPECT_EQ(zone2.GetDiameter(), 16);
  EXPECT_EQ(zone2.GetSpacing(), 100);
  EXPECT_EQ(zone2.GetGrade(), "HRB400");

  // The lower face of w1 faces w2 (w2's edge direction equals the face
  // normal): no counterpart, the zone is left alone.
  ReinZone untouched;
  untouched.SetDiameter(8);
  EXPECT_FALSE(heavier.ApplyStrongestRein(w1, 3, false, untouched));
  EXPECT_EQ(untouched.GetDiameter(), 8);
}

TEST(TrendQueries, ApplyStrongestReinAtSlabJointsAndAbutments) {
  // A slab edge against a wall.
  {
    Tank tank;
    const BoardPtr wall = MakeWall(3000, 0, 3000, 3000, 0, 3000);
    const BoardPtr a = MakeSlab(0, 0, 3000, 3000, 0), b = MakeSlab(3000, 0, 6000, 3000, 0);
    tank.AddBoards({wall, a, b});
    SetEdgeBars(*a, 1, false, 20, 100, "HRB335");
    ReinZone zone;
    zone.SetDiameter(10);
    // Behind the lower face of a stands the wall: a slab edge against a wall
    // takes the wall edge's bars unless the wall's crossing bars are heavier.
    SetEdgeBars(*wall, 0, true, 14, 150, "HRB335");
    SetEdgeBars(*wall, 0, false, 14, 150, "HRB335");
    const ReinTrendAdapter withWall(tank);
    ASSERT_TRUE(withWall.ApplyStrongestRein(a, 1, false, zone));
    EXPECT_EQ(zone.GetDiameter(), 14);
  }
  // A wall edge abutting a slab that runs on: the wall takes the heavier of
  // its own edge bars and its crossing bars.
  {
    Tank tank;
    const BoardPtr wall = MakeWall(3000, 0, 3000, 3000, 0, 3000);
    const BoardPtr slab = MakeSlab(0, 0, 6000, 3000, 0);
    tank.AddBoards({wall, slab});
    SetEdgeBars(*wall, 0, true, 12, 200, "HRB335");
    SetFaceBars(*wall, true, false, 14, 200, "HRB335");  // the base edge runs along X: Y bars cross it
    const ReinTrendAdapter adapter(tank);
    ReinZone zone;
    ASSERT_TRUE(adapter.ApplyStrongestRein(wall, 0, true, zone));
    EXPECT_EQ(zone.GetDiameter(), 14);
  }
}

// ---------------------------------------------------------------------------
// The regular 3 × 2-cell tank

TEST(TrendMap, ThreeByTwoCellTank) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(3, 2, true, 18000, 12000)));
  const ReinTrendAdapter adapter(tank);
  const std::vector<BoardPtr> walls = tank.GetWalls();
  const std::vector<BoardPtr> bottoms = tank.GetBottomSlabs();
  const std::vector<BoardPtr> tops = tank.GetTopSlabs();
  ASSERT_EQ(walls.size(), 17u);
  ASSERT_EQ(bottoms.size(), 6u);
  ASSERT_EQ(tops.size(), 6u);

  int pairs = 0, attached = 0, pairsWithAttached = 0;
  for (const auto& [key, refs] : adapter.GetTrendMap()) {
    int partners = 0;
    for (const BoardEdgeRef& r : refs) partners += r.isPartner;
    EXPECT_GE(partners, 1);
    EXPECT_LE(partners, 2);
    // Partners come last.
    for (std::size_t i = 0; i + 1 < refs.size(); ++i) EXPECT_FALSE(refs[i].isPartner && !refs[i + 1].isPartner);
    if (partners == 1 && refs.size() == 1) ++pairs;
    if (partners == 2) ++attached;
    if (partners == 1 && refs.size() > 1) ++pairsWithAttached;
  }
  EXPECT_TRUE(adapter.GetAbutmentMap().empty()) << "every board meets the others at edges";
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  EXPECT_EQ(adapter.GetJoints().size(), joints.size());

  // The middle bottom slab of the first row: its right edge lies under the
  // inner wall at x = 12000: straight pair with the next slab, wall attached.
  const BoardPtr& slab = bottoms[1];
  const int right = slab->FindEdge(_3dLine(_3dPoint(12000, 0, -3200), _3dPoint(12000, 6000, -3200)));
  ASSERT_GE(right, 0);
  ReinTrendAdapter::RefList refs;
  adapter.GetTrendRefs(BoardEdgeRef(slab, right), refs);
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_EQ(refs[0].board->GetKind(), 0);
  EXPECT_FALSE(refs[0].isPartner);
  EXPECT_EQ(refs[1].board, bottoms[2]);
  EXPECT_TRUE(refs[1].isPartner);

  // The inner wall on that line: both slabs as partners; its bars continue
  // into the slab on the side of each face.
  BoardEdgeRef wallRef = refs[0];
  wallRef.isPartner = false;
  EXPECT_EQ(adapter.CountTrendRefs(wallRef), 2);
  BoardEdgeRef up, down;
  bool f = false;
  ASSERT_TRUE(adapter.GetContinuation(wallRef, true, up, f));
  ASSERT_TRUE(adapter.GetContinuation(wallRef, false, down, f));
  EXPECT_NE(up.board, down.board);
  EXPECT_TRUE(up.board == bottoms[1] || up.board == bottoms[2]);
  EXPECT_TRUE(down.board == bottoms[1] || down.board == bottoms[2]);

  // The outer corner at (0, 0): the two walls are partners, at a right angle.
  const BoardPtr& south = walls[0];  // (0, 0) to (6000, 0)
  BoardEdgeRef corner;
  ASSERT_TRUE(adapter.GetSinglePartner(BoardEdgeRef(south, 3), corner));
  EXPECT_EQ(corner.board->GetKind(), 0);
  EXPECT_NEAR(adapter.GetEdgeAngle(south, south->GetEdges()[3], corner.board), kPi / 2, 1e-9);
  // The outer wall's base edge and the bottom slab's edge: partners.
  ASSERT_TRUE(adapter.GetSinglePartner(BoardEdgeRef(south, 0), corner));
  EXPECT_EQ(corner.board, bottoms[0]);
  // A slab edge meeting a wall at a right angle: the turn target is the wall,
  // with a face that does not depend on the face asked for.
  const int slabSouth = bottoms[0]->FindEdge(_3dLine(_3dPoint(0, 0, -3200), _3dPoint(6000, 0, -3200)));
  ASSERT_GE(slabSouth, 0);
  BoardEdgeRef t1, t2;
  bool f1 = false, f2 = true;
  ASSERT_TRUE(adapter.GetTurnTarget(BoardEdgeRef(bottoms[0], slabSouth), true, t1, f1));
  ASSERT_TRUE(adapter.GetTurnTarget(BoardEdgeRef(bottoms[0], slabSouth), false, t2, f2));
  EXPECT_EQ(t1.board, south);
  EXPECT_EQ(t2.board, south);
  EXPECT_EQ(f1, f2);

  // Counts: every board edge of the tank lies on a joint line.
  int edges = 0;
  for (const BoardPtr& b : tank.GetBoards()) edges += static_cast<int>(b->GetEdges().size());
  int withEntries = 0;
  for (const BoardPtr& b : tank.GetBoards())
    for (int e = 0; e < static_cast<int>(b->GetEdges().size()); ++e)
      withEntries += adapter.HasTrendRefs(BoardEdgeRef(b, e));
  EXPECT_EQ(withEntries, edges);
  EXPECT_GT(pairs, 0);
  EXPECT_GT(attached, 0);
  EXPECT_GT(pairsWithAttached, 0);
}
