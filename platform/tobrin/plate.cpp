// Plate bending with Bogner–Fox–Schmit rectangles (see plate.h).
//
// Element: w(x, y) = Σ X_i(x)·Y_j(y)·d, the products of the cubic Hermite
// functions of the element's two sides, so w and its normal slope are
// continuous across element sides (a conforming Kirchhoff element).  The
// stiffness ∫ Bᵀ·D·B dA with B = [∂²/∂x², ∂²/∂y², 2∂²/∂x∂y] and the load
// integrals are evaluated with 4 × 4 Gauss points, exact for the bicubic
// products involved.  Internally lengths are metres and forces kN, so the
// unknowns are w (m), the two slopes and the twist (1/m).
//
// Restraints on an edge parallel to x: simply supported w = ∂w/∂x = 0
// (w vanishes along the edge, so does its derivative along it); fixed in
// addition ∂w/∂y = ∂²w/∂x∂y = 0.  An edge parallel to y likewise with x and
// y swapped.  A node on two edges takes both sets.
//
// Solution: before anything is factorised, every part of the board is
// checked to be held by its supports (CheckSupports: exact, from the rigid
// motions the restraints leave free); a board that is not is reported
// Singular with the reason.  The stiffness of the unrestrained unknowns is
// then scaled to a unit diagonal and factorised by a sparse LDLᵀ (Eigen,
// AMD ordering); a breakdown of the factorisation or a residual that does
// not vanish is reported too, never returned as moments.
#include "platform/tobrin/plate.h"

#include <Eigen/Dense>
#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <utility>

namespace tobrin {

namespace {

constexpr double kMmToM = 1e-3;
constexpr int kDof = 4;       // w, w,x, w,y, w,xy per node
constexpr int kFitTerms = 9;  // biquadratic in x and y
// Restraint bits of a node's unknowns.
constexpr unsigned kW = 1, kWx = 2, kWy = 4, kWxy = 8;
// Smallest pivot of the unit-diagonal stiffness accepted from the
// factorisation.  Mechanisms are found beforehand from the supports (see
// CheckSupports), since their round-off pivots (1e-14 .. 1e-9) overlap the
// genuine small pivots of slender elements; this floor only guards against
// a factorisation that broke down numerically.
constexpr double kPivotFloor = 1e-14;

const double kGaussX[4] = {0.5 - 0.5 * 0.8611363115940526, 0.5 - 0.5 * 0.3399810435848563,
                           0.5 + 0.5 * 0.3399810435848563, 0.5 + 0.5 * 0.8611363115940526};
const double kGaussW[4] = {0.5 * 0.3478548451374538, 0.5 * 0.6521451548625461,
                           0.5 * 0.6521451548625461, 0.5 * 0.3478548451374538};

// Cubic Hermite functions of one element side, at t ∈ [0, 1] of a side of
// length len (m): value and slope at the start (0, 1), at the end (2, 3).
struct Hermite {
  double f[4], d1[4], d2[4];
  Hermite(double t, double len) {
    const double t2 = t * t, t3 = t2 * t;
    f[0] = 1 - 3 * t2 + 2 * t3;
    f[1] = len * (t - 2 * t2 + t3);
    f[2] = 3 * t2 - 2 * t3;
    f[3] = len * (-t2 + t3);
    d1[0] = (-6 * t + 6 * t2) / len;
    d1[1] = 1 - 4 * t + 3 * t2;
    d1[2] = (6 * t - 6 * t2) / len;
    d1[3] = -2 * t + 3 * t2;
    d2[0] = (-6 + 12 * t) / (len * len);
    d2[1] = (-4 + 6 * t) / len;
    d2[2] = (6 - 12 * t) / (len * len);
    d2[3] = (-2 + 6 * t) / len;
  }
};

using Vec16 = Eigen::Matrix<double, 16, 1>;
using Mat16 = Eigen::Matrix<double, 16, 16>;

// Element shape functions and their derivatives at local (tx, ty) of an
// a × b element (m).  Corner k: 0 (0,0), 1 (a,0), 2 (a,b), 3 (0,b); unknown
// 4k + c with c = 0 w, 1 w,x, 2 w,y, 3 w,xy.
struct Basis {
  Vec16 n, nxx, nyy, nxy;
  Basis(double tx, double ty, double a, double b) {
    const Hermite hx(tx, a), hy(ty, b);
    for (int k = 0; k < 4; ++k) {
      const bool ex = (k == 1 || k == 2), ey = (k >= 2);
      const int vx = ex ? 2 : 0, sx = ex ? 3 : 1, vy = ey ? 2 : 0, sy = ey ? 3 : 1;
      for (int c = 0; c < 4; ++c) {
        const int ix = (c == 0 || c == 2) ? vx : sx;
        const int iy = (c == 0 || c == 1) ? vy : sy;
        const int d = 4 * k + c;
        n[d] = hx.f[ix] * hy.f[iy];
        nxx[d] = hx.d2[ix] * hy.f[iy];
        nyy[d] = hx.f[ix] * hy.d2[iy];
        nxy[d] = hx.d1[ix] * hy.d1[iy];
      }
    }
  }
};

Mat16 ElementStiffness(double a, double b, double D, double nu) {
  Mat16 k = Mat16::Zero();
  Eigen::Matrix3d dm;
  dm << 1, nu, 0, nu, 1, 0, 0, 0, (1 - nu) / 2;
  dm *= D;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      const Basis bs(kGaussX[i], kGaussX[j], a, b);
      Eigen::Matrix<double, 3, 16> B;
      B.row(0) = bs.nxx.transpose();
      B.row(1) = bs.nyy.transpose();
      B.row(2) = 2.0 * bs.nxy.transpose();
      k.noalias() += (kGaussW[i] * kGaussW[j] * a * b) * (B.transpose() * dm * B);
    }
  }
  return k;
}

bool Finite(double v) { return std::isfinite(v); }

// Local Gauss points of the 2 × 2 rule, where the bending moments of the
// bicubic element are most accurate (the second derivatives of its Hermite
// functions are superconvergent there).
const double kSample[2] = {0.5 - 0.5 / std::sqrt(3.0), 0.5 + 0.5 / std::sqrt(3.0)};

void FitTerms(double X, double Y, double t[kFitTerms]) {
  t[0] = 1.0;
  t[1] = X;
  t[2] = Y;
  t[3] = X * X;
  t[4] = X * Y;
  t[5] = Y * Y;
  t[6] = X * X * Y;
  t[7] = X * Y * Y;
  t[8] = X * X * Y * Y;
}


namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
using BgPolygon = bg::model::polygon<BgPoint>;

}  // namespace

// ---------------------------------------------------------------------------
// The grid

struct PlateMesh {
  struct Edge {
    PlatePoint a, b;
    EdgeRestraint restraint = EdgeRestraint::Free;
    bool alongX = true;
    std::vector<int> nodes;  // kept nodes on the edge, from a towards b
  };

