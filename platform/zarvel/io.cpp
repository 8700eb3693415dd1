// Project settings: one table of fields per section, walked by four visitors
// that write JSON, read JSON strictly, check values and file the record
// through the kernel archive.  Keeping one table means a field cannot be
// written by one form and forgotten by another.
#include "platform/Zarvel.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <set>
#include <type_traits>

namespace {

using Json = SettingsJson;
using Problems = std::vector<SettingsProblem>;

// ---------------------------------------------------------------------------
// Checks.  Each answers an empty string for an acceptable value, otherwise
// the reason.

std::string Num(double x) { return fmt::format("{}", x); }
std::string Num(int x) { return std::to_string(x); }

struct Any {
  template <class T>
  std::string operator()(const T&) const { return {}; }
};

struct Positive {
  template <class T>
  std::string operator()(const T& x) const {
    return x > 0 ? std::string() : "must be greater than 0, got " + Num(x);
  }
};

struct NonNegative {
  template <class T>
  std::string operator()(const T& x) const {
    return x >= 0 ? std::string() : "must not be negative, got " + Num(x);
  }
};

// A plausible magnitude: from `lo` to `hi` in `unit` (above `lo` when
// `above`).  The message names the unit, so that a level given in mm where
// metres are expected, or a thickness in m, is recognised at once.
struct Range {
  double lo;
  double hi;
  const char* unit;
  const char* what;
  bool above = false;
  template <class T>
  std::string operator()(const T& value) const {
    const double x = static_cast<double>(value);
    const std::string span = fmt::format("{}{}{}, from {}{} to {}", what, *unit ? " in " : "", unit,
                                         above ? "above " : "", lo, hi);
    if (above ? x > lo : x >= lo) {
      if (x <= hi) return {};
      return fmt::format("must be at most {}, got {} ({})", hi, Num(value), span);
    }
    if (lo >= 0 && x <= 0 && (above || *unit)) return fmt::format("must be greater than 0, got {} ({})", Num(value), span);
    if (lo == 0 && x < 0) return fmt::format("must not be negative, got {} ({})", Num(value), span);
    return fmt::format("must be {} {}, got {} ({})", above ? "above" : "at least", lo, Num(value), span);
  }
};

// The ranges of the kinds of field.
const Range kLevel{-100, 100, "m", "a level"};
const Range kMemberThickness{100, 3000, "mm", "a thickness"};
const Range kCover{10, 200, "mm", "a cover"};
const Range kLoadFactor{0, 5, "", "a load factor", true};
const Range kAreaLoad{0, 500, "kN/m²", "a load"};
const Range kConcreteWeight{15, 35, "kN/m³", "a unit weight"};
const Range kWaterWeight{5, 15, "kN/m³", "a unit weight"};
const Range kSoilWeight{5, 30, "kN/m³", "a unit weight"};
const Range kSoilThickness{0, 200, "m", "a layer thickness", true};
const Range kDepth{0, 100, "m", "a depth below ground"};
const Range kGroundwaterDepth{0, 200, "m", "a depth below ground"};
const Range kBearing{0, 10000, "kPa", "a bearing capacity", true};
const Range kCrackWidth{0, 1, "mm", "a crack width", true};
const Range kTemperature{-100, 100, "°C", "a temperature difference"};
const Range kSafetyFactor{0, 5, "", "a safety factor", true};
const Range kOverhang{0, 10000, "mm", "a length"};
const Range kDrawingLength{0, 100000, "mm", "a drawing length"};
const Range kHaunchSize{0, 3000, "mm", "a haunch size", true};
const Range kHaunchThreshold{0, 10000, "mm", "a length"};
const Range kSpan{0, 100000, "mm", "a span"};
const Range kBarDiameter{6, 50, "mm", "a bar diameter"};
const Range kOptionalBarDiameter{0, 50, "mm", "a bar diameter (0: none)"};
const Range kBarSpacing{20, 1000, "mm", "a bar spacing"};
const Range kBarRowSpacing{0, 1000, "mm", "a spacing"};
const Range kBarCount{1, 50, "", "a number of bars"};
const Range kInset{0, 1000, "mm", "a length"};
const Range kScale{0, 10000, "", "a drawing scale", true};
const Range kTextHeight{0, 10000, "mm", "a text height"};

// A design water depth: negative means "up to the top"; otherwise a depth.
struct WaterDepth {
  std::string operator()(double x) const {
    if (x < 0 || x <= 100) return {};
    return fmt::format("must be at most 100, got {} (a water depth in m above the bottom slab, from 0 to 100; "
                       "negative: up to the top)",
                       Num(x));
  }
};

struct AtLeast {
  int least;
  std::string operator()(int x) const {
    return x >= least ? std::string() : "must be at least " + Num(least) + ", got " + Num(x);
  }
};

// A coefficient between 0 and 1, both included.
struct Ratio {
  std::string operator()(double x) const {
    return (x >= 0 && x <= 1) ? std::string() : "must lie between 0 and 1, got " + Num(x);
  }
};

// An angle strictly between 0 and 90 degrees (haunch slopes), or from 0
// below 90 (friction angles).
struct AngleBelowRight {
  bool zeroAllowed;
  std::string operator()(double x) const {
    const bool ok = (zeroAllowed ? x >= 0 : x > 0) && x < 90;
    if (ok) return {};
    return fmt::format("must lie {} 0 and below 90 degrees, got {}",
                       zeroAllowed ? "from" : "above", x);
  }
};

struct Codes {
  std::vector<int> allowed;
  const char* meaning;
  std::string operator()(int x) const {
    if (std::find(allowed.begin(), allowed.end(), x) != allowed.end()) return {};
    return fmt::format("must be {}, got {}", meaning, x);
  }
};

const Codes kRestraintCode{{0, 1, 2}, "0 (fixed), 1 (simply supported) or 2 (free)"};
const Codes kEarMode{{0, 1, 2}, "0 or 1 (haunch) or 2 (no haunch)"};
const Codes kAnalysisMethod{{0, 1}, "0 (tables, board by board) or 1 (finite elements)"};

struct MinReinRatio {
  std::string operator()(double x) const {
    return x < 1 ? std::string()
                 : "must be below 1 (a negative value means 0.002), got " + Num(x);
  }
};

struct ConcreteGrade {
  std::string operator()(const std::string& g) const {
    if (MaterialSettings::IsKnownConcreteGrade(g)) return {};
    return "unknown concrete grade \"" + g + "\" (C15 to C80 in steps of 5)";
  }
};

struct ReinGrade {
  std::string operator()(const std::string& g) const {
    if (MaterialSettings::IsKnownReinGrade(g)) return {};
    return "unknown rebar grade \"" + g + "\" (HPB235, HRB335, HRB400 or RRB400)";
  }
};

// A whole decimal number of the text, with nothing else.
bool IsDecimal(const std::string& t) {
  if (t.empty()) return false;
  std::size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  bool digits = false, dot = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
    } else if (t[i] == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digits;
}

// Joint length rules: "n" + "d" (n bar diameters), "壁厚" (the board's
// thickness), "不考虑" (the anchorage length), or a length in mm.
struct JointLengthRule {
  std::string operator()(const std::string& r) const {
    const char* forms = " (\"35d\", \"壁厚\", \"不考虑\" or a length in mm)";
    const std::size_t d = r.find('d');
    if (d != std::string::npos) {
      const std::string n = r.substr(0, d);
      if (IsDecimal(n) && std::stod(n) > 0 && d + 1 == r.size()) return {};
      return "\"" + r + "\" is not a rule" + forms;
    }
    if (r == "壁厚" || r == "不考虑") return {};
    if (IsDecimal(r)) {
      if (std::stod(r) < 0) return "a rule length must not be negative, got \"" + r + "\"";
      return {};
    }
    return "\"" + r + "\" is not a rule" + forms;
  }
};

// Wall bar extension: "a/b" within the first three characters gives a/b of
// the span, a "+" adds the joint length; no "/" there writes no extension.
struct ExtensionRule {
  std::string operator()(const std::string& r) const {
    const std::size_t slash = r.find('/');
    if (slash == std::string::npos) return {};
    const std::string head = r.substr(0, 3);
    const std::size_t s = head.find('/');
    const std::string a = s == std::string::npos ? std::string() : head.substr(0, s);
    const std::string b = s == std::string::npos ? std::string() : head.substr(s + 1);
    const auto digits = [](const std::string& t) {
      return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(a) || !digits(b))
      return "\"" + r + "\": the fraction a/b must stand in the first three characters (\"1/3\", \"1/3+\")";
    if (std::stoi(b) == 0) return "\"" + r + "\": the fraction divides by 0";
    return {};
  }
};

struct NonEmptyNames {
  std::string operator()(const std::vector<std::string>& names) const {
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i].empty()) return fmt::format("entry {} is an empty layer name", i);
    return {};
  }
};

