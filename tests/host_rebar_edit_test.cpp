// `tankdesign rebar-edit`: bar edits of marks of a designed tank, checked by
// re-design and printed; refusals exit 6 with the reason, bad input names
// the item, and the design file is never changed.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "tests/export_readers.h"
#include "tests/host_run.h"
#include "view/ReinScheduleAccess.h"

#include <gtest/gtest.h>

#include <boost/pointer_cast.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class HostRebarEdit : public HostCommandTest {
 protected:
  // The two-cell example, designed: mark 18 is D10@120 on two 300 mm wall
  // faces (the minimum ratio 0.2145 % needs 643.5 mm²/m of HRB335).
  std::string Designed() {
    const std::string out = Path("t");
    EXPECT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", out}).code, 0);
    EXPECT_EQ(RunTool({"design", out + "/tank.tkd", "-o", out}).code, 0);
    return out + "/tank.tkd";
  }
};

TEST_F(HostRebarEdit, EditsAreCheckedPrintedAndNeverWritten) {
  const std::string design = Designed();
  const std::string before = ReadFile(design);
  struct Case {
    std::vector<std::string> edits;
    int code;
    const char* out;  // expected in the output, or in the error stream for codes other than 0
  };
  const Case cases[] = {
      {{"18=D16@200"}, 0, "mark 18: D10@120 → D16@200 (2 zone(s): 2 face)"},
      {{"18=@100"}, 0, "wall 1, lower face, X bars: crack width"},
      {{"18=D10@120"}, 0, "mark 18: no change"},
      {{"18=f"}, 0, "mark 18: D10@120 → f10@120"},
      {{"18=%%132"}, 0, "mark 18: D10@120 → f10@120"},
      // Under the minimum ratio, and HPB235 weaker than the HRB335 needed.
      {{"18=D10@300"}, 6, "mark 18: refused: wall 1, lower face, X bars: area 261.8 mm²/m of 10@300 below the "
                          "requirement: the minimum ratio 0.21 % needs 643.5 mm²/m of HRB335"},
      {{"18=d"}, 6, "mark 18: refused: wall 1, lower face, X bars: area 654.5 mm²/m of HPB235 10@120"},
      // All or none: the second refuses, nothing is taken.
      {{"18=D12@150", "18=D10@300"}, 6, "no edit is taken"},
      {{"1=X12"}, 1, "unknown grade letter 'X'"},
      {{"99=D12"}, 1, "mark 99 is outside 1..35"},
      {{"0=D12"}, 1, "mark 0 is outside 1..35"},
      {{"18=D13"}, 1, "diameter 13 mm is not a standard bar size"},
      {{"18=@12.5"}, 1, "spacing '12.5' is not a whole number"},
      {{"18=@0"}, 1, "spacing '0' is not a whole number of mm above 0"},
      {{"18=%%180"}, 1, "grade code %%180 is none of"},
      {{"18"}, 1, "cannot be read; write N=BAR"},
      {{"18="}, 1, "cannot be read"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"rebar-edit", design};
    args.insert(args.end(), c.edits.begin(), c.edits.end());
    SCOPED_TRACE(c.edits.front());
    const HostRun r = RunTool(args);
    EXPECT_EQ(r.code, c.code) << r.out << r.err;
    EXPECT_NE((c.code == 0 ? r.out : r.err).find(c.out), std::string::npos) << r.out << r.err;
  }
  EXPECT_EQ(RunTool({"rebar-edit", design}).code, 2);
  EXPECT_TRUE(ReadFile(design) == before);
}

TEST_F(HostRebarEdit, SupportSpacingAndUndesignedDesignsAreRefused) {
  const std::string design = Designed();
  // Every mark tried with a new spacing: those of support or opening bars
  // (laid by count) are refused as bad input.
  int refusedForCount = 0;
  for (int mark = 1; mark <= 35; ++mark) {
    const HostRun r = RunTool({"rebar-edit", design, std::to_string(mark) + "=@150"});
    if (r.err.find("laid by count") != std::string::npos) {
      EXPECT_EQ(r.code, 1);
      ++refusedForCount;
    }
  }
  EXPECT_GT(refusedForCount, 0);

  const std::string out = Path("u");
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", out}).code, 0);
  const HostRun r = RunTool({"rebar-edit", out + "/tank.tkd", "1=D12"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("tankdesign draw"), std::string::npos) << r.err;
}

}  // namespace

