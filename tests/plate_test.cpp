// Plate bending of one board against the classic tables (Timoshenko &
// Woinowsky-Krieger, ν = 0.3), the Navier series, beam limits and the
// statics every solution must satisfy.  Loads act along +normal, so the
// span sags with positive moments and fixed edges hog with negative ones,
// the tables' own sign rule.
#include "platform/tobrin/plate.h"
#include "platform/tobrin/strip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tobrin;

namespace {

constexpr EdgeRestraint kFixed = EdgeRestraint::Fixed;
constexpr EdgeRestraint kSimple = EdgeRestraint::Simple;
constexpr EdgeRestraint kFree = EdgeRestraint::Free;

// A 4 m board, 200 mm thick, C30 concrete, under 10 kPa.
constexpr double kA = 4000.0, kAm = 4.0, kH = 200.0, kE = 30000.0, kQ = 10.0;

double Rigidity(double nu) {
  return kE * 1e3 * std::pow(kH / 1000.0, 3) / (12.0 * (1.0 - nu * nu));
}

PlateLoadCase Uniform(double q) {
  PlateLoadCase lc;
  lc.areas.push_back(PlateAreaLoad::Uniform(q));
  return lc;
}

PlateResult SolveRect(double lx, double ly, std::array<EdgeRestraint, 4> r, const PlateLoadCase& lc,
                      int n = 16, double nu = 0.3) {
  return SolvePlate(PlateInput::Rectangle(lx, ly, r, kH, kE, nu, n), lc);
}

PlateMoments MomentsAt(const PlateResult& r, double x, double y) {
  PlateMoments m;
  EXPECT_TRUE(r.MomentsAt(x, y, m)) << x << "," << y;
  return m;
}

double DeflectionAt(const PlateResult& r, double x, double y) {
  double w = 0;
  EXPECT_TRUE(r.DeflectionAt(x, y, w)) << x << "," << y;
  return w;
}

// Navier series of the simply supported square under uniform load, centre
// deflection (× qa⁴/D) and moment (× qa²).
void NavierSquare(double nu, double& w, double& m) {
  w = m = 0.0;
  for (int i = 1; i < 1200; i += 2)
    for (int j = 1; j < 1200; j += 2) {
      const double sign = ((i / 2 + j / 2) % 2) ? -1.0 : 1.0;
      const double den = double(i) * j * std::pow(double(i) * i + double(j) * j, 2);
      w += sign / den;
      m += sign * (double(i) * i + nu * j * j) / den;
    }
  w *= 16.0 / std::pow(M_PI, 6);
  m *= 16.0 / std::pow(M_PI, 4);
}

// Timoshenko & Woinowsky-Krieger, Table 8 (simply supported) and Table 35
// (clamped), uniform load, ν = 0.3, a the span along x, b = ratio·a along y.
// Centre values within 1 %, edge values within 2 % on a 16-element mesh
// across the short span.
TEST(Plate, MatchesTimoshenkoTables) {
  enum What { kW, kMx, kMy, kEdge };
  struct Row {
    std::string name;
    EdgeRestraint r;
    double ratio;
    What what;
    int edge;     // for kEdge: 0 bottom (y = 0, My), 3 left (x = 0, Mx)
    double coef;  // × qa⁴/D or × qa²
  };
  const std::vector<Row> rows = {
      {"s.s. square w", kSimple, 1, kW, 0, 0.00406},
      {"s.s. square Mx", kSimple, 1, kMx, 0, 0.0479},
      {"s.s. square My", kSimple, 1, kMy, 0, 0.0479},
      {"s.s. b/a=2 w", kSimple, 2, kW, 0, 0.01013},
      {"s.s. b/a=2 Mx", kSimple, 2, kMx, 0, 0.1017},
      {"s.s. b/a=2 My", kSimple, 2, kMy, 0, 0.0464},
      {"clamped square w", kFixed, 1, kW, 0, 0.00126},
      {"clamped square M centre", kFixed, 1, kMx, 0, 0.0229},
      {"clamped square M mid-edge", kFixed, 1, kEdge, 3, -0.0513},
      {"clamped square M mid-edge y", kFixed, 1, kEdge, 0, -0.0513},
      {"clamped b/a=2 w", kFixed, 2, kW, 0, 0.00254},
      {"clamped b/a=2 Mx centre", kFixed, 2, kMx, 0, 0.0412},
      {"clamped b/a=2 My centre", kFixed, 2, kMy, 0, 0.0158},
      {"clamped b/a=2 Mx mid long edge", kFixed, 2, kEdge, 3, -0.0829},
      {"clamped b/a=2 My mid short edge", kFixed, 2, kEdge, 0, -0.0571},
  };
  const double nu = 0.3, D = Rigidity(nu);
  std::map<std::pair<EdgeRestraint, double>, PlateResult> solved;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const double b = row.ratio * kA;
    const auto key = std::make_pair(row.r, row.ratio);
    if (!solved.count(key))
      solved.emplace(key, SolveRect(kA, b, {row.r, row.r, row.r, row.r}, Uniform(kQ)));
    const PlateResult& r = solved.at(key);
    ASSERT_TRUE(r.Ok()) << r.Reason();
    double value = 0.0, tol = 0.01;
    switch (row.what) {
      case kW:
        value = DeflectionAt(r, kA / 2, b / 2) / 1000.0 * D / (kQ * std::pow(kAm, 4));
        break;
      case kMx:
        value = MomentsAt(r, kA / 2, b / 2).mx / (kQ * kAm * kAm);
        break;
      case kMy:
        value = MomentsAt(r, kA / 2, b / 2).my / (kQ * kAm * kAm);
        break;
      case kEdge: {
        PlateEdgeMoment e;
        ASSERT_TRUE(r.EdgeMoment(row.edge, e));
        value = e.mid / (kQ * kAm * kAm);
        EXPECT_EQ(e.governing, e.min);  // a fixed edge hogs
        tol = 0.02;
        break;
      }
    }
    EXPECT_NEAR(value / row.coef, 1.0, tol) << "value " << value;
  }
}

