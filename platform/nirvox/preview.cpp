// View board: SVG and PNG previews of the drawing, drawn with cairo.
//
// One painter turns the entities into a display list of strokes and texts
// (arcs and bulges sampled finely), in the same records the DXF writer
// writes: an Ordinal is a CIRCLE and a TEXT, a dimension one DIMENSION with
// its lines, ticks and text.  The page shows the model with y up mapped to
// y down, fitted into the page with a margin.  cairo builds every path: the
// PNG is stroked and filled on an image surface; the SVG gets the same paths
// (cairo_copy_path), one <g data-type data-layer data-handle> group per
// record.  Texts go to the SVG as <text> elements in the standard's CJK
// font (previewFont, Noto Sans CJK SC by default, with a sans-serif
// fallback), so that their words stay in the file (searchable, selectable)
// and any SVG viewer draws them.
//
// Texts are drawn with the board's metric: each text is stretched to the
// width the board measures, so the preview shows what the drawings laid
// out.  The rebar grade codes are drawn as PreviewText maps them.  Colours
// are mapped for white paper as a CAD plot style does (PaperColor): white
// and colour 7 plot black, colours too light to read on white (yellow,
// green, cyan, the pale ones) are darkened to a readable lightness keeping
// their hue.  Line types use the standard's patterns scaled by the drawing's
// line-type scale (EffectiveLinetypeScale) and the entity's own, drawn solid
// when a period would be under 4 pixels.  Solids (_3dExtrudant) are drawn by
// the visible edges of the mesh the DXF writes (one POLYLINE record each),
// projected like everything else; in an isometric view the faces of the
// solids hide the lines behind them (HideLines).
//
// The page is sized from the drawing: its extent in paper millimetres (the
// drawing unit u drawing units make one) times the pixels per paper
// millimetre of the options, capped, unless the options fix the width.  A
// sheet of several drawings (ExportPart) is laid out after projection: each
// drawing a gap to the right of the one before, lower edges in line.
#include "platform/Nirvox.h"

#include "platform/nirvox/internal.h"
#include "platform/nirvox/solids.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace {

struct P2 {
  double x = 0.0, y = 0.0;
  double depth = 0.0;  // towards the viewer, in an isometric view
};

// A face of a solid, as a projected triangle: what hides the lines behind it.
struct Triangle {
  std::array<P2, 3> p;
  int part = 0;
};

struct Stroke {
  bool hidable = false;  // lines of the isometric view that faces can hide
  std::vector<std::vector<P2>> paths;
  std::vector<bool> closed;
  double width = 0.0;         // model units; 0 draws a hairline
  std::vector<double> dash;   // model units
  unsigned rgb = 0;
};

struct TextItem {
  P2 origin;         // left end of the base line, projected
  double angle = 0;  // direction of the base line on the projected plane
  double width = 0, height = 0;
  std::string text;  // as drawn
  unsigned rgb = 0;
};

struct DrawnRecord {
  int part = 0;
  std::string type, layer, handle, text;
  std::vector<Stroke> strokes;
  std::vector<TextItem> texts;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Builds the display list.
class Painter : public EntityVisitor {
 public:
  Painter(const DrawingStandard& standard, bool iso) : m_standard(standard), m_iso(iso) {}

  void Paint(const AcadViewBoard::ExportItem& item, bool iso) {
    m_handle = item.handle.IsNull() ? std::string() : item.handle.ToString();
    m_part = item.part;
    m_iso = iso;
    item.shape->Accept(*this);
  }
  std::vector<DrawnRecord> records;
  std::vector<Triangle> triangles;

