// `tankdesign new PROJECT.json [-o OUTDIR]` and `tankdesign new --example
// NAME [-o OUTDIR]`: builds a regular tank from a project file, prepares it
// for the analysis (grades, outer wall faces, edge restraints, haunches) and
// writes the design with its model plan and 3D model, or prints the boards.
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/EditScript.h"
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
  if (!o.example.empty()) {
    const std::vector<std::string> names = ExampleNames();
    if (std::find(names.begin(), names.end(), o.example) == names.end()) {
      std::string known;
      for (const auto& n : names) known += (known.empty() ? "" : ", ") + n;
      throw CLI::ValidationError("--example", "no built-in example \"" + o.example + "\" (examples: " + known + ")");
    }
  }
  const ProjectInput input = o.project.empty() ? ReadProject(ExampleProject(o.example), source)
                                               : ReadProjectFile(o.project);
  auto designer = std::make_unique<TankDesigner>();
  BuildNewTank(*designer, input, source);

  const Tank& tank = designer->GetTank();
  io.out << fmt::format("{}: {}\n", source, BoardCounts(tank, false));
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
