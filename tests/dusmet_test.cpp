// CAD geometric algorithms: curve intersections, vector rotation and angle
// conventions, wall outlines at corners and junctions, and the polyline
// sketch helpers.
#include "platform/Dusmet.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);

::testing::AssertionResult Near(const _3dPoint& a, const _3dPoint& b, double tol = 1e-6) {
  if (std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs ("
                                       << b.x << ", " << b.y << ", " << b.z << ")";
}

::testing::AssertionResult Near(const _2dPoint& a, const _2dPoint& b, double tol = 1e-6) {
  return Near(_3dPoint(a), _3dPoint(b), tol);
}

std::string Show(const std::vector<_3dPoint>& pts) {
  std::string s;
  for (const auto& p : pts) s += "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ") ";
  return s;
}

void ExpectPoints(const std::vector<_3dPoint>& got, const std::vector<_2dPoint>& want,
                  const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what << ": " << Show(got);
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_TRUE(Near(got[i], _3dPoint(want[i]))) << what << " point " << i;
    EXPECT_EQ(got[i].z, 0.0) << what;
  }
}

_2dPolyline Polyline(const std::vector<_2dPoint>& pts, bool closed,
                     const std::vector<double>& bulges = {}) {
  std::vector<_3dPoint> v;
  for (const auto& p : pts) v.emplace_back(p);
  _2dPolyline pl(v, closed);
  if (!bulges.empty()) pl.SetBulges(bulges);
  return pl;
}

// ---------------------------------------------------------------------------
// IntersectCurves

TEST(IntersectCurves, LineAgainstLine) {
  struct Case {
    const char* what;
    _2dLine a, b;
    int mode;
    std::vector<_2dPoint> want;
  };
  const Case cases[] = {
      {"crossing", {{0, 0}, {10, 10}}, {{0, 10}, {10, 0}}, 0, {{5, 5}}},
      {"parallel apart", {{0, 0}, {10, 0}}, {{0, 5}, {10, 5}}, 0, {}},
      {"touching end to end", {{0, 0}, {10, 0}}, {{10, 0}, {10, 10}}, 0, {{10, 0}}},
      {"end on the other's inside", {{0, 0}, {10, 0}}, {{5, 0}, {5, 5}}, 0, {{5, 0}}},
      {"overlapping: ends of the shared piece", {{0, 0}, {10, 0}}, {{5, 0}, {15, 0}}, 0,
       {{5, 0}, {10, 0}}},
      {"overlapping, first reversed: sorted from its start", {{10, 0}, {0, 0}}, {{5, 0}, {15, 0}},
       0, {{10, 0}, {5, 0}}},
      {"collinear apart", {{0, 0}, {10, 0}}, {{11, 0}, {15, 0}}, 0, {}},
      {"short of the other", {{0, 0}, {4, 0}}, {{5, -1}, {5, 1}}, 0, {}},
      {"short of the other, first unbounded", {{0, 0}, {4, 0}}, {{5, -1}, {5, 1}}, 1, {{5, 0}}},
      {"behind the first's start, unbounded", {{0, 0}, {4, 0}}, {{-5, -1}, {-5, 1}}, 1, {{-5, 0}}},
      {"second stays bounded in mode 1", {{0, 0}, {4, 0}}, {{5, 1}, {5, 3}}, 1, {}},
      {"end within tolerance", {{0, 0}, {10, 0}}, {{10.00005, -1}, {10.00005, 1}}, 0,
       {{10.00005, 0}}},
      {"end beyond tolerance", {{0, 0}, {10, 0}}, {{10.001, -1}, {10.001, 1}}, 0, {}},
      {"zero-length first line", {{3, 3}, {3, 3}}, {{0, 0}, {10, 10}}, 0, {}},
  };
  for (const Case& c : cases) {
    std::vector<_3dPoint> out = {{99, 99, 99}};  // cleared first
    int n = g_GeomAlgorithm.IntersectCurves(c.a, c.b, c.mode, out);
    EXPECT_EQ(n, static_cast<int>(out.size())) << c.what;
    ExpectPoints(out, c.want, c.what);
  }
}

TEST(IntersectCurves, ThreeDimensionalLinesMeetInPlan) {
  _3dLine a({0, 0, 0}, {10, 10, 50});
  _3dLine b({0, 10, -20}, {10, 0, 7});
  std::vector<_3dPoint> out;
  ASSERT_EQ(g_GeomAlgorithm.IntersectCurves(a, b, 0, out), 1);
  EXPECT_TRUE(Near(out[0], {5, 5, 0}));
}

