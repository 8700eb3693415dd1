// Inner parts of the tank analysis (platform/Tobrin.h): the characteristic
// actions of every board, the load cases and combinations, the per-board
// solution of method 0 with the moment distribution at fixed joints, and the
// texts of the calculation book.  Used by AnalyseTank and by the builder of
// TankLoadModel, so that the texts and the moments come from one source.
#pragma once

#include "platform/Quenby.h"
#include "platform/Zarvel.h"
#include "platform/tobrin/moments.h"
#include "platform/tobrin/plate.h"
#include "platform/tobrin/strip.h"

#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tobrin {

constexpr int kCaseCount = 4;
// Combinations: basic, standard (characteristic), quasi-permanent.
enum Combination : int { kBasic = 0, kStandard = 1, kQuasi = 2 };
constexpr int kCombinationCount = 3;

// Characteristic actions.  Each is present in some of the four load cases
// (CaseMask) and takes the factor of its class in each combination
// (ActionFactor).
enum Action : int {
  kSelfWeight = 0,     // permanent, γG1
  kWater,              // internal water, permanent γG; cases 0, 2 (cell patterns: CaseLoading)
  kSoil,               // earth pressure and soil weight, permanent γG; cases 0, 1
  kUserDead,           // "Qg" loads of the user, permanent γG
  kGroundwater,        // groundwater pressure and uplift, γQ1; cases 0, 1
  kGroundLive,         // ground live load (surcharge, on buried slabs); cases 0, 1
  kTopLive,            // top-slab live load on slabs not under soil; all cases
  kTopLiveNoSoil,      // top-slab live load on buried slabs; cases 2, 3 (no soil)
  kUserLive,           // "Qq" and other user loads, variable
  kTemperature,        // wall temperature / humidity difference; cases 0, 2
  kActionCount
};

bool ActionInCase(int action, int loadCase);

// One loading of the analysis: a load case of the calculation book with the
// cells that hold water in it.  A multi-cell tank stands in service and in
// its water test with single cells full and their neighbours empty, so the
// cases with water are taken with every cell filled (the case itself) and
// with each cell full alone; the case with water and soil also with each
// cell empty and the others full.  The envelope reports the case index, so
// the four cases of the calculation book stay what they are.
//
// A variable action counts only where it is unfavourable: every loading is
// also taken without the top-slab live load, without the ground live load
// and without the live loads entered on the boards (and without each set of
// these together), and the envelope keeps the worse of each value
// (LiveLoadVariants).
struct CaseLoading {
  int loadCase = 0;
  int cell = -1;          // -1: every cell as the case has it; else the cell of the pattern
  bool cellFull = true;   // with a cell: that cell alone full (true), or that cell alone empty (false)
  bool withoutTopLive = false;     // the top-slab live load (kTopLive, kTopLiveNoSoil) left off
  bool withoutGroundLive = false;  // the ground live load (kGroundLive) left off
  bool withoutUserLive = false;    // the live loads entered on the boards (kUserLive) left off
  // Whether cell `index` holds water in this loading.
  bool HasWater(std::size_t index) const;
  // Whether the action acts in this loading: it is present in the load
  // case and not left off.
  bool Includes(int action) const;
};

double ActionFactor(int action, int combination, const LoadSettings& loads);
const char* ActionName(int action);

// Ground and groundwater at the tank's site.
struct SoilBand {
  double top = 0.0, bottom = 0.0;  // elevations, mm (top > bottom)
  double unitWeight = 0.0;         // kN/m³
  double ka = 0.0;                 // active earth pressure coefficient
};

struct Site {
  bool hasSoil = false;
  double groundZ = 0.0;      // ground level, mm
  double waterTableZ = 0.0;  // groundwater level, mm (below everything: none)
  bool hasGroundwater = false;
  double gammaW = 10.0, gammaC = 25.0;
  std::vector<SoilBand> bands;  // from the ground down; the last one reaches far down