  void Visit(const _2dLine& e) override {
    DrawnRecord& r = Begin("LINE", e);
    r.strokes.push_back(Line(e, {P(_3dPoint(e.GetStartPoint())), P(_3dPoint(e.GetEndPoint()))}, false));
  }
  void Visit(const _3dLine& e) override {
    DrawnRecord& r = Begin("LINE", e);
    r.strokes.push_back(Line(e, {P(e.GetStartPoint()), P(e.GetEndPoint())}, false));
    r.strokes.back().hidable = m_iso;
  }
  void Visit(const _2dArc& e) override {
    DrawnRecord& r = Begin("ARC", e);
    std::vector<P2> pts;
    double sweep = e.GetSweep();
    AppendArc(pts, e.GetCenter(), std::fabs(e.GetRadius()), e.GetStartAngle(), sweep, 0.0, true);
    r.strokes.push_back(Line(e, pts, false));
  }
  void Visit(const _2dPolyline& e) override {
    DrawnRecord& r = Begin(nirvox::IsSpacePolyline(e) ? "POLYLINE" : "LWPOLYLINE", e);
    const auto& v = e.GetVertices();
    const auto& b = e.GetBulges();
    std::vector<P2> pts;
    const std::size_t n = v.size();
    const std::size_t segments = e.IsClosed() ? n : (n == 0 ? 0 : n - 1);
    if (n > 0) pts.push_back(P(v[0]));
    for (std::size_t i = 0; i < segments; ++i) {
      const _3dPoint& a = v[i];
      const _3dPoint& c = v[(i + 1) % n];
      nirvox::BulgeArc arc;
      const double bulge = i < b.size() ? b[i] : 0.0;
      if (nirvox::BulgeToArc(_2dPoint(a.x, a.y), _2dPoint(c.x, c.y), bulge, arc)) {
        AppendArc(pts, arc.center, arc.radius, arc.start, arc.sweep, a.z, false);
      }
      pts.push_back(P(c));
    }
    Stroke s = Line(e, pts, false);
    s.width = std::fabs(e.GetConstantWidth());
    r.strokes.push_back(s);
  }
  void Visit(const _3dPolyline& e) override {
    DrawnRecord& r = Begin("POLYLINE", e);
    std::vector<P2> pts;
    for (const _3dPoint& p : e.GetVertices()) pts.push_back(P(p));
    r.strokes.push_back(Line(e, pts, e.IsClosed()));
  }
  void Visit(const _3dCircle& e) override {
    DrawnRecord& r = Begin("CIRCLE", e);
    r.strokes.push_back(Line(e, Circle(e), true));
  }
  void Visit(const _3dExtrudant& e) override {
    DrawnRecord& r = Begin("POLYLINE", e);
    Stroke s = Line(e, {}, false);
    s.paths.clear();
    s.closed.clear();
    for (const auto& edge : nirvox::SolidEdges(e)) {
      s.paths.push_back({P(edge[0]), P(edge[1])});
      s.closed.push_back(false);
    }
    s.hidable = m_iso;
    r.strokes.push_back(s);
    if (!m_iso) return;
    const nirvox::SolidMesh mesh = nirvox::MeshSolid(e);
    for (const nirvox::MeshFace& f : mesh.faces) {
      for (int k = 1; k + 1 < f.count; ++k) {
        Triangle t;
        t.part = m_part;
        t.p = {P(mesh.vertices[static_cast<std::size_t>(f.vertices[0])]),
               P(mesh.vertices[static_cast<std::size_t>(f.vertices[static_cast<std::size_t>(k)])]),
               P(mesh.vertices[static_cast<std::size_t>(f.vertices[static_cast<std::size_t>(k + 1)])])};
        triangles.push_back(t);
      }
    }
  }
  void Visit(const _Text& e) override {
    DrawnRecord& r = Begin("TEXT", e);
    r.text = e.GetText();
    r.texts.push_back(Text(e, e));
  }
  void Visit(const _2dAlignedDimension& e) override {
    DrawnRecord& r = Begin("DIMENSION", e);
    const nirvox::DimensionDrawing d = nirvox::DrawDimension(e);
    if (!d.valid) return;
    r.text = d.text.GetText();
    for (const _2dLine& l : d.lines) {
      r.strokes.push_back(Line(e, {P(_3dPoint(l.GetStartPoint())), P(_3dPoint(l.GetEndPoint()))}, false));
    }
    for (const _2dLine& l : d.ticks) {
      Stroke s = Line(e, {P(_3dPoint(l.GetStartPoint())), P(_3dPoint(l.GetEndPoint()))}, false);
      s.dash.clear();
      r.strokes.push_back(s);
    }
    r.texts.push_back(Text(d.text, e));
  }
  void Visit(const Ordinal& e) override {
    const nirvox::OrdinalDrawing d = nirvox::DrawOrdinal(e);
    Begin("CIRCLE", e).strokes.push_back(Line(e, Circle(d.circle), true));
    DrawnRecord& t = Begin("TEXT", e);
    t.text = d.text.GetText();
    t.texts.push_back(Text(d.text, e));
  }

 private:
  // The isometric view looks from above the corner of least x and y; the
  // depth grows towards the viewer.
  P2 P(const _3dPoint& p) const {
    if (!m_iso) return {p.x, p.y};
    const double c = std::cos(g_Pi / 6.0), s = std::sin(g_Pi / 6.0);
    return {(p.x - p.y) * c, (p.x + p.y) * s + p.z, p.z - p.x - p.y};
  }

  DrawnRecord& Begin(const char* type, const Entity& e) {
    DrawnRecord r;
    r.part = m_part;
    r.type = type;
    r.layer = nirvox::CadLayerName(e.GetLayer());
    r.handle = m_handle;
    records.push_back(r);
    return records.back();
  }

  const LayerStyle* Layer(const Entity& e) const {
    const std::string name = nirvox::CadLayerName(e.GetLayer());
    for (const LayerStyle& l : m_standard.layers) {
      if (nirvox::CadLayerName(l.name) == name) return &l;
    }
    return nullptr;
  }

