#include "app/SafeInput.h"

#include <fmt/format.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace tank::app {

namespace {

std::string StatReason(int error) {
  if (error == ENOENT) return "not found";
  if (error == EACCES) return "permission denied";
  if (error == ENOTDIR) return "a folder on its path is not a folder";
  return std::strerror(error);
}

}  // namespace

void CheckRegularFile(const std::string& path, std::size_t maxBytes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw std::runtime_error(path + ": cannot open: " + StatReason(errno));
  if (S_ISDIR(st.st_mode)) throw std::runtime_error(path + ": cannot open: is a directory");
  if (!S_ISREG(st.st_mode)) throw std::runtime_error(path + ": cannot open: not a regular file");
  if (static_cast<unsigned long long>(st.st_size) > maxBytes)
    throw std::runtime_error(fmt::format("{}: cannot open: too large ({} bytes; at most {} are read)", path,
                                         static_cast<long long>(st.st_size), maxBytes));
}

std::string ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  CheckRegularFile(path, maxBytes);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot open: " + StatReason(errno));
  std::string text;
  char chunk[65536];
  while (in) {
    in.read(chunk, sizeof(chunk));
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    // The file may have grown since it was measured.
    if (text.size() > maxBytes)
      throw std::runtime_error(fmt::format("{}: cannot open: too large (more than {} bytes)", path, maxBytes));
  }
  if (in.bad()) throw std::runtime_error(path + ": cannot read: " + std::strerror(errno));
  return text;
}

TextPosition PositionOf(std::string_view text, std::size_t offset) {
  TextPosition p{1, 1};
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++p.line;
      p.column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++p.column;
    }
  }
  return p;
}

TextPosition FindExcessiveNesting(std::string_view json, int maxDepth) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > maxDepth) return PositionOf(json, i);
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return {};
}

std::string PrintableMessage(std::string_view message, bool oneLine, std::size_t maxChars) {
  std::string out;
  out.reserve(std::min(message.size(), maxChars) + 8);
  const auto* s = reinterpret_cast<const unsigned char*>(message.data());
  const std::size_t n = message.size();
  std::size_t i = 0;
  while (i < n) {
    if (out.size() >= maxChars) {
      out += "…";
      break;
    }
    const unsigned char c = s[i];
    if (c == '\n' && !oneLine) {
      out += '\n';
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F) {
      out += c == '\n' ? std::string("\\n") : fmt::format("\\x{:02X}", c);
      ++i;
      continue;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    // A well-formed UTF-8 sequence (no overlong forms, no surrogates) is kept.
    std::size_t len = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    bool ok = len > 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) ok = (s[i + k] & 0xC0) == 0x80;
    if (ok && len == 3) {
      const unsigned char c1 = s[i + 1];
      ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
    }
    if (ok && len == 4) {
      const unsigned char c1 = s[i + 1];
      ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    // C1 control characters (U+0080..U+009F) act as terminal controls too.
    if (ok && len == 2 && c == 0xC2 && s[i + 1] < 0xA0) ok = false;
    if (!ok) {
      out += fmt::format("\\x{:02X}", c);
      ++i;
      continue;
    }
    out.append(reinterpret_cast<const char*>(s + i), len);
    i += len;
  }
  return out;
}

}  // namespace tank::app
