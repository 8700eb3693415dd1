// The drawing set of a designed tank, drawn and written as `tankdesign draw`
// writes it; `rebar-edit -o` writes the edited design through the same call.
#pragma once

#include "app/Commands.h"

#include <string>
#include <vector>

class TankDesigner;

namespace tank::app {

// What the command line asks of the drawings.  Every field's default is
// the plain drawing set: all slabs, automatic sections, point (0, 0).
struct DrawOptions {
  std::string design;   // the input, as messages name it
  std::string outDir;
  std::string results;  // --results LIST
  std::string boardLabels;
  double labelSize = 3.0;
  bool labelSizeGiven = false;
  std::vector<std::string> onlyAt;    // X,Y model plan mm
  std::string at;                     // X,Y insertion point; empty: (0, 0)
  std::vector<std::string> sections;  // wall:N[@T][:flip] or line:X1,Y1,X2,Y2[:flip]
  bool noSections = false;
};

// Draws the whole drawing set on the designed tank and writes it, with the
// design and its drawing views, into the folder through one OutputSet
// (every file appears, or none does); prints the summary on io.out and the
// progress, notices and undrawn parts on io.err.  Answers the exit status:
// 0, kExitNotAllDrawn or kExitDesignFailed.  Throws std::exception (with
// nothing written) for an option that cannot be read (CLI::ValidationError)
// or a section that cannot be made.
int DrawAndWriteSet(TankDesigner& designer, const DrawOptions& options, const std::string& dir, HostStreams& io);

}  // namespace tank::app
