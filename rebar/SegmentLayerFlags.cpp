#include "rebar/SegmentLayerFlags.h"

#include "rebar/DetailingRules.h"
#include "rebar/SectionBoardFinder.h"

ReinZonePtr FindCrossingFaceZone(const BoardPtr& board, const _3dLine& segment) {
  if (!board) return {};
  const _3dPoint local = g_VekGeometryComm.WorldToLocal3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                                          segment.GetMidPoint());
  const bool lower = g_VekGeometryComm.Lessthan(local.z, 0.0, 1e-4);
  const IsZoneAcrossLine along(segment);
  for (const ReinZonePtr& zone : lower ? board->GetLowerZones() : board->GetUpperZones())
    if (along(zone)) return zone;
  return {};
}

namespace {

// The segment runs in the board's concrete: both ends between its two faces
// (within 1 mm) and its midpoint over its outline (a leg may run on past
// the board's edge into the corner of the board it meets).  Bar segments
// lie on the bar layers, off the board's reference plane, where the plane
// test of the board finder does not see them.
bool InBoardConcrete(const BoardPtr& board, const _3dLine& segment) {
  if (!board) return false;
  _3dPoint a, b;
  if (!g_VekGeometryComm.WorldToLocal3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                        segment.GetStartPoint(), a) ||
      !g_VekGeometryComm.WorldToLocal3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                        segment.GetEndPoint(), b))
    return false;
  const double top = board->GetUpperOffset() + 1.0, bottom = -board->GetLowerOffset() - 1.0;
  if (a.z > top || a.z < bottom || b.z > top || b.z < bottom) return false;
  const _3dPoint mid = board->LocalToWorld(_2dPoint((a.x + b.x) / 2, (a.y + b.y) / 2));
  return LineWithinBoardTest(_3dLine(mid, mid))(board);
}

}  // namespace

std::vector<int> SegmentLayerMapper::operator()(const ReinPtr& bar) const {
  std::vector<int> flags;
  if (!bar) return flags;
  const std::vector<_3dLine> segments = ExplodePolyline(bar->GetPolyline());
  if (segments.empty()) return flags;
  const std::vector<BoardPtr> boards = SectionBoardFinder(m_tank, m_category).FindBoards(segments, m_candidates);
  flags.reserve(segments.size());
  for (std::size_t j = 0; j < segments.size(); ++j) {
    BoardPtr board = j < boards.size() ? boards[j] : BoardPtr();
    if (!board)
      for (const BoardPtr& candidate : m_candidates)
        if (InBoardConcrete(candidate, segments[j])) {
          board = candidate;
          break;
        }
    const ReinZonePtr face = board ? FindCrossingFaceZone(board, segments[j]) : ReinZonePtr();
    flags.push_back(face ? face->GetLayerFlag() : m_defaultFlag);
  }
  return flags;
}

void SegmentLayerFlagPass::operator()(const ReinZonePtr& zone, const std::vector<BoardPtr>& boards) const {
  if (!zone || zone->GetCategory() == 5) return;
  const int defaultFlag = zone->GetCategory() == 4 ? 1 : zone->GetLayerFlag();
  const SegmentLayerMapper mapper(m_tank, boards, defaultFlag, zone->GetCategory());
  std::vector<std::vector<int>> flags;
  flags.reserve(zone->GetReins().size());
  for (const ReinPtr& bar : zone->GetReins()) flags.push_back(mapper(bar));
  zone->SetSegmentLayerFlags(flags);
}
