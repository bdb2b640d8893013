#pragma once

// Who makes the program and which version it is: the caption, the status bar,
// the About window and the version resource all take it from here. The
// version itself comes from project(VERSION) in the top CMakeLists.txt.
#include "ui/settings/version.h"

// Macros first, so that the resource compiler can use them as well.
#define KESTRUNE_PRODUCT "Kestrune"
#define KESTRUNE_AUTHOR "Kestrune 开发组"
// How to reach the authors is written in the read-me that comes with the
// program; the windows only have room to point there (the About label and the
// status pane are narrow).
#define KESTRUNE_CONTACT "见说明"
#define KESTRUNE_AUTHOR_AND_CONTACT KESTRUNE_AUTHOR " " KESTRUNE_CONTACT
#define KESTRUNE_PRODUCT_LINE \
  KESTRUNE_PRODUCT " V" KESTRUNE_VERSION_SHORT " by " KESTRUNE_AUTHOR_AND_CONTACT
#define KESTRUNE_TITLE \
  KESTRUNE_PRODUCT "（键鼠模拟） V" KESTRUNE_VERSION_SHORT " by " KESTRUNE_AUTHOR_AND_CONTACT

#ifndef RC_INVOKED
#include <string_view>

namespace kestrune::product {

inline constexpr std::string_view kAuthor = KESTRUNE_AUTHOR_AND_CONTACT;
// "Kestrune（键鼠模拟） V1.0 by ...": the main window's caption and the About label.
inline constexpr std::string_view kTitle = KESTRUNE_TITLE;
// "Kestrune V1.0 by ...": the status bar's first pane, after a leading space.
inline constexpr std::string_view kProductLine = KESTRUNE_PRODUCT_LINE;

}  // namespace kestrune::product
#endif