  std::vector<double> xs, ys;  // grid lines, mm
  int nx = 0, ny = 0;
  std::vector<char> cellOn;               // nx·ny
  std::vector<int> nodeOf;                // (nx+1)(ny+1) grid node -> node id, -1
  std::vector<std::pair<int, int>> grid;  // node id -> (i, j)
  std::vector<unsigned> restrained;       // node id -> restraint bits
  std::vector<char> onSupport;            // node id -> on a supported outline edge
  std::vector<Edge> edges;
  // Moment recovery: per node the first cells (i, j) of the 2 × 2 blocks of
  // kept cells whose sampling points the node's polynomials are fitted to
  // (none when the node has no such block nearby), and the length (mm) that
  // scales the polynomial's coordinates.
  std::vector<std::vector<std::pair<int, int>>> patches;
  std::vector<double> patchScale;
  // Per element size, computed once: the curvature rows (w,xx, w,yy, w,xy)
  // at the element's corners, at its 2 × 2 sampling points and at its
  // centre, the shape functions at the centre, and the load integrals
  // ∫N, ∫u·N, ∫v·N, ∫u·v·N dA (u, v in mm from the element's corner).
  struct CellTable {
    Eigen::Matrix<double, 3, 16> corner[4], sample[4], centre;
    Vec16 nCentre, load[4];
  };
  std::vector<CellTable> tables;
  std::vector<int> cellTable;  // per cell (row-major), -1 for removed cells
  // Moment recovery operators: per node and recovery block, the least-
  // squares map from the block's 16 samples to the coefficients of the
  // node's polynomial, divided by the number of blocks; node id's operators
  // are fitOps[fitStart[id] .. fitStart[id + 1]).
  std::vector<Eigen::Matrix<double, kFitTerms, 16>> fitOps;
  std::vector<int> fitStart;
  // Per node: the supported outline edges it lies on (its support force is
  // shared among them).
  std::vector<std::vector<int>> holders;
  std::vector<int> eq;  // unknown (4·node + c) -> equation, -1 when restrained
  int unknowns = 0;
  double D = 0.0, nu = 0.0;  // kN·m, -
  double tol = 1e-6;         // mm, for matching coordinates

  int Nodes() const { return static_cast<int>(grid.size()); }
  bool CellOn(int i, int j) const { return cellOn[static_cast<size_t>(j) * nx + i] != 0; }
  int NodeAt(int i, int j) const { return nodeOf[static_cast<size_t>(j) * (nx + 1) + i]; }
  std::array<int, 4> CellNodes(int i, int j) const {
    return {NodeAt(i, j), NodeAt(i + 1, j), NodeAt(i + 1, j + 1), NodeAt(i, j + 1)};
  }
  double CellA(int i) const { return (xs[i + 1] - xs[i]) * kMmToM; }
  double CellB(int j) const { return (ys[j + 1] - ys[j]) * kMmToM; }

  // Index of the grid line nearest to v.
  static int Nearest(const std::vector<double>& lines, double v) {
    auto it = std::lower_bound(lines.begin(), lines.end(), v);
    if (it == lines.end()) return static_cast<int>(lines.size()) - 1;
    int k = static_cast<int>(it - lines.begin());
    if (k > 0 && v - lines[k - 1] < lines[k] - v) --k;
    return k;
  }

  // A kept cell containing (x, y) (mm), with the local coordinates in it.
  // Points on a cell side may belong to either neighbour; a kept one is
  // chosen.
  bool Locate(double x, double y, int& ci, int& cj, double& tx, double& ty) const {
    auto candidates = [this](const std::vector<double>& lines, double v, int n, int out[2]) {
      int count = 0;
      if (v < lines.front() - tol || v > lines.back() + tol) return 0;
      auto it = std::upper_bound(lines.begin(), lines.end(), v);
      int k = static_cast<int>(it - lines.begin()) - 1;
      k = std::clamp(k, 0, n - 1);
      out[count++] = k;
      if (k > 0 && v - lines[k] <= tol)
        out[count++] = k - 1;
      else if (k + 1 < n && lines[k + 1] - v <= tol)
        out[count++] = k + 1;
      return count;
    };
    int cx[2], cy[2];
    const int nxc = candidates(xs, x, nx, cx), nyc = candidates(ys, y, ny, cy);
    for (int a = 0; a < nxc; ++a) {
      for (int b = 0; b < nyc; ++b) {
        if (!CellOn(cx[a], cy[b])) continue;
        ci = cx[a];
        cj = cy[b];
        tx = std::clamp((x - xs[ci]) / (xs[ci + 1] - xs[ci]), 0.0, 1.0);
        ty = std::clamp((y - ys[cj]) / (ys[cj + 1] - ys[cj]), 0.0, 1.0);
        return true;
      }
    }
    return false;
  }

  // Global unknown indices of a cell's 16 element unknowns.
  std::array<int, 16> CellDofs(int i, int j) const {
    std::array<int, 16> d{};
    const std::array<int, 4> nodes = CellNodes(i, j);
    for (int k = 0; k < 4; ++k)
      for (int c = 0; c < kDof; ++c) d[4 * k + c] = kDof * nodes[k] + c;
    return d;
  }
};

namespace {

// Grid lines through the given coordinates, each interval split into equal
// parts no longer than h.
std::vector<double> GridLines(std::vector<double> at, double h, double tol) {
  std::sort(at.begin(), at.end());
  std::vector<double> merged;
  for (double v : at)
    if (merged.empty() || v - merged.back() > tol) merged.push_back(v);
  std::vector<double> lines;
  for (size_t k = 0; k + 1 < merged.size(); ++k) {
    const double a = merged[k], b = merged[k + 1];
    const int parts = std::max(1, static_cast<int>(std::ceil((b - a) / h - 1e-9)));
    for (int p = 0; p < parts; ++p) lines.push_back(a + (b - a) * p / parts);
  }
  lines.push_back(merged.back());
  return lines;
}

// Narrowest cross-section of an orthogonal outline: the smallest width of
// the inside intervals on the lines halfway between neighbouring corner
// coordinates, in x and in y.
double NarrowestWidth(const std::vector<PlatePoint>& outline) {
  const size_t n = outline.size();
  double narrowest = std::numeric_limits<double>::infinity();
  for (int axis = 0; axis < 2; ++axis) {
    auto along = [axis](const PlatePoint& p) { return axis == 0 ? p.x : p.y; };
    auto across = [axis](const PlatePoint& p) { return axis == 0 ? p.y : p.x; };
    std::vector<double> cuts;
    for (const PlatePoint& p : outline) cuts.push_back(along(p));
    std::sort(cuts.begin(), cuts.end());
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
      if (cuts[k + 1] - cuts[k] <= 0.0) continue;
      const double mid = 0.5 * (cuts[k] + cuts[k + 1]);
      std::vector<double> hits;  // edges crossing the line at `mid`
      for (size_t e = 0; e < n; ++e) {
        const PlatePoint& a = outline[e];
        const PlatePoint& b = outline[(e + 1) % n];
        if ((along(a) < mid) != (along(b) < mid)) hits.push_back(0.5 * (across(a) + across(b)));
      }
      std::sort(hits.begin(), hits.end());
      for (size_t h = 0; h + 1 < hits.size(); h += 2)
        narrowest = std::min(narrowest, hits[h + 1] - hits[h]);
    }
  }
  return narrowest;
}

