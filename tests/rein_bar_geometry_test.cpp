// Where the bars of a designed tank lie, over the design of every built-in
// example, zone category by zone category:
// - every vertex of every bar lies in the tank's concrete: the union of the
//   boards' solids (each board between its two faces, its edges carried out
//   to the faces of the boards meeting them, a bottom slab's overhang edges
//   further by the overhang) and the haunches at the joints;
// - every straight bar segment lying in a board's plane (parallel to it,
//   within its outline and thickness) lies between that board's two bar
//   planes (each face's offset less its cover);
// - every bar keeps its cover (less 1 mm) from every free concrete face: a
//   board's two faces, an edge no other board meets, the sloped face of a
//   haunch and the faces of the openings; a bar crosses a face only where it
//   runs on into the board behind it.
// The face zones are checked once more with the boards of a unit laid as
// groups (the reinforcement setting that merges units).
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// Tolerances: a bar vertex may stand this far outside the concrete, a segment
// this far outside its board's bar planes.
constexpr double kConcreteTolerance = 5.0;
constexpr double kLayerTolerance = 2.0;

_3dVector Unit(const _3dVector& v) { return v.GetUnitVector(1e-9); }
double Dot(const _3dVector& a, const _3dVector& b) { return a.DotProduct(b); }

// One board's solid: its local outline with every edge carried out by the
// reach of the boards meeting it there, between its two faces.
struct BoardSolid {
  BoardPtr board;
  std::vector<_2dPoint> grown;
  std::vector<_2dPoint> outline;
};

// How far the boards meeting edge i reach beyond it, in the board's plane:
// the offset of each neighbour's face on the outward side, measured along
// the board (neighbours in the board's plane reach nowhere).  A bottom slab's
// overhang edge reaches further by the overhang.
double EdgeReach(const Tank& tank, const BoardPtr& board, int i) {
  std::vector<BoardPtr> others;
  std::vector<int> edges;
  tank.GetBoardsOnEdge(board, i, others, edges);
  const _3dVector out = -Unit(board->GetEdgeDirection(i));
  double reach = 0.0;
  for (const BoardPtr& other : others) {
    if (!other || other == board) continue;
    const double a = Dot(out, Unit(other->GetNormal()));
    if (std::fabs(a) < 0.1) continue;
    reach = std::max(reach, (a > 0 ? other->GetUpperOffset() : other->GetLowerOffset()) / std::fabs(a));
  }
  double overhang = 0.0;
  if (board->GetKind() == 1 && board->GetEdges()[static_cast<std::size_t>(i)].GetOverhang(overhang))
    reach += overhang;
  return reach;
}

BoardSolid MakeSolid(const Tank& tank, const BoardPtr& board) {
  BoardSolid s;
  s.board = board;
  board->GetLocalOutline(s.outline);
  const std::size_t n = s.outline.size();
  double area = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const _2dPoint& p = s.outline[i];
    const _2dPoint& q = s.outline[(i + 1) % n];
    area += p.x * q.y - q.x * p.y;
  }
  // Each edge's line moved outwards by its reach; the grown corners where
  // consecutive moved lines meet.
  std::vector<_2dPoint> a(n), d(n);
  for (std::size_t i = 0; i < n; ++i) {
    const _2dPoint& p = s.outline[i];
    const _2dVector e = (s.outline[(i + 1) % n] - p).GetUnitVector(1e-9);
    const _2dVector outward = area > 0 ? _2dVector(e.y, -e.x) : _2dVector(-e.y, e.x);
    const double r = EdgeReach(tank, board, static_cast<int>(i));
    a[i] = p + outward * r;
    d[i] = _2dPoint(e.x, e.y);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t k = (i + n - 1) % n;
    const _2dVector dk(d[k].x, d[k].y), di(d[i].x, d[i].y);
    const double den = dk.Cross(di);
    if (std::fabs(den) < 1e-9) {
      s.grown.push_back(a[i]);
      continue;
    }
    const double t = (a[i] - a[k]).Cross(di) / den;
    s.grown.push_back(a[k] + dk * t);
  }
  return s;
}

double Height(const Board& b, const _3dPoint& p) { return Dot(p - b.GetOrigin(), Unit(b.GetNormal())); }

