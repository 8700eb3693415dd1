// Free geometry helpers of the kernel: polylines into lines, line orientation
// and thinning, the scale-move and frame steps, and the line predicates.
#include "platform/Morlak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using LinePtr = boost::shared_ptr<_2dLine>;

// ---------------------------------------------------------------------------
// Polylines into lines

TEST(HelpersExplode, OneLinePerSegmentChordsForBulges) {
  // Closed, a bulged second segment and a repeated point before the close.
  _2dPolyline bar({{0, 0, 5}, {1000, 0, 5}, {1000, 1000, 5}, {1000, 1000, 5}}, true);
  bar.SetBulgeAt(1, 1.0);
  bar.SetLayer("REIN");
  bar.SetColorIndex(2);

  std::vector<_3dLine> lines = ExplodePolyline(bar);
  ASSERT_EQ(lines.size(), 4u);  // segment i belongs to vertex i, closing one included
  EXPECT_EQ(lines[1].GetStartPoint(), _3dPoint(1000, 0, 5));
  EXPECT_EQ(lines[1].GetEndPoint(), _3dPoint(1000, 1000, 5));  // the chord of the arc
  EXPECT_EQ(lines[2].GetLength(), 0.0);
  EXPECT_EQ(lines[3].GetEndPoint(), _3dPoint(0, 0, 5));
  EXPECT_EQ(lines[3].GetLayer(), "REIN");
  EXPECT_EQ(lines[3].GetColorIndex(), 2);

  std::vector<_2dLine> plan = ExplodePolylineTo2d(bar);
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan[3], _2dLine({1000, 1000}, {0, 0}));

  std::vector<_3dLine> runs = ExplodeReinPolyline(bar);
  ASSERT_EQ(runs.size(), 3u);  // the repeated point gives no run
  EXPECT_EQ(runs[2].GetStartPoint(), _3dPoint(1000, 1000, 5));

  bar.SetClosed(false);
  EXPECT_EQ(ExplodePolyline(bar).size(), 3u);
  EXPECT_TRUE(ExplodePolyline(_2dPolyline({{1, 2, 3}})).empty());
  EXPECT_TRUE(ExplodePolyline(_2dPolyline()).empty());
}

// ---------------------------------------------------------------------------
// Single lines

TEST(HelpersOrientLine, RunsTowardsIncreasingXThenY) {
  struct Case {
    _2dLine in;
    _2dPoint start;
  };
  const Case cases[] = {
      {_2dLine({10, 5}, {0, 0}), {0, 0}},
      {_2dLine({0, 0}, {10, -5}), {0, 0}},
      {_2dLine({3, 10}, {3, 0}), {3, 0}},             // vertical: upwards
      {_2dLine({3.00005, 10}, {3, 0}), {3, 0}},       // vertical within the tolerance
      {_2dLine({3, 10}, {3.00005, 0}), {3.00005, 0}},  // leaning right, still upwards
      {_2dLine({3.001, 10}, {3, 0}), {3, 0}},         // steep, not vertical: by x
      {_2dLine({3, 10}, {3.001, 0}), {3, 10}},
  };
  for (const Case& c : cases) {
    _2dLine out = OrientLine(c.in);
    EXPECT_EQ(out.GetStartPoint(), c.start) << c.in.GetStartPoint().x << "," << c.in.GetStartPoint().y;
    EXPECT_EQ(out, c.in);  // the same line
  }
  // The two faces of a wall section, drawn in opposite directions, come out
  // alike: the midpoints of their starts and ends lie on the wall axis.
  _2dLine a = OrientLine(_2dLine({0, 0}, {-3000, 4000}));
  _2dLine b = OrientLine(_2dLine({-3240, 4180}, {-240, 180}));
  EXPECT_GT(a.GetDirection().Dot(b.GetDirection()), 0.0);
}

TEST(HelpersFilterLines, KeepsEachDrawnLineOnce) {
  auto make = [](double x0, double y0, double x1, double y1) {
    return LinePtr(new _2dLine({x0, y0}, {x1, y1}));
  };
  LinePtr shortOnLong = make(1000, 0, 2000, 0);   // lies on `along`, given first
  LinePtr along = make(0, 0, 6000, 0);
  LinePtr reversed = make(6000, 0, 0, 0);          // equal to `along`: the first stays
  LinePtr partly = make(5000, 0.00005, 8000, 0);   // overlaps only in part
  LinePtr apart = make(0, 100, 6000, 100);         // parallel, not on it
  LinePtr dot = make(7, 7, 7, 7);
  LinePtr across = make(3000, -10, 3000, 10);
  std::vector<LinePtr> lines = {shortOnLong, along, reversed, LinePtr(), partly, apart, dot, across};

  std::vector<LinePtr> kept = FilterLines(lines);
  const std::vector<LinePtr> expected = {along, partly, apart, across};
  EXPECT_EQ(kept, expected);  // the same objects, in their order
  EXPECT_TRUE(FilterLines({}).empty());
}

// ---------------------------------------------------------------------------
// Transforms

TEST(HelpersTransforms, ScaleTurnAndMoveInThatOrder) {
  _2dLine l({100, 0}, {100, 50});
  LineScaleMoveFunctor(0.5, _3dVector(10, 20, 99))(l);
  EXPECT_EQ(l, _2dLine({60, 20}, {60, 45}));

  LineScaleMoveFunctor turn(2.0, _3dVector(1, 1, 0), g_Pi / 2);
  EXPECT_EQ(turn.Map({100, 0}), _2dPoint(1, 201));

  boost::shared_ptr<_2dLine> sp(new _2dLine({1, 2}, {3, 4}));
  EntityList entities = {sp, EntityPtr()};
  std::for_each(entities.begin(), entities.end(), EntityScaleMoveFunctor(10.0, _3dVector(-5, 5, 0)));
  EXPECT_EQ(*sp, _2dLine({5, 25}, {25, 45}));

  std::vector<_2dPoint> pts = {{0, 0}, {1, 1}};
  std::for_each(pts.begin(), pts.end(), TranslateFunctor(_2dVector(3, -3)));
  EXPECT_EQ(pts[1], _2dPoint(4, -2));
  _3dPoint p(1, 1, 1);
  TranslateFunctor(_2dVector(1, 1))(p);  // a plan vector leaves z
  EXPECT_EQ(p, _3dPoint(2, 2, 1));
}

TEST(HelpersFrames, PointsIntoAFrameAndLinesBack) {
  // A wall frame with axes of any length: x along the wall, y up.
  const _3dPoint origin(1000, 2000, 0);
  const _3dVector xAxis(0, 4000, 0), yAxis(0, 0, 7);
  FramePointFunctor toLocal(origin, xAxis, yAxis);
  EXPECT_EQ(toLocal.Map({1000, 2300, 400}), _3dPoint(300, 400, 0));
  EXPECT_EQ(toLocal.Map({1500, 2000, 0}), _3dPoint(0, 0, 500));  // normal = x × y = +x

  _2dPolyline bar({{1000, 2100, 50}, {1000, 2900, 50}});
  toLocal(bar);
  EXPECT_EQ(bar.GetVertexAt(1), _3dPoint(900, 50, 0));

  // A box edge built in the frame, mapped back to world by default.
  _3dLine edge({300, 400, 0}, {300, 400, 500});
  FrameLineFunctor(origin, xAxis, yAxis)(edge);
  EXPECT_EQ(edge, _3dLine({1000, 2300, 400}, {1500, 2300, 400}));
  FrameLineFunctor(origin, xAxis, yAxis, FrameDirection::kWorldToLocal)(edge);
  EXPECT_EQ(edge, _3dLine({300, 400, 0}, {300, 400, 500}));
}

// ---------------------------------------------------------------------------
// Predicates and orders

TEST(HelpersPredicates, SidesOfADirectedLine) {
  const _2dLine cut({100, 0}, {100, 50});  // upward: left is smaller x
  struct Case {
    _2dPoint p;
    bool left, right;
  };
  const Case cases[] = {
      {{99, 1000}, true, false},      {{101, -1000}, false, true},
      {{100, 25}, false, false},      {{100.00009, 80}, false, false},  // on the line, past its end
      {{99.9998, 0}, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LeftOfLinePredicate(cut)(c.p), c.left) << c.p.x;
    EXPECT_EQ(RightOfLinePredicate(cut)(c.p), c.right) << c.p.x;
    EXPECT_EQ(PointLinePredicate(cut)(c.p), c.right) << c.p.x;
    EXPECT_EQ(LeftOfLinePredicate(cut)(_3dPoint(c.p, 55)), c.left);
  }
  const _2dLine none({5, 5}, {5, 5});
  EXPECT_FALSE(LeftOfLinePredicate(none)(_2dPoint(0, 0)));
  EXPECT_FALSE(RightOfLinePredicate(none)(_2dPoint(10, 0)));
}

TEST(HelpersPredicates, LinesOfABoardSection) {
  const _2dLine face({0, 0}, {1000, 0});
  struct Case {
    _2dLine line;
    bool select, pair;
  };
  const Case cases[] = {
      {_2dLine({0, 0}, {1000, 0}), true, true},
      {_2dLine({3000, 0.00005}, {2000, 0}), true, true},  // same carrier, reversed, apart
      {_2dLine({0, 300}, {1000, 300}), true, false},      // the opposite face
      {_2dLine({0, 0}, {0, 300}), false, false},          // an end line
      {_2dLine({0, 0}, {1000, 1}), false, false},         // not quite parallel
      {_2dLine({500, 0}, {500, 0}), false, false},        // no length
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineSelectPredicate(face)(c.line), c.select) << c.line.GetEndPoint().x;
    EXPECT_EQ(LinePairPredicate(face)(c.line), c.pair) << c.line.GetEndPoint().x;
  }
  EXPECT_FALSE(LineSelectPredicate(face)(LinePtr()));
}

TEST(HelpersPredicates, FindingLinesByEndsAndEquality) {
  std::vector<LinePtr> lines = {LinePtr(), LinePtr(new _2dLine({0, 0}, {10, 0})),
                                LinePtr(new _2dLine({10, 0}, {10, 10}))};
  auto it = std::find_if(lines.begin(), lines.end(), EndPointPredicate({10.00005, 0}));
  EXPECT_EQ(it - lines.begin(), 1);
  it = std::find_if(lines.begin(), lines.end(), EndPointPredicate({10, 10.0002}));
  EXPECT_EQ(it, lines.end());
  it = std::find_if(lines.begin(), lines.end(), SameLinePredicate(_2dLine({10, 10}, {10, 0})));
  EXPECT_EQ(it - lines.begin(), 2);

  const _3dPoint planePoint(0, 0, 100);
  const _3dVector normal(0, 0, 5);
  EXPECT_TRUE(PlaneLinePredicate(planePoint, normal)(_3dLine({0, 0, 0}, {0, 0, 200})));    // crosses
  EXPECT_TRUE(PlaneLinePredicate(planePoint, normal)(_3dLine({0, 0, 100}, {9, 9, 300})));  // touches
  EXPECT_FALSE(PlaneLinePredicate(planePoint, normal)(_3dLine({0, 0, 101}, {9, 9, 300})));
  EXPECT_FALSE(PlaneLinePredicate(planePoint, _3dVector())(_3dLine({0, 0, 0}, {0, 0, 200})));
}

TEST(HelpersLessLine, OrdersLinesWhateverTheirDirection) {
  std::vector<LinePtr> lines = {
      LinePtr(new _2dLine({5, 5}, {0, 5})), LinePtr(new _2dLine({0, 0}, {0, 9})),
      LinePtr(),                            LinePtr(new _2dLine({0, 5}, {5, 5})),
      LinePtr(new _2dLine({0, 9}, {0, 1}))};
  std::stable_sort(lines.begin(), lines.end(), LessLine());
  EXPECT_FALSE(lines[0]);
  EXPECT_EQ(*lines[1], _2dLine({0, 0}, {0, 9}));
  EXPECT_EQ(*lines[2], _2dLine({0, 9}, {0, 1}));
  // A line and its reverse are equivalent: the sort keeps them as listed.
  EXPECT_EQ(lines[3]->GetStartPoint(), _2dPoint(5, 5));
  EXPECT_EQ(lines[4]->GetStartPoint(), _2dPoint(0, 5));
  EXPECT_FALSE(LessLine()(*lines[3], *lines[4]));
  EXPECT_FALSE(LessLine()(*lines[4], *lines[3]));
}

TEST(HelpersTo2dLine, PlanLineKeepsProperties) {
  _3dLine l({1, 2, 3}, {4, 5, 6});
  l.SetLayer("AXIS");
  l.SetLinetype("DASHED");
  _2dLine p = To2dLine(l);
  EXPECT_EQ(p, _2dLine({1, 2}, {4, 5}));
  EXPECT_EQ(p.GetLayer(), "AXIS");
  EXPECT_EQ(p.GetLinetype(), "DASHED");
}

}  // namespace
