// The view board: registries between entities and handles, what shows,
// hides, moves and erases, base maps and their filing, the drawing standard,
// the text metric, and picks and drags answered by the host.
#include "platform/HostServices.h"
#include "platform/Morlak.h"
#include "platform/Nirvox.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

EntityPtr Line(double x0, double y0, double x1, double y1) {
  return boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1));
}

class ViewBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
  }
  void TearDown() override { ResetHostServices(); }

  EntityHandle HandleOf(const EntityPtr& e) {
    EntityHandle h;
    EXPECT_TRUE(board.FindEntityHandle(e, h));
    return h;
  }

  AcadViewBoard board;
};

TEST_F(ViewBoard, HoldsTheVeryEntitiesWithStableHandles) {
  const EntityPtr a = Line(0, 0, 1, 0);
  const EntityPtr b = Line(0, 0, 0, 1);
  board.ShowEntity(a);
  board.AddEntity(b);
  const EntityHandle ha = HandleOf(a), hb = HandleOf(b);
  EXPECT_NE(ha, hb);
  EXPECT_FALSE(ha.IsNull());
  // Identity, not a copy.
  EXPECT_EQ(board.FindEntity(ha).get(), a.get());
  EXPECT_EQ(board.FindEntity(hb).get(), b.get());
  // Showing, adding or putting a held entity again keeps its one record.
  board.ShowEntity(a);
  board.AddEntity(a);
  board.PutEntity(a);
  EXPECT_EQ(board.GetDrawingSize(), 2u);
  EXPECT_EQ(HandleOf(a), ha);

  // An erased entity's handle is never given out again.
  board.EraseEntity(a);
  EXPECT_FALSE(board.HasHandle(ha));
  EXPECT_EQ(board.FindEntity(ha), nullptr);
  const EntityPtr c = Line(5, 5, 6, 6);
  board.ShowEntity(c);
  EXPECT_GT(HandleOf(c).Id(), hb.Id());
}

TEST_F(ViewBoard, RegistriesFollowTheOrderEntitiesReachedTheDrawing) {
  // Entities allocated in one order and drawn in another: the registries list
  // them as drawn, whatever their addresses.
  EntityList made;
  for (int i = 0; i < 20; ++i) made.push_back(Line(i, 0, i, 1));
  EntityList drawn = made;
  std::reverse(drawn.begin(), drawn.end());
  std::rotate(drawn.begin(), drawn.begin() + 7, drawn.end());
  for (const EntityPtr& e : drawn) board.ShowEntity(e);

  const EntityHandlePairs pairs = board.GetEntityHandles();
  const HandleEntityPairs back = board.GetHandleEntities();
  ASSERT_EQ(pairs.size(), drawn.size());
  ASSERT_EQ(back.size(), drawn.size());
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    EXPECT_EQ(pairs[i].first, drawn[i]);
    EXPECT_EQ(back[i].second, drawn[i]);
    EXPECT_EQ(back[i].first, pairs[i].second);
  }
}

TEST_F(ViewBoard, CallsForEntitiesTheBoardDoesNotHoldChangeNothing) {
  const EntityPtr held = Line(0, 0, 1, 1);
  board.ShowEntity(held);
  const EntityPtr stranger = Line(2, 2, 3, 3);
  struct Case {
    const char* name;
    std::function<void()> call;
  };
  const std::vector<Case> cases = {
      {"hide", [&] { board.HideEntity(stranger); }},
      {"erase", [&] { board.EraseEntity(stranger); }},
      {"remove", [&] { board.RemoveEntity(stranger); }},
      {"update", [&] { board.UpdateEntity(stranger); }},
      {"delete unknown handle", [&] { board.DeleteEntity(EntityHandle(0xFFFFFF)); }},
      {"null entity", [&] { board.ShowEntity(EntityPtr()); board.HideEntity(EntityPtr()); board.EraseEntity(EntityPtr()); }},
      {"empty lists", [&] {
         board.AddEntities({}, {});
         board.MoveEntities({}, _3dVector(1, 1, 0));
         board.AddDimensions({});
       }},
  };
  for (const Case& c : cases) {
    EXPECT_NO_THROW(c.call()) << c.name;
    EXPECT_EQ(board.GetDrawingSize(), 1u) << c.name;
    EXPECT_FALSE(board.HoldsEntity(stranger)) << c.name;
    EXPECT_TRUE(board.IsEntityVisible(held)) << c.name;
  }
  EXPECT_TRUE(board.GetExtent({}).IsEmpty());
}

