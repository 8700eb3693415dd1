// Wall sections: the cut of the boards, the window with its cut lines and
// break lines, the dimensions and elevation marks, the sections defined on a
// plan (numbering, viewing direction, refused lines), their drawings and
// their filing.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "drawing/WallSectionDimensions.h"
#include "view/DrawingRoutines.h"
#include "view/LabelClearance.h"
#include "view/ReinLabel.h"
#include "tests/tank_fixtures.h"
#include "views/DrawingViews.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace {

constexpr double kTol = 1e-6;
constexpr int kKindBreak = 0x8000000;

std::vector<_2dLine> LinesOfKind(const TankView& view, int mask) {
  EntityList matching, other;
  view.SplitEntitiesByKind(mask, matching, other);
  std::vector<_2dLine> lines;
  for (const EntityPtr& e : matching)
    if (auto l = boost::dynamic_pointer_cast<_2dLine>(e)) lines.push_back(*l);
  return lines;
}

EntityList EntitiesOfKind(const TankView& view, int mask) {
  EntityList matching, other;
  view.SplitEntitiesByKind(mask, matching, other);
  return matching;
}

std::vector<std::string> Texts(const EntityList& entities) {
  std::vector<std::string> out;
  for (const EntityPtr& e : entities)
    if (auto t = boost::dynamic_pointer_cast<_Text>(e)) out.push_back(t->GetText());
  return out;
}

std::vector<std::string> DimensionTexts(const EntityList& entities) {
  std::vector<std::string> out;
  for (const EntityPtr& e : entities)
    if (auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e)) out.push_back(d->GetDisplayText());
  return out;
}

bool Contains(const std::vector<std::string>& list, const std::string& s) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

// The concrete of a drawn section: the box of each cut board's lines.
std::vector<Extents> ConcreteBoxes(const TankView& view) {
  ObjectEntityMap map;
  view.GetObjectEntityMap(map);
  std::vector<Extents> boxes;
  for (const auto& [object, entities] : map) {
    if (!boost::dynamic_pointer_cast<Board>(object) && object != g_NullOwner) continue;
    Extents box;
    for (const EntityPtr& e : entities)
      if (view.GetEntityKind(e) == kKindBoardOutline) box.Extend(e->GetExtents());
    if (!box.IsEmpty()) boxes.push_back(box);
  }
  // The haunches: the triangle under each haunch line.
  for (const EntityPtr& e : EntitiesOfKind(view, 0x4)) boxes.push_back(e->GetExtents());
  return boxes;
}

bool InConcrete(const std::vector<Extents>& boxes, const _2dPoint& p) {
  return std::any_of(boxes.begin(), boxes.end(), [&](const Extents& b) { return b.Contains(p, 1e-6); });
}

// A dot: a closed two-vertex polyline; its centre is the middle of the two.
bool DotCentre(const EntityPtr& e, _2dPoint& centre) {
  const auto pl = boost::dynamic_pointer_cast<_2dPolyline>(e);
  if (!pl || pl->VerNums() != 2 || !pl->IsClosed()) return false;
  const _3dPoint a = pl->GetVertexAt(0), b = pl->GetVertexAt(1);
  centre = _2dPoint((a.x + b.x) / 2, (a.y + b.y) / 2);
  return true;
}

// Every bar vertex and dot centre of the section lies in the concrete and
// between the cut lines; every label reads its zone's text and every bubble
// its zone's mark.  Returns the number of bars and dots seen.
// The ends of the drawn slab bars (bottom slabs kind 1, top slabs kind 2)
// that the window shows as real bar ends: not on a cut line.
int SlabBarEndsInWindow(const TankWallReinSectionView& view, const Tank& tank, int slabKind) {
  const auto left = view.GetLeftCut(), right = view.GetRightCut();
  const double clear = view.GetUnit();
  int ends = 0;
  for (const auto& c : tank.GetComponents()) {
    const auto b = boost::dynamic_pointer_cast<Board>(c);
    if (!b || b->GetKind() != slabKind) continue;
    for (const ReinZonePtr& zone : b->GetAllZones()) {
      EntityList entities;
      if (!view.GetObjectEntities(zone, entities)) continue;
      for (const EntityPtr& e : entities) {
        _2dPoint centre;
        const auto pl = boost::dynamic_pointer_cast<_2dPolyline>(e);
        if (view.GetEntityKind(e) != kKindReinLine || !pl || DotCentre(e, centre) || pl->VerNums() < 2) continue;
        for (const int i : {0, pl->VerNums() - 1}) {
          const _3dPoint v = pl->GetVertexAt(i);
          if (left && v.x < left->GetStartPoint().x + clear) continue;
          if (right && v.x > right->GetStartPoint().x - clear) continue;
          ++ends;
        }
      }
    }
  }
  return ends;
}

int CheckSectionBars(const TankWallReinSectionView& view, const Tank& tank, bool skipConcrete = false) {
  const auto boxes = ConcreteBoxes(view);
  const auto left = view.GetLeftCut(), right = view.GetRightCut();
  int seen = 0;
  std::vector<ReinZonePtr> zones;
  for (const auto& c : tank.GetComponents())
    if (const auto b = boost::dynamic_pointer_cast<Board>(c))
      for (const ReinZonePtr& z : b->GetAllZones()) zones.push_back(z);
  for (const ReinZonePtr& zone : zones) {
    EntityList entities;
    if (!view.GetObjectEntities(zone, entities)) continue;
    for (const EntityPtr& e : entities) {
      const int kind = view.GetEntityKind(e);
      if (kind == kKindReinLine) {
        std::vector<_2dPoint> points;
        _2dPoint c;
        if (DotCentre(e, c)) {
          points.push_back(c);
        } else if (const auto pl = boost::dynamic_pointer_cast<_2dPolyline>(e)) {
          for (const _3dPoint& v : pl->GetVertices()) points.emplace_back(v.x, v.y);
        }
        ++seen;
        for (const _2dPoint& p : points) {
          if (!skipConcrete) {
            EXPECT_TRUE(InConcrete(boxes, p)) << "zone " << zone->GetNumber() << " at " << p.x << ", " << p.y;
          }
          if (left) {
            EXPECT_GE(p.x, left->GetStartPoint().x - 1e-6) << "zone " << zone->GetNumber();
          }
          if (right) {
            EXPECT_LE(p.x, right->GetStartPoint().x + 1e-6) << "zone " << zone->GetNumber();
          }
        }
      } else if (kind == kKindReinMark) {
        if (const auto mark = boost::dynamic_pointer_cast<Ordinal>(e)) EXPECT_EQ(mark->GetNumber(), zone->GetNumber());
      } else if (kind == kKindReinText && zone->GetCategory() == 2) {
        const auto text = boost::dynamic_pointer_cast<_Text>(e);
        if (!text) {
          ADD_FAILURE() << "a label text that is no text";
          continue;
        }
        EXPECT_EQ(text->GetText(), FormatReinText(2, GetReinGradeIndex(zone->GetGrade()), zone->GetDiameter(),
                                                  zone->GetSpacing(), 0))
            << "zone " << zone->GetNumber();
      }
    }
  }
  // Range dimensions only for what the drawing shows: none runs on beyond a
  // cut line.
  for (const EntityPtr& e : EntitiesOfKind(view, kKindRangeDimension)) {
    const auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
    if (!d) continue;
    for (const _2dPoint& p : {d->GetFirstPoint(), d->GetSecondPoint()}) {
      if (left) {
        EXPECT_GE(p.x, left->GetStartPoint().x - 1e-6) << "range dimension";
      }
      if (right) {
        EXPECT_LE(p.x, right->GetStartPoint().x + 1e-6) << "range dimension";
      }
    }
  }
  return seen;
}

// A project built, analysed and designed, its bottom slab plan drawn at
// 1:100 at the origin and every automatic section of it drawn in a row
// below; `made` takes the number of sections made before they are drawn.
::testing::AssertionResult DesignAndDrawAutomaticSections(TankDesigner& designer, const std::string& project,
                                                          std::size_t* made = nullptr) {
  tank::app::BuildNewTank(designer, tank::app::ReadProject(project, "x"), "x");
  if (!designer.Analyse()) return ::testing::AssertionFailure() << "the analysis failed";
  designer.DesignRein(nullptr);
  designer.SetReinDesigned(true);
  ViewSettings settings;
  boost::shared_ptr<BottomBoardReinView> plan;
  AddViewOfClass(plan, const_cast<ViewList&>(designer.GetViews()), settings, ViewVolumn());
  if (!plan->Draw(designer.GetTank(), 100, settings, true, _3dPoint(0, 0, 0)))
    return ::testing::AssertionFailure() << "the bottom slab plan was not drawn";
  designer.MakeAutoSections();
  if (made) *made = designer.GetSections().size();
  _3dPoint at(0, -50000, 0);
  if (!designer.DrawAllSections(at, nullptr, 0, nullptr))
    return ::testing::AssertionFailure() << "a section was not drawn";
  return ::testing::AssertionSuccess();
}

