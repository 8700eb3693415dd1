// Geometry kernel: the filing archive.
//
// A storing archive collects the payload in memory and writes header,
// payload and checksum in one go on Close().  A loading archive takes the
// whole file into memory, verifies it completely before the first value is
// handed out, and checks every read against the end of the payload, so that a
// damaged or foreign file can only ever end in an ArchiveError.
#include "platform/morlak/object.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <exception>
#include <istream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>

namespace {

constexpr char kMagic[8] = {'V', 'E', 'K', 'A', 'R', 'C', 'H', '1'};
constexpr std::size_t kMagicSize = sizeof(kMagic);
constexpr std::size_t kVersionOffset = kMagicSize;              // uint32
constexpr std::size_t kSizeOffset = kVersionOffset + 4;         // uint64
constexpr std::size_t kHeaderSize = kSizeOffset + 8;            // payload starts here
constexpr std::size_t kTrailerSize = 4;                         // CRC-32

// Objects filed through pointers may hold further objects through pointers;
// deeper nesting than this is taken for a cycle of pointers (when storing)
// or a crafted file (when loading) rather than run the stack out.
constexpr int kMaxNesting = 512;

std::string At(std::uint64_t offset) { return " at byte " + std::to_string(offset); }

template <typename U>
void PutLittle(std::vector<std::uint8_t>& out, U value) {
  for (std::size_t i = 0; i < sizeof(U); ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

template <typename U>
U GetLittle(const std::uint8_t* p) {
  U value = 0;
  for (std::size_t i = 0; i < sizeof(U); ++i) value |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
  return value;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t n) {
  return static_cast<std::uint32_t>(crc32_z(crc32_z(0L, Z_NULL, 0), data, n));
}

// The dynamic type of the objects a record's factory creates, learnt once per
// record by creating one object.  nullptr when the factory creates nothing.
const std::type_info* TypeMadeBy(const ClassRecord& record) {
  static std::mutex mutex;
  static auto& known = *new std::map<const ClassRecord*, const std::type_info*>;  // never destroyed
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = known.find(&record);
    if (it != known.end()) return it->second;
  }
  // Created outside the lock: a constructor may well file or create objects.
  std::unique_ptr<VekObject> probe(record.CreateObject());
  const std::type_info* type = probe ? &typeid(*probe) : nullptr;
  std::lock_guard<std::mutex> lock(mutex);
  known.emplace(&record, type);
  return type;
}

// The record under which `object` files itself, checked to read back as the
// same class: registered under its name, and creating objects of exactly the
// object's type.
const ClassRecord& CheckedRecord(const VekObject& object) {
  const ClassRecord* record = object.GetRuntimeClass();
  const std::string actual = GetClassName(object);
  if (!record)
    throw std::logic_error("archive: class " + actual + " answers no class record and cannot be filed");
  if (FindClassRecord(record->GetName()) != record)
    throw std::logic_error("archive: the class record '" + record->GetName() + "' of class " + actual +
                           " is not registered (IMPLEMENT_VEK_SERIAL missing?)");
  const std::type_info* made = TypeMadeBy(*record);
  if (!made || *made != typeid(object))
    throw std::logic_error("archive: an object of class " + actual + " would be filed as '" +
                           record->GetName() + "' and read back as " +
                           (made ? GetClassName(*made) : std::string("nothing")) +
                           "; the class needs its own DECLARE_VEK_SERIAL/IMPLEMENT_VEK_SERIAL");
  return *record;
}

// Counts the nesting of objects filed through pointers for as long as it
// lives.
class NestingGuard {
 public:
  NestingGuard(int& depth, const Archive& ar) : m_depth(depth) {
    if (m_depth >= kMaxNesting) {
      if (ar.IsStoring())
        throw std::logic_error("archive: objects nested more than " + std::to_string(kMaxNesting) +
                               " deep through pointers (a cycle of pointers?)");
      ar.Fail("expected objects nested at most " + std::to_string(kMaxNesting) + " deep");
    }
    ++m_depth;
  }
  ~NestingGuard() { --m_depth; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int& m_depth;
};

}  // namespace

// ---------------------------------------------------------------------------
// ArchiveError

ArchiveError::ArchiveError(const std::string& what, std::uint64_t offset)
    : std::runtime_error(what), m_offset(offset) {}

// ---------------------------------------------------------------------------
// Construction, closing

Archive::Archive(std::ostream& out) : m_storing(true), m_out(&out), m_uncaught(std::uncaught_exceptions()) {}

Archive::Archive(std::istream& in) : m_storing(false) {
  if (!in) throw ArchiveError("archive: the stream cannot be read (a file that did not open?)", 0);
  std::vector<std::uint8_t> bytes;
  char chunk[65536];
  while (in) {
    in.read(chunk, sizeof(chunk));
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) throw ArchiveError("archive: the stream failed while reading" + At(bytes.size()), bytes.size());
  Load(std::move(bytes));
}

Archive::Archive(const std::vector<std::uint8_t>& bytes) : m_storing(false) { Load(bytes); }

Archive::~Archive() {
  if (m_storing && !m_closed && std::uncaught_exceptions() <= m_uncaught) {
    try {
      Close();
    } catch (...) {
      // A destructor must not throw; Close() reports the error to callers
      // that want it.
    }
  }
}

void Archive::Load(std::vector<std::uint8_t> bytes) {
  const std::size_t size = bytes.size();
  const std::size_t magicSeen = std::min(size, kMagicSize);
  if (!std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(magicSeen), kMagic))
    throw ArchiveError("archive: expected the mark \"VEKARCH1\" at byte 0; this is not an archive of this program", 0);
  if (size < kHeaderSize)
    throw ArchiveError("archive: expected a header of " + std::to_string(kHeaderSize) +
                           " bytes at byte 0, but the file ends at byte " + std::to_string(size),
                       size);

  const auto version = GetLittle<std::uint32_t>(bytes.data() + kVersionOffset);
  if (version > kFormatVersion)
    throw ArchiveError("archive: format version " + std::to_string(version) + At(kVersionOffset) +
                           " is newer than this program reads (up to " + std::to_string(kFormatVersion) + ")",
                       kVersionOffset);
  if (version != kFormatVersion)
    throw ArchiveError("archive: expected format version " + std::to_string(kFormatVersion) + At(kVersionOffset) +
                           ", but found the unknown version " + std::to_string(version),
                       kVersionOffset);

  const auto payloadSize = GetLittle<std::uint64_t>(bytes.data() + kSizeOffset);
  const std::size_t available = size - kHeaderSize;  // payload and trailer
  if (available < kTrailerSize || payloadSize > available - kTrailerSize)
    throw ArchiveError("archive: expected a payload of " + std::to_string(payloadSize) + " bytes" + At(kHeaderSize) +
                           " and a 4-byte checksum, but the file ends at byte " + std::to_string(size),
                       size);
  const std::size_t payloadEnd = kHeaderSize + static_cast<std::size_t>(payloadSize);
  if (payloadEnd + kTrailerSize != size)
    throw ArchiveError("archive: expected the file to end after the checksum" + At(payloadEnd + kTrailerSize) +
                           ", but " + std::to_string(size - payloadEnd - kTrailerSize) + " more bytes follow",
                       payloadEnd + kTrailerSize);

  const auto stored = GetLittle<std::uint32_t>(bytes.data() + payloadEnd);
  const std::uint32_t computed = Crc32(bytes.data(), payloadEnd);
  if (stored != computed)
    throw ArchiveError("archive: expected the checksum of the file" + At(payloadEnd) +
                           " to match its contents; the file is damaged",
                       payloadEnd);

  m_buffer = std::move(bytes);
  m_pos = kHeaderSize;
  m_payloadEnd = payloadEnd;
}

void Archive::Close() {
  if (m_closed) return;
  if (m_storing) {
    m_closed = true;  // whatever happens below, the destructor must not write again
    std::vector<std::uint8_t> head;
    head.reserve(kHeaderSize);
    head.insert(head.end(), kMagic, kMagic + kMagicSize);
    PutLittle<std::uint32_t>(head, kFormatVersion);
    PutLittle<std::uint64_t>(head, m_buffer.size());
    std::uint32_t crc = Crc32(head.data(), head.size());
    // zlib restarts the checksum when handed a null buffer, which an empty
    // payload's data() may be.
    if (!m_buffer.empty()) crc = static_cast<std::uint32_t>(crc32_z(crc, m_buffer.data(), m_buffer.size()));
    std::vector<std::uint8_t> tail;
    PutLittle<std::uint32_t>(tail, crc);

    m_out->write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    m_out->write(reinterpret_cast<const char*>(m_buffer.data()), static_cast<std::streamsize>(m_buffer.size()));
    m_out->write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    m_out->flush();
    if (!*m_out)
      throw ArchiveError("archive: the stream failed while writing " +
                             std::to_string(kHeaderSize + m_buffer.size() + kTrailerSize) + " bytes",
                         0);
  } else {
    if (m_pos != m_payloadEnd)
      throw ArchiveError("archive: expected the end of the payload" + At(m_pos) + ", but " +
                             std::to_string(m_payloadEnd - m_pos) + " bytes are left unread",
                         m_pos);
    m_closed = true;
  }
}

std::uint64_t Archive::Tell() const { return m_storing ? kHeaderSize + m_buffer.size() : m_pos; }

std::size_t Archive::Remaining() const { return m_storing ? 0 : m_payloadEnd - m_pos; }

void Archive::Fail(const std::string& what) const { throw ArchiveError("archive: " + what + At(Tell()), Tell()); }

// ---------------------------------------------------------------------------
// Raw bytes

void Archive::Put(const void* data, std::size_t n) {
  if (!m_storing) throw std::logic_error("archive: writing to an archive that loads");
  if (m_closed) throw std::logic_error("archive: writing to an archive that is already closed");
  const auto* p = static_cast<const std::uint8_t*>(data);
  m_buffer.insert(m_buffer.end(), p, p + n);
}

void Archive::Take(void* data, std::size_t n, const char* what) {
  if (m_storing) throw std::logic_error("archive: reading from an archive that stores");
  if (n > m_payloadEnd - m_pos)
    throw ArchiveError("archive: expected " + std::string(what) + At(m_pos) + ", but the payload ends at byte " +
                           std::to_string(m_payloadEnd),
                       m_pos);
  if (n) std::memcpy(data, m_buffer.data() + m_pos, n);
  m_pos += n;
}

// ---------------------------------------------------------------------------
// Values

Archive& Archive::WriteInt(int value) {
  std::uint8_t b[4];
  const auto u = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(u >> (8 * i));
  Put(b, sizeof(b));
  return *this;
}

Archive& Archive::WriteLong(long value) {
  std::uint8_t b[8];
  const auto u = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(u >> (8 * i));
  Put(b, sizeof(b));
  return *this;
}

Archive& Archive::WriteDouble(double value) {
  static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8);
  std::uint8_t b[8];
  const auto u = std::bit_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(u >> (8 * i));
  Put(b, sizeof(b));
  return *this;
}