bool InSolid(const BoardSolid& s, const _3dPoint& p) {
  const Board& b = *s.board;
  const double h = Height(b, p);
  if (h > b.GetUpperOffset() + kConcreteTolerance || h < -b.GetLowerOffset() - kConcreteTolerance) return false;
  return g_VekGeometryComm.PointInPolygon2d(s.grown, b.WorldToLocal(p), kConcreteTolerance) >= 0;
}

// A haunch: a triangular prism along a joint line, in the corner between the
// faces of boards a and b that face each other (or, for a bottom slab's
// overhang haunch, between the slab's upper face and the wall's outer face).
struct Haunch {
  _3dPoint start;
  _3dVector along;  // unit, along the joint line
  double length = 0;
  _3dPoint corner;
  _3dVector legA, legB;  // the two legs from the corner
};

bool InHaunch(const Haunch& h, const _3dPoint& p) {
  const _3dVector w = p - h.start;
  const double t = Dot(w, h.along);
  if (t < -kConcreteTolerance || t > h.length + kConcreteTolerance) return false;
  // Barycentric coordinates of p's projection in the corner's triangle.
  const _3dVector r = (p - h.along * Dot(p - h.corner, h.along)) - h.corner;
  const double aa = Dot(h.legA, h.legA), ab = Dot(h.legA, h.legB), bb = Dot(h.legB, h.legB);
  const double ra = Dot(r, h.legA), rb = Dot(r, h.legB);
  const double den = aa * bb - ab * ab;
  if (std::fabs(den) < 1e-9) return false;
  const double u = (ra * bb - rb * ab) / den, v = (rb * aa - ra * ab) / den;
  const double slack = kConcreteTolerance / std::sqrt(std::min(aa, bb));
  return u >= -slack && v >= -slack && u + v <= 1 + slack;
}

void AddHaunches(const BoardPtr& a, const BoardPtr& b, const _3dLine& line, const EarPtr& ear, bool overhang,
                 std::vector<Haunch>& out) {
  if (!ear || !a || !b) return;
  const _3dVector da0 = a->GetInwardDirection(line), db = b->GetInwardDirection(line);
  // The overhang haunch stands on the overhang, outside the wall.
  const _3dVector da = overhang ? -da0 : da0;
  const _3dVector na = Unit(a->GetNormal()), nb = Unit(b->GetNormal());
  const double sa = Dot(na, db) >= 0 ? 1.0 : -1.0, sb = Dot(nb, da) >= 0 ? 1.0 : -1.0;
  const double offA = sa > 0 ? a->GetUpperOffset() : a->GetLowerOffset();
  const double offB = sb > 0 ? b->GetUpperOffset() : b->GetLowerOffset();
  const double dbna = Dot(db, na), danb = Dot(da, nb);
  if (std::fabs(dbna) < 1e-6 || std::fabs(danb) < 1e-6) return;
  Haunch h;
  h.start = line.GetStartPoint();
  h.along = Unit(line.GetEndPoint() - line.GetStartPoint());
  h.length = line.GetLength();
  h.corner = h.start + da * (sb * offB / danb) + db * (sa * offA / dbna);
  // The haunch's length and its length times the tangent of its angle: both
  // ways round, so either reading of the two legs is covered.
  const double l1 = ear->GetLength(), l2 = ear->GetLength() * std::tan(ear->GetAngle());
  for (const auto& [la, lb] : {std::pair{l1, l2}, std::pair{l2, l1}}) {
    h.legA = da * la;
    h.legB = db * lb;
    out.push_back(h);
  }
}

struct Concrete {
  std::vector<BoardSolid> solids;
  std::vector<Haunch> haunches;

  explicit Concrete(const Tank& tank) {
    for (const BoardPtr& b : tank.GetBoards()) solids.push_back(MakeSolid(tank, b));
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank.GetJoints(firsts, seconds, joints);
    for (std::size_t i = 0; i < joints.size() && i < firsts.size() && i < seconds.size(); ++i) {
      if (!joints[i]) continue;
      const _3dLine line = joints[i]->GetLine();
      EarPtr ear;
      if (GetJointEar(joints[i], ear)) AddHaunches(firsts[i], seconds[i], line, ear, false, haunches);
      if (GetJointOverhangEar(joints[i], ear)) {
        // The slab is the board whose overhang it is.
        const bool firstIsSlab = firsts[i]->GetKind() == 1;
        AddHaunches(firstIsSlab ? firsts[i] : seconds[i], firstIsSlab ? seconds[i] : firsts[i], line, ear, true,
                    haunches);
      }
    }
  }

