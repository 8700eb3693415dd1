// Drawn bars of the reinforcement drawings: the line bar with its hooks and
// labels, the dot rows with their two label layouts, the label text and
// bubble, the shared orderings and queries, the geometry and text routines,
// and their registration with a view (parts and kinds, range dimensions, the
// order and grouping of zones by their drawn bars).
//
// Sizes are those of the default drawing standard, u = 100: hook radius 100
// (chord 200), semicircle tail 250, bent tail 300, label height 300 with
// characters 210 wide, bubble 600, dot 120, bar width 50.
#include "drawing/DimensionChain.h"
#include "view/DotReinEntity.h"
#include "view/DrawingRoutines.h"
#include "view/LineReinEntity.h"
#include "view/ReinLabel.h"
#include "view/TankView.h"
#include "view/ZoneBarOrder.h"
#include "views/DrawingViews.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstdlib>
#include <tuple>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr double kTol = 1e-6;

_2dPolyline Line2(double x0, double y0, double x1, double y1) {
  return _2dPolyline(std::vector<_3dPoint>{{x0, y0, 0}, {x1, y1, 0}});
}

void ExpectVertices(const _2dPolyline& line, const std::vector<_2dPoint>& expected) {
  ASSERT_EQ(line.VerNums(), static_cast<int>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(line.GetVertexAt(static_cast<int>(i)).x, expected[i].x, kTol) << "vertex " << i;
    EXPECT_NEAR(line.GetVertexAt(static_cast<int>(i)).y, expected[i].y, kTol) << "vertex " << i;
  }
}

void ExpectPoint(const _2dPoint& p, double x, double y) {
  EXPECT_NEAR(p.x, x, kTol);
  EXPECT_NEAR(p.y, y, kTol);
}

// Signed side of p against the directed line: > 0 left, < 0 right.
double SideOf(const _2dLine& line, const _2dPoint& p) {
  return line.GetDirection().Cross(p - line.GetStartPoint());
}

_2dPoint TextCentre(const boost::shared_ptr<_Text>& t) { return _2dPoint(t->GetPosition()); }

// ---------------------------------------------------------------------------
// The line bar

TEST(LineReinEntity, HooksOfEachTypeAndSide) {
  const double d = 300.0 * std::sqrt(0.5);
  struct Case {
    int type, start, end;
    std::vector<_2dPoint> vertices;
    std::vector<double> bulges;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, {{0, 0}, {6000, 0}}, {0, 0}},
      {0, 1, 1, {{0, 0}, {6000, 0}}, {0, 0}},
      // Semicircles of chord 200 with tails of 250 running back along the bar.
      {1, 0, 0, {{250, 200}, {0, 200}, {0, 0}, {6000, 0}, {6000, 200}, {5750, 200}}, {0, 1, 0, 1, 0, 0}},
      {1, 1, 1, {{250, -200}, {0, -200}, {0, 0}, {6000, 0}, {6000, -200}, {5750, -200}}, {0, -1, 0, -1, 0, 0}},
      // Tails turned by a right angle: side 0 to +y, side 1 to −y.
      {2, 0, 0, {{0, 300}, {0, 0}, {6000, 0}, {6000, 300}}, {0, 0, 0, 0}},
      {2, 1, 1, {{0, -300}, {0, 0}, {6000, 0}, {6000, -300}}, {0, 0, 0, 0}},
      {2, 0, 1, {{0, 300}, {0, 0}, {6000, 0}, {6000, -300}}, {0, 0, 0, 0}},
      // Tails at 45 degrees leaning back over the bar.
      {3, 0, 0, {{d, d}, {0, 0}, {6000, 0}, {6000 - d, d}}, {0, 0, 0, 0}},
      {3, 1, 1, {{d, -d}, {0, 0}, {6000, 0}, {6000 - d, -d}}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " sides " << c.start << c.end);
    const LineReinEntity bar(c.type, 1, c.start, c.end, Line2(0, 0, 6000, 0));
    const auto line = bar.GetReinLine();
    ExpectVertices(*line, c.vertices);
    for (std::size_t i = 0; i < c.bulges.size(); ++i) EXPECT_DOUBLE_EQ(line->GetBulgeAt(static_cast<int>(i)), c.bulges[i]);
    EXPECT_EQ(line->GetLayer(), GetLayerName(7));
    EXPECT_DOUBLE_EQ(line->GetConstantWidth(), 50.0);
    // Without its hooks the bar is the given straight line again.
    ExpectVertices(bar.GetReinLineWithoutHook(), {{0, 0}, {6000, 0}});
  }
  // The semicircles loop outwards, beyond the bar's ends.
  const Extents box = LineReinEntity(1, 0, 0, 0, Line2(0, 0, 6000, 0)).GetReinLine()->GetExtents();
  EXPECT_NEAR(box.minX, -100.0 - 25.0, 1e-6);
  EXPECT_NEAR(box.maxX, 6100.0 + 25.0, 1e-6);
}

