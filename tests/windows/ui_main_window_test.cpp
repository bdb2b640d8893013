#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "desktop/win32_desktop.h"
#include "test_support.h"
#include "ui/encoding.h"
#include "ui/main_window.h"
#include "ui/settings/ids.h"
#include "ui/settings/initial_script.h"
#include "ui/settings/texts.h"
#include "ui/settings/window_settings.h"

namespace kestrune {
namespace {

std::wstring windowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring paneText(HWND bar, int pane) {
  const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane), 0);
  std::wstring text(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
  SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(LOWORD(length)));
  return text;
}

std::vector<int> paneRights(HWND bar) {
  std::vector<int> edges(static_cast<size_t>(SendMessageW(bar, SB_GETPARTS, 0, 0)));
  SendMessageW(bar, SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  return edges;
}

RECT rectInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

using testing_support::pump;

bool takeQuit() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

MSG keyDown(HWND target, WPARAM key) {
  return MSG{target, WM_KEYDOWN, key, 1, 0, {}};
}

// The keyboard's Shift state as this thread sees it.
void holdShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = keys[VK_LSHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop_.setPreTranslate(&preTranslateMessage);
    window_.emplace(desktop_);
    ASSERT_TRUE(window_->create(SW_SHOWNORMAL));
    SetForegroundWindow(window_->hwnd());
    pump();
  }
  void TearDown() override {
    window_.reset();
    pump();
    takeQuit();
  }

 public:  // for the tables of cases
  MainWindow& window() { return *window_; }
  HWND editor() { return window_->scriptEditor(); }
  HWND log() { return window_->messageLog(); }
  HWND bar() { return window_->statusBar().hwnd(); }

 protected:
  Win32Desktop desktop_;
  std::optional<MainWindow> window_;
};

TEST_F(MainWindowTest, StartsWithTheDocumentedScriptAnEmptyLogAndTheEditorFocused) {
  EXPECT_EQ(windowText(editor()), widen(kInitialScript));
  EXPECT_EQ(SendMessageW(editor(), EM_GETLINECOUNT, 0, 0), 22);
  DWORD start = 1, end = 1;
  SendMessageW(editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
  EXPECT_EQ(windowText(log()), L"");
  EXPECT_EQ(GetFocus(), editor());
  EXPECT_EQ(windowText(window().hwnd()), widen(product::kTitle));
  EXPECT_EQ(window().runner().isRunning(), false);
}

TEST_F(MainWindowTest, InitialScriptIs710BytesOfGbk) {
  const std::wstring text = widen(kInitialScript);
  BOOL lossy = FALSE;
  const int bytes = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                        0, nullptr, &lossy);
  EXPECT_EQ(bytes, 710);
  EXPECT_FALSE(lossy);
}

