// `tankdesign info DESIGN` and `tankdesign export DESIGN ...`: what a saved
// design holds, and its drawings as DXF (for CAD), SVG and PNG (previews).
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "designer/TankDesigner.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>

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
  out << "  boards:";
  if (kinds.empty()) out << " none";
  for (const auto& [kind, count] : kinds) out << fmt::format(" {} {},", count, BoardKindName(kind));
  out << "\n";
  std::map<std::string, int> classes;
  for (const auto& view : designer.GetViews()) ++classes[TankDesigner::GetViewClassName(*view)];
  out << "  views:";
  if (classes.empty()) out << " none";
  for (const auto& [name, count] : classes) out << fmt::format(" {} {},", count, name);
  out << "\n";
  out << fmt::format("  mode: {} ({})\n", designer.GetMode(), ModeName(designer.GetMode()));
  out << fmt::format("  rebar designed: {}\n", designer.IsReinDesigned() ? "yes" : "no");
  out << fmt::format("  drawing: {} entities\n", g_ViewBoard.GetDrawingSize());
}

struct ExportOptions {
  std::string design;
  std::string dxf, svg, png;
  int view = -1;
};

void RunExport(const ExportOptions& o, HostStreams& io) {
  if (o.dxf.empty() && o.svg.empty() && o.png.empty())
    throw CLI::ValidationError("export", "give at least one of --dxf, --svg, --png");
  auto designer = std::make_unique<TankDesigner>();
  OpenDesign(*designer, o.design);
  if (o.view >= static_cast<int>(designer->GetViewCount()))
    throw std::runtime_error(fmt::format("{}: --view {}: the design holds {} views", o.design, o.view,
                                         designer->GetViewCount()));
  const bool oneView = o.view >= 0;
  EntityList entities;
  if (oneView) entities = ViewEntities(*designer->GetView(o.view));
  if (!o.dxf.empty()) {
    const ExportSummary s = oneView ? g_ViewBoard.ExportDxf(o.dxf, entities) : g_ViewBoard.ExportDxf(o.dxf);
    io.out << fmt::format("{}: {} entities\n", o.dxf, s.entities);
  }
  if (!o.svg.empty()) {
    const ExportSummary s = oneView ? g_ViewBoard.ExportSvg(o.svg, entities) : g_ViewBoard.ExportSvg(o.svg);
    io.out << fmt::format("{}: {} entities\n", o.svg, s.entities);
  }
  if (!o.png.empty()) {
    const ExportSummary s = oneView ? g_ViewBoard.ExportPng(o.png, entities) : g_ViewBoard.ExportPng(o.png);
    io.out << fmt::format("{}: {} entities\n", o.png, s.entities);
  }
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
  ex->add_option("--view", o->view, "Only the entities of view N (0 = first; see `info`)")->type_name("N");
  ex->callback([o, &io] { RunExport(*o, io); });
}

}  // namespace tank::app
