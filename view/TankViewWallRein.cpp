// The reinforcement of the wall drawings: building the drawn bars, dot rows
// and support dots of the walls, levelling the labels of a wall's two faces
// and the range dimensions of the dot rows.
#include "view/TankView.h"

#include "drawing/DimensionChain.h"
#include "drawing/WallBarPlacement.h"
#include "view/BoardReinZoneCollector.h"
#include "view/DotReinMaker.h"
#include "view/DrawingRoutines.h"
#include "view/LabelClearance.h"
#include "view/LineReinConstruct.h"
#include "view/ReinMarkLabelMaker.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace {

std::vector<ReinLabelOption> MakeOptions(const ViewSettings& settings, const std::vector<ReinZonePtr>& zones,
                                         const std::vector<double>& ratios) {
  std::vector<std::pair<bool, bool>> flags;
  ChooseLabelledLines(settings, zones, flags);
  std::vector<ReinLabelOption> options(zones.size());
  for (std::size_t i = 0; i < zones.size(); ++i) {
    if (i < flags.size()) {
      options[i].withMark = flags[i].first;
      options[i].withText = flags[i].second;
    }
    options[i].ratio = i < ratios.size() ? ratios[i] : 0.5;
  }
  return options;
}

template <class T>
bool ContainsByIdentity(const std::vector<boost::shared_ptr<T>>& sorted, const boost::shared_ptr<T>& item) {
  return std::binary_search(sorted.begin(), sorted.end(), item);
}

}  // namespace

