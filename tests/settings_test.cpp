// Project settings: defaults, JSON round trip, strict reading of settings
// files, filing through the archive, and the `settings` host command.
#include "app/Host.h"
#include "platform/Morlak.h"
#include "platform/Zarvel.h"
#include "tests/host_run.h"
#include "tests/test_paths.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

using Json = SettingsJson;

std::string ArchiveBytes(ProjectSettings& settings) {
  std::ostringstream out;
  Archive ar(out);
  settings.Serialize(ar);
  ar.Close();
  return out.str();
}

ProjectSettings ReadArchive(const std::string& bytes) {
  std::istringstream in(bytes);
  Archive ar(in);
  ProjectSettings settings;
  settings.Serialize(ar);
  ar.Close();
  return settings;
}

// Every problem of a rejected settings text, as "path: reason" lines.
std::vector<SettingsProblem> ProblemsOf(const std::string& text) {
  try {
    ReadSettingsJson(text);
  } catch (const SettingsError& e) {
    return e.GetProblems();
  }
  return {};
}

// ---------------------------------------------------------------------------
// Defaults

TEST(SettingsDefaults, DescribeAWorkableBuriedTank) {
  const ProjectSettings s;
  EXPECT_TRUE(ValidateSettings(s).empty()) << ValidateSettings(s).front().ToString();

  const MaterialSettings& m = s.GetMaterialSettings();
  for (const std::string& g : {m.GetWallConcreteGrade(), m.GetBottomConcreteGrade(), m.GetTopConcreteGrade()})
    EXPECT_EQ(g, "C30");
  for (const std::string& g : {m.GetWallReinGrade(), m.GetBottomReinGrade(), m.GetTopReinGrade()})
    EXPECT_EQ(g, "HRB335");
  for (int c : {m.GetBottomSlabTopCover(), m.GetBottomSlabBottomCover(), m.GetTopSlabTopCover(),
                m.GetTopSlabBottomCover(), m.GetWallOuterCover(), m.GetWallInnerCover()}) {
    EXPECT_GE(c, 35);
    EXPECT_LE(c, 50);
  }
  EXPECT_DOUBLE_EQ(s.GetCalcSettings().GetCrackWidthLimit(), 0.2);
  EXPECT_EQ(s.GetLoadSettings().GetAnalysisMethod(), kAnalysisTables);
  EXPECT_FALSE(s.GetGeologySettings().GetSoilLayers().empty());
  // Groundwater lies above the tank's underside, so flotation is checked.
  EXPECT_LT(s.GetGeologySettings().GetGroundwaterDepth(), s.GetGeologySettings().GetBurialDepth());

  // The candidate table holds the usual diameters 8 to 32 at 100 to 250.
  std::vector<int> diameters, spacings;
  for (const ReinGradeItem& it : s.GetReinGradeTable().GetItems()) {
    diameters.push_back(it.GetDiameter());
    spacings.push_back(it.GetSpacing());
  }
  EXPECT_EQ(*std::min_element(diameters.begin(), diameters.end()), 8);
  EXPECT_EQ(*std::max_element(diameters.begin(), diameters.end()), 32);
  EXPECT_EQ(*std::min_element(spacings.begin(), spacings.end()), 100);
  EXPECT_EQ(*std::max_element(spacings.begin(), spacings.end()), 250);

  // Water up to the top slab's underside: 4.0 m between the slabs' top faces
  // less the 250 mm top slab.
  EXPECT_TRUE(s.GetLoadSettings().IsWaterUpToTop());
  EXPECT_DOUBLE_EQ(s.GetCellWaterLevel(), 3750.0);
}

TEST(SettingsDefaults, DrawingEntries) {
  DetailingSettings d;
  for (int key : DetailingSettings::kDrawingKeys) {
    EXPECT_FALSE(d.GetDrawingEntry(key).title.empty()) << key;
    EXPECT_GT(d.GetDrawingEntry(key).scale, 0) << key;
  }
  EXPECT_EQ(d.GetDrawingOptions(), kDrawingAll);
  EXPECT_EQ(d.GetDrawingEntry(3), (DrawingEntry{"", 1}));
  EXPECT_EQ(d.GetDrawingEntry(64), (DrawingEntry{"", 1}));
  EXPECT_THROW(d.SetDrawingEntry(3, {"x", 10}), std::out_of_range);
  d.SetDrawingEntry(kDrawingSection, {"剖面", 30});
  EXPECT_EQ(d.GetDrawingEntry(kDrawingSection), (DrawingEntry{"剖面", 30}));
  EXPECT_EQ(d.GetDrawingEntry(kDrawingWallPlan), DetailingSettings().GetDrawingEntry(kDrawingWallPlan));
}

