// What the view board's previews and DXF show an engineer: texts kept as
// words in the SVG, colours that read on white paper, line types sized by
// the drawing scale, a page sized from the drawing, and sheets of several
// drawings placed apart.
#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "platform/nirvox/internal.h"
#include "tests/export_readers.h"
#include "tests/test_paths.h"

#include <boost/make_shared.hpp>
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <cmath>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

namespace {

using namespace export_readers;

std::string SvgOf(const AcadViewBoard& board, const EntityList& entities, const PreviewOptions& options = {}) {
  std::ostringstream out;
  board.WriteSvg(out, entities, options);
  return out.str();
}

// The <text> element of each text and dimension record: (data-text, the
// element's words).
std::vector<std::pair<std::string, std::string>> TextElements(const std::string& svg) {
  static const std::regex code(R"rx(data-text="([^"]*)")rx");
  static const std::regex text(R"rx(<text [^>]*>([^<]*)</text>)rx");
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [tag, body] : Groups(svg)) {
    std::smatch c, t;
    if (!std::regex_search(tag, c, code)) continue;
    out.emplace_back(XmlUnescape(c[1]), std::regex_search(body, t, text) ? XmlUnescape(t[1]) : "<none>");
  }
  return out;
}

TEST(PreviewText, EveryTextIsATextElementInTheCjkFont) {
  AcadViewBoard board;
  const std::vector<std::string> words = {"池壁1  ", "%%13212@150", "H=300 <A&B>", "底板2"};
  EntityList entities;
  double y = 0;
  for (const std::string& w : words) {
    auto t = boost::make_shared<_Text>(w, _3dPoint(0, y, 0), 350.0, y > 0 ? g_Pi / 2 : 0.0);
    t->SetLayer(GetLayerName(8));
    entities.push_back(t);
    y += 1000;
  }
  entities.push_back(
      boost::make_shared<_2dAlignedDimension>(_2dPoint(0, -1000), _2dPoint(3000, -1000), _2dPoint(1500, -1500)));
  for (const EntityPtr& e : entities) board.AddEntity(e);

  const std::string svg = SvgOf(board, entities);
  const auto texts = TextElements(svg);
  ASSERT_EQ(texts.size(), entities.size());
  for (const auto& [code, drawn] : texts) EXPECT_EQ(drawn, PreviewText(code)) << code;
  EXPECT_NE(svg.find("font-family=\"&apos;" + board.GetDrawingStandard().previewFont + "&apos;, sans-serif\""),
            std::string::npos);
  // A text turned by a right angle is turned on the page too.
  EXPECT_NE(svg.find("rotate(-90.000)"), std::string::npos);
}

TEST(PreviewColours, LightScreenColoursAreDarkenedForWhitePaperKeepingTheirHue) {
  struct Case {
    unsigned screen;
    bool keeps;  // dark enough to stay as it is
  };
  const Case cases[] = {{0xFFFF00, false}, {0x00FF00, false}, {0x00FFFF, false}, {0xFFFF7F, false},
                        {0xC0C0C0, false}, {0xFF0000, true},  {0x0000FF, true},  {0xFF00FF, true},
                        {0x5F7F00, true}};
  const auto lum = [](unsigned c) {
    return 0.2126 * ((c >> 16) & 0xFF) / 255 + 0.7152 * ((c >> 8) & 0xFF) / 255 + 0.0722 * (c & 0xFF) / 255;
  };
  for (const Case& c : cases) {
    const unsigned paper = nirvox::PaperColor(c.screen);
    if (c.keeps) {
      EXPECT_EQ(paper, c.screen) << std::hex << c.screen;
      continue;
    }
    EXPECT_LE(lum(paper), 0.455) << std::hex << c.screen;
    EXPECT_GE(lum(paper), 0.40) << std::hex << c.screen;  // darkened, not black
    // The hue: channels keep their order and their zeros.
    for (int shift : {0, 8, 16}) {
      const unsigned a = (c.screen >> shift) & 0xFF, b = (paper >> shift) & 0xFF;
      EXPECT_EQ(a == 0, b == 0) << std::hex << c.screen;
    }
  }
  EXPECT_EQ(nirvox::PaperColor(0xFFFFFF), 0x000000u);

  // A wall outline in the walls' colour (yellow) does not plot yellow.
  AcadViewBoard board;
  auto line = boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(1000, 0));
  line->SetLayer(GetLayerName(0));
  board.AddEntity(line);
  const std::string svg = SvgOf(board, {line});
  EXPECT_EQ(svg.find("#FFFF00"), std::string::npos);
  EXPECT_NE(svg.find("stroke=\"#7C7C00\""), std::string::npos);
}

// The drawing's $LTSCALE as ezdxf reads it, for a standard.
double LtscaleOf(const DrawingStandard& standard) {
  AcadViewBoard board;
  board.SetDrawingStandard(standard);
  auto line = boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(1000, 0));
  line->SetLayer(GetLayerName(18));
  board.AddEntity(line);
  const std::string path = TestTempPath(std::to_string(standard.drawingUnit) + ".dxf");
  board.ExportDxf(path);
  const json r = ReadWithEzdxf(path);
  std::filesystem::remove(path);
  return r.is_null() ? -1.0 : r["ltscale"].get<double>();
}

