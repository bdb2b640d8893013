// Starts a program again and again and times each start: from CreateProcess
// to its main window shown with F11 registered. Then closes the window the
// way the close box does and checks that the program exits with code 0.
// scripts/bench uses it for the start-up time, scripts/package to check that
// the packaged program starts at all.
//   startup_probe PROGRAM WINDOW_CLASS [TIMES [LABEL]]
// Prints one JSON line with the times in milliseconds, under LABEL (an ASCII
// name; default "probe"); exits non-zero when a start fails.
#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/win32_bench.h"

namespace {

using namespace kestrune::bench;

constexpr double kTimeoutMs = 20000;

// One start; returns the milliseconds until the window was shown with F11
// taken, or a negative number after reporting what went wrong.
double startOnce(const std::wstring& program, const wchar_t* windowClass) {
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const double start = nowMs();
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    fail("startup", "CreateProcessW");
    return -1;
  }
  CloseHandle(process.hThread);

  HWND window = nullptr;
  double shown = -1;
  while (nowMs() - start < kTimeoutMs) {
    window = FindWindowW(windowClass, nullptr);
    if (window && IsWindowVisible(window)) {
      shown = nowMs() - start;
      break;
    }
    // Sleeps 1 ms between looks, and notices a program that ended early.
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  if (shown < 0) {
    fail("startup", "the window was not shown");
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    return -1;
  }

  // Only a look: the program registered F11 before showing its window, so
  // taking it here must fail. Had it not, it is given back at once.
  constexpr int kProbeId = 0xBFFF;
  bool registered = false;
  if (RegisterHotKey(nullptr, kProbeId, 0, VK_F11)) {
    UnregisterHotKey(nullptr, kProbeId);
  } else {
    registered = GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
  }

  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  const bool exited = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0 &&
                      GetExitCodeProcess(process.hProcess, &exitCode);
  if (!exited) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  if (!registered) {
    fail("startup", "F11 was not registered when the window was shown");
    return -1;
  }
  if (!exited || exitCode != 0) {
    fail("startup", "the program did not exit with code 0 after WM_CLOSE");
    return -1;
  }
  return shown;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) {
    fail("startup", "usage: startup_probe PROGRAM WINDOW_CLASS [TIMES [LABEL]]");
    return 2;
  }
  const std::wstring program = argv[1];
  const int times = argc > 3 ? std::max(1, _wtoi(argv[3])) : 1;
  std::vector<double> samples;
  for (int i = 0; i < times; ++i) {
    const double ms = startOnce(program, argv[2]);
    if (ms < 0) return 1;
    samples.push_back(ms);
  }
  std::string label = "probe";
  if (argc > 4) {
    label.clear();
    for (const wchar_t* c = argv[4]; *c; ++c) label += static_cast<char>(*c < 128 ? *c : '?');
  }
  emit("startup", label.c_str(), {}, samples);
  return 0;
}