void TankView::DrawWallRein(int zoneKinds, Tank* tank,
                            const std::vector<boost::shared_ptr<StructureComponent>>& components, bool section,
                            ViewVolumn* volume, const ViewSettings* settings,
                            std::vector<boost::shared_ptr<_2dLine>> lines, std::vector<_2dLine> extraOffsetLines,
                            double extraLabelOffset, std::vector<_2dLine> labelLines,
                            std::vector<ReinZonePtr>& lineZones, std::vector<ReinZonePtr>& dotZones,
                            std::vector<ReinZonePtr>& supportZones, std::vector<std::vector<LineReinPtr>>& lineBars,
                            std::vector<DotReinPtr>& dotRows, std::vector<DotReinPtr>& supportDots) {
  // The tank does not change while its bars are drawn: its joints and
  // neighbours are found once.
  std::unique_ptr<Structure::TopologyFreeze> frozen;
  if (tank) frozen = std::make_unique<Structure::TopologyFreeze>(*tank);
  std::vector<BoardPtr> boards;
  for (const auto& c : components)
    if (const BoardPtr b = boost::dynamic_pointer_cast<Board>(c)) boards.push_back(b);
  const ViewVolumn& frame = volume ? *volume : m_viewVolumn;
  const ViewSettings& viewSettings = settings ? *settings : m_viewSettings;

  ZoneBoardMap alongView, facing;
  std::for_each(boards.begin(), boards.end(),
                BoardReinZoneCollector(tank, zoneKinds, 1, frame, section, &alongView, &facing));
  if (!section) {
    alongView.erase_if([](const auto& entry) { return entry.first->GetCategory() == 4 && entry.second.size() < 2; });
  }
  alongView.erase_if([this](const auto& entry) { return !ZoneMayShow(entry.first); });
  facing.erase_if([this](const auto& entry) { return !ZoneMayShow(entry.first); });

  // Support zones: in the wall plan those at a junction of the drawn walls
  // (a grouped junction counts through the first joint of its group).
  std::vector<ReinZonePtr> supports = tank ? tank->GetSupportReins() : std::vector<ReinZonePtr>();
  if (!section && tank) {
    std::vector<BoardPtr> drawn = boards;
    std::sort(drawn.begin(), drawn.end());
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank->GetJoints(firsts, seconds, joints);
    std::vector<BoardJointPtr> between;
    for (std::size_t i = 0; i < joints.size() && i < firsts.size() && i < seconds.size(); ++i)
      if (ContainsByIdentity(drawn, firsts[i]) && ContainsByIdentity(drawn, seconds[i])) between.push_back(joints[i]);
    std::vector<BoardJointPtr> grouped, reference;
    const auto groups = tank->GetJointGroups();
    for (const auto& group : groups) grouped.insert(grouped.end(), group.begin(), group.end());
    std::sort(between.begin(), between.end());
    std::sort(grouped.begin(), grouped.end());
    std::set_difference(between.begin(), between.end(), grouped.begin(), grouped.end(),
                        std::back_inserter(reference));
    for (const auto& group : groups)
      if (!group.empty()) reference.push_back(group.front());
    std::sort(reference.begin(), reference.end());
    std::erase_if(supports, [&](const ReinZonePtr& zone) {
      const auto support = boost::dynamic_pointer_cast<SupportRein>(zone);
      if (!support) return true;
      std::vector<BoardJointPtr> own = support->GetJoints();
      return std::none_of(own.begin(), own.end(),
                          [&](const BoardJointPtr& j) { return ContainsByIdentity(reference, j); });
    });
  }
  std::erase_if(supports, [this](const ReinZonePtr& zone) { return !ZoneMayShow(zone); });
  supportZones.clear();
  supportZones = supports;

  std::vector<ReinZoneBoards> linePairs(alongView.begin(), alongView.end());
  std::vector<ReinZoneBoards> dotPairs(facing.begin(), facing.end());
  std::vector<ReinZoneBoards> supportPairs;
  for (const ReinZonePtr& z : supports) supportPairs.emplace_back(z, std::vector<BoardPtr>());
  std::vector<ReinZonePtr> lineGroup, dotGroup;
  for (const auto& p : linePairs) lineGroup.push_back(p.first);
  for (const auto& p : dotPairs) dotGroup.push_back(p.first);
  lineZones.insert(lineZones.end(), lineGroup.begin(), lineGroup.end());
  dotZones.insert(dotZones.end(), dotGroup.begin(), dotGroup.end());

  // Which bar stands for a line-bar zone: in the wall plan the top one (the
  // last across a zone spreading upward), in a section where the plane cuts.
  std::vector<double> lineRatios;
  const ReinZonePosRatio cutRatio(frame);
  for (const ReinZonePtr& zone : lineGroup) {
    lineRatios.push_back(section ? cutRatio(zone) : WallPlanBarRatio(zone));
  }
  std::vector<ReinLabelOption> lineOptions = MakeOptions(viewSettings, lineGroup, lineRatios);
  std::vector<ReinLabelOption> dotOptions =
      MakeOptions(viewSettings, dotGroup, std::vector<double>(dotGroup.size(), 0.5));
  std::vector<ReinLabelOption> supportOptions =
      MakeOptions(viewSettings, supports, std::vector<double>(supports.size(), 0.5));

  const double factor = GetDrawingFactor();
  std::vector<_2dLine> barSegments, matingLines, drawnSegments;
  const ConstuctLineRein lineMaker(this, true, 2, m_pViewBoard, lines, factor, m_placement, tank, &barSegments,
                                   &matingLines, &drawnSegments, &m_wallEndSegments, extraOffsetLines,
                                   extraLabelOffset);
  for (std::size_t i = 0; i < linePairs.size(); ++i) lineBars.push_back(lineMaker(linePairs[i], lineOptions[i]));

  const DotReinMaker dotMaker(this, section, lines, m_pViewBoard, factor, m_placement, tank, extraOffsetLines,
                              extraLabelOffset);
  for (std::size_t i = 0; i < dotPairs.size(); ++i) dotRows.push_back(dotMaker(dotPairs[i], dotOptions[i]));

  double thickness = 0.0;
  if (tank)
    for (const auto& c : tank->GetComponents())
      if (const auto b = boost::dynamic_pointer_cast<Board>(c))
        if (b->GetThickness() > thickness) thickness = b->GetThickness();

  const ReinMarkLabelMaker supportMaker(this, section, labelLines, extraOffsetLines, extraLabelOffset, m_pViewBoard,
                                        factor, m_placement, thickness, barSegments, matingLines, &drawnSegments);
  for (std::size_t i = 0; i < supportPairs.size(); ++i)
    supportDots.push_back(supportMaker(supportPairs[i], supportOptions[i]));
}

