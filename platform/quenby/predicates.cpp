// Structural model: the board predicates, the face-side rule at a joint and
// the cutting of a board along a line.
#include "platform/quenby/internal.h"

// Boost.Geometry's clipping code trips GCC's may-be-uninitialised analysis in
// its own headers; the warning says nothing about this layer's code.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/geometry.hpp>

#include <cmath>
#include <stdexcept>

using namespace quenby;

// ---------------------------------------------------------------------------
// Face sides across a joint

bool AreFaceSidesAligned(const BoardPtr& a, int edgeIndex, const BoardPtr& b) {
  if (!a || !b || edgeIndex < 0 || edgeIndex >= static_cast<int>(a->GetEdges().size())) return false;
  const _3dLine line = a->GetEdgeLine(edgeIndex);
  _3dVector t = line.GetDirection();
  if (!t.Normalize(1e-9)) return false;
  const _3dVector da = a->GetInwardDirection(line);
  const _3dVector db = b->GetInwardDirection(line);
  if (da.IsZero() || db.IsZero()) return false;
  // Turn a about the line so that it continues b through the joint.
  const double angle = da.GetSignedAngleTo(-db, t);
  const _3dVector na = a->GetNormal();
  const double c = std::cos(angle), s = std::sin(angle);
  const _3dVector turned = na * c + t.CrossProduct(na) * s + t * (t.DotProduct(na) * (1.0 - c));
  return turned.DotProduct(b->GetNormal()) > 0.0;
}

// ---------------------------------------------------------------------------
// Line tests

bool LineOnBoardTest::operator()(const BoardPtr& board) const {
  if (!board) return false;
  const PlaneFrame frame = FrameOf(*board);
  return frame.valid && std::fabs(frame.Height(m_line.GetStartPoint())) <= kJoinTolerance &&
         std::fabs(frame.Height(m_line.GetEndPoint())) <= kJoinTolerance;
}

bool LineWithinBoardTest::operator()(const BoardPtr& board) const {
  if (!board) return false;
  const PlaneFrame frame = FrameOf(*board);
  if (!frame.valid) return false;
  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);
  const _2dPoint p = frame.ToLocal(m_line.GetStartPoint());
  const _2dPoint q = frame.ToLocal(m_line.GetEndPoint());
  _2dVector dir = q - p;
  const double length = dir.GetLength();
  if (!dir.Normalize(1e-9)) return IsInsideOrOn(outline, p, kJoinTolerance);
  for (const auto& iv : CoverIntervals(outline, p, dir, kJoinTolerance))
    if (iv.first <= kJoinTolerance && iv.second >= length - kJoinTolerance) return true;
  return false;
}

bool BoardSegmentTest::operator()(const BoardPtr& board) const {
  return LineOnBoardTest(m_segment)(board) && LineWithinBoardTest(m_segment)(board);
}

bool PointOnBoardTest::operator()(const BoardPtr& board) const {
  if (!board) return false;
  const PlaneFrame frame = FrameOf(*board);
  if (!frame.valid) return false;
  const double h = frame.Height(m_point);
  if (h > board->GetUpperOffset() + kJoinTolerance || h < -board->GetLowerOffset() - kJoinTolerance) return false;
  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);
  return IsInsideOrOn(outline, frame.ToLocal(m_point), kJoinTolerance);
}

// ---------------------------------------------------------------------------
// Cutting a board along a line

namespace {

namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
using BgPolygon = bg::model::polygon<BgPoint, false, true>;
using BgMultiPolygon = bg::model::multi_polygon<BgPolygon>;

BgPolygon ToPolygon(const std::vector<_2dPoint>& points) {
  BgPolygon poly;
  for (const _2dPoint& p : points) bg::append(poly.outer(), BgPoint(p.x, p.y));
  bg::correct(poly);
  return poly;
}

// A point standing for an opening or a load when the board is cut.
bool RepresentativePoint(const Board& board, const VekObject& object, _2dPoint& point) {
  if (auto* circle = dynamic_cast<const CircleHole*>(&object)) {
    point = circle->GetCenter();
    return true;
  }
  std::vector<_2dPoint> pts;
  if (auto* rect = dynamic_cast<const RectangleHole*>(&object)) pts = rect->GetCorners();
  if (auto* notch = dynamic_cast<const Notch*>(&object))
    for (const _3dPoint& p : notch->GetOutline()) pts.push_back(board.WorldToLocal(p));
  _3dPoint w;
  if (auto* pl = dynamic_cast<const PointLoad*>(&object)) {
    pl->GetValue(w);
    pts.push_back(board.WorldToLocal(w));
  }
  if (auto* ll = dynamic_cast<const LineLoad*>(&object)) {
    ll->GetStartValue(w);
    pts.push_back(board.WorldToLocal(w));
    ll->GetEndValue(w);
    pts.push_back(board.WorldToLocal(w));
  }
  if (auto* al = dynamic_cast<const AreaLoad*>(&object); al && al->GetDistribution() == 1)
    for (const _3dPoint& p : al->GetRegion().GetVertices()) pts.push_back(board.WorldToLocal(p));
  if (pts.empty()) return false;
  point = _2dPoint(0, 0);
  for (const _2dPoint& p : pts) {
    point.x += p.x / static_cast<double>(pts.size());
    point.y += p.y / static_cast<double>(pts.size());
  }
  return true;
}

}  // namespace

