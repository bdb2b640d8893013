#pragma once

// The yardstick for the script reader: the same job done the way a first
// version would do it, with streams, a vector of strings per line and stoi.
// It reads valid scripts to the same statements as parseScript and only says
// whether a script has a fault.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "script/statement.h"

namespace kestrune::bench {

inline std::string naiveTrim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

inline std::optional<int> naiveInteger(const std::string& field, bool signedField) {
  if (field.empty() || (!signedField && field[0] == '-')) return std::nullopt;
  for (std::size_t i = field[0] == '-' ? 1 : 0; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return std::nullopt;
  }
  try {
    std::size_t used = 0;
    const long long value = std::stoll(field, &used);
    if (used != field.size() || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int>(value);
  } catch (...) {
    return std::nullopt;
  }
}

// Returns the statements, or nullopt for a script with a fault.
inline std::optional<std::vector<Statement>> naiveParse(const std::string& text) {
  std::vector<Statement> out;
  std::istringstream in(text);
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (const char* quote : {"'", "\xE2\x80\x98", "\xE2\x80\x99"}) {
      const auto at = line.find(quote);
      if (at != std::string::npos) line.erase(at);
    }
    const std::string code = naiveTrim(line);
    if (code.empty()) continue;
    std::vector<std::string> fields;
    std::stringstream split(code);
    std::string field;
    while (std::getline(split, field, '|')) fields.push_back(naiveTrim(field));
    if (code.back() == '|') fields.emplace_back();
    if (fields[0] == "M" || fields[0] == "m") {
      if (fields.size() != 4) return std::nullopt;
      const auto x = naiveInteger(fields[1], true);
      const auto y = naiveInteger(fields[2], true);
      const auto kind = naiveInteger(fields[3], false);
      if (!x || !y || !kind || *kind > 3) return std::nullopt;
      out.push_back({number, MouseAction{*x, *y, static_cast<ClickKind>(*kind)}});
    } else if (fields[0] == "T" || fields[0] == "t") {
      if (fields.size() != 2) return std::nullopt;
      const auto dash = fields[1].find('-');
      if (dash == std::string::npos) {
        const auto length = naiveInteger(fields[1], false);
        if (!length) return std::nullopt;
        out.push_back({number, Delay{*length, *length, false}});
      } else {
        const auto low = naiveInteger(naiveTrim(fields[1].substr(0, dash)), false);
        const auto high = naiveInteger(naiveTrim(fields[1].substr(dash + 1)), false);
        if (!low || !high) return std::nullopt;
        out.push_back({number, Delay{std::min(*low, *high), std::max(*low, *high), true}});
      }
    } else {
      return std::nullopt;
    }
  }
  if (out.empty()) return std::nullopt;
  return out;
}

}  // namespace kestrune::bench
