// The model editor of a design: the edit history (undo and redo stacks of
// whole-tank snapshots) and the model-building and model-editing operations.
//
// Apart from the history, no operation reads or writes state of the modeler:
// each works on its arguments only.  Operations never record history
// themselves; the host records a snapshot before it runs an edit command.
#pragma once

#include "platform/Morlak.h"
#include "platform/Quenby.h"

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class DetailingSettings;
class ProjectSettings;

// A plan segment of the slab-level check: two model points.
struct Segment3d {
  _3dPoint start;
  _3dPoint end;
};

// The plan record of one wall line (mm).  Records read from picked curves
// carry thickness 0 for straight segments and 1.0 for curved ones (a curved
// record keeps only its chord's end points).
struct WallLineRecord {
  double startX = 0.0;
  double startY = 0.0;
  double endX = 0.0;
  double endY = 0.0;
  double thickness = 0.0;
  int reserved = 0;
  int startCode = 0;  // handed to Board::SetWallStartCode
  int endCode = 0;    // handed to Board::SetWallEndCode
  double height = 0.0;
};

// A plan segment.
struct Segment2d {
  _2dPoint start;
  _2dPoint end;
};

// The slab-level edit: the slab, the new plane (origin, axes) with the slab's
// outline in it, the wall thickness of gap walls (mm) and the tank.
struct SlabLevelEdit {
  boost::shared_ptr<Board> slab;
  _3dPoint origin;
  _3dVector xAxis;
  _3dVector yAxis;
  std::vector<_2dPoint> outline;
  double wallThickness = 0.0;
  Tank* tank = nullptr;
};

// The host's record of a new regular tank: a grid of cellsX × cellsY equal
// cells over lengthX × lengthY from the origin's plan point.  Walls stand on
// the bottom-slab mid-plane (bottomElevation × 1000 − half the bottom slab
// thickness) and are wallHeight high; top slabs, when there are any, have
// their mid-plane wallHeight above it.
struct TankLayoutParams {
  _3dPoint origin;                  // mm; only x and y are used
  double lengthX = 0.0;             // mm
  double lengthY = 0.0;             // mm
  std::uint32_t cellsX = 1;         // number of cells along x
  std::uint32_t cellsY = 1;         // number of cells along y
  double wallHeight = 0.0;          // mm, bottom-slab mid-plane to top-slab mid-plane
  double wallThickness = 0.0;       // mm
  double bottomElevation = 0.0;     // m
  double bottomSlabThickness = 0.0; // mm
  bool hasTopSlab = false;
  double topSlabThickness = 0.0;    // mm
};

// One cell of a regular grid: plan points in order around the cell.
using CellOutline = std::vector<_2dPoint>;

class TankModeler {
 public:
  TankModeler() = default;

  // ---- Edit history --------------------------------------------------------
  // Appends a copy of `tank` to the undo stack and empties the redo stack.
  void PushHistory(const Tank& tank);
  // Nothing when the undo stack is empty; otherwise the current tank goes to
  // the redo stack and the undo top becomes the current tank.
  void Undo(Tank& tank);
  // The mirror of Undo.
  void Redo(Tank& tank);
  // Empties both stacks; the tank is untouched.
  void ClearHistory();
  // Drops the top of the undo stack (a recorded edit that changed nothing).
  void DropLastUndo() {
    if (!m_undo.empty()) m_undo.pop_back();
  }
  bool CanUndo() const { return !m_undo.empty(); }
  bool CanRedo() const { return !m_redo.empty(); }
  std::size_t UndoDepth() const { return m_undo.size(); }
  std::size_t RedoDepth() const { return m_redo.size(); }

  // Empties the tank; the history is not touched.
  void ClearTank(Tank& tank);

