// Project settings: every design and drawing parameter of a tank project,
// grouped in sections (geometry, loads, calculation, materials, geology,
// model, detailing, reinforcement, opening reinforcement, the table of
// candidate bars) plus the per-view drawing record ViewSettings.
//
// Units follow the getters: lengths of members in mm (int), elevations and
// depths in m (double), loads in kN/m², unit weights in kN/m³, angles in
// degrees, strengths and factors as plain numbers.  Strings are UTF-8 in
// memory; a file format that wants GBK converts where it writes.
//
// The design never writes a setting; the host fills them through the plain
// setters below or from a settings file in JSON (ReadSettingsJson).
//
// Defaults.  A default-constructed ProjectSettings describes a realistic
// buried rectangular water tank that gives a workable design and workable
// drawings without further input (the drawings also build a stand-alone
// default object to lay out representative bars):
//   ground at ±0.000; top slab top face at -0.500 (0.5 m of soil cover),
//   bottom slab top face at -4.500; walls 300, bottom slab 400, top slab 250,
//   bottom slab overhang 500 (anti-flotation); C30 concrete and "HRB335" bars
//   throughout; covers 35 (walls, top slab, bottom slab top face) and 50
//   (bottom slab on its blinding layer); crack width limit 0.20 mm; load
//   factors, quasi-permanent and combination coefficients after
//   GB 50069-2002; one soil layer of silty clay, groundwater 2.0 m below
//   ground; candidate bars of diameters 8 to 32 at spacings 100 to 250.
// Each default is given with its source in the constructor that sets it
// (platform/zarvel/sections.cpp) and with the getter below.
//
// Decisions on points the callers leave open:
//   - Design water depth of the cells: LoadSettings::GetDesignWaterDepth, in
//     m above the top face of the bottom slab; a negative value (the default)
//     means "up to the top": to the underside of the top slab, or to the top
//     of the walls of an open tank.  ProjectSettings::GetCellWaterLevel
//     resolves it to mm with the geometry section.
//   - Analysis method: 0 the tables' method per board, 1 finite elements of
//     the whole tank; no other value is valid (settings files are rejected).
//   - Haunch modes: 0 and 1 make the haunch where the joint measure passes
//     the threshold (the design treats them alike), 2 makes none; no other
//     value is valid.
//   - LoadSettings::GetDesignSwitch: true skips the layout of the joint
//     (support) zones at board junctions, leaving the edges to the face
//     zones; false (the default) lays them.
//   - GeometrySettings::GetSectionDrawingValue: the extra distance, in model
//     mm, by which a wall section pushes the labels beside its listed section
//     lines further out; default 0.
//   - DetailingSettings::GetDrawingEntry with a key other than 1, 2, 4, 8, 16
//     or 32 answers an empty title and scale 1.
//   - ModelSettings::HasTopSlab answers 0 or 1 only.
//   - ReinSettings::GetUpgradeGrade answers 1 (upgrade to "HRB400") or 0
//     (upgrade to "HRB335").
//
// JSON form (WriteSettingsJson / ReadSettingsJson): one object with the
// optional member "format_version" (1) and one object per section: "geometry",
// "loads", "calculation", "materials", "geology", "model", "detailing",
// "reinforcement", "opening_reinforcement", "view", and the array
// "bar_candidates".  Key names are English engineering terms with the unit in
// the name ("wall_thickness_mm", "concrete_grade_walls": "C30"); write
// `tankdesign settings --defaults` for the full list with the defaults.
// Reading is strict:
//   - every section and every key of an object is optional and takes its
//     default when missing, so a file states only what differs from the
//     defaults; the entries of a list (a soil layer, a candidate bar) have
//     no default and must give every field ("missing required value");
//   - an unknown key, a key given twice, a wrong type (a string for a number,
//     a fraction for a whole number of mm, a number for a switch) and an
//     impossible value (a negative or zero thickness, cover, unit weight,
//     spacing or scale; an unknown concrete or rebar grade; an analysis
//     method other than 0 or 1; a restraint code other than 0, 1 or 2; a
//     ratio outside [0, 1]; a smallest value above its largest) are rejected;
//   - values with a meaning are kept: a negative minimum reinforcement ratio
//     (0.002), haunch mode 2 (none), restraint code 2 (free), negative
//     elevations, a quasi-permanent coefficient of 0, a negative design water
//     depth (up to the top);
//   - every problem is reported, each with the path of its field and the
//     reason: `settings.materials.concrete_grade_walls: unknown concrete grade
//     "C33" (C15 to C80 in steps of 5)`.
//
// Filing (ProjectSettings::Serialize): one versioned record through the kernel
// archive, the sections in the order listed above, lists count-prefixed in
// their order.  What is filed is read back unchanged, including values the
// JSON reader would refuse (setters do not check; ValidateSettings does).
#pragma once

#include "platform/Morlak.h"

#include <nlohmann/json_fwd.hpp>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

struct ZarvelFields;

// JSON documents of settings keep their keys in the order written, so a
// settings file reads section by section in a sensible order.
using SettingsJson = nlohmann::ordered_json;

// Restraint codes of board edges.
constexpr int kRestraintFixed = 0;
constexpr int kRestraintSimplySupported = 1;
constexpr int kRestraintFree = 2;

// Haunch mode meaning "no haunch of this kind".
constexpr int kEarModeNone = 2;

// Analysis methods (LoadSettings::GetAnalysisMethod).
constexpr int kAnalysisTables = 0;
constexpr int kAnalysisFiniteElements = 1;

// Drawing keys of DetailingSettings::GetDrawingEntry, also the bits of
// DetailingSettings::GetDrawingOptions.
constexpr int kDrawingTopSlabPlan = 1;
constexpr int kDrawingBottomSlabPlan = 2;
constexpr int kDrawingWallPlan = 4;
constexpr int kDrawingSection = 8;
constexpr int kDrawingOpeningDetails = 16;
constexpr int kDrawingRebarSchedule = 32;
constexpr int kDrawingAll = 63;