TEST_F(MainWindowTest, WindowAndControlsStandWhereTheSettingsSay) {
  ASSERT_EQ(window().dpi(), 96u) << "these sizes are the stored 96-DPI values";
  RECT outer{};
  GetWindowRect(window().hwnd(), &outer);
  EXPECT_EQ(outer.right - outer.left, 666);
  EXPECT_EQ(outer.bottom - outer.top, 567);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 666) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 567) / 2);

  const struct {
    HWND control;
    RECT rect;
  } cases[] = {
      {editor(), {1, 0, 658, 432}},
      {log(), {2, 434, 658, 496}},
      {window().hotkeyLabel(), {424, 48, 504, 72}},
  };
  for (const auto& c : cases) {
    const RECT rect = rectInParent(c.control);
    EXPECT_TRUE(EqualRect(&rect, &c.rect))
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
  }

  // Stacking order, top first: the bar over the log, the editor over the label.
  std::vector<HWND> order;
  for (HWND child = GetWindow(window().hwnd(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(child);
  }
  EXPECT_EQ(order, (std::vector<HWND>{bar(), log(), editor(), window().hotkeyLabel()}));

  const LONG_PTR editorStyle = GetWindowLongPtrW(editor(), GWL_STYLE);
  EXPECT_TRUE(editorStyle & WS_HSCROLL) << "lines in the editor never wrap";
  EXPECT_FALSE(editorStyle & ES_NOHIDESEL);
  EXPECT_FALSE(GetWindowLongPtrW(log(), GWL_STYLE) & WS_HSCROLL) << "the log wraps";
  EXPECT_TRUE(GetWindowLongPtrW(log(), GWL_STYLE) & ES_READONLY);
  EXPECT_FALSE(GetWindowLongPtrW(bar(), GWL_STYLE) & SBARS_SIZEGRIP);
}

TEST_F(MainWindowTest, BoxesAndBarPaintInTheirColours) {
  RedrawWindow(window().hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  pump();
  // A spot in each control without text: bottom right, inside the border
  // and clear of scroll bars and pane bevels.
  const auto colourNear = [](HWND control, int fromRight, int fromBottom) {
    RECT client{};
    GetClientRect(control, &client);
    const HDC dc = GetDC(control);
    const COLORREF colour = GetPixel(dc, client.right - fromRight, client.bottom - fromBottom);
    ReleaseDC(control, dc);
    return colour;
  };
  SetWindowTextW(log(), L"");
  EXPECT_EQ(colourNear(editor(), 30, 30), settings::kYellow);
  EXPECT_EQ(colourNear(log(), 30, 10), settings::kWindowColour);
  EXPECT_EQ(colourNear(bar(), 4, 4), settings::kWindowColour) << "a themed bar ignores its colour";
}

TEST_F(MainWindowTest, MenuHoldsTheCommandsOfTheTable) {
  const HMENU bar = GetMenu(window().hwnd());
  ASSERT_NE(bar, nullptr);
  const auto text = [](HMENU menu, UINT position) {
    wchar_t buffer[64] = {};
    GetMenuStringW(menu, position, buffer, 64, MF_BYPOSITION);
    return std::wstring(buffer);
  };
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  const struct {
    int popup;
    int position;
    const wchar_t* menu;
    const wchar_t* entry;
    int id;
  } cases[] = {
      {0, 0, L"程序", L"新建", ids::kCommandNew},   {0, 1, L"程序", L"打开", ids::kCommandOpen},
      {0, 2, L"程序", L"保存", ids::kCommandSave},  {1, 0, L"调试", L"运行\tF11", ids::kCommandRun},
      {2, 0, L"关于", L"帮助", ids::kCommandAbout},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text(bar, static_cast<UINT>(c.popup)), c.menu);
    const HMENU popup = GetSubMenu(bar, c.popup);
    EXPECT_EQ(text(popup, static_cast<UINT>(c.position)), c.entry);
    EXPECT_EQ(GetMenuItemID(popup, c.position), static_cast<UINT>(c.id));
  }
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 3);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 1)), 1);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 2)), 1);
}

TEST_F(MainWindowTest, RunArrivesByMenuAcceleratorAndHotkeyReceiver) {
  // An empty script: each way of starting reports it and runs nothing.
  const struct {
    const char* what;
    void (*send)(MainWindowTest&);
  } cases[] = {
      {"menu 运行",
       [](MainWindowTest& t) {
         SendMessageW(t.window().hwnd(), WM_COMMAND, MAKEWPARAM(ids::kCommandRun, 0), 0);
       }},
      {"F11 as accelerator",
       [](MainWindowTest& t) {
         MSG msg = keyDown(t.editor(), VK_F11);
         EXPECT_TRUE(preTranslateMessage(msg));
       }},
      {"hotkey notification to 标签1",
       [](MainWindowTest& t) {
         SendMessageW(t.window().hotkeyLabel(), kHotkeyNotifyMessage, kFirstHotkeyId, 0);
       }},
  };
  for (const auto& c : cases) {
    SetWindowTextW(editor(), L"");
    SetWindowTextW(log(), L"");
    c.send(*this);
    pump();
    EXPECT_EQ(windowText(log()), L"未写入任何代码！\r\n") << c.what;
    EXPECT_FALSE(window().runner().isRunning()) << c.what;
  }
}

TEST_F(MainWindowTest, AppendedMessagesLandAtTheEndWhateverIsSelected) {
  window().appendMessage("代码运行中...\r\n");
  // The user selects the first characters of the log...
  SetFocus(log());
  SendMessageW(log(), EM_SETSEL, 0, 4);
  window().appendMessage("代码运行完毕！\r\n");
  window().appendMessage("");
  window().appendMessage("x");
  EXPECT_EQ(windowText(log()), L"代码运行中...\r\n代码运行完毕！\r\nx");
  EXPECT_FALSE(SendMessageW(log(), EM_CANUNDO, 0, 0)) << "messages are not the user's edits";
}

