// Characteristic actions of a tank's boards, load cases and combination
// factors (see tank_analysis.h and platform/Tobrin.h).
//
// Decisions on the actions:
//   - Elevations: the ground lies GeologySettings::GetBurialDepth above the
//     lowest bottom-slab underside (the base), the groundwater
//     GetGroundwaterDepth below the ground.  No soil layer, or a burial
//     depth of 0, means a tank standing on the ground: no soil action.  The
//     last soil layer reaches down as far as needed.
//   - Earth pressure on the outer wall faces: active pressure
//     Ka·σ'v with Ka = tan²(45° − φ/2) of the layer, σ'v summed from the
//     ground with the unit weight above the groundwater and the buoyant unit
//     weight (γ − γw) below it; groundwater pressure γw·(depth below the
//     groundwater level); surcharge Ka·q of the ground live load.  Walls
//     without an outer face mark (partition walls) get no earth pressure.
//   - Internal water: every cell's water level (TankCell::GetWaterLevel,
//     above the top face of its bottom slab) on the face of each wall of the
//     cell that looks into the cell; a wall between two filled cells gets
//     both pressures.  The cases with water take all cells full and, in a
//     tank of several cells, single cells full or empty (CaseLoadings).
//     The water depth is the design water depth of the settings
//     (ApplyDesignWaterDepth), by default up to the top.
//   - Top slabs: self weight; under soil (top face below the ground) the
//     soil cover σ'v (plus groundwater pressure when the groundwater stands
//     above the slab) and the ground live load in the cases with soil, the
//     top-slab live load in the cases without soil; a top slab not under
//     soil carries the top-slab live load in every case.
//   - Live loads are variable: they count only where they are unfavourable.
//     Each loading is also taken without the top-slab live load, without
//     the ground live load, without the live loads entered on the boards
//     and without each set of these together (LiveLoadVariants); a live load
//     that relieves a value (the top slab's load on the inner base moment of
//     a wall, through the bottom slab's reaction and the joints) then leaves
//     it at its value without that load.
//   - Bottom slabs (board method): the ground reaction of everything above
//     the base (walls, slabs, soil cover, soil, live load and concrete on
//     the overhang, user loads on slabs), spread evenly over the base area
//     (slabs plus overhang), less the slab's own weight; the internal water
//     and the slab's weight go straight to the ground and do not bend it.
//     When the groundwater uplift less the slab's weight (taken at 1.0, it
//     is favourable) is larger, it governs.  For the shell model the bottom
//     slabs carry their water and the uplift and rest on springs.
//   - Weights: the concrete is weighed as it is cast (platform/quenby/
//     concrete.h): walls between the slab faces, slabs to the walls' outer
//     faces, the bottom-slab overhang beyond them, openings cut out, every
//     cubic metre once.  A top slab's cover and loads act over its whole
//     top face (to the walls' outer faces).
//   - Base and overhang: the base is the bottom slabs' concrete in plan, to
//     the overhang's edge (BoardEdge::GetOverhang C beyond the outer face
//     of the wall on a marked edge).  Soil, its groundwater and the ground
//     live load stand on the overhang only, outside the outer wall faces.
//   - Temperature / humidity difference (CalcSettings), walls with an outer
//     face, in the cases with water: the restraint moment
//     η·α·ΔT·Ec·h² / (12·(1 − ν)) with α = 1.0e-5 /°C and the stiffness
//     reduction η = 0.65, the outer face in tension.
//   - User loads: "Qg" (load type 2) permanent, every other type variable.
//     On slabs they act downward (gravity), on walls as a pressure on the
//     upper face (toward the lower face).  An area load's region is taken
//     as its bounding rectangle in the board; distribution 2, or a region of
//     fewer than three points, loads the whole board; distribution 3 varies
//     linearly between its two points.
#include "platform/tobrin/tank_analysis.h"

#include "platform/quenby/concrete.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <unordered_set>

