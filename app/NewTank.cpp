#include "app/NewTank.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <limits>
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

const char* RestraintName(int kind) {
  switch (kind) {
    case 0: return "固定";
    case 1: return "简支";
    case 2: return "自由";
    default: return "?";
  }
}

// Extent of the board in its own plane (mm).
void BoardSize(const Board& board, double& a, double& b) {
  std::vector<_2dPoint> outline;
  board.GetLocalOutline(outline);
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
  for (const _2dPoint& p : outline) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  a = outline.empty() ? 0.0 : x1 - x0;
  b = outline.empty() ? 0.0 : y1 - y0;
}

}  // namespace

void PrintBoards(const Tank& tank, std::ostream& out) {
  // By kind, each kind in the order of its names.
  std::vector<BoardPtr> boards;
  for (std::vector<BoardPtr> kind : {tank.GetWalls(), tank.GetBottomSlabs(), tank.GetTopSlabs()}) {
    std::stable_sort(kind.begin(), kind.end(),
                     [](const BoardPtr& a, const BoardPtr& b) { return a->GetNumber() < b->GetNumber(); });
    boards.insert(boards.end(), kind.begin(), kind.end());
  }
  for (const BoardPtr& board : boards) {
    double a = 0, b = 0;
    BoardSize(*board, a, b);
    double zMin = 0.0, zMax = 0.0;
    TankModeler().GetBoardZRange(board, zMin, zMax);
    const bool wall = board->GetKind() == 0;
    std::string restraints;
    for (const Restirction& r : board->GetRestrictions())
      restraints += (restraints.empty() ? "" : " ") + std::string(RestraintName(r.GetKind()));
    out << fmt::format("{:<14} {:>7.0f} x {:<7.0f} mm  t = {:>3.0f} mm  {} {:>9.3f} m  edges: {}", BoardName(tank, board),
                       a, b, board->GetThickness(), wall ? "base " : "level", (wall ? zMin : board->GetOrigin().z) / 1000.0,
                       restraints.empty() ? "-" : restraints);
    const auto notches = static_cast<std::size_t>(std::count_if(
        board->GetHoles().begin(), board->GetHoles().end(),
        [](const HolePtr& h) { return static_cast<bool>(boost::dynamic_pointer_cast<Notch>(h)); }));
    if (board->GetHoles().size() > notches) out << fmt::format("  openings: {}", board->GetHoles().size() - notches);
    if (notches > 0) out << fmt::format("  notches: {}", notches);
    if (!board->GetLoads().empty()) out << fmt::format("  loads: {}", board->GetLoads().size());
    out << "\n";
  }
}

std::string AnalysisFailure() {
  const std::string& error = GetLastAnalysisError();
  for (const char* internal : {"Geometry", "Boost", "boost::", "method:", "operations:"})
    if (error.find(internal) != std::string::npos)
      return "a board cannot be cut into elements: an outline, opening or notch crosses itself or another "
             "(check the boards the last edits changed)";
  return error;
}

std::unique_ptr<TankView> DrawTopPlan(TankDesigner& designer) {
  if (designer.GetTank().GetTopSlabs().empty()) return nullptr;
  auto plan = std::make_unique<TankModel2DView>(&g_ViewBoard);
  const int textHeight = designer.GetSettings().GetModelSettings().GetModelTextHeight();
  plan->m_textHeight = textHeight == 0 ? 200 : textHeight;
  plan->m_bottomSlabOverhang =
      static_cast<double>(designer.GetSettings().GetGeometrySettings().GetBottomSlabOverhang());
  plan->m_zoomOnRedraw = false;
  plan->m_planKind = 1;
  plan->m_labelMode = LabelMode::kNamesWithLoads;
  plan->Redraw(designer.GetTank());
  return plan;
}

namespace {

// The top plan of a covered tank, with its slab names, openings and loads:
// drawn by a model plan of its own for the files only (the design keeps
// its one model plan, of the bottom slabs), and taken off the drawing again.
void WriteTopPlan(TankDesigner& designer, OutputSet& out, NewTankFiles& files) {
  const std::unique_ptr<TankView> top = DrawTopPlan(designer);
  if (!top) return;
  const TankView& plan = *top;
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
    throw std::runtime_error(PrintableMessage(input) + ": analysis failed: " + AnalysisFailure());
}

}  // namespace tank::app
