// The view board's drawing leaves the machine as DXF (checked with an
// independent reader, ezdxf), SVG and PNG holding the same entities.
#include "drawing/DimensionChain.h"
#include "platform/Nirvox.h"
#include "platform/Morlak.h"
#include "tests/export_readers.h"
#include "tests/test_paths.h"

#include <boost/make_shared.hpp>
#include <cairo.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

using nlohmann::json;
using namespace export_readers;

const json* FindByHandle(const json& report, const EntityHandle& h) {
  for (const json& e : report["entities"]) {
    if (e["handle"].get<std::string>() == h.ToString()) return &e;
  }
  return nullptr;
}

template <class T, class... Args>
boost::shared_ptr<T> Make(const std::string& layer, Args&&... args) {
  auto e = boost::make_shared<T>(std::forward<Args>(args)...);
  e->SetLayer(layer);
  return e;
}

// A drawing with an entity of every kind the drawings make.
class DxfDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    board.Reset();
    bars = GetLayerName(7);
    labels = GetLayerName(8);
    thin = GetLayerName(9);
    dims = GetLayerName(14);

    line = Make<_2dLine>(thin, _2dPoint(0, 0), _2dPoint(1000, 0));
    line->SetColorIndex(1);
    line->SetLinetype("DASHED");
    line->SetLinetypeScale(100);
    space = Make<_3dLine>("0", _3dPoint(0, 0, 0), _3dPoint(100, 200, 300));
    arc = Make<_2dArc>(GetLayerName(12), _2dPoint(500, 500), 100.0, 0.0, g_Pi / 2);
    // A bar with a semicircular hook at each end, 50 wide.
    bar = Make<_2dPolyline>(bars, std::vector<_3dPoint>{{0, 100}, {0, 0}, {2000, 0}, {2000, 100}});
    bar->SetBulges({1.0, 0.0, -1.0, 0.0});
    bar->SetConstantWidth(50);
    // A dot: a closed two-vertex polyline with bulges 1, as wide as half its diameter.
    dot = Make<_2dPolyline>(bars, std::vector<_3dPoint>{{300, 300}, {360, 300}}, true);
    dot->SetBulges({1.0, 1.0});
    dot->SetConstantWidth(30);
    // Model outline whose points keep their z.
    outline = Make<_2dPolyline>(GetLayerName(1), std::vector<_3dPoint>{{0, 0, 0}, {100, 0, 50}, {100, 100, 50}});
    ring = Make<_3dPolyline>(bars, std::vector<_3dPoint>{{0, 0, 0}, {100, 0, 10}, {100, 100, 20}}, true);
    hole = Make<_3dCircle>(GetLayerName(4), _3dPoint(800, 800, 0), 60.0);
    tilted = Make<_3dCircle>(bars, _3dPoint(10, 20, 30), 25.0, _3dVector(0, 1, 1));
    title = Make<_Text>(GetLayerName(15), "池壁配筋图", _3dPoint(1000, 2000), 350.0, g_Pi / 6);
    title->SetWidth(0.7 * 350.0);
    title->SetAlignment(_Text::kCenter, _Text::kMiddle);
    title->SetTextStyle(GetTextStyle(0));
    label = Make<_Text>(labels, "%%13212@150 %%130 %%131 %%133", _3dPoint(100, 400), 300.0);
    label->SetTextStyle(GetTextStyle(3));
    foreign = Make<_Text>(labels, "ก池", _3dPoint(100, 900), 300.0);  // a character GBK cannot hold
    dimension = Make<_2dAlignedDimension>(dims, _2dPoint(0, 0), _2dPoint(3000, 0), _2dPoint(0, -500),
                                          GetCategoryStyle(14), GetDimensionStyle(100, 100));
    dimension->SetTextHeight(250);
    dimension->SetArrowSize(200);
    // Drawn in model millimetres, then scaled to the drawing: it still shows 1200.
    scaled = Make<_2dAlignedDimension>(dims, _2dPoint(0, 0), _2dPoint(0, 1200), _2dPoint(-300, 0),
                                       GetCategoryStyle(14), GetDimensionStyle(50, 100));
    scaled->Scale(2.0);
    mark = Make<Ordinal>(labels, 7, _2dPoint(1500, 1500), 0.0, 600.0);
    solid = Make<_3dExtrudant>("0");
    solid->SetProfile(_3dCircle(_3dPoint(0, 0, 0), 100));
    solid->SetHeight(100);

    all = {line, space, arc, bar, dot, outline, ring, hole, tilted, title, label, foreign, dimension, scaled, mark, solid};
    for (const EntityPtr& e : all) board.ShowEntity(e);
  }

  AcadViewBoard board;
  std::string bars, labels, thin, dims;
  boost::shared_ptr<_2dLine> line;
  boost::shared_ptr<_3dLine> space;
  boost::shared_ptr<_2dArc> arc;
  boost::shared_ptr<_2dPolyline> bar, dot, outline;
  boost::shared_ptr<_3dPolyline> ring;
  boost::shared_ptr<_3dCircle> hole, tilted;
  boost::shared_ptr<_Text> title, label, foreign;
  boost::shared_ptr<_2dAlignedDimension> dimension, scaled;
  boost::shared_ptr<Ordinal> mark;
  boost::shared_ptr<_3dExtrudant> solid;
  EntityList all;

  EntityHandle HandleOf(const EntityPtr& e) {
    EntityHandle h;
    EXPECT_TRUE(board.FindEntityHandle(e, h));
    return h;
  }
};

