// What the rebar schedule and the material table list, apart from drawing
// it: the zones of a table, the bar count and length of every mark, the
// schedule rows, the steel per grade and diameter, the concrete of the
// boards and the steel weight.  The drawn tables and their CSV files both
// read these, so that a file says what the drawing shows.
#pragma once

#include "platform/Quenby.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// Part masks of the tables (the zone kind flags): the whole tank, the top
// slabs, the bottom slabs, the walls with the support bars.
constexpr int kTablePartTank = 0x1111;
constexpr int kTablePartTopSlab = 0x1;
constexpr int kTablePartBottomSlab = 0x10;
constexpr int kTablePartWalls = 0x1100;

// Steel weight per metre of bar: π/4 × d² × 7.80 t/m³, d in mm.
constexpr double kSteelKgPerMetrePerMm2 = 0.0061261005;
// The weight (kg) of `lengthMm` of bar of the diameter.
double SteelWeightKg(double lengthMm, int diameter);

// The part masks of the tables drawn: the whole tank when combined, else
// the top slabs, the bottom slabs and the walls, in this order.
std::vector<int> TableParts(bool combined);
// "水池钢筋表", "顶板钢筋表", "底板钢筋表", "池壁钢筋表"; empty for another mask.
std::string ScheduleTitle(int parts);
// "材料用量", "顶板材料用量", "底板材料用量", "池壁材料用量".
std::string MaterialTitle(int parts);
// "tank", "top slab", "bottom slab", "walls": the part as the CSV files name it.
std::string TablePartName(int parts);
// "edge", "face", "haunch", "support", "opening" by zone category; else "".
std::string ZoneCategoryName(int category);

// The zones a table lists, in model order: for the whole tank every zone
// that is the first of its mark; for the walls the first zones of kind 256
// then of kind 4096; otherwise the first zones of kind 1 (bit 0x1) or 16
// (bit 0x10); none for any other mask.
std::vector<ReinZonePtr> SelectTableZones(const TankReinZones& zones, int parts);

// Bars and their total length per (zone kind, mark), gathered in one pass
// over the zones (asking the zone collection per row would walk every zone
// for every row).
class MarkTotals {
 public:
  explicit MarkTotals(const TankReinZones& zones);
  int GetCount(int kind, int number) const;
  // Total length, mm, truncated.
  int GetLength(int kind, int number) const;

 private:
  std::map<std::pair<int, int>, std::pair<int, double>> m_totals;
};

// One schedule row: the mark's first zone and what the row prints.
struct ScheduleRow {
  ReinZonePtr zone;
  int mark = 0;
  int kind = 0;
  int category = 0;
  std::string grade;
  int diameter = 0;
  int spacing = 0;      // 0: laid by count
  int length = 0;       // the typical bar, mm, truncated
  int count = 0;        // bars of the mark
  int totalLength = 0;  // mm, truncated
};
ScheduleRow MakeScheduleRow(const ReinZonePtr& zone, const MarkTotals& totals);
// The spacing as a cell shows it: "-" for bars laid by count.
std::string SpacingText(int spacing);

// The rows of every table of the tank's schedule, each with the part mask
// of its table, in table order.
std::vector<std::pair<int, ScheduleRow>> ListScheduleRows(const Tank& tank, bool combined);

// Bar length of one grade (index 0..3) and diameter.
struct SteelSum {
  int grade = 0;
  int diameter = 0;
  long long lengthMm = 0;
};
// The steel of the zones (each the first of its mark): the mark's total
// length added to its zone's grade and diameter; ordered by grade, then
// diameter.
std::vector<SteelSum> SumSteel(const std::vector<ReinZonePtr>& zones, const MarkTotals& totals);

// The plan area (mm²) of a board's openings (notches included).
double OpeningsArea(const Board& board);
// Thickness × (plan area of the outline less the openings), m³.
double BoardConcreteVolume(const Board& board);
double BoardsConcreteVolume(const std::vector<BoardPtr>& boards);
