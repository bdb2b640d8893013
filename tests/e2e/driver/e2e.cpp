#include "e2e.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "ui/encoding.h"
#include "ui/settings/ids.h"

namespace kestrune::e2e {

namespace {

Settings g_settings;

std::wstring environmentVariable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

// Closing the job ends every process in it: a driver that dies or is killed
// takes the programs it started with it.
HANDLE driverJob() {
  static HANDLE job = [] {
    HANDLE h = CreateJobObjectW(nullptr, nullptr);
    if (h != nullptr) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      SetInformationJobObject(h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    return h;
  }();
  return job;
}

std::string lastError(const char* what) {
  return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

}  // namespace

const Settings& settings() {
  return g_settings;
}

std::string setUp() {
  g_settings.program = environmentVariable(L"KESTRUNE_E2E_PROGRAM");
  g_settings.desktop = environmentVariable(L"KESTRUNE_E2E_DESKTOP");
  g_settings.helperPort = _wtoi(environmentVariable(L"KESTRUNE_E2E_HELPER_PORT").c_str());
  if (g_settings.program.empty() || g_settings.desktop.empty() || g_settings.helperPort <= 0) {
    return "KESTRUNE_E2E_PROGRAM, KESTRUNE_E2E_DESKTOP and KESTRUNE_E2E_HELPER_PORT must be set; "
           "run the end-to-end tests through tests/e2e/run-e2e";
  }
  // Kestrune works in physical pixels; so must the recorders' positions.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  // Windows on a named desktop are seen only from that desktop; the thread
  // must join it before it makes or looks for any window.
  HDESK desktop = OpenDesktopW(g_settings.desktop.c_str(), 0, FALSE, GENERIC_ALL);
  if (desktop == nullptr) return lastError("OpenDesktopW");
  if (!SetThreadDesktop(desktop)) return lastError("SetThreadDesktop");
  if (driverJob() == nullptr) return lastError("CreateJobObjectW");
  return {};
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    // A flood of clicks keeps the queue from ever running dry: look at the
    // condition and the clock at least every few milliseconds regardless.
    const ULONGLONG sliceEnd = GetTickCount64() + 5;
    MSG msg;
    while (GetTickCount64() < sliceEnd && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    // Short slices: the condition usually watches another process.
    const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10));
    MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void pumpFor(DWORD milliseconds) {
  pumpUntil([] { return false; }, milliseconds);
}

// ---------------------------------------------------------------------------
// XHelper

XHelper& XHelper::instance() {
  static XHelper helper;
  return helper;
}

XHelper::XHelper() : socket_(INVALID_SOCKET) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(settings().helperPort));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s != INVALID_SOCKET &&
      connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    // A helper that hangs must fail the test, not stall it.
    const DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    socket_ = s;
  } else if (s != INVALID_SOCKET) {
    closesocket(s);
  }
}

bool XHelper::request(std::string_view line) {
  if (socket_ == INVALID_SOCKET) {
    ADD_FAILURE() << "no connection to the X helper on port " << settings().helperPort;
    return false;
  }
  const std::string text = std::string(line) + "\n";
  if (send(socket_, text.data(), static_cast<int>(text.size()), 0) !=
      static_cast<int>(text.size())) {
    ADD_FAILURE() << "X helper: cannot send \"" << line << "\"";
    return false;
  }
  std::string answer;
  char c = 0;
  while (recv(socket_, &c, 1, 0) == 1 && c != '\n') answer += c;
  if (answer != "ok") {
    ADD_FAILURE() << "X helper: \"" << line << "\" answered \"" << answer << "\"";
    return false;
  }
  return true;
}

void XHelper::pressKeys(std::string_view keys) {
  request("key " + std::string(keys));
}
void XHelper::grabPointer() {
  request("grab");
}
void XHelper::releasePointer() {
  request("ungrab");
}
bool XHelper::screenshot(std::string_view geometry, std::string_view unixPath) {
  return request("screenshot " + std::string(geometry) + " " + std::string(unixPath));
}

// ---------------------------------------------------------------------------
// Click recorders

namespace {

constexpr wchar_t kRecorderClass[] = L"KestruneE2EClickRecorder";
constexpr int kRecorderSize = 24;

const char* buttonName(Button b) {
  switch (b) {
    case Button::LeftDown:
      return "left down";
    case Button::LeftUp:
      return "left up";
    case Button::LeftDouble:
      return "left double";
    case Button::RightDown:
      return "right down";
    case Button::RightUp:
      return "right up";
    case Button::RightDouble:
      return "right double";
  }
  return "?";
}

}  // namespace

