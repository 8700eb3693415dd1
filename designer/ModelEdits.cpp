// The model-editing commands of the designer: each turns what the host
// picked into arguments of one model-editor operation, applies it to the
// design's tank and shows the result in a newly made 2D model view.
//
// An edit that fails half-way (an exception from the model or the kernel)
// leaves nothing behind: the tank is put back as it was and the model view
// redrawn as it stood.
#include "designer/TankDesigner.h"
#include "model/BoardItems.h"
#include "modelview/PlanSketchDrawer.h"
#include "modelview/TankModel2DView.h"
#include "platform/Dusmet.h"

#include <boost/make_shared.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <typeinfo>

namespace {

// How an edit ended.
enum class EditEnd {
  kStop,     // stopped before changing anything: no redraw
  kDone,     // applied: redraw
  kRefused,  // reached its end without a change (the model refused): redraw
  kFailed,   // failed after a change: roll back
};

bool IsExactBoard(const ObjectPtr& object) { return object && typeid(*object) == typeid(Board); }

template <class T>
void AppendOnce(std::vector<T>& list, const T& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

double SlabLevel(const GeometrySettings& g, bool top) {
  return top ? g.GetTopElevation() * 1000.0 - g.GetTopSlabThickness() * 0.5
             : g.GetBottomElevation() * 1000.0 - g.GetBottomSlabThickness() * 0.5;
}

double WallBase(const GeometrySettings& g) { return SlabLevel(g, false); }

// Numbers each kind of board 1, 2, ... in the order of the numbers they
// carry (boards made by an edit carry numbers above the others'), the
// tank's order breaking ties.
void NumberBoardsInOrder(Tank& tank) {
  for (std::vector<BoardPtr> boards : {tank.GetWalls(), tank.GetBottomSlabs(), tank.GetTopSlabs()}) {
    std::stable_sort(boards.begin(), boards.end(),
                     [](const BoardPtr& a, const BoardPtr& b) { return a->GetNumber() < b->GetNumber(); });
    for (std::size_t i = 0; i < boards.size(); ++i) boards[i]->SetNumber(static_cast<int>(i) + 1);
  }
}

// Empty when every opening of every board lies inside its board; otherwise
// which one does not.
std::string OpeningOutside(const Tank& tank) {
  for (const BoardPtr& board : tank.GetBoards()) {
    std::string why;
    if (!model_items::OpeningsFit(*board, *board, [](const _3dPoint& p) { return p; }, &why))
      return why + " (board " + std::to_string(board->GetNumber()) + ")";
  }
  return {};
}

}  // namespace

void TankDesigner::RedrawModel2D(int planKind, int labelMode, bool zoom) {
  TankModel2DView* view = RecreateModel2DView();
  view->m_planKind = planKind;
  view->m_labelMode = labelMode;
  if (zoom) view->m_zoomOnRedraw = true;
  view->Redraw(GetTank());
}

template <class Edit>
bool TankDesigner::RunEdit(Edit edit, int planKind, int labelMode, bool zoom) {
  Tank& tank = GetTank();
  Tank saved(tank);
  m_lastEditNote.clear();
  auto rollBack = [&] {
    tank.Swap(saved);
    // The model view drew objects of the abandoned tank: draw it again as it
    // stood, from the restored one.
    for (const TankViewPtr& v : m_views)
      if (auto* plan = dynamic_cast<TankModel2DView*>(v.get())) {
        RedrawModel2D(plan->m_planKind, plan->m_labelMode);
        break;
      }
  };
  EditEnd end = EditEnd::kStop;
  try {
    end = edit(tank);
  } catch (...) {
    rollBack();
    throw;
  }
  // A model edit outdates the reinforcement designed for the tank before it.
  if (end == EditEnd::kDone || end == EditEnd::kRefused) m_reinDesigned = false;
  // One numbering of the boards everywhere: the plan's labels, the messages
  // and the board names a user types ("wall 3") number each kind 1, 2, ...
  // An edit keeps the order of the boards it leaves (a board it rebuilt
  // keeps its place) and numbers the boards it made after them, so that
  // boards an edit removed close their gap.
  if (end == EditEnd::kDone || end == EditEnd::kRefused) NumberBoardsInOrder(tank);
  switch (end) {
    case EditEnd::kStop: return false;
    case EditEnd::kFailed: rollBack(); return false;
    case EditEnd::kDone: RedrawModel2D(planKind, labelMode, zoom); return true;
    case EditEnd::kRefused: RedrawModel2D(planKind, labelMode, zoom); return false;
  }
  return false;
}

void TankDesigner::DropLastUndoState() { m_modeler.DropLastUndo(); }

bool TankDesigner::AddWalls(const std::vector<Segment2d>& run, const std::vector<double>& heights,
                            const std::vector<double>& thicknesses, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        const std::size_t n = run.size();
        if (n < 1) return EditEnd::kStop;
        const double base = WallBase(GetSettings().GetGeometrySettings());
        std::vector<Segment2d> lines;
        if (n == 1) {
          _2dPoint start = run[0].start, end = run[0].end;
          Segment2d line = run[0];
          if (m_modeler.SnapToExistingWalls(tank, start, end, 3)) line = {start, end};
          lines.push_back(line);
        } else {
          Segment2d first = run.front();
          _2dPoint s = first.start, e = first.end;
          if (m_modeler.SnapToExistingWalls(tank, s, e, 1)) first.start = s;
          s = first.start;
          e = run.front().end;
          if (m_modeler.SnapWallLineEnds(run, thicknesses, s, e, 1)) first.start = s;
          lines.push_back(first);
          for (std::size_t i = 1; i + 1 < n; ++i) lines.push_back(run[i]);
          Segment2d last = run.back();
          s = last.start;
          e = last.end;
          if (m_modeler.SnapToExistingWalls(tank, s, e, 2)) last.end = e;
          s = run.back().start;
          e = last.end;
          if (m_modeler.SnapWallLineEnds(run, thicknesses, s, e, 2)) last.end = e;
          lines.push_back(last);
        }
        return m_modeler.AddWallBoards(lines, heights, thicknesses, base, tank) > 0 ? EditEnd::kDone
                                                                                    : EditEnd::kRefused;
      },
      planKind, labelMode);
}

