// CAD geometric algorithms: the outlines of wall lines (their two face lines,
// joined where wall lines meet and capped at free ends).
//
// Every place where wall lines meet becomes a node: a point where line ends
// coincide, where a line end lies on another line, or where two lines cross.
// At a node each line contributes "spokes", the directions in which it leaves
// the node: one for a line that ends there, two for a line that runs through
// it.  Going counter-clockwise around the node, the left face of each spoke
// meets the right face of the next one at the intersection of the two face
// lines; that corner ends (or, for a line running through, interrupts) the
// faces involved.  This one rule gives mitred L-corners, T-junctions and
// crosses alike.
#include "platform/Dusmet.h"
#include "platform/dusmet/planmath.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

using dusmet::V2;
using dusmet::DirectionAngle;
using dusmet::NormalizeAngle;
using dusmet::SamePoint;

namespace {

constexpr double kTol = kPointTolerance;

struct WallInput {
  V2 start, end;
  double offRight = 0.0, offLeft = 0.0;
  int startCode = 0, endCode = 0;
};

// A face line of one wall line: its two ends and the stretches that other
// wall lines take out of it.
struct Face {
  V2 start, end;
  std::vector<std::pair<V2, V2>> gaps;
};

struct Wall {
  WallInput in;
  bool valid = false;
  V2 u;               // unit direction
  double length = 0.0;
  Face faces[2];      // 0: first offset (right), 1: second offset (left)
  bool joinedStart = false, joinedEnd = false;
  std::vector<std::pair<V2, V2>> steps;