void TankView::AlignWallReinLabels(Tank* tank, std::vector<ReinZonePtr> lineZones, std::vector<ReinZonePtr> dotZones,
                                   std::vector<std::vector<LineReinPtr>> lineBars, std::vector<DotReinPtr> dotRows) {
  if (!tank) return;
  std::map<ReinZonePtr, std::vector<LineReinPtr>> bars;
  for (std::size_t i = 0; i < lineZones.size() && i < lineBars.size(); ++i) bars.emplace(lineZones[i], lineBars[i]);
  std::map<ReinZonePtr, DotReinPtr> rows;
  for (std::size_t i = 0; i < dotZones.size() && i < dotRows.size(); ++i) rows.emplace(dotZones[i], dotRows[i]);
  const VekGeometryComm& g = g_VekGeometryComm;

  for (const auto& component : tank->GetComponents()) {
    const BoardPtr board = boost::dynamic_pointer_cast<Board>(component);
    if (!board) continue;
    const std::vector<ReinZonePtr>& upper = board->GetUpperZones();
    const std::vector<ReinZonePtr>& lower = board->GetLowerZones();
    if (upper.size() != 2 || lower.size() != 2) return;
    const bool upperFirst = bars.count(upper[0]) != 0;
    const bool lowerFirst = bars.count(lower[0]) != 0;
    const ReinZonePtr ub = upperFirst ? upper[0] : upper[1], ud = upperFirst ? upper[1] : upper[0];
    const ReinZonePtr lb = lowerFirst ? lower[0] : lower[1], ld = lowerFirst ? lower[1] : lower[0];
    if (!bars.count(ub) || !bars.count(lb) || !rows.count(ud) || !rows.count(ld)) continue;
    if (bars[ub].size() != 1 || bars[lb].size() != 1) continue;
    const LineReinPtr a = bars[ub].front(), b = bars[lb].front();
    const DotReinPtr du = rows[ud], dl = rows[ld];
    if (!a || !b || !du || !dl) continue;
    try {
      const _2dVector dir = a->GetLeaderDirection();
      const _2dPoint pa = a->GetLeaderStart(), pb = b->GetLeaderStart();
      const _2dVector d = g.GetPerpendicularFootByDirection(pb, pa, dir) - pa;
      if (!g.Equal(d.GetLength(), 0.0, 1e-4)) {
        if (g.Equal(dir.GetAngle(), d.GetAngle(), 1e-4)) a->MoveLabels(d);
        else b->MoveLabels(-d);
      }
      const std::vector<_2dPoint> cu = du->GetDotCenters(), cl = dl->GetDotCenters();
      if (cu.empty() || cl.empty()) continue;
      const _2dVector e = g.GetPerpendicularFootByDirection(cl.front(), pa, dir) -
                          g.GetPerpendicularFootByDirection(cu.front(), pa, dir);
      if (g.Equal(e.GetLength(), 0.0, 1e-4)) continue;
      if (g.Equal(dir.GetAngle(), e.GetAngle(), 1e-4)) dl->Move(-e);
      else du->Move(e);
    } catch (...) {
      // This wall keeps what moved so far; the next one is aligned.
    }
  }
}

namespace {

// A dot row's range dimension: the two measured points (the first and the
// last of the zone's bars, on the line of the row's dots) and the row's line.
struct RowRange {
  std::vector<_2dPoint> ends;
  _2dPoint origin;
  _2dVector along;
};

// The side a dimension from p to q writes its text on: the side it reads
// from, left of a line running rightwards or upwards.
_2dVector TextSide(const _2dPoint& p, const _2dPoint& q) {
  double angle = std::atan2(q.y - p.y, q.x - p.x);
  if (angle > 0.5 * g_Pi + 1e-9) angle -= g_Pi;
  if (angle <= -0.5 * g_Pi + 1e-9) angle += g_Pi;
  return _2dVector(-std::sin(angle), std::cos(angle));
}

// The unit vector from the row towards the face it lies at: away from the
// nearest row of the same wall (parallel, beside it along its length and
// not farther than the wall is thick); without such a row, the side its
// text stands on.
_2dVector OutwardOf(const RowRange& row, const std::vector<RowRange>& rows, double reach) {
  const _2dVector normal(-row.along.y, row.along.x);
  const double length = (row.ends[1] - row.ends[0]).Dot(row.along);
  const double lo = std::min(0.0, length), hi = std::max(0.0, length);
  double nearest = 0.0;
  for (const RowRange& other : rows) {
    if (&other == &row || std::abs(row.along.Cross(other.along)) > 1e-6) continue;
    const double across = (other.origin - row.origin).Dot(normal);
    if (std::abs(across) <= 1e-6 || std::abs(across) > reach) continue;
    const double a = (other.ends[0] - row.origin).Dot(row.along), b = (other.ends[1] - row.origin).Dot(row.along);
    if (std::max(a, b) <= lo || std::min(a, b) >= hi) continue;
    if (nearest == 0.0 || std::abs(across) < std::abs(nearest)) nearest = across;
  }
  if (nearest == 0.0) return TextSide(row.ends[0], row.ends[1]);
  return nearest > 0.0 ? -normal : normal;
}

}  // namespace