// A semicircular hook across a board thinner than the hook on the drawing
// is drawn no wider than the room to the far face less the bar line's
// width (50), its tail in proportion, at two fifths of the standard's size
// (chord 200, tail 250) at the least; the other end keeps its own size.
TEST(LineReinEntity, SemicircularHookFitsTheRoomAcrossItsEnd) {
  const double none = std::numeric_limits<double>::infinity();
  struct Case {
    double startRoom, endRoom;
    double startChord, startTail, endChord, endTail;
  };
  const std::vector<Case> cases = {
      {none, none, 200, 250, 200, 250},
      {300, 250, 200, 250, 200, 250},
      {150, none, 100, 125, 200, 250},
      {none, 20, 200, 250, 80, 100},
      {-45, 130, 80, 100, 80, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rooms " << c.startRoom << " " << c.endRoom);
    const LineReinEntity bar(1, 1, 0, 0, Line2(0, 0, 6000, 0), c.startRoom, c.endRoom);
    ExpectVertices(*bar.GetReinLine(), {{c.startTail, c.startChord},
                                        {0, c.startChord},
                                        {0, 0},
                                        {6000, 0},
                                        {6000, c.endChord},
                                        {6000 - c.endTail, c.endChord}});
  }
}

TEST(LineReinEntity, DefaultBarIsEmptyAndMatchesNoFaceMode) {
  const LineReinEntity empty;
  EXPECT_EQ(empty.GetConstructMode(), -1);
  EXPECT_EQ(empty.GetHookType(), 0);
  EXPECT_EQ(empty.GetStartHookSide(), 0);
  EXPECT_EQ(empty.GetEndHookSide(), 0);
  EXPECT_FALSE(empty.GetReinLine());
  EntityList parts;
  empty.GetEntities(parts);
  EXPECT_TRUE(parts.empty());
  EXPECT_THROW(empty.GetReinLineWithoutHook(), std::logic_error);
  // Re-created by name from a filed design.
  const boost::shared_ptr<VekObject> made(LineReinEntity::CreateObject());
  EXPECT_TRUE(boost::dynamic_pointer_cast<LineReinEntity>(made));
}

TEST(LineReinEntity, CircleGivenAsTwoHalfArcsIsClosed) {
  _2dPolyline circle(std::vector<_3dPoint>{{0, 0}, {100, 0}, {0, 0}, {100, 0}});
  circle.SetBulges({1.0, 1.0, 1.0, 1.0});
  const auto closed = LineReinEntity(0, 3, 0, 0, circle).GetReinLine();
  EXPECT_EQ(closed->VerNums(), 2);
  EXPECT_TRUE(closed->IsClosed());
  circle.SetBulges({0.5, 0.5, 0.5, 0.5});
  EXPECT_EQ(LineReinEntity(0, 3, 0, 0, circle).GetReinLine()->VerNums(), 4);
}

TEST(LineReinEntity, HookRemovalAndTrim) {
  LineReinEntity bar(1, 2, 0, 0, Line2(0, 0, 6000, 0));
  bar.RemoveStartHook();
  bar.RemoveStartHook();  // once only
  EXPECT_EQ(bar.GetReinLine()->VerNums(), 4);
  EXPECT_TRUE(bar.IsStartHookRemoved());

  // Flag false drops what lies right of the cut's start → end.
  LineReinEntity cut(2, 2, 0, 0, Line2(0, 0, 6000, 0));
  cut.AddSegmentLabel(1, "%%13112@150", 0, &g_ViewBoard, true, true);
  cut.TrimByLine(boost::make_shared<_2dLine>(_2dPoint(3000, -1000), _2dPoint(3000, 1000)), false);
  ExpectVertices(*cut.GetReinLine(), {{0, 300}, {0, 0}, {3000, 0}});
  EntityList parts;
  cut.GetEntities(parts);
  EXPECT_EQ(parts.size(), 1u);  // the label must be drawn anew

  LineReinEntity gone(0, 2, 0, 0, Line2(0, 0, 6000, 0));
  gone.TrimByLine(boost::make_shared<_2dLine>(_2dPoint(0, 1000), _2dPoint(6000, 1000)), false);
  EXPECT_EQ(gone.GetReinLine()->VerNums(), 0);
}

// The hand-worked label of a near-face HRB335 zone 14@125 drawn from x = 0
// to 6000 at y = 1375: W = 7 × 0.7 × 210 = 1029, G = 100 + 1029 + 600.
TEST(LineReinEntity, SegmentLabelByHand) {
  const double y = 1375.0;
  LineReinEntity bar(2, 1, 1, 1, Line2(0, y, 6000, y));
  ExpectVertices(*bar.GetReinLine(), {{0, y - 300}, {0, y}, {6000, y}, {6000, y - 300}});
  const std::string text = FormatReinText(2, 1, 14, 125, 0);
  EXPECT_EQ(text, "%%13114@125");
  EXPECT_NEAR(g_ViewBoard.MeasureTextWidth(text, 300, 0.7, GetTextStyle(3)), 1029.0, 1e-9);
  bar.AddSegmentLabel(7, text, 0, &g_ViewBoard, true, true);
  boost::shared_ptr<Ordinal> mark;
  boost::shared_ptr<_Text> label;
  bar.GetMark(mark);
  bar.GetLabelText(label);
  ASSERT_TRUE(mark && label);
  EXPECT_EQ(mark->GetNumber(), 7);
  EXPECT_DOUBLE_EQ(mark->GetDiameter(), 600.0);
  ExpectPoint(mark->GetCenter(), 935.5, y + 400);
  ExpectPoint(TextCentre(label), 1850.0, y + 400);
  EXPECT_EQ(label->GetText(), text);
  EXPECT_DOUBLE_EQ(label->GetHeight(), 300.0);
  EXPECT_DOUBLE_EQ(label->GetWidth(), 210.0);
  EXPECT_EQ(label->GetHorizontalAlign(), _Text::kCenter);
  EXPECT_EQ(label->GetVerticalAlign(), _Text::kMiddle);
  EXPECT_EQ(label->GetLayer(), GetLayerName(8));

  // Neither mark nor text: nothing is added.
  LineReinEntity plain(0, 0, 0, 0, Line2(0, 0, 6000, 0));
  plain.AddSegmentLabel(7, text, 0, &g_ViewBoard, false, false);
  EntityList parts;
  plain.GetEntities(parts);
  EXPECT_EQ(parts.size(), 1u);
}

// A leader from a point on the bar in each quadrant, the second leader
// running on or turning back: the text always stands on the side of the
// second leader away from the bar, u + H/2 = 250 from it.
TEST(LineReinEntity, LeaderLabelTextStandsAwayFromTheBar) {
  const _2dPoint start(500, 500);
  for (const _2dVector dir1 : {_2dVector(1, 1), _2dVector(-1, 1), _2dVector(-1, -1), _2dVector(1, -1)}) {
    for (const double turn : {1.0, -1.0}) {
      SCOPED_TRACE(testing::Message() << dir1.x << "," << dir1.y << " turn " << turn);
      LineReinEntity bar(0, 2, 0, 0, Line2(0, 500, 1000, 500));
      const _2dVector dir2(turn * dir1.x, 0);
      bar.AddLeaderLabel(4, "%%13112@150", &g_ViewBoard, start, dir1, 800, dir2, true, true, 1.0);
      boost::shared_ptr<_2dLine> first, second;
      boost::shared_ptr<_Text> text;
      boost::shared_ptr<Ordinal> mark;
      bar.GetFirstLeader(first);
      bar.GetSecondLeader(second);
      bar.GetLabelText(text);
      bar.GetMark(mark);
      ASSERT_TRUE(first && second && text && mark);
      ExpectPoint(bar.GetLeaderStart(), 500, 500);
      EXPECT_NEAR(second->GetLength(), g_ViewBoard.MeasureTextWidth("%%13112@150", 300, 0.7, 2), 1e-9);
      const double textSide = SideOf(*second, TextCentre(text));
      const double barSide = SideOf(*second, start);
      EXPECT_LT(textSide * barSide, 0.0);
      EXPECT_NEAR(std::fabs(textSide) / second->GetLength(), 250.0, 1e-6);
      // The text reads left to right.
      EXPECT_NEAR(text->GetRotation(), 0.0, 1e-12);
    }
  }
}

TEST(LineReinEntity, LeaderLabelWithTwoTextsOnBothSides) {
  LineReinEntity bar(0, 3, 0, 0, Line2(0, 0, 1000, 0));
  bar.DrawLeaderLabel("上", "下", _2dLine(_2dPoint(0, 0), _2dPoint(500, 500)), &g_ViewBoard);
  boost::shared_ptr<_2dLine> second;
  boost::shared_ptr<_Text> a, b;
  bar.GetSecondLeader(second);
  bar.GetLabelText(a);
  bar.GetSecondLabelText(b);
  ASSERT_TRUE(second && a && b);
  EXPECT_GT(SideOf(*second, TextCentre(a)), 0.0);
  EXPECT_LT(SideOf(*second, TextCentre(b)), 0.0);
}

// ---------------------------------------------------------------------------
// Label text and bubble

TEST(ReinLabel, TextForms) {
  struct Case {
    int flags, grade;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{{0, 0, "%%13012"},
                                         {2, 1, "%%13112@150"},
                                         {3, 2, "4%%13212@150"},
                                         {1, 3, "4%%13312"},
                                         {2, 7, "%%18012@150"},
                                         {2, -1, "%%18012@150"}}) {
    EXPECT_EQ(FormatReinText(c.flags, c.grade, 12, 150, 4), c.text) << c.flags << " " << c.grade;
  }
  const DrawingStandard saved = g_ViewBoard.GetDrawingStandard();
  DrawingStandard dash = saved;
  dash.spacingSeparatorStyle = 1;
  g_ViewBoard.SetDrawingStandard(dash);
  EXPECT_EQ(FormatReinText(2, 1, 12, 150, 0), "%%13112-150");
  g_ViewBoard.SetDrawingStandard(saved);
}

TEST(ReinLabel, MarkAtTheLeaderEndTextBesideItsMiddle) {
  // A vertical leader drawn downwards reads bottom to top.
  const _2dLine leader(_2dPoint(0, 100), _2dPoint(0, 0));
  boost::shared_ptr<Ordinal> mark;
  boost::shared_ptr<_Text> right, left;
  DrawReinMark(leader, true, 5, "%%13112@150", true, true, mark, right);
  boost::shared_ptr<Ordinal> unchanged = mark;
  DrawReinMark(leader, false, 5, "%%13112@150", false, true, unchanged, left);
  EXPECT_EQ(unchanged, mark);  // not asked for: left as it was
  ExpectPoint(mark->GetCenter(), 0, -300);
  EXPECT_NEAR(mark->GetAngle(), 0.5 * g_Pi, 1e-12);
  EXPECT_NEAR(right->GetRotation(), 0.5 * g_Pi, 1e-12);
  // Leader downwards: its right is −x.
  ExpectPoint(TextCentre(right), -250, 50);
  ExpectPoint(TextCentre(left), 250, 50);
}

// ---------------------------------------------------------------------------
// Dot rows

TEST(DotReinEntity, RowsOfDots) {
  const DotReinEntity one(_2dPoint(10, 20), _2dVector(1, 0), 1, 100);
  ASSERT_EQ(one.GetDotCenters().size(), 1u);
  ExpectPoint(one.GetDotCenters()[0], 10, 20);
  const DotReinEntity two(_2dPoint(0, 0), _2dVector(0, 2), 2, 100);
  ExpectPoint(two.GetDotCenters()[0], 0, -50);
  ExpectPoint(two.GetDotCenters()[1], 0, 50);
  // A negative spacing runs the row the other way (signed row length).
  const DotReinEntity back(_2dPoint(0, 0), _2dVector(1, 0), 3, -100);
  ExpectPoint(back.GetDotCenters()[0], 100, 0);
  ExpectPoint(back.GetDotCenters()[2], -100, 0);

  EntityList dots;
  DotReinEntity({_2dPoint(500, 500)}).GetDots(dots);
  const auto dot = boost::dynamic_pointer_cast<_2dPolyline>(dots.at(0));
  ASSERT_TRUE(dot);
  ExpectVertices(*dot, {{470, 500}, {530, 500}});
  EXPECT_TRUE(dot->IsClosed());
  EXPECT_EQ(dot->GetBulges(), (std::vector<double>{1.0, 1.0}));
  EXPECT_DOUBLE_EQ(dot->GetConstantWidth(), 60.0);
  EXPECT_EQ(dot->GetLayer(), GetLayerName(7));
}

// Both layouts with the leaders in every quadrant: the text stands on the
// side of its line away from the dots.
TEST(DotReinEntity, LabelTextStandsAwayFromTheDots) {
  const std::string text = "%%13112@150";
  for (const bool fan : {true, false}) {
    for (const _2dVector dir1 : {_2dVector(1, 1), _2dVector(-1, 1), _2dVector(-1, -1), _2dVector(1, -1)}) {
      SCOPED_TRACE(testing::Message() << (fan ? "fan " : "row ") << dir1.x << "," << dir1.y);
      // A row across the leaders' direction.
      _2dVector along = dir1;
      along.Rotate(0.5 * g_Pi);
      DotReinEntity row(_2dPoint(0, 0), along, 3, 200);
      row.AddLabel(6, text, dir1, 600, &g_ViewBoard, true, true, 1.0, fan, _2dVector(dir1.x, 0));
      const auto line = row.GetLeader();
      const auto label = row.GetLabelText();
      ASSERT_TRUE(line && label && row.GetMark());
      const double textSide = SideOf(*line, TextCentre(label));
      for (const _2dPoint& c : row.GetDotCenters()) EXPECT_LT(textSide * SideOf(*line, c), 0.0);
      EntityList leaders;
      row.GetSecondEntities(leaders);
      EXPECT_EQ(leaders.size(), fan ? 4u : 3u);
    }
  }
}

TEST(DotReinEntity, LayoutsWithoutText) {
  // Row: the connector runs 200 × factor past the last leader's tip.
  DotReinEntity row(_2dPoint(0, 0), _2dVector(1, 0), 3, 200);
  row.AddLabel(1, "x", _2dVector(0, 1), 500, &g_ViewBoard, true, false, 1.5, false, _2dVector(1, 0));
  ExpectPoint(row.GetLeader()->GetStartPoint(), -200, 500);
  ExpectPoint(row.GetLeader()->GetEndPoint(), 200 + 300, 500);
  EXPECT_FALSE(row.GetLabelText());
  // Fan: a leader from the common centre to every dot.
  DotReinEntity fan({_2dPoint(0, 0), _2dPoint(200, 0), _2dPoint(400, 0)});
  fan.AddLabel(1, "x", _2dVector(0, 1), 500, &g_ViewBoard, true, false, 1.0, true, _2dVector(1, 0));
  EntityList leaders;
  fan.GetSecondEntities(leaders);
  ASSERT_EQ(leaders.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    const auto l = boost::dynamic_pointer_cast<_2dLine>(leaders[static_cast<std::size_t>(i)]);
    ExpectPoint(l->GetStartPoint(), 200, 0);
    ExpectPoint(l->GetEndPoint(), 200.0 * i, 0);
  }
  ExpectPoint(fan.GetLeader()->GetEndPoint(), 400, 500);
}

// ---------------------------------------------------------------------------
// Shared orderings and queries

TEST(DrawingRoutines, OrderingsAndGrades) {
  const PointLess less(1.0);
  EXPECT_TRUE(less(_2dPoint(0, 5), _2dPoint(0.5, 6.5)));
  EXPECT_FALSE(less(_2dPoint(0, 5), _2dPoint(0.5, 5.5)));
  EXPECT_TRUE(less(_2dPoint(0, 9), _2dPoint(1.5, 0)));
  EXPECT_TRUE(Point3dOrder()(_3dPoint(1.00005, 2, 2), _3dPoint(1, 2, 3)));
  EXPECT_FALSE(Point3dOrder()(_3dPoint(1, 2, 3), _3dPoint(1.00005, 2, 2)));
  EXPECT_EQ(GetReinGradeIndex("HPB235"), 0);
  EXPECT_EQ(GetReinGradeIndex("HRB400"), 2);
  EXPECT_EQ(GetReinGradeIndex("RRB400"), 3);
  EXPECT_EQ(GetReinGradeIndex("hrb400"), 0);
  EXPECT_EQ(GetReinGradeIndex(""), 0);
}

// The straight part of drawn bars without hooks, with bent and with
// semicircular hooks.
TEST(DrawingRoutines, MainSegmentOfTwoFourAndSixVertexBars) {
  for (const int type : {0, 2, 1}) {
    const LineReinEntity bar(type, 0, 0, 0, Line2(100, 200, 5100, 200));
    const _2dLine main = GetReinMainSegment(bar.GetReinLine());
    ExpectPoint(main.GetStartPoint(), 100, 200);
    ExpectPoint(main.GetEndPoint(), 5100, 200);
  }
  EXPECT_THROW(GetReinMainSegment(boost::make_shared<_2dPolyline>()), std::logic_error);
}

ReinZonePtr Zone(int number) {
  auto z = boost::make_shared<ReinZone>();
  z->SetNumber(number);
  return z;
}

TEST(DrawingRoutines, LabelledLinesOnePerMark) {
  const std::vector<ReinZonePtr> zones = {Zone(5), Zone(7), Zone(5)};
  ViewSettings settings;
  settings.m_bOneTextPerMark = true;
  std::vector<std::pair<bool, bool>> flags;
  ChooseLabelledLines(settings, zones, flags);
  ASSERT_EQ(flags.size(), 3u);
  EXPECT_TRUE(flags[0].first && flags[1].first && flags[2].first);
  EXPECT_EQ(flags[0].second + flags[2].second, 1);
  EXPECT_TRUE(flags[1].second);
  // The same list gives the same choice.
  EXPECT_EQ(PickOnePerMark(zones), PickOnePerMark(zones));
  settings.m_bShowMarks = false;
  ChooseLabelledLines(settings, zones, flags);
  for (const auto& f : flags) EXPECT_EQ(f, std::make_pair(false, true));
  settings.m_bShowMarks = true;
  settings.m_bMarksWithoutText = true;
  ChooseLabelledLines(settings, zones, flags);
  for (const auto& f : flags) EXPECT_EQ(f, std::make_pair(true, false));
}

TEST(DrawingRoutines, OverlapAndAngles) {
  const _2dLine a(_2dPoint(0, 0), _2dPoint(900, 0));
  EXPECT_FALSE(SegmentsOverlap(a, _2dLine(_2dPoint(300, 10), _2dPoint(1200, 10)), 2.0 / 3.0));
  EXPECT_TRUE(SegmentsOverlap(a, _2dLine(_2dPoint(1100, 10), _2dPoint(200, 10)), 2.0 / 3.0));
  const LineBarPair flat{boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(100, 0)), nullptr};
  const LineBarPair steep{boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(-10, -100)), nullptr};
  const LineAngleLess byAngle(_2dLine(_2dPoint(0, 0), _2dPoint(0, 50)));
  EXPECT_TRUE(byAngle(steep, flat));
  const LineBarPair point{boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(0, 0)), nullptr};
  EXPECT_THROW(byAngle(point, flat), std::logic_error);
}

