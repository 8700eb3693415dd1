// `tankdesign new PROJECT.json [-o OUTDIR]` and `tankdesign new --example
// NAME [-o OUTDIR]`: builds a regular tank from a project file, prepares it
// for the analysis (grades, outer wall faces, edge restraints, haunches) and
// writes the design with its model plan and 3D model, or prints the boards.
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <ostream>

namespace tank::app {

namespace {

const char* RestraintName(int kind) {
  switch (kind) {
    case 0: return "固定";
    case 1: return "简支";
    case 2: return "自由";
    default: return "?";
  }
}

// Extent of the board in its own plane (mm).
void BoardSize(const Board& board, double& a, double& b) {
  std::vector<_2dPoint> outline;
  board.GetLocalOutline(outline);
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
  for (const _2dPoint& p : outline) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  a = outline.empty() ? 0.0 : x1 - x0;
  b = outline.empty() ? 0.0 : y1 - y0;
}

void PrintBoards(const Tank& tank, std::ostream& out) {
  for (const BoardPtr& board : tank.GetBoards()) {
    double a = 0, b = 0;
    BoardSize(*board, a, b);
    double zMin = 0.0, zMax = 0.0;
    TankModeler().GetBoardZRange(board, zMin, zMax);
    const bool wall = board->GetKind() == 0;
    std::string restraints;
    for (const Restirction& r : board->GetRestrictions())
      restraints += (restraints.empty() ? "" : " ") + std::string(RestraintName(r.GetKind()));
    out << fmt::format("{:<14} {:>7.0f} x {:<7.0f} mm  t = {:>3.0f} mm  {} {:>9.3f} m  edges: {}", BoardName(tank, board),
                       a, b, board->GetThickness(), wall ? "base " : "level", (wall ? zMin : board->GetOrigin().z) / 1000.0,
                       restraints.empty() ? "-" : restraints);
    if (!board->GetHoles().empty()) out << fmt::format("  openings: {}", board->GetHoles().size());
    if (!board->GetLoads().empty()) out << fmt::format("  loads: {}", board->GetLoads().size());
    out << "\n";
  }
}

struct NewOptions {
  std::string project;
  std::string example;
  std::string outDir;
};

void RunNew(const NewOptions& o, HostStreams& io) {
  if (o.project.empty() == o.example.empty())
    throw CLI::ValidationError("new", "give a project file or --example NAME (examples: " + [] {
      std::string names;
      for (const auto& n : ExampleNames()) names += (names.empty() ? "" : ", ") + n;
      return names;
    }() + ")");
  const std::string source = o.project.empty() ? "example " + o.example : o.project;
  const ProjectInput input = o.project.empty() ? ReadProject(ExampleProject(o.example), source)
                                               : ReadProjectFile(o.project);
  auto designer = std::make_unique<TankDesigner>();
  BuildNewTank(*designer, input, source);

  const Tank& tank = designer->GetTank();
  io.out << fmt::format("{}: {} walls, {} bottom slabs, {} top slabs\n", source, tank.GetWalls().size(),
                        tank.GetBottomSlabs().size(), tank.GetTopSlabs().size());
  if (o.outDir.empty()) {
    PrintBoards(tank, io.out);
    return;
  }
  WriteNewTankFilesTo(*designer, o.outDir, io.out);
}

}  // namespace

void RegisterNewCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<NewOptions>();
  auto* cmd = cli.add_subcommand("new", "Build a regular tank from a project file and write its design and model");
  cmd->add_option("PROJECT", o->project, "Project file (JSON: settings and plan layout)");
  cmd->add_option("--example", o->example, "Use a built-in example project instead")->type_name("NAME");
  cmd->add_option("-o,--output", o->outDir,
                  "Write the design (tank.tkd), the model plan (plan.dxf, plan.svg), the top plan of a covered tank "
                  "(plan-top.dxf, plan-top.svg) and the 3D model (model3d.dxf) "
                  "into DIR; without it, list the boards")
      ->type_name("DIR");
  cmd->callback([o, &io] { RunNew(*o, io); });
}

}  // namespace tank::app
