// The new-tank command: project files, the built-in examples and the files
// the command writes (design, model plan, 3D model), read back with
// independent readers.
#include "app/DesignFiles.h"
#include "app/Host.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "modelview/TankModel2DView.h"
#include "platform/HostServices.h"
#include "tests/export_readers.h"
#include "tests/host_run.h"
#include "tests/test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using namespace export_readers;
using tank::app::ProjectError;
using tank::app::ReadProject;

using NewTank = HostCommandTest;

// The regular layout: 2 × 1 cells, bottom slab top at -3.0 m, 400 mm thick,
// walls 4000 mm from the bottom slab's mid-plane to the top slab's.
TEST_F(NewTank, RegularLayoutFromSettingsLevels) {
  const std::string project = R"({
    "settings": { "geometry": { "bottom_slab_top_elevation_m": -3.0, "bottom_slab_thickness_mm": 400,
                                "tank_top_elevation_m": 0.925, "top_slab_thickness_mm": 250 },
                  "model": { "has_top_slab": true } },
    "tank": { "length_x_mm": 12000, "length_y_mm": 6000, "cells_x": 2, "cells_y": 1 } })";
  const auto input = ReadProject(project, "p.json");
  EXPECT_DOUBLE_EQ(input.layout.wallHeight, 4000.0);
  TankDesigner designer;
  tank::app::BuildNewTank(designer, input, "p.json");
  const Tank& tank = designer.GetTank();
  ASSERT_EQ(tank.GetWalls().size(), 7u);
  for (const BoardPtr& wall : tank.GetWalls()) {
    std::vector<_3dPoint> outline;
    wall->GetOutline(outline);
    double zMin = 1e300, zMax = -1e300;
    for (const auto& p : outline) zMin = std::min(zMin, p.z), zMax = std::max(zMax, p.z);
    EXPECT_NEAR(zMin, -3200.0, 1e-6);
    EXPECT_NEAR(zMax, 800.0, 1e-6);
  }
  ASSERT_EQ(tank.GetBottomSlabs().size(), 2u);
  for (const BoardPtr& slab : tank.GetBottomSlabs()) EXPECT_NEAR(slab->GetOrigin().z, -3200.0, 1e-6);
  ASSERT_EQ(tank.GetTopSlabs().size(), 2u);
  for (const BoardPtr& slab : tank.GetTopSlabs()) EXPECT_NEAR(slab->GetOrigin().z, 800.0, 1e-6);
  // One 2D model plan, zoomed to on its first showing, and the 3D model.
  int plans = 0;
  for (const auto& view : designer.GetViews()) plans += dynamic_cast<TankModel2DView*>(view.get()) != nullptr;
  EXPECT_EQ(plans, 1);
  EXPECT_FALSE(g_ViewBoard.GetZoomWindow().IsEmpty());
  // Prepared for the analysis: grades of the board kinds on boards and edges.
  const MaterialSettings& m = designer.GetSettings().GetMaterialSettings();
  for (const BoardPtr& b : tank.GetBoards()) {
    const std::string& grade = b->GetKind() == 0 ? m.GetWallReinGrade()
                               : b->GetKind() == 1 ? m.GetBottomReinGrade()
                                                   : m.GetTopReinGrade();
    EXPECT_EQ(b->GetUpperXGrade(), grade);
    for (const BoardEdge& e : b->GetEdges()) EXPECT_EQ(e.GetFaceValues(true).grade, grade);
    EXPECT_EQ(b->GetRestrictions().size(), b->GetEdges().size());
  }
}