// A single-cell tank of the default settings with 350 mm walls, its bottom
// slab plan drawn at 1:100 at the origin (the plan the cuts are given on).
class SectionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ViewBoard.Reset();
    GetScriptedHost().SetMessageStream(nullptr);
    GetScriptedHost().Reset();
    const std::string project = R"({"settings": {"geometry": {"wall_thickness_mm": 350}},
      "tank": {"origin_mm": [0, 0], "length_x_mm": 6000, "length_y_mm": 4000, "cells_x": 1, "cells_y": 1}})";
    tank::app::BuildNewTank(designer, tank::app::ReadProject(project, "x"), "x");
    DrawPlan();
  }
  void TearDown() override {
    designer.ClearViews();
    g_ViewBoard.Reset();
  }
  void DrawPlan() {
    ViewSettings settings;
    boost::shared_ptr<BottomBoardReinView> view;
    AddViewOfClass(view, const_cast<ViewList&>(designer.GetViews()), settings, ViewVolumn());
    ASSERT_TRUE(view->Draw(designer.GetTank(), 100, settings, true, _3dPoint(0, 0, 0)));
    plan = view;
  }
  // The wall along y at x = 0 (the west wall).
  BoardPtr WestWall() {
    for (const BoardPtr& w : designer.GetTank().GetWalls()) {
      std::vector<_3dPoint> o;
      w->GetOutline(o);
      if (std::all_of(o.begin(), o.end(), [](const _3dPoint& p) { return std::fabs(p.x) < 1.0; })) return w;
    }
    return {};
  }
  TankDesigner designer;
  TankViewPtr plan;
};

boost::shared_ptr<TankWallReinSectionView> LastSectionView(const TankDesigner& designer) {
  for (auto it = designer.GetViews().rbegin(); it != designer.GetViews().rend(); ++it)
    if (auto v = boost::dynamic_pointer_cast<TankWallReinSectionView>(*it)) return v;
  return {};
}

// The automatic cut across the west wall, 350 thick, at 1:50 with u = 100
// (factor 2): the window reaches 175 + 300 mm each side of the wall axis
// (300 = u × the text height 3.0 of the plan at 1:100); the wall's cut is
// 700 drawing units wide; the slabs run beyond the window and are cut off
// with a break line on each side; the wall is dimensioned "350" and the
// levels marked "-4.500" (bottom slab top) and "-0.500" (tank top).
TEST_F(SectionFixture, HandWorkedSectionAcrossOneWall) {
  designer.MakeAutoSections();
  const auto sections = designer.GetSections();
  ASSERT_EQ(sections.size(), 4u);
  const BoardPtr wall = WestWall();
  ASSERT_TRUE(wall);
  boost::shared_ptr<Section> section;
  for (const auto& s : sections)
    if (std::fabs(s->GetVolume().m_origin.x) < 1.0) section = s;
  ASSERT_TRUE(section);
  const ViewVolumn& volume = section->GetVolume();
  EXPECT_NEAR(volume.m_bounds[0], 475.0, 1e-6);
  EXPECT_NEAR(volume.m_bounds[2], 475.0, 1e-6);
  EXPECT_TRUE(std::isinf(volume.m_bounds[1]) && volume.m_bounds[1] > 0);
  EXPECT_NEAR(volume.m_origin.y, 2000.0, 1e-6);

  _3dPoint at(0, 0, 0);
  Extents extent;
  ASSERT_TRUE(designer.DrawWallSection(section, true, at, &extent));
  const auto view = LastSectionView(designer);
  ASSERT_TRUE(view);
  EXPECT_DOUBLE_EQ(view->GetDrawingFactor(), 2.0);

  EntityList wallEntities;
  ASSERT_TRUE(view->GetObjectEntities(wall, wallEntities));
  double minX = 1e300, maxX = -1e300;
  for (const EntityPtr& e : wallEntities) {
    const Extents b = e->GetExtents();
    minX = std::min(minX, b.minX);
    maxX = std::max(maxX, b.maxX);
  }
  EXPECT_NEAR(maxX - minX, 700.0, 1e-6);

  // Cut on both sides, at or beyond the window (475 × 2 units from the axis).
  ASSERT_TRUE(view->GetLeftCut());
  ASSERT_TRUE(view->GetRightCut());
  const double axis = (minX + maxX) * 0.5;
  EXPECT_LE(view->GetLeftCut()->GetStartPoint().x, axis - 950.0 + 1e-6);
  EXPECT_GE(view->GetRightCut()->GetStartPoint().x, axis + 950.0 - 1e-6);
  EXPECT_EQ(EntitiesOfKind(*view, kKindBreak).size(), 2u);
  // Nothing of the concrete reaches beyond the cut lines.
  for (const _2dLine& l : LinesOfKind(*view, 0x6))
    for (const _2dPoint& p : {l.GetStartPoint(), l.GetEndPoint()}) {
      EXPECT_GE(p.x, view->GetLeftCut()->GetStartPoint().x - 1e-6);
      EXPECT_LE(p.x, view->GetRightCut()->GetStartPoint().x + 1e-6);
    }

  const EntityList dims = EntitiesOfKind(*view, 0x4000);
  EXPECT_TRUE(Contains(DimensionTexts(dims), "350"));
  const auto levels = Texts(EntitiesOfKind(*view, 0x20000));
  EXPECT_TRUE(Contains(levels, "-4.500"));
  EXPECT_TRUE(Contains(levels, "-0.500"));
  // The right side repeats the left one (one wall, its faces paired): no
  // right chain, no right marks.
  EXPECT_EQ(levels.size(), 2u);
  for (const EntityPtr& e : dims)
    EXPECT_LE(e->GetExtents().maxX, view->GetRightCut()->GetStartPoint().x) << "a dimension right of the drawing";
  // Every elevation text is the model level of its mark in metres.
  EXPECT_EQ(Texts(EntitiesOfKind(*view, 0x2000000)).empty(), false);
  const auto titles = Texts(EntitiesOfKind(*view, 0x2000000));
  EXPECT_TRUE(std::any_of(titles.begin(), titles.end(), [&](const std::string& t) {
    const std::string n = std::to_string(section->GetNumber());
    return t.rfind(n + "-" + n + " ", 0) == 0;
  }));
}

// Numbering takes the smallest free number, so two sections never share
// their marks.
TEST(SectionNumbers, SmallestFreeNumber) {
  g_ViewBoard.Reset();
  struct Case {
    std::vector<int> numbers;
    int next;
  };
  for (const Case& c : {Case{{}, 1}, Case{{1, 2, 3}, 4}, Case{{1, 2, 2, 5}, 3}, Case{{1, 3}, 2}, Case{{3, 2}, 1}}) {
    TankDesigner designer;
    auto view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
    for (int n : c.numbers)
      view->AddEntities({boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(1, 0))},
                        boost::make_shared<Section>(n, ViewVolumn()), {kKindUserGeometry}, {});
    designer.AddView(view);
    EXPECT_EQ(designer.GetNextSectionNumber(), c.next) << ::testing::PrintToString(c.numbers);
    EXPECT_EQ(designer.GetSections().size(), c.numbers.size());
  }
  g_ViewBoard.Reset();
}

// The section looks towards the side point: with the side point north of an
// east-west cut the drawing's x axis points east (east drawn on the right),
// whichever way the line was drawn; south of it the axis points west.  The
// mark is drawn on the plan, owned by the section.
TEST_F(SectionFixture, ViewingDirectionFollowsTheSidePoint) {
  // The plan is drawn at 1:100 (factor 1) and placed: model points move by
  // its placement.
  _3dVector at;
  plan->GetPlacement(at);
  auto drawn = [&](double x, double y) { return _2dPoint(x + at.x, y + at.y); };
  const _2dLine westToEast(drawn(-500, 2000), drawn(500, 2000));
  const _2dLine eastToWest(drawn(500, 2000), drawn(-500, 2000));
  struct Case {
    _2dLine line;
    _2dPoint side;
    double xSign;
  };
  int number = 1;
  for (const Case& c : {Case{westToEast, drawn(0, 3000), 1}, Case{eastToWest, drawn(0, 3000), 1},
                        Case{westToEast, drawn(0, 1000), -1}, Case{eastToWest, drawn(0, 1000), -1}}) {
    const auto section = designer.DefineSection(c.line, c.side, number++, {}, {});
    ASSERT_TRUE(section);
    const ViewVolumn& v = section->GetVolume();
    EXPECT_GT(v.m_xAxis.x * c.xSign, 0.0);
    EXPECT_NEAR(v.m_xAxis.y, 0.0, kTol);
    EXPECT_NEAR(v.m_yAxis.z, 1.0, kTol);
    EXPECT_NEAR(v.m_origin.x, 0.0, kTol);
    EXPECT_NEAR(v.m_origin.y, 2000.0, kTol);
    // The view normal (x × y) points from the side point's side back to the
    // viewer: away from the side point.
    _3dVector n;
    v.GetNormal(n);
    EXPECT_LT(n.y * (c.side.y - at.y - 2000.0), 0.0);
    EntityList mark;
    ASSERT_TRUE(plan->GetObjectEntities(section, mark));
    ASSERT_FALSE(mark.empty());
    for (const EntityPtr& e : mark) EXPECT_EQ(plan->GetEntityKind(e), kKindUserGeometry);
  }
  EXPECT_EQ(designer.GetNextSectionNumber(), 5);
}

