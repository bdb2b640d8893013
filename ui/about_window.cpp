#include "ui/about_window.h"

#include "ui/encoding.h"

namespace kestrune {

AboutWindow::~AboutWindow() {
  destroy();
}

bool AboutWindow::show() {
  if (hwnd() != nullptr) {
    if (IsIconic(hwnd())) {
      ShowWindow(hwnd(), SW_RESTORE);
    } else {
      SetForegroundWindow(hwnd());
    }
    return true;
  }

  const settings::WindowSettings& stored = settings::kAboutWindow;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // Shared icons: the system frees them, not the window.
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(stored.iconId),
                                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(stored.iconId),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.lpszClassName = ids::kAboutWindowClass;
  if (!registerClass(windowClass)) return false;

  // Centred on the primary screen by the main window's rule.
  const UINT dpi = systemDpi();
  const int width = scaleForDpi(stored.width, dpi);
  const int height = scaleForDpi(stored.height, dpi);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  if (create(stored.exStyle, ids::kAboutWindowClass, widen(stored.caption).c_str(), stored.style, x,
             y, width, height, nullptr, nullptr) == nullptr) {
    return false;
  }
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  UpdateWindow(hwnd());
  return true;
}

bool AboutWindow::onCreate() {
  dpi_ = dpiForWindow(hwnd());
  background_.reset(CreateSolidBrush(settings::kAboutWindow.background));
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  for (size_t i = 0; i < kLabelCount; ++i) {
    const settings::ControlSettings& stored = settings::kAboutControls[i];
    const settings::Rect rect = scaleRect(stored.rect, dpi_);
    labels_[i] = CreateWindowExW(stored.exStyle, L"STATIC", widen(stored.caption).c_str(),
                                 stored.style, rect.left, rect.top, rect.width, rect.height, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(stored.id)), instance,
                                 nullptr);
    // A window that cannot show its text has nothing to show.
    if (labels_[i] == nullptr) return false;
    SendMessageW(labels_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (stored.ownColours) labelBrushes_[i].reset(CreateSolidBrush(stored.background));
  }
  return true;
}

void AboutWindow::layoutLabels() {
  for (size_t i = 0; i < kLabelCount; ++i) {
    const settings::Rect rect = scaleRect(settings::kAboutControls[i].rect, dpi_);
    SetWindowPos(labels_[i], nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

LRESULT AboutWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return onCreate() ? 0 : -1;
    case WM_ERASEBKGND: {
      if (!background_) break;
      RECT client{};
      GetClientRect(hwnd(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      for (size_t i = 0; i < kLabelCount; ++i) {
        if (labels_[i] != reinterpret_cast<HWND>(lParam) || !labelBrushes_[i]) continue;
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, settings::kAboutControls[i].text);
        SetBkColor(dc, settings::kAboutControls[i].background);
        return reinterpret_cast<LRESULT>(labelBrushes_[i].get());
      }
      break;
    case WM_KEYDOWN:
      // The labels take no focus, so keys come to the window itself, under
      // any message loop. Esc closes only this window.
      if (wParam == VK_ESCAPE && settings::kAboutWindow.escapeCloses) {
        SendMessageW(hwnd(), WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      const UINT dpi = LOWORD(wParam);
      if (dpi == 0) break;
      dpi_ = dpi;
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      layoutLabels();
      return 0;
    }
    case WM_NCDESTROY:
      labels_.fill(nullptr);
      break;
    default:
      break;
  }
  return Window::handleMessage(message, wParam, lParam);
}

}  // namespace kestrune
