// Face zones of single boards: one zone per board face and direction with
// the selected bars laid across the board's outline.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <vector>

// Straight bars of one bar line from `start` to `end` (board-local points on
// the board's outline) on the bar layer of the face (the face's offset from the
// reference plane less its cover), cut out of the openings it crosses.  A bar
// end at a free board edge or at an opening stops one cover inside; an end at
// an edge other boards meet (of `tank`) stays on that edge.
std::vector<ReinPtr> LayoutStraightBarRow(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board,
                                          const _2dPoint& start, const _2dPoint& end, bool upper);

// The zone of one face and direction of one board, added to the board's zone
// list of that face when at least one bar line was laid; nothing for a layer
// without bars (diameter or spacing not above 0).  The zone keeps the layer's
// diameter, spacing and grade, its cover, face, direction and layer flag (wall:
// X 0, Y 1; slab: Y 0, X 1 when its area per metre is at least the Y bars').
void LayoutBoardFaceZone(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board, bool upper,
                         bool x);
// The four zones of a board: upper X, upper Y, lower X, lower Y.
void LayoutSingleBoardZones(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board);
