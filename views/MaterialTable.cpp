// The material quantity table: steel per grade and diameter, a weight total
// per grade, concrete per grade.
#include "views/TableViews.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

std::string Fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

// The running sum of the values, truncated to a whole number after each.
double TruncatedSum(const std::vector<double>& values) {
  double sum = 0.0;
  for (double v : values) sum = std::trunc(sum + v);
  return sum;
}

}  // namespace

void ReinAmountView::Prepare(ProjectSettings& settings, Tank& tank) {
  // A table prepared again (redrawn after a rebar edit) starts afresh: the
  // part grades would otherwise count their concrete twice.
  m_substituteDiameter = -1;
  m_upgradeGrade = 0;
  m_concreteGrades.clear();
  m_gradeParts.clear();
  int diameter = 0;
  if (ReadGradeSubstitution(settings, diameter)) SetSubstitutionDiameter(diameter);
  for (int part : {0x100, 0x1, 0x10}) AddConcreteGrade(GetConcreteGrade(settings, part));
  ComputeTopSlabConcrete(tank);
  ComputeBottomSlabConcrete(tank);
  ComputeWallConcrete(tank);
}

bool ReinAmountView::ReadGradeSubstitution(ProjectSettings& settings, int& diameter) {
  const ReinSettings& rein = settings.GetReinSettings();
  if (!rein.IsPlainBarUpgraded()) return false;
  diameter = rein.GetPlainBarDiameterLimit();
  m_upgradeGrade = rein.GetUpgradeGrade();
  return true;
}

std::string ReinAmountView::GetConcreteGrade(ProjectSettings& settings, int part) {
  const MaterialSettings& materials = settings.GetMaterialSettings();
  std::string grade = "C25";
  if (part & 0x100) {
    grade = m_wallGrade = materials.GetWallConcreteGrade();
  } else if (part & 0x10) {
    grade = m_bottomSlabGrade = materials.GetBottomConcreteGrade();
  } else if (part & 0x1) {
    grade = m_topSlabGrade = materials.GetTopConcreteGrade();
  }
  RecordPartGrade(grade, part);
  return grade;
}

void ReinAmountView::RecordPartGrade(const std::string& grade, int part) {
  for (GradeParts& record : m_gradeParts) {
    if (record.grade == grade) {
      record.parts += part;
      return;
    }
  }
  m_gradeParts.push_back({grade, part});
}

void ReinAmountView::AddConcreteGrade(const std::string& grade) {
  if (std::find(m_concreteGrades.begin(), m_concreteGrades.end(), grade) == m_concreteGrades.end())
    m_concreteGrades.push_back(grade);
}

void ReinAmountView::ComputeTopSlabConcrete(Tank& tank) { m_topSlabConcrete = BoardsConcreteVolume(tank.GetTopSlabs()); }
void ReinAmountView::ComputeBottomSlabConcrete(Tank& tank) {
  m_bottomSlabConcrete = BoardsConcreteVolume(tank.GetBottomSlabs());
}
void ReinAmountView::ComputeWallConcrete(Tank& tank) { m_wallConcrete = BoardsConcreteVolume(tank.GetWalls()); }

std::vector<ConcreteColumn> ReinAmountView::GetConcreteColumns(int parts) const {
  if (parts == kTablePartTopSlab) return {{m_topSlabGrade, m_topSlabConcrete}};
  if (parts == kTablePartBottomSlab) return {{m_bottomSlabGrade, m_bottomSlabConcrete}};
  if (parts == kTablePartWalls) return {{m_wallGrade, m_wallConcrete}};
  std::vector<ConcreteColumn> columns;
  for (const std::string& grade : m_concreteGrades) {
    double volume = 0.0;
    for (const GradeParts& record : m_gradeParts) {
      if (record.grade != grade) continue;
      if (record.parts & 0x100) volume += m_wallConcrete;
      if (record.parts & 0x1) volume += m_topSlabConcrete;
      if (record.parts & 0x10) volume += m_bottomSlabConcrete;
    }
    columns.push_back({grade, volume});
  }
  return columns;
}