  bool Contains(const _3dPoint& p) const {
    for (const BoardSolid& s : solids)
      if (InSolid(s, p)) return true;
    for (const Haunch& h : haunches)
      if (InHaunch(h, p)) return true;
    return false;
  }
};

// The concrete with every free face moved inwards by its cover less 1 mm:
// each board between its faces less their covers, an edge met by other boards
// carried out to their far face less its cover, an edge in one plane with a
// neighbour left where it is, a free edge moved in by the board's smaller
// cover; each haunch with its sloped face moved in by the smaller cover of
// the two boards.  A bar vertex must lie in it.
constexpr double kCoverTolerance = 1.0;

double SmallerCover(const ReinDesignOptions& options, const BoardPtr& b) {
  return std::min(GetConcreteCover(options, b, true), GetConcreteCover(options, b, false));
}

struct CoveredSolid {
  BoardPtr board;
  std::vector<_2dPoint> shrunk;
  double top = 0, bottom = 0;
};

// How far the covered concrete reaches beyond edge i: negative for a free
// edge.
double CoveredEdgeReach(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board, int i) {
  std::vector<BoardPtr> others;
  std::vector<int> edges;
  tank.GetBoardsOnEdge(board, i, others, edges);
  const _3dVector out = -Unit(board->GetEdgeDirection(i));
  bool met = false;
  double reach = -1e300;
  for (const BoardPtr& other : others) {
    if (!other || other == board) continue;
    met = true;
    const double a = Dot(out, Unit(other->GetNormal()));
    if (std::fabs(a) < 0.1) {
      reach = std::max(reach, 0.0);
      continue;
    }
    const bool far = a > 0;
    const double face = far ? other->GetUpperOffset() : other->GetLowerOffset();
    reach = std::max(reach, (face - GetConcreteCover(options, other, far)) / std::fabs(a));
  }
  double overhang = 0.0;
  const bool hasOverhang =
      board->GetKind() == 1 && board->GetEdges()[static_cast<std::size_t>(i)].GetOverhang(overhang) && overhang > 0;
  if (!met) return -SmallerCover(options, board) + kCoverTolerance;
  if (hasOverhang) {
    // The overhang's end is a free face.
    double wall = 0.0;
    for (const BoardPtr& other : others)
      if (other && other != board) {
        const double a = Dot(out, Unit(other->GetNormal()));
        if (std::fabs(a) >= 0.1) wall = std::max(wall, (a > 0 ? other->GetUpperOffset() : other->GetLowerOffset()) / std::fabs(a));
      }
    return wall + overhang - SmallerCover(options, board) + kCoverTolerance;
  }
  return reach + kCoverTolerance;
}

CoveredSolid MakeCoveredSolid(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board) {
  CoveredSolid s;
  s.board = board;
  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);
  const std::size_t n = outline.size();
  double area = 0.0;
  for (std::size_t i = 0; i < n; ++i) area += outline[i].x * outline[(i + 1) % n].y - outline[(i + 1) % n].x * outline[i].y;
  std::vector<_2dPoint> a(n), d(n);
  for (std::size_t i = 0; i < n; ++i) {
    const _2dVector e = (outline[(i + 1) % n] - outline[i]).GetUnitVector(1e-9);
    const _2dVector outward = area > 0 ? _2dVector(e.y, -e.x) : _2dVector(-e.y, e.x);
    a[i] = outline[i] + outward * CoveredEdgeReach(tank, options, board, static_cast<int>(i));
    d[i] = _2dPoint(e.x, e.y);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t k = (i + n - 1) % n;
    const _2dVector dk(d[k].x, d[k].y), di(d[i].x, d[i].y);
    const double den = dk.Cross(di);
    if (std::fabs(den) < 1e-9) {
      s.shrunk.push_back(a[i]);
      continue;
    }
    s.shrunk.push_back(a[k] + dk * ((a[i] - a[k]).Cross(di) / den));
  }
  s.top = board->GetUpperOffset() - GetConcreteCover(options, board, true) + kCoverTolerance;
  s.bottom = -board->GetLowerOffset() + GetConcreteCover(options, board, false) - kCoverTolerance;
  return s;
}

bool InCoveredSolid(const CoveredSolid& s, const _3dPoint& p) {
  const double h = Height(*s.board, p);
  if (h > s.top || h < s.bottom) return false;
  return g_VekGeometryComm.PointInPolygon2d(s.shrunk, s.board->WorldToLocal(p), 0.0) >= 0;
}