// A line on no plan, or on two, is refused with the message, and the user's
// own mark is deleted.
TEST_F(SectionFixture, LineOnNoneOrTwoPlansIsRefused) {
  // A mark the user drew: one entity under a handle.
  EntityList userMark;
  g_ViewBoard.CreateEntities(userMark, {_2dLine(_2dPoint(50000, 0), _2dPoint(51000, 0))}, {});
  ASSERT_FALSE(userMark.empty());
  EntityHandleList handles;
  for (const EntityPtr& e : userMark) {
    EntityHandle h;
    ASSERT_TRUE(g_ViewBoard.FindEntityHandle(e, h));
    handles.push_back(h);
  }
  const auto refused =
      designer.DefineSection(_2dLine(_2dPoint(50000, 0), _2dPoint(51000, 0)), _2dPoint(50500, 500), 1, userMark,
                             handles);
  EXPECT_FALSE(refused);
  ASSERT_FALSE(GetScriptedHost().GetMessages().empty());
  EXPECT_EQ(GetScriptedHost().GetMessages().back().text, "剖面线必须在且只在一个平面图上");
  for (const EntityHandle& h : handles) EXPECT_FALSE(g_ViewBoard.FindEntity(h));
  EXPECT_TRUE(designer.GetSections().empty());

  // A second plan at the same place: the cut crosses both.
  DrawPlan();
  GetScriptedHost().Reset();
  _3dVector at;
  plan->GetPlacement(at);
  EXPECT_FALSE(designer.DefineSection(_2dLine(_2dPoint(at.x - 500, at.y + 2000), _2dPoint(at.x + 500, at.y + 2000)),
                                      _2dPoint(at.x, at.y + 3000), 1, {}, {}));
  ASSERT_FALSE(GetScriptedHost().GetMessages().empty());
  EXPECT_EQ(GetScriptedHost().GetMessages().back().text, "剖面线必须在且只在一个平面图上");
}

// A board lying in the section plane shows no cut, whichever way its normal
// points (here a wall turned 5e-5 rad off the plane, which a cut would show
// with its faces spread by 1 / sin of that angle); the boards across the
// plane are cut as before.
TEST(SectionCut, BoardInThePlaneIsLeftOutWhateverItsNormal) {
  g_ViewBoard.Reset();
  const BoardPtr across = fixtures::MakeWall(0, -1000, 0, 1000, 0, 3000, 300);
  auto drawn = [&](bool reversed) {
    const BoardPtr inPlane = reversed ? fixtures::MakeWall(2000, 0.1, -2000, -0.1, 0, 3000, 200)
                                      : fixtures::MakeWall(-2000, -0.1, 2000, 0.1, 0, 3000, 200);
    TankView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.SetScaleValues(100, 100);
    // The plane y = 0: x along +x, y up, normal (0, -1, 0).
    view.CutSection(nullptr, {across, inPlane}, 1.0, _3dPoint(0, 0, 0), _3dVector(1, 0, 0), _3dVector(0, 0, 1));
    EntityList mine;
    EXPECT_FALSE(view.GetObjectEntities(inPlane, mine)) << reversed;
    std::vector<std::pair<double, double>> ends;
    for (const _2dLine& l : LinesOfKind(view, 0x2)) ends.emplace_back(l.GetStartPoint().x, l.GetEndPoint().x);
    return ends;
  };
  const auto forward = drawn(false), backward = drawn(true);
  // The wall across the plane: its two faces at ±150 and the caps.
  ASSERT_EQ(forward.size(), 4u);
  EXPECT_EQ(forward, backward);
  int faces = 0;
  for (const auto& [a, b] : forward)
    if (std::fabs(a - b) < 1e-6) {
      ++faces;
      EXPECT_NEAR(std::fabs(a), 150.0, 1e-6);
    }
  EXPECT_EQ(faces, 2);
  g_ViewBoard.Reset();
}

// The walk along the unowned outline lines and the push of a cut line.
TEST(SectionCutEnds, ChainAndPushRules) {
  using L = boost::shared_ptr<_2dLine>;
  auto line = [](double x0, double y0, double x1, double y1) {
    return boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1));
  };
  const std::vector<L> steady{line(0, 0, 100, 0), line(100, 0, 100, 50), line(100, 50, 300, 50)};
  EXPECT_TRUE(ChainReachesOuterEnd(_2dPoint(0, 0), 1, steady));
  EXPECT_TRUE(ChainReachesOuterEnd(_2dPoint(100, 50), 0, steady));
  EXPECT_TRUE(ChainReachesOuterEnd(_2dPoint(300, 50), 0, steady));
  // Turning back in x stops the walk.
  const std::vector<L> back{line(0, 0, 200, 0), line(200, 0, 150, 50), line(150, 50, 400, 50)};
  EXPECT_FALSE(ChainReachesOuterEnd(_2dPoint(0, 0), 1, back));
  EXPECT_FALSE(ChainReachesOuterEnd(_2dPoint(0, 0), 1, {}));

  // Only outward: a right cut moves right onto the outermost end, a left cut
  // left; an end inside the window leaves the cut.
  const std::vector<_2dLine> under{_2dLine(_2dPoint(-300, -10), _2dPoint(900, -10))};
  struct Case {
    double x;
    int side;
    double expected;
  };
  for (const Case& c : {Case{500, 1, 900}, Case{1000, 1, 1000}, Case{0, 0, -300}, Case{-400, 0, -400}}) {
    _2dLine cut(_2dPoint(c.x, -100), _2dPoint(c.x, 100));
    PushCutBeyondLines(under, c.side, cut);
    EXPECT_NEAR(cut.GetStartPoint().x, c.expected, kTol) << c.x << " side " << c.side;
    EXPECT_NEAR(cut.GetEndPoint().x, c.expected, kTol);
    EXPECT_NEAR(cut.GetStartPoint().y, -100, kTol);
  }
  EXPECT_EQ(GetOtherLineEnd(_2dPoint(0, 0), *steady[0]), _2dPoint(100, 0));
  EXPECT_EQ(GetOtherLineEnd(_2dPoint(100, 0), *steady[0]), _2dPoint(0, 0));
}