void ReinAmountView::DrawTables(Tank& /*tank*/, TankReinZones& zones, bool atPoint, _3dPoint point) {
  const MarkTotals totals(zones);
  for (int parts : TableParts(m_viewSettings.combineTables != 0))
    DrawPart(zones, totals, parts, MaterialTitle(parts), atPoint, point);
}

void ReinAmountView::DrawPart(const TankReinZones& zones, const MarkTotals& totals, int parts,
                              const std::string& title, bool atPoint, _3dPoint& point) {
  const std::vector<SteelSum> sums = SumSteel(SelectTableZones(zones, parts), totals);
  EntityList entities;
  if (!sums.empty()) DrawAmountTable(sums, title, parts, entities);
  m_entities.insert(m_entities.end(), entities.begin(), entities.end());
  PlaceTable(entities, atPoint, point);
  const Extents box = GetEntitiesExtent(entities);
  point.x += 1.2 * (box.maxX - box.minX);
}

void ReinAmountView::DrawAmountTable(const std::vector<SteelSum>& sums, const std::string& title, int parts,
                                     EntityList& entities) {
  const double u = static_cast<double>(GetDrawingUnit());
  const int n = static_cast<int>(sums.size());
  std::set<int> gradeSet;
  for (const SteelSum& s : sums) gradeSet.insert(s.grade);
  const std::vector<int> grades(gradeSet.begin(), gradeSet.end());
  const int T = static_cast<int>(grades.size());
  const std::vector<ConcreteColumn> concrete = GetConcreteColumns(parts);
  const int g = static_cast<int>(concrete.size());

  CViewReinForm form;
  form.m_columns = {{30.0 * u, 2}, {45.0 * u, 6}, {45.0 * u, 4}};
  for (int k = 0; k < g; ++k) form.m_columns.push_back({u * static_cast<double>(90 / g), 4});
  for (int i = 0; i < n + 3; ++i) form.m_rowHeights.push_back(20.0 * u);
  for (int i = 0; i < T; ++i) form.m_rowHeights.push_back(15.0 * u);

  auto text = [&](const std::string& value, const _3dPoint& at, int textKind = 0) {
    entities.push_back(MakeCellText(value, at, 5.0 * u, textKind));
  };
  text(title, form.CellCenter(0, 2));
  text("钢筋", form.CellCenter(1, 1));
  if (g > 0) text("混凝土", form.CellCenter(1, 3 + g / 2));
  text("直径(mm)", form.CellCenter(2, 0));
  text("总长(m)", form.CellCenter(2, 1));
  text("总重(kg)", form.CellCenter(2, 2));
  for (int k = 0; k < g; ++k) {
    text(concrete[static_cast<std::size_t>(k)].grade + "(m3)", form.CellCenter(2, 3 + k));
    text(Fixed(concrete[static_cast<std::size_t>(k)].volume, 1), form.CellCenter(3, 3 + k));
  }

  // One row per grade and diameter; the grade symbol only when the table
  // holds more than one grade.
  std::vector<double> gradeTotals(grades.size(), 0.0);
  std::vector<int> gradeMinDiameter(grades.size(), 0);
  for (int t = 0; t < n; ++t) {
    const SteelSum& s = sums[static_cast<std::size_t>(t)];
    const double weight = SteelWeightKg(static_cast<double>(s.lengthMm), s.diameter);
    const auto k = static_cast<std::size_t>(std::find(grades.begin(), grades.end(), s.grade) - grades.begin());
    gradeTotals[k] += weight;
    if (gradeMinDiameter[k] == 0 || s.diameter < gradeMinDiameter[k]) gradeMinDiameter[k] = s.diameter;
    if (T > 1)
      text("%%13" + std::to_string(s.grade) + std::to_string(s.diameter), form.CellCenter(3 + t, 0), 3);
    else
      text(std::to_string(s.diameter), form.CellCenter(3 + t, 0));
    text(Fixed(static_cast<double>(s.lengthMm) / 1000.0, 0), form.CellCenter(3 + t, 1));
    text(Fixed(weight, 0), form.CellCenter(3 + t, 2));
  }
  // One totals line per grade, in grade order, in the totals rows; a line
  // after the first stands 5u above the centre of its row, as the second
  // line of a plain-bar substitution does.
  for (int k = 0; k < T; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    _3dPoint at = form.CellCenter(n + 3 + k, 1);
    if (k > 0) at.y += 5.0 * u;
    text("共计" + GetReinGradeName(grades[i]) + "级钢筋(≥%%13" + std::to_string(grades[i]) +
             std::to_string(gradeMinDiameter[i]) + "):" + Fixed(gradeTotals[i], 0) + "(kg)",
         at, 3);
  }

  // The grid: the title row over the whole width, "钢筋" over the three
  // rebar columns, each concrete column over all the diameter rows, the
  // totals rows over the whole width.
  double W = 0.0;
  for (const TableColumn& c : form.m_columns) W += c.width;
  const std::vector<double>& h = form.m_rowHeights;
  const double H = TruncatedSum(h);
  const double S = TruncatedSum(std::vector<double>(h.begin() + n + 3, h.end()));
  std::vector<double> concreteWidths;
  for (int k = 0; k < g; ++k) concreteWidths.push_back(form.m_columns[static_cast<std::size_t>(3 + k)].width);
  const double Wc = TruncatedSum(concreteWidths);
  auto xLeftOf = [&](int column) {
    double x = 0.0;
    for (int j = 0; j < column; ++j) x += form.m_columns[static_cast<std::size_t>(j)].width;
    return x;
  };
  double y = 0.0;
  entities.push_back(MakeGridLine(0.0, y, W, y));
  for (int i = 0; i < 3; ++i) {
    y -= h[static_cast<std::size_t>(i)];
    entities.push_back(MakeGridLine(0.0, y, W, y));
  }
  for (int t = 0; t < n; ++t) {
    y -= h[static_cast<std::size_t>(3 + t)];
    entities.push_back(MakeGridLine(0.0, y, t + 1 == n ? W : W - Wc, y));
  }
  entities.push_back(MakeGridLine(0.0, -H, W, -H));
  entities.push_back(MakeGridLine(0.0, 0.0, 0.0, -H));
  entities.push_back(MakeGridLine(xLeftOf(3), -h[0], xLeftOf(3), -(H - S)));
  std::vector<int> inner = {1, 2};
  for (int k = 1; k < g; ++k) inner.push_back(3 + k);
  for (int column : inner) entities.push_back(MakeGridLine(xLeftOf(column), -2.0 * h[0], xLeftOf(column), -(H - S)));
  entities.push_back(MakeGridLine(W, 0.0, W, -H));
}

void ReinAmountView::Clear() {
  if (m_pViewBoard)
    for (const EntityPtr& e : m_entities) m_pViewBoard->RemoveEntity(e);
  m_entities.clear();
}

void ListMaterialRows(Tank& tank, ProjectSettings& settings, std::vector<MaterialSteelRow>& steel,
                      std::vector<MaterialConcreteRow>& concrete) {
  const ViewSettings viewSettings = settings.GetViewSettings();
  ReinAmountView view(nullptr, viewSettings, ViewVolumn());
  view.Prepare(settings, tank);
  const TankReinZones zones = tank.GetReinZones();
  const MarkTotals totals(zones);
  for (int parts : TableParts(viewSettings.combineTables != 0)) {
    const std::vector<SteelSum> sums = SumSteel(SelectTableZones(zones, parts), totals);
    if (sums.empty()) continue;
    const std::string part = TablePartName(parts);
    for (const SteelSum& s : sums)
      steel.push_back({part, GetReinGradeName(s.grade), s.diameter, s.lengthMm,
                       SteelWeightKg(static_cast<double>(s.lengthMm), s.diameter)});
    for (const ConcreteColumn& c : view.GetConcreteColumns(parts)) concrete.push_back({part, c.grade, c.volume});
  }
}
