// `tankdesign edit INPUT SCRIPT [-o DIR] [--keep-going]`: edits a tank with
// a script of the designer's editing commands (see app/EditScript.h).
// INPUT is a project file (a settings-only project starts with an empty
// tank) or a saved design.  Each command prints one line; a refused command
// stops the script with a non-zero exit naming its line unless
// --keep-going (then it is reported and skipped, as is a line that cannot
// be read).  With -o the design, the model plan and the 3D model are
// written after the last command, and only when the script succeeded.
#include "app/Commands.h"
#include "app/OutputSet.h"
#include "app/DesignFiles.h"
#include "app/EditScript.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "modelview/TankModel2DView.h"
#include "platform/HostServices.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <ostream>
#include <stdexcept>

namespace tank::app {

namespace {

struct EditOptions {
  std::string input;
  std::string script;
  std::string outDir;
  bool keepGoing = false;
  bool listCommands = false;
};

void RunEdit(const EditOptions& o, HostStreams& io) {
  if (o.listCommands) {
    io.out << EditCommandList();
    return;
  }
  if (o.input.empty() || o.script.empty())
    throw CLI::ValidationError("edit", "give INPUT and SCRIPT (or --commands for the script commands)");
  auto designer = std::make_unique<TankDesigner>();
  if (std::filesystem::path(o.input).extension() == ".json") {
    const ProjectInput input = ReadProjectFile(o.input, true);
    if (input.hasTank) {
      BuildNewTank(*designer, input, o.input);
    } else {
      designer->GetSettings() = input.settings;
      designer->ShowModel2D(0, 0);
    }
  } else {
    OpenDesign(*designer, o.input);
    if (!designer->HasModel2DView()) designer->ShowModel2D(0, 0);
  }
  const std::string text = ReadRegularFile(o.script, kMaxJsonFileBytes);
  const std::vector<EditLine> lines = ParseEditScript(text, o.script);
  const std::string baseDir = std::filesystem::path(o.script).parent_path().string();

  // The model's messages go into each line's report, printed once there,
  // not also on the error stream.
  struct QuietModel {
    QuietModel() { GetScriptedHost().SetMessageStream(nullptr); }
    ~QuietModel() { GetScriptedHost().SetMessageStream(&std::cerr); }
  } quiet;
  int refused = 0;
  for (const EditLine& line : lines) {
    EditOutcome outcome;
    try {
      outcome = RunEditLine(*designer, line, baseDir);
    } catch (const ScriptError& e) {
      // A line that cannot be read (a pick that finds nothing, a word that
      // is no number) is refused like a command the model refuses.
      if (!o.keepGoing) throw std::runtime_error(fmt::format("{}: {}", o.script, e.what()));
      outcome.refused = true;
      std::string why = e.what();
      const std::string prefix = fmt::format("line {}: ", line.number);
      if (why.rfind(prefix, 0) == 0) why = why.substr(prefix.size());
      outcome.message = "refused: " + why;
    }
    io.out << fmt::format("line {}: {}: {}\n", line.number, line.words.front(), outcome.message);
    if (outcome.refused) {
      ++refused;
      if (!o.keepGoing)
        throw std::runtime_error(fmt::format("{}: line {}: {} refused; nothing written", o.script, line.number,
                                             line.words.front()));
    }
  }
  const Tank& tank = designer->GetTank();
  io.out << fmt::format("{}: {}, {} refused; {}\n", o.script, Counted(lines.size(), "command", "commands"), refused,
                        BoardCounts(tank, false));
  if (o.outDir.empty()) return;
  // The design as `new` prepares it, with its plan and a fresh 3D model.
  designer->AssignDefaultGrades();
  designer->MarkOuterWallFaces();
  designer->ApplyDefaultEdgeRestraints();
  designer->BuildEars();
  TankModel2DView* plan = nullptr;
  int pk = 0, lm = 0;
  for (const auto& v : designer->GetViews())
    if (auto* p = dynamic_cast<TankModel2DView*>(v.get())) plan = p;
  if (plan) {
    pk = plan->m_planKind;
    lm = plan->m_labelMode;
  }
  designer->ShowModel2D(pk, lm);
  designer->ShowModel3D();
  WriteNewTankFilesTo(*designer, o.outDir, io.out);
}

}  // namespace

void RegisterEditCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<EditOptions>();
  auto* cmd = cli.add_subcommand("edit", "Edit a tank with a script of model-editing commands");
  cmd->add_option("INPUT", o->input, "Project file (JSON; settings only for an empty tank) or design file");
  cmd->add_option("SCRIPT", o->script, "Script: one editing command per line (see --commands)");
  cmd->add_option("-o,--output", o->outDir,
                  "Write the edited design (tank.tkd), the model plan (plan.dxf, plan.svg) and the 3D model "
                  "(model3d.dxf) into DIR")
      ->type_name("DIR");
  cmd->add_flag("--keep-going", o->keepGoing,
                "Report a refused line and go on with the next: a command the model refuses, and a line that "
                "cannot be read (unknown command, a word that is no number, a pick that finds nothing)");
  cmd->add_flag("--commands", o->listCommands, "List the script commands with their arguments");
  cmd->callback([o, &io] { RunEdit(*o, io); });
}

}  // namespace tank::app
