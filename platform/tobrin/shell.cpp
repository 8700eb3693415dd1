// Whole-tank folded-plate model of flat shell elements (see shell.h).
//
// Internal units: N and mm.  Pressures in kPa are 1e-3 N/mm², line loads in
// kN/m are N/mm, point loads in kN are 1e3 N, the subgrade modulus in kN/m³
// is 1e-6 N/mm³, and moments in N·mm/mm are 1e-3 kN·m/m.
#include "platform/tobrin/shell.h"

#include "platform/tobrin/cholesky.h"

#include <Eigen/Dense>
#include <Eigen/Sparse>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <unordered_map>
#include <utility>

namespace tobrin {

namespace {

using Vec3 = Eigen::Vector3d;
using Mat3 = Eigen::Matrix3d;
using ElemMat = Eigen::Matrix<double, 24, 24>;
using ElemRow = Eigen::Matrix<double, 1, 24>;

constexpr double kGauss = 0.57735026918962576;  // 1/√3
constexpr double kShearFactor = 5.0 / 6.0;
// Drilling penalty as a fraction of the shear modulus: small enough not to
// stiffen the membrane, large enough to keep the rotation about the normal
// of coplanar elements well defined.
constexpr double kDrillFraction = 1e-3;
// In-plane springs under bottom slabs as a fraction of the vertical ones.
constexpr double kFrictionFraction = 0.01;
// A pivot of the factorised stiffness below this fraction of its diagonal
// entry marks a mechanism.
constexpr double kPivotTolerance = 1e-12;
// Loadings solved together through the factor: wide enough that the
// factor is read once for many of them, narrow enough that the block's
// right-hand sides and displacements stay small beside the factor.
constexpr int kSolveBlock = 32;
// The basic loadings of SolveCombined are few and their nodal moments are
// all kept until the combinations are summed: a narrower block keeps the
// solve's vectors beside them small (the factor is read a few more times).
constexpr int kBasicSolveBlock = 8;
// Why a model whose last solve freed its factorisation solves no more.
constexpr const char* kFactorFreed = "the model's factorisation was freed after its last solve";

// Natural coordinates of the four corners, counter-clockwise.
constexpr double kCornerXi[4] = {-1.0, 1.0, 1.0, -1.0};
constexpr double kCornerEta[4] = {-1.0, -1.0, 1.0, 1.0};

// Frees a container's storage (clear() keeps it).
template <class Container>
void FreeStorage(Container& c) {
  Container().swap(c);
}

Vec3 ToVec(const _3dPoint& p) { return {p.x, p.y, p.z}; }
Vec3 ToVec(const _3dVector& v) { return {v.x, v.y, v.z}; }

std::string BoardName(const std::vector<BoardPtr>& boards, std::size_t index) {
  const int number = boards[index] ? boards[index]->GetNumber() : 0;
  if (number > 0) return "board " + std::to_string(number);
  return "board #" + std::to_string(index + 1) + " of the list";
}

// ---------------------------------------------------------------------------
// Grid planes along one world axis.

struct AxisGrid {
  std::vector<double> reps;     // merged feature coordinates, ascending
  std::vector<double> refined;  // reps plus the subdivisions, ascending

  std::vector<double> sizes;    // largest element side in each interval between reps

  void Merge(std::vector<double> features, double mergeTolerance) {
    std::sort(features.begin(), features.end());
    reps.clear();
    std::size_t k = 0;
    while (k < features.size()) {
      std::size_t m = k + 1;
      double sum = features[k];
      while (m < features.size() && features[m] - features[m - 1] <= mergeTolerance) sum += features[m++];
      reps.push_back(sum / static_cast<double>(m - k));
      k = m;
    }
    sizes.assign(reps.empty() ? 0 : reps.size() - 1, 0.0);
  }
  // Parts of interval r at its size (one part where the size is not set).
  int Parts(std::size_t r, double scale = 1.0) const {
    const double length = reps[r + 1] - reps[r];
    if (!(sizes[r] > 0)) return 1;
    return std::max(1, static_cast<int>(std::ceil(length / (sizes[r] * scale) - 1e-9)));
  }
  // Elements along this axis between the merged coordinates lo and hi.
  long long PartsBetween(double lo, double hi, double scale) const {
    long long n = 0;
    for (std::size_t r = 0; r + 1 < reps.size(); ++r)
      if (reps[r] >= lo - 1e-9 && reps[r + 1] <= hi + 1e-9) n += Parts(r, scale);
    return n;
  }
  void Refine(double scale) {
    refined.clear();
    for (std::size_t r = 0; r < reps.size(); ++r) {
      refined.push_back(reps[r]);
      if (r + 1 == reps.size()) break;
      const double length = reps[r + 1] - reps[r];
      const int parts = Parts(r, scale);
      for (int p = 1; p < parts; ++p) refined.push_back(reps[r] + length * p / parts);
    }
  }
  // The merged coordinate nearest to v.
  double Snap(double v) const {
    auto it = std::lower_bound(reps.begin(), reps.end(), v);
    if (it == reps.end()) return reps.back();
    if (it == reps.begin()) return *it;
    return (v - *(it - 1) < *it - v) ? *(it - 1) : *it;
  }
  // Index of the grid plane nearest to v.
  int Index(double v) const {
    auto it = std::lower_bound(refined.begin(), refined.end(), v);
    if (it == refined.end()) return static_cast<int>(refined.size()) - 1;
    if (it == refined.begin()) return 0;
    const int i = static_cast<int>(it - refined.begin());
    return (v - refined[i - 1] < refined[i] - v) ? i - 1 : i;
  }
};

struct PlanePoint {
  double u = 0.0, v = 0.0;
};

bool InsidePolygon(const std::vector<PlanePoint>& poly, double u, double v) {
  bool inside = false;
  const std::size_t n = poly.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const PlanePoint& a = poly[i];
    const PlanePoint& b = poly[j];
    if ((a.v > v) != (b.v > v)) {
      const double x = a.u + (v - a.v) * (b.u - a.u) / (b.v - a.v);
      if (u < x) inside = !inside;
    }
  }
  return inside;
}

// An opening in grid-plane coordinates: a polygon, or a circle.
struct PlaneHole {
  std::vector<PlanePoint> polygon;
  bool circle = false;
  double cu = 0.0, cv = 0.0, radius = 0.0;
  bool Contains(double u, double v) const {
    if (circle) return (u - cu) * (u - cu) + (v - cv) * (v - cv) < radius * radius;
    return polygon.size() >= 3 && InsidePolygon(polygon, u, v);
  }
};

// ---------------------------------------------------------------------------
// Four-node flat shell in the board's frame.

struct Shape {
  double n[4], dxi[4], deta[4];
  Shape(double xi, double eta) {
    for (int i = 0; i < 4; ++i) {
      n[i] = 0.25 * (1 + kCornerXi[i] * xi) * (1 + kCornerEta[i] * eta);
      dxi[i] = 0.25 * kCornerXi[i] * (1 + kCornerEta[i] * eta);
      deta[i] = 0.25 * kCornerEta[i] * (1 + kCornerXi[i] * xi);
    }
  }
};

struct Element {
  int board = 0;
  std::array<int, 4> node{};
  double x[4] = {}, y[4] = {};  // board-local corner coordinates, mm, counter-clockwise
};

// Jacobian rows (x_ξ, y_ξ), (x_η, y_η) at a point.
Eigen::Matrix2d Jacobian(const Element& e, const Shape& s) {
  Eigen::Matrix2d j = Eigen::Matrix2d::Zero();
  for (int i = 0; i < 4; ++i) {
    j(0, 0) += s.dxi[i] * e.x[i];
    j(0, 1) += s.dxi[i] * e.y[i];
    j(1, 0) += s.deta[i] * e.x[i];
    j(1, 1) += s.deta[i] * e.y[i];
  }
  return j;
}

struct Material {
  double membrane = 0.0;  // E t / (1 - ν²), N/mm
  double bending = 0.0;   // E t³ / (12 (1 - ν²)), N·mm
  double shear = 0.0;     // k G t, N/mm
  double drill = 0.0;     // penalty, N/mm
  double nu = 0.2;
};

Eigen::Matrix3d PlaneMatrix(double factor, double nu) {
  Eigen::Matrix3d d;
  d << 1, nu, 0, nu, 1, 0, 0, 0, (1 - nu) / 2;
  return factor * d;
}

// Bending strain rows (κx, κy, κxy) at a point; βx = θy, βy = −θx.
Eigen::Matrix<double, 3, 24> BendingB(const double nx[4], const double ny[4]) {
  Eigen::Matrix<double, 3, 24> b = Eigen::Matrix<double, 3, 24>::Zero();
  for (int i = 0; i < 4; ++i) {
    b(0, 6 * i + 4) = nx[i];
    b(1, 6 * i + 3) = -ny[i];
    b(2, 6 * i + 4) = ny[i];
    b(2, 6 * i + 3) = -nx[i];
  }
  return b;
}

// Covariant transverse shear strain along ξ (dir 0) or η (dir 1) at a point.
ElemRow CovariantShear(const Element& e, double xi, double eta, int dir) {
  const Shape s(xi, eta);
  const Eigen::Matrix2d j = Jacobian(e, s);
  ElemRow row = ElemRow::Zero();
  for (int i = 0; i < 4; ++i) {
    row(6 * i + 2) = dir == 0 ? s.dxi[i] : s.deta[i];
    row(6 * i + 3) = -s.n[i] * j(dir, 1);
    row(6 * i + 4) = s.n[i] * j(dir, 0);
  }
  return row;
}

void Derivatives(const Shape& s, const Eigen::Matrix2d& jinv, double nx[4], double ny[4]) {
  for (int i = 0; i < 4; ++i) {
    nx[i] = jinv(0, 0) * s.dxi[i] + jinv(0, 1) * s.deta[i];
    ny[i] = jinv(1, 0) * s.dxi[i] + jinv(1, 1) * s.deta[i];
  }
}

// Stiffness in the board frame, unknowns (u, v, w, θx, θy, θz) per corner;
// the springs (N/mm³) act along the normal and, weaker, in the plane.
ElemMat ElementStiffness(const Element& e, const Material& mat, double spring) {
  ElemMat k = ElemMat::Zero();
  const Eigen::Matrix3d dm = PlaneMatrix(mat.membrane, mat.nu);
  const Eigen::Matrix3d db = PlaneMatrix(mat.bending, mat.nu);
  // Tying rows of the assumed shear strains (MITC4).
  const ElemRow xiA = CovariantShear(e, 0, 1, 0), xiC = CovariantShear(e, 0, -1, 0);
  const ElemRow etaD = CovariantShear(e, 1, 0, 1), etaB = CovariantShear(e, -1, 0, 1);
  for (int g = 0; g < 4; ++g) {
    const double xi = kCornerXi[g] * kGauss, eta = kCornerEta[g] * kGauss;
    const Shape s(xi, eta);
    const Eigen::Matrix2d j = Jacobian(e, s);
    const double det = j.determinant();
    const Eigen::Matrix2d jinv = j.inverse();
    double nx[4], ny[4];
    Derivatives(s, jinv, nx, ny);

    Eigen::Matrix<double, 3, 24> bm = Eigen::Matrix<double, 3, 24>::Zero();
    ElemRow drill = ElemRow::Zero();
    for (int i = 0; i < 4; ++i) {
      bm(0, 6 * i) = nx[i];
      bm(1, 6 * i + 1) = ny[i];
      bm(2, 6 * i) = ny[i];
      bm(2, 6 * i + 1) = nx[i];
      drill(6 * i + 5) = s.n[i];
      drill(6 * i) = 0.5 * ny[i];
      drill(6 * i + 1) = -0.5 * nx[i];
    }
    k.noalias() += bm.transpose() * dm * bm * det;
    const auto bb = BendingB(nx, ny);
    k.noalias() += bb.transpose() * db * bb * det;
    k.noalias() += drill.transpose() * drill * (mat.drill * det);

    Eigen::Matrix<double, 2, 24> nat;
    nat.row(0) = 0.5 * (1 + eta) * xiA + 0.5 * (1 - eta) * xiC;
    nat.row(1) = 0.5 * (1 + xi) * etaD + 0.5 * (1 - xi) * etaB;
    const Eigen::Matrix<double, 2, 24> bs = jinv * nat;
    k.noalias() += bs.transpose() * bs * (mat.shear * det);

    if (spring > 0) {
      for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
          const double m = s.n[a] * s.n[b] * det * spring;
          k(6 * a + 2, 6 * b + 2) += m;
          k(6 * a, 6 * b) += kFrictionFraction * m;
          k(6 * a + 1, 6 * b + 1) += kFrictionFraction * m;
        }
    }
  }
  return k;
}

