// Section design of a one-metre strip: required steel and crack width.
#include "rebar/SectionDesign.h"

#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

const double kUnreachableCrackWidth = std::numeric_limits<double>::infinity();

namespace {

constexpr double kStripWidth = 1000.0;
constexpr double kBarCentre = 6.0;  // from the face's cover to the centre of its bars

const FaceValues& GroupValues(const Board& board, int edgeIndex, bool isSpan, bool isUpper, bool isX,
                              BoardEdge& edgeCopy) {
  if (isSpan) return board.GetFaceValues(isUpper, isX);
  edgeCopy = board.GetEdge(edgeIndex);
  return edgeCopy.GetFaceValues(isUpper);
}

const char* KindName(int kind) {
  switch (kind) {
    case 0: return "wall";
    case 1: return "bottom slab";
    case 2: return "top slab";
    default: return "board";
  }
}

}  // namespace

std::string DescribeBarGroup(const Board& board, int edgeIndex, bool isSpan, bool isUpper, bool isX) {
  std::string text = fmt::format("{} {}", KindName(board.GetKind()), board.GetNumber());
  if (!isSpan) text += fmt::format(", edge {}", edgeIndex + 1);
  text += isUpper ? ", upper face" : ", lower face";
  if (isSpan) text += isX ? ", X bars" : ", Y bars";
  return text;
}

void GetDesignMomentAndGrade(const BoardPtr& board, int edgeIndex, bool isSpan, bool isUpper, bool isX,
                             double& moment, std::string& grade) {
  BoardEdge edge;
  const FaceValues& v = GroupValues(*board, edgeIndex, isSpan, isUpper, isX, edge);
  moment = v.basicMoment;
  grade = v.grade;
}

double GetStandardMoment(const Board& board, int edgeIndex, bool isSpan, bool isUpper, bool isX) {
  BoardEdge edge;
  return GroupValues(board, edgeIndex, isSpan, isUpper, isX, edge).standardMoment;
}

double ReadCubeStrength(const std::string& concreteGrade) {
  const std::size_t c = concreteGrade.find('C');
  if (c == std::string::npos) return 0.0;
  return ReadLeadingNumber(concreteGrade.substr(c + 1));
}

void GetStressBlockFactors(const std::string& concreteGrade, double& alpha1, double& beta1) {
  const double fcu = ReadCubeStrength(concreteGrade);
  alpha1 = std::clamp(1.1 - 0.002 * fcu, 0.94, 1.0);
  beta1 = std::clamp(0.9 - 0.002 * fcu, 0.74, 0.8);
}

SectionResult DesignSection(const SectionInput& in) {
  SectionResult r;
  auto fail = [&r](std::string why) {
    r.designable = false;
    r.problem = std::move(why);
    r.tensionArea = r.compressionArea = 0.0;
    return r;
  };
  double alpha1 = 1.0, beta1 = 0.8;
  GetStressBlockFactors(in.concreteGrade, alpha1, beta1);
  const double mabs = std::fabs(in.moment * 1e6);
  const double h0 = in.h - (in.coverTension + kBarCentre);
  const double as2 = in.coverCompression + kBarCentre;
  if (!(in.fc > 0.0)) return fail(fmt::format("concrete grade '{}' has no design strength", in.concreteGrade));
  if (!(in.fy > 0.0) || !(in.es > 0.0))
    return fail(fmt::format("rebar grade '{}' has no design strength", in.rebarGrade));
  if (!(h0 > 0.0)) return fail(fmt::format("effective depth h0 = {:.1f} mm is not positive", h0));

  const double xib = beta1 / (1.0 + in.fy / (0.0033 * in.es));
  const double mu = alpha1 * in.fc * kStripWidth * h0 * h0 * xib * (1.0 - 0.5 * xib);
  if (mabs > mu) {
    if (!(h0 > as2))
      return fail(fmt::format("compression steel needed but h0 = {:.1f} mm does not exceed a's = {:.1f} mm", h0,
                              as2));
    r.compressionArea = (mabs - mu) / (in.fy * (h0 - as2));
    r.tensionArea = alpha1 * in.fc * kStripWidth * xib * h0 / in.fy + r.compressionArea;
  } else {
    const double alphaS = mabs / (alpha1 * in.fc * kStripWidth * h0 * h0);
    const double xi = 1.0 - std::sqrt(std::max(0.0, 1.0 - 2.0 * alphaS));
    r.tensionArea = alpha1 * in.fc * kStripWidth * xi * h0 / in.fy;
    r.compressionArea = 0.0;
  }
  return r;
}

