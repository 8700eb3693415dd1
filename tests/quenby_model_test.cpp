// Structural model: the whole-tank copy (undo snapshot), filing of a designed
// tank and strict reading of damaged tank records, and the material lookups.
#include "platform/Morlak.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <zlib.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tank_fixtures.h"

namespace {

// ---------------------------------------------------------------------------
// Builders (as the model builders make walls and slabs)

using fixtures::MakeWall;

BoardPtr MakeSlab(double x0, double y0, double x1, double y1, double level, int kind) {
  auto slab = boost::make_shared<Board>();
  slab->SetKind(kind);
  slab->SetUpperOffset(200);
  slab->SetLowerOffset(200);
  slab->SetOrigin(_3dPoint(x0, y0, level));
  slab->SetXAxis(_3dVector(x1 - x0, 0, 0));
  slab->SetYAxis(_3dVector(0, x1 - x0, 0));
  const _2dPoint pts[4] = {{0, 0}, {x1 - x0, 0}, {x1 - x0, y1 - y0}, {0, y1 - y0}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(pts[i], pts[(i + 1) % 4]));
  slab->SetEdges(edges);
  return slab;
}

ReinZonePtr MakeZone(int kind, int category, int number, int bars, double y) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetKind(kind);
  zone->SetCategory(category);
  zone->SetNumber(number);
  zone->SetNumberFirst(true);
  zone->SetGrade("HRB335");
  zone->SetDiameter(12);
  zone->SetSpacing(150);
  zone->SetDirection(1);
  zone->SetCover(35);
  zone->SetLayerFlag(1);
  zone->SetTemplatePolyline(_2dPolyline({{0, y, 0}, {1000, y, 0}}));
  zone->SetDistributionLine(_3dLine({0, y, 0}, {0, y + 150.0 * (bars - 1), 0}));
  std::vector<std::vector<int>> flags;
  for (int i = 0; i < bars; ++i) {
    auto rein = boost::make_shared<Rein>();
    rein->SetPolyline(_2dPolyline({{0, y + 150.0 * i, 0}, {1000 + 10.0 * i, y + 150.0 * i, 0}}));
    rein->SetGrade("HRB335");
    rein->SetDiameter(12);
    zone->AddRein(rein);
    flags.push_back({i % 2});
  }
  zone->SetSegmentLayerFlags(flags);
  return zone;
}

// Distinct design values for every bar group, so that a value filed or copied
// into the wrong place shows.
void FillValues(FaceValues& v, double seed) {
  v.basicMoment = seed + 0.1;
  v.combination = static_cast<int>(seed) % 4;
  v.standardMoment = seed + 0.2;
  v.quasiMoment = seed + 0.3;
  v.calcArea = seed * 10 + 0.4;
  v.grade = (static_cast<int>(seed) % 2) ? "HRB400" : "HRB335";
  v.diameter = 10 + static_cast<int>(seed) % 10;
  v.spacing = 100 + static_cast<int>(seed) % 5 * 25;
  v.crackWidth = 0.01 * seed;
}

// A designed tank of two cells (walls, bottom slabs, one top slab) with
// openings, a notch, loads, a host item, shared face and joint zones, haunches
// with zones, a support zone, restraints and results.
struct DesignedTank {
  Tank tank;
  std::vector<BoardPtr> walls, bottoms;
  BoardPtr top;
  ReinZonePtr groupZone, jointZone, haunchZone, otherZone;
  boost::shared_ptr<SupportRein> support;
  boost::shared_ptr<Notch> notch;
  EarPtr ear;

