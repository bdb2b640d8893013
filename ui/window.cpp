#include "ui/window.h"

namespace kestrune {

Window::~Window() {
  // A derived destructor should have called destroy(); if not, the window
  // must at least stop reaching an object that is half gone.
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
}

Window* Window::fromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  // The class procedure, not the window's: a subclassed window is still ours.
  if (GetClassLongPtrW(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&windowProcedure)) {
    return nullptr;
  }
  return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Window::preTranslate(MSG&) {
  return false;
}

bool Window::registerClass(WNDCLASSEXW windowClass) {
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Window::create(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu) {
  return CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent, menu,
                         GetModuleHandleW(nullptr), this);
}

void Window::destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

LRESULT Window::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after detaching.
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);

  if (message != WM_NCDESTROY) return self->handleMessage(message, wParam, lParam);

  const LRESULT result = self->handleMessage(message, wParam, lParam);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  self->hwnd_ = nullptr;
  self->onFinalMessage();
  return result;
}

bool preTranslateMessage(MSG& msg) {
  if (msg.hwnd == nullptr) return false;
  Window* window = Window::fromHandle(GetAncestor(msg.hwnd, GA_ROOT));
  return window != nullptr && window->preTranslate(msg);
}

}  // namespace kestrune