  // Effective vertical stress at elevation z, kPa (0 above ground).
  double EffectiveStress(double z) const;
  // Groundwater pressure at elevation z, kPa.
  double WaterPressure(double z) const;
  // Active earth pressure coefficient of the layer at z.
  double ActiveCoefficient(double z) const;
  // Elevations where the lateral pressures change slope, descending.
  std::vector<double> Breakpoints() const;
};

struct BoardActions {
  BoardPtr board;
  std::string name;  // "池壁1", "底板2", ...
  double thickness = 0.0;
  double elasticModulus = 0.0;  // N/mm²
  double area = 0.0;            // m², outline less openings
  // Loads of each action in the board's local frame, along +normal.  The
  // bottom slabs' water and uplift are given for the shell model only; the
  // board method takes the ground reaction instead (BottomSlabPressure).
  std::array<PlateLoadCase, kActionCount> loads;
  // Vertical loads the board hands down to the ground, kN (downward +).
  std::array<double, kActionCount> weight{};
  // The user loads among them that act upward (each load by its own sign),
  // kN (negative): they lift the tank where the others hold it down.
  std::array<double, kActionCount> upward{};
  // Restraint moment of the temperature difference with the action's unit
  // factor, kN·m/m, + upper face in tension, − lower face.
  double temperatureMoment = 0.0;
  // Uniform characteristic pressures of a slab for the texts, kPa.
  std::array<double, kActionCount> pressure{};
  double coverDepth = 0.0;  // m of soil over a top slab
  double upliftHead = 0.0;  // m of groundwater over a bottom slab's underside
  // The internal water of loads[kWater] split by cell (index into the tank's
  // cells), for the loadings with single cells full or empty.
  std::vector<std::pair<std::size_t, PlateLoadCase>> cellWater;
};

struct TankActions {
  Site site;
  std::vector<BoardActions> boards;  // Tank::GetBoards order
  double slabArea = 0.0;             // m², bottom slabs
  double overhangArea = 0.0;         // m², beyond the walls' outer faces
  double baseArea = 0.0;             // m²
  std::array<double, kActionCount> overhangWeight{};  // soil, live and the overhang's own concrete, kN
  double waterWeight = 0.0;          // kN of water in the cells
  std::vector<std::size_t> waterCells;  // the cells that hold water (index into the tank's cells)
  double upliftHead = 0.0;           // m of groundwater over the base
  double baseZ = 0.0;                // elevation of the base (underside), mm

  // Total vertical load of an action handed to the ground, kN.
  double TotalWeight(int action) const;
  // The upward part of it (user loads acting upward), kN, not above 0.
  double UpwardWeight(int action) const;
  // TotalWeight of every action as ComputeActions leaves the boards (the
  // ground reaction of every bottom slab and loading reads it).
  std::array<double, kActionCount> totalWeight{};
  bool totalsKnown = false;
  // Net upward pressure (kPa) that bends bottom slab `index` in one case and
  // combination: the ground reaction of everything above the base less the
  // slab's own weight, or the groundwater uplift less the slab's weight when
  // that is larger.
  double BottomSlabPressure(std::size_t index, int loadCase, int combination, const LoadSettings& loads,
                            double* reaction = nullptr, double* uplift = nullptr) const;
  // The same for a loading, without the live loads it leaves off.
  double BottomSlabPressure(std::size_t index, const CaseLoading& loading, int combination,
                            const LoadSettings& loads, double* reaction = nullptr, double* uplift = nullptr) const;
  // Whether any board or the overhang carries action `action`.
  bool Carries(int action) const;
};

double ConcreteModulus(const std::string& grade);  // N/mm², 0 for an unknown grade

// The tank's cells take the design water depth of the settings (in m; a
// negative depth fills them to the top).  ComputeActions does it first.
void ApplyDesignWaterDepth(Tank& tank, const ProjectSettings& settings);

