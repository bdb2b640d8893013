#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string_view>

#include "ui/settings/ids.h"
#include "ui/settings/product.h"
#include "ui/settings/resources.h"

// The main window as stored settings. Sizes are pixels at 96 DPI; the window
// scales them to the monitor's DPI when it builds itself and when it moves to
// another monitor.
namespace kestrune::settings {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr COLORREF kWindowColour = RGB(0, 136, 255);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kYellow = RGB(255, 255, 0);

struct WindowSettings {
  std::string_view caption;
  int width = 0;  // outer size; the window is centred on the primary screen
  int height = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  COLORREF background = 0;
  int iconId = 0;  // used as both the large and the small icon
  bool escapeCloses = false;
};

inline constexpr WindowSettings kMainWindow{
    .caption = KESTRUNE_TITLE,
    .width = 666,
    .height = 567,
    .style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
    .exStyle = WS_EX_APPWINDOW,
    .background = kWindowColour,
    .iconId = KESTRUNE_ICON_ID,
    .escapeCloses = true,
};

enum class ControlKind { FileDialog, Timer, StatusBar, Edit, Label };

// How a control follows a change of the window's size. At the size the window
// was created with, every control stands exactly on its stored rectangle.
enum Anchor : unsigned {
  kFixed = 0,
  kGrowWidth = 1u << 0,
  kGrowHeight = 1u << 1,
  kFollowBottom = 1u << 2,
};

struct ControlSettings {
  std::string_view name;
  ControlKind kind = ControlKind::Label;
  int id = 0;
  Rect rect;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string_view caption;
  bool ownColours = false;  // else the system's colours
  COLORREF text = 0;
  COLORREF background = 0;
  int fontHeight = 0;  // character height; 0 is the default GUI font
  unsigned anchors = kFixed;
  int intervalMs = 0;  // timers only
};

// Every overlapping control clips its siblings above it, so the stacking
// order below is also the painting order.
inline constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;

// Designated initializers leave the settings a control does not use at their
// defaults; GCC 12 warns about that although nothing is left uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// In stacking order, top first; windowed controls are created in this order.
inline constexpr ControlSettings kMainControls[] = {
    {
        .name = "通用对话框1",
        .kind = ControlKind::FileDialog,
        .rect = {569, 443, 26, 26},
    },
    {
        .name = "时钟1",
        .kind = ControlKind::Timer,
        .id = ids::kPointerTimer,
        .rect = {600, 443, 26, 26},
        .intervalMs = 200,
    },
    {
        .name = "状态条1",
        .kind = ControlKind::StatusBar,
        .id = ids::kStatusBar,
        .rect = {0, 455, 660, 20},  // docks itself along the bottom edge
        .style = kChild | WS_VISIBLE | CCS_BOTTOM,
        .ownColours = true,
        .background = kWindowColour,
        .fontHeight = 12,
    },
    {
        .name = "编辑框2",
        .kind = ControlKind::Edit,
        .id = ids::kMessageLog,
        .rect = {2, 434, 656, 62},
        // No horizontal scroll bar: long messages wrap at the box's width.
        .style = kChild | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                 ES_READONLY,
        .exStyle = WS_EX_CLIENTEDGE,
        .ownColours = true,
        .text = kBlue,
        .background = kWindowColour,
        .fontHeight = 14,
        .anchors = kGrowWidth | kFollowBottom,
    },
    {
        .name = "编辑框1",
        .kind = ControlKind::Edit,
        .id = ids::kScriptEditor,
        .rect = {1, 0, 657, 432},
        // Both scroll bars, so lines never wrap; no ES_NOHIDESEL, so the
        // selection hides while the box has no focus.
        .style = kChild | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                 ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN,
        .exStyle = WS_EX_CLIENTEDGE,
        .ownColours = true,
        .text = kBlue,
        .background = kYellow,
        .fontHeight = 16,
        .anchors = kGrowWidth | kGrowHeight,
    },
    {
        // Never seen: it lies under the script editor and only receives the
        // hotkey notification.
        .name = "标签1",
        .kind = ControlKind::Label,
        .id = ids::kHotkeyLabel,
        .rect = {424, 48, 80, 24},
        .style = kChild | WS_VISIBLE | SS_LEFT,
        .caption = "标签",
    },
};

#pragma GCC diagnostic pop

struct PaneSettings {
  int rightEdge = 0;  // -1: the right end of the bar
  std::string_view text;
};

inline constexpr PaneSettings kStatusPanes[] = {
    {260, " " KESTRUNE_PRODUCT_LINE},
    {360, " 运行/停止 F11"},
    {-1, " 当前鼠标位置："},
};

// The pane that shows the pointer's position, and the text before the numbers.
inline constexpr int kPointerPane = 2;
inline constexpr std::string_view kPointerLabel = " 当前鼠标位置：";

}  // namespace kestrune::settings