TEST_F(ViewBoard, ShowThenHideEndsHiddenAndHiddenEntitiesAreKept) {
  const EntityPtr e = Line(0, 0, 1, 0);
  board.ShowEntity(e);
  board.HideEntity(e);
  EXPECT_TRUE(board.HoldsEntity(e));
  EXPECT_FALSE(board.IsEntityVisible(e));
  board.HideEntity(e);  // twice: the same
  EXPECT_FALSE(board.IsEntityVisible(e));
  board.ShowEntity(e);
  EXPECT_TRUE(board.IsEntityVisible(e));
  EXPECT_EQ(board.GetDrawingSize(), 1u);
}

TEST_F(ViewBoard, PlacingMovesTheDrawingOnlyOnce) {
  // The view moves its own geometry after placing; the board moves only its
  // drawing, so the drawing does not end up twice as far.
  auto line = boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(10, 0));
  board.MoveEntities({line, line}, _3dVector(100, 200, 0));  // listed twice: moved once
  EXPECT_EQ(line->GetStartPoint(), _2dPoint(0, 0));
  auto drawn = boost::dynamic_pointer_cast<_2dLine>(board.GetDrawnShape(line));
  ASSERT_TRUE(drawn);
  EXPECT_EQ(drawn->GetStartPoint(), _2dPoint(100, 200));
  const Extents box = board.GetExtent({line});
  EXPECT_DOUBLE_EQ(box.minX, 100.0);
  EXPECT_DOUBLE_EQ(box.maxX, 110.0);
  // Moved entities were put on the drawing, visible.
  EXPECT_TRUE(board.IsEntityVisible(line));

  // Redrawing a changed entity keeps its placement.
  line->SetEndPoint(_2dPoint(20, 0));
  board.UpdateEntity(line);
  drawn = boost::dynamic_pointer_cast<_2dLine>(board.GetDrawnShape(line));
  EXPECT_EQ(drawn->GetEndPoint(), _2dPoint(120, 200));
}

TEST_F(ViewBoard, UpdateRedrawsAChangedTextAndMark) {
  auto text = boost::make_shared<_Text>("B1", _3dPoint(0, 0), 3.0);
  auto mark = boost::make_shared<Ordinal>(1, _2dPoint(0, 0), 0.0, 6.0);
  board.ShowEntity(text);
  board.ShowEntity(mark);
  text->SetText("B2");
  mark->SetNumber(5);
  EXPECT_EQ(boost::dynamic_pointer_cast<_Text>(board.GetDrawnShape(text))->GetText(), "B1");
  board.UpdateEntity(text);
  board.UpdateEntity(mark);
  EXPECT_EQ(boost::dynamic_pointer_cast<_Text>(board.GetDrawnShape(text))->GetText(), "B2");
  EXPECT_EQ(boost::dynamic_pointer_cast<Ordinal>(board.GetDrawnShape(mark))->GetNumber(), 5);
}

TEST_F(ViewBoard, DragAsksTheHostAndMovesByTheChosenPoint) {
  auto line = Line(0, 0, 10, 0);
  GetScriptedHost().QueueAnswer(PromptAnswer::Point(_3dPoint(50, 60)).Expecting("请选择洞口详图插入点"));
  GetScriptedHost().QueueAnswer(PromptAnswer::Cancel());
  _3dPoint chosen;
  EXPECT_TRUE(board.DragEntities({line}, _3dPoint(0, 0), chosen, "请选择洞口详图插入点"));
  EXPECT_EQ(chosen, _3dPoint(50, 60));
  EXPECT_DOUBLE_EQ(board.GetExtent({line}).minX, 50.0);

  // Cancelled: false, the drawing stays where it was, the point untouched.
  _3dPoint untouched(-1, -1, -1);
  EXPECT_FALSE(board.DragInsert({line}, _3dPoint(0, 0), untouched, ""));
  EXPECT_EQ(untouched, _3dPoint(-1, -1, -1));
  EXPECT_DOUBLE_EQ(board.GetExtent({line}).minX, 50.0);
  EXPECT_TRUE(board.HoldsEntity(line));
}

