// Shared vocabulary of the analysis layer's numerical solvers (one-way strips
// and plate bending): edge restraints, the outcome of a solve, and the sign
// rule both solvers follow.
//
// Sign rule (the same for strips and plates):
//   - Every board has a normal; its positive side is the "upper" face.
//   - A load q is the load intensity along the positive normal (kPa for
//     pressures, kN/m for line loads, kN for point loads).  A pressure p that
//     acts on the upper face pushes towards the lower face and therefore
//     enters as q = -p; a pressure acting on the lower face enters as q = +p.
//   - Deflections are along the positive normal (mm).
//   - A bending moment (kN·m per metre) is positive when it puts the upper
//     face in tension.  A board loaded along +normal therefore shows positive
//     moments in its span and negative moments at its fixed edges; a slab
//     whose normal points up, loaded by gravity (q < 0), shows negative span
//     moments (bottom in tension) and positive support moments (top in
//     tension).
//
// The solvers live in namespace tobrin because the structural model already
// uses the plain names PointLoad, LineLoad and AreaLoad for board loads.
#pragma once

#include <string>

namespace tobrin {

// Restraint of one board edge (or one strip end).  The values are those of
// the model's edge restraint kinds: 0 fixed, 1 simply supported, 2 free.
enum class EdgeRestraint : int {
  Fixed = 0,   // no deflection, no rotation about the edge
  Simple = 1,  // no deflection, free rotation
  Free = 2,    // unrestrained
};

// Outcome of a solve.  Anything other than Ok comes with a reason and with
// all result values zero: a failed solve never hands out moments.
enum class SolveStatus : int {
  Ok = 0,
  InvalidInput = 1,  // geometry, material or loads that cannot describe a board
  Singular = 2,      // the supports do not hold the board (mechanism)
};

// Converts a model restraint kind (0, 1, 2) to the enum; any other value is
// not a restraint and gives false.
inline bool RestraintFromKind(int kind, EdgeRestraint& out) {
  if (kind < 0 || kind > 2) return false;
  out = static_cast<EdgeRestraint>(kind);
  return true;
}

}  // namespace tobrin
