// Rebar edits: a bar group changed through its label on a drawing or a cell
// of the rebar schedule.  The change is read as change records, checked by
// re-designing the zone, and only when the engine takes it written into the
// model and into every view that shows the bars.
#include "designer/ReinZoneInfoParser.h"
#include "designer/TankDesigner.h"
#include "view/ReinScheduleAccess.h"

#include <fmt/format.h>

#include <boost/pointer_cast.hpp>

#include <algorithm>
#include <sstream>
#include <typeinfo>

namespace {

// The change's text read as an int; 0 when it holds none.
int ReadInt(const std::string& text) {
  std::istringstream in(text);
  int v = 0;
  if (!(in >> v)) return 0;
  return v;
}

const PropertyChange* FindChange(const PropertyChanges& changes, int kind) {
  for (const PropertyChange& c : changes)
    if (c.kind == kind) return &c;
  return nullptr;
}

// A zone's values and bars as they stood before an edit, to be put back
// exactly when the edit is refused.
struct ZoneState {
  ReinZonePtr zone;
  int number = 0;
  bool first = false;
  int diameter = 0;
  int spacing = 0;
  std::string grade;
  std::vector<ReinPtr> reins;
  std::vector<Rein> bars;
  std::vector<std::vector<int>> segmentFlags;
};

class ZoneSnapshot {
 public:
  explicit ZoneSnapshot(const std::vector<ReinZonePtr>& zones) {
    for (const ReinZonePtr& z : zones) {
      if (!z) continue;
      ZoneState s{z, z->GetNumber(), z->IsNumberFirst(), z->GetDiameter(), z->GetSpacing(), z->GetGrade(),
                  z->GetReins(), {}, z->GetSegmentLayerFlags()};
      for (const ReinPtr& bar : s.reins) s.bars.push_back(bar ? *bar : Rein());
      m_states.push_back(std::move(s));
    }
  }
  void Restore() const {
    for (const ZoneState& s : m_states) {
      s.zone->SetNumber(s.number);
      s.zone->SetNumberFirst(s.first);
      s.zone->SetDiameter(s.diameter);
      s.zone->SetSpacing(s.spacing);
      s.zone->SetGrade(s.grade);
      s.zone->SetReins(s.reins);
      for (std::size_t i = 0; i < s.reins.size(); ++i)
        if (s.reins[i]) *s.reins[i] = s.bars[i];
      s.zone->SetSegmentLayerFlags(s.segmentFlags);
    }
  }

 private:
  std::vector<ZoneState> m_states;
};

}  // namespace

bool TankDesigner::RefuseReinEdit(const std::string& why) {
  m_lastEditNote = why;
  return false;
}

bool TankDesigner::CheckReinChanges(const PropertyChanges& changes, int mark) {
  for (const PropertyChange& c : changes) {
    const int value = ReadInt(c.text);
    switch (c.kind) {
      case 8:
        if (value < 130 || value > 133)
          return RefuseReinEdit(fmt::format("grade code {} is none of the four grades (130 to 133)", c.text));
        break;
      case 3:
        if (value <= 0) return RefuseReinEdit(fmt::format("diameter '{}' is not above 0 mm", c.text));
        break;
      case 4:
        if (value <= 0) return RefuseReinEdit(fmt::format("spacing '{}' is not above 0 mm", c.text));
        break;
      case 1: {
        if (value <= 0) return RefuseReinEdit(fmt::format("mark '{}' is not a positive number", c.text));
        const TankReinZones zones = GetTank().GetReinZones();
        for (const ReinZonePtr& z : zones.GetZones())
          if (z && z->GetNumber() == value && value != mark)
            return RefuseReinEdit(fmt::format("mark {} is carried by other bars", value));
        break;
      }
      default:
        break;
    }
  }
  return true;
}

