#pragma once

#include <windows.h>

#include <functional>

#include "desktop/desktop_services.h"

namespace kestrune {

// Sent (not posted) to a hotkey's receiver window on every press, with
// wParam = hotkey id and lParam = 0; the owner handles WM_HOTKEY afterwards.
inline constexpr UINT kHotkeyNotifyMessage = WM_APP + 0x100;

class Win32Desktop final : public DesktopServices {
 public:
  // Gives a message to the window's keyboard handling before it is translated
  // and dispatched; returns true when it consumed the message.
  using PreTranslate = std::function<bool(MSG&)>;

  Win32Desktop();
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  // The same pre-translation applies in the main loop and inside waits, so
  // keys behave alike whether or not a script is running.
  void setPreTranslate(PreTranslate preTranslate);

  // The program's main message loop; returns the quit code.
  int runMessageLoop();

  ScreenPoint pointerPosition() override;
  void mouseAction(int x, int y, int kind) override;
  int registerHotkey(WindowRef owner, WindowRef receiver, int modifiers, int keyCode) override;
  void wait(int milliseconds) override;
  void processPendingMessages() override;
  bool quitRequested() override;
};

}  // namespace kestrune