// Board-local positions of the element's 2 × 2 Gauss points.
struct GaussPoints {
  double x[4], y[4];
};

GaussPoints ElementGaussPoints(const Element& e) {
  GaussPoints out;
  for (int g = 0; g < 4; ++g) {
    const Shape s(kCornerXi[g] * kGauss, kCornerEta[g] * kGauss);
    out.x[g] = out.y[g] = 0.0;
    for (int i = 0; i < 4; ++i) {
      out.x[g] += s.n[i] * e.x[i];
      out.y[g] += s.n[i] * e.y[i];
    }
  }
  return out;
}

// The element's Gauss point moments (mx, my, mxy at each of the four
// points in turn) from the world-frame rotations of its four corners (three
// per corner): linear in them, with weights set by the element's shape and
// its board's material and frame alone.
using MomentMap = Eigen::Matrix<double, 12, 12>;

MomentMap ElementMomentMap(const Element& e, const Material& mat, const Mat3& rot) {
  const Eigen::Matrix3d db = PlaneMatrix(mat.bending, mat.nu);
  MomentMap map;
  for (int g = 0; g < 4; ++g) {
    const Shape s(kCornerXi[g] * kGauss, kCornerEta[g] * kGauss);
    const Eigen::Matrix2d jinv = Jacobian(e, s).inverse();
    double nx[4], ny[4];
    Derivatives(s, jinv, nx, ny);
    const Eigen::Matrix<double, 3, 24> dbb = db * BendingB(nx, ny);
    for (int i = 0; i < 4; ++i) map.block<3, 3>(3 * g, 3 * i) = dbb.block<3, 3>(0, 6 * i + 3) * rot;
  }
  return map;
}

// Natural coordinates of a board-local point in the element (Newton; exact
// in one step for the parallelograms of the grid).
void NaturalCoordinates(const Element& e, double x, double y, double& xi, double& eta) {
  xi = 0.0;
  eta = 0.0;
  for (int it = 0; it < 8; ++it) {
    const Shape s(xi, eta);
    double px = 0, py = 0;
    for (int i = 0; i < 4; ++i) {
      px += s.n[i] * e.x[i];
      py += s.n[i] * e.y[i];
    }
    const Eigen::Matrix2d j = Jacobian(e, s);
    // [dx dy] = [dξ dη] · J
    const Eigen::Vector2d d = j.transpose().inverse() * Eigen::Vector2d(x - px, y - py);
    xi += d(0);
    eta += d(1);
    if (std::fabs(d(0)) + std::fabs(d(1)) < 1e-13) break;
  }
}

struct Pt {
  double x, y;
};

// Clips a convex polygon to the half-plane sign·(coord − limit) <= 0 of x
// (axis 0) or y (axis 1).
std::vector<Pt> ClipHalfPlane(const std::vector<Pt>& poly, int axis, double limit, double sign) {
  std::vector<Pt> out;
  const std::size_t n = poly.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Pt& a = poly[i];
    const Pt& b = poly[(i + 1) % n];
    const double fa = sign * ((axis == 0 ? a.x : a.y) - limit);
    const double fb = sign * ((axis == 0 ? b.x : b.y) - limit);
    if (fa <= 0) out.push_back(a);
    if ((fa < 0 && fb > 0) || (fa > 0 && fb < 0)) {
      const double t = fa / (fa - fb);
      out.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
    }
  }
  return out;
}

// Degree-5 seven-point rule on a triangle (barycentric a, b and weight).
constexpr double kTriRule[7][3] = {
    {1.0 / 3, 1.0 / 3, 0.225},
    {0.0597158717, 0.4701420641, 0.1323941527},
    {0.4701420641, 0.0597158717, 0.1323941527},
    {0.4701420641, 0.4701420641, 0.1323941527},
    {0.7974269853, 0.1012865073, 0.1259391805},
    {0.1012865073, 0.7974269853, 0.1259391805},
    {0.1012865073, 0.1012865073, 0.1259391805},
};

constexpr double kLine3[3][2] = {{-0.7745966692414834, 5.0 / 9}, {0.0, 8.0 / 9}, {0.7745966692414834, 5.0 / 9}};

bool Finite(double v) { return std::isfinite(v); }

// One element's share in a node's recovered moment: weights of its four
// Gauss point values.
struct RecoveryTerm {
  int element = 0;
  double w[4] = {0, 0, 0, 0};
};

struct BoardMesh {
  int kind = 0;
  int axis = 2;          // world axis along the normal
  int a1 = 0, a2 = 1;    // world axes in the plane
  int plane = 0;         // grid index along `axis`
  Vec3 origin, ux, uy, n;
  Mat3 rot;              // rows ux, uy, n: board frame from world
  Material mat;
  double thickness = 0;
  double reinAngle = 0;
  std::vector<int> elements;  // consecutive element ids
  std::vector<int> nodes;  // global node ids
  std::unordered_map<int, int> index;  // global node -> position in nodes
  std::vector<_2dPoint> local;
  std::vector<char> joined;      // per node: on a joined stretch of a board edge
  std::vector<char> edgeJoined;  // per board edge: another board is attached along some of it
  std::vector<std::vector<int>> nodeElements;  // per board node, the board's elements on it
  std::vector<std::vector<int>> edgeNodes;  // per board edge, positions in nodes
  std::vector<double> edgeAngle;            // direction of the bars crossing edge k (board-local)
  std::vector<std::vector<RecoveryTerm>> recovery;  // per board node: how its moment is recovered
  // The band along each joined edge (see CollectSpanMoments), and per board
  // node the bands it lies in; both depend on the mesh only.
  struct SpanBand {
    int edge = 0;
    PlatePoint a, b;
    double width = 0.0;
  };
  std::vector<SpanBand> bands;
  std::vector<std::vector<int>> nodeBands;
  double reinCos = 1.0, reinSin = 0.0;       // of reinAngle
  std::vector<double> edgeCos, edgeSin;      // of edgeAngle
};

// The moment about the direction at angle a (cosine c, sine s) from the
// board's x axis: PlateMoments::Rotated(a).mx and .my without the sine and
// cosine worked out again for every node.
double RotatedMx(const PlateMoments& m, double c, double s) {
  return m.mx * c * c + m.my * s * s + 2.0 * m.mxy * s * c;
}
double RotatedMy(const PlateMoments& m, double c, double s) {
  return m.mx * s * s + m.my * c * c - 2.0 * m.mxy * s * c;
}

// Span extremes of a board: the nodes not on a joined edge.  In the band
// along each joined edge (kSpanBandFraction of the board's width across
// it, as the per-board method leaves it out along fixed edges) the moments
// of the edge's own sense (the hogging of a support) belong to the edge,
// not to the span, and are left out; the moments of the other sense there
// are span moments and count (a long wall's horizontal span moment peaks
// about one height from its fixed sides, inside the band).  A board whose
// span lies wholly in the bands keeps every node not on a joined edge.
// `out.edges` holds the edge extremes already.
// The bands of a board's joined edges and the nodes in each (once per model).
void FindSpanBands(BoardMesh& m) {
  std::vector<PlatePoint> points;
  points.reserve(m.local.size());
  for (const _2dPoint& p : m.local) points.push_back({p.x, p.y});
  m.bands.clear();
  for (std::size_t k = 0; k < m.edgeNodes.size(); ++k) {
    const std::vector<int>& edge = m.edgeNodes[k];
    if (edge.size() < 2 || !m.edgeJoined[k]) continue;
    // The edge's ends: its two nodes farthest apart.
    BoardMesh::SpanBand band;
    band.edge = static_cast<int>(k);
    double longest = -1.0;
    for (int i : edge)
      for (int j : edge) {
        const double d = std::hypot(m.local[i].x - m.local[j].x, m.local[i].y - m.local[j].y);
        if (d > longest) {
          longest = d;
          band.a = {m.local[i].x, m.local[i].y};
          band.b = {m.local[j].x, m.local[j].y};
        }
      }
    band.width = kSpanBandFraction * WidthAcross(band.a, band.b, points);
    m.bands.push_back(band);
  }
  m.nodeBands.assign(m.local.size(), {});
  for (std::size_t t = 0; t < m.local.size(); ++t)
    for (std::size_t k = 0; k < m.bands.size(); ++k) {
      const BoardMesh::SpanBand& band = m.bands[k];
      if (DistanceToSegment(m.local[t].x, m.local[t].y, band.a, band.b) < band.width - 1e-6)
        m.nodeBands[t].push_back(static_cast<int>(k));
    }
  m.reinCos = std::cos(m.reinAngle);
  m.reinSin = std::sin(m.reinAngle);
  m.edgeCos.resize(m.edgeAngle.size());
  m.edgeSin.resize(m.edgeAngle.size());
  for (std::size_t k = 0; k < m.edgeAngle.size(); ++k) {
    m.edgeCos[k] = std::cos(m.edgeAngle[k]);
    m.edgeSin[k] = std::sin(m.edgeAngle[k]);
  }
}

// `bars` holds the moments the X and Y bars carry at every board node (two
// per node, in the order of BoardMesh::nodes).
void CollectSpanMoments(const BoardMesh& m, const double* bars, BoardMoments& out) {
  // Sign of each band's edge governing moment (0: the edge carries none).
  std::vector<double> sense(m.bands.size(), 0.0);
  for (std::size_t k = 0; k < m.bands.size(); ++k) {
    const std::size_t edge = static_cast<std::size_t>(m.bands[k].edge);
    if (edge < out.edges.size()) {
      const MomentRange& e = out.edges[edge];
      const double governing = std::fabs(e.min) > std::fabs(e.max) ? e.min : e.max;
      sense[k] = governing > 0 ? 1.0 : (governing < 0 ? -1.0 : 0.0);
    }
  }
  const auto collect = [&](bool useBands) {
    bool any = false;
    for (std::size_t t = 0; t < m.local.size(); ++t) {
      if (m.joined[t]) continue;
      const double rx = bars[2 * t];
      const double ry = bars[2 * t + 1];
      bool takeX = true, takeY = true;
      if (useBands)
        for (int k : m.nodeBands[t]) {
          if (sense[k] == 0.0 || rx * sense[k] >= 0) takeX = false;
          if (sense[k] == 0.0 || ry * sense[k] >= 0) takeY = false;
        }
      if (takeX) out.spanX.Include(rx);
      if (takeY) out.spanY.Include(ry);
      any = any || takeX || takeY;
    }
    return any;
  };
  if (!collect(true)) collect(false);
}