  unsigned Color(const Entity& e) const {
    int index = e.GetColorIndex();
    if (index == Entity::kColorByLayer || index < 0 || index > 256) {
      const LayerStyle* l = Layer(e);
      index = l ? l->color : 7;
    }
    if (index <= 0 || index == 7 || index == 255) return 0x000000;
    return nirvox::PaperColor(nirvox::AciColors()[static_cast<std::size_t>(index)]);
  }

  std::vector<double> Dash(const Entity& e) const {
    std::string name = e.GetLinetype();
    if (name.empty() || Upper(name) == "BYLAYER" || Upper(name) == "BYBLOCK") {
      const LayerStyle* l = Layer(e);
      name = l ? l->linetype : "CONTINUOUS";
    }
    const double scale = e.GetLinetypeScale() * EffectiveLinetypeScale(m_standard);
    for (const LinetypeDef& lt : m_standard.linetypes) {
      if (Upper(lt.name) != Upper(name)) continue;
      std::vector<double> dash;
      for (double d : lt.pattern) dash.push_back(std::fabs(d) * (std::isfinite(scale) && scale > 0 ? scale : 1.0));
      return dash;
    }
    return {};
  }

  Stroke Line(const Entity& e, std::vector<P2> pts, bool closed) const {
    Stroke s;
    s.paths.push_back(std::move(pts));
    s.closed.push_back(closed);
    s.rgb = Color(e);
    s.dash = Dash(e);
    return s;
  }

  void AppendArc(std::vector<P2>& pts, const _2dPoint& c, double r, double start, double sweep, double z,
                 bool includeEnds) const {
    const int n = std::max(8, static_cast<int>(std::ceil(std::fabs(sweep) / (2.0 * g_Pi) * 96.0)));
    const int first = includeEnds ? 0 : 1;
    const int last = includeEnds ? n : n - 1;
    for (int i = first; i <= last; ++i) {
      const double a = start + sweep * i / n;
      pts.push_back(P(_3dPoint(c.x + r * std::cos(a), c.y + r * std::sin(a), z)));
    }
  }

  std::vector<P2> Circle(const _3dCircle& c) const {
    _3dVector n = c.GetNormal();
    if (!n.Normalize(1e-12)) n = _3dVector(0, 0, 1);
    _3dVector u = std::fabs(n.z) < 0.9 ? _3dVector(0, 0, 1).CrossProduct(n) : _3dVector(1, 0, 0).CrossProduct(n);
    u.Normalize(0.0);
    _3dVector v = n.CrossProduct(u);
    if (std::fabs(n.x) < 1e-12 && std::fabs(n.y) < 1e-12) {
      u = _3dVector(1, 0, 0);
      v = _3dVector(0, n.z > 0 ? 1 : -1, 0);
    }
    const double r = std::fabs(c.GetRadius());
    std::vector<P2> pts;
    for (int i = 0; i < 96; ++i) {
      const double a = 2.0 * g_Pi * i / 96;
      pts.push_back(P(c.GetCenter() + u * (r * std::cos(a)) + v * (r * std::sin(a))));
    }
    return pts;
  }

  TextItem Text(const _Text& t, const Entity& colourOf) const {
    const nirvox::TextPlacement place = nirvox::PlaceText(t);
    TextItem item;
    item.origin = P(_3dPoint(place.origin, place.z));
    const P2 along = P(_3dPoint(place.origin + place.along, place.z));
    item.angle = std::atan2(along.y - item.origin.y, along.x - item.origin.x);
    item.width = place.width;
    item.height = place.height;
    item.text = PreviewText(t.GetText());
    item.rgb = Color(colourOf);
    return item;
  }

