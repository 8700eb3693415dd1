// Joint corner points of board faces, crossing points of bar lines on the bar
// planes, and board outlines with one edge pushed out.  Covers as the default
// settings give them: bottom slab 35 top and 50 bottom, walls 35.
#include "platform/Zarvel.h"
#include "rebar/BarPlanes.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/ZoneGeometry.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <vector>

namespace {

BoardPtr MakeSlab(double x0, double y0, double x1, double y1, double z, double upper = 200, double lower = 200) {
  auto slab = boost::make_shared<Board>();
  slab->SetKind(1);
  slab->SetUpperOffset(upper);
  slab->SetLowerOffset(lower);
  slab->SetOrigin(_3dPoint(x0, y0, z));
  slab->SetXAxis(_3dVector(1, 0, 0));
  slab->SetYAxis(_3dVector(0, 1, 0));
  const _2dPoint c[4] = {{0, 0}, {x1 - x0, 0}, {x1 - x0, y1 - y0}, {0, y1 - y0}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(c[i], c[(i + 1) % 4]));
  slab->SetEdges(edges);
  return slab;
}

void ExpectPoint(const _3dPoint& p, double x, double y, double z, const char* what) {
  EXPECT_NEAR(p.x, x, 1e-6) << what;
  EXPECT_NEAR(p.y, y, 1e-6) << what;
  EXPECT_NEAR(p.z, z, 1e-6) << what;
}

class ZoneGeometry : public ::testing::Test {
 protected:
  void SetUp() override { options.SetSettings(&settings); }
  ProjectSettings settings;
  ReinDesignOptions options;
};

}  // namespace

TEST_F(ZoneGeometry, CornerPointOfSlabsInOnePlaneIsTheEdgeMidpointOnTheBarPlane) {
  Tank tank;
  const BoardPtr a = MakeSlab(0, 0, 3000, 3000, 0), b = MakeSlab(3000, 0, 6000, 3000, 0, 300, 300);
  tank.AddBoards({a, b});
  const ReinTrendAdapter adapter(tank);
  _3dPoint p;
  ASSERT_TRUE(GetJointCornerPoint(options, a, 1, adapter, true, p));
  ExpectPoint(p, 3000, 1500, 165, "upper: 200 − 35, whatever the neighbour's thickness");
  ASSERT_TRUE(GetJointCornerPoint(options, a, 1, adapter, false, p));
  ExpectPoint(p, 3000, 1500, -150, "lower: 200 − 50");
}

TEST_F(ZoneGeometry, CornerPointOfASlabMeetingAWall) {
  Tank tank;
  const BoardPtr slab = MakeSlab(0, 0, 3000, 3000, 0);
  const BoardPtr wall = fixtures::MakeWall(3000, 0, 3000, 3000, 0, 3000);  // 300 thick, normal +x
  tank.AddBoards({wall, slab});
  const ReinTrendAdapter adapter(tank);
  _3dPoint p;
  // The upper face turns into the wall face on the slab's side (x = 2850),
  // with no cover taken off on the wall side.
  ASSERT_TRUE(GetJointCornerPoint(options, slab, 1, adapter, true, p));
  ExpectPoint(p, 2850, 1500, 165, "upper face");
  // The lower face: on the slab's lower bar line, in a face plane of the wall.
  ASSERT_TRUE(GetJointCornerPoint(options, slab, 1, adapter, false, p));
  EXPECT_NEAR(p.z, -150, 1e-6);
  EXPECT_NEAR(p.y, 1500, 1e-6);
  EXPECT_TRUE(std::abs(p.x - 2850) < 1e-6 || std::abs(p.x - 3150) < 1e-6) << p.x;

  // An edge on no joint line: no corner point, the point untouched.
  _3dPoint untouched(1, 2, 3);
  EXPECT_FALSE(GetJointCornerPoint(options, slab, 0, adapter, true, untouched));
  ExpectPoint(untouched, 1, 2, 3, "untouched");
  EXPECT_FALSE(GetJointCornerPoint(options, slab, 9, adapter, true, untouched));
}

TEST_F(ZoneGeometry, EdgeExtendedOutlinesOnBothBarPlanes) {
  struct Case {
    const char* what;
    double upper, lower, extension;
    double zUpper, zLower, xRight;
  };
  const Case cases[] = {
      {"extension 0: the outline itself", 200, 200, 0, 165, -150, 3000},
      {"the right edge pushed out by 500", 200, 200, 500, 165, -150, 3500},
      {"faces off the reference plane", 300, 100, 0, 265, -50, 3000},
  };
  for (const Case& c : cases) {
    const BoardPtr slab = MakeSlab(0, 0, 3000, 3000, 0, c.upper, c.lower);
    std::vector<_3dPoint> lower, upper;
    GetEdgeExtendedOutlines(options, slab, 1, c.extension, lower, upper);
    ASSERT_EQ(lower.size(), 4u) << c.what;
    ASSERT_EQ(upper.size(), 4u) << c.what;
    const double xs[4] = {0, c.xRight, c.xRight, 0}, ys[4] = {0, 0, 3000, 3000};
    for (int i = 0; i < 4; ++i) {
      ExpectPoint(upper[i], xs[i], ys[i], c.zUpper, c.what);
      ExpectPoint(lower[i], xs[i], ys[i], c.zLower, c.what);
    }
  }
}

