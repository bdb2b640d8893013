#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "desktop/desktop_services.h"

namespace kestrune {

// Draws a whole number uniformly from low to high, both included.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual int randomInteger(int low, int high) = 0;
};

// Runs the script in the editor in an endless loop until it is stopped.
// Everything happens on the window thread: toggle() and start() may arrive
// nested inside the runner's own waits.
class ScriptRunner {
 public:
  using ScriptText = std::function<std::string()>;                // UTF-8
  using MessageSink = std::function<void(std::string_view utf8)>;  // appends to the log

  ScriptRunner(DesktopServices& desktop, ScriptText scriptText, MessageSink appendMessage,
               RandomSource& random);

  // F11: starts when idle, asks a running script to stop after its statement.
  void toggle();
  // Starts when idle; does nothing while running.
  void start();
  bool isRunning() const;
};

// std::mt19937 seeded from std::random_device.
RandomSource& defaultRandomSource();

}  // namespace kestrune