  DesignedTank() {
    const double base = -3200, h = 4000;
    walls = {MakeWall(0, 0, 6000, 0, base, h),     MakeWall(0, 5000, 6000, 5000, base, h),
             MakeWall(6000, 0, 12000, 0, base, h), MakeWall(6000, 5000, 12000, 5000, base, h),
             MakeWall(0, 0, 0, 5000, base, h),     MakeWall(6000, 0, 6000, 5000, base, h),
             MakeWall(12000, 0, 12000, 5000, base, h)};
    top = MakeSlab(0, 0, 6000, 5000, base + h, 2);
    bottoms = {MakeSlab(0, 0, 6000, 5000, base, 1), MakeSlab(6000, 0, 12000, 5000, base, 1)};
    std::vector<BoardPtr> all = walls;
    all.push_back(top);
    all.insert(all.end(), bottoms.begin(), bottoms.end());
    tank.AddBoards(all);

    double seed = 1;
    for (const BoardPtr& b : tank.GetBoards()) {
      b->SetConcreteGrade("C30");
      b->SetReinAngle(b->GetKind() == 0 ? 0.0 : 0.25);
      b->SetUpperFaceOuter(b->GetKind() == 0);
      for (bool upper : {true, false})
        for (bool x : {true, false}) FillValues(b->GetFaceValues(upper, x), seed++);
      std::vector<Restirction> restrictions;
      for (BoardEdge& edge : b->GetEdges()) {
        FillValues(edge.GetFaceValues(true), seed++);
        FillValues(edge.GetFaceValues(false), seed++);
        restrictions.emplace_back(static_cast<int>(seed) % 3);
      }
      b->SetRestrictions(restrictions);
    }
    bottoms[0]->SetEdgeOverhang(0, true, 650);

    auto circle = boost::make_shared<CircleHole>();
    circle->SetCenter({2000, 1500});
    circle->SetRadius(400);
    circle->SetId(tank.GetNextHoleId(circle));
    circle->SetNumber(1);
    circle->AddZone(MakeZone(256, 6, 9, 2, 100));
    walls[0]->AddHole(circle);
    auto rect = boost::make_shared<RectangleHole>();
    rect->SetCorners({{1000, 1000}, {2000, 1000}, {2000, 1600}, {1000, 1600}, {1000, 1000}});
    rect->SetId(tank.GetNextHoleId(rect));
    bottoms[1]->AddHole(rect);
    notch = boost::make_shared<Notch>();
    notch->SetOutline({{100, 5000, -3000}, {900, 5000, -3000}, {900, 5000, -2500}});
    notch->SetCode(4);
    notch->SetId(tank.GetNextHoleId(notch));
    walls[1]->AddHole(notch);

    auto point = boost::make_shared<PointLoad>();
    point->SetValue(25, {3000, 2500, 0});
    point->SetDistribution(1);
    auto line = boost::make_shared<LineLoad>();
    line->SetStartValue(5, {0, 0, 0});
    line->SetEndValue(7.5, {6000, 0, 0});
    auto area = boost::make_shared<AreaLoad>();
    area->SetDistribution(1);
    area->SetLoadType(5);
    area->SetValue(10);
    area->SetRegion(_2dPolyline({{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}}, true));
    bottoms[0]->AddObject(point);
    bottoms[0]->AddObject(line);
    top->AddObject(area);
    top->AddObject(boost::make_shared<_3dCircle>(_3dPoint(1, 2, 3), 50));

    groupZone = MakeZone(16, 2, 1, 3, 0);
    bottoms[0]->GetUpperZones().push_back(groupZone);
    bottoms[1]->GetUpperZones().push_back(groupZone);
    bottoms[0]->GetLowerZones().push_back(MakeZone(16, 2, 2, 2, 400));
    jointZone = MakeZone(16, ReinZone::PEDESTAL, 3, 2, 800);
    bottoms[0]->GetEdges()[1].GetLowerZones().push_back(jointZone);
    bottoms[1]->GetEdges()[3].GetLowerZones().push_back(jointZone);
    walls[5]->GetUpperZones().push_back(MakeZone(256, 2, 4, 2, 1200));

    BoardJointPtr joint;
    tank.FindJoint(walls[5], bottoms[0], joint);
    ear = boost::make_shared<Ear>();
    ear->SetLength(300);
    ear->SetAngle(g_Pi / 4);
    haunchZone = MakeZone(256, 4, 5, 2, 1600);
    ear->AddZone(haunchZone);
    SetJointEar(joint, ear);
    tank.FindJoint(walls[0], bottoms[0], joint);
    auto overhang = boost::make_shared<Ear>();
    overhang->SetLength(200);
    overhang->AddZone(MakeZone(256, 4, 6, 1, 2000));
    SetJointOverhangEar(joint, overhang);

    support = boost::make_shared<SupportRein>();
    support->SetGradeCode(130);
    support->SetKind(4096);
    support->SetCategory(5);
    support->SetDiameter(10);
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank.GetJoints(firsts, seconds, joints);
    support->SetJoints({joints[0], joints[2]});
    support->AddRein(boost::make_shared<Rein>());
    tank.AddSupportReins({support});
    otherZone = MakeZone(1, 2, 7, 1, 2400);
    tank.AddOtherReinZone(otherZone);

    tank.SetBoardExcluded(walls[6], true);
    tank.EditObjectPair(bottoms[0], bottoms[1]);
    tank.SetDesignWaterDepth(3300);
    tank.GetCells()[1]->SetWaterLevel(2800);
  }
};

