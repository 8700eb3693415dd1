// Result labels of boards and board edges: the texts the slab and wall
// plans place along each board edge and at each board's centre.
#pragma once

#include "view/TankView.h"

#include <utility>
#include <vector>

// The six result texts of one board edge (kinds 0x80, 0x100, 0x200, 0x400,
// 0x800, 0x800), not yet placed.
void MakeEdgeResultTexts(std::vector<ReinZonePtr> upperZones, std::vector<ReinZonePtr> lowerZones,
                         const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                         const BoardEdge& edge, bool upperFirst, double crackWidthLimit, EntityList& entities,
                         std::vector<int>& kinds);
// The two crack-width texts among an edge's texts: the first value's text and
// the bracketed one (null pointers when absent).
std::pair<boost::shared_ptr<_Text>, boost::shared_ptr<_Text>> GetCrackWidthTexts(const EntityList& entities,
                                                                                  const std::vector<int>& kinds);
// The result labels of one board at the anchor, one per display flag 16 to
// 2048, with their kinds.
void MakeBoardResultLabels(const Board& board, bool upperFirst, double angle, const _2dPoint& anchor, double height,
                           double widthFactor, int textStyle, double crackWidthLimit, AcadViewBoard* board2,
                           EntityList& entities, std::vector<int>& kinds);
