// Drawable entities of the geometry kernel: filing of every class with all of
// its properties, deep copies, boxes of bulged polylines, arcs, tilted
// circles, solids and texts, the scale-and-move view transform, polyline
// editing, and damaged entity records.
#include "platform/Morlak.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// A full description of an entity, every property at full precision, through
// the visitor (so it also checks that Accept reaches the entity's own Visit).

class Describer : public EntityVisitor {
 public:
  Describer() { m_out.precision(17); }
  std::string Text() const { return m_out.str(); }

  void Visit(const _2dLine& e) override {
    Head("_2dLine", e);
    Put(e.GetStartPoint());
    Put(e.GetEndPoint());
  }
  void Visit(const _3dLine& e) override {
    Head("_3dLine", e);
    Put(e.GetStartPoint());
    Put(e.GetEndPoint());
  }
  void Visit(const _2dArc& e) override {
    Head("_2dArc", e);
    Put(e.GetCenter());
    m_out << e.GetRadius() << ' ' << e.GetStartAngle() << ' ' << e.GetEndAngle() << ';';
  }
  void Visit(const _2dPolyline& e) override {
    Head("_2dPolyline", e);
    for (const _3dPoint& p : e.GetVertices()) Put(p);
    m_out << "bulges";
    for (double b : e.GetBulges()) m_out << ' ' << b;
    m_out << "; closed " << e.IsClosed() << " width " << e.GetConstantWidth() << ';';
  }
  void Visit(const _3dPolyline& e) override {
    Head("_3dPolyline", e);
    for (const _3dPoint& p : e.GetVertices()) Put(p);
    m_out << "closed " << e.IsClosed() << ';';
  }
  void Visit(const _3dCircle& e) override {
    Head("_3dCircle", e);
    Put(e.GetCenter());
    m_out << e.GetRadius() << ';';
    Put(e.GetNormal());
  }
  void Visit(const _3dExtrudant& e) override {
    Head("_3dExtrudant", e);
    m_out << "profile {";
    for (const _3dLine& line : e.GetProfileLines()) line.Accept(*this);
    m_out << "} circle {";
    if (const _3dCircle* c = e.GetProfileCircle()) c->Accept(*this);
    m_out << "} height " << e.GetHeight() << " holes {";
    for (const auto& hole : e.GetHoles()) hole->Accept(*this);
    m_out << "};";
  }
  void Visit(const _Text& e) override {
    Head("_Text", e);
    m_out << '"' << e.GetText() << "\";";
    Put(e.GetPosition());
    m_out << e.GetRotation() << ';';
    Put(e.GetNormal());
    m_out << e.GetHeight() << ' ' << e.GetWidth() << ' ' << e.GetTextStyle() << ' ' << e.GetStyleName()
          << ' ' << e.GetHorizontalAlign() << ' ' << e.GetVerticalAlign() << ';';
  }
  void Visit(const _2dAlignedDimension& e) override {
    Head("_2dAlignedDimension", e);
    Put(e.GetFirstPoint());
    Put(e.GetSecondPoint());
    Put(e.GetLinePoint());
    m_out << e.GetCategoryStyle() << ' ' << e.GetDimensionStyle() << ' ' << e.GetDimensionStyleName()
          << " \"" << e.GetText() << "\" " << e.GetTextHeight() << ' ' << e.GetArrowSize() << ' '
          << e.GetMeasureScale() << ';';
  }
  void Visit(const Ordinal& e) override {
    Head("Ordinal", e);
    m_out << e.GetNumber() << ';';
    Put(e.GetCenter());
    m_out << e.GetAngle() << ' ' << e.GetDiameter() << ';';
  }

 private:
  void Head(const char* visited, const Entity& e) {
    m_out << visited << '[' << e.GetLayer() << '|' << e.GetColorIndex() << '|' << e.GetLinetype() << '|'
          << e.GetLinetypeScale() << '|' << e.GetLineWeight() << "] ";
  }
  void Put(const _2dPoint& p) { m_out << '(' << p.x << ' ' << p.y << ')'; }
  void Put(const _3dPoint& p) { m_out << '(' << p.x << ' ' << p.y << ' ' << p.z << ')'; }
  void Put(const _3dVector& v) { m_out << '<' << v.x << ' ' << v.y << ' ' << v.z << '>'; }

  std::ostringstream m_out;
};

std::string Describe(const Entity& e) {
  Describer d;
  e.Accept(d);
  return d.Text();
}

// ---------------------------------------------------------------------------
// One entity of every class, each with display properties and geometry that
// differ from the defaults.

void Dress(Entity& e, int variant) {
  e.SetLayer("钢筋-" + std::to_string(variant));
  e.SetColorIndex(1 + variant % 7);
  e.SetLinetype(variant % 2 ? "DASHED" : "CENTER");
  e.SetLinetypeScale(100.0 + variant);
  e.SetLineWeight(25 + variant);
}

struct Fixture {
  std::string className;
  std::function<EntityPtr()> make;
};

boost::shared_ptr<_3dExtrudant> Slab() {
  auto slab = boost::make_shared<_3dExtrudant>();
  Dress(*slab, 6);
  const _3dPoint a(0, 0, 500), b(6000, 0, 500), c(6000, 4000, 500), d(0, 4000, 500);
  std::vector<_3dLine> loop{_3dLine(a, b), _3dLine(b, c), _3dLine(c, d), _3dLine(d, a)};
  loop[2].SetLayer("profile-edge");
  slab->SetProfile(loop);
  slab->SetHeight(250);
  auto cutter = boost::make_shared<_3dExtrudant>();
  Dress(*cutter, 9);
  cutter->SetProfile(_3dCircle(_3dPoint(3000, 2000, 500), 300));
  cutter->SetHeight(400);
  auto pin = boost::make_shared<_3dExtrudant>();  // a hole of the hole
  pin->SetProfile(_3dCircle(_3dPoint(3000, 2000, 500), 50));
  pin->SetHeight(400);
  cutter->AddHole(pin);
  slab->AddHole(cutter);
  auto box = boost::make_shared<_3dExtrudant>();
  box->SetProfile(std::vector<_3dLine>{_3dLine(_3dPoint(100, 100, 500), _3dPoint(200, 100, 500)),
                                       _3dLine(_3dPoint(200, 100, 500), _3dPoint(200, 300, 500)),
                                       _3dLine(_3dPoint(200, 300, 500), _3dPoint(100, 100, 500))});
  box->SetHeight(300);
  slab->AddHole(box);
  return slab;
}

