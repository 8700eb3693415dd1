#include "views/TableData.h"

#include <cmath>

double SteelWeightKg(double lengthMm, int diameter) {
  const double d = static_cast<double>(diameter);
  return lengthMm / 1000.0 * d * d * kSteelKgPerMetrePerMm2;
}

std::vector<int> TableParts(bool combined) {
  if (combined) return {kTablePartTank};
  return {kTablePartTopSlab, kTablePartBottomSlab, kTablePartWalls};
}

std::string ScheduleTitle(int parts) {
  if (parts == kTablePartTank) return "水池钢筋表";
  if (parts == kTablePartWalls) return "池壁钢筋表";
  if (parts & kTablePartTopSlab) return "顶板钢筋表";
  if (parts & kTablePartBottomSlab) return "底板钢筋表";
  return {};
}

std::string MaterialTitle(int parts) {
  if (parts == kTablePartTank) return "材料用量";
  if (parts == kTablePartWalls) return "池壁材料用量";
  if (parts & kTablePartTopSlab) return "顶板材料用量";
  if (parts & kTablePartBottomSlab) return "底板材料用量";
  return {};
}

std::string TablePartName(int parts) {
  if (parts == kTablePartTank) return "tank";
  if (parts == kTablePartWalls) return "walls";
  if (parts & kTablePartTopSlab) return "top slab";
  if (parts & kTablePartBottomSlab) return "bottom slab";
  return {};
}

std::string ZoneCategoryName(int category) {
  switch (category) {
    case 1: return "edge";
    case 2: return "face";
    case 4: return "haunch";
    case 5: return "support";
    case 6: return "opening";
    default: return {};
  }
}

std::vector<ReinZonePtr> SelectTableZones(const TankReinZones& zones, int parts) {
  if (parts == kTablePartTank) {
    std::vector<ReinZonePtr> out;
    for (const ReinZonePtr& zone : zones.GetZones())
      if (zone && zone->IsNumberFirst()) out.push_back(zone);
    return out;
  }
  if (parts == kTablePartWalls) {
    std::vector<ReinZonePtr> out = zones.GetZonesOfKind(256);
    const std::vector<ReinZonePtr> supports = zones.GetZonesOfKind(4096);
    out.insert(out.end(), supports.begin(), supports.end());
    return out;
  }
  if (parts & kTablePartTopSlab) return zones.GetZonesOfKind(1);
  if (parts & kTablePartBottomSlab) return zones.GetZonesOfKind(16);
  return {};
}

MarkTotals::MarkTotals(const TankReinZones& zones) {
  for (const ReinZonePtr& zone : zones.GetZones()) {
    if (!zone) continue;
    auto& [count, length] = m_totals[{zone->GetKind(), zone->GetNumber()}];
    for (const ReinPtr& rein : zone->GetReins()) {
      if (!rein) continue;
      ++count;
      length += rein->GetLength();
    }
  }
}

int MarkTotals::GetCount(int kind, int number) const {
  const auto it = m_totals.find({kind, number});
  return it == m_totals.end() ? 0 : it->second.first;
}

int MarkTotals::GetLength(int kind, int number) const {
  const auto it = m_totals.find({kind, number});
  return it == m_totals.end() ? 0 : static_cast<int>(it->second.second);
}

ScheduleRow MakeScheduleRow(const ReinZonePtr& zone, const MarkTotals& totals) {
  ScheduleRow row;
  row.zone = zone;
  row.mark = zone->GetNumber();
  row.kind = zone->GetKind();
  row.category = zone->GetCategory();
  row.grade = zone->GetGrade();
  row.diameter = zone->GetDiameter();
  row.spacing = zone->GetSpacing();
  if (const ReinPtr typical = zone->GetTypicalRein()) row.length = static_cast<int>(typical->GetLength());
  row.count = totals.GetCount(row.kind, row.mark);
  row.totalLength = totals.GetLength(row.kind, row.mark);
  return row;
}

std::string SpacingText(int spacing) { return spacing > 0 ? std::to_string(spacing) : std::string("-"); }

std::vector<std::pair<int, ScheduleRow>> ListScheduleRows(const Tank& tank, bool combined) {
  const TankReinZones zones = tank.GetReinZones();
  const MarkTotals totals(zones);
  std::vector<std::pair<int, ScheduleRow>> rows;
  for (int parts : TableParts(combined))
    for (const ReinZonePtr& zone : SelectTableZones(zones, parts)) rows.emplace_back(parts, MakeScheduleRow(zone, totals));
  return rows;
}

std::vector<SteelSum> SumSteel(const std::vector<ReinZonePtr>& zones, const MarkTotals& totals) {
  std::map<std::pair<int, int>, long long> sums;
  for (const ReinZonePtr& zone : zones) {
    if (!zone) continue;
    sums[{GetReinGradeIndexOf(zone->GetGrade()), zone->GetDiameter()}] +=
        totals.GetLength(zone->GetKind(), zone->GetNumber());
  }
  std::vector<SteelSum> out;
  out.reserve(sums.size());
  for (const auto& [key, length] : sums) out.push_back({key.first, key.second, length});
  return out;
}

double OpeningsArea(const Board& board) {
  double area = 0.0;
  for (const HolePtr& hole : board.GetHoles())
    if (hole) area += std::fabs(hole->GetArea());
  return area;
}

double BoardConcreteVolume(const Board& board) {
  std::vector<_2dPoint> outline;
  board.GetLocalOutline(outline);
  double area = std::fabs(g_VekGeometryComm.GetArea(outline));
  if (!board.GetHoles().empty()) area -= OpeningsArea(board);
  return board.GetThickness() * area * 1e-9;
}

double BoardsConcreteVolume(const std::vector<BoardPtr>& boards) {
  double volume = 0.0;
  for (const BoardPtr& board : boards)
    if (board) volume += BoardConcreteVolume(*board);
  return volume;
}
