// A built-in example built, analysed and designed once, as the host does it,
// and a scratch file path of this process for a benchmark's output.
#pragma once

#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace benchfx {

// Null (with the state told why) when the analysis fails.
inline std::unique_ptr<TankDesigner> DesignedExample(const std::string& name, benchmark::State& state) {
  auto designer = std::make_unique<TankDesigner>();
  tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject(name), name), name);
  if (!designer->Analyse()) {
    state.SkipWithError("analysis failed");
    return nullptr;
  }
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  return designer;
}

inline std::filesystem::path ScratchPath(const std::string& extension) {
  return std::filesystem::temp_directory_path() /
         ("tankdesign-bench-" + std::to_string(::getpid()) + extension);
}

}  // namespace benchfx
