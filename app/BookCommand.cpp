// `tankdesign book INPUT [-o DIR] [--without PART,...] [--members KIND:N,...]`:
// writes the calculation book DIR/calcbook.docx of a tank given as a project
// file (built, analysed and designed first) or a saved design (analysed first
// when it was changed after its last analysis, designed when it was not).  The writer's progress is shown on
// the terminal; Ctrl-C cancels the run and leaves no file (an earlier book in
// DIR stays as it was).
#include "app/BookPictures.h"
#include "app/Commands.h"
#include "app/OutputSet.h"
#include "app/DesignFiles.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "app/Warnings.h"
#include "platform/Nirvox.h"
#include "platform/Tobrin.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace tank::app {

namespace {

// The parts of a book by the names the command line uses, in option order.
const char* const kPartNames[8] = {"title", "codes", "schematics", "basic", "loads", "uplift", "bearing", "members"};

volatile std::sig_atomic_t g_interrupted = 0;
std::ostream* g_progressStream = nullptr;

void OnInterrupt(int) { g_interrupted = 1; }

// The host's progress callback: a line per report on the terminal; an
// interrupt answers the cancel value 1.
void BookProgress(int percent, int* cancel) {
  // Each percentage once (the writer reports the end twice).
  static int shown = -1;
  if (percent < shown) shown = -1;
  if (g_progressStream && percent != shown)
    *g_progressStream << fmt::format("  calculation book {:3d}%\n", percent) << std::flush;
  shown = percent;
  if (g_interrupted && cancel) *cancel = 1;
}

// SIGINT handled as a cancel while the book is written.
class InterruptAsCancel {
 public:
  InterruptAsCancel() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previous);
  }
  ~InterruptAsCancel() { sigaction(SIGINT, &m_previous, nullptr); }

 private:
  struct sigaction m_previous {};
};

struct BookOptions {
  std::string input;
  std::string outDir = ".";
  std::vector<std::string> without;
  std::vector<std::string> members;
};

// The parts left out; an unknown name is a wrong command line.
CalcBookOptions ParseWithout(const std::vector<std::string>& without) {
  CalcBookOptions options(8, 1);
  for (const std::string& list : without) {
    std::stringstream s(list);
    std::string name;
    while (std::getline(s, name, ',')) {
      if (name.empty()) continue;
      bool found = false;
      for (int i = 0; i < 8; ++i) {
        if (name == kPartNames[i]) options[i] = 0, found = true;
      }
      if (!found) {
        throw CLI::ValidationError(
            "--without", fmt::format("unknown part \"{}\" (parts: title, codes, schematics, basic, loads, uplift, "
                                     "bearing, members)",
                                     PrintableMessage(name)));
      }
    }
  }
  return options;
}

// One kind of members asked for: "wall:1,3" is kind 0 with boards 1 and 3,
// each number once, in the order first given.
struct MemberEntry {
  std::string kindName;
  int kind = 0;
  std::vector<std::string> numbers;
};

// "wall:1,3" "bottom:1" "top:2" read as entries; a wrong entry (an unknown
// kind, no number) is a wrong command line.
std::vector<MemberEntry> ParseMemberEntries(const std::vector<std::string>& entries) {
  const std::map<std::string, int> kinds = {{"wall", 0}, {"bottom", 1}, {"top", 2}};
  std::vector<MemberEntry> out;
  for (const std::string& entry : entries) {
    const auto colon = entry.find(':');
    const std::string kindName = entry.substr(0, colon);
    if (colon == std::string::npos || !kinds.count(kindName)) {
      throw CLI::ValidationError(
          "--members", fmt::format("\"{}\" is not KIND:N,... with KIND wall, bottom or top", PrintableMessage(entry)));
    }
    MemberEntry member{kindName, kinds.at(kindName), {}};
    std::stringstream s(entry.substr(colon + 1));
    std::string number;
    while (std::getline(s, number, ',')) {
      if (number.empty()) continue;
      if (std::find(member.numbers.begin(), member.numbers.end(), number) == member.numbers.end())
        member.numbers.push_back(number);
    }
    if (member.numbers.empty()) {
      throw CLI::ValidationError("--members", fmt::format("\"{}\" names no {} (give KIND:N,...)",
                                                          PrintableMessage(entry), kindName));
    }
    out.push_back(std::move(member));
  }
  return out;
}

struct MemberLists {
  std::vector<StructureComponentPtr> top, bottom, walls;
};

