// AnalyseTank, the envelope of the load cases, the store of the texts for
// the calculation book, the fingerprints of the analysis input and the
// builder of TankLoadModel (see platform/Tobrin.h).
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"

#include "platform/tobrin/shell.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <map>
#include <typeinfo>

using namespace tobrin;

namespace {

constexpr double kPoisson = 0.2;  // concrete (GB 50010)

// The library's store of the last analysis's texts (values only, never
// pointers into a tank).
struct Store {
  std::vector<std::string> antiFloat, bearing;
  std::vector<std::vector<std::string>> bottomSlabs, topSlabs;
  std::string error;
  ShellMeshReport mesh;
};

Store& TheStore() {
  static Store store;
  return store;
}

std::vector<SlabLoadText> ToSlabTexts(const std::vector<std::vector<std::string>>& table) {
  std::vector<SlabLoadText> out;
  for (const auto& row : table) {
    if (row.empty()) continue;
    SlabLoadText t;
    char* end = nullptr;
    t.boardNumber = static_cast<int>(std::strtol(row[0].c_str(), &end, 10));
    t.lines.assign(row.begin() + 1, row.end());
    out.push_back(std::move(t));
  }
  return out;
}

// ---------------------------------------------------------------------------
// Fingerprints

class Hasher {
 public:
  void Add(const std::string& s) {
    for (unsigned char c : s) Byte(c);
    Byte(0xff);
  }
  void Add(double v) { Add(fmt::format("{:.17g}", v)); }
  void Add(int v) { Add(std::to_string(v)); }
  std::string Hex() const { return fmt::format("{:016x}", m_h); }

