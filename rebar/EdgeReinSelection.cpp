// Edge bar selection of the design run and the re-laying of a zone's bars.
#include "rebar/BarSelection.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/ZoneBars.h"

void ReinDesigner::SelectEdgeReins(Tank& tank, const ReinDesignOptions& options,
                                   const ReinTrendAdapter& adapter) const {
  for (const BoardPtr& board : DesignBoards(tank)) {
    if (tank.IsBoardExcluded(board)) continue;
    int upperEdges = 0, lowerEdges = 0;
    const int edges = static_cast<int>(board->GetEdges().size());
    for (int e = 0; e < edges; ++e) {
      const BoardEdgeRef ref(board, e);
      if (!adapter.HasTrendRefs(ref)) continue;
      if (adapter.NeedsEdgeRein(ref, true)) {
        SelectRein(options, board, false, true, true, e, true);
        ++upperEdges;
      }
      if (adapter.NeedsEdgeRein(ref, false)) {
        SelectRein(options, board, false, false, true, e, true);
        ++lowerEdges;
      }
    }
    if (upperEdges > 0) {
      SelectRein(options, board, true, true, true, -1, true);
      SelectRein(options, board, true, true, false, -1, true);
    }
    if (lowerEdges > 0) {
      SelectRein(options, board, true, false, true, -1, true);
      SelectRein(options, board, true, false, false, -1, true);
    }
  }
}

std::vector<ReinPtr> ReinDesigner::DistributeBarsOnLine(const ReinZonePtr& zone, int position, bool single) const {
  return ::DistributeBarsOnLine(zone, position, single);
}