// A code that JSON spells as a name.
struct Choice {
  std::vector<std::pair<int, const char*>> names;
  const char* Name(int code) const {
    for (const auto& [c, n] : names)
      if (c == code) return n;
    return nullptr;
  }
  bool Code(const std::string& name, int& code) const {
    for (const auto& [c, n] : names)
      if (name == n) return code = c, true;
    return false;
  }
  std::string Expected() const {
    std::string s;
    for (std::size_t i = 0; i < names.size(); ++i)
      s += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + std::string("\"") + names[i].second + "\"";
    return s;
  }
};

const Choice kUpgradeGrade{{{0, "HRB335"}, {1, "HRB400"}}};

// ---------------------------------------------------------------------------
// JSON values of the field types.

std::string Describe(const Json& j) {
  switch (j.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return j.get<bool>() ? "true" : "false";
    case Json::value_t::string: {
      std::string s = j.get<std::string>();
      if (s.size() > 40) s = s.substr(0, 40) + "...";
      return "the string \"" + s + "\"";
    }
    case Json::value_t::object: return "an object";
    case Json::value_t::array: return "a list";
    default: return "the number " + j.dump();
  }
}

std::string Decode(const Json& j, int& out) {
  if (j.is_number_integer()) {
    if (j.is_number_unsigned()) {
      const auto u = j.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(INT_MAX)) return "the number " + j.dump() + " is out of range";
      out = static_cast<int>(u);
      return {};
    }
    const auto v = j.get<std::int64_t>();
    if (v < INT_MIN || v > INT_MAX) return "the number " + j.dump() + " is out of range";
    out = static_cast<int>(v);
    return {};
  }
  if (j.is_number_float()) {
    const double d = j.get<double>();
    if (std::isfinite(d) && d == std::trunc(d) && d >= INT_MIN && d <= INT_MAX) {
      out = static_cast<int>(d);
      return {};
    }
  }
  return "expected a whole number, got " + Describe(j);
}

std::string Decode(const Json& j, double& out) {
  if (!j.is_number()) return "expected a number, got " + Describe(j);
  out = j.get<double>();
  if (!std::isfinite(out)) return "expected a finite number, got " + j.dump();
  return {};
}

std::string Decode(const Json& j, bool& out) {
  if (!j.is_boolean()) return "expected true or false, got " + Describe(j);
  out = j.get<bool>();
  return {};
}

std::string Decode(const Json& j, std::string& out) {
  if (!j.is_string()) return "expected a text in quotes, got " + Describe(j);
  out = j.get<std::string>();
  return {};
}

std::string Decode(const Json& j, std::vector<std::string>& out) {
  if (!j.is_array()) return "expected a list of texts, got " + Describe(j);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < j.size(); ++i) {
    if (!j[i].is_string()) return fmt::format("entry {}: expected a text in quotes, got {}", i, Describe(j[i]));
    names.push_back(j[i].get<std::string>());
  }
  out = std::move(names);
  return {};
}

// ---------------------------------------------------------------------------
// Archive values of the field types.

void Write(Archive& ar, int v) { ar.WriteInt(v); }
void Write(Archive& ar, double v) { ar.WriteDouble(v); }
void Write(Archive& ar, bool v) { ar.WriteBool(v); }
void Write(Archive& ar, const std::string& v) { ar.WriteString(v); }
void Write(Archive& ar, const std::vector<std::string>& v) {
  ar.WriteInt(static_cast<int>(v.size()));
  for (const auto& s : v) ar.WriteString(s);
}

void Read(Archive& ar, int& v) { ar.ReadInt(v); }
void Read(Archive& ar, double& v) { ar.ReadDouble(v); }
void Read(Archive& ar, bool& v) { ar.ReadBool(v); }
void Read(Archive& ar, std::string& v) { ar.ReadString(v); }
void Read(Archive& ar, std::vector<std::string>& v) {
  int n = 0;
  ar.ReadCount(n, 4);  // each name is at least its byte count
  std::vector<std::string> names(static_cast<std::size_t>(n));
  for (auto& s : names) ar.ReadString(s);
  v = std::move(names);
}