 private:
  void Byte(unsigned char c) {
    m_h ^= c;
    m_h *= 1099511628211ull;
  }
  std::uint64_t m_h = 1469598103934665603ull;
};

void AddPoint(Hasher& h, const _3dPoint& p) {
  h.Add(p.x);
  h.Add(p.y);
  h.Add(p.z);
}

void AddBoard(Hasher& h, const Board& b) {
  h.Add(b.GetKind());
  h.Add(b.GetNumber());
  AddPoint(h, b.GetOrigin());
  h.Add(b.GetXAxis().x), h.Add(b.GetXAxis().y), h.Add(b.GetXAxis().z);
  h.Add(b.GetYAxis().x), h.Add(b.GetYAxis().y), h.Add(b.GetYAxis().z);
  h.Add(b.GetUpperOffset());
  h.Add(b.GetLowerOffset());
  h.Add(b.IsUpperFaceOuter() ? 1 : 0);
  h.Add(b.IsLowerFaceOuter() ? 1 : 0);
  h.Add(b.GetConcreteGrade());
  h.Add(b.GetReinAngle());
  for (const BoardEdge& e : b.GetEdges()) {
    h.Add(e.GetStartPoint().x), h.Add(e.GetStartPoint().y);
    h.Add(e.GetEndPoint().x), h.Add(e.GetEndPoint().y);
    double len = 0.0;
    h.Add(e.GetOverhang(len) ? len : -1.0);
  }
  h.Add(static_cast<int>(b.GetEdges().size()));
  for (const Restirction& r : b.GetRestrictions()) h.Add(r.GetKind());
  h.Add(static_cast<int>(b.GetRestrictions().size()));
  for (const HolePtr& hole : b.GetHoles()) {
    if (!hole) continue;
    h.Add(std::string(typeid(*hole).name()));
    if (auto* c = dynamic_cast<CircleHole*>(hole.get())) {
      h.Add(c->GetCenter().x), h.Add(c->GetCenter().y), h.Add(c->GetRadius());
    } else if (auto* r = dynamic_cast<RectangleHole*>(hole.get())) {
      for (const _2dPoint& p : r->GetCorners()) h.Add(p.x), h.Add(p.y);
    } else if (auto* n = dynamic_cast<Notch*>(hole.get())) {
      for (const _3dPoint& p : n->GetOutline()) AddPoint(h, p);
    }
  }
  for (const LoadPtr& load : b.GetLoads()) {
    if (!load) continue;
    h.Add(std::string(typeid(*load).name()));
    h.Add(load->GetDistribution());
    h.Add(load->GetLoadType());
    _3dPoint p, q;
    if (auto* pl = dynamic_cast<PointLoad*>(load.get())) {
      h.Add(pl->GetValue(p));
      AddPoint(h, p);
    } else if (auto* ll = dynamic_cast<LineLoad*>(load.get())) {
      h.Add(ll->GetStartValue(p));
      h.Add(ll->GetEndValue(q));
      AddPoint(h, p);
      AddPoint(h, q);
    } else if (auto* al = dynamic_cast<AreaLoad*>(load.get())) {
      h.Add(al->GetValue());
      h.Add(al->GetStartValue(p));
      h.Add(al->GetEndValue(q));
      AddPoint(h, p);
      AddPoint(h, q);
      for (const _3dPoint& v : al->GetRegion().GetVertices()) AddPoint(h, v);
    }
  }
}

// ---------------------------------------------------------------------------
// Analysis

void ClearAnalysisValues(Tank& tank) {
  auto clear = [](FaceValues& v) {
    v.basicMoment = 0.0;
    v.combination = 0;
    v.standardMoment = 0.0;
    v.quasiMoment = 0.0;
  };
  for (const BoardPtr& b : tank.GetBoards()) {
    for (bool upper : {true, false})
      for (bool x : {true, false}) clear(b->GetFaceValues(upper, x));
    for (BoardEdge& e : b->GetEdges()) {
      clear(e.GetFaceValues(true));
      clear(e.GetFaceValues(false));
    }
  }
}

// One board's moments in the loadings of the analysis (CaseLoadings): each
// distinct set of moments of the three combinations once, with its load
// case, in the order the loadings first give it.  Loadings that leave a
// board as another loading does (a cell pattern far from the board) add
// nothing.
struct CaseResults {
  std::vector<std::array<BoardMoments, kCombinationCount>> moments;
  std::vector<int> loadCase;
};

// The envelope of one face over the loadings: the governing loading by the
// basic combination (the first to give the extreme), the standard and
// quasi-permanent values of that same loading, and the index of its load
// case.
template <class Pick>
void Envelope(const CaseResults& r, Pick pick, bool upper, FaceValues& out) {
  const std::size_t count = r.moments.size();
  std::size_t best = count;
  double value = 0.0;
  for (std::size_t s = 0; s < count; ++s) {
    const MomentRange& m = pick(r.moments[s][kBasic]);
    const double v = upper ? m.max : m.min;
    if ((upper && v > value) || (!upper && v < value)) {
      value = v;
      best = s;
    }
  }
  out.basicMoment = value;
  if (best == count) {
    out.combination = 0;
    out.standardMoment = 0.0;
    out.quasiMoment = 0.0;
    return;
  }
  out.combination = r.loadCase[best];
  out.standardMoment = upper ? pick(r.moments[best][kStandard]).max : pick(r.moments[best][kStandard]).min;
  out.quasiMoment = upper ? pick(r.moments[best][kQuasi]).max : pick(r.moments[best][kQuasi]).min;
}

void WriteEnvelope(Board& board, const CaseResults& r) {
  for (bool upper : {true, false}) {
    Envelope(r, [](const BoardMoments& m) -> const MomentRange& { return m.spanX; }, upper,
             board.GetFaceValues(upper, true));
    Envelope(r, [](const BoardMoments& m) -> const MomentRange& { return m.spanY; }, upper,
             board.GetFaceValues(upper, false));
  }
  std::vector<BoardEdge>& edges = board.GetEdges();
  for (std::size_t i = 0; i < edges.size(); ++i) {
    for (bool upper : {true, false}) {
      static const MomentRange zero;
      Envelope(
          r,
          [&](const BoardMoments& m) -> const MomentRange& { return i < m.edges.size() ? m.edges[i] : zero; },
          upper, edges[i].GetFaceValues(upper));
    }
  }
}

// The restraint moment of the temperature difference goes to the outer
// face's tension side of the span and of the fixed edges (it only adds to
// the tension there; it is not taken as relief of the other face).
void AddTemperature(const BoardActions& ba, BoardMoments& m, double factor) {
  const double mt = factor * ba.temperatureMoment;
  if (mt == 0.0) return;
  auto add = [mt](MomentRange& r) {
    if (mt > 0)
      r.max += mt;
    else
      r.min += mt;
  };
  add(m.spanX);
  add(m.spanY);
  const std::vector<Restirction> rs = ba.board->GetRestrictions();
  for (std::size_t i = 0; i < m.edges.size() && i < rs.size(); ++i)
    if (rs[i].GetKind() == Restirction::kFixed) add(m.edges[i]);
}

// A board's loads as a factor times a shape, the shape's values (the loads
// over the whole board summed into one uniform pressure) divided by its
// first one that is not zero; `key` holds the shape's values as bytes.
double LoadShape(const PlateLoadCase& lc, PlateLoadCase& shape, std::string& key) {
  shape = PlateLoadCase();
  double uniform = 0.0;
  for (const PlateAreaLoad& a : lc.areas) {
    const bool whole = std::isinf(a.x0) && a.x0 < 0 && std::isinf(a.y0) && a.y0 < 0 && std::isinf(a.x1) &&
                       a.x1 > 0 && std::isinf(a.y1) && a.y1 > 0;
    if (whole && a.gx == 0.0 && a.gy == 0.0 && a.gxy == 0.0)
      uniform += a.q0;
    else
      shape.areas.push_back(a);
  }
  if (uniform != 0.0) shape.areas.insert(shape.areas.begin(), PlateAreaLoad::Uniform(uniform));
  shape.points = lc.points;
  shape.lines = lc.lines;
  double factor = 0.0;
  for (const PlateAreaLoad& a : shape.areas)
    for (double v : {a.q0, a.gx, a.gy, a.gxy})
      if (factor == 0.0) factor = v;
  for (const PlatePointLoad& p : shape.points)
    if (factor == 0.0) factor = p.p;
  for (const PlateLineLoad& l : shape.lines)
    for (double v : {l.p0, l.p1})
      if (factor == 0.0) factor = v;
  if (factor == 0.0 || !std::isfinite(factor)) factor = 1.0;
  key.clear();
  const auto add = [&key](double v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); };
  for (PlateAreaLoad& a : shape.areas) {
    a.q0 /= factor, a.gx /= factor, a.gy /= factor, a.gxy /= factor;
    for (double v : {a.q0, a.gx, a.gy, a.gxy, a.x0, a.y0, a.x1, a.y1}) add(v);
  }
  key.push_back('|');
  for (PlatePointLoad& p : shape.points) {
    p.p /= factor;
    for (double v : {p.x, p.y, p.p}) add(v);
  }
  key.push_back('|');
  for (PlateLineLoad& l : shape.lines) {
    l.p0 /= factor, l.p1 /= factor;
    for (double v : {l.x0, l.y0, l.x1, l.y1, l.p0, l.p1}) add(v);
  }
  return factor;
}