// The value at the origin of a least-squares fit of the terms `basis`
// (monomials u^i v^j as {i, j}) to samples at `at` (coordinates relative to
// the node, divided by `scale`): the weights of the samples, or nothing
// where the samples cannot fix the fit (too few, or too narrow a patch to
// show the slope or curvature the terms ask for).
std::vector<double> FitWeights(const std::vector<Eigen::Vector2d>& at, double scale,
                               const std::vector<std::array<int, 2>>& basis) {
  const Eigen::Index terms = static_cast<Eigen::Index>(basis.size());
  if (static_cast<Eigen::Index>(at.size()) < terms) return {};
  Eigen::MatrixXd a(at.size(), terms);
  for (std::size_t k = 0; k < at.size(); ++k) {
    const double u = at[k](0) / scale, v = at[k](1) / scale;
    for (Eigen::Index j = 0; j < terms; ++j)
      a(static_cast<Eigen::Index>(k), j) = std::pow(u, basis[j][0]) * std::pow(v, basis[j][1]);
  }
  const Eigen::MatrixXd ata = a.transpose() * a;
  Eigen::LDLT<Eigen::MatrixXd> fit(ata);
  if (fit.info() != Eigen::Success || !(fit.vectorD().minCoeff() > 1e-8 * ata(0, 0))) return {};
  const Eigen::VectorXd c = a * fit.solve(Eigen::VectorXd::Unit(terms, 0));
  return std::vector<double>(c.data(), c.data() + c.size());
}

// Moments at board node t.  Inside the board (four elements of the board
// around the node) the Gauss point values are extrapolated to the node and
// averaged over the elements.  On the board's outline and on opening edges
// the bilinear field of an element cannot show how the moment changes
// across the edge row (the curvature across a row of elements is constant),
// so the element means (the mean of an element's Gauss values stands at
// its centre, where the element's moment is most accurate) of three rows of
// elements are extrapolated to the node:
// - at a `supported` node (on an edge joined to another board or held by
//   a support) inside a straight edge, from the two columns of elements on
//   either side of the node (quadratic across the edge, linear along it):
//   a wider patch along the edge would flatten a support moment that peaks
//   over a short stretch of the edge (a partly filled wall's sides, the
//   edge just under a free corner), and the support moment converges with
//   h² like the span moments;
// - elsewhere (free edges and opening edges, whose moment along the edge
//   rises steeply into an opening's corners, corners, a board too narrow
//   for three rows) a quadratic in x and y (a plane where the patch is too
//   narrow) is fitted by least squares to the element means of the three
//   rows of elements around the node.
//
// The recovery is linear in the Gauss point values and its weights depend
// on the mesh only, so they are found once per model (RecoveryTerms) and
// every load case only sums them up.
std::vector<RecoveryTerm> RecoveryTerms(const BoardMesh& m, const std::vector<Element>& elements, int t,
                                        const std::vector<GaussPoints>& points, bool supported) {
  const std::vector<int>& ring = m.nodeElements[t];
  const double px = m.local[t].x, py = m.local[t].y;
  std::vector<RecoveryTerm> average;
  const double share = 1.0 / static_cast<double>(std::max<std::size_t>(1, ring.size()));
  const double r = 1.0 / kGauss;  // a corner in units of the Gauss point distance
  for (int id : ring) {
    const GaussPoints& gm = points[id];
    // The node is the corner whose Gauss point lies nearest to it.
    int corner = 0;
    double best = 0;
    for (int c = 0; c < 4; ++c) {
      const double d = std::hypot(gm.x[c] - px, gm.y[c] - py);
      if (c == 0 || d < best) {
        best = d;
        corner = c;
      }
    }
    RecoveryTerm term{id, {}};
    for (int g = 0; g < 4; ++g)
      term.w[g] = share * 0.25 * (1 + kCornerXi[g] * kCornerXi[corner] * r) * (1 + kCornerEta[g] * kCornerEta[corner] * r);
    average.push_back(term);
  }
  if (ring.size() >= 4) return average;

  // Three rows of elements around the node.
  std::vector<int> patch(ring);
  for (int grow = 0; grow < 2; ++grow) {
    const std::vector<int> inner(patch);
    for (int id : inner)
      for (int c = 0; c < 4; ++c)
        for (int other : m.nodeElements[m.index.at(elements[id].node[c])]) patch.push_back(other);
    std::sort(patch.begin(), patch.end());
    patch.erase(std::unique(patch.begin(), patch.end()), patch.end());
  }
  // The element centres, relative to the node.
  const auto centre = [&](int id) {
    const GaussPoints& gm = points[id];
    Eigen::Vector2d at(0, 0);
    for (int g = 0; g < 4; ++g) at += 0.25 * Eigen::Vector2d(gm.x[g] - px, gm.y[g] - py);
    return at;
  };
  double scale = 0;
  std::vector<Eigen::Vector2d> centres;
  for (int id : patch) {
    centres.push_back(centre(id));
    scale = std::max(scale, centres.back().cwiseAbs().maxCoeff());
  }
  if (!(scale > 0)) return average;
  const auto terms = [](const std::vector<int>& ids, const std::vector<double>& w) {
    std::vector<RecoveryTerm> out;
    for (std::size_t k = 0; k < ids.size(); ++k) {
      const double v = 0.25 * w[k];
      out.push_back({ids[k], {v, v, v, v}});
    }
    return out;
  };

  if (supported && ring.size() == 2) {
    // A node inside a straight edge: its two elements lie side by side
    // along the edge (axis `along`), on one side of it across.
    const Eigen::Vector2d r0 = centre(ring[0]), r1 = centre(ring[1]);
    int along = -1;
    for (int d = 0; d < 2; ++d)
      if (r0(d) * r1(d) < 0 && std::fabs(r0(1 - d) - r1(1 - d)) < 1e-6 * scale) along = d;
    if (along >= 0) {
      const int across = 1 - along;
      const double lo = std::min(r0(along), r1(along)), hi = std::max(r0(along), r1(along));
      const double tol = 0.1 * (hi - lo);
      std::vector<int> columns;
      std::vector<Eigen::Vector2d> at;
      for (std::size_t k = 0; k < patch.size(); ++k)
        if (centres[k](along) > lo - tol && centres[k](along) < hi + tol && centres[k](across) * r0(across) > 0) {
          columns.push_back(patch[k]);
          at.emplace_back(centres[k](along), centres[k](across));
        }
      // 1, u, v, v², u·v, u·v² with u along the edge and v across it.
      const std::vector<double> w = FitWeights(at, scale, {{0, 0}, {1, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}});
      if (!w.empty()) return terms(columns, w);
    }
  }
  // A quadratic where the patch supports one, else a plane.
  for (const std::vector<std::array<int, 2>>& basis :
       {std::vector<std::array<int, 2>>{{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2}},
        std::vector<std::array<int, 2>>{{0, 0}, {1, 0}, {0, 1}}}) {
    if (centres.size() < basis.size() + 2) continue;
    const std::vector<double> w = FitWeights(centres, scale, basis);
    if (!w.empty()) return terms(patch, w);
  }
  return average;
}

// Element sizes along the grid.  A fixed element size divides every
// interval into equal parts no longer than it.  Otherwise each board asks
// for at least minElementsAcross elements across its shorter span, along
// both of its in-plane axes (square elements), in the intervals it covers;
// an interval takes the smallest size any board covering it asks for.  When
// the boards' element count would pass maxElements, every size is scaled up
// by one factor until it does not.
void MeshSizes(const std::vector<BoardPtr>& boards, const ShellOptions& options, const std::vector<BoardMesh>& meshes,
               AxisGrid grid[3]) {
  struct Extent {
    int a1 = 0, a2 = 1;
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  };
  std::vector<Extent> extents(boards.size());
  for (std::size_t b = 0; b < boards.size(); ++b) {
    Extent& x = extents[b];
    x.a1 = meshes[b].a1;
    x.a2 = meshes[b].a2;
    bool first = true;
    for (const BoardEdge& edge : boards[b]->GetEdges()) {
      const _3dPoint w = boards[b]->LocalToWorld(edge.GetStartPoint());
      const double c[3] = {w.x, w.y, w.z};
      for (int a = 0; a < 3; ++a) {
        const double v = grid[a].Snap(c[a]);
        x.lo[a] = first ? v : std::min(x.lo[a], v);
        x.hi[a] = first ? v : std::max(x.hi[a], v);
      }
      first = false;
    }
  }
  if (options.elementSize > 0) {
    for (int a = 0; a < 3; ++a) std::fill(grid[a].sizes.begin(), grid[a].sizes.end(), options.elementSize);
    for (int a = 0; a < 3; ++a) grid[a].Refine(1.0);
    return;
  }
  const double across = std::max(1, options.minElementsAcross);
  for (const Extent& x : extents) {
    const double shorter = std::min(x.hi[x.a1] - x.lo[x.a1], x.hi[x.a2] - x.lo[x.a2]);
    if (!(shorter > 0)) continue;
    const double size = shorter / across;
    for (int a : {x.a1, x.a2}) {
      AxisGrid& g = grid[a];
      for (std::size_t r = 0; r + 1 < g.reps.size(); ++r) {
        const double mid = 0.5 * (g.reps[r] + g.reps[r + 1]);
        if (mid <= x.lo[a] || mid >= x.hi[a]) continue;
        g.sizes[r] = g.sizes[r] > 0 ? std::min(g.sizes[r], size) : size;
      }
    }
  }
  double scale = 1.0;
  if (options.maxElements > 0) {
    for (int round = 0; round < 100; ++round) {
      double count = 0;
      for (const Extent& x : extents)
        count += static_cast<double>(grid[x.a1].PartsBetween(x.lo[x.a1], x.hi[x.a1], scale)) *
                 static_cast<double>(grid[x.a2].PartsBetween(x.lo[x.a2], x.hi[x.a2], scale));
      if (count <= static_cast<double>(options.maxElements)) break;
      scale *= std::max(1.02, std::sqrt(count / static_cast<double>(options.maxElements)));
    }
  }
  for (int a = 0; a < 3; ++a) grid[a].Refine(scale);
}

}  // namespace

// ---------------------------------------------------------------------------

struct ShellTankModel::Impl {
  ShellOptions options;
  std::vector<Vec3> nodePos;
  std::vector<std::array<int, 3>> nodeGrid;
  std::vector<BoardMesh> boards;
  std::vector<Element> elements;
  std::vector<int> eq;  // 6 per node; -1 = held
  int unknowns = 0;
  SparseCholesky cholesky;
  // Each element's moment map (ElementMomentMap), as an index into the
  // maps: the elements of a board's regular mesh share a handful.
  std::vector<MomentMap> momentMaps;
  std::vector<int> elementMap;

  // Buffers of Fill, kept from one load case to the next.
  struct FillScratch {
    Eigen::VectorXd u;
    std::vector<Eigen::Matrix<double, 12, 1>> gauss;
    std::vector<double> nodal;
    std::vector<double> projected;
  };

