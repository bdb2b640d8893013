#include "script/runner.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <exception>
#include <random>
#include <utility>
#include <variant>

#include "script/messages.h"
#include "script/parser.h"

namespace kestrune {

ScriptRunner::ScriptRunner(DesktopServices& desktop, ScriptText scriptText,
                           MessageSink appendMessage, RandomSource& random)
    : desktop_(desktop),
      scriptText_(std::move(scriptText)),
      appendMessage_(std::move(appendMessage)),
      random_(random) {}

void ScriptRunner::toggle() {
  if (running_) {
    // Nested inside the loop's wait: only ask; the loop ends the run itself
    // once the current statement is done.
    stopRequested_ = true;
    return;
  }
  start();
}

void ScriptRunner::start() {
  if (running_) return;
  // Running from here on, so that a toggle() or start() arriving nested in
  // any call below cannot begin a second run on top of this one.
  running_ = true;
  stopRequested_ = false;
  struct BackToIdle {
    bool& running;
    ~BackToIdle() { running = false; }
  } backToIdle{running_};

  // The text is taken once: edits made during the run apply to the next one.
  const ParsedScript script = parseScript(scriptText_());
  if (script.fault) {
    appendMessage_(script.fault->message);
    if (!script.fault->stopReport.empty()) appendMessage_(script.fault->stopReport);
    return;
  }
  appendMessage_(messages::kRunning);
  if (loop(script.statements)) appendMessage_(messages::kFinished);
}

bool ScriptRunner::isRunning() const {
  return running_;
}

bool ScriptRunner::loop(const std::vector<Statement>& statements) {
  // A pending quit means the window and its log are going away: the run
  // ends without another click and without a message nobody can read.
  if (desktop_.quitRequested()) return false;
  for (std::size_t next = 0;;) {
    execute(statements[next]);
    desktop_.processPendingMessages();
    if (desktop_.quitRequested()) return false;
    if (stopRequested_) return true;
    if (++next == statements.size()) next = 0;
  }
}

void ScriptRunner::execute(const Statement& statement) {
  if (const auto* mouse = std::get_if<MouseAction>(&statement.action)) {
    desktop_.mouseAction(mouse->x, mouse->y, static_cast<int>(mouse->kind));
    return;
  }
  const auto& delay = std::get<Delay>(statement.action);
  desktop_.wait(delay.random ? random_.randomInteger(delay.low, delay.high) : delay.low);
}

namespace {

std::mt19937 seededEngine() {
  std::array<std::uint32_t, 8> words{};
  try {
    std::random_device device;
    for (auto& word : words) word = device();
  } catch (const std::exception&) {
    // Without an entropy source the clock still makes every start differ.
    const auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    words[0] = static_cast<std::uint32_t>(now);
    words[1] = static_cast<std::uint32_t>(now >> 32);
  }
  std::seed_seq seed(words.begin(), words.end());
  return std::mt19937(seed);
}

class MersenneTwisterSource final : public RandomSource {
 public:
  int randomInteger(int low, int high) override {
    if (low > high) std::swap(low, high);
    return std::uniform_int_distribution<int>(low, high)(engine_);
  }

 private:
  std::mt19937 engine_ = seededEngine();
};

}  // namespace

RandomSource& defaultRandomSource() {
  static MersenneTwisterSource source;
  return source;
}

}  // namespace kestrune
