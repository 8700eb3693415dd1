// The rebar label text ("%%13112@150": grade symbol, diameter, spacing) and
// the placing of a bar-mark bubble and a label text at a leader line.
//
// Every label text is middle-centre aligned: its position is the centre of
// the text.  The label text is parsed back by the rebar-edit commands, so its
// form is fixed: [count] "%%13" grade diameter [separator spacing], or
// "%%180" diameter for a grade index outside 0..3.
#pragma once

#include "platform/Morlak.h"

#include <boost/shared_ptr.hpp>

#include <string>

// Label text of a bar set.  flags & 1: the bar count first; flags & 2: the
// spacing after the separator ("-" when the board's spacing separator style
// is 1, "@" otherwise).
std::string FormatReinText(int flags, int gradeIndex, int diameter, int spacing, int count);

// Height factor of the rebar label texts (text kind 3), not yet × u.
double GetReinTextHeightFactor();

// Places the bubble half its diameter beyond the leader's end (centre on the
// leader's line) and the text beside the leader's middle, u + H/2 away from
// it: on the right of start → end when `side` is true, on the left when
// false.  Both read left to right (bottom to top for a vertical leader).  An
// output that is not asked for (withMark, withText false) is left as it was.
void DrawReinMark(const _2dLine& leader, bool side, int number, const std::string& text, bool withMark,
                  bool withText, boost::shared_ptr<Ordinal>& mark, boost::shared_ptr<_Text>& label);

// A label text of text kind 3, middle-centre aligned at `position`, height H,
// character width H × the kind's width factor, on the rebar label layer.
boost::shared_ptr<_Text> MakeReinLabelText(const std::string& text, const _2dPoint& position, double rotation);
