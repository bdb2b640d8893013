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

  ScriptFileCommands(HWND owner, HWND editor, AppendMessage appendMessage);

  // 新建 and 打开 replace the editor's text as one undoable edit: Ctrl+Z in
  // the editor brings the previous script back.
  void newScript();
  void open();
  void save();

  FileDialog& dialog() { return dialog_; }

 private:
  bool replaceEditorText(std::string_view utf8);
  bool showDialog(FileDialog::Result result);

  HWND editor_;
  AppendMessage appendMessage_;
  FileDialog dialog_;
};

}  // namespace kestrune
