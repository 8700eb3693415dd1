// The wall reinforcement plan of a designed tank: bars, dot rows and support
// dots of the tallest walls inside the walls' plan outlines, labels reading
// their zones, the two faces' labels level, and the plan's later steps.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "drawing/WallBarPlacement.h"
#include "drawing/WallPlanBoardDrawer.h"
#include "view/DotReinMaker.h"
#include "view/ReinLabel.h"
#include "view/ReinMarkLabelMaker.h"
#include "views/WallPlanView.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>

namespace {

// A designed tank of an example with its wall plan drawn at 1:100 and the
// bars of its tallest walls.
class DesignedWallPlan {
 public:
  explicit DesignedWallPlan(const char* example) {
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject(example), "x"), "x");
    EXPECT_TRUE(designer.Analyse());
    designer.DesignRein(nullptr);
    g_ViewBoard.Reset();
    EXPECT_TRUE(designer.DrawWallPlan(true, _3dPoint(0, 0, 0)));
    for (const auto& v : designer.GetViews())
      if (auto p = boost::dynamic_pointer_cast<TankWallReinPlanView>(v)) view = p;
    EXPECT_TRUE(view);
    if (view) view->DrawAllRein(designer.GetTank(), designer.GetSettings().GetViewSettings());
  }
  ~DesignedWallPlan() {
    view.reset();
    g_ViewBoard.Reset();
  }

  Tank& GetTank() { return designer.GetTank(); }

  // The model plan point of a drawing point.
  _2dPoint ToModel(const _2dPoint& q) const {
    _3dVector placement;
    view->GetPlacement(placement);
    const double f = view->GetDrawingFactor();
    return _2dPoint((q.x - placement.x) / f, (q.y - placement.y) / f);
  }
  // The drawing point lies in the wall's plan outline (1 mm of slack), the
  // corner block where it meets another wall included.
  bool InWall(const BoardPtr& wall, const _2dPoint& q) const {
    double half = 0.0;
    for (const BoardPtr& w : designer.GetProject().GetTank().GetWalls())
      half = std::max({half, w->GetUpperOffset(), w->GetLowerOffset()});
    _2dLine line;
    if (!GetWallPlanLine(wall, line)) return false;
    const _2dPoint m = ToModel(q);
    const _2dVector d = line.GetDirection().GetUnitVector();
    const _3dVector n3 = wall->GetNormal();
    const _2dVector n = _2dVector(n3.x, n3.y).GetUnitVector();
    const double along = (m - line.GetStartPoint()).x * d.x + (m - line.GetStartPoint()).y * d.y;
    const double across = (m - line.GetStartPoint()).x * n.x + (m - line.GetStartPoint()).y * n.y;
    return along >= -half - 1.0 && along <= line.GetLength() + half + 1.0 && across <= wall->GetUpperOffset() + 1.0 &&
           across >= -wall->GetLowerOffset() - 1.0;
  }
  bool InSomeWall(const _2dPoint& q) const {
    const auto walls = designer.GetProject().GetTank().GetWalls();
    return std::any_of(walls.begin(), walls.end(), [&](const BoardPtr& w) { return InWall(w, q); });
  }
  std::vector<BoardPtr> Tallest() {
    std::vector<BoardPtr> walls = GetTank().GetWalls();
    const BoardPtr top = *std::max_element(walls.begin(), walls.end(), WallTopLess());
    std::erase_if(walls, [&](const BoardPtr& w) { return WallTopLess()(w, top); });
    return walls;
  }
  EntityList Of(const ObjectPtr& owner, int kind) const {
    EntityList all, out;
    view->GetObjectEntities(owner, all);
    for (const EntityPtr& e : all)
      if (view->GetEntityKind(e) == kind) out.push_back(e);
    return out;
  }

  TankDesigner designer;
  boost::shared_ptr<TankWallReinPlanView> view;
};

_2dPoint DotCentre(const EntityPtr& e) {
  const auto dot = boost::dynamic_pointer_cast<_2dPolyline>(e);
  const _3dPoint m = g_VekGeometryComm.GetMidPoint3d(dot->GetVertexAt(0), dot->GetVertexAt(1));
  return _2dPoint(m.x, m.y);
}

bool SeenEndOn(const ReinZonePtr& zone) {
  _3dVector o;
  return zone->GetReinDispOrientation(o) && o.GetAngleTo(_3dVector(0, 0, 1)) > 0.25 * g_Pi &&
         o.GetAngleTo(_3dVector(0, 0, 1)) < 0.75 * g_Pi;
}