// A haunch with its sloped face moved in by `cover`: the corner's triangle cut
// short of its hypotenuse (the legs lie against the boards' faces).
bool InCoveredHaunch(const Haunch& h, double cover, const _3dPoint& p) {
  const _3dVector w = p - h.start;
  const double t = Dot(w, h.along);
  if (t < -kConcreteTolerance || t > h.length + kConcreteTolerance) return false;
  const _3dVector r = (p - h.along * Dot(p - h.corner, h.along)) - h.corner;
  const double aa = Dot(h.legA, h.legA), ab = Dot(h.legA, h.legB), bb = Dot(h.legB, h.legB);
  const double ra = Dot(r, h.legA), rb = Dot(r, h.legB);
  const double den = aa * bb - ab * ab;
  if (std::fabs(den) < 1e-9) return false;
  const double u = (ra * bb - rb * ab) / den, v = (rb * aa - ra * ab) / den;
  // Distance from the corner to the sloped face.
  const double height = std::sqrt(den) / (h.legA - h.legB).GetLength();
  if (height <= cover) return false;
  return u >= -1 && v >= -1 && u + v <= 1 - (cover - kCoverTolerance) / height;
}

struct CoveredConcrete {
  std::vector<CoveredSolid> solids;
  std::vector<std::pair<Haunch, double>> haunches;

  CoveredConcrete(const Tank& tank, const ReinDesignOptions& options) {
    for (const BoardPtr& b : tank.GetBoards()) solids.push_back(MakeCoveredSolid(tank, options, b));
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank.GetJoints(firsts, seconds, joints);
    for (std::size_t i = 0; i < joints.size() && i < firsts.size() && i < seconds.size(); ++i) {
      if (!joints[i] || !firsts[i] || !seconds[i]) continue;
      const double cover = std::min(SmallerCover(options, firsts[i]), SmallerCover(options, seconds[i]));
      std::vector<Haunch> found;
      EarPtr ear;
      if (GetJointEar(joints[i], ear)) AddHaunches(firsts[i], seconds[i], joints[i]->GetLine(), ear, false, found);
      if (GetJointOverhangEar(joints[i], ear)) {
        const bool firstIsSlab = firsts[i]->GetKind() == 1;
        AddHaunches(firstIsSlab ? firsts[i] : seconds[i], firstIsSlab ? seconds[i] : firsts[i], joints[i]->GetLine(),
                    ear, true, found);
      }
      for (const Haunch& h : found) haunches.emplace_back(h, cover);
    }
  }

  bool Contains(const _3dPoint& p) const {
    for (const CoveredSolid& s : solids)
      if (InCoveredSolid(s, p)) return true;
    for (const auto& [h, cover] : haunches)
      if (InCoveredHaunch(h, cover, p)) return true;
    return false;
  }
};

// Distance from the segment pq to the opening, in the board's plane (0 where
// they cross); negative for a notch (not checked here).
double SegmentToPoint(const _2dPoint& p, const _2dPoint& q, const _2dPoint& c) {
  const _2dVector d = q - p;
  const double len2 = d.x * d.x + d.y * d.y;
  double t = len2 > 0 ? ((c.x - p.x) * d.x + (c.y - p.y) * d.y) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return (c - (p + d * t)).GetLength();
}

bool SegmentsCross(const _2dPoint& a, const _2dPoint& b, const _2dPoint& c, const _2dPoint& d) {
  const auto side = [](const _2dPoint& o, const _2dPoint& x, const _2dPoint& y) { return (x - o).Cross(y - o); };
  const double s1 = side(a, b, c), s2 = side(a, b, d), s3 = side(c, d, a), s4 = side(c, d, b);
  return ((s1 > 0) != (s2 > 0)) && ((s3 > 0) != (s4 > 0));
}

double DistanceToOpening(const HolePtr& hole, const _2dPoint& p, const _2dPoint& q) {
  if (const auto* circle = dynamic_cast<const CircleHole*>(hole.get()))
    return std::max(0.0, SegmentToPoint(p, q, circle->GetCenter()) - circle->GetRadius());
  const auto* rect = dynamic_cast<const RectangleHole*>(hole.get());
  if (!rect) return -1.0;
  std::vector<_2dPoint> c = rect->GetCorners();
  if (c.size() >= 2 && (c.front() - c.back()).GetLength() < 1e-6) c.pop_back();
  if (c.size() < 3) return -1.0;
  if (g_VekGeometryComm.PointInPolygon2d(c, p, 0.0) >= 0) return 0.0;
  double best = 1e300;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const _2dPoint& a = c[i];
    const _2dPoint& b = c[(i + 1) % c.size()];
    if (SegmentsCross(p, q, a, b)) return 0.0;
    best = std::min({best, SegmentToPoint(p, q, a), SegmentToPoint(a, b, p), SegmentToPoint(a, b, q)});
  }
  return best;
}

