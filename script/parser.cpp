#include "script/parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
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

// What the line scanner must notice about a byte; most bytes are kPlain and
// cost one table look-up.
enum ByteClass : unsigned char { kPlain, kNewline, kBar, kQuote, kLeadE2, kBlankByte };

constexpr std::array<ByteClass, 256> kByteClasses = [] {
  std::array<ByteClass, 256> classes{};
  classes['\n'] = kNewline;
  classes['|'] = kBar;
  classes['\''] = kQuote;
  classes[0xE2] = kLeadE2;
  classes[' '] = kBlankByte;
  classes['\t'] = kBlankByte;
  return classes;
}();

// One pass over a line finds its end, its comment and its field separators:
// scripts of short statements spend their time here, so each byte of a
// statement is looked at once, and the blanks are only trimmed from lines
// that have any. A comment is then skipped with memchr. Users type the
// full-width quotation marks "‘" and "’" (E2 80 98, E2 80 99 in UTF-8) with a
// Chinese input method on, meaning "'"; they start a comment too.
// Returns where the next line starts (`end` after the last line).
const char* readLine(const char* const begin, const char* const end, Code& code) {
  std::array<const char*, 4> bars{};
  std::size_t barCount = 0;
  bool blanks = false;
  bool comment = false;
  const char* at = begin;
  for (; at < end; ++at) {
    const ByteClass byteClass = kByteClasses[static_cast<unsigned char>(*at)];
    if (byteClass == kPlain) continue;
    if (byteClass == kNewline) break;
    if (byteClass == kBar) {
      if (barCount < bars.size()) bars[barCount] = at;
      ++barCount;
    } else if (byteClass == kBlankByte) {
      blanks = true;
    } else if (byteClass == kQuote ||
               (end - at > 2 && at[1] == '\x80' && (at[2] == '\x98' || at[2] == '\x99'))) {
      comment = true;
      break;
    }
  }
  const char* first = begin;
  const char* stop = at;
  const char* next = end;
  if (comment) {
    if (const void* newline = std::memchr(at, '\n', static_cast<std::size_t>(end - at)))
      next = static_cast<const char*>(newline) + 1;
  } else {
    if (at < end) next = at + 1;
    // The "\r" of a "\r\n" belongs to the line break, not to the code.
    if (stop > begin && stop[-1] == '\r') --stop;
  }
  auto field = [blanks](const char* from, const char* to) {
    const std::string_view text(from, static_cast<std::size_t>(to - from));
    return blanks ? trim(text) : text;
  };

  // Separators are never blank, so trimming moves no "|" out of the code.
  code.text = field(first, stop);
  code.fieldCount = barCount + 1;
  const std::size_t kept = std::min(barCount, bars.size());
  for (std::size_t i = 0; i < kept; ++i) {
    code.fields[i] = field(first, bars[i]);
    first = bars[i] + 1;
  }
  if (kept < code.fields.size()) code.fields[kept] = field(first, stop);
  return next;
}

// A whole field as a decimal int: an optional "-" (only when `signedField`)
// then digits, nothing else. No "+", no spaces inside, no overflow. Written
// out rather than std::from_chars, which costs a quarter of a long script's
// reading time; any number of leading zeros is fine.
std::optional<int> readInteger(std::string_view field, bool signedField) {
  const char* at = field.data();
  const char* const end = at + field.size();
  const bool negative = at < end && *at == '-';
  if (negative) {
    if (!signedField) return std::nullopt;
    ++at;
  }
  if (at == end) return std::nullopt;
  // 2147483648 is the magnitude of the smallest int; stopping beyond it
  // keeps the sum far from overflowing.
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
  std::uint64_t magnitude = 0;
  for (; at < end; ++at) {
    const auto digit = static_cast<unsigned char>(*at - '0');
    if (digit > 9) return std::nullopt;
    magnitude = magnitude * 10 + digit;
    if (magnitude > kLimit) return std::nullopt;
  }
  if (negative) return static_cast<int>(-static_cast<std::int64_t>(magnitude));
  if (magnitude == kLimit) return std::nullopt;
  return static_cast<int>(magnitude);
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

// The number of "\n" bytes, eight at a time: a byte equal to "\n" becomes
// zero under the XOR, and the arithmetic below sets the top bit of exactly
// the zero bytes, without carries between bytes.
std::size_t countNewlines(std::string_view text) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
  std::size_t count = 0;
  const char* at = text.data();
  const char* const end = at + text.size();
  for (; end - at >= 8; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    word ^= kOnes * '\n';
    const std::uint64_t zeros = ~(((word & kLow7) + kLow7) | word | kLow7);
    count += static_cast<std::size_t>(((zeros >> 7) * kOnes) >> 56);
  }
  for (; at < end; ++at) count += *at == '\n';
  return count;
}

// No script has more statements than lines, nor more than one per four bytes
// ("T|0" and its line break). Reserving that much up front spares long
// scripts the copies of a growing vector; untouched pages cost nothing.
std::size_t statementBound(std::string_view text) {
  return std::min(countNewlines(text) + 1, text.size() / 4 + 1);
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
  const char* const end = text.data() + text.size();
  for (const char* line = text.data();;) {
    ++lineNumber;
    Code code;
    const char* const next = readLine(line, end, code);
    if (!code.text.empty()) {
      if (const auto message = readStatement(code, lineNumber, result.statements)) {
        result.statements.clear();
        result.fault = statementFault(*message, lineNumber, code.text);
        return result;
      }
    }
    // The last line is the one that does not end in "\n".
    if (next == end && (next == line || next[-1] != '\n')) break;
    line = next;
  }
  if (result.statements.empty()) result.fault = ScriptFault{messages::kOnlyComments, {}};
  return result;
}

}  // namespace kestrune