void TankDesigner::RedrawReinTables() {
  for (const TankViewPtr& view : m_views) {
    auto* table = dynamic_cast<ReinTableRedraw*>(view.get());
    if (!table) continue;
    // A material table takes its concrete and grade substitution from the
    // settings anew, as its drawing command does: a reopened design files
    // the table's entities, not its preparation.
    if (auto* amount = dynamic_cast<ReinAmountView*>(view.get())) amount->Prepare(GetSettings(), GetTank());
    table->RedrawAfterReinEdit(GetTank());
  }
}

void TankDesigner::GetReinChanges(bool fromTable, const EntityHandle* picked, int viewIndex,
                                  const std::string& oldText, const std::string& newText,
                                  PropertyChanges& out) const {
  if (fromTable) {
    if (!picked || viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= m_views.size()) return;
    const ReinScheduleAccess* schedule = AsReinSchedule(m_views[static_cast<std::size_t>(viewIndex)].get());
    int column = 0;
    if (schedule && schedule->GetPickedScheduleColumn(*picked, &column)) out.push_back({column, newText});
    return;
  }
  ReinZoneInfoParser parser(oldText);
  parser.Parse();
  const int c0 = parser.GetGradeCode(), d0 = parser.GetDiameter(), s0 = parser.GetSpacing();
  parser.SetText(newText);
  parser.Parse();
  const int c1 = parser.GetGradeCode(), d1 = parser.GetDiameter(), s1 = parser.GetSpacing();
  if (c1 != c0) out.push_back({8, std::to_string(c1)});
  if (d1 != d0) out.push_back({3, std::to_string(d1)});
  if (s1 != s0) out.push_back({4, std::to_string(s1)});
}

bool TankDesigner::GetNewDiameterAndSpacing(const PropertyChanges& changes, bool* hasDiameter, int* diameter,
                                            bool* hasSpacing, int* spacing) {
  for (const PropertyChange& c : changes) {
    if (c.kind == 3) {
      *hasDiameter = true;
      *diameter = ReadInt(c.text);
    } else if (c.kind == 4) {
      *hasSpacing = true;
      *spacing = ReadInt(c.text);
    }
  }
  return *hasSpacing || *hasDiameter;
}

bool TankDesigner::RedesignReinZone(const ReinZonePtr& zone, int oldDiameter, int oldSpacing) {
  std::string why;
  if (m_reinDesigner.RedesignZone(GetSettings(), GetTank(), zone, oldDiameter, oldSpacing, &why)) return true;
  return RefuseReinEdit(why);
}

bool TankDesigner::RedesignReinZones(const std::vector<ReinZonePtr>& zones, int oldDiameter, int oldSpacing) {
  // The engine's re-design covers every zone of the zone's mark: one call
  // per mark.
  std::vector<int> done;
  for (const ReinZonePtr& zone : zones) {
    if (!zone) continue;
    const int number = zone->GetNumber();
    if (number != 0 && std::find(done.begin(), done.end(), number) != done.end()) continue;
    if (!RedesignReinZone(zone, oldDiameter, oldSpacing)) return false;
    done.push_back(number);
  }
  return true;
}

void TankDesigner::ApplyReinChanges(const ReinZonePtr& zone, const PropertyChanges& changes) {
  if (!zone) return;
  for (const PropertyChange& c : changes) {
    const int value = ReadInt(c.text);
    switch (c.kind) {
      case 3: zone->SetDiameter(value); break;
      case 4: zone->SetSpacing(value); break;
      case 8: zone->SetGradeCode(value); break;
      case 1: zone->SetNumber(value); break;
      default: break;
    }
  }
}

bool TankDesigner::SetTextFromChange(const boost::shared_ptr<_Text>& text, int kind, const PropertyChanges& changes) {
  const PropertyChange* change = FindChange(changes, kind);
  if (!change || !text) return false;
  text->SetText(change->text);
  return true;
}