std::string Describe(const _3dPoint& p) {
  std::ostringstream o;
  o << "(" << p.x << ", " << p.y << ", " << p.z << ")";
  return o.str();
}

// The designed tank of one example, made once per test program (and once
// more with units merged).
struct DesignedExample {
  TankDesigner designer;
  std::unique_ptr<Concrete> concrete;
  std::unique_ptr<CoveredConcrete> covered;
};

DesignedExample& Designed(const std::string& name, bool merged) {
  static std::map<std::pair<std::string, bool>, std::unique_ptr<DesignedExample>> cache;
  auto& slot = cache[{name, merged}];
  if (!slot) {
    slot = std::make_unique<DesignedExample>();
    tank::app::BuildNewTank(slot->designer, tank::app::ReadProject(tank::app::ExampleProject(name), name), name);
    slot->designer.GetSettings().GetReinSettings().SetUnitMergeOn(merged);
    if (!slot->designer.Analyse()) ADD_FAILURE() << name << ": " << GetLastAnalysisError();
    slot->designer.DesignRein(nullptr);
    slot->concrete = std::make_unique<Concrete>(slot->designer.GetTank());
    ReinDesignOptions options;
    options.SetSettings(&slot->designer.GetSettings());
    slot->covered = std::make_unique<CoveredConcrete>(slot->designer.GetTank(), options);
  }
  return *slot;
}

struct Case {
  std::string example;
  int category;
  bool merged = false;
};
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.example << ", zone category " << c.category << (c.merged ? ", units merged" : "");
}

// Zone categories: 1 joint (edge) zones, 2 face zones, 4 haunch zones, 5
// support bars, 6 opening bars.
const int kCategories[] = {1, 2, 4, 5, 6};

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const std::string& name : tank::app::ExampleNames()) {
    for (int category : kCategories) cases.push_back(Case{name, category});
    cases.push_back(Case{name, 2, true});
  }
  return cases;
}

class BarGeometry : public HostCommandTest, public ::testing::WithParamInterface<Case> {};

TEST_P(BarGeometry, BarsLieInTheConcreteAndBetweenTheBarPlanes) {
  const Case& c = GetParam();
  DesignedExample& d = Designed(c.example, c.merged);
  const Tank& tank = d.designer.GetTank();
  ReinDesignOptions options;
  options.SetSettings(&d.designer.GetSettings());
  const std::vector<BoardPtr> boards = tank.GetBoards();

  int bars = 0, outside = 0, offLayer = 0;
  std::string firstOutside, firstOffLayer;
  const TankReinZones zones = tank.GetReinZones();
  for (const ReinZonePtr& zone : zones.GetZones()) {
    if (!zone || zone->GetCategory() != c.category) continue;
    for (const ReinPtr& bar : zone->GetReins()) {
      if (!bar) continue;
      ++bars;
      const _2dPolyline& line = bar->GetPolyline();
      for (int i = 0; i < line.VerNums(); ++i) {
        const _3dPoint p = line.GetVertexAt(i);
        if (!d.concrete->Contains(p)) {
          if (outside++ == 0) firstOutside = Describe(p);
        }
      }
      for (int i = 0; i + 1 < line.VerNums(); ++i) {
        if (line.GetBulgeAt(i) != 0.0) continue;
        const _3dPoint p = line.GetVertexAt(i), q = line.GetVertexAt(i + 1);
        const _3dVector seg = q - p;
        if (seg.GetLength() < 1.0) continue;
        const _3dPoint mid = p + seg * 0.5;
        for (const BoardPtr& b : boards) {
          const _3dVector n = Unit(b->GetNormal());
          if (std::fabs(Dot(Unit(seg), n)) > 1e-3) continue;
          const double h = Height(*b, mid);
          if (h > b->GetUpperOffset() || h < -b->GetLowerOffset()) continue;
          std::vector<_2dPoint> outline;
          b->GetLocalOutline(outline);
          if (g_VekGeometryComm.PointInPolygon2d(outline, b->WorldToLocal(mid), 0.0) != 1) continue;
          const double top = b->GetUpperOffset() - GetConcreteCover(options, b, true);
          const double bottom = -(b->GetLowerOffset() - GetConcreteCover(options, b, false));
          if (h > top + kLayerTolerance || h < bottom - kLayerTolerance) {
            if (offLayer++ == 0)
              firstOffLayer = Describe(p) + " - " + Describe(q) + " at " + std::to_string(h) + " in a board of kind " +
                              std::to_string(b->GetKind()) + " with bar planes " + std::to_string(bottom) + " .. " +
                              std::to_string(top);
          }
        }
      }
    }
  }
  EXPECT_EQ(outside, 0) << c.example << ", category " << c.category << ": " << outside
                        << " bar vertices outside the concrete, the first " << firstOutside;
  EXPECT_EQ(offLayer, 0) << c.example << ", category " << c.category << ": " << offLayer
                         << " segments outside their board's bar planes, the first " << firstOffLayer;
  // Every example's boards carry face bars.
  if (c.category == 2) {
    EXPECT_GT(bars, 0);
  }
}