// Refining the mesh takes every error down, step by step, towards the
// Navier series (simply supported) and the high-precision values of the
// clamped square (w 0.00126532 qa⁴/D, centre 0.0229051 qa², mid-edge
// -0.0513338 qa²).
TEST(Plate, MeshRefinementConverges) {
  const double nu = 0.3, D = Rigidity(nu), ql2 = kQ * kAm * kAm, ql4 = kQ * std::pow(kAm, 4);
  double wRef, mRef;
  NavierSquare(nu, wRef, mRef);
  EXPECT_NEAR(wRef, 0.00406, 0.000005);
  EXPECT_NEAR(mRef, 0.0479, 0.00005);
  std::vector<std::vector<double>> errors(5);
  for (int n : {2, 4, 8, 16}) {
    const PlateResult s = SolveRect(kA, kA, {kSimple, kSimple, kSimple, kSimple}, Uniform(kQ), n);
    const PlateResult c = SolveRect(kA, kA, {kFixed, kFixed, kFixed, kFixed}, Uniform(kQ), n);
    ASSERT_TRUE(s.Ok() && c.Ok());
    PlateEdgeMoment e;
    ASSERT_TRUE(c.EdgeMoment(0, e));
    errors[0].push_back(std::abs(DeflectionAt(s, kA / 2, kA / 2) / 1000 * D / ql4 / wRef - 1));
    errors[1].push_back(std::abs(MomentsAt(s, kA / 2, kA / 2).mx / ql2 / mRef - 1));
    errors[2].push_back(
        std::abs(DeflectionAt(c, kA / 2, kA / 2) / 1000 * D / ql4 / 0.00126532 - 1));
    errors[3].push_back(std::abs(MomentsAt(c, kA / 2, kA / 2).my / ql2 / 0.0229051 - 1));
    errors[4].push_back(std::abs(e.mid / ql2 / -0.0513338 - 1));
  }
  for (size_t q = 0; q < errors.size(); ++q) {
    SCOPED_TRACE("quantity " + std::to_string(q));
    for (size_t k = 1; k < errors[q].size(); ++k) EXPECT_LT(errors[q][k], errors[q][k - 1]);
    EXPECT_LT(errors[q].back(), q == 4 ? 0.005 : 0.0005);
  }
}