// A drawing within its window gets no cut; a haunch line across the window
// edge pushes the cut 3 units beyond its outer end; with nothing across it a
// cut within 3 units of a wall outline end moves out to 3 units.
TEST(SectionCutEnds, WindowCutsAndPushes) {
  g_ViewBoard.Reset();
  ViewVolumn volume;
  volume.m_xAxis = _3dVector(1, 0, 0);
  volume.m_yAxis = _3dVector(0, 0, 1);
  volume.m_bounds[0] = 1000;  // window ±1000 units at factor 1
  const BoardPtr wall = fixtures::MakeWall(0, -1000, 0, 1000, 0, 3000, 300);
  const BoardPtr slab = boost::make_shared<Board>();
  slab->SetKind(1);
  auto make = [&](std::vector<std::pair<_2dLine, std::pair<ObjectPtr, int>>> lines) {
    auto view = boost::make_shared<TankWallReinSectionView>(&g_ViewBoard, ViewSettings(), volume);
    view->SetScaleValues(100, 100);
    EntityList drawing;
    for (const auto& [l, owner] : lines) {
      auto e = boost::make_shared<_2dLine>(l);
      view->AddEntities({e}, owner.first, {owner.second}, {});
      drawing.push_back(e);
    }
    return std::make_pair(view, drawing);
  };

  // Within the window: nothing.
  {
    auto [view, drawing] = make({{_2dLine(_2dPoint(-150, 0), _2dPoint(-150, 3000)), {wall, 2}},
                                 {_2dLine(_2dPoint(-900, 0), _2dPoint(900, 0)), {slab, 2}}});
    EXPECT_TRUE(view->DrawCutEnds(nullptr, nullptr, drawing, 1.0).empty());
    EXPECT_FALSE(view->GetLeftCut());
    EXPECT_FALSE(view->GetRightCut());
  }
  // A haunch line across the right edge: the cut goes 3u = 300 beyond its
  // end at 1200; the slab is clipped there, the left side is not cut.
  {
    auto [view, drawing] = make({{_2dLine(_2dPoint(150, 0), _2dPoint(150, 3000)), {wall, 2}},
                                 {_2dLine(_2dPoint(-900, 0), _2dPoint(3000, 0)), {slab, 2}},
                                 {_2dLine(_2dPoint(900, 0), _2dPoint(1200, 300)), {ObjectPtr(), 4}}});
    const auto breaks = view->DrawCutEnds(nullptr, nullptr, drawing, 1.0);
    ASSERT_EQ(breaks.size(), 1u);
    ASSERT_TRUE(view->GetRightCut());
    EXPECT_FALSE(view->GetLeftCut());
    EXPECT_NEAR(view->GetRightCut()->GetStartPoint().x, 1500.0, kTol);
    const auto lines = LinesOfKind(*view, 2);
    const auto slabLine = std::find_if(lines.begin(), lines.end(), [](const _2dLine& l) {
      return std::fabs(l.GetStartPoint().y) < kTol && std::fabs(l.GetEndPoint().y) < kTol;
    });
    ASSERT_NE(slabLine, lines.end());
    EXPECT_NEAR(std::max(slabLine->GetStartPoint().x, slabLine->GetEndPoint().x), 1500.0, kTol);
  }
  // Nothing across the left edge at -1000; a wall outline end at -800 is
  // 200 from it: the cut moves out to -1100.  A line wholly outside goes.
  {
    auto [view, drawing] = make({{_2dLine(_2dPoint(-800, 0), _2dPoint(-800, 3000)), {wall, 2}},
                                 {_2dLine(_2dPoint(-3000, -500), _2dPoint(500, -500)), {slab, 2}},
                                 {_2dLine(_2dPoint(-3000, -600), _2dPoint(-2000, -600)), {slab, 2}}});
    const auto breaks = view->DrawCutEnds(nullptr, nullptr, drawing, 1.0);
    ASSERT_EQ(breaks.size(), 1u);
    ASSERT_TRUE(view->GetLeftCut());
    EXPECT_NEAR(view->GetLeftCut()->GetStartPoint().x, -1100.0, kTol);
    EXPECT_EQ(drawing.size(), 2u);
    EXPECT_EQ(LinesOfKind(*view, 2).size(), 2u);
  }
  g_ViewBoard.Reset();
}

// The elevation mark: "%.3f" metres of the model level, the text beside the
// triangle by 0.35 × characters × character width.
TEST(SectionDimensions, ElevationMarkText) {
  EntityList entities;
  std::vector<int> kinds;
  // y = -1000 drawing units at 1:50, u = 100: -500 mm.
  DrawElevationMark(_2dPoint(1000, -1000), entities, kinds, {0.0, 0.0}, 50, 100, true, true);
  ASSERT_FALSE(entities.empty());
  const auto text = boost::dynamic_pointer_cast<_Text>(entities.front());
  ASSERT_TRUE(text);
  EXPECT_EQ(text->GetText(), "-0.500");
  const double w = 0.7 * 3.0 * 100;
  EXPECT_NEAR(text->GetPosition().x, 1000 + 0.35 * 6 * w, kTol);
  EXPECT_EQ(entities.size(), 6u);  // text, three triangle sides, leader, base line
  for (int k : kinds) EXPECT_EQ(k, 0x20000);
  // On the left, without a base line; the offset of the reference counts.
  entities.clear();
  kinds.clear();
  DrawElevationMark(_2dPoint(1000, 500), entities, kinds, {1.0, 0.25}, 50, 100, false, false);
  EXPECT_EQ(boost::dynamic_pointer_cast<_Text>(entities.front())->GetText(), "-0.500");
  EXPECT_NEAR(boost::dynamic_pointer_cast<_Text>(entities.front())->GetPosition().x, 1000 - 0.35 * 6 * w, kTol);
  EXPECT_EQ(entities.size(), 5u);
}

// Dimension along a picked line: one dimension between consecutive
// crossings of outline or plan lines, nothing with fewer than two.
TEST(PickedLineDimension, MeasuresBetweenCrossings) {
  g_ViewBoard.Reset();
  TankView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  view.SetScaleValues(100, 100);
  auto add = [&](double x, int kind) {
    view.AddEntities({boost::make_shared<_2dLine>(_2dPoint(x, -100), _2dPoint(x, 100))}, ObjectPtr(), {kind}, {});
  };
  add(0, 2);
  add(300, 0x40000000);
  add(1000, 2);
  add(500, 0x4000);  // an earlier dimension is never measured
  add(1000, 0x40000000);  // crossed where an outline line is: nothing merges them
  EntityList entities;
  std::vector<int> kinds;
  DimensionAlongLine(view, _2dLine(_2dPoint(-50, 0), _2dPoint(1200, 0)), entities, kinds);
  EXPECT_EQ(DimensionTexts(entities), (std::vector<std::string>{"300", "700", "0"}));
  for (int k : kinds) EXPECT_EQ(k, 0x4000);
  entities.clear();
  kinds.clear();
  DimensionAlongLine(view, _2dLine(_2dPoint(-50, 0), _2dPoint(200, 0)), entities, kinds);
  EXPECT_TRUE(entities.empty());
  EXPECT_TRUE(kinds.empty());
  g_ViewBoard.Reset();
}

// Saved and reopened, the sections are listed again with their numbers and
// their unbounded volumes, and the design saves byte for byte the same.
TEST_F(SectionFixture, SectionsSurviveSavingAndReopening) {
  designer.MakeAutoSections();
  _3dPoint at(0, -20000, 0);
  int progress = 0;
  ASSERT_TRUE(designer.DrawAllSections(at, &progress, 40, nullptr));
  EXPECT_EQ(progress, 40);
  const auto before = designer.GetSections();
  const auto dir = std::filesystem::temp_directory_path() / "wall_section_test";
  std::filesystem::create_directories(dir);
  const std::string first = (dir / "a.tkd").string(), second = (dir / "b.tkd").string();
  SaveDesignFile(designer, first);

  TankDesigner reopened;
  OpenDesignFile(reopened, first);
  std::vector<int> numbers;
  for (const auto& s : reopened.GetSections()) {
    numbers.push_back(s->GetNumber());
    EXPECT_TRUE(std::isinf(s->GetVolume().m_bounds[1]));
    EXPECT_TRUE(std::isinf(s->GetVolume().m_bounds[3]));
    EXPECT_NEAR(s->GetVolume().m_bounds[0], 475.0, 1e-6);
  }
  std::vector<int> expected;
  for (const auto& s : before) expected.push_back(s->GetNumber());
  EXPECT_EQ(numbers, expected);
  // The section drawings are filed with their views: the same entities
  // with the same kinds, exported alike.
  auto sectionDxf = [](const TankDesigner& d) {
    std::vector<std::string> out;
    for (const auto& v : d.GetViews()) {
      if (!boost::dynamic_pointer_cast<TankWallReinSectionView>(v)) continue;
      EntityKindPairs pairs;
      v->ListEntityKinds(pairs);
      EntityList list;
      std::string kinds;
      for (const auto& [e, k] : pairs) {
        list.push_back(e);
        kinds += std::to_string(k) + " ";
      }
      // The DXF without its handles (the board numbers the entities of a
      // reopened design afresh).
      std::ostringstream dxf;
      g_ViewBoard.WriteDxf(dxf, list);
      std::istringstream lines(dxf.str());
      std::string code, value, text = kinds;
      while (std::getline(lines, code) && std::getline(lines, value)) {
        const bool handle = code == "  5" || code == "105" || code == "330" || code == "340" || value == "$HANDSEED";
        text += code + "\n" + (handle ? std::string("H") : value) + "\n";
        if (value == "$HANDSEED" && std::getline(lines, code) && std::getline(lines, value)) text += "H\n";
      }
      out.push_back(text);
    }
    return out;
  };
  const auto drawnDxf = sectionDxf(designer);
  const auto reopenedDxf = sectionDxf(reopened);
  EXPECT_EQ(drawnDxf.size(), 4u);
  EXPECT_TRUE(drawnDxf == reopenedDxf);
  SaveDesignFile(reopened, second);
  auto read = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read(first), read(second));
  reopened.ClearViews();
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// A wall cut at 60 degrees to its normal shows its faces 1 / sin 60° apart
// farther than square.
TEST(SectionCut, ObliqueCutSpreadsTheFaces) {
  g_ViewBoard.Reset();
  const BoardPtr wall = fixtures::MakeWall(0, -1000, 0, 1000, 0, 3000, 300);
  const double c = std::cos(g_Pi / 3), s = std::sin(g_Pi / 3);
  TankView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  view.CutSection(nullptr, {wall}, 1.0, _3dPoint(0, 0, 0), _3dVector(-s, c, 0), _3dVector(0, 0, 1));
  std::vector<double> faces;
  for (const _2dLine& l : LinesOfKind(view, 0x2))
    if (std::fabs(l.GetStartPoint().x - l.GetEndPoint().x) < 1e-9) faces.push_back(l.GetStartPoint().x);
  std::sort(faces.begin(), faces.end());
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_NEAR(faces[0], -150 / s, 1e-6);
  EXPECT_NEAR(faces[1], 150 / s, 1e-6);
  g_ViewBoard.Reset();
}

