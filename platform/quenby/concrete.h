// The concrete of a tank as it is cast, for the 3D model and for the weights
// of the analysis: every cubic metre once.
//
// The structural model keeps its boards on the wall axes and the slabs'
// mid-planes; the concrete closes the tank's outer corners and its solids
// meet face to face:
// - a slab's edges on the tank's outside reach the outer faces of their
//   walls (on an edge with an overhang the overhang's concrete takes that
//   strip);
// - a wall stands on the bottom slab's upper face and ends under the top
//   slab's lower face;
// - at an outer corner (two walls that both end there) the wall first in the
//   model is carried to the other's outer face and the other ends at its
//   inner face;
// - where a wall line runs through (a T), the wall that stops there ends at
//   the face of the through wall; at a cross the line first in the model
//   runs through.
// The bottom-slab overhang is the outline of the whole plan moved out to
// the overhang's edge (each outer slab edge by its wall's outer face and its
// overhang) less the slabs' own concrete: at a re-entrant corner the strips
// of the two edges share their corner once.  Each overhanging edge owns the
// part of that region along it (carried over the corner squares of convex
// corners, as it is cast); what is left at odd corners goes to the slab it
// touches.
#pragma once

#include "platform/quenby/tank.h"

#include <unordered_map>
#include <vector>

// A plan region: an outer ring and the rings of its holes, each open (the
// first point not repeated), in world plan coordinates (mm).
struct PlanRegion {
  std::vector<_2dPoint> outer;
  std::vector<std::vector<_2dPoint>> holes;
};

// The concrete of one overhanging slab edge: plan regions on the slab's
// level, the slab's thickness deep.
struct OverhangConcrete {
  int edge = -1;  // the slab edge that owns it (-1: an odd corner piece)
  std::vector<PlanRegion> regions;
};

struct BoardConcrete {
  BoardPtr board;
  // Per edge of the board: how far its concrete reaches outside the edge
  // line in the board's plane, mm (negative: it stops short of the line).
  std::vector<double> grow;
  // The outline with that reach, board-local.
  std::vector<_2dPoint> outline;
  // The board's face area less its openings, m², and its volume, m³.
  double faceArea = 0.0;
  double volume = 0.0;
  // A slab's overhang concrete and its volume, m³.
  std::vector<OverhangConcrete> overhang;
  double overhangVolume = 0.0;
};

struct TankConcrete {
  std::vector<BoardConcrete> boards;  // Tank::GetBoards order
  // Plan areas of the bottom slabs, m²: to the overhang's edge (the base)
  // and to the walls' outer faces.
  double baseArea = 0.0;
  double outerFaceArea = 0.0;
  // The entry of a board (nullptr for a board not in the list).
  const BoardConcrete* Find(const Board* board) const;
  // Index of each board in `boards`.
  std::unordered_map<const Board*, std::size_t> index;
};

// The reach of every edge of the board's own solid (see above).
std::vector<double> ConcreteEdgeGrow(const BoardPtr& board, Tank& tank);

// The polygon with every edge i (from point i to point i + 1) moved outwards
// by grow[i] (0 keeps it): each corner is where the neighbouring moved edges
// meet, or the corner moved with its edges when they run in line.
std::vector<_2dPoint> GrowPolygonEdges(const std::vector<_2dPoint>& pts, const std::vector<double>& grow);

// The concrete of every board of the tank.
TankConcrete BuildTankConcrete(Tank& tank);