// ---------------------------------------------------------------------------
// Geometry of new boards and their default edge restraints.

class GeometrySettings {
 public:
  GeometrySettings();
  bool operator==(const GeometrySettings&) const = default;

  // Elevation of the bottom slab's top face, m (may be negative).  Slab
  // mid-plane and wall base: elevation × 1000 − bottom slab thickness / 2.
  // Default -4.500.
  double GetBottomElevation() const { return m_bottomElevation; }
  // Elevation of the top slab's top face, or of the wall tops of an open
  // tank, m.  Default -0.500 (0.5 m of soil over the top slab).
  double GetTopElevation() const { return m_topElevation; }
  int GetBottomSlabThickness() const { return m_bottomSlabThickness; }  // mm, default 400
  int GetTopSlabThickness() const { return m_topSlabThickness; }        // mm, default 250
  int GetWallThickness() const { return m_wallThickness; }              // mm, default 300
  // Bottom slab overhang C beyond the walls' outer faces, mm; default 500
  // (the soil on it helps against flotation).
  int GetBottomSlabOverhang() const { return m_bottomSlabOverhang; }
  // Default restraint (0 fixed, 1 simply supported, 2 free) of a wall edge
  // under one top slab; default 1: the top slab rests on the walls.
  int GetWallTopRestraint() const { return m_wallTopRestraint; }
  // Of a top slab edge met by no other top slab; default 1.
  int GetTopSlabEdgeRestraint() const { return m_topSlabEdgeRestraint; }
  // Of a bottom slab edge resting on one wall; default 0 (cast with the wall).
  int GetBottomSlabEdgeRestraint() const { return m_bottomSlabEdgeRestraint; }
  // Extra label offset of wall sections, model mm; default 0.
  int GetSectionDrawingValue() const { return m_sectionDrawingValue; }

  void SetBottomElevation(double m) { m_bottomElevation = m; }
  void SetTopElevation(double m) { m_topElevation = m; }
  void SetBottomSlabThickness(int mm) { m_bottomSlabThickness = mm; }
  void SetTopSlabThickness(int mm) { m_topSlabThickness = mm; }
  void SetWallThickness(int mm) { m_wallThickness = mm; }
  void SetBottomSlabOverhang(int mm) { m_bottomSlabOverhang = mm; }
  void SetWallTopRestraint(int code) { m_wallTopRestraint = code; }
  void SetTopSlabEdgeRestraint(int code) { m_topSlabEdgeRestraint = code; }
  void SetBottomSlabEdgeRestraint(int code) { m_bottomSlabEdgeRestraint = code; }
  void SetSectionDrawingValue(int mm) { m_sectionDrawingValue = mm; }

 private:
  friend struct ZarvelFields;
  double m_bottomElevation;
  double m_topElevation;
  int m_bottomSlabThickness;
  int m_topSlabThickness;
  int m_wallThickness;
  int m_bottomSlabOverhang;
  int m_wallTopRestraint;
  int m_topSlabEdgeRestraint;
  int m_bottomSlabEdgeRestraint;
  int m_sectionDrawingValue;
};

// ---------------------------------------------------------------------------
// Actions: partial factors, quasi-permanent and combination coefficients,
// live loads, the design water depth and the analysis method.

class LoadSettings {
 public:
  LoadSettings();
  bool operator==(const LoadSettings&) const = default;

  double GetSelfWeightFactor() const { return m_selfWeightFactor; }              // 1.20
  double GetOtherDeadLoadFactor() const { return m_otherDeadLoadFactor; }        // 1.27
  double GetGroundwaterLoadFactor() const { return m_groundwaterLoadFactor; }    // 1.27
  double GetOtherLiveLoadFactor() const { return m_otherLiveLoadFactor; }        // 1.40
  double GetGroundLiveLoadQuasiPermanent() const { return m_groundLiveLoadQp; }  // 0.50
  double GetTopSlabLiveLoadQuasiPermanent() const { return m_topSlabLiveLoadQp; }  // 0.40
  double GetGroundwaterQuasiPermanent() const { return m_groundwaterQp; }        // 1.00
  double GetLiveLoadCombinationFactor() const { return m_liveLoadCombination; }  // 0.90
  double GetGroundLiveLoad() const { return m_groundLiveLoad; }    // kN/m², 10.0
  double GetTopSlabLiveLoad() const { return m_topSlabLiveLoad; }  // kN/m², 2.0
  // Minimum reinforcement ratio of bar selection; a negative value means
  // 0.002.  Default 0.002.
  double GetMinReinRatio() const { return m_minReinRatio; }
  // Mid-span bars also carry the support areas of the edges they cross;
  // default false.
  bool IsSupportAreaInSpan() const { return m_supportAreaInSpan; }
  // 0 the tables' method per board (default), 1 finite elements.
  int GetAnalysisMethod() const { return m_analysisMethod; }
  // True skips the joint-zone layout of the design; default false.
  bool GetDesignSwitch() const { return m_designSwitch; }
  // Design water depth of the cells, m above the bottom slab's top face; a
  // negative value (default -1) means up to the top (see
  // ProjectSettings::GetCellWaterLevel).
  double GetDesignWaterDepth() const { return m_designWaterDepth; }
  bool IsWaterUpToTop() const { return m_designWaterDepth < 0; }