// Smallest filed size of one list entry, for ReadCount.
template <class Item>
constexpr std::size_t kMinItemBytes = 1;
template <>
constexpr std::size_t kMinItemBytes<SoilLayer> = 4 + 3 * 8;
template <>
constexpr std::size_t kMinItemBytes<ReinGradeItem> = 2 * 4;

std::string Join(const std::string& path, const std::string& key) { return path + "." + key; }
std::string Index(const std::string& path, std::size_t i) { return path + "[" + std::to_string(i) + "]"; }

// Edit distance, for "did you mean" hints on unknown keys.
std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diag = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

// ---------------------------------------------------------------------------
// Visitors.  The field tables call, on a visitor v:
//   v.Field(key, value, check)       a value of a field type
//   v.IntAsBool(key, value)          an int switch, true/false in JSON
//   v.Choice(key, value, choice)     an int code, a name in JSON
//   v.Bit(key, bits, mask)           one bit of an int, true/false in JSON
//   v.ArchiveOnly(value)             filed, not in JSON
//   v.Object(key, fn)                a nested object, fn(visitor)
//   v.List(key, items, fn, check)    a list of objects, fn(visitor, item)

// JSON writer.
struct JsonWriter {
  Json& obj;

  template <class T, class C>
  void Field(const char* key, const T& value, const C&) { obj[key] = value; }
  void IntAsBool(const char* key, const int& value) { obj[key] = value != 0; }
  void Choice(const char* key, const int& value, const ::Choice& c) {
    const char* name = c.Name(value);
    obj[key] = name ? Json(name) : Json(value);
  }
  void Bit(const char* key, const int& bits, int mask) { obj[key] = (bits & mask) != 0; }
  template <class T>
  void ArchiveOnly(const T&) {}
  template <class F>
  void Object(const char* key, F fn) {
    Json sub = Json::object();
    JsonWriter w{sub};
    fn(w);
    obj[key] = std::move(sub);
  }
  template <class Item, class F, class C>
  void List(const char* key, const std::vector<Item>& items, F fn, const C&) {
    obj[key] = ListJson(items, fn);
  }
  template <class Item, class F>
  static Json ListJson(const std::vector<Item>& items, F fn) {
    Json list = Json::array();
    for (const Item& item : items) {
      Json sub = Json::object();
      JsonWriter w{sub};
      fn(w, item);
      list.push_back(std::move(sub));
    }
    return list;
  }
};

// Strict JSON reader.  It reads into a default object, so keys missing keep
// the defaults; inside list entries every key is required.
struct JsonReader {
  const Json& obj;
  std::string path;
  Problems& problems;
  bool required = false;
  std::vector<std::string> known;

  void Problem(const std::string& where, const std::string& reason) {
    problems.push_back({where, reason});
  }

  // The member `key`, or nullptr when it is missing (a problem when keys are
  // required).
  const Json* Find(const char* key) {
    known.emplace_back(key);
    auto it = obj.find(key);
    if (it == obj.end()) {
      if (required) Problem(Join(path, key), "missing required value");
      return nullptr;
    }
    return &*it;
  }

  template <class T, class C>
  void Field(const char* key, T& value, const C& check) {
    const Json* j = Find(key);
    if (!j) return;
    T v{};
    std::string reason = Decode(*j, v);
    if (reason.empty()) reason = check(v);
    if (!reason.empty()) return Problem(Join(path, key), reason);
    value = std::move(v);
  }
  void IntAsBool(const char* key, int& value) {
    bool on = false;
    const std::size_t before = problems.size();
    Field(key, on, Any());
    if (problems.size() == before && obj.contains(key)) value = on ? 1 : 0;
  }
  void Choice(const char* key, int& value, const ::Choice& c) {
    const Json* j = Find(key);
    if (!j) return;
    int code = 0;
    if (!j->is_string() || !c.Code(j->get<std::string>(), code))
      return Problem(Join(path, key), "expected " + c.Expected() + ", got " + Describe(*j));
    value = code;
  }
  void Bit(const char* key, int& bits, int mask) {
    const Json* j = Find(key);
    if (!j) return;
    bool on = false;
    const std::string reason = Decode(*j, on);
    if (!reason.empty()) return Problem(Join(path, key), reason);
    bits = on ? (bits | mask) : (bits & ~mask);
  }
  template <class T>
  void ArchiveOnly(T&) {}
  template <class F>
  void Object(const char* key, F fn) {
    const Json* j = Find(key);
    if (!j) return;
    ReadObject(*j, Join(path, key), required, fn);
  }
  template <class Item, class F, class C>
  void List(const char* key, std::vector<Item>& items, F fn, const C& check) {
    const Json* j = Find(key);
    if (!j) return;
    ReadList(*j, Join(path, key), problems, items, fn, check);
  }

  // Unknown keys of the object, with the nearest known key as a hint.
  void Finish() {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
      const std::string& key = it.key();
      if (std::find(known.begin(), known.end(), key) != known.end()) continue;
      std::string reason = "unknown key";
      std::size_t best = key.size() / 3 + 2;
      std::string hint;
      for (const std::string& k : known) {
        const std::size_t d = Distance(key, k);
        if (d < best) best = d, hint = k;
      }
      if (!hint.empty()) reason += " (did you mean \"" + hint + "\"?)";
      Problem(Join(path, key), reason);
    }
  }

  template <class F>
  void ReadObject(const Json& j, const std::string& where, bool keysRequired, F fn) {
    if (!j.is_object()) return Problem(where, "expected an object { ... }, got " + Describe(j));
    JsonReader sub{j, where, problems, keysRequired, {}};
    fn(sub);
    sub.Finish();
  }

  template <class Item, class F, class C>
  static void ReadList(const Json& j, const std::string& where, Problems& problems,
                       std::vector<Item>& items, F fn, const C& check) {
    if (!j.is_array()) {
      problems.push_back({where, "expected a list [ ... ], got " + Describe(j)});
      return;
    }
    const std::size_t before = problems.size();
    std::vector<Item> read;
    for (std::size_t i = 0; i < j.size(); ++i) {
      Item item{};
      if (!j[i].is_object()) {
        problems.push_back({Index(where, i), "expected an object { ... }, got " + Describe(j[i])});
        continue;
      }
      JsonReader sub{j[i], Index(where, i), problems, true, {}};
      fn(sub, item);
      sub.Finish();
      read.push_back(std::move(item));
    }
    if (problems.size() != before) return;
    const std::string reason = check(read);
    if (!reason.empty()) return problems.push_back({where, reason});
    items = std::move(read);
  }
};