// Computes the actions; false with a reason for a model that cannot be
// analysed (no board, a degenerate board).
bool ComputeActions(Tank& tank, const ProjectSettings& settings, TankActions& out, std::string& reason);

// Every loading of the analysis, case by case: the case with all its cells
// filled first, then the cell patterns (only for two or more cells with
// water; a pattern that repeats an earlier one is left out).
std::vector<CaseLoading> CaseLoadings(const TankActions& actions);

// The loadings with the live loads left off where they may relieve: the
// loadings, then each of them without the top-slab live load, then each
// without the ground live load, then each without both, for the live loads
// the tank carries in that case (none of a live load no board and no
// overhang carries).
std::vector<CaseLoading> LiveLoadVariants(const TankActions& actions, const std::vector<CaseLoading>& loadings);

// The loads of one board in one loading and combination (method 0 adds the
// ground reaction of bottom slabs, method 1 their water and uplift).
PlateLoadCase CombinedLoads(const TankActions& actions, std::size_t index, const CaseLoading& loading,
                            int combination, const LoadSettings& loads, bool shellModel);
// The same for a case with every cell filled.
PlateLoadCase CombinedLoads(const TankActions& actions, std::size_t index, int loadCase, int combination,
                            const LoadSettings& loads, bool shellModel);

// ---------------------------------------------------------------------------
// Method 0.

// Extremes of a moment field that are not yet clamped at zero.
struct FieldRange {
  double hi = -std::numeric_limits<double>::infinity();
  double lo = std::numeric_limits<double>::infinity();
  void Include(double v) {
    if (v > hi) hi = v;
    if (v < lo) lo = v;
  }
  bool Empty() const { return hi < lo; }
  void Shift(double d) {
    if (!Empty()) { hi += d; lo += d; }
  }
  MomentRange Clamped() const;
};

struct RawBoardMoments {
  FieldRange spanX, spanY;
  std::vector<FieldRange> edges;
};

// One board's solution for a list of loadings.
struct BoardSolution {
  bool oneWay = false;
  std::vector<RawBoardMoments> results;  // one per loading
  // Per edge: rotational stiffness for the moment distribution (kN·m per
  // metre and radian; 0 when the board cannot take moment there), the
  // share of an edge-moment change that reaches the span, and whether the
  // X bars (else the Y bars) cross the edge.
  std::vector<double> edgeStiffness;
  std::vector<double> spanCarryOver;
  std::vector<bool> edgeCrossedByX;
};

// Span/limit rule of the calculation book: true when the board counts as
// one-way in its text (the calculation mode).  The analysis does not use it:
// SolveBoard solves every board with its real edge restraints.
bool IsOneWay(const Board& board, int wallTopRestraint);

// Plate models shared within one analysis by the boards of the same local
// outline, restraints, openings and section (the walls and slabs of a
// regular tank repeat): each is meshed and factorised once.  The moments of
// a model under a loading are kept as well, keyed by the model, the bars'
// angle and the loads: the walls of a regular tank and its slabs carry the
// same loads in most loadings, and each such board is then solved once.
class PlateModelCache {
 public:
  std::shared_ptr<const PlateModel> Get(const PlateInput& input);

  // The moments kept under `key` (nullptr when none), and keeping them.
  const RawBoardMoments* FindMoments(const std::string& key) const;
  void KeepMoments(const std::string& key, const RawBoardMoments& moments);

 private:
  std::map<std::string, std::shared_ptr<const PlateModel>> m_models;
  std::unordered_map<std::string, RawBoardMoments> m_moments;
};

// Solves one board alone, its joined edges fixed, for every loading: as a
// plate, or as a strip where two opposite edges are free.  With a cache,
// plate models are taken from it and added to it.
bool SolveBoard(const BoardActions& board, const std::vector<PlateLoadCase>& loadings, double poisson,
                BoardSolution& out, std::string& reason, PlateModelCache* cache = nullptr);