std::string BuildMesh(const PlateInput& in, PlateMesh& m) {
  const size_t n = in.outline.size();
  if (n < 4) return "the outline needs at least four corners";
  if (in.restraints.size() != n) return "the outline needs one restraint per edge";
  for (const PlatePoint& p : in.outline)
    if (!Finite(p.x) || !Finite(p.y)) return "an outline corner is not a finite number";
  for (EdgeRestraint r : in.restraints)
    if (static_cast<int>(r) < 0 || static_cast<int>(r) > 2) return "unknown edge restraint";
  if (!Finite(in.thickness) || in.thickness <= 0.0) return "the thickness must be positive";
  if (!Finite(in.elasticModulus) || in.elasticModulus <= 0.0)
    return "the elastic modulus must be positive";
  if (!Finite(in.poisson) || in.poisson <= -1.0 || in.poisson >= 0.5)
    return "Poisson's ratio must lie between -1 and 0.5";
  if (in.divisions < 1 || in.divisions > 400)
    return "the mesh divisions must lie between 1 and 400";

  double xmin = in.outline[0].x, xmax = xmin, ymin = in.outline[0].y, ymax = ymin;
  for (const PlatePoint& p : in.outline) {
    xmin = std::min(xmin, p.x);
    xmax = std::max(xmax, p.x);
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  const double w = xmax - xmin, hgt = ymax - ymin;
  if (!(w > 0.0) || !(hgt > 0.0)) return "the outline has no area";
  m.tol = 1e-6 * std::max(w, hgt);

  m.edges.resize(n);
  for (size_t e = 0; e < n; ++e) {
    const PlatePoint& a = in.outline[e];
    const PlatePoint& b = in.outline[(e + 1) % n];
    const double dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
    if (dx <= m.tol && dy <= m.tol) return "outline edge " + std::to_string(e) + " has no length";
    if (dx > m.tol && dy > m.tol)
      return "outline edge " + std::to_string(e) + " is not parallel to an axis";
    m.edges[e].a = a;
    m.edges[e].b = b;
    m.edges[e].restraint = in.restraints[e];
    m.edges[e].alongX = dy <= m.tol;
  }

  BgPolygon poly;
  for (const PlatePoint& p : in.outline) bg::append(poly.outer(), BgPoint(p.x, p.y));
  bg::correct(poly);
  std::string why;
  if (!bg::is_valid(poly, why)) return "the outline crosses itself (" + why + ")";

  for (const PlateOpening& o : in.openings) {
    if (!Finite(o.x0) || !Finite(o.y0) || !Finite(o.x1) || !Finite(o.y1) || o.x1 - o.x0 <= m.tol ||
        o.y1 - o.y0 <= m.tol)
      return "an opening needs x0 < x1 and y0 < y1";
  }

  std::vector<double> cx, cy;
  for (const PlatePoint& p : in.outline) {
    cx.push_back(p.x);
    cy.push_back(p.y);
  }
  for (const PlateOpening& o : in.openings) {
    for (double v : {o.x0, o.x1})
      if (v > xmin && v < xmax) cx.push_back(v);
    for (double v : {o.y0, o.y1})
      if (v > ymin && v < ymax) cy.push_back(v);
  }
  // Element size: `divisions` across the narrowest cross-section of the
  // outline (the shorter side of a rectangle, the width of an L-shape's
  // arms), but no more than 8·divisions elements along the longer side of
  // the bounding box, so a slender ledge does not blow up the whole mesh.
  const double h =
      std::max(NarrowestWidth(in.outline) / in.divisions, std::max(w, hgt) / (8.0 * in.divisions));
  m.xs = GridLines(cx, h, m.tol);
  m.ys = GridLines(cy, h, m.tol);
  // Where a free edge meets a supported one, the moment along the support
  // rises steeply to its peak just short of the corner and falls to zero at
  // it (a wall's side moment under its free top): the elements next to such
  // a corner are split at a quarter and a half, which resolves the peak and
  // leaves the rest of the grid as it was.
  auto refine = [&m](std::vector<double>& lines, double c) {
    const int k = PlateMesh::Nearest(lines, c);
    std::vector<double> extra;
    if (k > 0) {
      const double d = lines[k] - lines[k - 1];
      extra.insert(extra.end(), {lines[k] - 0.25 * d, lines[k] - 0.5 * d});
    }
    if (k + 1 < static_cast<int>(lines.size())) {
      const double d = lines[k + 1] - lines[k];
      extra.insert(extra.end(), {lines[k] + 0.25 * d, lines[k] + 0.5 * d});
    }
    lines.insert(lines.end(), extra.begin(), extra.end());
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end(), [&m](double a, double b) { return b - a <= m.tol; }),
                lines.end());
  };
  std::vector<double> rx, ry;
  for (size_t e = 0; e < n; ++e) {
    const size_t f = (e + 1) % n;
    if ((in.restraints[e] == EdgeRestraint::Free) == (in.restraints[f] == EdgeRestraint::Free)) continue;
    rx.push_back(in.outline[f].x);
    ry.push_back(in.outline[f].y);
  }
  std::sort(rx.begin(), rx.end());
  rx.erase(std::unique(rx.begin(), rx.end()), rx.end());
  std::sort(ry.begin(), ry.end());
  ry.erase(std::unique(ry.begin(), ry.end()), ry.end());
  for (double c : rx) refine(m.xs, c);
  for (double c : ry) refine(m.ys, c);
  m.nx = static_cast<int>(m.xs.size()) - 1;
  m.ny = static_cast<int>(m.ys.size()) - 1;
  if (static_cast<double>(m.nx) * m.ny > 250000.0) return "the mesh is too fine for one board";

  m.cellOn.assign(static_cast<size_t>(m.nx) * m.ny, 0);
  int kept = 0;
  for (int j = 0; j < m.ny; ++j) {
    for (int i = 0; i < m.nx; ++i) {
      const double xc = 0.5 * (m.xs[i] + m.xs[i + 1]), yc = 0.5 * (m.ys[j] + m.ys[j + 1]);
      bool on = bg::within(BgPoint(xc, yc), poly);
      for (const PlateOpening& o : in.openings)
        if (xc > o.x0 && xc < o.x1 && yc > o.y0 && yc < o.y1) on = false;
      m.cellOn[static_cast<size_t>(j) * m.nx + i] = on ? 1 : 0;
      kept += on ? 1 : 0;
    }
  }
  if (kept == 0) return "the openings leave nothing of the board";

  m.nodeOf.assign(static_cast<size_t>(m.nx + 1) * (m.ny + 1), -1);
  for (int j = 0; j <= m.ny; ++j) {
    for (int i = 0; i <= m.nx; ++i) {
      bool used = false;
      for (int dj = -1; dj <= 0 && !used; ++dj)
        for (int di = -1; di <= 0 && !used; ++di) {
          const int ci = i + di, cj = j + dj;
          if (ci >= 0 && cj >= 0 && ci < m.nx && cj < m.ny && m.CellOn(ci, cj)) used = true;
        }
      if (used) {
        m.nodeOf[static_cast<size_t>(j) * (m.nx + 1) + i] = static_cast<int>(m.grid.size());
        m.grid.emplace_back(i, j);
      }
    }
  }

  // Edge nodes and restraints.
  m.restrained.assign(m.grid.size(), 0u);
  m.onSupport.assign(m.grid.size(), 0);
  for (PlateMesh::Edge& e : m.edges) {
    std::vector<std::pair<double, int>> along;
    if (e.alongX) {
      const int j = PlateMesh::Nearest(m.ys, e.a.y);
      const double lo = std::min(e.a.x, e.b.x) - m.tol, hi = std::max(e.a.x, e.b.x) + m.tol;
      for (int i = 0; i <= m.nx; ++i) {
        const int id = m.NodeAt(i, j);
        if (id >= 0 && m.xs[i] >= lo && m.xs[i] <= hi)
          along.emplace_back(std::abs(m.xs[i] - e.a.x), id);
      }
    } else {
      const int i = PlateMesh::Nearest(m.xs, e.a.x);
      const double lo = std::min(e.a.y, e.b.y) - m.tol, hi = std::max(e.a.y, e.b.y) + m.tol;
      for (int j = 0; j <= m.ny; ++j) {
        const int id = m.NodeAt(i, j);
        if (id >= 0 && m.ys[j] >= lo && m.ys[j] <= hi)
          along.emplace_back(std::abs(m.ys[j] - e.a.y), id);
      }
    }
    std::sort(along.begin(), along.end());
    unsigned bits = 0;
    if (e.restraint == EdgeRestraint::Fixed)
      bits = kW | kWx | kWy | kWxy;
    else if (e.restraint == EdgeRestraint::Simple)
      bits = kW | (e.alongX ? kWx : kWy);
    for (const auto& [dist, id] : along) {
      e.nodes.push_back(id);
      m.restrained[id] |= bits;
      if (bits) m.onSupport[id] = 1;
    }
  }

  // Recovery blocks: the 2 × 2 block centred on the node if all four cells
  // are kept, else the nearest such blocks shifted by one cell (edges,
  // opening sides, re-entrant corners), else by one cell in both directions
  // (outer corners).  All blocks of the nearest kind are used, so that a
  // symmetric board gets symmetric moments.
  m.patches.assign(m.grid.size(), {});
  m.patchScale.assign(m.grid.size(), 1.0);
  static const int kShift[3][4][2] = {{{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}},
                                      {{-1, 0}, {0, -1}, {-1, -2}, {-2, -1}},
                                      {{0, 0}, {-2, -2}, {0, -2}, {-2, 0}}};
  for (int id = 0; id < m.Nodes(); ++id) {
    const auto [i, j] = m.grid[id];
    for (int rank = 0; rank < 3 && m.patches[id].empty(); ++rank) {
      for (int k = 0; k < (rank == 0 ? 1 : 4); ++k) {
        const int si = i + kShift[rank][k][0], sj = j + kShift[rank][k][1];
        if (si < 0 || sj < 0 || si + 1 >= m.nx || sj + 1 >= m.ny) continue;
        if (!m.CellOn(si, sj) || !m.CellOn(si + 1, sj) || !m.CellOn(si, sj + 1) ||
            !m.CellOn(si + 1, sj + 1))
          continue;
        m.patches[id].emplace_back(si, sj);
        m.patchScale[id] =
            std::max({m.patchScale[id], m.xs[si + 2] - m.xs[si], m.ys[sj + 2] - m.ys[sj]});
      }
    }
  }

  // Element tables, one per element size.
  m.cellTable.assign(static_cast<size_t>(m.nx) * m.ny, -1);
  {
    std::map<std::pair<double, double>, int> bySize;
    static const double corner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    auto curvature = [](const Basis& bs) {
      Eigen::Matrix<double, 3, 16> c;
      c.row(0) = bs.nxx.transpose();
      c.row(1) = bs.nyy.transpose();
      c.row(2) = bs.nxy.transpose();
      return c;
    };
    for (int j = 0; j < m.ny; ++j)
      for (int i = 0; i < m.nx; ++i) {
        if (!m.CellOn(i, j)) continue;
        const double ax = m.xs[i + 1] - m.xs[i], by = m.ys[j + 1] - m.ys[j];
        auto [it, fresh] = bySize.try_emplace({ax, by}, static_cast<int>(m.tables.size()));
        m.cellTable[static_cast<size_t>(j) * m.nx + i] = it->second;
        if (!fresh) continue;
        const double a = ax * kMmToM, b = by * kMmToM;
        PlateMesh::CellTable t;
        for (int k = 0; k < 4; ++k) t.corner[k] = curvature(Basis(corner[k][0], corner[k][1], a, b));
        for (int q = 0; q < 2; ++q)
          for (int p = 0; p < 2; ++p) t.sample[2 * q + p] = curvature(Basis(kSample[p], kSample[q], a, b));
        const Basis centre(0.5, 0.5, a, b);
        t.centre = curvature(centre);
        t.nCentre = centre.n;
        for (Vec16& v : t.load) v.setZero();
        for (int p = 0; p < 4; ++p)
          for (int q = 0; q < 4; ++q) {
            const double u = ax * kGaussX[p], v = by * kGaussX[q];
            const Vec16 wn = (kGaussW[p] * kGaussW[q] * a * b) * Basis(kGaussX[p], kGaussX[q], a, b).n;
            t.load[0] += wn;
            t.load[1] += u * wn;
            t.load[2] += v * wn;
            t.load[3] += u * v * wn;
          }
        m.tables.push_back(t);
      }
  }
  // Recovery operators.  The samples of a cell lie at fixed points of it, so
  // the least-squares fit depends on the geometry only.
  m.fitStart.assign(m.grid.size() + 1, 0);
  for (int id = 0; id < m.Nodes(); ++id) {
    m.fitStart[id] = static_cast<int>(m.fitOps.size());
    const std::vector<std::pair<int, int>>& blocks = m.patches[id];
    const auto [ni, nj] = m.grid[id];
    const double s = m.patchScale[id];
    for (const auto& [si, sj] : blocks) {
      Eigen::Matrix<double, 16, kFitTerms> A;
      int row = 0;
      for (int cj = sj; cj < sj + 2; ++cj)
        for (int ci = si; ci < si + 2; ++ci)
          for (int q = 0; q < 2; ++q)
            for (int p = 0; p < 2; ++p, ++row) {
              const double x = m.xs[ci] + kSample[p] * (m.xs[ci + 1] - m.xs[ci]);
              const double y = m.ys[cj] + kSample[q] * (m.ys[cj + 1] - m.ys[cj]);
              double t[kFitTerms];
              FitTerms((x - m.xs[ni]) / s, (y - m.ys[nj]) / s, t);
              for (int k = 0; k < kFitTerms; ++k) A(row, k) = t[k];
            }
      // Normal equations: the coordinates are scaled to the block, so AᵀA
      // is well conditioned.
      const Eigen::Matrix<double, kFitTerms, kFitTerms> ata = A.transpose() * A;
      const Eigen::Matrix<double, kFitTerms, 16> op = ata.ldlt().solve(A.transpose());
      m.fitOps.push_back(op / static_cast<double>(blocks.size()));
    }
  }
  m.fitStart[m.grid.size()] = static_cast<int>(m.fitOps.size());
  m.holders.assign(m.grid.size(), {});
  for (size_t e = 0; e < m.edges.size(); ++e) {
    if (m.edges[e].restraint == EdgeRestraint::Free) continue;
    for (int id : m.edges[e].nodes)
      if (std::find(m.holders[id].begin(), m.holders[id].end(), static_cast<int>(e)) == m.holders[id].end())
        m.holders[id].push_back(static_cast<int>(e));
  }

  m.eq.assign(static_cast<size_t>(kDof) * m.grid.size(), -1);
  m.unknowns = 0;
  for (int id = 0; id < m.Nodes(); ++id)
    for (int c = 0; c < kDof; ++c)
      if (!(m.restrained[id] & (1u << c))) m.eq[kDof * id + c] = m.unknowns++;

  const double E = in.elasticModulus * 1e3;  // kPa
  const double t = in.thickness * kMmToM;
  m.nu = in.poisson;
  m.D = E * t * t * t / (12.0 * (1.0 - m.nu * m.nu));
  return {};
}

