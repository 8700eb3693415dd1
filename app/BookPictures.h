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

// The pictures the book's parts (CalcBookOptions) place, each drawn once:
// plans when the schematics or the load diagrams are written, member
// pictures when the member sections are, of `members` only when the list is
// not empty.
BookPictures MakeBookPictures(TankDesigner& designer, const CalcBookOptions& options,
                              const std::vector<StructureComponentPtr>& members = {});

// The plan of one slab kind (PlanKind) as the book shows it: with the slab
// and wall names, or with the loads, each load value with its unit (kN,
// kN/m, kPa; the water level in m).
EntityList PlanPictureEntities(TankDesigner& designer, int planKind, bool loads);

// The share of the text width a board's member picture is printed at: half,
// or the whole for a board so slender that its texts would not fit.
double MemberPictureShare(const Board& board);
// A member picture of one board (its outline, openings, the restraint of
// each edge, with more than four edges the edge numbers, and the spans),
// its texts 3 mm high once it is drawn kMemberPictureWidth pixels wide and
// printed at `share` of the text width; as entities and as PNG bytes.
constexpr int kMemberPictureWidth = 800;
EntityList MemberPictureEntities(const Board& board, double share);
std::vector<std::uint8_t> DrawMemberPicture(const Board& board, double share);

}  // namespace tank::app
