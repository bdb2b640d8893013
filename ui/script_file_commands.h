#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "ui/file_dialog.h"

namespace kestrune {

// The 程序 menu: 新建, 打开 and 保存 on the script editor, through the one
// file dialog. Nothing here shows a message box; what the user must know
// goes to the message log.
class ScriptFileCommands {
 public:
  using AppendMessage = std::function<void(std::string_view utf8)>;

  explicit ScriptFileCommands(AppendMessage appendMessage);

  // 新建 and 打开 replace the editor's text as one undoable edit: Ctrl+Z in
  // the editor brings the previous script back. The dialog is modal and
  // owned by `owner`.
  void newScript(HWND editor);
  void open(HWND owner, HWND editor);
  void save(HWND owner, HWND editor);

  const FileDialog& dialog() const { return dialog_; }

 private:
  bool showDialog(FileDialog::Result result);

  AppendMessage appendMessage_;
  FileDialog dialog_;
};

}  // namespace kestrune
