// View board: export of the drawing to DXF R2000 (AC1015).
//
// The file is written through dxflib's group writer (DL_WriterA, with its
// handle counter), its table framing and the records it writes correctly
// for R2000: VPORT, VIEW, UCS, APPID and LTYPE.  The other records are
// written here, in the subclass order of the DXF reference, because dxflib
// does not write what the drawings need: it has no constant width or
// elevation on LWPOLYLINE, no extrusion on CIRCLE and TEXT, puts the
// entity's layer after the subclass marker, writes a DIMENSION without its
// block and with a fixed style, and gives its LAYER and STYLE records
// references to objects it does not write.
//
// What is written:
// - HEADER: $ACADVER AC1015, $DWGCODEPAGE ANSI_936, $HANDSEED above every
//   handle, $INSUNITS millimetres, $LTSCALE from the drawing scale
//   (EffectiveLinetypeScale: a paper millimetre of pattern per u units),
//   $EXTMIN / $EXTMAX of the exported entities; with dimensions, the
//   dimension variables of the first dimension style.
// - TABLES: the layers of the standard and every layer an entity uses, with
//   colour and line type; every line type used (known ISO patterns,
//   unknown names as continuous lines); the standard's text styles and any
//   other style a text names; one dimension style per category, scale and
//   unit (DIMLFAC = shown value / drawn length, 45-degree ticks); the block
//   records of the spaces and of the dimension blocks.
// - BLOCKS: model and paper space and one anonymous block "*Dn" per
//   dimension with its extension lines, dimension line, ticks and text, so
//   that readers that do not regenerate dimensions still show them.
// - ENTITIES: LINE (_2dLine, _3dLine), ARC (_2dArc, degrees), LWPOLYLINE
//   (_2dPolyline: bulges, constant width, closed flag, elevation of the first
//   vertex; a polyline whose vertices keep differing z and that has neither
//   bulges nor width is a 3D POLYLINE instead), POLYLINE with VERTEX and
//   SEQEND (_3dPolyline), CIRCLE with extrusion (_3dCircle; the centre in
//   object coordinates by the arbitrary-axis rule), TEXT (_Text: rotation in
//   degrees, height, width factor, alignment, style), DIMENSION (aligned)
//   and, for an Ordinal, a CIRCLE and a centred TEXT.  _3dExtrudant solids
//   are polyface meshes (POLYLINE with flag 64, its vertices and face
//   records; see solids.h), so that CAD programs show them in 3D; a solid
//   without area or height writes an empty mesh.  Entities with non-finite
//   values and polylines with fewer than two vertices are left out.
// - Texts and names are GBK; "%%nnn" codes are kept as they are.
// - An empty CLASSES section and the OBJECTS a CAD program needs at least:
//   the root dictionary with its (empty) ACAD_GROUP dictionary.
#include "platform/Nirvox.h"

#include "platform/nirvox/internal.h"
#include "platform/nirvox/solids.h"

#include <dxflib/dl_dxf.h>
#include <dxflib/dl_writer_ascii.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace {

using nirvox::DimensionDrawing;
using nirvox::OrdinalDrawing;

// Fixed handles of the table and space records.
constexpr unsigned long kBlockRecordTable = 0x1;
constexpr unsigned long kLayerTable = 0x2;
constexpr unsigned long kStyleTable = 0x3;
constexpr unsigned long kDimStyleTable = 0xA;
constexpr unsigned long kModelSpaceRecord = 0x1F;
constexpr unsigned long kPaperSpaceRecord = 0x1B;
constexpr unsigned long kModelSpaceBlock = 0x20;
constexpr unsigned long kModelSpaceEnd = 0x21;
constexpr unsigned long kPaperSpaceBlock = 0x1C;
constexpr unsigned long kPaperSpaceEnd = 0x1D;
constexpr unsigned long kRootDictionary = 0xC;
constexpr unsigned long kGroupDictionary = 0xD;
constexpr unsigned long kFirstFreeHandle = 0x100;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// dxflib's writer with its output kept in memory, so that the header, which
// names the last handle, can be written after the rest.  Every group is
// formatted in place at the end of the one buffer, without a string of its
// own.
class MemoryWriter : public DL_WriterA {
 public:
  MemoryWriter() : DL_WriterA("/dev/null", DL_VERSION_2000) {}

