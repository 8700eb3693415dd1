// Building a new tank from a project and writing its files: shared by the
// host commands that start from a project file.
#pragma once

#include "app/OutputSet.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tank::app {

// Takes the project's settings, places the regular tank, applies the
// openings, notches and loads, prepares the model for the analysis (grades,
// outer wall faces, edge restraints, haunches) and draws the model plan and
// the 3D model.  ProjectError when the layout or an entry is refused.
void BuildNewTank(TankDesigner& designer, const ProjectInput& input, const std::string& source);

struct NewTankFiles {
  // Path and number of entities written (-1 for the design file).
  std::vector<std::pair<std::string, int>> written;
};

// Stages tank.tkd, plan.dxf, plan.svg and model3d.dxf, and for a tank with
// top slabs the top plan plan-top.dxf and plan-top.svg, in the output set
// (written under temporary names; they appear when the set is committed).
// `written` holds the final paths.
NewTankFiles WriteNewTankFiles(TankDesigner& designer, OutputSet& out);
// The tank a command works on: a project file (.json) is built as `new`
// builds it, any other file is opened as a saved design; either is analysed
// when it was changed after its last analysis (a line on `err` says so).
// Errors name the input.
void OpenAnalysedTank(TankDesigner& designer, const std::string& input, std::ostream& err);
// Its two steps: the tank read or built, then analysed when it was changed.
void OpenTank(TankDesigner& designer, const std::string& input);
void AnalyseIfChanged(TankDesigner& designer, const std::string& input, std::ostream& err);

// The top plan of a covered tank (its slabs, names, openings and loads),
// drawn by a model plan of its own that the design does not keep; null for
// a tank without top slabs.
std::unique_ptr<TankView> DrawTopPlan(TankDesigner& designer);

// Why the last analysis failed, in the words of the model: a failure
// inside the geometry library (an outline that crosses itself cannot be
// cut into elements) is told as such, without the library's internals.
std::string AnalysisFailure();

// One line per board, named as the command line names them ("wall 3"):
// size, thickness, base or level, edge restraints, openings, notches, loads.
void PrintBoards(const Tank& tank, std::ostream& out);

// The same files written into `dir` as one set (all appear, or none), each
// listed on `report` as "wrote PATH (N entities)".
void WriteNewTankFilesTo(TankDesigner& designer, const std::string& dir, std::ostream& report);

}  // namespace tank::app
