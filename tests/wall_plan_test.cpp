// The wall reinforcement plan of a designed tank: bars, dot rows and support
// dots of the tallest walls inside the walls' plan outlines, labels reading
// their zones, the two faces' labels level, and the plan's later steps.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "drawing/WallBarPlacement.h"
#include "drawing/WallPlanBoardDrawer.h"
#include "view/DotReinMaker.h"
#include "view/LabelClearance.h"
#include "view/LineReinConstruct.h"
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
// lies in the plan outline of a wall; every leader of a face zone crosses a
// wall face; bar labels read their zone, support labels the bar count,
// grade and diameter.
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
      // Every leader of a face zone (bar or dot row) crosses a wall face.
      if (zone->GetCategory() == 2) {
        for (const EntityPtr& l : plan.Of(zone, kKindReinFirstLeader)) {
          const auto leader = boost::dynamic_pointer_cast<_2dLine>(l);
          ASSERT_TRUE(leader);
          bool crosses = false;
          for (const BoardPtr& wall : plan.GetTank().GetWalls())
            for (const EntityPtr& f : plan.Of(wall, kKindBoardOutline))
              if (auto face = boost::dynamic_pointer_cast<_2dLine>(f))
                crosses = crosses || g_VekGeometryComm.LinesIntersect(*leader, *face);
          EXPECT_TRUE(crosses) << "zone " << zone->GetNumber();
        }
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

// A straight plain bar of a wall face: hooks of its grade turning into the
// wall, the same side at both ends; drawn the other way round, the other
// side at both ends, still inside the wall.
TEST(WallPlan, HooksOfAStraightWallBarTurnIntoTheWall) {
  DesignedWallPlan plan("buried-two-cell");
  ASSERT_TRUE(plan.view);
  Tank& tank = plan.GetTank();
  const BoardPtr wall = tank.GetWalls().front();
  ReinPtr model;
  for (const ReinZonePtr& z : wall->GetUpperZones())
    if (z->GetCategory() == 2 && !SeenEndOn(z) && !z->GetReins().empty()) model = z->GetReins().front();
  ASSERT_TRUE(model);
  // The bar's straight part along the wall.
  std::vector<_3dLine> segments = ExplodePolyline(model->GetPolyline());
  const _3dLine longest = *std::max_element(segments.begin(), segments.end(), [](const _3dLine& a, const _3dLine& b) {
    return a.GetLength() < b.GetLength();
  });
  int sides[2] = {-1, -1};
  for (int reversed = 0; reversed < 2; ++reversed) {
    const _3dLine s = reversed ? longest.Reversed() : longest;
    auto zone = boost::make_shared<ReinZone>();
    zone->SetCategory(2);
    zone->SetGrade("HPB235");
    zone->SetDiameter(10);
    zone->SetSpacing(150);
    std::vector<ReinPtr> bars;
    for (double dz : {0.0, 150.0}) {
      auto bar = boost::make_shared<Rein>();
      bar->SetGrade("HPB235");
      bar->SetDiameter(10);
      bar->SetPolyline(_2dPolyline({s.GetStartPoint() + _3dVector(0, 0, dz), s.GetEndPoint() + _3dVector(0, 0, dz)},
                                   false));
      bars.push_back(bar);
    }
    zone->SetReins(bars);
    zone->SetSegmentLayerFlags({{0}, {0}});
    zone->SetDistributionLine(_3dLine(s.GetStartPoint(), s.GetStartPoint() + _3dVector(0, 0, 150)));
    std::vector<_2dLine> a, b, c, d;
    _3dVector placement;
    plan.view->GetPlacement(placement);
    const ConstuctLineRein placed(plan.view.get(), true, 2, &g_ViewBoard, {}, plan.view->GetDrawingFactor(),
                                  placement, &tank, &a, &b, &c, &d, {}, 0.0);
    ReinLabelOption option;
    const std::vector<LineReinPtr> drawn = placed({zone, {wall}}, option);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0]->GetHookType(), 1);
    EXPECT_EQ(drawn[0]->GetStartHookSide(), drawn[0]->GetEndHookSide());
    sides[reversed] = drawn[0]->GetStartHookSide();
    // Measured outward, toward the face the bar lies at: the bar is drawn
    // inside that face and every hook vertex lies farther in than the bar's
    // straight part: the hooks turn into the concrete.
    _2dLine axis;
    ASSERT_TRUE(GetWallPlanLine(wall, axis));
    const _2dLine main = GetReinMainSegment(drawn[0]->GetReinLine());
    const _2dPoint barPoint(s.GetStartPoint().x, s.GetStartPoint().y);
    const _2dPoint foot = g_VekGeometryComm.GetPerpendicularFoot(barPoint, axis);
    const _2dVector n = (barPoint - foot).GetUnitVector();
    const auto out = [&](const _2dPoint& q) {
      const _2dVector d = plan.ToModel(q) - foot;
      return d.x * n.x + d.y * n.y;
    };
    EXPECT_LT(out(main.GetStartPoint()), wall->GetThickness() * 0.5);
    for (const _3dPoint& v : drawn[0]->GetReinLine()->GetVertices())
      EXPECT_LE(out(_2dPoint(v.x, v.y)), out(main.GetStartPoint()) + 1e-6) << "reversed " << reversed;
    // The label's leader crosses the face line it starts beside.
    boost::shared_ptr<_Text> text;
    drawn[0]->GetLabelText(text);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->GetText(), FormatReinText(2, 0, 10, 150, 0));
    boost::shared_ptr<_2dLine> leader;
    drawn[0]->GetFirstLeader(leader);
    ASSERT_TRUE(leader);
    EXPECT_FALSE(plan.InWall(wall, leader->GetEndPoint()));
  }
  EXPECT_EQ(sides[0] + sides[1], 1);
}