// Checks the values of an object filled through setters.
struct Validator {
  std::string path;
  Problems& problems;

  template <class T, class C>
  void Field(const char* key, const T& value, const C& check) {
    const std::string reason = check(value);
    if (!reason.empty()) problems.push_back({Join(path, key), reason});
  }
  void IntAsBool(const char*, const int&) {}
  void Choice(const char* key, const int& value, const ::Choice& c) {
    if (!c.Name(value))
      problems.push_back({Join(path, key), fmt::format("unknown code {} ({})", value, c.Expected())});
  }
  void Bit(const char*, const int&, int) {}
  template <class T>
  void ArchiveOnly(const T&) {}
  template <class F>
  void Object(const char* key, F fn) {
    Validator sub{Join(path, key), problems};
    fn(sub);
  }
  template <class Item, class F, class C>
  void List(const char* key, const std::vector<Item>& items, F fn, const C& check) {
    ListItems(Join(path, key), problems, items, fn, check);
  }
  template <class Item, class F, class C>
  static void ListItems(const std::string& where, Problems& problems, const std::vector<Item>& items, F fn,
                        const C& check) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      Validator sub{Index(where, i), problems};
      fn(sub, items[i]);
    }
    const std::string reason = check(items);
    if (!reason.empty()) problems.push_back({where, reason});
  }
};

// Files the fields in table order through the kernel archive.
struct Filer {
  Archive& ar;

  template <class T>
  void Value(T& value) {
    if (ar.IsStoring()) {
      Write(ar, value);
    } else {
      Read(ar, value);
    }
  }
  template <class T, class C>
  void Field(const char*, T& value, const C&) { Value(value); }
  void IntAsBool(const char*, int& value) { Value(value); }
  void Choice(const char*, int& value, const ::Choice&) { Value(value); }
  void Bit(const char*, int&, int) {}  // the whole int is filed by ArchiveOnly
  template <class T>
  void ArchiveOnly(T& value) { Value(value); }
  template <class F>
  void Object(const char*, F fn) { fn(*this); }
  template <class Item, class F, class C>
  void List(const char*, std::vector<Item>& items, F fn, const C&) { Items(items, fn); }
  template <class Item, class F>
  void Items(std::vector<Item>& items, F fn) {
    if (ar.IsStoring()) {
      ar.WriteInt(static_cast<int>(items.size()));
      for (Item& item : items) fn(*this, item);
      return;
    }
    int n = 0;
    ar.ReadCount(n, kMinItemBytes<Item>);
    std::vector<Item> read(static_cast<std::size_t>(n));
    for (Item& item : read) fn(*this, item);
    items = std::move(read);
  }
};

struct NoListCheck {
  template <class T>
  std::string operator()(const T&) const { return {}; }
};

