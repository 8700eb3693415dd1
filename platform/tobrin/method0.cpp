// Method 0: every board alone with its edge restraints (one-way strip or
// plate), then moment distribution at the fixed joints.
//
// Span moments.  The span values of a face and direction are the extremes
// over the board's interior, leaving out the nodes on supported edges; in
// the band along every fixed edge (kSpanBandFraction, moments.h) the
// moments of the edge's own sense belong to the support and are left out,
// those of the other sense count, as in the whole-tank shell model.
//
// Every board is solved as a plate with its real edge restraints (a wall
// whose top is free is free there, whatever the settings say), so the
// two-way action of walls and slabs -- the moments at a wall's sides and
// its horizontal span moments -- is never lost.  The span ratio rule of the
// calculation book (IsOneWay) only words the calculation book.  A 1 m
// strip is used only where the plate has nothing to add: a plain
// rectangle with two opposite free edges (bending is then cylindrical), its
// bars along its sides, without openings and with area loads only; the
// strip spans between the other two edges and takes the load on the
// board's centre line.  A strip that is a mechanism falls back to the
// plate, which reports it.  A board with sloped edges, which the plate grid
// cannot follow, is solved as its bounding rectangle, each side taking the
// strongest restraint of the edges on it.
//
// Joints (moment distribution as design manuals for rectangular tanks do
// it): every set of boards whose edges are fixed along one joint line is
// balanced once: rotational stiffness k = c·D / L of each board at that edge
// (L the span across the edge, c = 4 with the opposite edge fixed, 3 simply
// supported, 0 free: a cantilever cannot take more than its own moment),
// one balancing step (the joint rotation that restores equilibrium; with
// fixed far edges there is nothing to carry back), and the span moment
// across the edge moves by a share of the change: 1/2 with the opposite edge
// simply supported, 1/4 with it fixed, as for a beam.  Each loading is
// balanced on its own (the envelope is taken afterwards), and the balance
// moves the governing support moment of an edge; the rest of the edge
// follows in proportion, so a face that no balanced loading puts in tension
// stays without moment (BalancedEdge).
#include "platform/tobrin/tank_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>

namespace tobrin {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Width of the outline measured across edge i.
double WidthAcross(const std::vector<PlatePoint>& outline, std::size_t i) {
  return tobrin::WidthAcross(outline[i], outline[(i + 1) % outline.size()], outline);
}

bool IsAxisAligned(const std::vector<PlatePoint>& outline) {
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const PlatePoint& a = outline[i];
    const PlatePoint& b = outline[(i + 1) % outline.size()];
    if (std::fabs(a.x - b.x) > 0.5 && std::fabs(a.y - b.y) > 0.5) return false;
  }
  return true;
}

// Pressure of an area load at a point (0 outside its region).
double AreaValue(const PlateAreaLoad& a, double x, double y) {
  if (x < a.x0 || x > a.x1 || y < a.y0 || y > a.y1) return 0.0;
  return a.q0 + a.gx * x + a.gy * y + a.gxy * x * y;
}

// The strip's load: the pressures along the line from (x, y) at s = 0 in
// direction (dx, dy), over the length.
std::vector<StripLoadPoint> StripLoad(const PlateLoadCase& lc, double x, double y, double dx, double dy,
                                      double length) {
  std::vector<double> cuts = {0.0, length};
  for (const PlateAreaLoad& a : lc.areas)
    for (double c : {a.x0, a.x1, a.y0, a.y1}) {
      if (!std::isfinite(c)) continue;
      const double s = dx != 0 ? (c - x) / dx : (c - y) / dy;
      // Only the bounds across the strip's direction cut it.
      if ((dx != 0 && (c == a.x0 || c == a.x1)) || (dy != 0 && (c == a.y0 || c == a.y1)))
        if (s > 0 && s < length) cuts.push_back(s);
    }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end(), [](double a, double b) { return b - a < 1e-9; }), cuts.end());
  std::vector<StripLoadPoint> pts;
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const double s0 = cuts[k], s1 = cuts[k + 1], sm = 0.5 * (s0 + s1);
    double q0 = 0.0, q1 = 0.0;
    for (const PlateAreaLoad& a : lc.areas) {
      const double xm = x + dx * sm, ym = y + dy * sm;
      if (AreaValue(a, xm, ym) == 0.0 && (xm < a.x0 || xm > a.x1 || ym < a.y0 || ym > a.y1)) continue;
      // Inside the region over the whole segment: evaluate without the bounds.
      auto v = [&](double s) {
        const double px = x + dx * s, py = y + dy * s;
        return a.q0 + a.gx * px + a.gy * py + a.gxy * px * py;
      };
      q0 += v(s0);
      q1 += v(s1);
    }
    pts.push_back({s0, q0});
    pts.push_back({s1, q1});
  }
  return pts;
}

