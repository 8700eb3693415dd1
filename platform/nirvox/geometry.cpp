// View board: how texts, dimensions, bar marks and bulges are drawn, shared
// by the board's extents, the DXF writer and the preview.
#include "platform/nirvox/internal.h"
#include "platform/nirvox/solids.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace nirvox {

namespace {

constexpr double kTiny = 1e-12;

_2dPoint Rotate(const _2dPoint& origin, const _2dVector& along, const _2dVector& up, double x, double y) {
  return {origin.x + along.x * x + up.x * y, origin.y + along.y * x + up.y * y};
}

bool Finite(double v) { return std::isfinite(v); }
bool Finite(const _2dPoint& p) { return Finite(p.x) && Finite(p.y); }
bool Finite(const _3dPoint& p) { return Finite(p.x) && Finite(p.y) && Finite(p.z); }
bool Finite(const _3dVector& v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }

class FiniteCheck : public EntityVisitor {
 public:
  bool ok = true;
  void Visit(const _2dLine& e) override { ok = Finite(e.GetStartPoint()) && Finite(e.GetEndPoint()); }
  void Visit(const _3dLine& e) override { ok = Finite(e.GetStartPoint()) && Finite(e.GetEndPoint()); }
  void Visit(const _2dArc& e) override {
    ok = Finite(e.GetCenter()) && Finite(e.GetRadius()) && Finite(e.GetStartAngle()) && Finite(e.GetEndAngle());
  }
  void Visit(const _2dPolyline& e) override {
    ok = Finite(e.GetConstantWidth());
    for (const _3dPoint& p : e.GetVertices()) ok = ok && Finite(p);
    for (double b : e.GetBulges()) ok = ok && Finite(b);
  }
  void Visit(const _3dPolyline& e) override {
    for (const _3dPoint& p : e.GetVertices()) ok = ok && Finite(p);
  }
  void Visit(const _3dCircle& e) override {
    ok = Finite(e.GetCenter()) && Finite(e.GetRadius()) && Finite(e.GetNormal());
  }
  void Visit(const _3dExtrudant& e) override { ok = IsFiniteSolid(e); }
  void Visit(const _Text& e) override {
    ok = Finite(e.GetPosition()) && Finite(e.GetHeight()) && Finite(e.GetWidth()) && Finite(e.GetRotation()) &&
         Finite(e.GetNormal());
  }
  void Visit(const _2dAlignedDimension& e) override {
    ok = Finite(e.GetFirstPoint()) && Finite(e.GetSecondPoint()) && Finite(e.GetLinePoint()) &&
         Finite(e.GetTextHeight()) && Finite(e.GetArrowSize());
  }
  void Visit(const Ordinal& e) override {
    ok = Finite(e.GetCenter()) && Finite(e.GetAngle()) && Finite(e.GetDiameter());
  }
};

class TypesOf : public EntityVisitor {
 public:
  std::vector<const char*> types;
  void Visit(const _2dLine&) override { types = {"LINE"}; }
  void Visit(const _3dLine&) override { types = {"LINE"}; }
  void Visit(const _2dArc&) override { types = {"ARC"}; }
  void Visit(const _2dPolyline& e) override { types = {IsSpacePolyline(e) ? "POLYLINE" : "LWPOLYLINE"}; }
  void Visit(const _3dPolyline&) override { types = {"POLYLINE"}; }
  void Visit(const _3dCircle&) override { types = {"CIRCLE"}; }
  void Visit(const _3dExtrudant&) override { types = {"POLYLINE"}; }
  void Visit(const _Text&) override { types = {"TEXT"}; }
  void Visit(const _2dAlignedDimension&) override { types = {"DIMENSION"}; }
  void Visit(const Ordinal&) override { types = {"CIRCLE", "TEXT"}; }
};

class DrawnBox : public EntityVisitor {
 public:
  Extents box;
  void Visit(const _2dLine& e) override { box = e.GetExtents(); }
  void Visit(const _3dLine& e) override { box = e.GetExtents(); }
  void Visit(const _2dArc& e) override { box = e.GetExtents(); }
  void Visit(const _2dPolyline& e) override { box = e.GetExtents(); }
  void Visit(const _3dPolyline& e) override { box = e.GetExtents(); }
  void Visit(const _3dCircle& e) override { box = e.GetExtents(); }
  void Visit(const _3dExtrudant& e) override { box = e.GetExtents(); }
  void Visit(const _Text& e) override { AddText(e); }
  void Visit(const _2dAlignedDimension& e) override {
    const DimensionDrawing d = DrawDimension(e);
    if (!d.valid) {
      box = e.GetExtents();
      return;
    }
    for (const _2dLine& l : d.lines) Add(l);
    for (const _2dLine& l : d.ticks) Add(l);
    AddText(d.text);
  }
  void Visit(const Ordinal& e) override {
    const OrdinalDrawing d = DrawOrdinal(e);
    box.Extend(d.circle.GetExtents());
    AddText(d.text);
  }