void TankView::DrawReinRangeDims(Tank* tank, const std::vector<ReinZonePtr>& /*lineZones*/,
                                 const std::vector<ReinZonePtr>& dotZones,
                                 const std::vector<std::vector<LineReinPtr>>& lineBars,
                                 const std::vector<DotReinPtr>& dotRows) {
  const double factor = GetDrawingFactor();
  std::vector<RowRange> ranges;
  for (std::size_t i = 0; i < dotZones.size() && i < dotRows.size(); ++i) {
    const ReinZonePtr& zone = dotZones[i];
    const DotReinPtr& row = dotRows[i];
    if (!zone || !row) continue;
    const std::vector<_2dPoint> centres = row->GetDotCenters();
    if (centres.size() < 2) continue;
    const std::vector<ReinPtr>& reins = zone->GetReins();
    if (reins.empty()) continue;
    // Where the zone's bars are seen: end on along the view direction, or
    // where they cross the drawing plane; the first and the last found
    // bound the zone.
    std::vector<_2dPoint> seen;
    for (std::size_t k = 0; k < reins.size(); ++k) {
      const ReinWithRecords bar(reins[k], zone->GetReinSegmentRecords(static_cast<int>(k)));
      ReinViewLocation l = LocateReinInView(m_viewVolumn, false)(bar);
      if (!l.found) l = LocateReinInView(m_viewVolumn, true)(bar);
      if (!l.found) continue;
      _2dPoint p = l.point.drawn;
      p.Scale(factor);
      p.Move(m_placement);
      seen.push_back(p);
    }
    if (seen.size() < 2) continue;
    const _2dPoint first = seen.front(), last = seen.back();
    const _2dVector along = centres.back() - centres.front();
    const std::vector<_2dPoint> ends = {
        g_VekGeometryComm.GetPerpendicularFootByDirection(first, centres.front(), along),
        g_VekGeometryComm.GetPerpendicularFootByDirection(last, centres.front(), along)};
    if (g_VekGeometryComm.Equal(g_VekGeometryComm.Distance(ends[0], ends[1]), 0.0, 1e-4)) continue;
    ranges.push_back({ends, centres.front(), along.GetUnitVector(g_DefaultTolerance)});
  }

  // The two faces' rows of a wall lie close together, and a text on the
  // side of its line facing the other row stands on the other row's text.
  // Each text stands on the row's own face side: a row whose text would
  // face the other row has its dimension line moved out beyond its text,
  // and a line whose text stands on a label or a text placed before moves
  // further out, by half text heights up to two, until it is clear (else
  // where it overlaps least).  The measured points stay on the row.
  double thickness = 0.0;
  if (tank)
    for (const auto& c : tank->GetComponents())
      if (const auto b = boost::dynamic_pointer_cast<Board>(c))
        if (b->GetKind() == 0) thickness = std::max(thickness, b->GetThickness());
  const double reach = thickness * factor;
  const double h = GetDimensionTextHeight() * m_unit;
  std::vector<Extents> placed;
  if (m_pViewBoard) {
    for (const auto& bars : lineBars)
      for (const LineReinPtr& bar : bars)
        if (bar) {
          const std::vector<Extents> boxes = LabelBoxes(*bar, *m_pViewBoard);
          placed.insert(placed.end(), boxes.begin(), boxes.end());
        }
    for (const DotReinPtr& row : dotRows)
      if (row) {
        const std::vector<Extents> boxes = LabelBoxes(*row, *m_pViewBoard);
        placed.insert(placed.end(), boxes.begin(), boxes.end());
      }
  }
  constexpr int kSteps = 4;
  for (const RowRange& range : ranges) {
    const _2dVector outward = OutwardOf(range, ranges, reach);
    const _2dVector toLeft = range.ends[1] - range.ends[0];
    const int side = _2dVector(-toLeft.y, toLeft.x).Dot(outward) > 0.0 ? 0 : 1;
    // A text facing the other row stands between its line and the row: the
    // line goes a text height and its gaps out.
    const double start = TextSide(range.ends[0], range.ends[1]).Dot(outward) > 0.0 ? 0.0 : 1.6 * h;
    EntityList best;
    std::vector<int> bestKinds;
    Extents chosen;
    double least = 0.0;
    for (int k = 0; k <= kSteps; ++k) {
      EntityList entities;
      std::vector<int> kinds;
      const double offset = (start + 0.5 * h * k) / m_unit;
      DrawDimensionChain(range.ends, offset, 0.0, side, false, entities, kinds, m_scale, m_unit, kKindRangeDimension,
                         16, "");
      if (entities.empty()) break;
      if (!m_pViewBoard) {
        best = entities, bestKinds = kinds;
        break;
      }
      const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(entities.front());
      const Extents box = DimensionTextBox(*dim, *m_pViewBoard);
      const double overlap = OverlapArea(box, placed);
      const bool clear = !AnyOverlap({box}, placed);
      if (best.empty() || clear || overlap < least) {
        best = entities, bestKinds = kinds, chosen = box, least = overlap;
      }
      if (clear) break;
    }
    if (best.empty()) continue;
    if (m_pViewBoard) placed.push_back(chosen);
    AddEntities(best, g_NullOwner, bestKinds, EntityHandleList());
    if (m_pViewBoard)
      for (const EntityPtr& e : best) m_pViewBoard->ShowEntity(e);
  }
}