void AppendBytes(std::string& key, double v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); }

double Governing(const FieldRange& r) {
  if (r.Empty()) return 0.0;
  return std::fabs(r.hi) >= std::fabs(r.lo) ? r.hi : r.lo;
}

// An edge's moments after the joint is balanced: the governing value
// `before` becomes `after`, and the rest of the edge follows in proportion
// (the distribution along the edge keeps its shape), so a face that the
// balanced moment does not put in tension gets nothing: the zero moment at
// the corner of two fixed edges stays zero.  An edge that carried nothing
// takes the balanced moment on one face.  So does an edge whose own moment
// is nothing but round-off (a partition with water on both sides, loaded
// only through the joint): the shape of that round-off means nothing, and
// scaling it by after / before would put a moment of the balanced size on
// the face the balance leaves without tension.
constexpr double kRoundOffShare = 1e-9;

FieldRange BalancedEdge(const FieldRange& edge, double before, double after) {
  FieldRange r;
  r.Include(0.0);
  if (edge.Empty() || std::fabs(before) <= kRoundOffShare * std::fabs(after)) {
    r.Include(after);
    return r;
  }
  const double k = after / before;
  r = FieldRange();
  r.Include(edge.hi * k);
  r.Include(edge.lo * k);
  return r;
}

// The span after a joint is balanced: the governing extreme (mid-span) moves
// by the carried-over share of the edge's change; the other face keeps its
// value, so the balance of one case never puts a face in tension that the
// plate left without.
FieldRange ShiftedSpan(const FieldRange& span, double change) {
  if (span.Empty() || change == 0.0) return span;
  const bool hiGoverns = std::fabs(span.hi) >= std::fabs(span.lo);
  FieldRange r;
  r.Include(hiGoverns ? span.lo : span.hi);
  r.Include((hiGoverns ? span.hi : span.lo) + change);
  return r;
}

}  // namespace

std::shared_ptr<const PlateModel> PlateModelCache::Get(const PlateInput& in) {
  std::string key;
  auto add = [&key](double v) {
    key.append(reinterpret_cast<const char*>(&v), sizeof v);
  };
  for (const PlatePoint& p : in.outline) add(p.x), add(p.y);
  key.push_back('|');
  for (EdgeRestraint r : in.restraints) key.push_back(static_cast<char>('0' + static_cast<int>(r)));
  key.push_back('|');
  for (const PlateOpening& o : in.openings) add(o.x0), add(o.y0), add(o.x1), add(o.y1);
  key.push_back('|');
  add(in.thickness), add(in.elasticModulus), add(in.poisson), add(in.divisions);
  std::shared_ptr<const PlateModel>& slot = m_models[key];
  if (!slot) slot = std::make_shared<const PlateModel>(in);
  return slot;
}

const RawBoardMoments* PlateModelCache::FindMoments(const std::string& key) const {
  const auto it = m_moments.find(key);
  return it == m_moments.end() ? nullptr : &it->second;
}

void PlateModelCache::KeepMoments(const std::string& key, const RawBoardMoments& moments) {
  m_moments.emplace(key, moments);
}

bool IsOneWay(const Board& board, int wallTopRestraint) {
  double lx = 0, ly = 0;
  board.GetSpans(lx, ly);
  if (!(lx > 0) || !(ly > 0)) return false;
  const double r = lx / ly;
  const double limit = board.GetKind() == 0 && wallTopRestraint == 2 ? 3.0 : 2.0;
  return r > limit || r < 0.5;
}

