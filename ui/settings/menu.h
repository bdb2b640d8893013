#pragma once

#include <windows.h>

#include <string_view>

#include "ui/commands.h"
#include "ui/settings/ids.h"

// The main window's menu bar and keys as one flat table: one line per command,
// in menu order. Consecutive lines with the same menu form one popup.
namespace kestrune::settings {

struct MenuCommand {
  std::string_view menu;
  std::string_view entry;  // a tab separates the shortcut shown beside it
  int id = 0;
  void (*run)(MainWindow&) = nullptr;
};

inline constexpr MenuCommand kMainMenu[] = {
    {"程序", "新建", ids::kCommandNew, &commands::newScript},
    {"程序", "打开", ids::kCommandOpen, &commands::openScript},
    {"程序", "保存", ids::kCommandSave, &commands::saveScript},
    {"调试", "运行\tF11", ids::kCommandRun, &commands::runScript},
    {"关于", "帮助", ids::kCommandAbout, &commands::showAbout},
};

struct Accelerator {
  BYTE flags = 0;
  WORD key = 0;
  int id = 0;
};

inline constexpr Accelerator kMainAccelerators[] = {
    {FVIRTKEY, VK_F11, ids::kCommandRun},
};

}  // namespace kestrune::settings