 private:
  void Add(const _2dLine& l) {
    box.Extend(_3dPoint(l.GetStartPoint()));
    box.Extend(_3dPoint(l.GetEndPoint()));
  }
  void AddText(const _Text& t) {
    const TextPlacement p = PlaceText(t);
    for (const _2dPoint& c : p.corners) box.Extend(_3dPoint(c, p.z));
  }
};

}  // namespace

bool IsSpacePolyline(const _2dPolyline& p) {
  const auto& v = p.GetVertices();
  if (v.size() < 2) return false;
  const bool flat = std::all_of(v.begin(), v.end(), [&](const _3dPoint& q) { return std::fabs(q.z - v[0].z) <= 1e-9; });
  if (flat) return false;
  const auto& b = p.GetBulges();
  const bool straight = std::all_of(b.begin(), b.end(), [](double x) { return std::fabs(x) <= 1e-9; });
  return straight && p.GetConstantWidth() == 0.0;
}

double TextWidth(const std::string& text, double height, double widthFactor) {
  if (widthFactor <= 0.0) widthFactor = 0.7;
  return 0.7 * height * widthFactor * static_cast<double>(TextMetricUnits(text));
}

TextPlacement PlaceText(const _Text& text) {
  TextPlacement p;
  p.height = text.GetHeight();
  p.width = TextWidth(text.GetText(), p.height, text.GetWidthFactor());
  p.z = text.GetPosition().z;
  const double a = text.GetRotation();
  p.along = _2dVector(std::cos(a), std::sin(a));
  p.up = _2dVector(-std::sin(a), std::cos(a));
  double x0 = 0.0, y0 = 0.0;
  switch (text.GetHorizontalAlign()) {
    case _Text::kLeft: x0 = 0.0; break;
    case _Text::kCenter: x0 = -0.5 * p.width; break;
    case _Text::kRight: x0 = -p.width; break;
  }
  switch (text.GetVerticalAlign()) {
    case _Text::kBaseline:
    case _Text::kBottom: y0 = 0.0; break;
    case _Text::kMiddle: y0 = -0.5 * p.height; break;
    case _Text::kTop: y0 = -p.height; break;
  }
  const _2dPoint pos(text.GetPosition().x, text.GetPosition().y);
  p.origin = Rotate(pos, p.along, p.up, x0, y0);
  p.corners = {Rotate(p.origin, p.along, p.up, 0.0, 0.0), Rotate(p.origin, p.along, p.up, p.width, 0.0),
               Rotate(p.origin, p.along, p.up, p.width, p.height), Rotate(p.origin, p.along, p.up, 0.0, p.height)};
  return p;
}

