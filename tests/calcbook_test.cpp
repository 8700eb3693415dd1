// The calculation book: the run (progress, cancel, section numbering), the
// basic data, the member sections and their result tables, read back from
// the written .docx by an independent reader.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "calcbook/CalcBookWriter.h"
#include "designer/TankDesigner.h"
#include "platform/Nirvox.h"
#include "platform/Tobrin.h"
#include "tests/docx_reader.h"
#include "tests/tank_fixtures.h"
#include "tests/test_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// The host's side of the progress protocol: the reports it saw and the
// cancel value it answers at one percentage (the first time it is reached).
struct Host {
  static std::vector<int> reports;
  static int cancelAt;
  static int cancelValue;
  static void Progress(int percent, int* cancel) {
    reports.push_back(percent);
    if (percent == cancelAt && cancelValue != 0) {
      *cancel = cancelValue;
      cancelAt = -1;
    }
  }
  static void Reset(int at = -1, int value = 0) {
    reports.clear();
    cancelAt = at;
    cancelValue = value;
  }
};
std::vector<int> Host::reports;
int Host::cancelAt = -1;
int Host::cancelValue = 0;

const CalcBookOptions kAll = {1, 1, 1, 1, 1, 1, 1, 1};

class CalcBookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTestTempDir();
    book = (dir / "calcbook.docx").string();
    g_ViewBoard.SetDocumentPath(book);
    Host::Reset();
    fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000), true);
  }
  void TearDown() override { fs::remove_all(dir); }

  BoardPtr FirstOfKind(int kind) const {
    for (const BoardPtr& b : tank.GetBoards())
      if (b->GetKind() == kind) return b;
    return {};
  }
  std::vector<StructureComponentPtr> List(std::initializer_list<BoardPtr> boards) const {
    return std::vector<StructureComponentPtr>(boards.begin(), boards.end());
  }

  fs::path dir;
  std::string book;
  Tank tank;
  ProjectSettings settings;
};

TEST_F(CalcBookTest, ProgressAndCancelAtEachReport) {
  struct Case {
    const char* name;
    CalcBookOptions options;
    int cancelAt, cancelValue;
    std::vector<int> reports;
    bool result;
    bool fileAfterRun;  // written before the writer lets the document go
  };
  const BoardPtr wall = FirstOfKind(0), top = FirstOfKind(2);
  const std::vector<Case> cases = {
      {"all off", {0, 0, 0, 0, 0, 0, 0, 0}, -1, 0, {15, 25, 100}, true, true},
      {"members, no stop", kAll, -1, 0, {15, 25, 62, 100, 100}, true, true},
      {"stop 2 at 15", kAll, 15, 2, {15}, false, false},
      {"cancel 1 at 25", kAll, 25, 1, {15, 25}, false, false},
      {"cancel 1 before the wall", kAll, 62, 1, {15, 25, 62}, false, false},
      {"cancel 1 at the end", {0, 0, 0, 0, 0, 0, 0, 0}, 100, 1, {15, 25, 100}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(book);
    Host::Reset(c.cancelAt, c.cancelValue);
    CalcBookWriter writer;
    const bool ok = writer.WriteForMembers(settings, {}, c.options, List({top}), {}, List({wall}), {}, {}, {},
                                           &Host::Progress);
    EXPECT_EQ(ok, c.result) << writer.GetLastError();
    EXPECT_EQ(Host::reports, c.reports);
    EXPECT_EQ(fs::exists(book), c.fileAfterRun);
  }
}

// A cancel at the last report keeps the earlier book; a stop (2) leaves the
// document as written so far once the writer lets it go; a document that
// cannot be opened is reported, not silently dropped.
TEST_F(CalcBookTest, CancelKeepsEarlierBookStopKeepsWhatWasWritten) {
  { std::ofstream(book) << "earlier"; }
  Host::Reset(100, 1);
  {
    CalcBookWriter writer;
    EXPECT_FALSE(writer.WriteForModel(tank, settings, {}, kAll, {}, {}, {}, &Host::Progress));
  }
  std::ifstream in(book);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "earlier");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  fs::remove(book);
  Host::Reset(25, 2);
  {
    CalcBookWriter writer;
    EXPECT_FALSE(writer.WriteForModel(tank, settings, {}, kAll, {}, {}, {}, &Host::Progress));
  }
  const json r = docx_reader::Read(book);
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(docx_reader::TextsOfStyle(r, "Heading 1").back(), "五、地基承载力验算：");

  g_ViewBoard.SetDocumentPath((dir / "missing" / "book.docx").string());
  CalcBookWriter writer;
  Host::Reset();
  EXPECT_FALSE(writer.WriteForModel(tank, settings, {}, kAll, {}, {}, {}, &Host::Progress));
  EXPECT_NE(writer.GetLastError().find("not found"), std::string::npos) << writer.GetLastError();
  EXPECT_TRUE(Host::reports.empty());
}

