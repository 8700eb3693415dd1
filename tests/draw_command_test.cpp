// `tankdesign draw`: the drawings of each example as files a CAD program
// reads, the same files on a second run, the same entities and handles in
// the sheet, the per-drawing files and the reopened design, the zones and
// wall sections that cannot be drawn named with exit code 5, and wrong
// command lines refused before any work.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "tests/export_readers.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

namespace {

using namespace export_readers;
namespace fs = std::filesystem;

std::string ExamplePath(const std::string& name) { return std::string(TANK_SOURCE_DIR) + "/examples/" + name + ".json"; }

// Handle → (type, layer) of every model-space entity of the drawing.  A
// mark bubble is one entity written as a circle and the text at its centre:
// the circle carries the entity's handle, the text a handle of the file's
// own, so the text is left out here.
std::map<std::string, std::pair<std::string, std::string>> EntitiesByHandle(const json& report) {
  std::map<std::string, std::pair<std::string, std::string>> out;
  const json* previous = nullptr;
  for (const json& e : report["entities"]) {
    const bool bubbleText = previous && e["type"] == "TEXT" && (*previous)["type"] == "CIRCLE" &&
                            std::abs(e["align_point"][0].get<double>() - (*previous)["center"][0].get<double>()) < 1e-6 &&
                            std::abs(e["align_point"][1].get<double>() - (*previous)["center"][1].get<double>()) < 1e-6;
    if (!bubbleText) out[e["handle"]] = {e["type"], e["layer"]};
    previous = &e;
  }
  return out;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The titles a drawing file of `draw` carries, by its name: each drawing its
// own, the sheet all of them.  False for a name `draw` does not write.
bool TitlesOfDrawing(const std::string& stem, bool covered, std::vector<std::string>& titles) {
  static const std::map<std::string, std::string> plans = {
      {"top-slab-plan", "顶板配筋图"}, {"bottom-slab-plan", "底板配筋图"}, {"wall-plan", "池壁配筋图"}};
  if (const auto it = plans.find(stem); it != plans.end()) {
    titles = {it->second};
  } else if (stem.rfind("section-", 0) == 0) {
    const std::string n = stem.substr(8);
    titles = {n + "-" + n + " 剖面配筋图"};
  } else if (stem.rfind("hole-", 0) == 0) {
    titles = {stem.substr(5)};
  } else if (stem == "rebar-schedule" || stem == "materials") {
    // One part per board kind, the top slabs' only under a cover.
    const std::string tail = stem == "materials" ? "材料用量" : "钢筋表";
    titles = {"底板" + tail, "池壁" + tail};
    if (covered) titles.push_back("顶板" + tail);
  } else {
    return false;
  }
  return true;
}

// The entities of a report, the handles of the bubble texts left out (each
// file gives them its own, see EntitiesByHandle).
json EntitiesWithoutBubbleTextHandles(const json& report) {
  json out = report["entities"];
  for (std::size_t i = 1; i < out.size(); ++i) {
    const json& e = out[i];
    const json& previous = out[i - 1];
    if (e["type"] == "TEXT" && previous["type"] == "CIRCLE" && e["align_point"][0] == previous["center"][0] &&
        e["align_point"][1] == previous["center"][1])
      out[i].erase("handle");
  }
  return out;
}

// The first entity where two reports differ, or "" when they hold the same
// entities in the same order.
std::string FirstEntityDifference(const json& a, const json& b) {
  const json ea = EntitiesWithoutBubbleTextHandles(a);
  const json eb = EntitiesWithoutBubbleTextHandles(b);
  for (std::size_t i = 0; i < std::min(ea.size(), eb.size()); ++i)
    if (ea[i] != eb[i]) return "entity " + std::to_string(i) + ": " + ea[i].dump() + " vs " + eb[i].dump();
  if (ea.size() != eb.size()) return std::to_string(ea.size()) + " entities vs " + std::to_string(eb.size());
  return {};
}

// The drawing files `draw` reported writing, in its order (the sheet left
// out), by name without ".dxf".
std::vector<std::string> WrittenDrawings(const std::string& out) {
  std::vector<std::string> stems;
  static const std::regex wrote(R"rx(wrote .*/([^/]+)\.dxf \()rx");
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, wrote) && m[1] != "drawings") stems.push_back(m[1]);
  }
  return stems;
}

