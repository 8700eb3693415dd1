#include "app/DesignFiles.h"

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
