// `tankdesign book`: the calculation book of an example through the host,
// read back by python-docx.
#include "tests/docx_reader.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

namespace {

using nlohmann::json;

const std::string kExample = std::string(TANK_SOURCE_DIR) + "/examples/buried-two-cell.json";

class HostBookTest : public HostCommandTest {};

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

TEST_F(HostBookTest, BadOptionsAreNamed) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--without", "title,cover"}, "unknown part \"cover\""},
      {{"--members", "roof:1"}, "KIND:N"},
      {{"--members", "wall:99"}, "no wall 99"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"book", kExample, "-o", dir.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const HostRun run = RunTool(args);
    EXPECT_NE(run.code, 0);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("calcbook.docx")));
  }
}

}  // namespace
