#include "app/ProjectFile.h"

#include "app/Plausible.h"
#include "app/SafeInput.h"

#include <boost/make_shared.hpp>
#include <fmt/format.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace tank::app {

namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void Fail(const std::string& source, const std::string& field, const std::string& why) {
  // A field name comes from the file: made printable and cut, so that a
  // hostile key cannot flood or forge the terminal.
  throw ProjectError(fmt::format("{}: {}: {}", source, PrintableMessage(field, true, 120), why));
}

// Refuses keys the reader does not know (a misspelt key would otherwise be
// silently ignored).
void CheckKeys(const Json& object, const std::set<std::string>& known, const std::string& source,
               const std::string& path) {
  for (const auto& [key, value] : object.items())
    if (!known.count(key)) Fail(source, path.empty() ? key : path + "." + key, "unknown key");
}

double Number(const Json& object, const char* key, const std::string& source, const std::string& path) {
  const std::string field = path + "." + key;
  if (!object.contains(key)) Fail(source, field, "missing");
  const Json& v = object.at(key);
  if (!v.is_number()) Fail(source, field, "must be a number");
  const double d = v.get<double>();
  if (!std::isfinite(d)) Fail(source, field, "must be a finite number");
  return d;
}

// A number within its plausible range; the message names the unit.
double Ranged(const Json& object, const char* key, const PlausibleRange& range, const std::string& source,
              const std::string& path) {
  const double d = Number(object, key, source, path);
  const std::string why = range.Check(d);
  if (!why.empty()) Fail(source, path + "." + key, why);
  return d;
}

// A point whose coordinates are plan or board positions in mm.
void CheckCoordinates(const std::vector<double>& p, const std::string& source, const std::string& field) {
  for (double c : p) {
    const std::string why = kPlanCoordinate.Check(c);
    if (!why.empty()) Fail(source, field, "a coordinate " + why);
  }
}

long long Count(const Json& object, const char* key, const std::string& source, const std::string& path) {
  const std::string field = path + "." + key;
  if (!object.contains(key)) Fail(source, field, "missing");
  const Json& v = object.at(key);
  if (!v.is_number_integer()) Fail(source, field, "must be a whole number of at least 1");
  const long long n = v.get<long long>();
  if (n < 1) Fail(source, field, fmt::format("must be a whole number of at least 1 (is {})", n));
  if (n > 100) Fail(source, field, fmt::format("at most 100 cells (is {})", n));
  return n;
}

std::vector<double> Point(const Json& object, const char* key, std::size_t size, const std::string& source,
                          const std::string& path) {
  const std::string field = path + "." + key;
  if (!object.contains(key)) Fail(source, field, "missing");
  const Json& v = object.at(key);
  if (!v.is_array() || v.size() != size) Fail(source, field, fmt::format("must be a list of {} numbers", size));
  std::vector<double> out;
  for (const Json& c : v) {
    if (!c.is_number() || !std::isfinite(c.get<double>()))
      Fail(source, field, fmt::format("must be a list of {} numbers", size));
    out.push_back(c.get<double>());
  }
  CheckCoordinates(out, source, field);
  return out;
}

std::string Text(const Json& object, const char* key, const std::string& source, const std::string& path) {
  const std::string field = path + "." + key;
  if (!object.contains(key)) Fail(source, field, "missing");
  if (!object.at(key).is_string()) Fail(source, field, "must be a text");
  return object.at(key).get<std::string>();
}

const Json& List(const Json& tank, const char* key, const std::string& source) {
  static const Json empty = Json::array();
  if (!tank.contains(key)) return empty;
  const Json& v = tank.at(key);
  if (!v.is_array()) Fail(source, std::string("tank.") + key, "must be a list");
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!v[i].is_object()) Fail(source, fmt::format("tank.{}[{}]", key, i), "must be an object");
  return v;
}

// The line and column of a byte offset, for syntax errors.
std::pair<int, int> LineColumn(const std::string& text, std::size_t offset) {
  int line = 1, column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return {line, column};
}

BoardPtr BoardOf(const Json& entry, const Tank& tank, const std::string& source, const std::string& path) {
  const std::string name = Text(entry, "board", source, path);
  BoardPtr board = FindBoard(tank, name);
  if (!board) Fail(source, path + ".board", "no board \"" + name + "\" in the tank (see `tankdesign new` without -o)");
  return board;
}

