// `tankdesign export DESIGN --rebar3d FILE.dxf [--mode N]`: the designed bars
// of each example in 3D, read back by ezdxf and from the SVG preview, bar
// counts per layer against the zones of the saved design.
#include "designer/TankDesigner.h"
#include "modelview/CTankRein3DView.h"
#include "tests/export_readers.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace export_readers;

// Bars per zone category of the saved design, each bar once.
std::map<int, int> DesignBars(const std::string& design) {
  TankDesigner designer;
  OpenDesignFile(designer, design);
  std::map<int, int> bars;
  std::set<const Rein*> seen;
  const TankReinZones zones = designer.GetTank().GetReinZones();
  for (const ReinZonePtr& zone : zones.GetZones())
    for (const ReinPtr& rein : zone->GetReins())
      if (rein && !rein->GetPolyline().GetVertices().empty() && seen.insert(rein.get()).second)
        ++bars[zone->GetCategory()];
  return bars;
}

// What a file of the mode must hold: "layer|type" -> bars, a ring a CIRCLE,
// every other bar a 3D POLYLINE.
std::map<std::string, int> LayerBars(const json& dxf) {
  std::map<std::string, int> out;
  for (const json& e : dxf["entities"]) {
    const std::string type = e["type"];
    EXPECT_TRUE(type == "POLYLINE" || type == "CIRCLE") << type;
    if (type == "POLYLINE") EXPECT_TRUE(e["is_3d"].get<bool>());
    ++out[e["layer"].get<std::string>()];
  }
  return out;
}

std::map<std::string, int> ExpectedLayers(const std::map<int, int>& bars, int mode) {
  const std::map<int, int> modeCategory = {{1, 2}, {2, 1}, {3, 4}, {4, 5}, {5, 6}};
  std::map<std::string, int> out;
  for (const auto& [category, count] : bars)
    if (mode == 0 || modeCategory.at(mode) == category) out[CTankRein3DView::CategoryLayerName(category)] += count;
  return out;
}

class Rebar3dExportTest : public HostCommandTest {};

TEST_F(Rebar3dExportTest, EveryExampleExportsItsBarsOneLayerPerZoneCategory) {
  for (const char* example : {"open-single-cell", "buried-two-cell", "grid-3x2"}) {
    SCOPED_TRACE(example);
    const std::string out = Path(example);
    const HostRun design =
        RunTool({"design", std::string(TANK_SOURCE_DIR) + "/examples/" + example + ".json", "-o", out});
    ASSERT_TRUE(design.code == 0 || design.code == 4) << design.err;
    const std::string tkd = out + "/tank.tkd";
    const HostRun run = RunTool({"export", tkd, "--rebar3d", out + "/rebar3d.dxf", "--svg", out + "/rebar3d.svg",
                                 "--png", out + "/rebar3d.png"});
    ASSERT_EQ(run.code, 0) << run.err;

    const std::map<int, int> bars = DesignBars(tkd);
    ASSERT_GT(bars.count(2), 0u) << "the example has face bars";
    const json dxf = ReadWithEzdxf(out + "/rebar3d.dxf");
    ASSERT_FALSE(dxf.is_null());
    EXPECT_TRUE(dxf["errors"].empty()) << dxf["errors"].dump();
    EXPECT_EQ(LayerBars(dxf), ExpectedLayers(bars, 0));

    // The preview holds the same records on the same layers.
    std::map<std::string, int> svgLayers;
    for (const auto& [key, count] : ReadSvg(ReadFile(out + "/rebar3d.svg")).counts)
      svgLayers[key.substr(0, key.find('|'))] += count;
    EXPECT_EQ(svgLayers, ExpectedLayers(bars, 0));
    EXPECT_GT(std::filesystem::file_size(out + "/rebar3d.png"), 1000u);
  }
}

TEST_F(Rebar3dExportTest, ModesSelectTheirZoneCategories) {
  const std::string example = std::string(TANK_SOURCE_DIR) + "/examples/buried-two-cell.json";
  const HostRun design = RunTool({"design", example, "-o", dir.string()});
  ASSERT_TRUE(design.code == 0 || design.code == 4) << design.err;
  const std::string tkd = Path("tank.tkd");
  const std::map<int, int> bars = DesignBars(tkd);
  for (int mode = 1; mode <= 5; ++mode) {
    SCOPED_TRACE(mode);
    const std::string file = Path("mode" + std::to_string(mode) + ".dxf");
    const HostRun run = RunTool({"export", tkd, "--rebar3d", file, "--mode", std::to_string(mode)});
    ASSERT_EQ(run.code, 0) << run.err;
    const json dxf = ReadWithEzdxf(file);
    ASSERT_FALSE(dxf.is_null());
    EXPECT_TRUE(dxf["errors"].empty()) << dxf["errors"].dump();
    EXPECT_EQ(LayerBars(dxf), ExpectedLayers(bars, mode));
  }
}