TEST_F(DxfDrawing, LoadsInEzdxfWithACleanAuditAndEveryEntity) {
  const std::string path = TestTempPath("all.dxf");
  const ExportSummary summary = board.ExportDxf(path);
  EXPECT_EQ(summary.entities, 16);
  EXPECT_EQ(summary.skipped, 0);   // the solid is a polyface mesh
  EXPECT_EQ(summary.records, 17);  // the bar mark is a circle and a text

  const json r = ReadWithEzdxf(path);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["version"], "AC1015");
  EXPECT_EQ(r["codepage"], "ANSI_936");
  EXPECT_EQ(r["errors"], json::array()) << r["errors"].dump();
  EXPECT_EQ(r["fixes"], json::array()) << r["fixes"].dump();

  const std::map<std::string, int> expected = {
      {thin + "|LINE", 1},          {"0|LINE", 1},
      {GetLayerName(12) + "|ARC", 1}, {bars + "|LWPOLYLINE", 2},
      {GetLayerName(1) + "|POLYLINE", 1}, {bars + "|POLYLINE", 1},
      {GetLayerName(4) + "|CIRCLE", 1},   {bars + "|CIRCLE", 1},
      {GetLayerName(15) + "|TEXT", 1},    {labels + "|TEXT", 3},
      {dims + "|DIMENSION", 2},           {labels + "|CIRCLE", 1},
      {"0|POLYLINE", 1},
  };
  EXPECT_EQ(Counts(r), expected);

  // Texts decode to the same strings; the grade codes stay as they are.
  const std::vector<std::string> texts = r["texts"];
  EXPECT_EQ(texts, (std::vector<std::string>{"池壁配筋图", "%%13212@150 %%130 %%131 %%133", "ก池", "7"}));

  // The board's handles are the DXF handles; the header's seed lies above.
  for (const EntityPtr& e : {EntityPtr(line), EntityPtr(title), EntityPtr(dimension)}) {
    EXPECT_NE(FindByHandle(r, HandleOf(e)), nullptr) << HandleOf(e).ToString();
  }
  EXPECT_GT(std::stoull(r["handseed"].get<std::string>(), nullptr, 16), board.GetNextHandleId() - 1);
}

