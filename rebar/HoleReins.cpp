// Added bars around openings.
//
// The bars an opening cuts are made up for by bars of at least the same area
// beside it: the governing bars (the stronger face's bars of the direction
// the added bars run in) over the opening's width plus one bar give the cut
// area, and the added bars' diameter is rounded up to a standard size, so the
// added bars never carry less than what was cut.
#include "rebar/HoleReins.h"

#include "platform/Zarvel.h"
#include "rebar/BarSelection.h"
#include "rebar/DetailingRules.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <typeinfo>

namespace {

// Largest count the diameter search may reach: far beyond any opening, it
// only stops a search over absurd areas.
constexpr int kMaxAddedBarCount = 10000;

bool Above(double value, double limit) { return value > limit + 0.01; }

// A board-local point (x, y) at local depth z (along the board's normal from
// its reference plane) in world coordinates.
_3dPoint AtDepth(const Board& board, const _2dPoint& p, double z) {
  const _3dPoint w = board.LocalToWorld(p);
  const _3dVector n = board.GetNormal();
  return _3dPoint(w.x + n.x * z, w.y + n.y * z, w.z + n.z * z);
}

ReinPtr MakeBar(const std::vector<_3dPoint>& points, const std::string& grade, int diameter, bool closed = false,
                const std::vector<double>& bulges = {}) {
  _2dPolyline line(points, closed);
  if (!bulges.empty()) line.SetBulges(bulges);
  auto bar = boost::make_shared<Rein>();
  bar->SetPolyline(line);
  bar->SetGrade(grade);
  bar->SetDiameter(diameter);
  return bar;
}

// Appends the straight bar a→b at local depth z, kept inside the board: an
// end beyond the board's outline is cut back to one cover inside it (as at a
// free edge), and a bar whose middle lies outside the board is dropped.
void AddStraightBar(std::vector<ReinPtr>& bars, const Board& board, _2dPoint a, _2dPoint b, double z, double cover,
                    const std::string& grade, int diameter) {
  std::vector<_2dPoint> outline;
  board.GetLocalOutline(outline);
  const _2dVector d = b - a;
  const double length = d.GetLength();
  if (length <= 0) return;
  if (outline.size() >= 3) {
    const _2dPoint mid = a + d * 0.5;
    if (g_VekGeometryComm.PointInPolygon2d(outline, mid) <= 0) return;
    double lo = 0.0, hi = 1.0;
    for (const double t : OutlineCrossings(outline, a, b)) {
      if (t > 0 && t < 0.5) lo = std::max(lo, t);
      if (t >= 0.5 && t < 1) hi = std::min(hi, t);
    }
    const _2dVector unit = d * (1.0 / length);
    const _2dPoint a0 = a;
    if (lo > 0) a = a0 + d * lo + unit * cover;
    if (hi < 1) b = a0 + d * hi - unit * cover;
    if ((b - a).GetLength() < 1.0 || (b - a).x * d.x + (b - a).y * d.y <= 0) return;
  }
  bars.push_back(MakeBar({AtDepth(board, a, z), AtDepth(board, b, z)}, grade, diameter));
}

// True when the board-local point lies inside the board's outline, at least
// `margin` from every side.
bool InsideBoard(const Board& board, const _2dPoint& p, double margin) {
  std::vector<_2dPoint> outline;
  board.GetLocalOutline(outline);
  if (outline.size() < 3) return true;
  if (g_VekGeometryComm.PointInPolygon2d(outline, p) <= 0) return false;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const _2dPoint& a = outline[i];
    const _2dVector e = outline[(i + 1) % outline.size()] - a;
    const double len = e.GetLength();
    if (len <= 0) continue;
    const _2dVector ap = p - a;
    const double t = std::clamp((ap.x * e.x + ap.y * e.y) / (len * len), 0.0, 1.0);
    if ((p - (a + e * t)).GetLength() < margin - 1e-9) return false;
  }
  return true;
}