std::string ZoneText(const ReinZonePtr& zone) {
  return FormatReinText(2, GetReinGradeIndex(zone->GetGrade()), zone->GetDiameter(), zone->GetSpacing(), 0);
}

}  // namespace

// Every face of every tallest wall shows its vertical bars as a row of three
// dots inside the wall, one layer distance off the face the row is drawn
// beside; each representative bar is found at its own plan position (the
// vertical leg a plan sees end on); the row's label reads the zone.
TEST(WallPlan, DotRowOnEveryTallestWallFace) {
  DesignedWallPlan plan("buried-two-cell");
  ASSERT_TRUE(plan.view);
  ViewVolumn volume;
  plan.view->GetViewVolumn(volume);
  const double u = GetDrawingUnit();
  int rows = 0;
  for (const BoardPtr& wall : plan.Tallest()) {
    for (const auto* face : {&wall->GetUpperZones(), &wall->GetLowerZones()}) {
      for (const ReinZonePtr& zone : *face) {
        if (zone->GetCategory() != 2 || !SeenEndOn(zone) || zone->GetReins().size() < 4) continue;
        SCOPED_TRACE("wall " + std::to_string(wall->GetNumber()) + " zone " + std::to_string(zone->GetNumber()));
        const EntityList dots = plan.Of(zone, kKindReinLine);
        ASSERT_EQ(dots.size(), 3u);
        ++rows;
        const double off = u * GetReinGap() + u * GetReinDotSize() * 0.5;
        for (const EntityPtr& e : dots) {
          const _2dPoint c = DotCentre(e);
          EXPECT_TRUE(plan.InWall(wall, c)) << c.x << "," << c.y;
          // Nearest face line of the wall: the layer distance (one bar line
          // further for the outer layer).
          double nearest = 1e300;
          for (const EntityPtr& l : plan.Of(wall, kKindBoardOutline))
            if (auto line = boost::dynamic_pointer_cast<_2dLine>(l))
              nearest = std::min(nearest, g_VekGeometryComm.DistancePointToLine(c, *line));
          EXPECT_TRUE(std::fabs(nearest - off) < 1e-6 || std::fabs(nearest - off - u * GetReinLineWidth()) < 1e-6)
              << nearest;
        }
        for (std::size_t k = 0; k < zone->GetReins().size(); ++k) {
          const ReinPtr& bar = zone->GetReins()[k];
          const ReinViewLocation l = LocateReinInView(volume, false)({bar, zone->GetReinSegmentRecords(int(k))});
          ASSERT_TRUE(l.found) << "bar " << k;
          bool onLeg = false;
          for (const _3dLine& s : ExplodePolyline(bar->GetPolyline()))
            if (g_VekGeometryComm.IsParallel3d(s, _3dVector(0, 0, 1)))
              onLeg = onLeg || (std::fabs(s.GetStartPoint().x - l.point.drawn.x) < 1e-6 &&
                                std::fabs(s.GetStartPoint().y - l.point.drawn.y) < 1e-6);
          EXPECT_TRUE(onLeg) << "bar " << k;
        }
        const EntityList texts = plan.Of(zone, kKindReinText);
        for (const EntityPtr& t : texts)
          EXPECT_EQ(boost::dynamic_pointer_cast<_Text>(t)->GetText(), ZoneText(zone));
      }
    }
  }
  EXPECT_GE(rows, 2 * static_cast<int>(plan.Tallest().size()));
}

// Every vertex of every drawn bar (hooks included) and every support dot
// lies in the plan outline of a wall; bar labels read their zone, support
// labels the bar count, grade and diameter; each face label's leader crosses
// a face line of the wall.
TEST(WallPlan, BarsAndSupportDotsStayInTheWalls) {
  for (const char* example : {"buried-two-cell", "open-single-cell", "grid-3x2"}) {
    SCOPED_TRACE(example);
    DesignedWallPlan plan(example);
    ASSERT_TRUE(plan.view);
    int bars = 0, supports = 0;
    const TankReinZones zones = plan.GetTank().GetReinZones();
    for (const ReinZonePtr& zone : zones.GetZones()) {
      for (const EntityPtr& e : plan.Of(zone, kKindReinLine)) {
        const auto line = boost::dynamic_pointer_cast<_2dPolyline>(e);
        ASSERT_TRUE(line);
        if (zone->GetCategory() == 5) ++supports;
        else if (line->VerNums() > 2 || !line->IsClosed()) ++bars;
        // A dot by its centre, a bar by every vertex.
        std::vector<_2dPoint> points;
        if (line->IsClosed() && line->VerNums() == 2) points.push_back(DotCentre(e));
        else
          for (const _3dPoint& v : line->GetVertices()) points.emplace_back(v.x, v.y);
        for (const _2dPoint& q : points)
          EXPECT_TRUE(plan.InSomeWall(q)) << "zone " << zone->GetNumber() << " at " << q.x << "," << q.y;
      }
      for (const EntityPtr& t : plan.Of(zone, kKindReinText)) {
        const std::string text = boost::dynamic_pointer_cast<_Text>(t)->GetText();
        if (zone->GetCategory() == 5) {
          const int n = static_cast<int>(plan.Of(zone, kKindReinLine).size());
          EXPECT_EQ(text, FormatReinText(1, GetReinGradeIndex(zone->GetGrade()), zone->GetDiameter(),
                                         zone->GetSpacing(), n));
        } else {
          EXPECT_EQ(text, ZoneText(zone));
        }
      }
    }
    EXPECT_GT(bars, 0);
    (void)supports;
  }
}

