// Detailing rules shared by the section design and the rebar-zone layout.
#include "rebar/DetailingRules.h"

#include "platform/Zarvel.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Rounding allowance of the angle tests, so that an edge or zone drawn at
// exactly 45 or 135 degrees falls on the side the rules give it.
constexpr double kAngleRounding = 1e-9;

// The diameter and grade of a bar group (support bars of an edge face when
// edgeIndex >= 0 and isSpan is false; the face bars otherwise).
void EdgeBars(const Board& board, int edgeIndex, bool isUpper, int& diameter, std::string& grade) {
  const BoardEdge edge = board.GetEdge(edgeIndex);
  const FaceValues& v = edge.GetFaceValues(isUpper);
  diameter = v.diameter;
  grade = v.grade;
}

double Anchorage(const ProjectSettings* settings, const Board& board, int diameter, const std::string& grade) {
  const double alpha = (settings && settings->GetCalcSettings().IsRibbedBar()) ? 0.14 : 0.16;
  const double ft = GetConcreteTensileStrength(board.GetConcreteGrade());
  if (ft <= 0.0) return 0.0;  // unknown concrete: no length rather than an infinite one
  return alpha * GetReinDesignStrength(grade) * diameter / ft;
}

// A length from a joint rule text for bars of the given diameter and grade.
double LengthFromRule(const ProjectSettings* settings, const Board& board, const std::string& rule, int diameter,
                      const std::string& grade) {
  const std::size_t d = rule.find('d');
  if (d != std::string::npos) return ReadLeadingNumber(rule.substr(0, d)) * diameter;
  if (rule == "壁厚") return board.GetThickness();
  if (rule == "不考虑") return Anchorage(settings, board, diameter, grade);
  return ReadLeadingNumber(rule);
}

}  // namespace

double ReadLeadingNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(v)) return 0.0;
  return v;
}

double GetConcreteCover(const ReinDesignOptions& options, const BoardPtr& board, bool upperFace) {
  if (!board || !options.m_pSettings) return 0.0;
  const MaterialSettings& m = options.m_pSettings->GetMaterialSettings();
  switch (board->GetKind()) {
    case 2:
      return upperFace ? m.GetTopSlabTopCover() : m.GetTopSlabBottomCover();
    case 1:
      return upperFace ? m.GetBottomSlabTopCover() : m.GetBottomSlabBottomCover();
    case 0: {
      const bool outer = upperFace ? board->IsUpperFaceOuter() : board->IsLowerFaceOuter();
      return outer ? m.GetWallOuterCover() : m.GetWallInnerCover();
    }
    default:
      return 0.0;
  }
}

double GetAnchorageLength(const ReinDesignOptions& options, const BoardPtr& board, bool isUpper, int edgeIndex) {
  if (!board) return 0.0;
  int d = 0;
  std::string grade;
  EdgeBars(*board, edgeIndex, isUpper, d, grade);
  return Anchorage(options.m_pSettings, *board, d, grade);
}

bool GetLengthFromSetting(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, bool isUpper,
                          bool horizontalRule, double& length) {
  if (!board) return false;
  std::string rule;
  if (options.m_pSettings) {
    const ReinSettings& r = options.m_pSettings->GetReinSettings();
    rule = horizontalRule ? r.GetHorizontalJointLengthRule() : r.GetVerticalJointLengthRule();
  }
  int d = 0;
  std::string grade;
  EdgeBars(*board, edgeIndex, isUpper, d, grade);
  length = LengthFromRule(options.m_pSettings, *board, rule, d, grade);
  return true;
}

double GetFaceBarLengthFromSetting(const ReinDesignOptions& options, const BoardPtr& board, bool isUpper,
                                   bool isX) {
  if (!board) return 0.0;
  std::string rule;
  if (options.m_pSettings) {
    const ReinSettings& r = options.m_pSettings->GetReinSettings();
    rule = (board->GetKind() == 0 && !isX) ? r.GetVerticalJointLengthRule() : r.GetHorizontalJointLengthRule();
  }
  const FaceValues& v = board->GetFaceValues(isUpper, isX);
  return LengthFromRule(options.m_pSettings, *board, rule, v.diameter, v.grade);
}