TEST(DrawingRoutines, BoardAxisAngle) {
  auto board = boost::make_shared<Board>();
  std::vector<BoardEdge> edges(4);
  const _2dPoint p[4] = {{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}};
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  board->SetEdges(edges);
  // From the left edge's middle to the right edge's.
  EXPECT_NEAR(GetBoardAxisAngle(*board), 0.0, 1e-12);
  edges.push_back(edges.back());
  board->SetEdges(edges);
  EXPECT_EQ(GetBoardAxisAngle(*board), 0.0);
  EXPECT_EQ(GetBoardAxisAngle(Board()), 0.0);
}

// ---------------------------------------------------------------------------
// Geometry and text routines

TEST(DrawingRoutines, SegmentLengthText) {
  for (const auto& [length, text] : std::vector<std::pair<double, std::string>>{{1234.4, "1234"}, {1234.5, "1235"}}) {
    boost::shared_ptr<_Text> t;
    MakeSegmentLengthText(t, {_2dPoint(0, 0), _2dPoint(length, 0)}, 2.0, 1.0, 1.0);
    EXPECT_EQ(t->GetText(), text);
    // Right of the direction, half a text height plus the gap away.
    ExpectPoint(TextCentre(t), length / 2, -(1.5 + 2.0));
  }
  // At 1:50 with u = 100 a drawn 2000 is a model 1000.
  boost::shared_ptr<_Text> t;
  MakeSegmentLengthText(t, {_2dPoint(0, 0), _2dPoint(0, 2000)}, 2.0, 50.0, 100.0);
  EXPECT_EQ(t->GetText(), "1000");
  EXPECT_NEAR(t->GetRotation(), 0.5 * g_Pi, 1e-12);
}