  const DrawingStandard& m_standard;
  bool m_iso;
  int m_part = 0;
  std::string m_handle;
};

struct Page {
  int width = 0, height = 0;
  double scale = 1.0, minX = 0.0, maxY = 0.0, offX = 0.0, offY = 0.0;
  double X(double x) const { return offX + (x - minX) * scale; }
  double Y(double y) const { return offY + (maxY - y) * scale; }
};

// The box of the projected records (of one part, or of all for part -1).
struct Box2 {
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  bool Empty() const { return minX > maxX; }
  void Add(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
};

Box2 BoxOf(const std::vector<DrawnRecord>& records, int part) {
  Box2 box;
  for (const DrawnRecord& r : records) {
    if (part >= 0 && r.part != part) continue;
    for (const Stroke& s : r.strokes) {
      for (const auto& path : s.paths) {
        for (const P2& p : path) box.Add(p.x, p.y);
      }
    }
    for (const TextItem& t : r.texts) {
      const double c = std::cos(t.angle), s = std::sin(t.angle);
      box.Add(t.origin.x, t.origin.y);
      box.Add(t.origin.x + c * t.width, t.origin.y + s * t.width);
      box.Add(t.origin.x - s * t.height, t.origin.y + c * t.height);
      box.Add(t.origin.x + c * t.width - s * t.height, t.origin.y + s * t.width + c * t.height);
    }
  }
  return box;
}

// Places the parts of a sheet apart on the projected plane: each part a gap
// (a tenth of the largest part's larger side) to the right of the one
// before, its lower edge in line with the first part's.
void PlacePartsApart(std::vector<DrawnRecord>& records, std::vector<Triangle>& triangles) {
  int parts = 0;
  for (const DrawnRecord& r : records) parts = std::max(parts, r.part + 1);
  if (parts < 2) return;
  std::vector<Box2> boxes;
  double largest = 0.0;
  for (int k = 0; k < parts; ++k) {
    boxes.push_back(BoxOf(records, k));
    if (!boxes.back().Empty())
      largest = std::max({largest, boxes.back().maxX - boxes.back().minX, boxes.back().maxY - boxes.back().minY});
  }
  const double gap = 0.1 * largest;
  std::vector<P2> offsets(static_cast<std::size_t>(parts));
  bool started = false;
  double right = 0.0, bottom = 0.0;
  for (int k = 0; k < parts; ++k) {
    const Box2& b = boxes[static_cast<std::size_t>(k)];
    if (b.Empty()) continue;
    P2& o = offsets[static_cast<std::size_t>(k)];
    if (started) o = {right + gap - b.minX, bottom - b.minY};
    else bottom = b.minY;
    started = true;
    right = b.maxX + o.x;
  }
  for (DrawnRecord& r : records) {
    const P2 o = offsets[static_cast<std::size_t>(std::max(r.part, 0))];
    if (o.x == 0.0 && o.y == 0.0) continue;
    for (Stroke& s : r.strokes)
      for (auto& path : s.paths)
        for (P2& p : path) p.x += o.x, p.y += o.y;
    for (TextItem& t : r.texts) t.origin.x += o.x, t.origin.y += o.y;
  }
  for (Triangle& t : triangles) {
    const P2 o = offsets[static_cast<std::size_t>(std::max(t.part, 0))];
    for (P2& p : t.p) p.x += o.x, p.y += o.y;
  }
}

// The page: the width the options fix, or the drawing's size on paper at
// the options' pixels per paper millimetre (unitsPerPaperMm drawing units
// make one), the longer side kept between the options' least and most.
Page FitPage(const std::vector<DrawnRecord>& records, const PreviewOptions& o, double unitsPerPaperMm) {
  const Box2 all = BoxOf(records, -1);
  const double minX = all.minX, minY = all.minY, maxX = all.maxX, maxY = all.maxY;
  Page page;
  const double margin0 = std::max(o.margin, 0.0);
  if (o.width > 0) {
    page.width = std::clamp(o.width, 16, 20000);
  } else if (all.Empty()) {
    page.width = std::clamp(o.minPixels, 16, 20000);
  } else {
    const double longest = std::max(maxX - minX, maxY - minY);
    double pxPerUnit = std::max(o.pixelsPerPaperMm, 0.01) / (unitsPerPaperMm > 0.0 ? unitsPerPaperMm : 1.0);
    const double most = std::max(static_cast<double>(std::clamp(o.maxPixels, 16, 20000)) - 2.0 * margin0, 1.0);
    const double least = std::clamp(static_cast<double>(o.minPixels) - 2.0 * margin0, 1.0, most);
    if (longest > 0.0) pxPerUnit = std::clamp(pxPerUnit, least / longest, most / longest);
    page.width = static_cast<int>(std::clamp(std::ceil((maxX - minX) * pxPerUnit + 2.0 * margin0), 16.0, 20000.0));
  }
  const double margin = std::clamp(o.margin, 0.0, page.width / 4.0);
  if (all.Empty()) {  // nothing drawn
    page.height = o.height > 0 ? std::clamp(o.height, 16, 20000) : page.width;
    return page;
  }
  const double bw = maxX - minX, bh = maxY - minY;
  const double innerW = page.width - 2.0 * margin;
  if (o.height > 0) {
    page.height = std::clamp(o.height, 16, 20000);
  } else {
    const double s = bw > 0.0 ? innerW / bw : 1.0;
    const double cap = o.width > 0 ? 4.0 * page.width : std::clamp(o.maxPixels, 16, 20000);
    page.height = static_cast<int>(std::clamp(std::ceil(bh * s + 2.0 * margin), 16.0, std::max(cap, 16.0)));
  }
  const double innerH = page.height - 2.0 * margin;
  double s = 1.0;
  if (bw > 0.0 && bh > 0.0) s = std::min(innerW / bw, innerH / bh);
  else if (bw > 0.0) s = innerW / bw;
  else if (bh > 0.0) s = innerH / bh;
  page.scale = s;
  page.minX = minX;
  page.maxY = maxY;
  page.offX = margin + (innerW - bw * s) / 2.0;
  page.offY = margin + (innerH - bh * s) / 2.0;
  return page;
}

// Where the drawn paths go: a PNG surface, or the SVG text.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void BeginRecord(const DrawnRecord&) {}
  virtual void EndRecord() {}
  // The current path of `cr` is done: stroke it (fill = false) or fill it.
  virtual void Emit(cairo_t* cr, unsigned rgb, double width, const std::vector<double>& dash, bool fill) = 0;
  // A text at page point (x, y), its base line turned by `angle` (radians,
  // counter-clockwise on the page), `size` pixels high, stretched along the
  // base line by `stretch`.  The font face and size are set on `cr`.
  virtual void EmitText(cairo_t* cr, double x, double y, double angle, double size, double stretch,
                        const std::string& text, unsigned rgb) {
    (void)size;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -angle);
    cairo_scale(cr, stretch, 1.0);
    cairo_move_to(cr, 0.0, 0.0);
    cairo_text_path(cr, text.c_str());
    cairo_restore(cr);
    Emit(cr, rgb, 0.0, {}, true);
  }
};

