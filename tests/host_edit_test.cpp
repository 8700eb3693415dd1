// `tankdesign edit`: the face-line example built and edited by the demo
// script, checked through the saved model and the plan DXF; undo and redo
// of every demo edit; refused commands and bad scripts.
#include "app/DesignFiles.h"
#include "app/DxfCurves.h"
#include "app/EditScript.h"
#include "app/Plausible.h"
#include "app/ProjectFile.h"
#include "export_readers.h"
#include "host_run.h"
#include "tank_fixtures.h"
#include "tank_invariants.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

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

  // `info` lists a design's boards as `new` lists them for its project.
  const HostRun listed = RunTool({"new", "--example", "buried-two-cell"});
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", Path("two")}).code, 0);
  const HostRun info = RunTool({"info", Path("two") + "/tank.tkd"});
  std::istringstream lines(listed.out.substr(listed.out.find('\n') + 1));
  int boards = 0;
  for (std::string line; std::getline(lines, line); ++boards)
    EXPECT_NE(info.out.find("    " + line + "\n"), std::string::npos) << line << "\n" << info.out;
  EXPECT_EQ(boards, 11);

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
  EXPECT_NE(r.out.find("line 1: remove-boards: removed wall 6, renumbered wall 7 (now wall 6); now 6 walls"), std::string::npos) << r.out;
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

namespace {

// Every file of a folder (hidden ones too) with its bytes.
std::map<std::string, std::string> FolderBytes(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    files[e.path().filename().string()] = export_readers::ReadFile(e.path().string());
  return files;
}

}  // namespace

// A line whose result the design reader would refuse, or that leaves a
// board nothing can analyse, is refused whole with the reason; the design
// it edits, in the folder it writes to, stays byte for byte as it was.
TEST_F(EditCommand, LinesTheReadersRefuseLeaveTheDesignAsItWas) {
  const std::string made = Path("made");
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", made}).code, 0);
  const auto before = FolderBytes(made);
  struct Case {
    std::string line;
    std::string reason;
  };
  for (const Case& c : {
           Case{"set-board-thickness 5000 5000 \"wall 1\"", "wall 1: thickness: must be at most 3000"},
           Case{"change-slab-levels -99999999 \"bottom slab 1\"", "a plan coordinate"},
           Case{"edit-boards-and-top-slabs 1e9 \"wall 1\"", "a plan coordinate"},
           Case{"add-board-object \"wall 1\" area 1e6", "an area load"},
           Case{"add-board-object \"wall 1\" point 10 99999,1000", "the point load lies outside the board"},
           // Notches: around the whole wall, crossing itself, enclosing nothing.
           Case{"add-notch \"wall 1\" 0 -1000,-1000 99000,-1000 99000,99000 -1000,99000",
                "the notch does not lie inside its board"},
           Case{"add-notch \"wall 1\" 0 1000,1000 2000,2000 2000,1000 1000,2000", "crosses or touches itself"},
           Case{"add-notch \"wall 1\" 0 1000,1000 2000,1000 3000,1000", "encloses no area"},
           // A second slab on a cell that has one.
           Case{"add-slab-at 3000,3000 top", "top slab 1 already lies at (3000, 3000)"},
           Case{"add-slab-at 9000,3000 bottom", "bottom slab 2 already lies at (9000, 3000)"},
       }) {
    const HostRun r = RunTool({"edit", made + "/tank.tkd", Script(c.line + "\n"), "-o", made});
    EXPECT_NE(r.code, 0) << c.line << "\n" << r.out;
    EXPECT_NE(r.out.find("refused: "), std::string::npos) << c.line << "\n" << r.out;
    EXPECT_NE(r.out.find(c.reason), std::string::npos) << c.line << "\n" << r.out << r.err;
    EXPECT_EQ(FolderBytes(made), before) << c.line;
  }
  // The design still opens, and a good edit of it is taken.
  const HostRun good = RunTool({"edit", made + "/tank.tkd", Script("set-board-thickness 200 200 \"wall 1\"\n")});
  EXPECT_EQ(good.code, 0) << good.out << good.err;
}

