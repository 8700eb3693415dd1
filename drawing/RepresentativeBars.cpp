#include "drawing/RepresentativeBars.h"

#include "rebar/JointZones.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/ZoneBars.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

bool HasZoneItems(const BoardPtr& board) { return board && !board->GetItems().empty(); }

// One record per straight segment of a bar laid anew: the zone's own value.
std::vector<int> RecordsOfNewBar(const ReinPtr& bar, const ReinZonePtr& zone) {
  return std::vector<int>(ExplodePolyline(bar->GetPolyline()).size(), GetSegmentRecord(zone));
}

// Wall bars interrupted by an opening are stored as pieces, one after the
// other, at one place across the zone.  The ratio runs over the places; a
// place of pieces has no bar between it and its neighbour, so the pieces of
// the nearer place are the bars there, each as laid (a bar made up from two
// pieces would lie nowhere: a leg of one piece at the end of the other).
// False, with nothing found, when the ratio falls between two whole bars or
// the zone has no pieces: the bar is then interpolated between them, q being
// turned into the ratio by bar index that finds them.
bool GetPiecesAtPosRatio(const ReinZonePtr& zone, double& q, std::vector<ReinPtr>& bars,
                         std::vector<std::vector<int>>& records) {
  const std::vector<ReinPtr>& reins = zone->GetReins();
  _3dVector o;
  if (reins.empty() || !zone->GetReinDispOrientation(o) || o.GetLength() <= g_DefaultTolerance) return false;
  const _3dVector across = o.GetUnitVector();
  const auto placeOf = [&](const ReinPtr& bar) {
    const _2dPolyline& line = bar->GetPolyline();
    if (line.VerNums() == 0) return 0.0;
    const _3dPoint v = line.GetVertexAt(0);
    return v.x * across.x + v.y * across.y + v.z * across.z;
  };
  std::vector<std::size_t> placeStarts;
  for (std::size_t i = 0; i < reins.size(); ++i)
    if (i == 0 || std::fabs(placeOf(reins[i]) - placeOf(reins[i - 1])) > 1.0) placeStarts.push_back(i);
  if (placeStarts.size() == reins.size()) return false;
  const auto piecesOf = [&](int place) {
    const std::size_t p = static_cast<std::size_t>(place);
    return std::pair(placeStarts[p], p + 1 < placeStarts.size() ? placeStarts[p + 1] : reins.size());
  };
  const auto single = [&](int place) {
    const auto [from, to] = piecesOf(place);
    return to - from == 1;
  };
  const int places = static_cast<int>(placeStarts.size());
  const int g = static_cast<int>(std::floor((places - 1) * q));
  const double f = (places - 1) * q - g;
  if (g < 0 || g >= places) return false;
  if (single(g) && (g == places - 1 || single(g + 1))) {
    if (reins.size() > 1) q = (static_cast<double>(placeStarts[static_cast<std::size_t>(g)]) + f) / (reins.size() - 1.0);
    return false;
  }
  const int place = g < places - 1 && f > 0.5 ? g + 1 : g;
  const auto [from, to] = piecesOf(place);
  for (std::size_t i = from; i < to; ++i) {
    bars.push_back(boost::make_shared<Rein>(*reins[i]));
    records.push_back(zone->GetReinSegmentRecords(static_cast<int>(i)));
  }
  return true;
}

}  // namespace

void GetReinAtPosRatio(int mode, Tank* tank, const ReinZonePtr& zone, const std::vector<BoardPtr>& boards, double q,
                       std::vector<ReinPtr>& bars, std::vector<std::vector<int>>& records) {
  const std::vector<ReinPtr>& reins = zone->GetReins();
  // A zone with a distribution line but no bars has nothing to show.
  if (reins.empty()) return;
  if (std::none_of(boards.begin(), boards.end(), HasZoneItems)) {
    const int n = static_cast<int>(reins.size());
    const int g = static_cast<int>(std::floor((n - 1) * q));
    const double f = (n - 1) * q - g;
    if (g < 0) return;
    if (g < n - 1) {
      const ReinPtr& a = reins[static_cast<std::size_t>(g)];
      const ReinPtr& b = reins[static_cast<std::size_t>(g + 1)];
      const bool takeB = b->GetPolyline().VerNums() < a->GetPolyline().VerNums();
      auto copy = boost::make_shared<Rein>(takeB ? *b : *a);
      _2dPolyline line = copy->GetPolyline();
      for (int k = 0; k < line.VerNums(); ++k) {
        const _3dPoint& va = a->GetPolyline().GetVertexAt(k);
        const _3dPoint& vb = b->GetPolyline().GetVertexAt(k);
        line.SetVertexAt(k, _3dPoint(va.x + f * (vb.x - va.x), va.y + f * (vb.y - va.y), va.z + f * (vb.z - va.z)));
      }
      copy->SetPolyline(line);
      bars.push_back(copy);
      records.push_back(zone->GetReinSegmentRecords(takeB ? g + 1 : g));
    } else {
      bars.push_back(boost::make_shared<Rein>(*reins[static_cast<std::size_t>(g)]));
      records.push_back(zone->GetReinSegmentRecords(g));
    }
    return;
  }

  // Laid again by the rebar engine at the position across the zone.
  bars.clear();
  records.clear();
  _3dVector o;
  if (!zone->GetReinDispOrientation(o)) throw std::logic_error("");
  const _2dPolyline& firstBar = reins.front()->GetPolyline();
  const _2dPolyline& lastBar = reins.back()->GetPolyline();
  if (firstBar.VerNums() == 0 || lastBar.VerNums() == 0) throw std::logic_error("");
  const _3dPoint from = lastBar.GetVertexAt(0);
  _3dPoint at;
  if (!g_VekGeometryComm.IntersectLinePlane(from, from + o, firstBar.GetVertexAt(0), o, at)) {
    throw std::logic_error("");
  }
  const double spread = g_VekGeometryComm.Distance3d(from, at);
  if (!std::isfinite(spread)) throw std::logic_error("");
  if (!tank) throw std::logic_error("");
  const ReinTrendAdapter adapter(*tank);
  ProjectSettings settings;
  std::vector<ReinPtr> laid;
  switch (zone->GetCategory()) {
    case 2: {
      const int p = static_cast<int>((1.0 - q) * spread);
      for (const BoardPtr& board : boards) {
        const std::vector<ReinPtr> row = LayoutBarRowsWithHoles(mode != 0, settings, adapter, board, zone,
                                                                zone->GetFace() == 0, !zone->IsYDirection(),
                                                                zone->GetDiameter(), p, true);
        laid.insert(laid.end(), row.begin(), row.end());
      }
      break;
    }
    case 1:
    case 4: {
      const int p = static_cast<int>(spread * q);
      laid = DistributeBarsOnLine(zone, p, true);
      break;
    }
    default:
      break;
  }
  for (const ReinPtr& bar : laid) {
    bars.push_back(bar);
    records.push_back(RecordsOfNewBar(bar, zone));
  }
}

