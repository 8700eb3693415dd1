// Face zones of the boards, laid unit by unit or over board groups.
#include "platform/Zarvel.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"

#include <typeinfo>

void ReinDesigner::LayoutBoardZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter,
                                    ProgressFn fn) const {
  // Progress inside the step: 20 + 20/U per structural unit (unit by unit) or
  // 20 + 20/G per board group (merged), integer part reported.
  const bool merged = options.m_pSettings && options.m_pSettings->GetReinSettings().IsUnitMergeOn();
  if (!merged) {
    const auto units = tank.GetUnits();
    double at = 20.0;
    for (std::size_t i = 0; i < units.size(); ++i) {
      for (const StructureComponentPtr& c : units[i]->GetComponents())
        if (c && typeid(*c) == typeid(Board)) {
          LayoutSingleBoardZones(tank, options, boost::static_pointer_cast<Board>(c), &adapter);
          UnifyWallFaces(tank, options);
        }
      at += 20.0 / static_cast<double>(units.size());
      int z = 0;
      if (fn) fn(static_cast<int>(at), &z);
    }
  } else {
    // Groups: the top slabs, the bottom slabs and the walls of each plane.
    int groups = 0;
    if (!tank.GetTopSlabs().empty()) ++groups;
    if (!tank.GetBottomSlabs().empty()) ++groups;
    std::vector<std::pair<_3dVector, double>> planes;
    for (const BoardPtr& wall : tank.GetWalls()) {
      const _3dVector n = wall->GetNormal();
      const double d = n.x * wall->GetOrigin().x + n.y * wall->GetOrigin().y + n.z * wall->GetOrigin().z;
      bool found = false;
      for (const auto& [pn, pd] : planes) {
        const double dot = pn.x * n.x + pn.y * n.y + pn.z * n.z;
        if (std::abs(std::abs(dot) - 1.0) < 1e-6 && std::abs(pd - (dot > 0 ? d : -d)) < 1.0) found = true;
      }
      if (!found) planes.emplace_back(n, d);
    }
    groups += static_cast<int>(planes.size());
    for (const BoardPtr& board : DesignBoards(tank)) LayoutSingleBoardZones(tank, options, board, &adapter);
    double at = 20.0;
    for (int i = 0; i < groups; ++i) {
      at += 20.0 / groups;
      int z = 0;
      if (fn) fn(static_cast<int>(at), &z);
    }
  }
  TagFaceZones(tank);
}
