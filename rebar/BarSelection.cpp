// Bar selection from the project's candidate table.
#include "rebar/BarSelection.h"

#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"
#include "rebar/SectionDesign.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

double AreaPerMetre(int diameter, int spacing) {
  if (diameter <= 0 || spacing <= 0) return 0.0;
  return static_cast<double>(diameter) * diameter * g_Pi * 250.0 / spacing;
}

// ---------------------------------------------------------------------------
// CSelectBestRein

CSelectBestRein::CSelectBestRein(ReinSelectInput input)
    : m_pSettings(input.settings),
      m_grade(std::move(input.grade)),
      m_requiredArea(input.requiredArea),
      m_ft(input.ft),
      m_fy(input.fy),
      m_thickness(input.thickness),
      m_coverUpper(input.coverUpper),
      m_coverLower(input.coverLower) {
  if (!m_pSettings) throw std::invalid_argument("settings == nullptr in CSelectBestRein");
  BuildAllCandidates();
  BuildWideCandidates();
}

namespace {

void SortByArea(std::vector<ReinCandidate>& list) {
  std::stable_sort(list.begin(), list.end(),
                   [](const ReinCandidate& a, const ReinCandidate& b) { return a.GetArea() < b.GetArea(); });
}

}  // namespace

void CSelectBestRein::BuildAllCandidates() {
  m_all.clear();
  // Entries without a positive diameter and spacing are no bars at all.
  for (const ReinGradeItem& item : m_pSettings->GetReinGradeTable().GetItems())
    if (item.GetDiameter() > 0 && item.GetSpacing() > 0)
      m_all.push_back({item.GetDiameter(), item.GetSpacing(), std::string()});
  SortByArea(m_all);
}

void CSelectBestRein::BuildWideCandidates() {
  m_wide.clear();
  for (const ReinGradeItem& item : m_pSettings->GetReinGradeTable().GetItems())
    if (item.GetDiameter() > 0 && item.GetSpacing() > 199) m_wide.push_back({item.GetDiameter(), item.GetSpacing(), std::string()});
  SortByArea(m_wide);
}

bool CSelectBestRein::Fits(int diameter, int spacing) const {
  if (diameter <= 0 || spacing <= 0) return false;
  const double d = diameter;
  if (m_coverUpper + m_coverLower + 4.0 * d > m_thickness) return false;
  return spacing - d >= std::max(d, 25.0);
}

bool CSelectBestRein::PassesRules(const ReinCandidate& c, const std::string& grade) const {
  const ReinSettings& rs = m_pSettings->GetReinSettings();
  if (c.diameter < rs.GetMinBarDiameter()) return false;
  if (c.spacing < rs.GetMinBarSpacing() || c.spacing > rs.GetMaxBarSpacing()) return false;
  if (grade == "HPB235" && c.diameter < rs.GetPlainBarDiameterLimit()) return false;
  if (grade == "HRB335" && c.diameter < 8) return false;
  return true;
}

ReinCandidate CSelectBestRein::First(const std::vector<ReinCandidate>& list, const std::string& grade,
                                     double requirement, bool& fitExcluded) const {
  fitExcluded = false;
  for (const ReinCandidate& c : list) {
    if (!PassesRules(c, grade)) continue;
    if (!(c.GetArea() > requirement)) continue;
    // Bars that give the area but cannot be placed: the next candidate.
    if (!Fits(c.diameter, c.spacing)) {
      fitExcluded = true;
      continue;
    }
    return {c.diameter, c.spacing, grade};
  }
  return {};
}

