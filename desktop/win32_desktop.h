#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "desktop/desktop_services.h"
#include "desktop/unique_handle.h"

namespace kestrune {

// Sent (not posted) to a hotkey's receiver window on every press, with
// wParam = hotkey id and lParam = 0; the owner handles WM_HOTKEY afterwards.
inline constexpr UINT kHotkeyNotifyMessage = WM_APP + 0x100;

// Why a mouse action did not happen as asked.
enum class MouseFailure {
  PointerNotMoved,  // SetCursorPos refused: nothing was clicked
  ClicksRefused,    // SendInput took fewer transitions than it was given
};

class Win32Desktop final : public DesktopServices {
 public:
  // Gives a message to the window's keyboard handling before it is translated
  // and dispatched; returns true when it consumed the message.
  using PreTranslate = std::function<bool(MSG&)>;

  // Told when a mouse action fails, with the Win32 error code (0 when the
  // system gave none, as for input blocked by a program running elevated).
  // A script repeats its clicks, so a streak of the same failure is told once;
  // a successful action ends the streak.
  using MouseFailureReport = std::function<void(MouseFailure failure, DWORD error)>;

  // How a wait sleeps between looks at the clock. The default takes a
  // high-resolution waitable timer where the system has one (Windows 10 1803
  // and later), else the wait's own timeout with the system timer resolution
  // raised to 1 ms while the wait lasts; `SystemTimer` always takes the latter.
  enum class WaitTimer { HighResolution, SystemTimer };

  explicit Win32Desktop(WaitTimer waitTimer = WaitTimer::HighResolution);
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  // The same pre-translation applies in the main loop and inside waits, so
  // keys behave alike whether or not a script is running.
  void setPreTranslate(PreTranslate preTranslate);

  void setMouseFailureReport(MouseFailureReport report);

  // The program's main message loop; returns the quit code.
  int runMessageLoop();

  ScreenPoint pointerPosition() override;
  void mouseAction(int x, int y, int kind) override;
  // A refused registration hands out no id: ids count the registrations that
  // exist, so the program's first hotkey is 33001 whatever failed before it.
  int registerHotkey(WindowRef owner, WindowRef receiver, int modifiers, int keyCode) override;
  void wait(int milliseconds) override;
  void processPendingMessages() override;
  bool quitRequested() override;

 private:
  static LRESULT CALLBACK hotkeyHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR subclassId, DWORD_PTR self);

  void handleMessage(MSG& message);
  // Blocks until a message arrives or `ticks` of the performance counter pass.
  void sleepUntilMessageOr(LONGLONG ticks);
  void reportMouseFailure(MouseFailure failure, DWORD error);
  bool isOurHotkey(int id) const;

  PreTranslate preTranslate_;
  MouseFailureReport mouseFailureReport_;
  bool mouseFailing_ = false;
  MouseFailure lastMouseFailure_ = MouseFailure::PointerNotMoved;
  ScreenPoint lastPointer_;

  LONGLONG counterFrequency_ = 0;
  // A high-resolution waitable timer where the system offers one; without it
  // waits raise the system timer resolution while they last.
  UniqueHandle waitTimer_;

  int nextHotkeyId_ = kFirstHotkeyId;
  std::vector<int> hotkeyIds_;
  std::vector<HWND> hookedOwners_;
  HWND hotkeyReceiver_ = nullptr;
};

}  // namespace kestrune
