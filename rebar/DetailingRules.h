// Detailing rules shared by the section design and the rebar-zone layout:
// concrete covers, anchorage and joint lengths from the settings' rule texts,
// the extension of vertical wall bars at a wall top that is not fixed, the
// extension of a zone beyond a board edge, the relation of two boards'
// faces, and the packing of opening bars into a rebar zone.
//
// Lengths in mm.  A bar group is addressed as everywhere in the design: the
// board's mid-span bars of a face and direction, or the support bars of one
// face of the edge `edgeIndex` of Board::GetEdges.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <string>
#include <vector>

class ReinTrendAdapter;

// Concrete cover of a board face from the material settings: slabs by kind
// and face, walls by whether the face is an outer face; 0 for other kinds or
// without settings.
double GetConcreteCover(const ReinDesignOptions& options, const BoardPtr& board, bool upperFace);

// Anchorage length la = alpha·fy·d / ft of the support bars of one edge face
// (alpha 0.14 for ribbed bars, else 0.16; ft of the board's concrete).  0 when
// the concrete's ft is unknown.
double GetAnchorageLength(const ReinDesignOptions& options, const BoardPtr& board, bool isUpper, int edgeIndex);

// The number a rule text starts with, read as a decimal ("15d" gives 15,
// "500" gives 500); 0 when it starts with no number.
double ReadLeadingNumber(const std::string& text);

// Joint length of the support bars of one edge face from the horizontal or
// the vertical joint rule: "nd" n bar diameters, "壁厚" the board thickness,
// "不考虑" the anchorage length, otherwise the text's number.  False (nothing
// written) for an empty board pointer.
bool GetLengthFromSetting(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, bool isUpper,
                          bool horizontalRule, double& length);

// The same rule for the mid-span bars of a face and direction: the vertical
// rule for a wall's Y bars, the horizontal rule otherwise.
double GetFaceBarLengthFromSetting(const ReinDesignOptions& options, const BoardPtr& board, bool isUpper,
                                   bool isX);

// Extension of the vertical bars of a wall whose top is not fixed, from the
// detailing rule "a/b" (a fraction of the bars' span, read from the rule's
// first three characters) optionally followed by "+" (plus the face bars'
// joint length).  True when the rule applies; the extension is then always
// written (0 when the first three characters hold no usable fraction).
bool GetWallBarExtension(const ReinDesignOptions& options, const BoardPtr& board, bool isUpper, bool isX,
                         double& extension);

// 1 when the edge runs within π/4 (inclusive) of the board's X bar direction,
// else 0 (an invalid edge index gives 0).
int IsEdgeAlongReinX(const Board& board, int edgeIndex);

// Extension of a zone beyond the edge into the board: a quarter of the span
// across the edge (or of the shorter span with the options' flag), raised to
// a whole multiple of the rounding step; with a step of 0 or less, the
// quarter span itself.
double GetZoneExtension(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex);
double GetZoneExtension(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                        const ReinTrendAdapter& adapter);

// True when the zone's bars cross the line: the angle between the zone's
// display orientation and the line's direction lies in [π/4, 3π/4).
struct IsZoneAcrossLine {
  explicit IsZoneAcrossLine(const _3dLine& line) : m_line(line) {}
  bool operator()(const ReinZonePtr& zone) const;
  _3dLine m_line;
};

// How the faces of two boards line up: with equal normals 3 both offsets
// equal, 1 the upper ones only, 2 the lower ones only; with different normals
// the faces are paired crosswise (upper of a with lower of b); 0 otherwise.
int GetBoardRelation(const BoardPtr& a, const BoardPtr& b);

// The point P + t·(Q − P).
struct PointAtRatio {
  explicit PointAtRatio(double t) : m_t(t) {}
  _3dPoint operator()(const _3dPoint& p, const _3dPoint& q) const {
    return _3dPoint(p.x + m_t * (q.x - p.x), p.y + m_t * (q.y - p.y), p.z + m_t * (q.z - p.z));
  }
  double m_t;
};

// Adds the bars as one new opening zone (category 6) to the opening; nothing
// for an empty list.
void MakeZoneFromReins(const BoardPtr& board, const HolePtr& hole, const std::vector<ReinPtr>& reins);
