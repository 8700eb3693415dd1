// One-way strips against the beam formulas of the handbooks: end moments,
// span maxima with their positions, reactions, and the moment line itself.
// Loads act along the board normal, so a strip sags with positive span
// moments (upper face in tension) and hogs at fixed ends.
#include "platform/tobrin/strip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using tobrin::EdgeRestraint;
using tobrin::SolveStatus;
using tobrin::SolveStrip;
using tobrin::StripInput;
using tobrin::StripLoadPoint;
using tobrin::StripSolution;

namespace {

constexpr EdgeRestraint kFixed = EdgeRestraint::Fixed;
constexpr EdgeRestraint kSimple = EdgeRestraint::Simple;
constexpr EdgeRestraint kFree = EdgeRestraint::Free;

constexpr double kL = 4000.0;  // mm
constexpr double kLm = 4.0;    // m
constexpr double kQ = 10.0;    // kPa
const double kQL2 = kQ * kLm * kLm;

// Load intensity of a piecewise-linear load at s (mm), the right-hand value
// at a jump.
double LoadAt(const std::vector<StripLoadPoint>& load, double s) {
  double q = 0.0;
  for (size_t i = 0; i + 1 < load.size(); ++i) {
    if (s >= load[i].s && s < load[i + 1].s) {
      const double t = (s - load[i].s) / (load[i + 1].s - load[i].s);
      q = load[i].q + t * (load[i + 1].q - load[i].q);
    }
  }
  return q;
}

struct BeamCase {
  std::string name;
  EdgeRestraint a, b;
  std::vector<StripLoadPoint> load;
  double endA, endB;  // kN·m/m
  double max, maxAt;  // largest moment and its position (mm from A)
  double min, minAt;
};

std::vector<BeamCase> BeamCases() {
  const double q = kQ, L = kL, ql2 = kQL2;
  const double r3 = std::sqrt(3.0), r5 = std::sqrt(5.0), r03 = std::sqrt(0.3);
  // Water reaching half way up a cantilever wall: q·(L/2)²/6 at the base.
  const std::vector<StripLoadPoint> halfFull = {{L / 2, 0}, {L, q}};
  const double mHalf = -q * (kLm / 2) * (kLm / 2) / 6;
  return {
      // Wall strip, free top (A) and fixed base (B), water from the top.
      {"cantilever triangular", kFree, kFixed, StripInput::Linear(L, 0, q), 0, -ql2 / 6, 0, 0,
       -ql2 / 6, L},
      {"cantilever triangular, fixed at A", kFixed, kFree, StripInput::Linear(L, q, 0), -ql2 / 6, 0,
       0, L, -ql2 / 6, 0},
      {"cantilever uniform", kFixed, kFree, StripInput::Uniform(L, q), -ql2 / 2, 0, 0, L, -ql2 / 2,
       0},
      // Simply supported top, fixed base: q0·H²/15 at the base, 0.0298 q0·H²
      // at H/√5 = 0.447 H from the top.
      {"propped triangular", kSimple, kFixed, StripInput::Linear(L, 0, q), 0, -ql2 / 15,
       ql2 / (15 * r5), L / r5, -ql2 / 15, L},
      {"propped uniform", kFixed, kSimple, StripInput::Uniform(L, q), -ql2 / 8, 0, 9 * ql2 / 128,
       5 * L / 8, -ql2 / 8, 0},
      {"fixed-fixed uniform", kFixed, kFixed, StripInput::Uniform(L, q), -ql2 / 12, -ql2 / 12,
       ql2 / 24, L / 2, -ql2 / 12, 0},
      {"fixed-fixed uniform, load against the normal", kFixed, kFixed, StripInput::Uniform(L, -q),
       ql2 / 12, ql2 / 12, ql2 / 12, 0, -ql2 / 24, L / 2},
      {"fixed-fixed triangular", kFixed, kFixed, StripInput::Linear(L, 0, q), -ql2 / 30, -ql2 / 20,
       ql2 * (0.1 * r03 - 1.0 / 30), r03 * L, -ql2 / 20, L},
      {"fixed-fixed trapezoidal", kFixed, kFixed, StripInput::Linear(L, q, 2 * q),
       -ql2 * (3 + 4) / 60, -ql2 * (2 + 6) / 60, std::nan(""), 0, -ql2 * 8 / 60, L},
      {"simply supported triangular", kSimple, kSimple, StripInput::Linear(L, 0, q), 0, 0,
       ql2 / (9 * r3), L / r3, 0, 0},
      {"simply supported uniform", kSimple, kSimple, StripInput::Uniform(L, q), 0, 0, ql2 / 8,
       L / 2, 0, 0},
      {"cantilever, water to half height", kFree, kFixed, halfFull, 0, mHalf, 0, 0, mHalf, L},
  };
}

TEST(Strip, MatchesBeamFormulas) {
  for (const BeamCase& c : BeamCases()) {
    SCOPED_TRACE(c.name);
    const StripSolution s = SolveStrip({kL, c.a, c.b, c.load});
    ASSERT_TRUE(s.Ok()) << s.Reason();
    const double tol = 1e-9 * kQL2;
    EXPECT_NEAR(s.EndMomentA(), c.endA, tol);
    EXPECT_NEAR(s.EndMomentB(), c.endB, tol);
    if (!std::isnan(c.max)) {
      EXPECT_NEAR(s.MaxMoment(), c.max, tol);
      EXPECT_NEAR(s.MaxPosition(), c.maxAt, 1e-6 * kL);
    }
    EXPECT_NEAR(s.MinMoment(), c.min, tol);
    EXPECT_NEAR(s.MinPosition(), c.minAt, 1e-6 * kL);
  }
}

// The moment line between the tabulated points: M'' = -q everywhere, the
// shear is dM/ds, and the support forces balance the load.
TEST(Strip, MomentLineSatisfiesEquilibrium) {
  for (const BeamCase& c : BeamCases()) {
    SCOPED_TRACE(c.name);
    const StripSolution s = SolveStrip({kL, c.a, c.b, c.load});
    ASSERT_TRUE(s.Ok()) << s.Reason();
    const double h = 10.0, hm = h / 1000.0;  // mm, m
    for (double at = 100.0; at < kL - 100.0; at += 370.0) {
      const double m0 = s.MomentAt(at - h), m1 = s.MomentAt(at), m2 = s.MomentAt(at + h);
      EXPECT_NEAR((m2 - 2 * m1 + m0) / (hm * hm), -LoadAt(c.load, at), 1e-4 * kQ) << at;
      EXPECT_NEAR((m2 - m0) / (2 * hm), s.ShearAt(at), 1e-4 * kQ * kLm) << at;
    }
    EXPECT_NEAR(s.ReactionA() + s.ReactionB() + s.TotalLoad(), 0.0, 1e-9 * kQ * kLm);
    if (c.a == kFree) {
      EXPECT_EQ(s.ReactionA(), 0.0);
    }
    if (c.b == kFree) {
      EXPECT_NEAR(s.ReactionB(), 0.0, 1e-12);
    }
  }
  // The fixture of the load tables: a 4 m wall with 4 m of water (40 kPa at
  // the base), free top: 106.67 kN·m/m; with a simply supported top 42.67
  // at the base and q0·H²/(15√5) = 19.08 in the span.
  const StripSolution free = SolveStrip({4000, kFree, kFixed, StripInput::Linear(4000, 0, 40)});
  EXPECT_NEAR(free.EndMomentB(), -106.67, 0.005);
  EXPECT_NEAR(free.ReactionB(), -80.0, 1e-9);
  const StripSolution propped =
      SolveStrip({4000, kSimple, kFixed, StripInput::Linear(4000, 0, 40)});
  EXPECT_NEAR(propped.EndMomentB(), -42.67, 0.005);
  EXPECT_NEAR(propped.MaxMoment(), 19.08, 0.005);
  EXPECT_NEAR(propped.ReactionA(), -16.0, 1e-9);  // q0·H/10
}

TEST(Strip, ReportsMechanismsAndBadInput) {
  struct Bad {
    std::string name;
    StripInput in;
    SolveStatus status;
  };
  const std::vector<Bad> cases = {
      {"free-free", {kL, kFree, kFree, StripInput::Uniform(kL, kQ)}, SolveStatus::Singular},
      {"free-simple", {kL, kFree, kSimple, StripInput::Uniform(kL, kQ)}, SolveStatus::Singular},
      {"simple-free", {kL, kSimple, kFree, {}}, SolveStatus::Singular},
      {"no length", {0.0, kFixed, kFixed, {}}, SolveStatus::InvalidInput},
      {"load beyond the end",
       {kL, kFixed, kFixed, {{0, 1}, {kL + 1, 1}}},
       SolveStatus::InvalidInput},
      {"load points out of order",
       {kL, kFixed, kFixed, {{1000, 1}, {500, 1}}},
       SolveStatus::InvalidInput},
      {"unknown restraint",
       {kL, static_cast<EdgeRestraint>(3), kFixed, {}},
       SolveStatus::InvalidInput},
      {"not a number",
       {kL, kFixed, kFixed, {{0, std::nan("")}, {kL, 1}}},
       SolveStatus::InvalidInput},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    const StripSolution s = SolveStrip(c.in);
    EXPECT_EQ(s.Status(), c.status);
    EXPECT_FALSE(s.Reason().empty());
    EXPECT_EQ(s.MomentAt(kL / 2), 0.0);
    EXPECT_EQ(s.MaxMoment(), 0.0);
    EXPECT_EQ(s.ReactionA(), 0.0);
  }
  // An unloaded strip is fine and flat.
  const StripSolution none = SolveStrip({kL, kFixed, kSimple, {}});
  ASSERT_TRUE(none.Ok());
  EXPECT_EQ(none.MaxMoment(), 0.0);
  EXPECT_EQ(none.MinMoment(), 0.0);
}

}  // namespace
