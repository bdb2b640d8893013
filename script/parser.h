#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/statement.h"

namespace kestrune {

// Why a script must not run: a message of script/messages.h, and for a fault
// in a statement the stop report naming its line ("" otherwise). Both go to
// the message log, the message first.
struct ScriptFault {
  std::string_view message;
  std::string stopReport;
  friend bool operator==(const ScriptFault&, const ScriptFault&) = default;
};

// The statements in text order, or the first fault (and then no statements).
struct ParsedScript {
  std::vector<Statement> statements;
  std::optional<ScriptFault> fault;
};

// Reads a whole script. Lines end at "\n" with an optional "\r" before it, so
// "\r\n" text from the editor and "\n" text from other systems read alike.
// Any bytes are safe to pass, including NULs and invalid UTF-8.
ParsedScript parseScript(std::string_view utf8);

}  // namespace kestrune