TEST_F(CalcBookTest, SectionNumbering) {
  struct Case {
    CalcBookOptions options;
    std::vector<std::string> headings;
  };
  const std::vector<Case> cases = {
      {{0, 0, 0, 1, 0, 1, 1, 1}, {"一、基本资料", "二、抗浮验算：", "三、地基承载力验算：", "四、水池构件计算："}},
      {kAll,
       {"项目名称_____________日    期_____________", "设 计 者_____________校 对 者_____________", "一、依据规范：",
        "二、示意图：", "三、基本资料", "四、抗浮验算：", "五、地基承载力验算：", "六、水池构件计算："}},
  };
  for (const Case& c : cases) {
    CalcBookWriter writer;
    ASSERT_TRUE(writer.WriteForMembers(settings, {}, c.options, {}, {}, {}, {}, {}, {}, &Host::Progress));
    const json r = docx_reader::Read(book);
    ASSERT_TRUE(r.is_object());
    EXPECT_EQ(docx_reader::TextsOfStyle(r, "Heading 1"), c.headings);
  }
}

TEST_F(CalcBookTest, BasicDataFollowsTheSettings) {
  struct Case {
    bool soil;
    bool topSlab;
    bool temperature;
  };
  for (const Case& c : {Case{false, false, false}, Case{true, true, true}}) {
    settings.GetModelSettings().SetHasTopSlab(c.topSlab);
    settings.GetCalcSettings().SetTemperatureConsidered(c.temperature);
    settings.GetMaterialSettings().SetBottomSlabTopCover(35);
    settings.GetCalcSettings().SetAntiFloatSafetyFactor(1.05);
    std::vector<SoilLayer> layers;
    if (c.soil) layers = settings.GetGeologySettings().GetSoilLayers();
    if (c.soil && layers.empty()) layers.resize(1);
    settings.GetGeologySettings().SetSoilLayers(layers);
    CalcBookWriter writer;
    ASSERT_TRUE(writer.WriteForMembers(settings, {}, {0, 0, 0, 1, 0, 0, 0, 0}, {}, {}, {}, {}, {}, {}, nullptr));
    const json r = docx_reader::Read(book);
    ASSERT_TRUE(r.is_object());
    std::string all;
    for (const std::string& t : docx_reader::ParagraphTexts(r)) all += t + "\n";
    const auto tables = docx_reader::Tables(r);
    ASSERT_EQ(tables.size(), c.soil ? 3u : 2u);
    EXPECT_EQ(tables[0]["rows"], 3);
    EXPECT_EQ(tables[1]["rows"], c.topSlab ? 3 : 2);
    EXPECT_EQ(tables[1]["cells"][0][1], "35.00");
    EXPECT_NE(all.find(c.soil ? "\t5.计算信息:" : "\t4.计算信息:"), std::string::npos) << all;
    EXPECT_NE(all.find(c.soil ? "\t6.设计信息:" : "\t5.设计信息:"), std::string::npos);
    EXPECT_EQ(all.find("壁面温差") != std::string::npos, c.temperature);
    // The anti-floating factor has no unit, the unit weight is per cubic metre.
    EXPECT_NE(all.find("抗浮安全系数：Kf=1.05\n"), std::string::npos) << all;
    if (c.soil) {
      EXPECT_EQ(tables[2]["cells"][0][2], "重度(kN/m3)");
    }
  }
}