  void dxfReal(int gc, double value) const override {
    char buffer[64];
    Put(gc, FormatReal(value, buffer));
  }
  void dxfInt(int gc, int value) const override {
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    Put(gc, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  }
  void dxfHex(int gc, int value) const override { Hex(gc, static_cast<unsigned long>(value)); }
  void dxfString(int gc, const char* value) const override { Put(gc, value ? value : ""); }
  void dxfString(int gc, const std::string& value) const override { Put(gc, value); }

  void Hex(int gc, unsigned long value) const {
    char buffer[24];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value, 16).ptr;
    for (char* c = buffer; c != end; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    Put(gc, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  }
  void Point(int gc, double x, double y, double z) const {
    dxfReal(gc, x);
    dxfReal(gc + 10, y);
    dxfReal(gc + 20, z);
  }
  unsigned long NewHandle() const { return m_handle++; }
  unsigned long NextHandle() const { return m_handle; }
  void SetNextHandle(unsigned long h) { m_handle = h; }
  const std::string& Text() const { return m_text; }

 private:
  // Ten decimals without trailing zeros, at least one decimal ("0.0" for
  // zero, tiny and non-finite values).
  static std::string_view FormatReal(double v, char (&buffer)[64]) {
    if (!std::isfinite(v) || std::fabs(v) < 1e-12) return "0.0";
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer - 1, v, std::chars_format::fixed, 10);
    if (error != std::errc()) return "0.0";
    int n = static_cast<int>(end - buffer);
    while (n > 1 && buffer[n - 1] == '0') --n;
    if (buffer[n - 1] == '.') buffer[n++] = '0';
    const std::string_view s(buffer, static_cast<std::size_t>(n));
    return s == "-0.0" ? std::string_view("0.0") : s;
  }
  void Put(int gc, std::string_view value) const {
    // The group code right-aligned in three places on a line of its own.
    char code[16];
    const auto end = std::to_chars(code, code + sizeof code, gc).ptr;
    for (std::ptrdiff_t pad = 3 - (end - code); pad > 0; --pad) m_text.push_back(' ');
    m_text.append(code, static_cast<std::size_t>(end - code));
    m_text.push_back('\n');
    // A value never spans lines.
    const std::size_t start = m_text.size();
    m_text.append(value);
    if (value.find_first_of("\n\r") != std::string_view::npos)
      for (std::size_t i = start; i < m_text.size(); ++i)
        if (m_text[i] == '\n' || m_text[i] == '\r') m_text[i] = ' ';
    m_text.push_back('\n');
  }
  mutable std::string m_text;
};

// Arbitrary-axis rule: the object coordinate system of a normal.
struct Ocs {
  _3dVector ax{1, 0, 0}, ay{0, 1, 0}, az{0, 0, 1};
  bool world = true;
  explicit Ocs(_3dVector n) {
    if (!n.Normalize(1e-12)) return;
    if (std::fabs(n.x) < 1e-9 && std::fabs(n.y) < 1e-9 && n.z > 0.0) return;
    world = false;
    az = n;
    ax = (std::fabs(n.x) < 1.0 / 64.0 && std::fabs(n.y) < 1.0 / 64.0) ? _3dVector(0, 1, 0).CrossProduct(n)
                                                                         : _3dVector(0, 0, 1).CrossProduct(n);
    ax.Normalize(0.0);
    ay = n.CrossProduct(ax);
    ay.Normalize(0.0);
  }
  _3dPoint ToOcs(const _3dPoint& p) const {
    if (world) return p;
    const _3dVector v(p.x, p.y, p.z);
    return {v.DotProduct(ax), v.DotProduct(ay), v.DotProduct(az)};
  }
};

int SnapLineWeight(int w) {
  static const int kWeights[] = {0, 5, 9, 13, 15, 18, 20, 25, 30, 35, 40, 50, 53,
                                 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
  if (w == -1 || w == -2 || w == -3) return w;
  if (w < 0) return -1;
  int best = kWeights[0];
  for (int v : kWeights) {
    if (std::abs(v - w) < std::abs(best - w)) best = v;
  }
  return best;
}

double Degrees(double radians) {
  double d = radians * 180.0 / g_Pi;
  d = std::fmod(d, 360.0);
  if (d < 0.0) d += 360.0;
  return d;
}

// One dimension style of the file.
struct DimStyleKey {
  int category;
  int style;
  double textHeight;
  double arrowSize;
  bool operator<(const DimStyleKey& o) const {
    return std::tie(category, style, textHeight, arrowSize) < std::tie(o.category, o.style, o.textHeight, o.arrowSize);
  }
};
struct DimStyleEntry {
  std::string name;
  unsigned long handle = 0;
  double factor = 1.0;
  DimStyleKey key{};
};

// A dimension of the file: its block and style.
struct DimensionEntry {
  std::string block;
  unsigned long recordHandle = 0;
  std::string style;
  double factor = 1.0;
  DimensionDrawing drawing;
};

class DxfDocument;

// Surveys the entities: layers, line types, text styles and dimensions.
class Survey : public EntityVisitor {
 public:
  explicit Survey(DxfDocument& doc) : m_doc(doc) {}
  void Visit(const _2dLine& e) override { Common(e); }
  void Visit(const _3dLine& e) override { Common(e); }
  void Visit(const _2dArc& e) override { Common(e); }
  void Visit(const _2dPolyline& e) override { Common(e); }
  void Visit(const _3dPolyline& e) override { Common(e); }
  void Visit(const _3dCircle& e) override { Common(e); }
  void Visit(const _3dExtrudant& e) override { Common(e); }
  void Visit(const _Text& e) override;
  void Visit(const _2dAlignedDimension& e) override;
  void Visit(const Ordinal& e) override;

 private:
  void Common(const Entity& e);
  DxfDocument& m_doc;
};

// Writes the records of one entity.
class RecordWriter : public EntityVisitor {
 public:
  RecordWriter(DxfDocument& doc, unsigned long handle, unsigned long owner, bool invisible)
      : m_doc(doc), m_handle(handle), m_owner(owner), m_invisible(invisible) {}
  void Visit(const _2dLine& e) override;
  void Visit(const _3dLine& e) override;
  void Visit(const _2dArc& e) override;
  void Visit(const _2dPolyline& e) override;
  void Visit(const _3dPolyline& e) override;
  void Visit(const _3dCircle& e) override;
  void Visit(const _3dExtrudant& e) override;
  void Visit(const _Text& e) override;
  void Visit(const _2dAlignedDimension& e) override;
  void Visit(const Ordinal& e) override;
  int records = 0;

 private:
  unsigned long Handle() {
    // The entity's own handle for its first record, new ones after it.
    if (m_used) return m_doc_newHandle();
    m_used = true;
    return m_handle;
  }
  unsigned long m_doc_newHandle();
  DxfDocument& m_doc;
  unsigned long m_handle;
  unsigned long m_owner;
  bool m_invisible;
  bool m_used = false;
};

class DxfDocument {
 public:
  DxfDocument(const DrawingStandard& standard, const std::vector<AcadViewBoard::ExportItem>& items,
              unsigned long firstFree)
      : m_standard(standard), m_items(items), m_firstFree(std::max(firstFree, kFirstFreeHandle)) {}

  ExportSummary Write(std::ostream& out);

  // --- used by Survey and RecordWriter
  // A layer the standard does not know takes the colour of the first entity
  // drawn on it that has a colour of its own (7 when none has).
  void UseLayer(const std::string& layer, int color = Entity::kColorByLayer) {
    const std::string name = nirvox::CadLayerName(layer);
    const bool ownColor = color >= 1 && color <= 255;
    const auto found = m_layerIndex.find(name);
    if (found == m_layerIndex.end()) {
      m_layerIndex[name] = m_layers.size();
      m_layers.push_back({name, ownColor ? color : 7, "CONTINUOUS"});
      if (!ownColor) m_uncoloured.insert(name);
    } else if (ownColor && m_uncoloured.erase(name)) {
      m_layers[found->second].color = color;
    }
  }
  void UseLinetype(const std::string& name) {
    if (name.empty()) return;
    const std::string key = Upper(name);
    if (key == "BYLAYER" || key == "BYBLOCK") return;
    if (!m_linetypeIndex.count(key)) {
      m_linetypeIndex[key] = m_linetypes.size();
      LinetypeDef def{name, "", {}};
      for (const LinetypeDef& known : m_standard.linetypes) {
        if (Upper(known.name) == key) def = known;
      }
      if (def.description.empty()) def.description = name;
      m_linetypes.push_back(def);
    }
  }
  std::string StyleName(const _Text& t) const {
    if (t.GetStyleName() != "Standard" && !t.GetStyleName().empty()) return t.GetStyleName();
    const auto& styles = m_standard.textStyles;
    const int id = t.GetTextStyle();
    if (id >= 0 && id < static_cast<int>(styles.size())) return styles[static_cast<std::size_t>(id)].name;
    return "Standard";
  }
  void UseStyle(const std::string& name) {
    const std::string key = Upper(name);
    if (m_styleIndex.count(key)) return;
    m_styleIndex[key] = m_styles.size();
    TextStyleDef def{name, "gbenor.shx", "gbcbig.shx", 1.0};
    for (const TextStyleDef& known : m_standard.textStyles) {
      if (Upper(known.name) == key) def = known;
    }
    m_styles.push_back(def);
  }
  void AddDimension(const _2dAlignedDimension& d) {
    DimensionEntry entry;
    entry.drawing = nirvox::DrawDimension(d);
    const double drawn = (d.GetSecondPoint() - d.GetFirstPoint()).GetLength();
    entry.factor = drawn > 0.0 ? d.GetMeasurement() / drawn : 1.0;
    const DimStyleKey key{d.GetCategoryStyle(), d.GetDimensionStyle(), std::fabs(d.GetTextHeight()),
                          std::fabs(d.GetArrowSize())};
    auto it = m_dimStyleIndex.find(key);
    if (it == m_dimStyleIndex.end()) {
      int scale = 1, unit = 1;
      DecodeDimensionStyle(key.style, scale, unit);
      std::string name = "DIM-" + std::to_string(key.category) + "-" + std::to_string(scale) + "-" +
                         std::to_string(unit);
      int same = 0;
      for (const DimStyleEntry& s : m_dimStyles) {
        if (s.name.rfind(name, 0) == 0) ++same;
      }
      if (same > 0) name += "-" + std::to_string(same + 1);
      it = m_dimStyleIndex.emplace(key, m_dimStyles.size()).first;
      m_dimStyles.push_back({name, 0, entry.factor, key});
    }
    entry.style = m_dimStyles[it->second].name;
    entry.block = "*D" + std::to_string(m_dimensions.size() + 1);
    m_dimensions.push_back(entry);
    UseStyle("Standard");
  }
  const DimensionEntry& NextDimension() { return m_dimensions.at(m_nextDimension++); }
  const DimStyleEntry& DimStyleNamed(const std::string& name) const {
    for (const DimStyleEntry& s : m_dimStyles) {
      if (s.name == name) return s;
    }
    return m_dimStyles.front();
  }

  MemoryWriter& W() { return m_w; }
  const DrawingStandard& Standard() const { return m_standard; }

  // Common groups of an entity record up to its subclass marker.
  void Begin(const char* type, unsigned long handle, unsigned long owner, const Entity& e, bool invisible,
             const char* subclass) {
    Begin(type, handle, owner, e.GetLayer(), e.GetLinetype(), e.GetColorIndex(), e.GetLineWeight(),
          e.GetLinetypeScale(), invisible, subclass);
  }
  void Begin(const char* type, unsigned long handle, unsigned long owner, const std::string& layer,
             const std::string& linetype, int color, int lineWeight, double linetypeScale, bool invisible,
             const char* subclass) {
    m_w.dxfString(0, type);
    m_w.Hex(5, handle);
    m_w.Hex(330, owner);
    m_w.dxfString(100, "AcDbEntity");
    m_w.dxfString(8, Utf8ToGbk(nirvox::CadLayerName(layer)));
    const std::string lt = Upper(linetype);
    if (!linetype.empty() && lt != "BYLAYER") m_w.dxfString(6, Utf8ToGbk(linetype));
    if (color >= 0 && color <= 255) m_w.dxfInt(62, color);
    const int lw = SnapLineWeight(lineWeight);
    if (lw != -1) m_w.dxfInt(370, lw);
    if (std::isfinite(linetypeScale) && linetypeScale > 0.0 && linetypeScale != 1.0) m_w.dxfReal(48, linetypeScale);
    if (invisible) m_w.dxfInt(60, 1);
    if (subclass) m_w.dxfString(100, subclass);
  }

  void WriteText(const _Text& t, unsigned long handle, unsigned long owner, bool invisible);
  void WriteCircle(const _3dCircle& c, unsigned long handle, unsigned long owner, bool invisible);
  void WriteLine(const Entity& e, const _3dPoint& a, const _3dPoint& b, unsigned long handle, unsigned long owner,
                 bool invisible);

 private:
  void Prepare();
  void WriteHeader(std::string& out, const Extents& box);
  void WriteTables();
  void WriteBlocks();
  void WriteEntities(ExportSummary& summary);
  void WriteObjects();

  const DrawingStandard& m_standard;
  const std::vector<AcadViewBoard::ExportItem>& m_items;
  unsigned long m_firstFree;
  MemoryWriter m_w;
  DL_Dxf m_dxf;

  std::vector<LayerStyle> m_layers;
  std::set<std::string> m_uncoloured;  // layers of our own still without a colour
  std::map<std::string, std::size_t> m_layerIndex;
  std::vector<LinetypeDef> m_linetypes;
  std::map<std::string, std::size_t> m_linetypeIndex;
  std::vector<TextStyleDef> m_styles;
  std::map<std::string, std::size_t> m_styleIndex;
  std::map<std::string, unsigned long> m_styleHandles;
  std::vector<DimStyleEntry> m_dimStyles;
  std::map<DimStyleKey, std::size_t> m_dimStyleIndex;
  std::vector<DimensionEntry> m_dimensions;
  std::size_t m_nextDimension = 0;
  std::vector<bool> m_writable;  // per item
};

unsigned long RecordWriter::m_doc_newHandle() { return m_doc.W().NewHandle(); }

// --- Survey

void Survey::Common(const Entity& e) {
  m_doc.UseLayer(e.GetLayer(), e.GetColorIndex());
  m_doc.UseLinetype(e.GetLinetype());
}

void Survey::Visit(const _Text& e) {
  Common(e);
  m_doc.UseStyle(m_doc.StyleName(e));
}

void Survey::Visit(const _2dAlignedDimension& e) {
  Common(e);
  m_doc.AddDimension(e);
}

void Survey::Visit(const Ordinal& e) {
  Common(e);
  m_doc.UseStyle("Standard");
}

// --- Records

void DxfDocument::WriteLine(const Entity& e, const _3dPoint& a, const _3dPoint& b, unsigned long handle,
                            unsigned long owner, bool invisible) {
  Begin("LINE", handle, owner, e, invisible, "AcDbLine");
  m_w.Point(10, a.x, a.y, a.z);
  m_w.Point(11, b.x, b.y, b.z);
}

void DxfDocument::WriteCircle(const _3dCircle& c, unsigned long handle, unsigned long owner, bool invisible) {
  const Ocs ocs(c.GetNormal());
  const _3dPoint centre = ocs.ToOcs(c.GetCenter());
  Begin("CIRCLE", handle, owner, c, invisible, "AcDbCircle");
  m_w.Point(10, centre.x, centre.y, centre.z);
  m_w.dxfReal(40, std::fabs(c.GetRadius()));
  if (!ocs.world) m_w.Point(210, ocs.az.x, ocs.az.y, ocs.az.z);
}

void DxfDocument::WriteText(const _Text& t, unsigned long handle, unsigned long owner, bool invisible) {
  const Ocs ocs(t.GetNormal());
  const nirvox::TextPlacement place = nirvox::PlaceText(t);
  const _3dPoint first = ocs.ToOcs(_3dPoint(place.origin, t.GetPosition().z));
  const _3dPoint second = ocs.ToOcs(t.GetPosition());
  const int h = static_cast<int>(t.GetHorizontalAlign());
  const int v = static_cast<int>(t.GetVerticalAlign());
  const bool aligned = h != 0 || v != 0;
  Begin("TEXT", handle, owner, t, invisible, "AcDbText");
  if (aligned) m_w.Point(10, first.x, first.y, first.z);
  else m_w.Point(10, second.x, second.y, second.z);
  m_w.dxfReal(40, t.GetHeight() > 0.0 ? t.GetHeight() : 1.0);
  m_w.dxfString(1, Utf8ToGbk(t.GetText()));
  const double rotation = Degrees(t.GetRotation());
  if (rotation != 0.0) m_w.dxfReal(50, rotation);
  m_w.dxfReal(41, t.GetWidthFactor());
  m_w.dxfString(7, Utf8ToGbk(StyleName(t)));
  if (h != 0) m_w.dxfInt(72, h);
  if (aligned) m_w.Point(11, second.x, second.y, second.z);
  if (!ocs.world) m_w.Point(210, ocs.az.x, ocs.az.y, ocs.az.z);
  m_w.dxfString(100, "AcDbText");
  if (v != 0) m_w.dxfInt(73, v);
}

void RecordWriter::Visit(const _2dLine& e) {
  m_doc.WriteLine(e, _3dPoint(e.GetStartPoint()), _3dPoint(e.GetEndPoint()), Handle(), m_owner, m_invisible);
  ++records;
}

void RecordWriter::Visit(const _3dLine& e) {
  m_doc.WriteLine(e, e.GetStartPoint(), e.GetEndPoint(), Handle(), m_owner, m_invisible);
  ++records;
}

void RecordWriter::Visit(const _2dArc& e) {
  MemoryWriter& w = m_doc.W();
  m_doc.Begin("ARC", Handle(), m_owner, e, m_invisible, "AcDbCircle");
  w.Point(10, e.GetCenter().x, e.GetCenter().y, 0.0);
  w.dxfReal(40, std::fabs(e.GetRadius()));
  w.dxfString(100, "AcDbArc");
  w.dxfReal(50, Degrees(e.GetStartAngle()));
  w.dxfReal(51, Degrees(e.GetEndAngle()));
  ++records;
}

void RecordWriter::Visit(const _2dPolyline& e) {
  MemoryWriter& w = m_doc.W();
  const auto& v = e.GetVertices();
  const auto& b = e.GetBulges();
  if (nirvox::IsSpacePolyline(e)) {
    _3dPolyline space(v, e.IsClosed());
    static_cast<Entity&>(space) = static_cast<const Entity&>(e);
    Visit(space);
    return;
  }
  m_doc.Begin("LWPOLYLINE", Handle(), m_owner, e, m_invisible, "AcDbPolyline");
  w.dxfInt(90, static_cast<int>(v.size()));
  w.dxfInt(70, e.IsClosed() ? 1 : 0);
  if (e.GetConstantWidth() != 0.0) w.dxfReal(43, std::fabs(e.GetConstantWidth()));
  if (v.front().z != 0.0) w.dxfReal(38, v.front().z);
  for (std::size_t i = 0; i < v.size(); ++i) {
    w.dxfReal(10, v[i].x);
    w.dxfReal(20, v[i].y);
    const double bulge = i < b.size() ? b[i] : 0.0;
    if (std::fabs(bulge) > 1e-12) w.dxfReal(42, bulge);
  }
  ++records;
}

void RecordWriter::Visit(const _3dPolyline& e) {
  MemoryWriter& w = m_doc.W();
  const unsigned long polyline = Handle();
  m_doc.Begin("POLYLINE", polyline, m_owner, e, m_invisible, "AcDb3dPolyline");
  w.dxfInt(66, 1);
  w.Point(10, 0.0, 0.0, 0.0);
  w.dxfInt(70, 8 | (e.IsClosed() ? 1 : 0));
  for (const _3dPoint& p : e.GetVertices()) {
    m_doc.Begin("VERTEX", m_doc.W().NewHandle(), polyline, e, m_invisible, "AcDbVertex");
    w.dxfString(100, "AcDb3dPolylineVertex");
    w.Point(10, p.x, p.y, p.z);
    w.dxfInt(70, 32);
  }
  m_doc.Begin("SEQEND", m_doc.W().NewHandle(), polyline, e, m_invisible, nullptr);
  ++records;
}

void RecordWriter::Visit(const _3dCircle& e) {
  m_doc.WriteCircle(e, Handle(), m_owner, m_invisible);
  ++records;
}

void RecordWriter::Visit(const _3dExtrudant& e) {
  MemoryWriter& w = m_doc.W();
  const nirvox::SolidMesh mesh = nirvox::MeshSolid(e);
  const unsigned long polyline = Handle();
  m_doc.Begin("POLYLINE", polyline, m_owner, e, m_invisible, "AcDbPolyFaceMesh");
  w.dxfInt(66, 1);
  w.Point(10, 0.0, 0.0, 0.0);
  w.dxfInt(70, 64);
  w.dxfInt(71, static_cast<int>(mesh.vertices.size()));
  w.dxfInt(72, static_cast<int>(mesh.faces.size()));
  for (const _3dPoint& p : mesh.vertices) {
    m_doc.Begin("VERTEX", w.NewHandle(), polyline, e, m_invisible, "AcDbVertex");
    w.dxfString(100, "AcDbPolyFaceMeshVertex");
    w.Point(10, p.x, p.y, p.z);
    w.dxfInt(70, 192);
  }
  for (const nirvox::MeshFace& f : mesh.faces) {
    m_doc.Begin("VERTEX", w.NewHandle(), polyline, e, m_invisible, "AcDbFaceRecord");
    w.Point(10, 0.0, 0.0, 0.0);
    w.dxfInt(70, 128);
    // 1-based vertex numbers; a negative one hides the edge that starts there.
    for (int k = 0; k < f.count; ++k) {
      const int number = f.vertices[static_cast<std::size_t>(k)] + 1;
      w.dxfInt(71 + k, f.visible[static_cast<std::size_t>(k)] ? number : -number);
    }
  }
  m_doc.Begin("SEQEND", w.NewHandle(), polyline, e, m_invisible, nullptr);
  ++records;
}

void RecordWriter::Visit(const _Text& e) {
  m_doc.WriteText(e, Handle(), m_owner, m_invisible);
  ++records;
}

void RecordWriter::Visit(const Ordinal& e) {
  const OrdinalDrawing d = nirvox::DrawOrdinal(e);
  m_doc.WriteCircle(d.circle, Handle(), m_owner, m_invisible);
  m_doc.WriteText(d.text, Handle(), m_owner, m_invisible);
  records += 2;
}

void RecordWriter::Visit(const _2dAlignedDimension& e) {
  MemoryWriter& w = m_doc.W();
  const DimensionEntry& dim = m_doc.NextDimension();
  const DimensionDrawing& d = dim.drawing;
  m_doc.Begin("DIMENSION", Handle(), m_owner, e, m_invisible, "AcDbDimension");
  w.dxfString(2, dim.block);
  w.Point(10, d.secondOnLine.x, d.secondOnLine.y, 0.0);
  w.Point(11, d.textMiddle.x, d.textMiddle.y, 0.0);
  // 128: the text stands where the drawing put it (raised off a narrow
  // dimension), not where a CAD program would centre it.
  w.dxfInt(70, 1 | 32 | (d.textMoved ? 128 : 0));
  w.dxfInt(71, 5);
  w.dxfReal(42, e.GetMeasurement());
  w.dxfString(1, Utf8ToGbk(e.GetText()));
  w.dxfString(3, dim.style);
  w.dxfString(100, "AcDbAlignedDimension");
  w.Point(13, e.GetFirstPoint().x, e.GetFirstPoint().y, 0.0);
  w.Point(14, e.GetSecondPoint().x, e.GetSecondPoint().y, 0.0);
  const DimStyleEntry& style = m_doc.DimStyleNamed(dim.style);
  if (std::fabs(dim.factor - style.factor) > 1e-12) {
    w.dxfString(1001, "ACAD");
    w.dxfString(1000, "DSTYLE");
    w.dxfString(1002, "{");
    w.dxfInt(1070, 144);
    w.dxfReal(1040, dim.factor);
    w.dxfString(1002, "}");
  }
  ++records;
}

// --- Document

void DxfDocument::Prepare() {
  for (std::size_t c = 0; c < m_standard.layers.size(); ++c) {
    const LayerStyle& l = m_standard.layers[c];
    const std::string name = nirvox::CadLayerName(l.name);
    if (m_layerIndex.count(name)) continue;
    m_layerIndex[name] = m_layers.size();
    m_layers.push_back({name, l.color, l.linetype});
  }
  UseLayer("0");
  UseLinetype("CONTINUOUS");
  for (const LinetypeDef& lt : m_standard.linetypes) UseLinetype(lt.name);
  for (const LayerStyle& l : m_layers) UseLinetype(l.linetype);
  for (const TextStyleDef& s : m_standard.textStyles) UseStyle(s.name);
  UseStyle("Standard");

  Survey survey(*this);
  m_writable.assign(m_items.size(), false);
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    const Entity& e = *m_items[i].shape;
    if (!IsWrittenToDxf(e)) continue;
    m_writable[i] = true;
    e.Accept(survey);
  }
}

void DxfDocument::WriteTables() {
  MemoryWriter& w = m_w;
  w.sectionTables();
  m_dxf.writeVPort(w);

  // Line types: dxflib writes the records (fixed handles for the three
  // built-in ones).
  w.tableLinetypes(static_cast<int>(m_linetypes.size()) + 2);
  m_dxf.writeLinetype(w, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
  m_dxf.writeLinetype(w, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
  for (const LinetypeDef& lt : m_linetypes) {
    std::vector<double> pattern = lt.pattern;
    double length = 0.0;
    for (double d : pattern) length += std::fabs(d);
    const std::string name = Utf8ToGbk(lt.name);
    const std::string description = Utf8ToGbk(lt.description);
    m_dxf.writeLinetype(w, DL_LinetypeData(name, description, 0, static_cast<int>(pattern.size()), length,
                                           pattern.empty() ? nullptr : pattern.data()));
  }
  w.tableEnd();

  w.tableLayers(static_cast<int>(m_layers.size()));
  for (const LayerStyle& l : m_layers) {
    w.dxfString(0, "LAYER");
    w.Hex(5, l.name == "0" ? 0x10 : w.NewHandle());
    w.Hex(330, kLayerTable);
    w.dxfString(100, "AcDbSymbolTableRecord");
    w.dxfString(100, "AcDbLayerTableRecord");
    w.dxfString(2, Utf8ToGbk(l.name));
    w.dxfInt(70, 0);
    w.dxfInt(62, l.color >= 1 && l.color <= 255 ? l.color : 7);
    w.dxfString(6, Utf8ToGbk(l.linetype.empty() ? std::string("CONTINUOUS") : l.linetype));
    w.dxfInt(370, -3);
  }
  w.tableEnd();

  w.tableStyle(static_cast<int>(m_styles.size()));
  for (const TextStyleDef& s : m_styles) {
    const unsigned long h = w.NewHandle();
    m_styleHandles[Upper(s.name)] = h;
    w.dxfString(0, "STYLE");
    w.Hex(5, h);
    w.Hex(330, kStyleTable);
    w.dxfString(100, "AcDbSymbolTableRecord");
    w.dxfString(100, "AcDbTextStyleTableRecord");
    w.dxfString(2, Utf8ToGbk(s.name));
    w.dxfInt(70, 0);
    w.dxfReal(40, 0.0);
    w.dxfReal(41, s.widthFactor > 0.0 ? s.widthFactor : 1.0);
    w.dxfReal(50, 0.0);
    w.dxfInt(71, 0);
    w.dxfReal(42, 2.5);
    w.dxfString(3, s.font);
    w.dxfString(4, s.bigFont);
  }
  w.tableEnd();

  m_dxf.writeView(w);
  m_dxf.writeUcs(w);
  w.tableAppid(1);
  m_dxf.writeAppid(w, "ACAD");
  w.tableEnd();

  // Dimension styles: "Standard" and one per category, scale and unit.
  w.dxfString(0, "TABLE");
  w.dxfString(2, "DIMSTYLE");
  w.Hex(5, kDimStyleTable);
  w.dxfString(100, "AcDbSymbolTable");
  w.dxfInt(70, static_cast<int>(m_dimStyles.size()) + 1);
  w.dxfString(100, "AcDbDimStyleTable");
  const auto dimStyle = [&](const std::string& name, double text, double arrow, double factor) {
    w.dxfString(0, "DIMSTYLE");
    w.Hex(105, w.NewHandle());
    w.Hex(330, kDimStyleTable);
    w.dxfString(100, "AcDbSymbolTableRecord");
    w.dxfString(100, "AcDbDimStyleTableRecord");
    w.dxfString(2, name);
    w.dxfInt(70, 0);
    w.dxfReal(41, arrow);        // DIMASZ
    w.dxfReal(42, 0.8 * arrow);  // DIMEXO
    w.dxfReal(44, 0.8 * arrow);  // DIMEXE
    w.dxfReal(140, text);        // DIMTXT
    w.dxfReal(142, arrow);       // DIMTSZ: ticks instead of arrows
    w.dxfReal(144, factor);      // DIMLFAC
    w.dxfReal(147, 0.4 * text);  // DIMGAP
    w.dxfInt(77, 1);             // DIMTAD: text above the line
    w.dxfInt(73, 0);             // DIMTIH
    w.dxfInt(74, 0);             // DIMTOH
    w.dxfInt(271, 0);            // DIMDEC: whole units
    w.Hex(340, m_styleHandles[Upper("Standard")]);
  };
  dimStyle("Standard", 2.5, 2.5, 1.0);
  for (DimStyleEntry& s : m_dimStyles) dimStyle(s.name, s.key.textHeight, s.key.arrowSize, s.factor);
  w.tableEnd();

  // Block records: the two spaces and the dimension blocks.
  w.dxfString(0, "TABLE");
  w.dxfString(2, "BLOCK_RECORD");
  w.Hex(5, kBlockRecordTable);
  w.dxfString(100, "AcDbSymbolTable");
  w.dxfInt(70, static_cast<int>(m_dimensions.size()) + 2);
  const auto blockRecord = [&](const std::string& name, unsigned long h) {
    w.dxfString(0, "BLOCK_RECORD");
    w.Hex(5, h);
    w.Hex(330, kBlockRecordTable);
    w.dxfString(100, "AcDbSymbolTableRecord");
    w.dxfString(100, "AcDbBlockTableRecord");
    w.dxfString(2, name);
  };
  blockRecord("*Model_Space", kModelSpaceRecord);
  blockRecord("*Paper_Space", kPaperSpaceRecord);
  for (DimensionEntry& d : m_dimensions) {
    d.recordHandle = w.NewHandle();
    blockRecord(d.block, d.recordHandle);
  }
  w.tableEnd();
  w.sectionEnd();
}

void DxfDocument::WriteBlocks() {
  MemoryWriter& w = m_w;
  w.sectionBlocks();
  const auto block = [&](const std::string& name, unsigned long h, unsigned long record, int flags, bool paper) {
    w.dxfString(0, "BLOCK");
    w.Hex(5, h);
    w.Hex(330, record);
    w.dxfString(100, "AcDbEntity");
    if (paper) w.dxfInt(67, 1);
    w.dxfString(8, "0");
    w.dxfString(100, "AcDbBlockBegin");
    w.dxfString(2, name);
    w.dxfInt(70, flags);
    w.Point(10, 0.0, 0.0, 0.0);
    w.dxfString(3, name);
    w.dxfString(1, "");
  };
  const auto end = [&](unsigned long h, unsigned long record, bool paper) {
    w.dxfString(0, "ENDBLK");
    w.Hex(5, h);
    w.Hex(330, record);
    w.dxfString(100, "AcDbEntity");
    if (paper) w.dxfInt(67, 1);
    w.dxfString(8, "0");
    w.dxfString(100, "AcDbBlockEnd");
  };
  block("*Model_Space", kModelSpaceBlock, kModelSpaceRecord, 0, false);
  end(kModelSpaceEnd, kModelSpaceRecord, false);
  block("*Paper_Space", kPaperSpaceBlock, kPaperSpaceRecord, 0, true);
  end(kPaperSpaceEnd, kPaperSpaceRecord, true);

  // Dimension blocks: their entities on layer 0 in the colour of the block.
  for (const DimensionEntry& dim : m_dimensions) {
    block(dim.block, w.NewHandle(), dim.recordHandle, 1, false);
    const DimensionDrawing& d = dim.drawing;
    _2dLine part;
    part.SetLayer("0");
    part.SetColorIndex(Entity::kColorByBlock);
    for (const _2dLine& l : d.lines) {
      WriteLine(part, _3dPoint(l.GetStartPoint()), _3dPoint(l.GetEndPoint()), w.NewHandle(), dim.recordHandle, false);
    }
    for (const _2dLine& l : d.ticks) {
      WriteLine(part, _3dPoint(l.GetStartPoint()), _3dPoint(l.GetEndPoint()), w.NewHandle(), dim.recordHandle, false);
    }
    _Text text = d.text;
    text.SetLayer("0");
    text.SetColorIndex(Entity::kColorByBlock);
    WriteText(text, w.NewHandle(), dim.recordHandle, false);
    end(w.NewHandle(), dim.recordHandle, false);
  }
  w.sectionEnd();
}

void DxfDocument::WriteEntities(ExportSummary& summary) {
  m_w.sectionEntities();
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (!m_writable[i]) {
      ++summary.skipped;
      continue;
    }
    const AcadViewBoard::ExportItem& item = m_items[i];
    const unsigned long handle = item.handle.IsNull() ? m_w.NewHandle() : static_cast<unsigned long>(item.handle.Id());
    RecordWriter writer(*this, handle, kModelSpaceRecord, !item.visible);
    item.shape->Accept(writer);
    ++summary.entities;
    summary.records += writer.records;
  }
  m_w.sectionEnd();
}

void DxfDocument::WriteObjects() {
  MemoryWriter& w = m_w;
  w.sectionObjects();
  w.dxfString(0, "DICTIONARY");
  w.Hex(5, kRootDictionary);
  w.Hex(330, 0);
  w.dxfString(100, "AcDbDictionary");
  w.dxfInt(281, 1);
  w.dxfString(3, "ACAD_GROUP");
  w.Hex(350, kGroupDictionary);
  w.dxfString(0, "DICTIONARY");
  w.Hex(5, kGroupDictionary);
  w.Hex(330, kRootDictionary);
  w.dxfString(100, "AcDbDictionary");
  w.dxfInt(281, 1);
  w.sectionEnd();
}

void DxfDocument::WriteHeader(std::string& out, const Extents& box) {
  MemoryWriter h;
  h.comment("tankdesign view board");
  h.sectionHeader();
  h.dxfString(9, "$ACADVER");
  h.dxfString(1, "AC1015");
  h.dxfString(9, "$DWGCODEPAGE");
  h.dxfString(3, "ANSI_936");
  h.dxfString(9, "$HANDSEED");
  h.Hex(5, m_w.NextHandle());
  h.dxfString(9, "$INSBASE");
  h.Point(10, 0.0, 0.0, 0.0);
  h.dxfString(9, "$EXTMIN");
  h.Point(10, box.IsEmpty() ? 0.0 : box.minX, box.IsEmpty() ? 0.0 : box.minY, box.IsEmpty() ? 0.0 : box.minZ);
  h.dxfString(9, "$EXTMAX");
  h.Point(10, box.IsEmpty() ? 0.0 : box.maxX, box.IsEmpty() ? 0.0 : box.maxY, box.IsEmpty() ? 0.0 : box.maxZ);
  h.dxfString(9, "$LTSCALE");
  h.dxfReal(40, EffectiveLinetypeScale(m_standard));
  h.dxfString(9, "$INSUNITS");
  h.dxfInt(70, 4);
  h.dxfString(9, "$MEASUREMENT");
  h.dxfInt(70, 1);
  if (!m_dimStyles.empty()) {
    // The drawing's dimension variables are those of its first dimension
    // style: readers that draw dimensions from the header variables rather
    // than from their style or block (LibreCAD) then show the texts and ticks
    // at their size on paper.
    const DimStyleEntry& s = m_dimStyles.front();
    const auto real = [&h](const char* name, double value) {
      h.dxfString(9, name);
      h.dxfReal(40, value);
    };
    real("$DIMSCALE", 1.0);
    real("$DIMASZ", s.key.arrowSize);
    real("$DIMEXO", 0.8 * s.key.arrowSize);
    real("$DIMEXE", 0.8 * s.key.arrowSize);
    real("$DIMTXT", s.key.textHeight);
    real("$DIMTSZ", s.key.arrowSize);
    real("$DIMLFAC", s.factor);
    real("$DIMGAP", 0.4 * s.key.textHeight);
    h.dxfString(9, "$DIMTAD");
    h.dxfInt(70, 1);
    h.dxfString(9, "$DIMDEC");
    h.dxfInt(70, 0);
  }
  h.sectionEnd();
  out = h.Text();
}

ExportSummary DxfDocument::Write(std::ostream& out) {
  // Handles of new records start above every handle of the drawing.
  unsigned long first = m_firstFree;
  for (const auto& item : m_items) {
    if (!item.handle.IsNull()) first = std::max(first, static_cast<unsigned long>(item.handle.Id()) + 1);
  }
  m_w.SetNextHandle(first);
  Prepare();

  Extents box;
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (!m_writable[i]) continue;
    const Extents e = nirvox::DrawnExtents(*m_items[i].shape);
    if (!e.IsEmpty()) box.Extend(e);
  }

  ExportSummary summary;
  m_w.sectionClasses();
  m_w.sectionEnd();
  WriteTables();
  WriteBlocks();
  WriteEntities(summary);
  WriteObjects();
  m_w.dxfEOF();

  std::string header;
  WriteHeader(header, box);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  out.write(m_w.Text().data(), static_cast<std::streamsize>(m_w.Text().size()));
  if (!out) throw std::runtime_error("the DXF drawing could not be written");
  return summary;
}

// Writes what `write` puts into the stream to `path`, through a temporary
// file renamed over it.
void WriteFileSafely(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::ios::openmode mode) {
  const std::filesystem::path target(path);
  const std::filesystem::path temporary = target.string() + ".part";
  {
    std::ofstream f(temporary, mode | std::ios::trunc);
    try {
      if (f) write(f);
    } catch (...) {
      f.close();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw;
    }
    f.flush();
    if (!f) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, target, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("cannot write " + path + ": " + ec.message());
  }
}

}  // namespace

