// View board: extruded solids as the DXF writer and the preview draw them.
// Internal to platform/nirvox.
//
// A solid (_3dExtrudant) leaves the board as a polyface mesh: its profile,
// less the cutters that run through it along its own extrusion direction,
// as a bottom and a top cap (each split into trapezoids and triangles, whose
// inner edges are invisible) and one side face per side of every ring.  A
// circle profile or cutter is drawn as a polygon of kCircleSides sides.
// Cutters that cross the solid in another direction (not parallel to its
// normal) or that miss its thickness are not cut out.
#pragma once

#include "platform/Morlak.h"

#include <array>
#include <vector>

namespace nirvox {

constexpr int kCircleSides = 48;

struct MeshFace {
  // 0-based vertex indices; `count` of them are used (3 or 4).
  std::array<int, 4> vertices{{0, 0, 0, 0}};
  int count = 0;
  // Whether the edge from vertex k to vertex k + 1 (the last one back to
  // the first) is drawn.
  std::array<bool, 4> visible{{true, true, true, true}};
};

struct SolidMesh {
  std::vector<_3dPoint> vertices;
  std::vector<MeshFace> faces;
  bool IsEmpty() const { return faces.empty(); }
};

// The polyface mesh of a solid; empty for a solid without a profile of
// area or without height.
SolidMesh MeshSolid(const _3dExtrudant& solid);

// The visible edges of the solid's mesh, each once, as 3D segments: what the
// preview draws of a solid.
std::vector<std::array<_3dPoint, 2>> SolidEdges(const _3dExtrudant& solid);

// Whether the solid's profile, height and cutters are finite.
bool IsFiniteSolid(const _3dExtrudant& solid);

}  // namespace nirvox
