// `tankdesign book`: the calculation book of an example through the host,
// read back by python-docx.
#include "app/BookPictures.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "modelview/TankModel2DView.h"
#include "tests/docx_reader.h"
#include "tests/host_run.h"
#include "tests/tank_fixtures.h"

#include <boost/make_shared.hpp>

#include <functional>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

using nlohmann::json;

const std::string kExample = std::string(TANK_SOURCE_DIR) + "/examples/buried-two-cell.json";

class HostBookTest : public HostCommandTest {
 protected:
  // The buried example with settings changed, as a project file.
  std::string Project(const std::function<void(json&)>& change) {
    json project;
    std::ifstream(kExample) >> project;
    change(project);
    const std::string path = Path("project.json");
    std::ofstream(path) << project.dump();
    return path;
  }
};

// moments.csv as rows of fields (no quoted fields in it).
std::vector<std::vector<std::string>> ReadMoments(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::stringstream s(line);
    for (std::string f; std::getline(s, f, ',');) fields.push_back(f);
    rows.push_back(fields);
  }
  return rows;
}

TEST_F(HostBookTest, WholeBookOfTheExample) {
  const HostRun run = RunTool({"book", kExample, "-o", dir.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.err.find("calculation book 100%"), std::string::npos);
  const json r = docx_reader::Read(Path("calcbook.docx"));
  ASSERT_TRUE(r.is_object());
  const auto headings = docx_reader::TextsOfStyle(r, "Heading 1");
  const std::vector<std::string> sections = {"一、依据规范：",     "二、示意图：",        "三、基本资料",
                                             "四、抗浮验算：",     "五、地基承载力验算：", "六、水池构件计算："};
  for (const std::string& s : sections)
    EXPECT_NE(std::find(headings.begin(), headings.end(), s), headings.end()) << s;
  // Schematics and load diagrams of both slab plans, and a picture per wall
  // (the example is analysed board by board).
  int pictures = 0;
  for (const auto& b : r["body"])
    if (b["kind"] == "p") pictures += b["pictures"].get<int>();
  EXPECT_GE(pictures, 4 + 7);
  // Superscripts reach the document as superscript runs.
  bool superscript = false;
  for (const auto& b : r["body"])
    if (b["kind"] == "p" && !b["superscripts"].empty()) superscript = true;
  EXPECT_TRUE(superscript);
}

// Every built-in example gets its book, with one section and two result
// tables per member.
TEST_F(HostBookTest, BookOfEachExample) {
  for (const std::string name : {"open-single-cell", "buried-two-cell", "grid-3x2"}) {
    SCOPED_TRACE(name);
    const std::string example = std::string(TANK_SOURCE_DIR) + "/examples/" + name + ".json";
    const std::string out = Path(name);
    const HostRun run = RunTool({"book", example, "-o", out});
    ASSERT_EQ(run.code, 0) << run.err;
    const json r = docx_reader::Read(out + "/calcbook.docx");
    ASSERT_TRUE(r.is_object());
    int members = 0;
    const std::regex title("^(池壁|底板|顶板)[0-9]+计算$");
    for (const std::string& text : docx_reader::ParagraphTexts(r)) members += std::regex_match(text, title) ? 1 : 0;
    EXPECT_GT(members, 0);
    std::size_t resultTables = 0;
    for (const json& t : docx_reader::Tables(r)) resultTables += t["columns"] == 10 ? 1 : 0;
    EXPECT_EQ(resultTables, 2u * members);
  }
}

TEST_F(HostBookTest, PartsAndMembersChosenOnTheCommandLine) {
  const HostRun run = RunTool({"book", kExample, "-o", dir.string(), "--without", "title,codes,schematics,basic",
                               "--members", "wall:1", "bottom:2"});
  ASSERT_EQ(run.code, 0) << run.err;
  const json r = docx_reader::Read(Path("calcbook.docx"));
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(docx_reader::TextsOfStyle(r, "Heading 1"),
            (std::vector<std::string>{"一、抗浮验算：", "二、地基承载力验算：", "三、水池构件计算："}));
  // One wall and one bottom slab: two tables each.
  EXPECT_EQ(docx_reader::Tables(r).size(), 4u);
}

// A wrong command line is refused before the tank is analysed or designed,
// with exit code 2 and nothing written.
TEST_F(HostBookTest, BadOptionsAreRefusedFirst) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--without", "title,cover"}, "unknown part \"cover\""},
      {{"--members", "roof:1"}, "KIND:N"},
      {{"--members", "wall:99"}, "no wall 99"},
      {{"--members", "wall:"}, "names no wall"},
      {{"--members", "wall:1", "top:,"}, "names no top"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> args = {"book", kExample, "-o", dir.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const HostRun run = RunTool(args);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("analysing"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("calcbook.docx")));
  }
}