// The result table of a face: rows Lx, Ly and one per edge, the bar text and
// its provided area, a row without bars, the governing case counted from 1.
TEST_F(CalcBookTest, ResultTableOfARectangularSlab) {
  const BoardPtr slab = FirstOfKind(1);
  ASSERT_TRUE(slab);
  ASSERT_EQ(slab->GetEdges().size(), 4u);
  FaceValues& x = slab->GetFaceValues(true, true);
  x.basicMoment = 12.346;
  x.combination = 0;
  x.standardMoment = 9.5;
  x.quasiMoment = 8.25;
  x.calcArea = 600;
  x.grade = "HRB335";
  x.diameter = 12;
  x.spacing = 150;
  x.crackWidth = 0.123;
  slab->GetEdges()[2].GetFaceValues(true).combination = 3;
  // A group that failed the design shows why in the bar column.
  FaceValues& y = slab->GetFaceValues(true, false);
  y.status = BarGroupStatus::kNoBarForArea;
  FaceValues& crack = slab->GetEdges()[0].GetFaceValues(true);
  crack.diameter = 25;
  crack.spacing = 100;
  crack.crackWidth = 0.204;  // just over a limit of 0.20: must not print as 0.20
  crack.status = BarGroupStatus::kCrackLimitNotMet;
  slab->SetNumber(7);
  MemberPicture picture{7, nullptr};
  CalcBookWriter writer;
  ASSERT_TRUE(writer.WriteForMembers(settings, {}, {0, 0, 0, 0, 0, 0, 0, 1}, {}, List({slab}), {}, {picture}, {},
                                     {}, nullptr));
  const json r = docx_reader::Read(book);
  ASSERT_TRUE(r.is_object());
  const auto tables = docx_reader::Tables(r);
  ASSERT_EQ(tables.size(), 2u);
  const json& upper = tables[0];
  EXPECT_EQ(upper["rows"], 7);
  EXPECT_EQ(upper["columns"], 10);
  EXPECT_EQ(upper["cells"][1],
            json::array({"Lx", "", "12.35", "1", "9.50", "8.25", "600.00", "D12@150", "753.98", "0.123"}));
  EXPECT_EQ(upper["cells"][2][7], "无可选钢筋");
  EXPECT_EQ(upper["cells"][2][8], "-");
  EXPECT_EQ(upper["cells"][3][7], "裂缝超限");
  EXPECT_EQ(upper["cells"][3][9], "0.204");
  const std::vector<std::string> labels = {upper["cells"][3][0], upper["cells"][4][0], upper["cells"][5][0],
                                           upper["cells"][6][0]};
  EXPECT_EQ(labels, (std::vector<std::string>{"下", "右", "上", "左"}));
  EXPECT_EQ(upper["cells"][3][1], "固定");
  EXPECT_EQ(upper["cells"][5][3], "4");
  const auto texts = docx_reader::ParagraphTexts(r);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "底板7下侧计算结果(弯矩:kN.m/m  配筋面积:mm2/m  裂缝:mm)"),
            texts.end());
  // A four-edged slab gets no member picture.
  EXPECT_TRUE(r["pictures"].empty());
}

TEST_F(CalcBookTest, ModeText) {
  struct Case {
    int kind;
    double length, height;
    int wallTop;
    int method;
    const char* mode;
  };
  const std::vector<Case> cases = {
      {0, 10000, 4000, 1, 0, "单向板"},  // wall 2.5 : 1, top not free
      {0, 10000, 4000, 2, 0, "双向板"},  // the same wall with a free top
      {1, 8000, 4000, 1, 0, "双向板"},   // exactly 2.0
      {1, 4900, 10000, 1, 0, "单向板"},  // 0.49
      {1, 4000, 4000, 1, 1, "有限元"},
  };
  for (const Case& c : cases) {
    BoardPtr b = fixtures::MakeWall(0, 0, c.length, 0, 0, c.height);
    b->SetKind(c.kind);
    settings.GetGeometrySettings().SetWallTopRestraint(c.wallTop);
    settings.GetLoadSettings().SetAnalysisMethod(c.method);
    EXPECT_NE(CalcBookWriter::GetModeText(settings, *b).find(c.mode), std::string::npos)
        << c.length << " x " << c.height;
  }
}

