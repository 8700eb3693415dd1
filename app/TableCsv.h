// The tables of the drawings as CSV files (UTF-8, one header line, fields
// quoted only when they hold a comma, a quote or a line break, as rebar.csv):
//   rebar-schedule.csv  table, mark, kind, grade, diameter_mm, spacing_mm,
//                       length_mm, count, total_length_mm, weight_kg
//                       (one row per schedule row; spacing "-" for bars laid
//                       by count; weight 0.0061261005 × d² kg per metre)
//   materials.csv       part, material, grade, diameter_mm, length_m,
//                       weight_kg, volume_m3: the material table's steel
//                       rows ("steel", per grade and diameter, volume empty),
//                       then its concrete rows ("concrete", the concrete
//                       grade and volume, the steel fields empty)
// Tables and parts are named "tank" (one table for the whole tank), "top
// slab", "bottom slab" and "walls", as the project's combine_tables setting
// draws them.
#pragma once

#include "platform/Quenby.h"
#include "platform/Zarvel.h"

#include <iosfwd>
#include <string>

namespace tank::app {

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

void WriteRebarScheduleCsv(const Tank& tank, const ProjectSettings& settings, std::ostream& csv);
void WriteMaterialsCsv(Tank& tank, ProjectSettings& settings, std::ostream& csv);
// The same into files; std::runtime_error naming the file when it cannot be
// written.
void WriteRebarScheduleCsv(const Tank& tank, const ProjectSettings& settings, const std::string& path);
void WriteMaterialsCsv(Tank& tank, ProjectSettings& settings, const std::string& path);

}  // namespace tank::app