std::vector<Fixture> Fixtures() {
  return {
      {"_2dLine",
       [] {
         auto e = boost::make_shared<_2dLine>(_2dPoint(-120.25, 33.5), _2dPoint(4000.125, -17));
         Dress(*e, 0);
         return e;
       }},
      {"_3dLine",
       [] {
         auto e = boost::make_shared<_3dLine>(_3dPoint(1, 2, 3), _3dPoint(-4000, 5000.5, 6000));
         Dress(*e, 1);
         return e;
       }},
      {"_2dArc",
       [] {
         auto e = boost::make_shared<_2dArc>(_2dPoint(300, -200), 1000, 1.5 * g_Pi, 0.5 * g_Pi);
         Dress(*e, 2);
         return e;
       }},
      {"_2dPolyline",
       [] {
         auto e = boost::make_shared<_2dPolyline>(
             std::vector<_3dPoint>{{0, 0, 10}, {1000, 0, 20}, {1000, 800, 30}, {0, 800, 40}}, true);
         e->SetBulges({0.0, 1.0, -0.4142135623730951, 0.25});
         e->SetConstantWidth(12.5);
         Dress(*e, 3);
         return e;
       }},
      {"_3dPolyline",
       [] {
         auto e = boost::make_shared<_3dPolyline>(
             std::vector<_3dPoint>{{0, 0, 0}, {0, 0, 3000}, {500, 250, 3000}}, true);
         Dress(*e, 4);
         return e;
       }},
      {"_3dCircle",
       [] {
         auto e = boost::make_shared<_3dCircle>(_3dPoint(10, 20, 30), 450, _3dVector(1, 2, 2));
         Dress(*e, 5);
         return e;
       }},
      {"_3dExtrudant", [] { return Slab(); }},
      {"_Text",
       [] {
         auto e = boost::make_shared<_Text>("水池底板 %%132 12@150", _3dPoint(100, 200, 5), 3.5, 0.25);
         e->SetWidth(2.45);
         e->SetNormal(_3dVector(0, 0.6, 0.8));
         e->SetTextStyle(3);
         e->SetStyleName("HZTXT");
         e->SetAlignment(_Text::kRight, _Text::kTop);
         Dress(*e, 7);
         return e;
       }},
      {"_2dAlignedDimension",
       [] {
         auto e = boost::make_shared<_2dAlignedDimension>(_2dPoint(0, 0), _2dPoint(6000, 0),
                                                          _2dPoint(3000, 800), 4, 2);
         e->SetDimensionStyleName("结构标注");
         e->SetText("L=6000");
         e->SetTextHeight(300);
         e->SetArrowSize(150);
         e->Scale(0.01);
         Dress(*e, 8);
         return e;
       }},
      {"Ordinal",
       [] {
         auto e = boost::make_shared<Ordinal>(17, _2dPoint(250, -75), 0.3, 8);
         Dress(*e, 9);
         return e;
       }},
  };
}

// ---------------------------------------------------------------------------
// Archive helpers

Bytes Store(const std::vector<boost::shared_ptr<VekObject>>& objects) {
  std::ostringstream out;
  {
    Archive ar(out);
    ar.WriteInt(static_cast<int>(objects.size()));
    for (const auto& o : objects) ar << o;
    ar.Close();
  }
  const std::string s = out.str();
  return Bytes(s.begin(), s.end());
}

std::vector<boost::shared_ptr<VekObject>> Load(const Bytes& bytes) {
  Archive ar(bytes);
  int n = 0;
  ar.ReadCount(n, 4);
  std::vector<boost::shared_ptr<VekObject>> objects(static_cast<std::size_t>(n));
  for (auto& o : objects) ar >> o;
  ar.Close();
  return objects;
}

// The archive form documented in object.h: 20 bytes of header (magic,
// version, payload size), the payload, and a CRC-32 of header and payload.
constexpr std::size_t kHeaderSize = 20;

Bytes PayloadOf(const Bytes& file) { return Bytes(file.begin() + kHeaderSize, file.end() - 4); }

// A well-formed archive file around `payload`, so that a damaged payload
// reaches the entities' own reading code.
Bytes Frame(const Bytes& like, const Bytes& payload) {
  Bytes file(like.begin(), like.begin() + kHeaderSize);
  const std::uint64_t size = payload.size();
  for (int i = 0; i < 8; ++i) file[12 + i] = static_cast<std::uint8_t>(size >> (8 * i));
  file.insert(file.end(), payload.begin(), payload.end());
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32_z(0L, file.data(), file.size()));
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  return file;
}

std::vector<boost::shared_ptr<VekObject>> AllFixtureObjects() {
  std::vector<boost::shared_ptr<VekObject>> objects;
  for (const Fixture& f : Fixtures()) objects.push_back(f.make());
  objects.push_back(nullptr);
  return objects;
}

// ---------------------------------------------------------------------------
// Filing

TEST(EntityFiling, FixturesCoverEveryEntityClassWithNonDefaultProperties) {
  const std::set<std::string> expected{"_2dLine", "_3dLine", "_2dArc", "_2dPolyline", "_3dPolyline",
                                       "_3dCircle", "_3dExtrudant", "_Text", "_2dAlignedDimension", "Ordinal"};
  std::set<std::string> covered;
  for (const Fixture& f : Fixtures()) {
    EntityPtr e = f.make();
    covered.insert(GetClassName(*e));
    EXPECT_EQ(GetClassName(*e), f.className);
    EXPECT_EQ(e->GetRuntimeClass()->GetName(), f.className);
    EXPECT_NE(e->GetLayer(), "0") << f.className;
    EXPECT_NE(e->GetColorIndex(), Entity::kColorByLayer) << f.className;
    EXPECT_FALSE(e->GetLinetype().empty()) << f.className;
    EXPECT_NE(e->GetLinetypeScale(), 1.0) << f.className;
    EXPECT_NE(e->GetLineWeight(), -1) << f.className;
    // Accept reaches the class's own Visit.
    EXPECT_EQ(Describe(*e).rfind(f.className + "[", 0), 0u) << Describe(*e);
  }
  EXPECT_EQ(covered, expected);
}