// The line along the underside of the bottom slabs starts at the lower of
// two lines with the same left end, runs to the right end, is extended by
// factor × the settings' extension at both ends and lies half of that
// below; lines that do not connect are an error.
TEST(SectionCut, UndersideLine) {
  g_ViewBoard.Reset();
  const BoardPtr slab = boost::make_shared<Board>();
  slab->SetKind(1);
  for (double extension : {0.0, 50.0}) {
    ViewSettings settings;
    settings.m_cutLineExtension = extension;
    TankView view(&g_ViewBoard, settings, ViewVolumn());
    view.AddEntities({boost::make_shared<_2dLine>(_2dPoint(0, 400), _2dPoint(1000, 400)),
                      boost::make_shared<_2dLine>(_2dPoint(1000, 0), _2dPoint(0, 0)),
                      boost::make_shared<_2dLine>(_2dPoint(1000, 0), _2dPoint(1000, 400))},
                     slab, {2, 2, 2}, {});
    view.DrawSectionCut(2.0);
    const auto lines = LinesOfKind(view, kKindSectionCut);
    ASSERT_EQ(lines.size(), 1u) << extension;
    const double d = 2.0 * extension;
    EXPECT_NEAR(lines[0].GetStartPoint().x, -d, kTol);
    EXPECT_NEAR(lines[0].GetEndPoint().x, 1000 + d, kTol);
    EXPECT_NEAR(lines[0].GetStartPoint().y, -d / 2, kTol);
    EXPECT_NEAR(lines[0].GetEndPoint().y, -d / 2, kTol);
  }
  TankView apart(&g_ViewBoard, ViewSettings(), ViewVolumn());
  apart.AddEntities({boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(1000, 0)),
                     boost::make_shared<_2dLine>(_2dPoint(2000, 0), _2dPoint(3000, 0))},
                    slab, {2, 2}, {});
  EXPECT_THROW(apart.DrawSectionCut(1.0), std::out_of_range);
  // Without bottom-slab lines: nothing, no error.
  TankView none(&g_ViewBoard, ViewSettings(), ViewVolumn());
  EXPECT_NO_THROW(none.DrawSectionCut(1.0));
  EXPECT_TRUE(LinesOfKind(none, kKindSectionCut).empty());
  g_ViewBoard.Reset();
}

// Vertical outline lines standing alone (no other beside them over most of
// their height within 1500 mm) decide the bottom chain's ends and overall
// dimension; a board line counts as a wall face only when it crosses the
// middle band of ±250 mm.
TEST(SectionDimensions, UnpairedFacesAndMiddleBand) {
  g_ViewBoard.Reset();
  struct Case {
    double secondX, secondTop;
    std::vector<std::string> bottom, top;
  };
  // Drawn at 1:100 with u = 100 (1 unit = 1 mm); the middle of the outline
  // lies at y = 1500.
  for (const Case& c : {Case{2600, 3000, {"4000"}, {"1600"}}, Case{2500, 3000, {}, {"1500"}},
                        Case{2600, 1740, {"4000"}, {}}, Case{2600, 1760, {"4000"}, {"1600"}}}) {
    TankView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.SetScaleValues(100, 100);
    auto add = [&](double x0, double y0, double x1, double y1) {
      view.AddEntities({boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1))}, ObjectPtr(), {2}, {});
    };
    add(0, 0, 4000, 0);
    add(0, 400, 4000, 400);
    add(1000, 400, 1000, 3000);
    add(c.secondX, 400, c.secondX, c.secondTop);
    EntityList entities;
    std::vector<int> kinds;
    DimensionWallSection(view, entities, kinds, {0.0, 0.0}, 0.0, false, true, false, true, true, {}, 100, 100);
    std::vector<std::string> bottom, top;
    for (const EntityPtr& e : entities)
      if (auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e))
        (d->GetFirstPoint().y < 1500 ? bottom : top).push_back(d->GetDisplayText());
    EXPECT_EQ(bottom, c.bottom) << c.secondX << " " << c.secondTop;
    EXPECT_EQ(top, c.top) << c.secondX << " " << c.secondTop;
  }
  // No outline at all: nothing, no error.
  TankView empty(&g_ViewBoard, ViewSettings(), ViewVolumn());
  EntityList entities;
  std::vector<int> kinds;
  DimensionWallSection(empty, entities, kinds, {0.0, 0.0}, 0.0, true, true, true, true, true, {}, 100, 100);
  EXPECT_TRUE(entities.empty());
  g_ViewBoard.Reset();
}

std::vector<std::pair<int, std::string>> g_progress;
void RecordProgress(int percent, std::string text, int*) { g_progress.emplace_back(percent, text); }

// All sections in the order of their numbers, side by side 1.3 × width
// apart, the point then lowered by 1.3 × the row's height; the progress
// advances by share / count per section.
TEST_F(SectionFixture, AllSectionsInARow) {
  designer.MakeAutoSections();
  ASSERT_EQ(designer.GetSections().size(), 4u);
  _3dPoint at(0, -20000, 0);
  int progress = 10;
  g_progress.clear();
  ASSERT_TRUE(designer.DrawAllSections(at, &progress, 50, &RecordProgress));
  EXPECT_EQ(progress, 10 + 4 * 12);
  ASSERT_EQ(g_progress.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(g_progress[i].first, 10 + 12 * i);
    EXPECT_EQ(g_progress[i].second, "正在绘制剖面图" + std::to_string(i + 1) + "，请稍候...");
  }
  std::vector<boost::shared_ptr<TankWallReinSectionView>> views;
  for (const auto& v : designer.GetViews())
    if (auto s = boost::dynamic_pointer_cast<TankWallReinSectionView>(v)) views.push_back(s);
  ASSERT_EQ(views.size(), 4u);
  double x = 0.0, rowHeight = 0.0;
  for (std::size_t i = 0; i < views.size(); ++i) {
    EXPECT_EQ(views[i]->GetSection()->GetNumber(), static_cast<int>(i + 1));
    const Extents e = views[i]->GetExtent(~0x1FF8);
    rowHeight = std::max(rowHeight, e.GetHeight());
    // Each drawing is placed by the upper left corner of its concrete at the
    // advancing point.
    Extents placed;
    for (const _2dLine& l : LinesOfKind(*views[i], 0x10006)) {
      placed.Extend(_3dPoint(l.GetStartPoint().x, l.GetStartPoint().y, 0));
      placed.Extend(_3dPoint(l.GetEndPoint().x, l.GetEndPoint().y, 0));
    }
    EXPECT_NEAR(placed.minX, x, 1e-6);
    EXPECT_NEAR(placed.maxY, -20000, 1e-6);
    x += e.GetWidth() * 1.3;
  }
  EXPECT_NEAR(at.x, 0.0, kTol);
  EXPECT_NEAR(at.y, -20000 - 1.3 * rowHeight, 1e-6);
  // Drawn again: the section views are made anew, not added.
  ASSERT_TRUE(designer.DrawAllSections(at, &progress, 50, nullptr));
  int count = 0;
  for (const auto& v : designer.GetViews()) count += boost::dynamic_pointer_cast<TankWallReinSectionView>(v) ? 1 : 0;
  EXPECT_EQ(count, 4);
}

}  // namespace

