// `tankdesign settings`: prints the default project settings as JSON, or
// checks a settings file and lists everything wrong with it.
#include "app/Commands.h"
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

std::string ReadWholeFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error(name + ": cannot open: " + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw std::runtime_error(name + ": cannot read");
  return text.str();
}

// Checks one settings file: "FILE: OK" on `out`, or one line per problem on
// `err` and an exception that makes the host exit non-zero.
void CheckSettingsFile(const std::string& name, HostStreams& io) {
  const std::string text = ReadWholeFile(name);
  try {
    ReadSettingsJson(text);
  } catch (const SettingsError& e) {
    const auto& problems = e.GetProblems();
    for (const SettingsProblem& p : problems) {
      if (p.line > 0) {
        io.err << name << ":" << p.line << ":" << p.column << ": " << p.reason << "\n";
      } else {
        io.err << name << ": " << p.ToString() << "\n";
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
