#include "app/EditScript.h"

#include "app/DxfCurves.h"
#include "app/Plausible.h"
#include "app/ProjectFile.h"
#include "modelview/TankModel2DView.h"
#include "platform/HostServices.h"

#include <boost/make_shared.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace tank::app {

namespace {

constexpr double kPi = 3.14159265358979323846;

[[noreturn]] void Bad(const EditLine& line, const std::string& what) {
  throw ScriptError(fmt::format("line {}: {}", line.number, what));
}

double Number(const EditLine& line, const std::string& word, const char* what) {
  try {
    std::size_t used = 0;
    const double v = std::stod(word, &used);
    if (used == word.size() && std::isfinite(v)) return v;
  } catch (const std::exception&) {
  }
  Bad(line, fmt::format("{}: \"{}\" is not a number", what, word));
}

int Integer(const EditLine& line, const std::string& word, const char* what) {
  const double v = Number(line, word, what);
  if (v != std::floor(v) || std::fabs(v) > 1e9) Bad(line, fmt::format("{}: \"{}\" is not a whole number", what, word));
  return static_cast<int>(v);
}

// "X,Y" or "X,Y,B" (B: a bulge, only where allowed).
std::vector<double> Coordinates(const EditLine& line, const std::string& word, std::size_t minCount,
                                std::size_t maxCount) {
  std::vector<double> values;
  std::stringstream in(word);
  std::string part;
  while (std::getline(in, part, ',')) values.push_back(Number(line, part, "coordinate"));
  if (values.size() < minCount || values.size() > maxCount)
    Bad(line, fmt::format("\"{}\" is not a point X,Y", word));
  return values;
}

_2dPoint Point2(const EditLine& line, const std::string& word) {
  const auto v = Coordinates(line, word, 2, 2);
  return {v[0], v[1]};
}

// A position on a board: along the wall and up from its base, or plan x and
// y on a slab's plane.
_3dPoint OnBoard(const Board& board, const _2dPoint& p) {
  if (board.GetKind() == 0) return board.LocalToWorld(p);
  const _3dVector n = board.GetNormal();
  const _3dPoint o = board.GetOrigin();
  const double z = std::abs(n.z) > 1e-9 ? o.z - (n.x * (p.x - o.x) + n.y * (p.y - o.y)) / n.z : o.z;
  return {p.x, p.y, z};
}

// ---- The model plan and picks ------------------------------------------------

TankModel2DView* ModelPlan(TankDesigner& designer) {
  for (const TankViewPtr& v : designer.GetViews())
    if (auto* plan = dynamic_cast<TankModel2DView*>(v.get())) return plan;
  return nullptr;
}

// The model plan as it stands, drawn first when there is none.
TankModel2DView& EnsureModelPlan(TankDesigner& designer) {
  if (TankModel2DView* plan = ModelPlan(designer)) return *plan;
  designer.ShowModel2D(0, 0);
  return *ModelPlan(designer);
}

double SegmentDistance(const _2dPoint& p, const _2dPoint& a, const _2dPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Distance in plan from the point to the entity's drawn lines; infinity for
// entities a pick box does not catch (texts).
double PickDistance(const Entity& e, const _2dPoint& p) {
  if (const auto* l = dynamic_cast<const _2dLine*>(&e)) return SegmentDistance(p, l->GetStartPoint(), l->GetEndPoint());
  if (const auto* l = dynamic_cast<const _3dLine*>(&e))
    return SegmentDistance(p, {l->GetStartPoint().x, l->GetStartPoint().y}, {l->GetEndPoint().x, l->GetEndPoint().y});
  if (const auto* c = dynamic_cast<const _3dCircle*>(&e))
    return std::fabs(std::hypot(p.x - c->GetCenter().x, p.y - c->GetCenter().y) - c->GetRadius());
  if (const auto* pl = dynamic_cast<const _2dPolyline*>(&e)) {
    const auto& v = pl->GetVertices();
    double best = std::numeric_limits<double>::infinity();
    const std::size_t n = v.size();
    for (std::size_t i = 0; i + 1 < n + (pl->IsClosed() ? 1 : 0); ++i)
      best = std::min(best, SegmentDistance(p, {v[i].x, v[i].y}, {v[(i + 1) % n].x, v[(i + 1) % n].y}));
    return best;
  }
  return std::numeric_limits<double>::infinity();
}

double ClosedArea(const _2dPolyline& pl) {
  const auto& v = pl.GetVertices();
  double a = 0;
  for (std::size_t i = 0; i < v.size(); ++i) a += v[i].x * v[(i + 1) % v.size()].y - v[(i + 1) % v.size()].x * v[i].y;
  return std::fabs(a) / 2;
}

EntityHandle HandleOf(const EntityPtr& entity) {
  EntityHandle handle;
  g_ViewBoard.FindEntityHandle(entity, handle);
  return handle;
}

// The handle of an entity of the model plan drawn for the board, the plan
// shown with the board's slabs when it showed the other kind.
EntityHandle HandleOfBoard(TankDesigner& designer, const BoardPtr& board) {
  TankModel2DView* plan = &EnsureModelPlan(designer);
  EntityList entities;
  if (!plan->GetObjectEntities(board, entities) || entities.empty()) {
    if (board->GetKind() != 0) {
      designer.ShowModel2D(board->GetKind() == 2 ? 1 : 0, plan->m_labelMode);
      plan = ModelPlan(designer);
      plan->GetObjectEntities(board, entities);
    }
  }
  // An entity of this board alone, when there is one.
  for (const EntityPtr& e : entities) {
    ObjectList owners;
    if (plan->GetEntityOwners(e, owners) && owners.size() == 1) return HandleOf(e);
  }
  return entities.empty() ? EntityHandle() : HandleOf(entities.front());
}

EntityHandle HandleAtPoint(TankDesigner& designer, const _2dPoint& p) {
  TankModel2DView& plan = EnsureModelPlan(designer);
  EntityKindPairs kinds;
  plan.ListEntityKinds(kinds);
  const Extents box = plan.GetExtent(kKindMaskAll);
  const double aperture = std::max(50.0, 0.005 * std::max(box.GetWidth(), box.GetHeight()));
  EntityPtr best;
  double bestDistance = aperture;
  for (const auto& [entity, kind] : kinds) {
    ObjectPtr owner;
    if (!plan.GetEntityOwner(entity, owner)) continue;
    const double d = PickDistance(*entity, p);
    // Nearer wins; on a tie the entity drawn first (the walls come before
    // the slabs whose outlines run on their axes).
    // (Distances within a micrometre are ties.)
    if (d < bestDistance - 1e-3 || (!best && d <= bestDistance)) {
      best = entity;
      bestDistance = d;
    }
  }
  if (best) return HandleOf(best);
  // Inside an outline: the smallest closed outline around the point.
  double bestArea = std::numeric_limits<double>::infinity();
  for (const auto& [entity, kind] : kinds) {
    const auto* pl = dynamic_cast<const _2dPolyline*>(entity.get());
    ObjectPtr owner;
    if (!pl || !pl->IsClosed() || !plan.GetEntityOwner(entity, owner) || !boost::dynamic_pointer_cast<Board>(owner))
      continue;
    std::vector<_2dPoint> polygon;
    for (const _3dPoint& v : pl->GetVertices()) polygon.emplace_back(v.x, v.y);
    if (g_VekGeometryComm.PointInPolygon2d(polygon, p) < 0) continue;
    const double area = ClosedArea(*pl);
    if (area < bestArea) {
      bestArea = area;
      best = entity;
    }
  }
  return best ? HandleOf(best) : EntityHandle();
}

EntityHandle Pick(TankDesigner& designer, const EditLine& line, const std::string& word) {
  if (word.rfind("h:", 0) == 0) {
    EntityHandle handle;
    if (!EntityHandle::FromString(word.substr(2), handle)) Bad(line, fmt::format("\"{}\" is not a handle", word));
    return handle;
  }
  if (word.rfind("@", 0) == 0) {
    const EntityHandle handle = HandleAtPoint(designer, Point2(line, word.substr(1)));
    if (handle.IsNull()) Bad(line, fmt::format("nothing of the model plan lies at {}", word.substr(1)));
    return handle;
  }
  const BoardPtr board = FindBoard(designer.GetTank(), word);
  if (!board) Bad(line, fmt::format("no board \"{}\" in the tank", word));
  const EntityHandle handle = HandleOfBoard(designer, board);
  if (handle.IsNull()) Bad(line, fmt::format("\"{}\" is not drawn in the model plan", word));
  return handle;
}

BoardPtr PickBoard(TankDesigner& designer, const EditLine& line, const std::string& word) {
  const EntityHandle handle = Pick(designer, line, word);
  BoardPtr board;
  if (!designer.GetBoardOfEntity(handle, &board)) Bad(line, fmt::format("{} is no board", word));
  return board;
}

// ---- What changed ---------------------------------------------------------------

struct BoardState {
  std::string name;
  std::string shape;
};

std::string Shape(const Board& b) {
  std::string s = fmt::format("{:.1f}/{:.1f}|{}|{}|{}|", b.GetUpperOffset(), b.GetLowerOffset(), b.GetHoles().size(),
                              b.GetLoads().size(), b.GetItems().size());
  for (const _3dPoint& p : b.GetOutlinePoints()) s += fmt::format("{:.1f},{:.1f},{:.1f};", p.x, p.y, p.z);
  return s;
}

// The boards by kind, each kind by number, so that reports list them in that order.
using Snapshots = std::vector<std::pair<const Board*, BoardState>>;

Snapshots Snapshot(const Tank& tank) {
  std::vector<BoardPtr> boards = tank.GetBoards();
  std::stable_sort(boards.begin(), boards.end(), [](const BoardPtr& a, const BoardPtr& b) {
    return std::pair(a->GetKind(), a->GetNumber()) < std::pair(b->GetKind(), b->GetNumber());
  });
  Snapshots out;
  for (const BoardPtr& b : boards) out.emplace_back(b.get(), BoardState{BoardName(tank, b), Shape(*b)});
  return out;
}

std::string Join(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

}  // namespace

std::string Counted(std::size_t n, const char* one, const char* many) {
  return fmt::format("{} {}", n, n == 1 ? one : many);
}

std::string BoardCounts(const Tank& tank, bool units) {
  std::string s = fmt::format("{}, {}, {}", Counted(tank.GetWalls().size(), "wall", "walls"),
                              Counted(tank.GetBottomSlabs().size(), "bottom slab", "bottom slabs"),
                              Counted(tank.GetTopSlabs().size(), "top slab", "top slabs"));
  if (units) {
    // A unit a board left for good holds nothing: it is no structural unit.
    const auto all = tank.GetUnits();
    const auto held = static_cast<std::size_t>(
        std::count_if(all.begin(), all.end(), [](const auto& unit) { return unit->GetComponentCount() > 0; }));
    s += " in " + Counted(held, "structural unit", "structural units");
  }
  return s;
}

namespace {

std::string Describe(const Snapshots& before, const Tank& tank) {
  std::vector<std::string> added, removed, changed, renamed;
  std::set<const Board*> now;
  // Listed by kind, each kind by number, as the plan and `info` list them.
  std::vector<BoardPtr> boards = tank.GetBoards();
  std::stable_sort(boards.begin(), boards.end(), [](const BoardPtr& a, const BoardPtr& b) {
    return std::pair(a->GetKind(), a->GetNumber()) < std::pair(b->GetKind(), b->GetNumber());
  });
  for (const BoardPtr& b : boards) {
    now.insert(b.get());
    const auto it = std::find_if(before.begin(), before.end(), [&b](const auto& s) { return s.first == b.get(); });
    const std::string name = BoardName(tank, b);
    if (it == before.end()) {
      added.push_back(name);
      continue;
    }
    // A board the edit renumbered is named as it was, with its new name.
    const std::string was = it->second.name == name ? name : fmt::format("{} (now {})", it->second.name, name);
    if (it->second.shape != Shape(*b))
      changed.push_back(was);
    else if (it->second.name != name)
      renamed.push_back(was);
  }
  for (const auto& [board, state] : before)
    if (!now.count(board)) removed.push_back(state.name);
  std::vector<std::string> parts;
  if (!removed.empty()) parts.push_back("removed " + Join(removed));
  if (!added.empty()) parts.push_back("added " + Join(added));
  if (!changed.empty()) parts.push_back("changed " + Join(changed));
  if (!renamed.empty()) parts.push_back("renumbered " + Join(renamed));
  const std::string s = parts.empty() ? "no board changed" : Join(parts);
  return fmt::format("{}; now {}", s, BoardCounts(tank, true));
}

std::string TankBytes(const Tank& tank) {
  std::ostringstream out;
  {
    Archive ar(out);
    const_cast<Tank&>(tank).Serialize(ar);
    ar.Close();
  }
  return out.str();
}

// ---- Curves -----------------------------------------------------------------------

EntityList ReadCurves(TankDesigner& designer, const EditLine& line, std::size_t first,
                      const std::string& baseDir) {
  const auto& layers = designer.GetSettings().GetModelSettings().GetWallLayers();
  const std::string wallLayer = layers.empty() ? std::string("0") : layers.front();
  EntityList curves;
  const auto& w = line.words;
  std::size_t i = first;
  auto isKeyword = [](const std::string& s) { return s == "dxf" || s == "line" || s == "polyline" || s == "arc"; };
  while (i < w.size()) {
    const std::string kind = w[i++];
    if (kind == "dxf") {
      if (i >= w.size()) Bad(line, "dxf: the file is missing");
      std::filesystem::path file = w[i++];
      if (file.is_relative()) file = std::filesystem::path(baseDir) / file;
      std::vector<std::string> only;
      if (i < w.size() && w[i].rfind("layers=", 0) == 0) {
        std::stringstream in(w[i++].substr(7));
        std::string name;
        while (std::getline(in, name, ',')) only.push_back(name);
      }
      try {
        const DxfCurves read = ReadDxfCurves(file.string(), only);
        curves.insert(curves.end(), read.curves.begin(), read.curves.end());
      } catch (const DxfReadError& e) {
        Bad(line, e.what());
      }
    } else if (kind == "line") {
      if (i + 1 >= w.size()) Bad(line, "line: two points X,Y X,Y");
      const _2dPoint a = Point2(line, w[i]), b = Point2(line, w[i + 1]);
      i += 2;
      auto l = boost::make_shared<_3dLine>(_3dPoint(a.x, a.y, 0), _3dPoint(b.x, b.y, 0));
      l->SetLayer(wallLayer);
      curves.push_back(l);
    } else if (kind == "polyline") {
      bool closed = false;
      if (i < w.size() && w[i] == "closed") {
        closed = true;
        ++i;
      }
      std::vector<_3dPoint> vertices;
      std::vector<double> bulges;
      while (i < w.size() && !isKeyword(w[i])) {
        const auto v = Coordinates(line, w[i++], 2, 3);
        vertices.emplace_back(v[0], v[1], 0.0);
        bulges.push_back(v.size() == 3 ? v[2] : 0.0);
      }
      if (vertices.size() < 2) Bad(line, "polyline: at least two points X,Y[,BULGE]");
      auto pl = boost::make_shared<_2dPolyline>(vertices, closed);
      pl->SetBulges(bulges);
      pl->SetLayer(wallLayer);
      curves.push_back(pl);
    } else if (kind == "arc") {
      if (i + 3 >= w.size()) Bad(line, "arc: CX,CY R START_DEG END_DEG");
      const _2dPoint c = Point2(line, w[i]);
      const double r = Number(line, w[i + 1], "radius");
      const double a0 = Number(line, w[i + 2], "start angle"), a1 = Number(line, w[i + 3], "end angle");
      i += 4;
      if (!(r > 0)) Bad(line, "arc: the radius must be positive");
      auto arc = boost::make_shared<_2dArc>(c, r, a0 * kPi / 180, a1 * kPi / 180);
      arc->SetLayer(wallLayer);
      curves.push_back(arc);
    } else {
      Bad(line, fmt::format("\"{}\": curves are dxf FILE, line, polyline or arc", kind));
    }
  }
  if (curves.empty()) Bad(line, "no curves given");
  return curves;
}

// ---- Loads --------------------------------------------------------------------

std::vector<ObjectPtr> ReadLoads(const EditLine& line, const Board& board, std::size_t i) {
  std::vector<ObjectPtr> loads;
  const auto& w = line.words;
  while (i < w.size()) {
    const std::string kind = w[i++];
    if (kind == "area") {
      if (i >= w.size()) Bad(line, "area: the value in kPa");
      auto area = boost::make_shared<AreaLoad>();
      area->SetValue(Number(line, w[i++], "area load"));
      area->SetDistribution(2);
      int type = 2;
      if (i < w.size() && (w[i] == "dead" || w[i] == "live")) type = w[i++] == "live" ? 5 : 2;
      area->SetLoadType(type);
      area->SetRegion(_2dPolyline(board.GetOutlinePoints(), true));
      loads.push_back(area);
    } else if (kind == "point") {
      if (i + 1 >= w.size()) Bad(line, "point: KN U,V");
      auto point = boost::make_shared<PointLoad>();
      const double v = Number(line, w[i], "point load");
      point->SetValue(v, OnBoard(board, Point2(line, w[i + 1])));
      point->SetDistribution(1);
      i += 2;
      loads.push_back(point);
    } else if (kind == "line") {
      if (i + 2 >= w.size()) Bad(line, "line: KN_PER_M U,V U,V");
      auto l = boost::make_shared<LineLoad>();
      const double q = Number(line, w[i], "line load");
      l->SetStartValue(q, OnBoard(board, Point2(line, w[i + 1])));
      l->SetEndValue(q, OnBoard(board, Point2(line, w[i + 2])));
      l->SetDistribution(1);
      i += 3;
      loads.push_back(l);
    } else {
      Bad(line, fmt::format("\"{}\": loads are area, point or line", kind));
    }
  }
  if (loads.empty()) Bad(line, "no load given");
  return loads;
}

// New messages of the model since `from`, joined.
std::string MessagesSince(std::size_t from) {
  const auto& messages = GetScriptedHost().GetMessages();
  std::string s;
  for (std::size_t i = from; i < messages.size(); ++i) s += (s.empty() ? "" : " ") + messages[i].text;
  return s;
}

}  // namespace

const char* EditCommandList() {
  return R"(Script commands, one per line ('#' starts a comment, a trailing '\' continues the line):

  build-tank-from-curves dxf FILE [layers=A,B]     walls from the face lines of a plan drawing
  build-tank-from-curves line X,Y X,Y | polyline [closed] X,Y[,BULGE] ... | arc CX,CY R START_DEG END_DEG
                                                   the same from curves given here (repeatable)
  add-walls HEIGHT THICKNESS X,Y X,Y [X,Y ...]     a run of walls (HEIGHT, THICKNESS: mm or auto)
  add-wall X,Y X,Y [THICKNESS [HEIGHT]]            one wall between two points
  add-hole PICK circle U,V R                       a round opening
  add-hole PICK rect U,V WIDTH HEIGHT              a rectangular opening, centred at U,V
  add-notch PICK CODE U,V U,V U,V [U,V ...]        a notch with its outline
  edit-board-holes PICK N [notch]                  edit the board's Nth opening (or notch)
  add-board-object PICK LOAD                       one load on a board
  add-board-objects PICK LOAD [LOAD ...]           several loads on a board
      LOAD: area KPA [dead|live] | point KN U,V | line KN_PER_M U,V U,V
  remove-board-object PICK load N | PICK opening N
  show-model-2d | show-model-2d-alias              redraw the model plan
  change-slab-levels LEVEL PICK [PICK ...]         slabs' upper faces to LEVEL (mm)
  change-slab-level PICK LEVEL                     one slab's upper face to LEVEL (mm)
  rebuild-slabs bottom|top                         the slabs of every cell afresh
  edit-object-pair PICK PICK
  split-board PICK U,V U,V                         cut a board in two along a line
  edit-component-units PICK
  join-walls PICK PICK                             two walls in line become one
  add-slab-at X,Y bottom|top                       a slab in the cell around the point
  edit-with-list PICK [PICK ...]
  remove-boards PICK [PICK ...]
  set-board-thickness UPPER LOWER PICK [PICK ...]  thickness above and below the board's plane (mm)
  set-board-eccentricity VALUE PICK [PICK ...]
  edit-boards-and-top-slabs LEVEL PICK [PICK ...]  walls' tops to LEVEL (mm), with their top slabs
  undo | redo | new-tank

Every command takes plan=bottom|top and labels=N (the plan the model view shows, its label mode).
PICK: a board by name ("wall 3", "bottom slab 1", "top slab 2", as the plan labels them), h:HANDLE
(an entity of the model plan by its DXF handle) or @X,Y (what the model plan shows at the point).
U,V: along a wall from its start and up from its base, or plan x and y on a slab (mm).
)";
}

std::vector<EditLine> ParseEditScript(const std::string& text, const std::string& source) {
  std::vector<EditLine> lines;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  EditLine current;
  bool continuing = false;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    // Comments: '#' outside quotes.
    bool quoted = false;
    std::string kept;
    for (char c : raw) {
      if (c == '"') quoted = !quoted;
      if (c == '#' && !quoted) break;
      kept += c;
    }
    if (quoted) throw ScriptError(fmt::format("{}:{}: unclosed quote", source, number));
    while (!kept.empty() && std::isspace(static_cast<unsigned char>(kept.back()))) kept.pop_back();
    const bool more = !kept.empty() && kept.back() == '\\';
    if (more) kept.pop_back();
    if (!continuing) {
      current = EditLine();
      current.number = number;
    }
    current.text += (current.text.empty() ? "" : " ") + kept;
    // Words: whitespace-separated, "quoted words" kept whole.
    std::string word;
    bool inQuote = false, has = false;
    for (char c : kept) {
      if (c == '"') {
        inQuote = !inQuote;
        has = true;
      } else if (!inQuote && std::isspace(static_cast<unsigned char>(c))) {
        if (has) current.words.push_back(word);
        word.clear();
        has = false;
      } else {
        word += c;
        has = true;
      }
    }
    if (has) current.words.push_back(word);
    continuing = more;
    if (!continuing && !current.words.empty()) lines.push_back(current);
  }
  if (continuing && !current.words.empty()) lines.push_back(current);
  return lines;
}