TEST_F(NewTank, MalformedProjectsNameTheirField) {
  const std::string good_tank = R"("length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1, "cells_y": 1)";
  struct Case {
    std::string text;
    std::string field;
    std::string also = {};  // more of the message: the unit expected
  };
  const auto withLoad = [&good_tank](const std::string& load) {
    return R"({ "tank": { )" + good_tank + R"(, "loads": [ )" + load + " ] } }";
  };
  const std::vector<Case> cases = {
      {"{ \"tank\": { ", ":1:"},  // syntax error: line and column
      {"[1, 2]", "(file)"},
      {"{}", "tank"},
      {R"({ "tank": { "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 0, "cells_y": 1 } })", "tank.cells_x"},
      {R"({ "tank": { "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": -2, "cells_y": 1 } })", "tank.cells_x"},
      {R"({ "tank": { "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1.5, "cells_y": 1 } })", "tank.cells_x"},
      {R"({ "tank": { "length_x_mm": 0, "length_y_mm": 4000, "cells_x": 1, "cells_y": 1 } })", "tank.length_x_mm"},
      {R"({ "tank": { "length_x_mm": 6000, "length_y_mm": -1, "cells_x": 1, "cells_y": 1 } })", "tank.length_y_mm"},
      {R"({ "tank": { "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1 } })", "tank.cells_y"},
      {R"({ "tank": { )" + good_tank + R"(, "wall_thickness_mm": 4500 } })", "tank.wall_thickness_mm"},
      {R"({ "settings": { "geometry": { "wall_thickness_mm": 300 } }, "tank": { )" + good_tank +
           R"(, "wall_thickness_mm": 250 } })",
       "tank.wall_thickness_mm"},
      {R"({ "tank": { )" + good_tank + R"(, "colour": "red" } })", "tank.colour"},
      {R"({ "settings": { "geometry": { "bottom_slab_thickness_mm": -5 } }, "tank": { )" + good_tank + " } }",
       "settings.geometry.bottom_slab_thickness_mm"},
      {R"({ "tank": { )" + good_tank + R"(, "openings": [ { "board": "wall 9", "shape": "circle",
           "center_mm": [1000, 1000], "radius_mm": 200 } ] } })",
       "tank.openings[0].board"},
      {R"({ "tank": { )" + good_tank + R"(, "openings": [ { "board": "wall 1", "shape": "circle",
           "center_mm": [100, 1000], "radius_mm": 400 } ] } })",
       "tank.openings[0]"},  // reaches past the wall's end
      {R"({ "tank": { )" + good_tank + R"(, "openings": [ { "board": "wall 1", "shape": "star",
           "center_mm": [1000, 1000] } ] } })",
       "tank.openings[0].shape"},
      {R"({ "tank": { )" + good_tank + R"(, "loads": [ { "board": "bottom slab 1", "type": "area",
           "value_kpa": 3, "category": "wind" } ] } })",
       "tank.loads[0].category"},
      {R"({ "tank": { )" + good_tank + R"(, "loads": [ { "board": "bottom slab 1", "type": "point",
           "value_kn": 3 } ] } })",
       "tank.loads[0].position_mm"},
      // Loads off their board, named by the load.
      {withLoad(R"({ "board": "top slab 1", "type": "point", "value_kn": 30, "position_mm": [9000, 2000] })"),
       "tank.loads[0].position_mm", "outside top slab 1"},
      {withLoad(R"({ "board": "wall 1", "type": "point", "value_kn": 30, "position_mm": [1000, 9000] })"),
       "tank.loads[0].position_mm", "outside wall 1"},
      {withLoad(R"({ "board": "bottom slab 1", "type": "line", "value_kn_per_m": 5,
                    "start_mm": [1000, 1000], "end_mm": [1000, 6000] })"),
       "tank.loads[0].end_mm", "outside bottom slab 1"},
      {withLoad(R"({ "board": "bottom slab 1", "type": "point", "value_kn": 3, "position_mm": [1000, 1000],
                    "category": "wind" })"),
       "tank.loads[0].category"},
      {withLoad(R"({ "board": "bottom slab 1", "type": "line", "value_kn_per_m": 3, "start_mm": [1000, 1000],
                    "end_mm": [2000, 1000], "category": 5 })"),
       "tank.loads[0].category"},
      // Magnitudes out of all reason: the message names the unit expected.
      {withLoad(R"({ "board": "bottom slab 1", "type": "point", "value_kn": 1e9, "position_mm": [1000, 1000] })"),
       "tank.loads[0].value_kn", "kN"},
      {R"({ "tank": { "length_x_mm": 1e15, "length_y_mm": 4000, "cells_x": 1, "cells_y": 1 } })",
       "tank.length_x_mm", "in mm"},
      {R"({ "tank": { "length_x_mm": 6, "length_y_mm": 4, "cells_x": 1, "cells_y": 1 } })", "tank.length_x_mm",
       "in mm"},
      {R"({ "tank": { )" + good_tank + R"(, "wall_thickness_mm": 0.4 } })", "tank.wall_thickness_mm", "in mm"},
      {R"({ "settings": { "geometry": { "tank_top_elevation_m": 3500 } }, "tank": { )" + good_tank + " } }",
       "settings.geometry.tank_top_elevation_m", "in m,"},
      {R"({ "settings": { "geology": { "soil_layers": [ { "name": "x", "thickness_m": -2,
           "unit_weight_kn_m3": 18, "friction_angle_deg": 20 } ] } }, "tank": { )" + good_tank + " } }",
       "settings.geology.soil_layers[0].thickness_m", "in m"},
      {R"({ "tank": { "origin_mm": [1e12, 0], )" + good_tank + " } }", "tank.origin_mm", "in mm"},
      // A notch point is named as the file writes it.
      {R"({ "tank": { )" + good_tank + R"(, "notches": [ { "board": "wall 1",
           "outline_mm": [[500, 3600], [1500], [1500, 4000]] } ] } })",
       "tank.notches[0].outline_mm[1]: must be a list of 2 numbers"},
      // Notches get an opening's checks: on the board, a simple outline.
      {R"({ "tank": { )" + good_tank + R"(, "notches": [ { "board": "wall 1",
           "outline_mm": [[-1000, -1000], [99000, -1000], [99000, 99000], [-1000, 99000]] } ] } })",
       "tank.notches[0]", "notch refused: the notch does not lie inside its board"},
      {R"({ "tank": { )" + good_tank + R"(, "notches": [ { "board": "wall 1",
           "outline_mm": [[1000, 1000], [2000, 2000], [2000, 1000], [1000, 2000]] } ] } })",
       "tank.notches[0]", "crosses or touches itself"},
      // A wall that leaves no room in its cell.
      {R"({ "tank": { "length_x_mm": 1000, "length_y_mm": 1000, "cells_x": 1, "cells_y": 1,
           "wall_thickness_mm": 999 } })",
       "tank.wall_thickness_mm", "leaves a clear span of 1 mm"},
      // A key given twice, anywhere.
      {R"({ "tank": { "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1, "cells_x": 3, "cells_y": 1 } })",
       "tank.cells_x", "given twice"},
      {R"({ "settings": { "loads": { "analysis_method": 0, "analysis_method": 1 } }, "tank": { )" + good_tank +
           " } }",
       "settings.loads.analysis_method", "given twice"},
  };
  for (const auto& c : cases) {
    try {
      const auto input = ReadProject(c.text, "p.json");
      TankDesigner designer;
      tank::app::BuildNewTank(designer, input, "p.json");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ProjectError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("p.json", 0), 0u) << what;
      EXPECT_NE(what.find(c.field), std::string::npos) << "expected " << c.field << " in: " << what;
      EXPECT_NE(what.find(c.also), std::string::npos) << "expected " << c.also << " in: " << what;
      EXPECT_EQ(what.find(".p:"), std::string::npos) << what;
    }
  }
}