TEST(DrawingRoutines, Offsetters) {
  std::vector<_2dPoint> out;
  PolylineOffsetter(100, &out)({{0, 0}, {500, 0}, {1000, 0}});
  ASSERT_EQ(out.size(), 2u);  // the moved segments continue each other
  ExpectPoint(out[0], 0, -100);
  ExpectPoint(out[1], 1000, -100);
  out.clear();
  PolylineOffsetter(100, &out)({{0, 0}, {1000, 0}, {1000, 1000}});
  ASSERT_EQ(out.size(), 3u);
  ExpectPoint(out[1], 1100, -100);
  EXPECT_THROW(PolylineOffsetter(100, &out)({}), std::out_of_range);

  out.clear();
  PolygonOffsetter({0, 0, 0, 0}, &out)({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}});
  ASSERT_EQ(out.size(), 4u);
  ExpectPoint(out[0], 1000, 0);
  ExpectPoint(out[3], 0, 0);
  // Two collinear edges moved by different offsets step at their corner.
  out.clear();
  PolygonOffsetter({0, 100, 0, 0, 0}, &out)({{0, 0}, {500, 0}, {1000, 0}, {1000, 1000}, {0, 1000}});
  ASSERT_GE(out.size(), 2u);
  ExpectPoint(out[0], 500, 0);
  ExpectPoint(out[1], 500, -100);
  EXPECT_THROW(PolygonOffsetter({0}, &out)({{0, 0}, {1, 0}, {1, 1}}), std::out_of_range);
}

