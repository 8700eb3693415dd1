// The files one command writes into an output folder, replaced all together.
//
// A command stages every file it means to write: it writes each to a
// temporary file in the same folder (so that the final rename never crosses
// a file system), and only when all of them are written does Commit rename
// them over their final names.  A command that fails before Commit leaves
// the folder as it was: the temporary files are removed, files of an
// earlier run stay untouched, and a folder the set created is removed again
// when nothing else was put in it.  SIGINT (Ctrl-C) and SIGTERM cancel the
// same way.  A kill -9 leaves at most hidden temporary files beside the old
// outputs, never a truncated or mixed output; the next set that writes the
// same file removes them (their name carries the process id).  Whatever
// stands at an output path must be a regular file: a folder, device, pipe or
// symbolic link there is refused, never replaced.
//
//   OutputSet out(dir);
//   SaveDesign(designer, out.Stage("tank.tkd"));
//   out.WriteText("checks.txt", text);
//   out.Commit();   // every file appears, or none does
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tank::app {

class OutputSet {
 public:
  // Creates the folder (and its parents) when it is missing.  Throws
  // std::runtime_error naming the folder and the reason when it cannot be
  // made or is not a folder.
  explicit OutputSet(const std::string& dir);
  // A set of files named by their own paths (StagePath), in any folders.
  OutputSet() = default;
  // Without Commit: removes the temporary files and any folder it created.
  ~OutputSet();
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  // The path to write the file `name` (a plain file name in the folder) to;
  // the file appears under `name` at Commit.  Staging a name twice answers
  // the same temporary path.
  std::string Stage(const std::string& name);
  // The same for a file given by its path (its folder must exist).
  std::string StagePath(const std::string& path);
  // Stages `name` with the given content.
  void WriteText(const std::string& name, const std::string& text);

  // Renames every staged file over its final name.  When one rename fails,
  // the files already renamed are put back as they were (an earlier file of
  // the same name restored, a new one removed) and std::runtime_error names
  // the file and the reason.  Throws also when a staged file was never
  // written.
  void Commit();

  // The final paths of the staged files, in staging order.
  std::vector<std::string> Files() const;
  const std::filesystem::path& Folder() const { return m_dir; }

 private:
  struct Entry {
    std::filesystem::path target;
    std::filesystem::path temp;
    int slot = -1;  // in the list of staged files a cancel removes
  };
  std::string StageTarget(const std::filesystem::path& target);
  void Discard() noexcept;

  std::filesystem::path m_dir;
  // The outermost folder this set created, removed again on failure.
  std::filesystem::path m_created;
  std::vector<Entry> m_entries;
  // The folders this set made, in the list a cancel removes.
  std::vector<int> m_slots;
  bool m_committed = false;
};

// The reason an operation on a file failed, from errno: "not found",
// "permission denied", "is a directory", ...
std::string FileErrorReason(int error);

}  // namespace tank::app
