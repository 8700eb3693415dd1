// The fuzz targets' entry functions fed a bounded, seeded set of inputs in
// the normal test build: the examples mutated (bytes flipped, inserted and
// cut, lines repeated, numbers made extreme, an over-long line), and edit
// scripts of random lines of the script grammar on the buried two-cell
// example.  Every input must be read or refused, and no edit may leave a
// tank the design reader refuses.  The same inputs every run.
#include "fuzz/fuzz_entries.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace {

const std::string kExamples = std::string(TANK_SOURCE_DIR) + "/examples/";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One to four mutations of the seed text.
std::string Mutate(std::string text, std::mt19937& rng) {
  auto pick = [&rng](std::size_t n) { return n == 0 ? std::size_t{0} : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  static const char* const kNumbers[] = {"-99999999", "1e308", "-0", "0", "nan", "1e-300", "4294967296", "-1"};
  const int count = 1 + static_cast<int>(pick(4));
  for (int k = 0; k < count; ++k) {
    switch (pick(6)) {
      case 0:  // a byte flipped
        if (!text.empty()) text[pick(text.size())] ^= static_cast<char>(1u << pick(8));
        break;
      case 1:  // a byte inserted
        text.insert(text.begin() + static_cast<std::ptrdiff_t>(pick(text.size() + 1)), static_cast<char>(pick(256)));
        break;
      case 2: {  // a piece cut out
        const std::size_t at = pick(text.size() + 1);
        text.erase(at, pick(64));
        break;
      }
      case 3: {  // a piece repeated
        const std::size_t at = pick(text.size() + 1);
        const std::string piece = text.substr(at, pick(200));
        text.insert(at, piece);
        break;
      }
      case 4: {  // a number made extreme
        std::size_t at = pick(text.size() + 1);
        while (at < text.size() && !std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
        std::size_t end = at;
        while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
        text.replace(at, end - at, kNumbers[pick(std::size(kNumbers))]);
        break;
      }
      default: {  // an over-long line
        const std::size_t at = text.find('\n', pick(text.size() + 1));
        text.insert(at == std::string::npos ? text.size() : at + 1, std::string(1000 + pick(100), 'A') + "\n");
        break;
      }
    }
  }
  return text;
}

using Entry = std::string (*)(const std::uint8_t*, std::size_t);

void Replay(Entry entry, const std::vector<std::string>& seeds, int inputs, unsigned seed) {
  std::mt19937 rng(seed);
  for (const std::string& s : seeds) {
    const std::string broken = entry(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    EXPECT_TRUE(broken.empty()) << broken;
  }
  for (int i = 0; i < inputs; ++i) {
    const std::string& from = seeds[static_cast<std::size_t>(i) % seeds.size()];
    const std::string input = Mutate(from, rng);
    const std::string broken = entry(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    EXPECT_TRUE(broken.empty()) << "input " << i << ": " << broken;
  }
}

// A random line of the script grammar, with picks and numbers that a user
// may get right or wrong.
std::string RandomLine(std::mt19937& rng) {
  auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  auto any = [&](std::initializer_list<const char*> items) { return std::string(items.begin()[pick(items.size())]); };
  auto number = [&] { return any({"-99999999", "-5000", "-1", "0", "1", "150", "300", "800", "4575", "1e6", "1e9"}); };
  auto coordinate = [&] { return any({"-100", "0", "150", "1000", "3000", "6000", "9000", "12000", "13000"}); };
  auto point = [&] { return coordinate() + "," + any({"-100", "0", "800", "2400", "3000", "6000", "7000"}); };
  auto board = [&] {
    return any({"\"wall 1\"", "\"wall 3\"", "\"wall 7\"", "\"wall 9\"", "\"bottom slab 1\"", "\"bottom slab 2\"",
                "\"top slab 1\"", "\"top slab 3\""});
  };
  auto pickWord = [&] { return pick(3) == 0 ? "@" + point() : board(); };
  switch (pick(15)) {
    case 0: return "add-hole " + pickWord() + " rect " + point() + " " + number() + " " + number();
    case 1: return "add-hole " + pickWord() + " circle " + point() + " " + number();
    case 2: {
      std::string line = "add-notch " + pickWord() + " 0";
      for (std::size_t k = 0, n = 2 + pick(4); k < n; ++k) line += " " + point();
      return line;
    }
    case 3: return "add-board-object " + pickWord() + " area " + number() + " " + any({"dead", "live"});
    case 4: return "add-board-object " + pickWord() + " point " + number() + " " + point();
    case 5: return "add-board-object " + pickWord() + " line " + number() + " " + point() + " " + point();
    case 6: return "change-slab-levels " + number() + " " + pickWord();
    case 7: return "edit-boards-and-top-slabs " + number() + " " + pickWord();
    case 8: return "set-board-thickness " + number() + " " + number() + " " + pickWord();
    case 9: return "join-walls " + pickWord() + " " + pickWord();
    case 10: return "remove-boards " + pickWord();
    case 11: return "add-slab-at " + point() + " " + any({"bottom", "top"});
    case 12: return "split-board " + pickWord() + " " + point() + " " + point();
    case 13: return "add-wall " + point() + " " + point();
    default: return any({"undo", "redo", "rebuild-slabs top", "rebuild-slabs bottom", "show-model-2d"});
  }
}

class FuzzReplay : public HostCommandTest {};

}  // namespace

TEST_F(FuzzReplay, DesignReader) {
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", dir.string()}).code, 0);
  Replay(&fuzz_entries::Design, {Slurp(Path("tank.tkd"))}, 300, 1);
}

TEST_F(FuzzReplay, ProjectReader) {
  Replay(&fuzz_entries::Project,
         {Slurp(kExamples + "open-single-cell.json"), Slurp(kExamples + "buried-two-cell.json"),
          Slurp(kExamples + "face-lines.json")},
         150, 2);
}

TEST_F(FuzzReplay, SettingsReader) {
  std::ostringstream defaults;
  ASSERT_EQ(tank::app::RunHost({"tankdesign", "settings", "--defaults"}, defaults, defaults), 0);
  Replay(&fuzz_entries::Settings, {defaults.str()}, 300, 3);
}

TEST_F(FuzzReplay, PlanDrawingReader) {
  Replay(&fuzz_entries::Dxf, {Slurp(kExamples + "face-lines.dxf")}, 300, 4);
}

TEST_F(FuzzReplay, EditScripts) {
  const std::string project = Slurp(kExamples + "buried-two-cell.json");
  std::mt19937 rng(5);
  for (int script = 0; script < 60; ++script) {
    std::string text;
    for (int k = 0; k < 8; ++k) text += RandomLine(rng) + "\n";
    const std::string broken = fuzz_entries::EditScript(text, project, kExamples, 8);
    EXPECT_TRUE(broken.empty()) << "script " << script << ":\n" << text << broken;
  }
}