TEST_P(BarGeometry, BarsKeepTheirCoverFromEveryFreeFace) {
  const Case& c = GetParam();
  DesignedExample& d = Designed(c.example, c.merged);
  const Tank& tank = d.designer.GetTank();
  ReinDesignOptions options;
  options.SetSettings(&d.designer.GetSettings());
  const std::vector<BoardPtr> boards = tank.GetBoards();

  int inCover = 0, atOpening = 0;
  std::string firstInCover, firstAtOpening;
  const TankReinZones zones = tank.GetReinZones();
  for (const ReinZonePtr& zone : zones.GetZones()) {
    if (!zone || zone->GetCategory() != c.category) continue;
    for (const ReinPtr& bar : zone->GetReins()) {
      if (!bar) continue;
      const _2dPolyline& line = bar->GetPolyline();
      // The vertices, and the middle of every straight segment.
      std::vector<_3dPoint> points;
      for (int i = 0; i < line.VerNums(); ++i) {
        points.push_back(line.GetVertexAt(i));
        if (i + 1 < line.VerNums() && line.GetBulgeAt(i) == 0.0) {
          const _3dPoint p = line.GetVertexAt(i), q = line.GetVertexAt(i + 1);
          points.push_back(p + (q - p) * 0.5);
        }
      }
      for (const _3dPoint& p : points)
        if (!d.covered->Contains(p) && inCover++ == 0) firstInCover = Describe(p);
      // Straight segments in a board with openings keep the cover from them.
      for (int i = 0; i + 1 < line.VerNums(); ++i) {
        if (line.GetBulgeAt(i) != 0.0) continue;
        const _3dPoint p = line.GetVertexAt(i), q = line.GetVertexAt(i + 1);
        for (const BoardPtr& b : boards) {
          if (b->GetHoles().empty()) continue;
          const double hp = Height(*b, p), hq = Height(*b, q);
          const double up = b->GetUpperOffset(), low = -b->GetLowerOffset();
          if (hp > up || hp < low || hq > up || hq < low) continue;
          const double cover = GetConcreteCover(options, b, hp + hq > 0);
          const _2dPoint lp = b->WorldToLocal(p), lq = b->WorldToLocal(q);
          for (const HolePtr& hole : b->GetHoles()) {
            if (!hole) continue;
            const double dist = DistanceToOpening(hole, lp, lq);
            if (dist >= 0 && dist < cover - kCoverTolerance && atOpening++ == 0)
              firstAtOpening = Describe(p) + " - " + Describe(q) + ", " + std::to_string(dist) + " mm from opening " +
                               std::to_string(hole->GetId()) + " (cover " + std::to_string(cover) + ")";
          }
        }
      }
    }
  }
  EXPECT_EQ(inCover, 0) << c.example << ", category " << c.category << ": " << inCover
                        << " bar points inside a free face's cover, the first " << firstInCover;
  EXPECT_EQ(atOpening, 0) << c.example << ", category " << c.category << ": " << atOpening
                          << " bar segments inside an opening's cover, the first " << firstAtOpening;
}

INSTANTIATE_TEST_SUITE_P(Examples, BarGeometry, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.example + "_category" + std::to_string(info.param.category) +
                                              (info.param.merged ? "_merged" : "");
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace
