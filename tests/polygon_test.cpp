// Loops and regions of plan lines (g_PolygonAlgorithm): the loops the model
// builders get from wall base lines, slab edges and board sides.  Every loop
// any search returns is checked to be closed and counter-clockwise.
#include "platform/Morlak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<_2dLine>;

double SignedArea(const PointLoop& loop) {
  double a = 0.0;
  for (std::size_t i = 0; i + 1 < loop.size(); ++i) {
    a += loop[i].x * loop[i + 1].y - loop[i + 1].x * loop[i].y;
  }
  return a / 2.0;
}

std::string Describe(const PointLoop& loop) {
  std::string s;
  for (const _2dPoint& p : loop) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") ";
  return s;
}

// The convention every caller relies on.
void ExpectWellFormed(const PointLoops& loops) {
  for (const PointLoop& loop : loops) {
    ASSERT_GE(loop.size(), 4u) << Describe(loop);
    EXPECT_EQ(loop.front().x, loop.back().x) << "not closed: " << Describe(loop);
    EXPECT_EQ(loop.front().y, loop.back().y) << "not closed: " << Describe(loop);
    EXPECT_GT(SignedArea(loop), 0.0) << "not counter-clockwise: " << Describe(loop);
  }
}

PointLoops Regions(const Lines& lines) {
  PointLoops r = g_PolygonAlgorithm.FindRegions(lines);
  ExpectWellFormed(r);
  return r;
}

PointLoops Loops(const Lines& lines) {
  PointLoops r = g_PolygonAlgorithm.BuildLoops(lines);
  ExpectWellFormed(r);
  return r;
}

PointLoop Closed(std::vector<_2dPoint> pts) {
  pts.push_back(pts.front());
  return pts;
}

void ExpectLoop(const PointLoop& actual, const PointLoop& expected) {
  ASSERT_EQ(actual.size(), expected.size()) << Describe(actual);
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_TRUE(actual[i] == expected[i]) << "point " << i << " of " << Describe(actual);
  }
}

// The four sides of a rectangle, counter-clockwise from (x0, y0).
Lines Rect(double x0, double y0, double x1, double y1) {
  return {_2dLine({x0, y0}, {x1, y0}), _2dLine({x1, y0}, {x1, y1}), _2dLine({x1, y1}, {x0, y1}),
          _2dLine({x0, y1}, {x0, y0})};
}

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Wall lines of an nx × ny grid of cells, each wall line drawn whole.
Lines GridLines(int nx, int ny, double w, double h) {
  Lines lines;
  for (int j = 0; j <= ny; ++j) lines.emplace_back(_2dPoint(0, j * h), _2dPoint(nx * w, j * h));
  for (int i = 0; i <= nx; ++i) lines.emplace_back(_2dPoint(i * w, 0), _2dPoint(i * w, ny * h));
  return lines;
}

// True when the side a-b is one of the lines (either direction).
bool IsInputLine(const _2dPoint& a, const _2dPoint& b, const Lines& lines) {
  return std::any_of(lines.begin(), lines.end(), [&](const _2dLine& l) {
    return l == _2dLine(a, b);
  });
}

// ---------------------------------------------------------------------------
// Grids of wall lines

TEST(PolygonRegions, TwoByOneGridGivesTwoCellsLeftFirst) {
  Lines grid = GridLines(2, 1, 4000, 3000);
  PointLoops regions = Regions(grid);
  ASSERT_EQ(regions.size(), 2u);
  ExpectLoop(regions[0], Closed({{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}}));
  ExpectLoop(regions[1], Closed({{4000, 0}, {8000, 0}, {8000, 3000}, {4000, 3000}}));
}

TEST(PolygonRegions, GridGivesOneRegionPerCellRowByRow) {
  PointLoops regions = Regions(GridLines(3, 2, 1000, 2000));
  ASSERT_EQ(regions.size(), 6u);
  for (std::size_t k = 0; k < regions.size(); ++k) {
    double x = 1000.0 * static_cast<double>(k % 3), y = 2000.0 * static_cast<double>(k / 3);
    ExpectLoop(regions[k], Closed({{x, y}, {x + 1000, y}, {x + 1000, y + 2000}, {x, y + 2000}}));
  }
}