// Unit direction of the board's X bars and of its Y bars (X turned by +90°).
_2dVector BarDirection(const Board& board, bool x) {
  const double a = board.GetReinAngle();
  return x ? _2dVector(std::cos(a), std::sin(a)) : _2dVector(-std::sin(a), std::cos(a));
}

// The bar set of one face and direction.
struct FaceBarSet {
  std::string grade;
  int diameter = 0;
  int spacing = 0;
  bool HasBars() const { return diameter > 0 && spacing > 0; }
};

// The stronger of the upper and lower bars of a direction; the lower ones
// when the upper are not stronger.
FaceBarSet StrongerSet(const Board& board, bool x) {
  const FaceValues& u = board.GetFaceValues(true, x);
  const FaceValues& l = board.GetFaceValues(false, x);
  const FaceValues& v = IsStrongerRein(u.grade, u.diameter, u.spacing, l.grade, l.diameter, l.spacing) ? u : l;
  return {v.grade, v.diameter, v.spacing};
}

// True when the X bars run closer to `direction` than the Y bars (a direction
// at exactly 45° counts for the X bars).
bool XBarsGovern(const Board& board, const _2dVector& direction) {
  double a = std::fmod(direction.GetAngle() - board.GetReinAngle(), g_Pi);
  if (a < 0) a += g_Pi;
  if (a > g_Pi / 2) a = g_Pi - a;
  return a <= g_Pi / 4 + 1e-9;
}

// The four corners of a rectangular opening; a closing corner repeating the
// first is dropped.  False for fewer than four.
bool OpeningCorners(std::vector<_2dPoint>& corners) {
  if (corners.size() > 4 && corners.back() == corners.front()) corners.pop_back();
  if (corners.size() < 4) return false;
  corners.resize(4);
  return true;
}

// The frame of one pair of opposite sides of a rectangle: the bars run along
// D and lie beyond the opening on both sides along S.
struct SidePair {
  _2dVector uD, uS;
  double len = 0.0, wid = 0.0;
  _2dPoint mid;
};

bool MakeSidePair(const std::vector<_2dPoint>& c, bool flag, SidePair& pair) {
  const _2dVector d = flag ? c[1] - c[0] : c[3] - c[0];
  const _2dVector s = flag ? c[3] - c[0] : c[1] - c[0];
  pair.len = d.GetLength();
  pair.wid = s.GetLength();
  pair.uD = d.GetUnitVector(0.01);
  pair.uS = s.GetUnitVector(0.01);
  pair.mid = _2dPoint((c[0].x + c[2].x) / 2, (c[0].y + c[2].y) / 2);
  return pair.uD.GetLength() > 0.5 && pair.uS.GetLength() > 0.5;
}

// What the added bars along one pair of sides make up for: the governing bars
// and the count and diameter that carry their cut area.
struct AddedBars {
  FaceBarSet governing;
  OpeningBarChoice choice;
};

AddedBars ChooseForSides(const Board& board, const SidePair& pair, int count, int minDiameter, int maxDiameter) {
  AddedBars added;
  added.governing = StrongerSet(board, XBarsGovern(board, pair.uD));
  if (!added.governing.HasBars()) return added;  // nothing is cut
  const double d0 = added.governing.diameter;
  const double cut = g_Pi / 4 * d0 * d0 * (pair.len / added.governing.spacing + 1.0);
  added.choice = ChooseOpeningBars(cut, count, minDiameter, maxDiameter);
  return added;
}

