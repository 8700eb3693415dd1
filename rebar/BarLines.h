// Bar lines of a zone: parallel bar lines spread across a zone outline at a
// spacing and cut to the outline; the points where a line of a board crosses
// a set of curves, on the bar plane of one face; a board outline with one
// edge pushed out, on the bar planes of both faces.  Lengths in mm.
#pragma once

#include "platform/Quenby.h"

#include <boost/shared_ptr.hpp>

#include <vector>

// Lays bar lines parallel to `direction` across the outline (board-local
// points, closed implicitly) at `spacing` and appends the pieces inside the
// outline to `lines`, line by line across the outline.  The first line lies
// half the leftover width in from the outline's first side (the leftover is
// the width less the whole spacings that fit, one whole spacing when it comes
// out even, so a zone of exactly k spacings gets k − 1 lines); with `single`
// only one line, one spacing in.  The crossings of each line with the outline
// are ordered by y when *sortByY, else by x, and paired off; a line with an
// odd number of crossings (through a corner) gives no piece.  A spacing of 0
// or less gives no line.
void LayoutBarLines(const std::vector<_2dPoint>& outline, int spacing, const _2dVector& direction,
                    std::vector<_2dLine>& lines, const bool* sortByY, bool single);