// A load growing linearly from 0 to q across the span is a uniform load
// q/2 plus an antisymmetric part that vanishes at the centre: the centre
// values are exactly half those of the uniform load q, on the same mesh.
TEST(Plate, LinearLoadHalvesCentreValues) {
  for (EdgeRestraint r : {kSimple, kFixed}) {
    for (bool alongX : {true, false}) {
      SCOPED_TRACE(std::to_string(int(r)) + (alongX ? " along x" : " along y"));
      PlateLoadCase lin;
      lin.areas.push_back(alongX ? PlateAreaLoad::AlongX(0, 0, kA, kQ)
                                 : PlateAreaLoad::AlongY(kA, 0, 0, kQ));
      const PlateResult u = SolveRect(kA, kA, {r, r, r, r}, Uniform(kQ), 8);
      const PlateResult l = SolveRect(kA, kA, {r, r, r, r}, lin, 8);
      ASSERT_TRUE(u.Ok() && l.Ok());
      const PlateMoments mu = MomentsAt(u, kA / 2, kA / 2), ml = MomentsAt(l, kA / 2, kA / 2);
      EXPECT_NEAR(ml.mx, mu.mx / 2, 1e-9 * std::abs(mu.mx));
      EXPECT_NEAR(ml.my, mu.my / 2, 1e-9 * std::abs(mu.my));
      EXPECT_NEAR(DeflectionAt(l, kA / 2, kA / 2), DeflectionAt(u, kA / 2, kA / 2) / 2,
                  1e-9 * DeflectionAt(u, kA / 2, kA / 2));
      EXPECT_NEAR(l.TotalLoad(), kQ * kAm * kAm / 2, 1e-9);
    }
  }
}

// With ν = 0 and two free edges a plate bends like the strip between its
// supports; the plate and the strip must agree in value and in sign.
TEST(Plate, CylindricalBendingMatchesStrip) {
  const PlateResult ss =
      SolveRect(kA, 2000, {kFree, kSimple, kFree, kSimple}, Uniform(kQ), 16, 0.0);
  ASSERT_TRUE(ss.Ok()) << ss.Reason();
  const StripSolution strip = SolveStrip({kA, kSimple, kSimple, StripInput::Uniform(kA, kQ)});
  for (double x : {500.0, 1250.0, 2000.0, 3000.0}) {
    EXPECT_NEAR(MomentsAt(ss, x, 1000).mx, strip.MomentAt(x), 0.002 * strip.MaxMoment()) << x;
    EXPECT_NEAR(MomentsAt(ss, x, 1000).my, 0.0, 0.002 * strip.MaxMoment()) << x;
  }
  // A wall cantilevering from a fixed base, free on three sides, water to
  // the top: the base moment of the strip, hogging.
  PlateLoadCase water;
  water.areas.push_back(PlateAreaLoad::AlongY(0, 40, kA, 0));
  const PlateResult wall = SolveRect(2000, kA, {kFixed, kFree, kFree, kFree}, water, 16, 0.0);
  ASSERT_TRUE(wall.Ok()) << wall.Reason();
  const StripSolution cant = SolveStrip({kA, kFixed, kFree, StripInput::Linear(kA, 40, 0)});
  PlateEdgeMoment base;
  ASSERT_TRUE(wall.EdgeMoment(0, base));
  EXPECT_LT(base.mid, 0.0);
  EXPECT_NEAR(base.mid, cant.EndMomentA(), 0.01 * std::abs(cant.EndMomentA()));
  EXPECT_NEAR(MomentsAt(wall, 1000, 1000).my, cant.MomentAt(1000),
              0.01 * std::abs(cant.EndMomentA()));
  EXPECT_NEAR(wall.EdgeReaction(0), cant.ReactionA() * 2.0, 1e-6);  // 2 m wide
}

