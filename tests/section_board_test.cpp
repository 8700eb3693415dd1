// The board of each line of a bar chain or section cut, on the regular
// 3 × 2-cell tank (18 m × 12 m, cells 6 m square; bottom-slab mid-plane at
// z = −3200, top-slab mid-plane at 800).
#include "rebar/SectionBoardFinder.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SectionBoards : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(3, 2, true, 18000, 12000)));
    for (const BoardPtr& b : tank.GetBoards()) boards.push_back(b);
  }

  // The board whose plan outline or base line matches, named for messages.
  std::string Name(const BoardPtr& board) const {
    if (!board) return "-";
    const char* kinds[] = {"wall", "bottom", "top"};
    return std::string(kinds[board->GetKind()]) + std::to_string(board->GetNumber());
  }

  std::string Describe(const std::vector<BoardPtr>& found) const {
    std::string out;
    for (const BoardPtr& b : found) out += (out.empty() ? "" : " ") + Name(b);
    return out;
  }

  BoardPtr BottomAt(double x, double y) const {
    for (const BoardPtr& b : tank.GetBottomSlabs())
      if (b->ContainsPoint(_2dPoint(x, y))) return b;
    return BoardPtr();
  }

  BoardPtr WallAlong(const _3dLine& line) const {
    for (const BoardPtr& w : tank.GetWalls())
      if (LineOnBoardTest(line)(w) && LineWithinBoardTest(line)(w)) return w;
    return BoardPtr();
  }

  Tank tank;
  std::vector<BoardPtr> boards;
};

const _3dPoint kSlabPoint(3000, 3000, -3200);
const _3dPoint kUnderWall(6000, 3000, -3200);

}  // namespace

TEST_F(SectionBoards, LinesOnCandidatesAndBendsIntoNeighbours) {
  const BoardPtr slab = BottomAt(3000, 3000);
  ASSERT_TRUE(slab);
  const _3dLine along(kSlabPoint, kUnderWall);
  const _3dLine up(kUnderWall, _3dPoint(6000, 3000, -1000));
  const BoardPtr wall = WallAlong(up);
  ASSERT_TRUE(wall);

  struct Case {
    const char* what;
    std::vector<_3dLine> lines;
    std::vector<BoardPtr> candidates;
    int category;
    std::vector<BoardPtr> expected;
  };
  const std::vector<Case> cases = {
      {"every line on a candidate: the first candidate carrying it", {along, up}, {slab, wall}, 2, {slab, wall}},
      {"earlier candidate wins", {along}, {slab, slab}, 2, {slab}},
      {"a bend into the wall standing on the slab's edge", {along, up}, {slab}, 2, {slab, wall}},
      {"haunch zones name only carrying boards", {along, up}, {slab}, 4, {slab, BoardPtr()}},
      {"a single line no candidate carries", {up}, {slab}, 2, {BoardPtr()}},
      {"collinear lines span no plane",
       {_3dLine(kUnderWall, _3dPoint(6000, 3000, -2000)), _3dLine(_3dPoint(6000, 3000, -2000), _3dPoint(6000, 3000, -1000))},
       {slab},
       2,
       {BoardPtr(), BoardPtr()}},
      {"a leg running past the wall top lies on the wall's plane but not within it",
       {along, _3dLine(kUnderWall, _3dPoint(6000, 3000, 5000))},
       {slab},
       2,
       {slab, BoardPtr()}},
      {"no candidates", {along, up}, {}, 2, {BoardPtr(), BoardPtr()}},
      {"no lines", {}, {slab}, 2, {}},
  };
  for (const Case& c : cases) {
    const SectionBoardFinder finder(tank, c.category);
    const std::vector<BoardPtr> found = finder.FindBoards(c.lines, c.candidates);
    EXPECT_EQ(Describe(found), Describe(c.expected)) << c.what;
  }
}

TEST_F(SectionBoards, BarRunningUpAWallAndIntoTheTopSlab) {
  // A bar up the inner wall at x = 6000 and across under the top slab of the
  // second cell; only the wall is a candidate: the top leg reaches the top
  // slab across the wall's top edge nearest to the bend.
  const _3dPoint base(6000, 3000, -3200), top(6000, 3000, 800), inTop(8000, 3000, 800);
  const BoardPtr wall = WallAlong(_3dLine(base, top));
  ASSERT_TRUE(wall);
  const SectionBoardFinder finder(tank, 1);
  const std::vector<BoardPtr> found = finder.FindBoards({_3dLine(base, top), _3dLine(top, inTop)}, {wall});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], wall);
  ASSERT_TRUE(found[1]);
  EXPECT_EQ(found[1]->GetKind(), 2);
  EXPECT_TRUE(found[1]->ContainsPoint(_2dPoint(7000, 3000)));
}
