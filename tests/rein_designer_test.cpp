// The section-design steps of the rebar design engine over a whole tank:
// required areas with the compression steel of the opposite face, bar
// selection, crack widths, and the design state of every bar group, filed
// with the tank.
#include "rebar/ReinDesigner.h"
#include "rebar/BarSelection.h"
#include "rebar/SectionDesign.h"
#include "platform/Tobrin.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>

namespace {

using rebarfx::MakeBoard;

std::vector<FaceValues> AllGroups(const Tank& tank) {
  std::vector<FaceValues> out;
  for (const BoardPtr& b : ReinDesigner::DesignBoards(tank)) {
    for (bool upper : {true, false})
      for (bool x : {true, false}) out.push_back(b->GetFaceValues(upper, x));
    for (const BoardEdge& e : b->GetEdges()) {
      out.push_back(e.GetFaceValues(true));
      out.push_back(e.GetFaceValues(false));
    }
  }
  return out;
}

TEST(ReinDesigner, CompressionSteelOfTheOppositeFaceGoverns) {
  rebarfx::Design d;
  Tank tank;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 300);
  slab->SetUpperXBasicMoment(450);  // doubly reinforced: As' = 1032.05 on the lower face
  slab->SetLowerXBasicMoment(-10);  // its own As is far smaller
  slab->SetUpperYBasicMoment(50);   // singly reinforced: each face its own As
  slab->SetLowerYBasicMoment(-30);
  slab->GetEdges()[0].SetUpperBasicMoment(450);
  tank.AddBoard(slab);
  ReinDesigner designer;
  designer.ComputeRequiredAreas(tank, d.options);

  double as = 0, as2 = 0;
  ASSERT_TRUE(ComputeRequiredSteelArea(d.options, slab, 0, true, true, true, as, as2));
  EXPECT_NEAR(slab->GetUpperXCalcArea(), 7822.162, 1e-3);
  EXPECT_NEAR(slab->GetLowerXCalcArea(), 1032.045, 1e-3);
  EXPECT_NEAR(slab->GetUpperYCalcArea(), 661.207, 1e-3);
  double own = 0;
  ASSERT_TRUE(ComputeRequiredSteelArea(d.options, slab, 0, true, false, false, own, as2));
  EXPECT_DOUBLE_EQ(slab->GetLowerYCalcArea(), own);
  EXPECT_NEAR(slab->GetEdges()[0].GetLowerCalcArea(), 1032.045, 1e-3);
  for (const FaceValues& v : AllGroups(tank)) EXPECT_EQ(v.status, BarGroupStatus::kNotDesigned);
}

// A board too thin for its covers: every group is marked not designable, with
// no area and no bars, and nothing that is not a number reaches the model.
TEST(ReinDesigner, DegenerateBoardIsMarkedNotDesignable) {
  rebarfx::Design d;
  Tank tank;
  BoardPtr thin = MakeBoard(1, 6000, 4000, 40);  // bottom-slab covers 35 and 50
  thin->SetUpperXBasicMoment(5);
  thin->SetLowerYBasicMoment(-5);
  tank.AddBoard(thin);
  thin->SetNumber(3);
  ReinDesigner designer;
  designer.ComputeRequiredAreas(tank, d.options);
  designer.SelectAllReins(tank, d.options);
  designer.ComputeCrackWidths(tank, d.options);
  for (const FaceValues& v : AllGroups(tank)) {
    EXPECT_EQ(v.status, BarGroupStatus::kNotDesignable);
    EXPECT_EQ(v.calcArea, 0.0);
    EXPECT_EQ(v.diameter, 0);
    EXPECT_TRUE(std::isfinite(v.crackWidth));
    EXPECT_NE(v.statusNote.find("bottom slab 3"), std::string::npos) << v.statusNote;
  }
  EXPECT_NE(thin->GetLowerYStatusNote().find("bottom slab 3, lower face, Y bars: effective depth"),
            std::string::npos)
      << thin->GetLowerYStatusNote();
  EXPECT_EQ(ReinDesigner::GetFailingGroups(tank).size(), 4u + 2u * 4u);
}