TEST(SettingsDefaults, CellWaterLevel) {
  struct Case {
    bool topSlab;
    double depth;  // m, negative: up to the top
    double bottom, top;
    double expected;  // mm
  };
  const Case cases[] = {
      {true, -1.0, -8.0, -3.5, 4250.0},  // to the underside of the 250 top slab
      {false, -1.0, -8.0, -3.5, 4500.0},  // to the wall tops of an open tank
      {true, 2.5, -8.0, -3.5, 2500.0},    // as given
      {true, 0.0, -8.0, -3.5, 0.0},       // an empty tank
      {true, -1.0, -1.0, -0.9, 0.0},      // no room under the top slab: never negative
  };
  for (const Case& c : cases) {
    ProjectSettings s;
    s.GetModelSettings().SetHasTopSlab(c.topSlab);
    s.GetLoadSettings().SetDesignWaterDepth(c.depth);
    s.GetGeometrySettings().SetBottomElevation(c.bottom);
    s.GetGeometrySettings().SetTopElevation(c.top);
    EXPECT_DOUBLE_EQ(s.GetCellWaterLevel(), c.expected) << c.topSlab << " " << c.depth << " " << c.top;
  }
}

// ---------------------------------------------------------------------------
// Round trips

TEST(SettingsJson, DefaultsRoundTrip) {
  ProjectSettings defaults;
  const std::string text = WriteSettingsJson(defaults);
  ProjectSettings read = ReadSettingsJson(text);
  EXPECT_TRUE(read == defaults);
  EXPECT_EQ(ToJson(read), ToJson(defaults));
  EXPECT_EQ(WriteSettingsJson(read), text);
  EXPECT_EQ(ArchiveBytes(read), ArchiveBytes(defaults));
  // The text is UTF-8 with the Chinese names as they are, grouped by section.
  EXPECT_NE(text.find("\"粉质黏土\""), std::string::npos);
  EXPECT_NE(text.find("\"concrete_grade_walls\": \"C30\""), std::string::npos);
  EXPECT_LT(text.find("\"geometry\""), text.find("\"view\""));
}

// Changes every value of a settings document to another acceptable value,
// adds a soil layer and reverses the candidate table.
void Mutate(Json& j, const std::string& key) {
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it) Mutate(it.value(), it.key());
  } else if (j.is_array()) {
    for (Json& e : j) Mutate(e, key);
    if (key == "soil_layers")
      j.push_back({{"name", "中砂"}, {"thickness_m", 3.5}, {"unit_weight_kn_m3", 20.0}, {"friction_angle_deg", 30.0}});
    if (key == "bar_candidates") std::reverse(j.begin(), j.end());
  } else if (key == "format_version") {
  } else if (j.is_boolean()) {
    j = !j.get<bool>();
  } else if (j.is_number_integer()) {
    const int v = j.get<int>();
    j = key == "mode" ? (v == kEarModeNone ? 0 : kEarModeNone) : v + 1;
  } else if (j.is_number_float()) {
    j = j.get<double>() * 0.9 + 0.01;
  } else if (j.is_string()) {
    const std::string s = j.get<std::string>();
    const std::map<std::string, std::string> other = {
        {"C30", "C35"}, {"HRB335", "HRB400"}, {"不考虑", "壁厚"}, {"1/3+", "1/4"}};
    j = other.count(s) ? other.at(s) : s + "甲";
  }
}

// Settings in which every value differs from the default.
ProjectSettings NonDefaultSettings() {
  Json json = ToJson(ProjectSettings());
  Mutate(json, "");
  ProjectSettings s;
  FromJson(json, s);
  // Filed but not part of the JSON form: the overhang haunch has no threshold.
  EarSetting outer = s.GetDetailingSettings().GetBottomSlabOuterEar();
  outer.threshold = 77;
  s.GetDetailingSettings().SetBottomSlabOuterEar(outer);
  return s;
}

