#include "app/NewTank.h"

#include "app/DesignFiles.h"
#include "modelview/TankModel2DView.h"
#include "modelview/TankModel3DView.h"

#include <filesystem>

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
void WriteTopPlan(TankDesigner& designer, const std::string& dir, NewTankFiles& files) {
  namespace fs = std::filesystem;
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
  const std::string dxf = (fs::path(dir) / "plan-top.dxf").string();
  const std::string svg = (fs::path(dir) / "plan-top.svg").string();
  files.written.emplace_back(dxf, g_ViewBoard.ExportDxf(dxf, entities).entities);
  PreviewOptions options;
  options.projection = 0;
  files.written.emplace_back(svg, g_ViewBoard.ExportSvg(svg, entities, options).entities);
}

}  // namespace

NewTankFiles WriteNewTankFiles(TankDesigner& designer, const std::string& dir) {
  namespace fs = std::filesystem;
  fs::create_directories(dir);
  NewTankFiles files;
  const std::string design = (fs::path(dir) / "tank.tkd").string();
  SaveDesign(designer, design);
  files.written.emplace_back(design, -1);
  for (const auto& view : designer.GetViews()) {
    const EntityList entities = ViewEntities(*view);
    if (dynamic_cast<const TankModel2DView*>(view.get())) {
      const std::string dxf = (fs::path(dir) / "plan.dxf").string();
      const std::string svg = (fs::path(dir) / "plan.svg").string();
      files.written.emplace_back(dxf, g_ViewBoard.ExportDxf(dxf, entities).entities);
      PreviewOptions options;
      options.projection = 0;
      files.written.emplace_back(svg, g_ViewBoard.ExportSvg(svg, entities, options).entities);
    } else if (dynamic_cast<const TankModel3DView*>(view.get())) {
      const std::string dxf = (fs::path(dir) / "model3d.dxf").string();
      files.written.emplace_back(dxf, g_ViewBoard.ExportDxf(dxf, entities).entities);
    }
  }
  WriteTopPlan(designer, dir, files);
  return files;
}

}  // namespace tank::app