TEST_F(MainWindowTest, LongLogScrollsToItsNewestLine) {
  for (int i = 0; i < 40; ++i) window().appendMessage("第" + std::to_string(i) + "行\r\n");
  const LRESULT first = SendMessageW(log(), EM_GETFIRSTVISIBLELINE, 0, 0);
  EXPECT_GT(first, 30);
}

TEST_F(MainWindowTest, TabAndShiftTabMoveFocusBetweenTheBoxes) {
  const struct {
    const char* what;
    bool shift;
    HWND (MainWindowTest::*from)();
    HWND (MainWindowTest::*to)();
  } cases[] = {
      {"Tab in the editor", false, &MainWindowTest::editor, &MainWindowTest::log},
      {"Tab in the log", false, &MainWindowTest::log, &MainWindowTest::editor},
      {"Shift+Tab in the editor", true, &MainWindowTest::editor, &MainWindowTest::log},
      {"Shift+Tab in the log", true, &MainWindowTest::log, &MainWindowTest::editor},
  };
  for (const auto& c : cases) {
    SetFocus((this->*c.from)());
    holdShift(c.shift);
    MSG msg = keyDown((this->*c.from)(), VK_TAB);
    EXPECT_TRUE(preTranslateMessage(msg)) << c.what;
    holdShift(false);
    pump();
    EXPECT_EQ(GetFocus(), (this->*c.to)()) << c.what;
  }
  EXPECT_EQ(windowText(editor()), widen(kInitialScript)) << "no Tab was typed";
}

TEST_F(MainWindowTest, EnterReachesTheEditor) {
  SetWindowTextW(editor(), L"");
  MSG msg = keyDown(editor(), VK_RETURN);
  EXPECT_FALSE(preTranslateMessage(msg));
  SendMessageW(editor(), WM_CHAR, L'\r', 1);
  EXPECT_EQ(windowText(editor()), L"\r\n");
  EXPECT_EQ(GetFocus(), editor());
}

TEST_F(MainWindowTest, EscapeClosesFromEitherBoxButNotWhileComposing) {
  MSG composing = keyDown(editor(), VK_PROCESSKEY);
  EXPECT_FALSE(preTranslateMessage(composing));
  pump();
  EXPECT_TRUE(IsWindow(window().hwnd()));
  EXPECT_FALSE(takeQuit());

  MSG escape = keyDown(log(), VK_ESCAPE);
  EXPECT_TRUE(preTranslateMessage(escape));
  EXPECT_EQ(window().hwnd(), nullptr);
  EXPECT_TRUE(takeQuit());
  window().appendMessage("after the window is gone\r\n");  // must not crash
}

TEST_F(MainWindowTest, EscapeInTheEditorClosesToo) {
  MSG escape = keyDown(editor(), VK_ESCAPE);
  EXPECT_TRUE(preTranslateMessage(escape));
  EXPECT_EQ(window().hwnd(), nullptr);
  EXPECT_TRUE(takeQuit());
}

TEST_F(MainWindowTest, FocusReturnsToTheBoxThatHadItWhenReactivated) {
  SetFocus(log());
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  SetActiveWindow(other);
  pump();
  EXPECT_NE(GetFocus(), log());
  SetActiveWindow(window().hwnd());
  pump();
  EXPECT_EQ(GetFocus(), log());
  DestroyWindow(other);
}