TEST_F(DxfDrawing, CarriesTheDrawnProperties) {
  const std::string path = TestTempPath("props.dxf");
  board.ExportDxf(path);
  const json r = ReadWithEzdxf(path);
  ASSERT_FALSE(r.is_null());

  const json& l = *FindByHandle(r, HandleOf(line));
  EXPECT_EQ(l["color"], 1);
  EXPECT_EQ(l["linetype"], "DASHED");
  EXPECT_DOUBLE_EQ(l["ltscale"].get<double>(), 100.0);

  const json& b = *FindByHandle(r, HandleOf(bar));
  EXPECT_EQ(b["bulges"], (std::vector<double>{1.0, 0.0, -1.0, 0.0}));
  EXPECT_DOUBLE_EQ(b["const_width"].get<double>(), 50.0);
  EXPECT_FALSE(b["closed"].get<bool>());
  const json& d = *FindByHandle(r, HandleOf(dot));
  EXPECT_TRUE(d["closed"].get<bool>());
  EXPECT_EQ(d["bulges"], (std::vector<double>{1.0, 1.0}));

  const json& o = *FindByHandle(r, HandleOf(outline));
  EXPECT_TRUE(o["is_3d"].get<bool>());
  EXPECT_EQ(o["points"][1], (std::vector<double>{100, 0, 50}));

  const json& a = *FindByHandle(r, HandleOf(arc));
  EXPECT_NEAR(a["start_angle"].get<double>(), 0.0, 1e-9);
  EXPECT_NEAR(a["end_angle"].get<double>(), 90.0, 1e-9);

  // A tilted circle: extrusion direction and the centre back in world
  // coordinates through the arbitrary-axis rule.
  const json& c = *FindByHandle(r, HandleOf(tilted));
  EXPECT_NEAR(c["extrusion"][1].get<double>(), std::sqrt(0.5), 1e-6);
  EXPECT_NEAR(c["extrusion"][2].get<double>(), std::sqrt(0.5), 1e-6);
  EXPECT_NEAR(c["center_wcs"][0].get<double>(), 10.0, 1e-6);
  EXPECT_NEAR(c["center_wcs"][1].get<double>(), 20.0, 1e-6);
  EXPECT_NEAR(c["center_wcs"][2].get<double>(), 30.0, 1e-6);

  const json& t = *FindByHandle(r, HandleOf(title));
  EXPECT_NEAR(t["rotation"].get<double>(), 30.0, 1e-9);
  EXPECT_NEAR(t["width"].get<double>(), 0.7, 1e-9);
  EXPECT_DOUBLE_EQ(t["height"].get<double>(), 350.0);
  EXPECT_EQ(t["halign"], 1);
  EXPECT_EQ(t["valign"], 2);
  EXPECT_EQ(t["align_point"], (std::vector<double>{1000, 2000, 0}));
  EXPECT_EQ(t["style"], GetTextStyleName(GetTextStyle(0)));
  EXPECT_EQ(FindByHandle(r, HandleOf(label))->at("style"), "REBAR");
  EXPECT_EQ(r["styles"]["REBAR"]["font"], "tssdeng.shx");

  // Dimensions: aligned, drawn in their own blocks, showing the model length.
  const json& dim = *FindByHandle(r, HandleOf(dimension));
  EXPECT_EQ(dim["dimtype"].get<int>() & 7, 1);
  EXPECT_EQ(dim["block_counts"]["LINE"], 5);
  EXPECT_EQ(dim["block_counts"]["TEXT"], 1);
  EXPECT_EQ(dim["block_texts"], (std::vector<std::string>{"3000"}));
  EXPECT_NEAR(dim["measurement"].get<double>(), 3000.0, 1e-6);
  const json& sc = *FindByHandle(r, HandleOf(scaled));
  EXPECT_EQ(sc["block_texts"], (std::vector<std::string>{"1200"}));
  EXPECT_NEAR(sc["dimlfac"].get<double>(), 0.5, 1e-9);
  EXPECT_NE(sc["dimstyle"], dim["dimstyle"]);

  // Layers with their colours and line types; the line types used declared.
  EXPECT_EQ(r["layers"][bars]["color"], 1);
  EXPECT_EQ(r["layers"][GetLayerName(18)]["linetype"], "CENTER");
  for (const char* lt : {"CONTINUOUS", "DASHED", "CENTER"}) {
    const std::vector<std::string> declared = r["linetypes"];
    EXPECT_NE(std::find(declared.begin(), declared.end(), lt), declared.end()) << lt;
  }
}

