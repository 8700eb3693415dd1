#include "app/TableCsv.h"

#include "app/OutputSet.h"
#include "views/TableViews.h"

#include <fmt/format.h>

#include <cerrno>
#include <fstream>
#include <ostream>
#include <stdexcept>

namespace tank::app {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void WriteRebarScheduleCsv(const Tank& tank, const ProjectSettings& settings, std::ostream& csv) {
  csv << "table,mark,kind,grade,diameter_mm,spacing_mm,length_mm,count,total_length_mm,weight_kg\n";
  for (const auto& [parts, row] : ListScheduleRows(tank, settings.GetViewSettings().combineTables != 0))
    csv << fmt::format("{},{},{},{},{},{},{},{},{},{:.2f}\n", CsvField(TablePartName(parts)), row.mark,
                       ZoneCategoryName(row.category), CsvField(row.grade), row.diameter, SpacingText(row.spacing),
                       row.length, row.count, row.totalLength,
                       SteelWeightKg(static_cast<double>(row.totalLength), row.diameter));
}

void WriteMaterialsCsv(Tank& tank, ProjectSettings& settings, std::ostream& csv) {
  std::vector<MaterialSteelRow> steel;
  std::vector<MaterialConcreteRow> concrete;
  ListMaterialRows(tank, settings, steel, concrete);
  csv << "part,material,grade,diameter_mm,length_m,weight_kg,volume_m3\n";
  for (const MaterialSteelRow& r : steel)
    csv << fmt::format("{},steel,{},{},{:.3f},{:.2f},\n", CsvField(r.part), CsvField(r.grade), r.diameter,
                       static_cast<double>(r.lengthMm) / 1000.0, r.weightKg);
  for (const MaterialConcreteRow& r : concrete)
    csv << fmt::format("{},concrete,{},,,,{:.3f}\n", CsvField(r.part), CsvField(r.grade), r.volume);
}

namespace {

template <class Write>
void WriteFile(const std::string& path, Write write) {
  std::ofstream csv(path, std::ios::binary | std::ios::trunc);
  if (!csv) throw std::runtime_error(path + ": cannot write: " + FileErrorReason(errno));
  write(csv);
  if (!csv.flush()) throw std::runtime_error(path + ": cannot write: " + FileErrorReason(errno));
}

}  // namespace

void WriteRebarScheduleCsv(const Tank& tank, const ProjectSettings& settings, const std::string& path) {
  WriteFile(path, [&](std::ostream& csv) { WriteRebarScheduleCsv(tank, settings, csv); });
}

void WriteMaterialsCsv(Tank& tank, ProjectSettings& settings, const std::string& path) {
  WriteFile(path, [&](std::ostream& csv) { WriteMaterialsCsv(tank, settings, csv); });
}

}  // namespace tank::app
