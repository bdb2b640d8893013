#pragma once

// Drives the system's file dialog and its message boxes from a second thread
// while the thread under test sits in the dialog's modal loop, the way a user
// would: type a name into the box, press a button.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace kestrune::testing_support {

// Control ids of the common file dialog (dlgs.h): the file name box is a
// combo box (cmb13) in the Explorer style, an edit (edt1) in older layouts.
inline constexpr int kFileNameCombo = 0x47C;
inline constexpr int kFileNameEdit = 0x480;
inline constexpr int kFileTypeCombo = 0x470;
inline constexpr int kReadOnlyCheckBox = 0x410;

inline std::wstring windowText(HWND hwnd) {
  wchar_t text[1024] = L"";
  GetWindowTextW(hwnd, text, 1024);
  return text;
}

inline std::wstring className(HWND hwnd) {
  wchar_t name[64] = L"";
  GetClassNameW(hwnd, name, 64);
  return name;
}

// The visible dialog box (#32770) of `thread` that `owner` owns, or nullptr
// once `timeout` has passed.
inline HWND waitForDialog(DWORD thread, HWND owner,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  struct Search {
    HWND owner;
    HWND found;
  } search{owner, nullptr};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    EnumThreadWindows(
        thread,
        [](HWND hwnd, LPARAM lParam) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lParam);
          if (IsWindowVisible(hwnd) && className(hwnd) == L"#32770" &&
              GetWindow(hwnd, GW_OWNER) == s->owner) {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

inline HWND fileNameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, kFileNameCombo);
  return box != nullptr ? box : GetDlgItem(dialog, kFileNameEdit);
}

// Presses a button the way a click does: the dialog gets BN_CLICKED from it.
inline void pressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline void typeFileNameAndConfirm(HWND dialog, const std::wstring& name) {
  SendMessageW(fileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  pressButton(dialog, IDOK);
}

// Runs `drive` on a second thread while `underTest` runs here (it blocks in
// the dialog's modal loop). Should the driver fail to find what it expects,
// whatever dialog is still up is cancelled, so the test fails instead of
// hanging.
inline void withDialogDriver(const std::function<void()>& underTest,
                             const std::function<void(DWORD thread)>& drive, HWND owner) {
  const DWORD thread = GetCurrentThreadId();
  std::thread driver([&] {
    drive(thread);
    // Close anything the driver left open, nearest first.
    for (int i = 0; i < 3; ++i) {
      HWND dialog = waitForDialog(thread, owner, std::chrono::milliseconds(300));
      if (dialog == nullptr) break;
      for (HWND child = dialog; child != nullptr;) {
        HWND next = waitForDialog(thread, child, std::chrono::milliseconds(100));
        if (next == nullptr) {
          pressButton(child, IDCANCEL);
          break;
        }
        child = next;
      }
    }
  });
  underTest();
  driver.join();
}

}  // namespace kestrune::testing_support