// The plan labels each wall with the name the command line and the
// messages use for it, after every edit of the demo script.
TEST_F(EditCommand, PlanLabelsNameTheWallsAsTheCommandLineDoes) {
  const auto lines = tank::app::ParseEditScript(export_readers::ReadFile(kExamples + "edit-demo.txt"), "demo");
  ASSERT_FALSE(lines.empty());
  std::string script;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    std::string text = lines[k].text;
    const std::string dxf = "dxf face-lines.dxf";
    if (const auto at = text.find(dxf); at != std::string::npos) text.replace(at, dxf.size(), "dxf " + kExamples + "face-lines.dxf");
    script += text + "\n";
    const std::string out = Path("step" + std::to_string(k));
    const HostRun r = RunTool({"edit", kExamples + "face-lines.json", Script(script), "-o", out});
    ASSERT_EQ(r.code, 0) << script << r.out << r.err;
    TankDesigner design;
    tank::app::OpenDesign(design, out + "/tank.tkd");
    const Tank& tank = design.GetTank();
    const auto plan = ReadWithEzdxf(out + "/plan.dxf");
    ASSERT_FALSE(plan.is_null());
    std::set<std::string> labelled;
    for (const auto& e : plan["entities"]) {
      if (e["type"] != "TEXT") continue;
      const std::string text = e["text"].get<std::string>();
      if (text.rfind("池壁", 0) != 0) continue;
      const std::string name = "wall " + std::to_string(std::stoi(text.substr(std::string("池壁").size())));
      const BoardPtr wall = tank::app::FindBoard(tank, name);
      ASSERT_TRUE(wall) << lines[k].text << ": the plan labels " << text << "; the tank has "
                        << tank.GetWalls().size() << " walls";
      labelled.insert(name);
      // The label stands on that wall's axis in plan.
      const auto& at = e.contains("align_point") ? e["align_point"] : e["insert"];
      const _3dPoint p(at[0].get<double>(), at[1].get<double>(), ZMin(wall));
      EXPECT_TRUE(tank::app::IsOnBoard(*wall, p, 1.0) ||
                  std::abs(wall->GetNormal().x * (p.x - wall->GetOrigin().x) +
                           wall->GetNormal().y * (p.y - wall->GetOrigin().y)) < wall->GetThickness())
          << lines[k].text << ": " << text << " at " << p.x << "," << p.y << " is not on " << name;
    }
    EXPECT_EQ(labelled.size(), tank.GetWalls().size()) << lines[k].text;
  }
}