TEST_F(ViewBoard, LinksEntitiesToTheUsersOwnCadEntities) {
  const EntityHandle stroke = board.InsertUserEntity(Line(0, 0, 100, 0));
  const EntityPtr mark = Line(0, 0, 100, 0);
  EXPECT_FALSE(board.FindEntity(stroke));  // a user entity has no module entity
  board.AddEntities({mark}, {stroke});
  EXPECT_EQ(board.FindEntity(stroke), mark);
  EXPECT_EQ(HandleOf(mark), stroke);
  EXPECT_EQ(board.GetDrawingSize(), 1u);
  EXPECT_THROW(board.AddEntities({mark}, {}), std::invalid_argument);

  // A held entity linked to another handle moves to it.
  const EntityHandle other = board.InsertUserEntity(Line(0, 0, 0, 100));
  board.AddEntities({mark}, {other});
  EXPECT_EQ(HandleOf(mark), other);
  EXPECT_FALSE(board.HasHandle(stroke));

  // Lookups of several handles keep their positions.
  const EntityList found = board.FindEntities({other, EntityHandle(0xABCDEF), other});
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0], mark);
  EXPECT_EQ(found[1], nullptr);
  EXPECT_EQ(found[2], mark);
}

TEST_F(ViewBoard, BaseMapsCollectShowAndHideTheUsersDrawing) {
  const EntityHandle u1 = board.InsertUserEntity(Line(0, 0, 1, 1));
  const EntityHandle u2 = board.InsertUserEntity(Line(1, 1, 2, 2));
  board.ShowEntity(Line(5, 5, 6, 6));  // the module's own: never part of a base map
  EXPECT_TRUE(board.isNullOfModeingBaseMap());

  EntityHandleList current = {EntityHandle(7)};  // outputs are appended to
  board.findCurrentBaseMap(current);
  EXPECT_EQ(current, (EntityHandleList{EntityHandle(7), u1, u2}));

  board.AddBaseMap(0, {u1, u2});
  board.AddBaseMap(7, {u1});  // no such mode
  EXPECT_FALSE(board.isNullOfModeingBaseMap());
  EXPECT_TRUE(board.getBaseMapHandle_DrawingView().empty());

  board.showBaseMap(0, false);
  EXPECT_FALSE(board.IsHandleVisible(u1));
  EXPECT_FALSE(board.IsHandleVisible(u2));
  EntityHandleList none;  // a hidden base map is not the current one
  board.findCurrentBaseMap(none);
  EXPECT_TRUE(none.empty());
  board.showBaseMap(0, true);
  EXPECT_TRUE(board.IsHandleVisible(u2));
}

TEST_F(ViewBoard, ZoomWindowTakesItsCornersInEitherOrder) {
  board.ZoomWindow(_3dPoint(10, 20, 0), _3dPoint(-5, -7, 0));
  const Extents first = board.GetZoomWindow();
  board.ZoomWindow(_3dPoint(-5, -7, 0), _3dPoint(10, 20, 0), true);
  const Extents second = board.GetZoomWindow();
  EXPECT_EQ(first.GetMinPoint(), second.GetMinPoint());
  EXPECT_EQ(first.GetMaxPoint(), second.GetMaxPoint());
  EXPECT_EQ(first.GetMinPoint(), _3dPoint(-5, -7, 0));
  EXPECT_TRUE(board.IsZoom3d());
}