// Whether the supports hold every part of the board.  A part is a set of
// kept elements joined through shared nodes (a shared node passes w and both
// slopes, so the parts move together).  Unloaded by restraints, a part can
// move only as a rigid plane w = a + b·x + c·y, the whole null space of its
// stiffness; the restraints of its nodes (w = 0, ∂w/∂x = 0, ∂w/∂y = 0) are
// linear conditions on (a, b, c), and the part is held exactly when they
// have rank 3.  Exact, unlike pivot sizes.  Empty when every part is held.
std::string CheckSupports(const PlateMesh& m) {
  // Union–find of nodes through the elements.
  std::vector<int> parent(m.Nodes());
  for (int k = 0; k < m.Nodes(); ++k) parent[k] = k;
  auto find = [&parent](int k) {
    while (parent[k] != k) k = parent[k] = parent[parent[k]];
    return k;
  };
  for (int j = 0; j < m.ny; ++j)
    for (int i = 0; i < m.nx; ++i) {
      if (!m.CellOn(i, j)) continue;
      const std::array<int, 4> cn = m.CellNodes(i, j);
      for (int k = 1; k < 4; ++k) parent[find(cn[k])] = find(cn[0]);
    }
  const double size = std::max(m.xs.back() - m.xs.front(), m.ys.back() - m.ys.front());
  std::map<int, Eigen::Matrix3d> normal;  // part root -> Σ rᵀr of its conditions
  std::map<int, int> nodesOfPart;
  std::map<int, PlatePoint> somePoint;
  for (int id = 0; id < m.Nodes(); ++id) {
    const int root = find(id);
    auto [it, fresh] = normal.try_emplace(root, Eigen::Matrix3d::Zero());
    if (fresh) somePoint[root] = {m.xs[m.grid[id].first], m.ys[m.grid[id].second]};
    ++nodesOfPart[root];
    const unsigned bits = m.restrained[id];
    const double X = (m.xs[m.grid[id].first] - m.xs.front()) / size;
    const double Y = (m.ys[m.grid[id].second] - m.ys.front()) / size;
    if (bits & kW) it->second += Eigen::Vector3d(1, X, Y) * Eigen::RowVector3d(1, X, Y);
    if (bits & kWx) it->second(1, 1) += 1.0;
    if (bits & kWy) it->second(2, 2) += 1.0;
  }
  for (const auto& [root, mat] : normal) {
    const Eigen::Vector3d ev = Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(mat).eigenvalues();
    if (ev[2] > 0.0 && ev[0] > 1e-12 * ev[2]) continue;
    const PlatePoint& p = somePoint[root];
    std::string where;
    if (normal.size() > 1)
      where = "the part of the board at (" + std::to_string(static_cast<long>(std::lround(p.x))) +
              ", " + std::to_string(static_cast<long>(std::lround(p.y))) +
              ") mm, cut off by openings, ";
    else
      where = "the board ";
    if (!(ev[2] > 0.0)) return where + "has no supported edge and would move as a rigid body";
    return where +
           "can turn about the line of its supports (a single simply supported edge, or "
           "supports all in one line); it needs a fixed edge or supports that are not in "
           "one line";
  }
  return {};
}

}  // namespace

