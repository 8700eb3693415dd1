// The slab plan's own members of the view: the reinforcement of its slabs,
// the overhang outline of the bottom slabs, board-line pruning and the slab
// labels.
#include "view/SlabPlanRein.h"
#include "view/TankView.h"

#include "drawing/DrawnLines.h"
#include "drawing/ElevationMark.h"
#include "platform/morlak/helpers.h"
#include "platform/morlak/polygon.h"
#include "view/BoardReinZoneCollector.h"
#include "view/LabelClearance.h"
#include "view/LineReinConstruct.h"
#include "view/LineReinEntity.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

std::vector<ReinZonePtr> CollectZonesSharingBoards(const ReinZonePtr& zone, const ZoneBoardMap& a,
                                                   const ZoneBoardMap& b) {
  std::vector<std::pair<BoardPtr, std::vector<ReinZonePtr>>> byBoard;
  for (const auto& [other, boards] : b)
    for (const BoardPtr& board : boards) {
      auto it = std::find_if(byBoard.begin(), byBoard.end(), [&](const auto& p) { return p.first == board; });
      if (it == byBoard.end()) {
        byBoard.emplace_back(board, std::vector<ReinZonePtr>{});
        it = byBoard.end() - 1;
      }
      it->second.push_back(other);
    }
  std::vector<ReinZonePtr> result;
  const auto found = a.find(zone);
  if (found == a.end()) return result;
  for (const BoardPtr& board : found->second)
    for (const auto& p : byBoard)
      if (p.first == board) result.insert(result.end(), p.second.begin(), p.second.end());
  return result;
}

namespace {

bool Conflicts(const ReinZonePtr& zone, const ZoneBoardMap& own, const ZoneBoardMap& other,
               const ViewVolumn* volume) {
  const std::vector<ReinZonePtr> sharing = CollectZonesSharingBoards(zone, own, other);
  return std::any_of(sharing.begin(), sharing.end(), ZonesParallelInView(zone, volume));
}

constexpr double kOneThird = 1.0 / 3.0;
constexpr double kTwoThirds = 2.0 / 3.0;

}  // namespace

double NearFaceZonePosRatio::operator()(const ReinZoneBoards& entry) const {
  const bool withFarEdge = Conflicts(entry.first, *near, *farEdge, volume);
  const bool withNearEdge = Conflicts(entry.first, *near, *nearEdge, volume);
  if (withFarEdge) return withNearEdge ? 0.6 : kTwoThirds;
  return withNearEdge ? 0.5 : 0.6;
}

double FarFaceZonePosRatio::operator()(const ReinZoneBoards& entry) const {
  return Conflicts(entry.first, *far, *farEdge, volume) ? 0.4 : kOneThird;
}

double NearEdgeZonePosRatio::operator()(const ReinZoneBoards& entry) const {
  if (Conflicts(entry.first, *nearEdge, *near, volume)) return 0.75;
  return Conflicts(entry.first, *nearEdge, *farEdge, volume) ? kTwoThirds : 0.6;
}

namespace {

// The three texts of a slab's labels: number, thickness and the level of its
// face on the +z side (whatever its eccentricity).
std::array<std::string, 3> SlabLabelTexts(const Board& slab) {
  char buffer[64];
  std::array<std::string, 3> texts;
  std::snprintf(buffer, sizeof buffer, "B%d", slab.GetNumber());
  texts[0] = buffer;
  std::snprintf(buffer, sizeof buffer, "H=%.0f", slab.GetThickness());
  texts[1] = buffer;
  const double faceZ =
      slab.GetOrigin().z + (slab.GetNormal().z >= 0.0 ? slab.GetUpperOffset() : slab.GetLowerOffset());
  std::snprintf(buffer, sizeof buffer, "%.3f", faceZ * 0.001);
  texts[2] = buffer;
  return texts;
}

// The boxes the full column of a slab's labels takes at its centre c (see
// TankView::DrawBoardLabels): number, thickness and level texts, and the
// level mark's rule with its triangle reaching 6 u left of its text.
std::vector<Extents> SlabLabelFootprint(const _2dPoint& c, const Board& slab, const AcadViewBoard& board) {
  double hf = 0.0, w = 0.0;
  GetTextSize(0, hf, w);
  const double u = GetDrawingUnit();
  const double h = hf * u, g = u;
  const int style = GetTextStyle(0);
  const std::array<std::string, 3> texts = SlabLabelTexts(slab);
  const double ys[3] = {c.y + g + h, c.y, c.y - h - g};
  std::vector<Extents> boxes;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const double half = 0.5 * board.MeasureTextWidth(texts[i], h, w, style);
    boxes.emplace_back(c.x - half, ys[i] - 0.5 * h, 0.0, c.x + half, ys[i] + 0.5 * h, 0.0);
    if (i == 2) {
      const double rule = ys[i] - (u + 0.5 * h);
      boxes.emplace_back(c.x - half - 6.0 * u, rule - 3.0 * u, 0.0, c.x + half, rule, 0.0);
    }
  }
  return boxes;
}