// A position on the board: along the wall and up from its base, or plan x
// and y on a slab's mid-plane.
_3dPoint OnBoard(const Board& board, const std::vector<double>& p) {
  if (board.GetKind() == 0) return board.LocalToWorld(_2dPoint(p[0], p[1]));
  const _3dVector n = board.GetNormal();
  const _3dPoint o = board.GetOrigin();
  // The slab's plane through its origin, at the plan point.
  const double z = std::abs(n.z) > 1e-9 ? o.z - (n.x * (p[0] - o.x) + n.y * (p[1] - o.y)) / n.z : o.z;
  return _3dPoint(p[0], p[1], z);
}

void ApplyOpening(const Json& entry, const std::string& path, const std::string& source, const TankModeler& modeler,
                  Tank& tank) {
  CheckKeys(entry, {"board", "shape", "center_mm", "width_mm", "height_mm", "radius_mm"}, source, path);
  const BoardPtr board = BoardOf(entry, tank, source, path);
  const std::string shape = Text(entry, "shape", source, path);
  const std::vector<double> c = Point(entry, "center_mm", 2, source, path);
  boost::shared_ptr<VekObject> picked;
  if (shape == "circle") {
    const double r = Ranged(entry, "radius_mm", kOpeningSize, source, path);
    picked = boost::make_shared<_3dCircle>(OnBoard(*board, c), r, board->GetNormal());
  } else if (shape == "rectangle") {
    const double w = Ranged(entry, "width_mm", kOpeningSize, source, path);
    const double h = Ranged(entry, "height_mm", kOpeningSize, source, path);
    std::vector<_3dPoint> corners;
    for (const auto& [du, dv] : {std::pair{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}})
      corners.push_back(OnBoard(*board, {c[0] + du * w, c[1] + dv * h}));
    picked = boost::make_shared<_2dPolyline>(corners, true);
  } else {
    Fail(source, path + ".shape", "must be \"circle\" or \"rectangle\"");
  }
  std::string reason;
  if (!modeler.AddHole(picked, board, tank, &reason))
    Fail(source, path, "opening refused" + (reason.empty() ? std::string() : ": " + reason));
}

void ApplyNotch(const Json& entry, const std::string& path, const std::string& source, const TankModeler& modeler,
                Tank& tank) {
  CheckKeys(entry, {"board", "code", "outline_mm"}, source, path);
  const BoardPtr board = BoardOf(entry, tank, source, path);
  int code = 0;
  if (entry.contains("code")) {
    if (!entry.at("code").is_number_integer()) Fail(source, path + ".code", "must be a whole number");
    code = entry.at("code").get<int>();
  }
  if (!entry.contains("outline_mm") || !entry.at("outline_mm").is_array() || entry.at("outline_mm").size() < 3)
    Fail(source, path + ".outline_mm", "must be a list of at least 3 points");
  std::vector<_3dPoint> outline;
  const Json& points = entry.at("outline_mm");
  for (std::size_t i = 0; i < points.size(); ++i) {
    // Each point is named as the file writes it: tank.notches[0].outline_mm[1].
    const std::string field = fmt::format("{}.outline_mm[{}]", path, i);
    const Json& v = points[i];
    if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number() ||
        !std::isfinite(v[0].get<double>()) || !std::isfinite(v[1].get<double>()))
      Fail(source, field, "must be a list of 2 numbers");
    const std::vector<double> p = {v[0].get<double>(), v[1].get<double>()};
    CheckCoordinates(p, source, field);
    outline.push_back(OnBoard(*board, p));
  }
  const auto notch = boost::make_shared<_2dPolyline>(outline, true);
  if (const std::string why = NotchProblem(*board, outline); !why.empty()) Fail(source, path, "notch refused: " + why);
  modeler.AddNotch(notch, code, {board}, tank);
}

// The load type of a load's category: permanent ("dead", the default) or
// variable ("live"), as the analysis and the plan read them.
int LoadCategory(const Json& entry, const std::string& source, const std::string& path) {
  std::string category = "dead";
  if (entry.contains("category")) category = Text(entry, "category", source, path);
  if (category == "dead") return 2;
  if (category == "live") return 5;
  Fail(source, path + ".category", "must be \"dead\" or \"live\"");
}