// A joint of boards whose edges are fixed along one line: the members
// (board index in actions.boards, edge index) and the sign that turns each
// member's edge moment into the moment it puts on the joint.
struct JointMember {
  std::size_t board = 0;
  int edge = 0;
  double sign = 1.0;
};
using Joint = std::vector<JointMember>;

std::vector<Joint> FindFixedJoints(Tank& tank, const TankActions& actions);

// Moment distribution at the joints, applied to loading `loading` of every
// solution (same board order as actions.boards): each member's edge moment
// becomes M_i = FEM_i − s_i·d_i·Σ s_j·FEM_j with the distribution factors
// d_i = k_i / Σ k_j, FEM_i being the governing (largest in magnitude)
// moment of the edge; the other values along the edge scale with it (M_i /
// FEM_i), so the face that the balanced moment leaves without tension keeps
// none; an edge whose FEM_i is round-off beside M_i takes M_i on one face.  The governing span moment across that edge moves by the carry-over
// share of the change; the span's other face keeps its value.
void DistributeJointMoments(const std::vector<Joint>& joints, std::vector<BoardSolution>& solutions,
                            std::size_t loading);

// The same for every loading at once: solutions[b].results holds board b's
// distinct moments and loadingMoments[b][l] the index of those of loading
// l.  On return both describe the balanced moments, again each distinct
// one once (a board's balanced moments depend only on its own moments and
// those of the other members of its joints, so each combination of them is
// balanced once).  The values are those of balancing each loading in turn.
void DistributeJointMoments(const std::vector<Joint>& joints, std::vector<BoardSolution>& solutions,
                            std::vector<std::vector<std::uint32_t>>& loadingMoments);

// ---------------------------------------------------------------------------
// Texts.

// The anti-floating and bearing checks in numbers (the texts print them).
struct TankChecks {
  double structure = 0.0;     // Gc, kN
  double cover = 0.0;         // Gt: soil (and its water) over the top slabs, kN
  double overhangSoil = 0.0;  // Gs: soil (and its water) on the overhang, kN
  double upward = 0.0;        // Gu: user loads acting upward (unfavourable), kN, not above 0
  double resist = 0.0;        // G = Gc + Gt + Gs + Gu, kN
  double buoyancy = 0.0;      // F at the highest groundwater level, kN
  double antiFloatRatio = 0.0;  // G / F (0 without uplift)
  double kf = 0.0;
  bool antiFloatOk = true;      // also when there is no uplift
  // Bearing, standard combination of case 0: pk at the highest groundwater
  // level (its uplift deducted) and at the lowest (no uplift: the settings
  // give no lowest level), the larger governs.
  // Variable loads count where they press on the base (Q, the downward
  // ones); the upward ones (Qu, with ψc) give the least base pressure at the
  // highest groundwater level, pmin: below zero the base lifts (uplift),
  // and the check fails whatever pk.
  double loads = 0.0;        // Gc + Gw + Gt + Gs + Gq + Q, kN
  double pkHigh = 0.0, pkLow = 0.0, pk = 0.0, fa = 0.0;
  double live = 0.0;         // Q, kN
  double upwardLive = 0.0;   // Qu, kN, not above 0
  double pMin = 0.0;         // (Gc + Gw + Gt + Gs + Gq + Qu − F) / A, kPa
  bool uplift = false;       // pmin < 0
  bool bearingOk = true;
};

TankChecks ComputeChecks(const TankActions& actions, const ProjectSettings& settings);

struct AnalysisTexts {
  std::vector<std::string> antiFloat, bearing;
  std::vector<std::vector<std::string>> bottomSlabs, topSlabs;
};

void BuildTexts(const TankActions& actions, const ProjectSettings& settings, AnalysisTexts& out);

// Fingerprints of the analysis input (hex of a 64-bit hash).
std::string ModelFingerprint(const Tank& tank);
std::string SettingsFingerprint(const ProjectSettings& settings);

std::string BoardName(const Board& board);

}  // namespace tobrin
