// The pictures the host writes, as an engineer opens them: the model plans
// flat and labelled, the top plan of a covered tank, the 3D model as an
// isometric view, and a whole design's export with its views side by side.
#include "tests/export_readers.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace export_readers;

std::string TypeOf(const std::string& tag) {
  static const std::regex type(R"rx(data-type="([A-Z]+)")rx");
  std::smatch m;
  return std::regex_search(tag, m, type) ? std::string(m[1]) : std::string();
}

// The straight segments of the paths in the groups of one record type.
std::vector<std::array<double, 4>> Segments(const std::string& svg, const std::string& type) {
  static const std::regex path(R"rx(<path d="([^"]*)")rx");
  static const std::regex step(R"rx(([ML])(-?[0-9.]+) (-?[0-9.]+))rx");
  std::vector<std::array<double, 4>> out;
  for (const auto& [tag, body] : Groups(svg)) {
    if (TypeOf(tag) != type) continue;
    for (auto p = std::sregex_iterator(body.begin(), body.end(), path); p != std::sregex_iterator(); ++p) {
      const std::string d = (*p)[1];
      double x = 0, y = 0;
      for (auto s = std::sregex_iterator(d.begin(), d.end(), step); s != std::sregex_iterator(); ++s) {
        const double nx = std::stod((*s)[2]), ny = std::stod((*s)[3]);
        if ((*s)[1] == "L") out.push_back({x, y, nx, ny});
        x = nx, y = ny;
      }
    }
  }
  return out;
}

// The x range of the segments.
std::pair<double, double> XRange(const std::vector<std::array<double, 4>>& segments) {
  double lo = 1e300, hi = -1e300;
  for (const auto& s : segments) lo = std::min({lo, s[0], s[2]}), hi = std::max({hi, s[0], s[2]});
  return {lo, hi};
}

class PictureTest : public HostCommandTest {};

TEST_F(PictureTest, PlanIsFlatAndEveryLabelIsTextInTheSvg) {
  const HostRun run = RunTool({"new", "--example", "grid-3x2", "-o", dir.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  const json r = ReadWithEzdxf(Path("plan.dxf"));
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array());
  EXPECT_DOUBLE_EQ(r["ltscale"].get<double>(), 100.0);
  int texts = 0;
  for (const json& e : r["entities"]) {
    const std::string type = e["type"];
    SCOPED_TRACE(type + " " + e["handle"].get<std::string>());
    if (type == "LWPOLYLINE") {
      EXPECT_DOUBLE_EQ(e["elevation"].get<double>(), 0.0);
    }
    if (type == "LINE") {
      EXPECT_DOUBLE_EQ(e["start"][2].get<double>(), 0.0);
      EXPECT_DOUBLE_EQ(e["end"][2].get<double>(), 0.0);
    }
    if (type == "CIRCLE") {
      EXPECT_DOUBLE_EQ(e["center_wcs"][2].get<double>(), 0.0);
    }
    if (type == "TEXT") {
      EXPECT_DOUBLE_EQ(e["insert"][2].get<double>(), 0.0);
      ++texts;
    }
    if (type == "POLYLINE") {
      for (const json& p : e["points"]) EXPECT_DOUBLE_EQ(p[2].get<double>(), 0.0);
    }
  }
  ASSERT_GT(texts, 20);

  // The preview keeps every label's words.
  static const std::regex code(R"rx(data-text="([^"]*)")rx");
  static const std::regex words(R"rx(<text [^>]*>([^<]*)</text>)rx");
  int shown = 0;
  for (const auto& [tag, body] : Groups(ReadFile(Path("plan.svg")))) {
    if (TypeOf(tag) != "TEXT") continue;
    std::smatch c, w;
    ASSERT_TRUE(std::regex_search(tag, c, code));
    ASSERT_TRUE(std::regex_search(body, w, words)) << tag;
    EXPECT_EQ(XmlUnescape(w[1]), PreviewText(XmlUnescape(c[1])));
    ++shown;
  }
  EXPECT_EQ(shown, texts);
}

TEST_F(PictureTest, NewWritesTheTopPlanOfACoveredTankOnly) {
  HostRun run = RunTool({"new", "--example", "buried-two-cell", "-o", dir.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("plan-top.dxf"), std::string::npos);
  EXPECT_NE(run.out.find("plan-top.svg"), std::string::npos);
  const json r = ReadWithEzdxf(Path("plan-top.dxf"));
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array());
  const auto counts = Counts(r);
  const auto count = [&](const std::string& key) { return counts.count(key) ? counts.at(key) : 0; };
  // The top slabs with their names, the opening of top slab 1 and the load
  // on top slab 2; no bottom slab and no overhang.
  EXPECT_EQ(count("顶板|LWPOLYLINE"), 2);
  EXPECT_EQ(count("底板|LWPOLYLINE"), 0);
  EXPECT_EQ(count("板洞|CIRCLE"), 1);
  EXPECT_GT(count("荷载|TEXT") + count("荷载|LWPOLYLINE") + count("荷载|LINE"), 0);
  const auto& texts = r["texts"];
  for (const char* name : {"顶板1", "顶板2"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), json(name)), texts.end()) << name;
  EXPECT_NE(ReadFile(Path("plan-top.svg")).find(">顶板1<"), std::string::npos);
  // The design keeps its one model plan, of the bottom slabs.
  run = RunTool({"info", Path("tank.tkd")});
  const std::size_t first = run.out.find("TankModel2DView");
  EXPECT_NE(first, std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("TankModel2DView", first + 1), std::string::npos) << run.out;
  // ... and `info` numbers the top plan after its views, for `export --view`.
  EXPECT_NE(run.out.find("    2: top plan"), std::string::npos) << run.out;
  run = RunTool({"export", Path("tank.tkd"), "--view", "2", "--dxf", Path("top.dxf")});
  ASSERT_EQ(run.code, 0) << run.err;
  const json top = ReadWithEzdxf(Path("top.dxf"));
  ASSERT_FALSE(top.is_null());
  EXPECT_EQ(Counts(top).count("顶板|LWPOLYLINE") ? Counts(top).at("顶板|LWPOLYLINE") : 0, 2);
  EXPECT_NE(RunTool({"export", Path("tank.tkd"), "--view", "3", "--dxf", Path("none.dxf")}).code, 0);

  const std::filesystem::path open = dir / "open";
  run = RunTool({"new", "--example", "open-single-cell", "-o", open.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(open / "plan.dxf"));
  EXPECT_FALSE(std::filesystem::exists(open / "plan-top.dxf"));
  EXPECT_FALSE(std::filesystem::exists(open / "plan-top.svg"));
}

TEST_F(PictureTest, ModelViewsExportApartAndThe3dModelAsAnIsometricView) {
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", dir.string()}).code, 0);
  const std::string design = Path("tank.tkd");

  // The 3D model alone: plan edges run at 30 degrees, vertical edges stand
  // upright (a plan would show no edge at 30 degrees).
  HostRun run = RunTool({"export", design, "--view", "1", "--svg", Path("model.svg")});
  ASSERT_EQ(run.code, 0) << run.err;
  int slanted = 0, upright = 0;
  for (const auto& s : Segments(ReadFile(Path("model.svg")), "POLYLINE")) {
    const double dx = s[2] - s[0], dy = s[3] - s[1];
    if (std::hypot(dx, dy) < 5) continue;
    const double a = std::fabs(std::atan2(std::fabs(dy), std::fabs(dx)) * 180 / 3.141592653589793);
    if (std::fabs(a - 30) < 0.5) ++slanted;
    if (std::fabs(a - 90) < 0.5) ++upright;
  }
  EXPECT_GT(slanted, 20);
  EXPECT_GT(upright, 8);

  // The whole modelling mode: the plan and the 3D model side by side.
  run = RunTool({"export", design, "--dxf", Path("all.dxf"), "--svg", Path("all.svg"), "--png", Path("all.png")});
  ASSERT_EQ(run.code, 0) << run.err;
  const auto plan = XRange(Segments(ReadFile(Path("all.svg")), "LWPOLYLINE"));
  const auto model = XRange(Segments(ReadFile(Path("all.svg")), "POLYLINE"));
  EXPECT_GT(model.first, plan.second);

  const json r = ReadWithEzdxf(Path("all.dxf"));
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array());
  double planRight = -1e300, modelLeft = 1e300;
  for (const json& e : r["entities"]) {
    if (e["type"] == "LWPOLYLINE")
      for (const json& p : e["points"]) planRight = std::max(planRight, p[0].get<double>());
    if (e["type"] == "POLYLINE" && e["polyface"].get<bool>())
      for (const json& p : e["mesh_vertices"]) modelLeft = std::min(modelLeft, p[0].get<double>());
  }
  EXPECT_GT(modelLeft, planRight);
}

}  // namespace