TEST_F(ViewBoard, PicksByEntityNumberOrByPoint) {
  const EntityPtr near = Line(0, 0, 1000, 0);
  const EntityPtr far = Line(0, 5000, 1000, 5000);
  board.ShowEntity(near);
  board.ShowEntity(far);
  ScriptedHostUi& host = GetScriptedHost();
  host.QueueAnswer(PromptAnswer::Entity(HandleOf(far).Id()));
  host.QueueAnswer(PromptAnswer::Point(_3dPoint(500, 100)));  // within the pick box of the near line
  host.QueueAnswer(PromptAnswer::Point(_3dPoint(500, 2500)));  // nothing within reach
  host.QueueAnswer(PromptAnswer::Entity(0xFFFFFF));            // no such entity
  host.QueueAnswer(PromptAnswer::Cancel());
  EntityHandle picked;
  EXPECT_TRUE(board.PickEntity("选择", picked));
  EXPECT_EQ(picked, HandleOf(far));
  EXPECT_TRUE(board.PickEntity("选择", picked));
  EXPECT_EQ(picked, HandleOf(near));
  EXPECT_FALSE(board.PickEntity("选择", picked));
  EXPECT_FALSE(board.PickEntity("选择", picked));
  EXPECT_FALSE(board.PickEntity("选择", picked));
  EXPECT_EQ(host.GetPrompts().size(), 5u);
}

TEST_F(ViewBoard, DrawsSectionMarksOnTheDrawing) {
  const _2dLine cut(_2dPoint(0, 0), _2dPoint(1000, 0));
  const EntityList mark = board.CreateSectionMark(cut, _2dPoint(500, -300), 2, 300, 350, 1);
  // Two strokes per end, the number at both ends, the cut line.
  ASSERT_EQ(mark.size(), 7u);
  int texts = 0;
  for (const EntityPtr& e : mark) {
    EXPECT_TRUE(board.IsEntityVisible(e));
    EXPECT_EQ(e->GetLayer(), GetLayerName(9));
    if (auto t = boost::dynamic_pointer_cast<_Text>(e)) {
      ++texts;
      EXPECT_EQ(t->GetText(), "2");
      EXPECT_LT(t->GetPosition().y, 0.0);  // on the side looked at
    }
  }
  EXPECT_EQ(texts, 2);
  EntityList made;
  board.CreateEntities(made, {cut, _2dLine(_2dPoint(0, 0), _2dPoint(0, 0))}, {});
  EXPECT_EQ(made.size(), 4u);  // no number, no cut line; the empty line draws nothing
}

TEST_F(ViewBoard, ResetStartsAFreshDrawingWithoutReusingHandles) {
  const EntityPtr e = Line(0, 0, 1, 0);
  board.ShowEntity(e);
  const EntityHandle before = HandleOf(e);
  board.AddBaseMap(1, {before});
  board.setShowFlag_DrawingView(true);
  board.Reset();
  EXPECT_EQ(board.GetDrawingSize(), 0u);
  EXPECT_TRUE(board.getBaseMapHandle_DrawingView().empty());
  EXPECT_FALSE(board.getShowFlag_DrawingView());
  board.ShowEntity(e);
  EXPECT_GT(HandleOf(e).Id(), before.Id());
}

// ---------------------------------------------------------------------------
// Filing

