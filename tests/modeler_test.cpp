// The model editor: edit history over whole-tank snapshots, slab boards from
// plan points, and the shared outline operations.
#include "model/TankModeler.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <random>
#include <sstream>

namespace {

// The whole tank as filed: two tanks are the same when their archives are.
std::string Filed(const Tank& tank) {
  std::ostringstream out;
  {
    Archive ar(out);
    ar << tank;
    ar.Close();
  }
  return out.str();
}

BoardPtr Slab(double width, int kind = 1) {
  TankModeler modeler;
  auto board = boost::make_shared<Board>();
  EXPECT_TRUE(modeler.MakeSlabBoard({{0, 0}, {width, 0}, {width, 4000}, {0, 4000}}, 300, 150, kind,
                                    board.get()));
  return board;
}

TEST(History, RecordEditUndoRedo) {
  TankModeler modeler;
  Tank tank;
  tank.m_crackWidthLimit = 0.3;
  tank.AddBoards({Slab(6000)});
  const std::string recorded = Filed(tank);

  modeler.PushHistory(tank);
  tank.AddBoards({Slab(3000, 2)});
  tank.m_crackWidthLimit = 0.2;
  const std::string edited = Filed(tank);

  modeler.Undo(tank);
  EXPECT_EQ(Filed(tank), recorded);
  EXPECT_DOUBLE_EQ(tank.m_crackWidthLimit, 0.3);
  EXPECT_TRUE(modeler.CanRedo());
  modeler.Redo(tank);
  EXPECT_EQ(Filed(tank), edited);
  EXPECT_DOUBLE_EQ(tank.m_crackWidthLimit, 0.2);
}

TEST(History, RecordingEmptiesRedoAndExtraUndoDoesNothing) {
  TankModeler modeler;
  Tank tank;
  modeler.PushHistory(tank);
  modeler.PushHistory(tank);
  modeler.Undo(tank);
  modeler.PushHistory(tank);
  EXPECT_FALSE(modeler.CanRedo());
  EXPECT_EQ(modeler.UndoDepth(), 2u);

  TankModeler two;
  two.PushHistory(tank);
  two.PushHistory(tank);
  two.Undo(tank);
  two.Undo(tank);
  two.Undo(tank);  // empty: nothing
  EXPECT_EQ(two.RedoDepth(), 2u);
  EXPECT_FALSE(two.CanUndo());
  two.ClearHistory();
  EXPECT_FALSE(two.CanRedo());
}

TEST(History, SnapshotsAreIndependentOfTheCurrentTank) {
  TankModeler modeler;
  Tank tank;
  BoardPtr slab = Slab(6000);
  tank.AddBoards({slab});
  const std::string recorded = Filed(tank);
  modeler.PushHistory(tank);
  slab->SetUpperOffset(999);  // edit the board in place
  modeler.Undo(tank);
  EXPECT_EQ(Filed(tank), recorded);
}

// A random run of records, edits, undos and redos checked against a plain
// model of the two stacks.
TEST(History, RandomSequenceMatchesTwoStacks) {
  std::mt19937 rng(12345);
  TankModeler modeler;
  Tank tank;
  std::vector<std::string> undo, redo;
  int width = 1000;
  for (int step = 0; step < 200; ++step) {
    switch (rng() % 4) {
      case 0:  // record, then edit
        undo.push_back(Filed(tank));
        redo.clear();
        modeler.PushHistory(tank);
        tank.AddBoards({Slab(width += 100)});
        break;
      case 1:
        if (!undo.empty()) {
          redo.push_back(Filed(tank));
          undo.pop_back();
        }
        modeler.Undo(tank);
        break;
      case 2:
        if (!redo.empty()) {
          undo.push_back(Filed(tank));
          redo.pop_back();
        }
        modeler.Redo(tank);
        break;
      case 3:  // edit without recording
        tank.m_crackWidthLimit = 0.1 + (rng() % 10) / 100.0;
        break;
    }
    ASSERT_EQ(modeler.UndoDepth(), undo.size()) << "step " << step;
    ASSERT_EQ(modeler.RedoDepth(), redo.size()) << "step " << step;
  }
  // Unwind everything: each undo gives back the recorded tank.
  while (!undo.empty()) {
    const std::string expected = undo.back();
    undo.pop_back();
    modeler.Undo(tank);
    ASSERT_EQ(Filed(tank), expected);
  }
}

TEST(History, TopSlabQuery) {
  Tank tank;
  EXPECT_FALSE(HasTopSlab(tank));
  tank.AddBoards({Slab(6000, 1), Slab(6000, 0)});
  EXPECT_FALSE(HasTopSlab(tank));
  tank.AddBoards({Slab(6000, 2)});
  EXPECT_TRUE(HasTopSlab(tank));
  TankModeler().ClearTank(tank);
  EXPECT_TRUE(tank.GetComponents().empty());
}

TEST(SlabBoards, FrameAndEdgesFromPlanPoints) {
  TankModeler modeler;
  Board board;
  ASSERT_TRUE(modeler.MakeSlabBoard({{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}}, 300, 150, 1, &board));
  EXPECT_EQ(board.GetOrigin(), _3dPoint(0, 0, 150));
  EXPECT_EQ(board.GetXAxis(), _3dVector(6000, 0, 0));
  EXPECT_EQ(board.GetYAxis(), _3dVector(0, 6000, 0));
  EXPECT_DOUBLE_EQ(board.GetUpperOffset(), 150);
  EXPECT_DOUBLE_EQ(board.GetLowerOffset(), 150);
  ASSERT_EQ(board.GetEdges().size(), 4u);
  std::vector<_3dPoint> outline;
  board.GetOutline(outline);
  ASSERT_EQ(outline.size(), 4u);
  EXPECT_EQ(outline[2], _3dPoint(6000, 4000, 150));

  Board untouched;
  EXPECT_FALSE(modeler.MakeSlabBoard({{0, 0}, {6000, 0}}, 300, 150, 1, &untouched));
  EXPECT_TRUE(untouched.GetEdges().empty());
}

TEST(SlabBoards, EdgeLinesAndOverhangMarks) {
  TankModeler modeler;
  auto left = boost::make_shared<Board>();
  auto right = boost::make_shared<Board>();
  modeler.MakeSlabBoard({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}}, 400, -3200, 1, left.get());
  modeler.MakeSlabBoard({{3000, 0}, {6000, 0}, {6000, 4000}, {3000, 4000}}, 400, -3200, 1, right.get());
  std::vector<_2dLine> lines;
  modeler.CollectSlabEdgeLines(left, lines);
  modeler.CollectSlabEdgeLines(right, lines);
  EXPECT_EQ(lines.size(), 7u);  // the shared side once
  auto wall = Slab(3000, 0);
  modeler.CollectSlabEdgeLines(wall, lines);
  EXPECT_EQ(lines.size(), 7u);

