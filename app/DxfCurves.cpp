#include "app/DxfCurves.h"

#include "app/SafeInput.h"
#include "platform/Dusmet.h"
#include "platform/Nirvox.h"

#include <boost/make_shared.hpp>
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fmt/format.h>
#include <string_view>
#include <memory>
#include <sstream>

namespace tank::app {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const int n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (n < 0 || i + static_cast<std::size_t>(n) >= s.size() + (n == 0 ? 1 : 0)) return false;
    for (int k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += static_cast<std::size_t>(n) + 1;
  }
  return true;
}

class Reader : public DL_CreationAdapter {
 public:
  explicit Reader(const std::vector<std::string>& layers) : m_layers(layers) {}

  void setVariableString(const std::string& key, const std::string& value, int) override {
    if (key == "$DWGCODEPAGE") m_gbk = value == "ANSI_936";
  }
  void addLine(const DL_LineData& d) override {
    Flush();
    auto line = boost::make_shared<_3dLine>(_3dPoint(d.x1, d.y1, 0), _3dPoint(d.x2, d.y2, 0));
    Keep(line);
  }
  void addArc(const DL_ArcData& d) override {
    Flush();
    auto arc = boost::make_shared<_2dArc>(_2dPoint(d.cx, d.cy), d.radius, d.angle1 * kPi / 180.0,
                                          d.angle2 * kPi / 180.0);
    Keep(arc);
  }
  void addPolyline(const DL_PolylineData& d) override {
    Flush();
    // Meshes and polyface meshes are no plan curves.
    m_polyline = (d.flags & (16 | 64)) == 0;
    if (!m_polyline) ++m_result.skipped;
    m_closed = (d.flags & 1) != 0;
    m_vertices.clear();
    m_bulges.clear();
    m_layer = Layer();
  }
  void addVertex(const DL_VertexData& d) override {
    if (!m_polyline) return;
    m_vertices.emplace_back(d.x, d.y, 0.0);
    m_bulges.push_back(d.bulge);
  }
  void endSequence() override { Flush(); }
  void addCircle(const DL_CircleData&) override { Skip(); }
  void addText(const DL_TextData&) override { Skip(); }
  void addMText(const DL_MTextData&) override { Skip(); }
  void addPoint(const DL_PointData&) override { Skip(); }

  DxfCurves Finish() {
    Flush();
    return std::move(m_result);
  }

 private:
  void Skip() {
    Flush();
    ++m_result.skipped;
  }
  std::string Layer() {
    std::string layer = getAttributes().getLayer();
    if (m_gbk || !IsValidUtf8(layer)) layer = GbkToUtf8(layer);
    return layer;
  }
  bool Wanted(const std::string& layer) const {
    return m_layers.empty() || g_GeomAlgorithm.ContainsName(m_layers, layer);
  }
  void Keep(const EntityPtr& e) {
    const std::string layer = Layer();
    if (!Wanted(layer)) return;
    e->SetLayer(layer);
    m_result.curves.push_back(e);
  }
  void Flush() {
    if (!m_polyline) return;
    m_polyline = false;
    if (m_vertices.size() < 2 || !Wanted(m_layer)) return;
    auto polyline = boost::make_shared<_2dPolyline>(m_vertices, m_closed);
    polyline->SetBulges(m_bulges);
    polyline->SetLayer(m_layer);
    m_result.curves.push_back(polyline);
  }

  std::vector<std::string> m_layers;
  DxfCurves m_result;
  bool m_gbk = false;
  bool m_polyline = false;
  bool m_closed = false;
  std::string m_layer;
  std::vector<_3dPoint> m_vertices;
  std::vector<double> m_bulges;
};

std::string Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

bool IsGroupCode(const std::string& s) {
  if (s.empty() || s.size() > 4) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string DxfTextProblem(const std::string& text) {
  if (text.rfind("AutoCAD Binary DXF", 0) == 0) return "a binary DXF file (only ASCII DXF is read)";
  std::size_t number = 0;
  std::vector<std::string> first;  // the first two non-blank lines
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++number;
    const std::string_view line(text.data() + start, end - start);
    if (line.find('\0') != std::string_view::npos)
      return fmt::format("not a DXF file (line {} holds a NUL byte)", number);
    if (line.size() > kMaxDxfLineBytes)
      return fmt::format("line {} is longer than {} characters (the DXF reader takes at most {} a line)", number,
                         kMaxDxfLineBytes, kMaxDxfLineBytes);
    if (first.size() < 2 && (!first.empty() || !Trimmed(line).empty())) first.push_back(Trimmed(line));
    start = end + 1;
  }
  // A DXF file opens with a group: its code, then SECTION or a comment (999).
  if (first.empty()) return "not a DXF file (it is empty)";
  if (!IsGroupCode(first[0]) || (first[0] != "0" && first[0] != "999") ||
      (first[0] == "0" && (first.size() < 2 || first[1] != "SECTION")))
    return "not a DXF file (it does not open with a DXF group such as 0 / SECTION)";
  return {};
}

DxfCurves ReadDxfCurves(const std::string& path, const std::vector<std::string>& layers) {
  std::string text;
  try {
    text = ReadRegularFile(path, kMaxJsonFileBytes * 4);
  } catch (const std::exception& e) {
    throw DxfReadError(e.what());
  }
  return ReadDxfCurvesFromText(text, path, layers);
}

DxfCurves ReadDxfCurvesFromText(const std::string& text, const std::string& path,
                                const std::vector<std::string>& layers) {
  // The library loops for ever on a line longer than its buffer: the text is
  // checked before it is handed over.
  if (const std::string why = DxfTextProblem(text); !why.empty()) throw DxfReadError(path + ": " + why);
  std::istringstream in(text);
  Reader reader(layers);
  DL_Dxf dxf;
  if (!dxf.in(in, &reader)) throw DxfReadError(path + ": not a readable DXF file");
  DxfCurves result = reader.Finish();
  return result;
}

}  // namespace tank::app
