// Chains of aligned dimensions, and the segment record the automatic
// dimensioning passes between its steps.
#pragma once

#include "platform/Morlak.h"

#include <string>
#include <vector>

// A segment of the dimensioning steps: two points, five values the
// dimension code carries but never reads, and a double it never reads.
struct DimSegment {
  DimSegment() = default;
  DimSegment(double x1, double y1, double x2, double y2, int v1 = 0, int v2 = 0, int v3 = 0, int v4 = 0, int v5 = 0)
      : firstX(x1), firstY(y1), secondX(x2), secondY(y2), values{v1, v2, v3, v4, v5} {}
  double firstX = 0.0, firstY = 0.0;
  double secondX = 0.0, secondY = 0.0;
  int values[5] = {0, 0, 0, 0, 0};
  double extra = 0.0;
};

// a's first point lies lower than b's (no tolerance).
inline bool DimSegmentLessByY(const DimSegment& a, const DimSegment& b) { return a.firstY < b.firstY; }

// One aligned dimension per consecutive pair of points, its line `offset` ×
// unit to the left of the first pair's direction (side 0) or to its right
// (any other side), and with `overall` and more than two points one more
// from the first to the last point `overallOffset` × unit out.  The points
// are drawing coordinates at 1:scale, so each dimension measures with the
// drawing factor unit / scale and shows model millimetres; text height and
// tick size come from the drawing standard (× unit), the layer from the
// category.  Each dimension and `kind` are appended to the two lists;
// nothing is registered.
void DrawDimensionChain(const std::vector<_2dPoint>& points, double offset, double overallOffset, int side,
                        bool overall, EntityList& entities, std::vector<int>& kinds, double scale, double unit,
                        int kind, int category, std::string text);