// The tallest walls: a top 1e-5 mm lower still counts, one 1 mm lower does
// not.  The edge labels of a wall running along +x: the top edge's on the
// +y side, the bottom edge's on the −y side, whichever way its normal
// points.
TEST(WallPlan, TallestWallsAndEdgeLabelSides) {
  const auto wall = [](double top, const _3dVector& normal) {
    auto w = boost::make_shared<Board>();
    w->SetXAxis(_3dVector(1, 0, 0));
    w->SetYAxis(_3dVector(0, 0, normal.y > 0 ? -1 : 1));
    w->SetOrigin(_3dPoint(0, 0, normal.y > 0 ? top : 0));
    w->SetUpperOffset(150);
    w->SetLowerOffset(150);
    std::vector<BoardEdge> edges(4);
    const _2dPoint p[4] = {{0, 0}, {4000, 0}, {4000, top}, {0, top}};
    for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
    w->SetEdges(edges);
    return w;
  };
  const BoardPtr a = wall(3000, _3dVector(0, -1, 0));
  EXPECT_FALSE(WallTopLess()(wall(3000 - 1e-5, _3dVector(0, -1, 0)), a));
  EXPECT_TRUE(WallTopLess()(wall(2999, _3dVector(0, -1, 0)), a));

  g_ViewBoard.Reset();
  for (const _3dVector& normal : {_3dVector(0, -1, 0), _3dVector(0, 1, 0)}) {
    const BoardPtr w = wall(3000, normal);
    ASSERT_NEAR(w->GetNormal().y, normal.y, 1e-9);
    TankWallReinPlanView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.SetScaleValues(100, 100);
    WallPlanBoardDrawer(&view, 0.2).DrawEdgeResultLabels(w);
    EntityList texts;
    ASSERT_TRUE(view.GetObjectEntities(w, texts));
    ASSERT_EQ(texts.size(), 24u);  // six per edge: start, top, end, bottom
    for (std::size_t i = 0; i < 6; ++i) {
      const _3dPoint top = boost::dynamic_pointer_cast<_Text>(texts[6 + i])->GetPosition();
      const _3dPoint bottom = boost::dynamic_pointer_cast<_Text>(texts[18 + i])->GetPosition();
      EXPECT_GT(top.y, 0.0) << "normal " << normal.y;
      EXPECT_LT(bottom.y, 0.0) << "normal " << normal.y;
    }
  }
  g_ViewBoard.Reset();
}