TEST(DrawingRoutines, LineBesideBar) {
  const LayeredSegment source{_2dLine(_2dPoint(0, 500), _2dPoint(1000, 500)), 1};
  _2dLine out;
  OffsetLineBesideBar(out, source, _2dLine(_2dPoint(7, 7), _2dPoint(7, 7)));
  EXPECT_EQ(out, source.line);
  // Onto the reference line, then gap 50 + half a bar width 25 to its left.
  OffsetLineBesideBar(out, source, _2dLine(_2dPoint(0, 0), _2dPoint(1000, 0)));
  ExpectPoint(out.GetStartPoint(), 0, 75);
  // One dot size (120) further out for a bar of the other layer.
  OffsetLineBesideBar(out, LayeredSegment{source.line, 0}, _2dLine(_2dPoint(0, 0), _2dPoint(1000, 0)));
  ExpectPoint(out.GetStartPoint(), 0, 195);
}

TEST(DrawingRoutines, TextPairAndBoxEdges) {
  auto a = MakeReinLabelText("AB", _2dPoint(1000, 0), 0.0);
  auto b = MakeReinLabelText("CDEF", _2dPoint(1000, 0), 0.0);
  CenterTextPair(a, b);
  // 0.7 × 210 per character: AB 294, CDEF 588, together 882.
  ExpectPoint(TextCentre(a), 1000 - 294, 0);
  ExpectPoint(TextCentre(b), 1000 + 147, 0);

  const auto edges = GetBoxEdges(Extents(0, 0, 0, 10, 20, 30));
  ASSERT_EQ(edges.size(), 12u);
  EXPECT_EQ(edges[1], _3dLine(_3dPoint(10, 0, 0), _3dPoint(10, 20, 0)));
  EXPECT_EQ(edges[6], _3dLine(_3dPoint(10, 20, 30), _3dPoint(0, 20, 30)));
  EXPECT_EQ(edges[11], _3dLine(_3dPoint(0, 20, 0), _3dPoint(0, 20, 30)));
}

TEST(DimensionChain, ChainsWithOverallAndSides) {
  EntityList dims;
  std::vector<int> kinds;
  DrawDimensionChain({_2dPoint(0, 0)}, 10, 20, 0, true, dims, kinds, 100, 100, 0x4000, 14, "");
  EXPECT_TRUE(dims.empty() && kinds.empty());
  // At 1:50 (factor 2): drawn 0, 6000, 12000 show model 3000 and 3000, overall 6000.
  DrawDimensionChain({_2dPoint(0, 0), _2dPoint(6000, 0), _2dPoint(12000, 0)}, 10, 20, 0, true, dims, kinds, 50,
                     100, 0x4000, 14, "");
  ASSERT_EQ(dims.size(), 3u);
  EXPECT_EQ(kinds, (std::vector<int>{0x4000, 0x4000, 0x4000}));
  const auto first = boost::dynamic_pointer_cast<_2dAlignedDimension>(dims[0]);
  const auto overall = boost::dynamic_pointer_cast<_2dAlignedDimension>(dims[2]);
  EXPECT_EQ(first->GetDisplayText(), "3000");
  EXPECT_EQ(overall->GetDisplayText(), "6000");
  ExpectPoint(first->GetLinePoint(), 0, 1000);    // side 0: left of +x, 10 u
  ExpectPoint(overall->GetLinePoint(), 0, 2000);  // 20 u
  EXPECT_DOUBLE_EQ(first->GetTextHeight(), 300.0);
  EXPECT_DOUBLE_EQ(first->GetArrowSize(), 200.0);
  EXPECT_EQ(first->GetLayer(), GetLayerName(14));
  // Two points with the overall flag: one dimension; side 1 puts it right.
  dims.clear();
  kinds.clear();
  DrawDimensionChain({_2dPoint(0, 0), _2dPoint(0, 1000)}, 10, 20, 1, true, dims, kinds, 100, 100, 0x1000000, 16, "");
  ASSERT_EQ(dims.size(), 1u);
  ExpectPoint(boost::dynamic_pointer_cast<_2dAlignedDimension>(dims[0])->GetLinePoint(), 1000, 0);
}

// ---------------------------------------------------------------------------
// Registration with a view, range dimensions, order and grouping of zones

class ViewFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ViewBoard.Reset();
    view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view->SetScaleValues(100, 100);
  }
  void TearDown() override {
    view.reset();
    g_ViewBoard.Reset();
  }
  static LineReinPtr Bar(int type, double x0, double y0, double x1, double y1) {
    return boost::make_shared<LineReinEntity>(type, 1, 0, 0, Line2(x0, y0, x1, y1));
  }
  boost::shared_ptr<BottomBoardReinView> view;
};