  bool Load(const TankCaseLoads& loads, double selfWeightFactor, Eigen::VectorXd& f, std::string& why) const;
  // Board b's loads and self weight as nodal forces at the board's own
  // nodes: six values per node, in the order of BoardMesh::nodes.  `scratch`
  // holds 6 values per mesh node, all zero, and is left so when the loads
  // are good.
  bool BoardLoad(std::size_t b, const PlateLoadCase* lc, double selfWeightFactor, Eigen::VectorXd& scratch,
                 std::vector<double>& out, std::string& why) const;
  // The load vector of the free unknowns (`unknowns` values at f) from
  // every board's nodal forces; `scratch` as for BoardLoad.
  bool Assemble(const std::vector<const std::vector<double>*>& parts, Eigen::VectorXd& scratch, double* f,
                std::string& why) const;
  void Fill(const Eigen::Ref<const Eigen::VectorXd>& x, ShellResult& result, FillScratch& scratch) const;
  // The displacements of every node (six per node, world axes) from the
  // solution of the free unknowns.
  void Displacements(const Eigen::Ref<const Eigen::VectorXd>& x, Eigen::VectorXd& u) const;
  // Board b's nodal moments (mx, my, mxy in kN·m/m, three per board node in
  // the order of BoardMesh::nodes) from the nodal displacements u.
  void NodalMoments(std::size_t b, const Eigen::VectorXd& u, FillScratch& scratch, double* out) const;
  // Board b's moments in the directions its extremes are taken in, from
  // its nodal moments: the moments of the X and Y bars at every node (two
  // per node), then the moment across each edge at the edge's nodes, edge
  // after edge.  ProjectedSize values.
  std::size_t ProjectedSize(std::size_t b) const;
  void Project(std::size_t b, const double* nodal, double* out) const;
  // Board b's edge and span extremes from its projected moments.
  void Extremes(std::size_t b, const double* projected, BoardMoments& out) const;
  // Solves the loadings a block at a time and hands each solution (the free
  // unknowns) to `take` with the loading's index; false with the reason and
  // status on failure.  With `reuseBoardLoads` a board's nodal forces are
  // kept for the later loadings that repeat its loads (cell patterns and
  // combinations do); loadings that seldom repeat them (the basic ones)
  // keep none.
  bool SolveBlocks(const std::vector<ShellLoading>& loadings, int block, bool reuseBoardLoads,
                   const std::function<void(std::size_t, const Eigen::Ref<const Eigen::VectorXd>&)>& take,
                   int progressFrom, int progressTo, SolveStatus& status, std::string& reason) const;
};

namespace {

// The bits of a board's loads and self-weight factor, as a key.
void LoadKey(const PlateLoadCase& lc, double selfWeightFactor, std::string& key) {
  key.clear();
  const auto add = [&key](double v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); };
  add(selfWeightFactor);
  for (const PlateAreaLoad& a : lc.areas)
    for (double v : {a.q0, a.gx, a.gy, a.gxy, a.x0, a.y0, a.x1, a.y1}) add(v);
  key.push_back('|');
  for (const PlatePointLoad& p : lc.points)
    for (double v : {p.x, p.y, p.p}) add(v);
  key.push_back('|');
  for (const PlateLineLoad& li : lc.lines)
    for (double v : {li.x0, li.y0, li.x1, li.y1, li.p0, li.p1}) add(v);
}

// Zero moments with one entry per board and per board edge.
TankCaseMoments ZeroMoments(const std::vector<std::size_t>& edgeCounts) {
  TankCaseMoments out(edgeCounts.size());
  for (std::size_t b = 0; b < edgeCounts.size(); ++b) out[b].edges.assign(edgeCounts[b], MomentRange{});
  return out;
}

}  // namespace

ShellTankModel::ShellTankModel(const std::vector<BoardPtr>& boards, const std::vector<double>& elasticModuli,
                               const ShellOptions& options) {
  Build(boards, elasticModuli, options, {});
}

ShellTankModel::ShellTankModel(const std::vector<BoardPtr>& boards, const std::vector<double>& elasticModuli,
                               const ShellOptions& options, const std::vector<ShellLineSupport>& supports) {
  Build(boards, elasticModuli, options, supports);
}

ShellTankModel::~ShellTankModel() = default;

int ShellTankModel::Unknowns() const { return m_impl ? m_impl->unknowns : 0; }
int ShellTankModel::Nodes() const { return m_impl ? static_cast<int>(m_impl->nodePos.size()) : 0; }
int ShellTankModel::Elements() const { return m_impl ? static_cast<int>(m_impl->elements.size()) : 0; }

std::vector<ShellTankModel::BoardMeshSize> ShellTankModel::BoardMeshSizes() const {
  std::vector<BoardMeshSize> out;
  if (!m_impl) return out;
  for (const BoardMesh& m : m_impl->boards) {
    BoardMeshSize size;
    // The grid lines of the board's nodes along each local axis.
    std::vector<double> xs, ys;
    for (const _2dPoint& p : m.local) {
      xs.push_back(p.x);
      ys.push_back(p.y);
    }
    const auto lines = [](std::vector<double>& v) {
      std::sort(v.begin(), v.end());
      v.erase(std::unique(v.begin(), v.end(), [](double a, double b) { return b - a < 0.5; }), v.end());
    };
    lines(xs);
    lines(ys);
    if (xs.size() >= 2 && ys.size() >= 2) {
      const bool xShorter = xs.back() - xs.front() <= ys.back() - ys.front();
      size.across = static_cast<int>((xShorter ? xs : ys).size()) - 1;
    }
    for (int id : m.elements) {
      const Element& e = m_impl->elements[id];
      for (int c = 0; c < 4; ++c)
        size.elementSize = std::max(size.elementSize, std::hypot(e.x[(c + 1) % 4] - e.x[c], e.y[(c + 1) % 4] - e.y[c]));
    }
    out.push_back(size);
  }
  return out;
}