  double Offset(int face) const { return face == 0 ? in.offRight : in.offLeft; }
  V2 Normal(int face) const { return face == 0 ? u.Right() : u.Left(); }
  // A point of the face's carrier line.
  V2 FaceBase(int face) const { return in.start + Normal(face) * Offset(face); }
  double Param(const V2& p) const { return (p - in.start).Dot(u); }
};

enum class SpokeKind { kStart, kEnd, kThrough };

struct Spoke {
  int wall = 0;
  bool forward = true;  // leaves the node in the wall's own direction
  SpokeKind kind = SpokeKind::kStart;
  V2 dir;
  double angle = 0.0;
  // The wall faces on the spoke's left and right as it leaves the node.
  int LeftFace() const { return forward ? 1 : 0; }
  int RightFace() const { return forward ? 0 : 1; }
};

V2 Foot(const V2& base, const V2& dir, const V2& p) { return base + dir * (p - base).Dot(dir); }

// Where the lines of a wall meet at P, as spokes.
void CollectSpokes(const std::vector<Wall>& walls, const V2& p, std::vector<Spoke>& spokes) {
  spokes.clear();
  for (int i = 0; i < static_cast<int>(walls.size()); ++i) {
    const Wall& w = walls[i];
    if (!w.valid) continue;
    double along = w.Param(p);
    double dist = std::fabs(w.u.Cross(p - w.in.start));
    if (dist > kTol) continue;
    auto add = [&](bool forward, SpokeKind kind) {
      Spoke s;
      s.wall = i;
      s.forward = forward;
      s.kind = kind;
      s.dir = forward ? w.u : -w.u;
      s.angle = DirectionAngle(s.dir);
      spokes.push_back(s);
    };
    if (SamePoint(p, w.in.start) || std::fabs(along) <= kTol) {
      add(true, SpokeKind::kStart);
    } else if (SamePoint(p, w.in.end) || std::fabs(along - w.length) <= kTol) {
      add(false, SpokeKind::kEnd);
    } else if (along > 0.0 && along < w.length) {
      add(true, SpokeKind::kThrough);
      add(false, SpokeKind::kThrough);
    }
  }
}

// The meeting points of the wall lines: their ends and their crossings.
std::vector<V2> FindNodes(const std::vector<Wall>& walls) {
  std::vector<V2> cand;
  for (const Wall& w : walls) {
    if (!w.valid) continue;
    cand.push_back(w.in.start);
    cand.push_back(w.in.end);
  }
  for (std::size_t i = 0; i < walls.size(); ++i) {
    for (std::size_t j = i + 1; j < walls.size(); ++j) {
      const Wall& a = walls[i];
      const Wall& b = walls[j];
      if (!a.valid || !b.valid) continue;
      double denom = a.u.Cross(b.u);
      if (std::fabs(denom) <= 1e-12) continue;
      double ta = (b.in.start - a.in.start).Cross(b.u) / denom;
      double tb = (b.in.start - a.in.start).Cross(a.u) / denom;
      // Crossings near an end are found through that end.
      if (ta > kTol && ta < a.length - kTol && tb > kTol && tb < b.length - kTol)
        cand.push_back(a.in.start + a.u * ta);
    }
  }
  std::vector<V2> nodes;
  for (const V2& c : cand) {
    bool known = std::any_of(nodes.begin(), nodes.end(), [&](const V2& n) { return SamePoint(n, c); });
    if (!known) nodes.push_back(c);
  }
  return nodes;
}

// Joins the faces of the spokes at one node.
void JoinAtNode(std::vector<Wall>& walls, const V2& p, std::vector<Spoke>& spokes) {
  std::stable_sort(spokes.begin(), spokes.end(),
                   [](const Spoke& a, const Spoke& b) { return a.angle < b.angle; });
  // Corners found for the faces of lines running through the node: where
  // each face stops before the node and resumes after it.
  struct Through {
    V2 stop[2], resume[2];
    bool hasStop[2] = {false, false};
    bool hasResume[2] = {false, false};
  };
  std::map<int, Through> through;

  auto assign = [&](const Spoke& s, int face, const V2& corner) {
    Wall& w = walls[s.wall];
    switch (s.kind) {
      case SpokeKind::kStart: w.faces[face].start = corner; break;
      case SpokeKind::kEnd: w.faces[face].end = corner; break;
      case SpokeKind::kThrough: {
        Through& t = through[s.wall];
        if (s.forward) {
          t.resume[face] = corner;
          t.hasResume[face] = true;
        } else {
          t.stop[face] = corner;
          t.hasStop[face] = true;
        }
        break;
      }
    }
  };

  const std::size_t m = spokes.size();
  for (std::size_t k = 0; k < m; ++k) {
    const Spoke& a = spokes[k];
    const Spoke& b = spokes[(k + 1) % m];
    int fa = a.LeftFace(), fb = b.RightFace();
    const Wall& wa = walls[a.wall];
    const Wall& wb = walls[b.wall];
    V2 baseA = wa.FaceBase(fa), baseB = wb.FaceBase(fb);
    // The face lines given by a point and a unit step: the kernel takes them
    // as parallel when the sine of their angle is within kPointTolerance.
    V2 cornerA, cornerB;
    _2dPoint corner;
    if (g_VekGeometryComm.IntersectLinesByPoints(baseA.ToPoint(), (baseA + a.dir).ToPoint(),
                                                 baseB.ToPoint(), (baseB + b.dir).ToPoint(), corner)) {
      cornerA = cornerB = V2(corner);
    } else {
      // The two lines run on in one straight line (or lie along each other):
      // their faces end square at the node.
      cornerA = Foot(baseA, a.dir, p);
      cornerB = Foot(baseB, b.dir, p);
      if (a.dir.Dot(b.dir) < 0.0 && !SamePoint(cornerA, cornerB) && a.wall != b.wall)
        walls[a.wall].steps.emplace_back(cornerA, cornerB);
    }
    assign(a, fa, cornerA);
    assign(b, fb, cornerB);
  }

  for (auto& [index, t] : through) {
    Wall& w = walls[index];
    for (int f = 0; f < 2; ++f) {
      if (!t.hasStop[f] || !t.hasResume[f]) continue;
      if (w.Param(t.resume[f]) - w.Param(t.stop[f]) > kTol)
        w.faces[f].gaps.emplace_back(t.stop[f], t.resume[f]);
    }
  }
}

EntityPtr MakeLine(const V2& a, const V2& b) {
  return boost::make_shared<_2dLine>(a.ToPoint(), b.ToPoint());
}

// The pieces of a face between the stretches taken out of it.
void EmitFace(const Wall& w, const Face& f, EntityList& out) {
  std::vector<std::pair<V2, V2>> gaps = f.gaps;
  std::sort(gaps.begin(), gaps.end(), [&](const auto& x, const auto& y) {
    return w.Param(x.first) < w.Param(y.first);
  });
  double endP = w.Param(f.end);
  V2 cur = f.start;
  double curP = w.Param(f.start);
  for (const auto& [stop, resume] : gaps) {
    double ps = w.Param(stop), pe = w.Param(resume);
    if (pe <= curP) continue;
    if (ps >= endP) break;
    if (ps - curP > g_LengthTolerance) out.push_back(MakeLine(cur, stop));
    cur = resume;
    curP = pe;
  }
  if (endP - curP > g_LengthTolerance) out.push_back(MakeLine(cur, f.end));
}

// The cap of a free end from the first face's end point to the second's,
// bulging towards `outward` when it is an arc.
EntityPtr MakeCap(const V2& right, const V2& left, const V2& outward, int code) {
  if (SamePoint(right, left)) return EntityPtr();
  if (code != 1) return MakeLine(right, left);
  V2 mid = (right + left) * 0.5;
  double radius = (right - left).Length() * 0.5;
  double a1 = DirectionAngle(right - mid), a2 = DirectionAngle(left - mid);
  double aw = DirectionAngle(outward);
  // _2dArc runs counter-clockwise: start where the sweep passes `outward`.
  if (NormalizeAngle(aw - a1) < NormalizeAngle(a2 - a1))
    return boost::make_shared<_2dArc>(mid.ToPoint(), radius, a1, a2);
  return boost::make_shared<_2dArc>(mid.ToPoint(), radius, a2, a1);
}

std::vector<EntityList> BuildGroups(const std::vector<WallInput>& inputs) {
  std::vector<Wall> walls(inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    Wall& w = walls[i];
    w.in = inputs[i];
    V2 d = w.in.end - w.in.start;
    w.length = d.Length();
    w.valid = w.length > kTol;
    if (!w.valid) continue;
    w.u = d * (1.0 / w.length);
    for (int f = 0; f < 2; ++f) {
      V2 shift = w.Normal(f) * w.Offset(f);
      w.faces[f].start = w.in.start + shift;
      w.faces[f].end = w.in.end + shift;
    }
  }

  std::vector<Spoke> spokes;
  for (const V2& p : FindNodes(walls)) {
    CollectSpokes(walls, p, spokes);
    bool severalLines = std::any_of(spokes.begin(), spokes.end(),
                                    [&](const Spoke& s) { return s.wall != spokes.front().wall; });
    if (!severalLines) continue;  // a free end, or a point along one line
    for (const Spoke& s : spokes) {
      if (s.kind == SpokeKind::kStart) walls[s.wall].joinedStart = true;
      if (s.kind == SpokeKind::kEnd) walls[s.wall].joinedEnd = true;
    }
    JoinAtNode(walls, p, spokes);
  }

  std::vector<EntityList> groups(walls.size());
  for (std::size_t i = 0; i < walls.size(); ++i) {
    const Wall& w = walls[i];
    if (!w.valid) continue;
    EntityList& g = groups[i];
    bool oneFace = std::fabs(w.in.offRight + w.in.offLeft) <= kTol;
    EmitFace(w, w.faces[0], g);
    if (oneFace) continue;
    EmitFace(w, w.faces[1], g);
    if (!w.joinedStart)
      if (EntityPtr cap = MakeCap(w.faces[0].start, w.faces[1].start, -w.u, w.in.startCode)) g.push_back(cap);
    if (!w.joinedEnd)
      if (EntityPtr cap = MakeCap(w.faces[0].end, w.faces[1].end, w.u, w.in.endCode)) g.push_back(cap);
    for (const auto& [a, b] : w.steps) g.push_back(MakeLine(a, b));
  }
  return groups;
}

}  // namespace

