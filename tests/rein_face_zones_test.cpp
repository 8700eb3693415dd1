// Face zones of single boards: bar counts and end points on a slab worked out
// by hand, bars cut at an opening or passing it within the cover, and over a designed example every face bar
// running across its board on its face's bar layer.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"
#include "rebar/FaceZones.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>

namespace {

using rebarfx::MakeBoard;

struct SlabFixture {
  ProjectSettings settings;
  ReinDesignOptions options;
  Tank tank;
  BoardPtr slab = MakeBoard(1, 3000, 4000, 300);
  SlabFixture() {
    options.SetSettings(&settings);
    tank.AddBoard(slab);
    for (bool upper : {true, false})
      for (bool x : {true, false}) {
        slab->GetFaceValues(upper, x).diameter = 12;
        slab->GetFaceValues(upper, x).spacing = 150;
        slab->GetFaceValues(upper, x).grade = "HRB335";
      }
  }
};

// A lone slab 3000 × 4000, 300 thick, 12@150 everywhere: the X bars (along
// x) are spread over 4000 mm: 26 whole spacings leave 100 mm, so the first
// line lies 50 mm in and 26 lines follow at 150 mm; the Y bars over 3000 mm:
// exactly 20 spacings, one of them taken as the leftover, so 19 lines from
// 75 mm in.  Every edge is free:
// the bars stop one cover inside at both ends.
TEST(FaceZones, LoneSlabBarsCountedAndPulledBackAtFreeEdges) {
  SlabFixture f;
  LayoutSingleBoardZones(f.tank, f.options, f.slab);
  ASSERT_EQ(f.slab->GetUpperZones().size(), 2u);
  ASSERT_EQ(f.slab->GetLowerZones().size(), 2u);
  const double coverUpper = GetConcreteCover(f.options, f.slab, true);
  const double coverLower = GetConcreteCover(f.options, f.slab, false);
  ASSERT_GT(coverUpper, 0.0);
  struct Case {
    ReinZonePtr zone;
    int direction, face;
    std::size_t bars;
    double length, z;
  };
  const Case cases[] = {
      {f.slab->GetUpperZones()[0], 0, 0, 26, 3000 - 2 * coverUpper, 150 - coverUpper},
      {f.slab->GetUpperZones()[1], 1, 0, 19, 4000 - 2 * coverUpper, 150 - coverUpper},
      {f.slab->GetLowerZones()[0], 0, 1, 26, 3000 - 2 * coverLower, -(150 - coverLower)},
      {f.slab->GetLowerZones()[1], 1, 1, 19, 4000 - 2 * coverLower, -(150 - coverLower)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.zone->GetDirection(), c.direction);
    EXPECT_EQ(c.zone->GetFace(), c.face);
    EXPECT_EQ(c.zone->GetSpacing(), 150);
    ASSERT_EQ(c.zone->GetReins().size(), c.bars);
    const _2dPolyline& first = c.zone->GetReins().front()->GetPolyline();
    EXPECT_NEAR(c.zone->GetReins().front()->GetLength(), c.length, 1e-6);
    EXPECT_NEAR(first.GetVertexAt(0).z, c.z, 1e-6);
    // The first line: 50 mm in for X bars, 75 mm in for Y bars (the bar
    // lines are spread from the side on their right).
    if (c.direction == 0) EXPECT_NEAR(first.GetVertexAt(0).y, 50.0, 1e-6);
    else EXPECT_NEAR(3000.0 - first.GetVertexAt(0).x, 75.0, 1e-6);
    EXPECT_EQ(c.zone->GetReins().front()->GetDiameter(), 12);
  }
  // Equal X and Y bars on a slab: the X zone lies on layer 1, the Y zone on 0.
  EXPECT_EQ(f.slab->GetUpperZones()[0]->GetLayerFlag(), 1);
  EXPECT_EQ(f.slab->GetUpperZones()[1]->GetLayerFlag(), 0);
}

TEST(FaceZones, OpeningCutsTheBarsItCrosses) {
  SlabFixture f;
  auto hole = boost::make_shared<RectangleHole>();
  hole->SetCorners({{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 2000}});
  f.slab->AddHole(hole);
  // A layer without bars gets no zone.
  f.slab->GetFaceValues(false, false).diameter = 0;
  LayoutSingleBoardZones(f.tank, f.options, f.slab);
  ASSERT_EQ(f.slab->GetLowerZones().size(), 1u);
  const double cover = GetConcreteCover(f.options, f.slab, true);
  // X lines at y = 50 + 150k; those with 1000 < y <= 2000 (k = 7..13, seven
  // of them, the last along the opening's side) are cut into two bars, each
  // ending one cover before the opening.
  const auto& bars = f.slab->GetUpperZones()[0]->GetReins();
  EXPECT_EQ(bars.size(), 26u + 7u);
  int cutPieces = 0;
  for (const ReinPtr& bar : bars) {
    const _2dPolyline& l = bar->GetPolyline();
    const double y = l.GetVertexAt(0).y;
    for (int i = 0; i < 2; ++i) {
      const _3dPoint& p = l.GetVertexAt(i);
      EXPECT_FALSE(p.x > 1000 - 1e-6 && p.x < 2000 + 1e-6 && p.y > 1000 && p.y < 2000) << p.x << "," << p.y;
    }
    if (y > 1000 && y <= 2000) {
      ++cutPieces;
      EXPECT_NEAR(bar->GetLength(), 1000 - 2 * cover, 1e-6);
    }
  }
  EXPECT_EQ(cutPieces, 14);
}

// A bar line passing an opening closer than the cover is cut as a crossing
// one is: no bar lies in the opening's cover.  X lines at y = 50 + 150k; the
// opening's lower side lies 20 mm above the line y = 950 and (rectangle) its
// upper side 20 mm under y = 2000.  Every bar keeps the cover (35) from the
// opening, and the lines within it are cut into two bars.
TEST(FaceZones, BarsPassingAnOpeningWithinTheCoverAreCut) {
  struct Case {
    const char* what;
    HolePtr hole;
    int cutLines;
  };
  auto rect = boost::make_shared<RectangleHole>();
  rect->SetCorners({{1000, 970}, {2000, 970}, {2000, 1980}, {1000, 1980}});
  auto circle = boost::make_shared<CircleHole>();
  circle->SetCenter({1500, 1500});
  circle->SetRadius(530);
  // Distance from a point to the opening.
  auto distance = [](const HolePtr& hole, const _2dPoint& p) {
    if (const auto* c = dynamic_cast<const CircleHole*>(hole.get())) return (p - c->GetCenter()).GetLength() - c->GetRadius();
    const double dx = std::max({1000 - p.x, 0.0, p.x - 2000}), dy = std::max({970 - p.y, 0.0, p.y - 1980});
    return std::hypot(dx, dy);
  };
  // Rectangle: y = 950 .. 2000, eight lines.  Circle: y = 950 (20 mm under
  // it) to 2000 (crossing), eight lines.
  for (const Case& c : {Case{"rectangle", rect, 8}, Case{"circle", circle, 8}}) {
    SlabFixture f;
    f.slab->AddHole(c.hole);
    LayoutSingleBoardZones(f.tank, f.options, f.slab);
    const double cover = GetConcreteCover(f.options, f.slab, true);
    ASSERT_EQ(cover, 35.0);
    const auto& bars = f.slab->GetUpperZones()[0]->GetReins();
    EXPECT_EQ(bars.size(), 26u + static_cast<std::size_t>(c.cutLines)) << c.what;
    for (const ReinPtr& bar : bars) {
      const _3dPoint p = bar->GetPolyline().GetVertexAt(0), q = bar->GetPolyline().GetVertexAt(1);
      // The straight piece on the layer: its nearest point to the opening
      // is an end or the foot of the perpendicular from the opening.
      double nearest = std::min(distance(c.hole, {p.x, p.y}), distance(c.hole, {q.x, q.y}));
      const double x = std::clamp(1500.0, std::min(p.x, q.x), std::max(p.x, q.x));
      nearest = std::min(nearest, distance(c.hole, {x, p.y}));
      EXPECT_GE(nearest, cover - 1e-5) << c.what << ": bar at y " << p.y << " from x " << p.x << " to " << q.x;
    }
  }
}

// Every face bar of the designed example lies on its face's bar layer (the
// face's offset less its cover from the reference plane) and inside its
// board's outline; every board face has zones with bars.
class FaceZonesOfExample : public HostCommandTest {};

TEST_F(FaceZonesOfExample, EveryFaceBarRunsOnItsLayerAcrossItsBoard) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("grid-3x2"), "x"), "x");
  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  designer.DesignRein(nullptr);
  ReinDesignOptions options;
  options.SetSettings(&designer.GetSettings());
  for (const BoardPtr& b : designer.GetTank().GetBoards()) {
    std::vector<_2dPoint> outline;
    b->GetLocalOutline(outline);
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (const _2dPoint& p : outline) {
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x), minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    for (bool upper : {true, false}) {
      const auto& zones = upper ? b->GetUpperZones() : b->GetLowerZones();
      ASSERT_FALSE(zones.empty());
      const double level = upper ? b->GetUpperOffset() - GetConcreteCover(options, b, true)
                                 : -(b->GetLowerOffset() - GetConcreteCover(options, b, false));
      for (const ReinZonePtr& zone : zones) {
        EXPECT_EQ(zone->GetCategory(), 2);
        EXPECT_EQ(zone->GetKind(), b->GetKind() == 0 ? 256 : b->GetKind() == 1 ? 16 : 1);
        EXPECT_GT(zone->GetNumber(), 0);
        ASSERT_FALSE(zone->GetReins().empty());
        for (const ReinPtr& bar : zone->GetReins()) {
          // The bar's run across its board: a segment on the face's bar layer
          // whose midpoint lies inside the board (its ends are treated at the
          // edges and may bend or run on into the neighbouring boards).
          const _2dPolyline& line = bar->GetPolyline();
          const _3dPoint o = b->GetOrigin();
          const _3dVector n = b->GetNormal();
          auto height = [&](const _3dPoint& p) { return (p.x - o.x) * n.x + (p.y - o.y) * n.y + (p.z - o.z) * n.z; };
          bool run = false;
          for (int i = 0; i + 1 < line.VerNums(); ++i) {
            const _3dPoint p = line.GetVertexAt(i), q = line.GetVertexAt(i + 1);
            if (std::abs(height(p) - level) > 1e-6 || std::abs(height(q) - level) > 1e-6) continue;
            const _2dPoint local = b->WorldToLocal(_3dPoint((p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2));
            if (local.x > minX - 1e-6 && local.x < maxX + 1e-6 && local.y > minY - 1e-6 && local.y < maxY + 1e-6)
              run = true;
          }
          EXPECT_TRUE(run);
        }
      }
    }
  }
}