bool SolveBoard(const BoardActions& ba, const std::vector<PlateLoadCase>& loadings, double poisson,
                BoardSolution& out, std::string& reason, PlateModelCache* cache) {
  out = BoardSolution();
  const Board& board = *ba.board;
  std::vector<_2dPoint> local;
  board.GetLocalOutline(local);
  std::vector<PlatePoint> outline;
  for (const _2dPoint& p : local) outline.push_back({p.x, p.y});
  const std::size_t n = outline.size();
  const std::vector<Restirction> rs = board.GetRestrictions();
  if (rs.size() != n) {
    reason = ba.name + "的边界约束数(" + std::to_string(rs.size()) + ")与边数(" + std::to_string(n) + ")不符";
    return false;
  }
  std::vector<EdgeRestraint> restraints(n);
  for (std::size_t i = 0; i < n; ++i)
    if (!RestraintFromKind(rs[i].GetKind(), restraints[i])) {
      reason = ba.name + "的第" + std::to_string(i + 1) + "条边约束类型无效";
      return false;
    }
  if (std::none_of(restraints.begin(), restraints.end(), [](EdgeRestraint r) { return r != EdgeRestraint::Free; })) {
    reason = ba.name + "没有支承边(各边均为自由),无法计算";
    return false;
  }
  const double angle = board.GetReinAngle();
  const double cosA = std::cos(angle), sinA = std::sin(angle);
  double xmin = 1e300, xmax = -1e300, ymin = 1e300, ymax = -1e300;
  for (const PlatePoint& p : outline) {
    xmin = std::min(xmin, p.x);
    xmax = std::max(xmax, p.x);
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  const bool aligned = IsAxisAligned(outline);
  const bool rectangle = aligned && n == 4;
  const double quarter = std::fmod(std::fabs(angle), kPi / 2);
  const bool barsAlongSides = quarter < 1e-6 || kPi / 2 - quarter < 1e-6;
  const bool barsXAlongLocalX = std::fabs(cosA) > 0.5;

  const double h = ba.thickness / 1000.0;
  const double D = ba.elasticModulus * 1000.0 * h * h * h / (12.0 * (1 - poisson * poisson));  // kN·m

  // Per-edge data shared by both ways.
  out.edgeStiffness.assign(n, 0.0);
  out.spanCarryOver.assign(n, 0.0);
  out.edgeCrossedByX.assign(n, true);
  for (std::size_t i = 0; i < n; ++i) {
    const PlatePoint& a = outline[i];
    const PlatePoint& b = outline[(i + 1) % n];
    const double dx = b.x - a.x, dy = b.y - a.y;
    out.edgeCrossedByX[i] = std::fabs(dx * cosA + dy * sinA) < std::fabs(-dx * sinA + dy * cosA);
    if (restraints[i] != EdgeRestraint::Fixed) continue;
    const double span = WidthAcross(outline, i) / 1000.0;
    if (!(span > 0)) continue;
    double c = 4.0, carry = 0.25;
    if (rectangle) {
      const EdgeRestraint opposite = restraints[(i + 2) % 4];
      c = opposite == EdgeRestraint::Fixed ? 4.0 : opposite == EdgeRestraint::Simple ? 3.0 : 0.0;
      carry = opposite == EdgeRestraint::Fixed ? 0.25 : opposite == EdgeRestraint::Simple ? 0.5 : 0.0;
    }
    out.edgeStiffness[i] = c * D / span;
    out.spanCarryOver[i] = carry;
  }

  // One-way strip: two opposite edges free.
  bool onlyAreas = true;
  for (const PlateLoadCase& lc : loadings)
    if (!lc.points.empty() || !lc.lines.empty()) onlyAreas = false;
  int freePair = -1;  // 0: the edges along x are free, 1: those along y
  if (rectangle) {
    for (std::size_t i = 0; i < 2; ++i)
      if (restraints[i] == EdgeRestraint::Free && restraints[i + 2] == EdgeRestraint::Free) {
        const PlatePoint& a = outline[i];
        const PlatePoint& b = outline[i + 1];
        const int pair = std::fabs(b.x - a.x) > std::fabs(b.y - a.y) ? 0 : 1;
        // Both pairs free: no support at all, which the plate reports.
        freePair = freePair < 0 ? pair : -2;
      }
  }
  if (freePair >= 0 && barsAlongSides && board.GetHoles().empty() && onlyAreas) {
    const bool alongY = freePair == 1;  // the strip runs between the supported edges
    const double length = alongY ? ymax - ymin : xmax - xmin;
    int edgeA = -1, edgeB = -1;
    for (std::size_t i = 0; i < 4; ++i) {
      const PlatePoint& a = outline[i];
      const PlatePoint& b = outline[(i + 1) % 4];
      const double ca = alongY ? a.y : a.x, cb = alongY ? b.y : b.x;
      const double lo = alongY ? ymin : xmin, hi = alongY ? ymax : xmax;
      if (std::fabs(ca - lo) < 0.5 && std::fabs(cb - lo) < 0.5) edgeA = static_cast<int>(i);
      if (std::fabs(ca - hi) < 0.5 && std::fabs(cb - hi) < 0.5) edgeB = static_cast<int>(i);
    }
    if (edgeA >= 0 && edgeB >= 0) {
      const EdgeRestraint ra = restraints[edgeA], rb = restraints[edgeB];
      const bool mechanism = (ra == EdgeRestraint::Free && rb != EdgeRestraint::Fixed) ||
                             (rb == EdgeRestraint::Free && ra != EdgeRestraint::Fixed);
      if (!mechanism) {
        // The strip's bars: X when the X bars run along the strip.
        const bool stripIsX = alongY ? !barsXAlongLocalX : barsXAlongLocalX;
        const double x0 = alongY ? 0.5 * (xmin + xmax) : xmin;
        const double y0 = alongY ? ymin : 0.5 * (ymin + ymax);
        for (const PlateLoadCase& lc : loadings) {
          StripInput in;
          in.length = length;
          in.endA = ra;
          in.endB = rb;
          in.load = StripLoad(lc, x0, y0, alongY ? 0.0 : 1.0, alongY ? 1.0 : 0.0, length);
          StripSolution sol = SolveStrip(in);
          if (!sol.Ok()) {
            reason = ba.name + "单向板计算失败: " + sol.Reason();
            return false;
          }
          RawBoardMoments m;
          m.edges.assign(n, FieldRange());
          for (std::size_t i = 0; i < n; ++i) m.edges[i].Include(0.0);
          if (ra == EdgeRestraint::Fixed) m.edges[edgeA] = FieldRange(), m.edges[edgeA].Include(sol.EndMomentA());
          if (rb == EdgeRestraint::Fixed) m.edges[edgeB] = FieldRange(), m.edges[edgeB].Include(sol.EndMomentB());
          // The bands at fixed ends keep the moments of the other sense than the end's.
          const double s0 = ra == EdgeRestraint::Fixed ? kSpanBandFraction * length : 0.0;
          const double s1 = rb == EdgeRestraint::Fixed ? (1.0 - kSpanBandFraction) * length : length;
          const double senseA = ra == EdgeRestraint::Fixed ? sol.EndMomentA() : 0.0;
          const double senseB = rb == EdgeRestraint::Fixed ? sol.EndMomentB() : 0.0;
          FieldRange span;
          const auto take = [&](double s) {
            const double v = sol.MomentAt(s);
            if (s < s0 && !(v * senseA < 0)) return;
            if (s > s1 && !(v * senseB < 0)) return;
            span.Include(v);
          };
          for (int k = 0; k <= 200; ++k) take(length * k / 200.0);
          for (double s : {s0, s1, sol.MaxPosition(), sol.MinPosition()})
            if (s >= 0 && s <= length) take(s);
          FieldRange zero;
          zero.Include(0.0);
          m.spanX = stripIsX ? span : zero;
          m.spanY = stripIsX ? zero : span;
          out.results.push_back(std::move(m));
        }
        out.oneWay = true;
        // Only the strip's two ends carry moment.
        for (std::size_t i = 0; i < n; ++i)
          if (static_cast<int>(i) != edgeA && static_cast<int>(i) != edgeB) out.edgeStiffness[i] = 0.0;
        return true;
      }
    }
  }

  // Plate.
  PlateInput in;
  in.thickness = ba.thickness;
  in.elasticModulus = ba.elasticModulus;
  in.poisson = poisson;
  std::vector<int> edgeOfPlate;  // plate edge -> board edge (identity unless the outline was replaced)
  if (aligned) {
    in.outline = outline;
    in.restraints = restraints;
  } else {
    // Bounding rectangle: bottom, right, top, left.
    in = PlateInput::Rectangle(xmax - xmin, ymax - ymin, {EdgeRestraint::Free, EdgeRestraint::Free,
                                                          EdgeRestraint::Free, EdgeRestraint::Free},
                               ba.thickness, ba.elasticModulus, poisson);
    for (PlatePoint& p : in.outline) p.x += xmin, p.y += ymin;
    for (std::size_t i = 0; i < n; ++i) {
      const PlatePoint& a = outline[i];
      const PlatePoint& b = outline[(i + 1) % n];
      const std::array<bool, 4> on = {std::fabs(a.y - ymin) < 1 && std::fabs(b.y - ymin) < 1,
                                      std::fabs(a.x - xmax) < 1 && std::fabs(b.x - xmax) < 1,
                                      std::fabs(a.y - ymax) < 1 && std::fabs(b.y - ymax) < 1,
                                      std::fabs(a.x - xmin) < 1 && std::fabs(b.x - xmin) < 1};
      for (int s = 0; s < 4; ++s)
        if (on[s] && static_cast<int>(restraints[i]) < static_cast<int>(in.restraints[s])) in.restraints[s] = restraints[i];
    }
  }
  for (const HolePtr& hole : board.GetHoles()) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    auto add = [&](double x, double y) {
      x0 = std::min(x0, x);
      y0 = std::min(y0, y);
      x1 = std::max(x1, x);
      y1 = std::max(y1, y);
    };
    if (auto* c = dynamic_cast<CircleHole*>(hole.get())) {
      add(c->GetCenter().x - c->GetRadius(), c->GetCenter().y - c->GetRadius());
      add(c->GetCenter().x + c->GetRadius(), c->GetCenter().y + c->GetRadius());
    } else if (auto* r = dynamic_cast<RectangleHole*>(hole.get())) {
      for (const _2dPoint& p : r->GetCorners()) add(p.x, p.y);
    } else if (auto* notch = dynamic_cast<Notch*>(hole.get())) {
      for (const _3dPoint& p : notch->GetOutline()) {
        const _2dPoint q = board.WorldToLocal(p);
        add(q.x, q.y);
      }
    }
    if (x1 > x0 && y1 > y0) in.openings.push_back({x0, y0, x1, y1});
  }
  auto build = [cache](const PlateInput& input) {
    return cache ? cache->Get(input) : std::make_shared<const PlateModel>(input);
  };
  std::shared_ptr<const PlateModel> model = build(in);
  if (model->Status() == SolveStatus::InvalidInput && !in.openings.empty()) {
    // An opening the grid cannot take (across the outline): solve without it.
    in.openings.clear();
    model = build(in);
  }
  if (!model->Ok()) {
    reason = ba.name + "板计算失败: " + model->Reason();
    return false;
  }
  const std::size_t pn = in.outline.size();
  std::vector<double> band(pn, 0.0);
  for (std::size_t i = 0; i < pn; ++i)
    if (in.restraints[i] == EdgeRestraint::Fixed) band[i] = kSpanBandFraction * WidthAcross(in.outline, i);
  // The moments depend on the model, the bars' angle and the loads alone
  // where the board's outline is the plate's: those are kept for the other
  // boards of the same model.
  std::string key;
  std::vector<double> sense(pn, 0.0);
  std::vector<std::size_t> bandStart;  // per node, its first entry in bandList
  std::vector<int> bandList;           // the bands a node lies in, node after node
  for (const PlateLoadCase& lc : loadings) {
    if (cache && aligned) {
      key.clear();
      const PlateModel* modelId = model.get();
      key.append(reinterpret_cast<const char*>(&modelId), sizeof modelId);
      AppendBytes(key, angle);
      for (const PlateAreaLoad& a : lc.areas)
        for (double v : {a.q0, a.gx, a.gy, a.gxy, a.x0, a.y0, a.x1, a.y1}) AppendBytes(key, v);
      key.push_back('|');
      for (const PlatePointLoad& p : lc.points)
        for (double v : {p.x, p.y, p.p}) AppendBytes(key, v);
      key.push_back('|');
      for (const PlateLineLoad& li : lc.lines)
        for (double v : {li.x0, li.y0, li.x1, li.y1, li.p0, li.p1}) AppendBytes(key, v);
      if (const RawBoardMoments* kept = cache->FindMoments(key)) {
        out.results.push_back(*kept);
        continue;
      }
    }
    PlateResult r = model->Solve(lc);
    if (!r.Ok()) {
      reason = ba.name + "板计算失败: " + r.Reason();
      return false;
    }
    RawBoardMoments m;
    m.edges.assign(n, FieldRange());
    for (std::size_t i = 0; i < n; ++i) {
      if (restraints[i] != EdgeRestraint::Fixed) {
        m.edges[i].Include(0.0);
        continue;
      }
      PlateEdgeMoment em;
      if (aligned && r.EdgeMoment(static_cast<int>(i), em)) {
        m.edges[i].Include(em.max);
        m.edges[i].Include(em.min);
      } else {
        // Bounding rectangle: the nodes on the edge's line.
        const PlatePoint& a = outline[i];
        const PlatePoint& b = outline[(i + 1) % n];
        const double dx = b.x - a.x, dy = b.y - a.y, l = std::hypot(dx, dy);
        for (const PlateNodeResult& node : r.Nodes())
          if (DistanceToSegment(node.x, node.y, a, b) < 1.0 && l > 0) {
            const PlateMoments mm = node.m.Rotated(std::atan2(dy, dx) + kPi / 2);
            m.edges[i].Include(mm.mx);
          }
        if (m.edges[i].Empty()) m.edges[i].Include(0.0);
      }
    }
    // Sign of each fixed edge's governing moment (0: the edge carries none).
    std::fill(sense.begin(), sense.end(), 0.0);
    for (std::size_t i = 0; i < pn; ++i) {
      if (band[i] <= 0) continue;
      double governing = 0.0;
      if (aligned) {
        governing = Governing(m.edges[i]);
      } else {
        PlateEdgeMoment em;
        if (r.EdgeMoment(static_cast<int>(i), em)) governing = em.governing;
      }
      sense[i] = governing > 0 ? 1.0 : (governing < 0 ? -1.0 : 0.0);
    }
    // The bands each node lies in (the same nodes in every loading).
    const std::vector<PlateNodeResult>& nodes = r.Nodes();
    if (bandStart.empty()) {
      bandStart.push_back(0);
      for (const PlateNodeResult& node : nodes) {
        for (std::size_t i = 0; i < pn; ++i)
          if (band[i] > 0 && DistanceToSegment(node.x, node.y, in.outline[i], in.outline[(i + 1) % pn]) < band[i] - 1e-6)
            bandList.push_back(static_cast<int>(i));
        bandStart.push_back(bandList.size());
      }
    }
    // In the band along a fixed edge the moments of the edge's own sense
    // (the hogging of the support) belong to the edge; those of the other
    // sense are span moments (a long wall's horizontal span moment peaks
    // about one height from its fixed sides, inside the band).
    const auto collect = [&](bool useBands) {
      bool any = false;
      for (std::size_t k = 0; k < nodes.size(); ++k) {
        const PlateNodeResult& node = nodes[k];
        if (node.onSupport) continue;
        const PlateMoments& n0 = node.m;
        const double mx = n0.mx * cosA * cosA + n0.my * sinA * sinA + 2.0 * n0.mxy * sinA * cosA;
        const double my = n0.mx * sinA * sinA + n0.my * cosA * cosA - 2.0 * n0.mxy * sinA * cosA;
        bool takeX = true, takeY = true;
        if (useBands)
          for (std::size_t j = bandStart[k]; j < bandStart[k + 1]; ++j) {
            const double sign = sense[bandList[j]];
            if (!(mx * sign < 0)) takeX = false;
            if (!(my * sign < 0)) takeY = false;
          }
        if (takeX) m.spanX.Include(mx);
        if (takeY) m.spanY.Include(my);
        any = any || takeX || takeY;
      }
      return any;
    };
    if (!collect(true)) collect(false);
    if (m.spanX.Empty()) m.spanX.Include(0.0);
    if (m.spanY.Empty()) m.spanY.Include(0.0);
    if (cache && aligned) cache->KeepMoments(key, m);
    out.results.push_back(std::move(m));
  }
  return true;
}