TEST(EntityFiling, EveryClassRoundTripsPolymorphicallyWithAllItsProperties) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.className);
    EntityPtr original = f.make();
    const Bytes bytes = Store({original});
    auto loaded = Load(bytes);
    ASSERT_EQ(loaded.size(), 1u);
    auto entity = boost::dynamic_pointer_cast<Entity>(loaded[0]);
    ASSERT_TRUE(entity);
    EXPECT_EQ(typeid(*entity), typeid(*original));
    EXPECT_EQ(Describe(*entity), Describe(*original));
    // Writing the reloaded entity again gives the same bytes.
    EXPECT_EQ(Store({entity}), bytes);
  }
}

TEST(EntityFiling, AllClassesAndANullFollowEachOtherInOneArchive) {
  const auto objects = AllFixtureObjects();
  const auto loaded = Load(Store(objects));
  ASSERT_EQ(loaded.size(), objects.size());
  for (std::size_t i = 0; i + 1 < objects.size(); ++i) {
    auto a = boost::dynamic_pointer_cast<Entity>(objects[i]);
    auto b = boost::dynamic_pointer_cast<Entity>(loaded[i]);
    ASSERT_TRUE(b);
    EXPECT_EQ(Describe(*b), Describe(*a));
  }
  EXPECT_EQ(loaded.back(), nullptr);
}

TEST(EntityFiling, ReadingInPlaceReplacesEarlierContents) {
  auto written = boost::dynamic_pointer_cast<_2dPolyline>(Fixtures()[3].make());
  std::ostringstream out;
  {
    Archive ar(out);
    ar << *written;
    ar.Close();
  }
  const std::string s = out.str();
  _2dPolyline target(std::vector<_3dPoint>(9, _3dPoint(7, 7, 7)));
  Archive in(Bytes(s.begin(), s.end()));
  in >> target;
  in.Close();
  EXPECT_EQ(Describe(target), Describe(*written));
}

// Builds a payload with the archive's own writers: a class name followed by
// whatever the case writes.
Bytes ForgedArchive(const std::function<void(Archive&)>& write) {
  std::ostringstream out;
  {
    Archive ar(out);
    ar.WriteInt(1);
    write(ar);
    ar.Close();
  }
  const std::string s = out.str();
  return Bytes(s.begin(), s.end());
}

// The base record and display properties of an entity, as Entity files them.
void WriteEntityBase(Archive& ar) {
  _2dLine base;
  base.Entity::Serialize(ar);
}

void WriteExtrudantLevels(Archive& ar, int levels) {
  WriteEntityBase(ar);
  ar.WriteInt(0).WriteBool(false).WriteDouble(100.0);
  if (levels == 0) {
    ar.WriteInt(0);
    return;
  }
  ar.WriteInt(1);
  WriteExtrudantLevels(ar, levels - 1);
}

TEST(EntityFiling, DamagedEntityRecordsRaiseArchiveError) {
  struct Case {
    const char* name;
    std::function<void(Archive&)> write;
  };
  const Case cases[] = {
      {"vertex count beyond the file",
       [](Archive& ar) {
         ar.WriteString("_2dPolyline");
         WriteEntityBase(ar);
         ar.WriteInt(100000000);
         ar << _3dPoint(1, 2, 3);
       }},
      {"negative vertex count",
       [](Archive& ar) {
         ar.WriteString("_3dPolyline");
         WriteEntityBase(ar);
         ar.WriteInt(-1).WriteBool(false);
       }},
      {"bulges out of step with vertices",
       [](Archive& ar) {
         ar.WriteString("_2dPolyline");
         WriteEntityBase(ar);
         ar.WriteInt(2);
         ar << _3dPoint(0, 0, 0) << _3dPoint(1, 0, 0);
         ar.WriteInt(1).WriteDouble(0.5);
         ar.WriteBool(false).WriteDouble(0.0);
       }},
      {"unknown text alignment",
       [](Archive& ar) {
         ar.WriteString("_Text");
         WriteEntityBase(ar);
         ar.WriteString("A");
         ar << _3dPoint(0, 0, 0);
         ar.WriteDouble(0.0);
         ar << _3dVector(0, 0, 1);
         ar.WriteDouble(2.5).WriteDouble(0.0).WriteInt(0).WriteString("Standard");
         ar.WriteInt(7).WriteInt(0);
       }},
      {"dimension measuring at scale 0",
       [](Archive& ar) {
         ar.WriteString("_2dAlignedDimension");
         WriteEntityBase(ar);
         for (int i = 0; i < 6; ++i) ar.WriteDouble(0.0);
         ar.WriteInt(0).WriteInt(0).WriteString("Standard").WriteString("");
         ar.WriteDouble(2.5).WriteDouble(2.5).WriteDouble(0.0);
       }},
      {"holes nested beyond the limit",
       [](Archive& ar) {
         ar.WriteString("_3dExtrudant");
         WriteExtrudantLevels(ar, _3dExtrudant::kMaxHoleNesting + 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(Load(ForgedArchive(c.write)), ArchiveError);
  }
  // Nesting up to the limit itself reads back.
  auto deepest = Load(ForgedArchive([](Archive& ar) {
    ar.WriteString("_3dExtrudant");
    WriteExtrudantLevels(ar, _3dExtrudant::kMaxHoleNesting);
  }));
  ASSERT_EQ(deepest.size(), 1u);
  EXPECT_TRUE(boost::dynamic_pointer_cast<_3dExtrudant>(deepest[0]));
}

// Every cut of the payload, and every byte of it inverted, in an otherwise
// well-formed file: reading either succeeds or raises ArchiveError, never
// anything else (and never a crash, a huge allocation or a read past the end,
// which the sanitizer build would report).
TEST(EntityFiling, TruncatedOrAlteredPayloadsNeverEscapeArchiveError) {
  const Bytes file = Store(AllFixtureObjects());
  const Bytes payload = PayloadOf(file);
  ASSERT_EQ(Frame(file, payload), file);  // the documented form is the archive's
  for (std::size_t cut = 0; cut < payload.size(); ++cut) {
    const Bytes damaged = Frame(file, Bytes(payload.begin(), payload.begin() + cut));
    EXPECT_THROW(Load(damaged), ArchiveError) << "cut at " << cut;
  }
  for (std::size_t i = 0; i < payload.size(); ++i) {
    Bytes altered = payload;
    altered[i] ^= 0xFF;
    try {
      Load(Frame(file, altered));
    } catch (const ArchiveError&) {
    } catch (const std::exception& e) {
      ADD_FAILURE() << "byte " << i << ": " << e.what();
    }
  }
}

// ---------------------------------------------------------------------------
// Copies

TEST(EntityClone, CloneIsADeepCopyWithEveryProperty) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.className);
    EntityPtr original = f.make();
    const std::string before = Describe(*original);
    EntityPtr copy = original->Clone();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), original.get());
    EXPECT_EQ(typeid(*copy), typeid(*original));
    EXPECT_EQ(Describe(*copy), before);
    copy->Move(_3dVector(10, 20, 30));
    copy->Scale(2.0);
    copy->SetLayer("other");
    EXPECT_EQ(Describe(*original), before);
  }
}