void ApplyLoad(const Json& entry, const std::string& path, const std::string& source, const TankModeler& modeler,
               Tank& tank) {
  CheckKeys(entry,
            {"board", "type", "value_kpa", "value_kn", "value_kn_per_m", "category", "position_mm", "start_mm",
             "end_mm"},
            source, path);
  const BoardPtr board = BoardOf(entry, tank, source, path);
  const std::string boardName = Text(entry, "board", source, path);
  const std::string type = Text(entry, "type", source, path);
  // A position must lie on the board the load is given for: a load off its
  // board would be lost, or fail the analysis long after.
  const auto onBoard = [&](const char* key) {
    const std::vector<double> p = Point(entry, key, 2, source, path);
    const _3dPoint world = OnBoard(*board, p);
    if (!IsOnBoard(*board, world))
      Fail(source, path + "." + key,
           fmt::format("the {} load's point ({}, {}) mm lies outside {}{}", type, p[0], p[1], boardName,
                       board->GetKind() == 0 ? " (along the wall from its start, up from its base)"
                                             : " (plan x and y)"));
    return world;
  };
  boost::shared_ptr<Load> load;
  if (type == "area") {
    auto area = boost::make_shared<AreaLoad>();
    area->SetValue(Ranged(entry, "value_kpa", kAreaLoadValue, source, path));
    area->SetDistribution(2);
    area->SetLoadType(LoadCategory(entry, source, path));
    area->SetRegion(_2dPolyline(board->GetOutlinePoints(), true));
    load = area;
  } else if (type == "point") {
    auto point = boost::make_shared<PointLoad>();
    const double value = Ranged(entry, "value_kn", kPointLoadValue, source, path);
    point->SetValue(value, onBoard("position_mm"));
    point->SetDistribution(1);
    point->SetLoadType(LoadCategory(entry, source, path));
    load = point;
  } else if (type == "line") {
    auto line = boost::make_shared<LineLoad>();
    const double q = Ranged(entry, "value_kn_per_m", kLineLoadValue, source, path);
    const _3dPoint a = onBoard("start_mm");
    const _3dPoint b = onBoard("end_mm");
    // The whole line on the board, also where the outline turns inward.
    for (int k = 1; k < 32; ++k) {
      const double t = k / 32.0;
      if (!IsOnBoard(*board, a + (b - a) * t))
        Fail(source, path, fmt::format("the line load leaves {} between its ends", boardName));
    }
    line->SetStartValue(q, a);
    line->SetEndValue(q, b);
    line->SetDistribution(1);
    line->SetLoadType(LoadCategory(entry, source, path));
    load = line;
  } else {
    Fail(source, path + ".type", "must be \"area\", \"point\" or \"line\"");
  }
  modeler.AddBoardObject(load, board);
}

}  // namespace

TankLayoutParams MakeLayout(const ProjectSettings& settings, double originX, double originY, double lengthX,
                            double lengthY, long long cellsX, long long cellsY, double wallThickness) {
  const GeometrySettings& g = settings.GetGeometrySettings();
  TankLayoutParams p;
  p.origin = _3dPoint(originX, originY, 0.0);
  p.lengthX = lengthX;
  p.lengthY = lengthY;
  p.cellsX = static_cast<std::uint32_t>(cellsX);
  p.cellsY = static_cast<std::uint32_t>(cellsY);
  p.wallThickness = wallThickness;
  p.bottomElevation = g.GetBottomElevation();
  p.bottomSlabThickness = g.GetBottomSlabThickness();
  p.hasTopSlab = settings.GetModelSettings().HasTopSlab() != 0;
  p.topSlabThickness = g.GetTopSlabThickness();
  const double bottomMid = g.GetBottomElevation() * 1000.0 - g.GetBottomSlabThickness() / 2.0;
  const double top = g.GetTopElevation() * 1000.0 - (p.hasTopSlab ? g.GetTopSlabThickness() / 2.0 : 0.0);
  p.wallHeight = top - bottomMid;
  return p;
}

// Refuses a key given twice in one object (JSON readers would keep the last
// silently), naming it by its path as the file writes it.
class DuplicateKeys {
 public:
  DuplicateKeys(const std::string& source) : m_source(source) {}
  bool operator()(int depth, nlohmann::detail::parse_event_t event, Json& parsed) {
    using Event = nlohmann::detail::parse_event_t;
    const auto level = static_cast<std::size_t>(depth);
    if (event == Event::object_start || event == Event::array_start) {
      // The container opened at `level`; its keys are collected one level down.
      if (m_keys.size() <= level + 1) m_keys.resize(level + 2);
      if (m_names.size() <= level + 1) m_names.resize(level + 2);
      m_keys[level + 1].clear();
      m_isObject.resize(level + 2);
      m_isObject[level + 1] = event == Event::object_start;
    } else if (event == Event::key) {
      if (m_keys.size() <= level) m_keys.resize(level + 1);
      if (m_names.size() <= level) m_names.resize(level + 1);
      const std::string key = parsed.get<std::string>();
      m_names[level] = key;
      if (!m_keys[level].insert(key).second) {
        std::string path;
        for (std::size_t i = 1; i < level && i < m_names.size(); ++i)
          if (i < m_isObject.size() && m_isObject[i]) path += (path.empty() ? "" : ".") + m_names[i];
        path += (path.empty() ? "" : ".") + key;
        Fail(m_source, PrintableMessage(path, true, 200), "given twice");
      }
    }
    return true;
  }