TEST(IntersectCurves, LineAgainstArc) {
  // Upper half circle of radius 10 about the origin.
  _2dArc arc({0, 0}, 10, 0, kPi);
  const double s75 = std::sqrt(75.0);
  struct Case {
    const char* what;
    _2dLine line;
    std::vector<_2dPoint> want;
  };
  const Case cases[] = {
      {"across the arc", {{-20, 5}, {20, 5}}, {{-s75, 5}, {s75, 5}}},
      {"across the missing half", {{-20, -5}, {20, -5}}, {}},
      {"tangent at the top", {{-20, 10}, {20, 10}}, {{0, 10}}},
      {"grazing the top within tolerance", {{-20, 10.00005}, {20, 10.00005}}, {{0, 10.00005}}},
      {"through the arc's ends", {{20, 0}, {-20, 0}}, {{10, 0}, {-10, 0}}},
      {"just outside the arc's ends, within tolerance", {{20, -0.00005}, {-20, -0.00005}},
       {{10, -0.00005}, {-10, -0.00005}}},
      {"ending inside the circle", {{0, 5}, {5, 5}}, {}},
  };
  for (const Case& c : cases) {
    std::vector<_3dPoint> out;
    g_GeomAlgorithm.IntersectCurves(c.line, arc, 0, out);
    ExpectPoints(out, c.want, c.what);
  }
  // The arc as the first curve: points run counter-clockwise from its start.
  std::vector<_3dPoint> out;
  g_GeomAlgorithm.IntersectCurves(arc, _2dLine({-20, 5}, {20, 5}), 0, out);
  ExpectPoints(out, {{s75, 5}, {-s75, 5}}, "arc first");
  // An arc is not a line: mode 1 gives nothing.
  EXPECT_EQ(g_GeomAlgorithm.IntersectCurves(arc, _2dLine({-20, 5}, {20, 5}), 1, out), 0);
}

TEST(IntersectCurves, LineAgainstBulgedPolyline) {
  // A positive bulge turns counter-clockwise: the half circle from (0, 0) to
  // (10, 0) lies to the right of the chord, below it.
  _2dPolyline below = Polyline({{0, 0}, {10, 0}}, false, {1.0, 0.0});
  _2dPolyline above = Polyline({{0, 0}, {10, 0}}, false, {-1.0, 0.0});
  _2dLine vertical({5, -10}, {5, 10});
  std::vector<_3dPoint> out;
  g_GeomAlgorithm.IntersectCurves(vertical, below, 0, out);
  ExpectPoints(out, {{5, -5}}, "positive bulge");
  g_GeomAlgorithm.IntersectCurves(vertical, above, 0, out);
  ExpectPoints(out, {{5, 5}}, "negative bulge");

  // A closed two-vertex polyline with bulges 1, 1 is a full circle; the
  // polyline first: points sorted along it from its first vertex.
  _2dPolyline circle = Polyline({{0, 0}, {10, 0}}, true, {1.0, 1.0});
  g_GeomAlgorithm.IntersectCurves(vertical, circle, 0, out);
  ExpectPoints(out, {{5, -5}, {5, 5}}, "circle");
  g_GeomAlgorithm.IntersectCurves(circle, _2dLine({-1, 0}, {11, 0}), 0, out);
  ExpectPoints(out, {{0, 0}, {10, 0}}, "circle first, through its vertices");

  // Straight and bulged sides mixed, closed: a 10 x 10 square whose top side
  // bulges outward by a half circle.
  _2dPolyline dome = Polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true, {0, 0, 1.0, 0});
  g_GeomAlgorithm.IntersectCurves(_2dLine({5, -1}, {5, 1}), dome, 1, out);
  ExpectPoints(out, {{5, 0}, {5, 15}}, "bulged side of a closed outline");
}

