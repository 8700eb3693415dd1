// `tankdesign draw DESIGN -o DIR [--results LIST] [--board-labels LIST]
// [--label-size F] [--only-at X,Y]...`: the reinforcement drawings of a
// designed tank.  A design not designed since its last change is analysed
// and designed first, as `design` does it.  The drawings are drawn one below
// the other from the point (0, 0, 0), each at the scale of its drawing entry,
// with their bars, labels and automatic dimensions; then the design goes to
// the drawing mode and the display options apply.  Each drawing is written
// as DXF with SVG and PNG previews, all of them together on the sheet
// drawings.dxf, and the design with its drawings as tank.tkd.  Zones that
// could not be drawn are named on the error stream and the exit code is 5.
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/DesignRun.h"
#include "app/EditScript.h"
#include "app/NewTank.h"
#include "app/OutputSet.h"
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "app/Warnings.h"
#include "platform/HostServices.h"
#include "platform/Tobrin.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace tank::app {

namespace {

struct DrawOptions {
  std::string design;
  std::string outDir;
  std::string results;
  std::string boardLabels;
  double labelSize = 3.0;
  std::vector<std::string> onlyAt;
};

// What the command line asks for, read before any work.
struct DrawRequest {
  int resultFlags = 0;  // 0: the drawing mode's display
  int boardLabelFlags = 0;
  bool labelSizeGiven = false;
  double labelSize = 3.0;
  std::vector<_2dPoint> points;  // model plan mm
};

struct FlagName {
  const char* name;
  int flag;
};

// The result labels of the slab plans and the labels of a slab.
constexpr FlagName kResultNames[] = {{"number", 16},   {"thickness", 32}, {"level", 64},     {"moment", 128},
                                     {"loadcase", 256}, {"required", 512}, {"provided", 1024}, {"crack", 2048}};
constexpr FlagName kBoardLabelNames[] = {{"number", 1}, {"thickness", 2}, {"level", 4}};

template <std::size_t N>
int ParseFlagList(const std::string& option, const std::string& list, const FlagName (&names)[N]) {
  std::string valid;
  for (const FlagName& n : names) valid += (valid.empty() ? "" : ", ") + std::string(n.name);
  int flags = 0;
  std::size_t at = 0;
  while (at <= list.size()) {
    const std::size_t comma = std::min(list.find(',', at), list.size());
    const std::string word = list.substr(at, comma - at);
    int flag = 0;
    for (const FlagName& n : names)
      if (word == n.name) flag = n.flag;
    if (flag == 0)
      throw CLI::ValidationError(option, fmt::format("unknown name \"{}\" (valid: {})", PrintableMessage(word), valid));
    flags |= flag;
    at = comma + 1;
  }
  return flags;
}

// "X,Y": two finite numbers, model plan mm.
_2dPoint ParsePoint(const std::string& text) {
  const std::size_t comma = text.find(',');
  const auto number = [&text](const std::string& part, double& value) {
    if (part.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(part.c_str(), &end);
    return errno == 0 && end == part.c_str() + part.size() && std::isfinite(value);
  };
  double x = 0.0, y = 0.0;
  if (comma == std::string::npos || !number(text.substr(0, comma), x) || !number(text.substr(comma + 1), y))
    throw CLI::ValidationError("--only-at", fmt::format("\"{}\" is not a point X,Y (two numbers, mm)",
                                                        PrintableMessage(text)));
  return {x, y};
}

DrawRequest ReadRequest(const DrawOptions& o, bool labelSizeGiven) {
  DrawRequest r;
  if (!o.results.empty()) r.resultFlags = ParseFlagList("--results", o.results, kResultNames);
  if (!o.boardLabels.empty()) r.boardLabelFlags = ParseFlagList("--board-labels", o.boardLabels, kBoardLabelNames);
  r.labelSizeGiven = labelSizeGiven;
  r.labelSize = o.labelSize;
  for (const std::string& p : o.onlyAt) r.points.push_back(ParsePoint(p));
  return r;
}

// One slab plan of the drawing set.
struct PlanStep {
  int bit;             // drawing option and key of its scale
  const char* progress;
  const char* name;    // in the summary and messages
  const char* file;    // file stem
  bool top;
};

constexpr PlanStep kPlanSteps[] = {
    {kDrawingTopSlabPlan, "正在绘制顶板平面图，请稍候...", "top slab plan", "top-slab-plan", true},
    {kDrawingBottomSlabPlan, "正在绘制底板平面图，请稍候...", "bottom slab plan", "bottom-slab-plan", false},
};

struct DrawnPlan {
  const PlanStep* step;
  TankViewPtr view;
};

// The board that holds the zone (face or edge zone), if any.
BoardPtr BoardOfZone(const Tank& tank, const ReinZonePtr& zone) {
  for (const BoardPtr& board : tank.GetBoards())
    for (const ReinZonePtr& z : board->GetAllZones())
      if (z == zone) return board;
  return {};
}

// "zone 5 (upper face, X bars) of bottom slab 1"
std::string ZoneName(const Tank& tank, const ReinZonePtr& zone) {
  if (!zone) return "the plan's bars";
  std::string what = zone->GetFace() == 0 ? "upper face" : "lower face";
  if (zone->GetCategory() == ReinZone::PEDESTAL)
    what += fmt::format(", edge {}", zone->GetEdgeIndex() + 1);
  else if (zone->GetDirection() >= 0)
    what += zone->GetDirection() == 0 ? ", X bars" : ", Y bars";
  const BoardPtr board = BoardOfZone(tank, zone);
  return fmt::format("zone {} ({}){}", zone->GetNumber(), what,
                     board ? " of " + BoardName(tank, board) : std::string());
}

// What a drawn plan holds, in one line.
std::string PlanSummary(const TankView& view) {
  ObjectEntityPairs objects;
  view.ListObjectEntities(objects);
  int zones = 0;
  for (const auto& [object, entities] : objects) {
    if (!boost::dynamic_pointer_cast<ReinZone>(object)) continue;
    for (const EntityPtr& e : entities)
      if (view.GetEntityKind(e) == kKindReinLine) {
        ++zones;
        break;
      }
  }
  EntityKindPairs kinds;
  view.ListEntityKinds(kinds);
  int bars = 0, labels = 0, rangeCircles = 0, rangeOther = 0, dimensions = 0;
  for (const auto& [entity, kind] : kinds) {
    if (kind == kKindReinLine) ++bars;
    if (kind == kKindReinText) ++labels;
    if (kind == kKindDimension) ++dimensions;
    if (kind == kKindRangeDimension) ++(boost::dynamic_pointer_cast<_3dCircle>(entity) ? rangeCircles : rangeOther);
  }
  // A range dimension is one dimension and the circle on its bar; the other
  // entities of that kind are the section marks.
  return fmt::format("{} drawn, {}, {}, {}, {}, {}", Counted(zones, "zone", "zones"), Counted(bars, "bar", "bars"),
                     Counted(labels, "label", "labels"), Counted(rangeCircles, "range dimension", "range dimensions"),
                     Counted(rangeOther - rangeCircles, "section mark", "section marks"),
                     Counted(dimensions, "dimension", "dimensions"));
}

// The host's messages since `from` (the notices of the drawing commands).
void PrintMessagesSince(std::size_t from, const std::string& input, std::ostream& err) {
  const auto& messages = GetScriptedHost().GetMessages();
  for (std::size_t i = from; i < messages.size(); ++i)
    err << fmt::format("{}: notice: {}\n", PrintableMessage(input), messages[i].text);
}

// The model's message boxes are printed by this command, not by the host.
struct QuietMessages {
  QuietMessages() { GetScriptedHost().SetMessageStream(nullptr); }
  ~QuietMessages() { GetScriptedHost().SetMessageStream(&std::cerr); }
};

void ShowDrawProgress(std::ostream& err, int percent, const std::string& text) {
  err << fmt::format("  drawing {:3d}%{}{}\n", percent, text.empty() ? "" : "  ", text) << std::flush;
}

// The plans the settings enable, drawn as the batch drawing draws them: from
// the point (0, 0, 0) down, each at its own scale, with all bars (or those
// of the slabs under the points) and the automatic dimensions.
std::vector<DrawnPlan> DrawPlans(TankDesigner& designer, const DrawRequest& request, const std::string& input,
                                 HostStreams& io) {
  const int options = designer.GetSettings().GetDetailingSettings().GetDrawingOptions();
  int weights = 0;
  for (const PlanStep& step : kPlanSteps)
    if (options & step.bit) ++weights;
  const int stepValue = weights > 0 ? static_cast<int>(100.0 / weights) : 0;
  int percent = 0;
  _3dPoint p(0.0, 0.0, 0.0);
  std::vector<DrawnPlan> drawn;
  for (const PlanStep& step : kPlanSteps) {
    if (!(options & step.bit)) continue;
    ShowDrawProgress(io.err, percent, step.progress);
    percent += stepValue;
    const std::size_t messages = GetScriptedHost().GetMessages().size();
    const bool ok = step.top ? designer.DrawTopSlabPlan(true, p) : designer.DrawBottomSlabPlan(true, p);
    PrintMessagesSince(messages, input, io.err);
    if (!ok) continue;
    TankViewPtr view;
    for (const TankViewPtr& v : designer.GetViews())
      if (v && (step.top ? typeid(*v) == typeid(TopBoardReinView) : typeid(*v) == typeid(BottomBoardReinView))) {
        view = v;
        break;
      }
    if (!view) continue;
    if (request.points.empty()) {
      designer.DrawViewRein(view.get());
    } else {
      // Each point, model plan mm, mapped into the plan.
      const double f = view->GetDrawingFactor();
      _3dVector placement;
      view->GetPlacement(placement);
      const std::vector<BoardPtr> slabs =
          step.top ? designer.GetTank().GetTopSlabs() : designer.GetTank().GetBottomSlabs();
      for (const _2dPoint& q : request.points) {
        const bool over = std::any_of(slabs.begin(), slabs.end(), [&q](const BoardPtr& s) { return s->ContainsPoint(q); });
        if (!over) {
          io.err << fmt::format("{}: notice: the point ({:g}, {:g}) lies over no slab of the {}\n",
                                PrintableMessage(input), q.x, q.y, step.name);
          continue;
        }
        const std::size_t before = GetScriptedHost().GetMessages().size();
        designer.DrawBoardReinAt(_3dPoint(q.x * f + placement.x, q.y * f + placement.y, 0.0));
        PrintMessagesSince(before, input, io.err);
      }
    }
    designer.AutoDimensionPlan(view.get());
    const Extents e = view->GetExtent(~0x1FF8);
    p.y -= (e.maxY - e.minY) * (1.0 + g_DrawingGapRatio);
    drawn.push_back({&step, view});
  }
  ShowDrawProgress(io.err, 100, "");
  return drawn;
}

// The zones the plans could not draw, and the entities of the plans the DXF
// writer leaves out, one line each on the error stream; false when there
// are none.
bool WarnUndrawn(const std::vector<DrawnPlan>& plans, const Tank& tank, std::ostream& err) {
  int count = 0;
  std::string lines;
  for (const DrawnPlan& plan : plans) {
    for (const ZoneDrawFailure& f : plan.view->GetZoneFailures()) {
      lines += fmt::format("  {}: {}: {}\n", plan.step->name, ZoneName(tank, f.zone), PrintableMessage(f.reason));
      ++count;
    }
    for (const EntityPtr& e : ViewEntities(*plan.view)) {
      if (!g_ViewBoard.IsEntityVisible(e) || IsWrittenToDxf(*e)) continue;
      ObjectPtr owner;
      const ReinZonePtr zone =
          plan.view->GetEntityOwner(e, owner) ? boost::dynamic_pointer_cast<ReinZone>(owner) : ReinZonePtr();
      lines += fmt::format("  {}: an entity of {} has no finite geometry and is not written\n", plan.step->name,
                           zone ? ZoneName(tank, zone) : std::string("the plan"));
      ++count;
    }
  }
  if (count == 0) return false;
  err << fmt::format("warning: {} could not be drawn:\n{}", Counted(count, "part of the drawings", "parts of the drawings"),
                     lines);
  return true;
}

void RunDraw(const DrawOptions& o, bool labelSizeGiven, HostStreams& io) {
  // The command line is checked before any work.
  const DrawRequest request = ReadRequest(o, labelSizeGiven);
  auto designer = std::make_unique<TankDesigner>();
  OpenTank(*designer, o.design);
  // The output folder is made (or found unusable) before the long work.
  OutputSet out(o.outDir);
  if (!IsDesignCurrent(*designer)) {
    AnalyseIfChanged(*designer, o.design, io.err);
    DesignTankRein(*designer, o.design, io);
  }

  QuietMessages quiet;
  const std::vector<DrawnPlan> plans = DrawPlans(*designer, request, o.design, io);
  for (const DrawnPlan& plan : plans)
    io.out << fmt::format("{} (1:{:g}): {}\n", plan.step->name, plan.view->GetScale(), PlanSummary(*plan.view));

  // The drawing mode, with the display the options ask for.
  if (request.labelSizeGiven) designer->SetReinLabelHeight(request.labelSize);
  designer->SetMode(1, g_ResultFlagsNone);
  if (request.resultFlags != 0) designer->SetResultDisplayFlags(request.resultFlags);
  if (request.boardLabelFlags != 0)
    for (const DrawnPlan& plan : plans) {
      const Extents e = plan.view->GetExtent(~0x1FF8);
      designer->DrawBoardLabelsAt(_3dPoint((e.minX + e.maxX) * 0.5, (e.minY + e.maxY) * 0.5, 0.0),
                                  request.boardLabelFlags);
    }

  // Every file appears together, or none does.
  std::vector<std::string> lines;
  PreviewOptions preview;
  preview.projection = 0;
  for (const DrawnPlan& plan : plans) {
    const EntityList entities = ViewEntities(*plan.view);
    const std::string stem = plan.step->file;
    const ExportSummary dxf = g_ViewBoard.ExportDxf(out.Stage(stem + ".dxf"), entities);
    g_ViewBoard.ExportSvg(out.Stage(stem + ".svg"), entities, preview);
    g_ViewBoard.ExportPng(out.Stage(stem + ".png"), entities, preview);
    lines.push_back(fmt::format("wrote {} ({} entities) with .svg and .png\n",
                                (out.Folder() / (stem + ".dxf")).string(), dxf.entities));
  }
  const ExportSummary sheet = g_ViewBoard.ExportDxf(out.Stage("drawings.dxf"), SheetOfMode(*designer));
  lines.push_back(fmt::format("wrote {} ({} entities)\n", (out.Folder() / "drawings.dxf").string(), sheet.entities));
  SaveDesign(*designer, out.Stage("tank.tkd"));
  lines.push_back(fmt::format("wrote {}\n", (out.Folder() / "tank.tkd").string()));
  out.Commit();
  for (const std::string& line : lines) io.out << line;

  const bool undrawn = WarnUndrawn(plans, designer->GetTank(), io.err);
  const bool groupsFailed = WarnFailingGroups(designer->GetTank(), io.err);
  if (undrawn)
    io.status = kExitNotAllDrawn;
  else if (groupsFailed)
    io.status = kExitDesignFailed;
}

}  // namespace

void RegisterDrawCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<DrawOptions>();
  auto* cmd = cli.add_subcommand("draw", "Draw the reinforcement drawings of a tank (DXF, SVG, PNG)");
  cmd->add_option("DESIGN", o->design, "Saved design (designed first when needed) or project file (.json)")
      ->required();
  cmd->add_option("-o,--output", o->outDir, "Write the drawings, drawings.dxf and tank.tkd into DIR")
      ->type_name("DIR")
      ->required();
  cmd->add_option("--results", o->results,
                  "Show the slab plans as results: their outlines with these labels of the slabs and edges "
                  "(bars and dimensions hidden), comma-separated: number, thickness, level, moment, loadcase, "
                  "required, provided, crack")
      ->type_name("LIST");
  cmd->add_option("--board-labels", o->boardLabels,
                  "Labels of each slab at its centre, comma-separated: number, thickness, level")
      ->type_name("LIST");
  auto* size = cmd->add_option("--label-size", o->labelSize,
                               "Size of the result labels per drawing unit, 0.5 to 20 (default 3.0)")
                   ->type_name("F")
                   ->check(CLI::Range(0.5, 20.0));
  cmd->add_option("--only-at", o->onlyAt,
                  "Draw only the bars of the slab under the point X,Y (model plan mm; repeatable)")
      ->type_name("X,Y")
      ->allow_extra_args(false);
  cmd->callback([o, size, &io] { RunDraw(*o, size->count() > 0, io); });
}

}  // namespace tank::app