std::vector<boost::shared_ptr<VekObject>> Objects(const Tank& tank) {
  std::vector<boost::shared_ptr<VekObject>> objects;
  tank.GetObjectList(objects);
  return objects;
}

// ---------------------------------------------------------------------------
// Whole-tank copy

TEST(QuenbyCopy, CopyIsDeepAndKeepsSharingInside) {
  DesignedTank d;
  const Tank copy(d.tank);
  EXPECT_EQ(fixtures::StoreTank(copy), fixtures::StoreTank(d.tank)) << "the copy files exactly like its source";

  // No object of the copy is an object of the source.
  std::set<const void*> source;
  for (const auto& o : Objects(d.tank)) source.insert(o.get());
  for (const auto& o : Objects(copy)) EXPECT_EQ(source.count(o.get()), 0u) << GetClassName(*o);
  for (const auto& o : Objects(copy))
    if (auto zone = boost::dynamic_pointer_cast<ReinZone>(o))
      for (const ReinPtr& rein : zone->GetReins()) {
        bool shared = false;
        for (const auto& s : Objects(d.tank))
          if (auto sz = boost::dynamic_pointer_cast<ReinZone>(s))
            for (const ReinPtr& r : sz->GetReins()) shared = shared || r == rein;
        EXPECT_FALSE(shared);
      }

  // Sharing inside the tank is kept inside the copy.
  const std::vector<BoardPtr> bottoms = copy.GetBottomSlabs();
  ASSERT_EQ(bottoms.size(), 2u);
  EXPECT_EQ(bottoms[0]->GetUpperZones()[0], bottoms[1]->GetUpperZones()[0]);
  EXPECT_EQ(bottoms[0]->GetEdges()[1].GetLowerZones()[0], bottoms[1]->GetEdges()[3].GetLowerZones()[0]);
  BoardJointPtr joint;
  ASSERT_TRUE(copy.FindJoint(copy.GetWalls()[5], bottoms[0], joint));
  EarPtr ear;
  ASSERT_TRUE(GetJointEar(joint, ear));
  EXPECT_NE(ear, d.ear);
  auto support = boost::dynamic_pointer_cast<SupportRein>(copy.GetSupportReins().at(0));
  ASSERT_TRUE(support);
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  copy.GetJoints(firsts, seconds, joints);
  EXPECT_EQ(support->GetJoints(), (std::vector<BoardJointPtr>{joints[0], joints[2]}));
  EXPECT_TRUE(copy.IsBoardExcluded(copy.GetWalls()[6]));
}

