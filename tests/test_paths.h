// Scratch files of the tests: unique to the running test and to the
// process, so that test programs running side by side (the normal and the
// sanitizer build, parallel CTest jobs) never share a file.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

inline std::string TestScratchName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(::getpid());
}

// A file name for the running test.
inline std::string TestTempPath(const std::string& name) {
  return (std::filesystem::path(::testing::TempDir()) / (TestScratchName() + "_" + name)).string();
}

// A fresh, empty directory for the running test.
inline std::filesystem::path MakeTestTempDir() {
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / TestScratchName();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}