DimensionDrawing DrawDimension(const _2dAlignedDimension& dim) {
  DimensionDrawing d;
  const _2dPoint p1 = dim.GetFirstPoint();
  const _2dPoint p2 = dim.GetSecondPoint();
  _2dVector dir = p2 - p1;
  const double length = dir.GetLength();
  if (!(length > kTiny)) return d;
  dir = dir * (1.0 / length);
  const _2dVector normal(-dir.y, dir.x);
  const double offset = (dim.GetLinePoint() - p1).Dot(normal);
  d.firstOnLine = p1 + normal * offset;
  d.secondOnLine = p2 + normal * offset;

  const double arrow = std::fabs(dim.GetArrowSize());
  const double textHeight = std::fabs(dim.GetTextHeight());
  // Extension lines leave a gap at the measured points and run a little
  // beyond the dimension line, on the side the dimension line lies.
  const double side = offset >= 0.0 ? 1.0 : -1.0;
  const double gap = std::min(0.8 * arrow, 0.5 * std::fabs(offset));
  const double beyond = 0.8 * arrow;
  if (std::fabs(offset) > kTiny) {
    d.lines.emplace_back(p1 + normal * (side * gap), d.firstOnLine + normal * (side * beyond));
    d.lines.emplace_back(p2 + normal * (side * gap), d.secondOnLine + normal * (side * beyond));
  }
  d.lines.emplace_back(d.firstOnLine, d.secondOnLine);
  // 45-degree ticks, as the building drawings mark dimension ends.
  const _2dVector tick = (dir + normal) * (0.5 * arrow / std::sqrt(2.0));
  d.ticks.emplace_back(d.firstOnLine - tick, d.firstOnLine + tick);
  d.ticks.emplace_back(d.secondOnLine - tick, d.secondOnLine + tick);

  // The text reads from left to right (or upwards) above the dimension line.
  double angle = std::atan2(dir.y, dir.x);
  if (angle > 0.5 * g_Pi + 1e-9) angle -= g_Pi;
  if (angle <= -0.5 * g_Pi + 1e-9) angle += g_Pi;
  const _2dVector up(-std::sin(angle), std::cos(angle));
  const _2dPoint mid((d.firstOnLine.x + d.secondOnLine.x) / 2.0, (d.firstOnLine.y + d.secondOnLine.y) / 2.0);
  // A text wider than the space between the ticks stands one row higher:
  // in a chain its neighbours' texts keep their places on the line, so the
  // narrow dimension's figure is read above them, not across them.
  const std::string shown = dim.GetDisplayText();
  const bool fits = TextWidth(shown, textHeight, 0.7) <= length;
  const double lift = fits ? 0.4 * textHeight : 1.9 * textHeight;
  d.textMoved = !fits;
  _Text& t = d.text;
  t.SetText(shown);
  t.SetHeight(textHeight);
  t.SetWidth(0.7 * textHeight);
  t.SetRotation(angle);
  t.SetAlignment(_Text::kCenter, _Text::kBaseline);
  t.SetPosition(mid + up * lift);
  t.SetLayer(dim.GetLayer());
  t.SetColorIndex(dim.GetColorIndex());
  d.textMiddle = mid + up * (lift + 0.5 * textHeight);
  d.valid = true;
  return d;
}

OrdinalDrawing DrawOrdinal(const Ordinal& ordinal) {
  OrdinalDrawing d;
  d.circle = _3dCircle(_3dPoint(ordinal.GetCenter()), 0.5 * std::fabs(ordinal.GetDiameter()));
  d.circle.SetLayer(ordinal.GetLayer());
  d.circle.SetColorIndex(ordinal.GetColorIndex());
  d.circle.SetLinetype(ordinal.GetLinetype());
  d.circle.SetLineWeight(ordinal.GetLineWeight());
  const double h = 0.5 * std::fabs(ordinal.GetDiameter());
  d.text = _Text(std::to_string(ordinal.GetNumber()), _3dPoint(ordinal.GetCenter()), h, ordinal.GetAngle());
  d.text.SetWidth(0.7 * h);
  d.text.SetAlignment(_Text::kCenter, _Text::kMiddle);
  d.text.SetLayer(ordinal.GetLayer());
  d.text.SetColorIndex(ordinal.GetColorIndex());
  return d;
}

