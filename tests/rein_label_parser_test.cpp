// The rebar label parser: reading the grade code, diameter and spacing of a
// label, and replacing one of them without touching the rest of the text
// (a count or prefix before the label, texts that carry no label at all).
#include "designer/ReinZoneInfoParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReinLabelParser, ReadsTheThreeNumbers) {
  struct Case {
    const char* text;
    bool ok;
    int code, diameter, spacing;
  };
  const Case cases[] = {
      {"%%13112@150", true, 131, 12, 150},
      {"%%1308@200", true, 130, 8, 200},
      {"%%13316-100", true, 133, 16, 100},  // the "-" separator
      {"%%18012@150", false, 180, 12, 150},  // a grade outside the four
      {"上下各2%%13112@150", true, 131, 12, 150},
      {"4%%13214@200", true, 132, 14, 200},
      // With several separators the last decides.
      {"%%13112@150@175", true, 131, 150, 175},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ReinZoneInfoParser parser(c.text);
    EXPECT_EQ(parser.Parse(), c.ok);
    EXPECT_EQ(parser.GetGradeCode(), c.code);
    EXPECT_EQ(parser.GetDiameter(), c.diameter);
    EXPECT_EQ(parser.GetSpacing(), c.spacing);
  }
}

TEST(ReinLabelParser, MissingNumbersKeepTheirValues) {
  ReinZoneInfoParser parser("%");
  EXPECT_FALSE(parser.Parse());
  EXPECT_EQ(parser.GetDiameter(), 0);

  parser.SetText("%%13112@150");
  ASSERT_TRUE(parser.Parse());
  // No separator: diameter and spacing as read before, result false.
  parser.SetText("%%13216");
  EXPECT_FALSE(parser.Parse());
  EXPECT_EQ(parser.GetGradeCode(), 132);
  EXPECT_EQ(parser.GetDiameter(), 12);
  EXPECT_EQ(parser.GetSpacing(), 150);
  // A new text without a spacing number keeps the spacing read before.
  parser.SetText("%%13114@");
  EXPECT_TRUE(parser.Parse());
  EXPECT_EQ(parser.GetDiameter(), 14);
  EXPECT_EQ(parser.GetSpacing(), 150);
}

TEST(ReinLabelParser, SetOperationsChangeOnlyTheirNumber) {
  struct Case {
    const char* text;
    char what;  // 'c' code, 'd' diameter, 's' spacing
    int value;
    const char* expected;
  };
  const Case cases[] = {
      {"%%13112@150", 's', 200, "%%13112@200"},
      {"%%13112@150", 'd', 14, "%%13114@150"},
      {"%%13112@150", 'c', 132, "%%13212@150"},
      {"%%13112-150", 'd', 8, "%%1318-150"},
      {"%%13112@150", 's', 1000, "%%13112@1000"},
      // A count or a prefix before the label stays.
      {"上下各2%%13112@150", 's', 200, "上下各2%%13112@200"},
      {"上下各2%%13112@150", 'd', 16, "上下各2%%13116@150"},
      {"上下各2%%13112@150", 'c', 133, "上下各2%%13312@150"},
      {"4%%13112", 'd', 14, "4%%13114"},
      {"4%%13112", 'c', 130, "4%%13012"},
      {"4%%13112", 's', 200, "4%%13112"},  // no spacing to replace
      // Texts without a label are never changed.
      {"12345", 'd', 14, "12345"},
      {"12345", 'c', 132, "12345"},
      {"12345", 's', 200, "12345"},
      {"L=851", 'd', 14, "L=851"},
      {"%%", 'c', 132, "%%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + c.what);
    ReinZoneInfoParser parser(c.text);
    if (c.what == 'c') parser.SetGradeCode(c.value);
    else if (c.what == 'd') parser.SetDiameter(c.value);
    else parser.SetSpacing(c.value);
    EXPECT_EQ(parser.GetText(), c.expected);
  }
}

}  // namespace
