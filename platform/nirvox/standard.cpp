// View board: the drawing standard and the queries the drawings make of it.
#include "platform/Nirvox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

DrawingStandard::DrawingStandard() {
  // Category: name, colour, line type.
  layers = {{
      {"墙体", 2, "CONTINUOUS"},      // 0 walls of the model views
      {"底板", 3, "CONTINUOUS"},      // 1 bottom slab
      {"顶板", 5, "CONTINUOUS"},      // 2 top slab
      {"墙洞", 6, "CONTINUOUS"},      // 3 openings across walls
      {"板洞", 6, "CONTINUOUS"},      // 4 slab openings
      {"缺口", 6, "CONTINUOUS"},      // 5 notches
      {"荷载", 4, "CONTINUOUS"},      // 6 loads and water levels
      {"钢筋", 1, "CONTINUOUS"},      // 7 bars and dots
      {"钢筋标注", 3, "CONTINUOUS"},  // 8 rebar labels, marks, slab labels
      {"细线", 7, "CONTINUOUS"},      // 9 leaders, thin and break lines
      {"图名线", 1, "CONTINUOUS"},    // 10 title underline
      {"池壁", 4, "CONTINUOUS"},      // 11 wall plan faces
      {"洞口", 6, "CONTINUOUS"},      // 12 hole annotation
      {"混凝土", 7, "CONTINUOUS"},    // 13 concrete lines of the rebar drawings
      {"尺寸", 3, "CONTINUOUS"},      // 14 dimensions
      {"图名", 7, "CONTINUOUS"},      // 15 title and scale texts
      {"范围标注", 3, "CONTINUOUS"},  // 16 range dimensions
      {"其他", 8, "CONTINUOUS"},      // 17 not used by the drawings
      {"轴线", 1, "CENTER"},          // 18 axis and centre lines
      {"虚线", 8, "DASHED"},          // 19 hidden faces
  }};
  textKinds = {{
      {3.5, 0.7, 1},  // 0 titles and slab labels
      {3.5, 0.7, 1},  // 1 section marks
      {3.0, 0.7, 1},  // 2 elevation marks
      {3.0, 0.7, 2},  // 3 rebar labels and length texts
  }};
  textStyles = {
      {"Standard", "gbenor.shx", "gbcbig.shx", 0.7},
      {"HZ", "gbenor.shx", "gbcbig.shx", 0.7},
      {"REBAR", "tssdeng.shx", "tssdchn.shx", 0.7},
  };
  // Patterns of the ISO line types in millimetres; $LTSCALE and the
  // entities' own line-type scales size them.
  linetypes = {
      {"CONTINUOUS", "Solid line", {}},
      {"DASHED", "Dashed __ __ __ __", {12.7, -6.35}},
      {"CENTER", "Center ____ _ ____ _", {31.75, -6.35, 6.35, -6.35}},
      {"HIDDEN", "Hidden __ __ __ __", {6.35, -3.175}},
      {"DASHDOT", "Dash dot __ . __ .", {12.7, -6.35, 0.0, -6.35}},
      {"PHANTOM", "Phantom ______  __  __", {31.75, -6.35, 6.35, -6.35, 6.35, -6.35}},
      {"DOT", "Dot . . . . . . .", {0.0, -6.35}},
  };
}

namespace {

const DrawingStandard& Standard() { return g_ViewBoard.GetDrawingStandard(); }

std::string FormatNumber(double v) {
  if (!std::isfinite(v)) return "?";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  std::string s = buffer;
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

}  // namespace

int GetDrawingUnit() { return Standard().drawingUnit; }

double EffectiveLinetypeScale(const DrawingStandard& standard) {
  if (std::isfinite(standard.linetypeScale) && standard.linetypeScale > 0.0) return standard.linetypeScale;
  return standard.drawingUnit > 0 ? static_cast<double>(standard.drawingUnit) : 1.0;
}
int GetCurrentScale() { return Standard().currentScale; }

std::string GetLayerName(int category) {
  const auto& layers = Standard().layers;
  if (category < 0 || category >= static_cast<int>(layers.size())) return "0";
  return layers[static_cast<std::size_t>(category)].name;
}

void GetTextSize(int kind, double& heightFactor, double& widthFactor) {
  const auto& kinds = Standard().textKinds;
  if (kind < 0 || kind >= static_cast<int>(kinds.size())) return;
  heightFactor = kinds[static_cast<std::size_t>(kind)].heightFactor;
  widthFactor = kinds[static_cast<std::size_t>(kind)].widthFactor;
}

int GetTextStyle(int kind) {
  const auto& kinds = Standard().textKinds;
  if (kind < 0 || kind >= static_cast<int>(kinds.size())) return 0;
  return kinds[static_cast<std::size_t>(kind)].style;
}

std::string GetTextStyleName(int style) {
  const auto& styles = Standard().textStyles;
  if (style < 0 || style >= static_cast<int>(styles.size())) return "Standard";
  return styles[static_cast<std::size_t>(style)].name;
}

double GetReinLineWidth() { return Standard().reinLineWidth; }
std::string GetReinLineType() { return Standard().reinLineType; }
void GetReinLineType(std::string& lineType) { lineType = Standard().reinLineType; }
double GetHookRadius() { return Standard().hookRadius; }
double GetHookTailLength() { return Standard().hookTailLength; }
double GetBentHookTailLength() { return Standard().bentHookTailLength; }
double GetReinDotSize() { return Standard().reinDotSize; }
double GetReinGap() { return Standard().reinGap; }
double GetReinMarkSize() { return Standard().reinMarkSize; }
int GetSpacingSeparatorStyle() { return Standard().spacingSeparatorStyle; }
int HasRibbedBarHooks() { return Standard().ribbedBarHooks; }
double GetTitleTextHeight() { return Standard().titleTextHeight; }
double GetScaleTextHeight() { return Standard().scaleTextHeight; }
double GetDimensionTextHeight() { return Standard().dimensionTextHeight; }
double GetDimensionTickSize() { return Standard().dimensionTickSize; }

int GetCategoryStyle(int category) { return category; }

int GetDimensionStyle(int scale, int unit) {
  scale = std::clamp(scale, 1, 214747);
  unit = std::clamp(unit, 1, 9999);
  return scale * 10000 + unit;
}

void DecodeDimensionStyle(int style, int& scale, int& unit) {
  if (style <= 0) {
    scale = 1;
    unit = 1;
    return;
  }
  scale = std::max(1, style / 10000);
  unit = std::max(1, style % 10000);
}

int GetSectionMarkStyle() { return Standard().sectionMarkStyle; }
int GetSectionMarkBase() { return Standard().sectionMarkBase; }
int GetSectionMarkSide() { return Standard().sectionMarkSide; }
int GetSectionMarkPlacement() { return Standard().sectionMarkBase; }
int GetSectionMarkGapMode() { return Standard().sectionMarkSide; }

std::string FormatValuePair(double a, double b) { return FormatNumber(a) + "(" + FormatNumber(b) + ")"; }
void FormatValuePair(std::string& text, double a, double b) { text = FormatValuePair(a, b); }

std::string JoinTexts(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + "/" + b;
}
void JoinTexts(std::string& text, const std::string& a, const std::string& b) { text = JoinTexts(a, b); }

std::string GetDocumentPath() { return Standard().documentPath; }
int GetReinDesignFlag() { return Standard().reinDesignFlag; }
int GetReinDesignValue1() { return Standard().reinDesignValue1; }
int GetReinDesignValue2() { return Standard().reinDesignValue2; }
