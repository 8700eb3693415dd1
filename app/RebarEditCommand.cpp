// `tankdesign rebar-edit DESIGN EDIT... [-o DIR]`: changes the bars of a
// designed tank, as an engineer changes a row of the rebar schedule, a cell
// of it or a rebar label on a drawing.  An edit is one of
// - N=BAR: every zone of mark N (the schedule's row N) takes the bars BAR:
//   a grade letter as the calculation book prints it (d HPB235, D HRB335,
//   f HRB400, F RRB400) or a label code %%130..%%133, the diameter, "@" and
//   the spacing; any part may be left out ("@200", "D16", "f16@150") and
//   keeps its value;
// - h:HANDLE=VALUE: a text of the drawings named by its DXF handle: a cell
//   of the rebar schedule (编号, 直径 or 间距; VALUE the new mark, diameter
//   or spacing) or a rebar label on a plan, section or detail (VALUE read as
//   BAR, for the label's zone alone).
// The edits are applied in the order given, each checked by re-designing
// the mark's zones; they are all taken or none is.  Per edit the command
// prints the mark, the zones and the bar groups it covers with their new
// crack widths, and old -> new bars.  A refused edit prints "mark N:
// refused: <reason>" and the exit code is 6.  With -o the edited design and
// its drawing set, drawn anew as `draw` draws it, are written into DIR;
// without it nothing is written.
#include "app/Commands.h"
#include "app/DesignFiles.h"
#include "app/DrawCommand.h"
#include "app/ProjectFile.h"
#include "app/SafeInput.h"
#include "rebar/ReinDesigner.h"
#include "rebar/SectionDesign.h"
#include "view/ReinLabel.h"
#include "view/ReinScheduleAccess.h"

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

// The schedule columns an edit may change, by column tag, and the captions
// of all seven.
constexpr int kColumnMark = 1, kColumnDiameter = 3, kColumnSpacing = 4;
constexpr const char* kColumnCaptions[] = {"编号", "略图", "直径", "间距", "长度", "根数", "总长度"};

const char* kForms =
    "N=BAR or h:HANDLE=VALUE, with BAR as [d|D|f|F|%%13x][DIAMETER][@SPACING], e.g. 18=D16@200, 18=@150, "
    "18=f16, h:1A2=D16@200";

// The parts of new bars as typed; a part left out keeps its value.
struct BarParts {
  std::optional<int> gradeIndex;
  std::optional<int> diameter;
  std::optional<int> spacing;
};

// One edit as typed: a mark and its new bars, or a handle and its value.
struct BarEdit {
  std::string text;
  int mark = 0;
  BarParts bars;
  bool byHandle = false;
  EntityHandle handle;
  std::string value;
};

std::runtime_error EditError(const std::string& edit, const std::string& what) {
  return std::runtime_error(fmt::format("edit '{}': {}", edit, what));
}

int ReadDiameter(const std::string& edit, const std::string& digits) {
  const int d = std::stoi(digits.substr(0, 6));
  if (std::find(std::begin(kStandardDiameters), std::end(kStandardDiameters), d) == std::end(kStandardDiameters))
    throw EditError(edit, fmt::format("diameter {} mm is not a standard bar size (6, 8, 10, 12, 14, 16, 18, 20, "
                                      "22, 25, 28, 32, 36, 40, 50)",
                                      digits));
  return d;
}

// A whole number above 0 (at most six digits); `what` names it.
int ReadPositive(const std::string& edit, const std::string& text, const char* what) {
  static const std::regex whole(R"(^\s*(\d{1,6})\s*$)");
  std::smatch s;
  if (!std::regex_match(text, s, whole) || std::stoi(s[1].str()) <= 0)
    throw EditError(edit, fmt::format("{} '{}' is not a whole number of mm above 0", what, text));
  return std::stoi(s[1].str());
}

