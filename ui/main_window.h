#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

#include "desktop/desktop_services.h"
#include "script/runner.h"
#include "ui/about_window.h"
#include "ui/handles.h"
#include "ui/layout.h"
#include "ui/script_file_commands.h"
#include "ui/settings/window_settings.h"
#include "ui/status_bar.h"
#include "ui/window.h"

// The program's start window: the script editor, the message log, the status
// bar and the menu; it owns the script runner and registers F11.
namespace kestrune {

class MainWindow final : public Window {
 public:
  explicit MainWindow(DesktopServices& desktop, RandomSource& random = defaultRandomSource());
  ~MainWindow() override;

  // Builds the window with its menu and controls, registers F11 and shows the
  // window. False when the window itself could not be created.
  bool create(int showCommand = SW_SHOWNORMAL);

  // Adds text at the end of the message log, whatever the user has selected
  // there, and scrolls it into view; the log's undo history is left alone.
  void appendMessage(std::string_view utf8);

  // Logs what failed with its Win32 error code; lines that come before the
  // log exists are kept until it does.
  void reportFailure(std::string_view what, DWORD error);

  // The script editor's content, UTF-8 with "\r\n" line breaks.
  std::string scriptText() const;

  HWND scriptEditor() const;
  HWND messageLog() const;
  HWND hotkeyLabel() const;
  StatusBar& statusBar() { return statusBar_; }
  ScriptRunner& runner() { return runner_; }
  ScriptFileCommands& scriptFiles() { return scriptFiles_; }
  AboutWindow& about() { return about_; }
  DesktopServices& desktop() { return desktop_; }
  UINT dpi() const { return dpi_; }

  // The menu accelerator, then Tab, Shift+Tab and Esc for the whole window.
  bool preTranslate(MSG& msg) override;

 protected:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static constexpr size_t kControlCount = std::size(settings::kMainControls);

  bool onCreate();
  void onSize(WPARAM kind);
  void onCommand(WPARAM wParam, LPARAM lParam);
  void onDpiChanged(UINT dpi, const RECT& suggested);
  LRESULT onControlColour(UINT message, HDC dc, HWND control);
  void applyFonts();
  void layoutControls();
  void moveFocus(bool backwards);
  void registerHotkey();
  HWND control(int id) const;

  static LRESULT CALLBACK labelProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR self);

  DesktopServices& desktop_;
  ScriptRunner runner_;
  StatusBar statusBar_;
  // Parallel to settings::kMainControls; null for controls without a window.
  std::array<HWND, kControlCount> controls_{};
  std::array<UniqueFont, kControlCount> fonts_;
  std::array<UniqueBrush, kControlCount> brushes_;
  UniqueBrush background_;
  UniqueAccelerators accelerators_;
  UniqueIcon icon_;
  HWND lastFocus_ = nullptr;
  UINT dpi_ = kBaseDpi;
  SIZE createdClient_{};         // the client size the stored rectangles belong to, at dpi_
  std::string startupFailures_;  // found before the log existed
  int hotkeyId_ = 0;
  // 新建, 打开, 保存: the file dialog remembers the last path for the program's lifetime.
  ScriptFileCommands scriptFiles_{[this](std::string_view text) { appendMessage(text); }};
  AboutWindow about_;
};

}  // namespace kestrune