  void SetSelfWeightFactor(double v) { m_selfWeightFactor = v; }
  void SetOtherDeadLoadFactor(double v) { m_otherDeadLoadFactor = v; }
  void SetGroundwaterLoadFactor(double v) { m_groundwaterLoadFactor = v; }
  void SetOtherLiveLoadFactor(double v) { m_otherLiveLoadFactor = v; }
  void SetGroundLiveLoadQuasiPermanent(double v) { m_groundLiveLoadQp = v; }
  void SetTopSlabLiveLoadQuasiPermanent(double v) { m_topSlabLiveLoadQp = v; }
  void SetGroundwaterQuasiPermanent(double v) { m_groundwaterQp = v; }
  void SetLiveLoadCombinationFactor(double v) { m_liveLoadCombination = v; }
  void SetGroundLiveLoad(double kNm2) { m_groundLiveLoad = kNm2; }
  void SetTopSlabLiveLoad(double kNm2) { m_topSlabLiveLoad = kNm2; }
  void SetMinReinRatio(double v) { m_minReinRatio = v; }
  void SetSupportAreaInSpan(bool on) { m_supportAreaInSpan = on; }
  void SetAnalysisMethod(int method) { m_analysisMethod = method; }
  void SetDesignSwitch(bool on) { m_designSwitch = on; }
  void SetDesignWaterDepth(double m) { m_designWaterDepth = m; }

 private:
  friend struct ZarvelFields;
  double m_selfWeightFactor;
  double m_otherDeadLoadFactor;
  double m_groundwaterLoadFactor;
  double m_otherLiveLoadFactor;
  double m_groundLiveLoadQp;
  double m_topSlabLiveLoadQp;
  double m_groundwaterQp;
  double m_liveLoadCombination;
  double m_groundLiveLoad;
  double m_topSlabLiveLoad;
  double m_minReinRatio;
  bool m_supportAreaInSpan;
  int m_analysisMethod;
  bool m_designSwitch;
  double m_designWaterDepth;
};

// ---------------------------------------------------------------------------
// Calculation: crack control, temperature, unit weights, flotation.

class CalcSettings {
 public:
  CalcSettings();
  bool operator==(const CalcSettings&) const = default;

  // Design crack width limit, mm; default 0.20.
  double GetCrackWidthLimit() const { return m_crackWidthLimit; }
  bool IsCrackWidthControlled() const { return m_crackWidthControlled; }  // true
  // Ribbed bars (anchorage coefficient 0.14, else 0.16); default true.
  bool IsRibbedBar() const { return m_ribbedBar; }
  bool IsTemperatureConsidered() const { return m_temperatureConsidered; }  // false
  // Wall temperature (or equivalent humidity) difference, degrees; 10.0.
  double GetWallTemperatureDifference() const { return m_wallTemperatureDifference; }
  double GetConcreteUnitWeight() const { return m_concreteUnitWeight; }  // kN/m³, 25.0
  double GetWaterUnitWeight() const { return m_waterUnitWeight; }        // kN/m³, 10.0
  double GetBuoyancyReductionFactor() const { return m_buoyancyReduction; }  // 1.00
  double GetAntiFloatSafetyFactor() const { return m_antiFloatSafety; }      // 1.05

  void SetCrackWidthLimit(double mm) { m_crackWidthLimit = mm; }
  void SetCrackWidthControlled(bool on) { m_crackWidthControlled = on; }
  void SetRibbedBar(bool on) { m_ribbedBar = on; }
  void SetTemperatureConsidered(bool on) { m_temperatureConsidered = on; }
  void SetWallTemperatureDifference(double deg) { m_wallTemperatureDifference = deg; }
  void SetConcreteUnitWeight(double kNm3) { m_concreteUnitWeight = kNm3; }
  void SetWaterUnitWeight(double kNm3) { m_waterUnitWeight = kNm3; }
  void SetBuoyancyReductionFactor(double v) { m_buoyancyReduction = v; }
  void SetAntiFloatSafetyFactor(double v) { m_antiFloatSafety = v; }

 private:
  friend struct ZarvelFields;
  double m_crackWidthLimit;
  bool m_crackWidthControlled;
  bool m_ribbedBar;
  bool m_temperatureConsidered;
  double m_wallTemperatureDifference;
  double m_concreteUnitWeight;
  double m_waterUnitWeight;
  double m_buoyancyReduction;
  double m_antiFloatSafety;
};

// ---------------------------------------------------------------------------
// Materials: grades per board kind and concrete covers.

class MaterialSettings {
 public:
  MaterialSettings();
  bool operator==(const MaterialSettings&) const = default;

  // Concrete grades, "C" + cube strength; default "C30".
  const std::string& GetWallConcreteGrade() const { return m_wallConcreteGrade; }
  const std::string& GetBottomConcreteGrade() const { return m_bottomConcreteGrade; }
  const std::string& GetTopConcreteGrade() const { return m_topConcreteGrade; }
  // Rebar grades, "HPB235", "HRB335", "HRB400" or "RRB400"; default "HRB335".
  const std::string& GetWallReinGrade() const { return m_wallReinGrade; }
  const std::string& GetBottomReinGrade() const { return m_bottomReinGrade; }
  const std::string& GetTopReinGrade() const { return m_topReinGrade; }
  // Covers, mm (upper face = top face).
  int GetBottomSlabTopCover() const { return m_bottomSlabTopCover; }        // 35
  int GetBottomSlabBottomCover() const { return m_bottomSlabBottomCover; }  // 50
  int GetTopSlabTopCover() const { return m_topSlabTopCover; }              // 35
  int GetTopSlabBottomCover() const { return m_topSlabBottomCover; }        // 35
  int GetWallOuterCover() const { return m_wallOuterCover; }                // 35
  int GetWallInnerCover() const { return m_wallInnerCover; }                // 35