// A member named twice is written once.
TEST_F(HostBookTest, MemberNamedTwiceIsWrittenOnce) {
  const HostRun run = RunTool({"book", kExample, "-o", dir.string(), "--without", "title,codes,schematics,basic",
                               "--members", "wall:1,1", "wall:1", "bottom:2"});
  ASSERT_EQ(run.code, 0) << run.err;
  const json r = docx_reader::Read(Path("calcbook.docx"));
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(docx_reader::TextsOfStyle(r, "Heading 2"), (std::vector<std::string>{"池壁1计算", "底板2计算"}));
  EXPECT_EQ(docx_reader::Tables(r).size(), 4u);
}

// Every wall table of grid-3x2 is titled by the side its face lies on, as
// moments.csv names it (upper face first, then the lower), and shows that
// face's moments; crack widths print to the micrometre.
TEST_F(HostBookTest, WallTablesAreTitledByTheSideTheyShow) {
  const std::string example = std::string(TANK_SOURCE_DIR) + "/examples/grid-3x2.json";
  const HostRun analysed = RunTool({"analyse", example, "-o", Path("analysed")});
  ASSERT_TRUE(analysed.code == 0 || analysed.code == 3) << analysed.err;
  // side and X basic moment of each wall face, "wall N|upper" -> (side, moment)
  std::map<std::string, std::pair<std::string, double>> faces;
  for (const auto& row : ReadMoments(Path("analysed/moments.csv")))
    if (row.size() > 4 && row[0].rfind("wall ", 0) == 0 && row[3] == "X")
      faces[row[0] + "|" + row[1]] = {row[2], std::stod(row[4])};
  ASSERT_EQ(faces.size(), 2u * 17);

  const HostRun run = RunTool({"book", example, "-o", Path("book")});
  ASSERT_TRUE(run.code == 0 || run.code == 3 || run.code == 4) << run.err;
  const json r = docx_reader::Read(Path("book/calcbook.docx"));
  ASSERT_TRUE(r.is_object());
  const std::regex title("^池壁([0-9]+)(外侧|内侧)计算结果");
  const std::regex crack(R"(^(-|[0-9]+\.[0-9]{3})$)");
  std::string wall, side;
  std::map<std::string, int> tablesOfWall;
  int inner = 0;
  for (const json& block : r["body"]) {
    std::smatch m;
    const std::string text = block["kind"] == "p" ? block["text"].get<std::string>() : std::string();
    if (block["kind"] == "p" && std::regex_search(text, m, title)) {
      wall = "wall " + m[1].str();
      side = m[2] == "外侧" ? "outer" : "inner";
      continue;
    }
    if (block["kind"] != "table" || block["columns"] != 10) continue;
    for (std::size_t row = 1; row < block["cells"].size(); ++row)
      EXPECT_TRUE(std::regex_match(block["cells"][row][9].get<std::string>(), crack)) << block["cells"][row][9];
    if (wall.empty()) continue;  // a slab's table
    const std::string face = tablesOfWall[wall]++ == 0 ? "upper" : "lower";
    SCOPED_TRACE(wall + " " + face);
    ASSERT_TRUE(faces.count(wall + "|" + face));
    const auto& [csvSide, moment] = faces[wall + "|" + face];
    EXPECT_EQ(side, csvSide);
    EXPECT_NEAR(std::stod(block["cells"][1][2].get<std::string>()), moment, 0.006);
    inner += side == "inner" ? 1 : 0;
    wall.clear();
  }
  EXPECT_EQ(tablesOfWall.size(), 17u);
  for (const auto& [name, count] : tablesOfWall) EXPECT_EQ(count, 2) << name;
  // The example has walls whose upper face is the inner one.
  EXPECT_GT(inner, 17);
}

