#include "ui/status_bar.h"

#include <uxtheme.h>

#include "ui/encoding.h"
#include "ui/layout.h"

namespace kestrune {

bool StatusBar::create(HWND parent, const settings::ControlSettings& control,
                       std::span<const settings::PaneSettings> panes, UINT dpi) {
  control_ = &control;
  panes_ = panes;
  dpi_ = dpi;
  const settings::Rect rect = scaleRect(control.rect, dpi);
  hwnd_ = CreateWindowExW(control.exStyle, STATUSCLASSNAMEW, L"", control.style, rect.left,
                          rect.top, rect.width, rect.height, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) return false;
  // A themed bar ignores SB_SETBKCOLOR; without its theme it takes the colour.
  // A blank, not an empty, name: it matches no theme class on Windows, while
  // Wine reads an empty name as "back to the default theme".
  SetWindowTheme(hwnd_, L" ", L" ");
  if (control.ownColours) SendMessageW(hwnd_, SB_SETBKCOLOR, 0, control.background);
  applyDpi();
  texts_.clear();
  for (const auto& pane : panes) texts_.emplace_back(pane.text);
  for (int i = 0; i < paneCount(); ++i) show(i);
  return true;
}

void StatusBar::setPaneText(int pane, std::string_view text) {
  if (pane < 0 || pane >= paneCount()) return;
  texts_[static_cast<size_t>(pane)] = text;
  show(pane);
}

void StatusBar::show(int pane) {
  if (hwnd_ == nullptr) return;
  const std::wstring wide = widen(texts_[static_cast<size_t>(pane)]);
  // Type 0: the normal sunken bevel.
  SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(pane),
               reinterpret_cast<LPARAM>(wide.c_str()));
}

const std::string& StatusBar::paneText(int pane) const {
  static const std::string none;
  return pane >= 0 && pane < paneCount() ? texts_[static_cast<size_t>(pane)] : none;
}

void StatusBar::dock() {
  if (hwnd_ != nullptr) SendMessageW(hwnd_, WM_SIZE, 0, 0);
}

void StatusBar::setDpi(UINT dpi) {
  dpi_ = dpi;
  applyDpi();
  dock();
}

void StatusBar::applyDpi() {
  if (hwnd_ == nullptr) return;
  if (control_->fontHeight > 0) {
    UniqueFont font = createFont(control_->fontHeight, dpi_);
    if (font) {
      SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
      font_ = std::move(font);
    }
  }
  std::vector<int> edges = paneEdges(panes_, dpi_);
  SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  // The bar keeps texts across new edges, but say them again rather than
  // rely on every comctl32 doing so.
  for (int i = 0; i < static_cast<int>(texts_.size()); ++i) show(i);
}

std::string pointerReadout(ScreenPoint point) {
  std::string text(settings::kPointerLabel);
  text += 'X';
  text += std::to_string(point.x);
  text += "  Y";
  text += std::to_string(point.y);
  return text;
}

}  // namespace kestrune
