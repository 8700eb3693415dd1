// Points and vectors of the geometry kernel: tolerant equality, angle
// conventions and the orders used as sort and map keys.
#include "platform/Morlak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

TEST(Values, PointEqualityIsTolerant) {
  struct Case { _2dPoint a, b; bool equal; };
  const Case cases[] = {
      {{0, 0}, {0, 0}, true},
      {{1000, 2000}, {1000 + 0.9e-4, 2000 - 0.9e-4}, true},
      {{1000, 2000}, {1000 + 1.1e-4, 2000}, false},
      {{1000, 2000}, {1000, 2000.001}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.b.x << "," << c.b.y;
    EXPECT_EQ(c.a != c.b, !c.equal);
    EXPECT_EQ(_3dPoint(c.a, 5) == _3dPoint(c.b, 5), c.equal);
  }
  EXPECT_FALSE(_3dPoint(0, 0, 0) == _3dPoint(0, 0, 0.01));
}

TEST(Values, DirectionAnglesRunCounterClockwiseFromPlusX) {
  struct Case { _2dVector v; double angle; };
  const double pi = g_Pi;
  const Case cases[] = {
      {{1, 0}, 0.0},           {{1, 1}, pi / 4},      {{0, 1}, pi / 2},
      {{-1, 0}, pi},           {{0, -1}, 3 * pi / 2}, {{1, -1e-12}, 2 * pi - 1e-12},
      {{0, 0}, 0.0},
  };
  for (const Case& c : cases) {
    double a = c.v.GetAngle();
    EXPECT_NEAR(a, c.angle, 1e-9) << c.v.x << "," << c.v.y;
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, 2 * pi);
  }
}

TEST(Values, AnglesBetweenVectors) {
  const double pi = g_Pi;
  EXPECT_NEAR(_2dVector(1, 0).GetAngleTo({-1, 0}), pi, 1e-12);
  EXPECT_NEAR(_2dVector(1, 0).GetAngleTo({0, -1}), pi / 2, 1e-12);  // unsigned
  EXPECT_NEAR(_2dVector(1, 0).GetAngleTo({1, 1e-9}), 1e-9, 1e-15);  // accurate near 0
  EXPECT_NEAR(_3dVector(1, 0, 0).GetAngleTo({0, 0, 1}), pi / 2, 1e-12);
  EXPECT_NEAR(_3dVector(1, 0, 0).GetSignedAngleTo({0, 1, 0}, {0, 0, 1}), pi / 2, 1e-12);
  EXPECT_NEAR(_3dVector(1, 0, 0).GetSignedAngleTo({0, 1, 0}, {0, 0, -1}), -pi / 2, 1e-12);
  EXPECT_DOUBLE_EQ(_3dVector().GetAngleTo({1, 0, 0}), 0.0);
}

TEST(Values, VectorLengthDirectionAndTurning) {
  _2dVector v(3, 4);
  v.SetLength(-10);  // a negative length reverses the vector
  EXPECT_EQ(v, _2dVector(-6, -8));
  _2dVector left(1, 0);
  left.Rotate(g_Pi / 2);  // positive turns counter-clockwise: the left normal
  EXPECT_EQ(left, _2dVector(0, 1));

  _2dVector tiny(1e-8, 0);
  EXPECT_FALSE(tiny.Normalize(0.01));
  EXPECT_EQ(tiny, _2dVector(1e-8, 0));  // unchanged when refused
  EXPECT_EQ(tiny.GetUnitVector(0.01), _2dVector());
  _3dVector n(0, 0, 5);
  EXPECT_TRUE(n.Normalize(0.001));
  EXPECT_EQ(n, _3dVector(0, 0, 1));
  EXPECT_EQ(_3dVector(1, 0, 0).CrossProduct({0, 2, 0}), _3dVector(0, 0, 2));  // not normalised
}

TEST(Values, ParallelPerpendicularAndSameDirection) {
  EXPECT_TRUE(_2dVector(1, 0).IsParallelTo({-5, 0}));
  EXPECT_FALSE(_2dVector(1, 0).IsParallelTo({1, 0.01}));
  EXPECT_FALSE(_2dVector(1, 0).IsParallelTo({0, 0}));
  EXPECT_TRUE(_2dVector(1, 1).IsPerpendicularTo({-1, 1}));
  EXPECT_TRUE(_3dVector(0, 0, 1).IsParallelTo({0, 0, -2}));
  EXPECT_TRUE(_3dVector(0, 0, 1).IsSameDirection({0, 0, 7}, 0.001));
  EXPECT_FALSE(_3dVector(0, 0, 1).IsSameDirection({0, 0, -7}, 0.001));
  EXPECT_TRUE(_3dVector(1, 0, 0).IsPerpendicularTo({0, 3, 0}));
}

TEST(Values, PointArithmetic) {
  _2dPoint p(100, 200);
  EXPECT_EQ(p + _2dVector(1, 2), _2dPoint(101, 202));
  EXPECT_EQ(p - _2dVector(1, 2), _2dPoint(99, 198));
  EXPECT_EQ(_2dPoint(5, 5) - p, _2dVector(-95, -195));
  p.Scale(0.01);
  p.Move(_3dVector(10, 20, 30));
  EXPECT_EQ(p, _2dPoint(11, 22));
  EXPECT_DOUBLE_EQ(_3dPoint(0, 0, 0).DistanceTo({3, 4, 12}), 13.0);
}

TEST(Values, PointOrderRunsAlongAVerticalLineDespiteRoundOff) {
  // Crossings of a vertical line computed with round-off in x.
  std::vector<_2dPoint> pts = {{1000.0 + 3e-9, 50}, {1000.0 - 2e-9, 10}, {1000.0, 30}, {999.99999999, 20}};
  std::sort(pts.begin(), pts.end(), _2dPoint::PointOrder());
  for (std::size_t i = 1; i < pts.size(); ++i) EXPECT_LT(pts[i - 1].y, pts[i].y);

  // The plain order is a valid map key order.
  std::map<_2dPoint, int> keyed;
  keyed[{1, 2}] = 1;
  keyed[{1, 2}] = 2;
  keyed[{0, 5}] = 3;
  EXPECT_EQ(keyed.size(), 2u);
  EXPECT_EQ(keyed.begin()->second, 3);
}

}  // namespace