TEST_F(ViewFixture, DrawnBarPartsRegisterWithTheirKinds) {
  const auto zone = Zone(3);
  auto bar = Bar(2, 0, 0, 6000, 0);
  bar->AddLeaderLabel(3, "%%13112@150", &g_ViewBoard, _2dPoint(3000, 0), _2dVector(1, 1), 500, _2dVector(1, 0), true,
                      true, 1.0);
  auto dots = boost::make_shared<DotReinEntity>(_2dPoint(0, 1000), _2dVector(1, 0), 3, 200);
  dots->AddLabel(3, "%%13112@150", _2dVector(0, 1), 500, &g_ViewBoard, true, true, 1.0, false, _2dVector(1, 0));
  const auto empty = boost::make_shared<LineReinEntity>();
  view->AddLineReinEntities(zone, {bar, dots, empty, nullptr, zone});
  EntityList entities;
  ASSERT_TRUE(view->GetObjectEntities(zone, entities));
  std::vector<int> kinds;
  for (const EntityPtr& e : entities) kinds.push_back(view->GetEntityKind(e));
  EXPECT_EQ(kinds, (std::vector<int>{0x80000, 0x100000, 0x200000, 0x400000, 0x800000,    // the bar
                                     0x80000, 0x80000, 0x80000, 0x100000, 0x100000, 0x100000,  // dots, leaders
                                     0x200000, 0x400000, 0x800000}));
  // A zone whose only bar is empty registers nothing, not even itself.
  const auto lost = Zone(4);
  view->AddLineReinEntities(lost, {boost::make_shared<LineReinEntity>()});
  EXPECT_FALSE(view->GetObjectEntities(lost, entities));
  // Two texts of one bar are both label texts.
  auto two = Bar(0, 0, 0, 100, 0);
  two->DrawLeaderLabel("a", "b", _2dLine(_2dPoint(0, 0), _2dPoint(10, 10)), &g_ViewBoard);
  view->AddLineReinEntities(lost, {two});
  ASSERT_TRUE(view->GetObjectEntities(lost, entities));
  int texts = 0;
  for (const EntityPtr& e : entities) texts += view->GetEntityKind(e) == 0x800000;
  EXPECT_EQ(texts, 2);
}

TEST_F(ViewFixture, RangeDimensionsWithTheirCircles) {
  const std::vector<std::vector<_2dPoint>> info = {
      {{3000, 0}, {3000, 4000}},              // drawn
      {{1000, 0}, {1000, 2000}, {1000, 3000}},  // three points: none
      {{0, 500}, {6000, 500}},                // parallel to the bar: none
      {{2000, 0}, {2000, 4000}},              // only an empty bar: none
      {{5000, 0}, {5000, 4000}},              // a bar without hooks: drawn
  };
  const std::vector<std::vector<LineReinPtr>> bars = {{Bar(2, 0, 1000, 6000, 1000)},
                                                      {Bar(2, 0, 1000, 6000, 1000)},
                                                      {Bar(2, 0, 1000, 6000, 1000)},
                                                      {boost::make_shared<LineReinEntity>()},
                                                      {Bar(0, 0, 3000, 6000, 3000)}};
  view->DrawRangeDim(info, bars);
  EntityList entities;
  ASSERT_TRUE(view->GetObjectEntities(g_NullOwner, entities));
  ASSERT_EQ(entities.size(), 4u);
  const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(entities[0]);
  const auto circle = boost::dynamic_pointer_cast<_3dCircle>(entities[1]);
  ASSERT_TRUE(dim && circle);
  EXPECT_EQ(dim->GetDisplayText(), "4000");
  EXPECT_EQ(dim->GetLayer(), GetLayerName(16));
  EXPECT_DOUBLE_EQ(circle->GetRadius(), 45.0);
  EXPECT_NEAR(circle->GetCenter().x, 3000, kTol);
  EXPECT_NEAR(circle->GetCenter().y, 1000, kTol);
  const auto second = boost::dynamic_pointer_cast<_3dCircle>(entities[3]);
  EXPECT_NEAR(second->GetCenter().y, 3000, kTol);
  for (const EntityPtr& e : entities) {
    EXPECT_EQ(view->GetEntityKind(e), 0x1000000);
    EXPECT_TRUE(g_ViewBoard.IsEntityVisible(e));
  }
}

TEST(ZoneBarOrder, InterceptOrderAcrossTheBars) {
  const auto low = Zone(1), high = Zone(2), left = Zone(3), right = Zone(4);
  ZoneBarMap bars;
  const auto bar = [](int type, double x0, double y0, double x1, double y1) {
    return boost::make_shared<LineReinEntity>(type, 1, 0, 0, Line2(x0, y0, x1, y1));
  };
  // Running right and a hair down (an angle just under 2π), without hooks:
  // still ordered by where it crosses the y axis.
  bars[low] = {bar(0, 6000, 1000 - 1e-9, 0, 1000)};
  bars[high] = {bar(2, 0, 2000, 6000, 2000)};
  bars[left] = {bar(1, 500, 0, 500, 4000)};
  bars[right] = {bar(0, 800, 4000, 800, 0)};
  const ZoneBarInterceptLess less(bars);
  EXPECT_TRUE(less(low, high));
  EXPECT_FALSE(less(high, low));
  EXPECT_TRUE(less(left, right));
  EXPECT_FALSE(less(right, left));
  std::vector<ReinZonePtr> zones = {high, low};
  std::sort(zones.begin(), zones.end(), less);
  EXPECT_EQ(zones.front(), low);
}

TEST(ZoneBarOrder, OverlapOfTwoFourAndSixVertexBars) {
  const auto a = Zone(1), b = Zone(1), none = Zone(1), blank = Zone(1);
  for (const int type : {0, 2, 1}) {
    SCOPED_TRACE(type);
    ZoneBarMap bars;
    bars[a] = {boost::make_shared<LineReinEntity>(type, 0, 0, 0, Line2(0, 0, 6000, 0))};
    bars[b] = {boost::make_shared<LineReinEntity>(type, 0, 0, 0, Line2(1000, 500, 6500, 500))};
    bars[blank] = {boost::make_shared<LineReinEntity>()};
    EXPECT_TRUE(ZoneBarsOverlapTest(a, bars)(b));
    EXPECT_FALSE(ZoneBarsOverlapTest(a, bars)(none));
    EXPECT_FALSE(ZoneBarsOverlapTest(a, bars)(blank));
    bars[b] = {boost::make_shared<LineReinEntity>(type, 0, 0, 0, Line2(4500, 500, 9500, 500))};
    EXPECT_FALSE(ZoneBarsOverlapTest(a, bars)(b));
  }
}