void ReleaseFontCachesAtExit();

void Render(cairo_t* cr, const std::vector<DrawnRecord>& records, const Page& page, const std::string& font,
            Sink& sink) {
  ReleaseFontCachesAtExit();
  cairo_select_font_face(cr, font.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  for (const DrawnRecord& r : records) {
    sink.BeginRecord(r);
    for (const Stroke& s : r.strokes) {
      cairo_new_path(cr);
      for (std::size_t k = 0; k < s.paths.size(); ++k) {
        const auto& path = s.paths[k];
        for (std::size_t i = 0; i < path.size(); ++i) {
          if (i == 0) cairo_move_to(cr, page.X(path[i].x), page.Y(path[i].y));
          else cairo_line_to(cr, page.X(path[i].x), page.Y(path[i].y));
        }
        if (s.closed[k]) cairo_close_path(cr);
      }
      std::vector<double> dash;
      double period = 0.0;
      for (double d : s.dash) {
        dash.push_back(d * page.scale);
        period += d * page.scale;
      }
      if (period < 4.0) dash.clear();
      sink.Emit(cr, s.rgb, s.width > 0.0 ? std::max(s.width * page.scale, 1.0) : 1.0, dash, false);
    }
    for (const TextItem& t : r.texts) {
      const double h = t.height * page.scale;
      const double w = t.width * page.scale;
      if (!(h > 0.05) || t.text.empty()) continue;
      cairo_new_path(cr);
      cairo_set_font_size(cr, h);
      cairo_text_extents_t ext;
      cairo_text_extents(cr, t.text.c_str(), &ext);
      const double stretch = ext.x_advance > 0.0 && w > 0.0 ? w / ext.x_advance : 1.0;
      sink.EmitText(cr, page.X(t.origin.x), page.Y(t.origin.y), t.angle, h, stretch, t.text, t.rgb);
    }
    sink.EndRecord();
  }
}

void SetColor(cairo_t* cr, unsigned rgb) {
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

class PngSink : public Sink {
 public:
  void Emit(cairo_t* cr, unsigned rgb, double width, const std::vector<double>& dash, bool fill) override {
    SetColor(cr, rgb);
    if (fill) {
      cairo_fill(cr);
      return;
    }
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_dash(cr, dash.empty() ? nullptr : dash.data(), static_cast<int>(dash.size()), 0.0);
    cairo_stroke(cr);
  }
};

std::string XmlEscape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') out += ' ';
        else out += c;
    }
  }
  return out;
}

std::string Num(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  std::string s = buffer;
  if (s == "-0.00") s = "0.00";
  return s;
}

std::string Num3(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", v);
  std::string s = buffer;
  if (s == "-0.000") s = "0.000";
  return s;
}

std::string Hex(unsigned rgb) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "#%06X", rgb & 0xFFFFFFu);
  return buffer;
}

