// `tankdesign info DESIGN` and `tankdesign export DESIGN ...`: what a saved
// design holds, and its drawings as DXF (for CAD), SVG and PNG (previews).
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/OutputSet.h"
#include "designer/TankDesigner.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tank::app {

namespace {

const char* BoardKindName(int kind) {
  switch (kind) {
    case 0: return "walls";
    case 1: return "bottom slabs";
    case 2: return "top slabs";
    default: return "other boards";
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
    boards += fmt::format("{}{} {}", boards.empty() ? "" : ", ", count, BoardKindName(kind));
  out << "  boards: " << (boards.empty() ? "none" : boards) << "\n";
  // Numbered as `export --view N` takes them.
  const auto& views = designer.GetViews();
  out << fmt::format("  views: {}\n", views.empty() ? std::string("none") : std::to_string(views.size()));
  for (std::size_t i = 0; i < views.size(); ++i)
    out << fmt::format("    {}: {} ({} entities)\n", i, TankDesigner::GetViewClassName(*views[i]),
                       ViewEntities(*views[i]).size());
  out << fmt::format("  mode: {} ({})\n", designer.GetMode(), ModeName(designer.GetMode()));
  out << fmt::format("  rebar designed: {}\n", designer.IsReinDesigned() ? "yes" : "no");
  out << fmt::format("  drawing: {} entities\n", g_ViewBoard.GetDrawingSize());
}

struct ExportOptions {
  std::string design;
  std::string dxf, svg, png;
  int view = -1;
  bool viewGiven = false;
};

void RunExport(const ExportOptions& o, HostStreams& io) {
  if (o.dxf.empty() && o.svg.empty() && o.png.empty())
    throw CLI::ValidationError("export", "give at least one of --dxf, --svg, --png");
  auto designer = std::make_unique<TankDesigner>();
  OpenDesign(*designer, o.design);
  const int count = static_cast<int>(designer->GetViewCount());
  if (o.viewGiven && (o.view < 0 || o.view >= count))
    throw std::runtime_error(
        count == 0 ? fmt::format("{}: --view {}: the design holds no views", o.design, o.view)
                   : fmt::format("{}: --view {}: the design holds {} views, numbered 0 to {} (see `tankdesign info`)",
                                 o.design, o.view, count, count - 1));
  const bool oneView = o.viewGiven;
  EntityList entities;
  if (oneView) entities = ViewEntities(*designer->GetView(o.view));
  // The files appear together once all are written.
  OutputSet out;
  std::vector<std::string> lines;
  if (!o.dxf.empty()) {
    const std::string path = out.StagePath(o.dxf);
    const ExportSummary s = oneView ? g_ViewBoard.ExportDxf(path, entities) : g_ViewBoard.ExportDxf(path);
    lines.push_back(fmt::format("{}: {} entities\n", o.dxf, s.entities));
  }
  if (!o.svg.empty()) {
    const std::string path = out.StagePath(o.svg);
    const ExportSummary s = oneView ? g_ViewBoard.ExportSvg(path, entities) : g_ViewBoard.ExportSvg(path);
    lines.push_back(fmt::format("{}: {} entities\n", o.svg, s.entities));
  }
  if (!o.png.empty()) {
    const std::string path = out.StagePath(o.png);
    const ExportSummary s = oneView ? g_ViewBoard.ExportPng(path, entities) : g_ViewBoard.ExportPng(path);
    lines.push_back(fmt::format("{}: {} entities\n", o.png, s.entities));
  }
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
  auto* view = ex->add_option("--view", o->view, "Only the entities of view N (0 = first; `info` numbers them)")
                   ->type_name("N");
  ex->callback([o, view, &io] {
    o->viewGiven = view->count() > 0;
    RunExport(*o, io);
  });
}

}  // namespace tank::app