TEST_F(ViewFixture, LabelGroupsFollowRunsOfMarks) {
  auto slab = boost::make_shared<Board>();
  std::vector<BoardEdge> edges(4);
  const _2dPoint p[4] = {{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}};
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  slab->SetEdges(edges);
  // Marks 3, 3, 5, 3 with overlapping bars: three groups (3, 3), (5), (3).
  const std::vector<ReinZonePtr> zones = {Zone(3), Zone(3), Zone(5), Zone(3)};
  std::vector<std::vector<LineReinPtr>> bars;
  ZoneBoardMap boards;
  for (std::size_t i = 0; i < zones.size(); ++i) {
    const double y = 2000.0 - 500.0 * static_cast<double>(i);
    bars.push_back({Bar(2, 0, y, 6000, y)});
    boards[zones[i]] = {slab};
  }
  std::vector<ReinZonePtr> labelZones;
  std::vector<std::vector<LineReinPtr>> labelBars;
  std::vector<std::vector<_2dPoint>> ends;
  view->MatchReinZonesToEntities(zones, bars, boards, labelZones, labelBars, true, ends);
  ASSERT_EQ(labelZones.size(), 3u);
  // The lower zone of the first run carries its label; the label line
  // crosses the slab 5 u forward of the bars' middle.
  EXPECT_EQ(labelZones[0], zones[1]);
  ASSERT_EQ(ends[0].size(), 2u);
  ExpectPoint(ends[0][0], 3500, 0);
  ExpectPoint(ends[0][1], 3500, 4000);
  EXPECT_EQ(labelZones[1], zones[2]);
  EXPECT_EQ(labelZones[2], zones[3]);

  // A zone whose bar is empty forms no group: (3 empty, 3) gives one group.
  labelZones.clear();
  labelBars.clear();
  ends.clear();
  view->MatchReinZonesToEntities({zones[0], zones[1]}, {{boost::make_shared<LineReinEntity>()}, bars[1]}, boards,
                                 labelZones, labelBars, false, ends);
  ASSERT_EQ(labelZones.size(), 1u);
  EXPECT_EQ(labelZones[0], zones[1]);
  ExpectPoint(ends[0][0], 2500, 0);

  // A label line that crosses no board keeps its zone and bars, no ends.
  labelZones.clear();
  labelBars.clear();
  ends.clear();
  view->MatchReinZonesToEntities({zones[2]}, {bars[2]}, ZoneBoardMap(), labelZones, labelBars, true, ends);
  ASSERT_EQ(labelZones.size(), 1u);
  EXPECT_TRUE(ends[0].empty());
  // Lists of different lengths: nothing, and no exception.
  view->MatchReinZonesToEntities(zones, {}, boards, labelZones, labelBars, true, ends);
  EXPECT_EQ(labelZones.size(), 1u);
}

// With boxes to keep clear the label line moves out along the bars until
// the range dimension's text ("4000", 840 long, standing left of a vertical
// line 120 clear of it) is clear of them, in steps of 2.5 u, and that text
// joins the boxes; where no place is clear it takes the least overlap.
TEST_F(ViewFixture, LabelLineMovesClearOfLabelsAlongTheBars) {
  auto slab = boost::make_shared<Board>();
  std::vector<BoardEdge> edges(4);
  const _2dPoint p[4] = {{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}};
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  slab->SetEdges(edges);
  const auto zone = Zone(3);
  ZoneBoardMap boards;
  boards[zone] = {slab};
  const std::vector<std::vector<LineReinPtr>> bars = {{Bar(2, 0, 2000, 6000, 2000)}};
  struct Case {
    std::vector<Extents> boxes;
    double x;  // where the label line crosses the slab
  };
  const std::vector<Case> cases = {
      {{}, 3500},                                                          // clear at 5 u
      {{Extents(3100, 1900, 0, 3300, 2100, 0)}, 3750},                     // over the text at 5 u
      {{Extents(3100, 1900, 0, 3300, 2100, 0), Extents(3400, 1900, 0, 3550, 2100, 0)}, 4000},
      {{Extents(0, 1900, 0, 6000, 2100, 0)}, 3500},                        // nowhere clear: the first
  };
  for (const Case& c : cases) {
    std::vector<Extents> boxes = c.boxes;
    std::vector<ReinZonePtr> labelZones;
    std::vector<std::vector<LineReinPtr>> labelBars;
    std::vector<std::vector<_2dPoint>> ends;
    view->MatchReinZonesToEntities({zone}, bars, boards, labelZones, labelBars, true, ends, &boxes);
    ASSERT_EQ(ends.size(), 1u);
    ASSERT_EQ(ends[0].size(), 2u);
    ExpectPoint(ends[0][0], c.x, 0);
    ExpectPoint(ends[0][1], c.x, 4000);
    ASSERT_EQ(boxes.size(), c.boxes.size() + 1);
    const Extents& text = boxes.back();
    EXPECT_NEAR(text.maxX, c.x - 120, kTol);
    EXPECT_NEAR(text.minX, c.x - 420, kTol);
    EXPECT_NEAR(text.GetCenter().y, 2000, kTol);
  }
}

TEST_F(ViewFixture, BreakLineAndProjection) {
  const auto line = view->MakeBreakLine(_2dLine(_2dPoint(0, 0), _2dPoint(1000, 0)));
  ExpectVertices(*line, {{0, 0}, {370, 0}, {440, 220}, {560, -220}, {630, 0}, {1000, 0}});
  EXPECT_EQ(line->GetLayer(), GetLayerName(9));
  // Shorter than the symbol: drawn reversed, not refused.
  const auto shortLine = view->MakeBreakLine(_2dLine(_2dPoint(0, 0), _2dPoint(200, 0)));
  EXPECT_NEAR(shortLine->GetVertexAt(1).x, -30, kTol);
  EXPECT_NEAR(shortLine->GetVertexAt(4).x, 230, kTol);

  auto slab = boost::make_shared<Board>();
  std::vector<BoardEdge> edges(3);
  const _2dPoint p[3] = {{0, 0}, {1000, 0}, {0, 500}};
  for (int i = 0; i < 3; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 3]));
  slab->SetEdges(edges);
  slab->SetOrigin(_3dPoint(100, 200, -3000));
  view->SetScaleValues(50, 100);  // factor 2
  view->SetPlacement(_3dVector(10, 20, 0));
  const auto points = view->ProjectBoard(slab);
  ASSERT_EQ(points.size(), 3u);
  ExpectPoint(points[0], 210, 420);
  ExpectPoint(points[1], 2210, 420);
  const auto ring = view->GetBoardOutlineLines(slab);
  ASSERT_EQ(ring.size(), 3u);
  ExpectPoint(ring[2].GetEndPoint(), 210, 420);
  unsigned index = 99;
  EXPECT_TRUE(TankView::IsLineInList(ring[1].Reversed(), ring, index));
  EXPECT_EQ(index, 1u);
  EXPECT_FALSE(TankView::IsLineInList(_2dLine(_2dPoint(0, 0), _2dPoint(1, 1)), ring, index));
}

}  // namespace