namespace {

// Rebar labels picked by their DXF handle, as `draw` wrote them.
class HostRebarEditByHandle : public HostCommandTest {};

TEST_F(HostRebarEditByHandle, LabelsOfTheDrawingsAreEditedByHandle) {
  const std::string t = Path("t"), d = Path("d");
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", t}).code, 0);
  // Handles need drawings.
  const HostRun none = RunTool({"rebar-edit", t + "/tank.tkd", "h:21E=D16"});
  EXPECT_EQ(none.code, 1);
  EXPECT_NE(none.err.find("tankdesign draw"), std::string::npos) << none.err;
  ASSERT_EQ(RunTool({"draw", t + "/tank.tkd", "-o", d}).code, 0);
  const std::string design = d + "/tank.tkd";
  const std::string before = ReadFile(design);
  const nlohmann::json dxf = export_readers::ReadWithEzdxf(d + "/bottom-slab-plan.dxf");
  std::string label, other;
  for (const auto& e : dxf["entities"]) {
    if (e["type"] != "TEXT") continue;
    const std::string text = e["text"];
    if (label.empty() && text.find("%%13114@125") != std::string::npos) label = e["handle"];
  }
  for (const auto& e : dxf["entities"])
    if (other.empty() && e["type"] == "LINE") other = e["handle"];
  ASSERT_FALSE(label.empty());
  ASSERT_FALSE(other.empty());
  struct Case {
    std::string edit;
    int code;
    const char* out;
  };
  const Case cases[] = {
      // The label's zone leaves the mark it shares and takes one of its own.
      {"h:" + label + "=D16@150", 0, "D14@125 → D16@150 (1 zone(s): 1 face)"},
      {"h:" + label + "=D14@125", 0, "no change"},
      {"h:" + label + "=@300", 6, "refused: bottom slab 1, upper face, X bars: area"},
      {"h:" + label + "=Q14", 1, "unknown grade letter 'Q'"},
      {"h:FFFFFF=D12", 1, "handle FFFFFF is not in the design"},
      {"h:" + other + "=D12", 1, "is neither a cell of the rebar schedule nor a rebar label"},
      {"h:zz=D12", 1, "'zz' is not a handle"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edit);
    const HostRun r = RunTool({"rebar-edit", design, c.edit});
    EXPECT_EQ(r.code, c.code) << r.out << r.err;
    EXPECT_NE((c.code == 0 ? r.out : r.err).find(c.out), std::string::npos) << r.out << r.err;
  }
  EXPECT_TRUE(ReadFile(design) == before);
}

}  // namespace

namespace {

// Cells of a drawn rebar schedule picked by their handle: 编号, 直径 and 间距
// take a value, the columns that follow from the bars are refused.
TEST_F(HostRebarEditByHandle, ScheduleCellsAreEditedByHandle) {
  const std::string design = Path("drawn.tkd");
  std::map<int, std::string> cells;  // column tag -> handle of mark 18's cell
  std::string design18;
  {
    TankDesigner designer;
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"),
                            "x");
    ASSERT_TRUE(designer.Analyse());
    designer.DesignRein(nullptr);
    designer.SetReinDesigned(true);
    designer.DrawReinTable(true, _3dPoint(0.0, 0.0, 0.0));
    for (const TankViewPtr& view : designer.GetViews()) {
      const ReinScheduleAccess* schedule = AsReinSchedule(view.get());
      if (!schedule) continue;
      ObjectEntityPairs rows;
      schedule->ListScheduleRows(rows);
      for (const auto& [object, entities] : rows) {
        const auto zone = boost::dynamic_pointer_cast<ReinZone>(object);
        if (!zone || zone->GetNumber() != 18) continue;
        for (const EntityPtr& e : entities) {
          int column = 0;
          EntityHandle handle;
          if (schedule->GetScheduleColumn(e, &column) && g_ViewBoard.FindEntityHandle(e, handle) &&
              !cells.count(column))
            cells[column] = handle.ToString();
        }
      }
    }
    SaveDesignFile(designer, design);
  }
  g_ViewBoard.Reset();
  ASSERT_EQ(cells.size(), 7u);
  const std::string before = ReadFile(design);
  struct Case {
    int column;
    std::string value;
    int code;
    const char* out;
  };
  const Case cases[] = {
      {3, "16", 0, "mark 18: D10@120 → D16@120 (2 zone(s): 2 face)"},
      {4, "100", 0, "mark 18: D10@120 → D10@100"},
      {1, "40", 0, "mark 18 (now mark 40): D10@120 (2 zone(s): 2 face)"},
      {1, "18", 0, "mark 18: no change"},
      {4, "300", 6, "mark 18: refused: wall 1, lower face, X bars: area"},
      {1, "0", 1, "the new mark '0' is not a positive whole number"},
      {1, "3", 1, "mark 3 is already carried by other bars"},
      {3, "13", 1, "diameter 13 mm is not a standard bar size"},
      {3, "D16", 1, "the diameter 'D16' is not a number of mm"},
      {5, "2000", 1, "the 长度 cell of mark 18: length, count and total length follow from the bars"},
      {6, "9", 1, "the 根数 cell"},
      {7, "9", 1, "the 总长度 cell"},
      {2, "9", 1, "the 略图 cell"},
  };
  for (const Case& c : cases) {
    const std::string edit = "h:" + cells[c.column] + "=" + c.value;
    SCOPED_TRACE(edit);
    const HostRun r = RunTool({"rebar-edit", design, edit});
    EXPECT_EQ(r.code, c.code) << r.out << r.err;
    EXPECT_NE((c.code == 0 ? r.out : r.err).find(c.out), std::string::npos) << r.out << r.err;
  }
  // Two cells of one row in one run: the second cell is found again in the
  // schedule the first edit drew anew.
  const HostRun both = RunTool({"rebar-edit", design, "h:" + cells[3] + "=12", "h:" + cells[4] + "=150"});
  EXPECT_EQ(both.code, 0) << both.err;
  EXPECT_NE(both.out.find("mark 18: D12@120 → D12@150"), std::string::npos) << both.out;
  EXPECT_TRUE(ReadFile(design) == before);
}

}  // namespace

