// Editing a design from a script: one editing command of the designer per
// line, with picks given as a CAD user picks (an entity of the model plan by
// its handle, an entity under a point, a board by name) and curves given as
// coordinates or read from a DXF file.
//
// Script lines ('#' starts a comment, a trailing '\' continues the line):
//
//   build-tank-from-curves dxf FILE [layers=A,B]   face lines of a plan drawing
//   build-tank-from-curves line X,Y X,Y | polyline [closed] X,Y[,BULGE] ... |
//                          arc CX,CY R START_DEG END_DEG   (repeatable)
//   add-walls HEIGHT THICKNESS X,Y X,Y [X,Y ...]   a run of walls (auto: settings)
//   add-wall X,Y X,Y [THICKNESS [HEIGHT]]
//   add-hole PICK circle U,V R | rect U,V WIDTH HEIGHT
//   add-notch PICK CODE U,V U,V U,V [U,V ...]
//   edit-board-holes PICK N [notch]                the board's Nth opening (or notch)
//   add-board-object PICK LOAD   /  add-board-objects PICK LOAD [LOAD ...]
//        LOAD: area KPA [dead|live] | point KN U,V | line KN_PER_M U,V U,V
//   remove-board-object PICK load N | opening N
//   show-model-2d  /  show-model-2d-alias
//   change-slab-levels LEVEL PICK [PICK ...]       upper faces to LEVEL (mm)
//   change-slab-level PICK LEVEL
//   rebuild-slabs bottom|top
//   edit-object-pair PICK PICK
//   split-board PICK U,V U,V
//   edit-component-units PICK
//   join-walls PICK PICK
//   add-slab-at X,Y bottom|top
//   edit-with-list PICK [PICK ...]
//   remove-boards PICK [PICK ...]
//   set-board-thickness UPPER LOWER PICK [PICK ...]
//   set-board-eccentricity VALUE PICK [PICK ...]
//   edit-boards-and-top-slabs LEVEL PICK [PICK ...]
//   undo | redo | new-tank
//
// Every command takes the options plan=bottom|top and labels=N (the plan
// the model view shows and its label mode; by default those of the model
// view as it stands).
//
// PICK: "wall 3", "bottom slab 1", "top slab 2" (quoted board names),
// h:1A2 (an entity of the model plan by its handle, as the plan DXF carries
// it) or @X,Y (the entity of the model plan under the point, as a CAD pick
// box finds it; inside a slab or wall outline, that board).  U,V: along a
// wall from its start and up from its base, or plan x and y on a slab.
#pragma once

#include "designer/TankDesigner.h"

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace tank::app {

// The script commands with their arguments, as `edit --commands` prints
// them.
const char* EditCommandList();

// A script line that cannot be read; the message names the line.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct EditLine {
  int number = 0;             // line number in the script (1-based)
  std::string text;           // the line as written (continuations joined)
  std::vector<std::string> words;
};

// Splits the script into command lines; ScriptError for an unclosed quote.
std::vector<EditLine> ParseEditScript(const std::string& text, const std::string& source);

struct EditOutcome {
  bool applied = false;   // the command changed the tank (or undo/redo moved)
  bool refused = false;   // refused: the script stops here unless it keeps going
  std::string message;    // one line: what changed, or why it was refused
};

// "1 wall", "3 walls": a count with the noun in the number it takes.
std::string Counted(std::size_t n, const char* one, const char* many);
// "4 walls, 1 bottom slab, 2 top slabs" (and " in 3 structural units").
std::string BoardCounts(const Tank& tank, bool units);

// Runs one command on the designer, recording undo history around it;
// `baseDir` resolves relative file names.  ScriptError for a line that
// cannot be read (unknown command, bad argument).
EditOutcome RunEditLine(TankDesigner& designer, const EditLine& line, const std::string& baseDir);

}  // namespace tank::app
