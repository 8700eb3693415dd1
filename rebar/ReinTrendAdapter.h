// The rebar trend map of a tank: for every line of the tank where board edges
// meet, which edge the bars of a face run on into (the continuation partner),
// which edges only stand on the line (attached), and which boards are abutted
// by an edge without an edge of their own there.  Built once per design run
// from the tank's geometry (a snapshot: later model changes are not seen) and
// asked by the layout steps where bars continue, whether an edge needs bars
// of its own on a face, and which bar set a joint zone takes.
//
// Face flag everywhere: true = upper face (slab top, wall outer side, the
// positive side of the board normal), false = lower face.
#pragma once

#include "platform/Quenby.h"

#include <boost/shared_ptr.hpp>

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One edge of one board.  edgeIndex -1: the board has no edge of its own on
// the line in question (it is crossed or abutted there).  isPartner marks a
// continuation partner inside the lists of the trend map; it takes no part in
// ordering or lookup.
struct BoardEdgeRef {
  BoardPtr board;
  int edgeIndex = 0;
  bool isPartner = false;

  BoardEdgeRef() = default;
  BoardEdgeRef(const BoardPtr& b, int index, bool partner = false)
      : board(b), edgeIndex(index), isPartner(partner) {}

  // Empties the board and clears the mark; the index is kept.
  void Clear() {
    board.reset();
    isPartner = false;
  }
  // The board's edge at edgeIndex; std::out_of_range for a bad index or no
  // board.
  BoardEdge GetEdge() const;
  void Assign(const BoardEdgeRef& other) { *this = other; }

  // Same board and edge index (the mark is ignored).
  bool IsSame(const BoardEdgeRef& other) const {
    return !board.owner_before(other.board) && !other.board.owner_before(board) && edgeIndex == other.edgeIndex;
  }
};

// Key order of the maps: by board identity, then by edge index.
struct BoardEdgeRefLess {
  bool operator()(const BoardEdgeRef& a, const BoardEdgeRef& b) const {
    if (a.board.owner_before(b.board)) return true;
    if (b.board.owner_before(a.board)) return false;
    return a.edgeIndex < b.edgeIndex;
  }
};

struct BoardEdgeRefPair {
  BoardEdgeRef first;
  BoardEdgeRef second;
};

struct BoardJointRecord {
  BoardPtr boardA;
  BoardPtr boardB;
  BoardJointPtr joint;
};

// A bar set: diameter and spacing in mm and the grade name.
struct BarSet {
  int diameter = 0;
  int spacing = 1000;
  std::string grade = "HPB235";
};

// The first of four bar sets whose weighted area (given alongside) is the
// largest, equal areas within 1e-4 counting as the largest.
const BarSet& FirstStrongestSet(const BarSet& s1, double a1, const BarSet& s2, double a2, const BarSet& s3,
                                double a3, const BarSet& s4, double a4);

// Area per metre of a bar set weighted by its design strength against
// "HPB235": d·d·π·250/s · fy(grade)/fy("HPB235"), mm²/m.  0 for a spacing of
// 0 or less (no bars).
double EquivalentArea(const BarSet& bars);

// Per-edge values of the bar-end treatments, worked out once per adapter
// (rebar/BarEnds.cpp).
struct BarEndMemo;

class ReinTrendAdapter {
 public:
  using RefList = std::vector<BoardEdgeRef>;

  explicit ReinTrendAdapter(const Tank& tank);
  ReinTrendAdapter(const ReinTrendAdapter&) = default;
  ReinTrendAdapter& operator=(const ReinTrendAdapter&) = default;
  virtual ~ReinTrendAdapter();

  // ---- Records (read-only views for tests and callers) ---------------------
  const std::map<BoardEdgeRef, RefList, BoardEdgeRefLess>& GetTrendMap() const { return m_trends; }
  const std::map<BoardEdgeRef, RefList, BoardEdgeRefLess>& GetLineNeighbourMap() const { return m_lineNeighbours; }
  const std::map<BoardEdgeRef, BoardEdgeRef, BoardEdgeRefLess>& GetAbutmentMap() const { return m_abutments; }
  const std::vector<BoardJointRecord>& GetJoints() const { return m_joints; }

  // Angle between the inward directions of boards a and b at a 3D line: π for
  // boards continuing in one plane, π/2 for a wall standing on a slab.
  static double GetBoardsAngleAtLine(const BoardPtr& a, const _3dLine& line, const BoardPtr& b);