// Lays the added bars of one pair of sides: `count` bars per side and face,
// the first `spacing` beyond the side, each running `ext` past both ends of
// the side, `inset` below the cover.
void LayAddedBars(const Board& board, const ReinDesignOptions& options, const BoardPtr& boardPtr,
                  const SidePair& pair, const AddedBars& added, int spacing, double inset, double ext,
                  std::vector<ReinPtr>& bars) {
  const int d = added.choice.diameter;
  const double cu = GetConcreteCover(options, boardPtr, true);
  const double cl = GetConcreteCover(options, boardPtr, false);
  const double zUpper = board.GetUpperOffset() - cu - inset - d / 2.0;
  const double zLower = -(board.GetLowerOffset() - cl - inset - d / 2.0);
  for (int k = 1; k <= added.choice.count; ++k) {
    const double o = static_cast<double>(k) * spacing;
    for (double sigma : {1.0, -1.0}) {
      const _2dPoint p = pair.mid + pair.uS * (sigma * (pair.wid / 2 + o));
      const _2dPoint a = p - pair.uD * (pair.len / 2 + ext);
      const _2dPoint b = p + pair.uD * (pair.len / 2 + ext);
      AddStraightBar(bars, board, a, b, zUpper, cu, added.governing.grade, d);
      AddStraightBar(bars, board, a, b, zLower, cl, added.governing.grade, d);
    }
  }
}

}  // namespace

const std::vector<int>& StandardBarDiameters() {
  static const std::vector<int> sizes = {6, 8, 10, 12, 14, 16, 18, 20, 22, 25, 28, 30, 32, 36, 40};
  return sizes;
}

void CheckOpeningReinSettings(const OpeningReinSettings& s) {
  auto fail = [](const std::string& what) {
    throw std::invalid_argument("opening reinforcement settings: " + what);
  };
  auto count = [&](const char* name, int n) {
    if (n < 1) fail(std::string(name) + " must be at least 1 (is " + std::to_string(n) + ")");
  };
  auto spacing = [&](const char* name, int v) {
    if (v <= 0) fail(std::string(name) + " must be above 0 mm (is " + std::to_string(v) + ")");
  };
  auto range = [&](const char* minName, int lo, const char* maxName, int hi) {
    if (lo < 6) fail(std::string(minName) + " must be at least 6 mm (is " + std::to_string(lo) + ")");
    if (hi < lo)
      fail(std::string(maxName) + " (" + std::to_string(hi) + " mm) is below " + minName + " (" +
           std::to_string(lo) + " mm)");
  };
  count("side_bar_count", s.GetSideBarCount());
  count("added_bar_count", s.GetRectBarCount());
  spacing("side_bar_spacing_mm", s.GetSideBarSpacing());
  spacing("added_bar_spacing_mm", s.GetRectBarSpacing());
  spacing("tie_spacing_mm", s.GetTieSpacing());
  range("side_bar_min_diameter_mm", s.GetSideBarMinDiameter(), "side_bar_max_diameter_mm", s.GetSideBarMaxDiameter());
  range("added_bar_min_diameter_mm", s.GetRectBarMinDiameter(), "added_bar_max_diameter_mm",
        s.GetRectBarMaxDiameter());
}

OpeningBarChoice ChooseOpeningBars(double cutArea, int startCount, int minDiameter, int maxDiameter) {
  if (startCount < 1) throw std::invalid_argument("added bars: a count below 1");
  if (minDiameter < 6 || maxDiameter < minDiameter)
    throw std::invalid_argument("added bars: the diameter range " + std::to_string(minDiameter) + " to " +
                                std::to_string(maxDiameter) + " mm");
  if (!std::isfinite(cutArea)) throw std::invalid_argument("added bars: the cut area is not a number");
  if (cutArea <= 0) return {};
  const std::vector<int>& sizes = StandardBarDiameters();
  // The largest standard size the range allows (at least 6).
  const int largest = *std::prev(std::upper_bound(sizes.begin(), sizes.end(), maxDiameter));
  // The smallest standard size carrying the area with n bars; 0 when none does.
  auto diameterFor = [&](int n) {
    const double required = std::sqrt(4.0 * cutArea / (n * g_Pi));
    const auto it = std::find_if(sizes.begin(), sizes.end(), [&](int d) { return d >= required - 1e-9; });
    return it == sizes.end() ? 0 : *it;
  };
  // The diameter needed falls as the count grows: start the count search one
  // below the count at which `largest` carries the area, so that it takes few
  // steps whatever the area.
  const double needed = 4.0 * cutArea / (g_Pi * largest * largest);
  if (needed > kMaxAddedBarCount)
    throw std::invalid_argument("added bars: no count up to " + std::to_string(kMaxAddedBarCount) +
                                " carries a cut area of " + std::to_string(cutArea) + " mm²");
  int n = std::max(startCount, static_cast<int>(std::ceil(needed)) - 1);
  for (int step = 0; step < 8; ++step, ++n) {
    const int d = diameterFor(n);
    if (d == 0) continue;
    if (d < minDiameter) return {n, minDiameter};
    if (d <= maxDiameter) return {n, d};
  }
  throw std::logic_error("added bars: the count search did not end");
}