// A tank wall: base and both sides fixed, top free, water to the top.
// Checked by statics and symmetry, and in its two beam limits: a long wall
// carries the water as cantilevers from the base, a tall narrow wall as
// fixed-fixed strips between its sides.
TEST(Plate, TankWallWithFreeTop) {
  constexpr double q0 = 40.0, nu = 0.2;
  // Water to `level` (mm) on a 4 m wall: q0 at the base when full.
  auto hydro = [](double level) {
    PlateLoadCase lc;
    lc.areas.push_back(PlateAreaLoad::AlongY(0, q0 * level / 4000.0, level, 0));
    return lc;
  };
  {
    const double b = 6000, H = 4000;
    const PlateResult r = SolveRect(b, H, {kFixed, kFixed, kFree, kFixed}, hydro(H), 16, nu);
    ASSERT_TRUE(r.Ok()) << r.Reason();
    const double total = q0 * (b / 1000) * (H / 1000) / 2;
    EXPECT_NEAR(r.TotalLoad(), total, 1e-9 * total);
    EXPECT_NEAR(r.TotalReaction(), -total, 1e-6 * total);
    EXPECT_NEAR(r.EdgeReaction(1), r.EdgeReaction(3), 1e-6 * total);
    EXPECT_EQ(r.EdgeReaction(2), 0.0);
    for (double y : {0.0, 1000.0, 2500.0, 4000.0})
      for (double x : {0.0, 700.0, 2000.0}) {
        const PlateMoments a = MomentsAt(r, x, y), c = MomentsAt(r, b - x, y);
        EXPECT_NEAR(a.mx, c.mx, 1e-6 * total) << x << "," << y;
        EXPECT_NEAR(a.my, c.my, 1e-6 * total) << x << "," << y;
        EXPECT_NEAR(a.mxy, -c.mxy, 1e-6 * total) << x << "," << y;
      }
    PlateEdgeMoment base, side;
    ASSERT_TRUE(r.EdgeMoment(0, base));
    ASSERT_TRUE(r.EdgeMoment(3, side));
    EXPECT_LT(base.mid, 0.0);  // water pushes along +normal: base hogs
    EXPECT_LT(side.governing, 0.0);
    EXPECT_GT(r.Extremes(false).maxMx, 0.0);  // and the span sags
    // Less than the cantilever: the sides carry part of the load.
    EXPECT_GT(base.mid, -q0 * 16 / 6);
    // Water 2 m deep: only the lower half is loaded.
    const PlateResult half = SolveRect(b, H, {kFixed, kFixed, kFree, kFixed}, hydro(2000), 16, nu);
    ASSERT_TRUE(half.Ok());
    EXPECT_NEAR(half.TotalLoad(), q0 / 2 * 6 * 2 / 2, 1e-9);
  }
  {
    // Long wall (8:1): at mid-length the base moment is the cantilever's.
    const double b = 16000, H = 2000, q = q0 / 2;
    PlateLoadCase lc;
    lc.areas.push_back(PlateAreaLoad::AlongY(0, q, H, 0));
    const PlateResult r = SolveRect(b, H, {kFixed, kFixed, kFree, kFixed}, lc, 12, nu);
    ASSERT_TRUE(r.Ok());
    PlateEdgeMoment base;
    ASSERT_TRUE(r.EdgeMoment(0, base));
    EXPECT_NEAR(base.mid, -q * 4.0 / 6.0, 0.01 * q * 4.0 / 6.0);
  }
  {
    // Tall narrow wall (1:4): at mid-height the horizontal strip is
    // fixed-fixed under the local pressure.
    const double b = 2000, H = 8000;
    PlateLoadCase lc;
    lc.areas.push_back(PlateAreaLoad::AlongY(0, q0, H, 0));
    const PlateResult r = SolveRect(b, H, {kFixed, kFixed, kFree, kFixed}, lc, 12, nu);
    ASSERT_TRUE(r.Ok());
    const double q = q0 / 2, l2 = 4.0;
    EXPECT_NEAR(MomentsAt(r, b / 2, H / 2).mx, q * l2 / 24, 0.01 * q * l2 / 24);
    EXPECT_NEAR(MomentsAt(r, 0, H / 2).mx, -q * l2 / 12, 0.02 * q * l2 / 12);
  }
}