std::vector<std::uint8_t> Bytes(const std::function<void(Archive&)>& write) {
  std::ostringstream out;
  {
    Archive ar(out);
    write(ar);
    ar.Close();
  }
  const std::string s = out.str();
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

TEST(EntityHandleFiling, TextFormRoundTripsAndRefusesGarbage) {
  for (unsigned long long id : {0ull, 1ull, 0x100ull, 0xABCDEFull, 0xFFFFFFFFFFFFFFFFull}) {
    const EntityHandle h(id);
    EntityHandle parsed;
    ASSERT_TRUE(EntityHandle::FromString(h.ToString(), parsed)) << h.ToString();
    EXPECT_EQ(parsed, h);
    const auto bytes = Bytes([&](Archive& ar) { ar << h; });
    Archive in(bytes);
    EntityHandle read(99);
    in >> read;
    EXPECT_EQ(read, h);
  }
  EXPECT_EQ(EntityHandle(0x1A2).ToString(), "1A2");
  EntityHandle h(5);
  EXPECT_TRUE(EntityHandle::FromString("1a2", h));
  EXPECT_EQ(h.Id(), 0x1A2u);
  for (const char* bad : {"", "G1", "-1", "12345678901234567", " 1"}) {
    EntityHandle kept(5);
    EXPECT_FALSE(EntityHandle::FromString(bad, kept)) << bad;
    EXPECT_EQ(kept.Id(), 5u);
    const auto bytes = Bytes([&](Archive& ar) { ar.WriteString(bad); });
    Archive in(bytes);
    EXPECT_THROW(in >> kept, ArchiveError) << bad;
  }
}

class BoardFiling : public ViewBoard {
 protected:
  void SetUp() override {
    ViewBoard::SetUp();
    inList = Line(0, 0, 1, 0);
    outside = boost::make_shared<_Text>("池壁", _3dPoint(1, 2), 3.0);
    running = {Line(9, 9, 9, 9), inList};
    board.ShowEntity(inList);
    board.ShowEntity(outside);  // e.g. a table entity no view holds
    user = board.InsertUserEntity(Line(0, 0, 5, 5));
    board.AddBaseMap(0, {user});
    board.AddBaseMap(2, {user, EntityHandle(0x999)});
    board.setShowFlag_ModelingView(true);
    board.setShowFlag_InspectionView(true);
  }

  std::vector<std::uint8_t> Save(const HostViewBoard& b) {
    return Bytes([&](Archive& ar) { WriteViewBoardRecord(ar, GetViewBoardRecord(b), running); });
  }

  EntityPtr inList;
  boost::shared_ptr<_Text> outside;
  EntityList running;
  EntityHandle user;
};

TEST_F(BoardFiling, RoundTripKeepsRegistriesBaseMapsAndFlags) {
  const auto bytes = Save(board);
  EXPECT_EQ(Save(board), bytes);  // saving twice: identical

  ViewBoardRecord record;
  Archive in(bytes);
  ReadViewBoardRecord(in, record, running);
  in.Close();
  AcadViewBoard loaded;
  ApplyViewBoardRecord(loaded, record);

  // The entity of the running list comes back as that very object.
  EntityHandle h;
  ASSERT_TRUE(loaded.FindEntityHandle(inList, h));
  EXPECT_EQ(h, HandleOf(inList));
  // The entity filed in full comes back once, the same object in both
  // registries.
  const EntityPtr copy = loaded.FindEntity(HandleOf(outside));
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, outside);
  EXPECT_EQ(boost::dynamic_pointer_cast<_Text>(copy)->GetText(), "池壁");
  const auto pairs = loaded.GetEntityHandles();
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[1].first, copy);
  EXPECT_EQ(loaded.GetHandleEntities()[1].second, copy);

  EXPECT_EQ(loaded.getBaseMapHandle_ModelingView(), (EntityHandleList{user}));
  EXPECT_TRUE(loaded.getBaseMapHandle_DrawingView().empty());
  EXPECT_EQ(loaded.getBaseMapHandle_InspectionView(), (EntityHandleList{user, EntityHandle(0x999)}));
  EXPECT_TRUE(loaded.getShowFlag_ModelingView());
  EXPECT_FALSE(loaded.getShowFlag_DrawingView());
  EXPECT_TRUE(loaded.getShowFlag_InspectionView());
  // New handles are given above every loaded one.
  EXPECT_GT(loaded.GetNextHandleId(), HandleOf(outside).Id());

  // Saved again with the loaded objects in the running list: the same file.
  running = {running[0], inList};
  const auto again = Bytes([&](Archive& ar) {
    ViewBoardRecord r = GetViewBoardRecord(loaded);
    WriteViewBoardRecord(ar, r, running);
  });
  EXPECT_EQ(again, bytes);
}