class SvgSink : public Sink {
 public:
  SvgSink(std::ostream& out, const std::string& font) : m_out(out), m_font(font) {}
  // A <text> element: the words stay in the file and any SVG viewer draws
  // them in the CJK font (or its sans-serif fallback).
  void EmitText(cairo_t* cr, double x, double y, double angle, double size, double stretch, const std::string& text,
                unsigned rgb) override {
    cairo_new_path(cr);
    const double degrees = -angle * 180.0 / g_Pi;
    m_out << "<text x=\"0\" y=\"0\" transform=\"translate(" << Num(x) << " " << Num(y) << ")";
    if (std::fabs(degrees) > 1e-9) m_out << " rotate(" << Num3(degrees) << ")";
    if (std::fabs(stretch - 1.0) > 1e-6) m_out << " scale(" << Num3(stretch) << " 1)";
    m_out << "\" font-family=\"" << XmlEscape("'" + m_font + "', sans-serif") << "\" font-size=\"" << Num3(size)
          << "\" fill=\"" << Hex(rgb) << "\" xml:space=\"preserve\">" << XmlEscape(text) << "</text>\n";
  }
  void BeginRecord(const DrawnRecord& r) override {
    m_out << "<g data-type=\"" << r.type << "\" data-layer=\"" << XmlEscape(r.layer) << "\"";
    if (!r.handle.empty()) m_out << " data-handle=\"" << r.handle << "\"";
    if (r.type == "TEXT" || r.type == "DIMENSION") m_out << " data-text=\"" << XmlEscape(r.text) << "\"";
    m_out << ">\n";
  }
  void EndRecord() override { m_out << "</g>\n"; }
  void Emit(cairo_t* cr, unsigned rgb, double width, const std::vector<double>& dash, bool fill) override {
    cairo_path_t* path = cairo_copy_path(cr);
    std::string d;
    if (path && path->status == CAIRO_STATUS_SUCCESS) {
      for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* p = &path->data[i];
        switch (p->header.type) {
          case CAIRO_PATH_MOVE_TO: d += "M" + Num(p[1].point.x) + " " + Num(p[1].point.y); break;
          case CAIRO_PATH_LINE_TO: d += "L" + Num(p[1].point.x) + " " + Num(p[1].point.y); break;
          case CAIRO_PATH_CURVE_TO:
            d += "C" + Num(p[1].point.x) + " " + Num(p[1].point.y) + " " + Num(p[2].point.x) + " " +
                 Num(p[2].point.y) + " " + Num(p[3].point.x) + " " + Num(p[3].point.y);
            break;
          case CAIRO_PATH_CLOSE_PATH: d += "Z"; break;
        }
      }
    }
    cairo_path_destroy(path);
    cairo_new_path(cr);
    if (d.empty()) return;
    if (fill) {
      m_out << "<path d=\"" << d << "\" fill=\"" << Hex(rgb) << "\" stroke=\"none\"/>\n";
      return;
    }
    m_out << "<path d=\"" << d << "\" fill=\"none\" stroke=\"" << Hex(rgb) << "\" stroke-width=\"" << Num(width)
          << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    if (!dash.empty()) {
      m_out << " stroke-dasharray=\"";
      for (std::size_t i = 0; i < dash.size(); ++i) m_out << (i ? " " : "") << Num(dash[i]);
      m_out << "\"";
    }
    m_out << "/>\n";
  }


 private:
  std::ostream& m_out;
  std::string m_font;
};

// cairo keeps the fonts it found through fontconfig in static caches for the
// life of the process.  Under AddressSanitizer they are released at exit (no
// cairo object is alive then), so that leak checks report only real leaks.
void ReleaseFontCachesAtExit() {
#if defined(__SANITIZE_ADDRESS__)
  static const bool registered = [] {
    std::atexit([] {
      cairo_debug_reset_static_data();
      FcFini();
    });
    return true;
  }();
  (void)registered;
#endif
}

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

struct Prepared {
  std::vector<DrawnRecord> records;
  std::vector<Triangle> triangles;
  ExportSummary summary;
};