namespace {

// Every automatic section of every example is drawn: the concrete lies
// between the cut lines, a side is cut (break line) exactly where the
// concrete reached beyond the window, each dimension shows the model
// distance of its points and each elevation text the model level of its
// mark in metres.
TEST(SectionExamples, EveryAutomaticSectionDraws) {
  for (const std::string name : {"open-single-cell", "buried-two-cell", "grid-3x2"}) {
    SCOPED_TRACE(name);
    g_ViewBoard.Reset();
    TankDesigner designer;
    std::size_t count = 0;
    ASSERT_TRUE(DesignAndDrawAutomaticSections(designer, tank::app::ExampleProject(name), &count));
    EXPECT_GE(count, 2u);
    std::size_t drawn = 0;
    for (const auto& v : designer.GetViews()) {
      const auto view = boost::dynamic_pointer_cast<TankWallReinSectionView>(v);
      if (!view) continue;
      ++drawn;
      const int n = view->GetSection()->GetNumber();
      const double k = view->GetScale() / view->GetUnit();
      _3dVector placement;
      view->GetPlacement(placement);
      const auto concrete = LinesOfKind(*view, 0x10006);
      ASSERT_FALSE(concrete.empty()) << n;
      const auto left = view->GetLeftCut(), right = view->GetRightCut();
      EXPECT_EQ(EntitiesOfKind(*view, kKindBreak).size(), (left ? 1u : 0u) + (right ? 1u : 0u)) << n;
      for (const _2dLine& l : concrete)
        for (const _2dPoint& p : {l.GetStartPoint(), l.GetEndPoint()}) {
          if (left) {
            EXPECT_GE(p.x, left->GetStartPoint().x - 1e-6) << n;
          }
          if (right) {
            EXPECT_LE(p.x, right->GetStartPoint().x + 1e-6) << n;
          }
        }
      for (const EntityPtr& e : EntitiesOfKind(*view, 0x4000))
        if (auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e)) {
          const _2dPoint a = d->GetFirstPoint(), b = d->GetSecondPoint();
          EXPECT_NEAR(d->GetMeasurement(), std::hypot(b.x - a.x, b.y - a.y) * k, 0.5) << n;
        }
      const EntityList marks = EntitiesOfKind(*view, 0x20000);
      for (std::size_t i = 0; i < marks.size(); ++i) {
        const auto text = boost::dynamic_pointer_cast<_Text>(marks[i]);
        if (!text) continue;
        // The triangle's tip: the first line after the text starts there.
        ASSERT_LT(i + 1, marks.size());
        const auto tip = boost::dynamic_pointer_cast<_2dLine>(marks[i + 1]);
        ASSERT_TRUE(tip);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.3f", (tip->GetStartPoint().y - placement.y) * k * 0.001);
        EXPECT_EQ(text->GetText(), expected) << n;
      }
    }
    EXPECT_EQ(drawn, count);
    // A section across an inner wall cuts the slabs where their bars are
    // lapped through that wall: bottom and top slab bars alike keep their
    // own ends there, none slid off to a crossing beyond the window.
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const BoardPtr& wall : designer.GetTank().GetWalls())
      for (const _3dPoint& p : wall->GetOutlinePoints()) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
      }
    for (const auto& v : designer.GetViews()) {
      const auto view = boost::dynamic_pointer_cast<TankWallReinSectionView>(v);
      if (!view) continue;
      ViewVolumn volume;
      view->GetViewVolumn(volume);
      const _3dPoint& o = volume.m_origin;
      if (o.x < minX + 1000 || o.x > maxX - 1000 || o.y < minY + 1000 || o.y > maxY - 1000) continue;
      const int n = view->GetSection()->GetNumber();
      const int bottom = SlabBarEndsInWindow(*view, designer.GetTank(), 1);
      const int top = SlabBarEndsInWindow(*view, designer.GetTank(), 2);
      EXPECT_GT(top, 0) << name << " section " << n;
      EXPECT_EQ(bottom, top) << name << " section " << n;
    }
    int bars = 0;
    for (const auto& v : designer.GetViews())
      if (const auto view = boost::dynamic_pointer_cast<TankWallReinSectionView>(v))
        bars += CheckSectionBars(*view, designer.GetTank());
    EXPECT_GT(bars, 0);
    designer.ClearViews();
  }
  g_ViewBoard.Reset();
}

// A wall section shows a dot row at each face of the cut wall, the two a
// wall thickness apart: their range dimensions' texts stand clear of each
// other and of the bar labels, and each dimension still measures along its
// row (its two points on the line of the row's dots).
TEST(SectionExamples, RangeDimensionTextsOfTheTwoFacesStandClear) {
  for (const std::string name : {"open-single-cell", "buried-two-cell", "grid-3x2"}) {
    SCOPED_TRACE(name);
    g_ViewBoard.Reset();
    TankDesigner designer;
    ASSERT_TRUE(DesignAndDrawAutomaticSections(designer, tank::app::ExampleProject(name)));
    int pairs = 0;
    for (const auto& v : designer.GetViews()) {
      const auto view = boost::dynamic_pointer_cast<TankWallReinSectionView>(v);
      if (!view) continue;
      const int n = view->GetSection()->GetNumber();
      std::vector<Extents> labels;
      for (const int kind : {kKindReinMark, kKindReinText}) {
        const std::vector<Extents> boxes = EntityBoxes(EntitiesOfKind(*view, kind), g_ViewBoard);
        labels.insert(labels.end(), boxes.begin(), boxes.end());
      }
      std::vector<_2dPoint> dots;
      for (const EntityPtr& e : EntitiesOfKind(*view, kKindReinLine))
        if (const auto line = boost::dynamic_pointer_cast<_2dPolyline>(e); line && line->IsClosed() && line->VerNums() == 2) {
          const _3dPoint m = g_VekGeometryComm.GetMidPoint3d(line->GetVertexAt(0), line->GetVertexAt(1));
          dots.emplace_back(m.x, m.y);
        }
      std::vector<Extents> texts;
      for (const EntityPtr& e : EntitiesOfKind(*view, kKindRangeDimension)) {
        const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
        if (!dim) continue;
        const Extents box = DimensionTextBox(*dim, g_ViewBoard);
        EXPECT_FALSE(AnyOverlap({box}, texts)) << "section " << n << ": " << dim->GetDisplayText() << " on another";
        EXPECT_FALSE(AnyOverlap({box}, labels)) << "section " << n << ": " << dim->GetDisplayText() << " on a label";
        texts.push_back(box);
        bool onRow = false;
        for (std::size_t a = 0; a < dots.size() && !onRow; ++a)
          for (std::size_t b = a + 1; b < dots.size() && !onRow; ++b)
            onRow = g_VekGeometryComm.Distance(dots[a], dots[b]) > 1e-6 &&
                    g_VekGeometryComm.IsCollinear(dots[a], dots[b], dim->GetFirstPoint(), 1e-6) &&
                    g_VekGeometryComm.IsCollinear(dots[a], dots[b], dim->GetSecondPoint(), 1e-6);
        EXPECT_TRUE(onRow) << "section " << n << ": " << dim->GetDisplayText() << " measured off the dot rows";
      }
      if (texts.size() >= 2) ++pairs;
    }
    EXPECT_GT(pairs, 0);
    designer.ClearViews();
  }
  g_ViewBoard.Reset();
}

// Plain bars (HPB235) end in 180-degree hooks turned across the wall.  On a
// 120 mm wall drawn at 1:50 (2.4 mm on paper) a hook of the standard's size
// from a bar near one face reached past the other: every hook of the wall
// sections stays between the faces of the wall it ends in.
TEST(SectionRein, PlainBarHooksStayInsideAThinWall) {
  nlohmann::ordered_json project = nlohmann::ordered_json::parse(tank::app::ExampleProject("open-single-cell"));
  project["settings"]["geometry"]["wall_thickness_mm"] = 120;
  project["settings"]["materials"]["rebar_grade_walls"] = "HPB235";
  project["settings"]["materials"]["rebar_grade_bottom_slab"] = "HPB235";
  project["settings"]["reinforcement"]["plain_bar_upgrade"] = false;
  g_ViewBoard.Reset();
  TankDesigner designer;
  ASSERT_TRUE(DesignAndDrawAutomaticSections(designer, project.dump()));
  int hooks = 0;
  for (const auto& v : designer.GetViews()) {
    const auto view = boost::dynamic_pointer_cast<TankWallReinSectionView>(v);
    if (!view) continue;
    const int n = view->GetSection()->GetNumber();
    std::vector<_2dLine> faces;
    for (const _2dLine& l : LinesOfKind(*view, 0x10006))
      if (std::fabs(l.GetStartPoint().x - l.GetEndPoint().x) < kTol) faces.push_back(l);
    for (const EntityPtr& e : EntitiesOfKind(*view, kKindReinLine)) {
      const auto bar = boost::dynamic_pointer_cast<_2dPolyline>(e);
      if (!bar || bar->IsClosed()) continue;
      for (int i = 0; i + 1 < bar->VerNums(); ++i) {
        // A half circle whose chord runs across a vertical wall.
        if (std::fabs(std::fabs(bar->GetBulgeAt(i)) - 1.0) > 1e-6) continue;
        const _2dPoint a(bar->GetVertexAt(i).x, bar->GetVertexAt(i).y);
        const _2dPoint b(bar->GetVertexAt(i + 1).x, bar->GetVertexAt(i + 1).y);
        if (std::fabs(a.y - b.y) > kTol) continue;
        ++hooks;
        // The faces either side of the hook's bar end at its level.
        const _2dPoint end = i == 1 ? b : a;
        double left = -std::numeric_limits<double>::infinity(), right = std::numeric_limits<double>::infinity();
        for (const _2dLine& f : faces) {
          const double x = f.GetStartPoint().x;
          if (end.y < std::min(f.GetStartPoint().y, f.GetEndPoint().y) - kTol ||
              end.y > std::max(f.GetStartPoint().y, f.GetEndPoint().y) + kTol)
            continue;
          if (x <= end.x) left = std::max(left, x);
          if (x >= end.x) right = std::min(right, x);
        }
        ASSERT_TRUE(std::isfinite(left) && std::isfinite(right)) << "section " << n << " hook at " << end.x << "," << end.y;
        EXPECT_GE(std::min(a.x, b.x), left - kTol) << "section " << n << " hook at " << end.x << "," << end.y;
        EXPECT_LE(std::max(a.x, b.x), right + kTol) << "section " << n << " hook at " << end.x << "," << end.y;
      }
    }
  }
  EXPECT_GT(hooks, 0);
  designer.ClearViews();
  g_ViewBoard.Reset();
}

}  // namespace

