// The kernel's comparison and geometry object: the conventions the tank
// model, the rebar designer and the drawings rely on (angle ranges, sides,
// frames with axes of any length, unbounded versus bounded intersections,
// tolerance bands, polygon orientation).
#include "platform/Morlak.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

const VekGeometryComm& G = g_VekGeometryComm;
constexpr double kPi = std::numbers::pi;
constexpr double kTol = kPointTolerance;

// Points and vectors compared coordinate by coordinate.
#define EXPECT_POINT2(actual, ex, ey)     \
  do {                                    \
    const auto& p_ = (actual);            \
    EXPECT_NEAR(p_.x, (ex), 1e-7) << "x"; \
    EXPECT_NEAR(p_.y, (ey), 1e-7) << "y"; \
  } while (0)

#define EXPECT_POINT3(actual, ex, ey, ez) \
  do {                                    \
    const auto& p_ = (actual);            \
    EXPECT_NEAR(p_.x, (ex), 1e-7) << "x"; \
    EXPECT_NEAR(p_.y, (ey), 1e-7) << "y"; \
    EXPECT_NEAR(p_.z, (ez), 1e-7) << "z"; \
  } while (0)

// A sentinel that an out parameter must keep when the member fails.
const _2dPoint kUntouched2(-777, -777);
const _3dPoint kUntouched3(-777, -777, -777);

std::vector<_2dPoint> Rect(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// ---------------------------------------------------------------------------
// Tolerant comparisons

TEST(CommCompare, ToleranceBandsAreInclusive) {
  struct Case { double a, b, tol; bool eq, lt, le, ge; };
  const Case cases[] = {
      // a, b, tol: Equal, Lessthan, Lessthan_Or_Equal, Greaterthan_Or_Equal
      {1.0, 1.0, kTol, true, false, true, true},
      {1.0 - 0.9e-4, 1.0, kTol, true, false, true, true},
      {1.0 - 1.1e-4, 1.0, kTol, false, true, true, false},
      {1.0 + 0.9e-4, 1.0, kTol, true, false, true, true},
      {1.0 + 1.1e-4, 1.0, kTol, false, false, false, true},
      {0.5, 0.0, 1.0, true, false, true, true},
      {1.0, 1.0 + 1e-12, 0.0, false, true, true, false},  // tolerance 0 is exact
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b << " tol " << c.tol);
    EXPECT_EQ(G.Equal(c.a, c.b, c.tol), c.eq);
    EXPECT_EQ(G.Lessthan(c.a, c.b, c.tol), c.lt);
    EXPECT_EQ(G.Lessthan_Or_Equal(c.a, c.b, c.tol), c.le);
    EXPECT_EQ(G.Greaterthan_Or_Equal(c.a, c.b, c.tol), c.ge);
  }
  // Without a tolerance the kernel's 1e-4 applies.
  EXPECT_TRUE(G.Lessthan_Or_Equal(0.00009, 0.0));
  EXPECT_FALSE(G.Lessthan_Or_Equal(0.00011, 0.0));
}

// ---------------------------------------------------------------------------
// Angle conventions

TEST(CommAngles, GetAngleRunsCounterClockwiseFromPlusXInZeroToTwoPi) {
  struct Case { _2dPoint q; double angle; };
  const Case cases[] = {
      {{10, 0}, 0.0},           {{10, 10}, kPi / 4},       {{0, 10}, kPi / 2},
      {{-10, 10}, 3 * kPi / 4}, {{-10, 0}, kPi},           {{-10, -10}, 5 * kPi / 4},
      {{0, -10}, 3 * kPi / 2},  {{10, -10}, 7 * kPi / 4},  {{0, 0}, 0.0},
  };
  const _2dPoint p(0, 0);
  const _2dPoint shift(1000, -2000);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "q = " << c.q.x << "," << c.q.y);
    EXPECT_NEAR(G.GetAngle(p, c.q), c.angle, 1e-12);
    // Only the difference of the points counts.
    EXPECT_NEAR(G.GetAngle(_2dPoint(p.x + shift.x, p.y + shift.y), _2dPoint(c.q.x + shift.x, c.q.y + shift.y)),
                c.angle, 1e-9);
  }
  // Just below +x is almost 2π, never negative and never 2π itself.
  double a = G.GetAngle(p, _2dPoint(1, -1e-13));
  EXPECT_GE(a, 0.0);
  EXPECT_LT(a, 2 * kPi);
  EXPECT_NEAR(a, 2 * kPi, 1e-12);
}

TEST(CommAngles, SweepNormalizeAndIncludedAngle) {
  struct Sweep { double a1, a2, sweep; };
  const Sweep sweeps[] = {
      {0.0, kPi / 2, kPi / 2},                  // a quarter turn left
      {kPi / 2, 0.0, 3 * kPi / 2},              // a quarter turn right
      {7 * kPi / 4, kPi / 4, kPi / 2},          // across 0/2π
      {kPi / 4, 7 * kPi / 4, 3 * kPi / 2},
      {1.0, 1.0, 0.0},
      {-kPi / 2, kPi / 2, kPi},                 // inputs outside [0, 2π)
  };
  for (const Sweep& s : sweeps) {
    EXPECT_NEAR(G.GetSweepAngle(s.a1, s.a2), s.sweep, 1e-12) << s.a1 << " -> " << s.a2;
  }

  struct Norm { double in, out; };
  const Norm norms[] = {
      {0.0, 0.0},          {kPi, kPi},                {2 * kPi, 0.0},         {-kPi / 2, 3 * kPi / 2},
      {-2 * kPi, 0.0},     {5 * kPi / 2, kPi / 2},    {-7 * kPi, kPi},        {13 * kPi / 3, kPi / 3},
  };
  for (const Norm& n : norms) {
    double r = G.NormalizeAngle(n.in);
    EXPECT_NEAR(r, n.out, 1e-9) << n.in;
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 2 * kPi);
  }
  // Rounding must not leave 2π itself.
  double tiny = G.NormalizeAngle(-1e-17);
  EXPECT_GE(tiny, 0.0);
  EXPECT_LT(tiny, 2 * kPi);

  struct Incl { double a1, a2, angle; };
  const Incl incls[] = {
      {0.0, kPi / 2, kPi / 2},  {kPi / 2, 0.0, kPi / 2},     {0.0, kPi, kPi},
      {kPi / 4, 7 * kPi / 4, kPi / 2},  // across 0: a quarter, not three quarters
      {0.1, 0.1 + 2 * kPi, 0.0},        {0.0, 3 * kPi / 2, kPi / 2},
  };
  for (const Incl& i : incls) {
    double r = G.GetIncludedAngle(i.a1, i.a2);
    EXPECT_NEAR(r, i.angle, 1e-9) << i.a1 << ", " << i.a2;
    EXPECT_GE(r, 0.0);
    EXPECT_LE(r, kPi);
  }
}

