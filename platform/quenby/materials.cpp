// Structural model: material lookups by grade text and the version record.
#include "platform/quenby/internal.h"

#include <array>
#include <string_view>

VersionNum g_VersionNum;

namespace {

struct ConcreteRow {
  std::string_view grade;
  double fc;   // design compressive strength
  double ft;   // design tensile strength
  double ftk;  // characteristic tensile strength
};

// GB 50010-2002, Table 4.1.3 (ftk) and Table 4.1.4 (fc, ft), N/mm².
constexpr std::array<ConcreteRow, 14> kConcrete = {{
    {"C15", 7.2, 0.91, 1.27},
    {"C20", 9.6, 1.10, 1.54},
    {"C25", 11.9, 1.27, 1.78},
    {"C30", 14.3, 1.43, 2.01},
    {"C35", 16.7, 1.57, 2.20},
    {"C40", 19.1, 1.71, 2.39},
    {"C45", 21.1, 1.80, 2.51},
    {"C50", 23.1, 1.89, 2.64},
    {"C55", 25.3, 1.96, 2.74},
    {"C60", 27.5, 2.04, 2.85},
    {"C65", 29.7, 2.09, 2.93},
    {"C70", 31.8, 2.14, 2.99},
    {"C75", 33.8, 2.18, 3.05},
    {"C80", 35.9, 2.22, 3.11},
}};

struct SteelRow {
  std::string_view grade;
  double fy;  // design tensile strength
  double es;  // elastic modulus
};

// GB 50010-2002, Tables 4.2.3-1 and 4.2.4, N/mm².
constexpr std::array<SteelRow, 4> kSteel = {{
    {"HPB235", 210.0, 2.1e5},
    {"HRB335", 300.0, 2.0e5},
    {"HRB400", 360.0, 2.0e5},
    {"RRB400", 360.0, 2.0e5},
}};

const ConcreteRow* FindConcrete(const std::string& grade) {
  for (const ConcreteRow& row : kConcrete)
    if (row.grade == grade) return &row;
  return nullptr;
}

const SteelRow* FindSteel(const std::string& grade) {
  for (const SteelRow& row : kSteel)
    if (row.grade == grade) return &row;
  return nullptr;
}

}  // namespace

double GetConcreteDesignStrength(const std::string& grade) {
  const ConcreteRow* row = FindConcrete(grade);
  return row ? row->fc : 0.0;
}

double GetConcreteTensileStrength(const std::string& grade) {
  const ConcreteRow* row = FindConcrete(grade);
  return row ? row->ft : 0.0;
}

double GetConcreteStandardTensileStrength(const std::string& grade) {
  const ConcreteRow* row = FindConcrete(grade);
  return row ? row->ftk : 0.0;
}

double GetReinDesignStrength(const std::string& grade) {
  const SteelRow* row = FindSteel(grade);
  return row ? row->fy : 0.0;
}

double GetReinElasticModulus(const std::string& grade) {
  const SteelRow* row = FindSteel(grade);
  return row ? row->es : 0.0;
}

const std::string& GetReinGradeName(int index) {
  static const std::string kNames[4] = {"HPB235", "HRB335", "HRB400", "RRB400"};
  return kNames[(index >= 0 && index < 4) ? index : 0];
}

int GetReinGradeIndexOf(const std::string& grade) {
  for (int i = 0; i < 4; ++i)
    if (GetReinGradeName(i) == grade) return i;
  return 0;
}
