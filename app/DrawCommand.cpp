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
#include "app/DrawCommand.h"

#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/DesignRun.h"
#include "app/EditScript.h"
#include "app/NewTank.h"
#include "app/OutputSet.h"
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "app/TableCsv.h"
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
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace tank::app {

namespace {

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
_2dPoint ParsePoint(const std::string& text, const char* option = "--only-at") {
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
    throw CLI::ValidationError(option, fmt::format("\"{}\" is not a point X,Y (two numbers, mm)",
                                                        PrintableMessage(text)));
  return {x, y};
}

DrawRequest ReadRequest(const DrawOptions& o) {
  DrawRequest r;
  if (!o.results.empty()) r.resultFlags = ParseFlagList("--results", o.results, kResultNames);
  if (!o.boardLabels.empty()) r.boardLabelFlags = ParseFlagList("--board-labels", o.boardLabels, kBoardLabelNames);
  r.labelSizeGiven = o.labelSizeGiven;
  r.labelSize = o.labelSize;
  for (const std::string& p : o.onlyAt) r.points.push_back(ParsePoint(p));
  return r;
}

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
  // On a slab plan a range dimension is one dimension and the circle on its
  // bar; the other entities of that kind are the section marks.  On the
  // wall plan the range dimensions of the dot rows have no circle, and the
  // section marks are the cuts of the wall sections, one per section.
  int ranges = rangeCircles, marks = rangeOther - rangeCircles;
  if (typeid(view) == typeid(TankWallReinPlanView)) {
    ranges = rangeOther;
    marks = static_cast<int>(std::count_if(objects.begin(), objects.end(), [](const auto& entry) {
      return boost::dynamic_pointer_cast<Section>(entry.first) != nullptr;
    }));
  }
  return fmt::format("{} drawn, {}, {}, {}, {}, {}", Counted(zones, "zone", "zones"), Counted(bars, "bar", "bars"),
                     Counted(labels, "label", "labels"), Counted(ranges, "range dimension", "range dimensions"),
                     Counted(marks, "section mark", "section marks"), Counted(dimensions, "dimension", "dimensions"));
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

// The progress of the batch on the error stream (the designer's progress
// callback takes no context).
std::ostream* g_progressStream = nullptr;

void ShowDrawProgress(int percent, std::string text, int*) {
  if (!g_progressStream) return;
  *g_progressStream << fmt::format("  drawing {:3d}%{}{}\n", percent, text.empty() ? "" : "  ", text) << std::flush;
}

// "wall:N[@T][:flip]" or "line:X1,Y1,X2,Y2[:flip]".
struct SectionSpec {
  std::string text;
  bool wall = true;
  int wallNumber = 0;
  double ratio = 0.5;
  _2dPoint a, b;  // model plan mm
  bool flip = false;
};

bool ReadNumber(const std::string& part, double& value) {
  if (part.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(part.c_str(), &end);
  return errno == 0 && end == part.c_str() + part.size() && std::isfinite(value);
}

SectionSpec ParseSection(const std::string& text) {
  const auto bad = [&text](const char* why) {
    return CLI::ValidationError("--section", fmt::format("\"{}\" {} (forms: wall:N[@T][:flip], "
                                                         "line:X1,Y1,X2,Y2[:flip])",
                                                         PrintableMessage(text), why));
  };
  SectionSpec spec;
  spec.text = text;
  std::string body = text;
  const std::string flip = ":flip";
  if (body.size() > flip.size() && body.compare(body.size() - flip.size(), flip.size(), flip) == 0) {
    spec.flip = true;
    body.resize(body.size() - flip.size());
  }
  if (body.rfind("wall:", 0) == 0) {
    std::string number = body.substr(5), ratio;
    const std::size_t at = number.find('@');
    if (at != std::string::npos) {
      ratio = number.substr(at + 1);
      number.resize(at);
    }
    double n = 0.0;
    if (!ReadNumber(number, n) || n < 1.0 || n != std::floor(n) || n > 1e6) throw bad("has no wall number");
    spec.wallNumber = static_cast<int>(n);
    if (at != std::string::npos && (!ReadNumber(ratio, spec.ratio) || spec.ratio < 0.0 || spec.ratio > 1.0))
      throw bad("has a ratio T outside 0..1");
    return spec;
  }
  if (body.rfind("line:", 0) == 0) {
    spec.wall = false;
    std::vector<double> v;
    std::size_t from = 5;
    while (from <= body.size()) {
      const std::size_t comma = std::min(body.find(',', from), body.size());
      double x = 0.0;
      if (!ReadNumber(body.substr(from, comma - from), x)) throw bad("is not a line of four numbers (mm)");
      v.push_back(x);
      from = comma + 1;
    }
    if (v.size() != 4) throw bad("is not a line of four numbers (mm)");
    spec.a = _2dPoint(v[0], v[1]);
    spec.b = _2dPoint(v[2], v[3]);
    return spec;
  }
  throw bad("is not a section");
}

// The sections the command line asks for, defined on the wall plan the
// batch has just drawn, in the order given.  std::runtime_error (nothing is
// written) for a cut that cannot be made.
void DefineRequestedSections(TankDesigner& designer, const std::vector<SectionSpec>& specs) {
  const Tank& tank = designer.GetTank();
  TankViewPtr plan;
  for (const TankViewPtr& v : designer.GetViews())
    if (!plan && v && typeid(*v) == typeid(TankWallReinPlanView)) plan = v;
  for (const SectionSpec& spec : specs) {
    const std::string name = PrintableMessage(spec.text);
    _2dLine cut;
    if (spec.wall) {
      int walls = 0;
      for (const BoardPtr& board : tank.GetBoards())
        if (BoardName(tank, board).rfind("wall ", 0) == 0) ++walls;
      const BoardPtr wall = FindBoard(tank, fmt::format("wall {}", spec.wallNumber));
      if (!wall)
        throw std::runtime_error(fmt::format("--section {}: wall {} is not a wall (the tank has {})", name,
                                             spec.wallNumber, Counted(walls, "wall", "walls")));
      try {
        cut = designer.SectionLineAcrossWall(wall, spec.ratio);
      } catch (const std::runtime_error& e) {
        throw std::runtime_error(fmt::format("--section {}: wall {}: {}; give the cut as line:X1,Y1,X2,Y2", name,
                                             spec.wallNumber, e.what()));
      }
    } else {
      if (!plan) throw std::runtime_error(fmt::format("--section {}: no wall plan is drawn", name));
      const double f = plan->GetDrawingFactor();
      _3dVector placement;
      plan->GetPlacement(placement);
      const auto map = [&](const _2dPoint& q) { return _2dPoint(q.x * f + placement.x, q.y * f + placement.y); };
      cut = _2dLine(map(spec.a), map(spec.b));
    }
    const _2dPoint s = cut.GetStartPoint(), e = cut.GetEndPoint();
    _2dPoint side = TankDesigner::SectionSidePoint(s, e);
    if (spec.flip) side = _2dPoint(s.x + e.x - side.x, s.y + e.y - side.y);
    if (!designer.DefineSection(cut, side, designer.GetNextSectionNumber(), {}, {}))
      throw std::runtime_error(fmt::format("--section {}: 剖面线必须在且只在一个平面图上", name));
  }
}

// What each drawing is written as: its file stem and its name in messages.
struct DrawnView {
  TankViewPtr view;
  std::string file;
  std::string name;
};

std::vector<DrawnView> NameViews(const TankDesigner& designer) {
  std::vector<DrawnView> drawn;
  int schedules = 0, materials = 0;
  for (const TankViewPtr& v : designer.GetViews()) {
    if (!v) continue;
    const std::type_info& t = typeid(*v);
    if (t == typeid(TopBoardReinView)) drawn.push_back({v, "top-slab-plan", "top slab plan"});
    else if (t == typeid(BottomBoardReinView)) drawn.push_back({v, "bottom-slab-plan", "bottom slab plan"});
    else if (t == typeid(TankWallReinPlanView)) drawn.push_back({v, "wall-plan", "wall plan"});
    else if (t == typeid(TankWallReinSectionView)) {
      const auto section = static_cast<const TankWallReinSectionView&>(*v).GetSection();
      const int n = section ? section->GetNumber() : 0;
      drawn.push_back({v, fmt::format("section-{}", n), fmt::format("section {}", n)});
    } else if (t == typeid(HoleDetailView)) {
      const std::string& title = static_cast<const HoleDetailView&>(*v).GetTitle();
      drawn.push_back({v, "hole-" + title, "detail " + title});
    } else if (t == typeid(ReinTableView)) {
      ++schedules;
      drawn.push_back({v, schedules == 1 ? "rebar-schedule" : fmt::format("rebar-schedule-{}", schedules),
                       "rebar schedule"});
    } else if (t == typeid(ReinAmountView)) {
      ++materials;
      drawn.push_back({v, materials == 1 ? "materials" : fmt::format("materials-{}", materials), "material table"});
    }
  }
  return drawn;
}

// The counts of a drawing: entities per kind.
std::map<int, int> KindCounts(const TankView& view) {
  EntityKindPairs kinds;
  view.ListEntityKinds(kinds);
  std::map<int, int> counts;
  for (const auto& [entity, kind] : kinds) ++counts[kind];
  return counts;
}

// What a wall section shows: its drawn bars, the dot rows of the bars it
// cuts and the dot groups of the support bars in its corners, counted by
// the zones that own them.
struct SectionCounts {
  int bars = 0;
  int dotRows = 0;
  int supportGroups = 0;
};

SectionCounts CountSectionRebar(const TankView& view) {
  SectionCounts counts;
  ObjectEntityPairs objects;
  view.ListObjectEntities(objects);
  for (const auto& [object, entities] : objects) {
    const auto zone = boost::dynamic_pointer_cast<ReinZone>(object);
    if (!zone) continue;
    bool dots = false;
    for (const EntityPtr& e : entities) {
      if (view.GetEntityKind(e) != kKindReinLine) continue;
      // A dot is a closed two-vertex polyline with width; a bar is open.
      const auto line = boost::dynamic_pointer_cast<_2dPolyline>(e);
      if (line && line->VerNums() == 2 && line->IsClosed()) dots = true;
      else ++counts.bars;
    }
    if (dots) ++(boost::dynamic_pointer_cast<SupportRein>(zone) ? counts.supportGroups : counts.dotRows);
  }
  return counts;
}

// The schedule's rows and steel per table, in the tables' order.
std::string ScheduleSummary(const Tank& tank, const ProjectSettings& settings) {
  std::vector<std::pair<int, std::pair<int, double>>> tables;
  for (const auto& [parts, row] : ListScheduleRows(tank, settings.GetViewSettings().combineTables != 0)) {
    if (tables.empty() || tables.back().first != parts) tables.push_back({parts, {0, 0.0}});
    ++tables.back().second.first;
    tables.back().second.second += SteelWeightKg(static_cast<double>(row.totalLength), row.diameter);
  }
  if (tables.empty()) return "no rows";
  std::string text;
  for (const auto& [parts, figures] : tables)
    text += fmt::format("{}{}: {}, {:.1f} kg", text.empty() ? "" : "; ", TablePartName(parts),
                        Counted(figures.first, "row", "rows"), figures.second);
  return text;
}

// The material table's steel per table and its concrete.
std::string MaterialSummary(Tank& tank, ProjectSettings& settings) {
  std::vector<MaterialSteelRow> steel;
  std::vector<MaterialConcreteRow> concrete;
  ListMaterialRows(tank, settings, steel, concrete);
  std::vector<std::pair<std::string, double>> parts;
  for (const MaterialSteelRow& r : steel) {
    if (parts.empty() || parts.back().first != r.part) parts.push_back({r.part, 0.0});
    parts.back().second += r.weightKg;
  }
  double volume = 0.0;
  for (const MaterialConcreteRow& r : concrete) volume += r.volume;
  std::string text;
  for (const auto& [part, kg] : parts) text += fmt::format("{}{}: {:.1f} kg steel", text.empty() ? "" : "; ", part, kg);
  return fmt::format("{}{}concrete {:.2f} m3", text, text.empty() ? "" : "; ", volume);
}

std::string ViewSummary(const DrawnView& d, const std::map<const Section*, std::string>& madeFrom,
                        TankDesigner& designer) {
  const TankView& view = *d.view;
  if (typeid(view) == typeid(TopBoardReinView) || typeid(view) == typeid(BottomBoardReinView) ||
      typeid(view) == typeid(TankWallReinPlanView))
    return PlanSummary(view);
  std::map<int, int> k = KindCounts(view);
  if (typeid(view) == typeid(TankWallReinSectionView)) {
    const auto& sv = static_cast<const TankWallReinSectionView&>(view);
    const auto section = sv.GetSection();
    const auto from = section ? madeFrom.find(section.get()) : madeFrom.end();
    double window = 0.0;
    if (section) {
      const ViewVolumn& vol = section->GetVolume();
      window = vol.m_bounds[0] + vol.m_bounds[2];
    }
    const SectionCounts counts = CountSectionRebar(view);
    return fmt::format("made from {}, window {:g} mm, {}, {}, {}, break lines: left {}, right {}",
                       from == madeFrom.end() ? std::string("the automatic cut") : from->second, window,
                       Counted(counts.bars, "bar", "bars"), Counted(counts.dotRows, "dot row", "dot rows"),
                       Counted(counts.supportGroups, "support dot group", "support dot groups"),
                       sv.GetLeftCut() ? "yes" : "no", sv.GetRightCut() ? "yes" : "no");
  }
  if (typeid(view) == typeid(HoleDetailView))
    return fmt::format("{}, {}", Counted(k[kKindReinLine], "bar", "bars"), Counted(k[kKindReinText], "label", "labels"));
  if (typeid(view) == typeid(ReinTableView)) return ScheduleSummary(designer.GetTank(), designer.GetSettings());
  if (typeid(view) == typeid(ReinAmountView)) return MaterialSummary(designer.GetTank(), designer.GetSettings());
  return Counted(static_cast<int>(ViewEntities(view).size()), "entity", "entities");
}

// The zones the plans could not draw, and the entities of the plans the DXF
// writer leaves out, one line each on the error stream; false when there
// are none.
bool WarnUndrawn(const std::vector<DrawnView>& plans, const Tank& tank, std::ostream& err) {
  int count = 0;
  std::string lines;
  for (const DrawnView& plan : plans) {
    for (const ZoneDrawFailure& f : plan.view->GetZoneFailures()) {
      lines += fmt::format("  {}: {}: {}\n", plan.name, ZoneName(tank, f.zone), PrintableMessage(f.reason));
      ++count;
    }
    for (const EntityPtr& e : ViewEntities(*plan.view)) {
      if (!g_ViewBoard.IsEntityVisible(e) || IsWrittenToDxf(*e)) continue;
      ObjectPtr owner;
      const ReinZonePtr zone =
          plan.view->GetEntityOwner(e, owner) ? boost::dynamic_pointer_cast<ReinZone>(owner) : ReinZonePtr();
      lines += fmt::format("  {}: an entity of {} has no finite geometry and is not written\n", plan.name,
                           zone ? ZoneName(tank, zone) : std::string("the plan"));
      ++count;
    }
  }
  if (count == 0) return false;
  err << fmt::format("warning: {} could not be drawn:\n{}", Counted(count, "part of the drawings", "parts of the drawings"),
                     lines);
  return true;
}

void RunDraw(const DrawOptions& o, HostStreams& io) {
  // The command line is checked before any work.
  ReadRequest(o);
  if (!o.at.empty()) ParsePoint(o.at, "--at");
  for (const std::string& text : o.sections) ParseSection(text);
  auto designer = std::make_unique<TankDesigner>();
  OpenTank(*designer, o.design);
  // The output folder is made (or found unusable) before the long work.
  { OutputSet probe(o.outDir); }
  if (!IsDesignCurrent(*designer)) {
    AnalyseIfChanged(*designer, o.design, io.err);
    DesignTankRein(*designer, o.design, io);
  }
  io.status = DrawAndWriteSet(*designer, o, o.outDir, io);
}

}  // namespace

int DrawAndWriteSet(TankDesigner& designer, const DrawOptions& o, const std::string& dir, HostStreams& io) {
  const DrawRequest request = ReadRequest(o);
  const _2dPoint at = o.at.empty() ? _2dPoint(0.0, 0.0) : ParsePoint(o.at, "--at");
  std::vector<SectionSpec> specs;
  for (const std::string& text : o.sections) specs.push_back(ParseSection(text));
  for (const SectionSpec& spec : specs)
    if (!spec.wall && spec.a.x == spec.b.x && spec.a.y == spec.b.y)
      throw std::runtime_error(fmt::format("--section {}: the line has zero length", PrintableMessage(spec.text)));
  OutputSet out(dir);
  QuietMessages quiet;
  Tank& tank = designer.GetTank();

  // The batch, with the sections the command line asks for.
  std::map<const Section*, std::string> madeFrom;
  TankDesigner::SectionMaker maker;
  if (o.noSections) {
    maker = [](TankDesigner&) {};
  } else if (!specs.empty()) {
    maker = [&](TankDesigner& d) {
      DefineRequestedSections(d, specs);
      for (const auto& section : d.GetSections())
        if (section->GetNumber() >= 1 && section->GetNumber() <= static_cast<int>(specs.size()))
          madeFrom[section.get()] = specs[section->GetNumber() - 1].text;
    };
  }
  const std::size_t messages = GetScriptedHost().GetMessages().size();
  g_progressStream = &io.err;
  try {
    designer.DrawAll(_3dPoint(at.x, at.y, 0.0), &ShowDrawProgress, maker);
  } catch (...) {
    g_progressStream = nullptr;
    throw;
  }
  g_progressStream = nullptr;
  PrintMessagesSince(messages, o.design, io.err);

  // Only the bars of the slabs under the points, when asked: the batch's
  // bars of the slab plans go, those of each point are drawn again.
  if (!request.points.empty())
    for (const TankViewPtr& v : designer.GetViews()) {
      if (!v || (typeid(*v) != typeid(TopBoardReinView) && typeid(*v) != typeid(BottomBoardReinView))) continue;
      const bool top = typeid(*v) == typeid(TopBoardReinView);
      v->EraseEntitiesOfKinds(kKindReinLine | kKindReinFirstLeader | kKindReinSecondLeader | kKindReinMark |
                                  kKindReinText | kKindRangeDimension,
                              false);
      const double f = v->GetDrawingFactor();
      _3dVector placement;
      v->GetPlacement(placement);
      const std::vector<BoardPtr> slabs = top ? tank.GetTopSlabs() : tank.GetBottomSlabs();
      for (const _2dPoint& q : request.points) {
        if (std::none_of(slabs.begin(), slabs.end(), [&q](const BoardPtr& b) { return b->ContainsPoint(q); })) {
          io.err << fmt::format("{}: notice: the point ({:g}, {:g}) lies over no slab of the {}\n",
                                PrintableMessage(o.design), q.x, q.y, top ? "top slab plan" : "bottom slab plan");
          continue;
        }
        const std::size_t before = GetScriptedHost().GetMessages().size();
        designer.DrawBoardReinAt(_3dPoint(q.x * f + placement.x, q.y * f + placement.y, 0.0));
        PrintMessagesSince(before, o.design, io.err);
      }
    }

  // The schedules the batch emptied go; the new one stays.
  TankViewPtr schedule;
  for (const TankViewPtr& v : designer.GetViews())
    if (v && typeid(*v) == typeid(ReinTableView)) schedule = v;
  designer.RemoveViewsOfClass<ReinTableView>();
  if (schedule) designer.AddView(schedule);

  // The openings of every plan drawn: outlines, then dimensions and labels.
  for (const TankViewPtr& v : designer.GetViews()) {
    if (!v) continue;
    const std::type_info& t = typeid(*v);
    const int kind = t == typeid(TankWallReinPlanView) ? 0 : t == typeid(BottomBoardReinView) ? 1
                     : t == typeid(TopBoardReinView)   ? 2
                                                       : -1;
    if (kind < 0) continue;
    v->DrawHoles(tank, kind, true);
    v->DrawHoles(tank, kind, false);
    v->ShowHideEntitiesOfKinds(&tank, 0x44000, 0, false);
  }
  // The material table below the schedule.
  if (schedule) {
    const Extents e = schedule->GetExtent(kKindMaskAll);
    designer.DrawMaterialTable(true, _3dPoint(at.x, e.minY - 0.3 * (e.maxY - e.minY), 0.0));
  }
  // A notch gets a detail view that draws nothing.
  designer.RemoveViewsOfClass<NotchDetailView>();
  std::vector<std::string> notchLines;
  for (const BoardPtr& board : tank.GetBoards())
    for (const HolePtr& hole : board->GetHoles())
      if (const auto notch = boost::dynamic_pointer_cast<Notch>(hole)) {
        designer.DrawNotchDetail(notch);
        notchLines.push_back(fmt::format("notch {}: no detail drawing\n", notch->GetNumber()));
      }

  const std::vector<DrawnView> drawn = NameViews(designer);
  for (const DrawnView& d : drawn)
    io.out << fmt::format("{} (1:{:g}): {}\n", d.name, d.view->GetScale(), ViewSummary(d, madeFrom, designer));
  for (const std::string& line : notchLines) io.out << line;

  // The drawing mode, with the display the options ask for.
  std::vector<DrawnView> plans;
  for (const DrawnView& d : drawn)
    if (typeid(*d.view) == typeid(TopBoardReinView) || typeid(*d.view) == typeid(BottomBoardReinView)) plans.push_back(d);
  if (request.labelSizeGiven) designer.SetReinLabelHeight(request.labelSize);
  designer.SetMode(1, g_ResultFlagsNone);
  if (request.resultFlags != 0) designer.SetResultDisplayFlags(request.resultFlags);
  if (request.boardLabelFlags != 0)
    for (const DrawnView& plan : plans) {
      const Extents e = plan.view->GetExtent(~0x1FF8);
      designer.DrawBoardLabelsAt(_3dPoint((e.minX + e.maxX) * 0.5, (e.minY + e.maxY) * 0.5, 0.0),
                                 request.boardLabelFlags);
    }

  // Every file appears together, or none does.
  std::vector<std::string> lines;
  PreviewOptions preview;
  preview.projection = 0;
  for (const DrawnView& d : drawn) {
    const EntityList entities = ViewEntities(*d.view);
    const ExportSummary dxf = g_ViewBoard.ExportDxf(out.Stage(d.file + ".dxf"), entities);
    g_ViewBoard.ExportSvg(out.Stage(d.file + ".svg"), entities, preview);
    g_ViewBoard.ExportPng(out.Stage(d.file + ".png"), entities, preview);
    lines.push_back(fmt::format("wrote {} ({} entities) with .svg and .png\n",
                                (out.Folder() / (d.file + ".dxf")).string(), dxf.entities));
  }
  const std::vector<ExportPart> sheetParts = SheetOfMode(designer);
  const ExportSummary sheet = g_ViewBoard.ExportDxf(out.Stage("drawings.dxf"), sheetParts);
  g_ViewBoard.ExportSvg(out.Stage("drawings.svg"), sheetParts, preview);
  g_ViewBoard.ExportPng(out.Stage("drawings.png"), sheetParts, preview);
  lines.push_back(fmt::format("wrote {} ({} entities) with .svg and .png\n", (out.Folder() / "drawings.dxf").string(),
                              sheet.entities));
  WriteRebarScheduleCsv(tank, designer.GetSettings(), out.Stage("rebar-schedule.csv"));
  WriteMaterialsCsv(tank, designer.GetSettings(), out.Stage("materials.csv"));
  lines.push_back(fmt::format("wrote {} and {}\n", (out.Folder() / "rebar-schedule.csv").string(),
                              (out.Folder() / "materials.csv").string()));
  SaveDesign(designer, out.Stage("tank.tkd"));
  lines.push_back(fmt::format("wrote {}\n", (out.Folder() / "tank.tkd").string()));
  out.Commit();
  for (const std::string& line : lines) io.out << line;

  const bool undrawn = WarnUndrawn(drawn, tank, io.err);
  for (const auto& failure : designer.GetSectionFailures()) {
    const auto from = failure.section ? madeFrom.find(failure.section.get()) : madeFrom.end();
    io.err << fmt::format("warning: section {} ({}) could not be drawn and is left out: {}\n",
                          failure.section ? failure.section->GetNumber() : 0,
                          from == madeFrom.end() ? std::string("made from the automatic cut") : "made from " + from->second,
                          PrintableMessage(failure.reason));
  }
  const bool groupsFailed = WarnFailingGroups(tank, io.err);
  if (undrawn || !designer.GetSectionFailures().empty()) return kExitNotAllDrawn;
  if (groupsFailed) return kExitDesignFailed;
  return 0;
}

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
  cmd->add_option("--at", o->at, "Insertion point X,Y of the drawing set (default 0,0)")->type_name("X,Y");
  cmd->add_option("--section", o->sections,
                  "A section in place of the automatic ones (repeatable): wall:N[@T][:flip] across wall N at "
                  "ratio T (default 0.5) of its face, or line:X1,Y1,X2,Y2[:flip] in model plan mm")
      ->type_name("SPEC")
      ->allow_extra_args(false);
  cmd->add_flag("--no-sections", o->noSections, "Draw no section");
  cmd->callback([o, size, &io] {
    o->labelSizeGiven = size->count() > 0;
    RunDraw(*o, io);
  });
}

}  // namespace tank::app
