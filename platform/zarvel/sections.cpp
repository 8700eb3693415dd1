// Project settings: the defaults of every section (a buried rectangular water
// tank of usual proportions), the grade lists and the derived water level.
#include "platform/Zarvel.h"

#include <algorithm>
#include <stdexcept>

// ---------------------------------------------------------------------------
// Geometry: a tank of 4.0 m clear height between the slabs' top faces, under
// 0.5 m of soil, ground at ±0.000.

GeometrySettings::GeometrySettings()
    : m_bottomElevation(-4.5),
      m_topElevation(-0.5),
      m_bottomSlabThickness(400),
      m_topSlabThickness(250),
      m_wallThickness(300),
      // The overhang carries soil that helps against flotation and spreads
      // the bearing pressure.
      m_bottomSlabOverhang(500),
      // A top slab cast on the walls is designed as simply supported on them
      // (the usual, safe assumption for the wall's span moments); the bottom
      // slab is cast with the walls and fixed to them.
      m_wallTopRestraint(kRestraintSimplySupported),
      m_topSlabEdgeRestraint(kRestraintSimplySupported),
      m_bottomSlabEdgeRestraint(kRestraintFixed),
      m_sectionDrawingValue(0) {}

// ---------------------------------------------------------------------------
// Loads after GB 50069-2002 (water supply and sewerage structures):
//   partial factors, 5.2: self weight 1.20, other permanent actions (soil,
//   water inside) 1.27; groundwater pressure 1.27, other variable actions
//   1.40; combination coefficient of variable actions 0.90;
//   quasi-permanent coefficients, 4.3: ground surcharge 0.50, top slab live
//   load (accessible cover) 0.40, groundwater 1.00 (the highest level taken
//   as lasting, on the safe side);
//   live loads, 4.3: ground surcharge 10 kN/m², accessible top slab 2.0 kN/m².

LoadSettings::LoadSettings()
    : m_selfWeightFactor(1.20),
      m_otherDeadLoadFactor(1.27),
      m_groundwaterLoadFactor(1.27),
      m_otherLiveLoadFactor(1.40),
      m_groundLiveLoadQp(0.50),
      m_topSlabLiveLoadQp(0.40),
      m_groundwaterQp(1.00),
      m_liveLoadCombination(0.90),
      m_groundLiveLoad(10.0),
      m_topSlabLiveLoad(2.0),
      // The 0.2 % of GB 50010-2002, 9.5.1 (raised to 0.45 ft/fy by the design).
      m_minReinRatio(0.002),
      m_supportAreaInSpan(false),
      m_analysisMethod(kAnalysisTables),
      m_designSwitch(false),
      m_designWaterDepth(-1.0) {}

// ---------------------------------------------------------------------------
// Calculation.

CalcSettings::CalcSettings()
    // 0.20 mm: the limit GB 50069-2002 sets for sewage and treatment tanks,
    // on the safe side for clear-water tanks (0.25).
    : m_crackWidthLimit(0.20),
      m_crackWidthControlled(true),
      // The default bars are HRB335, ribbed.
      m_ribbedBar(true),
      // A buried tank under soil sees small temperature differences; the
      // value is the usual one for walls when the action is switched on.
      m_temperatureConsidered(false),
      m_wallTemperatureDifference(10.0),
      // Reinforced concrete 25 kN/m³ (GB 50009-2001, Appendix A); water of a
      // clear-water tank 10 kN/m³ (GB 50069-2002, 4.2.6).
      m_concreteUnitWeight(25.0),
      m_waterUnitWeight(10.0),
      // Buoyancy reduction 1.0 on soil (GB 50069-2002, 4.3.3); anti-flotation
      // resistance factor 1.05 (GB 50069-2002, 5.2).
      m_buoyancyReduction(1.0),
      m_antiFloatSafety(1.05) {}

// ---------------------------------------------------------------------------
// Materials: C30 and HRB335 throughout; covers after GB 50069-2002, Chapter 6
// (35 for walls and slabs in contact with water or soil; the bottom face of a
// bottom slab on a blinding layer 40 there, raised to 50 as is usual).