// The numbers `info` gives the views `draw` writes as drawings, in its
// order.
std::vector<std::string> DrawingViewNumbers(const std::string& info) {
  static const std::regex view(
      R"rx(^ +([0-9]+): (TopBoardReinView|BottomBoardReinView|TankWallReinPlanView|TankWallReinSectionView|)rx"
      R"rx(HoleDetailView|ReinTableView|ReinAmountView) \()rx");
  std::vector<std::string> numbers;
  std::istringstream lines(info);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, view)) numbers.push_back(m[1]);
  }
  return numbers;
}

struct ExampleCase {
  const char* name;
  bool covered;
};
void PrintTo(const ExampleCase& c, std::ostream* os) { *os << c.name; }

class DrawExample : public HostCommandTest, public ::testing::WithParamInterface<ExampleCase> {};

// Each example: the plans it has, each with its previews, the sheet and the
// design; the progress of the batch drawing; every DXF written clean for
// ezdxf, R2000 in the GBK code page, each entity under a handle, with its
// Chinese titles read back; each plan's entities on the sheet under the
// same handles; and each drawing exported alone from the reopened design
// the same as the file `draw` wrote.
TEST_P(DrawExample, DrawsTheSlabPlansOfTheExample) {
  const ExampleCase c = GetParam();
  const HostRun run = RunTool({"draw", ExamplePath(c.name), "-o", dir.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  // Designed first, as `design` does it, then drawn.
  EXPECT_NE(run.err.find("rebar design 100%  done"), std::string::npos) << run.err;
  const std::size_t bottom = run.err.find("底板平面图");
  ASSERT_NE(bottom, std::string::npos) << run.err;
  EXPECT_NE(run.err.find("drawing  11%  正在绘制底板平面图，请稍候..."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("drawing   0%  正在绘制顶板平面图，请稍候..."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("drawing 100%\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("没有顶板, 将略去顶板绘制过程") != std::string::npos, !c.covered) << run.err;
  EXPECT_NE(run.out.find("bottom slab plan (1:100): "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("top slab plan (1:100): ") != std::string::npos, c.covered) << run.out;

  std::vector<std::pair<std::string, std::string>> plans{{"bottom-slab-plan", "底板配筋图"}};
  if (c.covered) plans.push_back({"top-slab-plan", "顶板配筋图"});
  EXPECT_EQ(fs::exists(Path("top-slab-plan.dxf")), c.covered);
  EXPECT_EQ(fs::exists(Path("top-slab-plan.png")), c.covered);
  EXPECT_TRUE(fs::exists(Path("tank.tkd")));

  // Every DXF written, the sheet among them: clean for ezdxf, R2000 in the
  // GBK code page, every entity under a handle of its own, and the titles of
  // its drawings read back.
  std::map<std::string, json> reports;
  std::vector<std::string> allTitles;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".dxf") continue;
    const std::string stem = entry.path().stem().string();
    SCOPED_TRACE(stem);
    const json r = ReadWithEzdxf(entry.path().string());
    ASSERT_FALSE(r.is_null());
    EXPECT_EQ(r["version"], "AC1015");
    EXPECT_EQ(r["codepage"], "ANSI_936");
    EXPECT_EQ(r["errors"], json::array());
    EXPECT_EQ(r["fixes"], json::array());
    EXPECT_GT(r["entities"].size(), 0u);
    std::set<std::string> handles;
    for (const json& e : r["entities"]) {
      const std::string handle = e["handle"].is_string() ? e["handle"].get<std::string>() : std::string();
      EXPECT_FALSE(handle.empty()) << e.dump();
      EXPECT_TRUE(handles.insert(handle).second) << "handle " << handle << " twice";
    }
    std::vector<std::string> titles;
    if (stem != "drawings") {
      ASSERT_TRUE(TitlesOfDrawing(stem, c.covered, titles)) << "a drawing draw should not write";
      allTitles.insert(allTitles.end(), titles.begin(), titles.end());
      const auto texts = r["texts"].get<std::vector<std::string>>();
      for (const std::string& title : titles) EXPECT_TRUE(Contains(texts, title)) << title;
    }
    reports[stem] = r;
  }
  ASSERT_TRUE(reports.count("drawings"));
  ASSERT_TRUE(reports.count("wall-plan"));
  ASSERT_TRUE(reports.count("section-1"));
  ASSERT_TRUE(reports.count("rebar-schedule"));
  ASSERT_TRUE(reports.count("materials"));
  const auto sheetTexts = reports["drawings"]["texts"].get<std::vector<std::string>>();
  for (const std::string& title : allTitles) EXPECT_TRUE(Contains(sheetTexts, title)) << title;

  const json& sheet = reports["drawings"];
  const auto sheetEntities = EntitiesByHandle(sheet);
  for (const auto& [stem, title] : plans) {
    SCOPED_TRACE(stem);
    for (const char* ext : {".svg", ".png"}) EXPECT_GT(fs::file_size(Path(stem + ext)), 0u);
    const json& r = reports[stem];
    const auto texts = r["texts"].get<std::vector<std::string>>();
    EXPECT_TRUE(Contains(texts, "1:100"));
    // Readers that draw dimensions from the header variables show them at
    // their size on paper: texts 3 mm, ticks 2 mm (u = 100).
    EXPECT_DOUBLE_EQ(r["dimvars"]["DIMTXT"].get<double>(), 300.0);
    EXPECT_DOUBLE_EQ(r["dimvars"]["DIMTSZ"].get<double>(), 200.0);
    EXPECT_DOUBLE_EQ(r["dimvars"]["DIMSCALE"].get<double>(), 1.0);
    EXPECT_TRUE(Contains(sheet["texts"].get<std::vector<std::string>>(), title));
    // Bars on their layer, and every entity on the sheet under its handle.
    int bars = 0;
    for (const auto& [handle, entity] : EntitiesByHandle(r)) {
      if (entity.first == "LWPOLYLINE" && entity.second == GetLayerName(7)) ++bars;
      const auto it = sheetEntities.find(handle);
      ASSERT_NE(it, sheetEntities.end()) << handle;
      EXPECT_EQ(it->second, entity) << handle;
    }
    EXPECT_GT(bars, 0);
  }

  // The design written reopened: each drawing exported alone is the file
  // `draw` wrote, entity for entity.  `info` numbers the views in the order
  // `draw` wrote them.
  const std::vector<std::string> stems = WrittenDrawings(run.out);
  const HostRun info = RunTool({"info", Path("tank.tkd")});
  ASSERT_EQ(info.code, 0) << info.err;
  const std::vector<std::string> numbers = DrawingViewNumbers(info.out);
  ASSERT_EQ(numbers.size(), stems.size()) << info.out << run.out;
  for (std::size_t i = 0; i < stems.size(); ++i) {
    const std::string& stem = stems[i];
    SCOPED_TRACE(stem + " as view " + numbers[i]);
    const HostRun exported = RunTool({"export", Path("tank.tkd"), "--view", numbers[i], "--dxf", Path("view.dxf")});
    ASSERT_EQ(exported.code, 0) << exported.err;
    const json alone = ReadWithEzdxf(Path("view.dxf"));
    ASSERT_FALSE(alone.is_null());
    EXPECT_EQ(alone["errors"], json::array());
    EXPECT_EQ(FirstEntityDifference(alone, reports[stem]), "");
    EXPECT_EQ(alone["texts"], reports[stem]["texts"]);
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, DrawExample,
                         ::testing::Values(ExampleCase{"open-single-cell", false}, ExampleCase{"buried-two-cell", true},
                                           ExampleCase{"grid-3x2", true}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

class DrawCommandTest : public HostCommandTest {};

// The design written by `draw` holds its drawings: reopened, its sheet is the
// sheet `draw` wrote, entity for entity and handle for handle, and drawing a
// designed design again in a new process gives the same files byte for byte.
TEST_F(DrawCommandTest, SheetOfTheReopenedDesignAndASecondRunAreTheSame) {
  const HostRun design = RunTool({"design", ExamplePath("grid-3x2"), "-o", Path("designed")});
  ASSERT_EQ(design.code, 0) << design.err;
  const std::string input = Path("designed/tank.tkd");
  for (const char* out : {"a", "b"}) {
    const std::string command = std::string(TANKDESIGN_EXE) + " draw '" + input + "' -o '" + Path(out) + "' >'" +
                                Path(std::string(out) + ".log") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(Path(std::string(out) + ".log"));
  }
  // Designed already: drawn without a new design.
  EXPECT_EQ(ReadFile(Path("a.log")).find("rebar design"), std::string::npos);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(Path("a"))) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++files;
    EXPECT_EQ(ReadFile(entry.path().string()), ReadFile(Path("b/" + name)));
  }
  EXPECT_EQ(files, 72);  // 22 drawings × 3, the sheet × 3, two CSVs, the design
  // The plans of the design drawn straight from its project file (built,
  // analysed and designed in the same process) are the same too.
  const std::string fromProject = std::string(TANKDESIGN_EXE) + " draw '" + ExamplePath("grid-3x2") + "' -o '" +
                                  Path("c") + "' >'" + Path("c.log") + "' 2>&1";
  ASSERT_EQ(std::system(fromProject.c_str()), 0) << ReadFile(Path("c.log"));
  for (const char* plan : {"top-slab-plan.dxf", "bottom-slab-plan.dxf"})
    EXPECT_EQ(ReadFile(Path(std::string("c/") + plan)), ReadFile(Path(std::string("a/") + plan))) << plan;

  const HostRun exported = RunTool({"export", Path("a/tank.tkd"), "--dxf", Path("again.dxf")});
  ASSERT_EQ(exported.code, 0) << exported.err;
  const json sheet = ReadWithEzdxf(Path("a/drawings.dxf"));
  const json again = ReadWithEzdxf(Path("again.dxf"));
  ASSERT_FALSE(sheet.is_null());
  ASSERT_FALSE(again.is_null());
  EXPECT_EQ(again["errors"], json::array());
  EXPECT_EQ(EntitiesByHandle(again), EntitiesByHandle(sheet));
  EXPECT_EQ(again["texts"], sheet["texts"]);
  // One plan exported again from the reopened design is its own file.
  const HostRun info = RunTool({"info", Path("a/tank.tkd")});
  const std::size_t at = info.out.find(": BottomBoardReinView");
  ASSERT_NE(at, std::string::npos) << info.out;
  const std::string index = info.out.substr(info.out.rfind(' ', at) + 1, at - info.out.rfind(' ', at) - 1);
  ASSERT_EQ(RunTool({"export", Path("a/tank.tkd"), "--view", index, "--dxf", Path("plan.dxf")}).code, 0);
  const json plan = ReadWithEzdxf(Path("plan.dxf"));
  const json drawn = ReadWithEzdxf(Path("a/bottom-slab-plan.dxf"));
  EXPECT_EQ(EntitiesByHandle(plan), EntitiesByHandle(drawn));
}

// The display options reach the plans: the crack-width labels of the slabs
// and their numbers, thicknesses and levels appear on the plans' files, the
// bars of the slab under a point only are drawn, and a point over no slab is
// named.
TEST_F(DrawCommandTest, DisplayOptionsReachThePlans) {
  const HostRun design = RunTool({"design", ExamplePath("grid-3x2"), "-o", Path("designed")});
  ASSERT_EQ(design.code, 0) << design.err;
  const HostRun all = RunTool({"draw", Path("designed/tank.tkd"), "-o", Path("all")});
  ASSERT_EQ(all.code, 0) << all.err;
  const HostRun labelled = RunTool({"draw", Path("designed/tank.tkd"), "-o", Path("labelled"), "--results", "crack",
                                    "--board-labels", "number,thickness,level", "--label-size", "4"});
  ASSERT_EQ(labelled.code, 0) << labelled.err;
  const json plain = ReadWithEzdxf(Path("all/bottom-slab-plan.dxf"));
  const json shown = ReadWithEzdxf(Path("labelled/bottom-slab-plan.dxf"));
  ASSERT_FALSE(plain.is_null());
  ASSERT_FALSE(shown.is_null());
  EXPECT_EQ(shown["errors"], json::array());
  EXPECT_GT(shown["texts"].size(), plain["texts"].size());
  // The slab levels (upper face of the 500 mm slab at -5.000 m).
  EXPECT_TRUE(Contains(shown["texts"].get<std::vector<std::string>>(), "-5.000"));

  const HostRun one = RunTool({"draw", Path("designed/tank.tkd"), "-o", Path("one"), "--only-at", "3000,3000",
                               "--only-at=-50000,0"});
  ASSERT_EQ(one.code, 0) << one.err;
  EXPECT_NE(one.err.find("the point (-50000, 0) lies over no slab of the bottom slab plan"), std::string::npos)
      << one.err;
  const auto bars = [](const json& r) {
    int n = 0;
    for (const json& e : r["entities"])
      if (e["layer"] == GetLayerName(7) && e["type"] == "LWPOLYLINE") ++n;
    return n;
  };
  const json onlyOne = ReadWithEzdxf(Path("one/bottom-slab-plan.dxf"));
  EXPECT_GT(bars(onlyOne), 0);
  EXPECT_LT(bars(onlyOne), bars(plain));
}

// A design with a zone whose bars run off its slab: the plans are drawn and
// written with that zone left out, the zone is named with its board, face
// and reason, and the exit code is 5.
TEST_F(DrawCommandTest, ZonesThatCannotBeDrawnAreNamedWithExitCodeFive) {
  std::string zoneName;
  {
    TankDesigner designer;
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("grid-3x2"), "x"), "x");
    ASSERT_TRUE(designer.Analyse());
    designer.DesignRein(nullptr);
    designer.SetReinDesigned(true);
    ReinZonePtr zone;
    for (const ReinZonePtr& z : designer.GetTank().GetBottomSlabs().front()->GetUpperZones())
      if (z->GetCategory() == 2 && !z->GetReins().empty()) {
        zone = z;
        break;
      }
    ASSERT_TRUE(zone);
    for (const ReinPtr& rein : zone->GetReins()) {
      _2dPolyline moved = rein->GetPolyline();
      for (int i = 0; i < moved.VerNums(); ++i) {
        const _3dPoint p = moved.GetVertexAt(i);
        moved.SetVertexAt(i, _3dPoint(p.x + 500000.0, p.y, p.z));
      }
      rein->SetPolyline(moved);
    }
    zoneName = "zone " + std::to_string(zone->GetNumber()) + " (upper face";
    SaveDesignFile(designer, Path("broken.tkd"));
  }
  g_ViewBoard.Reset();
  const HostRun run = RunTool({"draw", Path("broken.tkd"), "-o", Path("out")});
  EXPECT_EQ(run.code, 5) << run.err;
  EXPECT_NE(run.err.find("could not be drawn"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("bottom slab plan: " + zoneName), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("of bottom slab 1: "), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(Path("out/bottom-slab-plan.dxf")));
  EXPECT_TRUE(fs::exists(Path("out/drawings.dxf")));
}

// A design the bars cannot satisfy (a crack limit no bar meets) is drawn
// and written all the same; its groups are named as `design` names them and
// the exit code is 4.
TEST_F(DrawCommandTest, UnsatisfiedGroupsAreNamedWithExitCodeFourAfterTheDrawings) {
  json project = json::parse(ReadFile(ExamplePath("buried-two-cell")));
  project["settings"]["calculation"]["crack_width_limit_mm"] = 0.05;
  std::ofstream(Path("tight.json")) << project.dump();
  const HostRun run = RunTool({"draw", Path("tight.json"), "-o", Path("out")});
  EXPECT_EQ(run.code, 4) << run.err;
  EXPECT_NE(run.err.find("not satisfied"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(Path("out/bottom-slab-plan.dxf")));
  EXPECT_TRUE(fs::exists(Path("out/tank.tkd")));
}

// Wrong command lines are refused (exit code 2) before any work, naming the
// option and, for a list, the valid names; nothing is written.
TEST_F(DrawCommandTest, WrongCommandLinesAreRefusedBeforeAnyWork) {
  const std::vector<std::tuple<std::vector<std::string>, std::string>> cases = {
      {{"--results", "crack,colour"}, "valid: number, thickness, level, moment, loadcase, required, provided, crack"},
      {{"--board-labels", "moment"}, "valid: number, thickness, level"},
      {{"--label-size", "0.4"}, "--label-size"},
      {{"--label-size", "21"}, "--label-size"},
      {{"--label-size", "big"}, "--label-size"},
      {{"--only-at", "1000"}, "not a point X,Y"},
      {{"--only-at", "a,b"}, "not a point X,Y"},
      {{"--only-at", "1,2,3"}, "not a point X,Y"},
      {{"--only-at", "1,nan"}, "not a point X,Y"},
      {{"--at", "1;2"}, "not a point X,Y"},
      {{"--section", "wall:"}, "has no wall number"},
      {{"--section", "wall:3@1.5"}, "ratio T outside 0..1"},
      {{"--section", "wall:3@x"}, "ratio T outside 0..1"},
      {{"--section", "line:0,0,1"}, "four numbers"},
      {{"--section", "cut:1"}, "is not a section"},
  };
  for (const auto& [extra, message] : cases) {
    std::vector<std::string> args{"draw", ExamplePath("grid-3x2"), "-o", Path("out")};
    args.insert(args.end(), extra.begin(), extra.end());
    const HostRun run = RunTool(args);
    SCOPED_TRACE(extra.front() + " " + extra.back());
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("analysing"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(Path("out")));
  }
  EXPECT_EQ(RunTool({"draw", ExamplePath("grid-3x2")}).code, 2);
}

// The sections the command line asks for replace the automatic ones, made
// in the order given; a cut that cannot be made is an error with nothing
// written.
TEST_F(DrawCommandTest, SectionsOfTheCommandLine) {
  const HostRun run = RunTool({"draw", ExamplePath("grid-3x2"), "-o", Path("out"), "--section", "wall:3", "--section",
                               "wall:5@0.25:flip", "--section", "line:0,3000,1200,3000"});
  ASSERT_EQ(run.code, 0) << run.err;
  for (const char* line : {"section 1 (1:50): made from wall:3,", "section 2 (1:50): made from wall:5@0.25:flip,",
                           "section 3 (1:50): made from line:0,3000,1200,3000,"})
    EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(Path("out/section-3.dxf")));
  EXPECT_FALSE(fs::exists(Path("out/section-4.dxf")));
  EXPECT_TRUE(fs::exists(Path("out/materials.csv")));
  // The wall plan carries the mark of each of the three cuts, and a range
  // dimension per dot row.
  const std::size_t plan = run.out.find("wall plan (1:100): ");
  ASSERT_NE(plan, std::string::npos) << run.out;
  const std::string planLine = run.out.substr(plan, run.out.find('\n', plan) - plan);
  EXPECT_NE(planLine.find(", 3 section marks, "), std::string::npos) << planLine;
  EXPECT_EQ(planLine.find(" 0 range dimensions"), std::string::npos) << planLine;
  // Each cut across a wall shows the horizontal bars of its two faces as two
  // rows of dots.
  for (int n = 1; n <= 3; ++n) {
    const std::string head = "section " + std::to_string(n) + " (1:50): ";
    const std::size_t at = run.out.find(head);
    ASSERT_NE(at, std::string::npos) << run.out;
    const std::string line = run.out.substr(at, run.out.find('\n', at) - at);
    EXPECT_NE(line.find(", 2 dot rows, "), std::string::npos) << line;
    EXPECT_NE(line.find("support dot group"), std::string::npos) << line;
  }
  // The schedule's rows and steel per table, as its CSV lists them; the
  // material table's steel per table alike.
  std::vector<std::tuple<std::string, int, double>> tables;
  {
    std::istringstream csv(ReadFile(Path("out/rebar-schedule.csv")));
    std::string row;
    std::getline(csv, row);
    while (std::getline(csv, row)) {
      const std::string table = row.substr(0, row.find(','));
      const double kg = std::stod(row.substr(row.rfind(',') + 1));
      if (tables.empty() || std::get<0>(tables.back()) != table) tables.emplace_back(table, 0, 0.0);
      ++std::get<1>(tables.back());
      std::get<2>(tables.back()) += kg;
    }
  }
  ASSERT_EQ(tables.size(), 3u);
  std::string schedule = "rebar schedule (1:100): ", materials = "material table (1:100): ";
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const auto& [table, rows, kg] = tables[i];
    char figures[64];
    std::snprintf(figures, sizeof figures, "%.1f kg", kg);
    schedule += (i ? "; " : "") + table + ": " + std::to_string(rows) + " rows, " + figures;
    materials += (i ? "; " : "") + table + ": " + figures + " steel";
  }
  EXPECT_NE(run.out.find(schedule + "\n"), std::string::npos) << schedule << "\n" << run.out;
  EXPECT_NE(run.out.find(materials + "; concrete "), std::string::npos) << materials << "\n" << run.out;

  const HostRun none = RunTool({"draw", ExamplePath("grid-3x2"), "-o", Path("none"), "--no-sections"});
  ASSERT_EQ(none.code, 0) << none.err;
  EXPECT_FALSE(fs::exists(Path("none/section-1.dxf")));

  const std::vector<std::tuple<std::string, std::string>> refused = {
      {"wall:99", "wall 99 is not a wall (the tank has 17 walls)"},
      {"line:0,3000,0,3000", "zero length"},
      {"line:-90000,-90000,-80000,-90000", "剖面线必须在且只在一个平面图上"},
  };
  for (const auto& [spec, message] : refused) {
    SCOPED_TRACE(spec);
    const HostRun bad = RunTool({"draw", ExamplePath("grid-3x2"), "-o", Path("bad"), "--section", spec});
    EXPECT_EQ(bad.code, 1) << bad.err;
    EXPECT_NE(bad.err.find(message), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(Path("bad")));
  }
}

// A section whose cut outline does not join up (an oblique cut across the
// outer wall of the two-cell example with one bottom slab lowered by half a
// metre) is left out: named with its number, what it was made from and the
// reason, exit code 5, the other drawings written.  Nothing of it lingers:
// no file, no mark on the wall plan or the sheet, no section in the design.
TEST_F(DrawCommandTest, SectionThatCannotBeDrawnIsLeftOutAndForgotten) {
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", Path("t")}).code, 0);
  std::ofstream(Path("lower.txt")) << "change-slab-levels -5000 \"bottom slab 1\"\n";
  const HostRun edit = RunTool({"edit", Path("t/tank.tkd"), Path("lower.txt"), "-o", Path("low")});
  ASSERT_EQ(edit.code, 0) << edit.err;
  const std::string cut = "line:10900,1900,13800,3000";
  const HostRun run =
      RunTool({"draw", Path("low/tank.tkd"), "-o", Path("out"), "--section", cut, "--section", "wall:3"});
  EXPECT_EQ(run.code, 5) << run.err;
  EXPECT_NE(run.err.find("warning: section 1 (made from " + cut +
                         ") could not be drawn and is left out: the cut outline of the slabs does not join up "
                         "from the left end of the section to the right end\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("vector"), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("section 1 ("), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("section 2 (1:50): made from wall:3,"), std::string::npos) << run.out;
  for (const char* file : {"section-2.dxf", "wall-plan.dxf", "bottom-slab-plan.dxf", "top-slab-plan.dxf",
                           "hole-JD1.dxf", "rebar-schedule.dxf", "materials.dxf", "drawings.dxf", "tank.tkd"})
    EXPECT_TRUE(fs::exists(Path(std::string("out/") + file))) << file;
  for (const char* ext : {".dxf", ".svg", ".png"}) EXPECT_FALSE(fs::exists(Path(std::string("out/section-1") + ext)));

  // The section marks of the wall plan: the numbers at both ends of the cut
  // on the thin-line layer, section 2's only.
  const json plan = ReadWithEzdxf(Path("out/wall-plan.dxf"));
  ASSERT_FALSE(plan.is_null());
  std::vector<std::string> marks;
  for (const json& e : plan["entities"])
    if (e["type"] == "TEXT" && e["layer"] == GetLayerName(9)) marks.push_back(e["text"]);
  EXPECT_EQ(marks, (std::vector<std::string>{"2", "2"}));
  const json sheet = ReadWithEzdxf(Path("out/drawings.dxf"));
  ASSERT_FALSE(sheet.is_null());
  const auto sheetTexts = sheet["texts"].get<std::vector<std::string>>();
  EXPECT_TRUE(Contains(sheetTexts, "2-2 剖面配筋图"));
  EXPECT_FALSE(Contains(sheetTexts, "1-1 剖面配筋图"));

  // Reopened, the design knows section 2 alone (by its mark), drawn once.
  g_ViewBoard.Reset();
  TankDesigner reopened;
  OpenDesignFile(reopened, Path("out/tank.tkd"));
  std::vector<int> numbers;
  for (const auto& section : reopened.GetSections()) numbers.push_back(section->GetNumber());
  EXPECT_EQ(numbers, (std::vector<int>{2}));
  int sectionViews = 0;
  for (const TankViewPtr& view : reopened.GetViews())
    if (view && typeid(*view) == typeid(TankWallReinSectionView)) ++sectionViews;
  EXPECT_EQ(sectionViews, 1);
}

// A design that is missing or damaged is named with the reason, and an
// output folder that cannot be made is named; nothing is written.
TEST_F(DrawCommandTest, UnreadableDesignsAndUnusableFoldersAreNamed) {
  const HostRun missing = RunTool({"draw", Path("none.tkd"), "-o", Path("out")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find(Path("none.tkd")), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(Path("out")));

  {
    std::ofstream damaged(Path("damaged.tkd"), std::ios::binary);
    damaged << "not a design";
  }
  const HostRun bad = RunTool({"draw", Path("damaged.tkd"), "-o", Path("out")});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find(Path("damaged.tkd")), std::string::npos) << bad.err;
  EXPECT_FALSE(fs::exists(Path("out")));

  {
    std::ofstream file(Path("file"));
    file << "x";
  }
  const HostRun folder = RunTool({"draw", ExamplePath("open-single-cell"), "-o", Path("file/out")});
  EXPECT_EQ(folder.code, 1);
  EXPECT_NE(folder.err.find(Path("file")), std::string::npos) << folder.err;
}

}  // namespace
