#pragma once

// The end-to-end test driver: a Win32 program on the same Wine desktop as the
// kestrune.exe processes it starts. It reads and drives them from outside,
// the way a user and the desktop do: window messages, real key presses (via
// the native X helper) and clicks caught by recorder windows of its own.

#include <windows.h>

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::e2e {

// Set up by main() from what the harness passes in the environment.
struct Settings {
  std::wstring program;  // kestrune.exe, a Windows path
  std::wstring desktop;  // the Wine desktop the tests run on
  int helperPort = 0;    // the native X helper's loopback port
};
const Settings& settings();
// Joins the test desktop and reads the settings; returns what is wrong, or "".
std::string setUp();

// Every wait of the driver handles its own window messages: the click
// recorders live on its thread.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void pumpFor(DWORD milliseconds);

// Keys and the pointer grab, served by the native X helper.
class XHelper {
 public:
  static XHelper& instance();
  // xdotool key names: "F11", "Tab", "shift+Tab", "Escape".
  void pressKeys(std::string_view keys);
  void grabPointer();
  void releasePointer();
  // Saves the screen as an image file (a Unix path); `geometry` is "-" for
  // the whole screen or WxH+X+Y for a part of it.
  bool screenshot(std::string_view geometry, std::string_view unixPath);

 private:
  XHelper();
  bool request(std::string_view line);
  UINT_PTR socket_;
};

// Holds the pointer grab for a scope that records clicks. Tests of the pointer
// readout must run without it.
class PointerGrab {
 public:
  PointerGrab() { XHelper::instance().grabPointer(); }
  ~PointerGrab() { XHelper::instance().releasePointer(); }
  PointerGrab(const PointerGrab&) = delete;
  PointerGrab& operator=(const PointerGrab&) = delete;
};

enum class Button { LeftDown, LeftUp, LeftDouble, RightDown, RightUp, RightDouble };

// One button message as a recorder window received it.
struct Click {
  int recorder = 0;  // index of the recorder in the order they were made
  Button button = Button::LeftDown;
  POINT at{};  // screen position
  friend bool operator==(const Click& a, const Click& b) {
    return a.recorder == b.recorder && a.button == b.button && a.at.x == b.at.x && a.at.y == b.at.y;
  }
};
void PrintTo(const Click& click, std::ostream* os);

// Small topmost windows centred on screen points, which never take the
// activation away from Kestrune, recording every button message they receive
// in one list, so that the order across points shows too.
class ClickRecorders {
 public:
  ClickRecorders();
  ~ClickRecorders();
  ClickRecorders(const ClickRecorders&) = delete;
  ClickRecorders& operator=(const ClickRecorders&) = delete;

  // Returns the new recorder's index.
  int add(POINT centre);
  const std::vector<Click>& clicks() const { return clicks_; }
  // The message time (GetTickCount clock) of each click, beside clicks().
  const std::vector<DWORD>& times() const { return times_; }
  // Takes in clicks until none has come for `quietMs`: what a flood left
  // queued must not reach later windows at the same place.
  void drain(DWORD quietMs, DWORD timeoutMs);

 private:
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
  std::vector<HWND> windows_;
  std::vector<Click> clicks_;
  std::vector<DWORD> times_;
};

// The clicks a mouse action of the given kind produces in a window with
// CS_DBLCLKS: 0 left, 1 double, 2 right, 3 right double.
std::vector<Click> expectedClicks(int recorder, POINT at, int kind);

// The demonstration of scripts/run and the README's screenshot: the example
// script runs one pass between two presses of F11; prints the clicks and the
// message log. Returns the process exit code.
struct DemoOptions {
  std::string screenshot;        // the whole screen, if not empty
  std::string windowScreenshot;  // just the main window, if not empty
};
int runDemo(const DemoOptions& options);

// One running kestrune.exe. The process belongs to the driver's job, so it
// cannot outlive the driver; the destructor ends it if it is still running.
class Kestrune {
 public:
  // Starts the program and waits for its main window; nullptr (with the
  // reason added as a test failure) if it does not come up.
  static std::unique_ptr<Kestrune> start();
  ~Kestrune();
  Kestrune(const Kestrune&) = delete;
  Kestrune& operator=(const Kestrune&) = delete;

  HWND window() const { return window_; }
  HWND control(int id) const;
  // A shown top-level window of this process by class, e.g. L"#32770" for
  // the file dialog; nullptr if there is none.
  HWND findWindow(std::wstring_view className) const;

  // Texts are UTF-8, as inside the program.
  std::string text(int controlId) const;
  void setText(int controlId, std::string_view utf8);
  std::string log() const;
  // Waits until the message log reads exactly `expected`; returns whether it did.
  bool waitForLog(std::string_view expected, DWORD timeoutMs) const;
  std::string status(int pane) const;

  void command(int id);     // a menu entry, as WM_COMMAND
  void closeBox();          // the close box, as WM_SYSCOMMAND SC_CLOSE
  void bringToFront();      // makes it the foreground window, for keys
  HWND focus() const;       // the control with the keyboard focus
  bool responsive() const;  // answers a message within a second

  // The exit code once the process has ended within the timeout.
  std::optional<DWORD> waitForExit(DWORD timeoutMs);

 private:
  Kestrune() = default;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

}  // namespace kestrune::e2e