std::vector<Joint> FindFixedJoints(Tank& tank, const TankActions& actions) {
  const Structure::TopologyFreeze frozen(tank);
  std::map<const Board*, std::size_t> indexOf;
  for (std::size_t i = 0; i < actions.boards.size(); ++i) indexOf[actions.boards[i].board.get()] = i;
  auto fixedEdge = [&](std::size_t b, int e) {
    const std::vector<Restirction> rs = actions.boards[b].board->GetRestrictions();
    return e >= 0 && static_cast<std::size_t>(e) < rs.size() && rs[e].GetKind() == Restirction::kFixed;
  };
  std::set<std::vector<std::pair<std::size_t, int>>> seen;
  std::vector<Joint> joints;
  for (std::size_t bi = 0; bi < actions.boards.size(); ++bi) {
    const BoardPtr& board = actions.boards[bi].board;
    const int edges = static_cast<int>(board->GetEdges().size());
    for (int e = 0; e < edges; ++e) {
      if (!fixedEdge(bi, e)) continue;
      std::vector<BoardPtr> others;
      std::vector<int> otherEdges;
      tank.GetBoardsOnEdge(board, e, others, otherEdges);
      std::vector<std::pair<std::size_t, int>> key = {{bi, e}};
      for (std::size_t k = 0; k < others.size(); ++k) {
        auto it = indexOf.find(others[k].get());
        if (it == indexOf.end() || otherEdges[k] < 0 || !fixedEdge(it->second, otherEdges[k])) continue;
        key.push_back({it->second, otherEdges[k]});
      }
      std::sort(key.begin(), key.end());
      key.erase(std::unique(key.begin(), key.end()), key.end());
      if (key.size() < 2 || !seen.insert(key).second) continue;
      const _3dLine line = board->GetEdgeLine(e);
      const _3dVector t = line.GetDirection().GetUnitVector();
      Joint joint;
      for (const auto& [b, edge] : key) {
        const Board& mb = *actions.boards[b].board;
        const _3dVector in = mb.GetEdgeDirection(edge);
        const _3dVector outward(-in.x, -in.y, -in.z);
        const double s = mb.GetNormal().CrossProduct(outward).DotProduct(t);
        if (std::fabs(s) < 0.5) continue;  // not a plain joint across the line
        joint.push_back({b, edge, s > 0 ? 1.0 : -1.0});
      }
      if (joint.size() >= 2) joints.push_back(std::move(joint));
    }
  }
  return joints;
}