FieldRange Scaled(const FieldRange& r, double factor) {
  if (r.Empty()) return r;
  FieldRange out;
  out.Include(factor * r.hi);
  out.Include(factor * r.lo);
  return out;
}

RawBoardMoments Scaled(const RawBoardMoments& m, double factor) {
  RawBoardMoments out;
  out.spanX = Scaled(m.spanX, factor);
  out.spanY = Scaled(m.spanY, factor);
  for (const FieldRange& e : m.edges) out.edges.push_back(Scaled(e, factor));
  return out;
}

bool RunMethod0(Tank& tank, const ProjectSettings& settings, const TankActions& actions,
                const std::vector<CaseLoading>& cases, std::vector<CaseResults>& results, std::string& reason) {
  const LoadSettings& l = settings.GetLoadSettings();
  const std::size_t boards = actions.boards.size();
  const std::size_t loadingCount = cases.size() * kCombinationCount;
  std::vector<BoardSolution> solutions(boards);
  // Per board and loading (case pattern × combination): the index of the
  // board's moments among its distinct ones.
  std::vector<std::vector<std::uint32_t>> loadingMoments(boards);
  PlateModelCache models;
  const bool liveOnGround[3] = {actions.TotalWeight(kTopLive) != 0.0 || actions.TotalWeight(kTopLiveNoSoil) != 0.0,
                                actions.TotalWeight(kGroundLive) != 0.0, actions.TotalWeight(kUserLive) != 0.0};
  std::unordered_map<std::uint64_t, std::uint32_t> keys;
  for (std::size_t i = 0; i < boards; ++i) {
    // A cell pattern changes a board's loads only where the board carries
    // water of some cell: it is solved once for each distinct loading, and
    // the results are shared by every loading that has the same loads.
    const BoardActions& ba = actions.boards[i];
    const bool waterBends = ba.board->GetKind() != 1;  // bottom slabs take the ground reaction instead
    // A loading without a live load changes the board's loads only where
    // the board carries that load, or for a bottom slab whose ground
    // reaction holds it.
    const auto carries = [&](int action) {
      const PlateLoadCase& lc = ba.loads[action];
      return !lc.areas.empty() || !lc.points.empty() || !lc.lines.empty();
    };
    const bool bottom = ba.board->GetKind() == 1;
    const bool feelsTopLive = carries(kTopLive) || carries(kTopLiveNoSoil) || (bottom && liveOnGround[0]);
    const bool feelsGroundLive = carries(kGroundLive) || (bottom && liveOnGround[1]);
    const bool feelsUserLive = carries(kUserLive) || (bottom && liveOnGround[2]);
    // The key of a loading's loads on this board: case, combination, the
    // live loads left off and which of the board's cells hold water, as
    // bits (a board with more cells than the bits hold keys every loading
    // apart).
    const bool waterKeyed = !waterBends || ba.cellWater.size() <= 56;
    keys.clear();
    std::vector<PlateLoadCase> loadings;
    std::vector<std::uint32_t>& solved = loadingMoments[i];
    solved.reserve(loadingCount);
    std::uint64_t serial = 0;
    // The key of each combination in the loading before: the next cell
    // pattern mostly leaves the board's loads as they were.
    std::array<std::uint64_t, kCombinationCount> lastKey{};
    std::array<std::uint32_t, kCombinationCount> lastIndex{};
    bool hasLast = false;
    for (const CaseLoading& c : cases) {
      std::uint64_t caseKey = static_cast<std::uint64_t>(c.loadCase) |
                              static_cast<std::uint64_t>(feelsTopLive && c.withoutTopLive) << 4 |
                              static_cast<std::uint64_t>(feelsGroundLive && c.withoutGroundLive) << 5 |
                              static_cast<std::uint64_t>(feelsUserLive && c.withoutUserLive) << 6;
      if (waterKeyed && waterBends) {
        int bit = 7;
        for (const auto& water : ba.cellWater) caseKey |= static_cast<std::uint64_t>(c.HasWater(water.first)) << bit++;
      }
      for (int k = 0; k < kCombinationCount; ++k) {
        const std::uint64_t key = waterKeyed ? caseKey | static_cast<std::uint64_t>(k) << 2 : serial++;
        if (hasLast && key == lastKey[k]) {
          solved.push_back(lastIndex[k]);
          continue;
        }
        const auto [at, added] = keys.try_emplace(key, static_cast<std::uint32_t>(loadings.size()));
        solved.push_back(at->second);
        lastKey[k] = key;
        lastIndex[k] = at->second;
        if (added) loadings.push_back(CombinedLoads(actions, i, c, k, l, false));
      }
      hasLast = true;
    }
    // The board is linear: loadings that are multiples of one shape (a
    // bottom slab's ground reaction, a top slab's uniform loads, in every
    // case, combination and with or without its live load) are solved once
    // as that shape and scaled.
    std::vector<PlateLoadCase> shapes;
    std::vector<std::pair<std::uint32_t, double>> shapeOf;  // per loading: shape and factor
    std::map<std::string, std::uint32_t> shapeKeys;
    std::string shapeKey;
    for (const PlateLoadCase& lc : loadings) {
      PlateLoadCase shape;
      const double factor = LoadShape(lc, shape, shapeKey);
      const auto [at, added] = shapeKeys.try_emplace(shapeKey, static_cast<std::uint32_t>(shapes.size()));
      if (added) shapes.push_back(std::move(shape));
      shapeOf.emplace_back(at->second, factor);
    }
    if (!SolveBoard(ba, shapes, kPoisson, solutions[i], reason, &models)) return false;
    std::vector<RawBoardMoments> scaled;
    scaled.reserve(loadings.size());
    for (const auto& [shape, factor] : shapeOf) scaled.push_back(Scaled(solutions[i].results[shape], factor));
    solutions[i].results = std::move(scaled);
  }
  const std::vector<Joint> joints = FindFixedJoints(tank, actions);
  DistributeJointMoments(joints, solutions, loadingMoments);
  results.assign(boards, CaseResults());
  struct WhichHash {
    std::size_t operator()(const std::array<std::uint32_t, kCombinationCount + 1>& a) const {
      std::size_t h = 0;
      for (std::uint32_t v : a) h = h * 1000003u ^ v;
      return h;
    }
  };
  std::unordered_map<std::array<std::uint32_t, kCombinationCount + 1>, std::size_t, WhichHash> seen;
  for (std::size_t i = 0; i < boards; ++i) {
    seen.clear();
    CaseResults& r = results[i];
    std::array<std::uint32_t, kCombinationCount + 1> last{};
    for (std::size_t c = 0; c < cases.size(); ++c) {
      std::array<std::uint32_t, kCombinationCount + 1> which{};
      which[0] = static_cast<std::uint32_t>(cases[c].loadCase);
      for (int k = 0; k < kCombinationCount; ++k) which[k + 1] = loadingMoments[i][c * kCombinationCount + k];
      // Most loadings leave the board's balanced moments as the one before.
      if (c > 0 && which == last) continue;
      last = which;
      if (!seen.emplace(which, r.moments.size()).second) continue;
      std::array<BoardMoments, kCombinationCount>& m = r.moments.emplace_back();
      r.loadCase.push_back(cases[c].loadCase);
      for (int k = 0; k < kCombinationCount; ++k) {
        const RawBoardMoments& raw = solutions[i].results[which[k + 1]];
        m[k].spanX = raw.spanX.Clamped();
        m[k].spanY = raw.spanY.Clamped();
        for (const FieldRange& e : raw.edges) m[k].edges.push_back(e.Clamped());
      }
    }
  }
  return true;
}

