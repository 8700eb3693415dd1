// The pictures the host hands to the calculation book: the plan of the
// bottom and top slabs with their names and openings, the same plans with
// their loads, and member pictures (a board in its own plane with its
// openings, spans and edge restraints) for the members the book shows a
// picture of: walls outside finite-element mode, slabs of more than four
// edges.  Each picture is drawn through the view board's preview renderer
// into PNG bytes.
#pragma once

#include "calcbook/CalcBookWriter.h"
#include "designer/TankDesigner.h"

#include <deque>
#include <vector>

namespace tank::app {

struct BookPictures {
  // Owned pictures; the handles point into them (a deque keeps them in place).
  std::deque<DocumentPicture> store;
  // The plan pictures in the book's order: bottom plan, top plan (when the
  // tank has top slabs), then, with load diagrams, the bottom and top load
  // pictures; without top slabs: bottom plan, bottom load picture.
  std::vector<PictureHandle> plans;
  std::vector<MemberPicture> bottom, top, walls;

  const std::vector<PictureHandle>& Handles() const { return plans; }
};

BookPictures MakeBookPictures(TankDesigner& designer, bool withLoadDiagrams);

// A member picture of one board as PNG bytes.
std::vector<std::uint8_t> DrawMemberPicture(const Board& board);

}  // namespace tank::app
