#include <windows.h>

#include "desktop/win32_desktop.h"
#include "ui/main_window.h"
#include "ui/settings/texts.h"
#include "ui/window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  kestrune::Win32Desktop desktop;
  desktop.setPreTranslate(&kestrune::preTranslateMessage);
  // Lives until the message loop has returned, so no handler that a running
  // script nests inside its waits can outlive it.
  kestrune::MainWindow window(desktop);
  if (!window.create(showCommand)) return 1;
  desktop.setMouseFailureReport([&window](kestrune::MouseFailure failure, DWORD error) {
    window.reportFailure(failure == kestrune::MouseFailure::PointerNotMoved
                             ? kestrune::texts::kPointerNotMoved
                             : kestrune::texts::kClicksRefused,
                         error);
  });
  return desktop.runMessageLoop();
}
