// Writes the converged plate moments of tests/plate_reference_m1.h: a wall
// b × H, fixed at its base and both sides, free at its top, under
// hydrostatic pressure γ·(H − y) (γ·H at the base), as a Kirchhoff plate.
// The side moment is taken at mid-height: its largest value lies next to
// the corner of the fixed side and the free top, where the plate's moment
// grows with every refinement (b/H = 3: −0.0949, −0.0966, −0.0979 q·H² on
// 16, 32, 64 elements over the height) and has no converged value.
//
// Independent of the shell element it checks: the conforming bicubic plate
// of the per-board method (platform/tobrin/plate.h) on three meshes n, 2n,
// 4n elements over the height; the observed order p = log2(|e1| / |e2|)
// from the three values, and the finest value extrapolated (Richardson):
// M∞ = M4 + (M4 − M2) / (2^p − 1).  The order is clamped to 1..4 so that a
// series that has converged to round-off does not blow up.
//
// Build and run by hand (from the build folder):
//   c++ -std=c++20 -O2 -I.. -I/usr/include/eigen3 ../tests/tools/plate_reference_m1.cpp \
//       -L. -ltank_platform -Wl,-rpath,. -o plate_reference_m1 && ./plate_reference_m1
#include "platform/tobrin/plate.h"

#include <cmath>
#include <cstdio>

using namespace tobrin;

namespace {

struct Figures {
  double base = 0, side = 0, spanX = 0, spanY = 0;
};

Figures Solve(double ratio, int divisions) {
  const double h = 4000.0, b = ratio * h, gamma = 10.0;
  PlateInput in = PlateInput::Rectangle(
      b, h, {EdgeRestraint::Fixed, EdgeRestraint::Fixed, EdgeRestraint::Free, EdgeRestraint::Fixed}, 100.0, 30000.0,
      0.2, divisions);
  PlateLoadCase water;
  water.areas.push_back(PlateAreaLoad::AlongY(0, gamma * h / 1000.0, h, 0));
  const PlateResult r = SolvePlate(in, water);
  if (!r.Ok()) {
    std::fprintf(stderr, "b/H %g: %s\n", ratio, r.Reason().c_str());
    return {};
  }
  const double unit = gamma * h / 1000.0 * (h / 1000.0) * (h / 1000.0);  // q·H², kN·m/m
  PlateEdgeMoment base, side;
  r.EdgeMoment(0, base);
  r.EdgeMoment(1, side);
  const PlateExtremes span = r.Extremes(false);
  return {base.min / unit, side.mid / unit, span.maxMx / unit, span.maxMy / unit};
}

double Extrapolate(double m1, double m2, double m4) {
  const double e1 = m2 - m1, e2 = m4 - m2;
  if (std::fabs(e2) < 1e-12 || std::fabs(e1) < 1e-12) return m4;
  double p = std::log2(std::fabs(e1 / e2));
  p = std::fmin(4.0, std::fmax(1.0, p));
  return m4 + e2 / (std::pow(2.0, p) - 1.0);
}

}  // namespace

int main() {
  std::printf("// b/H, base, side, span Mx, span My (coefficients of q·H²)\n");
  for (int ratio = 1; ratio <= 8; ++ratio) {
    const int n = 16;
    const Figures f1 = Solve(ratio, n), f2 = Solve(ratio, 2 * n), f4 = Solve(ratio, 4 * n);
    std::printf("    {%d, %.5f, %.5f, %.5f, %.5f},  // finest %.5f %.5f %.5f %.5f\n", ratio,
                Extrapolate(f1.base, f2.base, f4.base), Extrapolate(f1.side, f2.side, f4.side),
                Extrapolate(f1.spanX, f2.spanX, f4.spanX), Extrapolate(f1.spanY, f2.spanY, f4.spanY), f4.base,
                f4.side, f4.spanX, f4.spanY);
    std::fflush(stdout);
  }
  return 0;
}
