// The rebar design of every example, taken whole: each board face has its
// face zones with bars, junctions their support bars, openings their added
// bars; the marks run from 1 without gaps, top slabs first, then bottom
// slabs, walls and supports, and a second run gives the same marks.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "rebar/ReinDesigner.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

class DesignedExample : public HostCommandTest, public ::testing::WithParamInterface<const char*> {};
class DesignedExampleTank : public HostCommandTest {};

// Every zone a bar mark can be given, each once.
std::vector<ReinZonePtr> MarkedZones(const Tank& tank) {
  std::vector<ReinZonePtr> zones;
  std::set<const ReinZone*> seen;
  const auto add = [&](const ReinZonePtr& z) {
    if (z && seen.insert(z.get()).second) zones.push_back(z);
  };
  for (const BoardPtr& b : ReinDesigner::DesignBoards(tank))
    for (const ReinZonePtr& z : b->GetAllZones()) add(z);
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  for (const BoardJointPtr& joint : joints) {
    EarPtr ear;
    if (GetJointEar(joint, ear))
      for (const ReinZonePtr& z : ear->GetZones()) add(z);
    if (GetJointOverhangEar(joint, ear))
      for (const ReinZonePtr& z : ear->GetZones()) add(z);
  }
  for (const ReinZonePtr& z : tank.GetSupportReins()) add(z);
  return zones;
}

int KindRank(int kind) {
  switch (kind) {
    case 1: return 0;     // top slab
    case 16: return 1;    // bottom slab
    case 256: return 2;   // wall
    case 4096: return 3;  // support
    default: return 4;
  }
}

TEST_P(DesignedExample, EveryMemberIsReinforcedAndTheMarksRunWithoutGaps) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject(GetParam()), "x"), "x");
  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  designer.DesignRein(nullptr);
  const Tank& tank = designer.GetTank();

  for (const BoardPtr& b : ReinDesigner::DesignBoards(tank)) {
    for (const auto* list : {&b->GetUpperZones(), &b->GetLowerZones()}) {
      ASSERT_FALSE(list->empty()) << "board " << b->GetNumber() << " kind " << b->GetKind();
      for (const ReinZonePtr& z : *list) EXPECT_FALSE(z->GetReins().empty()) << "board " << b->GetNumber();
    }
    for (const HolePtr& hole : b->GetHoles()) {
      if (!hole) continue;
      std::size_t bars = 0;
      for (const ReinZonePtr& z : hole->GetZones()) bars += z->GetReins().size();
      EXPECT_GT(bars, 0u) << "an opening of board " << b->GetNumber();
    }
  }
  EXPECT_FALSE(tank.GetSupportReins().empty());

  // Marks: 1 … N without gaps, in kind order; zones without bars carry none.
  const std::vector<ReinZonePtr> zones = MarkedZones(tank);
  std::set<int> numbers;
  int lastRank = -1, lastNumber = 0;
  std::vector<ReinZonePtr> byNumber = zones;
  std::erase_if(byNumber, [](const ReinZonePtr& z) { return z->GetNumber() <= 0; });
  std::stable_sort(byNumber.begin(), byNumber.end(),
                   [](const ReinZonePtr& a, const ReinZonePtr& b) { return a->GetNumber() < b->GetNumber(); });
  for (const ReinZonePtr& z : byNumber) {
    numbers.insert(z->GetNumber());
    EXPECT_GE(KindRank(z->GetKind()), lastRank) << "mark " << z->GetNumber() << " kind " << z->GetKind();
    if (z->GetNumber() != lastNumber) lastRank = KindRank(z->GetKind());
    lastNumber = z->GetNumber();
  }
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(*numbers.begin(), 1);
  EXPECT_EQ(static_cast<std::size_t>(*numbers.rbegin()), numbers.size()) << "the marks leave a gap";
  for (const ReinZonePtr& z : zones)
    if (z->GetReins().empty()) {
      EXPECT_EQ(z->GetNumber(), 0);
    }

  // The marks are those of the plain rule: the zones in the order the
  // numbering collects them, per kind, each taking the mark of the first
  // zone before it with equal bars, else the next mark.
  {
    std::vector<ReinZonePtr> order;
    std::set<const ReinZone*> seen;
    const auto add = [&](const ReinZonePtr& z) {
      if (z && seen.insert(z.get()).second) order.push_back(z);
    };
    for (const BoardPtr& b : ReinDesigner::DesignBoards(tank))
      for (const ReinZonePtr& z : b->GetAllZones()) add(z);
    for (const ReinZonePtr& z : tank.GetOtherReinZones()) add(z);
    for (const ReinZonePtr& z : tank.GetSupportReins()) add(z);
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank.GetJoints(firsts, seconds, joints);
    for (const BoardJointPtr& joint : joints) {
      EarPtr ear;
      if (GetJointEar(joint, ear))
        for (const ReinZonePtr& z : ear->GetZones()) add(z);
      if (GetJointOverhangEar(joint, ear))
        for (const ReinZonePtr& z : ear->GetZones()) add(z);
    }
    int next = 1;
    for (int kind : {1, 16, 256, 4096}) {
      std::vector<std::pair<ReinZonePtr, int>> numbered;
      for (const ReinZonePtr& z : order) {
        if (z->GetKind() != kind) continue;
        if (kind == 256 && (z->GetDiameter() == 0 || z->GetReins().empty())) continue;
        int mark = 0;
        for (const auto& [h, m] : numbered)
          if (h->IsSameRein(z)) {
            mark = m;
            break;
          }
        if (mark == 0) mark = next++;
        numbered.emplace_back(z, mark);
        EXPECT_EQ(z->GetNumber(), mark) << "a zone of kind " << kind;
      }
    }
  }

  // A second run numbers the same zones the same way.
  std::vector<int> first;
  for (const ReinZonePtr& z : zones) first.push_back(z->GetNumber());
  designer.DesignRein(nullptr);
  std::vector<int> second;
  for (const ReinZonePtr& z : MarkedZones(designer.GetTank())) second.push_back(z->GetNumber());
  EXPECT_EQ(second, first);
}