Archive& Archive::WriteString(const std::string& value) {
  if (value.size() > std::numeric_limits<std::uint32_t>::max())
    throw ArchiveError("archive: a string of " + std::to_string(value.size()) +
                           " bytes is longer than a file can hold" + At(Tell()),
                       Tell());
  std::uint8_t b[4];
  const auto n = static_cast<std::uint32_t>(value.size());
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(n >> (8 * i));
  Put(b, sizeof(b));
  Put(value.data(), value.size());
  return *this;
}

Archive& Archive::ReadInt(int& value) {
  std::uint8_t b[4];
  Take(b, sizeof(b), "an int of 4 bytes");
  value = static_cast<int>(GetLittle<std::uint32_t>(b));
  return *this;
}

Archive& Archive::ReadLong(long& value) {
  const std::uint64_t at = Tell();
  std::uint8_t b[8];
  Take(b, sizeof(b), "a long of 8 bytes");
  const auto v = static_cast<std::int64_t>(GetLittle<std::uint64_t>(b));
  if (v < std::numeric_limits<long>::min() || v > std::numeric_limits<long>::max())
    throw ArchiveError("archive: expected a long" + At(at) + ", but found " + std::to_string(v) +
                           ", which does not fit this platform's long",
                       at);
  value = static_cast<long>(v);
  return *this;
}

