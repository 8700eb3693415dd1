// `tankdesign edit`: the face-line example built and edited by the demo
// script, checked through the saved model and the plan DXF; undo and redo
// of every demo edit; refused commands and bad scripts.
#include "app/DesignFiles.h"
#include "app/DxfCurves.h"
#include "app/EditScript.h"
#include "app/ProjectFile.h"
#include "export_readers.h"
#include "host_run.h"
#include "tank_fixtures.h"
#include "tank_invariants.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fstream>

namespace {

using export_readers::ReadWithEzdxf;
using fixtures::StoreTank;
using fixtures::WallAlong;
using fixtures::ZMin;

const std::string kExamples = std::string(TANK_SOURCE_DIR) + "/examples/";

class EditCommand : public HostCommandTest {
 protected:
  std::string Script(const std::string& text) {
    const std::string path = Path("script.txt");
    std::ofstream(path) << text;
    return path;
  }
};

}  // namespace

TEST_F(EditCommand, FaceLineDrawingReadsOnlyCurves) {
  const tank::app::DxfCurves all = tank::app::ReadDxfCurves(kExamples + "face-lines.dxf");
  const tank::app::DxfCurves walls = tank::app::ReadDxfCurves(kExamples + "face-lines.dxf", {"wall"});
  // Two closed polylines and four lines on the wall layer; the text is skipped.
  EXPECT_EQ(walls.curves.size(), 6u);
  EXPECT_GT(all.curves.size(), walls.curves.size());
  EXPECT_GE(all.skipped, 1u);
  EXPECT_THROW(tank::app::ReadDxfCurves(kExamples + "no-such.dxf"), tank::app::DxfReadError);
}