TEST_F(Rebar3dExportTest, RefusesWhatItCannotShow) {
  const std::string example = std::string(TANK_SOURCE_DIR) + "/examples/open-single-cell.json";
  ASSERT_EQ(RunTool({"new", example, "-o", dir.string()}).code, 0);
  const std::string tkd = Path("tank.tkd");
  const std::string dxf = Path("r.dxf");
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* says;
  };
  const Case cases[] = {
      {{"export", tkd, "--rebar3d", dxf}, 1, "not designed"},
      {{"export", tkd, "--rebar3d", dxf, "--mode", "6"}, 2, "--mode"},
      {{"export", tkd, "--rebar3d", dxf, "--mode", "-1"}, 2, "--mode"},
      {{"export", tkd, "--svg", Path("s.svg"), "--mode", "1"}, 2, "--rebar3d"},
      {{"export", tkd, "--rebar3d", dxf, "--dxf", Path("d.dxf")}, 2, "--dxf"},
      {{"export", tkd, "--rebar3d", dxf, "--view", "0"}, 2, "--view"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const HostRun run = RunTool(c.args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dxf));
  }
}

// The rings of a circular opening (the buried example's top-slab opening,
// radius 350, with ring bars on) are circles 30 mm outside it, one per face;
// each zone category is drawn in its own colour, in the DXF (the layer
// carries it) and in the preview.
TEST_F(Rebar3dExportTest, RingsAreCirclesAndCategoriesHaveTheirColours) {
  nlohmann::json project;
  std::ifstream(std::string(TANK_SOURCE_DIR) + "/examples/buried-two-cell.json") >> project;
  project["settings"]["opening_reinforcement"]["ring_bars"] = true;
  const std::string path = Path("rings.json");
  std::ofstream(path) << project.dump();
  const HostRun design = RunTool({"design", path, "-o", dir.string()});
  ASSERT_TRUE(design.code == 0 || design.code == 4) << design.err;
  const HostRun run = RunTool({"export", Path("tank.tkd"), "--rebar3d", Path("r.dxf"), "--svg", Path("r.svg")});
  ASSERT_EQ(run.code, 0) << run.err;
  const json dxf = ReadWithEzdxf(Path("r.dxf"));
  ASSERT_FALSE(dxf.is_null());

  const std::string openingLayer = CTankRein3DView::CategoryLayerName(6);
  int circles = 0;
  std::map<std::string, std::set<int>> colours;
  for (const json& e : dxf["entities"]) {
    colours[e["layer"]].insert(e["color"].get<int>());
    if (e["type"] != "CIRCLE") continue;
    ++circles;
    EXPECT_EQ(e["layer"], openingLayer);
    EXPECT_NEAR(e["radius"].get<double>(), 380.0, 1e-6);
  }
  EXPECT_EQ(circles, 2);
  std::set<int> used;
  for (const auto& [layer, set] : colours) {
    SCOPED_TRACE(layer);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(dxf["layers"][layer]["color"], *set.begin());
    used.insert(*set.begin());
  }
  EXPECT_EQ(used.size(), colours.size()) << "every category its own colour";
  EXPECT_GE(colours.size(), 4u);

  // The preview strokes each layer in one colour of its own.
  std::map<std::string, std::set<std::string>> strokes;
  const std::regex layer(R"rx(data-layer="([^"]*)")rx"), stroke(R"rx(stroke="(#[0-9A-Fa-f]{6})")rx");
  for (const auto& [tag, body] : Groups(ReadFile(Path("r.svg")))) {
    std::smatch l;
    if (!std::regex_search(tag, l, layer)) continue;
    const std::string both = tag + body;
    for (auto it = std::sregex_iterator(both.begin(), both.end(), stroke); it != std::sregex_iterator(); ++it)
      strokes[XmlUnescape(l[1])].insert((*it)[1]);
  }
  std::set<std::string> strokeColours;
  for (const auto& [name, set] : strokes) {
    EXPECT_EQ(set.size(), 1u) << name;
    strokeColours.insert(set.begin(), set.end());
  }
  EXPECT_EQ(strokes.size(), colours.size());
  EXPECT_EQ(strokeColours.size(), strokes.size());
}

}  // namespace