MaterialSettings::MaterialSettings()
    : m_wallConcreteGrade("C30"),
      m_bottomConcreteGrade("C30"),
      m_topConcreteGrade("C30"),
      m_wallReinGrade("HRB335"),
      m_bottomReinGrade("HRB335"),
      m_topReinGrade("HRB335"),
      m_bottomSlabTopCover(35),
      m_bottomSlabBottomCover(50),
      m_topSlabTopCover(35),
      m_topSlabBottomCover(35),
      m_wallOuterCover(35),
      m_wallInnerCover(35) {}

const std::vector<std::string>& MaterialSettings::KnownConcreteGrades() {
  static const std::vector<std::string> grades = {"C15", "C20", "C25", "C30", "C35",
                                                  "C40", "C45", "C50", "C55", "C60",
                                                  "C65", "C70", "C75", "C80"};
  return grades;
}

const std::vector<std::string>& MaterialSettings::KnownReinGrades() {
  static const std::vector<std::string> grades = {"HPB235", "HRB335", "HRB400", "RRB400"};
  return grades;
}

bool MaterialSettings::IsKnownConcreteGrade(const std::string& grade) {
  const auto& all = KnownConcreteGrades();
  return std::find(all.begin(), all.end(), grade) != all.end();
}

bool MaterialSettings::IsKnownReinGrade(const std::string& grade) {
  const auto& all = KnownReinGrades();
  return std::find(all.begin(), all.end(), grade) != all.end();
}

// ---------------------------------------------------------------------------
// Geology: one layer of silty clay reaching below the tank; the tank's
// underside 4.9 m below ground (bottom slab top face at -4.500, 400 thick);
// groundwater 2.0 m below ground, so flotation is checked; fa 150 kPa, a
// common value of silty clay after depth correction.

GeologySettings::GeologySettings()
    : m_soilLayers{SoilLayer("粉质黏土", 10.0, 19.0, 20.0)},
      m_burialDepth(4.9),
      m_groundwaterDepth(2.0),
      m_bearingCapacity(150.0) {}

// ---------------------------------------------------------------------------
// Model building: a covered tank; walls recognised between 150 and 600 mm
// thick on the layers "池壁" and "WALL".

ModelSettings::ModelSettings()
    : m_hasTopSlab(1),
      m_maxWallThickness(600),
      m_minWallThickness(150),
      m_wallLayers{"池壁", "WALL"},
      m_modelTextHeight(200) {}

// ---------------------------------------------------------------------------
// Detailing.

const int DetailingSettings::kDrawingKeys[6] = {kDrawingTopSlabPlan,    kDrawingBottomSlabPlan,
                                                kDrawingWallPlan,       kDrawingSection,
                                                kDrawingOpeningDetails, kDrawingRebarSchedule};

DetailingSettings::DetailingSettings()
    : m_topSlabEar{kEarModeNone, 45.0, 150, 0},
      m_bottomSlabEar{0, 45.0, 150, 0},
      m_wallCornerEar{0, 45.0, 150, 0},
      m_bottomSlabSideEar{0, 45.0, 150, 0},
      m_bottomSlabOuterEar{kEarModeNone, 45.0, 150, 0},
      // Plans at 1:100, sections at 1:50, opening details at 1:25; the
      // schedule's scale sets the size of its text.
      m_drawings{{"顶板配筋图", 100},   {"底板配筋图", 100},     {"池壁配筋图", 100},
                 {"剖面配筋图", 50},    {"洞口加强筋详图", 25}, {"钢筋表", 100}},
      m_drawingOptions(kDrawingAll),
      m_wallFacesUnified(false),
      m_wallBarExtensionOn(false),
      m_wallBarExtensionMinSpan(2000),
      m_wallBarExtensionRule("1/3+") {}