bool TankDesigner::AddWall(const WallLineRecord& line, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        // A wall needs a thickness and a height.
        if (!(line.thickness > 0) || !(line.height > 0)) return EditEnd::kStop;
        WallLineRecord r = line;
        _2dPoint start(r.startX, r.startY), end(r.endX, r.endY);
        if (m_modeler.SnapToExistingWalls(tank, start, end, 3)) {
          r.startX = start.x;
          r.startY = start.y;
          r.endX = end.x;
          r.endY = end.y;
        }
        const std::size_t before = tank.GetComponents().size();
        m_modeler.AddWall(r, WallBase(GetSettings().GetGeometrySettings()), tank);
        return tank.GetComponents().size() > before ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode);
}

bool TankDesigner::AddHole(const ObjectPtr& picked, const ObjectPtr& board, int planKind, int labelMode,
                           std::string* reason) {
  return RunEdit(
      [&](Tank& tank) {
        return m_modeler.AddHole(picked, board, tank, reason) ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode);
}

bool TankDesigner::AddNotch(const ObjectPtr& picked, int code, const std::vector<ObjectPtr>& boards, int planKind,
                            int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        std::size_t before = 0, after = 0;
        for (const ObjectPtr& b : boards)
          if (auto board = boost::dynamic_pointer_cast<Board>(b)) before += board->GetHoles().size();
        m_modeler.AddNotch(picked, code, boards, tank);
        for (const ObjectPtr& b : boards)
          if (auto board = boost::dynamic_pointer_cast<Board>(b)) after += board->GetHoles().size();
        return after > before ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode);
}

