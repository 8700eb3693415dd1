// What the host does with hostile or broken input: it refuses with a clear,
// printable one-line reason and never crashes, hangs or reads without bound.
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "designer/TankDesigner.h"
#include "platform/Zarvel.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <random>

namespace {

using tank::app::PrintableMessage;

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True when the text holds no control character but line ends and is
// well-formed UTF-8 (what a terminal shows as it is).
bool IsPrintable(const std::string& text) { return PrintableMessage(text) == text; }

class HostInputTest : public HostCommandTest {};

TEST_F(HostInputTest, HostileFilesAreRefusedWithAPrintableReason) {
  const std::string deep = "{\"tank\":" + std::string(5000, '[') + std::string(5000, ']') + "}";
  const std::string key = "\x1b[31mred\nforged line" + std::string(5000, 'k');
  const std::string hostileKey = nlohmann::json{{"tank", {{key, 1}}}}.dump();
  struct Case {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the file the case writes
    std::string content;
    const char* expected;
  } cases[] = {
      {"deep project", {"new", "@"}, deep, "nested more than 64 deep"},
      {"deep settings", {"settings", "--check", "@"}, std::string(3000, '[') + std::string(3000, ']'),
       "nested more than 64 deep"},
      {"number beyond double", {"new", "@"}, R"({"tank":{"length_x_mm":1e309}})", ":1:24: the number 1e309 is out of range"},
      {"duplicate key in tank", {"new", "@"}, R"({"tank":{"cells_x":1,"cells_x":3}})", "tank.cells_x: given twice"},
      {"duplicate key in settings", {"new", "@"}, R"({"settings":{"geometry":{"a":1,"a":2}},"tank":{}})",
       "settings.geometry.a: given twice"},
      {"hostile key", {"new", "@"}, hostileKey, "unknown key"},
      {"raw escape in a design", {"info", "@"}, "\x1b[2J\xff\xfe not a design", "damaged design file"},
      {"device as design", {"info", "/dev/zero"}, "", "not a regular file"},
      {"device as settings", {"settings", "--check", "/dev/zero"}, "", "not a regular file"},
      {"folder as project", {"new", "#"}, "", "is a directory"},
      {"missing project", {"analyse", "#/none.json"}, "", "not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = Path("input");
    if (!c.content.empty()) WriteFile(file, c.content);
    std::vector<std::string> args;
    for (const std::string& a : c.args)
      args.push_back(a == "@" ? file : a[0] == '#' ? dir.string() + a.substr(1) : a);
    const HostRun run = RunTool(args);
    EXPECT_NE(run.code, 0);
    EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
    EXPECT_TRUE(IsPrintable(run.err)) << run.err;
    EXPECT_LT(run.err.size(), 2000u);
    std::filesystem::remove(file);
  }
}

TEST(PrintableMessage, EscapesControlsAndInvalidUtf8AndCutsLongText) {
  struct Case {
    std::string in;
    bool oneLine;
    std::size_t max;
    std::string out;
  } cases[] = {
      {"plain 水池", false, 100, "plain 水池"},
      {"a\x1b[31mb", false, 100, "a\\x1B[31mb"},
      {"two\nlines", false, 100, "two\nlines"},
      {"two\nlines", true, 100, "two\\nlines"},
      {"bad \xff\xc0\x80 bytes", false, 100, "bad \\xFF\\xC0\\x80 bytes"},
      {"cut \xe6\xb0", false, 100, "cut \\xE6\\xB0"},
      {"c1 \xc2\x9b", false, 100, "c1 \\xC2\\x9B"},
      {std::string(50, 'x'), false, 10, std::string(10, 'x') + "…"},
  };
  for (const Case& c : cases) EXPECT_EQ(PrintableMessage(c.in, c.oneLine, c.max), c.out) << c.in;
}

TEST(JsonNesting, CountsBracketsOutsideStringsOnly) {
  using tank::app::FindExcessiveNesting;
  EXPECT_EQ(FindExcessiveNesting(std::string(64, '[') + std::string(64, ']')).line, 0);
  const auto p = FindExcessiveNesting("{\"a\":\n" + std::string(65, '['), 64);
  EXPECT_EQ(p.line, 2);
  EXPECT_EQ(p.column, 64);
  EXPECT_EQ(FindExcessiveNesting("\"" + std::string(500, '[') + "\\\"\"").line, 0);
}

// A fixed-seed mutation run over the three readers: every mutant is either
// read or refused with an exception; none crashes, hangs or trips the
// sanitizers.
class ReaderMutationTest : public HostCommandTest {
 protected:
  static std::string Mutate(const std::string& seed, std::mt19937& rng) {
    std::string s = seed;
    std::uniform_int_distribution<int> kind(0, 5);
    auto pos = [&] { return std::uniform_int_distribution<std::size_t>(0, s.empty() ? 0 : s.size() - 1)(rng); };
    const int rounds = 1 + static_cast<int>(rng() % 4);
    for (int r = 0; r < rounds && !s.empty(); ++r) {
      switch (kind(rng)) {
        case 0: s[pos()] ^= static_cast<char>(1u << (rng() % 8)); break;  // bit flip
        case 1: s.resize(pos()); break;                                    // truncation
        case 2: s.insert(pos(), std::string(100 + rng() % 200, '[')); break;  // deep nesting
        case 3: s.insert(pos(), rng() % 2 ? "1e309" : "-9e999999"); break;   // huge numbers
        case 4: s.insert(pos(), rng() % 2 ? "\"x\"" : "null"); break;        // wrong types
        default: s.erase(pos(), 1 + rng() % 16); break;
      }
    }
    return s;
  }
};

TEST_F(ReaderMutationTest, ProjectAndSettingsReadersRefuseOrReadEveryMutant) {
  std::mt19937 rng(20261210);
  const std::string project = tank::app::ExampleProject("buried-two-cell");
  const std::string settings = WriteSettingsJson(ProjectSettings());
  for (int i = 0; i < 1500; ++i) {
    const std::string p = Mutate(project, rng);
    try {
      tank::app::ReadProject(p, "mutant.json");
    } catch (const std::exception&) {
    }
    const std::string s = Mutate(settings, rng);
    try {
      ReadSettingsJson(s);
    } catch (const std::exception&) {
    }
  }
}

TEST_F(ReaderMutationTest, DesignReaderRefusesOrReadsEveryMutant) {
  ASSERT_EQ(RunTool({"new", "--example", "open-single-cell", "-o", dir.string()}).code, 0);
  const std::string design = ReadFile(Path("tank.tkd"));
  ASSERT_FALSE(design.empty());
  std::mt19937 rng(7);
  for (int i = 0; i < 1500; ++i) {
    const std::string m = Mutate(design, rng);
    try {
      Archive ar(std::vector<std::uint8_t>(m.begin(), m.end()));
      TankDesigner designer;
      designer.ReadDesign(ar);
    } catch (const std::exception&) {
    }
  }
}

}  // namespace