bool RunMethod1(const ProjectSettings& settings, const TankActions& actions, const std::vector<CaseLoading>& cases,
                std::vector<CaseResults>& results, std::string& reason, TextProgressFn progress) {
  const LoadSettings& l = settings.GetLoadSettings();
  std::vector<BoardPtr> boards;
  std::vector<double> moduli;
  for (const BoardActions& b : actions.boards) {
    boards.push_back(b.board);
    moduli.push_back(b.elasticModulus);
  }
  ShellOptions options;
  options.poisson = kPoisson;
  options.unitWeight = actions.site.gammaC;
  if (progress != nullptr)
    options.progress = [progress](int percent, const std::string& step) {
      ReportTextProgress(progress, percent, "shell model: " + step);
    };
  ShellTankModel model(boards, moduli, options);
  if (model.Status() != SolveStatus::Ok) {
    reason = "有限元模型无法计算: " + model.Reason();
    return false;
  }
  // Whether the element cap left boards with fewer elements across than
  // the mesh asks for.
  ShellMeshReport& mesh = TheStore().mesh;
  mesh = ShellMeshReport();
  mesh.elements = model.Elements();
  mesh.maxElements = options.maxElements;
  mesh.minAcross = options.minElementsAcross;
  const std::vector<ShellTankModel::BoardMeshSize> sizes = model.BoardMeshSizes();
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    mesh.elementSize = std::max(mesh.elementSize, sizes[i].elementSize);
    if (sizes[i].across >= options.minElementsAcross) continue;
    ++mesh.boards;
    if (mesh.board < 0 || sizes[i].across < mesh.fewestAcross) {
      mesh.fewestAcross = sizes[i].across;
      mesh.board = static_cast<int>(i);
    }
  }
  mesh.coarsened = mesh.boards > 0;
  // The loadings are sums of a few basic loadings: the self weight, each
  // action of every board, the water of all cells and of each cell alone.
  // Each is solved once on the one factorisation and every loading (case
  // pattern, live loads left off, combination) is the sum of its actions'
  // moments with their factors.
  const std::size_t boardCount = actions.boards.size();
  std::vector<ShellLoading> basics;
  std::array<int, kActionCount> basicOf;
  basicOf.fill(-1);
  const auto addBasic = [&](auto loadOf, double selfWeightFactor) {
    ShellLoading basic;
    basic.selfWeightFactor = selfWeightFactor;
    bool any = selfWeightFactor != 0.0;
    for (std::size_t i = 0; i < boardCount; ++i) {
      basic.loads.push_back(loadOf(actions.boards[i]));
      const PlateLoadCase& lc = basic.loads.back();
      any = any || !lc.areas.empty() || !lc.points.empty() || !lc.lines.empty();
    }
    if (!any) return -1;
    basics.push_back(std::move(basic));
    return static_cast<int>(basics.size() - 1);
  };
  basicOf[kSelfWeight] = addBasic([](const BoardActions&) { return PlateLoadCase(); }, 1.0);
  for (int a = 0; a < kActionCount; ++a)
    if (a != kSelfWeight && a != kTemperature)
      basicOf[a] = addBasic([a](const BoardActions& b) { return b.loads[a]; }, 0.0);
  std::map<std::size_t, int> cellBasic;  // the water of each cell alone
  for (const CaseLoading& c : cases)
    if (c.cell >= 0 && !cellBasic.count(static_cast<std::size_t>(c.cell)))
      cellBasic[static_cast<std::size_t>(c.cell)] = addBasic(
          [cell = static_cast<std::size_t>(c.cell)](const BoardActions& b) {
            PlateLoadCase water;
            for (const auto& [index, load] : b.cellWater)
              if (index == cell) water = load;
            return water;
          },
          0.0);
  // The water of loading `c` as terms: all cells, or one cell alone (full,
  // or empty with the others full).
  const auto addWater = [&](const CaseLoading& c, double factor, std::vector<ShellTerm>& terms) {
    const auto add = [&terms](int basic, double f) {
      if (basic >= 0) terms.push_back({static_cast<std::size_t>(basic), f});
    };
    if (!c.Includes(kWater)) return;
    const int single = c.cell >= 0 ? cellBasic[static_cast<std::size_t>(c.cell)] : -1;
    if (c.cell < 0 || !c.cellFull) add(basicOf[kWater], factor);
    if (c.cell >= 0) add(single, c.cellFull ? factor : -factor);
  };
  // The first loading of each case has every cell as the case has it and
  // every live load on: the others are it with a few terms changed.
  std::array<int, kCaseCount> caseBase;
  caseBase.fill(-1);
  for (std::size_t c = 0; c < cases.size(); ++c)
    if (cases[c].cell < 0 && !cases[c].withoutTopLive && !cases[c].withoutGroundLive && !cases[c].withoutUserLive &&
        caseBase[cases[c].loadCase] < 0)
      caseBase[cases[c].loadCase] = static_cast<int>(c);
  std::vector<ShellCombination> combinations;
  for (std::size_t c = 0; c < cases.size(); ++c)
    for (int k = 0; k < kCombinationCount; ++k) {
      const CaseLoading& loading = cases[c];
      ShellCombination comb;
      const int base = caseBase[loading.loadCase];
      if (base >= 0 && static_cast<std::size_t>(base) != c) {
        const CaseLoading& full = cases[static_cast<std::size_t>(base)];
        comb.base = base * kCombinationCount + k;
        std::vector<ShellTerm> mine, theirs;
        addWater(loading, ActionFactor(kWater, k, l), mine);
        addWater(full, ActionFactor(kWater, k, l), theirs);
        for (const ShellTerm& t : theirs) mine.push_back({t.basic, -t.factor});
        for (int a = 0; a < kActionCount; ++a)
          if (a != kWater && basicOf[a] >= 0 && full.Includes(a) && !loading.Includes(a))
            mine.push_back({static_cast<std::size_t>(basicOf[a]), -ActionFactor(a, k, l)});
        // Terms of one basic loading are summed first.
        for (const ShellTerm& t : mine) {
          auto at = std::find_if(comb.terms.begin(), comb.terms.end(),
                                 [&t](const ShellTerm& u) { return u.basic == t.basic; });
          if (at == comb.terms.end())
            comb.terms.push_back(t);
          else
            at->factor += t.factor;
        }
        std::erase_if(comb.terms, [](const ShellTerm& t) { return t.factor == 0.0; });
      } else {
        for (int a = 0; a < kActionCount; ++a) {
          if (basicOf[a] < 0 || a == kWater || (a != kSelfWeight && !loading.Includes(a))) continue;
          comb.terms.push_back({static_cast<std::size_t>(basicOf[a]), ActionFactor(a, k, l)});
        }
        addWater(loading, ActionFactor(kWater, k, l), comb.terms);
      }
      combinations.push_back(std::move(comb));
    }
  std::vector<TankCaseMoments> out;
  std::string why;
  if (model.SolveCombined(basics, combinations, out, why) != SolveStatus::Ok) {
    reason = "有限元计算失败: " + why;
    return false;
  }
  results.assign(actions.boards.size(), CaseResults());
  for (CaseResults& r : results) {
    r.moments.resize(cases.size());
    for (const CaseLoading& c : cases) r.loadCase.push_back(c.loadCase);
  }
  for (std::size_t c = 0; c < cases.size(); ++c)
    for (int k = 0; k < kCombinationCount; ++k) {
      const TankCaseMoments& m = out[c * kCombinationCount + k];
      if (m.size() != actions.boards.size()) {
        reason = "有限元计算失败: 结果与板数不符";
        return false;
      }
      for (std::size_t i = 0; i < m.size(); ++i) results[i].moments[c][k] = m[i];
    }
  ReportTextProgress(progress, 100, "shell model: done");
  return true;
}