Archive& Archive::ReadDouble(double& value) {
  std::uint8_t b[8];
  Take(b, sizeof(b), "a double of 8 bytes");
  value = std::bit_cast<double>(GetLittle<std::uint64_t>(b));
  return *this;
}

Archive& Archive::ReadString(std::string& value) {
  std::uint8_t b[4];
  Take(b, sizeof(b), "the 4-byte length of a string");
  const std::uint32_t n = GetLittle<std::uint32_t>(b);
  // Checked before allocating: a damaged length must not reserve gigabytes.
  if (n > Remaining())
    throw ArchiveError("archive: expected a string of " + std::to_string(n) + " bytes" + At(m_pos) +
                           ", but the payload ends at byte " + std::to_string(m_payloadEnd),
                       m_pos);
  std::string s(reinterpret_cast<const char*>(m_buffer.data() + m_pos), n);
  m_pos += n;
  value = std::move(s);
  return *this;
}

Archive& Archive::ReadBool(bool& value) {
  int v = 0;
  ReadInt(v);
  value = v != 0;
  return *this;
}

Archive& Archive::ReadCount(int& count, std::size_t minBytesPerItem) {
  const std::uint64_t at = Tell();
  int n = 0;
  ReadInt(n);
  if (n < 0)
    throw ArchiveError("archive: expected a count of items" + At(at) + ", but found the negative number " +
                           std::to_string(n),
                       at);
  // Every item takes at least one byte, so that no count can outgrow the file.
  const std::size_t perItem = std::max<std::size_t>(minBytesPerItem, 1);
  if (static_cast<std::size_t>(n) > Remaining() / perItem)
    throw ArchiveError("archive: expected a count of items" + At(at) + ", but " + std::to_string(n) +
                           " items of at least " + std::to_string(perItem) + " bytes cannot fit in the " +
                           std::to_string(Remaining()) + " bytes left of the payload",
                       at);
  count = n;
  return *this;
}