// Supports that do not hold the board are reported, with a reason and no
// values; supports that do hold it, however few, are solved.
TEST(Plate, ReportsSingularModels) {
  struct Case {
    std::string name;
    std::array<EdgeRestraint, 4> r;
    std::vector<PlateOpening> openings;
    SolveStatus status;
  };
  const std::vector<Case> cases = {
      {"all edges free", {kFree, kFree, kFree, kFree}, {}, SolveStatus::Singular},
      {"one simply supported edge", {kSimple, kFree, kFree, kFree}, {}, SolveStatus::Singular},
      {"top half cut loose by an opening",
       {kFixed, kFree, kFree, kFree},
       {{-100, 1800, 4100, 2200}},
       SolveStatus::Singular},
      {"one fixed edge (cantilever)", {kFixed, kFree, kFree, kFree}, {}, SolveStatus::Ok},
      {"two adjacent simply supported edges",
       {kSimple, kSimple, kFree, kFree},
       {},
       SolveStatus::Ok},
      {"two opposite simply supported edges",
       {kFree, kSimple, kFree, kSimple},
       {},
       SolveStatus::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlateInput in = PlateInput::Rectangle(kA, kA, c.r, kH, kE, 0.2, 8);
    in.openings = c.openings;
    PlateModel model(in);
    EXPECT_EQ(model.Status(), c.status) << model.Reason();
    const PlateResult r = model.Solve(Uniform(kQ));
    EXPECT_EQ(r.Status(), c.status);
    if (c.status == SolveStatus::Ok) continue;
    EXPECT_FALSE(r.Reason().empty());
    EXPECT_TRUE(r.Nodes().empty());
    PlateMoments m;
    EXPECT_FALSE(r.MomentsAt(kA / 2, kA / 4, m));
    PlateEdgeMoment e;
    EXPECT_FALSE(r.EdgeMoment(0, e));
    EXPECT_EQ(r.Extremes(true).maxMx, 0.0);
  }
}

TEST(Plate, RejectsInputThatIsNotABoard) {
  auto rect = [] {
    return PlateInput::Rectangle(kA, kA, {kFixed, kFixed, kFixed, kFixed}, kH, kE, 0.2, 8);
  };
  struct Case {
    std::string name;
    PlateInput in;
  };
  std::vector<Case> cases;
  cases.push_back({"no thickness", rect()});
  cases.back().in.thickness = 0;
  cases.push_back({"Poisson ratio 0.5", rect()});
  cases.back().in.poisson = 0.5;
  cases.push_back({"three corners", rect()});
  cases.back().in.outline.pop_back();
  cases.push_back({"restraint missing", rect()});
  cases.back().in.restraints.pop_back();
  cases.push_back({"sloped edge", rect()});
  cases.back().in.outline[2].x += 500;
  cases.push_back({"opening without size", rect()});
  cases.back().in.openings.push_back({1000, 1000, 1000, 2000});
  cases.push_back({"opening covering the board", rect()});
  cases.back().in.openings.push_back({-1, -1, kA + 1, kA + 1});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlateModel m(c.in);
    EXPECT_EQ(m.Status(), SolveStatus::InvalidInput);
    EXPECT_FALSE(m.Reason().empty());
  }
  // Loads that miss the board.
  PlateInput in = rect();
  in.openings.push_back({1500, 1500, 2500, 2500});
  PlateModel model(in);
  ASSERT_TRUE(model.Ok());
  struct LoadCase {
    std::string name;
    PlateLoadCase lc;
  };
  std::vector<LoadCase> bad(4);
  bad[0] = {"point outside", {}};
  bad[0].lc.points.push_back({kA + 10, 100, 5});
  bad[1] = {"point in the opening", {}};
  bad[1].lc.points.push_back({2000, 2000, 5});
  bad[2] = {"line through the opening", {}};
  bad[2].lc.lines.push_back({0, 2000, kA, 2000, 1, 1});
  bad[3] = {"area load not a number", {}};
  bad[3].lc.areas.push_back(PlateAreaLoad::Uniform(std::nan("")));
  for (const LoadCase& c : bad) {
    SCOPED_TRACE(c.name);
    const PlateResult r = model.Solve(c.lc);
    EXPECT_EQ(r.Status(), SolveStatus::InvalidInput);
    EXPECT_TRUE(r.Nodes().empty());
  }
}