TEST_F(ZoneGeometry, CrossingPointsAlongABarLine) {
  const BoardPtr slab = MakeSlab(1000, 2000, 4000, 5000, 0);
  const std::vector<boost::shared_ptr<Entity>> curves{
      boost::make_shared<_3dCircle>(_3dPoint(1500, 1500, 0), 300.0),
      // A line through the bar line's end point: that point appears once.
      boost::make_shared<_2dLine>(_2dPoint(3000, 0), _2dPoint(3000, 3000)),
      boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(100, 100)),  // misses the bar line
  };
  const bool upper = true, lower = false, xBars = true, yBars = false;
  // X bars along local x, from the right end to the left: sorted along x.
  std::vector<_3dPoint> pts =
      GetBarCrossingPoints(options, slab, _3dPoint(3000, 1500, 0), _3dPoint(0, 1500, 0), &upper, &xBars, curves);
  ASSERT_EQ(pts.size(), 4u);
  const double xs[4] = {0, 1200, 1800, 3000};
  for (int i = 0; i < 4; ++i) ExpectPoint(pts[i], 1000 + xs[i], 3500, 165, "upper X bars");

  // Y bars across the opening, on the lower bar plane.
  pts = GetBarCrossingPoints(options, slab, _3dPoint(1500, 3000, 0), _3dPoint(1500, 0, 0), &lower, &yBars, curves);
  ASSERT_EQ(pts.size(), 4u);
  const double ys[4] = {0, 1200, 1800, 3000};
  for (int i = 0; i < 4; ++i) ExpectPoint(pts[i], 2500, 2000 + ys[i], -150, "lower Y bars");
}

// ---------------------------------------------------------------------------
// Edge bar selection

namespace {

// Two bottom slabs edge to edge; every bar group starts with 8 mm bars at a
// spacing of 199 (no spacing of the candidate table, so a new selection shows)
// and a required area of 300 mm²/m.  The upper support bars of a's joint edge
// are heavier than the bars crossing it.
struct EdgeSelectionTank {
  Tank tank;
  BoardPtr a = MakeSlab(0, 0, 3000, 3000, 0);
  BoardPtr b = MakeSlab(3000, 0, 6000, 3000, 0);

  EdgeSelectionTank() {
    for (const BoardPtr& s : {a, b}) {
      s->SetConcreteGrade("C30");
      for (bool upper : {true, false}) {
        for (bool x : {true, false}) Mark(s->GetFaceValues(upper, x));
        for (BoardEdge& e : s->GetEdges()) Mark(e.GetFaceValues(upper));
      }
    }
    FaceValues& joint = a->GetEdges()[1].GetFaceValues(true);
    joint.diameter = 12;
    joint.spacing = 150;
    joint.calcArea = 600;
    // An edge on no joint line, as heavy: never selected here.
    FaceValues& free = a->GetEdges()[0].GetFaceValues(true);
    free.diameter = 12;
    free.spacing = 151;
    tank.AddBoards({a, b});
  }

  static void Mark(FaceValues& v) {
    v.diameter = 8;
    v.spacing = 199;
    v.grade = "HRB335";
    v.calcArea = 300;
  }
};

bool Reselected(const Board& board, bool upper) {
  return board.GetFaceValues(upper, true).spacing != 199 && board.GetFaceValues(upper, false).spacing != 199;
}
bool Untouched(const Board& board, bool upper) {
  return board.GetFaceValues(upper, true).spacing == 199 && board.GetFaceValues(upper, false).spacing == 199;
}

}  // namespace

TEST_F(ZoneGeometry, EdgeBarsAreSelectedWhereTheyBelongAndTheFacesAgain) {
  {
    EdgeSelectionTank t;
    const ReinTrendAdapter adapter(t.tank);
    ReinDesigner().SelectEdgeReins(t.tank, options, adapter);
    // a's own edge bars govern the upper face of the joint: the edge and a's
    // upper face bars are selected again.  No lower edge governs.  Board b
    // comes next: by then a's face bars carry the support area, so a's edge no
    // longer outweighs them, and b's own edge bars do not outweigh b's: no
    // edge of b takes bars and b's faces are not selected again.
    EXPECT_TRUE(Reselected(*t.a, true));
    EXPECT_TRUE(Untouched(*t.a, false));
    EXPECT_NE(t.a->GetEdges()[1].GetUpperSpacing(), 150);
    EXPECT_TRUE(Untouched(*t.b, true));
    EXPECT_TRUE(Untouched(*t.b, false));
    EXPECT_EQ(t.b->GetEdges()[3].GetUpperSpacing(), 199);
    EXPECT_EQ(t.a->GetEdges()[0].GetUpperSpacing(), 151) << "an edge on no joint line is left alone";
  }
  {
    // An excluded board gets nothing selected again.
    EdgeSelectionTank t;
    t.tank.SetBoardExcluded(t.b, true);
    const ReinTrendAdapter adapter(t.tank);
    ReinDesigner().SelectEdgeReins(t.tank, options, adapter);
    EXPECT_TRUE(Reselected(*t.a, true));
    EXPECT_TRUE(Untouched(*t.b, true));
    EXPECT_EQ(t.b->GetEdges()[3].GetUpperSpacing(), 199);
  }
}