namespace {

// Balances one joint in one loading: `before(b)` gives board b's moments
// in that loading as they stand before this joint is balanced; `apply(k,
// fem, change)` is called for every member k whose edge moment changes.
template <class Before, class Apply>
void BalanceJoint(const Joint& joint, const std::vector<BoardSolution>& solutions, std::vector<double>& fem,
                  Before before, Apply apply) {
  double sumK = 0.0, unbalanced = 0.0;
  fem.resize(joint.size());
  for (std::size_t k = 0; k < joint.size(); ++k) {
    const JointMember& m = joint[k];
    const BoardSolution& sol = solutions[m.board];
    fem[k] = Governing(before(m.board).edges[m.edge]);
    sumK += sol.edgeStiffness[m.edge];
    unbalanced += m.sign * fem[k];
  }
  if (!(sumK > 0)) return;
  for (std::size_t k = 0; k < joint.size(); ++k) {
    const JointMember& m = joint[k];
    const double d = solutions[m.board].edgeStiffness[m.edge] / sumK;
    const double change = -m.sign * d * unbalanced;
    if (change == 0.0) continue;
    apply(k, fem[k], change);
  }
}

// A member's edge moment changed by the balance, and the span across it.
void ApplyChange(const BoardSolution& sol, const JointMember& m, double fem, double change, RawBoardMoments& r) {
  r.edges[m.edge] = BalancedEdge(r.edges[m.edge], fem, fem + change);
  const double spanChange = sol.spanCarryOver[m.edge] * change;
  FieldRange& span = sol.edgeCrossedByX[m.edge] ? r.spanX : r.spanY;
  span = ShiftedSpan(span, spanChange);
}

struct IndexListHash {
  std::size_t operator()(const std::vector<std::uint32_t>& v) const {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint32_t x : v) h = (h ^ x) * 1099511628211ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
};

}  // namespace

