// Whole-tank analysis with flat shell elements: the tank is one folded-plate
// model, every board meshed with four-node flat shells, boards joined
// monolithically where they meet, openings cut out, bottom slabs on Winkler
// springs.
//
// Element: a four-node flat shell with six unknowns per node in world axes
// (three displacements, three rotations).  In the board's own frame it is
// the MITC4 Reissner–Mindlin plate (bilinear deflection and rotations, the
// transverse shear strains assumed and tied at the edge midpoints, so thin
// boards do not lock) plus a bilinear membrane, and a small drilling
// stiffness that ties the rotation about the board normal to the
// membrane's own in-plane rotation (so it costs nothing under rigid
// motion).  Where boards meet at a fold, the bending rotations of one board
// meet the membrane and drilling rotations of the other: the joint is
// monolithic.
//
// Mesh: only tanks whose boards lie in world planes x, y or z = const with
// outline edges parallel to the world axes are meshed (the regular tanks:
// walls along x or y, horizontal slabs); any other board gives InvalidInput.
// Grid planes x, y, z = const are collected from every board corner and every
// opening corner (joint lines are board edges, so they are among them);
// coordinates closer than min(10 mm, elementSize / 20) (10 mm when the mesh
// is sized from the boards) are merged into one plane, and every interval
// between neighbouring planes is split into equal parts no longer than the
// element size there: elementSize when it is given, else the smallest of
// the sizes asked for by the boards that cover the interval (each board
// asks for minElementsAcross elements across its shorter span, along both
// of its axes; 20 keep the support and span moments of a wall within 2 %
// of the converged plate), all scaled up by one factor when the model
// would pass maxElements.  Every board is meshed with the grid
// planes that cross it, so neighbouring boards share their nodes along the
// joints.  A grid cell belongs to a board when its centre lies inside the
// board's outline and outside every opening.  Rectangular openings and
// notches are cut out exactly along grid planes through their corners; a
// circular opening is cut out as a staircase of the grid cells whose centres
// lie inside the circle, on a grid that passes through its bounding square.
//
// Supports: boards of kind 1 (bottom slabs) rest on Winkler springs of
// modulus subgradeModulus along their normal, plus springs one hundredth as
// stiff in their plane (the friction of the ground), which hold the tank
// against sliding and turning in plan under loads that are not balanced.
// An edge of a board is joined to another board where that board holds
// both nodes of a stretch of the edge (it is attached along it); a node
// shared at a single point (the end of a wall's free top edge, where the
// neighbouring wall's side meets it) joins nothing.
// A tank none of whose parts rests on a bottom slab, or a board that is not
// joined (along at least two nodes) to a part that does, is a mechanism and
// gives Singular with the board named; a stiffness whose factorisation
// shows a (numerically) zero or negative pivot is reported the same way.
//
// Solver: the stiffness is ordered (minimum degree) and factorised once by
// a supernodal Cholesky (cholesky.h); every load case is a solve on that
// factor, and SolveAll solves them a block of right-hand sides at a time,
// keeping only each loading's moments (memory stays near that of the
// factor however many loadings there are).  The assembled stiffness is
// freed as soon as the factorisation holds its own permuted copy.  The long
// steps are reported through ShellOptions::progress.
//
// Units: lengths mm, E in N/mm², pressures kPa (along the board's +normal),
// line loads kN/m, point loads kN, unit weight kN/m³, subgrade modulus
// kN/m³.  Moments kN·m per metre, positive for tension on the board's upper
// face (the positive side of its normal; common.h).
//
// Results per board (moments.h): inside a board the nodal moments are the
// element moments at the 2 × 2 Gauss points, extrapolated to the element
// corners and averaged over the board's own elements at each node; at a
// node on the board's outline or on an opening edge, where a row of
// bilinear elements cannot show the moment's slope across the edge, the
// element means of three element rows are extrapolated to the node (patch
// recovery): inside a straight stretch of an edge joined to another board
// or held by a support, from the two element columns beside the node
// (quadratic across the edge, linear along it, so a support moment that
// peaks over a short stretch of the edge is not flattened), elsewhere from
// a quadratic fitted by least squares to the three rows around the node;
// support moments converge like the span moments.  Only the board's own
// elements count: at a joint every board shows its own moment.  The
// span extremes run over the board's nodes that do not lie on a board edge
// joined to another board (nodes on free edges and opening edges belong to
// the span); in the band along a joined edge (kSpanBandFraction of the
// board's width across it) the moments of the edge's own sense are the
// support's and stay out of the span, the moments of the other sense count;
// an edge's extremes run over the nodes on that edge and take the moment
// component across the edge (the moment the bars crossing the edge carry).
#pragma once