// The range dimension of every dot row spans its zone's bars: its two
// points lie on the row's line, the measured length the model distance
// from the first bar to the last along the row.  Drawing the wall plan
// again leaves one wall plan view.
TEST(WallPlan, RangeDimensionsOfTheDotRowsAndOneView) {
  DesignedWallPlan plan("buried-two-cell");
  ASSERT_TRUE(plan.view);
  const double f = plan.view->GetDrawingFactor();
  EntityList dims;
  plan.view->GetObjectEntities(g_NullOwner, dims);
  std::erase_if(dims, [&](const EntityPtr& e) { return !boost::dynamic_pointer_cast<_2dAlignedDimension>(e); });
  int rows = 0;
  const TankReinZones zones = plan.GetTank().GetReinZones();
  for (const ReinZonePtr& zone : zones.GetZones()) {
    const EntityList dots = plan.Of(zone, kKindReinLine);
    if (zone->GetCategory() != 2 || dots.size() != 3) continue;
    ++rows;
    const _2dPoint c0 = DotCentre(dots.front()), c2 = DotCentre(dots.back());
    const _3dPoint first = zone->GetReins().front()->GetPolyline().GetVertexAt(0);
    const _3dPoint last = zone->GetReins().back()->GetPolyline().GetVertexAt(0);
    const _2dVector along = (c2 - c0).GetUnitVector();
    const double expected = std::fabs((last.x - first.x) * along.x + (last.y - first.y) * along.y);
    const auto match = std::find_if(dims.begin(), dims.end(), [&](const EntityPtr& e) {
      const auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
      return g_VekGeometryComm.IsCollinear(c0, c2, d->GetFirstPoint(), 1e-6) &&
             g_VekGeometryComm.IsCollinear(c0, c2, d->GetSecondPoint(), 1e-6);
    });
    ASSERT_NE(match, dims.end()) << "zone " << zone->GetNumber();
    const auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(*match);
    EXPECT_NEAR(g_VekGeometryComm.Distance(d->GetFirstPoint(), d->GetSecondPoint()) / f, expected, 1e-6)
        << "zone " << zone->GetNumber();
    EXPECT_EQ(plan.view->GetEntityKind(*match), kKindRangeDimension);
  }
  EXPECT_GT(rows, 0);
  EXPECT_EQ(static_cast<int>(dims.size()), rows);

  plan.view.reset();
  EXPECT_TRUE(plan.designer.DrawWallPlan(true, _3dPoint(0, 0, 0)));
  const auto& views = plan.designer.GetViews();
  EXPECT_EQ(std::count_if(views.begin(), views.end(),
                          [](const TankViewPtr& v) { return boost::dynamic_pointer_cast<TankWallReinPlanView>(v); }),
            1);
}

// The two faces of a wall carry a dot row each, a wall thickness apart: the
// texts of their range dimensions stand clear of each other and of the bar
// labels (each text on its own face's side), while every dimension still
// measures from the row's first bar to its last along the row.
TEST(WallPlan, RangeDimensionTextsOfTheTwoFacesStandClear) {
  for (const std::string& example : tank::app::ExampleNames()) {
    SCOPED_TRACE(example);
    DesignedWallPlan plan(example.c_str());
    ASSERT_TRUE(plan.view);
    std::vector<Extents> texts, labels;
    std::vector<std::pair<_2dPoint, _2dPoint>> rows;
    const TankReinZones zones = plan.GetTank().GetReinZones();
    for (const ReinZonePtr& zone : zones.GetZones()) {
      for (const int kind : {kKindReinMark, kKindReinText}) {
        const std::vector<Extents> boxes = EntityBoxes(plan.Of(zone, kind), g_ViewBoard);
        labels.insert(labels.end(), boxes.begin(), boxes.end());
      }
      const EntityList dots = plan.Of(zone, kKindReinLine);
      if (zone->GetCategory() == 2 && dots.size() >= 2) rows.emplace_back(DotCentre(dots.front()), DotCentre(dots.back()));
    }
    EntityList all;
    plan.view->GetObjectEntities(g_NullOwner, all);
    int dims = 0;
    for (const EntityPtr& e : all) {
      const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
      if (!dim || plan.view->GetEntityKind(e) != kKindRangeDimension) continue;
      ++dims;
      const Extents box = DimensionTextBox(*dim, g_ViewBoard);
      for (const Extents& other : texts)
        EXPECT_FALSE(AnyOverlap({box}, {other})) << dim->GetDisplayText() << " at " << box.GetCenter().x << ","
                                                  << box.GetCenter().y;
      EXPECT_FALSE(AnyOverlap({box}, labels)) << dim->GetDisplayText() << " at " << box.GetCenter().x << ","
                                               << box.GetCenter().y << " on a bar label";
      texts.push_back(box);
      EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const auto& row) {
        return g_VekGeometryComm.IsCollinear(row.first, row.second, dim->GetFirstPoint(), 1e-6) &&
               g_VekGeometryComm.IsCollinear(row.first, row.second, dim->GetSecondPoint(), 1e-6);
      })) << dim->GetDisplayText() << " measured off its dot row";
    }
    EXPECT_GT(dims, 1);
  }
}

