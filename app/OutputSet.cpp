#include "app/OutputSet.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace tank::app {

namespace fs = std::filesystem;

std::string FileErrorReason(int error) {
  switch (error) {
    case ENOENT: return "not found";
    case EACCES:
    case EPERM: return "permission denied";
    case EISDIR: return "is a directory";
    case ENOTDIR: return "a folder on its path is not a folder";
    case ENOSPC: return "no space left on the device";
    case EROFS: return "read-only file system";
    case EEXIST: return "already exists";
    case ENAMETOOLONG: return "name too long";
    default: return std::strerror(error);
  }
}

namespace {

std::atomic<unsigned> g_nextTemp{0};

// ---- Cancelling on SIGINT and SIGTERM ----------------------------------------
//
// The staged files of every live set are listed in a fixed table that a
// signal handler can walk: on Ctrl-C or a termination request the handler
// removes them (with the writers' own ".tmp" beside them) and the folders
// the sets made while they are empty, then ends the process by the signal as
// it would have ended, so that the output folders stay as they were.

constexpr std::size_t kSlots = 256;
constexpr std::size_t kPathBytes = 4096;

struct Slot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 a staged file, 3 a folder the set made
  char path[kPathBytes];
};
Slot g_slots[kSlots];

int Register(const fs::path& path, int kind) {
  const std::string& s = path.native();
  if (s.size() + 5 >= kPathBytes) return -1;
  for (std::size_t i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (!g_slots[i].state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(g_slots[i].path, s.c_str(), s.size() + 1);
    g_slots[i].state.store(kind);
    return static_cast<int>(i);
  }
  return -1;
}

void Unregister(int slot) {
  if (slot >= 0) g_slots[slot].state.store(0);
}

void CancelHandler(int sig) {
  const int saved = errno;
  for (Slot& slot : g_slots)
    if (slot.state.load() == 2) {
      ::unlink(slot.path);
      // The design writer's own temporary file beside the staged one.
      char tmp[kPathBytes];
      const std::size_t n = std::strlen(slot.path);
      std::memcpy(tmp, slot.path, n);
      std::memcpy(tmp + n, ".tmp", 5);
      ::unlink(tmp);
    }
  // Folders the sets made, innermost (registered last) first, while empty.
  for (std::size_t i = kSlots; i-- > 0;)
    if (g_slots[i].state.load() == 3) ::rmdir(g_slots[i].path);
  static const char kMessage[] = "tankdesign: cancelled; the output folder is left as it was\n";
  [[maybe_unused]] const auto written = ::write(2, kMessage, sizeof kMessage - 1);
  errno = saved;
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

// Installs the handler once, for the signals whose disposition is still the
// default (a signal the caller ignores stays ignored).
void InstallCancelHandler() {
  static const bool installed = [] {
    for (int sig : {SIGINT, SIGTERM}) {
      struct sigaction old {};
      if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
      struct sigaction sa {};
      sa.sa_handler = CancelHandler;
      sigemptyset(&sa.sa_mask);
      ::sigaction(sig, &sa, nullptr);
    }
    return true;
  }();
  (void)installed;
}

// Blocks SIGINT and SIGTERM while the staged files are renamed into place:
// a set appears whole, and a cancel asked meanwhile takes effect afterwards.
class BlockCancel {
 public:
  BlockCancel() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &set, &m_old);
  }
  ~BlockCancel() { ::sigprocmask(SIG_SETMASK, &m_old, nullptr); }
  BlockCancel(const BlockCancel&) = delete;
  BlockCancel& operator=(const BlockCancel&) = delete;

 private:
  sigset_t m_old;
};