// The 1 × 1-cell tank analysed and designed: every group gets bars that meet
// the rules or a failing state with its note, and the crack widths stored for
// the mid-span bars are those of the selected bars.
TEST(ReinDesigner, AnalysedTankIsDesignedGroupByGroup) {
  rebarfx::Design d;
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000), true));
  rebarfx::AssignGrades(tank, d.settings);
  ASSERT_TRUE(AnalyseTank(tank, d.settings)) << GetLastAnalysisError();
  ReinDesigner designer;
  designer.ComputeRequiredAreas(tank, d.options);
  designer.SelectAllReins(tank, d.options);
  designer.ComputeCrackWidths(tank, d.options);

  const ReinSettings& rs = d.settings.GetReinSettings();
  int designed = 0;
  for (const BoardPtr& b : ReinDesigner::DesignBoards(tank)) {
    for (bool upper : {true, false})
      for (bool x : {true, false}) {
        const FaceValues& v = b->GetFaceValues(upper, x);
        ASSERT_TRUE(std::isfinite(v.calcArea) && std::isfinite(v.crackWidth));
        if (v.status == BarGroupStatus::kDesigned) {
          ++designed;
          EXPECT_GE(v.diameter, rs.GetMinBarDiameter());
          EXPECT_GE(v.spacing, rs.GetMinBarSpacing());
          EXPECT_LE(v.spacing, rs.GetMaxBarSpacing());
          EXPECT_GT(AreaPerMetre(v.diameter, v.spacing), v.calcArea);
          EXPECT_LE(v.crackWidth, d.settings.GetCalcSettings().GetCrackWidthLimit());
          EXPECT_NEAR(v.crackWidth, ComputeCrackWidthFor(d.settings, b, true, upper, x, 0, v.diameter, v.spacing),
                      1e-12);
        } else {
          EXPECT_TRUE(BarGroupStatus::IsFailing(v.status));
          EXPECT_FALSE(v.statusNote.empty());
        }
      }
    const auto& edges = b->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      for (bool upper : {true, false}) {
        const FaceValues& v = edges[i].GetFaceValues(upper);
        // Support bars carry the crack width of their own bars.
        if (v.status != BarGroupStatus::kCrackLimitNotMet) {
          const double w = v.diameter > 0 && v.spacing > 0
                               ? ComputeCrackWidthFor(d.settings, b, false, upper, true, static_cast<int>(i),
                                                      v.diameter, v.spacing)
                               : 0.0;
          EXPECT_NEAR(v.crackWidth, w, 1e-12);
        }
        EXPECT_NE(v.status, BarGroupStatus::kNotDesigned);
      }
  }
  EXPECT_GT(designed, 0);
}

// The design state of every group is filed with the tank and read back.
TEST(ReinDesigner, DesignStatesAreFiledWithTheTank) {
  Tank tank;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 300);
  slab->SetLowerYStatus(BarGroupStatus::kCrackLimitNotMet, "top slab 1, lower face, Y bars: crack limit not met");
  slab->GetEdges()[2].SetUpperStatus(BarGroupStatus::kNoBarForArea, "top slab 1, edge 3, upper face: no bar");
  slab->SetUpperXStatus(BarGroupStatus::kDesigned);
  tank.AddBoard(slab);
  tank.AddBoard(MakeBoard(1, 6000, 4000, 400));

  Tank read;
  fixtures::ReadTank(read, fixtures::StoreTank(tank));
  EXPECT_EQ(AllGroups(read), AllGroups(tank));
  const BoardPtr r = ReinDesigner::DesignBoards(read).front();
  EXPECT_EQ(r->GetLowerYStatus(), BarGroupStatus::kCrackLimitNotMet);
  EXPECT_EQ(r->GetEdges()[2].GetUpperStatusNote(), "top slab 1, edge 3, upper face: no bar");
  EXPECT_EQ(ReinDesigner::GetFailingGroups(read).size(), 2u);

  // The undo snapshot keeps them too.
  Tank copy(tank);
  EXPECT_EQ(AllGroups(copy), AllGroups(tank));
}

// The archive around a tank record: a 20-byte head (magic, version, size) and
// a CRC-32 of everything before it.
std::vector<std::uint8_t> Seal(const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> bytes = {'V', 'E', 'K', 'A', 'R', 'C', 'H', '1', 1, 0, 0, 0};
  const std::uint64_t size = payload.size();
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  const auto crc = static_cast<std::uint32_t>(crc32_z(crc32_z(0L, Z_NULL, 0), bytes.data(), bytes.size()));
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  return bytes;
}

// A record of the layout before the design states were filed (version 2: the
// same record without the design-state block before the trailer) reads with
// every group "not designed"; a block whose group count does not fit the
// board is refused.
TEST(ReinDesigner, OlderTankRecordsReadAsNotDesigned) {
  Tank tank;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 300);
  tank.AddBoard(slab);
  for (FaceValues* v : {&slab->GetFaceValues(true, true), &slab->GetEdges()[1].GetFaceValues(false)}) {
    v->status = BarGroupStatus::kCrackLimitNotMet;
    v->statusNote = "note";
  }
  const std::vector<std::uint8_t> archive = fixtures::StoreTank(tank);
  std::vector<std::uint8_t> payload(archive.begin() + 20, archive.end() - 4);
  // Block: the group count, then per group its state and its note.
  const std::size_t block = 4 + 12 * 8 + 2 * 4;
  const std::size_t trailer = 4 + 13;  // "EndQuenbyTank"
  const std::size_t versionAt = 4 + 10;  // after "QuenbyTank"
  ASSERT_EQ(payload[versionAt], 3);

  std::vector<std::uint8_t> older(payload.begin(), payload.end() - static_cast<std::ptrdiff_t>(trailer + block));
  older.insert(older.end(), payload.end() - static_cast<std::ptrdiff_t>(trailer), payload.end());
  older[versionAt] = 2;
  Tank read;
  fixtures::ReadTank(read, Seal(older));
  ASSERT_EQ(read.GetBoards().size(), 1u);
  for (const FaceValues& v : AllGroups(read)) {
    EXPECT_EQ(v.status, BarGroupStatus::kNotDesigned);
    EXPECT_TRUE(v.statusNote.empty());
  }

  std::vector<std::uint8_t> wrongCount = payload;
  wrongCount[payload.size() - trailer - block] = 11;
  Tank kept;
  EXPECT_THROW(fixtures::ReadTank(kept, Seal(wrongCount)), ArchiveError);
  EXPECT_TRUE(kept.GetBoards().empty());
}

}  // namespace
