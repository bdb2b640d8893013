#pragma once

// What the Windows benchmark programs share: the clock, the output they give
// scripts/bench, and a plain window for clicks and timers to land in.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace kestrune::bench {

// Whether the benchmark `name` was asked for on the command line; with no
// names given, every benchmark runs.
inline bool wanted(int argc, char** argv, const char* name) {
  if (argc < 2) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) return true;
  }
  return false;
}

// Milliseconds on the performance counter, the clock every figure uses.
inline double nowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / frequency;
}

// User and kernel time of this process so far, in milliseconds.
inline double processCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;  // 100 ns units
  };
  return ms(kernel) + ms(user);
}

// One measurement as a JSON line on stdout: scripts/bench turns these into
// its table. Names are ASCII; numbers are plain.
inline void emit(const char* bench, const char* method,
                 std::initializer_list<std::pair<const char*, double>> numbers,
                 const std::vector<double>& samples = {}) {
  std::string line = std::string("{\"bench\": \"") + bench + "\", \"method\": \"" + method + "\"";
  char buffer[64];
  for (const auto& [name, value] : numbers) {
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    line += std::string(", \"") + name + "\": " + buffer;
  }
  if (!samples.empty()) {
    line += ", \"samples\": [";
    for (std::size_t i = 0; i < samples.size(); ++i) {
      std::snprintf(buffer, sizeof buffer, "%s%.6g", i ? ", " : "", samples[i]);
      line += buffer;
    }
    line += "]";
  }
  line += "}\n";
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

inline void fail(const char* bench, const char* what) {
  std::fprintf(stdout, "{\"bench\": \"%s\", \"error\": \"%s (error %lu)\"}\n", bench, what,
               GetLastError());
  std::fflush(stdout);
}

// Handles every queued message, the way a program that stays live does.
inline void pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// A plain top-level window with the given procedure (DefWindowProcW if none).
inline HWND createPlainWindow(const wchar_t* className, WNDPROC procedure, DWORD style,
                              DWORD exStyle, RECT rect) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure ? procedure : DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    return nullptr;
  return CreateWindowExW(exStyle, className, className, style, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

}  // namespace kestrune::bench
