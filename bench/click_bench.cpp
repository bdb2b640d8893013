// How fast the runner clicks and how fast F11 stops it. Clicks land in a
// window of this program, so every click is handled as a message, as the
// user's target program would get it.
//   throughput: statements per second of the runner on a mouse-only script,
//     beside a bare SetCursorPos + SendInput + message loop.
//   stop: from an F11 press to "代码运行完毕！\r\n" through the real hotkey
//     path (RegisterHotKey, WM_HOTKEY, the receiver's notification, toggle()),
//     beside the same press reaching the bare loop as WM_HOTKEY.
//   click_bench [throughput] [stop]     (both when none is named)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/win32_bench.h"
#include "bench/yardsticks.h"
#include "desktop/win32_desktop.h"
#include "script/messages.h"
#include "script/runner.h"

namespace {

using namespace kestrune;
using namespace kestrune::bench;

constexpr RECT kTarget{100, 100, 400, 400};
constexpr int kClickX = 250;
constexpr int kClickY = 250;
constexpr double kRunMs = 1000;
constexpr int kRounds = 5;

// The real desktop services, counting mouse actions and asking the runner to
// stop (as F11 would) once the time is up.
class TimedDesktop final : public DesktopServices {
 public:
  TimedDesktop(Win32Desktop& real, double runMs) : real_(real), runMs_(runMs) {}
  void begin(ScriptRunner& runner) {
    runner_ = &runner;
    actions_ = 0;
    start_ = nowMs();
    stopped_ = false;
  }
  long actions() const { return actions_; }

  ScreenPoint pointerPosition() override { return real_.pointerPosition(); }
  void mouseAction(int x, int y, int kind) override {
    real_.mouseAction(x, y, kind);
    ++actions_;
  }
  int registerHotkey(WindowRef owner, WindowRef receiver, int modifiers, int key) override {
    return real_.registerHotkey(owner, receiver, modifiers, key);
  }
  void wait(int milliseconds) override { real_.wait(milliseconds); }
  void processPendingMessages() override {
    real_.processPendingMessages();
    if (!stopped_ && nowMs() - start_ >= runMs_) {
      stopped_ = true;
      runner_->toggle();
    }
  }
  bool quitRequested() override { return real_.quitRequested(); }

