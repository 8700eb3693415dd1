// View board: the text encoding of the drawings (UTF-8 in memory, GBK in
// the DXF) and the symbol codes of the drawing standard.
#include "platform/Nirvox.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace {

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(m_cd); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in` completely; false when the input has no mapping.
  bool Convert(const char* in, std::size_t inSize, std::string& out) {
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // initial state
    char buffer[16];
    char* src = const_cast<char*>(in);
    std::size_t srcLeft = inSize;
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    if (iconv(m_cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft != 0) return false;
    out.append(buffer, sizeof buffer - dstLeft);
    return true;
  }

 private:
  iconv_t m_cd;
};

Converter& ToGbk() {
  thread_local Converter c("GBK", "UTF-32LE");
  return c;
}

Converter& FromGbk() {
  thread_local Converter c("UTF-32LE", "GBK");
  return c;
}

// Decodes one UTF-8 sequence at s[i]; returns its length (0 for an invalid
// sequence) and the code point.
std::size_t DecodeUtf8(const std::string& s, std::size_t i, char32_t& cp) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  std::size_t n;
  char32_t min;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    n = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf32Bytes(char32_t cp) {
  std::string b(4, '\0');
  for (int k = 0; k < 4; ++k) b[k] = static_cast<char>((cp >> (8 * k)) & 0xFF);
  return b;
}

// Length of a drawing-standard code at s[i] ("%%nnn" 5, "%%c" 3), or 0.
std::size_t CodeLength(const std::string& s, std::size_t i) {
  if (s.compare(i, 2, "%%") != 0 || i + 2 >= s.size()) return 0;
  if (i + 5 <= s.size() && std::isdigit(static_cast<unsigned char>(s[i + 2])) &&
      std::isdigit(static_cast<unsigned char>(s[i + 3])) && std::isdigit(static_cast<unsigned char>(s[i + 4]))) {
    return 5;
  }
  const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 2])));
  if (c == 'c' || c == 'd' || c == 'p' || c == '%') return 3;
  return 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string Utf8ToGbk(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const std::size_t n = DecodeUtf8(utf8, i, cp);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    i += n;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    const std::string unit = Utf32Bytes(cp);
    if (!ToGbk().Convert(unit.data(), unit.size(), out)) {
      char escape[16];
      std::snprintf(escape, sizeof escape, "\\U+%04X", static_cast<unsigned>(cp));
      out += escape;
    }
  }
  return out;
}

std::string GbkToUtf8(const std::string& gbk) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  for (std::size_t i = 0; i < gbk.size();) {
    const unsigned char b = static_cast<unsigned char>(gbk[i]);
    if (b < 0x80) {
      // "\U+XXXX": a character GBK cannot hold.
      if (b == '\\' && i + 7 <= gbk.size() && gbk[i + 1] == 'U' && gbk[i + 2] == '+') {
        int v = 0;
        bool ok = true;
        for (int k = 0; k < 4; ++k) {
          const int h = HexValue(gbk[i + 3 + k]);
          ok = ok && h >= 0;
          v = v * 16 + (h < 0 ? 0 : h);
        }
        if (ok) {
          AppendUtf8(out, static_cast<char32_t>(v));
          i += 7;
          continue;
        }
      }
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    std::string unit;
    if (i + 1 < gbk.size() && FromGbk().Convert(gbk.data() + i, 2, unit) && unit.size() == 4) {
      char32_t cp = 0;
      for (int k = 3; k >= 0; --k) cp = (cp << 8) | static_cast<unsigned char>(unit[k]);
      AppendUtf8(out, cp);
      i += 2;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++i;
    }
  }
  return out;
}

std::size_t TextMetricUnits(const std::string& utf8) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    if (const std::size_t code = CodeLength(utf8, i)) {
      ++units;
      i += code;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = DecodeUtf8(utf8, i, cp);
    if (n == 0) {
      ++units;  // drawn as "?"
      ++i;
      continue;
    }
    units += cp < 0x80 ? 1 : 2;
    i += n;
  }
  return units;
}

std::string PreviewText(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t code = CodeLength(utf8, i);
    if (code == 5) {
      const std::string number = utf8.substr(i + 2, 3);
      const char* glyph = nullptr;
      if (number == "130") glyph = "\u03A6";             // HPB: Φ
      else if (number == "131") glyph = "\u03A6\u2032";  // HRB335: Φ′
      else if (number == "132") glyph = "\u03A6\u2033";  // HRB400: Φ″
      else if (number == "133") glyph = "\u03A6R";       // RRB400: ΦR
      if (glyph) {
        out += glyph;
        i += 5;
        continue;
      }
    } else if (code == 3) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(utf8[i + 2])));
      out += c == 'c' ? "\u00D8" : c == 'd' ? "\u00B0" : c == 'p' ? "\u00B1" : "%";
      i += 3;
      continue;
    }
    out += utf8[i];
    ++i;
  }
  return out;
}