bool Analyse(Tank& tank, ProjectSettings& settings, std::string& reason, TextProgressFn progress) {
  TankActions actions;
  if (!ComputeActions(tank, settings, actions, reason)) return false;
  const LoadSettings& l = settings.GetLoadSettings();
  std::vector<CaseResults> results;
  const std::vector<CaseLoading> cases = LiveLoadVariants(actions, CaseLoadings(actions));
  const int method = l.GetAnalysisMethod();
  if (method == kAnalysisTables) {
    if (!RunMethod0(tank, settings, actions, cases, results, reason)) return false;
  } else if (method == kAnalysisFiniteElements) {
    if (!RunMethod1(settings, actions, cases, results, reason, progress)) return false;
  } else {
    reason = fmt::format("未知的计算方法{}", method);
    return false;
  }
  for (std::size_t i = 0; i < actions.boards.size(); ++i) {
    CaseResults& r = results[i];
    for (std::size_t s = 0; s < r.moments.size(); ++s)
      for (int k = 0; k < kCombinationCount; ++k) {
        BoardMoments& m = r.moments[s][k];
        m.edges.resize(actions.boards[i].board->GetEdges().size());
        if (ActionInCase(kTemperature, r.loadCase[s]))
          AddTemperature(actions.boards[i], m, ActionFactor(kTemperature, k, l));
      }
  }
  for (std::size_t i = 0; i < actions.boards.size(); ++i) WriteEnvelope(*actions.boards[i].board, results[i]);

  AnalysisTexts texts;
  BuildTexts(actions, settings, texts);
  TankAnalysisRecord record;
  record.modelFingerprint = ModelFingerprint(tank);
  record.settingsFingerprint = SettingsFingerprint(settings);
  record.antiFloatText = texts.antiFloat;
  record.bearingText = texts.bearing;
  record.bottomSlabText = texts.bottomSlabs;
  record.topSlabText = texts.topSlabs;
  tank.SetAnalysisRecord(record);
  LoadAnalysisTexts(tank);
  return true;
}

