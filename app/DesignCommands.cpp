// `tankdesign info DESIGN` and `tankdesign export DESIGN ...`: what a saved
// design holds, and its drawings as DXF (for CAD), SVG and PNG (previews).
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/EditScript.h"
#include "app/NewTank.h"
#include "app/OutputSet.h"
#include "designer/TankDesigner.h"
#include "modelview/CTankRein3DView.h"
#include "modelview/TankModel3DView.h"

#include <boost/make_shared.hpp>
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <sstream>
#include <vector>

namespace tank::app {

namespace {

// The count of boards of one kind, "1 wall" or "2 walls".
std::string BoardKindCount(int kind, int count) {
  switch (kind) {
    case 0: return Counted(count, "wall", "walls");
    case 1: return Counted(count, "bottom slab", "bottom slabs");
    case 2: return Counted(count, "top slab", "top slabs");
    default: return Counted(count, "other board", "other boards");
  }
}

const char* ModeName(int mode) {
  switch (mode) {
    case 0: return "modelling";
    case 1: return "drawing";
    case 2: return "inspection";
    default: return "unknown";
  }
}

void PrintInfo(const std::string& path, TankDesigner& designer, std::ostream& out) {
  out << path << "\n";
  std::map<int, int> kinds;
  for (const BoardPtr& board : designer.GetTank().GetBoards()) ++kinds[board->GetKind()];
  std::string boards;
  for (const auto& [kind, count] : kinds)
    boards += fmt::format("{}{}", boards.empty() ? "" : ", ", BoardKindCount(kind, count));
  out << "  boards: " << (boards.empty() ? "none" : boards) << "\n";
  // Each board, named and described as `new` lists them.
  std::ostringstream list;
  PrintBoards(designer.GetTank(), list);
  std::istringstream lines(list.str());
  for (std::string line; std::getline(lines, line);) out << "    " << line << "\n";
  // Numbered as `export --view N` takes them.
  const auto& views = designer.GetViews();
  const std::size_t viewCount = views.size() + (designer.GetTank().GetTopSlabs().empty() ? 0 : 1);
  out << fmt::format("  views: {}\n", viewCount == 0 ? std::string("none") : std::to_string(viewCount));
  for (std::size_t i = 0; i < views.size(); ++i)
    out << fmt::format("    {}: {} ({} entities)\n", i, TankDesigner::GetViewClassName(*views[i]),
                       ViewEntities(*views[i]).size());
  if (const std::unique_ptr<TankView> top = DrawTopPlan(designer))
    out << fmt::format("    {}: top plan ({} entities, drawn for export)\n", views.size(), ViewEntities(*top).size());
  out << fmt::format("  mode: {} ({})\n", designer.GetMode(), ModeName(designer.GetMode()));
  out << fmt::format("  rebar designed: {}\n", designer.IsReinDesigned() ? "yes" : "no");
  out << fmt::format("  drawing: {} entities\n", g_ViewBoard.GetDrawingSize());
}

struct ExportOptions {
  std::string design;
  std::string dxf, svg, png;
  int view = -1;
  bool viewGiven = false;
  std::string rebar3d;
  int rebarMode = 0;
};

const char* Rein3DModeName(int mode) {
  switch (mode) {
    case 0: return "every rebar zone";
    case 1: return "face zones";
    case 2: return "edge zones";
    case 3: return "haunch zones";
    case 4: return "support zones";
    case 5: return "opening zones";
    default: return "no zones";
  }
}

// Writes the SVG and PNG previews the options ask for into the output set,
// with a line each naming the file and how many of `what` it shows.
void StagePreviews(const ExportOptions& o, const std::vector<ExportPart>& parts, const PreviewOptions& preview,
                   const char* what, OutputSet& out, std::vector<std::string>& lines) {
  if (!o.svg.empty()) {
    const ExportSummary s = g_ViewBoard.ExportSvg(out.StagePath(o.svg), parts, preview);
    lines.push_back(fmt::format("{}: {} {}\n", o.svg, s.entities, what));
  }
  if (!o.png.empty()) {
    const ExportSummary s = g_ViewBoard.ExportPng(out.StagePath(o.png), parts, preview);
    lines.push_back(fmt::format("{}: {} {}\n", o.png, s.entities, what));
  }
}

// The 3D rebar view of a designed tank under a view mode: every bar one 3D
// polyline (arcs in short chords) or, for a ring, one circle, on one layer
// per zone category; DXF for CAD, SVG and PNG previews as an isometric view.
void RunRebar3dExport(const ExportOptions& o, HostStreams& io) {
  auto designer = std::make_unique<TankDesigner>();
  OpenDesign(*designer, o.design);
  if (!designer->IsReinDesigned())
    throw std::runtime_error(fmt::format(
        "{}: the reinforcement of this design is not designed (run `tankdesign design` on it first)", o.design));
  // The bars are drawn once, in the design's 3D rebar view, with a layer per
  // zone category, each in its colour (the DXF layer takes its bars'
  // colour).
  if (!designer->GetRein3DView()) designer->AddView(boost::make_shared<CTankRein3DView>(&g_ViewBoard));
  CTankRein3DView* view = designer->GetRein3DView();
  view->m_layerPerCategory = true;
  designer->ShowRein3DForEntities(o.rebarMode, {});

  ExportPart part;
  part.entities = view->GetEntities();
  part.projection = 1;
  const std::vector<ExportPart> parts{part};
  std::map<std::string, int> perLayer;
  for (const EntityPtr& entity : part.entities) ++perLayer[entity->GetLayer()];

  OutputSet out;
  std::vector<std::string> lines;
  const ExportSummary dxf = g_ViewBoard.ExportDxf(out.StagePath(o.rebar3d), parts);
  lines.push_back(fmt::format("{}: {} bars in 3D (mode {}: {})\n", o.rebar3d, dxf.entities, o.rebarMode,
                              Rein3DModeName(o.rebarMode)));
  for (const auto& [layer, count] : perLayer) lines.push_back(fmt::format("  {}: {} bars\n", layer, count));
  PreviewOptions preview;
  preview.projection = 1;
  StagePreviews(o, parts, preview, "bars", out, lines);
  out.Commit();
  for (const std::string& line : lines) io.out << line;
}

void RunExport(const ExportOptions& o, HostStreams& io) {
  if (!o.rebar3d.empty()) {
    RunRebar3dExport(o, io);
    return;
  }
  if (o.dxf.empty() && o.svg.empty() && o.png.empty())
    throw CLI::ValidationError("export", "give at least one of --dxf, --svg, --png");
  auto designer = std::make_unique<TankDesigner>();
  OpenDesign(*designer, o.design);
  // The views the design keeps, then for a covered tank its top plan.
  const int kept = static_cast<int>(designer->GetViewCount());
  const int count = kept + (designer->GetTank().GetTopSlabs().empty() ? 0 : 1);
  if (o.viewGiven && (o.view < 0 || o.view >= count))
    throw std::runtime_error(
        count == 0 ? fmt::format("{}: --view {}: the design holds no views", o.design, o.view)
                   : fmt::format("{}: --view {}: the design holds {} views, numbered 0 to {} (see `tankdesign info`)",
                                 o.design, o.view, count, count - 1));
  // A design read back has every entity on show: show what its mode shows,
  // the plans as the mode starts them (the result labels hidden in the
  // drawing mode).  One view asked for that its mode hides is shown whole.
  designer->SetMode(designer->GetMode(), g_ResultFlagsNone);
  if (o.viewGiven && o.view < kept) {
    const TankViewPtr view = designer->GetView(o.view);
    const EntityList entities = ViewEntities(*view);
    if (std::none_of(entities.begin(), entities.end(),
                     [](const EntityPtr& e) { return g_ViewBoard.IsEntityVisible(e); }))
      view->ShowAllEntities();
  }
  std::unique_ptr<TankView> top;
  if (o.viewGiven && o.view == kept) top = DrawTopPlan(*designer);
  const std::vector<ExportPart> parts =
      !o.viewGiven ? SheetOfMode(*designer)
                   : std::vector<ExportPart>{ViewPart(top ? *top : *designer->GetView(o.view))};
  PreviewOptions preview;
  preview.projection = parts.size() == 1 ? parts.front().projection : 0;
  // The files appear together once all are written.
  OutputSet out;
  std::vector<std::string> lines;
  if (!o.dxf.empty()) {
    const ExportSummary s = g_ViewBoard.ExportDxf(out.StagePath(o.dxf), parts);
    lines.push_back(fmt::format("{}: {} entities\n", o.dxf, s.entities));
  }
  StagePreviews(o, parts, preview, "entities", out, lines);
  out.Commit();
  for (const std::string& line : lines) io.out << line;
}

}  // namespace

void RegisterDesignCommands(CLI::App& cli, HostStreams& io) {
  auto infoFile = std::make_shared<std::string>();
  auto* info = cli.add_subcommand("info", "Show what a design file holds");
  info->add_option("DESIGN", *infoFile, "Design file")->required();
  info->callback([infoFile, &io] {
    auto designer = std::make_unique<TankDesigner>();
    OpenDesign(*designer, *infoFile);
    PrintInfo(*infoFile, *designer, io.out);
  });

  auto o = std::make_shared<ExportOptions>();
  auto* ex = cli.add_subcommand("export", "Write the drawings of a design as DXF, SVG or PNG");
  ex->add_option("DESIGN", o->design, "Design file")->required();
  ex->add_option("--dxf", o->dxf, "DXF file (R2000, for CAD programs)")->type_name("FILE");
  ex->add_option("--svg", o->svg, "SVG preview")->type_name("FILE");
  ex->add_option("--png", o->png, "PNG preview")->type_name("FILE");
  auto* view = ex->add_option("--view", o->view,
                              "Only the entities of view N (0 = first; `info` numbers them); without it, the views "
                              "of the design's current mode, 3D views beside the plans")
                   ->type_name("N");
  auto* rebar3d =
      ex->add_option("--rebar3d", o->rebar3d,
                     "The designed bars in 3D (DXF, one layer per zone category); --svg and --png then preview "
                     "them as an isometric view")
          ->type_name("FILE.dxf")
          ->excludes("--dxf")
          ->excludes(view);
  ex->add_option("--mode", o->rebarMode,
                 "With --rebar3d: 0 every rebar zone (default), 1 face zones, 2 edge zones, 3 haunch zones, "
                 "4 support zones, 5 opening zones")
      ->type_name("N")
      ->check(CLI::Range(0, 5))
      ->needs(rebar3d);
  ex->callback([o, view, &io] {
    o->viewGiven = view->count() > 0;
    RunExport(*o, io);
  });
}

}  // namespace tank::app