// ---------------------------------------------------------------------------
// Objects

Archive& Archive::operator<<(const VekObject& object) {
  if (!m_storing) throw std::logic_error("archive: writing to an archive that loads");
  // Serialize both stores and loads, hence not const; storing leaves the
  // object as it is.
  const_cast<VekObject&>(object).Serialize(*this);
  return *this;
}

Archive& Archive::operator>>(VekObject& object) {
  if (m_storing) throw std::logic_error("archive: reading from an archive that stores");
  object.Serialize(*this);
  return *this;
}

Archive& operator<<(Archive& ar, const VekObject* object) {
  if (!ar.IsStoring()) throw std::logic_error("archive: writing to an archive that loads");
  if (!object) return ar.WriteString(std::string());
  const ClassRecord& record = CheckedRecord(*object);
  NestingGuard nesting(ar.m_depth, ar);
  ar.WriteString(record.GetName());
  return ar << *object;
}

Archive& operator>>(Archive& ar, VekObject*& object) {
  if (ar.IsStoring()) throw std::logic_error("archive: reading from an archive that stores");
  const std::uint64_t at = ar.Tell();
  std::string name;
  ar.ReadString(name);
  if (name.empty()) {
    object = nullptr;
    return ar;
  }
  const ClassRecord* record = FindClassRecord(name);
  if (!record)
    throw ArchiveError("archive: expected the name of a known class" + At(at) + ", but found '" + name +
                           "', which is not registered",
                       at);
  NestingGuard nesting(ar.m_depth, ar);
  std::unique_ptr<VekObject> made(record->CreateObject());
  if (!made)
    throw ArchiveError("archive: the class '" + name + "' named" + At(at) + " cannot create objects", at);
  ar >> *made;  // a throw here deletes the half-read object
  object = made.release();
  return ar;
}

Archive& operator<<(Archive& ar, const boost::shared_ptr<VekObject>& object) { return ar << object.get(); }

Archive& operator>>(Archive& ar, boost::shared_ptr<VekObject>& object) {
  VekObject* raw = nullptr;
  ar >> raw;
  object.reset(raw);
  return ar;
}