// ---------------------------------------------------------------------------
// Side tests

TEST(CommSides, ClockwiseIsStrictlyRightCounterClockwiseStrictlyLeft) {
  struct Case { _2dPoint a, b, p; bool cw, ccw; };
  const Case cases[] = {
      {{0, 0}, {10, 0}, {5, 1}, false, true},
      {{0, 0}, {10, 0}, {5, -1}, true, false},
      {{0, 0}, {10, 0}, {5, 0}, false, false},           // on the line: neither
      {{0, 0}, {10, 0}, {5, 0.5e-4}, false, false},      // within the tolerance
      {{0, 0}, {10, 0}, {5, -0.5e-4}, false, false},
      {{0, 0}, {10, 0}, {5, 2e-4}, false, true},         // just beyond it
      {{0, 0}, {10, 0}, {50, -1}, true, false},          // the line is unbounded
      {{10, 0}, {0, 0}, {5, 1}, true, false},            // reversing the line swaps sides
      {{0, 0}, {0, 10}, {-1, 5}, false, true},           // left of an upward line is -x
      // A long wall: the band is a distance, not a raw cross product.
      {{0, 0}, {6000, 0}, {3000, 0.5e-4}, false, false},
      {{0, 0}, {0, 0}, {1, 1}, false, false},            // degenerate line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "a=" << c.a.x << "," << c.a.y << " b=" << c.b.x << "," << c.b.y
                                    << " p=" << c.p.x << "," << c.p.y);
    EXPECT_EQ(G.IsClockwise(c.a, c.b, c.p), c.cw);
    EXPECT_EQ(G.IsCounterClockwise(c.a, c.b, c.p), c.ccw);
  }
}

// ---------------------------------------------------------------------------
// Frames with axes of any length

struct FrameCase {
  const char* name;
  _3dPoint origin;
  _3dVector x, y;
  _3dPoint world;
  _3dPoint local;  // expected (x, y, z along x × y)
};

TEST(CommFrames, NonUnitAxesGiveModelMillimetres) {
  const _3dPoint wallStart(1000, 2000, 0), wallEnd(1000 + 3600, 2000 + 4800, 0);  // 6000 long
  const _3dVector wallX(3600, 4800, 0);                                              // end - start
  const _3dVector up(0, 0, 2500);
  const FrameCase cases[] = {
      // 100 mm along a 6000 mm wall axis is x = 100; 500 up is y = 500.
      {"wall 100 along", wallStart, wallX, up, {1000 + 60, 2000 + 80, 0}, {100, 0, 0}},
      {"wall end at height", wallStart, wallX, up, {wallEnd.x, wallEnd.y, 500}, {6000, 500, 0}},
      // 30 mm off the wall's face: local z along x × y (the wall's right side).
      {"wall off face", wallStart, wallX, up, {1000 + 60 + 0.8 * 30, 2000 + 80 - 0.6 * 30, 0}, {100, 0, 30}},
      // A slab frame: a side and its left-hand perpendicular, not normalised.
      {"slab", {500, 500, 300}, {0, 4000, 0}, {-4000, 0, 0}, {300, 600, 450}, {100, 200, 150}},
      // A y axis not perpendicular to x is orthonormalised against x.
      {"oblique y", {0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {3, 4, 0}, {3, 4, 0}},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_POINT3(G.WorldToLocal3d(c.origin, c.x, c.y, c.world), c.local.x, c.local.y, c.local.z);
    EXPECT_POINT2(G.WorldToLocal2d(c.origin, c.x, c.y, c.world), c.local.x, c.local.y);
    _2dPoint local2 = kUntouched2;
    EXPECT_TRUE(G.WorldToLocal2d(c.origin, c.x, c.y, c.world, local2));
    EXPECT_POINT2(local2, c.local.x, c.local.y);
    // Round trips back to the world point.
    EXPECT_POINT3(G.LocalToWorld3d(c.origin, c.x, c.y, c.local), c.world.x, c.world.y, c.world.z);
    _3dPoint inPlane = G.LocalToWorld2d(c.origin, c.x, c.y, _2dPoint(c.local.x, c.local.y));
    _3dPoint projected = kUntouched3;
    ASSERT_TRUE(G.ProjectToPlane(c.origin, c.x, c.y, c.world, projected));
    EXPECT_POINT3(inPlane, projected.x, projected.y, projected.z);
    EXPECT_POINT3(G.WorldToLocal3d(c.origin, c.x, c.y, inPlane), c.local.x, c.local.y, 0.0);
  }
}

TEST(CommFrames, DegenerateAxesReportFailure) {
  struct Case { const char* name; _3dVector x, y; };
  const Case cases[] = {
      {"zero x", {0, 0, 0}, {0, 1, 0}},
      {"zero y", {1, 0, 0}, {0, 0, 0}},
      {"parallel", {6000, 0, 0}, {-2, 0, 0}},
  };
  const _3dPoint origin(10, 20, 30), world(15, 25, 35);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _2dPoint local2 = kUntouched2;
    EXPECT_FALSE(G.WorldToLocal2d(origin, c.x, c.y, world, local2));
    EXPECT_POINT2(local2, kUntouched2.x, kUntouched2.y);
    EXPECT_POINT2(G.WorldToLocal2d(origin, c.x, c.y, world), 0, 0);
    _3dPoint local3 = kUntouched3, projected = kUntouched3;
    EXPECT_FALSE(G.WorldToLocal3d(origin, c.x, c.y, world, local3));
    EXPECT_POINT3(local3, kUntouched3.x, kUntouched3.y, kUntouched3.z);
    EXPECT_FALSE(G.ProjectToPlane(origin, c.x, c.y, world, projected));
    EXPECT_POINT3(G.LocalToWorld2d(origin, c.x, c.y, _2dPoint(5, 5)), origin.x, origin.y, origin.z);
  }
}