// ---------------------------------------------------------------------------
// Inputs

PlateAreaLoad PlateAreaLoad::Uniform(double q) {
  PlateAreaLoad l;
  l.q0 = q;
  return l;
}

PlateAreaLoad PlateAreaLoad::AlongY(double ya, double q1, double yb, double q2) {
  PlateAreaLoad l;
  if (yb != ya) {
    l.gy = (q2 - q1) / (yb - ya);
    l.q0 = q1 - l.gy * ya;
  } else {
    l.q0 = q1;
  }
  l.y0 = std::min(ya, yb);
  l.y1 = std::max(ya, yb);
  return l;
}

PlateAreaLoad PlateAreaLoad::AlongX(double xa, double q1, double xb, double q2) {
  PlateAreaLoad l;
  if (xb != xa) {
    l.gx = (q2 - q1) / (xb - xa);
    l.q0 = q1 - l.gx * xa;
  } else {
    l.q0 = q1;
  }
  l.x0 = std::min(xa, xb);
  l.x1 = std::max(xa, xb);
  return l;
}

PlateInput PlateInput::Rectangle(double lx, double ly, const std::array<EdgeRestraint, 4>& r,
                                 double thickness, double elasticModulus, double poisson,
                                 int divisions) {
  PlateInput in;
  in.outline = {{0.0, 0.0}, {lx, 0.0}, {lx, ly}, {0.0, ly}};
  in.restraints.assign(r.begin(), r.end());
  in.thickness = thickness;
  in.elasticModulus = elasticModulus;
  in.poisson = poisson;
  in.divisions = divisions;
  return in;
}

PlateMoments PlateMoments::Rotated(double angle) const {
  const double c = std::cos(angle), s = std::sin(angle);
  PlateMoments r;
  r.mx = mx * c * c + my * s * s + 2.0 * mxy * s * c;
  r.my = mx * s * s + my * c * c - 2.0 * mxy * s * c;
  r.mxy = (my - mx) * s * c + mxy * (c * c - s * s);
  return r;
}

// ---------------------------------------------------------------------------
// Model

struct PlateModel::Impl {
  // Element stiffnesses by element size, and per kept cell (row-major) the
  // one that belongs to it, for the support forces.
  std::map<std::pair<double, double>, Mat16> stiffness;
  std::vector<const Mat16*> cellStiffness;
  Eigen::VectorXd scale;  // 1/√K_ii of the free unknowns
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt;
  Eigen::SparseMatrix<double> kFree;  // scaled, for the residual check
};

PlateModel::~PlateModel() = default;

int PlateModel::Unknowns() const { return m_mesh ? m_mesh->unknowns : 0; }

PlateModel::PlateModel(const PlateInput& input) {
  auto mesh = std::make_shared<PlateMesh>();
  std::string why = BuildMesh(input, *mesh);
  if (!why.empty()) {
    m_status = SolveStatus::InvalidInput;
    m_reason = why;
    return;
  }
  why = CheckSupports(*mesh);
  if (!why.empty()) {
    m_status = SolveStatus::Singular;
    m_reason = why;
    return;
  }
  m_impl = std::make_unique<Impl>();
  const PlateMesh& m = *mesh;

  std::map<std::pair<double, double>, Mat16>& cache = m_impl->stiffness;
  m_impl->cellStiffness.assign(static_cast<size_t>(m.nx) * m.ny, nullptr);
  std::vector<Eigen::Triplet<double>> free;
  free.reserve(static_cast<size_t>(m.nx) * m.ny * 136);
  for (int j = 0; j < m.ny; ++j) {
    for (int i = 0; i < m.nx; ++i) {
      if (!m.CellOn(i, j)) continue;
      const double a = m.CellA(i), b = m.CellB(j);
      auto it = cache.find({a, b});
      if (it == cache.end())
        it = cache.emplace(std::make_pair(a, b), ElementStiffness(a, b, m.D, m.nu)).first;
      const Mat16& ke = it->second;
      m_impl->cellStiffness[static_cast<size_t>(j) * m.nx + i] = &ke;
      const std::array<int, 16> dofs = m.CellDofs(i, j);
      for (int r = 0; r < 16; ++r) {
        const int er = m.eq[dofs[r]];
        if (er < 0) continue;
        for (int c = 0; c < 16; ++c) {
          const int ec = m.eq[dofs[c]];
          if (ec >= 0 && er >= ec) free.emplace_back(er, ec, ke(r, c));
        }
      }
    }
  }

  if (m.unknowns == 0) {
    // Every unknown is held (e.g. one fixed element): nothing to factorise.
    m_mesh = mesh;
    m_status = SolveStatus::Ok;
    return;
  }
  Eigen::SparseMatrix<double> kf(m.unknowns, m.unknowns);
  kf.setFromTriplets(free.begin(), free.end());
  Eigen::VectorXd diag = kf.diagonal();
  m_impl->scale.resize(m.unknowns);
  for (int k = 0; k < m.unknowns; ++k)
    m_impl->scale[k] = diag[k] > 0 ? 1.0 / std::sqrt(diag[k]) : 1.0;
  kf = m_impl->scale.asDiagonal() * kf * m_impl->scale.asDiagonal();
  m_impl->kFree = kf;
  m_impl->ldlt.compute(kf);
  bool singular = m_impl->ldlt.info() != Eigen::Success;
  if (!singular) {
    const Eigen::VectorXd& d = m_impl->ldlt.vectorD();
    singular = !(d.minCoeff() > kPivotFloor) || !d.allFinite();
  }
  if (singular) {
    m_status = SolveStatus::Singular;
    m_reason = "the board's stiffness could not be factorised (numerically singular)";
    m_impl.reset();
    return;
  }
  m_mesh = mesh;
  m_status = SolveStatus::Ok;
}