TEST(SettingsJson, NonDefaultSettingsRoundTripAndTouchEveryField) {
  const ProjectSettings s = NonDefaultSettings();
  // Every value of the JSON form differs from the default one.
  const Json flatDefault = ToJson(ProjectSettings()).flatten();
  const Json flat = ToJson(s).flatten();
  for (auto it = flatDefault.begin(); it != flatDefault.end(); ++it) {
    if (it.key() == "/format_version") continue;
    ASSERT_TRUE(flat.contains(it.key())) << it.key();
    EXPECT_NE(flat[it.key()], it.value()) << it.key();
  }
  EXPECT_EQ(s.GetGeologySettings().GetSoilLayers().size(), 2u);
  EXPECT_EQ(s.GetDetailingSettings().GetDrawingOptions(), 0);
  EXPECT_TRUE(ValidateSettings(s).empty());

  ProjectSettings read = ReadSettingsJson(WriteSettingsJson(s));
  EXPECT_EQ(ToJson(read), ToJson(s));
}

TEST(SettingsArchive, NonDefaultSettingsRoundTrip) {
  ProjectSettings s = NonDefaultSettings();
  const std::string bytes = ArchiveBytes(s);
  ProjectSettings read = ReadArchive(bytes);
  EXPECT_TRUE(read == s);
  EXPECT_FALSE(read == ProjectSettings());
  EXPECT_EQ(read.GetReinGradeTable().GetItems(), s.GetReinGradeTable().GetItems());  // order kept
  EXPECT_EQ(read.GetGeologySettings().GetSoilLayers(), s.GetGeologySettings().GetSoilLayers());
  EXPECT_EQ(read.GetDetailingSettings().GetBottomSlabOuterEar().threshold, 77);
  EXPECT_EQ(read.GetViewSettings(), s.GetViewSettings());
  EXPECT_EQ(ArchiveBytes(read), bytes);
}

TEST(SettingsArchive, KeepsValuesTheJsonReaderWouldRefuse) {
  // Setters do not check; what was filed is read back as it was.
  ProjectSettings s;
  s.GetMaterialSettings().SetWallConcreteGrade("C33");
  s.GetMaterialSettings().SetWallOuterCover(-5);
  s.GetLoadSettings().SetAnalysisMethod(7);
  s.GetReinGradeTable().SetItems({});
  s.GetModelSettings().SetWallLayers({});
  s.GetGeologySettings().SetSoilLayers({});
  ProjectSettings read = ReadArchive(ArchiveBytes(s));
  EXPECT_TRUE(read == s);
}

TEST(SettingsArchive, FiledThroughAPointerByClassName) {
  ProjectSettings s = NonDefaultSettings();
  std::ostringstream out;
  {
    Archive ar(out);
    ar << static_cast<const VekObject*>(&s);
    ar.Close();
  }
  std::istringstream in(out.str());
  Archive ar(in);
  VekObject* object = nullptr;
  ar >> object;
  std::unique_ptr<VekObject> owned(object);
  auto* read = dynamic_cast<ProjectSettings*>(object);
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(*read == s);
}

TEST(SettingsArchive, DamagedRecordsLeaveTheSettingsUnchanged) {
  struct Case {
    const char* what;
    int version;
    int extraInts;  // values written after the version
  };
  const Case cases[] = {
      {"a later record version", ProjectSettings::kRecordVersion + 1, 40},
      {"version 0", 0, 40},
      {"a record that ends early", ProjectSettings::kRecordVersion, 5},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    {
      Archive ar(out);
      VekObject base;
      base.Serialize(ar);  // the object marker every record starts with
      ar.WriteInt(c.version);
      for (int i = 0; i < c.extraInts; ++i) ar.WriteInt(1);
      ar.Close();
    }
    ProjectSettings s;
    s.GetGeometrySettings().SetWallThickness(444);
    std::istringstream in(out.str());
    Archive ar(in);
    EXPECT_THROW(s.Serialize(ar), ArchiveError) << c.what;
    EXPECT_EQ(s.GetGeometrySettings().GetWallThickness(), 444) << c.what;
  }
}

// ---------------------------------------------------------------------------
// Strict reading

struct BadFile {
  const char* text;
  const char* path;    // the field named
  const char* reason;  // part of the reason
};

