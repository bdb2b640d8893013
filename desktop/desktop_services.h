#pragma once

// The operating-system operations the script engine and the windows rely on.
// This header is portable: the engine builds and is tested on Linux against a
// fake, and the Windows program uses the Win32 implementation.

namespace kestrune {

// Screen coordinates in pixels from the top-left corner of the primary screen.
struct ScreenPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// A native window (an HWND on Windows), opaque to portable code.
using WindowRef = void*;

// Modifier codes of a hotkey; they add up (Ctrl+Shift = 3).
inline constexpr int kModifierCtrl = 1;
inline constexpr int kModifierShift = 2;
inline constexpr int kModifierAlt = 4;

// Hotkey ids are handed out from here upwards and never reused; 0 is failure.
inline constexpr int kFirstHotkeyId = 33001;

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  virtual ScreenPoint pointerPosition() = 0;

  // Moves the pointer to x, y and clicks there: kind 0 left click, 1 double
  // click, 2 right click, 3 right double click; any other kind acts as 0.
  virtual void mouseAction(int x, int y, int kind) = 0;

  // Registers a system-wide hotkey on `owner`; every press notifies
  // `receiver` with the hotkey id. Returns the id, or 0 when the key is taken.
  virtual int registerHotkey(WindowRef owner, WindowRef receiver, int modifiers, int keyCode) = 0;

  // Returns once `milliseconds` have passed, never earlier, handling window
  // messages all the while. Returns at once for 0 or less, and as soon as a
  // quit request is pending.
  virtual void wait(int milliseconds) = 0;

  // Handles every message already queued. A quit request stays queued for the
  // main message loop.
  virtual void processPendingMessages() = 0;

  // True once a quit request is pending: the program is closing and a running
  // script must end without touching the mouse again.
  virtual bool quitRequested() = 0;
};

}  // namespace kestrune