TEST_F(CalcBookTest, SlabPrintsTheLastLoadRecordOfItsNumber) {
  const BoardPtr slab = FirstOfKind(1);
  slab->SetNumber(2);
  SetTextTable1({{"2", "first record"}, {"1", "other slab"}, {"2", "second record"}});
  CalcBookWriter writer;
  ASSERT_TRUE(writer.WriteForMembers(settings, {}, {0, 0, 0, 0, 0, 0, 0, 1}, {}, List({slab}), {}, {}, {}, {},
                                     nullptr));
  const json r = docx_reader::Read(book);
  const auto texts = docx_reader::ParagraphTexts(r);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "\tsecond record"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "\tfirst record"), texts.end());
  SetTextTable1({});
}

// The book of the buried two-cell example through the designer: refused
// before the analysis, then every member's table shows the analysed moments.
TEST(CalcBookOfExample, TablesShowTheAnalysedMoments) {
  const fs::path dir = MakeTestTempDir();
  const std::string book = (dir / "calcbook.docx").string();
  g_ViewBoard.SetDocumentPath(book);
  TankDesigner designer;
  const std::string example = std::string(TANK_SOURCE_DIR) + "/examples/buried-two-cell.json";
  tank::app::BuildNewTank(designer, tank::app::ReadProjectFile(example), example);
  const int mode = 0;
  EXPECT_FALSE(designer.WriteCalcBook({}, &mode, kAll, {}, {}, {}, {}, {}, {}, nullptr));
  EXPECT_FALSE(fs::exists(book));
  ASSERT_TRUE(designer.Analyse());
  ASSERT_TRUE(designer.WriteCalcBook({}, &mode, kAll, {}, {}, {}, {}, {}, {}, nullptr))
      << designer.GetCalcBookError();
  const json r = docx_reader::Read(book);
  ASSERT_TRUE(r.is_object());
  const auto boards = designer.GetTank().GetBoards();
  const auto tables = docx_reader::Tables(r);
  // Material and cover tables, a soil table when the settings have layers,
  // then two per member.
  const std::size_t basic = designer.GetSettings().GetGeologySettings().GetSoilLayers().empty() ? 2 : 3;
  ASSERT_EQ(tables.size(), basic + 2 * boards.size());
  // The member sections follow the units; match each table to its board by
  // the section title before it.
  std::map<std::string, BoardPtr> byTitle;
  for (const BoardPtr& b : boards) {
    const char* kind = b->GetKind() == 0 ? "池壁" : b->GetKind() == 1 ? "底板" : "顶板";
    byTitle[kind + std::to_string(b->GetNumber())] = b;
  }
  int checked = 0;
  std::string lastTitle;
  for (const json& block : r["body"]) {
    if (block["kind"] == "p") {
      const std::string text = block["text"];
      for (const auto& [title, board] : byTitle)
        if (text.rfind(title + "计算", 0) == 0) lastTitle = title;
      continue;
    }
    if (!byTitle.count(lastTitle)) continue;
    const BoardPtr& board = byTitle[lastTitle];
    // Tables come in pairs: upper face, then lower face.
    const bool upper = checked % 2 == 0;
    ASSERT_EQ(block["rows"], static_cast<int>(board->GetEdges().size()) + 3) << lastTitle;
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.2f", board->GetFaceValues(upper, true).basicMoment);
    EXPECT_EQ(block["cells"][1][2], expected) << lastTitle;
    std::snprintf(expected, sizeof expected, "%.2f", board->GetEdges()[0].GetFaceValues(upper).basicMoment);
    EXPECT_EQ(block["cells"][3][2], expected) << lastTitle;
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(2 * boards.size()));
  fs::remove_all(dir);
}

}  // namespace
