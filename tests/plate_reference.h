// Reference moments of a rectangular plate, independent of the analysis's
// finite elements: a Rayleigh–Ritz solution with global polynomials.
//
// The plate is b wide (x) and H high (y), the base (y = 0) and the top
// (y = H) each fixed, simply supported or free, both sides (x = 0 and x = b)
// alike fixed or simply supported, under a pressure that varies linearly
// with height (qBase at the base, qTop at the top; a wall under water to its
// top: qBase = γw·H, qTop = 0).  Load along the positive normal, moments
// positive when they put the upper (positive-normal) face in tension, as in
// the analysis: Mx = −D (w,xx + ν w,yy), My = −D (w,yy + ν w,xx).
//
// Method: w(x, y) = Σ c_ij X_i(ξ) Y_j(η) on ξ, η ∈ [−1, 1], with each
// basis function a short combination of Legendre polynomials that meets the
// essential conditions of its edges (w = 0 on supported edges, the normal
// slope also on fixed ones; free edges need none, their conditions are the
// natural ones of the energy).  Load and supports are symmetric about the
// middle of the width, so X takes the even polynomials only.  The energy
//   U = D/2 ∫ [w,xx² + w,yy² + 2ν w,xx w,yy + 2(1 − ν) w,xy²] dA − ∫ q w dA
// is a sum of Kronecker products of one-dimensional integrals, computed by
// Gauss–Legendre quadrature, and its minimum is found by a dense Cholesky
// solve.  Degrees rise with the aspect ratio (the side boundary layers of a
// long wall are about H wide); the default degrees give the moments to
// about 0.1 % (the tests check this against a doubled degree and against
// Timoshenko's tables).  Moments do not depend on D (taken as 1).
#pragma once

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace plate_reference {

enum class Edge { Fixed, Simple, Free };

struct RectangularPlate {
  double width = 4000.0;   // b, mm, along x
  double height = 4000.0;  // H, mm, along y
  Edge base = Edge::Fixed, top = Edge::Free, sides = Edge::Fixed;
  double qBase = 1.0, qTop = 0.0;  // kPa along +normal at y = 0 and y = H
  double poisson = 0.2;
  int degreeX = 0, degreeY = 0;  // highest polynomial degrees; 0 chooses them
};

struct Moments {
  double mx = 0.0, my = 0.0;  // kN·m/m
};

// Extremes of the moments a designer reads off a wall: along the base, the
// top and a side (the component the bars crossing that edge carry), and
// over the span: the plate less its supported edges, where in a band along
// every fixed edge `band` of the width across that edge wide the moments of
// the edge's own sense are left out (the analysis leaves them to the
// support) and those of the other sense count.  max is the largest value (upper face), min the smallest.
struct Range {
  double max = -1e300, min = 1e300;
  void Include(double v) {
    max = std::max(max, v);
    min = std::min(min, v);
  }
  double Governing() const { return std::fabs(max) >= std::fabs(min) ? max : min; }
};

struct WallExtremes {
  Range base, top, side, spanX, spanY;
};

namespace detail {

// Legendre polynomials P_0..P_n and their first two derivatives at s.
inline void Legendre(int n, double s, std::vector<double>& p, std::vector<double>& d1, std::vector<double>& d2) {
  p.assign(n + 1, 0.0);
  d1.assign(n + 1, 0.0);
  d2.assign(n + 1, 0.0);
  p[0] = 1.0;
  if (n >= 1) p[1] = s, d1[1] = 1.0;
  for (int k = 1; k < n; ++k) {
    p[k + 1] = ((2 * k + 1) * s * p[k] - k * p[k - 1]) / (k + 1);
    d1[k + 1] = d1[k - 1] + (2 * k + 1) * p[k];
    d2[k + 1] = d2[k - 1] + (2 * k + 1) * d1[k];
  }
}

// Gauss–Legendre points and weights on [−1, 1].
inline void Gauss(int n, std::vector<double>& s, std::vector<double>& w) {
  s.assign(n, 0.0);
  w.assign(n, 0.0);
  std::vector<double> p, d1, d2;
  for (int i = 0; i < n; ++i) {
    double x = std::cos(M_PI * (i + 0.75) / (n + 0.5));
    for (int it = 0; it < 100; ++it) {
      Legendre(n, x, p, d1, d2);
      const double dx = p[n] / d1[n];
      x -= dx;
      if (std::fabs(dx) < 1e-16) break;
    }
    Legendre(n, x, p, d1, d2);
    s[i] = x;
    w[i] = 2.0 / ((1 - x * x) * d1[n] * d1[n]);
  }
}

// A one-dimensional basis: function k is Σ_j coef[k][j] P_{index[k][j]}.
struct Basis1D {
  std::vector<std::vector<int>> index;
  std::vector<std::vector<double>> coef;
  int top = 0;  // highest Legendre degree used

  int Size() const { return static_cast<int>(index.size()); }

  // Values, first and second derivatives (in s) of every function at s.
  void At(double s, std::vector<double>& f, std::vector<double>& f1, std::vector<double>& f2) const {
    std::vector<double> p, d1, d2;
    Legendre(top, s, p, d1, d2);
    f.assign(Size(), 0.0);
    f1.assign(Size(), 0.0);
    f2.assign(Size(), 0.0);
    for (int k = 0; k < Size(); ++k)
      for (std::size_t j = 0; j < index[k].size(); ++j) {
        f[k] += coef[k][j] * p[index[k][j]];
        f1[k] += coef[k][j] * d1[index[k][j]];
        f2[k] += coef[k][j] * d2[index[k][j]];
      }
  }
};

// Conditions an edge imposes at an end of [−1, 1]: 0 (free), 1 (w), 2 (w, w').
inline int Conditions(Edge e) { return e == Edge::Fixed ? 2 : e == Edge::Simple ? 1 : 0; }

// Value of the condition `order` (0 value, 1 slope) of P_n at end ±1.
inline double EndValue(int n, int order, double end) {
  const double sign = end > 0 ? 1.0 : (n % 2 == 0 ? 1.0 : -1.0);
  if (order == 0) return sign;
  return (end > 0 ? 1.0 : -sign) * n * (n + 1) / 2.0;
}

// Basis of polynomials up to about `degree` meeting `left` conditions at −1
// and `right` at +1; with `even`, the even polynomials only (then left ==
// right and the conditions at −1 follow from those at +1).
inline Basis1D MakeBasis(int degree, int left, int right, bool even) {
  Basis1D b;
  const int step = even ? 2 : 1;
  const int c = even ? right : left + right;
  for (int k = 0; k + c * step <= degree; k += step) {
    std::vector<int> idx = {k};
    for (int j = 1; j <= c; ++j) idx.push_back(k + j * step);
    std::vector<double> co(idx.size(), 0.0);
    co[0] = 1.0;
    if (c > 0) {
      Eigen::MatrixXd a(c, c);
      Eigen::VectorXd rhs(c);
      int row = 0;
      auto condition = [&](int order, double end) {
        for (int j = 1; j <= c; ++j) a(row, j - 1) = EndValue(idx[j], order, end);
        rhs[row] = -EndValue(idx[0], order, end);
        ++row;
      };
      if (even) {
        for (int o = 0; o < right; ++o) condition(o, 1.0);
      } else {
        for (int o = 0; o < left; ++o) condition(o, -1.0);
        for (int o = 0; o < right; ++o) condition(o, 1.0);
      }
      const Eigen::VectorXd sol = a.fullPivLu().solve(rhs);
      for (int j = 1; j <= c; ++j) co[j] = sol[j - 1];
    }
    b.top = std::max(b.top, idx.back());
    b.index.push_back(std::move(idx));
    b.coef.push_back(std::move(co));
  }
  return b;
}

}  // namespace detail

class Solution {
 public:
  explicit Solution(const RectangularPlate& p) : m_p(p) {
    if (p.sides == Edge::Free) throw std::invalid_argument("the reference plate needs supported sides");
    const double ratio = p.width / p.height;
    const int dy = p.degreeY > 0 ? p.degreeY : 22;
    const int dx = p.degreeX > 0 ? p.degreeX : std::min(120, static_cast<int>(24 + 8 * std::max(1.0, ratio)));
    m_x = detail::MakeBasis(dx, detail::Conditions(p.sides), detail::Conditions(p.sides), true);
    m_y = detail::MakeBasis(dy, detail::Conditions(p.base), detail::Conditions(p.top), false);
    const int nx = m_x.Size(), ny = m_y.Size();
    // One-dimensional integrals.
    auto integrals = [](const detail::Basis1D& b, Eigen::MatrixXd& m0, Eigen::MatrixXd& a1, Eigen::MatrixXd& a2,
                        Eigen::MatrixXd& b2, Eigen::VectorXd& i0, Eigen::VectorXd& i1) {
      std::vector<double> s, w, f, f1, f2;
      detail::Gauss(b.top + 4, s, w);
      const int n = b.Size();
      m0 = a1 = a2 = b2 = Eigen::MatrixXd::Zero(n, n);
      i0 = i1 = Eigen::VectorXd::Zero(n);
      for (std::size_t g = 0; g < s.size(); ++g) {
        b.At(s[g], f, f1, f2);
        const Eigen::Map<const Eigen::VectorXd> F(f.data(), n), F1(f1.data(), n), F2(f2.data(), n);
        m0 += w[g] * F * F.transpose();
        a1 += w[g] * F1 * F1.transpose();
        a2 += w[g] * F2 * F2.transpose();
        b2 += w[g] * F2 * F.transpose();  // b2(a, b) = ∫ f_a'' f_b
        i0 += w[g] * F;
        i1 += w[g] * s[g] * F;
      }
    };
    Eigen::MatrixXd mx0, ax1, ax2, bx2, my0, ay1, ay2, by2;
    Eigen::VectorXd ix0, ix1, iy0, iy1;
    integrals(m_x, mx0, ax1, ax2, bx2, ix0, ix1);
    integrals(m_y, my0, ay1, ay2, by2, iy0, iy1);
    const double b = p.width / 1000.0, h = p.height / 1000.0;
    m_sx = 2.0 / b;
    m_sy = 2.0 / h;
    const double jac = b * h / 4.0, nu = p.poisson;
    const double sx2 = m_sx * m_sx, sy2 = m_sy * m_sy;
    const int n = nx * ny;
    Eigen::MatrixXd k(n, n);
    Eigen::VectorXd f(n);
    // q(η) = qBase + (qTop − qBase)(1 + η)/2.
    const double qa = 0.5 * (p.qBase + p.qTop), qb = 0.5 * (p.qTop - p.qBase);
    for (int i = 0; i < nx; ++i)
      for (int j = 0; j < ny; ++j) {
        const int r = i * ny + j;
        f[r] = jac * ix0[i] * (qa * iy0[j] + qb * iy1[j]);
        for (int kk = 0; kk < nx; ++kk)
          for (int l = 0; l < ny; ++l)
            k(r, kk * ny + l) =
                jac * (sx2 * sx2 * ax2(i, kk) * my0(j, l) + sy2 * sy2 * mx0(i, kk) * ay2(j, l) +
                       nu * sx2 * sy2 * (bx2(kk, i) * by2(j, l) + bx2(i, kk) * by2(l, j)) +
                       2.0 * (1.0 - nu) * sx2 * sy2 * ax1(i, kk) * ay1(j, l));
      }
    const Eigen::LDLT<Eigen::MatrixXd> ldlt(k);
    const Eigen::VectorXd c = ldlt.solve(f);
    m_c = Eigen::Map<const Eigen::MatrixXd>(c.data(), ny, nx).transpose();  // m_c(i, j)
  }

  // Moments at (x, y), mm from the lower-left corner.
  Moments At(double x, double y) const {
    std::vector<double> fx, fx1, fx2, fy, fy1, fy2;
    m_x.At(2.0 * x / m_p.width - 1.0, fx, fx1, fx2);
    m_y.At(2.0 * y / m_p.height - 1.0, fy, fy1, fy2);
    double wxx = 0, wyy = 0;
    for (int i = 0; i < m_x.Size(); ++i)
      for (int j = 0; j < m_y.Size(); ++j) {
        wxx += m_c(i, j) * fx2[i] * fy[j];
        wyy += m_c(i, j) * fx[i] * fy2[j];
      }
    wxx *= m_sx * m_sx;
    wyy *= m_sy * m_sy;
    const double nu = m_p.poisson;
    return {-(wxx + nu * wyy), -(wyy + nu * wxx)};
  }

  // Moments on the grid of points xs × ys (mm): mx(i, j), my(i, j) at
  // (xs[i], ys[j]).
  void OnGrid(const std::vector<double>& xs, const std::vector<double>& ys, Eigen::MatrixXd& mx,
              Eigen::MatrixXd& my) const {
    auto table = [](const detail::Basis1D& b, const std::vector<double>& at, double length, Eigen::MatrixXd& f,
                    Eigen::MatrixXd& f2) {
      f.resize(at.size(), b.Size());
      f2.resize(at.size(), b.Size());
      std::vector<double> v, v1, v2;
      for (std::size_t k = 0; k < at.size(); ++k) {
        b.At(2.0 * at[k] / length - 1.0, v, v1, v2);
        for (int i = 0; i < b.Size(); ++i) f(k, i) = v[i], f2(k, i) = v2[i];
      }
    };
    Eigen::MatrixXd fx, fx2, fy, fy2;
    table(m_x, xs, m_p.width, fx, fx2);
    table(m_y, ys, m_p.height, fy, fy2);
    const Eigen::MatrixXd wxx = (m_sx * m_sx) * (fx2 * m_c * fy.transpose());
    const Eigen::MatrixXd wyy = (m_sy * m_sy) * (fx * m_c * fy2.transpose());
    const double nu = m_p.poisson;
    mx = -(wxx + nu * wyy);
    my = -(wyy + nu * wxx);
  }

  // Extremes over a grid of `samples` + 1 points each way (the band's
  // borders lie on it).
  WallExtremes Extremes(double band = 0.25, int samples = 160) const {
    WallExtremes e;
    const double b = m_p.width, h = m_p.height;
    auto line = [samples](double from, double to) {
      std::vector<double> v(samples + 1);
      for (int k = 0; k <= samples; ++k) v[k] = from + (to - from) * k / samples;
      return v;
    };
    Eigen::MatrixXd mx, my;
    OnGrid(line(0, b), {0.0, h}, mx, my);
    for (int k = 0; k <= samples; ++k) e.base.Include(my(k, 0)), e.top.Include(my(k, 1));
    OnGrid({0.0}, line(0, h), mx, my);
    for (int k = 0; k <= samples; ++k) e.side.Include(mx(0, k));
    // The sense of each edge's governing moment.
    const auto sense = [](const Range& r) {
      const double g = r.Governing();
      return g > 0 ? 1.0 : (g < 0 ? -1.0 : 0.0);
    };
    const double sideSense = sense(e.side), baseSense = sense(e.base), topSense = sense(e.top);
    const std::vector<double> xs = line(0, b), ys = line(0, h);
    OnGrid(xs, ys, mx, my);
    for (int i = 0; i <= samples; ++i)
      for (int j = 0; j <= samples; ++j) {
        // Points on supported edges belong to the support, not to the span.
        if (xs[i] <= 0 || xs[i] >= b) continue;
        if (ys[j] <= 0 && m_p.base != Edge::Free) continue;
        if (ys[j] >= h && m_p.top != Edge::Free) continue;
        // In the band along a fixed edge the moments of the edge's own sense
        // belong to the support; those of the other sense are span moments.
        bool takeX = true, takeY = true;
        const auto inBand = [&](bool in, double s) {
          if (!in) return;
          if (!(mx(i, j) * s < 0)) takeX = false;
          if (!(my(i, j) * s < 0)) takeY = false;
        };
        const double tol = 1e-6;
        inBand(m_p.sides == Edge::Fixed && (xs[i] < band * b - tol || xs[i] > (1 - band) * b + tol), sideSense);
        inBand(m_p.base == Edge::Fixed && ys[j] < band * h - tol, baseSense);
        inBand(m_p.top == Edge::Fixed && ys[j] > (1 - band) * h + tol, topSense);
        if (takeX) e.spanX.Include(mx(i, j));
        if (takeY) e.spanY.Include(my(i, j));
      }
    return e;
  }

 private:
  RectangularPlate m_p;
  detail::Basis1D m_x, m_y;
  Eigen::MatrixXd m_c;
  double m_sx = 1.0, m_sy = 1.0;
};

}  // namespace plate_reference
