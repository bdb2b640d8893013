#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "desktop/desktop_services.h"
#include "script/runner.h"

namespace kestrune::fake {

// A desktop on a virtual clock. Mouse actions take no time and are recorded
// with the time they happened; wait(ms) moves the clock on. Scheduled events
// stand for window events (a hotkey press, a menu command, the close box):
// they run nested inside wait() or processPendingMessages(), on the runner's
// own stack, the way the real message pump delivers them.
class FakeDesktop final : public DesktopServices {
 public:
  struct Click {
    std::int64_t time = 0;
    int x = 0;
    int y = 0;
    int kind = 0;
    friend bool operator==(const Click&, const Click&) = default;
  };

  // Runs `event` when the clock reaches `time`: inside the wait that spans
  // it, or in the next processPendingMessages() once it is due.
  void at(std::int64_t time, std::function<void()> event) {
    events_.push_back({time, 0, nextOrder_++, std::move(event)});
  }
  // Runs `event` in the first processPendingMessages() (or wait) after
  // `count` mouse actions: the clock alone never stops a script without waits.
  void afterClicks(std::size_t count, std::function<void()> event) {
    events_.push_back({0, count, nextOrder_++, std::move(event)});
  }
  // The main window was closed: a quit request is pending from now on.
  void requestQuit() { quit_ = true; }

  std::int64_t now() const { return now_; }
  const std::vector<Click>& clicks() const { return clicks_; }
  const std::vector<int>& waits() const { return waits_; }

  ScreenPoint pointerPosition() override { return pointer_; }

  void mouseAction(int x, int y, int kind) override {
    countStep();
    pointer_ = {x, y};
    clicks_.push_back({now_, x, y, kind});
  }

  int registerHotkey(WindowRef, WindowRef, int, int) override { return nextHotkey_++; }

  // Never ends early; ends at once for 0 or less and once a quit is pending.
  void wait(int milliseconds) override {
    countStep();
    waits_.push_back(milliseconds);
    if (milliseconds <= 0 || quit_) return;
    const std::int64_t deadline = now_ + milliseconds;
    while (fireNextDue(deadline)) {
      if (quit_) return;
    }
    now_ = std::max(now_, deadline);
  }

  void processPendingMessages() override {
    countStep();
    while (fireNextDue(now_)) {
    }
  }

  bool quitRequested() override { return quit_; }

 private:
  // A runner that never honours a stop would hang the test run; fail it.
  void countStep() {
    if (++steps_ > kRunawaySteps) throw std::runtime_error("the script never stopped");
  }
  static constexpr std::size_t kRunawaySteps = 100000;

  struct Event {
    std::int64_t time;
    std::size_t minClicks;
    std::uint64_t order;
    std::function<void()> run;
  };

  // Takes the earliest event due by `limit` out of the queue before running
  // it, so that an event may schedule others or re-enter wait().
  bool fireNextDue(std::int64_t limit) {
    auto next = events_.end();
    for (auto it = events_.begin(); it != events_.end(); ++it) {
      if (it->time > limit || it->minClicks > clicks_.size()) continue;
      if (next == events_.end() ||
          std::pair(it->time, it->order) < std::pair(next->time, next->order))
        next = it;
    }
    if (next == events_.end()) return false;
    Event event = std::move(*next);
    events_.erase(next);
    now_ = std::max(now_, event.time);
    event.run();
    return true;
  }

  std::int64_t now_ = 0;
  bool quit_ = false;
  ScreenPoint pointer_;
  int nextHotkey_ = kFirstHotkeyId;
  std::size_t steps_ = 0;
  std::uint64_t nextOrder_ = 0;
  std::vector<Event> events_;
  std::vector<Click> clicks_;
  std::vector<int> waits_;
};

// Answers with the given numbers in turn (then with `low`) and records every
// range it was asked for.
class ScriptedRandom final : public RandomSource {
 public:
  std::vector<int> answers;
  std::vector<std::pair<int, int>> requests;

  int randomInteger(int low, int high) override {
    requests.emplace_back(low, high);
    return next_ < answers.size() ? answers[next_++] : low;
  }

 private:
  std::size_t next_ = 0;
};

}  // namespace kestrune::fake