// A bar's label stands a quarter of the bar from its middle towards the
// upper left.  Where it stands on a label or text already on the plan, or on
// the column of a slab's own labels, it moves to the other quarter of the
// bar when it stands better there: on fewer labels and texts, or on as many
// and clear of the slab's labels.  The label's boxes join the others.
void KeepLabelClear(LineReinEntity& bar, std::vector<Extents>& placed, const std::vector<Extents>& columns,
                    const AcadViewBoard& board) {
  const std::vector<Extents> boxes = LabelBoxes(bar, board);
  if (boxes.empty()) return;
  const auto standing = [&](const std::vector<Extents>& label) {
    return std::make_pair(AnyOverlap(label, placed), AnyOverlap(label, columns));
  };
  const auto here = standing(boxes);
  const boost::shared_ptr<_2dPolyline> line = bar.GetReinLine();
  if ((here.first || here.second) && line && line->VerNums() >= 2) {
    const _2dLine main = GetReinMainSegment(line);
    _2dVector quarter = (main.GetEndPoint() - main.GetStartPoint()) * 0.25;
    const double a = quarter.GetAngle();
    if (a < 0.25 * g_Pi || a >= 1.25 * g_Pi) quarter = -quarter;
    bar.MoveLabels(quarter * -2.0);
    const std::vector<Extents> other = LabelBoxes(bar, board);
    if (standing(other) < here) {
      placed.insert(placed.end(), other.begin(), other.end());
      return;
    }
    bar.MoveLabels(quarter * 2.0);
  }
  placed.insert(placed.end(), boxes.begin(), boxes.end());
}

}  // namespace