// A chain "150 300 150" across a 300 wall at 1:50: the narrow outer
// dimensions cannot hold their figures between their ticks, so their texts
// stand one row higher (placed where the drawing puts them, flag 128), clear
// of the middle text that keeps its place on the line; each stays centred
// over its own dimension.
TEST(DxfDimensions, NarrowDimensionTextsStandARowHigherThanTheirNeighbours) {
  AcadViewBoard board;
  EntityList dims;
  std::vector<int> kinds;
  // Drawing units at 1:50 with a unit of 100: 2 per model millimetre.
  DrawDimensionChain({_2dPoint(0, 0), _2dPoint(300, 0), _2dPoint(900, 0), _2dPoint(1200, 0)}, 0.0, 0.0, 0, false,
                     dims, kinds, 50, 100, 0x4000, 14, "");
  ASSERT_EQ(dims.size(), 3u);
  for (const EntityPtr& e : dims) board.ShowEntity(e);
  const std::string path = TestTempPath("chain.dxf");
  board.ExportDxf(path, dims);
  const json r = ReadWithEzdxf(path);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array()) << r["errors"].dump();
  std::vector<std::pair<std::string, std::vector<double>>> texts;
  std::vector<int> flags;
  for (const json& e : r["entities"])
    if (e["type"] == "DIMENSION") {
      ASSERT_EQ(e["block_texts"].size(), 1u);
      texts.emplace_back(e["block_texts"][0], e["block_text_points"][0].get<std::vector<double>>());
      flags.push_back(e["dimflags"].get<int>() & 128);
      // The dimension's own text point is the block text's middle.
      EXPECT_NEAR(e["text_midpoint"][0].get<double>(), texts.back().second[0], 1e-6);
    }
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].first, "150");
  EXPECT_EQ(texts[1].first, "300");
  EXPECT_EQ(texts[2].first, "150");
  EXPECT_EQ(flags, (std::vector<int>{128, 0, 128}));
  const double y150 = std::fabs(texts[0].second[1]), y300 = std::fabs(texts[1].second[1]);
  EXPECT_NEAR(std::fabs(texts[2].second[1]), y150, 1e-6);
  // Raised by more than a text height: the two rows do not touch.
  const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(dims[1]);
  EXPECT_GT(y150 - y300, dim->GetTextHeight());
  // Centred over their own dimensions.
  EXPECT_NEAR(texts[0].second[0], 150.0, 1e-6);
  EXPECT_NEAR(texts[1].second[0], 600.0, 1e-6);
  EXPECT_NEAR(texts[2].second[0], 1050.0, 1e-6);
}

TEST_F(DxfDrawing, KeepsGbkTextAndGradeCodesInTheFile) {
  std::ostringstream out;
  board.WriteDxf(out);
  const std::string bytes = out.str();
  EXPECT_NE(bytes.find("$DWGCODEPAGE\n  3\nANSI_936"), std::string::npos);
  EXPECT_NE(bytes.find(Utf8ToGbk("池壁配筋图")), std::string::npos);
  EXPECT_EQ(bytes.find("池壁配筋图"), std::string::npos);  // never the UTF-8 bytes
  EXPECT_NE(bytes.find("%%13212@150 %%130 %%131 %%133"), std::string::npos);
  EXPECT_NE(bytes.find("\\U+0E01"), std::string::npos);
  // The same drawing written twice gives the same file.
  std::ostringstream again;
  board.WriteDxf(again);
  EXPECT_EQ(bytes, again.str());
}

TEST_F(DxfDrawing, HiddenEntitiesAreLeftOutOrWrittenInvisible) {
  board.HideEntity(hole);
  const std::string path = TestTempPath("hidden.dxf");
  board.ExportDxf(path);
  json r = ReadWithEzdxf(path);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(FindByHandle(r, HandleOf(hole)), nullptr);

  board.ExportDxf(path, DxfExportOptions{true});
  r = ReadWithEzdxf(path);
  ASSERT_FALSE(r.is_null());
  const json* e = FindByHandle(r, HandleOf(hole));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ((*e)["invisible"], 1);
  EXPECT_EQ(FindByHandle(r, HandleOf(line))->at("invisible"), 0);
}

TEST_F(DxfDrawing, SvgHoldsTheSameRecordsAsTheDxf) {
  const std::string dxf = TestTempPath("same.dxf");
  const std::string svg = TestTempPath("same.svg");
  const ExportSummary d = board.ExportDxf(dxf);
  const ExportSummary s = board.ExportSvg(svg);
  EXPECT_EQ(d.records, s.records);
  const json r = ReadWithEzdxf(dxf);
  ASSERT_FALSE(r.is_null());
  const SvgContent content = ReadSvg(ReadFile(svg));
  EXPECT_EQ(content.counts, Counts(r));
  EXPECT_EQ(content.texts, r["texts"].get<std::vector<std::string>>());
}