TEST(PreviewLinetypes, LinetypeScaleFollowsTheDrawingScaleUnlessSet) {
  DrawingStandard standard;
  EXPECT_DOUBLE_EQ(LtscaleOf(standard), 100.0);  // 1:100: a paper millimetre is 100 units
  standard.drawingUnit = 50;
  EXPECT_DOUBLE_EQ(LtscaleOf(standard), 50.0);
  standard.linetypeScale = 20.0;
  EXPECT_DOUBLE_EQ(LtscaleOf(standard), 20.0);

  // The preview dashes an axis line at 1:100 (a CENTER period of 50.8 paper
  // millimetres) instead of drawing it solid.
  AcadViewBoard board;
  auto axis = boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(30000, 0));
  axis->SetLayer(GetLayerName(18));
  board.AddEntity(axis);
  EXPECT_NE(SvgOf(board, {axis}).find("stroke-dasharray"), std::string::npos);
}

int PngWidth(const AcadViewBoard& board, const EntityList& entities, const PreviewOptions& options = {}) {
  const std::string path = TestTempPath("size.png");
  board.ExportPng(path, entities, options);
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  const int w = cairo_surface_status(png) == CAIRO_STATUS_SUCCESS ? cairo_image_surface_get_width(png) : -1;
  cairo_surface_destroy(png);
  std::filesystem::remove(path);
  return w;
}

TEST(PreviewSize, PageFollowsTheDrawingOnPaperWithinBounds) {
  AcadViewBoard board;  // 1:100, 100 units a paper millimetre
  const auto box = [&](double w) {
    auto pl = boost::make_shared<_2dPolyline>(
        std::vector<_3dPoint>{{0, 0, 0}, {w, 0, 0}, {w, w / 2, 0}, {0, w / 2, 0}}, true);
    board.AddEntity(pl);
    return EntityList{pl};
  };
  PreviewOptions options;
  const double margins = 2 * options.margin;
  // 20 m: 200 paper millimetres at 6 pixels each, and the margins.
  EXPECT_NEAR(PngWidth(board, box(20000)), 200 * options.pixelsPerPaperMm + margins, 1);
  EXPECT_NEAR(PngWidth(board, box(30000)), 300 * options.pixelsPerPaperMm + margins, 1);
  EXPECT_NEAR(PngWidth(board, box(2e6)), options.maxPixels, 1);  // capped
  EXPECT_NEAR(PngWidth(board, box(100)), options.minPixels, 1);  // a tiny drawing still readable
  options.width = 500;  // a width asked for is kept
  EXPECT_EQ(PngWidth(board, box(20000), options), 500);
}