namespace tobrin {

namespace {

constexpr double kPi = 3.14159265358979323846;

int Sign(double v) { return v >= 0 ? 1 : -1; }

double PolygonArea(const std::vector<_2dPoint>& p) {
  double a = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const _2dPoint& u = p[i];
    const _2dPoint& v = p[(i + 1) % p.size()];
    a += u.x * v.y - v.x * u.y;
  }
  return 0.5 * a;
}

bool InsideRegion(const std::vector<_2dPoint>& ring, double x, double y) {
  bool inside = false;
  const std::size_t n = ring.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const _2dPoint& a = ring[i];
    const _2dPoint& b = ring[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

// Elevation of a horizontal slab's face (upper: the face toward +z).
double SlabFaceZ(const Board& b, bool top) {
  const double nz = b.GetNormal().z;
  const double up = nz >= 0 ? b.GetUpperOffset() : b.GetLowerOffset();
  const double down = nz >= 0 ? b.GetLowerOffset() : b.GetUpperOffset();
  return top ? b.GetOrigin().z + up : b.GetOrigin().z - down;
}

void ZRange(const Board& b, double& zmin, double& zmax) {
  zmin = std::numeric_limits<double>::infinity();
  zmax = -zmin;
  for (const _3dPoint& p : b.GetOutlinePoints()) {
    zmin = std::min(zmin, p.z);
    zmax = std::max(zmax, p.z);
  }
}

PlateAreaLoad Scaled(PlateAreaLoad a, double f) {
  a.q0 *= f;
  a.gx *= f;
  a.gy *= f;
  a.gxy *= f;
  return a;
}

void Append(PlateLoadCase& to, const PlateLoadCase& from, double f) {
  if (f == 0.0) return;
  for (const PlateAreaLoad& a : from.areas) to.areas.push_back(Scaled(a, f));
  for (PlatePointLoad p : from.points) {
    p.p *= f;
    to.points.push_back(p);
  }
  for (PlateLineLoad l : from.lines) {
    l.p0 *= f;
    l.p1 *= f;
    to.lines.push_back(l);
  }
}

// User loads of one board.
void AddUserLoads(const Board& board, BoardActions& ba) {
  const _3dVector n = board.GetNormal();
  const bool slab = std::fabs(n.z) > 0.5;
  const double s = slab ? (n.z > 0 ? -1.0 : 1.0) : -1.0;
  for (const LoadPtr& load : board.GetLoads()) {
    if (!load) continue;
    const int action = load->GetLoadType() == 2 ? kUserDead : kUserLive;
    PlateLoadCase& lc = ba.loads[action];
    double total = 0.0;  // kN, for the ground
    if (auto* pl = dynamic_cast<PointLoad*>(load.get())) {
      _3dPoint pos;
      const double v = pl->GetValue(pos);
      const _2dPoint p = board.WorldToLocal(pos);
      lc.points.push_back({p.x, p.y, s * v});
      total = v;
    } else if (auto* ll = dynamic_cast<LineLoad*>(load.get())) {
      _3dPoint a, b;
      const double va = ll->GetStartValue(a);
      const double vb = ll->GetEndValue(b);
      const _2dPoint pa = board.WorldToLocal(a), pb = board.WorldToLocal(b);
      lc.lines.push_back({pa.x, pa.y, pb.x, pb.y, s * va, s * vb});
      total = 0.5 * (va + vb) * std::hypot(pb.x - pa.x, pb.y - pa.y) / 1000.0;
    } else if (auto* al = dynamic_cast<AreaLoad*>(load.get())) {
      PlateAreaLoad area;
      double regionArea = ba.area;
      const auto& verts = al->GetRegion().GetVertices();
      if (al->GetDistribution() != 2 && verts.size() >= 3) {
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (const _3dPoint& v : verts) {
          // A plan point of a slab region is taken on the slab's plane.
          _3dPoint w = v;
          if (slab) w.z = board.GetOrigin().z;
          const _2dPoint p = board.WorldToLocal(w);
          x0 = std::min(x0, p.x);
          y0 = std::min(y0, p.y);
          x1 = std::max(x1, p.x);
          y1 = std::max(y1, p.y);
        }
        area.x0 = x0;
        area.y0 = y0;
        area.x1 = x1;
        area.y1 = y1;
        regionArea = std::min(ba.area, (x1 - x0) * (y1 - y0) * 1e-6);
      }
      double mean = al->GetValue();
      if (al->GetDistribution() == 3) {
        _3dPoint a, b;
        const double va = al->GetStartValue(a);
        const double vb = al->GetEndValue(b);
        const _2dPoint pa = board.WorldToLocal(a), pb = board.WorldToLocal(b);
        const double dx = pb.x - pa.x, dy = pb.y - pa.y, d2 = dx * dx + dy * dy;
        if (d2 > 1e-6) {
          const double k = (vb - va) / d2;
          area.q0 = s * (va - k * (pa.x * dx + pa.y * dy));
          area.gx = s * k * dx;
          area.gy = s * k * dy;
        } else {
          area.q0 = s * va;
        }
        mean = 0.5 * (va + vb);
      } else {
        area.q0 = s * al->GetValue();
        // A uniform load over the whole slab is one of its pressures in the
        // load texts.
        if (slab && !std::isfinite(area.x0)) ba.pressure[action] += al->GetValue();
      }
      lc.areas.push_back(area);
      total = mean * regionArea;
    }
    if (slab) ba.weight[action] += total;
    if (slab && total < 0) ba.upward[action] += total;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Cases and factors

bool ActionInCase(int action, int loadCase) {
  const bool water = loadCase == 0 || loadCase == 2;
  const bool soil = loadCase == 0 || loadCase == 1;
  switch (action) {
    case kWater:
    case kTemperature: return water;
    case kSoil:
    case kGroundwater:
    case kGroundLive: return soil;
    case kTopLiveNoSoil: return !soil;
    default: return true;
  }
}

bool CaseLoading::Includes(int action) const {
  if (!ActionInCase(action, loadCase)) return false;
  if (withoutTopLive && (action == kTopLive || action == kTopLiveNoSoil)) return false;
  if (withoutGroundLive && action == kGroundLive) return false;
  if (withoutUserLive && action == kUserLive) return false;
  return true;
}

bool CaseLoading::HasWater(std::size_t index) const {
  if (!ActionInCase(kWater, loadCase)) return false;
  if (cell < 0) return true;
  return (index == static_cast<std::size_t>(cell)) == cellFull;
}

std::vector<CaseLoading> CaseLoadings(const TankActions& actions) {
  std::vector<CaseLoading> out;
  const std::vector<std::size_t>& cells = actions.waterCells;
  for (int c = 0; c < kCaseCount; ++c) {
    std::unordered_set<std::vector<bool>> seen;  // the filled cells of each loading of this case
    auto add = [&](const CaseLoading& loading) {
      std::vector<bool> full;
      full.reserve(cells.size());
      for (std::size_t cell : cells) full.push_back(loading.HasWater(cell));
      if (seen.insert(std::move(full)).second) out.push_back(loading);
    };
    add({c, -1, true});
    if (!ActionInCase(kWater, c) || cells.size() < 2) continue;
    for (std::size_t cell : cells) add({c, static_cast<int>(cell), true});
    if (ActionInCase(kSoil, c))
      for (std::size_t cell : cells) add({c, static_cast<int>(cell), false});
  }
  return out;
}

std::vector<CaseLoading> LiveLoadVariants(const TankActions& actions, const std::vector<CaseLoading>& loadings) {
  // The loadings as they are first, then each set of variants in the
  // loadings' order (a cell pattern next to the one before, as the board
  // method's balance of the joints expects them).
  std::vector<CaseLoading> out = loadings;
  const bool carriesTop = actions.Carries(kTopLive), carriesTopNoSoil = actions.Carries(kTopLiveNoSoil);
  const bool carriesGround = actions.Carries(kGroundLive), carriesUser = actions.Carries(kUserLive);
  // Every set of the live loads a loading carries is left off once: a
  // value that one live load raises and another relieves is worst with the
  // relieving ones off and the others on.  A live load the tank does not
  // carry adds no variants.
  for (int drop = 1; drop < 8; ++drop) {
    const bool dropTop = (drop & 1) != 0, dropGround = (drop & 2) != 0, dropUser = (drop & 4) != 0;
    for (const CaseLoading& loading : loadings) {
      const bool top = (loading.Includes(kTopLive) && carriesTop) || (loading.Includes(kTopLiveNoSoil) && carriesTopNoSoil);
      const bool ground = loading.Includes(kGroundLive) && carriesGround;
      const bool user = loading.Includes(kUserLive) && carriesUser;
      if ((dropTop && !top) || (dropGround && !ground) || (dropUser && !user)) continue;
      CaseLoading variant = loading;
      variant.withoutTopLive = dropTop;
      variant.withoutGroundLive = dropGround;
      variant.withoutUserLive = dropUser;
      out.push_back(variant);
    }
  }
  return out;
}

double ActionFactor(int action, int combination, const LoadSettings& l) {
  switch (action) {
    case kSelfWeight: return combination == kBasic ? l.GetSelfWeightFactor() : 1.0;
    case kWater:
    case kSoil:
    case kUserDead: return combination == kBasic ? l.GetOtherDeadLoadFactor() : 1.0;
    case kGroundwater:
      return combination == kBasic ? l.GetGroundwaterLoadFactor()
             : combination == kStandard ? 1.0
                                        : l.GetGroundwaterQuasiPermanent();
    default: break;
  }
  if (combination == kBasic) return l.GetLiveLoadCombinationFactor() * l.GetOtherLiveLoadFactor();
  if (combination == kStandard) return l.GetLiveLoadCombinationFactor();
  switch (action) {
    case kGroundLive: return l.GetGroundLiveLoadQuasiPermanent();
    case kTemperature: return 1.0;
    default: return l.GetTopSlabLiveLoadQuasiPermanent();
  }
}

const char* ActionName(int action) {
  static const char* const names[kActionCount] = {"自重", "池内水压", "土压力", "恒载(Qg)", "地下水压",
                                                  "地面活载", "顶板活载", "顶板活载", "活载(Qq)", "温差"};
  return action >= 0 && action < kActionCount ? names[action] : "";
}

double ConcreteModulus(const std::string& grade) {
  const std::size_t c = grade.find('C');
  if (c == std::string::npos) return 0.0;
  const double fcu = std::atof(grade.c_str() + c + 1);
  if (!(fcu > 0)) return 0.0;
  return 1.0e5 / (2.2 + 34.7 / fcu);
}

MomentRange FieldRange::Clamped() const {
  // Round-off of a field that carries nothing (below 1e-9 kN·m/m) is no
  // tension on a face.
  constexpr double kNoise = 1e-9;
  MomentRange r;
  if (!Empty()) {
    r.max = hi > kNoise ? hi : 0.0;
    r.min = lo < -kNoise ? lo : 0.0;
  }
  return r;
}

// ---------------------------------------------------------------------------
// Site

double Site::EffectiveStress(double z) const {
  if (!hasSoil || z >= groundZ) return 0.0;
  double s = 0.0;
  for (const SoilBand& b : bands) {
    const double top = std::min(b.top, groundZ);
    const double bottom = std::max(b.bottom, z);
    if (top <= bottom) continue;
    // Parts of the band above and below the groundwater level.
    const double wt = hasGroundwater ? waterTableZ : -1e300;
    const double dry = std::max(0.0, top - std::max(bottom, wt));
    const double wet = (top - bottom) - dry;
    s += b.unitWeight * dry / 1000.0 + std::max(0.0, b.unitWeight - gammaW) * wet / 1000.0;
    if (b.bottom <= z) break;
  }
  return s;
}

double Site::WaterPressure(double z) const {
  if (!hasGroundwater || z >= waterTableZ) return 0.0;
  return gammaW * (waterTableZ - z) / 1000.0;
}

double Site::ActiveCoefficient(double z) const {
  for (const SoilBand& b : bands)
    if (z <= b.top && z >= b.bottom) return b.ka;
  return bands.empty() ? 0.0 : bands.back().ka;
}

std::vector<double> Site::Breakpoints() const {
  std::vector<double> z;
  if (hasSoil) {
    z.push_back(groundZ);
    for (const SoilBand& b : bands) z.push_back(b.bottom);
  }
  if (hasGroundwater) z.push_back(waterTableZ);
  std::sort(z.begin(), z.end(), std::greater<double>());
  z.erase(std::unique(z.begin(), z.end(), [](double a, double b) { return std::fabs(a - b) < 1e-6; }), z.end());
  return z;
}

// ---------------------------------------------------------------------------
// TankActions

double TankActions::TotalWeight(int action) const {
  double w = overhangWeight[action];
  for (const BoardActions& b : boards) w += b.weight[action];
  return w;
}

double TankActions::UpwardWeight(int action) const {
  double w = 0.0;
  for (const BoardActions& b : boards) w += b.upward[action];
  return w;
}

bool TankActions::Carries(int action) const {
  if (overhangWeight[action] != 0.0) return true;
  for (const BoardActions& b : boards) {
    const PlateLoadCase& l = b.loads[action];
    if (b.weight[action] != 0.0 || !l.areas.empty() || !l.points.empty() || !l.lines.empty()) return true;
  }
  return false;
}

double TankActions::BottomSlabPressure(std::size_t index, int loadCase, int combination, const LoadSettings& loads,
                                       double* reactionOut, double* upliftOut) const {
  return BottomSlabPressure(index, CaseLoading{loadCase, -1, true}, combination, loads, reactionOut, upliftOut);
}

double TankActions::BottomSlabPressure(std::size_t index, const CaseLoading& loading, int combination,
                                       const LoadSettings& loads, double* reactionOut, double* upliftOut) const {
  const int loadCase = loading.loadCase;
  const BoardActions& b = boards[index];
  double total = 0.0;
  for (int a = 0; a < kActionCount; ++a)
    if (a != kTemperature && loading.Includes(a))
      total += ActionFactor(a, combination, loads) * (totalsKnown ? totalWeight[a] : TotalWeight(a));
  const double own = site.gammaC * b.thickness / 1000.0;
  const double reaction = baseArea > 0 ? total / baseArea - ActionFactor(kSelfWeight, combination, loads) * own : 0.0;
  double p = reaction;
  double uplift = -std::numeric_limits<double>::infinity();
  if (ActionInCase(kGroundwater, loadCase) && b.upliftHead > 0) {
    uplift = ActionFactor(kGroundwater, combination, loads) * site.gammaW * b.upliftHead - own;
    p = std::max(p, uplift);
  }
  if (reactionOut) *reactionOut = reaction;
  if (upliftOut) *upliftOut = uplift;
  return p;
}

PlateLoadCase CombinedLoads(const TankActions& actions, std::size_t index, int loadCase, int combination,
                            const LoadSettings& loads, bool shellModel) {
  return CombinedLoads(actions, index, CaseLoading{loadCase, -1, true}, combination, loads, shellModel);
}

PlateLoadCase CombinedLoads(const TankActions& actions, std::size_t index, const CaseLoading& loading,
                            int combination, const LoadSettings& loads, bool shellModel) {
  const BoardActions& b = actions.boards[index];
  const int kind = b.board->GetKind();
  PlateLoadCase out;
  for (int a = 0; a < kActionCount; ++a) {
    if (a == kTemperature || !loading.Includes(a)) continue;
    if (shellModel && a == kSelfWeight) continue;  // the shell model adds gravity itself
    if (!shellModel && kind == 1 && (a == kWater || a == kGroundwater || a == kSelfWeight)) continue;
    if (a == kWater && loading.cell >= 0) {
      for (const auto& [cell, water] : b.cellWater)
        if (loading.HasWater(cell)) Append(out, water, ActionFactor(a, combination, loads));
      continue;
    }
    Append(out, b.loads[a], ActionFactor(a, combination, loads));
  }
  if (!shellModel && kind == 1) {
    const double p = actions.BottomSlabPressure(index, loading, combination, loads);
    out.areas.push_back(PlateAreaLoad::Uniform(p * Sign(b.board->GetNormal().z)));
  }
  return out;
}

std::string BoardName(const Board& board) {
  const char* kind = board.GetKind() == 0 ? "池壁" : board.GetKind() == 1 ? "底板" : "顶板";
  return std::string(kind) + std::to_string(board.GetNumber());
}

// ---------------------------------------------------------------------------
// ComputeActions

void ApplyDesignWaterDepth(Tank& tank, const ProjectSettings& settings) {
  const LoadSettings& l = settings.GetLoadSettings();
  const double depth = l.IsWaterUpToTop() ? -1.0 : l.GetDesignWaterDepth() * 1000.0;
  const double now = tank.GetDesignWaterDepth();
  if ((depth < 0 && now < 0) || depth == now) return;  // unchanged: the cells keep their levels
  tank.SetDesignWaterDepth(depth);
}

bool ComputeActions(Tank& tank, const ProjectSettings& settings, TankActions& out, std::string& reason) {
  out = TankActions();
  ApplyDesignWaterDepth(tank, settings);
  // The actions change no board's geometry: the adjoining boards are found
  // once, not again for every query.
  const Structure::TopologyFreeze frozen(tank);
  const std::vector<BoardPtr> boards = tank.GetBoards();
  if (boards.empty()) {
    reason = "水池中没有构件,无法计算";
    return false;
  }
  const CalcSettings& calc = settings.GetCalcSettings();
  const LoadSettings& loadSettings = settings.GetLoadSettings();
  const GeologySettings& geo = settings.GetGeologySettings();
  const MaterialSettings& mat = settings.GetMaterialSettings();
  Site& site = out.site;
  site.gammaW = calc.GetWaterUnitWeight();
  site.gammaC = calc.GetConcreteUnitWeight();

  // Boards: names, sizes, materials.
  for (const BoardPtr& bp : boards) {
    BoardActions ba;
    ba.board = bp;
    ba.name = BoardName(*bp);
    ba.thickness = bp->GetThickness();
    std::vector<_2dPoint> outline;
    bp->GetLocalOutline(outline);
    const _3dVector n = bp->GetNormal();
    if (outline.size() < 3 || n.IsZero() || !(ba.thickness > 0)) {
      reason = ba.name + "的几何信息不完整(边数少于3、板厚为0或坐标系退化),无法计算";
      return false;
    }
    double area = std::fabs(PolygonArea(outline)) * 1e-6;
    for (const HolePtr& h : bp->GetHoles())
      if (h) area -= h->GetArea() * 1e-6;
    ba.area = std::max(area, 0.0);
    std::string grade = bp->GetConcreteGrade();
    if (ConcreteModulus(grade) <= 0)
      grade = bp->GetKind() == 0   ? mat.GetWallConcreteGrade()
              : bp->GetKind() == 1 ? mat.GetBottomConcreteGrade()
                                   : mat.GetTopConcreteGrade();
    ba.elasticModulus = ConcreteModulus(grade);
    if (!(ba.elasticModulus > 0)) {
      reason = ba.name + "的混凝土等级\"" + bp->GetConcreteGrade() + "\"无法识别";
      return false;
    }
    out.boards.push_back(std::move(ba));
  }

  // The base and the site.
  double base = std::numeric_limits<double>::infinity();
  for (const BoardActions& b : out.boards)
    if (b.board->GetKind() == 1) base = std::min(base, SlabFaceZ(*b.board, false));
  if (!std::isfinite(base))
    for (const BoardActions& b : out.boards) {
      double zmin, zmax;
      ZRange(*b.board, zmin, zmax);
      base = std::min(base, zmin);
    }
  out.baseZ = base;
  site.groundZ = base + geo.GetBurialDepth() * 1000.0;
  site.hasSoil = !geo.GetSoilLayers().empty() && geo.GetBurialDepth() > 0;
  site.waterTableZ = site.groundZ - geo.GetGroundwaterDepth() * 1000.0;
  site.hasGroundwater = site.waterTableZ > base + 1e-6;
  if (site.hasSoil) {
    double top = site.groundZ;
    const auto& layers = geo.GetSoilLayers();
    for (std::size_t i = 0; i < layers.size(); ++i) {
      SoilBand band;
      band.top = top;
      band.bottom = i + 1 == layers.size() ? top - 1e9 : top - layers[i].GetThickness() * 1000.0;
      band.unitWeight = layers[i].GetUnitWeight();
      const double phi = layers[i].GetFrictionAngle() * kPi / 180.0;
      band.ka = std::pow(std::tan(kPi / 4 - phi / 2), 2);
      site.bands.push_back(band);
      top = band.bottom;
    }
  }
  out.upliftHead = site.hasGroundwater ? (site.waterTableZ - base) / 1000.0 : 0.0;
  const double groundLive = site.hasSoil ? loadSettings.GetGroundLiveLoad() : 0.0;

  // Water levels of the cells: the face of each wall toward a cell.
  const std::vector<TankCellPtr> cells = tank.GetCells();
  double defaultBottomTop = -std::numeric_limits<double>::infinity();
  for (const BoardActions& b : out.boards)
    if (b.board->GetKind() == 1) defaultBottomTop = std::max(defaultBottomTop, SlabFaceZ(*b.board, true));
  if (!std::isfinite(defaultBottomTop)) defaultBottomTop = base;
  std::map<const Board*, std::size_t> indexOf;
  for (std::size_t i = 0; i < out.boards.size(); ++i) indexOf[out.boards[i].board.get()] = i;

  // The water of one cell on one board: with the water of all cells, and
  // by cell for the loadings with single cells full or empty.
  auto addWater = [](BoardActions& ba, std::size_t cellIndex, const PlateAreaLoad& load) {
    ba.loads[kWater].areas.push_back(load);
    auto it = std::find_if(ba.cellWater.begin(), ba.cellWater.end(),
                           [cellIndex](const auto& w) { return w.first == cellIndex; });
    if (it == ba.cellWater.end()) it = ba.cellWater.insert(ba.cellWater.end(), {cellIndex, PlateLoadCase()});
    it->second.areas.push_back(load);
  };
  for (std::size_t cellIndex = 0; cellIndex < cells.size(); ++cellIndex) {
    const TankCellPtr& cell = cells[cellIndex];
    if (!cell) continue;
    std::vector<BoardPtr> cellBoards;
    for (const UnitPtr& unit : cell->GetUnits())
      for (const StructureComponentPtr& c : unit->GetComponents())
        if (BoardPtr b = boost::dynamic_pointer_cast<Board>(c)) cellBoards.push_back(b);
    double bottomTop = defaultBottomTop;
    for (const BoardPtr& b : cellBoards)
      if (b->GetKind() == 1) bottomTop = SlabFaceZ(*b, true);
    const double level = cell->GetWaterLevel();
    if (!(level > 0)) continue;
    out.waterCells.push_back(cellIndex);
    const double surface = bottomTop + level;
    const auto& region = cell->GetRegion();
    for (const BoardPtr& b : cellBoards) {
      auto it = indexOf.find(b.get());
      if (it == indexOf.end()) continue;
      BoardActions& ba = out.boards[it->second];
      if (b->GetKind() == 1) {
        // Water on the bottom slab: for the shell model only.
        const double p = site.gammaW * level / 1000.0;
        addWater(ba, cellIndex, PlateAreaLoad::Uniform(-p * Sign(b->GetNormal().z)));
        continue;
      }
      if (b->GetKind() != 0) continue;
      const _3dVector n = b->GetNormal();
      double nl = std::hypot(n.x, n.y);
      if (nl < 1e-9) continue;
      std::vector<_2dPoint> outline;
      b->GetLocalOutline(outline);
      double xmin = 1e300, xmax = -1e300, ymin = 1e300;
      for (const _2dPoint& p : outline) {
        xmin = std::min(xmin, p.x);
        xmax = std::max(xmax, p.x);
        ymin = std::min(ymin, p.y);
      }
      const _3dPoint mid = b->LocalToWorld(_2dPoint(0.5 * (xmin + xmax), ymin));
      const double off = b->GetThickness() / 2 + 100.0;
      double side = 0.0;
      if (InsideRegion(region, mid.x + n.x / nl * off, mid.y + n.y / nl * off))
        side = -1.0;  // water on the upper face
      else if (InsideRegion(region, mid.x - n.x / nl * off, mid.y - n.y / nl * off))
        side = 1.0;
      if (side == 0.0) continue;
      const _3dPoint o = b->LocalToWorld(_2dPoint(0, 0));
      const double yz = b->LocalToWorld(_2dPoint(0, 1)).z - o.z;
      if (std::fabs(yz) < 0.5) continue;
      const double ys = (surface - o.z) / yz;
      // Pressure γw·(surface − z), z = o.z + yz·y: linear in y, zero at ys.
      const double y0 = (bottomTop - 1e6 - o.z) / yz;  // far below: the band's other end
      const double q0 = site.gammaW * (surface - (o.z + yz * y0)) / 1000.0;
      addWater(ba, cellIndex, PlateAreaLoad::AlongY(ys, 0.0, y0, side * q0));
    }
  }
  // Water weight for the bearing check: clear plan area of the cells.
  for (const TankCellPtr& cell : cells) {
    if (!cell || !(cell->GetWaterLevel() > 0)) continue;
    std::vector<_2dPoint> ring = cell->GetRegion();
    if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
    if (ring.size() < 3) continue;
    double perimeter = 0.0, t = 0.0;
    int walls = 0;
    for (std::size_t i = 0; i < ring.size(); ++i)
      perimeter += std::hypot(ring[(i + 1) % ring.size()].x - ring[i].x, ring[(i + 1) % ring.size()].y - ring[i].y);
    for (const UnitPtr& unit : cell->GetUnits())
      for (const StructureComponentPtr& c : unit->GetComponents())
        if (BoardPtr b = boost::dynamic_pointer_cast<Board>(c); b && b->GetKind() == 0) {
          t += b->GetThickness();
          ++walls;
        }
    if (walls) t /= walls;
    const double clear = std::fabs(PolygonArea(ring)) - perimeter * t / 2 + ring.size() * t * t / 4;
    out.waterWeight += site.gammaW * std::max(clear, 0.0) * 1e-6 * cell->GetWaterLevel() / 1000.0;
  }

  // Board actions.  The concrete is weighed as it is cast (every cubic
  // metre once) and a top slab carries its cover over its whole top face.
  const TankConcrete concrete = BuildTankConcrete(tank);
  const bool temperature = calc.IsTemperatureConsidered();
  for (BoardActions& ba : out.boards) {
    const Board& b = *ba.board;
    const double h = ba.thickness / 1000.0;
    const BoardConcrete* cast = concrete.Find(&b);
    const double volume = cast ? cast->volume : ba.area * h;
    const double topFace = cast ? cast->faceArea : ba.area;
    const int s = Sign(b.GetNormal().z);
    AddUserLoads(b, ba);
    if (b.GetKind() == 0) {
      ba.weight[kSelfWeight] = site.gammaC * volume;
      const bool upperOuter = b.IsUpperFaceOuter();
      const bool lowerOuter = b.IsLowerFaceOuter();
      if (upperOuter == lowerOuter) continue;  // partition wall or no marks
      const double side = upperOuter ? -1.0 : 1.0;  // q = side · pressure
      if (temperature) {
        const double dT = calc.GetWallTemperatureDifference();
        const double m = 0.65 * 1.0e-5 * dT * ba.elasticModulus * ba.thickness * ba.thickness / (12.0 * (1 - 0.2)) /
                         1000.0;
        ba.temperatureMoment = upperOuter ? m : -m;
      }
      const _3dPoint o = b.LocalToWorld(_2dPoint(0, 0));
      const double yz = b.LocalToWorld(_2dPoint(0, 1)).z - o.z;
      if (std::fabs(yz) < 0.5) continue;
      double zmin, zmax;
      ZRange(b, zmin, zmax);
      std::vector<double> breaks = site.Breakpoints();
      breaks.insert(breaks.begin(), std::max(zmax, site.groundZ) + 1.0);
      breaks.push_back(std::min(zmin, base) - 1.0);
      std::sort(breaks.begin(), breaks.end(), std::greater<double>());
      for (std::size_t k = 0; k + 1 < breaks.size(); ++k) {
        const double za = std::min(breaks[k], zmax), zb = std::max(breaks[k + 1], zmin);
        if (za - zb < 1e-6) continue;
        const double zm = 0.5 * (za + zb);
        const double ya = (za - o.z) / yz, yb = (zb - o.z) / yz;
        if (site.hasSoil && zm < site.groundZ) {
          const double ka = site.ActiveCoefficient(zm);
          const double pa = ka * site.EffectiveStress(za), pb = ka * site.EffectiveStress(zb);
          if (pa != 0 || pb != 0) ba.loads[kSoil].areas.push_back(PlateAreaLoad::AlongY(ya, side * pa, yb, side * pb));
          if (groundLive != 0)
            ba.loads[kGroundLive].areas.push_back(
                PlateAreaLoad::AlongY(ya, side * ka * groundLive, yb, side * ka * groundLive));
        }
        const double wa = site.WaterPressure(za), wb = site.WaterPressure(zb);
        if (wa != 0 || wb != 0) ba.loads[kGroundwater].areas.push_back(PlateAreaLoad::AlongY(ya, side * wa, yb, side * wb));
      }
    } else if (b.GetKind() == 1) {
      ba.weight[kSelfWeight] = site.gammaC * volume;
      ba.pressure[kSelfWeight] = site.gammaC * h;
      ba.upliftHead = site.hasGroundwater ? std::max(0.0, (site.waterTableZ - SlabFaceZ(b, false)) / 1000.0) : 0.0;
      if (ba.upliftHead > 0) {
        ba.pressure[kGroundwater] = site.gammaW * ba.upliftHead;
        ba.loads[kGroundwater].areas.push_back(PlateAreaLoad::Uniform(s * site.gammaW * ba.upliftHead));
      }
    } else {
      const double zTop = SlabFaceZ(b, true);
      auto put = [&](int action, double p) {
        if (p == 0) return;
        ba.pressure[action] = p;
        ba.weight[action] += p * topFace;
        ba.loads[action].areas.push_back(PlateAreaLoad::Uniform(-s * p));
      };
      put(kSelfWeight, site.gammaC * h);
      const bool buried = site.hasSoil && zTop < site.groundZ - 1.0;
      if (buried) {
        ba.coverDepth = (site.groundZ - zTop) / 1000.0;
        put(kSoil, site.EffectiveStress(zTop));
        put(kGroundwater, site.WaterPressure(zTop));
        put(kGroundLive, groundLive);
        put(kTopLiveNoSoil, loadSettings.GetTopSlabLiveLoad());
      } else {
        put(kTopLive, loadSettings.GetTopSlabLiveLoad());
      }
    }
  }

  // Base area and what stands on the overhang: the bottom slabs' concrete
  // in plan to the overhang's edge (the base) and to the walls' outer faces.
  // The soil, its water and the ground live load stand on the overhang
  // alone, outside the outer wall faces (the outer half of a wall is wall,
  // not soil).
  for (const BoardActions& ba : out.boards) {
    if (ba.board->GetKind() != 1) continue;
    double holes = 0.0;
    for (const HolePtr& h : ba.board->GetHoles())
      if (h) holes += h->GetArea() * 1e-6;
    out.slabArea += ba.area + holes;
    if (const BoardConcrete* cast = concrete.Find(ba.board.get()))
      out.overhangWeight[kSelfWeight] += site.gammaC * cast->overhangVolume;
  }
  out.baseArea = concrete.baseArea;
  out.overhangArea = std::max(0.0, concrete.baseArea - concrete.outerFaceArea);
  if (out.overhangArea > 0) {
    const double zTop = defaultBottomTop;
    out.overhangWeight[kSoil] = site.EffectiveStress(zTop) * out.overhangArea;
    out.overhangWeight[kGroundwater] = site.WaterPressure(zTop) * out.overhangArea;
    out.overhangWeight[kGroundLive] = groundLive * out.overhangArea;
  }
  for (int a = 0; a < kActionCount; ++a) out.totalWeight[a] = out.TotalWeight(a);
  out.totalsKnown = true;
  return true;
}

}  // namespace tobrin