namespace {

// The choice of one text per mark does not follow the process-wide
// generator: seeding or drawing from it changes nothing.
TEST(DrawingRoutines, PickOnePerMarkKeepsItsOwnGenerator) {
  std::vector<ReinZonePtr> zones;
  for (const int n : {4, 9, 4, 4, 9, 2, 4}) zones.push_back(Zone(n));
  const std::vector<int> first = PickOnePerMark(zones);
  ASSERT_EQ(first.size(), 3u);  // marks 2, 4, 9
  EXPECT_EQ(first[0], 5);
  EXPECT_EQ(zones[static_cast<std::size_t>(first[1])]->GetNumber(), 4);
  EXPECT_EQ(zones[static_cast<std::size_t>(first[2])]->GetNumber(), 9);
  std::srand(12345);
  (void)std::rand();
  EXPECT_EQ(PickOnePerMark(zones), first);
}

TEST(DrawingRoutines, BoardQueries) {
  // A wall from (0, 0) to (6000, 0), 300 thick, 4000 high.
  auto wall = boost::make_shared<Board>();
  wall->SetKind(0);
  wall->SetUpperOffset(150);
  wall->SetLowerOffset(150);
  wall->SetXAxis(_3dVector(1, 0, 0));
  wall->SetYAxis(_3dVector(0, 0, 1));
  std::vector<BoardEdge> edges(4);
  const _2dPoint p[4] = {{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}};
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  wall->SetEdges(edges);
  _2dLine plan;
  ASSERT_TRUE(GetWallPlanLine(wall, plan));
  EXPECT_EQ(plan, _2dLine(_2dPoint(0, 0), _2dPoint(6000, 0)));
  _2dPoint centre;
  GetEdgeBoardCenter(*wall, centre);
  ExpectPoint(centre, 3000, 0);
  // A wall reduced to one plan point has no plan line.
  auto post = boost::make_shared<Board>(*wall);
  for (BoardEdge& e : edges) e.SetLine(_2dLine(_2dPoint(0, e.GetStartPoint().y), _2dPoint(0, e.GetEndPoint().y)));
  post->SetEdges(edges);
  _2dLine untouched(_2dPoint(1, 1), _2dPoint(2, 2));
  EXPECT_FALSE(GetWallPlanLine(post, untouched));
  EXPECT_EQ(untouched, _2dLine(_2dPoint(1, 1), _2dPoint(2, 2)));

  // Zones seen in a plan: parallel within 45 degrees, either way.
  const auto along = [](double x, double y) {
    auto z = boost::make_shared<ReinZone>();
    z->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(x, y, 0)));
    return z;
  };
  const ViewVolumn planView;
  const ZonesParallelInView parallel(along(1, 0), &planView);
  EXPECT_TRUE(parallel(along(-1, 0.5)));
  EXPECT_FALSE(parallel(along(1, 1.5)));
  EXPECT_FALSE(ZoneAlongDirection(_3dVector(0, 0, 1), 0.25 * g_Pi)(along(1, 0)));
  EXPECT_TRUE(ZoneAlongDirection(_3dVector(-1, 0, 0), 0.25 * g_Pi)(along(1, 0.2)));
}

TEST(DrawingRoutines, TextsPushedAside) {
  // "ABCD": 4 × 0.7 × 210 = 588 wide, 300 high.
  for (const auto& [side, dx, dy] : std::vector<std::tuple<int, double, double>>{
           {0, 0, 294}, {1, 150, 0}, {2, 0, -294}, {3, -150, 0}, {7, 1, 0}}) {
    auto t = MakeReinLabelText("ABCD", _2dPoint(0, 0), 0.0);
    PushTextAside(&g_ViewBoard, _2dVector(1, 0), side)(t);
    ExpectPoint(TextCentre(t), dx, dy);
  }
  auto t = MakeReinLabelText("A", _2dPoint(0, 0), 0.0);
  ApplyTextStyle(_2dPoint(5, 6), 200, 0.8, 1.0, 1)(t);
  ExpectPoint(TextCentre(t), 5, 6);
  EXPECT_DOUBLE_EQ(t->GetWidth(), 160.0);
  EXPECT_DOUBLE_EQ(t->GetRotation(), 1.0);
  EXPECT_EQ(t->GetTextStyle(), 1);
}

}  // namespace

#include "drawing/ElevationMark.h"

namespace {

TEST(ElevationMark, TextOverARuleWithItsTriangle) {
  EXPECT_TRUE(DrawPlanElevationMark(_2dPoint(0, 0), "", 300, 0.7, 1, &g_ViewBoard).empty());
  // "-1.500": 6 × 0.7 × 210 = 882 long.
  const EntityList mark = DrawPlanElevationMark(_2dPoint(1000, 2000), "-1.500", 300, 0.7, 1, &g_ViewBoard);
  ASSERT_EQ(mark.size(), 4u);
  const auto text = boost::dynamic_pointer_cast<_Text>(mark[0]);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->GetText(), "-1.500");
  ExpectPoint(TextCentre(text), 1000, 2000);
  EXPECT_EQ(text->GetLayer(), GetLayerName(9));
  const auto rule = boost::dynamic_pointer_cast<_2dLine>(mark[1]);
  const auto left = boost::dynamic_pointer_cast<_2dLine>(mark[2]);
  const auto right = boost::dynamic_pointer_cast<_2dLine>(mark[3]);
  ExpectPoint(rule->GetStartPoint(), 1000 - 441 - 600, 2000 - 250);
  ExpectPoint(rule->GetEndPoint(), 1000 + 441, 2000 - 250);
  ExpectPoint(left->GetEndPoint(), 1000 - 441 - 300, 2000 - 550);
  ExpectPoint(right->GetEndPoint(), 1000 - 441, 2000 - 250);
  // The rule and the triangle are thin lines like the text, not on layer "0".
  for (const EntityPtr& line : {mark[1], mark[2], mark[3]}) EXPECT_EQ(line->GetLayer(), GetLayerName(9));
}

}  // namespace