  void SetWallConcreteGrade(const std::string& g) { m_wallConcreteGrade = g; }
  void SetBottomConcreteGrade(const std::string& g) { m_bottomConcreteGrade = g; }
  void SetTopConcreteGrade(const std::string& g) { m_topConcreteGrade = g; }
  void SetWallReinGrade(const std::string& g) { m_wallReinGrade = g; }
  void SetBottomReinGrade(const std::string& g) { m_bottomReinGrade = g; }
  void SetTopReinGrade(const std::string& g) { m_topReinGrade = g; }
  void SetBottomSlabTopCover(int mm) { m_bottomSlabTopCover = mm; }
  void SetBottomSlabBottomCover(int mm) { m_bottomSlabBottomCover = mm; }
  void SetTopSlabTopCover(int mm) { m_topSlabTopCover = mm; }
  void SetTopSlabBottomCover(int mm) { m_topSlabBottomCover = mm; }
  void SetWallOuterCover(int mm) { m_wallOuterCover = mm; }
  void SetWallInnerCover(int mm) { m_wallInnerCover = mm; }

  // The grades the settings accept: C15 to C80 in steps of 5 (the grades
  // GB 50010-2002 tabulates), and the four rebar grades above.
  static bool IsKnownConcreteGrade(const std::string& grade);
  static bool IsKnownReinGrade(const std::string& grade);
  static const std::vector<std::string>& KnownConcreteGrades();
  static const std::vector<std::string>& KnownReinGrades();

 private:
  friend struct ZarvelFields;
  std::string m_wallConcreteGrade;
  std::string m_bottomConcreteGrade;
  std::string m_topConcreteGrade;
  std::string m_wallReinGrade;
  std::string m_bottomReinGrade;
  std::string m_topReinGrade;
  int m_bottomSlabTopCover;
  int m_bottomSlabBottomCover;
  int m_topSlabTopCover;
  int m_topSlabBottomCover;
  int m_wallOuterCover;
  int m_wallInnerCover;
};

// ---------------------------------------------------------------------------
// Geology: soil layers from the ground surface down, burial, groundwater,
// bearing capacity.

class SoilLayer {
 public:
  SoilLayer() = default;
  SoilLayer(std::string name, double thickness, double unitWeight, double frictionAngle)
      : m_name(std::move(name)),
        m_thickness(thickness),
        m_unitWeight(unitWeight),
        m_frictionAngle(frictionAngle) {}
  bool operator==(const SoilLayer&) const = default;

  const std::string& GetName() const { return m_name; }
  double GetThickness() const { return m_thickness; }          // m
  double GetUnitWeight() const { return m_unitWeight; }        // kN/m³
  double GetFrictionAngle() const { return m_frictionAngle; }  // degrees

  void SetName(const std::string& name) { m_name = name; }
  void SetThickness(double m) { m_thickness = m; }
  void SetUnitWeight(double kNm3) { m_unitWeight = kNm3; }
  void SetFrictionAngle(double deg) { m_frictionAngle = deg; }

 private:
  friend struct ZarvelFields;
  std::string m_name;
  double m_thickness = 0.0;
  double m_unitWeight = 0.0;
  double m_frictionAngle = 0.0;
};

class GeologySettings {
 public:
  GeologySettings();
  bool operator==(const GeologySettings&) const = default;

  // From the ground surface down; default one layer "粉质黏土" (silty clay),
  // 10.0 m, 19.0 kN/m³, 20 degrees.  An empty list is allowed.
  const std::vector<SoilLayer>& GetSoilLayers() const { return m_soilLayers; }
  // Depth of the bottom slab's underside below ground, m; default 4.900.
  double GetBurialDepth() const { return m_burialDepth; }
  // Groundwater depth dw below ground, m; default 2.000.
  double GetGroundwaterDepth() const { return m_groundwaterDepth; }
  // Corrected characteristic bearing capacity fa, kPa; default 150.
  double GetBearingCapacity() const { return m_bearingCapacity; }

  void SetSoilLayers(const std::vector<SoilLayer>& layers) { m_soilLayers = layers; }
  void SetBurialDepth(double m) { m_burialDepth = m; }
  void SetGroundwaterDepth(double m) { m_groundwaterDepth = m; }
  void SetBearingCapacity(double kPa) { m_bearingCapacity = kPa; }

 private:
  friend struct ZarvelFields;
  std::vector<SoilLayer> m_soilLayers;
  double m_burialDepth;
  double m_groundwaterDepth;
  double m_bearingCapacity;
};

// ---------------------------------------------------------------------------
// Model building from CAD curves.

class ModelSettings {
 public:
  ModelSettings();
  bool operator==(const ModelSettings&) const = default;

  // 1 when the tank has a top slab (default), 0 for an open tank.
  int HasTopSlab() const { return m_hasTopSlab; }
  // Largest and smallest wall face distance recognised, mm; 600 and 150.
  int GetMaxWallThickness() const { return m_maxWallThickness; }
  int GetMinWallThickness() const { return m_minWallThickness; }
  // CAD layers whose curves are wall faces; default "池壁" and "WALL".
  const std::vector<std::string>& GetWallLayers() const { return m_wallLayers; }
  // Text height of the 2D model view; 0 means 200; default 200.
  int GetModelTextHeight() const { return m_modelTextHeight; }

  void SetHasTopSlab(bool on) { m_hasTopSlab = on ? 1 : 0; }
  void SetMaxWallThickness(int mm) { m_maxWallThickness = mm; }
  void SetMinWallThickness(int mm) { m_minWallThickness = mm; }
  void SetWallLayers(const std::vector<std::string>& layers) { m_wallLayers = layers; }
  void SetModelTextHeight(int h) { m_modelTextHeight = h; }

 private:
  friend struct ZarvelFields;
  int m_hasTopSlab;
  int m_maxWallThickness;
  int m_minWallThickness;
  std::vector<std::string> m_wallLayers;
  int m_modelTextHeight;
};