TEST(SettingsJson, MalformedFilesAreRejectedWithTheFieldNamed) {
  const BadFile cases[] = {
      // wrong types
      {R"({"geometry": {"wall_thickness_mm": "300"}})", "settings.geometry.wall_thickness_mm",
       "expected a whole number, got the string \"300\""},
      {R"({"materials": {"wall_outer_cover_mm": 35.5}})", "settings.materials.wall_outer_cover_mm",
       "expected a whole number"},
      {R"({"calculation": {"ribbed_bars": 1}})", "settings.calculation.ribbed_bars", "expected true or false"},
      {R"({"loads": {"ground_live_load_kn_m2": "10"}})", "settings.loads.ground_live_load_kn_m2",
       "expected a number"},
      {R"({"materials": {"concrete_grade_walls": 30}})", "settings.materials.concrete_grade_walls",
       "expected a text"},
      {R"({"model": {"wall_layers": ["WALL", 3]}})", "settings.model.wall_layers", "entry 1"},
      {R"({"loads": 5})", "settings.loads", "expected an object"},
      {R"([1, 2])", "settings", "expected an object"},
      {R"({"geology": {"soil_layers": {"name": "x"}}})", "settings.geology.soil_layers", "expected a list"},
      {R"({"geometry": {"wall_thickness_mm": 10000000000}})", "settings.geometry.wall_thickness_mm",
       "out of range"},
      // unknown and repeated keys
      {R"({"materials": {"wall_cover_mm": 35}})", "settings.materials.wall_cover_mm", "unknown key"},
      {R"({"geometery": {}})", "settings.geometery", "did you mean \"geometry\""},
      {R"({"materials": {"wall_outer_cover_mm": 35, "wall_outer_cover_mm": 40}})",
       "settings.materials.wall_outer_cover_mm", "given twice"},
      {R"({"geology": {"soil_layers": [
           {"name": "a", "thickness_m": 1, "unit_weight_kn_m3": 18, "friction_angle_deg": 10},
           {"name": "b", "name": "c", "thickness_m": 1, "unit_weight_kn_m3": 18, "friction_angle_deg": 10}]}})",
       "settings.geology.soil_layers[1].name", "given twice"},
      {R"({"format_version": 2})", "settings.format_version", "must be 1"},
      // missing required values of list entries
      {R"({"geology": {"soil_layers": [{"name": "x", "thickness_m": 2, "unit_weight_kn_m3": 18}]}})",
       "settings.geology.soil_layers[0].friction_angle_deg", "missing required value"},
      {R"({"bar_candidates": [{"diameter_mm": 12}]})", "settings.bar_candidates[0].spacing_mm",
       "missing required value"},
      // impossible values
      {R"({"geometry": {"bottom_slab_thickness_mm": -400}})", "settings.geometry.bottom_slab_thickness_mm",
       "must be greater than 0, got -400"},
      {R"({"materials": {"top_slab_bottom_cover_mm": 0}})", "settings.materials.top_slab_bottom_cover_mm",
       "must be greater than 0"},
      {R"({"calculation": {"concrete_unit_weight_kn_m3": -25}})",
       "settings.calculation.concrete_unit_weight_kn_m3", "must be greater than 0"},
      {R"({"geology": {"soil_layers": [{"name": "x", "thickness_m": 2, "unit_weight_kn_m3": -18,
           "friction_angle_deg": 10}]}})",
       "settings.geology.soil_layers[0].unit_weight_kn_m3", "must be greater than 0"},
      {R"({"materials": {"concrete_grade_walls": "C33"}})", "settings.materials.concrete_grade_walls",
       "unknown concrete grade \"C33\""},
      {R"({"materials": {"rebar_grade_top_slab": "HRB500"}})", "settings.materials.rebar_grade_top_slab",
       "unknown rebar grade \"HRB500\""},
      {R"({"loads": {"analysis_method": 2}})", "settings.loads.analysis_method", "got 2"},
      {R"({"geometry": {"wall_top_restraint": 3}})", "settings.geometry.wall_top_restraint", "2 (free)"},
      {R"({"detailing": {"haunches": {"wall_corner": {"mode": 5}}}})",
       "settings.detailing.haunches.wall_corner.mode", "got 5"},
      {R"({"detailing": {"haunches": {"top_slab": {"angle_deg": 90}}}})",
       "settings.detailing.haunches.top_slab.angle_deg", "below 90"},
      {R"({"detailing": {"drawings": {"wall_section": {"scale": 0}}}})",
       "settings.detailing.drawings.wall_section.scale", "must be greater than 0"},
      {R"({"detailing": {"wall_bar_extension_rule": "1/0"}})", "settings.detailing.wall_bar_extension_rule",
       "divides by 0"},
      {R"({"detailing": {"wall_bar_extension_rule": "10/30"}})", "settings.detailing.wall_bar_extension_rule",
       "first three characters"},
      {R"({"reinforcement": {"horizontal_joint_length_rule": "abc"}})",
       "settings.reinforcement.horizontal_joint_length_rule", "is not a rule"},
      {R"({"reinforcement": {"vertical_joint_length_rule": "15dd"}})",
       "settings.reinforcement.vertical_joint_length_rule", "is not a rule"},
      {R"({"reinforcement": {"plain_bar_upgrade_grade": "HRB500"}})",
       "settings.reinforcement.plain_bar_upgrade_grade", "\"HRB335\" or \"HRB400\""},
      {R"({"loads": {"groundwater_quasi_permanent": 1.5}})", "settings.loads.groundwater_quasi_permanent",
       "between 0 and 1"},
      {R"({"loads": {"min_rein_ratio": 2}})", "settings.loads.min_rein_ratio", "below 1"},
      {R"({"opening_reinforcement": {"side_bar_count": 0}})", "settings.opening_reinforcement.side_bar_count",
       "at least 1"},
      {R"({"opening_reinforcement": {"added_bar_max_diameter_mm": 5, "added_bar_min_diameter_mm": 4}})",
       "settings.opening_reinforcement.added_bar_max_diameter_mm", "at least 6"},
      {R"({"bar_candidates": []})", "settings.bar_candidates", "at least one candidate"},
      // values that contradict each other
      {R"({"reinforcement": {"min_bar_spacing_mm": 250}})", "settings.reinforcement.min_bar_spacing_mm",
       "is above max_bar_spacing_mm (200)"},
      // covers and bars of both faces that do not fit the member's thickness
      {R"({"geometry": {"wall_thickness_mm": 150}, "materials": {"wall_outer_cover_mm": 200}})",
       "settings.materials.wall_outer_cover_mm", "the wall is only 150 mm thick"},
      {R"({"geometry": {"bottom_slab_thickness_mm": 150},
           "materials": {"bottom_slab_top_cover_mm": 40, "bottom_slab_bottom_cover_mm": 100}})",
       "settings.materials.bottom_slab_bottom_cover_mm", "need 160 mm"},
      {R"({"model": {"min_wall_thickness_mm": 700}})", "settings.model.min_wall_thickness_mm", "exceeds"},
      {R"({"opening_reinforcement": {"side_bar_min_diameter_mm": 28}})",
       "settings.opening_reinforcement.side_bar_min_diameter_mm", "exceeds"},
      {R"({"geometry": {"tank_top_elevation_m": -5}})", "settings.geometry.tank_top_elevation_m",
       "leaves no room"},
      {R"({"loads": {"design_water_depth_m": 4.0}})", "settings.loads.design_water_depth_m",
       "above the top of the cells"},
      {R"({"bar_candidates": [{"diameter_mm": 8, "spacing_mm": 100}]})", "settings.bar_candidates",
       "no candidate bar"},
  };
  // An empty spacing range is named as such, not as a table without a bar.
  EXPECT_EQ(ProblemsOf(R"({"reinforcement": {"min_bar_spacing_mm": 250}})").size(), 1u);
  // Thin members with their covers and bars that fit are read.
  EXPECT_TRUE(ProblemsOf(R"({"geometry": {"wall_thickness_mm": 100, "top_slab_thickness_mm": 100},
                             "materials": {"wall_outer_cover_mm": 35, "wall_inner_cover_mm": 30}})")
                  .empty());
  for (const BadFile& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<SettingsProblem> problems = ProblemsOf(c.text);
    ASSERT_FALSE(problems.empty());
    const auto named = std::find_if(problems.begin(), problems.end(),
                                     [&](const SettingsProblem& p) { return p.path == c.path; });
    ASSERT_NE(named, problems.end()) << problems.front().ToString();
    EXPECT_NE(named->reason.find(c.reason), std::string::npos) << named->reason;
    // The exception's message carries "path: reason".
    try {
      ReadSettingsJson(c.text);
    } catch (const SettingsError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string(c.path) + ": "), std::string::npos) << e.what();
    }
  }
}