// BAR: [grade letter or %%13x][diameter][@spacing], at least one part.
BarParts ParseBar(const std::string& edit, const std::string& bar) {
  static const std::regex form(R"(^\s*(%%\d*|[A-Za-z])?(\d+)?(?:@(.*))?\s*$)");
  std::smatch m;
  if (!std::regex_match(bar, m, form) || (!m[1].matched && !m[2].matched && !m[3].matched))
    throw EditError(edit, fmt::format("cannot be read; write {}", kForms));
  BarParts parts;
  if (m[1].matched) {
    const std::string grade = m[1].str();
    if (grade.starts_with("%%")) {
      const std::string code = grade.substr(2);
      if (code.size() != 3 || code.compare(0, 2, "13") != 0 || code[2] < '0' || code[2] > '3')
        throw EditError(edit, fmt::format("grade code {} is none of %%130, %%131, %%132, %%133", grade));
      parts.gradeIndex = code[2] - '0';
    } else {
      const char* at = std::find(std::begin(kGradeLetters), std::end(kGradeLetters), grade[0]);
      if (at == std::end(kGradeLetters))
        throw EditError(edit,
                        fmt::format("unknown grade letter '{}' (d HPB235, D HRB335, f HRB400, F RRB400)", grade));
      parts.gradeIndex = static_cast<int>(at - std::begin(kGradeLetters));
    }
  }
  if (m[2].matched) parts.diameter = ReadDiameter(edit, m[2].str());
  if (m[3].matched) parts.spacing = ReadPositive(edit, m[3].str(), "spacing");
  return parts;
}