TEST(EntityClone, ExtrudantOwnsCopiesOfItsHoles) {
  auto cutter = boost::make_shared<_3dExtrudant>();
  cutter->SetProfile(_3dCircle(_3dPoint(0, 0, 0), 100));
  cutter->SetHeight(50);
  _3dExtrudant a, b;
  a.AddHole(cutter);
  b.AddHole(cutter);  // one cutter cuts two solids
  a.Move(_3dVector(1000, 0, 0));
  EXPECT_EQ(cutter->GetProfileCircle()->GetCenter(), _3dPoint(0, 0, 0));
  EXPECT_EQ(b.GetHoles()[0]->GetProfileCircle()->GetCenter(), _3dPoint(0, 0, 0));
  EXPECT_EQ(a.GetHoles()[0]->GetProfileCircle()->GetCenter(), _3dPoint(1000, 0, 0));

  _3dExtrudant copied(a);
  _3dExtrudant assigned;
  assigned = a;
  for (const _3dExtrudant* c : {&copied, &assigned}) {
    ASSERT_EQ(c->GetHoles().size(), 1u);
    EXPECT_NE(c->GetHoles()[0].get(), a.GetHoles()[0].get());
    EXPECT_EQ(Describe(*c), Describe(a));
  }
  assigned = assigned;  // self-assignment keeps the holes
  EXPECT_EQ(Describe(assigned), Describe(a));

  EXPECT_THROW(a.AddHole(nullptr), std::invalid_argument);
  auto deep = boost::make_shared<_3dExtrudant>();
  for (int level = 0; level < _3dExtrudant::kMaxHoleNesting - 1; ++level) {
    auto outer = boost::make_shared<_3dExtrudant>();
    outer->AddHole(deep);
    deep = outer;
  }
  _3dExtrudant top;
  EXPECT_NO_THROW(top.AddHole(deep));
  EXPECT_THROW(_3dExtrudant().AddHole(boost::make_shared<_3dExtrudant>(top)), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// Boxes

void ExpectBox(const Extents& box, double x0, double y0, double z0, double x1, double y1, double z1,
               double tol = 1e-9) {
  ASSERT_FALSE(box.IsEmpty());
  EXPECT_NEAR(box.minX, x0, tol);
  EXPECT_NEAR(box.minY, y0, tol);
  EXPECT_NEAR(box.minZ, z0, tol);
  EXPECT_NEAR(box.maxX, x1, tol);
  EXPECT_NEAR(box.maxY, y1, tol);
  EXPECT_NEAR(box.maxZ, z1, tol);
}

TEST(EntityExtents, BulgedPolylinesCoverTheirArcs) {
  const double t8 = std::tan(g_Pi / 8), t38 = std::tan(3 * g_Pi / 8);
  struct Case {
    const char* name;
    std::vector<_3dPoint> vertices;
    std::vector<double> bulges;
    bool closed;
    double width;
    double box[4];  // minX, minY, maxX, maxY
    double length;
  };
  const Case cases[] = {
      // A positive bulge turns counter-clockwise: the arc lies right of the chord.
      {"half circle, positive bulge", {{0, 0}, {2, 0}}, {1, 0}, false, 0, {0, -1, 2, 0}, g_Pi},
      {"half circle, negative bulge", {{0, 0}, {2, 0}}, {-1, 0}, false, 0, {0, 0, 2, 1}, g_Pi},
      {"quarter circle inside the chord's box", {{1, 0}, {0, 1}}, {t8, 0}, false, 0, {0, 0, 1, 1}, g_Pi / 2},
      {"three quarters counter-clockwise", {{1, 0}, {0, -1}}, {t38, 0}, false, 0, {-1, -1, 1, 1}, 1.5 * g_Pi},
      {"three quarters clockwise", {{1, 0}, {0, 1}}, {-t38, 0}, false, 0, {-1, -1, 1, 1}, 1.5 * g_Pi},
      // A rebar dot of diameter 100: a full circle of radius 25, width 50.
      {"full circle dot", {{475, 300}, {525, 300}}, {1, 1}, true, 50, {450, 250, 550, 350}, 2 * g_Pi * 25},
      // A wide straight segment ends square at its vertices, as CAD draws it.
      {"straight with width", {{0, 0}, {100, 0}}, {0, 0}, false, 10, {0, -5, 100, 5}, 100},
      {"slanted with width", {{0, 0}, {30, 40}}, {0, 0}, false, 10, {-4, -3, 34, 43}, 50},
      {"closing segment bulged", {{0, 0}, {2, 0}}, {0, -1}, true, 0, {0, -1, 2, 0}, 2 + g_Pi},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _2dPolyline pl(c.vertices, c.closed);
    pl.SetBulges(c.bulges);
    pl.SetConstantWidth(c.width);
    ExpectBox(pl.GetExtents(), c.box[0], c.box[1], 0, c.box[2], c.box[3], 0);
    EXPECT_NEAR(pl.GetLength(), c.length, 1e-9);
  }
  _2dPolyline lifted({{0, 0, 100}, {1000, 0, 300}});
  ExpectBox(lifted.GetExtents(), 0, 0, 100, 1000, 0, 300);
  EXPECT_TRUE(_2dPolyline().GetExtents().IsEmpty());
}

TEST(EntityExtents, ArcsCoverTheQuadrantsTheyCross) {
  const double pi = g_Pi, r = 1000, s45 = r * std::sqrt(0.5);
  struct Case {
    double start, end;
    double box[4];
    double sweep;
  };
  const Case cases[] = {
      {0, pi / 2, {0, 0, r, r}, pi / 2},
      {pi / 4, pi / 3, {r * std::cos(pi / 3), s45, s45, r * std::sin(pi / 3)}, pi / 12},
      {1.5 * pi, 0.5 * pi, {0, -r, r, r}, pi},          // through 0
      {pi / 4, -pi / 4, {-r, -r, s45, r}, 1.5 * pi},     // end given below start
      {-pi / 2, 3 * pi / 2, {-r, -r, r, r}, 2 * pi},     // same direction: full circle
      {0, 2 * pi, {-r, -r, r, r}, 2 * pi},
      {0.1, 0.1, {-r, -r, r, r}, 2 * pi},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " .. " << c.end);
    _2dArc arc(_2dPoint(0, 0), r, c.start, c.end);
    EXPECT_NEAR(arc.GetSweep(), c.sweep, 1e-12);
    EXPECT_NEAR(arc.GetLength(), r * c.sweep, 1e-9);
    ExpectBox(arc.GetExtents(), c.box[0], c.box[1], 0, c.box[2], c.box[3], 0, 1e-9);
  }
  _2dArc arc(_2dPoint(0, 0), 1000, 0, g_Pi / 2);
  EXPECT_EQ(arc.GetStartPoint(), _2dPoint(1000, 0));
  EXPECT_EQ(arc.GetEndPoint(), _2dPoint(0, 1000));
}

// The box of a circle found by walking round it.
Extents SampledCircleBox(const _3dPoint& c, double r, _3dVector n) {
  n.Normalize();
  _3dVector a = std::fabs(n.x) < 0.9 ? _3dVector(1, 0, 0) : _3dVector(0, 1, 0);
  a = n.CrossProduct(a);
  a.Normalize();
  const _3dVector b = n.CrossProduct(a);
  Extents box;
  const int steps = 36000;
  for (int i = 0; i < steps; ++i) {
    const double t = 2 * g_Pi * i / steps;
    box.Extend(c + a * (r * std::cos(t)) + b * (r * std::sin(t)));
  }
  return box;
}

TEST(EntityExtents, CirclesWithTiltedNormalsHaveTheirExactBox) {
  const double r = 500;
  const _3dPoint c(100, -200, 300);
  const _3dVector normals[] = {{0, 0, 1}, {1, 0, 0}, {0, 0, -3}, {1, 0, 1}, {1, 1, 1}, {0.2, -0.7, 0.3}};
  for (const _3dVector& n : normals) {
    SCOPED_TRACE(testing::Message() << n.x << "," << n.y << "," << n.z);
    const Extents exact = _3dCircle(c, r, n).GetExtents();
    const Extents sampled = SampledCircleBox(c, r, n);
    ExpectBox(exact, sampled.minX, sampled.minY, sampled.minZ, sampled.maxX, sampled.maxY, sampled.maxZ,
              r * 1e-7);
  }
  ExpectBox(_3dCircle(c, r, _3dVector(1, 0, 1)).GetExtents(), 100 - r * std::sqrt(0.5), -200 - r,
            300 - r * std::sqrt(0.5), 100 + r * std::sqrt(0.5), -200 + r, 300 + r * std::sqrt(0.5));
  // A zero normal is taken as +z.
  ExpectBox(_3dCircle(c, r, _3dVector(0, 0, 0)).GetExtents(), -400, -700, 300, 600, 300, 300);
}

TEST(EntityExtents, SolidsTextsDimensionsAndBubbles) {
  // The slab fixture: 6000 × 4000 at z 500, 250 thick; its holes add nothing.
  ExpectBox(Slab()->GetExtents(), 0, 0, 375, 6000, 4000, 625);
  EXPECT_EQ(Slab()->GetNormal(), _3dVector(0, 0, 1));
  _3dExtrudant disc;
  disc.SetProfile(_3dCircle(_3dPoint(0, 0, 0), 500, _3dVector(2, 0, 0)));
  disc.SetHeight(300);
  ExpectBox(disc.GetExtents(), -150, -500, -500, 150, 500, 500);
  EXPECT_TRUE(_3dExtrudant().GetExtents().IsEmpty());

  struct TextCase {
    const char* text;
    double rotation;
    _Text::HorizontalAlign h;
    _Text::VerticalAlign v;
    double box[4];
  };
  const TextCase texts[] = {
      {"ABC", 0, _Text::kLeft, _Text::kBaseline, {100, 200, 121, 210}},
      {"ABC", 0, _Text::kCenter, _Text::kMiddle, {89.5, 195, 110.5, 205}},
      {"ABC", 0, _Text::kRight, _Text::kTop, {79, 190, 100, 200}},
      {"ABC", g_Pi / 2, _Text::kLeft, _Text::kBaseline, {90, 200, 100, 221}},
      {"水池", 0, _Text::kLeft, _Text::kBottom, {100, 200, 114, 210}},
      {"%%13212%%%%%c", 0, _Text::kLeft, _Text::kBaseline, {100, 200, 135, 210}},  // 5 characters
  };
  for (const TextCase& c : texts) {
    SCOPED_TRACE(c.text);
    _Text t(c.text, _3dPoint(100, 200, 0), 10, c.rotation);
    t.SetWidth(7);
    t.SetAlignment(c.h, c.v);
    ExpectBox(t.GetExtents(), c.box[0], c.box[1], 0, c.box[2], c.box[3], 0);
  }
  _Text unset("AB", _3dPoint(0, 0, 0), 10);  // width unset: 0.7 × height
  EXPECT_NEAR(unset.GetExtents().GetWidth(), 14, 1e-9);
  EXPECT_DOUBLE_EQ(unset.GetWidthFactor(), 1.0);
  unset.SetWidth(7);
  EXPECT_DOUBLE_EQ(unset.GetWidthFactor(), 0.7);
  _Text standing("AB", _3dPoint(0, 0, 0), 10);  // in a wall's plane, normal -y
  standing.SetWidth(7);
  standing.SetNormal(_3dVector(0, -1, 0));
  ExpectBox(standing.GetExtents(), 0, 0, 0, 14, 0, 10);

  ExpectBox(_2dAlignedDimension({0, 0}, {6000, 0}, {3000, 800}).GetExtents(), 0, 0, 0, 6000, 800, 0);
  // Slanted: the dimension line's ends stand beside the measured points.
  ExpectBox(_2dAlignedDimension({0, 0}, {3000, 3000}, {0, 1000}).GetExtents(), -500, 0, 0, 3000, 3500, 0);
  ExpectBox(Ordinal(3, {10, 20}, 0.5, 8).GetExtents(), 6, 16, 0, 14, 24, 0);
  ExpectBox(_2dLine({5, -1}, {-3, 4}).GetExtents(), -3, -1, 0, 5, 4, 0);
  ExpectBox(_3dLine({5, -1, 7}, {-3, 4, -2}).GetExtents(), -3, -1, -2, 5, 4, 7);
}

TEST(EntityExtents, BoxOfAListOfEntities) {
  EXPECT_TRUE(GetEntitiesExtents({}).IsEmpty());
  EXPECT_TRUE(GetEntitiesExtent({EntityPtr(), boost::make_shared<_2dPolyline>()}).IsEmpty());
  const EntityList list{boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(100, 50)), EntityPtr(),
                        boost::make_shared<_2dPolyline>(),  // no vertices: adds nothing
                        boost::make_shared<Ordinal>(1, _2dPoint(-20, 10), 0, 10),
                        boost::make_shared<_3dLine>(_3dPoint(50, 0, -5), _3dPoint(60, 200, 5))};
  const Extents box = GetEntitiesExtents(list);
  ExpectBox(box, -25, 0, -5, 100, 200, 5);
  EXPECT_TRUE(box.Contains(_2dPoint(-25, 200)));
  EXPECT_FALSE(box.Contains(_2dPoint(-25.5, 200)));
  EXPECT_TRUE(box.Contains(_2dPoint(-25.5, 200), 0.5));
  EXPECT_FALSE(Extents().Contains(_2dPoint(0, 0), 1.0));
  ExpectBox(Extents(5, 6, 7, 1, 2, 3), 1, 2, 3, 5, 6, 7);
}

