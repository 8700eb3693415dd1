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

#include <deque>
#include <vector>

// A plan segment of the slab-level check: two model points.
struct Segment3d {
  _3dPoint start;
  _3dPoint end;
};

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