TEST(QuenbyCopy, EditsOfTheSourceLeaveTheSnapshotAlone) {
  DesignedTank d;
  Tank snapshot;
  snapshot = d.tank;  // assignment, as undo does
  snapshot = snapshot;
  const std::vector<std::uint8_t> before = fixtures::StoreTank(snapshot);
  const std::string edgeGrade = d.bottoms[0]->GetEdges()[1].GetUpperGrade();

  d.walls[0]->SetUpperOffset(400);
  d.notch->SetOutline({{0, 0, 0}});
  d.groupZone->SetNumber(99);
  d.groupZone->GetReins()[0]->SetDiameter(32);
  d.bottoms[0]->GetEdges()[1].SetUpperGrade("RRB400");
  d.ear->SetLength(1);
  d.tank.EditObjectPair(d.bottoms[0], d.bottoms[1]);
  d.tank.GetCells()[0]->SetWaterLevel(1);
  d.tank.RemoveComponent(d.walls[2]);

  EXPECT_EQ(fixtures::StoreTank(snapshot), before);
  const BoardPtr wall = snapshot.GetWalls()[0];
  EXPECT_EQ(wall->GetUpperOffset(), 150);
  EXPECT_EQ(snapshot.GetBottomSlabs()[0]->GetUpperZones()[0]->GetNumber(), 1);
  EXPECT_EQ(snapshot.GetBottomSlabs()[0]->GetEdges()[1].GetUpperGrade(), edgeGrade);
  EXPECT_EQ(snapshot.GetBottomSlabs()[0]->GetUpperZones()[0]->GetReins()[0]->GetDiameter(), 12);
  EXPECT_EQ(snapshot.GetWalls().size(), 7u);

  // And the other way: assigning the snapshot back restores the recorded tank.
  d.tank = snapshot;
  EXPECT_EQ(fixtures::StoreTank(d.tank), before);
  EXPECT_EQ(d.tank.m_crackWidthLimit, 0.25);
}

// ---------------------------------------------------------------------------
// Filing

TEST(QuenbyFiling, DesignedTankReadsBackWhole) {
  DesignedTank d;
  d.tank.m_crackWidthLimit = 0.2;
  const std::vector<std::uint8_t> bytes = fixtures::StoreTank(d.tank);

  Tank read;
  fixtures::ReadTank(read, bytes);
  EXPECT_EQ(read.m_crackWidthLimit, 0.25) << "the limit is not part of the tank's record";

  // Same object list, position by position.
  const auto before = Objects(d.tank);
  const auto after = Objects(read);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GetClassName(*after[i]), GetClassName(*before[i]));
    if (auto b = boost::dynamic_pointer_cast<Board>(before[i])) {
      auto a = boost::dynamic_pointer_cast<Board>(after[i]);
      EXPECT_EQ(a->GetNumber(), b->GetNumber());
      EXPECT_EQ(a->GetKind(), b->GetKind());
      EXPECT_EQ(a->GetEdges().size(), b->GetEdges().size());
      EXPECT_EQ(a->GetFaceValues(false, false), b->GetFaceValues(false, false));
    } else if (auto z = boost::dynamic_pointer_cast<ReinZone>(before[i])) {
      auto a = boost::dynamic_pointer_cast<ReinZone>(after[i]);
      EXPECT_EQ(a->GetNumber(), z->GetNumber());
      EXPECT_EQ(a->GetReins().size(), z->GetReins().size());
      EXPECT_EQ(a->GetSegmentLayerFlags(), z->GetSegmentLayerFlags());
    } else if (auto h = boost::dynamic_pointer_cast<Hole>(before[i])) {
      EXPECT_EQ(boost::dynamic_pointer_cast<Hole>(after[i])->GetId(), h->GetId());
    } else if (auto u = boost::dynamic_pointer_cast<StructureComponentUnits>(before[i])) {
      EXPECT_EQ(boost::dynamic_pointer_cast<StructureComponentUnits>(after[i])->GetNumber(), u->GetNumber());
    } else if (auto c = boost::dynamic_pointer_cast<TankCell>(before[i])) {
      EXPECT_EQ(boost::dynamic_pointer_cast<TankCell>(after[i])->GetWaterLevel(), c->GetWaterLevel());
    }
  }
  // Every value survives: the tank read files to the same bytes.
  EXPECT_EQ(fixtures::StoreTank(read), bytes);

  // Sharing, haunches and the support zone's joints survive.
  const auto bottoms = read.GetBottomSlabs();
  EXPECT_EQ(bottoms[0]->GetUpperZones()[0], bottoms[1]->GetUpperZones()[0]);
  EXPECT_EQ(bottoms[0]->GetEdges()[1].GetLowerZones()[0], bottoms[1]->GetEdges()[3].GetLowerZones()[0]);
  double overhang = 0;
  EXPECT_TRUE(bottoms[0]->GetEdgeOverhang(0, overhang));
  EXPECT_EQ(overhang, 650);
  BoardJointPtr joint;
  ASSERT_TRUE(read.FindJoint(read.GetWalls()[5], bottoms[0], joint));
  EarPtr ear;
  ASSERT_TRUE(GetJointEar(joint, ear));
  EXPECT_EQ(ear->GetLength(), 300);
  ASSERT_EQ(ear->GetZones().size(), 1u);
  EXPECT_EQ(ear->GetZones()[0]->GetNumber(), 5);
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  read.GetJoints(firsts, seconds, joints);
  auto support = boost::dynamic_pointer_cast<SupportRein>(read.GetSupportReins().at(0));
  ASSERT_TRUE(support);
  EXPECT_EQ(support->GetJoints(), (std::vector<BoardJointPtr>{joints[0], joints[2]}));
  EXPECT_EQ(support->GetGrade(), "HPB235");
  EXPECT_TRUE(read.IsDesignExcluded(read.GetWalls()[6]));
  EXPECT_EQ(read.GetUnits().size(), 9u);
  EXPECT_EQ(read.GetCells()[1]->GetWaterLevel(), 2800);
  EXPECT_EQ(read.GetCells()[0]->GetWaterLevel(), 3300);
  const auto items = read.GetTopSlabs()[0]->GetItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(boost::dynamic_pointer_cast<_3dCircle>(items[0])->GetRadius(), 50);
  auto hole = boost::make_shared<CircleHole>();
  EXPECT_EQ(read.GetNextHoleId(hole), 4);
  const TankReinZones zones = read.GetReinZones();
  EXPECT_EQ(zones.GetZones().size(), 9u);
  EXPECT_EQ(zones.GetNumberCount(), 9);
  EXPECT_EQ(zones.GetCount(16, 1), 3);
  EXPECT_EQ(zones.GetLength(16, 1), 1000 + 1010 + 1020);
}

