// The view base's entity registry and the filed view records.
#include "platform/HostServices.h"
#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "view/FiledClasses.h"
#include "view/TankView.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace {

EntityPtr Line(double x0, double y0, double x1, double y1) {
  return boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1));
}

class ViewRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
  }
  void TearDown() override { ResetHostServices(); }

  std::unique_ptr<TankView> MakeView() {
    return std::make_unique<TankView>(&board, ViewSettings{}, ViewVolumn{});
  }

  AcadViewBoard board;
  ObjectPtr boardA = boost::make_shared<VekObject>();
  ObjectPtr boardB = boost::make_shared<VekObject>();
};

TEST_F(ViewRegistry, SecondRegistrationKeepsFirstOwnerAndKindButListsUnderBoth) {
  auto view = MakeView();
  const EntityPtr e = Line(0, 0, 1, 0);
  view->AddEntities({e}, boardA, {0x2}, {});
  view->AddEntities({e}, boardB, {0x4}, {});

  ObjectList owners;
  ASSERT_TRUE(view->GetEntityOwners(e, owners));
  ASSERT_EQ(owners.size(), 1u);
  EXPECT_EQ(owners[0], boardA);
  EXPECT_EQ(view->GetEntityKind(e), 0x2);

  EntityList listed;
  ASSERT_TRUE(view->GetObjectEntities(boardB, listed));
  EXPECT_EQ(listed, EntityList{e});
  EntityKindPairs kinds;
  view->ListEntityKinds(kinds);
  EXPECT_EQ(kinds.size(), 1u);
}

TEST_F(ViewRegistry, LookupsOfUnknownsAndNullOwner) {
  auto view = MakeView();
  const EntityPtr titled = Line(0, 0, 1, 0);
  view->AddEntities({titled}, nullptr, {0x2000000}, {});

  ObjectPtr owner;
  EXPECT_FALSE(view->GetEntityOwner(titled, owner));  // only the null owner
  EntityList listed{Line(5, 5, 6, 6)};
  EXPECT_TRUE(view->GetObjectEntities(g_NullOwner, listed));
  EXPECT_EQ(listed, EntityList{titled});

  EXPECT_FALSE(view->GetObjectEntities(boardA, listed));
  EXPECT_TRUE(listed.empty());
  ObjectList owners{boardB};
  EXPECT_FALSE(view->GetEntityOwners(Line(0, 0, 2, 2), owners));
  EXPECT_EQ(owners, ObjectList{boardB});
  EXPECT_EQ(view->GetEntityKind(Line(0, 0, 2, 2)), 0);
}

TEST_F(ViewRegistry, RegistriesFollowRegistrationSequenceNotAddress) {
  auto view = MakeView();
  std::vector<ObjectPtr> objects;
  std::vector<EntityPtr> entities;
  for (int i = 0; i < 12; ++i) {
    objects.push_back(boost::make_shared<VekObject>());
    entities.push_back(Line(i, 0, i, 1));
  }
  // Register in descending address order so that address order would differ.
  std::vector<int> order(12);
  for (int i = 0; i < 12; ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](int a, int b) { return objects[a].get() > objects[b].get(); });
  for (int i : order) view->AddEntities({entities[i]}, objects[i], {0x2}, {});

  ObjectEntityPairs pairs;
  view->ListObjectEntities(pairs);
  EntityKindPairs kinds;
  view->ListEntityKinds(kinds);
  EntityOwnerPairs owners;
  view->ListEntityOwners(owners);
  ASSERT_EQ(pairs.size(), 12u);
  for (std::size_t k = 0; k < order.size(); ++k) {
    EXPECT_EQ(pairs[k].first, objects[order[k]]);
    EXPECT_EQ(kinds[k].first, entities[order[k]]);
    EXPECT_EQ(owners[k].first, entities[order[k]]);
  }

  // The filer's set accessors restore the same sequence; repeated keys keep
  // their first value.
  auto restored = MakeView();
  EntityKindPairs withRepeat = kinds;
  withRepeat.emplace_back(kinds[0].first, 0x4);
  restored->SetObjectEntities(pairs);
  restored->SetEntityOwners(owners);
  restored->SetEntityKinds(withRepeat);
  EntityKindPairs again;
  restored->ListEntityKinds(again);
  EXPECT_EQ(again, kinds);
  ObjectEntityPairs pairsAgain;
  restored->ListObjectEntities(pairsAgain);
  EXPECT_EQ(pairsAgain, pairs);
}