bool ComputeRequiredSteelArea(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, bool isSpan,
                              bool isUpper, bool isX, double& tensionArea, double& compressionArea,
                              std::string* problem) {
  SectionInput in;
  std::string grade;
  GetDesignMomentAndGrade(board, edgeIndex, isSpan, isUpper, isX, in.moment, grade);
  in.concreteGrade = board->GetConcreteGrade();
  in.rebarGrade = grade;
  in.h = board->GetThickness();
  in.fc = GetConcreteDesignStrength(in.concreteGrade);
  in.fy = GetReinDesignStrength(grade);
  in.es = GetReinElasticModulus(grade);
  // The sign of the moment chooses the tension face, whatever face is designed.
  const bool upperInTension = in.moment * 1e6 >= 0.0;
  in.coverTension = GetConcreteCover(options, board, upperInTension);
  in.coverCompression = GetConcreteCover(options, board, !upperInTension);
  SectionResult r = DesignSection(in);
  tensionArea = r.tensionArea;
  compressionArea = r.compressionArea;
  if (!r.designable && problem) {
    *problem = DescribeBarGroup(*board, edgeIndex, isSpan, isUpper, isX) + ": " + r.problem;
  }
  return r.designable;
}

bool IsCrackWidthReal(double w) { return std::isfinite(w); }

double CrackWidthOf(const CrackInput& in) {
  if (in.diameter <= 0 || in.spacing <= 0 || !(in.es > 0.0)) return kUnreachableCrackWidth;
  const double mk = in.moment * 1e6;
  const double c = std::clamp(mk >= 0.0 ? in.coverUpper : in.coverLower, 20.0, 65.0);
  const double c1 = c + kBarCentre;
  const double h0 = in.h - c1;
  if (!(h0 > 0.0)) return kUnreachableCrackWidth;
  const double d = in.diameter;
  const double as = 0.25 * g_Pi * d * d * (1000.0 / in.spacing);
  const double sigma = std::fabs(mk) / (0.87 * h0 * as);
  const double ate = 0.5 * kStripWidth * in.h;
  if (ate < 0.01) return 0.01;
  const double rhoTe = as / ate;
  const double nu = in.diameter < 12 ? 0.7 : 1.0;
  const double deq = d / nu;
  const double b = 1.9 * c1 + 0.08 * deq / rhoTe;
  const double rhoPsi = rhoTe < 0.01 ? 0.01 : rhoTe;
  // A zero stress takes psi's lower limit (the formula's limit as sigma -> 0).
  const double psi = sigma > 0.0 ? std::clamp(1.1 - 0.65 * in.ftk / (rhoPsi * sigma), 0.2, 1.0) : 0.2;
  return 2.10654 * psi * (sigma / in.es) * b;
}

namespace {

CrackInput CrackInputOf(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                        int edgeIndex, int d, int s) {
  CrackInput in;
  double basic = 0.0;
  std::string grade;
  GetDesignMomentAndGrade(board, edgeIndex, isSpan, isUpper, isX, basic, grade);
  in.moment = GetStandardMoment(*board, edgeIndex, isSpan, isUpper, isX);
  in.h = board->GetThickness();
  in.coverUpper = GetConcreteCover(options, board, true);
  in.coverLower = GetConcreteCover(options, board, false);
  in.ftk = GetConcreteStandardTensileStrength(board->GetConcreteGrade());
  in.es = GetReinElasticModulus(grade);
  in.diameter = d;
  in.spacing = s;
  return in;
}

}  // namespace

bool ComputeCrackWidth(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                       int edgeIndex, double& w) {
  if (!isSpan) {
    w = 0.0;
    return true;
  }
  const FaceValues& v = board->GetFaceValues(isUpper, isX);
  if (v.diameter <= 0 || v.spacing <= 0) {
    w = 0.0;
    return true;
  }
  const double width = CrackWidthOf(CrackInputOf(options, board, isSpan, isUpper, isX, edgeIndex, v.diameter, v.spacing));
  if (!IsCrackWidthReal(width)) return false;
  w = width;
  return true;
}

double ComputeCrackWidthFor(ProjectSettings& settings, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                            int edgeIndex, int d, int s) {
  ReinDesignOptions options;
  options.SetSettings(&settings);
  return CrackWidthOf(CrackInputOf(options, board, isSpan, isUpper, isX, edgeIndex, d, s));
}