// A failed check or unsatisfied bar groups: the book is written all the
// same, the failure stands out as `analyse` and `design` show it, and the
// exit code is theirs (a failed check before the bars).
TEST_F(HostBookTest, FailuresAreShownAndGiveTheirExitCodes) {
  struct Case {
    const char* name;
    bool floats, cracks;
    int code;
  };
  for (const Case& c : {Case{"passes", false, false, 0}, Case{"floats", true, false, 3},
                        Case{"cracks", false, true, 4}, Case{"both", true, true, 3}}) {
    SCOPED_TRACE(c.name);
    const std::string project = Project([&c](json& p) {
      if (c.floats) p["settings"]["calculation"]["anti_float_safety_factor"] = 5.0;
      if (c.cracks) p["settings"]["calculation"]["crack_width_limit_mm"] = 0.05;
    });
    const std::string out = Path(c.name);
    const HostRun run = RunTool({"book", project, "-o", out, "--without", "schematics,loads"});
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_TRUE(std::filesystem::exists(out + "/calcbook.docx"));
    EXPECT_EQ(run.err.find("!! 警告 WARNING: 抗浮验算不满足要求") != std::string::npos, c.floats) << run.err;
    EXPECT_EQ(run.err.find("bar group(s) not satisfied:") != std::string::npos, c.cracks) << run.err;
    if (c.cracks) EXPECT_NE(run.err.find("crack limit not met"), std::string::npos);
  }
}

// The page furniture of a Word calculation book: the title in every page's
// header, "第x页 共y页" from page fields in the footer, member titles as
// second-level headings, captions kept with their tables, the bar grade
// letters explained once.
TEST_F(HostBookTest, PagesCarryTitleAndNumbersMembersAreHeadings) {
  const HostRun run = RunTool({"book", kExample, "-o", dir.string(), "--without", "title"});
  ASSERT_EQ(run.code, 0) << run.err;
  const json r = docx_reader::Read(Path("calcbook.docx"));
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(r["header"], "水池设计计算书");
  EXPECT_EQ(r["footer"]["text"], "第1页 共1页");
  EXPECT_EQ(r["footer"]["fields"], json::array({"PAGE", "NUMPAGES"}));

  const auto members = docx_reader::TextsOfStyle(r, "Heading 2");
  std::size_t resultTables = 0;
  for (const json& t : docx_reader::Tables(r)) resultTables += t["columns"] == 10 ? 1 : 0;
  EXPECT_EQ(2 * members.size(), resultTables);
  for (const std::string& m : members) EXPECT_TRUE(std::regex_match(m, std::regex("^(池壁|底板|顶板)[0-9]+计算$"))) << m;

  const auto& body = r["body"];
  int captions = 0;
  for (std::size_t i = 0; i + 1 < body.size(); ++i)
    if (body[i + 1]["kind"] == "table") {
      EXPECT_TRUE(body[i]["keep_with_next"].get<bool>()) << body[i]["text"];
      ++captions;
    }
  EXPECT_GT(captions, 20);
  const auto texts = docx_reader::ParagraphTexts(r);
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.find("钢筋符号: d—HPB235, D—HRB335, f—HRB400") != std::string::npos; }),
            1);
}

// The texts of a member picture in print: the picture drawn as the book
// draws it and printed at its share of the 160 mm text width.  Returns the
// picture's texts and the smallest text height in mm.
std::pair<std::vector<std::string>, double> PrintedTexts(const Board& board) {
  const double share = tank::app::MemberPictureShare(board);
  PreviewOptions options;
  options.width = tank::app::kMemberPictureWidth;
  options.projection = 0;
  std::ostringstream svg;
  g_ViewBoard.WriteSvg(svg, tank::app::MemberPictureEntities(board, share), options);
  const std::string text = svg.str();
  std::vector<std::string> texts;
  double smallest = 1e9;
  const std::regex element(R"rx(font-size="([0-9.]+)"[^>]*>([^<]*)</text>)rx");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), element); it != std::sregex_iterator(); ++it) {
    smallest = std::min(smallest, std::stod((*it)[1]) * share * 160.0 / options.width);
    texts.push_back((*it)[2]);
  }
  return {texts, smallest};
}

