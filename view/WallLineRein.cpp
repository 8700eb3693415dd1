// Construction mode 2 of the line bars: the bars of a wall zone in the wall
// plan and the wall sections, each with its real shape in the drawing plane.
#include "view/LineReinConstruct.h"

#include "drawing/RepresentativeBars.h"
#include "drawing/SectionLineGeometry.h"
#include "rebar/SectionBoardFinder.h"
#include "view/ReinLabel.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// The unit vector square to a → b on the side of p.
_2dVector TowardPoint(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p) {
  _2dVector t = b - a;
  t.Rotate(g_VekGeometryComm.IsClockwise(a, b, p) ? -0.5 * g_Pi : 0.5 * g_Pi);
  return t.GetUnitVector(g_DefaultTolerance);
}

bool RunsAlong(const _2dLine& drawn, const _2dLine& mating) {
  return drawn.GetDirection().GetAngleTo(mating.GetDirection()) < 0.5 * g_Pi;
}

}  // namespace

EarPtr ConstuctLineRein::ZoneEar(const ReinZonePtr& zone) const {
  if (!m_pTank || !zone) return EarPtr();
  if (!m_zoneEarsFound) {
    // Every haunch of the tank's joints, inner and overhang, by the zones it
    // holds: the first haunch met holds a zone.
    m_zoneEarsFound = true;
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    m_pTank->GetJoints(firsts, seconds, joints);
    for (const BoardJointPtr& joint : joints) {
      EarPtr ears[2];
      GetJointEar(joint, ears[0]);
      GetJointOverhangEar(joint, ears[1]);
      for (const EarPtr& ear : ears)
        if (ear)
          for (const ReinZonePtr& z : ear->GetZones()) m_zoneEars.emplace(z.get(), ear);
    }
  }
  const auto found = m_zoneEars.find(zone.get());
  return found == m_zoneEars.end() ? EarPtr() : found->second;
}

const std::vector<BoardPtr>& ConstuctLineRein::TankBoards() const {
  if (!m_tankBoardsFound && m_pTank) {
    m_tankBoardsFound = true;
    for (const auto& component : m_pTank->GetComponents())
      if (const BoardPtr board = boost::dynamic_pointer_cast<Board>(component)) m_tankBoards.push_back(board);
  }
  return m_tankBoards;
}

boost::shared_ptr<const ObjectEntityMap> ConstuctLineRein::ViewEntities() const {
  if (!m_viewEntities) {
    auto copy = boost::make_shared<ObjectEntityMap>();
    m_view->GetObjectEntityMap(*copy);
    m_viewEntities = copy;
  }
  return m_viewEntities;
}