// ---------------------------------------------------------------------------
// Scale and move

Extents Transformed(const Extents& b, double f, const _3dVector& v, bool planar) {
  const double dz = planar ? 0.0 : v.z;
  return Extents(b.minX * f + v.x, b.minY * f + v.y, b.minZ * f + dz, b.maxX * f + v.x, b.maxY * f + v.y,
                 b.maxZ * f + dz);
}

TEST(EntityTransform, BoxesFollowScaleThenMove) {
  const std::set<std::string> planar{"_2dLine", "_2dArc", "_2dPolyline", "_2dAlignedDimension", "Ordinal"};
  const double factors[] = {0.01, 1.0, 2.5};
  for (const Fixture& f : Fixtures()) {
    for (double factor : factors) {
      SCOPED_TRACE(testing::Message() << f.className << " × " << factor);
      EntityPtr e = f.make();
      const _3dVector v(1000, -2000, 300);
      const bool isPlanar = planar.count(f.className) > 0;
      const Extents expected = Transformed(e->GetExtents(), factor, v, isPlanar);
      e->Scale(factor);
      e->Move(v);
      const Extents got = e->GetExtents();
      // A polyline keeps its vertices' z, which also scales.
      const double zScale = (isPlanar && f.className == "_2dPolyline") ? factor : 1.0;
      const double tol = 1e-6 * std::max(1.0, factor * 10000);
      EXPECT_NEAR(got.minX, expected.minX, tol);
      EXPECT_NEAR(got.minY, expected.minY, tol);
      EXPECT_NEAR(got.maxX, expected.maxX, tol);
      EXPECT_NEAR(got.maxY, expected.maxY, tol);
      if (!isPlanar || zScale == factor) {
        EXPECT_NEAR(got.minZ, expected.minZ, tol);
        EXPECT_NEAR(got.maxZ, expected.maxZ, tol);
      }
    }
  }
}