namespace {

// Adds ∫ q·N over the part of cell (i, j) inside the load's region.
void AddAreaLoad(const PlateMesh& m, int i, int j, const PlateAreaLoad& l, Eigen::VectorXd& f) {
  const double x0 = std::max(m.xs[i], l.x0), x1 = std::min(m.xs[i + 1], l.x1);
  const double y0 = std::max(m.ys[j], l.y0), y1 = std::min(m.ys[j + 1], l.y1);
  if (!(x1 - x0 > m.tol) || !(y1 - y0 > m.tol)) return;
  const std::array<int, 16> dofs = m.CellDofs(i, j);
  const int table = m.cellTable[static_cast<size_t>(j) * m.nx + i];
  if (table >= 0 && x0 <= m.xs[i] && x1 >= m.xs[i + 1] && y0 <= m.ys[j] && y1 >= m.ys[j + 1]) {
    // The whole element is loaded: q = c0 + c1·u + c2·v + c3·u·v in the
    // element's own coordinates, integrated from the table.
    const double xi = m.xs[i], yj = m.ys[j];
    const PlateMesh::CellTable& t = m.tables[table];
    const Vec16 fe = (l.q0 + l.gx * xi + l.gy * yj + l.gxy * xi * yj) * t.load[0] + (l.gx + l.gxy * yj) * t.load[1] +
                     (l.gy + l.gxy * xi) * t.load[2] + l.gxy * t.load[3];
    for (int r = 0; r < 16; ++r) f[dofs[r]] += fe[r];
    return;
  }
  const double a = m.CellA(i), b = m.CellB(j);
  const double ax = m.xs[i + 1] - m.xs[i], by = m.ys[j + 1] - m.ys[j];
  Vec16 fe = Vec16::Zero();
  for (int p = 0; p < 4; ++p) {
    for (int q = 0; q < 4; ++q) {
      const double x = x0 + (x1 - x0) * kGaussX[p], y = y0 + (y1 - y0) * kGaussX[q];
      const double load = l.q0 + l.gx * x + l.gy * y + l.gxy * x * y;
      const double weight = kGaussW[p] * kGaussW[q] * (x1 - x0) * (y1 - y0) * kMmToM * kMmToM;
      const Basis bs((x - m.xs[i]) / ax, (y - m.ys[j]) / by, a, b);
      fe += (weight * load) * bs.n;
    }
  }
  for (int r = 0; r < 16; ++r) f[dofs[r]] += fe[r];
}

void AddPointForce(const PlateMesh& m, int i, int j, double tx, double ty, double p,
                   Eigen::VectorXd& f) {
  const Basis bs(tx, ty, m.CellA(i), m.CellB(j));
  const std::array<int, 16> dofs = m.CellDofs(i, j);
  for (int r = 0; r < 16; ++r) f[dofs[r]] += p * bs.n[r];
}

std::string AddLineLoad(const PlateMesh& m, const PlateLineLoad& l, Eigen::VectorXd& f) {
  const double dx = l.x1 - l.x0, dy = l.y1 - l.y0;
  const double len = std::hypot(dx, dy) * kMmToM;
  if (!(len * 1e3 > m.tol)) return "a line load has no length";
  std::vector<double> ts = {0.0, 1.0};
  if (std::abs(dx) > m.tol)
    for (double x : m.xs) {
      const double t = (x - l.x0) / dx;
      if (t > 0.0 && t < 1.0) ts.push_back(t);
    }
  if (std::abs(dy) > m.tol)
    for (double y : m.ys) {
      const double t = (y - l.y0) / dy;
      if (t > 0.0 && t < 1.0) ts.push_back(t);
    }
  std::sort(ts.begin(), ts.end());
  for (size_t k = 0; k + 1 < ts.size(); ++k) {
    const double ta = ts[k], tb = ts[k + 1];
    if (tb - ta < 1e-12) continue;
    int ci, cj;
    double tx, ty;
    const double tm = 0.5 * (ta + tb);
    if (!m.Locate(l.x0 + tm * dx, l.y0 + tm * dy, ci, cj, tx, ty))
      return "a line load runs outside the board or through an opening";
    const double ax = m.xs[ci + 1] - m.xs[ci], by = m.ys[cj + 1] - m.ys[cj];
    for (int g = 0; g < 4; ++g) {
      const double t = ta + (tb - ta) * kGaussX[g];
      const double x = l.x0 + t * dx, y = l.y0 + t * dy;
      const double p = l.p0 + (l.p1 - l.p0) * t;
      const double lx = std::clamp((x - m.xs[ci]) / ax, 0.0, 1.0);
      const double ly = std::clamp((y - m.ys[cj]) / by, 0.0, 1.0);
      AddPointForce(m, ci, cj, lx, ly, p * kGaussW[g] * (tb - ta) * len, f);
    }
  }
  return {};
}

}  // namespace

double PlateResult::FitValue(int node, int component, double x, double y) const {
  const PlateMesh& m = *m_mesh;
  const auto [i, j] = m.grid[node];
  const double s = m.patchScale[node];
  double t[kFitTerms];
  FitTerms((x - m.xs[i]) / s, (y - m.ys[j]) / s, t);
  const double* c = &m_fit[(static_cast<size_t>(node) * 2 + component) * kFitTerms];
  double v = 0.0;
  for (int k = 0; k < kFitTerms; ++k) v += c[k] * t[k];
  return v;
}

// Moment recovery.  Mx and My: at every node a biquadratic polynomial is
// fitted by least squares to the element values at the 2 × 2 Gauss points
// of a block of four elements around it (superconvergent patch recovery;
// where several blocks are equally near, the mean of their fits);
// the node takes its value, and a point inside an element blends the
// polynomials of the element's four corners bilinearly.  Plain averaging of
// the elements' corner values would leave an error of about q·h²/12 (h the
// element size) at every node; the fit removes it.  Mxy: averaged from the
// element corners, where the twist is already superconvergent.  A node
// without a block of four kept elements nearby (narrow strips between
// openings) falls back to averaging for all three.
void PlateResult::Recover() {
  const PlateMesh& m = *m_mesh;
  const std::vector<double>& u = m_u;
  PlateResult& res = *this;
  const int nodes = m.Nodes();
  std::vector<int> count(nodes, 0);
  res.m_nodes.assign(nodes, PlateNodeResult{});
  res.m_fit.assign(static_cast<size_t>(nodes) * 2 * kFitTerms, 0.0);
  res.m_centres.clear();
  res.m_centres.reserve(static_cast<size_t>(m.nx) * m.ny);
  // Samples per cell: mx and my at the 4 sampling points, kN·m/m.
  std::vector<Eigen::Matrix<double, 4, 2>> samples(static_cast<size_t>(m.nx) * m.ny);
  const double D = m.D, nu = m.nu;
  auto moments = [D, nu](const Eigen::Vector3d& c) {
    return PlateMoments{-D * (c[0] + nu * c[1]), -D * (c[1] + nu * c[0]), -D * (1.0 - nu) * c[2]};
  };
  for (int j = 0; j < m.ny; ++j) {
    for (int i = 0; i < m.nx; ++i) {
      const int table = m.cellTable[static_cast<size_t>(j) * m.nx + i];
      if (table < 0) continue;
      const PlateMesh::CellTable& t = m.tables[table];
      const std::array<int, 16> dofs = m.CellDofs(i, j);
      Vec16 ue;
      for (int k = 0; k < 16; ++k) ue[k] = u[dofs[k]];
      const std::array<int, 4> cn = m.CellNodes(i, j);
      for (int k = 0; k < 4; ++k) {
        const PlateMoments mm = moments(t.corner[k] * ue);
        PlateNodeResult& nr = res.m_nodes[cn[k]];
        nr.m.mx += mm.mx;
        nr.m.my += mm.my;
        nr.m.mxy += mm.mxy;
        ++count[cn[k]];
      }
      Eigen::Matrix<double, 4, 2>& smp = samples[static_cast<size_t>(j) * m.nx + i];
      for (int k = 0; k < 4; ++k) {
        const PlateMoments mm = moments(t.sample[k] * ue);
        smp(k, 0) = mm.mx;
        smp(k, 1) = mm.my;
      }
      PlateNodeResult c;
      c.x = 0.5 * (m.xs[i] + m.xs[i + 1]);
      c.y = 0.5 * (m.ys[j] + m.ys[j + 1]);
      c.w = t.nCentre.dot(ue) / kMmToM;
      c.m.mxy = moments(t.centre * ue).mxy;
      res.m_centres.push_back(c);
    }
  }
  Eigen::Matrix<double, 16, 2> B;
  for (int id = 0; id < nodes; ++id) {
    PlateNodeResult& nr = res.m_nodes[id];
    const auto [i, j] = m.grid[id];
    nr.x = m.xs[i];
    nr.y = m.ys[j];
    nr.w = u[kDof * id] / kMmToM;
    nr.onSupport = m.onSupport[id] != 0;
    const double c = count[id] > 0 ? 1.0 / count[id] : 0.0;
    nr.m.mx *= c;
    nr.m.my *= c;
    nr.m.mxy *= c;
    double* fx = &res.m_fit[static_cast<size_t>(id) * 2 * kFitTerms];
    double* fy = fx + kFitTerms;
    const std::vector<std::pair<int, int>>& blocks = m.patches[id];
    if (blocks.empty()) {
      fx[0] = nr.m.mx;
      fy[0] = nr.m.my;
      continue;
    }
    Eigen::Matrix<double, kFitTerms, 2> coef = Eigen::Matrix<double, kFitTerms, 2>::Zero();
    for (std::size_t k = 0; k < blocks.size(); ++k) {
      const auto [si, sj] = blocks[k];
      int row = 0;
      for (int cj = sj; cj < sj + 2; ++cj)
        for (int ci = si; ci < si + 2; ++ci, row += 4)
          B.middleRows<4>(row) = samples[static_cast<size_t>(cj) * m.nx + ci];
      coef.noalias() += m.fitOps[m.fitStart[id] + k] * B;
    }
    for (int k = 0; k < kFitTerms; ++k) {
      fx[k] = coef(k, 0);
      fy[k] = coef(k, 1);
    }
    nr.m.mx = coef(0, 0);
    nr.m.my = coef(0, 1);
  }
  // Element centres from the blended polynomials of their corners.
  size_t cell = 0;
  for (int j = 0; j < m.ny; ++j)
    for (int i = 0; i < m.nx; ++i) {
      if (!m.CellOn(i, j)) continue;
      PlateNodeResult& c = res.m_centres[cell++];
      const std::array<int, 4> cn = m.CellNodes(i, j);
      c.m.mx = c.m.my = 0.0;
      for (int k = 0; k < 4; ++k) {
        c.m.mx += 0.25 * res.FitValue(cn[k], 0, c.x, c.y);
        c.m.my += 0.25 * res.FitValue(cn[k], 1, c.x, c.y);
      }
    }
}

