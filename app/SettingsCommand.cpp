// `tankdesign settings`: prints the default project settings as JSON, or
// checks a settings file and lists everything wrong with it.
#include "app/Commands.h"
#include "app/SafeInput.h"
#include "platform/Zarvel.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace tank::app {

namespace {

struct SettingsOptions {
  bool defaults = false;
  std::string checkFile;
};

// Checks one settings file: "FILE: OK" on `out`, or one line per problem on
// `err` and an exception that makes the host exit non-zero.
void CheckSettingsFile(const std::string& name, HostStreams& io) {
  const std::string text = ReadRegularFile(name, kMaxJsonFileBytes);
  if (const TextPosition deep = FindExcessiveNesting(text); deep.line > 0)
    throw std::runtime_error(name + ":" + std::to_string(deep.line) + ":" + std::to_string(deep.column) +
                             ": not a settings file: lists and objects nested more than " +
                             std::to_string(kMaxJsonDepth) + " deep");
  try {
    ReadSettingsJson(text);
  } catch (const SettingsError& e) {
    const auto& problems = e.GetProblems();
    for (const SettingsProblem& p : problems) {
      if (p.line > 0) {
        io.err << name << ":" << p.line << ":" << p.column << ": " << PrintableMessage(p.reason, true, 400) << "\n";
      } else {
        io.err << name << ": " << PrintableMessage(p.ToString(), true, 400) << "\n";
      }
    }
    throw std::runtime_error(name + ": settings rejected (" + std::to_string(problems.size()) +
                             (problems.size() == 1 ? " problem)" : " problems)"));
  }
  io.out << name << ": settings are valid\n";
}

}  // namespace

void RegisterSettingsCommand(CLI::App& cli, HostStreams& io) {
  auto options = std::make_shared<SettingsOptions>();
  auto* cmd = cli.add_subcommand("settings", "Print the default project settings or check a settings file");
  auto* defaults = cmd->add_flag("--defaults", options->defaults,
                                 "Print the default settings as JSON (a buried rectangular tank)");
  auto* check = cmd->add_option("--check", options->checkFile,
                                "Check the JSON settings file FILE and list what is wrong with it")
                    ->type_name("FILE");
  defaults->excludes(check);
  cmd->callback([options, check, &io] {
    if (options->defaults) {
      io.out << WriteSettingsJson(ProjectSettings());
    } else if (check->count() > 0) {
      CheckSettingsFile(options->checkFile, io);
    } else {
      throw CLI::ValidationError("settings", "give --defaults or --check FILE");
    }
  });
}

}  // namespace tank::app
