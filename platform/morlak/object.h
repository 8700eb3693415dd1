// Geometry kernel: the object model, the class registry and the filing archive.
//
// Every filed class derives from VekObject.  A class that is filed through a
// pointer (polymorphically) registers a ClassRecord under its name; the archive
// writes that name before the object's own record and, when reading, creates a
// new object of the class through the record's factory before letting it read
// itself.
//
// File form of an archive (all numbers little-endian, fixed width):
//   header   8 bytes magic "VEKARCH1", uint32 format version, uint64 payload size
//   payload  the records written by Write*/operator<<, in order
//   trailer  uint32 CRC-32 (zlib) of header and payload
// int is filed as int32 (two's complement), long as int64, double as IEEE-754
// binary64 with its bit pattern kept exactly (-0.0, infinities, NaN payloads),
// a string as uint32 byte count followed by its bytes (UTF-8 text, kept as
// bytes; embedded NULs survive), a bool as the int 0 or 1.  The payload size
// counts the payload only; the file ends exactly after the trailer.  The base
// record of VekObject is the int 0x4F4B4556 ("VEKO").  An object filed through
// a pointer is its class name as a string (empty for a null pointer) followed
// by its record.  Pointers are filed by value: two pointers to one object read
// back as two objects (callers that need identity file positions instead).
//
// Reading loads the whole file, checks magic, version, size and checksum before
// handing out a single value, and checks every read against the end of the
// payload.  Any damage raises ArchiveError naming what was expected and the
// byte offset where it was expected; nothing is ever half read silently.  A
// file of a newer format version is refused.  Objects nested through pointers
// more than 512 deep are refused (a crafted file must not run the stack out;
// when storing, such depth means a cycle of pointers: std::logic_error).
//
// Misuse by the program (writing to a loading archive, reading from a storing
// one, writing after Close, filing an object whose class cannot be read back)
// throws std::logic_error, not ArchiveError.
#pragma once

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

class Archive;
class VekObject;

// Descriptor of a filed class: its name and a factory that creates a default
// object of it.
class ClassRecord {
 public:
  using Factory = VekObject* (*)();
  ClassRecord(std::string name, Factory factory);

  const std::string& GetName() const { return m_name; }
  // A new default object of the class; the caller owns it.
  VekObject* CreateObject() const { return m_factory(); }
  Factory GetFactory() const { return m_factory; }

 private:
  std::string m_name;
  Factory m_factory;
};

// Enters a record in the kernel's class registry on construction.  Records
// are kept by pointer: a record must outlive every archive that uses it
// (static records do).  Registering a second record under a taken name with a
// different factory is a programming error (std::logic_error); the same
// record, or one with the same factory, entered again is ignored.  Not every
// VekObject class needs a record: only those filed through pointers.
class ClassRegistrar {
 public:
  explicit ClassRegistrar(const ClassRecord& record);
};

// The record registered under `name`, or nullptr.
const ClassRecord* FindClassRecord(const std::string& name);

// The dynamic class name of an object, demangled ("TankModel2DView",
// "_3dLine"), as the platform's run-time type information gives it.
std::string GetClassName(const VekObject& object);
std::string GetClassName(const std::type_info& type);

// Root of the kernel's object model.
class VekObject {
 public:
  VekObject() = default;
  VekObject(const VekObject&) = default;
  VekObject& operator=(const VekObject&) = default;
  virtual ~VekObject() = default;

  // Files the object's own record.  The base record is a marker int that lets
  // a reader notice when records get out of step.
  virtual void Serialize(Archive& ar);

  // The record of the object's class; classes without a record of their own
  // answer with the record of their nearest filed base ("VekObject").
  virtual const ClassRecord* GetRuntimeClass() const;

  static VekObject* CreateObject();
  static const ClassRecord classVekObject;
};

// Thrown for every failure to read or write an archive: damaged, truncated or
// foreign files, unknown class names, and write errors of the stream.
class ArchiveError : public std::runtime_error {
 public:
  ArchiveError(const std::string& what, std::uint64_t offset);
  // Byte offset in the file at which the failure was found.
  std::uint64_t GetOffset() const { return m_offset; }

 private:
  std::uint64_t m_offset;
};

class Archive {
 public:
  static constexpr std::uint32_t kFormatVersion = 1;

  // An archive that stores into `out`.  Nothing reaches the stream before
  // Close() (or the destructor) writes header, payload and checksum at once.
  explicit Archive(std::ostream& out);
  // An archive that loads from `in`: the stream is read whole and verified at
  // once; a damaged stream throws ArchiveError from this constructor.
  explicit Archive(std::istream& in);
  // A loading archive over bytes already in memory (same checks).
  explicit Archive(const std::vector<std::uint8_t>& bytes);

  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  // A storing archive that was not closed writes itself out here (errors
  // are swallowed: call Close() to see them) -- unless it is destroyed by an
  // exception unwinding the stack, which leaves its records incomplete: then
  // it writes nothing rather than a file that looks whole.
  ~Archive();