TEST(SettingsJson, ConcreteGradeMessage) {
  try {
    ReadSettingsJson(R"({"materials": {"concrete_grade_walls": "C33"}})");
    FAIL() << "C33 accepted";
  } catch (const SettingsError& e) {
    EXPECT_EQ(std::string(e.what()),
              "settings.materials.concrete_grade_walls: unknown concrete grade \"C33\" (C15 to C80 in steps of 5)");
  }
}

TEST(SettingsJson, EveryProblemIsReported) {
  const auto problems = ProblemsOf(R"({
    "geometry": {"wall_thickness_mm": -1, "wall_top_restraint": 9},
    "materials": {"concrete_grade_walls": "C33", "colour": "red"}
  })");
  std::vector<std::string> paths;
  for (const auto& p : problems) paths.push_back(p.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"settings.geometry.wall_thickness_mm",
                                             "settings.geometry.wall_top_restraint",
                                             "settings.materials.concrete_grade_walls",
                                             "settings.materials.colour"}));

  // The checks across fields are not held back by a wrong field elsewhere,
  // and a field named once is not named again.
  const auto across = ProblemsOf(R"({
    "geometry": {"wall_thickness_mm": 0.5, "tank_top_elevation_m": "high"},
    "loads": {"design_water_depth_m": 40},
    "calculation": {"concrete_unit_weight_kn_m3": 2500},
    "geology": {"bearing_capacity_kpa": -1}
  })");
  paths.clear();
  for (const auto& p : across) paths.push_back(p.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"settings.geometry.tank_top_elevation_m",
                                             "settings.geometry.wall_thickness_mm",
                                             "settings.calculation.concrete_unit_weight_kn_m3",
                                             "settings.geology.bearing_capacity_kpa",
                                             "settings.loads.design_water_depth_m"}));
}