#include "platform/quenby/board.h"
#include "platform/tobrin/common.h"
#include "platform/tobrin/moments.h"
#include "platform/tobrin/plate.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tobrin {

class SparseCholesky;

// The element count the automatic mesh stays within: it keeps a tank of
// 10 × 10 cells of 4 m (about 400 000 unknowns) within half a minute and 1.5 GB.
constexpr long long kShellDefaultMaxElements = 75000;

struct ShellOptions {
  double poisson = 0.2;
  double subgradeModulus = 20000.0;  // kN/m³, Winkler springs under boards of kind 1 (bottom slabs)
  // Largest element side, mm; 0 sizes the mesh from the boards: at least
  // minElementsAcross elements across each board's shorter span, at most
  // about maxElements elements in all (0: no limit).
  double elementSize = 0.0;
  int minElementsAcross = 20;
  long long maxElements = kShellDefaultMaxElements;
  double unitWeight = 25.0;  // kN/m³
  // Called before each long step (meshing, ordering, factorising, each load
  // case): percent of the whole model's work and a short text.
  std::function<void(int percent, const std::string& step)> progress;
};

// An extra support of the mesh nodes that lie on the world segment a–b
// (within 1 mm): the flagged displacements (x, y, z) and rotations (about
// x, y, z), in world axes, are held at zero.  The tank itself needs none
// (its bottom slabs rest on springs); isolated boards and checks against
// classic plate solutions do.
struct ShellLineSupport {
  _3dPoint a, b;
  std::array<bool, 3> translations{true, true, true};
  std::array<bool, 3> rotations{true, true, true};
};

// One loading of the whole tank: board loads and the self-weight factor.
struct ShellLoading {
  TankCaseLoads loads;
  double selfWeightFactor = 0.0;
};

// A loading as a sum of basic loadings: the sum of a base (an earlier
// combination's moments, or none) and factor × each term's basic loading.
struct ShellTerm {
  std::size_t basic = 0;
  double factor = 0.0;
};
struct ShellCombination {
  int base = -1;  // index of an earlier combination, -1: none
  std::vector<ShellTerm> terms;
};

// Values at one node of one board.
struct ShellBoardNode {
  _2dPoint local;        // board-local position, mm
  _3dVector displacement; // world axes, mm
  PlateMoments m;        // kN·m/m in the board's local x/y axes
  bool joined = false;   // on a board edge joined to another board
};

// A solved load case with the nodal values behind the moment extremes.
class ShellResult {
 public:
  SolveStatus Status() const { return m_status; }
  const std::string& Reason() const { return m_reason; }
  const TankCaseMoments& Moments() const { return m_moments; }
  // Nodes of board `board` (empty for an index out of range or a failure).
  const std::vector<ShellBoardNode>& BoardNodes(int board) const;
  // The node of board `board` nearest to the local point; nullptr for a bad
  // index or a failed result.
  const ShellBoardNode* NearestNode(int board, double x, double y) const;

 private:
  friend class ShellTankModel;
  SolveStatus m_status = SolveStatus::InvalidInput;
  std::string m_reason = "not solved";
  TankCaseMoments m_moments;
  std::vector<std::vector<ShellBoardNode>> m_nodes;
};