namespace {

// CSV rows as maps from the header's names.
std::vector<std::map<std::string, std::string>> ReadCsv(const std::string& path) {
  std::istringstream in(ReadFile(path));
  std::vector<std::map<std::string, std::string>> rows;
  std::string line;
  std::vector<std::string> header;
  auto split = [](const std::string& l) {
    std::vector<std::string> f;
    std::stringstream s(l);
    std::string x;
    while (std::getline(s, x, ',')) f.push_back(x);
    return f;
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (header.empty()) {
      header = split(line);
      continue;
    }
    const std::vector<std::string> f = split(line);
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < header.size() && i < f.size(); ++i) row[header[i]] = f[i];
    rows.push_back(row);
  }
  return rows;
}

// The DXF handles of the rebar labels of a mark on the drawings of a design
// (the schedule aside): its bubbles and its bar texts.
struct MarkLabels {
  std::vector<std::string> bubbles, texts;
};
MarkLabels LabelsOfMark(const std::string& design, int mark) {
  g_ViewBoard.Reset();
  MarkLabels labels;
  {
    TankDesigner designer;
    OpenDesignFile(designer, design);
    for (const TankViewPtr& view : designer.GetViews()) {
      if (!view || AsReinSchedule(view.get())) continue;
      ObjectEntityPairs pairs;
      view->ListObjectEntities(pairs);
      for (const auto& [object, entities] : pairs) {
        const auto zone = boost::dynamic_pointer_cast<ReinZone>(object);
        if (!zone || zone->GetNumber() != mark) continue;
        for (const EntityPtr& e : entities) {
          EntityHandle handle;
          if (!g_ViewBoard.FindEntityHandle(e, handle)) continue;
          const int kind = view->GetEntityKind(e);
          if (kind == kKindReinMark) labels.bubbles.push_back(handle.ToString());
          if (kind == kKindReinText) labels.texts.push_back(handle.ToString());
        }
      }
    }
  }
  g_ViewBoard.Reset();
  return labels;
}

