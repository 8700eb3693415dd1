// Walls recognised in the face lines of a plan drawing: pairing, gaps,
// joining and cutting at crossings, closed wall ends, and the tank built
// from them.
#include "model/TankModeler.h"
#include "platform/Zarvel.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

WallLineRecord Seg(double x0, double y0, double x1, double y1) {
  WallLineRecord r;
  r.startX = x0;
  r.startY = y0;
  r.endX = x1;
  r.endY = y1;
  return r;
}

ProjectSettings Settings(int maxWall = 500, int minWall = 100, bool topSlab = true) {
  ProjectSettings s;
  s.GetModelSettings().SetMaxWallThickness(maxWall);
  s.GetModelSettings().SetMinWallThickness(minWall);
  s.GetModelSettings().SetHasTopSlab(topSlab);
  return s;
}

std::vector<WallLineRecord> Walls(std::vector<WallLineRecord> lines, const ProjectSettings& settings,
                                  const std::vector<WallLineRecord>& curves = {},
                                  std::vector<WallLineRecord>* unpaired = nullptr) {
  std::vector<WallLineRecord> out;
  TankModeler().GenerateWalls(settings, lines, curves, settings.GetModelSettings().HasTopSlab(), out, unpaired);
  EXPECT_TRUE(lines.empty());
  return out;
}

// The record's end points without regard to direction.
bool Runs(const WallLineRecord& r, double x0, double y0, double x1, double y1, double tol = 1e-6) {
  auto near = [tol](double a, double b) { return std::fabs(a - b) <= tol; };
  return (near(r.startX, x0) && near(r.startY, y0) && near(r.endX, x1) && near(r.endY, y1)) ||
         (near(r.startX, x1) && near(r.startY, y1) && near(r.endX, x0) && near(r.endY, y0));
}

// The face lines of a closed rectangle of walls t thick around the axes
// (0, 0)-(lx, ly), as an architect draws them: outer and inner faces.
std::vector<WallLineRecord> RectangleFaces(double lx, double ly, double t) {
  const double h = t / 2;
  return {Seg(-h, -h, lx + h, -h),         Seg(lx + h, -h, lx + h, ly + h), Seg(lx + h, ly + h, -h, ly + h),
          Seg(-h, ly + h, -h, -h),         Seg(h, h, lx - h, h),            Seg(lx - h, h, lx - h, ly - h),
          Seg(lx - h, ly - h, h, ly - h), Seg(h, ly - h, h, h)};
}

}  // namespace

TEST(FaceLines, PairsParallelFacesIntoOneWall) {
  // D = 500, T = 100: faces 300 apart give a 300 mm wall on the middle line,
  // from the start of the earlier face to the farthest end reached.
  const auto walls = Walls({Seg(0, 0, 5000, 0), Seg(1000, 300, 6000, 300)}, Settings());
  ASSERT_EQ(walls.size(), 1u);
  EXPECT_TRUE(Runs(walls[0], 0, 150, 6000, 150));
  EXPECT_DOUBLE_EQ(walls[0].thickness, 300);
  EXPECT_EQ(walls[0].startCode, 0);
  EXPECT_EQ(walls[0].endCode, 0);

  // 50 mm apart is thinner than T: no wall, and both lines are reported.
  std::vector<WallLineRecord> unpaired;
  EXPECT_TRUE(Walls({Seg(0, 0, 5000, 0), Seg(1000, 50, 6000, 50)}, Settings(), {}, &unpaired).empty());
  EXPECT_EQ(unpaired.size(), 2u);

  // A lone segment and a segment shorter than 0.1·D give nothing.
  EXPECT_TRUE(Walls({Seg(0, 0, 5000, 0)}, Settings()).empty());
  EXPECT_TRUE(Walls({Seg(0, 0, 40, 0), Seg(0, 300, 40, 300)}, Settings()).empty());
}

TEST(FaceLines, GapsAlongAFace) {
  // G = min(2·D, 1200) = 1000.  A gap shorter than G (an opening drawn in
  // the plan) keeps one wall; gaps of G or more in both faces break it.
  const auto one = Walls({Seg(0, 0, 2000, 0), Seg(2800, 0, 6000, 0), Seg(0, 300, 6000, 300)}, Settings());
  ASSERT_EQ(one.size(), 1u);
  EXPECT_TRUE(Runs(one[0], 0, 150, 6000, 150));

  const auto two = Walls({Seg(0, 0, 2000, 0), Seg(3500, 0, 6000, 0), Seg(0, 300, 2000, 300), Seg(3500, 300, 6000, 300)},
                         Settings());
  ASSERT_EQ(two.size(), 2u);
  EXPECT_TRUE(Runs(two[0], 0, 150, 2000, 150) || Runs(two[1], 0, 150, 2000, 150));
  EXPECT_TRUE(Runs(two[0], 3500, 150, 6000, 150) || Runs(two[1], 3500, 150, 6000, 150));
}

TEST(FaceLines, ClosedRectangleMeetsOnCentreLines) {
  const auto walls = Walls(RectangleFaces(8000, 5000, 300), Settings());
  ASSERT_EQ(walls.size(), 4u);
  // Every wall ends exactly on the centre lines of its neighbours.
  int matched = 0;
  for (const WallLineRecord& w : walls) {
    matched += Runs(w, 0, 0, 8000, 0) + Runs(w, 8000, 0, 8000, 5000) + Runs(w, 8000, 5000, 0, 5000) +
               Runs(w, 0, 5000, 0, 0);
    EXPECT_DOUBLE_EQ(w.thickness, 300);
  }
  EXPECT_EQ(matched, 4);
}