// On every example's wall plan the labels of different zones stand clear of
// one another (bubbles and texts as the board draws them), every leader
// still reaches its bar or dots, and the texts read their zones.
TEST(WallPlan, LabelsOfDifferentZonesStandClear) {
  const double dotRadius = 0.5 * GetDrawingUnit() * GetReinDotSize() + 1e-6;
  for (const std::string& example : tank::app::ExampleNames()) {
    SCOPED_TRACE(example);
    DesignedWallPlan plan(example.c_str());
    ASSERT_TRUE(plan.view);
    std::vector<std::pair<int, std::vector<Extents>>> labels;
    const TankReinZones zones = plan.GetTank().GetReinZones();
    for (const ReinZonePtr& zone : zones.GetZones()) {
      EntityList members = plan.Of(zone, kKindReinMark);
      const EntityList texts = plan.Of(zone, kKindReinText);
      members.insert(members.end(), texts.begin(), texts.end());
      if (members.empty()) continue;
      labels.emplace_back(zone->GetNumber(), EntityBoxes(members, g_ViewBoard));
      for (const EntityPtr& t : texts) {
        const std::string text = boost::dynamic_pointer_cast<_Text>(t)->GetText();
        if (zone->GetCategory() == 5)
          EXPECT_EQ(text, FormatReinText(1, GetReinGradeIndex(zone->GetGrade()), zone->GetDiameter(),
                                         zone->GetSpacing(), static_cast<int>(plan.Of(zone, kKindReinLine).size())));
        else
          EXPECT_EQ(text, ZoneText(zone));
      }

      // Where the leaders start: on a bar's segment, or at a dot.
      std::vector<_2dLine> segments;
      std::vector<_2dPoint> dots;
      for (const EntityPtr& e : plan.Of(zone, kKindReinLine)) {
        const auto line = boost::dynamic_pointer_cast<_2dPolyline>(e);
        if (line->IsClosed() && line->VerNums() == 2) {
          dots.push_back(DotCentre(e));
          continue;
        }
        const std::vector<_3dPoint> v = line->GetVertices();
        for (std::size_t i = 1; i < v.size(); ++i) segments.emplace_back(_2dPoint(v[i - 1].x, v[i - 1].y), _2dPoint(v[i].x, v[i].y));
      }
      const auto onBar = [&](const _2dPoint& p) {
        return std::any_of(segments.begin(), segments.end(),
                           [&](const _2dLine& s) { return g_VekGeometryComm.IsPointOnSegment(s, p, 1e-3); });
      };
      const auto atDot = [&](const _2dPoint& p) {
        return std::any_of(dots.begin(), dots.end(),
                           [&](const _2dPoint& c) { return g_VekGeometryComm.Distance(c, p) < dotRadius; });
      };
      const EntityList firsts = plan.Of(zone, kKindReinFirstLeader), seconds = plan.Of(zone, kKindReinSecondLeader);
      std::vector<_2dLine> first, second;
      for (const EntityPtr& e : firsts) first.push_back(*boost::dynamic_pointer_cast<_2dLine>(e));
      for (const EntityPtr& e : seconds) second.push_back(*boost::dynamic_pointer_cast<_2dLine>(e));
      // Every label line is reached by a leader, and every leader that
      // reaches it comes from the bar, a dot, or the common centre of a fan
      // whose other leaders end at the dots.
      for (const _2dLine& line : second) {
        int reaching = 0;
        for (const _2dLine& l : first) {
          if (!g_VekGeometryComm.IsPointOnSegment(line, l.GetEndPoint(), 1e-3)) continue;
          ++reaching;
          const _2dPoint s = l.GetStartPoint();
          const bool fan = std::any_of(first.begin(), first.end(), [&](const _2dLine& o) {
            return g_VekGeometryComm.Distance(o.GetStartPoint(), s) < 1e-6 && atDot(o.GetEndPoint());
          });
          EXPECT_TRUE(onBar(s) || atDot(s) || fan) << "zone " << zone->GetNumber() << " leader at " << s.x << "," << s.y;
        }
        EXPECT_GT(reaching, 0) << "zone " << zone->GetNumber();
      }
    }
    for (std::size_t i = 0; i < labels.size(); ++i)
      for (std::size_t j = i + 1; j < labels.size(); ++j)
        EXPECT_FALSE(AnyOverlap(labels[i].second, labels[j].second))
            << "marks " << labels[i].first << " and " << labels[j].first;
  }
}
