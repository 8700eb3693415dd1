// `tankdesign design`: the rebar design of an example through the host, its
// bar table checked against the saved design and against the bar areas
// worked out here.
#include "designer/TankDesigner.h"
#include "rebar/BarSelection.h"
#include "rebar/DetailingRules.h"
#include "rebar/SectionDesign.h"
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
                                           "crack_limit_mm", "mark", "status", "note", "governing_mm2_per_m",
                                           "governed_by"};
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

// The example with settings that once let wrong rows through: every row's
// crack width is that of its own bars (not of bars it had before the wall
// faces were unified), a row is `ok` only with a width within the limit, bars
// that give the governing area and bars that fit the section, and the
// governing area is the moment's or the minimum reinforcement's.
struct Variant {
  const char* what;
  const char* example;
  const char* settings;  // merged into the example's settings
  int exit;
  const char* mustShow;  // a status some row must carry ("" none)
};

class HostRebarVariant : public HostCommandTest, public ::testing::WithParamInterface<Variant> {};

TEST_P(HostRebarVariant, EveryRowHoldsItsRules) {
  const Variant& c = GetParam();
  nlohmann::json project;
  {
    std::ifstream in(std::string(TANK_SOURCE_DIR) + "/examples/" + c.example + ".json");
    in >> project;
  }
  project["settings"].merge_patch(nlohmann::json::parse(c.settings));
  const std::string path = Path("project.json");
  std::ofstream(path) << project.dump();
  const std::string first = (dir / "first").string(), second = (dir / "second").string();
  const HostRun run = RunTool({"design", path, "-o", first});
  ASSERT_EQ(run.code, c.exit) << run.err;

  TankDesigner designer;
  OpenDesignFile(designer, first + "/tank.tkd");
  ProjectSettings& settings = designer.GetSettings();
  ReinDesignOptions options;
  options.SetSettings(&settings);
  const CalcSettings& calc = settings.GetCalcSettings();
  const double limit = calc.GetCrackWidthLimit();
  const double setRatio = settings.GetLoadSettings().GetMinReinRatio();

  struct Group {
    BoardPtr board;
    bool span, upper, x;
    int edge;
  };
  std::vector<Group> groups;
  for (const BoardPtr& b : designer.GetTank().GetBoards()) {
    for (bool upper : {true, false})
      for (bool x : {true, false}) groups.push_back({b, true, upper, x, 0});
    for (int e = 0; e < static_cast<int>(b->GetEdges().size()); ++e)
      for (bool upper : {true, false}) groups.push_back({b, false, upper, true, e});
  }
  const auto rows = ReadCsv(first + "/rebar.csv");
  ASSERT_EQ(rows.size(), groups.size() + 1);
  bool shown = false;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const auto& r = rows[i + 1];
    const Group& g = groups[i];
    const std::string where = r[0] + " " + r[1] + " " + r[2];
    ASSERT_EQ(r.size(), 15u) << where;
    if (r[11] == c.mustShow) shown = true;
    const int d = std::stoi(r[5]), s = std::stoi(r[6]);
    const double width = std::stod(r[8]);
    if (d > 0) {
      const double own = ComputeCrackWidthFor(settings, g.board, g.span, g.upper, g.x, g.edge, d, s);
      EXPECT_NEAR(width, own, 0.0006) << where;
    }
    if (width > limit) {
      EXPECT_EQ(r[11], calc.IsCrackWidthControlled() ? "crack limit not met" : "crack limit not met (crack control off)")
          << where;
    }
    if (r[11] != "ok") continue;
    const double h = g.board->GetThickness();
    EXPECT_LE(GetConcreteCover(options, g.board, true) + GetConcreteCover(options, g.board, false) + 4.0 * d, h)
        << where << ": " << d << " mm bars do not fit";
    EXPECT_GE(s - d, std::max(d, 25)) << where;
    EXPECT_LE(width, limit) << where;
    const double governing = std::stod(r[13]);
    EXPECT_GT(std::stod(r[7]), governing - 0.05) << where;
    // In the settings' grade (the upgraded grade has a ratio of its own):
    // the minimum is the ratio × h × 1000, the ratio at least 0.45 ft/fy.
    if (r[4] == GetReinGradeOfKind(settings, g.board->GetKind()) && !settings.GetLoadSettings().IsSupportAreaInSpan()) {
      const double ratio = std::max(setRatio < 0 ? 0.002 : setRatio,
                                    0.45 * GetConcreteTensileStrength(g.board->GetConcreteGrade()) /
                                        GetReinDesignStrength(r[4]));
      const double minimum = ratio * h * 1000.0, moment = std::stod(r[3]);
      EXPECT_NEAR(governing, std::max(minimum, moment), 0.051) << where;
      EXPECT_EQ(r[14], minimum > moment + 0.05 ? "minimum ratio" : moment > minimum + 0.05 ? "moment" : r[14])
          << where;
    }
  }
  if (*c.mustShow) {
    EXPECT_TRUE(shown) << "no row with the status " << c.mustShow;
  }

  // Designed again from the saved design: the same rows.
  const HostRun again = RunTool({"design", first + "/tank.tkd", "-o", second});
  ASSERT_EQ(again.code, c.exit) << again.err;
  EXPECT_EQ(ReadCsv(second + "/rebar.csv"), rows);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, HostRebarVariant,
    ::testing::Values(
        Variant{"as given", "buried-two-cell", "{}", 0, ""},
        Variant{"plain bars upgraded", "buried-two-cell",
                R"({"materials": {"rebar_grade_walls": "HPB235", "rebar_grade_bottom_slab": "HPB235",
                    "rebar_grade_top_slab": "HPB235"},
                    "reinforcement": {"plain_bar_upgrade": true, "plain_bar_upgrade_grade": "HRB400",
                    "plain_bar_diameter_limit_mm": 12}})",
                0, ""},
        Variant{"wall faces unified", "buried-two-cell", R"({"detailing": {"wall_faces_unified": true}})", 0, ""},
        Variant{"crack control off", "buried-two-cell", R"({"calculation": {"crack_width_control": false}})", 4,
                "crack limit not met (crack control off)"},
        Variant{"150 mm walls", "open-single-cell",
                R"({"geometry": {"wall_thickness_mm": 150, "tank_top_elevation_m": 5.7}})", 4,
                "bars do not fit the section"}),
    [](const ::testing::TestParamInfo<Variant>& info) {
      std::string name = info.param.what;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST_F(HostRebarTest, BadOptionsAreRefused) {
  const HostRun bad = RunTool({"design", kExample, "--rounding-step", "0"});
  EXPECT_EQ(bad.code, 2) << bad.err;
  EXPECT_NE(bad.err.find("--rounding-step"), std::string::npos);
  EXPECT_NE(RunTool({"design", Path("missing.tkd")}).code, 0);
}

}  // namespace