// The open single cell with the wall bar extension "1/3" (walls free at the
// top): each wall's vertical bars lie on lines at half the spacing (100 for
// 200), every other one a bar a third of the wall's span long from its foot
// (span from the bottom slab's mid-plane, −450, to the top, 3200: 3650 / 3 =
// 1216.7 mm, up to z = 766.7), the others running to one cover under the top.
TEST_F(FaceZonesOfExample, WallBarExtensionLaysEveryOtherVerticalBarShort) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("open-single-cell"), "x"), "x");
  DetailingSettings& detailing = designer.GetSettings().GetDetailingSettings();
  detailing.SetWallBarExtensionOn(true);
  detailing.SetWallBarExtensionRule("1/3");
  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  designer.DesignRein(nullptr);
  const double shortTop = -450 + 3650.0 / 3, longTop = 3200 - 35;
  int walls = 0;
  for (const BoardPtr& b : designer.GetTank().GetBoards()) {
    if (b->GetKind() != 0) continue;
    ++walls;
    for (bool upper : {true, false}) {
      const auto& zones = upper ? b->GetUpperZones() : b->GetLowerZones();
      // The vertical bars: the zone of the wall's vertical direction.
      const auto it = std::find_if(zones.begin(), zones.end(), [&](const ReinZonePtr& z) {
        return !z->GetReins().empty() && (z->GetDirection() == 0) == b->GetXAxis().IsSameDirection(_3dVector(0, 0, 1), 0.001);
      });
      ASSERT_NE(it, zones.end());
      const ReinZonePtr& zone = *it;
      EXPECT_EQ(zone->GetSpacing(), 200);
      // Each bar's position along the wall and the top of its vertical part.
      std::vector<std::pair<double, double>> bars;
      const _3dVector along = b->GetNormal().CrossProduct(_3dVector(0, 0, 1));
      for (const ReinPtr& bar : zone->GetReins()) {
        const _2dPolyline& l = bar->GetPolyline();
        double top = -1e9, at = 0;
        for (int i = 0; i < l.VerNums(); ++i)
          if (l.GetVertexAt(i).z > top) top = l.GetVertexAt(i).z, at = (l.GetVertexAt(i) - b->GetOrigin()).DotProduct(along) / along.GetLength();
        bars.emplace_back(at, top);
      }
      std::sort(bars.begin(), bars.end());
      ASSERT_GE(bars.size(), 4u);
      for (std::size_t k = 0; k < bars.size(); ++k) {
        if (k > 0) EXPECT_NEAR(bars[k].first - bars[k - 1].first, 100.0, 1e-6) << k;
        EXPECT_NEAR(bars[k].second, k % 2 == 0 ? shortTop : longTop, 1e-6) << "wall bar " << k;
      }
    }
  }
  EXPECT_EQ(walls, 4);
}

}  // namespace
