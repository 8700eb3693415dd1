// Bar selection: a required steel area becomes a diameter, a spacing and a
// grade from the project's table of candidate bars, with the minimum
// reinforcement of GB 50010-2002, the project's limits on diameter and
// spacing, the optional upgrade of plain bars to a ribbed grade and, when the
// project asks for it, crack-width control.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <string>
#include <vector>

class ProjectSettings;

// Area per metre of bars of diameter d at spacing s: d²·π·250 / s (mm² per
// metre); 0 for a diameter or spacing that is not positive.
double AreaPerMetre(int diameter, int spacing);

// One candidate bar set; diameter 0 means that no candidate was found.
struct ReinCandidate {
  int diameter = 0;
  int spacing = 0;
  std::string grade;

  double GetArea() const { return AreaPerMetre(diameter, spacing); }
  bool IsFound() const { return diameter != 0; }
  bool operator==(const ReinCandidate&) const = default;
};

struct ReinSelectInput {
  const ProjectSettings* settings = nullptr;
  double requiredArea = 0.0;  // mm² per metre
  std::string grade;          // rebar grade name
  double ft = 0.0;            // concrete design tensile strength
  double fy = 0.0;            // design strength of the grade
  double thickness = 0.0;     // mm
  double coverUpper = 0.0;    // covers of the two faces, mm (for the fit of the bars)
  double coverLower = 0.0;
};

// What a scan of the candidate table asked for: the area the moment needs,
// the minimum reinforcement (ratio and area per metre) of the grade scanned,
// and whether bars that give the area were turned away because they do not
// fit the section.
struct ReinRequirement {
  double momentArea = 0.0;
  double minRatio = 0.0;
  double minimumArea = 0.0;
  bool fitExcluded = false;

  double GetGoverningArea() const { return momentArea > minimumArea ? momentArea : minimumArea; }
  bool IsMinimumGoverning() const { return minimumArea > momentArea; }
};

class CSelectBestRein {
 public:
  explicit CSelectBestRein(ReinSelectInput input);
  virtual ~CSelectBestRein() = default;

  // The selection for the stored grade and area, from the wide list (spacings
  // of at least 200 mm) or the full list.
  ReinCandidate Select(bool wideOnly);
  ReinCandidate SelectInAll(const std::string& grade, double requiredArea, double minRatio);
  ReinCandidate SelectInWide(const std::string& grade, double requiredArea, double minRatio);

  // The candidate of that diameter with the largest spacing not above the
  // limit (of equal spacings the last in the list), with an empty grade;
  // diameter 0 when there is none.  The lists keep their area order.
  ReinCandidate GetMaxSpacing(int diameter, int spacingLimit) const;

  // The minimum reinforcement ratio of Select: the setting (0.002 when
  // negative), raised to 0.45·ft/fy.
  double GetMinRatio() const;

  // The bars fit the section: the two layers of both faces, of this
  // diameter, lie within the thickness with the faces' covers
  // (cover + cover + 4·d <= h), and the clear distance between the bars is at
  // least the diameter and 25 mm (s − d >= max(d, 25)).
  bool Fits(int diameter, int spacing) const;

  // The requirement of the last Select (of the scan whose bars it returned).
  const ReinRequirement& GetRequirement() const { return m_requirement; }

  // The limits the scans put on the table, in words ("spacings of 200 to 250
  // mm (wide spacings only), diameters from 10 mm"), and the largest area per
  // metre of the table within them for a grade (0 when none is left).
  std::string DescribeLimits(bool wideOnly, const std::string& grade) const;
  double GetLargestArea(bool wideOnly, const std::string& grade) const;

  const std::vector<ReinCandidate>& GetAllCandidates() const { return m_all; }
  const std::vector<ReinCandidate>& GetWideCandidates() const { return m_wide; }

 private:
  void BuildAllCandidates();
  void BuildWideCandidates();
  ReinCandidate Scan(const std::vector<ReinCandidate>& list, const std::string& grade, double requiredArea,
                     double minRatio);
  bool PassesRules(const ReinCandidate& c, const std::string& grade) const;
  ReinCandidate First(const std::vector<ReinCandidate>& list, const std::string& grade, double requirement,
                      bool& fitExcluded) const;

  std::vector<ReinCandidate> m_all;
  const ProjectSettings* m_pSettings = nullptr;
  std::vector<ReinCandidate> m_wide;
  std::string m_grade;
  double m_requiredArea = 0.0;
  double m_ft = 0.0;
  double m_fy = 0.0;
  double m_thickness = 0.0;
  double m_coverUpper = 0.0;
  double m_coverLower = 0.0;
  ReinRequirement m_requirement;
};

// Selects and stores the bars of one bar group (mid-span bars of a face and
// direction, or the support bars of one face of an edge): grade by board kind,
// the stored required area, crack control per the settings, only bars that fit
// the section.  The group's design state is set: designed, or failing with a
// note naming the rule that governs the area and the limits on the table ("no
// bar of the table gives the area", "bars do not fit the section", "crack
// limit not met"); a group already marked not designable keeps its mark and
// gets no bars.  The governing area and what governs are kept with the group.
// A selection from the wide list (wideOnly) replaces an earlier selection of
// the group only when its bars meet the area and the crack limit.
void SelectRein(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                int edgeIndex, bool wideOnly);

// The rebar grade the settings give a board kind (walls 0, bottom slabs 1,
// top slabs 2); empty for any other kind.
std::string GetReinGradeOfKind(const ProjectSettings& settings, int kind);

// The crack width of the bars a group holds, stored with the group, and its
// crack state: a width above the limit fails the group (with crack control
// off too, then noted so), and a group that failed on its crack width alone
// passes again once its bars are within the limit.  A group without bars gets
// the width 0.
void UpdateCrackWidth(const ReinDesignOptions& options, const BoardPtr& board, bool isSpan, bool isUpper, bool isX,
                      int edgeIndex);

// The required area of a mid-span bar group raised to the support areas of
// the edges its bars cross (edges not parallel to the bars).  The Y bars run
// along (−sin a, cos a), a the board's rebar angle.
double GetSpanAreaWithSupports(const BoardPtr& board, bool isUpper, bool isX);

// True when bar set 1 has the larger HPB235-equivalent area per metre.
bool IsStrongerRein(const std::string& grade1, int diameter1, int spacing1, const std::string& grade2,
                    int diameter2, int spacing2);