// A drawing the DXF library cannot read (it would loop for ever on a line
// longer than its buffer) or a file that is no DXF is refused at once, the
// file and the line named.
TEST_F(EditCommand, TextsThatAreNoReadableDxfAreRefused) {
  const std::string good = export_readers::ReadFile(kExamples + "face-lines.dxf");
  const std::string design = Path("made");
  ASSERT_EQ(RunTool({"new", "--example", "open-single-cell", "-o", design}).code, 0);
  // The face-line drawing with a comment line of N characters after its
  // first group.
  auto withLongLine = [&good](std::size_t n) {
    const std::size_t cut = good.find("SECTION");
    return good.substr(0, cut) + "SECTION\n999\n" + std::string(n - 1, 'x') + "\n" + good.substr(good.find('\n', cut) + 1);
  };
  struct Case {
    std::string name;
    std::string text;
    std::string reason;
  };
  for (const Case& c : {Case{"long.dxf", withLongLine(1025), "line 4 is longer than 1023 characters"},
                        Case{"nul.dxf", good.substr(0, 40) + std::string(1, '\0') + good.substr(40), "NUL byte"},
                        Case{"notes.dxf", "just some notes\n", "not a DXF file"},
                        Case{"empty.dxf", "", "not a DXF file (it is empty)"},
                        Case{"design.dxf", export_readers::ReadFile(design + "/tank.tkd"), "not a DXF file"}}) {
    std::ofstream(Path(c.name), std::ios::binary) << c.text;
    try {
      tank::app::ReadDxfCurves(Path(c.name));
      ADD_FAILURE() << c.name << " was read";
    } catch (const tank::app::DxfReadError& e) {
      EXPECT_NE(std::string(e.what()).find(Path(c.name) + ": "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.name << ": " << e.what();
    }
  }
  // The longest line the library takes is read.
  std::ofstream(Path("longest.dxf"), std::ios::binary) << withLongLine(1023);
  EXPECT_EQ(tank::app::ReadDxfCurves(Path("longest.dxf"), {"wall"}).curves.size(), 6u);
  // Through a script, the line of the script and the reason.
  const HostRun r = RunTool({"edit", kExamples + "face-lines.json", Script("build-tank-from-curves dxf long.dxf\n")});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("line 1: " + Path("long.dxf") + ": line 4 is longer"), std::string::npos) << r.err;
}

// Undo and redo give back the tank an edit made, structural units and all:
// the same edits with an undo and a redo between them leave the same units.
TEST_F(EditCommand, UndoAndRedoKeepTheStructuralUnits) {
  auto units = [](const Tank& tank) {
    std::vector<std::vector<std::string>> list;
    for (const auto& unit : tank.GetUnits()) {
      std::vector<std::string> names;
      for (const auto& c : unit->GetComponents())
        if (auto b = boost::dynamic_pointer_cast<Board>(c)) names.push_back(tank::app::BoardName(tank, b));
      std::sort(names.begin(), names.end());
      list.push_back(names);
    }
    std::sort(list.begin(), list.end());
    return list;
  };
  const std::string build = "build-tank-from-curves dxf face-lines.dxf\nchange-slab-levels -5000 @3000,3000\n";
  const std::string hole = "add-hole @3000,0 rect 3000,2000 1000 800\n";
  TankDesigner straight, back;
  for (auto* d : {&straight, &back}) {
    d->GetSettings() = tank::app::ReadProjectFile(kExamples + "face-lines.json", true).settings;
    d->ShowModel2D(0, 0);
  }
  for (const auto& line : tank::app::ParseEditScript(build + hole, "straight"))
    ASSERT_FALSE(tank::app::RunEditLine(straight, line, kExamples).refused) << line.text;
  for (const auto& line : tank::app::ParseEditScript(build + "undo\nredo\n" + hole, "back"))
    ASSERT_FALSE(tank::app::RunEditLine(back, line, kExamples).refused) << line.text;
  EXPECT_EQ(units(back.GetTank()), units(straight.GetTank()));
  EXPECT_EQ(StoreTank(back.GetTank()), StoreTank(straight.GetTank()));
}

// What `edit` tells the user: the script commands on request, counts in the
// number their nouns take, a model's reason for a refusal once, and with
// --keep-going a line that cannot be read skipped like a refused one.
TEST_F(EditCommand, MessagesOfTheEditCommand) {
  const HostRun list = RunTool({"edit", "--commands"});
  EXPECT_EQ(list.code, 0) << list.err;
  for (const char* usage : {"add-notch PICK CODE U,V U,V U,V", "change-slab-levels LEVEL PICK", "undo | redo"})
    EXPECT_NE(list.out.find(usage), std::string::npos) << usage;
  EXPECT_EQ(RunTool({"edit"}).code, 2);

  const std::string cell =
      "build-tank-from-curves polyline closed -150,-150 6150,-150 6150,4150 -150,4150 \\\n"
      "    polyline closed 150,150 5850,150 5850,3850 150,3850\n";
  const HostRun one = RunTool({"edit", kExamples + "face-lines.json", Script(cell)});
  EXPECT_EQ(one.code, 0) << one.err;
  EXPECT_NE(one.out.find("1 command, 0 refused; 4 walls, 1 bottom slab, 1 top slab\n"), std::string::npos) << one.out;

  // The model refuses a top slab below the bottom slab: its reason once,
  // on both streams of the program together.
  const std::string script = Script(cell + "change-slab-levels -5000 \"top slab 1\"\n");
  const std::string both = Path("both.txt");
  std::system((std::string(TANKDESIGN_EXE) + " edit '" + kExamples + "face-lines.json' '" + script +
               "' --keep-going >'" + both + "' 2>&1")
                  .c_str());
  const std::string all = export_readers::ReadFile(both);
  const std::size_t at = all.find("不能低于");
  ASSERT_NE(at, std::string::npos) << all;
  EXPECT_EQ(all.find("不能低于", at + 1), std::string::npos) << all;

  const HostRun going = RunTool({"edit", kExamples + "face-lines.json",
                                 Script(cell + "remove-boards \"wall 99\"\nremove-boards \"wall 1\"\n"),
                                 "--keep-going"});
  EXPECT_EQ(going.code, 0) << going.err;
  EXPECT_NE(going.out.find("line 3: remove-boards: refused: no board \"wall 99\""), std::string::npos) << going.out;
  EXPECT_NE(going.out.find("line 4: remove-boards: removed wall 1"), std::string::npos) << going.out;
  EXPECT_NE(going.out.find("3 commands, 1 refused"), std::string::npos) << going.out;
}

// An L-shaped tank whose two bottom slabs are moved in turn: the second
// move would leave a wall whose stepped outline doubles back on itself (the
// analysis then failed inside the geometry library); it is refused with
// the wall named, and the tank as it stood analyses.
TEST_F(EditCommand, AnEditLeavingAnOutlineThatCrossesItselfIsRefused) {
  const std::string script = Script(
      "add-walls auto auto 0,0 6000,0 12000,0 12000,6000 6000,6000 6000,12000 0,12000 0,6000 0,0\n"
      "add-walls auto auto 6000,0 6000,6000 0,6000\n"
      "add-slab-at 3000,3000 bottom\nadd-slab-at 9000,3000 bottom\nadd-slab-at 3000,9000 bottom\n"
      "add-slab-at 3000,3000 top\nadd-slab-at 9000,3000 top\nadd-slab-at 3000,9000 top\n"
      "join-walls @3000,0 @9000,0\njoin-walls @0,3000 @0,9000\n"
      "change-slab-levels -4000 \"bottom slab 1\"\n"
      "change-slab-levels -5000 \"bottom slab 2\"\n");
  const std::string out = Path("out");
  const HostRun stopped = RunTool({"edit", kExamples + "face-lines.json", script, "-o", out});
  EXPECT_NE(stopped.code, 0);
  EXPECT_NE(stopped.out.find("line 12: change-slab-levels: refused: wall 7: outline: the outline crosses or touches "
                             "itself (nothing changed)"),
            std::string::npos)
      << stopped.out;
  EXPECT_FALSE(std::filesystem::exists(out));

  const HostRun going = RunTool({"edit", kExamples + "face-lines.json", script, "-o", out, "--keep-going"});
  ASSERT_EQ(going.code, 0) << going.out << going.err;
  const HostRun analysed = RunTool({"analyse", out + "/tank.tkd"});
  EXPECT_EQ(analysed.code, 0) << analysed.err;
}
