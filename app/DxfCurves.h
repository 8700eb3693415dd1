// The curves of a plan drawing read from a DXF file: LINE, LWPOLYLINE,
// POLYLINE (2D, with bulges) and ARC, each with its layer, as the kernel's
// entities (_3dLine, _2dPolyline, _2dArc) that the wall recognition reads.
#pragma once

#include "platform/Morlak.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tank::app {

class DxfReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DxfCurves {
  EntityList curves;
  // Entities of other types in the file, by type name (not read).
  std::size_t skipped = 0;
};

// Reads the file; layer names written in GBK (code page ANSI_936) come back
// as UTF-8.  `layers` empty: every layer; otherwise only those layers (CAD
// layer-name comparison).  DxfReadError when the file cannot be read.
DxfCurves ReadDxfCurves(const std::string& path, const std::vector<std::string>& layers = {});
// The same for the text of a DXF file; `source` names it in the messages.
DxfCurves ReadDxfCurvesFromText(const std::string& text, const std::string& source,
                                const std::vector<std::string>& layers = {});

// The longest line (in bytes, a carriage return included) the DXF reader
// takes: the library reads each line into a buffer of this size and never
// returns on a longer one.
inline constexpr std::size_t kMaxDxfLineBytes = 1023;

// Why the text cannot be an ASCII DXF file the reader takes, or empty: a NUL
// byte, a line longer than kMaxDxfLineBytes, or a first group that is not a
// DXF group (a group code, then SECTION or a comment).  The reason names the
// line: "line 3 is longer than 1023 characters".
std::string DxfTextProblem(const std::string& text);

}  // namespace tank::app