TEST(FaceLines, WallCrossingOthersIsSplitAtEachCrossing) {
  // A long wall with two walls standing on it from one side: split in three.
  std::vector<WallLineRecord> lines = {Seg(0, -150, 9000, -150), Seg(0, 150, 2850, 150), Seg(3150, 150, 5850, 150),
                                       Seg(6150, 150, 9000, 150), Seg(2850, 150, 2850, 3000), Seg(3150, 150, 3150, 3000),
                                       Seg(5850, 150, 5850, 3000), Seg(6150, 150, 6150, 3000)};
  const auto walls = Walls(lines, Settings());
  int pieces = 0;
  for (const WallLineRecord& w : walls)
    pieces += Runs(w, 0, 0, 3000, 0) + Runs(w, 3000, 0, 6000, 0) + Runs(w, 6000, 0, 9000, 0);
  EXPECT_EQ(pieces, 3);
  int branches = 0;
  for (const WallLineRecord& w : walls) branches += Runs(w, 3000, 0, 3000, 3000) + Runs(w, 6000, 0, 6000, 3000);
  EXPECT_EQ(branches, 2);
}

TEST(FaceLines, ShortWallNearACrossingKeepsItsFartherEnd) {
  // A stub 350 mm long standing on a long wall: its only crossing lies
  // within D of both of its ends.  The stub runs from its farther end to
  // the crossing instead of being lost.
  const auto walls = Walls({Seg(0, -150, 6000, -150), Seg(0, 150, 6000, 150), Seg(2850, 150, 2850, 500),
                            Seg(3150, 150, 3150, 500)},
                           Settings());
  int stubs = 0;
  for (const WallLineRecord& w : walls) stubs += Runs(w, 3000, 0, 3000, 500);
  EXPECT_EQ(stubs, 1);
}

TEST(FaceLines, CurveAcrossAWallEndClosesIt) {
  // A semicircle from one face corner of the wall's start to the other.
  WallLineRecord arc = Seg(0, 0, 0, 300);
  arc.thickness = 1.0;
  const auto walls = Walls({Seg(0, 0, 5000, 0), Seg(0, 300, 5000, 300)}, Settings(), {arc});
  ASSERT_EQ(walls.size(), 1u);
  const bool startAtZero = std::fabs(walls[0].startX) < 1e-6;
  EXPECT_EQ(startAtZero ? walls[0].startCode : walls[0].endCode, 1);
  EXPECT_EQ(startAtZero ? walls[0].endCode : walls[0].startCode, 0);
}

TEST(FaceLines, OrderOfTheDrawingDoesNotMatter) {
  // The same plan drawn in any order, with a drafting noise below a
  // millimetre on the start points, gives the same walls.
  std::vector<WallLineRecord> lines = RectangleFaces(8000, 5000, 300);
  const std::vector<WallLineRecord> middle = {Seg(3850, 150, 3850, 4850), Seg(4150, 150, 4150, 4850)};
  lines.insert(lines.end(), middle.begin(), middle.end());
  auto key = [](std::vector<WallLineRecord> walls) {
    std::vector<std::string> k;
    for (const auto& w : walls)
      k.push_back(std::to_string(std::lround(std::min(w.startX, w.endX))) + "," +
                  std::to_string(std::lround(std::min(w.startY, w.endY))) + "," +
                  std::to_string(std::lround(std::max(w.startX, w.endX))) + "," +
                  std::to_string(std::lround(std::max(w.startY, w.endY))));
    std::sort(k.begin(), k.end());
    return k;
  };
  const auto reference = key(Walls(lines, Settings()));
  ASSERT_EQ(reference.size(), 7u);  // the long walls are split by the middle wall
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> noise(-0.4, 0.4);
  for (int round = 0; round < 20; ++round) {
    std::vector<WallLineRecord> shuffled = lines;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    for (auto& s : shuffled) {
      s.startX += noise(rng);
      if (round % 2) std::swap(s.startX, s.endX), std::swap(s.startY, s.endY);
    }
    EXPECT_EQ(key(Walls(shuffled, Settings())), reference) << "round " << round;
  }
}

TEST(FaceLines, BuildTankAddsWallsAndSlabsPerSettings) {
  for (const bool topSlab : {true, false}) {
    ProjectSettings settings = Settings(500, 100, topSlab);
    GeometrySettings& g = settings.GetGeometrySettings();
    std::vector<boost::shared_ptr<VekObject>> picked;
    for (const WallLineRecord& r : RectangleFaces(8000, 5000, 300))
      picked.push_back(boost::make_shared<_3dLine>(_3dPoint(r.startX, r.startY, 0), _3dPoint(r.endX, r.endY, 0)));
    Tank tank;
    TankModeler().BuildTankFromCurves(picked, settings, tank);
    EXPECT_EQ(tank.GetWalls().size(), 4u);
    EXPECT_EQ(tank.GetBottomSlabs().size(), 1u);
    EXPECT_EQ(tank.GetTopSlabs().size(), topSlab ? 1u : 0u);
    // Walls stand on the bottom-slab mid-plane and reach the top slab's
    // mid-plane, or the top elevation without a top slab.
    const double base = g.GetBottomElevation() * 1000 - g.GetBottomSlabThickness() * 0.5;
    const double top = g.GetTopElevation() * 1000 - (topSlab ? g.GetTopSlabThickness() * 0.5 : 0.0);
    for (const BoardPtr& wall : tank.GetWalls()) {
      double zMin = 0, zMax = 0;
      TankModeler().GetBoardZRange(wall, zMin, zMax);
      EXPECT_NEAR(zMin, base, 1e-6);
      EXPECT_NEAR(zMax, top, 1e-6);
    }
    // The components come in the order walls, top slabs, bottom slabs.
    const auto components = tank.GetComponents();
    EXPECT_EQ(boost::static_pointer_cast<Board>(components.back())->GetKind(), 1);
  }
}