// The builder of the load description: the texts of the calculation book
// from the prepared tank (nothing of them needs plate moments).
void BuildLoadModel(TankLoadModel& model, Tank& tank, ProjectSettings& settings) {
  TankActions actions;
  std::string reason;
  if (!ComputeActions(tank, settings, actions, reason)) return;
  AnalysisTexts texts;
  BuildTexts(actions, settings, texts);
  model.SetTextList1(texts.antiFloat);
  model.SetTextList2(texts.bearing);
  model.SetTextTable1(texts.bottomSlabs);
  model.SetTextTable2(texts.topSlabs);
}

struct BuilderRegistrar {
  BuilderRegistrar() { TankLoadModel::SetBuilder(&BuildLoadModel); }
} g_builderRegistrar;

}  // namespace

namespace tobrin {

std::string ModelFingerprint(const Tank& tank) {
  Hasher h;
  for (const StructureComponentPtr& c : tank.GetComponents()) {
    if (!c) continue;
    h.Add(std::string(typeid(*c).name()));
    if (auto* b = dynamic_cast<Board*>(c.get())) AddBoard(h, *b);
  }
  for (const TankCellPtr& cell : tank.GetCells())
    if (cell) h.Add(cell->GetWaterLevel());
  h.Add(tank.GetDesignWaterDepth());
  return h.Hex();
}

std::string SettingsFingerprint(const ProjectSettings& s) {
  Hasher h;
  const LoadSettings& l = s.GetLoadSettings();
  for (double v : {l.GetSelfWeightFactor(), l.GetOtherDeadLoadFactor(), l.GetGroundwaterLoadFactor(),
                   l.GetOtherLiveLoadFactor(), l.GetGroundLiveLoadQuasiPermanent(), l.GetTopSlabLiveLoadQuasiPermanent(),
                   l.GetGroundwaterQuasiPermanent(), l.GetLiveLoadCombinationFactor(), l.GetGroundLiveLoad(),
                   l.GetTopSlabLiveLoad(), l.GetDesignWaterDepth()})
    h.Add(v);
  h.Add(l.GetAnalysisMethod());
  const CalcSettings& c = s.GetCalcSettings();
  h.Add(c.IsTemperatureConsidered() ? 1 : 0);
  for (double v : {c.GetWallTemperatureDifference(), c.GetConcreteUnitWeight(), c.GetWaterUnitWeight(),
                   c.GetBuoyancyReductionFactor(), c.GetAntiFloatSafetyFactor()})
    h.Add(v);
  const GeologySettings& g = s.GetGeologySettings();
  for (const SoilLayer& layer : g.GetSoilLayers()) {
    h.Add(layer.GetName());
    h.Add(layer.GetThickness());
    h.Add(layer.GetUnitWeight());
    h.Add(layer.GetFrictionAngle());
  }
  h.Add(g.GetBurialDepth());
  h.Add(g.GetGroundwaterDepth());
  h.Add(g.GetBearingCapacity());
  h.Add(s.GetGeometrySettings().GetWallTopRestraint());
  h.Add(s.GetGeometrySettings().GetBottomSlabOverhang());
  const MaterialSettings& m = s.GetMaterialSettings();
  for (const std::string& grade : {m.GetWallConcreteGrade(), m.GetBottomConcreteGrade(), m.GetTopConcreteGrade()})
    h.Add(grade);
  return h.Hex();
}

}  // namespace tobrin

