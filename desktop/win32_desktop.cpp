#include "desktop/win32_desktop.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>

namespace kestrune {
namespace {

// Windows 10 1803 and later; older systems refuse the flag and the waits
// fall back to raising the timer resolution.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// value * numerator / denominator, rounded up, without overflowing for
// waits of up to INT_MAX milliseconds at any counter frequency.
LONGLONG scaleUp(LONGLONG value, LONGLONG numerator, LONGLONG denominator) {
  return value / denominator * numerator +
         (value % denominator * numerator + denominator - 1) / denominator;
}

LONGLONG counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);  // cannot fail on any system that runs us
  return now.QuadPart;
}

// Windows 11 ignores the timer resolution of a minimised or covered window's
// process to save power, which would stretch every delay of a running script
// to 15.6 ms steps. A system without this setting has no such throttling, so
// its failure needs no report.
void honourTimerResolutionWhenHidden() {
  static const bool done = [] {
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
    state.StateMask = 0;
    SetProcessInformation(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
    return true;
  }();
  (void)done;
}

// Raises the system timer resolution to 1 ms for as long as it lives, so
// that a wait without a high-resolution timer wakes within a millisecond of
// its deadline instead of up to 15.6 ms late.
class FineTimerResolution {
 public:
  explicit FineTimerResolution(bool wanted)
      : active_(wanted && timeBeginPeriod(1) == TIMERR_NOERROR) {}
  ~FineTimerResolution() {
    if (active_) timeEndPeriod(1);
  }
  FineTimerResolution(const FineTimerResolution&) = delete;
  FineTimerResolution& operator=(const FineTimerResolution&) = delete;

 private:
  bool active_;
};

}  // namespace

Win32Desktop::Win32Desktop(WaitTimer waitTimer) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  counterFrequency_ = frequency.QuadPart;
  if (waitTimer == WaitTimer::HighResolution) {
    waitTimer_.reset(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                            SYNCHRONIZE | TIMER_MODIFY_STATE));
  }
  honourTimerResolutionWhenHidden();
}

Win32Desktop::~Win32Desktop() {
  // The hook holds a pointer to this object; the hotkeys themselves stay
  // registered until their window goes.
  for (HWND owner : hookedOwners_) {
    RemoveWindowSubclass(owner, hotkeyHook, reinterpret_cast<UINT_PTR>(this));
  }
}

void Win32Desktop::setPreTranslate(PreTranslate preTranslate) {
  preTranslate_ = std::move(preTranslate);
}

void Win32Desktop::setMouseFailureReport(MouseFailureReport report) {
  mouseFailureReport_ = std::move(report);
}

void Win32Desktop::handleMessage(MSG& message) {
  if (preTranslate_ && preTranslate_(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int Win32Desktop::runMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    // Only an invalid window filter makes GetMessageW fail, and there is none.
    if (got == -1) return -1;
    handleMessage(message);
  }
}

void Win32Desktop::processPendingMessages() {
  MSG message;
  // One look per message: a script of clicks calls this after every
  // statement, and each look is a round trip to the window system (under
  // Wine a server request), so looking before taking halved the clicks a
  // second. A quit request taken this way is put back for the main loop.
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    handleMessage(message);
  }
}

bool Win32Desktop::quitRequested() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

void Win32Desktop::wait(int milliseconds) {
  // A closing program must not go on handling messages for a running script.
  if (milliseconds <= 0 || quitRequested()) return;
  const LONGLONG deadline = counterNow() + scaleUp(milliseconds, counterFrequency_, 1000);
  const FineTimerResolution resolution(!waitTimer_);
  for (;;) {
    processPendingMessages();
    if (quitRequested()) return;
    const LONGLONG now = counterNow();
    if (now >= deadline) return;
    // A timed sleep can end late by a share of its length where the system
    // grants timers slack (under Wine on Linux about 0.1 %: a whole
    // millisecond of a 1000 ms delay). A long sleep therefore wakes 0.2 %
    // early and the loop sleeps the short rest again; one wake more per
    // delay, never a spin.
    const LONGLONG left = deadline - now;
    const LONGLONG early = left > counterFrequency_ / 20 ? left / 500 : 0;
    sleepUntilMessageOr(left - early);
  }
}