bool TankDesigner::RewriteReinLabel(const boost::shared_ptr<_Text>& text, const PropertyChanges& changes) {
  if (!text) return true;
  ReinZoneInfoParser parser(text->GetText());
  for (const PropertyChange& c : changes) {
    const int value = ReadInt(c.text);
    if (c.kind == 3) parser.SetDiameter(value);
    else if (c.kind == 4) parser.SetSpacing(value);
    else if (c.kind == 8) parser.SetGradeCode(value);
  }
  text->SetText(parser.GetText());
  return true;
}

namespace {

// The one mark number of an edit: the changes' mark change, or a free
// number appended as one.
int MarkNumberOf(PropertyChanges& changes, const TankDesigner& designer) {
  if (const PropertyChange* c = FindChange(changes, 1)) return ReadInt(c->text);
  const int number = designer.GetFreeReinNumber();
  changes.push_back({1, std::to_string(number)});
  return number;
}

bool IsPlainText(const EntityPtr& entity) { return entity && typeid(*entity) == typeid(_Text); }

}  // namespace

void TankDesigner::UpdateReinLabels(const TankViewPtr& view, const ReinZonePtr& zone, PropertyChanges& changes,
                                    bool renumber) {
  if (!view || !zone) return;
  EntityList entities;
  if (!view->GetObjectEntities(zone, entities)) return;
  AcadViewBoard* board = view->GetViewBoard();
  // A typed mark reaches the bubbles as a new number does.
  const bool numbered = renumber || FindChange(changes, 1);
  for (const EntityPtr& entity : entities) {
    if (const auto mark = boost::dynamic_pointer_cast<Ordinal>(entity)) {
      if (!numbered) continue;
      mark->SetNumber(MarkNumberOf(changes, *this));
      if (board) board->UpdateEntity(entity);
    } else if (IsPlainText(entity)) {
      RewriteReinLabel(boost::static_pointer_cast<_Text>(entity), changes);
      if (board) board->UpdateEntity(entity);
    }
  }
}

void TankDesigner::UpdateReinTableRow(const TankViewPtr& view, const ReinZonePtr& zone, PropertyChanges& changes,
                                      bool renumber) {
  ReinScheduleAccess* schedule = AsReinSchedule(view.get());
  if (!schedule || !zone) return;
  const TankReinZones zones = GetTank().GetReinZones();
  const int count = zones.GetCount(zone->GetKind(), zone->GetNumber());
  const int length = zones.GetLength(zone->GetKind(), zone->GetNumber());
  EntityList entities;
  if (!view->GetObjectEntities(zone, entities)) return;
  AcadViewBoard* board = view->GetViewBoard();
  const bool numbered = renumber || FindChange(changes, 1);
  for (const EntityPtr& entity : entities) {
    int column = 0;
    if (!IsPlainText(entity) || !schedule->GetScheduleColumn(entity, &column)) continue;
    const auto text = boost::static_pointer_cast<_Text>(entity);
    bool changed = true;
    if (column == 1 && numbered) text->SetText(std::to_string(MarkNumberOf(changes, *this)));
    else if (column == 6) text->SetText(std::to_string(count));
    else if (column == 7) text->SetText(std::to_string(length));
    // The sketch and the length show the bars, never a typed value.
    else if (column == 2 || column == 5) changed = false;
    else changed = SetTextFromChange(text, column, changes);
    if (changed && board) board->UpdateEntity(entity);
  }
}

bool TankDesigner::GetReinZonesByNumber(int number, std::vector<ReinZonePtr>& out) const {
  std::size_t found = 0;
  const TankReinZones zones = m_project.GetTank().GetReinZones();
  for (const ReinZonePtr& z : zones.GetZones())
    if (z && z->GetNumber() == number) {
      out.push_back(z);
      ++found;
    }
  return found > 1;
}