TEST_F(BoardFiling, DamagedRecordsRaiseAndCommitNothing) {
  // A record whose entity positions point past the running list.
  const auto beyond = Bytes([&](Archive& ar) {
    ar.WriteInt(1);
    ar.WriteInt(5);
    ar << EntityHandle(0x100);
  });
  const auto negative = Bytes([&](Archive& ar) {
    ar.WriteInt(1);
    ar.WriteInt(-2);
    ar << EntityHandle(0x100);
  });
  const auto notAnEntity = Bytes([&](Archive& ar) {
    ar.WriteInt(1);
    ar.WriteInt(-1);
    ar << static_cast<const VekObject*>(nullptr);
    ar << EntityHandle(0x100);
  });
  const auto hugeCount = Bytes([&](Archive& ar) { ar.WriteInt(1 << 30); });
  const auto good = Save(board);
  for (const auto& bytes : {beyond, negative, notAnEntity, hugeCount}) {
    ViewBoardRecord record;
    record.showFlags[1] = true;
    Archive in(bytes);
    EXPECT_THROW(ReadViewBoardRecord(in, record, running), ArchiveError);
    EXPECT_TRUE(record.entityHandles.empty());
    EXPECT_TRUE(record.showFlags[1]);  // untouched
  }
  // Truncated: the archive refuses it as a whole before anything is read.
  std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  EXPECT_THROW(Archive{cut}, ArchiveError);
}

// ---------------------------------------------------------------------------
// Drawing standard

TEST(DrawingStandardValues, QueriesReadTheBoardsStandard) {
  g_ViewBoard.Reset();
  EXPECT_EQ(GetDrawingUnit(), 100);
  EXPECT_EQ(GetCurrentScale(), 100);
  EXPECT_EQ(GetLayerName(7), "钢筋");
  EXPECT_EQ(GetLayerName(14), "尺寸");
  EXPECT_EQ(GetLayerName(-1), "0");
  EXPECT_EQ(GetLayerName(20), "0");
  struct Kind {
    int kind;
    double height, width;
  };
  for (const Kind& k : std::vector<Kind>{{0, 3.5, 0.7}, {1, 3.5, 0.7}, {2, 3.0, 0.7}, {3, 3.0, 0.7}, {4, 9.0, 9.0}, {-1, 9.0, 9.0}}) {
    double h = 9.0, w = 9.0;  // unknown kinds leave the presets
    GetTextSize(k.kind, h, w);
    EXPECT_DOUBLE_EQ(h, k.height) << k.kind;
    EXPECT_DOUBLE_EQ(w, k.width) << k.kind;
  }
  EXPECT_EQ(GetTextStyleName(GetTextStyle(3)), "REBAR");
  EXPECT_EQ(GetTextStyle(9), 0);
  EXPECT_EQ(GetTextStyleName(42), "Standard");
  EXPECT_DOUBLE_EQ(GetReinLineWidth(), 0.5);
  EXPECT_DOUBLE_EQ((GetReinLineWidth() * 0.5 + 0.2) * GetDrawingUnit(), 45.0);  // range-dimension circle
  EXPECT_GT(GetReinDesignValue2(), 0);  // a rounding step of 0 would remove the joint-zone extensions
  EXPECT_EQ(GetSectionMarkPlacement(), GetSectionMarkBase());
  EXPECT_EQ(GetSectionMarkGapMode(), GetSectionMarkSide());
  EXPECT_FALSE(GetDocumentPath().empty());

  int scale = 0, unit = 0;
  DecodeDimensionStyle(GetDimensionStyle(static_cast<int>(99.9), 100), scale, unit);
  EXPECT_EQ(scale, 99);
  EXPECT_EQ(unit, 100);

  // Setting a standard also sets the kernel's rebar line type.
  DrawingStandard s;
  s.reinLineType = "DASHED";
  s.drawingUnit = 50;
  s.documentPath = "/tmp/book.docx";
  g_ViewBoard.SetDrawingStandard(s);
  EXPECT_EQ(GetReinLineType(), "DASHED");
  EXPECT_EQ(g_LinetypeName, "DASHED");
  EXPECT_EQ(GetDrawingUnit(), 50);
  EXPECT_EQ(GetDocumentPath(), "/tmp/book.docx");
  g_ViewBoard.Reset();
  EXPECT_EQ(g_LinetypeName, "CONTINUOUS");
}

