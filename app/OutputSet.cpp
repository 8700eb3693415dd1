#include "app/OutputSet.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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
}

OutputSet::~OutputSet() {
  if (!m_committed) Discard();
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
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw std::runtime_error(target.string() + ": cannot write: is a directory");
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
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
  m_entries.push_back({target, temp});
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
      if (S_ISDIR(st.st_mode)) {
        rollback();
        throw std::runtime_error(fmt::format("{}: cannot write: is a directory", target.string()));
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
  m_committed = true;
}

std::vector<std::string> OutputSet::Files() const {
  std::vector<std::string> files;
  for (const Entry& e : m_entries) files.push_back(e.target.string());
  return files;
}

void OutputSet::Discard() noexcept {
  for (const Entry& e : m_entries) ::unlink(e.temp.c_str());
  m_entries.clear();
  if (m_created.empty() || m_dir.empty()) return;
  // Folders this set made, innermost first, while they are empty.
  for (fs::path p = m_dir; !p.empty(); p = p.parent_path()) {
    if (::rmdir(p.c_str()) != 0) break;
    if (p == m_created) break;
  }
}

}  // namespace tank::app