// The box of each record group's drawn path points in an SVG, by handle.
std::map<std::string, std::array<double, 4>> GroupBoxes(const std::string& svg) {
  static const std::regex handle(R"rx(data-handle="([0-9A-F]+)")rx");
  static const std::regex point(R"rx([ML](-?[0-9.]+) (-?[0-9.]+))rx");
  std::map<std::string, std::array<double, 4>> boxes;
  for (const auto& [tag, body] : Groups(svg)) {
    std::smatch h;
    if (!std::regex_search(tag, h, handle)) continue;
    std::array<double, 4> b{1e300, 1e300, -1e300, -1e300};
    for (auto p = std::sregex_iterator(body.begin(), body.end(), point); p != std::sregex_iterator(); ++p) {
      const double x = std::stod((*p)[1]), y = std::stod((*p)[2]);
      b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
    }
    boxes[h[1]] = b;
  }
  return boxes;
}

TEST(PreviewSheet, DrawingsOfASheetArePlacedApartWithTheirHandles) {
  AcadViewBoard board;
  // A plan and a 3D model over the same ground, as the model views draw them.
  auto plan = boost::make_shared<_2dPolyline>(
      std::vector<_3dPoint>{{0, 0, 0}, {6000, 0, 0}, {6000, 4000, 0}, {0, 4000, 0}}, true);
  auto solid = boost::make_shared<_3dExtrudant>();
  solid->SetProfile(std::vector<_3dLine>{{_3dPoint(0, 0, -3000), _3dPoint(6000, 0, -3000)},
                                         {_3dPoint(6000, 0, -3000), _3dPoint(6000, 4000, -3000)},
                                         {_3dPoint(6000, 4000, -3000), _3dPoint(0, 4000, -3000)},
                                         {_3dPoint(0, 4000, -3000), _3dPoint(0, 0, -3000)}});
  solid->SetHeight(400);
  auto edge = boost::make_shared<_3dLine>(_3dPoint(0, 0, -3000), _3dPoint(0, 0, 1000));
  for (const EntityPtr& e : EntityList{plan, solid, edge}) board.AddEntity(e);
  EntityHandle planHandle, solidHandle, edgeHandle;
  ASSERT_TRUE(board.FindEntityHandle(plan, planHandle));
  ASSERT_TRUE(board.FindEntityHandle(solid, solidHandle));
  ASSERT_TRUE(board.FindEntityHandle(edge, edgeHandle));

  std::vector<ExportPart> parts(2);
  parts[0].rest = true;  // everything the 3D part does not hold
  parts[1].entities = {solid, edge};
  parts[1].projection = 1;

  // DXF: the 3D model moved beside the plan, in x and y only; the plan where
  // it is; every entity under its own handle.
  const std::string dxf = TestTempPath("sheet.dxf");
  EXPECT_EQ(board.ExportDxf(dxf, parts).entities, 3);
  const json r = ReadWithEzdxf(dxf);
  std::filesystem::remove(dxf);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array());
  std::map<std::string, json> byHandle;
  for (const json& e : r["entities"]) byHandle[e["handle"].get<std::string>()] = e;
  ASSERT_EQ(byHandle.size(), 3u);
  const json& planRecord = byHandle.at(planHandle.ToString());
  EXPECT_EQ(planRecord["points"][0], json::array({0.0, 0.0}));
  const json& line = byHandle.at(edgeHandle.ToString());
  EXPECT_GT(line["start"][0].get<double>(), 6000.0);         // right of the plan
  EXPECT_NEAR(line["start"][1].get<double>(), 0.0, 1e-6);    // lower edges in line
  EXPECT_NEAR(line["start"][2].get<double>(), -3000.0, 1e-6);  // height kept
  for (const json& v : byHandle.at(solidHandle.ToString())["mesh_vertices"]) EXPECT_GT(v[0].get<double>(), 6000.0);

  // SVG: the plan as a plan, the 3D model as an isometric view beside it,
  // the two boxes apart.
  const std::string svgPath = TestTempPath("sheet.svg");
  board.ExportSvg(svgPath, parts);
  const std::string svg = ReadFile(svgPath);
  std::filesystem::remove(svgPath);
  const auto boxes = GroupBoxes(svg);
  ASSERT_EQ(boxes.size(), 3u);
  const auto& p = boxes.at(planHandle.ToString());
  for (const EntityHandle& h : {solidHandle, edgeHandle}) EXPECT_GT(boxes.at(h.ToString())[0], p[2]) << h.ToString();
  // The vertical edge stays vertical in the isometric view, a plan edge of
  // the solid runs at 30 degrees: the solid's box is wider than the plan's
  // proportions would make it.
  const auto& e = boxes.at(edgeHandle.ToString());
  EXPECT_NEAR(e[0], e[2], 0.02);
  EXPECT_GT(e[3] - e[1], 1.0);
  const auto& s = boxes.at(solidHandle.ToString());
  EXPECT_NEAR((s[2] - s[0]) / (p[2] - p[0]), (6000 + 4000) * std::cos(g_Pi / 6) / 6000, 0.02);
}

