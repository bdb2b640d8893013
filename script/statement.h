#pragma once

#include <cstddef>
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

// A fixed delay has low == high and random == false. A range (random) draws
// anew from low to high, both included, each time it runs; low <= high always,
// whichever order the script wrote them in.
struct Delay {
  int low = 0;
  int high = 0;
  bool random = false;
  friend bool operator==(const Delay&, const Delay&) = default;
};

struct Statement {
  std::size_t line = 0;  // 1-based, counting every line of the text
  std::variant<MouseAction, Delay> action;
  friend bool operator==(const Statement&, const Statement&) = default;
};

}  // namespace kestrune
