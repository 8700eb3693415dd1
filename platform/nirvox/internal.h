// View board: geometry shared by the board, the DXF writer and the preview,
// so that all three draw texts, dimensions, marks and bulges alike.
// Internal to platform/nirvox.
#pragma once

#include "platform/Nirvox.h"

#include <array>
#include <vector>

namespace nirvox {

// Where a text lies: the left end of its base line, the unit directions
// along and across it, its drawn width and height, and the four corners of
// its box (base line to cap height) in order around the box.
struct TextPlacement {
  _2dPoint origin;
  _2dVector along{1.0, 0.0};
  _2dVector up{0.0, 1.0};
  double width = 0.0;
  double height = 0.0;
  double z = 0.0;
  std::array<_2dPoint, 4> corners;
};

// The board's text metric (see AcadViewBoard::MeasureTextWidth).
double TextWidth(const std::string& text, double height, double widthFactor);
// The box of a text by its alignment, rotation and the board's metric.
TextPlacement PlaceText(const _Text& text);

// What an aligned dimension draws: two extension lines, the dimension line,
// a 45-degree tick at each end and its text.  Not valid when its two points
// coincide (no direction).
struct DimensionDrawing {
  bool valid = false;
  _2dPoint firstOnLine, secondOnLine;   // the dimension line's ends
  std::vector<_2dLine> lines;           // extension lines, then the dimension line
  std::vector<_2dLine> ticks;
  _Text text;
  _2dPoint textMiddle;                  // centre of the text box
  bool textMoved = false;               // text raised off the line: it did not fit
};
DimensionDrawing DrawDimension(const _2dAlignedDimension& dimension);

// What a bar-mark bubble draws: a circle of its diameter and the number,
// middle-centred, 0.5 × diameter high, turned by the angle.
struct OrdinalDrawing {
  _3dCircle circle;
  _Text text;
};
OrdinalDrawing DrawOrdinal(const Ordinal& ordinal);

// The arc a bulged polyline segment runs on: centre, radius, start angle and
// signed sweep (counter-clockwise positive).  False for a straight segment.
struct BulgeArc {
  _2dPoint center;
  double radius = 0.0;
  double start = 0.0;
  double sweep = 0.0;
};
bool BulgeToArc(const _2dPoint& from, const _2dPoint& to, double bulge, BulgeArc& arc);

// A _2dPolyline whose vertices keep differing z and that has neither bulges
// nor width: written as a 3D POLYLINE so that its z values are kept.  Other
// polylines are LWPOLYLINEs in the plane of their first vertex.
bool IsSpacePolyline(const _2dPolyline& polyline);

// The box of an entity as the board draws it (text boxes by the metric).
Extents DrawnExtents(const Entity& entity);

// A layer name as the CAD drawing can hold it: empty gives "0", the
// characters CAD programs refuse in names (< > / \ " : ; ? * | = `) become "_".
std::string CadLayerName(const std::string& layer);

// Whether every coordinate and size of the entity is finite.
bool IsFinite(const Entity& entity);

// Writes `bytes` to `path` through a temporary file next to it that is
// renamed over it only when writing succeeded (std::runtime_error otherwise).
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// RGB of the CAD colour indices 1..255 (index 0 unused).
const std::array<unsigned, 256>& AciColors();
// A screen colour as it plots on white paper: colours whose luminance is too
// high to read on white are darkened, keeping their hue, to a luminance of
// at most 0.45 (yellow FFFF00 plots 7C7C00, green 00FF00 00A000, cyan
// 00FFFF 009292); white plots black; dark colours stay as they are.
unsigned PaperColor(unsigned rgb);

// The DXF entity types an entity is written as, in order (an Ordinal is a
// CIRCLE and a TEXT); empty for entities left out (solids).
std::vector<const char*> RecordTypes(const Entity& entity);

}  // namespace nirvox
