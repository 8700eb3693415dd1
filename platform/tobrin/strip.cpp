// One-way strips in closed form (see strip.h for conventions).
//
// With M'' = -q (moment positive for upper-face tension, load along +normal)
// the moment line of any strip is
//     M(s) = M_A + V_A·s - F(s),   F(s) = ∫0..s q(t)·(s - t) dt,
// so only the end moment M_A and the end shear V_A depend on the restraints.
// For two supported ends, M_A and M_B come from the fixed-end moments
//     F_A = -∫ q·s·(L - s)² / L² ds,   F_B = -∫ q·s²·(L - s) / L² ds
// and the carry-over factor 1/2 when one end is released; V_A then follows
// from M(L) = M_B.  Cantilevers are determinate.
#include "platform/tobrin/strip.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tobrin {

namespace {

constexpr double kMmToM = 1e-3;

struct Segment {
  double s0, s1;  // metres
  double qa, qb;  // kPa at both ends
};

const char* RestraintName(EdgeRestraint r) {
  switch (r) {
    case EdgeRestraint::Fixed:
      return "fixed";
    case EdgeRestraint::Simple:
      return "simply supported";
    case EdgeRestraint::Free:
      return "free";
  }
  return "unknown";
}

bool ValidRestraint(EdgeRestraint r) {
  int k = static_cast<int>(r);
  return k >= 0 && k <= 2;
}

// ∫ q(s)·g(s) ds over one segment with the 3-point Gauss rule, exact for the
// quartic integrands of the fixed-end moments.
template <class G>
double IntegrateSegment(const Segment& seg, G g) {
  static const double xi[3] = {-std::sqrt(0.6), 0.0, std::sqrt(0.6)};
  static const double wt[3] = {5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0};
  const double half = 0.5 * (seg.s1 - seg.s0), mid = 0.5 * (seg.s0 + seg.s1);
  double sum = 0.0;
  for (int i = 0; i < 3; ++i) {
    double s = mid + half * xi[i];
    double t = (s - seg.s0) / (seg.s1 - seg.s0);
    double q = seg.qa + (seg.qb - seg.qa) * t;
    sum += wt[i] * q * g(s);
  }
  return sum * half;
}

}  // namespace

std::vector<StripLoadPoint> StripInput::Uniform(double length, double q) {
  return {{0.0, q}, {length, q}};
}

std::vector<StripLoadPoint> StripInput::Linear(double length, double qA, double qB) {
  return {{0.0, qA}, {length, qB}};
}

const StripSolution::Piece* StripSolution::PieceAt(double sMetres) const {
  if (m_pieces.empty()) return nullptr;
  auto it = std::upper_bound(m_pieces.begin(), m_pieces.end(), sMetres,
                             [](double s, const Piece& p) { return s < p.s1; });
  if (it == m_pieces.end()) return &m_pieces.back();
  return &*it;
}

double StripSolution::MomentAt(double s) const {
  const double sm = std::clamp(s, 0.0, m_length) * kMmToM;
  const Piece* p = PieceAt(sm);
  if (!p) return 0.0;
  const double u = sm - p->s0;
  return p->c0 + u * (p->c1 + u * (p->c2 + u * p->c3));
}

double StripSolution::ShearAt(double s) const {
  const double sm = std::clamp(s, 0.0, m_length) * kMmToM;
  const Piece* p = PieceAt(sm);
  if (!p) return 0.0;
  const double u = sm - p->s0;
  return p->c1 + u * (2.0 * p->c2 + u * 3.0 * p->c3);
}

