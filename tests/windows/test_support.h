#pragma once

// Helpers shared by the Windows tests and the end-to-end driver.

#include <windows.h>

#include <string>

#include "ui/window.h"

namespace kestrune::testing_support {

// Every message already queued, through the program's pre-translation. A
// quit request is left for the test that expects it.
inline void pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    GetMessageW(&msg, nullptr, 0, 0);
    if (preTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A new, empty folder in the temporary folder, named `prefix` and a serial
// number; empty when none could be made.
inline std::wstring freshTempFolder(const std::wstring& prefix) {
  wchar_t base[MAX_PATH];
  if (GetTempPathW(MAX_PATH, base) == 0) return {};
  for (int serial = 1;; ++serial) {
    std::wstring folder = std::wstring(base) + prefix + std::to_wstring(serial);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
}

// The whole content of a file, or "<missing>" when it cannot be opened.
inline std::string fileBytes(const std::wstring& path) {
  HANDLE h =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(h);
  return bytes;
}

}  // namespace kestrune::testing_support
