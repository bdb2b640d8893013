#pragma once

#include <windows.h>

#include <commdlg.h>

// Stored settings of the file dialog 通用对话框1, which serves both 打开 and
// 保存. No title and no initial folder: the system chooses both.
namespace kestrune::settings {

// One entry, shown as "文本文档", matching "*.txt"; pairs end in a double NUL.
inline constexpr wchar_t kFileDialogFilter[] = L"文本文档\0*.txt\0";
inline constexpr DWORD kFileDialogFilterIndex = 1;
inline constexpr wchar_t kFileDialogDefaultExtension[] = L"txt";

// No OFN_CREATEPROMPT, and no OFN_NOCHANGEDIR: the dialog may change the
// current directory.
inline constexpr DWORD kFileDialogCommonFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
inline constexpr DWORD kFileDialogOpenFlags = kFileDialogCommonFlags | OFN_FILEMUSTEXIST;
inline constexpr DWORD kFileDialogSaveFlags = kFileDialogCommonFlags | OFN_OVERWRITEPROMPT;

}  // namespace kestrune::settings