namespace {

// Placed by picking: the lower left corner of the drawing is dragged to the
// point with the section prompt; a cancel erases the whole drawing.
TEST_F(SectionFixture, PlacedByPickingOrCancelled) {
  const _3dVector at = [&] {
    _3dVector v;
    plan->GetPlacement(v);
    return v;
  }();
  const auto section = designer.DefineSection(_2dLine(_2dPoint(at.x - 500, at.y + 2000), _2dPoint(at.x + 500, at.y + 2000)),
                                              _2dPoint(at.x, at.y + 3000), 1, {}, {});
  ASSERT_TRUE(section);
  auto view = boost::make_shared<TankWallReinSectionView>(&g_ViewBoard, ViewSettings(), section->GetVolume());
  PromptAnswer cancel;
  PromptAnswer answer;
  answer.kind = PromptAnswer::kPoint;
  answer.point = _3dPoint(1000, 2000, 0);
  answer.checkPrompt = true;
  answer.expectedPrompt = "请选择池壁剖面配筋图插入点";
  GetScriptedHost().QueueAnswer(answer);
  ASSERT_TRUE(view->Draw(designer.GetTank(), 50, ViewSettings(), false, _3dPoint()));
  EXPECT_EQ(GetScriptedHost().PendingAnswers(), 0u);
  const Extents placed = view->GetExtent(kKindMaskAll);
  EXPECT_NEAR(placed.minX, 1000, 1e-6);
  EXPECT_NEAR(placed.minY, 2000, 1e-6);

  auto cancelled = boost::make_shared<TankWallReinSectionView>(&g_ViewBoard, ViewSettings(), section->GetVolume());
  GetScriptedHost().QueueAnswer(cancel);
  EXPECT_FALSE(cancelled->Draw(designer.GetTank(), 50, ViewSettings(), false, _3dPoint()));
  EXPECT_TRUE(cancelled->GetExtent(kKindMaskAll).IsEmpty());
}

// A wall that shows more than two face lines on the plan gets no automatic
// section; the others do.  Without a plan nothing is made.
TEST_F(SectionFixture, AutomaticSectionsSkipWallsWithoutTwoFaces) {
  const BoardPtr wall = WestWall();
  ASSERT_TRUE(wall);
  plan->AddEntities({boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(10, 0))}, wall, {kKindBoardOutline}, {});
  designer.MakeAutoSections();
  const auto sections = designer.GetSections();
  EXPECT_EQ(sections.size(), 3u);
  for (const auto& s : sections) EXPECT_GT(std::fabs(s->GetVolume().m_origin.x), 1.0);
  // The numbers are 1, 2, 3 and each mark carries its number.
  std::vector<int> numbers;
  for (const auto& s : sections) {
    numbers.push_back(s->GetNumber());
    EntityList mark;
    ASSERT_TRUE(plan->GetObjectEntities(s, mark));
    EXPECT_TRUE(Contains(Texts(mark), std::to_string(s->GetNumber())));
  }
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3}));

  TankDesigner bare;
  bare.MakeAutoSections();
  EXPECT_TRUE(bare.GetSections().empty());
}

}  // namespace

namespace {

// A window between the walls keeps no wall: the top slab it cuts rests on
// none of the drawing's walls, is left out of the extent the drawing is
// placed by and goes with the objects related to it.
TEST_F(SectionFixture, TopSlabOnNoWallOfTheDrawing) {
  ViewVolumn volume;
  volume.m_origin = _3dPoint(3000, 2000, 0);
  volume.m_xAxis = _3dVector(1, 0, 0);
  volume.m_yAxis = _3dVector(0, 0, 1);
  volume.m_bounds = {500, std::numeric_limits<double>::infinity(), 500, 0, 0, 0};
  auto view = boost::make_shared<TankWallReinSectionView>(&g_ViewBoard, ViewSettings(), volume);
  ASSERT_TRUE(view->Draw(designer.GetTank(), 50, ViewSettings(), true, _3dPoint(100, 200, 0)));
  const std::vector<BoardPtr> tops = designer.GetTank().GetTopSlabs();
  ASSERT_EQ(tops.size(), 1u);
  EntityList topEntities;
  ASSERT_TRUE(view->GetObjectEntities(tops[0], topEntities));
  for (const BoardPtr& w : designer.GetTank().GetWalls()) {
    EntityList none;
    EXPECT_FALSE(view->GetObjectEntities(w, none));
  }
  const EntityList unsupported = view->CollectUnsupportedSlabEntities(designer.GetTank());
  EXPECT_EQ(unsupported.size(), topEntities.size());
  const Extents placed = view->GetPlacementExtent(designer.GetTank());
  EXPECT_NEAR(placed.minX, 100, 1e-6);
  EXPECT_NEAR(placed.maxY, 200, 1e-6);
  for (const EntityPtr& e : topEntities) EXPECT_GT(e->GetExtents().minY, 200);
  view->EraseEntities(unsupported);
  EXPECT_FALSE(view->GetObjectEntities(tops[0], topEntities));
  // Both sides are cut; the break lines refit to the bottom slab alone.
  view->DrawSectionOutline();
  const EntityList breaks = EntitiesOfKind(*view, kKindBreak);
  ASSERT_EQ(breaks.size(), 2u);
  for (const EntityPtr& b : breaks) EXPECT_NEAR(b->GetExtents().maxY, 200 + 2 * 100, 1e-6);  // 2u beyond
}

}  // namespace

namespace {

// A level across a wall is marked unless it lies less than 1.0 from a level
// marked already (here the wall tops at 3000, marked by the left chain).
TEST(SectionDimensions, LevelMarksNearAMarkedLevel) {
  g_ViewBoard.Reset();
  for (const auto& [y, marks] : {std::pair{3000.8, 2u}, std::pair{3001.0, 3u}, std::pair{2999.2, 2u}}) {
    TankView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.SetScaleValues(100, 100);
    auto add = [&](double x0, double y0, double x1, double y1) {
      view.AddEntities({boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1))}, ObjectPtr(), {2}, {});
    };
    add(0, 0, 5000, 0);
    add(0, 400, 5000, 400);
    for (double x : {1000.0, 1300.0, 3700.0, 4000.0}) add(x, 400, x, 3000);
    add(1000, y, 1300, y);
    EntityList entities;
    std::vector<int> kinds;
    DimensionWallSection(view, entities, kinds, {0.0, 0.0}, 0.0, true, true, true, true, true, {}, 100, 100);
    EXPECT_EQ(Texts(entities).size(), marks) << y;
  }
  g_ViewBoard.Reset();
}

}  // namespace

namespace {

// The bars of the hand-worked section: the horizontal bars of the wall are
// rows of 3 dots, spaced the zone spacing × the factor 2, standing 0.6u +
// 0.5u = 110 units inside the face for the bars of layer 1 and one bar line
// width further (160) for the others; the labels read their zones.
TEST_F(SectionFixture, HandWorkedSectionBars) {
  ASSERT_TRUE(designer.Analyse());
  designer.DesignRein(nullptr);
  designer.SetReinDesigned(true);
  designer.MakeAutoSections();
  boost::shared_ptr<Section> section;
  for (const auto& s : designer.GetSections())
    if (std::fabs(s->GetVolume().m_origin.x) < 1.0) section = s;
  ASSERT_TRUE(section);
  _3dPoint at(0, 0, 0);
  ASSERT_TRUE(designer.DrawWallSection(section, true, at, nullptr));
  const auto view = LastSectionView(designer);
  ASSERT_TRUE(view);
  EXPECT_GT(CheckSectionBars(*view, designer.GetTank()), 0);

  const BoardPtr wall = WestWall();
  EntityList wallLines;
  ASSERT_TRUE(view->GetObjectEntities(wall, wallLines));
  double face0 = 1e300, face1 = -1e300;
  for (const EntityPtr& e : wallLines) {
    face0 = std::min(face0, e->GetExtents().minX);
    face1 = std::max(face1, e->GetExtents().maxX);
  }
  ASSERT_NEAR(face1 - face0, 700.0, 1e-6);
  int rows = 0;
  for (const ReinZonePtr& zone : wall->GetAllZones()) {
    EntityList entities;
    if (!view->GetObjectEntities(zone, entities)) continue;
    std::vector<_2dPoint> dots;
    for (const EntityPtr& e : entities) {
      _2dPoint c;
      if (view->GetEntityKind(e) == kKindReinLine && DotCentre(e, c)) dots.push_back(c);
    }
    if (dots.empty()) continue;
    ++rows;
    SCOPED_TRACE(zone->GetNumber());
    EXPECT_EQ(dots.size(), 3u);
    std::sort(dots.begin(), dots.end(), [](const _2dPoint& a, const _2dPoint& b) { return a.y < b.y; });
    for (std::size_t i = 1; i < dots.size(); ++i)
      EXPECT_NEAR(dots[i].y - dots[i - 1].y, zone->GetSpacing() * 2.0, 1e-6);
    for (const _2dPoint& d : dots) {
      const double inside = std::min(d.x - face0, face1 - d.x);
      EXPECT_TRUE(std::fabs(inside - 110.0) < 1e-6 || std::fabs(inside - 160.0) < 1e-6) << inside;
    }
  }
  EXPECT_EQ(rows, 2);  // one row on each face
}

}  // namespace