void TankView::DrawBoardRein(Tank& tank, const std::vector<boost::shared_ptr<StructureComponent>>& slabs,
                             const ViewSettings* settings) {
  try {
    // The tank does not change while its bars are drawn: its joints and
    // neighbours are found once.
    const Structure::TopologyFreeze frozen(tank);
    std::vector<BoardPtr> boards;
    for (const auto& c : slabs) boards.push_back(boost::dynamic_pointer_cast<Board>(c));

    ZoneBoardMap g1, g2, g3, g4;
    {
      BoardReinZoneCollector faces(&tank, 1, 0, m_viewVolumn, false, &g1, &g2);
      for (const BoardPtr& b : boards) faces(b);
      BoardReinZoneCollector edges(&tank, 2, 0, m_viewVolumn, false, &g3, &g4);
      for (const BoardPtr& b : boards) edges(b);
    }
    const ZoneBoardMap* groups[4] = {&g1, &g2, &g3, &g4};

    std::vector<ReinZoneBoards> pairs[4];
    std::vector<ReinZonePtr> zones[4];
    for (int g = 0; g < 4; ++g)
      for (const auto& p : *groups[g]) {
        pairs[g].emplace_back(p.first, p.second);
        zones[g].push_back(p.first);
      }

    std::vector<double> ratios[4];
    for (const auto& p : pairs[0]) ratios[0].push_back(NearFaceZonePosRatio{&g1, &g4, &g3, &m_viewVolumn}(p));
    for (const auto& p : pairs[1]) ratios[1].push_back(FarFaceZonePosRatio{&g4, &g2, &m_viewVolumn}(p));
    for (const auto& p : pairs[2]) ratios[2].push_back(NearEdgeZonePosRatio{&g3, &g1, &g4, &m_viewVolumn}(p));
    ratios[3].assign(pairs[3].size(), kOneThird);

    std::vector<ReinLabelOption> options[4];
    for (int g = 0; g < 4; ++g) {
      std::vector<std::pair<bool, bool>> flags;
      ChooseLabelledLines(*settings, zones[g], flags);
      for (std::size_t i = 0; i < zones[g].size(); ++i) {
        ReinLabelOption o;
        if (i < flags.size()) o.withMark = flags[i].first, o.withText = flags[i].second;
        o.ratio = ratios[g][i];
        options[g].push_back(o);
      }
    }

    std::vector<boost::shared_ptr<_2dLine>> planLines;
    for (const auto& [entity, kind] : m_entityKinds)
      if (kind & 6)
        if (auto line = boost::dynamic_pointer_cast<_2dLine>(entity)) planLines.push_back(line);

    std::vector<_2dLine> out1, out2, out3, out4;
    std::vector<std::vector<LineReinPtr>> bars[4];
    for (int g = 0; g < 4; ++g) {
      const int mode = (g == 0 || g == 2) ? 1 : 0;
      ConstuctLineRein construct(this, false, mode, m_pViewBoard, planLines, GetDrawingFactor(), m_placement, &tank,
                                 &out1, &out2, &out3, &out4, {}, 0.0);
      for (std::size_t i = 0; i < pairs[g].size(); ++i) bars[g].push_back(construct(pairs[g][i], options[g][i]));
    }

    // What the range dimensions' texts keep clear of: the labels of every
    // drawn bar and the column of each slab's own labels at its centre.
    std::vector<Extents> keepClear, columns;
    if (m_pViewBoard) {
      for (const auto& group : bars)
        for (const auto& list : group)
          for (const LineReinPtr& bar : list)
            if (bar) {
              const std::vector<Extents> label = LabelBoxes(*bar, *m_pViewBoard);
              keepClear.insert(keepClear.end(), label.begin(), label.end());
            }
      for (const BoardPtr& b : boards)
        if (b) {
          const std::vector<Extents> column = SlabLabelFootprint(GetProjectedBoardCenter(b), *b, *m_pViewBoard);
          columns.insert(columns.end(), column.begin(), column.end());
        }
      keepClear.insert(keepClear.end(), columns.begin(), columns.end());
    }
    const std::size_t beforeRanges = keepClear.size();

    // Range dimensions keep only the zones whose label could be placed.
    auto rangeDims = [&](int g, bool near) {
      if (zones[g].empty()) return;
      std::vector<ReinZonePtr> kept;
      std::vector<std::vector<LineReinPtr>> keptBars;
      std::vector<std::vector<_2dPoint>> info;
      MatchReinZonesToEntities(zones[g], bars[g], *groups[g], kept, keptBars, near, info, &keepClear);
      DrawRangeDim(info, keptBars);
      zones[g] = kept;
      bars[g] = keptBars;
    };
    if (settings->m_bNearRangeDims) rangeDims(0, true), rangeDims(2, true);
    if (settings->m_bFarRangeDims) rangeDims(1, false), rangeDims(3, false);

    const int order[4] = {0, 2, 1, 3};
    // Labels of the bars drawn, in drawing order, clear of those before them,
    // of the range texts and of the slabs' own labels where they can be.
    if (m_pViewBoard) {
      std::vector<Extents> placed(keepClear.begin() + static_cast<std::ptrdiff_t>(beforeRanges), keepClear.end());
      for (int g : order)
        for (const auto& list : bars[g])
          for (const LineReinPtr& bar : list)
            if (bar) KeepLabelClear(*bar, placed, columns, *m_pViewBoard);
    }
    for (int g : order)
      for (std::size_t i = 0; i < zones[g].size() && i < bars[g].size(); ++i)
        AddLineReinEntities(zones[g][i], ObjectList(bars[g][i].begin(), bars[g][i].end()));
    EntityList shown;
    for (int g : order)
      for (const auto& list : bars[g])
        for (const LineReinPtr& bar : list)
          if (bar) {
            EntityList parts;
            bar->GetEntities(parts);
            shown.insert(shown.end(), parts.begin(), parts.end());
          }
    for (const EntityPtr& e : shown) m_pViewBoard->ShowEntity(e);

    DrawSectionMarks(g3, settings->m_bSectionMarkOption, GetSectionMarkStyle(), GetSectionMarkPlacement(),
                     GetSectionMarkGapMode(), planLines);
    DrawSectionMarks(g4, settings->m_bSectionMarkOption, GetSectionMarkStyle(), GetSectionMarkPlacement(),
                     GetSectionMarkGapMode(), planLines);
  } catch (const std::exception& e) {
    RecordZoneFailure(ReinZonePtr(), e.what());
  } catch (...) {
    RecordZoneFailure(ReinZonePtr(), "unknown failure");
  }
}