ReinCandidate CSelectBestRein::Scan(const std::vector<ReinCandidate>& list, const std::string& grade,
                                    double requiredArea, double minRatio) {
  bool fitExcluded = false;
  const double minimumArea = minRatio * m_thickness * 1000.0;
  const ReinCandidate first = First(list, grade, std::max(requiredArea, minimumArea), fitExcluded);
  m_requirement = {requiredArea, minRatio, minimumArea, fitExcluded};
  if (!first.IsFound()) return first;

  const ReinSettings& rs = m_pSettings->GetReinSettings();
  if (grade != "HPB235" || !rs.IsPlainBarUpgraded() || first.diameter < rs.GetPlainBarDiameterLimit())
    return first;

  // Plain-bar upgrade: the ribbed grade carries the area in proportion to its
  // strength; the ratio here ignores the project's setting.
  std::string newGrade = "HRB335";
  double newArea = m_requiredArea * 0.7000000000000001;
  if (rs.GetUpgradeGrade() == 1) {
    newGrade = "HRB400";
    newArea = m_requiredArea * 0.5833333333333334;
  }
  const double rho2 = std::max(0.002, m_fy > 0.0 ? 0.45 * m_ft / m_fy : 0.0);
  const double minimum2 = rho2 * m_thickness * 1000.0;
  const ReinCandidate second = First(list, newGrade, std::max(newArea, minimum2), fitExcluded);
  if (!second.IsFound() || second.diameter < rs.GetPlainBarDiameterLimit())
    return {first.diameter, first.spacing, newGrade};
  m_requirement = {newArea, rho2, minimum2, fitExcluded};
  return {second.diameter, second.spacing, newGrade};
}

ReinCandidate CSelectBestRein::SelectInAll(const std::string& grade, double requiredArea, double minRatio) {
  return Scan(m_all, grade, requiredArea, minRatio);
}

ReinCandidate CSelectBestRein::SelectInWide(const std::string& grade, double requiredArea, double minRatio) {
  return Scan(m_wide, grade, requiredArea, minRatio);
}

double CSelectBestRein::GetMinRatio() const {
  double rho = m_pSettings->GetLoadSettings().GetMinReinRatio();
  if (rho < 0.0) rho = 0.002;
  if (m_fy > 0.0) rho = std::max(rho, 0.45 * m_ft / m_fy);
  return rho;
}

ReinCandidate CSelectBestRein::Select(bool wideOnly) {
  const double rho = GetMinRatio();
  return wideOnly ? SelectInWide(m_grade, m_requiredArea, rho) : SelectInAll(m_grade, m_requiredArea, rho);
}

std::string CSelectBestRein::DescribeLimits(bool wideOnly, const std::string& grade) const {
  const ReinSettings& rs = m_pSettings->GetReinSettings();
  const int low = std::max(rs.GetMinBarSpacing(), wideOnly ? 200 : 0);
  const int high = rs.GetMaxBarSpacing();
  std::string text = low == high ? fmt::format("a spacing of {} mm", low)
                                 : fmt::format("spacings of {} to {} mm", low, high);
  if (wideOnly) text += " (wide spacings only)";
  int minDiameter = rs.GetMinBarDiameter();
  if (grade == "HPB235") minDiameter = std::max(minDiameter, rs.GetPlainBarDiameterLimit());
  if (grade == "HRB335") minDiameter = std::max(minDiameter, 8);
  if (minDiameter > 0) text += fmt::format(", diameters from {} mm", minDiameter);
  return text;
}

double CSelectBestRein::GetLargestArea(bool wideOnly, const std::string& grade) const {
  double largest = 0.0;
  for (const ReinCandidate& c : wideOnly ? m_wide : m_all)
    if (PassesRules(c, grade)) largest = std::max(largest, c.GetArea());
  return largest;
}

ReinCandidate CSelectBestRein::GetMaxSpacing(int diameter, int spacingLimit) const {
  // Of the candidates of that diameter, the largest spacing within the limit;
  // of equal spacings the one listed last.  The area order of the list stays,
  // so a later Select still finds the smallest area.
  const ReinCandidate* best = nullptr;
  for (const ReinCandidate& c : m_all)
    if (c.diameter == diameter && c.spacing <= spacingLimit && (!best || c.spacing >= best->spacing)) best = &c;
  if (!best) return {};
  return {best->diameter, best->spacing, std::string()};
}

// ---------------------------------------------------------------------------
// SelectRein