int TankDesigner::GetFreeReinNumber() const {
  const TankReinZones zones = m_project.GetTank().GetReinZones();
  const int n = zones.GetNumberCount();
  std::vector<char> taken(static_cast<std::size_t>(std::max(n, 0)) + 1, 0);
  for (const ReinZonePtr& z : zones.GetZones())
    if (z && z->IsNumberFirst() && z->GetNumber() >= 1 && z->GetNumber() <= n)
      taken[static_cast<std::size_t>(z->GetNumber())] = 1;
  for (int i = 1; i <= n; ++i)
    if (!taken[static_cast<std::size_t>(i)]) return i;
  return n + 1;
}

bool TankDesigner::GetReinZoneEntities(const ReinZonePtr& zone, std::vector<ViewZonePair>& out) const {
  const std::size_t before = out.size();
  for (const TankViewPtr& view : m_views) {
    EntityList entities;
    if (view && view->GetObjectEntities(zone, entities) && !entities.empty()) out.push_back({view, zone});
  }
  return out.size() > before;
}

bool TankDesigner::GetReinEntitiesByNumber(int number, std::vector<ViewZonePair>& out) const {
  const std::size_t before = out.size();
  for (const TankViewPtr& view : m_views) {
    if (!view) continue;
    ObjectEntityPairs pairs;
    if (const ReinScheduleAccess* schedule = AsReinSchedule(view.get())) schedule->ListScheduleRows(pairs);
    else view->ListObjectEntities(pairs);
    for (const auto& [object, entities] : pairs) {
      const ReinZonePtr zone = boost::dynamic_pointer_cast<ReinZone>(object);
      if (zone && zone->GetNumber() == number) out.push_back({view, zone});
    }
  }
  return out.size() > before;
}

bool TankDesigner::GetObjectHandles(ObjectPtr object, std::string classPart, std::vector<EntityHandle>* out) const {
  if (!out) return false;
  for (const TankViewPtr& view : m_views) {
    if (!view || GetViewClassName(*view).find(classPart) == std::string::npos) continue;
    EntityList entities;
    if (!view->GetObjectEntities(object, entities)) continue;
    for (const EntityPtr& entity : entities) {
      EntityHandle handle;
      if (g_ViewBoard.FindEntityHandle(entity, handle)) out->push_back(handle);
    }
  }
  return !out->empty();
}

bool TankDesigner::IsReinTableView(int viewIndex) const {
  if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= m_views.size()) return false;
  const TankViewPtr& view = m_views[static_cast<std::size_t>(viewIndex)];
  return view && typeid(*view) == typeid(ReinTableView);
}

bool TankDesigner::PickReinTableColumn(int viewIndex, const EntityHandle& picked, int* column) const {
  if (!IsReinTableView(viewIndex)) return false;
  const ReinScheduleAccess* schedule = AsReinSchedule(m_views[static_cast<std::size_t>(viewIndex)].get());
  return schedule && schedule->GetPickedScheduleColumn(picked, column);
}

