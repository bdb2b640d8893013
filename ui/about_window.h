#pragma once

#include <windows.h>

#include <array>
#include <iterator>

#include "ui/handles.h"
#include "ui/layout.h"
#include "ui/settings/about_window_settings.h"
#include "ui/window.h"

namespace kestrune {

// 关于: the product line and an invitation to contact the author. Modeless,
// with its own taskbar button: it sits beside the main window, which, like a
// running script, carries on undisturbed. It exists only while it is open.
class AboutWindow final : public Window {
 public:
  AboutWindow() = default;
  ~AboutWindow() override;

  // Opens the window centred on the primary screen; when it is already open,
  // restores it if minimised, else activates it. False (with GetLastError)
  // when it could not be created.
  bool show();

 protected:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static constexpr size_t kLabelCount = std::size(settings::kAboutControls);

  bool onCreate();
  void layoutLabels();

  std::array<HWND, kLabelCount> labels_{};
  std::array<UniqueBrush, kLabelCount> labelBrushes_;
  UniqueBrush background_;
  UINT dpi_ = kBaseDpi;
};

}  // namespace kestrune
