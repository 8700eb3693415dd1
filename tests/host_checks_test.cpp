// The checks as the host reports them: a failed anti-floating or bearing
// check stands out, is saved with the other outputs and gives exit code 3;
// the anti-floating check of the buried example against a hand calculation.
#include "app/ProjectFile.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

class HostChecks : public HostCommandTest {
 protected:
  std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The buried example with a few settings changed (JSON text spliced in
  // front of the example's own settings sections).
  std::string Project(const std::string& calculation) {
    std::string text = tank::app::ExampleProject("buried-two-cell");
    const std::string key = "\"settings\": {";
    const std::size_t at = text.find(key);
    EXPECT_NE(at, std::string::npos);
    if (!calculation.empty()) text.insert(at + key.size(), "\n    " + calculation + ",");
    const std::string path = Path("p.json");
    std::ofstream(path) << text;
    return path;
  }
};

// G/F of the buried two-cell example by hand (walls 300 on the 12 × 6 m
// axis rectangle, bottom slab 400 with its top at −4.5 m, top slab 250 with
// its top at −0.5 m, overhang 500, default soil and groundwater):
//   base to the overhang's edge 13.3 × 7.3 = 97.09 m², outer wall faces
//   12.3 × 6.3 = 77.49 m²: soil on 19.60 m² of overhang only (not on the
//   outer halves of the walls).  The figure of the soil over the whole
//   25.09 m² beyond the wall axes (1.96) is about 10 % too high.
TEST_F(HostChecks, BuriedExampleAntiFloatingMatchesHandCalculation) {
  const HostRun r = RunTool({"analyse", Project("")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("外伸面积19.600m²"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("A=97.090m²"), std::string::npos) << r.out;
  const std::size_t at = r.out.find("G/F=");
  ASSERT_NE(at, std::string::npos) << r.out;
  // "G/F=G/F=ratio≥Kf=…"
  const std::string check = r.out.substr(at, r.out.find("Kf", at) - at);
  const double ratio = std::stod(check.substr(check.rfind('=') + 1));
  EXPECT_GT(ratio, 1.77) << r.out.substr(at, 80);
  EXPECT_LT(ratio, 1.81) << r.out.substr(at, 80);
}

// The overhang of an L-shaped plan built with `edit` (a 12 × 12 m square
// less its 6 × 6 m quarter, walls 300, overhang 500, the settings of the
// face-lines example): the plan outline moved out to the overhang's edge
// (d = 0.65 m) less the outline at the walls' outer faces (0.15 m).  An
// outline of perimeter 48 m with five convex and one re-entrant corner
// moved out by d covers 108 + 48 d + 4 d²: 140.89 m² to the overhang's
// edge, 115.29 m² to the outer faces, 25.60 m² of overhang (the strips
// carried over every corner counted the re-entrant corner twice: 26.00).
TEST_F(HostChecks, LShapedPlanOverhangTakesTheReEntrantCornerOnce) {
  const std::string examples = std::string(TANK_SOURCE_DIR) + "/examples/";
  const std::string script = Path("l.txt");
  std::ofstream(script) << "add-walls auto auto 0,0 12000,0 12000,6000 6000,6000 6000,12000 0,12000 0,0\n"
                           "add-wall 0,6000 6000,6000\n"
                           "add-wall 6000,0 6000,6000\n"
                           "rebuild-slabs bottom\n"
                           "rebuild-slabs top\n";
  const HostRun built = RunTool({"edit", examples + "face-lines.json", script, "-o", Path("l")});
  ASSERT_EQ(built.code, 0) << built.err;
  const HostRun r = RunTool({"analyse", Path("l/tank.tkd")});
  EXPECT_NE(r.out.find("外伸面积25.600m²"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("A=140.890m²"), std::string::npos) << r.out;
}

// A failed check: the analysis is done and saved, the check is framed as a
// warning on the error stream, checks.txt holds both checks, exit code 3.
TEST_F(HostChecks, FailedCheckWarnsSavesAndExitsWithThree) {
  const std::string project = Project("\"calculation\": { \"anti_float_safety_factor\": 5.0 }");
  const HostRun r = RunTool({"analyse", project, "-o", Path("out")});
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_NE(r.err.find("WARNING"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("抗浮验算不满足要求"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("地基承载力验算不满足要求"), std::string::npos) << r.err;
  const std::string checks = ReadFile(Path("out/checks.txt"));
  EXPECT_NE(checks.find("抗浮验算："), std::string::npos) << checks;
  EXPECT_NE(checks.find("地基承载力验算："), std::string::npos) << checks;
  EXPECT_NE(checks.find("不满足抗浮要求"), std::string::npos) << checks;
  EXPECT_NE(checks.find("抗浮验算：不满足"), std::string::npos) << checks;
  EXPECT_TRUE(std::filesystem::exists(Path("out/tank.tkd")));
  EXPECT_TRUE(std::filesystem::exists(Path("out/moments.csv")));

  // Without -o: the same code and warning, nothing written.
  const HostRun bare = RunTool({"analyse", project});
  EXPECT_EQ(bare.code, 3);
  EXPECT_NE(bare.err.find("WARNING"), std::string::npos);

  // Passing checks: exit 0, no warning, checks.txt says so.
  const HostRun ok = RunTool({"analyse", Project(""), "-o", Path("ok")});
  EXPECT_EQ(ok.code, 0) << ok.err;
  EXPECT_EQ(ok.err.find("WARNING"), std::string::npos) << ok.err;
  const std::string passed = ReadFile(Path("ok/checks.txt"));
  EXPECT_NE(passed.find("抗浮验算：满足"), std::string::npos) << passed;
  EXPECT_NE(passed.find("地基承载力验算：满足"), std::string::npos) << passed;
}

}  // namespace
