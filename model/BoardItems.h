// Carrying what is attached to a board over to the board that replaces it
// (a joined or extended wall, a slab moved to another level): openings,
// notches, loads, host items, grades and face offsets.
#pragma once

#include "platform/Quenby.h"

#include <functional>
#include <string>

namespace model_items {

// Maps a world point of the old board to the same material point of the new
// one.
using PointMap = std::function<_3dPoint(const _3dPoint&)>;

// The map through the two boards' frames: local coordinates (with the
// offset along the normal) stay.
PointMap ThroughFrames(const Board& from, const Board& to);

// True when every circular and rectangular opening of `from`, carried over
// by `map`, lies inside `to`'s outline; otherwise false and `reason` says
// which opening does not fit.
bool OpeningsFit(const Board& from, const Board& to, const PointMap& map, std::string* reason);

// Moves the openings, notches, loads and items of `from` onto `to` at their
// mapped positions (the objects themselves move), and copies the concrete
// grade and the face grades.  `from` keeps none of them.
void CarryItems(Board& from, Board& to, const PointMap& map);

// Copies the face offsets (the eccentricity and thickness), turned over when
// the two boards' normals point to opposite sides.
void CarryFaces(const Board& from, Board& to);

}  // namespace model_items