// A candidate bar line against a closed outline: entry and exit points come
// in pairs along the line, so pieces 0-1, 2-3 are the bars.
TEST(IntersectCurves, CandidateBarLinesAgainstClosedOutline) {
  const _2dPolyline rect = Polyline({{0, 0}, {1000, 0}, {1000, 600}, {0, 600}}, true);
  // A U-shaped outline: the notch from x 400 to 600 reaches down to y 300.
  const _2dPolyline notched = Polyline(
      {{0, 0}, {1000, 0}, {1000, 600}, {600, 600}, {600, 300}, {400, 300}, {400, 600}, {0, 600}},
      true);
  struct Case {
    const char* what;
    const _2dPolyline* outline;
    _2dLine candidate;
    std::vector<_2dPoint> want;
  };
  const Case cases[] = {
      {"short candidate inside", &rect, {{200, 50}, {300, 50}}, {{0, 50}, {1000, 50}}},
      {"candidate reversed", &rect, {{300, 50}, {200, 50}}, {{1000, 50}, {0, 50}}},
      {"candidate outside the outline", &rect, {{-300, 50}, {-200, 50}}, {{0, 50}, {1000, 50}}},
      {"vertical candidate", &rect, {{800, 10}, {800, 20}}, {{800, 0}, {800, 600}}},
      {"across the notch: two pieces", &notched, {{0, 450}, {1, 450}},
       {{0, 450}, {400, 450}, {600, 450}, {1000, 450}}},
      {"below the notch: one piece", &notched, {{0, 150}, {1, 150}}, {{0, 150}, {1000, 150}}},
      {"along a side", &rect, {{10, 0}, {20, 0}}, {{0, 0}, {1000, 0}}},
      {"touching a corner: one point, no bar", &rect, {{-10, 10}, {10, -10}}, {{0, 0}}},
      {"diagonal through two corners", &rect, {{0, 0}, {500, 300}}, {{0, 0}, {1000, 600}}},
      {"missing the outline", &rect, {{0, 700}, {10, 700}}, {}},
  };
  for (const Case& c : cases) {
    std::vector<_3dPoint> out;
    g_GeomAlgorithm.IntersectCurves(c.candidate, *c.outline, 1, out);
    ExpectPoints(out, c.want, c.what);
  }
}