double OpeningAnchorage(const ReinDesignOptions& options, const Board& board, const std::string& grade, double d) {
  const double ft = GetConcreteTensileStrength(board.GetConcreteGrade());
  const double fy = GetReinDesignStrength(grade);
  if (ft <= 0 || fy <= 0) return 0.0;
  const bool ribbed = options.m_pSettings && options.m_pSettings->GetCalcSettings().IsRibbedBar();
  return (ribbed ? 0.14 : 0.16) * fy * d / ft;
}

void BuildOpeningReins(const BoardPtr& board, const HolePtr& hole, std::vector<_2dPoint> corners,
                       const ReinDesignOptions& options, bool flag, std::vector<ReinPtr>& sideBars,
                       std::vector<ReinPtr>& ties) {
  const HolePtr held = hole;  // held for the call; the corners say everything
  if (!board || !options.m_pSettings || !OpeningCorners(corners)) return;
  const OpeningReinSettings& s = options.m_pSettings->GetOpeningReinSettings();
  CheckOpeningReinSettings(s);
  SidePair pair;
  if (!MakeSidePair(corners, flag, pair)) return;
  const AddedBars added =
      ChooseForSides(*board, pair, s.GetSideBarCount(), s.GetSideBarMinDiameter(), s.GetSideBarMaxDiameter());
  const int n = added.choice.count, d = added.choice.diameter;
  if (n <= 0) return;
  const int sb = s.GetSideBarSpacing(), dt = s.GetTieDiameter(), st = s.GetTieSpacing();
  const double ext = 35.0 * d;
  LayAddedBars(*board, options, board, pair, added, sb, dt, ext, sideBars);

  // Ties: closed loops through the thickness around the side bars of each
  // side, spread evenly along the bars, the leftover split between both ends.
  const double w = static_cast<double>((n - 1) * sb + dt + d);
  const double length = pair.len + 2 * ext;
  const int m = static_cast<int>(length / st);
  const double r = (length - static_cast<double>(m) * st) / 2;
  const double cu = GetConcreteCover(options, board, true);
  const double cl = GetConcreteCover(options, board, false);
  const double cover = std::max(cu, cl);
  const double zUpper = board->GetUpperOffset() - cu - dt / 2.0;
  const double zLower = -(board->GetLowerOffset() - cl - dt / 2.0);
  const _2dPoint first = pair.mid + pair.uD * (length / 2 - r);
  for (int j = 0; j <= m; ++j) {
    const _2dPoint at = first - pair.uD * (static_cast<double>(j) * st);
    for (double sigma : {1.0, -1.0}) {
      const _2dPoint e1 = at + pair.uS * (sigma * (pair.wid / 2 + sb - d / 2.0 - dt / 2.0));
      const _2dPoint e2 = e1 + pair.uS * (sigma * w);
      // A tie beyond the ends of the side bars cut back at the board's
      // outline binds nothing: it is left out.
      if (!InsideBoard(*board, e1, cover) || !InsideBoard(*board, e2, cover)) continue;
      ReinPtr tie = MakeBar({AtDepth(*board, e2, zUpper), AtDepth(*board, e1, zUpper), AtDepth(*board, e1, zLower),
                             AtDepth(*board, e2, zLower)},
                            "HPB235", dt, true);
      tie->SetTieFlag(1);
      ties.push_back(tie);
    }
  }
}

