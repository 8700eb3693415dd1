// Bar lines across a zone outline, and the bars of an edge zone repeated along
// its distribution line.
#include "rebar/BarLines.h"
#include "rebar/ZoneBars.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <string>
#include <vector>

namespace {

std::vector<_2dPoint> Rectangle(double w, double h) { return {{0, 0}, {w, 0}, {w, h}, {0, h}}; }

std::string Describe(const std::vector<_2dLine>& lines) {
  std::string out;
  char buf[96];
  for (const _2dLine& l : lines) {
    std::snprintf(buf, sizeof buf, "%s(%.2f,%.2f)-(%.2f,%.2f)", out.empty() ? "" : " ", l.GetStartPoint().x,
                  l.GetStartPoint().y, l.GetEndPoint().x, l.GetEndPoint().y);
    out += buf;
  }
  return out;
}

// Bar lines along x across a 2000 mm long rectangle of the given width: the
// y of each line.
std::vector<double> LineLevels(double width, int spacing, bool single) {
  std::vector<_2dLine> lines;
  const bool byY = false;
  LayoutBarLines(Rectangle(2000, width), spacing, _2dVector(1, 0), lines, &byY, single);
  std::vector<double> ys;
  for (const _2dLine& l : lines) {
    EXPECT_DOUBLE_EQ(l.GetStartPoint().x, 0.0);
    EXPECT_DOUBLE_EQ(l.GetEndPoint().x, 2000.0);
    EXPECT_DOUBLE_EQ(l.GetStartPoint().y, l.GetEndPoint().y);
    ys.push_back(l.GetStartPoint().y);
  }
  return ys;
}

}  // namespace

TEST(BarLines, SpreadAcrossARectangle) {
  struct Case {
    double width;
    int spacing;
    bool single;
    std::vector<double> levels;
  };
  const Case cases[] = {
      {1000, 150, false, {50, 200, 350, 500, 650, 800}},  // leftover 100: 50 in, 200 left at the far side
      {900, 150, false, {75, 225, 375, 525, 675}},        // an even fit drops one line
      {1000, 200, false, {100, 300, 500, 700}},
      {100, 150, false, {}},  // narrower than one spacing
      {1000, 150, true, {150}},
      {100, 150, true, {}},  // the one line lies outside
      {1000, 0, false, {}},   // no spacing, no line
      {1000, -150, false, {}},
  };
  for (const Case& c : cases) {
    const std::vector<double> ys = LineLevels(c.width, c.spacing, c.single);
    ASSERT_EQ(ys.size(), c.levels.size()) << c.width << " at " << c.spacing;
    for (std::size_t i = 0; i < ys.size(); ++i) EXPECT_NEAR(ys[i], c.levels[i], 1e-9) << c.width << " at " << c.spacing;
  }
}

TEST(BarLines, CornersAndNotchesCutTheLines) {
  // A 1000 × 600 outline with a V notch from its top edge down to (500, 150).
  // At spacing 100 the lines lie at 50, 150, ..., 450: the line at 150 only
  // touches the notch tip (three crossings: no bar), the lines above it are
  // cut in two.
  const std::vector<_2dPoint> outline{{0, 0}, {1000, 0}, {1000, 600}, {600, 600}, {500, 150}, {400, 600}, {0, 600}};
  std::vector<_2dLine> lines;
  const bool byY = false;
  LayoutBarLines(outline, 100, _2dVector(1, 0), lines, &byY, false);
  const double cut250 = 100.0 * 100 / 450, cut350 = 100.0 * 200 / 450, cut450 = 100.0 * 300 / 450;
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "(0.00,50.00)-(1000.00,50.00) "
                "(0.00,250.00)-(%.2f,250.00) (%.2f,250.00)-(1000.00,250.00) "
                "(0.00,350.00)-(%.2f,350.00) (%.2f,350.00)-(1000.00,350.00) "
                "(0.00,450.00)-(%.2f,450.00) (%.2f,450.00)-(1000.00,450.00)",
                500 - cut250, 500 + cut250, 500 - cut350, 500 + cut350, 500 - cut450, 500 + cut450);
  EXPECT_EQ(Describe(lines), expected);

  // Bars along y, crossings ordered by y.
  std::vector<_2dLine> columns;
  const bool sortY = true;
  LayoutBarLines(Rectangle(300, 1000), 100, _2dVector(0, 1), columns, &sortY, false);
  // The first bar side is the rectangle's side at the least "across"
  // (direction turned by +π/2, here −x): x = 300; 300 at 100 fits evenly,
  // so two lines.
  EXPECT_EQ(Describe(columns), "(250.00,0.00)-(250.00,1000.00) (150.00,0.00)-(150.00,1000.00)");
}

// ---------------------------------------------------------------------------
// Bars along a distribution line

TEST(ZoneBars, PlacementAlongALine) {
  struct Case {
    double length;
    int spacing;
    int count;
    double start;
  };
  const Case cases[] = {
      {1000, 150, 6, 50}, {900, 150, 6, 0}, {1000, 200, 5, 0}, {1050, 200, 5, 25},
      {150, 200, 0, 75},  {1000, 0, 0, 0},  {1000, -5, 0, 0},
  };
  for (const Case& c : cases) {
    const BarPlacement p = PlaceBarsOnLine(c.length, c.spacing);
    EXPECT_EQ(p.count, c.count) << c.length << " at " << c.spacing;
    EXPECT_DOUBLE_EQ(p.start, c.start) << c.length << " at " << c.spacing;
  }
}

