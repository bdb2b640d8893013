#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/desktop_services.h"
#include "ui/handles.h"
#include "ui/settings/window_settings.h"

// 状态条1: the product line, the run key and the pointer's position.
namespace kestrune {

class StatusBar {
 public:
  // Creates the bar along the bottom of `parent` with its panes and texts.
  bool create(HWND parent, const settings::ControlSettings& control,
              std::span<const settings::PaneSettings> panes, UINT dpi);

  HWND hwnd() const { return hwnd_; }

  // A pane outside the bar leaves it unchanged; the text is shown at once.
  void setPaneText(int pane, std::string_view text = {});
  const std::string& paneText(int pane) const;
  int paneCount() const { return static_cast<int>(panes_.size()); }

  // Back along the bottom edge after the parent's size changed.
  void dock();
  // New pane edges and font for a monitor of another DPI.
  void setDpi(UINT dpi);
  // The window is gone with its parent; texts stay readable.
  void detach() { hwnd_ = nullptr; }

 private:
  void applyDpi();
  void show(int pane);

  HWND hwnd_ = nullptr;  // a child: destroyed with its parent
  const settings::ControlSettings* control_ = nullptr;
  std::span<const settings::PaneSettings> panes_;
  std::vector<std::string> texts_;
  UniqueFont font_;
  UINT dpi_ = 96;
};

// " 当前鼠标位置：X<x>  Y<y>", negative numbers with their minus sign.
std::string pointerReadout(ScreenPoint point);

}  // namespace kestrune
