#pragma once

#include <string>
#include <variant>

namespace kestrune {

enum class ClickKind : int {
  LeftClick = 0,
  DoubleClick = 1,
  RightClick = 2,
  RightDoubleClick = 3,
};

struct MouseAction {
  int x = 0;
  int y = 0;
  ClickKind kind = ClickKind::LeftClick;
  friend bool operator==(const MouseAction&, const MouseAction&) = default;
};

// A fixed delay has low == high; a range draws from low to high, both included.
struct Delay {
  int low = 0;
  int high = 0;
  bool random = false;
  friend bool operator==(const Delay&, const Delay&) = default;
};

struct Statement {
  int line = 0;      // 1-based, counting every line of the text
  std::string text;  // as written, comment removed, spaces trimmed
  std::variant<MouseAction, Delay> action;
};

}  // namespace kestrune