bool BulgeToArc(const _2dPoint& from, const _2dPoint& to, double bulge, BulgeArc& arc) {
  if (std::fabs(bulge) <= 1e-9) return false;
  const _2dVector chord = to - from;
  const double c = chord.GetLength();
  if (!(c > kTiny)) return false;
  arc.sweep = 4.0 * std::atan(bulge);
  arc.radius = c * (1.0 + bulge * bulge) / (4.0 * std::fabs(bulge));
  // The centre lies on the chord's perpendicular bisector, on the left of the
  // chord for a counter-clockwise arc of less than a half turn.
  const double toCentre = c * (1.0 - bulge * bulge) / (4.0 * bulge);
  const _2dVector left(-chord.y / c, chord.x / c);
  const _2dPoint mid((from.x + to.x) / 2.0, (from.y + to.y) / 2.0);
  arc.center = mid + left * toCentre;
  arc.start = std::atan2(from.y - arc.center.y, from.x - arc.center.x);
  return true;
}

std::string CadLayerName(const std::string& layer) {
  if (layer.empty()) return "0";
  std::string out = layer;
  for (char& c : out) {
    if (std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos) c = '_';
  }
  return out;
}

Extents DrawnExtents(const Entity& entity) {
  DrawnBox v;
  entity.Accept(v);
  return v.box;
}

bool IsFinite(const Entity& entity) {
  FiniteCheck v;
  entity.Accept(v);
  return v.ok;
}

std::vector<const char*> RecordTypes(const Entity& entity) {
  TypesOf v;
  entity.Accept(v);
  return v.types;
}