// Member pictures are legible on paper (texts at least 2.5 mm high, for long
// low walls too), and a slab of more than four edges shows the edge numbers
// its result table's rows carry.
TEST_F(HostBookTest, MemberPicturesAreLegibleAndNumberTheirEdges) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProjectFile(kExample), kExample);
  int walls = 0;
  for (const BoardPtr& board : designer.GetTank().GetWalls()) {
    SCOPED_TRACE(board->GetNumber());
    const auto [texts, smallest] = PrintedTexts(*board);
    EXPECT_GE(texts.size(), 6u);
    EXPECT_GE(smallest, 2.5);
    ++walls;
  }
  EXPECT_GT(walls, 0);

  // An L-shaped slab 8 m by 6 m with arms 3 m wide: six edges.
  auto slab = boost::make_shared<Board>();
  slab->SetKind(1);
  slab->SetOrigin(_3dPoint(0, 0, 0));
  slab->SetXAxis(_3dVector(1, 0, 0));
  slab->SetYAxis(_3dVector(0, 1, 0));
  const std::vector<_2dPoint> corners = {{0, 0}, {8000, 0}, {8000, 3000}, {3000, 3000}, {3000, 6000}, {0, 6000}};
  std::vector<BoardEdge> edges(corners.size());
  for (std::size_t i = 0; i < corners.size(); ++i)
    edges[i].SetLine(_2dLine(corners[i], corners[(i + 1) % corners.size()]));
  slab->SetEdges(edges);
  const auto [texts, smallest] = PrintedTexts(*slab);
  EXPECT_GE(smallest, 2.5);
  for (int edge = 1; edge <= 6; ++edge)
    EXPECT_NE(std::find(texts.begin(), texts.end(), std::to_string(edge)), texts.end()) << edge;

  // A wall 30 m long and 2 m high is printed across the whole text width.
  const BoardPtr slender = fixtures::MakeWall(0, 0, 30000, 0, 0, 2000);
  EXPECT_EQ(tank::app::MemberPictureShare(*slender), 1.0);
  EXPECT_GE(PrintedTexts(*slender).second, 2.5);
}

// The load diagrams say what their values are: a point load in kN, a line
// load in kN/m, an area load in kPa.
TEST_F(HostBookTest, LoadDiagramsGiveTheUnitsOfTheirValues) {
  const std::string project = Project([](json& p) {
    p["tank"]["loads"].push_back({{"board", "top slab 1"}, {"type", "point"}, {"value_kn", 20.0},
                                  {"position_mm", {3000, 3000}}});
    p["tank"]["loads"].push_back({{"board", "top slab 1"}, {"type", "line"}, {"value_kn_per_m", 8.0},
                                  {"start_mm", {1000, 4500}}, {"end_mm", {5000, 4500}}});
  });
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProjectFile(project), project);
  std::vector<std::string> texts;
  for (const EntityPtr& e : tank::app::PlanPictureEntities(designer, PlanKind::kTopSlabs, true))
    if (const auto* t = dynamic_cast<const _Text*>(e.get())) texts.push_back(t->GetText());
  const auto has = [&texts](const char* pattern) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return std::regex_match(t, std::regex(pattern)); });
  };
  EXPECT_TRUE(has("^P[0-9]+=20kN$"));
  EXPECT_TRUE(has("^Q[0-9]+=8kN/m$"));
  EXPECT_TRUE(has("^Qq=5kPa$"));
  // The plan picture itself carries no load values.
  for (const EntityPtr& e : tank::app::PlanPictureEntities(designer, PlanKind::kTopSlabs, false)) {
    if (const auto* t = dynamic_cast<const _Text*>(e.get())) EXPECT_EQ(t->GetText().find("kPa"), std::string::npos);
  }
}

}  // namespace