// Archive bytes around a payload: header, payload, checksum (the kernel's
// file form), so that damage inside a well-formed archive can be made.
std::vector<std::uint8_t> Seal(const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> bytes = {'V', 'E', 'K', 'A', 'R', 'C', 'H', '1', 1, 0, 0, 0};
  std::uint64_t size = payload.size();
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  const auto crc = static_cast<std::uint32_t>(crc32_z(crc32_z(0L, Z_NULL, 0), bytes.data(), bytes.size()));
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  return bytes;
}

std::vector<std::uint8_t> Payload(const std::vector<std::uint8_t>& archive) {
  return std::vector<std::uint8_t>(archive.begin() + 20, archive.end() - 4);
}

// A small tank: a wall on a slab with an opening and a zone.
Tank SmallTank() {
  Tank tank;
  BoardPtr slab = MakeSlab(0, 0, 6000, 4000, 0, 1);
  BoardPtr wall = MakeWall(0, 0, 6000, 0, 0, 3000);
  tank.AddBoards({slab, wall});
  auto hole = boost::make_shared<CircleHole>();
  hole->SetRadius(300);
  hole->AddZone(MakeZone(16, 6, 2, 1, 0));
  slab->AddHole(hole);
  slab->GetUpperZones().push_back(MakeZone(16, 2, 1, 2, 0));
  return tank;
}