  // ---- Slab boards and board geometry -------------------------------------
  // A slab from plan corner points (closing side implied), thickness and
  // mid-plane level: origin at the first point, x axis along the first side,
  // y axis its left-hand perpendicular, half the thickness to each face.
  // False, board untouched, for fewer than three points.
  bool MakeSlabBoard(const std::vector<_2dPoint>& points, double thickness, double level, int kind,
                     Board* board) const;
  // A board from a frame and a local outline; false for fewer than three
  // local points.
  bool MakeBoardFromLocalOutline(const _3dPoint& origin, const _3dVector& xAxis,
                                 const _3dVector& yAxis, const std::vector<_2dPoint>& localOutline,
                                 double thickness, int kind, Board* board) const;
  // x and y of every world outline point, in order.
  std::vector<_2dPoint> GetBoardOutline2d(const boost::shared_ptr<Board>& board) const;
  // The z range of a board's outline; 0 and 0 when the object is not exactly
  // a Board.
  void GetBoardZRange(const boost::shared_ptr<VekObject>& object, double& zMin, double& zMax) const;
  // The lowest outline z and the height; false for an empty outline.
  bool GetBoardBottomAndHeight(const boost::shared_ptr<Board>& board, double& height,
                               double& bottomZ) const;
  // Appends the plan edge lines of a bottom slab, each line once.
  void CollectSlabEdgeLines(const boost::shared_ptr<VekObject>& object,
                            std::vector<_2dLine>& lines) const;
  // Marks the first edge of the board running between the two plan points
  // (either direction) as carrying the overhang.
  void MarkSlabOverhangEdges(const _2dPoint& start, const _2dPoint& end,
                             const boost::shared_ptr<Board>& board, double overhang) const;
  // Inserts p into the first side whose line it lies on, unless it equals an
  // end of that side.
  void InsertOutlinePoint(std::vector<_3dPoint>& outline, const _3dPoint& p) const;
  // Puts a and b on the outline and makes the outline run a, c, ..., d, b.
  void ReshapeOutline(std::vector<_3dPoint>& outline, _3dPoint a, _3dPoint b, _3dPoint c,
                      _3dPoint d) const;
  // True when the outer faces of both boards are turned toward each other
  // across the joint line.
  bool AreOuterFacesFacing(const boost::shared_ptr<Board>& a, const boost::shared_ptr<Board>& b,
                           const _3dLine& joint) const;
  // True when the segment a-b coincides with, overlaps or contains one of the
  // listed segments (tolerance 1 mm); segments that only touch end to end do
  // not count.
  bool IsSegmentOnLines(const _3dPoint& a, const _3dPoint& b,
                        const std::vector<Segment3d>& segments) const;

  // ---- Walls from picked curves -------------------------------------------
  // Appends one record per segment of the picked lines, polylines (the
  // closing segment of a closed polyline included, shaped by the last
  // vertex's bulge) and arcs: straight ones to `straight`, curved ones to
  // `curved`.  Other entities are skipped.  The lists are not cleared.
  void ReadWallLines(const std::vector<boost::shared_ptr<VekObject>>& entities,
                     std::vector<WallLineRecord>& straight,
                     std::vector<WallLineRecord>& curved) const;
  // Moves `start` (mode 1 or 3) and/or `end` (mode 2 or 3) onto a crossing
  // with one of `lines` closer than 0.75 × its width; true when the end(s)
  // asked for snapped.  widths[i] belongs to lines[i] (std::out_of_range when
  // missing).
  bool SnapWallLineEnds(const std::vector<Segment2d>& lines, const std::vector<double>& widths,
                        _2dPoint& start, _2dPoint& end, int mode) const;
  // Fills an empty board as the wall of the record standing at `baseLevel`;
  // false for a line shorter than the length tolerance.
  bool MakeWallBoard(const WallLineRecord& line, double baseLevel, Board* board) const;
  // Adds the wall of the record to the tank unless it is refused.
  void AddWall(const WallLineRecord& line, double baseLevel, Tank& tank) const;
  // The plan base line of a wall (first to last plan point of its outline).
  bool GetWallBaseLine(const boost::shared_ptr<VekObject>& object, _2dLine& out) const;

  // ---- Openings, notches and one-call edits -------------------------------
  // Adds a circular opening (picked _3dCircle) or a rectangular opening
  // (picked _2dPolyline of four distinct corners at right angles) to the
  // board, in the board's frame.  False, nothing added, for any other entity,
  // a target that is not exactly a Board, a shape that is no rectangle, or an
  // opening not lying inside the board's outline by at least 1 mm.  `reason`
  // (optional) receives a short text of why it was refused.
  bool AddHole(const boost::shared_ptr<VekObject>& entity, const boost::shared_ptr<VekObject>& board,
               Tank& tank, std::string* reason = nullptr) const;
  void FillCircleHole(const _3dCircle& circle, const _3dPoint& origin, const _3dVector& xAxis,
                      const _3dVector& yAxis, CircleHole* hole) const;
  // Sets the corners of every vertex in the board frame; false when they do
  // not form a rectangle (the hole is then left untouched).
  bool FillRectangleHole(const _2dPolyline& polyline, const _3dPoint& origin,
                         const _3dVector& xAxis, const _3dVector& yAxis,
                         RectangleHole* hole) const;
  // One notch per board of the list with the polyline's world outline.
  void AddNotch(const boost::shared_ptr<VekObject>& entity, int code,
                const std::vector<boost::shared_ptr<VekObject>>& boards, Tank& tank) const;
  void ClearEars(Tank& tank) const;
  void RemoveBoard(const boost::shared_ptr<StructureComponent>& board, Tank& tank) const;
  void AddBoardObject(const boost::shared_ptr<VekObject>& object,
                      const boost::shared_ptr<StructureComponent>& component) const;
  void RemoveBoardObject(const boost::shared_ptr<VekObject>& object,
                         const boost::shared_ptr<StructureComponent>& component) const;
  void EditObjectPair(const boost::shared_ptr<VekObject>& a, const boost::shared_ptr<VekObject>& b,
                      Tank& tank) const;
  void EditComponentUnits(const boost::shared_ptr<StructureComponentUnits>& unit, Tank& tank) const;
  void EditBoardPair(Tank& tank, const std::vector<BoardPtr>& boards) const;

