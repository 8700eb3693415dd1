// The elevation mark of the plans: the level text over a rule with an
// inverted triangle hanging from its left end.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"

#include <string>

// The text centred at the anchor (thin-line layer, the given style, height
// and character width height × width factor), the rule u + height/2 below
// the anchor from 6u left of the text to its right end, and the triangle's
// two legs, 3u deep, on the text's layer: text, rule, left leg, right leg.
// An empty text gives nothing.
EntityList DrawPlanElevationMark(const _2dPoint& anchor, const std::string& text, double height, double widthFactor,
                                 int textStyle, AcadViewBoard* board);
inline EntityList DrawSlabElevationMark(const _2dPoint& anchor, const std::string& text, double height,
                                        double widthFactor, int textStyle, AcadViewBoard* board) {
  return DrawPlanElevationMark(anchor, text, height, widthFactor, textStyle, board);
}