int DetailingSettings::DrawingIndex(int key) {
  for (int i = 0; i < 6; ++i)
    if (kDrawingKeys[i] == key) return i;
  return -1;
}

DrawingEntry DetailingSettings::GetDrawingEntry(int key) const {
  const int i = DrawingIndex(key);
  if (i < 0) return DrawingEntry{"", 1};
  return m_drawings[i];
}

void DetailingSettings::SetDrawingEntry(int key, const DrawingEntry& entry) {
  const int i = DrawingIndex(key);
  if (i < 0)
    throw std::out_of_range("DetailingSettings::SetDrawingEntry: no drawing has the key " +
                            std::to_string(key) + " (1, 2, 4, 8, 16 or 32)");
  m_drawings[i] = entry;
}

// ---------------------------------------------------------------------------
// Reinforcement: bars of 10 mm and more (water-retaining members), spacings
// 100 to 200 (GB 50010-2002 allows slab bars up to 250 mm apart in thick
// slabs; 200 keeps crack widths in check).

ReinSettings::ReinSettings()
    : m_minBarDiameter(10),
      m_minBarSpacing(100),
      m_maxBarSpacing(200),
      m_plainBarDiameterLimit(10),
      m_plainBarUpgraded(false),
      m_upgradeGrade(0),
      m_horizontalJointRule("不考虑"),
      m_verticalJointRule("不考虑"),
      m_unitMerge(false) {}

// ---------------------------------------------------------------------------
// Opening reinforcement: added bars of at least 12 mm, two per side and face,
// 50 mm apart beyond the opening; diagonal corner bars 12 mm; ring bars at
// circular openings.

OpeningReinSettings::OpeningReinSettings()
    : m_supportBarDiameter(12),
      m_sideBarCount(2),
      m_sideBarMinDiameter(12),
      m_sideBarMaxDiameter(25),
      m_sideBarSpacing(50),
      m_tieDiameter(8),
      m_tieSpacing(200),
      m_rectBarCount(2),
      m_rectBarMinDiameter(12),
      m_rectBarMaxDiameter(22),
      m_rectBarSpacing(50),
      m_rectBarInset(0),
      m_rectBarLevelDiameter(0),
      m_sideBarLevelDiameter(8),
      m_sideBarCornerSpacing(50),
      m_cornerBarDiameter(12),
      m_cornerBarRowSpacing(50),
      m_ringBar(true),
      m_mixedBySideLength(true),
      m_cornerBars(true) {}

// ---------------------------------------------------------------------------
// Candidate bars: the usual diameters and spacings, smaller bars first.

ReinGradeTable::ReinGradeTable() {
  static const int diameters[] = {8, 10, 12, 14, 16, 18, 20, 22, 25, 28, 32};
  static const int spacings[] = {100, 120, 125, 150, 180, 200, 250};
  for (int d : diameters)
    for (int s : spacings) m_items.emplace_back(d, s);
}

// ---------------------------------------------------------------------------
// ProjectSettings

IMPLEMENT_VEK_SERIAL(ProjectSettings)

ProjectSettings::ProjectSettings() = default;
ProjectSettings::~ProjectSettings() = default;

double ProjectSettings::GetCellWaterLevel() const {
  if (!m_loads.IsWaterUpToTop()) return m_loads.GetDesignWaterDepth() * 1000.0;
  double level = (m_geometry.GetTopElevation() - m_geometry.GetBottomElevation()) * 1000.0;
  if (m_model.HasTopSlab() == 1) level -= m_geometry.GetTopSlabThickness();
  return std::max(level, 0.0);
}

bool ProjectSettings::operator==(const ProjectSettings& o) const {
  return m_geometry == o.m_geometry && m_loads == o.m_loads && m_calc == o.m_calc &&
         m_materials == o.m_materials && m_geology == o.m_geology && m_model == o.m_model &&
         m_detailing == o.m_detailing && m_rein == o.m_rein && m_openingRein == o.m_openingRein &&
         m_gradeTable == o.m_gradeTable && m_view == o.m_view;
}
