// Result labels of boards and of board edges (the support sections along
// them): one set of texts per result flag, each registered under the kind bit
// equal to its flag (16 number, 32 thickness, 64 elevation, 128 moments,
// 256 load cases, 512 required areas, 1024 provided areas, 2048 crack widths).
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "platform/Quenby.h"

#include <boost/shared_ptr.hpp>

#include <utility>
#include <vector>

// The middle zone of a face for the support along the edge: of the face's two
// zones, the first when its bars run within 45° of the edge, else the second.
// Raises std::logic_error "middleReinZones.size() != 2" unless there are two
// zones, "!bReinDispOrientationGot" when the first has no display
// orientation and "!bXY_ZhengJiao" when that orientation leaves the board's
// plane.
ReinZone* PickMiddleReinZone(const _3dVector& xAxis, const _3dVector& yAxis, std::vector<ReinZonePtr> zones,
                             const BoardEdge& edge);

// The six result texts of one board edge, with kinds 0x80 (moments), 0x100
// (load cases), 0x200 (required areas), 0x400 (provided areas: support bars
// plus the face's middle zone), 0x800 twice (the two crack widths, the one
// above the limit in colour 1).  Pairs start with the upper face when
// upperFirst, else with the lower face.  When a face's middle zone cannot be
// picked the last three texts are empty.  Both outputs are cleared first.
void MakeEdgeResultTexts(std::vector<ReinZonePtr> upperZones, std::vector<ReinZonePtr> lowerZones,
                         const _3dVector& xAxis, const _3dVector& yAxis, const BoardEdge& edge, bool upperFirst,
                         double crackWidthLimit, EntityList& entities, std::vector<int>& kinds);

// The first two crack-width texts (kind 0x800) of a list: the value text and
// the bracketed one, in that order whichever stands first in the list.
std::pair<boost::shared_ptr<_Text>, boost::shared_ptr<_Text>> GetCrackWidthTexts(const EntityList& entities,
                                                                                 const std::vector<int>& kinds);

// The result labels of a board for every flag, with their kinds: for each
// flag the x-direction text ending at the anchor along the angle and the
// y-direction text across it (crack widths split into value and bracketed
// part), and the elevation mark at the anchor.  Texts are read upright: a
// rotation pointing left (between π/2 and 3π/2) turns half a turn.  Both
// outputs are cleared first.
void MakeBoardResultLabels(Board& board, bool upperFirst, double angle, const _2dPoint& anchor, double height,
                           double widthFactor, int textStyle, double crackWidthLimit, AcadViewBoard* viewBoard,
                           EntityList& entities, std::vector<int>& kinds);