bool TankDesigner::EditBoardHoles(const std::vector<int>& indices, const int* kind,
                                  const std::vector<BoardPtr>& boards, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank&) {
        m_modeler.EditBoardHoles(indices, kind, boards);
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::AddBoardObject(const ObjectPtr& object, const BoardPtr& board, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank&) {
        m_modeler.AddBoardObject(object, board);
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::AddBoardObjects(const std::vector<ObjectPtr>& objects, const BoardPtr& board, int planKind,
                                   int labelMode) {
  return RunEdit(
      [&](Tank&) {
        for (const ObjectPtr& object : objects) m_modeler.AddBoardObject(object, board);
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::RemoveBoardObject(const ObjectPtr& object, const BoardPtr& board, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank&) {
        m_modeler.RemoveBoardObject(object, board);
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::ShowModel2D(int planKind, int labelMode) {
  RedrawModel2D(planKind, labelMode);
  return true;
}

bool TankDesigner::ChangeSlabLevels(EntityHandleList picked, int level, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        std::vector<BoardPtr> boards;
        for (const EntityHandle& handle : picked) {
          BoardPtr board;
          if (GetBoardOfEntity(handle, &board)) AppendOnce(boards, board);
        }
        // Every slab must have an outline to be moved: checked before any
        // slab moves.
        for (const BoardPtr& board : boards)
          if (board->GetOutlinePoints().size() < 3) return EditEnd::kStop;
        bool moved = false;
        for (const BoardPtr& board : boards) {
          std::vector<_3dPoint> outline;
          board->GetOutline(outline);
          // The upper face of the slab goes to the level: the mid-plane lies
          // the slab's own upper face offset below it (the face turned up in
          // the rebuilt slab).
          const double up = board->GetNormal().z >= 0 ? board->GetUpperOffset() : board->GetLowerOffset();
          const double z = level - up;
          _3dPoint origin = board->GetOrigin();
          origin.z = z;
          const _3dPoint& P0 = outline[0];
          const _3dPoint& P1 = outline[1];
          const _3dVector x(P1.x - P0.x, P1.y - P0.y, 0.0);
          const _3dVector y(P0.y - P1.y, P1.x - P0.x, 0.0);
          std::vector<_2dPoint> local;
          for (_3dPoint p : outline) {
            p.z = z;
            local.push_back(g_VekGeometryComm.WorldToLocal2d(origin, x, y, p));
          }
          SlabLevelEdit edit{board, origin, x, y, local,
                             static_cast<double>(GetSettings().GetGeometrySettings().GetWallThickness()), &tank};
          if (m_modeler.ModifySlabLevel(edit)) moved = true;
        }
        // Walls cut short by a moved slab must keep their openings.
        if (const std::string outside = OpeningOutside(tank); !outside.empty()) {
          m_lastEditNote = outside;
          return EditEnd::kFailed;
        }
        return moved ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode);
}

bool TankDesigner::ChangeSlabLevel(ObjectPtr slab, _3dPoint origin, _3dVector xAxis, _3dVector yAxis,
                                   std::vector<_2dPoint> localOutline, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        if (!IsExactBoard(slab)) return EditEnd::kStop;
        SlabLevelEdit edit{boost::static_pointer_cast<Board>(slab), origin, xAxis, yAxis, localOutline,
                           static_cast<double>(GetSettings().GetGeometrySettings().GetWallThickness()), &tank};
        if (!m_modeler.ModifySlabLevel(edit)) return EditEnd::kRefused;
        if (const std::string outside = OpeningOutside(tank); !outside.empty()) {
          m_lastEditNote = outside;
          return EditEnd::kFailed;
        }
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::RebuildSlabs(int slabKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        const GeometrySettings& g = GetSettings().GetGeometrySettings();
        const bool top = slabKind != 0;
        m_modeler.RebuildSlabsOfKind(SlabLevel(g, top), top ? g.GetTopSlabThickness() : g.GetBottomSlabThickness(),
                                     top, tank);
        return EditEnd::kDone;
      },
      slabKind, labelMode, true);
}

bool TankDesigner::EditObjectPair(const EntityHandle& a, const EntityHandle& b, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        ObjectPtr A, B;
        if (!GetObjectOfEntity(a, &A) || !GetObjectOfEntity(b, &B) || !A || !B || A == B) return EditEnd::kStop;
        m_modeler.EditObjectPair(A, B, tank);
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::SplitBoard(const EntityHandle& picked, _3dLine line, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        BoardPtr board;
        if (!GetBoardOfEntity(picked, &board)) return EditEnd::kStop;
        return m_modeler.SplitBoard(board, line, tank) ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode);
}

bool TankDesigner::EditComponentUnits(const EntityHandle& picked, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        ObjectPtr object;
        if (!GetObjectOfEntity(picked, &object) || !object ||
            typeid(*object) != typeid(StructureComponentUnits))
          return EditEnd::kStop;
        m_modeler.EditComponentUnits(boost::static_pointer_cast<StructureComponentUnits>(object), tank);
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::JoinWalls(const EntityHandle& a, const EntityHandle& b, int planKind, int labelMode,
                             std::string* reason) {
  return RunEdit(
      [&](Tank& tank) {
        std::vector<BoardPtr> A, B;
        GetBoardsOfEntity(a, A);
        if (A.size() != 1) {
          if (reason) *reason = A.empty() ? "the first pick is no wall" : "the first pick belongs to several boards";
          return EditEnd::kStop;
        }
        GetBoardsOfEntity(b, B);
        if (B.size() != 1) {
          if (reason) *reason = B.empty() ? "the second pick is no wall" : "the second pick belongs to several boards";
          return EditEnd::kStop;
        }
        return m_modeler.JoinWalls(A.front(), B.front(), tank, reason) ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode);
}

bool TankDesigner::AddSlabAt(_2dPoint point, int slabKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        const GeometrySettings& g = GetSettings().GetGeometrySettings();
        const bool top = slabKind != 0;
        // One slab of a kind to a cell: a second would count its weight,
        // soil and loads twice.
        const std::vector<BoardPtr> slabs = top ? tank.GetTopSlabs() : tank.GetBottomSlabs();
        for (std::size_t i = 0; i < slabs.size(); ++i) {
          std::vector<_2dPoint> plan;
          for (const _3dPoint& p : slabs[i]->GetOutlinePoints()) plan.emplace_back(p.x, p.y);
          if (plan.size() >= 3 && g_VekGeometryComm.PointInPolygon2d(plan, point) >= 0) {
            m_lastEditNote = fmt::format("{} slab {} already lies at ({:.0f}, {:.0f})", top ? "top" : "bottom", i + 1,
                                         point.x, point.y);
            return EditEnd::kStop;
          }
        }
        return m_modeler.AddSlabFromLines(point, tank, top, SlabLevel(g, top),
                                          top ? g.GetTopSlabThickness() : g.GetBottomSlabThickness())
                   ? EditEnd::kDone
                   : EditEnd::kStop;
      },
      slabKind, labelMode);
}

bool TankDesigner::EditWithList(std::vector<ObjectPtr> objects, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        m_modeler.EditBoardList(objects, tank);
        return EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::RemoveBoards(EntityHandleList picked, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        std::vector<BoardPtr> boards;
        for (const EntityHandle& handle : picked) {
          BoardPtr board;
          if (GetBoardOfEntity(handle, &board)) AppendOnce(boards, board);
        }
        for (const BoardPtr& board : boards) m_modeler.RemoveBoard(board, tank);
        return boards.empty() ? EditEnd::kRefused : EditEnd::kDone;
      },
      planKind, labelMode);
}

namespace {

std::vector<BoardPtr> AllBoardsOf(const TankDesigner& designer, const EntityHandleList& picked) {
  std::vector<BoardPtr> boards;
  for (const EntityHandle& handle : picked) {
    std::vector<BoardPtr> owners;
    designer.GetBoardsOfEntity(handle, owners);
    for (const BoardPtr& b : owners) AppendOnce(boards, b);
  }
  return boards;
}

}  // namespace

bool TankDesigner::SetBoardThickness(EntityHandleList picked, int upper, int lower, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank&) {
        // A board needs a thickness: upper + lower not above zero is refused.
        if (upper + lower <= 0) return EditEnd::kStop;
        const std::vector<BoardPtr> boards = AllBoardsOf(*this, picked);
        for (const BoardPtr& board : boards) {
          const double up = board->GetUpperOffset(), lo = board->GetLowerOffset();
          m_modeler.OffsetNotches(board, ((upper + lower) - (up + lo)) * 0.5, true);
          const double e = (up - lo) * 0.5;
          board->SetUpperOffset(upper + e);
          board->SetLowerOffset(lower - e);
        }
        return boards.empty() ? EditEnd::kRefused : EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::SetBoardEccentricity(EntityHandleList picked, int value, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank&) {
        const std::vector<BoardPtr> boards = AllBoardsOf(*this, picked);
        for (const BoardPtr& board : boards) {
          const double up = board->GetUpperOffset(), lo = board->GetLowerOffset();
          m_modeler.OffsetNotches(board, value - (up - lo) * 0.5, false);
          const double w = (up + lo) * 0.5;
          board->SetUpperOffset(w + value);
          board->SetLowerOffset(w - value);
        }
        return boards.empty() ? EditEnd::kRefused : EditEnd::kDone;
      },
      planKind, labelMode);
}

bool TankDesigner::BuildTankFromCurves(const EntityList& picked, int planKind, int labelMode,
                                       std::vector<WallLineRecord>* unpaired) {
  return RunEdit(
      [&](Tank& tank) {
        if (picked.empty()) return EditEnd::kStop;
        EntityList kept;
        FilterWallCurves(picked, &GetSettings().GetModelSettings(), kept);
        const std::size_t before = tank.GetComponents().size();
        m_modeler.BuildTankFromCurves(std::vector<ObjectPtr>(kept.begin(), kept.end()), GetSettings(), tank,
                                      unpaired);
        return tank.GetComponents().size() > before ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode, true);
}

bool TankDesigner::EditBoardsAndTopSlabs(EntityHandleList picked, int level, int planKind, int labelMode) {
  return RunEdit(
      [&](Tank& tank) {
        std::vector<std::vector<BoardPtr>> groups;
        for (const EntityHandle& handle : picked) {
          std::vector<BoardPtr> boards;
          GetBoardsOfEntity(handle, boards);
          AppendOnce(groups, boards);
        }
        bool changed = false;
        std::vector<BoardPtr> above;
        for (const std::vector<BoardPtr>& group : groups) {
          if (group.empty()) continue;
          std::vector<BoardPtr> adjoining;
          m_modeler.CollectAdjoiningTopSlabs(tank, std::vector<StructureComponentPtr>(group.begin(), group.end()),
                                             adjoining);
          // Each group is measured from the level the user gave.
          int groupLevel = level;
          BoardPtr result;
          if (m_modeler.SelectStackBoardAtLevel(group, result, groupLevel, tank, above) && result) {
            if (typeid(*result) != typeid(Board)) {
              m_lastEditNote = "a picked object is no board";
              return EditEnd::kFailed;
            }
            m_modeler.SetBoardHeight(result, groupLevel, tank);
            changed = true;
          }
          m_modeler.EditBoardPair(tank, adjoining);
        }
        if (!above.empty()) changed = true;
        m_modeler.EditBoardList(std::vector<ObjectPtr>(above.begin(), above.end()), tank);
        // A board made lower must keep its openings.
        if (const std::string outside = OpeningOutside(tank); !outside.empty()) {
          m_lastEditNote = outside;
          return EditEnd::kFailed;
        }
        return changed ? EditEnd::kDone : EditEnd::kRefused;
      },
      planKind, labelMode);
}

EntityList TankDesigner::MakePlanSketch(int planKind, int labelMode, int width, int height) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("plan sketch: the picture needs a positive size");
  EntityList result;
  const std::vector<BoardPtr> walls = GetTank().GetWalls();
  if (walls.empty()) return result;
  double minX = g_MaxValue, maxX = -g_MaxValue, minY = g_MaxValue, maxY = -g_MaxValue;
  for (const BoardPtr& wall : walls) {
    std::vector<_3dPoint> points;
    GetBoardOutline(wall, points);
    for (const _3dPoint& p : points) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
  }
  const double s = std::max((maxX - minX) / width, (maxY - minY) / height);
  PlanSketchDrawer drawer;
  drawer.m_bottomSlabOverhang = GetSettings().GetGeometrySettings().GetBottomSlabOverhang();
  const int textHeight = static_cast<int>(9 * s);
  drawer.m_textHeight = textHeight == 0 ? 200 : textHeight;
  // The label mode of the loads picks the load picture; every other mode the
  // plan picture with openings and names.
  ModelPlanGroups groups;
  drawer.Draw(groups, GetTank(), planKind, labelMode == LabelMode::kNamesWithLoads);
  for (const EntityList& group : groups) result.insert(result.end(), group.begin(), group.end());
  return result;
}

void TankDesigner::PublishModelOutlines() {
  std::vector<std::vector<unsigned char>> flags;
  std::vector<std::vector<_3dPoint>> outlines, frames;
  std::vector<std::vector<_3dLine>> lines;
  GetTank().GetOutlineLists(flags, outlines, frames, lines);
  g_GeomAlgorithm.SetTankOutlines(flags, outlines, frames);
}

bool TankDesigner::GroupBoardsOfEntities(const EntityHandleList& picked,
                                         std::vector<std::vector<BoardPtr>>& groups) const {
  bool several = false;
  for (const EntityHandle& handle : picked) {
    std::vector<BoardPtr> boards;
    GetBoardsOfEntity(handle, boards);
    if (boards.empty()) continue;
    if (boards.size() >= 2) several = true;
    AppendOnce(groups, boards);
  }
  return several;
}

void TankDesigner::GetBoardNumberGroups(const std::vector<std::vector<ObjectPtr>>& groups,
                                        std::vector<std::vector<int>>& out) {
  for (const auto& group : groups) {
    std::vector<int> numbers;
    for (const ObjectPtr& item : group)
      if (IsExactBoard(item)) numbers.push_back(static_cast<const Board&>(*item).GetNumber());
    out.push_back(numbers);
  }
}
