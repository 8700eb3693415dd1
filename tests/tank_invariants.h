// The invariants of a sound tank, checked after edits: every board's edges
// follow its outline, every joint's boards are in the tank, every unit's
// components are in the tank, and every opening lies inside its board.
#pragma once

#include "platform/Quenby.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>
#include <string>
#include <typeinfo>

namespace invariants {

// Empty when the tank is sound; otherwise what is wrong.
inline std::string CheckTank(const Tank& tank) {
  std::set<const VekObject*> components;
  for (const auto& c : tank.GetComponents()) components.insert(c.get());
  for (const BoardPtr& board : tank.GetBoards()) {
    const auto& edges = board->GetEdges();
    const std::string name = fmt::format("board {} (kind {})", board->GetNumber(), board->GetKind());
    if (edges.size() < 3) return name + ": fewer than three edges";
    // Each edge ends where the next begins: the edges run round the outline.
    for (std::size_t i = 0; i < edges.size(); ++i)
      if (!(edges[i].GetLine().GetEndPoint() == edges[(i + 1) % edges.size()].GetLine().GetStartPoint()))
        return fmt::format("{}: edge {} does not end where edge {} begins", name, i, (i + 1) % edges.size());
    std::vector<_2dPoint> outline;
    board->GetLocalOutline(outline);
    if (outline.size() != edges.size()) return name + ": outline and edges differ in count";
    if (!(board->GetThickness() > 0)) return name + ": no thickness";
    for (const HolePtr& hole : board->GetHoles()) {
      std::vector<_2dPoint> points;
      if (auto c = boost::dynamic_pointer_cast<CircleHole>(hole)) points.push_back(c->GetCenter());
      if (auto r = boost::dynamic_pointer_cast<RectangleHole>(hole)) points = r->GetCorners();
      for (const _2dPoint& p : points)
        if (g_VekGeometryComm.PointInPolygon2d(outline, p, 1.0) < 0)
          return fmt::format("{}: an opening lies outside the board at ({:.1f}, {:.1f})", name, p.x, p.y);
    }
  }
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  for (std::size_t i = 0; i < joints.size(); ++i)
    if (!components.count(firsts[i].get()) || !components.count(seconds[i].get()))
      return fmt::format("joint {} joins a board that is not in the tank", i);
  for (const UnitPtr& unit : tank.GetUnits())
    for (const auto& c : unit->GetComponents())
      if (!components.count(c.get())) return fmt::format("unit {} holds a component not in the tank", unit->GetNumber());
  for (const TankCellPtr& cell : tank.GetCells())
    for (const UnitPtr& unit : cell->GetUnits())
      for (const auto& c : unit->GetComponents())
        if (!components.count(c.get())) return "a cell's unit holds a component not in the tank";
  return {};
}

}  // namespace invariants