void BuildRectOpeningReins(const BoardPtr& board, const HolePtr& hole, std::vector<_2dPoint> corners,
                           const ReinDesignOptions& options, bool flag, std::vector<ReinPtr>& bars) {
  const HolePtr held = hole;
  if (!board || !options.m_pSettings || !OpeningCorners(corners)) return;
  const OpeningReinSettings& s = options.m_pSettings->GetOpeningReinSettings();
  CheckOpeningReinSettings(s);
  SidePair pair;
  if (!MakeSidePair(corners, flag, pair)) return;
  const AddedBars added =
      ChooseForSides(*board, pair, s.GetRectBarCount(), s.GetRectBarMinDiameter(), s.GetRectBarMaxDiameter());
  if (added.choice.count <= 0) return;
  const double ext = OpeningAnchorage(options, *board, added.governing.grade, added.choice.diameter);
  LayAddedBars(*board, options, board, pair, added, s.GetRectBarSpacing(), s.GetRectBarInset(), ext, bars);
}

RectOpeningClass ClassifyRectOpening(const Board& board, const std::vector<_2dPoint>& cornersIn, bool bySideLength) {
  RectOpeningClass cls;
  std::vector<_2dPoint> c = cornersIn;
  if (!OpeningCorners(c)) return cls;
  const double a = (c[1] - c[0]).GetLength(), b = (c[3] - c[0]).GetLength();
  const bool bigA = Above(a, 1000), bigB = Above(b, 1000);
  if (bigA == bigB) {
    cls.large[0] = cls.large[1] = bigA;
    return cls;
  }
  bool alongA = a > b;
  if (!bySideLength) {
    // The board's extent along the line of each side through the opening:
    // from the last outline crossing before the corner c0 to the first after
    // it.  The side whose line has the shorter extent takes the ties.
    std::vector<_2dPoint> outline;
    board.GetLocalOutline(outline);
    auto chord = [&](const _2dPoint& through, double& extent) {
      const _2dVector d = (through - c[0]).GetUnitVector(0.01);
      if (d.GetLength() < 0.5 || outline.size() < 3) return false;
      double before = -std::numeric_limits<double>::infinity(), after = std::numeric_limits<double>::infinity();
      for (std::size_t i = 0; i < outline.size(); ++i) {
        const _2dPoint& p = outline[i];
        const _2dVector e = outline[(i + 1) % outline.size()] - p;
        const double den = d.x * e.y - d.y * e.x;
        if (std::abs(den) < 1e-12) continue;
        const _2dVector cp = p - c[0];
        const double t = (cp.x * e.y - cp.y * e.x) / den;  // along the line from c0
        const double u = (cp.x * d.y - cp.y * d.x) / den;  // along the outline side
        if (u < -1e-9 || u > 1 + 1e-9) continue;
        if (t <= 0) before = std::max(before, t);
        if (t >= 0) after = std::min(after, t);
      }
      if (!std::isfinite(before) || !std::isfinite(after)) return false;
      extent = after - before;
      return true;
    };
    double chordA = 0.0, chordB = 0.0;
    if (chord(c[1], chordA) && chord(c[3], chordB)) alongA = chordA <= chordB;
  }
  cls.large[0] = alongA;
  cls.large[1] = !alongA;
  return cls;
}

// ---------------------------------------------------------------------------
// The design step.

void ReinDesigner::ReinforceHoles(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter&) const {
  for (const BoardPtr& board : DesignBoards(tank)) {
    const std::vector<HolePtr> holes = board->GetHoles();
    for (const HolePtr& hole : holes) {
      if (!hole) continue;
      if (typeid(*hole) == typeid(CircleHole))
        ReinforceCircleHole(board, boost::static_pointer_cast<CircleHole>(hole), options);
      else if (typeid(*hole) == typeid(RectangleHole))
        ReinforceRectangleHole(board, boost::static_pointer_cast<RectangleHole>(hole), options);
    }
  }
}