TEST(QuenbyFiling, TruncatedTankRecordsAreRejectedAndLeaveTheTankAlone) {
  const std::vector<std::uint8_t> payload = Payload(fixtures::StoreTank(SmallTank()));
  DesignedTank target;
  const std::vector<std::uint8_t> before = fixtures::StoreTank(target.tank);
  for (std::size_t cut = 0; cut < payload.size(); ++cut) {
    const std::vector<std::uint8_t> bytes =
        Seal(std::vector<std::uint8_t>(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_THROW(fixtures::ReadTank(target.tank, bytes), ArchiveError) << "cut at " << cut;
  }
  EXPECT_EQ(fixtures::StoreTank(target.tank), before);
}

TEST(QuenbyFiling, ByteDamageNeverCrashes) {
  const std::vector<std::uint8_t> payload = Payload(fixtures::StoreTank(SmallTank()));
  for (std::size_t i = 0; i < payload.size(); ++i) {
    std::vector<std::uint8_t> damaged = payload;
    damaged[i] ^= 0xA5;
    Tank tank;
    try {
      fixtures::ReadTank(tank, Seal(damaged));
    } catch (const ArchiveError&) {
    }
  }
}

// Hand-made tank records: one wall board and its unit, with one field damaged.
enum class Damage {
  None, Header, Version, UnknownClass, PartCounts, HugeCount, HoleRefOutOfRange, HoleRefWrongClass,
  UnitRefNotComponent, UnreachableObject, ModelObjectAsItem, JointSameBoard, SupportZoneOnBoard, Trailer
};

std::vector<std::uint8_t> HandMadeRecord(Damage damage) {
  BoardPtr wall = MakeWall(0, 0, 6000, 0, 0, 3000);
  wall->SetNumber(1);
  std::ostringstream out;
  Archive ar(out);
  ar.WriteString(damage == Damage::Header ? "QuenbyTonk" : "QuenbyTank");
  ar.WriteInt(damage == Damage::Version ? 99 : 1);
  std::vector<std::string> classes = {"Board", "StructureComponentUnits"};
  if (damage == Damage::UnknownClass) classes[1] = "NoSuchClass";
  if (damage == Damage::UnreachableObject || damage == Damage::HoleRefWrongClass ||
      damage == Damage::ModelObjectAsItem)
    classes.push_back("CircleHole");
  if (damage == Damage::SupportZoneOnBoard) classes.push_back("SupportRein");
  ar.WriteInt(static_cast<int>(classes.size()));
  for (const std::string& c : classes) ar.WriteString(c);
  ar.WriteInt(1).WriteInt(damage == Damage::PartCounts ? 5 : 1).WriteInt(0);
  if (damage == Damage::JointSameBoard) {
    ar.WriteInt(1).WriteInt(0).WriteInt(0);
    for (int i = 0; i < 6; ++i) ar.WriteDouble(0);
    ar.WriteInt(-1).WriteInt(-1);
  } else {
    ar.WriteInt(0);
  }
  // The board.
  wall->SerializeValues(ar);
  if (damage == Damage::HugeCount) {
    ar.WriteInt(0x7fffffff);
  } else if (damage == Damage::HoleRefOutOfRange) {
    ar.WriteInt(1).WriteInt(7);
  } else if (damage == Damage::HoleRefWrongClass) {
    ar.WriteInt(1).WriteInt(1);  // the unit, not an opening
  } else {
    ar.WriteInt(0);
  }
  ar.WriteInt(0);                                                                     // loads
  if (damage == Damage::ModelObjectAsItem) ar.WriteInt(1).WriteInt(2); else ar.WriteInt(0);  // items
  if (damage == Damage::SupportZoneOnBoard) ar.WriteInt(1).WriteInt(2); else ar.WriteInt(0);  // upper zones
  ar.WriteInt(0);                                                                     // lower zones
  for (int e = 0; e < 4; ++e) ar.WriteInt(0).WriteInt(0);                             // edge zones
  // The unit.
  ar.WriteInt(1).WriteInt(damage == Damage::UnitRefNotComponent ? 1 : 0);
  if (damage == Damage::SupportZoneOnBoard) {  // the support zone's record
    SupportRein().SerializeValues(ar);
    ar.WriteInt(0);
  } else if (classes.size() > 2) {  // the circle hole's record
    ar.WriteInt(0).WriteInt(0).WriteDouble(0).WriteDouble(0).WriteDouble(100);
    ar.WriteInt(0);
  }
  ar.WriteInt(0).WriteInt(0).WriteInt(0).WriteInt(1).WriteDouble(-1);
  ar.WriteString(damage == Damage::Trailer ? "EndQuenby" : "EndQuenbyTank");
  ar.Close();
  const std::string s = out.str();
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

TEST(QuenbyFiling, DamagedTankRecordsAreRejectedCleanly) {
  Tank ok;
  ASSERT_NO_THROW(fixtures::ReadTank(ok, HandMadeRecord(Damage::None)));
  ASSERT_EQ(ok.GetWalls().size(), 1u);
  EXPECT_EQ(ok.GetUnits().size(), 1u);

  struct Case {
    Damage damage;
    const char* what;  // a word the message must carry
  };
  const Case cases[] = {
      {Damage::Header, "tank record"},
      {Damage::Version, "version"},
      {Damage::UnknownClass, "NoSuchClass"},
      {Damage::PartCounts, "counts"},
      {Damage::HugeCount, "count"},
      {Damage::HoleRefOutOfRange, "out of range"},
      {Damage::HoleRefWrongClass, "wrong class"},
      {Damage::UnitRefNotComponent, "out of range"},
      {Damage::UnreachableObject, "does not match"},
      {Damage::ModelObjectAsItem, "item"},
      {Damage::JointSameBoard, "two different boards"},
      {Damage::SupportZoneOnBoard, "support zone"},
      {Damage::Trailer, "end of the tank record"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DesignedTank target;
    const std::vector<std::uint8_t> before = fixtures::StoreTank(target.tank);
    try {
      fixtures::ReadTank(target.tank, HandMadeRecord(c.damage));
      ADD_FAILURE() << "damaged record was read";
    } catch (const ArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
    EXPECT_EQ(fixtures::StoreTank(target.tank), before);
  }
}

// Every class of the layer is registered under its own name and files through
// a pointer on its own, as objects missing from a tank's object list are filed.
TEST(QuenbyFiling, EveryClassFilesPolymorphically) {
  const char* const names[] = {"Rein", "ReinZone", "SupportRein", "StructureComponent", "Board", "Hole",
                               "CircleHole", "RectangleHole", "Notch", "Load", "PointLoad", "LineLoad",
                               "AreaLoad", "Ear", "JointLine", "BoardJoint", "StructureComponentUnits",
                               "TankCell", "Structure", "Tank"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const ClassRecord* record = FindClassRecord(name);
    ASSERT_NE(record, nullptr);
    boost::shared_ptr<VekObject> object(record->CreateObject());
    EXPECT_EQ(GetClassName(*object), name);
    EXPECT_EQ(object->GetRuntimeClass(), record);
    std::ostringstream out;
    {
      Archive ar(out);
      ar << object;
      ar.Close();
    }
    std::istringstream in(out.str());
    Archive ar(in);
    boost::shared_ptr<VekObject> back;
    ar >> back;
    ar.Close();
    ASSERT_TRUE(back);
    EXPECT_EQ(GetClassName(*back), name);
  }

  // A board on its own keeps its frame, edges, restraints and design values.
  DesignedTank d;
  const BoardPtr board = d.bottoms[0];
  std::ostringstream out;
  {
    Archive ar(out);
    ar << boost::shared_ptr<VekObject>(board);
    ar.Close();
  }
  std::istringstream in(out.str());
  Archive ar(in);
  boost::shared_ptr<VekObject> back;
  ar >> back;
  auto copy = boost::dynamic_pointer_cast<Board>(back);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetFaceValues(true, false), board->GetFaceValues(true, false));
  EXPECT_EQ(copy->GetEdges()[2].GetFaceValues(false), board->GetEdges()[2].GetFaceValues(false));
  EXPECT_EQ(copy->GetRestrictions(), board->GetRestrictions());
  EXPECT_TRUE(copy->GetOutlinePoints() == board->GetOutlinePoints());
}

TEST(QuenbyLoadModel, BuildRunsTheInstalledBuilder) {
  Tank tank;
  ProjectSettings settings;
  TankLoadModel model;
  model.SetTextList1({"stale"});
  // The analysis layer may have installed its builder; it is put back below.
  TankLoadModel::Builder installed = TankLoadModel::SetBuilder(nullptr);
  EXPECT_FALSE(TankLoadModel::HasBuilder());
  model.Build(tank, settings);
  std::vector<std::string> list;
  model.GetTextList1(list);
  EXPECT_TRUE(list.empty()) << "Build starts from empty collections";

  TankLoadModel::SetBuilder([](TankLoadModel& m, Tank& t, ProjectSettings&) {
    m.SetTextList1({"boards " + std::to_string(t.GetComponents().size())});
    m.SetTextTable2({{"a", "b"}});
  });
  model.Build(tank, settings);
  model.GetTextList1(list);
  EXPECT_EQ(list, (std::vector<std::string>{"boards 0"}));
  std::vector<std::vector<std::string>> table;
  model.GetTextTable2(table);
  EXPECT_EQ(table.size(), 1u);
  TankLoadModel::SetBuilder(std::move(installed));
}

// ---------------------------------------------------------------------------
// Material lookups and grade codes

TEST(QuenbyMaterials, ConcreteTables) {
  struct Row {
    const char* grade;
    double fc, ft, ftk;
  };
  const Row rows[] = {
      {"C15", 7.2, 0.91, 1.27},  {"C20", 9.6, 1.10, 1.54},  {"C25", 11.9, 1.27, 1.78}, {"C30", 14.3, 1.43, 2.01},
      {"C35", 16.7, 1.57, 2.20}, {"C40", 19.1, 1.71, 2.39}, {"C45", 21.1, 1.80, 2.51}, {"C50", 23.1, 1.89, 2.64},
      {"C55", 25.3, 1.96, 2.74}, {"C60", 27.5, 2.04, 2.85}, {"C65", 29.7, 2.09, 2.93}, {"C70", 31.8, 2.14, 2.99},
      {"C75", 33.8, 2.18, 3.05}, {"C80", 35.9, 2.22, 3.11},
      {"C27", 0, 0, 0},          {"", 0, 0, 0},             {"c30", 0, 0, 0},          {"C30 ", 0, 0, 0},
      {"HRB335", 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.grade);
    EXPECT_DOUBLE_EQ(GetConcreteDesignStrength(r.grade), r.fc);
    EXPECT_DOUBLE_EQ(GetConcreteTensileStrength(r.grade), r.ft);
    EXPECT_DOUBLE_EQ(GetConcreteStandardTensileStrength(r.grade), r.ftk);
  }
}

TEST(QuenbyMaterials, RebarTablesAndGradeCodes) {
  struct Row {
    const char* grade;
    double fy, es;
    int code;  // symbol code GetGradeCode gives back
  };
  const Row rows[] = {
      {"HPB235", 210, 2.1e5, 130}, {"HRB335", 300, 2.0e5, 131}, {"HRB400", 360, 2.0e5, 132},
      {"RRB400", 360, 2.0e5, 133}, {"HRB500", 0, 0, 130},       {"", 0, 0, 130},
      {"C30", 0, 0, 130},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.grade);
    EXPECT_DOUBLE_EQ(GetReinDesignStrength(r.grade), r.fy);
    EXPECT_DOUBLE_EQ(GetReinElasticModulus(r.grade), r.es);
    ReinZone zone;
    zone.SetGrade(r.grade);
    EXPECT_EQ(zone.GetGradeCode(), r.code);
  }
  const struct {
    int code;
    const char* grade;
  } codes[] = {{130, "HPB235"}, {131, "HRB335"}, {132, "HRB400"}, {133, "RRB400"}, {134, "HPB235"}, {0, "HPB235"}};
  for (const auto& c : codes) {
    ReinZone zone;
    zone.SetGrade("HRB400");
    zone.SetGradeCode(c.code);
    EXPECT_EQ(zone.GetGrade(), c.grade) << c.code;
  }
}

}  // namespace