std::vector<EntityList> GeomAlgorithm::BuildOutlineGroups(
    const std::vector<_2dLine>& lines, const std::vector<std::pair<int, int>>& endCodes,
    const std::vector<std::pair<double, double>>& offsets) const {
  if (endCodes.size() != lines.size() || offsets.size() != lines.size())
    throw std::invalid_argument("BuildOutlineGroups: one code pair and one offset pair per line");
  std::vector<WallInput> in(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    in[i].start = V2(lines[i].GetStartPoint());
    in[i].end = V2(lines[i].GetEndPoint());
    in[i].offRight = offsets[i].first;
    in[i].offLeft = offsets[i].second;
    in[i].startCode = endCodes[i].first;
    in[i].endCode = endCodes[i].second;
  }
  return BuildGroups(in);
}

std::vector<EntityList> GeomAlgorithm::BuildOutlineGroups(
    const std::vector<OutlineRecord>& records) const {
  std::vector<WallInput> in(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const OutlineRecord& r = records[i];
    in[i].start = V2(r.line.GetStartPoint());
    in[i].end = V2(r.line.GetEndPoint());
    in[i].offRight = r.firstOffset;
    in[i].offLeft = r.secondOffset;
    in[i].startCode = in[i].endCode = r.endCode;
  }
  std::vector<EntityList> perRecord = BuildGroups(in);

  std::vector<const VekObject*> owners;
  std::vector<EntityList> groups;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const VekObject* owner = records[i].owner.get();
    auto it = std::find(owners.begin(), owners.end(), owner);
    std::size_t g = static_cast<std::size_t>(it - owners.begin());
    if (it == owners.end()) {
      owners.push_back(owner);
      groups.emplace_back();
    }
    groups[g].insert(groups[g].end(), perRecord[i].begin(), perRecord[i].end());
  }
  return groups;
}

std::vector<EntityList> GeomAlgorithm::BuildOutlineGroups(
    const std::vector<_2dLine>& lines, const std::vector<std::pair<double, double>>& offsets,
    const std::vector<boost::shared_ptr<VekObject>>& owners, const std::vector<int>& endCodes) const {
  if (offsets.size() != lines.size() || owners.size() != lines.size() ||
      endCodes.size() != lines.size())
    throw std::invalid_argument("BuildOutlineGroups: one offset pair, owner and end code per line");
  std::vector<OutlineRecord> records(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    records[i].line = lines[i];
    records[i].firstOffset = offsets[i].first;
    records[i].secondOffset = offsets[i].second;
    records[i].owner = owners[i];
    records[i].endCode = endCodes[i];
  }
  return BuildOutlineGroups(records);
}