TEST(PolygonLoops, TwoByOneGridGivesOneOuterLoop) {
  // Wall lines drawn whole: the outer loop has no point where the middle wall
  // meets the long walls, so each side is one wall's base line.
  Lines grid = GridLines(2, 1, 4000, 3000);
  PointLoops loops = Loops(grid);
  ASSERT_EQ(loops.size(), 1u);
  ExpectLoop(loops[0], Closed({{0, 0}, {8000, 0}, {8000, 3000}, {0, 3000}}));
  for (std::size_t i = 0; i + 1 < loops[0].size(); ++i) {
    EXPECT_TRUE(IsInputLine(loops[0][i], loops[0][i + 1], grid)) << i;
  }

  // The same grid drawn cell side by cell side: the walls meet end to end at
  // the middle wall, and the loop keeps that point.
  Lines cells = Join({Rect(0, 0, 4000, 3000), {_2dLine({4000, 0}, {8000, 0}),
                      _2dLine({8000, 0}, {8000, 3000}), _2dLine({8000, 3000}, {4000, 3000})}});
  loops = Loops(cells);
  ASSERT_EQ(loops.size(), 1u);
  ExpectLoop(loops[0], Closed({{0, 0}, {4000, 0}, {8000, 0}, {8000, 3000}, {4000, 3000}, {0, 3000}}));
}

TEST(PolygonLoops, TankRectangleInAnyDirection) {
  // The 10000 × 6000 tank, its walls given clockwise and in scattered
  // directions: the loop still runs counter-clockwise from the lowest corner.
  const PointLoop expected = Closed({{0, 0}, {10000, 0}, {10000, 6000}, {0, 6000}});
  Lines ccw = Rect(0, 0, 10000, 6000);
  Lines cw;
  for (auto it = ccw.rbegin(); it != ccw.rend(); ++it) cw.push_back(it->Reversed());
  Lines mixed = {ccw[2], ccw[0].Reversed(), ccw[3], ccw[1].Reversed()};
  for (const Lines& lines : {ccw, cw, mixed}) {
    PointLoops loops = Loops(lines);
    ASSERT_EQ(loops.size(), 1u);
    ExpectLoop(loops[0], expected);
    PointLoops regions = Regions(lines);
    ASSERT_EQ(regions.size(), 1u);
    ExpectLoop(regions[0], expected);
  }
}

// ---------------------------------------------------------------------------
// Slabs and boards sharing sides

TEST(PolygonLoops, AdjoiningSlabsWithTheCommonEdgeOnceGiveTheOuterBoundary) {
  // Two bottom slabs side by side; their edges without repeats, so the common
  // edge comes once.  Every side of the loop must still be one slab edge, also
  // after NormalizeLoop, so that the overhang marks find their edges.
  Lines edges = Join({Rect(0, 0, 5000, 6000), {_2dLine({5000, 0}, {10000, 0}),
                      _2dLine({10000, 0}, {10000, 6000}), _2dLine({10000, 6000}, {5000, 6000})}});
  PointLoops loops = Loops(edges);
  ASSERT_EQ(loops.size(), 1u);
  const PointLoop expected =
      Closed({{0, 0}, {5000, 0}, {10000, 0}, {10000, 6000}, {5000, 6000}, {0, 6000}});
  ExpectLoop(loops[0], expected);
  PointLoop normalized = g_PolygonAlgorithm.NormalizeLoop(loops[0]);
  ExpectLoop(normalized, expected);
  for (std::size_t i = 0; i + 1 < normalized.size(); ++i) {
    EXPECT_TRUE(IsInputLine(normalized[i], normalized[i + 1], edges)) << i;
  }
}

TEST(PolygonLoops, SharedSidesGivenTwiceCancel) {
  // A unit of three boards, every board outline given whole: A and B side by
  // side under C, which spans both; C's lower side overlaps the upper sides of
  // A and B.  Exactly one loop, the outline of the unit.
  Lines a = Rect(0, 0, 3000, 2000), b = Rect(3000, 0, 6000, 2000), c = Rect(0, 2000, 6000, 3000);
  PointLoops loops = Loops(Join({a, b, c}));
  ASSERT_EQ(loops.size(), 1u);
  ExpectLoop(loops[0], Closed({{0, 0}, {3000, 0}, {6000, 0}, {6000, 2000}, {6000, 3000},
                               {0, 3000}, {0, 2000}}));
  EXPECT_DOUBLE_EQ(SignedArea(loops[0]), 6000.0 * 3000.0);

  // A shared side given twice in the same direction cancels as well.
  Lines bSameWay = b;
  bSameWay[3] = bSameWay[3].Reversed();
  loops = Loops(Join({a, bSameWay}));
  ASSERT_EQ(loops.size(), 1u);
  EXPECT_DOUBLE_EQ(SignedArea(loops[0]), 6000.0 * 2000.0);
}

TEST(PolygonLoops, SeparateAndTouchingGroups) {
  struct Case {
    const char* name;
    Lines lines;
    std::vector<double> areas;  // of the loops, in result order
  };
  const Case cases[] = {
      {"no lines", {}, {}},
      {"an open chain", {_2dLine({0, 0}, {10, 0}), _2dLine({10, 0}, {10, 10})}, {}},
      {"one outline given twice cancels whole", Join({Rect(0, 0, 10, 10), Rect(0, 0, 10, 10)}), {}},
      {"two apart, the lower one first", Join({Rect(0, 10, 10, 20), Rect(20, 0, 40, 10)}),
       {200, 100}},
      {"corner to corner: one loop per part", Join({Rect(0, 0, 10, 10), Rect(10, 10, 30, 20)}),
       {100, 200}},
      {"an opening's rim inside a slab", Join({Rect(0, 0, 100, 100), Rect(40, 40, 60, 60)}),
       {10000, 400}},
      {"two outlines joined by a line", Join({Rect(0, 0, 10, 10), Rect(20, 0, 30, 10),
                                               {_2dLine({10, 5}, {20, 5})}}),
       {100, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointLoops loops = Loops(c.lines);
    ASSERT_EQ(loops.size(), c.areas.size());
    for (std::size_t i = 0; i < loops.size(); ++i) EXPECT_NEAR(SignedArea(loops[i]), c.areas[i], 1e-9);
  }
}

// ---------------------------------------------------------------------------
// Noding: crossings, T-junctions, dangling lines, tolerance

TEST(PolygonRegions, CrossingLinesAreSplitWhereTheyCross) {
  // A # of four lines: only its middle cell is closed; the arms dangle.
  Lines hash = {_2dLine({0, 1000}, {3000, 1000}), _2dLine({0, 2000}, {3000, 2000}),
                _2dLine({1000, 0}, {1000, 3000}), _2dLine({2000, 3000}, {2000, 0})};
  PointLoops regions = Regions(hash);
  ASSERT_EQ(regions.size(), 1u);
  ExpectLoop(regions[0], Closed({{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 2000}}));
  PointLoops loops = Loops(hash);
  ASSERT_EQ(loops.size(), 1u);
  ExpectLoop(loops[0], regions[0]);

  // The # laid over a frame that its arms cross: nine cells, the stubs
  // outside the frame dangle.
  Lines framed = Join({hash, Rect(500, 500, 2500, 2500)});
  regions = Regions(framed);
  ASSERT_EQ(regions.size(), 9u);
  EXPECT_TRUE(regions[0][0] == _2dPoint(500, 500));
  EXPECT_TRUE(regions[4][0] == _2dPoint(1000, 1000));
  EXPECT_TRUE(regions[8][0] == _2dPoint(2000, 2000));
  double total = 0;
  for (const PointLoop& r : regions) total += SignedArea(r);
  EXPECT_NEAR(total, 2000.0 * 2000.0, 1e-6);
  loops = Loops(framed);
  ASSERT_EQ(loops.size(), 1u);
  EXPECT_NEAR(SignedArea(loops[0]), 2000.0 * 2000.0, 1e-6);
}

TEST(PolygonRegions, TJunctionsWithinTheToleranceSplitTheWall) {
  struct Case {
    const char* name;
    _2dLine partition;
    std::size_t regions;
  };
  const Case cases[] = {
      {"ends on both walls", _2dLine({3000, 0}, {3000, 4000}), 2},
      {"ends 0.00005 short and 0.00005 through", _2dLine({3000, 0.00005}, {3000, 4000.00005}), 2},
      {"ends 0.00005 off to the side", _2dLine({3000.00005, 0}, {2999.99995, 4000}), 2},
      {"ends 0.01 short of one wall", _2dLine({3000, 0.01}, {3000, 4000}), 1},
      {"runs past both walls", _2dLine({3000, -500}, {3000, 4500}), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointLoops regions = Regions(Join({Rect(0, 0, 8000, 4000), {c.partition}}));
    ASSERT_EQ(regions.size(), c.regions);
    if (c.regions == 2) {
      EXPECT_NEAR(SignedArea(regions[0]), 3000.0 * 4000.0, 1.0);
      EXPECT_NEAR(SignedArea(regions[1]), 5000.0 * 4000.0, 1.0);
    }
    PointLoops loops = Loops(Join({Rect(0, 0, 8000, 4000), {c.partition}}));
    ASSERT_EQ(loops.size(), 1u);
    ExpectLoop(loops[0], Closed({{0, 0}, {8000, 0}, {8000, 4000}, {0, 4000}}));
  }
}

TEST(PolygonRegions, DanglingLinesNeitherFormNorBreakRegions) {
  const PointLoop room = Closed({{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}});
  Lines lines = Join({Rect(0, 0, 6000, 4000),
                      {_2dLine({0, 0}, {1000, 1000}),          // stub inside from a corner
                       _2dLine({3000, 4000}, {3000, 3000}),    // stub inside from a wall
                       _2dLine({3000, 3000}, {2500, 2500}),    // ... continued: a chain
                       _2dLine({3000, 3000}, {3500, 2500}),    // ... and a fork: a tree
                       _2dLine({6000, 2000}, {7000, 2000}),    // stub outside
                       _2dLine({8000, 0}, {9000, 1000}),       // a line on its own
                       _2dLine({5000, 5000}, {5000, 5000})}});  // a line without length
  PointLoops regions = Regions(lines);
  ASSERT_EQ(regions.size(), 1u);
  ExpectLoop(regions[0], room);
  PointLoops loops = Loops(lines);
  ASSERT_EQ(loops.size(), 1u);
  ExpectLoop(loops[0], room);
}

TEST(PolygonRegions, NearlyEqualEndPointsSnapToTheFirstGiven) {
  // Corners drawn a little apart (within 1e-4 per coordinate) still close the
  // room; the loop takes the points where the lines are first given.
  Lines nearly = {_2dLine({0, 0}, {6000, 0}), _2dLine({6000.00008, -0.00006}, {6000, 4000}),
                  _2dLine({5999.99991, 4000.00009}, {0, 4000}),
                  _2dLine({0.00009, 4000}, {-0.00007, 0.00005})};
  PointLoops regions = Regions(nearly);
  ASSERT_EQ(regions.size(), 1u);
  const PointLoop& r = regions[0];
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0].x, 0.0);
  EXPECT_EQ(r[0].y, 0.0);
  EXPECT_EQ(r[1].x, 6000.0);
  EXPECT_EQ(r[2].y, 4000.0);

  // A gap of 0.001 leaves the room open.
  Lines open = nearly;
  open[1].SetStartPoint({6000.001, 0});
  EXPECT_TRUE(Regions(open).empty());
  EXPECT_TRUE(Loops(open).empty());
}

TEST(PolygonRegions, OrderAndResultIgnoreLineOrderAndDirection) {
  // A 3 × 2 grid drawn cell side by cell side, with shared sides given twice.
  Lines lines;
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) {
      Lines cell = Rect(i * 1000.0, j * 1500.0, (i + 1) * 1000.0, (j + 1) * 1500.0);
      lines.insert(lines.end(), cell.begin(), cell.end());
    }
  }
  const PointLoops regions = Regions(lines);
  const PointLoops loops = Loops(lines);
  ASSERT_EQ(regions.size(), 6u);
  ASSERT_EQ(loops.size(), 1u);
  EXPECT_NEAR(SignedArea(loops[0]), 3000.0 * 3000.0, 1e-6);

  std::mt19937 rng(12345);
  for (int round = 0; round < 5; ++round) {
    Lines shuffled = lines;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    for (_2dLine& l : shuffled) {
      if (rng() % 2) l = l.Reversed();
    }
    PointLoops r = Regions(shuffled);
    ASSERT_EQ(r.size(), regions.size());
    for (std::size_t k = 0; k < r.size(); ++k) ExpectLoop(r[k], regions[k]);
    PointLoops l = Loops(shuffled);
    ASSERT_EQ(l.size(), 1u);
    ExpectLoop(l[0], loops[0]);
  }
}

TEST(PolygonRegions, TangledLinesStillGiveWellFormedLoops) {
  // Lines on a coarse lattice: many overlaps, crossings, T-junctions, shared
  // ends and dangling pieces at once.  Whatever comes back must keep the loop
  // convention and not depend on the order or direction of the lines.
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    auto coord = [&] { return 100.0 * static_cast<double>(rng() % 11); };
    Lines lines;
    for (int i = 0; i < 40; ++i) lines.emplace_back(_2dPoint(coord(), coord()), _2dPoint(coord(), coord()));
    PointLoops regions = Regions(lines);
    PointLoops loops = Loops(lines);
    EXPECT_FALSE(regions.empty());

    Lines shuffled = lines;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    for (_2dLine& l : shuffled) l = l.Reversed();
    PointLoops r2 = Regions(shuffled);
    ASSERT_EQ(r2.size(), regions.size());
    for (std::size_t k = 0; k < r2.size(); ++k) ExpectLoop(r2[k], regions[k]);
    PointLoops l2 = Loops(shuffled);
    ASSERT_EQ(l2.size(), loops.size());
    for (std::size_t k = 0; k < l2.size(); ++k) ExpectLoop(l2[k], loops[k]);

    // The loop around a corner of a region is no larger than that region.
    for (std::size_t k = 0; k < regions.size(); k += regions.size() / 8 + 1) {
      const PointLoop& r = regions[k];
      PointLoop around;
      _2dPoint inside = r[0];
      ASSERT_TRUE(g_PolygonAlgorithm.FindLoopAroundPoint(inside, lines, around));
      ExpectWellFormed({around});
      EXPECT_LE(SignedArea(around), SignedArea(r) + 1e-6);
    }
  }
}

TEST(PolygonRegions, BadInputGivesNoRegions) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Lines lines = Join({Rect(0, 0, 10, 10), {_2dLine({nan, 0}, {5, 5}), _2dLine({0, inf}, {5, 5}),
                                           _2dLine({1e300, 0}, {-1e300, 0}),
                                           _2dLine({0, 0}, {g_MaxValue, g_MaxValue})}});
  PointLoops regions = Regions(lines);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_NEAR(SignedArea(regions[0]), 100.0, 1e-9);
  EXPECT_TRUE(Regions({}).empty());
  EXPECT_TRUE(Loops(lines).size() == 1u);
}

// ---------------------------------------------------------------------------
// The loop around a point

TEST(PolygonLoopAroundPoint, SmallestRegionContainingThePoint) {
  // A 3000 and a 5000 wide room, and a slab with an opening whose rim does not
  // touch it (nested regions).
  Lines lines = Join({Rect(0, 0, 8000, 4000), {_2dLine({3000, 0}, {3000, 4000})},
                      Rect(20000, 0, 30000, 10000), Rect(24000, 4000, 26000, 6000)});
  const PointLoop left = Closed({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}});
  const PointLoop right = Closed({{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}});
  const PointLoop slab = Closed({{20000, 0}, {30000, 0}, {30000, 10000}, {20000, 10000}});
  const PointLoop opening = Closed({{24000, 4000}, {26000, 4000}, {26000, 6000}, {24000, 6000}});
  struct Case {
    _2dPoint p;
    const PointLoop* expected;
  };
  const Case cases[] = {
      {{1000, 1000}, &left},       {{5000, 3999}, &right},
      {{3000, 2000}, &left},       // on the common wall: the smaller room
      {{8000, 2000}, &right},      // on an outer wall
      {{25000, 5000}, &opening},   {{21000, 1000}, &slab},
      {{9000, 2000}, nullptr},     {{-1, -1}, nullptr},
      {{std::numeric_limits<double>::quiet_NaN(), 0}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.p.x) + "," + std::to_string(c.p.y));
    PointLoop loop = {{7, 7}};
    bool found = g_PolygonAlgorithm.FindLoopAroundPoint(c.p, lines, loop);
    ASSERT_EQ(found, c.expected != nullptr);
    if (found) {
      ExpectWellFormed({loop});
      ExpectLoop(loop, *c.expected);
    } else {
      ASSERT_EQ(loop.size(), 1u);  // left as it was
    }
  }
}

// ---------------------------------------------------------------------------
// NormalizeLoop

TEST(PolygonNormalizeLoop, CleansWithoutMovingSidesOffTheirLines) {
  struct Case {
    const char* name;
    PointLoop in;
    PointLoop out;
  };
  const Case cases[] = {
      {"closed ccw loop unchanged", Closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}}),
       Closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
      {"closing repeat added", {{0, 0}, {10, 0}, {10, 10}, {0, 10}},
       Closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
      {"repeated points dropped",
       {{0, 0}, {10, 0}, {10.00005, 0}, {10, 10}, {10, 10}, {0, 10}, {0, 0}, {0, 0.00001}},
       Closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
      {"clockwise reversed from the same start", Closed({{0, 0}, {0, 10}, {10, 10}, {10, 0}}),
       Closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
      {"collinear sides kept", Closed({{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}}),
       Closed({{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}})},
      {"spike dropped", Closed({{0, 0}, {10, 0}, {10, 5}, {15, 5}, {10, 5}, {10, 10}, {0, 10}}),
       Closed({{0, 0}, {10, 0}, {10, 5}, {10, 10}, {0, 10}})},
      {"two points are no loop", {{0, 0}, {10, 0}, {0, 0}}, {}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointLoop out = g_PolygonAlgorithm.NormalizeLoop(c.in);
    ExpectLoop(out, c.out);
    if (!out.empty()) ExpectWellFormed({out});
  }
}

TEST(PolygonNormalizeLoop, MergesCollinearSidesOnlyAlongOneGivenLine) {
  const PointLoop loop = Closed({{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}});
  // One slab edge from 0 to 10: the split point goes.
  Lines one = {_2dLine({0, 0}, {10, 0})};
  ExpectLoop(g_PolygonAlgorithm.NormalizeLoop(loop, one), Closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
  // Two slab edges meeting at 5: both sides stay.
  Lines two = {_2dLine({0, 0}, {5, 0}), _2dLine({10, 0}, {5, 0})};
  ExpectLoop(g_PolygonAlgorithm.NormalizeLoop(loop, two), loop);
  // A split point at the caller's first point goes too; the loop restarts at
  // the next point.
  PointLoop shifted = Closed({{5, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  ExpectLoop(g_PolygonAlgorithm.NormalizeLoop(shifted, one), Closed({{10, 0}, {10, 10}, {0, 10}, {0, 0}}));
}

}  // namespace
