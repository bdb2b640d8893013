#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "desktop/unique_handle.h"
#include "desktop/win32_desktop.h"

namespace kestrune {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// What reached a test window's procedure, in order, across all test windows.
struct Event {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;  // 0 for mouse messages: `screen` holds their position
  POINT screen;
  friend bool operator==(const Event& a, const Event& b) {
    return a.window == b.window && a.message == b.message && a.wParam == b.wParam &&
           a.lParam == b.lParam && a.screen.x == b.screen.x && a.screen.y == b.screen.y;
  }
};

std::vector<Event> events;
std::function<void(const MSG&)> onDispatch;  // runs after an event is recorded

void PrintTo(const Event& event, std::ostream* out) {
  *out << "{window " << event.window << ", message 0x" << std::hex << event.message << std::dec
       << ", wParam " << event.wParam << ", lParam " << event.lParam << ", at " << event.screen.x
       << "," << event.screen.y << "}";
}

bool isMouseButton(UINT message) {
  return message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK;
}

bool isRecorded(UINT message) {
  return isMouseButton(message) || message == WM_HOTKEY || message == kHotkeyNotifyMessage ||
         message == WM_TIMER || message == WM_KEYDOWN || message == WM_CHAR ||
         (message >= WM_APP && message < kHotkeyNotifyMessage);
}

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (isRecorded(message)) {
    POINT screen{};
    if (isMouseButton(message)) {
      screen = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(window, &screen);
    }
    events.push_back({window, message, wParam, isMouseButton(message) ? 0 : lParam, screen});
    if (onDispatch) onDispatch(MSG{window, message, wParam, lParam, 0, {}});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A borderless top-most window over `area` of the screen; CS_DBLCLKS so that
// the desktop's double-click detection shows in what it records.
UniqueWindow makeWindow(RECT area = {0, 0, 1, 1}, bool visible = false) {
  static const ATOM windowClass = [] {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = recordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"KestruneDesktopTestWindow";
    return RegisterClassW(&wc);
  }();
  HWND window = CreateWindowExW(WS_EX_TOPMOST, MAKEINTATOM(windowClass), L"", WS_POPUP, area.left,
                                area.top, area.right - area.left, area.bottom - area.top, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (visible) ShowWindow(window, SW_SHOWNOACTIVATE);
  return UniqueWindow(window);
}

double millisecondsSince(LONGLONG start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (now.QuadPart - start) * 1000.0 / frequency.QuadPart;
}

LONGLONG counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Pumps this thread's messages without the code under test until `done`
// holds or `timeoutMs` has passed.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const LONGLONG start = counterNow();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (millisecondsSince(start) >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Takes the pending quit request off the queue; returns its code, or -1.
int takeQuit() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return -1;
  return static_cast<int>(message.wParam);
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    onDispatch = nullptr;
  }
  void TearDown() override {
    onDispatch = nullptr;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  Win32Desktop desktop;
};

// ---- mouse actions -------------------------------------------------------

struct ClickCase {
  int kind;
  int x, y;
  std::vector<UINT> messages;
};

TEST_F(DesktopTest, MouseActionClicksAtThePositionWithTheKindsTransitions) {
  // Each case at its own spot: two cases at one spot within the double-click
  // time would merge into a double click.
  const ClickCase cases[] = {
      {0, 60, 80, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {1, 220, 140, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
      {2, 340, 180, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
      {3, 460, 220, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_RBUTTONUP}},
      {7, 100, 100, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {-1, 300, 400, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
  };
  UniqueWindow recorder = makeWindow({0, 0, 640, 480}, true);
  pumpUntil([] { return false; }, 100);  // let the window settle on screen

  for (const ClickCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.x << "," << c.y);
    events.clear();
    desktop.mouseAction(c.x, c.y, c.kind);
    EXPECT_EQ(desktop.pointerPosition(), (ScreenPoint{c.x, c.y}));
    pumpUntil([&] { return events.size() >= c.messages.size(); }, 2000);
    pumpUntil([] { return false; }, 50);  // nothing more may come

    std::vector<Event> expected;
    for (UINT message : c.messages) expected.push_back({recorder.get(), message, 0, 0, {c.x, c.y}});
    for (Event& event : events) event.wParam = 0;  // button state flags: not the point here
    EXPECT_THAT(events, ElementsAreArray(expected));
  }
}

// ---- waits ---------------------------------------------------------------

// Every wait test runs with both ways of sleeping between looks at the clock.
class WaitTest : public DesktopTest, public ::testing::WithParamInterface<Win32Desktop::WaitTimer> {
 protected:
  Win32Desktop waiting{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(, WaitTest,
                         ::testing::Values(Win32Desktop::WaitTimer::HighResolution,
                                           Win32Desktop::WaitTimer::SystemTimer),
                         [](const auto& info) {
                           return info.param == Win32Desktop::WaitTimer::HighResolution
                                      ? "HighResolution"
                                      : "SystemTimer";
                         });

TEST_P(WaitTest, ZeroOrLessReturnsWithoutHandlingMessages) {
  UniqueWindow window = makeWindow();
  for (int milliseconds : {0, -5}) {
    SCOPED_TRACE(milliseconds);
    ASSERT_TRUE(PostMessageW(window.get(), WM_APP, 0, 0));
    waiting.wait(milliseconds);
    EXPECT_THAT(events, IsEmpty());
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, window.get(), WM_APP, WM_APP, PM_REMOVE));
  }
}

TEST_P(WaitTest, NeverEndsEarly) {
  for (int milliseconds : {1, 2, 7, 16, 35}) {
    const LONGLONG start = counterNow();
    waiting.wait(milliseconds);
    EXPECT_GE(millisecondsSince(start), milliseconds);
  }
}

TEST_P(WaitTest, HandlesMessagesAsTheyArrive) {
  UniqueWindow window = makeWindow();
  ASSERT_TRUE(PostMessageW(window.get(), WM_APP, 0, 0));  // pending before the wait
  ASSERT_NE(SetTimer(window.get(), 1, 20, nullptr), 0u);
  double postedHandledAt = -1;
  const LONGLONG start = counterNow();
  onDispatch = [&](const MSG& message) {
    if (message.message == WM_APP + 1) postedHandledAt = millisecondsSince(start);
  };
  std::jthread poster([&] {
    Sleep(50);
    PostMessageW(window.get(), WM_APP + 1, 0, 0);
  });

  waiting.wait(600);
  const double elapsed = millisecondsSince(start);
  KillTimer(window.get(), 1);

  EXPECT_GE(elapsed, 600);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().message, static_cast<UINT>(WM_APP));
  EXPECT_TRUE(std::any_of(events.begin(), events.end(),
                          [](const Event& e) { return e.message == WM_TIMER; }));
  // Handled when it came, not when the wait was over.
  EXPECT_GE(postedHandledAt, 0);
  EXPECT_LT(postedHandledAt, 400);
}

// Coarse under Wine, where most of a polling loop's cost lands in wineserver
// rather than in the polling thread; on Windows a poll shows as a full core.
TEST_P(WaitTest, SleepsInsteadOfPolling) {
  auto threadCpuMilliseconds = [] {
    FILETIME created, exited, kernel, user;
    EXPECT_TRUE(GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user));
    auto value = [](const FILETIME& t) {
      return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (value(kernel) + value(user)) / 10'000.0;
  };
  const double cpuBefore = threadCpuMilliseconds();
  waiting.wait(1000);
  EXPECT_LT(threadCpuMilliseconds() - cpuBefore, 100);
}

TEST_P(WaitTest, QuitRequestEndsTheWaitAndStaysQueued) {
  UniqueWindow window = makeWindow();
  struct Case {
    const char* name;
    std::function<std::jthread()> arrange;  // the thread, if any, ends with the case
  };
  const Case cases[] = {
      {"pending before the wait",
       [] {
         PostQuitMessage(3);
         return std::jthread();
       }},
      {"posted by a handler during the wait",
       [&] {
         onDispatch = [](const MSG& message) {
           if (message.message == WM_APP) PostQuitMessage(3);
         };
         return std::jthread([w = window.get()] {
           Sleep(30);
           PostMessageW(w, WM_APP, 0, 0);
         });
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    onDispatch = nullptr;
    const std::jthread poster = c.arrange();
    const LONGLONG start = counterNow();
    waiting.wait(60'000);
    EXPECT_LT(millisecondsSince(start), 10'000);
    EXPECT_TRUE(waiting.quitRequested());
    EXPECT_EQ(takeQuit(), 3);
    EXPECT_FALSE(waiting.quitRequested());
  }
}

// ---- message loops -------------------------------------------------------

TEST_F(DesktopTest, ProcessPendingMessagesHandlesAllButTheQuitRequest) {
  UniqueWindow window = makeWindow();
  ASSERT_TRUE(PostMessageW(window.get(), WM_APP, 1, 0));
  PostQuitMessage(7);
  ASSERT_TRUE(PostMessageW(window.get(), WM_APP, 2, 0));  // posted messages go before the quit

  desktop.processPendingMessages();

  EXPECT_THAT(events, ElementsAre(Event{window.get(), WM_APP, 1, 0, {}},
                                  Event{window.get(), WM_APP, 2, 0, {}}));
  EXPECT_TRUE(desktop.quitRequested());
  EXPECT_EQ(takeQuit(), 7);
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
}

// Both loops must treat a message alike: pre-translation first, then
// translation (WM_KEYDOWN yields WM_CHAR) and dispatch.
TEST_F(DesktopTest, BothLoopsPreTranslateTranslateAndDispatch) {
  struct Loop {
    const char* name;
    std::function<void(Win32Desktop&)> run;
  };
  const Loop loops[] = {
      {"processPendingMessages", [](Win32Desktop& d) { d.processPendingMessages(); }},
      {"runMessageLoop",
       [](Win32Desktop& d) {
         PostQuitMessage(5);
         EXPECT_EQ(d.runMessageLoop(), 5);
       }},
  };
  const LPARAM kKeyA = 0x001E0001;  // repeat count 1, scan code of A
  UniqueWindow window = makeWindow();
  for (const Loop& loop : loops) {
    SCOPED_TRACE(loop.name);
    events.clear();
    std::vector<UINT> preTranslated;
    desktop.setPreTranslate([&](MSG& message) {
      preTranslated.push_back(message.message);
      return message.message == WM_APP + 1;  // consumed
    });
    ASSERT_TRUE(PostMessageW(window.get(), WM_APP, 0, 0));
    ASSERT_TRUE(PostMessageW(window.get(), WM_APP + 1, 0, 0));
    ASSERT_TRUE(PostMessageW(window.get(), WM_KEYDOWN, 'A', kKeyA));

    loop.run(desktop);

    EXPECT_THAT(preTranslated, ElementsAre(WM_APP, WM_APP + 1, WM_KEYDOWN, WM_CHAR));
    EXPECT_THAT(events, ElementsAre(Event{window.get(), WM_APP, 0, 0, {}},
                                    Event{window.get(), WM_KEYDOWN, 'A', kKeyA, {}},
                                    Event{window.get(), WM_CHAR, 'a', kKeyA, {}}));
    takeQuit();
  }
}

// ---- hotkeys -------------------------------------------------------------

// Presses `key` with the modifier keys held, as a user at the keyboard would.
void pressKeys(std::initializer_list<WORD> modifiers, WORD key) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD virtualKey, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  for (WORD modifier : modifiers) add(modifier, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
    add(*it, KEYEVENTF_KEYUP);
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
            inputs.size());
}

std::vector<Event> notificationsTo(HWND receiver) {
  std::vector<Event> found;
  for (const Event& event : events) {
    if (event.window == receiver && event.message == kHotkeyNotifyMessage) found.push_back(event);
  }
  return found;
}

TEST_F(DesktopTest, HotkeyIdsCountUpAndTheLatestReceiverHearsBeforeTheOwner) {
  UniqueWindow owner = makeWindow(), first = makeWindow(), second = makeWindow();
  const HWND o = owner.get(), r1 = first.get(), r2 = second.get();
  auto deliver = [&](WPARAM id) {
    events.clear();
    EXPECT_TRUE(PostMessageW(o, WM_HOTKEY, id, MAKELPARAM(0, VK_F11)));
    desktop.processPendingMessages();
    return events;
  };
  const LPARAM keyF11 = MAKELPARAM(0, VK_F11);

  ASSERT_EQ(desktop.registerHotkey(o, r1, 0, VK_F11), 33001);
  EXPECT_THAT(deliver(33001), ElementsAre(Event{r1, kHotkeyNotifyMessage, 33001, 0, {}},
                                          Event{o, WM_HOTKEY, 33001, keyF11, {}}));

  ASSERT_EQ(desktop.registerHotkey(o, r2, kModifierCtrl, VK_F11), 33002);
  for (WPARAM id : {33001, 33002}) {
    SCOPED_TRACE(id);
    EXPECT_THAT(deliver(id), ElementsAre(Event{r2, kHotkeyNotifyMessage, id, 0, {}},
                                         Event{o, WM_HOTKEY, id, keyF11, {}}));
  }
  // Another hotkey of the owner's is the owner's business alone.
  EXPECT_THAT(deliver(7), ElementsAre(Event{o, WM_HOTKEY, 7, keyF11, {}}));
}

TEST_F(DesktopTest, RealKeyPressesWithTheirModifiersReachTheReceiver) {
  struct Case {
    int modifiers;
    std::initializer_list<WORD> held;
    WORD key;
  };
  const Case cases[] = {
      {0, {}, VK_F11},
      {kModifierCtrl, {VK_CONTROL}, VK_F5},
      {kModifierShift, {VK_SHIFT}, VK_F6},
      {kModifierAlt, {VK_MENU}, VK_F7},
      {kModifierCtrl + kModifierShift + kModifierAlt, {VK_CONTROL, VK_SHIFT, VK_MENU}, VK_F8},
  };
  UniqueWindow owner = makeWindow(), receiver = makeWindow();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "modifiers " << c.modifiers);
    const int id = desktop.registerHotkey(owner.get(), receiver.get(), c.modifiers, c.key);
    ASSERT_NE(id, 0);
    if (c.modifiers != 0) {
      // The bare key is not the hotkey.
      events.clear();
      pressKeys({}, c.key);
      pumpUntil([] { return false; }, 100);
      EXPECT_THAT(notificationsTo(receiver.get()), IsEmpty());
    }
    events.clear();
    pressKeys(c.held, c.key);
    pumpUntil([&] { return !notificationsTo(receiver.get()).empty(); }, 2000);
    EXPECT_THAT(
        notificationsTo(receiver.get()),
        ElementsAre(Event{receiver.get(), kHotkeyNotifyMessage, static_cast<WPARAM>(id), 0, {}}));
  }
}

TEST_F(DesktopTest, KeyTakenElsewhereIsRefusedWithoutUsingUpAnId) {
  UniqueWindow owner = makeWindow(), receiver = makeWindow();
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_ALT, VK_F9));  // another program's

  EXPECT_EQ(desktop.registerHotkey(owner.get(), receiver.get(), kModifierAlt, VK_F9), 0);
  pressKeys({VK_MENU}, VK_F9);
  pumpUntil([] { return false; }, 100);
  EXPECT_THAT(notificationsTo(receiver.get()), IsEmpty());

  EXPECT_EQ(desktop.registerHotkey(owner.get(), receiver.get(), kModifierAlt, VK_F10), 33001);
  UnregisterHotKey(nullptr, 1);
}

TEST_F(DesktopTest, OwnerOutlivingTheDesktopStillHandlesItsHotkeys) {
  UniqueWindow owner = makeWindow(), receiver = makeWindow();
  {
    Win32Desktop shortLived;
    ASSERT_EQ(shortLived.registerHotkey(owner.get(), receiver.get(), 0, VK_F12), 33001);
  }
  ASSERT_TRUE(PostMessageW(owner.get(), WM_HOTKEY, 33001, 0));
  pumpUntil([] { return !events.empty(); }, 1000);
  EXPECT_THAT(events, ElementsAre(Event{owner.get(), WM_HOTKEY, 33001, 0, {}}));
}

}  // namespace
}  // namespace kestrune
