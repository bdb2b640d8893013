#pragma once

// The real main window in this process, for the tests of its 程序 and 关于
// commands: they arrive as WM_COMMAND, the way a menu click sends them.

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "desktop/win32_desktop.h"
#include "test_support.h"
#include "ui/encoding.h"
#include "ui/main_window.h"
#include "ui/settings/ids.h"
#include "ui/window.h"

namespace kestrune::testing_support {

inline std::string textOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return narrow(text);
}

class MainWindowFixture : public testing::Test {
 protected:
  void SetUp() override {
    desktop_.setPreTranslate(&preTranslateMessage);
    window_.emplace(desktop_);
    ASSERT_TRUE(window_->create(SW_SHOWNORMAL));
    SetForegroundWindow(main());
    pump();
    // F11 may be held by another program here; that note is not under test.
    SetWindowTextW(window_->messageLog(), L"");
  }

  void TearDown() override {
    window_.reset();
    pump();
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }

  HWND main() const { return window_->hwnd(); }
  HWND editor() const { return window_->scriptEditor(); }
  std::string log() const { return textOf(window_->messageLog()); }

  // A menu entry as a click on it sends it.
  void choose(int command) { PostMessageW(main(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }

  Win32Desktop desktop_;
  std::optional<MainWindow> window_;
};

}  // namespace kestrune::testing_support
