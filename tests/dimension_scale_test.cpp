// Dimensions built from points already in drawing coordinates show the model
// length at any scale: the drawing factor (unit / scale) is their measure
// scale, and the DXF (read back with ezdxf), the SVG preview and the kernel
// all show the same number.  The drawing standard sizes dimension texts and
// ticks.
#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "tests/export_readers.h"
#include "tests/test_paths.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>
#include <stdexcept>
#include <string>

namespace {

using nlohmann::json;
using namespace export_readers;

// A 6000 mm span drawn at 1:scale with the default unit u = 100.
boost::shared_ptr<_2dAlignedDimension> SpanAtScale(double scale) {
  const double factor = 100.0 / scale;
  return boost::make_shared<_2dAlignedDimension>(_2dPoint(0, 0), _2dPoint(6000 * factor, 0),
                                                 _2dPoint(0, -800), GetCategoryStyle(14),
                                                 GetDimensionStyle(static_cast<int>(scale), 100), factor);
}

TEST(DimensionMeasureScale, ShowsTheModelLengthAtEveryScale) {
  for (const double scale : {20.0, 50.0, 100.0, 200.0}) {
    SCOPED_TRACE(scale);
    const auto dim = SpanAtScale(scale);
    EXPECT_NEAR(dim->GetMeasurement(), 6000.0, 1e-9);
    EXPECT_EQ(dim->GetDisplayText(), "6000");
    EXPECT_DOUBLE_EQ(dim->GetMeasureScale(), 100.0 / scale);
  }
  // A setter does the same for a dimension made without the factor, and a
  // later scaling multiplies it further, so the model length stays.
  _2dAlignedDimension d(_2dPoint(0, 0), _2dPoint(0, 12000), _2dPoint(500, 0));
  EXPECT_EQ(d.GetDisplayText(), "12000");
  d.SetMeasureScale(2.0);
  EXPECT_EQ(d.GetDisplayText(), "6000");
  d.Scale(0.5);
  EXPECT_EQ(d.GetDisplayText(), "6000");
}

TEST(DimensionMeasureScale, RefusesAFactorThatIsNotFinitePositive) {
  _2dAlignedDimension d(_2dPoint(0, 0), _2dPoint(100, 0), _2dPoint(0, 50));
  for (const double bad : {0.0, -2.0, std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(d.SetMeasureScale(bad), std::invalid_argument) << bad;
    EXPECT_THROW(_2dAlignedDimension(_2dPoint(0, 0), _2dPoint(1, 0), _2dPoint(0, 1), 0, 0, bad),
                 std::invalid_argument);
  }
  EXPECT_DOUBLE_EQ(d.GetMeasureScale(), 1.0);
}

TEST(DimensionMeasureScale, FiledWithTheDimension) {
  std::ostringstream out;
  {
    Archive ar(out);
    ar << boost::shared_ptr<VekObject>(SpanAtScale(50.0));
    ar.Close();
  }
  const std::string bytes = out.str();
  Archive in(std::vector<unsigned char>(bytes.begin(), bytes.end()));
  boost::shared_ptr<VekObject> object;
  in >> object;
  const auto back = boost::dynamic_pointer_cast<_2dAlignedDimension>(object);
  ASSERT_TRUE(back);
  EXPECT_DOUBLE_EQ(back->GetMeasureScale(), 2.0);
  EXPECT_EQ(back->GetDisplayText(), "6000");
}

TEST(DimensionMeasureScale, DxfAndPreviewShowTheModelLength) {
  AcadViewBoard board;
  board.Reset();
  const auto at50 = SpanAtScale(50.0);
  const auto at100 = SpanAtScale(100.0);
  at100->Move(_3dVector(0, 5000, 0));
  for (const auto& d : {at50, at100}) {
    d->SetLayer(GetLayerName(14));
    board.ShowEntity(d);
  }
  const std::string dxf = TestTempPath("span.dxf");
  board.ExportDxf(dxf);
  const json r = ReadWithEzdxf(dxf);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array()) << r["errors"].dump();
  ASSERT_EQ(r["entities"].size(), 2u);
  // 1:50 draws 12000 units with the linear factor 0.5, 1:100 draws 6000
  // with 1: a CAD program shows the drawn length times the factor.
  EntityHandle h50;
  ASSERT_TRUE(board.FindEntityHandle(at50, h50));
  for (const json& e : r["entities"]) {
    EXPECT_EQ(e["block_texts"], (std::vector<std::string>{"6000"}));
    const double factor = e["handle"] == h50.ToString() ? 0.5 : 1.0;
    EXPECT_NEAR(e["dimlfac"].get<double>(), factor, 1e-9);
    EXPECT_NEAR(e["measurement"].get<double>() * e["dimlfac"].get<double>(), 6000.0, 1e-6);
  }

  const std::string svg = TestTempPath("span.svg");
  board.ExportSvg(svg);
  int shown = 0;
  for (const auto& [tag, body] : Groups(ReadFile(svg))) {
    if (tag.find("DIMENSION") == std::string::npos) continue;
    EXPECT_NE(body.find(">6000<"), std::string::npos) << body;
    ++shown;
  }
  EXPECT_EQ(shown, 2);
}

// A dimension in any direction stores the model length as its measurement
// (group 42); the drawn distance times the style's length factor gives the
// same.  Vertical ones matter most: the wall sections dimension heights.
TEST(DimensionMeasureScale, DxfStoresTheModelLengthInEveryDirection) {
  AcadViewBoard board;
  board.Reset();
  struct Case {
    _2dVector direction;
    _2dVector offset;
  };
  const Case cases[] = {{_2dVector(1, 0), _2dVector(0, -800)},
                        {_2dVector(0, 1), _2dVector(800, 0)},
                        {_2dVector(0, -1), _2dVector(-800, 0)},
                        {_2dVector(0.6, 0.8), _2dVector(-640, 480)}};
  const double factor = 100.0 / 50.0;
  double x = 0.0;
  for (const Case& c : cases) {
    const _2dPoint a(x, 0);
    const _2dPoint b = a + c.direction * (3400 * factor);
    auto d = boost::make_shared<_2dAlignedDimension>(a, b, b + c.offset, GetCategoryStyle(14),
                                                     GetDimensionStyle(50, 100), factor);
    d->SetLayer(GetLayerName(14));
    board.ShowEntity(d);
    x += 20000.0;
  }
  const std::string dxf = TestTempPath("directions.dxf");
  board.ExportDxf(dxf);
  const json r = ReadWithEzdxf(dxf);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array()) << r["errors"].dump();
  ASSERT_EQ(r["entities"].size(), 4u);
  for (const json& e : r["entities"]) {
    SCOPED_TRACE(e["defpoint3"].dump());
    ASSERT_TRUE(e["actual_measurement"].is_number());
    EXPECT_NEAR(e["actual_measurement"].get<double>(), 3400.0, 1e-6);
    EXPECT_NEAR(e["measurement"].get<double>() * e["dimlfac"].get<double>(), 3400.0, 1e-6);
    EXPECT_EQ(e["block_texts"], (std::vector<std::string>{"3400"}));
  }
}

TEST(DrawingStandardDimensions, TextHeightAndTickSizeDefaults) {
  const DrawingStandard standard;
  EXPECT_DOUBLE_EQ(standard.dimensionTextHeight, 3.0);
  EXPECT_DOUBLE_EQ(standard.dimensionTickSize, 2.0);
  AcadViewBoard& board = g_ViewBoard;
  const DrawingStandard saved = board.GetDrawingStandard();
  DrawingStandard changed = saved;
  changed.dimensionTextHeight = 3.5;
  changed.dimensionTickSize = 1.5;
  board.SetDrawingStandard(changed);
  EXPECT_DOUBLE_EQ(GetDimensionTextHeight(), 3.5);
  EXPECT_DOUBLE_EQ(GetDimensionTickSize(), 1.5);
  board.SetDrawingStandard(saved);
  EXPECT_DOUBLE_EQ(GetDimensionTextHeight(), 3.0);
  EXPECT_DOUBLE_EQ(GetDimensionTickSize(), 2.0);
}

}  // namespace
