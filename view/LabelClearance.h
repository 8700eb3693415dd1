// Keeping the labels of a drawing clear of one another: the boxes a label's
// members take on the board, how far boxes overlap, and the pass that moves
// the wall plan's bar labels off those drawn before them.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "view/DotReinEntity.h"
#include "view/LineReinEntity.h"

#include <vector>

// The boxes of the given entities as the board draws them, one per entity
// present (null entries are skipped).
std::vector<Extents> EntityBoxes(const EntityList& entities, const AcadViewBoard& board);

// The boxes of a drawn bar's label (bubble and texts) as the board draws them.
std::vector<Extents> LabelBoxes(const LineReinEntity& bar, const AcadViewBoard& board);
// The boxes of a dot row's label (bubble and text).
std::vector<Extents> LabelBoxes(const DotReinEntity& row, const AcadViewBoard& board);

// The box of the text a dimension shows (its set text or its measured
// length), as the board draws it: a dimension text centred over the middle
// of the dimension line, on the side it reads from.
Extents DimensionTextBox(const _2dAlignedDimension& dim, const AcadViewBoard& board);

// The area the box shares with the others, summed.
double OverlapArea(const Extents& box, const std::vector<Extents>& others);

// Whether a box of the first list overlaps one of the second by more than
// a fifth of a millimetre on paper (boxes that merely touch do not count).
bool AnyOverlap(const std::vector<Extents>& boxes, const std::vector<Extents>& others);

// Each label of the bars, dot rows and support dots, in that order, that
// stands on a label before it moves out along its leader in steps of its
// bubble's diameter until it stands clear, and failing that back across its
// bar (a bounded number of steps each way; where none is clear, the step it
// overlaps least).  The leader is lengthened, so
// it still starts at its bar or dots, and bubble, text and label line move
// together; a label's place along its wall stays, so the two faces' labels
// stay level.  The boxes of `drawn` (texts already on the drawing, such as
// the range dimensions') stand before every label.
void KeepWallLabelsClear(const std::vector<std::vector<LineReinPtr>>& lineBars, const std::vector<DotReinPtr>& dotRows,
                         const std::vector<DotReinPtr>& supportDots, const AcadViewBoard& board,
                         const std::vector<Extents>& drawn = {});
