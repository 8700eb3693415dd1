#include "app/DesignFiles.h"

#include "app/Plausible.h"
#include "app/SafeInput.h"
#include "modelview/CTankRein3DView.h"
#include "modelview/TankModel3DView.h"

#include <fmt/format.h>

#include <stdexcept>

namespace tank::app {

namespace {

// " (2 problems):\n  first\n  second", each made safe for a terminal.
std::string ProblemList(const std::vector<std::string>& problems) {
  std::string list;
  for (const std::string& p : problems) list += "\n  " + PrintableMessage(p, true, 400);
  return fmt::format(" ({} {}):{}", problems.size(), problems.size() == 1 ? "problem" : "problems", list);
}

// Views in 3D space: their previews are isometric views, and on a sheet
// they stand apart from the plans.
bool Is3dView(const TankView& view) {
  return dynamic_cast<const TankModel3DView*>(&view) != nullptr ||
         dynamic_cast<const CTankRein3DView*>(&view) != nullptr;
}

}  // namespace

void OpenDesign(TankDesigner& designer, const std::string& path) {
  // A device, a pipe or a folder is never read as a design.
  CheckRegularFile(path, kMaxDesignFileBytes);
  try {
    OpenDesignFile(designer, path);
  } catch (const ArchiveError& e) {
    throw std::runtime_error(fmt::format("{}: damaged design file: {}", path, e.what()));
  }
  // A design file is held to the same rules as a project file: settings
  // within their ranges, boards and loads of plausible size.
  const std::vector<std::string> problems = DesignProblems(designer);
  if (!problems.empty()) throw std::runtime_error(fmt::format("{}: design refused{}", path, ProblemList(problems)));
}

std::vector<std::string> DesignProblems(TankDesigner& designer) {
  std::vector<std::string> problems;
  for (const SettingsProblem& p : ValidateSettings(designer.GetSettings())) problems.push_back(p.ToString());
  for (const std::string& p : CheckTankModel(designer.GetTank())) problems.push_back(p);
  return problems;
}

void SaveDesign(TankDesigner& designer, const std::string& path) {
  // Nothing is written that its own reader would refuse.
  const std::vector<std::string> problems = DesignProblems(designer);
  if (!problems.empty())
    throw std::runtime_error("design not written: reading it back would refuse it" + ProblemList(problems));
  try {
    SaveDesignFile(designer, path);
  } catch (const std::exception& e) {
    throw std::runtime_error(fmt::format("{}: design not saved: {}", path, e.what()));
  }
}

EntityList ViewEntities(const TankView& view) {
  EntityKindPairs kinds;
  view.ListEntityKinds(kinds);
  EntityList entities;
  entities.reserve(kinds.size());
  for (const auto& [entity, kind] : kinds) entities.push_back(entity);
  view.ListOwnEntities(entities);
  return entities;
}

ExportPart ViewPart(const TankView& view) {
  ExportPart part;
  part.entities = ViewEntities(view);
  part.projection = Is3dView(view) ? 1 : 0;
  return part;
}

std::vector<ExportPart> SheetOfMode(const TankDesigner& designer) {
  std::vector<ExportPart> parts(1);
  parts.front().rest = true;
  for (const auto& view : designer.GetViews())
    if (view && Is3dView(*view)) parts.push_back(ViewPart(*view));
  return parts;
}

}  // namespace tank::app
