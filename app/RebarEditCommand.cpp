// `tankdesign rebar-edit DESIGN N=BAR...`: changes the bars of marks of a
// designed tank, as an engineer changes a row of the rebar schedule.  Each
// edit names a mark N (the schedule's row N) and its new bars: a grade
// letter as the calculation book prints it (d HPB235, D HRB335, f HRB400,
// F RRB400) or a label code %%130..%%133, the diameter, "@" and the spacing;
// any part may be left out ("@200", "D16", "f16@150") and keeps its value.
// The edits are applied in the order given, each checked by re-designing
// the mark's zones; they are all taken or none is.  The command checks and
// prints: per edit the mark, the bar groups it covers with their new crack
// widths, and old -> new bars.  A refused edit prints "mark N: refused:
// <reason>" and the exit code is 6.
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "rebar/ReinDesigner.h"
#include "rebar/SectionDesign.h"
#include "view/ReinLabel.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace tank::app {

namespace {

// The grade letters of the calculation book, by grade index 0..3.
constexpr char kGradeLetters[] = {'d', 'D', 'f', 'F'};
// The standard bar diameters, mm.
constexpr int kStandardDiameters[] = {6, 8, 10, 12, 14, 16, 18, 20, 22, 25, 28, 32, 36, 40, 50};

// One edit as typed: the mark and the parts of its new bars.
struct BarEdit {
  std::string text;
  int mark = 0;
  std::optional<int> gradeIndex;
  std::optional<int> diameter;
  std::optional<int> spacing;
};

const char* kForms = "N=BAR with BAR as [d|D|f|F|%%13x][DIAMETER][@SPACING], e.g. 18=D16@200, 18=@150, 18=f16";

BarEdit ParseEdit(const std::string& text) {
  static const std::regex form(R"(^\s*(\d+)\s*=\s*(%%\d*|[A-Za-z])?(\d+)?(?:@(.*))?\s*$)");
  std::smatch m;
  if (!std::regex_match(text, m, form) || (!m[2].matched && !m[3].matched && !m[4].matched))
    throw std::runtime_error(fmt::format("edit '{}': cannot be read; write {}", text, kForms));
  BarEdit edit;
  edit.text = text;
  try {
    edit.mark = std::stoi(m[1].str());
  } catch (const std::exception&) {
    throw std::runtime_error(fmt::format("edit '{}': mark {} is not a mark number", text, m[1].str()));
  }
  if (m[2].matched) {
    const std::string grade = m[2].str();
    if (grade.starts_with("%%")) {
      const std::string code = grade.substr(2);
      if (code.size() != 3 || code.compare(0, 2, "13") != 0 || code[2] < '0' || code[2] > '3')
        throw std::runtime_error(
            fmt::format("edit '{}': grade code {} is none of %%130, %%131, %%132, %%133", text, grade));
      edit.gradeIndex = code[2] - '0';
    } else {
      const char* at = std::find(std::begin(kGradeLetters), std::end(kGradeLetters), grade[0]);
      if (at == std::end(kGradeLetters))
        throw std::runtime_error(fmt::format(
            "edit '{}': unknown grade letter '{}' (d HPB235, D HRB335, f HRB400, F RRB400)", text, grade));
      edit.gradeIndex = static_cast<int>(at - std::begin(kGradeLetters));
    }
  }
  if (m[3].matched) {
    const int d = std::stoi(m[3].str().substr(0, 6));
    if (std::find(std::begin(kStandardDiameters), std::end(kStandardDiameters), d) == std::end(kStandardDiameters))
      throw std::runtime_error(fmt::format(
          "edit '{}': diameter {} mm is not a standard bar size (6, 8, 10, 12, 14, 16, 18, 20, 22, 25, 28, 32, "
          "36, 40, 50)",
          text, m[3].str()));
    edit.diameter = d;
  }
  if (m[4].matched) {
    static const std::regex whole(R"(^\s*(\d{1,6})\s*$)");
    std::smatch s;
    const std::string spacing = m[4].str();
    if (!std::regex_match(spacing, s, whole) || std::stoi(s[1].str()) <= 0)
      throw std::runtime_error(
          fmt::format("edit '{}': spacing '{}' is not a whole number of mm above 0", text, spacing));
    edit.spacing = std::stoi(s[1].str());
  }
  return edit;
}

std::string BarsText(int gradeIndex, int diameter, int spacing) {
  const char letter = gradeIndex >= 0 && gradeIndex <= 3 ? kGradeLetters[gradeIndex] : '?';
  return spacing > 0 ? fmt::format("{}{}@{}", letter, diameter, spacing) : fmt::format("{}{}", letter, diameter);
}

// The bar groups the mark's zones stand in, each with its crack width.
std::vector<std::string> GroupsOfMark(const Tank& tank, int mark, double limit) {
  std::vector<std::string> lines;
  auto has = [mark](const std::vector<ReinZonePtr>& zones, int direction) {
    return std::any_of(zones.begin(), zones.end(), [&](const ReinZonePtr& z) {
      return z && z->GetNumber() == mark && (direction < 0 || z->IsYDirection() == (direction == 1));
    });
  };
  for (const BoardPtr& board : ReinDesigner::DesignBoards(tank)) {
    for (bool upper : {true, false})
      for (bool x : {true, false})
        if (has(upper ? board->GetUpperZones() : board->GetLowerZones(), x ? 0 : 1))
          lines.push_back(fmt::format("{}: crack width {:.3f} mm (limit {:.3f} mm)",
                                      DescribeBarGroup(*board, -1, true, upper, x),
                                      board->GetFaceValues(upper, x).crackWidth, limit));
    const auto& edges = board->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      for (bool upper : {true, false})
        if (has(upper ? edges[i].GetUpperZones() : edges[i].GetLowerZones(), -1))
          lines.push_back(fmt::format("{}: crack width {:.3f} mm (limit {:.3f} mm)",
                                      DescribeBarGroup(*board, static_cast<int>(i), false, upper, true),
                                      edges[i].GetFaceValues(upper).crackWidth, limit));
  }
  return lines;
}

const char* CategoryName(int category) {
  switch (category) {
    case 1: return "edge";
    case 2: return "face";
    case 4: return "haunch";
    case 5: return "support";
    case 6: return "opening";
    default: return "other";
  }
}

struct RebarEditOptions {
  std::string design;
  std::vector<std::string> edits;
};

void RunRebarEdit(const RebarEditOptions& o, HostStreams& io) {
  std::vector<BarEdit> edits;
  for (const std::string& text : o.edits) edits.push_back(ParseEdit(text));
  auto designer = std::make_unique<TankDesigner>();
  OpenDesign(*designer, o.design);
  if (!designer->IsReinDesigned())
    throw std::runtime_error(fmt::format("{}: the design was changed after its rebar design: its marks are those of "
                                         "no drawing (run `tankdesign draw` on it first)",
                                         PrintableMessage(o.design)));
  const double limit = designer->GetSettings().GetCalcSettings().GetCrackWidthLimit();
  for (const BarEdit& edit : edits) {
    const int n = designer->GetTank().GetReinZones().GetNumberCount();
    if (edit.mark < 1 || edit.mark > n)
      throw std::runtime_error(fmt::format("edit '{}': mark {} is outside 1..{}", edit.text, edit.mark, n));
    std::vector<ReinZonePtr> zones;
    designer->GetReinZonesByNumber(edit.mark, zones);
    if (zones.empty())
      throw std::runtime_error(fmt::format("edit '{}': no bars carry mark {}", edit.text, edit.mark));
    ReinZonePtr first = zones.front();
    for (const ReinZonePtr& z : zones)
      if (z->IsNumberFirst()) {
        first = z;
        break;
      }
    const int oldGrade = GetReinGradeIndexOf(first->GetGrade());
    const int oldD = first->GetDiameter(), oldS = first->GetSpacing();
    const int newGrade = edit.gradeIndex.value_or(oldGrade), newD = edit.diameter.value_or(oldD),
              newS = edit.spacing.value_or(oldS);
    if (newS != oldS)
      for (const ReinZonePtr& z : zones)
        if (z->GetCategory() == 5 || z->GetCategory() == 6)
          throw std::runtime_error(fmt::format("edit '{}': mark {} holds {} bars, laid by count: their spacing "
                                               "cannot be changed",
                                               edit.text, edit.mark, CategoryName(z->GetCategory())));
    const std::string oldBars = BarsText(oldGrade, oldD, oldS), newBars = BarsText(newGrade, newD, newS);
    if (newGrade == oldGrade && newD == oldD && newS == oldS) {
      io.out << fmt::format("mark {}: no change\n", edit.mark);
      continue;
    }
    const std::string oldText = FormatReinText(2, oldGrade, oldD, oldS, 0);
    const std::string newText = FormatReinText(2, newGrade, newD, newS, 0);
    if (!designer->EditReinByNumber(edit.mark, false, nullptr, -1, oldText, newText)) {
      io.err << fmt::format("mark {}: refused: {}\n", edit.mark, PrintableMessage(designer->GetLastEditNote()));
      if (&edit != &edits.front()) io.err << "no edit is taken\n";
      io.status = kExitEditRefused;
      return;
    }
    std::vector<std::string> kinds;
    for (const ReinZonePtr& z : zones) kinds.push_back(CategoryName(z->GetCategory()));
    std::sort(kinds.begin(), kinds.end());
    std::string summary;
    for (auto it = kinds.begin(); it != kinds.end();) {
      const auto next = std::find_if(it, kinds.end(), [&](const std::string& k) { return k != *it; });
      summary += fmt::format("{}{} {}", summary.empty() ? "" : ", ", next - it, *it);
      it = next;
    }
    io.out << fmt::format("mark {}: {} → {} ({} zone(s): {})\n", edit.mark, oldBars, newBars, zones.size(),
                          summary);
    for (const std::string& line : GroupsOfMark(designer->GetTank(), edit.mark, limit))
      io.out << "  " << line << "\n";
  }
}

}  // namespace

void RegisterRebarEditCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<RebarEditOptions>();
  auto* cmd = cli.add_subcommand("rebar-edit", "Change the bars of marks of a designed tank (checked by re-design)");
  cmd->add_option("DESIGN", o->design, "Saved design (tank.tkd)")->required();
  cmd->add_option("EDIT", o->edits, "N=BAR: mark N takes the bars BAR, e.g. 18=D16@200, 18=@150, 18=f16")
      ->required();
  cmd->callback([o, &io] { RunRebarEdit(*o, io); });
}

}  // namespace tank::app