// The two faces of every tallest wall: their bar labels stand level along
// the upper face's leader, and their dot rows likewise.
TEST(WallPlan, FaceLabelsOfAWallStandLevel) {
  DesignedWallPlan plan("buried-two-cell");
  ASSERT_TRUE(plan.view);
  int walls = 0;
  for (const BoardPtr& wall : plan.Tallest()) {
    std::vector<_2dPoint> leaderStarts, dotStarts;
    _2dVector dir(0, 0);
    for (const auto* face : {&wall->GetUpperZones(), &wall->GetLowerZones()}) {
      for (const ReinZonePtr& zone : *face) {
        const EntityList first = plan.Of(zone, kKindReinFirstLeader);
        const EntityList second = plan.Of(zone, kKindReinSecondLeader);
        if (SeenEndOn(zone)) {
          const EntityList dots = plan.Of(zone, kKindReinLine);
          if (!dots.empty()) dotStarts.push_back(DotCentre(dots.front()));
        } else if (first.size() == 1 && second.size() == 1) {
          leaderStarts.push_back(boost::dynamic_pointer_cast<_2dLine>(first.front())->GetStartPoint());
          if (face == &wall->GetUpperZones())
            dir = boost::dynamic_pointer_cast<_2dLine>(second.front())->GetDirection().GetUnitVector();
        }
      }
    }
    if (leaderStarts.size() != 2 || dotStarts.size() != 2 || dir.GetLength() == 0.0) continue;
    ++walls;
    const auto level = [&](const std::vector<_2dPoint>& p) {
      return (p[1] - p[0]).x * dir.x + (p[1] - p[0]).y * dir.y;
    };
    EXPECT_NEAR(level(leaderStarts), 0.0, 1e-6) << "wall " << wall->GetNumber();
    EXPECT_NEAR(level(dotStarts), 0.0, 1e-6) << "wall " << wall->GetNumber();
  }
  EXPECT_GT(walls, 0);
}

// The plan's later steps: a second title replaces the first, the label-size
// command redraws the wall labels once at the new size, and a tank without
// walls draws no wall outline and no label.
TEST(WallPlan, TitleLabelSizeAndNoWalls) {
  DesignedWallPlan plan("buried-two-cell");
  ASSERT_TRUE(plan.view);
  EntityKindPairs kinds;
  const auto count = [&](int mask) {
    kinds.clear();
    plan.view->ListEntityKinds(kinds);
    return std::count_if(kinds.begin(), kinds.end(), [mask](const auto& p) { return (p.second & mask) != 0; });
  };
  const long title = count(0x2000000);
  EXPECT_GT(title, 0);
  plan.view->DrawTitle(plan.designer.GetSettings().GetDetailingSettings());
  EXPECT_EQ(count(0x2000000), title);
  // Placed by the upper-left corner of the drawing: the walls' face lines.
  const Extents box = plan.view->GetExtent(kKindBoardOutline);
  EXPECT_NEAR(box.maxY, 0.0, 1e-6);
  EXPECT_NEAR(box.minX, 0.0, 1e-6);

  const long labels = count(0x1FF0);
  EXPECT_GT(labels, 0);
  const double before = g_ReinLabelSizeFactor;
  plan.designer.SetReinLabelHeight(4.0);
  EXPECT_EQ(count(0x1FF0), labels);
  EntityList all;
  for (const BoardPtr& wall : plan.GetTank().GetWalls()) {
    for (const EntityPtr& e : plan.Of(wall, 0x10))
      if (auto t = boost::dynamic_pointer_cast<_Text>(e)) EXPECT_NEAR(t->GetHeight(), 4.0 * GetDrawingUnit(), 1e-9);
  }
  plan.designer.SetReinLabelHeight(before);

  g_ViewBoard.Reset();
  Tank empty;
  TankWallReinPlanView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  EXPECT_TRUE(view.Draw(empty, 100, ViewSettings(), true, _3dPoint(0, 0, 0)));
  view.DrawAllRein(empty, ViewSettings());
  kinds.clear();
  view.ListEntityKinds(kinds);
  EXPECT_TRUE(kinds.empty());
}