bool GetWallBarExtension(const ReinDesignOptions& options, const BoardPtr& board, bool isUpper, bool isX,
                         double& extension) {
  if (!board || !options.m_pSettings || board->GetKind() != 0) return false;
  const int top = options.m_pSettings->GetGeometrySettings().GetWallTopRestraint();
  if (top != 1 && top != 2) return false;
  const DetailingSettings& det = options.m_pSettings->GetDetailingSettings();
  if (!det.IsWallBarExtensionOn()) return false;
  const bool xVertical = board->GetXAxis().IsSameDirection(_3dVector(0, 0, 1), 0.001);
  if (isX != xVertical) return false;  // only the vertical bars are extended
  const auto [lx, ly] = board->GetSpans();
  const double span = isX ? lx : ly;
  if (!(det.GetWallBarExtensionMinSpan() < span)) return false;

  // The fraction a/b is read from the rule's first three characters only.
  const std::string& rule = det.GetWallBarExtensionRule();
  const std::string head = rule.substr(0, 3);
  extension = 0.0;
  const std::size_t slash = head.find('/');
  if (slash != std::string::npos) {
    const double a = ReadLeadingNumber(head.substr(0, slash));
    const double b = ReadLeadingNumber(head.substr(slash + 1));
    if (b != 0.0) extension = a / b * span;
  }
  if (rule.find('+') != std::string::npos) extension += GetFaceBarLengthFromSetting(options, board, isUpper, isX);
  return true;
}

int IsEdgeAlongReinX(const Board& board, int edgeIndex) {
  const auto& edges = board.GetEdges();
  if (edgeIndex < 0 || edgeIndex >= static_cast<int>(edges.size())) return 0;
  const BoardEdge& edge = edges[static_cast<std::size_t>(edgeIndex)];
  const double a = board.GetReinAngle();
  const _2dVector bars(std::cos(a), std::sin(a));
  double angle = bars.GetAngleTo(edge.GetEndPoint() - edge.GetStartPoint());
  if (angle > g_Pi / 2) angle = g_Pi - angle;
  return angle <= g_Pi / 4 + kAngleRounding ? 1 : 0;
}

double GetZoneExtension(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex) {
  if (!board) return 0.0;
  const auto [lx, ly] = board->GetSpans();
  double l = 0.0;
  if (options.m_bShorterSpan)
    l = lx < ly ? lx : ly;
  else
    l = IsEdgeAlongReinX(*board, edgeIndex) == 1 ? ly : lx;
  const int step = options.m_nRoundingStep;
  // Without a usable step the zone builders still need a positive length:
  // the quarter span itself.
  if (step <= 0) return l / 4;
  return step * (std::trunc((l / 4 - 0.005) / step) + 1);
}

double GetZoneExtension(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                        const ReinTrendAdapter& /*adapter*/) {
  // The edge's direction against the X bars is a property of the board alone.
  return GetZoneExtension(options, board, edgeIndex);
}

bool IsZoneAcrossLine::operator()(const ReinZonePtr& zone) const {
  if (!zone) return false;
  _3dVector orientation;
  if (!zone->GetReinDispOrientation(orientation)) return false;
  const double angle = orientation.GetAngleTo(m_line.GetEndPoint() - m_line.GetStartPoint());
  return g_Pi / 4 - kAngleRounding <= angle && angle < 3 * g_Pi / 4 - kAngleRounding;
}

int GetBoardRelation(const BoardPtr& a, const BoardPtr& b) {
  if (!a || !b) return 0;
  _3dVector na = a->GetNormal(), nb = b->GetNormal();
  na.Normalize(0.01);
  nb.Normalize(0.01);
  const double ua = a->GetUpperOffset(), la = a->GetLowerOffset();
  const double ub = b->GetUpperOffset(), lb = b->GetLowerOffset();
  bool first = false, second = false;
  if (na == nb) {
    first = ua == ub;
    second = la == lb;
  } else {
    first = ua == lb;
    second = la == ub;
  }
  if (first && second) return 3;
  if (first) return 1;
  if (second) return 2;
  return 0;
}

void MakeZoneFromReins(const BoardPtr& board, const HolePtr& hole, const std::vector<ReinPtr>& reins) {
  if (reins.empty() || !hole || !reins.front()) return;
  auto zone = boost::make_shared<ReinZone>();
  const int kind = board ? board->GetKind() : -1;
  zone->SetKind(kind == 0 ? 256 : kind == 1 ? 16 : 1);
  zone->SetCategory(6);
  zone->SetDiameter(reins.front()->GetDiameter());
  const std::string& grade = reins.front()->GetGrade();
  int code = 130;
  if (grade == "HRB335") code = 131;
  else if (grade == "HRB400") code = 132;
  else if (grade == "RRB400") code = 133;
  zone->SetGradeCode(code);
  zone->SetSpacing(0);
  zone->SetReins(reins);
  hole->AddZone(zone);
}
