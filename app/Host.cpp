#include "app/Host.h"

#include "app/Commands.h"
#include "app/SafeInput.h"
#include "platform/HostServices.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <ostream>
#include <sstream>

namespace tank::app {

const char* Version() { return TANK_VERSION; }

namespace {

// Builds the command table.  Each command registers its options and a callback
// that does the work; the callbacks write to the streams given to RunHost.
void RegisterCommands(CLI::App& cli, HostStreams& io) {
  RegisterVersionCommand(cli, io);
  RegisterSettingsCommand(cli, io);
  RegisterNewCommand(cli, io);
  RegisterAnalyseCommand(cli, io);
  RegisterRebarDesignCommand(cli, io);
  RegisterRebarEditCommand(cli, io);
  RegisterBookCommand(cli, io);
  RegisterEditCommand(cli, io);
  RegisterDrawCommand(cli, io);
  RegisterDesignCommands(cli, io);
}

void PrintOverview(const CLI::App& cli, std::ostream& out) {
  out << "tankdesign " << Version()
      << " - reinforced-concrete water tank design (GB 50069-2002, CECS138-2002, "
         "GB 50007-2002, GB 50010-2002)\n\nCommands:\n";
  for (const CLI::App* sub : cli.get_subcommands([](const CLI::App*) { return true; })) {
    out << "  " << sub->get_name();
    for (std::size_t n = sub->get_name().size(); n < 12; ++n) out << ' ';
    out << sub->get_description() << "\n";
  }
  out << "\nRun 'tankdesign COMMAND --help' for the options of a command.\n";
}

}  // namespace

void RegisterVersionCommand(CLI::App& cli, HostStreams& io) {
  auto* version = cli.add_subcommand("version", "Print the version of the design engine");
  version->callback([&io] { io.out << "tankdesign " << Version() << "\n"; });
}

int RunHost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App cli{"Reinforced-concrete water tank design engine", "tankdesign"};
  cli.set_version_flag("--version", std::string("tankdesign ") + Version());
  cli.require_subcommand(0, 1);
  HostStreams io{out, err};
  RegisterCommands(cli, io);

  std::vector<std::string> rest(args.size() > 1 ? args.begin() + 1 : args.end(), args.end());
  std::reverse(rest.begin(), rest.end());  // CLI11 takes the arguments reversed
  try {
    // The module starts once per process (a second call does nothing).
    ModuleStartup();
    cli.parse(rest);
    if (cli.get_subcommands().empty()) PrintOverview(cli, out);
    return io.status;
  } catch (const CLI::CallForHelp&) {
    out << cli.help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    out << cli.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::CallForVersion&) {
    out << cli.version() << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    err << "tankdesign: " << PrintableMessage(e.what()) << "\n";
    err << "Run 'tankdesign --help' for the list of commands.\n";
    return 2;
  } catch (const std::exception& e) {
    err << "tankdesign: error: " << PrintableMessage(e.what()) << "\n";
    return 1;
  }
}

}  // namespace tank::app