bool TankDesigner::EditReinZone(const ReinZonePtr& zone, bool fromTable, const EntityHandle* picked, int viewIndex,
                                const std::string& oldText, const std::string& newText) {
  m_lastEditNote.clear();
  if (!zone) return RefuseReinEdit("no rebar zone");
  PropertyChanges changes;
  GetReinChanges(fromTable, picked, viewIndex, oldText, newText, changes);
  const int oldNumber = zone->GetNumber();
  if (!CheckReinChanges(changes, oldNumber)) return false;

  std::vector<ViewZonePair> views;
  GetReinZoneEntities(zone, views);
  std::vector<ReinZonePtr> same;
  const bool shared = GetReinZonesByNumber(oldNumber, same);
  if (std::find(same.begin(), same.end(), zone) == same.end()) same.push_back(zone);
  const ZoneSnapshot before(same);
  const int oldSpacing = zone->GetSpacing(), oldDiameter = zone->GetDiameter();

  bool hasDiameter = false, hasSpacing = false;
  int diameter = 0, spacing = 0;
  GetNewDiameterAndSpacing(changes, &hasDiameter, &diameter, &hasSpacing, &spacing);
  const PropertyChange* codeChange = FindChange(changes, 8);
  const PropertyChange* typedChange = FindChange(changes, 1);
  const int code = codeChange ? ReadInt(codeChange->text) : 0;
  const int typed = typedChange ? ReadInt(typedChange->text) : 0;
  const bool barsChange = hasDiameter || hasSpacing || code;
  // A zone that leaves a mark it shares with others takes a new one (a
  // typed mark, or the first free number) and is the first zone of it; the
  // first flag of the old mark passes to the next of its zones.
  const bool renumber = (shared && barsChange) || (typed && typed != oldNumber);
  if (renumber) {
    if (zone->IsNumberFirst())
      for (const ReinZonePtr& z : same)
        if (z != zone && !z->IsNumberFirst()) {
          z->SetNumberFirst(true);
          break;
        }
    const int newNumber = typed ? typed : GetFreeReinNumber();
    zone->SetNumber(newNumber);
    zone->SetNumberFirst(true);
    if (!typed) changes.push_back({1, std::to_string(newNumber)});
  }
  if (barsChange) {
    zone->SetSpacing(hasSpacing ? spacing : oldSpacing);
    zone->SetDiameter(hasDiameter ? diameter : oldDiameter);
    if (code) zone->SetGradeCode(code);
    if (!RedesignReinZone(zone, oldDiameter, oldSpacing)) {
      before.Restore();
      return false;
    }
  }
  for (const ViewZonePair& pair : views)
    if (!AsReinSchedule(pair.view.get())) UpdateReinLabels(pair.view, zone, changes, renumber);
  ApplyReinChanges(zone, changes);
  RedrawReinTables();
  return true;
}

bool TankDesigner::EditReinByNumber(int number, bool fromTable, const EntityHandle* picked, int viewIndex,
                                    const std::string& oldText, const std::string& newText) {
  m_lastEditNote.clear();
  PropertyChanges changes;
  GetReinChanges(fromTable, picked, viewIndex, oldText, newText, changes);
  std::vector<ReinZonePtr> zones;
  GetReinZonesByNumber(number, zones);
  if (zones.empty()) return RefuseReinEdit(fmt::format("no bars carry mark {}", number));
  if (!CheckReinChanges(changes, number)) return false;
  std::vector<ViewZonePair> pairs;
  GetReinEntitiesByNumber(number, pairs);

  // The old values are the mark's first zone's (the one its schedule row
  // shows), drawn or not.
  ReinZonePtr first = zones.front();
  for (const ReinZonePtr& z : zones)
    if (z->IsNumberFirst()) {
      first = z;
      break;
    }
  const int oldSpacing = first->GetSpacing(), oldDiameter = first->GetDiameter();
  const ZoneSnapshot before(zones);

  bool hasDiameter = false, hasSpacing = false;
  int diameter = 0, spacing = 0;
  GetNewDiameterAndSpacing(changes, &hasDiameter, &diameter, &hasSpacing, &spacing);
  const PropertyChange* codeChange = FindChange(changes, 8);
  const int code = codeChange ? ReadInt(codeChange->text) : 0;
  if (hasDiameter || hasSpacing || code) {
    for (const ReinZonePtr& z : zones) {
      z->SetDiameter(hasDiameter ? diameter : oldDiameter);
      z->SetSpacing(hasSpacing ? spacing : oldSpacing);
      if (code) z->SetGradeCode(code);
    }
    if (!RedesignReinZones({first}, oldDiameter, oldSpacing)) {
      before.Restore();
      return false;
    }
  }
  for (const ViewZonePair& pair : pairs) {
    if (AsReinSchedule(pair.view.get())) UpdateReinTableRow(pair.view, pair.zone, changes, false);
    else UpdateReinLabels(pair.view, pair.zone, changes, false);
  }
  for (const ReinZonePtr& z : zones) ApplyReinChanges(z, changes);
  RedrawReinTables();
  return true;
}