TEST_F(ViewRegistry, ErasingBatchesKeepsObjectUntilItsLastEntity) {
  auto view = MakeView();
  const EntityPtr a = Line(0, 0, 1, 0), b = Line(0, 0, 0, 1), c = Line(1, 1, 2, 2);
  view->AddEntities({a, b}, boardA, {0x2, 0x4}, {});
  view->AddEntities({c}, boardA, {0x10}, {});
  view->ShowAllEntities();
  ASSERT_TRUE(board.HoldsEntity(a));

  view->EraseEntities({b, a});
  EXPECT_FALSE(board.HoldsEntity(a));
  EXPECT_TRUE(board.HoldsEntity(c));
  EntityList listed;
  ASSERT_TRUE(view->GetObjectEntities(boardA, listed));
  EXPECT_EQ(listed, EntityList{c});
  EXPECT_EQ(view->GetEntityKind(a), 0);

  view->EraseEntitiesOfKinds(0x10, false);
  EXPECT_FALSE(view->GetObjectEntities(boardA, listed));
  EntityOwnerPairs owners;
  view->ListEntityOwners(owners);
  EXPECT_TRUE(owners.empty());
}

TEST_F(ViewRegistry, SplitByKindPutsEveryEntityInExactlyOneList) {
  auto view = MakeView();
  const EntityPtr zero = Line(0, 0, 1, 0), outline = Line(0, 0, 0, 1), label = Line(2, 2, 3, 3);
  view->AddEntities({zero, outline, label}, boardA, {0, 0x2, 0x10}, {});
  EntityList matching{label}, other{label};
  view->SplitEntitiesByKind(kKindMaskAll, matching, other);
  EXPECT_EQ(matching, (EntityList{outline, label}));
  EXPECT_EQ(other, EntityList{zero});
}

TEST_F(ViewRegistry, ShowThenHideEndsHidden) {
  auto view = MakeView();
  const EntityPtr both = Line(0, 0, 1, 0), shownOnly = Line(0, 0, 0, 1);
  view->AddEntities({both, shownOnly}, boardA, {0x6, 0x2}, {});
  view->ShowHideEntitiesOfKinds(nullptr, 0x2, 0x4, true);
  EXPECT_TRUE(board.HoldsEntity(both));
  EXPECT_FALSE(board.IsEntityVisible(both));
  EXPECT_TRUE(board.IsEntityVisible(shownOnly));
  EXPECT_EQ(board.GetRefreshCount(), 1);
}

TEST_F(ViewRegistry, DestroyingViewErasesItsEntitiesFromBoard) {
  const EntityPtr shown = Line(0, 0, 1, 0), hidden = Line(0, 0, 0, 1);
  const EntityPtr other = Line(5, 5, 6, 6);
  board.ShowEntity(other);  // not the view's
  {
    auto view = MakeView();
    view->AddEntities({shown, hidden}, boardA, {0x2, 0x4}, {});
    view->ShowAllEntities();
    view->ShowHideEntitiesOfKinds(nullptr, 0, 0x4, false);
    ASSERT_TRUE(board.HoldsEntity(hidden));
  }
  EXPECT_FALSE(board.HoldsEntity(shown));
  EXPECT_FALSE(board.HoldsEntity(hidden));
  EXPECT_TRUE(board.HoldsEntity(other));
}

TEST_F(ViewRegistry, AddEntitiesWithHandlesLinksThemOnTheBoard) {
  auto view = MakeView();
  const EntityPtr mark = Line(0, 0, 1, 0);
  const EntityHandle drawn = board.InsertUserEntity(Line(0, 0, 1, 0));
  view->AddEntities({mark}, boardA, {0x8000}, {drawn});
  EntityHandle found;
  ASSERT_TRUE(board.FindEntityHandle(mark, found));
  EXPECT_EQ(found, drawn);
}

TEST_F(ViewRegistry, CancelledPlacementLeavesNoEntity) {
  auto view = MakeView();
  const EntityPtr a = Line(0, 0, 10, 0), b = Line(0, 0, 0, 5);
  view->AddEntities({a, b}, boardA, {0x2, 0x4}, {});
  GetScriptedHost().QueueAnswer(PromptAnswer::Cancel());
  EXPECT_FALSE(view->PlaceDrawing(false, _3dPoint(), "place"));
  EntityKindPairs kinds;
  view->ListEntityKinds(kinds);
  EXPECT_TRUE(kinds.empty());
  EXPECT_FALSE(board.HoldsEntity(a));
  EXPECT_FALSE(board.HoldsEntity(b));
}

TEST_F(ViewRegistry, PlacementMovesOwnGeometryButNotLabels) {
  auto view = MakeView();
  const auto outline = boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(10, 0));
  const auto edge = boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(0, 5));
  const auto label = boost::make_shared<_2dLine>(_2dPoint(100, 100), _2dPoint(101, 100));
  view->AddEntities({outline, edge, label}, boardA, {0x2, 0x4, 0x10}, {});

  // Picked point: the lower left corner of the extent without labels goes there.
  GetScriptedHost().QueueAnswer(PromptAnswer::Point(_3dPoint(50, 60, 0)));
  ASSERT_TRUE(view->PlaceDrawing(false, _3dPoint(), "place"));
  _3dVector placement;
  view->GetPlacement(placement);
  EXPECT_DOUBLE_EQ(placement.x, 50);
  EXPECT_DOUBLE_EQ(placement.y, 60);
  EXPECT_DOUBLE_EQ(outline->GetStartPoint().x, 50);
  EXPECT_DOUBLE_EQ(outline->GetStartPoint().y, 60);
  EXPECT_DOUBLE_EQ(label->GetStartPoint().x, 100);  // labels are placed by their drawing
  EXPECT_TRUE(board.IsEntityVisible(edge));

  // Given point: the upper left corner goes there.
  auto second = MakeView();
  const auto line = boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(10, 5));
  second->AddEntities({line}, boardA, {0x2}, {});
  ASSERT_TRUE(second->PlaceDrawing(true, _3dPoint(0, 0, 0), ""));
  EXPECT_DOUBLE_EQ(line->GetEndPoint().y, 0);
  EXPECT_DOUBLE_EQ(line->GetStartPoint().y, -5);
}