StripSolution SolveStrip(const StripInput& in) {
  StripSolution out;
  auto fail = [&](SolveStatus status, std::string reason) {
    StripSolution bad;
    bad.m_status = status;
    bad.m_reason = std::move(reason);
    bad.m_length = std::isfinite(in.length) && in.length > 0 ? in.length : 0.0;
    return bad;
  };

  if (!std::isfinite(in.length) || in.length <= 0.0)
    return fail(SolveStatus::InvalidInput, "strip length must be positive");
  if (!ValidRestraint(in.endA) || !ValidRestraint(in.endB))
    return fail(SolveStatus::InvalidInput, "unknown end restraint");
  const double tolMm = 1e-6 * std::max(1.0, in.length);
  for (size_t i = 0; i < in.load.size(); ++i) {
    const StripLoadPoint& p = in.load[i];
    if (!std::isfinite(p.s) || !std::isfinite(p.q))
      return fail(SolveStatus::InvalidInput, "load point is not a finite number");
    if (p.s < -tolMm || p.s > in.length + tolMm)
      return fail(SolveStatus::InvalidInput, "load point lies outside the strip");
    if (i > 0 && p.s < in.load[i - 1].s)
      return fail(SolveStatus::InvalidInput, "load points must be given in increasing position");
  }
  const bool freeA = in.endA == EdgeRestraint::Free, freeB = in.endB == EdgeRestraint::Free;
  if ((freeA && in.endB != EdgeRestraint::Fixed) || (freeB && in.endA != EdgeRestraint::Fixed)) {
    return fail(SolveStatus::Singular, std::string("a strip with a ") + RestraintName(in.endA) +
                                           " and a " + RestraintName(in.endB) +
                                           " end is a mechanism");
  }

  // Load segments in metres, covering [0, L] without gaps.
  const double L = in.length * kMmToM;
  std::vector<Segment> segs;
  auto push = [&](double s0, double s1, double qa, double qb) {
    s0 = std::clamp(s0, 0.0, L);
    s1 = std::clamp(s1, 0.0, L);
    if (s1 - s0 > 1e-12 * L) segs.push_back({s0, s1, qa, qb});
  };
  if (in.load.empty()) {
    push(0.0, L, 0.0, 0.0);
  } else {
    push(0.0, in.load.front().s * kMmToM, 0.0, 0.0);
    for (size_t i = 0; i + 1 < in.load.size(); ++i)
      push(in.load[i].s * kMmToM, in.load[i + 1].s * kMmToM, in.load[i].q, in.load[i + 1].q);
    push(in.load.back().s * kMmToM, L, 0.0, 0.0);
    if (segs.empty()) push(0.0, L, 0.0, 0.0);
    // Close tiny gaps left by clamping, so that the pieces tile [0, L].
    segs.front().s0 = 0.0;
    segs.back().s1 = L;
    for (size_t i = 1; i < segs.size(); ++i) segs[i].s0 = segs[i - 1].s1;
  }

  // Cumulative load Q(s) and load moment F(s) at the segment starts.
  std::vector<double> Qk(segs.size() + 1, 0.0), Fk(segs.size() + 1, 0.0);
  for (size_t k = 0; k < segs.size(); ++k) {
    const Segment& g = segs[k];
    const double l = g.s1 - g.s0, b = (g.qb - g.qa) / l;
    Qk[k + 1] = Qk[k] + g.qa * l + b * l * l / 2.0;
    Fk[k + 1] = Fk[k] + Qk[k] * l + g.qa * l * l / 2.0 + b * l * l * l / 6.0;
  }
  const double Q = Qk.back(), FL = Fk.back();

  double FA = 0.0, FB = 0.0;
  for (const Segment& g : segs) {
    FA -= IntegrateSegment(g, [L](double s) { return s * (L - s) * (L - s) / (L * L); });
    FB -= IntegrateSegment(g, [L](double s) { return s * s * (L - s) / (L * L); });
  }

  double MA = 0.0, VA = 0.0;
  const EdgeRestraint a = in.endA, b = in.endB;
  if (freeB) {  // cantilever fixed at A
    VA = Q;
    MA = FL - Q * L;
  } else if (freeA) {  // cantilever fixed at B
    VA = 0.0;
    MA = 0.0;
  } else {
    double MB = 0.0;
    if (a == EdgeRestraint::Fixed && b == EdgeRestraint::Fixed) {
      MA = FA;
      MB = FB;
    } else if (a == EdgeRestraint::Fixed) {
      MA = FA + FB / 2.0;
    } else if (b == EdgeRestraint::Fixed) {
      MB = FB + FA / 2.0;
    }
    VA = (MB - MA + FL) / L;
  }

  out.m_status = SolveStatus::Ok;
  out.m_length = in.length;
  out.m_totalLoad = Q;
  out.m_reactionA = -VA;
  out.m_reactionB = VA - Q;
  out.m_pieces.reserve(segs.size());
  for (size_t k = 0; k < segs.size(); ++k) {
    const Segment& g = segs[k];
    const double slope = (g.qb - g.qa) / (g.s1 - g.s0);
    StripSolution::Piece p;
    p.s0 = g.s0;
    p.s1 = g.s1;
    p.c0 = MA + VA * g.s0 - Fk[k];
    p.c1 = VA - Qk[k];
    p.c2 = -g.qa / 2.0;
    p.c3 = -slope / 6.0;
    out.m_pieces.push_back(p);
  }

  // Extremes: piece ends and the zeros of the shear inside each piece.
  const double scale = std::max(std::abs(MA), std::abs(FL)) + std::abs(Q) * L;
  const double tol = 1e-12 * scale;
  double mx = out.MomentAt(0.0), mn = mx, mxAt = 0.0, mnAt = 0.0;
  auto consider = [&](const StripSolution::Piece& p, double u) {
    if (!(u >= 0.0 && u <= p.s1 - p.s0)) return;
    const double m = p.c0 + u * (p.c1 + u * (p.c2 + u * p.c3));
    const double at = (p.s0 + u) / kMmToM;
    if (m > mx + tol) {
      mx = m;
      mxAt = at;
    }
    if (m < mn - tol) {
      mn = m;
      mnAt = at;
    }
  };
  for (const StripSolution::Piece& p : out.m_pieces) {
    const double len = p.s1 - p.s0;
    consider(p, 0.0);
    consider(p, len);
    // c1 + 2 c2 u + 3 c3 u² = 0
    const double A = 3.0 * p.c3, B = 2.0 * p.c2, C = p.c1;
    if (std::abs(A) > 1e-14 * (std::abs(B) + std::abs(C) / std::max(len, 1e-9))) {
      const double disc = B * B - 4.0 * A * C;
      if (disc >= 0.0) {
        const double r = std::sqrt(disc);
        // Numerically stable pair of roots.
        const double qq = -0.5 * (B + std::copysign(r, B));
        if (qq != 0.0) {
          consider(p, qq / A);
          consider(p, C / qq);
        } else {
          consider(p, 0.0);
        }
      }
    } else if (B != 0.0) {
      consider(p, -C / B);
    }
  }
  if (std::abs(mx) <= tol) mx = 0.0;
  if (std::abs(mn) <= tol) mn = 0.0;
  out.m_max = mx;
  out.m_maxAt = mxAt;
  out.m_min = mn;
  out.m_minAt = mnAt;
  return out;
}

}  // namespace tobrin