// An opening: the load on the hole is gone, the rest still reaches the
// supports, the symmetry of the board survives and the hole's sides are
// free (no moment across them).
TEST(Plate, OpeningKeepsEquilibriumAndFreeSides) {
  PlateInput in = PlateInput::Rectangle(kA, kA, {kFixed, kFixed, kFixed, kFixed}, kH, kE, 0.2, 16);
  in.openings.push_back({1500, 1000, 2500, 2000});
  PlateLoadCase lc = Uniform(kQ);
  lc.points.push_back({2000, 3000, 20.0});
  lc.lines.push_back({500, 3500, 3500, 3500, 4.0, 4.0});
  const PlateResult r = SolvePlate(in, lc);
  ASSERT_TRUE(r.Ok()) << r.Reason();
  const double total = kQ * (16.0 - 1.0) + 20.0 + 4.0 * 3.0;
  EXPECT_NEAR(r.TotalLoad(), total, 1e-9 * total);
  EXPECT_NEAR(r.TotalReaction(), -total, 1e-6 * total);
  EXPECT_NEAR(r.EdgeReaction(1), r.EdgeReaction(3), 1e-6 * total);
  for (double y : {500.0, 1500.0, 2500.0})
    EXPECT_NEAR(MomentsAt(r, 1000, y).mx, MomentsAt(r, 3000, y).mx, 1e-6 * total) << y;
  double w;
  EXPECT_FALSE(r.DeflectionAt(2000, 1500, w));
  // Across the hole's lower side (y = 1000) runs My, which a free side
  // cannot carry; compare with the board's span moment.
  const double span = r.Extremes(false).maxMy;
  EXPECT_LT(std::abs(MomentsAt(r, 2000, 1000).my), 0.05 * span);
  EXPECT_LT(std::abs(MomentsAt(r, 1500, 1500).mx), 0.05 * span);
}

