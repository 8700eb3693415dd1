// Filing archive, object model and class registry of the geometry kernel.
#include <gtest/gtest.h>
#include <zlib.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>
#include <variant>
#include <vector>

#include <boost/make_shared.hpp>

#include "platform/Morlak.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// Test classes

// A filed class with a nested object, as the module's classes look: base
// record first, then its fields, then an object through a pointer.  Counts its
// live instances so that tests can see a leaked half-read object.
class ArchiveTestShape : public VekObject {
  DECLARE_VEK_SERIAL(ArchiveTestShape)

 public:
  ArchiveTestShape() { ++live; }
  ArchiveTestShape(const ArchiveTestShape& o) : VekObject(o), count(o.count), label(o.label), size(o.size), child(o.child) {
    ++live;
  }
  ~ArchiveTestShape() override { --live; }

  void Serialize(Archive& ar) override {
    VekObject::Serialize(ar);
    if (ar.IsStoring()) {
      ar.WriteInt(count).WriteString(label).WriteDouble(size);
      ar << child;
    } else {
      ar.ReadInt(count).ReadString(label).ReadDouble(size);
      ar >> child;
    }
  }

  static inline int live = 0;
  int count = 0;
  std::string label;
  double size = 0.0;
  boost::shared_ptr<VekObject> child;
};

IMPLEMENT_VEK_SERIAL(ArchiveTestShape)

// Derived from a filed class but without a record of its own: it answers its
// base's record and would read back as an ArchiveTestShape.
class ArchiveTestUnrecorded : public ArchiveTestShape {};

// Has a record, but the record was never entered in the registry.
class ArchiveTestUnlisted : public VekObject {
  DECLARE_VEK_SERIAL(ArchiveTestUnlisted)
};
VekObject* ArchiveTestUnlisted::CreateObject() { return new ArchiveTestUnlisted(); }
const ClassRecord ArchiveTestUnlisted::classRecord("ArchiveTestUnlisted", &ArchiveTestUnlisted::CreateObject);
const ClassRecord* ArchiveTestUnlisted::GetRuntimeClass() const { return &classRecord; }

VekObject* CreateNothing() { return nullptr; }

// ---------------------------------------------------------------------------
// Helpers

constexpr int kObjectMarker = 0x4F4B4556;  // the base record, "VEKO"
constexpr std::size_t kHeader = 20;

Bytes Store(const std::function<void(Archive&)>& write) {
  std::ostringstream out;
  {
    Archive ar(out);
    write(ar);
    ar.Close();
  }
  const std::string s = out.str();
  return Bytes(s.begin(), s.end());
}

void PutLe(Bytes& b, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A file around `payload`, built by hand from the documented file form.
Bytes Seal(const Bytes& payload, std::uint32_t version = Archive::kFormatVersion) {
  Bytes f = {'V', 'E', 'K', 'A', 'R', 'C', 'H', '1'};
  PutLe(f, version, 4);
  PutLe(f, payload.size(), 8);
  f.insert(f.end(), payload.begin(), payload.end());
  PutLe(f, crc32_z(0, f.data(), f.size()), 4);
  return f;
}

Bytes PayloadOf(const Bytes& file) { return Bytes(file.begin() + kHeader, file.end() - 4); }

// Runs `read` on a loading archive over `file` and returns the ArchiveError
// it raised; fails the test when it raised nothing or something else.
ArchiveError ReadError(const Bytes& file, const std::function<void(Archive&)>& read = [](Archive&) {}) {
  try {
    Archive ar(file);
    read(ar);
    ar.Close();
  } catch (const ArchiveError& e) {
    return e;
  }
  ADD_FAILURE() << "reading did not raise ArchiveError";
  return ArchiveError("none", 0);
}

// ---------------------------------------------------------------------------
// Primitive values

using Value = std::variant<int, long, double, std::string, bool>;

struct ValueCase {
  const char* name;
  Value value;
};

const std::vector<ValueCase>& ValueCases() {
  static const std::vector<ValueCase> cases = {
      {"int zero", 0},
      {"int -1", -1},
      {"INT_MIN", INT_MIN},
      {"INT_MAX", INT_MAX},
      {"long zero", 0L},
      {"LONG_MIN", std::numeric_limits<long>::min()},
      {"LONG_MAX", std::numeric_limits<long>::max()},
      {"long above int", 5000000000L},
      {"double", 1234.5678},
      {"-0.0", -0.0},
      {"+inf", std::numeric_limits<double>::infinity()},
      {"-inf", -std::numeric_limits<double>::infinity()},
      {"NaN with payload", std::bit_cast<double>(std::uint64_t{0x7FF800000000ABCDull})},
      {"smallest denormal", std::numeric_limits<double>::denorm_min()},
      {"largest double", std::numeric_limits<double>::max()},
      {"empty string", std::string()},
      {"embedded NUL", std::string("a\0b\0", 4)},
      {"Chinese UTF-8", std::string("请选择一个平面图")},
      {"all byte values", [] {
         std::string s;
         for (int c = 0; c < 256; ++c) s.push_back(static_cast<char>(c));
         return s;
       }()},
      {"100 kB string", std::string(100 * 1024, 'x')},
      {"true", true},
      {"false", false},
  };
  return cases;
}

void WriteValue(Archive& ar, const Value& v) {
  std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, int>) ar.WriteInt(x);
        else if constexpr (std::is_same_v<T, long>) ar.WriteLong(x);
        else if constexpr (std::is_same_v<T, double>) ar.WriteDouble(x);
        else if constexpr (std::is_same_v<T, std::string>) ar.WriteString(x);
        else ar.WriteBool(x);
      },
      v);
}

