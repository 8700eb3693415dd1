// Runs the command-line host in-process, as a user would run `tankdesign`,
// and the fixture of the tests of whole commands.
#pragma once

#include "app/Host.h"
#include "platform/HostServices.h"
#include "platform/Nirvox.h"
#include "tests/test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

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

// Tests of whole commands: a fresh host layer and view board, and a scratch
// directory of the test's own.
class HostCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
    g_ViewBoard.Reset();
    dir = MakeTestTempDir();
  }
  void TearDown() override {
    g_ViewBoard.Reset();
    std::filesystem::remove_all(dir);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::filesystem::path dir;
};
