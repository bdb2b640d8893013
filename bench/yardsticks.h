#pragma once

// The naive ways of doing what the desktop services do, as a first version
// of such a tool would: the benchmarks measure the real code beside these.

#include <windows.h>

#include "bench/win32_bench.h"

namespace kestrune::bench {

// The textbook wait that keeps its window live: spin on the tick count,
// handling messages, until it has gone past start + milliseconds.
inline void busyPollWait(int milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start <= static_cast<DWORD>(milliseconds)) pumpMessages();
}

// The wait that costs nothing and freezes the window while it lasts.
inline void plainSleepWait(int milliseconds) {
  Sleep(static_cast<DWORD>(milliseconds));
}

// One left click at x, y the bare way: move, press and release in one
// SendInput, then handle what arrived. Returns false when SendInput refused.
inline bool bareClick(int x, int y) {
  if (!SetCursorPos(x, y)) return false;
  INPUT inputs[2]{};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  const bool sent = SendInput(2, inputs, sizeof(INPUT)) == 2;
  pumpMessages();
  return sent;
}

}  // namespace kestrune::bench
