#pragma once

#include <windows.h>

// The base of the program's top-level windows: one static window procedure
// finds the C++ object behind an HWND and hands it the message, so each window
// keeps its state in its own object.
namespace kestrune {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND hwnd() const { return hwnd_; }

  // The object behind a window of a class registered by registerClass(), or
  // nullptr for any other window.
  static Window* fromHandle(HWND hwnd);

  // Sees every queued message for this window or one of its controls before it
  // is translated and dispatched; returns true when it consumed the message.
  virtual bool preTranslate(MSG& msg);

 protected:
  // Registers a class whose windows are served by this base; the procedure
  // and the instance are filled in. Registering a class twice is not an error.
  static bool registerClass(WNDCLASSEXW windowClass);

  // Creates the window with this object behind it. Messages sent during
  // creation (WM_NCCREATE, WM_CREATE, WM_SIZE...) already reach handleMessage.
  HWND create(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x,
              int y, int width, int height, HWND parent, HMENU menu);

  // Destroys the window while the whole object is still alive; derived
  // destructors call it so their handlers see their own members.
  void destroy();

  virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // The last call for this window, after WM_NCDESTROY and after the object was
  // detached from it: an owner may free the object here, since nothing
  // touches it afterwards.
  virtual void onFinalMessage() {}

 private:
  static LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
};

// The one pre-translation of the program: the main message loop and the
// runner's waits both pass every message through it, so keys behave alike
// whether or not a script runs.
bool preTranslateMessage(MSG& msg);

}  // namespace kestrune
