#pragma once

// What the menu entries do, one function per command; the menu table in
// ui/settings/menu.h ties each to its entry and id.
namespace kestrune {

class MainWindow;

namespace commands {

void newScript(MainWindow& window);
void openScript(MainWindow& window);
void saveScript(MainWindow& window);
void runScript(MainWindow& window);
void showAbout(MainWindow& window);

}  // namespace commands
}  // namespace kestrune
