// The result texts of a board for the plan labels: one text per direction
// (x first, y second) for each result-table column flag, and the names of
// the governing load cases.
#pragma once

#include "platform/Quenby.h"

#include <string>
#include <utility>

// Name of a governing load-case code: 0 "有水有土", 1 "无水有土",
// 2 "有水无土", 3 "无水无土"; any other code reads as "有水有土".
std::string GetLoadCaseName(int code);

// Fills the texts of one result flag (16 number, 32 thickness, 64 level,
// 128 moments, 256 load cases, 512 required areas, 1024 provided areas,
// 2048 crack widths) for the board.  A pair of face values is (upper, lower)
// when upperFirst, else (lower, upper).  A text the flag does not make is
// left as it was; the two crack-width pairs are written for flag 2048 only.
// Thickness and level are slab texts (kinds 1 and 2); the level is that of
// the face on the +z side of an up-facing slab, in m.  A combination of
// flags makes nothing.
void MakeBoardLabelText(double yPair[2], double xPair[2], Board& board, bool upperFirst, int flag,
                        std::string& first, std::string& second);

// Provided steel area of one bar layer per metre width (mm²/m): d² π 250 / s;
// a layer without bars (diameter or spacing not positive) gives 0.
double ProvidedBarArea(int diameter, int spacing);

// The text before the first "(" and the text from that "(" on; a text
// without "(" gives two empty parts.
std::pair<std::string, std::string> SplitAtParen(const std::string& text);