void ShellTankModel::Build(const std::vector<BoardPtr>& boards, const std::vector<double>& elasticModuli,
                           const ShellOptions& options, const std::vector<ShellLineSupport>& supports) {
  auto fail = [this](SolveStatus status, std::string why) {
    m_status = status;
    m_reason = std::move(why);
    m_impl.reset();
  };
  m_edgeCounts.clear();
  for (const BoardPtr& board : boards) m_edgeCounts.push_back(board ? board->GetEdges().size() : 0);
  if (boards.empty()) return fail(SolveStatus::InvalidInput, "the tank has no board to analyse");
  if (elasticModuli.size() != boards.size())
    return fail(SolveStatus::InvalidInput, "one elastic modulus per board is needed");
  if (!(options.poisson > -1.0 && options.poisson < 0.5))
    return fail(SolveStatus::InvalidInput, "Poisson's ratio must lie between -1 and 0.5");
  if (!(options.elementSize == 0.0 || options.elementSize > 1.0) || !Finite(options.elementSize))
    return fail(SolveStatus::InvalidInput, "the element size must be 0 (from the boards) or a finite length above 1 mm");
  if (options.elementSize == 0.0 && options.minElementsAcross < 1)
    return fail(SolveStatus::InvalidInput, "at least one element across a board is needed");
  if (!(options.subgradeModulus >= 0.0) || !Finite(options.subgradeModulus))
    return fail(SolveStatus::InvalidInput, "the subgrade modulus must be finite and not negative");
  if (!Finite(options.unitWeight)) return fail(SolveStatus::InvalidInput, "the unit weight is not finite");

  auto impl = std::make_unique<Impl>();
  impl->options = options;
  const double mergeTol = options.elementSize > 0 ? std::min(10.0, options.elementSize / 20.0) : 10.0;
  const auto progress = [&options](int percent, const std::string& step) {
    if (options.progress) options.progress(percent, step);
  };
  progress(0, "meshing");

  // Frames, materials and the feature coordinates of every board.
  std::vector<double> features[3];
  auto addFeature = [&features](const Vec3& p) {
    for (int a = 0; a < 3; ++a) features[a].push_back(p(a));
  };
  impl->boards.resize(boards.size());
  for (std::size_t b = 0; b < boards.size(); ++b) {
    const Board* board = boards[b].get();
    if (board == nullptr) return fail(SolveStatus::InvalidInput, "the board list holds an empty entry");
    const std::string name = BoardName(boards, b);
    BoardMesh& m = impl->boards[b];
    m.kind = board->GetKind();
    m.thickness = board->GetThickness();
    if (!(m.thickness > 0.0) || !Finite(m.thickness))
      return fail(SolveStatus::InvalidInput, name + " has no positive thickness");
    const double e = elasticModuli[b];
    if (!(e > 0.0) || !Finite(e)) return fail(SolveStatus::InvalidInput, name + " has no positive elastic modulus");
    if (board->GetEdges().size() < 3) return fail(SolveStatus::InvalidInput, name + " has fewer than three edges");
    const Vec3 n = ToVec(board->GetNormal());
    if (n.norm() < 0.5) return fail(SolveStatus::InvalidInput, name + " has a degenerate frame");
    int axis = 0;
    n.cwiseAbs().maxCoeff(&axis);
    if (std::fabs(n(axis)) < 1.0 - 1e-6)
      return fail(SolveStatus::InvalidInput,
                  name + " does not lie in a world plane x, y or z = const; the shell model meshes only "
                         "tanks whose boards are parallel to the world axes");
    m.axis = axis;
    m.a1 = (axis + 1) % 3;
    m.a2 = (axis + 2) % 3;
    if (m.a1 > m.a2) std::swap(m.a1, m.a2);
    m.origin = ToVec(board->GetOrigin());
    m.ux = ToVec(board->LocalToWorld(_2dPoint(1, 0))) - m.origin;
    m.uy = ToVec(board->LocalToWorld(_2dPoint(0, 1))) - m.origin;
    m.n = n;
    m.rot.row(0) = m.ux.transpose();
    m.rot.row(1) = m.uy.transpose();
    m.rot.row(2) = m.n.transpose();
    m.reinAngle = board->GetReinAngle();
    const double nu = options.poisson;
    const double g = e / (2.0 * (1.0 + nu));
    m.mat.nu = nu;
    m.mat.membrane = e * m.thickness / (1.0 - nu * nu);
    m.mat.bending = e * m.thickness * m.thickness * m.thickness / (12.0 * (1.0 - nu * nu));
    m.mat.shear = kShearFactor * g * m.thickness;
    m.mat.drill = kDrillFraction * g * m.thickness;
    for (const BoardEdge& edge : board->GetEdges()) addFeature(ToVec(board->LocalToWorld(edge.GetStartPoint())));
    for (const HolePtr& hole : board->GetHoles()) {
      if (auto rect = boost::dynamic_pointer_cast<RectangleHole>(hole)) {
        for (const _2dPoint& c : rect->GetCorners()) addFeature(ToVec(board->LocalToWorld(c)));
      } else if (auto circle = boost::dynamic_pointer_cast<CircleHole>(hole)) {
        const Vec3 c = ToVec(board->LocalToWorld(circle->GetCenter()));
        const double r = circle->GetRadius();
        Vec3 lo = c, hi = c;
        lo(m.a1) -= r;
        lo(m.a2) -= r;
        hi(m.a1) += r;
        hi(m.a2) += r;
        addFeature(lo);
        addFeature(hi);
      } else if (auto notch = boost::dynamic_pointer_cast<Notch>(hole)) {
        for (const _3dPoint& p : notch->GetOutline()) addFeature(ToVec(p));
      }
    }
  }
  for (int a = 0; a < 3; ++a)
    for (double v : features[a])
      if (!Finite(v)) return fail(SolveStatus::InvalidInput, "a board corner or opening is not a finite point");

  AxisGrid grid[3];
  for (int a = 0; a < 3; ++a) grid[a].Merge(features[a], mergeTol);
  MeshSizes(boards, options, impl->boards, grid);

  // Mesh every board on the grid planes crossing it.
  std::unordered_map<std::int64_t, int> nodeOf;
  const std::int64_t n0 = static_cast<std::int64_t>(grid[0].refined.size());
  const std::int64_t n1 = static_cast<std::int64_t>(grid[1].refined.size());
  std::vector<std::vector<int>> nodeBoards;
  for (std::size_t b = 0; b < boards.size(); ++b) {
    const Board& board = *boards[b];
    BoardMesh& m = impl->boards[b];
    const std::string name = BoardName(boards, b);
    auto toPlane = [&](const Vec3& w) { return PlanePoint{grid[m.a1].Snap(w(m.a1)), grid[m.a2].Snap(w(m.a2))}; };
    std::vector<PlanePoint> outline;
    double planeCoord = 0.0;
    for (std::size_t k = 0; k < board.GetEdges().size(); ++k) {
      const Vec3 w = ToVec(board.LocalToWorld(board.GetEdges()[k].GetStartPoint()));
      const double c = grid[m.axis].Snap(w(m.axis));
      if (k == 0) planeCoord = c;
      else if (c != planeCoord) return fail(SolveStatus::InvalidInput, name + " is not flat");
      outline.push_back(toPlane(w));
    }
    for (std::size_t k = 0; k < outline.size(); ++k) {
      const PlanePoint& p = outline[k];
      const PlanePoint& q = outline[(k + 1) % outline.size()];
      if (p.u != q.u && p.v != q.v)
        return fail(SolveStatus::InvalidInput,
                    name + ": edge " + std::to_string(k + 1) +
                        " is not parallel to a world axis; the shell model meshes only rectangular "
                        "(axis-parallel) outlines");
    }
    m.plane = grid[m.axis].Index(planeCoord);
    std::vector<PlaneHole> holes;
    for (const HolePtr& hole : board.GetHoles()) {
      PlaneHole h;
      if (auto rect = boost::dynamic_pointer_cast<RectangleHole>(hole)) {
        for (const _2dPoint& c : rect->GetCorners()) h.polygon.push_back(toPlane(ToVec(board.LocalToWorld(c))));
      } else if (auto circle = boost::dynamic_pointer_cast<CircleHole>(hole)) {
        const Vec3 c = ToVec(board.LocalToWorld(circle->GetCenter()));
        h.circle = true;
        h.cu = c(m.a1);
        h.cv = c(m.a2);
        h.radius = circle->GetRadius();
      } else if (auto notch = boost::dynamic_pointer_cast<Notch>(hole)) {
        for (const _3dPoint& p : notch->GetOutline()) h.polygon.push_back(toPlane(ToVec(p)));
      } else {
        continue;
      }
      holes.push_back(std::move(h));
    }
    double umin = outline[0].u, umax = umin, vmin = outline[0].v, vmax = vmin;
    for (const PlanePoint& p : outline) {
      umin = std::min(umin, p.u);
      umax = std::max(umax, p.u);
      vmin = std::min(vmin, p.v);
      vmax = std::max(vmax, p.v);
    }
    const std::vector<double>& gu = grid[m.a1].refined;
    const std::vector<double>& gv = grid[m.a2].refined;
    const int i0 = grid[m.a1].Index(umin), i1 = grid[m.a1].Index(umax);
    const int j0 = grid[m.a2].Index(vmin), j1 = grid[m.a2].Index(vmax);
    auto nodeAt = [&](int i, int j) {
      std::array<int, 3> idx{};
      idx[m.axis] = m.plane;
      idx[m.a1] = i;
      idx[m.a2] = j;
      const std::int64_t key = idx[0] + n0 * (idx[1] + n1 * static_cast<std::int64_t>(idx[2]));
      auto it = nodeOf.find(key);
      if (it != nodeOf.end()) return it->second;
      const int id = static_cast<int>(impl->nodePos.size());
      nodeOf.emplace(key, id);
      impl->nodePos.emplace_back(grid[0].refined[idx[0]], grid[1].refined[idx[1]], grid[2].refined[idx[2]]);
      impl->nodeGrid.push_back(idx);
      nodeBoards.emplace_back();
      return id;
    };
    for (int i = i0; i < i1; ++i)
      for (int j = j0; j < j1; ++j) {
        const double cu = 0.5 * (gu[i] + gu[i + 1]), cv = 0.5 * (gv[j] + gv[j + 1]);
        if (!InsidePolygon(outline, cu, cv)) continue;
        bool cut = false;
        for (const PlaneHole& h : holes) cut = cut || h.Contains(cu, cv);
        if (cut) continue;
        Element e;
        e.board = static_cast<int>(b);
        e.node = {nodeAt(i, j), nodeAt(i + 1, j), nodeAt(i + 1, j + 1), nodeAt(i, j + 1)};
        for (int c = 0; c < 4; ++c) {
          const Vec3 d = impl->nodePos[e.node[c]] - m.origin;
          e.x[c] = d.dot(m.ux);
          e.y[c] = d.dot(m.uy);
        }
        const double area2 = (e.x[2] - e.x[0]) * (e.y[3] - e.y[1]) - (e.x[3] - e.x[1]) * (e.y[2] - e.y[0]);
        if (area2 < 0) {
          std::swap(e.node[1], e.node[3]);
          std::swap(e.x[1], e.x[3]);
          std::swap(e.y[1], e.y[3]);
        }
        m.elements.push_back(static_cast<int>(impl->elements.size()));
        impl->elements.push_back(e);
        for (int c = 0; c < 4; ++c) {
          auto& list = nodeBoards[e.node[c]];
          if (std::find(list.begin(), list.end(), static_cast<int>(b)) == list.end())
            list.push_back(static_cast<int>(b));
          if (m.index.emplace(e.node[c], static_cast<int>(m.nodes.size())).second) {
            m.nodes.push_back(e.node[c]);
            m.local.emplace_back(e.x[c], e.y[c]);
            m.nodeElements.emplace_back();
          }
          m.nodeElements[m.index[e.node[c]]].push_back(m.elements.back());
        }
      }
    if (m.elements.empty())
      return fail(SolveStatus::InvalidInput, name + " has no area left to mesh (openings cover it)");

    // Nodes on every board edge, found on the grid.
    m.edgeNodes.assign(board.GetEdges().size(), {});
    m.edgeAngle.assign(board.GetEdges().size(), 0.0);
    for (std::size_t k = 0; k < outline.size(); ++k) {
      const PlanePoint& p = outline[k];
      const PlanePoint& q = outline[(k + 1) % outline.size()];
      const int pi = grid[m.a1].Index(p.u), pj = grid[m.a2].Index(p.v);
      const int qi = grid[m.a1].Index(q.u), qj = grid[m.a2].Index(q.v);
      const _2dLine& line = board.GetEdges()[k].GetLine();
      const double dx = line.GetEndPoint().x - line.GetStartPoint().x;
      const double dy = line.GetEndPoint().y - line.GetStartPoint().y;
      m.edgeAngle[k] = std::atan2(dx, -dy);  // the edge direction turned by +90°
      if (pi == qi && pj == qj) continue;
      for (std::size_t t = 0; t < m.nodes.size(); ++t) {
        const auto& idx = impl->nodeGrid[m.nodes[t]];
        const int i = idx[m.a1], j = idx[m.a2];
        const bool on = (pi == qi) ? (i == pi && j >= std::min(pj, qj) && j <= std::max(pj, qj))
                                   : (j == pj && i >= std::min(pi, qi) && i <= std::max(pi, qi));
        if (on) m.edgeNodes[k].push_back(static_cast<int>(t));
      }
      // In order along the edge: neighbours in the list are neighbours on the grid.
      std::sort(m.edgeNodes[k].begin(), m.edgeNodes[k].end(), [&](int x, int y) {
        const auto& gx = impl->nodeGrid[m.nodes[x]];
        const auto& gy = impl->nodeGrid[m.nodes[y]];
        return pi == qi ? gx[m.a2] < gy[m.a2] : gx[m.a1] < gy[m.a1];
      });
    }
  }

  // Joined nodes and the joints between boards.
  const std::size_t nb = boards.size();
  std::map<std::pair<int, int>, int> shared;
  for (const auto& list : nodeBoards)
    for (std::size_t a = 0; a < list.size(); ++a)
      for (std::size_t c = a + 1; c < list.size(); ++c)
        ++shared[{std::min(list[a], list[c]), std::max(list[a], list[c])}];
  // A stretch of a board edge between neighbouring nodes is joined where
  // another board holds both of its nodes (a board attached along it); a
  // node merely shared with another board (the end of a free edge that
  // meets a wall's side) does not join the edge.
  for (std::size_t b = 0; b < nb; ++b) {
    BoardMesh& m = impl->boards[b];
    m.joined.assign(m.nodes.size(), 0);
    m.edgeJoined.assign(m.edgeNodes.size(), 0);
    for (std::size_t k = 0; k < m.edgeNodes.size(); ++k) {
      const std::vector<int>& edge = m.edgeNodes[k];
      for (std::size_t s = 0; s + 1 < edge.size(); ++s) {
        const std::vector<int>& p = nodeBoards[m.nodes[edge[s]]];
        const std::vector<int>& q = nodeBoards[m.nodes[edge[s + 1]]];
        bool attached = false;
        for (int other : p)
          if (other != static_cast<int>(b) && std::find(q.begin(), q.end(), other) != q.end()) attached = true;
        if (!attached) continue;
        m.joined[edge[s]] = m.joined[edge[s + 1]] = 1;
        m.edgeJoined[k] = 1;
      }
    }
  }

  // Extra supports.
  const int nn = static_cast<int>(impl->nodePos.size());
  impl->eq.assign(static_cast<std::size_t>(nn) * 6, 0);
  std::vector<char> supported(nn, 0);
  for (const ShellLineSupport& s : supports) {
    const Vec3 a = ToVec(s.a), d = ToVec(s.b) - a;
    const double len2 = d.squaredNorm();
    for (int p = 0; p < nn; ++p) {
      const double t = len2 > 0 ? std::clamp((impl->nodePos[p] - a).dot(d) / len2, 0.0, 1.0) : 0.0;
      if ((impl->nodePos[p] - (a + t * d)).norm() > 1.0 + mergeTol) continue;
      for (int c = 0; c < 3; ++c) {
        if (s.translations[c]) impl->eq[6 * p + c] = -1;
        if (s.rotations[c]) impl->eq[6 * p + 3 + c] = -1;
      }
      supported[p] = 1;
    }
  }

  // Every part of the tank must rest on a bottom slab or on a support.
  std::vector<int> parent(nb);
  std::iota(parent.begin(), parent.end(), 0);
  auto root = [&parent](int x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
  };
  for (const auto& [pair, count] : shared)
    if (count >= 2) parent[root(pair.first)] = root(pair.second);
  std::vector<char> held(nb, 0);
  for (std::size_t b = 0; b < nb; ++b) {
    const BoardMesh& m = impl->boards[b];
    bool rests = m.kind == 1 && options.subgradeModulus > 0;
    for (int node : m.nodes) rests = rests || supported[node];
    if (rests) held[root(static_cast<int>(b))] = 1;
  }
  bool anyHeld = false;
  for (std::size_t b = 0; b < nb; ++b) anyHeld = anyHeld || held[root(static_cast<int>(b))];
  if (!anyHeld)
    return fail(SolveStatus::Singular,
                "no board rests on the ground: the tank needs a bottom slab (on elastic springs) to stand on");
  for (std::size_t b = 0; b < nb; ++b)
    if (!held[root(static_cast<int>(b))])
      return fail(SolveStatus::Singular, BoardName(boards, b) +
                                             " is not joined along an edge to any part of the tank that rests "
                                             "on the ground: it is a mechanism");
  // The meshing's look-ups are done with: their memory goes before the
  // stiffness and its factor take theirs.
  FreeStorage(nodeOf);
  FreeStorage(nodeBoards);
  FreeStorage(shared);

  // Number the unknowns, assemble and factorise.
  progress(10, "assembling the stiffness (" + std::to_string(impl->elements.size()) + " elements)");
  int count = 0;
  for (int& e : impl->eq) e = e < 0 ? -1 : count++;
  impl->unknowns = count;
  if (count == 0) return fail(SolveStatus::InvalidInput, "every unknown of the model is held");
  // The pattern of the upper triangle first, from the nodes that share an
  // element (the unknowns are numbered node by node, so a node's
  // neighbours in ascending order give each column's rows in order), then
  // the element matrices added in place: no list of triplets, whose size
  // would be a multiple of the matrix's.
  std::vector<std::vector<int>> neighbours(static_cast<std::size_t>(nn));
  for (const Element& e : impl->elements)
    for (int a = 0; a < 4; ++a)
      for (int c = 0; c < 4; ++c) neighbours[e.node[a]].push_back(e.node[c]);
  Eigen::SparseMatrix<double> k(count, count);
  {
    std::vector<int> outer(static_cast<std::size_t>(count) + 1, 0);
    std::vector<int> inner;
    for (int q = 0; q < nn; ++q) {
      std::vector<int>& list = neighbours[q];
      std::sort(list.begin(), list.end());
      list.erase(std::unique(list.begin(), list.end()), list.end());
      for (int dq = 0; dq < 6; ++dq) {
        const int col = impl->eq[6 * q + dq];
        if (col < 0) continue;
        for (int p : list)
          for (int dp = 0; dp < 6; ++dp) {
            const int row = impl->eq[6 * p + dp];
            if (row >= 0 && row <= col) inner.push_back(row);
          }
        outer[col + 1] = static_cast<int>(inner.size());
      }
    }
    neighbours.clear();
    neighbours.shrink_to_fit();
    k.resizeNonZeros(static_cast<Eigen::Index>(inner.size()));
    std::copy(outer.begin(), outer.end(), k.outerIndexPtr());
    std::copy(inner.begin(), inner.end(), k.innerIndexPtr());
    std::fill(k.valuePtr(), k.valuePtr() + inner.size(), 0.0);
  }
  int* const colStart = k.outerIndexPtr();
  const int* const rows = k.innerIndexPtr();
  double* const values = k.valuePtr();
  const double spring = options.subgradeModulus * 1e-6;
  for (const Element& e : impl->elements) {
    const BoardMesh& m = impl->boards[e.board];
    const ElemMat kl = ElementStiffness(e, m.mat, m.kind == 1 ? spring : 0.0);
    // To world axes, block by block (the rotation is block-diagonal).
    ElemMat kg;
    for (int bi = 0; bi < 8; ++bi)
      for (int bj = 0; bj < 8; ++bj)
        kg.block<3, 3>(3 * bi, 3 * bj).noalias() = m.rot.transpose() * kl.block<3, 3>(3 * bi, 3 * bj) * m.rot;
    int dof[24];
    for (int a = 0; a < 24; ++a) dof[a] = impl->eq[6 * e.node[a / 6] + a % 6];
    for (int c = 0; c < 24; ++c) {
      const int rc = dof[c];
      if (rc < 0) continue;
      const int* first = rows + colStart[rc];
      const int* last = rows + colStart[rc + 1];
      for (int a = 0; a < 24; ++a) {
        const int ra = dof[a];
        if (ra < 0 || ra > rc) continue;  // upper triangle
        values[std::lower_bound(first, last, ra) - rows] += kg(a, c);
      }
    }
  }
  std::string why;
  progress(20, "ordering the stiffness");
  if (!impl->cholesky.Analyse(k, why)) return fail(SolveStatus::Singular, "the tank's stiffness: " + why);
  progress(30, "factorising the stiffness (" + std::to_string(count) + " unknowns)");
  // The stiffness is freed once the factorisation has its own permuted
  // copy: the factor, the largest block of the model, is never held beside
  // two copies of it.
  if (!impl->cholesky.FactoriseReleasing(k, kPivotTolerance, why))
    return fail(SolveStatus::Singular, "the tank's stiffness could not be factorised: " + why);

  // How every node's moment is recovered from the Gauss point values
  // (worked out after the factorisation, whose peak of memory need not
  // carry them).
  {
    std::vector<GaussPoints> points(impl->elements.size());
    for (std::size_t id = 0; id < impl->elements.size(); ++id) points[id] = ElementGaussPoints(impl->elements[id]);
    for (BoardMesh& m : impl->boards) {
      m.recovery.resize(m.nodes.size());
      for (std::size_t t = 0; t < m.nodes.size(); ++t)
        m.recovery[t] = RecoveryTerms(m, impl->elements, static_cast<int>(t), points,
                                      m.joined[t] != 0 || supported[m.nodes[t]] != 0);
      FindSpanBands(m);
      // Only the recovery looks nodes and their elements up.
      FreeStorage(m.index);
      FreeStorage(m.nodeElements);
    }
    // The moment maps, one per board and element shape (corners relative
    // to the first, to a millionth of a millimetre).
    std::vector<std::map<std::array<long long, 6>, int>> shapes(impl->boards.size());
    impl->elementMap.resize(impl->elements.size());
    for (std::size_t id = 0; id < impl->elements.size(); ++id) {
      const Element& e = impl->elements[id];
      std::array<long long, 6> key;
      for (int c = 1; c < 4; ++c) {
        key[2 * (c - 1)] = std::llround((e.x[c] - e.x[0]) * 1e6);
        key[2 * (c - 1) + 1] = std::llround((e.y[c] - e.y[0]) * 1e6);
      }
      const auto [at, added] = shapes[e.board].try_emplace(key, static_cast<int>(impl->momentMaps.size()));
      if (added) {
        const BoardMesh& m = impl->boards[e.board];
        impl->momentMaps.push_back(ElementMomentMap(e, m.mat, m.rot));
      }
      impl->elementMap[id] = at->second;
    }
  }

  FreeStorage(impl->nodeGrid);  // the grid positions served the meshing only
  m_impl = std::move(impl);
  m_status = SolveStatus::Ok;
  m_reason.clear();
}

