#include "app/NewTank.h"

#include <fmt/format.h>
#include <ostream>

#include "app/DesignFiles.h"
#include <stdexcept>
#include <filesystem>
#include "platform/Tobrin.h"
#include "app/SafeInput.h"
#include "modelview/TankModel2DView.h"
#include "modelview/TankModel3DView.h"


namespace tank::app {

void BuildNewTank(TankDesigner& designer, const ProjectInput& input, const std::string& source) {
  designer.GetSettings() = input.settings;
  std::string why;
  if (!designer.NewTank(input.layout, 0, 0, &why)) throw ProjectError(source + ": tank: " + why);
  ApplyBoardItems(input, source, designer.GetModeler(), designer.GetTank());
  designer.AssignDefaultGrades();
  designer.MarkOuterWallFaces();
  designer.ApplyDefaultEdgeRestraints();
  designer.BuildEars();
  // Redraw with the openings and loads: the plan over the bottom slabs with
  // the slab names, and the 3D model.
  TankModel2DView* plan = designer.RecreateModel2DView();
  plan->m_planKind = 0;
  plan->m_labelMode = 0;
  plan->Redraw(designer.GetTank());
  designer.ShowModel3D();
}

namespace {

// The top plan of a covered tank, with its slab names, openings and loads:
// drawn by a model plan of its own for the files only (the design keeps
// its one model plan, of the bottom slabs), and taken off the drawing again.
void WriteTopPlan(TankDesigner& designer, OutputSet& out, NewTankFiles& files) {
  if (designer.GetTank().GetTopSlabs().empty()) return;
  TankModel2DView plan(&g_ViewBoard);
  const int textHeight = designer.GetSettings().GetModelSettings().GetModelTextHeight();
  plan.m_textHeight = textHeight == 0 ? 200 : textHeight;
  plan.m_bottomSlabOverhang =
      static_cast<double>(designer.GetSettings().GetGeometrySettings().GetBottomSlabOverhang());
  plan.m_zoomOnRedraw = false;
  plan.m_planKind = 1;
  plan.m_labelMode = LabelMode::kNamesWithLoads;
  plan.Redraw(designer.GetTank());
  const EntityList entities = ViewEntities(plan);
  files.written.emplace_back((out.Folder() / "plan-top.dxf").string(),
                             g_ViewBoard.ExportDxf(out.Stage("plan-top.dxf"), entities).entities);
  PreviewOptions options;
  options.projection = 0;
  files.written.emplace_back((out.Folder() / "plan-top.svg").string(),
                             g_ViewBoard.ExportSvg(out.Stage("plan-top.svg"), entities, options).entities);
}

}  // namespace

NewTankFiles WriteNewTankFiles(TankDesigner& designer, OutputSet& out) {
  NewTankFiles files;
  // Each file is written to its temporary name; the caller commits the set.
  const auto stage = [&out, &files](const std::string& name, const auto& write) {
    const std::string temp = out.Stage(name);
    files.written.emplace_back((out.Folder() / name).string(), write(temp));
  };
  stage("tank.tkd", [&designer](const std::string& path) {
    SaveDesign(designer, path);
    return -1;
  });
  for (const auto& view : designer.GetViews()) {
    const EntityList entities = ViewEntities(*view);
    if (dynamic_cast<const TankModel2DView*>(view.get())) {
      stage("plan.dxf", [&entities](const std::string& path) { return g_ViewBoard.ExportDxf(path, entities).entities; });
      stage("plan.svg", [&entities](const std::string& path) {
        PreviewOptions options;
        options.projection = 0;
        return g_ViewBoard.ExportSvg(path, entities, options).entities;
      });
    } else if (dynamic_cast<const TankModel3DView*>(view.get())) {
      stage("model3d.dxf",
            [&entities](const std::string& path) { return g_ViewBoard.ExportDxf(path, entities).entities; });
    }
  }
  WriteTopPlan(designer, out, files);
  return files;
}

void WriteNewTankFilesTo(TankDesigner& designer, const std::string& dir, std::ostream& report) {
  OutputSet out(dir);
  const NewTankFiles files = WriteNewTankFiles(designer, out);
  out.Commit();
  for (const auto& [path, entities] : files.written)
    report << fmt::format("wrote {}{}\n", path, entities >= 0 ? fmt::format(" ({} entities)", entities) : "");
}

void OpenTank(TankDesigner& designer, const std::string& input) {
  if (std::filesystem::path(input).extension() == ".json")
    BuildNewTank(designer, ReadProjectFile(input), input);
  else
    OpenDesign(designer, input);
}

void OpenAnalysedTank(TankDesigner& designer, const std::string& input, std::ostream& err) {
  OpenTank(designer, input);
  AnalyseIfChanged(designer, input, err);
}

void AnalyseIfChanged(TankDesigner& designer, const std::string& input, std::ostream& err) {
  if (IsTankAnalysed(designer.GetTank(), designer.GetSettings())) return;
  err << fmt::format("{}: analysing {} boards...\n", PrintableMessage(input), designer.GetTank().GetBoards().size());
  if (!designer.Analyse())
    throw std::runtime_error(PrintableMessage(input) + ": analysis failed: " + GetLastAnalysisError());
}

}  // namespace tank::app
