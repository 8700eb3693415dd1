// `tankdesign design INPUT [-o DIR] [--shorter-span] [--rounding-step MM]`:
// designs the reinforcement of a tank given as a project file (built and
// analysed first) or as a saved design (analysed first when it changed after
// its last analysis).  The design's progress shows on the error stream, a
// summary per board on the output; with -o the designed tank (tank.tkd) and
// the bar table (rebar.csv) are written.  Bar groups the design could not
// satisfy are named on the error stream and the exit code is 4.
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/DesignRun.h"
#include "app/NewTank.h"
#include "app/OutputSet.h"
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "app/TableCsv.h"
#include "app/Warnings.h"
#include "platform/Tobrin.h"
#include "rebar/BarSelection.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>
#include <stdexcept>

namespace tank::app {

namespace {

std::ostream* g_designProgress = nullptr;
int g_eightiesSeen = 0;

// What the design does after each progress value it reports.
const char* StepAfter(int percent) {
  if (percent < 10) return "clearing the earlier design";
  if (percent < 20) return "required areas, bar selection and crack widths";
  if (percent < 40) return "face zones";
  if (percent < 50) return "joint zones";
  if (percent < 60) return "haunch and overhang zones";
  if (percent < 80) return "support bars";
  if (percent < 90) return g_eightiesSeen <= 1 ? "opening bars" : "bar marks and opening numbers";
  return "layer flags of the bars";
}

// The step last shown, so that each step is shown once, at the percentage
// it starts at, however often the design reports within it.
std::string g_lastStep;

void ShowProgress(int percent, const std::string& step) {
  if (!g_designProgress || step == g_lastStep) return;
  g_lastStep = step;
  *g_designProgress << fmt::format("  rebar design {:3d}%  {}\n", percent, step) << std::flush;
}

void DesignProgress(int percent, int* /*reserved*/) {
  if (percent == 80) ++g_eightiesSeen;
  // 100 % is shown once, when the design is done.
  if (percent >= 100) return;
  ShowProgress(percent, StepAfter(percent));
}

const char* StatusText(int status, bool crackControlled) {
  switch (status) {
    case BarGroupStatus::kDesigned: return "ok";
    case BarGroupStatus::kNotDesignable: return "not designable";
    case BarGroupStatus::kNoBarForArea: return "no bar gives the area";
    case BarGroupStatus::kCrackLimitNotMet:
      return crackControlled ? "crack limit not met" : "crack limit not met (crack control off)";
    case BarGroupStatus::kBarsDoNotFit: return "bars do not fit the section";
    default: return "not designed";
  }
}

// What governs the area the bars were selected for; empty for a group that
// was not selected.
const char* GovernedBy(const FaceValues& v) {
  if (!(v.governingArea > 0.0)) return "";
  return v.minimumGoverns ? "minimum ratio" : "moment";
}

// The mark of the first numbered zone of the list (of the direction, when
// given); 0 without one.
int MarkOf(const std::vector<ReinZonePtr>& zones, int direction) {
  for (const ReinZonePtr& zone : zones)
    if (zone && zone->GetNumber() > 0 && (direction < 0 || zone->GetDirection() == direction))
      return zone->GetNumber();
  return 0;
}

void Row(std::ostream& csv, const std::string& board, const char* face, const std::string& where,
         const FaceValues& v, double limit, bool crackControlled, int mark) {
  csv << fmt::format("{},{},{},{:.1f},{},{},{},{:.1f},{:.3f},{:.3f},{},{},{},{:.1f},{}\n", CsvField(board), face,
                     CsvField(where), v.calcArea, CsvField(v.grade), v.diameter, v.spacing,
                     AreaPerMetre(v.diameter, v.spacing), v.crackWidth, limit,
                     mark > 0 ? std::to_string(mark) : std::string(), StatusText(v.status, crackControlled),
                     CsvField(v.statusNote), v.governingArea, GovernedBy(v));
}

void WriteRebarCsv(const Tank& tank, const CalcSettings& calc, const std::string& path) {
  const double limit = calc.GetCrackWidthLimit();
  const bool controlled = calc.IsCrackWidthControlled();
  std::ofstream csv(path, std::ios::binary | std::ios::trunc);
  if (!csv) throw std::runtime_error("rebar.csv: cannot write: " + FileErrorReason(errno));
  csv << "board,face,direction_or_edge,required_mm2_per_m,grade,diameter_mm,spacing_mm,provided_mm2_per_m,"
         "crack_width_mm,crack_limit_mm,mark,status,note,governing_mm2_per_m,governed_by\n";
  for (const BoardPtr& board : tank.GetBoards()) {
    const std::string name = BoardName(tank, board);
    for (bool upper : {true, false})
      for (bool x : {true, false})
        Row(csv, name, upper ? "upper" : "lower", x ? "X" : "Y", board->GetFaceValues(upper, x), limit, controlled,
            MarkOf(upper ? board->GetUpperZones() : board->GetLowerZones(), x ? 0 : 1));
    const auto& edges = board->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      for (bool upper : {true, false})
        Row(csv, name, upper ? "upper" : "lower", fmt::format("edge {}", i + 1), edges[i].GetFaceValues(upper), limit,
            controlled, MarkOf(upper ? edges[i].GetUpperZones() : edges[i].GetLowerZones(), -1));
  }
  if (!csv.flush()) throw std::runtime_error("rebar.csv: cannot write: " + FileErrorReason(errno));
}

std::string BarsText(const FaceValues& v) {
  if (v.diameter <= 0 || v.spacing <= 0) return "-";
  return fmt::format("{}@{}", v.diameter, v.spacing);
}

// One line per board: the four mid-span bar sets, the largest crack width of
// the board and its edges, and how many groups failed.
void PrintSummary(const Tank& tank, double limit, std::ostream& out) {
  out << fmt::format("配筋（直径@间距，mm）：上表面 X / Y，下表面 X / Y，最大裂缝宽度（限值 {:.2f} mm）\n", limit);
  for (const BoardPtr& board : tank.GetBoards()) {
    double widest = 0.0;
    int failing = 0;
    for (bool upper : {true, false})
      for (bool x : {true, false}) {
        const FaceValues& v = board->GetFaceValues(upper, x);
        widest = std::max(widest, v.crackWidth);
        if (BarGroupStatus::IsFailing(v.status)) ++failing;
      }
    for (const BoardEdge& edge : board->GetEdges())
      for (bool upper : {true, false}) {
        const FaceValues& v = edge.GetFaceValues(upper);
        widest = std::max(widest, v.crackWidth);
        if (BarGroupStatus::IsFailing(v.status)) ++failing;
      }
    out << fmt::format("  {:<14} {:>8} {:>8}   {:>8} {:>8}   w = {:.3f} mm{}\n", BoardName(tank, board),
                       BarsText(board->GetFaceValues(true, true)), BarsText(board->GetFaceValues(true, false)),
                       BarsText(board->GetFaceValues(false, true)), BarsText(board->GetFaceValues(false, false)),
                       widest, failing ? fmt::format("   {} group(s) not satisfied", failing) : std::string());
  }
}

struct RebarOptions {
  std::string input;
  std::string outDir;
  bool shorterSpan = false;
  int roundingStep = 50;
};

}  // namespace

void DesignTankRein(TankDesigner& designer, const std::string& input, HostStreams& io) {
  io.err << fmt::format("{}: designing the reinforcement of {} boards...\n", PrintableMessage(input),
                        designer.GetTank().GetBoards().size());
  g_designProgress = &io.err;
  g_eightiesSeen = 0;
  g_lastStep.clear();
  try {
    designer.DesignRein(&DesignProgress);
  } catch (const std::exception& e) {
    g_designProgress = nullptr;
    throw std::runtime_error(PrintableMessage(input) + ": rebar design failed: " + e.what());
  }
  ShowProgress(100, "done");
  g_designProgress = nullptr;
  designer.SetReinDesigned(true);

  const Tank& tank = designer.GetTank();
  const double limit = designer.GetSettings().GetCalcSettings().GetCrackWidthLimit();
  PrintSummary(tank, limit, io.out);
  // The whole design in one line: boards by kind, wall thicknesses, zones.
  std::vector<BoardZoneRecord> walls, tops, bottoms;
  std::vector<ReinZonePtr> others, supports;
  designer.GetBoardRecords(walls, tops, bottoms, others, supports);
  std::set<const ReinZone*> zones;
  for (const auto* list : {&walls, &tops, &bottoms})
    for (const BoardZoneRecord& r : *list)
      for (const ReinZonePtr& z : r.zones) zones.insert(z.get());
  for (const ReinZonePtr& z : others) zones.insert(z.get());
  io.out << fmt::format("walls: {} ({:.0f} to {:.0f} mm thick), bottom slabs: {}, top slabs: {}; rebar zones: {}, "
                        "support zones: {}\n",
                        designer.CountBoards(0), designer.GetMinWallThickness(), designer.GetMaxWallThickness(),
                        designer.CountBoards(1), designer.CountBoards(2), zones.size(), supports.size());
}

bool IsDesignCurrent(const TankDesigner& designer) {
  const Project& project = designer.GetProject();
  return designer.IsReinDesigned() && IsTankAnalysed(project.GetTank(), project.GetSettings());
}

namespace {

void RunDesignCommand(const RebarOptions& o, HostStreams& io) {
  if (o.roundingStep <= 0) throw CLI::ValidationError("--rounding-step", "must be a positive number of mm");
  auto designer = std::make_unique<TankDesigner>();
  OpenAnalysedTank(*designer, o.input, io.err);
  g_ViewBoard.SetReinDesignValues(o.shorterSpan ? 1 : 0, GetReinDesignValue1(), o.roundingStep);
  DesignTankRein(*designer, o.input, io);
  const Tank& tank = designer->GetTank();
  if (!o.outDir.empty()) {
    // Every output appears together, or none does.
    OutputSet out(o.outDir);
    SaveDesign(*designer, out.Stage("tank.tkd"));
    WriteRebarCsv(tank, designer->GetSettings().GetCalcSettings(), out.Stage("rebar.csv"));
    out.Commit();
    for (const std::string& file : out.Files()) io.out << "wrote " << file << "\n";
  }
  if (WarnFailingGroups(tank, io.err)) io.status = kExitDesignFailed;
}

}  // namespace

void RegisterRebarDesignCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<RebarOptions>();
  auto* cmd = cli.add_subcommand("design", "Design the reinforcement of a tank: bars, crack widths, marks");
  cmd->add_option("INPUT", o->input, "Project file (.json) or saved design")->required();
  cmd->add_option("-o,--output", o->outDir, "Write the designed tank (tank.tkd) and rebar.csv into DIR")
      ->type_name("DIR");
  cmd->add_flag("--shorter-span", o->shorterSpan,
                "Joint zones reach a quarter of the board's shorter span (default: the span across the edge)");
  cmd->add_option("--rounding-step", o->roundingStep, "Rounding step of the zone extensions, mm (default 50)")
      ->type_name("MM");
  cmd->callback([o, &io] { RunDesignCommand(*o, io); });
}

}  // namespace tank::app