TEST(CommFrames, PlanePointsOfWallsAndSlabs) {
  struct Case { const char* name; std::vector<_3dPoint> outline; std::vector<_2dPoint> plan; };
  const Case cases[] = {
      {"vertical wall", {{0, 0, 0}, {6000, 0, 0}, {6000, 0, 3000}, {0, 0, 3000}}, {{0, 0}, {6000, 0}}},
      {"wall running the other way", {{6000, 0, 0}, {0, 0, 0}, {0, 0, 3000}, {6000, 0, 3000}},
       {{6000, 0}, {0, 0}}},
      // A reshaped wall with a point inserted on its top side keeps its ends.
      {"wall with inserted point", {{0, 0, 0}, {6000, 0, 0}, {6000, 0, 3000}, {2500, 0, 3500}, {0, 0, 3000}},
       {{0, 0}, {6000, 0}}},
      {"oblique wall", {{100, 100, 0}, {3100, 4100, 0}, {3100, 4100, 2000}, {100, 100, 2000}},
       {{100, 100}, {3100, 4100}}},
      {"zero-length wall", {{500, 700, 0}, {500, 700, 0}, {500, 700, 3000}, {500, 700, 3000}}, {{500, 700}}},
      {"slab", {{0, 0, 300}, {1000, 0, 300}, {1000, 600, 300}, {0, 600, 300}},
       {{0, 0}, {1000, 0}, {1000, 600}, {0, 600}}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<_2dPoint> plan = G.GetPlanPoints(c.outline);
    ASSERT_EQ(plan.size(), c.plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) EXPECT_POINT2(plan[i], c.plan[i].x, c.plan[i].y);
  }
}

TEST(CommFrames, VectorsAndPlaneNormals) {
  EXPECT_POINT3(G.Normalize3d(_3dVector(0, 3, 4)), 0, 0.6, 0.8);
  EXPECT_POINT3(G.Normalize3d(_3dVector(0, 0, 0)), 0, 0, 0);
  EXPECT_POINT3(G.CrossProduct(_3dVector(2, 0, 0), _3dVector(0, 3, 0)), 0, 0, 6);
  // Newell's normal: a concave outline counter-clockwise seen from +z.
  std::vector<_3dPoint> l{{0, 0, 5}, {2000, 0, 5}, {2000, 1000, 5}, {1000, 1000, 5}, {1000, 2000, 5}, {0, 2000, 5}};
  EXPECT_POINT3(G.GetPlaneNormal(l), 0, 0, 1);
  std::vector<_3dPoint> reversed(l.rbegin(), l.rend());
  EXPECT_POINT3(G.GetPlaneNormal(reversed), 0, 0, -1);
  EXPECT_POINT3(G.GetPlaneNormal({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}), 0, 0, 0);  // collinear
  EXPECT_POINT3(G.GetPlaneNormal({{0, 0, 0}, {1, 1, 1}}), 0, 0, 0);
}

// ---------------------------------------------------------------------------
// Distances, feet, points along lines, overlaps

TEST(CommDistances, FeetAndDistancesUseTheUnboundedLine) {
  const _2dLine line({0, 0}, {10, 0});
  EXPECT_DOUBLE_EQ(G.DistancePointToLine(_2dPoint(50, 3), line), 3.0);  // beyond the end
  EXPECT_POINT2(G.GetPerpendicularFoot(_2dPoint(50, 3), line), 50, 0);
  EXPECT_POINT2(G.GetPerpendicularFootByDirection(_2dPoint(3, 7), _2dPoint(1, 1), _2dVector(20, 20)), 5, 5);
  EXPECT_POINT2(G.GetPerpendicularFootByDirection(_2dPoint(3, 7), _2dPoint(1, 1), _2dVector(0, 0)), 1, 1);
  EXPECT_POINT3(G.GetPerpendicularFoot3d(_3dPoint(5, 5, 9), _3dLine({0, 0, 0}, {0, 0, 2})), 0, 0, 9);
  EXPECT_DOUBLE_EQ(G.Distance(_2dPoint(0, 0), _2dPoint(3, 4)), 5.0);
  EXPECT_DOUBLE_EQ(G.Distance3d(_3dPoint(1, 1, 1), _3dPoint(3, 4, 7)), 7.0);
  EXPECT_DOUBLE_EQ(G.DistanceWithTolerance(_2dPoint(0, 0), _2dPoint(0.5e-4, 0)), 0.0);
  EXPECT_DOUBLE_EQ(G.DistanceWithTolerance(_2dPoint(0, 0), _2dPoint(3, 4)), 5.0);
  EXPECT_POINT2(G.GetMidPoint(_2dPoint(0, 0), _2dPoint(10, -4)), 5, -2);
  EXPECT_POINT3(G.GetMidPoint3d(_3dPoint(0, 0, 0), _3dPoint(10, -4, 6)), 5, -2, 3);
}

TEST(CommDistances, PointAlongLineMovesAwayFromTheNearerEnd) {
  const _3dLine line({0, 0, 0}, {1000, 0, 0});
  struct Case { _3dPoint reference; double distance; double x; };
  const Case cases[] = {
      {{0, 0, 0}, 100, 100},       // from the start towards the end
      {{1000, 0, 0}, 100, 900},    // from the end back towards the start
      {{800, 0, 0}, 50, 750},      // nearer the end: away from it
      {{200, 30, 0}, 50, 250},     // off the line: moves parallel to it
      {{0, 0, 0}, -100, -100},
  };
  for (const Case& c : cases) {
    _3dPoint out = kUntouched3;
    ASSERT_TRUE(G.PointAlongLine3d(line, c.distance, c.reference, out));
    EXPECT_POINT3(out, c.x, c.reference.y, c.reference.z);
    _2dPoint plan = kUntouched2;
    ASSERT_TRUE(G.PointAlongLine3d(_2dLine({0, 0}, {1000, 0}), c.distance, _2dPoint(c.reference.x, c.reference.y),
                                   plan));
    EXPECT_POINT2(plan, c.x, c.reference.y);
  }
  _3dPoint out = kUntouched3;
  EXPECT_FALSE(G.PointAlongLine3d(_3dLine({5, 5, 5}, {5, 5, 5}), 10, _3dPoint(5, 5, 5), out));
  EXPECT_POINT3(out, kUntouched3.x, kUntouched3.y, kUntouched3.z);
}

TEST(CommDistances, OverlapOfCollinearSegments) {
  const _3dLine a({0, 0, 0}, {1000, 0, 0});
  struct Case { const char* name; _3dLine b; bool overlaps; double x0, x1; };
  const Case cases[] = {
      {"partial", {{600, 0, 0}, {1500, 0, 0}}, true, 600, 1000},
      {"reversed b runs along a", {{1500, 0, 0}, {600, 0, 0}}, true, 600, 1000},
      {"b inside a", {{200, 0, 0}, {300, 0, 0}}, true, 200, 300},
      {"a inside b", {{-50, 0, 0}, {2000, 0, 0}}, true, 0, 1000},
      {"b off the line within tol", {{600, 0.5e-4, 0}, {1500, 0.5e-4, 0}}, true, 600, 1000},
      {"touching at an end only", {{1000, 0, 0}, {1500, 0, 0}}, false, 0, 0},
      {"apart on the line", {{1200, 0, 0}, {1500, 0, 0}}, false, 0, 0},
      {"parallel, not collinear", {{0, 10, 0}, {1000, 10, 0}}, false, 0, 0},
      {"crossing", {{500, -10, 0}, {500, 10, 0}}, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _3dLine out(kUntouched3, kUntouched3);
    EXPECT_EQ(G.GetOverlap3d(a, c.b, out), c.overlaps);
    EXPECT_EQ(G.GetOverlapByPoints3d(a.GetStartPoint(), a.GetEndPoint(), c.b.GetStartPoint(), c.b.GetEndPoint()),
              c.overlaps);
    if (c.overlaps) {
      EXPECT_POINT3(out.GetStartPoint(), c.x0, 0, 0);
      EXPECT_POINT3(out.GetEndPoint(), c.x1, 0, 0);
    } else {
      EXPECT_POINT3(out.GetStartPoint(), kUntouched3.x, kUntouched3.y, kUntouched3.z);
    }
  }
}

// ---------------------------------------------------------------------------
// Parallel and same-line tests

TEST(CommLines, ParallelPerpendicularCollinearSameLine) {
  EXPECT_TRUE(G.IsParallel(_2dLine({0, 0}, {10, 0}), _2dLine({5, 5}, {-20, 5})));  // either orientation
  EXPECT_FALSE(G.IsParallel(_2dLine({0, 0}, {10, 0}), _2dLine({0, 0}, {10, 0.01})));
  EXPECT_FALSE(G.IsParallel(_2dLine({0, 0}, {10, 0}), _2dLine({3, 3}, {3, 3})));     // degenerate
  EXPECT_TRUE(G.IsParallel3d(_3dVector(0, 0, 5), _3dVector(0, 0, -1)));
  EXPECT_TRUE(G.IsParallel3d(_3dLine({1, 1, 0}, {1, 1, 9}), _3dVector(0, 0, 1)));
  EXPECT_FALSE(G.IsParallel3d(_3dVector(0, 1, 5), _3dVector(0, 0, 1)));
  EXPECT_TRUE(G.IsPerpendicular(_3dVector(3, 0, 0), _3dVector(0, 0, 7)));
  EXPECT_FALSE(G.IsPerpendicular(_3dVector(3, 0, 0.01), _3dVector(0, 0, 7)));
  EXPECT_FALSE(G.IsPerpendicular(_3dVector(0, 0, 0), _3dVector(0, 0, 7)));

  // The line through the points is unbounded; the tolerance is a distance.
  EXPECT_TRUE(G.IsCollinear(_2dPoint(0, 0), _2dPoint(10, 0), _2dPoint(500, 0.5e-4)));
  EXPECT_FALSE(G.IsCollinear(_2dPoint(0, 0), _2dPoint(10, 0), _2dPoint(500, 0.5)));
  EXPECT_FALSE(G.IsCollinear(_2dPoint(0, 0), _2dPoint(10, 0), _2dPoint(500, 2e-6), g_ZeroTolerance));
  EXPECT_TRUE(G.IsCollinear(_2dPoint(0, 0), _2dPoint(10, 0), _2dPoint(500, 0.5), 1.0));

  struct Case { const char* name; _3dLine a, b; bool same; };
  const Case cases[] = {
      {"neighbours on one line", {{0, 0, 0}, {100, 0, 0}}, {{100, 0, 0}, {300, 0, 0}}, true},
      {"folding back on the line", {{0, 0, 0}, {100, 0, 0}}, {{100, 0, 0}, {50, 0, 0}}, true},
      {"neighbours turning a corner", {{0, 0, 0}, {100, 0, 0}}, {{100, 0, 0}, {100, 100, 0}}, false},
      {"upper bar and lower bar of a detail", {{0, 0, 100}, {800, 0, 100}}, {{0, 150, -100}, {800, 150, -100}}, true},
      {"copy of another length", {{0, 0, 0}, {800, 0, 0}}, {{0, 150, 0}, {700, 150, 0}}, false},
      {"copy the other way", {{0, 0, 0}, {800, 0, 0}}, {{800, 150, 0}, {0, 150, 0}}, false},
      {"equal", {{1, 2, 3}, {4, 5, 6}}, {{1, 2, 3}, {4, 5, 6}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(G.IsSameLine(c.a, c.b), c.same);
    EXPECT_EQ(G.IsSameLine(c.b, c.a), c.same);
  }
}

// ---------------------------------------------------------------------------
// Line intersections: unbounded (IntersectLines) and bounded (LinesIntersect)

TEST(CommIntersect, UnboundedIntersectionAndSegmentCrossing) {
  struct Case {
    const char* name;
    _2dLine a, b;
    double tol;
    bool unbounded;  // IntersectLines
    double x, y;     // its point
    bool segments;   // LinesIntersect / IsLinesIntersect
  };
  const Case cases[] = {
      {"crossing", {{0, 0}, {10, 10}}, {{0, 10}, {10, 0}}, kTol, true, 5, 5, true},
      {"parallel", {{0, 0}, {10, 0}}, {{0, 5}, {10, 5}}, kTol, false, 0, 0, false},
      {"collinear overlapping", {{0, 0}, {10, 0}}, {{5, 0}, {20, 0}}, kTol, false, 0, 0, true},
      {"collinear apart", {{0, 0}, {10, 0}}, {{15, 0}, {20, 0}}, kTol, false, 0, 0, false},
      {"touching at an end", {{0, 0}, {10, 0}}, {{10, 0}, {10, 10}}, kTol, true, 10, 0, true},
      {"T touch within tol", {{0, 0}, {10, 0}}, {{5, 0.5e-4}, {5, 10}}, kTol, true, 5, 0, true},
      {"T gap beyond tol", {{0, 0}, {10, 0}}, {{5, 2e-4}, {5, 10}}, kTol, true, 5, 0, false},
      {"beyond the segments", {{0, 0}, {10, 0}}, {{20, 5}, {20, 10}}, kTol, true, 20, 0, false},
      // 6000 long, 0.5 mm apart at the far end: meets with a 0.1 tolerance,
      // parallel with a 1.0 tolerance.
      {"nearly parallel, tol 0.1", {{0, 0}, {6000, 0}}, {{0, 1}, {6000, 1.5}}, 0.1, true, -12000, 0, false},
      {"nearly parallel, tol 1.0", {{0, 0}, {6000, 0}}, {{0, 1}, {6000, 1.5}}, 1.0, false, 0, 0, false},
      {"degenerate", {{0, 0}, {0, 0}}, {{0, 10}, {10, 0}}, kTol, false, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _2dPoint out = kUntouched2;
    EXPECT_EQ(G.IntersectLines(c.a, c.b, out, c.tol), c.unbounded);
    if (c.unbounded) {
      EXPECT_POINT2(out, c.x, c.y);
    } else {
      EXPECT_POINT2(out, kUntouched2.x, kUntouched2.y);  // a failed intersection leaves the point
    }
    _2dPoint byPoints = kUntouched2;
    EXPECT_EQ(G.IntersectLinesByPoints(c.a.GetStartPoint(), c.a.GetEndPoint(), c.b.GetStartPoint(),
                                       c.b.GetEndPoint(), byPoints, c.tol),
              c.unbounded);
    EXPECT_POINT2(byPoints, out.x, out.y);
    EXPECT_EQ(G.LinesIntersect(c.a, c.b), c.segments);
    EXPECT_EQ(G.LinesIntersect(c.b, c.a), c.segments);
    EXPECT_EQ(G.IsLinesIntersect(c.a, c.b), c.segments);
  }
}

TEST(CommIntersect, LinesInSpace) {
  struct Case {
    const char* name;
    _3dPoint a1, a2, b1, b2;
    double tol;
    bool unbounded;  // IntersectLinesByPoints3d
    bool bounded;    // IntersectLines3d
    _3dPoint at;
  };
  const Case cases[] = {
      {"crossing", {0, 0, 5}, {10, 10, 5}, {0, 10, 5}, {10, 0, 5}, kTol, true, true, {5, 5, 5}},
      {"skew by 0.05, tol 0.1", {0, 0, 0}, {10, 0, 0}, {5, -5, 0.05}, {5, 5, 0.05}, 0.1, true, true, {5, 0, 0.025}},
      {"skew by 0.05, tol 0.01", {0, 0, 0}, {10, 0, 0}, {5, -5, 0.05}, {5, 5, 0.05}, 0.01, false, false, {}},
      {"meeting beyond the segments", {0, 0, 0}, {10, 0, 0}, {20, 5, 0}, {20, 10, 0}, kTol, true, false, {20, 0, 0}},
      {"touching at ends", {0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {10, 0, 10}, kTol, true, true, {10, 0, 0}},
      {"parallel", {0, 0, 0}, {10, 0, 0}, {0, 0, 1}, {10, 0, 1}, kTol, false, false, {}},
      {"collinear", {0, 0, 0}, {10, 0, 0}, {5, 0, 0}, {20, 0, 0}, kTol, false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _3dPoint out = kUntouched3;
    EXPECT_EQ(G.IntersectLinesByPoints3d(c.a1, c.a2, c.b1, c.b2, out, c.tol), c.unbounded);
    if (c.unbounded) EXPECT_POINT3(out, c.at.x, c.at.y, c.at.z);
    else EXPECT_POINT3(out, kUntouched3.x, kUntouched3.y, kUntouched3.z);
    _3dPoint seg = kUntouched3;
    EXPECT_EQ(G.IntersectLines3d(_3dLine(c.a1, c.a2), _3dLine(c.b1, c.b2), seg, c.tol), c.bounded);
    if (c.bounded) EXPECT_POINT3(seg, c.at.x, c.at.y, c.at.z);
    else EXPECT_POINT3(seg, kUntouched3.x, kUntouched3.y, kUntouched3.z);
  }
}

TEST(CommIntersect, LineAndPlane) {
  const _3dPoint planePoint(0, 0, 100);
  const _3dVector normal(0, 0, 7);  // not a unit vector
  struct Case {
    const char* name;
    _3dLine line;
    bool meets;      // IntersectLinePlane (unbounded line)
    _3dPoint at;
    bool touches;    // IsLineOnPlane (closed segment)
  };
  const Case cases[] = {
      {"crossing", {{10, 20, 0}, {10, 20, 200}}, true, {10, 20, 100}, true},
      {"oblique crossing", {{0, 0, 0}, {200, 0, 200}}, true, {100, 0, 100}, true},
      {"ending on the plane", {{5, 5, 0}, {5, 5, 100}}, true, {5, 5, 100}, true},
      {"ending within tol", {{5, 5, 0}, {5, 5, 100 - 0.5e-4}}, true, {5, 5, 100}, true},
      {"ending short of it", {{5, 5, 0}, {5, 5, 100 - 2e-4}}, true, {5, 5, 100}, false},
      {"below, extended to it", {{0, 0, 0}, {0, 10, 10}}, true, {0, 100, 100}, false},
      {"lying in it", {{1, 2, 100}, {50, 60, 100}}, true, {1, 2, 100}, true},
      {"parallel off it", {{1, 2, 50}, {50, 60, 50}}, false, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _3dPoint out = kUntouched3;
    EXPECT_EQ(G.IntersectLinePlane(c.line, planePoint, normal, out), c.meets);
    if (c.meets) EXPECT_POINT3(out, c.at.x, c.at.y, c.at.z);
    else EXPECT_POINT3(out, kUntouched3.x, kUntouched3.y, kUntouched3.z);
    _3dPoint byPoints = kUntouched3;
    EXPECT_EQ(G.IntersectLinePlane(c.line.GetStartPoint(), c.line.GetEndPoint(), planePoint, normal, byPoints),
              c.meets);
    EXPECT_EQ(G.IsLineOnPlane(c.line, planePoint, normal), c.touches);
  }
  EXPECT_TRUE(G.IsPointOnPlane(planePoint, normal, _3dPoint(900, -900, 100.00005)));
  EXPECT_FALSE(G.IsPointOnPlane(planePoint, normal, _3dPoint(900, -900, 100.0002)));
  EXPECT_FALSE(G.IsPointOnPlane(planePoint, _3dVector(0, 0, 0), planePoint));
}

// ---------------------------------------------------------------------------
// Membership tests at the tolerance edges

TEST(CommMembership, PointOnSegmentIsBoundedWithinTolerance) {
  const _2dLine seg({0, 0}, {1000, 0});
  struct Case { const char* name; _2dPoint p; double tol; bool on; };
  const Case cases[] = {
      {"middle", {500, 0}, kTol, true},
      {"just inside the band", {500, 0.9e-4}, kTol, true},
      {"just outside the band", {500, 1.1e-4}, kTol, false},
      {"past the end within tol", {1000 + 0.9e-4, 0}, kTol, true},
      {"past the end beyond tol", {1000 + 1.1e-4, 0}, kTol, false},
      {"on the carrier far beyond", {5000, 0}, kTol, false},
      {"start", {0, 0}, kTol, true},
      {"wide tolerance", {1000.8, 0.5}, 1.0, true},
      {"zero tolerance", {500, 1e-9}, g_ZeroTolerance, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(G.IsPointOnLine(seg, c.p, c.tol), c.on);
    EXPECT_EQ(G.IsPointOnSegment(seg, c.p, c.tol), c.on);
    EXPECT_EQ(G.IsPointOnLine(seg.GetStartPoint(), seg.GetEndPoint(), c.p, c.tol), c.on);
    EXPECT_EQ(G.IsPointOnSegment3d(_3dPoint(0, 0, 7), _3dPoint(1000, 0, 7), _3dPoint(c.p, 7), c.tol), c.on);
  }
  // The 3D line test is unbounded.
  EXPECT_TRUE(G.IsPointOnLine3d(_3dPoint(0, 0, 0), _3dPoint(0, 0, 10), _3dPoint(0, 0.5e-4, 5000)));
  EXPECT_FALSE(G.IsPointOnLine3d(_3dPoint(0, 0, 0), _3dPoint(0, 0, 10), _3dPoint(0, 2e-4, 5000)));
}

// Extents need entities.cpp (the box constructor), like every drawing does.
TEST(CommMembership, PointInExtentsIsAPlanTest) {
  Extents box(0, 0, 0, 100, 50, 0);
  EXPECT_TRUE(G.IsPointInExtents(box, _3dPoint(50, 25, 999)));
  EXPECT_TRUE(G.IsPointInExtents(box, _2dPoint(100, 50)));
  EXPECT_FALSE(G.IsPointInExtents(box, _2dPoint(100.001, 25)));
  EXPECT_FALSE(G.IsPointInExtents(Extents(), _2dPoint(0, 0)));  // an empty box holds nothing
}

// ---------------------------------------------------------------------------
// Polygons

TEST(CommPolygons, SignedAreaCentreAndCentroid) {
  struct Case { const char* name; std::vector<_2dPoint> pts; double area; };
  const std::vector<_2dPoint> ccw = Rect(0, 0, 1000, 600);
  const Case cases[] = {
      {"counter-clockwise", ccw, 600000},
      {"clockwise", {ccw.rbegin(), ccw.rend()}, -600000},
      {"closed by repeating the first point", {{0, 0}, {1000, 0}, {1000, 600}, {0, 600}, {0, 0}}, 600000},
      {"triangle", {{0, 0}, {4, 0}, {0, 3}}, 6},
      {"two points", {{0, 0}, {4, 0}}, 0},
      {"empty", {}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(G.GetArea(c.pts), c.area, 1e-6) << c.name;
  }

  EXPECT_POINT2(G.GetCenter({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {30, 0}}), 10, 4);
  EXPECT_POINT2(G.GetCenter({}), 0, 0);

  // An L far from the origin: the area centroid, not the mean of the corners.
  std::vector<_2dPoint> l{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
  for (_2dPoint& p : l) p = _2dPoint(p.x * 1000 + 1e6, p.y * 1000 + 2e6);
  _2dPoint c = kUntouched2;
  ASSERT_TRUE(G.GetCentroid(l, c));
  EXPECT_NEAR(c.x, 1e6 + 5000.0 / 6, 1e-6);
  EXPECT_NEAR(c.y, 2e6 + 5000.0 / 6, 1e-6);
  std::vector<_2dPoint> lReversed(l.rbegin(), l.rend());
  ASSERT_TRUE(G.GetCentroid(lReversed, c));
  EXPECT_NEAR(c.x, 1e6 + 5000.0 / 6, 1e-6);
  _3dPoint c3 = kUntouched3;
  ASSERT_TRUE(G.GetCentroid(std::vector<_3dPoint>{{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}}, c3));
  EXPECT_POINT3(c3, 2, 1, 0);

  c = kUntouched2;
  EXPECT_FALSE(G.GetCentroid({{0, 0}, {5, 5}, {10, 10}}, c));  // no area
  EXPECT_FALSE(G.GetCentroid({{0, 0}, {5, 5}}, c));
  EXPECT_FALSE(G.GetCentroid(std::vector<_2dPoint>{}, c));
  EXPECT_POINT2(c, kUntouched2.x, kUntouched2.y);
}

TEST(CommPolygons, PointInPolygonInsideOutsideBoundary) {
  // An L-shaped outline (the notch at the upper right is outside).
  const std::vector<_2dPoint> l{{0, 0}, {2000, 0}, {2000, 1000}, {1000, 1000}, {1000, 2000}, {0, 2000}};
  struct Case { const char* name; _2dPoint p; double tol; int expected; };
  const Case cases[] = {
      {"inside", {500, 500}, kTol, 1},
      {"inside the arm", {500, 1500}, kTol, 1},
      {"in the notch", {1500, 1500}, kTol, -1},
      {"far outside", {-500, 500}, kTol, -1},
      {"on a side", {2000, 500}, kTol, 0},
      {"on the inner corner", {1000, 1000}, kTol, 0},
      {"on a vertex", {0, 0}, kTol, 0},
      {"just outside within tol", {2000 + 0.5e-4, 500}, kTol, 0},
      {"just outside beyond tol", {2000 + 2e-4, 500}, kTol, -1},
      {"just inside beyond tol", {2000 - 2e-4, 500}, kTol, 1},
      {"near a side with tol 1.0", {2000.9, 500}, 1.0, 0},
  };
  std::vector<_2dPoint> clockwise(l.rbegin(), l.rend());
  std::vector<_2dPoint> closed = l;
  closed.push_back(l.front());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(G.PointInPolygon2d(l, c.p, c.tol), c.expected);
    EXPECT_EQ(G.PointInPolygon2d(clockwise, c.p, c.tol), c.expected);
    EXPECT_EQ(G.PointInPolygon2d(closed, c.p, c.tol), c.expected);
    // The same outline standing upright in the plane y = 300 (x, z).
    std::vector<_3dPoint> wall;
    for (const _2dPoint& q : l) wall.emplace_back(q.x, 300, q.y);
    EXPECT_EQ(G.PointInPolygon(wall, _3dPoint(c.p.x, 300, c.p.y), c.tol), c.expected);
  }
  std::vector<_3dPoint> wall;
  for (const _2dPoint& q : l) wall.emplace_back(q.x, 300, q.y);
  EXPECT_EQ(G.PointInPolygon(wall, _3dPoint(500, 300.05, 500), 0.1), 1);   // off the plane within tol
  EXPECT_EQ(G.PointInPolygon(wall, _3dPoint(500, 300.5, 500), 0.1), -1);   // off the plane beyond it
  EXPECT_EQ(G.PointInPolygon2d({}, _2dPoint(0, 0)), -1);
  EXPECT_EQ(G.PointInPolygon2d({{0, 0}, {10, 0}}, _2dPoint(5, 0)), 0);
}

TEST(CommPolygons, PolygonRelations) {
  const std::vector<_2dPoint> a = Rect(0, 0, 1000, 1000);
  struct Case { const char* name; std::vector<_2dPoint> b; int relation; };
  const Case cases[] = {
      {"apart", Rect(2000, 0, 3000, 1000), -1},
      {"sharing a side", Rect(1000, 0, 2000, 1000), 0},
      {"touching at a corner", Rect(1000, 1000, 2000, 2000), 0},
      {"overlapping by a hair", Rect(1000 - 0.5e-4, 0, 2000, 1000), 0},
      {"overlapping", Rect(500, 500, 1500, 1500), 1},
      {"around a", Rect(-100, -100, 1100, 1100), 2},
      {"inside a", Rect(100, 100, 900, 900), 3},
      {"inside a, clockwise", {{100, 100}, {100, 900}, {900, 900}, {900, 100}}, 3},
      {"equal", Rect(0, 0, 1000, 1000), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(G.GetPolygonRelation(a, c.b), c.relation);
  }
  EXPECT_EQ(G.GetPolygonRelation(Rect(100, 100, 900, 900), a), 2);
}

TEST(CommPolygons, LineMeetsPolygonAndPolyline) {
  const std::vector<_2dPoint> square = Rect(0, 0, 1000, 1000);
  struct Case { const char* name; _2dLine line; bool meets; };
  const Case cases[] = {
      {"crossing", {{-500, 500}, {1500, 500}}, true},
      {"inside", {{200, 200}, {800, 300}}, true},
      {"touching a corner", {{1000, 1000}, {2000, 2000}}, true},
      {"outside", {{1100, 0}, {1100, 1000}}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(G.IsLineCrossingPolygon(c.line, square), c.meets) << c.name;
  }

  // A bar with a semicircular bend: bulge +1 turns counter-clockwise, so the
  // arc from (0, 0) to (1000, 0) dips to y = -500 right of the chord.
  _2dPolyline bar(std::vector<_3dPoint>{{0, 0, 0}, {1000, 0, 0}, {1000, 800, 0}});
  bar.SetBulgeAt(0, 1.0);
  EXPECT_TRUE(G.IsLineCrossingPolyline(_2dLine({500, -600}, {500, -400}), bar));   // crosses the arc only
  EXPECT_FALSE(G.IsLineCrossingPolyline(_2dLine({500, -100}, {500, 100}), bar));   // crosses the chord only
  EXPECT_TRUE(G.IsLineCrossingPolyline(_2dLine({900, 400}, {1100, 400}), bar));    // the straight leg
  EXPECT_FALSE(G.IsLineCrossingPolyline(_2dLine({0, 400}, {900, 400}), bar));      // open: no closing side
  bar.SetClosed(true);
  EXPECT_TRUE(G.IsLineCrossingPolyline(_2dLine({0, 400}, {900, 400}), bar));
}

TEST(CommPolygons, BoundingRectangleAlongADirection) {
  const std::vector<_2dPoint> diamond{{0, -100}, {100, 0}, {0, 100}, {-100, 0}};
  std::vector<_2dPoint> corners;
  ASSERT_TRUE(G.GetBoundingRectangle(diamond, _2dVector(10, 10), corners));
  ASSERT_EQ(corners.size(), 4u);
  EXPECT_POINT2(corners[0], 0, -100);
  EXPECT_POINT2(corners[1], 100, 0);
  EXPECT_POINT2(corners[2], 0, 100);
  EXPECT_POINT2(corners[3], -100, 0);
  // c0-c1 runs along the direction, c2 - c1 across it (the bar-layout rule).
  EXPECT_TRUE(_2dVector(corners[1].x - corners[0].x, corners[1].y - corners[0].y).IsParallelTo(_2dVector(1, 1)));
  EXPECT_FALSE(_2dVector(corners[2].x - corners[1].x, corners[2].y - corners[1].y).IsParallelTo(_2dVector(1, 1)));
  EXPECT_GT(G.GetArea(corners), 0.0);

  ASSERT_TRUE(G.GetBoundingRectangle(Rect(10, 20, 110, 70), _2dVector(0, 5), corners));
  EXPECT_POINT2(corners[0], 110, 20);  // along +y, across -x
  EXPECT_POINT2(corners[2], 10, 70);

  std::vector<_2dPoint> untouched{{1, 1}};
  EXPECT_FALSE(G.GetBoundingRectangle({}, _2dVector(1, 0), untouched));
  EXPECT_FALSE(G.GetBoundingRectangle(diamond, _2dVector(0, 0), untouched));
  EXPECT_EQ(untouched.size(), 1u);
}

TEST(CommPolygons, ChainLinesOrdersLinesIntoAPointChain) {
  // The outline of two slabs without their shared side, shuffled and with
  // mixed orientations.
  const std::vector<_3dLine> lines{
      {{0, 0, 0}, {1000, 0, 0}},     {{2000, 600, 0}, {1000, 600, 0}}, {{1000, 0, 0}, {2000, 0, 0}},
      {{0, 600, 0}, {0, 0, 0}},      {{2000, 0, 0}, {2000, 600, 0}},   {{0, 600, 0}, {1000, 600, 0}},
  };
  std::vector<_3dPoint> chain = G.ChainLines(lines);
  const std::vector<_2dPoint> expected{{0, 0}, {1000, 0}, {2000, 0}, {2000, 600}, {1000, 600}, {0, 600}};
  ASSERT_EQ(chain.size(), expected.size());
  for (std::size_t i = 0; i < chain.size(); ++i) EXPECT_POINT3(chain[i], expected[i].x, expected[i].y, 0);

  // An open chain whose first line lies in the middle.
  chain = G.ChainLines({{{10, 0, 0}, {20, 0, 0}}, {{30, 0, 0}, {20, 0, 0}}, {{0, 0, 0}, {10, 0, 0}}});
  ASSERT_EQ(chain.size(), 4u);
  EXPECT_POINT3(chain.front(), 0, 0, 0);
  EXPECT_POINT3(chain.back(), 30, 0, 0);
  EXPECT_TRUE(G.ChainLines({}).empty());
}

TEST(CommPolygons, CutOutlineByPlane) {
  // A U-shaped slab at z = 300 (open at the top between x = 400 and 600).
  const std::vector<_3dPoint> u{{0, 0, 300},   {1000, 0, 300},  {1000, 800, 300}, {600, 800, 300},
                                {600, 200, 300}, {400, 200, 300}, {400, 800, 300},  {0, 800, 300}};
  const _3dPoint origin(0, 0, 300);
  const _3dVector x(500, 0, 0), y(0, 2, 0);  // axes of any length
  struct Case {
    const char* name;
    _3dPoint planePoint;
    _3dVector normal;
    std::vector<std::pair<_2dPoint, _2dPoint>> segments;
  };
  const Case cases[] = {
      // Cuts run along (x × y) × normal: here +y for the normal +x.
      {"across the base", {250, 0, 0}, {1, 0, 0}, {{{250, 0}, {250, 800}}}},
      {"across both arms", {0, 500, 0}, {0, 1, 0}, {{{1000, 500}, {600, 500}}, {{400, 500}, {0, 500}}}},
      {"along the bottom edge", {0, 0, 0}, {0, -1, 0}, {{{0, 0}, {1000, 0}}}},
      {"missing the slab", {2000, 0, 0}, {1, 0, 0}, {}},
      {"through the inner corners", {0, 200, 0}, {0, 1, 0}, {{{1000, 200}, {0, 200}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<_3dLine> segments{_3dLine(kUntouched3, kUntouched3)};
    EXPECT_EQ(G.CutOutlineByPlane(u, origin, x, y, c.planePoint, c.normal, segments), !c.segments.empty());
    ASSERT_EQ(segments.size(), c.segments.size());
    for (std::size_t i = 0; i < segments.size(); ++i) {
      EXPECT_POINT3(segments[i].GetStartPoint(), c.segments[i].first.x, c.segments[i].first.y, 300);
      EXPECT_POINT3(segments[i].GetEndPoint(), c.segments[i].second.x, c.segments[i].second.y, 300);
    }
  }
  std::vector<_3dLine> segments;
  EXPECT_FALSE(G.CutOutlineByPlane(u, origin, x, y, _3dPoint(0, 0, 300), _3dVector(0, 0, 1), segments));
}

TEST(CommPolygons, CommonLineOfTwoOutlinePlanes) {
  // A level slab and one rising along x at 1:10, overlapping in plan.
  const std::vector<_3dPoint> level{{0, 0, 100}, {1000, 0, 100}, {1000, 600, 100}, {0, 600, 100}};
  const std::vector<_3dPoint> sloped{{500, 0, 0}, {2500, 0, 200}, {2500, 600, 200}, {500, 600, 0}};
  _3dPoint l = kUntouched3;
  _3dVector h;
  ASSERT_TRUE(G.IntersectPolygonPlanes(level, sloped, l, h));
  // The common line is x = 1500, z = 100, running along y over both outlines.
  EXPECT_NEAR(l.x, 1500, 1e-7);
  EXPECT_NEAR(l.z, 100, 1e-7);
  EXPECT_NEAR(h.x, 0, 1e-9);
  EXPECT_NEAR(h.z, 0, 1e-9);
  EXPECT_LE(std::min(l.y, l.y + h.y), 0.0 + 1e-7);
  EXPECT_GE(std::max(l.y, l.y + h.y), 600.0 - 1e-7);
  // In plan that segment misses the level slab and crosses the sloped one.
  _2dLine plan(_2dPoint(l.x, l.y), _2dPoint(l.x + h.x, l.y + h.y));
  EXPECT_FALSE(G.IsLineCrossingPolygon(plan, G.GetPlanPoints(level)));
  EXPECT_TRUE(G.IsLineCrossingPolygon(plan, G.GetPlanPoints(sloped)));

  std::vector<_3dPoint> raised = level;
  for (_3dPoint& p : raised) p.z += 50;
  l = kUntouched3;
  EXPECT_FALSE(G.IntersectPolygonPlanes(level, raised, l, h));  // parallel planes
  EXPECT_POINT3(l, kUntouched3.x, kUntouched3.y, kUntouched3.z);
}

}  // namespace
