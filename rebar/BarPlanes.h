// Points and outlines of a board on the bar planes of its faces.  The bar
// plane of a face lies parallel to the board at thickness / 2 − cover from
// the board's mid-plane on that face's side.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <boost/shared_ptr.hpp>

#include <vector>

// Where the line start-end of the board (board-local points; x and y used)
// crosses the curves (board-local kernel curves: lines, arcs, polylines,
// circles), with the line's own end points, each point once, sorted along the
// bar direction (the X bars, or the Y bars when *xBars is false) and carried
// to model space on the bar plane of the face (*upper).
std::vector<_3dPoint> GetBarCrossingPoints(const ReinDesignOptions& options, const BoardPtr& board,
                                           const _3dPoint& start, const _3dPoint& end, const bool* upper,
                                           const bool* xBars, const std::vector<boost::shared_ptr<Entity>>& curves);

// The board's outline (model space) with edge `edgeIndex` pushed out of the
// board by `extension` (both its corners moved against the edge's inward
// direction), on the bar planes of the lower and the upper face; appended to
// the two lists.  Extension 0 gives the outline itself on both bar planes.
void GetEdgeExtendedOutlines(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                             double extension, std::vector<_3dPoint>& lowerOutline,
                             std::vector<_3dPoint>& upperOutline);
