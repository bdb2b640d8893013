#include "script/parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <system_error>

#include "script/messages.h"

namespace kestrune {
namespace {

constexpr bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The statement part of a line, cut into its "|"-separated fields. Only the
// first four fields are kept; the count alone decides a fault.
struct Code {
  std::string_view text;  // comment removed, blanks trimmed
  std::array<std::string_view, 4> fields;
  std::size_t fieldCount = 0;
};

// One pass over the line finds both the comment and the field separators:
// scripts of short statements spend their time here. Users type the
// full-width quotation marks "‘" and "’" (E2 80 98, E2 80 99 in UTF-8) with a
// Chinese input method on, meaning "'"; they start a comment too.
Code readCode(std::string_view line) {
  std::array<std::size_t, 4> bars{};
  std::size_t barCount = 0;
  std::size_t stop = 0;
  const std::size_t n = line.size();
  for (; stop < n; ++stop) {
    const char c = line[stop];
    if (c == '|') {
      if (barCount < bars.size()) bars[barCount] = stop;
      ++barCount;
    } else if (c == '\'') {
      break;
    } else if (c == '\xE2' && stop + 2 < n && line[stop + 1] == '\x80' &&
               (line[stop + 2] == '\x98' || line[stop + 2] == '\x99')) {
      break;
    }
  }
  std::size_t first = 0;
  while (first < stop && isBlank(line[first])) ++first;
  while (stop > first && isBlank(line[stop - 1])) --stop;

  // Separators are never blank, so trimming moved no "|" out of the code.
  Code code;
  code.text = line.substr(first, stop - first);
  code.fieldCount = barCount + 1;
  const std::size_t kept = std::min(barCount, bars.size());
  std::size_t fieldStart = first;
  for (std::size_t i = 0; i < kept; ++i) {
    code.fields[i] = trim(line.substr(fieldStart, bars[i] - fieldStart));
    fieldStart = bars[i] + 1;
  }
  if (kept < code.fields.size())
    code.fields[kept] = trim(line.substr(fieldStart, stop - fieldStart));
  return code;
}

// A whole field as a decimal int: an optional "-" (only when `signedField`)
// then digits, nothing else. No "+", no spaces inside, no overflow.
std::optional<int> readInteger(std::string_view field, bool signedField) {
  if (field.empty() || (!signedField && field.front() == '-')) return std::nullopt;
  int value = 0;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  if (error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

ScriptFault statementFault(std::string_view message, std::size_t line, std::string_view text) {
  std::array<char, 24> digits{};
  const auto converted = std::to_chars(digits.data(), digits.data() + digits.size(), line);
  const std::string_view number(digits.data(),
                                static_cast<std::size_t>(converted.ptr - digits.data()));

  ScriptFault fault{message, {}};
  std::string& report = fault.stopReport;
  report.reserve(messages::kStopped.size() + messages::kLineBefore.size() + number.size() +
                 messages::kLineAfter.size() + text.size() + messages::kLineEnd.size());
  report += messages::kStopped;
  report += messages::kLineBefore;
  report += number;
  report += messages::kLineAfter;
  report += text;
  report += messages::kLineEnd;
  return fault;
}

// Reads one statement into `out`, or returns the message of its fault.
std::optional<std::string_view> readStatement(const Code& code, std::size_t line,
                                              std::vector<Statement>& out) {
  const auto& fields = code.fields;
  const std::size_t count = code.fieldCount;
  const std::string_view command = fields[0];
  if (command == "M" || command == "m") {
    if (count != 4) return messages::kWrongFieldCount;
    const auto x = readInteger(fields[1], true);
    if (!x) return messages::kWrongX;
    const auto y = readInteger(fields[2], true);
    if (!y) return messages::kWrongY;
    const auto kind = readInteger(fields[3], false);
    if (!kind || *kind > 3) return messages::kWrongClickKind;
    out.push_back({line, MouseAction{*x, *y, static_cast<ClickKind>(*kind)}});
    return std::nullopt;
  }
  if (command == "T" || command == "t") {
    if (count != 2) return messages::kWrongFieldCount;
    const std::string_view duration = fields[1];
    const std::size_t dash = duration.find('-');
    if (dash == std::string_view::npos) {
      const auto length = readInteger(duration, false);
      if (!length) return messages::kWrongDelayLength;
      out.push_back({line, Delay{*length, *length, false}});
      return std::nullopt;
    }
    const auto low = readInteger(trim(duration.substr(0, dash)), false);
    if (!low) return messages::kWrongDelayLength;
    const auto high = readInteger(trim(duration.substr(dash + 1)), false);
    if (!high) return messages::kWrongDelayRangeEnd;
    // "T|1500-1000" can only mean the same range as "T|1000-1500".
    out.push_back({line, Delay{std::min(*low, *high), std::max(*low, *high), true}});
    return std::nullopt;
  }
  return messages::kUnknownCommand;
}

// No script has more statements than lines, nor more than one per four bytes
// ("T|0" and its line break). Reserving that much up front spares long
// scripts the copies of a growing vector; untouched pages cost nothing.
std::size_t statementBound(std::string_view text) {
  std::size_t lines = 1;
  const char* at = text.data();
  const char* const end = at + text.size();
  while ((at = static_cast<const char*>(
              std::memchr(at, '\n', static_cast<std::size_t>(end - at)))) != nullptr) {
    ++lines;
    ++at;
  }
  return std::min(lines, text.size() / 4 + 1);
}

}  // namespace

ParsedScript parseScript(std::string_view text) {
  ParsedScript result;
  if (text.empty()) {
    result.fault = ScriptFault{messages::kEmptyScript, {}};
    return result;
  }
  result.statements.reserve(statementBound(text));
  std::size_t lineNumber = 0;
  for (std::size_t pos = 0;;) {
    ++lineNumber;
    const std::size_t newline = text.find('\n', pos);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const Code code = readCode(line);
    if (!code.text.empty()) {
      if (const auto message = readStatement(code, lineNumber, result.statements)) {
        result.statements.clear();
        result.fault = statementFault(*message, lineNumber, code.text);
        return result;
      }
    }
    if (newline == std::string_view::npos) break;
    pos = newline + 1;
  }
  if (result.statements.empty()) result.fault = ScriptFault{messages::kOnlyComments, {}};
  return result;
}

}  // namespace kestrune
