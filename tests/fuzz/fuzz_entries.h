// The entry functions of the fuzz targets: each takes one input, must read
// it or refuse it with an exception, and answers what broke a rule of the
// readers ("" when nothing did).  The libFuzzer targets (tests/fuzz/*_fuzz.cpp)
// abort on an answer; the replay test of the normal build feeds them a
// bounded, seeded set of mutated inputs.
#pragma once

#include "app/DesignFiles.h"
#include "app/DxfCurves.h"
#include "app/EditScript.h"
#include "app/NewTank.h"
#include "app/Plausible.h"
#include "app/ProjectFile.h"
#include "platform/HostServices.h"
#include "platform/Zarvel.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace fuzz_entries {

inline void StartOnce() {
  static const bool started = (ModuleStartup(), true);
  (void)started;
}

// The design-file reader.
inline std::string Design(const std::uint8_t* data, std::size_t size) {
  StartOnce();
  try {
    Archive ar(std::vector<std::uint8_t>(data, data + size));
    g_ViewBoard.Reset();
    TankDesigner designer;
    designer.ReadDesign(ar);
  } catch (const std::exception&) {
  }
  return {};
}

// The project-file reader, and the tank it describes when it is small
// enough to build quickly.
inline std::string Project(const std::uint8_t* data, std::size_t size) {
  StartOnce();
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const tank::app::ProjectInput input = tank::app::ReadProject(text, "fuzz.json");
    if (input.layout.cellsX * input.layout.cellsY <= 4) {
      g_ViewBoard.Reset();
      TankDesigner designer;
      tank::app::BuildNewTank(designer, input, "fuzz.json");
    }
  } catch (const std::exception&) {
  }
  return {};
}

// The settings reader: what is read is valid and writes and reads back
// unchanged.
inline std::string Settings(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const ProjectSettings settings = ReadSettingsJson(text);
    if (!ValidateSettings(settings).empty()) return "settings read but not valid";
    if (WriteSettingsJson(ReadSettingsJson(WriteSettingsJson(settings))) != WriteSettingsJson(settings))
      return "settings do not read back as written";
  } catch (const SettingsError&) {
  }
  return {};
}

// The plan-drawing reader.
inline std::string Dxf(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    tank::app::ReadDxfCurvesFromText(text, "fuzz.dxf");
  } catch (const tank::app::DxfReadError&) {
  }
  return {};
}

// An edit script run on a built example tank (`projectText`, a project
// file with a tank), at most `maxLines` lines; `baseDir` resolves the
// drawings a line names.  After every line the tank must be one the design
// reader takes.
inline std::string EditScript(const std::string& script, const std::string& projectText, const std::string& baseDir,
                              std::size_t maxLines = 8) {
  StartOnce();
  std::vector<tank::app::EditLine> lines;
  try {
    lines = tank::app::ParseEditScript(script, "fuzz.txt");
  } catch (const tank::app::ScriptError&) {
    return {};
  }
  g_ViewBoard.Reset();
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(projectText, "example"), "example");
  for (std::size_t i = 0; i < lines.size() && i < maxLines; ++i) {
    try {
      tank::app::RunEditLine(designer, lines[i], baseDir);
    } catch (const tank::app::ScriptError&) {
      continue;
    }
    const std::vector<std::string> problems = tank::app::DesignProblems(designer);
    if (!problems.empty()) return "after \"" + lines[i].text + "\": " + problems.front();
  }
  return {};
}

}  // namespace fuzz_entries
