// The host's commands.  Each command lives in a file of its own and registers
// itself on the command line through one function listed here; RunHost calls
// them in order, which is the order `tankdesign --help` lists them in.
#pragma once

#include <iosfwd>

namespace CLI {
class App;
}

namespace tank::app {

// Where a command writes: normal output and error messages.  A command that
// fails throws std::exception (or a CLI11 error); RunHost reports it on `err`
// and exits non-zero.  A command that did its work but has a result the user
// must act on sets `status` to its exit code (kExitCheckFailed).
struct HostStreams {
  std::ostream& out;
  std::ostream& err;
  int status = 0;
};

// Exit codes: 0 done, 1 error, 2 wrong command line, 3 analysed but a check
// (anti-floating or bearing) failed.
constexpr int kExitCheckFailed = 3;
// `design` designed the tank but some bar groups are not satisfied.
constexpr int kExitDesignFailed = 4;
// `draw` drew and wrote the drawings, but some zones could not be drawn.
constexpr int kExitNotAllDrawn = 5;
// `rebar-edit`: the re-design refused an edit; nothing is taken.
constexpr int kExitEditRefused = 6;

void RegisterVersionCommand(CLI::App& cli, HostStreams& io);
void RegisterSettingsCommand(CLI::App& cli, HostStreams& io);
void RegisterDesignCommands(CLI::App& cli, HostStreams& io);
void RegisterNewCommand(CLI::App& cli, HostStreams& io);
void RegisterAnalyseCommand(CLI::App& cli, HostStreams& io);
void RegisterBookCommand(CLI::App& cli, HostStreams& io);
void RegisterEditCommand(CLI::App& cli, HostStreams& io);
void RegisterRebarDesignCommand(CLI::App& cli, HostStreams& io);
void RegisterRebarEditCommand(CLI::App& cli, HostStreams& io);
void RegisterDrawCommand(CLI::App& cli, HostStreams& io);

}  // namespace tank::app