namespace {

FaceValues& GroupValues(Board& board, bool isSpan, bool isUpper, bool isX, int edgeIndex) {
  if (isSpan) return board.GetFaceValues(isUpper, isX);
  auto& edges = board.GetEdges();
  if (edgeIndex < 0 || edgeIndex >= static_cast<int>(edges.size()))
    throw std::out_of_range("invalid vector<T> subscript");
  return edges[static_cast<std::size_t>(edgeIndex)].GetFaceValues(isUpper);
}

std::string GradeOfKind(const ProjectSettings& settings, int kind) {
  const MaterialSettings& m = settings.GetMaterialSettings();
  switch (kind) {
    case 0: return m.GetWallReinGrade();
    case 1: return m.GetBottomReinGrade();
    case 2: return m.GetTopReinGrade();
    default: return std::string();
  }
}

// Stores grade, spacing and diameter, in this order, through the model's
// setters (the board's X grades also reach edges without a grade).
void StoreBars(Board& board, bool isSpan, bool isUpper, bool isX, int edgeIndex, const std::string& grade,
               int spacing, int diameter) {
  if (isSpan) {
    if (isUpper && isX) board.SetUpperXGrade(grade);
    else if (isUpper) board.SetUpperYGrade(grade);
    else if (isX) board.SetLowerXGrade(grade);
    else board.SetLowerYGrade(grade);
  } else {
    BoardEdge& edge = board.GetEdges()[static_cast<std::size_t>(edgeIndex)];
    if (isUpper) edge.SetUpperGrade(grade);
    else edge.SetLowerGrade(grade);
  }
  FaceValues& v = GroupValues(board, isSpan, isUpper, isX, edgeIndex);
  v.spacing = spacing;
  v.diameter = diameter;
}

int NextDiameter(int d) { return d == 25 ? 28 : d + 2; }

}  // namespace

namespace {

// The rule that governs a group's area, in words.
std::string RuleText(const ReinRequirement& r) {
  if (r.IsMinimumGoverning())
    return fmt::format("{:.1f} mm²/m of the minimum ratio {:.2f} %, the moment needing {:.1f} mm²/m",
                       r.minimumArea, r.minRatio * 100.0, r.momentArea);
  return fmt::format("{:.1f} mm²/m for the moment", r.momentArea);
}

}  // namespace

