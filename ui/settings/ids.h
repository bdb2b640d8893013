#pragma once

// Window classes, control and command ids of the program's windows. The end-to-end test driver
// finds controls and sends commands by these numbers.

namespace kestrune::ids {

inline constexpr wchar_t kMainWindowClass[] = L"KestruneMainWindow";
inline constexpr wchar_t kAboutWindowClass[] = L"KestruneAboutWindow";

inline constexpr int kScriptEditor = 1001;  // 编辑框1
inline constexpr int kMessageLog = 1002;    // 编辑框2
inline constexpr int kHotkeyLabel = 1003;   // 标签1
inline constexpr int kStatusBar = 1004;     // 状态条1
inline constexpr int kPointerTimer = 1;     // 时钟1

inline constexpr int kAboutProductLabel = 1101;  // About window: 标签1
inline constexpr int kAboutContactLabel = 1102;  // About window: 标签2

inline constexpr int kCommandNew = 40001;    // 程序 → 新建
inline constexpr int kCommandOpen = 40002;   // 程序 → 打开
inline constexpr int kCommandSave = 40003;   // 程序 → 保存
inline constexpr int kCommandRun = 40004;    // 调试 → 运行
inline constexpr int kCommandAbout = 40005;  // 关于 → 帮助

}  // namespace kestrune::ids