TEST_F(ViewRegistry, BoardLinesByKindAndType) {
  auto view = MakeView();
  const EntityPtr outline = Line(0, 0, 10, 0), junction = Line(5, -5, 5, 5), cut = Line(0, 2, 10, 2);
  const EntityPtr label = boost::make_shared<_Text>();
  view->AddEntities({outline, junction, cut, label}, boardA, {0x2, 0x4, 0x10000, 0x6}, {});

  std::vector<boost::shared_ptr<_2dLine>> shared;
  std::vector<_2dLine> cuts, outlines;
  view->CollectBoardLines(shared, cuts, outlines);
  ASSERT_EQ(shared.size(), 2u);  // the text of kind 6 is dropped
  EXPECT_EQ(shared[0], outline);
  EXPECT_EQ(cuts.size(), 1u);
  EXPECT_EQ(outlines.size(), 1u);

  EXPECT_TRUE(view->CrossesBoardLines(_2dLine(_2dPoint(2, -1), _2dPoint(2, 1))));
  EXPECT_FALSE(view->CrossesBoardLines(_2dLine(_2dPoint(0, 2), _2dPoint(4, 2))));  // on the cut line only
}

// --- Filed records.

template <class T>
std::string Store(const T& object) {
  std::ostringstream out;
  Archive ar(out);
  ar << object;
  ar.Close();
  return out.str();
}

TEST(ViewVolumnFiling, RoundTripKeepsOriginAxesAndBoundsInOrder) {
  ViewVolumn volume;
  volume.m_origin = _3dPoint(1.5, -2, 3);
  volume.m_xAxis = _3dVector(0, 1, 0);
  volume.m_yAxis = _3dVector(0, 0, 1);
  volume.m_bounds = {1, 2, 3, 4, 5, 6};
  std::istringstream in(Store(volume));
  Archive ar(in);
  ViewVolumn back;
  ar >> back;
  ar.Close();  // nothing else was written
  EXPECT_DOUBLE_EQ(back.m_origin.x, 1.5);
  EXPECT_DOUBLE_EQ(back.m_origin.y, -2);
  EXPECT_DOUBLE_EQ(back.m_origin.z, 3);
  EXPECT_DOUBLE_EQ(back.m_xAxis.y, 1);
  EXPECT_DOUBLE_EQ(back.m_yAxis.z, 1);
  EXPECT_EQ(back.m_bounds, volume.m_bounds);
  _3dVector normal;
  back.GetNormal(normal);
  EXPECT_DOUBLE_EQ(normal.x, 1);
}

TEST(ViewVolumnFiling, DefaultNormalIsZ) {
  _3dVector normal;
  ViewVolumn().GetNormal(normal);
  EXPECT_DOUBLE_EQ(normal.x, 0);
  EXPECT_DOUBLE_EQ(normal.y, 0);
  EXPECT_DOUBLE_EQ(normal.z, 1);
}

TEST(SectionFiling, RecreatedByNameWithNumberAndVolume) {
  ViewVolumn volume;
  volume.m_origin = _3dPoint(7, 8, 9);
  volume.m_bounds[5] = 42;
  const Section section(3, volume);
  std::ostringstream out;
  {
    Archive ar(out);
    ar << static_cast<const VekObject*>(&section);
    ar.Close();
  }
  std::istringstream in(out.str());
  Archive ar(in);
  VekObject* raw = nullptr;
  ar >> raw;
  ar.Close();
  std::unique_ptr<VekObject> owned(raw);
  const auto* back = dynamic_cast<const Section*>(owned.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetNumber(), 3);
  EXPECT_DOUBLE_EQ(back->GetVolume().m_origin.y, 8);
  EXPECT_DOUBLE_EQ(back->GetVolume().m_bounds[5], 42);
}

TEST(FiledClasses, RegisteredByName) {
  for (const char* name : {"LineReinEntity", "DotReinEntity", "Section"}) {
    const ClassRecord* record = FindClassRecord(name);
    ASSERT_NE(record, nullptr) << name;
    std::unique_ptr<VekObject> made(record->CreateObject());
    EXPECT_EQ(made->GetRuntimeClass(), record) << name;
  }
  EXPECT_EQ(g_PlanClearKindMask, 0x01FBDFFF);
}

}  // namespace