  double length = 0;
  modeler.MarkSlabOverhangEdges({3000, 0}, {0, 0}, left, 500);  // given end first
  EXPECT_TRUE(left->GetEdgeOverhang(0, length));
  EXPECT_DOUBLE_EQ(length, 500);
  modeler.MarkSlabOverhangEdges({7, 7}, {8, 8}, left, 500);  // matches nothing
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(left->GetEdgeOverhang(i, length));
}

TEST(SlabBoards, ZRangeOnlyForBoards) {
  TankModeler modeler;
  double lo = 1, hi = 1;
  modeler.GetBoardZRange(boost::make_shared<VekObject>(), lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);
  modeler.GetBoardZRange(Slab(6000), lo, hi);
  EXPECT_DOUBLE_EQ(lo, 150);
  EXPECT_DOUBLE_EQ(hi, 150);
  double height = 0, bottom = 0;
  EXPECT_TRUE(modeler.GetBoardBottomAndHeight(Slab(6000), height, bottom));
  EXPECT_DOUBLE_EQ(height, 0);
  EXPECT_FALSE(modeler.GetBoardBottomAndHeight(boost::make_shared<Board>(), height, bottom));
}

TEST(Outlines, InsertPoint) {
  TankModeler modeler;
  const std::vector<_3dPoint> square = {{0, 0, 0}, {6000, 0, 0}, {6000, 0, 3000}, {0, 0, 3000}};
  auto outline = square;
  modeler.InsertOutlinePoint(outline, {6000, 0, 0});  // a corner: nothing
  EXPECT_EQ(outline.size(), 4u);
  modeler.InsertOutlinePoint(outline, {0, 0, 1500});  // on the closing side: appended
  ASSERT_EQ(outline.size(), 5u);
  EXPECT_EQ(outline.back(), _3dPoint(0, 0, 1500));
}