TEST_F(EditCommand, DemoBuildsAndEditsTheTank) {
  const std::string out = Path("demo");
  const HostRun r = RunTool({"edit", kExamples + "face-lines.json", kExamples + "edit-demo.txt", "-o", out});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  // One line per command.
  EXPECT_NE(r.out.find("build-tank-from-curves: added"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("now 7 walls, 2 bottom slabs, 2 top slabs"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("join-walls: removed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("undo: undo done"), std::string::npos) << r.out;

  TankDesigner design;
  tank::app::OpenDesign(design, out + "/tank.tkd");
  const Tank& tank = design.GetTank();
  EXPECT_TRUE(invariants::CheckTank(tank).empty()) << invariants::CheckTank(tank);
  // Walls on the centre lines of the face lines (the road and the axes on
  // other layers made none); the front wall joined into one.
  EXPECT_EQ(tank.GetWalls().size(), 6u);
  EXPECT_EQ(tank.GetBottomSlabs().size(), 2u);
  EXPECT_EQ(tank.GetTopSlabs().size(), 2u);
  const BoardPtr front = WallAlong(tank, 0, 0, 12000, 0);
  ASSERT_TRUE(front);
  EXPECT_DOUBLE_EQ(front->GetThickness(), 300);
  for (const auto& [x0, y0, x1, y1] : {std::tuple{0, 0, 0, 6000}, std::tuple{12000, 0, 12000, 6000},
                                       std::tuple{6000, 0, 6000, 6000}, std::tuple{0, 6000, 6000, 6000},
                                       std::tuple{6000, 6000, 12000, 6000}})
    EXPECT_TRUE(WallAlong(tank, x0, y0, x1, y1)) << x0 << "," << y0 << " " << x1 << "," << y1;
  // The opening went with the join.
  EXPECT_EQ(front->GetHoles().size(), 1u);
  // The right wall's height change was undone: it reaches the top slab.
  const BoardPtr right = WallAlong(tank, 12000, 0, 12000, 6000);
  double lo = 0, hi = 0;
  TankModeler().GetBoardZRange(right, lo, hi);
  EXPECT_NEAR(hi, -500 - 125, 1e-6);
  // The left cell's bottom slab: upper face at -5.0 m, its walls down to it.
  BoardPtr moved;
  for (const BoardPtr& s : tank.GetBottomSlabs())
    if (s->ContainsPoint(_2dPoint(3000, 3000))) moved = s;
  ASSERT_TRUE(moved);
  EXPECT_NEAR(moved->GetOrigin().z + moved->GetUpperOffset(), -5000, 1e-6);
  EXPECT_NEAR(ZMin(WallAlong(tank, 0, 0, 0, 6000)), -5200, 1e-6);
  // The notch on the left wall.
  int notches = 0;
  for (const HolePtr& h : WallAlong(tank, 0, 0, 0, 6000)->GetHoles()) notches += bool(boost::dynamic_pointer_cast<Notch>(h));
  EXPECT_EQ(notches, 1);

  // The plan opens in another CAD reader without errors.
  const auto plan = ReadWithEzdxf(out + "/plan.dxf");
  ASSERT_FALSE(plan.is_null());
  EXPECT_TRUE(plan["errors"].empty()) << plan["errors"];
  const auto model = ReadWithEzdxf(out + "/model3d.dxf");
  ASSERT_FALSE(model.is_null());
  EXPECT_TRUE(model["errors"].empty()) << model["errors"];

  // The edited tank analyses and designs like a regular one.
  const HostRun analysed = RunTool({"analyse", out + "/tank.tkd"});
  EXPECT_EQ(analysed.code, 0) << analysed.out << analysed.err;
  const HostRun designed = RunTool({"design", out + "/tank.tkd", "-o", out + "/designed"});
  EXPECT_EQ(designed.code, 0) << designed.out << designed.err;
  EXPECT_TRUE(std::filesystem::exists(out + "/designed/rebar.csv"));
}

TEST_F(EditCommand, UndoAndRedoOfEveryDemoEdit) {
  TankDesigner designer;
  const tank::app::ProjectInput input = tank::app::ReadProjectFile(kExamples + "face-lines.json", true);
  ASSERT_FALSE(input.hasTank);
  designer.GetSettings() = input.settings;
  designer.ShowModel2D(0, 0);
  const auto lines = tank::app::ParseEditScript(export_readers::ReadFile(kExamples + "edit-demo.txt"), "demo");
  int edits = 0;
  for (const auto& line : lines) {
    if (line.words.front() == "undo") continue;
    const auto before = StoreTank(designer.GetTank());
    const tank::app::EditOutcome outcome = tank::app::RunEditLine(designer, line, kExamples);
    ASSERT_FALSE(outcome.refused) << line.text << ": " << outcome.message;
    ASSERT_TRUE(outcome.applied) << line.text;
    const auto after = StoreTank(designer.GetTank());
    ASSERT_NE(after, before) << line.text;
    designer.Undo();
    EXPECT_EQ(StoreTank(designer.GetTank()), before) << line.text;
    designer.Redo();
    EXPECT_EQ(StoreTank(designer.GetTank()), after) << line.text;
    designer.ShowModel2D(0, 0);  // the plan of the tank as it now is
    ++edits;
  }
  EXPECT_EQ(edits, 6);
}

TEST_F(EditCommand, RefusedCommandStopsTheScript) {
  const std::string script = Script(
      "build-tank-from-curves dxf " + kExamples + "face-lines.dxf\n"
      "# the left and right walls are parallel, not on one line\n"
      "join-walls @0,3000 @12000,3000\n"
      "set-board-thickness 200 200 @6000,3000\n");
  const std::string out = Path("out");
  const HostRun stopped = RunTool({"edit", kExamples + "face-lines.json", script, "-o", out});
  EXPECT_NE(stopped.code, 0);
  EXPECT_NE(stopped.err.find("line 3"), std::string::npos) << stopped.err;
  EXPECT_NE(stopped.out.find("line 3: join-walls: refused: the walls are parallel"), std::string::npos) << stopped.out;
  EXPECT_FALSE(std::filesystem::exists(out));

  const HostRun going = RunTool({"edit", kExamples + "face-lines.json", script, "-o", out, "--keep-going"});
  EXPECT_EQ(going.code, 0) << going.err;
  EXPECT_NE(going.out.find("line 4: set-board-thickness: changed wall"), std::string::npos) << going.out;
  EXPECT_NE(going.out.find("1 refused"), std::string::npos) << going.out;
  EXPECT_TRUE(std::filesystem::exists(out + "/tank.tkd"));
}

TEST_F(EditCommand, PartlyRefusedSlabLevelsAreOneStep) {
  TankDesigner designer;
  designer.GetSettings() = tank::app::ReadProjectFile(kExamples + "face-lines.json", true).settings;
  designer.ShowModel2D(0, 0);
  const auto lines = tank::app::ParseEditScript(
      "build-tank-from-curves dxf face-lines.dxf\n"
      "change-slab-levels -5000 @3000,3000 @0,3000 @9000,3000\n",
      "script");
  ASSERT_FALSE(tank::app::RunEditLine(designer, lines[0], kExamples).refused);
  const auto before = StoreTank(designer.GetTank());
  // Two slabs move; the wall picked with them is refused with its own message.
  const tank::app::EditOutcome outcome = tank::app::RunEditLine(designer, lines[1], kExamples);
  EXPECT_FALSE(outcome.refused) << outcome.message;
  EXPECT_NE(outcome.message.find("refused in part: 墙"), std::string::npos) << outcome.message;
  EXPECT_NE(outcome.message.find("removed bottom slab 1, bottom slab 2"), std::string::npos) << outcome.message;
  designer.Undo();
  EXPECT_EQ(StoreTank(designer.GetTank()), before);
}

TEST_F(EditCommand, SavedDesignIsPickedByTheHandlesOfItsPlan) {
  const std::string made = Path("made");
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", made}).code, 0);
  // The middle wall's axis line in the plan DXF, as a CAD user sees it.
  const auto plan = ReadWithEzdxf(made + "/plan.dxf");
  ASSERT_FALSE(plan.is_null());
  std::string handle;
  for (const auto& e : plan["entities"])
    if (e["type"] == "LINE" && std::abs(e["start"][0].get<double>() - 6000) < 1e-6 &&
        std::abs(e["end"][0].get<double>() - 6000) < 1e-6)
      handle = e["handle"].get<std::string>();
  ASSERT_FALSE(handle.empty());
  const std::string out = Path("out");
  const HostRun r = RunTool({"edit", made + "/tank.tkd", Script("remove-boards h:" + handle + "\n"), "-o", out});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("line 1: remove-boards: removed wall 6; now 6 walls"), std::string::npos) << r.out;
  TankDesigner design;
  tank::app::OpenDesign(design, out + "/tank.tkd");
  EXPECT_FALSE(WallAlong(design.GetTank(), 6000, 0, 6000, 6000));
}

TEST_F(EditCommand, BadScriptsNameTheLine) {
  struct Case {
    std::string text;
    std::string expected;
  };
  for (const Case& c : {Case{"\n\nfly-away 1 2\n", "line 3: unknown command \"fly-away\""},
                        Case{"add-wall 0,0 zz,1\n", "line 1: coordinate: \"zz\" is not a number"},
                        Case{"remove-boards \"wall 9\"\n", "line 1: no board \"wall 9\""},
                        Case{"join-walls \"wall 1\n", "unclosed quote"},
                        Case{"build-tank-from-curves dxf missing.dxf\n", "missing.dxf"}}) {
    const HostRun r = RunTool({"edit", kExamples + "face-lines.json", Script(c.text)});
    EXPECT_NE(r.code, 0) << c.text;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << c.text << " -> " << r.err;
  }
}

TEST_F(EditCommand, CurvesInTheScriptAndPicksByName) {
  // A one-cell tank drawn in the script; then a wall of it removed by name
  // and put back by undo, and a wall added across the cell.
  const std::string script = Script(
      "build-tank-from-curves polyline closed -150,-150 6150,-150 6150,4150 -150,4150 \\\n"
      "    polyline closed 150,150 5850,150 5850,3850 150,3850\n"
      "remove-boards \"wall 1\"\n"
      "undo\n"
      "add-wall 3000,100 3000,3900 250 plan=top labels=2\n");
  const std::string out = Path("out");
  const HostRun r = RunTool({"edit", kExamples + "face-lines.json", script, "-o", out});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  TankDesigner design;
  tank::app::OpenDesign(design, out + "/tank.tkd");
  // The added wall snapped onto the walls it ends near (100 < 0.75 × 300).
  EXPECT_EQ(design.GetTank().GetWalls().size(), 5u);
  EXPECT_TRUE(WallAlong(design.GetTank(), 3000, 0, 3000, 4000));
}
