// `tankdesign design`: the rebar design of an example through the host, its
// bar table checked against the saved design and against the bar areas
// worked out here.
#include "designer/TankDesigner.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

const std::string kExample = std::string(TANK_SOURCE_DIR) + "/examples/buried-two-cell.json";

// A CSV line split into its fields (quoted fields may hold commas).
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') out.back() += '"', ++i;
      else if (c == '"') quoted = false;
      else out.back() += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::vector<std::string>> ReadCsv(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) rows.push_back(Fields(line));
  return rows;
}

class HostRebarTest : public HostCommandTest {};

TEST_F(HostRebarTest, DesignsTheExampleAndTabulatesEveryBarGroup) {
  const HostRun run = RunTool({"design", kExample, "-o", dir.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  // Progress: one line per step, its percent and name, ending at 100 % once.
  std::vector<int> percents;
  std::vector<std::string> steps;
  const std::regex progress(R"(rebar design +(\d+)%  (.+))");
  std::istringstream err(run.err);
  for (std::string line; std::getline(err, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, progress)) continue;
    percents.push_back(std::stoi(m[1]));
    EXPECT_EQ(std::count(steps.begin(), steps.end(), m[2].str()), 0) << "shown twice: " << line;
    steps.push_back(m[2]);
  }
  EXPECT_EQ(percents, (std::vector<int>{10, 20, 40, 50, 60, 80, 80, 90, 100}));
  EXPECT_NE(run.out.find("wall 1"), std::string::npos);

  TankDesigner designer;
  OpenDesignFile(designer, Path("tank.tkd"));
  EXPECT_TRUE(designer.IsReinDesigned());
  const Tank& tank = designer.GetTank();
  const double limit = designer.GetSettings().GetCalcSettings().GetCrackWidthLimit();

  const auto rows = ReadCsv(Path("rebar.csv"));
  ASSERT_FALSE(rows.empty());
  const std::vector<std::string> header = {"board", "face", "direction_or_edge", "required_mm2_per_m", "grade",
                                           "diameter_mm", "spacing_mm", "provided_mm2_per_m", "crack_width_mm",
                                           "crack_limit_mm", "mark", "status", "note"};
  EXPECT_EQ(rows[0], header);
  // One row per board face and direction and per edge face, in board order.
  std::vector<const FaceValues*> groups;
  for (const BoardPtr& b : tank.GetBoards()) {
    for (bool upper : {true, false})
      for (bool x : {true, false}) groups.push_back(&b->GetFaceValues(upper, x));
    for (const BoardEdge& e : b->GetEdges())
      for (bool upper : {true, false}) groups.push_back(&e.GetFaceValues(upper));
  }
  ASSERT_EQ(rows.size(), groups.size() + 1);
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const auto& r = rows[i + 1];
    ASSERT_EQ(r.size(), header.size()) << i;
    const FaceValues& v = *groups[i];
    const std::string where = r[0] + " " + r[1] + " " + r[2];
    EXPECT_NEAR(std::stod(r[3]), v.calcArea, 0.051) << where;
    EXPECT_EQ(r[4], v.grade) << where;
    EXPECT_EQ(std::stoi(r[5]), v.diameter) << where;
    EXPECT_EQ(std::stoi(r[6]), v.spacing) << where;
    // n·π·d²/4 per metre with n = 1000/s bars.
    const double provided =
        v.spacing > 0 ? (1000.0 / v.spacing) * M_PI * v.diameter * v.diameter / 4.0 : 0.0;
    EXPECT_NEAR(std::stod(r[7]), provided, 0.051) << where;
    EXPECT_NEAR(std::stod(r[8]), v.crackWidth, 0.0005) << where;
    EXPECT_NEAR(std::stod(r[9]), limit, 1e-9) << where;
    // The example designs cleanly: bars give the required area and crack
    // less than the limit.
    EXPECT_EQ(r[11], "ok") << where << " " << r[12];
    EXPECT_TRUE(r[12].empty()) << where;
    EXPECT_GE(std::stod(r[7]) + 0.05, std::stod(r[3])) << where;
    EXPECT_LT(std::stod(r[8]), limit) << where;
    // Every board face and direction has a zone of bars with a mark.
    if (r[2] == "X" || r[2] == "Y") {
      EXPECT_GT(std::stoi(r[10]), 0) << where;
    }
  }
}

TEST_F(HostRebarTest, SavedDesignIsDesignedAgainWithoutAnalysisAndTheSameBars) {
  const std::string first = (dir / "first").string(), second = (dir / "second").string();
  ASSERT_EQ(RunTool({"design", kExample, "-o", first}).code, 0);
  const HostRun again = RunTool({"design", first + "/tank.tkd", "-o", second, "--rounding-step", "100"});
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(again.err.find("analysing"), std::string::npos);
  EXPECT_EQ(ReadCsv(first + "/rebar.csv"), ReadCsv(second + "/rebar.csv"));
}

TEST_F(HostRebarTest, FailingGroupsAreNamedWithANonZeroExit) {
  // A crack limit that no bar of the table meets on the most loaded groups.
  nlohmann::json project;
  {
    std::ifstream in(kExample);
    in >> project;
  }
  project["settings"]["calculation"]["crack_width_limit_mm"] = 0.05;
  const std::string path = Path("tight.json");
  std::ofstream(path) << project.dump();
  const HostRun run = RunTool({"design", path, "-o", (dir / "out").string()});
  EXPECT_EQ(run.code, 4) << run.err;
  EXPECT_NE(run.err.find("not satisfied"), std::string::npos);
  EXPECT_NE(run.err.find("crack limit not met"), std::string::npos) << run.err;
  // The files are written all the same, the failing rows saying why.
  const auto rows = ReadCsv((dir / "out" / "rebar.csv").string());
  int failing = 0;
  for (std::size_t i = 1; i < rows.size(); ++i)
    if (rows[i][11] == "crack limit not met") {
      ++failing;
      EXPECT_FALSE(rows[i][12].empty());
      EXPECT_GT(std::stod(rows[i][8]), 0.05);
    }
  EXPECT_GT(failing, 0);
}

TEST_F(HostRebarTest, BadOptionsAreRefused) {
  const HostRun bad = RunTool({"design", kExample, "--rounding-step", "0"});
  EXPECT_EQ(bad.code, 2) << bad.err;
  EXPECT_NE(bad.err.find("--rounding-step"), std::string::npos);
  EXPECT_NE(RunTool({"design", Path("missing.tkd")}).code, 0);
}

}  // namespace