void ReinDesigner::ReinforceCircleHole(const BoardPtr& board, const boost::shared_ptr<CircleHole>& hole,
                                       const ReinDesignOptions& options) const {
  if (!board || !hole || !options.m_pSettings) return;
  const double r = hole->GetRadius();
  if (!Above(r, 150)) return;
  const OpeningReinSettings& s = options.m_pSettings->GetOpeningReinSettings();
  CheckOpeningReinSettings(s);
  const bool large = Above(r, 500);
  const int depthTerm = large ? s.GetSideBarLevelDiameter() : s.GetRectBarLevelDiameter();
  const _2dPoint c = hole->GetCenter();
  const double cu = GetConcreteCover(options, board, true);
  const double cl = GetConcreteCover(options, board, false);

  if (large) {
    // The enclosing square takes the side bars with ties along both pairs
    // of sides.
    const std::vector<_2dPoint> square = {_2dPoint(c.x - r, c.y - r), _2dPoint(c.x + r, c.y - r),
                                          _2dPoint(c.x + r, c.y + r), _2dPoint(c.x - r, c.y + r)};
    std::vector<ReinPtr> sideBars, ties;
    BuildOpeningReins(board, hole, square, options, true, sideBars, ties);
    BuildOpeningReins(board, hole, square, options, false, sideBars, ties);
    MakeZoneFromReins(board, hole, sideBars);
    MakeZoneFromReins(board, hole, ties);
  } else {
    // Straight bars beside the opening, parallel to the bars it cuts: the X
    // bars cut over the diameter are made up for by X bars on both sides of
    // the opening, the Y bars likewise.
    std::vector<ReinPtr> bars;
    // Both directions lie at the levels the X bars' diameter gives (a Y
    // direction alone at its own).
    int levelDiameter = 0;
    for (bool x : {true, false}) {
      const FaceBarSet set = StrongerSet(*board, x);
      if (!set.HasBars()) continue;
      const double d0 = set.diameter;
      const double cut = (r / set.spacing + 1.0) * g_Pi * d0 * d0 / 4;
      const OpeningBarChoice choice =
          ChooseOpeningBars(cut, s.GetRectBarCount(), s.GetRectBarMinDiameter(), s.GetRectBarMaxDiameter());
      const int d = choice.diameter;
      const double la = OpeningAnchorage(options, *board, set.grade, d);
      const _2dVector along = BarDirection(*board, x), across = BarDirection(*board, !x);
      if (levelDiameter == 0) levelDiameter = d;
      const double zUpper = board->GetUpperOffset() - cu - depthTerm / 2.0 - levelDiameter / 2.0;
      const double zLower = -(board->GetLowerOffset() - cl - depthTerm / 2.0 - levelDiameter / 2.0);
      for (int k = 0; k < choice.count; ++k) {
        const double u = static_cast<double>(k) * s.GetRectBarSpacing() + d / 2.0 + r + 36;
        for (double sigma : {1.0, -1.0}) {
          const _2dPoint mid = c + across * (sigma * u);
          const _2dPoint a = mid - along * (la + r), b = mid + along * (la + r);
          AddStraightBar(bars, *board, a, b, zUpper, cu, set.grade, d);
          AddStraightBar(bars, *board, a, b, zLower, cl, set.grade, d);
        }
      }
    }
    MakeZoneFromReins(board, hole, bars);
  }

  if (s.HasRingBar()) {
    // A ring of 12 mm plain bar 30 mm outside the opening in each face,
    // closing on itself with a lap of 1.2 anchorage lengths.
    const double ringRadius = r + 30;
    const _2dVector v = BarDirection(*board, false);
    const _2dPoint a = c + v * ringRadius, b = c - v * ringRadius;
    const double lap = 1.2 * OpeningAnchorage(options, *board, "HPB235", 12);
    const double theta = lap / ringRadius;
    _2dVector turned = v;
    turned.Rotate(theta);
    const _2dPoint e = c + turned * ringRadius;
    const std::vector<double> bulges = {1.0, 1.0, std::tan(theta / 4), 0.0};
    std::vector<ReinPtr> rings;
    for (double z : {board->GetUpperOffset() - cu - depthTerm / 2.0 - 6, -(board->GetLowerOffset() - cl - depthTerm / 2.0 - 6)})
      rings.push_back(MakeBar({AtDepth(*board, a, z), AtDepth(*board, b, z), AtDepth(*board, a, z),
                               AtDepth(*board, e, z)},
                              "HPB235", 12, false, bulges));
    MakeZoneFromReins(board, hole, rings);
  }
}