// ---------------------------------------------------------------------------
// Detailing: haunches, drawings, wall bar rules.

// Title and scale "1:scale" of one drawing.
struct DrawingEntry {
  std::string title;
  int scale = 1;
  bool operator==(const DrawingEntry&) const = default;
};

// One kind of haunch: mode (0 or 1 make it, 2 none), angle in degrees, size
// (leg length) and threshold in mm.
struct EarSetting {
  int mode = kEarModeNone;
  double angle = 45.0;
  int size = 150;
  int threshold = 0;
  bool operator==(const EarSetting&) const = default;
};

class DetailingSettings {
 public:
  DetailingSettings();
  bool operator==(const DetailingSettings&) const = default;

  // Haunches: the usual 150 mm, 45-degree haunch of integrally cast tank
  // joints at walls on the bottom slab, wall corners and slab steps;
  // none under the top slab (it rests on the walls, see
  // GeometrySettings::GetWallTopRestraint) and none at overhangs.
  // Threshold 0: every joint of that kind.
  int GetTopSlabEarMode() const { return m_topSlabEar.mode; }
  double GetTopSlabEarAngle() const { return m_topSlabEar.angle; }
  int GetTopSlabEarSize() const { return m_topSlabEar.size; }
  int GetTopSlabEarThreshold() const { return m_topSlabEar.threshold; }
  int GetBottomSlabEarMode() const { return m_bottomSlabEar.mode; }
  double GetBottomSlabEarAngle() const { return m_bottomSlabEar.angle; }
  int GetBottomSlabEarSize() const { return m_bottomSlabEar.size; }
  int GetBottomSlabEarThreshold() const { return m_bottomSlabEar.threshold; }
  int GetWallCornerEarMode() const { return m_wallCornerEar.mode; }
  double GetWallCornerEarAngle() const { return m_wallCornerEar.angle; }
  int GetWallCornerEarSize() const { return m_wallCornerEar.size; }
  int GetWallCornerEarThreshold() const { return m_wallCornerEar.threshold; }
  int GetBottomSlabSideEarMode() const { return m_bottomSlabSideEar.mode; }
  double GetBottomSlabSideEarAngle() const { return m_bottomSlabSideEar.angle; }
  int GetBottomSlabSideEarSize() const { return m_bottomSlabSideEar.size; }
  int GetBottomSlabSideEarThreshold() const { return m_bottomSlabSideEar.threshold; }
  int GetBottomSlabOuterEarMode() const { return m_bottomSlabOuterEar.mode; }
  double GetBottomSlabOuterEarAngle() const { return m_bottomSlabOuterEar.angle; }
  int GetBottomSlabOuterEarSize() const { return m_bottomSlabOuterEar.size; }

  // Drawing entries by key (kDrawing*); another key gives {"", 1}.
  DrawingEntry GetDrawingEntry(int key) const;
  // Drawings of the batch drawing, a set of kDrawing* bits; default all.
  int GetDrawingOptions() const { return m_drawingOptions; }
  // Both faces of each wall take, per direction, the larger bar set; false.
  bool IsWallFacesUnified() const { return m_wallFacesUnified; }
  // Vertical wall-bar extension at a wall top that is not fixed; off.
  bool IsWallBarExtensionOn() const { return m_wallBarExtensionOn; }
  // The extension applies to bars whose span exceeds this, mm; 2000.
  int GetWallBarExtensionMinSpan() const { return m_wallBarExtensionMinSpan; }
  // "a/b" in the first three characters: a/b × span; "+" adds the joint
  // length rule; default "1/3+".
  const std::string& GetWallBarExtensionRule() const { return m_wallBarExtensionRule; }

  EarSetting GetTopSlabEar() const { return m_topSlabEar; }
  EarSetting GetBottomSlabEar() const { return m_bottomSlabEar; }
  EarSetting GetWallCornerEar() const { return m_wallCornerEar; }
  EarSetting GetBottomSlabSideEar() const { return m_bottomSlabSideEar; }
  EarSetting GetBottomSlabOuterEar() const { return m_bottomSlabOuterEar; }  // threshold unused

  void SetTopSlabEar(const EarSetting& e) { m_topSlabEar = e; }
  void SetBottomSlabEar(const EarSetting& e) { m_bottomSlabEar = e; }
  void SetWallCornerEar(const EarSetting& e) { m_wallCornerEar = e; }
  void SetBottomSlabSideEar(const EarSetting& e) { m_bottomSlabSideEar = e; }
  void SetBottomSlabOuterEar(const EarSetting& e) { m_bottomSlabOuterEar = e; }
  // Throws std::out_of_range for a key other than the six drawing keys.
  void SetDrawingEntry(int key, const DrawingEntry& entry);
  void SetDrawingOptions(int bits) { m_drawingOptions = bits; }
  void SetWallFacesUnified(bool on) { m_wallFacesUnified = on; }
  void SetWallBarExtensionOn(bool on) { m_wallBarExtensionOn = on; }
  void SetWallBarExtensionMinSpan(int mm) { m_wallBarExtensionMinSpan = mm; }
  void SetWallBarExtensionRule(const std::string& rule) { m_wallBarExtensionRule = rule; }

  // The six drawing keys in their order (1, 2, 4, 8, 16, 32).
  static const int kDrawingKeys[6];

 private:
  friend struct ZarvelFields;
  static int DrawingIndex(int key);  // -1 for an unknown key

  EarSetting m_topSlabEar;
  EarSetting m_bottomSlabEar;
  EarSetting m_wallCornerEar;
  EarSetting m_bottomSlabSideEar;
  EarSetting m_bottomSlabOuterEar;
  DrawingEntry m_drawings[6];
  int m_drawingOptions;
  bool m_wallFacesUnified;
  bool m_wallBarExtensionOn;
  int m_wallBarExtensionMinSpan;
  std::string m_wallBarExtensionRule;
};