  bool IsStoring() const { return m_storing; }
  bool IsLoading() const { return !m_storing; }

  Archive& WriteInt(int value);
  Archive& WriteLong(long value);
  Archive& WriteDouble(double value);
  Archive& WriteString(const std::string& value);

  Archive& ReadInt(int& value);
  // A filed int64 that does not fit this platform's long throws ArchiveError
  // (never on LP64 Linux, where long is 64 bits).
  Archive& ReadLong(long& value);
  Archive& ReadDouble(double& value);
  Archive& ReadString(std::string& value);

  // Booleans are filed as ints 0 or 1 and read back as true when not 0.
  Archive& WriteBool(bool value) { return WriteInt(value ? 1 : 0); }
  Archive& ReadBool(bool& value);

  // Reads a count of items that follow, each taking at least
  // `minBytesPerItem` bytes of the payload; a negative count, or one that
  // cannot fit in what is left of the payload, throws ArchiveError.  Use it
  // before reserving or looping over a count read from a file.  A
  // minBytesPerItem of 0 counts as 1.  Counts are written with WriteInt.
  Archive& ReadCount(int& count, std::size_t minBytesPerItem = 1);

  // Files an object in place through its virtual Serialize (no class record).
  Archive& operator<<(const VekObject& object);
  Archive& operator>>(VekObject& object);

  // Storing: writes header, payload and checksum to the stream and flushes it
  // (ArchiveError when the stream fails; the archive counts as closed even
  // then, so the destructor does not write a second time).  Loading: checks
  // that the payload was read to its last byte (ArchiveError otherwise).
  // Idempotent once it has succeeded.
  void Close();

  // Loading: the byte offset of the next value in the file, and the bytes of
  // the payload not yet read.  Storing: the offset the next value will get.
  std::uint64_t Tell() const;
  std::size_t Remaining() const;

  // Raises ArchiveError at the current offset.
  [[noreturn]] void Fail(const std::string& what) const;

 private:
  void Put(const void* data, std::size_t n);
  void Take(void* data, std::size_t n, const char* what);
  void Load(std::vector<std::uint8_t> bytes);

  bool m_storing;
  bool m_closed = false;
  std::ostream* m_out = nullptr;
  std::vector<std::uint8_t> m_buffer;  // storing: the payload; loading: the whole file
  std::size_t m_pos = 0;               // loading: read position in m_buffer
  std::size_t m_payloadEnd = 0;        // loading: end of the payload in m_buffer
  int m_depth = 0;                     // nesting of objects filed through pointers
  int m_uncaught = 0;                  // exceptions in flight when the archive was made

  friend Archive& operator<<(Archive& ar, const VekObject* object);
  friend Archive& operator>>(Archive& ar, VekObject*& object);
};

// Files an object through a pointer: its class name (an empty name for a null
// pointer) followed by its record.  Reading creates the object through the
// class registry and hands the caller a new object it owns (or nullptr).
// Writing an object whose class is not registered under the name its
// GetRuntimeClass answers throws std::logic_error: it could not be read back.
// The same holds for an object whose exact type is not the type its record's
// factory creates (a derived class without a record of its own answers its
// base's record and would come back as the base): to know that type, the
// factory is called once per record, the first time an object of it is filed
// through a pointer (default constructors of filed classes must therefore be
// free of side effects, as reading relies on them anyway).
// Reading a name that is not registered throws ArchiveError naming it.  On
// any failure the pointer is left as it was and a half-read object is deleted.
// A previous pointee is not deleted: the caller owns it.
Archive& operator<<(Archive& ar, const VekObject* object);
Archive& operator>>(Archive& ar, VekObject*& object);

// The same for shared pointers, which is how the module holds its objects.
Archive& operator<<(Archive& ar, const boost::shared_ptr<VekObject>& object);
Archive& operator>>(Archive& ar, boost::shared_ptr<VekObject>& object);

// Defines the class record of a filed class and registers it at static
// initialisation.  Use in one source file per class:
//   IMPLEMENT_VEK_SERIAL(_2dLine)
// The class declares `static VekObject* CreateObject();`,
// `static const ClassRecord classRecord;` and overrides GetRuntimeClass.
#define IMPLEMENT_VEK_SERIAL(Class)                                            \
  VekObject* Class::CreateObject() { return new Class(); }                     \
  const ClassRecord Class::classRecord(#Class, &Class::CreateObject);          \
  const ClassRecord* Class::GetRuntimeClass() const { return &classRecord; }   \
  namespace {                                                                  \
  const ClassRegistrar vekRegistrar_##Class(Class::classRecord);               \
  }

#define DECLARE_VEK_SERIAL(Class)                                              \
 public:                                                                       \
  static VekObject* CreateObject();                                            \
  static const ClassRecord classRecord;                                        \
  const ClassRecord* GetRuntimeClass() const override;