void ReinDesigner::ReinforceRectangleHole(const BoardPtr& board, const boost::shared_ptr<RectangleHole>& hole,
                                          const ReinDesignOptions& options) const {
  if (!board || !hole || !options.m_pSettings) return;
  std::vector<_2dPoint> c = hole->GetCorners();
  if (!OpeningCorners(c)) return;
  const double a = (c[1] - c[0]).GetLength(), b = (c[3] - c[0]).GetLength();
  if (!Above(a, 300) && !Above(b, 300)) return;
  const OpeningReinSettings& s = options.m_pSettings->GetOpeningReinSettings();
  CheckOpeningReinSettings(s);
  const RectOpeningClass cls = ClassifyRectOpening(*board, c, s.IsMixedBySideLength());

  for (int i = 0; i < 2; ++i) {
    const bool flag = i == 0;
    if (cls.large[i]) {
      std::vector<ReinPtr> sideBars, ties;
      BuildOpeningReins(board, hole, c, options, flag, sideBars, ties);
      MakeZoneFromReins(board, hole, sideBars);
      MakeZoneFromReins(board, hole, ties);
    } else {
      std::vector<ReinPtr> bars;
      BuildRectOpeningReins(board, hole, c, options, flag, bars);
      MakeZoneFromReins(board, hole, bars);
    }
  }

  if (!s.HasCornerBars() || (cls.large[0] && cls.large[1])) return;
  // Diagonal bars across each corner, in two rows, in both faces.
  const int s1 = cls.large[0] ? s.GetSideBarCornerSpacing() : s.GetRectBarSpacing();
  const int s2 = cls.large[1] ? s.GetSideBarCornerSpacing() : s.GetRectBarSpacing();
  const double g = std::sqrt(static_cast<double>(s1 * s1 + s2 * s2));
  const int dc = s.GetCornerBarDiameter();
  const int rowSpacing = s.GetCornerBarRowSpacing();
  const double lc = OpeningAnchorage(options, *board, "HPB235", dc);
  const _2dPoint m((c[0].x + c[2].x) / 2, (c[0].y + c[2].y) / 2);
  const _2dVector d2 = c[1] - c[3], d1 = c[0] - c[2];
  const double cu = GetConcreteCover(options, board, true);
  const double cl = GetConcreteCover(options, board, false);
  const double zUpper = board->GetUpperOffset() - cu;
  const double zLower = -(board->GetLowerOffset() - cl);
  std::vector<ReinPtr> bars;
  for (const _2dVector& diag : {d2, d2 * -1.0, d1, d1 * -1.0}) {
    const _2dVector unit = diag.GetUnitVector(0.01);
    _2dVector perp = unit;
    perp.Rotate(g_Pi / 2);
    for (double offset : {diag.GetLength() / 2 + g, diag.GetLength() / 2 + rowSpacing + g}) {
      const _2dPoint p = m + unit * offset;
      AddStraightBar(bars, *board, p + perp * lc, p - perp * lc, zUpper, cu, "HPB235", dc);
      AddStraightBar(bars, *board, p + perp * lc, p - perp * lc, zLower, cl, "HPB235", dc);
    }
  }
  MakeZoneFromReins(board, hole, bars);
}