 private:
  std::string m_source;
  std::vector<std::set<std::string>> m_keys;
  std::vector<std::string> m_names;
  std::vector<bool> m_isObject;
};

ProjectInput ReadProject(const std::string& text, const std::string& source, bool tankOptional) {
  if (const TextPosition deep = FindExcessiveNesting(text); deep.line > 0)
    throw ProjectError(fmt::format("{}:{}:{}: not a project file: lists and objects nested more than {} deep",
                                   source, deep.line, deep.column, kMaxJsonDepth));
  Json root;
  try {
    root = Json::parse(text, DuplicateKeys(source));
  } catch (const Json::out_of_range& e) {
    // The library names the number it could not hold: find it in the text.
    const std::string what = e.what();
    const auto open = what.find("parsing '");
    const auto close = open == std::string::npos ? open : what.find('\'', open + 9);
    const std::string number = close == std::string::npos ? std::string() : what.substr(open + 9, close - open - 9);
    const auto at = number.empty() ? std::string::npos : text.find(number);
    const TextPosition p = PositionOf(text, at == std::string::npos ? 0 : at);
    throw ProjectError(fmt::format("{}:{}:{}: the number {} is out of range (at most about 1.8e308)", source, p.line,
                                   p.column, PrintableMessage(number, true, 60)));
  } catch (const Json::parse_error& e) {
    const auto [line, column] = LineColumn(text, e.byte > 0 ? e.byte - 1 : 0);
    std::string why = e.what();
    const auto colon = why.find("syntax error");
    if (colon != std::string::npos) why = why.substr(colon);
    throw ProjectError(fmt::format("{}:{}:{}: not a JSON project file: {}", source, line, column, why));
  }
  if (!root.is_object()) Fail(source, "(file)", "must be a JSON object with \"settings\" and \"tank\"");
  CheckKeys(root, {"format_version", "settings", "tank"}, source, "");
  if (root.contains("format_version") &&
      (!root["format_version"].is_number_integer() || root["format_version"].get<int>() != 1))
    Fail(source, "format_version", "must be 1");

  ProjectInput input;
  if (root.contains("settings")) {
    try {
      FromJson(root["settings"], input.settings);
    } catch (const SettingsError& e) {
      std::string lines;
      for (const SettingsProblem& p : e.GetProblems()) lines += "\n  " + p.ToString();
      throw ProjectError(fmt::format("{}: settings rejected:{}", source, lines));
    }
  }
  if (tankOptional && !root.contains("tank")) {
    input.hasTank = false;
    return input;
  }
  if (!root.contains("tank") || !root["tank"].is_object()) Fail(source, "tank", "missing (the plan layout)");
  const Json& tank = root["tank"];
  CheckKeys(tank,
            {"origin_mm", "length_x_mm", "length_y_mm", "cells_x", "cells_y", "wall_thickness_mm", "openings",
             "notches", "loads"},
            source, "tank");
  std::vector<double> origin = {0.0, 0.0};
  if (tank.contains("origin_mm")) origin = Point(tank, "origin_mm", 2, source, "tank");
  const double lx = Ranged(tank, "length_x_mm", kTankLength, source, "tank");
  const double ly = Ranged(tank, "length_y_mm", kTankLength, source, "tank");
  const long long nx = Count(tank, "cells_x", source, "tank");
  const long long ny = Count(tank, "cells_y", source, "tank");
  const int settingsWall = input.settings.GetGeometrySettings().GetWallThickness();
  double wall = settingsWall;
  if (tank.contains("wall_thickness_mm")) {
    wall = Ranged(tank, "wall_thickness_mm", kThickness, source, "tank");
    const bool settingsGiveIt = root.contains("settings") && root["settings"].contains("geometry") &&
                                root["settings"]["geometry"].is_object() &&
                                root["settings"]["geometry"].contains("wall_thickness_mm");
    if (settingsGiveIt && std::abs(wall - settingsWall) > 1e-9)
      Fail(source, "tank.wall_thickness_mm",
           fmt::format("{} differs from settings.geometry.wall_thickness_mm ({}): give it once", wall, settingsWall));
    input.settings.GetGeometrySettings().SetWallThickness(static_cast<int>(std::lround(wall)));
  }
  if (wall >= lx / static_cast<double>(nx) || wall >= ly / static_cast<double>(ny))
    Fail(source, "tank.wall_thickness_mm",
         fmt::format("a wall of {} mm does not fit a cell of {} × {} mm", wall, lx / static_cast<double>(nx),
                     ly / static_cast<double>(ny)));
  // A cell narrower than a person's reach between its walls is a slip of
  // the wall thickness or the lengths, not a tank.
  const double clear = std::min(lx / static_cast<double>(nx), ly / static_cast<double>(ny)) - wall;
  if (clear < kMinClearSpan)
    Fail(source, "tank.wall_thickness_mm",
         fmt::format("a wall of {} mm leaves a clear span of {} mm in a cell of {} × {} mm (at least {} mm)", wall,
                     clear, lx / static_cast<double>(nx), ly / static_cast<double>(ny), kMinClearSpan));
  input.layout = MakeLayout(input.settings, origin[0], origin[1], lx, ly, nx, ny, wall);
  if (!(input.layout.wallHeight > 0))
    Fail(source, "settings.geometry.tank_top_elevation_m",
         fmt::format("the walls would be {} mm high: the top must lie above the bottom slab", input.layout.wallHeight));
  std::string why;
  if (!TankModeler::ValidateLayout(input.layout, why)) Fail(source, "tank", why);
  input.openings = List(tank, "openings", source);
  input.notches = List(tank, "notches", source);
  input.loads = List(tank, "loads", source);
  return input;
}