TEST(EntityTransform, DrawingSizesScaleAndAnglesStay) {
  _2dPolyline pl({{0, 0, 50}, {1000, 0, 50}});
  pl.SetBulges({0.5, 0});
  pl.SetConstantWidth(20);
  pl.Scale(0.01);
  pl.Move(_3dVector(5, 6, 7));
  EXPECT_DOUBLE_EQ(pl.GetConstantWidth(), 0.2);
  EXPECT_EQ(pl.GetVertexAt(1), _3dPoint(15, 6, 0.5));  // z scaled, not moved
  EXPECT_DOUBLE_EQ(pl.GetBulgeAt(0), 0.5);

  _Text t("A", _3dPoint(100, 200, 300), 350, 0.4);
  t.SetWidth(245);
  t.Scale(0.01);
  t.Move(_3dVector(1, 1, 1));
  EXPECT_EQ(t.GetPosition(), _3dPoint(2, 3, 4));
  EXPECT_DOUBLE_EQ(t.GetHeight(), 3.5);
  EXPECT_DOUBLE_EQ(t.GetWidth(), 2.45);
  EXPECT_DOUBLE_EQ(t.GetRotation(), 0.4);

  _2dArc arc({100, 100}, 1000, 0.25, 2.0);
  arc.Scale(0.5);
  arc.Move(_3dVector(1, 2, 3));
  EXPECT_EQ(arc.GetCenter(), _2dPoint(51, 52));
  EXPECT_DOUBLE_EQ(arc.GetRadius(), 500);
  EXPECT_DOUBLE_EQ(arc.GetStartAngle(), 0.25);
  EXPECT_DOUBLE_EQ(arc.GetEndAngle(), 2.0);

  _3dCircle circle({10, 10, 10}, 100, {0, 1, 1});
  circle.Scale(2);
  circle.Move(_3dVector(0, 0, -20));
  EXPECT_EQ(circle.GetCenter(), _3dPoint(20, 20, 0));
  EXPECT_DOUBLE_EQ(circle.GetRadius(), 200);
  EXPECT_EQ(circle.GetNormal(), _3dVector(0, 1, 1));

  Ordinal bubble(5, {100, 100}, 0.3, 800);
  bubble.Scale(0.01);
  EXPECT_EQ(bubble.GetCenter(), _2dPoint(1, 1));
  EXPECT_DOUBLE_EQ(bubble.GetDiameter(), 8);
  EXPECT_DOUBLE_EQ(bubble.GetAngle(), 0.3);

  auto slab = Slab();
  slab->Scale(0.5);
  slab->Move(_3dVector(10, 0, 0));
  EXPECT_DOUBLE_EQ(slab->GetHeight(), 125);
  const auto& cutter = slab->GetHoles()[0];
  EXPECT_DOUBLE_EQ(cutter->GetHeight(), 200);
  EXPECT_EQ(cutter->GetProfileCircle()->GetCenter(), _3dPoint(1510, 1000, 250));
  EXPECT_DOUBLE_EQ(cutter->GetProfileCircle()->GetRadius(), 150);
  EXPECT_EQ(cutter->GetHoles()[0]->GetProfileCircle()->GetCenter(), _3dPoint(1510, 1000, 250));
}

