// The outputs of the host's commands appear together or not at all: a
// command that fails leaves its output folder as it was, and the messages
// of files that cannot be read or written say why.
#include "app/OutputSet.h"
#include "tests/host_run.h"
#include "tests/test_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using tank::app::OutputSet;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// Every entry of a folder (hidden ones too) with the content of its files.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> entries;
  if (!fs::exists(dir)) return entries;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    entries[fs::relative(e.path(), dir).string()] = e.is_directory() ? "<dir>" : Slurp(e.path());
  return entries;
}

class OutputFolder : public HostCommandTest {};

TEST_F(OutputFolder, FilesAppearOnlyWhenTheSetIsCommitted) {
  const fs::path out = dir / "out";
  {
    OutputSet set(out.string());
    set.WriteText("a.txt", "new a");
    Put(set.Stage("b.csv"), "new b");
    EXPECT_FALSE(fs::exists(out / "a.txt"));
    // Dropped without a commit: the folder it made goes again.
  }
  EXPECT_FALSE(fs::exists(out));

  fs::create_directories(out);
  Put(out / "a.txt", "old a");
  {
    OutputSet set(out.string());
    set.WriteText("a.txt", "new a");
    set.WriteText("b.csv", "new b");
    set.Commit();
    EXPECT_EQ(set.Files(), (std::vector<std::string>{(out / "a.txt").string(), (out / "b.csv").string()}));
  }
  EXPECT_EQ(Snapshot(out), (std::map<std::string, std::string>{{"a.txt", "new a"}, {"b.csv", "new b"}}));

  // A rename that fails half-way puts back what was renamed before it.
  fs::create_directories(out / "c.svg");
  {
    OutputSet set(out.string());
    set.WriteText("a.txt", "newer a");
    set.WriteText("b.csv", "newer b");
    EXPECT_THROW(set.Stage("c.svg"), std::runtime_error);  // a folder of that name
  }
  const auto before = Snapshot(out);
  {
    OutputSet set(out.string());
    set.WriteText("a.txt", "newer a");
    const std::string temp = set.Stage("d.txt");
    fs::remove(temp);  // the writer never wrote it
    EXPECT_THROW(set.Commit(), std::runtime_error);
  }
  EXPECT_EQ(Snapshot(out), before);
}

// `new` with a bad load, and `new` and `analyse` whose last file cannot be
// written: the earlier design and drawings stay as they were.
TEST_F(OutputFolder, FailingCommandsLeaveTheFolderAsItWas) {
  const fs::path out = dir / "tank";
  ASSERT_EQ(RunTool({"new", "--example", "open-single-cell", "-o", out.string()}).code, 0);
  Put(out / "notes.txt", "mine");
  const auto good = Snapshot(out);

  const std::string bad = Path("bad.json");
  Put(bad, R"({ "tank": { "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1, "cells_y": 1,
      "loads": [ { "board": "bottom slab 1", "type": "point", "value_kn": 5, "position_mm": [9000, 1000] } ] } })");
  const HostRun refused = RunTool({"new", bad, "-o", out.string()});
  EXPECT_NE(refused.code, 0);
  EXPECT_NE(refused.err.find("tank.loads[0].position_mm"), std::string::npos) << refused.err;
  EXPECT_EQ(Snapshot(out), good);

  // The 3D model's name taken by a folder: nothing of the new tank appears.
  fs::remove(out / "model3d.dxf");
  fs::create_directories(out / "model3d.dxf");
  const auto blocked = Snapshot(out);
  const HostRun newer = RunTool({"new", "--example", "buried-two-cell", "-o", out.string()});
  EXPECT_NE(newer.code, 0);
  EXPECT_NE(newer.err.find("model3d.dxf: cannot write: is a directory"), std::string::npos) << newer.err;
  EXPECT_EQ(Snapshot(out), blocked);

  fs::create_directories(out / "moments.csv");
  const auto before = Snapshot(out);
  const HostRun analysed = RunTool({"analyse", (out / "tank.tkd").string(), "-o", out.string()});
  EXPECT_NE(analysed.code, 0);
  EXPECT_NE(analysed.err.find("moments.csv: cannot write: is a directory"), std::string::npos) << analysed.err;
  EXPECT_EQ(Snapshot(out), before);

  // A folder that did not exist is not left behind either.
  const fs::path fresh = dir / "fresh" / "deeper";
  EXPECT_NE(RunTool({"new", bad, "-o", fresh.string()}).code, 0);
  EXPECT_FALSE(fs::exists(dir / "fresh"));
}

