// How well the desktop services wait: precision of wait(ms) beside a busy
// poll on GetTickCount and a plain Sleep, and the CPU the runner uses while
// a script waits, beside the busy poll doing the same. A window with the
// pointer readout's 200 ms timer is up throughout, as in the program.
//   wait_bench [precision] [cpu]     (both when none is named)
#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench/win32_bench.h"
#include "bench/yardsticks.h"
#include "desktop/win32_desktop.h"
#include "script/runner.h"

namespace {

using namespace kestrune;
using namespace kestrune::bench;

// Each length many times over, the methods taking turns so that a change in
// the machine's load falls on all of them alike.
struct WaitLength {
  int milliseconds;
  int repeats;
};
constexpr WaitLength kLengths[] = {{1, 300}, {10, 100}, {100, 30}, {1000, 12}};

void precision(Win32Desktop& desktop) {
  struct Method {
    const char* name;
    void (*wait)(Win32Desktop&, int);
  };
  const Method methods[] = {
      {"kestrune", [](Win32Desktop& d, int ms) { d.wait(ms); }},
      {"busy_poll", [](Win32Desktop&, int ms) { busyPollWait(ms); }},
      {"sleep", [](Win32Desktop&, int ms) { plainSleepWait(ms); }},
  };
  // The first waits of a process pay for setting things up; not counted.
  for (const Method& method : methods) method.wait(desktop, 1);
  for (const WaitLength& length : kLengths) {
    std::vector<std::vector<double>> overshoots(std::size(methods));
    for (int i = 0; i < length.repeats; ++i) {
      for (std::size_t m = 0; m < std::size(methods); ++m) {
        const double start = nowMs();
        methods[m].wait(desktop, length.milliseconds);
        overshoots[m].push_back(nowMs() - start - length.milliseconds);
      }
    }
    for (std::size_t m = 0; m < std::size(methods); ++m) {
      emit("wait", methods[m].name, {{"target_ms", static_cast<double>(length.milliseconds)}},
           overshoots[m]);
    }
  }
}

ScriptRunner* stopTarget = nullptr;

void CALLBACK stopRunner(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (stopTarget) stopTarget->toggle();
}

// The runner on "T|1000" for five seconds; a thread timer presses "F11"
// (toggle) at 5 s, and the run ends after the wait under way.
void cpuWhileWaiting(Win32Desktop& desktop) {
  constexpr int kRunMs = 5000;
  ScriptRunner runner(
      desktop, [] { return std::string("T|1000"); }, [](std::string_view) {},
      defaultRandomSource());
  stopTarget = &runner;
  if (!SetTimer(nullptr, 0, kRunMs, stopRunner)) return fail("cpu", "SetTimer");
  const double cpu0 = processCpuMs();
  const double wall0 = nowMs();
  runner.start();
  emit("cpu", "kestrune", {{"cpu_ms", processCpuMs() - cpu0}, {"wall_ms", nowMs() - wall0}});
  stopTarget = nullptr;

  const double cpu1 = processCpuMs();
  const double wall1 = nowMs();
  for (int i = 0; i < kRunMs / 1000; ++i) busyPollWait(1000);
  emit("cpu", "busy_poll", {{"cpu_ms", processCpuMs() - cpu1}, {"wall_ms", nowMs() - wall1}});
}

}  // namespace

int main(int argc, char** argv) {
  const HWND window = createPlainWindow(L"KestruneBenchWait", nullptr, WS_OVERLAPPEDWINDOW, 0,
                                        RECT{40, 40, 340, 240});
  if (!window || !SetTimer(window, 1, 200, nullptr)) {
    fail("wait", "window or timer");
    return 1;
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  Win32Desktop desktop;
  if (wanted(argc, argv, "precision")) precision(desktop);
  if (wanted(argc, argv, "cpu")) cpuWhileWaiting(desktop);
  DestroyWindow(window);
  return 0;
}