struct NonEmptyTable {
  std::string operator()(const std::vector<ReinGradeItem>& items) const {
    return items.empty() ? "the table needs at least one candidate bar" : std::string();
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// The field tables.  S is a section, const or not; V one of the visitors.

struct ZarvelFields {
  template <class S, class V>
  static void Visit(S& s, V& v) {
    using T = std::remove_const_t<S>;
    if constexpr (std::is_same_v<T, GeometrySettings>) {
      v.Field("bottom_slab_top_elevation_m", s.m_bottomElevation, kLevel);
      v.Field("tank_top_elevation_m", s.m_topElevation, kLevel);
      v.Field("bottom_slab_thickness_mm", s.m_bottomSlabThickness, kMemberThickness);
      v.Field("top_slab_thickness_mm", s.m_topSlabThickness, kMemberThickness);
      v.Field("wall_thickness_mm", s.m_wallThickness, kMemberThickness);
      v.Field("bottom_slab_overhang_mm", s.m_bottomSlabOverhang, kOverhang);
      v.Field("wall_top_restraint", s.m_wallTopRestraint, kRestraintCode);
      v.Field("top_slab_edge_restraint", s.m_topSlabEdgeRestraint, kRestraintCode);
      v.Field("bottom_slab_edge_restraint", s.m_bottomSlabEdgeRestraint, kRestraintCode);
      v.Field("section_label_offset_mm", s.m_sectionDrawingValue, kDrawingLength);
    } else if constexpr (std::is_same_v<T, LoadSettings>) {
      v.Field("self_weight_factor", s.m_selfWeightFactor, kLoadFactor);
      v.Field("other_dead_load_factor", s.m_otherDeadLoadFactor, kLoadFactor);
      v.Field("groundwater_load_factor", s.m_groundwaterLoadFactor, kLoadFactor);
      v.Field("other_live_load_factor", s.m_otherLiveLoadFactor, kLoadFactor);
      v.Field("ground_live_load_quasi_permanent", s.m_groundLiveLoadQp, Ratio());
      v.Field("top_slab_live_load_quasi_permanent", s.m_topSlabLiveLoadQp, Ratio());
      v.Field("groundwater_quasi_permanent", s.m_groundwaterQp, Ratio());
      v.Field("live_load_combination_factor", s.m_liveLoadCombination, Ratio());
      v.Field("ground_live_load_kn_m2", s.m_groundLiveLoad, kAreaLoad);
      v.Field("top_slab_live_load_kn_m2", s.m_topSlabLiveLoad, kAreaLoad);
      v.Field("min_rein_ratio", s.m_minReinRatio, MinReinRatio());
      v.Field("support_area_in_span", s.m_supportAreaInSpan, Any());
      v.Field("analysis_method", s.m_analysisMethod, kAnalysisMethod);
      v.Field("skip_joint_zone_design", s.m_designSwitch, Any());
      v.Field("design_water_depth_m", s.m_designWaterDepth, WaterDepth());
    } else if constexpr (std::is_same_v<T, CalcSettings>) {
      v.Field("crack_width_limit_mm", s.m_crackWidthLimit, kCrackWidth);
      v.Field("crack_width_control", s.m_crackWidthControlled, Any());
      v.Field("ribbed_bars", s.m_ribbedBar, Any());
      v.Field("temperature_considered", s.m_temperatureConsidered, Any());
      v.Field("wall_temperature_difference_deg", s.m_wallTemperatureDifference, kTemperature);
      v.Field("concrete_unit_weight_kn_m3", s.m_concreteUnitWeight, kConcreteWeight);
      v.Field("water_unit_weight_kn_m3", s.m_waterUnitWeight, kWaterWeight);
      v.Field("buoyancy_reduction_factor", s.m_buoyancyReduction, Ratio());
      v.Field("anti_float_safety_factor", s.m_antiFloatSafety, kSafetyFactor);
    } else if constexpr (std::is_same_v<T, MaterialSettings>) {
      v.Field("concrete_grade_walls", s.m_wallConcreteGrade, ConcreteGrade());
      v.Field("concrete_grade_bottom_slab", s.m_bottomConcreteGrade, ConcreteGrade());
      v.Field("concrete_grade_top_slab", s.m_topConcreteGrade, ConcreteGrade());
      v.Field("rebar_grade_walls", s.m_wallReinGrade, ReinGrade());
      v.Field("rebar_grade_bottom_slab", s.m_bottomReinGrade, ReinGrade());
      v.Field("rebar_grade_top_slab", s.m_topReinGrade, ReinGrade());
      v.Field("bottom_slab_top_cover_mm", s.m_bottomSlabTopCover, kCover);
      v.Field("bottom_slab_bottom_cover_mm", s.m_bottomSlabBottomCover, kCover);
      v.Field("top_slab_top_cover_mm", s.m_topSlabTopCover, kCover);
      v.Field("top_slab_bottom_cover_mm", s.m_topSlabBottomCover, kCover);
      v.Field("wall_outer_cover_mm", s.m_wallOuterCover, kCover);
      v.Field("wall_inner_cover_mm", s.m_wallInnerCover, kCover);
    } else if constexpr (std::is_same_v<T, SoilLayer>) {
      v.Field("name", s.m_name, Any());
      v.Field("thickness_m", s.m_thickness, kSoilThickness);
      v.Field("unit_weight_kn_m3", s.m_unitWeight, kSoilWeight);
      v.Field("friction_angle_deg", s.m_frictionAngle, AngleBelowRight{true});
    } else if constexpr (std::is_same_v<T, GeologySettings>) {
      v.List("soil_layers", s.m_soilLayers, [](auto& w, auto& layer) { Visit(layer, w); }, NoListCheck());
      v.Field("burial_depth_m", s.m_burialDepth, kDepth);
      v.Field("groundwater_depth_m", s.m_groundwaterDepth, kGroundwaterDepth);
      v.Field("bearing_capacity_kpa", s.m_bearingCapacity, kBearing);
    } else if constexpr (std::is_same_v<T, ModelSettings>) {
      v.IntAsBool("has_top_slab", s.m_hasTopSlab);
      v.Field("max_wall_thickness_mm", s.m_maxWallThickness, kMemberThickness);
      v.Field("min_wall_thickness_mm", s.m_minWallThickness, kMemberThickness);
      v.Field("wall_layers", s.m_wallLayers, NonEmptyNames());
      v.Field("model_text_height", s.m_modelTextHeight, kTextHeight);
    } else if constexpr (std::is_same_v<T, DetailingSettings>) {
      v.Object("haunches", [&s](auto& h) {
        h.Object("top_slab", [&s](auto& e) { VisitEar(s.m_topSlabEar, e, true); });
        h.Object("bottom_slab", [&s](auto& e) { VisitEar(s.m_bottomSlabEar, e, true); });
        h.Object("wall_corner", [&s](auto& e) { VisitEar(s.m_wallCornerEar, e, true); });
        h.Object("bottom_slab_side", [&s](auto& e) { VisitEar(s.m_bottomSlabSideEar, e, true); });
        h.Object("bottom_slab_overhang", [&s](auto& e) { VisitEar(s.m_bottomSlabOuterEar, e, false); });
      });
      static const char* const kDrawingNames[6] = {"top_slab_plan",   "bottom_slab_plan",
                                                   "wall_plan",       "wall_section",
                                                   "opening_details", "rebar_schedule"};
      v.ArchiveOnly(s.m_drawingOptions);
      v.Object("drawings", [&s](auto& d) {
        for (int i = 0; i < 6; ++i) {
          d.Object(kDrawingNames[i], [&s, i](auto& e) {
            e.Field("title", s.m_drawings[i].title, Any());
            e.Field("scale", s.m_drawings[i].scale, kScale);
            e.Bit("in_batch_drawing", s.m_drawingOptions, DetailingSettings::kDrawingKeys[i]);
          });
        }
      });
      v.Field("wall_faces_unified", s.m_wallFacesUnified, Any());
      v.Field("wall_bar_extension", s.m_wallBarExtensionOn, Any());
      v.Field("wall_bar_extension_min_span_mm", s.m_wallBarExtensionMinSpan, kSpan);
      v.Field("wall_bar_extension_rule", s.m_wallBarExtensionRule, ExtensionRule());
    } else if constexpr (std::is_same_v<T, ReinSettings>) {
      v.Field("min_bar_diameter_mm", s.m_minBarDiameter, kBarDiameter);
      v.Field("min_bar_spacing_mm", s.m_minBarSpacing, kBarSpacing);
      v.Field("max_bar_spacing_mm", s.m_maxBarSpacing, kBarSpacing);
      v.Field("plain_bar_diameter_limit_mm", s.m_plainBarDiameterLimit, kBarDiameter);
      v.Field("plain_bar_upgrade", s.m_plainBarUpgraded, Any());
      v.Choice("plain_bar_upgrade_grade", s.m_upgradeGrade, kUpgradeGrade);
      v.Field("horizontal_joint_length_rule", s.m_horizontalJointRule, JointLengthRule());
      v.Field("vertical_joint_length_rule", s.m_verticalJointRule, JointLengthRule());
      v.Field("merge_units", s.m_unitMerge, Any());
    } else if constexpr (std::is_same_v<T, OpeningReinSettings>) {
      v.Field("support_bar_diameter_mm", s.m_supportBarDiameter, kBarDiameter);
      v.Field("side_bar_count", s.m_sideBarCount, kBarCount);
      v.Field("side_bar_min_diameter_mm", s.m_sideBarMinDiameter, kBarDiameter);
      v.Field("side_bar_max_diameter_mm", s.m_sideBarMaxDiameter, kBarDiameter);
      v.Field("side_bar_spacing_mm", s.m_sideBarSpacing, kBarSpacing);
      v.Field("tie_diameter_mm", s.m_tieDiameter, kBarDiameter);
      v.Field("tie_spacing_mm", s.m_tieSpacing, kBarSpacing);
      v.Field("added_bar_count", s.m_rectBarCount, kBarCount);
      v.Field("added_bar_min_diameter_mm", s.m_rectBarMinDiameter, kBarDiameter);
      v.Field("added_bar_max_diameter_mm", s.m_rectBarMaxDiameter, kBarDiameter);
      v.Field("added_bar_spacing_mm", s.m_rectBarSpacing, kBarSpacing);
      v.Field("added_bar_inset_mm", s.m_rectBarInset, kInset);
      v.Field("added_bar_level_diameter_mm", s.m_rectBarLevelDiameter, kOptionalBarDiameter);
      v.Field("side_bar_level_diameter_mm", s.m_sideBarLevelDiameter, kOptionalBarDiameter);
      v.Field("side_bar_corner_spacing_mm", s.m_sideBarCornerSpacing, kBarSpacing);
      v.Field("corner_bar_diameter_mm", s.m_cornerBarDiameter, kBarDiameter);
      v.Field("corner_bar_row_spacing_mm", s.m_cornerBarRowSpacing, kBarRowSpacing);
      v.Field("ring_bars", s.m_ringBar, Any());
      v.Field("classify_by_side_length", s.m_mixedBySideLength, Any());
      v.Field("corner_bars", s.m_cornerBars, Any());
    } else if constexpr (std::is_same_v<T, ReinGradeItem>) {
      v.Field("diameter_mm", s.m_diameter, kBarDiameter);
      v.Field("spacing_mm", s.m_spacing, kBarSpacing);
    } else if constexpr (std::is_same_v<T, ViewSettings>) {
      v.IntAsBool("combine_tables", s.combineTables);
      v.Field("show_marks", s.m_bShowMarks, Any());
      v.Field("marks_without_text", s.m_bMarksWithoutText, Any());
      v.Field("one_text_per_mark", s.m_bOneTextPerMark, Any());
      v.Field("merge_section_marks", s.m_bSectionMarkOption, Any());
      v.Field("far_face_range_dims", s.m_bFarRangeDims, Any());
      v.Field("near_face_range_dims", s.m_bNearRangeDims, Any());
      v.Field("section_mark_code", s.m_sectionMarkCode, Any());
      v.Field("section_mark_factor", s.m_sectionMarkFactor, Positive());
      v.Field("cut_line_extension_mm", s.m_cutLineExtension, kDrawingLength);
      v.Field("crack_width_limit_mm", s.crackWidthLimit, kCrackWidth);
    } else {
      static_assert(std::is_same_v<T, void>, "no field table for this type");
    }
  }

  template <class E, class V>
  static void VisitEar(E& e, V& v, bool withThreshold) {
    v.Field("mode", e.mode, kEarMode);
    v.Field("angle_deg", e.angle, AngleBelowRight{false});
    v.Field("size_mm", e.size, kHaunchSize);
    if (withThreshold) {
      v.Field("threshold_mm", e.threshold, kHaunchThreshold);
    } else {
      v.ArchiveOnly(e.threshold);
    }
  }

  // The bar-candidate table is a list at the top of the settings.
  template <class V, class S>
  static void VisitTable(S& table, const char* key, V& v) {
    v.List(key, table.m_items, [](auto& w, auto& item) { Visit(item, w); }, NonEmptyTable());
  }

  // Every section of the settings, in filing order.
  template <class P, class V>
  static void VisitAll(P& p, V& v) {
    v.Object("geometry", [&p](auto& w) { Visit(p.m_geometry, w); });
    v.Object("loads", [&p](auto& w) { Visit(p.m_loads, w); });
    v.Object("calculation", [&p](auto& w) { Visit(p.m_calc, w); });
    v.Object("materials", [&p](auto& w) { Visit(p.m_materials, w); });
    v.Object("geology", [&p](auto& w) { Visit(p.m_geology, w); });
    v.Object("model", [&p](auto& w) { Visit(p.m_model, w); });
    v.Object("detailing", [&p](auto& w) { Visit(p.m_detailing, w); });
    v.Object("reinforcement", [&p](auto& w) { Visit(p.m_rein, w); });
    v.Object("opening_reinforcement", [&p](auto& w) { Visit(p.m_openingRein, w); });
    VisitTable(p.m_gradeTable, "bar_candidates", v);
    v.Object("view", [&p](auto& w) { Visit(p.m_view, w); });
  }

  // -------------------------------------------------------------------------
  // Checks across the fields of one section, and across sections.  They run
  // once every field is acceptable on its own.

  static void CrossCheck(const GeometrySettings&, const std::string&, Problems&) {}
  static void CrossCheck(const LoadSettings&, const std::string&, Problems&) {}
  static void CrossCheck(const CalcSettings&, const std::string&, Problems&) {}
  static void CrossCheck(const MaterialSettings&, const std::string&, Problems&) {}
  static void CrossCheck(const GeologySettings&, const std::string&, Problems&) {}
  static void CrossCheck(const ReinGradeTable&, const std::string&, Problems&) {}
  static void CrossCheck(const ViewSettings&, const std::string&, Problems&) {}

  static void CrossCheck(const ModelSettings& s, const std::string& path, Problems& problems) {
    if (s.m_minWallThickness > s.m_maxWallThickness)
      problems.push_back({Join(path, "min_wall_thickness_mm"),
                          fmt::format("{} exceeds max_wall_thickness_mm ({})", s.m_minWallThickness,
                                      s.m_maxWallThickness)});
  }

  static void CrossCheck(const DetailingSettings&, const std::string&, Problems&) {}

  static void CrossCheck(const ReinSettings& s, const std::string& path, Problems& problems) {
    if (s.m_minBarSpacing > s.m_maxBarSpacing)
      problems.push_back({Join(path, "min_bar_spacing_mm"),
                          fmt::format("{} is above max_bar_spacing_mm ({}): the smallest spacing must not "
                                      "exceed the largest",
                                      s.m_minBarSpacing, s.m_maxBarSpacing)});
  }

  static void CrossCheck(const OpeningReinSettings& s, const std::string& path, Problems& problems) {
    if (s.m_sideBarMinDiameter > s.m_sideBarMaxDiameter)
      problems.push_back({Join(path, "side_bar_min_diameter_mm"),
                          fmt::format("{} exceeds side_bar_max_diameter_mm ({})", s.m_sideBarMinDiameter,
                                      s.m_sideBarMaxDiameter)});
    if (s.m_rectBarMinDiameter > s.m_rectBarMaxDiameter)
      problems.push_back({Join(path, "added_bar_min_diameter_mm"),
                          fmt::format("{} exceeds added_bar_max_diameter_mm ({})", s.m_rectBarMinDiameter,
                                      s.m_rectBarMaxDiameter)});
  }

  static void CrossCheck(const ProjectSettings& p, const std::string& root, Problems& problems) {
    CrossCheck(p.m_model, Join(root, "model"), problems);
    CrossCheck(p.m_rein, Join(root, "reinforcement"), problems);
    CrossCheck(p.m_openingRein, Join(root, "opening_reinforcement"), problems);

    // The cells need room between the slabs.
    const GeometrySettings& g = p.m_geometry;
    const double height = (g.m_topElevation - g.m_bottomElevation) * 1000.0;
    const bool covered = p.m_model.m_hasTopSlab == 1;
    const double room = covered ? height - g.m_topSlabThickness : height;
    if (room <= 0) {
      problems.push_back(
          {Join(root, "geometry.tank_top_elevation_m"),
           covered ? fmt::format("{} m leaves no room for the cells between the bottom slab (top face at "
                                 "{} m) and a top slab {} mm thick",
                                 g.m_topElevation, g.m_bottomElevation, g.m_topSlabThickness)
                   : fmt::format("{} m must lie above the bottom slab's top face ({} m)", g.m_topElevation,
                                 g.m_bottomElevation)});
    } else if (!p.m_loads.IsWaterUpToTop() && p.m_loads.m_designWaterDepth * 1000.0 > room + 1e-6) {
      problems.push_back({Join(root, "loads.design_water_depth_m"),
                          fmt::format("{} m is above the top of the cells ({} m above the bottom slab{})",
                                      p.m_loads.m_designWaterDepth, std::round(room) / 1000.0,  // to the mm, as the fields are
                                      covered ? ", up to the top slab's underside" : "")});
    }

    // Each member's covers and bars must leave an effective depth: the bars
    // of both faces, the smallest the design may choose, fit between the
    // covers.
    const MaterialSettings& m = p.m_materials;
    const double bar = p.m_rein.m_minBarDiameter;
    struct Member {
      const char* name;
      double thickness;
      const char* thicknessField;
      double cover1, cover2;
      const char* coverField1;
      const char* coverField2;
    };
    const Member members[] = {
        {"wall", static_cast<double>(g.m_wallThickness), "geometry.wall_thickness_mm", m.m_wallOuterCover,
         m.m_wallInnerCover, "wall_outer_cover_mm", "wall_inner_cover_mm"},
        {"bottom slab", static_cast<double>(g.m_bottomSlabThickness), "geometry.bottom_slab_thickness_mm",
         m.m_bottomSlabTopCover, m.m_bottomSlabBottomCover, "bottom_slab_top_cover_mm", "bottom_slab_bottom_cover_mm"},
        {"top slab", static_cast<double>(g.m_topSlabThickness), "geometry.top_slab_thickness_mm", m.m_topSlabTopCover,
         m.m_topSlabBottomCover, "top_slab_top_cover_mm", "top_slab_bottom_cover_mm"},
    };
    for (const Member& member : members) {
      if (!covered && std::string(member.name) == "top slab") continue;
      const double room = member.thickness - member.cover1 - member.cover2 - 2 * bar;
      if (room > 0) continue;
      const bool first = member.cover1 >= member.cover2;
      const double cover = first ? member.cover1 : member.cover2;
      problems.push_back(
          {Join(root, std::string("materials.") + (first ? member.coverField1 : member.coverField2)),
           fmt::format("{} mm, with the other face's cover ({} mm) and two layers of the smallest bars ({} mm), "
                       "need {} mm, and the {} is only {} mm thick ({}): no effective depth is left",
                       cover, first ? member.cover2 : member.cover1, bar, member.cover1 + member.cover2 + 2 * bar,
                       member.name, member.thickness, member.thicknessField)});
    }

    // Bar selection must find something to choose from (a spacing range
    // that is empty is named as such above).
    const ReinSettings& r = p.m_rein;
    const auto& items = p.m_gradeTable.m_items;
    const bool any = std::any_of(items.begin(), items.end(), [&r](const ReinGradeItem& it) {
      return it.m_diameter >= r.m_minBarDiameter && it.m_spacing >= r.m_minBarSpacing &&
             it.m_spacing <= r.m_maxBarSpacing;
    });
    if (!items.empty() && !any && r.m_minBarSpacing <= r.m_maxBarSpacing)
      problems.push_back({Join(root, "bar_candidates"),
                          fmt::format("no candidate bar has a diameter of at least {} mm and a spacing "
                                      "from {} to {} mm (reinforcement settings)",
                                      r.m_minBarDiameter, r.m_minBarSpacing, r.m_maxBarSpacing)});
  }
};

// ---------------------------------------------------------------------------
// Problems

std::string SettingsProblem::ToString() const {
  if (line > 0) return fmt::format("line {}, column {}: {}", line, column, reason);
  if (path.empty()) return reason;
  return path + ": " + reason;
}

namespace {

std::string ListProblems(const std::vector<SettingsProblem>& problems) {
  std::string s;
  for (const auto& p : problems) s += (s.empty() ? "" : "\n") + p.ToString();
  return s.empty() ? "settings rejected" : s;
}

[[noreturn]] void Reject(Problems problems) { throw SettingsError(std::move(problems)); }

template <class S>
Json SectionJson(const S& section) {
  Json obj = Json::object();
  JsonWriter w{obj};
  ZarvelFields::Visit(section, w);
  return obj;
}

template <class S>
void ReadSection(const Json& json, S& out, const std::string& path) {
  Problems problems;
  S read;
  JsonReader r{json, path, problems, false, {}};
  r.ReadObject(json, path, false, [&read](auto& v) { ZarvelFields::Visit(read, v); });
  if (problems.empty()) ZarvelFields::CrossCheck(read, path, problems);
  if (!problems.empty()) Reject(std::move(problems));
  out = std::move(read);
}

}  // namespace

namespace {

// The checks across fields also run when some field is wrong, so that every
// wrong field is named at once; a field already named is not named again
// (a wrong field read from JSON keeps its default).
void AddCrossChecks(const ProjectSettings& settings, Problems& problems) {
  Problems across;
  ZarvelFields::CrossCheck(settings, "settings", across);
  for (SettingsProblem& p : across) {
    const bool named = std::any_of(problems.begin(), problems.end(), [&p](const SettingsProblem& q) {
      return q.path == p.path || p.path.rfind(q.path + ".", 0) == 0 || p.path.rfind(q.path + "[", 0) == 0;
    });
    if (!named) problems.push_back(std::move(p));
  }
}

}  // namespace

SettingsError::SettingsError(std::vector<SettingsProblem> problems)
    : std::runtime_error(ListProblems(problems)), m_problems(std::move(problems)) {}

std::vector<SettingsProblem> ValidateSettings(const ProjectSettings& settings) {
  Problems problems;
  Validator v{"settings", problems};
  ZarvelFields::VisitAll(settings, v);
  AddCrossChecks(settings, problems);
  return problems;
}

// ---------------------------------------------------------------------------
// JSON

SettingsJson ToJson(const ProjectSettings& settings) {
  Json root = Json::object();
  root["format_version"] = ProjectSettings::kRecordVersion;
  JsonWriter w{root};
  ZarvelFields::VisitAll(settings, w);
  return root;
}

SettingsJson ToJson(const GeometrySettings& s) { return SectionJson(s); }
SettingsJson ToJson(const LoadSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const CalcSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const MaterialSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const GeologySettings& s) { return SectionJson(s); }
SettingsJson ToJson(const ModelSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const DetailingSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const ReinSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const OpeningReinSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const ViewSettings& s) { return SectionJson(s); }
SettingsJson ToJson(const ReinGradeTable& s) {
  return JsonWriter::ListJson(s.GetItems(), [](auto& w, const ReinGradeItem& item) { ZarvelFields::Visit(item, w); });
}

void FromJson(const SettingsJson& json, ProjectSettings& out) {
  Problems problems;
  ProjectSettings read;
  JsonReader root{json, "settings", problems, false, {}};
  root.ReadObject(json, "settings", false, [&read](auto& v) {
    int version = ProjectSettings::kRecordVersion;
    v.Field("format_version", version,
            Codes{{ProjectSettings::kRecordVersion}, "1 (the settings format this program reads)"});
    ZarvelFields::VisitAll(read, v);
  });
  AddCrossChecks(read, problems);
  if (!problems.empty()) Reject(std::move(problems));
  out = std::move(read);
}

void FromJson(const SettingsJson& j, GeometrySettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, LoadSettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, CalcSettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, MaterialSettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, GeologySettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, ModelSettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, DetailingSettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, ReinSettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, OpeningReinSettings& out, const std::string& path) {
  ReadSection(j, out, path);
}
void FromJson(const SettingsJson& j, ViewSettings& out, const std::string& path) { ReadSection(j, out, path); }
void FromJson(const SettingsJson& j, ReinGradeTable& out, const std::string& path) {
  Problems problems;
  std::vector<ReinGradeItem> items;
  JsonReader::ReadList(j, path, problems, items, [](auto& v, auto& item) { ZarvelFields::Visit(item, v); },
                       NonEmptyTable());
  if (!problems.empty()) Reject(std::move(problems));
  out.SetItems(items);
}

namespace {

// Notes keys given twice while the parser reads (the parser itself keeps the
// last one silently), with the path of each.
class DuplicateKeyWatch {
 public:
  explicit DuplicateKeyWatch(Problems& problems) : m_problems(problems) {}

  bool operator()(int, Json::parse_event_t event, Json& parsed) {
    using E = Json::parse_event_t;
    switch (event) {
      case E::object_start:
      case E::array_start:
        StartElement();
        m_frames.push_back({event == E::object_start, {}, {}, -1});
        break;
      case E::object_end:
      case E::array_end:
        if (!m_frames.empty()) m_frames.pop_back();
        break;
      case E::key: {
        Frame& f = m_frames.back();
        f.key = parsed.get<std::string>();
        if (!f.keys.insert(f.key).second) m_problems.push_back({Path() + "." + f.key, "given twice"});
        break;
      }
      case E::value:
        StartElement();
        break;
    }
    return true;
  }

 private:
  struct Frame {
    bool object;
    std::set<std::string> keys;
    std::string key;
    int index;
  };

  void StartElement() {
    if (!m_frames.empty() && !m_frames.back().object) ++m_frames.back().index;
  }

  // Path of the innermost open object or list.
  std::string Path() const {
    std::string p = "settings";
    for (std::size_t i = 0; i + 1 < m_frames.size(); ++i)
      p += m_frames[i].object ? "." + m_frames[i].key : "[" + std::to_string(m_frames[i].index) + "]";
    return p;
  }

  Problems& m_problems;
  std::vector<Frame> m_frames;
};

// The message of a parse error without the library's prefix and position.
std::string ParseErrorDetail(const std::string& what) {
  const std::size_t column = what.find("column ");
  if (column != std::string::npos) {
    const std::size_t colon = what.find(": ", column);
    if (colon != std::string::npos) return what.substr(colon + 2);
  }
  const std::size_t bracket = what.find("] ");
  return bracket == std::string::npos ? what : what.substr(bracket + 2);
}

}  // namespace

std::string WriteSettingsJson(const ProjectSettings& settings) {
  return ToJson(settings).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

ProjectSettings ReadSettingsJson(const std::string& text) {
  Problems problems;
  Json json;
  try {
    DuplicateKeyWatch watch(problems);
    json = Json::parse(text, std::ref(watch));
  } catch (const Json::parse_error& e) {
    // The position the parser stopped at, counted in lines and characters.
    const std::size_t end = std::min<std::size_t>(e.byte > 0 ? e.byte - 1 : 0, text.size());
    int line = 1, column = 1;
    for (std::size_t i = 0; i < end; ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    SettingsProblem p{"", "JSON syntax error: " + ParseErrorDetail(e.what()), line, column};
    Reject({p});
  }
  ProjectSettings settings;
  try {
    FromJson(json, settings);
  } catch (const SettingsError& e) {
    problems.insert(problems.end(), e.GetProblems().begin(), e.GetProblems().end());
  }
  if (!problems.empty()) Reject(std::move(problems));
  return settings;
}

// ---------------------------------------------------------------------------
// Filing

void ViewSettings::Serialize(Archive& ar) {
  Filer f{ar};
  ZarvelFields::Visit(*this, f);
}

void ProjectSettings::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteInt(kRecordVersion);
    Filer f{ar};
    ZarvelFields::VisitAll(*this, f);
    return;
  }
  int version = 0;
  ar.ReadInt(version);
  if (version < 1 || version > kRecordVersion)
    ar.Fail("project settings: record version " + std::to_string(version) +
            " is not one this program reads (1 to " + std::to_string(kRecordVersion) + ")");
  // Read into a fresh object so that a damaged record leaves this one as it was.
  ProjectSettings read;
  Filer f{ar};
  ZarvelFields::VisitAll(read, f);
  *this = read;
}
