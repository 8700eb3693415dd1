// Runs the command-line host in-process, as a user would run `tankdesign`.
#pragma once

#include "app/Host.h"

#include <sstream>
#include <string>
#include <vector>

struct HostRun {
  int code;
  std::string out;
  std::string err;
};

// `args` without the program name.
inline HostRun RunTool(std::vector<std::string> args) {
  args.insert(args.begin(), "tankdesign");
  std::ostringstream out, err;
  const int code = tank::app::RunHost(args, out, err);
  return {code, out.str(), err.str()};
}