namespace nirvox {
void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  WriteFileSafely(
      path, [&bytes](std::ostream& out) { out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); },
      std::ios::binary);
}

// Places the drawings of a sheet apart: every part after the first is moved
// so that it starts a gap to the right of the one before, its lower edge in
// line with the first part's.  Moved items get moved copies of their shapes.
void PlacePartsApart(std::vector<AcadViewBoard::ExportItem>& items) {
  std::vector<Extents> boxes;
  for (const auto& item : items) {
    if (item.part < 0) continue;
    if (static_cast<std::size_t>(item.part) >= boxes.size()) boxes.resize(static_cast<std::size_t>(item.part) + 1);
    if (!IsFinite(*item.shape)) continue;
    const Extents e = DrawnExtents(*item.shape);
    if (!e.IsEmpty()) boxes[static_cast<std::size_t>(item.part)].Extend(e);
  }
  if (boxes.size() < 2) return;
  double largest = 0.0;
  for (const Extents& b : boxes)
    if (!b.IsEmpty()) largest = std::max({largest, b.GetWidth(), b.GetHeight()});
  const double gap = 0.1 * largest;
  std::vector<_3dVector> offsets(boxes.size(), _3dVector(0, 0, 0));
  bool started = false;
  double right = 0.0, bottom = 0.0;
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    const Extents& b = boxes[k];
    if (b.IsEmpty()) continue;
    if (started) offsets[k] = _3dVector(right + gap - b.minX, bottom - b.minY, 0.0);
    else bottom = b.minY;
    started = true;
    right = b.maxX + offsets[k].x;
  }
  for (auto& item : items) {
    const _3dVector& v = offsets[static_cast<std::size_t>(std::max(item.part, 0))];
    if (v.x == 0.0 && v.y == 0.0) continue;
    EntityPtr copy = item.shape->Clone();
    copy->Move(v);
    item.shape = copy;
  }
}
}  // namespace nirvox