// ---------------------------------------------------------------------------
// Reinforcement: candidate filter, plain-bar upgrade, joint length rules.

class ReinSettings {
 public:
  ReinSettings();
  bool operator==(const ReinSettings&) const = default;

  int GetMinBarDiameter() const { return m_minBarDiameter; }  // mm, 10
  int GetMinBarSpacing() const { return m_minBarSpacing; }    // mm, 100
  int GetMaxBarSpacing() const { return m_maxBarSpacing; }    // mm, 200
  // Smallest "HPB235" diameter and threshold of the plain-bar upgrade; 10.
  int GetPlainBarDiameterLimit() const { return m_plainBarDiameterLimit; }
  bool IsPlainBarUpgraded() const { return m_plainBarUpgraded; }  // false
  // 1 upgrades plain bars to "HRB400", 0 to "HRB335" (default 0).
  int GetUpgradeGrade() const { return m_upgradeGrade; }
  // Joint length rules: "n" + "d" (n bar diameters, "35d"), "壁厚" (board
  // thickness), "不考虑" (anchorage length la), or a length in mm.  Default
  // "不考虑" for both: the anchorage length of GB 50010-2002.
  const std::string& GetHorizontalJointLengthRule() const { return m_horizontalJointRule; }
  const std::string& GetVerticalJointLengthRule() const { return m_verticalJointRule; }
  // Merged face-zone layout across structural units; default false.
  bool IsUnitMergeOn() const { return m_unitMerge; }

  void SetMinBarDiameter(int mm) { m_minBarDiameter = mm; }
  void SetMinBarSpacing(int mm) { m_minBarSpacing = mm; }
  void SetMaxBarSpacing(int mm) { m_maxBarSpacing = mm; }
  void SetPlainBarDiameterLimit(int mm) { m_plainBarDiameterLimit = mm; }
  void SetPlainBarUpgraded(bool on) { m_plainBarUpgraded = on; }
  void SetUpgradeGrade(int code) { m_upgradeGrade = code; }
  void SetHorizontalJointLengthRule(const std::string& r) { m_horizontalJointRule = r; }
  void SetVerticalJointLengthRule(const std::string& r) { m_verticalJointRule = r; }
  void SetUnitMergeOn(bool on) { m_unitMerge = on; }

 private:
  friend struct ZarvelFields;
  int m_minBarDiameter;
  int m_minBarSpacing;
  int m_maxBarSpacing;
  int m_plainBarDiameterLimit;
  bool m_plainBarUpgraded;
  int m_upgradeGrade;
  std::string m_horizontalJointRule;
  std::string m_verticalJointRule;
  bool m_unitMerge;
};

// ---------------------------------------------------------------------------
// Added bars at openings and support bars at board junctions (mm, counts).

class OpeningReinSettings {
 public:
  OpeningReinSettings();
  bool operator==(const OpeningReinSettings&) const = default;

  int GetSupportBarDiameter() const { return m_supportBarDiameter; }  // 12
  // Side bars with ties (large openings): 2 per side and layer, 12 to 25,
  // at 50; ties 8 at 200.
  int GetSideBarCount() const { return m_sideBarCount; }
  int GetSideBarMinDiameter() const { return m_sideBarMinDiameter; }
  int GetSideBarMaxDiameter() const { return m_sideBarMaxDiameter; }
  int GetSideBarSpacing() const { return m_sideBarSpacing; }
  int GetTieDiameter() const { return m_tieDiameter; }
  int GetTieSpacing() const { return m_tieSpacing; }
  // Plain added bars (smaller openings): 2 per side and layer, 12 to 22, at
  // 50, in the layer of the bars they replace (inset 0).
  int GetRectBarCount() const { return m_rectBarCount; }
  int GetRectBarMinDiameter() const { return m_rectBarMinDiameter; }
  int GetRectBarMaxDiameter() const { return m_rectBarMaxDiameter; }
  int GetRectBarSpacing() const { return m_rectBarSpacing; }
  int GetRectBarInset() const { return m_rectBarInset; }
  // Depth terms of circular openings: 0 (small), 8 (large, inside ties).
  int GetRectBarLevelDiameter() const { return m_rectBarLevelDiameter; }
  int GetSideBarLevelDiameter() const { return m_sideBarLevelDiameter; }
  int GetSideBarCornerSpacing() const { return m_sideBarCornerSpacing; }  // 50
  int GetCornerBarDiameter() const { return m_cornerBarDiameter; }        // 12
  int GetCornerBarRowSpacing() const { return m_cornerBarRowSpacing; }    // 50
  bool HasRingBar() const { return m_ringBar; }                    // true
  bool IsMixedBySideLength() const { return m_mixedBySideLength; }  // true
  bool HasCornerBars() const { return m_cornerBars; }              // true

  void SetSupportBarDiameter(int mm) { m_supportBarDiameter = mm; }
  void SetSideBarCount(int n) { m_sideBarCount = n; }
  void SetSideBarMinDiameter(int mm) { m_sideBarMinDiameter = mm; }
  void SetSideBarMaxDiameter(int mm) { m_sideBarMaxDiameter = mm; }
  void SetSideBarSpacing(int mm) { m_sideBarSpacing = mm; }
  void SetTieDiameter(int mm) { m_tieDiameter = mm; }
  void SetTieSpacing(int mm) { m_tieSpacing = mm; }
  void SetRectBarCount(int n) { m_rectBarCount = n; }
  void SetRectBarMinDiameter(int mm) { m_rectBarMinDiameter = mm; }
  void SetRectBarMaxDiameter(int mm) { m_rectBarMaxDiameter = mm; }
  void SetRectBarSpacing(int mm) { m_rectBarSpacing = mm; }
  void SetRectBarInset(int mm) { m_rectBarInset = mm; }
  void SetRectBarLevelDiameter(int mm) { m_rectBarLevelDiameter = mm; }
  void SetSideBarLevelDiameter(int mm) { m_sideBarLevelDiameter = mm; }
  void SetSideBarCornerSpacing(int mm) { m_sideBarCornerSpacing = mm; }
  void SetCornerBarDiameter(int mm) { m_cornerBarDiameter = mm; }
  void SetCornerBarRowSpacing(int mm) { m_cornerBarRowSpacing = mm; }
  void SetRingBar(bool on) { m_ringBar = on; }
  void SetMixedBySideLength(bool on) { m_mixedBySideLength = on; }
  void SetCornerBars(bool on) { m_cornerBars = on; }

