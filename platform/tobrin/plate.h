// Plate bending of one board: a Kirchhoff plate meshed with conforming
// Bogner–Fox–Schmit rectangles (bicubic Hermite; 16 unknowns per element:
// w, ∂w/∂x, ∂w/∂y, ∂²w/∂x∂y at each corner) on a structured grid.
//
// Geometry (board-local, mm): the outline is a polygon whose edges are all
// parallel to the x or y axis -- a plain rectangle, or an orthogonal outline
// such as an L-shaped board -- given by its corners in order (either turning
// sense; do not repeat the first corner).  Edge i runs from corner i to
// corner i + 1 and carries restraint i (fixed, simply supported, free; see
// common.h).  PlateInput::Rectangle numbers the four edges bottom (y = 0),
// right, top, left, the order the calculation book prints them in.  A
// straight side split by an extra corner is two edges, so one side may have
// two restraints.  Rectangular openings are cut out of the board; their
// edges are free.
//
// Decision on outlines: boards with more than four edges are meshed by the
// same structured grid when every edge is parallel to an axis (the grid
// passes through every corner and every opening edge; the cells inside the
// outline and outside all openings are kept).  A sloped edge is refused as
// InvalidInput: a staircase would move the support and the caller should
// rather fall back to the bounding rectangle or to a one-way strip.
//
// Mesh: `divisions` elements across the narrowest cross-section of the
// outline (the shorter side of a rectangle, the width of an L-shape's arm),
// but at most 8·divisions along the longer side of the bounding box; every
// interval between neighbouring grid lines (outline corners, opening edges)
// is split into equal elements no longer than that size.  16 divisions give
// the tables' moments within a few tenths of a percent.
//
// Units: lengths mm, thickness mm, E in N/mm² (MPa), pressures kPa, line
// loads kN/m, point loads kN.  Results: deflections mm, moments kN·m per
// metre, reactions kN.  Loads and signs follow common.h: q along +normal,
// moments positive for upper-face tension.  Moment components:
//     Mx = -D (w,xx + ν w,yy)   (bending about y; the moment bars along x carry)
//     My = -D (w,yy + ν w,xx)
//     Mxy = -D (1 - ν) w,xy     (tensor component; see PlateMoments::Rotated)
// with D = E h³ / (12 (1 - ν²)).
//
// Moment recovery: the elements' bending moments are sampled at their 2 × 2
// Gauss points (where the bicubic element is most accurate) and a
// biquadratic is fitted to the samples of the four elements around each
// node (superconvergent patch recovery); the node takes the fitted value,
// and a point inside an element blends the polynomials of the element's
// corners bilinearly.  Twisting moments are averaged from the element
// corners.  Plain corner averaging would leave an error of about q·h²/12 at
// every node.  Deflections come from the element's own bicubic field.
// Nodes on fixed edges carry the support moments; the moment along an edge
// is read from the nodes on it and from the recovered field at the quarter
// points between them.  Where a free edge meets a supported one, grid lines
// at a quarter and a half element from the corner resolve the steep peak of
// the support moment there.
//
// Several load cases of one board share the factorised stiffness: build a
// PlateModel once and call Solve per case, then combine the linear results
// with PlateResult::Accumulate.
//
// A board the supports do not hold (all edges free, a single simply
// supported edge it can turn about, a part cut loose by openings) is
// reported as Singular with a reason.  The test is exact: each connected
// part of the mesh can only move as a rigid plane w = a + b·x + c·y, and it
// is held when the restraints of its nodes leave none of these motions
// free.  A factorisation that breaks down numerically is reported the same
// way.  No result values are handed out then.
//
// Decision on corner and edge nodes: a node on two supported edges takes
// both edges' restraints (the corner of two simply supported edges keeps its
// twist free, so the corner forces of the classic solution appear); its
// support force is shared equally by the two edges in EdgeReaction.
#pragma once

#include "platform/tobrin/common.h"

#include <array>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace tobrin {

