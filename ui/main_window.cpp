#include "ui/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "desktop/win32_desktop.h"
#include "ui/encoding.h"
#include "ui/settings/initial_script.h"
#include "ui/settings/menu.h"
#include "ui/settings/texts.h"

namespace kestrune {
namespace {

using settings::ControlKind;
using settings::ControlSettings;

const wchar_t* controlClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return L"EDIT";
    case ControlKind::Label:
      return L"STATIC";
    default:
      return nullptr;
  }
}

// The menu bar from the flat command table: consecutive lines with the same
// menu name share one popup.
UniqueMenu buildMenu() {
  UniqueMenu bar(CreateMenu());
  if (!bar) return bar;
  const auto* line = std::begin(settings::kMainMenu);
  const auto* const end = std::end(settings::kMainMenu);
  while (line != end) {
    UniqueMenu popup(CreatePopupMenu());
    if (!popup) return {};
    const std::string_view menu = line->menu;
    for (; line != end && line->menu == menu; ++line) {
      if (!AppendMenuW(popup.get(), MF_STRING, static_cast<UINT_PTR>(line->id),
                       widen(line->entry).c_str())) {
        return {};
      }
    }
    if (!AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup.get()),
                     widen(menu).c_str())) {
      return {};
    }
    popup.release();  // now freed with the bar
  }
  return bar;
}

UniqueAccelerators buildAccelerators() {
  std::vector<ACCEL> table;
  for (const auto& key : settings::kMainAccelerators) {
    table.push_back({key.flags, key.key, static_cast<WORD>(key.id)});
  }
  return UniqueAccelerators(CreateAcceleratorTableW(table.data(), static_cast<int>(table.size())));
}

}  // namespace

MainWindow::MainWindow(DesktopServices& desktop, RandomSource& random)
    : desktop_(desktop),
      runner_(
          desktop, [this] { return scriptText(); },
          [this](std::string_view text) { appendMessage(text); }, random) {}

MainWindow::~MainWindow() {
  destroy();
}

bool MainWindow::create(int showCommand) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);  // a failure shows as a missing status bar, reported below
  WNDCLASSEXW windowClass{};
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = ids::kMainWindowClass;
  if (!registerClass(windowClass)) return false;

  // Reported in the log once it exists; the window is of use without them.
  UniqueMenu menu = buildMenu();
  if (!menu) reportFailure(texts::kNoMenu, GetLastError());
  accelerators_ = buildAccelerators();
  if (!accelerators_) reportFailure(texts::kNoAccelerator, GetLastError());

  const settings::WindowSettings& stored = settings::kMainWindow;
  const UINT dpi = systemDpi();
  const int width = scaleForDpi(stored.width, dpi);
  const int height = scaleForDpi(stored.height, dpi);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  if (Window::create(stored.exStyle, ids::kMainWindowClass, widen(stored.caption).c_str(),
                     stored.style, x, y, width, height, nullptr, menu.get()) == nullptr) {
    return false;
  }
  menu.release();  // the window frees its menu

  icon_.reset(
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(stored.iconId),
                                    IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  if (icon_) {
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  }

  registerHotkey();
  ShowWindow(hwnd(), showCommand);
  UpdateWindow(hwnd());
  SetFocus(lastFocus_);
  return true;
}