TEST(IntersectCurves, UnsupportedCurvesAndModesGiveNothing) {
  _Text text("A", {0, 0, 0}, 2.5);
  _2dLine line({-10, 0}, {10, 0});
  std::vector<_3dPoint> out = {{1, 2, 3}};
  EXPECT_EQ(g_GeomAlgorithm.IntersectCurves(line, text, 0, out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(g_GeomAlgorithm.IntersectCurves(line, _2dLine({0, -5}, {0, 5}), 2, out), 0);
  EXPECT_TRUE(out.empty());
}

// ---------------------------------------------------------------------------
// Vectors and angles

TEST(GeomAngles, RotateVectorTurnsCounterClockwiseAboutTheAxis) {
  struct Case {
    _3dVector v;
    double angle;
    _3dVector axis, want;
  };
  const Case cases[] = {
      {{1, 0, 0}, kPi / 2, {0, 0, 1}, {0, 1, 0}},    // X bars become Y bars
      {{1, 0, 0}, kPi / 2, {0, 0, -1}, {0, -1, 0}},  // turning about -z is clockwise in plan
      {{1, 0, 0}, -kPi / 2, {0, 0, 1}, {0, -1, 0}},
      {{0, 1, 0}, kPi / 2, {1, 0, 0}, {0, 0, 1}},
      {{3, 4, 0}, kPi, {0, 0, 7}, {-3, -4, 0}},  // the axis need not be a unit vector
      {{0, 0, 2}, 1.0, {0, 0, 1}, {0, 0, 2}},    // along the axis: unchanged
      {{1, 2, 3}, 1.0, {0, 0, 0}, {1, 2, 3}},    // zero axis: unchanged
      {{1, 0, 0}, 2 * kPi / 3, {1, 1, 1}, {0, 1, 0}},
  };
  for (const Case& c : cases) {
    _3dVector r = g_GeomAlgorithm.RotateVector(c.v, c.angle, c.axis);
    EXPECT_TRUE(Near(_3dPoint(r.x, r.y, r.z), _3dPoint(c.want.x, c.want.y, c.want.z), 1e-12))
        << "angle " << c.angle;
  }
}

TEST(GeomAngles, GetAngleRunsFromFirstToSecondAboutTheNormal) {
  struct Case {
    _3dVector v1, v2, normal;
    double want;
  };
  const _3dVector z(0, 0, 1);
  const Case cases[] = {
      {{1, 0, 0}, {0, 1, 0}, z, kPi / 2},
      {{0, 1, 0}, {1, 0, 0}, z, 3 * kPi / 2},
      {{1, 0, 0}, {0, 1, 0}, {0, 0, -1}, 3 * kPi / 2},
      {{1, 0, 0}, {2, 0, 0}, z, 0.0},
      {{1, 0, 0}, {-1, 0, 0}, z, kPi},
      {{1, 0, 0}, {1, -1e-15, 0}, z, 0.0},  // never 2π
      {{1, 0, 5}, {0, 1, -3}, {0, 0, 2}, kPi / 2},  // projected onto the plane
      {{0, 1, 0}, {1, 0, 0}, {0, 0, 0}, kPi / 2},  // no normal: unsigned angle
      {{0, 0, 0}, {1, 0, 0}, z, 0.0},
  };
  for (const Case& c : cases) {
    double a = g_GeomAlgorithm.GetAngle(c.v1, c.v2, c.normal);
    EXPECT_NEAR(a, c.want, 1e-12) << c.v1.x << "," << c.v1.y << " -> " << c.v2.x << "," << c.v2.y;
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, 2 * kPi);
  }
}

// Unfolding a bent bar relies on the two conventions agreeing: turning v1 by
// GetAngle(v1, v2, n) about n gives the direction of v2.
TEST(GeomAngles, RotatingByTheAngleReachesTheSecondVector) {
  const _3dVector n = _3dVector(1, 0, 0).CrossProduct(_3dVector(1, 2, 0));
  const _3dVector seconds[] = {{1, 2, 0}, {-3, 1, 0}, {-1, -1, 0}, {2, -5, 0}};
  for (const _3dVector& v2 : seconds) {
    _3dVector v1(1, 0, 0);
    double a = g_GeomAlgorithm.GetAngle(v1, v2, n);
    _3dVector r = g_GeomAlgorithm.RotateVector(v1, a, n);
    _3dVector u = v2 * (1.0 / v2.GetLength());
    EXPECT_TRUE(Near(_3dPoint(r.x, r.y, r.z), _3dPoint(u.x, u.y, u.z), 1e-12)) << a;
  }
}

// ---------------------------------------------------------------------------
// BuildOutlineGroups

std::vector<_2dLine> LinesOf(const EntityList& group) {
  std::vector<_2dLine> lines;
  for (const auto& e : group)
    if (auto l = boost::dynamic_pointer_cast<_2dLine>(e)) lines.push_back(*l);
  return lines;
}

void ExpectLine(const EntityPtr& e, const _2dPoint& a, const _2dPoint& b, const std::string& what) {
  auto l = boost::dynamic_pointer_cast<_2dLine>(e);
  ASSERT_TRUE(l) << what << ": not a _2dLine";
  EXPECT_TRUE(Near(l->GetStartPoint(), a)) << what << " start";
  EXPECT_TRUE(Near(l->GetEndPoint(), b)) << what << " end";
}

std::vector<EntityList> Outlines(const std::vector<_2dLine>& lines, double right, double left,
                                 std::pair<int, int> codes = {0, 0}) {
  return g_GeomAlgorithm.BuildOutlineGroups(
      lines, std::vector<std::pair<int, int>>(lines.size(), codes),
      std::vector<std::pair<double, double>>(lines.size(), {right, left}));
}

TEST(OutlineGroups, SingleWallLineHasFacesAtItsOffsetsAndCapsByCode) {
  // First offset 200 to the right of the direction, second 100 to the left;
  // the start closed straight (code 0), the end with a half circle (code 1).
  auto groups = g_GeomAlgorithm.BuildOutlineGroups({_2dLine({0, 0}, {1000, 0})}, {{0, 1}},
                                                   {{200, 100}});
  ASSERT_EQ(groups.size(), 1u);
  const EntityList& g = groups[0];
  ASSERT_EQ(g.size(), 4u);
  ExpectLine(g[0], {0, -200}, {1000, -200}, "first face");
  ExpectLine(g[1], {0, 100}, {1000, 100}, "second face");
  ExpectLine(g[2], {0, -200}, {0, 100}, "start cap");
  auto arc = boost::dynamic_pointer_cast<_2dArc>(g[3]);
  ASSERT_TRUE(arc) << "end cap of code 1 is an arc";
  EXPECT_TRUE(Near(arc->GetCenter(), {1000, -50}));
  EXPECT_NEAR(arc->GetRadius(), 150, 1e-9);
  // It joins the two face ends and bulges away from the wall.
  EXPECT_TRUE(Near(arc->GetStartPoint(), {1000, -200}));
  EXPECT_TRUE(Near(arc->GetEndPoint(), {1000, 100}));
  EXPECT_NEAR(arc->GetSweep(), kPi, 1e-9);

  // The same line drawn the other way round: the first face is now above.
  groups = g_GeomAlgorithm.BuildOutlineGroups({_2dLine({1000, 0}, {0, 0})}, {{1, 0}}, {{200, 100}});
  ASSERT_EQ(groups[0].size(), 4u);
  ExpectLine(groups[0][0], {1000, 200}, {0, 200}, "reversed first face");
  ExpectLine(groups[0][1], {1000, -100}, {0, -100}, "reversed second face");
  auto startArc = boost::dynamic_pointer_cast<_2dArc>(groups[0][2]);
  ASSERT_TRUE(startArc);
  EXPECT_TRUE(Near(startArc->GetCenter(), {1000, 50}));
  // Counter-clockwise through the point beyond the wall's start (x > 1000).
  EXPECT_TRUE(Near(startArc->GetStartPoint(), {1000, -100}));
  EXPECT_TRUE(Near(startArc->GetEndPoint(), {1000, 200}));
}

TEST(OutlineGroups, LCornerFacesMeetExactlyAtTheMitredCorners) {
  // Both orientations of the second line: leaving the corner and entering it.
  const std::vector<std::vector<_2dLine>> layouts = {
      {_2dLine({0, 0}, {1000, 0}), _2dLine({1000, 0}, {1000, 800})},
      {_2dLine({0, 0}, {1000, 0}), _2dLine({1000, 800}, {1000, 0})},
  };
  for (const auto& lines : layouts) {
    auto groups = Outlines(lines, 100, 150);
    ASSERT_EQ(groups.size(), 2u);
    // Two faces and one cap (the free end) each; no cap at the corner.
    ASSERT_EQ(groups[0].size(), 3u);
    ASSERT_EQ(groups[1].size(), 3u);
    auto first = LinesOf(groups[0]);
    auto second = LinesOf(groups[1]);
    // First line: its outer face (y = -100) runs to the second line's outer
    // face: x = 1100 when the second leaves the corner (its first offset, 100,
    // lies outside), x = 1150 when it enters it (its second offset, 150).
    const double outerX = lines[1].GetStartPoint().y == 0 ? 1100.0 : 1150.0;
    ExpectLine(groups[0][0], {0, -100}, {outerX, -100}, "outer face");
    // The faces' corner ends coincide with faces of the second line.
    for (const _2dLine& f : {first[0], first[1]}) {
      _2dPoint end = f.GetEndPoint();
      int meets = 0;
      for (const _2dLine& s : {second[0], second[1]})
        if (Near(s.GetStartPoint(), end, 1e-9) || Near(s.GetEndPoint(), end, 1e-9)) ++meets;
      EXPECT_EQ(meets, 1) << end.x << "," << end.y;
    }
  }
  // Offsets 100/150 on the line leaving the corner: outer corner (1100, -100),
  // inner corner (850, 150).
  auto groups = Outlines({_2dLine({0, 0}, {1000, 0}), _2dLine({1000, 0}, {1000, 800})}, 100, 150);
  ExpectLine(groups[0][1], {0, 150}, {850, 150}, "inner face of the first line");
  ExpectLine(groups[1][0], {1100, -100}, {1100, 800}, "outer face of the second line");
  ExpectLine(groups[1][1], {850, 150}, {850, 800}, "inner face of the second line");
}

TEST(OutlineGroups, JunctionsOfWallLines) {
  struct Case {
    const char* what;
    std::vector<_2dLine> lines;
    // Expected face and step lines of each group, caps left out.
    std::vector<std::vector<std::pair<_2dPoint, _2dPoint>>> faces;
    std::vector<int> caps;
  };
  const Case cases[] = {
      {"T: stem ending on the inside of a through line",
       {_2dLine({0, 0}, {2000, 0}), _2dLine({1000, 0}, {1000, 1000})},
       {{{{0, -100}, {2000, -100}}, {{0, 100}, {900, 100}}, {{1100, 100}, {2000, 100}}},
        {{{1100, 100}, {1100, 1000}}, {{900, 100}, {900, 1000}}}},
       {2, 1}},
      {"T: three line ends at one point",
       {_2dLine({0, 0}, {1000, 0}), _2dLine({1000, 0}, {2000, 0}), _2dLine({1000, 0}, {1000, 1000})},
       {{{{0, -100}, {1000, -100}}, {{0, 100}, {900, 100}}},
        {{{1000, -100}, {2000, -100}}, {{1100, 100}, {2000, 100}}},
        {{{1100, 100}, {1100, 1000}}, {{900, 100}, {900, 1000}}}},
       {1, 1, 1}},
      {"cross: two lines crossing inside",
       {_2dLine({0, 0}, {2000, 0}), _2dLine({1000, -1000}, {1000, 1000})},
       {{{{0, -100}, {900, -100}},
         {{1100, -100}, {2000, -100}},
         {{0, 100}, {900, 100}},
         {{1100, 100}, {2000, 100}}},
        {{{1100, -1000}, {1100, -100}},
         {{1100, 100}, {1100, 1000}},
         {{900, -1000}, {900, -100}},
         {{900, 100}, {900, 1000}}}},
       {2, 2}},
      {"closed ring of four lines: mitred everywhere, no caps",
       {_2dLine({0, 0}, {1000, 0}), _2dLine({1000, 0}, {1000, 600}), _2dLine({1000, 600}, {0, 600}),
        _2dLine({0, 600}, {0, 0})},
       {{{{-100, -100}, {1100, -100}}, {{100, 100}, {900, 100}}},
        {{{1100, -100}, {1100, 700}}, {{900, 100}, {900, 500}}},
        {{{1100, 700}, {-100, 700}}, {{900, 500}, {100, 500}}},
        {{{-100, 700}, {-100, -100}}, {{100, 500}, {100, 100}}}},
       {0, 0, 0, 0}},
      {"straight continuation abuts",
       {_2dLine({0, 0}, {1000, 0}), _2dLine({1000, 0}, {2000, 0})},
       {{{{0, -100}, {1000, -100}}, {{0, 100}, {1000, 100}}},
        {{{1000, -100}, {2000, -100}}, {{1000, 100}, {2000, 100}}}},
       {1, 1}},
  };
  for (const Case& c : cases) {
    auto groups = Outlines(c.lines, 100, 100);
    ASSERT_EQ(groups.size(), c.lines.size()) << c.what;
    for (std::size_t i = 0; i < groups.size(); ++i) {
      const auto& want = c.faces[i];
      ASSERT_EQ(groups[i].size(), want.size() + c.caps[i]) << c.what << ", group " << i;
      for (std::size_t k = 0; k < want.size(); ++k)
        ExpectLine(groups[i][k], want[k].first, want[k].second,
                   std::string(c.what) + ", group " + std::to_string(i) + ", line " +
                       std::to_string(k));
    }
  }
}

TEST(OutlineGroups, FaceStepWhereStraightLinesChangeThickness) {
  auto groups = g_GeomAlgorithm.BuildOutlineGroups(
      {_2dLine({0, 0}, {1000, 0}), _2dLine({1000, 0}, {2000, 0})}, {{0, 0}, {0, 0}},
      {{100, 100}, {200, 100}});
  // First group: two faces, the start cap and the step from y -100 to -200.
  ASSERT_EQ(groups[0].size(), 4u);
  ExpectLine(groups[0][3], {1000, -100}, {1000, -200}, "step");
  ASSERT_EQ(groups[1].size(), 3u);
}

TEST(OutlineGroups, DegenerateInput) {
  // A zero-length line gets an empty group and does not disturb the others.
  auto groups = Outlines({_2dLine({0, 0}, {0, 0}), _2dLine({0, 0}, {1000, 0})}, 100, 100);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_TRUE(groups[0].empty());
  EXPECT_EQ(groups[1].size(), 4u);
  // Both faces on the line itself: one face line, no caps.
  groups = Outlines({_2dLine({0, 0}, {1000, 0})}, 0, 0);
  ASSERT_EQ(groups[0].size(), 1u);
  ExpectLine(groups[0][0], {0, 0}, {1000, 0}, "zero thickness");
  // No lines, no groups; lists of different lengths are refused.
  EXPECT_TRUE(Outlines({}, 100, 100).empty());
  EXPECT_THROW(g_GeomAlgorithm.BuildOutlineGroups({_2dLine({0, 0}, {1, 0})}, {}, {{1, 1}}),
               std::invalid_argument);
}

// The section cut's form: records of cut segments, grouped by the board they
// were cut from, joined across boards.
TEST(OutlineGroups, PerBoardRecordsGroupByBoardInFirstSeenOrder) {
  auto wall = boost::make_shared<VekObject>();
  auto slab = boost::make_shared<VekObject>();
  // The wall, cut in two segments (split where the slab meets it), runs down
  // to the slab's corner; the slab runs to the right from there.  The wall's
  // top end is closed with an arc (code 1).
  std::vector<OutlineRecord> records(3);
  records[0] = {_2dLine({0, 2000}, {0, 1000}), 150, 150, 1, wall};
  records[1] = {_2dLine({0, 0}, {3000, 0}), 200, 200, 0, slab};
  records[2] = {_2dLine({0, 1000}, {0, 0}), 150, 150, 0, wall};
  auto groups = g_GeomAlgorithm.BuildOutlineGroups(records);
  ASSERT_EQ(groups.size(), 2u);

  // The wall: both segments' faces, the arc at its top and nothing at the
  // joint between its segments.
  const EntityList& w = groups[0];
  ASSERT_EQ(w.size(), 5u);
  ExpectLine(w[0], {-150, 2000}, {-150, 1000}, "wall, upper segment, right face");
  ExpectLine(w[1], {150, 2000}, {150, 1000}, "wall, upper segment, left face");
  EXPECT_TRUE(boost::dynamic_pointer_cast<_2dArc>(w[2]));
  // At the corner with the slab: mitred corners shared with the slab's faces.
  ExpectLine(w[3], {-150, 1000}, {-150, -200}, "wall, lower segment, outer face");
  ExpectLine(w[4], {150, 1000}, {150, 200}, "wall, lower segment, inner face");

  const EntityList& s = groups[1];
  ASSERT_EQ(s.size(), 3u);
  ExpectLine(s[0], {-150, -200}, {3000, -200}, "slab, outer face");
  ExpectLine(s[1], {150, 200}, {3000, 200}, "slab, inner face");
  ExpectLine(s[2], {3000, -200}, {3000, 200}, "slab, end cap");

  // The parallel-list form gives the same groups; records without a board
  // make one group of their own.
  std::vector<_2dLine> lines = {records[0].line, records[1].line, _2dLine({5000, 0}, {6000, 0})};
  auto same = g_GeomAlgorithm.BuildOutlineGroups(
      lines, {{150, 150}, {200, 200}, {50, 50}}, {wall, slab, nullptr}, {1, 0, 0});
  ASSERT_EQ(same.size(), 3u);
  EXPECT_EQ(same[2].size(), 4u);
  EXPECT_THROW(g_GeomAlgorithm.BuildOutlineGroups(lines, {{1, 1}}, {wall}, {0}),
               std::invalid_argument);
}

// ---------------------------------------------------------------------------
// Names, the tank's outline lists and cutter profiles

TEST(GeomNames, ContainsNameIgnoresTheCaseOfLayerNames) {
  const std::vector<std::string> layers = {"WALL", "池壁", "Slab-1"};
  struct Case {
    std::string name;
    bool want;
  };
  const Case cases[] = {{"WALL", true},   {"wall", true},   {"Wall", true}, {"池壁", true},
                        {"SLAB-1", true}, {"WALL ", false}, {"WAL", false}, {"", false},
                        {"池", false}};
  for (const Case& c : cases) EXPECT_EQ(g_GeomAlgorithm.ContainsName(layers, c.name), c.want) << c.name;
  EXPECT_FALSE(g_GeomAlgorithm.ContainsName({}, "WALL"));
}

TEST(GeomTankOutlines, StoresSquareTablesAndRefusesOthers) {
  GeomAlgorithm service;
  GeomAlgorithm::BoardFlagTable flags = {{0, 1}, {1, 0}};
  GeomAlgorithm::BoardPointTable outlines = {{{0, 0, 0}, {1, 0, 0}}, {{2, 2, 2}}};
  service.SetTankOutlines(flags, outlines, {});
  EXPECT_EQ(service.GetTankMeetFlags(), flags);
  ASSERT_EQ(service.GetTankSecondList().size(), 2u);
  EXPECT_TRUE(Near(service.GetTankSecondList()[1][0], {2, 2, 2}));
  EXPECT_TRUE(service.GetTankThirdList().empty());

  EXPECT_THROW(service.SetTankOutlines({{0, 1}, {1}}, {}, {}), std::invalid_argument);
  EXPECT_EQ(service.GetTankMeetFlags(), flags);  // kept
}

TEST(GeomCutter, MakeCutterOutlineMovesEverySideOutward) {
  const std::vector<_3dPoint> ccw = {{0, 0, 5}, {100, 0, 5}, {100, 100, 5}, {0, 100, 5}, {0, 0, 5}};
  std::vector<_3dPoint> out;
  ASSERT_TRUE(g_GeomAlgorithm.MakeCutterOutline(ccw, out, 1.0));
  ExpectPoints(out, {{-1, -1}, {101, -1}, {101, 101}, {-1, 101}}, "counter-clockwise square");

  // Clockwise input keeps its order and still grows; an L-shaped notch
  // shows the inner corner moving inward.
  const std::vector<_3dPoint> cwL = {{0, 0}, {0, 200}, {100, 200}, {100, 100}, {200, 100}, {200, 0}};
  ASSERT_TRUE(g_GeomAlgorithm.MakeCutterOutline(cwL, out, 1.0));
  ExpectPoints(out, {{-1, -1}, {-1, 201}, {101, 201}, {101, 101}, {201, 101}, {201, -1}},
               "clockwise L");

  ASSERT_TRUE(g_GeomAlgorithm.MakeCutterOutline(ccw, out, 0.0));
  ExpectPoints(out, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, "no margin");

  EXPECT_FALSE(g_GeomAlgorithm.MakeCutterOutline({{0, 0}, {10, 0}, {10, 0}}, out, 1.0));
  ExpectPoints(out, {{0, 0}, {10, 0}}, "two points");
  EXPECT_FALSE(g_GeomAlgorithm.MakeCutterOutline({{0, 0}, {10, 0}, {20, 0}}, out, 1.0));
}

// ---------------------------------------------------------------------------
// Polyline sketches

TEST(GeomSketch, BoundingBoxHasOppositeCornersAtVerticesZeroAndTwo) {
  // An L with a bulged first side: the half circle above (0, 0)-(10, 0)
  // reaches y 5; the constant width is not counted.
  _2dPolyline pl = Polyline({{0, 0}, {10, 0}, {10, -20}}, false, {-1.0, 0, 0});
  pl.SetConstantWidth(4.0);
  _2dPolyline box = g_GeomAlgorithm.GetBoundingBox(pl);
  ASSERT_EQ(box.VerNums(), 4);
  EXPECT_TRUE(box.IsClosed());
  EXPECT_TRUE(Near(box.GetVertexAt(0), {0, -20, 0}));
  EXPECT_TRUE(Near(box.GetVertexAt(1), {10, -20, 0}));
  EXPECT_TRUE(Near(box.GetVertexAt(2), {10, 5, 0}));
  EXPECT_TRUE(Near(box.GetVertexAt(3), {0, 5, 0}));

  _2dPolyline empty = g_GeomAlgorithm.GetBoundingBox(_2dPolyline());
  ASSERT_EQ(empty.VerNums(), 4);
  for (const auto& v : empty.GetVertices()) EXPECT_TRUE(Near(v, {0, 0, 0}));
}

TEST(GeomSketch, RotateAndMovePolylineInPlace) {
  _2dPolyline pl = Polyline({{0, 0}, {100, 0}, {100, 50}}, false, {0.5, 0, 0});
  g_GeomAlgorithm.RotatePolyline(pl, _3dPoint(50, 25, 0), kPi);
  EXPECT_TRUE(Near(pl.GetVertexAt(0), {100, 50, 0}));
  EXPECT_TRUE(Near(pl.GetVertexAt(1), {0, 50, 0}));
  EXPECT_TRUE(Near(pl.GetVertexAt(2), {0, 0, 0}));
  EXPECT_EQ(pl.GetBulgeAt(0), 0.5);  // a turn keeps the sense of every arc

  g_GeomAlgorithm.RotatePolyline(pl, _2dPoint(0, 0), kPi / 2);
  EXPECT_TRUE(Near(pl.GetVertexAt(0), {-50, 100, 0}));

  g_GeomAlgorithm.MovePolyline(pl, _3dPoint(-50, 100, 0), _3dPoint(10, 20, 5));
  EXPECT_TRUE(Near(pl.GetVertexAt(0), {10, 20, 5}));
  EXPECT_TRUE(Near(pl.GetVertexAt(2), {60, -80, 5}));
  EXPECT_EQ(pl.VerNums(), 3);
}

TEST(GeomSketch, FitSketchScalesTheLargerSideToTheSizeLessTextRoom) {
  struct Case {
    const char* what;
    double textSize, size, wantLargerSide;
  };
  const Case cases[] = {
      {"shrunk", 3.0, 60.0, 54.0},
      {"no text room given", 0.0, 60.0, 60.0},
      {"text larger than the room: the whole size", 40.0, 60.0, 60.0},
  };
  for (const Case& c : cases) {
    // A bar bent like a hook: 1000 along x, 200 up, with a bulged end.
    _2dPolyline sketch = Polyline({{0, 0}, {1000, 0}, {1000, 200}}, false, {0, 0.3, 0});
    _2dPolyline before = g_GeomAlgorithm.GetBoundingBox(sketch);
    g_GeomAlgorithm.FitSketch(c.textSize, c.size, sketch);
    _2dPolyline after = g_GeomAlgorithm.GetBoundingBox(sketch);
    double w = after.GetVertexAt(2).x - after.GetVertexAt(0).x;
    double h = after.GetVertexAt(2).y - after.GetVertexAt(0).y;
    EXPECT_NEAR(std::max(w, h), c.wantLargerSide, 1e-9) << c.what;
    // Scaled uniformly about the box centre; bulges kept.
    double wb = before.GetVertexAt(2).x - before.GetVertexAt(0).x;
    double hb = before.GetVertexAt(2).y - before.GetVertexAt(0).y;
    EXPECT_NEAR(w / h, wb / hb, 1e-9) << c.what;
    _3dPoint cb((before.GetVertexAt(0).x + before.GetVertexAt(2).x) / 2,
                (before.GetVertexAt(0).y + before.GetVertexAt(2).y) / 2);
    _3dPoint ca((after.GetVertexAt(0).x + after.GetVertexAt(2).x) / 2,
                (after.GetVertexAt(0).y + after.GetVertexAt(2).y) / 2);
    EXPECT_TRUE(Near(ca, cb)) << c.what;
    EXPECT_EQ(sketch.GetBulgeAt(1), 0.3);
  }

  // Nothing to fit: a single point, or no size.
  _2dPolyline dot = Polyline({{5, 5}, {5, 5}}, false);
  g_GeomAlgorithm.FitSketch(3.0, 60.0, dot);
  EXPECT_TRUE(Near(dot.GetVertexAt(1), {5, 5, 0}));
  _2dPolyline line = Polyline({{0, 0}, {100, 0}}, false);
  g_GeomAlgorithm.FitSketch(3.0, 0.0, line);
  EXPECT_TRUE(Near(line.GetVertexAt(1), {100, 0, 0}));
}

}  // namespace