PlateResult PlateModel::Solve(const PlateLoadCase& loads) const {
  PlateResult res;
  if (m_status != SolveStatus::Ok) {
    res.Fail(m_status, m_reason);
    return res;
  }
  const PlateMesh& m = *m_mesh;
  const int nAll = kDof * m.Nodes();
  Eigen::VectorXd f = Eigen::VectorXd::Zero(nAll);

  for (const PlateAreaLoad& l : loads.areas) {
    if (!Finite(l.q0) || !Finite(l.gx) || !Finite(l.gy) || !Finite(l.gxy) || std::isnan(l.x0) ||
        std::isnan(l.x1) || std::isnan(l.y0) || std::isnan(l.y1)) {
      res.Fail(SolveStatus::InvalidInput, "an area load is not a finite number");
      return res;
    }
    if (l.x0 > l.x1 || l.y0 > l.y1) {
      res.Fail(SolveStatus::InvalidInput, "an area load region needs x0 <= x1 and y0 <= y1");
      return res;
    }
    for (int j = 0; j < m.ny; ++j)
      for (int i = 0; i < m.nx; ++i)
        if (m.CellOn(i, j)) AddAreaLoad(m, i, j, l, f);
  }
  for (const PlatePointLoad& p : loads.points) {
    int ci, cj;
    double tx, ty;
    if (!Finite(p.x) || !Finite(p.y) || !Finite(p.p)) {
      res.Fail(SolveStatus::InvalidInput, "a point load is not a finite number");
      return res;
    }
    if (!m.Locate(p.x, p.y, ci, cj, tx, ty)) {
      res.Fail(SolveStatus::InvalidInput, "a point load lies outside the board or in an opening");
      return res;
    }
    AddPointForce(m, ci, cj, tx, ty, p.p, f);
  }
  for (const PlateLineLoad& l : loads.lines) {
    if (!Finite(l.x0) || !Finite(l.y0) || !Finite(l.x1) || !Finite(l.y1) || !Finite(l.p0) ||
        !Finite(l.p1)) {
      res.Fail(SolveStatus::InvalidInput, "a line load is not a finite number");
      return res;
    }
    std::string why = AddLineLoad(m, l, f);
    if (!why.empty()) {
      res.Fail(SolveStatus::InvalidInput, why);
      return res;
    }
  }

  // Solve for the free unknowns.
  Eigen::VectorXd u = Eigen::VectorXd::Zero(nAll);
  if (m.unknowns > 0) {
    Eigen::VectorXd rhs(m.unknowns);
    for (int d = 0; d < nAll; ++d)
      if (m.eq[d] >= 0) rhs[m.eq[d]] = f[d] * m_impl->scale[m.eq[d]];
    Eigen::VectorXd us = m_impl->ldlt.solve(rhs);
    const double rn = rhs.norm();
    const Eigen::VectorXd resid = m_impl->kFree.selfadjointView<Eigen::Lower>() * us - rhs;
    if (!us.allFinite() || (rn > 0.0 && resid.norm() > 1e-6 * rn)) {
      res.Fail(SolveStatus::Singular, "the board's stiffness is too ill-conditioned to solve");
      return res;
    }
    for (int d = 0; d < nAll; ++d)
      if (m.eq[d] >= 0) u[d] = us[m.eq[d]] * m_impl->scale[m.eq[d]];
  }

  res.m_status = SolveStatus::Ok;
  res.m_empty = false;
  res.m_reason.clear();
  res.m_mesh = m_mesh;
  res.m_unknowns = m.unknowns;
  res.m_u.assign(u.data(), u.data() + nAll);

  // Support forces: K·u - f at the restrained deflections, K·u summed over
  // the elements that touch a restrained node.
  Eigen::VectorXd r = -f;
  for (int j = 0; j < m.ny; ++j)
    for (int i = 0; i < m.nx; ++i) {
      const Mat16* ke = m_impl->cellStiffness[static_cast<size_t>(j) * m.nx + i];
      if (!ke) continue;
      const std::array<int, 4> cn = m.CellNodes(i, j);
      if (!(m.restrained[cn[0]] | m.restrained[cn[1]] | m.restrained[cn[2]] | m.restrained[cn[3]]))
        continue;
      const std::array<int, 16> dofs = m.CellDofs(i, j);
      Vec16 ue;
      for (int k = 0; k < 16; ++k) ue[k] = u[dofs[k]];
      const Vec16 fe = *ke * ue;
      for (int k = 0; k < 16; ++k) r[dofs[k]] += fe[k];
    }
  res.m_totalLoad = 0.0;
  for (int id = 0; id < m.Nodes(); ++id) res.m_totalLoad += f[kDof * id];
  res.m_edgeReaction.assign(m.edges.size(), 0.0);
  for (int id = 0; id < m.Nodes(); ++id) {
    if (!(m.restrained[id] & kW)) continue;
    const std::vector<int>& holders = m.holders[id];
    for (int e : holders) res.m_edgeReaction[e] += r[kDof * id] / static_cast<double>(holders.size());
  }

  res.Recover();
  return res;
}

PlateResult SolvePlate(const PlateInput& input, const PlateLoadCase& loads) {
  return PlateModel(input).Solve(loads);
}

// ---------------------------------------------------------------------------
// Results