// Reads a value of the same kind as `like` and checks it equals it exactly
// (doubles bit for bit).
void ReadAndCompare(Archive& ar, const ValueCase& c) {
  std::visit(
      [&](const auto& expected) {
        using T = std::decay_t<decltype(expected)>;
        T got{};
        if constexpr (std::is_same_v<T, int>) ar.ReadInt(got);
        else if constexpr (std::is_same_v<T, long>) ar.ReadLong(got);
        else if constexpr (std::is_same_v<T, double>) ar.ReadDouble(got);
        else if constexpr (std::is_same_v<T, std::string>) ar.ReadString(got);
        else ar.ReadBool(got);
        if constexpr (std::is_same_v<T, double>)
          EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected)) << c.name;
        else
          EXPECT_EQ(got, expected) << c.name;
      },
      c.value);
}

TEST(ArchiveValues, EveryPrimitiveRoundTripsAloneAndInSequence) {
  for (const auto& c : ValueCases()) {
    const Bytes file = Store([&](Archive& ar) { WriteValue(ar, c.value); });
    Archive ar(file);
    ReadAndCompare(ar, c);
    EXPECT_NO_THROW(ar.Close()) << c.name;
  }
  // All of them one after the other: no value may disturb the next.
  const Bytes file = Store([](Archive& ar) {
    for (const auto& c : ValueCases()) WriteValue(ar, c.value);
  });
  Archive ar(file);
  for (const auto& c : ValueCases()) ReadAndCompare(ar, c);
  EXPECT_EQ(ar.Remaining(), 0u);
  EXPECT_NO_THROW(ar.Close());
}

// The file form byte for byte, so that files stay readable across builds and
// machines.
TEST(ArchiveValues, FileFormIsLittleEndianFixedWidth) {
  const Bytes file = Store([](Archive& ar) {
    ar.WriteInt(-2).WriteLong(0x0102030405060708L).WriteDouble(1.0).WriteString("ab").WriteBool(true);
  });
  Bytes payload;
  PutLe(payload, static_cast<std::uint32_t>(-2), 4);
  PutLe(payload, 0x0102030405060708ull, 8);
  PutLe(payload, 0x3FF0000000000000ull, 8);
  PutLe(payload, 2, 4);
  payload.push_back('a');
  payload.push_back('b');
  PutLe(payload, 1, 4);
  EXPECT_EQ(file, Seal(payload));
  EXPECT_EQ(Store([](Archive&) {}), Seal({})) << "an empty archive is a header and a checksum";
}

