// The command-line host: it stands in for the CAD host application.  It creates
// the design object, drives it through its commands and hands in what a CAD
// user would pick, given as points or entity numbers on the command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tank::app {

// The version printed by `tankdesign --version`.
const char* Version();

// Runs the host with the given arguments (argv[0] included) and returns the
// process exit code.  Output goes to `out`, errors to `err`; nothing a user
// passes may crash it: every failure becomes a message on `err` and a
// non-zero code: 1 an error, 2 a wrong command line, 3 a tank that was
// analysed but fails a check (anti-floating or bearing), 4 bar groups the
// design could not satisfy, 5 drawings written with zones left undrawn.
int RunHost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tank::app
