// `tankdesign analyse INPUT [-o OUTDIR]`: analyses a tank given as a project
// file (JSON; the tank is built first, as `new` builds it) or as a saved
// design, prints the anti-floating and bearing checks and a summary per
// board, and with -o saves the analysed design (tank.tkd), the moments
// (moments.csv) and the checks (checks.txt).  A tank that cannot be
// analysed is reported with the reason and a non-zero exit; a tank that
// fails a check is analysed and saved, the failure stands out on the error
// stream and the exit code is 3.
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/NewTank.h"
#include "app/OutputSet.h"
#include "app/ProjectFile.h"
#include "app/Warnings.h"
#include "platform/Tobrin.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <stdexcept>

namespace tank::app {

namespace {

bool IsProjectFile(const std::string& path) {
  return std::filesystem::path(path).extension() == ".json";
}

// Where a face lies: a wall's outer (earth or air) or inner (water) side, a
// slab's top or underside.
const char* SideOf(const Board& board, bool upper) {
  if (board.GetKind() == 0) return (upper ? board.IsUpperFaceOuter() : board.IsLowerFaceOuter()) ? "outer" : "inner";
  return upper ? "top" : "underside";
}

// One CSV row: board, face and its side, direction or edge, the three
// moments, the case.
void Row(std::ostream& csv, const std::string& board, const Board& b, bool upper, const std::string& where,
         const FaceValues& v) {
  csv << fmt::format("{},{},{},{},{:.3f},{:.3f},{:.3f},{},{}\n", board, upper ? "upper" : "lower", SideOf(b, upper),
                     where, v.basicMoment, v.standardMoment, v.quasiMoment, v.combination,
                     TobrinLoadCaseName(v.combination));
}

void WriteMomentsCsv(const Tank& tank, const std::string& path) {
  std::ofstream csv(path, std::ios::binary | std::ios::trunc);
  if (!csv) throw std::runtime_error("moments.csv: cannot write: " + FileErrorReason(errno));
  csv << "board,face,side,direction_or_edge,basic_kNm_per_m,standard_kNm_per_m,quasi_permanent_kNm_per_m,"
         "governing_case,case_name\n";
  for (const BoardPtr& board : tank.GetBoards()) {
    const std::string name = BoardName(tank, board);
    for (bool upper : {true, false})
      for (bool x : {true, false})
        Row(csv, name, *board, upper, x ? "X" : "Y", board->GetFaceValues(upper, x));
    const auto& edges = board->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      for (bool upper : {true, false})
        Row(csv, name, *board, upper, fmt::format("edge {}", i + 1), edges[i].GetFaceValues(upper));
  }
  if (!csv.flush()) throw std::runtime_error("moments.csv: cannot write: " + FileErrorReason(errno));
}

void PrintChecks(std::ostream& out) {
  const auto print = [&out](const char* title, const std::vector<std::string>& lines) {
    out << title << "\n";
    for (std::size_t i = 0; i < lines.size(); ++i) out << fmt::format("  {}. {}\n", i + 1, ForTerminal(lines[i]));
  };
  print("抗浮验算：", GetAntiFloatCheckText());
  print("地基承载力验算：", GetBearingCheckText());
}

// The checks' verdict, one line per check.
void PrintVerdict(const TankCheckResult& checks, std::ostream& out) {
  out << fmt::format("抗浮验算：{}\n地基承载力验算：{}\n", checks.antiFloatOk ? "满足" : "不满足",
                     checks.bearingOk ? "满足" : "不满足");
}

void WriteChecks(const TankCheckResult& checks, const std::string& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) throw std::runtime_error(path + ": cannot write");
  PrintChecks(file);
  file << "\n";
  PrintVerdict(checks, file);
  if (!file.flush()) throw std::runtime_error(path + ": cannot write");
}

void PrintBoards(const Tank& tank, std::ostream& out) {
  out << "弯矩（基本组合，kN·m/m）：上表面 X / Y，下表面 X / Y，支座最大 / 最小\n";
  for (const BoardPtr& board : tank.GetBoards()) {
    double edgeMax = 0.0, edgeMin = 0.0;
    for (const BoardEdge& e : board->GetEdges()) {
      edgeMax = std::max(edgeMax, e.GetFaceValues(true).basicMoment);
      edgeMin = std::min(edgeMin, e.GetFaceValues(false).basicMoment);
    }
    out << fmt::format("  {:<14} {:>8.2f} {:>8.2f}   {:>8.2f} {:>8.2f}   {:>8.2f} {:>8.2f}\n", BoardName(tank, board),
                       board->GetUpperXBasicMoment(), board->GetUpperYBasicMoment(), board->GetLowerXBasicMoment(),
                       board->GetLowerYBasicMoment(), edgeMax, edgeMin);
  }
}

// One line naming the analysis method and how it idealises the tank.
std::string MethodIdealisation(const ProjectSettings& settings) {
  if (settings.GetLoadSettings().GetAnalysisMethod() == 1)
    return "method 1, whole-tank shell: the boards continuous at every joint (wall tops and bases turn with the "
           "slabs), the bottom slabs on the ground as springs";
  const int top = settings.GetGeometrySettings().GetWallTopRestraint();
  const char* restraint = top == 0 ? "fixed" : top == 1 ? "simply supported" : "free";
  return fmt::format(
      "method 0, table method: every board alone on its edge restraints (wall tops under a top slab {}, wall bases "
      "clamped), the moments balanced at the joints",
      restraint);
}

struct AnalyseOptions {
  std::string input;
  std::string outDir;
};

void RunAnalyse(const AnalyseOptions& o, HostStreams& io) {
  auto designer = std::make_unique<TankDesigner>();
  if (IsProjectFile(o.input))
    BuildNewTank(*designer, ReadProjectFile(o.input), o.input);
  else
    OpenDesign(*designer, o.input);
  // The output folder is made (or found unusable) before the analysis runs;
  // its files appear only once all are written.
  std::unique_ptr<OutputSet> out;
  if (!o.outDir.empty()) out = std::make_unique<OutputSet>(o.outDir);
  io.err << fmt::format("{}: analysing {} boards (method {})...\n", o.input, designer->GetTank().GetBoards().size(),
                        designer->GetSettings().GetLoadSettings().GetAnalysisMethod());
  {
    // The long steps of the analysis show on the error stream as they start.
    struct ProgressOnStream {
      explicit ProgressOnStream(std::ostream& s) { GetScriptedHost().SetProgressStream(&s); }
      ~ProgressOnStream() { GetScriptedHost().SetProgressStream(nullptr); }
    } shown(io.err);
    if (!designer->Analyse(&HostTextProgress))
      throw std::runtime_error(o.input + ": analysis failed: " + AnalysisFailure());
  }
  const ShellMeshReport& mesh = GetLastShellMeshReport();
  if (mesh.coarsened) {
    const std::vector<BoardPtr> boards = designer->GetTank().GetBoards();
    const std::string fewest = mesh.board >= 0 && mesh.board < static_cast<int>(boards.size())
                                   ? BoardName(designer->GetTank(), boards[static_cast<std::size_t>(mesh.board)])
                                   : std::string("a board");
    io.err << fmt::format(
        "note: the shell mesh is coarsened to stay within {} elements ({} used): {} boards get fewer than {} elements "
        "across their shorter span (fewest {}, {}); element size up to {:.0f} mm\n",
        mesh.maxElements, mesh.elements, mesh.boards, mesh.minAcross, mesh.fewestAcross, fewest, mesh.elementSize);
  }
  TankCheckResult checks;
  if (!CheckTank(designer->GetTank(), designer->GetSettings(), checks))
    throw std::runtime_error(o.input + ": the checks cannot be computed");
  PrintChecks(io.out);
  io.out << MethodIdealisation(designer->GetSettings()) << "\n";
  PrintBoards(designer->GetTank(), io.out);
  if (!checks.Passed()) {
    WarnFailedChecks(checks, io.err);
    io.status = kExitCheckFailed;
  }
  if (!out) return;
  // Every output appears together, or none does.
  SaveDesign(*designer, out->Stage("tank.tkd"));
  WriteMomentsCsv(designer->GetTank(), out->Stage("moments.csv"));
  WriteChecks(checks, out->Stage("checks.txt"));
  out->Commit();
  for (const std::string& file : out->Files()) io.out << "wrote " << file << "\n";
}

}  // namespace

void RegisterAnalyseCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<AnalyseOptions>();
  auto* cmd = cli.add_subcommand("analyse", "Analyse a tank: moments, anti-floating and bearing checks");
  cmd->alias("analyze");
  cmd->add_option("INPUT", o->input, "Project file (.json) or saved design")->required();
  cmd->add_option("-o,--output", o->outDir,
                  "Write the analysed design (tank.tkd), moments.csv and checks.txt into DIR")
      ->type_name("DIR");
  cmd->callback([o, &io] { RunAnalyse(*o, io); });
}

}  // namespace tank::app
