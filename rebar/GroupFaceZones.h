// Face zones of board groups: boards of one kind whose X bars run parallel,
// that lie in one plane and meet one another are laid out as one group, so
// that one zone per layer spans the whole group and its bars run through the
// joints between the boards.  A board alone is laid out by itself (see
// rebar/FaceZones.h).
//
// The group is laid out in the local frame of its first board (the reference
// board).  Its outline is the union of the boards' outlines: every board edge,
// carried into the reference frame, less the parts another board of the group
// lies against (so boards that share only part of an edge still give a closed
// outline; boards set round an empty space leave it out, cutting the bars
// there as an opening does).  Per layer the group takes the strongest bar set its boards carry
// for that layer (area per metre times the grade's strength); a board whose X
// bars run across the reference X bars gives its X set to the Y layers, and a
// board turned over gives its upper sets to the lower layers.  The bars of a
// face lie on the innermost of the boards' bar layers of that face, so they
// stay inside the concrete of every board they cross.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <string>
#include <vector>

class ReinTrendAdapter;

using BoardGroup = std::vector<BoardPtr>;

// Slabs grouped by bar direction and contact: a slab joins the first group
// whose key direction its X bars run along (either way) and whose plane it
// lies in; each such group is then split into chains of slabs that meet
// (Tank::GetIntersectionLine), in the order the chains were started.
void GroupSlabBoards(const Tank& tank, const std::vector<BoardPtr>& boards, std::vector<BoardGroup>& groups);
// Walls grouped by plane and contact: a wall joins the first group whose
// normal has the same direction and whose plane holds the wall's origin; the
// chain split is that of the slabs.
void GroupWallBoards(const Tank& tank, const std::vector<BoardPtr>& walls, std::vector<BoardGroup>& groups);

// The zones of a group: a group of one board is laid out by itself, a larger
// one as a group (LayoutFaceZones).
void LayoutGroupZones(const Tank& tank, const BoardGroup& group, const ReinDesignOptions& options,
                      const ReinTrendAdapter* adapter = nullptr);
// The four zones of a group of boards, in the order upper X, upper Y, lower X,
// lower Y, each standing in the zone list of its face of every board of the
// group (one shared zone object).  A layer whose strongest set has no bars
// (diameter or spacing not above 0) gets no zone; nor does a layer whose bar
// lines all miss the outline.  A zone keeps the layer's diameter, grade and
// full spacing, the cover of the reference board's face down to the group's
// bar layer, its face (0 upper, 1 lower), direction (0 X, 1 Y), category 2
// and the layer flag of a single board (wall: X 0, Y 1; slab: Y 0, X 1 when
// its area per metre is at least the Y layer's).  Under the wall bar
// extension rule the bar lines of a layer lie at half the spacing and every
// other line, starting with the first, carries a bar of the extension length
// from the end at a bottom slab (else from the far end).  The end of a bar
// line at the group outline takes the treatment a single board's bar gets at
// the edge of the board it ends on (overhang, abutment, neighbour records or
// free-edge pull-back, in that order); an end on no edge of the outline, or
// at an edge only boards of the group meet, is free.  An end at an opening
// stops one cover inside the concrete.
void LayoutFaceZones(const Tank& tank, const BoardGroup& group, const ReinDesignOptions& options,
                     const ReinTrendAdapter* adapter = nullptr);
// The bars of one layer of a group of two or more boards (face and direction
// of the first board), as LayoutFaceZones lays that layer with the given
// set: what a zone of the group gets when its bars are laid again.
std::vector<ReinPtr> LayGroupFaceBars(const Tank& tank, const BoardGroup& group, const ReinDesignOptions& options,
                                      bool upper, bool x, int diameter, int spacing, const std::string& grade,
                                      const ReinTrendAdapter* adapter = nullptr);