TEST(EntityTransform, ScaledDimensionStillShowsTheModelLength) {
  _2dAlignedDimension dim({0, 0}, {6000, 0}, {3000, 800});
  EXPECT_EQ(dim.GetDisplayText(), "6000");
  dim.Scale(1.0 / 100);
  dim.Move(_3dVector(50, 50, 0));
  EXPECT_NEAR(dim.GetMeasurement(), 6000, 1e-9);
  EXPECT_EQ(dim.GetDisplayText(), "6000");
  EXPECT_DOUBLE_EQ(dim.GetTextHeight(), 0.025);
  EXPECT_DOUBLE_EQ(dim.GetArrowSize(), 0.025);
  EXPECT_EQ(dim.GetSecondPoint(), _2dPoint(110, 50));
  dim.SetText("6000(净)");
  EXPECT_EQ(dim.GetDisplayText(), "6000(净)");

  struct Case { double length; const char* shown; };
  const Case cases[] = {{6000.4, "6000"}, {5999.5, "6000"}, {0.4, "0"}, {1234.5, "1235"}};
  for (const Case& c : cases) {
    _2dAlignedDimension d({0, 0}, {0, c.length}, {100, 0});
    EXPECT_EQ(d.GetDisplayText(), c.shown) << c.length;
  }
}

TEST(EntityTransform, ScaleRejectsFactorsThatAreNotFinitePositive) {
  const double bad[] = {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()};
  for (const Fixture& f : Fixtures()) {
    EntityPtr e = f.make();
    const std::string before = Describe(*e);
    for (double factor : bad) {
      EXPECT_THROW(e->Scale(factor), std::invalid_argument) << f.className << " × " << factor;
    }
    EXPECT_EQ(Describe(*e), before) << f.className;
  }
}

// ---------------------------------------------------------------------------
// Polyline editing and measures

std::vector<double> Xs(const _2dPolyline& pl) {
  std::vector<double> xs;
  for (const _3dPoint& p : pl.GetVertices()) xs.push_back(p.x);
  return xs;
}

