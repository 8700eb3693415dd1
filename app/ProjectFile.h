// The project file a user writes: JSON with the project settings and the
// plan layout of a regular tank, optionally with openings, notches and
// loads per board.
//
//   {
//     "settings": { ... },            // as `tankdesign settings --defaults`
//                                     // prints it; missing keys: defaults
//     "tank": {
//       "origin_mm": [0, 0],          // corner of the wall grid
//       "length_x_mm": 12000,         // between the outer wall axes
//       "length_y_mm": 8000,
//       "cells_x": 2, "cells_y": 1,   // equal cells
//       "wall_thickness_mm": 300,     // optional: settings.geometry's
//       "openings": [
//         { "board": "wall 2", "shape": "rectangle",
//           "center_mm": [1500, 2000], "width_mm": 1000, "height_mm": 800 },
//         { "board": "top slab 1", "shape": "circle",
//           "center_mm": [3000, 4000], "radius_mm": 400 } ],
//       "notches": [
//         { "board": "wall 1", "code": 0,
//           "outline_mm": [[500, 3600], [1500, 3600], [1500, 4000], [500, 4000]] } ],
//       "loads": [
//         { "board": "top slab 1", "type": "area", "value_kpa": 5.0, "category": "live" },
//         { "board": "top slab 2", "type": "point", "value_kn": 30, "position_mm": [9000, 4000] },
//         { "board": "top slab 2", "type": "line", "value_kn_per_m": 12,
//           "start_mm": [7000, 1000], "end_mm": [7000, 7000] } ] } }
//
// Levels, slab thicknesses and whether the tank has a top slab come from
// the settings only (geometry section): the walls stand on the bottom
// slab's mid-plane and reach the top slab's mid-plane, or for an open tank
// the top elevation.
//
// Boards are named by kind and number: "wall N", "bottom slab N",
// "top slab N", N counting from 1 in the order the tank lists the boards
// of that kind (the order `tankdesign new` prints them in).  Positions on a
// wall are in the wall's plane: along the wall from its start, and up from
// its base; positions on a slab are plan coordinates (x, y).
#pragma once

#include "model/TankModeler.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace tank::app {

// A project file that cannot be used; the message names the file and the
// field ("tank.cells_x: must be a whole number of at least 1").
class ProjectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ProjectInput {
  ProjectSettings settings;
  TankLayoutParams layout;
  // The opening, notch and load entries as written; applied to a placed
  // tank by ApplyBoardItems.
  nlohmann::ordered_json openings = nlohmann::ordered_json::array();
  nlohmann::ordered_json notches = nlohmann::ordered_json::array();
  nlohmann::ordered_json loads = nlohmann::ordered_json::array();
  // False for a settings-only project (read with tankOptional): an empty tank.
  bool hasTank = true;
};

// Reads a project from JSON text; `source` names it in errors.
// With `tankOptional`, a project without "tank" is a settings-only project.
ProjectInput ReadProject(const std::string& text, const std::string& source, bool tankOptional = false);
ProjectInput ReadProjectFile(const std::string& path, bool tankOptional = false);

// The layout record from the plan layout and the settings' levels.
TankLayoutParams MakeLayout(const ProjectSettings& settings, double originX, double originY, double lengthX,
                            double lengthY, long long cellsX, long long cellsY, double wallThickness);

// Applies the openings, notches and loads to the placed tank.
// ProjectError names the entry's field when an entry cannot be applied.
void ApplyBoardItems(const ProjectInput& input, const std::string& source, const TankModeler& modeler,
                     Tank& tank);

// "wall 2" and so on; the board's name by kind and its place among the
// boards of its kind in the order of their numbers (the numbers the plan
// labels them with); empty when the board is not in the tank.
std::string BoardName(const Tank& tank, const BoardPtr& board);
BoardPtr FindBoard(const Tank& tank, const std::string& name);

// The built-in examples: names and project texts.
std::vector<std::string> ExampleNames();
// ProjectError for an unknown name.
const std::string& ExampleProject(const std::string& name);

}  // namespace tank::app