TEST_F(NewTank, ProjectItemsReachTheirBoards) {
  const auto input = ReadProject(tank::app::ExampleProject("buried-two-cell"), "example");
  TankDesigner designer;
  tank::app::BuildNewTank(designer, input, "example");
  const Tank& tank = designer.GetTank();
  const BoardPtr wall = tank::app::FindBoard(tank, "wall 1");
  ASSERT_TRUE(wall);
  ASSERT_EQ(wall->GetHoles().size(), 1u);
  EXPECT_TRUE(typeid(*wall->GetHoles()[0]) == typeid(RectangleHole));
  const BoardPtr top1 = tank::app::FindBoard(tank, "top slab 1");
  ASSERT_EQ(top1->GetHoles().size(), 1u);
  EXPECT_TRUE(typeid(*top1->GetHoles()[0]) == typeid(CircleHole));
  const BoardPtr top2 = tank::app::FindBoard(tank, "top slab 2");
  ASSERT_EQ(top2->GetLoads().size(), 1u);
  const auto area = boost::dynamic_pointer_cast<AreaLoad>(top2->GetLoads()[0]);
  ASSERT_TRUE(area);
  EXPECT_DOUBLE_EQ(area->GetValue(), 5.0);
  EXPECT_EQ(area->GetLoadType(), 5);
  EXPECT_EQ(tank::app::BoardName(tank, top2), "top slab 2");
}

