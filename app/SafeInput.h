// Reading what a user hands the host, safely: only regular files of a
// bounded size, JSON of a bounded nesting depth, and messages that cannot
// carry terminal escapes, forged lines or invalid UTF-8 to the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tank::app {

// The largest project or settings file the host reads (JSON text).
inline constexpr std::size_t kMaxJsonFileBytes = 16u << 20;
// The largest design file the host reads.
inline constexpr std::size_t kMaxDesignFileBytes = 512u << 20;
// The deepest nesting of lists and objects a JSON input may have.
inline constexpr int kMaxJsonDepth = 64;

// The whole content of a regular file of at most `maxBytes`.  Anything else
// (missing, a directory, a device or pipe, too large, unreadable) throws
// std::runtime_error naming the file and the reason.
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes);

// Throws std::runtime_error when `path` is not a regular file of at most
// `maxBytes` (the same reasons as ReadRegularFile), without reading it.
void CheckRegularFile(const std::string& path, std::size_t maxBytes);

// Where JSON text nests lists and objects deeper than `maxDepth`: the
// 1-based line and column of the bracket that goes too deep, or {0, 0}.
// Brackets inside strings do not count.
struct TextPosition {
  int line = 0;
  int column = 0;
};
TextPosition FindExcessiveNesting(std::string_view json, int maxDepth = kMaxJsonDepth);

// The line and column of a byte offset (columns count characters).
TextPosition PositionOf(std::string_view text, std::size_t offset);

// A message made safe for a terminal: control characters other than a
// newline become \xNN, a newline inside the message becomes "\n" when
// `oneLine`, invalid UTF-8 bytes become \xNN, and the whole is cut to
// `maxChars` bytes with an ellipsis.
std::string PrintableMessage(std::string_view message, bool oneLine = false, std::size_t maxChars = 4000);

}  // namespace tank::app