bool ProcessGone(long pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

// Removes what a run that was killed left beside `name` in `dir`: its
// hidden staged files ".STEM.part-PID-N.EXT" and kept earlier files
// ".STEM.old-PID-N.EXT" (with anything a writer appended to them), where
// the process PID no longer runs.
void RemoveLeftovers(const fs::path& dir, const std::string& name) {
  const std::string stem = fs::path(name).stem().string();
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return;
  std::vector<std::string> gone;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view entry(e->d_name);
    for (const char* kind : {".part-", ".old-"}) {
      const std::string prefix = "." + stem + kind;
      if (entry.rfind(prefix, 0) != 0) continue;
      long pid = 0;
      const char* first = entry.data() + prefix.size();
      const char* last = entry.data() + entry.size();
      const auto [end, ec] = std::from_chars(first, last, pid);
      if (ec != std::errc() || end == first || end == last || *end != '-') continue;
      if (pid != static_cast<long>(::getpid()) && ProcessGone(pid)) gone.emplace_back(entry);
    }
  }
  ::closedir(d);
  for (const std::string& n : gone) {
    struct stat st {};
    const fs::path p = (dir.empty() ? fs::path(".") : dir) / n;
    if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(p.c_str());
  }
}

// Why an output cannot be put at `target`, or empty: whatever stands there
// must be a regular file (a device, a pipe or a folder is never replaced by
// a file, nor a symbolic link by the file it points to).
std::string TargetProblem(const fs::path& target) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) return {};
  if (S_ISDIR(st.st_mode)) return "is a directory";
  if (S_ISLNK(st.st_mode)) return "is a symbolic link (not replaced; remove it or name another file)";
  if (!S_ISREG(st.st_mode)) return "not a regular file (a device, pipe or socket is never replaced)";
  return {};
}

// A hidden name beside `name` that keeps its extension (writers may choose
// the format by it).
fs::path SideName(const fs::path& dir, const std::string& name, const char* kind) {
  const fs::path p(name);
  return dir / fmt::format(".{}.{}-{}-{}{}", p.stem().string(), kind, static_cast<long>(::getpid()),
                           g_nextTemp.fetch_add(1), p.extension().string());
}

bool Exists(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

}  // namespace

OutputSet::OutputSet(const std::string& dir) : m_dir(dir.empty() ? fs::path(".") : fs::path(dir)) {
  if (m_dir.filename().empty() && m_dir.has_parent_path() && m_dir != m_dir.root_path()) m_dir = m_dir.parent_path();
  // The outermost missing folder on the path, to remove again on failure.
  fs::path missing;
  for (fs::path p = m_dir; !p.empty(); p = p.parent_path()) {
    if (Exists(p)) break;
    missing = p;
    if (p == p.parent_path()) break;
  }
  std::error_code ec;
  fs::create_directories(m_dir, ec);
  struct stat st {};
  if (::stat(m_dir.c_str(), &st) != 0)
    throw std::runtime_error(fmt::format("{}: cannot make the output folder: {}", m_dir.string(),
                                         FileErrorReason(ec ? ec.value() : errno)));
  if (!S_ISDIR(st.st_mode))
    throw std::runtime_error(fmt::format("{}: cannot write into it: not a folder", m_dir.string()));
  m_created = missing;
  InstallCancelHandler();
  // The folders made here, outermost first, so that the handler removes the
  // innermost first.
  if (!m_created.empty()) {
    std::vector<fs::path> made;
    for (fs::path p = m_dir; !p.empty(); p = p.parent_path()) {
      made.push_back(p);
      if (p == m_created || p == p.parent_path()) break;
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it) m_slots.push_back(Register(*it, 3));
  }
}

OutputSet::~OutputSet() {
  if (!m_committed) Discard();
  for (int slot : m_slots) Unregister(slot);
}

std::string OutputSet::Stage(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
    throw std::invalid_argument("OutputSet: not a plain file name: " + name);
  return StageTarget(m_dir / name);
}

std::string OutputSet::StagePath(const std::string& path) {
  if (path.empty()) throw std::invalid_argument("OutputSet: empty path");
  return StageTarget(fs::path(path));
}