TEST_F(DxfDrawing, OneViewGoesToItsOwnFile) {
  // The entities of one view, one of them never handed to the board.
  auto extra = Make<_2dLine>(thin, _2dPoint(-100, -100), _2dPoint(-200, -200));
  const EntityList view = {bar, title, dimension, extra};
  const std::string dxf = TestTempPath("view.dxf");
  const std::string svg = TestTempPath("view.svg");
  const ExportSummary summary = board.ExportDxf(dxf, view);
  board.ExportSvg(svg, view);
  EXPECT_EQ(summary.entities, 4);
  EXPECT_FALSE(board.HoldsEntity(extra));  // exporting does not draw it

  const json r = ReadWithEzdxf(dxf);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array());
  const std::map<std::string, int> expected = {
      {bars + "|LWPOLYLINE", 1}, {GetLayerName(15) + "|TEXT", 1}, {dims + "|DIMENSION", 1}, {thin + "|LINE", 1}};
  EXPECT_EQ(Counts(r), expected);
  EXPECT_EQ(ReadSvg(ReadFile(svg)).counts, expected);
}

TEST_F(DxfDrawing, PlacedDrawingIsExportedWhereTheBoardDrawsIt) {
  // Placing moves the board's drawing, not the line itself.
  board.MoveEntities({line}, _3dVector(100, 200, 0));
  EXPECT_EQ(line->GetStartPoint(), _2dPoint(0, 0));
  const std::string path = TestTempPath("placed.dxf");
  board.ExportDxf(path, EntityList{line});
  const json r = ReadWithEzdxf(path);
  ASSERT_FALSE(r.is_null());
  const json& l = *FindByHandle(r, HandleOf(line));
  EXPECT_EQ(l["start"], (std::vector<double>{100, 200, 0}));
  EXPECT_EQ(l["end"], (std::vector<double>{1100, 200, 0}));
}

TEST_F(DxfDrawing, DegenerateEntitiesAreSkippedNotWrittenBroken) {
  auto broken = Make<_2dLine>(thin, _2dPoint(0, 0), _2dPoint(std::nan(""), 1));
  auto lonely = Make<_2dPolyline>(bars, std::vector<_3dPoint>{{1, 1}});
  auto empty = Make<_2dAlignedDimension>(dims, _2dPoint(5, 5), _2dPoint(5, 5), _2dPoint(5, 6));
  const std::string path = TestTempPath("degenerate.dxf");
  const ExportSummary summary = board.ExportDxf(path, EntityList{broken, lonely, empty, line});
  EXPECT_EQ(summary.skipped, 2);
  const json r = ReadWithEzdxf(path);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array()) << r["errors"].dump();
  EXPECT_EQ(r["entities"].size(), 2u);
}

TEST_F(DxfDrawing, WritingToAnUnwritablePlaceFailsAndLeavesNothing) {
  const std::string dir = TestTempPath("missing-dir");
  EXPECT_THROW(board.ExportDxf(dir + "/x.dxf"), std::runtime_error);
  EXPECT_THROW(board.ExportPng(dir + "/x.png"), std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST_F(DxfDrawing, PngShowsTheDrawing) {
  const std::string path = TestTempPath("all.png");
  PreviewOptions options;
  options.width = 400;
  board.ExportPng(path, options);
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(png), 400);
  const int h = cairo_image_surface_get_height(png);
  const int stride = cairo_image_surface_get_stride(png);
  const unsigned char* data = cairo_image_surface_get_data(png);
  int dark = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < 400; ++x) {
      const auto* px = reinterpret_cast<const std::uint32_t*>(data + y * stride) + x;
      if ((*px & 0xFFFFFF) != 0xFFFFFF) ++dark;
    }
  }
  cairo_surface_destroy(png);
  EXPECT_GT(dark, 100);
}

TEST(DxfText, GbkConversionRoundTrips) {
  const std::vector<std::string> texts = {"", "B3", "H=300", "%%13112@150", "池壁1", "钢筋表", "ก", "αβ", "\xE2\x82"};
  for (const std::string& t : texts) {
    const std::string gbk = Utf8ToGbk(t);
    const std::string back = GbkToUtf8(gbk);
    if (t == "\xE2\x82") {
      EXPECT_EQ(gbk, "??");  // a broken UTF-8 sequence
    } else {
      EXPECT_EQ(back, t) << t;
    }
  }
  EXPECT_EQ(Utf8ToGbk("池"), "\xB3\xD8");
  EXPECT_EQ(Utf8ToGbk("ก"), "\\U+0E01");
}

}  // namespace