  // ---- Regular tank layout and slabs from walls ---------------------------
  // Checks a layout record: cell counts and lengths positive, the wall
  // thinner than a cell, heights and thicknesses positive and finite.  False
  // with `error` naming the field otherwise.
  static bool ValidateLayout(const TankLayoutParams& params, std::string& error);
  // Builds and adds all boards of a regular tank (walls, then top slabs, then
  // bottom slabs, in one AddBoards call).  False, the tank unchanged, when
  // the record is refused by ValidateLayout (`error`, optional, says why).
  bool PlaceRegularBoards(const TankLayoutParams& params, Tank& tank,
                          std::string* error = nullptr) const;
  // Appends the wall records and cell outlines of the grid; false, nothing
  // appended, for a record ValidateLayout refuses.
  bool LayoutRegularGrid(const TankLayoutParams& params, std::vector<WallLineRecord>& walls,
                         std::vector<CellOutline>& cells) const;
  // One new slab of `kind` per closed region of the walls among `boards`.
  void MakeSlabsFromWalls(const std::vector<BoardPtr>& boards, std::vector<BoardPtr>& out, int kind,
                          double level, double thickness) const;
  // Replaces all bottom (top false) or top (top true) slabs by slabs made
  // from the tank's walls.
  void RebuildSlabsOfKind(double level, double thickness, bool top, Tank& tank) const;
  static void RemoveBoardsOfKind(int kind, Tank& tank);
  void GetWallBaseLines(const Tank& tank, std::vector<_2dLine>& out) const;
  // One slab over the loop of wall lines around the point; true when added.
  bool AddSlabFromLines(const _2dPoint& point, Tank& tank, bool top, double level,
                        double thickness) const;

  // ---- Tank from picked face lines -----------------------------------------
  // Recognises walls in the picked face lines (pairs of parallel lines),
  // cuts them where they cross and adds the walls, the top slabs (when the
  // settings have them) and the bottom slabs in one AddBoards call.
  // `unpaired` (optional) receives the straight face lines that formed no
  // wall.
  void BuildTankFromCurves(const std::vector<boost::shared_ptr<VekObject>>& entities,
                           const ProjectSettings& settings, Tank& tank,
                           std::vector<WallLineRecord>* unpaired = nullptr) const;
  // Appends the recognised wall records to `out`; `lines` is consumed (empty
  // afterwards), `curves` only read.
  void GenerateWalls(const ProjectSettings& settings, std::vector<WallLineRecord>& lines,
                     const std::vector<WallLineRecord>& curves, int topSlabFlag,
                     std::vector<WallLineRecord>& out,
                     std::vector<WallLineRecord>* unpaired = nullptr) const;

  // ---- Wall edits, joins and reshaping -------------------------------------
  bool SnapToExistingWalls(const Tank& tank, _2dPoint& start, _2dPoint& end, int mode) const;
  // One wall per segment at `base`; std::out_of_range, nothing added, when a
  // parallel list is shorter than the segment list.  The number of walls
  // added is returned.
  std::size_t AddWallBoards(const std::vector<Segment2d>& lines, const std::vector<double>& heights,
                            const std::vector<double>& thicknesses, double base, Tank& tank) const;
  // Makes two walls meet: collinear walls merge into one, others are
  // extended to the crossing of their base lines.  The new walls keep the
  // openings, notches, loads, grades and face offsets of the walls they
  // replace.  False, the tank unchanged, when nothing applies or an opening
  // would fall outside the new wall (`reason` says why).
  bool JoinWalls(const boost::shared_ptr<VekObject>& a, const boost::shared_ptr<VekObject>& b, Tank& tank,
                 std::string* reason = nullptr) const;
  bool MergeCollinearWalls(const BoardPtr& a, const BoardPtr& b, const _2dLine& lineA, const _2dLine& lineB,
                           Tank& tank, std::string* reason = nullptr) const;
  bool ExtendWallsToMeet(const BoardPtr& a, const BoardPtr& b, const _2dLine& lineA, const _2dLine& lineB,
                         Tank& tank, std::string* reason = nullptr) const;
  // Reshapes the walls around a slab moved to a new level; walls that
  // collapse leave the tank and both lists.
  void CutBoard(const BoardPtr& slab, Tank& tank, std::vector<Segment3d>& segments,
                std::vector<BoardPtr>& walls) const;
  // True when the board was split along the line and replaced by its pieces.
  bool SplitBoard(const BoardPtr& board, const _3dLine& line, Tank& tank) const;
  void EditBoardList(const std::vector<boost::shared_ptr<VekObject>>& objects, Tank& tank) const;
  void ReworkBoards(const std::vector<BoardPtr>& boards, Tank& tank) const;

