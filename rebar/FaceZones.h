// Face zones of single boards: one zone per board face and direction with
// the selected bars laid across the board's outline.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <utility>
#include <vector>

class ReinTrendAdapter;

// How far the boards meeting edge `edge` of `board` (other than `ignored`)
// reach into the board: the offset of a neighbour's face on this board's
// side, measured in this board's plane; 0 where nothing crosses the edge.
double EdgeReach(const Tank& tank, const BoardPtr& board, int edge, const std::vector<BoardPtr>& ignored);
// The closed outline with side i (from corner i to i+1) moved inwards by
// reaches[i]; the outline itself when nothing moves or the moved sides leave
// no clear part (or turn the outline inside out).
std::vector<_2dPoint> InsetOutline(const std::vector<_2dPoint>& outline, const std::vector<double>& reaches);
// The board's local outline with every side moved inwards by how far the
// boards meeting that edge reach into the board (their face offset on its
// side, measured in its plane): the clear part over which the bar lines of a
// face are spread.  The whole outline when nothing meets the board or the
// supports leave no clear part.
std::vector<_2dPoint> GetClearOutline(const Tank& tank, const BoardPtr& board);
// The bar line carried on along its direction, both ways, to the nearest
// crossings with the outline (board-local points).
_2dLine ExtendToOutline(const std::vector<_2dPoint>& outline, const _2dLine& line);

// Parameters along the carrier of a->b (a at 0, b at 1) where it crosses the
// sides of the closed outline.
std::vector<double> OutlineCrossings(const std::vector<_2dPoint>& outline, const _2dPoint& a, const _2dPoint& b);
// The same for a circle (none where the line misses or touches it).
std::vector<double> CircleCrossings(const _2dPoint& centre, double radius, const _2dPoint& a, const _2dPoint& b);
// The stretch [t0, t1] of the carrier of a→b (a at 0, b at 1) a bar leaves
// free at an opening so as to keep `cover` from it: the crossing with the
// opening widened by the cover along the line at both ends (a bar cut there
// stops one cover before the opening), joined with the stretch where the line
// passes the opening closer than the cover (a bar there is cut as if it
// crossed, or it would lie in the opening's cover).  The opening is a convex
// polygon (corners, closed implicitly; a repeated first corner is allowed) or
// a circle.  False when the line keeps the cover all along.
bool OpeningGap(const std::vector<_2dPoint>& corners, double cover, const _2dPoint& a, const _2dPoint& b, double& t0,
                double& t1);
bool CircleOpeningGap(const _2dPoint& centre, double radius, double cover, const _2dPoint& a, const _2dPoint& b,
                      double& t0, double& t1);
// The pieces of [0, 1] outside every gap, in order along the line; pieces not
// longer than `shortest` (in units of the parameter) are dropped.
std::vector<std::pair<double, double>> PiecesBetweenGaps(std::vector<std::pair<double, double>> gaps,
                                                         double shortest);

// The point lies inside the closed polygon or within half a millimetre of a
// side: a bar piece there lies in the face of an opening.
bool InsideOrAlong(const std::vector<_2dPoint>& polygon, const _2dPoint& p);

// The face bars of one face and direction of a board at a spacing: bar lines
// spread over the board's clear part (GetClearOutline), carried on to its
// outline and laid by the bar-row builders (LayoutBarRow and
// LayoutExtendedBarRow, rebar/JointZones.h: cut at the openings, each end
// treated at its edge).  The vertical bars of a wall whose top is not fixed,
// with the wall bar extension on (GetWallBarExtension), are laid on lines at
// half the spacing, every other line (the first, third, ...) a bar the
// extension long from the wall's foot (the end on a bottom slab; the whole
// line when it is not longer).  Diameter and grade are left to the caller.
// The bar ends take the neighbour relations of `adapter`; without one they
// are found from `tank` for the call.
std::vector<ReinPtr> LayFaceBars(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board, bool upper,
                                 bool x, int spacing, const ReinTrendAdapter* adapter = nullptr);
// The zone of one face and direction of one board, added to the board's zone
// list of that face when at least one bar was laid; nothing for a layer
// without bars (diameter or spacing not above 0).  The zone keeps the layer's
// diameter, spacing and grade, its cover, face, direction and layer flag (wall:
// X 0, Y 1; slab: Y 0, X 1 when its area per metre is at least the Y bars').
// The bar ends take the neighbour relations of `adapter` (the design run's);
// without one they are found from `tank` for the call.
void LayoutBoardFaceZone(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board, bool upper,
                         bool x, const ReinTrendAdapter* adapter = nullptr);
// The four zones of a board: upper X, upper Y, lower X, lower Y.
void LayoutSingleBoardZones(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board,
                            const ReinTrendAdapter* adapter = nullptr);