bool Structure::SplitBoard(const BoardPtr& board, const _3dLine& line, std::vector<BoardPtr>& pieces) const {
  pieces.clear();
  if (!board || board->GetEdges().size() < 3 || !LineOnBoardTest(line)(board)) return false;
  const PlaneFrame frame = FrameOf(*board);
  const _2dPoint p = frame.ToLocal(line.GetStartPoint());
  _2dVector dir = frame.ToLocal(line.GetEndPoint()) - p;
  if (!dir.Normalize(g_LengthTolerance)) return false;

  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);
  const BgPolygon poly = ToPolygon(outline);
  bg::model::box<BgPoint> box;
  bg::envelope(poly, box);
  const double reach = 10.0 * (bg::distance(box.min_corner(), box.max_corner()) + std::hypot(p.x, p.y) + 1.0);
  const _2dVector left(-dir.y, dir.x);

  std::vector<std::vector<_2dPoint>> loops;
  for (double side : {1.0, -1.0}) {
    const _2dVector off = left * (side * reach);
    const std::vector<_2dPoint> half = {p - dir * reach, p + dir * reach, p + dir * reach + off, p - dir * reach + off};
    BgMultiPolygon parts;
    bg::intersection(poly, ToPolygon(half), parts);
    for (const BgPolygon& part : parts) {
      if (bg::area(part) <= kMinJointLength) continue;
      std::vector<_2dPoint> loop;
      for (const BgPoint& q : part.outer()) loop.emplace_back(q.x(), q.y());
      if (loop.size() > 1 && loop.front() == loop.back()) loop.pop_back();
      if (loop.size() >= 3) loops.push_back(loop);
    }
  }
  if (loops.size() < 2) return false;

  const std::vector<BoardEdge>& oldEdges = board->GetEdges();
  for (const std::vector<_2dPoint>& loop : loops) {
    BoardPtr piece(new Board);
    piece->SetKind(board->GetKind());
    piece->SetOrigin(board->GetOrigin());
    piece->SetXAxis(board->GetXAxis());
    piece->SetYAxis(board->GetYAxis());
    piece->SetUpperOffset(board->GetUpperOffset());
    piece->SetLowerOffset(board->GetLowerOffset());
    piece->SetUpperFaceOuter(board->IsUpperFaceOuter());
    piece->SetLowerFaceOuter(board->IsLowerFaceOuter());
    piece->SetConcreteGrade(board->GetConcreteGrade());
    piece->SetWallStartCode(board->GetWallStartCode());
    piece->SetWallEndCode(board->GetWallEndCode());
    piece->SetReinAngle(board->GetReinAngle());
    piece->SetUpperXGrade(board->GetUpperXGrade());
    piece->SetUpperYGrade(board->GetUpperYGrade());
    piece->SetLowerXGrade(board->GetLowerXGrade());
    piece->SetLowerYGrade(board->GetLowerYGrade());
    std::vector<BoardEdge> edges;
    for (std::size_t i = 0; i < loop.size(); ++i) {
      BoardEdge edge;
      edge.SetLine(_2dLine(loop[i], loop[(i + 1) % loop.size()]));
      for (const BoardEdge& old : oldEdges) {
        if (DistanceToSegment(edge.GetStartPoint(), old.GetStartPoint(), old.GetEndPoint()) <= kJoinTolerance &&
            DistanceToSegment(edge.GetEndPoint(), old.GetStartPoint(), old.GetEndPoint()) <= kJoinTolerance) {
          double length = 0.0;
          const bool on = old.GetOverhang(length);
          edge.SetOverhang(on, length);
          edge.GetFaceValues(true).grade = old.GetFaceValues(true).grade;
          edge.GetFaceValues(false).grade = old.GetFaceValues(false).grade;
          break;
        }
      }
      edges.push_back(edge);
    }
    piece->SetEdges(edges);
    pieces.push_back(piece);
  }

  // Openings, loads and items go to the piece holding them; a load on the
  // whole board goes to every piece.
  auto owner = [&](const VekObject& object) -> const BoardPtr& {
    _2dPoint point;
    if (RepresentativePoint(*board, object, point)) {
      for (std::size_t i = 0; i < loops.size(); ++i)
        if (IsInsideOrOn(loops[i], point, kPointTolerance)) return pieces[i];
    }
    return pieces.front();
  };
  for (const HolePtr& hole : board->GetHoles())
    if (hole) owner(*hole)->AddHole(hole);
  for (const LoadPtr& load : board->GetLoads()) {
    if (!load) continue;
    const bool whole = dynamic_cast<const AreaLoad*>(load.get()) && load->GetDistribution() != 1;
    if (whole) {
      for (const BoardPtr& piece : pieces) piece->AddLoad(load);
    } else {
      owner(*load)->AddLoad(load);
    }
  }
  for (const auto& item : board->GetItems()) pieces.front()->AddObject(item);
  return true;
}
