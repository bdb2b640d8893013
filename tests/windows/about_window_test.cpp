#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "files_main_window_fixture.h"
#include "ui/layout.h"
#include "ui/settings/about_window_settings.h"
#include "ui/settings/product.h"

namespace kestrune {
namespace {

using testing_support::pump;
using testing_support::textOf;

std::vector<HWND> aboutWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        wchar_t name[64] = L"";
        GetClassNameW(hwnd, name, 64);
        if (std::wstring(name) == ids::kAboutWindowClass) {
          reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class AboutWindowTest : public testing_support::MainWindowFixture {
 protected:
  HWND openAbout() {
    choose(ids::kCommandAbout);
    pump();
    const std::vector<HWND> windows = aboutWindows();
    return windows.size() == 1 ? windows.front() : nullptr;
  }
  void pressEscape(HWND target) {
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
    pump();
  }
};

TEST_F(AboutWindowTest, ShowsTheStoredWindowAndLabels) {
  const HWND about = openAbout();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(textOf(about), "关于");

  const UINT dpi = systemDpi();
  RECT outer{};
  GetWindowRect(about, &outer);
  EXPECT_EQ(outer.right - outer.left, scaleForDpi(388, dpi));
  EXPECT_EQ(outer.bottom - outer.top, scaleForDpi(120, dpi));
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - scaleForDpi(388, dpi)) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - scaleForDpi(120, dpi)) / 2);

  const LONG_PTR style = GetWindowLongPtrW(about, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr);  // modeless, beside the main window
  EXPECT_TRUE(IsWindowEnabled(main()));

  struct Label {
    int id;
    std::string caption;
    RECT rect;
  };
  const Label labels[] = {
      {ids::kAboutProductLabel,
       "Kestrune（键鼠模拟） V1.0 by " + std::string(product::kAuthor),
       {37, 16, 37 + 308, 16 + 24}},
      {ids::kAboutContactLabel,
       "如有建议或意见，请联系作者  定制各种软件",
       {68, 52, 68 + 245, 52 + 24}},
  };
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  for (const Label& l : labels) {
    SCOPED_TRACE(l.id);
    const HWND label = GetDlgItem(about, l.id);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(textOf(label), l.caption);
    RECT rect{};
    GetWindowRect(label, &rect);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, scaleForDpi(l.rect.left, dpi));
    EXPECT_EQ(rect.top, scaleForDpi(l.rect.top, dpi));
    EXPECT_EQ(rect.right - rect.left, scaleForDpi(l.rect.right - l.rect.left, dpi));
    EXPECT_EQ(rect.bottom - rect.top, scaleForDpi(l.rect.bottom - l.rect.top, dpi));

    const LONG_PTR labelStyle = GetWindowLongPtrW(label, GWL_STYLE);
    EXPECT_EQ(labelStyle & SS_TYPEMASK, SS_LEFTNOWORDWRAP);  // left, one line
    EXPECT_TRUE(labelStyle & SS_CENTERIMAGE);                // vertically centred
    EXPECT_FALSE(labelStyle & WS_TABSTOP);
    EXPECT_FALSE(labelStyle & WS_BORDER);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));

    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
        about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 136, 255));
    LOGBRUSH fill{};
    ASSERT_EQ(GetObjectW(brush, sizeof fill, &fill), static_cast<int>(sizeof fill));
    EXPECT_EQ(fill.lbColor, RGB(0, 136, 255));
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);

  // The window's own background, between the labels.
  UpdateWindow(about);
  const HDC windowDc = GetDC(about);
  EXPECT_EQ(GetPixel(windowDc, 4, 4), RGB(0, 136, 255));
  ReleaseDC(about, windowDc);
}

TEST_F(AboutWindowTest, HelpWhileOpenRestoresOrActivatesTheOneWindow) {
  const HWND about = openAbout();
  ASSERT_NE(about, nullptr);

  SetForegroundWindow(main());
  pump();
  ASSERT_EQ(GetForegroundWindow(), main());
  EXPECT_EQ(openAbout(), about);  // the same window, and only one
  EXPECT_EQ(GetForegroundWindow(), about);

  ShowWindow(about, SW_MINIMIZE);
  pump();
  ASSERT_TRUE(IsIconic(about));
  EXPECT_EQ(openAbout(), about);
  EXPECT_FALSE(IsIconic(about));
}

TEST_F(AboutWindowTest, EscapeClosesOnlyTheAboutWindow) {
  const HWND about = openAbout();
  ASSERT_NE(about, nullptr);
  pressEscape(about);
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(IsWindow(main()));
  MSG quit;
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

  // Closed means gone: 帮助 builds it afresh.
  const HWND again = openAbout();
  ASSERT_NE(again, nullptr);
  SendMessageW(again, WM_SYSCOMMAND, SC_CLOSE, 0);
  pump();
  EXPECT_TRUE(aboutWindows().empty());
  EXPECT_TRUE(IsWindow(main()));
}

// While a script runs, the About window opens and closes inside the runner's
// waits; the run carries on and ends only when asked to.
TEST_F(AboutWindowTest, OpeningAndClosingDuringARunLeavesTheRunAlone) {
  SetWindowTextW(editor(), L"T|20");
  static MainWindow* window = nullptr;
  static HWND seen = nullptr;
  static bool runningAfterClose = false;
  window = &*window_;
  seen = nullptr;
  runningAfterClose = false;
  choose(ids::kCommandAbout);
  SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const std::vector<HWND> windows = aboutWindows();
    seen = windows.size() == 1 ? windows.front() : nullptr;
    if (seen != nullptr) PostMessageW(seen, WM_KEYDOWN, VK_ESCAPE, 1);
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      runningAfterClose = window->runner().isRunning();
      window->runner().toggle();  // as F11 would
    });
  });
  window_->runner().start();  // returns once the run has stopped

  EXPECT_NE(seen, nullptr);
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_TRUE(runningAfterClose);
  EXPECT_TRUE(IsWindow(main()));
  EXPECT_EQ(log(), "代码运行中...\r\n代码运行完毕！\r\n");
}

}  // namespace
}  // namespace kestrune