void PrintTo(const Click& click, std::ostream* os) {
  *os << "{recorder " << click.recorder << ", " << buttonName(click.button) << " at " << click.at.x
      << "," << click.at.y << "}";
}

ClickRecorders::ClickRecorders() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // CS_DBLCLKS: two clicks back to back must show as the double click a user's
  // program would see.
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_CROSS);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kRecorderClass;
  RegisterClassExW(&wc);  // fails harmlessly when already registered
}

ClickRecorders::~ClickRecorders() {
  for (HWND w : windows_) DestroyWindow(w);
}

int ClickRecorders::add(POINT centre) {
  const int index = static_cast<int>(windows_.size());
  HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kRecorderClass, L"",
                           WS_POPUP, centre.x - kRecorderSize / 2, centre.y - kRecorderSize / 2,
                           kRecorderSize, kRecorderSize, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (w == nullptr) {
    ADD_FAILURE() << lastError("CreateWindowExW (click recorder)");
    return index;
  }
  SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(w, GWLP_ID, index);
  ShowWindow(w, SW_SHOWNOACTIVATE);
  UpdateWindow(w);
  windows_.push_back(w);
  pumpFor(50);  // let the desktop take the new window into account
  return index;
}

void ClickRecorders::drain(DWORD quietMs, DWORD timeoutMs) {
  size_t seen = clicks_.size();
  ULONGLONG lastChange = GetTickCount64();
  pumpUntil(
      [&] {
        if (clicks_.size() != seen) {
          seen = clicks_.size();
          lastChange = GetTickCount64();
        }
        return GetTickCount64() - lastChange >= quietMs;
      },
      timeoutMs);
}

LRESULT CALLBACK ClickRecorders::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Button button;
  switch (msg) {
    case WM_LBUTTONDOWN:
      button = Button::LeftDown;
      break;
    case WM_LBUTTONUP:
      button = Button::LeftUp;
      break;
    case WM_LBUTTONDBLCLK:
      button = Button::LeftDouble;
      break;
    case WM_RBUTTONDOWN:
      button = Button::RightDown;
      break;
    case WM_RBUTTONUP:
      button = Button::RightUp;
      break;
    case WM_RBUTTONDBLCLK:
      button = Button::RightDouble;
      break;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
  auto* self = reinterpret_cast<ClickRecorders*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ClientToScreen(hwnd, &at);
    self->clicks_.push_back({static_cast<int>(GetWindowLongPtrW(hwnd, GWLP_ID)), button, at});
    self->times_.push_back(static_cast<DWORD>(GetMessageTime()));
  }
  return 0;
}

std::vector<Click> expectedClicks(int recorder, POINT at, int kind) {
  switch (kind) {
    case 1:
      return {{recorder, Button::LeftDown, at},
              {recorder, Button::LeftUp, at},
              {recorder, Button::LeftDouble, at},
              {recorder, Button::LeftUp, at}};
    case 2:
      return {{recorder, Button::RightDown, at}, {recorder, Button::RightUp, at}};
    case 3:
      return {{recorder, Button::RightDown, at},
              {recorder, Button::RightUp, at},
              {recorder, Button::RightDouble, at},
              {recorder, Button::RightUp, at}};
    default:
      return {{recorder, Button::LeftDown, at}, {recorder, Button::LeftUp, at}};
  }
}

// ---------------------------------------------------------------------------
// Kestrune