// Magnitudes out of all reason are refused, naming the unit the field
// expects: a level in mm where metres are asked for, a thickness in m.
TEST(SettingsJson, ImplausibleMagnitudesNameTheUnit) {
  struct Case {
    const char* text;
    const char* path;
    const char* message;
  };
  const Case cases[] = {
      {R"({"geometry": {"tank_top_elevation_m": 3500}})", "settings.geometry.tank_top_elevation_m",
       "must be at most 100, got 3500 (a level in m, from -100 to 100)"},
      {R"({"geometry": {"wall_thickness_mm": 0.3}})", "settings.geometry.wall_thickness_mm", "whole number"},
      {R"({"geometry": {"wall_thickness_mm": 30000}})", "settings.geometry.wall_thickness_mm", "a thickness in mm"},
      {R"({"loads": {"ground_live_load_kn_m2": 10000}})", "settings.loads.ground_live_load_kn_m2", "kN/m²"},
      {R"({"loads": {"self_weight_factor": 0}})", "settings.loads.self_weight_factor", "must be greater than 0"},
      {R"({"calculation": {"water_unit_weight_kn_m3": 1000}})", "settings.calculation.water_unit_weight_kn_m3",
       "kN/m³"},
      {R"({"materials": {"wall_outer_cover_mm": 3500}})", "settings.materials.wall_outer_cover_mm", "a cover in mm"},
      {R"({"geology": {"soil_layers": [{"name": "x", "thickness_m": 2, "unit_weight_kn_m3": -19.5,
          "friction_angle_deg": 20}]}})",
       "settings.geology.soil_layers[0].unit_weight_kn_m3", "must be greater than 0"},
      {R"({"geology": {"groundwater_depth_m": 2000}})", "settings.geology.groundwater_depth_m", "in m"},
      {R"({"bar_candidates": [{"diameter_mm": 120, "spacing_mm": 150}]})", "settings.bar_candidates[0].diameter_mm",
       "a bar diameter in mm"},
  };
  for (const Case& c : cases) {
    const auto problems = ProblemsOf(c.text);
    ASSERT_EQ(problems.size(), 1u) << c.text;
    EXPECT_EQ(problems[0].path, c.path) << c.text;
    EXPECT_NE(problems[0].reason.find(c.message), std::string::npos) << problems[0].reason;
  }
  // The defaults lie within every range.
  EXPECT_TRUE(ValidateSettings(ProjectSettings()).empty());
}

