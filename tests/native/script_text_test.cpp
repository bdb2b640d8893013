#include "ui/script_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrune {
namespace {

using namespace std::string_literals;

TEST(ScriptText, RecognisesOnlyACompleteUtf8Bom) {
  EXPECT_TRUE(startsWithUtf8Bom("\xEF\xBB\xBF"));
  EXPECT_TRUE(startsWithUtf8Bom("\xEF\xBB\xBFM|1|2|0"));
  EXPECT_FALSE(startsWithUtf8Bom(""));
  EXPECT_FALSE(startsWithUtf8Bom("\xEF\xBB"));       // cut short
  EXPECT_FALSE(startsWithUtf8Bom("M\xEF\xBB\xBF"));  // not at the start
  EXPECT_FALSE(
      startsWithUtf8Bom("\xFF\xFE"
                        "M\0"s));  // UTF-16 is not UTF-8
}

TEST(ScriptText, ReplacesEveryNulAndCountsThem) {
  std::string bytes = "\0M|1|\0\0|0\0"s;
  EXPECT_EQ(replaceNulBytes(bytes), 4u);
  EXPECT_EQ(bytes, " M|1|  |0 ");

  std::string clean = "T|500\r\n";
  EXPECT_EQ(replaceNulBytes(clean), 0u);
  EXPECT_EQ(clean, "T|500\r\n");
}

TEST(ScriptText, NormalisesLineBreaksToCrLf) {
  struct Case {
    std::string in;
    std::string out;
    bool changed;
  };
  const Case cases[] = {
      {"", "", false},
      {"a\r\nb", "a\r\nb", false},
      {"a\r\n", "a\r\n", false},
      {"a\nb\n", "a\r\nb\r\n", true},
      {"a\rb", "a\r\nb", true},
      {"a\r", "a\r\n", true},  // a lone CR at the very end
      {"\n", "\r\n", true},
      {"a\r\r\nb", "a\r\n\r\nb", true},
      {"a\n\rb", "a\r\n\r\nb", true},  // LF then CR: two breaks, not one
      {"a\r\nb\nc", "a\r\nb\r\nc", true},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    EXPECT_EQ(normalizeLineBreaks(text), c.changed) << testing::PrintToString(c.in);
    EXPECT_EQ(text, c.out) << testing::PrintToString(c.in);
  }
}

TEST(ScriptText, NumbersLinesFromOne) {
  const std::string text = "a\r\nbb\r\n\r\nc";
  EXPECT_EQ(lineNumberAt(text, 0), 1u);
  EXPECT_EQ(lineNumberAt(text, 2), 1u);  // the "\n" closing line 1
  EXPECT_EQ(lineNumberAt(text, 3), 2u);
  EXPECT_EQ(lineNumberAt(text, 9), 4u);   // "c"
  EXPECT_EQ(lineNumberAt(text, 99), 4u);  // past the end
  EXPECT_EQ(lineNumberAt("", 0), 1u);
}

TEST(ScriptText, LimitIsSixtyFourMebibytesInclusive) {
  EXPECT_TRUE(fitsScriptLimit(0));
  EXPECT_TRUE(fitsScriptLimit(64u * 1024 * 1024));
  EXPECT_FALSE(fitsScriptLimit(64u * 1024 * 1024 + 1));
}

}  // namespace
}  // namespace kestrune