// An L-shaped board (six edges, all fixed) with arms 2 m wide and 8 m
// long, symmetric about its diagonal: in equilibrium, mx at (x, y) equals
// my at (y, x), and far from the corner an arm spans across its width like
// a fixed-fixed strip.
TEST(Plate, OrthogonalOutlineLShape) {
  PlateInput in;
  in.outline = {{0, 0}, {8000, 0}, {8000, 2000}, {2000, 2000}, {2000, 8000}, {0, 8000}};
  in.restraints.assign(6, kFixed);
  in.thickness = kH;
  in.elasticModulus = kE;
  in.poisson = 0.2;
  in.divisions = 12;
  const PlateResult r = SolvePlate(in, Uniform(kQ));
  ASSERT_TRUE(r.Ok()) << r.Reason();
  EXPECT_EQ(r.GridCellsX(), 48);  // 12 across an arm, 167 mm elements
  EXPECT_NEAR(r.TotalLoad(), kQ * 28.0, 1e-9);
  EXPECT_NEAR(r.TotalReaction(), -kQ * 28.0, 1e-6);
  EXPECT_NEAR(r.EdgeReaction(0), r.EdgeReaction(5), 1e-6);
  double w;
  EXPECT_FALSE(r.DeflectionAt(5000, 5000, w));  // the cut-away part
  for (PlatePoint p : {PlatePoint{1000, 1000}, PlatePoint{5000, 1000}, PlatePoint{500, 2500},
                       PlatePoint{2000, 2000}}) {
    const PlateMoments a = MomentsAt(r, p.x, p.y), b = MomentsAt(r, p.y, p.x);
    EXPECT_NEAR(a.mx, b.my, 1e-6) << p.x << "," << p.y;
  }
  const double strip = kQ * 2.0 * 2.0;  // q·l² of the 2 m span
  EXPECT_NEAR(MomentsAt(r, 5000, 1000).my, strip / 24, 0.02 * strip / 24);
  EXPECT_NEAR(MomentsAt(r, 5000, 0).my, -strip / 12, 0.02 * strip / 12);
  EXPECT_NEAR(MomentsAt(r, 5000, 2000).my, -strip / 12, 0.02 * strip / 12);
  // The re-entrant corner hogs hardest along the inner edges.
  PlateEdgeMoment inner;
  ASSERT_TRUE(r.EdgeMoment(2, inner));
  EXPECT_LT(inner.min, -strip / 12);
}

// Point and line loads against closed forms: the centre load on a simply
// supported square (w = 0.01160 P a²/D, ν = 0.3), and a line load across a
// plate in cylindrical bending (M = p·L/4 under it).
TEST(Plate, PointAndLineLoads) {
  PlateLoadCase point;
  point.points.push_back({kA / 2, kA / 2, 50.0});
  const PlateResult p = SolveRect(kA, kA, {kSimple, kSimple, kSimple, kSimple}, point, 16);
  ASSERT_TRUE(p.Ok());
  EXPECT_NEAR(DeflectionAt(p, kA / 2, kA / 2) / 1000 * Rigidity(0.3) / (50.0 * kAm * kAm), 0.01160,
              0.01 * 0.01160);
  EXPECT_NEAR(p.TotalReaction(), -50.0, 1e-6);

  PlateLoadCase line;
  line.lines.push_back({kA / 2, 0, kA / 2, 2000, 6.0, 6.0});
  const PlateResult l = SolveRect(kA, 2000, {kFree, kSimple, kFree, kSimple}, line, 16, 0.0);
  ASSERT_TRUE(l.Ok());
  EXPECT_NEAR(l.TotalLoad(), 12.0, 1e-9);
  EXPECT_NEAR(MomentsAt(l, kA / 4, 1000).mx, 6.0 * kAm / 8, 0.005 * 6.0 * kAm / 4);
  EXPECT_NEAR(l.Extremes(false).maxMx, 6.0 * kAm / 4, 0.03 * 6.0 * kAm / 4);
  // A line load varying from 2 to 6 kN/m carries their mean over its length.
  PlateLoadCase vary;
  vary.lines.push_back({500, 500, 3500, 3500, 2.0, 6.0});
  const PlateResult v = SolveRect(kA, kA, {kFixed, kFixed, kFixed, kFixed}, vary, 8);
  ASSERT_TRUE(v.Ok());
  EXPECT_NEAR(v.TotalLoad(), 4.0 * std::hypot(3.0, 3.0), 1e-9);
}