TEST(Outlines, ReshapeMovesVerticalSidesToTheNewPoints) {
  TankModeler modeler;
  std::vector<_3dPoint> outline = {{0, 0, 0}, {6000, 0, 0}, {6000, 0, 3000}, {0, 0, 3000}};
  modeler.ReshapeOutline(outline, {6000, 0, 2000}, {0, 0, 2000}, {6000, 0, 2500}, {0, 0, 2500});
  const std::vector<_3dPoint> expected = {{0, 0, 0},    {6000, 0, 0}, {6000, 0, 2500},
                                          {6000, 0, 3000}, {0, 0, 3000}, {0, 0, 2500}};
  ASSERT_EQ(outline.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(outline[i], expected[i]) << i;
}

TEST(Outlines, SegmentCoincidence) {
  TankModeler modeler;
  const std::vector<Segment3d> list = {{{0, 0, 0}, {6000, 0, 0}}};
  struct Case { _3dPoint a, b; bool on; };
  const Case cases[] = {
      {{0, 0, 0}, {6000, 0, 0}, true},      // equal
      {{6000, 0, 0}, {0, 0, 0}, true},      // reversed
      {{3000, 0, 0}, {9000, 0, 0}, true},   // overlaps part of its length
      {{-1000, 0, 0}, {7000, 0, 0}, true},  // contains it
      {{6000, 0, 0}, {9000, 0, 0}, false},  // touches end to end
      {{0, 100, 0}, {6000, 100, 0}, false}, // parallel apart
  };
  for (const Case& c : cases) EXPECT_EQ(modeler.IsSegmentOnLines(c.a, c.b, list), c.on) << c.a.x << ".." << c.b.x;
  EXPECT_FALSE(modeler.IsSegmentOnLines({0, 0, 0}, {1, 0, 0}, {}));
}

TEST(Outlines, FacingOuterFaces) {
  TankModeler modeler;
  // Two walls meeting at a corner along the vertical line x = 0, y = 0.
  auto a = boost::make_shared<Board>();
  auto b = boost::make_shared<Board>();
  modeler.MakeBoardFromLocalOutline({0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {{0, 0}, {6000, 0}, {6000, 3000}, {0, 3000}},
                                    300, 0, a.get());
  modeler.MakeBoardFromLocalOutline({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}},
                                    300, 0, b.get());
  const _3dLine joint({0, 0, 0}, {0, 0, 3000});
  // a's normal is (0, -1, 0), pointing away from b; b's normal (1, 0, 0)
  // points into a.  So b turns its upper face to a, a its lower face to b.
  b->SetUpperFaceOuter(true);
  a->SetLowerFaceOuter(true);
  EXPECT_TRUE(modeler.AreOuterFacesFacing(a, b, joint));
  EXPECT_TRUE(modeler.AreOuterFacesFacing(b, a, joint));
  a->SetLowerFaceOuter(false);
  a->SetUpperFaceOuter(true);  // the face away from b does not count
  EXPECT_FALSE(modeler.AreOuterFacesFacing(a, b, joint));
  a->SetLowerFaceOuter(true);
  b->SetUpperFaceOuter(false);
  b->SetLowerFaceOuter(false);
  EXPECT_FALSE(modeler.AreOuterFacesFacing(a, b, joint));
}

TEST(Orderings, YThenX) {
  EXPECT_FALSE(PointYThenXLess({5, 0.05}, {3, 0}));
  EXPECT_TRUE(PointYThenXLess({3, 0}, {5, 0.05}));
  EXPECT_TRUE(PointYThenXLess({9, 0}, {0, 1}));
  EXPECT_TRUE(PointZLess({0, 0, 1}, {0, 0, 2}));
}

}  // namespace
