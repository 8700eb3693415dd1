// Face zones of the boards, laid unit by unit or over the board groups of the
// whole tank.  Either way the boards are grouped by kind: the top slabs and
// the bottom slabs by bar direction, plane and contact, the walls by plane and
// contact; a wall and a slab never share a zone.
#include "platform/Zarvel.h"
#include "rebar/GroupFaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"

#include <typeinfo>

namespace {

struct KindGroups {
  std::vector<BoardGroup> groups;
  std::vector<bool> walls;  // per group: a group of walls
};

// The groups of the boards, top slabs first, then bottom slabs, then walls.
KindGroups GroupByKind(const Tank& tank, const std::vector<BoardPtr>& boards) {
  std::vector<BoardPtr> tops, bottoms, walls;
  for (const BoardPtr& b : boards) {
    if (b->GetKind() == 0) walls.push_back(b);
    else if (b->GetKind() == 1) bottoms.push_back(b);
    else if (b->GetKind() == 2) tops.push_back(b);
  }
  KindGroups out;
  GroupSlabBoards(tank, tops, out.groups);
  GroupSlabBoards(tank, bottoms, out.groups);
  out.walls.assign(out.groups.size(), false);
  GroupWallBoards(tank, walls, out.groups);
  out.walls.resize(out.groups.size(), true);
  return out;
}

std::vector<BoardPtr> BoardsOfUnit(const UnitPtr& unit) {
  std::vector<BoardPtr> boards;
  if (!unit) return boards;
  for (const StructureComponentPtr& c : unit->GetComponents())
    if (c && typeid(*c) == typeid(Board)) boards.push_back(boost::static_pointer_cast<Board>(c));
  return boards;
}

}  // namespace

void ReinDesigner::LayoutBoardZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter,
                                    ProgressFn fn) const {
  // Progress inside the step: from 20, growing by 20/U after each structural
  // unit (unit by unit) or by 20/G after each board group (merged); the
  // integer part is reported.
  const bool merged = options.m_pSettings && options.m_pSettings->GetReinSettings().IsUnitMergeOn();
  const auto units = tank.GetUnits();
  double at = 20.0;
  int z = 0;
  if (merged) {
    std::vector<BoardPtr> boards;
    for (const UnitPtr& unit : units)
      for (const BoardPtr& b : BoardsOfUnit(unit)) boards.push_back(b);
    const KindGroups kinds = GroupByKind(tank, boards);
    const double step = 20.0 / static_cast<double>(kinds.groups.size());
    for (std::size_t i = 0; i < kinds.groups.size(); ++i) {
      LayoutGroupZones(tank, kinds.groups[i], options, &adapter);
      at += step;
      if (fn) fn(static_cast<int>(at), &z);
      if (kinds.walls[i]) UnifyWallFaces(tank, options);
    }
  } else {
    const double step = 20.0 / static_cast<double>(units.size());
    for (const UnitPtr& unit : units) {
      const KindGroups kinds = GroupByKind(tank, BoardsOfUnit(unit));
      for (const BoardGroup& group : kinds.groups) {
        LayoutGroupZones(tank, group, options, &adapter);
        UnifyWallFaces(tank, options);
      }
      at += step;
      if (fn) fn(static_cast<int>(at), &z);
    }
  }
  TagFaceZones(tank);
}