EntityList TankView::DrawSlabOverhangOutline(std::vector<boost::shared_ptr<StructureComponent>> slabs, double f,
                                             bool draw, Tank& tank) {
  if (!tank.HasBottomSlabOverhang() || !draw) return {};
  std::vector<_2dLine> lines;
  std::vector<double> wallOffsets;
  double L = 0.0;
  for (const auto& c : slabs) {
    const BoardPtr board = boost::dynamic_pointer_cast<Board>(c);
    if (!board) continue;
    double len = 0.0;
    CollectOverhangEdges(board, lines, wallOffsets, len, tank);
    if (len > g_ZeroTolerance) L = len;
  }
  if (std::fabs(L) < g_ZeroTolerance) return {};

  EntityList outline;
  for (const auto& loop : g_PolygonAlgorithm.BuildLoops(lines)) {
    std::vector<_2dPoint> pts(loop.begin(), loop.end());
    if (!pts.empty()) pts.pop_back();
    std::vector<double> offsets;
    for (std::size_t k = 0; k < pts.size(); ++k) {
      const _2dPoint a = pts[k], b = pts[(k + 1) % pts.size()];
      double offset = L;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const _2dPoint s = lines[i].GetStartPoint(), e = lines[i].GetEndPoint();
        if ((s == a && e == b) || (s == b && e == a)) {
          offset = L + wallOffsets.at(i);
          break;
        }
      }
      offsets.push_back(offset);
    }
    std::vector<_2dPoint> moved;
    PolygonOffsetter(offsets, &moved)(pts);
    MakeOutlineLines(moved, f, outline);
  }
  if (outline.empty()) return {};

  const ObjectPtr owner = boost::make_shared<VekObject>();
  m_objectEntities.Insert(owner, outline);
  const std::string layer = GetLayerName(13);
  for (const EntityPtr& e : outline) {
    e->SetLayer(layer);
    m_entityOwners.Insert(e, ObjectList{});
    m_entityKinds.Insert(e, 0x40000000);
  }
  return outline;
}

void TankView::PruneBoardLines() {
  EntityList matching, other;
  SplitEntitiesByKind(0x1, matching, other);
  std::vector<boost::shared_ptr<_2dLine>> lines;
  for (const EntityPtr& e : matching) lines.push_back(boost::dynamic_pointer_cast<_2dLine>(e));
  std::vector<boost::shared_ptr<_2dLine>> kept = FilterLines(lines);
  std::sort(kept.begin(), kept.end());
  EntityList erase;
  for (std::size_t i = 0; i < matching.size(); ++i)
    if (!std::binary_search(kept.begin(), kept.end(), lines[i])) erase.push_back(matching[i]);
  EraseEntities(erase);
}

void TankView::DrawBoardLabels(const BoardPtr& slab, int flags) {
  {
    EntityList own, matching, other;
    GetObjectEntities(slab, own);
    SplitEntitiesByKind(0x4000000, matching, other);
    std::sort(own.begin(), own.end());
    std::sort(matching.begin(), matching.end());
    EntityList earlier;
    std::set_intersection(own.begin(), own.end(), matching.begin(), matching.end(), std::back_inserter(earlier));
    EraseEntities(earlier);
  }
  const _2dPoint c = GetProjectedBoardCenter(slab);
  const auto [t1, t2, t3] = SlabLabelTexts(*slab);

  double hf = 0.0, w = 0.0;
  GetTextSize(0, hf, w);
  const double u = GetDrawingUnit();
  const double h = hf * u, g = u * 1.0;
  const int s = GetTextStyle(0);
  const int n = ((flags & 1) ? 1 : 0) + ((flags & 2) ? 1 : 0) + ((flags & 4) ? 1 : 0);

  auto makeText = [&](const std::string& text, double y) {
    auto t = boost::make_shared<_Text>(text, _3dPoint(c.x, y, 0.0), h, 0.0);
    t->SetLayer(GetLayerName(8));
    t->SetTextStyle(s);
    t->SetNormal(_3dVector(0, 0, 1));
    t->SetWidth(h * w);
    t->SetAlignment(_Text::kCenter, _Text::kMiddle);
    return t;
  };
  EntityList labels;
  if (flags & 1) {
    const double y1 = n == 1 ? c.y : n == 2 ? c.y + (g + h) * 0.5 : c.y + g + h;
    labels.push_back(makeText(t1, y1));
  }
  if (flags & 2) {
    double y2 = c.y;
    if (n == 2) y2 = (flags & 4) ? c.y + (g + h) * 0.5 : c.y - 0.5 * h - 0.5 * g;
    labels.push_back(makeText(t2, y2));
  }
  if (flags & 4) {
    const double y3 = n == 1 ? c.y : n == 2 ? c.y - 0.5 * h - 0.5 * g : c.y - h - g;
    const EntityList mark = DrawSlabElevationMark(_2dPoint(c.x, y3), t3, h, w, s, m_pViewBoard);
    labels.insert(labels.end(), mark.begin(), mark.end());
  }
  if (labels.empty()) return;
  AddEntities(labels, slab, std::vector<int>(labels.size(), 0x4000000), {});
  for (const EntityPtr& e : labels) m_pViewBoard->ShowEntity(e);
}