namespace {

// At the cut lines: a haunch bar across a cut goes, a face bar across it is
// trimmed to the window, bars and dot rows beyond a cut go, and a dot row
// stays only wholly inside the window; trimmed bars name their zones.
TEST(SectionRein, DropAndTrimAtTheCutLines) {
  g_ViewBoard.Reset();
  ViewVolumn volume;
  volume.m_xAxis = _3dVector(1, 0, 0);
  volume.m_yAxis = _3dVector(0, 0, 1);
  volume.m_bounds[0] = 1000;
  TankWallReinSectionView view(&g_ViewBoard, ViewSettings(), volume);
  view.SetScaleValues(100, 100);
  auto slabLine = boost::make_shared<_2dLine>(_2dPoint(-3000, 0), _2dPoint(3000, 0));
  auto upright = boost::make_shared<_2dLine>(_2dPoint(0, -500), _2dPoint(0, 500));
  view.AddEntities({slabLine, upright}, ObjectPtr(), {2, 2}, {});
  EntityList drawing{slabLine, upright};
  ASSERT_EQ(view.DrawCutEnds(nullptr, nullptr, drawing, 1.0).size(), 2u);
  ASSERT_NEAR(view.GetLeftCut()->GetStartPoint().x, -1000, kTol);
  ASSERT_NEAR(view.GetRightCut()->GetStartPoint().x, 1000, kTol);

  auto bar = [](double x0, double x1) {
    _2dPolyline line;
    line.AppendVertex(_3dPoint(x0, 100, 0));
    line.AppendVertex(_3dPoint(x1, 100, 0));
    return boost::make_shared<LineReinEntity>(0, 2, 0, 0, line);
  };
  auto zone = [](int category) {
    auto z = boost::make_shared<ReinZone>();
    z->SetCategory(category);
    return z;
  };
  const ReinZonePtr face = zone(2), haunch = zone(4), outside = zone(2);
  std::vector<ReinZonePtr> zones{face, haunch, outside};
  const LineReinPtr across = bar(-2000, 2000);
  TankWallReinSectionView::BarGroups groups{{across}, {bar(800, 1500)}, {bar(-2500, -1500)}};
  auto row = [](std::vector<_2dPoint> centres) { return boost::make_shared<DotReinEntity>(centres); };
  const ReinZonePtr inZone = zone(2), edgeZone = zone(2), leftZone = zone(2), supportZone = zone(3);
  TankWallReinSectionView::DotRows dots1{row({{0, 0}, {0, 100}}), row({{900, 0}, {1100, 0}}), row({{-1500, 0}})};
  std::vector<ReinZonePtr> dotZones1{inZone, edgeZone, leftZone};
  TankWallReinSectionView::DotRows dots2{row({{500, 50}}), row({{990, 50}, {1010, 50}})};
  std::vector<ReinZonePtr> dotZones2{supportZone, supportZone};

  view.DropRebarOutsideCuts(groups, dots1, dots2, zones, dotZones1, dotZones2);
  EXPECT_EQ(zones, (std::vector<ReinZonePtr>{face}));
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(dotZones1, (std::vector<ReinZonePtr>{inZone}));
  EXPECT_EQ(dots1.size(), 1u);
  EXPECT_EQ(dots2.size(), 1u);

  const std::vector<ReinZonePtr> trimmed = view.TrimBarsAtCuts(zones, groups);
  EXPECT_EQ(trimmed, (std::vector<ReinZonePtr>{face, face}));
  const auto line = across->GetReinLine();
  ASSERT_TRUE(line);
  double lo = 1e300, hi = -1e300;
  for (const _3dPoint& v : line->GetVertices()) {
    lo = std::min(lo, v.x);
    hi = std::max(hi, v.x);
  }
  EXPECT_NEAR(lo, -1000, 1e-6);
  EXPECT_NEAR(hi, 1000, 1e-6);
  g_ViewBoard.Reset();
}

}  // namespace

namespace {

// Beyond the outermost wall line, the ends of two bottom-slab bars whose end
// segments cross are both slid onto the crossing, hooks and all; ends inside
// the walls stay.
TEST(SectionRein, SlabBarEndsJoinBeyondTheWalls) {
  g_ViewBoard.Reset();
  Tank tank;
  const BoardPtr wall = fixtures::MakeWall(0, -1000, 0, 1000, 0, 3000, 300);
  auto slab = boost::make_shared<Board>();
  slab->SetKind(1);
  tank.AddBoards({wall, slab});
  auto upper = boost::make_shared<ReinZone>(), lower = boost::make_shared<ReinZone>();
  slab->GetUpperZones().push_back(upper);
  slab->GetLowerZones().push_back(lower);

  TankWallReinSectionView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  // The outermost wall lines at x = 0 and x = 2500.
  view.AddEntities({boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(0, 3000)),
                    boost::make_shared<_2dLine>(_2dPoint(2500, 0), _2dPoint(2500, 3000))},
                   wall, {2, 2}, {});
  auto bar = [](std::vector<_3dPoint> points, int hook) {
    _2dPolyline line;
    for (const _3dPoint& p : points) line.AppendVertex(p);
    return boost::make_shared<LineReinEntity>(hook, 2, 0, 0, line);
  };
  // The upper bar runs at y = 400 from x = -100, with a tail turned at each
  // end; the lower bar rises at x = -200 to y = 300.  Their end segments'
  // lines cross at (-200, 400).
  const LineReinPtr top = bar({{-100, 400, 0}, {2000, 400, 0}}, 2);
  const LineReinPtr bottom = bar({{-200, 300, 0}, {-200, 100, 0}, {2000, 100, 0}}, 0);
  ASSERT_EQ(top->GetReinLine()->VerNums(), 4);
  const _3dPoint tailBefore = top->GetReinLine()->GetVertexAt(0);
  const _3dPoint farBefore = top->GetReinLine()->GetVertexAt(3);
  view.JoinBarEndsBeyondWalls(tank, {upper, lower}, {{top}, {bottom}});
  const auto& t = top->GetReinLine()->GetVertices();
  const auto& b = bottom->GetReinLine()->GetVertices();
  // The upper bar's end moves to (-200, 400) with its tail; the lower bar's
  // end (-200, 300) moves up onto the crossing.
  EXPECT_NEAR(t[1].x, -200, kTol);
  EXPECT_NEAR(t[1].y, 400, kTol);
  EXPECT_NEAR(t[0].x, tailBefore.x - 100, kTol);
  EXPECT_NEAR(t[0].y, tailBefore.y, kTol);
  EXPECT_NEAR(b[0].x, -200, kTol);
  EXPECT_NEAR(b[0].y, 400, kTol);
  // The ends inside the outermost walls stay.
  EXPECT_NEAR(t[2].x, 2000, kTol);
  EXPECT_NEAR(t[3].x, farBefore.x, kTol);
  EXPECT_NEAR(b[2].x, 2000, kTol);

  // A bar too short for its hook: nothing moves.
  _2dPolyline bare;
  bare.AppendVertex(_3dPoint(-100, 400, 0));
  const LineReinPtr shortBar = boost::make_shared<LineReinEntity>(0, 2, 0, 0, bare);
  const LineReinPtr other = bar({{-200, 300, 0}, {-200, 100, 0}, {2000, 100, 0}}, 0);
  view.JoinBarEndsBeyondWalls(tank, {upper, lower}, {{shortBar}, {other}});
  EXPECT_NEAR(other->GetReinLine()->GetVertices()[0].y, 300, kTol);
  g_ViewBoard.Reset();
}

}  // namespace
