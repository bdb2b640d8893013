#pragma once

#include <string_view>

// The main window's own lines in the message log; each ends in "\r\n" like
// the script runner's.
namespace kestrune::texts {

// F11 is held by another program: the key will not reach Kestrune.
inline constexpr std::string_view kHotkeyTaken =
    "F11 已被其他程序占用，按 F11 无法运行或停止脚本；"
    "请用菜单“调试→运行”启动脚本，关闭窗口即停止运行。\r\n";

// A script's mouse action did not happen; "（错误 N）" and "\r\n" follow. A
// program running as administrator refuses input from one that is not.
inline constexpr std::string_view kPointerNotMoved = "无法移动鼠标指针，本次点击未执行";
inline constexpr std::string_view kClicksRefused =
    "系统拒绝了模拟点击（目标程序以管理员身份运行时，需以管理员身份运行本软件）";

// A part of the window could not be set up; "（错误 N）" and "\r\n" follow.
inline constexpr std::string_view kNoMenu = "无法创建菜单栏";
inline constexpr std::string_view kNoAccelerator = "无法安装 F11 菜单快捷键";
inline constexpr std::string_view kNoStatusBar = "无法创建状态条";
inline constexpr std::string_view kNoTimer = "无法启动计时器，状态条不会显示鼠标位置";
inline constexpr std::string_view kNoAboutWindow = "无法打开“关于”窗口";

}  // namespace kestrune::texts