TEST_F(MainWindowTest, PanesKeepTextsAndEdgesThroughResizes) {
  // The timer keeps writing the pointer's position into pane 2.
  ASSERT_TRUE(SetCursorPos(7, 8));
  window().statusBar().setPaneText(2, " 当前鼠标位置：X7  Y8");
  for (const SIZE size : {SIZE{900, 700}, SIZE{500, 300}, SIZE{666, 567}}) {
    SetWindowPos(window().hwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    EXPECT_EQ(paneRights(bar()), (std::vector<int>{260, 360, -1})) << size.cx;
    EXPECT_EQ(paneText(bar(), 0), widen(settings::kStatusPanes[0].text));
    EXPECT_EQ(paneText(bar(), 1), L" 运行/停止 F11");
    EXPECT_EQ(paneText(bar(), 2), L" 当前鼠标位置：X7  Y8");

    RECT client{}, barRect = rectInParent(bar());
    GetClientRect(window().hwnd(), &client);
    EXPECT_EQ(barRect.left, 0);
    EXPECT_EQ(barRect.right, client.right) << "the bar spans the window";
    EXPECT_EQ(barRect.bottom, client.bottom) << "the bar sits on the bottom edge";
  }
  // Back at the size it was made with: every box on its stored rectangle.
  const RECT editorRect = rectInParent(editor());
  const RECT stored{1, 0, 658, 432};
  EXPECT_TRUE(EqualRect(&editorRect, &stored));
}

TEST_F(MainWindowTest, EditorGrowsWithTheWindowAndTheLogFollowsTheBottom) {
  const RECT before = rectInParent(log());
  SetWindowPos(window().hwnd(), nullptr, 0, 0, 766, 617, SWP_NOMOVE | SWP_NOZORDER);
  pump();
  const RECT editorRect = rectInParent(editor());
  const RECT logRect = rectInParent(log());
  EXPECT_EQ(editorRect.right - editorRect.left, 757);
  EXPECT_EQ(editorRect.bottom - editorRect.top, 482);
  EXPECT_EQ(logRect.top, before.top + 50);
  EXPECT_EQ(logRect.right - logRect.left, 756);
}

TEST_F(MainWindowTest, TimerTickShowsThePointerPosition) {
  ASSERT_TRUE(SetCursorPos(123, 45));
  SendMessageW(window().hwnd(), WM_TIMER, ids::kPointerTimer, 0);
  EXPECT_EQ(paneText(bar(), 2), L" 当前鼠标位置：X123  Y45");
  EXPECT_EQ(window().statusBar().paneText(2), " 当前鼠标位置：X123  Y45");
}

TEST_F(MainWindowTest, OutOfRangePaneLeavesTheBarAlone) {
  window().statusBar().setPaneText(3, "x");
  window().statusBar().setPaneText(-1, "x");
  window().statusBar().setPaneText(1);
  EXPECT_EQ(paneText(bar(), 0), widen(settings::kStatusPanes[0].text));
  EXPECT_EQ(paneText(bar(), 1), L"");
  // The pointer readout may tick in between and rewrite its own pane.
  EXPECT_EQ(paneText(bar(), 2).rfind(L" 当前鼠标位置：", 0), 0u);
}

TEST_F(MainWindowTest, MovingToA144DpiMonitorScalesFontsAndPanes) {
  RECT outer{};
  GetWindowRect(window().hwnd(), &outer);
  RECT suggested{outer.left, outer.top, outer.left + 999, outer.top + 851};
  SendMessageW(window().hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  pump();
  EXPECT_EQ(window().dpi(), 144u);
  EXPECT_EQ(paneRights(bar()), (std::vector<int>{390, 540, -1}));
  EXPECT_EQ(paneText(bar(), 1), L" 运行/停止 F11");
  const auto fontHeight = [](HWND control) {
    LOGFONTW info{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof info,
               &info);
    return info.lfHeight;
  };
  EXPECT_EQ(fontHeight(editor()), -24);
  EXPECT_EQ(fontHeight(log()), -21);
  EXPECT_EQ(fontHeight(bar()), -18);
  RECT now{};
  GetWindowRect(window().hwnd(), &now);
  EXPECT_EQ(now.right - now.left, 999);
}

TEST_F(MainWindowTest, SecondWindowReportsThatF11IsTaken) {
  // The first window holds F11, as a first running copy of the program would.
  EXPECT_EQ(windowText(log()), L"");
  Win32Desktop otherDesktop;
  {
    MainWindow second(otherDesktop);
    ASSERT_TRUE(second.create(SW_SHOWNOACTIVATE));
    EXPECT_EQ(windowText(second.messageLog()), widen(texts::kHotkeyTaken));
  }
  pump();
  takeQuit();
}

TEST_F(MainWindowTest, ClosingDuringARunEndsTheLoopPromptly) {
  SetWindowTextW(editor(), L"T|60000\r\n");
  // Closes the window from inside the runner's wait, as the close box would.
  static HWND target;
  target = window().hwnd();
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageW(target, WM_CLOSE, 0, 0);
  });
  ASSERT_NE(timer, 0u);
  PostMessageW(window().hwnd(), WM_COMMAND, MAKEWPARAM(ids::kCommandRun, 0), 0);
  const auto start = std::chrono::steady_clock::now();
  const int code = desktop_.runMessageLoop();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(code, 0);
  EXPECT_LT(elapsed, std::chrono::seconds(2));
  EXPECT_EQ(window().hwnd(), nullptr);
  EXPECT_FALSE(window().runner().isRunning());
}

}  // namespace
}  // namespace kestrune
