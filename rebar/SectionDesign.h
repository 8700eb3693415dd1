// Section design of a one-metre strip to GB 50010-2002: the required flexural
// steel under the basic-combination moment (equivalent rectangular stress
// block, balanced relative depth, doubly reinforced sections) and the maximum
// crack width under the standard-combination moment.
//
// Units: moments in kN·m per metre (used in N·mm), lengths in mm, strip width
// 1000 mm, areas in mm² per metre, strengths in N/mm².  A moment M >= 0 puts
// the upper face in tension.  The distance from a face to the centre of its
// bars is the face's cover plus 6 mm.
//
// A bar group is addressed by isSpan (the board's mid-span bars, else the
// support bars of the edge edgeIndex), isUpper (face) and isX (X or Y bars,
// mid-span only).
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <string>

class ProjectSettings;

// The basic-combination moment and the stored rebar grade of a bar group.
void GetDesignMomentAndGrade(const BoardPtr& board, int edgeIndex, bool isSpan, bool isUpper, bool isX,
                             double& moment, std::string& grade);

// The standard-combination moment of a bar group.
double GetStandardMoment(const Board& board, int edgeIndex, bool isSpan, bool isUpper, bool isX);

// The stress-block factors of a concrete grade text ("C30"): fcu is the number
// after the first "C" (0 without one); alpha1 = 1.1 − 0.002·fcu within
// [0.94, 1.0] and beta1 = 0.9 − 0.002·fcu within [0.74, 0.8].
double ReadCubeStrength(const std::string& concreteGrade);
void GetStressBlockFactors(const std::string& concreteGrade, double& alpha1, double& beta1);

// The section's data and its result, for the design of one strip.
struct SectionInput {
  double moment = 0.0;   // kN·m per metre
  double h = 0.0;        // thickness
  double coverTension = 0.0;      // cover of the face the moment puts in tension
  double coverCompression = 0.0;  // cover of the other face
  std::string concreteGrade;
  std::string rebarGrade;  // for the messages only
  double fc = 0.0;
  double fy = 0.0;
  double es = 0.0;
};

struct SectionResult {
  double tensionArea = 0.0;      // As, the whole tension steel
  double compressionArea = 0.0;  // As', 0 for a singly reinforced section
  bool designable = true;        // false: the formulas have no meaning here
  std::string problem;           // what is wrong when not designable
};

// Required steel of one strip; a section for which the formulas have no
// meaning (h0 <= 0, fc, fy or Es not positive, h0 <= a's when compression
// steel is needed) gives no area and says why.
SectionResult DesignSection(const SectionInput& in);

// Required tension and compression steel of a bar group (the model is not
// changed; the caller stores the values).  False, with both areas 0 and the
// reason (naming the board, face and direction) in `problem` when given, for
// a section that cannot be designed.
bool ComputeRequiredSteelArea(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, bool isSpan,
                              bool isUpper, bool isX, double& tensionArea, double& compressionArea,
                              std::string* problem = nullptr);

// Inputs of the crack-width formula for one strip and one bar set.
struct CrackInput {
  double moment = 0.0;      // standard combination, kN·m per metre
  double h = 0.0;
  double coverUpper = 0.0;  // the cover of the tension face is taken by the moment's sign
  double coverLower = 0.0;
  double ftk = 0.0;
  double es = 0.0;
  int diameter = 0;
  int spacing = 0;
};

// Maximum crack width (mm) with the coefficient 2.10654: cover clamped to
// [20, 65] plus 6 mm, bond coefficient 0.7 below 12 mm, rho_te floored at 0.01
// inside psi only, psi within [0.2, 1.0].  A bar set or section for which the
// formula has no meaning (diameter or spacing <= 0, h0 <= 0, Es <= 0) gives
// kUnreachableCrackWidth, a width no limit accepts.
extern const double kUnreachableCrackWidth;
double CrackWidthOf(const CrackInput& in);
bool IsCrackWidthReal(double w);

// Crack width of the selected mid-span bars of a face and direction.  Support
// bars (isSpan false) and faces without bars (diameter or spacing 0) give 0.
// Returns false, leaving w as it was, when the section has no meaning.
bool ComputeCrackWidth(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                       int edgeIndex, double& w);

// Crack width of a bar group (mid-span, or the support bars of an edge face)
// for a candidate diameter and spacing.
double ComputeCrackWidthFor(ProjectSettings& settings, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                            int edgeIndex, int d, int s);

// "wall 3, upper face, X bars", "bottom slab 1, edge 2, lower face": the bar
// group's name for messages.
std::string DescribeBarGroup(const Board& board, int edgeIndex, bool isSpan, bool isUpper, bool isX);