void PlateResult::Fail(SolveStatus status, std::string reason) {
  *this = PlateResult();
  m_empty = false;
  m_status = status;
  m_reason = std::move(reason);
}

int PlateResult::GridCellsX() const { return m_mesh ? m_mesh->nx : 0; }
int PlateResult::GridCellsY() const { return m_mesh ? m_mesh->ny : 0; }

bool PlateResult::DeflectionAt(double x, double y, double& w) const {
  w = 0.0;
  if (!Ok() || !m_mesh) return false;
  const PlateMesh& m = *m_mesh;
  int ci, cj;
  double tx, ty;
  if (!m.Locate(x, y, ci, cj, tx, ty)) return false;
  const Basis bs(tx, ty, m.CellA(ci), m.CellB(cj));
  const std::array<int, 16> dofs = m.CellDofs(ci, cj);
  double v = 0.0;
  for (int k = 0; k < 16; ++k) v += bs.n[k] * m_u[dofs[k]];
  w = v / kMmToM;
  return true;
}

bool PlateResult::MomentsAt(double x, double y, PlateMoments& out) const {
  out = PlateMoments{};
  if (!Ok() || !m_mesh) return false;
  const PlateMesh& m = *m_mesh;
  int ci, cj;
  double tx, ty;
  if (!m.Locate(x, y, ci, cj, tx, ty)) return false;
  const std::array<int, 4> nodes = m.CellNodes(ci, cj);
  const double wgt[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), tx * ty, (1 - tx) * ty};
  for (int k = 0; k < 4; ++k) {
    if (wgt[k] == 0.0) continue;
    out.mx += wgt[k] * FitValue(nodes[k], 0, x, y);
    out.my += wgt[k] * FitValue(nodes[k], 1, x, y);
    out.mxy += wgt[k] * m_nodes[nodes[k]].m.mxy;
  }
  return true;
}

PlateExtremes PlateResult::Extremes(bool includeSupports) const {
  PlateExtremes e;
  bool first = true;
  for (const PlateNodeResult& n : m_nodes) {
    if (n.onSupport && !includeSupports) continue;
    const PlatePoint at{n.x, n.y};
    if (first || n.m.mx > e.maxMx) {
      e.maxMx = n.m.mx;
      e.maxMxAt = at;
    }
    if (first || n.m.mx < e.minMx) {
      e.minMx = n.m.mx;
      e.minMxAt = at;
    }
    if (first || n.m.my > e.maxMy) {
      e.maxMy = n.m.my;
      e.maxMyAt = at;
    }
    if (first || n.m.my < e.minMy) {
      e.minMy = n.m.my;
      e.minMyAt = at;
    }
    first = false;
  }
  return e;
}

bool PlateResult::EdgeMoment(int edge, PlateEdgeMoment& out) const {
  out = PlateEdgeMoment{};
  if (!Ok() || !m_mesh || edge < 0 || edge >= static_cast<int>(m_mesh->edges.size())) return false;
  const PlateMesh::Edge& e = m_mesh->edges[edge];
  if (e.nodes.empty()) return false;
  auto value = [&](int id) { return e.alongX ? m_nodes[id].m.my : m_nodes[id].m.mx; };
  auto pos = [&](int id) { return e.alongX ? m_nodes[id].x : m_nodes[id].y; };
  bool first = true;
  auto include = [&](double v, const PlatePoint& at) {
    if (first || v > out.max) {
      out.max = v;
      out.maxAt = at;
    }
    if (first || v < out.min) {
      out.min = v;
      out.minAt = at;
    }
    first = false;
  };
  for (std::size_t k = 0; k < e.nodes.size(); ++k) {
    const int id = e.nodes[k];
    include(value(id), PlatePoint{m_nodes[id].x, m_nodes[id].y});
    // Between neighbouring nodes: the recovered field at the quarter
    // points, so that a peak between two nodes is not missed.
    if (k + 1 == e.nodes.size()) continue;
    const int next = e.nodes[k + 1];
    const auto [gi, gj] = m_mesh->grid[id];
    const auto [ni, nj] = m_mesh->grid[next];
    if (std::abs(gi - ni) + std::abs(gj - nj) != 1) continue;
    for (double t : {0.25, 0.5, 0.75}) {
      const PlatePoint at{m_nodes[id].x + t * (m_nodes[next].x - m_nodes[id].x),
                          m_nodes[id].y + t * (m_nodes[next].y - m_nodes[id].y)};
      PlateMoments mm;
      if (MomentsAt(at.x, at.y, mm)) include(e.alongX ? mm.my : mm.mx, at);
    }
  }
  out.governing = std::abs(out.min) > std::abs(out.max) ? out.min : out.max;
  // Midpoint: linear between the nodes on either side of it; where the
  // midpoint is cut away by an opening, the nearest node.
  const double mid = e.alongX ? 0.5 * (e.a.x + e.b.x) : 0.5 * (e.a.y + e.b.y);
  int best = e.nodes.front();
  for (int id : e.nodes)
    if (std::abs(pos(id) - mid) < std::abs(pos(best) - mid)) best = id;
  out.mid = value(best);
  const int gi = e.alongX ? m_mesh->grid[best].first : m_mesh->grid[best].second;
  const double pb = pos(best);
  if (std::abs(pb - mid) > m_mesh->tol) {
    // The neighbour on the other side of the midpoint, along the same edge.
    for (int id : e.nodes) {
      const int g = e.alongX ? m_mesh->grid[id].first : m_mesh->grid[id].second;
      if (std::abs(g - gi) != 1) continue;
      const double p = pos(id);
      if ((p - mid) * (pb - mid) < 0.0) {
        const double t = (mid - pb) / (p - pb);
        out.mid = value(best) + t * (value(id) - value(best));
        break;
      }
    }
  }
  return true;
}

double PlateResult::TotalReaction() const {
  double s = 0.0;
  for (double r : m_edgeReaction) s += r;
  return s;
}

double PlateResult::EdgeReaction(int edge) const {
  if (edge < 0 || edge >= static_cast<int>(m_edgeReaction.size())) return 0.0;
  return m_edgeReaction[edge];
}

void PlateResult::Accumulate(const PlateResult& other, double factor) {
  if (m_empty && other.Ok()) {
    // An empty result takes over the other's mesh with zero values.
    *this = other;
    for (double& v : m_u) v = 0.0;
    for (auto* list : {&m_nodes, &m_centres})
      for (PlateNodeResult& n : *list) {
        n.w = 0.0;
        n.m = PlateMoments{};
      }
    for (double& v : m_edgeReaction) v = 0.0;
    for (double& v : m_fit) v = 0.0;
    m_totalLoad = 0.0;
  }
  if (!other.Ok()) {
    Fail(other.m_status, other.m_reason);
    return;
  }
  if (!Ok()) return;
  if (m_mesh != other.m_mesh)
    throw std::invalid_argument("plate results of different models cannot be combined");
  for (size_t k = 0; k < m_u.size(); ++k) m_u[k] += factor * other.m_u[k];
  auto add = [factor](std::vector<PlateNodeResult>& to, const std::vector<PlateNodeResult>& from) {
    for (size_t k = 0; k < to.size(); ++k) {
      to[k].w += factor * from[k].w;
      to[k].m.mx += factor * from[k].m.mx;
      to[k].m.my += factor * from[k].m.my;
      to[k].m.mxy += factor * from[k].m.mxy;
    }
  };
  add(m_nodes, other.m_nodes);
  add(m_centres, other.m_centres);
  for (size_t k = 0; k < m_fit.size(); ++k) m_fit[k] += factor * other.m_fit[k];
  for (size_t k = 0; k < m_edgeReaction.size(); ++k)
    m_edgeReaction[k] += factor * other.m_edgeReaction[k];
  m_totalLoad += factor * other.m_totalLoad;
}

}  // namespace tobrin