bool IsWrittenToDxf(const Entity& e) {
  if (nirvox::RecordTypes(e).empty() || !nirvox::IsFinite(e)) return false;
  if (const auto* p = dynamic_cast<const _2dPolyline*>(&e); p && p->VerNums() < 2) return false;
  if (const auto* p = dynamic_cast<const _3dPolyline*>(&e); p && p->VerNums() < 2) return false;
  return true;
}

ExportSummary AcadViewBoard::ExportDxf(const std::string& path, const std::vector<ExportPart>& parts,
                                       const DxfExportOptions& options) const {
  std::vector<ExportItem> items = CollectExport(parts, options.includeHidden);
  nirvox::PlacePartsApart(items);
  DxfDocument doc(m_standard, items, static_cast<unsigned long>(GetNextHandleId()));
  // Straight into the file: the drawing's text is not copied again.
  ExportSummary summary;
  WriteFileSafely(path, [&](std::ostream& out) { summary = doc.Write(out); }, std::ios::binary);
  return summary;
}

ExportSummary AcadViewBoard::WriteDxf(std::ostream& out, const DxfExportOptions& options) const {
  const std::vector<ExportItem> items = CollectExport(options.includeHidden);
  DxfDocument doc(m_standard, items, static_cast<unsigned long>(GetNextHandleId()));
  return doc.Write(out);
}

ExportSummary AcadViewBoard::WriteDxf(std::ostream& out, const EntityList& entities,
                                      const DxfExportOptions& options) const {
  const std::vector<ExportItem> items = CollectExport(entities, options.includeHidden);
  DxfDocument doc(m_standard, items, static_cast<unsigned long>(GetNextHandleId()));
  return doc.Write(out);
}

ExportSummary AcadViewBoard::ExportDxf(const std::string& path, const DxfExportOptions& options) const {
  std::ostringstream text;
  const ExportSummary summary = WriteDxf(text, options);
  nirvox::WriteFileAtomically(path, text.str());
  return summary;
}

ExportSummary AcadViewBoard::ExportDxf(const std::string& path, const EntityList& entities,
                                       const DxfExportOptions& options) const {
  std::ostringstream text;
  const ExportSummary summary = WriteDxf(text, entities, options);
  nirvox::WriteFileAtomically(path, text.str());
  return summary;
}