std::string OutputSet::StageTarget(const fs::path& target) {
  for (const Entry& e : m_entries)
    if (e.target == target) return e.temp.string();
  if (target.filename().empty()) throw std::runtime_error(target.string() + ": cannot write: is a directory");
  if (const std::string why = TargetProblem(target); !why.empty())
    throw std::runtime_error(target.string() + ": cannot write: " + why);
  InstallCancelHandler();
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  RemoveLeftovers(dir, target.filename().string());
  const fs::path temp = SideName(dir, target.filename().string(), "part");
  // The temporary file is made now, so that a file that cannot be written
  // is reported before any work is done for it.
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    // A missing folder is the reason, not the hidden name.
    const int error = errno;
    throw std::runtime_error(fmt::format("{}: cannot write: {}", target.string(),
                                         error == ENOENT ? "its folder " + dir.string() + " does not exist"
                                                         : FileErrorReason(error)));
  }
  ::close(fd);
  m_entries.push_back({target, temp, Register(temp, 2)});
  return temp.string();
}

void OutputSet::WriteText(const std::string& name, const std::string& text) {
  const std::string path = Stage(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out || !out.flush())
    throw std::runtime_error(fmt::format("{}: cannot write: {}", m_entries.back().target.string(), FileErrorReason(errno)));
}

void OutputSet::Commit() {
  if (m_committed) return;
  const BlockCancel block;
  for (const Entry& e : m_entries)
    if (!Exists(e.temp))
      throw std::runtime_error(fmt::format("{}: cannot write: the file was not written", e.target.string()));

  // Earlier files of the same names are kept aside (a second name for the
  // same file) until every new file is in place.
  struct Done {
    fs::path target;
    fs::path backup;  // empty: there was no earlier file
  };
  std::vector<Done> done;
  auto rollback = [&done] {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
      if (it->backup.empty()) {
        ::unlink(it->target.c_str());
      } else if (::rename(it->backup.c_str(), it->target.c_str()) != 0) {
        ::unlink(it->backup.c_str());
      }
    }
  };
  for (const Entry& e : m_entries) {
    const fs::path& target = e.target;
    Done d{target, {}};
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
      if (const std::string why = TargetProblem(target); !why.empty()) {
        rollback();
        throw std::runtime_error(fmt::format("{}: cannot write: {}", target.string(), why));
      }
      d.backup = SideName(target.has_parent_path() ? target.parent_path() : fs::path("."),
                          target.filename().string(), "old");
      if (::link(target.c_str(), d.backup.c_str()) != 0) {
        const int error = errno;
        rollback();
        throw std::runtime_error(fmt::format("{}: cannot replace: {}", target.string(), FileErrorReason(error)));
      }
    }
    if (::rename(e.temp.c_str(), target.c_str()) != 0) {
      const int error = errno;
      if (!d.backup.empty()) ::unlink(d.backup.c_str());
      rollback();
      throw std::runtime_error(fmt::format("{}: cannot write: {}", target.string(), FileErrorReason(error)));
    }
    done.push_back(d);
  }
  for (const Done& d : done)
    if (!d.backup.empty()) ::unlink(d.backup.c_str());
  for (Entry& e : m_entries) {
    Unregister(e.slot);
    e.slot = -1;
  }
  m_committed = true;
}

std::vector<std::string> OutputSet::Files() const {
  std::vector<std::string> files;
  for (const Entry& e : m_entries) files.push_back(e.target.string());
  return files;
}

void OutputSet::Discard() noexcept {
  for (const Entry& e : m_entries) {
    ::unlink(e.temp.c_str());
    Unregister(e.slot);
  }
  m_entries.clear();
  if (m_created.empty() || m_dir.empty()) return;
  // Folders this set made, innermost first, while they are empty.
  for (fs::path p = m_dir; !p.empty(); p = p.parent_path()) {
    if (::rmdir(p.c_str()) != 0) break;
    if (p == m_created) break;
  }
}

}  // namespace tank::app