bool Structure::IsAnalysed() const {
  const TankAnalysisRecord& record = GetAnalysisRecord();
  if (record.IsEmpty()) return false;
  const Tank* tank = dynamic_cast<const Tank*>(this);
  return tank && ModelFingerprint(*tank) == record.modelFingerprint;
}

// ---------------------------------------------------------------------------
// Public functions

const char* TobrinLoadCaseName(int index) {
  static const char* const names[kCaseCount] = {"有水有土", "无水有土", "有水无土", "无水无土"};
  return index >= 0 && index < kCaseCount ? names[index] : names[0];
}

bool AnalyseTank(Tank& tank, ProjectSettings& settings, TextProgressFn progress) {
  Store& store = TheStore();
  ClearAnalysisTexts();
  store.error.clear();
  store.mesh = ShellMeshReport();
  std::string reason;
  bool ok = false;
  try {
    // A failed analysis leaves nothing of an earlier one behind.
    tank.ClearAnalysisRecord();
    ClearAnalysisValues(tank);
    ok = Analyse(tank, settings, reason, progress);
  } catch (const std::exception& e) {
    reason = std::string("计算中出现错误: ") + e.what();
    ok = false;
  }
  if (!ok) {
    ClearAnalysisValues(tank);
    tank.ClearAnalysisRecord();
    ClearAnalysisTexts();
    store.mesh = ShellMeshReport();
    store.error = reason.empty() ? "计算失败" : reason;
  }
  return ok;
}