TEST(SettingsJson, SyntaxErrorsGiveLineAndColumn) {
  struct Case {
    std::string text;
    int line, column;
  };
  const Case cases[] = {
      {"{\n  \"geometry\": {\n    \"wall_thickness_mm\": 300,\n  }\n}\n", 4, 3},
      {"{\n  \"loads\": {\"analysis_method\": 0}\n", 3, 1},
      {"", 1, 1},
      {"{\"model\": {\"wall_layers\": [\"\xff\"]}}", 1, 29},  // not UTF-8
  };
  for (const Case& c : cases) {
    const auto problems = ProblemsOf(c.text);
    ASSERT_EQ(problems.size(), 1u) << c.text;
    EXPECT_EQ(problems[0].path, "");
    EXPECT_EQ(problems[0].line, c.line) << c.text << problems[0].reason;
    EXPECT_EQ(problems[0].column, c.column) << c.text << problems[0].reason;
    EXPECT_NE(problems[0].reason.find("JSON syntax error"), std::string::npos);
  }
}

TEST(SettingsJson, ValuesWithAMeaningAreAccepted) {
  const ProjectSettings s = ReadSettingsJson(R"({
    "geometry": {"bottom_slab_top_elevation_m": -8.0, "tank_top_elevation_m": -3.5,
                 "wall_top_restraint": 2, "top_slab_edge_restraint": 2, "bottom_slab_edge_restraint": 2},
    "loads": {"min_rein_ratio": -1, "ground_live_load_quasi_permanent": 0,
              "top_slab_live_load_quasi_permanent": 0, "groundwater_quasi_permanent": 0,
              "design_water_depth_m": -1, "analysis_method": 1},
    "detailing": {"haunches": {"top_slab": {"mode": 2}, "bottom_slab": {"mode": 2},
                               "wall_corner": {"mode": 1}, "bottom_slab_side": {"threshold_mm": 0}}},
    "geology": {"soil_layers": [], "burial_depth_m": 0},
    "materials": {"concrete_grade_walls": "C80", "rebar_grade_walls": "RRB400"},
    "reinforcement": {"horizontal_joint_length_rule": "35d", "vertical_joint_length_rule": "500"},
    "model": {"wall_layers": []}
  })");
  EXPECT_DOUBLE_EQ(s.GetGeometrySettings().GetBottomElevation(), -8.0);
  EXPECT_EQ(s.GetGeometrySettings().GetWallTopRestraint(), kRestraintFree);
  EXPECT_DOUBLE_EQ(s.GetLoadSettings().GetMinReinRatio(), -1.0);
  EXPECT_DOUBLE_EQ(s.GetLoadSettings().GetGroundwaterQuasiPermanent(), 0.0);
  EXPECT_EQ(s.GetLoadSettings().GetAnalysisMethod(), kAnalysisFiniteElements);
  EXPECT_EQ(s.GetDetailingSettings().GetTopSlabEarMode(), kEarModeNone);
  EXPECT_EQ(s.GetDetailingSettings().GetWallCornerEarMode(), 1);
  EXPECT_TRUE(s.GetGeologySettings().GetSoilLayers().empty());
  EXPECT_EQ(s.GetMaterialSettings().GetWallConcreteGrade(), "C80");
  EXPECT_EQ(s.GetReinSettings().GetHorizontalJointLengthRule(), "35d");
  EXPECT_DOUBLE_EQ(s.GetCellWaterLevel(), 4250.0);
  // Keys not given keep their defaults.
  EXPECT_EQ(s.GetMaterialSettings().GetTopConcreteGrade(), "C30");
  EXPECT_EQ(s.GetDetailingSettings().GetTopSlabEarSize(), DetailingSettings().GetTopSlabEarSize());
  EXPECT_EQ(s.GetReinGradeTable(), ReinGradeTable());

  // An empty document is the defaults.
  EXPECT_TRUE(ReadSettingsJson("{}") == ProjectSettings());
}

