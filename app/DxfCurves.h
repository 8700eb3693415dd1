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

}  // namespace tank::app
