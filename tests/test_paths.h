// Scratch files of the tests: in one folder of the test program's own under
// the system's temporary folder, removed when the program ends, so that a
// run leaves nothing behind.  Names are unique to the running test and the
// folder to the process, so that test programs running side by side (the
// normal and the sanitizer build, parallel CTest jobs) never share a file.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

// The test program's scratch folder: made on first use, removed with
// everything in it when the program ends.
class ScratchFolder {
 public:
  ScratchFolder() = default;
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    if (m_path.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  const std::filesystem::path& Path() {
    if (m_path.empty()) {
      m_path = std::filesystem::path(::testing::TempDir()) / ("tankdesign-tests-" + std::to_string(::getpid()));
      std::filesystem::create_directories(m_path);
    }
    return m_path;
  }

 private:
  std::filesystem::path m_path;
};

inline ScratchFolder& TestScratchFolder() {
  static ScratchFolder folder;
  return folder;
}

inline std::string TestScratchName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  // Parameterised tests carry a '/' in their names.
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

// A file name for the running test.
inline std::string TestTempPath(const std::string& name) {
  return (TestScratchFolder().Path() / (TestScratchName() + "_" + name)).string();
}

// A fresh, empty directory for the running test.
inline std::filesystem::path MakeTestTempDir() {
  const std::filesystem::path dir = TestScratchFolder().Path() / TestScratchName();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}