struct PlatePoint {
  double x = 0.0, y = 0.0;  // mm
};

// Rectangular opening, corners in mm.
struct PlateOpening {
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
};

// Pressure over a rectangular region (the whole board by default), varying
// bilinearly: q(x, y) = q0 + gx·x + gy·y + gxy·x·y kPa, with x, y in mm (gx,
// gy in kPa per mm, gxy in kPa per mm²).  The parts of the region outside
// the board or in openings carry nothing.  Several loads over adjoining
// regions make a broken-line pressure (earth pressure above and below the
// groundwater level, water below the top of a wall).
struct PlateAreaLoad {
  double q0 = 0.0, gx = 0.0, gy = 0.0, gxy = 0.0;
  double x0 = -std::numeric_limits<double>::infinity();
  double y0 = -std::numeric_limits<double>::infinity();
  double x1 = std::numeric_limits<double>::infinity();
  double y1 = std::numeric_limits<double>::infinity();

  static PlateAreaLoad Uniform(double q);
  // q1 at y = ya and q2 at y = yb, linear in between and nothing outside
  // the band between ya and yb (either order).  Hydrostatic pressure on a
  // wall of height H with water to level hw above its base (y = 0):
  // AlongY(0, γw·hw, hw, 0).
  static PlateAreaLoad AlongY(double ya, double q1, double yb, double q2);
  static PlateAreaLoad AlongX(double xa, double q1, double xb, double q2);
};

struct PlatePointLoad {
  double x = 0.0, y = 0.0;  // mm
  double p = 0.0;           // kN along +normal
};

// Line load from (x0, y0) to (x1, y1), intensity p0 at the start and p1 at
// the end (kN/m along +normal), varying linearly.
struct PlateLineLoad {
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
  double p0 = 0.0, p1 = 0.0;
};

struct PlateLoadCase {
  std::vector<PlateAreaLoad> areas;
  std::vector<PlatePointLoad> points;
  std::vector<PlateLineLoad> lines;
};

struct PlateInput {
  std::vector<PlatePoint> outline;
  std::vector<EdgeRestraint> restraints;  // one per outline edge
  std::vector<PlateOpening> openings;
  double thickness = 0.0;       // mm
  double elasticModulus = 0.0;  // N/mm²
  double poisson = 0.2;         // concrete
  int divisions = 16;

  // Rectangle lx × ly with its lower-left corner at the origin; restraints
  // in the order bottom, right, top, left.
  static PlateInput Rectangle(double lx, double ly, const std::array<EdgeRestraint, 4>& restraints,
                              double thickness, double elasticModulus, double poisson,
                              int divisions = 16);
};

// Moment intensities (kN·m/m) at a point.
struct PlateMoments {
  double mx = 0.0, my = 0.0, mxy = 0.0;
  // The components in axes turned by `angle` (radians, counter-clockwise)
  // from x: mx of the result is the moment carried by bars at that angle.
  PlateMoments Rotated(double angle) const;
};

struct PlateNodeResult {
  double x = 0.0, y = 0.0;  // mm
  double w = 0.0;           // mm
  PlateMoments m;
  bool onSupport = false;  // on a fixed or simply supported outline edge
};

// Extremes of the moment components over the nodes of a region.
struct PlateExtremes {
  double maxMx = 0.0, minMx = 0.0, maxMy = 0.0, minMy = 0.0;
  PlatePoint maxMxAt, minMxAt, maxMyAt, minMyAt;
};

// Moment along one outline edge: the component the bars crossing the edge
// carry (My on an edge parallel to x, Mx on an edge parallel to y).
struct PlateEdgeMoment {
  double max = 0.0, min = 0.0;  // largest and smallest along the edge
  PlatePoint maxAt, minAt;
  double governing = 0.0;  // the one of max and min with the larger magnitude
  double mid = 0.0;        // at the edge midpoint
};

struct PlateMesh;  // the grid, shared by a model and its results

