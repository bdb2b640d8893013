#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/desktop_services.h"
#include "script/statement.h"

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
  using ScriptText = std::function<std::string()>;                 // UTF-8
  using MessageSink = std::function<void(std::string_view utf8)>;  // appends to the log

  ScriptRunner(DesktopServices& desktop, ScriptText scriptText, MessageSink appendMessage,
               RandomSource& random);
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // F11: starts when idle, asks a running script to stop after its statement.
  void toggle();
  // Starts when idle; does nothing while running. Returns when the run ends.
  void start();
  bool isRunning() const;

 private:
  // Loops over the statements until a stop request or the program's quit.
  // Returns true when a stop request ended it.
  bool loop(const std::vector<Statement>& statements);
  void execute(const Statement& statement);

  DesktopServices& desktop_;
  ScriptText scriptText_;
  MessageSink appendMessage_;
  RandomSource& random_;
  bool running_ = false;
  bool stopRequested_ = false;
};

// std::mt19937 seeded from std::random_device.
RandomSource& defaultRandomSource();

}  // namespace kestrune