const std::string& GetLastAnalysisError() { return TheStore().error; }

const ShellMeshReport& GetLastShellMeshReport() { return TheStore().mesh; }

bool CheckTank(Tank& tank, const ProjectSettings& settings, TankCheckResult& out) {
  out = TankCheckResult();
  TankActions actions;
  std::string reason;
  if (!ComputeActions(tank, settings, actions, reason)) return false;
  const TankChecks checks = ComputeChecks(actions, settings);
  out.antiFloatOk = checks.antiFloatOk;
  out.bearingOk = checks.bearingOk;
  return true;
}

void SetTextList1(const std::vector<std::string>& lines) { TheStore().antiFloat = lines; }
void SetTextList2(const std::vector<std::string>& lines) { TheStore().bearing = lines; }
void SetTextTable1(const std::vector<std::vector<std::string>>& table) { TheStore().bottomSlabs = table; }
void SetTextTable2(const std::vector<std::vector<std::string>>& table) { TheStore().topSlabs = table; }

std::vector<std::string> GetAntiFloatCheckText() { return TheStore().antiFloat; }
std::vector<std::string> GetBearingCheckText() { return TheStore().bearing; }
std::vector<SlabLoadText> GetBottomSlabLoadText() { return ToSlabTexts(TheStore().bottomSlabs); }
std::vector<SlabLoadText> GetTopSlabLoadText() { return ToSlabTexts(TheStore().topSlabs); }

void ApplyTankWaterDepth(Tank& tank, const ProjectSettings& settings) { ApplyDesignWaterDepth(tank, settings); }

bool IsTankAnalysed(const Tank& tank, const ProjectSettings& settings) {
  return tank.IsAnalysed() && SettingsFingerprint(settings) == tank.GetAnalysisRecord().settingsFingerprint;
}

bool LoadAnalysisTexts(const Tank& tank) {
  ClearAnalysisTexts();
  const TankAnalysisRecord& r = tank.GetAnalysisRecord();
  if (r.IsEmpty()) return false;
  Store& s = TheStore();
  s.antiFloat = r.antiFloatText;
  s.bearing = r.bearingText;
  s.bottomSlabs = r.bottomSlabText;
  s.topSlabs = r.topSlabText;
  return true;
}

void ClearAnalysisTexts() {
  Store& s = TheStore();
  s.antiFloat.clear();
  s.bearing.clear();
  s.bottomSlabs.clear();
  s.topSlabs.clear();
}
