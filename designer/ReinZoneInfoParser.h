// The rebar label parser: reads the three numbers of a rebar label
// ("%%13112@150": grade symbol code, diameter, spacing) and replaces any one
// of them in the text, leaving the rest of the text as it was.
//
// The label is the part of the text from its first "%%1" followed by two
// digits; what stands before it (a bar count "4%%13112", a prefix
// "上下各2%%13112@150") stays.  Positions below are byte positions within
// that part:
// - 0 and 1: "%%";
// - 2 to 4: the grade symbol code (130 + grade index; 180 for a grade
//   outside the four);
// - from 5 up to the first "@" or "-": the diameter;
// - after that separator: the spacing.
// A text without such a part is never changed by the set operations (a bar
// length mark "12345" under the same zone stays "12345"); Parse reads it
// from its first character.
#pragma once

#include <string>

class ReinZoneInfoParser {
 public:
  explicit ReinZoneInfoParser(const std::string& text);
  virtual ~ReinZoneInfoParser() = default;

  // Replaces the text; the read position goes back to 0, the three numbers
  // keep their values.
  void SetText(const std::string& text);
  // The character at the read position (0 at the end), then position + 1.
  char NextChar();
  // Reads the three numbers: true when the text starts its label with "%%",
  // the code lies in 130..133, and the diameter and the spacing are
  // positive.  A number that cannot be read keeps its previous value.
  bool Parse();
  int GetGradeCode() const { return m_gradeCode; }
  int GetDiameter() const { return m_diameter; }
  int GetSpacing() const { return m_spacing; }
  // Replace the code digits; the diameter (up to the separator, or the
  // diameter's digits in a label without spacing); everything after the
  // separator.  A text without a label part (or without a separator, for
  // the spacing) is left as it was.
  void SetGradeCode(int code);
  void SetDiameter(int diameter);
  void SetSpacing(int spacing);
  std::string GetText() const { return m_text; }

 private:
  // The start of the label part; npos when the text has none.
  std::size_t LabelStart() const;

  std::string m_text;
  int m_gradeCode = 0;
  int m_diameter = 0;
  int m_spacing = 0;
  int m_position = 0;
};