// The boards the entries name, in the order given, each board once; a number
// the tank does not have is a wrong command line.
MemberLists FindMembers(const Tank& tank, const std::vector<MemberEntry>& entries) {
  MemberLists lists;
  for (const MemberEntry& entry : entries) {
    auto& list = entry.kind == 0 ? lists.walls : entry.kind == 1 ? lists.bottom : lists.top;
    for (const std::string& number : entry.numbers) {
      BoardPtr found;
      for (const BoardPtr& b : tank.GetBoards()) {
        if (b->GetKind() == entry.kind && std::to_string(b->GetNumber()) == number) found = b;
      }
      if (!found) {
        throw CLI::ValidationError("--members", fmt::format("the tank has no {} {}", entry.kindName,
                                                            PrintableMessage(number)));
      }
      if (std::find(list.begin(), list.end(), found) == list.end()) list.push_back(found);
    }
  }
  return lists;
}

std::vector<StructureComponentPtr> AllMembers(const MemberLists& lists) {
  std::vector<StructureComponentPtr> all = lists.walls;
  all.insert(all.end(), lists.bottom.begin(), lists.bottom.end());
  all.insert(all.end(), lists.top.begin(), lists.top.end());
  return all;
}

void RunBook(const BookOptions& o, HostStreams& io) {
  // The command line is checked before the tank is analysed or designed.
  const CalcBookOptions options = ParseWithout(o.without);
  const std::vector<MemberEntry> entries = ParseMemberEntries(o.members);
  auto designer = std::make_unique<TankDesigner>();
  OpenTank(*designer, o.input);
  FindMembers(designer->GetTank(), entries);
  // The output folder is made (or found unusable) before the long work; the
  // book appears under its name only once it is whole.
  OutputSet out(o.outDir);
  AnalyseIfChanged(*designer, o.input, io.err);
  if (!designer->IsReinDesigned()) {
    io.err << fmt::format("{}: designing the reinforcement...\n", PrintableMessage(o.input));
    designer->DesignRein(nullptr);
    designer->SetReinDesigned(true);
  }
  const MemberLists members = FindMembers(designer->GetTank(), entries);
  TankCheckResult checks;
  if (!CheckTank(designer->GetTank(), designer->GetSettings(), checks))
    throw std::runtime_error(PrintableMessage(o.input) + ": the checks cannot be computed");

  const std::string path = (out.Folder() / "calcbook.docx").string();
  g_ViewBoard.SetDocumentPath(out.Stage("calcbook.docx"));

  const BookPictures pictures = MakeBookPictures(*designer, options, AllMembers(members));
  const int mode = o.members.empty() ? 0 : 1;
  g_progressStream = &io.err;
  bool ok = false;
  {
    InterruptAsCancel interrupt;
    ok = designer->WriteCalcBook(pictures.Handles(), &mode, options, pictures.bottom, pictures.top, pictures.walls,
                                 members.top, members.bottom, members.walls, &BookProgress);
  }
  g_progressStream = nullptr;
  designer->GetCalcBookWriter().ReleaseDocument();
  if (!ok) throw std::runtime_error(PrintableMessage(o.input) + ": " + designer->GetCalcBookError());
  out.Commit();
  io.out << fmt::format("wrote {}\n", path);
  // The book is written either way; what failed stands out as `analyse` and
  // `design` show it, a failed check taking the exit code before the bars.
  const bool groupsFailed = WarnFailingGroups(designer->GetTank(), io.err);
  WarnFailedChecks(checks, io.err);
  if (!checks.Passed()) io.status = kExitCheckFailed;
  else if (groupsFailed) io.status = kExitDesignFailed;
}

}  // namespace

void RegisterBookCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<BookOptions>();
  auto* cmd = cli.add_subcommand("book", "Write the calculation book (.docx) of a tank");
  cmd->add_option("INPUT", o->input, "Project file (.json) or saved design")->required();
  cmd->add_option("-o,--output", o->outDir, "Write DIR/calcbook.docx (default: the current folder)")
      ->type_name("DIR");
  cmd->add_option("--without", o->without,
                  "Parts to leave out, comma-separated: title, codes, schematics, basic, loads, uplift, bearing, "
                  "members")
      ->type_name("PART,...");
  cmd->add_option("--members", o->members,
                  "Write only these members, e.g. wall:1,3 bottom:1 top:2 (walls, then bottom, then top slabs)")
      ->type_name("KIND:N,...");
  cmd->callback([o, &io] { RunBook(*o, io); });
}

}  // namespace tank::app