ProjectInput ReadProjectFile(const std::string& path, bool tankOptional) {
  std::string text;
  try {
    text = ReadRegularFile(path, kMaxJsonFileBytes);
  } catch (const std::runtime_error& e) {
    throw ProjectError(e.what());
  }
  return ReadProject(text, path, tankOptional);
}

void ApplyBoardItems(const ProjectInput& input, const std::string& source, const TankModeler& modeler,
                     Tank& tank) {
  for (std::size_t i = 0; i < input.openings.size(); ++i)
    ApplyOpening(input.openings[i], fmt::format("tank.openings[{}]", i), source, modeler, tank);
  for (std::size_t i = 0; i < input.notches.size(); ++i)
    ApplyNotch(input.notches[i], fmt::format("tank.notches[{}]", i), source, modeler, tank);
  for (std::size_t i = 0; i < input.loads.size(); ++i)
    ApplyLoad(input.loads[i], fmt::format("tank.loads[{}]", i), source, modeler, tank);
}

std::string BoardName(const Tank& tank, const BoardPtr& board) {
  static const char* const kinds[] = {"wall", "bottom slab", "top slab"};
  const int kind = board->GetKind();
  if (kind < 0 || kind > 2) return {};
  // Counted in the order of the boards' numbers, as the plan labels them
  // (the tank's order breaking ties): a tank built from a layout numbers
  // its boards in the tank's order, an edit numbers them 1, 2, ...
  std::vector<BoardPtr> list = kind == 0 ? tank.GetWalls() : kind == 1 ? tank.GetBottomSlabs() : tank.GetTopSlabs();
  std::stable_sort(list.begin(), list.end(),
                   [](const BoardPtr& a, const BoardPtr& b) { return a->GetNumber() < b->GetNumber(); });
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i] == board) return fmt::format("{} {}", kinds[kind], i + 1);
  return {};
}

BoardPtr FindBoard(const Tank& tank, const std::string& name) {
  for (const BoardPtr& board : tank.GetBoards())
    if (BoardName(tank, board) == name) return board;
  return nullptr;
}

}  // namespace tank::app

namespace tank::app {

const std::map<std::string, std::string>& BuiltinExamples();

std::vector<std::string> ExampleNames() {
  std::vector<std::string> names;
  for (const auto& [name, text] : BuiltinExamples()) names.push_back(name);
  return names;
}

const std::string& ExampleProject(const std::string& name) {
  const auto& examples = BuiltinExamples();
  const auto it = examples.find(name);
  if (it == examples.end()) {
    std::string known;
    for (const auto& [n, text] : examples) known += (known.empty() ? "" : ", ") + n;
    throw ProjectError("no built-in example \"" + name + "\" (examples: " + known + ")");
  }
  return it->second;
}

}  // namespace tank::app