bool ShellTankModel::Impl::BoardLoad(std::size_t b, const PlateLoadCase* lc, double selfWeightFactor,
                                     Eigen::VectorXd& scratch, std::vector<double>& out, std::string& why) const {
  Eigen::VectorXd& full = scratch;
  auto addNormal = [&](const BoardMesh& m, const Element& e, const double nvals[4], double force) {
    for (int c = 0; c < 4; ++c) full.segment<3>(6 * e.node[c]) += (nvals[c] * force) * m.n;
  };
  // The element of board `b` holding a local point, or -1.
  auto findElement = [&](const BoardMesh& m, double x, double y, double& xi, double& eta) {
    for (int id : m.elements) {
      const Element& e = elements[id];
      NaturalCoordinates(e, x, y, xi, eta);
      if (std::fabs(xi) <= 1 + 1e-9 && std::fabs(eta) <= 1 + 1e-9) return id;
    }
    return -1;
  };

  {
    const BoardMesh& m = boards[b];
    // Self weight: a world force per area on every element.
    const double g = selfWeightFactor * options.unitWeight * m.thickness * 1e-6;  // N/mm²
    // Board loads.
    if (lc != nullptr) {
      for (const PlateAreaLoad& a : lc->areas) {
        if (!Finite(a.q0) || !Finite(a.gx) || !Finite(a.gy) || !Finite(a.gxy)) {
          why = "an area load is not a finite number";
          return false;
        }
        if (std::isnan(a.x0) || std::isnan(a.x1) || std::isnan(a.y0) || std::isnan(a.y1) || a.x0 > a.x1 ||
            a.y0 > a.y1) {
          why = "an area load region needs x0 <= x1 and y0 <= y1";
          return false;
        }
      }
    }
    for (int id : m.elements) {
      const Element& e = elements[id];
      if (g != 0.0) {
        for (int gp = 0; gp < 4; ++gp) {
          const Shape s(kCornerXi[gp] * kGauss, kCornerEta[gp] * kGauss);
          const double det = Jacobian(e, s).determinant();
          for (int c = 0; c < 4; ++c) full(6 * e.node[c] + 2) -= g * s.n[c] * det;
        }
      }
      if (lc == nullptr) continue;
      const auto [xLo, xHi] = std::minmax({e.x[0], e.x[1], e.x[2], e.x[3]});
      const auto [yLo, yHi] = std::minmax({e.y[0], e.y[1], e.y[2], e.y[3]});
      for (const PlateAreaLoad& a : lc->areas) {
        // An element wholly outside the load's region takes nothing of it.
        if (xHi < a.x0 || xLo > a.x1 || yHi < a.y0 || yLo > a.y1) continue;
        std::vector<Pt> poly = {{e.x[0], e.y[0]}, {e.x[1], e.y[1]}, {e.x[2], e.y[2]}, {e.x[3], e.y[3]}};
        if (std::isfinite(a.x0)) poly = ClipHalfPlane(poly, 0, a.x0, -1.0);
        if (poly.size() >= 3 && std::isfinite(a.x1)) poly = ClipHalfPlane(poly, 0, a.x1, 1.0);
        if (poly.size() >= 3 && std::isfinite(a.y0)) poly = ClipHalfPlane(poly, 1, a.y0, -1.0);
        if (poly.size() >= 3 && std::isfinite(a.y1)) poly = ClipHalfPlane(poly, 1, a.y1, 1.0);
        if (poly.size() < 3) continue;
        double nodal[4] = {0, 0, 0, 0};
        for (std::size_t t = 1; t + 1 < poly.size(); ++t) {
          const Pt& p0 = poly[0];
          const Pt& p1 = poly[t];
          const Pt& p2 = poly[t + 1];
          const double area = 0.5 * std::fabs((p1.x - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (p1.y - p0.y));
          if (area <= 0) continue;
          for (const auto& r : kTriRule) {
            const double c2 = 1 - r[0] - r[1];
            const double x = r[0] * p0.x + r[1] * p1.x + c2 * p2.x;
            const double y = r[0] * p0.y + r[1] * p1.y + c2 * p2.y;
            const double q = (a.q0 + a.gx * x + a.gy * y + a.gxy * x * y) * 1e-3;  // N/mm²
            double xi, eta;
            NaturalCoordinates(e, x, y, xi, eta);
            const Shape s(xi, eta);
            for (int c = 0; c < 4; ++c) nodal[c] += s.n[c] * q * r[2] * area;
          }
        }
        addNormal(m, e, nodal, 1.0);
      }
    }
    static const PlateLoadCase kNoLoads;
    const PlateLoadCase& boardLoads = lc != nullptr ? *lc : kNoLoads;
    for (const PlatePointLoad& p : boardLoads.points) {
      if (!Finite(p.x) || !Finite(p.y) || !Finite(p.p)) {
        why = "a point load is not a finite number";
        return false;
      }
      double xi, eta;
      const int id = findElement(m, p.x, p.y, xi, eta);
      if (id < 0) {
        why = "a point load lies outside its board or in an opening";
        return false;
      }
      const Shape s(xi, eta);
      addNormal(m, elements[id], s.n, p.p * 1e3);
    }
    for (const PlateLineLoad& l : boardLoads.lines) {
      if (!Finite(l.x0) || !Finite(l.y0) || !Finite(l.x1) || !Finite(l.y1) || !Finite(l.p0) || !Finite(l.p1)) {
        why = "a line load is not a finite number";
        return false;
      }
      const double dx = l.x1 - l.x0, dy = l.y1 - l.y0;
      const double len = std::hypot(dx, dy);
      if (len <= 0) {
        why = "a line load has no length";
        return false;
      }
      // Break the line where it crosses element sides, then give every piece
      // to the one element that holds its middle.
      std::vector<double> breaks = {0.0, 1.0};
      for (int id : m.elements) {
        const Element& e = elements[id];
        for (int c = 0; c < 4; ++c) {
          const double ax = e.x[c], ay = e.y[c];
          const double bx = e.x[(c + 1) % 4] - ax, by = e.y[(c + 1) % 4] - ay;
          const double den = dx * by - dy * bx;
          if (std::fabs(den) < 1e-12 * len * std::hypot(bx, by)) continue;
          const double t = ((ax - l.x0) * by - (ay - l.y0) * bx) / den;
          const double u = ((ax - l.x0) * dy - (ay - l.y0) * dx) / den;
          if (t > 0 && t < 1 && u >= -1e-9 && u <= 1 + 1e-9) breaks.push_back(t);
        }
      }
      std::sort(breaks.begin(), breaks.end());
      for (std::size_t k = 0; k + 1 < breaks.size(); ++k) {
        const double ta = breaks[k], tb = breaks[k + 1];
        if ((tb - ta) * len < 1e-6) continue;
        const double tm = 0.5 * (ta + tb);
        double xi, eta;
        const int id = findElement(m, l.x0 + tm * dx, l.y0 + tm * dy, xi, eta);
        if (id < 0) {
          why = "a line load runs outside its board or across an opening";
          return false;
        }
        double nodal[4] = {0, 0, 0, 0};
        for (const auto& gq : kLine3) {
          const double t = tm + 0.5 * (tb - ta) * gq[0];
          const double p = l.p0 + (l.p1 - l.p0) * t;  // N/mm
          NaturalCoordinates(elements[id], l.x0 + t * dx, l.y0 + t * dy, xi, eta);
          const Shape s(xi, eta);
          for (int c = 0; c < 4; ++c) nodal[c] += s.n[c] * p * gq[1] * 0.5 * (tb - ta) * len;
        }
        addNormal(m, elements[id], nodal, 1.0);
      }
    }
  }
  // Hand the board's nodal forces out and leave the scratch zero.
  const BoardMesh& m = boards[b];
  out.resize(6 * m.nodes.size());
  for (std::size_t t = 0; t < m.nodes.size(); ++t)
    for (int d = 0; d < 6; ++d) {
      double& v = full(6 * m.nodes[t] + d);
      out[6 * t + d] = v;
      v = 0.0;
    }
  return true;
}

bool ShellTankModel::Impl::Assemble(const std::vector<const std::vector<double>*>& parts, Eigen::VectorXd& scratch,
                                    double* f, std::string& why) const {
  const int nn = static_cast<int>(nodePos.size());
  Eigen::VectorXd& full = scratch;
  for (std::size_t b = 0; b < boards.size(); ++b) {
    const BoardMesh& m = boards[b];
    const std::vector<double>& part = *parts[b];
    for (std::size_t t = 0; t < m.nodes.size(); ++t)
      for (int d = 0; d < 6; ++d) full(6 * m.nodes[t] + d) += part[6 * t + d];
  }
  std::fill(f, f + unknowns, 0.0);
  bool finite = true;
  for (int i = 0; i < 6 * nn; ++i) {
    finite = finite && Finite(full(i));
    if (eq[i] >= 0) f[eq[i]] += full(i);
    full(i) = 0.0;
  }
  if (!finite) why = "a load is not a finite number";
  return finite;
}

bool ShellTankModel::Impl::Load(const TankCaseLoads& loads, double selfWeightFactor, Eigen::VectorXd& f,
                                std::string& why) const {
  Eigen::VectorXd scratch = Eigen::VectorXd::Zero(6 * static_cast<Eigen::Index>(nodePos.size()));
  std::vector<std::vector<double>> parts(boards.size());
  std::vector<const std::vector<double>*> refs(boards.size());
  for (std::size_t b = 0; b < boards.size(); ++b) {
    if (!BoardLoad(b, b < loads.size() ? &loads[b] : nullptr, selfWeightFactor, scratch, parts[b], why)) return false;
    refs[b] = &parts[b];
  }
  f.resize(unknowns);
  return Assemble(refs, scratch, f.data(), why);
}

void ShellTankModel::Impl::Displacements(const Eigen::Ref<const Eigen::VectorXd>& x, Eigen::VectorXd& u) const {
  const int nn = static_cast<int>(nodePos.size());
  u.resize(6 * nn);
  for (int i = 0; i < 6 * nn; ++i) u(i) = eq[i] >= 0 ? x(eq[i]) : 0.0;
}

void ShellTankModel::Impl::NodalMoments(std::size_t b, const Eigen::VectorXd& u, FillScratch& scratch,
                                        double* out) const {
  const BoardMesh& m = boards[b];
  // Element moments at the Gauss points (the board's elements are
  // numbered one after the other), then the nodes' sums.
  std::vector<Eigen::Matrix<double, 12, 1>>& gauss = scratch.gauss;
  gauss.resize(m.elements.size());
  const int first = m.elements.front();
  for (int id : m.elements) {
    const Element& e = elements[id];
    Eigen::Matrix<double, 12, 1> rotations;
    for (int c = 0; c < 4; ++c) rotations.segment<3>(3 * c) = u.segment<3>(6 * e.node[c] + 3);
    gauss[id - first].noalias() = momentMaps[elementMap[id]] * rotations;
  }
  for (std::size_t t = 0; t < m.nodes.size(); ++t) {
    double sx = 0.0, sy = 0.0, sxy = 0.0;
    for (const RecoveryTerm& term : m.recovery[t]) {
      const double* g = gauss[term.element - first].data();
      for (int k = 0; k < 4; ++k) {
        sx += term.w[k] * g[3 * k];
        sy += term.w[k] * g[3 * k + 1];
        sxy += term.w[k] * g[3 * k + 2];
      }
    }
    out[3 * t] = sx * 1e-3;  // kN·m/m
    out[3 * t + 1] = sy * 1e-3;
    out[3 * t + 2] = sxy * 1e-3;
  }
}

std::size_t ShellTankModel::Impl::ProjectedSize(std::size_t b) const {
  const BoardMesh& m = boards[b];
  std::size_t size = 2 * m.nodes.size();
  for (const std::vector<int>& edge : m.edgeNodes) size += edge.size();
  return size;
}

void ShellTankModel::Impl::Project(std::size_t b, const double* nodal, double* out) const {
  const BoardMesh& m = boards[b];
  for (std::size_t t = 0; t < m.nodes.size(); ++t) {
    const PlateMoments pm{nodal[3 * t], nodal[3 * t + 1], nodal[3 * t + 2]};
    *out++ = RotatedMx(pm, m.reinCos, m.reinSin);
    *out++ = RotatedMy(pm, m.reinCos, m.reinSin);
  }
  for (std::size_t k = 0; k < m.edgeNodes.size(); ++k)
    for (int t : m.edgeNodes[k])
      *out++ = RotatedMx({nodal[3 * t], nodal[3 * t + 1], nodal[3 * t + 2]}, m.edgeCos[k], m.edgeSin[k]);
}

void ShellTankModel::Impl::Extremes(std::size_t b, const double* projected, BoardMoments& bmo) const {
  const BoardMesh& m = boards[b];
  bmo.spanX = MomentRange{};
  bmo.spanY = MomentRange{};
  bmo.edges.assign(m.edgeNodes.size(), MomentRange{});
  const double* edge = projected + 2 * m.nodes.size();
  for (std::size_t k = 0; k < m.edgeNodes.size(); ++k)
    for (std::size_t j = 0; j < m.edgeNodes[k].size(); ++j) bmo.edges[k].Include(*edge++);
  CollectSpanMoments(m, projected, bmo);
}

void ShellTankModel::Impl::Fill(const Eigen::Ref<const Eigen::VectorXd>& x, ShellResult& result,
                                FillScratch& scratch) const {
  Eigen::VectorXd& u = scratch.u;
  Displacements(x, u);
  result.m_moments.resize(boards.size());
  result.m_nodes.resize(boards.size());
  std::vector<double>& nodal = scratch.nodal;
  for (std::size_t b = 0; b < boards.size(); ++b) {
    const BoardMesh& m = boards[b];
    nodal.resize(3 * m.nodes.size());
    NodalMoments(b, u, scratch, nodal.data());
    std::vector<ShellBoardNode>& nodes = result.m_nodes[b];
    nodes.resize(m.nodes.size());
    for (std::size_t t = 0; t < m.nodes.size(); ++t) {
      ShellBoardNode& node = nodes[t];
      node.local = m.local[t];
      const Eigen::Vector3d d = u.segment<3>(6 * m.nodes[t]);
      node.displacement = _3dVector(d(0), d(1), d(2));
      node.m.mx = nodal[3 * t];
      node.m.my = nodal[3 * t + 1];
      node.m.mxy = nodal[3 * t + 2];
      node.joined = m.joined[t] != 0;
    }
    scratch.projected.resize(ProjectedSize(b));
    Project(b, nodal.data(), scratch.projected.data());
    Extremes(b, scratch.projected.data(), result.m_moments[b]);
  }
}

ShellResult ShellTankModel::SolveDetailed(const TankCaseLoads& loads, double selfWeightFactor) const {
  ShellResult result;
  auto fail = [&](SolveStatus status, std::string why) {
    result.m_status = status;
    result.m_reason = std::move(why);
    result.m_moments = ZeroMoments(m_edgeCounts);
    result.m_nodes.clear();
    return result;
  };
  if (m_status != SolveStatus::Ok || !m_impl) return fail(m_status, m_reason);
  if (loads.size() != m_impl->boards.size())
    return fail(SolveStatus::InvalidInput, "one load case per board is needed");
  if (!Finite(selfWeightFactor)) return fail(SolveStatus::InvalidInput, "the self-weight factor is not finite");
  if (!m_impl->cholesky.Factorised()) return fail(SolveStatus::InvalidInput, kFactorFreed);
  Eigen::VectorXd f;
  std::string why;
  if (!m_impl->Load(loads, selfWeightFactor, f, why)) return fail(SolveStatus::InvalidInput, why);
  Eigen::MatrixXd x;
  if (!m_impl->cholesky.Solve(f, x))
    return fail(SolveStatus::Singular, "the tank's stiffness is too ill-conditioned to solve");
  ShellTankModel::Impl::FillScratch scratch;
  m_impl->Fill(x.col(0), result, scratch);
  result.m_status = SolveStatus::Ok;
  result.m_reason.clear();
  return result;
}

bool ShellTankModel::Impl::SolveBlocks(const std::vector<ShellLoading>& loadings, int block, bool reuseBoardLoads,
                                       const std::function<void(std::size_t, const Eigen::Ref<const Eigen::VectorXd>&)>& take,
                                       int progressFrom, int progressTo, SolveStatus& status,
                                       std::string& reason) const {
  const int n = static_cast<int>(loadings.size());
  const std::size_t boardCount = boards.size();
  if (!cholesky.Factorised()) {
    reason = kFactorFreed;
    status = SolveStatus::InvalidInput;
    return false;
  }
  for (const ShellLoading& l : loadings) {
    if (l.loads.size() != boardCount) {
      reason = "one load case per board is needed";
      status = SolveStatus::InvalidInput;
      return false;
    }
    if (!Finite(l.selfWeightFactor)) {
      reason = "the self-weight factor is not finite";
      status = SolveStatus::InvalidInput;
      return false;
    }
  }
  // The loadings are solved a block at a time: the block's right-hand sides
  // through the factor together, then handed on one by one, and the
  // block's vectors are overwritten by the next.  A board's nodal forces
  // depend on its own loads and the self-weight factor alone, and the
  // loadings (cell patterns, combinations) repeat them board by board: each
  // is worked out once where they are kept.
  std::vector<std::unordered_map<std::string, std::vector<double>>> kept(boardCount);
  std::vector<std::vector<double>> current(reuseBoardLoads ? 0 : boardCount);
  Eigen::VectorXd scratch = Eigen::VectorXd::Zero(6 * static_cast<Eigen::Index>(nodePos.size()));
  std::vector<const std::vector<double>*> parts(boardCount);
  std::string key;
  Eigen::MatrixXd f;
  for (int first = 0; first < n; first += block) {
    const int width = std::min(block, n - first);
    f.resize(unknowns, width);
    for (int j = 0; j < width; ++j) {
      const ShellLoading& l = loadings[static_cast<std::size_t>(first + j)];
      for (std::size_t b = 0; b < boardCount; ++b) {
        if (!reuseBoardLoads) {
          if (!BoardLoad(b, &l.loads[b], l.selfWeightFactor, scratch, current[b], reason)) {
            status = SolveStatus::InvalidInput;
            return false;
          }
          parts[b] = &current[b];
          continue;
        }
        LoadKey(l.loads[b], l.selfWeightFactor, key);
        const auto [at, added] = kept[b].try_emplace(key);
        if (added && !BoardLoad(b, &l.loads[b], l.selfWeightFactor, scratch, at->second, reason)) {
          kept[b].erase(at);
          status = SolveStatus::InvalidInput;
          return false;
        }
        parts[b] = &at->second;
      }
      if (!Assemble(parts, scratch, f.col(j).data(), reason)) {
        status = SolveStatus::InvalidInput;
        return false;
      }
    }
    if (!cholesky.SolveInPlace(f)) {
      reason = "the tank's stiffness is too ill-conditioned to solve";
      status = SolveStatus::Singular;
      return false;
    }
    for (int j = 0; j < width; ++j) {
      take(static_cast<std::size_t>(first + j), f.col(j));
    }
    if (options.progress)
      options.progress(progressFrom + static_cast<int>((progressTo - progressFrom) * (first + width) / n),
                       "moments of " + std::to_string(first + width) + " of " + std::to_string(n) + " load cases");
  }
  status = SolveStatus::Ok;
  return true;
}

SolveStatus ShellTankModel::SolveAll(const std::vector<ShellLoading>& loadings, std::vector<TankCaseMoments>& out,
                                     std::string& reason) const {
  out.assign(loadings.size(), ZeroMoments(m_edgeCounts));
  if (m_status != SolveStatus::Ok || !m_impl) {
    reason = m_reason;
    return m_status;
  }
  if (m_impl->options.progress) m_impl->options.progress(50, "solving " + std::to_string(loadings.size()) + " load cases");
  // Only the moments of each loading are kept.
  ShellResult r;
  Impl::FillScratch fillScratch;
  SolveStatus status = SolveStatus::Ok;
  const bool ok = m_impl->SolveBlocks(
      loadings, kSolveBlock, true,
      [&](std::size_t i, const Eigen::Ref<const Eigen::VectorXd>& x) {
        m_impl->Fill(x, r, fillScratch);
        out[i] = std::move(r.m_moments);
      },
      50, 90, status, reason);
  if (!ok) {
    out.assign(loadings.size(), ZeroMoments(m_edgeCounts));
    return status;
  }
  reason.clear();
  return SolveStatus::Ok;
}

SolveStatus ShellTankModel::SolveCombined(const std::vector<ShellLoading>& basics,
                                          const std::vector<ShellCombination>& combinations,
                                          std::vector<TankCaseMoments>& out, std::string& reason) const {
  return SolveCombined(basics, combinations, out, reason, nullptr);
}

SolveStatus ShellTankModel::SolveCombinedReleasing(const std::vector<ShellLoading>& basics,
                                                   const std::vector<ShellCombination>& combinations,
                                                   std::vector<TankCaseMoments>& out, std::string& reason) {
  SparseCholesky* factor = m_impl ? &m_impl->cholesky : nullptr;
  const SolveStatus status = SolveCombined(basics, combinations, out, reason, factor);
  if (factor != nullptr) factor->Release();
  return status;
}

SolveStatus ShellTankModel::SolveCombined(const std::vector<ShellLoading>& basics,
                                          const std::vector<ShellCombination>& combinations,
                                          std::vector<TankCaseMoments>& out, std::string& reason,
                                          SparseCholesky* release) const {
  // The combinations' moments are sized only when they are summed: while
  // the basic loadings are solved, the factor and the basics' moments are
  // the model's memory.
  out.clear();
  const auto fail = [&](SolveStatus status) {
    out.assign(combinations.size(), ZeroMoments(m_edgeCounts));
    return status;
  };
  if (m_status != SolveStatus::Ok || !m_impl) {
    reason = m_reason;
    return fail(m_status);
  }
  // Every combination names basic loadings that exist and, as its base, an
  // earlier combination; a base is used until its last taker.
  std::vector<std::size_t> lastUse(combinations.size(), 0);
  for (std::size_t i = 0; i < combinations.size(); ++i) {
    const ShellCombination& c = combinations[i];
    if (c.base >= 0) {
      if (static_cast<std::size_t>(c.base) >= i) {
        reason = "a combination's base must come before it";
        return fail(SolveStatus::InvalidInput);
      }
      lastUse[static_cast<std::size_t>(c.base)] = i;
    }
    for (const ShellTerm& t : c.terms)
      if (t.basic >= basics.size() || !Finite(t.factor)) {
        reason = "a combination names no basic loading or has a factor that is not finite";
        return fail(SolveStatus::InvalidInput);
      }
  }
  const Impl& impl = *m_impl;
  const std::size_t boardCount = impl.boards.size();
  std::vector<std::size_t> offset(boardCount + 1, 0);
  for (std::size_t b = 0; b < boardCount; ++b) offset[b + 1] = offset[b] + impl.ProjectedSize(b);
  const std::size_t width = offset[boardCount];
  if (impl.options.progress) impl.options.progress(50, "solving " + std::to_string(basics.size()) + " basic loadings");
  // The moments of every basic loading in the directions the extremes are
  // taken in (Project), one loading after the other.
  std::vector<double> nodal(width * basics.size());
  Impl::FillScratch fillScratch;
  SolveStatus status = SolveStatus::Ok;
  const bool ok = impl.SolveBlocks(
      basics, kBasicSolveBlock, false,
      [&](std::size_t i, const Eigen::Ref<const Eigen::VectorXd>& x) {
        impl.Displacements(x, fillScratch.u);
        for (std::size_t b = 0; b < boardCount; ++b) {
          fillScratch.nodal.resize(3 * impl.boards[b].nodes.size());
          impl.NodalMoments(b, fillScratch.u, fillScratch, fillScratch.nodal.data());
          impl.Project(b, fillScratch.nodal.data(), nodal.data() + i * width + offset[b]);
        }
      },
      50, 80, status, reason);
  if (!ok) return fail(status);
  if (release != nullptr) release->Release();
  if (impl.options.progress)
    impl.options.progress(80, "combining " + std::to_string(combinations.size()) + " load cases");
  out.assign(combinations.size(), TankCaseMoments(boardCount));
  // The combinations: the linear model's moments add up.  Each is
  // summed board by board (a board's values stay in the cache while its
  // extremes are taken); a combination that a later one builds on keeps
  // its whole sum until its last taker.
  std::unordered_map<std::size_t, std::vector<double>> bases;
  std::vector<double> slice;
  for (std::size_t i = 0; i < combinations.size(); ++i) {
    const ShellCombination& c = combinations[i];
    const double* base = c.base >= 0 ? bases.at(static_cast<std::size_t>(c.base)).data() : nullptr;
    double* kept = nullptr;
    if (lastUse[i] > i) {
      std::vector<double>& v = bases[i];
      v.resize(width);
      kept = v.data();
    }
    for (std::size_t b = 0; b < boardCount; ++b) {
      const std::size_t from = offset[b], count = offset[b + 1] - offset[b];
      double* sum = kept ? kept + from : (slice.resize(count), slice.data());
      if (base != nullptr)
        std::copy(base + from, base + from + count, sum);
      else
        std::fill(sum, sum + count, 0.0);
      for (const ShellTerm& t : c.terms) {
        const double* v = nodal.data() + t.basic * width + from;
        const double f = t.factor;
        for (std::size_t k = 0; k < count; ++k) sum[k] += f * v[k];
      }
      impl.Extremes(b, sum, out[i][b]);
    }
    if (c.base >= 0 && lastUse[static_cast<std::size_t>(c.base)] == i) bases.erase(static_cast<std::size_t>(c.base));
  }
  reason.clear();
  return SolveStatus::Ok;
}

SolveStatus ShellTankModel::Solve(const TankCaseLoads& loads, double selfWeightFactor, TankCaseMoments& out,
                                  std::string& reason) const {
  ShellResult r = SolveDetailed(loads, selfWeightFactor);
  out = std::move(r.m_moments);
  reason = r.Reason();
  return r.Status();
}

// ---------------------------------------------------------------------------

const std::vector<ShellBoardNode>& ShellResult::BoardNodes(int board) const {
  static const std::vector<ShellBoardNode> kNone;
  if (board < 0 || board >= static_cast<int>(m_nodes.size())) return kNone;
  return m_nodes[static_cast<std::size_t>(board)];
}

const ShellBoardNode* ShellResult::NearestNode(int board, double x, double y) const {
  const auto& nodes = BoardNodes(board);
  const ShellBoardNode* best = nullptr;
  double bestD = 0;
  for (const ShellBoardNode& n : nodes) {
    const double d = std::hypot(n.local.x - x, n.local.y - y);
    if (best == nullptr || d < bestD) {
      best = &n;
      bestD = d;
    }
  }
  return best;
}

}  // namespace tobrin
