// Feeds arbitrary bytes to the script reader: a script file may hold
// anything. Besides the sanitizers, it checks what every caller relies on:
// a result is either statements or one fault, the fault names a real line,
// every statement is well-formed, and writing the statements out again in
// their plain form reads back to the same statements.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "script/messages.h"
#include "script/parser.h"

namespace {

using kestrune::Delay;
using kestrune::MouseAction;
using kestrune::ParsedScript;
using kestrune::Statement;
namespace messages = kestrune::messages;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "parse_script invariant broken: %s\n", what);
  std::abort();
}

void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

// The lines as the user's editor shows them: cut at "\n", one "\r" before it dropped.
std::vector<std::string_view> editorLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t pos = 0;;) {
    const std::size_t newline = text.find('\n', pos);
    std::string_view line =
        text.substr(pos, newline == std::string_view::npos ? text.npos : newline - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (newline == std::string_view::npos) return lines;
    pos = newline + 1;
  }
}

bool isStatementFault(std::string_view message) {
  for (const std::string_view known :
       {messages::kWrongFieldCount, messages::kWrongClickKind, messages::kUnknownCommand,
        messages::kWrongX, messages::kWrongY, messages::kWrongDelayLength,
        messages::kWrongDelayRangeEnd}) {
    if (message == known) return true;
  }
  return false;
}

void checkFault(std::string_view text, const ParsedScript& parsed) {
  const auto& fault = *parsed.fault;
  check(parsed.statements.empty(), "statements returned beside a fault");
  check(fault.message.ends_with("\r\n"), "fault message without its line break");
  if (text.empty()) {
    check(fault.message == messages::kEmptyScript && fault.stopReport.empty(),
          "empty text not reported as empty");
    return;
  }
  if (fault.message == messages::kOnlyComments) {
    check(fault.stopReport.empty(), "stop report after a script without statements");
    return;
  }
  check(isStatementFault(fault.message), "unknown fault message");

  // "代码中有错误，已停止运行！\r\n第" N "行：" statement "\r\n"
  std::string_view report = fault.stopReport;
  const std::string head = std::string(messages::kStopped) + std::string(messages::kLineBefore);
  check(report.starts_with(head) && report.ends_with(messages::kLineEnd), "malformed stop report");
  report.remove_prefix(head.size());
  report.remove_suffix(messages::kLineEnd.size());
  std::size_t line = 0;
  std::size_t digits = 0;
  while (digits < report.size() && report[digits] >= '0' && report[digits] <= '9') {
    line = line * 10 + static_cast<std::size_t>(report[digits] - '0');
    ++digits;
  }
  check(digits > 0 && report.substr(digits).starts_with(messages::kLineAfter),
        "stop report without a line number");
  const std::string_view statement = report.substr(digits + messages::kLineAfter.size());
  const auto lines = editorLines(text);
  check(line >= 1 && line <= lines.size(), "stop report names a line the text does not have");
  check(!statement.empty(), "stop report names no statement");
  check(lines[line - 1].find(statement) != std::string_view::npos,
        "stop report quotes text that is not on its line");
}

std::string plainForm(const Statement& statement) {
  if (const auto* mouse = std::get_if<MouseAction>(&statement.action)) {
    return "M|" + std::to_string(mouse->x) + "|" + std::to_string(mouse->y) + "|" +
           std::to_string(static_cast<int>(mouse->kind));
  }
  const auto& delay = std::get<Delay>(statement.action);
  if (!delay.random) return "T|" + std::to_string(delay.low);
  return "T|" + std::to_string(delay.low) + "-" + std::to_string(delay.high);
}

void checkStatements(std::string_view text, const ParsedScript& parsed) {
  check(!parsed.statements.empty(), "neither statements nor a fault");
  const std::size_t lineCount = editorLines(text).size();
  std::size_t previousLine = 0;
  std::string rewritten;
  std::size_t rewrittenLine = 1;
  for (const Statement& statement : parsed.statements) {
    check(statement.line > previousLine && statement.line <= lineCount,
          "statement lines out of order or beyond the text");
    previousLine = statement.line;
    if (const auto* mouse = std::get_if<MouseAction>(&statement.action)) {
      const int kind = static_cast<int>(mouse->kind);
      check(kind >= 0 && kind <= 3, "click kind outside 0..3");
    } else {
      const auto& delay = std::get<Delay>(statement.action);
      check(delay.low >= 0 && delay.low <= delay.high, "delay bounds out of order or negative");
      check(delay.random || delay.low == delay.high, "fixed delay with two bounds");
    }
    for (; rewrittenLine < statement.line; ++rewrittenLine) rewritten += "\r\n";
    rewritten += plainForm(statement);
  }
  const ParsedScript again = kestrune::parseScript(rewritten);
  check(!again.fault && again.statements == parsed.statements,
        "statements written out plainly read back differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ParsedScript parsed = kestrune::parseScript(text);
  if (parsed.fault) {
    checkFault(text, parsed);
  } else {
    checkStatements(text, parsed);
  }
  return 0;
}
