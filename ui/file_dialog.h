#pragma once

#include <windows.h>

#include <string>

namespace kestrune {

// 通用对话框1: the one open/save dialog. It remembers the full path of the
// last confirmed choice, and every later dialog starts from it.
class FileDialog {
 public:
  enum class Result {
    Confirmed,  // fileName() now holds the chosen full path
    Cancelled,
    Failed,  // the dialog could not be shown; see errorCode()
  };

  explicit FileDialog(HWND owner = nullptr) : owner_(owner) {}

  // The dialog is modal and owned by this window, which takes no input while
  // it is up.
  void setOwner(HWND owner) { owner_ = owner; }

  Result showOpen() { return show(false); }
  Result showSave() { return show(true); }

  const std::wstring& fileName() const { return fileName_; }
  // CommDlgExtendedError() of the last Failed result.
  DWORD errorCode() const { return errorCode_; }

 private:
  Result show(bool save);

  HWND owner_;
  std::wstring fileName_;
  DWORD errorCode_ = 0;
};

}  // namespace kestrune