INSTANTIATE_TEST_SUITE_P(Examples, DesignedExample,
                         ::testing::Values("buried-two-cell", "grid-3x2", "open-single-cell"));


// On the buried two-cell tank six joint zones stand under a wall edge and a
// slab edge at once.  Each is a wall zone on the wall's face, and its mark
// lies among the walls' marks: after every slab mark, before every support
// mark.
TEST_F(DesignedExampleTank, JointZonesAWallSharesWithASlabAreWallZones) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  designer.DesignRein(nullptr);
  const Tank& tank = designer.GetTank();

  // Per edge zone: the boards holding it and the wall's face.
  struct Holders {
    bool wall = false, slab = false;
    int wallFace = -1;
  };
  std::map<const ReinZone*, Holders> holders;
  std::map<const ReinZone*, ReinZonePtr> byPointer;
  for (const BoardPtr& b : ReinDesigner::DesignBoards(tank))
    for (const BoardEdge& e : b->GetEdges())
      for (int face : {0, 1})
        for (const ReinZonePtr& z : face == 0 ? e.GetUpperZones() : e.GetLowerZones()) {
          Holders& h = holders[z.get()];
          byPointer[z.get()] = z;
          if (b->GetKind() == 0) {
            h.wall = true;
            h.wallFace = face;
          } else {
            h.slab = true;
          }
        }
  int lastSlabMark = 0, firstSupportMark = 1 << 30;
  for (const ReinZonePtr& z : MarkedZones(tank)) {
    if (z->GetNumber() <= 0) continue;
    if (z->GetKind() == 1 || z->GetKind() == 16) lastSlabMark = std::max(lastSlabMark, z->GetNumber());
    if (z->GetKind() == 4096) firstSupportMark = std::min(firstSupportMark, z->GetNumber());
  }
  int shared = 0;
  for (const auto& [zone, h] : holders) {
    if (!h.wall || !h.slab) continue;
    ++shared;
    EXPECT_EQ(zone->GetKind(), 256);
    EXPECT_EQ(zone->GetFace(), h.wallFace);
    EXPECT_GT(zone->GetNumber(), lastSlabMark);
    EXPECT_LT(zone->GetNumber(), firstSupportMark);
  }
  EXPECT_EQ(shared, 6);
}

}  // namespace
