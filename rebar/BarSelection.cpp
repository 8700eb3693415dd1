// Bar selection from the project's candidate table.
#include "rebar/BarSelection.h"

#include "platform/Zarvel.h"
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
      m_thickness(input.thickness) {
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

ReinCandidate CSelectBestRein::First(const std::vector<ReinCandidate>& list, const std::string& grade,
                                     double requirement) const {
  const ReinSettings& rs = m_pSettings->GetReinSettings();
  const bool plain = grade == "HPB235";
  const bool hrb335 = grade == "HRB335";
  for (const ReinCandidate& c : list) {
    if (c.diameter < rs.GetMinBarDiameter()) continue;
    if (c.spacing < rs.GetMinBarSpacing() || c.spacing > rs.GetMaxBarSpacing()) continue;
    if (plain && c.diameter < rs.GetPlainBarDiameterLimit()) continue;
    if (hrb335 && c.diameter < 8) continue;
    if (!(c.GetArea() > requirement)) continue;
    return {c.diameter, c.spacing, grade};
  }
  return {};
}

ReinCandidate CSelectBestRein::Scan(const std::vector<ReinCandidate>& list, const std::string& grade,
                                    double requiredArea, double minRatio) const {
  const ReinCandidate first = First(list, grade, std::max(requiredArea, minRatio * m_thickness * 1000.0));
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
  const ReinCandidate second = First(list, newGrade, std::max(newArea, rho2 * m_thickness * 1000.0));
  if (!second.IsFound() || second.diameter < rs.GetPlainBarDiameterLimit())
    return {first.diameter, first.spacing, newGrade};
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

void SelectRein(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                int edgeIndex, bool wideOnly) {
  if (!board) return;
  if (!options.m_pSettings) throw std::invalid_argument("options.m_pSettings == nullptr in SelectRein");
  ProjectSettings& settings = *options.m_pSettings;
  FaceValues& values = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
  const std::string group = DescribeBarGroup(*board, edgeIndex, isSpan, isUpper, isX);

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

  CSelectBestRein selector(ReinSelectInput{&settings, area, grade, ft, fy, board->GetThickness()});
  ReinCandidate choice = selector.Select(wideOnly);
  if (!choice.IsFound()) {
    StoreBars(*board, isSpan, isUpper, isX, edgeIndex, grade, 0, 0);
    FaceValues& v = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
    v.status = BarGroupStatus::kNoBarForArea;
    v.statusNote = group + fmt::format(": no bar of the table gives the area ({:.1f} mm²/m)", area);
    return;
  }

  int status = BarGroupStatus::kDesigned;
  std::string note;
  bool storeWidth = false;
  double storedWidth = 0.0;
  const CalcSettings& calc = settings.GetCalcSettings();
  if (calc.IsCrackWidthControlled()) {
    const double limit = calc.GetCrackWidthLimit();
    auto width = [&](int d, int s) {
      return ComputeCrackWidthFor(settings, board, isSpan, isUpper, isX, edgeIndex, d, s);
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
        ReinCandidate c = selector.GetMaxSpacing(dk, choice.spacing);
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
        ReinCandidate c = selector.GetMaxSpacing(choice.diameter, s);
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

  StoreBars(*board, isSpan, isUpper, isX, edgeIndex, choice.grade, choice.spacing, choice.diameter);
  FaceValues& v = GroupValues(*board, isSpan, isUpper, isX, edgeIndex);
  if (storeWidth) v.crackWidth = storedWidth;
  v.status = status;
  v.statusNote = note;
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
