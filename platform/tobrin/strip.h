// One-way strips: a beam of unit width (1 m) across the short span of a board
// that carries its load in one direction, with the restraint of the two
// board edges it runs between.
//
// Coordinates: s runs from end A (s = 0) to end B (s = length), in mm.
// Loads: a piecewise-linear intensity along +normal in kPa (kN/m² on a 1 m
// wide strip, i.e. kN/m), given by points (s, q) in increasing s; the load
// varies linearly between neighbouring points and is zero outside the first
// and last point.  Two points at the same s make a jump.  Uniform,
// triangular (hydrostatic) and trapezoidal loads are one segment; earth
// pressure with a groundwater level is a broken line of several segments.
// Moments: kN·m per metre, positive when the upper face (positive side of
// the normal) is in tension -- the rule of common.h, shared with the plate
// solver, so a strip loaded along +normal sags with positive span moments
// and negative moments at fixed ends.
//
// Every pair of end restraints is solved in closed form:
//   fixed–fixed, fixed–simple, simple–fixed, simple–simple: the end moments
//     from the fixed-end moments of the load (integrals of the load against
//     the beam's influence functions, exact for linear segments), released
//     by the carry-over factor 1/2 at a simply supported end;
//   fixed–free, free–fixed: cantilevers, statically determinate;
//   free–free, free–simple, simple–free: mechanisms, reported Singular.
// Within each load segment the moment is a cubic in s; its extremes are
// found from the zeros of the shear.
#pragma once

#include "platform/tobrin/common.h"

#include <string>
#include <vector>

namespace tobrin {

struct StripLoadPoint {
  double s = 0.0;  // mm from end A
  double q = 0.0;  // kPa along +normal
};

struct StripInput {
  double length = 0.0;  // mm
  EdgeRestraint endA = EdgeRestraint::Fixed;
  EdgeRestraint endB = EdgeRestraint::Fixed;
  std::vector<StripLoadPoint> load;

  // The same intensity q over the whole length.
  static std::vector<StripLoadPoint> Uniform(double length, double q);
  // Linear from qA at end A to qB at end B: triangular when one is zero
  // (hydrostatic), trapezoidal otherwise.
  static std::vector<StripLoadPoint> Linear(double length, double qA, double qB);
};

class StripSolution {
 public:
  SolveStatus Status() const { return m_status; }
  bool Ok() const { return m_status == SolveStatus::Ok; }
  const std::string& Reason() const { return m_reason; }

  double Length() const { return m_length; }
  // Moment and shear at s (mm); s is clamped to the strip.  The shear is
  // dM/ds in kN per metre width (s in metres).
  double MomentAt(double s) const;
  double ShearAt(double s) const;

  double EndMomentA() const { return MomentAt(0.0); }
  double EndMomentB() const { return MomentAt(m_length); }
  // Largest and smallest moment over the whole strip (ends included), with
  // their positions in mm from end A.  The span moment of a strip loaded
  // along +normal is MaxMoment; the support moment at a fixed end is the
  // end moment (and MinMoment when it governs).  A strip without load gives
  // 0 at position 0.
  double MaxMoment() const { return m_max; }
  double MaxPosition() const { return m_maxAt; }
  double MinMoment() const { return m_min; }
  double MinPosition() const { return m_minAt; }
  // Support forces on the strip along +normal (kN per metre width); with
  // the total load they sum to zero.  A free end carries none.
  double ReactionA() const { return m_reactionA; }
  double ReactionB() const { return m_reactionB; }
  double TotalLoad() const { return m_totalLoad; }

 private:
  friend StripSolution SolveStrip(const StripInput& input);

  // One segment of the moment line: M(s0 + u) = c0 + c1 u + c2 u² + c3 u³,
  // u in metres.
  struct Piece {
    double s0 = 0.0, s1 = 0.0;  // metres
    double c0 = 0.0, c1 = 0.0, c2 = 0.0, c3 = 0.0;
  };
  const Piece* PieceAt(double sMetres) const;

  SolveStatus m_status = SolveStatus::InvalidInput;
  std::string m_reason;
  double m_length = 0.0;  // mm
  std::vector<Piece> m_pieces;
  double m_max = 0.0, m_maxAt = 0.0, m_min = 0.0, m_minAt = 0.0;
  double m_reactionA = 0.0, m_reactionB = 0.0, m_totalLoad = 0.0;
};

StripSolution SolveStrip(const StripInput& input);

}  // namespace tobrin
