#include "ui/commands.h"

#include <string>

#include "ui/main_window.h"
#include "ui/settings/texts.h"

namespace kestrune::commands {

void newScript(MainWindow& window) {
  window.scriptFiles().newScript(window.scriptEditor());
}
void openScript(MainWindow& window) {
  window.scriptFiles().open(window.hwnd(), window.scriptEditor());
}
void saveScript(MainWindow& window) {
  window.scriptFiles().save(window.hwnd(), window.scriptEditor());
}
void showAbout(MainWindow& window) {
  if (!window.about().show()) {
    window.appendMessage(std::string(texts::kNoAboutWindow) + "（错误 " +
                         std::to_string(GetLastError()) + "）\r\n");
  }
}

void runScript(MainWindow& window) {
  window.runner().start();
}

}  // namespace kestrune::commands