// Load cases of one model combine linearly; the moments of a combination
// are those of the combined loads.
TEST(Plate, CombinedLoadCasesAreLinear) {
  PlateModel model(
      PlateInput::Rectangle(kA, 3000, {kFixed, kSimple, kFree, kFixed}, kH, kE, 0.2, 8));
  ASSERT_TRUE(model.Ok());
  PlateLoadCase a = Uniform(kQ), b;
  b.areas.push_back(PlateAreaLoad::AlongY(0, 30, 3000, 0));
  b.points.push_back({1000, 2000, 15});
  PlateLoadCase both = Uniform(1.2 * kQ);
  both.areas.push_back(PlateAreaLoad::AlongY(0, 1.4 * 30, 3000, 0));
  both.points.push_back({1000, 2000, 1.4 * 15});
  const PlateResult ra = model.Solve(a), rb = model.Solve(b), rboth = model.Solve(both);
  PlateResult sum;
  sum.Accumulate(ra, 1.2);
  sum.Accumulate(rb, 1.4);
  ASSERT_TRUE(sum.Ok());
  for (double x : {0.0, 1300.0, 4000.0})
    for (double y : {0.0, 1700.0, 3000.0}) {
      const PlateMoments m1 = MomentsAt(sum, x, y), m2 = MomentsAt(rboth, x, y);
      EXPECT_NEAR(m1.mx, m2.mx, 1e-9) << x << "," << y;
      EXPECT_NEAR(m1.my, m2.my, 1e-9) << x << "," << y;
      EXPECT_NEAR(DeflectionAt(sum, x, y), DeflectionAt(rboth, x, y), 1e-9);
    }
  EXPECT_NEAR(sum.EdgeReaction(0), rboth.EdgeReaction(0), 1e-9);
  PlateEdgeMoment e1, e2;
  ASSERT_TRUE(sum.EdgeMoment(3, e1) && rboth.EdgeMoment(3, e2));
  EXPECT_NEAR(e1.mid, e2.mid, 1e-9);

  PlateModel other(
      PlateInput::Rectangle(kA, 3000, {kFixed, kSimple, kFree, kFixed}, kH, kE, 0.2, 8));
  EXPECT_THROW(sum.Accumulate(other.Solve(a), 1.0), std::invalid_argument);
  PlateResult failed =
      PlateModel(PlateInput::Rectangle(kA, kA, {kFree, kFree, kFree, kFree}, kH, kE, 0.2, 8))
          .Solve(a);
  sum.Accumulate(failed, 1.0);
  EXPECT_EQ(sum.Status(), SolveStatus::Singular);
}

// Span and support extremes of the clamped square, and the moments turned
// to a bar direction (90° swaps the bar directions).
TEST(Plate, ExtremesAndBarDirections) {
  const PlateResult r = SolveRect(kA, kA, {kFixed, kFixed, kFixed, kFixed}, Uniform(kQ), 16, 0.3);
  ASSERT_TRUE(r.Ok());
  const double ql2 = kQ * kAm * kAm;
  const PlateExtremes span = r.Extremes(false), all = r.Extremes(true);
  EXPECT_NEAR(span.maxMx / ql2, 0.0229, 0.01 * 0.0229);
  EXPECT_NEAR(span.maxMxAt.x, kA / 2, 1e-6);
  EXPECT_NEAR(all.minMx / ql2, -0.0513, 0.02 * 0.0513);
  EXPECT_TRUE(all.minMxAt.x == 0.0 || all.minMxAt.x == kA);
  EXPECT_GT(span.minMx, all.minMx);  // the support moment is not a span moment
  const PlateMoments m = MomentsAt(r, 1000, 2600);
  const PlateMoments t = m.Rotated(M_PI / 2);
  EXPECT_NEAR(t.mx, m.my, 1e-9);
  EXPECT_NEAR(t.my, m.mx, 1e-9);
  EXPECT_NEAR(t.mxy, -m.mxy, 1e-9);
  const PlateMoments d = m.Rotated(M_PI / 4);
  EXPECT_NEAR(d.mx, 0.5 * (m.mx + m.my) + m.mxy, 1e-9);
}

}  // namespace
