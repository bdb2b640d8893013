// The yardstick for start-up: the least a Win32 program with a window and
// F11 does. It registers its class, creates and shows one empty window,
// registers F11 and runs its message loop until the window is closed.
#include <windows.h>

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"KestruneBenchBareWindow";
  if (!RegisterClassExW(&windowClass)) return 1;
  const HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, L"bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 666, 567, nullptr, nullptr, instance, nullptr);
  if (!window || !RegisterHotKey(window, 1, 0, VK_F11)) return 1;
  ShowWindow(window, showCommand);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