 private:
  friend struct ZarvelFields;
  int m_supportBarDiameter;
  int m_sideBarCount;
  int m_sideBarMinDiameter;
  int m_sideBarMaxDiameter;
  int m_sideBarSpacing;
  int m_tieDiameter;
  int m_tieSpacing;
  int m_rectBarCount;
  int m_rectBarMinDiameter;
  int m_rectBarMaxDiameter;
  int m_rectBarSpacing;
  int m_rectBarInset;
  int m_rectBarLevelDiameter;
  int m_sideBarLevelDiameter;
  int m_sideBarCornerSpacing;
  int m_cornerBarDiameter;
  int m_cornerBarRowSpacing;
  bool m_ringBar;
  bool m_mixedBySideLength;
  bool m_cornerBars;
};

// ---------------------------------------------------------------------------
// Candidate bars of bar selection, in table order (the first of equal areas
// wins, so the order is kept everywhere).

class ReinGradeItem {
 public:
  ReinGradeItem() = default;
  ReinGradeItem(int diameter, int spacing) : m_diameter(diameter), m_spacing(spacing) {}
  bool operator==(const ReinGradeItem&) const = default;

  int GetDiameter() const { return m_diameter; }  // mm
  int GetSpacing() const { return m_spacing; }    // mm
  void SetDiameter(int mm) { m_diameter = mm; }
  void SetSpacing(int mm) { m_spacing = mm; }

 private:
  friend struct ZarvelFields;
  int m_diameter = 0;
  int m_spacing = 0;
};

class ReinGradeTable {
 public:
  // Diameters 8, 10, 12, 14, 16, 18, 20, 22, 25, 28, 32, each at spacings
  // 100, 120, 125, 150, 180, 200, 250 (77 candidates).
  ReinGradeTable();
  bool operator==(const ReinGradeTable&) const = default;

  const std::vector<ReinGradeItem>& GetItems() const { return m_items; }
  void SetItems(const std::vector<ReinGradeItem>& items) { m_items = items; }

 private:
  friend struct ZarvelFields;
  std::vector<ReinGradeItem> m_items;
};

// ---------------------------------------------------------------------------
// Drawing record of one view, copied byte for byte into every view when it
// is made (trivially copyable: no strings, no pointers).

struct ViewSettings {
  // Non-zero: one rebar schedule and one material table for the whole tank;
  // zero: one each for top slabs, bottom slabs and walls.  Default 0.
  int combineTables = 0;
  // Which drawn bars carry the mark bubble and the label text.
  bool m_bShowMarks = true;
  bool m_bMarksWithoutText = false;
  bool m_bOneTextPerMark = false;
  // Merge flag of section marks: the second length mark of a two-board zone
  // is left out when both show the same length.  Default true.
  bool m_bSectionMarkOption = true;
  // Range dimensions of the far-face and near-face zone groups of slab plans.
  bool m_bFarRangeDims = true;
  bool m_bNearRangeDims = true;
  // The two values a section mark drawn by the designer hands to the view
  // board: an int code and a size factor (mark size = factor × text height);
  // defaults 0 and 1.0.
  int m_sectionMarkCode = 0;
  double m_sectionMarkFactor = 1.0;
  // How far a wall section's cut line runs past the bottom slabs at each end,
  // model mm; 0 does not extend it (default).
  double m_cutLineExtension = 0.0;
  // Drawn crack widths above this (mm) are coloured; default 0.20, the design
  // limit (CalcSettings::GetCrackWidthLimit), which it does not follow.
  double crackWidthLimit = 0.20;

  bool operator==(const ViewSettings&) const = default;

  // Files the record (not virtual: the record stays trivially copyable).
  void Serialize(Archive& ar);
};
static_assert(std::is_trivially_copyable_v<ViewSettings>,
              "views copy their drawing record byte for byte");

// ---------------------------------------------------------------------------
// The project's settings.

class ProjectSettings : public VekObject {
  DECLARE_VEK_SERIAL(ProjectSettings)

 public:
  ProjectSettings();
  ProjectSettings(const ProjectSettings&) = default;
  ProjectSettings& operator=(const ProjectSettings&) = default;
  ~ProjectSettings() override;

  // One versioned record: the base marker, the record version, then the
  // sections in the order of the getters below.  Reading replaces the whole
  // object only when the record was read completely (ArchiveError otherwise,
  // with the object unchanged), including a record of a later version.
  void Serialize(Archive& ar) override;