// The rebar design options the host sets on the board: span flag 0, second
// value 0 and a rounding step of 50 mm until it sets others; a fresh board
// starts again from those.
TEST(DrawingStandardValues, RebarDesignOptionsAreHostSettable) {
  g_ViewBoard.Reset();
  EXPECT_EQ(GetReinDesignFlag(), 0);
  EXPECT_EQ(GetReinDesignValue1(), 0);
  EXPECT_EQ(GetReinDesignValue2(), 50);
  g_ViewBoard.SetReinDesignValues(1, 7, 100);
  EXPECT_EQ(GetReinDesignFlag(), 1);
  EXPECT_EQ(GetReinDesignValue1(), 7);
  EXPECT_EQ(GetReinDesignValue2(), 100);
  g_ViewBoard.Reset();
  EXPECT_EQ(GetReinDesignFlag(), 0);
  EXPECT_EQ(GetReinDesignValue2(), 50);
}

TEST(DrawingStandardValues, LabelTexts) {
  EXPECT_EQ(FormatValuePair(0.12, 0.18), "0.12(0.18)");
  EXPECT_EQ(FormatValuePair(12, 15.5), "12(15.5)");
  EXPECT_EQ(FormatValuePair(-0.001, 2.999), "0(3)");
  std::string out;
  FormatValuePair(out, 1.5, 2);
  EXPECT_EQ(out, "1.5(2)");
  EXPECT_EQ(JoinTexts("1.2恒+1.4活", "1.0恒"), "1.2恒+1.4活/1.0恒");
  EXPECT_EQ(JoinTexts("", "b"), "b");
  JoinTexts(out, "a", "");
  EXPECT_EQ(out, "a");
}

TEST(DrawingStandardValues, OneTextMetricForEveryMeasure) {
  AcadViewBoard board;
  struct Case {
    const char* text;
    double units;  // GBK bytes, a code counting as one
  };
  const std::vector<Case> cases = {{"", 0}, {"B3", 2}, {"H=300", 5}, {"%%13112@150", 7}, {"池壁1", 5}, {"%%c20", 3}};
  for (const Case& c : cases) {
    for (double h : {3.0, 300.0}) {
      const double expected = 0.7 * h * 0.7 * c.units;
      EXPECT_NEAR(board.MeasureTextWidth(c.text, h, 0.7, 0), expected, 1e-9) << c.text;
      EXPECT_NEAR(board.GetTextWidth(c.text, h, 0.7, 2), expected, 1e-9) << c.text;
      EXPECT_NEAR(board.GetTextLength(c.text, h, 0.7), expected, 1e-9) << c.text;
    }
  }
  // The board's box of a centred text is exactly the measured width.
  auto t = boost::make_shared<_Text>("池壁1", _3dPoint(100, 100), 300.0);
  t->SetWidth(0.7 * 300.0);
  t->SetAlignment(_Text::kCenter, _Text::kMiddle);
  const Extents box = board.GetExtent({t});
  EXPECT_NEAR(box.GetWidth(), board.GetTextWidth("池壁1", 300.0, 0.7), 1e-9);
  EXPECT_NEAR(box.GetCenter().x, 100.0, 1e-9);
  EXPECT_NEAR(box.GetCenter().y, 100.0, 1e-9);
  // A sample text at the rebar-label size of the unit.
  EXPECT_EQ(board.MeasureText("8", 0x2003), static_cast<int>(std::lround(0.7 * 300.0 * 0.7)));
}

TEST(DrawingStandardValues, PreviewGlyphsOfTheCodes) {
  EXPECT_EQ(PreviewText("%%13012@150"), "Φ12@150");
  EXPECT_EQ(PreviewText("%%131 %%132 %%133"), "Φ′ Φ″ ΦR");
  EXPECT_EQ(PreviewText("%%c20 30%%d %%p5 100%%%"), "Ø20 30° ±5 100%");
  EXPECT_EQ(PreviewText("%%180x"), "%%180x");
}

}  // namespace