// Why a file cannot be read or written, in the message.
TEST_F(OutputFolder, MessagesSayWhyAFileCannotBeUsed) {
  ASSERT_EQ(RunTool({"new", "--example", "open-single-cell", "-o", dir.string()}).code, 0);
  const std::string design = Path("tank.tkd");
  fs::create_directories(dir / "folder.tkd");
  struct Case {
    std::vector<std::string> args;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {{"info", Path("missing.tkd")}, "missing.tkd: cannot open: not found"},
      {{"info", Path("folder.tkd")}, "folder.tkd: cannot open: is a directory"},
      {{"analyse", Path("folder.tkd")}, "folder.tkd: cannot open: is a directory"},
      {{"analyse", Path("missing.json")}, "missing.json: cannot open: not found"},
      {{"new", Path("folder.tkd")}, "folder.tkd: cannot open: is a directory"},
      {{"analyse", design, "-o", design}, "cannot write into it: not a folder"},
      {{"export", design, "--dxf", Path("folder.tkd")}, "folder.tkd: cannot write: is a directory"},
      {{"export", design, "--svg", Path("no/such/dir/a.svg")}, "a.svg: cannot write: its folder"},
      {{"export", design, "--view", "-1", "--dxf", Path("a.dxf")}, "--view -1: the design holds 2 views, numbered 0 to 1"},
      {{"export", design, "--view", "2", "--dxf", Path("a.dxf")}, "--view 2: the design holds 2 views"},
  };
  for (const Case& c : cases) {
    const HostRun r = RunTool(c.args);
    EXPECT_NE(r.code, 0) << c.args[0] << " " << c.args[1];
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << "expected \"" << c.reason << "\" in: " << r.err;
  }
  EXPECT_FALSE(fs::exists(Path("a.dxf")));

  if (::geteuid() != 0) {  // root reads and writes whatever the permissions say
    fs::permissions(design, fs::perms::none);
    const HostRun r = RunTool({"info", design});
    EXPECT_NE(r.err.find("permission denied"), std::string::npos) << r.err;
    fs::permissions(design, fs::perms::owner_read | fs::perms::owner_write);
  }

  // `info` numbers the views as `export --view N` takes them.
  const HostRun info = RunTool({"info", design});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find("0: TankModel2DView"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("1: TankModel3DView"), std::string::npos) << info.out;
  const HostRun one = RunTool({"export", design, "--view", "1", "--svg", Path("model.svg")});
  EXPECT_EQ(one.code, 0) << one.err;
}

}  // namespace

namespace {

// The hidden entries of a folder (staged or kept files a run left).
std::set<std::string> Hidden(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string().front() == '.') names.insert(e.path().filename().string());
  return names;
}

}  // namespace

// Whatever stands at an output path must be a regular file: a pipe or a
// symbolic link there is refused and left as it is, and nothing is written.
TEST_F(OutputFolder, OutputPathsThatAreNoRegularFileAreRefused) {
  ASSERT_EQ(RunTool({"new", "--example", "open-single-cell", "-o", dir.string()}).code, 0);
  const fs::path fifo = dir / "pipe.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  Put(dir / "target.svg", "mine");
  fs::create_symlink("target.svg", dir / "link.svg");
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  };
  for (const Case& c :
       {Case{{"export", Path("tank.tkd"), "--dxf", Path("sheet.dxf"), "--png", fifo.string()},
             "pipe.png: cannot write: not a regular file"},
        Case{{"export", Path("tank.tkd"), "--dxf", Path("sheet.dxf"), "--svg", Path("link.svg")},
             "link.svg: cannot write: is a symbolic link"}}) {
    const HostRun r = RunTool(c.args);
    EXPECT_EQ(r.code, 1) << c.args.back();
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
  }
  EXPECT_EQ(fs::symlink_status(fifo).type(), fs::file_type::fifo);
  EXPECT_TRUE(fs::is_symlink(dir / "link.svg"));
  EXPECT_EQ(Slurp(dir / "target.svg"), "mine");
  EXPECT_FALSE(fs::exists(dir / "sheet.dxf"));
  EXPECT_TRUE(Hidden(dir).empty());

  // A link standing at one of a command's own outputs is refused the same way.
  fs::remove(dir / "plan.svg");
  fs::create_symlink("target.svg", dir / "plan.svg");
  const HostRun again = RunTool({"new", "--example", "open-single-cell", "-o", dir.string()});
  EXPECT_EQ(again.code, 1);
  EXPECT_NE(again.err.find("plan.svg: cannot write: is a symbolic link"), std::string::npos) << again.err;
  EXPECT_TRUE(fs::is_symlink(dir / "plan.svg"));
  EXPECT_EQ(Slurp(dir / "target.svg"), "mine");
}

// Ctrl-C (SIGINT) or a termination request (SIGTERM) while a set is being
// written cancels it: its staged files and the folders it made go, the
// earlier outputs stay, and the process ends by the signal.
TEST_F(OutputFolder, InterruptCancelsTheSet) {
  for (const int sig : {SIGINT, SIGTERM}) {
    const fs::path out = dir / "out";
    fs::create_directories(out);
    Put(out / "a.txt", "earlier");
    const fs::path fresh = dir / "fresh" / "deeper";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      OutputSet set(out.string());
      set.WriteText("a.txt", "new");
      set.WriteText("b.txt", "new");
      std::ofstream(set.Stage("tank.tkd") + ".tmp") << "the design writer's own temporary file";
      OutputSet other(fresh.string());
      other.WriteText("c.txt", "new");
      ::raise(sig);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
    EXPECT_EQ(Snapshot(out), (std::map<std::string, std::string>{{"a.txt", "earlier"}})) << sig;
    EXPECT_FALSE(fs::exists(dir / "fresh")) << sig;
  }
}

// A run killed outright leaves its staged files; the next run writing the
// same outputs removes them (their names carry the dead process's id),
// while the staged files of a process still running stay.
TEST_F(OutputFolder, LeftoversOfAKilledRunAreRemoved) {
  ASSERT_EQ(RunTool({"new", "--example", "open-single-cell", "-o", dir.string()}).code, 0);
  const pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone), live = std::to_string(::getpid());
  for (const std::string& name : {".tank.part-" + dead + "-0.tkd", ".tank.part-" + dead + "-0.tkd.tmp",
                                  ".plan.old-" + dead + "-3.dxf", ".tank.part-" + live + "-77.tkd"})
    Put(dir / name, "partial");
  Put(dir / ".tank.part-notes.tkd", "not a staged name");
  ASSERT_EQ(RunTool({"new", "--example", "open-single-cell", "-o", dir.string()}).code, 0);
  EXPECT_EQ(Hidden(dir), (std::set<std::string>{".tank.part-" + live + "-77.tkd", ".tank.part-notes.tkd"}));
}