const std::array<unsigned, 256>& AciColors() {
  static const std::array<unsigned, 256> colors = {{
      0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0xFFFFFF,
      0x808080, 0xC0C0C0, 0xFF0000, 0xFF7F7F, 0xA50000, 0xA55252, 0x7F0000, 0x7F3F3F,
      0x4C0000, 0x4C2626, 0x260000, 0x261313, 0xFF3F00, 0xFF9F7F, 0xA52900, 0xA56752,
      0x7F1F00, 0x7F4F3F, 0x4C1300, 0x4C2F26, 0x260900, 0x261713, 0xFF7F00, 0xFFBF7F,
      0xA55200, 0xA57C52, 0x7F3F00, 0x7F5F3F, 0x4C2600, 0x4C3926, 0x261300, 0x261C13,
      0xFFBF00, 0xFFDF7F, 0xA57C00, 0xA59152, 0x7F5F00, 0x7F6F3F, 0x4C3900, 0x4C4226,
      0x261C00, 0x262113, 0xFFFF00, 0xFFFF7F, 0xA5A500, 0xA5A552, 0x7F7F00, 0x7F7F3F,
      0x4C4C00, 0x4C4C26, 0x262600, 0x262613, 0xBFFF00, 0xDFFF7F, 0x7CA500, 0x91A552,
      0x5F7F00, 0x6F7F3F, 0x394C00, 0x424C26, 0x1C2600, 0x212613, 0x7FFF00, 0xBFFF7F,
      0x52A500, 0x7CA552, 0x3F7F00, 0x5F7F3F, 0x264C00, 0x394C26, 0x132600, 0x1C2613,
      0x3FFF00, 0x9FFF7F, 0x29A500, 0x67A552, 0x1F7F00, 0x4F7F3F, 0x134C00, 0x2F4C26,
      0x092600, 0x172613, 0x00FF00, 0x7FFF7F, 0x00A500, 0x52A552, 0x007F00, 0x3F7F3F,
      0x004C00, 0x264C26, 0x002600, 0x132613, 0x00FF3F, 0x7FFF9F, 0x00A529, 0x52A567,
      0x007F1F, 0x3F7F4F, 0x004C13, 0x264C2F, 0x002609, 0x135817, 0x00FF7F, 0x7FFFBF,
      0x00A552, 0x52A57C, 0x007F3F, 0x3F7F5F, 0x004C26, 0x264C39, 0x002613, 0x13581C,
      0x00FFBF, 0x7FFFDF, 0x00A57C, 0x52A591, 0x007F5F, 0x3F7F6F, 0x004C39, 0x264C42,
      0x00261C, 0x135858, 0x00FFFF, 0x7FFFFF, 0x00A5A5, 0x52A5A5, 0x007F7F, 0x3F7F7F,
      0x004C4C, 0x264C4C, 0x002626, 0x135858, 0x00BFFF, 0x7FDFFF, 0x007CA5, 0x5291A5,
      0x005F7F, 0x3F6F7F, 0x00394C, 0x26427E, 0x001C26, 0x135858, 0x007FFF, 0x7FBFFF,
      0x0052A5, 0x527CA5, 0x003F7F, 0x3F5F7F, 0x00264C, 0x26397E, 0x001326, 0x131C58,
      0x003FFF, 0x7F9FFF, 0x0029A5, 0x5267A5, 0x001F7F, 0x3F4F7F, 0x00134C, 0x262F7E,
      0x000926, 0x131758, 0x0000FF, 0x7F7FFF, 0x0000A5, 0x5252A5, 0x00007F, 0x3F3F7F,
      0x00004C, 0x26267E, 0x000026, 0x131358, 0x3F00FF, 0x9F7FFF, 0x2900A5, 0x6752A5,
      0x1F007F, 0x4F3F7F, 0x13004C, 0x2F267E, 0x090026, 0x171358, 0x7F00FF, 0xBF7FFF,
      0x5200A5, 0x7C52A5, 0x3F007F, 0x5F3F7F, 0x26004C, 0x39267E, 0x130026, 0x1C1358,
      0xBF00FF, 0xDF7FFF, 0x7C00A5, 0x9152A5, 0x5F007F, 0x6F3F7F, 0x39004C, 0x42264C,
      0x1C0026, 0x581358, 0xFF00FF, 0xFF7FFF, 0xA500A5, 0xA552A5, 0x7F007F, 0x7F3F7F,
      0x4C004C, 0x4C264C, 0x260026, 0x581358, 0xFF00BF, 0xFF7FDF, 0xA5007C, 0xA55291,
      0x7F005F, 0x7F3F6F, 0x4C0039, 0x4C2642, 0x26001C, 0x581358, 0xFF007F, 0xFF7FBF,
      0xA50052, 0xA5527C, 0x7F003F, 0x7F3F5F, 0x4C0026, 0x4C2639, 0x260013, 0x58131C,
      0xFF003F, 0xFF7F9F, 0xA50029, 0xA55267, 0x7F001F, 0x7F3F4F, 0x4C0013, 0x4C262F,
      0x260009, 0x581317, 0x000000, 0x656565, 0x666666, 0x999999, 0xCCCCCC, 0xFFFFFF,
  }};
  return colors;
}

unsigned PaperColor(unsigned rgb) {
  rgb &= 0xFFFFFFu;
  if (rgb == 0xFFFFFFu) return 0x000000u;
  const double r = ((rgb >> 16) & 0xFF) / 255.0, g = ((rgb >> 8) & 0xFF) / 255.0, b = (rgb & 0xFF) / 255.0;
  const double luminance = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  constexpr double kMost = 0.45;
  if (luminance <= kMost) return rgb;
  const double f = kMost / luminance;
  const auto channel = [f](double c) { return static_cast<unsigned>(std::lround(std::clamp(c * f, 0.0, 1.0) * 255.0)); };
  return (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

}  // namespace nirvox