  // ---- Small lookups -------------------------------------------------------
  int CountTrendRefs(const BoardEdgeRef& ref) const;
  bool HasTrendRefs(const BoardEdgeRef& ref) const { return CountTrendRefs(ref) != 0; }
  // Copy the trend entry (or the line neighbours) into `out`; without an entry
  // `out` is left as it was.
  void GetTrendRefs(const BoardEdgeRef& ref, RefList& out) const;
  void GetLineNeighbours(const BoardEdgeRef& ref, RefList& out) const;
  // Every partner of the trend entry is copied into `out` in turn (the last
  // stays); true only when there was exactly one.
  bool GetSinglePartner(const BoardEdgeRef& ref, BoardEdgeRef& out) const;
  // The abutted board (edge index -1); `side` true when the ref's edge
  // direction makes more than π/2 with that board's normal.  False without an
  // abutment, outputs untouched.
  bool GetAbutment(const BoardEdgeRef& ref, BoardEdgeRef& out, bool& side) const;
  // Angle of the board and `other` at the edge's line carried to model space.
  double GetEdgeAngle(const BoardPtr& board, const BoardEdge& edge, const BoardPtr& other) const;
  // 1 when the edge runs within π/4 (inclusive) of the board's X bar
  // direction, else 0.
  int IsEdgeAlongReinX(const BoardEdgeRef& ref) const;
  // The support bars of the edge on the face ((0, 1000, "HPB235") for edge
  // index -1) and the board's face bars that cross the edge (the Y bars when
  // the edge runs along X, else the X bars).
  void GetEdgeBarSets(const BoardEdgeRef& ref, bool face, BarSet& edgeBars, BarSet& crossingBars) const;
  // The edge's support bars outweigh the crossing face bars (strictly).
  bool IsStrongerRein(const BoardEdgeRef& ref, bool face) const;

  // ---- Partner queries -----------------------------------------------------
  // Each writes an out ref and an out face only where it finds an answer; the
  // bool forms tell whether it did.
  void GetPartnerFace(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const;
  // Where the bars of the face continue.  False (outputs untouched) when the
  // ref has no single partner and no two partners to choose from.
  bool GetContinuation(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const;
  // GetPartnerFace for an entry of one element, else GetContinuation; false
  // without an entry (outputs untouched).
  bool GetReinTrend(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const;
  bool GetPartnerBehindFace(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const;
  // The neighbour into which the face turns at a corner; false (outputs
  // untouched) for an edge without line neighbours.
  bool GetCornerNeighbour(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const;
  // Partner and partner face for bar ends and edge zones; false (outputs
  // untouched) without an answer.
  bool GetTurnTarget(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const;
  // With the single partner p: the angle between p's edge direction and the
  // face normal of the ref's board is at least π/2.
  bool IsPartnerAgainstFace(const BoardEdgeRef& ref, bool face) const;

  // ---- Decisions -----------------------------------------------------------
  bool IsEdgeReinGoverning(const BoardEdgeRef& ref, bool face) const;
  bool IsEdgeReinGoverningAtJunction(const BoardEdgeRef& ref, bool face) const;
  // Whether the edge bars of that face are selected on this board.
  bool NeedsEdgeRein(const BoardEdgeRef& ref, bool face) const;
  // Gives the zone the strongest of the bar sets meeting at the edge; false
  // (zone unchanged) when no counterpart board is found.
  bool ApplyStrongestRein(const BoardPtr& board, int edgeIndex, bool face, ReinZone& zone) const;

  // The bar-end treatments' memo of this snapshot (empty until first used;
  // copies of the adapter share it, as they share the snapshot).
  std::shared_ptr<BarEndMemo>& GetBarEndMemo() const { return m_barEndMemo; }

 private:
  void CollectJointLines(const Tank& tank);
  void PairEdgesOnLine(const RefList& group, const _3dLine& line);
  void InsertTrend(const BoardEdgeRef& key, const RefList& refs);

  const RefList* FindTrends(const BoardEdgeRef& ref) const;
  // Face normal of the ref's board (reversed for the lower face), normalised
  // with `tol`.
  static _3dVector FaceNormal(const BoardPtr& board, bool face, double tol);
  static _3dVector EdgeDirection(const BoardEdgeRef& ref, double tol);

  std::map<BoardEdgeRef, RefList, BoardEdgeRefLess> m_trends;
  std::map<BoardEdgeRef, RefList, BoardEdgeRefLess> m_lineNeighbours;
  std::map<BoardEdgeRef, BoardEdgeRef, BoardEdgeRefLess> m_abutments;
  std::vector<BoardJointRecord> m_joints;
  mutable std::shared_ptr<BarEndMemo> m_barEndMemo;
};