// A square box of solid concrete, side `a` centred in plan on (c, c), from
// z0 to z1.
boost::shared_ptr<_3dExtrudant> Box(double c, double a, double z0, double z1) {
  const double lo = c - a / 2, hi = c + a / 2, z = (z0 + z1) / 2;
  auto solid = boost::make_shared<_3dExtrudant>();
  solid->SetProfile(std::vector<_3dLine>{{_3dPoint(lo, lo, z), _3dPoint(hi, lo, z)},
                                         {_3dPoint(hi, lo, z), _3dPoint(hi, hi, z)},
                                         {_3dPoint(hi, hi, z), _3dPoint(lo, hi, z)},
                                         {_3dPoint(lo, hi, z), _3dPoint(lo, lo, z)}});
  solid->SetHeight(z1 - z0);
  return solid;
}

TEST(PreviewIsometric, FacesHideWhatLiesBehindThem) {
  AcadViewBoard board;
  const auto outer = Box(500, 1000, 0, 1000);
  const auto inner = Box(500, 400, 300, 700);  // inside the outer box
  const auto through = boost::make_shared<_3dLine>(_3dPoint(200, 200, 200), _3dPoint(800, 800, 800));
  const auto above = boost::make_shared<_3dLine>(_3dPoint(0, 0, 1000), _3dPoint(0, 0, 3000));  // on an edge, then free
  const EntityList all{outer, inner, through, above};
  for (const EntityPtr& e : all) board.AddEntity(e);
  const auto paths = [&](const std::string& svg) {
    std::vector<int> counts;
    for (const auto& group : Groups(svg)) {
      int n = 0;
      for (std::size_t at = group.second.find("<path"); at != std::string::npos; at = group.second.find("<path", at + 1))
        ++n;
      counts.push_back(n);
    }
    return counts;
  };
  PreviewOptions iso;
  iso.projection = 1;
  const std::vector<int> seen = paths(SvgOf(board, all, iso));
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_GT(seen[0], 0);
  EXPECT_EQ(seen[1], 0);  // the box inside
  EXPECT_EQ(seen[2], 0);  // the line inside
  EXPECT_EQ(seen[3], 1);
  // The visible edges of a box seen from above a corner: 9 of its 12.
  const std::string svg = SvgOf(board, {outer}, iso);
  static const std::regex step(R"rx([ML](-?[0-9.]+) (-?[0-9.]+))rx");
  double drawn = 0, edge = 0;
  for (const auto& [tag, body] : Groups(svg)) {
    std::vector<std::pair<double, double>> pts;
    for (auto it = std::sregex_iterator(body.begin(), body.end(), step); it != std::sregex_iterator(); ++it)
      pts.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    for (std::size_t k = 0; k + 1 < pts.size(); k += 2) {
      const double piece = std::hypot(pts[k + 1].first - pts[k].first, pts[k + 1].second - pts[k].second);
      drawn += piece;
      edge = std::max(edge, piece);  // every edge of a cube is as long in an isometric view
    }
  }
  EXPECT_NEAR(drawn, 9 * edge, 9 * 3.0);
  // In a plan nothing is hidden.
  PreviewOptions plan;
  plan.projection = 0;
  for (int n : paths(SvgOf(board, all, plan))) EXPECT_GT(n, 0);
}

}  // namespace
