// The command-line host: help, version, and refusal of bad input.
#include "app/Host.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(Host, HelpListsTheCommands) {
  for (const char* flag : {"--help", "-h"}) {
    HostRun r = RunTool({flag});
    EXPECT_EQ(r.code, 0) << flag;
    EXPECT_NE(r.out.find("version"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.empty());
  }
}

TEST(Host, NoArgumentsPrintsVersionAndCommands) {
  HostRun r = RunTool({});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find(tank::app::Version()), std::string::npos);
  EXPECT_NE(r.out.find("Commands:"), std::string::npos);
}

TEST(Host, VersionFlag) {
  HostRun r = RunTool({"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, std::string("tankdesign ") + tank::app::Version() + "\n");
}

TEST(Host, BadInputExitsNonZeroWithAMessage) {
  const std::vector<std::vector<std::string>> cases = {
      {"no-such-command"}, {"--no-such-option"}, {"version", "--bogus"}, {"version", "extra"}, {"-"},
  };
  for (const auto& c : cases) {
    HostRun r = RunTool(c);
    EXPECT_NE(r.code, 0) << c[0];
    EXPECT_FALSE(r.err.empty()) << c[0];
  }
}

TEST(Host, ExecutableExitCodes) {
  // The real executable, as a user runs it.
  EXPECT_EQ(std::system(TANKDESIGN_EXE " --help >/dev/null"), 0);
  EXPECT_NE(std::system(TANKDESIGN_EXE " frobnicate >/dev/null 2>&1"), 0);
}

}  // namespace
