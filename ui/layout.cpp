#include "ui/layout.h"

#include <algorithm>

namespace kestrune {
namespace {

// GetDpiForWindow and GetDpiForSystem exist from Windows 10 1607 on; linking
// them directly would stop the program from starting on older systems.
template <typename Function>
Function user32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through void(*)() because GCC warns about casting between function types.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

UINT screenDpi() {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kBaseDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

}  // namespace

int scaleForDpi(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), kBaseDpi);
}

settings::Rect scaleRect(const settings::Rect& rect, UINT dpi) {
  return {scaleForDpi(rect.left, dpi), scaleForDpi(rect.top, dpi), scaleForDpi(rect.width, dpi),
          scaleForDpi(rect.height, dpi)};
}

settings::Rect placeControl(const settings::ControlSettings& control, UINT dpi, SIZE growth) {
  settings::Rect rect = scaleRect(control.rect, dpi);
  if (control.anchors & settings::kGrowWidth)
    rect.width = std::max(0, rect.width + static_cast<int>(growth.cx));
  if (control.anchors & settings::kGrowHeight)
    rect.height = std::max(0, rect.height + static_cast<int>(growth.cy));
  if (control.anchors & settings::kFollowBottom) rect.top += static_cast<int>(growth.cy);
  return rect;
}

std::vector<int> paneEdges(std::span<const settings::PaneSettings> panes, UINT dpi) {
  std::vector<int> edges;
  edges.reserve(panes.size());
  for (const auto& pane : panes) {
    edges.push_back(pane.rightEdge < 0 ? -1 : scaleForDpi(pane.rightEdge, dpi));
  }
  return edges;
}

UINT systemDpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto getDpiForSystem = user32Function<GetDpiForSystemFn>("GetDpiForSystem");
  if (getDpiForSystem != nullptr) {
    const UINT dpi = getDpiForSystem();
    if (dpi != 0) return dpi;
  }
  return screenDpi();
}

UINT dpiForWindow(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow != nullptr && hwnd != nullptr) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi != 0) return dpi;
  }
  return systemDpi();
}

UniqueFont createFont(int characterHeight, UINT dpi) {
  LOGFONTW font{};
  // Negative: the character height, not the cell height.
  font.lfHeight = -scaleForDpi(characterHeight, dpi);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    std::copy(std::begin(metrics.lfMessageFont.lfFaceName),
              std::end(metrics.lfMessageFont.lfFaceName), std::begin(font.lfFaceName));
  }
  return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace kestrune