TEST(ArchiveValues, AnyNonZeroIntReadsAsTrue) {
  const std::vector<std::pair<int, bool>> cases = {{0, false}, {1, true}, {2, true}, {-1, true}, {INT_MIN, true}};
  const Bytes file = Store([&](Archive& ar) {
    for (const auto& [filed, _] : cases) ar.WriteInt(filed);
  });
  Archive ar(file);
  for (const auto& [filed, expected] : cases) {
    bool b = !expected;
    ar.ReadBool(b);
    EXPECT_EQ(b, expected) << filed;
  }
  ar.Close();
}

TEST(ArchiveValues, ReadCountRejectsCountsThatCannotBeInTheFile) {
  struct Case {
    const char* name;
    int count;
    int itemsFiled;
    std::size_t minBytes;
    bool ok;
  };
  const Case cases[] = {
      {"zero", 0, 0, 4, true},
      {"exact fit", 3, 3, 4, true},
      {"one too many", 4, 3, 4, false},
      {"negative", -1, 0, 1, false},
      {"INT_MIN", INT_MIN, 0, 1, false},
      {"huge", INT_MAX, 2, 1, false},
      {"zero bytes per item counts as one", 9, 2, 0, false},
      {"huge item size does not overflow", 2, 2, std::numeric_limits<std::size_t>::max(), false},
  };
  for (const auto& c : cases) {
    const Bytes file = Store([&](Archive& ar) {
      ar.WriteInt(c.count);
      for (int i = 0; i < c.itemsFiled; ++i) ar.WriteInt(i);
    });
    Archive ar(file);
    int n = -7;
    if (c.ok) {
      ar.ReadCount(n, c.minBytes);
      EXPECT_EQ(n, c.count) << c.name;
    } else {
      try {
        ar.ReadCount(n, c.minBytes);
        ADD_FAILURE() << c.name << ": no error";
      } catch (const ArchiveError& e) {
        EXPECT_EQ(e.GetOffset(), kHeader) << c.name;
        EXPECT_EQ(n, -7) << c.name << ": the count must stay unset";
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Objects in place

TEST(ArchiveObjects, PointsAndVectorsFileInPlaceAsThreeDoubles) {
  const _3dPoint p(1.5, -2.25, 1e9);
  const _3dVector v(0.0, -0.0, -3.0);
  const Bytes file = Store([&](Archive& ar) { ar << p << v; });
  EXPECT_EQ(file.size(), kHeader + 6 * 8 + 4);

  _3dPoint q;
  _3dVector w;
  Archive ar(file);
  ar >> q >> w;
  ar.Close();
  EXPECT_EQ(q.x, p.x);
  EXPECT_EQ(q.y, p.y);
  EXPECT_EQ(q.z, p.z);
  EXPECT_EQ(w.x, v.x);
  EXPECT_TRUE(std::signbit(w.y));
  EXPECT_EQ(w.z, v.z);
}

TEST(ArchiveObjects, BaseRecordOutOfStepIsReported) {
  const Bytes file = Seal([] {
    Bytes b;
    PutLe(b, 7, 4);
    return b;
  }());
  const ArchiveError e = ReadError(file, [](Archive& ar) {
    VekObject o;
    ar >> o;
  });
  EXPECT_EQ(e.GetOffset(), kHeader);
  EXPECT_NE(std::string(e.what()).find("marker"), std::string::npos) << e.what();
}

// ---------------------------------------------------------------------------
// Objects through pointers and the class registry

TEST(ArchiveRegistry, ClassesAreFoundByNameAndNamedByTheirType) {
  ASSERT_EQ(FindClassRecord("ArchiveTestShape"), &ArchiveTestShape::classRecord);
  ASSERT_EQ(FindClassRecord("VekObject"), &VekObject::classVekObject);
  EXPECT_EQ(FindClassRecord("ArchiveTestUnlisted"), nullptr);
  EXPECT_EQ(FindClassRecord(""), nullptr);
  EXPECT_EQ(GetClassName(_3dPoint()), "_3dPoint");
  EXPECT_EQ(GetClassName(VekObject()), "VekObject");
  EXPECT_NE(GetClassName(ArchiveTestShape()).find("ArchiveTestShape"), std::string::npos);
}

TEST(ArchiveRegistry, ATakenNameCannotBeGivenToAnotherFactory) {
  static const ClassRecord clash("ArchiveTestShape", &CreateNothing);
  EXPECT_THROW(ClassRegistrar{clash}, std::logic_error);
  EXPECT_EQ(FindClassRecord("ArchiveTestShape"), &ArchiveTestShape::classRecord);
  EXPECT_NO_THROW(ClassRegistrar{ArchiveTestShape::classRecord});  // entered again: harmless

  static const ClassRecord late("ArchiveTestLate", &ArchiveTestShape::CreateObject);
  ClassRegistrar{late};
  EXPECT_EQ(FindClassRecord("ArchiveTestLate"), &late);
}

TEST(ArchivePointers, ObjectsAreRecreatedByClassName) {
  auto leaf = boost::shared_ptr<VekObject>(new VekObject());
  auto inner = boost::make_shared<ArchiveTestShape>();
  inner->count = -3;
  inner->label = "内层";
  inner->size = 0.5;
  inner->child = leaf;
  ArchiveTestShape outer;
  outer.count = 42;
  outer.label = "请选择一个平面图";
  outer.size = 7.25;
  outer.child = inner;

  const VekObject* nullRaw = nullptr;
  const boost::shared_ptr<VekObject> nullShared;
  const Bytes file = Store([&](Archive& ar) {
    ar << static_cast<const VekObject*>(&outer) << nullRaw << nullShared;
    ar.WriteInt(99);  // whatever follows the objects is still in step
  });

  const int liveBefore = ArchiveTestShape::live;
  {
    Archive ar(file);
    VekObject* raw = nullptr;
    boost::shared_ptr<VekObject> firstNull(new VekObject());  // overwritten with null
    VekObject* secondNull = &outer;                           // not ours: only overwritten
    ar >> raw;
    std::unique_ptr<VekObject> owned(raw);
    ar >> secondNull >> firstNull;
    int tail = 0;
    ar.ReadInt(tail);
    ar.Close();

    EXPECT_EQ(secondNull, nullptr);
    EXPECT_EQ(firstNull, nullptr);
    EXPECT_EQ(tail, 99);
    ASSERT_NE(raw, nullptr);
    ASSERT_EQ(typeid(*raw), typeid(ArchiveTestShape));
    const auto& o = static_cast<const ArchiveTestShape&>(*raw);
    EXPECT_EQ(o.count, 42);
    EXPECT_EQ(o.label, "请选择一个平面图");
    EXPECT_EQ(o.size, 7.25);
    auto i = boost::dynamic_pointer_cast<ArchiveTestShape>(o.child);
    ASSERT_TRUE(i);
    EXPECT_NE(i.get(), inner.get());
    EXPECT_EQ(i->count, -3);
    EXPECT_EQ(i->label, "内层");
    EXPECT_EQ(i->size, 0.5);
    ASSERT_TRUE(i->child);
    EXPECT_EQ(typeid(*i->child), typeid(VekObject));  // a plain owner comes back plain
    EXPECT_EQ(ArchiveTestShape::live, liveBefore + 2);
  }
  EXPECT_EQ(ArchiveTestShape::live, liveBefore);
}

TEST(ArchivePointers, SharedPointerFormsRoundTrip) {
  auto shape = boost::make_shared<ArchiveTestShape>();
  shape->label = "shared";
  const Bytes file = Store([&](Archive& ar) { ar << boost::shared_ptr<VekObject>(shape); });
  // The shared and raw forms file the same bytes.
  EXPECT_EQ(file, Store([&](Archive& ar) { ar << static_cast<const VekObject*>(shape.get()); }));

  Archive ar(file);
  boost::shared_ptr<VekObject> back;
  ar >> back;
  ar.Close();
  auto s = boost::dynamic_pointer_cast<ArchiveTestShape>(back);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->label, "shared");
}

TEST(ArchivePointers, UnknownClassNameIsAClearError) {
  Bytes payload;
  const std::string name = "NoSuchFiledClass";
  PutLe(payload, name.size(), 4);
  payload.insert(payload.end(), name.begin(), name.end());
  PutLe(payload, kObjectMarker, 4);

  VekObject sentinel;
  VekObject* p = &sentinel;
  VekObject* const before = p;
  const ArchiveError e = ReadError(Seal(payload), [&](Archive& ar) { ar >> p; });
  EXPECT_EQ(p, before) << "a failed read must leave the pointer alone";
  EXPECT_EQ(e.GetOffset(), kHeader);
  EXPECT_NE(std::string(e.what()).find("'NoSuchFiledClass'"), std::string::npos) << e.what();
  EXPECT_NE(std::string(e.what()).find("byte 20"), std::string::npos) << e.what();
}

TEST(ArchivePointers, HalfReadObjectIsDeleted) {
  // A shape whose record stops in the middle of its label.
  Bytes payload;
  const std::string name = "ArchiveTestShape";
  PutLe(payload, name.size(), 4);
  payload.insert(payload.end(), name.begin(), name.end());
  PutLe(payload, kObjectMarker, 4);
  PutLe(payload, 5, 4);   // count
  PutLe(payload, 12, 4);  // label of 12 bytes ...
  payload.insert(payload.end(), {'a', 'b', 'c'});  // ... of which 3 are there

  const int liveBefore = ArchiveTestShape::live;
  boost::shared_ptr<VekObject> p;
  const ArchiveError e = ReadError(Seal(payload), [&](Archive& ar) { ar >> p; });
  EXPECT_EQ(ArchiveTestShape::live, liveBefore);
  EXPECT_FALSE(p);
  EXPECT_STREQ(e.what(), "archive: expected a string of 12 bytes at byte 52, but the payload ends at byte 55");
  EXPECT_EQ(e.GetOffset(), 52u);
}

TEST(ArchivePointers, ObjectsThatCouldNotBeReadBackAreRefused) {
  ArchiveTestUnrecorded unrecorded;  // would come back as its base
  ArchiveTestUnlisted unlisted;      // its name could not be found
  _3dPoint point;                    // in-place class: answers the VekObject record
  const VekObject* refused[] = {&unrecorded, &unlisted, &point};
  for (const VekObject* o : refused) {
    std::ostringstream out;
    Archive ar(out);
    EXPECT_THROW(ar << o, std::logic_error) << GetClassName(*o);
  }
  // A record whose factory creates nothing cannot file anything either.
  static const ClassRecord hollow("ArchiveTestHollow", &CreateNothing);
  ClassRegistrar{hollow};
  struct Hollow : VekObject {
    const ClassRecord* GetRuntimeClass() const override { return &hollow; }
  } h;
  std::ostringstream out;
  Archive ar(out);
  EXPECT_THROW(ar << static_cast<const VekObject*>(&h), std::logic_error);
}

TEST(ArchivePointers, NestingIsBounded) {
  // Deep but sane chains round-trip.
  auto head = boost::make_shared<ArchiveTestShape>();
  {
    auto tail = head;
    for (int i = 1; i < 100; ++i) {
      auto next = boost::make_shared<ArchiveTestShape>();
      next->count = i;
      tail->child = next;
      tail = next;
    }
  }
  const Bytes file = Store([&](Archive& ar) { ar << boost::shared_ptr<VekObject>(head); });
  {
    Archive ar(file);
    boost::shared_ptr<VekObject> back;
    ar >> back;
    ar.Close();
    int depth = 0;
    for (auto p = back; p; p = static_cast<ArchiveTestShape&>(*p).child) ++depth;
    EXPECT_EQ(depth, 100);
  }

  // A cycle of pointers cannot be stored.
  auto loop = boost::make_shared<ArchiveTestShape>();
  loop->child = loop;
  {
    std::ostringstream out;
    Archive ar(out);
    EXPECT_THROW(ar << boost::shared_ptr<VekObject>(loop), std::logic_error);
  }
  loop->child.reset();

  // A crafted file nesting 100000 objects is refused without running the
  // stack out.
  Bytes payload;
  const std::string name = "ArchiveTestShape";
  for (int i = 0; i < 100000; ++i) {
    PutLe(payload, name.size(), 4);
    payload.insert(payload.end(), name.begin(), name.end());
    PutLe(payload, kObjectMarker, 4);
    PutLe(payload, i, 4);
    PutLe(payload, 0, 4);
    PutLe(payload, 0, 8);
  }
  PutLe(payload, 0, 4);
  const int liveBefore = ArchiveTestShape::live;
  boost::shared_ptr<VekObject> deep;
  const ArchiveError e = ReadError(Seal(payload), [&](Archive& ar) { ar >> deep; });
  EXPECT_NE(std::string(e.what()).find("nested"), std::string::npos) << e.what();
  EXPECT_EQ(ArchiveTestShape::live, liveBefore);
}

// ---------------------------------------------------------------------------
// Whole files

TEST(ArchiveFiles, ForeignDamagedOrNewerFilesAreRefusedWithTheirOffset) {
  const Bytes good = Store([](Archive& ar) { ar.WriteInt(1).WriteString("x"); });
  Bytes trailing = good;
  trailing.push_back(0);
  Bytes zip = good;
  std::memcpy(zip.data(), "PK\x03\x04", 4);

  struct Case {
    const char* name;
    Bytes file;
    std::uint64_t offset;
    const char* says;
  };
  const Case cases[] = {
      {"empty file", {}, 0, "header"},
      {"foreign file", zip, 0, "VEKARCH1"},
      {"only the mark", Bytes(good.begin(), good.begin() + 8), 8, "header"},
      {"newer version", Seal(PayloadOf(good), 2), 8, "newer"},
      {"version 0", Seal(PayloadOf(good), 0), 8, "version"},
      {"trailing bytes", trailing, good.size(), "1 more bytes"},
      {"checksum missing", Bytes(good.begin(), good.end() - 4), good.size() - 4, "ends"},
  };
  for (const auto& c : cases) {
    const ArchiveError e = ReadError(c.file);
    EXPECT_EQ(e.GetOffset(), c.offset) << c.name << ": " << e.what();
    EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.name << ": " << e.what();
  }
}

TEST(ArchiveFiles, CloseInsistsOnTheWholePayload) {
  const Bytes file = Store([](Archive& ar) { ar.WriteInt(1).WriteInt(2); });
  Archive ar(file);
  int v = 0;
  ar.ReadInt(v);
  try {
    ar.Close();
    ADD_FAILURE() << "no error";
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.GetOffset(), kHeader + 4);
    EXPECT_NE(std::string(e.what()).find("4 bytes are left unread"), std::string::npos) << e.what();
  }
  ar.ReadInt(v);
  EXPECT_EQ(v, 2);
  EXPECT_NO_THROW(ar.Close());
  EXPECT_THROW(ar.ReadInt(v), ArchiveError);  // nothing more to read
}

TEST(ArchiveFiles, StoringWritesOnceOnCloseOrOnDestruction) {
  std::ostringstream closed;
  {
    Archive ar(closed);
    ar.WriteInt(5);
    EXPECT_TRUE(closed.str().empty()) << "nothing reaches the stream before Close";
    ar.Close();
    ar.Close();
    EXPECT_THROW(ar.WriteInt(6), std::logic_error);
  }
  std::ostringstream forgotten;
  {
    Archive ar(forgotten);
    ar.WriteInt(5);
  }
  EXPECT_EQ(closed.str(), forgotten.str());
  EXPECT_EQ(closed.str().size(), kHeader + 4 + 4);

  // Records left incomplete by an exception are not written as a whole file.
  std::ostringstream unwound;
  try {
    Archive ar(unwound);
    ar.WriteInt(5);
    throw std::runtime_error("a model object failed to file itself");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(unwound.str().empty());

  // A file that did not open is an ArchiveError too.
  std::ifstream missing("/nonexistent/tank.vek", std::ios::binary);
  EXPECT_THROW(Archive{missing}, ArchiveError);

  // Loading through a stream reads the same as loading from bytes.
  std::istringstream in(closed.str());
  Archive ar(in);
  int v = 0;
  ar.ReadInt(v);
  ar.Close();
  EXPECT_EQ(v, 5);
}

TEST(ArchiveFiles, StreamFailureRaisesOnCloseAndIsSwallowedByTheDestructor) {
  std::ostringstream broken;
  broken.setstate(std::ios::badbit);
  {
    Archive ar(broken);
    ar.WriteInt(1);
    EXPECT_THROW(ar.Close(), ArchiveError);
  }
  EXPECT_NO_THROW({
    Archive ar(broken);
    ar.WriteInt(1);
  });
}

TEST(ArchiveFiles, DirectionMisuseIsAProgrammingError) {
  std::ostringstream out;
  Archive storing(out);
  int i = 0;
  VekObject* p = nullptr;
  EXPECT_TRUE(storing.IsStoring());
  EXPECT_THROW(storing.ReadInt(i), std::logic_error);
  EXPECT_THROW(storing >> p, std::logic_error);

  Archive loading(Store([](Archive&) {}));
  EXPECT_TRUE(loading.IsLoading());
  EXPECT_THROW(loading.WriteInt(1), std::logic_error);
  EXPECT_THROW(loading << static_cast<const VekObject*>(nullptr), std::logic_error);
  EXPECT_NO_THROW(loading.Close());
}

// ---------------------------------------------------------------------------
// Robustness: a small archive damaged in every way a file gets damaged.

Bytes SmallArchive() {
  auto inner = boost::make_shared<ArchiveTestShape>();
  inner->count = 3;
  inner->label = "墙";
  ArchiveTestShape outer;
  outer.count = 1;
  outer.label = "slab";
  outer.size = 2.5;
  outer.child = inner;
  return Store([&](Archive& ar) {
    ar.WriteInt(7).WriteInt(-1).WriteString("请选择").WriteDouble(3.25);
    ar << static_cast<const VekObject*>(&outer);
    ar.WriteBool(true);
  });
}

// Reads what SmallArchive wrote, as a caller would.
void ReadSmallArchive(const Bytes& file) {
  Archive ar(file);
  int a = 0, b = 0;
  std::string s;
  double d = 0;
  boost::shared_ptr<VekObject> o;
  bool flag = false;
  ar.ReadInt(a).ReadInt(b).ReadString(s).ReadDouble(d);
  ar >> o;
  ar.ReadBool(flag);
  ar.Close();
}

TEST(ArchiveRobustness, EveryTruncationAndEveryFlippedByteOrBitIsRefused) {
  const Bytes file = SmallArchive();
  ASSERT_NO_THROW(ReadSmallArchive(file));
  const int liveBefore = ArchiveTestShape::live;

  auto expectRefused = [&](const Bytes& damaged, const std::string& how) {
    try {
      ReadSmallArchive(damaged);
      ADD_FAILURE() << how << ": read without error";
    } catch (const ArchiveError& e) {
      EXPECT_LE(e.GetOffset(), damaged.size()) << how;
    } catch (const std::exception& e) {
      ADD_FAILURE() << how << ": " << e.what();
    }
  };
  for (std::size_t n = 0; n < file.size(); ++n)
    expectRefused(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)), "cut at " + std::to_string(n));
  for (std::size_t i = 0; i < file.size(); ++i) {
    for (const std::uint8_t mask : {0xFF, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}) {
      Bytes damaged = file;
      damaged[i] ^= mask;
      expectRefused(damaged, "byte " + std::to_string(i) + " ^ " + std::to_string(mask));
    }
  }
  EXPECT_EQ(ArchiveTestShape::live, liveBefore);
}

// The checksum stops the damage above before any value is read.  Here the
// file is sealed again after the damage, so the reader's own checks must
// hold: a shortened payload can never read whole, and a changed payload byte
// may give other values but never anything worse than ArchiveError.
TEST(ArchiveRobustness, DamagedPayloadsWithValidChecksumsFailCleanly) {
  const Bytes payload = PayloadOf(SmallArchive());
  const int liveBefore = ArchiveTestShape::live;
  for (std::size_t n = 0; n < payload.size(); ++n) {
    const Bytes cut(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(ReadSmallArchive(Seal(cut)), ArchiveError) << "payload cut at " << n;
  }
  for (std::size_t i = 0; i < payload.size(); ++i) {
    for (const std::uint8_t mask : {0xFF, 0x80, 0x01}) {
      Bytes changed = payload;
      changed[i] ^= mask;
      try {
        ReadSmallArchive(Seal(changed));
      } catch (const ArchiveError&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << "payload byte " << i << ": " << e.what();
      }
    }
  }
  EXPECT_EQ(ArchiveTestShape::live, liveBefore);
}

}  // namespace
