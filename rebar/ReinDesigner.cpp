// The rebar design engine: the section-design steps over the whole tank.
#include "rebar/ReinDesigner.h"

#include "rebar/BarSelection.h"
#include "rebar/SectionDesign.h"

#include <algorithm>
#include <typeinfo>

std::vector<BoardPtr> ReinDesigner::DesignBoards(const Tank& tank) {
  std::vector<BoardPtr> boards;
  for (const StructureComponentPtr& c : tank.GetComponents())
    if (c && typeid(*c) == typeid(Board)) boards.push_back(boost::static_pointer_cast<Board>(c));
  return boards;
}

namespace {

struct Areas {
  double tension = 0.0;
  double compression = 0.0;
  bool designable = true;
  std::string problem;
};

Areas Required(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, bool isSpan, bool isUpper,
               bool isX) {
  Areas a;
  a.designable = ComputeRequiredSteelArea(options, board, edgeIndex, isSpan, isUpper, isX, a.tension, a.compression,
                                          &a.problem);
  return a;
}

// Stores the area of one group: its own tension steel or the compression
// steel of the opposite face, whichever is larger.
void StoreArea(FaceValues& values, const Areas& own, const Areas& opposite) {
  if (!own.designable) {
    values.calcArea = 0.0;
    values.status = BarGroupStatus::kNotDesignable;
    values.statusNote = own.problem;
    return;
  }
  values.calcArea = std::max(own.tension, opposite.compression);
  values.status = BarGroupStatus::kNotDesigned;
  values.statusNote.clear();
}

}  // namespace

void ReinDesigner::ComputeRequiredAreas(Tank& tank, const ReinDesignOptions& options) const {
  for (const BoardPtr& board : DesignBoards(tank)) {
    const Areas upperX = Required(options, board, 0, true, true, true);
    const Areas lowerX = Required(options, board, 0, true, false, true);
    const Areas upperY = Required(options, board, 0, true, true, false);
    const Areas lowerY = Required(options, board, 0, true, false, false);
    StoreArea(board->GetFaceValues(true, true), upperX, lowerX);
    StoreArea(board->GetFaceValues(false, true), lowerX, upperX);
    StoreArea(board->GetFaceValues(true, false), upperY, lowerY);
    StoreArea(board->GetFaceValues(false, false), lowerY, upperY);
    auto& edges = board->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i) {
      const Areas upper = Required(options, board, static_cast<int>(i), false, true, true);
      const Areas lower = Required(options, board, static_cast<int>(i), false, false, true);
      StoreArea(edges[i].GetFaceValues(true), upper, lower);
      StoreArea(edges[i].GetFaceValues(false), lower, upper);
    }
  }
}

void ReinDesigner::SelectAllReins(Tank& tank, const ReinDesignOptions& options) const {
  for (const BoardPtr& board : DesignBoards(tank)) {
    SelectRein(options, board, true, true, true, 0, false);
    SelectRein(options, board, true, true, false, 0, false);
    SelectRein(options, board, true, false, true, 0, false);
    SelectRein(options, board, true, false, false, 0, false);
    const int edges = static_cast<int>(board->GetEdges().size());
    for (int i = 0; i < edges; ++i) {
      SelectRein(options, board, false, true, true, i, false);
      SelectRein(options, board, false, false, true, i, false);
    }
  }
}

void ReinDesigner::ComputeCrackWidths(Tank& tank, const ReinDesignOptions& options) const {
  // Support bars crack as well: each edge face's width comes from its own
  // selected bars.  Every width is checked against the limit, whether or not
  // the selection controlled it.
  for (const BoardPtr& board : DesignBoards(tank)) {
    for (bool upper : {true, false})
      for (bool x : {true, false}) UpdateCrackWidth(options, board, true, upper, x, 0);
    const int edges = static_cast<int>(board->GetEdges().size());
    for (int i = 0; i < edges; ++i)
      for (bool upper : {true, false}) UpdateCrackWidth(options, board, false, upper, true, i);
  }
}

std::vector<std::string> ReinDesigner::GetFailingGroups(const Tank& tank) {
  std::vector<std::string> notes;
  for (const BoardPtr& board : DesignBoards(tank)) {
    for (bool upper : {true, false})
      for (bool x : {true, false}) {
        const FaceValues& v = board->GetFaceValues(upper, x);
        if (BarGroupStatus::IsFailing(v.status)) notes.push_back(v.statusNote);
      }
    for (const BoardEdge& edge : board->GetEdges())
      for (bool upper : {true, false}) {
        const FaceValues& v = edge.GetFaceValues(upper);
        if (BarGroupStatus::IsFailing(v.status)) notes.push_back(v.statusNote);
      }
  }
  return notes;
}