std::vector<LineReinPtr> ConstuctLineRein::BuildWallBars(const ReinZoneBoards& entry,
                                                         const ReinLabelOption& option) const {
  const ReinZonePtr& zone = entry.first;
  const VekGeometryComm& g = g_VekGeometryComm;
  ViewVolumn volume;
  m_view->GetViewVolumn(volume);
  const boost::shared_ptr<const ObjectEntityMap> entities = ViewEntities();
  const BarLineProjector project(entities, volume, m_drawFactor, m_offset);
  const FramePointFunctor toView(volume.m_origin, volume.m_xAxis, volume.m_yAxis);
  const LineScaleMoveFunctor toDrawing(m_drawFactor, m_offset, 0.0);
  const int category = zone->GetCategory();

  std::vector<LineReinPtr> result;
  for (const ReinWithRecords& rep :
       SelectRepresentativeSlabReins(volume, option.ratio, m_pTank, m_bFixedRatio, true)(entry)) {
    _2dPolyline line = rep.first->GetPolyline();
    const std::vector<_3dLine> segments = ExplodePolyline(line);
    if (segments.empty()) continue;

    // The board of each segment: the one whose concrete carries it over its
    // outline (bars lie a cover inside a face, off the reference plane the
    // board finder looks at), else the board the finder gives (an anchorage
    // running on into a neighbour).
    std::vector<BoardPtr> boards = m_pTank ? SectionBoardFinder(*m_pTank, category).FindBoards(segments, entry.second)
                                           : std::vector<BoardPtr>(segments.size());
    for (std::size_t i = 0; i < segments.size() && i < boards.size(); ++i) {
      const auto holder = std::find_if(entry.second.begin(), entry.second.end(), [&](const BoardPtr& b) {
        return SegmentOnZoneBoards({b})(segments[i]);
      });
      if (holder != entry.second.end()) boards[i] = *holder;
    }
    // The end segments that get the board of their neighbour segment: an
    // anchorage that may run on into another board.
    std::vector<bool> borrowed(boards.size(), false);
    if (category != 4) {
      const auto first = std::find_if(boards.begin(), boards.end(), IsNonEmptyPointer<Board>);
      if (first != boards.end()) {
        const auto last = std::find_if(boards.rbegin(), boards.rend(), IsNonEmptyPointer<Board>);
        std::fill(borrowed.begin(), borrowed.begin() + (first - boards.begin()), true);
        std::fill(borrowed.rbegin(), borrowed.rbegin() + (last - boards.rbegin()), true);
        std::fill(boards.begin(), first, *first);
        std::fill(boards.rbegin(), last, *last);
      }
    }

    std::vector<_2dLine> barSegments;
    {
      _2dPolyline plane = line;
      std::vector<_3dPoint> vertices = plane.GetVertices();
      for (_3dPoint& v : vertices) {
        v = toView.Map(v);
        v.z = 0.0;
      }
      plane.SetVertices(vertices);
      for (const _3dLine& s : ExplodePolyline(plane)) {
        _2dLine l = To2dLine(s);
        toDrawing(l);
        barSegments.push_back(l);
      }
    }

    // The face line each segment is drawn beside, oriented so that the bar
    // lies on its left: the drawn segment then lies in the concrete.
    std::vector<_2dLine> mating;
    // The haunch of the zone is looked for (among all joints) only for a
    // segment off its boards, once per bar.
    EarPtr ear;
    bool earSought = false;
    // A leg bent into a neighbouring board (a corner leg of a wall bar, also
    // one lying in the corner block where two walls meet) lies beside the
    // nearest face of a board whose concrete holds it.
    const auto besideNeighbour = [&](std::size_t i) {
      std::pair<bool, _2dLine> found{false, _2dLine()};
      if (!m_pTank || i >= barSegments.size()) return found;
      double nearest = 0.0;
      for (const BoardPtr& other : TankBoards()) {
        if (other == boards[i] || !g.IsPerpendicular(segments[i], other->GetNormal()) ||
            !SegmentInBoardConcrete(segments[i])(other)) {
          continue;
        }
        const std::pair<bool, _2dLine> beside = project(segments[i], other);
        const double distance = g.DistancePointToLine(barSegments[i].GetMidPoint(), beside.second);
        if (beside.first && (!found.first || distance < nearest)) {
          found = beside;
          nearest = distance;
        }
      }
      return found;
    };
    for (std::size_t i = 0; i < segments.size(); ++i) {
      // An end segment outside the concrete of the board it borrowed lies in
      // another board: beside that board's face first.  The borrowed board's
      // own lines parallel to it are not its faces (the edges of an opening
      // the section cuts through, say).
      const bool offBoard = i < borrowed.size() && borrowed[i] && !SegmentInBoardConcrete(segments[i])(boards[i]);
      std::pair<bool, _2dLine> found = offBoard ? besideNeighbour(i) : std::pair<bool, _2dLine>{false, _2dLine()};
      if (!found.first) found = project(segments[i], boards[i]);
      if (!found.first && !earSought) {
        ear = ZoneEar(zone);
        earSought = true;
      }
      // A segment of a haunch zone off its boards lies beside the haunch.
      if (!found.first && ear) {
        if (const EntityList* drawn = entities->Find(ear)) {
          for (const EntityPtr& e : *drawn)
            if (const auto l = boost::dynamic_pointer_cast<_2dLine>(e)) {
              found = {true, *l};
              break;
            }
        }
      }
      if (!found.first && !offBoard) found = besideNeighbour(i);
      _2dLine m = found.second;
      if (i < barSegments.size() && g.IsClockwise(m.GetStartPoint(), m.GetEndPoint(), barSegments[i].GetMidPoint()))
        m = m.Reversed();
      mating.push_back(m);
    }
    const std::size_t n = std::min(barSegments.size(), mating.size());
    std::vector<_2dLine> drawn(n);
    for (std::size_t i = 0; i < n; ++i) {
      LayeredSegment source;
      source.line = barSegments[i];
      source.layerFlag = i < rep.second.size() ? rep.second[i] : 1;
      OffsetLineBesideBar(drawn[i], source, mating[i]);
    }
    if (m_matingLinesOut) m_matingLinesOut->insert(m_matingLinesOut->end(), mating.begin(), mating.end());
    if (m_barSegmentsOut) m_barSegmentsOut->insert(m_barSegmentsOut->end(), barSegments.begin(), barSegments.end());
    if (m_drawnSegmentsOut) m_drawnSegmentsOut->insert(m_drawnSegmentsOut->end(), drawn.begin(), drawn.end());
    if (n == 0) {
      result.push_back(boost::make_shared<LineReinEntity>());
      continue;
    }

    std::vector<_3dPoint> vertices;
    const auto add = [&](const _2dPoint& p) { vertices.emplace_back(p.x, p.y, 0.0); };
    add(drawn.front().GetStartPoint());
    for (std::size_t i = 0; i + 1 < n; ++i) {
      _2dPoint x;
      add(g.IntersectLines(drawn[i], drawn[i + 1], x, g_DefaultTolerance) ? x : drawn[i].GetEndPoint());
    }
    add(drawn.back().GetEndPoint());
    if (static_cast<int>(vertices.size()) == line.VerNums()) line.SetVertices(vertices);
    else line = _2dPolyline(vertices, false);

    // Hooks turn into the concrete, away from the face line.
    const int startSide = RunsAlong(drawn.front(), mating.front()) ? 0 : 1;
    const int endSide = RunsAlong(drawn[n - 1], mating[n - 1]) ? 0 : 1;
    const int grade = GetReinGradeIndex(rep.first->GetGrade());
    const int hookType = grade == 0 ? 1 : (HasRibbedBarHooks() != 0 ? 3 : 0);
    if (!line.IsValid()) {
      result.push_back(boost::make_shared<LineReinEntity>());
      continue;
    }
    // A 180-degree hook turns across the board holding the bar's end: it is
    // drawn no wider than the room from the bar to that board's far face
    // (no limit where no board holds the end, or the face line found lies
    // farther off than the board is thick and ten drawing units).
    const double unlimited = std::numeric_limits<double>::infinity();
    const auto hookRoom = [&](std::size_t i) {
      if (i >= n || i >= segments.size() || i >= boards.size()) return unlimited;
      BoardPtr holder = boards[i] && SegmentInBoardConcrete(segments[i])(boards[i]) ? boards[i] : BoardPtr();
      if (!holder)
        for (const BoardPtr& b : TankBoards())
          if (SegmentInBoardConcrete(segments[i])(b)) {
            holder = b;
            break;
          }
      if (!holder) return unlimited;
      const double across = holder->GetThickness() * m_drawFactor;
      const double offFace = g.DistancePointToLine(drawn[i].GetMidPoint(), mating[i]);
      return offFace > across + 10.0 * GetDrawingUnit() ? unlimited : across - offFace;
    };
    // Only the 180-degree hooks of plain bars are fitted to the room.
    auto bar = boost::make_shared<LineReinEntity>(hookType, m_constructMode, startSide, endSide, line,
                                                  hookType == 1 ? hookRoom(0) : unlimited,
                                                  hookType == 1 ? hookRoom(n - 1) : unlimited);
    try {
      LabelWallBar(*bar, entry, option, rep.first, segments, drawn, std::vector<_2dLine>(mating.begin(), mating.begin() + n));
    } catch (...) {
      // The bar stays, with the label parts made before the failure.
    }
    result.push_back(bar);
  }
  return result;
}