namespace {

struct WindowSearch {
  DWORD processId;
  std::wstring_view className;
  HWND found;
};

BOOL CALLBACK findWindowOfProcess(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (pid == search->processId && search->className == cls && IsWindowVisible(hwnd)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND findWindowOfProcess(DWORD processId, std::wstring_view className) {
  WindowSearch search{processId, className, nullptr};
  EnumWindows(findWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::unique_ptr<Kestrune> Kestrune::start() {
  std::unique_ptr<Kestrune> app(new Kestrune);
  std::wstring commandLine = L"\"" + settings().program + L"\"";
  std::wstring desktop = settings().desktop;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.lpDesktop = desktop.data();
  // Suspended until it is in the job, so that not even its first instant is
  // outside it.
  // Under load Wine now and then fails to set up a new process before any of
  // its code runs (error 1359); that is the test machine's hiccup, so it is
  // tried again, and said so. A program that fails on its own still fails.
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(settings().program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_SUSPENDED, nullptr, nullptr, &si, &app->process_)) {
      break;
    }
    const std::string why = lastError("CreateProcessW") + " for " + narrow(settings().program);
    if (attempt == 3) {
      ADD_FAILURE() << why;
      return nullptr;
    }
    std::fprintf(stderr, "%s; trying again\n", why.c_str());
    pumpFor(500);
  }
  if (!AssignProcessToJobObject(driverJob(), app->process_.hProcess)) {
    ADD_FAILURE() << lastError("AssignProcessToJobObject");
    return nullptr;
  }
  ResumeThread(app->process_.hThread);
  HWND found = nullptr;
  const bool shown = pumpUntil(
      [&] {
        found = findWindowOfProcess(app->process_.dwProcessId, ids::kMainWindowClass);
        return found != nullptr || WaitForSingleObject(app->process_.hProcess, 0) == WAIT_OBJECT_0;
      },
      20000);
  if (!shown || found == nullptr) {
    ADD_FAILURE() << "kestrune.exe showed no main window of class "
                  << narrow(ids::kMainWindowClass);
    return nullptr;
  }
  app->window_ = found;
  // Ready once its message loop answers.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(app->window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
  return app;
}

Kestrune::~Kestrune() {
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
}

HWND Kestrune::control(int id) const {
  return GetDlgItem(window_, id);
}

std::string Kestrune::text(int controlId) const {
  HWND w = control(controlId);
  DWORD_PTR length = 0;
  if (w == nullptr ||
      !SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    ADD_FAILURE() << "cannot read the text of control " << controlId;
    return {};
  }
  std::wstring buffer(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  buffer.resize(copied);
  return narrow(buffer);
}

void Kestrune::setText(int controlId, std::string_view utf8) {
  const std::wstring wide = widen(utf8);
  DWORD_PTR ok = 0;
  if (!SendMessageTimeoutW(control(controlId), WM_SETTEXT, 0,
                           reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 5000, &ok) ||
      !ok) {
    ADD_FAILURE() << "cannot set the text of control " << controlId;
  }
}

std::string Kestrune::log() const {
  return text(ids::kMessageLog);
}

bool Kestrune::waitForLog(std::string_view expected, DWORD timeoutMs) const {
  return pumpUntil([&] { return log() == expected; }, timeoutMs);
}

// Status bar texts live in the program's memory and a status bar message is
// not carried between processes, so the text is fetched through a buffer
// allocated inside the program.
std::string Kestrune::status(int pane) const {
  HWND bar = control(ids::kStatusBar);
  DWORD_PTR lengthAndFlags = 0;
  if (bar == nullptr || !SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, pane, 0, SMTO_ABORTIFHUNG,
                                             5000, &lengthAndFlags)) {
    ADD_FAILURE() << "cannot read status bar pane " << pane;
    return {};
  }
  const size_t length = LOWORD(lengthAndFlags);
  const size_t bytes = (length + 1) * sizeof(wchar_t);
  void* remote =
      VirtualAllocEx(process_.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) {
    ADD_FAILURE() << lastError("VirtualAllocEx");
    return {};
  }
  std::wstring buffer(length + 1, L'\0');
  DWORD_PTR ignored = 0;
  SIZE_T read = 0;
  if (!SendMessageTimeoutW(bar, SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(remote),
                           SMTO_ABORTIFHUNG, 5000, &ignored) ||
      !ReadProcessMemory(process_.hProcess, remote, buffer.data(), bytes, &read)) {
    ADD_FAILURE() << "cannot fetch the text of status bar pane " << pane;
  }
  VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
  buffer.resize(wcsnlen(buffer.c_str(), length));
  return narrow(buffer);
}

void Kestrune::command(int id) {
  if (!PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0)) {
    ADD_FAILURE() << lastError("PostMessageW WM_COMMAND");
  }
}

void Kestrune::closeBox() {
  if (!PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0)) {
    ADD_FAILURE() << lastError("PostMessageW SC_CLOSE");
  }
}

void Kestrune::bringToFront() {
  SetForegroundWindow(window_);
  if (!pumpUntil([&] { return GetForegroundWindow() == window_; }, 5000)) {
    ADD_FAILURE() << "Kestrune's window did not come to the front";
  }
}

HWND Kestrune::focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool Kestrune::responsive() const {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) != 0;
}

std::optional<DWORD> Kestrune::waitForExit(DWORD timeoutMs) {
  bool ended = pumpUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; },
                         timeoutMs);
  DWORD code = 0;
  if (!ended || !GetExitCodeProcess(process_.hProcess, &code)) return std::nullopt;
  return code;
}

}  // namespace kestrune::e2e
