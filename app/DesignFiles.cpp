#include "app/DesignFiles.h"

#include "app/Plausible.h"
#include "app/SafeInput.h"

#include <fmt/format.h>

#include <stdexcept>

namespace tank::app {

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
  std::string problems;
  std::size_t count = 0;
  for (const SettingsProblem& p : ValidateSettings(designer.GetSettings())) {
    problems += "\n  " + PrintableMessage(p.ToString(), true, 400);
    ++count;
  }
  for (const std::string& p : CheckTankModel(designer.GetTank())) {
    problems += "\n  " + PrintableMessage(p, true, 400);
    ++count;
  }
  if (count > 0)
    throw std::runtime_error(fmt::format("{}: design refused ({} {}):{}", path, count,
                                         count == 1 ? "problem" : "problems", problems));
}

void SaveDesign(TankDesigner& designer, const std::string& path) {
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
  return entities;
}

}  // namespace tank::app