class ShellTankModel {
 public:
  ShellTankModel(const std::vector<BoardPtr>& boards, const std::vector<double>& elasticModuli,
                 const ShellOptions& options);
  // The same with extra supports (see ShellLineSupport).
  ShellTankModel(const std::vector<BoardPtr>& boards, const std::vector<double>& elasticModuli,
                 const ShellOptions& options, const std::vector<ShellLineSupport>& supports);
  ~ShellTankModel();
  ShellTankModel(const ShellTankModel&) = delete;
  ShellTankModel& operator=(const ShellTankModel&) = delete;

  SolveStatus Status() const { return m_status; }
  const std::string& Reason() const { return m_reason; }
  int Unknowns() const;
  int Nodes() const;
  int Elements() const;
  // Per board: the elements across its shorter span (the grid intervals
  // of its mesh along the shorter side of its extent) and its largest
  // element side, mm; empty for a model that was not built.
  struct BoardMeshSize {
    int across = 0;
    double elementSize = 0.0;
  };
  std::vector<BoardMeshSize> BoardMeshSizes() const;

  // loads[i] for boards[i] in that board's local frame (moments.h),
  // pressures along the board's +normal; selfWeightFactor × unitWeight ×
  // thickness is added as gravity (world −z) on every board (walls carry it
  // in-plane); out: one BoardMoments per board.  On failure out holds one
  // zero entry per board (with its edges) and reason says why.
  SolveStatus Solve(const TankCaseLoads& loads, double selfWeightFactor, TankCaseMoments& out,
                    std::string& reason) const;
  // The same, keeping the nodal values.
  ShellResult SolveDetailed(const TankCaseLoads& loads, double selfWeightFactor) const;
  // Every loading on the one factorisation (right-hand sides solved a
  // block at a time); out[i] for loadings[i].  On failure every entry holds
  // zero moments and reason says why.
  SolveStatus SolveAll(const std::vector<ShellLoading>& loadings, std::vector<TankCaseMoments>& out,
                       std::string& reason) const;
  // Every basic loading solved once on the factorisation and each
  // combination's moments from the sum of its basics' moments at the nodes (the
  // model is linear: the moments of solving the combined loads, to
  // round-off); out[i] for combinations[i].  Many loadings that are sums of
  // a few basic ones (load cases, cell patterns, combinations) then cost a
  // few solves.  On failure every entry holds zero moments and reason says
  // why.
  SolveStatus SolveCombined(const std::vector<ShellLoading>& basics, const std::vector<ShellCombination>& combinations,
                            std::vector<TankCaseMoments>& out, std::string& reason) const;
  // The same for the model's last solve: the factorisation (most of the
  // model's memory) is freed as soon as the basic loadings are solved, so
  // the combinations are summed beside the basics' moments alone.  After
  // it, succeeding or not, every solve of the model fails.
  SolveStatus SolveCombinedReleasing(const std::vector<ShellLoading>& basics,
                                     const std::vector<ShellCombination>& combinations,
                                     std::vector<TankCaseMoments>& out, std::string& reason);

 private:
  struct Impl;
  void Build(const std::vector<BoardPtr>& boards, const std::vector<double>& elasticModuli,
             const ShellOptions& options, const std::vector<ShellLineSupport>& supports);
  // SolveCombined, freeing `release` (the model's factorisation, or none)
  // once the basic loadings are solved.
  SolveStatus SolveCombined(const std::vector<ShellLoading>& basics, const std::vector<ShellCombination>& combinations,
                            std::vector<TankCaseMoments>& out, std::string& reason, SparseCholesky* release) const;
  SolveStatus m_status = SolveStatus::InvalidInput;
  std::string m_reason = "not built";
  std::vector<std::size_t> m_edgeCounts;  // per board, for the zero results of a failure
  std::unique_ptr<Impl> m_impl;
};

}  // namespace tobrin