void SelectRein(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                int edgeIndex, bool wideOnly) {
  if (!board) return;
  if (!options.m_pSettings) throw std::invalid_argument("options.m_pSettings == nullptr in SelectRein");
  ProjectSettings& settings = *options.m_pSettings;
  FaceValues& values = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
  const std::string group = DescribeBarGroup(*board, edgeIndex, isSpan, isUpper, isX);
  // The group as an earlier selection of this design left it: a selection
  // from the wide list only replaces it with bars that pass.
  const FaceValues earlier = values;

  const std::string grade = GradeOfKind(settings, board->GetKind());
  if (values.status == BarGroupStatus::kNotDesignable) {
    StoreBars(*board, isSpan, isUpper, isX, edgeIndex, grade, 0, 0);
    return;
  }

  double area = 0.0;
  if (isSpan)
    area = settings.GetLoadSettings().IsSupportAreaInSpan() ? GetSpanAreaWithSupports(board, isUpper, isX)
                                                            : values.calcArea;
  else
    area = values.calcArea;

  const double ft = GetConcreteTensileStrength(board->GetConcreteGrade());
  const double fy = GetReinDesignStrength(grade);
  if (!(fy > 0.0) || !std::isfinite(area)) {
    StoreBars(*board, isSpan, isUpper, isX, edgeIndex, grade, 0, 0);
    FaceValues& v = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
    v.status = BarGroupStatus::kNotDesignable;
    v.statusNote = group + (fy > 0.0 ? ": the required area is not a number"
                                     : fmt::format(": rebar grade '{}' has no design strength", grade));
    return;
  }

  const double coverUpper = GetConcreteCover(options, board, true);
  const double coverLower = GetConcreteCover(options, board, false);
  CSelectBestRein selector(
      ReinSelectInput{&settings, area, grade, ft, fy, board->GetThickness(), coverUpper, coverLower});
  ReinCandidate choice = selector.Select(wideOnly);
  const ReinRequirement requirement = selector.GetRequirement();
  auto keepEarlier = [&] {
    if (!wideOnly || earlier.status == BarGroupStatus::kNotDesigned) return false;
    GroupValues(*board, isSpan, isUpper, isX, edgeIndex) = earlier;
    return true;
  };
  auto storeRequirement = [&] {
    FaceValues& v = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
    v.governingArea = requirement.GetGoverningArea();
    v.minimumGoverns = requirement.IsMinimumGoverning();
  };
  if (!choice.IsFound()) {
    if (keepEarlier()) return;
    StoreBars(*board, isSpan, isUpper, isX, edgeIndex, grade, 0, 0);
    storeRequirement();
    FaceValues& v = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
    if (requirement.fitExcluded) {
      v.status = BarGroupStatus::kBarsDoNotFit;
      v.statusNote = group + fmt::format(": bars do not fit the section: the bars of the table that give the area "
                                         "({}) at {} do not fit two layers per face in {:.0f} mm with covers of "
                                         "{:.0f} and {:.0f} mm and a clear distance of at least the diameter and "
                                         "25 mm",
                                         RuleText(requirement), selector.DescribeLimits(wideOnly, grade),
                                         board->GetThickness(), coverUpper, coverLower);
    } else {
      const double largest = selector.GetLargestArea(wideOnly, grade);
      v.status = BarGroupStatus::kNoBarForArea;
      v.statusNote = group + fmt::format(": no bar of the table gives the area ({}) at {}; {}", RuleText(requirement),
                                         selector.DescribeLimits(wideOnly, grade),
                                         largest > 0.0 ? fmt::format("the largest there gives {:.1f} mm²/m", largest)
                                                       : std::string("no bar of the table is within these limits"));
    }
    return;
  }

  int status = BarGroupStatus::kDesigned;
  std::string note;
  bool storeWidth = false;
  double storedWidth = 0.0;
  const CalcSettings& calc = settings.GetCalcSettings();
  const double limit = calc.GetCrackWidthLimit();
  auto width = [&](int d, int s) {
    return ComputeCrackWidthFor(settings, board, isSpan, isUpper, isX, edgeIndex, d, s);
  };
  if (calc.IsCrackWidthControlled()) {
    // A probe's bars count only when they fit the section.
    auto probe = [&](int d, int spacingLimit) {
      ReinCandidate c = selector.GetMaxSpacing(d, spacingLimit);
      if (c.IsFound() && !selector.Fits(c.diameter, c.spacing)) return ReinCandidate{};
      return c;
    };
    const double w = width(choice.diameter, choice.spacing);
    if (w > limit) {
      // The smallest real width met on the way, kept when no probe reaches
      // the limit.
      ReinCandidate best = choice;
      double bestWidth = w;
      auto consider = [&](const ReinCandidate& c, double real) {
        if (real < bestWidth) {
          best = c;
          bestWidth = real;
        }
      };
      bool found = false;
      // Diameter search at the spacing of the choice.
      for (int dk = NextDiameter(choice.diameter);; dk = NextDiameter(dk)) {
        ReinCandidate c = probe(dk, choice.spacing);
        if (c.IsFound()) {
          c.grade = choice.grade;
          if (width(dk, choice.spacing) < limit) {
            choice = c;
            found = true;
            break;
          }
          consider(c, width(c.diameter, c.spacing));
        }
        if (NextDiameter(dk) > 40) break;
      }
      // Spacing search with the diameter of the choice.
      for (int s = choice.spacing; !found && s >= 10;) {
        s -= 10;
        ReinCandidate c = probe(choice.diameter, s);
        if (!c.IsFound()) continue;
        c.grade = choice.grade;
        const double wc = width(c.diameter, c.spacing);
        if (wc < limit) {
          choice = c;
          found = true;
          break;
        }
        consider(c, wc);
      }
      if (!found) {
        choice = best;
        if (IsCrackWidthReal(bestWidth)) {
          storeWidth = true;
          storedWidth = bestWidth;
        }
        if (!(bestWidth < limit)) {
          status = BarGroupStatus::kCrackLimitNotMet;
          note = group + (IsCrackWidthReal(bestWidth)
                              ? fmt::format(": crack limit not met (w = {:.3f} mm > {:.3f} mm)", bestWidth, limit)
                              : std::string(": crack limit not met (no crack width for this section)"));
        }
      }
    }
  }
  // From the wide list, bars that miss the crack limit (whether or not the
  // project controls it) do not replace an earlier selection.
  if (wideOnly && (status != BarGroupStatus::kDesigned || width(choice.diameter, choice.spacing) > limit) &&
      keepEarlier())
    return;

  StoreBars(*board, isSpan, isUpper, isX, edgeIndex, choice.grade, choice.spacing, choice.diameter);
  storeRequirement();
  FaceValues& v = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
  if (storeWidth) v.crackWidth = storedWidth;
  v.status = status;
  v.statusNote = note;
}