void ConstuctLineRein::LabelWallBar(LineReinEntity& bar, const ReinZoneBoards& entry, const ReinLabelOption& option,
                                    const ReinPtr& rein, const std::vector<_3dLine>& segments,
                                    const std::vector<_2dLine>& drawn, const std::vector<_2dLine>& mating) const {
  const ReinZonePtr& zone = entry.first;
  const int category = zone->GetCategory();
  if (category != 1 && category != 2 && category != 4) return;
  const VekGeometryComm& g = g_VekGeometryComm;
  const double u = GetDrawingUnit();
  const double halfMark = option.withMark ? GetReinMarkSize() * 0.5 : 0.0;
  const std::string text =
      FormatReinText(2, GetReinGradeIndex(rein->GetGrade()), rein->GetDiameter(), zone->GetSpacing(), 0);
  const auto label = [&](const _2dPoint& a, const _2dVector& t, double d, const _2dVector& x) {
    bar.AddLeaderLabel(zone->GetNumber(), text, m_pBoard, a, t, d, x, option.withMark, option.withText, m_drawFactor);
  };
  const auto extraOf = [&](const _2dLine& m) {
    return std::any_of(m_extraOffsetLines.begin(), m_extraOffsetLines.end(), SameLinePredicate(m))
               ? m_extraLabelOffset * m_drawFactor
               : 0.0;
  };
  // The longest drawn segment, its ends in point order.
  const auto longest = [&](std::size_t& j, _2dPoint& s, _2dPoint& e) {
    j = static_cast<std::size_t>(std::max_element(drawn.begin(), drawn.end(), LineLengthLess()) - drawn.begin());
    if (g.Equal(drawn[j].GetLength(), 0.0, 1e-4)) throw std::logic_error("line length == 0");
    if (j >= mating.size()) throw std::logic_error("segmentIndexToBeNote >= matingsectionLines.size()");
    s = drawn[j].GetStartPoint();
    e = drawn[j].GetEndPoint();
    if (!PointLess(1e-4)(s, e)) std::swap(s, e);
  };
  const auto faceLabel = [&]() {
    std::size_t j = 0;
    _2dPoint s, e;
    longest(j, s, e);
    const _2dPoint mm = mating[j].GetMidPoint();
    const _2dPoint a = g.GetPerpendicularFootByDirection(mm, s, e - s) + (s - e).GetUnitVector(g_DefaultTolerance) * (3.0 * u);
    const double d = (halfMark + 1.0) * u + g.DistancePointToLine(a, mating[j]) + extraOf(mating[j]);
    label(a, TowardPoint(s, e, mm), d, s - e);
  };

  if (category == 2 || (category == 4 && drawn.size() != 2 && drawn.size() != 3)) {
    faceLabel();
    return;
  }
  if (category == 4) {
    const std::size_t k = drawn.size() == 3 ? 1 : 0;
    const _2dLine& dk = drawn[k];
    const _2dPoint a =
        g.GetPerpendicularFootByDirection(mating[k].GetMidPoint(), dk.GetStartPoint(), dk.GetDirection());
    const _2dLine& d0 = drawn[0];
    const _2dLine& dl = drawn.back();
    // Toward the inner side of the bend.
    _2dVector t = (d0.GetStartPoint() - d0.GetEndPoint()).GetUnitVector(g_DefaultTolerance) +
                  (dl.GetEndPoint() - dl.GetStartPoint()).GetUnitVector(g_DefaultTolerance);
    if (drawn.size() == 2) {
      _2dPoint bend = d0.GetEndPoint();
      g.IntersectLines(d0, dl, bend, g_DefaultTolerance);
      t = TowardPoint(d0.GetStartPoint(), d0.GetEndPoint(), bend + t);
    }
    const _2dVector x = t.x >= 0.0 ? _2dVector(1, 0) : _2dVector(-1, 0);
    double w = 0.0;
    if (option.withMark && option.withText) w = std::max(halfMark, GetReinTextHeightFactor());
    else if (option.withMark) w = halfMark;
    else if (option.withText) w = GetReinTextHeightFactor();
    w *= u;
    const double angle = t.GetAngleTo(x);
    const double extra =
        (g.Equal(angle, 0.0, 1e-4) || g.Equal(angle, g_Pi, 1e-4)) ? 0.0 : w / std::sin(angle);
    label(a, t, extra + g.DistancePointToLine(a, mating[k]), x);
    return;
  }

  // An edge zone: labelled at the end of the bar beside its longest part.
  std::size_t j = 0;
  _2dPoint s, e;
  longest(j, s, e);
  const std::vector<_2dLine> full = ExplodePolylineTo2d(*bar.GetReinLine());
  if (full.empty()) return;
  const _2dLine l = j != 0 ? full.back() : full.front();
  const _2dPoint a = l.GetMidPoint();
  if (m_endSegmentsOut) {
    const auto onBoards = [&](const _3dPoint& p) {
      return std::any_of(entry.second.begin(), entry.second.end(), PointOnBoardTest(p));
    };
    if (onBoards(segments.front().GetStartPoint())) m_endSegmentsOut->push_back(drawn.front().Reversed());
    if (onBoards(segments.back().GetEndPoint())) m_endSegmentsOut->push_back(drawn.back());
  }
  const double d = (halfMark + 1.0) * u + g.DistancePointToLine(a, mating[j]);
  _2dPoint xp = drawn[j].GetEndPoint();
  g.IntersectLines(drawn[j], l, xp, g_DefaultTolerance);
  const _2dVector x = drawn[j].GetStartPoint() == xp ? drawn[j].GetEndPoint() - xp : drawn[j].GetStartPoint() - xp;
  label(a, TowardPoint(s, e, mating[j].GetMidPoint()), d, x);
}
