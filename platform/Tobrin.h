// Analysis of a tank: actions, load cases, combinations, plate moments, the
// anti-floating and bearing checks and the load texts of the calculation
// book.  Sources in platform/tobrin/ (solvers: common.h, strip.h, plate.h;
// the hand-over between an analysis method and the envelope: moments.h).
//
// AnalyseTank(tank, settings) analyses a prepared tank (grades, outer-face
// marks, edge restraints and haunches set) and writes into every board and
// board edge, per face and direction, the basic, standard and
// quasi-permanent combination moments (kN·m per metre) and the governing
// load case:
//   - load cases: 0 "有水有土", 1 "无水有土", 2 "有水无土", 3 "无水无土";
//     the cells hold water to the design water depth of the settings (up to
//     the top when it is negative); in a tank of several cells the cases
//     with water are also taken with each cell full alone, and case 0 with
//     each cell empty and the others full (a wall between two cells then
//     carries water on one side only); these patterns count as their case;
//   - combinations after GB 50069-2002 with the factors of LoadSettings:
//     basic   γG1·self weight + γG·(soil, internal water, user dead loads)
//             + γQ1·groundwater + ψc·γQ·(ground live load, top-slab live
//             load, temperature difference, user live loads);
//     standard the same with every γ = 1 (ψc kept on the accompanying
//             variable actions);
//     quasi-permanent  permanent + ψq·variable (ψq of the ground live load,
//             the top-slab live load and the groundwater from the settings;
//             1.0 for the temperature difference, the top-slab value for
//             user live loads);
//     the loads of a case are combined before solving (the analysis is
//     linear) and the extremes are taken from the combined field;
//   - live loads are variable and count only where they are unfavourable:
//     every case (and cell pattern) is also taken without the top-slab live
//     load, without the ground live load and without both, and these count
//     as their case in the envelope;
//   - envelope and sign rule: the upper-face value of a board (X and Y) or
//     edge is the largest moment over the four cases (with their cell
//     patterns) that puts the upper face (the positive side of the board
//     normal) in tension (≥ 0), the lower-face value the governing one that
//     puts the lower face in tension (≤ 0), 0 where no case does; the case
//     index of the basic combination governs, and the standard and
//     quasi-permanent values are those of that same case and pattern.  X runs along Board::GetReinAngle, Y across it.
// Method 0 (LoadSettings::GetAnalysisMethod): every board alone with its
// edge restraints: a one-way strip across the short span when the span ratio
// says one-way (Lx/Ly above the limit or below 0.5; the limit is 2.0, for
// walls 3.0 when the wall-top restraint setting is 2; a ratio exactly at the
// limit or at 0.5 is two-way), else a plate of Bogner–Fox–Schmit elements on
// the board's own outline (openings cut out); then the moments of boards
// meeting at a fixed joint are balanced by moment distribution and the span
// moments corrected.  Method 1: the whole tank as one shell model
// (platform/tobrin/shell.h).
//
// On failure (no board, a board without support, a singular model, a method
// that is not available) AnalyseTank returns false, GetLastAnalysisError
// gives the reason in Chinese, and the tank keeps no moment and no analysis
// record of an earlier analysis: AnalyseTank clears them before it starts.
// The check and load texts of the library are cleared too.  Nothing throws
// for a model that cannot be analysed.
//
// On success the tank's analysis record (TankAnalysisRecord, filed with the
// tank) holds the fingerprints of the analysis input and the four text
// collections; IsTankAnalysed compares the fingerprints with the tank and the
// settings as they are now.  The library keeps the texts of the last
// analysis for the calculation book (process-wide, never pointers into a
// tank); LoadAnalysisTexts puts the texts filed with a tank back after a
// design was read.
//
// Texts (UTF-8): the four collections TankLoadModel::Build makes (its
// builder is installed by this layer) are: list 1 the anti-floating check
// lines, list 2 the bearing check lines, table 1 one row per bottom slab
// (the board number as text, then its load lines), table 2 the same for the
// top slabs.  SetTextList1/2 and SetTextTable1/2 store them; the Get*Text
// functions hand them to the calculation book.  No line carries its own
// numbering or line break.
#pragma once

#include "platform/HostServices.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"

#include <string>
#include <vector>

// Load-case names, index 0..3 (any other index names case 0).
const char* TobrinLoadCaseName(int index);

// `progress` (when set) hears the long steps of the whole-tank method:
// meshing, ordering and factorising the stiffness, solving the load cases
// and recovering their moments, each as percent of the analysis and a text.
bool AnalyseTank(Tank& tank, ProjectSettings& settings, TextProgressFn progress = nullptr);
// Why the last AnalyseTank failed; empty after a successful one.
const std::string& GetLastAnalysisError();

// The whole-tank shell mesh of the last AnalyseTank (method 1): the mesh
// sized from the boards asks for `minAcross` elements across every board's
// shorter span, and the element cap (`maxElements`) coarsens it on large
// tanks.  `coarsened` tells that some board got fewer: `boards` of them,
// the fewest `fewestAcross` on board `board` (index into Tank::GetBoards),
// with `elementSize` the largest element side of the mesh, mm.  Empty
// (coarsened false) after method 0 or a failure.
struct ShellMeshReport {
  bool coarsened = false;
  int elements = 0;
  long long maxElements = 0;
  int minAcross = 0;
  int boards = 0;
  int fewestAcross = 0;
  int board = -1;
  double elementSize = 0.0;
};
const ShellMeshReport& GetLastShellMeshReport();

void SetTextList1(const std::vector<std::string>& lines);
void SetTextList2(const std::vector<std::string>& lines);
void SetTextTable1(const std::vector<std::vector<std::string>>& table);
void SetTextTable2(const std::vector<std::vector<std::string>>& table);

struct SlabLoadText {
  int boardNumber = 0;
  std::vector<std::string> lines;
  bool operator==(const SlabLoadText&) const = default;
};

std::vector<std::string> GetAntiFloatCheckText();
std::vector<std::string> GetBearingCheckText();
std::vector<SlabLoadText> GetBottomSlabLoadText();
std::vector<SlabLoadText> GetTopSlabLoadText();

// Whether the tank passes the anti-floating and the bearing check, as the
// check texts state it (a tank without uplift passes the anti-floating
// check).  False when the tank's actions cannot be computed.
struct TankCheckResult {
  bool antiFloatOk = true;
  bool bearingOk = true;
  bool Passed() const { return antiFloatOk && bearingOk; }
};
bool CheckTank(Tank& tank, const ProjectSettings& settings, TankCheckResult& out);

// The cells take the design water depth of the settings, the depth the
// analysis loads them with (for a drawing made before the analysis).
void ApplyTankWaterDepth(Tank& tank, const ProjectSettings& settings);

// The tank was analysed successfully and neither its analysis input nor the
// settings the analysis read have changed since.
bool IsTankAnalysed(const Tank& tank, const ProjectSettings& settings);
// Puts the texts filed with an analysed tank into the library's store (after
// reading a design); false and an empty store when the tank has no analysis
// record.
bool LoadAnalysisTexts(const Tank& tank);
// Empties the library's store of texts.
void ClearAnalysisTexts();