 private:
  Win32Desktop& real_;
  double runMs_;
  ScriptRunner* runner_ = nullptr;
  long actions_ = 0;
  double start_ = 0;
  bool stopped_ = false;
};

const std::string kMouseOnly =
    "M|" + std::to_string(kClickX) + "|" + std::to_string(kClickY) + "|0";

void throughput(Win32Desktop& real) {
  TimedDesktop desktop(real, kRunMs);
  ScriptRunner runner(
      desktop, [] { return kMouseOnly; }, [](std::string_view) {}, defaultRandomSource());
  std::vector<double> runnerRates;
  std::vector<double> bareRates;
  for (int round = 0; round < kRounds; ++round) {
    desktop.begin(runner);
    const double start = nowMs();
    runner.start();
    runnerRates.push_back(desktop.actions() * 1000.0 / (nowMs() - start));

    long clicks = 0;
    const double bareStart = nowMs();
    while (nowMs() - bareStart < kRunMs) {
      if (!bareClick(kClickX, kClickY)) return fail("throughput", "SendInput");
      ++clicks;
    }
    bareRates.push_back(clicks * 1000.0 / (nowMs() - bareStart));
  }
  emit("throughput", "kestrune", {}, runnerRates);
  emit("throughput", "bare_loop", {}, bareRates);
}

// Presses F11 the way the keyboard does: into the system's input stream,
// where the hotkey is recognised.
bool pressF11() {
  INPUT keys[2]{};
  keys[0].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_F11;
  keys[1].type = INPUT_KEYBOARD;
  keys[1].ki.wVk = VK_F11;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(2, keys, sizeof(INPUT)) == 2;
}

// Set by the presser thread just before each press; read on the window
// thread when the press has had its effect.
std::atomic<double> pressedAt{0};
HANDLE running = nullptr;   // auto-reset: a run (or the bare loop) has begun
HANDLE finished = nullptr;  // auto-reset: the press has had its effect
ScriptRunner* hotkeyRunner = nullptr;
std::vector<double> latencies;
// Set when a press had no effect within 10 s: the run is then ended from
// here, so the benchmark ends and says so rather than clicking forever.
std::atomic<bool> gaveUp{false};
HWND receiverWindow = nullptr;

LRESULT CALLBACK receiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kHotkeyNotifyMessage && hotkeyRunner) {
    hotkeyRunner->toggle();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Presses F11 `count` times, each a random 50..250 ms after a run began.
void presser(int count) {
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> pause(50, 250);
  for (int i = 0; i < count; ++i) {
    if (WaitForSingleObject(running, 10000) != WAIT_OBJECT_0) return;
    Sleep(static_cast<DWORD>(pause(random)));
    pressedAt = nowMs();
    if (!pressF11() || WaitForSingleObject(finished, 10000) != WAIT_OBJECT_0) {
      gaveUp = true;
      if (receiverWindow) PostMessageW(receiverWindow, kHotkeyNotifyMessage, 0, 0);
      return;
    }
  }
}

void stopLatency(Win32Desktop& desktop, HWND target) {
  constexpr int kPresses = 30;
  const HWND receiver =
      createPlainWindow(L"KestruneBenchReceiver", receiverProc, WS_POPUP, 0, RECT{0, 0, 10, 10});
  if (!receiver) return fail("stop", "receiver window");
  if (desktop.registerHotkey(target, receiver, 0, VK_F11) == 0) return fail("stop", "F11 is taken");

  ScriptRunner runner(
      desktop, [] { return kMouseOnly; },
      [](std::string_view message) {
        if (message == messages::kRunning) SetEvent(running);
        if (message == messages::kFinished) {
          latencies.push_back(nowMs() - pressedAt);
          SetEvent(finished);
        }
      },
      defaultRandomSource());
  hotkeyRunner = &runner;
  receiverWindow = receiver;
  gaveUp = false;
  std::thread thread(presser, kPresses);
  for (int i = 0; i < kPresses && !gaveUp; ++i) runner.start();
  thread.join();
  hotkeyRunner = nullptr;
  receiverWindow = nullptr;
  if (gaveUp) return fail("stop", "an F11 press did not stop the run within 10 s");
  emit("stop", "kestrune", {}, latencies);
}

// The yardstick: the same presses reaching a bare click loop as WM_HOTKEY,
// the least any program's reaction can take.
void bareStopLatency() {
  constexpr int kPresses = 30;
  constexpr int kId = 1;
  const HWND owner =
      createPlainWindow(L"KestruneBenchBareOwner", nullptr, WS_POPUP, 0, RECT{0, 0, 10, 10});
  if (!owner || !RegisterHotKey(owner, kId, 0, VK_F11)) return fail("stop", "bare RegisterHotKey");
  std::vector<double> bare;
  gaveUp = false;
  std::thread thread(presser, kPresses);
  for (int i = 0; i < kPresses && !gaveUp; ++i) {
    SetEvent(running);
    for (bool pressed = false; !pressed && !gaveUp;) {
      SetCursorPos(kClickX, kClickY);
      INPUT inputs[2]{};
      inputs[0].type = INPUT_MOUSE;
      inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      inputs[1].type = INPUT_MOUSE;
      inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      SendInput(2, inputs, sizeof(INPUT));
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_HOTKEY && message.hwnd == owner) {
          bare.push_back(nowMs() - pressedAt);
          pressed = true;
          SetEvent(finished);
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  thread.join();
  UnregisterHotKey(owner, kId);
  DestroyWindow(owner);
  if (gaveUp) return fail("stop", "an F11 press did not reach the bare loop within 10 s");
  emit("stop", "bare_loop", {}, bare);
}

}  // namespace

int main(int argc, char** argv) {
  const HWND target = createPlainWindow(L"KestruneBenchTarget", nullptr, WS_POPUP | WS_VISIBLE,
                                        WS_EX_TOPMOST, kTarget);
  if (!target) {
    fail("click", "target window");
    return 1;
  }
  Win32Desktop desktop;
  if (wanted(argc, argv, "throughput")) throughput(desktop);
  if (wanted(argc, argv, "stop")) {
    running = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    finished = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!running || !finished) {
      fail("stop", "CreateEventW");
      return 1;
    }
    bareStopLatency();
    stopLatency(desktop, target);
  }
  DestroyWindow(target);
  return 0;
}