TEST(SettingsJson, ReadersLeaveTheTargetUnchangedOnError) {
  ProjectSettings s;
  s.GetGeometrySettings().SetWallThickness(444);
  EXPECT_THROW(FromJson(Json::parse(R"({"geometry": {"wall_thickness_mm": 350, "top_slab_thickness_mm": -1}})"), s),
               SettingsError);
  EXPECT_EQ(s.GetGeometrySettings().GetWallThickness(), 444);

  // A section read alone names its fields under the path given, and keys it
  // does not give take the defaults, not the earlier values.
  GeometrySettings g;
  g.SetWallThickness(444);
  try {
    FromJson(Json::parse(R"({"wall_thickness_mm": "thick"})"), g, "tank.geometry");
    FAIL();
  } catch (const SettingsError& e) {
    EXPECT_EQ(e.GetProblems().at(0).path, "tank.geometry.wall_thickness_mm");
  }
  EXPECT_EQ(g.GetWallThickness(), 444);
  FromJson(Json::parse(R"({"top_slab_thickness_mm": 300})"), g);
  EXPECT_EQ(g.GetTopSlabThickness(), 300);
  EXPECT_EQ(g.GetWallThickness(), GeometrySettings().GetWallThickness());

  ReinGradeTable t;
  FromJson(Json::parse(R"([{"diameter_mm": 12, "spacing_mm": 150}, {"diameter_mm": 10, "spacing_mm": 100}])"), t);
  EXPECT_EQ(t.GetItems(), (std::vector<ReinGradeItem>{{12, 150}, {10, 100}}));
}

TEST(SettingsValidation, SettersAreCheckedByTheSameRules) {
  ProjectSettings s;
  s.GetMaterialSettings().SetWallOuterCover(-5);
  s.GetMaterialSettings().SetBottomConcreteGrade("C33");
  s.GetLoadSettings().SetAnalysisMethod(3);
  s.GetReinSettings().SetUpgradeGrade(5);
  s.GetDetailingSettings().SetBottomSlabOuterEar({4, 45.0, 150, 0});
  std::vector<std::string> paths;
  for (const auto& p : ValidateSettings(s)) paths.push_back(p.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"settings.loads.analysis_method",
                                             "settings.materials.concrete_grade_bottom_slab",
                                             "settings.materials.wall_outer_cover_mm",
                                             "settings.detailing.haunches.bottom_slab_overhang.mode",
                                             "settings.reinforcement.plain_bar_upgrade_grade"}));
}

// ---------------------------------------------------------------------------
// Host command

class SettingsCommand : public ::testing::Test {
 protected:
  std::string WriteFile(const std::string& name, const std::string& text) {
    const std::filesystem::path p = m_dir / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  void SetUp() override {
    m_dir = MakeTestTempDir();
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  std::filesystem::path m_dir;
};

TEST_F(SettingsCommand, DefaultsPrintsTheDefaultSettings) {
  const HostRun r = RunTool({"settings", "--defaults"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, WriteSettingsJson(ProjectSettings()));
  EXPECT_TRUE(ReadSettingsJson(r.out) == ProjectSettings());
}

TEST_F(SettingsCommand, CheckAcceptsAGoodFile) {
  const std::string file = WriteFile("good.json", WriteSettingsJson(NonDefaultSettings()));
  const HostRun r = RunTool({"settings", "--check", file});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, file + ": settings are valid\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(SettingsCommand, CheckListsWhatIsWrong) {
  const std::string file = WriteFile("bad.json", R"({
  "materials": {"concrete_grade_walls": "C33"},
  "loads": {"analysis_method": 2}
})");
  const HostRun r = RunTool({"settings", "--check", file});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find(file + ": settings.materials.concrete_grade_walls: unknown concrete grade \"C33\""),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(file + ": settings.loads.analysis_method: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("2 problems"), std::string::npos) << r.err;
}

TEST_F(SettingsCommand, CheckReportsSyntaxErrorsWithLineAndColumn) {
  const std::string file = WriteFile("syntax.json", "{\n  \"geometry\": {\n    \"wall_thickness_mm\": 300,\n  }\n}\n");
  const HostRun r = RunTool({"settings", "--check", file});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find(file + ":4:3: JSON syntax error"), std::string::npos) << r.err;
}

TEST_F(SettingsCommand, BadUseExitsNonZeroWithAMessage) {
  const std::string missing = (m_dir / "missing.json").string();
  const std::vector<std::vector<std::string>> cases = {
      {"settings"},
      {"settings", "--check", missing},
      {"settings", "--check"},
      {"settings", "--defaults", "--check", missing},
  };
  for (const auto& c : cases) {
    const HostRun r = RunTool(c);
    EXPECT_NE(r.code, 0) << c.back();
    EXPECT_FALSE(r.err.empty()) << c.back();
  }
  EXPECT_NE(RunTool({"settings", "--check", missing}).err.find(missing + ": cannot open"), std::string::npos);
}

}  // namespace