namespace {

// An edge zone along x from the origin: a vertical two-leg template bar
// standing at x = 300 (off the line's start), repeated at the spacing.
ReinZonePtr MakeEdgeZone(double length, int spacing) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(length, 0, 0)));
  zone->SetSpacing(spacing);
  zone->SetGrade("HRB335");
  zone->SetDiameter(14);
  zone->SetTemplatePolyline(_2dPolyline({{300, 50, 100}, {300, 50, 600}, {300, 700, 600}}));
  return zone;
}

std::vector<double> BarPositions(const std::vector<ReinPtr>& bars) {
  std::vector<double> xs;
  for (const ReinPtr& bar : bars) {
    const _2dPolyline& p = bar->GetPolyline();
    EXPECT_EQ(p.VerNums(), 3);
    // Every vertex moved along the line only: y and z as in the template.
    EXPECT_DOUBLE_EQ(p.GetVertexAt(0).y, 50);
    EXPECT_DOUBLE_EQ(p.GetVertexAt(0).z, 100);
    EXPECT_DOUBLE_EQ(p.GetVertexAt(2).y, 700);
    EXPECT_DOUBLE_EQ(p.GetVertexAt(2).z, 600);
    EXPECT_DOUBLE_EQ(p.GetVertexAt(1).x, p.GetVertexAt(0).x);
    EXPECT_EQ(bar->GetGrade(), "HRB335");
    EXPECT_EQ(bar->GetDiameter(), 14);
    xs.push_back(p.GetVertexAt(0).x);
  }
  return xs;
}

}  // namespace

TEST(ZoneBars, ExpandAndDistributeShareOnePlacement) {
  struct Case {
    double length;
    int spacing;
    std::vector<double> xs;
  };
  const Case cases[] = {
      {1000, 150, {50, 200, 350, 500, 650, 800}},
      {900, 150, {0, 150, 300, 450, 600, 750}},
      {1000, 200, {0, 200, 400, 600, 800}},
      {1050, 200, {25, 225, 425, 625, 825}},
      {150, 200, {}},
  };
  for (const Case& c : cases) {
    const ReinZonePtr expanded = MakeEdgeZone(c.length, c.spacing);
    ExpandZoneBars(expanded);
    const std::vector<double> xs = BarPositions(expanded->GetReins());
    ASSERT_EQ(xs.size(), c.xs.size()) << c.length << " at " << c.spacing;
    for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(xs[i], c.xs[i], 1e-9);

    // Laying the zone again gives the same bars, replacing the old ones.
    const ReinZonePtr relaid = MakeEdgeZone(c.length, c.spacing);
    relaid->AddRein(boost::make_shared<Rein>());
    EXPECT_TRUE(DistributeBarsOnLine(relaid, 0, false).empty());
    const std::vector<double> again = BarPositions(relaid->GetReins());
    ASSERT_EQ(again.size(), xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(again[i], xs[i], 1e-9);
  }

  // The expansion appends to the zone's bars.
  const ReinZonePtr zone = MakeEdgeZone(1000, 200);
  ExpandZoneBars(zone);
  ExpandZoneBars(zone);
  EXPECT_EQ(zone->GetReins().size(), 10u);
}

TEST(ZoneBars, SingleBarAndDegenerateZones) {
  // Single mode: one bar at position + leftover / 2; the zone keeps its bars.
  const ReinZonePtr zone = MakeEdgeZone(1000, 150);
  ExpandZoneBars(zone);
  const std::vector<ReinPtr> one = DistributeBarsOnLine(zone, 300, true);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_NEAR(BarPositions(one)[0], 350, 1e-9);
  EXPECT_EQ(zone->GetReins().size(), 6u);

  // A line shorter than one spacing: the single bar lies at position + half
  // the line; the full mode leaves no bar.
  const ReinZonePtr shortZone = MakeEdgeZone(100, 150);
  EXPECT_NEAR(BarPositions(DistributeBarsOnLine(shortZone, 0, true))[0], 50, 1e-9);
  shortZone->AddRein(boost::make_shared<Rein>());
  DistributeBarsOnLine(shortZone, 0, false);
  EXPECT_TRUE(shortZone->GetReins().empty());

  // No spacing: no bar in either mode, and the zone keeps what it had.
  for (int spacing : {0, -150}) {
    const ReinZonePtr none = MakeEdgeZone(1000, spacing);
    none->AddRein(boost::make_shared<Rein>());
    ExpandZoneBars(none);
    EXPECT_TRUE(DistributeBarsOnLine(none, 300, true).empty());
    EXPECT_TRUE(DistributeBarsOnLine(none, 0, false).empty());
    EXPECT_EQ(none->GetReins().size(), 1u) << spacing;
  }

  // A template of one vertex lays nothing.
  const ReinZonePtr bad = MakeEdgeZone(1000, 150);
  bad->SetTemplatePolyline(_2dPolyline({{0, 0, 0}}));
  ExpandZoneBars(bad);
  EXPECT_TRUE(bad->GetReins().empty());
  ExpandZoneBars(ReinZonePtr());  // no zone: nothing happens
}