// The wall label steps: which face comes first, and which edge is the top,
// bottom, start and end of a wall.
TEST(WallPlan, WallLabelSidesAndEdges) {
  const auto wall = [](const _3dVector& normal) {
    auto w = boost::make_shared<Board>();
    w->SetXAxis(_3dVector(-normal.y, normal.x, 0));
    w->SetYAxis(_3dVector(0, 0, 1));
    std::vector<BoardEdge> edges(4);
    const _2dPoint p[4] = {{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}};
    for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
    w->SetEdges(edges);
    return w;
  };
  EXPECT_TRUE(WallPlanBoardDrawer::UpperFirst(*wall(_3dVector(-1, 0, 0))));
  EXPECT_FALSE(WallPlanBoardDrawer::UpperFirst(*wall(_3dVector(1, 0, 0))));
  EXPECT_FALSE(WallPlanBoardDrawer::UpperFirst(*wall(_3dVector(0, 1, 0))));
  // Normal −y: the wall runs along +x in its frame; the start edge is the one
  // at the smaller x, the top edge the one at z 3000.
  const BoardPtr w = wall(_3dVector(0, -1, 0));
  int top = -1, bottom = -1, start = -1, end = -1;
  ASSERT_TRUE(WallPlanBoardDrawer::FindWallEdges(*w, top, bottom, start, end));
  EXPECT_EQ(top, 2);
  EXPECT_EQ(bottom, 0);
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 1);
  std::vector<BoardEdge> five = w->GetEdges();
  five.push_back(five.back());
  w->SetEdges(five);
  EXPECT_FALSE(WallPlanBoardDrawer::FindWallEdges(*w, top, bottom, start, end));
}

// The wall drawing's groups: in the wall plan a haunch zone is drawn only
// when both of its walls are; the support zones are those at junctions of
// the drawn walls; a tank without support zones empties the support list.
TEST(WallPlan, WallReinGroupsFollowTheDrawnWalls) {
  DesignedWallPlan plan("buried-two-cell");
  ASSERT_TRUE(plan.view);
  Tank& tank = plan.GetTank();
  ViewVolumn volume;
  plan.view->GetViewVolumn(volume);
  const ViewSettings settings;
  const auto draw = [&](const std::vector<BoardPtr>& walls, std::vector<ReinZonePtr>& lineZones,
                        std::vector<ReinZonePtr>& supportZones) {
    std::vector<ReinZonePtr> dotZones;
    std::vector<std::vector<LineReinPtr>> bars;
    std::vector<DotReinPtr> rows, dots;
    plan.view->DrawWallRein(7, &tank, {walls.begin(), walls.end()}, false, &volume, &settings, {}, {}, 0.0, {},
                            lineZones, dotZones, supportZones, bars, rows, dots);
    EXPECT_EQ(bars.size(), lineZones.size());
    EXPECT_EQ(rows.size(), dotZones.size());
    EXPECT_EQ(dots.size(), supportZones.size());
  };
  const auto haunches = [](const std::vector<ReinZonePtr>& zones) {
    return std::count_if(zones.begin(), zones.end(), [](const ReinZonePtr& z) { return z->GetCategory() == 4; });
  };
  std::vector<ReinZonePtr> allLines, allSupports, oneLines, oneSupports;
  draw(tank.GetWalls(), allLines, allSupports);
  draw({tank.GetWalls().front()}, oneLines, oneSupports);
  EXPECT_GT(haunches(allLines), 0);
  EXPECT_EQ(haunches(oneLines), 0);
  EXPECT_FALSE(allSupports.empty());
  EXPECT_LT(oneSupports.size(), allSupports.size());

  Tank empty;
  std::vector<ReinZonePtr> lines, supports = {boost::make_shared<ReinZone>()}, dotZones;
  std::vector<std::vector<LineReinPtr>> bars;
  std::vector<DotReinPtr> rows, dots = {DotReinPtr()};
  plan.view->DrawWallRein(7, &empty, {}, false, &volume, &settings, {}, {}, 0.0, {}, lines, dotZones, supports, bars,
                          rows, dots);
  EXPECT_TRUE(supports.empty());
  EXPECT_EQ(dots.size(), 1u);
}
