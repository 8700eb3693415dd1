#include "designer/ReinZoneInfoParser.h"

#include <cctype>
#include <sstream>

namespace {

// A decimal int read as a standard input stream reads one (leading blanks,
// optional sign, digits); the value stays as it was when none can be read.
void ReadNumber(const std::string& text, int& value) {
  std::istringstream in(text);
  int v = 0;
  if (in >> v) value = v;
}

bool IsSeparator(char c) { return c == '@' || c == '-'; }

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

ReinZoneInfoParser::ReinZoneInfoParser(const std::string& text) : m_text(text) {}

void ReinZoneInfoParser::SetText(const std::string& text) {
  m_text = text;
  m_position = 0;
}

char ReinZoneInfoParser::NextChar() {
  if (m_position < 0 || static_cast<std::size_t>(m_position) >= m_text.size()) {
    ++m_position;
    return 0;
  }
  return m_text[static_cast<std::size_t>(m_position++)];
}

std::size_t ReinZoneInfoParser::LabelStart() const {
  for (std::size_t at = m_text.find("%%1"); at != std::string::npos; at = m_text.find("%%1", at + 1))
    if (at + 4 < m_text.size() && IsDigit(m_text[at + 3]) && IsDigit(m_text[at + 4])) return at;
  return std::string::npos;
}

bool ReinZoneInfoParser::Parse() {
  // The label part is read; a text without one from its start.
  const std::size_t start = LabelStart();
  const int offset = start == std::string::npos ? 0 : static_cast<int>(start);
  if (m_position < offset) m_position = offset;
  std::string buffer;
  bool prefix = false, code = false, diameter = false, separated = false;
  for (char c = NextChar(); c != 0; c = NextChar()) {
    buffer += c;
    const int at = m_position - offset;
    if (at == 2) {
      prefix = buffer == "%%";
      buffer.clear();
    } else if (at == 5) {
      ReadNumber(buffer, m_gradeCode);
      code = m_gradeCode >= 130 && m_gradeCode <= 133;
      buffer.clear();
    } else if (IsSeparator(c)) {
      buffer.pop_back();
      ReadNumber(buffer, m_diameter);
      diameter = m_diameter > 0;
      separated = true;
      buffer.clear();
    }
  }
  // The spacing is the text after the last separator; a label without one
  // has none (the diameter and spacing read before stay).
  if (separated) ReadNumber(buffer, m_spacing);
  return prefix && code && diameter && separated && m_spacing > 0;
}

void ReinZoneInfoParser::SetGradeCode(int code) {
  m_position = 0;
  const std::size_t start = LabelStart();
  if (start == std::string::npos) return;
  m_text.replace(start + 2, 3, std::to_string(code));
}

void ReinZoneInfoParser::SetDiameter(int diameter) {
  m_position = 0;
  const std::size_t start = LabelStart();
  if (start == std::string::npos || start + 5 > m_text.size()) return;
  std::size_t end = start + 5;
  const std::size_t separator = m_text.find_first_of("@-", end);
  if (separator != std::string::npos) {
    end = separator;
  } else {
    // A label without spacing ("4%%13112"): the diameter's digits.
    while (end < m_text.size() && IsDigit(m_text[end])) ++end;
    if (end == start + 5) return;
  }
  m_text.replace(start + 5, end - (start + 5), std::to_string(diameter));
}

void ReinZoneInfoParser::SetSpacing(int spacing) {
  m_position = 0;
  const std::size_t start = LabelStart();
  if (start == std::string::npos) return;
  const std::size_t separator = m_text.find_first_of("@-", start + 5);
  if (separator == std::string::npos) return;
  m_text.replace(separator + 1, std::string::npos, std::to_string(spacing));
}