TEST_F(NewTank, NotchesAndLineAndPointLoadsFromTheProject) {
  const std::string project = R"({
    "tank": { "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1, "cells_y": 1,
      "notches": [ { "board": "wall 2", "code": 1,
                     "outline_mm": [[1000, 3000], [2000, 3000], [2000, 4000], [1000, 4000]] } ],
      "loads": [ { "board": "top slab 1", "type": "point", "value_kn": 30, "position_mm": [3000, 2000] },
                 { "board": "top slab 1", "type": "line", "value_kn_per_m": 12, "category": "live",
                   "start_mm": [1000, 1000], "end_mm": [1000, 3000] },
                 { "board": "wall 1", "type": "point", "value_kn": 8, "position_mm": [6000, 4000],
                   "category": "live" } ] } })";
  TankDesigner designer;
  tank::app::BuildNewTank(designer, ReadProject(project, "p.json"), "p.json");
  const Tank& tank = designer.GetTank();
  const BoardPtr wall = tank::app::FindBoard(tank, "wall 2");
  ASSERT_TRUE(wall);
  ASSERT_EQ(wall->GetHoles().size(), 1u);
  const auto notch = boost::dynamic_pointer_cast<Notch>(wall->GetHoles()[0]);
  ASSERT_TRUE(notch);
  EXPECT_EQ(notch->GetCode(), 1);
  EXPECT_EQ(notch->GetOutline().size(), 4u);
  // The board list names the notch a notch.
  std::ostringstream listed;
  tank::app::PrintBoards(tank, listed);
  const std::string list = listed.str();
  const std::size_t line = list.find("wall 2 ");
  ASSERT_NE(line, std::string::npos) << list;
  const std::string wall2 = list.substr(line, list.find('\n', line) - line);
  EXPECT_NE(wall2.find("notches: 1"), std::string::npos) << wall2;
  EXPECT_EQ(wall2.find("openings"), std::string::npos) << wall2;
  const BoardPtr top = tank::app::FindBoard(tank, "top slab 1");
  ASSERT_EQ(top->GetLoads().size(), 2u);
  const auto point = boost::dynamic_pointer_cast<PointLoad>(top->GetLoads()[0]);
  ASSERT_TRUE(point);
  _3dPoint at;
  EXPECT_DOUBLE_EQ(point->GetValue(at), 30.0);
  EXPECT_DOUBLE_EQ(at.x, 3000.0);
  EXPECT_DOUBLE_EQ(at.z, top->GetOrigin().z);  // on the slab's mid-plane
  EXPECT_TRUE(boost::dynamic_pointer_cast<LineLoad>(top->GetLoads()[1]));
  // The category reaches the analysis: permanent (the default) or variable.
  EXPECT_EQ(top->GetLoads()[0]->GetLoadType(), 2);
  EXPECT_EQ(top->GetLoads()[1]->GetLoadType(), 5);
  // A point on a wall's corner (its end, at the top) is on the wall.
  const BoardPtr wall1 = tank::app::FindBoard(tank, "wall 1");
  ASSERT_EQ(wall1->GetLoads().size(), 1u);
  EXPECT_EQ(wall1->GetLoads()[0]->GetLoadType(), 5);
}

TEST_F(NewTank, SummaryWithoutOutput) {
  const HostRun r = RunTool({"new", "--example", "grid-3x2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("17 walls, 6 bottom slabs, 6 top slabs"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("top slab 6"), std::string::npos) << r.out;
  EXPECT_TRUE(std::filesystem::is_empty(dir));  // nothing written without -o

  const HostRun bad = RunTool({"new", "--example", "no-such"});
  EXPECT_EQ(bad.code, 2);  // a wrong command line
  EXPECT_NE(bad.err.find("open-single-cell"), std::string::npos) << bad.err;
  EXPECT_NE(RunTool({"new"}).code, 0);
}

// Every example's files: the design reads back, the DXFs pass the audit of
// an independent reader, the plan's SVG holds what its DXF holds, and the
// 3D model has one polyface mesh per board.
TEST_F(NewTank, ExampleFilesOpenInOtherTools) {
  for (const std::string& name : tank::app::ExampleNames()) {
    const std::string out = (dir / name).string();
    const HostRun r = RunTool({"new", "--example", name, "-o", out});
    ASSERT_EQ(r.code, 0) << name << ": " << r.err;

    TankDesigner reopened;
    tank::app::OpenDesign(reopened, out + "/tank.tkd");
    const std::size_t boards = reopened.GetTank().GetBoards().size();
    EXPECT_GT(boards, 4u) << name;

    const json plan = ReadWithEzdxf(out + "/plan.dxf");
    ASSERT_FALSE(plan.is_null()) << name;
    EXPECT_TRUE(plan["errors"].empty()) << name << ": " << plan["errors"];
    EXPECT_EQ(ReadSvg(ReadFile(out + "/plan.svg")).counts, Counts(plan)) << name;

    const json model = ReadWithEzdxf(out + "/model3d.dxf");
    ASSERT_FALSE(model.is_null()) << name;
    EXPECT_TRUE(model["errors"].empty()) << name << ": " << model["errors"];
    int meshes = 0;
    for (const json& e : model["entities"]) meshes += e["type"] == "POLYLINE";
    EXPECT_GE(meshes, static_cast<int>(boards)) << name;
  }
}

}  // namespace