// Hidden lines of the isometric views: the faces of the solids are drawn
// into a depth buffer at the page's pixels (at most 2048 on the longer
// side), and every line that faces can hide keeps only the pieces that no
// face lies in front of.  A line on a face of its own solid stays: the
// tolerance covers the change of a face's depth across a pixel and a half.
void HideLines(std::vector<DrawnRecord>& records, const std::vector<Triangle>& triangles, const Page& page) {
  if (triangles.empty()) return;
  const double f = std::min(1.0, 2048.0 / std::max(page.width, page.height));
  const int W = std::max(1, static_cast<int>(std::ceil(page.width * f)));
  const int H = std::max(1, static_cast<int>(std::ceil(page.height * f)));
  const float none = -std::numeric_limits<float>::infinity();
  std::vector<float> depth(static_cast<std::size_t>(W) * static_cast<std::size_t>(H), none);
  const auto px = [&](const P2& p) { return P2{page.X(p.x) * f, page.Y(p.y) * f, p.depth}; };
  for (const Triangle& t : triangles) {
    const P2 a = px(t.p[0]), b = px(t.p[1]), c = px(t.p[2]);
    const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (std::fabs(area) < 1e-12) continue;  // seen edge-on
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int x1 = std::min(W - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int y1 = std::min(H - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    for (int j = y0; j <= y1; ++j) {
      for (int i = x0; i <= x1; ++i) {
        const double x = i + 0.5, y = j + 0.5;
        const double wa = ((b.x - x) * (c.y - y) - (b.y - y) * (c.x - x)) / area;
        const double wb = ((c.x - x) * (a.y - y) - (c.y - y) * (a.x - x)) / area;
        const double wc = 1.0 - wa - wb;
        if (wa < 0.0 || wb < 0.0 || wc < 0.0) continue;
        float& z = depth[static_cast<std::size_t>(j) * static_cast<std::size_t>(W) + static_cast<std::size_t>(i)];
        z = std::max(z, static_cast<float>(wa * a.depth + wb * b.depth + wc * c.depth));
      }
    }
  }
  const double tolerance = 3.0 / (page.scale * f);
  const auto visible = [&](const P2& p) {
    const P2 q = px(p);
    const int i = static_cast<int>(std::floor(q.x)), j = static_cast<int>(std::floor(q.y));
    if (i < 0 || j < 0 || i >= W || j >= H) return true;
    const float z = depth[static_cast<std::size_t>(j) * static_cast<std::size_t>(W) + static_cast<std::size_t>(i)];
    return z == none || p.depth >= z - tolerance;
  };
  const auto lerp = [](const P2& a, const P2& b, double t) {
    return P2{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.depth + (b.depth - a.depth) * t};
  };
  for (DrawnRecord& r : records) {
    for (Stroke& s : r.strokes) {
      if (!s.hidable) continue;
      std::vector<std::vector<P2>> kept;
      for (std::size_t k = 0; k < s.paths.size(); ++k) {
        std::vector<P2> path = s.paths[k];
        if (s.closed[k] && !path.empty()) path.push_back(path.front());
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
          const P2 a = path[i], b = path[i + 1];
          const P2 pa = px(a), pb = px(b);
          const int n = std::max(1, static_cast<int>(std::ceil(std::hypot(pb.x - pa.x, pb.y - pa.y))));
          int runStart = -1;
          for (int m = 0; m <= n + 1; ++m) {
            const bool seen = m <= n && visible(lerp(a, b, static_cast<double>(m) / n));
            if (seen && runStart < 0) runStart = m;
            if (!seen && runStart >= 0) {
              const int runEnd = m - 1;
              if (runEnd > runStart)
                kept.push_back(
                    {lerp(a, b, static_cast<double>(runStart) / n), lerp(a, b, static_cast<double>(runEnd) / n)});
              runStart = -1;
            }
          }
        }
      }
      s.paths = std::move(kept);
      s.closed.assign(s.paths.size(), false);
    }
  }
}

// `projections`: the projection of each part (1 isometric, else plan); an
// empty list takes the options' projection (the board's view mode for -1)
// for every item.
Prepared Prepare(const AcadViewBoard& board, const std::vector<AcadViewBoard::ExportItem>& items,
                 const PreviewOptions& options, const std::vector<int>& projections = {}) {
  const bool iso = options.projection < 0 ? board.GetViewMode() : options.projection == 1;
  Painter painter(board.GetDrawingStandard(), iso);
  Prepared p;
  for (const auto& item : items) {
    const Entity& e = *item.shape;
    const auto types = nirvox::RecordTypes(e);
    if (types.empty() || !nirvox::IsFinite(e)) {
      ++p.summary.skipped;
      continue;
    }
    if (const auto* pl = dynamic_cast<const _2dPolyline*>(&e); pl && pl->VerNums() < 2) {
      ++p.summary.skipped;
      continue;
    }
    if (const auto* pl = dynamic_cast<const _3dPolyline*>(&e); pl && pl->VerNums() < 2) {
      ++p.summary.skipped;
      continue;
    }
    const bool partIso = projections.empty() ? iso
                         : item.part >= 0 && static_cast<std::size_t>(item.part) < projections.size() &&
                               projections[static_cast<std::size_t>(item.part)] == 1;
    painter.Paint(item, partIso);
    ++p.summary.entities;
    p.summary.records += static_cast<int>(types.size());
  }
  p.records = std::move(painter.records);
  p.triangles = std::move(painter.triangles);
  PlacePartsApart(p.records, p.triangles);
  return p;
}

double UnitsPerPaperMm(const AcadViewBoard& board) {
  const int u = board.GetDrawingStandard().drawingUnit;
  return u > 0 ? static_cast<double>(u) : 1.0;
}

ExportSummary WriteSvgItems(const AcadViewBoard& board, std::ostream& out,
                            const std::vector<AcadViewBoard::ExportItem>& items, const PreviewOptions& options,
                            const std::vector<int>& projections = {}) {
  Prepared p = Prepare(board, items, options, projections);
  const Page page = FitPage(p.records, options, UnitsPerPaperMm(board));
  HideLines(p.records, p.triangles, page);
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1), &cairo_surface_destroy);
  ContextPtr cr(cairo_create(surface.get()), &cairo_destroy);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << page.width << "\" height=\"" << page.height
      << "\" viewBox=\"0 0 " << page.width << " " << page.height << "\">\n"
      << "<rect x=\"0\" y=\"0\" width=\"" << page.width << "\" height=\"" << page.height
      << "\" fill=\"#FFFFFF\"/>\n";
  SvgSink sink(out, board.GetDrawingStandard().previewFont);
  Render(cr.get(), p.records, page, board.GetDrawingStandard().previewFont, sink);
  out << "</svg>\n";
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error(std::string("SVG preview: ") + cairo_status_to_string(cairo_status(cr.get())));
  }
  if (!out) throw std::runtime_error("the SVG preview could not be written");
  return p.summary;
}