class PlateResult {
 public:
  PlateResult() = default;

  SolveStatus Status() const { return m_status; }
  bool Ok() const { return m_status == SolveStatus::Ok; }
  const std::string& Reason() const { return m_reason; }

  // Unknowns of the solved system (after removing the restrained ones).
  int Unknowns() const { return m_unknowns; }
  // Number of elements along x and y of the grid (removed ones included).
  int GridCellsX() const;
  int GridCellsY() const;

  const std::vector<PlateNodeResult>& Nodes() const { return m_nodes; }
  // Values at the centre of every kept element.
  const std::vector<PlateNodeResult>& Centres() const { return m_centres; }

  // Deflection (mm) and moments (kN·m/m) at a point of the board; a point
  // outside the board or in an opening gives false and zeros.
  bool DeflectionAt(double x, double y, double& w) const;
  bool MomentsAt(double x, double y, PlateMoments& m) const;

  // Extremes over the whole board (includeSupports = true) or over its span
  // only: every node except those on fixed or simply supported outline
  // edges (nodes on free edges and opening edges belong to the span).
  PlateExtremes Extremes(bool includeSupports) const;
  // Moment along outline edge `edge` (index into PlateInput::outline).
  // Returns false for an index out of range or a failed result.
  bool EdgeMoment(int edge, PlateEdgeMoment& out) const;

  // Loads and support forces along +normal, kN.  The sum of the edge
  // reactions and the total load is zero; a node on two supported edges
  // gives half its force to each.
  double TotalLoad() const { return m_totalLoad; }
  double TotalReaction() const;
  double EdgeReaction(int edge) const;

  // this += factor · other, for combining load cases of the same model.
  // A default-constructed (empty) result starts the sum as zero on the
  // other's mesh.  Both must come from the same PlateModel; a failed
  // operand makes the sum fail with its reason.  Throws
  // std::invalid_argument for results of different models.
  void Accumulate(const PlateResult& other, double factor);

 private:
  friend class PlateModel;
  void Fail(SolveStatus status, std::string reason);
  // Nodal and centre moments from the element fields (see plate.cpp).
  void Recover();
  // Value of node `node`'s recovered polynomial of mx (component 0) or my
  // (1) at (x, y), mm.
  double FitValue(int node, int component, double x, double y) const;

  bool m_empty = true;  // default-constructed: neither solved nor failed
  SolveStatus m_status = SolveStatus::InvalidInput;
  std::string m_reason = "not solved";
  std::shared_ptr<const PlateMesh> m_mesh;
  int m_unknowns = 0;
  std::vector<double> m_u;  // all nodal unknowns, metres and radians
  std::vector<PlateNodeResult> m_nodes, m_centres;
  std::vector<double> m_fit;  // per node: polynomial coefficients of mx, then my
  std::vector<double> m_edgeReaction;
  double m_totalLoad = 0.0;
};

class PlateModel {
 public:
  explicit PlateModel(const PlateInput& input);
  ~PlateModel();
  PlateModel(const PlateModel&) = delete;
  PlateModel& operator=(const PlateModel&) = delete;

  // Status of meshing and factorisation: Ok, InvalidInput or Singular.
  SolveStatus Status() const { return m_status; }
  bool Ok() const { return m_status == SolveStatus::Ok; }
  const std::string& Reason() const { return m_reason; }
  int Unknowns() const;

  // Solves one load case; a model that is not Ok gives its own status.  A
  // point or line load outside the board (or in an opening) and a
  // non-finite load value give InvalidInput.
  PlateResult Solve(const PlateLoadCase& loads) const;

 private:
  struct Impl;
  SolveStatus m_status = SolveStatus::InvalidInput;
  std::string m_reason;
  std::shared_ptr<const PlateMesh> m_mesh;
  std::unique_ptr<Impl> m_impl;
};

// Builds the model and solves one load case.
PlateResult SolvePlate(const PlateInput& input, const PlateLoadCase& loads);

}  // namespace tobrin