EditOutcome RunEditLine(TankDesigner& designer, const EditLine& line, const std::string& baseDir) {
  if (line.words.empty()) Bad(line, "empty command");
  // Options plan= and labels= anywhere after the command.
  TankModel2DView* plan = ModelPlan(designer);
  int pk = plan ? plan->m_planKind : 0, lm = plan ? plan->m_labelMode : 0;
  EditLine args = line;
  args.words.clear();
  for (std::size_t i = 0; i < line.words.size(); ++i) {
    const std::string& w = line.words[i];
    if (i > 0 && w.rfind("plan=", 0) == 0) {
      const std::string v = w.substr(5);
      if (v != "bottom" && v != "top") Bad(line, "plan= must be bottom or top");
      pk = v == "top" ? 1 : 0;
    } else if (i > 0 && w.rfind("labels=", 0) == 0) {
      lm = Integer(line, w.substr(7), "labels");
    } else {
      args.words.push_back(w);
    }
  }
  const std::string cmd = args.words.front();
  const std::vector<std::string>& w = args.words;
  auto need = [&](std::size_t n, const char* usage) {
    if (w.size() < n + 1) Bad(line, fmt::format("{}: {}", cmd, usage));
  };
  EditOutcome outcome;

  if (cmd == "undo" || cmd == "redo") {
    const bool can = cmd == "undo" ? designer.CanUndo() : designer.CanRedo();
    if (!can) {
      outcome.refused = true;
      outcome.message = fmt::format("nothing to {}", cmd);
      return outcome;
    }
    cmd == "undo" ? designer.Undo() : designer.Redo();
    designer.ShowModel2D(pk, lm);
    outcome.applied = true;
    outcome.message = fmt::format("{} done; now {}", cmd, BoardCounts(designer.GetTank(), true));
    return outcome;
  }

  const auto before = Snapshot(designer.GetTank());
  const std::string bytesBefore = TankBytes(designer.GetTank());
  const std::vector<std::string> problemsBefore = CheckTankModel(designer.GetTank());
  const std::size_t messagesBefore = GetScriptedHost().GetMessages().size();
  designer.SaveUndoState();
  bool reached = false;
  std::string reason;
  std::string extra;
  const GeometrySettings& g = designer.GetSettings().GetGeometrySettings();
  const double wallBase = g.GetBottomElevation() * 1000.0 - g.GetBottomSlabThickness() * 0.5;
  const double wallTop = designer.IsTopSlabPresent() || designer.GetSettings().GetModelSettings().HasTopSlab() == 1
                             ? g.GetTopElevation() * 1000.0 - g.GetTopSlabThickness() * 0.5
                             : g.GetTopElevation() * 1000.0;

  try {
    if (cmd == "new-tank") {
      designer.ClearModel();
      reached = true;
    } else if (cmd == "build-tank-from-curves") {
      need(1, "dxf FILE | line ... | polyline ... | arc ...");
      const EntityList curves = ReadCurves(designer, args, 1, baseDir);
      std::vector<WallLineRecord> unpaired;
      reached = designer.BuildTankFromCurves(curves, pk, lm, &unpaired);
      if (!reached) reason = "no wall was recognised in the face lines on the wall layers";
      if (!unpaired.empty()) {
        extra = fmt::format("; {} face lines formed no wall", unpaired.size());
        for (std::size_t k = 0; k < unpaired.size() && k < 3; ++k)
          extra += fmt::format("{} ({:.0f},{:.0f})-({:.0f},{:.0f})", k == 0 ? ": " : ", ", unpaired[k].startX,
                               unpaired[k].startY, unpaired[k].endX, unpaired[k].endY);
        if (unpaired.size() > 3) extra += ", ...";
      }
    } else if (cmd == "add-walls") {
      need(4, "HEIGHT THICKNESS X,Y X,Y [X,Y ...]");
      const double h = w[1] == "auto" ? wallTop - wallBase : Number(line, w[1], "height");
      const double t = w[2] == "auto" ? g.GetWallThickness() : Number(line, w[2], "thickness");
      if (!(h > 0) || !(t > 0)) Bad(line, "height and thickness must be positive");
      std::vector<Segment2d> run;
      for (std::size_t i = 3; i + 1 < w.size(); ++i) run.push_back({Point2(line, w[i]), Point2(line, w[i + 1])});
      reached = designer.AddWalls(run, std::vector<double>(run.size(), h), std::vector<double>(run.size(), t), pk, lm);
      if (!reached) reason = "the walls were refused (too short)";
    } else if (cmd == "add-wall") {
      need(2, "X,Y X,Y [THICKNESS [HEIGHT]]");
      WallLineRecord r;
      const _2dPoint a = Point2(line, w[1]), b = Point2(line, w[2]);
      r.startX = a.x;
      r.startY = a.y;
      r.endX = b.x;
      r.endY = b.y;
      r.thickness = w.size() > 3 ? Number(line, w[3], "thickness") : g.GetWallThickness();
      r.height = w.size() > 4 ? Number(line, w[4], "height") : wallTop - wallBase;
      if (!(r.thickness > 0) || !(r.height > 0)) Bad(line, "thickness and height must be positive");
      reached = designer.AddWall(r, pk, lm);
      if (!reached) reason = "the wall was refused (too short)";
    } else if (cmd == "add-hole") {
      need(4, "PICK circle U,V R | PICK rect U,V WIDTH HEIGHT");
      const BoardPtr board = PickBoard(designer, line, w[1]);
      const _2dPoint c = Point2(line, w[3]);
      ObjectPtr shape;
      if (w[2] == "circle") {
        const double r = Number(line, w[4], "radius");
        shape = boost::make_shared<_3dCircle>(OnBoard(*board, c), r, board->GetNormal());
      } else if (w[2] == "rect") {
        need(5, "PICK rect U,V WIDTH HEIGHT");
        const double wd = Number(line, w[4], "width"), ht = Number(line, w[5], "height");
        std::vector<_3dPoint> corners;
        for (const auto& [du, dv] : {std::pair{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}})
          corners.push_back(OnBoard(*board, {c.x + du * wd, c.y + dv * ht}));
        shape = boost::make_shared<_2dPolyline>(corners, true);
      } else {
        Bad(line, "add-hole: the shape is circle or rect");
      }
      reached = designer.AddHole(shape, board, pk, lm, &reason);
    } else if (cmd == "add-notch") {
      need(5, "PICK CODE U,V U,V U,V [U,V ...]");
      const BoardPtr board = PickBoard(designer, line, w[1]);
      const int code = Integer(line, w[2], "code");
        std::vector<_3dPoint> outline;
      for (std::size_t i = 3; i < w.size(); ++i) outline.push_back(OnBoard(*board, Point2(line, w[i])));
      // A notch is held to an opening's checks before it is cut.
      if (const std::string why = NotchProblem(*board, outline); !why.empty()) {
        designer.DropLastUndoState();
        outcome.refused = true;
        outcome.message = "refused: " + why;
        return outcome;
      }
      reached = designer.AddNotch(boost::make_shared<_2dPolyline>(outline, true), code, {board}, pk, lm);
      if (!reached) reason = "the notch was refused";
      } else if (cmd == "edit-board-holes") {
      need(2, "PICK N [notch]");
      const BoardPtr board = PickBoard(designer, line, w[1]);
      const int index = Integer(line, w[2], "opening number") - 1;
      const int kind = w.size() > 3 && w[3] == "notch" ? 4 : 0;
      int count = 0;
      for (const HolePtr& hole : board->GetHoles())
        count += (kind == 4) == static_cast<bool>(boost::dynamic_pointer_cast<Notch>(hole));
      if (index < 0 || index >= count) {
        reason = fmt::format("the board has no {} {}", kind == 4 ? "notch" : "opening", index + 1);
      } else {
        reached = designer.EditBoardHoles({index}, &kind, {board}, pk, lm);
      }
    } else if (cmd == "add-board-object" || cmd == "add-board-objects") {
      need(2, "PICK LOAD [LOAD ...]");
      const BoardPtr board = PickBoard(designer, line, w[1]);
      const std::vector<ObjectPtr> loads = ReadLoads(args, *board, 2);
      if (cmd == "add-board-object" && loads.size() != 1) Bad(line, "add-board-object takes one load");
      reached = loads.size() == 1 ? designer.AddBoardObject(loads.front(), board, pk, lm)
                                  : designer.AddBoardObjects(loads, board, pk, lm);
    } else if (cmd == "remove-board-object") {
      need(3, "PICK load N | PICK opening N");
      const BoardPtr board = PickBoard(designer, line, w[1]);
      const int n = Integer(line, w[3], "number") - 1;
      ObjectPtr object;
      if (w[2] == "load" && n >= 0 && n < static_cast<int>(board->GetLoads().size())) object = board->GetLoads()[n];
      if (w[2] == "opening" && n >= 0 && n < static_cast<int>(board->GetHoles().size())) object = board->GetHoles()[n];
      if (w[2] != "load" && w[2] != "opening") Bad(line, "remove-board-object: load N or opening N");
      if (!object)
        reason = fmt::format("the board has no {} {}", w[2], n + 1);
      else
        reached = designer.RemoveBoardObject(object, board, pk, lm);
    } else if (cmd == "show-model-2d" || cmd == "show-model-2d-alias") {
      reached = cmd == "show-model-2d" ? designer.ShowModel2D(pk, lm) : designer.ShowModel2DAlias(pk, lm);
    } else if (cmd == "change-slab-levels" || cmd == "edit-boards-and-top-slabs") {
      need(2, "LEVEL PICK [PICK ...]");
      const int level = Integer(line, w[1], "level");
      EntityHandleList picks;
      for (std::size_t i = 2; i < w.size(); ++i) picks.push_back(Pick(designer, line, w[i]));
      if (cmd == "change-slab-levels") {
        reached = designer.ChangeSlabLevels(picks, level, pk, lm);
        if (!reached) reason = "no slab could be moved";
      } else {
        reached = designer.EditBoardsAndTopSlabs(picks, level, pk, lm);
        if (!reached) reason = "no board height changed (a level on a board's top changes nothing)";
      }
    } else if (cmd == "change-slab-level") {
      need(2, "PICK LEVEL");
      const BoardPtr slab = PickBoard(designer, line, w[1]);
      const double level = Number(line, w[2], "level");
      std::vector<_3dPoint> outline;
      slab->GetOutline(outline);
      if (outline.size() < 3) {
        reason = "the slab has no outline";
      } else {
        const double up = slab->GetNormal().z >= 0 ? slab->GetUpperOffset() : slab->GetLowerOffset();
        _3dPoint origin = slab->GetOrigin();
        origin.z = level - up;
        const _3dVector x(outline[1].x - outline[0].x, outline[1].y - outline[0].y, 0);
        const _3dVector y(-x.y, x.x, 0);
        std::vector<_2dPoint> local;
        for (_3dPoint p : outline) {
          p.z = origin.z;
          local.push_back(g_VekGeometryComm.WorldToLocal2d(origin, x, y, p));
        }
        reached = designer.ChangeSlabLevel(slab, origin, x, y, local, pk, lm);
      }
    } else if (cmd == "rebuild-slabs") {
      need(1, "bottom|top");
      if (w[1] != "bottom" && w[1] != "top") Bad(line, "rebuild-slabs: bottom or top");
      reached = designer.RebuildSlabs(w[1] == "top" ? 1 : 0, lm);
    } else if (cmd == "edit-object-pair" || cmd == "join-walls") {
      need(2, "PICK PICK");
      const EntityHandle a = Pick(designer, line, w[1]), b = Pick(designer, line, w[2]);
      if (cmd == "join-walls") {
        reached = designer.JoinWalls(a, b, pk, lm, &reason);
      } else {
        reached = designer.EditObjectPair(a, b, pk, lm);
        if (!reached) reason = "the picks give no two different objects";
      }
    } else if (cmd == "split-board") {
      need(3, "PICK U,V U,V");
      const EntityHandle h = Pick(designer, line, w[1]);
      BoardPtr board;
      if (!designer.GetBoardOfEntity(h, &board)) Bad(line, w[1] + " is no board");
      const _3dLine cut(OnBoard(*board, Point2(line, w[2])), OnBoard(*board, Point2(line, w[3])));
      reached = designer.SplitBoard(h, cut, pk, lm);
      if (!reached) reason = "the line does not cut the board in two";
    } else if (cmd == "edit-component-units") {
      need(1, "PICK");
      reached = designer.EditComponentUnits(Pick(designer, line, w[1]), pk, lm);
      if (!reached) reason = "the pick is no structural unit";
    } else if (cmd == "add-slab-at") {
      need(2, "X,Y bottom|top");
      if (w[2] != "bottom" && w[2] != "top") Bad(line, "add-slab-at: bottom or top");
      reached = designer.AddSlabAt(Point2(line, w[1]), w[2] == "top" ? 1 : 0, lm);
      if (!reached) reason = "no closed loop of walls around the point";
    } else if (cmd == "edit-with-list" || cmd == "remove-boards") {
      need(1, "PICK [PICK ...]");
      EntityHandleList picks;
      std::vector<ObjectPtr> objects;
      for (std::size_t i = 1; i < w.size(); ++i) {
        picks.push_back(Pick(designer, line, w[i]));
        std::vector<BoardPtr> boards;
        designer.GetBoardsOfEntity(picks.back(), boards);
        objects.insert(objects.end(), boards.begin(), boards.end());
      }
      reached = cmd == "remove-boards" ? designer.RemoveBoards(picks, pk, lm) : designer.EditWithList(objects, pk, lm);
      if (!reached) reason = "no board picked";
    } else if (cmd == "set-board-thickness") {
      need(3, "UPPER LOWER PICK [PICK ...]");
      const int upper = Integer(line, w[1], "upper"), lower = Integer(line, w[2], "lower");
      EntityHandleList picks;
      for (std::size_t i = 3; i < w.size(); ++i) picks.push_back(Pick(designer, line, w[i]));
      reached = designer.SetBoardThickness(picks, upper, lower, pk, lm);
      if (!reached)
        reason = upper + lower <= 0 ? fmt::format("a thickness of {} mm is refused", upper + lower) : "no board picked";
    } else if (cmd == "set-board-eccentricity") {
      need(2, "VALUE PICK [PICK ...]");
      const int value = Integer(line, w[1], "value");
      EntityHandleList picks;
      for (std::size_t i = 2; i < w.size(); ++i) picks.push_back(Pick(designer, line, w[i]));
      reached = designer.SetBoardEccentricity(picks, value, pk, lm);
      if (!reached) reason = "no board picked";
    } else {
      Bad(line, fmt::format("unknown command \"{}\"", cmd));
    }
  } catch (const ScriptError&) {
    designer.DropLastUndoState();
    throw;
  } catch (const std::exception& e) {
    // The command rolled the tank back; nothing of it stays.
    designer.DropLastUndoState();
    outcome.refused = true;
    outcome.message = fmt::format("failed: {}", e.what());
    return outcome;
  }
  const bool changed = TankBytes(designer.GetTank()) != bytesBefore;
  if (!changed) designer.DropLastUndoState();
  const std::string messages = MessagesSince(messagesBefore);
  // What the edit left must open again: a tank the design reader refuses
  // (a board 10 m thick, a level 100 km down, a load off its board, an
  // outline crossing itself) is taken back whole, with the reader's reason.
  if (changed) {
    std::vector<std::string> problems;
    for (const std::string& p : CheckTankModel(designer.GetTank()))
      if (std::find(problemsBefore.begin(), problemsBefore.end(), p) == problemsBefore.end()) problems.push_back(p);
    if (!problems.empty()) {
      // Back to the state saved before the command, no redo keeping the
      // refused one.
      designer.Undo();
      designer.SaveUndoState();
      designer.DropLastUndoState();
      designer.ShowModel2D(pk, lm);
      outcome.refused = true;
      const std::size_t shown = std::min<std::size_t>(problems.size(), 2);
      outcome.message = "refused: " + Join({problems.begin(), problems.begin() + static_cast<std::ptrdiff_t>(shown)});
      if (problems.size() > shown) outcome.message += fmt::format(" and {} more", problems.size() - shown);
      outcome.message += " (nothing changed)";
      return outcome;
    }
  }
  if (!reached && !designer.GetLastEditNote().empty()) reason = designer.GetLastEditNote();
  if (!reached) {
    outcome.refused = true;
    outcome.message = "refused: " + (messages.empty() ? (reason.empty() ? std::string("nothing to do") : reason)
                                                      : messages);
    if (changed) outcome.message += " (" + Describe(before, designer.GetTank()) + ")";
    outcome.applied = changed;
    return outcome;
  }
  outcome.applied = changed;
  outcome.message = Describe(before, designer.GetTank()) + extra;
  if (!messages.empty()) outcome.message += "; refused in part: " + messages;
  return outcome;
}

}  // namespace tank::app