std::vector<ReinWithRecords> SelectRepresentativeSlabReins::operator()(const ReinZoneBoards& entry) const {
  std::vector<ReinWithRecords> result;
  const ReinZonePtr& zone = entry.first;
  if (!zone) return result;
  // The ratio runs across the zone from its first bar to its last.
  if (!(m_ratio >= 0.0 && m_ratio <= 1.0)) return result;
  double q = m_ratio;
  if (!m_ratioAsGiven) {
    _3dVector o;
    if (!zone->GetReinDispOrientation(o)) return result;
    const _3dPoint local =
        g_VekGeometryComm.WorldToLocal3d(m_volume.m_origin, m_volume.m_xAxis, m_volume.m_yAxis, _3dPoint(o.x, o.y, o.z));
    const double a = _2dVector(local.x, local.y).GetAngle();
    if (!(a >= 0.25 * g_Pi && a < 1.25 * g_Pi)) q = 1.0 - m_ratio;
  }
  std::vector<ReinPtr> bars;
  std::vector<std::vector<int>> records;
  // A drawn wall bar shows a bar as laid: the pieces at an opening are not
  // joined into one.
  if (!m_piecesAsLaid || std::any_of(entry.second.begin(), entry.second.end(), HasZoneItems) ||
      !GetPiecesAtPosRatio(zone, q, bars, records)) {
    GetReinAtPosRatio(1, m_tank, zone, entry.second, q, bars, records);
  }
  if (bars.size() != records.size()) return result;
  if (std::any_of(bars.begin(), bars.end(), [](const ReinPtr& b) { return !b; })) return result;
  for (std::size_t i = 0; i < bars.size(); ++i) result.emplace_back(bars[i], records[i]);
  return result;
}

bool SegmentInBoardConcrete::operator()(const BoardPtr& board) const {
  if (!board) return false;
  _3dPoint a, b;
  if (!g_VekGeometryComm.WorldToLocal3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                        segment.GetStartPoint(), a) ||
      !g_VekGeometryComm.WorldToLocal3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                        segment.GetEndPoint(), b)) {
    return false;
  }
  const double top = board->GetUpperOffset() + 1.0, bottom = -board->GetLowerOffset() - 1.0;
  return a.z <= top && a.z >= bottom && b.z <= top && b.z >= bottom;
}

// The segment runs over the board's outline for part of its length: a bar
// of a slab runs on past the slab's edge into the walls, the overhang or
// the next slab where it is anchored or lapped.
struct SegmentCrossesBoardOutline {
  explicit SegmentCrossesBoardOutline(const _3dLine& s) : segment(s) {}
  bool operator()(const BoardPtr& board) const {
    std::vector<_2dPoint> outline;
    for (const BoardEdge& e : board->GetEdges()) outline.push_back(e.GetLine().GetStartPoint());
    if (outline.size() < 3) return false;
    const _2dPoint a = g_VekGeometryComm.WorldToLocal2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                                        segment.GetStartPoint());
    const _2dPoint b = g_VekGeometryComm.WorldToLocal2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                                        segment.GetEndPoint());
    constexpr int kSamples = 64;
    for (int i = 1; i < kSamples; ++i) {
      const double t = static_cast<double>(i) / kSamples;
      if (g_VekGeometryComm.PointInPolygon2d(outline, _2dPoint(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t)) > 0)
        return true;
    }
    return false;
  }
  _3dLine segment;
};

bool SegmentOnZoneBoards::operator()(const _3dLine& segment) const {
  std::vector<BoardPtr> boards = m_boards;
  const auto end = std::partition(boards.begin(), boards.end(), SegmentInBoardConcrete(segment));
  return std::any_of(boards.begin(), end, LineWithinBoardTest(segment)) ||
         std::any_of(boards.begin(), end, SegmentCrossesBoardOutline(segment));
}