  // Sections, by reference: their addresses stay fixed for the object's life.
  GeometrySettings& GetGeometrySettings() { return m_geometry; }
  const GeometrySettings& GetGeometrySettings() const { return m_geometry; }
  LoadSettings& GetLoadSettings() { return m_loads; }
  const LoadSettings& GetLoadSettings() const { return m_loads; }
  CalcSettings& GetCalcSettings() { return m_calc; }
  const CalcSettings& GetCalcSettings() const { return m_calc; }
  MaterialSettings& GetMaterialSettings() { return m_materials; }
  const MaterialSettings& GetMaterialSettings() const { return m_materials; }
  GeologySettings& GetGeologySettings() { return m_geology; }
  const GeologySettings& GetGeologySettings() const { return m_geology; }
  ModelSettings& GetModelSettings() { return m_model; }
  const ModelSettings& GetModelSettings() const { return m_model; }
  DetailingSettings& GetDetailingSettings() { return m_detailing; }
  const DetailingSettings& GetDetailingSettings() const { return m_detailing; }
  ReinSettings& GetReinSettings() { return m_rein; }
  const ReinSettings& GetReinSettings() const { return m_rein; }
  OpeningReinSettings& GetOpeningReinSettings() { return m_openingRein; }
  const OpeningReinSettings& GetOpeningReinSettings() const { return m_openingRein; }
  ReinGradeTable& GetReinGradeTable() { return m_gradeTable; }
  const ReinGradeTable& GetReinGradeTable() const { return m_gradeTable; }
  // The drawing record, by value (every view takes its own copy).
  ViewSettings GetViewSettings() const { return m_view; }
  void SetViewSettings(const ViewSettings& view) { m_view = view; }

  // Design water level of the cells, mm above the bottom slab's top face:
  // the design water depth when one is given, otherwise up to the underside
  // of the top slab (a tank with a top slab) or to the top of the walls (an
  // open tank); never below 0.
  double GetCellWaterLevel() const;

  bool operator==(const ProjectSettings& other) const;
  bool operator!=(const ProjectSettings& other) const { return !(*this == other); }

  // Version of the filed record written by Serialize.
  static constexpr int kRecordVersion = 1;

 private:
  friend struct ZarvelFields;
  GeometrySettings m_geometry;
  LoadSettings m_loads;
  CalcSettings m_calc;
  MaterialSettings m_materials;
  GeologySettings m_geology;
  ModelSettings m_model;
  DetailingSettings m_detailing;
  ReinSettings m_rein;
  OpeningReinSettings m_openingRein;
  ReinGradeTable m_gradeTable;
  ViewSettings m_view;
};

// ---------------------------------------------------------------------------
// Checking and JSON.

// One thing wrong with settings: the path of the field
// ("settings.materials.concrete_grade_walls", "settings.geology.soil_layers[0]
// .thickness_m"; empty for a file that is not JSON at all) and the reason.
// A syntax error carries its line and column (1-based; 0 otherwise).
struct SettingsProblem {
  std::string path;
  std::string reason;
  int line = 0;
  int column = 0;
  // "path: reason", or "line L, column C: reason" for a syntax error.
  std::string ToString() const;
};

// Rejected settings; what() lists every problem, one per line.
class SettingsError : public std::runtime_error {
 public:
  explicit SettingsError(std::vector<SettingsProblem> problems);
  const std::vector<SettingsProblem>& GetProblems() const { return m_problems; }

 private:
  std::vector<SettingsProblem> m_problems;
};

// The impossible values of settings filled through the setters (the same
// rules the JSON reader applies), in field order; empty when all is well.
std::vector<SettingsProblem> ValidateSettings(const ProjectSettings& settings);

// The settings as JSON: every key of every section.
SettingsJson ToJson(const ProjectSettings& settings);
SettingsJson ToJson(const GeometrySettings& section);
SettingsJson ToJson(const LoadSettings& section);
SettingsJson ToJson(const CalcSettings& section);
SettingsJson ToJson(const MaterialSettings& section);
SettingsJson ToJson(const GeologySettings& section);
SettingsJson ToJson(const ModelSettings& section);
SettingsJson ToJson(const DetailingSettings& section);
SettingsJson ToJson(const ReinSettings& section);
SettingsJson ToJson(const OpeningReinSettings& section);
SettingsJson ToJson(const ReinGradeTable& section);
SettingsJson ToJson(const ViewSettings& section);

// Reads settings from JSON by the strict rules of the header comment: keys
// missing take the defaults (not the values `out` had); on any problem
// SettingsError is thrown and `out` is left unchanged.  The section readers
// check their own section only and name fields under `path`; the whole-
// settings reader also checks values across sections (water depth within the
// tank, candidate bars that pass the filters).
void FromJson(const SettingsJson& json, ProjectSettings& out);
void FromJson(const SettingsJson& json, GeometrySettings& out,
              const std::string& path = "settings.geometry");
void FromJson(const SettingsJson& json, LoadSettings& out,
              const std::string& path = "settings.loads");
void FromJson(const SettingsJson& json, CalcSettings& out,
              const std::string& path = "settings.calculation");
void FromJson(const SettingsJson& json, MaterialSettings& out,
              const std::string& path = "settings.materials");
void FromJson(const SettingsJson& json, GeologySettings& out,
              const std::string& path = "settings.geology");
void FromJson(const SettingsJson& json, ModelSettings& out,
              const std::string& path = "settings.model");
void FromJson(const SettingsJson& json, DetailingSettings& out,
              const std::string& path = "settings.detailing");
void FromJson(const SettingsJson& json, ReinSettings& out,
              const std::string& path = "settings.reinforcement");
void FromJson(const SettingsJson& json, OpeningReinSettings& out,
              const std::string& path = "settings.opening_reinforcement");
void FromJson(const SettingsJson& json, ReinGradeTable& out,
              const std::string& path = "settings.bar_candidates");
void FromJson(const SettingsJson& json, ViewSettings& out,
              const std::string& path = "settings.view");

// Text forms.  The writer indents by two spaces and ends with a newline.  The
// reader also rejects JSON syntax errors (with line and column), keys given
// twice and text that is not UTF-8, all as SettingsError.
std::string WriteSettingsJson(const ProjectSettings& settings);
ProjectSettings ReadSettingsJson(const std::string& text);
