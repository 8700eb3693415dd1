// The host's design commands: what a design file holds, and its drawings
// exported for CAD (checked with ezdxf) and as a preview.
#include "app/DesignFiles.h"
#include "app/Host.h"
#include "designer/TankDesigner.h"
#include "modelview/TankModel2DView.h"
#include "platform/HostServices.h"
#include "tests/export_readers.h"
#include "tests/tank_fixtures.h"
#include "tests/host_run.h"
#include "tests/test_paths.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using namespace export_readers;

class HostDesign : public HostCommandTest {
 protected:
  // A design with a model plan (two lines, a Chinese text) and a plan view
  // with one polyline, saved to design.tkd.
  void SaveSample() {
    TankDesigner designer;
    const BoardPtr wall = fixtures::MakeWall(0, 0, 6000, 0, -3200, 4000);
    designer.GetTank().AddBoard(wall);
    TankModel2DView* model = designer.RecreateModel2DView();
    auto text = boost::make_shared<_Text>();
    text->SetText("池壁 %%132");
    text->SetLayer("墙");
    EntityList entities = {boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(6000, 0)),
                           boost::make_shared<_2dLine>(_2dPoint(0, 300), _2dPoint(6000, 300)), text};
    for (const auto& e : entities) e->SetLayer("墙");
    model->AddEntities(entities, wall, {0x2000, 0x2000, 0x2000}, {});
    model->ShowAllEntities();
    auto plan = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
    auto outline = boost::make_shared<_2dPolyline>(std::vector<_3dPoint>{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}});
    outline->SetBulges({0.0, 0.5, 0.0});
    outline->SetLayer("底板");
    plan->AddEntities({outline}, wall, {0x2}, {});
    plan->ShowAllEntities();
    designer.AddView(plan);
    designer.SetMode(1, 0);
    tank::app::SaveDesign(designer, Path("design.tkd"));
    g_ViewBoard.Reset();
  }

};

TEST_F(HostDesign, InfoListsBoardsViewsModeAndFlag) {
  SaveSample();
  const HostRun r = RunTool({"info", Path("design.tkd")});
  ASSERT_EQ(r.code, 0) << r.err;
  // One board of a kind is counted in the singular.
  EXPECT_NE(r.out.find("boards: 1 wall\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("views: 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0: TankModel2DView (3 entities)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1: BottomBoardReinView (1 entities)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("mode: 1 (drawing)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("rebar designed: no"), std::string::npos) << r.out;
}

TEST_F(HostDesign, ExportWritesWhatTheDesignHolds) {
  SaveSample();
  const HostRun all = RunTool({"export", Path("design.tkd"), "--dxf", Path("all.dxf"), "--svg", Path("all.svg"),
                               "--png", Path("all.png")});
  ASSERT_EQ(all.code, 0) << all.err;
  EXPECT_TRUE(std::filesystem::file_size(Path("all.png")) > 0);
  const json report = ReadWithEzdxf(Path("all.dxf"));
  ASSERT_FALSE(report.is_null());
  EXPECT_TRUE(report["errors"].empty()) << report["errors"];
  // The design is in the drawing mode: its plan view, not the model plan.
  const auto counts = Counts(report);
  EXPECT_EQ(counts, (std::map<std::string, int>{{"底板|LWPOLYLINE", 1}}));
  EXPECT_EQ(ReadSvg(ReadFile(Path("all.svg"))).counts, counts);

  // The model plan by its number.
  const HostRun model = RunTool({"export", Path("design.tkd"), "--view", "0", "--dxf", Path("model.dxf"), "--svg",
                                 Path("model.svg")});
  ASSERT_EQ(model.code, 0) << model.err;
  const json modelReport = ReadWithEzdxf(Path("model.dxf"));
  const auto modelCounts = Counts(modelReport);
  EXPECT_EQ(modelCounts.at("墙|LINE"), 2);
  EXPECT_EQ(modelCounts.at("墙|TEXT"), 1);
  EXPECT_EQ(ReadSvg(ReadFile(Path("model.svg"))).counts, modelCounts);
  bool found = false;
  for (const json& e : modelReport["entities"])
    if (e["type"] == "TEXT") found = e["text"].get<std::string>() == "池壁 %%132";
  EXPECT_TRUE(found);

  // One view alone: the plan view's polyline only.
  const HostRun one = RunTool({"export", Path("design.tkd"), "--view", "1", "--dxf", Path("plan.dxf")});
  ASSERT_EQ(one.code, 0) << one.err;
  const auto planCounts = Counts(ReadWithEzdxf(Path("plan.dxf")));
  EXPECT_EQ(planCounts, (std::map<std::string, int>{{"底板|LWPOLYLINE", 1}}));
}

TEST_F(HostDesign, BadDesignFilesAreReportedWithTheirName) {
  SaveSample();
  std::string bytes = ReadFile(Path("design.tkd"));
  {
    std::ofstream(Path("cut.tkd"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  }
  const std::vector<std::vector<std::string>> cases = {
      {"info", Path("cut.tkd")},
      {"info", Path("missing.tkd")},
      {"export", Path("design.tkd")},  // nothing to write
      {"export", Path("design.tkd"), "--view", "9", "--dxf", Path("x.dxf")},
  };
  for (const auto& c : cases) {
    const HostRun r = RunTool(c);
    EXPECT_NE(r.code, 0) << c[1];
    EXPECT_FALSE(r.err.empty()) << c[1];
  }
  const HostRun r = RunTool({"info", Path("cut.tkd")});
  EXPECT_NE(r.err.find("cut.tkd"), std::string::npos) << r.err;
}

// A design file is held to the rules of a project file: a soil weight of
// -19.5 kN/m³ or a layer -2 m thick is refused, every wrong field named.
TEST_F(HostDesign, DesignsWithImplausibleValuesAreRefused) {
  TankDesigner designer;
  const BoardPtr wall = fixtures::MakeWall(0, 0, 6000, 0, -3200, 4000);
  designer.GetTank().AddBoard(wall);
  designer.GetTank().AddBoard(fixtures::MakeWall(0, 0, 0, 4000, -3200, 4000, 0.4));
  GeologySettings& geology = designer.GetSettings().GetGeologySettings();
  geology.SetSoilLayers({SoilLayer("回填土", -2.0, -19.5, 20.0)});
  auto load = boost::make_shared<PointLoad>();
  load->SetValue(30.0, _3dPoint(3000, 0, 9000));  // above the wall's top
  wall->AddLoad(load);
  SaveDesignFile(designer, Path("bad.tkd"));  // the designer writes what the host would refuse
  for (const char* command : {"analyse", "info"}) {
    const HostRun r = RunTool({command, Path("bad.tkd")});
    EXPECT_NE(r.code, 0) << command;
    for (const char* field : {"settings.geology.soil_layers[0].thickness_m",
                              "settings.geology.soil_layers[0].unit_weight_kn_m3", "kN/m³", ": thickness: must be at least 100",
                              "wall 1: load 1: the point load lies outside the board"})
      EXPECT_NE(r.err.find(field), std::string::npos) << command << ": expected " << field << " in: " << r.err;
  }
}

}  // namespace