bool MainWindow::onCreate() {
  dpi_ = dpiForWindow(hwnd());
  background_.reset(CreateSolidBrush(settings::kMainWindow.background));

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (size_t i = 0; i < kControlCount; ++i) {
    const ControlSettings& stored = settings::kMainControls[i];
    switch (stored.kind) {
      case ControlKind::FileDialog:
        break;  // a dialog exists only while it is shown
      case ControlKind::Timer:
        if (SetTimer(hwnd(), static_cast<UINT_PTR>(stored.id), static_cast<UINT>(stored.intervalMs),
                     nullptr) == 0) {
          reportFailure(texts::kNoTimer, GetLastError());
        }
        break;
      case ControlKind::StatusBar:
        if (statusBar_.create(hwnd(), stored, settings::kStatusPanes, dpi_)) {
          controls_[i] = statusBar_.hwnd();
        } else {
          reportFailure(texts::kNoStatusBar, GetLastError());
        }
        break;
      case ControlKind::Edit:
      case ControlKind::Label: {
        const settings::Rect rect = scaleRect(stored.rect, dpi_);
        controls_[i] = CreateWindowExW(
            stored.exStyle, controlClass(stored.kind), widen(stored.caption).c_str(), stored.style,
            rect.left, rect.top, rect.width, rect.height, hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(stored.id)), instance, nullptr);
        // Without its editor, log or hotkey receiver the window is of no use.
        if (controls_[i] == nullptr) return false;
        break;
      }
    }
    if (stored.ownColours && stored.kind != ControlKind::StatusBar) {
      brushes_[i].reset(CreateSolidBrush(stored.background));
    }
  }
  applyFonts();

  const HWND editor = scriptEditor();
  const HWND log = messageLog();
  // 0: no limit beyond the control's own maximum.
  SendMessageW(editor, EM_SETLIMITTEXT, 0, 0);
  SendMessageW(log, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextW(editor, widen(kInitialScript).c_str());
  SendMessageW(editor, EM_SETSEL, 0, 0);
  lastFocus_ = editor;

  if (!SetWindowSubclass(hotkeyLabel(), &labelProcedure, 0, reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }

  RECT client{};
  GetClientRect(hwnd(), &client);
  createdClient_ = {client.right, client.bottom};

  if (!startupFailures_.empty()) appendMessage(std::exchange(startupFailures_, {}));
  return true;
}

void MainWindow::applyFonts() {
  for (size_t i = 0; i < kControlCount; ++i) {
    const ControlSettings& stored = settings::kMainControls[i];
    // The status bar sizes its own font along with its panes.
    if (controls_[i] == nullptr || stored.kind == ControlKind::StatusBar) continue;
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    UniqueFont own;
    if (stored.fontHeight > 0) {
      own = createFont(stored.fontHeight, dpi_);
      if (own) font = own.get();
    }
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // Only now is the control's previous font no longer in use.
    fonts_[i] = std::move(own);
  }
}

void MainWindow::layoutControls() {
  RECT client{};
  if (!GetClientRect(hwnd(), &client)) return;
  const SIZE growth{client.right - createdClient_.cx, client.bottom - createdClient_.cy};
  for (size_t i = 0; i < kControlCount; ++i) {
    const ControlSettings& stored = settings::kMainControls[i];
    if (controls_[i] == nullptr || stored.kind == ControlKind::StatusBar) continue;
    const settings::Rect rect = placeControl(stored, dpi_, growth);
    SetWindowPos(controls_[i], nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainWindow::onSize(WPARAM kind) {
  // The bar first, as the resized event comes after it has re-docked.
  statusBar_.dock();
  if (kind != SIZE_MINIMIZED) layoutControls();
}

void MainWindow::onDpiChanged(UINT dpi, const RECT& suggested) {
  if (dpi == 0) return;
  createdClient_.cx = MulDiv(createdClient_.cx, static_cast<int>(dpi), static_cast<int>(dpi_));
  createdClient_.cy = MulDiv(createdClient_.cy, static_cast<int>(dpi), static_cast<int>(dpi_));
  dpi_ = dpi;
  applyFonts();
  statusBar_.setDpi(dpi_);
  SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The suggested size may equal the current one, which sends no WM_SIZE.
  statusBar_.dock();
  layoutControls();
}

void MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (lParam == 0) {  // a menu entry or its accelerator
    for (const auto& command : settings::kMainMenu) {
      if (command.id == id) {
        command.run(*this);
        return;
      }
    }
    return;
  }
  if (HIWORD(wParam) == EN_SETFOCUS) lastFocus_ = reinterpret_cast<HWND>(lParam);
}

LRESULT MainWindow::onControlColour(UINT message, HDC dc, HWND control) {
  for (size_t i = 0; i < kControlCount; ++i) {
    if (controls_[i] != control || !brushes_[i]) continue;
    const ControlSettings& stored = settings::kMainControls[i];
    SetTextColor(dc, stored.text);
    SetBkColor(dc, stored.background);
    return reinterpret_cast<LRESULT>(brushes_[i].get());
  }
  return DefWindowProcW(hwnd(), message, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(control));
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return onCreate() ? 0 : -1;
    case WM_SIZE:
      onSize(wParam);
      return 0;
    case WM_DPICHANGED:
      onDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(hwnd(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
      return 1;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return onControlColour(message, reinterpret_cast<HDC>(wParam),
                             reinterpret_cast<HWND>(lParam));
    case WM_COMMAND:
      onCommand(wParam, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == static_cast<WPARAM>(ids::kPointerTimer)) {
        const std::string readout = pointerReadout(desktop_.pointerPosition());
        // Five times a second: repaint only when the pointer moved.
        if (readout != statusBar_.paneText(settings::kPointerPane)) {
          statusBar_.setPaneText(settings::kPointerPane, readout);
        }
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd(), focus)) lastFocus_ = focus;
      }
      break;  // DefWindowProc focuses the window on activation: WM_SETFOCUS
    case WM_SETFOCUS:
      if (lastFocus_ != nullptr && IsWindow(lastFocus_)) SetFocus(lastFocus_);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd(), static_cast<UINT_PTR>(ids::kPointerTimer));
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      // The controls are gone; a script still unwinding may append a message.
      controls_.fill(nullptr);
      statusBar_.detach();
      lastFocus_ = nullptr;
      break;
    default:
      break;
  }
  return Window::handleMessage(message, wParam, lParam);
}

bool MainWindow::preTranslate(MSG& msg) {
  if (accelerators_ && TranslateAcceleratorW(hwnd(), accelerators_.get(), &msg)) return true;
  if (msg.message != WM_KEYDOWN) return false;
  switch (msg.wParam) {
    case VK_TAB:
      moveFocus(GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_ESCAPE:
      // While an input method composes, Esc arrives as VK_PROCESSKEY and only
      // cancels the composition; it never gets here.
      if (!settings::kMainWindow.escapeCloses) return false;
      SendMessageW(hwnd(), WM_CLOSE, 0, 0);
      return true;
    default:
      return false;
  }
}

void MainWindow::moveFocus(bool backwards) {
  std::vector<HWND> stops;
  for (const HWND control : controls_) {
    if (control != nullptr && (GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) &&
        IsWindowVisible(control) && IsWindowEnabled(control)) {
      stops.push_back(control);
    }
  }
  if (stops.empty()) return;
  const auto current = std::find(stops.begin(), stops.end(), GetFocus());
  const size_t count = stops.size();
  size_t next = 0;
  if (current != stops.end()) {
    const size_t at = static_cast<size_t>(current - stops.begin());
    next = backwards ? (at + count - 1) % count : (at + 1) % count;
  } else if (backwards) {
    next = count - 1;
  }
  SetFocus(stops[next]);
}

void MainWindow::registerHotkey() {
  hotkeyId_ = desktop_.registerHotkey(hwnd(), hotkeyLabel(), 0, VK_F11);
  if (hotkeyId_ == 0) appendMessage(texts::kHotkeyTaken);
}

void MainWindow::appendMessage(std::string_view utf8) {
  const HWND log = messageLog();
  if (log == nullptr) return;
  const int end = GetWindowTextLengthW(log);
  SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
  SendMessageW(log, EM_SCROLLCARET, 0, 0);
  SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(widen(utf8).c_str()));
  SendMessageW(log, EM_SCROLLCARET, 0, 0);
}

std::string MainWindow::scriptText() const {
  const HWND editor = scriptEditor();
  if (editor == nullptr) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(editor)) + 1, L'\0');
  const int copied = GetWindowTextW(editor, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return narrow(text);
}

void MainWindow::reportFailure(std::string_view what, DWORD error) {
  std::string line(what);
  line += "（错误 " + std::to_string(error) + "）\r\n";
  if (messageLog() != nullptr) {
    appendMessage(line);
  } else {
    startupFailures_ += line;
  }
}

HWND MainWindow::control(int id) const {
  for (size_t i = 0; i < kControlCount; ++i) {
    if (settings::kMainControls[i].id == id &&
        settings::kMainControls[i].kind != ControlKind::Timer) {
      return controls_[i];
    }
  }
  return nullptr;
}

HWND MainWindow::scriptEditor() const {
  return control(ids::kScriptEditor);
}
HWND MainWindow::messageLog() const {
  return control(ids::kMessageLog);
}
HWND MainWindow::hotkeyLabel() const {
  return control(ids::kHotkeyLabel);
}

LRESULT CALLBACK MainWindow::labelProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR subclassId, DWORD_PTR self) {
  if (message == kHotkeyNotifyMessage) {
    reinterpret_cast<MainWindow*>(self)->runner_.toggle();
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &labelProcedure, subclassId);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace kestrune