std::string GetReinGradeOfKind(const ProjectSettings& settings, int kind) { return GradeOfKind(settings, kind); }

void UpdateCrackWidth(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                      int edgeIndex) {
  if (!board || !options.m_pSettings) return;
  FaceValues& v = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
  if (v.diameter <= 0 || v.spacing <= 0) {
    v.crackWidth = 0.0;
    return;
  }
  const double w =
      ComputeCrackWidthFor(*options.m_pSettings, board, isSpan, isUpper, isX, edgeIndex, v.diameter, v.spacing);
  // A width the formula cannot give is never stored; the section's own
  // failing state stands for it.
  v.crackWidth = IsCrackWidthReal(w) ? w : 0.0;
  if (!IsCrackWidthReal(w)) return;
  const CalcSettings& calc = options.m_pSettings->GetCalcSettings();
  const double limit = calc.GetCrackWidthLimit();
  if (w > limit) {
    if (v.status == BarGroupStatus::kDesigned || v.status == BarGroupStatus::kCrackLimitNotMet) {
      v.status = BarGroupStatus::kCrackLimitNotMet;
      v.statusNote = DescribeBarGroup(*board, edgeIndex, isSpan, isUpper, isX) +
                     (calc.IsCrackWidthControlled()
                          ? fmt::format(": crack limit not met (w = {:.3f} mm > {:.3f} mm)", w, limit)
                          : fmt::format(": crack limit not met (crack control off): w = {:.3f} mm > {:.3f} mm", w,
                                        limit));
    }
  } else if (v.status == BarGroupStatus::kCrackLimitNotMet) {
    v.status = BarGroupStatus::kDesigned;
    v.statusNote.clear();
  }
}

double GetSpanAreaWithSupports(const BoardPtr& board, bool isUpper, bool isX) {
  double area = board->GetFaceValues(isUpper, isX).calcArea;
  const double a = board->GetReinAngle();
  // The Y bars cross the X bars at a right angle whatever the rebar angle.
  const _2dVector bars = isX ? _2dVector(std::cos(a), std::sin(a)) : _2dVector(-std::sin(a), std::cos(a));
  for (const BoardEdge& edge : board->GetEdges()) {
    const _2dVector along = edge.GetEndPoint() - edge.GetStartPoint();
    if (!along.IsParallelTo(bars)) area = std::max(area, edge.GetFaceValues(isUpper).calcArea);
  }
  return area;
}

bool IsStrongerRein(const std::string& grade1, int diameter1, int spacing1, const std::string& grade2,
                    int diameter2, int spacing2) {
  const double plain = GetReinDesignStrength("HPB235");
  const double a1 = AreaPerMetre(diameter1, spacing1) * GetReinDesignStrength(grade1) / plain;
  const double a2 = AreaPerMetre(diameter2, spacing2) * GetReinDesignStrength(grade2) / plain;
  return a1 > a2;
}
