#include "ui/commands.h"

#include "ui/main_window.h"

namespace kestrune::commands {

// 新建, 打开, 保存 and 帮助 arrive with script files and the About window.
void newScript(MainWindow&) {}
void openScript(MainWindow&) {}
void saveScript(MainWindow&) {}
void showAbout(MainWindow&) {}

void runScript(MainWindow& window) {
  window.runner().start();
}

}  // namespace kestrune::commands