TEST(PolylineEditing, VerticesAndBulgesStayInStep) {
  _2dPolyline pl({{1, 0}, {2, 0}, {3, 0}});
  EXPECT_EQ(pl.GetBulges(), std::vector<double>(3, 0.0));
  pl.SetBulges({0.1, 0.2, 0.3});
  pl.InsertVertex(0, {0, 0}, -1);
  pl.AppendVertex({4, 0}, 1);
  pl.InsertVertex(2, {1.5, 0}, 0.15);
  EXPECT_EQ(Xs(pl), (std::vector<double>{0, 1, 1.5, 2, 3, 4}));
  EXPECT_EQ(pl.GetBulges(), (std::vector<double>{-1, 0.1, 0.15, 0.2, 0.3, 1}));
  pl.RemoveFront(2);  // hook removal at the start
  pl.RemoveBack(1);   // and at the end
  EXPECT_EQ(Xs(pl), (std::vector<double>{1.5, 2, 3}));
  EXPECT_EQ(pl.GetBulges(), (std::vector<double>{0.15, 0.2, 0.3}));
  pl.RemoveVertexAt(1);
  EXPECT_EQ(pl.GetBulges(), (std::vector<double>{0.15, 0.3}));
  pl.SetVertices({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
  EXPECT_EQ(pl.GetBulges(), (std::vector<double>{0.15, 0.3, 0, 0}));
  pl.SetVertices({{7, 0}});
  EXPECT_EQ(pl.GetBulges(), (std::vector<double>{0.15}));
  pl.SetVertexAt(0, {8, 1, 2});
  pl.SetBulgeAt(0, -0.5);
  EXPECT_EQ(pl.GetVertexAt(0), _3dPoint(8, 1, 2));
  EXPECT_DOUBLE_EQ(pl.GetBulgeAt(0), -0.5);
  pl.RemoveBack(1);
  EXPECT_EQ(pl.VerNums(), 0);
  EXPECT_TRUE(pl.GetBulges().empty());
}

TEST(PolylineEditing, BadIndicesAndListsThrowWithoutChangingThePolyline) {
  _2dPolyline pl({{0, 0}, {1, 0}, {2, 0}});
  const std::string before = Describe(pl);
  struct Case {
    const char* name;
    std::function<void(_2dPolyline&)> call;
  };
  const Case outOfRange[] = {
      {"GetVertexAt", [](_2dPolyline& p) { p.GetVertexAt(3); }},
      {"GetVertexAt", [](_2dPolyline& p) { p.GetVertexAt(-1); }},
      {"SetVertexAt", [](_2dPolyline& p) { p.SetVertexAt(3, {}); }},
      {"GetBulgeAt", [](_2dPolyline& p) { p.GetBulgeAt(7); }},
      {"SetBulgeAt", [](_2dPolyline& p) { p.SetBulgeAt(-2, 1); }},
      {"InsertVertex", [](_2dPolyline& p) { p.InsertVertex(4, {}); }},
      {"InsertVertex", [](_2dPolyline& p) { p.InsertVertex(-1, {}); }},
      {"RemoveVertexAt", [](_2dPolyline& p) { p.RemoveVertexAt(3); }},
      {"RemoveFront", [](_2dPolyline& p) { p.RemoveFront(4); }},
      {"RemoveBack", [](_2dPolyline& p) { p.RemoveBack(-1); }},
      {"GetSegmentArc", [](_2dPolyline& p) {
         _2dPoint c;
         double r, a, s;
         p.GetSegmentArc(2, c, r, a, s);  // open: segments 0 and 1 only
       }},
  };
  for (const Case& c : outOfRange) {
    try {
      c.call(pl);
      ADD_FAILURE() << c.name << " did not throw";
    } catch (const std::out_of_range& e) {
      EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(pl.SetBulges({1, 1}), std::invalid_argument);
  EXPECT_THROW(pl.SetBulges({1, 1, 1, 1}), std::invalid_argument);
  EXPECT_EQ(Describe(pl), before);
}

TEST(PolylineMeasures, LengthSegmentsAndValidity) {
  _2dPolyline bar({{0, 0, 0}, {0, 0, 3000}, {1000, 0, 3000}});  // a model bar rising in z
  EXPECT_DOUBLE_EQ(bar.GetLength(), 4000);
  EXPECT_EQ(bar.SegmentCount(), 2);
  bar.SetClosed(true);
  EXPECT_EQ(bar.SegmentCount(), 3);
  EXPECT_NEAR(bar.GetLength(), 4000 + std::sqrt(1000.0 * 1000 + 3000.0 * 3000), 1e-9);
  EXPECT_TRUE(bar.IsValid());

  _2dPolyline arc({{0, 0}, {2, 0}}, false);
  arc.SetBulges({1, 0});
  _2dPoint c;
  double r = 0, start = 0, sweep = 0;
  ASSERT_TRUE(arc.GetSegmentArc(0, c, r, start, sweep));
  EXPECT_EQ(c, _2dPoint(1, 0));
  EXPECT_DOUBLE_EQ(r, 1);
  EXPECT_NEAR(start, g_Pi, 1e-12);
  EXPECT_NEAR(sweep, g_Pi, 1e-12);
  arc.SetBulgeAt(0, 0);
  EXPECT_FALSE(arc.GetSegmentArc(0, c, r, start, sweep));

  struct Case {
    const char* name;
    std::vector<_3dPoint> vertices;
    std::vector<double> bulges;
    bool closed;
    bool valid;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"two vertices", {{0, 0}, {100, 0}}, {0, 0}, false, true},
      {"one vertex", {{0, 0}}, {0}, false, false},
      {"repeated vertex", {{0, 0}, {100, 0}, {100, 0}}, {0, 0, 0}, false, false},
      {"closed onto its start", {{0, 0}, {100, 0}, {0, 0}}, {0, 0, 0}, true, false},
      {"same points open", {{0, 0}, {100, 0}, {0, 0}}, {0, 0, 0}, false, true},
      {"not finite", {{0, 0}, {nan, 0}}, {0, 0}, false, false},
      {"bulge not finite", {{0, 0}, {100, 0}}, {nan, 0}, false, false},
      {"dot", {{475, 300}, {525, 300}}, {1, 1}, true, true},
  };
  for (const Case& k : cases) {
    _2dPolyline pl(k.vertices, k.closed);
    pl.SetBulges(k.bulges);
    EXPECT_EQ(pl.IsValid(), k.valid) << k.name;
  }
}

// ---------------------------------------------------------------------------
// Line equality and coincidence

TEST(Lines, EqualityAndCoincidence) {
  const _2dLine a({0, 0}, {1000, 0});
  struct Case {
    _2dLine b;
    bool equal, coincident;
  };
  const Case cases[] = {
      {_2dLine({0, 0}, {1000, 0}), true, true},
      {_2dLine({1000, 0.00005}, {0, -0.00005}), true, true},  // reversed, within tolerance
      {_2dLine({0, 0}, {1000, 0.001}), false, false},          // one end 1e-3 off the carrier
      {_2dLine({500, 0}, {2000, 0}), false, true},
      {_2dLine({1000, 0}, {2000, 0}), false, false},           // touching in a point only
      {_2dLine({1000.00005, 0}, {2000, 0}), false, false},
      {_2dLine({200, 1}, {800, 1}), false, false},             // parallel, 1 mm apart
      {_2dLine({500, -10}, {500, 10}), false, false},          // crossing
      {_2dLine({300, 0}, {300, 0}), false, false},             // a point
      {_2dLine({-50000, 0}, {50000, 0}), false, true},         // covering
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.b.GetStartPoint().x << "," << c.b.GetStartPoint().y << " -> "
                                    << c.b.GetEndPoint().x << "," << c.b.GetEndPoint().y);
    EXPECT_EQ(a == c.b, c.equal);
    EXPECT_EQ(c.b == a, c.equal);
    EXPECT_EQ(a.IsCoincident(c.b), c.coincident);
    EXPECT_EQ(c.b.IsCoincident(a), c.coincident);
  }
  const _2dLine reversed = a.Reversed();
  EXPECT_EQ(reversed.GetStartPoint(), _2dPoint(1000, 0));
  EXPECT_EQ(a.GetMidPoint(), _2dPoint(500, 0));

  const _3dLine l({0, 0, 0}, {0, 0, 3000});
  EXPECT_TRUE(l == _3dLine({0, 0, 0.00005}, {0, 0, 3000}));
  EXPECT_FALSE(l == l.Reversed());  // directed
  EXPECT_EQ(l.GetMidPoint(), _3dPoint(0, 0, 1500));
  EXPECT_DOUBLE_EQ(l.GetLength(), 3000);
}

}  // namespace
