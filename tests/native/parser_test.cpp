#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "script/messages.h"
#include "script/parser.h"
#include "ui/settings/initial_script.h"

namespace kestrune {

// Readable failure output for the parser's results.
void PrintTo(const Statement& s, std::ostream* os) {
  *os << "line " << s.line << ": ";
  if (const auto* m = std::get_if<MouseAction>(&s.action)) {
    *os << "M " << m->x << ',' << m->y << " kind " << static_cast<int>(m->kind);
  } else {
    const auto& d = std::get<Delay>(s.action);
    *os << "T " << d.low << (d.random ? " to " : " fixed ") << d.high;
  }
}

namespace {

using namespace std::literals;

// The system's texts, written out here byte for byte rather than taken from
// messages.h, so a changed byte there fails these tests.
constexpr auto kEmpty = "未写入任何代码！\r\n"sv;
constexpr auto kOnlyComments = "只有注释文本，没有需要执行的代码！\r\n"sv;
constexpr auto kFieldCount = "代码数组数量错误！\r\n"sv;
constexpr auto kClickKind = "最后一个参数错误，只能为 0左击 1双击 2右击 3右键双击！\r\n"sv;
constexpr auto kUnknown = "代码错误！\r\n"sv;

Statement mouse(std::size_t line, int x, int y, ClickKind kind) {
  return {line, MouseAction{x, y, kind}};
}
Statement fixed(std::size_t line, int ms) {
  return {line, Delay{ms, ms, false}};
}
Statement range(std::size_t line, int low, int high) {
  return {line, Delay{low, high, true}};
}

ScriptFault faultAt(std::string_view message, std::size_t line, std::string_view statement) {
  return {message, "代码中有错误，已停止运行！\r\n第" + std::to_string(line) + "行：" +
                       std::string(statement) + "\r\n"};
}

struct ParseCase {
  const char* name;
  std::string_view text;
  std::vector<Statement> statements;
  std::optional<ScriptFault> fault;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << c.name;
}

class ParseTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, YieldsStatementsOrFirstFault) {
  const ParseCase& c = GetParam();
  const ParsedScript parsed = parseScript(c.text);
  EXPECT_EQ(parsed.statements, c.statements);
  ASSERT_EQ(parsed.fault.has_value(), c.fault.has_value());
  if (c.fault) {
    EXPECT_EQ(parsed.fault->message, c.fault->message);
    EXPECT_EQ(parsed.fault->stopReport, c.fault->stopReport);
  }
}

using CK = ClickKind;

const ParseCase kValid[] = {
    {"InitialScript",
     kInitialScript,
     {mouse(17, 200, 100, CK::LeftClick), fixed(18, 500), mouse(19, 300, 600, CK::DoubleClick),
      range(20, 1000, 1500), mouse(21, 450, 200, CK::RightClick), fixed(22, 1000)},
     {}},
    {"ZeroDelay", "T|0", {fixed(1, 0)}, {}},
    {"CommentRightAfterLastField", "T|500'half a second", {fixed(1, 500)}, {}},
    {"FullWidthQuotesStartComments", "T|5‘a|b\r\n’M|1\r\nT|6’x", {fixed(1, 5), fixed(3, 6)}, {}},
    {"LowerCaseCommands",
     "m|1|2|3\r\nt|4",
     {mouse(1, 1, 2, CK::RightDoubleClick), fixed(2, 4)},
     {}},
    {"BlanksAroundFields", " \tM | -5 |\t7 | 1 \t'c", {mouse(1, -5, 7, CK::DoubleClick)}, {}},
    {"BlanksAroundRangeDash", "T| 1000 \t-  1500 ", {range(1, 1000, 1500)}, {}},
    {"ReversedRangeMeansSameRange", "T|1500-1000", {range(1, 1000, 1500)}, {}},
    {"EqualRangeBounds", "T|800-800", {range(1, 800, 800)}, {}},
    {"Int32Bounds",
     "M|-2147483648|2147483647|0\r\nT|2147483647\r\nT|0-2147483647",
     {mouse(1, INT32_MIN, INT32_MAX, CK::LeftClick), fixed(2, 2147483647), range(3, 0, 2147483647)},
     {}},
    {"LeadingZeros", "M|007|-00|03", {mouse(1, 7, 0, CK::RightDoubleClick)}, {}},
    {"EveryLineCounts", "'c\r\n\r\n  \r\nT|1\r\n", {fixed(4, 1)}, {}},
    {"LoneNewlinesCutLines",
     "T|1\nT|2\r\nT|3\n\nT|4",
     {fixed(1, 1), fixed(2, 2), fixed(3, 3), fixed(5, 4)},
     {}},
    {"CarriageReturnAtEnd", "T|1\r", {fixed(1, 1)}, {}},
};

const ParseCase kNothingToRun[] = {
    {"EmptyText", "", {}, ScriptFault{kEmpty, ""}},
    {"CommentsAndBlanksOnly", "'a\r\n\r\n \t\r\n‘b\r\n  ’c", {}, ScriptFault{kOnlyComments, ""}},
    {"LineBreaksOnly", "\r\n\n", {}, ScriptFault{kOnlyComments, ""}},
};

const ParseCase kFaults[] = {
    {"MouseWithThreeFields", "M|10|20", {}, faultAt(kFieldCount, 1, "M|10|20")},
    {"DelayWithThreeFields", "T|5|6", {}, faultAt(kFieldCount, 1, "T|5|6")},
    {"MouseWithFiveFields", "M|1|2|0|", {}, faultAt(kFieldCount, 1, "M|1|2|0|")},
    {"CommandAlone", "T", {}, faultAt(kFieldCount, 1, "T")},
    {"ClickKindFour", "M|10|20|4", {}, faultAt(kClickKind, 1, "M|10|20|4")},
    {"UnknownCommand", "X|1|2", {}, faultAt(kUnknown, 1, "X|1|2")},
    {"CommandOfTwoLetters", "MM|1|2|0", {}, faultAt(kUnknown, 1, "MM|1|2|0")},
    {"NoCommand", "|1|2", {}, faultAt(kUnknown, 1, "|1|2")},
    // The command letter is judged before the field count, the count before the fields.
    {"UnknownCommandWithWrongCount", "Q|1", {}, faultAt(kUnknown, 1, "Q|1")},
    {"CountBeforeFieldValues", "M|a|b", {}, faultAt(kFieldCount, 1, "M|a|b")},
    // The report names the line the user sees, and the statement without its
    // comment and outer blanks; the statements read before it are dropped.
    {"ReportNamesLineAndTrimmedStatement",
     "'doc\r\n\r\nT|1\r\n \t T|5 | 6  \t'six",
     {},
     ScriptFault{kFieldCount, "代码中有错误，已停止运行！\r\n第4行：T|5 | 6\r\n"}},
    {"FirstFaultWins", "M|1|2|9\r\nX|1", {}, faultAt(kClickKind, 1, "M|1|2|9")},
    {"FaultOnLoneNewlineLine",
     "T|1\n\nT|x\r\n",
     {},
     faultAt(messages::kWrongDelayLength, 3, "T|x")},

    {"XLetters", "M|a|1|0", {}, faultAt(messages::kWrongX, 1, "M|a|1|0")},
    {"XEmpty", "M||1|0", {}, faultAt(messages::kWrongX, 1, "M||1|0")},
    {"XPlusSign", "M|+1|1|0", {}, faultAt(messages::kWrongX, 1, "M|+1|1|0")},
    {"XDecimal", "M|1.5|1|0", {}, faultAt(messages::kWrongX, 1, "M|1.5|1|0")},
    {"XHex", "M|0x10|1|0", {}, faultAt(messages::kWrongX, 1, "M|0x10|1|0")},
    {"XBlankAfterMinus", "M|- 1|1|0", {}, faultAt(messages::kWrongX, 1, "M|- 1|1|0")},
    {"XAboveInt32", "M|2147483648|1|0", {}, faultAt(messages::kWrongX, 1, "M|2147483648|1|0")},
    {"XBelowInt32", "M|-2147483649|1|0", {}, faultAt(messages::kWrongX, 1, "M|-2147483649|1|0")},
    {"YLetters", "M|1|y|0", {}, faultAt(messages::kWrongY, 1, "M|1|y|0")},
    {"YOverflow", "M|1|99999999999|0", {}, faultAt(messages::kWrongY, 1, "M|1|99999999999|0")},
    {"ClickKindEmpty", "M|1|2|", {}, faultAt(kClickKind, 1, "M|1|2|")},
    {"ClickKindNegative", "M|1|2|-1", {}, faultAt(kClickKind, 1, "M|1|2|-1")},
    {"ClickKindDecimal", "M|1|2|1.0", {}, faultAt(kClickKind, 1, "M|1|2|1.0")},

    {"DurationEmpty", "T|", {}, faultAt(messages::kWrongDelayLength, 1, "T|")},
    {"DurationNegative", "T|-5", {}, faultAt(messages::kWrongDelayLength, 1, "T|-5")},
    {"DurationDecimal", "T|1.5", {}, faultAt(messages::kWrongDelayLength, 1, "T|1.5")},
    {"DurationOverflow",
     "T|2147483648",
     {},
     faultAt(messages::kWrongDelayLength, 1, "T|2147483648")},
    {"DurationPlusSign", "T|+5", {}, faultAt(messages::kWrongDelayLength, 1, "T|+5")},
    {"RangeLowLetters", "T|a-5", {}, faultAt(messages::kWrongDelayLength, 1, "T|a-5")},
    {"RangeHighMissing", "T|5-", {}, faultAt(messages::kWrongDelayRangeEnd, 1, "T|5-")},
    {"RangeHighNegative", "T|5--6", {}, faultAt(messages::kWrongDelayRangeEnd, 1, "T|5--6")},
    {"RangeOfThree", "T|1-2-3", {}, faultAt(messages::kWrongDelayRangeEnd, 1, "T|1-2-3")},
    {"RangeHighOverflow",
     "T|1-2147483648",
     {},
     faultAt(messages::kWrongDelayRangeEnd, 1, "T|1-2147483648")},
};

// Arbitrary bytes reach the parser from files: they are read, never trusted.
const ParseCase kOddBytes[] = {
    {"NulInField", "T|5\0"sv, {}, faultAt(messages::kWrongDelayLength, 1, "T|5\0"sv)},
    {"NulOnlyLine", "\0"sv, {}, faultAt(kUnknown, 1, "\0"sv)},
    {"TruncatedQuoteAtEnd",
     "T|5\xE2\x80",
     {},
     faultAt(messages::kWrongDelayLength, 1, "T|5\xE2\x80")},
    {"OtherE280Character",
     "T|5\xE2\x80\x9C",
     {},
     faultAt(messages::kWrongDelayLength, 1, "T|5\xE2\x80\x9C")},
    {"InvalidUtf8InComment", "T|5'\xFF\xFE\xE2", {fixed(1, 5)}, {}},
    {"CarriageReturnInsideLine", "T|5\rT|6", {}, faultAt(kFieldCount, 1, "T|5\rT|6")},
};

std::string caseName(const testing::TestParamInfo<ParseCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Valid, ParseTable, testing::ValuesIn(kValid), caseName);
INSTANTIATE_TEST_SUITE_P(NothingToRun, ParseTable, testing::ValuesIn(kNothingToRun), caseName);
INSTANTIATE_TEST_SUITE_P(Faults, ParseTable, testing::ValuesIn(kFaults), caseName);
INSTANTIATE_TEST_SUITE_P(OddBytes, ParseTable, testing::ValuesIn(kOddBytes), caseName);

// The editor's initial content is stored as UTF-8 but is, for the user, the
// GBK text of the documentation: 710 bytes, 22 lines, no final line break.
TEST(InitialScript, IsTheDocumentedGbkText) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in(kInitialScript);
  std::string out(4 * in.size(), '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  std::size_t inLeft = in.size();
  std::size_t outLeft = out.size();
  const std::size_t converted = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  ASSERT_NE(converted, static_cast<std::size_t>(-1)) << "not representable in GBK";
  EXPECT_EQ(inLeft, 0u);
  EXPECT_EQ(out.size() - outLeft, 710u);

  std::size_t breaks = 0;
  for (std::size_t at = kInitialScript.find("\r\n"); at != std::string_view::npos;
       at = kInitialScript.find("\r\n", at + 2)) {
    ++breaks;
  }
  EXPECT_EQ(breaks, 21u);
  EXPECT_FALSE(kInitialScript.ends_with("\r\n"));
}

}  // namespace
}  // namespace kestrune