// Every label of the mark, found by its handle in the DXF files of the
// folder, reads `bar`, and every bubble of it (a circle, its number the
// text at its centre) the mark, on its own drawing and on the sheet.
void ExpectLabelsOfMark(const std::string& folder, int mark, const std::string& bar) {
  SCOPED_TRACE(folder);
  const MarkLabels labels = LabelsOfMark(folder + "/tank.tkd", mark);
  ASSERT_FALSE(labels.bubbles.empty());
  ASSERT_FALSE(labels.texts.empty());
  // handle -> (file, position) of every entity of the drawings.
  std::map<std::string, nlohmann::json> reports;
  std::map<std::string, std::vector<std::pair<std::string, std::size_t>>> where;
  for (const auto& f : std::filesystem::directory_iterator(folder)) {
    if (f.path().extension() != ".dxf") continue;
    const std::string stem = f.path().stem().string();
    reports[stem] = export_readers::ReadWithEzdxf(f.path().string());
    const nlohmann::json& entities = reports[stem]["entities"];
    for (std::size_t i = 0; i < entities.size(); ++i) where[entities[i]["handle"]].push_back({stem, i});
  }
  std::set<std::string> drawings;
  std::map<std::string, int> bubblesFound;
  const auto check = [&](const std::string& handle, bool bubble) {
    SCOPED_TRACE((bubble ? "bubble " : "label ") + handle);
    const auto found = where.find(handle);
    ASSERT_NE(found, where.end());
    bool onSheet = false, onDrawing = false;
    for (const auto& [stem, i] : found->second) {
      (stem == "drawings" ? onSheet : onDrawing) = true;
      if (stem != "drawings") drawings.insert(stem);
      const nlohmann::json& entities = reports[stem]["entities"];
      if (bubble) {
        ++bubblesFound[stem];
        EXPECT_EQ(entities[i]["type"], "CIRCLE") << stem;
        ASSERT_LT(i + 1, entities.size());
        EXPECT_EQ(entities[i + 1]["type"], "TEXT") << stem;
        EXPECT_EQ(entities[i + 1]["text"], std::to_string(mark)) << stem;
        EXPECT_EQ(entities[i + 1]["align_point"], entities[i]["center"]) << stem;
      } else {
        EXPECT_EQ(entities[i]["type"], "TEXT") << stem;
        EXPECT_EQ(entities[i]["text"], bar) << stem;
      }
    }
    EXPECT_TRUE(onSheet);
    EXPECT_TRUE(onDrawing);
  };
  for (const std::string& handle : labels.bubbles) check(handle, true);
  for (const std::string& handle : labels.texts) check(handle, false);
  // The wall plan and the sections across the mark's walls.
  EXPECT_TRUE(drawings.count("wall-plan"));
  EXPECT_GT(drawings.size(), 1u);
  // No bubble of the mark in the files that the design does not know as one.
  for (const auto& [stem, report] : reports) {
    const nlohmann::json& entities = report["entities"];
    int bubbles = 0;
    for (std::size_t i = 0; i + 1 < entities.size(); ++i)
      if (entities[i]["type"] == "CIRCLE" && entities[i + 1]["type"] == "TEXT" &&
          entities[i + 1]["text"] == std::to_string(mark) && entities[i + 1]["align_point"] == entities[i]["center"])
        ++bubbles;
    EXPECT_EQ(bubbles, bubblesFound[stem]) << stem;
  }
}

// With -o the edited design is drawn anew and written as `draw` writes it,
// the mark's labels on the plans and sections with the new bars; a refused
// edit leaves the folder as it was.
TEST_F(HostRebarEdit, WritesTheEditedDrawingSetOrNothing) {
  const std::string t = Path("t"), drawn = Path("drawn"), out = Path("edit");
  ASSERT_EQ(RunTool({"new", "--example", "buried-two-cell", "-o", t}).code, 0);
  ASSERT_EQ(RunTool({"draw", t + "/tank.tkd", "-o", drawn}).code, 0);
  const HostRun r = RunTool({"rebar-edit", drawn + "/tank.tkd", "18=D16@200", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  auto row18 = [](const std::string& dir) {
    for (const auto& row : ReadCsv(dir + "/rebar-schedule.csv"))
      if (row.at("mark") == "18") return row;
    return std::map<std::string, std::string>();
  };
  const auto before = row18(drawn), after = row18(out);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(before.at("diameter_mm"), "10");
  EXPECT_EQ(after.at("diameter_mm"), "16");
  EXPECT_EQ(after.at("spacing_mm"), "200");
  EXPECT_NE(after.at("count"), before.at("count"));  // the bars laid again
  // The steel of the d16 rows grows by the mark's new bars, that of d10
  // shrinks.
  auto steel = [](const std::string& dir, const std::string& d) {
    double kg = 0.0;
    for (const auto& row : ReadCsv(dir + "/materials.csv"))
      if (row.at("material") == "steel" && row.at("diameter_mm") == d) kg += std::stod(row.at("weight_kg"));
    return kg;
  };
  EXPECT_LT(steel(out, "10"), steel(drawn, "10"));
  EXPECT_GT(steel(out, "16"), steel(drawn, "16"));
  // Not the schedule alone: every label of the mark on the drawings reads
  // the new bars.
  ExpectLabelsOfMark(drawn, 18, "%%13110@120");
  ExpectLabelsOfMark(out, 18, "%%13116@200");

  // A refusal writes nothing: every file stays byte for byte.
  std::map<std::string, std::string> files;
  for (const auto& f : std::filesystem::directory_iterator(out)) files[f.path().string()] = ReadFile(f.path().string());
  const HostRun refused = RunTool({"rebar-edit", drawn + "/tank.tkd", "18=D10@300", "-o", out});
  EXPECT_EQ(refused.code, 6);
  EXPECT_NE(refused.err.find("mark 18: refused"), std::string::npos) << refused.err;
  std::map<std::string, std::string> now;
  for (const auto& f : std::filesystem::directory_iterator(out)) now[f.path().string()] = ReadFile(f.path().string());
  EXPECT_TRUE(now == files);
}

}  // namespace