  // ---- Slab level edit -----------------------------------------------------
  // Rebuilds the slab on the new plane, keeping its openings, notches, loads,
  // grades and face offsets.  False, the tank unchanged, when the outline is
  // refused or the slab would conflict with a slab of the other kind (then a
  // message is shown and, when given, written to `message`).
  bool ModifySlabLevel(SlabLevelEdit edit, std::string* message = nullptr) const;
  bool CheckSlabConflict(const Tank& tank, const BoardPtr& slab, int& otherNumber) const;
  void CollectSlabJoints(const BoardPtr& slab, const Tank& tank, std::vector<BoardPtr>& walls,
                         std::vector<Segment3d>& wallSegments, std::vector<BoardPtr>& others,
                         std::vector<Segment3d>& otherSegments) const;
  void CollectOuterWalls(const std::vector<BoardPtr>& walls, const Tank& tank, std::vector<BoardPtr>& out) const;
  void MakeGapWalls(const BoardPtr& slab, const Tank& tank, const std::vector<Segment3d>& slabSegments,
                    const std::vector<BoardPtr>& slabs, const std::vector<Segment3d>& wallSegments,
                    double wallThickness, std::vector<BoardPtr>& out) const;

  // ---- Board height edit and owner lookup ----------------------------------
  // The board of the stack the level falls in; the level becomes relative to
  // it and the boards above it are appended to `above`.  False when the
  // level lies exactly on a board's top or the list is empty.
  bool SelectStackBoardAtLevel(std::vector<BoardPtr> boards, BoardPtr& result, int& level, Tank& tank,
                               std::vector<BoardPtr>& above) const;
  // Gives the board the height `level` above the edge where it rests on its
  // lowest bottom slab (or hangs from its lowest top slab); nothing when it
  // meets neither.
  void SetBoardHeight(const BoardPtr& board, double level, Tank& tank) const;
  void CollectAdjoiningTopSlabs(Tank& tank, const std::vector<StructureComponentPtr>& components,
                                std::vector<BoardPtr>& out) const;
  bool FindOwner(boost::shared_ptr<VekObject> object, const Tank& tank, TankCellPtr& cell) const;

  // ---- Haunches -----------------------------------------------------------
  // Removes every haunch and rebuilds them from the detailing settings.
  void BuildEars(Tank& tank, const DetailingSettings& settings) const;
  // True when another board meets `a` along the same edge and lies inside the
  // angle between a and b.
  bool IsJointCoveredByThirdBoard(const BoardPtr& a, const BoardPtr& b, const _3dLine& joint,
                                  const Tank& tank) const;

  // ---- Notches with face offsets and opening edits ------------------------
  // Moves every notch of the board by `offset` along its normal (against it
  // for notches on the lower face when byFace is true).
  void OffsetNotches(const BoardPtr& board, double offset, bool byFace) const;
  // For board i, removes (edits) the opening of index indices[i] among its
  // notches (*kind 4) or its other openings.  std::out_of_range when the
  // index list is shorter than the board list.
  void EditBoardHoles(const std::vector<int>& indices, const int* kind,
                      const std::vector<BoardPtr>& boards) const;

  // ---- Outer wall faces and slab overhangs --------------------------------
  // Resets both faces of every wall to inner, then marks the face toward the
  // outside of the plan as outer for every wall on the outline of the walls.
  void MarkOuterWallFaces(Tank& tank) const;
  // Marks the bottom-slab edges on the outline of all bottom slabs together
  // as carrying the overhang; clears the marks first.
  void MarkSlabOverhangs(Tank& tank, double overhang) const;

  // ---- Default edge restraints --------------------------------------------
  // Gives every edge of every board its default restraint code from the kinds
  // of the boards meeting it there (replacing earlier restraints).
  void ClassifyBoardEdges(Tank& tank, int wallTopCode, int topSlabEdgeCode,
                          int bottomSlabEdgeCode) const;

 private:
  std::deque<Tank> m_undo;
  std::deque<Tank> m_redo;
};

// True when the tank has at least one top slab (a Board of kind 2).
bool IsTopSlab(const Board& board);
bool HasTopSlab(const Tank& tank);

// Orderings: by y (equal within 0.1), then by x; and by z.
bool PointYThenXLess(const _2dPoint& p, const _2dPoint& q);
bool PointZLess(const _3dPoint& p, const _3dPoint& q);