BarEdit ParseEdit(const std::string& text) {
  BarEdit edit;
  edit.text = text;
  static const std::regex byHandle(R"(^\s*h:([^=\s]*)\s*=(.*)$)");
  std::smatch m;
  if (std::regex_match(text, m, byHandle)) {
    edit.byHandle = true;
    if (!EntityHandle::FromString(m[1].str(), edit.handle) || edit.handle.IsNull())
      throw EditError(text, fmt::format("'{}' is not a handle (1 to 16 hexadecimal digits)", m[1].str()));
    edit.value = m[2].str();
    if (edit.value.find_first_not_of(" \t") == std::string::npos)
      throw EditError(text, fmt::format("cannot be read; write {}", kForms));
    return edit;
  }
  static const std::regex byMark(R"(^\s*(\d+)\s*=(.*)$)");
  if (!std::regex_match(text, m, byMark)) throw EditError(text, fmt::format("cannot be read; write {}", kForms));
  try {
    edit.mark = std::stoi(m[1].str());
  } catch (const std::exception&) {
    throw EditError(text, fmt::format("mark {} is not a mark number", m[1].str()));
  }
  edit.bars = ParseBar(text, m[2].str());
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

bool LaidByCount(const ReinZonePtr& zone) { return zone->GetCategory() == 5 || zone->GetCategory() == 6; }

// "2 zone(s): 2 face"
std::string ZonesSummary(const std::vector<ReinZonePtr>& zones) {
  std::vector<std::string> kinds;
  for (const ReinZonePtr& z : zones) kinds.push_back(CategoryName(z->GetCategory()));
  std::sort(kinds.begin(), kinds.end());
  std::string summary;
  for (auto it = kinds.begin(); it != kinds.end();) {
    const auto next = std::find_if(it, kinds.end(), [&](const std::string& k) { return k != *it; });
    summary += fmt::format("{}{} {}", summary.empty() ? "" : ", ", next - it, *it);
    it = next;
  }
  return fmt::format("{} zone(s): {}", zones.size(), summary);
}

// What a handle names: a cell of a rebar schedule, or a rebar label of a
// drawing, with the zone behind it.
struct EditTarget {
  bool cell = false;
  int viewIndex = -1;
  int column = 0;
  ReinZonePtr zone;
};

EditTarget FindTarget(const TankDesigner& designer, const BarEdit& edit) {
  const std::string handle = edit.handle.ToString();
  EntityPtr entity;
  if (!g_ViewBoard.FindEntity(edit.handle, entity) || !entity)
    throw EditError(edit.text, fmt::format("handle {} is not in the design", handle));
  const ViewList& views = designer.GetViews();
  for (std::size_t i = 0; i < views.size(); ++i) {
    const TankViewPtr& view = views[i];
    if (!view) continue;
    ObjectPtr owner;
    const ReinScheduleAccess* schedule = AsReinSchedule(view.get());
    int column = 0;
    if (schedule && schedule->GetScheduleColumn(entity, &column)) {
      const ReinZonePtr zone =
          view->GetEntityOwner(entity, owner) ? boost::dynamic_pointer_cast<ReinZone>(owner) : ReinZonePtr();
      if (!zone) break;
      if (column != kColumnMark && column != kColumnDiameter && column != kColumnSpacing)
        throw EditError(edit.text, fmt::format("handle {} is the {} cell of mark {}: length, count and total "
                                               "length follow from the bars (edit 编号, 直径 or 间距)",
                                               handle, kColumnCaptions[column - 1], zone->GetNumber()));
      return {true, static_cast<int>(i), column, zone};
    }
    if (schedule || view->GetEntityKind(entity) != kKindReinText) continue;
    const auto* text = dynamic_cast<const _Text*>(entity.get());
    static const std::regex label("%%1\\d\\d");
    const ReinZonePtr zone =
        view->GetEntityOwner(entity, owner) ? boost::dynamic_pointer_cast<ReinZone>(owner) : ReinZonePtr();
    if (text && zone && std::regex_search(text->GetText(), label)) return {false, static_cast<int>(i), 0, zone};
  }
  throw EditError(edit.text,
                  fmt::format("handle {} is neither a cell of the rebar schedule nor a rebar label", handle));
}

// The current handle of the target cell: an accepted edit draws the
// schedule anew, so the cell's handle is looked up again before each edit.
EntityHandle CellHandle(const TankDesigner& designer, const EditTarget& target) {
  const TankViewPtr& view = designer.GetViews().at(static_cast<std::size_t>(target.viewIndex));
  const ReinScheduleAccess* schedule = AsReinSchedule(view.get());
  ObjectEntityPairs rows;
  if (schedule) schedule->ListScheduleRows(rows);
  for (const bool sameZone : {true, false})
    for (const auto& [object, entities] : rows) {
      const ReinZonePtr zone = boost::dynamic_pointer_cast<ReinZone>(object);
      if (!zone || (sameZone ? zone != target.zone : zone->GetNumber() != target.zone->GetNumber())) continue;
      for (const EntityPtr& e : entities) {
        int column = 0;
        EntityHandle handle;
        if (schedule->GetScheduleColumn(e, &column) && column == target.column &&
            g_ViewBoard.FindEntityHandle(e, handle))
          return handle;
      }
    }
  return EntityHandle();
}

struct RebarEditOptions {
  std::string design;
  std::vector<std::string> edits;
  std::string outDir;
};

// The edit session on the opened design: each edit checked, applied and
// printed.  False when the re-design refused one (printed, status set).
class EditSession {
 public:
  EditSession(TankDesigner& designer, HostStreams& io)
      : m_designer(designer),
        m_io(io),
        m_limit(designer.GetSettings().GetCalcSettings().GetCrackWidthLimit()) {}

  bool Apply(const BarEdit& edit, const EditTarget* target) {
    if (!edit.byHandle) return ApplyToMark(edit);
    return target->cell ? ApplyToCell(edit, *target) : ApplyToLabel(edit, *target);
  }

 private:
  struct Bars {
    int grade, diameter, spacing;
    bool operator==(const Bars&) const = default;
  };
  static Bars BarsOf(const ReinZonePtr& zone) {
    return {GetReinGradeIndexOf(zone->GetGrade()), zone->GetDiameter(), zone->GetSpacing()};
  }
  static Bars With(const Bars& old, const BarParts& parts) {
    return {parts.gradeIndex.value_or(old.grade), parts.diameter.value_or(old.diameter),
            parts.spacing.value_or(old.spacing)};
  }

  // The zones of a mark, the mark's first zone first.
  std::vector<ReinZonePtr> ZonesOfMark(const BarEdit& edit, int mark) const {
    const int n = m_designer.GetTank().GetReinZones().GetNumberCount();
    if (mark < 1 || mark > n) throw EditError(edit.text, fmt::format("mark {} is outside 1..{}", mark, n));
    std::vector<ReinZonePtr> zones;
    m_designer.GetReinZonesByNumber(mark, zones);
    if (zones.empty()) throw EditError(edit.text, fmt::format("no bars carry mark {}", mark));
    std::stable_partition(zones.begin(), zones.end(), [](const ReinZonePtr& z) { return z->IsNumberFirst(); });
    return zones;
  }

  void RefuseSpacingByCount(const BarEdit& edit, int mark, const std::vector<ReinZonePtr>& zones) const {
    for (const ReinZonePtr& z : zones)
      if (LaidByCount(z))
        throw EditError(edit.text, fmt::format("mark {} holds {} bars, laid by count: their spacing cannot be "
                                               "changed",
                                               mark, CategoryName(z->GetCategory())));
  }

  bool Refused(int mark) {
    m_io.err << fmt::format("mark {}: refused: {}\n", mark, PrintableMessage(m_designer.GetLastEditNote()));
    if (m_taken > 0) m_io.err << "no edit is taken\n";
    m_io.status = kExitEditRefused;
    return false;
  }

  bool NoChange(int mark) {
    m_io.out << fmt::format("mark {}: no change\n", mark);
    return true;
  }

  // The accepted edit's lines: the mark (and its new number), old -> new
  // bars, the zones, and the bar groups of the mark with their widths.
  bool Taken(int oldMark, int newMark, const Bars& oldBars, const Bars& newBars,
             const std::vector<ReinZonePtr>& zones) {
    const std::string renumbered = newMark != oldMark ? fmt::format(" (now mark {})", newMark) : std::string();
    const std::string bars = oldBars == newBars
                                 ? BarsText(oldBars.grade, oldBars.diameter, oldBars.spacing)
                                 : fmt::format("{} → {}", BarsText(oldBars.grade, oldBars.diameter, oldBars.spacing),
                                               BarsText(newBars.grade, newBars.diameter, newBars.spacing));
    m_io.out << fmt::format("mark {}{}: {} ({})\n", oldMark, renumbered, bars, ZonesSummary(zones));
    for (const std::string& line : GroupsOfMark(m_designer.GetTank(), newMark, m_limit))
      m_io.out << "  " << line << "\n";
    ++m_taken;
    return true;
  }

  bool ApplyToMark(const BarEdit& edit) {
    const std::vector<ReinZonePtr> zones = ZonesOfMark(edit, edit.mark);
    const Bars oldBars = BarsOf(zones.front()), newBars = With(oldBars, edit.bars);
    if (newBars.spacing != oldBars.spacing) RefuseSpacingByCount(edit, edit.mark, zones);
    if (newBars == oldBars) return NoChange(edit.mark);
    // The old text is the mark's label.
    if (!m_designer.EditReinByNumber(edit.mark, false, nullptr, -1, LabelText(oldBars), LabelText(newBars)))
      return Refused(edit.mark);
    return Taken(edit.mark, edit.mark, oldBars, newBars, zones);
  }

  bool ApplyToCell(const BarEdit& edit, const EditTarget& target) {
    const int mark = target.zone->GetNumber();
    const std::vector<ReinZonePtr> zones = ZonesOfMark(edit, mark);
    const Bars oldBars = BarsOf(zones.front());
    Bars newBars = oldBars;
    int newMark = mark;
    if (target.column == kColumnMark) {
      static const std::regex whole(R"(^\s*(\d{1,6})\s*$)");
      std::smatch s;
      if (!std::regex_match(edit.value, s, whole) || std::stoi(s[1].str()) <= 0)
        throw EditError(edit.text, fmt::format("the new mark '{}' is not a positive whole number", edit.value));
      newMark = std::stoi(s[1].str());
      std::vector<ReinZonePtr> carriers;
      m_designer.GetReinZonesByNumber(newMark, carriers);
      if (newMark != mark && !carriers.empty())
        throw EditError(edit.text, fmt::format("mark {} is already carried by other bars", newMark));
    } else if (target.column == kColumnDiameter) {
      static const std::regex digits(R"(^\s*(\d+)\s*$)");
      std::smatch s;
      if (!std::regex_match(edit.value, s, digits))
        throw EditError(edit.text, fmt::format("the diameter '{}' is not a number of mm", edit.value));
      newBars.diameter = ReadDiameter(edit.text, s[1].str());
    } else {
      newBars.spacing = ReadPositive(edit.text, edit.value, "spacing");
      if (newBars.spacing != oldBars.spacing) RefuseSpacingByCount(edit, mark, zones);
    }
    if (newBars == oldBars && newMark == mark) return NoChange(mark);
    const EntityHandle cell = CellHandle(m_designer, target);
    if (cell.IsNull()) throw EditError(edit.text, fmt::format("the schedule shows no row of mark {}", mark));
    EntityPtr entity;
    g_ViewBoard.FindEntity(cell, entity);
    const auto* text = dynamic_cast<const _Text*>(entity.get());
    const std::string newText = std::to_string(target.column == kColumnMark ? newMark
                                               : target.column == kColumnDiameter ? newBars.diameter
                                                                                  : newBars.spacing);
    if (!m_designer.EditReinByNumber(mark, true, &cell, target.viewIndex, text ? text->GetText() : "", newText))
      return Refused(mark);
    return Taken(mark, newMark, oldBars, newBars, zones);
  }

  bool ApplyToLabel(const BarEdit& edit, const EditTarget& target) {
    const ReinZonePtr zone = target.zone;
    const int mark = zone->GetNumber();
    const BarParts parts = ParseBar(edit.text, edit.value);
    const Bars oldBars = BarsOf(zone), newBars = With(oldBars, parts);
    if (newBars.spacing != oldBars.spacing) RefuseSpacingByCount(edit, mark, {zone});
    if (newBars == oldBars) return NoChange(mark);
    if (!m_designer.EditReinZone(zone, false, nullptr, target.viewIndex, LabelText(oldBars), LabelText(newBars)))
      return Refused(mark);
    return Taken(mark, zone->GetNumber(), oldBars, newBars, {zone});
  }

  static std::string LabelText(const Bars& bars) {
    return FormatReinText(2, bars.grade, bars.diameter, bars.spacing, 0);
  }

  TankDesigner& m_designer;
  HostStreams& m_io;
  double m_limit;
  int m_taken = 0;
};

bool HasDrawingViews(const TankDesigner& designer) {
  const ViewList& views = designer.GetViews();
  return std::any_of(views.begin(), views.end(),
                     [](const TankViewPtr& v) { return dynamic_cast<const DrawingView*>(v.get()) != nullptr; });
}

void RunRebarEdit(const RebarEditOptions& o, HostStreams& io) {
  std::vector<BarEdit> edits;
  for (const std::string& text : o.edits) edits.push_back(ParseEdit(text));
  auto designer = std::make_unique<TankDesigner>();
  OpenDesign(*designer, o.design);
  if (!designer->IsReinDesigned())
    throw std::runtime_error(fmt::format("{}: the design was changed after its rebar design: its marks are those of "
                                         "no drawing (run `tankdesign draw` on it first)",
                                         PrintableMessage(o.design)));
  const bool byHandle = std::any_of(edits.begin(), edits.end(), [](const BarEdit& e) { return e.byHandle; });
  if (byHandle && !HasDrawingViews(*designer))
    throw std::runtime_error(fmt::format("{}: the design holds no drawings, so no handle names a text of them "
                                         "(run `tankdesign draw` on it first)",
                                         PrintableMessage(o.design)));
  // Every handle names its text in the design as it was read.
  std::vector<EditTarget> targets;
  for (const BarEdit& edit : edits) targets.push_back(edit.byHandle ? FindTarget(*designer, edit) : EditTarget());

  EditSession session(*designer, io);
  for (std::size_t i = 0; i < edits.size(); ++i)
    if (!session.Apply(edits[i], &targets[i])) return;
  if (o.outDir.empty()) return;
  DrawOptions draw;
  draw.design = o.design;
  draw.outDir = o.outDir;
  io.status = DrawAndWriteSet(*designer, draw, o.outDir, io);
}

}  // namespace

void RegisterRebarEditCommand(CLI::App& cli, HostStreams& io) {
  auto o = std::make_shared<RebarEditOptions>();
  auto* cmd = cli.add_subcommand("rebar-edit", "Change the bars of marks of a designed tank (checked by re-design)");
  cmd->add_option("DESIGN", o->design, "Saved design (tank.tkd)")->required();
  cmd->add_option("EDIT", o->edits,
                  "N=BAR: mark N takes the bars BAR, e.g. 18=D16@200, 18=@150, 18=f16; h:HANDLE=VALUE: the "
                  "schedule cell (编号, 直径, 间距) or rebar label of that DXF handle takes VALUE")
      ->required();
  cmd->add_option("-o,--output", o->outDir,
                  "Write the edited design and its drawings, drawn anew as `draw` draws them, into DIR")
      ->type_name("DIR");
  cmd->callback([o, &io] { RunRebarEdit(*o, io); });
}

}  // namespace tank::app