void DistributeJointMoments(const std::vector<Joint>& joints, std::vector<BoardSolution>& solutions,
                            std::size_t loading) {
  std::vector<double> fem;
  for (const Joint& joint : joints)
    BalanceJoint(
        joint, solutions, fem, [&](std::size_t b) -> const RawBoardMoments& { return solutions[b].results[loading]; },
        [&](std::size_t k, double f, double change) {
          BoardSolution& sol = solutions[joint[k].board];
          ApplyChange(sol, joint[k], f, change, sol.results[loading]);
        });
}

void DistributeJointMoments(const std::vector<Joint>& joints, std::vector<BoardSolution>& solutions,
                            std::vector<std::vector<std::uint32_t>>& loadingMoments) {
  const std::size_t boards = solutions.size();
  const std::size_t loadings = loadingMoments.empty() ? 0 : loadingMoments[0].size();
  std::vector<std::vector<std::size_t>> jointsOf(boards);
  std::set<std::pair<std::size_t, int>> members;
  bool shared = false;
  for (std::size_t j = 0; j < joints.size(); ++j)
    for (const JointMember& m : joints[j]) {
      if (!members.insert({m.board, m.edge}).second) shared = true;
      if (jointsOf[m.board].empty() || jointsOf[m.board].back() != j) jointsOf[m.board].push_back(j);
    }
  if (shared) {
    // An edge in two joints: its moment after the first balance enters the
    // second, so every loading is balanced in turn, joint after joint.
    for (std::size_t b = 0; b < boards; ++b) {
      std::vector<RawBoardMoments> all;
      all.reserve(loadings);
      for (std::size_t l = 0; l < loadings; ++l) {
        all.push_back(solutions[b].results[loadingMoments[b][l]]);
        loadingMoments[b][l] = static_cast<std::uint32_t>(l);
      }
      solutions[b].results = std::move(all);
    }
    for (std::size_t l = 0; l < loadings; ++l) DistributeJointMoments(joints, solutions, l);
    return;
  }
  // Every edge is in one joint at most: a board's balanced moments follow
  // from its own moments and those of the members of its joints, the joints
  // taken in their order.  Each distinct combination is balanced once.
  //
  // The loadings run case by case, cell pattern after cell pattern, the
  // combinations of each pattern side by side: most patterns leave a board
  // as the pattern before.  Each board's changes are listed once (the
  // loadings whose moments differ from those of the pattern before); a
  // board whose own and whose joint partners' moments are all as in the
  // pattern before keeps that pattern's balanced moments, and only the
  // loadings where one of them changes are looked up.
  constexpr std::size_t stride = kCombinationCount;
  std::vector<std::vector<std::uint32_t>> changes(boards);
  for (std::size_t b = 0; b < boards; ++b) {
    const std::vector<std::uint32_t>& lm = loadingMoments[b];
    for (std::size_t l = 0; l < loadings; ++l)
      if (l < stride || lm[l] != lm[l - stride]) changes[b].push_back(static_cast<std::uint32_t>(l));
  }
  std::vector<std::vector<RawBoardMoments>> balanced(boards);
  std::vector<std::vector<std::uint32_t>> balancedOf(boards, std::vector<std::uint32_t>(loadings));
  std::vector<std::uint32_t> signature;
  std::vector<double> fem;
  std::unordered_map<std::vector<std::uint32_t>, std::uint32_t, IndexListHash> seen;
  std::vector<std::size_t> sourceBoards;      // the board and the other members of its joints, each once
  std::vector<const std::uint32_t*> sources;  // their loading indices
  std::vector<std::size_t> changedAt(loadings, boards);  // per loading: the last board that found a change there
  for (std::size_t b = 0; b < boards; ++b) {
    seen.clear();
    sourceBoards.assign(1, b);
    for (std::size_t j : jointsOf[b])
      for (const JointMember& m : joints[j])
        if (std::find(sourceBoards.begin(), sourceBoards.end(), m.board) == sourceBoards.end())
          sourceBoards.push_back(m.board);
    sources.clear();
    for (std::size_t s : sourceBoards) {
      sources.push_back(loadingMoments[s].data());
      for (std::uint32_t l : changes[s]) changedAt[l] = b;
    }
    signature.resize(sources.size());
    std::vector<std::uint32_t>& of = balancedOf[b];
    for (std::size_t l = 0; l < loadings; ++l) {
      if (changedAt[l] != b) {
        of[l] = of[l - stride];
        continue;
      }
      for (std::size_t s = 0; s < sources.size(); ++s) signature[s] = sources[s][l];
      const auto [it, inserted] = seen.try_emplace(signature, static_cast<std::uint32_t>(balanced[b].size()));
      of[l] = it->second;
      if (!inserted) continue;
      RawBoardMoments r = solutions[b].results[loadingMoments[b][l]];
      for (std::size_t j : jointsOf[b]) {
        const Joint& joint = joints[j];
        BalanceJoint(
            joint, solutions, fem,
            [&](std::size_t other) -> const RawBoardMoments& {
              return solutions[other].results[loadingMoments[other][l]];
            },
            [&](std::size_t k, double f, double change) {
              if (joint[k].board == b) ApplyChange(solutions[b], joint[k], f, change, r);
            });
      }
      balanced[b].push_back(std::move(r));
    }
  }
  for (std::size_t b = 0; b < boards; ++b) {
    solutions[b].results = std::move(balanced[b]);
    loadingMoments[b] = std::move(balancedOf[b]);
  }
}

}  // namespace tobrin