// The page as an 8-bit RGB PNG (the page is painted white, so it has no
// transparency).  Previews are line drawings on white: each row taken as
// its difference from the row above (mostly zeros) and the fastest
// compression pack them nearly as tightly as the library's default and
// several times faster.
bool EncodePng(cairo_surface_t* surface, std::string& out) {
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  if (!data || width <= 0 || height <= 0) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  // libpng reports its errors by a long jump back here.
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  const auto write = [](png_structp p, png_bytep bytes, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(bytes), length);
  };
  png_set_write_fn(png, &out, write, nullptr);
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    // Cairo's pixels are native 32-bit words 0xAARRGGBB, opaque here.
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[x];
      row[3 * x] = static_cast<png_byte>(p >> 16);
      row[3 * x + 1] = static_cast<png_byte>(p >> 8);
      row[3 * x + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// The PNG bytes of the items' preview.
ExportSummary EncodePngItems(const AcadViewBoard& board, std::string& bytes,
                             const std::vector<AcadViewBoard::ExportItem>& items, const PreviewOptions& options,
                             const std::vector<int>& projections = {}) {
  Prepared p = Prepare(board, items, options, projections);
  const Page page = FitPage(p.records, options, UnitsPerPaperMm(board));
  HideLines(p.records, p.triangles, page);
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, page.width, page.height),
                     &cairo_surface_destroy);
  ContextPtr cr(cairo_create(surface.get()), &cairo_destroy);
  cairo_set_source_rgb(cr.get(), 1.0, 1.0, 1.0);
  cairo_paint(cr.get());
  PngSink sink;
  Render(cr.get(), p.records, page, board.GetDrawingStandard().previewFont, sink);
  cairo_surface_flush(surface.get());
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error(std::string("PNG preview: ") + cairo_status_to_string(cairo_status(cr.get())));
  }
  if (!EncodePng(surface.get(), bytes)) throw std::runtime_error("PNG preview: the image could not be encoded");
  return p.summary;
}

ExportSummary WritePngItems(const AcadViewBoard& board, const std::string& path,
                            const std::vector<AcadViewBoard::ExportItem>& items, const PreviewOptions& options,
                            const std::vector<int>& projections = {}) {
  std::string bytes;
  const ExportSummary summary = EncodePngItems(board, bytes, items, options, projections);
  nirvox::WriteFileAtomically(path, bytes);
  return summary;
}

}  // namespace

ExportSummary AcadViewBoard::WriteSvg(std::ostream& out, const PreviewOptions& options) const {
  return WriteSvgItems(*this, out, CollectExport(options.includeHidden), options);
}

ExportSummary AcadViewBoard::WriteSvg(std::ostream& out, const EntityList& entities,
                                      const PreviewOptions& options) const {
  return WriteSvgItems(*this, out, CollectExport(entities, options.includeHidden), options);
}

ExportSummary AcadViewBoard::ExportSvg(const std::string& path, const PreviewOptions& options) const {
  std::ostringstream text;
  const ExportSummary summary = WriteSvg(text, options);
  nirvox::WriteFileAtomically(path, text.str());
  return summary;
}

ExportSummary AcadViewBoard::ExportSvg(const std::string& path, const EntityList& entities,
                                       const PreviewOptions& options) const {
  std::ostringstream text;
  const ExportSummary summary = WriteSvg(text, entities, options);
  nirvox::WriteFileAtomically(path, text.str());
  return summary;
}

ExportSummary AcadViewBoard::ExportPng(const std::string& path, const PreviewOptions& options) const {
  return WritePngItems(*this, path, CollectExport(options.includeHidden), options);
}

ExportSummary AcadViewBoard::ExportPng(const std::string& path, const EntityList& entities,
                                       const PreviewOptions& options) const {
  return WritePngItems(*this, path, CollectExport(entities, options.includeHidden), options);
}

std::vector<std::uint8_t> AcadViewBoard::RenderPng(const EntityList& entities, const PreviewOptions& options) const {
  std::string bytes;
  EncodePngItems(*this, bytes, CollectExport(entities, options.includeHidden), options);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

namespace {
std::vector<int> PartProjections(const std::vector<ExportPart>& parts) {
  std::vector<int> out;
  for (const ExportPart& part : parts) out.push_back(part.projection);
  return out;
}
}  // namespace

ExportSummary AcadViewBoard::ExportSvg(const std::string& path, const std::vector<ExportPart>& parts,
                                       const PreviewOptions& options) const {
  std::ostringstream text;
  const ExportSummary summary = WriteSvgItems(*this, text, CollectExport(parts, options.includeHidden), options,
                                              PartProjections(parts));
  nirvox::WriteFileAtomically(path, text.str());
  return summary;
}

ExportSummary AcadViewBoard::ExportPng(const std::string& path, const std::vector<ExportPart>& parts,
                                       const PreviewOptions& options) const {
  return WritePngItems(*this, path, CollectExport(parts, options.includeHidden), options,
                       PartProjections(parts));
}