void Win32Desktop::sleepUntilMessageOr(LONGLONG ticks) {
  if (waitTimer_) {
    LARGE_INTEGER due;
    due.QuadPart = -scaleUp(ticks, 10'000'000, counterFrequency_);  // relative, 100 ns units
    HANDLE timer = waitTimer_.get();
    if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
        MsgWaitForMultipleObjectsEx(1, &timer, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
            WAIT_FAILED) {
      return;
    }
  }
  const LONGLONG milliseconds =
      std::min<LONGLONG>(scaleUp(ticks, 1000, counterFrequency_), 0x7fffffff);
  if (MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(milliseconds), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE) == WAIT_FAILED) {
    // Unheard of; sleeping a little keeps the wait from spinning a core.
    Sleep(1);
  }
}

ScreenPoint Win32Desktop::pointerPosition() {
  POINT point;
  // Fails while another desktop (the lock screen, a UAC prompt) has the input.
  if (GetCursorPos(&point)) lastPointer_ = {point.x, point.y};
  return lastPointer_;
}

void Win32Desktop::mouseAction(int x, int y, int kind) {
  if (kind < 0 || kind > 3) kind = 0;
  SetLastError(0);
  if (!SetCursorPos(x, y)) {
    // Clicking now would hit whatever lies under the old position.
    reportMouseFailure(MouseFailure::PointerNotMoved, GetLastError());
    return;
  }
  lastPointer_ = {x, y};

  const bool right = kind >= 2;
  const int clicks = (kind == 1 || kind == 3) ? 2 : 1;
  INPUT inputs[4] = {};
  UINT count = 0;
  for (int click = 0; click < clicks; ++click) {
    for (DWORD flag : {right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN,
                       right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP}) {
      inputs[count].type = INPUT_MOUSE;
      inputs[count].mi.dwFlags = flag;
      ++count;
    }
  }
  // One call, so no input from a real device can come between the
  // transitions and split a double click.
  SetLastError(0);
  if (SendInput(count, inputs, sizeof(INPUT)) != count) {
    reportMouseFailure(MouseFailure::ClicksRefused, GetLastError());
    return;
  }
  mouseFailing_ = false;
}

void Win32Desktop::reportMouseFailure(MouseFailure failure, DWORD error) {
  if (mouseFailing_ && lastMouseFailure_ == failure) return;
  mouseFailing_ = true;
  lastMouseFailure_ = failure;
  if (mouseFailureReport_) mouseFailureReport_(failure, error);
}

int Win32Desktop::registerHotkey(WindowRef owner, WindowRef receiver, int modifiers, int keyCode) {
  const HWND ownerWindow = static_cast<HWND>(owner);
  UINT systemModifiers = 0;
  if (modifiers & kModifierCtrl) systemModifiers |= MOD_CONTROL;
  if (modifiers & kModifierShift) systemModifiers |= MOD_SHIFT;
  if (modifiers & kModifierAlt) systemModifiers |= MOD_ALT;

  const bool hooked =
      std::find(hookedOwners_.begin(), hookedOwners_.end(), ownerWindow) != hookedOwners_.end();
  if (!hooked) {
    // Fails for a window of another thread; its presses could never be
    // forwarded, so the registration is refused.
    if (!SetWindowSubclass(ownerWindow, hotkeyHook, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this))) {
      return 0;
    }
    hookedOwners_.push_back(ownerWindow);
  }

  const int id = nextHotkeyId_;
  if (!RegisterHotKey(ownerWindow, id, systemModifiers, static_cast<UINT>(keyCode))) return 0;
  ++nextHotkeyId_;
  hotkeyIds_.push_back(id);
  hotkeyReceiver_ = static_cast<HWND>(receiver);
  return id;
}

bool Win32Desktop::isOurHotkey(int id) const {
  return std::find(hotkeyIds_.begin(), hotkeyIds_.end(), id) != hotkeyIds_.end();
}

LRESULT CALLBACK Win32Desktop::hotkeyHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR self) {
  auto* desktop = reinterpret_cast<Win32Desktop*>(self);
  if (message == WM_HOTKEY && desktop->isOurHotkey(static_cast<int>(wParam)) &&
      desktop->hotkeyReceiver_) {
    SendMessageW(desktop->hotkeyReceiver_, kHotkeyNotifyMessage, wParam, 0);
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, hotkeyHook, subclassId);
    std::erase(desktop->hookedOwners_, window);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace kestrune
